// The frame and worksheet windows in process, over the recording dispatcher:
// the pending values of new sheets, maximising, the window slot test, zoom
// keys, scrolling, Window-menu routing, the start screen's end, dropped files
// and the close questions. Numbered messages are answered by a hook.
#include "zerloapp/cmdline.h"
#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"
#include "platform/library.h"
#include "platform/uisink.h"
#include "zerloapp/frame.h"
#include "zerloapp/instances.h"
#include "zerloapp/startup.h"
#include "message_hook.h"
#include "stockwin/stockwin.h"
#include "../shell/fixtures.h"
#include "engine/paramxfer.h"
#include "engine/workers.h"
#include "platform/endpoint.h"
#include "platform/uisink.h"
#include "srvclient/kc.h"
#include "srvclient/protocol.h"
#include "shell/binding.h"
#include "shell/help.h"
#include "shell/menustate.h"
#include "shell/printing.h"
#include "shell/prompts.h"
#include "shell/utilities.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <deque>
#include <fstream>
#include <filesystem>
#include <set>
#include <memory>
#include <mutex>
#include <thread>

namespace zapp {
namespace {

// Made once and never destroyed: a static one would go after Qt's own
// statics at exit.
void application() {
  static int argc = 1;
  static char name[] = "frame_test";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

class FrameTest : public ::testing::Test {
protected:
  RecordingDispatcher dispatcher;
  std::unique_ptr<Frame> frame;
  std::vector<int> messages;        // numbers shown, in order
  std::deque<int> answers;          // answers to the next messages (else OK)

  void SetUp() override {
    application();
    // What an earlier test left queued (the exit of a frame that closed)
    // runs now, outside any dialog's event loop.
    QApplication::processEvents();
    app() = AppState{};
    app().instance = 1;
    recordMessages(messages, answers);
    frame = std::make_unique<Frame>(dispatcher);
    frame->resize(800, 600);
    frame->show();
  }
  void TearDown() override {
    for (Worksheet* w : frame->worksheets()) delete w;
    frame.reset();
    app_SetMessageHook({});
    app() = AppState{};
  }
  bool logged(const std::string& line) const {
    return std::find(dispatcher.log.begin(), dispatcher.log.end(), line) != dispatcher.log.end();
  }
  // The dispatcher answers 1 (open it) to the sheet commands.
  void opensSheets() {
    for (int id : {230, 231, 232, 233, 234, 235, 267}) dispatcher.commandAnswers[id] = {1};
  }
  // The target dialogs library's stand-in bound (with the settings library
  // that names it); its FixtureSet, null when it cannot be had.
  using FixtureSetFn = void (*)(const char*, long);
  FixtureSetFn bindTargetStandIn(const std::string& dir) {
    shell::setProgramDir(dir);
    shelltest::fixtureClear(dir, "ZRLTGTWIN.DLL");
    if (shell::bind_LoadObelTool() != 1 || shell::bind_LoadZrlTgtWin(1) != 1) return nullptr;
    return shelltest::fixtureFn<FixtureSetFn>(dir, "ZRLTGTWIN.DLL", "FixtureSet");
  }
  void unbindTargetStandIn() {
    shell::bind_UnloadAll();
    shell::clearBindLog();
    shell::setProgramDir("");
    shell::programFlags() = shell::ProgramFlags{};
    app().online = false;
  }
  int countKind(int kind) const {
    int n = 0;
    for (Worksheet* w : frame->worksheets()) n += w->data.kind == kind;
    return n;
  }
};

TEST_F(FrameTest, NewSheetsGetTheirPendingValues) {
  struct Case { int command, kind, pending; };
  // 231 first: it only brings a shown "$MAIN" to the top.
  const Case cases[] = {{231, 1, 501}, {230, 0, 500}, {233, 3, 503}, {234, 4, 504}, {235, 5, 506}};
  opensSheets();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    dispatcher.log.clear();
    frame->onCommand(c.command);
    EXPECT_TRUE(logged("event 273 " + std::to_string(c.pending) + " kind " + std::to_string(c.kind)));
    ASSERT_NE(frame->active(), nullptr);
    EXPECT_EQ(frame->active()->data.kind, c.kind);
    EXPECT_EQ(frame->pendingKind, 0);
  }
  // The value sheet is created without the event.
  dispatcher.log.clear();
  frame->onCommand(267);
  EXPECT_EQ(countKind(7), 1);
  for (const std::string& line : dispatcher.log) EXPECT_EQ(line.find(" 507"), std::string::npos) << line;
}

TEST_F(FrameTest, FirstSheetMaximisedDefaultPlacementAfterTile) {
  opensSheets();
  frame->onCommand(230);
  ASSERT_EQ(frame->worksheets().size(), 1u);
  EXPECT_TRUE(frame->worksheets()[0]->isMaximized());
  frame->onCommand(361);  // Tile
  frame->onCommand(230);
  Worksheet* second = frame->active();
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->isMaximized());
}

TEST_F(FrameTest, SlotTestWithTwentyEditingSheets) {
  opensSheets();
  for (int i = 0; i < kOpenWindowSlots; ++i) frame->onCommand(230);
  ASSERT_EQ(countKind(0), kOpenWindowSlots);
  EXPECT_TRUE(messages.empty());
  // A 21st editing sheet: 40009 and nothing opened.
  frame->onCommand(230);
  EXPECT_EQ(messages, std::vector<int>{40009});
  EXPECT_EQ(countKind(0), kOpenWindowSlots);
  // The simulation sheet belongs to the other group: it passes.
  messages.clear();
  frame->onCommand(233);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(countKind(3), 1);
}

TEST_F(FrameTest, ZoomKeysStopAtTheirLimitsAndTheSlashKeyResets) {
  opensSheets();
  frame->onCommand(230);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  auto key = [&](int k, Qt::KeyboardModifiers mods) {
    QKeyEvent e(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(w->canvas, &e);
  };
  for (int i = 0; i < 60; ++i) key(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_FLOAT_EQ(app().settings.zoom, 10.0f);
  key(Qt::Key_Slash, Qt::NoModifier);
  EXPECT_FLOAT_EQ(app().settings.zoom, 1.0f);
  for (int i = 0; i < 10; ++i) key(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_NEAR(app().settings.zoom, 0.3f, 1e-5);
  // Plus without the keypad is not a zoom key.
  key(Qt::Key_Plus, Qt::NoModifier);
  EXPECT_NEAR(app().settings.zoom, 0.3f, 1e-5);
}

TEST_F(FrameTest, ScrollingStopsAtTheSheetSizeLess100) {
  opensSheets();
  frame->onCommand(230);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  for (int i = 0; i < 40; ++i) w->scroll(false, 1);
  EXPECT_EQ(w->data.scrollX, 1600 - 100);
  w->scroll(true, 7);
  EXPECT_EQ(w->data.scrollY, 1130 - 100);
  w->scroll(false, 4, 5000);
  EXPECT_EQ(w->data.scrollX, 1500);
  w->scroll(true, 6);
  w->scroll(true, 0);
  EXPECT_EQ(w->data.scrollY, 0);
  // The trend sheet has no scroll bars: nothing moves.
  frame->onCommand(235);
  Worksheet* trend = frame->active();
  ASSERT_NE(trend, nullptr);
  ASSERT_EQ(trend->data.kind, 5);
  trend->scroll(false, 1);
  EXPECT_EQ(trend->data.scrollX, 0);
}

TEST_F(FrameTest, WindowMenuEntriesWithThreeSheets) {
  opensSheets();
  for (int i = 0; i < 3; ++i) frame->onCommand(230);
  Worksheet* first = frame->openWindows[0].window;
  ASSERT_NE(first, nullptr);
  frame->onCommand(400);
  EXPECT_EQ(frame->active(), first);
  dispatcher.log.clear();
  frame->onCommand(405);   // no sixth sheet: nothing happens
  EXPECT_EQ(frame->active(), first);
  EXPECT_TRUE(dispatcher.log.empty());
  frame->onCommand(402);
  EXPECT_EQ(frame->active(), frame->openWindows[2].window);
}

TEST_F(FrameTest, StartScreenEndEnablesTheFrameOnce) {
  int started = 0;
  frame->onStarted = [&] { ++started; };
  frame->setEnabled(false);
  frame->wndProc(kWmUser0 + 41, 0, 0);
  EXPECT_TRUE(frame->isEnabled());
  frame->wndProc(kWmUser0 + 41, 0, 0);
  EXPECT_EQ(started, 1);
}

TEST_F(FrameTest, DroppedFiles) {
  // Ignored while online.
  app().online = true;
  frame->dropFile("/tmp/A.MDL");
  EXPECT_TRUE(dispatcher.log.empty());
  app().online = false;
  // A name that does not fit the open buffer opens nothing.
  std::string line;
  frame->messageLine = [&](const std::string& l) { line = l; };
  frame->dropFile("/" + std::string(kOpenBufferSize, 'a'));
  EXPECT_TRUE(dispatcher.log.empty());
  EXPECT_NE(line.find("too long"), std::string::npos);
  // Otherwise the project is closed and the file loaded by name.
  frame->dropFile("/tmp/A.MDL");
  EXPECT_TRUE(logged("event 273 204"));
  EXPECT_TRUE(logged("event 273 201"));
  EXPECT_EQ(dispatcher.openName, "/tmp/A.MDL");
}

TEST_F(FrameTest, CloseQuestions) {
  struct Case {
    bool online, changed;
    std::vector<int> answers;
    int saveAnswer;  // the dispatcher's answer to 203
    int result;
    std::vector<int> asked;
  };
  const Case cases[] = {
      {false, false, {}, 0, 1, {}},
      {true, false, {7}, 0, 0, {40006}},             // No: stays online
      {true, false, {6}, 0, 1, {40006}},
      {false, true, {2}, 0, 0, {40008}},             // Cancel
      {false, true, {7}, 0, 1, {40008}},             // No
      {false, true, {6}, 0, 1, {40008}},             // Yes, saved
      {false, true, {6}, 1, 0, {40008}},             // Yes, the save fails: as Cancel
      {true, true, {6, 2}, 0, 0, {40006, 40008}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.online << c.changed << c.saveAnswer);
    app().online = c.online;
    dispatcher.changed = c.changed;
    dispatcher.commandAnswers[203] = {c.saveAnswer};
    answers.assign(c.answers.begin(), c.answers.end());
    messages.clear();
    EXPECT_EQ(frame->onClose(), c.result);
    EXPECT_EQ(messages, c.asked);
    if (c.online && c.answers[0] == 7) {
      EXPECT_TRUE(app().online);
    }
  }
}

TEST_F(FrameTest, MenuSelectHelpContexts) {
  auto select = [&](int item, int flags, std::int64_t menu) {
    frame->wndProc(kWmMenuSelect, std::int64_t(std::uint32_t(item) | std::uint32_t(flags) << 16), menu);
    return frame->helpContext;
  };
  frame->helpContext = 601;
  EXPECT_EQ(select(0, 0x10, 1), 600);      // a popup opens
  EXPECT_EQ(select(230, 0, 1), 230);       // command ids 200..399
  EXPECT_EQ(select(40027, 0, 1), 40027);   // and the languages, web
  EXPECT_EQ(select(500, 0, 1), 601);       // others: no worksheet, no project
  frame->menuState = 2;
  EXPECT_EQ(select(500, 0, 1), 602);
  EXPECT_EQ(select(0, 0x2010, 1), 600);
  EXPECT_EQ(select(0, 0xFFFF, 0), 601);    // closed: the context from before
  EXPECT_EQ(select(0, 0xFFFF, 0), 601);
  opensSheets();
  struct Case { int command, context; };
  for (const Case& c : {Case{230, 603}, Case{233, 605}, Case{234, 608}, Case{235, 606}, Case{267, 607}}) {
    frame->onCommand(c.command);
    EXPECT_EQ(select(999, 0, 1), c.context) << c.command;
  }
}

TEST_F(FrameTest, WorksheetSetupSizesZoomAndCycleTime) {
  const int sizes[6][2] = {{885, 1250}, {1130, 1600}, {1770, 2500}, {1250, 885}, {1600, 1130}, {2500, 1770}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sheetSizeIndex(sizes[i][0], sizes[i][1]), i);
  EXPECT_EQ(sheetSizeIndex(1000, 1000), 0);
  opensSheets();
  frame->onCommand(230);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  w->scroll(false, 7);
  int shown = -1;
  WorkSheetSetup chosen{};
  int answer = 1;
  frame->worksheetSetupDialog = [&](WorkSheetSetup& r) {
    shown = r.format;
    r = chosen;
    return answer;
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    chosen = WorkSheetSetup{i, 2.0f, 1, 59999};
    frame->onCommand(300);
    EXPECT_EQ(app().settings.sheetW, sizes[i][0]);
    EXPECT_EQ(app().settings.sheetH, sizes[i][1]);
    EXPECT_EQ(w->data.rangeX, sizes[i][0] - 100);
    EXPECT_LE(w->data.scrollX, w->data.rangeX);
    EXPECT_FLOAT_EQ(app().settings.zoom, 2.0f);
    EXPECT_EQ(app().settings.cycleTime, 59999u);
  }
  EXPECT_EQ(shown, 4);  // the size before the last choice
  // A cycle time of 60000 is not taken while running; Cancel changes nothing.
  chosen = WorkSheetSetup{0, 1.0f, 0, 60000};
  frame->onCommand(300);
  EXPECT_EQ(app().settings.cycleTime, 59999u);
  answer = 2;
  chosen = WorkSheetSetup{3, 3.0f, 0, 100};
  frame->onCommand(300);
  EXPECT_EQ(app().settings.sheetW, 885);
  EXPECT_FLOAT_EQ(app().settings.zoom, 1.0f);
}

TEST_F(FrameTest, PrivateMessages) {
  app().instance = 4;
  opensSheets();
  frame->onCommand(230);
  ASSERT_NE(frame->active(), nullptr);
  struct Case { std::uint32_t msg; std::int64_t w, l, answer; };
  const Case cases[] = {
      {kInstanceQuery, 0, 0, 4},                                // the instance number
      {kInstanceQuery, 1000, 0, std::int64_t(1600) << 16 | 1130}, // the sheet size
      {kInstanceQuery, 1001, std::int64_t(885) << 16 | 1250, 1},  // a new sheet size
      {kInstanceQuery, 1000, 0, std::int64_t(885) << 16 | 1250},
      {kInstanceQuery, 1001, 0, 0},                             // no size: refused
      {kInstanceQuery, 77, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(frame->wndProc(c.msg, c.w, c.l), c.answer) << c.msg << " " << c.w;
  EXPECT_EQ(frame->active()->data.rangeX, 885 - 100);
  // The stop request of another instance switches the online mode off (262)
  // only while online.
  frame->wndProc(kStopRequest, 0, 0);
  EXPECT_FALSE(app().online);
  EXPECT_NE(frame->menuState, 5);
  app().online = true;
  frame->wndProc(kStopRequest, 0, 0);
  EXPECT_FALSE(app().online);
  EXPECT_EQ(frame->menuState, 5);
  EXPECT_EQ(frame->helpContext, 605);
  // WM_USER+6 / +7 close the editing / running groups.
  frame->onCommand(235);
  frame->wndProc(kWmUser0 + 6, 0, 0);
  EXPECT_EQ(countKind(0), 0);
  EXPECT_EQ(countKind(5), 1);
  frame->wndProc(kWmUser0 + 7, 0, 0);
  EXPECT_TRUE(frame->worksheets().empty());
}

TEST_F(FrameTest, WebSiteCommand) {
  frame->browserCommand = [] { return std::string(); };
  frame->onCommand(40030);   // no browser: nothing at all
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(dispatcher.log.empty());
  frame->browserCommand = [] { return std::string("/nonexistent/browser %1"); };
  frame->onCommand(40030);
  EXPECT_EQ(messages, std::vector<int>{50000});
}

TEST_F(FrameTest, LanguageCommands) {
  shell::RecordingBarMenus bars;
  shell::BarMenus* previous = shell::setBarMenus(&bars);
  bars.check(40022, true);
  // English (2) is the current language: 40022 asks nothing.
  frame->onCommand(40022);
  EXPECT_TRUE(messages.empty());
  answers = {2};
  frame->onCommand(40021);
  EXPECT_EQ(messages, std::vector<int>{40000});
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(bars.isChecked(40022));   // Cancel: the mark stays
  EXPECT_FALSE(bars.isChecked(40021));
  // No: the language changes at the next start; the mark moves now.
  answers = {7};
  frame->onCommand(40021);
  EXPECT_TRUE(bars.isChecked(40021));
  EXPECT_FALSE(bars.isChecked(40022));
  EXPECT_TRUE(frame->isVisible());
  shell::setBarMenus(previous);
  // Yes: the program closes to restart in the new language.
  answers = {6};
  frame->onCommand(40021);
  QApplication::processEvents();
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, SaveQuestionWithTheNewFileSuggestion) {
  char tmpl[] = "/tmp/zapp_frameXXXXXX";
  ASSERT_TRUE(mkdtemp(tmpl));
  const std::string path = std::string(tmpl) + "/NEW.MDL";
  auto make = [&] { std::FILE* f = std::fopen(path.c_str(), "w"); if (f) std::fclose(f); };
  auto exists = [&] { std::FILE* f = std::fopen(path.c_str(), "r"); if (f) std::fclose(f); return f != nullptr; };
  dispatcher.path = path;
  dispatcher.changed = true;
  frame->isNewFileSuggestion = [&](const std::string& p) { return p == path; };
  // No: the automatically named file goes.
  make();
  answers = {7};
  EXPECT_EQ(frame->onClose(), 1);
  EXPECT_FALSE(exists());
  // Yes: Save as; when it fails the program stays and the file stays.
  make();
  answers = {6};
  dispatcher.commandAnswers[207] = {1};
  frame->saveAsDialog = [](std::string&) { return true; };
  dispatcher.log.clear();
  EXPECT_EQ(frame->onClose(), 0);
  EXPECT_TRUE(logged("event 273 207"));
  EXPECT_FALSE(logged("event 273 203"));
  EXPECT_TRUE(exists());
  // The same for closing the project (204): refused, nothing closed.
  answers = {6};
  dispatcher.log.clear();
  frame->onCommand(204);
  EXPECT_TRUE(frame->closeRefused);
  EXPECT_FALSE(logged("event 273 204"));
  EXPECT_TRUE(exists());
  std::remove(path.c_str());
  rmdir(tmpl);
}

// A save that fails (its folder gone or read-only) says where and why and
// offers the file selector: Yes at the close saves elsewhere and closes;
// Cancel at the offer keeps the program open as before.
TEST_F(FrameTest, AFailedSaveOffersSaveAs) {
  char tmpl[] = "/tmp/zapp_frameXXXXXX";
  ASSERT_TRUE(mkdtemp(tmpl));
  const std::string gone = std::string(tmpl) + "/GONE/P.MDL";
  dispatcher.path = gone;
  dispatcher.changed = true;
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope(sink);
  std::string offered;
  frame->saveAsDialog = [&](std::string& p) {
    offered = p;
    p = std::string(tmpl) + "/P.MDL";
    return true;
  };
  // Yes to the save question; the save fails, OK to the offer, the save as works.
  answers = {6};
  sink->answerBox(plat::ui::IDOK);
  dispatcher.commandAnswers[203] = {1};
  dispatcher.commandAnswers[207] = {0};
  dispatcher.log.clear();
  EXPECT_EQ(frame->onClose(), 1);
  EXPECT_TRUE(logged("event 273 203"));
  EXPECT_TRUE(logged("event 273 207"));
  EXPECT_EQ(offered, gone) << "the selector starts with the project's name";
  ASSERT_EQ(sink->shown().size(), 1u);
  const std::string box = sink->shown()[0].text;
  EXPECT_EQ(box.rfind("The project could not be saved.\n", 0), 0u) << box;
  EXPECT_NE(box.find(gone), std::string::npos) << box;
  EXPECT_NE(box.find("No such file or directory"), std::string::npos) << box;
  // Cancel at the offer: no selector, the close is refused.
  offered.clear();
  answers = {6};
  sink->answerBox(plat::ui::IDCANCEL);
  dispatcher.commandAnswers[203] = {1};
  dispatcher.log.clear();
  EXPECT_EQ(frame->onClose(), 0);
  EXPECT_FALSE(logged("event 273 207"));
  EXPECT_EQ(offered, "");
  rmdir(tmpl);
}

// Program-state changes reach the menus and bars: opening sheets, closing the project.
TEST_F(FrameTest, StateChangesUpdateMenusAndBars) {
  shell::RecordingBarMenus bars;
  shell::BarMenus* previous = shell::setBarMenus(&bars);
  shell::menu_Reset();
  opensSheets();
  frame->onCommand(230);
  EXPECT_EQ(shell::menu_State(), 3);
  EXPECT_NE(std::find(bars.calls.begin(), bars.calls.end(), "mode 3"), bars.calls.end());
  frame->onCommand(233);
  EXPECT_EQ(shell::menu_State(), 5);
  bars.calls.clear();
  frame->onCommand(204);
  EXPECT_EQ(shell::menu_State(), 1);
  EXPECT_NE(std::find(bars.calls.begin(), bars.calls.end(), "mode 1"), bars.calls.end());
  shell::setBarMenus(previous);
  shell::menu_Reset();
}

// Recent files: an entry opens its project; one too long for the open buffer
// opens nothing and says why.
TEST_F(FrameTest, RecentFilesOpenTheirProjectAndRefuseOverlongNames) {
  std::vector<std::string> lines;
  frame->messageLine = [&](const std::string& l) { lines.push_back(l); };
  shell::mru_Init(frame->recent);
  const std::string longName = "/" + std::string(200, 'x') + ".MDL";
  shell::mru_Add(frame->recent, "/tmp/B.MDL");
  shell::mru_Add(frame->recent, longName);   // now entry 0
  dispatcher.log.clear();
  frame->onCommand(224);
  EXPECT_FALSE(logged("event 273 201"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("too long"), std::string::npos);
  frame->onCommand(225);
  EXPECT_TRUE(logged("event 273 201"));
  EXPECT_EQ(dispatcher.openName, "/tmp/B.MDL");
  shell::mru_Free(frame->recent);
}

// 213 prints the project, a worksheet's 212 its sheet: both ask the print
// dialog with their owner (cancelled here: nothing printed).
TEST_F(FrameTest, PrintCommandsAskThePrintDialog) {
  std::vector<shell::Hwnd> asked;
  shell::printHooks().printSetup = [&](shell::Hwnd owner, int) {
    asked.push_back(owner);
    return 0u;
  };
  frame->id = 77;
  dispatcher.commandAnswers[213] = {1};   // the editor has pages to print
  dispatcher.log.clear();
  frame->onCommand(213);
  EXPECT_TRUE(logged("event 273 371"));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], 77u);
  opensSheets();
  frame->onCommand(230);
  frame->onCommand(212);
  EXPECT_EQ(asked.size(), 2u);
}

// Timer 998: a tick runs the deferred calls first, then the editor's timer
// event; it is re-armed until stopped.
TEST_F(FrameTest, ATimerTickRunsTheDeferredCallsFirst) {
  opensSheets();
  frame->onCommand(233);
  ASSERT_TRUE(frame->startSheetTimer(100));
  EXPECT_FALSE(frame->startSheetTimer(100)) << "one timer at a time";
  ASSERT_TRUE(shell::ui_QueueCallable([this] { dispatcher.log.push_back("deferred"); }));
  dispatcher.log.clear();
  frame->onSheetTimer();
  ASSERT_GE(dispatcher.log.size(), 2u);
  EXPECT_EQ(dispatcher.log[0], "deferred");
  EXPECT_EQ(dispatcher.log[1], "event 275 0 kind 3");
  EXPECT_TRUE(frame->sheetTimer.isActive());
  frame->stopSheetTimer();
  EXPECT_FALSE(frame->sheetTimer.isActive());
  EXPECT_EQ(shell::ui_DeferredCount(), 0);
}

// 262 switches the online mode on (state 9, context 609, the editor's 262)
// and off again (state 5, context 605).
TEST_F(FrameTest, OnlineModeOnAndOff) {
  opensSheets();
  frame->onCommand(233);
  dispatcher.log.clear();
  frame->onCommand(262);
  EXPECT_TRUE(app().online);
  EXPECT_EQ(frame->menuState, 9);
  EXPECT_EQ(frame->helpContext, 609);
  EXPECT_TRUE(logged("event 273 262"));
  frame->onCommand(262);
  EXPECT_FALSE(app().online);
  EXPECT_EQ(frame->menuState, 5);
  EXPECT_EQ(frame->helpContext, 605);
}

// 261 without a simulation sheet opens one, logs in and tests the interface;
// without a connection 40014 ends it before anything is compiled.
TEST_F(FrameTest, StartStopsAt40014WithoutAnInterface) {
  std::vector<std::string> steps;
  app_SetStepLog([&](const std::string& l) { steps.push_back(l); });
  opensSheets();
  dispatcher.log.clear();
  frame->onCommand(261);
  app_SetStepLog({});
  EXPECT_EQ(countKind(3), 1);
  EXPECT_EQ(messages, std::vector<int>{40014});
  EXPECT_EQ(frame->helpContext, 72);
  EXPECT_EQ(steps, (std::vector<std::string>{"login", "interface test"}));
  EXPECT_FALSE(logged("event 273 260 kind 3"));
}

// The option toggles keep their settings and check marks; 302 and 304 go on
// to the editor, 321 does not.
TEST_F(FrameTest, OptionTogglesKeepSettingAndCheckMark) {
  shell::RecordingBarMenus bars;
  shell::BarMenus* previous = shell::setBarMenus(&bars);
  // Unchecked at first; the edit cursor and auto-routing start on.
  struct Case { int command; bool checked, routed; };
  const Case cases[] = {{302, true, true}, {304, true, true}, {305, false, true}, {321, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    dispatcher.log.clear();
    frame->onCommand(c.command);
    EXPECT_EQ(bars.isChecked(c.command), c.checked);
    EXPECT_EQ(logged("event 273 " + std::to_string(c.command)), c.routed);
  }
  EXPECT_EQ(app().settings.ioLabel, 1);
  EXPECT_EQ(app().settings.editCursor, 0);
  EXPECT_EQ(app().settings.route0, 0);
  EXPECT_EQ(shell::blk_GetRouteOptions().onoff, 0) << "the router follows the switch";
  frame->onCommand(321);
  EXPECT_EQ(app().settings.route0, 1);
  EXPECT_TRUE(bars.isChecked(321));
  EXPECT_EQ(shell::blk_GetRouteOptions().onoff, 1);
  shell::setBarMenus(previous);
}

// 261 with the target dialogs library's stand-in: login, server, interface
// test, device description, the sheet's 260, compile, project path,
// download, then 262; a compile answering 2 downloads nothing.
TEST_F(FrameTest, StartRunsTheTargetChainInOrder) {
  const std::string dir = shelltest::fixtureDir("good");
  auto set = bindTargetStandIn(dir);
  ASSERT_NE(set, nullptr);
  for (const char* name : {"TA01_TestIFConnection", "TA01_GetDFF", "ZRTA01_CallCompileProgressDlg",
                           "ZRTA03_CallDownloadProgressDlg"})
    set(name, 1);
  opensSheets();
  frame->onCommand(261);
  const std::string calls = shelltest::fixtureCalls(dir, "ZRLTGTWIN.DLL");
  std::size_t at = 0;
  for (const char* step : {"TA01_LoginByServer", "ZRTA00_GetCurrentServer", "TA01_TestIFConnection", "TA01_GetDFF",
                           "ZRTA01_CallCompileProgressDlg", "ZRTA00_SetProjectFilePath",
                           "ZRTA03_CallDownloadProgressDlg"}) {
    const std::size_t found = calls.find(step, at);
    ASSERT_NE(found, std::string::npos) << step << " after " << at << " in\n" << calls;
    at = found;
  }
  EXPECT_TRUE(logged("event 273 260 kind 3"));
  EXPECT_TRUE(app().online) << "the download went online";
  EXPECT_EQ(frame->menuState, 9);
  // A compile that answers 2: no download, no online mode.
  frame->onCommand(262);
  ASSERT_FALSE(app().online);
  shelltest::fixtureClear(dir, "ZRLTGTWIN.DLL");
  for (const char* name : {"TA01_TestIFConnection", "TA01_GetDFF"}) set(name, 1);
  set("ZRTA01_CallCompileProgressDlg", 2);
  frame->onCommand(261);
  const std::string second = shelltest::fixtureCalls(dir, "ZRLTGTWIN.DLL");
  EXPECT_NE(second.find("ZRTA01_CallCompileProgressDlg"), std::string::npos);
  EXPECT_EQ(second.find("ZRTA03_CallDownloadProgressDlg"), std::string::npos);
  EXPECT_FALSE(app().online);
  unbindTargetStandIn();
}

// The online values come from the server the login of 261 reached: the
// client is bound to the target dialogs' current server (COMM ON, a bit
// read through the server), and a later login that reaches no server leaves
// the values unanswered instead of asking the old one.
TEST_F(FrameTest, StartBindsTheOnlineValuesToTheServerOfTheLogin) {
  std::mutex mu;
  std::vector<std::string> seen;
  const std::string name = srv::serverEndpoint(srv::kServerClass, "FrameTest-" + std::to_string(getpid()));
  auto server = plat::ipc::Endpoint::create(name, [&](const plat::ipc::Message& m) {
    plat::ipc::Answer a;
    if (m.msg == srv::WM_SRV_BUSY) return a;
    std::lock_guard<std::mutex> lock(mu);
    seen.push_back(m.text);
    a.result = 1;
    if (m.msg == srv::WM_SRV_QUERY && m.text == "E1.0") a.text = "1";
    return a;
  });
  ASSERT_TRUE(server);
  const std::string dir = shelltest::fixtureDir("good");
  auto set = bindTargetStandIn(dir);
  ASSERT_NE(set, nullptr);
  for (const char* fn : {"TA01_TestIFConnection", "TA01_GetDFF", "ZRTA01_CallCompileProgressDlg",
                         "ZRTA03_CallDownloadProgressDlg"})
    set(fn, 1);
  set("ZRTA00_GetCurrentServer", long(server->id()));
  opensSheets();
  frame->onCommand(261);
  ASSERT_TRUE(app().online);
  {
    std::lock_guard<std::mutex> lock(mu);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "COMM=ON"), seen.end()) << "the online mode reached the server";
  }
  bool level = false;
  EXPECT_TRUE(srv::kc::GetBit("E1", level, 0));
  EXPECT_TRUE(level);
  frame->onCommand(262);
  {
    std::lock_guard<std::mutex> lock(mu);
    EXPECT_EQ(seen.back(), "MODE=RESET");
    seen.clear();
  }
  // The next login reaches no server: nothing goes to the old one.
  set("ZRTA00_GetCurrentServer", 0);
  frame->onCommand(261);
  EXPECT_FALSE(srv::kc::GetBit("E1", level, 0));
  {
    std::lock_guard<std::mutex> lock(mu);
    EXPECT_TRUE(seen.empty()) << seen.front();
  }
  if (app().online) frame->onCommand(262);
  srv::kc::BindServer(0);
  unbindTargetStandIn();
}

// Worker threads of block code at a close: No to 40001 keeps everything,
// Yes stops and joins them before the project closes.
TEST_F(FrameTest, RunningWorkersAreAskedAboutBeforeAClose) {
  opensSheets();
  frame->onCommand(230);
  ASSERT_TRUE(engine::th_Start([](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }));
  answers = {7};
  frame->onCommand(204);
  EXPECT_TRUE(frame->closeRefused);
  EXPECT_EQ(countKind(0), 1);
  EXPECT_FALSE(engine::th_NoWorkers());
  EXPECT_EQ(frame->onClose(), 0) << "the program stays with the threads";
  messages.clear();
  answers = {6};
  frame->onCommand(204);
  EXPECT_EQ(messages, std::vector<int>{40001});
  EXPECT_FALSE(frame->closeRefused);
  EXPECT_EQ(countKind(0), 0);
  EXPECT_TRUE(engine::th_NoWorkers());
}

// ---- menus and bars ----

// The bar library of the program over a frame: every menu item and tool-bar
// button, found by the label a user reads, sends the frame its command.
class FrameBars : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    lib_ = plat::lib::load(std::string(ZERLO_BIN_DIR) + "/STOCKBARS.DLL");
    ASSERT_NE(lib_, nullptr) << plat::lib::lastError();
    frame->id = kit::registerOwner(frame.get());
    ASSERT_NE(fn<std::uint32_t (*)()>("SB06_CreateMenu")(), 0u);
    fn<int (*)(std::int32_t, std::int32_t)>("SB00_SetStartFlags")(1, 1);
    for (const char* create : {"SB01_CreateStatusBar", "SB02_CreateToolBar", "SB05_CreateMacroBar"})
      ASSERT_EQ(fn<int (*)(shell::Hwnd)>(create)(frame->id), 1) << create;
    frame->installEventFilter(&commands_);
  }
  void TearDown() override {
    frame->removeEventFilter(&commands_);
    for (const char* destroy : {"SB06_DestroyMenu", "SB01_DestroyStatusBar", "SB02_DestroyToolBar", "SB05_DestroyMacroBar"})
      fn<int (*)()>(destroy)();
    FrameTest::TearDown();
    // What the library released goes now, while its code is loaded; the
    // library stays loaded for the process (its actions' slots live in it).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  template <class F> F fn(const char* name) {
    F f = plat::lib::symbolAs<F>(lib_, name);
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  static QString plain(QString text) { return text.remove('&'); }
  // The action under "Menu>Item" or, for "button Label", on the tool bar.
  QAction* find(const std::string& where) {
    const QString w = QString::fromStdString(where);
    if (w.startsWith("button ")) {
      for (QToolBar* bar : frame->findChildren<QToolBar*>())
        for (QAction* a : bar->actions())
          if (!a->isSeparator() && a->text() == w.mid(7)) return a;
      return nullptr;
    }
    const QStringList path = w.split('>');
    for (QAction* top : frame->menuBar()->actions()) {
      if (plain(top->text()) != path[0] || !top->menu()) continue;
      for (QAction* a : top->menu()->actions())
        if (!a->isSeparator() && plain(a->text()) == path[1]) return a;
    }
    return nullptr;
  }
  // Presses the control and answers the command that reached the frame (0: none).
  int press(QAction* a) {
    commands_.got.clear();
    a->trigger();
    for (int i = 0; i < 50 && commands_.got.empty(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return commands_.got.empty() ? 0 : commands_.got.front();
  }
  // Keeps the frame's commands instead of running them (no dialog opens).
  struct Commands : QObject {
    std::vector<int> got;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() != kit::kWindowMessageEvent) return false;
      auto* m = static_cast<kit::WindowMessageEvent*>(e);
      if (m->msg != kWmCommand) return false;
      got.push_back(int(m->wParam));
      return true;
    }
  } commands_;
  plat::lib::Handle lib_ = nullptr;
};

// Every control by its label and the command it runs; a control that is not
// in this table fails too, so no new item goes untested.
TEST_F(FrameBars, EveryMenuItemAndButtonSendsTheCommandItsLabelSays) {
  struct Case { const char* where; int id; };
  static const Case kCases[] = {
      {"File>New Project...", 222}, {"File>Open Project...", 201}, {"File>Save Project", 203},
      {"File>Save Project As...", 207}, {"File>Close Project", 204}, {"File>Load Library into Project...", 208},
      {"File>Remove Module from Project...", 211},
      {"File>Print Project...", 213}, {"File>Print Worksheet", 212}, {"File>Exit", 216},
      {"Edit>Undo", 256}, {"Edit>Cut", 372}, {"Edit>Copy", 373}, {"Edit>Paste", 374},
      {"Edit>Delete Selection", 375}, {"Edit>Select All", 370}, {"Edit>Deselect All", 371},
      {"Edit>Select and Move Mode", 246}, {"Edit>Delete Mode", 247}, {"Edit>Replace Mode", 248},
      {"Edit>Connect Mode", 244}, {"Edit>Disconnect Mode", 245}, {"Edit>Insert Block", 237},
      {"Edit>Delete Selection or Gate", 239}, {"Edit>Input Count Tool", 243}, {"Edit>Clear Gate Marks", 258},
      {"View>Main Program", 231}, {"View>Main Program in New Window", 230}, {"View>Subprogram...", 232},
      {"View>Simulation Sheet", 233}, {"View>Parameter Sheet", 234}, {"View>Trend Sheet", 235},
      {"View>Value Sheet", 267}, {"View>Status Bar", 318}, {"View>Tool Bar", 319}, {"View>Insert Box", 324},
      {"View>I/O Labels", 304}, {"View>Pointer Shows What Lies Under It", 305},
      {"View>Show Quickstart at Start", 382},
      {"Options>Copy Subprogram...", 250}, {"Options>Design Subprogram Face...", 251},
      {"Options>Delete Subprogram...", 252}, {"Options>Rename Subprogram...", 259}, {"Options>Reserved", 273},
      {"Options>Worksheet Setup...", 300}, {"Options>Automatic Wire Routing", 321},
      {"Options>Interface Settings...", 322}, {"Options>Interface Diagnosis...", 323},
      {"Options>Language: German", 40021}, {"Options>Language: English", 40022},
      {"Target>Start: Compile, Download, Go Online", 261}, {"Target>Online Mode", 262},
      {"Target>Read Parameters from Target", 268}, {"Target>Write Parameters to Target", 269},
      {"Target>Save Parameter List with Heading...", 287}, {"Target>Save Plain Parameter List (.LPA)...", 288},
      {"Target>Show Parameter List File...", 290},
      {"Simulation>Simulation ein", 282}, {"Simulation>Start from Time Zero", 320}, {"Simulation>Next Step", 512},
      {"Simulation>Next Subprogram", 513}, {"Simulation>Back to Upper Level", 383},
      {"Simulation>Setup: Write Target Program", 260},
      {"Window>Cascade", 360}, {"Window>Tile", 361}, {"Window>Arrange Icons", 362},
      {"Window>Close All Windows", 363}, {"Window>Close Window", 236}, {"Window>Copy Window Picture", 242},
      {"Help>Context Help", 330}, {"Help>Help Contents", 333}, {"Help>Help Index", 332}, {"Help>Zerlo on the Web", 40030},
      {"Help>About Zerlo...", 331},
      {"button New Project", 222}, {"button Open Project", 201}, {"button Save", 203}, {"button Print", 213},
      {"button Undo", 256}, {"button Cut", 372}, {"button Copy", 373}, {"button Paste", 374},
      {"button Select", 246}, {"button Delete", 247}, {"button Replace", 248}, {"button Connect", 244},
      {"button Disconnect", 245}, {"button Simulation ein", 282}, {"button From Time Zero", 320},
      {"button Next Step", 512}, {"button Next Subprogram", 513}, {"button Upper Level", 383},
      {"button Setup", 260}, {"button Start", 261}, {"button Online", 262}, {"button Help", 333},
  };
  std::set<QAction*> tested;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.where);
    QAction* a = find(c.where);
    ASSERT_NE(a, nullptr);
    tested.insert(a);
    EXPECT_EQ(press(a), c.id);
  }
  for (QAction* top : frame->menuBar()->actions())
    for (QAction* a : top->menu()->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_TRUE(tested.count(a)) << plain(top->text()).toStdString() << ">" << plain(a->text()).toStdString();
    }
  for (QToolBar* bar : frame->findChildren<QToolBar*>())
    for (QAction* a : bar->actions()) {
      if (a->isSeparator()) continue;
      EXPECT_TRUE(tested.count(a)) << "button " << a->text().toStdString();
    }
}

// At start, before any project: 273 leaves the menus and program state 1
// holds for menus and bars (no Start, Online, Save or simulation step).
TEST_F(FrameTest, StartAppliesStateOneBeforeAnyProject) {
  shell::RecordingBarMenus bars;
  shell::BarMenus* previous = shell::setBarMenus(&bars);
  shell::menu_Reset();
  RecordingDispatcher d;
  {
    Frame fresh(d);
    for (int id : {201, 222, 261, 262, 203, 256, 320, 512, 513, 383, 282, 374}) bars.enable(id, true);
    fresh.show();
    EXPECT_EQ(shell::menu_State(), 1);
    EXPECT_NE(std::find(bars.calls.begin(), bars.calls.end(), "mode 1"), bars.calls.end());
    for (int id : {201, 222, 216, 331}) EXPECT_TRUE(bars.items()[id].enabled) << id;
    for (int id : {261, 262, 203, 204, 256, 233, 320, 512, 513, 383, 282, 374})
      EXPECT_FALSE(bars.items()[id].enabled) << id;
    // Once only: a later showing keeps what the program set since.
    fresh.hide();
    bars.calls.clear();
    fresh.show();
    EXPECT_TRUE(bars.calls.empty());
  }
  shell::setBarMenus(previous);
  shell::menu_Reset();
}

// The simulation steps by program state: from time zero and the next step on
// the simulation sheet (states 5..8, 11) but not online; the next
// subprogram also online.
TEST_F(FrameTest, SimulationStepsFollowTheRunSheet) {
  struct Case { int state; bool zero, step, next; };
  const Case cases[] = {{1, false, false, false}, {2, false, false, false}, {3, false, false, false},
                        {5, true, true, true},    {8, true, true, true},    {9, false, false, true},
                        {10, false, false, false}, {11, true, true, true},  {12, false, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(shell::menu_Cell(320, c.state) == shell::Cell::Enabled, c.zero) << c.state;
    EXPECT_EQ(shell::menu_Cell(512, c.state) == shell::Cell::Enabled, c.step) << c.state;
    EXPECT_EQ(shell::menu_Cell(513, c.state) == shell::Cell::Enabled, c.next) << c.state;
  }
}

// Copy (373) and Cut (372) on a sheet: the editor copies, the sheet's picture
// goes beside it, and the menus are applied again, so Paste enables.
TEST_F(FrameTest, CopyEnablesPaste) {
  struct ClipDispatcher : RecordingDispatcher {
    bool held = false;
    int dispatch(WorksheetWindowData* w, EngineEvent* e) override {
      if (e->type == editor::kMsgCommand && (e->code == 373 || e->code == 372)) held = true;
      return RecordingDispatcher::dispatch(w, e);
    }
    bool clipNothingToPaste() override { return !held; }
  };
  shell::RecordingBarMenus bars;
  shell::BarMenus* previous = shell::setBarMenus(&bars);
  shell::menu_Reset();
  bars.edit = 1;
  for (int cut : {373, 372}) {
    SCOPED_TRACE(cut);
    ClipDispatcher d;
    d.commandAnswers[230] = {1};
    Frame f(d);
    f.show();
    f.onCommand(230);
    ASSERT_NE(f.active(), nullptr);
    EXPECT_EQ(shell::menu_State(), 3);
    EXPECT_FALSE(bars.items()[374].enabled);
    f.onCommand(cut);
    EXPECT_TRUE(std::find(d.log.begin(), d.log.end(), "event 273 " + std::to_string(cut) + " kind 0") != d.log.end());
    EXPECT_TRUE(bars.items()[374].enabled);
    for (Worksheet* w : f.worksheets()) delete w;
  }
  shell::setBarMenus(previous);
  shell::menu_Reset();
}

// New project (222): the new-project dialog names the project made from a
// template, which is then opened by name; a name whose file does not exist
// asks 50043: No opens nothing, Yes makes it from the program's empty project.
TEST_F(FrameTest, NewProjectOpensWhatTheDialogMade) {
  char dir[] = "/tmp/zapp_newXXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string made = std::string(dir) + "/PUMP.MDL";
  { std::FILE* f = std::fopen(made.c_str(), "w"); ASSERT_NE(f, nullptr); std::fputs("made", f); std::fclose(f); }
  int asked = 0;
  std::string answerPath = made;
  int answer = 1;
  frame->newProjectDialog = [&](std::string& path) {
    ++asked;
    path = answerPath;
    return answer;
  };
  // Cancel: the project is closed, nothing opened.
  answer = 2;
  frame->onCommand(222);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(logged("event 273 204"));
  EXPECT_FALSE(logged("event 273 201"));
  // OK: the new file is opened by name, no open dialog between.
  answer = 1;
  dispatcher.log.clear();
  frame->onCommand(222);
  EXPECT_TRUE(logged("event 273 201"));
  EXPECT_EQ(dispatcher.openName, made);
  EXPECT_TRUE(messages.empty());
  // A name without its file: 50043; No opens nothing.
  answerPath = std::string(dir) + "/EMPTY.MDL";
  dispatcher.log.clear();
  answers = {7};
  frame->onCommand(222);
  EXPECT_EQ(messages, std::vector<int>{50043});
  EXPECT_FALSE(logged("event 273 201"));
  EXPECT_FALSE(std::filesystem::exists(answerPath));
  // Yes: made from the empty project of the program directory, then opened.
  const std::string bin = dir + std::string("/bin");
  std::filesystem::create_directories(bin);
  { std::FILE* f = std::fopen((bin + "/DEFAULT.MDN").c_str(), "w"); ASSERT_NE(f, nullptr); std::fputs("empty", f); std::fclose(f); }
  frame->emptyProjectFile = bin + "/DEFAULT.MDN";
  messages.clear();
  dispatcher.log.clear();
  answers = {6};
  frame->onCommand(222);
  EXPECT_EQ(messages, std::vector<int>{50043});
  EXPECT_TRUE(logged("event 273 201"));
  EXPECT_EQ(dispatcher.openName, answerPath);
  EXPECT_TRUE(std::filesystem::exists(answerPath));
  std::filesystem::remove_all(dir);
}

// The same through the program's new-project dialog over a template list of
// a program directory of the test's own: the user picks a template, names the
// project, and the frame opens what the dialog made; a template without its
// project file gives a name whose file is missing: 50043.
TEST_F(FrameTest, NewProjectThroughTheDialogAndTheTemplateList) {
  namespace fs = std::filesystem;
  const fs::path program = fs::temp_directory_path() / ("zapp_newproject-" + std::to_string(::getpid()));
  fs::remove_all(program);
  for (const char* d : {"ENGLISH/TEMPLATE/MOTOR", "ENGLISH/TEMPLATE/LAMP", "PROJECTS"})
    fs::create_directories(program / d);
  for (const char* f : {"stockwin.so", "ObelTool.so"})
    fs::copy_file(fs::path(ZERLO_BIN_DIR) / f, program / f);
  fs::create_symlink(fs::path(ZERLO_BIN_DIR) / "ENGLISH" / "STOCKWINRES.so", program / "ENGLISH" / "STOCKWINRES.so");
  auto write = [](const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; };
  write(program / "OBEL.INI", "[SYSTEM]\nLANGUAGE=2\n\n[DIR]\nTEMP=TEMP\nPROJECT=PROJECTS\n\n[LANGUAGES]\n2=ENGLISH\n");
  // A project file as the templates hold it: its head, then room for its own short name.
  std::string head;
  for (std::uint32_t w : {7777777u, 3333333u})
    for (int i = 0; i < 4; ++i) head += char((w >> (8 * i)) & 0xFF);
  write(program / "ENGLISH" / "TEMPLATE" / "MOTOR" / "MOTOR.MDL", head + std::string(40, '\x11'));
  write(program / "ENGLISH" / "TEMPLATE" / "LAMP" / "NOTES.TXT", "no project file");
  write(program / "ENGLISH" / "TEMPLATE" / "TEMPLATES.INI",
        "[GENERAL]\nDEFAULT=1\n\n[1]\nDIR=MOTOR\nNAME=Motor control\n\n[2]\nDIR=LAMP\nNAME=Lamp\n");
  shell::setProgramDir(program.string());
  ASSERT_EQ(shell::bind_LoadObelTool(), 1);
  ASSERT_EQ(shell::bind_LoadStockWin(), 1);
  frame->id = kit::registerOwner(frame.get());

  struct Answer : plat::ui::DialogObserver {
    std::string templateName, projectName, directory;
    std::vector<std::string> titles;
    void answer(QDialog* d) {
      titles.push_back(d->windowTitle().toStdString());
      auto* list = d->findChild<QListWidget*>("c1011");
      ASSERT_NE(list, nullptr);
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().toStdString() == templateName) list->setCurrentRow(i);
      d->findChild<QLineEdit*>("c1012")->setText(QString::fromStdString(projectName));
      d->findChild<QLineEdit*>("c1014")->setText(QString::fromStdString(directory));
      d->findChild<QPushButton*>("c1")->click();
    }
    void shown(const plat::ui::DialogShown& d) override { answer(static_cast<QDialog*>(d.widget)); }
    void timedOut(const plat::ui::DialogShown&) override { ADD_FAILURE() << "the new-project dialog stayed open"; }
    int deadlineMs() const override { return 5000; }
  };
  auto answer = std::make_shared<Answer>();
  plat::ui::setDialogObserver(answer);
  answer->directory = (program / "PROJECTS").string();
  // The template with its project file: the frame opens the copy by name.
  answer->templateName = "Motor control";
  answer->projectName = "PUMP";
  frame->onCommand(222);
  EXPECT_EQ(answer->titles, std::vector<std::string>{"New Project"});
  const std::string pump = (program / "PROJECTS" / "PUMP.MDL").string();
  EXPECT_TRUE(fs::exists(pump));
  EXPECT_TRUE(logged("event 273 201"));
  EXPECT_EQ(dispatcher.openName, pump);
  EXPECT_TRUE(messages.empty());
  // The template without one: the name's file is missing, 50043; No opens nothing.
  answer->templateName = "Lamp";
  answer->projectName = "LIGHT";
  dispatcher.log.clear();
  answers = {7};
  frame->onCommand(222);
  EXPECT_EQ(messages, std::vector<int>{50043});
  EXPECT_FALSE(logged("event 273 201"));
  EXPECT_TRUE(fs::exists(program / "PROJECTS" / "NOTES.TXT"));
  plat::ui::setDialogObserver(nullptr);
  shell::bind_UnloadAll();
  shell::setProgramDir("");
  shell::path_ResetCaches();
  std::error_code ec;
  fs::remove_all(program, ec);
}

// ---- help and the private messages of dialogs ----

// The settings library of the fixtures names the help file; the help
// requests the frame makes are kept by a scripted sink.
class FrameHelp : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    dir_ = shelltest::fixtureDir("good");
    shell::setProgramDir(dir_);
    shelltest::fixtureClear(dir_, "OBELTOOL.DLL");
    ASSERT_EQ(shell::bind_LoadObelTool(), 1);
  }
  void TearDown() override {
    shell::bind_UnloadAll();
    shell::setProgramDir("");
    shell::path_ResetCaches();
    FrameTest::TearDown();
  }
  void setText(const char* name, const std::string& text) {
    using Fn = void (*)(const char*, const char*);
    shelltest::fixtureFn<Fn>(dir_, "OBELTOOL.DLL", "FixtureSetText")(name, text.c_str());
  }
  std::vector<unsigned> contexts() const {
    std::vector<unsigned> out;
    for (const plat::ui::HelpRequest& r : sink->helps())
      if (!r.byKeyword) out.push_back(r.context);
    return out;
  }
  std::string dir_;
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope{sink};
};

