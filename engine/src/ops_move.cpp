// Moves, jumps, loops, array addressing and bit access.
#include "engine/vm.h"
#include "engine/vmdirect.h"

#include <cstring>

namespace engine {

void Vm::opMove(const Instr& I) {
  const unsigned op = I.op, n = I.n;
  if (op >= 62 && op <= 68) emptyStack();
  switch (op) {
  case 62: case 63: case 64: case 65: case 114: case 115: {
    const std::uint32_t bytes = op == 62 ? n * 8 : (op == 63 || op == 114) ? n * 2 : op == 64 ? ((n + 15) / 16) * 2 : n;
    const std::uint8_t* src = ptr(addr(I, 1), bytes, false);
    if (!src) return;
    std::uint8_t* dst = ptr(addr(I, 0), bytes, true);
    if (dst && bytes) std::memmove(dst, src, bytes);
    return;
  }
  case 66: jumpTo(addr(I, 0)); return;
  case 67: case 68: {
    const std::uint16_t b = rdWord(addr(I, 1));
    if (stopped()) return;
    if (!(b & 1)) jumpTo(addr(I, 0));
    return;
  }
  case 69: {
    const unsigned count = I.operandCount();
    if (count < 2) {
      fail("array address without base");
      return;
    }
    std::uint32_t result = addr(I, 1);
    for (unsigned k = 2; k + 1 < count; k += 2) {
      const std::uint16_t stride = rdWord(addr(I, k));
      const std::uint16_t index = rdWord(addr(I, k + 1));
      if (stopped()) return;
      result += std::uint16_t(std::uint32_t(stride) * index);
    }
    wr(addr(I, 0), &result, 4);
    return;
  }
  case 70: {
    const std::uint32_t va = addr(I, 1), ra = addr(I, 2);
    const std::int16_t v = rdInt(va), limit = rdInt(ra), stp = rdInt(ra + 2);
    if (stopped()) return;
    const std::int32_t next = std::int32_t(v) + stp;
    if (stp >= 0 ? next > limit : next < limit) return;   // leave the loop
    emptyStack();
    const std::int16_t nv = std::int16_t(next);
    if (wr(va, &nv, 2)) jumpTo(addr(I, 0));
    return;
  }
  case 71: case 72: {
    std::uint8_t* pa = ptr(addr(I, 0), n * 2, true);
    const std::uint8_t* pb = pa ? ptr(addr(I, 1), n * 2, false) : nullptr;
    if (!pb) return;
    for (unsigned k = 0; k < n; ++k) {
      std::int16_t x, y;
      std::memcpy(&x, pa + 2 * k, 2);
      std::memcpy(&y, pb + 2 * k, 2);
      const std::int16_t r = intStep(op, x, y);
      std::memcpy(pa + 2 * k, &r, 2);
    }
    return;
  }
  case 73: case 74: case 75: {
    const bool test = op == 73;
    const std::int16_t index = rdInt(addr(I, test ? 0 : 1));
    if (stopped()) return;
    if (index < 1) {
      fail("bit index below 1");
      return;
    }
    const std::uint32_t wa = addr(I, test ? 1 : 0) + 2u * ((unsigned(index) - 1) / 16);
    std::uint16_t w = rdWord(wa);
    if (stopped()) return;
    const std::uint16_t bit = std::uint16_t(1u << ((index - 1) % 16));
    if (test) { pushWord(w & bit ? 1 : 0); return; }
    w = op == 74 ? std::uint16_t(w | bit) : std::uint16_t(w & ~bit);
    wr(wa, &w, 2);
    return;
  }
  case 112: {
    std::uint32_t held = 0;
    if (!rd(addr(I, 1), &held, 4)) return;
    held += n;
    wr(addr(I, 0), &held, 4);
    return;
  }
  case 113: {
    const std::uint32_t a = addr(I, 1);
    wr(addr(I, 0), &a, 4);
    return;
  }
  default: fail("instruction " + std::to_string(op) + " has no primitive");
  }
}

} // namespace engine
