// The main program as a process, offscreen, driven by a UI script: the exit
// codes and messages of the start checks, a run that opens the sample
// project and takes screenshots, and the settings a clean close writes.
// Each test runs Zerlo in a program directory of its own (a copy of the
// program beside links to the libraries of build/bin), bounded by a deadline.
#include "platform/endpoint.h"
#include "zerlo_process.h"

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
using zerlotest::readAll;
using zerlotest::ZerloProcess;

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

// A desktop start: the project named on the command line opens, start after
// start (the start screen ends while the frame handles its notice; a fault
// there showed only now and then, so the start is repeated).
TEST_F(ZerloProcess, ProjectOnTheCommandLineOpensAtEveryStart) {
  makeProgramDir();
  const fs::path project = base / "Mein Ordner ü" / "SAMPLE.MDL";
  fs::create_directories(project.parent_path());
  fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
  arguments = {project.string()};
  for (int n = 0; n < 6; ++n) {
    SCOPED_TRACE("start " + std::to_string(n + 1));
    fs::remove(base / "boxes.log");
    fs::remove(base / "output.txt");
    EXPECT_EQ(run("wait 200\ntitle\nbox 7\nclose\n"), 0) << boxes() << output();
    EXPECT_NE(boxes().find("title Zerlo - " + project.string()), std::string::npos) << boxes();
    EXPECT_EQ(output().find("ERROR: AddressSanitizer"), std::string::npos) << output();
  }
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
