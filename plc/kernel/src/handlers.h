#pragma once
// The block handlers of the opcode table. Each takes the executing record and
// reads and writes its operands through checked accesses (see OPERANDS.md for
// the operand order of every block).
#include "kernel.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace plc {

inline constexpr std::size_t kTextCell = 18;   // text cells hold 17 characters and a zero
inline constexpr float kFloatBig = 3.4e38f;

// Reads a text cell (at most 18 bytes, always terminated in out[18]).
inline void readText(Exec& e, Addr a, char (&out)[kTextCell + 1]) {
  std::memset(out, 0, sizeof out);
  for (std::size_t i = 0; i < kTextCell; ++i) {
    const std::uint8_t* p = e.m.ptr(a + static_cast<Addr>(i), 1);
    if (!p) { if (i == 0) e.fault = true; return; }
    out[i] = static_cast<char>(*p);
    if (!*p) return;
  }
}
// Writes text with its zero, cut to one cell.
inline void writeText(Exec& e, Addr a, const char* s) {
  std::size_t n = std::strlen(s);
  if (n > kTextCell - 1) n = kTextCell - 1;
  std::uint8_t* p = e.bytes(a, n + 1);
  if (!p) return;
  std::memcpy(p, s, n);
  p[n] = 0;
}

// Float to integer without undefined behaviour: NaN gives 0, values beyond the
// range are held at its ends.
inline std::int32_t toLong(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}
inline std::int32_t roundLong(double v) { return toLong(std::isnan(v) ? 0.0 : std::nearbyint(v)); }
inline std::int16_t roundWord(double v) {
  std::int32_t l = roundLong(v);
  if (l > 32767) l = 32767;
  if (l < -32768) l = -32768;
  return static_cast<std::int16_t>(l);
}
// Double to float without undefined behaviour: beyond the float range gives
// an infinity of the same sign.
inline float toFloat(double v) {
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}
// A 64-bit time difference held in the 32-bit range.
inline std::int32_t clampLong(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}
inline std::int32_t now(Exec& e) { return static_cast<std::int32_t>(e.k.timeCounter); }
inline std::int32_t elapsedSince(Exec& e, std::int32_t last) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now(e)) - static_cast<std::uint32_t>(last));
}

// Integer arithmetic that wraps (done in unsigned, then narrowed).
template <class T> T wrapAdd(T a, T b) { return static_cast<T>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b)); }
template <class T> T wrapSub(T a, T b) { return static_cast<T>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b)); }
template <class T> T wrapMul(T a, T b) {
  return static_cast<T>(static_cast<std::uint32_t>(static_cast<std::int64_t>(a) * static_cast<std::int64_t>(b)));
}
// The four comparison bytes: equal, unequal, greater, lower.
template <class T> void compareInto(std::uint8_t* o, T a, T b) {
  std::memset(o, 0, 4);
  if (a == b) { o[0] = 255; return; }
  o[1] = 255;
  if (a > b) o[2] = 255;
  if (a < b) o[3] = 255;
}

#define PLC_HANDLERS(X) \
  X(JPZ) X(NOP) X(END) X(Init) X(Abs) X(ADDF) X(ADDL) X(ADDW) X(ADDT) X(AND) X(AV) X(BGF) X(BGL) \
  X(BGW) X(CMPW) X(CMPF) X(CMPL) X(CMPT) X(Cos) X(DIVF) X(DIVL) X(DIVW) X(EV) X(Exp) X(FD01)   \
  X(FD10) X(FFR) X(FFS) X(GMF) X(IG) X(Ln) X(Log) X(MULF) X(MULL) X(MULW) X(MUX4) X(MUXW)        \
  X(MUXT) X(PLG) X(Not) X(OR) X(PG) X(PID) X(PT1) X(Pow) X(SCHF) X(SCHL) X(SCHW) X(SCHB) X(SCHT) \
  X(Sgn) X(Sin) X(Sqrt) X(SUBF) X(SUBL) X(SUBW) X(SZG) X(TG) X(VRZ) X(Tan) X(ABB) X(ABW) X(ABY)  \
  X(AFF) X(AFL) X(AFW) X(AFY) X(ALF) X(ALL) X(AWW) X(AWB) X(AWF) X(AWL) X(AWY) X(AYB) X(AYF)     \
  X(AYW) X(AYY) X(AW8V) X(AW16) X(AL8V) X(AF8V) X(AT8V) X(AT16) X(AB8V) X(AB16) X(AW2L) X(ALW2)  \
  X(ABS) X(APR8) X(VRZF) X(SMOT) X(SVAR) X(IVAR) X(CMW) X(CMWV) X(EVF) X(T2D) X(Inif) X(TON)

namespace h {
#define PLC_DECLARE(name) void name(Exec& e);
PLC_HANDLERS(PLC_DECLARE)
#undef PLC_DECLARE
} // namespace h

} // namespace plc
