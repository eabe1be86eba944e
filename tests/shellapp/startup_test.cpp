// The cycle time rules of start and of the worksheet setup.
#include "zerloapp/startup.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace zapp