// What the frame sets as its help context is what F1 (Context Help, 330, and
// WM_HELP) opens: the sheet a user works on, or the dialog around.
TEST_F(FrameHelp, ContextHelpOpensTheTopicTheFrameSet) {
  opensSheets();
  struct Case { int command, topic; };
  for (const Case& c : {Case{230, 603}, Case{233, 605}, Case{235, 606}}) {
    sink->clear();
    frame->onCommand(c.command);
    EXPECT_EQ(shell::help_GetContext(), c.topic) << c.command;
    frame->onCommand(330);
    EXPECT_EQ(contexts(), std::vector<unsigned>{unsigned(c.topic)}) << c.command;
  }
  sink->clear();
  frame->helpContext = 34;
  frame->wndProc(kWmHelp, 0, 0);
  EXPECT_EQ(contexts(), std::vector<unsigned>{34u});
  // While the help shows, a command shows its own topic and does not run.
  sink->clear();
  const std::size_t sheets = frame->worksheets().size();
  frame->contextHelp = true;
  frame->onCommand(236);
  EXPECT_EQ(contexts(), std::vector<unsigned>{236u});
  EXPECT_EQ(frame->worksheets().size(), sheets);
  EXPECT_FALSE(frame->contextHelp);
  EXPECT_EQ(shell::help_GetContext(), 34);
}

