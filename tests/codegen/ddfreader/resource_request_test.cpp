// The resource request built from a resource file (and default.res).
#include "test_support.h"

#include "platform/paths.h"

#include <cstring>
#include <unistd.h>

using namespace ddftest;

namespace {

struct Entry {
  std::string name;  // up to the first zero within 16 bytes
  std::string rawName;
  uint32_t num, size;
  uint8_t option;
};

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

std::vector<Entry> entries(const unsigned char* buf, int32_t len, bool big) {
  std::vector<Entry> out;
  uint32_t n = le32(buf);
  EXPECT_EQ(len, int32_t(4 + 26 * n));
  for (uint32_t i = 0; i < n; ++i) {
    const unsigned char* e = buf + 4 + 26 * i;
    Entry x;
    x.rawName.assign(reinterpret_cast<const char*>(e), 16);
    x.name = std::string(reinterpret_cast<const char*>(e), strnlen(reinterpret_cast<const char*>(e), 16));
    x.num = big ? be32(e + 16) : le32(e + 16);
    x.size = big ? be32(e + 20) : le32(e + 20);
    x.option = e[24];
    out.push_back(x);
  }
  return out;
}

struct ResourceFixture : ReaderFixture {
  void SetUp() override { ASSERT_TRUE(reader.open(write("t.ddf", ddfw::fixture4Byte()))); }
  std::string res(const std::string& name, const std::string& text) {
    std::string p = tmp.path(name);
    EXPECT_TRUE(plat::path::writeFileAtomic(p, text));
    return p;
  }
};

}  // namespace

TEST_F(ResourceFixture, TwoSectionsGiveFourEntries) {
  std::string p = res("a.res",
                      "[GLOBAL]\nMVL=3000\n\n[1]\nName=DW\nSize=2\nNum=100\nOption=11\n\n"
                      "[2]\nName=ABCDEFGHIJKLMNOPQRST\nOption=1F\n\n[4]\nName=SKIPPED\n");
  std::vector<unsigned char> buf(1000, 0xEE);
  int32_t len = reader.buildResourceRequest(buf.data(), int32_t(buf.size()), p.c_str());
  EXPECT_EQ(len, 108);
  auto e = entries(buf.data(), len, false);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].name, "MVL");
  EXPECT_EQ(e[0].num, 1u);
  EXPECT_EQ(e[0].size, 3000u);
  EXPECT_EQ(e[0].option, 0x10);
  EXPECT_EQ(e[1].name, "DW");
  EXPECT_EQ(e[1].rawName, std::string("DW") + std::string(14, '\0'));
  EXPECT_EQ(e[1].num, 100u);
  EXPECT_EQ(e[1].size, 2u);
  EXPECT_EQ(e[1].option, 0x11);
  EXPECT_EQ(e[2].rawName, "ABCDEFGHIJKLMNOP");  // cut to 16, no zero inside the field
  EXPECT_EQ(e[2].num, 1u);                      // defaults
  EXPECT_EQ(e[2].size, 1u);
  EXPECT_EQ(e[2].option, 31);
  EXPECT_EQ(e[3].name, "SCRIPTTAB");
  EXPECT_EQ(e[3].num, 1u);
  EXPECT_EQ(e[3].size, 512u);  // no SCRIPTS
  EXPECT_EQ(e[3].option, 0);
  EXPECT_EQ(buf[108], 0xEE);  // nothing behind the request
  EXPECT_TRUE(sink->shown().empty());
}

TEST_F(ResourceFixture, ScriptsAndEmptyMvl) {
  std::string p = res("b.res", "[GLOBAL]\nMVL=\nSCRIPTS=10\n");
  unsigned char buf[200];
  int32_t len = reader.buildResourceRequest(buf, sizeof buf, p.c_str());
  auto e = entries(buf, len, false);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].size, 0u);
  EXPECT_EQ(e[1].size, 80u);
}

