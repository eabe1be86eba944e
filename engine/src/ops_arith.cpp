// Arithmetic, relations, bit vectors, math functions, conversions and the
// index check.
#include "engine/services.h"
#include "engine/vm.h"
#include "engine/vmdirect.h"

#include "model/real.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace engine {

namespace {

std::int16_t intBinary(unsigned op, std::int16_t a, std::int16_t b) {
  const std::int32_t x = a, y = b;
  switch (op) {
  case 3: return std::int16_t(std::uint16_t(std::uint32_t(x * y)));
  case 4: return (y == 0 || (x == -32768 && y == -1)) ? 0 : std::int16_t(x / y);
  case 5: return (y == 0 || (x == -32768 && y == -1)) ? 0 : std::int16_t(x % y);
  case 11: return std::int16_t(std::uint16_t(std::uint32_t(x + y)));
  default: return std::int16_t(std::uint16_t(std::uint32_t(x - y)));
  }
}

template <class T> bool relation(unsigned which, T a, T b) {
  switch (which) {
  case 0: return a == b;
  case 1: return a != b;
  case 2: return a > b;
  case 3: return a <= b;
  case 4: return a < b;
  default: return a >= b;
  }
}

double math1(unsigned op, double x) {
  switch (op) {
  case 38: return model::rl_ArcSin(x);
  case 39: return model::rl_ArcCos(x);
  case 40: return model::rl_ArcTan(x);
  case 41: return model::rl_Cos(x);
  case 42: return model::rl_Ln(x);
  case 43: return model::rl_Log10(x);
  case 45: return model::rl_Sin(x);
  case 46: return model::rl_Sqrt(x);
  case 47: return model::rl_Tan(x);
  case 49: return model::rl_Exp(x);
  case 51: return model::rl_Sinh(x);
  case 52: return model::rl_Cosh(x);
  case 53: return model::rl_Tanh(x);
  case 54: return model::rl_ArSinh(x);
  case 55: return model::rl_ArCosh(x);
  default: return model::rl_ArTanh(x);
  }
}

} // namespace

