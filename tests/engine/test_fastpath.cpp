// The run loop's direct primitives (single elements, jumps, loops, pushes)
// check every access against its area: an access at the last bytes of an
// area runs, one byte further is refused exactly as by the checked
// primitives: the run stops with error byte 1, runError is set and nothing is
// written.
#include "harness.h"

#include <cmath>
#include <limits>

namespace engine::test {

namespace {

const char* kConsts = R"(
two: real 2.0
ow: word 1
loop: int 5 1
)";

struct EdgeCase {
  const char* name;
  std::string step;
  bool error;
  const char* why;   // start of the run error when refused
  double out0;       // expected out slot 0 (the slots start at 0)
};

std::string pushes(int n) {
  std::string s;
  for (int k = 0; k < n; ++k) s += "addr const:two, const:two\n";
  return s + "movr out:0, stack:0\nend";
}

// The instance has 8 slots (64 bytes) in every area; the stack of a
// procedure without a frame holds 309 bytes (38 REAL pushes).
const EdgeCase kEdges[] = {
    {"MoveRealAtTheEnd", "movr out:56, const:two\nmovr out:0, out:56\nend", false, "", 2.0},
    {"MoveRealPastTheEnd", "movr out:57, const:two\nend", true, "access outside", 0.0},
    {"MoveRealFromPastTheEnd", "movr out:0, in:57\nend", true, "access outside", 0.0},
    {"MoveRealIntoConstants", "movr const:two, out:0\nend", true, "access outside", 0.0},
    {"MoveIntAtTheEnd", "movi out:62, const:ow\nend", false, "", 0.0},
    {"MoveIntPastTheEnd", "movi out:63, const:ow\nend", true, "access outside", 0.0},
    {"AddPastTheEnd", "addr in:0, in:57\nmovr out:0, stack:0\nend", true, "access outside", 0.0},
    {"RelationPastTheEnd", "ltr in:57, in:0\nend", true, "access outside", 0.0},
    {"IncrementConstants", "inci const:ow, const:ow\nend", true, "access outside", 0.0},
    {"JumpOnWordPastTheEnd", "jf @x, in:63\nx:\nend", true, "access outside", 0.0},
    {"LoopVariablePastTheEnd", "top:\nfor @top, out:63, const:loop\nend", true, "access outside", 0.0},
    {"LoopVariableInConstants", "top:\nfor @top, const:ow, const:loop\nend", true, "access outside", 0.0},
    {"StackFull", pushes(38), false, "", 4.0},
    {"StackOverflow", pushes(39), true, "evaluation stack overflow", 0.0},
};

class FastPathEdges : public ::testing::TestWithParam<EdgeCase> {};

} // namespace

