// Logic, edges, flip-flops, conversions and vectors.
#include "plc_fixture.h"

#include <cmath>

namespace plctest {
namespace {

class LogicBlocks : public BothPaths {
protected:
  bool run(const char* name, std::vector<std::uint32_t> ops) {
    cursor = k.progBase();
    return runBlock(block(name, std::move(ops)));
  }
  std::uint8_t b(Addr a) { return get<std::uint8_t>(a); }
};

TEST_P(LogicBlocks, AndOr) {
  struct Case { const char* op; std::uint32_t w, inv; std::uint8_t a, c; std::uint8_t r; };
  const Case cases[] = {
      {"AND", 2, 0, 1, 1, 255},      {"AND", 2, 0, 1, 0, 0},      {"AND", 0x8002, 0, 1, 1, 0},
      {"AND", 2, 2, 1, 0, 255},      {"OR", 2, 0, 0, 0, 0},       {"OR", 2, 0, 0, 7, 255},
      {"OR", 0x8002, 0, 0, 0, 255},  {"OR", 2, 1, 0, 0, 255},
  };
  for (const Case& c : cases) {
    set<std::uint8_t>(M(1, 0), c.a);
    set<std::uint8_t>(M(1, 1), c.c);
    ASSERT_TRUE(run(c.op, {c.w, c.inv, M(1, 0), M(1, 1), M(2)}));
    EXPECT_EQ(b(M(2)), c.r) << c.op << " " << std::hex << c.w;
  }
  // One and three inputs (the pre-decoded path keeps these operands apart from the block).
  struct Wide { const char* op; std::uint32_t w, inv; std::uint8_t a, c, d; std::uint8_t r; };
  const Wide wide[] = {
      {"AND", 3, 0, 1, 1, 1, 255}, {"AND", 3, 0, 1, 1, 0, 0}, {"AND", 3, 4, 1, 1, 0, 255},
      {"OR", 3, 0, 0, 0, 9, 255},  {"OR", 0x8003, 0, 0, 0, 0, 255}, {"AND", 1, 0, 5, 0, 0, 255},
      {"OR", 1, 1, 0, 0, 0, 255},
  };
  for (const Wide& c : wide) {
    set<std::uint8_t>(M(1, 0), c.a);
    set<std::uint8_t>(M(1, 1), c.c);
    set<std::uint8_t>(M(1, 2), c.d);
    std::vector<std::uint32_t> ops = {c.w, c.inv, M(1, 0)};
    if ((c.w & 0x7FFF) > 1) ops.insert(ops.end(), {M(1, 1), M(1, 2)});
    ops.push_back(M(2));
    ASSERT_TRUE(run(c.op, ops));
    EXPECT_EQ(b(M(2)), c.r) << c.op << " " << std::hex << c.w << " " << c.inv;
  }
  // A count that reaches past the record and the memory faults, never reads outside.
  cursor = k.mem.end() - 16;
  Addr rec = block("AND", {0x7FFF, 0});
  EXPECT_FALSE(runBlock(rec));
}

TEST_P(LogicBlocks, NotEdgesAndFlipFlops) {
  set<std::uint8_t>(M(1), 0);
  run("Not", {M(1), M(2)});
  EXPECT_EQ(b(M(2)), 255);
  // FD01: in, out, previous. Rising edge once.
  const std::uint8_t seq[] = {0, 1, 1, 0, 3};
  const std::uint8_t rise[] = {0, 255, 0, 0, 255};
  const std::uint8_t fall[] = {0, 0, 0, 255, 0};
  set<std::uint8_t>(M(3, 0), 0);
  set<std::uint8_t>(M(3, 1), 0);
  for (int i = 0; i < 5; ++i) {
    set<std::uint8_t>(M(1), seq[i]);
    run("FD01", {M(1), M(2), M(3, 0)});
    run("FD10", {M(1), M(4), M(3, 1)});
    EXPECT_EQ(b(M(2)), rise[i]) << i;
    EXPECT_EQ(b(M(4)), fall[i]) << i;
  }
  // FFR (reset wins) and FFS (set wins): S, R, Q.
  struct Ff { std::uint8_t s, r, q0, ffr, ffs; };
  const Ff ff[] = {{1, 1, 0, 0, 255}, {1, 0, 0, 255, 255}, {0, 1, 255, 0, 0}, {0, 0, 255, 255, 255}};
  for (const Ff& f : ff) {
    set<std::uint8_t>(M(5, 0), f.s);
    set<std::uint8_t>(M(5, 1), f.r);
    set<std::uint8_t>(M(6, 0), f.q0);
    set<std::uint8_t>(M(6, 1), f.q0);
    run("FFR", {M(5, 0), M(5, 1), M(6, 0)});
    run("FFS", {M(5, 0), M(5, 1), M(6, 1)});
    EXPECT_EQ(b(M(6, 0)), f.ffr);
    EXPECT_EQ(b(M(6, 1)), f.ffs);
  }
}

TEST_P(LogicBlocks, Conversions) {
  struct F2I { float f; std::int32_t l; std::int16_t w; };
  const F2I cases[] = {{2.5f, 2, 2}, {2.6f, 3, 3}, {-2.6f, -3, -3}, {1e20f, 2147483647, 32767},
                       {-1e20f, -2147483647 - 1, -32768}, {std::nanf(""), 0, 0}};
  for (const F2I& c : cases) {
    set<float>(DF(1), c.f);
    run("AFL", {DF(1), DL(1)});
    run("AFW", {DF(1), DW(1)});
    EXPECT_EQ(get<std::int32_t>(DL(1)), c.l) << c.f;
    EXPECT_EQ(get<std::int16_t>(DW(1)), c.w) << c.f;
  }
  set<std::int16_t>(DW(1), -7);
  run("AWL", {DW(1), DL(2)});
  EXPECT_EQ(get<std::int32_t>(DL(2)), -7);
  run("AWF", {DW(1), DF(2)});
  EXPECT_EQ(get<float>(DF(2)), -7.0f);
  set<std::int32_t>(DL(3), 0x12345678);
  run("ALW", {DL(3), DW(2)});
  EXPECT_EQ(get<std::int16_t>(DW(2)), 0x5678);
  run("ALF", {DL(3), DF(3)});
  EXPECT_EQ(get<float>(DF(3)), static_cast<float>(0x12345678));
  // Word to bit element and back.
  set<std::int16_t>(DW(3), 0xA5);
  run("AWY", {DW(3), M(10)});
  const std::uint8_t bits[8] = {255, 0, 255, 0, 0, 255, 0, 255};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(b(M(10, i)), bits[i]);
  run("AYW", {M(10), DW(4)});
  EXPECT_EQ(get<std::int16_t>(DW(4)), 0xA5);
  run("AYF", {M(10), DF(4)});
  EXPECT_EQ(get<float>(DF(4)), 165.0f);
  run("AYY", {M(10), M(11)});
  EXPECT_EQ(get<std::uint64_t>(M(11)), get<std::uint64_t>(M(10)));
  // AW2L and ALW2: low word, high word.
  set<std::int16_t>(DW(5), -1);     // 0xFFFF taken unsigned
  set<std::int16_t>(DW(6), 2);
  run("AW2L", {DW(5), DW(6), DL(5)});
  EXPECT_EQ(get<std::int32_t>(DL(5)), 2 * 65536 + 65535);
  set<std::int32_t>(DL(6), -65536 * 3 + 5);
  run("ALW2", {DL(6), DW(7), DW(8)});
  EXPECT_EQ(get<std::int16_t>(DW(7)), 5);
  EXPECT_EQ(get<std::int16_t>(DW(8)), -3);
}

TEST_P(LogicBlocks, MaskedMoves) {
  // ABW: mask 0b1010 takes two inputs into bits 1 and 3.
  set<std::uint8_t>(M(1, 0), 1);
  set<std::uint8_t>(M(1, 1), 0);
  run("ABW", {0x0A, M(1, 0), M(1, 1), DW(1)});
  EXPECT_EQ(get<std::int16_t>(DW(1)), 0x02);
  // AWB: bits 0 and 15 of the word to two bytes.
  set<std::int16_t>(DW(2), static_cast<std::int16_t>(0x8000));
  run("AWB", {0x8001, DW(2), M(2, 0), M(2, 1)});
  EXPECT_EQ(b(M(2, 0)), 0);
  EXPECT_EQ(b(M(2, 1)), 255);
  // AYB and ABY on bits 2 and 5.
  set<std::uint64_t>(M(3), 0);
  set<std::uint8_t>(M(3, 2), 7);
  set<std::uint8_t>(M(3, 5), 9);
  run("AYB", {0x24, M(3), M(4, 0), M(4, 1)});
  EXPECT_EQ(b(M(4, 0)), 7);
  EXPECT_EQ(b(M(4, 1)), 9);
  set<std::uint64_t>(M(5), 0);
  run("ABY", {0x24, M(4, 1), M(4, 0), M(5)});
  EXPECT_EQ(b(M(5, 2)), 9);
  EXPECT_EQ(b(M(5, 5)), 7);
  EXPECT_EQ(b(M(5, 0)), 0);
}

TEST_P(LogicBlocks, Vectors) {
  std::vector<std::uint32_t> ops;
  for (int i = 0; i < 8; ++i) {
    set<std::int16_t>(DW(20 + i), static_cast<std::int16_t>(i * 11));
    ops.push_back(DW(20 + i));
  }
  ops.push_back(DW(40));
  run("AW8V", ops);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(get<std::int16_t>(DW(40 + i)), i * 11);
  ops.clear();
  for (int i = 0; i < 16; ++i) {
    set<std::uint8_t>(M(20, i % 8), static_cast<std::uint8_t>(i));
    ops.push_back(M(30 + i));
    set<std::uint8_t>(M(30 + i), static_cast<std::uint8_t>(i + 1));
  }
  ops.push_back(B(100));
  run("AB16", ops);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(b(B(100) + i), i + 1);
  ops.clear();
  for (int i = 0; i < 8; ++i) {
    setText(DT(10 + i), ("t" + std::to_string(i)).c_str());
    ops.push_back(DT(10 + i));
  }
  ops.push_back(DT(100));
  run("AT8V", ops);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(text(DT(100 + i)), "t" + std::to_string(i));
  // A vector reaching past memory faults.
  ops.back() = k.mem.end() - 4;
  EXPECT_FALSE(run("AT8V", ops));
}

PLC_ON_BOTH_PATHS(LogicBlocks);

} // namespace
} // namespace plctest
