// The time step on real diagrams built with the model's editing operations and
// the fixture library written with the assembler.
#include "harness.h"

#include "engine/levels.h"
#include "engine/stepcmd.h"
#include "engine/timestep.h"

#include "model/connections.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/instances.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace engine::test {

namespace {

std::string fixtureText() {
  std::ifstream in(std::string(ZERLO_TEST_DATA) + "/engine/fixlib.zas");
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Diagram : public ::testing::Test {
protected:
  Harness h;
  model::EditorServices* prevEditor = nullptr;
  model::FakeEditor editor;
  model::LogicRecord* main = nullptr;

  void SetUp() override {
    prevEditor = model::setEditor(&editor);
    model::CurrentDocument = h.doc;
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::DefaultVectorDimension = 1;
    std::string err;
    ASSERT_TRUE(h.load(fixtureText() + extraTypes(), &err)) << err;
    h.doc->SimLogic = nullptr;
    main = model::ge_NewLogic("MAIN");
    ASSERT_NE(main, nullptr);
  }
  // Further types of the fixture library for one group of tests.
  virtual std::string extraTypes() const { return ""; }
  void TearDown() override {
    vm().reset();
    model::CurrentDocument = nullptr;
    model::setEditor(prevEditor);
  }

  model::GateRecord* block(model::LogicRecord* l, const char* type, double extra = 0.0,
                           model::PinSignalType pinType = model::kTypeReal) {
    model::GateTypeRecord* t = h.type(type);
    EXPECT_NE(t, nullptr) << type;
    model::GateSpec s;
    s.kind = model::kKindCompiled;
    s.sub = t;
    s.inputCount = t->InputCount;
    s.outputCount = t->OutputCount;
    s.extraCount = t->ExtraCount;
    s.stateCount = t->StateCount;
    s.inputType = pinType;
    s.outputType = pinType;
    s.x = 100;
    s.y = 100;
    std::uint16_t seq = 0;
    model::GateRecord* g = nullptr;
    model::GateInstance* in = nullptr;
    EXPECT_TRUE(model::ge_CreateGate(l, s, seq, g, in));
    if (g && g->ExtraCount) {
      g->Extra[0] = extra;
      model::inst_ForEachList(l, [&](model::GateInstance*& head) {
        if (model::GateInstance* gi = model::inst_Parallel(l, head, g)) gi->ExtraValues[0] = extra;
      });
    }
    return g;
  }
  void wire(model::LogicRecord* l, model::GateRecord* from, unsigned out, model::GateRecord* to, unsigned in) {
    ASSERT_TRUE(model::ge_ConnectGates(l, to, in, from, out, nullptr, nullptr))
      << "types " << from->Outputs[out - 1].Type << " -> " << to->Inputs[in - 1].Type;
  }
  model::GateInstance* inst(model::LogicRecord* l, model::GateRecord* g) {
    return model::inst_Parallel(l, l->FirstInstance, g);
  }
  void startAtZero(model::LogicRecord* l, double width = 0.1, std::uint16_t limit = 10) {
    l->StepBlock.simTime = -1.0;
    l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = width;
    l->StepBlock.incrInterval = 2.0;
    l->StepBlock.maxIterations = limit;
    l->StepBlock.stepFlags = 0;
    l->currentStep = l->previousStep = width;
    h.doc->MacroLevel = 1;
    h.doc->LevelLogics[1] = l;
    h.doc->LevelInstances[1] = l->FirstInstance;
    h.doc->SimLogic = l;
    h.doc->SimInstances = l->FirstInstance;
    h.doc->iterationCounter = 1;
  }
};

} // namespace

TEST_F(Diagram, ConstantIntegratedAtPointOneGivesTwoAfterTenSteps) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* i = block(main, "INTEG");
  wire(main, c, 1, i, 1);
  startAtZero(main);
  ss_StepLevel(*h.doc);   // time 0.0
  EXPECT_EQ(main->StepBlock.simTime, 0.0);
  EXPECT_EQ(inst(main, i)->OutputValues[0], 0.0);
  for (int k = 1; k <= 10; ++k) {
    ss_StepLevel(*h.doc);
    EXPECT_NEAR(main->StepBlock.simTime, 0.1 * k, 1e-9);
    EXPECT_NEAR(inst(main, i)->OutputValues[0], 0.2 * k, 1e-9) << "step " << k;
  }
  EXPECT_NEAR(inst(main, i)->OutputValues[0], 2.0, 1e-9);
  EXPECT_EQ(h.doc->runError, 0);
}

