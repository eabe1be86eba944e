// The kernel with the simulated interface library loaded by its DRIVER name.
#include "plc_fixture.h"

#include "platform/library.h"

namespace plctest {
namespace {

using namespace protocol;

class OneDriver : public plc::SettingsSource {
public:
  bool getKXIFSettings(plc::IfSettings& s) override {
    s.port = 1;
    s.ifaceNum = 2;
    return true;
  }
  bool getKXIFPort(int, plc::IfPort& p) override {
    p.portName = "SIM";
    p.driver = "KXSIM.DLL";
    return true;
  }
};

TEST(SimulatedInterface, ImagesReachTheInterfaceLibrary) {
  plc::Kernel k;
  k.hooksFromRuntime = false;
  k.settings = std::make_shared<OneDriver>();
  std::string cfg = std::string(ZERLO_BIN_DIR) + "/INTERFACE.INI";
  DspsInitRecord rec{cfg.c_str(), "10"};
  k.dspsInit(2, &rec);
  std::vector<int> errors;
  static std::vector<int>* sink = nullptr;
  sink = &errors;
  D10InitRecord cb{nullptr, [](int e) { sink->push_back(e); return 0; }, nullptr};
  k.d10Init(&cb);
  k.setMode(kModeCheck);
  ASSERT_TRUE(k.ifActive) << (errors.empty() ? 0 : errors[0]);
  EXPECT_EQ(k.getMode(), kModeStop);
  // The test side of the same library instance.
  plat::lib::Handle h = plat::lib::load("KXSIM.DLL", ZERLO_BIN_DIR);
  ASSERT_NE(h, nullptr);
  auto setInputs = plat::lib::symbolAs<void (*)(unsigned)>(h, "KXSIM_SetDigitalInputs");
  auto getMotor = plat::lib::symbolAs<int (*)(int, int*, int*)>(h, "KXSIM_GetMotor");
  ASSERT_TRUE(setInputs && getMotor);
  setInputs(0x0003);
  std::uint32_t on[2] = {1, 0};
  ASSERT_EQ(k.setDP("A", 3, on), 1);
  k.dspsRun();
  k.dspsRun();
  std::uint8_t e = 0;
  k.getDP("E", 2, &e, 1);
  EXPECT_EQ(e, 1);
  int m = 0, rev = 1;
  ASSERT_EQ(getMotor(2, &m, &rev), 1);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(rev, 0);
  EXPECT_EQ(errors.back(), 0);   // the exchange works
  k.setMode(kModeAkxi);
  EXPECT_FALSE(k.ifActive);
  plat::lib::unload(h);
}

} // namespace
} // namespace plctest
