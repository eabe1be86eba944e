#include "fake_online.h"
#include "onl32ns/server_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace onl32ns {
namespace {

using test::FakeConverter;
using test::FakeOnline;

struct ServerFixture : ::testing::Test {
  FakeOnline online;
  FakeConverter conv;
  int closed = 0;
  std::vector<std::tuple<std::uint32_t, std::uint32_t, int>> progress;
  std::vector<int> formatsSelected;
  bool converterAvailable = true;
  std::set<std::uint32_t> gone;   // client ids whose windows have ended
  std::unique_ptr<ServerCore> core;

  void SetUp() override {
    ServerHooks h;
    h.close = [this] { ++closed; };
    h.clientGone = [this](std::uint32_t id) { return gone.count(id) != 0; };
    h.progress = [this](std::uint32_t w, std::uint32_t m, int p) { progress.emplace_back(w, m, p); };
    h.selectConverter = [this](std::uint8_t f) {
      formatsSelected.push_back(f);
      return converterAvailable;
    };
    core = std::make_unique<ServerCore>(online, h);
    core->setConverter(&conv);
    online.vars["DW"] = {0x1000, 2};
    online.vars["DL"] = {0x2000, 4};
    online.vars["BIG"] = {0x3000, 256};
    online.vars["HUGE"] = {0x4000, 65536};
  }
  std::string q(const std::string& t) {
    Reply r = core->query(t);
    return r.hasText ? r.text : "<none>";
  }
  std::int64_t c(const std::string& t) { return core->command(t).number; }
};

TEST(ServerSplit, KeywordUpperArgumentKept) {
  std::string k, a;
  ServerCore::split("mode=test", k, a);
  EXPECT_EQ(k, "MODE");
  EXPECT_EQ(a, "test");
  ServerCore::split("dev", k, a);
  EXPECT_EQ(k, "DEV");
  EXPECT_EQ(a, "");
  ServerCore::split("ftp>=6 a=b c", k, a);
  EXPECT_EQ(k, "FTP>");
  EXPECT_EQ(a, "6 a=b c");
}

TEST(ServerVariables, ParsedFromTheEnd) {
  struct Case { const char* name; bool ok; const char* area; int index; int element; };
  const Case cases[] = {
      {"DW101", true, "DW", 101, -1}, {"A10.3", true, "A", 10, 3}, {"M0.7", true, "M", 0, 7},
      {"PW150", true, "PW", 150, -1}, {"DW", false, "", 0, 0},     {"A.3", false, "", 0, 0},
      {"7", true, "", 7, -1},         {"DW99999999999", false, "", 0, 0},
  };
  for (const auto& tc : cases) {
    VariableRef ref;
    EXPECT_EQ(ServerCore::parseVariable(tc.name, ref), tc.ok) << tc.name;
    if (!tc.ok) continue;
    EXPECT_EQ(ref.area, tc.area) << tc.name;
    EXPECT_EQ(ref.index, tc.index) << tc.name;
    EXPECT_EQ(ref.element, tc.element) << tc.name;
  }
}

TEST(ServerIdent, CutFromTheEnd) {
  ProgInfo pi;
  ASSERT_TRUE(ServerCore::parseIdent("MY PROG 05.11.26 13:04:09 12345 fF", pi));
  EXPECT_STREQ(pi.name, "MY PROG ");
  EXPECT_EQ(pi.day, 5);
  EXPECT_EQ(pi.month, 11);
  EXPECT_EQ(pi.year, 26);
  EXPECT_EQ(pi.hour, 13);
  EXPECT_EQ(pi.minute, 4);
  EXPECT_EQ(pi.second, 9);
  EXPECT_EQ(pi.size, 12345u);
  EXPECT_EQ(pi.check, 0xFF);
  ASSERT_TRUE(ServerCore::parseIdent("  LONGPROJECTNAME\t1.2.3 4:5:6 7 a", pi));
  EXPECT_STREQ(pi.name, "LONGPROJ");
  ASSERT_TRUE(ServerCore::parseIdent("1.2.3 4:5:6 7 a", pi));  // empty name: eight blanks
  EXPECT_STREQ(pi.name, "        ");
  EXPECT_FALSE(ServerCore::parseIdent("NAME 1.2 4:5:6 7 a", pi));
  EXPECT_FALSE(ServerCore::parseIdent("NAME 1.2.3 4:5:6 x7 a", pi));
  EXPECT_FALSE(ServerCore::parseIdent("NAME 1.2.3 4:5:6 7 zz", pi));
}

TEST_F(ServerFixture, ModeQueryAndCommands) {
  online.mode = 1;
  EXPECT_EQ(q("MODE"), "Online");
  online.mode = 12;
  EXPECT_EQ(q("MODE"), "<none>");
  online.opResult = kFailed;
  EXPECT_EQ(q("MODE"), "No connection");
  online.opResult = kDone;
  EXPECT_EQ(c("mode=online"), 1);
  EXPECT_EQ(online.mode, 1);
  EXPECT_EQ(c("MODE=nonsense"), 0);
  EXPECT_EQ(online.mode, 1);
}

TEST_F(ServerFixture, TestAndCheckSucceedOnlyWhenTheTargetStops) {
  online.modeSequence = {9, 9, 4};
  EXPECT_EQ(c("MODE=CHECK"), 1);
  online.modeSequence = {7, 7, 7, 7, 7, 7, 7};
  EXPECT_EQ(c("mode=test"), 0);  // six reads still in TEST
  online.modeSequence = {1};
  EXPECT_EQ(c("MODE=TEST"), 0);  // left TEST but not for STOP
}

TEST_F(ServerFixture, CommOnOffAndOthers) {
  EXPECT_EQ(q("COMM"), "Off");
  EXPECT_EQ(c("COMM=on"), 1);
  EXPECT_EQ(q("COMM"), "On");
  EXPECT_EQ(c("COMM=yes"), 0);
  EXPECT_EQ(q("COMM"), "On");
  EXPECT_EQ(c("COMM=Off"), 1);
  EXPECT_EQ(q("COMM"), "Off");
}

TEST_F(ServerFixture, ErrorTexts) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0, "No error"}, {1, "Realtimeerror"}, {2, "Communicationerror"}, {4, "Commanderror"},
      {64, "Power failure"}, {3, "<none>"}};
  for (auto [e, t] : cases) {
    online.error = e;
    EXPECT_EQ(q("ERROR"), t);
  }
  EXPECT_EQ(c("ERROR=5x"), 1);
  EXPECT_EQ(online.error, 5);
  EXPECT_EQ(c("ERROR=x5"), 1);
  EXPECT_EQ(online.error, 0);
  EXPECT_EQ(c("ERROR=258"), 1);
  EXPECT_EQ(online.error, 2);
}

