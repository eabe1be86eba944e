// The timer thread runs while the channel thread re-opens the interface and
// loads other declarations: the kernel mutex keeps every access consistent.
#include "plc_fixture.h"

#include <atomic>
#include <thread>

namespace plctest {
namespace {

using namespace protocol;

class Concurrency : public PlcFixture {};

TEST_F(Concurrency, ReopenWhileTheTimerThreadRuns) {
  set<std::int16_t>(PW(1), 1);
  task(1, 10, [&] {
    for (int i = 0; i < 20; ++i) block("ADDW", {DW(9), PW(1), DW(9)});
  });
  start();
  std::atomic<bool> stop{false};
  std::atomic<long> ticks{0};
  std::thread timer([&] {
    while (!stop.load()) {
      k.dspsTimer();
      k.dspsRun();
      ++ticks;
    }
  });
  std::thread reader([&] {
    std::int16_t v;
    std::uint8_t e[8];
    while (!stop.load()) {
      k.getDP("DW", 9, &v, 2);
      k.setDP("A", 2, e);
      k.activeTaskState();
    }
  });
  std::uint8_t* buf;
  std::uint32_t size, *answer;
  std::int32_t* rq;
  k.initSoftComm(&buf, &size, &answer, &rq);
  for (int round = 0; round < 30; ++round) {
    k.setMode(kModeCheck);   // frees and places the pools again
    // Other declarations through request 32, then the built-in ones again.
    std::vector<std::uint8_t> r(5 + 26 * 2, 0);
    r[0] = kReqResources;
    putU32(&r[1], 2);
    std::memcpy(&r[5], "MVL", 3);
    putU32(&r[5 + 16], 1);
    putU32(&r[5 + 20], 1000 + 10 * round);
    r[5 + 24] = 0x10;
    std::memcpy(&r[31], "DW", 2);
    putU32(&r[31 + 16], 50 + round);
    putU32(&r[31 + 20], 2);
    r[31 + 24] = 0x01;
    std::memcpy(buf, r.data(), r.size());
    *rq = static_cast<std::int32_t>(r.size());
    k.commMultiPlex();
    k.commMultiPlex();
    *answer = 0;
    k.setMode(kModeOnline);
  }
  // Let the timer thread run at least a few ticks before stopping.
  for (int i = 0; i < 2000 && ticks.load() < 10; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stop = true;
  timer.join();
  reader.join();
  EXPECT_GE(ticks.load(), 1);
}

} // namespace
} // namespace plctest
