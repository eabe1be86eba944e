// Timers, generators, integrator, first-order lag, PID and tone.
#include "handlers.h"

namespace plc::h {

namespace {
using L = std::int32_t;
using F = float;
using B = std::uint8_t;
constexpr std::int32_t kMaxRemaining = 999900;

std::int32_t msOf(F seconds) {
  std::int32_t r = toLong(static_cast<double>(seconds) * 1000.0);
  return r > 0 ? r : 1;   // a positive time runs at least one millisecond
}

// Runs a started delay: true when it expired in this run.
bool runDown(Exec& e, int remIdx, int lastIdx) {
  std::int32_t rem = e.in<L>(remIdx);
  std::int32_t el = elapsedSince(e, e.in<L>(lastIdx));
  if (el < rem) {
    e.out<L>(remIdx, clampLong(static_cast<std::int64_t>(rem) - el));
    e.out<L>(lastIdx, now(e));
    return false;
  }
  e.out<L>(remIdx, 0);
  return true;
}
} // namespace

// EV: in, time T (s), out, remaining, last.
void EV(Exec& e) {
  if (!e.bit(0)) { e.out<B>(2, 0); e.out<L>(3, 0); return; }
  if (e.bit(2)) return;
  if (e.in<L>(3) != 0) {
    if (runDown(e, 3, 4)) e.out<B>(2, 255);
    return;
  }
  F t = e.in<F>(1);
  if (t > 0.0f) {
    e.out<L>(3, msOf(t));
    e.out<L>(4, now(e));
  } else {
    e.out<B>(2, 255);
  }
}

// AV: in, time T (s), out, remaining, last.
void AV(Exec& e) {
  if (e.bit(0)) { e.out<B>(2, 255); e.out<L>(3, 0); return; }
  if (!e.bit(2)) return;
  if (e.in<L>(3) != 0) {
    if (runDown(e, 3, 4)) e.out<B>(2, 0);
    return;
  }
  F t = e.in<F>(1);
  if (t > 0.0f) {
    e.out<L>(3, msOf(t));
    e.out<L>(4, now(e));
  } else {
    e.out<B>(2, 0);
  }
}

// EVF: time T (ms, long), in, out, remaining, last.
void EVF(Exec& e) {
  if (!e.bit(1)) { e.out<B>(2, 0); e.out<L>(3, 0); return; }
  if (e.bit(2)) return;
  if (e.in<L>(3) != 0) {
    if (runDown(e, 3, 4)) e.out<B>(2, 255);
    return;
  }
  std::int64_t t = e.in<L>(0);
  std::int64_t rem;
  if (t < 0) {
    e.k.randomState = e.k.randomState * 1103515245u + 12345u;
    std::int64_t r = (e.k.randomState >> 16) & 0x7FFF;
    rem = r * t / -32000;
    if (rem == 0) rem = 10;
    if (rem > kMaxRemaining) rem = kMaxRemaining;
  } else {
    rem = t < kMaxRemaining ? t : kMaxRemaining;
  }
  e.out<L>(3, static_cast<L>(rem));
  if (t == 0) e.out<B>(2, 255);
  else e.out<L>(4, now(e));
}

// TG: period (s), out, remaining, last.
void TG(Exec& e) {
  std::int32_t el = elapsedSince(e, e.in<L>(3));
  e.out<L>(3, now(e));
  std::int32_t rem = e.in<L>(2);
  if (el < rem) {
    e.out<L>(2, clampLong(static_cast<std::int64_t>(rem) - el));
    e.out<B>(1, 0);
  } else {
    std::int64_t next = static_cast<std::int64_t>(rem) + toLong(static_cast<double>(e.in<F>(0)) * 1000.0);
    if (next > kMaxRemaining) next = kMaxRemaining;
    if (next < -kMaxRemaining) next = -kMaxRemaining;
    e.out<L>(2, static_cast<L>(next));
    e.out<B>(1, 255);
  }
}

// SZG: f, d, out, last.
void SZG(Exec& e) {
  constexpr double kPi = 3.1415925;
  F f = e.in<F>(0), d = e.in<F>(1);
  F y = e.in<F>(2);
  std::int32_t el = elapsedSince(e, e.in<L>(3));
  if (d != 0.0f) y = toFloat(y + el * static_cast<double>(f) * kPi / d * 0.001);
  e.out<L>(3, now(e));
  if (y > toFloat(f * kPi)) y = 0.0f;
  e.out<F>(2, y);
}

// IG: x, set byte, set value, previous x, T, stored T, k, y.
void IG(Exec& e) {
  F x = e.in<F>(0), t = e.in<F>(4);
  if (t != e.in<F>(5)) {
    e.out<F>(6, t != 0.0f ? e.k.taskTimeBase / (2.0f * t) : 0.0f);
    e.out<F>(5, t);
  }
  F y = e.in<F>(7) + e.in<F>(6) * (x + e.in<F>(3));
  e.out<F>(3, x);
  if (e.bit(1)) y = e.in<F>(2);
  e.out<F>(7, y);
}

// PT1: x, y, T, stored T, k.
void PT1(Exec& e) {
  F x = e.in<F>(0), t = e.in<F>(2);
  if (t > 0.0f) {
    if (t != e.in<F>(3)) {
      F dt = e.k.taskTimeBase;
      e.out<F>(4, dt + t != 0.0f ? dt / (dt + t) : 0.0f);
      e.out<F>(3, t);
    }
    F y = e.in<F>(1);
    e.out<F>(1, y + (x - y) * e.in<F>(4));
  } else {
    e.out<F>(1, x);
  }
}

// PID: x, e, s, m0..m3, lower reached, upper reached, L, U, y, Kp, Tn, stored Tn,
// Tv, stored Tv, T1, I factor, c1, c2, previous x, previous e, D state, output.
void PID(Exec& e) {
  enum { X, E, S, M0, M1, M2, M3, LOW, UP, LL, UL, Y, KP, TN, STN, TV, STV, T1, IF, C1, C2, PX, PE, DS, OUT };
  const F dt = e.k.taskTimeBase;
  F x = e.in<F>(X), err = e.in<F>(E), s = e.in<F>(S), kp = e.in<F>(KP);
  F tn = e.in<F>(TN), tv = e.in<F>(TV);
  F prevE = e.in<F>(PE);
  F i = 0.0f;
  if (tn != 0.0f) {
    if (tn != e.in<F>(STN)) {
      e.out<F>(IF, dt / (2.0f * tn));
      e.out<F>(STN, tn);
    }
    i = (err + prevE) * e.in<F>(IF);
  }
  F sign = kp >= 0.0f ? 1.0f : -1.0f;
  if (e.in<B>(UP) && i * sign > 0.0f) i = 0.0f;
  if (e.in<B>(LOW) && i * sign < 0.0f) i = 0.0f;
  F d = 0.0f;
  if (tv != 0.0f) {
    if (tv != e.in<F>(STV)) {
      F t1 = 0.1f * tv;
      F ex = std::exp(-dt / t1);
      e.out<F>(T1, t1);
      e.out<F>(C1, 10.0f * ex);
      e.out<F>(C2, ex - 1.0f);
      e.out<F>(STV, tv);
    }
    d = e.in<F>(C1) * (x - e.in<F>(PX)) + e.in<F>(C2) * e.in<F>(DS);
    e.out<F>(DS, e.in<F>(DS) + d);
  }
  e.out<F>(PX, x);
  e.out<F>(PE, err);
  F y = e.in<F>(Y);
  bool manual = e.in<B>(M0) != 0;
  if (!manual) {
    y += (d + i + (err - prevE)) * kp;
  } else if (e.in<B>(M3)) {
    y = s;
  } else {
    if (e.in<B>(M1)) y += s;
    if (e.in<B>(M2)) y -= s;
  }
  F lo = e.in<F>(LL), hi = e.in<F>(UL);
  if (y >= hi) {
    e.out<F>(OUT, hi);
    e.out<B>(UP, 1);
    e.out<B>(LOW, 0);
    if (manual) y = hi;
  } else if (lo >= y) {
    e.out<F>(OUT, lo);
    e.out<B>(LOW, 1);
    e.out<B>(UP, 0);
    if (manual) y = lo;
  } else {
    e.out<F>(OUT, y);
    e.out<B>(LOW, 0);
    e.out<B>(UP, 0);
  }
  e.out<F>(Y, y);
}

// TON: const note, const octave, duration (ms, long), enable, done, remaining, last.
// The tone itself goes to the kernel's tone request (frequency, milliseconds).
namespace {
constexpr std::uint16_t kDivisors[7][12] = {
    {36489, 34435, 32502, 30680, 28960, 27335, 25798, 24350, 22985, 21694, 20476, 19325},
    {18244, 17218, 16256, 15337, 14480, 13668, 12899, 12175, 11495, 10847, 10242, 9661},
    {9122, 8609, 8128, 7668, 7240, 6834, 6450, 6088, 5645, 5424, 5119, 4831},
    {4561, 4304, 4063, 3835, 3620, 3417, 3225, 3044, 2873, 2712, 2559, 2416},
    {2280, 2152, 2031, 1917, 1810, 1708, 1612, 1522, 1437, 1356, 1292, 1208},
    {1140, 1076, 1015, 959, 898, 854, 806, 761, 718, 678, 640, 604},
    {570, 538, 508, 479, 452, 427, 403, 380, 360, 339, 320, 302},
};
} // namespace
void TON(Exec& e) {
  std::int32_t note = e.cst(0), octave = e.cst(1);
  if (!e.bit(3)) { e.out<B>(4, 0); e.out<L>(5, 0); return; }
  if (e.in<L>(5) != 0) {
    if (runDown(e, 5, 6)) e.out<B>(4, 255);
    return;
  }
  std::int32_t dur = e.in<L>(2);
  if (e.fault) return;
  if (dur < 1 || octave < 0 || octave > 7) { e.out<B>(4, 255); return; }
  std::int32_t hz = 1000;
  if (octave == 0) hz = note;
  else if (note >= 1 && note <= 11) hz = 1190000 / kDivisors[octave - 1][note];
  e.out<L>(5, dur < kMaxRemaining ? dur : kMaxRemaining);
  e.out<L>(6, now(e));
  e.k.toneHz = hz;
  e.k.toneMs = dur;
  ++e.k.toneCount;
}

} // namespace plc::h
