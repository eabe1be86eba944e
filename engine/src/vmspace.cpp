#include "engine/vmspace.h"

#include <algorithm>
#include <cstring>

namespace engine {

AddressSpace::AddressSpace() : owner_(kWindows, 0) {}

std::uint32_t AddressSpace::map(void* host, std::uint32_t size, bool writable) {
  if (size > kMaxRegionSize) return 0;
  const unsigned need = (size >> kWindowBits) + 1;
  // First fit from the rotating start, wrapping once.
  for (unsigned pass = 0; pass < 2; ++pass) {
    unsigned start = pass == 0 ? next_ : 1;
    const unsigned end = pass == 0 ? kWindows : next_;
    while (start + need <= (pass == 0 ? kWindows : std::min(kWindows, end + need))) {
      unsigned k = 0;
      while (k < need && owner_[start + k] == 0) ++k;
      if (k == need) {
        std::uint32_t index;
        if (!freeRegions_.empty()) {
          index = freeRegions_.back();
          freeRegions_.pop_back();
        } else {
          index = std::uint32_t(regions_.size());
          regions_.emplace_back();
        }
        Region& r = regions_[index];
        r.host = static_cast<std::uint8_t*>(host);
        r.size = host ? size : 0;
        r.base = std::uint32_t(start) << kWindowBits;
        r.windows = need;
        r.capacity = std::max(size, std::uint32_t(std::min<std::uint64_t>(kMaxRegionSize, std::uint64_t(need) << kWindowBits) - 1));
        r.writable = writable;
        r.reserved = host == nullptr;
        ++generation_;
        for (unsigned w = 0; w < need; ++w) owner_[start + w] = index + 1;
        next_ = start + need < kWindows ? start + need : 1;
        ++mapped_;
        return r.base;
      }
      start += k + 1;
    }
  }
  return 0;
}

void AddressSpace::unmap(std::uint32_t base) {
  const unsigned w = base >> kWindowBits;
  if (w == 0 || owner_[w] == 0) return;
  const std::uint32_t index = owner_[w] - 1;
  Region& r = regions_[index];
  if (r.base != base) return;
  for (unsigned k = 0; k < r.windows; ++k) owner_[w + k] = 0;
  r = Region{};
  ++generation_;
  freeRegions_.push_back(index);
  --mapped_;
}

const AddressSpace::Region* AddressSpace::regionOf(std::uint32_t addr) const {
  const std::uint32_t o = owner_[addr >> kWindowBits];
  return o ? &regions_[o - 1] : nullptr;
}

bool AddressSpace::rebind(std::uint32_t base, void* host, std::uint32_t size, bool writable) {
  const unsigned w = base >> kWindowBits;
  if (w == 0 || owner_[w] == 0) return false;
  Region& r = regions_[owner_[w] - 1];
  if (r.base != base || size > r.capacity) return false;
  if (!r.reserved) ++generation_;
  r.host = static_cast<std::uint8_t*>(host);
  r.size = host ? size : 0;
  r.writable = writable;
  return true;
}

std::uint32_t AddressSpace::regionIndex(std::uint32_t base) const {
  const std::uint32_t o = owner_[base >> kWindowBits];
  if (!o || regions_[o - 1].base != base) return ~0u;
  return o - 1;
}

std::uint32_t AddressSpace::regionBase(std::uint32_t addr) const {
  const Region* r = regionOf(addr);
  return r ? r->base : 0;
}

std::uint32_t AddressSpace::regionSize(std::uint32_t addr) const {
  const Region* r = regionOf(addr);
  return r ? r->size : 0;
}

unsigned AddressSpace::mappedCount() const { return mapped_; }

bool AddressSpace::read(std::uint32_t addr, void* out, std::uint32_t len) const {
  const std::uint8_t* p = translate(addr, len, false);
  if (!p) return false;
  if (len) std::memcpy(out, p, len);
  return true;
}

bool AddressSpace::write(std::uint32_t addr, const void* in, std::uint32_t len) const {
  std::uint8_t* p = translate(addr, len, true);
  if (!p) return false;
  if (len) std::memmove(p, in, len);
  return true;
}

} // namespace engine
