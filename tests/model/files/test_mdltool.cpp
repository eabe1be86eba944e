// mdltool: dump and resave through its command table, and the golden dump of
// the sample project (ZERLO_REGENERATE=1 rewrites it).
#include "files_fixture.h"

#include "commands.h"

#include <fstream>
#include <sstream>

namespace modelfiles::test {
namespace {

class MdlTool : public FilesFixture {
protected:
  int run(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    // The tool works on a document of its own.
    DocumentRecord* saved = CurrentDocument;
    const int rc = mdltool::runCommandLine(args, o, e);
    CurrentDocument = saved;
    doc_StartUp();
    CurrentDocument = saved;
    out = o.str();
    err = e.str();
    return rc;
  }
};

TEST_F(MdlTool, DumpAndResave) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const auto original = readBytes("SAMPLE.MDL");
  std::string out, err;
  ASSERT_EQ(run({"dump", path("SAMPLE.MDL")}, out, err), 0) << err;
  EXPECT_NE(out.find("logic \"MAIN\""), std::string::npos);
  EXPECT_NE(out.find("type \"BLK\"/\"ADDER\""), std::string::npos);
  ASSERT_EQ(run({"resave", path("SAMPLE.MDL"), path("AGAIN.MDL")}, out, err), 0) << err;
  auto again = readBytes("AGAIN.MDL");
  // Only the main module's name (the file name) differs.
  ASSERT_EQ(again.size(), original.size());
  std::memcpy(again.data() + 16, original.data() + 16, 12);
  EXPECT_EQ(again, original);

  ASSERT_EQ(run({"dump", path("BLK.MCO")}, out, err), 0) << err;
  EXPECT_NE(out.find("type \"GAIN\""), std::string::npos);
}

#ifdef ZERLO_MDLTOOL_STEP
// step runs the main logic and prints the time and every gate's outputs.
TEST_F(MdlTool, StepPrintsTimeAndOutputs) {
  buildSample(false);  // built-in gates only: the fixture library holds no runnable code
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const std::string outFile = path("STEP.TXT");
  const std::string cmd = std::string(ZERLO_BIN_DIR) + "/mdltool step " + path("SAMPLE.MDL") + " 3 >" + outFile;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const auto bytes = readBytes("STEP.TXT");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("step 1 t="), std::string::npos) << text;
  EXPECT_NE(text.find("step 3 t="), std::string::npos) << text;
  EXPECT_NE(text.find("  G"), std::string::npos) << text;
  const std::string bad = std::string(ZERLO_BIN_DIR) + "/mdltool step " + path("SAMPLE.MDL") + " x >/dev/null 2>&1";
  EXPECT_NE(std::system(bad.c_str()), 0);
}
#endif

#ifdef ZERLO_MDLTOOL_RENDER
// render draws the main worksheet into a PNG of the sheet's size times the zoom.
TEST_F(MdlTool, RenderWritesThePicture) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  const std::string png = path("SAMPLE.PNG");
  const std::string cmd = std::string("QT_QPA_PLATFORM=offscreen ") + ZERLO_BIN_DIR + "/mdltool render " +
                          path("SAMPLE.MDL") + " " + png + " 0.5 >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const auto bytes = readBytes("SAMPLE.PNG");
  ASSERT_GT(bytes.size(), 24u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  // Width and height from the header: 1600 x 1130 at 0.5, plus the frame.
  auto be32 = [&](std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           bytes[at + 3];
  };
  EXPECT_EQ(be32(16), 802u);
  EXPECT_EQ(be32(20), 567u);
  const std::string bad = std::string(ZERLO_BIN_DIR) + "/mdltool render " + path("NONE.MDL") + " " + png +
                          " >/dev/null 2>&1";
  EXPECT_NE(std::system(bad.c_str()), 0);
}
#endif

