// Program flow, arithmetic, functions, comparisons and selection.
#include "handlers.h"

namespace plc::h {

namespace {
using W = std::int16_t;
using L = std::int32_t;
using F = float;

template <class T> void unary(Exec& e, F (*f)(F)) { e.out<F>(1, f(e.in<F>(0))); }
} // namespace

// --- program flow ---------------------------------------------------------------
void JPZ(Exec& e) {
  Addr target = e.op(0);
  if (e.in<std::uint8_t>(1) == 0) e.next = target;
}
void NOP(Exec&) {}
void END(Exec& e) { e.k.stopByte = 255; }
void Init(Exec& e) {
  if (e.in<std::uint8_t>(0) == 0) {
    e.out<std::uint8_t>(0, 255);
    e.out<std::uint8_t>(1, 255);
  }
}

// --- arithmetic ------------------------------------------------------------------
void ADDF(Exec& e) { e.out<F>(2, e.in<F>(0) + e.in<F>(1)); }
void ADDL(Exec& e) { e.out<L>(2, wrapAdd(e.in<L>(0), e.in<L>(1))); }
void ADDW(Exec& e) { e.out<W>(2, wrapAdd(e.in<W>(0), e.in<W>(1))); }
void SUBF(Exec& e) { e.out<F>(2, e.in<F>(0) - e.in<F>(1)); }
void SUBL(Exec& e) { e.out<L>(2, wrapSub(e.in<L>(0), e.in<L>(1))); }
void SUBW(Exec& e) { e.out<W>(2, wrapSub(e.in<W>(0), e.in<W>(1))); }
void MULF(Exec& e) { e.out<F>(2, e.in<F>(0) * e.in<F>(1)); }
void MULL(Exec& e) { e.out<L>(2, wrapMul(e.in<L>(0), e.in<L>(1))); }
void MULW(Exec& e) { e.out<W>(2, wrapMul(e.in<W>(0), e.in<W>(1))); }
void PG(Exec& e) { e.out<F>(2, e.in<F>(0) * e.in<F>(1)); }

void DIVF(Exec& e) {
  F a = e.in<F>(0), b = e.in<F>(1);
  e.out<F>(2, b != 0.0f ? a / b : (a >= 0.0f ? kFloatBig : -kFloatBig));
}
void DIVL(Exec& e) {
  L a = e.in<L>(0), b = e.in<L>(1);
  L r;
  if (b == 0) r = a >= 0 ? 2147483647 : -2147483647;
  else if (a == std::numeric_limits<L>::min() && b == -1) r = 2147483647;   // no representable quotient: held
  else r = a / b;
  e.out<L>(2, r);
}
void DIVW(Exec& e) {
  W a = e.in<W>(0), b = e.in<W>(1);
  L r;
  if (b == 0) r = a >= 0 ? 32767 : -32767;
  else r = static_cast<L>(a) / b;
  if (r > 32767) r = 32767;   // -32768 / -1
  e.out<W>(2, static_cast<W>(r));
}

// --- functions of one value --------------------------------------------------------
void Abs(Exec& e) { e.out<F>(1, std::fabs(e.in<F>(0))); }
void Cos(Exec& e) { e.out<F>(1, std::cos(e.in<F>(0))); }
void Sin(Exec& e) { e.out<F>(1, std::sin(e.in<F>(0))); }
void Tan(Exec& e) { e.out<F>(1, std::tan(e.in<F>(0))); }
void Exp(Exec& e) { e.out<F>(1, std::exp(e.in<F>(0))); }
void Ln(Exec& e) {
  F a = e.in<F>(0);
  e.out<F>(1, a != 0.0f ? std::log(std::fabs(a)) : -kFloatBig);
}
void Log(Exec& e) {
  F a = e.in<F>(0);
  e.out<F>(1, a != 0.0f ? std::log10(std::fabs(a)) : -kFloatBig);
}
void Sqrt(Exec& e) {
  F a = e.in<F>(0);
  F r = std::sqrt(std::fabs(a));
  e.out<F>(1, a < 0.0f ? -r : r);
}
void Sgn(Exec& e) {
  F a = e.in<F>(0), b = e.in<F>(1);
  e.out<F>(2, b >= 0.0f ? a : -a);
}
void Pow(Exec& e) { e.out<F>(2, std::pow(e.in<F>(0), e.in<F>(1))); }

void ADDT(Exec& e) {
  char a[kTextCell + 1], b[kTextCell + 1], r[2 * kTextCell + 2];
  readText(e, e.op(0), a);
  readText(e, e.op(1), b);
  std::snprintf(r, sizeof r, "%s%s", a, b);
  writeText(e, e.op(2), r);
}

// --- comparisons ----------------------------------------------------------------------
namespace {
template <class T> void compare(Exec& e, T a, T b) {
  std::uint8_t* o = e.bytes(e.op(2), 4);
  if (o) compareInto(o, a, b);
}
} // namespace
void CMPW(Exec& e) { compare(e, e.in<W>(0), e.in<W>(1)); }
void CMPL(Exec& e) { compare(e, e.in<L>(0), e.in<L>(1)); }
void CMPF(Exec& e) { compare(e, e.in<F>(0), e.in<F>(1)); }
void CMPT(Exec& e) {
  char a[kTextCell + 1], b[kTextCell + 1];
  readText(e, e.op(0), a);
  readText(e, e.op(1), b);
  int c = std::strcmp(a, b);   // bytewise (unsigned char order)
  compare(e, c, 0);
}
void GMF(Exec& e) {
  F a = e.in<F>(0), b = e.in<F>(1);
  e.setBit(2, !(b >= a));
}

// --- limits and selection ----------------------------------------------------------------
namespace {
template <class T> void bounds(Exec& e) {
  T in = e.in<T>(0), lo = e.in<T>(2), hi = e.in<T>(3);
  if (in <= lo) {
    e.out<T>(1, lo);
    e.setBit(4, true);
    e.setBit(5, false);
  } else if (in >= hi) {
    e.out<T>(1, hi);
    e.setBit(4, false);
    e.setBit(5, true);
  } else {
    e.out<T>(1, in);
    e.setBit(4, false);
    e.setBit(5, false);
  }
}
// Index of a multiplexer: n = 0 or below selects nothing.
bool muxIndex(Exec& e, std::int32_t& n, std::int32_t& idx, bool textKind) {
  n = e.cst(0);
  if (n <= 0) return false;
  // A table longer than any memory ends the cycle like any bad access.
  if (n > (1 << 20)) { e.fault = true; return false; }
  idx = e.in<W>(1 + n);
  if (textKind ? idx <= 0 : idx < 0) idx = 0;
  if (idx > n - 1) idx = n - 1;
  return !e.fault;
}
} // namespace
void BGF(Exec& e) { bounds<F>(e); }
void BGL(Exec& e) { bounds<L>(e); }
void BGW(Exec& e) { bounds<W>(e); }

void MUX4(Exec& e) {
  std::int32_t n, idx;
  if (!muxIndex(e, n, idx, false)) return;
  e.out<std::uint32_t>(2 + n, e.in<std::uint32_t>(1 + idx));
}
void MUXW(Exec& e) {
  std::int32_t n, idx;
  if (!muxIndex(e, n, idx, false)) return;
  e.out<W>(2 + n, e.in<W>(1 + idx));
}
void MUXT(Exec& e) {
  std::int32_t n, idx;
  if (!muxIndex(e, n, idx, true)) return;
  char t[kTextCell + 1];
  readText(e, e.op(1 + idx), t);
  if (!e.fault) writeText(e, e.op(2 + n), t);
}

void SCHF(Exec& e) { e.out<F>(3, e.bit(2) ? e.in<F>(1) : e.in<F>(0)); }
void SCHL(Exec& e) { e.out<L>(3, e.bit(2) ? e.in<L>(1) : e.in<L>(0)); }
void SCHW(Exec& e) { e.out<W>(3, e.bit(2) ? e.in<W>(1) : e.in<W>(0)); }
void SCHB(Exec& e) {
  Addr src = e.bit(2) ? e.op(1) : e.op(0);
  const std::uint8_t* s = e.bytes(src, 8);
  std::uint8_t* d = e.bytes(e.op(3), 8);
  if (s && d) std::memmove(d, s, 8);
}
void SCHT(Exec& e) {
  char t[kTextCell + 1];
  readText(e, e.bit(2) ? e.op(1) : e.op(0), t);
  if (!e.fault) writeText(e, e.op(3), t);
}
void CMWV(Exec& e) {
  std::int32_t md = e.cst(0), v = e.cst(1);
  std::int32_t w = e.in<W>(2);
  bool r = md == 2 ? w > v : md == 3 ? w < v : w == v;
  e.setBit(3, r);
}
void T2D(Exec& e) {
  if (!e.bit(0)) return;
  char t[kTextCell + 1];
  readText(e, e.op(1), t);
  if (!e.fault) writeText(e, e.op(2), t);
}

} // namespace plc::h