TEST_F(ServerFixture, SimpleQueries) {
  EXPECT_EQ(q("DEV"), "SOFTPLC");
  online.device.clear();
  EXPECT_EQ(q("DEV"), "???");
  EXPECT_EQ(q("PTYP"), "PC");
  EXPECT_EQ(q("VERS"), "3.100");
  EXPECT_EQ(q("MINCYCLETIME"), "5");
  EXPECT_EQ(q("LOADOK"), "1");
  EXPECT_EQ(q("PARAMODE"), "1");
  EXPECT_EQ(q("REALTIME"), "4660");
  EXPECT_EQ(q("OBELKERNEL"), "TESK 3.01");
  EXPECT_EQ(q("SIZE_DW"), "1000");
  EXPECT_EQ(q("SIZE_XYZ"), "0");
  EXPECT_EQ(q("SIZE_"), "0");
  EXPECT_EQ(q("COMMAND=ver"), "ANSWER ver");
}

TEST_F(ServerFixture, TimeOnlyWhilePolling) {
  EXPECT_EQ(q("TIME"), "<none>");
  c("COMM=ON");
  online.sysTime = {0x10, 0x27, 0, 0};
  EXPECT_EQ(q("TIME"), "10000");
}

TEST_F(ServerFixture, VariablesReadThroughTheWatchList) {
  EXPECT_EQ(q("DW5"), "???");  // polling off: no value
  c("COMM=ON");
  EXPECT_EQ(q("DW5"), "???");  // first read enters it
  online.watched[0x1000 + 10] = {0x2A, 0x00};
  EXPECT_EQ(q("DW5"), "42");
  EXPECT_EQ(q("BIG1"), "<none>");     // 256 bytes are never read
  EXPECT_EQ(q("NOAREA1"), "<none>");
}

