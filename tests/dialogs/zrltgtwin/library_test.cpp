// zrltgtwin.so loaded by name from a program directory of the test's own
// (settings library, INI files, language directories, a stub code generator),
// its dialogs driven offscreen through the dialog observer, the servers
// faked in-process.
#include "zrltgtwin/zrltgtwin.h"

#include "dialogkit/qtkit.h"
#include "fake_server.h"
#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include "../support/dlgtest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace plat::ui;

namespace {

using dlgtest::app;
using dlgtest::Driver;
using dlgtest::fn;
using dlgtest::readFile;
using dlgtest::writeFile;

// The program directory and the library.
struct Program : dlgtest::ProgramDir {
  std::string online, loader;
  Program() : ProgramDir("twlib", {"TEMP", "ENGLISH", "GERMAN"}) {
    fs::path libs = TW_TESTLIBS;
    copyFromBin("zrltgtwin.so");
    copyFromBin("ObelTool.so");
    linkLanguages("ZRLTGTWINRES.so", libs);
    fs::create_symlink(libs / "STUBLINK.so", dir / "STUBLINK.so");
    fs::create_symlink(libs / "LPTIF1NT.so", dir / "LPTIF1NT.so");
    online = "TwOnline" + std::to_string(::getpid());
    loader = "TwLoader" + std::to_string(::getpid());
    writeInterface(2, 4, 10);
  }
  void writeObel(int language, const char* english = "ENGLISH", bool helpNumbers = false) {
    writeSettings(language, helpNumbers, "TEMP=TEMP\n", std::string("1=GERMAN\n2=") + english + "\n",
                  "\n[PROGRAMS]\nSERVER=ONL32NS\n\n[DLL]\nTRANS=STUBLINK.DLL\n");
  }
  void writeInterface(int port, int ifaces, int cycle) {
    writeFile(dir / "INTERFACE.INI",
              "[SETTINGS]\nPORT=" + std::to_string(port) + "\nIFACENUM=" + std::to_string(ifaces) +
                  "\nCYCLETIME=" + std::to_string(cycle) +
                  "\nMINVIS=OFF\n\n[PORTS]\n1=SIM\n2=LPT1\n3=NODLG\n\n[SIM]\nDRIVER=kxsim.dll\nMAXIFNUM=0\n"
                  "TYPE=PASSIVE\nSETTINGS=YES\n\n[NODLG]\nDRIVER=STUBLINK.DLL\nMAXIFNUM=1\nTYPE=PASSIVE\n"
                  "SETTINGS=YES\n\n[LPT1]\nDRIVER=LPTIF1NT.DLL\nMAXIFNUM=3\nTYPE=PASSIVE\nSETTINGS=YES\n\n"
                  "[COMM TEMPLATES]\n1=" + loader + "\n2=" + online + "\n");
  }
  fs::path temp(const char* name) const { return dir / "TEMP" / name; }
  plat::lib::Handle load() const { return ProgramDir::load("ZRLTGTWIN.DLL"); }
};

Program& program() {
  static Program p;
  return p;
}

QPushButton* button(const DialogShown& d, const char* name) {
  return static_cast<QWidget*>(d.widget)->findChild<QPushButton*>(name);
}

} // namespace

TEST(Load, VersionExportsAndEnglishResources) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  plat::lib::Handle h = dlgtest::loadedQuietly(
      program(), *sink,
      {"ZRTA00_SetInstanceNumber", "ZRTA00_GetCurrentServer", "ZRTA00_SetCurrentServer", "ZRTA00_SetProjectFilePath",
       "ZRTA01_CallCompileProgressDlg", "ZRTA02_CallCompileResultDlg", "ZRTA03_CallDownloadProgressDlg",
       "ZRTA04_CallChangeInterfaceModeDlg", "ZRTA04_ResetInterfaceMode", "ZRTA05_CallInterfaceSettigsDlg",
       "TA01_LoginByServer", "TA01_LogoutByServer", "TA01_TestIFConnection", "TA01_GetDFF",
       "TA01_CallInterfaceDiagnose", "TA01_CallInterfaceTerminal"},
      "ZRTA00_GetDLLVersion");
  ASSERT_TRUE(h);
  EXPECT_EQ(fn<ZRTA00_SetInstanceNumberFn>(h, "ZRTA00_SetInstanceNumber")(3), 3);
  EXPECT_EQ(fn<ZRTA00_SetCurrentServerFn>(h, "ZRTA00_SetCurrentServer")(77), 77u);
  EXPECT_EQ(fn<ZRTA00_GetCurrentServerFn>(h, "ZRTA00_GetCurrentServer")(), 77u);
  EXPECT_EQ(fn<TA01_CallInterfaceTerminalFn>(h, "TA01_CallInterfaceTerminal")(0), 0);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].text, "Error!   Software PLC is not running.");
  EXPECT_EQ(sink->shown()[0].caption, "Zerlo");
  plat::lib::unload(h);
}

