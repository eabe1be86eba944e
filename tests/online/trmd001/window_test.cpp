// The diagnosis window offscreen over a fake process image.
#include "trmd001/diag_window.h"

#include "../../../online/trmd001/src/diag_widgets.h"
#include "../../../online/trmd001/src/texts.h"
#include "../../../online/trmd001/src/window_runner.h"

#include "dialogkit/boxes.h"
#include "platform/uisink.h"

#include "platform/endpoint.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// The fake process image: 8 bytes per data point.
std::map<std::pair<std::string, int>, std::array<std::uint8_t, 8>> g_image;
std::vector<std::pair<std::string, int>> g_writes;
int g_mode = 4;
int g_actions = 0;

int readV(const char* area, int index, void* buf, int size) {
  auto it = g_image.find({area, index});
  if (it == g_image.end()) return 0;
  std::memcpy(buf, it->second.data(), std::min(size, 8));
  return 1;
}
int writeV(const char* area, int index, const void* value) {
  auto& slot = g_image[{area, index}];
  std::memcpy(slot.data(), value, std::string(area) == "DW" ? 2 : 2);
  g_writes.emplace_back(area, index);
  return 1;
}
void setM(int m) { g_mode = m; }
int getM() { return g_mode; }
int action(int) { return ++g_actions; }
std::array<std::uint8_t, 8>& img(const char* area, int n) { return g_image[{area, n}]; }

