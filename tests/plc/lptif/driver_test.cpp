// The interface protocol against the simulated board, on a fake clock that
// each status read moves on by 250 ns.
#include "lptif/board.h"
#include "lptif/driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace {

using namespace std::chrono_literals;
constexpr std::uint16_t kBase = 0x378;

struct OnBoard : ::testing::Test {
  std::shared_ptr<plat::time::FakeClock> clock = std::make_shared<plat::time::FakeClock>();
  lptif::SimulatedBoard board{kBase, clock};
  lptif::Driver drv{board, clock};
  OnBoard() {
    drv.pollSleep = [](void* c) { static_cast<plat::time::FakeClock*>(c)->advance(1ms); };
    drv.pollCtx = clock.get();
  }
  std::uint16_t ex(const unsigned char* rec) { std::uint16_t v; std::memcpy(&v, rec + 100, 2); return v; }
  std::uint16_t ey(const unsigned char* rec) { std::uint16_t v; std::memcpy(&v, rec + 102, 2); return v; }
};

TEST_F(OnBoard, MotorsAreShiftedAsPairsFromMotorEightDown) {
  int rec[17] = {};
  rec[5] = 1;    // motor 3 on, direction clear
  rec[9] = 1;    // motor 5 on, direction set
  rec[10] = 1;
  rec[14] = 1;   // motor 7 off: its direction does not matter
  board.clearLog();
  ASSERT_EQ(drv.setMotor(kBase, rec), lptif::kDone);
  auto w = board.dataWrites();
  ASSERT_EQ(w.size(), 2u + 32u + 1u);
  EXPECT_EQ(w.front(), 0x39);
  EXPECT_EQ(w[1], 0x30);
  EXPECT_EQ(w.back(), 0x39);
  std::vector<int> bits;
  for (std::size_t i = 2; i < 34; i += 2) {
    EXPECT_EQ(w[i] | 0x08, w[i + 1]) << "each data value is followed by its clock";
    bits.push_back((w[i] & 0x04) ? 1 : 0);
  }
  // Pairs from the end: motor 1, 2, 3 ...
  EXPECT_EQ(bits[16 - 6], 0);   // motor 3: 0, 1
  EXPECT_EQ(bits[16 - 5], 1);
  EXPECT_EQ(bits[16 - 10], 1);  // motor 5: 1, 0
  EXPECT_EQ(bits[16 - 9], 0);
  bool on = false, rev = true;
  ASSERT_TRUE(board.motor(3, &on, &rev));
  EXPECT_TRUE(on);
  EXPECT_FALSE(rev);
  ASSERT_TRUE(board.motor(5, &on, &rev));
  EXPECT_TRUE(on);
  EXPECT_TRUE(rev);
  for (int m : {1, 2, 4, 6, 7, 8}) {
    ASSERT_TRUE(board.motor(m, &on, &rev));
    EXPECT_FALSE(on) << m;
  }
}

TEST_F(OnBoard, InputsArriveOneCallLateWithTheirBytesSwapped) {
  board.setInputWord(0x1234);
  int v = -1;
  ASSERT_EQ(drv.getEI(kBase, &v), lptif::kDone);
  EXPECT_EQ(v, 0);
  board.setInputWord(0x00FF);
  ASSERT_EQ(drv.getEI(kBase, &v), lptif::kDone);
  EXPECT_EQ(v, 0x3412);
  ASSERT_EQ(drv.getEI(kBase, &v), lptif::kDone);
  EXPECT_EQ(v, 0xFF00);
  // Shifting the inputs leaves the loaded outputs alone.
  int rec[17] = {};
  rec[1] = 1;
  drv.setMotor(kBase, rec);
  drv.getEI(kBase, &v);
  drv.setMotor(kBase, rec);
  EXPECT_EQ(board.outputWord(), 0x0001);
}

struct Move {
  std::uint32_t firstCounts, nextCounts;
  std::uint16_t first, next;
};

TEST_F(OnBoard, AnalogueValuesHaveADeadBandOfTen) {
  const Move cases[] = {
      {5105, 5305, 500, 520},   // 500 -> 530: follows to 10 below
      {5105, 5055, 500, 500},   // 500 -> 505: inside the band
      {5105, 4805, 500, 490},   // 500 -> 480: follows to 10 above
      {5105, 20000, 500, 999},  // no end within 10000 counts
  };
  for (const Move& c : cases) {
    SCOPED_TRACE(c.nextCounts);
    lptif::Driver d{board, clock};
    unsigned char rec[104] = {};
    board.setAnalogCounts(c.firstCounts, 0);
    ASSERT_EQ(d.getEX(kBase, rec), lptif::kDone);
    EXPECT_EQ(ex(rec), c.first);
    clock->advance(201ms);
    board.setAnalogCounts(c.nextCounts, 0);
    ASSERT_EQ(d.getEX(kBase, rec), lptif::kDone);
    EXPECT_EQ(ex(rec), c.next);
  }
}

TEST_F(OnBoard, AnalogueValuesAreCachedFor200ms) {
  unsigned char rec[104] = {};
  board.setAnalogCounts(5105, 3105);
  ASSERT_EQ(drv.getEX(kBase, rec), lptif::kDone);
  EXPECT_EQ(ex(rec), 500);
  board.setAnalogCounts(8000, 3105);
  board.clearLog();
  clock->advance(150ms);
  ASSERT_EQ(drv.getEX(kBase, rec), lptif::kDone);
  EXPECT_EQ(ex(rec), 500);
  EXPECT_TRUE(board.dataWrites().empty());   // not measured again
  // EY: the new value reaches the record at the next call.
  ASSERT_EQ(drv.getEY(kBase, rec), lptif::kDone);
  EXPECT_EQ(ey(rec), 0);
  ASSERT_EQ(drv.getEY(kBase, rec), lptif::kDone);
  EXPECT_EQ(ey(rec), 300);
}

TEST_F(OnBoard, PortZeroAndAMissingBoard) {
  int rec[17] = {};
  int v = 0;
  EXPECT_EQ(drv.setMotor(0, rec), lptif::kPortZero);
  EXPECT_EQ(drv.getEI(0, &v), lptif::kPortZero);
  EXPECT_EQ(drv.getEX(0, rec), lptif::kPortZero);
  EXPECT_EQ(drv.getEY(0, rec), lptif::kPortZero);
  EXPECT_EQ(drv.checkConnection(0), lptif::kNoConnection);
  EXPECT_TRUE(board.dataWrites().empty());

  board.setAnalogCounts(1000, 0);
  EXPECT_EQ(drv.checkConnection(kBase), lptif::kDone);
  board.setConnected(false);
  EXPECT_EQ(drv.checkConnection(kBase), lptif::kNoConnection);
  // The check counts as a good access; 200 ms later without an answer: no connection.
  EXPECT_EQ(drv.getEI(kBase, &v), lptif::kDone);
  clock->advance(201ms);
  EXPECT_EQ(drv.getEI(kBase, &v), lptif::kNoConnection);
  unsigned char an[104] = {};
  EXPECT_EQ(drv.getEX(kBase, an), lptif::kNoConnection);
}

TEST_F(OnBoard, AFreshDriverWithoutBoardReportsConnectedUntilItFails) {
  board.setConnected(false);
  int v = 0;
  EXPECT_EQ(drv.getEI(kBase, &v), lptif::kDone);   // no good access recorded yet
  // A comparator that answers nothing after the select: no connection.
  board.setConnected(true);
  board.setAnalogCounts(0, 0);
  unsigned char an[104] = {};
  EXPECT_EQ(drv.getEX(kBase, an), lptif::kNoConnection);
}

} // namespace
