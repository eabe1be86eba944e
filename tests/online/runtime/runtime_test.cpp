// The runtime against a fake software PLC kernel and a fake diagnosis library.
#include "runtime/runtime.h"

#include "platform/profile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <vector>

namespace {

// ---- the fake kernel -----------------------------------------------------------

struct Kernel {
  std::mutex mu;
  std::condition_variable cv;
  std::uint8_t buf[2000] = {};
  std::uint32_t answer = 0;
  std::int32_t request = 0;
  bool answerPending = false;
  bool consume = true;            // takes requests at once
  bool blockRun = false;          // DSPS_Run waits while set
  std::atomic<int> runs{0}, timers{0}, inits{0}, deinits{0};
  std::string configPath, cycleTime;
  std::vector<std::vector<std::uint8_t>> requests;
  std::uint8_t mode = 4;
  D10InitRecord d10{};
  std::int16_t dw[10] = {0, 11, 22, 33};
};
Kernel* g_k = nullptr;

extern "C" {
int kInit(int, const DspsInitRecord* r) {
  g_k->configPath = r->configPath;
  g_k->cycleTime = r->cycleTime;
  ++g_k->inits;
  return 1;
}
int kDeinit() { ++g_k->deinits; return 1; }
void kTimer() { ++g_k->timers; }
void kRun() {
  std::unique_lock<std::mutex> lk(g_k->mu);
  g_k->cv.wait(lk, [] { return !g_k->blockRun; });
  ++g_k->runs;
}
std::uint16_t kMultiPlex() {
  Kernel& k = *g_k;
  if (k.answerPending) {
    k.answerPending = false;
    k.answer = 2;
    return 1;
  }
  if (k.request == 0 || !k.consume) return 0;
  k.requests.emplace_back(k.buf, k.buf + k.request);
  if (k.buf[0] == 0) {             // state request: answer {mode, 64}
    k.buf[0] = k.mode;
    k.buf[1] = 64;
    k.answerPending = true;
  }
  k.request = 0;
  return 1;
}
void kInitSoftComm(std::uint8_t** b, std::uint32_t* s, std::uint32_t** a, std::int32_t** r) {
  *b = g_k->buf;
  *s = sizeof g_k->buf;
  *a = &g_k->answer;
  *r = &g_k->request;
}
void kDeinitSoftComm() {}
int kGet(const char* area, std::uint16_t i, void* dst, std::uint16_t n) {
  if (std::strcmp(area, "DW") != 0 || i >= 10 || n > 2) return 0;
  std::memcpy(dst, &g_k->dw[i], n);
  return 1;
}
int kSet(const char* area, std::uint16_t i, const void* v) {
  if (std::strcmp(area, "DW") != 0 || i >= 10) return 0;
  std::memcpy(&g_k->dw[i], v, 2);
  return 1;
}
std::uint16_t kActive() { return 0; }
int kD10Init(const D10InitRecord* r) { g_k->d10 = *r; return 1; }
int kSetMode(int m) { g_k->mode = static_cast<std::uint8_t>(m); return 1; }
std::uint8_t kGetMode() { return g_k->mode; }
} // extern "C"

// ---- the fake diagnosis library ------------------------------------------------

struct Diag {
  std::atomic<int> lookOuts100{0}, closeRequests{0};
  int dialogResult = 300;
  RuntimeFunctionTable table{};
};
Diag* g_d = nullptr;
extern "C" {
int dError(int) { return 1; }
int dLookOut(int code) { if (code == 100) ++g_d->lookOuts100; return 0; }
int dInit(const RuntimeFunctionTable* t) { g_d->table = *t; return t->size == 24 ? 1 : 0; }
int dCall(int request) {
  if (request == 1) ++g_d->closeRequests;
  return request == 0 ? g_d->dialogResult : 300;
}
}

class Runtime : public ::testing::Test {
protected:
  void SetUp() override {
    g_k = &kernel;
    g_d = &diag;
    dir = std::filesystem::path(::testing::TempDir()) /
          ("zrt_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
           std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setCycle("50");
  }
  void TearDown() override {
    rt.reset();
    g_k = nullptr;
    g_d = nullptr;
    std::filesystem::remove_all(dir);
  }
  void setCycle(const char* v) {
    plat::profile::writeString((dir / "INTERFACE.INI").string(), "SETTINGS", "CYCLETIME", v);
  }
  zrt::RuntimeEnv env(bool kernelLoads = true) {
    zrt::RuntimeEnv e;
    e.dir = dir.string();
    e.loadKernel = [kernelLoads](zrt::PlcKernelApi& a) {
      if (!kernelLoads) return false;
      a.DSPS_Run = &kRun; a.DSPS_Init = &kInit; a.DSPS_Deinit = &kDeinit; a.DSPS_Timer = &kTimer;
      a.DSPS_CommMultiPlex = &kMultiPlex; a.DSPS_InitSoftComm = &kInitSoftComm;
      a.DSPS_DeinitSoftComm = &kDeinitSoftComm; a.KX1_GetDPValue = &kGet; a.KX1_SetDPValue = &kSet;
      a.D10_GetActiveTaskState = &kActive; a.D10_Init = &kD10Init; a.D10_SetDSPMode = &kSetMode;
      a.D10_GetDSPMode = &kGetMode;
      return true;
    };
    e.unloadKernel = [] {};
    e.loadDiag = [](zrt::DiagApi& d) {
      d.module = reinterpret_cast<void*>(0x1234);
      d.InterfaceError = &dError; d.InfoLookOut = &dLookOut; d.InitZRLRTFunc = &dInit; d.CallTrmd001Dlg = &dCall;
      return true;
    };
    e.unloadDiag = [] {};
    e.postClose = [this](std::uint32_t id) { closed.push_back(id); return true; };
    e.notifyClient = [this](std::uint32_t id) { notified.push_back(id); };
    e.realtime = false;
    e.channelWait = std::chrono::milliseconds(50);
    e.diagBindWait = std::chrono::milliseconds(5000);
    return e;
  }
  std::uint8_t* open(std::uint32_t* size = nullptr) {
    rt = std::make_unique<zrt::Runtime>(env());
    zrt::Runtime::setCurrent(rt.get());
    std::uint32_t s = 0;
    std::uint8_t* b = rt->openServiceChannel((dir / "INTERFACE.INI").string().c_str(), &s);
    if (size) *size = s;
    return b;
  }

  Kernel kernel;
  Diag diag;
  std::unique_ptr<zrt::Runtime> rt;
  std::filesystem::path dir;
  std::vector<std::uint32_t> closed, notified;
};

TEST(RuntimePeriod, IsAFifthOfTheCycleTime) {
  struct Case { const char* text; unsigned ms; };
  for (Case c : {Case{"4", 2}, Case{"10", 2}, Case{"50", 10}, Case{"100", 20}, Case{"", 2}, Case{"abc", 2},
                 Case{" 25", 5}, Case{"0", 2}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(zrt::Runtime::periodMsOf(c.text), c.ms);
  }
}

TEST_F(Runtime, OpenStartsTheKernelAndItsTimer) {
  std::uint32_t size = 0;
  std::uint8_t* b = open(&size);
  ASSERT_EQ(b, kernel.buf);
  EXPECT_EQ(size, 2000u);
  EXPECT_EQ(kernel.inits, 1);
  EXPECT_EQ(kernel.cycleTime, "50");
  EXPECT_EQ(kernel.configPath, (dir / "INTERFACE.INI").string());
  EXPECT_EQ(rt->periodMs(), 10u);
  for (int i = 0; i < 2000 && kernel.runs < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_GE(kernel.runs, 3);
  EXPECT_GE(kernel.timers.load(), kernel.runs.load());
  EXPECT_EQ(rt->closeServiceChannel(), 1);
  EXPECT_FALSE(rt->timerRunning());
  EXPECT_EQ(kernel.deinits, 1);
}

TEST_F(Runtime, UnboundKernelGivesNoBuffer) {
  rt = std::make_unique<zrt::Runtime>(env(false));
  std::uint32_t size = 77;
  EXPECT_EQ(rt->openServiceChannel("x", &size), nullptr);
  EXPECT_FALSE(rt->timerRunning());
}

TEST_F(Runtime, WriteReadAndReady) {
  std::uint8_t* b = open();
  ASSERT_NE(b, nullptr);
  std::uint16_t n = 0;
  EXPECT_EQ(rt->readServiceChannel(&n), zrt::kNothing);      // nothing there yet
  b[0] = 0;
  EXPECT_EQ(rt->writeServiceChannel(b, 0), zrt::kDone);
  EXPECT_EQ(rt->readServiceChannel(&n), zrt::kDone);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(rt->readServiceChannel(&n), zrt::kDone);         // stays until ready
  rt->readServiceReady();
  EXPECT_EQ(rt->readServiceChannel(&n), zrt::kNothing);
}

TEST_F(Runtime, WriteWhileARequestWaitsIsBusyAndChangesNothing) {
  std::uint8_t* b = open();
  kernel.consume = false;
  b[0] = 9;
  EXPECT_EQ(rt->writeServiceChannel(b, 0), zrt::kDone);
  std::uint8_t other[2] = {7, 7};
  EXPECT_EQ(rt->writeServiceChannel(other, 1), zrt::kBusy);
  EXPECT_EQ(b[0], 9);
  EXPECT_EQ(kernel.request, 1);
}

TEST_F(Runtime, CopiesTheWholeRequestAndRefusesOversized) {
  std::uint8_t* b = open();
  std::uint8_t req[3] = {9, 1, 2};
  EXPECT_EQ(rt->writeServiceChannel(req, 2), zrt::kDone);
  ASSERT_EQ(kernel.requests.size(), 1u);
  EXPECT_EQ(kernel.requests[0], (std::vector<std::uint8_t>{9, 1, 2}));
  EXPECT_EQ(rt->writeServiceChannel(b, 2000), zrt::kError);
}

TEST_F(Runtime, TerminalRequestOpensTheDiagnosisInsteadOfReachingThePlc) {
  std::uint8_t* b = open();
  b[0] = 1; b[1] = 11; b[2] = 0;
  EXPECT_EQ(rt->writeServiceChannel(b, 2), zrt::kDone);
  EXPECT_TRUE(kernel.requests.empty());
  EXPECT_TRUE(rt->diagThreadCreated());
  EXPECT_EQ(diag.table.size, kRuntimeFunctionTableSize);
  EXPECT_EQ(kernel.d10.errorCallback, &dError);
  EXPECT_EQ(kernel.d10.lookOutCallback, &dLookOut);
  // Once created, the request shows the window again.
  EXPECT_EQ(rt->writeServiceChannel(b, 2), zrt::kDone);
  EXPECT_EQ(diag.lookOuts100, 1);
  EXPECT_EQ(rt->initControlDialog(), 1);
  EXPECT_TRUE(kernel.requests.empty());
}

TEST_F(Runtime, ChannelWaitsForTheKernelAreBounded) {
  std::uint8_t* b = open();
  {
    std::lock_guard<std::mutex> lk(kernel.mu);
    kernel.blockRun = true;                  // a task that does not end
  }
  int before = kernel.runs;
  for (int i = 0; i < 2000 && kernel.timers == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  b[0] = 0;
  EXPECT_EQ(rt->writeServiceChannel(b, 0), zrt::kBusy);
  std::uint16_t n = 0;
  EXPECT_EQ(rt->readServiceChannel(&n), zrt::kNothing);
  {
    std::lock_guard<std::mutex> lk(kernel.mu);
    kernel.blockRun = false;
  }
  kernel.cv.notify_all();
  int r = zrt::kBusy;
  for (int i = 0; i < 100 && r == zrt::kBusy; ++i) r = rt->writeServiceChannel(b, 0);
  EXPECT_EQ(r, zrt::kDone);
  EXPECT_GT(kernel.runs, before);
}

TEST_F(Runtime, ChangeMMTCondSwitchesThePeriod) {
  ASSERT_NE(open(), nullptr);
  EXPECT_EQ(rt->periodMs(), 10u);
  EXPECT_EQ(rt->changeMMTCond(4), 1);
  EXPECT_EQ(rt->periodMs(), 5u);
  EXPECT_TRUE(rt->timerRunning());
  setCycle("100");
  EXPECT_EQ(rt->changeMMTCond(1), 1);
  EXPECT_EQ(rt->periodMs(), 20u);
  EXPECT_TRUE(rt->timerRunning());
}

// A period change comes inside a request of the service channel (twice for
// every program start): it must not wait for the timer's thread - not for it
// to wake up, and not for a tick that is still running.
TEST_F(Runtime, ChangeMMTCondDoesNotWaitForTheTimersThread) {
  ASSERT_NE(open(), nullptr);
  {
    std::lock_guard<std::mutex> lk(kernel.mu);
    kernel.blockRun = true;                  // the timer's thread stays inside a tick
  }
  for (int i = 0; i < 2000 && kernel.timers == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GT(kernel.timers, 0);
  auto change = std::async(std::launch::async, [&] { return rt->changeMMTCond(4); });
  const bool returned = change.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  {
    std::lock_guard<std::mutex> lk(kernel.mu);
    kernel.blockRun = false;
  }
  kernel.cv.notify_all();
  EXPECT_TRUE(returned) << "the period change waited for the timer's thread";
  EXPECT_EQ(change.get(), 1);
  EXPECT_EQ(rt->periodMs(), 5u);
  EXPECT_TRUE(rt->timerRunning());
  const int runs = kernel.runs;
  for (int i = 0; i < 2000 && kernel.runs <= runs + 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_GT(kernel.runs, runs + 2);          // the same timer goes on ticking
}

TEST_F(Runtime, ServerActions) {
  ASSERT_NE(open(), nullptr);
  EXPECT_EQ(rt->settingsServerAction(1), 0);        // no server window known
  std::uint32_t window = 42;
  ZrlClientNode c3{303, nullptr}, c2{202, &c3}, c1{101, &c2};
  ZrlClientNode* head = &c1;
  rt->settingsServerInfo(&window, &head);
  EXPECT_EQ(rt->settingsServerAction(2), 0);
  EXPECT_EQ(notified, (std::vector<std::uint32_t>{101, 202, 303}));
  EXPECT_EQ(rt->settingsServerAction(1), 1);
  EXPECT_EQ(closed, (std::vector<std::uint32_t>{42}));
  EXPECT_EQ(rt->settingsServerAction(7), 0);
}

TEST_F(Runtime, DiagnosisEndingWith100ClosesTheServer) {
  ASSERT_NE(open(), nullptr);
  std::uint32_t window = 9;
  ZrlClientNode* head = nullptr;
  rt->settingsServerInfo(&window, &head);
  diag.dialogResult = 100;
  EXPECT_EQ(rt->initControlDialog(), 1);
  for (int i = 0; i < 2000 && rt->diagDialogRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (int i = 0; i < 2000 && closed.empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(closed, (std::vector<std::uint32_t>{9}));
}

TEST_F(Runtime, FunctionTableReachesTheDataPointsAndModes) {
  ASSERT_NE(open(), nullptr);
  const RuntimeFunctionTable& t = zrt::Runtime::functionTable();
  EXPECT_EQ(t.size, kRuntimeFunctionTableSize);
  std::int16_t v = 0;
  EXPECT_EQ(t.readValue("DW", 2, &v, 2), 1);
  EXPECT_EQ(v, 22);
  std::int16_t w = -5;
  EXPECT_EQ(t.writeValue("DW", 3, &w), 1);
  EXPECT_EQ(kernel.dw[3], -5);
  EXPECT_EQ(t.readValue("XX", 0, &v, 2), 0);
  EXPECT_EQ(t.readValue("DW", -1, &v, 2), 0);
  t.setMode(7);
  EXPECT_EQ(t.getMode(), 7);
}

} // namespace
