// Reading device descriptions: header forms, tables, queries, refusals.
#include "test_support.h"

#include "ddfreader/inproc.h"

#include <algorithm>
#include <cstring>

using namespace ddftest;

namespace {

ddfw::Description withModules(std::vector<ddfw::Module> mods) {
  ddfw::Description d = ddfw::fixture4Byte();
  d.modules = std::move(mods);
  return d;
}

std::vector<uint8_t> cut(std::vector<uint8_t> v, size_t n) {
  v.resize(n);
  return v;
}

}  // namespace

TEST_F(ReaderFixture, HeaderOfBothFixtures) {
  struct Case {
    ddfw::Description d;
    uint16_t version;
    uint8_t addrFormat;
    uint32_t minCycle;
  };
  for (const Case& c : {Case{ddfw::fixture4Byte(), 301, 4, 5}, Case{ddfw::fixture4Byte(1), 301, 4, 5},
                        Case{ddfw::fixture2Byte(), 200, 2, 10}, Case{ddfw::fixture2Byte(1), 200, 2, 10}}) {
    SCOPED_TRACE(c.version * 10 + c.d.dataFormat);
    ASSERT_TRUE(reader.open(write("f.ddf", c.d)));
    uint16_t v = 0;
    uint8_t f = 0, af = 0;
    uint32_t a = 0, s = 0, ms = 0;
    uint16_t count = 0;
    EXPECT_EQ(reader.getFileVersion(&v), 1);
    EXPECT_EQ(v, c.version);
    EXPECT_EQ(reader.getTargetFormat(&f), 1);
    EXPECT_EQ(f, c.d.dataFormat);
    EXPECT_EQ(reader.getTargetAddressFormat(&af), 1);
    EXPECT_EQ(af, c.addrFormat);
    EXPECT_EQ(reader.getMVLAddressAndSize(&a, &s), 1);
    EXPECT_EQ(a, c.d.progMemAddr);
    EXPECT_EQ(s, c.d.progMemSize * c.addrFormat);
    EXPECT_EQ(reader.getMVLTableAddressAndSize(&a, &count), 1);
    EXPECT_EQ(a, c.d.progTableAddr);
    EXPECT_EQ(count, c.d.progTableCount);
    EXPECT_EQ(reader.getProgInfo(&a, &s), 1);
    EXPECT_EQ(a, c.d.projInfoAddr);
    EXPECT_EQ(s, c.d.projInfoSize);
    EXPECT_EQ(reader.getMinCycleTime(&ms), 1);
    EXPECT_EQ(ms, c.minCycle);
    EXPECT_EQ(reader.getMVLStructInfoAddressAndSize(&a, &s), 1);
    EXPECT_EQ(a, c.d.structInfoAddr);
    EXPECT_EQ(s, c.d.structInfoSize);
    EXPECT_EQ(reader.modules().size(), c.d.modules.size());
    EXPECT_EQ(reader.areas().size(), c.d.areas.size() + c.d.segmented.size());
    uint32_t addr = 0;
    EXPECT_EQ(reader.getModulAddress("TON", &addr), 0);
    EXPECT_EQ(addr, c.d.modules.back().address);
  }
  EXPECT_TRUE(sink->shown().empty());
}

TEST_F(ReaderFixture, PlainFormAndOldVersions) {
  ddfw::Description d = ddfw::fixture2Byte();
  d.plainForm = true;
  d.minCycleTime = 77;  // not written in the plain form
  ASSERT_TRUE(reader.open(write("p.ddf", d)));
  uint16_t v = 0;
  uint32_t ms = 1, a = 1, s = 1;
  reader.getFileVersion(&v);
  EXPECT_EQ(v, 100);
  reader.getMinCycleTime(&ms);
  EXPECT_EQ(ms, 0u);
  EXPECT_EQ(reader.header().device, "FIXT2.DDF");
  EXPECT_EQ(reader.areas().size(), d.areas.size());

  // Version 1.50: no cycle time and no structure information.
  d = ddfw::fixture2Byte();
  d.major = 1;
  d.minor = 50;
  ASSERT_TRUE(reader.open(write("v150.ddf", d)));
  reader.getFileVersion(&v);
  EXPECT_EQ(v, 150);
  reader.getMinCycleTime(&ms);
  reader.getMVLStructInfoAddressAndSize(&a, &s);
  EXPECT_EQ(ms, 0u);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(s, 0u);
}