// A document built record by record (no creation rules of the model), so
// that the golden text changes only when the file format or the dump does.
TEST_F(MdlTool, GoldenDumpOfAHandMadeProject) {
  ProjectModule* m = doc_MainModule(*doc);
  std::memcpy(m->Name, "HAND.MDL", 8);
  auto gate = [](int number, std::uint8_t kind, int x, int y, unsigned in, unsigned out, unsigned extra) {
    GateRecord* g = nullptr;
    EXPECT_TRUE(mm_New(g));
    g->Kind = kind;
    g->X = std::int16_t(x);
    g->Y = std::int16_t(y);
    g->GateNumber = std::uint16_t(number);
    g->UseCount = 1;
    g->AuxLong = 100;
    g->VectorDimension = 1;
    g->InputCount = std::uint16_t(in);
    g->OutputCount = std::uint16_t(out);
    g->ExtraCount = std::uint16_t(extra);
    if (in) { EXPECT_TRUE(mm_New(g->Inputs, in)); }
    if (out) { EXPECT_TRUE(mm_New(g->Outputs, out)); }
    if (extra) { EXPECT_TRUE(mm_New(g->Extra, extra)); }
    unsigned first = 1;
    for (unsigned i = 0; i < in; ++i) g->Inputs[i].Type = PinSignalType(i == 1 ? 22 : 20);
    for (unsigned i = 0; i < out; ++i) {
      g->Outputs[i] = OutputPin{std::uint16_t(first), PinSignalType(i == 0 ? 20 : 1), 0};
      first += elementCount(g->Outputs[i].Type);
    }
    for (unsigned i = 0; i < extra; ++i) g->Extra[i] = 0.5 * (i + 1);
    return g;
  };
  LogicRecord* l = nullptr;
  ASSERT_TRUE(mm_New(l));
  std::strcpy(l->Name, "HAND");
  l->StepBlock.interval = 0.25;
  l->StepBlock.maxIterations = 50;
  l->currentStep = l->previousStep = 0.25;
  std::strcpy(l->Text1, "first");
  l->Further[5] = 0x42;
  l->GateCounter = 3;
  GateRecord* a = gate(1, 30, 0, 0, 1, 2, 2);
  GateRecord* b = gate(2, 31, 100, 0, 2, 1, 0);
  GateRecord* c = gate(3, 31, 100, 100, 2, 1, 1);
  a->Next = b;
  b->Next = c;
  l->FirstGate = a;
  b->Inputs[0].Source = a;
  b->Inputs[0].SourcePin = 1;
  b->Inputs[0].Wire = wire({{40, 10}, {70, 10}, {70, 5}, {100, 5}});
  c->Inputs[0].Source = a;
  c->Inputs[0].SourcePin = 1;
  c->Inputs[0].BranchOf = b;
  c->Inputs[0].Wire = wire({{70, 8}, {70, 105}, {100, 105}});
  c->Inputs[0].Flags = kPinNegated | kPinAppliedNegation;
  c->Flags = kGateMirrored;
  m->List = l;
  doc->FirstLogic = doc->LastLogic = l;
  rebuildInstances();
  double v = 0;
  fillValues(l->FirstInstance, v);
  writeBytes("HAND.MDL", mdl_EncodeProject(*doc));
  std::string out, err;
  ASSERT_EQ(run({"dump", path("HAND.MDL"), "--run-fields"}, out, err), 0) << err;
  const std::string golden = std::string(ZERLO_TEST_DATA) + "/model/files/hand_dump.txt";
  if (std::getenv("ZERLO_REGENERATE")) std::ofstream(golden, std::ios::binary) << out;
  std::ifstream in(golden, std::ios::binary);
  std::stringstream want;
  want << in.rdbuf();
  EXPECT_EQ(out, want.str()) << "golden dump differs (ZERLO_REGENERATE=1 rewrites it)";
}

TEST_F(MdlTool, BadCallsAndFiles) {
  std::string out, err;
  EXPECT_EQ(run({}, out, err), 2);
  EXPECT_NE(err.find("mdltool dump FILE"), std::string::npos);
  EXPECT_EQ(run({"dump"}, out, err), 2);
  EXPECT_EQ(run({"frobnicate", "x"}, out, err), 2);
  writeBytes("BAD.MDL", {1, 2, 3, 4, 5});
  EXPECT_EQ(run({"dump", path("BAD.MDL")}, out, err), 1);
  EXPECT_EQ(run({"dump", path("BAD.MCO")}, out, err), 1);
  // Devices are no files: a link to an endless one is refused, not read.
  for (const char* name : {"RANDOM.MCO", "RANDOM.MDL"}) {
    SCOPED_TRACE(name);
    std::filesystem::create_symlink("/dev/urandom", path(name));
    EXPECT_EQ(run({"dump", path(name)}, out, err), 1);
    EXPECT_FALSE(err.empty());
  }
  std::filesystem::create_directory(path("DIR.MCO"));
  EXPECT_EQ(run({"dump", path("DIR.MCO")}, out, err), 1);
}