QApplication& app() {
  static int argc = 1;
  static char name[] = "trmd001_window_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: the process ends with the application still there.
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

std::array<std::uint8_t, 8> bytes(std::initializer_list<int> v) {
  std::array<std::uint8_t, 8> b{};
  int i = 0;
  for (int x : v) b[i++] = static_cast<std::uint8_t>(x);
  return b;
}

struct Window : ::testing::Test {
  trmd::DiagState st;
  std::filesystem::path dir;
  std::string ini;
  void SetUp() override {
    app();
    g_image.clear();
    g_writes.clear();
    g_mode = 4;
    g_actions = 0;
    for (int n = 1; n <= 26; ++n) g_image[{"E", n}] = bytes({0});
    for (int n = 1; n <= 11; ++n) g_image[{"A", n}] = bytes({0, 0});
    for (int n = 101; n <= 110; ++n) g_image[{"DW", n}] = bytes({0, 0});
    g_image[{"DT", 1}] = {};
    g_image[{"PW", 17}] = bytes({100, 0});
    RuntimeFunctionTable t{kRuntimeFunctionTableSize, &readV, &writeV, &setM, &getM, &action};
    ASSERT_EQ(st.initFunctionTable(&t), 1);
    dir = std::filesystem::path(testing::TempDir()) / ("trmd_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ini = (dir / "INTERFACE.INI").string();
    writeIfaces(1);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void writeIfaces(int n, const char* driver = "kxsim.dll") {
    std::ofstream(ini) << "[SETTINGS]\nPORT=1\nIFACENUM=" << n << "\n[PORTS]\n1=SIM\n[SIM]\nDRIVER=" << driver << "\n";
  }
  void key(QWidget& w, int k) {
    QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
  }
  void shot(QWidget& w, const char* name) {
    std::filesystem::path out = std::filesystem::path(ZERLO_BIN_DIR).parent_path() / "tests" / "screenshots";
    std::filesystem::create_directories(out);
    w.grab().save(QString::fromStdString((out / name).string()));
  }
};

TEST_F(Window, RotarySwitchTwoToCwWritesTheByteFlagsToA2) {
  st.interfaceError(0);
  trmd::DiagWindow w(st, ini);
  w.show();
  w.tick();
  EXPECT_EQ(w.statusText(), "Connection to interface o.k.");
  g_image[{"E", 3}] = bytes({1});
  g_image[{"DW", 105}] = bytes({0xF4, 0x01});   // 500
  w.rotary(1)->setPosition(1);
  g_writes.clear();
  w.tick();
  EXPECT_EQ(img("A", 2)[0], 0);
  EXPECT_EQ(img("A", 2)[1], 1);
  EXPECT_EQ(w.lamp(2)->state(), 1);
  // The software PLC answers with its byte flags: the switch stays at cw.
  g_image[{"A", 2}] = bytes({0, 0xFF});
  w.tick();
  EXPECT_EQ(w.rotary(1)->position(), 1);
  w.rotary(0)->setPosition(-1);
  w.tick();
  EXPECT_EQ(img("A", 1)[0], 1);
  EXPECT_EQ(img("A", 1)[1], 0);
  shot(w, "trmd001_test_layout.png");
}

TEST_F(Window, ModeOneSwitchesToTheTerminalAndEscapeMinimises) {
  st.interfaceError(0);
  int result = -1;
  trmd::DiagWindow w(st, ini);
  w.onFinished = [&](int r) { result = r; };
  w.show();
  w.tick();
  EXPECT_EQ(w.layout(), 0);
  g_mode = 1;
  const char text[18] = "Hello";
  std::memcpy(g_image[{"DT", 1}].data(), text, 8);
  g_image[{"PW", 17}] = bytes({101, 0});
  g_image[{"A", 3}] = bytes({0, 0xFF});
  g_image[{"E", 22}] = bytes({1});
  w.tick();
  EXPECT_EQ(w.layout(), 1);
  w.tick();
  EXPECT_EQ(w.messageTextColour(), 0x000000u);   // code 101: black
  EXPECT_TRUE(static_cast<QCheckBox*>(w.terminalSwitch(0))->isChecked());
  // A key pressed by the user reaches its input.
  w.terminalKey(0)->setState(1);
  w.tick();
  EXPECT_EQ(img("E", 17)[0], 1);
  shot(w, "trmd001_terminal_layout.png");
  key(w, Qt::Key_Escape);
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(w.isShownFlag());
  g_mode = 4;
  w.tick();
  EXPECT_EQ(w.layout(), 0);
  key(w, Qt::Key_Escape);
  EXPECT_EQ(result, 100);
}

TEST_F(Window, StatusTexts) {
  trmd::DiagWindow w(st, ini);
  w.tick();
  EXPECT_EQ(w.statusText(), "No connection to interface");
  st.interfaceError(601);
  st.setStatusShown(-999);
  w.tick();
  EXPECT_EQ(w.statusText(), "Port not available");
  st.infoLookOut(0);
  w.tick();
  EXPECT_EQ(w.statusText(), "Simulation mode");
  // No value is read while the interface state is not 0.
  g_image[{"E", 1}] = bytes({1});
  w.tick();
  EXPECT_EQ(w.lamp(0)->state(), 0);
  st.interfaceError(0);
  w.tick();
  EXPECT_EQ(w.statusText(), "Simulation mode");
  EXPECT_EQ(w.lamp(0)->state(), 1);
  st.infoLookOut(1);
  w.tick();
  EXPECT_EQ(w.statusText(), "Connection to interface o.k.");
}

TEST_F(Window, APortWithoutDriverIsSimulated) {
  writeIfaces(1, "");
  trmd::DiagWindow w(st, ini);
  EXPECT_EQ(w.statusText(), "Simulation mode");
  EXPECT_EQ(st.interfaceState(), 0);
}

TEST_F(Window, TabsFollowTheNumberOfInterfaces) {
  const std::pair<int, int> cases[] = {{1, 1}, {2, 2}, {3, 1}, {0, 1}};
  for (auto [n, tabs] : cases) {
    writeIfaces(n);
    trmd::DiagWindow w(st, ini);
    EXPECT_EQ(w.tabCount(), tabs) << n;
  }
  writeIfaces(1);
  trmd::DiagWindow w(st, ini);
  writeIfaces(2);
  g_mode = 10;
  w.tick();
  EXPECT_EQ(w.tabCount(), 2);
}

TEST_F(Window, SetupInterfaceCallsTheTargetDialogsAndWaitsForStop) {
  ::unsetenv("FAKE_ZRLTGTWIN_CALLS");
  ::setenv("FAKE_ZRLTGTWIN_VERSION", "1.0", 1);
  trmd::DiagWindow w(st, ini, "", FAKE_TGT_DIR);
  writeIfaces(2);
  w.setupInterface();
  ASSERT_NE(std::getenv("FAKE_ZRLTGTWIN_CALLS"), nullptr);
  EXPECT_STREQ(std::getenv("FAKE_ZRLTGTWIN_CALLS"), "1");
  EXPECT_STREQ(std::getenv("FAKE_ZRLTGTWIN_MODE"), "0");
  EXPECT_EQ(g_mode, 10);
  EXPECT_TRUE(w.settingsRunning());
  g_mode = 2;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (w.settingsRunning() && std::chrono::steady_clock::now() < until) QApplication::processEvents();
  EXPECT_FALSE(w.settingsRunning());
  EXPECT_EQ(w.tabCount(), 2);

  // Older than 1.0: nothing happens, and the failed binding stays failed.
  ::setenv("FAKE_ZRLTGTWIN_VERSION", "0.9", 1);
  w.setupInterface();
  ::setenv("FAKE_ZRLTGTWIN_VERSION", "1.0", 1);
  w.setupInterface();
  EXPECT_STREQ(std::getenv("FAKE_ZRLTGTWIN_CALLS"), "1");
  EXPECT_FALSE(w.settingsRunning());
}

TEST_F(Window, TheInterfaceChangeReachesTheMainProgramWindows) {
  static std::atomic<int> changed{0};
  changed = 0;
  auto ep = plat::ipc::Endpoint::create("Obel-L|1", [](const plat::ipc::Message& m) {
    if (m.msg == 0x400 + 47) ++changed;
    return plat::ipc::Answer{m.msg == 0x400 + 43 ? 1 : 0, {}};
  });
  ASSERT_TRUE(ep);
  EXPECT_EQ(trmd::DiagWindow::tellMainWindows(), 1);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (changed == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(changed.load(), 1);
  ep->close();
}

// Language resources missing at the library's start: the window warns once
// when it opens, with a box kept on top.
TEST_F(Window, MissingLanguageResourcesAreWarnedAboutWhenTheWindowOpens) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope(sink);
  trmd::environment() = trmd::Environment{};
  { trmd::DiagWindow w(st, ini); }
  EXPECT_TRUE(sink->shown().empty());
  trmd::environment().resourcesMissing = true;
  sink->answerBox(plat::ui::IDCANCEL);   // the answer changes nothing
  trmd::DiagWindow w(st, ini);
  trmd::environment() = trmd::Environment{};
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].caption, "Check interface");
  EXPECT_NE(sink->shown()[0].text.find("TRMD001_RES"), std::string::npos);
  EXPECT_EQ(sink->shown()[0].style & (plat::ui::MB_OKCANCEL | plat::ui::MB_TOPMOST),
            unsigned(plat::ui::MB_OKCANCEL | plat::ui::MB_TOPMOST));
  EXPECT_EQ(w.windowTitle(), "Check Interface");
}

// F1 asks for the page of the layout: context 1 in the test layout, 100 in
// the terminal; with help numbers on, the number comes first.
TEST_F(Window, F1AsksForTheHelpOfTheLayout) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope(sink);
  trmd::environment() = trmd::Environment{false, true, "/help/ENGLISH/TRMD001DLG.HLP"};
  st.interfaceError(0);
  trmd::DiagWindow w(st, ini);
  w.show();
  w.tick();
  key(w, Qt::Key_F1);
  g_mode = 1;
  w.tick();
  ASSERT_EQ(w.layout(), 1);
  key(w, Qt::Key_F1);
  trmd::environment() = trmd::Environment{};
  const auto helps = sink->helps();
  ASSERT_EQ(helps.size(), 2u);
  EXPECT_EQ(helps[0].context, 1u);
  EXPECT_EQ(helps[1].context, 100u);
  EXPECT_EQ(helps[0].file, "/help/ENGLISH/TRMD001DLG.HLP");
  const auto boxes = sink->shown();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Help context: 1");
  EXPECT_EQ(boxes[1].text, "Help context: 100");
  EXPECT_EQ(boxes[1].caption, "Check interface");
}