// The time step keeps what is the same in every step per gate (code, areas,
// input sources); an edit between two steps is seen by the next one.
TEST_F(Diagram, EditsBetweenStepsAreSeenByTheNextStep) {
  model::GateRecord* one = block(main, "CONST", 1.0);
  model::GateRecord* five = block(main, "CONST", 5.0);
  model::GateRecord* gain = block(main, "GAIN", 2.0);
  model::GateRecord* after = block(main, "GAIN", 3.0);
  wire(main, one, 1, gain, 1);
  wire(main, gain, 1, after, 1);
  startAtZero(main);
  auto step = [&] {
    h.doc->iterationCounter = 1;
    sim_Step(*h.doc);
    return inst(main, gain)->OutputValues[0];
  };
  EXPECT_DOUBLE_EQ(step(), 2.0);
  EXPECT_DOUBLE_EQ(step(), 2.0);
  // Another source for the same input.
  ASSERT_TRUE(model::ge_ConnectPin(main, gain, 1, true));
  wire(main, five, 1, gain, 1);
  EXPECT_DOUBLE_EQ(step(), 10.0);
  EXPECT_DOUBLE_EQ(inst(main, after)->OutputValues[0], 30.0);
  // The source and then the gate itself deleted between steps: the input
  // reads its own slot (what it last held), and the gates after it go on.
  ASSERT_TRUE(model::ge_DeleteGate(main, five));
  h.doc->SimInstances = main->FirstInstance;
  EXPECT_DOUBLE_EQ(step(), 10.0);
  ASSERT_TRUE(model::ge_DeleteGate(main, gain));
  h.doc->SimInstances = main->FirstInstance;
  h.doc->iterationCounter = 1;
  sim_Step(*h.doc);
  EXPECT_DOUBLE_EQ(inst(main, after)->OutputValues[0], 30.0);
  // A new source.
  model::GateRecord* two = block(main, "CONST", 2.0);
  wire(main, two, 1, after, 1);
  h.doc->SimInstances = main->FirstInstance;
  h.doc->iterationCounter = 1;
  sim_Step(*h.doc);
  EXPECT_DOUBLE_EQ(inst(main, after)->OutputValues[0], 6.0);
  EXPECT_EQ(h.doc->runError, 0);
}

