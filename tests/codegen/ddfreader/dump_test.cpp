// The text dump: golden texts of the fixtures, and the dump leaves the open
// description alone. ZERLO_REGEN_GOLDEN=1 rewrites the golden files.
#include "test_support.h"

#include "platform/paths.h"

#include <cstdlib>
#include <sstream>

using namespace ddftest;

namespace {

std::string goldenPath(const std::string& name) {
  return std::string(ZERLO_TEST_DATA) + "/codegen/ddfreader/" + name;
}

// The dump with the lines that depend on the place and time of the file
// replaced by fixed ones.
std::string stable(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (n == 1 && line.rfind("File name     : ", 0) == 0) line = "File name     : <path>";
    if (n == 3 && line.rfind("Last modified : ", 0) == 0) line = "Last modified : <time>";
    out += line + "\n";
  }
  return out;
}

struct DumpFixture : ReaderFixture {
  std::string dump(const ddfw::Description& d) {
    std::string ddfPath = write("d.ddf", d);
    std::string txt = tmp.path("d.txt");
    EXPECT_TRUE(reader.prettyPrint(ddfPath, txt));
    std::string text;
    EXPECT_TRUE(plat::path::readFile(txt, text));
    return text;
  }
  void compareGolden(const std::string& text, const std::string& name) {
    const char* regen = std::getenv("ZERLO_REGEN_GOLDEN");
    if (regen && std::string(regen) == "1") {
      ASSERT_TRUE(plat::path::writeFileAtomic(goldenPath(name), text));
      return;
    }
    std::string golden;
    ASSERT_TRUE(plat::path::readFile(goldenPath(name), golden)) << goldenPath(name);
    EXPECT_EQ(text, golden);
  }
};

}  // namespace

TEST_F(DumpFixture, FourByteFixtureMatchesGolden) {
  std::string text = dump(ddfw::fixture4Byte());
  EXPECT_EQ(text.rfind("File name     : " + tmp.path("d.ddf") + "\n", 0), 0u);
  EXPECT_NE(text.find("File size     : 1215 Bytes\n"), std::string::npos);
  compareGolden(stable(text), "fixture4.dump.txt");
}

TEST_F(DumpFixture, TwoByteFixtureMatchesGolden) {
  ddfw::Description d = ddfw::fixture2Byte(1);
  d.modules.resize(6);
  d.modules.push_back({"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 0x1234});  // a name of more than 16 bytes
  d.trailer = {0, 1, 2, 3};  // an empty segmented list, then bytes that are dumped as bytes
  compareGolden(stable(dump(d)), "fixture2.dump.txt");
}

TEST_F(DumpFixture, PlainFormMatchesGolden) {
  ddfw::Description d = ddfw::fixture2Byte();
  d.plainForm = true;
  d.modules.resize(3);
  d.areas.resize(2);
  compareGolden(stable(dump(d)), "plain.dump.txt");
}

TEST_F(DumpFixture, DumpLeavesTheOpenDescriptionAlone) {
  ASSERT_TRUE(reader.open(write("open.ddf", ddfw::fixture4Byte())));
  int loads = loader.loads;
  // A description of another version, address width and byte order.
  std::string other = write("other.ddf", ddfw::fixture2Byte(1));
  ASSERT_TRUE(reader.prettyPrint(other, tmp.path("o.txt")));
  uint16_t v = 0;
  uint8_t af = 0, f = 0;
  reader.getFileVersion(&v);
  reader.getTargetAddressFormat(&af);
  reader.getTargetFormat(&f);
  EXPECT_EQ(v, 301);
  EXPECT_EQ(af, 4);
  EXPECT_EQ(f, 2);
  EXPECT_EQ(reader.header().device, "FIXT4.DDF");
  // The converter of the open description is still the little-endian one.
  unsigned char out[4];
  ASSERT_EQ(reader.convertLongToBin(0x01020304, out, 4), 1);
  EXPECT_EQ(out[0], 0x04);
  EXPECT_EQ(loader.loads, loads + 1);      // one converter just for the dump
  EXPECT_EQ(loader.unloads, loads);        // ... released after it
  // The same format reuses the bound converter.
  ASSERT_TRUE(reader.prettyPrint(write("same.ddf", ddfw::fixture2Byte()), tmp.path("s.txt")));
  EXPECT_EQ(loader.loads, loads + 1);
}

TEST_F(DumpFixture, Failures) {
  // A missing description.
  std::string missing = tmp.path("missing.ddf");
  EXPECT_FALSE(reader.prettyPrint(missing, tmp.path("m.txt")));
  EXPECT_EQ(shownTexts(), std::vector<std::string>{"Error !   Can't open file " + missing + "."});
  EXPECT_FALSE(std::filesystem::exists(tmp.path("m.txt")));
  // A text file that cannot be written.
  sink->clear();
  std::string bad = tmp.path("no/such/dir/x.txt");
  EXPECT_FALSE(reader.prettyPrint(write("ok.ddf", ddfw::fixture4Byte()), bad));
  EXPECT_EQ(shownTexts(), std::vector<std::string>{"Error !   Can't open file " + bad + "."});
  // Bad contents: the dump of what could be read, and message 8.
  sink->clear();
  auto img = ddfw::build(ddfw::fixture4Byte());
  img.resize(ddfw::layoutOf(ddfw::fixture4Byte()).headerSize + 5);
  std::string cutPath = writeBytes("cut.ddf", img);
  EXPECT_FALSE(reader.prettyPrint(cutPath, tmp.path("c.txt")));
  EXPECT_EQ(shownTexts(),
            std::vector<std::string>{"Error !   Invalid device description format in file " + cutPath + "."});
  std::string text;
  ASSERT_TRUE(plat::path::readFile(tmp.path("c.txt"), text));
  EXPECT_NE(text.find("Structur info: address=00030000h size=00000040h\n"), std::string::npos);
  EXPECT_EQ(text.find("Variable Memory"), std::string::npos);
}
