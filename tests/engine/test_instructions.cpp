#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// Table tests of the instruction set: each case runs a step procedure on a
// hand-made instance and checks the output slots (REAL values or 16-bit words).
#include "engine/typefiles.h"
#include "modelfiles/filelayer.h"
#include <filesystem>
#include "harness.h"

#include "display/gdi.h"
#include "display/recording_device.h"

#include <cmath>
#include <optional>
#include <unistd.h>

namespace engine::test {

namespace {

const char* kConsts = R"(
r: real 1.5 -2.0 3.0 0.0
r2: real 1.5 5.0 3.0 -1.0
two: real 2.0
i: int 7 -3 -32768 -1 0 5 32767 1
w: word 0xF0F0 0x00FF 0xFFFF 0x0001
c: byte 200 10 0 0
zw: word 0
ow: word 1
loop: int 5 1
ix: int 3 5 2
neg: int -1
big: int 4
z: zero 160
txt: text "12.5"
itxt: text "-42"
btxt: text "10110"
)";

struct Case {
  const char* name;
  const char* step;
  std::vector<double> out;                                  // expected out slots from 0
  std::vector<std::pair<unsigned, std::uint16_t>> words;    // expected words at out byte offsets
  bool error = false;
};

const Case kCases[] = {
    {"mulr", "mulr const:r, const:r+8\nmovr out:0, stack:0\nend", {-3.0}},
    {"divr", "divr const:r, const:r+8\nmovr out:0, stack:0\nend", {-0.75}},
    {"addr", "addr const:r, const:r+8\nmovr out:0, stack:0\nend", {-0.5}},
    {"subr", "subr const:r, const:r+8\nmovr out:0, stack:0\nend", {3.5}},
    {"negr", "negr const:r\nmovr out:0, stack:0\nend", {-1.5}},
    {"addr vector", "addr/2 const:r, const:r+16\nmovr/2 out:0, stack:0\nend", {4.5, -2.0}},
    {"absr", "absr const:r+8\nmovr out:0, stack:0\nend", {2.0}},
    {"pow", "pow const:r+16, const:two\nmovr out:0, stack:0\nend", {9.0}},
    {"root", "root const:r2+8, const:two\nmovr out:0, stack:0\nend", {std::sqrt(5.0)}},
    {"sqrt", "sqrt const:r+16\nmovr out:0, stack:0\nend", {std::sqrt(3.0)}},
    {"itor", "itor const:i+2\nmovr out:0, stack:0\nend", {-3.0}},
    {"muli", "muli const:i, const:i+2\nmovi out:0, stack:0\nend", {}, {{0, std::uint16_t(-21)}}},
    {"muli wraps", "muli const:i+4, const:i+6\nmovi out:0, stack:0\nend", {}, {{0, 0x8000}}},
    {"divi", "divi const:i, const:i+2\nmovi out:0, stack:0\nend", {}, {{0, std::uint16_t(-2)}}},
    {"modi", "modi const:i, const:i+2\nmovi out:0, stack:0\nend", {}, {{0, 1}}},
    {"divi by zero gives 0", "divi const:i, const:i+8\nmovi out:0, stack:0\nend", {}, {{0, 0}}},
    {"modi by zero gives 0", "modi const:i, const:i+8\nmovi out:0, stack:0\nend", {}, {{0, 0}}},
    {"-32768 / -1 gives 0", "divi const:i+4, const:i+6\nmovi out:0, stack:0\nend", {}, {{0, 0}}},
    {"-32768 mod -1 gives 0", "modi const:i+4, const:i+6\nmovi out:0, stack:0\nend", {}, {{0, 0}}},
    {"addi wraps", "addi const:i+12, const:i+14\nmovi out:0, stack:0\nend", {}, {{0, 0x8000}}},
    {"subi", "subi const:i, const:i+2\nmovi out:0, stack:0\nend", {}, {{0, 10}}},
    {"negi", "negi const:i+4\nmovi out:0, stack:0\nend", {}, {{0, 0x8000}}},
    {"absi", "absi const:i+2\nmovi out:0, stack:0\nend", {}, {{0, 3}}},
    {"INT results take 4 bytes", "addi/2 const:i, const:i\nmovi out:0, stack:0\nmovi out:2, stack:4\nend", {},
     {{0, 14}, {2, std::uint16_t(-6)}}},
    {"andb", "andb/16 const:w, const:w+2\nmovw out:0, stack:0\nend", {}, {{0, 0x00F0}}},
    {"orb", "orb/16 const:w, const:w+2\nmovw out:0, stack:0\nend", {}, {{0, 0xF0FF}}},
    {"xorb", "xorb/16 const:w, const:w+2\nmovw out:0, stack:0\nend", {}, {{0, 0xF00F}}},
    {"notb", "notb/16 const:w\nmovw out:0, stack:0\nend", {}, {{0, 0x0F0F}}},
    {"notb partial word", "notb/4 const:w\nmovw out:0, stack:0\nend", {}, {{0, 0x000F}}},
    {"eqr", "eqr/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 5}}},
    {"ner", "ner/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 10}}},
    {"gtr", "gtr/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 8}}},
    {"ler", "ler/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 7}}},
    {"ltr", "ltr/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 2}}},
    {"ger", "ger/4 const:r, const:r2\nmovw out:0, stack:0\nend", {}, {{0, 13}}},
    {"relation over 17 elements pushes two words",
     "eqr/17 const:z, const:z\nmovw out:0, stack:0\nmovw out:2, stack:4\nend", {}, {{0, 0xFFFF}, {2, 1}}},
    {"eqi", "eqi/2 const:i, const:i\nmovw out:0, stack:0\nend", {}, {{0, 3}}},
    {"lti", "lti const:i, const:i+2\nmovw out:0, stack:0\nend", {}, {{0, 0}}},
    {"gei", "gei const:i, const:i+2\nmovw out:0, stack:0\nend", {}, {{0, 1}}},
    {"gtc unsigned", "gtc const:c, const:c+1\nmovw out:0, stack:0\nend", {}, {{0, 1}}},
    {"eqc", "eqc const:c+2, const:c+3\nmovw out:0, stack:0\nend", {}, {{0, 1}}},
    {"round keeps a half", "round const:r\nmovi out:0, stack:0\nend", {}, {{0, 1}}},
    {"trunc", "trunc const:r+8\nmovi out:0, stack:0\nend", {}, {{0, std::uint16_t(-2)}}},
    {"movc", "movc/3 out:0, const:c\nend", {}, {{0, 200 | (10 << 8)}}},
    {"movb 17 bits copies two words", "movb/17 out:0, const:w\nend", {}, {{0, 0xF0F0}, {2, 0x00FF}, {4, 0}}},
    {"movbytes", "movbytes/3 out:0, const:c\nend", {}, {{0, 200 | (10 << 8)}}},
    {"stop12 stops", "stop12\nmovr out:0, const:two\nend", {0.0}},
    {"jf2 jumps on clear bit", "jf2 @skip, const:zw\nmovr out:0, const:two\nskip:\nend", {0.0}},
    {"jump", "jmp @skip\nmovr out:0, const:two\nskip:\nend", {0.0}},
    {"jf jumps on clear bit", "jf @skip, const:zw\nmovr out:0, const:two\nskip:\nend", {0.0}},
    {"jf continues on set bit", "jf @skip, const:ow\nmovr out:0, const:two\nskip:\nend", {2.0}},
    {"for loop",
     "movi out:0, const:z\nmovi out:2, const:z\ntop:\ninci out:2, const:ow\nfor @top, out:0, const:loop\nend", {},
     {{0, 5}, {2, 6}}},
    {"for with step 0 repeats while at most the limit",
     "movi out:0, const:i+10\nmovi state:0, const:loop\nmovi state:2, const:z\nmovi out:2, const:z\ntop:\n"
     "inci out:2, const:ow\ninci out:0, const:ow\nfor @top, out:0, state:0\nend",
     {}, {{0, 6}, {2, 1}}},
    {"deci", "movi out:0, const:i\ndeci out:0, const:i+2\nend", {}, {{0, 10}}},
    {"bits", "movw out:0, const:z\nsbit out:0, const:big\ntbit const:big, out:0\nmovi out:2, stack:0\n"
             "cbit out:0, const:big\nend",
     {}, {{0, 0}, {2, 1}}},
    {"bit index below 1 stops", "tbit const:zw, out:0\nend", {}, {}, true},
    {"address of and plus n", "addrof out:0, in:8\naddrplus/8 out:4, out:0\nend"},
    {"first instruction stops", "stop\nmovr out:0, const:two\nend", {0.0}},
    {"abort sets the error byte", "abort\nend", {}, {}, true},
    {"enderr sets the error byte", "enderr", {}, {}, true},
    {"evaluation stack is bounded", "addr/1000 const:z, const:z\nend", {}, {}, true},
    {"operand beyond its area stops", "movr out:0, in:1000\nend", {}, {}, true},
    {"write to constants stops", "movr const:r, in:0\nend", {}, {}, true},
    {"missing operand stops", "movr out:0\nend", {}, {}, true},
    {"jump out of the code stops", "jmp const:0\nend", {}, {}, true},
    {"jump into an instruction stops", "jmp own:6\nend", {}, {}, true},
    {"endless loop ends at the instruction limit", "top:\njmp @top\nend", {}, {}, true},
    {"integration order above 4 stops", "integ #5, in:0, const:z, const:r, const:r, state:0\nend", {}, {}, true},
    {"rtotext texttor", "rtotext/8 const:r, state:0\ntexttor state:0\nmovr out:0, stack:0\nend", {1.5}},
    {"texttor", "texttor const:txt\nmovr out:0, stack:0\nend", {12.5}},
    {"texttoi", "texttoi const:itxt\nmovi out:0, stack:0\nend", {}, {{0, std::uint16_t(-42)}}},
    {"texttob", "texttob const:btxt\nmovw out:0, stack:0\nend", {}, {{0, 0b01101}}},
    {"btotext", "btotext/4 const:w+6, out:0\nend", {}, {{0, '1' | ('0' << 8)}, {2, '0' | ('0' << 8)}, {4, 0}}},
};

using Win = disp::DeviceWindow;

// A recording device made current for a test's drawing runs, released again
// at the end of its scope (also when an assertion ends the test early).
struct RecordingTarget {
  disp::RecordingDevice dev;
  Win win{&dev};
  RecordingTarget() {
    disp::gdi_ResetAll();
    disp::gdi_SetCurrent(&dev, &win);
  }
  ~RecordingTarget() { disp::gdi_SetCurrent(nullptr, nullptr); }
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Instructions : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(Instructions, Effect) {
  const Case& c = GetParam();
  Harness h;
  std::string err;
  ASSERT_TRUE(h.loadStep(c.step, kConsts, "", &err)) << err;
  vm().setBudget(100000);
  const std::uint8_t e = h.runStep();
  vm().setBudget(Vm::kDefaultBudget);
  EXPECT_EQ(e != 0, c.error) << vm().lastError();
  if (!c.error) {
    EXPECT_EQ(h.doc->runError, 0);
  }
  for (std::size_t k = 0; k < c.out.size(); ++k) EXPECT_DOUBLE_EQ(h.out[k], c.out[k]) << "slot " << k;
  for (const auto& [at, v] : c.words) EXPECT_EQ(h.outWord(at), v) << "byte " << at;
}

INSTANTIATE_TEST_SUITE_P(Table, Instructions, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           std::string n;
                           for (const char* p = i.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return n;
                         });

TEST(InstructionsMore, AddressesDifferByTheOffset) {
  Harness h;
  ASSERT_TRUE(h.loadStep("addrof out:0, in:8\naddrplus/8 out:8, out:0\nend"));
  EXPECT_EQ(h.runStep(), 0);
  std::uint32_t a, b;
  std::memcpy(&a, &h.out[0], 4);
  std::memcpy(&b, &h.out[1], 4);
  EXPECT_EQ(b - a, 8u);
}

TEST(InstructionsMore, ArrayAddress) {
  Harness h;
  // A := base + 2 x 3 + 5 x 2 (u16 products)
  ASSERT_TRUE(h.loadStep("aidx out:0, in:0, const:ix, const:ix+4, const:ix+2, const:ix+4\n"
                         "addrof out:8, in:0\nend",
                         kConsts));
  EXPECT_EQ(h.runStep(), 0);
  std::uint32_t a, base;
  std::memcpy(&a, &h.out[0], 4);
  std::memcpy(&base, &h.out[1], 4);
  EXPECT_EQ(a - base, 3u * 2 + 5 * 2);
}

TEST(InstructionsMore, TextConversionWritesAtMost255Digits) {
  Harness h;
  h.state.assign(64, -1.0);   // 512 bytes, filled
  ASSERT_TRUE(h.loadStep("itotext/1000 const:i, state:0\nend", kConsts));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  const char* s = reinterpret_cast<const char*>(h.state.data());
  const std::size_t len = strnlen(s, 512);
  EXPECT_LE(len, 255u);
  EXPECT_EQ(s[len], 0);
  // Nothing written after the 256-byte buffer.
  for (unsigned k = 32; k < 64; ++k) EXPECT_EQ(h.state[k], -1.0) << "slot " << k;
}

TEST(InstructionsMore, FilesRenameAndDelete) {
  Harness h;
  const std::string dir = ::testing::TempDir() + "/engine_ren_" + std::to_string(::getpid());
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
  const std::string from = dir + "/a.dat", to = dir + "/b.dat";
  std::memset(h.state.data(), 0, 136);
  std::memcpy(h.state.data(), from.c_str(), from.size());
  std::vector<std::uint8_t> name(to.begin(), to.end());
  name.push_back(0);
  std::string consts = "n: text \"" + to + "\"";
  ASSERT_TRUE(h.loadStep("frename state:0, const:n\nmovi out:0, stack:0\nfdelete state:0\nmovi out:2, stack:0\n"
                         "fdelete state:0\nmovi out:4, stack:0\nend",
                         consts));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.outWord(0), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.state.data())), to);   // the record took the new name
  EXPECT_EQ(h.outWord(2), 1);   // deleted
  EXPECT_EQ(h.outWord(4), 0);   // gone already
  std::FILE* f = std::fopen(from.c_str(), "r");
  EXPECT_EQ(f, nullptr);
  if (f) std::fclose(f);
}

TEST(InstructionsMore, CallPassesArgumentsAndReturnsWords) {
  Harness h;
  // The function doubles the INT whose address is the first argument word and
  // returns it as one result word.
  const char* code =
      "func dbl 16\n"
      "addi a4:16, a4:16\n"   // frame words 16..: unused, shows the frame is writable
      "ret/1 const:i\n"
      "end\n";
  ASSERT_TRUE(h.loadStep("call code:dbl\nstop\nmovi out:0, stack:0\nend", kConsts, code)) << vm().lastError();
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.outWord(0), 7);
}

// A called routine's evaluation stack starts after its frame: its pushes
// leave the arguments intact. fma(a, b) = a x b + a with 2 and 3 gives 8 (with
// the stack at the frame's base the first push overwrote a and gave 12).
TEST(InstructionsMore, CalleeStackStartsAfterItsFrame) {
  Harness h;
  const char* consts = "two: real 2.0\nthree: real 3.0\n";
  const char* code =
      "func fma 16\n"
      "mulr frame:0, frame:8\n"     // a x b: pushed after the 16-byte frame
      "addr stack:0, frame:0\n"     // + a, a still 2
      "ret/2 stack:8\n"
      "end\n"
      "func keep 0\n"               // frame 0: the stack starts at the frame as before
      "addr frame:0, frame:0\n"
      "ret/2 stack:0\n"
      "end\n";
  ASSERT_TRUE(h.loadStep("call code:fma\nmovr frame:0, const:two\nmovr frame:8, const:three\nstop\n"
                         "movr out:0, stack:0\n"
                         "call code:keep\nmovr frame:0, const:three\nstop\nmovr out:8, stack:0\nend",
                         consts, code))
      << vm().lastError();
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 8.0);
  EXPECT_EQ(h.out[1], 6.0);
}

TEST(InstructionsMore, RecursiveCallsStopAtTheDepthLimit) {
  Harness h;
  const char* code = "func rec 0\ncall code:rec\nstop\nend\n";
  ASSERT_TRUE(h.loadStep("call code:rec\nstop\nend", kConsts, code));
  EXPECT_EQ(h.runStep(), 1);
  EXPECT_NE(vm().lastError().find("deeply"), std::string::npos) << vm().lastError();
}

TEST(InstructionsMore, IndexCheckAlertTexts) {
  struct Row { std::int16_t index, bound, length; const char* text; };
  const Row rows[] = {
      {3, 10, 2, nullptr},
      {10, 10, 2, "[1][! INDEX-OVERFLOW !|Prim: T              |Line =    12 Col = 34 ][CONT]"},
      {-1, 10, 1, "[1][! INDEX-UNDERFLOW !|Prim: T              |Line =    12 Col = 34 ][CONT"},
  };
  for (const Row& r : rows) {
    Harness h;
    std::string consts = "idx: int " + std::to_string(r.index) + " " + std::to_string(r.bound) + " " +
                         std::to_string(r.length);
    ASSERT_TRUE(h.loadStep("ichk const:idx, const:idx+2, const:idx+4, #" + std::to_string(12 + (34 << 16)) +
                               "\nmovi out:0, const:idx\nend",
                           consts));
    const std::uint8_t e = h.runStep();
    if (!r.text) {
      EXPECT_EQ(e, 0);
      EXPECT_TRUE(h.services.calls.empty());
      continue;
    }
    EXPECT_EQ(e, 1);
    EXPECT_EQ(h.doc->runError, 1);
    EXPECT_EQ(h.out[0], 0.0);
    ASSERT_EQ(h.services.calls.size(), 1u);
    EXPECT_EQ(h.services.calls[0], std::string("notice Hinweis ") + r.text);
  }
}

TEST(InstructionsMore, IndexCheckWithMissingOperandIsUnderflow) {
  Harness h;
  ASSERT_TRUE(h.loadStep("ichk null, const:idx, const:idx, #0\nend", "idx: int 1"));
  EXPECT_EQ(h.runStep(), 1);
  ASSERT_EQ(h.services.calls.size(), 1u);
  EXPECT_NE(h.services.calls[0].find("INDEX-UNDERFLOW"), std::string::npos);
}

TEST(InstructionsMore, DrawingGoesThroughTheDrawingLayer) {
  Harness h;
  RecordingTarget target;
  disp::RecordingDevice& dev = target.dev;
  const char* consts =
      "pts: int 2 0 0 10 0 20 5\n"
      "rect: int 0 0 10 20\n"
      "mm: real 5.0 5.0 0.0 10.0\n"
      "cols: int 3 4\n";
  ASSERT_TRUE(h.loadStep("polyline const:pts, const:pts+2\n"
                         "barr const:mm, const:rect, const:mm+8, const:mm+8, const:cols, const:cols+2\n"
                         "barr const:mm, const:rect, const:mm+16, const:mm+24, const:cols, const:cols+2\n"
                         "polyline const:pts+12, const:pts\nend",
                         consts));
  vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 100, 200);
  const auto polylines = dev.withPrefix("polyline");
  ASSERT_FALSE(polylines.empty());
  EXPECT_EQ(polylines[0], "polyline 2: 100,200 110,200");   // relative to the drawing origin
  // Bar graphs: max = min fills nothing; 5 in 0..10 fills half of the 20 units.
  EXPECT_EQ(dev.withPrefix("rectangle"),
            (std::vector<std::string>{"rectangle 100,220,110,220", "rectangle 100,200,110,220",
                                      "rectangle 100,210,110,220", "rectangle 100,200,110,210"}));
  EXPECT_EQ(h.doc->runError, 0);
}

// The drawing run sets the document's current text height before the code runs.
TEST(InstructionsMore, DrawingRunSetsTheTextHeightFirst) {
  Harness h;
  RecordingTarget target;
  ASSERT_TRUE(h.loadStep("end"));
  disp::gdi_SetTextHeight(5, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(disp::gdi_Attributes().textClass, 0);
  vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 0, 0, 16);
  EXPECT_EQ(disp::gdi_Attributes().textClass, 2);
  disp::gdi_SetTextHeight(5, nullptr, nullptr, nullptr, nullptr);
  vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 0, 0);
  EXPECT_EQ(disp::gdi_Attributes().textClass, 2) << "the standard height 13 by default";
}

