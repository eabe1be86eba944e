// Demo A on the road to the target: "motor 1 cw until E1, then off" drawn
// with the standard block library's flow blocks in a sequence sheet, its
// target program text written, compiled against the software PLC's own
// description with no error and no warning, downloaded and run.
#include "target_fixture.h"

#include "engine/externs.h"
#include "engine/levels.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"

#include <cstdlib>
#include <functional>
#include <fstream>

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

// The writer's passes read the link values their predecessors published:
// a first text pass allocates, time steps gather (two: a wire back to an
// earlier block delivers its value one step late), the second writes.
template <class Write> std::string writeWithLinks(FixtureDocument& D, Write write) {
  if (write().empty()) return "";
  model::LogicRecord* l = D.main;
  l->StepBlock.simTime = -1.0;
  l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
  l->StepBlock.maxIterations = 1;
  l->currentStep = l->previousStep = 0.01;
  D.doc->SimLogic = l;
  D.doc->SimInstances = l->FirstInstance;
  D.doc->iterationCounter = 1;
  engine::ss_StepLevel(*D.doc);
  engine::ss_StepLevel(*D.doc);
  return write();
}

class Flow : public Target {
protected:
  void SetUp() override {
    Target::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(loadInstalledLibrary(*d));
  }
  std::string writeWithLinks() { return zcdtest::writeWithLinks(*d, [&] { return d->write(); }); }
  int expectEquivalence(int cycles, const std::function<bool(int)>& e1);
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

// The simulated image in the library's variable block (offsets from the
// library's source).
class SimImage {
public:
  bool open(model::DocumentRecord& doc, const std::string& sourcePath) {
    zasm::ModuleSource src;
    std::string err;
    if (!zasm::assembleLibraryFile(sourcePath, src, err)) return false;
    for (model::ProjectModule* m = doc.FirstModule; m; m = m->Next)
      if (std::strncmp(m->Name, "ZRLFB02", 12) == 0) vars_ = static_cast<std::uint8_t*>(m->VariableBlock);
    eraw_ = src.varLabels["eraw"];
    aimg_ = src.varLabels["aimg"];
    mimg_ = src.varLabels["mimg"];
    return vars_ != nullptr;
  }
  void setInput(int element, int bit, bool on) { vars_[eraw_ + 2 * (element * 8 + bit)] = on ? 1 : 0; }
  bool output(int element, int bit) const {
    return element < 16 && vars_[aimg_ + 2 * (element * 8 + bit)] != 0;
  }
  bool flag(int byte, int bit) const { return byte < 128 && vars_[mimg_ + 2 * (byte * 8 + bit)] != 0; }

private:
  std::uint8_t* vars_ = nullptr;
  std::uint32_t eraw_ = 0, aimg_ = 0, mimg_ = 0;
};

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

  SimImage sim;
  EXPECT_TRUE(sim.open(*D.doc, ZERLO_BLOCKLIB_SOURCE));
  engine::ExternProgramState& st = engine::externState();
  st.kind3Window = true;   // the run window, offline: the blocks simulate
  st.onlineMode = false;
  // One time step is one task cycle: five kernel ticks.
  model::LogicRecord* l = D.main;
  l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 5 * k.tick() / 1000.0;
  l->currentStep = l->previousStep = l->StepBlock.interval;
  l->StepBlock.simTime = 0.0;
  D.doc->iterationCounter = 1;

