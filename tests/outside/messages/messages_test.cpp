// The message window program: its handling of the protocol, its event log,
// and the program itself started as a second process.
#include "program_fixture.h"
#include "messages/messages.h"
#include "obeltool/msgwnd_protocol.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>


namespace {

using namespace testprog;

struct RecordingView : messages::View {
  std::vector<std::string> calls;
  void appendLine(const std::string& t) override { calls.push_back("line " + t); }
  void clear() override { calls.push_back("clear"); }
  void showProgress(bool s) override { calls.push_back(std::string("show ") + (s ? "1" : "0")); }
  void initProgress(std::int64_t a, std::int64_t b) override { calls.push_back("init " + std::to_string(a) + " " + std::to_string(b)); }
  void setProgress(std::int64_t p) override { calls.push_back("pos " + std::to_string(p)); }
  void closeRequested() override { calls.push_back("close"); }
};

TEST(MessagesHandler, AnswersAndEvents) {
  std::string dir = uniqueDir();
  std::string log = dir + "/log", file = dir + "/f.txt";
  { std::ofstream(file) << "one\r\ntwo\n\nfour"; }
  messages::EventLog el;
  ASSERT_TRUE(el.open(log));
  RecordingView view;
  messages::Handler h(&view, &el);
  auto id = h.handle(msg(msgwnd::kIdentify));
  EXPECT_NE(id.result & 0xFFFF, 0);
  EXPECT_EQ(id.text, "MESSAGES");
  EXPECT_EQ(h.handle(msg(msgwnd::kAppendLine, 0, 6, "a\nline")).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kAppendFile, 0, 0, file)).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kAppendFile, 0, 0, dir + "/none")).result, 0);
  EXPECT_EQ(h.handle(msg(msgwnd::kAppendFile, 0, 0, "")).result, 0);
  EXPECT_EQ(h.handle(msg(msgwnd::kEmpty)).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kShowProgBar, 5)).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kInitProgBar, -1, 99)).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kSetProgBar, 7)).result, 1);
  EXPECT_EQ(h.handle(msg(9999)).result, 0);
  EXPECT_EQ(h.handle(msg(msgwnd::kClose)).result, 1);
  EXPECT_EQ(readAll(log), "LINE a line\nFILE " + file + "\nFILELINE one\nFILELINE two\nFILELINE \nFILELINE four\n"
                          "FILE " + dir + "/none UNREADABLE\nFILE  UNREADABLE\nEMPTY\nPROGBAR SHOW 1\n"
                          "PROGBAR INIT -1 99\nPROGBAR POS 7\nCLOSE\n");
  std::vector<std::string> want = {"line a\nline", "line one", "line two", "line ", "line four", "clear",
                                   "show 1", "init -1 99", "pos 7", "close"};
  EXPECT_EQ(view.calls, want);
  std::filesystem::remove_all(dir);
}

TEST(MessagesHandler, WithoutViewOrLog) {
  messages::Handler h(nullptr, nullptr);
  EXPECT_EQ(h.handle(msg(msgwnd::kAppendLine, 0, 2, "x")).result, 1);
  EXPECT_EQ(h.handle(msg(msgwnd::kClose)).result, 1);
}

TEST(MessagesArgs, CommandLine) {
  const char* a1[] = {"MESSAGES", "--headless", "--log", "/x/log", "--endpoint", "E"};
  auto o = messages::parseArgs(6, const_cast<char**>(a1));
  EXPECT_TRUE(o.headless);
  EXPECT_EQ(o.logFile, "/x/log");
  EXPECT_EQ(o.endpoint, "E");
  EXPECT_TRUE(o.error.empty());
  const char* a2[] = {"MESSAGES", "--bogus"};
  EXPECT_FALSE(messages::parseArgs(2, const_cast<char**>(a2)).error.empty());
  const char* a4[] = {"MESSAGES", "--headless", "--window"};
  EXPECT_FALSE(messages::parseArgs(3, const_cast<char**>(a4)).error.empty());
  const char* a3[] = {"MESSAGES", "--log"};
  EXPECT_FALSE(messages::parseArgs(2, const_cast<char**>(a3)).error.empty());
}

TEST(MessagesFile, LinesAreBounded) {
  std::string dir = uniqueDir();
  { std::ofstream(dir + "/f") << "1\n2\n3\n4\n"; }
  std::vector<std::string> lines;
  ASSERT_TRUE(messages::readFileLines(dir + "/f", lines, 1000, 2));
  EXPECT_EQ(lines, (std::vector<std::string>{"1", "2"}));
  ASSERT_TRUE(messages::readFileLines(dir + "/f", lines, 3, 100));
  EXPECT_EQ(lines, (std::vector<std::string>{"1", "2"}));
  EXPECT_FALSE(messages::readFileLines(dir + "/none", lines));
  std::filesystem::remove_all(dir);
}


TEST_F(Program, OwnsTheEndpointIdentifiesItselfAndLogs) {
  pid = start();
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(waitFor([&] { return plat::ipc::exists(endpoint); }));
  auto id = plat::ipc::send(endpoint, msg(msgwnd::kIdentify), 5000);
  ASSERT_TRUE(id);
  EXPECT_EQ(id->text, "MESSAGES");
  auto a = plat::ipc::send(endpoint, msg(msgwnd::kAppendLine, 0, 3, "hi"), 5000);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->result, 1);
  // A second program finds the name taken and ends.
  pid_t second = start();
  ASSERT_GT(second, 0);
  EXPECT_EQ(waitExit(second), 1);
  EXPECT_TRUE(plat::ipc::post(endpoint, msg(msgwnd::kClose)));
  EXPECT_EQ(waitExit(pid), 0);
  EXPECT_FALSE(plat::ipc::exists(endpoint));
  EXPECT_EQ(readAll(log), "LINE hi\nCLOSE\n");
}

TEST_F(Program, EndsOnSigterm) {
  pid = start();
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(waitFor([&] { return plat::ipc::exists(endpoint); }));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(waitExit(pid), 0);
  EXPECT_FALSE(plat::ipc::exists(endpoint));
}

TEST_F(Program, EndsWithItsOwner) { expectEndsWithItsOwner({}); }

// The owner comes from the command line or the environment; one that does
// not run is not watched.
TEST(MessagesArgs, Owner) {
  const char* a1[] = {"MESSAGES", "--owner", "1234"};
  EXPECT_EQ(messages::parseArgs(3, const_cast<char**>(a1)).owner, 1234);
  ::setenv(messages::kOwnerEnv, "4321", 1);
  const char* a2[] = {"MESSAGES"};
  EXPECT_EQ(messages::parseArgs(1, const_cast<char**>(a2)).owner, 4321);
  ::unsetenv(messages::kOwnerEnv);
  EXPECT_EQ(messages::parseArgs(1, const_cast<char**>(a2)).owner, 0);
  messages::OwnerWatch self(::getpid());
  EXPECT_TRUE(self.watching());
  EXPECT_TRUE(self.alive());
  messages::OwnerWatch none(0);
  EXPECT_FALSE(none.watching());
  EXPECT_TRUE(none.alive());
}

TEST_F(Program, RefusesABadCommandLine) {
  pid = start({"--nonsense"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(waitExit(pid), 2);
}

} // namespace
