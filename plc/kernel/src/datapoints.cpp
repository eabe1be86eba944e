// Data points: elements of the data areas by area name and index.
#include "kernel.h"

#include <cstring>

namespace plc {

namespace {

struct DpName {
  const char* name;
  Named area;
  std::uint32_t writeSize;   // bytes a write copies
};
// Reading looks the names up in this order; each name has its own area, so
// the order only fixes which names exist.
constexpr DpName kReadNames[] = {
    {"E", Named::E, 8},   {"A", Named::A, 8},   {"DW", Named::DW, 2}, {"M", Named::M, 8},
    {"B", Named::B, 8},   {"PW", Named::PW, 2}, {"DF", Named::DF, 4}, {"PF", Named::PF, 4},
    {"DL", Named::DL, 4}, {"PL", Named::PL, 4}, {"DT", Named::DT, 18}, {"PT", Named::PT, 18},
};

const DpName* lookup(const char* area) {
  if (!area) return nullptr;
  for (const DpName& n : kReadNames)
    if (std::strcmp(n.name, area) == 0) return &n;
  return nullptr;
}

// Host pointer of n bytes from the start of element idx, or null when they do
// not lie inside the area.
std::uint8_t* elementBytes(Kernel& k, const Area* a, std::uint16_t idx, std::size_t n) {
  if (!a || idx >= a->number) return nullptr;
  std::uint64_t off = static_cast<std::uint64_t>(idx) * a->size;
  if (off + n > a->blocks[0].bytes) return nullptr;
  return k.mem.ptr(a->blocks[0].addr + static_cast<Addr>(off), n);
}

} // namespace

int Kernel::getDP(const char* area, std::uint16_t index, void* dst, std::uint16_t count) {
  std::lock_guard lk(mu);
  const DpName* n = lookup(area);
  if (!n || !dst) return 0;
  std::uint8_t* p = elementBytes(*this, named(n->area), index, count);
  if (!p) return 0;
  std::memcpy(dst, p, count);
  return 1;
}

int Kernel::setDP(const char* area, std::uint16_t index, const void* value) {
  std::lock_guard lk(mu);
  const DpName* n = lookup(area);
  if (!n || !value) return 0;
  std::uint8_t* p = elementBytes(*this, named(n->area), index, n->writeSize);
  if (!p) return 0;
  std::memcpy(p, value, n->writeSize);
  mem.noteWrite(static_cast<Addr>(kArenaBase + (p - mem.raw())), n->writeSize);
  return 1;
}

} // namespace plc
