#include "platform/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sched.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <thread>

using namespace plat::time;
using namespace std::chrono_literals;

namespace {

constexpr auto kWait = std::chrono::milliseconds(10000);  // a generous bound, never reached when all is well

TEST(FakeClock, SleepersWakeWhenTheirDeadlinePasses) {
  FakeClock c;
  std::atomic<bool> done{false};
  std::thread t([&] {
    c.sleepUntil(Nanos(100));
    done = true;
  });
  ASSERT_TRUE(c.waitForSleeper(kWait));
  c.advance(Nanos(99));
  EXPECT_TRUE(c.waitForSleeper(kWait));   // still blocked: 99 < 100
  EXPECT_FALSE(done);
  c.advance(Nanos(1));
  t.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(c.now(), Nanos(100));
  EXPECT_FALSE(c.waitForSleeper(1ms));    // nobody sleeps
}

TEST(FakeClock, WakeReturnsEarly) {
  FakeClock c;
  std::thread t([&] { c.sleepUntil(Nanos(1000)); });
  ASSERT_TRUE(c.waitForSleeper(kWait));
  c.wake();
  t.join();
  EXPECT_EQ(c.now(), Nanos(0));
}

TEST(PeriodicTimer, TicksInLockStepWithTheFakeClock) {
  auto c = std::make_shared<FakeClock>();
  std::atomic<int> calls{0};
  PeriodicTimer timer;
  ASSERT_TRUE(timer.start(10ms, [&] { ++calls; }, c));
  EXPECT_TRUE(timer.running());
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(c->waitForSleeper(kWait));
    c->advance(10ms);
  }
  ASSERT_TRUE(c->waitForSleeper(kWait));
  EXPECT_EQ(calls.load(), 5);
  TimerStats s = timer.stats();
  EXPECT_EQ(s.ticks, 5u);
  EXPECT_EQ(s.missed, 0u);
  EXPECT_EQ(s.maxLate, Nanos(0));
  // Half a period moves nothing.
  c->advance(5ms);
  ASSERT_TRUE(c->waitForSleeper(kWait));
  EXPECT_EQ(timer.stats().ticks, 5u);
  timer.stop();
  EXPECT_FALSE(timer.running());
}

