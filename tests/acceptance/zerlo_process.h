#pragma once
// The main program as a process for tests: Zerlo runs offscreen in a program
// directory of its own (a copy of the program beside links to the libraries
// of build/bin), driven by a UI script, bounded by a deadline; its box log
// and output are read back, and processes it left are ended.
// Deadlines grow by ZERLO_TEST_TIME_FACTOR (the sanitizer builds are slower).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zerlotest {

namespace fs = std::filesystem;

inline std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The factor deadlines are stretched by (at least 1).
inline int timeFactor() {
  const char* f = std::getenv("ZERLO_TEST_TIME_FACTOR");
  const int n = f ? std::atoi(f) : 1;
  return n > 0 ? n : 1;
}

// A word of a UI script, quoted (paths with blanks and other letters).
inline std::string scriptWord(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

class ZerloProcess : public ::testing::Test {
protected:
  fs::path base, dir, runtime;
  pid_t xserver = 0;
  std::vector<std::pair<std::string, std::string>> environment;  // set in Zerlo's process
  std::vector<std::string> arguments;                             // Zerlo's command line

  void SetUp() override {
    char tmpl[] = "/tmp/zapp_procXXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    base = tmpl;
    runtime = base / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  }

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
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms * timeFactor());
    while (!programsOf(dir, name).empty()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  // Ends every process started from a file below dir (Zerlo's message window
  // program outlives it by design): SIGTERM, then SIGKILL after a deadline.
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
        // A folder is made anew with its files ("FOLDER/file" excludes one);
        // its sub-folders are copied whole.
        fs::create_directories(dir / name);
        for (const auto& f : fs::directory_iterator(e.path())) {
          const std::string file = f.path().filename().string();
          if (without.count(name + "/" + file)) continue;
          if (f.is_regular_file()) place(f.path(), dir / name / file);
          else if (f.is_directory()) fs::copy(f.path(), dir / name / file, fs::copy_options::recursive);
        }
      } else if (e.is_regular_file()) {
        place(e.path(), dir / name);
      }
    }
  }

  // The folders beside the program directory that its settings name, with
  // the block libraries in LIB.
  void placeFolders() {
    for (const char* d : {"LIB", "TEMP", "PROJECT"}) fs::create_directories(base / d);
    for (const auto& f : fs::directory_iterator(ZERLO_LIB_DIR))
      if (f.is_regular_file()) fs::copy_file(f.path(), base / "LIB" / f.path().filename());
  }

  // The flow project of all blocks of the standard block library (START,
  // OUTPUT, INPUT, EDGE, WAIT, ..., END), with the block libraries in LIB
  // beside the program folder as installed, and no TEMP folder; its path.
  fs::path placeFlowProject() {
    fs::create_directories(base / "LIB");
    for (const char* lib : {"EXTERNAL.MCO", "ZRLFB02.MCO"})
      fs::copy_file(fs::path(ZERLO_BIN_DIR) / ".." / "LIB" / lib, base / "LIB" / lib);
    const fs::path project = base / "DEMOALL.MDL";
    fs::copy_file(std::string(ZERLO_TEST_DATA) + "/blocklib/demoall.mdl", project);
    return project;
  }

  // Runs Zerlo with the script; the exit code, -1 after the deadline, -2
  // when it died by a signal.
  int run(const std::string& script, int deadlineMs = 30000) { return finish(start(script, deadlineMs), deadlineMs); }

  // Starts Zerlo with the script and the arguments; its process id.
  pid_t start(const std::string& script, int deadlineMs = 30000) {
    deadlineMs *= timeFactor();
    const fs::path scriptFile = base / "script.txt";
    std::ofstream(scriptFile) << "log " << scriptWord((base / "boxes.log").string()) << "\ndeadline " << deadlineMs - 5000
                              << "\n" << script;
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
      std::vector<char*> argv{const_cast<char*>(prog.c_str())};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(prog.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }
  // Waits for Zerlo to end: its exit code, -2 when a signal ended it, or -1
  // after the deadline (it is killed then).
  static int finish(pid_t pid, int deadlineMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs * timeFactor());
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  std::string boxes() { return readAll(base / "boxes.log"); }
  // The log's lines that start with the prefix.
  std::vector<std::string> logLines(const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(boxes());
    for (std::string l; std::getline(in, l);)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  std::string output() { return readAll(base / "output.txt"); }
};

} // namespace zerlotest
