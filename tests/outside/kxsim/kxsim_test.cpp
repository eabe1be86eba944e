// The simulated control interface, loaded by name as the software PLC loads it.
#include "platform/library.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct Kx {
  plat::lib::Handle h = plat::lib::load("KXSIM.DLL", ZERLO_BIN_DIR);
  template <class F> F fn(const char* n) { return plat::lib::symbolAs<F>(h, n); }
  ~Kx() { if (h) plat::lib::unload(h); }
};

TEST(KxSim, OutputsAndInputsTravelThroughTheImages) {
  Kx kx;
  ASSERT_NE(kx.h, nullptr) << plat::lib::lastError();
  auto reset = kx.fn<void (*)()>("KXSIM_Reset");
  auto open = kx.fn<int (*)(const char*)>("KXOpenDevice");
  auto close = kx.fn<void (*)()>("KXCloseDevice");
  auto setData = kx.fn<int (*)(std::uint32_t*, int, std::int16_t)>("KXSetData");
  auto getData = kx.fn<int (*)(std::uint32_t*, std::int16_t*)>("KXGetData");
  auto setup = kx.fn<int (*)(int, int, void*)>("KXSetup");
  auto inputs = kx.fn<void (*)(unsigned)>("KXSIM_SetDigitalInputs");
  auto analog = kx.fn<void (*)(int, int)>("KXSIM_SetAnalogInputs");
  auto motor = kx.fn<int (*)(int, int*, int*)>("KXSIM_GetMotor");
  auto openResult = kx.fn<void (*)(int)>("KXSIM_SetOpenResult");
  ASSERT_TRUE(reset && open && close && setData && getData && setup && inputs && analog && motor && openResult);
  reset();

  std::uint32_t image[26] = {};
  std::int16_t dw107 = 0;
  EXPECT_EQ(getData(image, &dw107), 7);          // not open: no connection
  EXPECT_EQ(open("/x/INTERFACE.INI"), 0);
  int ten = 10;
  int* p = &ten;
  EXPECT_EQ(setup(1, 1, &p), 0);
  EXPECT_EQ(setup(2, 0, nullptr), 0);

  inputs(0x8001);
  analog(-300, 1200);
  EXPECT_EQ(getData(image, &dw107), 0);
  EXPECT_EQ(image[0], 0x8001u);
  std::int16_t ex, ey;
  std::memcpy(&ex, reinterpret_cast<unsigned char*>(image) + 100, 2);
  std::memcpy(&ey, reinterpret_cast<unsigned char*>(image) + 102, 2);
  EXPECT_EQ(ex, -300);
  EXPECT_EQ(ey, 1200);

  std::uint32_t out[26] = {};
  out[1 + 2 * 2] = 1;      // motor 2 on, reverse
  out[2 + 2 * 2] = 1;
  EXPECT_EQ(setData(out, 1, 2), 0);
  int on = -1, rev = -1;
  EXPECT_EQ(motor(2, &on, &rev), 1);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(rev, 1);
  EXPECT_EQ(motor(0, &on, &rev), 1);
  EXPECT_EQ(on, 0);
  EXPECT_EQ(motor(8, &on, &rev), 0);

  close();
  openResult(3);
  EXPECT_EQ(open("/x/INTERFACE.INI"), 3);
  reset();
}

} // namespace
