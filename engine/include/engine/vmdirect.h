#pragma once
// The arithmetic of the single-element instructions, and the direct form of
// lean block code that the time step runs without the interpreter.
//
// The functions below are the one definition of what the single-element
// instructions compute: the interpreter's checked primitives, its run loop
// and the direct form all call them, so that they give the same bits.
//
// The direct form: a step procedure made only of single-element moves, REAL
// operations and relations, INT increments and a stop, whose every operand
// lies wholly inside a view fixed for one instance (its areas 0..3, the
// evaluation stack, a block of a linked module), is translated for that
// instance into a short array of operations on host addresses. Run in order,
// they touch the same bytes in the same order as the interpreter would, and
// such code can fail in no way (every access was checked when translated; a
// REAL division by zero gives infinity or NaN in the interpreter too). See
// Vm::compileDirect.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace engine {

// REAL operation 0 (multiply), 1 (divide), 9 (add) or 10 (subtract).
inline double realArith(unsigned op, double x, double y) {
  switch (op) {
  case 0: return x * y;
  case 1: return x / y;
  case 9: return x + y;
  default: return x - y;
  }
}

// The REAL relation of operation 15..20 of two f64 operands, as a u32 0 or 1
// at top.
inline void realRelation(unsigned op, const std::uint8_t* pa, const std::uint8_t* pb, std::uint8_t* top) {
  double x, y;
  std::memcpy(&x, pa, 8);
  std::memcpy(&y, pb, 8);
  bool r;
  switch (op) {
  case 15: r = x == y; break;
  case 16: r = x != y; break;
  case 17: r = x > y; break;
  case 18: r = x <= y; break;
  case 19: r = x < y; break;
  default: r = x >= y; break;
  }
  const std::uint32_t w = r ? 1 : 0;
  std::memcpy(top, &w, 4);
}

// INT increment (operation 71) or decrement (72), wrapping at 16 bits.
inline std::int16_t intStep(unsigned op, std::int16_t x, std::int16_t y) {
  return std::int16_t(std::uint16_t(std::uint32_t(op == 71 ? x + y : x - y)));
}

// Moves a value of Bytes bytes through a register (source and target may overlap).
template <unsigned Bytes> inline void moveValue(std::uint8_t* to, const std::uint8_t* from) {
  static_assert(Bytes == 2 || Bytes == 8);
  using Word = std::conditional_t<Bytes == 8, std::uint64_t, std::uint16_t>;
  Word v;
  std::memcpy(&v, from, Bytes);
  std::memcpy(to, &v, Bytes);
}

// The time step's reading of a REAL input element into its slot: marks
// *changed when the slot moves by more than 0.1.
inline void gatherReal(const std::uint8_t* from, std::uint8_t* slot, std::uint16_t* changed) {
  double x, y;
  std::memcpy(&x, from, 8);
  std::memcpy(&y, slot, 8);
  if (std::fabs(y - x) > 0.1) *changed = 1;
  std::memcpy(slot, &x, 8);
}

// One operation of the direct form.
enum DirectKind : std::uint8_t {
  // REAL a op b pushed at 'to' and stored at 'also' too: where the next
  // instruction moves the pushed value to (that move goes with it), else
  // 'to' again.
  kDirectMul, kDirectDiv, kDirectAdd, kDirectSub,
  kDirectRelation,    // REAL relation 'op' of a and b pushed (u32) at 'to'
  kDirectMoveReal,    // 8 bytes from a to 'to'
  kDirectMoveInt,     // 2 bytes from a to 'to'
  kDirectIncrement,   // INT 'to' += or -= b (operation 'op' 71 or 72)
  kDirectClear,       // 'count' bytes at 'to' cleared (the frame part of the stack)
  // The time step's reading of an input into its slot before the code runs:
  // 'count' REAL elements from a to 'to' (one: ...Real1), each marking
  // *changed when it moves by more than 0.1; or an INT word, complemented
  // when op is 1.
  kDirectGatherReal1, kDirectGatherReals, kDirectGatherWord,
};

struct DirectOp {
  std::uint8_t kind = kDirectClear;
  std::uint8_t op = 0;
  std::uint16_t count = 0;
  const std::uint8_t* a = nullptr;
  const std::uint8_t* b = nullptr;
  std::uint8_t* to = nullptr;
  std::uint8_t* also = nullptr;
};

// Runs the operations [op, end) of a direct form (in the caller's loop: a
// form is a few operations).
#if defined(__GNUC__)
[[gnu::always_inline]]
#endif
inline void runDirect(const DirectOp* op, const DirectOp* const end, std::uint16_t* changed = nullptr) {
  for (; op != end; ++op) {
    double x, y, r;
    switch (op->kind) {
    case kDirectGatherReal1: gatherReal(op->a, op->to, changed); break;
    case kDirectGatherReals:
      for (unsigned e = 0; e < op->count; ++e) gatherReal(op->a + 8 * e, op->to + 8 * e, changed);
      break;
    case kDirectGatherWord: {
      std::uint16_t w;
      std::memcpy(&w, op->a, 2);
      if (op->op) w ^= 0xFFFF;
      std::memcpy(op->to, &w, 2);
      break;
    }
#define ZERLO_DIRECT_REAL(KIND, CODE)                                         \
  case KIND:                                                                \
    std::memcpy(&x, op->a, 8);                                              \
    std::memcpy(&y, op->b, 8);                                              \
    r = realArith(CODE, x, y);                                              \
    std::memcpy(op->to, &r, 8);                                             \
    std::memcpy(op->also, &r, 8);                                           \
    break;
      ZERLO_DIRECT_REAL(kDirectMul, 0)
      ZERLO_DIRECT_REAL(kDirectDiv, 1)
      ZERLO_DIRECT_REAL(kDirectAdd, 9)
      ZERLO_DIRECT_REAL(kDirectSub, 10)
#undef ZERLO_DIRECT_REAL
    case kDirectRelation: realRelation(op->op, op->a, op->b, op->to); break;
    case kDirectMoveReal: moveValue<8>(op->to, op->a); break;
    case kDirectMoveInt: moveValue<2>(op->to, op->a); break;
    case kDirectIncrement: {
      std::int16_t v, w;
      std::memcpy(&v, op->to, 2);
      std::memcpy(&w, op->b, 2);
      const std::int16_t s = intStep(op->op, v, w);
      std::memcpy(op->to, &s, 2);
      break;
    }
    case kDirectClear: std::memset(op->to, 0, op->count); break;
#if defined(__GNUC__)
    default: __builtin_unreachable();   // the kinds above are all there are
#endif
    }
  }
}

} // namespace engine
