#pragma once
// Clocks and periodic timers (in place of multimedia timers). A timer runs its
// callback on a thread of its own at absolute deadlines (start + n * period), so
// that lateness does not accumulate; ticks that are missed are counted, not
// run twice. Each wake-up's lateness is measured against the first deadline it
// serves, so a wake-up several periods late shows its whole lateness. Every clock sits behind an interface with a fake for tests.
// Threads are stopped cooperatively and joined, never killed.
#include "platform/export.h"
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace plat::time {

using Nanos = std::chrono::nanoseconds;

class PLATFORM_API Clock {
public:
  virtual ~Clock();
  virtual Nanos now() const = 0;                 // monotonic
  virtual void sleepUntil(Nanos deadline) = 0;   // returns at or after the deadline, or on wake()
  virtual void wake() = 0;                       // makes a sleeper return early (for stopping)
};

// The steady system clock.
PLATFORM_API std::shared_ptr<Clock> systemClock();

// A clock that moves only when a test advances it; sleepers wake when the
// time reaches their deadline.
class PLATFORM_API FakeClock : public Clock {
public:
  Nanos now() const override;
  void sleepUntil(Nanos deadline) override;
  void wake() override;
  void advance(Nanos d);
  // Waits (really) until some thread sleeps in sleepUntil with a deadline
  // still ahead of now(), that is until it is really blocked; false when the
  // limit passes first. For lock-step tests: advance, then waitForSleeper, then
  // look at what the sleeper did.
  bool waitForSleeper(std::chrono::milliseconds limit);
  // The same for several threads on one clock: until at least count of them
  // are blocked.
  bool waitForSleepers(std::size_t count, std::chrono::milliseconds limit);
private:
  mutable std::mutex mu_;
  std::condition_variable cv_;
  Nanos now_{0};
  std::multiset<Nanos> sleepers_;  // deadlines of the threads in sleepUntil
  std::uint64_t wakeGen_ = 0;
};

struct TimerStats {
  std::uint64_t ticks = 0;     // callbacks run
  std::uint64_t missed = 0;    // deadlines skipped because a wake-up came after them
  Nanos maxLate{0};            // largest wake-up lateness seen
  Nanos meanLate{0};           // mean lateness over the ticks
  Nanos p99Late{0};            // 99th percentile of the lateness, to about 1 % (below 2 ms to the microsecond)
  int policy = 0;              // scheduling policy the timer thread obtained (SCHED_OTHER, SCHED_FIFO, ...)
  int priority = 0;            // and its priority
};

// "SCHED_OTHER", "SCHED_FIFO", "SCHED_RR", ... for TimerStats::policy.
PLATFORM_API const char* schedulingPolicyName(int policy);

// The lateness figures of a timer: wake-ups are added one by one; the
// percentile comes from a log-linear histogram (microseconds, exact below
// 2048 us, then 128 steps per doubling), reported at the lower edge of its
// step like a latency histogram in whole microseconds.
class PLATFORM_API LatenessStats {
public:
  LatenessStats();
  void add(Nanos late);
  void addMissed(std::uint64_t n) { missed_ += n; }
  void reset();
  // ticks, missed, maxLate, meanLate and p99Late of a TimerStats.
  void fill(TimerStats& s) const;
  Nanos percentile(double q) const;
private:
  std::uint64_t ticks_ = 0, missed_ = 0;
  std::uint64_t sumNs_ = 0;
  Nanos max_{0};
  std::vector<std::uint64_t> buckets_;
};

class PLATFORM_API PeriodicTimer {
public:
  using Callback = std::function<void()>;
  PeriodicTimer();
  ~PeriodicTimer();                    // stops and joins
  // Starts the thread; realtime asks for SCHED_FIFO and falls back quietly.
  bool start(Nanos period, Callback cb, std::shared_ptr<Clock> clock = systemClock(), bool realtime = false);
  void stop();                         // cooperative; joins the thread
  // A new period for a running timer, counted from now; the thread takes it
  // at once without being stopped (the caller never waits for it).
  void setPeriod(Nanos period);
  bool running() const;
  TimerStats stats() const;
private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace plat::time
