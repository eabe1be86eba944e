#pragma once
// REAL support: REAL is a 64-bit floating-point number, INT a signed 16-bit
// integer, CARDINAL an unsigned 32-bit integer. Plain value-in, value-out
// routines without state.
#include <cstdint>

namespace model {

double rl_CardToReal(std::uint32_t n);
double rl_IntToReal(std::int32_t i);
double rl_IntToRealOwn(std::int16_t i);
// Truncation toward zero to INT. Values beyond +-1e38 and NaN give 0; other
// magnitudes are reduced modulo 65536.
std::int16_t rl_RealToInt(double x);
std::int16_t rl_Trunc(double x);
// Nearest INT; a rest of exactly one half keeps the truncated value.
std::int16_t rl_Round(double x);

double rl_Sin(double x);
double rl_Cos(double x);
double rl_Tan(double x);
double rl_ArcSin(double x);
double rl_ArcCos(double x);
double rl_ArcTan(double x);
double rl_Ln(double x);
double rl_Log10(double x);
double rl_Exp(double x);       // negative x: 1 / exp(-x)
double rl_Power(double x, double y);
double rl_Root(double x, double y);  // x to the power 1 / y
double rl_Sqrt(double x);
double rl_IntPower(double x, std::int16_t n);
double rl_Sinh(double x);
double rl_Cosh(double x);
double rl_Tanh(double x);
double rl_ArSinh(double x);
double rl_ArCosh(double x);
double rl_ArTanh(double x);

// Named constants (set once by rl_UnitInit).
struct RealConstants {
  double digits[11];   // 0 to 10
  double c100, c1000, c2000, c10000, c32767, c32768, c65535, c65536;
  double half, tenth, max, min;   // max 1e38, min -1e38
};
const RealConstants& rl_Constants();
void rl_MathUnitInit();
void rl_UnitInit();

} // namespace model
