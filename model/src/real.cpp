#include "model/real.h"

#include <cmath>

namespace model {

double rl_CardToReal(std::uint32_t n) {
  return double(n / 65535u) * 65535.0 + double(n % 65535u);
}

double rl_IntToReal(std::int32_t i) {
  if (i >= 0) return rl_CardToReal(std::uint32_t(i));
  // The magnitude of the smallest value has no positive 32-bit form; the
  // unsigned negation gives it exactly.
  return -rl_CardToReal(0u - std::uint32_t(i));
}

double rl_IntToRealOwn(std::int16_t i) { return double(i); }

std::int16_t rl_RealToInt(double x) {
  if (std::isnan(x) || x < -1e38 || x > 1e38) return 0;
  // The truncated magnitude reduced modulo 65536. Computed exactly (the
  // stepwise base-65535 reduction loses digits to rounding for magnitudes
  // just above 65535).
  const double a = std::trunc(std::fabs(x));
  std::uint16_t r = std::uint16_t(std::fmod(a, 65536.0));
  if (x < 0 && r >= 1) r = std::uint16_t(0u - r);
  return std::int16_t(r);
}

std::int16_t rl_Trunc(double x) { return rl_RealToInt(x); }

std::int16_t rl_Round(double x) {
  if (std::isnan(x)) return 0;
  const double t = std::trunc(x);
  const double rest = x - t;
  if (rest > 0.5) return rl_RealToInt(t + 1.0);
  if (rest < -0.5) return rl_RealToInt(t - 1.0);
  return rl_RealToInt(t);
}

double rl_Sin(double x) { return std::sin(x); }
double rl_Cos(double x) { return std::cos(x); }
double rl_Tan(double x) { return std::tan(x); }
double rl_ArcSin(double x) { return std::asin(x); }
double rl_ArcCos(double x) { return std::acos(x); }
double rl_ArcTan(double x) { return std::atan(x); }
double rl_Ln(double x) { return std::log(x); }
double rl_Log10(double x) { return std::log10(x); }
double rl_Exp(double x) { return x < 0 ? 1.0 / std::exp(-x) : std::exp(x); }
double rl_Power(double x, double y) { return std::pow(x, y); }
double rl_Root(double x, double y) { return std::pow(x, 1.0 / y); }
double rl_Sqrt(double x) { return std::sqrt(x); }

double rl_IntPower(double x, std::int16_t n) {
  if (n == 0) return 1.0;
  if (x == 0.0) return 0.0;
  const bool negative = x < 0;
  double a = std::fabs(x);
  int m = n;
  if (m < 0) {
    a = 1.0 / a;
    m = -m;
  }
  double result = (m & 1) ? a : 1.0;
  double p = a;
  for (int k = m / 2; k > 0; k /= 2) {
    p = p * p;
    if (k & 1) result *= p;
  }
  return negative && (m & 1) ? -result : result;
}

double rl_Sinh(double x) { const double e = rl_Exp(x); return e / 2.0 - 0.5 / e; }
double rl_Cosh(double x) { const double e = rl_Exp(x); return e / 2.0 + 0.5 / e; }
double rl_Tanh(double x) { const double e = rl_Exp(2.0 * x); return (e - 1.0) / (e + 1.0); }
double rl_ArSinh(double x) { return rl_Ln(x + rl_Sqrt(x * x + 1.0)); }
double rl_ArCosh(double x) { return rl_Ln(x + rl_Sqrt(x * x - 1.0)); }
double rl_ArTanh(double x) { return rl_Ln((1.0 + x) / (1.0 - x)) / 2.0; }

namespace {
RealConstants g_constants{};
bool g_mathInit = false;
bool g_realInit = false;
} // namespace

const RealConstants& rl_Constants() {
  rl_UnitInit();
  return g_constants;
}

void rl_MathUnitInit() {
  if (g_mathInit) return;
  g_mathInit = true;
}

void rl_UnitInit() {
  if (g_realInit) return;
  g_realInit = true;
  rl_MathUnitInit();
  for (int i = 0; i <= 10; ++i) g_constants.digits[i] = i;
  g_constants.c100 = 100;
  g_constants.c1000 = 1000;
  g_constants.c2000 = 2000;
  g_constants.c10000 = 10000;
  g_constants.c32767 = 32767;
  g_constants.c32768 = 32768;
  g_constants.c65535 = 65535;
  g_constants.c65536 = 65536;
  g_constants.half = 0.5;
  g_constants.tenth = 0.1;
  g_constants.max = 1e38;
  g_constants.min = -1e38;
}

} // namespace model
