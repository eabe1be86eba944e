#include "model/real.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace model {
namespace {

TEST(Real, Round) {
  const std::pair<double, int> cases[] = {{2.5, 2}, {2.6, 3}, {-2.5, -2}, {-2.6, -3}, {0.4, 0}, {-0.6, -1}};
  for (auto [x, r] : cases) EXPECT_EQ(rl_Round(x), r) << x;
}

TEST(Real, Trunc) {
  const std::pair<double, int> cases[] = {
    {-7.9, -7}, {1e39, 0}, {-1e39, 0}, {32767.9, 32767}, {-32767.9, -32767}, {65536.0, 0}, {65537.5, 1},
    {0.0, 0}, {-0.5, 0},
  };
  for (auto [x, r] : cases) EXPECT_EQ(rl_Trunc(x), r) << x;
  EXPECT_EQ(rl_RealToInt(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(rl_RealToInt(std::numeric_limits<double>::infinity()), 0);
}

TEST(Real, IntPower) {
  EXPECT_DOUBLE_EQ(rl_IntPower(2, -3), 0.125);
  EXPECT_DOUBLE_EQ(rl_IntPower(-2, 3), -8);
  EXPECT_DOUBLE_EQ(rl_IntPower(0, 0), 1);
  EXPECT_DOUBLE_EQ(rl_IntPower(0, 5), 0);
  EXPECT_DOUBLE_EQ(rl_IntPower(-2, 4), 16);
  EXPECT_DOUBLE_EQ(rl_IntPower(10, 5), 100000);
  EXPECT_DOUBLE_EQ(rl_IntPower(3, 1), 3);
}

TEST(Real, Conversions) {
  EXPECT_EQ(rl_CardToReal(4294967295u), 4294967295.0);
  EXPECT_EQ(rl_CardToReal(65535u), 65535.0);
  EXPECT_EQ(rl_IntToReal(-5), -5.0);
  EXPECT_EQ(rl_IntToReal(std::numeric_limits<std::int32_t>::min()), -2147483648.0);
  EXPECT_EQ(rl_IntToRealOwn(-32768), -32768.0);
}

TEST(Real, Functions) {
  EXPECT_DOUBLE_EQ(rl_Exp(-1), 1.0 / rl_Exp(1));
  EXPECT_NEAR(rl_Root(27, 3), 3.0, 1e-12);
  EXPECT_NEAR(rl_Sinh(1.0), std::sinh(1.0), 1e-12);
  EXPECT_NEAR(rl_Cosh(1.0), std::cosh(1.0), 1e-12);
  EXPECT_NEAR(rl_Tanh(0.5), std::tanh(0.5), 1e-12);
  EXPECT_NEAR(rl_ArSinh(2.0), std::asinh(2.0), 1e-12);
  EXPECT_NEAR(rl_ArCosh(2.0), std::acosh(2.0), 1e-12);
  EXPECT_NEAR(rl_ArTanh(0.5), std::atanh(0.5), 1e-12);
  EXPECT_EQ(rl_Constants().c65535, 65535.0);
  EXPECT_EQ(rl_Constants().max, 1e38);
}

} // namespace
} // namespace model