TEST_F(ServerFixture, VariablesWritten) {
  EXPECT_EQ(c("DW3=513"), 1);
  ASSERT_EQ(online.writes.size(), 1u);
  EXPECT_EQ(online.writes[0].address, 0x1006u);
  EXPECT_EQ(online.writes[0].data, (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(c("DW3=abc"), 0);
  EXPECT_EQ(c("HUGE1=1"), 0);   // 65536 bytes are never written
  EXPECT_EQ(c("XX1=1"), 0);
  EXPECT_EQ(online.writes.size(), 1u);
}

TEST_F(ServerFixture, SetAndGetMemory) {
  EXPECT_EQ(c("SETMEM=4096,1,2,255"), 1);
  ASSERT_EQ(online.writes.size(), 1u);
  EXPECT_EQ(online.writes[0].count, 3);
  EXPECT_EQ(c("SETMEM=4096"), 0);
  EXPECT_EQ(c("SETMEM=4096,256"), 0);
  Reply r = core->query("GETMEM=4096,10,/tmp/x,y.bin");
  EXPECT_EQ(r.number, 1);
  EXPECT_TRUE(r.hasText) << "the answer text travels to the client";
  EXPECT_EQ(r.text, "1");
  EXPECT_EQ(online.calls.back(), "GETMEM 4096 10 /tmp/x,y.bin");
  EXPECT_EQ(core->query("GETMEM=0,10,f").number, 0);
  EXPECT_EQ(core->query("GETMEM=4096,0,f").number, 0);
  EXPECT_EQ(core->query("GETMEM=4096,10").number, 0);
}

TEST_F(ServerFixture, LoginLogoutAndClose) {
  EXPECT_EQ(c("LOGIN=12a"), 0);
  EXPECT_EQ(c("LOGIN=0"), 0);
  EXPECT_EQ(c("LOGIN=12"), 1);
  EXPECT_EQ(c("LOGIN=12"), 1);
  EXPECT_EQ(c("LOGIN=7"), 1);
  EXPECT_EQ(core->clients(), (std::list<std::uint32_t>{12, 7}));
  EXPECT_EQ(c("LOGOUT=99"), 1);
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(c("LOGOUT=12"), 1);
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(c("LOGOUT=7"), 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(c("CLOSE"), 0);
}

// A client that ended without LOGOUT does not keep the server: the check the
// server runs every second drops it, and the server closes once no client is
// left; a LOGOUT drops the gone ones too.
TEST_F(ServerFixture, ClientsThatAreGoneDoNotKeepTheServer) {
  EXPECT_EQ(c("LOGIN=12"), 1);
  EXPECT_EQ(c("LOGIN=7"), 1);
  core->checkClients();
  EXPECT_EQ(core->clients(), (std::list<std::uint32_t>{12, 7}));
  gone.insert(12);
  core->checkClients();
  EXPECT_EQ(core->clients(), (std::list<std::uint32_t>{7}));
  EXPECT_EQ(closed, 0);
  gone.insert(7);
  core->checkClients();
  EXPECT_TRUE(core->clients().empty());
  EXPECT_EQ(closed, 1);
  core->checkClients();   // nobody logged in: nothing to close again
  EXPECT_EQ(closed, 1);

  // LOGOUT of the last live client while a gone one is still listed.
  closed = 0;
  gone = {5};
  EXPECT_EQ(c("LOGIN=5"), 1);
  EXPECT_EQ(c("LOGIN=6"), 1);
  EXPECT_EQ(c("LOGOUT=6"), 1);
  EXPECT_TRUE(core->clients().empty());
  EXPECT_EQ(closed, 1);
}

TEST_F(ServerFixture, LoadWithIdentAndProgress) {
  EXPECT_EQ(c("LOAD=/x/prog.mvl,77,1025,PROJ 01.02.03 04:05:06 100 ab"), 1);
  EXPECT_EQ(online.lastLoad.path, "/x/prog.mvl");
  EXPECT_TRUE(online.lastLoad.hasIdent);
  EXPECT_STREQ(online.lastLoad.info.name, "PROJ    ");
  EXPECT_EQ(q("LOADOK"), "1");
  online.opResult = kFailed;
  EXPECT_EQ(c("LOAD=/x/prog.mvl,77,1025"), 0);
  EXPECT_FALSE(online.lastLoad.hasIdent && online.lastLoad.path != "/x/prog.mvl");
  EXPECT_EQ(q("LOADOK"), "2");
  EXPECT_EQ(c("LOAD=/x/prog.mvl,7x,1025"), 0);
  // Progress goes to the registered window only while the load runs.
  core->reportProgress(150);
  EXPECT_TRUE(progress.empty());
}

TEST_F(ServerFixture, ProgInfoFormat) {
  EXPECT_EQ(q("PROGINFO"), "<none>");  // empty name
  std::memcpy(online.progInfo.name, "PROJ    ", 9);
  online.progInfo.day = 1;
  online.progInfo.month = 2;
  online.progInfo.year = 3;
  online.progInfo.hour = 4;
  online.progInfo.minute = 5;
  online.progInfo.second = 6;
  online.progInfo.size = 100;
  online.progInfo.check = 0xAB;
  EXPECT_EQ(q("PROGINFO"), "PROJ     01.02.03 04:05:06 100 abh");
  online.opResult = kFailed;
  EXPECT_EQ(q("PROGINFO"), "???");
}

TEST_F(ServerFixture, IdentSelectsTheConverterOfANewFormat) {
  EXPECT_EQ(c("IDENT=/t/x.att"), 1);
  EXPECT_TRUE(formatsSelected.empty());
  online.format = 3;
  EXPECT_EQ(c("IDENT=/t/x.att"), 1);
  EXPECT_EQ(formatsSelected, std::vector<int>{3});
  EXPECT_EQ(core->targetFormat(), 3);
  online.format = 4;
  converterAvailable = false;
  EXPECT_EQ(c("IDENT=/t/x.att"), 0);
  EXPECT_EQ(core->targetFormat(), 3);
  EXPECT_EQ(c("RESOURCES=only"), 0);
  converterAvailable = true;
  EXPECT_EQ(c("RESOURCES=a.res,b.att"), 1);
}

TEST_F(ServerFixture, FileTransfer) {
  online.pollsPerOp = 2;
  EXPECT_EQ(core->command("FTP>=8").text, "Error> Action is invalid ");
  Reply r = core->command("FTP>=6 target.txt /src/file");
  EXPECT_TRUE(r.hasText);
  EXPECT_EQ(r.text, "FTP> running ...");
  EXPECT_EQ(core->command("FTP>=6 again.txt /src/file").text, "Error> Can not start a second FTP");
  EXPECT_EQ(core->command("FTP>=8").text, "1024");
  EXPECT_EQ(core->command("FTP>=8").text, "1024");
  EXPECT_EQ(core->command("FTP>=8").text, "OK");
  // The record is gone once the operation ended.
  EXPECT_EQ(core->command("FTP>=8").text, "Error> Action is invalid ");
  core->command("FTP>=6 t /s");
  EXPECT_EQ(core->command("FTP>=7").text, "ESC");
  EXPECT_EQ(core->command("FTP>=8").text, "Error> Action is invalid ");
}

TEST_F(ServerFixture, UnknownKeywordsAndBusyFlag) {
  EXPECT_FALSE(core->busy());
  EXPECT_EQ(q("NOTHING"), "<none>");
  EXPECT_EQ(c("FILE_S"), 0);
  EXPECT_EQ(c("INSTALL=x"), 1);
  EXPECT_EQ(c("SAVEPARA"), 1);
  EXPECT_FALSE(core->busy());
}

} // namespace
} // namespace onl32ns
