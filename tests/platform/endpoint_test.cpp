#include "platform/endpoint.h"
#include "platform/handles.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat::ipc;

namespace {

std::string uniqueEndpoint(const std::string& stem) { return plattest::uniqueName("PlatTest " + stem); }

bool fileExists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

TEST(Endpoint, RuntimeDirIsPrivate) {
  std::string dir = runtimeDir();
  ASSERT_FALSE(dir.empty());
  struct stat st;
  ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, ::geteuid());
}

// Changes ZERLO_RUNTIME_DIR for one test. Tests run one per process (ctest), so
// the environment is not shared with other tests at the same time.
class RuntimeDirOverride {
public:
  explicit RuntimeDirOverride(const std::string& dir) {
    const char* old = std::getenv("ZERLO_RUNTIME_DIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("ZERLO_RUNTIME_DIR", dir.c_str(), 1);
  }
  ~RuntimeDirOverride() {
    if (had_) ::setenv("ZERLO_RUNTIME_DIR", old_.c_str(), 1);
    else ::unsetenv("ZERLO_RUNTIME_DIR");
  }
private:
  bool had_ = false;
  std::string old_;
};

TEST(Endpoint, UnsafeRuntimeDirIsRefused) {
  plattest::TempDir t;
  std::string open = t / "open";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0755), 0);   // others may enter
  {
    RuntimeDirOverride o(open);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runtimeDir(), "");
    EXPECT_EQ(Endpoint::create(uniqueEndpoint("unsafe"), nullptr), nullptr);
    EXPECT_FALSE(send(uniqueEndpoint("unsafe"), Message{}, 100).has_value());
    testing::internal::GetCapturedStderr();
  }
  std::string fresh = t / "fresh";
  {
    RuntimeDirOverride o(fresh);
    EXPECT_EQ(runtimeDir(), fresh);   // created private
    struct stat st;
    ASSERT_EQ(::lstat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
}

TEST(Endpoint, SendGetsTheAnswerPostDelivers) {
  std::string name = uniqueEndpoint("Server|Main");
  std::mutex mu;
  std::condition_variable cv;
  std::vector<Message> got;
  auto ep = Endpoint::create(name, [&](const Message& m) {
    std::lock_guard<std::mutex> lk(mu);
    got.push_back(m);
    cv.notify_all();
    return Answer{m.wParam + m.lParam, "re:" + m.text};
  });
  ASSERT_NE(ep, nullptr);
  EXPECT_EQ(ep->name(), name);
  EXPECT_GE(ep->id(), plat::handles::kClaimedBase);
  EXPECT_LE(ep->id(), plat::handles::kClaimedLast);
  EXPECT_TRUE(exists(name));
  EXPECT_EQ(nameOfId(ep->id()), name);

  Message m;
  m.msg = 0x8001;
  m.wParam = -5;
  m.lParam = std::int64_t(1) << 40;
  m.text = "hello";
  m.sender = 77;
  auto a = send(name, m, 5000);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->result, -5 + (std::int64_t(1) << 40));
  EXPECT_EQ(a->text, "re:hello");

  // Names are found ignoring case; the text may hold any byte.
  std::string upper;
  for (char c : name) upper.push_back(char(std::toupper(static_cast<unsigned char>(c))));
  m.text = std::string("\0\xff\n", 3);
  a = send(upper, m, 5000);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->text, "re:" + m.text);

  // Text of exactly the limit travels; one more is refused, never cut.
  m.text = std::string(kMaxText, 'x');
  a = send(name, m, 5000);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->text.size(), kMaxText + 3);
  m.text.push_back('y');
  EXPECT_FALSE(send(name, m, 5000).has_value());
  EXPECT_FALSE(post(name, m));

  m.text = "posted";
  m.msg = 9;
  EXPECT_TRUE(post(name, m));
  {
    std::unique_lock<std::mutex> lk(mu);
    ASSERT_TRUE(cv.wait_for(lk, std::chrono::seconds(10), [&] { return got.size() == 4; }));
    EXPECT_EQ(got[0].msg, 0x8001u);
    EXPECT_EQ(got[0].sender, 77u);
    EXPECT_EQ(got[0].lParam, std::int64_t(1) << 40);
    EXPECT_EQ(got[3].msg, 9u);
    EXPECT_EQ(got[3].text, "posted");
  }
  std::uint32_t id = ep->id();
  std::string sock = socketPath(name);
  EXPECT_TRUE(fileExists(sock));
  ep->close();
  EXPECT_FALSE(fileExists(sock));
  EXPECT_FALSE(exists(name));
  EXPECT_EQ(nameOfId(id), "");
  EXPECT_FALSE(send(name, m, 1000).has_value());
  EXPECT_FALSE(post(name, m));
}