TEST(Load, MissingLanguageAsksAndCancelRefuses) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  program().writeObel(2, "NOWHERE");
  plat::lib::Handle h = dlgtest::refusedThenLoaded(
      program(), *sink,
      "Error!   The resource library for the selected language cannot be loaded.\nInternal English resources will be "
      "used.",
      unsigned(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_TOPMOST), "zrltgtwin");  // the library's file name
  ASSERT_TRUE(h);
  EXPECT_EQ(fn<TA01_CallInterfaceTerminalFn>(h, "TA01_CallInterfaceTerminal")(0), 0);
  EXPECT_EQ(sink->shown().back().text, "Error!   Software PLC is not running.");
  plat::lib::unload(h);
}

TEST(Load, TestLanguageApplies) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  program().writeObel(1);
  plat::lib::Handle h = program().load();
  ASSERT_TRUE(h) << plat::lib::lastError();
  EXPECT_EQ(fn<TA01_CallInterfaceTerminalFn>(h, "TA01_CallInterfaceTerminal")(0), 0);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].text, "Fehler!   Die Software-SPS laeuft nicht.");
  EXPECT_EQ(sink->shown()[0].caption, "Zerlo-Test");
  plat::lib::unload(h);
}

TEST(Load, OldOrIncompleteSettingsLibraryRefusesTheLoad) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  for (const char* kind : {"old", "noddf"}) {
    // A copy of the library of its own, beside the fake settings library.
    fs::path dir = program().dir / kind;
    fs::create_directories(dir);
    fs::copy_file(fs::path(ZERLO_BIN_DIR) / "zrltgtwin.so", dir / "zrltgtwin.so", fs::copy_options::overwrite_existing);
    fs::create_symlink(fs::path(TW_TESTLIBS) / kind / "ObelTool.so", dir / "ObelTool.so");
    EXPECT_EQ(plat::lib::load((dir / "ZRLTGTWIN.DLL").string()), nullptr) << kind;
    EXPECT_NE(plat::lib::lastError().find("refused"), std::string::npos) << plat::lib::lastError();
  }
  EXPECT_TRUE(sink->shown().empty());
}

// ---- dialogs ----
struct LoadTargetWin {
  static plat::lib::Handle load() {
    program().writeObel(2, "ENGLISH", true);
    plat::lib::Handle h = program().load();
    if (h) fn<ZRTA00_SetInstanceNumberFn>(h, "ZRTA00_SetInstanceNumber")(2);
    return h;
  }
};

class Dialogs : public dlgtest::LibraryDialogs<LoadTargetWin> {
protected:
  void SetUp() override {
    LibraryDialogs::SetUp();
    for (const char* f : {"TMP002.Q", "TMP002.LST", "TMP002.MVL", "TMP002.ERR", "TMP.ATT"})
      fs::remove(program().temp(f));
    unsetenv("STUBLINK_RESULT");
    unsetenv("ZERLO_TEST_REFUSE_TIMERS");
  }
  // Presses Enter and Escape and asks the dialog to close: a progress dialog stays.
  static void pokeKeys(QDialog* d) {
    for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
      QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier);
      QCoreApplication::sendEvent(d, &ev);
    }
    d->close();
    EXPECT_TRUE(d->isVisible());
  }
  std::shared_ptr<ScriptedSink> sink_ = std::make_shared<ScriptedSink>();
  ScopedSink scope_{sink_};
};

TEST_F(Dialogs, CompileMissingTextShows1001AndKeepsTheOldDownloadFile) {
  writeFile(program().temp("TMP002.MVL"), "old");
  ZrlCompileResult r{9, 9, 9};
  EXPECT_EQ(fn<ZRTA01_CallCompileProgressDlgFn>(h_, "ZRTA01_CallCompileProgressDlg")(ownerId_, &r), 2);
  EXPECT_EQ(driver_->seen, std::vector<int>{129});
  ASSERT_EQ(sink_->shown().size(), 1u);
  EXPECT_EQ(sink_->shown()[0].text, "Error!   The translation program cannot be started.");
  EXPECT_TRUE(fs::exists(program().temp("TMP002.MVL")));
  EXPECT_EQ(r.errors, 0u);
}