TEST_F(Diagram, TwoLevelDiagramSimulatesToKnownValues) {
  // SUB: Input -> GAIN 1.5 -> Output
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  ASSERT_NE(sub, nullptr);
  model::GateRecord* pin = nullptr;
  model::GateRecord* pout = nullptr;
  h.shell.ports.push_back({true, "IN", 7});    // one element, kind kept
  h.shell.ports.push_back({true, "OUT", 7});
  ASSERT_TRUE(model::ge_CreateGateAsked(sub, model::kKindInput, nullptr, nullptr, 20, 100, pin));
  model::GateRecord* gain = block(sub, "GAIN", 1.5);
  ASSERT_TRUE(model::ge_CreateGateAsked(sub, model::kKindOutput, nullptr, nullptr, 300, 100, pout));
  ASSERT_EQ(pin->Kind, model::kKindInput);
  ASSERT_EQ(pout->Kind, model::kKindOutput);
  // REAL ports.
  pin->Outputs[0].Type = model::kTypeReal;
  pout->Inputs[0].Type = model::kTypeReal;
  wire(sub, pin, 1, gain, 1);
  wire(sub, gain, 1, pout, 1);
  // MAIN: CONST 2 -> SUB -> INTEG, and SUM(SUB, CONST)
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 100, call));
  ASSERT_EQ(call->InputCount, 1);
  ASSERT_EQ(call->OutputCount, 1);
  model::GateRecord* sum = block(main, "SUM");
  model::GateRecord* integ = block(main, "INTEG");
  wire(main, c, 1, call, 1);
  wire(main, call, 1, sum, 1);
  wire(main, c, 1, sum, 2);
  wire(main, call, 1, integ, 1);
  startAtZero(main);
  const std::string text = runSteps(h.doc, 11);
  EXPECT_NEAR(inst(main, call)->OutputValues[0], 3.0, 1e-9) << text;
  EXPECT_NEAR(inst(main, sum)->OutputValues[0], 5.0, 1e-9) << text;
  EXPECT_NEAR(inst(main, integ)->OutputValues[0], 3.0, 1e-9) << text;
  EXPECT_NE(text.find("step 11 t=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("G4 INTEG: 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    G2 GAIN: 3\n"), std::string::npos) << text;
  EXPECT_EQ(h.doc->runError, 0);

  // Entering the macro opens level 2 with the call's instances.
  EXPECT_TRUE(ss_EnterMacroLevel(*h.doc, sub));
  EXPECT_EQ(h.doc->MacroLevel, 2);
  EXPECT_EQ(h.doc->LevelLogics[2], sub);
  EXPECT_EQ(h.doc->LevelInstances[2], inst(main, call)->Children);
  EXPECT_FALSE(ss_EnterMacroLevel(*h.doc, main)) << "no call of MAIN at level 2";
  EXPECT_EQ(h.services.calls.back(), "rebuild") << "the view rebuilds for the new level";
}

// The negation a connection really applies is input flag bit 1 (the input's
// own bit 0 XOR the source output's bit 0): a negated source output, a
// negated input, both, and neither.
TEST_F(Diagram, WordInputsAreComplementedByTheAppliedNegation) {
  struct Row { bool sourceNegated, inputNegated; std::uint16_t expected; };
  const Row rows[] = {{false, false, 0x1234}, {true, false, 0xEDCB}, {false, true, 0xEDCB}, {true, true, 0x1234}};
  for (const Row& r : rows) {
    model::LogicRecord* l = model::ge_NewLogic(r.sourceNegated ? (r.inputNegated ? "NN" : "NS") : (r.inputNegated ? "NI" : "N0"));
    ASSERT_NE(l, nullptr);
    model::GateRecord* src = block(l, "WSRC", 0.0, 16);
    model::GateRecord* pass = block(l, "WPASS", 0.0, 16);
    wire(l, src, 1, pass, 1);
    if (r.sourceNegated) {
      ASSERT_TRUE(model::ge_NegatePin(l, src, 1, false));
    }
    if (r.inputNegated) {
      ASSERT_TRUE(model::ge_NegatePin(l, pass, 1, true));
    }
    const std::uint16_t value = 0x1234;
    std::memcpy(inst(l, src)->ExtraValues, &value, 2);
    startAtZero(l);
    ss_StepLevel(*h.doc);
    std::uint16_t in = 0, out = 0, back = 0;
    std::memcpy(&in, inst(l, pass)->InputValues, 2);
    std::memcpy(&out, inst(l, pass)->OutputValues, 2);
    std::memcpy(&back, inst(l, src)->OutputValues, 2);
    EXPECT_EQ(in, r.expected) << r.sourceNegated << r.inputNegated;
    EXPECT_EQ(out, r.expected) << r.sourceNegated << r.inputNegated;
    EXPECT_EQ(back, value) << "written back complemented again: the source keeps its value";
  }
}

// Writing the input slots back to their sources: code that writes its input
// slot changes its source; code that does not, but reads its own output,
// still marks the pass as changed when its run changed that output.
class InputWriteBack : public Diagram {
protected:
  std::string extraTypes() const override {
    return "type SETIN\n  inputs 20\n  outputs 20\n  extra 1\n  step\n"
           "    movr in:0, extra:0\n    movr out:0, in:0\n    end\n  endproc\nendtype\n"
           "type INC\n  inputs 20\n  outputs 20\n  extra 1\n  step\n"
           "    addr in:0, extra:0\n    movr out:0, stack:0\n    end\n  endproc\nendtype\n";
  }
  void pass(model::LogicRecord* l) {
    h.doc->changed = 0;
    sim_StepLogic(*h.doc, l, l->FirstInstance);
  }
};

TEST_F(InputWriteBack, CodeWritingItsInputChangesTheSource) {
  model::GateRecord* src = block(main, "CONST", 1.0);
  model::GateRecord* set = block(main, "SETIN", 5.0);
  wire(main, src, 1, set, 1);
  startAtZero(main);
  pass(main);
  EXPECT_EQ(inst(main, set)->OutputValues[0], 5.0);
  EXPECT_EQ(inst(main, src)->OutputValues[0], 5.0) << "the written input went back to its source";
  EXPECT_EQ(h.doc->changed, 1);
}

TEST_F(InputWriteBack, OwnOutputChangedByTheRunMarksThePass) {
  model::GateRecord* inc = block(main, "INC", 1.0);
  wire(main, inc, 1, inc, 1);
  ASSERT_EQ(inst(main, inc)->InputRefs[0], inst(main, inc)->OutputValues) << "the input reads the gate's output";
  startAtZero(main);
  pass(main);   // gathers 0 (no change), the run makes the output 1
  EXPECT_EQ(inst(main, inc)->OutputValues[0], 1.0);
  EXPECT_EQ(h.doc->changed, 1) << "the input slot no longer matches its source";
  // A gate that neither writes its input nor reads its own slots: a pass
  // over settled values changes nothing.
  model::LogicRecord* chain = model::ge_NewLogic("CHAIN");
  model::GateRecord* c = block(chain, "CONST", 2.0);
  model::GateRecord* g = block(chain, "GAIN", 3.0);
  wire(chain, c, 1, g, 1);
  startAtZero(chain);
  pass(chain);
  EXPECT_EQ(inst(chain, g)->OutputValues[0], 6.0);
  EXPECT_EQ(inst(chain, c)->OutputValues[0], 2.0);
  pass(chain);
  EXPECT_EQ(h.doc->changed, 0);
}

// A gate in an endless loop uses its budget once per time step (one run
// error) and is not run again in the step's further iterations.
TEST_F(Diagram, EndlessLoopStopsForTheRestOfTheStep) {
  block(main, "LOOP");
  block(main, "CHURN");   // keeps the step iterating up to its limit
  startAtZero(main);
  const std::uint64_t budget = 2000;
  vm().setBudget(budget);
  for (int step = 1; step <= 2; ++step) {
    const std::uint64_t before = vm().instructionsExecuted();
    h.doc->runError = 0;
    ss_StepLevel(*h.doc);
    const std::uint64_t used = vm().instructionsExecuted() - before;
    EXPECT_GE(used, budget) << "step " << step << ": the loop ran once";
    EXPECT_LT(used, 2 * budget) << "step " << step << ": and only once";
    EXPECT_EQ(h.doc->runError, 1);
  }
  vm().setBudget(Vm::kDefaultBudget);
}

// The integrator across a change of the step width: the history is
// resampled and a constant input still integrates to 2 t.
TEST_F(Diagram, IntegratorAcrossAWidthChange) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* i = block(main, "INTEG");
  wire(main, c, 1, i, 1);
  startAtZero(main);
  main->StepBlock.maxInterval = 1.0;
  ss_StepLevel(*h.doc);
  for (int k = 1; k <= 12; ++k) {
    if (k == 4) main->StepBlock.interval = 0.25;   // wider from the step after next
    if (k == 9) main->StepBlock.interval = 0.05;   // and narrower
    ss_StepLevel(*h.doc);
    EXPECT_NEAR(inst(main, i)->OutputValues[0], 2.0 * main->StepBlock.simTime, 1e-9) << "step " << k;
  }
  EXPECT_NEAR(main->StepBlock.simTime, 0.4 + 5 * 0.25 + 3 * 0.05, 1e-9) << "the widths were used";
  EXPECT_EQ(h.doc->runError, 0);
}

