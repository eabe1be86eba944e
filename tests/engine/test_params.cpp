// Block parameters and parameter lists: write / read round trips, the exact
// text layout, prompt and read-mode asking, list numbering and nesting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <unistd.h>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/paramlist.h"
#include "engine/params.h"
#include "platform/paths.h"

using namespace engine;
using model::GateInstance;
using model::GateRecord;

namespace {

struct ScriptDialogs : ParamDialogs {
  std::deque<double> answers;  // next answer; NaN = Cancel
  std::vector<std::string> asked;
  std::vector<int> messages;
  bool next(const std::string& p, double& v) {
    asked.push_back(p);
    if (answers.empty() || answers.front() != answers.front()) return false;
    v = answers.front();
    answers.pop_front();
    return true;
  }
  bool promptReal(const std::string& p, double& v) override { return next(p, v); }
  bool promptInt(const std::string& p, std::int16_t& v) override {
    double d; if (!next(p, d)) return false; v = std::int16_t(d); return true;
  }
  bool promptBool(const std::string& p, bool& v) override {
    double d; if (!next(p, d)) return false; v = d != 0; return true;
  }
  bool promptWord(const std::string& p, std::uint16_t& v, int) override {
    double d; if (!next(p, d)) return false; v = std::uint16_t(d); return true;
  }
  bool promptText(const std::string& p, std::string& v, std::size_t) override {
    double d; if (!next(p, d)) return false; v = "asked"; return true;
  }
  void message(int id) override { messages.push_back(id); }
};

// A gate with its instance; values owned here.
struct TestGate {
  GateRecord g{};
  GateInstance in{};
  std::vector<double> extra, state;
  model::OutputPin out{};
  model::LogicRecord sub{};
  TestGate(unsigned kind, std::vector<double> x, unsigned outType = 20, std::vector<double> s = {})
      : extra(std::move(x)), state(std::move(s)) {
    g.Kind = std::uint8_t(kind);
    g.ExtraCount = std::uint16_t(extra.size());
    g.OutputCount = 1;
    out.Type = std::uint16_t(outType);
    g.Outputs = &out;
    in.ExtraValues = extra.data();
    in.ExtraSlotCount = std::uint16_t(extra.size());
    in.StateValues = state.empty() ? nullptr : state.data();
    in.StateSlotCount = std::uint16_t(state.size());
  }
  ParamCall call(ParamMode m, std::uint16_t nr = 1, bool global = false) {
    ParamCall c; c.gate = &g; c.instance = &in; c.mode = m; c.gateNumber = nr; c.global = global;
    return c;
  }
};

double word(std::uint16_t w) { double d = 0; pf_SetSlotWord(d, w); return d; }

} // namespace

TEST(Params, GoldenTextOfOneGate) {
  TestGate t(57, {2.5, 0.25});
  ParamText text;
  EXPECT_TRUE(gp_GateParams(t.call(ParamMode::Write, 7), text, nullptr));
  EXPECT_EQ(text.text,
            "$ Gate No.  7  : Hyst.-Switch;\r\n"
            "    Setpoint                      = 2.5         ;\r\n"
            "    Bandwidth                     = 0.5         ;\r\n");
}

TEST(Params, GlobalGateUsesColonAndIsSkippedOnRead) {
  TestGate t(58, {3.0, -4.0});
  ParamText text;
  gp_GateParams(t.call(ParamMode::Write, 2, true), text, nullptr);
  EXPECT_NE(text.text.find("  (GLOBAL);"), std::string::npos);
  EXPECT_NE(text.text.find("Upper Limit                   : 3"), std::string::npos);
  t.extra = {9.0, 9.0};
  t.in.ExtraValues = t.extra.data();
  text.pos = 0;
  gp_GateParams(t.call(ParamMode::Read, 2), text, nullptr);
  EXPECT_EQ(t.extra, (std::vector<double>{9.0, 9.0}));
}