  // The sequencer's own words (fired list, error word, count arrays) are the
  // target's bookkeeping, which the simulation keeps in its image instead.
  auto bookkeeping = [](int w) {
    for (int n = 0; n <= 4; ++n) {
      const zcd::TargetModuleRecord* r = zcd::moduleRecord(n);
      if (!r || (!r->bitCount && !r->wordCount)) continue;
      if ((w >= r->trBase && w < r->trBase + r->wordCount) || w == r->errWord ||
          (w >= r->cpsBase && w < r->cpsBase + r->bitCount) || (w >= r->cmsBase && w < r->cmsBase + r->bitCount))
        return true;
    }
    return false;
  };
  tick(1);
  int motorCycles = 0;
  for (int cycle = 1; cycle <= cycles && !HasFailure(); ++cycle) {
    const bool in = e1(cycle);
    k.inImage[0] = in ? 1u : 0u;
    sim.setInput(1, 0, in);
    tick(5);
    engine::ss_StepLevel(*D.doc);
    EXPECT_EQ(D.doc->runError, 0) << "cycle " << cycle;
    for (int e = 1; e <= 13; ++e)
      for (int b = 0; b < 8; ++b)
        EXPECT_EQ(get<std::uint8_t>(A(e, b)) != 0, sim.output(e, b)) << "cycle " << cycle << " A" << e << "." << b;
    for (int m = 1; m < 16; ++m)
      for (int b = 0; b < 8; ++b)
        EXPECT_EQ(get<std::uint8_t>(M(m, b)) != 0, sim.flag(m, b)) << "cycle " << cycle << " M" << m << "." << b;
    for (int w = 1; w <= 110; ++w)
      if (!bookkeeping(w)) EXPECT_EQ(get<std::int16_t>(DW(w)), 0) << "cycle " << cycle << " DW" << w;
    for (int w = 1; w <= 17; ++w) EXPECT_EQ(get<std::int16_t>(PW(w)), 0) << "cycle " << cycle << " PW" << w;
    motorCycles += sim.output(1, 1);
  }
  st.kind3Window = false;
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

// Demo A as a project file (tests/data/blocklib/demoa.mdl): the document of
// this test with only the extern library and ZRLFB02 as modules, read from the
// installed library file. ZERLO_WRITE_FIXTURES=1 writes the file anew.
TEST(DemoProject, FixtureIsTheSavedDemo) {
  FixtureDocument D(std::string(ZERLO_TEST_DATA) + "/zcdwriter", false);
  D.externs = model::doc_AddModule(*D.doc, "EXTERNAL", model::kModuleCompiled);
  D.externs->Loaded = 1;
  ASSERT_TRUE(loadInstalledLibrary(D));
  DemoA demo;
  ASSERT_TRUE(demo.build(D));
  // Saved after the text passes: the blocks' link values and allocations
  // are in the file, so its first text pass lists the transitions.
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / ("demoa_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  zcd::WriterEnvironment& env = zcd::writerEnvironment();
  const zcd::WriterEnvironment previousEnv = env;
  env.mainPath = [dir] { return (dir / "DEMOA.ZCD").string(); };
  env.tempDir = [dir] { return dir.string() + "/"; };
  env.now = [] { return std::time_t(0); };
  const std::string text = writeWithLinks(D, [&] {
    D.doc->LevelInstances[1] = D.main->FirstInstance;
    std::string why;
    return zcd::zcd_WriteProgram(*D.doc, &why) ? readFile((dir / "DEMOA.ZCD").string()) : std::string();
  });
  env = previousEnv;
  std::filesystem::remove_all(dir);
  EXPECT_NE(text.find(":1\n:1\n:1\n:3"), std::string::npos) << text;
  D.doc->SimLogic = nullptr;
  const std::vector<std::uint8_t> bytes = modelfiles::mdl_EncodeProject(*D.doc);
  const std::string path = std::string(ZERLO_TEST_DATA) + "/blocklib/demoa.mdl";
  if (const char* w = std::getenv("ZERLO_WRITE_FIXTURES"); w && std::string(w) == "1")
    ASSERT_TRUE(plat::path::writeFileAtomic(path, std::string(bytes.begin(), bytes.end())));
  EXPECT_EQ(readFile(path), std::string(bytes.begin(), bytes.end())) << "demo A's project file is not current";
}

} // namespace
} // namespace zcdtest