// Area 6 is the simulated logic's record image: the step block at 60,
// currentStep at 104, previousStep at 112; what the code changes there goes
// back into the logic after the run.
TEST(InstructionsMore, LogicAreaIsTheLogicRecordImage) {
  Harness h;
  model::LogicRecord* l = h.doc->SimLogic;
  l->StepBlock.simTime = 1.25;
  l->StepBlock.maxIterations = 17;
  l->currentStep = 0.5;
  l->previousStep = 0.25;
  ASSERT_TRUE(h.loadStep("movr out:0, logic:60\nmovr out:8, logic:104\nmovr out:16, logic:112\n"
                         "movi out:24, logic:100\nmovr logic:68, const:w\nmovr logic:4, const:w\nend",
                         "w: real 0.125"));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 1.25);
  EXPECT_EQ(h.out[1], 0.5);
  EXPECT_EQ(h.out[2], 0.25);
  EXPECT_EQ(h.outWord(24), 17);
  EXPECT_EQ(l->StepBlock.interval, 0.125) << "the step block goes back";
  EXPECT_STREQ(l->Name, "") << "the rest of the image is read-only";
  // Beyond the image: stopped.
  ASSERT_TRUE(h.loadStep("movr out:0, logic:236\nend"));
  EXPECT_EQ(h.runStep(), 1);
}

