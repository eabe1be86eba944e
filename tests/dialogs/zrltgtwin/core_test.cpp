// The target dialogs library without widgets: the client against an
// in-process recording server, the LOAD value, file identities, the workers
// and the validation of the interface settings.
#include "core.h"
#include "fake_server.h"
#include "texts.h"

#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace tw;
namespace fs = std::filesystem;

namespace {

struct FakeTool : Tool {
  fs::path dir;
  std::string online, loader, dll = "";
  std::vector<InterfacePort> ports;
  InterfaceSettings stored{};
  int writes = 0;
  FakeTool() {
    static int n = 0;
    dir = fs::temp_directory_path() / ("twcore-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    fs::create_directories(dir);
    online = "TestOnline" + std::to_string(::getpid()) + "-" + std::to_string(n);
    loader = "TestLoader" + std::to_string(::getpid()) + "-" + std::to_string(n);
  }
  ~FakeTool() override { fs::remove_all(dir); }
  std::string p(const char* name) const { return (dir / name).string(); }
  bool set(std::string& o, std::string v) {
    o = std::move(v);
    return !o.empty();
  }
  bool transDll(std::string& o) override { return set(o, dll); }
  bool projectZcd(std::string& o, int) override { return set(o, p("TMP.Q")); }
  bool projectError(std::string& o, int) override { return set(o, p("TMP.ERR")); }
  bool map(std::string& o, int) override { return set(o, p("TMP.LST")); }
  bool dlf(std::string& o, int) override { return set(o, p("TMP.MVL")); }
  bool ddf(std::string& o) override { return set(o, p("TMP.ATT")); }
  bool serverPath(std::string& o) override { return set(o, "/nowhere/ONL32NS.EXE"); }
  bool serverName(std::string& o, int n) override { return set(o, n == 2 ? online : loader); }
  bool interfaceIni(std::string& o) override { return set(o, p("INTERFACE.INI")); }
  bool binPath(std::string& o) override { return set(o, dir.string()); }
  bool languagePath(std::string& o) override { return set(o, dir.string()); }
  bool helpFile(std::string&) override { return false; }
  bool showHelpNumber() override { return false; }
  bool port(int n, InterfacePort& out) override {
    if (n < 1 || n > int(ports.size())) return false;
    out = ports[std::size_t(n - 1)];
    return true;
  }
  void freePort(InterfacePort& p) override { p = InterfacePort{}; }
  bool readSettings(InterfaceSettings& out) override {
    out = stored;
    return true;
  }
  bool writeSettings(const InterfaceSettings& s) override {
    stored = s;
    ++writes;
    return true;
  }
};

struct Fixture : ::testing::Test {
  FakeTool t;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope{sink};
  void SetUp() override {
    setTool(&t);
    state().currentServer = 0;
    state().lastOwner = 0;
    state().modeFlags = 0;
    state().instance = 1;
    state().setProjectPath(nullptr);
  }
  void TearDown() override { setTool(nullptr); }
  void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
};

} // namespace

TEST(LoadValue, ByteForByteWithAndWithoutIdentity) {
  EXPECT_EQ(loadValue("/tmp/TMP.MVL", 1073741830u, 1025, nullptr), "/tmp/TMP.MVL,1073741830,1025");
  LoadFileIdent id{};
  std::memcpy(id.name, "PROJECT1", 8);
  id.day = 3;
  id.month = 7;
  id.year = 5;
  id.hour = 9;
  id.minute = 8;
  id.second = 0;
  id.size = 12345;
  id.attribute = 0xFF;
  EXPECT_EQ(loadValue("/tmp/TMP.MVL", 7, 1025, &id), "/tmp/TMP.MVL,7,1025,PROJECT1 03.07.05 09:08:00 12345 FF");
  // A name field without terminator is read to its 10 bytes only.
  std::memcpy(id.name, "ABCDEFGHIJ", 10);
  EXPECT_EQ(loadValue("F", 1, 2, &id), "F,1,2,ABCDEFGHIJ 03.07.05 09:08:00 12345 FF");
  static_assert(sizeof(LoadFileIdent) == 24);
}

TEST_F(Fixture, FileIdentCutsAtTheFirstDotAndEightCharacters) {
  struct Case {
    const char* file;
    const char* name;
  };
  const Case cases[] = {{"my.project.v2.mdl", "MY"}, {"LongProjectName.mdl", "LONGPROJ"}, {"abcdefgh.mdl", "ABCDEFGH"},
                        {"plain", "PLAIN"}};
  for (const Case& c : cases) {
    std::string path = t.p(c.file);
    write(path, "12345");
    LoadFileIdent id;
    ASSERT_EQ(srvFileIdent(path, id), 1) << c.file;
    EXPECT_EQ(std::string(id.name, strnlen(id.name, 10)), c.name);
    EXPECT_EQ(id.size, 5u);
    EXPECT_EQ(id.attribute, 0xFF);
    EXPECT_GE(id.month, 1);
    EXPECT_EQ(id.name[9], 0);
  }
  LoadFileIdent id;
  EXPECT_EQ(srvFileIdent(t.p("missing.mdl"), id), 0);
  EXPECT_EQ(id.attribute, 0);
  EXPECT_EQ(srvFileIdent("", id), 0);
}

TEST_F(Fixture, ModeAnswersAndTestConnection) {
  FakeServer s(t.online);
  ASSERT_TRUE(s.id());
  s.mode = "online";
  EXPECT_EQ(srvGetMode(s.id()), 1);
  s.mode = "?";
  EXPECT_EQ(srvGetMode(s.id()), 0);
  s.mode = "JUMP";
  EXPECT_EQ(srvGetMode(s.id()), 0);
  EXPECT_EQ(srvSetMode(s.id(), 99), 0);  // not in the table: nothing sent
  EXPECT_TRUE(s.cmds().empty());

  s.mode = "STOP";
  EXPECT_EQ(testIFConnection(s.id()), 1);
  EXPECT_EQ(s.cmds(), (std::vector<std::string>{"MODE=CHECK", "MODE=STOP"}));
  s.commands.clear();
  s.mode = "";  // the mode cannot be read: CHECK only
  EXPECT_EQ(testIFConnection(s.id()), 1);
  EXPECT_EQ(s.cmds(), (std::vector<std::string>{"MODE=CHECK"}));
  s.result("MODE", 0);
  EXPECT_EQ(testIFConnection(s.id()), 0);
  EXPECT_EQ(testIFConnection(0), 0);
}

TEST_F(Fixture, LoginLogoutAndCurrentServer) {
  EXPECT_EQ(logoutByServer(0, 77), 1);  // no server: nothing to log out from
  EXPECT_EQ(state().currentServer.load(), 0u);
  FakeServer s(t.online);
  s.result("LOGIN", 5);
  EXPECT_EQ(loginByServer(0, 4000000000u), 5);
  EXPECT_EQ(state().currentServer.load(), s.id());
  EXPECT_EQ(state().lastOwner.load(), 4000000000u);
  EXPECT_EQ(logoutByServer(0, 77), 1);
  EXPECT_EQ(s.cmds(), (std::vector<std::string>{"LOGIN=4000000000", "LOGOUT=77"}));
  EXPECT_TRUE(interfaceTerminal());
  EXPECT_TRUE(interfaceDiagnose(1));
  EXPECT_EQ(s.cmds().back(), "MODE=TEST");
}

TEST_F(Fixture, GetDffDeletesFirstAndNeedsTheFile) {
  FakeServer s(t.online);
  write(t.p("TMP.ATT"), "old");
  EXPECT_EQ(getDFF(s.id()), 0);  // the server answered but wrote nothing: the old file is gone
  EXPECT_FALSE(fs::exists(t.p("TMP.ATT")));
  s.onCommand = [&](const std::string& c) {
    if (c.rfind("IDENT=", 0) == 0) write(c.substr(6), "[DDF]");
  };
  s.result("IDENT", 3);
  EXPECT_EQ(getDFF(s.id()), 3);
  EXPECT_EQ(s.cmds().back(), "IDENT=" + t.p("TMP.ATT"));
  EXPECT_EQ(getDFF(0), 0);
}

TEST_F(Fixture, DownloadWorkerStatuses) {
  kit::WorkerState st;
  st.busy = 1;
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 1007);  // no download file
  EXPECT_EQ(st.busy.load(), 0);
  write(t.p("TMP.MVL"), "");
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 1007);  // 0 bytes
  write(t.p("TMP.MVL"), "DLF");
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 1008);  // no current server
  FakeServer s(t.online);
  state().currentServer = s.id();
  s.mode = "?";
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 1008);  // no mode answer
  EXPECT_TRUE(s.cmds().empty());
  s.mode = "STOP";
  s.result("LOAD", 0);
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 1009);
  EXPECT_EQ(s.cmds().back(), t.p("TMP.MVL").insert(0, "LOAD=") + ",42,1025");
  s.result("LOAD", 1);
  write(t.p("proj.mdl"), "0123456789");
  state().setProjectPath(t.p("proj.mdl").c_str());
  downloadWorker(st, 42);
  EXPECT_EQ(st.status.load(), 0);
  std::string load = s.cmds().back();
  EXPECT_NE(load.find(",42,1025,PROJ "), std::string::npos) << load;
  EXPECT_EQ(load.substr(load.size() - 6), " 10 FF");
}