TEST_F(Diagram, EnteringAtLevel25DoesNothing) {
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  model::GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 100, call));
  startAtZero(main);
  h.doc->MacroLevel = 25;
  h.doc->LevelLogics[25] = main;
  h.doc->LevelInstances[25] = main->FirstInstance;
  EXPECT_FALSE(ss_EnterMacroLevel(*h.doc, sub));
  EXPECT_EQ(h.doc->MacroLevel, 25);
  h.doc->MacroLevel = 24;
  h.doc->LevelLogics[24] = main;
  h.doc->LevelInstances[24] = main->FirstInstance;
  EXPECT_TRUE(ss_EnterMacroLevel(*h.doc, sub));
  EXPECT_EQ(h.doc->MacroLevel, 25);
}

TEST_F(Diagram, LevelStepAddsOnlyTheWidth) {
  block(main, "CONST", 1.0);
  startAtZero(main, 0.25);
  main->StepBlock.simTime = 0.0;
  ss_StepLevel(*h.doc);
  EXPECT_DOUBLE_EQ(main->StepBlock.simTime, 0.25);
  ss_StepLevel(*h.doc);
  EXPECT_DOUBLE_EQ(main->StepBlock.simTime, 0.5);
  main->StepBlock.simTime = -3.0;
  ss_StepLevel(*h.doc);
  EXPECT_DOUBLE_EQ(main->StepBlock.simTime, 0.0);
}

TEST_F(Diagram, QuietLogicTakesOneIteration) {
  block(main, "CONST", 0.05);
  startAtZero(main);
  main->StepBlock.simTime = 0.0;
  h.doc->iterationCounter = 1;
  EXPECT_EQ(sim_Step(*h.doc), 0);
  EXPECT_EQ(h.doc->iterationCounter, 2);
}