TEST_F(Dialogs, CompileRunsTheCodeGeneratorWithSixPathsInOrder) {
  writeFile(program().temp("TMP002.Q"), "PROGRAM");
  writeFile(program().temp("TMP.ATT"), "[DDF]");
  writeFile(program().temp("TMP002.MVL"), "old");
  writeFile(program().temp("TMP002.ERR"), "old");
  driver_->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.library, "ZRLTGTWIN");
    pokeKeys(static_cast<QDialog*>(d.widget));
  };
  ZrlCompileResult r{};
  EXPECT_EQ(fn<ZRTA01_CallCompileProgressDlgFn>(h_, "ZRTA01_CallCompileProgressDlg")(ownerId_, &r), 1);
  EXPECT_TRUE(sink_->shown().empty());
  EXPECT_EQ(r.errors, 2u);
  EXPECT_FALSE(fs::exists(program().temp("TMP002.MVL")));
  std::istringstream args(readFile(program().temp("TMP002.ERR")));
  std::vector<std::string> lines;
  for (std::string l; std::getline(args, l);) lines.push_back(fs::path(l).filename().string());
  EXPECT_EQ(lines, (std::vector<std::string>{"STUBLINK.DLL", "TMP002.Q", "TMP002.LST", "TMP.ATT", "TMP002.MVL",
                                             "TMP002.ERR"}));

  // The result dialog shows the error file.
  driver_->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.resourceId, 130);
    auto* edit = static_cast<QWidget*>(d.widget)->findChild<QPlainTextEdit*>("c1001");
    ASSERT_TRUE(edit);
    EXPECT_TRUE(edit->toPlainText().contains("TMP002.ERR"));
    button(d, "c2")->click();
  };
  EXPECT_EQ(fn<ZRTA02_CallCompileResultDlgFn>(h_, "ZRTA02_CallCompileResultDlg")(ownerId_), 2);
  writeFile(program().temp("TMP002.ERR"), "");
  driver_->seen.clear();
  EXPECT_EQ(fn<ZRTA02_CallCompileResultDlgFn>(h_, "ZRTA02_CallCompileResultDlg")(ownerId_), 2);
  EXPECT_TRUE(driver_->seen.empty());  // 0 bytes: no window
}

TEST_F(Dialogs, CompileFailureKeepsTheRecordAndRefusedTimerStartsNoWorker) {
  writeFile(program().temp("TMP002.Q"), "PROGRAM");
  writeFile(program().temp("TMP.ATT"), "[DDF]");
  setenv("STUBLINK_RESULT", "0", 1);
  ZrlCompileResult r{};
  EXPECT_EQ(fn<ZRTA01_CallCompileProgressDlgFn>(h_, "ZRTA01_CallCompileProgressDlg")(ownerId_, &r), 2);
  ASSERT_EQ(sink_->shown().size(), 1u);
  EXPECT_EQ(sink_->shown()[0].text, "Error!   Executable program could not be created.");
  EXPECT_EQ(r.errors, 2u);
  EXPECT_EQ(r.warnings, 1u);

  writeFile(program().temp("TMP002.ERR"), "old");
  setenv("ZERLO_TEST_REFUSE_TIMERS", "1", 1);
  EXPECT_EQ(fn<ZRTA01_CallCompileProgressDlgFn>(h_, "ZRTA01_CallCompileProgressDlg")(ownerId_, &r), 2);
  EXPECT_EQ(sink_->shown().back().text, "Error!   The translation program cannot be started.");
  EXPECT_EQ(readFile(program().temp("TMP002.ERR")), "old");  // no worker ran
}

