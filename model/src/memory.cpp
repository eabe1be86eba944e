#include "model/memory.h"
#include "model/instances.h"
#include "model/services.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace model {
namespace {

void* defaultAlloc(std::size_t n) { return std::malloc(n); }
void defaultFree(void* p) { std::free(p); }

struct MemoryUnit {
  bool initialised = false;
  SysAlloc sysAlloc = defaultAlloc;
  SysFree sysFree = defaultFree;
  void* work[kWorkTableSize] = {};
  std::size_t workSize[kWorkTableSize] = {};
  std::uint16_t depth = 0;
  bool alert = false;
  std::uint8_t releaseMode = 1;
  std::vector<void*> heldBack;   // released in mode 0
  std::size_t bytes = 0;
  std::size_t blocks = 0;
};

MemoryUnit& unit() {
  static MemoryUnit u;
  return u;
}

std::size_t effective(std::size_t n) { return n == 0 ? 4 : n; }

void releaseReserve(MemoryUnit& u) {
  if (u.work[0]) {
    u.sysFree(u.work[0]);
    u.work[0] = nullptr;
  }
}

} // namespace

void mm_UnitInit() {
  MemoryUnit& u = unit();
  if (u.initialised) return;
  u.initialised = true;
  u.depth = 1;
  u.alert = false;
  u.releaseMode = 1;
  u.work[0] = u.sysAlloc(kReserveSize);
  u.workSize[0] = kReserveSize;
}

void mm_Reset() {
  MemoryUnit& u = unit();
  for (unsigned i = 1; i < kWorkTableSize; ++i) {
    if (u.work[i]) {
      u.sysFree(u.work[i]);
      u.bytes -= u.workSize[i];
      --u.blocks;
      u.work[i] = nullptr;
    }
  }
  releaseReserve(u);
  for (void* p : u.heldBack) u.sysFree(p);
  u.heldBack.clear();
  u.initialised = false;
  mm_UnitInit();
}

namespace {
std::uint64_t gStructureChanges = 0;

void release(MemoryUnit& u, void*& slot, std::size_t n) {
  const std::size_t size = effective(n);
  if (u.releaseMode == 0) u.heldBack.push_back(slot);
  else u.sysFree(slot);
  u.bytes -= size;
  --u.blocks;
  slot = nullptr;
}
} // namespace

std::uint64_t structureChanges() { return gStructureChanges; }
void noteStructureChange() { ++gStructureChanges; }

void mm_Allocate(void*& slot, std::size_t n) {
  MemoryUnit& u = unit();
  if (!u.initialised) mm_UnitInit();
  slot = nullptr;
  const std::size_t size = effective(n);
  void* p = u.sysAlloc(size);
  if (!p) {
    u.alert = true;
    shell().msg_OutOfMemory();
    shell().menu_UpdateReduced();
    u.alert = false;
    if (u.work[0]) {
      releaseReserve(u);
      p = u.sysAlloc(size);
    }
  }
  if (!p) return;
  std::memset(p, 0, size);
  u.bytes += size;
  ++u.blocks;
  slot = p;
}

void mm_Deallocate(void*& slot, std::size_t n) {
  MemoryUnit& u = unit();
  if (!slot) return;
  // A released block may have held gates, instances or their values.
  noteStructureChange();
  release(u, slot, n);
}

void* mm_PushWork(std::size_t n) {
  MemoryUnit& u = unit();
  if (!u.initialised) mm_UnitInit();
  ++u.depth;
  if (u.depth >= kWorkTableSize) {
    // The table is full: refused like a shortage, without touching any entry.
    u.alert = true;
    shell().msg_OutOfMemory();
    shell().menu_UpdateReduced();
    u.alert = false;
    return nullptr;
  }
  const std::size_t size = (n / 8) * 8 + 8;
  void* p = nullptr;
  mm_Allocate(p, size);
  if (!p && u.work[0]) {
    releaseReserve(u);
    mm_Allocate(p, size);
  }
  u.work[u.depth] = p;
  u.workSize[u.depth] = size;
  return p;
}

void mm_PopWork(std::size_t n) {
  MemoryUnit& u = unit();
  if (u.depth <= 1) return;   // nothing pushed: a stray pop changes nothing
  if (u.depth < kWorkTableSize) {
    // A work block never holds model structure: its release is not counted.
    if (void* p = u.work[u.depth]) release(u, p, u.workSize[u.depth] ? u.workSize[u.depth] : (n / 8) * 8 + 8);
    u.work[u.depth] = nullptr;
    u.workSize[u.depth] = 0;
  }
  --u.depth;
}

std::uint16_t mm_WorkDepth() { return unit().depth; }
void* mm_WorkEntry(unsigned index) { return index < kWorkTableSize ? unit().work[index] : nullptr; }

void mm_SetReleaseMode(std::uint8_t mode) {
  MemoryUnit& u = unit();
  u.releaseMode = mode ? 1 : 0;
  if (u.releaseMode == 1) {
    for (void* p : u.heldBack) u.sysFree(p);
    u.heldBack.clear();
  }
}
std::uint8_t mm_ReleaseMode() { return unit().releaseMode; }
bool mm_AlertShowing() { return unit().alert; }
bool mm_ReserveHeld() { return unit().work[0] != nullptr; }
std::size_t mm_BytesInUse() { return unit().bytes; }
std::size_t mm_BlocksInUse() { return unit().blocks; }

void mm_SetSystemAllocator(SysAlloc alloc, SysFree release) {
  MemoryUnit& u = unit();
  u.sysAlloc = alloc ? alloc : defaultAlloc;
  u.sysFree = release ? release : defaultFree;
}

} // namespace model