// A dialog held open by block code across three timer ticks: each tick's
// step is skipped while the first step is still in progress.
namespace {
model::DocumentRecord* gNestedDoc = nullptr;
StepHandler gOriginal = nullptr;
std::vector<int> gNestedResults;
void dialogAcrossThreeTicks(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  gOriginal(doc, g, in);
  const int before = doc.iterationCounter;
  const double time = doc.SimLogic->StepBlock.simTime;
  for (int tick = 0; tick < 3; ++tick) gNestedResults.push_back(sim_Step(*gNestedDoc));
  ss_StepLevel(*gNestedDoc);   // a step command from the nested loop changes nothing either
  gNestedResults.push_back(doc.SimLogic->StepBlock.simTime == time ? 0 : 1);
  gNestedResults.push_back(doc.iterationCounter - before);
}
} // namespace

TEST_F(Diagram, TicksDuringAStepInProgressAreSkipped) {
  block(main, "CONST", 0.05);
  startAtZero(main);
  main->StepBlock.simTime = 0.0;
  h.doc->iterationCounter = 1;
  gNestedDoc = h.doc;
  gNestedResults.clear();
  gOriginal = GateStepTable[model::kKindCompiled];
  GateStepTable[model::kKindCompiled] = dialogAcrossThreeTicks;
  const unsigned skipped = sim_SkippedSteps();
  const std::uint8_t r = sim_Step(*h.doc);
  GateStepTable[model::kKindCompiled] = gOriginal;
  EXPECT_EQ(r, 0);
  EXPECT_EQ(gNestedResults, (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(sim_SkippedSteps() - skipped, 4u);
  EXPECT_FALSE(sim_StepInProgress());
  EXPECT_EQ(h.doc->iterationCounter, 2);
}

// A pass's plan (with the direct form of lean code) is made again when the
// links move: the library linked again between steps, its GAIN now adding,
// runs its new code.
TEST_F(Diagram, LibraryLinkedAgainBetweenStepsRunsItsNewCode) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* g = block(main, "GAIN", 3.0);
  wire(main, c, 1, g, 1);
  startAtZero(main);
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, g)->OutputValues[0], 6.0);
  const std::uint32_t addr = 9;   // the first instruction, mulr, becomes addr
  std::memcpy(static_cast<std::uint8_t*>(h.type("GAIN")->StepProc) + 4, &addr, 4);
  model::ProjectModule* table[2] = {h.module, h.externs};
  ASSERT_TRUE(vm_LinkCode(h.module, nullptr, 0, table, 2));
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, g)->OutputValues[0], 5.0);
}

// A budget of one run too small for a gate's code stops that gate where the
// interpreter stops it (one run error, its output untouched), also where the
// time step runs the code in its direct form.
TEST_F(Diagram, BudgetTooSmallForAGateStopsIt) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* g = block(main, "GAIN", 3.0);   // three instructions
  wire(main, c, 1, g, 1);
  startAtZero(main);
  vm().setBudget(1);   // the multiplication runs, not the move
  ss_StepLevel(*h.doc);
  vm().setBudget(Vm::kDefaultBudget);
  EXPECT_EQ(inst(main, c)->OutputValues[0], 2.0);
  EXPECT_EQ(inst(main, g)->OutputValues[0], 0.0);
  EXPECT_EQ(h.doc->runError, 1);
  h.doc->runError = 0;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, g)->OutputValues[0], 6.0);
  EXPECT_EQ(h.doc->runError, 0);
}

// Gates whose table entry does nothing have no place in a pass's plan; an
// entry replaced afterwards is still called.
namespace {
int gAndCalls = 0;
void countAnd(model::DocumentRecord&, model::GateRecord*, model::GateInstance*) { ++gAndCalls; }
} // namespace

TEST_F(Diagram, ReplacedEntryOfAGateWithoutAStepIsCalled) {
  model::GateSpec s;
  s.kind = model::kKindAnd;
  s.inputCount = 2;
  s.outputCount = 1;
  s.inputType = s.outputType = 1;
  std::uint16_t seq = 0;
  model::GateRecord* andGate = nullptr;
  model::GateInstance* andInst = nullptr;
  ASSERT_TRUE(model::ge_CreateGate(main, s, seq, andGate, andInst));
  block(main, "CONST", 1.0);
  startAtZero(main);
  ss_StepLevel(*h.doc);
  const StepHandler original = GateStepTable[model::kKindAnd];
  gAndCalls = 0;
  GateStepTable[model::kKindAnd] = countAnd;
  ss_StepLevel(*h.doc);
  GateStepTable[model::kKindAnd] = original;
  EXPECT_EQ(gAndCalls, 1);
  ss_StepLevel(*h.doc);
  EXPECT_EQ(gAndCalls, 1);
}