TEST(Params, RoundTripPerKind) {
  struct Case { unsigned kind; std::vector<double> x; unsigned outType; std::vector<double> state; };
  const Case cases[] = {
      {4, {1.5}, 1, {}}, {7, {0.5, 2.0}, 1, {}}, {13, {word(120)}, 20, {}},
      {28, {word(3), 1e-6, 4.0}, 20, {0.75}}, {78, {word(2), 1e-7, 2.0, 10.0, -10.0}, 20, {1.0}},
      {42, {0.5, 1.0, 9.0}, 20, {2.0}}, {49, {word(1)}, 1, {}}, {50, {word(0xAB)}, 8, {}},
      {51, {1.0, -2.0, 3.5}, 22, {}}, {53, {word(12)}, 1, {}}, {54, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 20, {}},
      {69, {word(2), 10.0, 1.0, 0.5}, 20, {}}, {72, {word(5), 1e-5}, 20, {3.0}},
      {8, {}, 1, {word(1)}}, {43, {}, 20, {word(1234)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    TestGate a(c.kind, c.x, c.outType, c.state);
    ParamText text;
    gp_GateParams(a.call(ParamMode::Write, 3), text, nullptr);
    TestGate b(c.kind, std::vector<double>(c.x.size(), 0.0), c.outType, std::vector<double>(c.state.size(), 0.0));
    if (c.kind == 7) b.extra = {0.0, 0.0};
    text.pos = 0;
    EXPECT_TRUE(gp_GateParams(b.call(ParamMode::Read, 3), text, nullptr)) << text.text;
    auto same = [&](double x, double y) {
      if (std::fabs(x) < 1e-300) EXPECT_EQ(pf_SlotWord(x), pf_SlotWord(y)) << text.text;
      else EXPECT_NEAR(x, y, 1e-12 * std::max(1.0, std::fabs(x))) << text.text;
    };
    for (std::size_t i = 0; i < c.x.size(); ++i) same(a.extra[i], b.extra[i]);
    for (std::size_t i = 0; i < c.state.size(); ++i) same(a.state[i], b.state[i]);
  }
}

TEST(Params, VectorOfNineInLinesOfFour) {
  TestGate t(55, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  ParamText text;
  gp_GateParams(t.call(ParamMode::Write, 1), text, nullptr);
  EXPECT_EQ(text.text,
            "$ Gate No.  1  : Vec.-Summation;\r\n"
            "    Vector                        =\r\n"
            "      1.0         , 2.0         , 3.0         , 4.0         ,\r\n"
            "      5.0         , 6.0         , 7.0         , 8.0         ,\r\n"
            "      9.0         ;\r\n");
}

TEST(Params, ReadTokensBoolAndLevel) {
  struct Case { unsigned kind; unsigned outType; const char* value; std::uint16_t expect; };
  const Case cases[] = {{49, 1, "t", 1}, {49, 1, "TRUE", 1}, {49, 1, "x", 0},
                        {53, 1, "Z", 15}, {53, 1, "c", 2}, {53, 1, "1", 0}};
  for (const Case& c : cases) {
    TestGate t(c.kind, {word(7)}, c.outType);
    ParamText text{std::string("$ Gate No.  1  : ") + (c.kind == 49 ? "Bin.-Constant" : "Dialogue") +
                   ";\r\n    P = " + c.value + ";\r\n"};
    gp_GateParams(t.call(ParamMode::Read, 1), text, nullptr);
    EXPECT_EQ(pf_SlotWord(t.extra[0]), c.expect) << c.value;
  }
}

TEST(Params, QuestionMarkAsksInReadMode) {
  TestGate t(58, {1.0, 2.0});
  ParamText text{"$ Gate No.  1  : Limitation;\r\n    Upper Limit ? 5.0;\r\n    Lower Limit = -3.0;\r\n"};
  ScriptDialogs d;
  d.answers = {42.0};
  gp_GateParams(t.call(ParamMode::Read, 1), text, &d);
  EXPECT_EQ(t.extra, (std::vector<double>{42.0, -3.0}));
  ASSERT_EQ(d.asked.size(), 1u);
  EXPECT_EQ(d.asked[0], "Upper Limit ?");
}

TEST(Params, PromptModeAndCancel) {
  TestGate t(57, {1.0, 0.5});
  ScriptDialogs d;
  d.answers = {3.0, -4.0};
  EXPECT_TRUE(pf_EditBlock(t.call(ParamMode::Prompt), *std::make_unique<ParamText>(), &d));
  EXPECT_EQ(t.extra, (std::vector<double>{3.0, 2.0}));
  ScriptDialogs cancel;
  cancel.answers = {7.0, std::nan("")};
  ParamText none;
  EXPECT_FALSE(pf_EditBlock(t.call(ParamMode::Prompt), none, &cancel));
  EXPECT_EQ(t.extra[0], 7.0);
}

TEST(Params, HeaderOfAnotherGateOrTypeKeepsValues) {
  TestGate t(58, {1.0, 2.0});
  ParamText text{"$ Gate No.  2  : Limitation;\r\n    Upper Limit = 5.0;\r\n"
                 "$ Gate No.  1  : Dead-Band;\r\n    Right Limit = 6.0;\r\n"};
  EXPECT_FALSE(gp_GateParams(t.call(ParamMode::Read, 1), text, nullptr));
  EXPECT_EQ(t.extra, (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(text.pos, 0u);
}

TEST(Params, DefaultsAndBargraphGuard) {
  std::vector<double> x(4, 0.0);
  pf_SetParamDefaults(52, x.data(), x.size());
  EXPECT_EQ(x[2], 1.0);
  x[0] = 4.0;
  pf_SetParamDefaults(52, x.data(), x.size());
  EXPECT_EQ(x[2], 0.25);
  std::vector<double> y(3, 0.0);
  pf_SetParamDefaults(28, y.data(), y.size());
  EXPECT_EQ(pf_SlotWord(y[0]), 2);
  EXPECT_EQ(y[1], 1.0e-7);
  EXPECT_EQ(y[2], 1.0);
  std::vector<double> one(1, 0.0);
  pf_SetParamDefaults(7, one.data(), one.size());  // never past the values
  EXPECT_EQ(one[0], 1.0);
}

TEST(Params, IoValuePromptAndUndefinedType) {
  ScriptDialogs d;
  double v = 0;
  d.answers = {0x1FF};
  EXPECT_TRUE(pf_PromptIoValue(d, 8, v));
  EXPECT_EQ(pf_SlotWord(v), 0xFF);
  EXPECT_EQ(d.asked.back(), "Digital Value ?");
  EXPECT_FALSE(pf_PromptIoValue(d, 19, v));
  EXPECT_EQ(d.messages, std::vector<int>{40017});
}

namespace {
// A 48-byte descriptor.
std::vector<std::uint8_t> field(std::uint8_t type, std::uint16_t count, const char* prompt, std::uint16_t offset,
                                std::int16_t x = 0, std::int16_t y = 0, std::int16_t w = 10, std::int16_t h = 10) {
  std::vector<std::uint8_t> r(48, 0);
  r[0] = type; r[1] = std::uint8_t(count); r[2] = std::uint8_t(count >> 8);
  std::memcpy(&r[3], prompt, std::min<std::size_t>(std::strlen(prompt), 33));
  auto put = [&](int o, std::int16_t v) { r[o] = std::uint8_t(v); r[o + 1] = std::uint8_t(std::uint16_t(v) >> 8); };
  put(36, x); put(38, y); put(40, w); put(42, h); put(44, std::int16_t(offset));
  return r;
}
} // namespace

TEST(Params, DescribedFieldsRoundTripAndBounds) {
  std::vector<std::uint8_t> raw;
  for (auto f : {field(1, 1, "Gain", 0), field(2, 1, "%3Count", 8), field(3, 12, "Label", 16),
                 field(1, 3, "Vec", 32), field(1, 1, "Outside", 64), field(0, 4, "Bits", 56)})
    raw.insert(raw.end(), f.begin(), f.end());
  model::GateTypeRecord type{};
  std::memcpy(type.Name, "MYBLOCK", 8);
  type.ParamFields = raw.data();
  type.ParamFieldCount = 6;
  auto make = [&] {
    auto t = std::make_unique<TestGate>(133, std::vector<double>(8, 0.0));
    t->g.Sub = &type;
    return t;
  };
  auto a = make();
  a->extra[0] = 1.25;
  pf_SetSlotWord(a->extra[1], 17);
  std::memcpy(&a->extra[2], "one;two", 7);
  a->extra[4] = 1; a->extra[5] = 2; a->extra[6] = 3;
  pf_SetSlotWord(a->extra[7], 0x9);
  ParamText text;
  gp_GateParams(a->call(ParamMode::Write, 4), text, nullptr);
  EXPECT_NE(text.text.find("    Label                         =one,two;"), std::string::npos) << text.text;
  EXPECT_EQ(text.text.find("Outside"), std::string::npos);  // offset 64 + 8 lies past the 64 bytes
  auto b = make();
  text.pos = 0;
  gp_GateParams(b->call(ParamMode::Read, 4), text, nullptr);
  EXPECT_EQ(b->extra[0], 1.25);
  EXPECT_EQ(pf_SlotWord(b->extra[1]), 17);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&b->extra[2])), "one,two");
  EXPECT_EQ(b->extra[6], 3.0);
  EXPECT_EQ(pf_SlotWord(b->extra[7]), 0x9);
  // Prompt mode skips "%3" fields and, unless all fields are asked, fields not clicked.
  ScriptDialogs d;
  d.answers = {5.0, 1.0, 3.0};
  ParamCall c = b->call(ParamMode::Prompt);
  c.allFields = false; c.clickX = 3; c.clickY = 3;
  ParamText none;
  pf_EditBlock(c, none, &d);
  // Every box is at 0,0 here: asked are all but "%3Count", the outside field
  // and the vector (its dialog is not a prompt).
  EXPECT_EQ(d.asked, (std::vector<std::string>{"Gain", "Label", "Bits"}));
  EXPECT_EQ(b->extra[0], 5.0);
  c.clickX = 30;  // outside every box: nothing asked
  ScriptDialogs none2;
  pf_EditBlock(c, none, &none2);
  EXPECT_TRUE(none2.asked.empty());
}

TEST(Params, SliderFromClick) {
  struct Case { const char* prompt; std::int16_t w, h; int cx, cy; double expect; };
  const Case cases[] = {
      {"%2 0%10%", 100, 10, 50, 5, 5.0},      // along the width
      {"%2 0%10%", 100, 10, 500, 5, 10.0},    // clamped
      {"%2 5%5%", 10, 100, 0, 75, 30.0},      // max not above min: min + 100; along the height
      {"%2 0%10%", 0, 0, 3, 3, 7.0},          // empty box: only clamped
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> raw = field(1, 1, c.prompt, 0, 0, 0, c.w, c.h);
    EXPECT_DOUBLE_EQ(pf_SliderValue(pf_DecodeField(raw.data()), 7.0, c.cx, c.cy), c.expect) << c.prompt;
  }
}

TEST(Params, ReadTextLimitedToField) {
  std::vector<std::uint8_t> raw = field(3, 8, "Name", 0);
  model::GateTypeRecord type{};
  std::memcpy(type.Name, "T", 2);
  type.ParamFields = raw.data();
  type.ParamFieldCount = 1;
  TestGate t(133, {0.0, 0.0});
  t.g.Sub = &type;
  ParamText text{"$ Gate No.  1  : T;\r\n    Name =" + std::string(80, 'x') + ";\r\n"};
  gp_GateParams(t.call(ParamMode::Read, 1), text, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(t.extra.data()), 8), std::string(8, 'x'));
  EXPECT_EQ(t.extra[1], 0.0);
}

// Parameter lists.
namespace {
struct Chain {
  std::vector<std::unique_ptr<TestGate>> gates;
  TestGate& add(std::unique_ptr<TestGate> g) {
    if (!gates.empty()) { gates.back()->g.Next = &g->g; gates.back()->in.Next = &g->in; }
    gates.push_back(std::move(g));
    return *gates.back();
  }
  GateRecord* first() { return gates.empty() ? nullptr : &gates[0]->g; }
  GateInstance* firstInst() { return gates.empty() ? nullptr : &gates[0]->in; }
};
struct TempDir {
  std::filesystem::path p = std::filesystem::temp_directory_path() / ("zparams_" + std::to_string(::getpid()));
  TempDir() { std::filesystem::create_directories(p); }
  ~TempDir() { std::filesystem::remove_all(p); }
};
} // namespace

TEST(ParamList, NestedMacrosGoldenAndRoundTrip) {
  auto build = [](Chain& inner2, Chain& inner, Chain& top, double v) {
    inner2.add(std::make_unique<TestGate>(4, std::vector<double>{v}));
    inner.add(std::make_unique<TestGate>(44, std::vector<double>{}));
    auto& m2 = inner.add(std::make_unique<TestGate>(0, std::vector<double>{}));
    std::strcpy(m2.sub.Name, "INNER");
    m2.sub.FirstGate = inner2.first();
    m2.g.Sub = &m2.sub;
    m2.in.Children = inner2.firstInst();
    top.add(std::make_unique<TestGate>(62, std::vector<double>{v + 1}));
    auto& m = top.add(std::make_unique<TestGate>(0, std::vector<double>{}));
    std::strcpy(m.sub.Name, "OUTER");
    if (v != 0) {   // the computation mode: steps per cycle, 3 of them
      m.g.AuxWord54 = 0x8000;
      m.g.AuxWord66 = 3;
    }
    m.sub.FirstGate = inner.first();
    m.g.Sub = &m.sub;
    m.in.Children = inner.firstInst();
  };
  Chain i2, i1, top;
  build(i2, i1, top, 1.5);
  TempDir dir;
  const std::string path = (dir.p / "A.LPA").string();
  ASSERT_TRUE(lst_AllParamsWithHead(path, top.first(), top.firstInst(), "MAIN", "10.12.26", nullptr));
  std::string got;
  ASSERT_TRUE(plat::path::readFile(path, got));
  const std::string plus2 = "  " + std::string(129, '+') + "\r\n", minus2 = "  " + std::string(129, '-') + "\r\n";
  const std::string expect =
      "KESTRUM LOGIC PARAMETER LIST\r\n\r\n"
      "KESTRUM Rev. 4.10             LOGIC : MAIN                  Date : 10.12.26\r\n"
      "$ Gate No.  1  : Step;\r\n"
      "    Waiting Time                  = 2.5         ;\r\n"
      "$ Gate No.  2  : OUTER;\r\n"
      "    Max. stepno. per cycle        = 3           ;\r\n" +
      std::string(131, '+') + "\r\n"
      "  $ Gate No.  1  : INNER;\r\n"
      "      Iterations per step           = 1           ;\r\n" +
      plus2 +
      "    $ Gate No.  1  : On-Delay;\r\n"
      "        Delay Time                    = 1.5         ;\r\n" +
      minus2 + std::string(131, '-') + "\r\n";
  EXPECT_EQ(got, expect);
  Chain j2, j1, top2;
  build(j2, j1, top2, 0.0);
  ASSERT_TRUE(lst_AllParamsFromFile(path, top2.first(), top2.firstInst(), nullptr));
  EXPECT_EQ(top2.gates[0]->extra[0], 2.5);
  EXPECT_EQ(j2.gates[0]->extra[0], 1.5);
  EXPECT_EQ(top2.gates[1]->g.AuxWord54, 0x8000);
  EXPECT_EQ(top2.gates[1]->g.AuxWord66, 3);
}

TEST(ParamList, ForeignListChangesOnlyMatchingHeaders) {
  Chain c;
  c.add(std::make_unique<TestGate>(62, std::vector<double>{1.0}));
  c.add(std::make_unique<TestGate>(58, std::vector<double>{1.0, -1.0}));
  c.add(std::make_unique<TestGate>(67, std::vector<double>{0.1}));
  TempDir dir;
  const std::string path = (dir.p / "F.LPA").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(path,
      "$ Gate No.  1  : Hysteresis;\r\n    Bandwidth = 9.0;\r\n"
      "$ Gate No.  2  : Limitation;\r\n    Upper Limit = 8.0;\r\n    Lower Limit = -8.0;\r\n"
      "$ Gate No.  3  : Hysteresis;\r\n    Bandwidth = 0.7;\r\n"));
  ASSERT_TRUE(lst_AllParamsFromFile(path, c.first(), c.firstInst(), nullptr));
  EXPECT_EQ(c.gates[0]->extra[0], 1.0);
  EXPECT_EQ(c.gates[1]->extra, (std::vector<double>{8.0, -8.0}));
  EXPECT_NEAR(c.gates[2]->extra[0], 0.7, 1e-12);
}

