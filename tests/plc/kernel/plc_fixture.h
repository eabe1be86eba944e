#pragma once
// A software PLC instance with the built-in data areas and a small builder
// for programs of block records in its program memory.
#include "kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace plctest {

using plc::Addr;

// Puts the 32-bit pattern of a float into an operand slot.
inline std::uint32_t fbits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

class PlcFixture : public ::testing::Test {
protected:
  plc::Kernel k;

  void SetUp() override {
    k.hooksFromRuntime = false;
    DspsInitRecord rec{"plc/TESK.INI", "10"};
    k.dspsInit(2, &rec);
    k.setMode(protocol::kModeCheck);   // opens the (absent) interface: built-in areas
    ASSERT_NE(k.named(plc::Named::DW), nullptr);
    cursor = k.progBase();
  }

  Addr area(const char* name, std::uint32_t index = 0) {
    const plc::Area* a = k.findArea(name);
    EXPECT_NE(a, nullptr) << name;
    return a ? a->blocks[0].addr + index * a->size : 0;
  }
  Addr DW(int i) { return area("DW", i); }
  Addr PW(int i) { return area("PW", i); }
  Addr DL(int i) { return area("DL", i); }
  Addr PL(int i) { return area("PL", i); }
  Addr DF(int i) { return area("DF", i); }
  Addr DT(int i) { return area("DT", i); }
  // Bit j of element i of a bit area.
  Addr M(int i, int j = 0) { return area("M", i) + j; }
  Addr A(int i, int j = 0) { return area("A", i) + j; }
  Addr E(int i, int j = 0) { return area("E", i) + j; }
  Addr B(int i, int j = 0) { return area("B", i) + j; }

  template <class T> T get(Addr a) {
    T v{};
    EXPECT_TRUE(k.mem.read(a, &v, sizeof v)) << std::hex << a;
    return v;
  }
  template <class T> void set(Addr a, T v) { ASSERT_TRUE(k.mem.write(a, &v, sizeof v)) << std::hex << a; }
  void setText(Addr a, const char* s) { ASSERT_TRUE(k.mem.write(a, s, std::strlen(s) + 1)); }
  std::string text(Addr a) {
    char b[19] = {0};
    k.mem.read(a, b, 18);
    return b;
  }

  // Program builder: records one after the other from the program base.
  Addr cursor = 0;
  Addr block(const char* name, std::vector<std::uint32_t> ops) {
    int row = plc::opcodeRow(name);
    EXPECT_GE(row, 0) << name;
    Addr at = cursor;
    Addr next = at + 8 + 4 * static_cast<Addr>(ops.size());
    std::vector<std::uint8_t> b(8 + 4 * ops.size());
    protocol::putU32(b.data(), plc::handlerToken(row));
    protocol::putU32(b.data() + 4, next);
    for (std::size_t i = 0; i < ops.size(); ++i) protocol::putU32(b.data() + 8 + 4 * i, ops[i]);
    EXPECT_TRUE(k.mem.write(at, b.data(), b.size()));
    cursor = next;
    return at;
  }
  void setNext(Addr rec, Addr next) { set<std::uint32_t>(rec + 4, next); }
  // A task: BEG, body (built by fn), END whose next goes back to BEG.
  template <class Fn> Addr task(int number, std::uint32_t cycle, Fn body) {
    Addr beg = block("BEG", {cycle, static_cast<std::uint32_t>(number)});
    body();
    Addr end = block("END", {static_cast<std::uint32_t>(number)});
    setNext(end, beg);
    set<std::uint32_t>(k.taskRowAddr(number), cycle);
    set<std::uint32_t>(k.taskRowAddr(number) + 4, beg);
    return beg;
  }
  // Runs one block alone (no scheduler) on the path k.predecode selects:
  // true when it did not fault.
  bool runBlock(Addr rec) { return k.runOneBlock(rec, lastNext); }
  Addr lastNext = 0;
  // Starts the program: tasks restart at their first block, mode run.
  void start() {
    k.setMode(protocol::kModeReset);
    k.setMode(protocol::kModeOnline);
    k.errorByte = 0;
  }
  // One runtime tick: timer step, then run step.
  void tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      k.dspsTimer();
      k.dspsRun();
    }
  }
};

// Block tests run on both paths of the run step: the pre-decoded translation
// and the checked record.
class BothPaths : public PlcFixture, public ::testing::WithParamInterface<bool> {
protected:
  void SetUp() override {
    PlcFixture::SetUp();
    k.predecode = GetParam();
  }
};
inline std::string pathName(const ::testing::TestParamInfo<bool>& i) {
  return i.param ? "predecoded" : "checked";
}

} // namespace plctest

#define PLC_ON_BOTH_PATHS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Paths, Suite, ::testing::Values(true, false), ::plctest::pathName)