TEST_F(Diagram, NonConvergenceShows50034OncePerStep) {
  block(main, "CHURN");
  startAtZero(main);
  h.doc->convergenceCheck = 1;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50034"});
  EXPECT_EQ(h.doc->stepAborted, 1);
  EXPECT_EQ(h.doc->runError, 1);
}

// The pass at the iteration limit stops right after the gate that still
// moves, also where the gates run in direct form: the gain behind a sum that
// grows by one each pass keeps the sum's value of the pass before.
TEST_F(Diagram, NonConvergenceStopsThePassAfterTheMovingGate) {
  model::GateRecord* c = block(main, "CONST", 1.0);
  model::GateRecord* sum = block(main, "SUM");
  model::GateRecord* gain = block(main, "GAIN", 1.0);
  wire(main, c, 1, sum, 1);
  wire(main, sum, 1, sum, 2);
  wire(main, sum, 1, gain, 1);
  startAtZero(main);
  h.doc->convergenceCheck = 1;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50034"});
  const double grown = inst(main, sum)->OutputValues[0];
  EXPECT_EQ(grown, 10.0);
  EXPECT_EQ(inst(main, gain)->OutputValues[0], grown - 1.0);
}

TEST_F(Diagram, NonConvergenceNarrowsAVariableStepFirst) {
  block(main, "CHURN");
  startAtZero(main, 0.4);
  main->StepBlock.minInterval = 0.1;
  main->StepBlock.maxInterval = 1.0;
  main->StepBlock.stepFlags = 1;
  main->StepBlock.simTime = 0.0;
  h.doc->convergenceCheck = 1;
  ss_StepLevel(*h.doc);   // narrows 0.4 -> 0.2 -> 0.1, then gives up
  EXPECT_DOUBLE_EQ(main->StepBlock.interval, 0.1);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50034"});
  // The time moved by the final width only: 0.0 + 0.4 - 0.4 + 0.2 - 0.2 + 0.1.
  EXPECT_NEAR(main->StepBlock.simTime, 0.1, 1e-12);
}

TEST_F(Diagram, RepeatedStepAtTimeZeroStaysAtZero) {
  block(main, "CHURN");
  startAtZero(main, 0.4);
  main->StepBlock.minInterval = 0.1;
  main->StepBlock.maxInterval = 1.0;
  main->StepBlock.stepFlags = 1;
  h.doc->convergenceCheck = 1;
  ss_StepLevel(*h.doc);   // starts at -1: time 0.0
  EXPECT_EQ(main->StepBlock.simTime, 0.0);
}

TEST_F(Diagram, SnapshotRestoresOutputsAndStates) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  model::GateRecord* i = block(main, "INTEG");
  wire(main, c, 1, i, 1);
  startAtZero(main);
  EXPECT_EQ(sim_CountBufferSlots(main), (1 + 1 + 6) * 8u);
  ASSERT_TRUE(sim_AllocBuffer(*h.doc));
  inst(main, i)->OutputValues[0] = 7.0;
  inst(main, i)->StateValues[5] = 9.0;
  std::size_t pos = 1;
  sim_SaveOutputs(main->FirstGate, main->FirstInstance, pos);
  EXPECT_EQ(pos, 9u);
  inst(main, i)->OutputValues[0] = 0.0;
  inst(main, i)->StateValues[5] = 0.0;
  pos = 1;
  sim_RestoreOutputs(main->FirstGate, main->FirstInstance, pos);
  EXPECT_EQ(inst(main, i)->OutputValues[0], 7.0);
  EXPECT_EQ(inst(main, i)->StateValues[5], 9.0);
  sim_FreeBuffer();
}

// ---- the width control on its own ----

class WidthControl : public ::testing::Test {
protected:
  model::DocumentRecord doc{};
  model::LogicRecord logic{};
  void SetUp() override {
    sim_ResetState();
    doc.SimLogic = &logic;
    logic.StepBlock.interval = logic.currentStep = 0.4;
    logic.StepBlock.minInterval = 0.1;
    logic.StepBlock.maxInterval = 1.0;
    logic.StepBlock.incrInterval = 2.0;
    logic.StepBlock.maxIterations = 12;
  }
};

