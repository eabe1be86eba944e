#pragma once
// The checked 32-bit address space of the interpreter. Block code computes and
// stores 32-bit addresses; every host block the code may reach (module code,
// variable and constant blocks, instance value arrays, frames, the evaluation
// stack, the run fields of the document) is mapped as a region of the space:
// a run of 1 MB windows of its own (a block of n bytes takes n / 1 MB + 1
// windows, so that its end address is its own too). Every access is
// translated and bounds-checked: an access that is not wholly inside one
// mapped region (or writes a read-only one) fails and never touches host
// memory. Address 0 is never mapped.
#include <cstdint>
#include <vector>

namespace engine {

class AddressSpace {
public:
  static constexpr unsigned kWindowBits = 20;
  static constexpr unsigned kWindows = 1u << (32 - kWindowBits);   // window 0 stays unmapped
  static constexpr std::uint32_t kMaxRegionSize = 64u << 20;

  AddressSpace();
  // Maps a host block; returns its virtual base, 0 when the block is too large
  // or no run of windows is free. A null host maps an empty region (every
  // access fails).
  std::uint32_t map(void* host, std::uint32_t size, bool writable = true);
  // Releases the region of a base returned by map (0 and unknown bases are ignored).
  void unmap(std::uint32_t base);
  // Points a mapped region at another host block of at most the size it was
  // mapped with (null: every access fails); a constant-time switch for the
  // regions the interpreter keeps per nesting depth (instance slots, stack,
  // call frames). False when base is not a region or the block does not fit.
  bool rebind(std::uint32_t base, void* host, std::uint32_t size, bool writable = true);
  // The same for the region index of a reserved region (regionIndex); no
  // search; an unknown index is ignored (false). The block must fit its capacity, else every access fails.
  // True when the region now holds the block (readable and writable).
  bool rebindIndex(std::uint32_t index, void* host, std::uint32_t size) {
    if (index >= regions_.size()) return false;   // not reserved (no room in the space)
    Region& r = regions_[index];
    const bool fits = host && size <= r.capacity;
    r.host = fits ? static_cast<std::uint8_t*>(host) : nullptr;
    r.size = fits ? size : 0;
    r.writable = true;
    return fits;
  }
  // span() of the base of the region with this index (from regionIndex).
  void spanIndex(std::uint32_t index, std::uint8_t*& host, std::uint32_t& readable, std::uint32_t& writable) const {
    host = nullptr;
    readable = writable = 0;
    if (index >= regions_.size()) return;
    const Region& r = regions_[index];
    if (!r.host) return;
    host = r.host;
    readable = r.size;
    writable = r.writable ? r.size : 0;
  }
  // Index of the region whose base is base; ~0u when none.
  std::uint32_t regionIndex(std::uint32_t base) const;
  // Changes whenever a region is mapped or unmapped, or a region that was
  // mapped over a host block is pointed at another one. Regions reserved
  // empty (mapped with a null host) and rebound afterwards do not change it:
  // the interpreter keeps them per nesting depth and rebinds them per run.
  std::uint64_t generation() const { return generation_; }
  void setGeneration(std::uint64_t g) { generation_ = g; }
  // Host address of addr and the bytes readable and writable from it up to
  // the end of its region (both 0 when addr is not mapped or its region is
  // empty). An access of len bytes at addr is accepted by translate exactly
  // when len <= readable (for write: len <= writable).
  // With fixedOnly, a reserved region counts as unmapped (its host changes
  // without a new generation).
  // reserved (when given) tells whether the region is a reserved one.
  void span(std::uint32_t addr, std::uint8_t*& host, std::uint32_t& readable, std::uint32_t& writable,
            bool fixedOnly = false, bool* reserved = nullptr) const {
    host = nullptr;
    readable = writable = 0;
    if (reserved) *reserved = false;
    const std::uint32_t o = owner_[addr >> kWindowBits];
    if (!o) return;
    const Region& r = regions_[o - 1];
    if (reserved) *reserved = r.reserved;
    if (fixedOnly && r.reserved) return;
    const std::uint32_t off = addr - r.base;
    if (!r.host || off > r.size) return;
    host = r.host + off;
    readable = r.size - off;
    writable = r.writable ? readable : 0;
  }
  // Host pointer of [addr, addr + len); null when not inside one region or
  // (for write) the region is read-only.
  std::uint8_t* translate(std::uint32_t addr, std::uint32_t len, bool write) const {
    const std::uint32_t o = owner_[addr >> kWindowBits];
    if (!o) return nullptr;
    const Region& r = regions_[o - 1];
    const std::uint64_t off = addr - r.base;
    // One compare for the bounds: an empty (null) region has size 0.
    if (off + len > r.size || (write && !r.writable) || !r.host) return nullptr;
    return r.host + off;
  }
  // Base and size of the region holding addr (0 when unmapped).
  std::uint32_t regionBase(std::uint32_t addr) const;
  std::uint32_t regionSize(std::uint32_t addr) const;
  unsigned mappedCount() const;

  bool read(std::uint32_t addr, void* out, std::uint32_t len) const;
  bool write(std::uint32_t addr, const void* in, std::uint32_t len) const;

private:
  struct Region {
    std::uint8_t* host = nullptr;
    std::uint32_t size = 0;
    std::uint32_t base = 0;
    std::uint32_t windows = 0;
    std::uint32_t capacity = 0;   // largest size a rebind may give it
    bool writable = false;
    bool reserved = false;        // mapped with a null host (rebound per run)
  };
  const Region* regionOf(std::uint32_t addr) const;
  std::vector<std::uint32_t> owner_;   // per window: region index + 1, 0 = free
  std::vector<Region> regions_;
  std::vector<std::uint32_t> freeRegions_;
  unsigned next_ = 1;                  // rotating start of the window search
  unsigned mapped_ = 0;
  std::uint64_t generation_ = 0;
};

} // namespace engine
