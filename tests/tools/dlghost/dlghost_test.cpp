// dlghost as a developer runs it, from the program directory, without a
// display: a clean usage line, the scripted sink it offers, pictures of the
// dialogs it shows, and the dialog's own answer on the result line.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int rc = -1;
  std::string out;  // stdout and stderr
};

// Runs bin/dlghost with the arguments, no display and no platform chosen, at
// most 60 s.
Outcome dlghost(const std::string& args) {
  std::string cmd = "cd '" + std::string(ZERLO_BIN_DIR) +
                    "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 ./dlghost " + args +
                    " 2>&1; echo \"rc=$?\"";
  Outcome r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
  ::pclose(p);
  std::size_t at = r.out.rfind("rc=");
  if (at != std::string::npos) {
    r.rc = std::atoi(r.out.c_str() + at + 3);
    r.out.erase(at);
  }
  return r;
}

} // namespace

TEST(Dlghost, RunsFromTheCommandLine) {
  const std::string shots = DLGHOST_SHOTS;
  fs::remove_all(shots);
  struct Case {
    std::string args;
    int rc;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      // No arguments, no display: the usage line, not an abort.
      {"", 2, {"usage: dlghost"}},
      {"--sink", 2, {"usage: dlghost"}},
      {"--sink other STOCKWIN.DLL SW00_GetDLLVersion", 2, {"usage: dlghost"}},
      {"STOCKWIN.DLL", 2, {"usage: dlghost"}},
      // The scripted sink answers boxes without showing them and lists them.
      {"--sink scripted STOCKWIN.DLL SW50_CallMBWithID 509", 0,
       {"box: [Zerlo] Error!   A subprogram with the specified name is already available. (style 0x10000)",
        "result: 1"}},
      {"--sink scripted --answer 7 STOCKWIN.DLL SW50_CallMBWithID 40006", 0, {"box: [Zerlo] Quit program?", "result: 7"}},
      // A shot ends the dialog as its own Cancel: the start selection answers 0.
      {"--shot " + shots + " STOCKWIN.DLL SW04_CallStartAuswahlDlg", 0,
       {"shot: " + shots + "/STOCKWIN-129.png", "flag: 1", "result: 0"}},
      // --press clicks a control of the dialog: OK of the worksheet setup.
      {"--shot " + shots + " --press 1 STOCKWIN.DLL SW20_CallWorkSheetSetupDlg", 0,
       {"shot: " + shots + "/STOCKWIN-183.png", "setup: format=0 zoom=1.0 cross=0 period=300", "result: 1"}},
  };
  for (const Case& c : cases) {
    Outcome r = dlghost(c.args);
    EXPECT_EQ(r.rc, c.rc) << c.args << "\n" << r.out;
    for (const std::string& e : c.expected) EXPECT_NE(r.out.find(e), std::string::npos) << c.args << "\n" << r.out;
  }
}
