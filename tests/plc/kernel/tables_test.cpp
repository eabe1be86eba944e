// Kernel information, area declarations, pools and placement.
#include "ddf_parse.h"
#include "plc_fixture.h"

namespace plctest {
namespace {

using namespace protocol;

std::vector<std::uint8_t> resourceRequest(const std::vector<plc::AreaDecl>& d) {
  std::vector<std::uint8_t> r(1 + 4 + 26 * d.size(), 0);
  r[0] = kReqResources;
  putU32(r.data() + 1, static_cast<std::uint32_t>(d.size()));
  for (std::size_t i = 0; i < d.size(); ++i) {
    std::uint8_t* e = r.data() + 5 + 26 * i;
    std::memcpy(e, d[i].name.data(), std::min<std::size_t>(16, d[i].name.size()));
    putU32(e + 16, d[i].number);
    putU32(e + 20, d[i].size);
    e[24] = d[i].option;
  }
  return r;
}

class Tables : public PlcFixture {
protected:
  // Sends one request through the channel and returns the answer bytes.
  std::vector<std::uint8_t> request(const std::vector<std::uint8_t>& req) {
    std::uint8_t* buf = nullptr;
    std::uint32_t size = 0, *answer = nullptr;
    std::int32_t* rq = nullptr;
    k.initSoftComm(&buf, &size, &answer, &rq);
    std::memcpy(buf, req.data(), req.size());
    *rq = static_cast<std::int32_t>(req.size());
    *answer = 0;
    k.commMultiPlex();
    k.commMultiPlex();
    std::vector<std::uint8_t> out(buf, buf + *answer);
    *answer = 0;
    return out;
  }
};

TEST_F(Tables, ShortInformationIsExactly21Bytes) {
  auto a = request({kReqShortInfo});
  ASSERT_EQ(a.size(), kAnsShortInfo);
  EXPECT_EQ(a[0], 2);
  EXPECT_EQ(a[1] * 100 + a[2], 301);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&a[3])), "RQTX1");
  EXPECT_EQ(a[15], 2);
  EXPECT_EQ(a[16], 4);
  EXPECT_EQ(getU32(&a[17]), 2000u);
}

TEST_F(Tables, FullInformationListsModulesAndAreas) {
  auto a = request({kReqFullInfo});
  Ddf d = parseDdf(a.data(), a.size());
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.version, 301);
  EXPECT_EQ(d.device, "RQTX1");
  EXPECT_EQ(d.processor, "R512x86NWPT");
  EXPECT_EQ(d.format, 2);
  EXPECT_EQ(d.addrFormat, 4);
  EXPECT_EQ(d.tableAddr, k.taskRowAddr(0));
  EXPECT_EQ(d.tableCount, 15);
  EXPECT_EQ(d.infoAddr, k.progInfoAddr());
  EXPECT_EQ(d.infoSize, 38);
  EXPECT_EQ(d.tick, 2u);
  EXPECT_EQ(d.progAddr, k.progBase());
  EXPECT_EQ(d.progSize, 30000u);   // 32-bit words of the MVL program block
  ASSERT_EQ(d.modules.size(), 103u);
  const auto& table = plc::opcodeTable();
  for (int i = 0; i < 103; ++i) {
    EXPECT_EQ(d.modules[i].name, table[i].name);
    EXPECT_EQ(d.modules[i].addr, plc::handlerToken(i));
  }
  EXPECT_EQ(d.modules.front().name, "JPZ");
  EXPECT_EQ(d.modules.back().name, "TON");
  ASSERT_EQ(d.areas.size(), 13u);
  const char* names[] = {"MVL", "DW", "PW", "DF", "PF", "DL", "PL", "A", "E", "B", "M", "DT", "PT"};
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(d.areas[i].name, names[i]);
    EXPECT_FALSE(d.areas[i].segmented);
    EXPECT_EQ(d.areas[i].addr, k.findArea(names[i])->blocks[0].addr);
    EXPECT_EQ(d.areas[i].addr, d.areas[i].init);
  }
  EXPECT_EQ(d.areas[1].number, 10000u);
  EXPECT_EQ(d.areas[1].size, 2u);
  EXPECT_EQ(d.areas[7].sub, 1u);   // A is a bit area
  EXPECT_EQ(d.areas[1].sub, 0u);
}

