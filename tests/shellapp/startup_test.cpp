// The cycle time rules of start and of the worksheet setup.
#include "zerloapp/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zapp {
namespace {

TEST(CycleTime, StartAndRunningLimits) {
  struct { std::uint32_t in, start; bool running; } cases[] = {
      {49, 300, false}, {50, 50, true}, {60000, 60000, false}, {60001, 300, false},
      {59999, 59999, true}, {0, 300, false}, {300, 300, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(app_StartCycleTime(c.in), c.start);
    EXPECT_EQ(app_RunningCycleTimeOk(c.in), c.running);
  }
}

TEST(WebSite, CommandLines) {
  struct { const char* command; const char* line; } cases[] = {
      {"/usr/bin/xdg-open %1", "/usr/bin/xdg-open A"},
      {"browser %2 -x %1 %3", "browser  -x A "},
      {"browser", "browser A"},
      {"browser ", "browser A"},
      {"browser %L", "browser %L A"},
  };
  for (const auto& c : cases) EXPECT_EQ(app_WebCommand(c.command, "A"), c.line) << c.command;
}

TEST(WebSite, BrowserFromTheEnvironment) {
  const char* oldPath = std::getenv("PATH");
  const std::string keepPath = oldPath ? oldPath : "";
  const char* oldBrowser = std::getenv("BROWSER");
  const std::string keepBrowser = oldBrowser ? oldBrowser : "";
  unsetenv("BROWSER");
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(app_BrowserCommand(), "");
  setenv("BROWSER", "firefox %1", 1);
  EXPECT_EQ(app_BrowserCommand(), "firefox %1");
  setenv("PATH", keepPath.c_str(), 1);
  if (oldBrowser) setenv("BROWSER", keepBrowser.c_str(), 1);
  else unsetenv("BROWSER");
}

// An empty folder of this test run holding one plain file, "FILE".
std::filesystem::path scratchWithAFile(const std::string& prefix) {
  namespace fs = std::filesystem;
  const fs::path base = fs::path(::testing::TempDir()) / (prefix + std::to_string(getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  std::ofstream(base / "FILE") << "x";
  return base;
}

// The temporary folder is made when missing; what cannot be made is named
// with the system's reason.
TEST(TempFolder, MadeWhenMissingOrNamedWithTheReason) {
  namespace fs = std::filesystem;
  const fs::path base = scratchWithAFile("zapp_temp_");
  struct Case { std::string dir; bool ok; const char* reason; };
  const Case cases[] = {
      {(base / "bin/../TEMP/").string(), true, ""},
      {(base / "TEMP").string(), true, ""},          // already there
      {(base / "A/B/C").string(), true, ""},          // with its parents
      {"", true, ""},                                  // no setting
      {(base / "FILE").string(), false, "Not a directory"},
      {(base / "FILE/TEMP").string(), false, "Not a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dir);
    std::string why;
    EXPECT_EQ(app_EnsureFolder(c.dir, why), c.ok);
    if (c.ok) {
      EXPECT_EQ(why, "");
      if (!c.dir.empty()) EXPECT_TRUE(fs::is_directory(fs::path(c.dir).lexically_normal()));
    } else {
      EXPECT_NE(why.find(c.reason), std::string::npos) << why;
      EXPECT_EQ(why.rfind(base.string(), 0), 0u) << "the folder is named: " << why;
      EXPECT_NE(app_TempDirMessage(why).find(why), std::string::npos);
    }
  }
  fs::remove_all(base);
}

// Why a save failed, in the system's words where the disk tells.
TEST(SaveFailure, ReasonNamesTheFolderOrTheFile) {
  namespace fs = std::filesystem;
  const fs::path base = scratchWithAFile("zapp_save_");
  std::ofstream(base / "RO.MDL") << "x";
  fs::permissions(base / "RO.MDL", fs::perms::owner_read | fs::perms::group_read);
  struct Case { fs::path path; std::string reason; };
  const Case cases[] = {
      {base / "GONE/P.MDL", (base / "GONE").string() + ": No such file or directory"},
      {base / "FILE/P.MDL", (base / "FILE").string() + ": Not a directory"},
      {base / "P.MDL", "the file could not be written"},
      {"", "no file name"},
  };
  for (const Case& c : cases) EXPECT_EQ(app_SaveFailureReason(c.path.string()), c.reason) << c.path;
  const std::string ro = app_SaveFailureReason((base / "RO.MDL").string());
  EXPECT_TRUE(ro == "the file is read-only" || ro == "Permission denied") << ro;
  fs::remove_all(base);
}

} // namespace
} // namespace zapp
