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
  };
  const Region* regionOf(std::uint32_t addr) const;
  std::vector<std::uint32_t> owner_;   // per window: region index + 1, 0 = free
  std::vector<Region> regions_;
  std::vector<std::uint32_t> freeRegions_;
  unsigned next_ = 1;                  // rotating start of the window search
  unsigned mapped_ = 0;
};

} // namespace engine
