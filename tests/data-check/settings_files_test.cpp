// The shipped settings files read the way the programs read them: every
// driver a port or a server template names loads and offers what the
// settings promise, every program and library the settings name exists, and
// the run folder `make run` installs holds every directory the settings name.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
const std::string kBin = ZERLO_BIN_DIR;

// The text of a path getter's record (released again).
template <class F> std::string got(F f) {
  MStrBuf b{nullptr, 0, 0};
  const int r = f(&b);
  std::string s = r == 1 ? msb::ToString(&b) : std::string();
  msb::Free(&b);
  return s;
}

bool exists(const std::string& p) {
  std::error_code ec;
  return !p.empty() && fs::exists(plat::path::resolveExisting(p), ec);
}
bool isDir(const std::string& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(plat::path::resolveExisting(p), ec);
}

// The settings of a program directory: BIN set as the program sets it.
class ProgramDir : public testing::Test {
protected:
  void use(const std::string& bin) { obel::SetBINPathByString((bin + "/Zerlo").c_str()); }
  void SetUp() override { use(kBin); }
  void TearDown() override { obel::setBinPathString(""); }
};

TEST_F(ProgramDir, EveryPortDriverLoadsAndHasTheSettingsDialogItsPortPromises) {
  int ports = 0;
  for (int n = 1;; ++n) {
    InterfacePort p{};
    if (obel::GetKXIFPort(n, &p) != 1) break;
    ++ports;
    const std::string driver = p.driver, name = p.name;
    const bool settings = (p.flags & KXIF_PORT_HAS_SETTINGS) != 0;
    obel::FreeKXIFPort(&p);
    plat::lib::Handle h = plat::lib::load(driver, kBin);
    ASSERT_TRUE(h) << name << ": " << driver << ": " << plat::lib::lastError();
    EXPECT_NE(plat::lib::symbol(h, "KXOpenDevice"), nullptr) << name << ": " << driver;
    // The interface settings dialog opens the driver's own dialog only when
    // the port says SETTINGS=YES (message 1021 otherwise).
    EXPECT_EQ(plat::lib::symbol(h, "KXCallSettingsDlg") != nullptr, settings) << name << ": " << driver;
    plat::lib::unload(h);
  }
  EXPECT_GE(ports, 2);
}

TEST_F(ProgramDir, EveryServerTemplateNamesAnOnlineDriverThatLoads) {
  const std::string ini = obel::interfaceIniPath();
  int templates = 0;
  for (int n = 1;; ++n) {
    const std::string server = got([n](MStrBuf* b) { return obel::GetZrlServerName(b, n); });
    if (server.empty()) break;
    ++templates;
    // The named server reads its driver from the section of its own name.
    const std::string driver = plat::profile::getString(ini, server, "driver", "");
    ASSERT_FALSE(driver.empty()) << "[" << server << "] has no driver= line in " << ini;
    plat::lib::Handle h = plat::lib::load(driver, kBin);
    ASSERT_TRUE(h) << server << ": " << driver << ": " << plat::lib::lastError();
    for (const char* fn : {"OpenServiceChannel", "CloseServiceChannel", "InstallHardware", "ReadServiceChannel",
                           "ReadServiceReady", "WriteServiceChannel"})
      EXPECT_NE(plat::lib::symbol(h, fn), nullptr) << server << ": " << driver << " lacks " << fn;
    plat::lib::unload(h);
  }
  EXPECT_GE(templates, 2);
}

