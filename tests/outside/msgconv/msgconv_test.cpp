// The message-conversion libraries: both byte orders in-process, and the
// libraries loaded by path with every operation.
#include "msgconv/mc01_table.h"
#include "platform/library.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace {

struct Order {
  const mc01::Table* t;
  bool big;
};

std::string text(const mc01::Table& t, const char* area, uint32_t size, const unsigned char* bytes) {
  MC01_VariableRef ref{area, 0, -1, 0, size, const_cast<unsigned char*>(bytes)};
  MC01_MStrBuf out{nullptr, 0, 0};
  std::string s;
  if (t.ConvertBinToString(&ref, &out) && out.text) s = out.text;
  t.DeleteMStrBuf(&out);
  return s;
}

}  // namespace

TEST(MsgConv, NumbersInBothByteOrders) {
  for (Order o : {Order{&mc01::littleEndian(), false}, Order{&mc01::bigEndian(), true}}) {
    const mc01::Table& t = *o.t;
    SCOPED_TRACE(o.big);
    EXPECT_DOUBLE_EQ(t.GetDLLVersion(), 1.0);
    unsigned char b[8];
    ASSERT_EQ(t.LongToBin(0x11223344, b, 4), 1);
    EXPECT_EQ(b[0], o.big ? 0x11 : 0x44);
    uint32_t l = 0;
    ASSERT_EQ(t.BinToLong(b, 4, &l), 1);
    EXPECT_EQ(l, 0x11223344u);
    ASSERT_EQ(t.WordToBin(0xABCD, b, 4), 1);  // two of four bytes
    EXPECT_EQ(b[0], o.big ? 0xAB : 0xCD);
    uint16_t w = 0;
    ASSERT_EQ(t.BinToWord(b, 2, &w), 1);
    EXPECT_EQ(w, 0xABCD);
    float f = 0;
    ASSERT_EQ(t.FloatToBin(-2.5f, b, 4), 1);
    ASSERT_EQ(t.BinToFloat(b, 4, &f), 1);
    EXPECT_EQ(f, -2.5f);
    // Too short or null.
    EXPECT_EQ(t.LongToBin(1, b, 3), 0);
    EXPECT_EQ(t.WordToBin(1, b, 1), 0);
    EXPECT_EQ(t.BinToLong(b, 3, &l), 0);
    EXPECT_EQ(t.BinToWord(nullptr, 2, &w), 0);
    EXPECT_EQ(t.FloatToBin(1, nullptr, 4), 0);
  }
}

TEST(MsgConv, Texts) {
  const mc01::Table& t = mc01::littleEndian();
  const unsigned char raw[] = {'A', 'B', 'C', 0, 'X'};
  char out[8];
  ASSERT_EQ(t.BinToString(raw, 5, out, 8), 1);
  EXPECT_STREQ(out, "ABC");
  ASSERT_EQ(t.BinToString(raw, 5, out, 3), 1);  // cut to the capacity
  EXPECT_STREQ(out, "AB");
  EXPECT_EQ(t.BinToString(raw, 5, out, 0), 0);
  unsigned char bin[5];
  std::memset(bin, 0xEE, sizeof bin);
  ASSERT_EQ(t.StringToBin("hey", 3, bin, 5), 1);
  EXPECT_EQ(std::memcmp(bin, "hey\0\0", 5), 0);
  EXPECT_EQ(t.StringToBin("toolong", 7, bin, 5), 0);
}

TEST(MsgConv, VariableValuesAsText) {
  struct Case {
    const char* area;
    uint32_t size;
    const char* value;
    int ok;
    const char* back;  // the text read back ("" none)
  } cases[] = {
      {"DW", 2, "-2", 1, "-2"},        {"DW", 2, "65535", 1, "-1"},     {"DW", 2, "70000", 0, ""},
      {"DL", 4, "0x10", 1, "16"},       {"DL", 4, "12abc", 0, ""},       {"DF", 4, "1.5", 1, "1.5"},
      {"PF", 4, "-2e3", 1, "-2000"},    {"DF", 4, "1", 1, "1"},          {"DF", 4, "x", 0, ""},
      {"DF", 8, "0.25", 1, "0.25"},     {"DT", 18, "hello", 1, "hello"}, {"DT", 3, "abc", 0, ""},
      {"A", 1, "255", 1, "-1"},         {"M", 8, "-5", 1, "-5"},
      // Beyond the float range: refused, not stored as infinity.
      {"DF", 4, "1e39", 0, ""},         {"DF", 4, "-3.5e38", 0, ""},     {"DF", 8, "1e39", 1, "1e+39"},
  };
  // A locale with a decimal comma must not change the forms.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  for (const mc01::Table* t : {&mc01::littleEndian(), &mc01::bigEndian()}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.area) + " " + c.value);
      unsigned char buf[32] = {};
      MC01_VariableRef ref{c.area, 0, -1, 0, c.size, buf};
      EXPECT_EQ(t->ConvertStringToBin(&ref, c.value), c.ok);
      if (c.ok) EXPECT_EQ(text(*t, c.area, c.size, buf), c.back);
    }
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  const mc01::Table& t = mc01::littleEndian();
  EXPECT_EQ(t.ConvertStringToBin(nullptr, "1"), 0);
  unsigned char z[18] = {};
  EXPECT_EQ(text(t, "DT", 18, z), "");  // an empty text gives no text
}

TEST(MsgConv, LibrariesLoadByPathWithEveryOperation) {
  const char* names[] = {"MC01_GetDLLVersion", "MC01_BinToLong",         "MC01_BinToWord",
                         "MC01_BinToFloat",    "MC01_BinToString",       "MC01_LongToBin",
                         "MC01_WordToBin",     "MC01_FloatToBin",        "MC01_StringToBin",
                         "MC01_ConvertStringToBin", "MC01_ConvertBinToString", "MC01_DeleteMStrBuf"};
  for (auto [file, big] : {std::pair{"MSGCONVLE.DLL", false}, std::pair{"MSGCONVBE.DLL", true}}) {
    plat::lib::Handle h = plat::lib::load(std::string(ZERLO_BIN_DIR) + "/" + file);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
    for (const char* n : names) EXPECT_NE(plat::lib::symbol(h, n), nullptr) << file << " " << n;
    auto toBin = plat::lib::symbolAs<MC01_LongToBin_t>(h, "MC01_LongToBin");
    unsigned char b[4];
    ASSERT_EQ(toBin(1, b, 4), 1);
    EXPECT_EQ(b[0], big ? 0 : 1);
    plat::lib::unload(h);
  }
}
