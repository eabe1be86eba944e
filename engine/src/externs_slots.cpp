// The operand-slot externs: declaring and freeing REAL, bit, byte and array
// slots, value pointers, descriptor texts and reserved counts.
#include "engine/externs.h"
#include "engine/services.h"
#include "engine/slots.h"
#include "engine/vm.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace engine {

namespace {

constexpr int kSlots = AddressSlotTable::kSlots;

struct A {
  Vm& vm;
  std::uint32_t block;
  std::uint32_t slot(unsigned k) { std::uint32_t a = 0; vm.rd(block + 4 * k, &a, 4); return a; }
  double real(unsigned k, unsigned e = 0) { return vm.rdReal(slot(k) + 8 * e); }
  std::int16_t integer(unsigned k) { return vm.rdInt(slot(k)); }
  void setReal(unsigned k, double v, unsigned e = 0) { vm.wr(slot(k) + 8 * e, &v, 8); }
  void setInt(unsigned k, std::int16_t v) { vm.wr(slot(k), &v, 2); }
  bool ok() const { return !vm.stopped(); }
};

// A REAL argument as a whole number; false when it is not finite or out of int range.
bool whole(double v, double add, long& out) {
  v += add;
  if (!std::isfinite(v) || std::fabs(v) > 1e9) return false;
  out = long(v);
  return true;
}

int firstFree(const AddressSlotTable& t, int cls, int from, int run, int stepBy) {
  for (int s = from; s + run - 1 < kSlots; s += stepBy) {
    bool free = true;
    for (int k = 0; k < run && free; ++k) free = !t.used(cls, s + k);
    if (free) return s;
  }
  return 0;
}

void take(AddressSlotTable& t, int cls, int s, std::uint32_t value) {
  t.setUsed(cls, s, true);
  if (IoDescriptor* d = t.ensureDescriptor(cls, s)) d->value = value;
}

// The class of a declaration: s0 in 0..16, else the class element of s1.
bool declClass(A& a, int& cls, bool& resetIndex) {
  const long c = a.integer(0);
  resetIndex = false;
  if (c >= 0 && c <= 16) { cls = int(c); return true; }
  long c1 = -1;
  if (!whole(a.real(1), 0, c1) || c1 < 0 || c1 > 16) {
    engineServices().showMessage(50028);
    return false;
  }
  cls = int(c1);
  resetIndex = true;
  return true;
}

void declareReal(A& a) {   // 0
  AddressSlotTable& t = slotTable();
  int cls;
  bool reset;
  if (!declClass(a, cls, reset) || !a.ok()) return;
  long index = 0;
  if (!reset && !whole(a.real(2), 0, index)) return;
  if (index < 0) return;   // negative indexes are refused
  if (index >= kSlots) index = 0;
  const std::uint32_t value = a.slot(2) + 8;
  if ((t.mode == 1 || t.mode == 3) && index != 0) {
    if (!t.used(cls, int(index))) take(t, cls, int(index), value);
    else index = 0;
  }
  if (t.mode == 2) index = 0;   // mode 2 always searches
  if ((t.mode == 2 || t.mode == 3) && index == 0) {
    index = firstFree(t, cls, 1, 1, 1);
    if (index) take(t, cls, int(index), value);
  }
  a.setReal(1, double(cls));
  a.setReal(2, double(index) + 0.1);
}

void declareBit(A& a) {   // 1
  AddressSlotTable& t = slotTable();
  int cls;
  bool reset;
  if (!declClass(a, cls, reset) || !a.ok()) return;
  long byte = 0, bit = 0;
  if (!whole(a.real(2, 0), 0.3, byte) || !whole(a.real(2, 2), 0, bit)) return;
  if (byte < 0 || bit < 0 || bit > 7) return;   // refused
  if (reset) byte = bit = 0;
  long s = byte * 8 + bit;
  if (s >= kSlots) s = 0;
  const std::uint32_t value = a.slot(2) + 8;
  if ((t.mode == 1 || t.mode == 3) && s != 0) {
    if (!t.used(cls, int(s))) take(t, cls, int(s), value);
    else s = 0;
  }
  if (t.mode == 2) s = 0;
  if ((t.mode == 2 || t.mode == 3) && s == 0) {
    s = firstFree(t, cls, 8, 1, 1);
    if (s) take(t, cls, int(s), value);
  }
  a.setReal(2, double(s / 8) + 0.1, 0);
  a.setReal(2, double(s % 8), 2);
}

void declareByte(A& a) {   // 2
  AddressSlotTable& t = slotTable();
  int cls;
  bool reset;
  if (!declClass(a, cls, reset) || !a.ok()) return;
  long byte = 0;
  if (!reset && !whole(a.real(2, 0), 0.3, byte)) return;
  if (byte < 0) return;
  long s = byte * 8;
  if (s + 7 >= kSlots) s = 0;
  const std::uint32_t value = a.slot(2) + 8;
  auto takeByte = [&](long at) {
    for (int k = 0; k < 8; ++k) take(t, cls, int(at + k), k == 0 ? value : 0);
  };
  if ((t.mode == 1 || t.mode == 3) && s != 0) {
    if (firstFree(t, cls, int(s), 8, kSlots) == s) takeByte(s);
    else s = 0;
  }
  if (t.mode == 2) s = 0;
  if ((t.mode == 2 || t.mode == 3) && s == 0) {
    s = firstFree(t, cls, 8, 8, 8);
    if (s) takeByte(s);
  }
  a.setReal(2, double(s / 8) + 0.1, 0);
  a.setReal(2, -1.0, 2);
}

void declareArray(A& a) {   // 35 = 36
  AddressSlotTable& t = slotTable();
  int cls;
  bool reset;
  if (!declClass(a, cls, reset) || !a.ok()) return;
  long start = 0, count = 0;
  if (!whole(a.real(2, 0), 0.4, start) || !whole(a.real(3), 0.4, count)) return;
  if (reset) start = 0;
  if (start < 0 || count < 1 || count >= kSlots) return;   // refused
  if (start + count > kSlots) start = 0;
  const std::uint32_t base = a.slot(2) + 8;
  auto takeRun = [&](long at) {
    for (long k = 0; k < count; ++k) take(t, cls, int(at + k), base + std::uint32_t(8 * k));
  };
  if ((t.mode == 1 || t.mode == 3) && start != 0) {
    if (firstFree(t, cls, int(start), int(count), kSlots) == start) takeRun(start);
    else start = 0;
  }
  if (t.mode == 2) start = 0;
  if ((t.mode == 2 || t.mode == 3) && start == 0) {
    start = firstFree(t, cls, (cls == 1 || cls == 10) ? 8 : 1, int(count), 1);
    if (start) takeRun(start);
  }
  a.setReal(2, double(start) + 0.1, 0);
}

bool classIndex(A& a, unsigned kc, unsigned ki, double add, int& cls, long& index) {
  long c;
  if (!whole(a.real(kc), add, c) || !whole(a.real(ki), add, index)) return false;
  if (c < 0 || c > 16 || index < 0 || index >= kSlots) return false;
  cls = int(c);
  return a.ok();
}

void freeSlots(A& a, int number) {   // 38, 39, 40, 41 = 42
  AddressSlotTable& t = slotTable();
  int cls;
  long index;
  if (number == 38) {
    if (classIndex(a, 1, 2, 0, cls, index)) t.setUsed(cls, int(index), false);
    return;
  }
  long c;
  if (!whole(a.real(1), 0, c) || c < 0 || c > 16) return;
  cls = int(c);
  if (number == 39) {
    long byte, bit;
    if (!whole(a.real(2, 0), 0.3, byte) || !whole(a.real(2, 2), 0, bit) || byte < 0 || bit < 0 || bit > 7) return;
    if (byte * 8 + bit < kSlots) t.setUsed(cls, int(byte * 8 + bit), false);
  } else if (number == 40) {
    long byte;
    if (!whole(a.real(2, 0), 0.3, byte) || byte < 0) return;
    if (byte * 8 < kSlots - 7)
      for (int k = 0; k < 8; ++k) t.setUsed(cls, int(byte * 8 + k), false);
  } else {
    long start, count;
    if (!whole(a.real(2, 0), 0.4, start) || !whole(a.real(3), 0.4, count) || start < 0) return;
    for (long k = 0; k < count && start + k < kSlots; ++k) t.setUsed(cls, int(start + k), false);
  }
}

void setValuePointer(A& a) {   // 47 = 48 = 59 = 60
  int cls;
  long index;
  if (!classIndex(a, 0, 1, 0, cls, index)) return;
  if (IoDescriptor* d = slotTable().descriptor(cls, int(index))) d->value = a.slot(2);
}

void attachVector(A& a) {   // 51
  AddressSlotTable& t = slotTable();
  long cls, index;
  if (!whole(a.real(0, 0), 0.5, cls) || !whole(a.real(0, 1), 0, index)) return;
  const double on = a.real(1);
  const std::int16_t count = a.integer(3);
  if (!a.ok() || on == 0 || cls < 0 || cls > 16 || index < 0) return;
  const std::uint32_t array = a.slot(2);
  std::string firstName;
  for (long k = 0; k < count; ++k) {
    if (index + k >= kSlots) break;
    IoDescriptor* d = t.descriptor(int(cls), int(index + k));
    if (!d) {
      engineServices().showMessage(50030);
      continue;
    }
    d->value = array + std::uint32_t(8 * k);
    char buf[32];
    std::snprintf(buf, sizeof buf, "Vektorelement Nr. %i", int(k));
    d->comment = std::string(buf).substr(0, 16);   // the comment field holds 16 characters
    if (k == 0) firstName = d->name;
    else d->name = firstName;
  }
}

void descriptorText(A& a, bool comment) {   // 57, 58
  int cls;
  long index;
  const std::int16_t size = a.integer(2);
  if (!a.ok() || size < 1) return;
  std::string text;
  if (classIndex(a, 0, 1, 0.3, cls, index) && AddressSlotTable::isIoClass(cls))
    if (IoDescriptor* d = slotTable().descriptor(cls, int(index))) text = comment ? d->comment : d->name;
  if (text == "%%") text.clear();
  text = text.substr(0, std::size_t(size - 1));
  text.push_back('\0');
  a.vm.wr(a.slot(3), text.data(), std::uint32_t(text.size()));
}

void reserve(A& a) {   // 93
  const std::int16_t cls = a.integer(0), count = a.integer(1);
  if (!a.ok() || cls < 0 || cls >= AddressSlotTable::kClasses || count < 0 || count >= kSlots) return;
  int& r = slotTable().reserved[std::size_t(cls)];
  if (r == 0) {
    r = count;
    a.setInt(2, 1);
  } else {
    if (count > r) r = count;
    a.setInt(2, 0);
  }
}

} // namespace

bool xt_CallSlotExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock) {
  A a{vm, argBlock};
  switch (number) {
  case 0: declareReal(a); return true;
  case 1: declareBit(a); return true;
  case 2: declareByte(a); return true;
  case 35: case 36: declareArray(a); return true;
  case 38: case 39: case 40: case 41: case 42: freeSlots(a, number); return true;
  case 47: case 48: case 59: case 60: setValuePointer(a); return true;
  case 51: attachVector(a); return true;
  case 57: descriptorText(a, false); return true;
  case 58: descriptorText(a, true); return true;
  case 93: reserve(a); return true;
  default: return false;
  }
}

} // namespace engine