TEST(InstructionsMore, PointListOver100IsRefused) {
  Harness h;
  ASSERT_TRUE(h.loadStep("polyline const:n, const:n\nend", "n: int 101 0 0"));
  vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 0, 0);
  EXPECT_EQ(h.doc->runError, 1);
}

TEST(InstructionsMore, FilesWriteReadAndClose) {
  Harness h;
  const std::string dir = ::testing::TempDir() + "/engine_files_" + std::to_string(::getpid());
  std::string cmd = "mkdir -p '" + dir + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string path = dir + "/rec.txt";
  // The file record lives in the state slots: path at 0, handle at 134.
  std::memset(h.state.data(), 0, 136);
  std::memcpy(h.state.data(), path.c_str(), path.size());
  ASSERT_TRUE(h.loadStep("fcreate state:0\nmovi out:0, stack:0\n"
                         "fwrite/4 state:0, const:t\nmovi out:2, stack:0\n"
                         "fseek state:0, const:zero, const:m\n"
                         "fread/4 state:0, out:8\nmovi out:4, stack:0\n"
                         "fclose state:0\nmovi out:6, stack:0\n"
                         "fisopen state:0\nmovi out:16, stack:0\n"
                         "fread/4 state:0, out:24\nmovi out:18, stack:0\nend",
                         "t: text \"abcd\"\nzero: long 0\nm: int -1"));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.outWord(0), 1);
  EXPECT_EQ(h.outWord(2), 1);
  EXPECT_EQ(h.outWord(4), 1);
  EXPECT_EQ(h.outWord(6), 1);
  EXPECT_EQ(std::memcmp(&h.out[1], "abcd", 4), 0);
  EXPECT_EQ(h.outWord(16), 0);
  EXPECT_EQ(h.outWord(18), 0);   // a closed record reads nothing
  std::remove(path.c_str());
}

