// The road from a diagram to a running target, in one process: the project is
// built through the model's operations, its target program text written by the
// writer, compiled by the code generator against the software PLC's own
// description, downloaded into the kernel and run; every cycle the PLC's data
// points equal the values the engine computes for the same diagram.
#include "target_fixture.h"

#include "engine/levels.h"

namespace zcdtest {
namespace {

using Road = Target;

TEST_F(Road, DiagramRunsOnTheTargetAsInTheSimulation) {
  Diagram& D = *d;
  // Main sheet: a counter, a gain of it, the sum of both.
  auto* cnt = D.block(D.main, "CNT", {20, 3, 150});
  auto* gain = D.block(D.main, "GAIN", {21, 20, 2, 151});
  auto* add = D.block(D.main, "ADD", {22, 20, 21});
  ASSERT_TRUE(D.wire(D.main, cnt, 1, gain, 1));
  ASSERT_TRUE(D.wire(D.main, cnt, 1, add, 1));
  ASSERT_TRUE(D.wire(D.main, gain, 1, add, 2));
  // A "$" task of its own with a counter, also running every 10 ms.
  model::LogicRecord* task = model::ge_NewLogic("$FAST");
  auto* tcnt = D.block(task, "CNT", {23, 2, 152});
  ASSERT_NE(D.macro(D.main, task, 10), nullptr);
  // A parallel sequence holding a counter and a step.
  model::LogicRecord* seq = model::ge_NewLogic("SEQ");
  auto* scnt = D.block(seq, "CNT", {24, 1, 153});
  ASSERT_NE(D.block(seq, "STEP"), nullptr);
  ASSERT_NE(D.macro(D.main, seq), nullptr);

  const std::string text = D.write();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("&ABS"), std::string::npos) << text;
  std::string download, msgs;
  CgAdvResult res{};
  ASSERT_TRUE(compile(D.zcdPath(), download, msgs, res)) << msgs << text;
  ASSERT_EQ(res.errors, 0u) << msgs << text;
  EXPECT_EQ(res.warnings, 0u) << msgs;
  channel->download(download);
  channel->exchange({kReqStart});

  // The simulation of the same diagram: one iteration per step of 10 ms.
  model::LogicRecord* l = D.main;
  l->StepBlock.simTime = -1.0;
  l->StepBlock.interval = l->StepBlock.minInterval = l->StepBlock.maxInterval = 0.01;
  l->StepBlock.maxIterations = 1;
  l->StepBlock.stepFlags = 0;
  l->currentStep = l->previousStep = 0.01;
  D.doc->SimLogic = l;
  D.doc->SimInstances = l->FirstInstance;
  D.doc->iterationCounter = 1;
  auto out = [&](model::LogicRecord* lg, model::GateRecord* g) {
    model::GateInstance* i = lg == D.main ? D.inst(lg, g) : nullptr;
    if (!i) {
      // A gate of a sub-logic: its instance in the call's child list.
      for (model::GateRecord* m = D.main->FirstGate; m && !i; m = m->Next)
        if (model::subLogic(m) == lg)
          i = model::inst_Parallel(lg, model::inst_Parallel(D.main, D.main->FirstInstance, m)->Children, g);
    }
    return i ? i->OutputValues[0] : -1.0;
  };
  const std::pair<model::LogicRecord*, model::GateRecord*> watched[] = {
      {D.main, cnt}, {D.main, gain}, {D.main, add}, {task, tcnt}, {seq, scnt}};
  // The blocks' words lie above the ranges the allocation pass gives the
  // sequence (from DW1 on), which the sequence block reads as its lists.
  const int operand[] = {20, 21, 22, 23, 24};
  // Every task runs once in five kernel ticks; the higher task number first.
  tick(1);
  for (int cycle = 1; cycle <= 120; ++cycle) {
    tick(5);
    engine::ss_StepLevel(*D.doc);
    for (std::size_t w = 0; w < std::size(watched); ++w)
      ASSERT_EQ(double(get<std::int16_t>(DW(operand[w]))), out(watched[w].first, watched[w].second))
          << "cycle " << cycle << " DW" << operand[w];
  }
  EXPECT_EQ(get<std::int16_t>(DW(22)), 3 * 120 * 3);
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
  EXPECT_EQ(D.doc->runError, 0);
}

} // namespace
} // namespace zcdtest
