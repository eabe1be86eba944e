// Parameter transfer against a scripted target.
#include "harness.h"

#include "engine/paramxfer.h"
#include "engine/services.h"
#include "engine/slots.h"

#include <algorithm>
#include <map>
#include <vector>

namespace engine::test {
namespace {

struct FakeTarget : ParamTransferPort {
  std::vector<std::string> log;
  std::uint32_t time = 0;
  bool dead = false, timeStands = false;
  std::map<std::string, std::string> refuse;
  bool commOn() override { log.push_back("on"); return !dead; }
  bool commOff() override { log.push_back("off"); return !dead; }
  bool getTime(std::uint32_t& v) override {
    log.push_back("TIME");
    if (dead) return false;
    v = timeStands ? 1 : ++time;
    return true;
  }
  bool query(const std::string&) override { return !dead; }
  bool getReal(const std::string& n, float& v) override { log.push_back("get " + n); v = 2.5f; return !dead; }
  bool getCard(const std::string& n, std::uint16_t& v) override { log.push_back("get " + n); v = 7; return !dead; }
  bool getBit(const std::string& n, bool& v, int bit) override {
    log.push_back("bit " + n + " " + std::to_string(bit)); v = true; return !dead;
  }
  bool getLong(const std::string& n, std::int32_t& v) override { log.push_back("get " + n); v = -3; return !dead; }
  bool getName(const std::string& n, std::string& v) override { log.push_back("get " + n); v = std::string(30, 'z'); return !dead; }
  bool setReal(const std::string& n, float) override { log.push_back("set " + n); return !refuse.count(n); }
  bool setCard(const std::string& n, std::uint16_t) override { log.push_back("set " + n); return !refuse.count(n); }
  bool setBool(const std::string& n, bool v) override { log.push_back("set " + n + (v ? " 1" : " 0")); return !refuse.count(n); }
  bool setLongCard(const std::string& n, std::uint32_t) override { log.push_back("set " + n); return !refuse.count(n); }
  bool setText(const std::string& n, const std::string& v) override { log.push_back("set " + n + " " + v); return !refuse.count(n); }
  void sleepMs(int) override {}
};

struct Slots {
  std::vector<double> values;
  std::uint32_t base = 0;
  explicit Slots(std::size_t n) : values(n, 0.0) {
    slotTable().clear();
    base = vm().space().map(values.data(), std::uint32_t(values.size() * 8));
  }
  ~Slots() { vm().space().unmap(base); slotTable().clear(); }
  void add(int cls, int index, std::size_t k) {
    slotTable().setUsed(cls, index, true);
    slotTable().ensureDescriptor(cls, index)->value = base + std::uint32_t(8 * k);
  }
};

int count(const std::vector<std::string>& log, const std::string& s) { return int(std::count(log.begin(), log.end(), s)); }

} // namespace

TEST(ParamTransfer, FortyOneSlotsGoAsFortyAndOne) {
  Slots s(41);
  for (int i = 0; i < 41; ++i) s.add(8, i + 1, std::size_t(i));
  FakeTarget t;
  RecordingEngineServices rec;
  EngineServices* old = setEngineServices(&rec);
  EXPECT_EQ(prm_ReadAllFromTarget(vm(), t, {}), 41);
  setEngineServices(old);
  EXPECT_EQ(count(t.log, "on"), 4);   // on before each batch, off/on after it
  EXPECT_EQ(count(t.log, "off"), 2);
  EXPECT_EQ(s.values[40], 2.5);
  EXPECT_TRUE(rec.calls.empty());
}

TEST(ParamTransfer, BitIndexThirteenIsByteOneBitFive) {
  EXPECT_EQ(prm_SlotName(10, 13), "B1.5");
  Slots s(3);
  s.add(10, 13, 0);
  s.add(12, 2, 1);  // a text of 30 characters is cut to the 18-byte field and the region
  FakeTarget t;
  prm_ReadAllFromTarget(vm(), t, {});
  EXPECT_EQ(count(t.log, "bit B1 5"), 1);
  EXPECT_EQ(s.values[0], 1.0);
  s.values[0] = 1.0;
  prm_WriteAllToTarget(vm(), t, {});
  EXPECT_EQ(count(t.log, "set B1.5 1"), 1);
}

TEST(ParamTransfer, DeadServerStandingTimeAndRefusedWrites) {
  Slots s(2);
  s.add(8, 1, 0);
  s.add(9, 4, 1);
  RecordingEngineServices rec;
  EngineServices* old = setEngineServices(&rec);
  FakeTarget dead;
  dead.dead = true;
  EXPECT_EQ(prm_ReadAllFromTarget(vm(), dead, {}), 0);
  FakeTarget stands;
  stands.timeStands = true;  // reported, not waited for without end
  EXPECT_EQ(prm_ReadAllFromTarget(vm(), stands, {}), 0);
  FakeTarget w;
  w.refuse["PF1"] = "";
  EXPECT_EQ(prm_WriteAllToTarget(vm(), w, {.confirm = {}, .redrawAll = {}, .notifyActiveWindow = {}, .onlineDisplayOn = true}), 1);
  EXPECT_EQ(w.log.back(), "on");
  int asked = 0;
  ParamTransferHooks refuse;
  refuse.confirm = [&](int id) { asked = id; return false; };
  EXPECT_EQ(prm_WriteAllToTarget(vm(), w, refuse), 0);
  EXPECT_EQ(asked, 40013);
  setEngineServices(old);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"msg 50018", "msg 50018", "msg 50021"}));
}

} // namespace engine::test

namespace engine::test {
namespace {

// A batch is read once TIME has changed three times after COMM went on: on a
// target whose time advances every second query (0, 1, 1, 2, 2, 3), the
// values are read after the sixth TIME query.
TEST(ParamTransfer, ReadWaitsForThreeChangesOfTime) {
  struct SlowTarget : FakeTarget {
    int calls = 0;
    bool getTime(std::uint32_t& v) override {
      log.push_back("TIME");
      v = std::uint32_t(++calls / 2);
      return true;
    }
  } target;
  Slots s(1);
  s.add(8, 1, 0);
  EXPECT_EQ(prm_ReadAllFromTarget(vm(), target, {}), 1);
  const auto get = std::find(target.log.begin(), target.log.end(), "get PF1");
  ASSERT_NE(get, target.log.end());
  EXPECT_EQ(std::count(target.log.begin(), get, "TIME"), 6) << ::testing::PrintToString(target.log);
}

} // namespace
} // namespace engine::test
