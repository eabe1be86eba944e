// mdltool equiv: the demo projects agree with the target every cycle, a
// simulated image read at the wrong place is listed as a disagreement, and
// bad calls and files end with exit code 2 and a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int code = -1;
  std::string out;   // stdout and stderr
};

class MdltoolEquiv : public testing::Test {
protected:
  fs::path dir;
  void SetUp() override {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(testing::TempDir()) / ("mdltool_equiv_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs mdltool with the arguments (a deadline of two minutes); its
  // temporary directories go into the test's own.
  ToolRun mdltool(const std::string& args) {
    const std::string cmd = "TMPDIR='" + dir.string() + "' timeout 120 " + std::string(ZERLO_BIN_DIR) + "/mdltool " +
                            args + " 2>&1";
    ToolRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
  }
  static std::string demo(const char* name) { return std::string(ZERLO_TEST_DATA) + "/blocklib/" + name; }
  // No run directory is left behind in the temporary directory.
  void expectNoLeftovers() {
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().filename().string().rfind("mdltool-equiv-", 0) == 0) ADD_FAILURE() << "left behind: " << e.path();
  }
};

TEST_F(MdltoolEquiv, DemoProjectsAgreeEveryCycle) {
  struct Case {
    const char* file;
    const char* args;
    const char* expected;
  } cases[] = {
      // Motor 1 cw until E1; E1 comes, goes and comes again.
      {"demoa.mdl", "240 --input E1=60..89 --input E1=150..", "agree in all 240 cycles"},
      // VAR1 counts to three with waits of 0.5 s.
      {"demob.mdl", "300", "agree in all 300 cycles"},
      // All seventeen blocks in one flow, with E1 and E2 coming and going.
      {"demoall.mdl", "400 --input E1=40..79 --input E1=160..199 --input E2=100..140 --input E2=300..",
       "agree in all 400 cycles"},
  };
  for (const Case& c : cases) {
    const ToolRun r = mdltool("equiv " + demo(c.file) + " " + c.args);
    EXPECT_EQ(r.code, 0) << c.file << "\n" << r.out;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.file << "\n" << r.out;
    expectNoLeftovers();
  }
}

// The simulated inputs written where the simulation latches them from, not
// where they are set (a source whose two input images are swapped): the
// target stops the motor when E1 comes, the simulation does not.
TEST_F(MdltoolEquiv, DisagreementIsListedByCycle) {
  const fs::path lib = dir / "lib";
  fs::create_directories(lib);
  for (const auto& e : fs::directory_iterator(ZERLO_BLOCKLIB_DIR))
    if (e.path().extension() == ".zas") fs::copy_file(e.path(), lib / e.path().filename());
  std::ifstream in(lib / "zrlfb02.zas");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  in.close();
  const std::string eimg = "var eimg 1024", eraw = "var eraw 1024";
  const auto a = text.find(eimg), b = text.find(eraw);
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  text.replace(b, eraw.size(), eimg);
  text.replace(a, eimg.size(), eraw);
  std::ofstream(lib / "zrlfb02.zas") << text;

  const fs::path work = dir / "work";
  const ToolRun r = mdltool("equiv " + demo("demoa.mdl") + " 100 --input E1=30.. --source " + (lib / "zrlfb02.zas").string() +
                        " --work " + work.string());
  EXPECT_EQ(r.code, 1) << r.out;
  // The target leaves the input's step in the cycle E1 came and stops motor
  // 1 in the next; the simulation never sees E1.
  EXPECT_EQ(r.out.find("cycle 29:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cycle 30: M1.5 target 1, simulation 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cycle 31: A1.1 target 0, simulation 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("disagree in "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("more cycles that disagree"), std::string::npos) << r.out;
  // The named work directory keeps the run's files.
  EXPECT_TRUE(fs::exists(work / "PROJ.ZCD"));
}

TEST_F(MdltoolEquiv, BadCallsAndFilesGiveExitCodeTwo) {
  std::ofstream(dir / "broken.mdl", std::ios::binary) << std::string("\x21\xAF\x76\x00garbage, not a project", 25);
  struct Case {
    std::string args;
    const char* message;
  } cases[] = {
      {"equiv " + (dir / "missing.mdl").string() + " 10", "could not be loaded"},
      {"equiv " + (dir / "broken.mdl").string() + " 10", "could not be loaded"},
      {"equiv " + demo("demoa.mdl") + " ten", "bad cycle count ten"},
      {"equiv " + demo("demoa.mdl") + " 0", "bad cycle count 0"},
      {"equiv " + demo("demoa.mdl") + " 10 --input E17=1..2", "bad input range \"E17=1..2\""},
      {"equiv " + demo("demoa.mdl") + " 10 --input E1=9..3", "the last cycle comes before the first"},
      {"equiv " + demo("demoa.mdl") + " 10 --input A1=1..2", "the input is named E1 to E16"},
      {"equiv " + demo("demoa.mdl") + " 10 --input", "incomplete option --input"},
      {"equiv " + demo("demoa.mdl") + " 10 --source " + (dir / "none.zas").string(), "none.zas"},
  };
  for (const Case& c : cases) {
    const ToolRun r = mdltool(c.args);
    EXPECT_EQ(r.code, 2) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
  }
  expectNoLeftovers();
}

} // namespace
