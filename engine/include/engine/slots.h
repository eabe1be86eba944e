#pragma once
// The operand slots that block code declares through the extern functions:
// 17 classes of 10000 slots, each a used mark and, in the I/O classes (E, A,
// PF, PW, B, PL, PT), a descriptor with a name, a comment and the address (in
// the interpreter's address space) of the REAL value that belongs to it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

struct IoDescriptor {
  std::string name = "%%";       // at most 16 characters
  std::string comment = "%%";    // at most 16 characters
  std::uint32_t value = 0;       // virtual address of the value; 0 = none
};

class AddressSlotTable {
public:
  static constexpr int kClasses = 17;
  static constexpr int kSlots = 10000;
  AddressSlotTable();
  void clear();

  bool used(int cls, int index) const;
  void setUsed(int cls, int index, bool on);
  IoDescriptor* descriptor(int cls, int index);
  // Creates the descriptor of an I/O class slot when missing; null for other classes.
  IoDescriptor* ensureDescriptor(int cls, int index);
  static bool isIoClass(int cls);

  std::uint8_t mode = 3;   // 1 requested index, 2 search, 3 requested else search
  std::array<int, kClasses> reserved{};   // 0: none yet

private:
  std::vector<std::uint8_t> used_;
  std::vector<std::unique_ptr<IoDescriptor>> desc_;
};

AddressSlotTable& slotTable();

} // namespace engine
