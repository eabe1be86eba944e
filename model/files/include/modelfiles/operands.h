#pragma once
// The operand address table: which indexes of each operand class of the
// target program are taken. The target text writer allocates from it, extern
// functions declare variables in it and keep a descriptor for operands of
// input/output classes. The editor resets it before each allocation pass.
#include <cstddef>
#include <cstdint>

namespace modelfiles {

// Class codes (row numbers).
enum AddressClass : unsigned {
  kClassM = 1, kClassE = 2, kClassA = 3, kClassDF = 4, kClassDW = 5, kClassDL = 6, kClassDT = 7,
  kClassPF = 8, kClassPW = 9, kClassB = 10, kClassPL = 11, kClassPT = 12
};
constexpr unsigned kAddressRows = 17;      // codes 0..16
constexpr unsigned kAddressSlots = 10000;  // indexes 0..9999

// Allocation modes.
enum : std::uint16_t { kModeReset = 1, kModeSearch = 2, kModeFixed = 3 };

// The text writer's module number and its two module counters, cleared by
// the resets and by the search mode.
struct WriterModuleState {
  std::uint16_t moduleNumber = 0;
  std::uint16_t counter1 = 0;
  std::uint16_t counter2 = 0;
};
extern WriterModuleState WriterModules;
// Called whenever the resets set the text writer's 201 module records to
// zero (the writer installs it; null: nothing to clear).
extern void (*ClearTargetModuleRecords)();

bool va_IsIoClass(unsigned code);
void va_ResetClasses();
void va_ResetAll();
void va_FreeDescriptors();
void va_ClearAll();
void va_ClearReserved();
void va_SetModeSearch();
void va_SetModeFixed();
void va_Nop();
// Takes count consecutive slots of a class (see the allocation rules); the
// result is written back through index (0: nothing allocated).
void va_AllocRange(unsigned cls, unsigned fallback, std::uint16_t& index, unsigned count);

// Access for the extern functions and for tests.
std::uint16_t va_Mode();
bool va_Used(unsigned cls, unsigned index);
std::int16_t& va_Reserved(unsigned cls);
// A descriptor (allocated through the memory manager with n bytes) owned by
// the table from now on; the slot's old one is released.
void va_SetDescriptor(unsigned cls, unsigned index, void* descriptor, std::size_t n);
void* va_Descriptor(unsigned cls, unsigned index);

} // namespace modelfiles