// Through the plain run and through the time step's lean entry alike.
TEST_P(FastPathEdges, RunOrRefuse) {
  const EdgeCase& c = GetParam();
  for (bool timeStep : {false, true}) {
    SCOPED_TRACE(timeStep ? "time step entry" : "run");
    Harness h;
    std::string err;
    ASSERT_TRUE(h.loadStep(c.step, kConsts, "", &err)) << err;
    const std::vector<double> inBefore = h.in;
    const std::uint8_t e = timeStep ? h.runTimeStep() : h.runStep();
    EXPECT_EQ(e != 0, c.error) << vm().lastError();
    EXPECT_EQ(h.doc->runError, c.error ? 1 : 0);
    if (c.error) {
      EXPECT_EQ(vm().lastError().rfind(c.why, 0), 0u) << vm().lastError();
      for (double v : h.out) EXPECT_EQ(v, 0.0);
    } else {
      EXPECT_EQ(h.out[0], c.out0);
    }
    EXPECT_EQ(h.in, inBefore);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, FastPathEdges, ::testing::ValuesIn(kEdges),
                         [](const ::testing::TestParamInfo<EdgeCase>& i) { return std::string(i.param.name); });

// The word moved to the last two bytes arrives there (the edge case above
// checks slot 0 only for REALs).
TEST(FastPath, IntAtTheLastBytes) {
  Harness h;
  ASSERT_TRUE(h.loadStep("movi out:62, const:ow\nend", kConsts));
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(h.outWord(62), 1);
}

// The linker decides which code can reach the simulated logic's record (then
// every run fills the image and writes it back), which names the frame or
// the run fields, and which can write its input slots (then the time step
// writes them back to their sources).
struct ReachCase {
  const char* step;
  bool logic, fields, inputs;
};
const ReachCase kReach[] = {
    {"mulr in:0, extra:0\nmovr out:0, stack:0\nend", false, false, false},
    {"top:\nfor @top, out:0, const:loop\njf @top, in:0\nend", false, false, false},
    {"movi out:0, iter:0\nend", false, true, false},
    {"movr in:8, const:two\nend", false, false, true},
    {"top:\nfor @top, in:0, const:loop\nend", false, false, true},
    {"inci in:0, const:ow\nend", false, false, true},
    {"movr out:0, logic:104\nend", true, true, true},
    {"movr out:0, a5:1048576\nend", true, true, true},        // a raw address may be anywhere
    {"movr out:0, in:1048570\nend", true, true, true},        // past the area's window
    {"sin in:0\nmovr out:0, stack:0\nend", true, true, true},  // not a direct instruction
};

TEST(FastPath, LinkerDecidesWhatARunReaches) {
  for (const ReachCase& c : kReach) {
    SCOPED_TRACE(c.step);
    Harness h;
    std::string err;
    ASSERT_TRUE(h.loadStep(c.step, kConsts, "", &err)) << err;
    const Procedure* p = vm().procedureFor(h.type()->StepProc);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->reachesLogic, c.logic);
    EXPECT_EQ(p->usesRunFields, c.fields);
    EXPECT_EQ(p->writesInputs, c.inputs);
  }
}

// Code that reads and writes the logic's record through the time step's entry
// sees the current values and changes the logic, also after lean runs of
// other code in between.
TEST(FastPath, LogicRecordThroughTheTimeStepEntry) {
  Harness h;
  model::LogicRecord* l = h.doc->SimLogic;
  ASSERT_TRUE(h.load("module L\nconst\nw: real 0.125\nendconst\n"
                     "type R\noutputs 8\nstep\nmovr out:0, logic:104\nmovr logic:68, const:w\nend\nendproc\nendtype\n"
                     "type G\ninputs 8\noutputs 8\nstep\nmovr out:8, in:0\nend\nendproc\nendtype\n"));
  l->currentStep = 0.5;
  EXPECT_EQ(h.runTimeStep("R"), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 0.5);
  EXPECT_EQ(l->StepBlock.interval, 0.125);
  l->currentStep = 0.75;
  l->StepBlock.interval = 1.0;
  h.in[0] = 3.0;
  EXPECT_EQ(h.runTimeStep("G"), 0) << vm().lastError();
  EXPECT_EQ(h.out[1], 3.0);
  EXPECT_EQ(l->StepBlock.interval, 1.0) << "a lean run writes nothing back";
  EXPECT_EQ(h.runTimeStep("R"), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 0.75);
  EXPECT_EQ(l->StepBlock.interval, 0.125);
}

} // namespace engine::test