TEST(ParamList, InputsOutputsUncountedPrinterAndMissingFile) {
  Chain c;
  c.add(std::make_unique<TestGate>(44, std::vector<double>{}));
  c.add(std::make_unique<TestGate>(45, std::vector<double>{}));
  c.add(std::make_unique<TestGate>(4, std::vector<double>{3.0}));
  ParamText t;
  lst_WalkList(c.first(), c.firstInst(), t, ParamMode::Write, nullptr);
  EXPECT_EQ(t.text.rfind("$ Gate No.  1  : On-Delay;", 0), 0u);
  TempDir dir;
  ScriptDialogs d;
  EXPECT_FALSE(lst_AllParamsWithHead((dir.p / "printer").string(), c.first(), c.firstInst(), "", "", &d));
  EXPECT_FALSE(std::filesystem::exists(dir.p / "printer"));
  EXPECT_FALSE(lst_AllParamsFromFile((dir.p / "NONE.LPA").string(), c.first(), c.firstInst(), &d));
  EXPECT_EQ(d.messages, (std::vector<int>{50016, 50042}));
}

#include "harness.h"
#include "recorder/recordgate.h"

namespace {

TEST(Params, MacroComputationModeIsReadByItsLetter) {
  struct Row { const char* line; std::uint16_t flags, steps; };
  const Row rows[] = {
      {"    Compute only at Time          = 0.0         ;\r\n", 0x4000, 1},
      {"    Iterations per step           = 4           ;\r\n", 0x0000, 4},
      {"    Max. stepno. per cycle        = 0           ;\r\n", 0x8000, 1},
  };
  for (const Row& r : rows) {
    TestGate m(0, {});
    std::strcpy(m.sub.Name, "MAC");
    m.g.Sub = &m.sub;
    m.g.AuxWord54 = 0xA000;   // bit 13 stays
    m.g.AuxWord66 = 9;
    ParamText t{std::string("$ Gate No.  1  : MAC;\r\n") + r.line};
    ParamCall c;
    c.gate = &m.g;
    c.instance = &m.in;
    c.mode = ParamMode::Read;
    EXPECT_TRUE(gp_GateParams(c, t, nullptr)) << r.line;
    EXPECT_EQ(m.g.AuxWord54, std::uint16_t(0x2000 | r.flags)) << r.line;
    EXPECT_EQ(m.g.AuxWord66, r.steps) << r.line;
  }
}

TEST(Params, PresetOfAVectorRampIsAVector) {
  TestGate g(42, {0.5, 1.0, 9.0}, 22, {1.0, 2.0, 3.0});
  ParamText t;
  ParamCall c;
  c.gate = &g.g;
  c.instance = &g.in;
  c.gateNumber = 3;
  ASSERT_TRUE(gp_GateParams(c, t, nullptr));
  EXPECT_NE(t.text.find("    Preset Value                  =\r\n      1.0         , 2.0         , 3.0         ;\r\n"),
            std::string::npos)
      << t.text;
}

// A compiled type's parameter procedure runs after its fields are read or
// asked, never while they are written.
TEST(Params, ParameterProcedureRunsAfterReadingNotAfterWriting) {
  engine::test::Harness h;
  std::string err;
  ASSERT_TRUE(h.load("module TLIB\nconst\nk: real 7.5\nendconst\ntype T\ninputs 20\noutputs 20\nextra 2\nstate 1\n"
                     "step\nend\nendproc\nparam\nmovr extra:8, const:k\nend\nendproc\nendtype\n",
                     &err))
      << err;
  h.runStep();   // makes the gate an instance of T
  ParamCall c;
  c.gate = &h.gate;
  c.instance = &h.inst;
  c.mode = ParamMode::Write;
  ParamText w;
  h.extra[1] = 0;
  ASSERT_TRUE(gp_GateParams(c, w, nullptr));
  EXPECT_EQ(h.extra[1], 0.0);
  c.mode = ParamMode::Read;
  ParamText r{"$ Gate No.  0  : T;\r\n"};
  ASSERT_TRUE(gp_GateParams(c, r, nullptr));
  EXPECT_EQ(h.extra[1], 7.5);
  h.extra[1] = 0;
  ASSERT_TRUE(pf_EditBlock(c, r, nullptr));   // the form alone runs no procedure
  EXPECT_EQ(h.extra[1], 0.0);
}

// Read-Record: the first channel is the file's channel offset plus one, at
// most its values per record.
TEST(Params, ReadRecordFirstChannel) {
  TestGate g(88, std::vector<double>(5, 0.0));
  rec::RecordFileState st;
  st.valueCount = 5;
  st.skip = 2;
  ASSERT_TRUE(rec::vdb_StoreState(&g.g, &g.in, st));
  ParamCall c;
  c.gate = &g.g;
  c.instance = &g.in;
  c.gateNumber = 4;
  ParamText w;
  ASSERT_TRUE(gp_GateParams(c, w, nullptr));
  EXPECT_NE(w.text.find("    1st channel  (Max~ 5)         = 3     "), std::string::npos) << w.text;
  for (const auto& [entered, skip] : {std::pair<int, int>{4, 3}, {9, 4}, {0, 0}}) {
    std::string text = w.text;
    text.replace(text.find("= 3"), 3, "= " + std::to_string(entered));
    ParamText r{text};
    c.mode = ParamMode::Read;
    ASSERT_TRUE(gp_GateParams(c, r, nullptr));
    ASSERT_TRUE(rec::vdb_LoadState(&g.g, &g.in, st));
    EXPECT_EQ(st.skip, skip) << entered;
    EXPECT_EQ(st.valueCount, 5);
  }
}

} // namespace

