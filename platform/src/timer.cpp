// Clocks and periodic timers on absolute deadlines.
#include "platform/timer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <iterator>
#include <thread>

#include <pthread.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
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

namespace {

// The lateness histogram: one bucket per microsecond below 2048 us, then 128
// per doubling up to 2^34 us; later values share the last bucket.
constexpr std::uint64_t kLinear = 2048;
constexpr int kSubBits = 7;
constexpr int kFirstExp = 11, kLastExp = 34;
constexpr std::size_t kBuckets = kLinear + std::size_t(kLastExp - kFirstExp + 1) * (1u << kSubBits);

std::size_t bucketOf(std::uint64_t us) {
  if (us < kLinear) return std::size_t(us);
  int e = std::bit_width(us) - 1;
  if (e > kLastExp) return kBuckets - 1;
  std::uint64_t sub = (us >> (e - kSubBits)) & ((1u << kSubBits) - 1);
  return std::size_t(kLinear + std::uint64_t(e - kFirstExp) * (1u << kSubBits) + sub);
}

std::uint64_t lowerEdgeUs(std::size_t idx) {
  if (idx < kLinear) return idx;
  std::size_t k = idx - kLinear;
  int e = kFirstExp + int(k >> kSubBits);
  std::uint64_t sub = k & ((1u << kSubBits) - 1);
  return ((std::uint64_t(1) << kSubBits) + sub) << (e - kSubBits);
}

} // namespace

const char* schedulingPolicyName(int policy) {
  switch (policy) {
  case SCHED_OTHER: return "SCHED_OTHER";
  case SCHED_FIFO: return "SCHED_FIFO";
  case SCHED_RR: return "SCHED_RR";
#ifdef SCHED_BATCH
  case SCHED_BATCH: return "SCHED_BATCH";
#endif
#ifdef SCHED_IDLE
  case SCHED_IDLE: return "SCHED_IDLE";
#endif
  default: return "unknown";
  }
}

LatenessStats::LatenessStats() : buckets_(kBuckets, 0) {}

void LatenessStats::add(Nanos late) {
  if (late < Nanos::zero()) late = Nanos::zero();
  const auto ns = std::uint64_t(late.count());
  ++ticks_;
  sumNs_ += ns;
  if (late > max_) max_ = late;
  ++buckets_[bucketOf(ns / 1000)];
}

void LatenessStats::reset() {
  ticks_ = missed_ = sumNs_ = 0;
  max_ = Nanos::zero();
  std::fill(buckets_.begin(), buckets_.end(), 0);
}

Nanos LatenessStats::percentile(double q) const {
  if (ticks_ == 0) return Nanos::zero();
  q = std::clamp(q, 0.0, 1.0);
  auto rank = std::uint64_t(std::ceil(q * double(ticks_) - 1e-9));  // 0.99 * 100 is 99, not 100
  rank = std::clamp<std::uint64_t>(rank, 1, ticks_);
  std::uint64_t acc = 0;
  for (std::size_t i = 0; i < buckets_.size(); ++i) {
    acc += buckets_[i];
    if (acc >= rank) return std::min(max_, Nanos(std::int64_t(lowerEdgeUs(i) * 1000)));
  }
  return max_;
}

void LatenessStats::fill(TimerStats& s) const {
  s.ticks = ticks_;
  s.missed = missed_;
  s.maxLate = max_;
  s.meanLate = ticks_ ? Nanos(std::int64_t(sumNs_ / ticks_)) : Nanos::zero();
  s.p99Late = percentile(0.99);
}

struct PeriodicTimer::Impl {
  std::shared_ptr<Clock> clock;
  Callback cb;
  Nanos period{0};
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  std::atomic<std::int64_t> newPeriod{0};   // set by setPeriod, taken by the thread
  mutable std::mutex statsMu;
  LatenessStats lateness;
  int policy = SCHED_OTHER, priority = 0;
  std::mutex exitMu;
  std::condition_variable exitCv;
  bool exited = true;

  void run(bool realtime) {
    if (realtime) {
      sched_param sp{};
      sp.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
      (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);  // quietly stays normal when refused
    }
#ifdef __linux__
    // Wake-ups as close to the deadline as the system can: a thread of the
    // normal policy otherwise gets up to 50 us of slack on every sleep.
    (void)::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    {
      int pol = SCHED_OTHER;
      sched_param got{};
      if (pthread_getschedparam(pthread_self(), &pol, &got) == 0) {
        std::lock_guard<std::mutex> lk(statsMu);
        policy = pol;
        priority = got.sched_priority;
      }
    }
    Nanos start = clock->now();
    std::uint64_t n = 1;
    while (!stop.load()) {
      if (std::int64_t p = newPeriod.exchange(0); p > 0) {
        period = Nanos(p);
        start = clock->now();
        n = 1;
      }
      const Nanos deadline = start + period * n;
      clock->sleepUntil(deadline);
      if (stop.load()) break;
      const Nanos now = clock->now();
      if (now < deadline) continue;  // woken early
      // This wake-up serves deadline n, late by now - deadline; the later
      // deadlines that have passed too are missed, not run.
      std::uint64_t latest = std::uint64_t((now - start) / period);
      std::uint64_t missed = latest > n ? latest - n : 0;
      {
        std::lock_guard<std::mutex> lk(statsMu);
        lateness.addMissed(missed);
        lateness.add(now - deadline);
      }
      n += missed;
      cb();
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
    impl_->lateness.reset();
    impl_->policy = SCHED_OTHER;
    impl_->priority = 0;
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

void PeriodicTimer::setPeriod(Nanos period) {
  if (period <= Nanos::zero() || !impl_->running.load()) return;
  impl_->newPeriod = period.count();
  impl_->clock->wake();
}

bool PeriodicTimer::running() const { return impl_->running.load(); }

TimerStats PeriodicTimer::stats() const {
  std::lock_guard<std::mutex> lk(impl_->statsMu);
  TimerStats s;
  impl_->lateness.fill(s);
  s.policy = impl_->policy;
  s.priority = impl_->priority;
  return s;
}

} // namespace plat::time