// The report of a block dialog (WM_USER+200 with wParam 0) becomes command
// 380 of the active worksheet or, without one, of the editor on the
// template; any other wParam is ignored.
TEST_F(FrameHelp, BlockDialogReportReachesTheSheetOrTheTemplate) {
  frame->wndProc(kBlockDialogReport, 1, 2);
  EXPECT_FALSE(logged("event 273 380"));
  frame->wndProc(kBlockDialogReport, 0, 2);
  EXPECT_TRUE(logged("event 273 380"));
  EXPECT_EQ(frame->templateKind, 3);
  opensSheets();
  frame->onCommand(230);
  ASSERT_NE(frame->active(), nullptr);
  dispatcher.log.clear();
  frame->wndProc(kBlockDialogReport, 0, 1);
  EXPECT_TRUE(logged("event 273 380 kind 0"));
}

// WM_USER+250: the simulation sheet writes the target program text (260)
// and a copy of it goes beside the project, named with "q" for the extension.
TEST_F(FrameHelp, TargetTextCopyBesideTheProject) {
  const std::filesystem::path tmp = std::filesystem::temp_directory_path() / ("frame_q_" + std::to_string(getpid()));
  std::filesystem::create_directories(tmp);
  const std::string text = (tmp / "TARGET.ZCD").string();
  std::ofstream(text) << "PROGRAM\n";
  setText("GetPathToProjectZCDForInst", text);
  dispatcher.path = (tmp / "PLANT.MDL").string();
  frame->wndProc(kWriteTargetCopy, 0, 0);   // no simulation sheet: nothing
  EXPECT_FALSE(logged("event 273 260 kind 3"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "PLANT.q"));
  opensSheets();
  frame->onCommand(233);
  frame->wndProc(kWriteTargetCopy, 0, 0);
  EXPECT_TRUE(logged("event 273 260 kind 3"));
  std::ifstream copy(tmp / "PLANT.q");
  std::string line;
  std::getline(copy, line);
  EXPECT_EQ(line, "PROGRAM");
  std::filesystem::remove_all(tmp);
}

} // namespace
} // namespace zapp

