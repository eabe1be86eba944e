#include "engine/slots.h"

namespace engine {

AddressSlotTable::AddressSlotTable() { clear(); }

void AddressSlotTable::clear() {
  used_.assign(std::size_t(kClasses) * kSlots, 0);
  desc_.clear();
  desc_.resize(std::size_t(kClasses) * kSlots);
  reserved.fill(0);
}

static bool inRange(int cls, int index) {
  return cls >= 0 && cls < AddressSlotTable::kClasses && index >= 0 && index < AddressSlotTable::kSlots;
}

bool AddressSlotTable::used(int cls, int index) const {
  return inRange(cls, index) && used_[std::size_t(cls) * kSlots + std::size_t(index)];
}
void AddressSlotTable::setUsed(int cls, int index, bool on) {
  if (inRange(cls, index)) used_[std::size_t(cls) * kSlots + std::size_t(index)] = on;
}
IoDescriptor* AddressSlotTable::descriptor(int cls, int index) {
  return inRange(cls, index) ? desc_[std::size_t(cls) * kSlots + std::size_t(index)].get() : nullptr;
}
bool AddressSlotTable::isIoClass(int cls) {
  return cls == 2 || cls == 3 || cls == 8 || cls == 9 || cls == 10 || cls == 11 || cls == 12;
}
IoDescriptor* AddressSlotTable::ensureDescriptor(int cls, int index) {
  if (!inRange(cls, index) || !isIoClass(cls)) return nullptr;
  auto& d = desc_[std::size_t(cls) * kSlots + std::size_t(index)];
  if (!d) d = std::make_unique<IoDescriptor>();
  return d.get();
}

AddressSlotTable& slotTable() {
  static AddressSlotTable t;
  return t;
}

} // namespace engine
