#include "platform/paths.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

using namespace plat::path;

namespace {

void touch(const std::string& p, const std::string& content = "x") {
  std::ofstream(p, std::ios::binary) << content;
}

TEST(Paths, LinuxFormTable) {
  struct Case { const char* in; const char* normalized; bool absolute; };
  const Case cases[] = {
      {"A\\B\\C.TXT", "A/B/C.TXT", false},      // both separators, "/" inside
      {"a/b\\c", "a/b/c", false},
      {"/abs/x", "/abs/x", true},               // a leading "/" is absolute
      {"\\abs\\x", "/abs/x", true},
      {"X:\\dir\\f", "dir/f", false},           // drive letters carry no meaning
      {"c:dir\\f", "dir/f", false},
      {"a//b\\\\c", "a/b/c", false},            // doubled separators folded
      {"dir/", "dir", false},
      {"/", "/", true},
      {"", "", false},
      {"MixedCase.Ini", "MixedCase.Ini", false}, // case kept
  };
  for (const Case& c : cases) {
    EXPECT_EQ(normalize(c.in), c.normalized) << c.in;
    EXPECT_EQ(isAbsolute(c.in), c.absolute) << c.in;
  }
}

TEST(Paths, Components) {
  struct Case { const char* p; const char* dir; const char* base; const char* ext; const char* withTxt; };
  const Case cases[] = {
      {"a/b/c.zcd", "a/b", "c.zcd", "zcd", "a/b/c.txt"},
      {"c", "", "c", "", "c.txt"},
      {"/c.x", "/", "c.x", "x", "/c.txt"},
      {"a.d\\file", "a.d", "file", "", "a.d/file.txt"},   // only the last component counts
      {"x.tar.gz", "", "x.tar.gz", "gz", "x.tar.txt"},
      {"x.", "", "x.", "", "x.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dirName(c.p), c.dir) << c.p;
    EXPECT_EQ(baseName(c.p), c.base) << c.p;
    EXPECT_EQ(extension(c.p), c.ext) << c.p;
    EXPECT_EQ(withExtension(c.p, "txt"), c.withTxt) << c.p;
  }
  EXPECT_EQ(withExtension("a/b.c", ""), "a/b");
  EXPECT_EQ(withExtension("a/b.c", ".so"), "a/b.so");
}

TEST(Paths, Join) {
  EXPECT_EQ(join("a", "b"), "a/b");
  EXPECT_EQ(join("a/", "b"), "a/b");
  EXPECT_EQ(join("a\\", "\\b"), "/b");   // an absolute name wins
  EXPECT_EQ(join("", "b"), "b");
  EXPECT_EQ(join("a", ""), "a");
  EXPECT_EQ(join("/", "b"), "/b");
  EXPECT_EQ(join("d:\\x", "y\\z"), "x/y/z");
}

TEST(Paths, CaseHelpers) {
  EXPECT_EQ(toUpper("Obel.ini-äx"), "OBEL.INI-äX");  // ASCII letters only
  EXPECT_TRUE(sameIgnoringCase("A\\b\\C.ini", "a/B/c.INI"));
  EXPECT_FALSE(sameIgnoringCase("a/b", "a/bc"));
}

TEST(Paths, ShortAliasForTheTwelveCharacterNameField) {
  const struct { const char* name; const char* alias; } cases[] = {
      {"SAMPLE.MDL", "SAMPLE.MDL"},           // fits: unchanged
      {"sample.mdl", "sample.mdl"},
      {"ABCDEFGH.MDL", "ABCDEFGH.MDL"},
      {"ABCDEFGHI.MDL", "ABCDEF~1.MDL"},
      {"Long project.mdl", "LONGPR~1.MDL"},   // letters and digits only, upper case
      {"my-plant_2.mdl", "MYPLAN~1.MDL"},
      {"a.b.c-d.mdl", "ABCD~1.MDL"},          // the last point starts the extension
      {"X1.MDLX", "X1~1.MDL"},                // a long extension is cut to three
      {"___________.mdl", "_~1.MDL"},
      {"/some/dir/LONGERNAME.MDL", "LONGER~1.MDL"},
      {"C:\\DIR\\LONGERNAME", "LONGER~1"},
  };
  for (const auto& c : cases) EXPECT_EQ(plat::path::shortAlias(c.name), c.alias) << c.name;
  for (const auto& c : cases) EXPECT_LE(plat::path::shortAlias(c.name).size(), 12u) << c.name;
}

TEST(Paths, ResolveExistingMatchesEachComponentIgnoringCase) {
  plattest::TempDir t;
  ::mkdir((t / "Sub").c_str(), 0755);
  ::mkdir((t / "Sub/Deeper").c_str(), 0755);
  touch(t / "Sub/Deeper/File.Txt");
  EXPECT_EQ(resolveExisting(t / "Sub/Deeper/File.Txt"), t / "Sub/Deeper/File.Txt");
  EXPECT_EQ(resolveExisting(t / "SUB\\DEEPER\\FILE.TXT"), t / "Sub/Deeper/File.Txt");
  EXPECT_EQ(resolveExisting(t / "sub/deeper"), t / "Sub/Deeper");
  EXPECT_EQ(resolveExisting(t / "sub/missing/file.txt"), "");
  EXPECT_EQ(resolveExisting(t / "sub/deeper/file.txt/more"), "");
  EXPECT_EQ(resolveExisting(""), "");
  // An exact match wins over another spelling.
  touch(t / "Sub/Deeper/FILE.TXT");
  EXPECT_EQ(resolveExisting(t / "Sub/Deeper/FILE.TXT"), t / "Sub/Deeper/FILE.TXT");
}

TEST(Paths, ResolveForWriteKeepsNewNamesAndFindsExistingOnes) {
  plattest::TempDir t;
  ::mkdir((t / "Proj").c_str(), 0755);
  EXPECT_EQ(resolveForWrite(t / "PROJ/OBEL.INI"), t / "Proj/OBEL.INI");  // new name kept as given
  touch(t / "Proj/obel.ini");
  EXPECT_EQ(resolveForWrite(t / "PROJ/OBEL.INI"), t / "Proj/obel.ini");  // existing file in other case
  EXPECT_EQ(resolveForWrite(t / "proj/New/X.ZCD"), t / "Proj/New/X.ZCD");
}

TEST(Paths, WriteFileAtomicReplacesAndKeepsMode) {
  plattest::TempDir t;
  std::string f = t / "data.bin";
  std::string err;
  ASSERT_TRUE(writeFileAtomic(f, std::string("a\0b", 3), &err)) << err;
  std::string back;
  ASSERT_TRUE(readFile(f, back));
  EXPECT_EQ(back, std::string("a\0b", 3));
  ::chmod(f.c_str(), 0640);
  ASSERT_TRUE(writeFileAtomic(f, "second", &err)) << err;
  ASSERT_TRUE(readFile(f, back));
  EXPECT_EQ(back, "second");
  struct stat st;
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left behind.
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(t.path())) { (void)e; ++entries; }
  EXPECT_EQ(entries, 1);
}

TEST(Paths, WriteFileAtomicKeepsASymbolicLink) {
  plattest::TempDir t;
  touch(t / "real.ini", "old");
  ASSERT_EQ(::symlink("real.ini", (t / "link.ini").c_str()), 0);
  ASSERT_TRUE(writeFileAtomic(t / "link.ini", "new"));
  struct stat st;
  ASSERT_EQ(::lstat((t / "link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  std::string back;
  ASSERT_TRUE(readFile(t / "real.ini", back));
  EXPECT_EQ(back, "new");
}

TEST(Paths, WriteFileAtomicFailsCleanly) {
  plattest::TempDir t;
  std::string err;
  EXPECT_FALSE(writeFileAtomic(t / "no/such/dir/f", "x", &err));
  EXPECT_FALSE(err.empty());
  std::string out = "kept";
  EXPECT_FALSE(readFile(t / "missing", out));
  EXPECT_EQ(out, "kept");
  EXPECT_FALSE(readFile(t.path(), out));   // a directory is no file
}

TEST(Paths, ReadFileFindsOtherCase) {
  plattest::TempDir t;
  touch(t / "Data.TXT", "hello");
  std::string out;
  ASSERT_TRUE(readFile(t / "DATA.txt", out));
  EXPECT_EQ(out, "hello");
}

TEST(Paths, ProgramAndModuleDir) {
  EXPECT_EQ(programDir(), std::string(ZERLO_BIN_DIR).substr(0, std::string(ZERLO_BIN_DIR).rfind('/')) + "/tests");
  // This function lives in the test program; normalize lives in the platform library.
  EXPECT_EQ(moduleDirOf(reinterpret_cast<const void*>(&touch)), programDir());
  EXPECT_EQ(moduleDirOf(reinterpret_cast<const void*>(&plat::path::normalize)), std::string(ZERLO_BIN_DIR));
}

} // namespace