TEST_F(Tables, ProgramBlockFitsBesideTheMvlArea) {
  // A list as the online server sends it: MVL first (one element of 30000
  // bytes, second pool), SCRIPTTAB last.
  std::vector<plc::AreaDecl> d = {{"MVL", 1, 30000, 0x10}, {"DW", 200, 2, 0x01},
                                  {"A", 20, 8, 0x05},       {"SCRIPTTAB", 1, 512, 0}};
  auto a = request(resourceRequest(d));
  Ddf dd = parseDdf(a.data(), a.size());
  ASSERT_TRUE(dd.ok);
  EXPECT_EQ(dd.progSize, 30000u);
  EXPECT_NE(dd.progAddr, k.progInfoAddr());
  // The program block lies in memory and does not overlap the MVL area.
  const plc::Area* mvl = k.findArea("MVL");
  ASSERT_NE(mvl, nullptr);
  EXPECT_TRUE(k.mem.contains(k.progBase(), 4u * 30000));
  EXPECT_TRUE(k.progBase() >= mvl->blocks[0].addr + mvl->blocks[0].bytes ||
              k.progBase() + 120000 <= mvl->blocks[0].addr);
  // MVL has no option bit 0: every area is written in the segmented form.
  ASSERT_EQ(dd.areas.size(), 4u);
  EXPECT_TRUE(dd.areas[0].segmented);
  EXPECT_EQ(dd.areas[3].name, "SCRIPTTAB");
  EXPECT_EQ(dd.areas[3].segments.size(), 2u);
}

TEST_F(Tables, ScriptTableWithoutRoomForItsReserveIsRenamed) {
  // The reserve block comes from the first pool; a script table placed in the
  // second pool leaves no room for it there.
  auto a = request(resourceRequest({{"MVL", 1, 100, 0x10}, {"SCRIPTTAB", 1, 64, 0x10}}));
  Ddf d = parseDdf(a.data(), a.size());
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.areas.size(), 2u);
  EXPECT_EQ(d.areas[1].name, "--");
  EXPECT_EQ(k.findArea("SCRIPTTAB"), nullptr);
}

TEST_F(Tables, SameDeclarationsKeepDataChangedOnesReset) {
  auto decls = plc::Kernel::builtinDeclarations();
  set<std::int16_t>(DW(5), 1234);
  set<std::int16_t>(PW(5), 77);
  request(resourceRequest(decls));
  EXPECT_EQ(get<std::int16_t>(DW(5)), 1234);   // same list: nothing placed again
  EXPECT_EQ(k.getMode(), kModeStop);
  decls[1].option = 0x13;                      // one option byte changed
  request(resourceRequest(decls));
  EXPECT_EQ(k.getMode(), kModeReset);
  EXPECT_EQ(get<std::int16_t>(DW(5)), 0);
  EXPECT_EQ(get<std::int16_t>(PW(5)), 0);
}

TEST_F(Tables, FailedPlacementClearsTheAreaPointers) {
  std::int16_t v = 5;
  EXPECT_EQ(k.setDP("DW", 1, &v), 1);
  // More than the kernel can hold: the pools fail and no area exists.
  request(resourceRequest({{"MVL", 1, 100, 0x10}, {"DW", 0x7FFFFFFF, 0x7FFFFFFF, 0x01}}));
  EXPECT_EQ(k.named(plc::Named::DW), nullptr);
  EXPECT_TRUE(k.areas().empty());
  EXPECT_EQ(k.setDP("DW", 1, &v), 0);
  EXPECT_EQ(k.getDP("DW", 1, &v, 2), 0);
  // The run step finds no areas and touches nothing.
  k.dspsRun();
}

TEST_F(Tables, ResetKeepsKeptAreasAndStopRequests) {
  set<std::int16_t>(DW(3), 9);        // option 0x11: kept (second pool)
  set<std::int32_t>(DL(3), 9);        // option 0x01: cleared
  set<std::uint8_t>(A(10), 255);      // stop request element: kept
  set<std::uint8_t>(A(2), 255);       // cleared
  set<std::uint8_t>(M(1), 255);       // cleared
  k.setMode(kModeReset);
  EXPECT_EQ(get<std::int16_t>(DW(3)), 9);
  EXPECT_EQ(get<std::int32_t>(DL(3)), 0);
  EXPECT_EQ(get<std::uint8_t>(A(10)), 255);
  EXPECT_EQ(get<std::uint8_t>(A(2)), 0);
  EXPECT_EQ(get<std::uint8_t>(M(1)), 0);
  k.setMode(kModeLoad);               // load clears everything
  EXPECT_EQ(get<std::int16_t>(DW(3)), 0);
  EXPECT_EQ(get<std::uint8_t>(A(10)), 0);
}

TEST(TablesNoBuffer, DescriptionsNeedRoom) {
  plc::Kernel k;
  std::uint8_t small[30];
  EXPECT_EQ(k.writeShortInfo(small, sizeof small), 0u);
  std::uint8_t mid[80];
  EXPECT_EQ(k.writeFullInfo(mid, sizeof mid), 0u);
  // A description that does not fit ends with the 8-byte marker.
  std::uint8_t part[200];
  std::size_t n = k.writeFullInfo(part, sizeof part);
  ASSERT_GE(n, 8u);
  const std::uint8_t marker[8] = {0, 0, 0, 0, 0, 1, 2, 3};
  EXPECT_EQ(std::memcmp(part + n - 8, marker, 8), 0);
  EXPECT_LE(n, sizeof part);
}

} // namespace
} // namespace plctest
