// The cycle timer beside cyclictest, run in the same benchmark.
//
//   timer_bench [seconds per run] [period_us] [runs]   (defaults: 2 s, 1000 us, 3)
//
// After a short warm-up, each run starts a PeriodicTimer (SCHED_FIFO when
// permitted) at the period and then cyclictest at the same period, policy and
// priority for the same time. The timer's own statistics give the missed
// ticks and the lateness of each wake-up against the deadline it serves;
// cyclictest's histogram gives its mean, p99 and max in whole microseconds.
// Prints every run, the medians and their ratios; never fails. Without
// cyclictest (package rt-tests) only the timer's figures are printed.
#include "platform/timer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <sched.h>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Figures {
  double meanLateUs = 0, p99LateUs = 0, maxLateUs = 0, meanPeriodUs = 0;
  std::uint64_t samples = 0, missed = 0;
  int policy = 0, priority = 0;
  bool ok = false;
};

double us(plat::time::Nanos n) { return static_cast<double>(n.count()) / 1000.0; }

Figures timerRun(double seconds, int periodUs) {
  plat::time::PeriodicTimer t;
  std::atomic<std::int64_t> first{0}, last{0};
  std::atomic<std::uint64_t> count{0};
  Figures f;
  bool started = t.start(std::chrono::microseconds(periodUs), [&] {
    auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
    if (count.fetch_add(1) == 0) first = now;
    last = now;
  }, plat::time::systemClock(), /*realtime=*/true);
  if (!started) return f;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  t.stop();
  auto st = t.stats();
  if (st.ticks < 2) return f;
  f.meanLateUs = us(st.meanLate);
  f.p99LateUs = us(st.p99Late);
  f.maxLateUs = us(st.maxLate);
  f.samples = st.ticks;
  f.missed = st.missed;
  f.policy = st.policy;
  f.priority = st.priority;
  // Over the wall time between the first and the last wake-up, missed ticks included.
  f.meanPeriodUs = static_cast<double>(last - first) / 1000.0 / static_cast<double>(count.load() - 1);
  f.ok = true;
  return f;
}