TEST_F(ReaderFixture, PlainFormStartingWithTwoIsReadAsVersioned) {
  ddfw::Description d = ddfw::fixture2Byte();
  d.plainForm = true;
  d.device = std::string("\x02") + "AB";  // read as marker 2, version 'A' x 100 + 'B'
  d.areas.clear();
  reader.open(write("two.ddf", d));
  uint16_t v = 0;
  if (reader.isOpen()) {
    reader.getFileVersion(&v);
    EXPECT_EQ(v, 'A' * 100 + 'B');
  }
  EXPECT_FALSE(reader.isOpen() && v == 100);
}

TEST_F(ReaderFixture, FileEndingAfterHeaderOpensEmpty) {
  ddfw::Description d = ddfw::fixture4Byte();
  auto img = ddfw::build(d);
  auto l = ddfw::layoutOf(d);
  ASSERT_TRUE(reader.open(writeBytes("h.ddf", cut(img, l.headerSize))));
  EXPECT_EQ(reader.modules().size(), 0u);
  EXPECT_EQ(reader.areas().size(), 0u);
  uint32_t a = 0;
  EXPECT_EQ(reader.getModulAddress("NOP", &a), 1);
}

TEST_F(ReaderFixture, ModuleLookup) {
  ASSERT_TRUE(reader.open(write("m.ddf", withModules({{"AND", 0x10}, {"AND", 0x20}, {"NOP", 0x30},
                                                      {"ABCDEFGHIJKLMNOPQRST", 0x40}, {"and", 0x50}}))));
  uint32_t a = 0;
  EXPECT_EQ(reader.getModulAddress("AND", &a), 0);
  EXPECT_EQ(a, 0x10u);  // the first of two entries of a name wins
  EXPECT_EQ(reader.getModulAddress("and", &a), 0);
  EXPECT_EQ(a, 0x50u);  // names are compared exactly
  EXPECT_EQ(reader.getModulAddress("ABCDEFGHIJKLMNOP", &a), 0);  // 16 characters kept
  EXPECT_EQ(a, 0x40u);
  a = 0;
  EXPECT_EQ(reader.getModulAddress("MISSING", &a), 3);  // the "NOP" fallback
  EXPECT_EQ(a, 0x30u);
  EXPECT_EQ(reader.getModulAddress("MISSING", nullptr), 1);

  ASSERT_TRUE(reader.open(write("n.ddf", withModules({{"AND", 0x10}}))));
  EXPECT_EQ(reader.getModulAddress("OR", &a), 1);
  reader.close();
  EXPECT_EQ(reader.getModulAddress("AND", &a), 1);
}

TEST_F(ReaderFixture, ElementNumbers) {
  ddfw::Description d = ddfw::fixture4Byte();
  d.areas.push_back({"PB", 0x5000, 0x5000, 3, 8, 1});
  d.segmented.push_back({"B2", 2, {{0x6000, 10}}});
  ASSERT_TRUE(reader.open(write("e.ddf", d)));
  struct Case {
    const char* name;
    int16_t result;
    uint32_t count;
  } cases[] = {{"M", 1, 512},  {"B", 1, 800}, {"PB", 1, 24}, {"DW", 1, 100},
               {"SEG", 1, 8},  {"B2", 1, 5},  {"m", 0, 0},   {"NONE", 0, 0}};
  for (const Case& c : cases) {
    uint32_t n = 99;
    EXPECT_EQ(reader.getMemoryElementNumber(c.name, &n), c.result) << c.name;
    EXPECT_EQ(n, c.count) << c.name;
  }
  // A segmented area named "M" keeps its element number.
  d = ddfw::fixture4Byte();
  d.areas.erase(std::remove_if(d.areas.begin(), d.areas.end(), [](auto& a) { return a.name == "M"; }),
                d.areas.end());
  d.segmented.push_back({"M", 2, {{0x7000, 10}}});
  ASSERT_TRUE(reader.open(write("m.ddf", d)));
  uint32_t n = 0;
  EXPECT_EQ(reader.getMemoryElementNumber("M", &n), 1);
  EXPECT_EQ(n, 5u);
}

