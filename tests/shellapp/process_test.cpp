// The main program as a process, offscreen, driven by a UI script: the exit
// codes and messages of the start checks, a run that opens the sample
// project and takes screenshots, and the settings a clean close writes.
// Each test runs Zerlo in a program directory of its own (a copy of the
// program beside links to the libraries of build/bin), bounded by a deadline.
#include "platform/endpoint.h"

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <vector>
#include <sstream>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ZerloProcess : public ::testing::Test {
protected:
  fs::path base, dir, runtime;

  void SetUp() override {
    char tmpl[] = "/tmp/zapp_procXXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    base = tmpl;
    runtime = base / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  }
  pid_t xserver = 0;
  std::vector<std::pair<std::string, std::string>> environment;  // set in Zerlo's process

  void TearDown() override {
    if (xserver > 0) {
      kill(xserver, SIGTERM);
      int status = 0;
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      while (waitpid(xserver, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (waitpid(xserver, &status, WNOHANG) == 0) {
        kill(xserver, SIGKILL);
        waitpid(xserver, &status, 0);
      }
    }
    endProgramsOf(base);
    fs::remove_all(base);
  }

  // The running processes started from a file below dir (zombies are gone
  // for this purpose) whose program file name is name ("" any).
  static std::vector<pid_t> programsOf(const fs::path& dir, const std::string& name = "") {
    const std::string prefix = dir.string() + "/";
    std::vector<pid_t> pids;
    for (const auto& e : fs::directory_iterator("/proc")) {
      const std::string id = e.path().filename().string();
      if (id.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string cmd = readAll(e.path() / "cmdline");
      if (cmd.rfind(prefix, 0) != 0) continue;
      const std::string prog = cmd.substr(0, cmd.find('\0'));
      if (!name.empty() && fs::path(prog).filename() != name) continue;
      const std::string stat = readAll(e.path() / "stat");
      const auto close = stat.rfind(')');
      if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z') continue;
      pids.push_back(pid_t(std::stoi(id)));
    }
    return pids;
  }
  // Waits (bounded) until no program of that name runs below dir.
  static bool noneLeft(const fs::path& dir, const std::string& name, int ms = 8000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!programsOf(dir, name).empty()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  // Ends every process started from a file below dir that is still running
  // (a test that failed may leave one): SIGTERM, then SIGKILL after a deadline.
  static void endProgramsOf(const fs::path& dir) {
    for (pid_t p : programsOf(dir)) kill(p, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!programsOf(dir).empty() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (pid_t p : programsOf(dir)) kill(p, SIGKILL);
  }

  // A program directory: Zerlo and its settings copied, every other file of
  // build/bin hard-linked (copied across file systems), except those named.
  // No symbolic links: a library that finds its own directory must find this
  // one. pad makes the directory's path that long.
  static void place(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    if (ec) fs::copy_file(from, to);
  }
  void makeProgramDir(std::set<std::string> without = {}, std::size_t length = 0) {
    dir = base / "bin";
    if (length > dir.string().size()) dir = base / std::string(length - base.string().size() - 1, 'p');
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(ZERLO_BIN_DIR)) {
      const std::string name = e.path().filename().string();
      if (without.count(name) || name == "PROJECT" || name.ends_with(".lock")) continue;
      if (name == "Zerlo" || name == "OBEL.INI" || name.ends_with(".INI")) {
        fs::copy_file(e.path(), dir / name);
      } else if (e.is_directory()) {
        // A folder is made anew with its files ("FOLDER/file" excludes one).
        fs::create_directories(dir / name);
        for (const auto& f : fs::directory_iterator(e.path()))
          if (f.is_regular_file() && !without.count(name + "/" + f.path().filename().string()))
            place(f.path(), dir / name / f.path().filename());
      } else if (e.is_regular_file()) {
        place(e.path(), dir / name);
      }
    }
  }

  // Runs Zerlo with the script; the exit code, or -1 after the deadline.
  int run(const std::string& script, int deadlineMs = 30000) { return finish(start(script, deadlineMs), deadlineMs); }

  // Starts Zerlo with the script; its process id.
  pid_t start(const std::string& script, int deadlineMs = 30000) {
    const fs::path scriptFile = base / "script.txt";
    std::ofstream(scriptFile) << "log " << (base / "boxes.log").string() << "\ndeadline " << deadlineMs - 5000 << "\n"
                              << script;
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("ZERLO_UI_SCRIPT", scriptFile.c_str(), 1);
      setenv("ZERLO_RUNTIME_DIR", runtime.c_str(), 1);
      for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
      // Output to a file: a child that outlives Zerlo must not hold the
      // test's pipes.
      const int out = open((base / "output.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
        close(out);
      }
      const int in = open("/dev/null", O_RDONLY);
      if (in >= 0) {
        dup2(in, 0);
        close(in);
      }
      const std::string prog = (dir / "Zerlo").string();
      execl(prog.c_str(), prog.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  // Waits for Zerlo to end: its exit code, -2 when a signal ended it, or -1
  // after the deadline (it is killed then).
  static int finish(pid_t pid, int deadlineMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  // The flow project of all blocks of the standard block library, with the
  // block libraries beside the program folder as installed; its path.
  fs::path placeFlowProject() {
    fs::create_directories(base / "LIB");
    for (const char* lib : {"EXTERNAL.MCO", "ZRLFB02.MCO"})
      fs::copy_file(fs::path(ZERLO_BIN_DIR) / ".." / "LIB" / lib, base / "LIB" / lib);
    const fs::path project = base / "DEMOALL.MDL";
    fs::copy_file(std::string(ZERLO_TEST_DATA) + "/blocklib/demoall.mdl", project);
    return project;
  }
  std::string boxes() { return readAll(base / "boxes.log"); }
  std::string output() { return readAll(base / "output.txt"); }
};

TEST_F(ZerloProcess, NoSettingsLibraryGivesThePlainBox) {
  makeProgramDir({"ObelTool.so"});
  EXPECT_EQ(run(""), 1);
  EXPECT_NE(boxes().find("[Zerlo] The library OBELTOOL.DLL could not be loaded !"), std::string::npos) << boxes();
}

TEST_F(ZerloProcess, FailedChecksShowTheirMessages) {
  struct Case { std::set<std::string> without; const char* text; };
  const Case cases[] = {
      {{"STOCKBARS.so"}, "STOCKBARS.DLL cannot be loaded"},
      {{"zrltgtwin.so"}, "ZRLTGTWIN.DLL cannot be loaded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    fs::remove_all(base / "bin");
    fs::remove(base / "boxes.log");
    makeProgramDir(c.without);
    EXPECT_EQ(run(""), 1);
    EXPECT_NE(boxes().find(c.text), std::string::npos) << boxes();
  }
}

TEST_F(ZerloProcess, NoLanguageLibraryCancelUnloadsInOrder) {
  makeProgramDir({"ENGLISH/ZEZODAR.so"});
  EXPECT_EQ(run("box 2\n"), 1);
  const std::string log = boxes();
  EXPECT_NE(log.find("Resource DLL for the selected language cannot be loaded"), std::string::npos) << log;
  // The libraries bound so far, in the failed start's order.
  const std::size_t box = log.find("Resource DLL");
  std::size_t at = box;
  for (const char* lib : {"unload ZRLTGTWIN", "unload STOCKBARS", "unload STOCKWIN", "unload OBELTOOL"}) {
    const std::size_t next = log.find(lib, at);
    ASSERT_NE(next, std::string::npos) << lib << "\n" << log;
    at = next;
  }
  EXPECT_EQ(log.find("unload ZEZODAR"), std::string::npos) << log;
}

TEST_F(ZerloProcess, NoLanguageLibraryOkRunsInEnglish) {
  makeProgramDir({"ENGLISH/ZEZODAR.so"});
  EXPECT_EQ(run("box 1\nclose\n"), 0) << boxes() << output();
  EXPECT_NE(boxes().find("Resource DLL for the selected language cannot be loaded"), std::string::npos);
}

TEST_F(ZerloProcess, NoFreeInstanceNumber) {
  makeProgramDir();
  setenv("ZERLO_RUNTIME_DIR", runtime.c_str(), 1);
  std::vector<std::unique_ptr<plat::ipc::Endpoint>> others;
  for (int n = 1; n <= 10; ++n)
    others.push_back(plat::ipc::Endpoint::create("Obel-L|" + std::to_string(n), [n](const plat::ipc::Message&) {
      plat::ipc::Answer a;
      a.result = n;
      return a;
    }));
  unsetenv("ZERLO_RUNTIME_DIR");
  EXPECT_EQ(run(""), 1);
  EXPECT_NE(boxes().find("Further program instances are not supported"), std::string::npos) << boxes();
}

TEST_F(ZerloProcess, SettingsPathOf98IsRefused) {
  // The settings path is the program directory followed by "/OBEL.INI".
  makeProgramDir({}, 98 - 9);
  EXPECT_EQ(run("box 1\n"), 1);
  EXPECT_NE(boxes().find("Installation path is too long"), std::string::npos) << boxes();
}

TEST_F(ZerloProcess, SettingsPathOf97Starts) {
  makeProgramDir({}, 97 - 9);
  EXPECT_EQ(run("close\n"), 0) << boxes() << output();
  EXPECT_EQ(boxes().find("too long"), std::string::npos) << boxes();
}

TEST_F(ZerloProcess, OpensTheSampleProjectAndClosesCleanly) {
  makeProgramDir();
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  fs::create_directories(ZERLO_SCREEN_DIR);
  const std::string shots = ZERLO_SCREEN_DIR;
  const std::string script = "open " + project.string() + "\nwait 100\nshot " + shots +
                             "/zerlo_main_z1.png\nzoom 2.0\nwait 50\nshot " + shots +
                             "/zerlo_main_z2.png\nzoom 1.0\ncmd 233\nwait 50\nshot " + shots +
                             "/zerlo_simulation.png\ncmd 230\ncmd 231\ncmd 361\nwait 50\nshot " + shots +
                             "/zerlo_tiled.png\nclose\n";
  EXPECT_EQ(run(script), 0) << boxes() << output();
  for (const char* name : {"zerlo_main_z1.png", "zerlo_main_z2.png", "zerlo_tiled.png"}) {
    QImage img(QString::fromStdString(shots + "/" + name));
    ASSERT_FALSE(img.isNull()) << name;
    EXPECT_GT(img.width(), 400);
    // Gates drawn: some dark pixels inside the worksheet.
    int dark = 0;
    for (int y = img.height() / 4; y < img.height() * 3 / 4; ++y)
      for (int x = img.width() / 8; x < img.width() * 7 / 8; ++x)
        if (qGray(img.pixel(x, y)) < 80) ++dark;
    EXPECT_GT(dark, 150) << name;
  }
}

// The editor behind the windows: a Shift press on the sample's first gate
// copies it, the release drops the copy, 203 saves; the project file grows by
// the new gate and the close asks nothing more.
TEST_F(ZerloProcess, ScriptedEventsPlaceAGateAndTheSavedProjectHoldsIt) {
  makeProgramDir();
  // Saved once as it was, once with the copy placed by events.
  const fs::path plain = base / "PLAIN.MDL", edited = base / "EDITED.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, plain);
  fs::copy_file(ZERLO_SAMPLE_PROJECT, edited);
  EXPECT_EQ(run("open " + plain.string() + "\nwait 100\ncmd 203\nwait 50\nclose\n"), 0) << boxes() << output();
  const std::string script = "open " + edited.string() +
                             "\nwait 100\ndown 172 112 shift\nmove 272 112 shift\nup 372 112 shift\n"
                             "cmd 203\nwait 50\nclose\n";
  EXPECT_EQ(run(script), 0) << boxes() << output();
  EXPECT_GT(readAll(edited).size(), readAll(plain).size()) << "the saved project holds one gate more";
  EXPECT_EQ(boxes().find("Should project changes be saved"), std::string::npos) << boxes();
}

TEST_F(ZerloProcess, CleanCloseWritesTheSettingsAndRemovesTheTargetFiles) {
  makeProgramDir();
  // The settings without the keys a close writes.
  const char* keys[] = {"position=", "zoom=", "size=", "editcursor=", "iolabel=", "cycletime=", "fbinsbox="};
  {
    std::istringstream in(readAll(dir / "OBEL.INI"));
    std::ofstream out(dir / "OBEL.INI", std::ios::trunc);
    for (std::string line; std::getline(in, line);) {
      bool drop = line.rfind("[autoroot]", 0) == 0;
      for (const char* k : keys) drop = drop || line.rfind(k, 0) == 0;
      if (!drop) out << line << "\n";
    }
  }
  EXPECT_EQ(run("close\n"), 0) << boxes() << output();
  const std::string ini = readAll(dir / "OBEL.INI");
  for (const char* key : keys) EXPECT_NE(ini.find(std::string("\n") + key), std::string::npos) << key << "\n" << ini;
  EXPECT_NE(ini.find("[autoroot]"), std::string::npos) << ini;
  // The target files this instance removes: made, then gone after a second run.
  std::vector<fs::path> targets;
  std::istringstream log(boxes());
  for (std::string line; std::getline(log, line);)
    if (line.rfind("remove ", 0) == 0) targets.emplace_back(line.substr(7));
  ASSERT_EQ(targets.size(), 5u) << boxes();
  for (const fs::path& t : targets) {
    ASSERT_EQ(t.string().rfind(base.string() + "/", 0), 0u) << t;  // only below the test's folder
    fs::create_directories(t.parent_path());
    std::ofstream(t) << "x";
  }
  EXPECT_EQ(run("close\n"), 0) << boxes() << output();
  for (const fs::path& t : targets) EXPECT_FALSE(fs::exists(t)) << t;
}

// Zerlo ended by a signal: SIGTERM shuts it down as a close does (the
// libraries unloaded, exit code 0); SIGKILL gives it no chance. Either way
// the message window program it started does not outlive it.
TEST_F(ZerloProcess, AMessageWindowDoesNotOutliveAZerloEndedBySignal) {
  makeProgramDir();
  for (int sig : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(sig);
    fs::remove(base / "boxes.log");
    // The first step runs once the frame is up; the start has emptied the
    // message window, which started it.
    const fs::path up = base / "up.png";
    fs::remove(up);
    const pid_t pid = start("shot " + up.string() + "\nwait 50000\n", 60000);
    ASSERT_GT(pid, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((!fs::exists(up) || programsOf(dir, "MESSAGES").empty()) && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(programsOf(dir, "MESSAGES").empty()) << boxes() << output();

    kill(pid, sig);
    const int rc = finish(pid, 20000);
    if (sig == SIGTERM) {
      EXPECT_EQ(rc, 0) << boxes() << output();
      EXPECT_NE(boxes().find("unload OBELTOOL"), std::string::npos) << boxes();
    } else {
      EXPECT_EQ(rc, -2);
    }
    EXPECT_TRUE(noneLeft(dir, "MESSAGES")) << "the message window is still running";
    endProgramsOf(dir);
  }
}

// The road to the software PLC as a user takes it: a flow project of the
// standard block library (demoall: START, OUTPUT, INPUT, EDGE, WAIT, ...,
// END) opened, Start (261) writes the program text, compiles, downloads to
// the software PLC through the real server and goes online; the flow's step
// mark on the sheet is the PLC's: it stands at INPUT (waiting for E1), and
// when the step moves on the PLC side (its flags written through the
// server by another client) the mark moves on the sheet. Online off; the
// close leaves no server or message window of this run behind. The program
// folder has no TEMP folder: Start makes it.
TEST_F(ZerloProcess, StartDownloadsToTheSoftwarePlcAndWatchesItOnline) {
  makeProgramDir();
  ASSERT_FALSE(fs::exists(base / "TEMP"));
  const fs::path project = placeFlowProject();
  const fs::path first = base / "online1.png", second = base / "online2.png";
  // The run window enters the flow's subprogram (its call on the main
  // sheet at 250,125); the second picture is taken 4 s after the first,
  // after the test has moved the step on the PLC.
  const std::string script = "open " + project.string() + "\nwait 300\ncmd 261\nwait 500\ndown 250 125\nup 250 125\n"
                             "wait 2000\nshot " + first.string() + "\n" + "wait 4000\nshot " + second.string() +
                             "\ncmd 262\nwait 200\nbox 7\nclose\n";
  const pid_t pid = start(script, 90000);
  ASSERT_GT(pid, 0);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(first) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the picture written whole
  if (fs::exists(first)) {
    // Another client of the same server moves the step from INPUT (M1.3)
    // to EDGE (M1.5): a command (2025) per flag.
    setenv("ZERLO_RUNTIME_DIR", runtime.c_str(), 1);
    plat::ipc::Message q;
    q.msg = 2024;
    q.text = "M1.3";
    const auto at = plat::ipc::send("ONL32NS|ZerloRuntime", q, 10000);
    EXPECT_TRUE(at && at->text == "1") << "the PLC's step is not at INPUT: " << (at ? at->text : "no answer");
    for (const char* flag : {"M1.5=1", "M1.3=0"}) {
      plat::ipc::Message m;
      m.msg = 2025;
      m.text = flag;
      const auto a = plat::ipc::send("ONL32NS|ZerloRuntime", m, 10000);
      EXPECT_TRUE(a && a->result == 1) << flag;
    }
    unsetenv("ZERLO_RUNTIME_DIR");
  }
  EXPECT_EQ(finish(pid, 90000), 0) << boxes() << output();
  const std::string log = boxes();
  EXPECT_NE(log.find("made " + (base / "TEMP").string()), std::string::npos) << log;
  EXPECT_EQ(log.find("No connection"), std::string::npos) << log;
  EXPECT_NE(log.find("server ONL32NS|ZerloRuntime"), std::string::npos) << log;
  EXPECT_NE(log.find("online on: COMM ON answered 1"), std::string::npos) << log;

  // The two pictures differ only where the step marks are: the mark that
  // went (INPUT's) and the one that came (EDGE's, 80 points lower).
  QImage a(QString::fromStdString(first.string())), b(QString::fromStdString(second.string()));
  ASSERT_FALSE(a.isNull());
  ASSERT_FALSE(b.isNull());
  ASSERT_EQ(a.size(), b.size());
  QRect went, came;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const bool da = qGray(a.pixel(x, y)) < 80, db = qGray(b.pixel(x, y)) < 80;
      if (da && !db) went |= QRect(x, y, 1, 1);
      if (db && !da) came |= QRect(x, y, 1, 1);
    }
  ASSERT_FALSE(went.isEmpty()) << "no step mark went: the sheet does not show the PLC's steps";
  ASSERT_FALSE(came.isEmpty()) << "no step mark came: the sheet does not show the PLC's steps";
  EXPECT_LE(went.width(), 8);
  EXPECT_LE(went.height(), 8);
  EXPECT_LE(came.width(), 8);
  EXPECT_LE(came.height(), 8);
  EXPECT_NEAR(came.center().x(), went.center().x(), 2);
  EXPECT_NEAR(came.center().y() - went.center().y(), 80, 3);

  EXPECT_TRUE(noneLeft(dir, "ONL32NS")) << "the server of this run is still running\n" << log;
  EXPECT_TRUE(noneLeft(dir, "MESSAGES")) << "the message window of this run is still running";
}

// SIGTERM while online: Zerlo leaves the online mode and logs out as a
// close does, so the server it started ends with it.
TEST_F(ZerloProcess, SigtermWhileOnlineEndsTheServerToo) {
  makeProgramDir();
  const fs::path project = placeFlowProject();
  const fs::path up = base / "online.png";
  const pid_t pid = start("open " + project.string() + "\nwait 300\ncmd 261\nwait 1000\nshot " + up.string() +
                              "\nwait 50000\n",
                          90000);
  ASSERT_GT(pid, 0);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(up) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_FALSE(programsOf(dir, "ONL32NS").empty()) << boxes() << output();
  kill(pid, SIGTERM);
  EXPECT_EQ(finish(pid, 30000), 0) << boxes() << output();
  EXPECT_NE(boxes().find("online on: COMM ON answered 1"), std::string::npos) << boxes();
  EXPECT_TRUE(noneLeft(dir, "ONL32NS")) << "the server of this run is still running\n" << boxes();
  EXPECT_TRUE(noneLeft(dir, "MESSAGES")) << "the message window of this run is still running";
}

// A real X server (no window manager): the frame is mapped, the start screen
// shows and ends, the project opens and the frame's picture is taken.
TEST_F(ZerloProcess, RunsUnderARealXServer) {
  const char* xvfb = "/usr/bin/Xvfb";
  if (access(xvfb, X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  xserver = fork();
  if (xserver == 0) {
    close(fds[0]);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    const std::string fd = std::to_string(fds[1]);
    execl(xvfb, xvfb, "-displayfd", fd.c_str(), "-screen", "0", "1280x900x24", "-nolisten", "tcp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The server writes its display number once it accepts clients.
  std::string display;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  while (std::chrono::steady_clock::now() < end && display.find('\n') == std::string::npos) {
    char buf[16];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) display.append(buf, std::size_t(n));
    else if (n == 0) break;
    else std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(fds[0]);
  ASSERT_NE(display.find('\n'), std::string::npos) << "Xvfb did not start";
  display = ":" + display.substr(0, display.find('\n'));

  makeProgramDir();
  const fs::path project = base / "SAMPLE.MDL";
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  fs::create_directories(ZERLO_SCREEN_DIR);
  const std::string shot = std::string(ZERLO_SCREEN_DIR) + "/zerlo_xserver.png";
  fs::remove(shot);
  environment = {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}};
  EXPECT_EQ(run("open " + project.string() + "\nwait 200\nshot " + shot + "\nclose\n"), 0) << boxes() << output();
  QImage img(QString::fromStdString(shot));
  ASSERT_FALSE(img.isNull());
  EXPECT_GT(img.width(), 400);
}

} // namespace
