// HwaDll.so loaded by name: port access through the process's port backend,
// the high-speed, real-time and fail-safe guards, and "not supported" for what
// needs a kernel driver of its own.
#include "hwa/hwa.h"
#include "platform/library.h"
#include "platform/ports.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Hwa : ::testing::Test {
  plat::lib::Handle h = nullptr;
  std::shared_ptr<plat::io::SimulatedPorts> sim = std::make_shared<plat::io::SimulatedPorts>();
  template <class F> F fn(const char* n) {
    auto f = plat::lib::symbolAs<F>(h, n);
    EXPECT_NE(f, nullptr) << n;
    return f;
  }
  void SetUp() override {
    ::setenv("ZERLO_PARPORTS", "", 1);   // no parallel-port device, whatever the machine has
    plat::io::setPortIo(sim);
    h = plat::lib::load("HWADLL.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
  }
  void TearDown() override {
    if (h) {
      fn<int (*)()>("HwaHighspeedDisable")();
      fn<int (*)()>("HwaRealtimeDisable")();
      fn<int (*)()>("HwaFailsafeDisable")();
      plat::lib::unload(h);
    }
    plat::io::setPortIo(nullptr);
    ::unsetenv("ZERLO_PARPORTS");
  }
};

TEST_F(Hwa, LoadsWithoutDriverAndExportsItsVersions) {
  auto* dll = static_cast<double*>(plat::lib::symbol(h, "dDllVersion"));
  auto* drv = static_cast<double*>(plat::lib::symbol(h, "dDrvVersion"));
  ASSERT_TRUE(dll && drv);
  EXPECT_GT(*dll, 0.0);
  EXPECT_GT(*drv, 0.0);
  EXPECT_TRUE(sim->accesses().empty());   // loading touches no port
}

TEST_F(Hwa, PortOperationsReachThePortBackend) {
  EXPECT_EQ(fn<int (*)(std::uint16_t, std::uint8_t)>("HwaWritePort")(0x378, 0x39), 0);
  sim->scriptRead(0x379, 0x80);
  std::uint8_t b = 0;
  EXPECT_EQ(fn<int (*)(std::uint16_t, std::uint8_t*)>("HwaReadPort")(0x379, &b), 0);
  EXPECT_EQ(b, 0x80);
  EXPECT_EQ(fn<int (*)(std::uint16_t, std::uint8_t*)>("HwaReadPort")(0x379, nullptr), kHwaBadArgument);

  fn<void (*)(std::uint16_t, std::uint8_t)>("HwaFastWritePortUchar")(0x378, 0x30);
  fn<void (*)(std::uint16_t, std::uint16_t)>("HwaFastWritePortUshort")(0x300, 0x1234);
  fn<void (*)(std::uint16_t, std::uint32_t)>("HwaFastWritePortUlong")(0x304, 0x89ABCDEF);
  std::uint8_t c = 0;
  std::uint16_t w = 0;
  std::uint32_t l = 0;
  fn<void (*)(std::uint16_t, std::uint8_t*)>("HwaFastReadPortUchar")(0x378, &c);
  fn<void (*)(std::uint16_t, std::uint16_t*)>("HwaFastReadPortUshort")(0x300, &w);
  fn<void (*)(std::uint16_t, std::uint32_t*)>("HwaFastReadPortUlong")(0x304, &l);
  EXPECT_EQ(c, 0x30);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(l, 0x89ABCDEFu);
  EXPECT_EQ(sim->writesTo(0x378), (std::vector<std::uint32_t>{0x39, 0x30}));
  fn<void (*)()>("HwaEnterSystemSection")();
  fn<void (*)()>("HwaLeaveSystemSection")();
}

