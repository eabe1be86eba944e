// Demo A on the road to the target: "motor 1 cw until E1, then off" drawn
// with the standard block library's flow blocks in a sequence sheet, its
// target program text written, compiled against the software PLC's own
// description with no error and no warning, downloaded and run.
#include "target_fixture.h"

#include "equiv/equiv.h"

#include "engine/externs.h"
#include "display/gdi.h"
#include "display/recording_device.h"
#include "engine/workers.h"
#include "obeltool/obeltool.h"
#include "platform/library.h"
#include "engine/levels.h"
#include "engine/paramlist.h"
#include "modelfiles/compiled.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "modelfiles/project.h"

#include <cstdlib>
#include <functional>
#include <optional>
#include <fstream>
#include <sstream>

#include <cstring>

namespace zcdtest {
namespace {

// The extra values of a flow block: aux[0..7] packed as 16-bit words into
// the first two slots.
std::vector<double> aux(std::vector<std::int16_t> words) {
  std::vector<double> slots(2, 0.0);
  words.resize(8, 0);
  std::memcpy(slots.data(), words.data(), 16);
  return slots;
}

// Reads the installed ZRLFB02.MCO into the document with the interpreter's
// linker (the document holds the extern library).
bool loadInstalledLibrary(FixtureDocument& D) {
  const auto previous = modelfiles::setModuleLinker(engine::vm_LinkCode);
  std::ifstream in(std::string(ZERLO_LIB_DIR) + "/ZRLFB02.MCO", std::ios::binary);
  const std::vector<std::uint8_t> mco((std::istreambuf_iterator<char>(in)), {});
  model::ProjectModule* slot = nullptr;
  modelfiles::LoadStatus.clear();
  const bool failed = mco.empty() || modelfiles::mdl_ReadCompiledModule(slot, mco.data(), mco.size());
  modelfiles::setModuleLinker(previous);
  return !failed && slot && engine::vm().isLinked(slot);
}

// The text with the link values (equiv::writeWithLinks).
template <class Write> std::string writeWithLinks(FixtureDocument& D, Write write) {
  return equiv::writeWithLinks(*D.doc, D.main, write);
}

using equiv::SimImage;

class Flow : public Target {
protected:
  void SetUp() override {
    Target::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(loadInstalledLibrary(*d));
  }
  std::string writeWithLinks() { return zcdtest::writeWithLinks(*d, [&] { return d->write(); }); }
  int expectEquivalence(int cycles, const std::function<bool(int)>& e1);
  // Called after every compared cycle.
  std::function<void(int, const SimImage&)> watch;
};

// The flow of demo A: START -> motor 1 cw -> wait for E1 (YES) -> motor 1
// off -> END.
struct DemoA {
  model::LogicRecord* flow = nullptr;
  bool onMain = false;   // the blocks on the main sheet itself
  bool build(FixtureDocument& D) {
    flow = onMain ? D.main : model::ge_NewLogic("FLOW");
    auto* start = D.block(flow, "STARTV3");
    auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
    auto* e1 = D.block(flow, "BINPUTV3", aux({1, 0, 1}));
    auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
    auto* end = D.block(flow, "ENDEV3");
    return start && cw && e1 && off && end && D.wire(flow, start, 1, cw, 1) && D.wire(flow, cw, 1, e1, 1) &&
           D.wire(flow, e1, 2, off, 1) && D.wire(flow, off, 1, end, 1) && (onMain || D.macro(D.main, flow));
  }
};

TEST_F(Flow, MotorRunsClockwiseUntilInputOne) {
  Diagram& D = *d;
  DemoA demo;
  ASSERT_TRUE(demo.build(D));

  const std::string text = writeWithLinks();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("&Init"), std::string::npos) << text;
  EXPECT_NE(text.find("&SMOT"), std::string::npos) << text;
  EXPECT_NE(text.find("&Not"), std::string::npos) << text;
  EXPECT_NE(text.find("&ABS"), std::string::npos) << text;
  std::string download, msgs;
  CgAdvResult res{};
  ASSERT_TRUE(compile(D.zcdPath(), download, msgs, res)) << msgs << text;
  ASSERT_EQ(res.errors, 0u) << msgs << text;
  EXPECT_EQ(res.warnings, 0u) << msgs << text;
  channel->download(download);
  channel->exchange({kReqStart});

