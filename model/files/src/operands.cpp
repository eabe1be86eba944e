#include "modelfiles/operands.h"

#include "modelfiles/messages.h"

#include "model/memory.h"

#include <vector>

namespace modelfiles {

WriterModuleState WriterModules;
void (*ClearTargetModuleRecords)() = nullptr;

namespace {

struct Slot {
  std::uint8_t used = 0;
  void* descriptor = nullptr;
  std::size_t size = 0;
};

struct Table {
  std::vector<Slot> slots = std::vector<Slot>(std::size_t(kAddressRows) * kAddressSlots);
  std::int16_t reserved[kAddressRows] = {};
  std::uint16_t mode = kModeReset;
  Slot& at(unsigned cls, unsigned index) { return slots[std::size_t(cls) * kAddressSlots + index]; }
};

Table& table() {
  static Table t;
  return t;
}

void clearWriter() {
  WriterModules = WriterModuleState{};
  if (ClearTargetModuleRecords) ClearTargetModuleRecords();
}

void reset(bool dropDescriptors) {
  Table& t = table();
  for (unsigned c = 0; c < kAddressRows; ++c) {
    for (unsigned i = 0; i < kAddressSlots; ++i) {
      Slot& s = t.at(c, i);
      s.used = i == 0 || (t.reserved[c] > 0 && i <= unsigned(t.reserved[c])) ? 1 : 0;
      if (dropDescriptors) {
        s.descriptor = nullptr;   // dropped, not released
        s.size = 0;
      }
    }
  }
  t.mode = kModeReset;
  clearWriter();
}

bool rangeFree(unsigned cls, unsigned start, unsigned count) {
  if (start + count > kAddressSlots) return false;
  for (unsigned i = start; i < start + count; ++i)
    if (table().at(cls, i).used) return false;
  return true;
}

void take(unsigned cls, unsigned start, unsigned count) {
  for (unsigned i = start; i < start + count; ++i) table().at(cls, i).used = 1;
}

} // namespace

bool va_IsIoClass(unsigned code) {
  return !(code == 0 || code == 1 || code == 4 || code == 5 || code == 6 || code == 7);
}

void va_ResetClasses() { reset(true); }
void va_ResetAll() { reset(false); }

void va_FreeDescriptors() {
  Table& t = table();
  for (unsigned c = 0; c < kAddressRows; ++c)
    for (unsigned i = 0; i < kAddressSlots; ++i) {
      Slot& s = t.at(c, i);
      if (s.descriptor) model::mm_Deallocate(s.descriptor, s.size);
      s.descriptor = nullptr;
      s.size = 0;
      s.used = i == 0 ? 1 : 0;
    }
}

void va_ClearAll() {
  Table& t = table();
  for (Slot& s : t.slots) s = Slot{};
  for (auto& r : t.reserved) r = 0;
  clearWriter();
}

void va_ClearReserved() {
  for (auto& r : table().reserved) r = 0;
}

void va_SetModeSearch() {
  table().mode = kModeSearch;
  clearWriter();
}

void va_SetModeFixed() { table().mode = kModeFixed; }
void va_Nop() {}

void va_AllocRange(unsigned cls, unsigned fallback, std::uint16_t& index, unsigned count) {
  Table& t = table();
  unsigned requested = index;
  if (cls >= kAddressRows) {
    cls = fallback;
    requested = 0;
    if (cls >= kAddressRows) {
      showMessage(50028);
      index = 0;
      return;
    }
  }
  const std::uint16_t mode = t.mode;
  if ((mode == kModeReset || mode == kModeFixed) && requested != 0) {
    if (rangeFree(cls, requested, count)) {
      take(cls, requested, count);
      index = std::uint16_t(requested);
      return;
    }
    requested = 0;
    if (mode == kModeReset) {
      index = 0;
      return;
    }
  }
  if (mode == kModeSearch && requested != 0) {
    index = std::uint16_t(requested);   // returned unchanged, nothing marked
    return;
  }
  if (mode == kModeSearch || mode == kModeFixed) {
    for (unsigned start = cls == kClassM ? 8 : 1;; ++start) {
      if (start + count > kAddressSlots) {
        showMessage(50029);
        index = 0;
        return;
      }
      if (rangeFree(cls, start, count)) {
        take(cls, start, count);
        index = std::uint16_t(start);
        return;
      }
    }
  }
  index = 0;
}

std::uint16_t va_Mode() { return table().mode; }
bool va_Used(unsigned cls, unsigned index) {
  return cls < kAddressRows && index < kAddressSlots && table().at(cls, index).used;
}
std::int16_t& va_Reserved(unsigned cls) {
  static std::int16_t none = 0;
  return cls < kAddressRows ? table().reserved[cls] : none;
}
void va_SetDescriptor(unsigned cls, unsigned index, void* descriptor, std::size_t n) {
  if (cls >= kAddressRows || index >= kAddressSlots) {
    if (descriptor) model::mm_Deallocate(descriptor, n);
    return;
  }
  Slot& s = table().at(cls, index);
  if (s.descriptor) model::mm_Deallocate(s.descriptor, s.size);
  s.descriptor = descriptor;
  s.size = n;
}
void* va_Descriptor(unsigned cls, unsigned index) {
  return cls < kAddressRows && index < kAddressSlots ? table().at(cls, index).descriptor : nullptr;
}

} // namespace modelfiles
