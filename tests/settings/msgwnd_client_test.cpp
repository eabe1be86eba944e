// The message window client against the real message window program (a second
// process, headless) and against stand-in endpoints of this process.
#include "obeltool/msgwnd_client.h"
#include "private_runtime_dir.h"
#include "settings_test_util.h"
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <thread>

namespace {

std::string uniqueEndpoint() {
  static std::atomic<int> n{0};
  return "ztest-msgwnd-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
}

std::vector<std::string> logLines(const std::string& path) {
  std::vector<std::string> out;
  std::ifstream in(path);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class MsgWndProgram : public testing::Test {
protected:
  void SetUp() override {
    dir = testutil::uniqueDir("msgwnd");
    endpoint = uniqueEndpoint();
    log = dir + "/events.log";
    obel::MsgWndClient::Config c;
    c.endpoint = endpoint;
    c.programPath = [] { return std::string(ZERLO_BIN_DIR) + "/MESSAGES"; };
    c.extraArgs = {"--headless", "--log", log, "--endpoint", endpoint};
    c.startWaitMs = 20000;  // generous on a loaded machine; a start normally takes milliseconds
    client = std::make_unique<obel::MsgWndClient>(c);
  }
  void TearDown() override {
    if (client) {
      EXPECT_EQ(client->close(), 1);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string dir, endpoint, log;
  std::unique_ptr<obel::MsgWndClient> client;
};

TEST_F(MsgWndProgram, StartsTheProgramAndDeliversEveryKindOfMessage) {
  std::string file = dir + "/lines.txt";
  testutil::writeText(file, "a\r\nb\n");
  EXPECT_EQ(client->appendLine("first"), 1);
  EXPECT_TRUE(client->holdsWindow());
  EXPECT_EQ(client->appendLine("second"), 1);
  EXPECT_EQ(client->appendFile(file.c_str()), 1);
  EXPECT_EQ(client->appendFile((dir + "/missing.txt").c_str()), 0);
  EXPECT_EQ(client->empty(), 1);
  EXPECT_EQ(client->showProgBar(1), 1);
  EXPECT_EQ(client->initProgBar(0, 100), 1);
  EXPECT_EQ(client->setProgBar(42), 1);
  std::string longLine(600, 'x');
  EXPECT_EQ(client->appendLine(longLine.c_str()), 1);  // sent in pieces: nothing lost
  EXPECT_EQ(client->appendFile(std::string(300, 'p').c_str()), 0);
  EXPECT_EQ(client->close(), 1);
  EXPECT_FALSE(client->holdsWindow());
  std::vector<std::string> want = {"LINE first", "LINE second", "FILE " + file, "FILELINE a", "FILELINE b",
                                   "FILE " + dir + "/missing.txt UNREADABLE", "FILE " + dir + "/missing.txt UNREADABLE",
                                   "EMPTY", "PROGBAR SHOW 1", "PROGBAR INIT 0 100", "PROGBAR POS 42",
                                   "LINE " + std::string(255, 'x'), "LINE " + std::string(255, 'x'),
                                   "LINE " + std::string(90, 'x'), "CLOSE"};
  EXPECT_EQ(logLines(log), want);
}

TEST_F(MsgWndProgram, AnEmptyLineSendsNothingButStartsTheProgram) {
  EXPECT_EQ(client->appendLine(""), 0);
  EXPECT_EQ(client->appendLine(nullptr), 0);
  EXPECT_TRUE(plat::ipc::exists(endpoint));
  EXPECT_EQ(client->close(), 1);
  EXPECT_FALSE(plat::ipc::exists(endpoint));
  EXPECT_EQ(logLines(log), std::vector<std::string>{"CLOSE"});
}

TEST_F(MsgWndProgram, CloseWithoutAWindowAnswersAtOnce) {
  EXPECT_EQ(client->close(), 1);
  EXPECT_FALSE(std::filesystem::exists(log));  // nothing was started
}

TEST(MsgWndClient, NoProgramGivesFailureNotAHang) {
  obel::MsgWndClient::Config c;
  c.endpoint = uniqueEndpoint();
  c.programPath = [] { return std::string(); };
  obel::MsgWndClient client(c);
  EXPECT_EQ(client.appendLine("x"), 0);
  EXPECT_EQ(client.empty(), 0);
  EXPECT_EQ(client.close(), 1);
  c.programPath = [] { return std::string("/nonexistent/MESSAGES"); };
  obel::MsgWndClient client2(c);
  EXPECT_EQ(client2.appendLine("x"), 0);
}

// A stand-in window in this process.
struct FakeWindow {
  explicit FakeWindow(std::string identity, bool hang = false) : identity(std::move(identity)), hang(hang) {
    name = uniqueEndpoint();
    ep = plat::ipc::Endpoint::create(name, [this](const plat::ipc::Message& m) {
      std::unique_lock<std::mutex> l(mu);
      if (this->hang) cv.wait(l, [this] { return released; });
      seen.push_back(m);
      plat::ipc::Answer a;
      a.result = 1;
      if (m.msg == msgwnd::kIdentify) a.text = this->identity;
      return a;
    });
  }
  ~FakeWindow() {
    release();
    if (ep) ep->close();
  }
  void release() {
    std::lock_guard<std::mutex> l(mu);
    released = true;
    cv.notify_all();
  }
  int count(std::uint32_t msg) {
    std::lock_guard<std::mutex> l(mu);
    int n = 0;
    for (const auto& m : seen) n += m.msg == msg;
    return n;
  }
  std::string identity;
  bool hang;
  std::string name;
  std::mutex mu;
  std::condition_variable cv;
  bool released = false;
  std::vector<plat::ipc::Message> seen;
  std::unique_ptr<plat::ipc::Endpoint> ep;
};

obel::MsgWndClient::Config fakeConfig(const std::string& name, int timeoutMs = 5000) {
  obel::MsgWndClient::Config c;
  c.endpoint = name;
  c.programPath = [] { return std::string(); };
  c.sendTimeoutMs = timeoutMs;
  c.closePolls = 3;
  c.closePollMs = 10;
  return c;
}

TEST(MsgWndClient, AWindowThatIsNotTheMessageWindowIsNeverWrittenTo) {
  FakeWindow w("SOMETHING");
  ASSERT_TRUE(w.ep);
  obel::MsgWndClient client(fakeConfig(w.name));
  EXPECT_EQ(client.appendLine("secret"), 0);
  EXPECT_EQ(w.count(msgwnd::kAppendLine), 0);
  EXPECT_GE(w.count(msgwnd::kIdentify), 1);
}

TEST(MsgWndClient, AHungPeerGivesATimeOut) {
  FakeWindow w("MESSAGES", true);
  ASSERT_TRUE(w.ep);
  obel::MsgWndClient client(fakeConfig(w.name, 200));
  EXPECT_EQ(client.appendLine("x"), 0);
  EXPECT_FALSE(client.holdsWindow());
  EXPECT_EQ(client.close(), 1);  // a window that does not answer counts as none
  w.release();
}

TEST(MsgWndClient, SeveralThreadsShareOneClient) {
  FakeWindow w("MESSAGES");
  ASSERT_TRUE(w.ep);
  obel::MsgWndClient client(fakeConfig(w.name));
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) ok += client.appendLine(("t" + std::to_string(t) + " " + std::to_string(i)).c_str());
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok.load(), 100);
  EXPECT_EQ(w.count(msgwnd::kAppendLine), 100);
}

} // namespace