namespace zapp {
namespace {

// The target side of the parameter transfer: every call as a line.
struct RecordingTarget : engine::ParamTransferPort {
  std::vector<std::string> log;
  std::uint32_t time = 0;
  bool commOn() override { log.push_back("on"); return true; }
  bool commOff() override { log.push_back("off"); return true; }
  bool getTime(std::uint32_t& v) override { log.push_back("TIME"); v = ++time; return true; }
  bool query(const std::string&) override { return true; }
  bool getReal(const std::string& n, float& v) override { log.push_back("get " + n); v = 1; return true; }
  bool getCard(const std::string& n, std::uint16_t& v) override { log.push_back("get " + n); v = 1; return true; }
  bool getBit(const std::string& n, bool& v, int) override { log.push_back("get " + n); v = true; return true; }
  bool getLong(const std::string& n, std::int32_t& v) override { log.push_back("get " + n); v = 1; return true; }
  bool getName(const std::string& n, std::string& v) override { log.push_back("get " + n); v = "x"; return true; }
  bool setReal(const std::string& n, float) override { log.push_back("set " + n); return true; }
  bool setCard(const std::string& n, std::uint16_t) override { log.push_back("set " + n); return true; }
  bool setBool(const std::string& n, bool) override { log.push_back("set " + n); return true; }
  bool setLongCard(const std::string& n, std::uint32_t) override { log.push_back("set " + n); return true; }
  bool setText(const std::string& n, const std::string&) override { log.push_back("set " + n); return true; }
  void sleepMs(int) override {}
};

// 268 and 269 ask 40012 / 40013 first; No leaves the target alone, Yes
// moves the parameters (here: none, so only the connection is switched),
// and a write leaves the connection as the online mode had it.
TEST_F(FrameTest, ParameterTransferAsksThenTalksToTheTarget) {
  RecordingTarget target;
  frame->paramPort = &target;
  struct Case { int command; int answer; bool online; int question; std::vector<std::string> log; };
  const Case cases[] = {
      {268, plat::ui::IDNO, false, 40012, {}},
      // (the read waits until TIME has changed three times)
      {268, plat::ui::IDYES, false, 40012, {"on", "TIME", "TIME", "TIME", "TIME", "off", "on"}},
      {269, plat::ui::IDNO, true, 40013, {}},
      {269, plat::ui::IDYES, true, 40013, {"off", "on"}},
      {269, plat::ui::IDYES, false, 40013, {"off", "off"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command * 10 + c.answer);
    target.log.clear();
    messages.clear();
    answers = {c.answer};
    app().online = c.online;
    frame->onCommand(c.command);
    EXPECT_EQ(messages, std::vector<int>{c.question});
    EXPECT_EQ(target.log, c.log);
  }
  app().online = false;
  frame->paramPort = nullptr;
}

} // namespace
} // namespace zapp

namespace zapp {
namespace {

// The shell's window services over the frame: a kind view opens its window
// (through the editor or at once) and closes the other group; the mouse goes
// to a point of the active worksheet.
TEST_F(FrameTest, WindowHostOpensKindViewsAndMovesTheMouse) {
  auto settle = [] {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  };
  shell::ws_OpenKindView(3, 0, true);
  EXPECT_EQ(frame->menuState, 5);
  settle();
  EXPECT_TRUE(logged("event 273 514"));
  ASSERT_EQ(countKind(3), 1);
  EXPECT_TRUE(logged("event 273 503 kind 3"));
  // Without the editor: the editing sheet opens at once, the running group goes.
  dispatcher.log.clear();
  shell::ws_OpenKindView(0, 0, false);
  settle();
  EXPECT_FALSE(logged("event 273 514"));
  EXPECT_EQ(countKind(3), 0);
  ASSERT_EQ(countKind(0), 1);
  EXPECT_EQ(frame->menuState, 3);
  // The editor refusing (9) makes no window.
  dispatcher.commandAnswers[514] = {9};
  shell::ws_OpenKindView(5, 0, true);
  settle();
  EXPECT_EQ(countKind(5), 0);
  EXPECT_EQ(countKind(0), 1);

  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  shell::ws_SetCursorPos(30, 40);
  EXPECT_EQ(QCursor::pos(), w->canvas->mapToGlobal(QPoint(30, 40)));
  // A saved area goes back at a point: the picture there is the area's.
  settle();
  QImage& picture = w->canvas->image();
  ASSERT_GE(picture.width(), 100);
  ASSERT_GE(picture.height(), 100);
  picture.fill(Qt::white);
  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 20; ++x) picture.setPixelColor(x, y, Qt::red);
  shell::ws_RestoreDragArea(60, 70, shell::Rect{10, 10, 20, 20});
  EXPECT_EQ(picture.pixelColor(60, 70), QColor(Qt::red));
  EXPECT_EQ(picture.pixelColor(69, 79), QColor(Qt::red));
  EXPECT_EQ(picture.pixelColor(70, 80), QColor(Qt::white));
}

} // namespace
} // namespace zapp
