// Arithmetic, functions, comparisons and selection.
#include "handlers.h"
#include "plc_fixture.h"

#include <cmath>

namespace plctest {
namespace {

class MathBlocks : public BothPaths {
protected:
  // Runs one block built from the name and operands; expects no fault.
  void run(const char* name, std::vector<std::uint32_t> ops) {
    cursor = k.progBase();
    Addr rec = block(name, std::move(ops));
    ASSERT_TRUE(runBlock(rec)) << name;
  }
  template <class T> T bin(const char* name, T a, T b, Addr x, Addr y, Addr out) {
    set<T>(x, a);
    set<T>(y, b);
    run(name, {x, y, out});
    return get<T>(out);
  }
};

TEST_P(MathBlocks, WordAndLongArithmetic) {
  struct Case { const char* op; std::int32_t a, b, r; };
  const Case words[] = {
      {"ADDW", 2, 3, 5},         {"ADDW", 32767, 1, -32768}, {"SUBW", -32768, 1, 32767},
      {"MULW", 300, 300, 24464}, {"DIVW", 7, 2, 3},          {"DIVW", -7, 2, -3},
      {"DIVW", -5, 0, -32767},   {"DIVW", 5, 0, 32767},      {"DIVW", 0, 0, 32767},
      {"DIVW", -32768, -1, 32767},
  };
  for (const Case& c : words)
    EXPECT_EQ(bin<std::int16_t>(c.op, static_cast<std::int16_t>(c.a), static_cast<std::int16_t>(c.b), DW(1), DW(2), DW(3)), c.r)
        << c.op << " " << c.a << " " << c.b;
  const Case longs[] = {
      {"ADDL", 2147483647, 1, -2147483647 - 1}, {"SUBL", 5, 7, -2}, {"MULL", 65536, 65536, 0},
      {"DIVL", 0, 0, 2147483647},               {"DIVL", -1, 0, -2147483647},
      {"DIVL", -2147483647 - 1, -1, 2147483647}, {"DIVL", -9, 4, -2},
  };
  for (const Case& c : longs) EXPECT_EQ(bin<std::int32_t>(c.op, c.a, c.b, DL(1), DL(2), DL(3)), c.r) << c.op;
}

TEST_P(MathBlocks, FloatArithmeticAndFunctions) {
  EXPECT_FLOAT_EQ(bin<float>("ADDF", 1.5f, 2.25f, DF(1), DF(2), DF(3)), 3.75f);
  EXPECT_FLOAT_EQ(bin<float>("SUBF", 1.5f, 2.25f, DF(1), DF(2), DF(3)), -0.75f);
  EXPECT_FLOAT_EQ(bin<float>("MULF", 1.5f, 2.0f, DF(1), DF(2), DF(3)), 3.0f);
  EXPECT_FLOAT_EQ(bin<float>("PG", 1.5f, -2.0f, DF(1), DF(2), DF(3)), -3.0f);
  EXPECT_FLOAT_EQ(bin<float>("DIVF", 1.0f, 4.0f, DF(1), DF(2), DF(3)), 0.25f);
  EXPECT_FLOAT_EQ(bin<float>("DIVF", 1.0f, 0.0f, DF(1), DF(2), DF(3)), 3.4e38f);
  EXPECT_FLOAT_EQ(bin<float>("DIVF", -1.0f, 0.0f, DF(1), DF(2), DF(3)), -3.4e38f);
  EXPECT_FLOAT_EQ(bin<float>("Sgn", 2.0f, -1.0f, DF(1), DF(2), DF(3)), -2.0f);
  EXPECT_FLOAT_EQ(bin<float>("Sgn", 2.0f, 0.0f, DF(1), DF(2), DF(3)), 2.0f);
  EXPECT_FLOAT_EQ(bin<float>("Pow", 2.0f, 10.0f, DF(1), DF(2), DF(3)), 1024.0f);
  struct Case { const char* op; float a, r; };
  const Case unary[] = {
      {"Abs", -2.5f, 2.5f}, {"Cos", 0.0f, 1.0f},           {"Sin", 0.0f, 0.0f},
      {"Tan", 0.0f, 0.0f},  {"Exp", 0.0f, 1.0f},           {"Ln", -1.0f, 0.0f},
      {"Ln", 0.0f, -3.4e38f}, {"Log", -100.0f, 2.0f},      {"Log", 0.0f, -3.4e38f},
      {"Sqrt", -9.0f, -3.0f}, {"Sqrt", 16.0f, 4.0f},
  };
  for (const Case& c : unary) {
    set<float>(DF(1), c.a);
    run(c.op, {DF(1), DF(2)});
    EXPECT_FLOAT_EQ(get<float>(DF(2)), c.r) << c.op << " " << c.a;
  }
}

TEST_P(MathBlocks, Comparisons) {
  struct Case { std::int16_t a, b; std::uint8_t r[4]; };
  const Case cases[] = {{3, 3, {255, 0, 0, 0}}, {4, 3, {0, 255, 255, 0}}, {-4, 3, {0, 255, 0, 255}}};
  for (const Case& c : cases) {
    set<std::int16_t>(DW(1), c.a);
    set<std::int16_t>(DW(2), c.b);
    set<std::uint32_t>(M(5), 0x01010101);
    run("CMPW", {DW(1), DW(2), M(5)});
    for (int i = 0; i < 4; ++i) EXPECT_EQ(get<std::uint8_t>(M(5, i)), c.r[i]) << c.a << " " << c.b << " " << i;
  }
  setText(DT(1), "abc");
  setText(DT(2), "abd");
  run("CMPT", {DT(1), DT(2), M(6)});
  EXPECT_EQ(get<std::uint8_t>(M(6, 3)), 255);
  set<float>(DF(1), 2.0f);
  set<float>(DF(2), 1.0f);
  run("GMF", {DF(1), DF(2), M(7)});
  EXPECT_EQ(get<std::uint8_t>(M(7)), 255);
  run("GMF", {DF(2), DF(1), M(7)});
  EXPECT_EQ(get<std::uint8_t>(M(7)), 0);
}

TEST_P(MathBlocks, Bounds) {
  struct Case { std::int16_t in, out; std::uint8_t lo, hi; };
  const Case cases[] = {{-5, 0, 255, 0}, {0, 0, 255, 0}, {5, 5, 0, 0}, {10, 10, 0, 255}, {11, 10, 0, 255}};
  set<std::int16_t>(DW(2), 0);
  set<std::int16_t>(DW(3), 10);
  for (const Case& c : cases) {
    set<std::int16_t>(DW(1), c.in);
    run("BGW", {DW(1), DW(4), DW(2), DW(3), M(1, 0), M(1, 1)});
    EXPECT_EQ(get<std::int16_t>(DW(4)), c.out) << c.in;
    EXPECT_EQ(get<std::uint8_t>(M(1, 0)), c.lo) << c.in;
    EXPECT_EQ(get<std::uint8_t>(M(1, 1)), c.hi) << c.in;
  }
}

TEST_P(MathBlocks, Multiplexers) {
  for (int i = 0; i < 4; ++i) set<std::int16_t>(DW(10 + i), static_cast<std::int16_t>(100 + i));
  struct Case { std::int16_t index, r; };
  const Case cases[] = {{7, 103}, {-3, 100}, {0, 100}, {2, 102}, {3, 103}};
  for (const Case& c : cases) {
    set<std::int16_t>(DW(1), c.index);
    run("MUXW", {4, DW(10), DW(11), DW(12), DW(13), DW(1), DW(2)});
    EXPECT_EQ(get<std::int16_t>(DW(2)), c.r) << c.index;
  }
  // n = 0 or below leaves the output unchanged and reads nothing before the table.
  for (std::uint32_t n : {0u, 0xFFFFFFFFu}) {
    set<std::int16_t>(DW(2), 555);
    run("MUXW", {n, DW(1), DW(2)});
    EXPECT_EQ(get<std::int16_t>(DW(2)), 555);
  }
  set<std::int32_t>(DL(1), 11);
  set<std::int32_t>(DL(2), 22);
  set<std::int16_t>(DW(1), 1);
  run("MUXL", {2, DL(1), DL(2), DW(1), DL(3)});
  EXPECT_EQ(get<std::int32_t>(DL(3)), 22);
  setText(DT(1), "first");
  setText(DT(2), "second");
  set<std::int16_t>(DW(1), 0);
  run("MUXT", {2, DT(1), DT(2), DW(1), DT(3)});
  EXPECT_EQ(text(DT(3)), "first");
}

TEST_P(MathBlocks, SelectionAndTexts) {
  set<float>(DF(1), 1.0f);
  set<float>(DF(2), 2.0f);
  set<std::uint8_t>(M(1), 0);
  run("SCHF", {DF(1), DF(2), M(1), DF(3)});
  EXPECT_EQ(get<float>(DF(3)), 1.0f);
  set<std::uint8_t>(M(1), 1);
  run("SCHF", {DF(1), DF(2), M(1), DF(3)});
  EXPECT_EQ(get<float>(DF(3)), 2.0f);
  setText(DT(1), "Hello, ");
  setText(DT(2), "World and more");
  run("ADDT", {DT(1), DT(2), DT(3)});
  EXPECT_EQ(text(DT(3)), "Hello, World and ");   // cut to one 18-byte cell
  EXPECT_EQ(get<std::uint8_t>(DT(3) + 17), 0);
  set<std::uint8_t>(M(1), 255);
  setText(DT(4), "copy me");
  run("T2D", {M(1), DT(4), DT(5)});
  EXPECT_EQ(text(DT(5)), "copy me");
  struct Cw { std::int32_t mode, value; std::int16_t w; std::uint8_t r; };
  const Cw cw[] = {{1, 5, 5, 255}, {2, 5, 6, 255}, {2, 5, 5, 0}, {3, 5, 4, 255}, {9, 5, 5, 255}, {9, 5, 4, 0}};
  for (const Cw& c : cw) {
    set<std::int16_t>(DW(1), c.w);
    run("CMWV", {static_cast<std::uint32_t>(c.mode), static_cast<std::uint32_t>(c.value), DW(1), M(2)});
    EXPECT_EQ(get<std::uint8_t>(M(2)), c.r) << c.mode;
  }
}

TEST_P(MathBlocks, JumpAndInit) {
  set<std::uint8_t>(M(1), 0);
  cursor = k.progBase();
  Addr rec = block("JPZ", {0x12345678, M(1)});
  ASSERT_TRUE(runBlock(rec));
  EXPECT_EQ(lastNext, 0x12345678u);
  set<std::uint8_t>(M(1), 3);
  ASSERT_TRUE(runBlock(rec));
  EXPECT_EQ(lastNext, rec + 16);
  set<std::uint8_t>(M(2), 0);
  run("Init", {M(2), M(3)});
  EXPECT_EQ(get<std::uint8_t>(M(2)), 255);
  EXPECT_EQ(get<std::uint8_t>(M(3)), 255);
  set<std::uint8_t>(M(3), 0);
  run("Init", {M(2), M(3)});
  EXPECT_EQ(get<std::uint8_t>(M(3)), 0);
}

PLC_ON_BOTH_PATHS(MathBlocks);

} // namespace
} // namespace plctest