TEST_F(Fixture, ModeChangeAndResets) {
  kit::WorkerState st;
  FakeServer online(t.online);
  state().currentServer = online.id();
  online.result("MODE", 0);  // AKXI refused
  modeChangeWorker(st);
  EXPECT_EQ(st.status.load(), 1008);
  EXPECT_EQ(state().modeFlags.load(), 0);
  EXPECT_EQ(state().currentServer.load(), online.id());
  EXPECT_EQ(online.cmds(), (std::vector<std::string>{"MODE=AKXI"}));

  // The loading server refuses the login: it is closed, the online server is current in CHECK.
  online.result("MODE", 1);
  online.commands.clear();
  auto loaderSrv = std::make_unique<FakeServer>(t.loader);
  loaderSrv->result("LOGIN", 0);
  FakeServer* loader = loaderSrv.get();
  loader->onCommand = [&](const std::string& c) {
    if (c == "CLOSE=") loader->ep->close();
  };
  state().lastOwner = 9;
  modeChangeWorker(st);
  EXPECT_EQ(st.status.load(), 1011);
  EXPECT_EQ(state().modeFlags.load(), 0);
  EXPECT_EQ(state().currentServer.load(), online.id());
  EXPECT_EQ(loader->cmds(), (std::vector<std::string>{"LOGIN=9", "CLOSE="}));
  EXPECT_EQ(online.cmds(), (std::vector<std::string>{"MODE=AKXI", "MODE=CHECK"}));
  loaderSrv.reset();

  // A reset with nothing recorded only refreshes the current server; twice the same.
  state().currentServer = 12345;
  resetInterfaceMode();
  EXPECT_EQ(state().currentServer.load(), online.id());
  resetInterfaceMode();
  EXPECT_EQ(state().currentServer.load(), online.id());
  EXPECT_EQ(online.cmds().size(), 2u);
}

