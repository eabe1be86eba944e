// The cycle time rules of start and of the worksheet setup.
#include "zerloapp/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

} // namespace
} // namespace zapp
