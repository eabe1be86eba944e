#include "fake_online.h"
#include "private_runtime_dir.h"
#include "onl32ns/server_core.h"
#include "platform/endpoint.h"
#include "srvclient/kc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

namespace srv {
namespace {

std::string uniqueName(const char* what) {
  static std::atomic<int> n{0};
  return serverEndpoint(kServerClass, std::string(what) + "-" + std::to_string(getpid()) + "-" + std::to_string(n++));
}

// A server endpoint in this process, answering with the real protocol core
// over a fake online library.
struct LiveServer {
  onl32ns::test::FakeOnline online;
  onl32ns::test::FakeConverter conv;
  onl32ns::ServerCore core{online, {}};
  std::unique_ptr<plat::ipc::Endpoint> ep;
  std::vector<std::string> seen;
  int hangMs = 0;

  explicit LiveServer(const std::string& name) {
    core.setConverter(&conv);
    online.vars["DW"] = {0x1000, 2};
    ep = plat::ipc::Endpoint::create(name, [this](const plat::ipc::Message& m) {
      plat::ipc::Answer a;
      if (m.msg == WM_SRV_BUSY) {
        a.result = core.busy() ? 1 : 0;
        return a;
      }
      seen.push_back(m.text);
      if (hangMs) std::this_thread::sleep_for(std::chrono::milliseconds(hangMs));
      onl32ns::Reply r = m.msg == WM_SRV_QUERY ? core.query(m.text) : core.command(m.text);
      a.result = r.number;
      if (r.hasText) a.text = r.text;
      return a;
    });
  }
};

TEST(ServerClient, NoServerFailsEverything) {
  Client c;
  EXPECT_FALSE(c.query("MODE"));
  EXPECT_EQ(c.command("MODE", "TEST"), 0);
  kc::client().setServer("");
  char buf[8] = "x";
  EXPECT_FALSE(kc::Query("DEV", buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(kc::SetMode(1), 0);
}

TEST(ServerClient, QueriesCommandsAndTypedWrappers) {
  std::string name = uniqueName("typed");
  LiveServer srv(name);
  ASSERT_TRUE(srv.ep);
  kc::client().setServer(name);

  char dev[32];
  EXPECT_TRUE(kc::GetDev(dev, sizeof dev));
  EXPECT_STREQ(dev, "SOFTPLC");
  EXPECT_EQ(kc::CommOn(), 1);
  std::uint32_t t = 0;
  EXPECT_TRUE(kc::GetTime(t));
  EXPECT_EQ(t, 1u);

  // First read of a variable answers "???": no answer, value 0.
  std::uint16_t v = 7;
  EXPECT_FALSE(kc::GetCard("DW5", v));
  EXPECT_EQ(v, 0);
  srv.online.watched[0x100A] = {0xFF, 0xFF};
  EXPECT_TRUE(kc::GetCard("DW5", v));
  EXPECT_EQ(v, 65535);
  std::int32_t l = 0;
  EXPECT_TRUE(kc::GetLong("DW5", l));
  EXPECT_EQ(l, 65535);
  std::uint8_t b = 0;
  EXPECT_FALSE(kc::GetByte("DW5", b));  // 65535 does not fit a byte

  EXPECT_EQ(kc::SetCard("DW3", 65535), 1);
  EXPECT_EQ(srv.seen.back(), "DW3=65535");
  kc::SetInt("DW3", -1);
  EXPECT_EQ(srv.seen.back(), "DW3=-1");
  bool flag = true;
  kc::GetBit("E", flag, 3);
  EXPECT_EQ(srv.seen.back(), "E.3");
  EXPECT_EQ(kc::SetMode(9), 0);
  EXPECT_EQ(srv.seen.back(), "E.3");  // nothing sent
  kc::SetMode(7);
  EXPECT_EQ(srv.seen.back(), "MODE=TEST");

  // Too long: refused without sending.
  std::string key(120, 'K'), val(80, 'V');
  auto before = srv.seen.size();
  EXPECT_EQ(kc::Set(key.c_str(), val.c_str()), 0);
  EXPECT_EQ(srv.seen.size(), before);
  kc::client().setServer("");
}

// The main program binds its wrappers to the server window of a login by
// its handle id; 0 or an id of no endpoint unbinds them.
TEST(ServerClient, WrappersBindToTheServerWindowById) {
  std::string name = uniqueName("bound");
  LiveServer srv(name);
  ASSERT_TRUE(srv.ep);
  EXPECT_TRUE(kc::BindServer(srv.ep->id()));
  EXPECT_EQ(kc::client().server(), name);
  EXPECT_EQ(kc::CommOn(), 1);
  EXPECT_EQ(srv.seen.back(), "COMM=ON");
  EXPECT_FALSE(kc::BindServer(0));
  EXPECT_EQ(kc::CommOn(), 0);
  auto other = plat::ipc::Endpoint::create(uniqueName("gone"), [](const plat::ipc::Message&) { return plat::ipc::Answer{}; });
  ASSERT_TRUE(other);
  const std::uint32_t goneId = other->id();
  other.reset();
  EXPECT_FALSE(kc::BindServer(goneId));
  EXPECT_EQ(kc::CommOn(), 0);
  EXPECT_EQ(srv.seen.back(), "COMM=ON");  // nothing more reached the first server
}

TEST(ServerClient, TextsOverTheLimitAreRefusedNotCut) {
  std::string name = uniqueName("long");
  LiveServer srv(name);
  Client c(name);
  std::string value(300, 'x');
  Status st;
  EXPECT_EQ(c.command("A", value, nullptr, &st), 0);
  EXPECT_EQ(st, Status::TooLong);
  EXPECT_TRUE(srv.seen.empty());
}

TEST(ServerClient, DeadAndHungServers) {
  std::string name = uniqueName("dead");
  {
    LiveServer srv(name);
    Client c(name);
    EXPECT_TRUE(c.query("DEV"));
  }
  // The server is gone: reported as no server, quickly.
  Client c(name);
  Status st;
  EXPECT_FALSE(c.query("DEV", &st));
  EXPECT_EQ(st, Status::NoServer);

  std::string hung = uniqueName("hung");
  LiveServer srv(hung);
  srv.hangMs = 1500;
  Client h(hung);
  ClientTimeouts t;
  t.requestMs = 200;
  h.setTimeouts(t);
  EXPECT_FALSE(h.query("DEV", &st));
  EXPECT_EQ(st, Status::NoAnswer);
}

TEST(ServerClient, ClassFromProgramPath) {
  EXPECT_EQ(serverClassFromPath("C:\\ZERLO\\ONL32NS.EXE"), "ONL32NS");
  EXPECT_EQ(serverClassFromPath("/opt/bin/onl32ns.exe"), "onl32ns");
  EXPECT_EQ(serverClassFromPath("srv.Dll"), "srv");
  EXPECT_EQ(serverClassFromPath("srv.bin"), "srv.bin");
  EXPECT_EQ(serverClassFromPath("ONL32NS"), "ONL32NS");
  EXPECT_EQ(modeOfKeyword("CHECK"), 9);
  EXPECT_EQ(modeOfKeyword("check"), 0);
  EXPECT_EQ(modeOfKeyword("TEST"), 7);
  EXPECT_EQ(modeOfKeyword("AKXI"), 8);
  EXPECT_EQ(modeOfKeyword(""), 0);
}

} // namespace
} // namespace srv
