// Instance numbers over exclusive endpoints: the lowest free number, ten at
// most, the gap of a closed instance, queries and broadcasts.
#include "zerloapp/instances.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace zapp {
namespace {

class Instances : public ::testing::Test {
protected:
  std::string dir;
  void SetUp() override {
    char tmpl[] = "/tmp/zapp_instXXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    dir = tmpl;
    setenv("ZERLO_RUNTIME_DIR", dir.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("ZERLO_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
  }
};

TEST_F(Instances, TenNumbersThenNone) {
  std::atomic<int> stops{0};
  std::vector<std::unique_ptr<plat::ipc::Endpoint>> eps;
  for (int i = 1; i <= kMaxInstances; ++i) {
    int n = 0;
    auto ep = app_AssignInstanceNumber(n, [i, &stops](const plat::ipc::Message& m) {
      plat::ipc::Answer a;
      if (m.msg == kInstanceQuery && m.wParam == 0) a.result = i;
      if (m.msg == kInstanceQuery && m.wParam == 1 && i == 4) {
        a.text = "/P/PLANT.MDL";
        a.result = 1;
      }
      if (m.msg == kStopRequest) ++stops;
      return a;
    });
    ASSERT_TRUE(ep);
    EXPECT_EQ(n, i);
    eps.push_back(std::move(ep));
  }
  int n = -1;
  EXPECT_FALSE(app_AssignInstanceNumber(n, {}));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(otherInstances(1).size(), 9u);
  EXPECT_TRUE(inst_FindFileInOtherInstance(1, "/p/plant.mdl"));
  EXPECT_FALSE(inst_FindFileInOtherInstance(4, "/p/plant.mdl"));
  inst_BroadcastToInstances(1, kStopRequest, 0, 0);
  for (int i = 0; i < 200 && stops < 9; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(stops.load(), 9);
  // Instance 2 ends: the next start takes 2.
  eps[1].reset();
  auto again = app_AssignInstanceNumber(n, {});
  EXPECT_TRUE(again);
  EXPECT_EQ(n, 2);
}

TEST_F(Instances, SimultaneousStartsTakeDifferentNumbers) {
  std::vector<std::unique_ptr<plat::ipc::Endpoint>> eps(kMaxInstances);
  std::vector<int> numbers(kMaxInstances, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kMaxInstances; ++i)
    threads.emplace_back([&, i] { eps[i] = app_AssignInstanceNumber(numbers[i], {}); });
  for (auto& t : threads) t.join();
  std::sort(numbers.begin(), numbers.end());
  for (int i = 0; i < kMaxInstances; ++i) EXPECT_EQ(numbers[i], i + 1);
}

} // namespace
} // namespace zapp