// A running timer takes a new period without being stopped: the same thread
// goes on, now ticking at the new period.
TEST(PeriodicTimer, SetPeriodRetimesTheRunningThread) {
  auto c = std::make_shared<FakeClock>();
  std::atomic<int> calls{0};
  PeriodicTimer timer;
  ASSERT_TRUE(timer.start(10ms, [&] { ++calls; }, c));
  ASSERT_TRUE(c->waitForSleeper(kWait));
  c->advance(10ms);
  for (int i = 0; i < 1000 && calls.load() < 1; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(calls.load(), 1);
  timer.setPeriod(3ms);
  // Step the clock by 1 ms until the next tick, then count the steps to the one after.
  int steps = 0;
  for (; steps < 40 && calls.load() < 2; ++steps) {
    ASSERT_TRUE(c->waitForSleeper(kWait));
    c->advance(1ms);
    for (int i = 0; i < 50 && calls.load() < 2; ++i) std::this_thread::sleep_for(100us);
  }
  ASSERT_EQ(calls.load(), 2);
  EXPECT_LE(steps, 4);          // not the 10 ms of the old period
  steps = 0;
  for (; steps < 40 && calls.load() < 3; ++steps) {
    ASSERT_TRUE(c->waitForSleeper(kWait));
    c->advance(1ms);
    for (int i = 0; i < 50 && calls.load() < 3; ++i) std::this_thread::sleep_for(100us);
  }
  EXPECT_EQ(calls.load(), 3);
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(timer.running());
  timer.stop();
}

TEST(PeriodicTimer, LateTicksAreCountedAsMissedNotRunTwice) {
  auto c = std::make_shared<FakeClock>();
  std::atomic<int> calls{0};
  PeriodicTimer timer;
  ASSERT_TRUE(timer.start(10ms, [&] { ++calls; }, c));
  ASSERT_TRUE(c->waitForSleeper(kWait));
  c->advance(35ms);  // deadlines 10, 20, 30 passed: one run for 10, 25 ms late; 20 and 30 are missed
  ASSERT_TRUE(c->waitForSleeper(kWait));
  TimerStats s = timer.stats();
  EXPECT_EQ(s.ticks, 1u);
  EXPECT_EQ(s.missed, 2u);
  EXPECT_EQ(s.maxLate, Nanos(25ms));  // against the deadline served, not modulo the period
  EXPECT_EQ(s.meanLate, Nanos(25ms));
  c->advance(5ms);   // deadline 40, absolute: lateness does not accumulate
  ASSERT_TRUE(c->waitForSleeper(kWait));
  EXPECT_EQ(timer.stats().ticks, 2u);
  EXPECT_EQ(calls.load(), 2);
  timer.stop();
}

TEST(PeriodicTimer, SlowCallbackMissesTheDeadlinesItCovers) {
  auto c = std::make_shared<FakeClock>();
  PeriodicTimer timer;
  // The callback itself moves the clock by 25 ms, as a slow callback would.
  ASSERT_TRUE(timer.start(10ms, [&] { c->advance(25ms); }, c));
  ASSERT_TRUE(c->waitForSleeper(kWait));
  c->advance(10ms);  // tick at 10 runs until 35: deadline 20 missed, 30 runs 5 ms late, to 60 ...
  // After the first tick the timer keeps running by itself; let it, then stop it and look.
  for (int i = 0; i < 10000 && timer.stats().ticks < 5; ++i) std::this_thread::sleep_for(1ms);
  timer.stop();
  TimerStats s = timer.stats();
  EXPECT_GE(s.ticks, 5u);
  EXPECT_GE(s.missed, s.ticks - 1);   // every tick after the first skipped at least one deadline
  // Each later tick wakes 15 or 20 ms after the deadline it serves.
  EXPECT_GE(s.maxLate, Nanos(15ms));
  EXPECT_GT(s.meanLate, Nanos(10ms));
  EXPECT_LE(s.meanLate, s.maxLate);
}

// Wake-ups late by chosen amounts: the figures are exact in the microsecond
// range and a wake-up more than a period late shows its whole lateness.
TEST(PeriodicTimer, LatenessStatisticsOnTheFakeClock) {
  auto c = std::make_shared<FakeClock>();
  PeriodicTimer timer;
  ASSERT_TRUE(timer.start(1ms, [] {}, c));
  std::uint64_t k = 1, served = 0;
  while (served < 100) {
    Nanos late = k == 10 ? Nanos(300us) : k == 20 ? Nanos(2500us) : Nanos(0);
    ASSERT_TRUE(c->waitForSleeper(kWait));
    c->advance(Nanos(1ms) * k + late - c->now());
    ++served;
    k += 1 + std::uint64_t(late / 1ms);  // 2.5 ms late: deadlines 21 and 22 are missed
  }
  ASSERT_TRUE(c->waitForSleeper(kWait));
  TimerStats s = timer.stats();
  timer.stop();
  EXPECT_EQ(s.ticks, 100u);
  EXPECT_EQ(s.missed, 2u);
  EXPECT_EQ(s.maxLate, Nanos(2500us));
  EXPECT_EQ(s.meanLate, Nanos(28us));  // (300 + 2500) / 100
  EXPECT_EQ(s.p99Late, Nanos(300us));  // the 99th of 100 sorted values
  EXPECT_STREQ(schedulingPolicyName(s.policy), "SCHED_OTHER");
}

TEST(LatenessStats, PercentilesAreExactBelowTwoMillisecondsAndWithinOnePercentAbove) {
  struct Case {
    std::int64_t us;
  } cases[] = {{0}, {1}, {999}, {2047}, {2048}, {5000}, {25000}, {1000000}, {123456789}};
  for (auto c : cases) {
    LatenessStats st;
    for (int i = 0; i < 10; ++i) st.add(Nanos(std::chrono::microseconds(c.us)) + Nanos(400));
    Nanos p = st.percentile(0.99), exact = std::chrono::microseconds(c.us);
    if (c.us < 2048) {
      EXPECT_EQ(p, exact) << c.us;
    } else {
      EXPECT_LE(p, exact) << c.us;
      EXPECT_GE(p.count(), exact.count() * 99 / 100) << c.us;
    }
  }
  LatenessStats st;
  for (int i = 1; i <= 1000; ++i) st.add(std::chrono::microseconds(i));
  st.add(Nanos(-5));  // an early reading counts as on time
  st.addMissed(3);
  TimerStats s;
  st.fill(s);
  EXPECT_EQ(s.ticks, 1001u);
  EXPECT_EQ(s.missed, 3u);
  EXPECT_EQ(s.maxLate, Nanos(1000us));
  EXPECT_EQ(s.p99Late, Nanos(990us));  // rank 991 of 0, 1 .. 1000
  EXPECT_EQ(st.percentile(0.5), Nanos(500us));
  st.reset();
  st.fill(s);
  EXPECT_EQ(s.ticks, 0u);
  EXPECT_EQ(s.p99Late, Nanos(0));
}

TEST(PeriodicTimer, TwoTimersOnOneClock) {
  auto c = std::make_shared<FakeClock>();
  std::atomic<int> fast{0}, slow{0};
  PeriodicTimer a, b;
  ASSERT_TRUE(a.start(10ms, [&] { ++fast; }, c));
  ASSERT_TRUE(b.start(30ms, [&] { ++slow; }, c));
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(c->waitForSleepers(2, kWait));
    c->advance(10ms);
  }
  ASSERT_TRUE(c->waitForSleepers(2, kWait));
  EXPECT_EQ(fast.load(), 6);
  EXPECT_EQ(slow.load(), 2);
  EXPECT_EQ(a.stats().missed + b.stats().missed, 0u);
}