TEST_F(Fixture, ModeChangeSucceedsThroughTheLoadingServer) {
  kit::WorkerState st;
  FakeServer online(t.online), loader(t.loader);
  loader.onCommand = [&](const std::string& c) {
    if (c.rfind("IDENT=", 0) == 0) write(c.substr(6), "[DDF]");
  };
  state().currentServer = online.id();
  modeChangeWorker(st);
  EXPECT_EQ(st.status.load(), 0);
  EXPECT_EQ(st.progress.load(), 100);
  EXPECT_EQ(state().modeFlags.load(), 7);
  EXPECT_EQ(state().currentServer.load(), loader.id());
  resetInterfaceMode();
  EXPECT_EQ(loader.cmds().back(), "CLOSE=");
  EXPECT_EQ(state().currentServer.load(), online.id());
  EXPECT_EQ(online.cmds().back(), "MODE=CHECK");
}

TEST_F(Fixture, SettingsValidationTable) {
  PortEntry lpt{1, "LPT1", "lptif1NT.dll", 2, KXIF_PORT_HAS_SETTINGS};
  PortEntry sim{2, "SIM", "", 0, 0};
  struct Case {
    const PortEntry* e;
    int chosen;
    const char* cycle;
    unsigned msg;
    std::vector<unsigned> args;
  };
  const Case cases[] = {
      {nullptr, 1, "50", kSelectPort, {}},
      {&lpt, 0, "50", kOneInterface, {}},
      {&lpt, 3, "50", kTooManyInterfaces, {2}},
      {&lpt, 2, "  \t50", 0, {}},
      {&lpt, 2, "50ms", kCycleRange, {10, 100}},
      {&lpt, 2, "", kCycleRange, {10, 100}},
      {&lpt, 2, "5", kCycleLow, {10}},
      {&lpt, 2, "150", kCycleHigh, {100}},
      {&lpt, 2, "99999999999999999999", kCycleHigh, {100}},  // too many digits: above the limit
      {&sim, 0, "1000", 0, {}},
      {&sim, 0, "1001", kCycleHigh, {1000}},
  };
  for (const Case& c : cases) {
    InterfaceSettings out;
    Verdict v = validate(c.e, c.chosen, c.cycle, true, out);
    EXPECT_EQ(v.message, c.msg) << c.cycle;
    EXPECT_EQ(v.args, c.args) << c.cycle;
  }
  InterfaceSettings out;
  ASSERT_EQ(validate(&lpt, 2, "20", true, out).message, 0u);
  EXPECT_EQ(out.port, 1u);
  EXPECT_EQ(out.ifacenum, 2u);
  EXPECT_EQ(out.cycletime, 20u);
  EXPECT_EQ(out.flags, 1u);
  ASSERT_EQ(validate(&sim, 0, "500", false, out).message, 0u);
  EXPECT_EQ(out.ifacenum, 0u);

  InterfaceSettings s{1, 4, 5, 0};
  EXPECT_TRUE(clampOnOpen(s, &lpt));
  EXPECT_EQ(s.ifacenum, 2u);
  EXPECT_EQ(s.cycletime, 10u);
  s = {2, 0, 800, 0};
  EXPECT_FALSE(clampOnOpen(s, &sim));
  s = {7, 1, 800, 0};
  EXPECT_TRUE(clampOnOpen(s, nullptr));
  EXPECT_EQ(s.port, 0u);
  EXPECT_EQ(s.cycletime, 800u);
  EXPECT_EQ(driverResourcePath("/x/ENGLISH", "lptif1NT.dll"), "/x/ENGLISH/LPTIF1NTRES.DLL");
  EXPECT_EQ(driverResourcePath("/x/", "drv"), "/x/DRVRES.DLL");
}

