// The interface library binding, the mode-change tail and the runtime hooks,
// with a fake interface library and fake settings.
#include "plc_fixture.h"

namespace plctest {
namespace {

using namespace protocol;

struct FakeKx {
  static inline int openResult = 0, setupResult = 0, getResult = 0;
  static inline int opens = 0, closes = 0, sets = 0, gets = 0;
  static inline std::vector<std::pair<int, int>> setups;
  static inline int lastIfNum = -1;
  static inline std::int16_t lastDw107 = -1;
  static inline std::uint32_t lastOut[26];
  static inline std::string openedWith;
  static void reset() {
    openResult = setupResult = getResult = 0;
    opens = closes = sets = gets = 0;
    setups.clear();
    lastIfNum = -1;
    lastDw107 = -1;
    openedWith.clear();
  }
  static int open(const char* p) { ++opens; openedWith = p ? p : ""; return openResult; }
  static void close() { ++closes; }
  static int setData(std::uint32_t* img, int ifnum, std::int16_t dw107) {
    ++sets;
    lastIfNum = ifnum;
    lastDw107 = dw107;
    std::memcpy(lastOut, img, sizeof lastOut);
    return 0;
  }
  static int getData(std::uint32_t* img, std::int16_t* dw107) {
    ++gets;
    img[0] = 0x5;   // inputs 1 and 3
    *dw107 = 0;
    return getResult;
  }
  static int setup(int op, int value, void* p) {
    setups.push_back({op, value});
    if (op == 1 && p) {
      EXPECT_EQ(**static_cast<int**>(p), 10);
    }
    return op == 1 ? setupResult : 0;
  }
};

class FakeLoader : public plc::KxLoader {
public:
  bool available = true;
  std::string path;
  int unloads = 0;
  bool load(const std::string& p, plc::KxFunctions& f) override {
    path = p;
    if (!available) return false;
    f = {FakeKx::open, FakeKx::close, FakeKx::setData, FakeKx::getData, FakeKx::setup};
    return true;
  }
  void unload() override { ++unloads; }
};

class FakeSettings : public plc::SettingsSource {
public:
  std::string driver;
  bool getKXIFSettings(plc::IfSettings& s) override {
    s.port = 1;
    s.ifaceNum = 0x103;
    s.cycleTime = 10;
    return true;
  }
  bool getKXIFPort(int n, plc::IfPort& p) override {
    if (n != 1 || driver.empty()) return false;
    p.portName = "SIM";
    p.driver = driver;
    return true;
  }
};

struct Calls {
  static inline std::vector<int> errors, lookOuts;
  static int error(int v) { errors.push_back(v); return 0; }
  static int lookOut(int v) { lookOuts.push_back(v); return 0; }
};

class Interface : public ::testing::Test {
protected:
  plc::Kernel k;
  std::shared_ptr<FakeLoader> loader = std::make_shared<FakeLoader>();
  std::shared_ptr<FakeSettings> settings = std::make_shared<FakeSettings>();
  std::vector<std::pair<std::string, int>> hookCalls;
  void SetUp() override {
    FakeKx::reset();
    Calls::errors.clear();
    Calls::lookOuts.clear();
    k.hooksFromRuntime = false;
    k.kxLoader = loader;
    k.settings = settings;
    k.hooks.changeMMTCond = [this](int v) { hookCalls.push_back({"ChangeMMTCond", v}); return 1; };
    k.hooks.settingsServerAction = [this](int v) { hookCalls.push_back({"SettingsServerAction", v}); return 1; };
    k.hooks.initControlDialog = [this] { hookCalls.push_back({"InitControlDialog", 0}); return 1; };
    DspsInitRecord rec{"/opt/zerlo/bin/INTERFACE.INI", "10"};
    k.dspsInit(2, &rec);
    D10InitRecord cb{nullptr, Calls::error, Calls::lookOut};
    k.d10Init(&cb);
  }
};

TEST_F(Interface, NoDriverEndsInStop) {
  k.setMode(kModeCheck);
  EXPECT_EQ(k.getMode(), kModeStop);
  EXPECT_EQ(Calls::errors, std::vector<int>{0});
  EXPECT_EQ(Calls::lookOuts, std::vector<int>{0});
  EXPECT_FALSE(k.ifActive);
  EXPECT_NE(k.named(plc::Named::DW), nullptr);   // the built-in areas exist
}

TEST_F(Interface, OpenFailureIsReportedAsSixHundredPlus) {
  settings->driver = "KXSIM.DLL";
  FakeKx::openResult = 3;
  k.setMode(kModeCheck);
  EXPECT_EQ(Calls::errors, std::vector<int>{603});
  EXPECT_EQ(k.ifState.load(), 3);
  EXPECT_EQ(k.getMode(), kModeCheck);
  EXPECT_EQ(loader->path, "/opt/zerlo/bin/KXSIM.DLL");
  EXPECT_EQ(FakeKx::openedWith, "/opt/zerlo/bin/INTERFACE.INI");
  // A missing library: the open forwarder answers 4.
  loader->available = false;
  Calls::errors.clear();
  k.setMode(kModeCheck);
  EXPECT_EQ(Calls::errors, std::vector<int>{604});
}

TEST_F(Interface, OpenExchangeAndClose) {
  settings->driver = "KXSIM.DLL";
  k.setMode(kModeCheck);
  EXPECT_EQ(k.getMode(), kModeStop);
  EXPECT_TRUE(k.ifActive);
  EXPECT_EQ(Calls::lookOuts, std::vector<int>{1});
  ASSERT_EQ(FakeKx::setups.size(), 1u);
  // First run: no input exchange before the first output step.
  k.dspsRun();
  EXPECT_EQ(FakeKx::gets, 0);
  EXPECT_EQ(FakeKx::sets, 1);
  EXPECT_EQ(FakeKx::lastIfNum, 3);    // low byte of the interface number
  EXPECT_EQ(FakeKx::lastDw107, 2);    // mode 4, toggle clear
  Calls::errors.clear();
  k.dspsRun();
  EXPECT_EQ(FakeKx::gets, 1);
  EXPECT_EQ(Calls::errors, std::vector<int>{0});
  std::uint8_t e = 0;
  k.getDP("E", 1, &e, 1);
  EXPECT_EQ(e, 1);
  k.getDP("E", 3, &e, 1);
  EXPECT_EQ(e, 1);
  EXPECT_EQ(FakeKx::lastDw107, 1);    // the toggle flipped: DW107 was 0
  k.setMode(kModeAkxi);
  EXPECT_FALSE(k.ifActive);
  EXPECT_EQ(FakeKx::closes, 1);
  EXPECT_EQ(k.ifState.load(), 0);
  EXPECT_EQ(FakeKx::setups.back(), (std::pair<int, int>{2, 0}));
  k.dspsRun();
  EXPECT_EQ(FakeKx::sets, 2);   // nothing more once closed
}

TEST_F(Interface, SetupFailureGoesOffline) {
  settings->driver = "KXSIM.DLL";
  FakeKx::setupResult = 5;
  k.setMode(kModeCheck);
  EXPECT_EQ(Calls::errors, std::vector<int>{605});
  EXPECT_EQ(k.getMode(), kModeOffline);
  EXPECT_TRUE(k.ifActive);
  // A re-open closes the device first.
  k.setMode(kModeCheck);
  EXPECT_EQ(FakeKx::closes, 1);
}

TEST_F(Interface, ModeTails) {
  hookCalls.clear();
  k.setMode(kModeOnline);
  EXPECT_EQ(hookCalls, (std::vector<std::pair<std::string, int>>{{"ChangeMMTCond", 1}}));
  hookCalls.clear();
  k.setMode(kModeReset);   // an error callback is set: the server stays
  EXPECT_EQ(hookCalls, (std::vector<std::pair<std::string, int>>{{"ChangeMMTCond", 4}}));
  D10InitRecord none{nullptr, nullptr, nullptr};
  k.d10Init(&none);
  k.setMode(kModeOnline);
  hookCalls.clear();
  k.setMode(kModeReset);
  k.setMode(kModeReset);
  EXPECT_EQ(hookCalls, (std::vector<std::pair<std::string, int>>{
                           {"ChangeMMTCond", 4}, {"SettingsServerAction", 1}, {"ChangeMMTCond", 4}}));
  hookCalls.clear();
  k.setMode(kModeParaChange);
  EXPECT_EQ(hookCalls[0], (std::pair<std::string, int>{"InitControlDialog", 0}));
  EXPECT_EQ(hookCalls[1], (std::pair<std::string, int>{"ChangeMMTCond", 10}));
}

// Without an error callback, the resets that clients of the server send
// through the service channel - the start of a program (request 3: reset, then
// run) and a reset (request 1) - never ask the server to close: a second
// download and an online off keep the server and the program.
TEST_F(Interface, ChannelResetsAfterARunKeepTheServer) {
  D10InitRecord none{nullptr, nullptr, nullptr};
  k.d10Init(&none);
  std::uint8_t* buf = nullptr;
  std::uint32_t size = 0, *answer = nullptr;
  std::int32_t* rq = nullptr;
  k.initSoftComm(&buf, &size, &answer, &rq);
  auto request = [&](std::vector<std::uint8_t> req) {
    std::memcpy(buf, req.data(), req.size());
    *rq = static_cast<std::int32_t>(req.size());
    k.commMultiPlex();
    k.commMultiPlex();
    *answer = 0;
  };
  struct Case { const char* what; std::vector<std::vector<std::uint8_t>> requests; };
  const Case cases[] = {
      {"two program starts", {{kReqStart}, {kReqStart}}},
      {"a start, then a reset", {{kReqStart}, {kReqSetState, kModeReset, 0}}},
      {"run, check, run, load, start", {{kReqSetState, kModeOnline, 0}, {kReqSetState, kModeCheck, 0},
                                        {kReqSetState, kModeOnline, 0}, {kReqSetState, kModeLoad, 0}, {kReqStart}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    hookCalls.clear();
    for (const auto& r : c.requests) request(r);
    EXPECT_EQ(k.getMode(), c.requests.back()[0] == kReqStart ? kModeOnline : c.requests.back()[1]);
    for (const auto& call : hookCalls) EXPECT_NE(call.first, "SettingsServerAction");
  }
  // A reset that does not come through the channel keeps the rule.
  k.setMode(kModeOnline);
  hookCalls.clear();
  k.setMode(kModeReset);
  EXPECT_EQ(hookCalls, (std::vector<std::pair<std::string, int>>{{"ChangeMMTCond", 4}, {"SettingsServerAction", 1}}));
}

TEST_F(Interface, DeinitClosesTheDevice) {
  settings->driver = "KXSIM.DLL";
  k.setMode(kModeCheck);
  k.dspsDeinit();
  EXPECT_EQ(FakeKx::closes, 1);
  EXPECT_EQ(k.getMode(), kModeStop);
  EXPECT_TRUE(k.areas().empty());
}

} // namespace
} // namespace plctest