TEST_F(ProgramDir, EveryProgramAndLibraryTheSettingsNameIsThere) {
  const struct { const char* what; std::string path; bool program; } named[] = {
      {"[PROGRAMS] SERVER", got(obel::GetPathToZrlServer), true},
      {"[PROGRAMS] MSGWND", got(obel::GetPathToMsgWnd), true},
      {"[programs] server1", got([](MStrBuf* b) { return obel::GetPathToServer(1, b); }), true},
      {"[DLL] TRANS", got(obel::GetPathToTransDLL), false},
      {"[ONL32NS] DLL", got([](MStrBuf* b) { return obel::GetPathToOnlineDLL("ONL32NS", b); }), false},
      {"[ONL32NS] comm", got([](MStrBuf* b) { return obel::GetPathToOnlDrv("ONL32NS", b); }), false},
      {"[msgconv] 1", got([](MStrBuf* b) { return obel::GetPathToMsgConvDLL(1, b); }), false},
      {"[msgconv] 2", got([](MStrBuf* b) { return obel::GetPathToMsgConvDLL(2, b); }), false},
      {"[msgconv] 6", got([](MStrBuf* b) { return obel::GetPathToMsgConvDLL(6, b); }), false},
  };
  for (const auto& n : named) {
    ASSERT_FALSE(n.path.empty()) << n.what;
    if (n.program) {
      EXPECT_FALSE(obel::rules::programFileFor(n.path).empty()) << n.what << ": " << n.path;
    } else {
      plat::lib::Handle h = plat::lib::load(n.path);
      EXPECT_TRUE(h) << n.what << ": " << n.path << ": " << plat::lib::lastError();
      if (h) plat::lib::unload(h);
    }
  }
}

// ---- the run folder of `make run` ----

struct ScriptRun {
  int rc = -1;
  std::string output;
};
ScriptRun runMain(const std::string& runDir, const char* arg) {
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY ZERLO_BUILD_DIR='" + std::string(ZERLO_BUILD_DIR) + "' ZERLO_RUN_DIR='" + runDir +
                          "' timeout 120 bash '" + std::string(ZERLO_SOURCE_DIR) +
                          "/scripts/run-main' " + arg + " 2>&1";
  ScriptRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) r.output += buf;
  const int status = ::pclose(p);
  r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class RunFolder : public ProgramDir {
protected:
  fs::path base;
  void SetUp() override {
    ProgramDir::SetUp();
    if (!fs::exists(kBin + "/Zerlo")) GTEST_SKIP() << "the main program is not part of this build";
    char templ[] = "/tmp/zerlo-run-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    base = templ;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(base, ec);
    ProgramDir::TearDown();
  }
};

TEST_F(RunFolder, EveryDirectoryTheSettingsNameExistsAfterTheInstall) {
  const fs::path run = base / "run";
  const ScriptRun r = runMain(run.string(), "--install-only");
  ASSERT_EQ(r.rc, 0) << r.output;
  use((run / "bin").string());
  for (const auto& [what, dir] : {std::pair<const char*, std::string>{"PROJECT", got(obel::GetPROJECTPath)},
                                  {"TEMP", got(obel::GetTEMPPath)},
                                  {"DEVICE", got(obel::GetDEVICEPath)},
                                  {"TEMPLATE", got(obel::GetTEMPLATEPath)},
                                  {"language TEMPLATE", got([](MStrBuf* b) { return obel::GetLanguageTEMPLATEPath(b, 2); })}}) {
    EXPECT_TRUE(isDir(dir)) << what << ": " << dir;
    // Beside bin, inside the run folder.
    EXPECT_EQ(plat::path::resolveExisting(dir).rfind(run.string(), 0), 0u) << what << ": " << dir;
  }
  int libraries = 0;
  for (int mode = 0;; mode = 1) {
    const std::string lib = got([mode](MStrBuf* b) { return obel::GetLIBRARYPaths(mode, b); });
    if (lib.empty()) break;
    ++libraries;
    EXPECT_TRUE(isDir(lib)) << lib;
    EXPECT_TRUE(exists(lib + "/ZRLFB02.MCO")) << lib;
    EXPECT_TRUE(exists(lib + "/EXTERNAL.MCO")) << lib;
  }
  got([](MStrBuf* b) { return obel::GetLIBRARYPaths(2, b); });
  EXPECT_EQ(libraries, 1);
  EXPECT_TRUE(exists(got([](MStrBuf* b) { return obel::GetPathToLanguageHelpFile(b, 2); })));
  EXPECT_TRUE(exists(got(obel::GetPROJECTPath) + "/SAMPLE.MDL"));
  EXPECT_TRUE(exists(got([](MStrBuf* b) { return obel::GetLanguageTEMPLATEPath(b, 2); }) + "/TEMPLATES.INI"));
}

