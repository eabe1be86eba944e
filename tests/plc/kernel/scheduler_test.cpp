// The scheduler driven by hand: timer steps and run steps.
#include "plc_fixture.h"

namespace plctest {
namespace {

using namespace protocol;

class Scheduler : public PlcFixture {
protected:
  // A task that adds 1 to DW[counter] once per cycle.
  Addr counterTask(int number, int counter, std::uint32_t cycle = 10) {
    set<std::int16_t>(PW(1), 1);
    return task(number, cycle, [&] { block("ADDW", {DW(counter), PW(1), DW(counter)}); });
  }
  std::int16_t dw(int i) { return get<std::int16_t>(DW(i)); }
};

TEST_F(Scheduler, TickFollowsTheCycleTime) {
  struct Case { const char* text; std::uint16_t tick; };
  const Case cases[] = {{"4", 2}, {"10", 2}, {"100", 20}, {"0", 2}, {"abc", 2}, {"50", 10}};
  for (const Case& c : cases) {
    plc::Kernel kk;
    kk.hooksFromRuntime = false;
    DspsInitRecord rec{nullptr, c.text};
    kk.dspsInit(0, &rec);
    EXPECT_EQ(kk.tick(), c.tick) << c.text;
    kk.dspsTimer();
    EXPECT_EQ(kk.timeCounter, c.tick);   // the time counts in every mode
    EXPECT_EQ(kk.getMode(), kModeStop);
  }
}

TEST_F(Scheduler, TasksAreDueEveryFifthTick) {
  counterTask(3, 10);   // task 2 stays undefined: the scan goes on past it
  counterTask(5, 11, 500);
  start();
  std::vector<int> ran;
  for (int t = 1; t <= 20; ++t) {
    k.dspsTimer();
    bool due = k.activeWord != 0;
    k.dspsRun();
    k.dspsRun();   // both tasks finish within the tick
    if (due) ran.push_back(t);
  }
  EXPECT_EQ(ran, (std::vector<int>{5, 10, 15, 20}));
  EXPECT_EQ(dw(10), 4);
  EXPECT_EQ(dw(11), 4);   // the cycle time does not change the rate
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
}

TEST_F(Scheduler, HigherTaskRunsFirst) {
  // Each task records the order in which it ran into DW20.
  set<std::int16_t>(PW(2), 10);
  task(2, 10, [&] {
    block("MULW", {DW(20), PW(2), DW(20)});
    block("ADDW", {DW(20), PW(3), DW(20)});
  });
  task(7, 10, [&] {
    block("MULW", {DW(20), PW(2), DW(20)});
    block("ADDW", {DW(20), PW(4), DW(20)});
  });
  set<std::int16_t>(PW(3), 2);
  set<std::int16_t>(PW(4), 7);
  start();
  for (int i = 0; i < 4; ++i) k.dspsTimer();
  k.dspsTimer();
  EXPECT_EQ(k.activeWord, (1 << 2) | (1 << 7));
  k.dspsRun();
  EXPECT_EQ(k.activeWord, 1 << 2);
  k.dspsRun();
  EXPECT_EQ(k.activeWord, 0);
  EXPECT_EQ(dw(20), 72);   // 7 first, then 2
}

TEST_F(Scheduler, PreemptionAndResume) {
  // Task 1 is long: ten additions. Task 9 is short.
  set<std::int16_t>(PW(1), 1);
  Addr low = task(1, 10, [&] {
    for (int i = 0; i < 10; ++i) block("ADDW", {DW(30), PW(1), DW(30)});
  });
  task(9, 10, [&] { block("ADDW", {DW(31), PW(1), DW(31)}); });
  set<std::uint32_t>(k.taskRowAddr(9), 0);   // task 9 joins later
  start();
  k.blockBudget = 4;   // a run step executes at most four blocks
  for (int i = 0; i < 5; ++i) k.dspsTimer();
  k.dspsRun();         // BEG and three additions, then preempted
  EXPECT_EQ(dw(30), 3);
  EXPECT_EQ(k.activeWord, 1 << 1);
  EXPECT_NE(k.resumePoint[1], low);
  set<std::uint32_t>(k.taskRowAddr(9), 10);
  k.countdown[9] = 1;
  k.dspsTimer();       // task 9 becomes due: the higher one waits
  EXPECT_EQ(k.stopByte, 254);
  k.dspsRun();         // task 9 runs its whole cycle first
  EXPECT_EQ(dw(31), 1);
  EXPECT_EQ(dw(30), 3);
  k.dspsRun();         // task 1 goes on where it stopped
  EXPECT_EQ(dw(30), 7);
  k.dspsRun();
  EXPECT_EQ(dw(30), 10);
  EXPECT_EQ(k.activeWord, 0);
  EXPECT_EQ(k.resumePoint[1], low);   // END leads back to BEG
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
}

TEST_F(Scheduler, OverrunSetsErrorBitZero) {
  // A chain without END never finishes its cycle.
  Addr beg = block("BEG", {10, 4});
  Addr loop = block("NOP", {});
  setNext(loop, loop);
  set<std::uint32_t>(k.taskRowAddr(4), 10);
  set<std::uint32_t>(k.taskRowAddr(4) + 4, beg);
  start();
  k.blockBudget = 100;
  tick(5);
  EXPECT_EQ(k.activeWord, 1 << 4);
  EXPECT_EQ(k.errorByte & kErrRealtime, 0);
  tick(5);   // due again while still active: overrun
  EXPECT_EQ(k.overrunWord, 1 << 4);
  EXPECT_EQ(k.errorByte & kErrRealtime, kErrRealtime);
  // Request 1 with bit 0 clear clears the overrun word.
  std::uint8_t* b;
  std::uint32_t s, *ans;
  std::int32_t* rq;
  k.initSoftComm(&b, &s, &ans, &rq);
  b[0] = kReqSetState; b[1] = kModeOnline; b[2] = 0;
  *rq = 3;
  k.commMultiPlex();
  EXPECT_EQ(k.overrunWord, 0);
}

TEST_F(Scheduler, OfflineCountsTasksButRunsNoBlock) {
  counterTask(2, 12);
  start();
  k.setMode(kModeOffline);
  tick(10);
  EXPECT_EQ(dw(12), 0);
  EXPECT_EQ(k.activeWord, 1 << 2);
  k.setMode(kModeStop);
  k.activeWord = 0;
  tick(10);
  EXPECT_EQ(k.activeWord, 0);   // stopped: nothing becomes due
}

TEST_F(Scheduler, ResetRestartsEveryTask) {
  set<std::int16_t>(PW(1), 1);
  Addr first = task(6, 10, [&] {
    for (int i = 0; i < 6; ++i) block("ADDW", {DW(40), PW(1), DW(40)});
  });
  start();
  k.blockBudget = 3;
  tick(5);
  EXPECT_NE(k.resumePoint[6], first);
  k.setMode(kModeReset);
  EXPECT_EQ(k.activeWord, 0);
  EXPECT_EQ(k.resumePoint[6], first);
}

TEST_F(Scheduler, BadAddressEndsTheCycleAndSetsErrorBit) {
  struct Case { const char* what; std::function<void(Addr)> spoil; };
  set<std::int16_t>(PW(1), 1);
  const Case cases[] = {
      {"operand", [&](Addr rec) { set<std::uint32_t>(rec + 8, 0x00000010); }},
      {"handler", [&](Addr rec) { set<std::uint32_t>(rec, plc::handlerToken(103)); }},
      {"odd handler", [&](Addr rec) { set<std::uint32_t>(rec, plc::handlerToken(3) + 1); }},
      {"next", [&](Addr rec) { set<std::uint32_t>(rec + 4, 0xFFFFFFF0u); }},
  };
  for (const Case& c : cases) {
    cursor = k.progBase();
    Addr rec = 0;
    Addr first = task(1, 10, [&] {
      rec = block("ADDW", {DW(50), PW(1), DW(50)});
      block("ADDW", {DW(51), PW(1), DW(51)});
    });
    c.spoil(rec);
    start();
    set<std::int16_t>(DW(51), 0);
    tick(5);
    EXPECT_EQ(k.errorByte & kErrRealtime, kErrRealtime) << c.what;
    EXPECT_EQ(k.activeWord, 0) << c.what;
    EXPECT_EQ(k.resumePoint[1], first) << c.what;
    if (std::string(c.what) != "next") {
      EXPECT_EQ(dw(51), 0) << c.what;
    }
  }
}

} // namespace
} // namespace plctest

