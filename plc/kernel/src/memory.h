#pragma once
// The software PLC's virtual target memory. A downloaded program holds 32-bit
// target addresses; they are never host pointers. One arena at a fixed base
// holds the task table, the program information, a small static program block
// and the two data pools; block handlers are tokens in a range of their own.
// Every access goes through a bounds-checked translation.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace plc {

using Addr = std::uint32_t;

inline constexpr Addr kArenaBase = 0x00100000;
// Handler tokens: kHandlerBase + row * kHandlerStride, row 0..102.
inline constexpr Addr kHandlerBase = 0x7F000000;
inline constexpr Addr kHandlerStride = 16;

// Layout of the static part of the arena (offsets from the base).
inline constexpr std::uint32_t kTaskTableOffset = 0;       // 17 rows of 8 bytes
inline constexpr std::uint32_t kTaskRows = 17;             // header row + tasks 0..15
inline constexpr std::uint32_t kProgInfoOffset = kTaskRows * 8;   // 136
inline constexpr std::uint32_t kProgInfoRoom = 38;
inline constexpr std::uint32_t kStaticProgOffset = 176;   // small static program block
inline constexpr std::uint32_t kStaticProgSize = 64;
inline constexpr std::uint32_t kPoolsOffset = 256;
// The arena never grows beyond this (declarations asking for more fail).
inline constexpr std::uint64_t kMaxArena = 64ull << 20;

class Memory {
public:
  Memory() { resize(kPoolsOffset); }
  // Keeps the static part, drops everything behind it, zero-fills the rest.
  void resize(std::size_t bytes) {
    if (bytes < kPoolsOffset) bytes = kPoolsOffset;
    bytes_.resize(bytes);
    std::memset(bytes_.data() + kPoolsOffset, 0, bytes - kPoolsOffset);
    ++generation_;
  }
  std::size_t size() const { return bytes_.size(); }
  Addr base() const { return kArenaBase; }
  Addr end() const { return kArenaBase + static_cast<Addr>(bytes_.size()); }

  // Host pointer of [a, a + n), or null when any byte lies outside.
  std::uint8_t* ptr(Addr a, std::size_t n) {
    std::uint64_t off = static_cast<std::uint64_t>(a) - kArenaBase;
    if (a < kArenaBase || off + n > bytes_.size()) return nullptr;
    return bytes_.data() + off;
  }
  const std::uint8_t* ptr(Addr a, std::size_t n) const {
    return const_cast<Memory*>(this)->ptr(a, n);
  }
  bool contains(Addr a, std::size_t n) const { return ptr(a, n) != nullptr; }
  bool read(Addr a, void* dst, std::size_t n) const {
    const std::uint8_t* p = ptr(a, n);
    if (!p) return false;
    std::memcpy(dst, p, n);
    return true;
  }
  bool write(Addr a, const void* src, std::size_t n) {
    std::uint8_t* p = ptr(a, n);
    if (!p) return false;
    std::memmove(p, src, n);
    noteWrite(a, n);
    return true;
  }
  std::uint8_t* raw() { return bytes_.data(); }

  // Watched ranges: the bytes a pre-decoded program was translated from.
  // A write that touches one (or a resize) moves the generation on, so the
  // translation is made again before it is used.
  std::uint64_t generation() const { return generation_; }
  void touch() { ++generation_; }
  // Sorted, non-overlapping [first, second) target address ranges.
  void watch(std::vector<std::pair<Addr, Addr>> ranges) {
    watched_ = std::move(ranges);
    watchLo_ = watched_.empty() ? 0 : watched_.front().first;
    watchHi_ = watched_.empty() ? 0 : watched_.back().second;
  }
  void noteWrite(Addr a, std::size_t n) {
    std::uint64_t end = static_cast<std::uint64_t>(a) + n;
    if (n == 0 || end <= watchLo_ || a >= watchHi_) return;
    // First range ending after a; it overlaps when it starts before end.
    std::size_t lo = 0, hi = watched_.size();
    while (lo < hi) {
      std::size_t mid = (lo + hi) / 2;
      if (watched_[mid].second <= a) lo = mid + 1; else hi = mid;
    }
    if (lo < watched_.size() && watched_[lo].first < end) ++generation_;
  }

private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t generation_ = 0;
  std::vector<std::pair<Addr, Addr>> watched_;
  std::uint64_t watchLo_ = 0, watchHi_ = 0;
};

inline constexpr Addr handlerToken(int row) {
  return kHandlerBase + static_cast<Addr>(row) * kHandlerStride;
}
// Row of a handler token, -1 when the address is none.
inline int handlerRow(Addr a, int rows) {
  if (a < kHandlerBase) return -1;
  Addr d = a - kHandlerBase;
  if (d % kHandlerStride != 0) return -1;
  Addr row = d / kHandlerStride;
  return row < static_cast<Addr>(rows) ? static_cast<int>(row) : -1;
}

} // namespace plc
