// DdfReader.so loaded by its name, as the code generator and the online server
// library load it, with ObelTool and the message-conversion libraries of the
// program directory.
#include "ddfreader/ddf01.h"
#include "ddfreader/ddf_writer.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

const char* const kExports[] = {
    "DDF01_GetDLLVersion", "DDF01_Open", "DDF01_Close", "DDF01_PrettyPrint", "DDF01_GetFileVersion",
    "DDF01_GetTargetFormat", "DDF01_GetTargetAddressFormat", "DDF01_GetDevice", "DDF01_GetProzessorTyp",
    "DDF01_GetProgInfo", "DDF01_GetMinCycleTime", "DDF01_GetMVLAddressAndSize",
    "DDF01_GetMVLTableAddressAndSize", "DDF01_GetMVLStructInfoAddressAndSize", "DDF01_GetModulAddress",
    "DDF01_GetMemoryElementNumber", "DDF01_GetVarSizeAndAddress", "DDF01_ConvertStringToBin",
    "DDF01_ConvertLongToBin", "DDF01_ConvertWordToBin", "DDF01_ConvertFloatToBin", "DDF01_ConvertTextToBin",
    "DDF01_ConvertAddressToBin", "DDF01_ConvertDLBlockStartAddressToBin", "DDF01_ConvertBinToLong",
    "DDF01_ConvertBinToWord", "DDF01_ConvertBinToFloat", "DDF01_ConvertBinToText",
    "DDF01_BuildResourceRequest"};

