// lptif1NT.so loaded by name over HwaDll.so, with the simulated board as the
// process's port backend; no timer-chip or speaker port is touched.
#include "lptif/board.h"
#include "platform/library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class CountingBoard : public lptif::SimulatedBoard {
public:
  using SimulatedBoard::SimulatedBoard;
  int foreign = 0;
  int total = 0;
  std::uint32_t in(std::uint16_t port, unsigned width) override {
    ++total;
    if (port != 0x378 && port != 0x379) ++foreign;
    return SimulatedBoard::in(port, width);
  }
  void out(std::uint16_t port, unsigned width, std::uint32_t value) override {
    ++total;
    if (port != 0x378) ++foreign;
    SimulatedBoard::out(port, width, value);
  }
};

TEST(Lptif1NT, DrivesTheBoardThroughHwaDll) {
  ::setenv("ZERLO_PARPORTS", "", 1);
  auto board = std::make_shared<CountingBoard>(0x378);
  plat::io::setPortIo(board);
  plat::lib::Handle h = plat::lib::load("LPTIF1NT.DLL", ZERLO_BIN_DIR);
  ASSERT_NE(h, nullptr) << plat::lib::lastError();
  auto version = plat::lib::symbolAs<double (*)()>(h, "GetDLLVersion");
  auto init = plat::lib::symbolAs<int (*)()>(h, "WinNT_InitHighSpeedAccess");
  auto deinit = plat::lib::symbolAs<int (*)()>(h, "WinNT_DeInitHighSpeedAccess");
  auto setMotor = plat::lib::symbolAs<int (*)(unsigned, const int*)>(h, "WinNT_KXSetMotor");
  auto getEI = plat::lib::symbolAs<int (*)(unsigned, int*)>(h, "WinNT_KXGetEI");
  auto getEX = plat::lib::symbolAs<int (*)(unsigned, void*)>(h, "WinNT_KXGetEX");
  auto getEY = plat::lib::symbolAs<int (*)(unsigned, void*)>(h, "WinNT_KXGetEY");
  auto check = plat::lib::symbolAs<int (*)(unsigned)>(h, "WinNT_CheckIFConnection");
  ASSERT_TRUE(version && init && deinit && setMotor && getEI && getEX && getEY && check);
  EXPECT_DOUBLE_EQ(version(), 0.05);
  EXPECT_EQ(init(), 0);
  EXPECT_EQ(init(), 1247);

  board->setAnalogCounts(1205, 2405);   // about 1 and 2 ms of charge
  EXPECT_EQ(check(0x378), 0);
  int rec[17] = {};
  rec[3] = 1;
  EXPECT_EQ(setMotor(0x378, rec), 0);
  bool on = false, rev = true;
  ASSERT_TRUE(board->motor(2, &on, &rev));
  EXPECT_TRUE(on);
  EXPECT_FALSE(rev);
  board->setInputWord(0x0100);
  int v = -1;
  EXPECT_EQ(getEI(0x378, &v), 0);
  EXPECT_EQ(getEI(0x378, &v), 0);
  EXPECT_EQ(v, 0x0001);
  unsigned char image[104] = {};
  EXPECT_EQ(getEX(0x378, image), 0);
  std::uint16_t ex = 0;
  std::memcpy(&ex, image + 100, 2);
  // The charge is timed on the real clock, so a loaded machine moves the
  // count (and the dead band and cache may keep an earlier one): the value
  // arrives, near the board's 110, below the overflow mark.
  EXPECT_GE(ex, 55);
  EXPECT_LT(ex, 999);
  EXPECT_EQ(getEY(0x378, image), 0);
  EXPECT_EQ(board->foreign, 0);

  EXPECT_EQ(deinit(), 0);
  plat::lib::unload(h);
  plat::io::setPortIo(nullptr);
  ::unsetenv("ZERLO_PARPORTS");
}

// A port number above 16 bits names no port: every export refuses it with
// the driver's port error (7 from the connection test), and no port is
// touched - 0x10378 must not drive the board at 0x378.
TEST(Lptif1NT, RefusesAPortAbove16Bits) {
  ::setenv("ZERLO_PARPORTS", "", 1);
  auto board = std::make_shared<CountingBoard>(0x378);
  plat::io::setPortIo(board);
  plat::lib::Handle h = plat::lib::load("LPTIF1NT.DLL", ZERLO_BIN_DIR);
  ASSERT_NE(h, nullptr) << plat::lib::lastError();
  auto init = plat::lib::symbolAs<int (*)()>(h, "WinNT_InitHighSpeedAccess");
  auto deinit = plat::lib::symbolAs<int (*)()>(h, "WinNT_DeInitHighSpeedAccess");
  auto setMotor = plat::lib::symbolAs<int (*)(unsigned, const int*)>(h, "WinNT_KXSetMotor");
  auto getEI = plat::lib::symbolAs<int (*)(unsigned, int*)>(h, "WinNT_KXGetEI");
  auto getEX = plat::lib::symbolAs<int (*)(unsigned, void*)>(h, "WinNT_KXGetEX");
  auto getEY = plat::lib::symbolAs<int (*)(unsigned, void*)>(h, "WinNT_KXGetEY");
  auto check = plat::lib::symbolAs<int (*)(unsigned)>(h, "WinNT_CheckIFConnection");
  ASSERT_TRUE(init && deinit && setMotor && getEI && getEX && getEY && check);
  (void)init();
  int rec[17] = {};
  rec[1] = 1;
  int v = -1;
  unsigned char image[104] = {};
  for (unsigned port : {0x10378u, 0x10000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(port);
    EXPECT_EQ(setMotor(port, rec), 2);
    EXPECT_EQ(getEI(port, &v), 2);
    EXPECT_EQ(getEX(port, image), 2);
    EXPECT_EQ(getEY(port, image), 2);
    EXPECT_EQ(check(port), 7);
  }
  EXPECT_EQ(board->total, 0);
  EXPECT_EQ(v, -1);
  bool on = true, rev = true;
  ASSERT_TRUE(board->motor(1, &on, &rev));
  EXPECT_FALSE(on);
  // The largest 16-bit port is still a port.
  EXPECT_EQ(setMotor(0xFFFF, rec), 0);
  EXPECT_GT(board->total, 0);
  (void)deinit();
  plat::lib::unload(h);
  plat::io::setPortIo(nullptr);
  ::unsetenv("ZERLO_PARPORTS");
}

} // namespace
