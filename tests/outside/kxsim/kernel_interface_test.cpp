// The simulated interface driven by the software PLC kernel: mode changes open
// and close it through the DRIVER setting, and the process images move the
// motor outputs and the inputs through it.
#include "kernel.h"

#include "platform/library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Settings : plc::SettingsSource {
  std::string driver;
  bool getKXIFSettings(plc::IfSettings& s) override {
    s.port = 1;
    s.ifaceNum = 1;
    s.cycleTime = 10;
    return true;
  }
  bool getKXIFPort(int n, plc::IfPort& p) override {
    if (n != 1) return false;
    p.portName = "SIM";
    p.driver = driver;
    return true;
  }
};

std::vector<int> g_errors, g_lookOuts;
int onError(int e) { g_errors.push_back(e); return 1; }
int onLookOut(int c) { g_lookOuts.push_back(c); return 0; }

struct KernelWithSim : ::testing::Test {
  plc::Kernel k;
  std::shared_ptr<Settings> settings = std::make_shared<Settings>();
  plat::lib::Handle sim = nullptr;
  std::vector<int> mmt;
  template <class F> F fn(const char* n) { return plat::lib::symbolAs<F>(sim, n); }

  void SetUp() override {
    settings->driver = std::string(ZERLO_BIN_DIR) + "/kxsim.so";
    sim = plat::lib::load(settings->driver);
    ASSERT_NE(sim, nullptr) << plat::lib::lastError();
    fn<void (*)()>("KXSIM_Reset")();
    g_errors.clear();
    g_lookOuts.clear();
    k.settings = settings;
    k.hooksFromRuntime = false;
    k.hooks.changeMMTCond = [this](int kind) { mmt.push_back(kind); return 1; };
    k.hooks.initControlDialog = [] { return 1; };
    std::string cfg = std::string(ZERLO_BIN_DIR) + "/INTERFACE.INI";
    DspsInitRecord rec{cfg.c_str(), "10"};
    k.dspsInit(2, &rec);
    D10InitRecord d{nullptr, &onError, &onLookOut};
    k.d10Init(&d);
  }
  void TearDown() override {
    k.dspsDeinit();
    if (sim) {
      fn<void (*)()>("KXSIM_Reset")();
      plat::lib::unload(sim);
    }
  }
};

TEST_F(KernelWithSim, CheckOpensTheInterfaceAndImagesTravel) {
  EXPECT_EQ(k.setMode(9), 1);
  EXPECT_EQ(k.getMode(), 4);
  EXPECT_EQ(fn<int (*)()>("KXSIM_IsOpen")(), 1);
  ASSERT_FALSE(g_lookOuts.empty());
  EXPECT_EQ(g_lookOuts.back(), 1);

  // Output A3 with its first bit: motor 2 on, forward.
  std::uint32_t a3[2] = {1, 0};
  ASSERT_EQ(k.setDP("A", 3, a3), 1);
  fn<void (*)(unsigned)>("KXSIM_SetDigitalInputs")(0x0005);
  fn<void (*)(int, int)>("KXSIM_SetAnalogInputs")(123, -45);
  k.dspsRun();     // the output step runs once before inputs are read
  k.dspsRun();
  int on = 0, rev = -1;
  ASSERT_EQ(fn<int (*)(int, int*, int*)>("KXSIM_GetMotor")(2, &on, &rev), 1);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(rev, 0);
  std::uint8_t e[8] = {};
  ASSERT_EQ(k.getDP("E", 1, e, 8), 1);
  EXPECT_EQ(e[0], 1);
  ASSERT_EQ(k.getDP("E", 2, e, 8), 1);
  EXPECT_EQ(e[0], 0);
  ASSERT_EQ(k.getDP("E", 3, e, 8), 1);
  EXPECT_EQ(e[0], 1);
  std::int16_t ex = 0, ey = 0;
  ASSERT_EQ(k.getDP("DW", 105, &ex, 2), 1);
  ASSERT_EQ(k.getDP("DW", 106, &ey, 2), 1);
  EXPECT_EQ(ex, 123);
  EXPECT_EQ(ey, -45);
  EXPECT_EQ(g_errors.back(), 0);      // the exchange works

  // AKXI closes it again.
  k.setMode(8);
  EXPECT_EQ(fn<int (*)()>("KXSIM_IsOpen")(), 0);
}

TEST_F(KernelWithSim, AnOpenFailureReachesTheErrorCallback) {
  fn<void (*)(int)>("KXSIM_SetOpenResult")(3);
  k.setMode(9);
  ASSERT_FALSE(g_errors.empty());
  EXPECT_EQ(g_errors.back(), 603);
  EXPECT_EQ(fn<int (*)()>("KXSIM_IsOpen")(), 0);
}

} // namespace
