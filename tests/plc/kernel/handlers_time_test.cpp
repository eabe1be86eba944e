// Timers, generators, integrator, lag, PID and tone. The time counter is set by
// hand; dt comes from the task time base.
#include "plc_fixture.h"

#include <cmath>

namespace plctest {
namespace {

class TimeBlocks : public BothPaths {
protected:
  Addr rec = 0;
  void build(const char* name, std::vector<std::uint32_t> ops) {
    cursor = k.progBase();
    rec = block(name, std::move(ops));
  }
  void at(std::uint32_t ms) {
    k.timeCounter = ms;
    ASSERT_TRUE(runBlock(rec));
  }
  std::uint8_t b(Addr a) { return get<std::uint8_t>(a); }
};

TEST_P(TimeBlocks, OnDelay) {
  // EV: in, T, out, remaining, last.
  build("EV", {M(1), DF(1), M(2), DL(1), DL(2)});
  set<float>(DF(1), 0.1f);
  set<std::uint8_t>(M(1), 255);
  struct Step { std::uint32_t t; std::uint8_t out; };
  const Step steps[] = {{1000, 0}, {1050, 0}, {1099, 0}, {1100, 255}, {1200, 255}};
  for (const Step& s : steps) {
    at(s.t);
    EXPECT_EQ(b(M(2)), s.out) << s.t;
  }
  set<std::uint8_t>(M(1), 0);
  at(1300);
  EXPECT_EQ(b(M(2)), 0);
  EXPECT_EQ(get<std::int32_t>(DL(1)), 0);
  // T = 0 switches on in the same run as the input.
  set<float>(DF(1), 0.0f);
  set<std::uint8_t>(M(1), 1);
  at(1400);
  EXPECT_EQ(b(M(2)), 255);
}

TEST_P(TimeBlocks, OffDelay) {
  build("AV", {M(1), DF(1), M(2), DL(1), DL(2)});
  set<float>(DF(1), 0.05f);
  set<std::uint8_t>(M(1), 1);
  at(0);
  EXPECT_EQ(b(M(2)), 255);
  set<std::uint8_t>(M(1), 0);
  at(10);
  EXPECT_EQ(b(M(2)), 255);
  at(59);
  EXPECT_EQ(b(M(2)), 255);
  at(60);
  EXPECT_EQ(b(M(2)), 0);
}

TEST_P(TimeBlocks, OnDelayInMilliseconds) {
  // EVF: T (ms), in, out, remaining, last.
  build("EVF", {DL(3), M(1), M(2), DL(1), DL(2)});
  set<std::int32_t>(DL(3), 2000000);   // capped at 999900
  set<std::uint8_t>(M(1), 1);
  at(0);
  EXPECT_EQ(get<std::int32_t>(DL(1)), 999900);
  at(999899);
  EXPECT_EQ(b(M(2)), 0);
  at(999900);
  EXPECT_EQ(b(M(2)), 255);
  set<std::uint8_t>(M(1), 0);
  at(999901);
  set<std::int32_t>(DL(3), -2147483647 - 1);   // random time, no overflow
  set<std::uint8_t>(M(1), 1);
  at(1000000);
  EXPECT_GT(get<std::int32_t>(DL(1)), 0);
  set<std::uint8_t>(M(1), 0);
  at(1000001);
  set<std::int32_t>(DL(3), 0);
  set<std::uint8_t>(M(1), 1);
  at(1000002);
  EXPECT_EQ(b(M(2)), 255);
}

TEST_P(TimeBlocks, ClockAndRamp) {
  build("TG", {DF(1), M(2), DL(1), DL(2)});
  set<float>(DF(1), 0.01f);   // 10 ms
  int pulses = 0;
  for (std::uint32_t t = 0; t <= 100; t += 2) {
    at(t);
    pulses += b(M(2)) ? 1 : 0;
  }
  EXPECT_GE(pulses, 8);
  EXPECT_LE(pulses, 11);
  build("SZG", {DF(2), DF(3), DF(4), DL(3)});
  set<float>(DF(2), 1.0f);
  set<float>(DF(3), 1.0f);
  set<float>(DF(4), 0.0f);
  at(0);
  at(1000);
  EXPECT_NEAR(get<float>(DF(4)), 3.1415925f, 1e-4);
  at(1100);   // beyond f x pi: starts again at 0
  EXPECT_EQ(get<float>(DF(4)), 0.0f);
  set<float>(DF(3), 0.0f);   // d = 0: no change, no division
  at(1200);
  EXPECT_EQ(get<float>(DF(4)), 0.0f);
}

TEST_P(TimeBlocks, IntegratorAndLag) {
  k.taskTimeBase = 0.01f;
  // IG: x, set byte, set value, previous x, T, stored T, k, y.
  build("IG", {DF(1), M(1), DF(2), DF(3), DF(4), DF(5), DF(6), DF(7)});
  set<float>(DF(1), 1.0f);
  set<float>(DF(4), 0.5f);
  for (int i = 0; i < 3; ++i) at(0);
  // k = 0.01 / 1.0; y = k(1+0) + k(1+1) + k(1+1)
  EXPECT_NEAR(get<float>(DF(7)), 0.05f, 1e-6);
  set<std::uint8_t>(M(1), 1);
  set<float>(DF(2), 7.0f);
  at(0);
  EXPECT_EQ(get<float>(DF(7)), 7.0f);
  // PT1: x, y, T, stored T, k.
  build("PT1", {DF(1), DF(8), DF(9), DF(0), DF(3)});
  set<float>(DF(1), 2.0f);
  set<float>(DF(9), 0.0f);
  at(0);
  EXPECT_EQ(get<float>(DF(8)), 2.0f);   // T <= 0: y := x
  set<float>(DF(8), 0.0f);
  set<float>(DF(9), 0.09f);
  at(0);
  EXPECT_NEAR(get<float>(DF(8)), 2.0f * 0.1f, 1e-6);   // k = 0.01 / (0.01 + 0.09)
}

TEST_P(TimeBlocks, PidLimitsAndManual) {
  k.taskTimeBase = 0.1f;
  std::vector<std::uint32_t> ops;
  // x, e, s in DF; mode bytes and flags in M; the floats after them in PF.
  ops = {DF(1), DF(2), DF(3), M(1, 0), M(1, 1), M(1, 2), M(1, 3), M(2, 0), M(2, 1)};
  const plc::Area* pf = k.findArea("PF");
  ASSERT_NE(pf, nullptr);
  // Not enough PF cells for 16 floats: use the MVL area as scratch floats.
  Addr scratch = area("MVL");
  for (int i = 0; i < 16; ++i) ops.push_back(scratch + 4 * i);
  build("PID", ops);
  auto f = [&](int i) { return scratch + 4 * i; };   // 0 L, 1 U, 2 y, 3 Kp, ... 15 output
  set<float>(f(0), -10.0f);
  set<float>(f(1), 10.0f);
  set<float>(f(3), 2.0f);   // Kp, Tn = Tv = 0: proportional on the change of e
  set<float>(DF(2), 1.0f);
  at(0);
  EXPECT_FLOAT_EQ(get<float>(f(15)), 2.0f);
  set<float>(DF(2), 20.0f);
  at(0);
  EXPECT_FLOAT_EQ(get<float>(f(15)), 10.0f);
  EXPECT_EQ(get<std::uint8_t>(M(2, 1)), 1);
  EXPECT_EQ(get<std::uint8_t>(M(2, 0)), 0);
  // Manual with m3: y := s, then held inside the limits.
  set<std::uint8_t>(M(1, 0), 1);
  set<std::uint8_t>(M(1, 3), 1);
  set<float>(DF(3), -50.0f);
  at(0);
  EXPECT_FLOAT_EQ(get<float>(f(15)), -10.0f);
  EXPECT_FLOAT_EQ(get<float>(f(2)), -10.0f);
  EXPECT_EQ(get<std::uint8_t>(M(2, 0)), 1);
}

TEST_P(TimeBlocks, Tone) {
  // TON: note, octave, duration, enable, done, remaining, last.
  set<std::int32_t>(DL(1), 100);
  set<std::uint8_t>(M(1), 1);
  build("TON", {1, 8, DL(1), M(1), M(2), DL(2), DL(3)});
  at(0);
  EXPECT_EQ(get<std::uint8_t>(M(2)), 255);   // octave 8: done at once, no sound
  EXPECT_EQ(k.toneCount, 0u);
  set<std::uint8_t>(M(2), 0);
  build("TON", {1, 4, DL(1), M(1), M(2), DL(2), DL(3)});
  at(0);
  EXPECT_EQ(k.toneCount, 1u);
  EXPECT_EQ(k.toneHz, 1190000 / 4304);
  at(99);
  EXPECT_EQ(get<std::uint8_t>(M(2)), 0);
  at(100);
  EXPECT_EQ(get<std::uint8_t>(M(2)), 255);
  set<std::uint8_t>(M(1), 0);
  at(101);
  EXPECT_EQ(get<std::uint8_t>(M(2)), 0);
}

PLC_ON_BOTH_PATHS(TimeBlocks);

} // namespace
} // namespace plctest
