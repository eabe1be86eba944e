// Extern functions called with argument blocks mapped into the address space.
#include "harness.h"
#include "extern_args.h"

#include "engine/externs.h"
#include "engine/services.h"
#include "engine/workers.h"

#include <clocale>
#include <cstring>
#include <unistd.h>

namespace engine::test {


TEST(Externs, TextLinesByClass) {
  Harness h;
  struct Row { int number; double cls, index, value, bit; const char* expect; };
  const Row rows[] = {
      {3, 1, 5, 0, 0, "  NAME   : M5\n"},
      {3, 2, 5, 0, 0, "  NAME   : E4\n"},
      {3, 13, 5, 0, 0, "  NAME   : M0\n"},
      {26, 12, 7, 0, 0, "  NAME   : PT7\n"},
      {3, 1, -2, 0, 0, ""},                       // negative index refused
      {5, 5, 3, 1.5, 0, "#DW3 = 1.500000\n"},
      {5, 3, 1, 2, 0, "#A0 = 2.000000\n"},
      {27, 5, 3, -1, 0, "#DW3 = 65535\n"},
      {28, 1, 2, 1, 3, "#M2.3 =%1    \n"},
      {28, 10, 2, 0, 7, "#B2.7 =%0\n"},
      {28, 1, 2, 1, 8, ""},                       // bit outside 0..7 refused
      {28, 1, 2, 1, -1, ""},
      {25, 10, 4, 0, 2, "  NAME   : B4.2\n"},
  };
  for (const Row& r : rows) {
    SinkScope s;
    Args a;
    a.real(0);
    a.text("NAME");
    a.reals({r.cls, r.index, r.value, r.bit});
    a.real(r.value);
    a.call(r.number);
    EXPECT_EQ(s.sink.text, r.expect) << r.number << " class " << r.cls;
  }
}

// Initial values go into the target text with a decimal point under any locale.
TEST(Externs, RealInitialValuesIgnoreTheLocale) {
  Harness h;
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not generated";
  std::string five, eight;
  for (int number : {5, 28}) {
    SinkScope s;
    Args a;
    a.real(0);
    a.text("NAME");
    a.reals({5, 3, 1.5, 0});
    a.real(1.5);
    a.call(number);
    (number == 5 ? five : eight) = s.sink.text;
  }
  std::setlocale(LC_ALL, old.c_str());
  EXPECT_EQ(five, "#DW3 = 1.500000\n");
  EXPECT_EQ(eight, "#DW3 = 1.500000\n");
}

TEST(Externs, DeclarationLineAndTextConstant) {
  Harness h;
  struct Row { int number; double cls, index; const char* expect; };
  const Row rows[] = {{56, 5, 9, "#DW9\n"}, {56, 0, 9, ""}, {56, 13, 9, ""}, {56, 2, -1, ""}};
  for (const Row& r : rows) {
    SinkScope s;
    Args a;
    a.real(r.cls);
    a.real(r.index);
    a.call(r.number);
    EXPECT_EQ(s.sink.text, r.expect) << r.cls;
  }
  SinkScope s;
  Args a;
  a.real(0);
  a.real(0);
  a.reals({12, 3, 0, 0});
  a.text("abc");
  a.call(43);
  EXPECT_EQ(s.sink.text, "#PT3=\"abc\"\n");
}

TEST(Externs, LinesAreDroppedWhileNoOutputIsOpen) {
  Harness h;
  SinkScope s;
  s.sink.open = false;
  Args a;
  a.text("hello");
  a.call(4);
  EXPECT_EQ(s.sink.text, "");
}

TEST(Externs, Conversions) {
  Harness h;
  {
    Args a;
    a.integer(12345);
    a.text("", 10);
    a.integer(3);
    a.call(64);
    EXPECT_EQ(a.textAt(1), "12");
  }
  {
    Args a;
    a.integer(-7);
    a.text("xyz", 10);
    a.integer(0);   // size below 1 copies nothing
    a.call(64);
    EXPECT_EQ(a.textAt(1), "xyz");
  }
  {
    Args a;
    a.real(-3.9);
    a.text("", 10);
    a.integer(10);
    a.call(67);
    EXPECT_EQ(a.textAt(1), "-3");
  }
  {
    Args a;
    auto& b = a.add(4);
    const std::int32_t v = 0xBEEF;
    std::memcpy(b.data(), &v, 4);
    a.text("", 16);
    a.integer(16);
    a.call(83);
    EXPECT_EQ(a.textAt(1), "BEEF");
  }
  {
    Args a;
    a.text("", 20);
    a.text("abcdefgh");
    a.integer(3);
    a.call(95);
    EXPECT_EQ(a.textAt(0), "abc");   // terminated
  }
  {
    externState().projectDir = "C:\\PRJ";
    externState().projectName = "A.MDL";
    Args a;
    a.text("old", 8);
    a.integer(8);   // "C:\PRJ\A.MDL" does not fit in 7 characters
    a.call(78);
    EXPECT_EQ(a.textAt(0), "");
    Args b;
    b.text("", 40);
    b.integer(40);
    b.call(78);
    EXPECT_EQ(b.textAt(0), "C:\\PRJ\\A.MDL");
  }
}

TEST(Externs, BadArgumentAddressStopsTheRunNotTheProgram) {
  Harness h;
  Args a;
  a.badAddress();
  a.badAddress();
  a.badAddress();
  a.call(64);
  a.call(4);
  a.call(3);
  EXPECT_TRUE(vm().stopped());
}

TEST(Externs, MasksTakeAtMostEightInputBits) {
  Harness h;
  SinkScope s;
  ASSERT_TRUE(h.loadStep("call x1:16\nstop\nend"));
  std::vector<model::InputPin> pins(12);
  for (unsigned k = 0; k < pins.size(); ++k) pins[k].Flags = (k % 3 == 0) ? 1 : 0;
  model::OutputPin outPin{1, 20, 1};
  h.gate.InputCount = 12;
  h.gate.Inputs = pins.data();
  h.gate.OutputCount = 1;
  h.gate.Outputs = &outPin;
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(s.sink.text, "Maske1: $80012\nMaske2: %01001001\n");
  h.gate.Inputs = nullptr;
  h.gate.Outputs = nullptr;
}

TEST(Externs, ExtraValueWritesStayInside) {
  Harness h;
  ASSERT_TRUE(h.loadStep("call x1:97\naddrof frame:0, const:off\naddrof frame:4, const:t\naddrof frame:8, const:n\n"
                         "stop\nend",
                         "off: int 60\nt: text \"ABCDEFGH\"\nn: int 8"));
  h.extra.assign(8, 0.0);
  EXPECT_EQ(h.runStep(), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(h.extra.data()) + 60, "\0\0\0\0", 4), 0);   // 60 + 8 > 64: refused
  Harness h2;
  ASSERT_TRUE(h2.loadStep("call x1:97\naddrof frame:0, const:off\naddrof frame:4, const:t\naddrof frame:8, const:n\n"
                          "stop\nend",
                          "off: int 56\nt: text \"ABCDEFGH\"\nn: int 8"));
  EXPECT_EQ(h2.runStep(), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(h2.extra.data()) + 56, "ABCDEFGH", 8), 0);
}

