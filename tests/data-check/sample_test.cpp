// The sample project `make run` opens: a flow of the standard block library
// beside wired gates, everything on the first screen at zoom 1, whose target
// program runs on the software PLC cycle for cycle as the simulation does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Output {
  int rc = -1;
  std::string text;
};
Output run(const std::string& cmd) {
  Output o;
  FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return o;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) {
    // The dump's long hexadecimal lines are of no interest here.
    if (std::strlen(buf) < 1000) o.text += buf;
  }
  const int status = ::pclose(p);
  o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

class Sample : public testing::Test {
protected:
  fs::path dir;
  fs::path project;
  void SetUp() override {
    char templ[] = "/tmp/zerlo-sample-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir = templ;
    project = dir / "SAMPLE.MDL";
    fs::copy_file(ZERLO_SAMPLE_PROJECT, project);
    // The block libraries it names, found beside it.
    for (const char* lib : {"EXTERNAL.MCO", "ZRLFB02.MCO"})
      fs::copy_file(fs::path(ZERLO_BUILD_DIR) / "LIB" / lib, dir / lib);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string tool(const std::string& args) {
    return "timeout 120 '" + std::string(ZERLO_BIN_DIR) + "/mdltool' " + args;
  }
};

TEST_F(Sample, AFlowBesideWiredGatesAllOnTheFirstScreen) {
  const Output dump = run(tool("dump '" + project.string() + "'"));
  ASSERT_EQ(dump.rc, 0) << dump.text;
  const std::regex gate(R"re(^    gate (\d+) kind (\d+) at (-?\d+),(-?\d+) .*?(type "ZRLFB02"/"(\w+)")?$)re");
  const std::regex input(R"(^      in \d+ .* from gate \d+#\d+ pin \d+ wire )");
  std::map<std::string, int> flow;
  int gates = 0, builtIn = 0, wires = 0;
  std::istringstream in(dump.text);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, gate)) {
      ++gates;
      const int x = std::stoi(m[3]), y = std::stoi(m[4]);
      // The first screen at zoom 1 (a window of 700 x 500 sheet units), with
      // room for the block itself.
      EXPECT_TRUE(x >= 0 && x <= 640 && y >= 0 && y <= 420) << line;
      if (m[6].matched) ++flow[m[6]];
      else ++builtIn;
    } else if (std::regex_search(line, input)) {
      ++wires;
    }
  }
  EXPECT_EQ(flow["STARTV3"], 1);
  EXPECT_EQ(flow["MOUTPUTV3"], 2);
  EXPECT_EQ(flow["WAITV3"], 2);
  EXPECT_GE(builtIn, 6);
  // Every input of the flow and of the gates that takes a signal is wired,
  // with its drawn route.
  EXPECT_GE(wires, 13) << dump.text;
}

TEST_F(Sample, ItRunsOnTheSoftwarePlcAsInTheSimulation) {
  const fs::path work = dir / "work";
  const Output eq = run(tool("equiv '" + project.string() + "' 300 --work '" + work.string() + "'"));
  EXPECT_EQ(eq.rc, 0) << eq.text;
  EXPECT_NE(eq.text.find("agree in all 300 cycles"), std::string::npos) << eq.text;
  std::ifstream text(work / "PROJ.ZCD");
  std::stringstream ss;
  ss << text.rdbuf();
  // The two motor steps of the flow are in the target program.
  const std::string zcd = ss.str();
  std::size_t motors = 0;
  for (std::size_t at = zcd.find("&SMOT"); at != std::string::npos; at = zcd.find("&SMOT", at + 1)) ++motors;
  EXPECT_EQ(motors, 2u) << zcd;
}

} // namespace