TEST_F(ReaderFixture, VariableAddresses) {
  ddfw::Description d = ddfw::fixture4Byte();
  ASSERT_TRUE(reader.open(write("v.ddf", d)));
  const ddfw::ContiguousArea& dw = d.areas[0];
  const ddfw::ContiguousArea& m = d.areas[9];
  ASSERT_EQ(m.name, "M");
  struct Case {
    const char* name;
    int32_t index, element;
    int16_t result;
    uint32_t address, size;
  } cases[] = {
      {"DW", 0, -1, 1, dw.memAddr, 2},
      {"DW", 99, -1, 1, dw.memAddr + 198, 2},
      {"DW", 100, -1, 0, 0, 0},          // index equal to the element number
      {"DW", -1, -1, 0, 0, 0},           // compared unsigned
      {"DW", 3, 1, 2, dw.memAddr + 6, 2},  // no sub-elements: the element
      {"M", 2, 5, 1, m.memAddr + 16 + 5, 1},
      {"M", 2, 7, 1, m.memAddr + 16 + 7, 1},
      {"M", 2, 8, 0, 0, 0},          // past the element: not the first one of the next
      {"M", 2, 12, 0, 0, 0},
      {"M", 2, 99999999, 0, 0, 0},   // would wrap the address
      {"M", 2, INT32_MAX, 0, 0, 0},
      {"SEG", 0, -1, 1, 0x00190000, 2},
      {"SEG", 4, -1, 1, 0x00190008, 2},
      {"SEG", 5, 3, 1, 0x001A0000, 2},  // first element of the second segment
      {"SEG", 7, -1, 1, 0x001A0004, 2},
      {"SEG", 8, -1, 0, 0, 0},
      {"NONE", 0, -1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.index) + "." + std::to_string(c.element));
    DdfVarQuery q{c.name, c.index, c.element, 0xFFFF, 0xFFFF};
    EXPECT_EQ(reader.getVarSizeAndAddress(&q), c.result);
    EXPECT_EQ(q.address, c.address);
    EXPECT_EQ(q.size, c.size);
  }
  auto texts = shownTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Warning !   Memory DW contents no subelements.");
  EXPECT_EQ(sink->shown()[0].caption, "DdfReader.dll");
  EXPECT_EQ(reader.getVarSizeAndAddress(nullptr), 0);
}

TEST_F(ReaderFixture, SegmentedAreaWithSegmentsOfTenAndSix) {
  ddfw::Description d = ddfw::fixture4Byte();
  d.segmented = {{"S", 2, {{0x100, 10}, {0x200, 6}}}};
  ASSERT_TRUE(reader.open(write("s.ddf", d)));
  DdfVarQuery q{"S", 5, -1, 0, 0};
  EXPECT_EQ(reader.getVarSizeAndAddress(&q), 1);
  EXPECT_EQ(q.address, 0x200u);
}

TEST_F(ReaderFixture, DeviceAndProcessorNames) {
  ddfw::Description d = ddfw::fixture4Byte();
  d.device = "ABCDEF.DDF";
  d.processor = "PROCESSOR123";  // all 12 bytes used
  ASSERT_TRUE(reader.open(write("n.ddf", d)));
  char buf[32];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(reader.getDevice(buf, sizeof buf), 6);
  EXPECT_STREQ(buf, "ABCDEF");
  EXPECT_EQ(reader.getDevice(buf, 4), 3);
  EXPECT_STREQ(buf, "ABC");
  EXPECT_EQ(reader.getDevice(nullptr, 0), 6);
  EXPECT_EQ(reader.getDevice(buf, 0), 0);
  EXPECT_EQ(reader.getProzessorTyp(buf, sizeof buf), 12);
  EXPECT_STREQ(buf, "PROCESSOR123");
  EXPECT_EQ(reader.getProzessorTyp(buf, 5), 4);
  EXPECT_STREQ(buf, "PROC");
  EXPECT_EQ(reader.getProzessorTyp(nullptr, 0), 12);
  reader.close();
  EXPECT_EQ(reader.getDevice(buf, sizeof buf), 0);
}