TEST_F(Hwa, SwitchesAnswerAlreadyOn) {
  auto hsOn = fn<int (*)()>("HwaHighspeedEnable");
  auto hsOff = fn<int (*)()>("HwaHighspeedDisable");
  EXPECT_EQ(hsOn(), 0);
  EXPECT_EQ(hsOn(), kHwaAlreadyOn);
  EXPECT_EQ(plat::io::portIo(), sim);   // no device: the ports stay where they were
  EXPECT_EQ(hsOff(), 0);
  EXPECT_EQ(hsOn(), 0);

  auto rtOn = fn<int (*)(std::uint32_t, std::uint32_t)>("HwaRealtimeEnable");
  auto rtCheck = fn<int (*)(std::uint32_t*)>("HwaCheckRealtime");
  std::uint32_t rt = 9;
  EXPECT_EQ(rtCheck(&rt), 0);
  EXPECT_EQ(rt, 0u);
  EXPECT_EQ(rtOn(1, 2), 0);
  EXPECT_EQ(rtOn(1, 2), kHwaAlreadyOn);
  EXPECT_EQ(rtCheck(&rt), 0);
  EXPECT_EQ(rt, 1u);
  EXPECT_EQ(fn<int (*)()>("HwaRealtimeDisable")(), 0);
  EXPECT_EQ(rtOn(1, 2), 0);

  auto fsOn = fn<int (*)(std::uint32_t)>("HwaFailsafeEnable");
  EXPECT_EQ(fsOn(5), 0);
  EXPECT_EQ(fsOn(5), kHwaAlreadyOn);
  EXPECT_EQ(fn<int (*)()>("HwaFailsafeDisable")(), 0);
  EXPECT_EQ(fsOn(5), 0);
}

TEST_F(Hwa, AMissingDeviceLeavesThePortsSimulated) {
  ::setenv("ZERLO_PARPORTS", "0x378=/nonexistent/parport9", 1);
  EXPECT_EQ(fn<int (*)()>("HwaHighspeedEnable")(), 0);
  EXPECT_EQ(plat::io::portIo(), sim);
}

TEST_F(Hwa, KernelDriverOperationsAreNotSupported) {
  std::uint8_t buf[352] = {};
  std::uint32_t a = 0, b = 0, c = 0, d = 0;
  std::uint8_t rec[50] = {};
  const int results[] = {
      fn<int (*)(std::uint16_t, std::uint16_t, std::uint8_t*)>("HwaScanPciBus")(0, 0, buf),
      fn<int (*)(std::uint32_t, std::uint8_t*)>("HwaScanEisaBus")(0, buf),
      fn<int (*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*)>("HwaRegisterPort")(0x378, 3, 0, &a),
      fn<int (*)(std::uint32_t)>("HwaUnregisterPort")(a),
      fn<int (*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*, std::uint32_t*)>("HwaMapMem")(
          0, 0, 0, &a, &b),
      fn<int (*)(std::uint32_t)>("HwaUnmapMem")(b),
      fn<int (*)(std::uint32_t, std::uint8_t, std::uint32_t, std::uint32_t*, std::uint32_t*, std::uint32_t*,
                 std::uint32_t*)>("HwaAllocMem")(0, 0, 0, &a, &b, &c, &d),
      fn<int (*)(std::uint32_t)>("HwaFreeMem")(a),
      fn<int (*)(std::uint8_t, std::uint32_t)>("HwaAllocChannel")(1, 0),
      fn<int (*)(std::uint16_t, std::uint16_t, std::uint32_t, std::uint32_t, std::uint32_t)>(
          "HwaWritePciConfiguration")(0, 0, 0, 0, 0),
      fn<int (*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint8_t, void*,
                 std::uint32_t*)>("HwaConnectInterrupt")(7, 0, 0, 0, 0, rec, &a),
      fn<int (*)(std::uint32_t)>("HwaDisconnectInterrupt")(a),
      fn<int (*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, void*, std::uint32_t*)>(
          "HwaConnectTimer")(1, 0, 0, 0, rec, &a),
      fn<int (*)(std::uint32_t)>("HwaStartTimer")(a),
      fn<int (*)(std::uint32_t)>("HwaStopTimer")(a),
      fn<int (*)(std::uint32_t)>("HwaDisconnectTimer")(a),
  };
  for (int r : results) EXPECT_EQ(r, kHwaNotSupported);
  EXPECT_TRUE(sim->accesses().empty());
}

} // namespace