TEST(Endpoint, SecondLiveEndpointOfTheSameNameIsRefused) {
  std::string name = uniqueEndpoint("twice");
  auto a = Endpoint::create(name, nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Endpoint::create(name, nullptr), nullptr);
  auto other = Endpoint::create(name + "x", nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other->id(), a->id());
  auto all = liveEndpoints();
  int mine = 0;
  for (auto& [id, n] : all) mine += (id == a->id() && n == name) || (id == other->id() && n == name + "x");
  EXPECT_EQ(mine, 2);
  a.reset();                     // the destructor closes
  auto again = Endpoint::create(name, nullptr);
  EXPECT_NE(again, nullptr);
  // No handler: the answer is 0.
  auto r = send(name, Message{}, 5000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 0);
}

TEST(Endpoint, LongNamesAreHashedToFitTheSocketAddress) {
  std::string name = uniqueEndpoint(std::string(300, 'n') + "/\\:*?");
  auto ep = Endpoint::create(name, [](const Message& m) { return Answer{int(m.msg), {}}; });
  ASSERT_NE(ep, nullptr);
  EXPECT_LT(socketPath(name).size(), sizeof(sockaddr_un{}.sun_path));
  Message m;
  m.msg = 5;
  auto r = send(name, m, 5000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 5);
  EXPECT_EQ(nameOfId(ep->id()), name);
}

TEST(Endpoint, HungHandlerGivesATimeoutNotAHang) {
  std::string name = uniqueEndpoint("hung");
  std::mutex mu;
  std::condition_variable cv;
  bool release = false;
  auto ep = Endpoint::create(name, [&](const Message&) {
    std::unique_lock<std::mutex> lk(mu);
    cv.wait_for(lk, std::chrono::seconds(60), [&] { return release; });
    return Answer{1, {}};
  });
  ASSERT_NE(ep, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(send(name, Message{}, 200).has_value());
  EXPECT_FALSE(send(name, Message{}, 200).has_value());   // queued behind the hung one
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  {
    std::lock_guard<std::mutex> lk(mu);
    release = true;
  }
  cv.notify_all();
  ep->close();   // joins once the handler has returned
}

TEST(Endpoint, ThrowingHandlerAndGarbageDoNotStopTheEndpoint) {
  std::string name = uniqueEndpoint("robust");
  auto ep = Endpoint::create(name, [](const Message& m) -> Answer {
    if (m.msg == 1) throw std::runtime_error("bad");
    return Answer{2, "ok"};
  });
  ASSERT_NE(ep, nullptr);
  testing::internal::CaptureStderr();
  Message bad;
  bad.msg = 1;
  auto r = send(name, bad, 5000);
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 0);
  // Raw garbage and a frame claiming a too long text.
  for (std::string junk : {std::string("garbage"), std::string(64, '\xff'),
                           std::string("ZMQ1\x01\0\0\0", 8) + std::string(24, '\0') + std::string("\xff\xff\0\0", 4)}) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string p = socketPath(name);
    std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::send(fd, junk.data(), junk.size(), MSG_NOSIGNAL), ssize_t(junk.size()));
    ::close(fd);
  }
  Message ok;
  ok.msg = 2;
  r = send(name, ok, 5000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 2);
  EXPECT_EQ(r->text, "ok");
}

TEST(Endpoint, SilentPeersDoNotHoldTheEndpoint) {
  std::string name = uniqueEndpoint("silent");
  auto ep = Endpoint::create(name, [](const Message& m) -> Answer { return Answer{std::int64_t(m.msg), ""}; });
  ASSERT_NE(ep, nullptr);
  // Three peers connect and send nothing (and keep their connections open).
  std::vector<int> silent;
  for (int i = 0; i < 3; ++i) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string p = socketPath(name);
    std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    silent.push_back(fd);
  }
  // A real request behind them is answered within the time-out (each silent
  // peer held the endpoint 2 s before).
  Message m;
  m.msg = 7;
  auto r = send(name, m, 1800);
  ASSERT_TRUE(r.has_value()) << "the request waited behind the silent peers";
  EXPECT_EQ(r->result, 7);
  for (int fd : silent) ::close(fd);
}