TEST_F(WidthControl, ManyIterationsShrinkNeverBelowMinimum) {
  struct Row { unsigned counter; double current, interval; bool changes; double width; };
  const Row rows[] = {
      {9, 0.4, 0.4, true, 0.2}, {12, 0.15, 0.15, true, 0.1}, {9, 0.4, 0.1, false, 0},
      {8, 0.4, 0.4, false, 0},   // neither many (> 8) nor few (< 6)
  };
  for (const Row& r : rows) {
    sim_ResetState();
    doc.iterationCounter = std::uint16_t(r.counter);
    logic.currentStep = r.current;
    logic.StepBlock.interval = r.interval;
    double w = -1;
    EXPECT_EQ(sim_AdaptStep(doc, w), r.changes) << r.counter;
    if (r.changes) {
      EXPECT_DOUBLE_EQ(w, r.width);
    }
  }
}

TEST_F(WidthControl, WideningNeedsFiveCallsAndStopsAtMaximum) {
  doc.iterationCounter = 2;
  double w = 0;
  for (int k = 1; k <= 4; ++k) EXPECT_FALSE(sim_AdaptStep(doc, w)) << k;
  ASSERT_TRUE(sim_AdaptStep(doc, w));
  EXPECT_DOUBLE_EQ(w, 0.8);
  logic.StepBlock.interval = logic.currentStep = 0.8;
  for (int k = 1; k <= 4; ++k) EXPECT_FALSE(sim_AdaptStep(doc, w));
  ASSERT_TRUE(sim_AdaptStep(doc, w));
  EXPECT_DOUBLE_EQ(w, 1.0);
  logic.StepBlock.interval = logic.currentStep = 1.0;
  for (int k = 1; k <= 8; ++k) EXPECT_FALSE(sim_AdaptStep(doc, w));
}

TEST_F(WidthControl, ZeroIncrementOrLimitChangesNoWidth) {
  doc.iterationCounter = 11;
  double w = 0;
  logic.StepBlock.incrInterval = 0.0;
  EXPECT_FALSE(sim_AdaptStep(doc, w));
  logic.StepBlock.incrInterval = 2.0;
  logic.StepBlock.maxIterations = 0;
  EXPECT_FALSE(sim_AdaptStep(doc, w));
}

TEST(CopyVectorChecked, ClampsAndReportsChanges) {
  model::DocumentRecord doc{};
  const double src[] = {0.05, 1e-40, 2e38, -3e38, 5.0};
  double dst[] = {0.0, 0.0, 0.0, 0.0, 5.0};
  sim_CopyVectorChecked(doc, src, dst, 1);
  EXPECT_EQ(doc.changed, 0);
  sim_CopyVectorChecked(doc, src, dst, 5);
  EXPECT_EQ(doc.changed, 1);
  EXPECT_EQ(dst[1], 0.0);
  EXPECT_EQ(dst[2], 1e38);
  EXPECT_EQ(dst[3], -1e38);
}

TEST(Resample, TrapezoidHistoryFollowsTheNewWidth) {
  // Rows of a linear input: newest first, width 1: 3, 2. Halving the width
  // gives 3, 2.5.
  double rows[] = {3.0, 2.0};
  sim_ResampleHistory(2, 1, rows, 1.0, 0.5);
  EXPECT_DOUBLE_EQ(rows[0], 3.0);
  EXPECT_DOUBLE_EQ(rows[1], 2.5);
  double rows3[] = {9.0, 4.0, 1.0};   // t^2 at 3, 2, 1
  sim_ResampleHistory(3, 1, rows3, 1.0, 2.0);
  EXPECT_DOUBLE_EQ(rows3[1], 1.0);    // (3 - 2)^2
  EXPECT_DOUBLE_EQ(rows3[2], 1.0);    // (3 - 4)^2
}

} // namespace engine::test

namespace engine::test {

TEST_F(Diagram, PlaceholderTypesAreSkipped) {
  model::GateRecord* c = block(main, "CONST", 2.0);
  startAtZero(main);
  model::GateTypeRecord* t = h.type("CONST");
  void* code = t->StepProc;
  t->StepProc = nullptr;   // as a project file leaves a type before its library is read
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, c)->OutputValues[0], 0.0);
  EXPECT_EQ(h.doc->runError, 0);
  t->StepProc = code;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, c)->OutputValues[0], 2.0);
}