  tick(1);
  bool ran = false;
  for (int cycle = 1; cycle <= 20; ++cycle) {
    tick(5);
    ran = ran || get<std::uint8_t>(A(1, 1)) != 0;
  }
  EXPECT_TRUE(ran) << text;
  EXPECT_NE(get<std::uint8_t>(A(1, 1)), 0) << "motor 1 cw while E1 is clear\n" << text;
  EXPECT_EQ(get<std::uint8_t>(A(1, 0)), 0);
  k.inImage[0] = 1;   // the interface reports E1
  for (int cycle = 1; cycle <= 5; ++cycle) tick(5);
  EXPECT_EQ(get<std::uint8_t>(A(1, 1)), 0) << "motor 1 off after E1\n" << text;
  EXPECT_EQ(get<std::uint8_t>(A(1, 0)), 0);
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
}

// The main oracle: the engine's time steps and the software PLC's task
// cycles, with the same input every cycle, agree after every cycle on every
// output and every flag of the sequence; the flow writes no data word outside
// the sequencer's own and none of the top frame's words. Returns the cycles in
// which motor 1 ran cw.
int Flow::expectEquivalence(int cycles, const std::function<bool(int)>& e1) {
  Diagram& D = *d;
  const std::string text = writeWithLinks();
  EXPECT_FALSE(text.empty());
  std::string download, msgs;
  CgAdvResult res{};
  EXPECT_TRUE(compile(D.zcdPath(), download, msgs, res)) << msgs << text;
  EXPECT_EQ(res.errors + res.warnings, 0u) << msgs << text;
  if (HasFailure()) return -1;
  channel->download(download);
  channel->exchange({kReqStart});

  equiv::Comparison run;
  std::string why;
  EXPECT_TRUE(run.begin(k, *D.doc, D.main, ZERLO_BLOCKLIB_SOURCE, &why)) << why;
  int motorCycles = 0;
  for (int cycle = 1; cycle <= cycles && !HasFailure(); ++cycle) {
    for (const equiv::Mismatch& m : run.cycle(cycle, e1(cycle) ? 1 : 0)) ADD_FAILURE() << equiv::describe(m);
    if (watch) watch(cycle, run.sim());
    motorCycles += run.sim().output(1, 1);
  }
  run.end();
  if (HasFailure() || std::getenv("ZERLO_SHOW_TEXT")) ADD_FAILURE() << text;
  return motorCycles;
}

TEST_F(Flow, SimulationEqualsTheTargetEveryCycle) {
  DemoA demo;
  ASSERT_TRUE(demo.build(*d));
  // E1 rises at cycle 60, falls at 90 and comes again at 150. Motor 1 runs
  // cw from the second cycle through the one in which E1 came (its step is
  // left at the end of that cycle).
  EXPECT_EQ(expectEquivalence(240, [](int c) { return (c >= 60 && c < 90) || c >= 150; }), 59);
}

// The live display in the run window offline: a filled mark in the lower
// right corner of a block while its step is active in the simulated image,
// and INPUT's level of its input, at zoom 1 and 2; neither in the edit window.
TEST_F(Flow, DisplayMarksTheActiveStep) {
  DemoA demo;
  ASSERT_TRUE(demo.build(*d));
  using Win = disp::DeviceWindow;
  disp::RecordingDevice rec;
  Win win{&rec};
  // The marks of the flow's five blocks (START, cw, E1, off, END) drawn at 100,200.
  auto marks = [&](bool runWindow, float zoom) {
    engine::ExternProgramState& st = engine::externState();
    const bool kind3 = st.kind3Window, online = st.onlineMode;
    st.kind3Window = runWindow;
    st.onlineMode = false;
    disp::gdi_ResetAll();
    disp::gdi_SetCurrent(&rec, &win);
    disp::gdi_SetZoom(&zoom);
    std::vector<std::string> out;
    // The flow's instances under its call on the main sheet, as the run window shows them.
    model::GateInstance* call = d->main->FirstInstance;
    while (call && !call->Children) call = call->Next;
    model::GateInstance* inst = call ? call->Children : nullptr;
    for (model::GateRecord* g = demo.flow->FirstGate; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
      const model::GateTypeRecord* t = model::subType(g);
      rec.clear();
      if (t && t->Procs[6] && inst) engine::vm().runDrawing(g, inst, t->Procs[6], 100, 200);
      // A mark drawn in white clears the place of an earlier one.
      std::string m, brush;
      for (const std::string& c : rec.calls) {
        if (c.rfind("brush ", 0) == 0) brush = c;
        if (c.rfind("fillrect", 0) == 0) m += brush == "brush 255,255,255" ? "clear" : c;
      }
      for (const std::string& c : rec.withPrefix("text"))
        if (c.find(" = ") != std::string::npos) m += " " + c.substr(c.find('"'));
      out.push_back(m);
    }
    float one = 1.0f;
    disp::gdi_SetZoom(&one);
    disp::gdi_SetCurrent(nullptr, nullptr);
    disp::gdi_ResetAll();
    st.kind3Window = kind3;
    st.onlineMode = online;
    return out;
  };
  std::vector<std::vector<std::string>> seen;
  watch = [&](int cycle, const SimImage&) {
    if (cycle != 30 && cycle != 100) return;
    seen.push_back(marks(true, 1.0f));
    seen.push_back(marks(true, 2.0f));
    seen.push_back(marks(false, 1.0f));
  };
  expectEquivalence(100, [](int c) { return c >= 60; });
  ASSERT_EQ(seen.size(), 6u);
  const std::string z1 = "fillrect 151,233,156,237", z2 = "fillrect 302,466,312,474";
  // Cycle 30: the flow waits for E1 (the motor's step was left at once, its
  // exit being always true); the other blocks clear their mark's place.
  // INPUT clears its second line first and draws it again with E1's level.
  const std::string c = "clear";
  EXPECT_EQ(seen[0], (std::vector<std::string>{c, c, c + z1 + " \"E1 = 0\"", c, c}));
  EXPECT_EQ(seen[1], (std::vector<std::string>{c, c, c + z2 + " \"E1 = 0\"", c, c}));
  EXPECT_EQ(seen[2], (std::vector<std::string>(5, ""))) << "no mark in the edit window";
  // Cycle 100: the flow rests at END.
  EXPECT_EQ(seen[3], (std::vector<std::string>{c, c, c + c + " \"E1 = 1\"", c, z1}));
  EXPECT_EQ(seen[4], (std::vector<std::string>{c, c, c + c + " \"E1 = 1\"", c, z2}));
}

// The same flow drawn on the main sheet: the top list is the sequence.
TEST_F(Flow, FlowOnTheMainSheetEqualsTheTarget) {
  DemoA demo;
  demo.onMain = true;
  ASSERT_TRUE(demo.build(*d));
  EXPECT_EQ(expectEquivalence(120, [](int c) { return c >= 30; }), 29);
}

// A blinking motor: START -> motor 1 cw -> wait 0.5 s -> motor 1 off -> wait
// 0.3 s -> back to cw (a loop into the second flow input).
TEST_F(Flow, WaitingLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  model::LogicRecord* flow = model::ge_NewLogic("BLINK");
  std::vector<double> w1 = aux({}), w2 = aux({});
  w1.resize(14, 0.0);
  w2.resize(14, 0.0);
  w1[13] = 0.5;
  w2[13] = 0.3;
  auto* start = D.block(flow, "STARTV3");
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* wait1 = D.block(flow, "WAITV3", w1);
  auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* wait2 = D.block(flow, "WAITV3", w2);
  ASSERT_TRUE(start && cw && wait1 && off && wait2);
  ASSERT_TRUE(D.wire(flow, start, 1, cw, 1) && D.wire(flow, cw, 1, wait1, 1) && D.wire(flow, wait1, 1, off, 1) &&
              D.wire(flow, off, 1, wait2, 1) && D.wire(flow, wait2, 1, cw, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const int on = expectEquivalence(400, [](int) { return false; });
  // About 0.5 s of every 0.8 s.
  const double cycle = 5 * k.tick() / 1000.0;
  EXPECT_NEAR(on * cycle, 400 * cycle * 0.5 / 0.8, 0.2 * 400 * cycle) << on;
}

// Edges: START -> motor 1 cw -> rising edge of E1 -> motor 1 off -> falling
// edge of E1 -> back to cw. E1 is already set when the flow starts, so the
// first rising edge is the one at cycle 80; the motor stops there and runs
// again after the fall at cycle 120, until the rise at 160. A display block
// on the sheet changes nothing.
TEST_F(Flow, EdgeFlowEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  model::LogicRecord* flow = model::ge_NewLogic("EDGES");
  auto* start = D.block(flow, "STARTV3");
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* rise = D.block(flow, "BEDGEV3", aux({1, 0}));
  auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* fall = D.block(flow, "BEDGEV3", aux({1, 1}));
  // A display of the motor's output on the same sheet writes nothing and
  // simulates nothing.
  std::vector<double> shown(28, 0.0);
  std::memcpy(reinterpret_cast<char*>(shown.data()) + 16, "A1.1", 4);
  ASSERT_NE(D.block(flow, "VISUALV3", shown), nullptr);
  ASSERT_TRUE(start && cw && rise && off && fall);
  ASSERT_TRUE(D.wire(flow, start, 1, cw, 1) && D.wire(flow, cw, 1, rise, 1) && D.wire(flow, rise, 1, off, 1) &&
              D.wire(flow, off, 1, fall, 1) && D.wire(flow, fall, 1, cw, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("&FD01"), std::string::npos) << text;
  EXPECT_NE(text.find("&FD10"), std::string::npos) << text;
  const int on = expectEquivalence(
      240, [](int c) { return c < 40 || (c >= 80 && c < 120) || (c >= 160 && c < 200); });
  EXPECT_GT(on, 100);
  EXPECT_LT(on, 200);
}

// The extra values of an ASSIGN block: the target variable in bytes 16-25,
// the formula from byte 26.
std::vector<double> formula(const std::string& target, const std::string& expression) {
  std::vector<double> slots(28, 0.0);
  auto* bytes = reinterpret_cast<char*>(slots.data());
  std::memcpy(bytes + 16, target.data(), std::min<std::size_t>(target.size(), 9));
  std::memcpy(bytes + 26, expression.data(), std::min<std::size_t>(expression.size(), 59));
  return slots;
}

// The formula parser and the simulation's helper from the program directory,
// with the settings' program directory (and the temporary directory beside
// it, where the parser's generator files and the writer's sequence module
// files go) in a directory of the test's own.
class Formulas : public equiv::FormulaLibraries {
public:
  explicit Formulas(const std::string& bin) : FormulaLibraries(ZERLO_BIN_DIR, bin) { EXPECT_EQ(error(), ""); }
};

// An ASSIGN in a loop: START -> VAR1 = VAR1 + 1 -> wait 0.5 s -> back to the
// assignment (second flow input). VAR1 counts the visits on the target and
// in the simulation alike.
TEST_F(Flow, AssignmentLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("COUNT");
  std::vector<double> w = aux({});
  w.resize(14, 0.0);
  w[13] = 0.5;
  auto* start = D.block(flow, "STARTV3");
  auto* inc = D.block(flow, "ASSIGNV3", formula("VAR1", "VAR1+1"));
  auto* wait = D.block(flow, "WAITV3", w);
  ASSERT_TRUE(start && inc && wait);
  ASSERT_TRUE(D.wire(flow, start, 1, inc, 1) && D.wire(flow, inc, 1, wait, 1) && D.wire(flow, wait, 1, inc, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  int last = 0, changes = 0;
  int targetLast = 0;
  watch = [&](int, const SimImage& sim) {
    changes += sim.word(1) != last;
    last = sim.word(1);
    targetLast = get<std::int16_t>(DW(1));
  };
  expectEquivalence(300, [](int) { return false; });
  EXPECT_EQ(targetLast, last);
  // One assignment at the start and one after every 0.5 s wait.
  const double cycle = 5 * k.tick() / 1000.0;
  EXPECT_GE(changes, 2);
  EXPECT_NEAR(last, 1 + 300 * cycle / 0.5, 2.0) << cycle;
}

// Demo B: START -> VAR1 = VAR1 + 1 -> wait 0.5 s -> VAR1 < 3 ? (YES: back to
// the assignment) -> END.
struct DemoB {
  model::LogicRecord* flow = nullptr;
  bool build(FixtureDocument& D) {
    flow = model::ge_NewLogic("COUNT");
    std::vector<double> w = aux({});
    w.resize(14, 0.0);
    w[13] = 0.5;
    std::vector<double> c = formula("", "");
    auto* words = reinterpret_cast<char*>(c.data());
    std::memcpy(words + 16, "VAR1<3", 6);
    const std::int16_t branchRight = 1;
    std::memcpy(words + 6, &branchRight, 2);
    auto* start = D.block(flow, "STARTV3");
    auto* inc = D.block(flow, "ASSIGNV3", formula("VAR1", "VAR1+1"));
    auto* wait = D.block(flow, "WAITV3", w);
    auto* cmp = D.block(flow, "COMPAREV3", c);
    auto* end = D.block(flow, "ENDEV3");
    return start && inc && wait && cmp && end && D.wire(flow, start, 1, inc, 1) && D.wire(flow, inc, 1, wait, 1) &&
           D.wire(flow, wait, 1, cmp, 1) && D.wire(flow, cmp, 2, inc, 2) && D.wire(flow, cmp, 1, end, 1) &&
           D.macro(D.main, flow);
  }
};

TEST_F(Flow, DemoBCountsToThreeAndEqualsTheTargetEveryCycle) {
  Formulas formulas((d->dir / "bin").string());
  DemoB demo;
  ASSERT_TRUE(demo.build(*d));
  int last = 0, targetLast = 0, changes = 0;
  watch = [&](int, const SimImage& sim) {
    changes += sim.word(1) != last;
    last = sim.word(1);
    targetLast = get<std::int16_t>(DW(1));
  };
  expectEquivalence(300, [](int) { return false; });
  EXPECT_EQ(last, 3);
  EXPECT_EQ(targetLast, 3);
  EXPECT_EQ(changes, 3);
}

// Request bits beside demo B: RESET sets A13.0 while VAR1 < 2, STOP sets
// A12.0 once VAR1 > 2, on the target and in the simulation alike.
TEST_F(Flow, RequestBitsEqualTheTargetEveryCycle) {
  Formulas formulas((d->dir / "bin").string());
  DemoB demo;
  ASSERT_TRUE(demo.build(*d));
  auto request = [](const char* condition) {
    std::vector<double> c = formula("", "");
    std::memcpy(reinterpret_cast<char*>(c.data()) + 16, condition, std::strlen(condition));
    return c;
  };
  ASSERT_NE(d->block(demo.flow, "RESETV3", request("VAR1<2")), nullptr);
  ASSERT_NE(d->block(demo.flow, "STOPV3", request("VAR1>2")), nullptr);
  int resets = 0, stops = 0;
  watch = [&](int, const SimImage& sim) {
    resets += sim.output(13, 0);
    stops += sim.output(12, 0);
  };
  expectEquivalence(300, [](int) { return false; });
  EXPECT_GT(resets, 0);
  EXPECT_GT(stops, 0);
  EXPECT_LT(resets + stops, 300);
}

// The project file of demo A through the project tool: its text compiles
// without messages and runs the motor on the target until E1.
TEST_F(Flow, ProjectFileThroughTheToolRunsOnTheTarget) {
#ifndef ZERLO_HAVE_MDLTOOL
  GTEST_SKIP() << "mdltool is not part of this build";
#endif
  const std::string out = (d->dir / "DEMOA.ZCD").string();
  const std::string cmd = "timeout 60 " + std::string(ZERLO_BIN_DIR) + "/mdltool zcd " + std::string(ZERLO_TEST_DATA) +
                          "/blocklib/demoa.mdl " + out + " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::string text = readFile(out);
  ASSERT_NE(text.find("&SMOT"), std::string::npos) << text;
  std::string download, msgs;
  CgAdvResult res{};
  ASSERT_TRUE(compile(out, download, msgs, res)) << msgs << text;
  ASSERT_EQ(res.errors + res.warnings, 0u) << msgs << text;
  channel->download(download);
  channel->exchange({kReqStart});
  tick(1);
  for (int cycle = 1; cycle <= 10; ++cycle) tick(5);
  EXPECT_NE(get<std::uint8_t>(A(1, 1)), 0) << text;
  k.inImage[0] = 1;
  for (int cycle = 1; cycle <= 5; ++cycle) tick(5);
  EXPECT_EQ(get<std::uint8_t>(A(1, 1)), 0) << text;
}

// A copied flow sheet keeps every wire between its blocks (by pin) and the
// blocks' parameters.
TEST_F(Flow, CopiedSheetKeepsItsWires) {
  Diagram& D = *d;
  DemoA demo;
  ASSERT_TRUE(demo.build(D));
  model::LogicRecord* copy = model::ge_CopyGateSet("FLOW2", demo.flow);
  ASSERT_NE(copy, nullptr);
  std::vector<model::GateRecord*> a, b;
  for (model::GateRecord* g = demo.flow->FirstGate; g; g = g->Next) a.push_back(g);
  for (model::GateRecord* g = copy->FirstGate; g; g = g->Next) b.push_back(g);
  ASSERT_EQ(a.size(), b.size());
  auto indexOf = [](const std::vector<model::GateRecord*>& v, const model::GateRecord* g) {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (v[i] == g) return int(i);
    return -1;
  };
  int wires = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i]->InputCount, b[i]->InputCount);
    ASSERT_EQ(model::subType(a[i]), model::subType(b[i]));
    for (unsigned k = 0; k < a[i]->InputCount; ++k) {
      EXPECT_EQ(indexOf(a, a[i]->Inputs[k].Source), indexOf(b, b[i]->Inputs[k].Source)) << i << " " << k;
      EXPECT_EQ(a[i]->Inputs[k].SourcePin, b[i]->Inputs[k].SourcePin);
      wires += a[i]->Inputs[k].Source != nullptr;
    }
    for (unsigned k = 0; k < a[i]->ExtraCount; ++k) EXPECT_EQ(std::memcmp(&a[i]->Extra[k], &b[i]->Extra[k], 8), 0);
  }
  EXPECT_EQ(wires, 4);
}

// Demos A and B as project files (tests/data/blocklib/demoa.mdl, demob.mdl):
// the document of these tests with only the extern library and ZRLFB02 as
// modules, read from the installed library file. ZERLO_WRITE_FIXTURES=1
// writes the files anew.
template <class Demo> void expectSavedDemo(const std::string& name, const std::string& firstTransition) {
  FixtureDocument D(std::string(ZERLO_TEST_DATA) + "/zcdwriter", false);
  D.externs = model::doc_AddModule(*D.doc, "EXTERNAL", model::kModuleCompiled);
  D.externs->Loaded = 1;
  ASSERT_TRUE(loadInstalledLibrary(D));
  Demo demo;
  ASSERT_TRUE(demo.build(D));
  // Saved after the text passes: the blocks' link values and allocations
  // are in the file, so its first text pass lists the transitions.
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / (name + "_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  const zcd::WriterEnvironment previousEnv = env;
  env.mainPath = [dir] { return (dir / "DEMO.ZCD").string(); };
  env.tempDir = [dir] { return dir.string() + "/"; };
  env.now = [] { return std::time_t(0); };
  const std::string text = writeWithLinks(D, [&] {
    D.doc->LevelInstances[1] = D.main->FirstInstance;
    std::string why;
    return zcd::zcd_WriteProgram(*D.doc, &why) ? readFile((dir / "DEMO.ZCD").string()) : std::string();
  });
  env = previousEnv;
  std::filesystem::remove_all(dir);
  EXPECT_NE(text.find(firstTransition), std::string::npos) << text;
  D.doc->SimLogic = nullptr;
  // The simulated image of earlier runs in this process is no part of it.
  for (model::ProjectModule* m = D.doc->FirstModule; m; m = m->Next)
    if (m->VariableBlock && std::strncmp(m->Name, "ZRLFB02", 12) == 0) std::memset(m->VariableBlock, 0, m->VariableBlockSize);
  const std::vector<std::uint8_t> bytes = modelfiles::mdl_EncodeProject(*D.doc);
  const std::string path = std::string(ZERLO_TEST_DATA) + "/blocklib/" + name + ".mdl";
  if (const char* w = std::getenv("ZERLO_WRITE_FIXTURES"); w && std::string(w) == "1") {
    ASSERT_TRUE(plat::path::writeFileAtomic(path, std::string(bytes.begin(), bytes.end())));
  }
  EXPECT_EQ(readFile(path), std::string(bytes.begin(), bytes.end())) << name << "'s project file is not current";
}

TEST(DemoProject, FixtureIsTheSavedDemo) { expectSavedDemo<DemoA>("demoa", ":1\n:1\n:1\n:3"); }

TEST(DemoProject, FixtureIsTheSavedDemoB) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / ("demob_bin_" + std::to_string(::getpid()));
  {
    Formulas formulas((dir / "bin").string());
    expectSavedDemo<DemoB>("demob", ":1\n:1\n:1\n:3");
  }
  std::filesystem::remove_all(dir);
}

// The extra values of an ICDCVAR block: the operand's name, aux[1] the
// direction (1: -1) and the handle the dialog writes (vector[1..2]: class 5
// for DW, 9 for PW, and the index).
std::vector<double> counting(const char* name, std::int16_t direction, double cls, double index) {
  std::vector<double> slots = aux({0, direction});
  slots.resize(28, 0.0);
  std::memcpy(reinterpret_cast<char*>(slots.data()) + 16, name, std::strlen(name));
  slots[13] = cls;
  slots[14] = index;
  return slots;
}

// Counting visits: START -> VAR1 + 1 -> wait 0.3 s -> Z2 - 1 -> back to the
// increment. Each visit changes its word once, on the target and in the
// simulation alike; an invalid operand (marked by the dialog) changes
// nothing and the flow still passes it.
TEST_F(Flow, CountingLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("VISITS");
  std::vector<double> w = aux({});
  w.resize(14, 0.0);
  w[13] = 0.3;
  std::vector<double> invalid = counting("VAR?", 0, 5, 0);
  reinterpret_cast<std::int16_t*>(invalid.data())[0] = 1;
  auto* start = D.block(flow, "STARTV3");
  auto* inc = D.block(flow, "ICDCVARV3", counting("VAR1", 0, 5, 1));
  auto* wait = D.block(flow, "WAITV3", w);
  auto* dec = D.block(flow, "ICDCVARV3", counting("Z2", 1, 9, 2));
  auto* none = D.block(flow, "ICDCVARV3", invalid);
  ASSERT_TRUE(start && inc && wait && dec && none);
  ASSERT_TRUE(D.wire(flow, start, 1, inc, 1) && D.wire(flow, inc, 1, wait, 1) && D.wire(flow, wait, 1, dec, 1) &&
              D.wire(flow, dec, 1, none, 1) && D.wire(flow, none, 1, inc, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("&IVAR"), std::string::npos) << text;
  EXPECT_NE(text.find("DW1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("PW2\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("DW0\n"), std::string::npos) << text;
  int changes = 0, last = 0;
  watch = [&](int, const SimImage& sim) {
    changes += sim.word(1) != last;
    last = sim.word(1);
  };
  expectEquivalence(240, [](int) { return false; });
  const double cycle = 5 * k.tick() / 1000.0;
  // One visit at the start and one after every wait.
  EXPECT_EQ(changes, last);
  EXPECT_NEAR(last, 240 * cycle / 0.3, 2.0) << cycle;
  const int ups = get<std::int16_t>(DW(1)), downs = -get<std::int16_t>(PW(2));
  EXPECT_TRUE(ups == downs || ups == downs + 1) << ups << " " << downs;
}

// The extra values of a POSITION block: input aux[0], mode aux[1] (1/11
// counting up/down to a number, 2/12 to an operand), the counter's name and
// handle (class 5 for DW, 9 for PW, and the index), the result's text.
std::vector<double> position(std::int16_t input, std::int16_t mode, const char* counter, double cls, double index,
                             const char* result) {
  std::vector<double> slots = counting(counter, 0, cls, index);
  auto* words = reinterpret_cast<std::int16_t*>(slots.data());
  words[0] = input;
  words[1] = mode;
  std::memcpy(reinterpret_cast<char*>(slots.data()) + 26, result, std::strlen(result));
  return slots;
}

// Positioning: START -> motor 1 cw -> count 6 changes of E1 up in VAR2 ->
// motor 1 off -> count VAR2 down to VAR3 (0) -> back to cw. E1 changes every
// 7 cycles, so the motor runs for about 42 cycles and rests for about 42.
TEST_F(Flow, PositionLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("POSITION");
  auto* start = D.block(flow, "STARTV3");
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* up = D.block(flow, "POSITIONV3", position(1, 1, "VAR2", 5, 2, "6"));
  auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* down = D.block(flow, "POSITIONV3", position(1, 12, "VAR2", 5, 2, "VAR3"));
  ASSERT_TRUE(start && cw && up && off && down);
  ASSERT_TRUE(D.wire(flow, start, 1, cw, 1) && D.wire(flow, cw, 1, up, 1) && D.wire(flow, up, 1, off, 1) &&
              D.wire(flow, off, 1, down, 1) && D.wire(flow, down, 1, cw, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("&VRZF"), std::string::npos) << text;
  int highest = 0, lowest = 100;
  watch = [&](int cycle, const SimImage& sim) {
    if (cycle < 20) return;
    highest = std::max<int>(highest, sim.word(2));
    lowest = std::min<int>(lowest, sim.word(2));
  };
  const int on = expectEquivalence(300, [](int c) { return (c / 7) % 2 == 1; });
  EXPECT_EQ(highest, 6);
  EXPECT_EQ(lowest, 0);
  EXPECT_GT(on, 100);
  EXPECT_LT(on, 200);
}

// An invalid counter (the dialog's mark) writes no action: the flow waits in
// the block and nothing is counted.
TEST_F(Flow, InvalidPositionWritesNoAction) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("POSITION");
  std::vector<double> bad = position(1, 1, "VAR?", 5, 0, "6");
  reinterpret_cast<std::int16_t*>(bad.data())[3] = 1;
  auto* start = D.block(flow, "STARTV3");
  auto* wait = D.block(flow, "POSITIONV3", bad);
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  ASSERT_TRUE(start && wait && cw);
  ASSERT_TRUE(D.wire(flow, start, 1, wait, 1) && D.wire(flow, wait, 1, cw, 1));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_EQ(text.find("&VRZF"), std::string::npos) << text;
  EXPECT_EQ(expectEquivalence(60, [](int c) { return c % 2 == 1; }), 0);
}

// The extra values of a DISPLAY block: display aux[0], kind aux[1] (1 the
// constant aux[2], 2 the operand of the handle), the value's text.
std::vector<double> display(std::int16_t which, std::int16_t kind, std::int16_t constant, const char* value,
                            double cls, double index) {
  std::vector<double> slots = counting(value, 0, cls, index);
  auto* words = reinterpret_cast<std::int16_t*>(slots.data());
  words[0] = which;
  words[1] = kind;
  words[2] = constant;
  return slots;
}

// Displays: START -> display 1 shows 42 -> display 2 shows VAR1 -> VAR1 + 1
// -> wait 0.2 s -> back to display 1. The display words DW109/DW110 follow
// on the target and in the simulation alike.
TEST_F(Flow, DisplayLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("SHOW");
  std::vector<double> w = aux({});
  w.resize(14, 0.0);
  w[13] = 0.2;
  auto* start = D.block(flow, "STARTV3");
  auto* one = D.block(flow, "DISPLAYV3", display(1, 1, 42, "42", 0, 0));
  auto* two = D.block(flow, "DISPLAYV3", display(2, 2, 0, "VAR1", 5, 1));
  auto* inc = D.block(flow, "ICDCVARV3", counting("VAR1", 0, 5, 1));
  auto* wait = D.block(flow, "WAITV3", w);
  ASSERT_TRUE(start && one && two && inc && wait);
  ASSERT_TRUE(D.wire(flow, start, 1, one, 1) && D.wire(flow, one, 1, two, 1) && D.wire(flow, two, 1, inc, 1) &&
              D.wire(flow, inc, 1, wait, 1) && D.wire(flow, wait, 1, one, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("&SVAR"), std::string::npos) << text;
  int shown = 0, counted = 0;
  watch = [&](int, const SimImage& sim) {
    shown = sim.word(110);
    counted = sim.word(1);
    EXPECT_TRUE(shown == counted || shown + 1 == counted) << shown << " " << counted;
  };
  expectEquivalence(200, [](int) { return false; });
  EXPECT_EQ(get<std::int16_t>(DW(109)), 42);
  EXPECT_GT(counted, 3);
}

// The extra values of a MESSAGE block: the colour aux[0] and the text.
std::vector<double> message(std::int16_t colour, const char* text) {
  std::vector<double> slots = aux({colour});
  slots.resize(28, 0.0);
  std::memcpy(reinterpret_cast<char*>(slots.data()) + 16, text, std::strlen(text));
  return slots;
}

// Messages: START -> a green text with quotes -> a cyan text -> wait 0.2 s
// -> back. Each block has its own text constant, a '"' written as "'"; the
// colour word PW17 follows on the target and in the simulation alike.
TEST_F(Flow, MessageLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("MESSAGES");
  std::vector<double> w = aux({});
  w.resize(14, 0.0);
  w[13] = 0.2;
  auto* start = D.block(flow, "STARTV3");
  auto* hello = D.block(flow, "MESSAGEV3", message(103, "Say \"hello\""));
  auto* bye = D.block(flow, "MESSAGEV3", message(105, "Bye"));
  auto* wait = D.block(flow, "WAITV3", w);
  ASSERT_TRUE(start && hello && bye && wait);
  ASSERT_TRUE(D.wire(flow, start, 1, hello, 1) && D.wire(flow, hello, 1, bye, 1) && D.wire(flow, bye, 1, wait, 1) &&
              D.wire(flow, wait, 1, hello, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("=\"Say 'hello'\""), std::string::npos) << text;
  EXPECT_NE(text.find("=\"Bye\""), std::string::npos) << text;
  EXPECT_NE(text.find("&T2D"), std::string::npos) << text;
  int colours = 0, last = 0;
  watch = [&](int, const SimImage& sim) {
    colours += sim.param(17) != last;
    last = sim.param(17);
  };
  expectEquivalence(200, [](int) { return false; });
  EXPECT_GT(colours, 4);
}

// Terminal parameters: START -> EA = 7 -> EA + 1 -> EC = -3 -> wait 0.2 s ->
// back. DW101 alternates between 7 and 8, DW103 holds -3, on the target and
// in the simulation alike.
TEST_F(Flow, TerminalLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  Formulas formulas((d->dir / "bin").string());
  model::LogicRecord* flow = model::ge_NewLogic("TERMINAL");
  std::vector<double> w = aux({});
  w.resize(14, 0.0);
  w[13] = 0.2;
  auto* start = D.block(flow, "STARTV3");
  auto* ea = D.block(flow, "TERMINALV3", aux({0, 7}));
  auto* inc = D.block(flow, "ICDCVARV3", counting("EA", 0, 5, 101));
  auto* ec = D.block(flow, "TERMINALV3", aux({2, -3}));
  auto* wait = D.block(flow, "WAITV3", w);
  ASSERT_TRUE(start && ea && inc && ec && wait);
  ASSERT_TRUE(D.wire(flow, start, 1, ea, 1) && D.wire(flow, ea, 1, inc, 1) && D.wire(flow, inc, 1, ec, 1) &&
              D.wire(flow, ec, 1, wait, 1) && D.wire(flow, wait, 1, ea, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  int sevens = 0, eights = 0;
  watch = [&](int, const SimImage& sim) {
    sevens += sim.word(101) == 7;
    eights += sim.word(101) == 8;
  };
  expectEquivalence(200, [](int) { return false; });
  EXPECT_EQ(get<std::int16_t>(DW(103)), -3);
  EXPECT_GT(sevens, 3);
  EXPECT_GT(eights, 100);
}

// Beeps as timed steps: START -> motor 1 cw -> 440 Hz for 0.5 s -> motor 1
// off -> 880 Hz for 0.3 s -> back to cw. The target sounds the tones; the
// simulation times them without sound.
TEST_F(Flow, BeepLoopEqualsTheTargetEveryCycle) {
  Diagram& D = *d;
  model::LogicRecord* flow = model::ge_NewLogic("BEEPS");
  std::vector<double> b1 = aux({0, 440}), b2 = aux({0, 880});
  b1.resize(14, 0.0);
  b2.resize(14, 0.0);
  b1[13] = 0.5;
  b2[13] = 0.3;
  auto* start = D.block(flow, "STARTV3");
  auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* beep1 = D.block(flow, "SIGBEEPV3", b1);
  auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* beep2 = D.block(flow, "SIGBEEPV3", b2);
  ASSERT_TRUE(start && cw && beep1 && off && beep2);
  ASSERT_TRUE(D.wire(flow, start, 1, cw, 1) && D.wire(flow, cw, 1, beep1, 1) && D.wire(flow, beep1, 1, off, 1) &&
              D.wire(flow, off, 1, beep2, 1) && D.wire(flow, beep2, 1, cw, 2));
  ASSERT_NE(D.macro(D.main, flow), nullptr);
  const std::string text = writeWithLinks();
  EXPECT_NE(text.find("&TON\n:440\n:0\n"), std::string::npos) << text;
  const int on = expectEquivalence(400, [](int) { return false; });
  const double cycle = 5 * k.tick() / 1000.0;
  EXPECT_NEAR(on * cycle, 400 * cycle * 0.5 / 0.8, 0.2 * 400 * cycle) << on;
  EXPECT_GT(k.toneCount, 2);
}

// All seventeen blocks in one flow: START -> motor 1 cw -> E1 (YES on 1) ->
// falling edge of E1 -> wait 0.1 s -> VAR1 = VAR1 + 1 -> VAR1 < 3 ? (YES:
// back to cw) -> Z2 + 1 -> two changes of E1 counted in VAR2 -> display 1
// shows VAR1 -> message -> EA = 5 -> beep 0.1 s -> motor 1 off -> END; beside
// it RESET (VAR1 < 2), STOP (VAR1 > 2) and a display of A1.1.
// A connection with a drawn route, as the editor's wiring leaves it: from
// the output pin a step out of its side, along the gaps between the rows and
// columns of the demo's layout, and a step into the input pin from its side.
bool routedWire(model::LogicRecord* l, model::GateRecord* from, unsigned out, model::GateRecord* to, unsigned in) {
  std::int16_t ox, oy, ix, iy;
  std::uint16_t side;
  if (!model::gg_OutputPinPos(from, out, ox, oy, side) || !model::gg_InputPinPos(to, in, ix, iy, side)) return false;
  const model::GateTypeRecord* ft = model::subType(from);
  if (!ft) return false;
  const bool outRight = ox >= ft->Width;   // else the output leaves at the bottom
  const bool inLeft = ix <= 0;             // else the input enters at the top
  const int sx = from->X + ox, sy = from->Y + oy, dx = to->X + ix, dy = to->Y + iy;
  const int s1x = outRight ? sx + 10 : sx, s1y = outRight ? sy : sy + 10;
  const int d1x = inLeft ? dx - 10 : dx, d1y = inLeft ? dy : dy - 10;
  std::vector<std::pair<int, int>> pts{{sx, sy}, {s1x, s1y}};
  if (outRight && d1x < sx) {
    // Back past the source: down into the gap below its row first.
    const int gapY = from->Y + ft->Height + 20;
    pts.push_back({s1x, gapY});
    pts.push_back({d1x, gapY});
  } else if (s1x != d1x && s1y != d1y) {
    if (outRight) {
      pts.push_back({s1x, d1y});
    } else if (!inLeft) {
      // Into the next column: through the gap left of the target's column.
      const int channel = to->X - 40;
      pts.push_back({channel, s1y});
      pts.push_back({channel, d1y});
    } else {
      pts.push_back({d1x, s1y});
    }
  }
  pts.push_back({d1x, d1y});
  pts.push_back({dx, dy});
  // Without repeated points and points in the middle of a straight run.
  std::vector<std::pair<int, int>> route;
  for (const auto& p : pts) {
    if (!route.empty() && route.back() == p) continue;
    if (route.size() >= 2) {
      const auto& a = route[route.size() - 2];
      const auto& b = route.back();
      if ((a.first == b.first && b.first == p.first) || (a.second == b.second && b.second == p.second)) route.pop_back();
    }
    route.push_back(p);
  }
  model::WirePoint* head = nullptr;
  model::WirePoint** tail = &head;
  for (const auto& [x, y] : route) {
    if (!model::mm_New(*tail)) return false;
    (*tail)->X = std::int16_t(x);
    (*tail)->Y = std::int16_t(y);
    tail = &(*tail)->Next;
  }
  return model::ge_ConnectGates(l, to, in, from, out, nullptr, head);
}

struct DemoAll {
  model::LogicRecord* flow = nullptr;
  bool build(FixtureDocument& D) {
    flow = model::ge_NewLogic("ALL");
    std::vector<double> w = aux({});
    w.resize(14, 0.0);
    w[13] = 0.1;
    std::vector<double> beep = aux({0, 440});
    beep.resize(14, 0.0);
    beep[13] = 0.1;
    std::vector<double> c = formula("", "");
    std::memcpy(reinterpret_cast<char*>(c.data()) + 16, "VAR1<3", 6);
    reinterpret_cast<std::int16_t*>(c.data())[3] = 1;
    auto request = [](const char* condition) {
      std::vector<double> r = formula("", "");
      std::memcpy(reinterpret_cast<char*>(r.data()) + 16, condition, std::strlen(condition));
      return r;
    };
    std::vector<double> shown(28, 0.0);
    std::memcpy(reinterpret_cast<char*>(shown.data()) + 16, "A1.1", 4);
    auto* start = D.block(flow, "STARTV3");
    auto* cw = D.block(flow, "MOUTPUTV3", aux({1, 0, 2}));
    auto* in = D.block(flow, "BINPUTV3", aux({1, 0, 1}));
    auto* fall = D.block(flow, "BEDGEV3", aux({1, 1}));
    auto* wait = D.block(flow, "WAITV3", w);
    auto* inc = D.block(flow, "ASSIGNV3", formula("VAR1", "VAR1+1"));
    auto* cmp = D.block(flow, "COMPAREV3", c);
    auto* z2 = D.block(flow, "ICDCVARV3", counting("Z2", 0, 9, 2));
    auto* pos = D.block(flow, "POSITIONV3", position(1, 1, "VAR2", 5, 2, "2"));
    auto* dis = D.block(flow, "DISPLAYV3", display(1, 2, 0, "VAR1", 5, 1));
    auto* msg = D.block(flow, "MESSAGEV3", message(103, "Done"));
    auto* term = D.block(flow, "TERMINALV3", aux({0, 5}));
    auto* bp = D.block(flow, "SIGBEEPV3", beep);
    auto* off = D.block(flow, "MOUTPUTV3", aux({1, 0, 3}));
    auto* end = D.block(flow, "ENDEV3");
    auto* rst = D.block(flow, "RESETV3", request("VAR1<2"));
    auto* stp = D.block(flow, "STOPV3", request("VAR1>2"));
    auto* vis = D.block(flow, "VISUALV3", shown);
    const bool side = rst && stp && vis;
    // A sheet to look at: the flow in columns of five, the request and
    // display blocks in a column of their own.
    const model::GateRecord* order[] = {start, cw, in, fall, wait, inc, cmp, z2, pos, dis, msg, term, bp, off, end,
                                        rst, stp, vis};
    for (std::size_t k = 0; k < std::size(order); ++k)
      if (auto* g = const_cast<model::GateRecord*>(order[k])) {
        g->X = std::int16_t(60 + 140 * (k / 5));
        g->Y = std::int16_t(40 + 80 * (k % 5));
      }
    return side && start && cw && in && fall && wait && inc && cmp && z2 && pos && dis && msg && term && bp && off &&
           end && routedWire(flow, start, 1, cw, 1) && routedWire(flow, cw, 1, in, 1) && routedWire(flow, in, 2, fall, 1) &&
           routedWire(flow, fall, 1, wait, 1) && routedWire(flow, wait, 1, inc, 1) && routedWire(flow, inc, 1, cmp, 1) &&
           routedWire(flow, cmp, 2, cw, 2) && routedWire(flow, cmp, 1, z2, 1) && routedWire(flow, z2, 1, pos, 1) &&
           routedWire(flow, pos, 1, dis, 1) && routedWire(flow, dis, 1, msg, 1) && routedWire(flow, msg, 1, term, 1) &&
           routedWire(flow, term, 1, bp, 1) && routedWire(flow, bp, 1, off, 1) && routedWire(flow, off, 1, end, 1) &&
           D.macro(D.main, flow);
  }
};

TEST_F(Flow, AllSeventeenBlocksEqualTheTargetEveryCycle) {
  Formulas formulas((d->dir / "bin").string());
  DemoAll demo;
  ASSERT_TRUE(demo.build(*d));
  const int on = expectEquivalence(400, [](int c) { return (c / 10) % 2 == 1; });
  EXPECT_GT(on, 20);
  EXPECT_EQ(get<std::int16_t>(DW(1)), 3);
  EXPECT_EQ(get<std::int16_t>(PW(2)), 1);
  EXPECT_EQ(get<std::int16_t>(DW(109)), 3);
  EXPECT_EQ(get<std::int16_t>(DW(101)), 5);
  EXPECT_EQ(get<std::int16_t>(PW(17)), 103);
  EXPECT_EQ(get<std::uint8_t>(A(1, 1)), 0);
  EXPECT_NE(get<std::uint8_t>(A(12, 0)), 0);   // STOP: VAR1 > 2
}

TEST(DemoProject, FixtureIsTheSavedDemoWithAllBlocks) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / ("demoall_bin_" + std::to_string(::getpid()));
  {
    Formulas formulas((dir / "bin").string());
    expectSavedDemo<DemoAll>("demoall", ":1\n:1\n:1\n:3");
  }
  std::filesystem::remove_all(dir);
}

// The target text of the flow with all seventeen blocks against its golden
// file (tests/data/blocklib/demoall.txt; the writer's date is fixed, the
// names of the generated files that the formula blocks include are masked).
// ZERLO_WRITE_FIXTURES=1 writes the file anew.
TEST_F(Flow, AllSeventeenBlocksWriteTheGoldenText) {
  Formulas formulas((d->dir / "bin").string());
  DemoAll demo;
  ASSERT_TRUE(demo.build(*d));
  std::istringstream in(writeWithLinks());
  std::string text, line;
  while (std::getline(in, line)) {
    for (const char* mark : {"; include ", "; end of include "})
      if (line.rfind(mark, 0) == 0) line = std::string(mark) + "<generated>";
    text += line + "\n";
  }
  const std::string path = std::string(ZERLO_TEST_DATA) + "/blocklib/demoall.txt";
  if (const char* w = std::getenv("ZERLO_WRITE_FIXTURES"); w && std::string(w) == "1") {
    ASSERT_TRUE(plat::path::writeFileAtomic(path, text));
  }
  EXPECT_EQ(readFile(path), text);
}

// A parameter list of the flow with all seventeen blocks, written and read
// back into blocks whose extra values were cleared, gives every block its
// parameters again: every value the demo sets is a described field. (aux[6]
// and aux[7], the changed flag and the mode, are set by the blocks before
// every dialog and are no parameters.)
TEST_F(Flow, ParameterListKeepsEveryField) {
  DemoAll demo;
  ASSERT_TRUE(demo.build(*d));
  auto parameters = [](const model::GateInstance* i) {
    std::vector<char> bytes(reinterpret_cast<const char*>(i->ExtraValues),
                            reinterpret_cast<const char*>(i->ExtraValues + i->ExtraSlotCount));
    if (bytes.size() >= 16) std::fill(bytes.begin() + 12, bytes.begin() + 16, 0);
    return bytes;
  };
  std::vector<std::vector<char>> before;
  std::vector<model::GateInstance*> instances;
  for (model::GateRecord* g = demo.flow->FirstGate; g; g = g->Next) {
    model::GateInstance* i = d->inst(demo.flow, g);
    ASSERT_NE(i, nullptr);
    ASSERT_EQ(i->ExtraSlotCount, 28u);
    instances.push_back(i);
    before.push_back(parameters(i));
  }
  const std::string path = (d->dir / "ALL.LPA").string();
  ASSERT_TRUE(engine::lst_AllParamsWithHead(path, demo.flow->FirstGate, demo.flow->FirstInstance, "ALL", "11.12.26",
                                            nullptr));
  for (model::GateInstance* i : instances) std::fill(i->ExtraValues, i->ExtraValues + i->ExtraSlotCount, 0.0);
  ASSERT_TRUE(engine::lst_AllParamsFromFile(path, demo.flow->FirstGate, demo.flow->FirstInstance, nullptr));
  for (std::size_t k = 0; k < instances.size(); ++k)
    EXPECT_TRUE(parameters(instances[k]) == before[k]) << "block " << k << "\n" << readFile(path);
}

// A copy of the seventeen-block sheet keeps every wire (by pin) and every
// block's extra values.
TEST_F(Flow, CopiedSheetWithAllBlocksKeepsWiresAndParameters) {
  DemoAll demo;
  ASSERT_TRUE(demo.build(*d));
  model::LogicRecord* copy = model::ge_CopyGateSet("ALL2", demo.flow);
  ASSERT_NE(copy, nullptr);
  std::vector<model::GateRecord*> a, b;
  for (model::GateRecord* g = demo.flow->FirstGate; g; g = g->Next) a.push_back(g);
  for (model::GateRecord* g = copy->FirstGate; g; g = g->Next) b.push_back(g);
  ASSERT_EQ(a.size(), b.size());
  auto indexOf = [](const std::vector<model::GateRecord*>& v, const model::GateRecord* g) {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (v[i] == g) return int(i);
    return -1;
  };
  int wires = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(model::subType(a[i]), model::subType(b[i]));
    ASSERT_EQ(a[i]->InputCount, b[i]->InputCount);
    for (unsigned k = 0; k < a[i]->InputCount; ++k) {
      EXPECT_EQ(indexOf(a, a[i]->Inputs[k].Source), indexOf(b, b[i]->Inputs[k].Source)) << i << " " << k;
      EXPECT_EQ(a[i]->Inputs[k].SourcePin, b[i]->Inputs[k].SourcePin) << i << " " << k;
      wires += a[i]->Inputs[k].Source != nullptr;
    }
    ASSERT_EQ(a[i]->ExtraCount, b[i]->ExtraCount);
    EXPECT_EQ(std::memcmp(a[i]->Extra, b[i]->Extra, a[i]->ExtraCount * sizeof(a[i]->Extra[0])), 0) << i;
  }
  EXPECT_EQ(wires, 15);
}


// ---- simulated inputs ----

// The services of the run window for a press: the deferred calls the blocks
// queue (the bit dialog) run when the test says, as the worksheet's timer
// tick runs them, and the bit dialog is answered by a script.
class PressServices : public engine::RecordingEngineServices {
public:
  std::vector<std::function<void()>> queued;
  std::vector<std::string> asked;   // "E20 bit 0 shows 1"
  std::optional<bool> answer;       // none: Cancel
  bool queueDeferred(std::function<void()> call) override {
    queued.push_back(std::move(call));
    return true;
  }
  bool dialogBit(const engine::DialogOperand& op, bool& value, int bit) override {
    asked.push_back(op.title + " bit " + std::to_string(bit) + " shows " + (value ? "1" : "0"));
    if (!answer) return false;
    value = *answer;
    return true;
  }
  void runQueued() {
    std::vector<std::function<void()>> q = std::move(queued);
    queued.clear();
    for (auto& c : q) c();
  }
};

// A flow in the run window offline without a target: the engine's time
// steps alone, presses on blocks answered through the bit dialog. The flow's
// inputs E20 and up are not scripted by anyone else.
class SimulatedInputs : public Flow {
protected:
  PressServices press_;
  engine::EngineServices* previous_ = nullptr;
  model::LogicRecord* flow = nullptr;
  SimImage image;

  void SetUp() override {
    Flow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    previous_ = engine::setEngineServices(&press_);
    engine::xt_EnableThreads();
    flow = model::ge_NewLogic("PRESS");
  }
  void TearDown() override {
    engine::externState().kind3Window = false;
    engine::xt_DisableThreads();
    if (previous_) engine::setEngineServices(previous_);
    Flow::TearDown();
  }
  // run(): the text pass (allocation and link values), then the run window offline
  // with a time step of 10 ms.
  void run() {
    ASSERT_NE(d->macro(d->main, flow), nullptr);
    ASSERT_FALSE(writeWithLinks().empty());
    std::string why;
    ASSERT_TRUE(image.open(*d->doc, ZERLO_BLOCKLIB_SOURCE, &why)) << why;
    engine::ExternProgramState& st = engine::externState();
    st.kind3Window = true;
    st.onlineMode = false;
    model::LogicRecord* l = d->main;
    l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
    l->currentStep = l->previousStep = 0.01;
    l->StepBlock.simTime = 0.0;
    d->doc->SimLogic = l;
    d->doc->SimInstances = l->FirstInstance;
    d->doc->iterationCounter = 1;
  }
  // Runs n cycles; the cycles in which motor 1 ran cw.
  int cycles(int n) {
    int on = 0;
    for (int c = 0; c < n; ++c) {
      engine::ss_StepLevel(*d->doc);
      EXPECT_EQ(d->doc->runError, 0);
      on += image.output(1, 1);
    }
    return on;
  }
  // The block's instance under the flow's call on the main sheet, as the run
  // window shows it.
  model::GateInstance* instanceOf(model::GateRecord* g) {
    model::GateInstance* call = d->main->FirstInstance;
    while (call && !call->Children) call = call->Next;
    model::GateInstance* inst = call ? call->Children : nullptr;
    for (model::GateRecord* x = flow->FirstGate; x && inst; x = x->Next, inst = inst->Next)
      if (x == g) return inst;
    return nullptr;
  }
  // A press on the block (its parameter procedure, call reason 1), then the
  // worksheet's timer tick with the dialog answered (none: Cancel).
  // With a cycle first, the dialog is answered after a time step ran.
  void press(model::GateRecord* g, std::optional<bool> answer, bool cycleFirst = false) {
    press_.answer = answer;
    model::GateInstance* inst = instanceOf(g);
    ASSERT_NE(inst, nullptr);
    engine::xt_SetCallReason(1);
    EXPECT_EQ(engine::vm().run(g, inst, model::subType(g)->Procs[4]), 0) << engine::vm().lastError();
    engine::xt_SetCallReason(0);
    if (cycleFirst) {
      EXPECT_EQ(cycles(1), 0);
    }
    press_.runQueued();
  }
  // The cycles until motor 1 runs cw (at most 'most'; most + 1 when it did not).
  int cyclesUntilMotor(int most) {
    for (int c = 1; c <= most; ++c)
      if (cycles(1)) return c;
    return most + 1;
  }
};

// START -> E20 (YES on level 1) -> motor 1 cw -> END. A press on the INPUT
// block asks for E20's level (showing the level as set); Cancel changes
// nothing, 1 lets the flow go on within three cycles.
TEST_F(SimulatedInputs, PressingInputSetsItsLevel) {
  auto* start = d->block(flow, "STARTV3");
  auto* in = d->block(flow, "BINPUTV3", aux({20, 5, 1}));
  auto* cw = d->block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* end = d->block(flow, "ENDEV3");
  ASSERT_TRUE(start && in && cw && end);
  ASSERT_TRUE(d->wire(flow, start, 1, in, 1) && d->wire(flow, in, 2, cw, 1) && d->wire(flow, cw, 1, end, 1));
  run();
  EXPECT_EQ(cycles(10), 0);
  press(in, std::nullopt);
  EXPECT_EQ(press_.asked, std::vector<std::string>{"E20 bit 0 shows 0"});
  EXPECT_EQ(cycles(10), 0) << "Cancel changes nothing";
  press(in, true);
  EXPECT_EQ(cyclesUntilMotor(5), 2) << "the cycle after the answer sees E20, the motor step acts in the next";
  // The motor's step is left at once; the flow rests at END. A second press
  // shows the level as set.
  press(in, std::nullopt);
  EXPECT_EQ(press_.asked.back(), "E20 bit 0 shows 1");
  EXPECT_EQ(press_.asked.size(), 3u);
}

// An answer that comes after a time step ran is taken by the block's next
// cycle and seen by the one after.
TEST_F(SimulatedInputs, LateAnswerIsTakenByTheBlock) {
  auto* start = d->block(flow, "STARTV3");
  auto* in = d->block(flow, "BINPUTV3", aux({20, 5, 1}));
  auto* cw = d->block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  ASSERT_TRUE(start && in && cw);
  ASSERT_TRUE(d->wire(flow, start, 1, in, 1) && d->wire(flow, in, 2, cw, 1));
  run();
  EXPECT_EQ(cycles(10), 0);
  press(in, true, true);
  EXPECT_EQ(cyclesUntilMotor(5), 3);
}

// START -> rising edge of E20 -> motor 1 cw -> rising edge of E20 -> motor
// 1 off -> END. Each rising edge answered through the dialog fires once: the
// first starts the motor and the second block waits for the next one; a
// press that keeps the level, or lowers it, fires nothing.
TEST_F(SimulatedInputs, PressingEdgeFiresOnceOnTheRisingEdge) {
  auto* start = d->block(flow, "STARTV3");
  auto* rise1 = d->block(flow, "BEDGEV3", aux({20, 0}));
  auto* cw = d->block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* rise2 = d->block(flow, "BEDGEV3", aux({20, 0}));
  auto* off = d->block(flow, "MOUTPUTV3", aux({1, 0, 3}));
  auto* end = d->block(flow, "ENDEV3");
  ASSERT_TRUE(start && rise1 && cw && rise2 && off && end);
  ASSERT_TRUE(d->wire(flow, start, 1, rise1, 1) && d->wire(flow, rise1, 1, cw, 1) && d->wire(flow, cw, 1, rise2, 1) &&
              d->wire(flow, rise2, 1, off, 1) && d->wire(flow, off, 1, end, 1));
  run();
  EXPECT_EQ(cycles(10), 0);
  press(rise1, true);
  EXPECT_EQ(cyclesUntilMotor(6), 2);
  EXPECT_EQ(cycles(20), 20) << "the edge fired once";
  press(rise2, true);   // the level stays 1: no edge
  EXPECT_EQ(cycles(10), 10);
  press(rise2, false);   // falling
  EXPECT_EQ(cycles(10), 10);
  press(rise2, true);
  cycles(6);
  EXPECT_EQ(cycles(10), 0) << "the second rising edge stopped the motor";
}

// START -> POSITION (count the changes of E20 up in VAR2 to 4) -> motor 1
// cw -> END: every answered change counts once; Cancel counts nothing.
TEST_F(SimulatedInputs, PressingPositionCounts) {
  Formulas formulas((d->dir / "bin").string());
  auto* start = d->block(flow, "STARTV3");
  auto* pos = d->block(flow, "POSITIONV3", position(20, 1, "VAR2", 5, 2, "4"));
  auto* cw = d->block(flow, "MOUTPUTV3", aux({1, 0, 2}));
  auto* end = d->block(flow, "ENDEV3");
  ASSERT_TRUE(start && pos && cw && end);
  ASSERT_TRUE(d->wire(flow, start, 1, pos, 1) && d->wire(flow, pos, 1, cw, 1) && d->wire(flow, cw, 1, end, 1));
  run();
  EXPECT_EQ(cycles(10), 0);
  std::vector<int> counts;
  for (std::optional<bool> level : {std::optional<bool>(true), std::optional<bool>(), std::optional<bool>(false),
                                    std::optional<bool>(true)}) {
    press(pos, level);
    EXPECT_EQ(cycles(5), 0);
    counts.push_back(image.word(2));
  }
  EXPECT_EQ(counts, (std::vector<int>{1, 1, 2, 3}));
  press(pos, false);
  EXPECT_GT(cycles(8), 0) << "the fourth change reaches the limit";
  EXPECT_EQ(image.word(2), 4);
}

} // namespace
} // namespace zcdtest