TEST(Externs, GatePositionCallReasonAndFlags) {
  Harness h;
  xt_SetCallReason(2);
  ASSERT_TRUE(h.loadStep("call x1:89\naddrof frame:0, out:0\naddrof frame:4, out:8\nstop\n"
                         "call x1:106\naddrof frame:0, out:16\nstop\n"
                         "call x1:68\naddrof frame:0, const:n\nstop\nend",
                         "n: word 5"));
  h.gate.X = 120;
  h.gate.Y = -40;
  EXPECT_EQ(h.runStep(), 0) << vm().lastError();
  EXPECT_EQ(std::int16_t(h.outWord(0)), 120);
  EXPECT_EQ(std::int16_t(h.outWord(8)), -40);
  EXPECT_EQ(h.outWord(16), 2);
  EXPECT_EQ(h.type()->Flags, 1u << 5);
  xt_SetCallReason(1);
}

} // namespace engine::test

#include "engine/slots.h"

namespace engine::test {

TEST(SlotExterns, DeclareRealByMode) {
  Harness h;
  AddressSlotTable& t = slotTable();
  struct Row { int mode; bool preUsed; double expectIndex; };
  const Row rows[] = {{1, false, 5.1}, {1, true, 0.1}, {3, true, 1.1}, {3, false, 5.1}, {2, false, 1.1}};
  for (const Row& r : rows) {
    t.clear();
    t.mode = std::uint8_t(r.mode);
    if (r.preUsed) t.setUsed(5, 5, true);
    Args a;
    a.integer(5);
    a.real(0);
    a.reals({5, 0});
    a.call(0);
    EXPECT_DOUBLE_EQ(a.realAt(2), r.expectIndex) << "mode " << r.mode << " used " << r.preUsed;
    EXPECT_DOUBLE_EQ(a.realAt(1), 5.0);
  }
  t.clear();
  t.mode = 3;
}

TEST(SlotExterns, ClassOutOfRangeShows50028) {
  Harness h;
  slotTable().clear();
  Args a;
  a.integer(40);
  a.real(30);
  a.reals({5, 0});
  a.call(0);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50028"});
  EXPECT_DOUBLE_EQ(a.realAt(2), 5.0);
}

TEST(SlotExterns, ByteTakesEightBitsAndReportsBitMinusOne) {
  Harness h;
  AddressSlotTable& t = slotTable();
  t.clear();
  Args a;
  a.integer(1);
  a.real(0);
  a.reals({2, 0, 3});
  a.call(2);
  EXPECT_DOUBLE_EQ(a.realAt(2, 2), -1.0);
  EXPECT_NEAR(a.realAt(2, 0), 2.1, 1e-12);
  for (int k = 16; k < 24; ++k) EXPECT_TRUE(t.used(1, k)) << k;
  EXPECT_FALSE(t.used(1, 24));
  // A bit of byte 2 is taken now: the bit declaration searches from slot 8.
  Args b;
  b.integer(1);
  b.real(0);
  b.reals({2, 0, 5});
  b.call(1);
  EXPECT_NEAR(b.realAt(2, 0), 1.1, 1e-12);
  EXPECT_DOUBLE_EQ(b.realAt(2, 2), 0.0);
  // Bits outside 0..7 and negative bytes are refused.
  for (double bit : {8.0, -1.0}) {
    Args c;
    c.integer(1);
    c.real(0);
    c.reals({4, 0, bit});
    c.call(1);
    EXPECT_DOUBLE_EQ(c.realAt(2, 0), 4.0);
    EXPECT_FALSE(t.used(1, 32));
  }
  t.clear();
}

TEST(SlotExterns, DescriptorTextsAndVector) {
  Harness h;
  AddressSlotTable& t = slotTable();
  t.clear();
  // Declare an array of three E slots from 10, attach a vector, read the texts back.
  Args a;
  a.integer(2);
  a.real(0);
  a.reals({10, 0});
  a.real(3);
  a.call(35);
  EXPECT_NEAR(a.realAt(2), 10.1, 1e-12);
  t.descriptor(2, 10)->name = "VALVE";
  Args v;
  v.reals({2, 10, 0, 0});
  v.real(1);
  v.reals({1, 2, 3});
  v.integer(4);   // the fourth slot has no descriptor: 50030, the loop goes on
  v.call(51);
  EXPECT_EQ(h.services.calls, std::vector<std::string>{"msg 50030"});
  EXPECT_EQ(t.descriptor(2, 12)->name, "VALVE");
  EXPECT_EQ(t.descriptor(2, 12)->comment, "Vektorelement Nr");   // cut to its 16-character field
  Args n;
  n.real(2);
  n.real(12);
  n.integer(4);
  n.text("", 8);
  n.call(57);
  EXPECT_EQ(n.textAt(3), "VAL");
  Args c;
  c.real(2);
  c.real(13);
  c.integer(10);
  c.text("junk", 10);
  c.call(58);
  EXPECT_EQ(c.textAt(3), "");   // no descriptor
  Args z;
  z.real(2);
  z.real(12);
  z.integer(0);
  z.text("keep", 10);
  z.call(58);
  EXPECT_EQ(z.textAt(3), "keep");   // size below 1 copies nothing
  t.clear();
}

TEST(SlotExterns, ReserveAndFree) {
  Harness h;
  AddressSlotTable& t = slotTable();
  t.clear();
  Args a;
  a.integer(4);
  a.integer(20);
  a.integer(-1);
  a.call(93);
  EXPECT_EQ(t.reserved[4], 20);
  Args b;
  b.integer(4);
  b.integer(30);
  b.integer(-1);
  b.call(93);
  EXPECT_EQ(t.reserved[4], 30);
  t.setUsed(4, 7, true);
  Args f;
  f.real(0);
  f.real(4);
  f.real(7);
  f.call(38);
  EXPECT_FALSE(t.used(4, 7));
  t.clear();
}

} // namespace engine::test