namespace {

double words(std::uint16_t lo, std::uint16_t hi) {
  double d = 0;
  std::memcpy(&d, &lo, 2);
  std::memcpy(reinterpret_cast<std::uint8_t*>(&d) + 2, &hi, 2);
  return d;
}

// The forms that had none: Delay (10), matrix (56) and interval table (73)
// write their values and read them back, so a saved list keeps them.
TEST(Params, DelayMatrixAndIntervalTableRoundTrip) {
  // Delay: width 0.25, 8 steps, method 2 (stored 1); room for 20 steps of one element.
  TestGate delay(10, {0.25, words(8, 1)}, 20, std::vector<double>(26, 0.0));
  delay.g.StateCount = 26;
  ParamText w;
  ASSERT_TRUE(gp_GateParams(delay.call(ParamMode::Write, 3), w, nullptr));
  EXPECT_NE(w.text.find("    Delay Time                    = 2.0         ;"), std::string::npos) << w.text;
  EXPECT_NE(w.text.find("    Steps-No.  (Max~ 20)          = 8     "), std::string::npos) << w.text;
  EXPECT_NE(w.text.find("    Step Width ~                  = 0.25        ;"), std::string::npos) << w.text;
  EXPECT_NE(w.text.find("    Interpol.-Method (1,2)        = 2     "), std::string::npos) << w.text;
  // Read back with a longer delay and more steps than fit: capped at 20.
  std::string text = w.text;
  text.replace(text.find("= 2.0 "), 6, "= 6.0 ");
  text.replace(text.find("= 8 "), 4, "= 40");
  delay.extra = {0.0, 0.0};
  ParamText r{text};
  ASSERT_TRUE(gp_GateParams(delay.call(ParamMode::Read, 3), r, nullptr));
  EXPECT_EQ(pf_SlotWord(delay.extra[1]), 20);
  EXPECT_DOUBLE_EQ(delay.extra[0], 0.3);

  // Matrix 2 rows (output of 2) x 3 columns (input of 3).
  TestGate mat(56, {1, 2, 3, 4, 5, 6}, 21);
  model::InputPin pin{};
  pin.Type = 22;
  mat.g.Inputs = &pin;
  mat.g.InputCount = 1;
  ParamText mw;
  ASSERT_TRUE(gp_GateParams(mat.call(ParamMode::Write, 4), mw, nullptr));
  EXPECT_NE(mw.text.find("Multiplication - Matrix       =\r\n"
                         "      1.0         , 2.0         , 3.0         ,\r\n"
                         "      4.0         , 5.0         , 6.0         ;\r\n"),
            std::string::npos)
      << mw.text;
  mat.extra = {0, 0, 0, 0, 0, 0};
  ParamText mr{mw.text};
  ASSERT_TRUE(gp_GateParams(mat.call(ParamMode::Read, 4), mr, nullptr));
  EXPECT_EQ(mat.extra, (std::vector<double>{1, 2, 3, 4, 5, 6}));

  // Interval table: order 3, two intervals in use of at most three (4 points).
  TestGate fg(73, {words(3, 2), 0, 0, 1, 10, 2, 20, 9, 9});
  ParamText fw;
  ASSERT_TRUE(gp_GateParams(fg.call(ParamMode::Write, 5), fw, nullptr));
  EXPECT_NE(fw.text.find("    Number Intervals (max   3)    = 2     "), std::string::npos) << fw.text;
  EXPECT_NE(fw.text.find("    Order of method (1..6)        = 3     "), std::string::npos) << fw.text;
  EXPECT_EQ(fw.text.find("9.0"), std::string::npos) << "only the intervals in use";
  const std::vector<double> before = fg.extra;
  for (double& v : fg.extra) v = 0;
  ParamText fr{fw.text};
  ASSERT_TRUE(gp_GateParams(fg.call(ParamMode::Read, 5), fr, nullptr));
  EXPECT_EQ(std::vector<double>(fg.extra.begin(), fg.extra.begin() + 7),
            std::vector<double>(before.begin(), before.begin() + 7));
  EXPECT_EQ(pf_SlotWord(fg.extra[0]), 3);
}

// An interval count outside 2..maximum shows 50048 and leaves the table.
TEST(Params, IntervalCountOutOfRangeShows50048) {
  for (int entered : {1, 4}) {
    TestGate fg(73, {words(1, 2), 0, 0, 1, 10, 2, 20, 9, 9});
    const std::vector<double> before = fg.extra;
    ScriptDialogs d;
    d.answers = {double(entered), 2};
    ParamText none;
    ASSERT_TRUE(pf_EditBlock(fg.call(ParamMode::Prompt, 5), none, &d)) << entered;
    EXPECT_EQ(d.messages, std::vector<int>{50048}) << entered;
    EXPECT_EQ(std::vector<double>(fg.extra.begin() + 1, fg.extra.end()),
              std::vector<double>(before.begin() + 1, before.end()));
    EXPECT_EQ(words(2, 2), fg.extra[0]) << "the count kept, the order taken";
  }
}

// Prompt mode: the form title once a gate; the Delay asks again until its
// step width is confirmed; Stop-Iteration asks accuracy and minimum steps.
TEST(Params, PromptTitleDelayRepeatAndAccuracy) {
  struct Titled : ScriptDialogs {
    std::vector<std::string> titles;
    void setTitle(const std::string& t) override { titles.push_back(t); }
    // A Cancel is taken from the script like an answer.
    bool promptReal(const std::string& p, double& v) override {
      if (!answers.empty() && std::isnan(answers.front())) {
        asked.push_back(p);
        answers.pop_front();
        return false;
      }
      return ScriptDialogs::promptReal(p, v);
    }
  };
  EXPECT_EQ(gp_SetFormTitle(nullptr, 7), "Set Parameter Gate No :  7; Name : ");
  TestGate delay(10, {0.0, 0.0}, 20, std::vector<double>(26, 0.0));
  delay.g.StateCount = 26;
  Titled d;
  const double cancel = std::nan("");
  d.answers = {1.0, 4, cancel, 2.0, 5, 0.4, 2};   // width not confirmed, asked again
  ParamText none;
  ASSERT_TRUE(pf_EditBlock(delay.call(ParamMode::Prompt, 12), none, &d));
  EXPECT_EQ(d.titles, std::vector<std::string>{"Set Parameter Gate No : 12; Name : Delay"});
  EXPECT_EQ(d.asked, (std::vector<std::string>{"Delay Time ?", "Steps-No.? (Max= 20)", "Step Width = :", "Delay Time ?",
                                               "Steps-No.? (Max= 20)", "Step Width = :", "Interpol.-Method (1,2)?"}));
  EXPECT_DOUBLE_EQ(delay.extra[0], 0.4);
  EXPECT_EQ(delay.extra[1], words(5, 1));

  TestGate stop(72, {word(2), 1e-7});
  Titled a;
  a.answers = {-1e-4, 0};
  ASSERT_TRUE(pf_EditBlock(stop.call(ParamMode::Prompt, 1), none, &a));
  EXPECT_EQ(a.asked, (std::vector<std::string>{"Accuracy", "Min. No of Steps"}));
  EXPECT_EQ(stop.extra[1], 1e-4);
  EXPECT_EQ(pf_SlotWord(stop.extra[0]), 1) << "at least one step";

  model::StepBlock b{};
  Titled s;
  s.answers = {1, 0.1, 0.01, 1.0, 2.0};
  ASSERT_TRUE(pf_PromptStepWidth(s, b));
  EXPECT_EQ(s.asked, (std::vector<std::string>{"variable Stepwidth", "Start Interval", "Min Interval", "Max Interval",
                                               "Incr. Interval"}));
  EXPECT_EQ(b.stepFlags & 1, 1);
  EXPECT_EQ(b.interval, 0.1);
  EXPECT_EQ(b.incrInterval, 2.0);
}

} // namespace

