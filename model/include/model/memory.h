#pragma once
// The memory manager of the model: zero-filled blocks that callers release with
// their size, a 300000-byte reserve given up at the first shortage, and the
// interpreter's stack of work blocks.
#include <cstddef>
#include <cstdint>

namespace model {

constexpr std::size_t kReserveSize = 300000;
constexpr unsigned kWorkTableSize = 3750;   // entry 0: the reserve; entry 1 unused

// Allocates n bytes (0 counts as 4), zero-filled, into slot. On shortage it
// reports 50036 through the shell, reduces the menus, gives up the reserve
// (first time only) and tries once more. The slot is null when that fails.
void mm_Allocate(void*& slot, std::size_t n);
// Releases the block in slot (n as allocated) and empties the slot. An empty
// slot is allowed.
void mm_Deallocate(void*& slot, std::size_t n);

template <class T> bool mm_New(T*& slot, std::size_t count = 1) {
  void* p = nullptr;
  mm_Allocate(p, sizeof(T) * count);
  slot = static_cast<T*>(p);
  return slot != nullptr;
}
template <class T> void mm_Delete(T*& slot, std::size_t count = 1) {
  void* p = slot;
  mm_Deallocate(p, sizeof(T) * count);
  slot = nullptr;
}

// Work blocks: n rounded down to a multiple of 8, plus 8. The depth is raised
// even on failure (so every push is matched by a pop). A push past the table
// is refused as a shortage.
void* mm_PushWork(std::size_t n);
void mm_PopWork(std::size_t n);
std::uint16_t mm_WorkDepth();
void* mm_WorkEntry(unsigned index);

// Once-only initialisation: reserve into entry 0, depth 1. mm_Reset (tests)
// releases the reserve and the work blocks and initialises again.
void mm_UnitInit();
void mm_Reset();

// Release mode: 1 normally; 0 while a project is loaded through the file
// selector, when released blocks are held back and not returned to the
// system (they are returned when the mode goes back to 1).
void mm_SetReleaseMode(std::uint8_t mode);
std::uint8_t mm_ReleaseMode();

bool mm_AlertShowing();      // set while the out-of-memory message shows
bool mm_ReserveHeld();
std::size_t mm_BytesInUse(); // running total of allocated bytes
std::size_t mm_BlocksInUse();

// The system allocator behind the unit; tests replace it to inject failures.
// Null functions restore calloc/free.
using SysAlloc = void* (*)(std::size_t);
using SysFree = void (*)(void*);
void mm_SetSystemAllocator(SysAlloc alloc, SysFree release);

} // namespace model