namespace engine::test {

namespace {
class SequenceSink : public StringTextSink {
public:
  std::vector<std::string> seqLines;
  std::uint16_t words = 0;
  bool nextSequenceItem(bool bit, std::uint16_t& sequence, std::uint16_t& count) override {
    sequence = 7;
    count = ++words;
    return true;
  }
  bool sequenceBases(int sequence, int& bitBase, double& trBase) override {
    bitBase = 16 * sequence;
    trBase = 100 + sequence;
    return true;
  }
  void writeSequence(int sequence, const std::string& line) override {
    seqLines.push_back(std::to_string(sequence) + ":" + line);
  }
};
std::string tempDir(const char* name) {
  const std::string dir = ::testing::TempDir() + "/" + name + "_" + std::to_string(::getpid());
  EXPECT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
  return dir;
}
} // namespace

TEST(TextExterns, SequencesIgnoreNumbersAbove200) {
  Harness h;
  SequenceSink sink;
  setTargetTextSink(&sink);
  {
    Args a;
    a.integer(0);
    a.integer(0);
    a.call(69);
    EXPECT_EQ(a.wordAt(0), 7);
    EXPECT_EQ(a.wordAt(1), 1);
  }
  for (int seq : {3, 201}) {
    Args a;
    a.integer(std::int16_t(seq));
    a.integer(10);
    a.real(-1);
    a.real(-1);
    a.real(-1);
    a.call(71);
    if (seq <= 200) {
      EXPECT_DOUBLE_EQ(a.realAt(2), double((48 + 9) / 8));
      EXPECT_DOUBLE_EQ(a.realAt(3), double((48 + 9) % 8));
      EXPECT_DOUBLE_EQ(a.realAt(4), 103.0);
    } else {
      EXPECT_DOUBLE_EQ(a.realAt(2), -1.0);
    }
  }
  for (int seq : {200, 201}) {
    Args a;
    a.integer(std::int16_t(seq));
    a.text("LINE");
    a.call(73);
  }
  Args b;
  b.integer(5);
  b.real(0);
  b.text("X1");
  b.reals({2, 4, 0, 3});
  b.call(74);
  EXPECT_EQ(sink.seqLines, (std::vector<std::string>{"200:LINE\n", "5:  X1      : E3.3\n"}));
  setTargetTextSink(nullptr);
}

TEST(TextExterns, IncludeAndExtraFiles) {
  Harness h;
  const std::string dir = tempDir("engine_xt");
  const std::string inc = dir + "/part.txt";
  {
    std::FILE* f = std::fopen(inc.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("LINE A\nLINE B\n", f);
    std::fclose(f);
  }
  SinkScope s;
  Args a;
  a.text(inc);
  a.call(33);
  EXPECT_EQ(s.sink.text, "; include " + inc + "\nLINE A\nLINE B\n; end of include " + inc + "\n");
  s.sink.text.clear();
  Args missing;
  missing.text(dir + "/none.txt");
  missing.call(33);
  EXPECT_NE(s.sink.text.find("; cannot open"), std::string::npos);

  const std::string extra = dir + "/extra.txt";
  for (const char* line : {"one ", "two\n"}) {
    Args e;
    e.text(extra);
    e.text(line);
    e.call(76);
  }
  Args tooLong;
  tooLong.text(std::string(260, 'x'));
  tooLong.text("never");
  tooLong.call(76);
  xt_CloseExtraFiles();
  std::FILE* f = std::fopen(extra.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "one two\n");
  std::remove(inc.c_str());
  std::remove(extra.c_str());
}

TEST(LibraryExterns, CachedCallNeedsTheActionsFlagAndReportsMissingLibraries) {
  RecordingEngineServices rec;
  EngineServices* old = setEngineServices(&rec);
  Args a;
  a.integer(0);           // synchronous
  a.text("NOLIB.DLL");
  a.text("Fn");
  for (int i = 0; i < 6; ++i) a.badAddress();  // arguments outside the memory pass as null
  a.real(7.0);            // slot 9: the address out
  xt_DisableThreads();
  a.call(114);
  EXPECT_EQ(a.realAt(3), 7.0);  // flag clear: nothing happens
  EXPECT_TRUE(rec.calls.empty());
  xt_EnableThreads();
  a.call(114);
  EXPECT_EQ(a.realAt(3), 0.0);
  EXPECT_EQ(rec.calls, std::vector<std::string>{"msg 50047 NOLIB.DLL"});
  Args b;
  b.integer(0);
  b.real(3.0);            // never produced by 114: refused
  b.call(115);
  xt_DisableThreads();
  setEngineServices(old);
}

} // namespace engine::test