TEST_F(ReaderFixture, QueriesOnClosedReaderAnswerZero) {
  uint16_t v = 7;
  uint8_t f = 7;
  uint32_t a = 7, s = 7;
  uint16_t c = 7;
  EXPECT_EQ(reader.getFileVersion(&v), 0);
  EXPECT_EQ(reader.getTargetFormat(&f), 0);
  EXPECT_EQ(reader.getTargetAddressFormat(&f), 0);
  EXPECT_EQ(reader.getProgInfo(&a, &s), 0);
  EXPECT_EQ(reader.getMinCycleTime(&a), 0);
  EXPECT_EQ(reader.getMVLAddressAndSize(&a, &s), 0);
  EXPECT_EQ(reader.getMVLTableAddressAndSize(&a, &c), 0);
  EXPECT_EQ(reader.getMVLStructInfoAddressAndSize(&a, &s), 0);
  EXPECT_EQ(reader.getMemoryElementNumber("M", &a), 0);
  unsigned char out[8];
  EXPECT_EQ(reader.convertLongToBin(1, out, 4), 0);
  EXPECT_EQ(reader.convertAddressToBin(1, out, 4), 0);
  EXPECT_EQ(reader.convertDLBlockStartAddressToBin(1, out, 4), 0);
  EXPECT_EQ(v, 7);
  EXPECT_EQ(f, 7);
  EXPECT_EQ(a, 7u);
  EXPECT_EQ(s, 7u);
  EXPECT_EQ(c, 7);
  EXPECT_FALSE(reader.open(tmp.path("missing.ddf")));
  EXPECT_TRUE(sink->shown().empty());  // a missing file is not reported
}

TEST_F(ReaderFixture, FormatSixIsIntelAndMotorolaReadsBigEndian) {
  ASSERT_TRUE(reader.open(write("six.ddf", ddfw::fixture4Byte(6))));
  uint8_t f = 0;
  reader.getTargetFormat(&f);
  EXPECT_EQ(f, 2);
  EXPECT_EQ(reader.header().dataFormat, 6);
  unsigned char out[4];
  EXPECT_EQ(reader.convertLongToBin(0x01020304, out, 4), 1);
  EXPECT_EQ(out[0], 0x04);

  ASSERT_TRUE(reader.open(write("mot.ddf", ddfw::fixture4Byte(1))));
  uint32_t a = 0;
  EXPECT_EQ(reader.getModulAddress("JPZ", &a), 0);
  EXPECT_EQ(a, 0x00400000u);
  EXPECT_EQ(reader.convertLongToBin(0x01020304, out, 4), 1);
  EXPECT_EQ(out[0], 0x01);
}

TEST_F(ReaderFixture, ConverterStaysWhileFormatStays) {
  ASSERT_TRUE(reader.open(write("a.ddf", ddfw::fixture4Byte())));
  ASSERT_TRUE(reader.open(write("b.ddf", ddfw::fixture2Byte(6))));  // 6 uses the converter of 2
  EXPECT_EQ(loader.loads, 1);
  ASSERT_TRUE(reader.open(write("c.ddf", ddfw::fixture2Byte(1))));
  EXPECT_EQ(loader.loads, 2);
  EXPECT_EQ(loader.unloads, 1);
  reader.close();
  EXPECT_EQ(loader.unloads, 2);
}

