// The formatted line of DebugOutput: caller text is never a format string.
#include "settings_test_util.h"

namespace {

std::string line(const char* text, std::vector<std::int16_t> ints, std::vector<double> reals) {
  return obel::formatDebugLine(text, ints.data(), reals.empty() ? nullptr : reals.data());
}

TEST(DebugOutputFormat, Conversions) {
  const struct { const char* text; std::vector<std::int16_t> ints; std::vector<double> reals; const char* want; } cases[] = {
      {"n=%d x=%f", {1, 1, 42}, {2.5}, "n=42 x=2.500000"},
      {"g takes an integer: %g", {1, 0, 7}, {}, "g takes an integer: 7"},
      {"%5.2f|%-4d|%04x", {1, 1, 255}, {3.14159}, " 3.14|255 |0000"},    // the x finds the integers used up
      {"used up %d %d %f", {1, 0, 9}, {}, "used up 9 0 0.000000"},
      {"%s %n %p stay", {2, 0, 1, 2}, {}, "%s %n %p stay"},
      {"100%% sure", {0, 0}, {}, "100% sure"},
      {"%ld long", {1, 0, -3}, {}, "-3 long"},
      {"%u", {1, 0, -1}, {}, "65535"},
      {"tail %", {0, 0}, {}, "tail %"},
      {"%*d", {1, 0, 5}, {}, "%*d"},
      {"%e", {0, 1}, {1e300}, "1.000000e+300"},
  };
  for (const auto& c : cases) EXPECT_EQ(line(c.text, c.ints, c.reals), c.want) << c.text;
  // Widths and precisions are bounded.
  EXPECT_EQ(line("%999999d", {1, 0, 1}, {}), std::string(63, ' ') + "1");
  EXPECT_EQ(line("%.99f", {0, 1}, {1.0}), "1." + std::string(64, '0'));
}

TEST(DebugOutputFormat, BadCounts) {
  // Negative counts take nothing; null arrays take nothing.
  EXPECT_EQ(line("%d %f", {-1, -1}, {}), "0 0.000000");
  EXPECT_EQ(obel::formatDebugLine("%d", nullptr, nullptr), "0");
  EXPECT_EQ(obel::formatDebugLine(nullptr, nullptr, nullptr), "");
  // A long line is bounded.
  std::string big(10000, 'a');
  EXPECT_LE(obel::formatDebugLine(big.c_str(), nullptr, nullptr).size(), 4096u);
}

TEST(DebugOutputFormat, ModesWithoutAWindow) {
  std::int16_t mode = 7, result = -1;
  EXPECT_EQ(obel::DebugOutput("x", nullptr, nullptr, nullptr, &mode, &result), 7);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(obel::DebugOutput("x", nullptr, nullptr, nullptr, nullptr, &result), 0);
}

} // namespace