// The shipped help file names a page for each layout's context, and the
// shipped language library gives the window's texts.
TEST(ShippedFiles, HelpPagesAndLanguageLibrary) {
  for (unsigned context : {trmd::kHelpTest, trmd::kHelpTerminal}) {
    plat::ui::HelpRequest r;
    r.file = std::string(ZERLO_BIN_DIR) + "/ENGLISH/TRMD001DLG.HLP";
    r.context = context;
    EXPECT_TRUE(kit::resolveHelpPage(r).has_value()) << context;
  }
  kit::Resources res(trmd::englishTable());
  ASSERT_TRUE(res.loadLanguage(kit::languageLibraryPath(std::string(ZERLO_BIN_DIR) + "/ENGLISH", "TRMD001_RES.DLL")))
      << res.lastError();
  EXPECT_EQ(res.text(trmd::kStrCheckInterface), "Check interface");
  res.unloadLanguage();
}

TEST_F(Window, MessageColours) {
  EXPECT_EQ(trmd::messageColour(100), 0xFFFFFFu);
  EXPECT_EQ(trmd::messageColour(101), 0x000000u);
  EXPECT_EQ(trmd::messageColour(102), 0xFF0000u);
  EXPECT_EQ(trmd::messageColour(104), 0x000080u);
  EXPECT_EQ(trmd::messageColour(116), 0x000000u);
}

TEST_F(Window, ACloseRequestFromAnotherThreadEndsTheDialog) {
  st.setDialogRunner([](trmd::DiagState& s) { return trmd::runWindow(s); });
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    st.callDialog(1);
  });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(st.callDialog(0), 300);
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}

} // namespace