TEST_F(ReaderFixture, ConverterFailuresFailTheDescription) {
  struct Case {
    uint8_t format;
    std::string path;  // "" none configured
    double version;
    std::vector<std::string> texts;
  } cases[] = {
      {9, "", 1.0,
       {"Fatal Error !   There is no message konverter specified for target format 9."}},
      {9, "NOWHERE.DLL", 1.0,
       {"Fatal Error !   Dynamic Link Library NOWHERE.DLL can not be found or is to old."}},
      {2, "LE", 0.99, {"Fatal Error !   Dynamic Link Library LE can not be found or is to old."}},
  };
  for (const Case& c : cases) {
    sink->clear();
    settings.paths.erase(9);
    if (!c.path.empty()) settings.paths[9] = c.path;
    loader.version = c.version;
    std::string p = write("f.ddf", ddfw::fixture4Byte(c.format));
    EXPECT_FALSE(reader.open(p));
    EXPECT_FALSE(reader.isOpen());
    auto texts = c.texts;
    texts.push_back("Error !   Invalid device description format in file " + p + ".");
    EXPECT_EQ(shownTexts(), texts);
  }
}

TEST_F(ReaderFixture, TruncatedDescriptionsAreRefusedCleanly) {
  for (auto d : {ddfw::fixture4Byte(), ddfw::fixture2Byte(), ddfw::fixture4Byte(1)}) {
    auto img = ddfw::build(d);
    auto l = ddfw::layoutOf(d);
    for (size_t n = 0; n < img.size(); ++n) {
      sink->clear();
      bool ok = reader.openImage(cut(img, n), "t.ddf");
      // The end of the image counts as the end of a list only where an entry would begin.
      bool boundary = n == l.headerSize || (n >= l.areasStart - 3 && n < l.areasStart) ||
                      std::find(l.entryStarts.begin(), l.entryStarts.end(), n) != l.entryStarts.end();
      EXPECT_EQ(ok, boundary) << "cut at " << n;
      EXPECT_EQ(reader.isOpen(), ok);
      EXPECT_EQ(sink->shown().size(), ok ? 0u : 1u) << "cut at " << n;
    }
  }
}

TEST_F(ReaderFixture, CorruptDescriptionsAreRefused) {
  // A segmented area without an element size.
  ddfw::Description d = ddfw::fixture4Byte();
  d.segmented.push_back({"Z", 0, {{0x10, 4}}});
  EXPECT_FALSE(reader.open(write("z.ddf", d)));
  // A segment count beyond the file.
  d = ddfw::fixture4Byte();
  auto img = ddfw::build(d);
  auto l = ddfw::layoutOf(d);
  size_t countAt = l.segmentedStart + std::strlen("SCRIPTTAB") + 1;
  img[countAt] = 0xFF;
  img[countAt + 1] = 0xFF;
  EXPECT_FALSE(reader.open(writeBytes("c.ddf", img)));
  // Element numbers that add up beyond 32 bits.
  d = ddfw::fixture4Byte();
  d.segmented = {{"BIG", 1, {{0, 0xFFFFFFFF}, {0, 0xFFFFFFFF}}}};
  EXPECT_FALSE(reader.open(write("b.ddf", d)));
  // An empty file.
  EXPECT_FALSE(reader.open(writeBytes("e.ddf", {})));
  EXPECT_FALSE(reader.isOpen());
  EXPECT_EQ(sink->shown().size(), 4u);
}

TEST_F(ReaderFixture, OlderFilesReadTheSegmentedListAllTheSame) {
  ddfw::Description d = ddfw::fixture2Byte();
  d.segmented = {{"S", 2, {{0x100, 4}}}};
  ASSERT_TRUE(reader.open(write("s.ddf", d)));
  uint32_t n = 0;
  EXPECT_EQ(reader.getMemoryElementNumber("S", &n), 1);
  EXPECT_EQ(n, 2u);
}

