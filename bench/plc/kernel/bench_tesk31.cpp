// Time per task cycle of the software PLC's run step over a reference chain of
// blocks, on the pre-decoded path and on the checked path, beside the same
// logic written natively in C++. Two chains: about 100 blocks, and 10,000
// blocks in one task cycle. Figures are medians of several runs after a
// warm-up; the machine may be shared, so compare the ratios.
#include "kernel.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using plc::Addr;

struct Builder {
  plc::Kernel& k;
  Addr cur;
  Addr block(const char* name, std::vector<std::uint32_t> ops) {
    Addr at = cur;
    std::vector<std::uint8_t> b(8 + 4 * ops.size());
    protocol::putU32(b.data(), plc::handlerToken(plc::opcodeRow(name)));
    protocol::putU32(b.data() + 4, at + static_cast<Addr>(b.size()));
    for (std::size_t i = 0; i < ops.size(); ++i) protocol::putU32(b.data() + 8 + 4 * i, ops[i]);
    k.mem.write(at, b.data(), b.size());
    cur += static_cast<Addr>(b.size());
    return at;
  }
};

// Cells of group g (shared by the program and the native code).
int accCell(int g) { return g; }
int outCell(int g) { return 5000 + g; }
int cmpCell(int g) { return g % 400; }
int bitCell(int g) { return 400 + g % 400; }
constexpr int kOneCell = 900;

// The reference logic: per group an addition, a comparison, an AND of two
// bits and a selection.
struct Native {
  std::vector<std::int16_t> dw = std::vector<std::int16_t>(10000);
  std::vector<std::array<std::uint8_t, 8>> m = std::vector<std::array<std::uint8_t, 8>>(1000);
  std::int16_t pw[4] = {3, 1000, 7, 0};
  int groups;
  explicit Native(int g) : groups(g) { m[kOneCell][0] = 255; }
  void cycle() {
    for (int g = 0; g < groups; ++g) {
      std::int16_t& acc = dw[accCell(g)];
      acc = static_cast<std::int16_t>(acc + pw[0]);
      std::int16_t a = acc, b = pw[1];
      std::uint8_t* c = m[cmpCell(g)].data();
      std::memset(c, 0, 4);
      if (a == b) c[0] = 255;
      else { c[1] = 255; if (a > b) c[2] = 255; if (a < b) c[3] = 255; }
      bool r = (c[2] != 0) && (m[kOneCell][0] != 0);
      m[bitCell(g)][0] = r ? 255 : 0;
      dw[outCell(g)] = m[bitCell(g)][0] ? pw[2] : dw[accCell(g)];
    }
  }
};

