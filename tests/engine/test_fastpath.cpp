// The run loop's direct primitives (single elements, jumps, loops, pushes)
// check every access against its area: an access at the last bytes of an
// area runs, one byte further is refused exactly as by the checked
// primitives: the run stops with error byte 1, runError is set and nothing is
// written.
#include "harness.h"

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

TEST_P(FastPathEdges, RunOrRefuse) {
  const EdgeCase& c = GetParam();
  Harness h;
  std::string err;
  ASSERT_TRUE(h.loadStep(c.step, kConsts, "", &err)) << err;
  const std::vector<double> inBefore = h.in;
  const std::uint8_t e = h.runStep();
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

} // namespace engine::test