// Peers that stall in the middle of a frame - after connecting, inside the
// header, inside the text - cost only their own connections: twenty of them
// delay a real request by far less than half a second (each held the single
// serving thread for 250 ms before).
TEST(Endpoint, TwentyStalledPeersDelayARealRequestByLessThanHalfASecond) {
  std::string name = uniqueEndpoint("stalled");
  auto ep = Endpoint::create(name, [](const Message& m) -> Answer { return Answer{std::int64_t(m.msg), m.text}; });
  ASSERT_NE(ep, nullptr);
  Message whole;
  whole.msg = 9;
  whole.text = "MODE";
  // A frame as a sender writes it (the request layout of the endpoint's
  // wire), from which each stalled peer sends a part.
  const std::string frame = [&] {
    std::string f(36, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) f[at + i] = char(v >> (8 * i));
    };
    put32(0, 0x31514D5Au);   // "ZMQ1"
    f[4] = 1;                // a send
    put32(8, whole.msg);
    put32(32, std::uint32_t(whole.text.size()));
    return f + whole.text;
  }();
  const std::size_t cuts[] = {0, 1, 20, 35, 36, 38};
  std::vector<int> stalled;
  for (int i = 0; i < 20; ++i) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string p = socketPath(name);
    std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::size_t cut = cuts[i % std::size(cuts)];
    if (cut) ASSERT_EQ(::send(fd, frame.data(), cut, MSG_NOSIGNAL), ssize_t(cut));
    stalled.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  for (int round = 0; round < 3; ++round) {
    auto r = send(name, whole, 500);
    ASSERT_TRUE(r.has_value()) << "the request waited behind the stalled peers";
    EXPECT_EQ(r->result, 9);
    EXPECT_EQ(r->text, "MODE");
  }
  // A stalled peer that completes its frame later is still answered.
  ASSERT_EQ(::send(stalled[1], frame.data() + 1, frame.size() - 1, MSG_NOSIGNAL), ssize_t(frame.size() - 1));
  pollfd pf{stalled[1], POLLIN, 0};
  EXPECT_EQ(::poll(&pf, 1, 5000), 1);
  for (int fd : stalled) ::close(fd);
}

TEST(Endpoint, DeadPeerIsNoAnswerAndItsSocketIsRemoved) {
  std::string name = uniqueEndpoint("dead");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    auto ep = Endpoint::create(name, [](const Message&) { return Answer{1, {}}; });
    std::uint32_t id = ep ? ep->id() : 0;
    (void)!::write(ready[1], &id, sizeof id);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  std::uint32_t childId = 0;
  ASSERT_EQ(::read(ready[0], &childId, sizeof childId), ssize_t(sizeof childId));
  ::close(ready[0]);
  ASSERT_NE(childId, 0u);
  EXPECT_EQ(nameOfId(childId), name);   // an endpoint of another process
  auto r = send(name, Message{}, 5000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 1);

  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::string sock = socketPath(name);
  EXPECT_TRUE(fileExists(sock));        // left behind by the killed process
  EXPECT_FALSE(send(name, Message{}, 5000).has_value());
  EXPECT_FALSE(fileExists(sock));       // removed as stale
  EXPECT_EQ(nameOfId(childId), "");

  // A socket bound but never listened on is stale: exists() removes it, and
  // a new endpoint of the name takes it over.
  auto makeStale = [&] {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, sock.c_str(), sock.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
  };
  makeStale();
  EXPECT_FALSE(exists(name));
  EXPECT_FALSE(fileExists(sock));
  makeStale();
  auto ep = Endpoint::create(name, [](const Message&) { return Answer{3, {}}; });
  ASSERT_NE(ep, nullptr);
  r = send(name, Message{}, 5000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 3);
}

TEST(Endpoint, ManySendersAtOnce) {
  std::string name = uniqueEndpoint("many");
  std::atomic<int> handled{0};
  auto ep = Endpoint::create(name, [&](const Message& m) {
    ++handled;
    return Answer{m.wParam * 2, {}};
  });
  ASSERT_NE(ep, nullptr);
  std::vector<std::thread> threads;
  std::atomic<int> right{0};
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        Message m;
        m.wParam = t * 1000 + i;
        auto r = send(name, m, 10000);
        if (r && r->result == m.wParam * 2) ++right;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(right.load(), 400);
  EXPECT_EQ(handled.load(), 400);
}

TEST(Endpoint, HandlersMaySendToThemselvesAndBackWithoutDeadlock) {
  std::string a = uniqueEndpoint("ping"), b = uniqueEndpoint("pong");
  // a: message 1 asks b, which asks a again with message 2; message 3 sends to itself.
  auto epA = Endpoint::create(a, [&](const Message& m) -> Answer {
    if (m.msg == 1) {
      Message q;
      q.msg = 10;
      auto r = send(b, q, 5000);
      return Answer{r ? r->result + 1 : -1, {}};
    }
    if (m.msg == 2) return Answer{100, {}};
    if (m.msg == 3) {
      Message q;
      q.msg = 2;
      auto r = send(a, q, 5000);
      return Answer{r ? r->result + 3 : -1, {}};
    }
    return Answer{};
  });
  auto epB = Endpoint::create(b, [&](const Message&) -> Answer {
    Message q;
    q.msg = 2;
    auto r = send(a, q, 5000);
    return Answer{r ? r->result + 10 : -1, {}};
  });
  ASSERT_NE(epA, nullptr);
  ASSERT_NE(epB, nullptr);
  Message m;
  m.msg = 1;
  auto r = send(a, m, 10000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 111);
  m.msg = 3;
  r = send(a, m, 10000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->result, 103);
}

TEST(Endpoint, EndpointName) {
  EXPECT_EQ(endpointName("ZerloMain", "Project 1"), "ZerloMain|Project 1");
}

} // namespace
