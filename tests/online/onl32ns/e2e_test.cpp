// The whole road across processes, without a display: the named server is
// started as its own process with /n and /c, a client logs in, checks the
// interface, fetches the target's description, a program compiled by the code
// generator is downloaded and runs in the software PLC, its values are watched
// through the server, and the server closes with the last client. Also a
// second start that hands over, and a killed server.
#include "cglink30/cglink30.h"
#include "private_runtime_dir.h"
#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "srvclient/client.h"
#include "srvclient/launch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBin = ZERLO_BIN_DIR;
// A task that adds PW150 (3) to DW5 in every cycle.
const char* const kProgram = ";\n&BEG\n T_ms  : 10\n Li_Nr : 1;\n"
                             "          &ADDW\n             : DW5\n             : PW150\n             : DW5\n"
                             ";\n&END\n Li_Nr : 1;\n#PW150 = 3\n";

struct ServerE2E : ::testing::Test {
  fs::path dir;
  std::string name;
  std::string config;
  std::string endpoint;

  void SetUp() override {
    static std::atomic<int> n{0};
    const std::string unique = std::to_string(getpid()) + "-" + std::to_string(n++);
    dir = fs::path(::testing::TempDir()) / ("onl32ns-e2e-" + unique);
    fs::create_directories(dir);
    name = "E2E-" + unique;
    // The configuration the server gets with /c: the interface settings of the
    // program directory plus the driver of this server name.
    config = (dir / "INTERFACE.INI").string();
    std::string base;
    plat::path::readFile(kBin + "/INTERFACE.INI", base);
    ASSERT_TRUE(plat::path::writeFileAtomic(config, base));
    ASSERT_TRUE(plat::profile::writeString(config, name, "driver", "ZerloRuntime.dll"));
    ASSERT_TRUE(plat::profile::writeString(config, "SETTINGS", "CYCLETIME", "10"));
  }
  void TearDown() override {
    if (!endpoint.empty()) {
      srv::shutdown(endpoint);
      // A server that did not end is a failure, and is not left behind.
      const pid_t pid = serverPid(endpoint);
      if (pid > 0) {
        for (int i = 0; i < 100 && alive(pid); ++i) std::this_thread::sleep_for(50ms);
        if (alive(pid)) {
          ADD_FAILURE() << "the server " << endpoint << " did not end; killed";
          ::kill(pid, SIGKILL);
        }
      }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // A process that has not ended (a child that ended is reaped here).
  static bool alive(pid_t pid) {
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
  }

  // The process that owns an endpoint, through its id file (0 when none).
  static pid_t serverPid(const std::string& ep) {
    pid_t pid = 0;
    for (const auto& e : fs::directory_iterator(plat::ipc::runtimeDir())) {
      if (e.path().extension() != ".id") continue;
      std::ifstream f(e.path());
      std::string pidLine, owner;
      std::getline(f, pidLine);
      std::getline(f, owner);
      if (owner == ep) pid = static_cast<pid_t>(std::atol(pidLine.c_str()));
    }
    return pid;
  }

  // Starts a server process with the name and configuration; its pid.
  pid_t spawnServer() {
    std::string prog = kBin + "/ONL32NS", a1 = "/n" + name, a2 = "/c" + config;
    std::vector<char*> argv{prog.data(), a1.data(), a2.data(), nullptr};
    pid_t pid = fork();
    if (pid == 0) {
      execv(prog.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }
  // Waits (bounded, about 10 s) for a server process to end; its exit code,
  // or -1 (it is killed then).
  static int waitServer(pid_t pid) {
    if (pid < 0) return -1;
    for (int i = 0; i < 200; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        ADD_FAILURE() << "the server ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        return -1;
      }
      std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  // Runs a second server process and waits for it to end.
  int runServerProgram() { return waitServer(spawnServer()); }

  std::string start() {
    return srv::findOrStart(kBin + "/ONL32NS.EXE", name, config);
  }

  // Compiles target program text with the code generator against a device
  // description; the download file's path, or "" with the messages in `why`.
  std::string compile(const std::string& ddf, std::string& why, const char* program = kProgram) {
    auto h = plat::lib::load("CGLINK30.DLL", kBin);
    if (!h) {
      why = plat::lib::lastError();
      return {};
    }
    std::string text = (dir / "PROG.Q").string();
    std::ofstream(text) << program;
    std::vector<std::string> args = {kBin + "/cglink30.so", text, (dir / "PROG.LST").string(), ddf,
                                     (dir / "PROG.MVL").string(), (dir / "PROG.ERR").string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    auto link = plat::lib::symbolAs<link_advmain_t>(h, "link_advmain");
    CgAdvResult res{};
    int ok = link ? link(static_cast<int>(argv.size()), argv.data(), &res) : 0;
    plat::path::readFile(args[5], why);
    plat::lib::unload(h);
    return ok == 1 && res.errors == 0 ? args[4] : std::string();
  }
};

TEST_F(ServerE2E, DownloadRunsAndIsWatchedThroughTheServer) {
  // A window of ours that receives the download's progress notices.
  std::mutex mu;
  std::vector<int> progress;
  const std::string myName = plat::ipc::endpointName("E2EClient", name);
  auto me = plat::ipc::Endpoint::create(myName, [&](const plat::ipc::Message& m) {
    std::lock_guard<std::mutex> lock(mu);
    if (m.msg == 1025) progress.push_back(static_cast<int>(m.wParam));
    return plat::ipc::Answer{};
  });
  ASSERT_TRUE(me);

  endpoint = start();
  ASSERT_FALSE(endpoint.empty()) << "the server did not start";
  srv::Client c(endpoint, me->id());
  const std::string id = std::to_string(me->id());

  EXPECT_EQ(c.command("LOGIN", id), 1);
  // As the target dialogs test the connection: read the mode, then ask for
  // CHECK. The server answers only once its online library is ready.
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Stop");
  EXPECT_EQ(c.command("MODE", "CHECK"), 1) << "mode " << c.query("MODE").value_or("-") << ", error "
                                            << c.query("ERROR").value_or("-");
  const std::string ddf = (dir / "TARGET.ATT").string();
  ASSERT_EQ(c.command("IDENT", ddf), 1);
  ASSERT_TRUE(fs::exists(ddf));

  std::string why;
  const std::string dlf = compile(ddf, why);
  ASSERT_FALSE(dlf.empty()) << why;

  EXPECT_EQ(c.command("LOAD", dlf + "," + id + ",1025,PROJ 10.12.26 14:05:09 1234 FF"), 1);
  EXPECT_EQ(c.query("LOADOK").value_or("<none>"), "1");
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
  EXPECT_EQ(c.query("PROGINFO").value_or("<none>"), "PROJ     10.12.26 14:05:09 1234 ffh");
  {
    // Progress came as notices, rising, ending at 99.
    std::this_thread::sleep_for(200ms);
    std::lock_guard<std::mutex> lock(mu);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 1);
    EXPECT_EQ(progress.back(), 99);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  }

  EXPECT_EQ(c.command("COMM", "ON"), 1);
  auto first = c.query("DW5");
  EXPECT_FALSE(first.has_value());  // "???": entered into the watch list only
  std::optional<std::string> v1, v2, t1, t2;
  for (int i = 0; i < 100 && !v1; ++i) {
    std::this_thread::sleep_for(50ms);
    v1 = c.query("DW5");
    t1 = c.query("TIME");
  }
  ASSERT_TRUE(v1.has_value());
  std::this_thread::sleep_for(300ms);
  v2 = c.query("DW5");
  t2 = c.query("TIME");
  ASSERT_TRUE(v2 && t1 && t2);
  EXPECT_GT(std::stol(*v2), std::stol(*v1));
  EXPECT_GT(std::stoul(*t2), std::stoul(*t1));
  auto size = c.query("SIZE_DW");
  ASSERT_TRUE(size.has_value());
  EXPECT_GT(std::stoul(*size), 0u);

  // A second start of the same server hands over to it and ends.
  EXPECT_EQ(runServerProgram(), 0);
  EXPECT_TRUE(c.query("VERS").has_value());

  // The last client logs out: the server closes.
  EXPECT_EQ(c.command("LOGOUT", id), 1);
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    std::this_thread::sleep_for(50ms);
    gone = !plat::ipc::exists(endpoint);
  }
  EXPECT_TRUE(gone);
  endpoint.clear();
}

// The main program's road twice and an online off/on in one server session:
// each start logs in, tests the interface (MODE query, CHECK, the mode read
// before), fetches the description, downloads and goes online; going offline
// resets the target. The server and the last program stay all the way.
TEST_F(ServerE2E, TwoDownloadsAndAnOnlineOffOnKeepTheServerAndTheNewProgram) {
  endpoint = start();
  ASSERT_FALSE(endpoint.empty()) << "the server did not start";
  const pid_t pid = serverPid(endpoint);
  ASSERT_GT(pid, 0);
  srv::Client c(endpoint);
  const std::string id = "4242";
  const std::string ddf = (dir / "TARGET.ATT").string();
  auto startCommand = [&](const std::string& ident) {
    EXPECT_EQ(c.command("LOGIN", id), 1);
    const std::string before = c.query("MODE").value_or("");
    EXPECT_EQ(c.command("MODE", "CHECK"), 1);
    if (!before.empty()) EXPECT_EQ(c.command("MODE", before), 1) << before;
    ASSERT_EQ(c.command("IDENT", ddf), 1);
    std::string why;
    const std::string dlf = compile(ddf, why);
    ASSERT_FALSE(dlf.empty()) << why;
    EXPECT_EQ(c.command("LOAD", dlf + ",0,0," + ident + " 10.12.26 14:05:09 1234 FF"), 1);
    EXPECT_EQ(c.command("COMM", "ON"), 1);
  };
  auto serverStays = [&](const char* after) {
    SCOPED_TRACE(after);
    std::this_thread::sleep_for(300ms);   // a close would have been posted by now
    EXPECT_TRUE(alive(pid));
    EXPECT_TRUE(plat::ipc::exists(endpoint));
  };
  startCommand("FIRST");
  serverStays("the first download");
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
  startCommand("SECOND");
  serverStays("the second download");
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
  EXPECT_EQ(c.query("PROGINFO").value_or("<none>"), "SECOND   10.12.26 14:05:09 1234 ffh");
  // Online off, then on again.
  EXPECT_EQ(c.command("COMM", "OFF"), 1);
  EXPECT_EQ(c.command("MODE", "RESET"), 1);
  serverStays("online off");
  EXPECT_EQ(c.command("COMM", "ON"), 1);
  serverStays("online on");
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Reset");
  EXPECT_EQ(c.query("PROGINFO").value_or("<none>"), "SECOND   10.12.26 14:05:09 1234 ffh");
  // The program starts again as the next start command would.
  EXPECT_EQ(c.command("MODE", "ONLINE"), 1);
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
  EXPECT_EQ(c.command("LOGOUT", id), 1);
  for (int i = 0; i < 100 && alive(pid); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(alive(pid));
  endpoint.clear();
}

// A description that the target no longer gives: the software PLC placed
// its memory by other resources when the description was fetched, and by its
// own list again when the interface was re-opened since. A download
// translated against the fetched description is refused before the target
// changes, and goes through once the description was fetched again.
TEST_F(ServerE2E, ADownloadForADescriptionTheTargetNoLongerGivesIsRefused) {
  endpoint = start();
  ASSERT_FALSE(endpoint.empty()) << "the server did not start";
  srv::Client c(endpoint);
  const std::string ddf = (dir / "TARGET.ATT").string();
  std::string res;
  ASSERT_TRUE(plat::path::readFile(kBin + "/default.res", res));
  const auto dw = res.find("Name=DW\nNum=10000");
  ASSERT_NE(dw, std::string::npos);
  res.replace(dw, 18, "Name=DW\nNum=12000");
  const std::string other = (dir / "OTHER.RES").string();
  ASSERT_TRUE(plat::path::writeFileAtomic(other, res));

  EXPECT_EQ(c.command("MODE", "CHECK"), 1);
  ASSERT_EQ(c.command("IDENT", ddf), 1);
  ASSERT_EQ(c.command("RESOURCES", other + "," + ddf), 1);
  std::string why;
  const std::string dlf = compile(ddf, why);
  ASSERT_FALSE(dlf.empty()) << why;
  // Right after RESOURCES the description is the target's.
  EXPECT_EQ(c.command("LOAD", dlf + ",0,0"), 1);
  EXPECT_EQ(c.command("MODE", "CHECK"), 1);          // the interface re-opened: its own list again
  EXPECT_EQ(c.command("LOAD", dlf + ",0,0"), 0);
  EXPECT_EQ(c.query("LOADOK").value_or("<none>"), "2");
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Stop");   // never switched to LOAD
  // Fetched again, the description is the target's, and the download goes.
  std::string before, now;
  ASSERT_TRUE(plat::path::readFile(ddf, before));
  ASSERT_EQ(c.command("IDENT", ddf), 1);
  ASSERT_TRUE(plat::path::readFile(ddf, now));
  EXPECT_NE(before, now);
  const std::string again = compile(ddf, why);
  ASSERT_FALSE(again.empty()) << why;
  EXPECT_EQ(c.command("LOAD", again + ",0,0"), 1);
  EXPECT_EQ(c.query("MODE").value_or("<none>"), "Online");
}

// A client process killed while logged in does not keep the server: its id
// names an endpoint that is gone, and the server ends as after its LOGOUT.
TEST_F(ServerE2E, AKilledClientDoesNotKeepTheServer) {
  endpoint = start();
  ASSERT_FALSE(endpoint.empty()) << "the server did not start";
  const pid_t server = serverPid(endpoint);
  ASSERT_GT(server, 0);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t client = fork();
  if (client == 0) {
    ::close(ready[0]);
    auto me = plat::ipc::Endpoint::create(plat::ipc::endpointName("E2EDying", name),
                                          [](const plat::ipc::Message&) { return plat::ipc::Answer{}; });
    srv::Client c(endpoint, me ? me->id() : 0);
    char ok = (me && c.command("LOGIN", std::to_string(me->id())) == 1) ? 1 : 0;
    (void)!::write(ready[1], &ok, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(ok, 1);
  ::kill(client, SIGKILL);
  ::waitpid(client, nullptr, 0);
  for (int i = 0; i < 100 && alive(server); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(alive(server)) << "the dead client kept the server";
  endpoint.clear();
}

TEST_F(ServerE2E, KilledServerIsNoAnswerAndItsEndpointIsCleanedUp) {
  endpoint = start();
  ASSERT_FALSE(endpoint.empty());
  srv::Client c(endpoint);
  ASSERT_TRUE(c.query("VERS").has_value());
  // Find the server's process through its endpoint id file and kill it.
  const std::string idName = plat::ipc::socketPath(endpoint);
  const pid_t pid = serverPid(endpoint);
  ASSERT_GT(pid, 0);
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  std::this_thread::sleep_for(200ms);
  srv::ClientTimeouts t;
  t.busyTotalMs = 2000;
  t.requestMs = 2000;
  c.setTimeouts(t);
  srv::Status st = srv::Status::Ok;
  EXPECT_FALSE(c.query("VERS", &st).has_value());
  EXPECT_EQ(st, srv::Status::NoServer);
  EXPECT_FALSE(plat::ipc::exists(endpoint));
  EXPECT_FALSE(fs::exists(idName));
  endpoint.clear();
}

TEST_F(ServerE2E, TwoServersStartedAtOnceLeaveOneThatServesAndOneThatHandsOver) {
  endpoint = srv::serverEndpoint(srv::kServerClass, name);
  const pid_t a = spawnServer();
  const pid_t b = spawnServer();
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  // One of them hands over and ends with 0; the other serves.
  pid_t ended = 0;
  int code = -1;
  for (int i = 0; i < 400 && !ended; ++i) {
    for (pid_t p : {a, b}) {
      int status = 0;
      if (!ended && waitpid(p, &status, WNOHANG) == p) {
        ended = p;
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    if (!ended) std::this_thread::sleep_for(25ms);
  }
  ASSERT_NE(ended, 0) << "neither start ended";
  EXPECT_EQ(code, 0) << "the second start hands over instead of failing";
  const pid_t serving = ended == a ? b : a;
  EXPECT_TRUE(plat::ipc::exists(endpoint));
  srv::Client c(endpoint);
  EXPECT_TRUE(c.query("VERS").has_value());
  srv::shutdown(endpoint);
  endpoint.clear();
  EXPECT_EQ(waitServer(serving), 0);
}

// MODE=TEST opens the software PLC's diagnosis window in the server's
// process: with a display on the server's GUI thread, headless not at all.
// Either way the last logout ends the server within its bound.
TEST_F(ServerE2E, TheServerEndsWithTheDiagnosisOpenWithOrWithoutADisplay) {
  const char* had = std::getenv("QT_QPA_PLATFORM");
  const std::string old = had ? had : "";
  for (bool display : {true, false}) {
    SCOPED_TRACE(display ? "display" : "headless");
    if (display) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    else ::setenv("QT_QPA_PLATFORM", "", 1);
    endpoint = srv::serverEndpoint(srv::kServerClass, name);
    const pid_t pid = spawnServer();
    ASSERT_GT(pid, 0);
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
      std::this_thread::sleep_for(50ms);
      up = plat::ipc::exists(endpoint);
    }
    ASSERT_TRUE(up) << "the server did not start";
    srv::Client c(endpoint);
    EXPECT_EQ(c.command("LOGIN", "77"), 1);
    EXPECT_EQ(c.command("MODE", "TEST"), 1);
    std::this_thread::sleep_for(300ms);   // the diagnosis opens
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(c.command("LOGOUT", "77"), 1);
    EXPECT_EQ(waitServer(pid), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 4s);
    endpoint.clear();
  }
  if (had) ::setenv("QT_QPA_PLATFORM", old.c_str(), 1);
  else ::unsetenv("QT_QPA_PLATFORM");
}

TEST_F(ServerE2E, TheTestProcessUsesAPrivateEndpointDirectory) {
  const char* dirEnv = std::getenv("ZERLO_RUNTIME_DIR");
  ASSERT_NE(dirEnv, nullptr);
  EXPECT_EQ(std::string(dirEnv), zerlotest::privateRuntimeDir->dir());
  EXPECT_EQ(plat::ipc::runtimeDir(), zerlotest::privateRuntimeDir->dir());
}

} // namespace