void Vm::opArith(const Instr& I) {
  const unsigned op = I.op, n = I.n;
  const std::uint32_t a = addr(I, 0);
  const std::uint32_t b = I.operandCount() > 1 ? addr(I, 1) : 0;
  switch (op) {
  case 0: case 1: case 9: case 10: case 44: case 50: {
    const std::uint8_t* pa = ptr(a, n * 8, false);
    const std::uint8_t* pb = pa ? ptr(b, n * 8, false) : nullptr;
    if (!pb) return;
    for (unsigned k = 0; k < n; ++k) {
      double x, y;
      std::memcpy(&x, pa + 8 * k, 8);
      std::memcpy(&y, pb + 8 * k, 8);
      const double r = op == 44 ? model::rl_Power(x, y) : op == 50 ? model::rl_Root(x, y) : realArith(op, x, y);
      if (!pushReal(r)) return;
    }
    return;
  }
  case 2: case 37: case 38: case 39: case 40: case 41: case 42: case 43: case 45: case 46: case 47:
  case 49: case 51: case 52: case 53: case 54: case 55: case 56: {
    const std::uint8_t* pa = ptr(a, n * 8, false);
    if (!pa) return;
    for (unsigned k = 0; k < n; ++k) {
      double x;
      std::memcpy(&x, pa + 8 * k, 8);
      const double r = op == 2 ? -x : op == 37 ? std::fabs(x) : math1(op, x);
      if (!pushReal(r)) return;
    }
    return;
  }
  case 48: case 60: {
    const std::uint8_t* pa = ptr(a, n * 8, false);
    if (!pa) return;
    for (unsigned k = 0; k < n; ++k) {
      double x;
      std::memcpy(&x, pa + 8 * k, 8);
      const std::int16_t r = op == 48 ? model::rl_Round(x) : model::rl_Trunc(x);
      if (!pushWord(std::uint16_t(r))) return;
    }
    return;
  }
  case 61: {
    const std::uint8_t* pa = ptr(a, n * 2, false);
    if (!pa) return;
    for (unsigned k = 0; k < n; ++k) {
      std::int16_t x;
      std::memcpy(&x, pa + 2 * k, 2);
      if (!pushReal(double(x))) return;
    }
    return;
  }
  case 3: case 4: case 5: case 11: case 12: {
    const std::uint8_t* pa = ptr(a, n * 2, false);
    const std::uint8_t* pb = pa ? ptr(b, n * 2, false) : nullptr;
    if (!pb) return;
    for (unsigned k = 0; k < n; ++k) {
      std::int16_t x, y;
      std::memcpy(&x, pa + 2 * k, 2);
      std::memcpy(&y, pb + 2 * k, 2);
      if (!pushWord(std::uint16_t(intBinary(op, x, y)))) return;
    }
    return;
  }
  case 6: case 36: {
    const std::uint8_t* pa = ptr(a, n * 2, false);
    if (!pa) return;
    for (unsigned k = 0; k < n; ++k) {
      std::int16_t x;
      std::memcpy(&x, pa + 2 * k, 2);
      std::int32_t r = op == 6 || x < 0 ? -std::int32_t(x) : x;
      if (!pushWord(std::uint16_t(std::uint32_t(r)))) return;
    }
    return;
  }
  case 7: case 8: case 13: case 14: {
    const unsigned words = (n + 15) / 16;
    const std::uint8_t* pa = ptr(a, words * 2, false);
    const std::uint8_t* pb = pa && op != 8 ? ptr(b, words * 2, false) : pa;
    if (!pb) return;
    for (unsigned w = 0; w < words; ++w) {
      std::uint16_t x, y = 0;
      std::memcpy(&x, pa + 2 * w, 2);
      if (op != 8) std::memcpy(&y, pb + 2 * w, 2);
      // Bitwise on whole words; the bits of the last word beyond n are cleared.
      std::uint16_t r = op == 7 ? std::uint16_t(x & y) : op == 8 ? std::uint16_t(x ^ 0xFFFF)
                      : op == 13 ? std::uint16_t(x | y) : std::uint16_t(x ^ y);
      if (w + 1 == words && n % 16) r = std::uint16_t(r & lowMask(n % 16));
      if (!pushWord(r)) return;
    }
    return;
  }
  default: break;
  }
  if (op >= 15 && op <= 32) {
    const unsigned pitch = op <= 20 ? 8 : op <= 26 ? 2 : 1;
    const unsigned which = (op - 15) % 6;
    const std::uint8_t* pa = ptr(a, n * pitch, false);
    const std::uint8_t* pb = pa ? ptr(b, n * pitch, false) : nullptr;
    if (!pb) return;
    std::uint16_t word = 0;
    for (unsigned k = 0; k < n; ++k) {
      bool r;
      if (pitch == 8) {
        double x, y;
        std::memcpy(&x, pa + 8 * k, 8);
        std::memcpy(&y, pb + 8 * k, 8);
        r = relation(which, x, y);
      } else if (pitch == 2) {
        std::int16_t x, y;
        std::memcpy(&x, pa + 2 * k, 2);
        std::memcpy(&y, pb + 2 * k, 2);
        r = relation(which, x, y);
      } else if (which <= 1) {
        r = relation(which, std::int8_t(pa[k]), std::int8_t(pb[k]));
      } else {
        r = relation(which, pa[k], pb[k]);
      }
      if (r) word = std::uint16_t(word | (1u << (k % 16)));
      if (k % 16 == 15 || k + 1 == n) {
        if (!pushWord(word)) return;
        word = 0;
      }
    }
    return;
  }
  fail("instruction " + std::to_string(op) + " has no primitive");
}

namespace {
// Writes a number right-aligned into a field; '*' fills a field it does not fit.
void putNumber(std::string& s, std::size_t at, unsigned width, int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%*d", int(width), v);
  std::string t = buf;
  if (t.size() > width) t.assign(width, '*');
  s.replace(at, width, t);
}
} // namespace

void Vm::opIndexCheck(const Instr& I) {
  const std::uint32_t ai = addr(I, 0), ab = addr(I, 1), al = addr(I, 2);
  const std::uint32_t lc = opnd(I, 3).offset;
  const bool missing = !space_.translate(ai, 2, false) || !space_.translate(ab, 2, false) ||
                       !space_.translate(al, 2, false);
  std::int32_t index = 0, bound = 0, length = 0;
  if (!missing) {
    index = rdInt(ai);
    bound = rdInt(ab);
    length = rdInt(al);
  }
  const bool under = missing || index < 0;
  if (!under && index + length - 1 <= bound) return;
  std::string text = "[1][! INDEX-OVERFLOW !|Prim:                |Line =       Col =    ][CONT]";
  std::string name;
  if (const model::GateTypeRecord* t = model::subType(gate_))
    name.assign(t->Name, strnlen(t->Name, sizeof t->Name));
  if (name.size() > 15) name.resize(15);
  name.resize(15, ' ');
  text.replace(29, 15, name);
  putNumber(text, 53, 4, std::int16_t(lc & 0xFFFF));
  putNumber(text, 64, 2, std::int16_t(lc >> 16));
  if (under) {
    text.insert(12, 1, ' ');
    text.pop_back();
    text.replace(12, 5, "UNDER");
  }
  engineServices().notice(text, "Hinweis");
  fail("index check failed");
}

} // namespace engine