TEST(PeriodicTimer, StopsFromAnotherThreadAndFromItsCallback) {
  auto c = std::make_shared<FakeClock>();
  PeriodicTimer timer;
  ASSERT_TRUE(timer.start(1ms, [] {}, c));
  ASSERT_TRUE(c->waitForSleeper(kWait));
  timer.stop();                      // the sleeper is woken; no hang
  EXPECT_FALSE(timer.running());
  timer.stop();                      // twice is fine

  PeriodicTimer self;
  std::atomic<int> calls{0};
  ASSERT_TRUE(self.start(1ms, [&] { ++calls; self.stop(); }, c));
  ASSERT_TRUE(c->waitForSleeper(kWait));
  c->advance(1ms);
  for (int i = 0; i < 10000 && self.running(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(self.running());
  self.stop();                       // joins
  EXPECT_EQ(calls.load(), 1);
  EXPECT_FALSE(self.start(Nanos(0), [] {}, c));   // no period
  EXPECT_TRUE(self.start(1ms, [] {}, c));         // restartable after stop
  self.stop();
}

TEST(PeriodicTimer, SystemClockRunsAndRealtimeFallsBack) {
  PeriodicTimer timer;
  std::atomic<int> calls{0};
  ASSERT_TRUE(timer.start(1ms, [&] { ++calls; }, systemClock(), /*realtime=*/true));
  for (int i = 0; i < 10000 && calls.load() < 3; ++i) std::this_thread::sleep_for(1ms);
  timer.stop();
  EXPECT_GE(calls.load(), 3);
  TimerStats s = timer.stats();
  EXPECT_GE(s.ticks, 3u);
  // Real-time scheduling where permitted, else the normal policy; either way it is reported.
  EXPECT_TRUE(s.policy == SCHED_FIFO || s.policy == SCHED_OTHER) << s.policy;
  EXPECT_STRNE(schedulingPolicyName(s.policy), "unknown");
}

#ifdef __linux__
TEST(PeriodicTimer, TheTimerThreadSleepsWithoutSlack) {
  PeriodicTimer timer;
  std::atomic<long> slack{-1};
  ASSERT_TRUE(timer.start(1ms, [&] { slack = ::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0); }, systemClock()));
  for (int i = 0; i < 10000 && slack.load() < 0; ++i) std::this_thread::sleep_for(1ms);
  timer.stop();
  EXPECT_EQ(slack.load(), 1);
}
#endif

TEST(SystemClock, MonotonicAndSleeps) {
  auto c = systemClock();
  Nanos a = c->now();
  c->sleepUntil(a + 2ms);
  EXPECT_GE(c->now(), a + 2ms);
  std::atomic<bool> stop{false}, done{false};
  std::thread t([&] {
    while (!stop) c->sleepUntil(c->now() + std::chrono::hours(1));
    done = true;
  });
  stop = true;
  for (int i = 0; i < 10000 && !done; ++i) {  // wake until it has seen the flag
    c->wake();
    std::this_thread::sleep_for(1ms);
  }
  t.join();
  EXPECT_TRUE(done);
}

} // namespace
