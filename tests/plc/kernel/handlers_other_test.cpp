// Counters, handshakes, step sequencer, pulse distributor, Inif and curves.
#include "plc_fixture.h"

namespace plctest {
namespace {

class SpecialBlocks : public BothPaths {
protected:
  Addr rec = 0;
  void build(const char* name, std::vector<std::uint32_t> ops) {
    cursor = k.progBase();
    rec = block(name, std::move(ops));
  }
  bool go() { return runBlock(rec); }
  std::uint8_t b(Addr a) { return get<std::uint8_t>(a); }
  std::int16_t w(Addr a) { return get<std::int16_t>(a); }
};

TEST_P(SpecialBlocks, UpDownCounter) {
  // VRZ: (unused), up, down, reset, zero, count, stored down, stored up.
  build("VRZ", {0, M(1, 0), M(1, 1), M(1, 2), M(1, 3), DW(1), M(2, 0), M(2, 1)});
  struct Step { std::uint8_t up, down, reset; std::int16_t count; std::uint8_t zero; };
  const Step steps[] = {{1, 0, 0, 1, 0}, {1, 0, 0, 1, 0}, {0, 0, 0, 1, 0}, {1, 1, 0, 1, 0},
                        {0, 0, 0, 1, 0}, {0, 1, 0, 0, 255}, {1, 0, 1, 0, 255}};
  for (const Step& s : steps) {
    set<std::uint8_t>(M(1, 0), s.up);
    set<std::uint8_t>(M(1, 1), s.down);
    set<std::uint8_t>(M(1, 2), s.reset);
    ASSERT_TRUE(go());
    EXPECT_EQ(w(DW(1)), s.count);
    if (!s.reset) {
      EXPECT_EQ(b(M(1, 3)), s.zero);
    }
  }
}

TEST_P(SpecialBlocks, ChangeCounter) {
  // VRZF: mode, limit, enable, input, stored, count, limit cell, out.
  build("VRZF", {0, 3, M(1, 0), M(1, 1), M(1, 2), DW(1), DW(2), M(1, 3)});
  set<std::uint8_t>(M(1, 0), 1);
  for (int i = 0; i < 3; ++i) {
    set<std::uint8_t>(M(1, 1), i % 2 ? 0 : 1);
    go();
  }
  EXPECT_EQ(w(DW(1)), 3);
  EXPECT_EQ(b(M(1, 3)), 255);
  set<std::uint8_t>(M(1, 0), 0);   // disabled: nothing
  set<std::uint8_t>(M(1, 1), 1);
  go();
  EXPECT_EQ(w(DW(1)), 3);
  // Mode 12 counts down against the limit cell.
  build("VRZF", {12, 0, M(1, 0), M(1, 1), M(1, 2), DW(1), DW(2), M(1, 3)});
  set<std::uint8_t>(M(1, 0), 1);
  set<std::int16_t>(DW(2), 2);
  set<std::uint8_t>(M(1, 2), 0);
  go();   // input 1 against stored 0: count 3 - 1
  EXPECT_EQ(w(DW(1)), 2);
  EXPECT_EQ(b(M(1, 3)), 255);   // not count > limit
}

TEST_P(SpecialBlocks, SmotIvar) {
  build("SMOT", {2, M(1, 0), M(1, 1), M(1, 2)});
  set<std::uint8_t>(M(1, 0), 1);
  go();
  EXPECT_EQ(b(M(1, 1)), 255);
  EXPECT_EQ(b(M(1, 2)), 0);
  build("IVAR", {1, M(1, 0), DW(1)});
  set<std::int16_t>(DW(1), 5);
  go();
  EXPECT_EQ(w(DW(1)), 4);
  build("IVAR", {0, M(1, 0), DW(1)});
  go();
  go();
  EXPECT_EQ(w(DW(1)), 6);
}

TEST_P(SpecialBlocks, SvarAsTheFormulaFrameUsesIt) {
  // SVAR: type, value, request word DW107, enable, out, value cell, busy, done.
  build("SVAR", {2, 0, DW(107), M(10, 0), DW(1), PW(18), M(10, 2), M(10, 1)});
  set<std::uint8_t>(M(10, 0), 255);
  set<std::int16_t>(PW(18), 42);
  go();
  EXPECT_EQ(w(DW(1)), 42);
  EXPECT_EQ(b(M(10, 1)), 1);
  build("SVAR", {1, 99, DW(107), M(10, 0), DW(1), PW(18), M(10, 2), M(10, 1)});
  go();
  EXPECT_EQ(w(DW(1)), 99);
  // Type 4: a request to the interface, answered when DW107 is back at 0.
  build("SVAR", {4, 0, DW(107), M(10, 0), DW(2), DW(105), M(10, 2), M(10, 1)});
  set<std::int16_t>(DW(105), 321);
  go();
  EXPECT_EQ(w(DW(107)), 1);
  EXPECT_EQ(b(M(10, 2)), 1);
  EXPECT_EQ(b(M(10, 1)), 0);
  go();
  EXPECT_EQ(w(DW(2)), 0);   // still waiting
  set<std::int16_t>(DW(107), 0);
  go();
  EXPECT_EQ(w(DW(2)), 321);
  EXPECT_EQ(b(M(10, 2)), 0);
  EXPECT_EQ(b(M(10, 1)), 1);
  build("SVAR", {9, 0, DW(107), M(10, 0), DW(2), DW(105), M(10, 2), M(10, 1)});
  go();
  EXPECT_EQ(w(DW(2)), 0);
}

TEST_P(SpecialBlocks, CompareWords) {
  // CMW: code, const, A, B, true, false, request word, busy.
  struct Case { std::uint32_t code; std::int16_t a, b; std::uint8_t t, f; };
  const Case cases[] = {{11, 5, 0, 255, 0},  {12, 6, 0, 255, 0}, {13, 6, 0, 0, 255}, {21, 3, 3, 255, 0},
                        {22, 3, 4, 0, 255},  {33, 3, 4, 255, 0}, {99, 3, 3, 0, 0},   {14, 5, 5, 0, 0}};
  for (const Case& c : cases) {
    build("CMW", {c.code, 5, DW(1), DW(2), M(1, 0), M(1, 1), DW(107), M(1, 2)});
    set<std::int16_t>(DW(1), c.a);
    set<std::int16_t>(DW(2), c.b);
    go();
    EXPECT_EQ(b(M(1, 0)), c.t) << c.code;
    EXPECT_EQ(b(M(1, 1)), c.f) << c.code;
  }
  build("CMW", {52, 0, DW(1), DW(2), M(1, 0), M(1, 1), DW(107), M(1, 2)});
  set<std::int16_t>(DW(1), 9);
  go();
  EXPECT_EQ(w(DW(107)), 2);
  EXPECT_EQ(b(M(1, 0)), 0);
  set<std::int16_t>(DW(107), 0);
  go();
  EXPECT_EQ(b(M(1, 0)), 255);
  EXPECT_EQ(b(M(1, 2)), 0);
}

class StepSequencer : public SpecialBlocks {
protected:
  // The transition list, held in the record after its seven head operands:
  // cell 0 the always-true condition.
  std::vector<std::uint32_t> cells;
  void SetUp() override {
    SpecialBlocks::SetUp();
    cells = {M(0, 0)};
  }
  void cell(std::uint32_t v) { cells.push_back(v); }
  void transition(std::vector<std::int32_t> from, std::vector<std::int32_t> to, Addr cond) {
    cell(static_cast<std::uint32_t>(from.size()));
    for (auto s : from) cell(static_cast<std::uint32_t>(s));
    cell(static_cast<std::uint32_t>(to.size()));
    for (auto s : to) cell(static_cast<std::uint32_t>(s));
    cell(cond);
  }
  void make(int t, int n) {
    std::vector<std::uint32_t> ops = {static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(n), M(20), M(30),
                                      DW(1), DW(10), DW(20)};
    ops.insert(ops.end(), cells.begin(), cells.end());
    build("ABS", ops);
  }
  std::uint8_t step(int i) { return b(M(20) + i - 1); }
};

TEST_P(StepSequencer, TransitionsFire) {
  transition({1}, {2}, M(1, 0));
  transition({2}, {3, 4}, M(0, 0));   // always true
  make(2, 4);
  set<std::uint8_t>(M(20), 7);   // step 1 active (any nonzero becomes 1)
  ASSERT_TRUE(go());
  EXPECT_EQ(step(1), 1);         // condition off
  EXPECT_EQ(b(M(30)), 0);
  set<std::uint8_t>(M(1, 0), 1);
  ASSERT_TRUE(go());
  EXPECT_EQ(step(1), 0);
  EXPECT_EQ(step(2), 1);
  EXPECT_EQ(b(M(30)), 255);
  ASSERT_TRUE(go());
  EXPECT_EQ(step(2), 0);
  EXPECT_EQ(step(3), 1);
  EXPECT_EQ(step(4), 1);
}

TEST_P(StepSequencer, ResetEntryClearsAllSteps) {
  cell(static_cast<std::uint32_t>(-1));
  cell(M(1, 1));
  transition({1}, {2}, M(0, 0));
  make(2, 3);
  set<std::uint8_t>(M(20), 1);
  set<std::uint8_t>(M(20) + 2, 1);
  set<std::uint8_t>(M(1, 1), 1);
  ASSERT_TRUE(go());
  EXPECT_EQ(step(1), 0);
  EXPECT_EQ(step(3), 0);
}

TEST_P(StepSequencer, BadStepNumbersAndCountsAreChecked) {
  transition({1}, {9}, M(0, 0));   // step 9 of 3: does not fire
  make(1, 3);
  set<std::uint8_t>(M(20), 1);
  ASSERT_TRUE(go());
  EXPECT_EQ(step(1), 1);
  // A count larger than the steps: the block faults instead of reading on.
  cells = {M(0, 0), 100000};
  make(1, 3);
  EXPECT_FALSE(go());
}

TEST_P(StepSequencer, ListEndsWithTheRecord) {
  // More transitions counted than listed, and none at all with no steps: the
  // list ends with the record, nothing faults.
  transition({1}, {2}, M(0, 0));
  make(3, 2);
  set<std::uint8_t>(M(20), 1);
  ASSERT_TRUE(go());
  EXPECT_EQ(step(2), 1);
  cells = {M(0, 0)};
  make(0, 0);
  EXPECT_TRUE(go());
}

TEST_P(SpecialBlocks, PulseDistributor) {
  std::vector<std::uint32_t> ops;
  for (int i = 0; i < 8; ++i) ops.push_back(i == 3 ? 0 : M(2, i));
  ops.insert(ops.end(), {M(3, 0), M(3, 1), M(3, 2)});
  build("APR8", ops);
  set<std::uint8_t>(M(3, 2), 1);
  go();
  EXPECT_EQ(b(M(3, 0)), 255);
  EXPECT_EQ(b(M(2, 0)), 0);
  go();
  for (int i = 0; i < 8; ++i)
    if (i != 3) {
      EXPECT_EQ(b(M(2, i)), 255) << i;
    }
  EXPECT_EQ(b(M(3, 0)), 0);
}

TEST_P(SpecialBlocks, InifClearsBlocksOnce) {
  Addr blk = area("MVL", 0);
  build("Inif", {M(1, 0), M(1, 1), M(1, 2), M(1, 3), M(1, 4), blk, blk + 64, blk + 64 + 7992});
  set<std::uint8_t>(blk + 100, 9);
  set<std::uint8_t>(M(1, 2), 1);
  go();
  EXPECT_EQ(b(M(1, 0)), 1);
  EXPECT_EQ(b(blk + 100), 0);
  EXPECT_EQ(b(M(1, 4)), 0);
  set<std::uint8_t>(blk + 100, 9);
  go();
  EXPECT_EQ(b(blk + 100), 9);   // cleared once until both conditions are 0
  set<std::uint8_t>(M(1, 2), 0);
  go();
  EXPECT_EQ(b(M(1, 4)), 1);
  EXPECT_EQ(k.clearedFlag, 0);
}

TEST_P(SpecialBlocks, CharacteristicCurve) {
  // PLG: n, input, x values, y values, output.
  build("PLG", {3, DF(1), fbits(0), fbits(1), fbits(3), fbits(0), fbits(10), fbits(30), DF(2)});
  struct Case { float in, out; };
  const Case cases[] = {{0.5f, 5.0f}, {2.0f, 20.0f}, {4.0f, 40.0f}, {-1.0f, -10.0f}, {1.0f, 10.0f}};
  for (const Case& c : cases) {
    set<float>(DF(1), c.in);
    go();
    EXPECT_FLOAT_EQ(get<float>(DF(2)), c.out) << c.in;
  }
  build("PLG", {0, DF(1), DF(2)});
  set<float>(DF(2), 77.0f);
  go();
  EXPECT_EQ(get<float>(DF(2)), 77.0f);
}

PLC_ON_BOTH_PATHS(SpecialBlocks);
PLC_ON_BOTH_PATHS(StepSequencer);

} // namespace
} // namespace plctest