TEST_F(Fixture, ApplyChecksTheServers) {
  InterfaceSettings s{1, 1, 50, 0};
  EXPECT_EQ(applySettings(s, 0), 0u);
  EXPECT_EQ(t.writes, 1);
  EXPECT_EQ(applySettings(s, 1), 0u);  // no server
  EXPECT_EQ(t.writes, 2);
  {
    FakeServer online(t.online);
    online.mode = "ONLINE";
    EXPECT_EQ(applySettings(s, 1), unsigned(kWhileRunning));
    EXPECT_EQ(t.writes, 2);
    online.mode = "STOP";
    EXPECT_EQ(applySettings(s, 1), 0u);
    EXPECT_EQ(t.writes, 3);
    EXPECT_EQ(online.cmds().back(), "MODE=PARACHANGE");
    FakeServer loader(t.loader);
    EXPECT_EQ(applySettings(s, 1), unsigned(kWhileDownloading));
    EXPECT_EQ(t.writes, 3);
  }
}

TEST_F(Fixture, PortListEndsWithNone) {
  char lpt[] = "LPT1", drv[] = "lptif1NT.dll", sim[] = "SIM", none[] = "";
  t.ports = {InterfacePort{lpt, drv, 2, KXIF_PORT_HAS_SETTINGS}, InterfacePort{sim, none, 0, 1}};
  auto v = portList("none");
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].number, 1);
  EXPECT_EQ(v[1].name, "SIM");
  EXPECT_EQ(v[2].number, 0);
  EXPECT_EQ(v[2].name, "none");
}