// A program directory of the test's own for the settings: OBEL.INI names the
// converters of the build's program directory by absolute path.
class SettingsDir : public ::testing::Environment {
public:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) / ("ddfreader_lib_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    std::string bin = ZERLO_BIN_DIR;
    std::string ini = "[msgconv]\ndefault=2\n1=" + bin + "/MSGCONVBE.DLL\n2=" + bin + "/MSGCONVLE.DLL\n";
    ASSERT_TRUE(plat::path::writeFileAtomic((dir_ / "OBEL.INI").string(), ini));
    ::setenv("ZERLO_DDFREADER_BINDIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static std::string path(const std::string& name) { return (dir_ / name).string(); }

private:
  static inline std::filesystem::path dir_;
};

auto* const g_env = ::testing::AddGlobalTestEnvironment(new SettingsDir);

struct LibraryFixture : ::testing::Test {
  plat::lib::Handle h = nullptr;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped{sink};
  void SetUp() override {
    h = plat::lib::load("DDFREADER.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
  }
  void TearDown() override {
    if (auto close = fn<DDF01_Close_t>("DDF01_Close")) close();
    plat::lib::unload(h);
  }
  template <class F> F fn(const char* name) { return plat::lib::symbolAs<F>(h, name); }
};

}  // namespace

TEST_F(LibraryFixture, LoadsByNameWithEveryExport) {
  for (const char* name : kExports) EXPECT_NE(plat::lib::symbol(h, name), nullptr) << name;
  EXPECT_EQ(std::size(kExports), 29u);
  EXPECT_DOUBLE_EQ(fn<DDF01_GetDLLVersion_t>("DDF01_GetDLLVersion")(), 2.007);
  EXPECT_TRUE(sink->shown().empty());
}

TEST_F(LibraryFixture, OpensQueriesAndConvertsThroughTheConverterLibraries) {
  for (uint8_t format : {uint8_t(2), uint8_t(1)}) {
    SCOPED_TRACE(int(format));
    std::string p = SettingsDir::path("lib" + std::to_string(format) + ".ddf");
    ASSERT_TRUE(ddfw::writeFile(p, ddfw::fixture4Byte(format)));
    ASSERT_EQ(fn<DDF01_Open_t>("DDF01_Open")(p.c_str()), 1);
    uint16_t v = 0;
    EXPECT_EQ(fn<DDF01_GetFileVersion_t>("DDF01_GetFileVersion")(&v), 1);
    EXPECT_EQ(v, 301);
    uint32_t a = 0;
    EXPECT_EQ(fn<DDF01_GetModulAddress_t>("DDF01_GetModulAddress")("ADDW", &a), 0);
    EXPECT_EQ(a, 0x00400080u);
    DdfVarQuery q{"PW", 2, -1, 0, 0};
    EXPECT_EQ(fn<DDF01_GetVarSizeAndAddress_t>("DDF01_GetVarSizeAndAddress")(&q), 1);
    EXPECT_EQ(q.address, 0x001000C8u + 4);
    EXPECT_EQ(q.size, 2u);
    unsigned char buf[4] = {};
    DdfVarValue val{"PW", 2, -1, q.address, 2, buf};
    EXPECT_EQ(fn<DDF01_ConvertStringToBin_t>("DDF01_ConvertStringToBin")(&val, "258"), 1);
    EXPECT_EQ(buf[0], format == 1 ? 0x01 : 0x02);
    char dev[13];
    EXPECT_EQ(fn<DDF01_GetDevice_t>("DDF01_GetDevice")(dev, sizeof dev), 5);
    EXPECT_STREQ(dev, "FIXT4");
  }
  std::vector<unsigned char> req(1000);
  std::string res = std::string(ZERLO_BIN_DIR) + "/default.res";
  EXPECT_EQ(fn<DDF01_BuildResourceRequest_t>("DDF01_BuildResourceRequest")(req.data(), 1000, res.c_str()),
            4 + 26 * 14);
  std::string txt = SettingsDir::path("lib.txt");
  EXPECT_EQ(fn<DDF01_PrettyPrint_t>("DDF01_PrettyPrint")(SettingsDir::path("lib2.ddf").c_str(), txt.c_str()), 1);
  EXPECT_TRUE(std::filesystem::exists(txt));
  EXPECT_EQ(fn<DDF01_Close_t>("DDF01_Close")(), 1);
  uint16_t v = 0;
  EXPECT_EQ(fn<DDF01_GetFileVersion_t>("DDF01_GetFileVersion")(&v), 0);
  EXPECT_TRUE(sink->shown().empty());
}

TEST_F(LibraryFixture, UnconfiguredFormatIsReportedInBoxes) {
  std::string p = SettingsDir::path("nine.ddf");
  ASSERT_TRUE(ddfw::writeFile(p, ddfw::fixture4Byte(9)));
  EXPECT_EQ(fn<DDF01_Open_t>("DDF01_Open")(p.c_str()), 0);
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Fatal Error !   There is no message konverter specified for target format 9.");
  EXPECT_EQ(shown[0].caption, "DdfReader.dll");
  EXPECT_EQ(shown[0].style, plat::ui::MB_OK | plat::ui::MB_ICONHAND);
  EXPECT_EQ(shown[1].text, "Error !   Invalid device description format in file " + p + ".");
}

namespace {

// Queries from several threads while another opens the same description
// again and again: every answer is that of the whole description, never of
// one half read.
TEST_F(LibraryFixture, QueriesFromSeveralThreadsSeeWholeDescriptions) {
  const std::string p = SettingsDir::path("threads.ddf");
  ASSERT_TRUE(ddfw::writeFile(p, ddfw::fixture4Byte(2)));
  auto open = fn<DDF01_Open_t>("DDF01_Open");
  auto var = fn<DDF01_GetVarSizeAndAddress_t>("DDF01_GetVarSizeAndAddress");
  auto module = fn<DDF01_GetModulAddress_t>("DDF01_GetModulAddress");
  auto toBin = fn<DDF01_ConvertLongToBin_t>("DDF01_ConvertLongToBin");
  ASSERT_EQ(open(p.c_str()), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::thread reopen([&] {
    for (int i = 0; i < 200; ++i)
      if (open(p.c_str()) != 1) ++wrong;
    stop = true;
  });
  std::vector<std::thread> askers;
  for (int t = 0; t < 3; ++t)
    askers.emplace_back([&] {
      for (int i = 0; i < 5000 || !stop; ++i) {
        DdfVarQuery q{"PW", 2, -1, 0, 0};
        uint32_t a = 0;
        unsigned char b[4] = {};
        if (var(&q) != 1 || q.address != 0x001000C8u + 4 || module("ADDW", &a) != 0 || a != 0x00400080u ||
            toBin(0x01020304u, b, 4) != 1 || b[0] != 0x04)
          ++wrong;
      }
    });
  reopen.join();
  for (auto& t : askers) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_TRUE(sink->shown().empty());
}

}  // namespace
