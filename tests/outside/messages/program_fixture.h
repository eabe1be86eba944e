#pragma once
// The message window program as a second process, for the program tests.
#include "messages/messages.h"
#include "obeltool/msgwnd_protocol.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testprog {

inline std::string uniqueDir() {
  static std::atomic<int> n{0};
  std::string d = testing::TempDir() + "messages_" + std::to_string(::getpid()) + "_" + std::to_string(n++);
  std::filesystem::remove_all(d);
  std::filesystem::create_directories(d);
  return d;
}

inline std::string readAll(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline plat::ipc::Message msg(std::uint32_t n, std::int64_t w = 0, std::int64_t l = 0, std::string text = "") {
  plat::ipc::Message m;
  m.msg = n;
  m.wParam = w;
  m.lParam = l;
  m.text = std::move(text);
  return m;
}

// The program as a second process.
class Program : public testing::Test {
protected:
  void SetUp() override {
    dir = uniqueDir();
    static std::atomic<int> n{0};
    endpoint = "ztest-messages-" + std::to_string(::getpid()) + "-" + std::to_string(n++);
    log = dir + "/events.log";
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(dir);
  }
  pid_t start(std::vector<std::string> extra = {}) {
    bool window = std::find(extra.begin(), extra.end(), "--window") != extra.end();
    std::vector<std::string> args = {std::string(ZERLO_BIN_DIR) + "/MESSAGES", "--log", log, "--endpoint", endpoint};
    if (!window) args.push_back("--headless");
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t p = -1;
    if (::posix_spawn(&p, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return p;
  }
  bool waitFor(std::function<bool()> cond) {
    for (int i = 0; i < 400; ++i) {  // up to 20 s on a loaded machine
      if (cond()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  // The exit status, or -1 when the program did not end in time.
  int waitExit(pid_t p) {
    int st = 0;
    bool done = waitFor([&] { return ::waitpid(p, &st, WNOHANG) == p; });
    if (!done) return -1;
    if (p == pid) pid = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 100 + WTERMSIG(st);
  }
  // A stand-in owner: a process that sleeps until it is killed.
  static pid_t startOwner() {
    const char* argv[] = {"/bin/sleep", "60", nullptr};
    pid_t p = -1;
    if (::posix_spawn(&p, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
    return p;
  }
  // The program with an owner: it ends once the owner is killed, even while
  // the owner is not yet reaped (a zombie).
  void expectEndsWithItsOwner(std::vector<std::string> extra) {
    pid_t owner = startOwner();
    ASSERT_GT(owner, 0);
    extra.push_back("--owner");
    extra.push_back(std::to_string(owner));
    pid = start(extra);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor([&] { return plat::ipc::exists(endpoint); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "it runs while its owner runs";
    ::kill(owner, SIGKILL);
    EXPECT_EQ(waitExit(pid), 0);
    EXPECT_FALSE(plat::ipc::exists(endpoint));
    ::waitpid(owner, nullptr, 0);
  }
  std::string dir, endpoint, log;
  pid_t pid = -1;
};

} // namespace testprog