namespace engine::test {

// The direct form of lean step code (see vmdirect.h) against the
// interpreter: the same slots to the bit, the same instruction count, for
// every kind of operation it takes and the values the interpreter passes
// through unchecked.
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct DirectCase {
  const char* name;
  const char* step;
  double in0, in1, extra0;
  std::uint16_t word;   // the INT at in:16 and out:16
};

const DirectCase kDirect[] = {
    {"Multiply", "mulr in:0, extra:0\nmovr out:0, stack:0\nend", 1.5, 0, -4.0, 0},
    {"DivideByZero", "divr in:0, extra:0\nmovr out:0, stack:0\nend", 1.0, 0, 0.0, 0},
    {"ZeroByZero", "divr in:0, extra:0\nmovr out:0, stack:0\nend", 0.0, 0, 0.0, 0},
    {"InfinityLessInfinity", "subr in:0, in:8\nmovr out:0, stack:0\nend", kInf, kInf, 0, 0},
    {"SumOverflows", "addr in:0, in:8\nmovr out:0, stack:0\nend", 1e308, 1e308, 0, 0},
    {"TwoPushesMovedLater", "mulr in:0, in:8\naddr in:0, extra:0\nmovr out:0, stack:8\nmovr out:8, stack:0\nend",
     3.0, 5.0, 0.25, 0},
    {"MoveOfAnotherStackSlot", "subr in:0, in:8\nmovr out:0, stack:8\nend", 3.0, 5.0, 0, 0},
    {"RelationsWithNaN", "ltr in:0, in:8\nmovi out:0, stack:0\nner in:0, in:8\nmovi out:8, stack:0\n"
                         "ger in:0, in:0\nmovi out:24, stack:0\nend", std::nan(""), 1.0, 0, 0},
    {"Relations", "gtr in:0, in:8\neqr in:8, extra:0\nmovr out:0, stack:0\nend", 2.0, 1.0, 1.0, 0},
    {"IncrementWraps", "inci in:16, const:ow\nmovi out:16, in:16\nend", 0, 0, 0, 32767},
    {"DecrementWraps", "deci in:16, const:ow\nmovi out:16, in:16\nend", 0, 0, 0, 32768},
    {"MovesOverlap", "movr out:0, in:0\nmovr out:4, out:0\nmovi out:1, out:0\nend", 1.0 / 3, 0, 0, 0},
    {"ModuleBlocks", "movr vars:8, in:0\nmulr vars:8, const:two\nmovr out:0, stack:0\nend", 7.0, 0, 0, 0},
    {"StackLeftByTheLastRun", "movr out:0, stack:16\nend", 0, 0, 0, 0},
    {"FrameCleared", "frame 16\nmovr out:8, stack:0\naddr in:0, in:8\nmovr out:0, stack:0\nend", 2.0, 3.0, 0, 0},
    {"WritesItsInput", "movr in:8, extra:0\nmovr out:0, in:8\nend", 0, 1.0, 9.0, 0},
    {"StopWithError", "movr out:0, in:0\nenderr", 4.0, 0, 0, 0},
    {"StopBeforeTheEnd", "movr out:0, in:0\nstop\nmovr out:8, in:0\nend", 4.0, 0, 0, 0},
};

struct Slots {
  std::vector<double> in, out, extra, state;
  bool operator==(const Slots& o) const {
    auto same = [](const std::vector<double>& a, const std::vector<double>& b) {
      return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
    };
    return same(in, o.in) && same(out, o.out) && same(extra, o.extra) && same(state, o.state);
  }
};

void setUp(Harness& h, const DirectCase& c) {
  std::fill(h.in.begin(), h.in.end(), 0.0);
  std::fill(h.out.begin(), h.out.end(), 0.0);
  h.in[0] = c.in0;
  h.in[1] = c.in1;
  h.extra[0] = c.extra0;
  h.setInWord(16, c.word);
  std::memcpy(reinterpret_cast<char*>(h.out.data()) + 16, &c.word, 2);
}

void PrintTo(const DirectCase& c, std::ostream* os) { *os << c.name; }

class DirectForm : public ::testing::TestWithParam<DirectCase> {};

} // namespace

TEST_P(DirectForm, SameAsTheInterpreter) {
  const DirectCase& c = GetParam();
  Harness h;
  std::string err;
  ASSERT_TRUE(h.loadStep(c.step, kConsts, "", &err)) << err;
  // A first run leaves the stack as a run before the time step would.
  setUp(h, c);
  h.runStep();
  setUp(h, c);
  const std::uint64_t before = vm().instructionsExecuted();
  const std::uint8_t e = h.runStep();
  const std::uint64_t ran = vm().instructionsExecuted() - before;
  EXPECT_EQ(h.doc->runError, 0) << vm().lastError();
  const Slots interpreted{h.in, h.out, h.extra, h.state};

  setUp(h, c);
  const Procedure* p = vm().procedureFor(h.type()->StepProc);
  ASSERT_NE(p, nullptr);
  std::vector<DirectOp> ops;
  std::uint32_t instructions = 0;
  ASSERT_TRUE(vm().compileDirect(*p, vm().leanFrame(&h.gate, &h.inst), ops, instructions));
  runDirect(ops.data(), ops.data() + ops.size());
  EXPECT_EQ(instructions, ran);
  EXPECT_EQ(e != 0, std::string(c.name) == "StopWithError");
  EXPECT_TRUE((Slots{h.in, h.out, h.extra, h.state} == interpreted)) << "slots differ in some bit";
}