// cyclictest with one thread, at the timer's policy and priority when that
// is real-time (else without -p, that is SCHED_OTHER); a histogram in
// microseconds up to 20 ms (later wake-ups are counted as overflows, taken as
// the maximum for the percentile).
Figures cyclictestRun(double seconds, int periodUs, const Figures& ours) {
  Figures f;
  long loops = std::max(10L, static_cast<long>(seconds * 1e6 / periodUs));
  std::string prio = ours.policy == SCHED_FIFO ? "-p " + std::to_string(std::max(1, ours.priority)) + " " : "";
  char cmd[256];
  std::snprintf(cmd, sizeof cmd, "cyclictest -t1 %s-i %d -l %ld -q -h 20000 2>/dev/null", prio.c_str(), periodUs,
                loops);
  FILE* p = popen(cmd, "r");
  if (!p) return f;
  std::vector<std::uint64_t> hist;
  std::uint64_t total = 0, overflows = 0;
  double avg = 0, mx = 0;
  char line[256];
  while (std::fgets(line, sizeof line, p)) {
    unsigned long v = 0, count = 0;
    if (line[0] != '#' && std::sscanf(line, "%lu %lu", &v, &count) == 2) {
      if (hist.size() <= v) hist.resize(v + 1, 0);
      hist[v] = count;
    } else if (std::sscanf(line, "# Total: %lu", &count) == 1) {
      total = count;
    } else if (std::sscanf(line, "# Avg Latencies: %lu", &count) == 1) {
      avg = static_cast<double>(count);
    } else if (std::sscanf(line, "# Max Latencies: %lu", &count) == 1) {
      mx = static_cast<double>(count);
    } else if (std::sscanf(line, "# Histogram Overflows: %lu", &count) == 1) {
      overflows = count;
    }
  }
  int rc = pclose(p);
  if (rc != 0 || total == 0) return f;
  std::uint64_t rank = static_cast<std::uint64_t>(std::ceil(static_cast<double>(total + overflows) * 0.99 - 1e-9));
  std::uint64_t acc = 0;
  double p99 = mx;
  for (std::size_t v = 0; v < hist.size(); ++v) {
    acc += hist[v];
    if (acc >= rank) {
      p99 = static_cast<double>(v);
      break;
    }
  }
  f.samples = total + overflows;
  f.meanLateUs = avg;
  f.maxLateUs = mx;
  f.p99LateUs = p99;
  f.meanPeriodUs = periodUs;
  f.policy = ours.policy;
  f.priority = ours.policy == SCHED_FIFO ? ours.priority : 0;
  f.ok = true;
  return f;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  int periodUs = argc > 2 ? std::atoi(argv[2]) : 1000;
  int runs = argc > 3 ? std::atoi(argv[3]) : 3;
  if (seconds <= 0) seconds = 2.0;
  if (periodUs <= 0) periodUs = 1000;
  if (runs <= 0) runs = 3;
  std::printf("cycle timer: %d runs of %.1f s at a period of %d us (after a warm-up)\n", runs, seconds, periodUs);
  (void)timerRun(std::min(0.3, seconds), periodUs);  // warm-up: thread start, page faults, frequency
  std::vector<double> oMean, oP99, oMax, oMissed, cMean, cP99, cMax;
  bool cyclictest = true;
  for (int r = 0; r < runs; ++r) {
    Figures o = timerRun(seconds, periodUs);
    if (!o.ok) {
      std::printf("  run %d: PeriodicTimer did not run\n", r + 1);
      continue;
    }
    std::printf("  run %d: PeriodicTimer (%s, priority %d): mean period %.2f us, lateness mean %.1f us, "
                "p99 %.1f us, max %.1f us, %llu ticks, %llu missed\n",
                r + 1, plat::time::schedulingPolicyName(o.policy), o.priority, o.meanPeriodUs, o.meanLateUs,
                o.p99LateUs, o.maxLateUs, static_cast<unsigned long long>(o.samples),
                static_cast<unsigned long long>(o.missed));
    oMean.push_back(o.meanLateUs);
    oP99.push_back(o.p99LateUs);
    oMax.push_back(o.maxLateUs);
    oMissed.push_back(static_cast<double>(o.missed));
    if (!cyclictest) continue;
    Figures c = cyclictestRun(seconds, periodUs, o);
    if (!c.ok) {
      cyclictest = false;
      std::printf("  cyclictest: not available (package rt-tests) or refused; timer figures only\n");
      continue;
    }
    std::printf("  run %d: cyclictest     (%s, priority %d): lateness mean %.0f us, p99 %.0f us, max %.0f us, "
                "%llu loops\n",
                r + 1, plat::time::schedulingPolicyName(c.policy), c.priority, c.meanLateUs, c.p99LateUs,
                c.maxLateUs, static_cast<unsigned long long>(c.samples));
    cMean.push_back(c.meanLateUs);
    cP99.push_back(c.p99LateUs);
    cMax.push_back(c.maxLateUs);
  }
  if (oMean.empty()) return 0;
  std::printf("median PeriodicTimer: lateness mean %.1f us, p99 %.1f us, max %.1f us, missed %.0f per run "
              "(goal: 0 missed on an idle machine)\n",
              median(oMean), median(oP99), median(oMax), median(oMissed));
  if (!cMean.empty()) {
    std::printf("median cyclictest:    lateness mean %.1f us, p99 %.1f us, max %.1f us\n", median(cMean),
                median(cP99), median(cMax));
    // cyclictest counts whole microseconds: a figure below one counts as one.
    std::printf("ratio PeriodicTimer / cyclictest: mean %.2f, p99 %.2f (goal <= 1.5), max %.2f\n",
                median(oMean) / std::max(1.0, median(cMean)), median(oP99) / std::max(1.0, median(cP99)),
                median(oMax) / std::max(1.0, median(cMax)));
  }
  return 0;
}