// The data files of a compiled type: a file field (type 4) of the described
// parameters names a file record; closing closes only a file opened for that
// very record, and marks every such record closed.
TEST(InstructionsMore, TypeDataFilesCloseOnlyTheirOwnFile) {
  Harness h;
  const std::string dir = ::testing::TempDir() + "/engine_typefiles_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/data.bin";
  std::memset(h.state.data(), 0, 136);
  std::memcpy(h.state.data(), path.c_str(), path.size());
  ASSERT_TRUE(h.loadStep("fcreate state:0\nmovi out:0, stack:0\nend", ""));
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  auto* record = reinterpret_cast<std::uint8_t*>(h.state.data());
  ASSERT_TRUE(vm_FileOpenFor(record));
  // One described field: type 4 at offset 0 of the block.
  std::uint8_t field[kTypeFieldSize] = {};
  field[0] = kTypeFieldFile;
  // A copy of the record (as read from a project file) carries the same
  // handle number but never closes the file.
  std::vector<std::uint8_t> copy(record, record + 136);
  EXPECT_FALSE(gt_CloseRecordFiles(field, 1, copy.data(), copy.size(), true));
  std::int16_t handle = 0;
  std::memcpy(&handle, copy.data() + 134, 2);
  EXPECT_EQ(handle, -1);
  EXPECT_TRUE(vm_FileOpenFor(record));
  // A record that does not lie whole in the block is left alone.
  EXPECT_FALSE(gt_CloseRecordFiles(field, 1, record, 100, true));
  EXPECT_TRUE(vm_FileOpenFor(record));
  // Its own record closes it.
  EXPECT_TRUE(gt_CloseRecordFiles(field, 1, record, 136, true));
  std::memcpy(&handle, record + 134, 2);
  EXPECT_EQ(handle, -1);
  EXPECT_FALSE(vm_FileOpenFor(record));
  std::filesystem::remove_all(dir);
}