INSTANTIATE_TEST_SUITE_P(Table, DirectForm, ::testing::ValuesIn(kDirect),
                         [](const ::testing::TestParamInfo<DirectCase>& i) { return std::string(i.param.name); });

// Code the direct form does not take keeps the interpreter: jumps and loops,
// the run fields and the logic record, other instructions, an access or a
// push that does not fit.
TEST(DirectForm, OnlyStraightCodeInsideItsViews) {
  const std::string refused[] = {
      "top:\nfor @top, out:0, const:loop\nend",
      "jf @x, in:0\nx:\nend",
      "movi out:0, iter:0\nend",
      "movr out:0, logic:104\nend",
      "sin in:0\nmovr out:0, stack:0\nend",
      "movr out:57, const:two\nend",
      "movr const:two, out:0\nend",
      pushes(39),
  };
  for (const std::string& step : refused) {
    SCOPED_TRACE(step);
    Harness h;
    ASSERT_TRUE(h.loadStep(step, kConsts));
    h.runStep();   // binds the instance
    std::vector<DirectOp> ops(1);
    std::uint32_t instructions = 0;
    EXPECT_FALSE(vm().compileDirect(*vm().procedureFor(h.type()->StepProc), vm().leanFrame(&h.gate, &h.inst), ops,
                                    instructions));
    EXPECT_EQ(ops.size(), 1u);
  }
  Harness h;
  ASSERT_TRUE(h.loadStep(pushes(38), kConsts));
  h.runStep();
  std::vector<DirectOp> ops;
  std::uint32_t instructions = 0;
  EXPECT_TRUE(vm().compileDirect(*vm().procedureFor(h.type()->StepProc), vm().leanFrame(&h.gate, &h.inst), ops,
                                 instructions));
  EXPECT_EQ(instructions, 40u);
}

} // namespace engine::test

