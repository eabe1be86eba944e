// The command line: quoted, plain and /P names, the /L switch, absolute paths
// with their slashes, the open buffer's limit and the spelling on disk.
#include "zerloapp/cmdline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zapp {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* text;
  const char* name;
  bool pending;
};

TEST(CommandLine, Table) {
  static const Case cases[] = {
      {"\"/no such dir/my projects/plant.mdl\"", "/NO SUCH DIR/MY PROJECTS/PLANT.MDL", true},
      {"/p /no such/a b.mdl", "/NO SUCH/A B.MDL", true},
      {"/P   /x/a b.mdl   ", "/X/A B.MDL", true},
      {"/L", "", false},
      {"/l", "", false},
      {"a.mdl b.mdl", "A.MDL B.MDL", true},
      {"\"a.mdl\" b.mdl", "A.MDL", true},
      {"a.mdl /L", "A.MDL", true},
      {"/L a.mdl", "A.MDL", true},
      {"/tmp/x/y.mdl", "/TMP/X/Y.MDL", true},
      {"", "", false},
      {"   ", "", false},
      {"/Lx.mdl", "/LX.MDL", true},
      {"\"\"", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CommandLine cl = app_ParseCommandLine(c.text);
    EXPECT_EQ(cl.name, c.name);
    EXPECT_EQ(cl.openPending, c.pending);
    EXPECT_FALSE(cl.tooLong);
  }
}

TEST(CommandLine, NameBeyondTheOpenBufferIsRefused) {
  // 127 characters fit the 128 places; 128 are refused (nothing opened).
  CommandLine cl = app_ParseCommandLine("/" + std::string(127, 'a'));
  EXPECT_TRUE(cl.tooLong);
  EXPECT_FALSE(cl.openPending);
  cl = app_ParseCommandLine("/" + std::string(126, 'a'));
  EXPECT_FALSE(cl.tooLong);
  EXPECT_TRUE(cl.openPending);
  EXPECT_EQ(cl.name.size(), 127u);
}

class LongNames : public ::testing::Test {
protected:
  fs::path dir;
  void SetUp() override {
    char tmpl[] = "/tmp/zapp_cmdXXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    dir = tmpl;
    fs::create_directories(dir / "My Projects");
    std::ofstream(dir / "My Projects" / "Plant.mdl") << "x";
  }
  void TearDown() override { fs::remove_all(dir); }
};

TEST_F(LongNames, MixedCaseNamesOnDisk) {
  const std::string upper = "\"" + dir.string() + "/MY PROJECTS/PLANT.MDL\"";
  const CommandLine cl = app_ParseCommandLine(upper);
  EXPECT_TRUE(cl.openPending);
  EXPECT_EQ(cl.name, (dir / "My Projects" / "Plant.mdl").string());
  const CommandLine p = app_ParseCommandLine("/p " + dir.string() + "/my projects/plant.mdl");
  EXPECT_EQ(p.name, (dir / "My Projects" / "Plant.mdl").string());
}

TEST_F(LongNames, MissingComponentOrTooLongLeavesThePath) {
  std::string path = dir.string() + "/MY PROJECTS/NONE.MDL";
  EXPECT_FALSE(path_ResolveLongName(path));
  EXPECT_EQ(path, dir.string() + "/MY PROJECTS/NONE.MDL");
  path = dir.string() + "/MY PROJECTS/PLANT.MDL";
  EXPECT_FALSE(path_ResolveLongName(path, 10));
  EXPECT_EQ(path, dir.string() + "/MY PROJECTS/PLANT.MDL");
  std::string relative = "MY PROJECTS/PLANT.MDL";
  EXPECT_TRUE(path_ResolveLongName(relative));
  EXPECT_EQ(relative, "MY PROJECTS/PLANT.MDL");
}

} // namespace
} // namespace zapp