TEST_F(ReaderFixture, AddressAndBlockConversions) {
  unsigned char out[6];
  ASSERT_TRUE(reader.open(write("two.ddf", ddfw::fixture2Byte(1))));
  std::memset(out, 0xAA, sizeof out);
  EXPECT_EQ(reader.convertAddressToBin(0x1234, out, 2), 1);
  EXPECT_EQ(out[0], 0x12);
  EXPECT_EQ(out[1], 0x34);
  EXPECT_EQ(out[2], 0xAA);
  // Download block addresses are little-endian for every format but 5.
  EXPECT_EQ(reader.convertDLBlockStartAddressToBin(0x01020304, out, 4), 1);
  EXPECT_EQ(out[0], 0x04);
  EXPECT_EQ(out[3], 0x01);
  EXPECT_EQ(reader.convertDLBlockStartAddressToBin(1, out, 3), 0);
  EXPECT_EQ(reader.convertDLBlockStartAddressToBin(1, nullptr, 4), 0);

  ASSERT_TRUE(reader.open(write("four.ddf", ddfw::fixture4Byte())));
  EXPECT_EQ(reader.convertAddressToBin(0x01020304, out, 4), 1);
  EXPECT_EQ(out[0], 0x04);

  // Format 5: a word through the converter in a cleared buffer.
  ASSERT_TRUE(reader.open(write("five.ddf", ddfw::fixture4Byte(5))));
  std::memset(out, 0xAA, sizeof out);
  EXPECT_EQ(reader.convertDLBlockStartAddressToBin(0x1234, out, 4), 1);
  EXPECT_EQ(out[0], 0x34);
  EXPECT_EQ(out[1], 0x12);
  EXPECT_EQ(out[2], 0x00);  // cleared first
  EXPECT_EQ(out[3], 0x00);
}

TEST_F(ReaderFixture, PassThroughConversions) {
  ASSERT_TRUE(reader.open(write("f.ddf", ddfw::fixture4Byte())));
  unsigned char buf[4] = {};
  DdfVarValue v{"DW", 3, -1, 0, 2, buf};
  EXPECT_EQ(reader.convertStringToBin(&v, "-2"), 1);
  EXPECT_EQ(buf[0], 0xFE);
  EXPECT_EQ(buf[1], 0xFF);
  uint16_t w = 0;
  EXPECT_EQ(reader.convertBinToWord(buf, 2, &w), 1);
  EXPECT_EQ(w, 0xFFFE);
  float f = 0;
  EXPECT_EQ(reader.convertFloatToBin(1.5f, buf, 4), 1);
  EXPECT_EQ(reader.convertBinToFloat(buf, 4, &f), 1);
  EXPECT_EQ(f, 1.5f);
  char text[8];
  unsigned char tb[6];
  EXPECT_EQ(reader.convertTextToBin("abc", 3, tb, 6), 1);
  EXPECT_EQ(reader.convertBinToText(tb, 6, text, 8), 1);
  EXPECT_STREQ(text, "abc");
  uint32_t l = 0;
  EXPECT_EQ(reader.convertLongToBin(70000, buf, 4), 1);
  EXPECT_EQ(reader.convertBinToLong(buf, 4, &l), 1);
  EXPECT_EQ(l, 70000u);
  EXPECT_EQ(reader.convertWordToBin(7, buf, 1), 0);  // too short
}

TEST_F(ReaderFixture, SoftwarePlcLayoutOpens) {
  // All areas contiguous, then the eight zero bytes that end the description,
  // or the marker of a description cut short before an area.
  ddfw::Description d = ddfw::fixture4Byte();
  d.segmented.clear();
  d.writeSegmentedList = false;
  // (The writer ends the contiguous list itself: the tails are what follows that zero.)
  for (std::vector<uint8_t> tail : {std::vector<uint8_t>(7, 0), std::vector<uint8_t>{0, 0, 0, 0, 1, 2, 3}}) {
    d.trailer = tail;
    ASSERT_TRUE(reader.openImage(ddfw::build(d), "plc.ddf"));
    EXPECT_EQ(reader.areas().size(), d.areas.size());
  }
  // A file that cannot be opened leaves the open description as it was.
  EXPECT_FALSE(reader.open(tmp.path("missing.ddf")));
  EXPECT_TRUE(reader.isOpen());
}

TEST(InProcessConverters, ReadBothByteOrders) {
  ddf::InProcessConverters conv;
  ddf::Reader reader(conv, conv);
  for (uint8_t format : {uint8_t(1), uint8_t(2), uint8_t(6)}) {
    ASSERT_TRUE(reader.openImage(ddfw::build(ddfw::fixture2Byte(format)), "inproc"));
    uint32_t a = 0;
    EXPECT_EQ(reader.getModulAddress("NOP", &a), 0);
    EXPECT_EQ(a, 0x1020u);
  }
}