// Choosing a type's data file: ".*" into an empty mask, the last component
// of the path proposed, the chosen file into the path.
TEST(InstructionsMore, SelectRecordFileProposesTheLastComponent) {
  struct Files : modelfiles::FileServices {
    std::string pattern;
    bool fileDialog(modelfiles::FileDialog, const std::string& p, std::string& chosen) override {
      pattern = p;
      chosen = "NEW.DAT";
      return true;
    }
  } files;
  modelfiles::FileServices* previous = modelfiles::setFileServices(&files);
  std::uint8_t record[136] = {};
  const std::string path = "/tmp/somewhere/OLD.DAT";
  std::memcpy(record, path.data(), path.size());
  const std::int16_t foreign = 3;
  std::memcpy(record + 134, &foreign, 2);
  EXPECT_TRUE(gt_SelectRecordFile(record));
  EXPECT_STREQ(reinterpret_cast<char*>(record + 128), ".*");
  EXPECT_EQ(files.pattern, "/tmp/somewhere/*.*");
  EXPECT_STREQ(reinterpret_cast<char*>(record), "/tmp/somewhere/NEW.DAT");
  std::int16_t handle = 0;
  std::memcpy(&handle, record + 134, 2);
  EXPECT_EQ(handle, -1);
  modelfiles::setFileServices(previous);
}

} // namespace engine::test

