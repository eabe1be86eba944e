// The library loaded by name as the runtime loads it: every export, and a
// program downloaded through memory-write requests that runs in the tasks.
#include "ddf_parse.h"
#include "plc/tesk31.h"
#include "platform/library.h"
#include "protocol/requests.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace plctest {
namespace {

using namespace protocol;

class Library : public ::testing::Test {
protected:
  plat::lib::Handle h = nullptr;
  template <class F> F fn(const char* name) {
    F f = plat::lib::symbolAs<F>(h, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  void SetUp() override {
    h = plat::lib::load("TESK31.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
  }
  void TearDown() override {
    if (h) {
      if (auto deinit = plat::lib::symbolAs<DSPS_Deinit_t>(h, "DSPS_Deinit")) deinit();
      plat::lib::unload(h);
    }
  }
};

TEST_F(Library, ExportsEveryOperation) {
  for (const char* name : {"DSPS_Init", "DSPS_Deinit", "DSPS_Timer", "DSPS_Run", "DSPS_CommMultiPlex",
                           "DSPS_InitSoftComm", "DSPS_DeinitSoftComm", "KX1_GetDPValue", "KX1_SetDPValue",
                           "D10_GetActiveTaskState", "D10_Init", "D10_SetDSPMode", "D10_GetDSPMode",
                           "T12_ReadServiceChannel", "T12_ReadServiceReady", "T12_WriteServiceChannel"})
    EXPECT_NE(plat::lib::symbol(h, name), nullptr) << name;
  // Internal names stay hidden.
  EXPECT_EQ(plat::lib::symbol(h, "_ZN3plc12globalKernelEv"), nullptr);
}

TEST_F(Library, DownloadedProgramAddsEveryCycle) {
  auto init = fn<DSPS_Init_t>("DSPS_Init");
  auto timer = fn<DSPS_Timer_t>("DSPS_Timer");
  auto run = fn<DSPS_Run_t>("DSPS_Run");
  auto setMode = fn<D10_SetDSPMode_t>("D10_SetDSPMode");
  auto getMode = fn<D10_GetDSPMode_t>("D10_GetDSPMode");
  auto getDP = fn<KX1_GetDPValue_t>("KX1_GetDPValue");
  auto initComm = fn<DSPS_InitSoftComm_t>("DSPS_InitSoftComm");
  auto mux = fn<DSPS_CommMultiPlex_t>("DSPS_CommMultiPlex");
  DspsInitRecord rec{"INTERFACE.INI", "10"};
  ASSERT_EQ(init(2, &rec), 1);
  // Opens the interface of the settings (whether or not its driver loads): the
  // built-in data areas are placed.
  setMode(kModeCheck);
  setMode(kModeStop);
  ASSERT_EQ(getMode(), kModeStop);
  std::uint8_t* buf = nullptr;
  std::uint32_t size = 0, *answer = nullptr;
  std::int32_t* rq = nullptr;
  initComm(&buf, &size, &answer, &rq);
  ASSERT_EQ(size, 2000u);
  auto exchange = [&](const std::vector<std::uint8_t>& r) {
    std::memcpy(buf, r.data(), r.size());
    *rq = static_cast<std::int32_t>(r.size());
    mux();
    mux();
    std::vector<std::uint8_t> out(buf, buf + *answer);
    *answer = 0;
    return out;
  };
  auto info = exchange({kReqFullInfo});
  Ddf d = parseDdf(info.data(), info.size());
  ASSERT_TRUE(d.ok);
  std::map<std::string, std::uint32_t> mod, area;
  for (auto& m : d.modules) mod[m.name] = m.addr;
  for (auto& a : d.areas) area[a.name] = a.addr;
  auto dw = [&](int i) { return area["DW"] + 2 * i; };
  auto pw = [&](int i) { return area["PW"] + 2 * i; };
  // Program memory: BEG 10 1; ADDW DW5 PW150 DW5; END 1 (next back to BEG).
  std::vector<std::uint32_t> words;
  std::uint32_t base = d.progAddr;
  std::uint32_t addw = base + 16, end = addw + 20;
  words = {mod["BEG"], addw, 10, 1, mod["ADDW"], end, dw(5), pw(150), dw(5), mod["END"], base, 1};
  auto write = [&](std::uint32_t addr, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> r(5);
    r[0] = kReqWriteMemory;
    putU32(&r[1], addr);
    r.insert(r.end(), data.begin(), data.end());
    EXPECT_TRUE(exchange(r).empty());
  };
  auto le = [](const std::vector<std::uint32_t>& w) {
    std::vector<std::uint8_t> b(4 * w.size());
    for (std::size_t i = 0; i < w.size(); ++i) putU32(&b[4 * i], w[i]);
    return b;
  };
  exchange({kReqSetState, kModeLoad, 0});
  write(base, le(words));
  // Task table: rows for tasks 0..15; task 1 = {10 ms, program start}.
  std::vector<std::uint32_t> table(32, 0);
  table[2] = 10;
  table[3] = base;
  write(d.tableAddr, le(table));
  write(pw(150), {3, 0});
  exchange({kReqStart});
  auto st = exchange({kReqGetState});
  ASSERT_EQ(st.size(), 2u);
  EXPECT_EQ(st[0], kModeOnline);
  for (int i = 0; i < 25; ++i) {
    timer();
    run();
  }
  std::int16_t v = 0;
  ASSERT_EQ(getDP("DW", 5, &v, 2), 1);
  EXPECT_EQ(v, 15);   // five cycles in 25 ticks, 3 each
  auto r = exchange({kReqGetState});
  EXPECT_EQ(r[1] & kErrRealtime, 0);
}

} // namespace
} // namespace plctest