TEST_F(MdlTool, ResaveKeepsTheFileMode) {
  buildSample();
  ASSERT_EQ(mdl_SaveProjectAs(path("SAMPLE.MDL")), 1);
  namespace fs = std::filesystem;
  fs::permissions(path("SAMPLE.MDL"), fs::perms::owner_read | fs::perms::owner_write);
  std::string out, err;
  ASSERT_EQ(run({"resave", path("SAMPLE.MDL"), path("SAMPLE.MDL")}, out, err), 0) << err;
  EXPECT_EQ(fs::status(path("SAMPLE.MDL")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

// The standard block libraries as the build installs them beside the
// programs (LIBRARIES=../LIB), and the demo project that uses them.
class MdlToolDemo : public MdlTool {
protected:
  const std::string lib = std::string(ZERLO_BIN_DIR) + "/../LIB";
  void SetUp() override {
    MdlTool::SetUp();
    if (!std::filesystem::exists(lib + "/ZRLFB02.MCO")) GTEST_SKIP() << "the block library is not built";
    std::filesystem::copy_file(std::string(ZERLO_TEST_DATA) + "/blocklib/demoall.mdl", path("DEMOALL.MDL"));
  }
  static int connections(const std::string& dump) {
    int n = 0;
    for (std::size_t at = dump.find(" from gate "); at != std::string::npos; at = dump.find(" from gate ", at + 1)) ++n;
    return n;
  }
};

// A project saved by Zerlo names its libraries only: dump finds them in the
// library directory when they do not lie beside the project.
TEST_F(MdlToolDemo, DumpFindsTheLibrariesInTheLibraryDirectory) {
  std::string out, err;
  ASSERT_EQ(run({"dump", path("DEMOALL.MDL")}, out, err), 0) << err;
  EXPECT_NE(out.find("type \"STARTV3\""), std::string::npos);
  EXPECT_EQ(connections(out), 15);
}

// A block library cut short beside the project: its gates and all 15
// connections stay, resave refuses without --force and keeps them all with it.
TEST_F(MdlToolDemo, DamagedLibraryKeepsEveryConnectionThroughAResave) {
  const auto whole = [&] {
    std::string s;
    EXPECT_TRUE(plat::path::readFile(lib + "/ZRLFB02.MCO", s));
    return std::vector<std::uint8_t>(s.begin(), s.end());
  }();
  std::filesystem::copy_file(lib + "/EXTERNAL.MCO", path("EXTERNAL.MCO"));
  writeBytes("ZRLFB02.MCO", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 3000));
  std::string out, err;
  ASSERT_EQ(run({"dump", path("DEMOALL.MDL")}, out, err), 0) << err;
  EXPECT_NE(err.find("ZRLFB02.MCO was not loaded"), std::string::npos) << err;
  EXPECT_EQ(connections(out), 15);

  EXPECT_EQ(run({"resave", path("DEMOALL.MDL"), path("OUT.MDL")}, out, err), 1);
  EXPECT_NE(err.find("--force"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(path("OUT.MDL")));
  EXPECT_EQ(run({"resave", path("DEMOALL.MDL"), path("OUT.MDL"), "--frobnicate"}, out, err), 2);
  ASSERT_EQ(run({"resave", path("DEMOALL.MDL"), path("OUT.MDL"), "--force"}, out, err), 0) << err;

  writeBytes("ZRLFB02.MCO", whole);
  ASSERT_EQ(run({"dump", path("OUT.MDL")}, out, err), 0) << err;
  EXPECT_EQ(err.find("not loaded"), std::string::npos) << err;
  EXPECT_EQ(connections(out), 15);
}

} // namespace
} // namespace modelfiles::test
