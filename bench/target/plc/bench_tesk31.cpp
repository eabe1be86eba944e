// Time per task cycle of the software PLC's run step over a reference program,
// beside the same logic written natively in C++.
#include "kernel.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using plc::Addr;
using Clock = std::chrono::steady_clock;

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

constexpr int kGroups = 25;   // 4 blocks each: 100 blocks plus BEG and END

// The reference logic: per group an addition, a comparison, an AND of two
// bits and a selection.
struct Native {
  std::int16_t dw[200] = {};
  std::uint8_t m[200][8] = {};
  std::int16_t pw[4] = {3, 1000, 7, 0};
  void cycle() {
    for (int g = 0; g < kGroups; ++g) {
      std::int16_t& acc = dw[g];
      acc = static_cast<std::int16_t>(acc + pw[0]);
      std::int16_t a = acc, b = pw[1];
      std::uint8_t* c = m[g];
      std::memset(c, 0, 4);
      if (a == b) c[0] = 255;
      else { c[1] = 255; if (a > b) c[2] = 255; if (a < b) c[3] = 255; }
      bool r = (c[2] != 0) && (m[100][0] != 0);
      m[g + 50][0] = r ? 255 : 0;
      dw[g + 100] = m[g + 50][0] ? pw[2] : dw[g];
    }
  }
};

} // namespace

int main() {
  plc::Kernel k;
  k.hooksFromRuntime = false;
  DspsInitRecord rec{nullptr, "10"};
  k.dspsInit(0, &rec);
  k.setMode(protocol::kModeCheck);
  auto at = [&](const char* area, std::uint32_t i) {
    const plc::Area* a = k.findArea(area);
    return a->blocks[0].addr + i * a->size;
  };
  Builder b{k, k.progBase()};
  std::int16_t pw[3] = {3, 1000, 7};
  for (int i = 0; i < 3; ++i) k.mem.write(at("PW", i), &pw[i], 2);
  std::uint8_t one = 255;
  k.mem.write(at("M", 100), &one, 1);
  Addr beg = b.block("BEG", {10, 1});
  for (int g = 0; g < kGroups; ++g) {
    b.block("ADDW", {at("DW", g), at("PW", 0), at("DW", g)});
    b.block("CMPW", {at("DW", g), at("PW", 1), at("M", g)});
    b.block("AND", {2, 2, at("M", g) + 2, at("M", 100), at("M", g + 50)});
    b.block("SCHW", {at("DW", g), at("PW", 2), at("M", g + 50), at("DW", g + 100)});
  }
  Addr end = b.block("END", {1});
  k.mem.write(end + 4, &beg, 4);
  std::uint32_t row[2] = {10, beg};
  k.mem.write(k.taskRowAddr(1), row, 8);
  k.setMode(protocol::kModeReset);
  k.setMode(protocol::kModeOnline);

  const int cycles = 100000;
  // Each cycle: make task 1 due and run it once (after a warm-up).
  for (int i = 0; i < 1000; ++i) {
    k.activeWord = 2;
    k.dspsRun();
  }
  auto t0 = Clock::now();
  for (int i = 0; i < cycles; ++i) {
    k.activeWord = 2;
    k.dspsRun();
  }
  auto t1 = Clock::now();
  Native n;
  n.m[100][0] = 255;
  volatile std::int16_t sink = 0;
  for (int i = 0; i < 1000; ++i) n.cycle();
  auto t2 = Clock::now();
  for (int i = 0; i < cycles; ++i) {
    n.cycle();
    sink = static_cast<std::int16_t>(sink + n.dw[100]);
  }
  auto t3 = Clock::now();
  double plcNs = std::chrono::duration<double, std::nano>(t1 - t0).count() / cycles;
  double nativeNs = std::chrono::duration<double, std::nano>(t3 - t2).count() / cycles;
  std::int16_t check = 0;
  k.mem.read(at("DW", 0), &check, 2);
  std::printf("software PLC run step: %.0f ns per cycle (%d blocks, %.1f ns per block)\n", plcNs,
              kGroups * 4 + 2, plcNs / (kGroups * 4 + 2));
  std::printf("native C++ same logic: %.0f ns per cycle\n", nativeNs);
  std::printf("ratio PLC / native: %.1f\n", nativeNs > 0 ? plcNs / nativeNs : 0.0);
  std::printf("(check: DW0 = %d, native DW0 = %d)\n", check, n.dw[0]);
  return 0;
}