// This thread's processor time in ns: on a shared machine it leaves out the
// time the thread waited for a processor.
double cpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// ns per call of f over a run of n calls.
template <class Fn> double runNs(int n, Fn f) {
  double t0 = cpuNs();
  for (int i = 0; i < n; ++i) f();
  return (cpuNs() - t0) / n;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void chain(int groups, int cycles) {
  plc::Kernel k;
  k.hooksFromRuntime = false;
  DspsInitRecord rec{nullptr, "10"};
  k.dspsInit(0, &rec);
  k.setMode(protocol::kModeCheck);
  // The built-in areas with a program block large enough for the chain.
  auto decls = plc::Kernel::builtinDeclarations();
  decls[0].size = 100000;
  std::vector<int> tails;
  {
    std::lock_guard lk(k.mu);
    k.loadDeclarations(decls, tails);
  }
  for (int m : tails) k.modeTail(m);
  auto at = [&](const char* area, std::uint32_t i) {
    const plc::Area* a = k.findArea(area);
    return a->blocks[0].addr + i * a->size;
  };
  Builder b{k, k.progBase()};
  std::int16_t pw[3] = {3, 1000, 7};
  for (int i = 0; i < 3; ++i) k.mem.write(at("PW", i), &pw[i], 2);
  std::uint8_t one = 255;
  k.mem.write(at("M", kOneCell), &one, 1);
  Addr beg = b.block("BEG", {10, 1});
  for (int g = 0; g < groups; ++g) {
    b.block("ADDW", {at("DW", accCell(g)), at("PW", 0), at("DW", accCell(g))});
    b.block("CMPW", {at("DW", accCell(g)), at("PW", 1), at("M", cmpCell(g))});
    b.block("AND", {2, 2, at("M", cmpCell(g)) + 2, at("M", kOneCell), at("M", bitCell(g))});
    b.block("SCHW", {at("DW", accCell(g)), at("PW", 2), at("M", bitCell(g)), at("DW", outCell(g))});
  }
  Addr end = b.block("END", {1});
  k.mem.write(end + 4, &beg, 4);
  std::uint32_t row[2] = {10, beg};
  k.mem.write(k.taskRowAddr(1), row, 8);
  k.setMode(protocol::kModeReset);
  k.setMode(protocol::kModeOnline);
  if (b.cur > k.progBase() + 4 * k.memSizeWords()) {
    std::printf("chain of %d blocks does not fit the program block\n", groups * 4 + 2);
    return;
  }

  // Each cycle: make task 1 due and run it once.
  auto runCycle = [&] { k.activeWord = 2; k.dspsRun(); };
  Native n(groups);
  volatile std::int16_t sink = 0;
  auto nativeCycle = [&] {
    n.cycle();
    sink = static_cast<std::int16_t>(sink + n.dw[outCell(groups - 1)]);
  };
  // The same run step with no task due: the process images and the lock.
  auto idleCycle = [&] { k.activeWord = 0; k.dspsRun(); };
  // The four in turn in every round, so that a change of the machine's load
  // falls on all of them alike; a warm-up round first.
  std::vector<double> fast, checked, native, idle;
  for (int r = 0; r < 10; ++r) {
    k.predecode = true;
    double f = runNs(cycles, runCycle);
    k.predecode = false;
    double c = runNs(cycles, runCycle);
    k.predecode = true;
    double nn = runNs(cycles, nativeCycle);
    double i = runNs(cycles, idleCycle);
    if (r == 0) continue;
    fast.push_back(f);
    checked.push_back(c);
    native.push_back(nn);
    idle.push_back(i);
  }
  double fastNs = median(fast), checkedNs = median(checked), nativeNs = median(native), idleNs = median(idle);
  std::int16_t checkFast = 0;
  k.mem.read(at("DW", outCell(groups - 1)), &checkFast, 2);
  int blocks = groups * 4 + 2;
  std::printf("chain of %d blocks per task cycle (median of 9 rounds of %d cycles after a warm-up round, "
              "thread processor time):\n", blocks, cycles);
  std::printf("  pre-decoded run step: %10.0f ns per cycle, %6.2f ns per block\n", fastNs, fastNs / blocks);
  std::printf("  checked run step:     %10.0f ns per cycle, %6.2f ns per block\n", checkedNs, checkedNs / blocks);
  std::printf("  native C++:           %10.0f ns per cycle, %6.2f ns per block\n", nativeNs, nativeNs / blocks);
  std::printf("  run step, no task due:%10.0f ns per cycle (process images)\n", idleNs);
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  double fastChain = std::max(fastNs - idleNs, 0.0), checkedChain = std::max(checkedNs - idleNs, 0.0);
  std::printf("  ratio pre-decoded / native: %.1f whole run step, %.1f block chain alone (goal <= 5)\n",
              ratio(fastNs, nativeNs), ratio(fastChain, nativeNs));
  std::printf("  ratio checked / native:     %.1f whole run step, %.1f block chain alone\n",
              ratio(checkedNs, nativeNs), ratio(checkedChain, nativeNs));
  std::printf("  ratio checked / pre-decoded: %.1f\n", ratio(checkedNs, fastNs));
  std::printf("  (result cell %d)\n", checkFast);
}

} // namespace

int main() {
  chain(25, 20000);
  chain(2500, 200);
  return 0;
}