namespace {

// Lists of one gate through "TEMP.LPA", and a missing list file: 50042 with
// its name; Yes chooses another file, No gives up.
TEST(ParamList, TempListAndRetryAfterAMissingFile) {
  struct Asking : ScriptDialogs {
    std::deque<bool> yes;
    std::vector<std::string> names;
    bool askYesNo(int id, const std::string& insert) override {
      messages.push_back(id);
      names.push_back(insert);
      const bool a = !yes.empty() && yes.front();
      if (!yes.empty()) yes.pop_front();
      return a;
    }
  };
  TempDir dir;
  TestGate g(4, {2.5});
  ASSERT_TRUE(lst_LogicParamsToTempOutput(dir.p.string(), &g.g, &g.in, false, 1, nullptr));
  EXPECT_TRUE(std::filesystem::exists(dir.p / "TEMP.LPA"));
  g.extra[0] = 0.0;
  ASSERT_TRUE(lst_LogicParamsFromTempFile(dir.p.string() + "/", &g.g, &g.in, false, 1, nullptr));
  EXPECT_EQ(g.extra[0], 2.5);

  g.extra[0] = 0.0;
  Asking d;
  d.yes = {true, false};
  int chosen = 0;
  const ListFileChooser choose = [&](std::string& path) {
    ++chosen;
    path = (dir.p / "TEMP.LPA").string();
    return true;
  };
  ASSERT_TRUE(lst_LogicParamsFromFile((dir.p / "GONE.LPA").string(), &g.g, &g.in, false, 1, &d, choose));
  EXPECT_EQ(d.names, std::vector<std::string>{"GONE.LPA"});
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(g.extra[0], 2.5) << "read from the file chosen again";
  // No: nothing read.
  Asking no;
  EXPECT_FALSE(lst_AllParamsFromFile((dir.p / "GONE.LPA").string(), &g.g, &g.in, &no, choose));
  EXPECT_EQ(no.messages, std::vector<int>{50042});
  EXPECT_EQ(chosen, 1);
}

} // namespace
