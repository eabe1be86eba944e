// End to end with the real libraries loaded by name: ObelTool, DdfReader and
// the little-endian message-conversion library, in a program directory of the
// test's own (links to the built libraries and an OBEL.INI naming the
// converter), and the exported entries of cglink30.so itself.
#include <dlfcn.h>

#include "cglink30/cglink30.h"
#include "ddfreader/ddf_writer.h"
#include "library_binder.h"
#include "platform/uisink.h"
#include "small_program.h"

namespace cgtest {
namespace {

class LibrariesTest : public TempDirTest {
protected:
  void SetUp() override {
    TempDirTest::SetUp();
    bin_ = path("bin");
    std::filesystem::create_directories(bin_);
    for (const char* f : {"ObelTool.so", "DdfReader.so", "MSGCONVLE.so", "MSGCONVBE.so"})
      std::filesystem::create_symlink(std::string(ZERLO_BIN_DIR) + "/" + f, bin_ + "/" + f);
    writeText(bin_ + "/OBEL.INI", "[SYSTEM]\nLANGUAGE=2\n[LANGUAGES]\n2=ENGLISH\n[msgconv]\ndefault=2\n"
                                  "1=MSGCONVBE.DLL\n2=MSGCONVLE.DLL\n6=MSGCONVLE.DLL\n");
    // The reader binds the settings library on its own; it takes the
    // program directory of the tests from this variable.
    ::setenv("ZERLO_DDFREADER_BINDIR", bin_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("ZERLO_DDFREADER_BINDIR");
    TempDirTest::TearDown();
  }

  // The description of FakeTarget::standard as a file.
  void writeDescription(uint8_t width) {
    ddfw::Description d = width == 4 ? ddfw::fixture4Byte(2) : ddfw::fixture2Byte(2);
    d.progMemAddr = 0x1000;
    d.progMemSize = 0x1000 / width;  // the reader reports size x address format
    d.progTableAddr = 0x200;
    d.progTableCount = 3;
    d.structInfoAddr = 0x300;
    d.structInfoSize = 64;
    d.modules = {{"BEG", 0x10}, {"END", 0x14}, {"AWW", 0x20}, {"JPZ", 0x24}};
    d.areas = {{"DW", 0x4000, 0x4000, 100, 2, 0}, {"PW", 0x5000, 0x5000, 100, 2, 0},
               {"B", 0x6000, 0x6000, 100, 8, 1},  {"A", 0x7000, 0x7000, 100, 8, 1},
               {"DF", 0x8000, 0x8000, 10, 4, 0},  {"SCRIPTTAB", 0x9000, 0x9000, 1, 64, 0},
               {"DT", 0xA000, 0xA000, 10, 18, 0}};
    d.segmented.clear();
    ASSERT_TRUE(ddfw::writeFile(path("target.ddf"), d));
  }

  RunResult compileWithLibraries(const std::string& text) {
    writeText(path("prog.zcd"), text);
    auto binder = cg::makeLibraryBinder({bin_, bin_});
    RunResult r;
    std::vector<std::string> args = {"cglink30.so", path("prog.zcd"), path("prog.lst"), path("target.ddf"),
                                     path("prog.mvl"), path("prog.err")};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    cg::RunOptions o;
    o.binder = binder.get();
    o.box = [&](const std::string& t, const std::string&, unsigned) { r.boxes.push_back(t); };
    r.result = cg::runCompile(static_cast<int>(argv.size()), argv.data(), &r.adv, o);
    r.hasDownload = std::filesystem::exists(args[4]);
    if (r.hasDownload) {
      std::string d = readAll(args[4]);
      r.download.assign(d.begin(), d.end());
    }
    r.hasMessages = std::filesystem::exists(args[5]);
    if (r.hasMessages) r.messages = splitLines(readAll(args[5]));
    r.prelimLeft = std::filesystem::exists(path("prog.TZC"));
    r.listing = readAll(args[2]);
    return r;
  }

  std::string bin_;
};

TEST_F(LibrariesTest, SmallProgramGivesTheHandImageForBothAddressWidths) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  writeText(path("data.bin"), "ABCDE");
  for (uint8_t w : {4, 2}) {
    SCOPED_TRACE(w);
    writeDescription(w);
    RunResult r = compileWithLibraries(smallProgram(path("data.bin")));
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.boxes.empty()) << r.boxes[0];
    EXPECT_TRUE(sink->shown().empty()) << sink->shown()[0].text;
    EXPECT_FALSE(r.hasMessages);
    EXPECT_FALSE(r.prelimLeft);
    EXPECT_EQ(r.adv.errors, 0u);
    EXPECT_EQ(r.adv.warnings, 0u);
    EXPECT_DOUBLE_EQ(r.adv.memoryUse, (w == 4 ? 84.0 : 42.0) / 4096.0 * 100.0);
    EXPECT_EQ(r.download, smallProgramImage(w));
    EXPECT_NE(r.listing.find(w == 4 ? "line:0005\tFUNC             AWW\t\t00000020 \n"
                                    : "1008 | 0020\n100A | 1010\n100C | 500A\n100E | 0007\n"),
              std::string::npos);
  }
}

TEST_F(LibrariesTest, ErrorProgramGivesItsMessagesAndNoDownload) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  writeDescription(4);
  writeText(path("prog.mvl"), "an earlier program");
  RunResult r = compileWithLibraries("&BEG\n : 10\n : 1\n&FOO\n : DW100\n&JPZ\n : %NOWHERE\n&END\n : 2\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{
                            "Processing " + path("prog.zcd"),
                            "Error in line 1 : Different task number in BEG and END block.",
                            "Error in line 4 : Functions FOO is not defined in target.",
                            "Error in line 5 : This program is too large. The number of function blocks must be reduced (DW not defined).",
                            "3 error(s), 0 warning(s). (Help: Press F1)"}));
  EXPECT_FALSE(r.hasDownload);
  EXPECT_FALSE(r.prelimLeft);
  EXPECT_EQ(r.adv.errors, 3u);
}