TEST_F(ResourceFixture, NumbersInTargetOrder) {
  ASSERT_TRUE(reader.open(write("m.ddf", ddfw::fixture4Byte(1))));
  std::string p = res("c.res", "[GLOBAL]\nMVL=258\n");
  unsigned char buf[200];
  int32_t len = reader.buildResourceRequest(buf, sizeof buf, p.c_str());
  EXPECT_EQ(le32(buf), 2u);  // the count is little-endian whatever the target
  auto e = entries(buf, len, true);
  EXPECT_EQ(e[0].size, 258u);
}

TEST_F(ResourceFixture, MissingMvlReadsDefaultResBesideIt) {
  res("default.res", "[GLOBAL]\nMVL=4000\nSCRIPTS=2\n[1]\nName=PW\nNum=5\nSize=2\n");
  std::string p = tmp.path("none.res");  // missing file
  unsigned char buf[200];
  int32_t len = reader.buildResourceRequest(buf, sizeof buf, p.c_str());
  auto e = entries(buf, len, false);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].size, 4000u);
  EXPECT_EQ(e[1].name, "PW");
  EXPECT_EQ(e[2].size, 16u);
  ASSERT_EQ(shownTexts().size(), 1u);
  EXPECT_EQ(shownTexts()[0], "Resource request " + p + " cannot be found. File default.res will be used.");
}

TEST_F(ResourceFixture, BareNameReadsDefaultResOfCurrentDirectory) {
  res("default.res", "[GLOBAL]\nMVL=77\n");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(tmp.dir().c_str()), 0);
  unsigned char buf[200];
  int32_t len = reader.buildResourceRequest(buf, sizeof buf, "nothing.res");
  ASSERT_EQ(chdir(old), 0);
  auto e = entries(buf, len, false);
  EXPECT_EQ(e[0].size, 77u);
}

TEST_F(ResourceFixture, NeitherFileGivesSizeZero) {
  unsigned char buf[200];
  int32_t len = reader.buildResourceRequest(buf, sizeof buf, tmp.path("x.res").c_str());
  auto e = entries(buf, len, false);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].size, 0u);
  EXPECT_EQ(e[1].size, 512u);
}

TEST_F(ResourceFixture, NeverWritesPastTheBuffer) {
  std::string text = "[GLOBAL]\nMVL=1\n";
  for (int k = 1; k <= 10; ++k) text += "[" + std::to_string(k) + "]\nName=N" + std::to_string(k) + "\n";
  std::string p = res("many.res", text);
  struct Case {
    int32_t size, length;
  } cases[] = {{55, 0}, {56, 56}, {81, 56}, {82, 82}, {108, 108}, {133, 108}, {134, 134}, {1000, 316}};
  for (const Case& c : cases) {
    std::vector<unsigned char> buf(size_t(c.size) + 64, 0xEE);
    int32_t len = reader.buildResourceRequest(buf.data(), c.size, p.c_str());
    EXPECT_EQ(len, c.length) << c.size;
    for (size_t i = size_t(c.size); i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << c.size;
    if (len) EXPECT_EQ(entries(buf.data(), len, false).back().name, "SCRIPTTAB");
  }
}

TEST_F(ResourceFixture, ClosedReaderBuildsNothing) {
  reader.close();
  unsigned char buf[200];
  EXPECT_EQ(reader.buildResourceRequest(buf, sizeof buf, "x.res"), 0);
  EXPECT_EQ(reader.buildResourceRequest(nullptr, 200, "x.res"), 0);
}

TEST_F(ResourceFixture, ShippedDefaultResDescribesTheBuiltInAreas) {
  std::string p = std::string(ZERLO_TEST_DATA) + "/../../codegen/ddfreader/default.res";
  std::vector<unsigned char> buf(2000);
  int32_t len = reader.buildResourceRequest(buf.data(), int32_t(buf.size()), p.c_str());
  auto e = entries(buf.data(), len, false);
  ASSERT_EQ(e.size(), 14u);
  EXPECT_EQ(e[0].size, 30000u);
  EXPECT_EQ(e[1].name, "DW");
  EXPECT_EQ(e[1].num, 10000u);
  EXPECT_EQ(e[1].option, 0x11);
  EXPECT_EQ(e[12].name, "PT");
  EXPECT_EQ(e[13].size, 512u);
}