namespace plctest {
namespace {

// Writes into the program while it runs, on both paths of the run step.
class ProgramWrites : public BothPaths {
protected:
  std::int16_t dw(int i) { return get<std::int16_t>(DW(i)); }
  // One task cycle: make task 1 due and run it.
  void cycle() {
    k.activeWord = 2;
    k.dspsRun();
  }
};

TEST_P(ProgramWrites, WriteIntoARecordTakesEffectAtTheNextCycle) {
  set<std::int16_t>(PW(1), 1);
  set<std::int16_t>(PW(2), 100);
  Addr add = 0;
  task(1, 10, [&] { add = block("ADDW", {DW(1), PW(1), DW(1)}); });
  start();
  cycle();
  EXPECT_EQ(dw(1), 1);
  // The operand now names PW2 (as a memory write request would change it).
  set<std::uint32_t>(add + 12, PW(2));
  cycle();
  EXPECT_EQ(dw(1), 101);
  // A handler word that names no block: the cycle ends with the error bit,
  // nothing runs; put back, the block runs again.
  std::uint32_t token = get<std::uint32_t>(add);
  set<std::uint32_t>(add, 0x12345678);
  cycle();
  EXPECT_EQ(dw(1), 101);
  EXPECT_NE(k.errorByte & protocol::kErrRealtime, 0);
  set<std::uint32_t>(add, token);
  cycle();
  EXPECT_EQ(dw(1), 201);
  // An operand outside the memory: the block faults, no access is made.
  set<std::uint32_t>(add + 16, 0x7FFFFFF0u);
  k.errorByte = 0;
  cycle();
  EXPECT_NE(k.errorByte & protocol::kErrRealtime, 0);
  EXPECT_EQ(dw(1), 201);
}

TEST_P(ProgramWrites, ProgramWritingItsOwnRecordIsSeen) {
  // ALL copies PL1 (kept over a reset) into the second operand of the ADDW that follows it.
  set<std::int16_t>(PW(1), 1);
  set<std::int16_t>(PW(2), 100);
  Addr add = 0, copy = 0;
  task(1, 10, [&] {
    copy = block("ALL", {PL(1), 0});
    add = block("ADDW", {DW(1), PW(1), DW(1)});
  });
  set<std::uint32_t>(copy + 12, add + 12);
  set<std::uint32_t>(PL(1), PW(1));
  start();
  cycle();
  EXPECT_EQ(dw(1), 1);
  set<std::uint32_t>(PL(1), PW(2));   // a data write: the program changes itself
  cycle();
  EXPECT_EQ(dw(1), 101);
  cycle();
  EXPECT_EQ(dw(1), 201);
  // Into its own handler word: a bad token ends the cycle, never a crash.
  set<std::uint32_t>(copy + 12, add);
  set<std::uint32_t>(PL(1), 7);
  cycle();
  EXPECT_NE(k.errorByte & protocol::kErrRealtime, 0);
  EXPECT_EQ(dw(1), 201);
}

TEST_P(ProgramWrites, LongChainRunsInOneCycle) {
  // 10,000 additions in one task cycle.
  auto decls = plc::Kernel::builtinDeclarations();
  decls[0].size = 60000;
  std::vector<int> tails;
  k.loadDeclarations(decls, tails);
  for (int m : tails) k.modeTail(m);
  set<std::int16_t>(PW(1), 1);
  cursor = k.progBase();
  task(1, 10, [&] {
    for (int i = 0; i < 10000; ++i) block("ADDW", {DW(i % 50), PW(1), DW(i % 50)});
  });
  start();
  cycle();
  EXPECT_EQ(k.activeWord, 0);   // the cycle reached END
  EXPECT_EQ(dw(0), 200);
  EXPECT_EQ(dw(49), 200);
}

PLC_ON_BOTH_PATHS(ProgramWrites);

} // namespace
} // namespace plctest
