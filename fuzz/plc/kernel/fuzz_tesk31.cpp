// Feeds arbitrary requests to the software PLC's dispatcher and arbitrary
// programs to its run step. The first byte picks the kind of input and the
// path of the run step.
#include "kernel.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Input {
  const std::uint8_t* p;
  std::size_t n;
  std::size_t at = 0;
  bool more() const { return at < n; }
  std::uint8_t u8() { return at < n ? p[at++] : 0; }
  std::uint16_t u16() { std::uint16_t v = u8(); return static_cast<std::uint16_t>(v | (u8() << 8)); }
  std::uint32_t u32() { std::uint32_t v = u16(); return v | (static_cast<std::uint32_t>(u16()) << 16); }
};

// One kernel for every input (its memory stays mapped), started afresh.
plc::Kernel& fresh() {
  static plc::Kernel* k = new plc::Kernel;
  std::vector<std::uint8_t> zero(plc::kPoolsOffset, 0);
  k->mem.write(plc::kArenaBase, zero.data(), zero.size());   // task table and program information
  k->timeCounter = 0;
  k->answerPending = false;
  k->requestWord = 0;
  k->answerWord = 0;
  k->paramChanged = 0;
  k->clearedFlag = 0;
  k->outputStepRan = false;
  k->toggle = false;
  k->inImage.fill(0);
  k->outImage.fill(0);
  k->hooksFromRuntime = false;
  k->fileDir = "/nonexistent-plc-fuzz-directory";   // request 35 never creates files
  DspsInitRecord rec{"plc/TESK.INI", "10"};
  k->dspsInit(2, &rec);
  k->setMode(protocol::kModeCheck);
  k->blockBudget = 400;
  return *k;
}

// A sequence of requests: {u16 length, bytes} each, answered in two steps.
void requests(plc::Kernel& k, Input& in) {
  std::uint8_t* buf;
  std::uint32_t size, *answer;
  std::int32_t* rq;
  k.initSoftComm(&buf, &size, &answer, &rq);
  while (in.more()) {
    std::size_t len = in.u16() % (size + 1);
    std::size_t i = 0;
    for (; i < len && in.more(); ++i) buf[i] = in.u8();
    *rq = static_cast<std::int32_t>(i);
    k.commMultiPlex();
    k.commMultiPlex();
    if (*answer > size) __builtin_trap();
    *answer = 0;
    k.dspsTimer();
    k.dspsRun();
  }
}

// An operand: mostly an address inside a data area, sometimes any word.
std::uint32_t operand(plc::Kernel& k, Input& in) {
  std::uint8_t sel = in.u8();
  const auto& areas = k.areas();
  if (sel < 200 && !areas.empty()) {
    const plc::Area& a = areas[sel % areas.size()];
    std::uint32_t off = in.u16();
    return a.blocks[0].bytes ? a.blocks[0].addr + off % a.blocks[0].bytes : a.blocks[0].addr;
  }
  if (sel < 240) return in.u8();   // small constant
  return in.u32();
}

// Records built from the input, chained into tasks, then run.
void program(plc::Kernel& k, Input& in, bool raw) {
  plc::Addr base = k.progBase();
  std::size_t room = 4ull * k.memSizeWords();
  if (room < 64) return;
  std::vector<plc::Addr> starts;
  if (raw) {
    std::size_t n = std::min(room, in.n - in.at);
    k.mem.write(base, in.p + in.at, n);
    for (int i = 0; i < 4; ++i) starts.push_back(base + 4 * (in.u8() % 64));
  } else {
    plc::Addr cur = base;
    int blocks = 1 + in.u8() % 48;
    for (int b = 0; b < blocks && in.more(); ++b) {
      int row = in.u8() % plc::kOpcodeCount;
      int ops = in.u8() % 28;
      if (cur + 8 + 4 * ops > base + room) break;
      std::vector<std::uint8_t> rec(8 + 4 * ops);
      protocol::putU32(rec.data(), plc::handlerToken(row));
      protocol::putU32(rec.data() + 4, cur + static_cast<plc::Addr>(rec.size()));
      for (int o = 0; o < ops; ++o) protocol::putU32(rec.data() + 8 + 4 * o, operand(k, in));
      k.mem.write(cur, rec.data(), rec.size());
      starts.push_back(cur);
      cur += static_cast<plc::Addr>(rec.size());
    }
    if (starts.empty()) return;
    // The last record leads back to the first.
    std::uint8_t back[4];
    protocol::putU32(back, starts.front());
    k.mem.write(starts.back() + 4, back, 4);
  }
  for (int t = 1; t <= 3 && !starts.empty(); ++t) {
    std::uint8_t row[8];
    protocol::putU32(row, 10u * t);
    protocol::putU32(row + 4, starts[in.u8() % starts.size()]);
    k.mem.write(k.taskRowAddr(t), row, 8);
  }
  k.setMode(protocol::kModeReset);
  k.setMode(protocol::kModeOnline);
  for (int t = 1; t <= 3; ++t) k.countdown[t] = 1 + t;   // due within a few ticks
  for (int i = 0; i < 12; ++i) {
    k.timeCounter += in.u8();
    // Now and then a write into the program while it runs: the pre-decoded
    // path translates it again before the next run step.
    if (in.u8() < 32) {
      std::uint32_t w = in.u32();
      k.mem.write(base + 4 * (in.u16() % (room / 4)), &w, 4);
    }
    k.dspsTimer();
    k.dspsRun();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  plc::Kernel& k = fresh();
  Input in{data + 1, size - 1};
  // Both paths of the run step: pre-decoded and checked.
  k.predecode = (data[0] / 3) % 2 == 0;
  switch (data[0] % 3) {
    case 0: requests(k, in); break;
    case 1: program(k, in, false); break;
    default: program(k, in, true); break;
  }
  return 0;
}
