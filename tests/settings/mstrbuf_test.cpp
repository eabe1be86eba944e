// The counted string record.
#include "obeltool/mstrbuf.h"
#include "settings_test_util.h"
#include <cstring>

namespace {

struct Rec {
  MStrBuf b{};
  ~Rec() { msb::Free(&b); }
};

TEST(MStrBuf, GrowthRule) {
  const std::pair<int, int> cases[] = {{0, 5}, {3, 5}, {4, 5}, {5, 10}, {9, 10}, {10, 15}, {14, 15}, {15, 20}};
  for (auto [n, cap] : cases) EXPECT_EQ(msb::growth(n), cap) << n;
}

TEST(MStrBuf, FromCStrSizesByTheGrowthRule) {
  const std::pair<const char*, int> cases[] = {{"", 5}, {"123456789", 10}, {"1234567890", 15}};
  for (auto [s, cap] : cases) {
    Rec r;
    msb::FromCStr(&r.b, s);
    ASSERT_NE(r.b.text, nullptr);
    EXPECT_STREQ(r.b.text, s);
    EXPECT_EQ(r.b.length, static_cast<int>(std::strlen(s)));
    EXPECT_EQ(r.b.capacity, cap);
  }
  Rec r;
  msb::FromCStr(&r.b, nullptr);
  EXPECT_EQ(r.b.text, nullptr);
  EXPECT_EQ(r.b.capacity, 0);
}

TEST(MStrBuf, TruncateAndResize) {
  Rec r;
  msb::FromCStr(&r.b, "ABCDEFGHIJKL");  // 12 characters, capacity 15
  ASSERT_EQ(r.b.capacity, 15);
  msb::Truncate(&r.b, 12);
  EXPECT_EQ(r.b.length, 12);
  EXPECT_EQ(r.b.capacity, 15);
  msb::Truncate(&r.b, 3);
  EXPECT_STREQ(r.b.text, "ABC");
  EXPECT_EQ(r.b.capacity, 5);

  Rec p;
  msb::FromCStr(&p.b, "/APP/TEMP/TMP.ERR");
  msb::Resize(&p.b, 3);
  EXPECT_STREQ(p.b.text, "ERR");
  EXPECT_EQ(p.b.length, 3);
  EXPECT_EQ(p.b.capacity, 5);
  msb::Resize(&p.b, 10);  // at or above the length: unchanged
  EXPECT_STREQ(p.b.text, "ERR");
}

TEST(MStrBuf, AppendAndAppendChar) {
  Rec r;
  msb::AppendChar(&r.b, 'x');
  EXPECT_STREQ(r.b.text, "x");
  EXPECT_EQ(r.b.capacity, 5);
  for (char c : std::string("yzuvw")) msb::AppendChar(&r.b, c);
  EXPECT_STREQ(r.b.text, "xyzuvw");
  EXPECT_EQ(r.b.length, 6);
  EXPECT_GE(r.b.capacity, 7);

  Rec src;
  msb::FromCStr(&src.b, "1234");
  msb::Append(&r.b, src.b);
  EXPECT_STREQ(r.b.text, "xyzuvw1234");
  EXPECT_EQ(r.b.capacity, 15);
  EXPECT_STREQ(src.b.text, "1234");  // the source keeps its text

  Rec empty;
  MStrBuf before = r.b;
  msb::Append(&r.b, empty.b);
  EXPECT_EQ(r.b.text, before.text);
  EXPECT_EQ(r.b.length, before.length);
}

TEST(MStrBuf, AssignCopiesAndRefusesShortCapacity) {
  Rec r;
  EXPECT_EQ(msb::Assign(&r.b, "hello", 5, 20), 6);
  EXPECT_STREQ(r.b.text, "hello");
  EXPECT_EQ(r.b.capacity, 20);
  // A capacity too small for the text would overrun: it is raised instead.
  EXPECT_EQ(msb::Assign(&r.b, "a longer text", 13, 3), 14);
  EXPECT_STREQ(r.b.text, "a longer text");
  EXPECT_GE(r.b.capacity, 14);
  EXPECT_EQ(msb::Assign(&r.b, "x", 0, 5), 0);
  EXPECT_EQ(r.b.text, nullptr);
}

TEST(MStrBuf, NullRecordsAreTolerated) {
  EXPECT_EQ(msb::Free(nullptr), 0);
  msb::Truncate(nullptr, 1);
  msb::Resize(nullptr, 1);
  msb::AppendChar(nullptr, 'a');
  EXPECT_EQ(msb::Append(nullptr, MStrBuf{}), 0);
  EXPECT_EQ(msb::GetProfileString(nullptr, "f", "s", "k", "d"), 0);
  msb::ToUpper(nullptr);
  Rec r;
  EXPECT_EQ(msb::Free(&r.b), 0);  // an empty record: harmless
  EXPECT_EQ(msb::Free(&r.b), 0);
}

TEST(MStrBuf, RegistryIsNotFound) {
  Rec r;
  msb::FromCStr(&r.b, "old");
  EXPECT_EQ(msb::GetRegistryString(&r.b, "HKEY_CURRENT_USER", "Software", "path"), 0);
  EXPECT_EQ(r.b.text, nullptr);
}

class ProfileRead : public testutil::BinDirTest {};

TEST_F(ProfileRead, ValuesDefaultsAndCapacity) {
  testutil::writeText(ini(), "[S]\nseven=1234567\nfour=abcd\nempty=\n");
  const struct { const char* key; const char* def; const char* text; int result; int cap; } cases[] = {
      {"seven", "", "1234567", 1, 10}, {"four", "", "abcd", 1, 5},   {"missing", "dflt", "dflt", 1, 5},
      {"missing", "", "", 0, 5},       {"empty", "x", "", 0, 5},
  };
  for (const auto& c : cases) {
    Rec r;
    EXPECT_EQ(msb::GetProfileString(&r.b, ini().c_str(), "s", c.key, c.def), c.result) << c.key;
    EXPECT_STREQ(r.b.text, c.text) << c.key;
    EXPECT_EQ(r.b.capacity, c.cap) << c.key;
  }
  Rec r;
  EXPECT_EQ(msb::GetProfileString(&r.b, nullptr, "s", "seven", ""), 0);
}

TEST(MStrBuf, ToUpper) {
  char s[] = "abc/Def.q";
  msb::ToUpper(s);
  EXPECT_STREQ(s, "ABC/DEF.Q");
}

} // namespace