// The settings Zerlo writes and the user's projects survive a new install.
TEST_F(RunFolder, AnInstallKeepsTheSettingsAndTheProjects) {
  const fs::path run = base / "run";
  ASSERT_EQ(runMain(run.string(), "--install-only").rc, 0);
  std::ofstream(run / "bin/OBEL.INI", std::ios::app) << "[mine]\nkept=1\n";
  std::ofstream(run / "PROJECT/SAMPLE.MDL", std::ios::trunc) << "my own sample";
  std::ofstream(run / "PROJECT/MINE.MDL") << "my project";
  fs::remove(run / "bin/ObelTool.so");
  const ScriptRun r = runMain(run.string(), "--install-only");
  ASSERT_EQ(r.rc, 0) << r.output;
  EXPECT_NE(readAll(run / "bin/OBEL.INI").find("kept=1"), std::string::npos);
  EXPECT_EQ(readAll(run / "PROJECT/SAMPLE.MDL"), "my own sample");
  EXPECT_EQ(readAll(run / "PROJECT/MINE.MDL"), "my project");
  EXPECT_TRUE(fs::exists(run / "bin/ObelTool.so")) << "a missing program file comes back";
}

// `make run` without a display: Zerlo starts from the run folder, opens the
// sample, writes its picture and ends normally.
TEST_F(RunFolder, ZerloOpensTheSampleFromTheRunFolder) {
  const fs::path run = base / "run";
  const fs::path shot = fs::path(ZERLO_BUILD_DIR) / "zerlo-run.png";
  std::error_code ec;
  fs::remove(shot, ec);
  const ScriptRun r = runMain(run.string(), "");
  EXPECT_EQ(r.rc, 0) << r.output;
  EXPECT_NE(r.output.find("Zerlo ended normally"), std::string::npos) << r.output;
  EXPECT_GT(fs::file_size(shot, ec), 1000u) << r.output;
}

// Zerlo stops when its settings file's path has 98 characters or more: the
// check says so before anything is built.
TEST_F(RunFolder, ThePathDepthIsCheckedFirst) {
  const std::string settingsTail = "/bin/OBEL.INI";
  for (const std::size_t length : {std::size_t(97), std::size_t(98), std::size_t(120)}) {
    std::string dir = base.string() + "/";
    dir += std::string(length - settingsTail.size() - dir.size(), 'x');
    ASSERT_EQ((dir + settingsTail).size(), length);
    const ScriptRun r = runMain(dir, "--check-path");
    if (length < 98) {
      EXPECT_EQ(r.rc, 0) << length << "\n" << r.output;
    } else {
      EXPECT_EQ(r.rc, 1) << length;
      EXPECT_NE(r.output.find("fewer than 98"), std::string::npos) << r.output;
      EXPECT_NE(r.output.find("ZERLO_RUN_DIR="), std::string::npos) << r.output;
    }
    EXPECT_FALSE(fs::exists(dir)) << "the check creates nothing";
  }
}

// `make clean` empties the build folders but keeps a PROJECT folder in them.
TEST_F(RunFolder, CleanKeepsTheProjectFolders) {
  fs::create_directories(base / "build/PROJECT");
  fs::create_directories(base / "build/bin");
  fs::create_directories(base / "build-asan/x");
  std::ofstream(base / "build/PROJECT/MINE.MDL") << "mine";
  std::ofstream(base / "build/bin/Zerlo") << "program";
  const std::string cmd = "timeout 60 make -s -C '" + base.string() + "' -f '" + std::string(ZERLO_SOURCE_DIR) +
                          "/Makefile' clean >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(readAll(base / "build/PROJECT/MINE.MDL"), "mine");
  EXPECT_FALSE(fs::exists(base / "build/bin"));
  EXPECT_FALSE(fs::exists(base / "build-asan"));
}

} // namespace