namespace engine::test {

TEST(InstructionShapes, EveryOpcodeHasItsLength) {
  auto in = [](unsigned op, std::initializer_list<unsigned> l) {
    for (unsigned x : l) if (x == op) return true;
    return false;
  };
  for (unsigned op = 0; op < 256; ++op) {
    const bool valid = op <= 56 || (op >= 60 && op <= 135) || op == 210;
    unsigned count = 0, len = 0;
    EXPECT_EQ(instrShape(op, 1, count, len), valid) << op;
    if (!valid) continue;
    unsigned want;
    if (in(op, {91, 116, 117, 119, 120})) want = 8;
    else if (op == 118) want = 12;
    else if (op == 69) want = 20;   // n = 1
    else if (in(op, {34, 35, 70, 77, 79, 84, 123})) want = 32;
    else if (in(op, {87, 90, 94, 95, 96, 135})) want = 36;
    else if (in(op, {82, 83, 97})) want = 44;
    else if (in(op, {33, 85, 86, 92, 93})) want = 48;
    else if (op == 2 || op == 6 || op == 8 || (op >= 36 && op <= 43) || (op >= 45 && op <= 49) ||
             (op >= 51 && op <= 56) || in(op, {60, 61, 66, 80, 81, 88, 89, 124, 125, 126, 128, 130, 132, 134, 210}) ||
             (op >= 98 && op <= 101) || (op >= 103 && op <= 111))
      want = 20;
    else want = 24;
    EXPECT_EQ(len, want) << "opcode " << op;
  }
  unsigned count = 0, len = 0;
  for (unsigned op : {121u, 122u, 129u, 131u, 133u}) {
    instrShape(op, 0, count, len);
    EXPECT_EQ(len, 32u) << op;
    instrShape(op, 5, count, len);
    EXPECT_EQ(len, 24u) << op;
  }
  struct Row { unsigned n, len; };
  for (Row r : {Row{0, 8}, Row{1, 20}, Row{2, 24}, Row{3, 32}, Row{4, 36}, Row{7, 56}}) {
    instrShape(69, r.n, count, len);
    EXPECT_EQ(len, r.len) << r.n;
    EXPECT_EQ(count, r.n);
  }
}

TEST(InstructionsMath, OneAndTwoOperandFunctions) {
  struct Row { const char* op; double x; double expect; };
  const Row rows[] = {
      {"asin", 0.5, std::asin(0.5)}, {"acos", 0.5, std::acos(0.5)}, {"atan", 1.0, std::atan(1.0)},
      {"cos", 1.0, std::cos(1.0)},   {"ln", 2.0, std::log(2.0)},    {"log", 1000.0, 3.0},
      {"sin", 1.0, std::sin(1.0)},   {"tan", 0.5, std::tan(0.5)},   {"exp", 1.5, std::exp(1.5)},
      {"exp", -1.5, std::exp(-1.5)}, {"sinh", 0.5, std::sinh(0.5)}, {"cosh", 0.5, std::cosh(0.5)},
      {"tanh", 0.5, std::tanh(0.5)}, {"asinh", 0.5, std::asinh(0.5)}, {"acosh", 1.5, std::acosh(1.5)},
      {"atanh", 0.5, std::atanh(0.5)}};
  for (const Row& r : rows) {
    Harness h;
    ASSERT_TRUE(h.loadStep(std::string(r.op) + " in:0\nmovr out:0, stack:0\nend"));
    h.in[0] = r.x;
    EXPECT_EQ(h.runStep(), 0) << r.op;
    EXPECT_NEAR(h.out[0], r.expect, 1e-9) << r.op << "(" << r.x << ")";
  }
}

TEST(InstructionsIntegration, InitialValueAndRestart) {
  Harness h;
  // intinit sets rows q+1 and q+2 from the vector; intrestart copies row q+2
  // back into the vector and row q+1.
  ASSERT_TRUE(h.loadStep("intinit/2 #1, in:0, state:0\nintrestart/2 #1, out:0, state:0\nend"));
  h.in[0] = 3.0;
  h.in[1] = 4.0;
  h.state.assign(64, 9.0);
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  // Layout: i16 counter, u16 order, then rows of 2 values from byte 4.
  const char* base = reinterpret_cast<const char*>(h.state.data());
  auto row = [&](int r, int e) { double v; std::memcpy(&v, base + 4 + (r - 1) * 16 + 8 * e, 8); return v; };
  std::uint16_t m;
  std::memcpy(&m, base + 2, 2);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(row(1, 0), 0.0);   // rows 1..q cleared
  EXPECT_EQ(row(2, 0), 3.0);
  EXPECT_EQ(row(3, 1), 4.0);
  EXPECT_EQ(h.out[0], 3.0);
  EXPECT_EQ(h.out[1], 4.0);
}

TEST(InstructionsIntegration, AcceptedStepPushesTheSameValuesAgain) {
  Harness h;
  ASSERT_TRUE(h.loadStep("integ #1, in:0, const:o, const:lo, const:hi, state:0\nmovr out:0, stack:0\nend",
                         "o: int 0 0\nreal 0\nlo: real -100\nhi: real 100"));
  h.in[0] = 5.0;
  h.doc->firstIteration = 1;
  h.doc->acceptStep = 0;
  EXPECT_EQ(h.runStep(), 0);   // order 0: holds
  EXPECT_EQ(h.out[0], 0.0);
  h.doc->firstIteration = 0;
  h.doc->acceptStep = 1;
  EXPECT_EQ(h.runStep(), 0);   // accept: order 1
  h.out[0] = -7;
  EXPECT_EQ(h.runStep(), 0);   // accepted already: the same value again
  EXPECT_EQ(h.out[0], 0.0);
  h.doc->firstIteration = 1;
  h.doc->acceptStep = 0;
  EXPECT_EQ(h.runStep(), 0);   // next step: Euler with width 0.1
  EXPECT_DOUBLE_EQ(h.out[0], 0.5);
  h.in[0] = 5000.0;
  h.doc->firstIteration = 0;
  EXPECT_EQ(h.runStep(), 0);   // clamped to the upper limit
  EXPECT_DOUBLE_EQ(h.out[0], 100.0);
}

TEST(InstructionsDrawing, EveryDrawingInstructionReachesTheDevice) {
  const char* consts =
      "p: int 2 0 0 10 10 0 0 0\n"
      "r: int 0 0 10 10 3 4 5 6\n"
      "t: text \"AB\"\n"
      "rv: real 1.5 2.5\n"
      "w: word 5\n";
  struct Row { const char* code; const char* prefix; };
  const Row rows[] = {
      {"polyline const:p, const:p+2", "polyline"}, {"fillarea const:p, const:p+2", "polygon"},
      {"textw const:r, const:r+2, const:t", "text"}, {"text const:r, const:r+2, const:t, const:r", "text"},
      {"bar const:r", "rectangle"}, {"recfill const:r", "fillrect"}, {"roundbox const:r", "polyline"},
      {"rfbox const:r", "roundrect"}, {"circle const:r+4, const:r+6, const:r+8", "ellipse"},
      {"ellipse const:r+4, const:r+6, const:r+8, const:r+10", "ellipse"},
      {"gateframe", "polyline"}, {"showr/2 const:rv, const:r, const:r, const:r+8", "text"},
      {"showi/1 const:r+8, const:r, const:r, const:r+8", "text"}, {"showb/3 const:w, const:r, const:r, const:r+8", "text"},
      {"seltext const:r, const:r, const:r, const:t, const:t", "text"}};
  for (const Row& r : rows) {
    Harness h;
    RecordingTarget target;
    disp::RecordingDevice& dev = target.dev;
    std::string err;
    ASSERT_TRUE(h.loadStep(std::string(r.code) + "\nend", consts, "", &err)) << r.code << ": " << err;
    h.gate.Kind = model::kKindCompiled;
    h.gate.Sub = h.type();
    vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 0, 0);
    EXPECT_EQ(h.doc->runError, 0) << r.code << ": " << vm().lastError();
    bool seen = false;
    for (const std::string& c : dev.calls) seen = seen || c.rfind(r.prefix, 0) == 0;
    EXPECT_TRUE(seen) << r.code << ": " << ::testing::PrintToString(dev.calls);
  }
}

