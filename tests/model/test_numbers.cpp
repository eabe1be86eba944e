#include "model/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

namespace model {
namespace {

std::string field(const char* b, int n) { return std::string(b, std::size_t(n)); }

struct DecimalCase { unsigned value; int width; const char* text; };
TEST(NumberFields, Decimal) {
  const DecimalCase cases[] = {
    {64001, 5, "*****"}, {64000, 5, "64000"}, {0, 3, "0  "}, {42, 6, "42    "}, {999, 3, "999"},
    {1000, 3, "***"}, {65535, 7, "*******"}, {7, 1, "7"}, {10, 1, "*"},
  };
  for (const auto& c : cases) {
    char b[16];
    std::memset(b, 'x', sizeof b);
    nc_FormatDecimal(std::uint16_t(c.value), b, sizeof b, c.width);
    EXPECT_EQ(field(b, c.width), c.text) << c.value << " in " << c.width;
    EXPECT_EQ(b[c.width], '\0');
  }
}

struct IntCase { int value; int width; const char* text; };
TEST(NumberFields, IntField) {
  const IntCase cases[] = {
    {-5, 3, "-5 "}, {-100, 3, "***"}, {-99, 3, "-99"}, {32767, 5, "32767"}, {-32767, 6, "-32767"},
    {-32768, 8, "********"}, {0, 2, "0 "}, {-1, 1, "*"}, {12, 4, "12  "},
  };
  for (const auto& c : cases) {
    char b[16];
    std::memset(b, 'x', sizeof b);
    nc_FormatIntField(std::int16_t(c.value), b, sizeof b, c.width);
    EXPECT_EQ(field(b, c.width), c.text) << c.value << " in " << c.width;
    EXPECT_EQ(b[c.width], 'x') << "no zero byte in the second unit";
  }
}

struct HexCase { unsigned value; int width; const char* text; };
TEST(NumberFields, Hex) {
  const HexCase cases[] = {
    {15, 4, "0FH "}, {255, 4, "0FFH"}, {2560, 4, "****"}, {2559, 4, "9FFH"}, {0, 3, "0H "},
    {65535, 6, "0FFFFH"}, {5, 2, "**"}, {40959, 5, "9FFFH"}, {40960, 5, "*****"},
  };
  for (const auto& c : cases) {
    char b[16];
    std::memset(b, 'x', sizeof b);
    nc_FormatHex2(std::uint16_t(c.value), b, sizeof b, c.width);
    EXPECT_EQ(field(b, c.width), c.text) << c.value << " in " << c.width;
  }
}

struct RealCase { double value; int width; const char* text; };
TEST(NumberFields, Real) {
  const RealCase cases[] = {
    {0.5, 8, "0.5     "},
    {123456789.0, 10, "123456789."},
    {1e-5, 10, "1.0D-5    "},
    {2.5e12, 10, "2.5D12    "},
    {9.999, 4, "10.0"},
    {10.0, 6, "10.0  "},
    {-2.5, 6, "-2.5  "},
    {0.0, 5, "0.0  "},
    {1e-41, 5, "0.0  "},
    {123456.0, 4, "1.D5"},
    {123456.0, 3, "***"},
    {-9.999, 5, "-10.0"},
    {0.001, 8, "0.001   "},
    {1e40, 10, "1.0D40    "},
  };
  for (const auto& c : cases) {
    char b[32];
    std::memset(b, 'x', sizeof b);
    nc_FormatRealRange(c.value, b, sizeof b, c.width);
    EXPECT_EQ(field(b, c.width), c.text) << c.value << " in " << c.width;
    EXPECT_EQ(b[c.width], '\0');
    char b2[32];
    nc_FormatRealRange2(c.value, b2, sizeof b2, c.width);
    EXPECT_EQ(field(b2, c.width), c.text) << "second unit " << c.value;
  }
}

TEST(NumberFields, RealRangeLimits) {
  char a[16], b[16];
  nc_FormatRealRange(3e40, a, sizeof a, 10);
  nc_FormatRealRange(1e40, b, sizeof b, 10);
  EXPECT_STREQ(a, b);
  nc_FormatRealRange(-3e40, a, sizeof a, 10);
  nc_FormatRealRange(-1e40, b, sizeof b, 10);
  EXPECT_STREQ(a, b);
  nc_FormatRealRange(std::nan(""), a, sizeof a, 5);
  EXPECT_STREQ(a, "*****");
}

TEST(NumberFields, WidthIsCutToTheBuffer) {
  char small[4];
  std::memset(small, 'x', sizeof small);
  nc_FormatDecimal(5, small, sizeof small, 10);
  EXPECT_STREQ(small, "5  ");
  char guard[8] = "xxxxxxx";
  nc_FormatIntField(7, guard, 3, 10);
  EXPECT_EQ(std::string(guard, 4), "7  x");
  char r[6];
  nc_FormatRealRange(1.5, r, sizeof r, 20);
  EXPECT_STREQ(r, "1.5  ");
  char i[4];
  nc_FormatInt(-1234, i, sizeof i, 10);
  EXPECT_STREQ(i, "-12");
  nc_FormatInt(42, i, sizeof i, 5);
  EXPECT_STREQ(i, "42");
  nc_FormatDecimal(1, nullptr, 10, 3);   // no buffer: nothing happens
}

TEST(NumberFields, NotAffectedByTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
    char b[16];
    nc_FormatRealRange(2.5, b, sizeof b, 6);
    EXPECT_STREQ(b, "2.5   ");
    EXPECT_DOUBLE_EQ(nc_ParseReal("2.5"), 2.5);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberParsing, Decimal) {
  EXPECT_EQ(nc_ParseDecimal("  +42x"), 42);
  EXPECT_EQ(nc_ParseDecimal("-17"), -17);
  EXPECT_EQ(nc_ParseDecimal("abc"), 0);
  EXPECT_EQ(nc_ParseDecimal(""), 0);
  EXPECT_EQ(nc_ParseDecimal("65535"), -1);   // 16 bits
  EXPECT_EQ(nc_ParseDecimal(nullptr), 0);
}

TEST(NumberParsing, Hex) {
  EXPECT_EQ(nc_ParseHex("0FFH"), 255);
  EXPECT_EQ(nc_ParseHex("  10H"), 16);
  EXPECT_EQ(nc_ParseHex("FFH"), 0);
  EXPECT_EQ(nc_ParseHex("12"), 0);
  EXPECT_EQ(nc_ParseHex("1fH"), 0);
}

TEST(NumberParsing, Real) {
  EXPECT_DOUBLE_EQ(nc_ParseReal("-1,5E2"), -150.0);
  EXPECT_DOUBLE_EQ(nc_ParseReal("abc"), 0.0);
  EXPECT_NEAR(nc_ParseReal("2e-3"), 0.002, 1e-15);
  EXPECT_DOUBLE_EQ(nc_ParseReal(" +.5"), 0.5);
  EXPECT_DOUBLE_EQ(nc_ParseReal("3D2"), 300.0);
  EXPECT_TRUE(std::isinf(nc_ParseReal("1e400")));
  // Long exponents saturate instead of wrapping at 16 bits.
  EXPECT_TRUE(std::isinf(nc_ParseReal("1e99999")));
  EXPECT_GT(nc_ParseReal("1e99999"), 0.0);
  EXPECT_EQ(nc_ParseReal("1e-99999"), 0.0);
  EXPECT_EQ(nc_ParseReal("1e-65536"), 0.0);
  EXPECT_TRUE(std::isinf(nc_ParseReal("-1e65537")));
  EXPECT_LT(nc_ParseReal("-1e65537"), 0.0);
  EXPECT_EQ(nc_ParseReal("5e0000000000000000000001"), 50.0);
}

} // namespace
} // namespace model
