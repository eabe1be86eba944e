// Worker threads and library calls against the test library ZWLIB.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <filesystem>
#include <unistd.h>
#include <mutex>
#include <thread>

#include "engine/services.h"
#include "engine/workers.h"
#include "platform/uisink.h"

using namespace engine;
using namespace std::chrono_literals;

namespace {

struct Messages : EngineServices {
  std::mutex m;
  std::vector<std::string> calls;
  void showMessage(int n) override { std::lock_guard g(m); calls.push_back(std::to_string(n)); }
  void showMessageWith(int n, const std::string& s) override {
    std::lock_guard g(m);
    calls.push_back(std::to_string(n) + " " + s);
  }
  std::vector<std::string> take() { std::lock_guard g(m); return std::exchange(calls, {}); }
};

template <class F> bool waitFor(F f) {
  for (int i = 0; i < 5000; ++i) {
    if (f()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return f();
}

class Workers : public ::testing::Test {
protected:
  Messages msgs;
  EngineServices* old = nullptr;
  std::atomic<int> beeps{0}, redraws{0}, cancels{0};
  std::filesystem::path empty = std::filesystem::temp_directory_path() / ("zw_empty_" + std::to_string(::getpid()));
  void SetUp() override {
    old = setEngineServices(&msgs);
    std::filesystem::create_directories(empty);
    WorkerHooks h;
    h.libraryPaths = [this] { return std::vector<std::string>{empty.string(), ZW_LIB_DIR}; };
    h.programDir = empty.string();
    h.postRedraw = [this] { ++redraws; };
    h.cancelDialogs = [this] { ++cancels; };
    h.beep = [this] { ++beeps; };
    th_SetHooks(h);
  }
  void TearDown() override {
    EXPECT_EQ(th_KillAll(5s), 0u);
    dl_FreeCache();
    th_SetHooks({});
    setEngineServices(old);
    std::filesystem::remove_all(empty);
  }
};

} // namespace

TEST_F(Workers, LibrarySearchOrderAndCaseInsensitiveCache) {
  LibraryHandle h = dl_LoadLibrary("zwlib.dll");  // not in the first path, found in the second
  ASSERT_NE(h, nullptr);
  dl_UnloadLibrary(h);
  th_SetHooks({.libraryPaths = {}, .programDir = empty.string(), .postRedraw = {}, .cancelDialogs = {}, .beep = {}});
  EXPECT_EQ(dl_LoadLibrary("zwlib.dll"), nullptr);
  SetUp();
  LibraryHandle a = dl_CacheLoad("zwlib.dll");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(dl_CacheLoad("ZWLIB.DLL"), a);
  EXPECT_EQ(dl_CacheSize(), 1u);
  EXPECT_EQ(dl_CacheLoad("MISSING.DLL"), nullptr);
  EXPECT_EQ(dl_CacheSize(), 1u);
}

TEST_F(Workers, TwentyWorkersOnALatchTheTwentyFirstRefused) {
  std::atomic<bool> first{false}, rest{false};
  std::atomic<int> entered{0};
  ASSERT_TRUE(xt_WorkerLibraryCall("ZWLIB.DLL", "ZwWait", {&first, &entered}));
  for (int i = 1; i < 20; ++i) ASSERT_TRUE(xt_WorkerLibraryCall("ZWLIB.DLL", "ZwWait", {&rest, &entered}));
  ASSERT_TRUE(waitFor([&] { return entered == 20; }));
  EXPECT_FALSE(th_NoWorkers());
  EXPECT_FALSE(xt_WorkerLibraryCall("ZWLIB.DLL", "ZwWait", {&rest, &entered}));
  EXPECT_EQ(beeps, 1);
  first = true;
  ASSERT_TRUE(waitFor([] { return th_Count() == 19; }));
  EXPECT_TRUE(waitFor([&] { return redraws == 1; }));
  EXPECT_TRUE(xt_WorkerLibraryCall("ZWLIB.DLL", "ZwWait", {&rest, &entered}));
  rest = true;
  ASSERT_TRUE(waitFor([] { return th_NoWorkers(); }));
  EXPECT_EQ(redraws, 21);  // one redraw per worker end
  EXPECT_TRUE(msgs.take().empty());
}

TEST_F(Workers, CachedCallAndCallByAddress) {
  std::atomic<int> n{0};
  double id = xt_CachedLibraryCall(false, "zwlib.dll", "ZwCount", {&n});
  EXPECT_NE(id, 0.0);
  EXPECT_EQ(n, 1);
  EXPECT_TRUE(xt_CallByAddress(false, id, {&n}));
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(xt_CallByAddress(true, id, {&n}));
  ASSERT_TRUE(waitFor([&] { return n == 3; }));
  EXPECT_EQ(xt_CachedLibraryCall(false, "zwlib.dll", "NoSuchFunction", {}), 0.0);
  EXPECT_EQ(xt_CachedLibraryCall(false, "NOLIB.DLL", "ZwCount", {}), 0.0);
  EXPECT_FALSE(xt_CallByAddress(false, 12345.0, {&n}));
  EXPECT_FALSE(xt_CallByAddress(false, -1.0, {&n}));
  EXPECT_EQ(msgs.take(), (std::vector<std::string>{"50046 NoSuchFunction", "50047 NOLIB.DLL"}));
  EXPECT_TRUE(xt_SyncLibraryCall("ZWLIB.DLL", "ZwCount", {&n}));
  EXPECT_EQ(n, 4);
}

TEST_F(Workers, WorkerMessagesForMissingLibraryAndFunction) {
  ASSERT_TRUE(xt_WorkerLibraryCall("NOLIB.DLL", "X", {}));
  ASSERT_TRUE(xt_WorkerLibraryCall("ZWLIB.DLL", "Nothing", {}));
  ASSERT_TRUE(waitFor([] { return th_NoWorkers(); }));
  auto got = msgs.take();
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"50046 Nothing", "50047 NOLIB.DLL"}));
  EXPECT_EQ(redraws, 2);
}

TEST_F(Workers, KillAllStopsCooperativeWorkersAndAbandonsTheOthers) {
  static std::atomic<bool> latch{false};  // outlives the abandoned worker
  ASSERT_TRUE(th_Start([](std::stop_token st) { while (!st.stop_requested()) std::this_thread::sleep_for(1ms); }));
  EXPECT_EQ(th_KillAll(5s), 0u);
  EXPECT_EQ(cancels, 1);
  EXPECT_TRUE(th_NoWorkers());
  ASSERT_TRUE(th_Start([](std::stop_token) { while (!latch) std::this_thread::sleep_for(1ms); }));
  EXPECT_EQ(th_KillAll(20ms), 1u);  // does not stop: abandoned, the caller goes on
  EXPECT_TRUE(th_NoWorkers());
  int before = redraws;
  latch = true;  // the abandoned worker ends later and posts nothing
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(redraws, before);
}

// Without a hook of the shell, the queued modal runs of the process are
// cancelled before the workers are stopped.
TEST_F(Workers, KillAllWithoutAHookCancelsTheQueuedModalRuns) {
  WorkerHooks h;
  h.beep = [this] { ++beeps; };
  th_SetHooks(h);
  std::atomic<int> cancelled{0};
  const std::uint64_t run = plat::ui::addModalRun([&] { ++cancelled; });
  EXPECT_EQ(th_KillAll(1s), 0u);
  plat::ui::removeModalRun(run);
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(cancels, 0);
}