// The frame's inner line lies inside the input side: the left edge, or the
// right edge of a mirrored gate (flag bit 0); shared parameters (bit 1) do
// not move it.
TEST(InstructionsDrawing, GateFrameLineFollowsTheMirrorFlagOnly) {
  const struct { std::uint16_t flags; bool right; } cases[] = {
      {0, false}, {model::kGateSharedExtra, false}, {model::kGateMirrored, true},
      {model::kGateMirrored | model::kGateSharedExtra, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    Harness h;
    RecordingTarget target;
    disp::RecordingDevice& dev = target.dev;
    std::string err;
    ASSERT_TRUE(h.loadStep("gateframe\nend", "", "", &err)) << err;
    h.gate.Kind = model::kKindCompiled;
    h.gate.Sub = h.type();
    h.gate.Flags = c.flags;
    vm().runDrawing(&h.gate, &h.inst, h.type()->StepProc, 0, 0);
    std::vector<std::string> lines;
    for (const std::string& call : dev.calls)
      if (call.rfind("polyline 2:", 0) == 0) lines.push_back(call);
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(dev.calls);
    const int w = h.type()->Width;
    const std::string x = std::to_string(c.right ? w - 2 : 2);
    EXPECT_EQ(lines[0].rfind("polyline 2: " + x + ",", 0), 0u) << lines[0] << " width " << w;
  }
}

} // namespace engine::test
