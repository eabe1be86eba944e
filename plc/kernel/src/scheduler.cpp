// Scheduler: timer step, run step with priorities and preemption, the process
// images, mode changes and the kernel's start and end.
#include "kernel.h"
#include "predecode.h"

#include <cstdlib>
#include <cstring>

namespace plc {

using protocol::getU32;

Kernel::Kernel() { clearProgramTables(); resetTasks(); }
Kernel::~Kernel() = default;

std::uint32_t Kernel::taskCycle(int task) const {
  const std::uint8_t* p = mem.ptr(taskRowAddr(task), 8);
  return p ? getU32(p) : 0;
}
Addr Kernel::taskFirst(int task) const {
  const std::uint8_t* p = mem.ptr(taskRowAddr(task), 8);
  return p ? getU32(p + 4) : 0;
}

void Kernel::resetTasks() {
  overrunWord = 0;
  stopByte = 0;
  activeWord = 0;
  runningWord = 0;
  for (int i = 0; i < kTaskCount; ++i) {
    countdown[i] = 5;
    resumePoint[i] = taskFirst(i);
  }
}

int Kernel::dspsInit(int n, const DspsInitRecord* rec) {
  std::vector<int> tails;
  {
    std::lock_guard lk(mu);
    clearProgramTables();
    setModeCore(protocol::kModeStop);
    tails.push_back(protocol::kModeStop);
    long cyc = (rec && rec->cycleTime) ? std::strtol(rec->cycleTime, nullptr, 10) : 0;
    long t = cyc / 5;
    tick_ = static_cast<std::uint16_t>(t > 0 && t <= 0xFFFF ? t : 2);
    clearAreas(false);
    errorByte = 64;
    resetTasks();
    // The I/O module's init hook is empty in this system.
    if (n > 0 && rec && rec->configPath) configPath = rec->configPath;
  }
  for (int m : tails) modeTail(m);
  return 1;
}

int Kernel::dspsDeinit() {
  std::lock_guard lk(mu);
  setModeCore(protocol::kModeStop);
  clearProgramTables();
  configPath.clear();
  closeInterfaceLocked();
  return 1;
}

void Kernel::dspsTimer() {
  std::lock_guard lk(mu);
  timeCounter += tick_;
  std::uint8_t md = mode.load();
  if (md != protocol::kModeOnline && md != protocol::kModeOffline) return;
  for (int i = 1; i < kTaskCount; ++i) {
    if (taskCycle(i) == 0) continue;
    if (countdown[i] > 1) { --countdown[i]; continue; }
    std::uint16_t bit = static_cast<std::uint16_t>(1u << i);
    if (activeWord & bit) overrunWord |= bit;
    activeWord |= bit;
    countdown[i] = 5;
  }
  std::uint16_t pending = activeWord & static_cast<std::uint16_t>(~runningWord);
  if (pending > runningWord) stopByte = 254;
}

void Kernel::endTaskCycle(int task) {
  activeWord &= static_cast<std::uint16_t>(~(1u << task));
  resumePoint[task] = taskFirst(task);
}

void Kernel::runHighestTask() {
  runningWord = 0;
  if (overrunWord) errorByte |= protocol::kErrRealtime;
  int task = -1;
  for (int i = 15; i >= 0; --i)
    if (activeWord & (1u << i)) { task = i; break; }
  if (task < 0) return;
  runningWord = static_cast<std::uint16_t>(1u << task);
  stopByte = 0;
  taskTimeBase = static_cast<float>(taskCycle(task)) * 0.001f;
  const auto& table = opcodeTable();
  Exec ex{*this, mem};
  Addr pos = resumePoint[task];
  std::size_t budget = blockBudget;
  if (predecode) ex.fault = runTranslated(pos, budget);
  while (stopByte == 0 && !ex.fault) {
    if (budget-- == 0) { stopByte = 254; break; }
    ex.rec = pos;
    const std::uint8_t* head = mem.ptr(pos, 8);
    int row = head ? handlerRow(getU32(head), kOpcodeCount) : -1;
    if (row < 0) { ex.fault = true; break; }
    ex.next = getU32(head + 4);
    table[row].handler(ex);
    if (ex.fault) break;
    pos = ex.next;
  }
  if (ex.fault) {
    // A bad address ends this task's cycle; it starts again at its first block.
    errorByte |= protocol::kErrRealtime;
    endTaskCycle(task);
    runningWord = 0;
    return;
  }
  resumePoint[task] = pos;
  if (stopByte == 255) activeWord &= static_cast<std::uint16_t>(~runningWord);
  runningWord = 0;
}

void Kernel::dspsRun() {
  std::vector<int> errs;
  {
    std::lock_guard lk(mu);
    inputImage(errs);
    if (mode.load() == protocol::kModeOnline && activeWord != 0) runHighestTask();
    outputImage();
    // The I/O module's cycle hook is empty in this system.
  }
  if (callbacks.errorCallback)
    for (int e : errs) callbacks.errorCallback(e);
}

void Kernel::inputImage(std::vector<int>& errs) {
  const Area* dw = named(Named::DW);
  const Area* e = named(Named::E);
  if (!dw || !e) return;
  Addr dwAddr = dw->blocks[0].addr;
  auto dwCell = [&](int idx) -> std::int16_t* {
    if (static_cast<std::uint32_t>(idx) >= dw->number || dw->size < 2) return nullptr;
    return reinterpret_cast<std::int16_t*>(mem.ptr(dwAddr + idx * dw->size, 2));
  };
  if (ifActive && outputStepRan && kx.getData) {
    std::int16_t v107 = 0;
    if (std::int16_t* c = dwCell(107)) std::memcpy(&v107, c, 2);
    int r = kx.getData(inImage.data(), &v107);
    if (std::int16_t* c = dwCell(107)) std::memcpy(c, &v107, 2);
    errs.push_back(r);
    std::uint8_t md = mode.load();
    if ((md == 4 || md == 5 || md == 2) && v107 == 0) toggle = !toggle;
  }
  for (int i = 0; i < 16; ++i) {
    std::uint32_t idx = static_cast<std::uint32_t>(i + 1);
    if (idx >= e->number || e->size < 1) break;
    if (std::uint8_t* p = mem.ptr(e->blocks[0].addr + idx * e->size, 1))
      *p = (inImage[0] >> i) & 1u ? 1 : 0;
  }
  std::int16_t ex, ey;
  std::memcpy(&ex, reinterpret_cast<const std::uint8_t*>(inImage.data()) + 100, 2);
  std::memcpy(&ey, reinterpret_cast<const std::uint8_t*>(inImage.data()) + 102, 2);
  if (std::int16_t* c = dwCell(105)) std::memcpy(c, &ex, 2);
  if (std::int16_t* c = dwCell(106)) std::memcpy(c, &ey, 2);
}

void Kernel::outputImage() {
  const Area* a = named(Named::A);
  const Area* dw = named(Named::DW);
  const Area* e = named(Named::E);
  if (!a || !dw || !e) return;
  auto elem = [&](const Area* ar, std::uint32_t idx) -> std::uint8_t* {
    if (idx >= ar->number || ar->size < 2) return nullptr;
    return mem.ptr(ar->blocks[0].addr + idx * ar->size, 2);
  };
  auto byte0 = [&](const Area* ar, std::uint32_t idx) -> std::uint8_t {
    std::uint8_t* p = elem(ar, idx);
    return p ? p[0] : 0;
  };
  std::int16_t* dw107 = (107 < dw->number && dw->size >= 2)
      ? reinterpret_cast<std::int16_t*>(mem.ptr(dw->blocks[0].addr + 107 * dw->size, 2)) : nullptr;
  auto get107 = [&]() { std::int16_t v = 0; if (dw107) std::memcpy(&v, dw107, 2); return v; };
  if (byte0(a, 10) || byte0(a, 12)) {
    for (int m = 0; m < 8; ++m) outImage[1 + 2 * m] = 0;
    if (ifActive && kx.setData) kx.setData(outImage.data(), 2, get107());
  } else {
    for (std::uint32_t m = 0; m < 8; ++m) {
      if (std::uint8_t* p = elem(e, 31 + m)) p[0] = 0;
      if (std::uint8_t* p = elem(e, 41 + m)) p[0] = 0;
      outImage[1 + 2 * m] = 0;
      std::uint8_t* am = elem(a, m + 1);
      if (am && am[0]) {
        outImage[1 + 2 * m] = 1;
        outImage[2 + 2 * m] = 0;
        if (std::uint8_t* p = elem(e, 31 + m)) p[0] = 1;
      }
      if (am && am[1]) {
        outImage[1 + 2 * m] = 1;
        outImage[2 + 2 * m] = 1;
        if (std::uint8_t* p = elem(e, 41 + m)) p[0] = 1;
      }
    }
    if (ifActive && kx.setData) {
      std::uint8_t md = mode.load();
      if ((md == 4 || md == 5 || md == 2) && dw107) {
        std::int16_t v = toggle ? 1 : 2;
        std::memcpy(dw107, &v, 2);
      }
      kx.setData(outImage.data(), static_cast<int>(ifSettings.ifaceNum & 0xFF), get107());
    }
  }
  outputStepRan = true;
}

void Kernel::setModeCore(int md) {
  mode.store(static_cast<std::uint8_t>(md));
  switch (md) {
    case protocol::kModeOnline: break;   // the I/O module's start hook is empty
    case protocol::kModeStop: break;     // stop hook: empty
    case protocol::kModeReset:
      clearAreas(false);
      resetTasks();
      break;
    case protocol::kModeLoad:
      clearAreas(true);
      break;
    default: break;
  }
}

int Kernel::setMode(int md) {
  md &= 0xFF;
  {
    std::lock_guard lk(mu);
    setModeCore(md);
  }
  modeTail(md);
  return 1;
}

std::uint8_t Kernel::getMode() { return mode.load(); }

std::uint16_t Kernel::activeTaskState() {
  std::lock_guard lk(mu);
  return activeWord;
}

int Kernel::d10Init(const D10InitRecord* rec) {
  std::lock_guard lk(mu);
  if (rec) callbacks = *rec;
  return 1;
}

} // namespace plc
