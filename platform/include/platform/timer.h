#pragma once
// Clocks and periodic timers (in place of multimedia timers). A timer runs its
// callback on a thread of its own at absolute deadlines (start + n * period), so
// that lateness does not accumulate; ticks that are missed are counted, not
// run twice. Every clock sits behind an interface with a fake for tests.
// Threads are stopped cooperatively and joined, never killed.
#include "platform/export.h"
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

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
  std::uint64_t missed = 0;    // deadlines skipped because a callback ran late
  Nanos maxLate{0};            // largest wake-up lateness seen
};

class PLATFORM_API PeriodicTimer {
public:
  using Callback = std::function<void()>;
  PeriodicTimer();
  ~PeriodicTimer();                    // stops and joins
  // Starts the thread; realtime asks for SCHED_FIFO and falls back quietly.
  bool start(Nanos period, Callback cb, std::shared_ptr<Clock> clock = systemClock(), bool realtime = false);
  void stop();                         // cooperative; joins the thread
  bool running() const;
  TimerStats stats() const;
private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

} // namespace plat::time
