// The request dispatcher and the service channel.
#include "plc_fixture.h"

#include <filesystem>
#include <fstream>

namespace plctest {
namespace {

using namespace protocol;
namespace fs = std::filesystem;

class Dispatcher : public PlcFixture {
protected:
  std::uint8_t* buf = nullptr;
  std::uint32_t size = 0, *answer = nullptr;
  std::int32_t* rq = nullptr;
  void SetUp() override {
    PlcFixture::SetUp();
    k.initSoftComm(&buf, &size, &answer, &rq);
  }
  // One exchange; nullopt-like: an empty vector when no answer came.
  std::vector<std::uint8_t> request(const std::vector<std::uint8_t>& req) {
    std::memcpy(buf, req.data(), req.size());
    *rq = static_cast<std::int32_t>(req.size());
    *answer = 0;
    k.commMultiPlex();          // decodes
    EXPECT_EQ(*rq, 0);
    k.commMultiPlex();          // writes a pending answer
    std::vector<std::uint8_t> out(buf, buf + *answer);
    *answer = 0;
    return out;
  }
  static std::vector<std::uint8_t> u32req(std::uint8_t code, std::uint32_t v) {
    std::vector<std::uint8_t> r(5);
    r[0] = code;
    putU32(&r[1], v);
    return r;
  }
  static std::vector<std::uint8_t> readReq(Addr a, std::uint16_t n) {
    std::vector<std::uint8_t> r(7);
    r[0] = kReqReadMemory;
    putU32(&r[1], a);
    putU16(&r[5], n);
    return r;
  }
};

TEST_F(Dispatcher, AnswerSizes) {
  struct Case { std::vector<std::uint8_t> req; std::size_t size; };
  const Case cases[] = {
      {{kReqGetState}, 2},  {{kReqShortInfo}, 21}, {{kReqVersionText}, 74},
      {{kReqErrorWord}, 2}, {{kReqParamChanged}, 1}, {{kReqReadValues}, 5},
      {{kReqNop}, 0},       {{kReqSaveParams}, 0},   {{8}, 0}, {{18}, 0}, {{36}, 0}, {{255}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(request(c.req).size(), c.size) << int(c.req[0]);
  auto v = request({kReqVersionText});
  EXPECT_EQ(std::string(reinterpret_cast<char*>(v.data())), std::string(kPlcVersionText));
}

TEST_F(Dispatcher, StateAfterInitAndStart) {
  plc::Kernel fresh;
  fresh.hooksFromRuntime = false;
  DspsInitRecord rec{nullptr, "10"};
  fresh.dspsInit(0, &rec);
  std::uint8_t* b;
  std::uint32_t s, *ans;
  std::int32_t* r;
  fresh.initSoftComm(&b, &s, &ans, &r);
  b[0] = kReqGetState;
  *r = 1;
  fresh.commMultiPlex();
  fresh.commMultiPlex();
  ASSERT_EQ(*ans, 2u);
  EXPECT_EQ(b[0], kModeStop);
  EXPECT_EQ(b[1], 64);

  k.errorByte = 0x41;
  request({kReqStart});
  auto st = request({kReqGetState});
  EXPECT_EQ(st[0], kModeOnline);
  EXPECT_EQ(st[1], 0);
  request({kReqSetState, kModeStop, 0x40});
  st = request({kReqGetState});
  EXPECT_EQ(st[0], kModeStop);
  EXPECT_EQ(st[1], 0x40);
}

TEST_F(Dispatcher, MemoryReadAndWrite) {
  std::vector<std::uint8_t> w = u32req(kReqWriteMemory, DW(5));
  w.push_back(0x34);
  w.push_back(0x12);
  EXPECT_TRUE(request(w).empty());
  EXPECT_EQ(get<std::int16_t>(DW(5)), 0x1234);
  auto r = request(readReq(DW(5), 2));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0], 0x34);
  EXPECT_EQ(r[1], 0x12);
  // The task table and the program information are writable too.
  std::vector<std::uint8_t> t = u32req(kReqWriteMemory, k.taskRowAddr(1));
  for (int i = 0; i < 8; ++i) t.push_back(static_cast<std::uint8_t>(i + 1));
  request(t);
  EXPECT_EQ(k.taskCycle(1), 0x04030201u);
}

TEST_F(Dispatcher, OutOfRangeAddressesAreRefused) {
  const Addr bad[] = {0, 0x1000, k.mem.end(), k.mem.end() - 1, 0xFFFFFFF0u, plc::handlerToken(3)};
  for (Addr a : bad) {
    auto r = request(readReq(a, 4));
    EXPECT_NE(r.size(), 5u) << std::hex << a;   // the sender rejects the answer
    std::vector<std::uint8_t> w = u32req(kReqWriteMemory, a);
    w.insert(w.end(), {1, 2, 3, 4});
    request(w);
  }
  // A read of 1999 bytes fits the buffer; 2000 does not (count + 1 bytes).
  EXPECT_EQ(request(readReq(area("MVL"), 1999)).size(), 2000u);
  EXPECT_NE(request(readReq(area("MVL"), 2000)).size(), 2001u);
}

TEST_F(Dispatcher, ShortRequestsAreIgnored) {
  const std::vector<std::uint8_t> shortOnes[] = {
      {kReqSetState, kModeOnline}, {kReqReadMemory, 1, 2, 3, 4, 5}, {kReqWriteMemory, 1, 2},
      {kReqSetTimeCounter, 1, 2}, {kReqResources, 1, 0}, {kReqFileWrite, 10, 0, 'a'},
      {kReqFileWrite, 0xFF, 0xFF, 0, 'w', 1},
  };
  k.timeCounter = 99;
  for (const auto& r : shortOnes) EXPECT_TRUE(request(r).empty()) << int(r[0]);
  EXPECT_EQ(k.getMode(), kModeStop);
  EXPECT_EQ(k.timeCounter, 99u);
  // A resource request whose count runs past its bytes loads nothing.
  std::vector<std::uint8_t> r = u32req(kReqResources, 3);
  r.resize(5 + 26, 0);
  EXPECT_TRUE(request(r).empty());
  EXPECT_NE(k.named(plc::Named::DW), nullptr);
}

TEST_F(Dispatcher, ValueListReadsTimeAndValues) {
  request(u32req(kReqSetTimeCounter, 0xA1B2C3D4));
  set<std::int16_t>(DW(7), 0x0102);
  set<std::int32_t>(DL(2), -1);
  std::vector<std::uint8_t> r = {kReqReadValues};
  auto item = [&](Addr a, std::uint8_t n) {
    std::uint8_t b[5];
    putU32(b, a);
    b[4] = n;
    r.insert(r.end(), b, b + 5);
  };
  item(DW(7), 2);
  item(DL(2), 4);
  auto a = request(r);
  ASSERT_EQ(a.size(), readValuesAnswerSize(6));
  EXPECT_EQ(getU32(a.data()), 0xA1B2C3D4u);
  EXPECT_EQ(getU16(&a[4]), 0x0102);
  EXPECT_EQ(static_cast<std::int32_t>(getU32(&a[6])), -1);
  // An item outside the kernel's memory ends the list: the answer is short.
  r.resize(1);
  item(DW(7), 2);
  item(0x10, 4);
  EXPECT_LT(request(r).size(), readValuesMinAnswer(6));
  // Items that would run past the buffer are cut, the answer stays inside.
  r.resize(1);
  for (int i = 0; i < 40; ++i) item(area("MVL"), 255);
  auto big = request(r);
  EXPECT_LE(r.size() + big.size(), 2000u);
}

TEST_F(Dispatcher, TaskReport) {
  for (int t = 1; t <= 4; ++t) set<std::uint32_t>(k.taskRowAddr(t), 10);
  k.overrunWord = (1 << 1) | (1 << 3);
  auto a = request({kReqErrorWord});
  // t = 4 defined tasks: bit k of the overrun word becomes bit 5 - k.
  EXPECT_EQ(getU16(a.data()), (1 << 4) | (1 << 2));
}

TEST_F(Dispatcher, TextCommand) {
  set<std::int16_t>(DW(5), -42);
  auto cmd = [&](const std::string& s) {
    std::vector<std::uint8_t> r = {kReqTextCommand};
    r.insert(r.end(), s.begin(), s.end());
    r.push_back(0);
    auto a = request(r);
    return std::string(a.begin(), a.end() - 1);
  };
  EXPECT_EQ(cmd("getvalue DW 5"), "DW5=-42");
  EXPECT_EQ(cmd("getvalue DW5"), "DW5=-42");
  EXPECT_EQ(cmd("getvalue PW 5"), "TESK30 hat Befehl nicht erkannt");
  EXPECT_EQ(cmd("hello"), "TESK30 hat Befehl nicht erkannt");
  EXPECT_EQ(cmd("getvalue DW 10000"), "Memory DW10000 not exist");
  EXPECT_EQ(cmd("getvalue DW -1"), "Memory DW-1 not exist");
}

class FileWrite : public Dispatcher {
protected:
  fs::path dir;
  void SetUp() override {
    Dispatcher::SetUp();
    dir = fs::path(testing::TempDir()) / ("plc_fw_" + std::to_string(::getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    k.fileDir = dir.string();
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string put(const std::string& name, char mode, const std::string& data) {
    std::vector<std::uint8_t> r = {kReqFileWrite, 0, 0};
    putU16(&r[1], static_cast<std::uint16_t>(name.size()));
    r.insert(r.end(), name.begin(), name.end());
    r.push_back(0);
    r.push_back(static_cast<std::uint8_t>(mode));
    r.insert(r.end(), data.begin(), data.end());
    auto a = request(r);
    return a.empty() ? "<none>" : std::string(a.begin(), a.end() - 1);
  }
  std::string content(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

TEST_F(FileWrite, PiecesAreWrittenAndAppended) {
  EXPECT_EQ(put("sub\\prog.bin", 'w', "abc"), "OK");
  EXPECT_EQ(put("sub\\prog.bin", 'a', "def"), "OK");
  EXPECT_EQ(content(dir / "sub" / "prog.bin"), "abcdef");
  EXPECT_EQ(put("sub/prog.bin", 'w', ""), "OK");
  EXPECT_EQ(content(dir / "sub" / "prog.bin"), "");
}

TEST_F(FileWrite, BadNamesAndModesAreRefused) {
  EXPECT_EQ(put("missing\\x.bin", 'w', "abc"), "Can't found destination directorie");
  EXPECT_FALSE(fs::exists(dir / "missing"));
  const std::string outside = (dir.parent_path() / "plc_escape.bin").string();
  for (const std::string& name : {std::string("..\\escape.bin"), std::string("sub/../../escape.bin"),
                                  outside, std::string("C:\\escape.bin"), std::string("\\escape.bin")})
    EXPECT_EQ(put(name, 'w', "x"), "Error") << name;
  EXPECT_FALSE(fs::exists(outside));
  for (char m : {'r', '+', 'x', '\0'}) EXPECT_EQ(put("sub\\m.bin", m, "x"), "Error") << int(m);
  EXPECT_FALSE(fs::exists(dir / "sub" / "m.bin"));
}

TEST_F(Dispatcher, ClosedChannel) {
  k.deinitSoftComm();
  std::uint16_t len = 0;
  EXPECT_EQ(k.readServiceChannel(&len), 0);
  std::uint8_t b[4] = {1, 2, 3, 4};
  EXPECT_EQ(k.writeServiceChannel(b, 3), 3);
  EXPECT_EQ(k.commMultiPlex(), 0);
}

TEST_F(Dispatcher, OverlongRequestWordIsCapped) {
  buf[0] = kReqWriteMemory;
  putU32(buf + 1, area("MVL"));
  *rq = 70000;   // more than the buffer holds
  k.commMultiPlex();
  EXPECT_EQ(*rq, 0);
  *rq = -5;
  k.commMultiPlex();
}

} // namespace
} // namespace plctest