namespace engine::test {

// The run loop enters its handlers past the operand checks when every fast
// access of the procedure fits its views, and through them when one does
// not (here one that never runs, behind a jump). Both give the same slots to
// the bit and the same instruction count; only the first runs a REAL
// operation together with a move of its result.
namespace {

const DirectCase kLoops[] = {
    {"Loop", "top:\naddr out:0, const:two\nmovr out:0, stack:0\nfor @top, out:16, const:loop\nend", 0, 0, 0, 0},
    {"LoopMovesAnotherSlot", "top:\naddr out:0, const:two\naddr out:8, out:0\nmovr out:8, stack:0\n"
                             "movr out:0, stack:8\nfor @top, out:16, const:loop\nend", 0, 0, 0, 2},
    {"Branch", "ltr in:0, in:8\njf @x, stack:0\nmovr out:0, in:0\nx:\nmovr out:8, in:8\nend", 1.0, 2.0, 0, 0},
    {"BranchTaken", "ltr in:0, in:8\njf @x, stack:0\nmovr out:0, in:0\nx:\nmovr out:8, in:8\nend", 3.0, 2.0, 0, 0},
};

// The step with a jump over one move in front: to out:0 (fits) or to out:57
// (does not fit, so the whole procedure is run with checks per operand).
std::string behindJump(const std::string& step, bool fits) {
  const std::string jump = std::string("jmp @go\nmovr out:") + (fits ? "0" : "57") + ", const:two\ngo:\n";
  if (step.rfind("frame", 0) == 0) {
    const std::size_t eol = step.find('\n') + 1;
    return step.substr(0, eol) + jump + step.substr(eol);
  }
  return jump + step;
}

class RunLoopModes : public ::testing::TestWithParam<DirectCase> {};

} // namespace

TEST_P(RunLoopModes, SameWithAndWithoutChecksPerOperand) {
  const DirectCase& c = GetParam();
  Slots slots[2];
  std::uint64_t ran[2] = {};
  for (bool fits : {true, false}) {
    SCOPED_TRACE(fits ? "fits" : "checked");
    Harness h;
    std::string err;
    ASSERT_TRUE(h.loadStep(behindJump(c.step, fits), kConsts, "", &err)) << err;
    setUp(h, c);
    h.runStep();
    setUp(h, c);
    const std::uint64_t before = vm().instructionsExecuted();
    h.runStep();
    ran[fits] = vm().instructionsExecuted() - before;
    EXPECT_EQ(h.doc->runError, 0) << vm().lastError();
    slots[fits] = Slots{h.in, h.out, h.extra, h.state};
  }
  EXPECT_EQ(ran[0], ran[1]);
  EXPECT_TRUE(slots[0] == slots[1]) << "slots differ in some bit";
}

INSTANTIATE_TEST_SUITE_P(Straight, RunLoopModes, ::testing::ValuesIn(kDirect),
                         [](const ::testing::TestParamInfo<DirectCase>& i) { return std::string(i.param.name); });
INSTANTIATE_TEST_SUITE_P(Jumps, RunLoopModes, ::testing::ValuesIn(kLoops),
                         [](const ::testing::TestParamInfo<DirectCase>& i) { return std::string(i.param.name); });

// The budget is taken for a stretch of straight instructions at once; a run
// still stops at exactly the instruction the budget ends at, with the
// effects of exactly the instructions before it, whatever the budget.
TEST(FastPath, BudgetEndsAtItsInstruction) {
  // jmp, then six rounds of add, move, loop, then end: 20 instructions; the
  // moves are the instructions 2, 5, 8, ... (counted from 0).
  const std::uint64_t total = 20;
  for (bool fits : {true, false}) {
    Harness h;
    ASSERT_TRUE(h.loadStep(
        behindJump("top:\naddr out:0, const:two\nmovr out:0, stack:0\nfor @top, out:16, const:loop\nend", fits),
        kConsts));
    for (std::uint64_t budget = 0; budget <= total + 1; ++budget) {
      SCOPED_TRACE(std::string(fits ? "fits" : "checked") + ", budget " + std::to_string(budget));
      std::fill(h.out.begin(), h.out.end(), 0.0);
      h.doc->runError = 0;
      vm().setBudget(budget);
      const std::uint64_t before = vm().instructionsExecuted();
      h.runStep();
      const std::uint64_t ran = vm().instructionsExecuted() - before;
      vm().setBudget(Vm::kDefaultBudget);
      EXPECT_EQ(ran, std::min(budget, total));
      EXPECT_EQ(h.doc->runError != 0, budget < total);
      if (budget < total) {
        EXPECT_EQ(vm().lastError().rfind("instruction limit", 0), 0u) << vm().lastError();
      }
      std::uint64_t moves = 0;
      for (std::uint64_t i = 2; i < std::min(budget, total); i += 3) ++moves;
      EXPECT_EQ(h.out[0], 2.0 * double(moves));
    }
  }
}

} // namespace engine::test

namespace engine::test {

// The run loop keeps each operand's host address per procedure: runs of one
// procedure on instances with other blocks, or with blocks too small for its
// accesses, each reach their own slots or are refused.
TEST(FastPath, OneProcedureOnInstancesOfOtherBlocks) {
  Harness h;
  ASSERT_TRUE(h.loadStep("top:\naddr out:0, in:0\nmovr out:0, stack:0\nfor @top, out:16, const:loop\nend", kConsts));
  h.in[0] = 1.0;
  ASSERT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 6.0);

  std::vector<double> first(8);
  std::swap(first, h.out);   // the next run writes other slots
  h.in[0] = 2.0;
  ASSERT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 12.0);
  EXPECT_EQ(first[0], 6.0);

  std::vector<double> small(2);   // out:16 lies past these slots
  std::swap(small, h.out);
  EXPECT_NE(h.runStep(), 0);
  EXPECT_EQ(vm().lastError().rfind("access outside", 0), 0u) << vm().lastError();
  EXPECT_EQ(h.out[0], 2.0) << "the instructions before the refused one ran";

  std::swap(small, h.out);
  h.doc->runError = 0;
  std::fill(h.out.begin(), h.out.end(), 0.0);
  ASSERT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(h.out[0], 12.0);
}

} // namespace engine::test
