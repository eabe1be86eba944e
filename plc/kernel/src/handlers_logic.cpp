// Logic, edges, flip-flops, conversions and vectors.
#include "handlers.h"

namespace plc::h {

namespace {
using W = std::int16_t;
using L = std::int32_t;
using F = float;
using B = std::uint8_t;

void andOr(Exec& e, bool isAnd) {
  std::uint32_t w = static_cast<std::uint32_t>(e.cst(0));
  std::uint32_t inv = static_cast<std::uint32_t>(e.cst(1));
  int n = static_cast<int>(w & 0x7FFF);
  bool all = true, any = false;
  for (int i = 0; i < n && !e.fault; ++i) {
    bool v = e.in<B>(2 + i) != 0;
    if (!v && i < 32 && (inv >> i) & 1u) v = true;
    all = all && v;
    any = any || v;
  }
  if (e.fault) return;
  bool r = isAnd ? all : any;
  if (w & 0x8000) r = !r;
  e.setBit(2 + n, r);
}
} // namespace

void AND(Exec& e) { andOr(e, true); }
void OR(Exec& e) { andOr(e, false); }
void Not(Exec& e) { e.setBit(1, e.in<B>(0) == 0); }

void FD01(Exec& e) {
  B in = e.in<B>(0), prev = e.in<B>(2);
  e.setBit(1, in != 0 && in != prev);
  e.out<B>(2, in);
}
void FD10(Exec& e) {
  B in = e.in<B>(0), prev = e.in<B>(2);
  e.setBit(1, in == 0 && prev != 0);
  e.out<B>(2, in);
}
void FFR(Exec& e) {
  if (e.bit(1)) e.out<B>(2, 0);
  else if (e.bit(0)) e.out<B>(2, 255);
}
void FFS(Exec& e) {
  if (e.bit(0)) e.out<B>(2, 255);
  else if (e.bit(1)) e.out<B>(2, 0);
}

// --- copies and conversions ------------------------------------------------------------
void ABB(Exec& e) { e.out<B>(1, e.in<B>(0)); }
void AFF(Exec& e) { e.out<std::uint32_t>(1, e.in<std::uint32_t>(0)); }
void ALL(Exec& e) { e.out<L>(1, e.in<L>(0)); }
void AWW(Exec& e) { e.out<W>(1, e.in<W>(0)); }   // also ALW: the low 16 bits of a long
void AYY(Exec& e) {
  const std::uint8_t* s = e.bytes(e.op(0), 8);
  std::uint8_t* d = e.bytes(e.op(1), 8);
  if (s && d) std::memmove(d, s, 8);
}
void AFL(Exec& e) { e.out<L>(1, roundLong(e.in<F>(0))); }
void AFW(Exec& e) { e.out<W>(1, roundWord(e.in<F>(0))); }
void ALF(Exec& e) { e.out<F>(1, static_cast<F>(e.in<L>(0))); }
void AWF(Exec& e) { e.out<F>(1, static_cast<F>(e.in<W>(0))); }
void AWL(Exec& e) { e.out<L>(1, e.in<W>(0)); }

namespace {
void bitsToElement(Exec& e, std::int32_t v) {
  std::uint8_t* d = e.bytes(e.op(1), 8);
  if (!d) return;
  for (int i = 0; i < 8; ++i) d[i] = (v >> i) & 1 ? 255 : 0;
}
std::int32_t elementToBits(Exec& e) {
  const std::uint8_t* s = e.bytes(e.op(0), 8);
  std::int32_t v = 0;
  if (s)
    for (int i = 0; i < 8; ++i)
      if (s[i]) v |= 1 << i;
  return v;
}
} // namespace
void AFY(Exec& e) { bitsToElement(e, roundLong(e.in<F>(0))); }
void AWY(Exec& e) { bitsToElement(e, e.in<W>(0)); }
void AYF(Exec& e) { std::int32_t v = elementToBits(e); if (!e.fault) e.out<F>(1, static_cast<F>(v)); }
void AYW(Exec& e) { std::int32_t v = elementToBits(e); if (!e.fault) e.out<W>(1, static_cast<W>(v)); }

// Masked bit moves. ABW: mask, one input per set bit, result word.
void ABW(Exec& e) {
  std::uint32_t mask = static_cast<std::uint32_t>(e.cst(0)) & 0xFFFF;
  std::uint16_t r = 0;
  int k = 1;
  for (int c = 0; c < 16 && !e.fault; ++c) {
    if (!((mask >> c) & 1u)) continue;
    if (e.in<B>(k++)) r |= static_cast<std::uint16_t>(1u << c);
  }
  if (!e.fault) e.out<W>(k, static_cast<W>(r));
}
// AWB: mask, word, one output byte per set bit.
void AWB(Exec& e) {
  std::uint32_t mask = static_cast<std::uint32_t>(e.cst(0)) & 0xFFFF;
  std::uint16_t w = static_cast<std::uint16_t>(e.in<W>(1));
  int k = 2;
  for (int c = 0; c < 16 && !e.fault; ++c)
    if ((mask >> c) & 1u) e.setBit(k++, (w >> c) & 1u);
}
// AYB: mask, element, one output byte per set bit 0..7.
void AYB(Exec& e) {
  std::uint32_t mask = static_cast<std::uint32_t>(e.cst(0)) & 0xFF;
  const std::uint8_t* s = e.bytes(e.op(1), 8);
  if (!s) return;
  std::uint8_t el[8];
  std::memcpy(el, s, 8);
  int k = 2;
  for (int i = 0; i < 8 && !e.fault; ++i)
    if ((mask >> i) & 1u) e.out<B>(k++, el[i]);
}
// ABY: mask, one input byte per set bit 0..7, output element.
void ABY(Exec& e) {
  std::uint32_t mask = static_cast<std::uint32_t>(e.cst(0)) & 0xFF;
  int count = 0;
  for (int i = 0; i < 8; ++i) count += (mask >> i) & 1u;
  std::uint8_t* d = e.bytes(e.op(1 + count), 8);
  if (!d) return;
  int k = 1;
  for (int i = 0; i < 8 && !e.fault; ++i) {
    if (!((mask >> i) & 1u)) continue;
    B v = e.in<B>(k++);
    if (!e.fault) { d = e.bytes(e.op(1 + count), 8); if (d) d[i] = v; }
  }
}

// --- vectors: n inputs, then the vector -------------------------------------------------
namespace {
template <class T> void vec(Exec& e, int n) {
  Addr dst = e.op(n);
  for (int i = 0; i < n && !e.fault; ++i) {
    T v = e.in<T>(i);
    e.wr<T>(dst + static_cast<Addr>(i * sizeof(T)), v);
  }
}
void textVec(Exec& e, int n) {
  Addr dst = e.op(n);
  for (int i = 0; i < n && !e.fault; ++i) {
    char t[kTextCell + 1];
    readText(e, e.op(i), t);
    std::uint8_t* d = e.bytes(dst + static_cast<Addr>(i * kTextCell), kTextCell);
    if (!d) return;
    std::memset(d, 0, kTextCell);
    std::memcpy(d, t, std::strlen(t));
  }
}
} // namespace
void AW8V(Exec& e) { vec<W>(e, 8); }
void AW16(Exec& e) { vec<W>(e, 16); }
void AL8V(Exec& e) { vec<L>(e, 8); }
void AF8V(Exec& e) { vec<std::uint32_t>(e, 8); }
void AB8V(Exec& e) { vec<B>(e, 8); }
void AB16(Exec& e) { vec<B>(e, 16); }
void AT8V(Exec& e) { textVec(e, 8); }
void AT16(Exec& e) { textVec(e, 16); }

// AW2L: low word, high word, long. ALW2: long, low word, high word.
void AW2L(Exec& e) {
  std::uint32_t lo = static_cast<std::uint16_t>(e.in<W>(0));
  std::int32_t hi = e.in<W>(1);
  e.out<L>(2, static_cast<L>(static_cast<std::uint32_t>(hi) * 65536u + lo));
}
void ALW2(Exec& e) {
  L v = e.in<L>(0);
  e.out<W>(1, static_cast<W>(v & 0xFFFF));
  e.out<W>(2, static_cast<W>(v >> 16));
}

} // namespace plc::h