TEST_F(Diagram, MacroPortsStayInsideTheMacrosSlots) {
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  model::GateRecord* pin = nullptr;
  model::GateRecord* pout = nullptr;
  h.shell.ports.push_back({true, "IN", 7});
  h.shell.ports.push_back({true, "OUT", 7});
  ASSERT_TRUE(model::ge_CreateGateAsked(sub, model::kKindInput, nullptr, nullptr, 20, 100, pin));
  ASSERT_TRUE(model::ge_CreateGateAsked(sub, model::kKindOutput, nullptr, nullptr, 300, 100, pout));
  pin->Outputs[0].Type = model::kTypeReal;
  pout->Inputs[0].Type = model::kTypeReal;
  wire(sub, pin, 1, pout, 1);
  model::GateRecord* c = block(main, "CONST", 4.0);
  model::GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 100, call));
  wire(main, c, 1, call, 1);
  startAtZero(main);
  ss_StepLevel(*h.doc);
  EXPECT_EQ(inst(main, call)->OutputValues[0], 4.0);
  // A call instance with fewer slots than its ports: nothing is read or written past them.
  model::GateInstance* ci = inst(main, call);
  const std::uint16_t outs = ci->OutputSlotCount, refs = ci->InputRefCount;
  ci->OutputSlotCount = 0;
  ci->InputRefCount = 0;
  ci->OutputValues[0] = -1.0;
  inst(main, c)->ExtraValues[0] = 8.0;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(ci->OutputValues[0], -1.0);
  ci->OutputSlotCount = outs;
  ci->InputRefCount = refs;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(ci->OutputValues[0], 8.0);
}

} // namespace engine::test

#include "model/geometry.h"

namespace engine::test {

TEST(Levels, FindSequenceGateCentresTheActiveStep) {
  RecordingEngineServices services;
  EngineServices* prev = setEngineServices(&services);
  model::DocumentRecord doc{};
  model::LogicRecord logic{};
  model::GateRecord g1{}, g2{};
  model::GateInstance i1{}, i2{};
  double out1[1] = {0.0}, out2[1] = {0.0};
  g1.Kind = g2.Kind = model::kKindStep;
  g1.Next = &g2;
  g2.X = 600;
  g2.Y = 400;
  i1.Next = &i2;
  i1.OutputValues = out1;
  i2.OutputValues = out2;
  logic.FirstGate = &g1;
  doc.MacroLevel = 1;
  doc.LevelLogics[1] = &logic;
  doc.LevelInstances[1] = &i1;
  doc.WorldW = 200;
  doc.WorldH = 100;
  doc.MaxScrollX = 2000;
  doc.MaxScrollY = 300;
  EXPECT_EQ(ss_FindSequenceGate(doc), nullptr);
  const std::uint16_t on = 1;
  std::memcpy(out2, &on, 2);
  EXPECT_EQ(ss_FindSequenceGate(doc), &g2);
  EXPECT_EQ(doc.MarkedGate, &g2);
  std::int16_t x, y, w, h;
  model::gg_GateBox(&g2, x, y, w, h, false);
  EXPECT_EQ(doc.ScrollX, x - (200 - w) / 2);
  EXPECT_EQ(doc.ScrollY, 300);   // clamped to the sheet
  EXPECT_EQ(ss_FindSequenceGate(doc), &g2);   // already marked: redraw only
  EXPECT_EQ(services.calls, (std::vector<std::string>{"redraw", "scrolled", "redraw"}));
  setEngineServices(prev);
}

} // namespace engine::test

namespace engine::test {

TEST_F(Diagram, FrameRequestRestartsFromTimeZero) {
  block(main, "FRAMEONCE");
  startAtZero(main);
  main->StepBlock.simTime = 2.0;
  ss_StepLevel(*h.doc);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"frame 7"});
  EXPECT_EQ(main->StepBlock.simTime, 0.0);
  EXPECT_EQ(h.doc->frameRequest, 0);
  EXPECT_EQ(h.doc->iterationCounter, 1);
}

TEST_F(Diagram, SingleIterationReturnsAfterEachPass) {
  block(main, "CHURN");
  startAtZero(main);
  main->StepBlock.simTime = 0.0;
  h.doc->singleIteration = 1;
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(sim_Step(*h.doc), 1);
    EXPECT_EQ(h.doc->iterationCounter, k + 1);
  }
}

} // namespace engine::test
