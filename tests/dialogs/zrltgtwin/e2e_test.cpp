// Across processes: zrltgtwin.so starts the real named server ONL32NS for a
// login, fetches the software PLC's description, compiles a sample text with
// the real code generator in dialog 129, downloads it in dialog 131 (a
// progress notice moves the bar), the server shows the project's identity,
// and the logout closes the server.
#include "zrltgtwin/zrltgtwin.h"

#include "dialogkit/qtkit.h"
#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/uisink.h"
#include "srvclient/client.h"
#include "srvclient/launch.h"

#include <QApplication>

#include "../support/dlgtest.h"
#include <QProgressBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using dlgtest::app;

struct Watch : plat::ui::DialogObserver {
  std::vector<int> seen;
  int maxBar = -1;
  void shown(const plat::ui::DialogShown& d) override {
    seen.push_back(d.resourceId);
    if (auto* bar = static_cast<QWidget*>(d.widget)->findChild<QProgressBar*>("c1002"))
      QObject::connect(bar, &QProgressBar::valueChanged, [this](int v) { maxBar = std::max(maxBar, v); });
  }
  void timedOut(const plat::ui::DialogShown& d) override { ADD_FAILURE() << "dialog " << d.resourceId << " hung"; }
  int deadlineMs() const override { return 30000; }
};

using dlgtest::fn;

} // namespace

TEST(AcrossProcesses, LoginIdentCompileDownloadLogout) {
  app();
  const fs::path bin = ZERLO_BIN_DIR;
  const std::string name = "TwE2E-" + std::to_string(::getpid());
  fs::path dir = fs::path(::testing::TempDir()) / ("twe2e-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "TEMP");
  fs::create_directories(dir / "ENGLISH");
  fs::copy_file(bin / "zrltgtwin.so", dir / "zrltgtwin.so");
  fs::copy_file(bin / "ObelTool.so", dir / "ObelTool.so");
  for (const char* f : {"DdfReader.so", "MSGCONVLE.so", "MSGCONVBE.so", "cglink30.so", "ONL32NS"})
    fs::create_symlink(bin / f, dir / f);
  fs::create_symlink(bin / "ENGLISH" / "ZRLTGTWINRES.so", dir / "ENGLISH" / "ZRLTGTWINRES.so");
  std::ofstream(dir / "OBEL.INI") << "[SYSTEM]\nLANGUAGE=2\n[DIR]\nTEMP=TEMP\n[LANGUAGES]\n2=ENGLISH\n"
                                     "[PROGRAMS]\nSERVER=ONL32NS\n[DLL]\nTRANS=CGLINK30.DLL\n"
                                     "[msgconv]\ndefault=2\n1=MSGCONVBE.DLL\n2=MSGCONVLE.DLL\n6=MSGCONVLE.DLL\n";
  const std::string ini = (dir / "INTERFACE.INI").string();
  std::string base;
  ASSERT_TRUE(plat::path::readFile((bin / "INTERFACE.INI").string(), base));
  ASSERT_TRUE(plat::path::writeFileAtomic(ini, base));
  ASSERT_TRUE(plat::profile::writeString(ini, "COMM TEMPLATES", "2", name.c_str()));
  ASSERT_TRUE(plat::profile::writeString(ini, name, "driver", "ZerloRuntime.dll"));
  ASSERT_TRUE(plat::profile::writeString(ini, "SETTINGS", "CYCLETIME", "10"));
  ::setenv("ZERLO_DDFREADER_BINDIR", dir.c_str(), 1);

  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope(sink);
  auto watch = std::make_shared<Watch>();
  plat::ui::setDialogObserver(watch);

  plat::lib::Handle h = plat::lib::load((dir / "ZRLTGTWIN.DLL").string());
  ASSERT_TRUE(h) << plat::lib::lastError();
  fn<ZRTA00_SetInstanceNumberFn>(h, "ZRTA00_SetInstanceNumber")(2);

  // The frame: an endpoint of this process with a window attached.
  QWidget frame;
  auto ep = plat::ipc::Endpoint::create(plat::ipc::endpointName("Obel-L", name),
                                        [](const plat::ipc::Message&) { return plat::ipc::Answer{}; });
  ASSERT_TRUE(ep);
  ASSERT_TRUE(kit::attachOwner(ep->id(), &frame));

  ASSERT_NE(fn<TA01_LoginByServerFn>(h, "TA01_LoginByServer")(0, ep->id()), 0) << "the server did not start";
  ZrlWindow server = fn<ZRTA00_GetCurrentServerFn>(h, "ZRTA00_GetCurrentServer")();
  ASSERT_NE(server, 0u);
  const std::string endpoint = plat::ipc::nameOfId(server);
  EXPECT_EQ(fn<TA01_TestIFConnectionFn>(h, "TA01_TestIFConnection")(server), 1);
  ASSERT_NE(fn<TA01_GetDFFFn>(h, "TA01_GetDFF")(server), 0);
  EXPECT_TRUE(fs::exists(dir / "TEMP" / "TMP.ATT"));

  std::ofstream(dir / "TEMP" / "TMP002.Q") << ";\n&BEG\n T_ms  : 10\n Li_Nr : 1;\n"
                                              "          &ADDW\n             : DW5\n             : PW150\n"
                                              "             : DW5\n;\n&END\n Li_Nr : 1;\n#PW150 = 3\n";
  ZrlCompileResult r{};
  EXPECT_EQ(fn<ZRTA01_CallCompileProgressDlgFn>(h, "ZRTA01_CallCompileProgressDlg")(ep->id(), &r), 1)
      << (sink->shown().empty() ? "" : sink->shown().back().text);
  EXPECT_EQ(r.errors, 0u);
  ASSERT_TRUE(fs::exists(dir / "TEMP" / "TMP002.MVL"));

  std::ofstream(dir / "Sample.Project.mdl") << "project";
  fn<ZRTA00_SetProjectFilePathFn>(h, "ZRTA00_SetProjectFilePath")((dir / "Sample.Project.mdl").c_str());
  EXPECT_EQ(fn<ZRTA03_CallDownloadProgressDlgFn>(h, "ZRTA03_CallDownloadProgressDlg")(ep->id()), 1)
      << (sink->shown().empty() ? "" : sink->shown().back().text);
  EXPECT_GT(watch->maxBar, 0);
  EXPECT_EQ(watch->seen, (std::vector<int>{129, 131}));
  srv::Client c(endpoint);
  EXPECT_EQ(c.query("PROGINFO").value_or("").substr(0, 7), "SAMPLE ");

  EXPECT_EQ(fn<TA01_LogoutByServerFn>(h, "TA01_LogoutByServer")(0, ep->id()), 1);
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    std::this_thread::sleep_for(50ms);
    gone = !plat::ipc::exists(endpoint);
  }
  EXPECT_TRUE(gone);
  if (!gone) srv::shutdown(endpoint);
  plat::ui::setDialogObserver(nullptr);
  plat::lib::unload(h);
  ::unsetenv("ZERLO_DDFREADER_BINDIR");
  fs::remove_all(dir);
}
