#include "platform/library.h"
#include "platform/windows.h"
#include "shell/libapi.h"
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTextEdit>
#include <QToolBar>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

namespace {

int argc = 1;
char arg0[] = "stockbars_test";
char* argv[] = {arg0, nullptr};

// The frame as a window of this process: it records the messages posted to it.
struct FrameTarget : plat::win::WindowTarget {
  QMainWindow* w;
  std::mutex mu;
  std::vector<std::pair<std::uint32_t, std::int64_t>> posted;
  void* widget() const override { return w; }
  bool post(std::uint32_t msg, std::int64_t wp, std::int64_t) override {
    std::lock_guard<std::mutex> lock(mu);
    posted.emplace_back(msg, wp);
    return true;
  }
  std::int64_t send(std::uint32_t, std::int64_t, std::int64_t) override { return 0; }
};

class StockBars : public testing::Test {
protected:
  void SetUp() override {
    static QApplication* app = new QApplication(argc, argv);   // lives until the process ends
    (void)app;
    lib_ = plat::lib::load(std::string(ZERLO_BIN_DIR) + "/STOCKBARS.DLL");
    ASSERT_NE(lib_, nullptr) << plat::lib::lastError();
    frame_ = new QMainWindow;
    frame_->setCentralWidget(new QTextEdit);
    frame_->resize(800, 480);
    target_ = std::make_shared<FrameTarget>();
    target_->w = frame_;
    id_ = plat::win::registerWindow(target_);
    ASSERT_NE(id_, 0u);
  }
  void TearDown() override {
    fn<int (*)()>("SB06_DestroyMenu")();
    fn<int (*)()>("SB01_DestroyStatusBar")();
    fn<int (*)()>("SB02_DestroyToolBar")();
    fn<int (*)()>("SB05_DestroyMacroBar")();
    plat::win::unregisterWindow(id_);
    delete frame_;
    // What the library released later goes now, while its code is loaded;
    // the library stays loaded for the process (its actions' slots live in it).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  template <class F> F fn(const char* name) {
    F f = plat::lib::symbolAs<F>(lib_, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  std::string dump() {
    auto d = fn<int (*)(char*, int)>("SB99_DumpState");
    std::string s(std::size_t(d(nullptr, 0)) + 1, '\0');
    d(s.data(), int(s.size()));
    s.resize(s.size() - 1);
    return s;
  }
  void createAll() {
    ASSERT_NE(fn<std::uint32_t (*)()>("SB06_CreateMenu")(), 0u);
    fn<int (*)(std::int32_t, std::int32_t)>("SB00_SetStartFlags")(1, 1);
    ASSERT_EQ(fn<int (*)(shell::Hwnd)>("SB01_CreateStatusBar")(id_), 1);
    ASSERT_EQ(fn<int (*)(shell::Hwnd)>("SB02_CreateToolBar")(id_), 1);
    ASSERT_EQ(fn<int (*)(shell::Hwnd)>("SB05_CreateMacroBar")(id_), 1);
  }
  void* lib_ = nullptr;
  QMainWindow* frame_ = nullptr;
  std::shared_ptr<FrameTarget> target_;
  plat::handles::Id id_ = 0;
};

TEST_F(StockBars, VersionAndEveryBoundName) {
  EXPECT_DOUBLE_EQ(fn<double (*)()>("SB00_GetDLLVersion")(), 1.002);
#define STOCKBARS_HAS(ret, name, params, args, unbound) EXPECT_NE(plat::lib::symbol(lib_, #name), nullptr) << #name;
  SHELL_STOCKBAR_NAMES(STOCKBARS_HAS)
#undef STOCKBARS_HAS
}

TEST_F(StockBars, MenusHoldTheFramesCommands) {
  createAll();
  std::string d = dump();
  std::istringstream in(d);
  std::vector<std::string> menus;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("menu ", 0) == 0) menus.push_back(line);
  ASSERT_GE(menus.size(), 6u) << d;
  EXPECT_EQ(menus[0].rfind("menu &File:", 0), 0u);
  EXPECT_NE(menus[0].find(" 216"), std::string::npos);
  EXPECT_NE(menus[3].find(" 273"), std::string::npos) << "273 lies in the fourth menu";
  // The fifth menu has an item at position 4.
  std::istringstream fifth(menus[4].substr(menus[4].find(':') + 1));
  std::vector<std::string> items;
  for (std::string t; fifth >> t;) items.push_back(t);
  ASSERT_GT(items.size(), 4u);
  auto menuNamed = [&](const std::string& title) {
    for (const auto& m : menus)
      if (m.rfind("menu " + title + ":", 0) == 0) return m;
    return std::string();
  };
  EXPECT_NE(menuNamed("&Window").find(" 242"), std::string::npos) << "the Window menu";
  for (int id : {320, 512, 513, 383, 282, 260})
    EXPECT_NE(menuNamed("&Simulation").find(" " + std::to_string(id)), std::string::npos) << id;
  for (int id : {201, 203, 204, 207, 208, 211, 212, 213, 216, 222, 230, 231, 232, 233, 234, 235, 236, 237, 239, 242,
                 243, 244, 245, 246, 247, 248, 250, 251, 252, 256, 258, 259, 260, 261, 262, 267, 268, 269, 273, 282,
                 287, 288, 290, 300, 304, 305, 318, 319, 320, 321, 322, 323, 324, 330, 331, 332, 333, 360, 361, 362, 363,
                 370, 371, 372, 373, 374, 375, 382, 383, 512, 513, 40021, 40022, 40030})
    EXPECT_NE(d.find("item " + std::to_string(id) + " "), std::string::npos) << id;
  // Commands that do nothing in this program have no item and no button.
  for (int id : {209, 215, 223, 229, 238, 240, 241, 257, 264, 266, 270, 271, 274, 275, 301, 302, 334, 335}) {
    EXPECT_EQ(d.find("item " + std::to_string(id) + " "), std::string::npos) << id;
    EXPECT_EQ(d.find("tool " + std::to_string(id) + " "), std::string::npos) << id;
  }
}

TEST_F(StockBars, StatesFollowTheCalls) {
  createAll();
  auto enable = fn<int (*)(std::int32_t, std::int32_t)>("SB00_EnableBarItem");
  auto check = fn<int (*)(std::int32_t, std::int32_t)>("SB06_CheckMenuItem");
  auto checked = fn<int (*)(std::int32_t)>("SB06_IsMenuItemChecked");
  enable(203, 0);
  check(318, 1);
  EXPECT_EQ(checked(318), 1);
  EXPECT_EQ(checked(319), 0);
  EXPECT_NE(dump().find("item 203 d"), std::string::npos);
  EXPECT_NE(dump().find("tool 203 d"), std::string::npos);
  auto insert = fn<int (*)(std::int32_t, std::int32_t, const char*)>("SB06_InsertMenuItem");
  EXPECT_EQ(insert(0, 400, "&1: PLANT"), 1);
  EXPECT_NE(dump().find("item 400 e &1: PLANT"), std::string::npos);
  EXPECT_EQ(fn<int (*)(std::int32_t)>("SB06_DeleteMenuItem")(400), 1);
  EXPECT_EQ(dump().find("item 400 "), std::string::npos);
  fn<int (*)(std::int32_t)>("SB00_ChangeBarsForEditMode")(2);
  EXPECT_EQ(fn<int (*)()>("SB00_GetEditMode")(), 2);
  EXPECT_NE(dump().find("tool 247 e c "), std::string::npos);
  fn<int (*)(std::int32_t)>("SB02_EnableToolBar")(0);
  std::int32_t status = -1, tool = -1;
  fn<int (*)(std::int32_t*, std::int32_t*)>("SB00_GetStartFlags")(&status, &tool);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(tool, 0);
  // A chosen command reaches the frame as WM_COMMAND.
  frame_->menuBar()->actions().at(0)->menu()->actions().at(0)->trigger();
  ASSERT_FALSE(target_->posted.empty());
  EXPECT_EQ(target_->posted.back(), (std::pair<std::uint32_t, std::int64_t>(273, 222)));
}

// A label names one command: within a menu and within the tool bar no two
// controls read the same; the simulation switch shows its run-time text on
// both its item and its button.
TEST_F(StockBars, LabelsAreUniqueAndTheSwitchTextReachesTheButton) {
  createAll();
  for (QAction* top : frame_->menuBar()->actions()) {
    std::set<QString> seen;
    for (QAction* a : top->menu()->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_TRUE(seen.insert(a->text().remove('&')).second) << a->text().toStdString();
    }
  }
  std::set<QString> buttons;
  for (QToolBar* bar : frame_->findChildren<QToolBar*>())
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_TRUE(buttons.insert(a->text()).second) << a->text().toStdString();
    }
  EXPECT_NE(dump().find("item 282 e Simulation ein"), std::string::npos);
  EXPECT_NE(dump().find("tool 282 e Simulation ein"), std::string::npos);
  fn<int (*)(std::int32_t, const char*)>("SB06_SetMenuItemText")(282, "Simulation aus");
  EXPECT_NE(dump().find("item 282 e Simulation aus"), std::string::npos);
  EXPECT_NE(dump().find("tool 282 e Simulation aus"), std::string::npos);
}

TEST_F(StockBars, Picture) {
  createAll();
  fn<int (*)(std::int32_t, const char*)>("SB01_SetStatusBarText")(0, "Ready");
  frame_->show();
  QApplication::processEvents();
  shell::BarRect r{};
  fn<int (*)(std::int32_t, std::int32_t, shell::BarRect*)>("SB01_SizeStatusBar")(800, 480, &r);
  EXPECT_GT(r.bottom - r.top, 0);
  QImage img = frame_->grab().toImage();
  // With the File menu open beside it.
  QMenu* file = frame_->menuBar()->actions().at(0)->menu();
  QImage menu = file->grab().toImage();
  QImage both(img.width() + menu.width(), std::max(img.height(), menu.height()), QImage::Format_RGB32);
  both.fill(Qt::white);
  QPainter p(&both);
  p.drawImage(0, 0, img);
  p.drawImage(img.width(), 0, menu);
  p.end();
  EXPECT_TRUE(both.save(QString::fromStdString(testing::TempDir() + "stockbars_frame.png")));
}

} // namespace