#ifdef CGLINK30_TEST_RESOURCES
TEST_F(LibrariesTest, ALanguageResourceLibraryReplacesMessageTexts) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  writeDescription(4);
  std::filesystem::create_directories(bin_ + "/ENGLISH");
  std::filesystem::create_symlink(CGLINK30_TEST_RESOURCES, bin_ + "/ENGLISH/CGLINK30RES.so");
  RunResult r = compileWithLibraries("&BEG\n : 10\n : 1\n&END\n : 2\n");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.messages, (std::vector<std::string>{"Processing " + path("prog.zcd"),
                                                  "Error in line 1 : Andere Tasknummer in BEG und END.",
                                                  "1 error(s), 0 warning(s). (Help: Press F1)"}));
}
#endif

TEST_F(LibrariesTest, MissingDescriptionIsReported) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  RunResult r = compileWithLibraries("&BEG\n : 10\n : 1\n&END\n : 1\n");
  EXPECT_EQ(r.boxes, (std::vector<std::string>{
                         "LINK : Fatal error !   Dynamic link library DDFREADER.DLL could not be initialized !"}));
  EXPECT_EQ(r.result, 0);
}

TEST_F(LibrariesTest, MissingSettingsLibraryIsReported) {
  std::filesystem::remove(bin_ + "/ObelTool.so");
  RunResult r = compileWithLibraries("&BEG\n : 10\n : 1\n&END\n : 1\n");
  EXPECT_EQ(r.boxes,
            (std::vector<std::string>{"LINK : Fatal error !   Dynamic link library OBELTOOL.DLL not found !"}));
}

TEST(ExportedEntries, AreFoundByNameAndRefuseTooFewArguments) {
  void* h = dlopen((std::string(ZERLO_BIN_DIR) + "/cglink30.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  auto adv = reinterpret_cast<link_advmain_t>(dlsym(h, "link_advmain"));
  auto plain = reinterpret_cast<link_main_t>(dlsym(h, "link_main"));
  ASSERT_NE(adv, nullptr);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(dlsym(h, "_ZN2cg10runCompileEiPPcP11CgAdvResultRKNS_10RunOptionsE"), nullptr) << "only the entries are exported";
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  {
    plat::ui::ScopedSink scoped(sink);
    const char* args[] = {"a", "b", "c", "d"};
    CgAdvResult res{7, 7, 7.0};
    EXPECT_EQ(adv(4, const_cast<char**>(args), &res), 0);
    EXPECT_EQ(res.errors, 7u);
    EXPECT_EQ(plain(0, nullptr), 0);
  }
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "LINK : Fatal error !   Call convention error ! Not enough arguments !");
  EXPECT_EQ(shown[0].caption, "LINK : ");
  EXPECT_EQ(shown[0].style, 0x10u);
  dlclose(h);
}

}  // namespace
}  // namespace cgtest
