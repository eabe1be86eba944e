// The kernel opens kxlpt.so through its DRIVER setting and moves its process
// images through lptif1NT.so and HwaDll.so to the simulated board.
#include "kxlpt_fixture.h"

#include "platform/library.h"
#include "platform/profile.h"

namespace kxlpttest {
namespace {

TEST_F(KernelOnBoard, ImagesTravelToTheBoard) {
  k.setMode(protocol::kModeCheck);
  ASSERT_TRUE(k.ifActive) << (errors().empty() ? 0 : errors().back());
  EXPECT_EQ(k.getMode(), protocol::kModeStop);
  std::uint32_t on[2] = {1, 0};
  ASSERT_EQ(k.setDP("A", 3, on), 1);
  board->setInputWord(0x0500);   // E1 and E3, bytes swapped on the way in
  for (int i = 0; i < 3; ++i) k.dspsRun();   // inputs arrive one exchange late
  EXPECT_TRUE(motor(3));
  EXPECT_FALSE(motor(2));
  std::uint8_t e = 0;
  k.getDP("E", 1, &e, 1);
  EXPECT_EQ(e, 1);
  k.getDP("E", 2, &e, 1);
  EXPECT_EQ(e, 0);
  k.getDP("E", 3, &e, 1);
  EXPECT_EQ(e, 1);
  std::int16_t ex = 0;
  k.getDP("DW", 105, &ex, 2);
  // The charge is timed on the real clock, so a loaded machine moves the
  // count (and the dead band and cache may keep an earlier one): the value
  // arrives, near the board's 110, below the overflow mark.
  EXPECT_GE(ex, 55);
  EXPECT_LT(ex, 999);
  k.setMode(protocol::kModeAkxi);
  EXPECT_FALSE(k.ifActive);
  EXPECT_FALSE(motor(3));   // closing switches the motors off
}

TEST_F(KernelOnBoard, WithoutABoardTheInterfaceReportsNoConnection) {
  board->setConnected(false);
  k.setMode(protocol::kModeCheck);
  ASSERT_FALSE(errors().empty());
  EXPECT_EQ(errors().back(), 607);
}

// The shipped interface settings name this library as the driver of LPT1.
TEST(ShippedSettings, Lpt1PortUsesTheInterfaceLibrary) {
  const std::string ini = std::string(ZERLO_BIN_DIR) + "/INTERFACE.INI";
  ASSERT_TRUE(std::filesystem::exists(ini));
  const std::string driver = plat::profile::getString(ini, "LPT1", "DRIVER", "");
  EXPECT_EQ(driver, "kxlpt.dll");
  plat::lib::Handle h = plat::lib::load(driver, ZERLO_BIN_DIR);
  ASSERT_TRUE(h);
  EXPECT_NE(plat::lib::symbol(h, "KXOpenDevice"), nullptr);
  plat::lib::unload(h);
}

} // namespace
} // namespace kxlpttest
