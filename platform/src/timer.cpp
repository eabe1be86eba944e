// Clocks and periodic timers on absolute deadlines.
#include "platform/timer.h"

#include <atomic>
#include <iterator>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace plat::time {

Clock::~Clock() = default;

namespace {

// The steady clock; each instance has its own wake-up so that stopping one
// timer does not disturb others.
class SystemClock : public Clock {
public:
  Nanos now() const override {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
  }
  void sleepUntil(Nanos deadline) override {
    std::unique_lock<std::mutex> lk(mu_);
    std::uint64_t gen = gen_;
    std::chrono::steady_clock::time_point tp{std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline)};
    cv_.wait_until(lk, tp, [&] { return gen_ != gen || std::chrono::steady_clock::now() >= tp; });
  }
  void wake() override {
    std::lock_guard<std::mutex> lk(mu_);
    ++gen_;
    cv_.notify_all();
  }
private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::uint64_t gen_ = 0;
};

} // namespace

std::shared_ptr<Clock> systemClock() { return std::make_shared<SystemClock>(); }

Nanos FakeClock::now() const {
  std::lock_guard<std::mutex> lk(mu_);
  return now_;
}

void FakeClock::sleepUntil(Nanos deadline) {
  std::unique_lock<std::mutex> lk(mu_);
  std::uint64_t gen = wakeGen_;
  auto it = sleepers_.insert(deadline);
  cv_.notify_all();  // for waitForSleeper
  cv_.wait(lk, [&] { return now_ >= deadline || wakeGen_ != gen; });
  sleepers_.erase(it);
}

void FakeClock::wake() {
  std::lock_guard<std::mutex> lk(mu_);
  ++wakeGen_;
  cv_.notify_all();
}

void FakeClock::advance(Nanos d) {
  std::lock_guard<std::mutex> lk(mu_);
  now_ += d;
  cv_.notify_all();
}

bool FakeClock::waitForSleeper(std::chrono::milliseconds limit) { return waitForSleepers(1, limit); }

bool FakeClock::waitForSleepers(std::size_t count, std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lk(mu_);
  return cv_.wait_for(lk, limit, [&] {
    return std::size_t(std::distance(sleepers_.upper_bound(now_), sleepers_.end())) >= count;
  });
}

struct PeriodicTimer::Impl {
  std::shared_ptr<Clock> clock;
  Callback cb;
  Nanos period{0};
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  mutable std::mutex statsMu;
  TimerStats stats;
  std::mutex exitMu;
  std::condition_variable exitCv;
  bool exited = true;

  void run(bool realtime) {
    if (realtime) {
      sched_param sp{};
      sp.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
      (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);  // quietly stays normal when refused
    }
    const Nanos start = clock->now();
    std::uint64_t n = 1;
    while (!stop.load()) {
      const Nanos deadline = start + period * n;
      clock->sleepUntil(deadline);
      if (stop.load()) break;
      const Nanos now = clock->now();
      if (now < deadline) continue;  // woken early
      // Deadlines that passed wholly before this one are missed, not run.
      std::uint64_t latest = std::uint64_t((now - start) / period);
      std::uint64_t missed = latest > n ? latest - n : 0;
      n += missed;
      const Nanos late = now - (start + period * n);
      {
        std::lock_guard<std::mutex> lk(statsMu);
        stats.missed += missed;
        if (late > stats.maxLate) stats.maxLate = late;
      }
      cb();
      {
        std::lock_guard<std::mutex> lk(statsMu);
        ++stats.ticks;
      }
      ++n;
    }
    std::lock_guard<std::mutex> lk(exitMu);
    exited = true;
    exitCv.notify_all();
  }
};

PeriodicTimer::PeriodicTimer() : impl_(std::make_unique<Impl>()) {}

PeriodicTimer::~PeriodicTimer() { stop(); }

bool PeriodicTimer::start(Nanos period, Callback cb, std::shared_ptr<Clock> clock, bool realtime) {
  if (period <= Nanos::zero() || !cb || !clock) return false;
  if (impl_->thread.joinable()) {
    if (impl_->thread.get_id() == std::this_thread::get_id() || !impl_->stop.load()) return false;
    stop();  // stopped from its callback before: join it now
  }
  impl_->clock = std::move(clock);
  impl_->cb = std::move(cb);
  impl_->period = period;
  impl_->stop = false;
  {
    std::lock_guard<std::mutex> lk(impl_->statsMu);
    impl_->stats = TimerStats{};
  }
  {
    std::lock_guard<std::mutex> lk(impl_->exitMu);
    impl_->exited = false;
  }
  impl_->running = true;
  impl_->thread = std::thread([this, realtime] { impl_->run(realtime); });
  return true;
}

void PeriodicTimer::stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  if (impl_->thread.get_id() == std::this_thread::get_id()) {
    // Stopped from its own callback: the loop ends after the callback
    // returns; the thread is joined by the next stop() or the destructor.
    impl_->running = false;
    return;
  }
  // The thread may be between its check of the flag and its sleep, so wake it
  // until it has left the loop.
  std::unique_lock<std::mutex> lk(impl_->exitMu);
  while (!impl_->exited) {
    lk.unlock();
    impl_->clock->wake();
    lk.lock();
    impl_->exitCv.wait_for(lk, std::chrono::milliseconds(1), [&] { return impl_->exited; });
  }
  lk.unlock();
  impl_->thread.join();
  impl_->running = false;
}

bool PeriodicTimer::running() const { return impl_->running.load(); }

TimerStats PeriodicTimer::stats() const {
  std::lock_guard<std::mutex> lk(impl_->statsMu);
  return impl_->stats;
}

} // namespace plat::time
