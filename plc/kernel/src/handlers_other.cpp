// Counters, variable handshakes, step sequencer, pulse distributor,
// initialisation block and characteristic curve.
#include "handlers.h"

namespace plc::h {

namespace {
using W = std::int16_t;
using L = std::int32_t;
using F = float;
using B = std::uint8_t;
} // namespace

// VRZ: (not read), up, down, reset, zero output, count, stored down, stored up.
void VRZ(Exec& e) {
  B up = e.in<B>(1), down = e.in<B>(2);
  W count = e.in<W>(5);
  if (e.bit(3)) {
    count = 0;
  } else {
    if (up && up != e.in<B>(7)) count = static_cast<W>(count + 1);
    if (down && down != e.in<B>(6)) count = static_cast<W>(count - 1);
  }
  e.out<W>(5, count);
  if (!e.bit(3)) e.setBit(4, count == 0);
  e.out<B>(6, down);
  e.out<B>(7, up);
}

// VRZF: const mode, const limit, enable, input, stored input, count, limit cell, out.
void VRZF(Exec& e) {
  if (!e.bit(2)) return;
  std::int32_t md = e.cst(0);
  B in = e.in<B>(3);
  W count = e.in<W>(5);
  if (in != e.in<B>(4)) count = static_cast<W>(md <= 10 ? count + 1 : count - 1);
  e.out<W>(5, count);
  bool r;
  if (md <= 10) {
    std::int32_t limit = (md == 0 || md == 1) ? e.cst(1) : e.in<W>(6);
    r = count >= limit;
  } else {
    std::int32_t limit = md == 11 ? e.cst(1) : e.in<W>(6);
    r = !(count > limit);
  }
  e.setBit(7, r);
  e.out<B>(4, in);
}

// SMOT: const mode, enable, output 1, output 2.
void SMOT(Exec& e) {
  if (!e.bit(1)) return;
  std::int32_t md = e.cst(0);
  e.setBit(2, md == 2);
  e.setBit(3, md == 1);
}

// SVAR: const type, const value, request word, enable, out, value cell, busy, done.
void SVAR(Exec& e) {
  if (!e.bit(3)) return;
  std::int32_t type = e.cst(0);
  switch (type) {
    case 1:
      e.out<W>(4, static_cast<W>(e.cst(1)));
      e.out<B>(7, 1);
      break;
    case 2:
    case 3:
      e.out<W>(4, e.in<W>(5));
      e.out<B>(7, 1);
      break;
    case 4:
    case 5:
      if (!e.in<B>(6)) {
        e.out<W>(2, static_cast<W>(type == 4 ? 1 : 2));
        e.out<B>(6, 1);
        e.out<B>(7, 0);
      } else if (e.in<W>(2) == 0) {
        e.out<W>(4, e.in<W>(5));
        e.out<B>(6, 0);
        e.out<B>(7, 1);
      }
      break;
    default:
      e.out<W>(4, 0);
      break;
  }
}

// IVAR: const mode, enable, word.
void IVAR(Exec& e) {
  if (!e.bit(1)) return;
  W w = e.in<W>(2);
  e.out<W>(2, static_cast<W>(e.cst(0) == 1 ? w - 1 : w + 1));
}

// CMW: const code, const value, word A, word B, out true, out false, request word, busy.
void CMW(Exec& e) {
  std::int32_t code = e.cst(0);
  auto result = [&](bool r) {
    e.setBit(4, r);
    e.setBit(5, !r);
  };
  auto cmp = [](std::int32_t kind, std::int32_t a, std::int32_t b) {
    return kind == 1 ? a == b : kind == 2 ? a > b : a < b;
  };
  std::int32_t group = code / 10, kind = code % 10;
  if (kind < 1 || kind > 3) group = 0;
  switch (group) {
    case 1: result(cmp(kind, e.in<W>(2), e.cst(1))); break;
    case 2:
    case 3: result(cmp(kind, e.in<W>(2), e.in<W>(3))); break;
    case 4:
    case 5:
      if (!e.in<B>(7)) {
        e.out<W>(6, static_cast<W>(group == 4 ? 1 : 2));
        e.out<B>(7, 1);
        e.setBit(4, false);
        e.setBit(5, false);
      } else if (e.in<W>(6) == 0) {
        result(cmp(kind, e.in<W>(2), e.in<W>(3)));
        e.out<B>(7, 0);
      } else {
        e.setBit(4, false);
        e.setBit(5, false);
      }
      break;
    default:
      e.setBit(4, false);
      e.setBit(5, false);
      break;
  }
}

// ABS, in the order of a parallel sequence's module head: const transition
// count t, const step count n, step bytes (n), fired list (t bytes, written
// when its address is not 0), error word, plus counts (n words), minus counts
// (n words), and from operand 7 on the transition list held in the record
// itself. The list: cell 0 (operand 7) holds the always-true condition; then
// per transition either {negative count, condition} (reset) or {p, p step
// numbers, q, q step numbers, condition}; all cells 32 bits. A list that ends
// with the record before t transitions ends there (the rest never fire).
void ABS(Exec& e) {
  constexpr std::int32_t kMaxSteps = 4096, kMaxTransitions = 4096;
  std::int32_t t = e.cst(0), n = e.cst(1);
  Addr steps = e.op(2), fired = e.op(3), errW = e.op(4), plus = e.op(5), minus = e.op(6);
  Addr list = e.rec + 8 + 7 * 4;
  const Addr end = e.next > list ? e.next : list + 4;
  if (e.fault || n < 0 || n > kMaxSteps || t < 0 || t > kMaxTransitions) return;
  if (n == 0) return;
  std::uint8_t* st = e.bytes(steps, static_cast<std::size_t>(n));
  if (!st) return;
  for (std::int32_t i = 0; i < n; ++i)
    if (st[i]) st[i] = 1;
  Addr always = e.rd<std::uint32_t>(list);
  auto cond = [&](Addr c) { return c == always || e.rd<B>(c) != 0; };
  for (std::int32_t i = 0; i < n; ++i) {
    e.wr<W>(plus + 2 * i, 0);
    e.wr<W>(minus + 2 * i, 0);
  }
  Addr cur = list + 4;
  // Cells past the record are not part of the list.
  auto cell = [&](std::int32_t& v) {
    if (cur + 4 > end) return false;
    v = e.rd<std::int32_t>(cur);
    cur += 4;
    return !e.fault;
  };
  // Kept per thread so that the timer thread allocates nothing once warm.
  static thread_local std::vector<std::int32_t> stepsIn, stepsOut;
  for (std::int32_t k = 0; k < t && !e.fault; ++k) {
    std::int32_t p = 0, v = 0;
    if (!cell(p)) break;
    if (p < 0) {
      if (!cell(v)) break;
      if (cond(static_cast<Addr>(v))) {
        st = e.bytes(steps, static_cast<std::size_t>(n));
        if (st) std::memset(st, 0, static_cast<std::size_t>(n));
        return;
      }
      if (fired) e.wr<B>(fired + k, 0);
      continue;
    }
    if (p > n) { e.fault = true; return; }
    stepsIn.clear();
    bool whole = true;
    for (std::int32_t j = 0; j < p && whole; ++j) whole = cell(v) && (stepsIn.push_back(v), true);
    std::int32_t q = 0;
    whole = whole && cell(q);
    if (whole && (q < 0 || q > n)) { e.fault = true; return; }
    stepsOut.clear();
    for (std::int32_t j = 0; j < q && whole; ++j) whole = cell(v) && (stepsOut.push_back(v), true);
    std::int32_t c = 0;
    whole = whole && cell(c);
    if (!whole) break;
    st = e.bytes(steps, static_cast<std::size_t>(n));
    bool ok = st != nullptr;
    for (std::int32_t s : stepsIn) ok = ok && s >= 1 && s <= n && st[s - 1] != 0;
    for (std::int32_t s : stepsOut) ok = ok && s >= 1 && s <= n && st[s - 1] == 0;
    ok = ok && cond(static_cast<Addr>(c));
    if (ok) {
      for (std::int32_t s : stepsIn) e.wr<W>(minus + 2 * (s - 1), static_cast<W>(e.rd<W>(minus + 2 * (s - 1)) + 1));
      for (std::int32_t s : stepsOut) e.wr<W>(plus + 2 * (s - 1), static_cast<W>(e.rd<W>(plus + 2 * (s - 1)) + 1));
    }
    if (fired) e.wr<B>(fired + k, ok ? 255 : 0);
  }
  if (e.fault) return;
  st = e.bytes(steps, static_cast<std::size_t>(n));
  if (!st) return;
  for (std::int32_t i = 0; i < n && !e.fault; ++i) {
    std::int32_t v = st[i] + e.rd<W>(plus + 2 * i) - e.rd<W>(minus + 2 * i);
    if (v < 0) v = 0;
    if (v > 10) {
      v = 0;
      e.wr<W>(errW, static_cast<W>(i + 1));
    }
    st = e.bytes(steps, static_cast<std::size_t>(n));
    if (st) st[i] = static_cast<std::uint8_t>(v);
  }
}

// APR8: eight outputs, pending flag, stored input, input.
void APR8(Exec& e) {
  B in = e.in<B>(10);
  if (e.in<B>(9) == 0 && in) {
    e.out<B>(8, 255);
    e.out<B>(9, 255);
    return;
  }
  if (e.in<B>(8) == 255) {
    for (int i = 0; i < 8 && !e.fault; ++i)
      if (e.op(i) != 0) e.out<B>(i, 255);
  }
  e.out<B>(8, 0);
  e.out<B>(9, in);
}

// Inif: first flag, init-done, condition 1, condition 2, result, blocks of 64,
// 7992 and 200 bytes.
void Inif(Exec& e) {
  if (e.in<B>(0) == 0) {
    e.out<B>(0, 1);
    e.out<B>(1, 1);
  }
  if (!e.bit(2) && !e.bit(3)) {
    e.k.clearedFlag = 0;
    e.out<B>(4, 1);
    return;
  }
  if (e.k.clearedFlag == 0) {
    static constexpr std::size_t sizes[3] = {64, 7992, 200};
    for (int i = 0; i < 3; ++i) {
      std::uint8_t* p = e.bytes(e.op(5 + i), sizes[i]);
      if (!p) return;
      std::memset(p, 0, sizes[i]);
    }
    e.k.clearedFlag = 1;
  }
  e.out<B>(4, 0);
}

// PLG: const n, input, n x constants, n y constants (floats), output.
void PLG(Exec& e) {
  constexpr std::int32_t kMaxPoints = 1000;
  std::int32_t n = e.cst(0);
  if (n <= 0 || n > kMaxPoints) return;
  F in = e.in<F>(1);
  auto x = [&](std::int32_t i) { return e.cstF(2 + i); };
  auto y = [&](std::int32_t i) { return e.cstF(2 + n + i); };
  F r;
  if (n == 1) {
    r = y(0);
  } else {
    std::int32_t seg = n - 2;   // beyond the table: the last segment goes on
    for (std::int32_t i = 0; i + 1 < n; ++i)
      if (x(i + 1) > in) { seg = i; break; }
    F x0 = x(seg), x1 = x(seg + 1), y0 = y(seg), y1 = y(seg + 1);
    r = x1 != x0 ? y0 + (in - x0) * (y1 - y0) / (x1 - x0) : y0;
  }
  if (!e.fault) e.out<F>(2 + 2 * n, r);
}

} // namespace plc::h