TEST_F(Dialogs, DownloadMovesTheBarWithNotices) {
  FakeServer server(program().online);
  ASSERT_TRUE(server.id());
  fn<ZRTA00_SetCurrentServerFn>(h_, "ZRTA00_SetCurrentServer")(server.id());
  EXPECT_EQ(fn<ZRTA03_CallDownloadProgressDlgFn>(h_, "ZRTA03_CallDownloadProgressDlg")(ownerId_), 2);
  EXPECT_EQ(sink_->shown().back().text, "Error!   The file to be downloaded cannot be found.");

  writeFile(program().temp("TMP002.MVL"), "DLF");
  std::atomic<QProgressBar*> bar{nullptr};
  std::atomic<int> seenValue{-1};
  driver_->onShown = [&](const DialogShown& d) {
    bar = static_cast<QWidget*>(d.widget)->findChild<QProgressBar*>("c1002");
    pokeKeys(static_cast<QDialog*>(d.widget));
  };
  server.onCommand = [&](const std::string& c) {
    if (c.rfind("LOAD=", 0) != 0) return;
    std::uint32_t window = std::uint32_t(std::stoul(c.substr(c.find(',') + 1)));
    plat::ipc::Message m;
    m.msg = 1025;
    m.wParam = 50;
    plat::ipc::post(plat::ipc::nameOfId(window), m);
    for (int i = 0; i < 300 && seenValue.load() != 50; ++i) {
      if (QProgressBar* b = bar.load()) seenValue = b->value();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  sink_->clear();
  EXPECT_EQ(fn<ZRTA03_CallDownloadProgressDlgFn>(h_, "ZRTA03_CallDownloadProgressDlg")(ownerId_), 1);
  EXPECT_EQ(seenValue.load(), 50);
  EXPECT_TRUE(sink_->shown().empty());
  ASSERT_FALSE(server.cmds().empty());
  EXPECT_NE(server.cmds().back().find("TMP002.MVL,"), std::string::npos);
  EXPECT_EQ(server.cmds().back().substr(server.cmds().back().size() - 5), ",1025");
}

TEST_F(Dialogs, ModeChangeRefusedShows1008) {
  FakeServer server(program().online);
  server.result("MODE", 0);
  fn<ZRTA00_SetCurrentServerFn>(h_, "ZRTA00_SetCurrentServer")(server.id());
  EXPECT_EQ(fn<ZRTA04_CallChangeInterfaceModeDlgFn>(h_, "ZRTA04_CallChangeInterfaceModeDlg")(ownerId_), 2);
  EXPECT_EQ(driver_->seen, std::vector<int>{133});
  EXPECT_EQ(sink_->shown().back().text, "Error!   No connection to interface.");
  EXPECT_EQ(fn<ZRTA00_GetCurrentServerFn>(h_, "ZRTA00_GetCurrentServer")(), server.id());
  fn<ZRTA04_ResetInterfaceModeFn>(h_, "ZRTA04_ResetInterfaceMode")();
  fn<ZRTA04_ResetInterfaceModeFn>(h_, "ZRTA04_ResetInterfaceMode")();
  EXPECT_EQ(server.cmds(), std::vector<std::string>{"MODE=AKXI"});
}

TEST_F(Dialogs, SettingsClampValidateStoreAndCancelAfterClamp) {
  program().writeInterface(2, 4, 10);  // LPT1 (maximum 3) with 4 interfaces stored
  int step = 0;
  driver_->onShown = [&](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    auto* count = w->findChild<QComboBox*>("c1003");
    auto* cycle = w->findChild<QLineEdit*>("c1004");
    EXPECT_EQ(w->findChild<QComboBox*>("c1002")->currentText(), "LPT1");
    EXPECT_EQ(count->currentText(), "3");
    EXPECT_TRUE(button(d, "c1006")->isVisibleTo(w));
    cycle->setText("150");
    button(d, "c1")->click();
    EXPECT_TRUE(w->isVisible());
    cycle->setText(" 50");
    count->setCurrentIndex(1);
    button(d, "c1")->click();
    ++step;
  };
  EXPECT_EQ(fn<ZRTA05_CallInterfaceSettigsDlgFn>(h_, "ZRTA05_CallInterfaceSettigsDlg")(ownerId_, 0), 1);
  EXPECT_EQ(step, 1);
  ASSERT_EQ(sink_->shown().size(), 1u);
  EXPECT_EQ(sink_->shown()[0].text, "Only cycle rates equal to or less than 100 ms are supported for the selected port.");
  std::string ini = readFile(program().dir / "INTERFACE.INI");
  EXPECT_NE(ini.find("IFACENUM=2"), std::string::npos) << ini;
  EXPECT_NE(ini.find("CYCLETIME=50"), std::string::npos) << ini;

  // Mode 1 while the online server runs the program: 1019, nothing stored; Cancel after the clamp answers 1.
  program().writeInterface(2, 4, 10);
  FakeServer server(program().online);
  server.mode = "ONLINE";
  sink_->clear();
  driver_->onShown = [&](const DialogShown& d) {
    button(d, "c1")->click();
    EXPECT_TRUE(static_cast<QWidget*>(d.widget)->isVisible());
    button(d, "c2")->click();
  };
  EXPECT_EQ(fn<ZRTA05_CallInterfaceSettigsDlgFn>(h_, "ZRTA05_CallInterfaceSettigsDlg")(ownerId_, 1), 1);
  ASSERT_EQ(sink_->shown().size(), 1u);
  EXPECT_EQ(sink_->shown()[0].text, "Interface settings cannot be changed while the program is running.");
  EXPECT_NE(readFile(program().dir / "INTERFACE.INI").find("IFACENUM=4"), std::string::npos);
  EXPECT_TRUE(server.cmds().empty());

  // In STOP: stored, then PARACHANGE.
  server.mode = "STOP";
  driver_->onShown = [&](const DialogShown& d) { button(d, "c1")->click(); };
  EXPECT_EQ(fn<ZRTA05_CallInterfaceSettigsDlgFn>(h_, "ZRTA05_CallInterfaceSettigsDlg")(ownerId_, 1), 1);
  EXPECT_NE(readFile(program().dir / "INTERFACE.INI").find("IFACENUM=3"), std::string::npos);
  EXPECT_EQ(server.cmds(), std::vector<std::string>{"MODE=PARACHANGE"});
}

TEST_F(Dialogs, SettingsButtonCallsTheDriverAndF1AsksForHelp) {
  program().writeInterface(2, 1, 10);
  unsetenv("STUBDRV_CALL");
  auto select = [](QWidget* w, const char* port) {
    auto* c = w->findChild<QComboBox*>("c1002");
    c->setCurrentIndex(c->findText(port));
  };
  driver_->onShown = [&](const DialogShown& d) {
    auto* w = static_cast<QWidget*>(d.widget);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &f1);
    button(d, "c1006")->click();  // LPT1: the stub driver
    select(w, "SIM");             // a driver that is not there
    button(d, "c1006")->click();
    select(w, "NODLG");           // a library without the dialog
    button(d, "c1006")->click();
    button(d, "c2")->click();
  };
  EXPECT_EQ(fn<ZRTA05_CallInterfaceSettigsDlgFn>(h_, "ZRTA05_CallInterfaceSettigsDlg")(ownerId_, 0), 2);
  auto shown = sink_->shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Help Context: 62");
  EXPECT_EQ(shown[0].style, unsigned(MB_ICONINFORMATION));
  EXPECT_EQ(shown[1].text, "Error!   Communication driver for selected port cannot be loaded.");
  EXPECT_EQ(shown[2].text, "Error!   Communication driver contains no settings dialog.");
  auto helps = sink_->helps();
  ASSERT_EQ(helps.size(), 1u);
  EXPECT_EQ(helps[0].context, 62u);
  EXPECT_NE(helps[0].file.find("ZERLO.HLP"), std::string::npos) << helps[0].file;
  const char* call = std::getenv("STUBDRV_CALL");
  ASSERT_TRUE(call);
  std::istringstream parts(call);
  std::string dlg, port, ini, res;
  parts >> dlg >> port >> ini >> res;
  EXPECT_NE(dlg, "0");
  EXPECT_EQ(port, "2");
  EXPECT_EQ(fs::path(ini).filename(), "INTERFACE.INI");
  EXPECT_EQ(res, "nores");
}

TEST_F(Dialogs, SettingsDialogFromAWorkerThread) {
  program().writeInterface(2, 1, 10);
  driver_->onShown = [&](const DialogShown& d) {
    EXPECT_EQ(static_cast<QWidget*>(d.widget)->parentWidget(), owner_.get());
    button(d, "c2")->click();
  };
  std::atomic<int> result{0};
  std::thread worker([&] {
    result = fn<ZRTA05_CallInterfaceSettigsDlgFn>(h_, "ZRTA05_CallInterfaceSettigsDlg")(ownerId_, 1);
  });
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (result.load() == 0 && std::chrono::steady_clock::now() < end)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_EQ(result.load(), 2);
  EXPECT_EQ(driver_->seen, std::vector<int>{134});
}
