#pragma once
// A headless host for the worksheet editor and a runner of event scripts.
// The host records what the editor asks of the windows (invalidations,
// titles, menus, timers, posts, cursors), answers prompts from scripted
// queues and follows drags as the worksheet windows do: after an answer of
// 3 or 4 every move and the release go to the stored drag callback. The
// runner checks the model after every step.
//
// Script lines (one step each; '#' starts a comment):
//   down X Y [shift] [ctrl] [right]   press at a window point
//   move X Y                          mouse move (to the drag callback while dragging)
//   up [X Y]                          release
//   cmd N                             menu command N
//   key esc|del|enter|LETTER          key down
//   tick                              the sheet timer, then every posted message
//   msg N                             a user message to the window
//   expect state N | result N | mode N | simulation N | stub NAME | changed N
#include "editor/context.h"
#include "editor/editor.h"
#include "editor/tables.h"
#include "model/check.h"
#include "model/records.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace editor_test {

using editor::EngineEvent;
using editor::WorksheetWindowData;

class HeadlessHost : public editor::Host {
public:
  std::vector<std::string> log;
  std::map<int, bool> menuEnabled;
  std::map<int, std::string> menuTexts;
  std::map<int, bool> checked;
  bool ctrl = false, shift = false;
  bool editCursor = true;
  bool timerRunning = false;
  int timerMs = 0;
  bool refuseTimer = false;
  int cursor = 0;
  int redraws = 0;
  int insertBoxRefreshes = 0;
  int invalidations = 0;
  std::vector<std::pair<int, int>> posts;
  std::deque<std::string> textAnswers;   // prompts: a text each, "<cancel>" cancels
  std::deque<int> intAnswers;
  std::deque<int> choiceAnswers;
  std::deque<std::string> fileAnswers;
  std::vector<std::string> viewerPaths;
  std::map<int, std::string> language;
  std::vector<std::unique_ptr<WorksheetWindowData>> windows;

  WorksheetWindowData* newWindow(int kind, model::DocumentRecord* doc, int w = 800, int h = 600) {
    auto win = std::make_unique<WorksheetWindowData>();
    win->kind = kind;
    win->document = doc;
    win->clientW = std::int16_t(w);
    win->clientH = std::int16_t(h);
    win->id = int(windows.size()) + 1;
    windows.push_back(std::move(win));
    editor::ui_AttachWindow(windows.back().get());
    return windows.back().get();
  }

  void invalidate(WorksheetWindowData*, int l, int t, int r, int b) override {
    ++invalidations;
    log.push_back("invalidate " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
                  std::to_string(b));
  }
  void invalidateAll(WorksheetWindowData*) override { ++invalidations; }
  void requestRedraw() override { ++redraws; }
  void refreshInsertBox() override { ++insertBoxRefreshes; }
  void postToAll(std::uint16_t message, std::uint16_t code) override {
    posts.emplace_back(message, code);
  }
  void setTitle(WorksheetWindowData*, const std::string& title) override { log.push_back("title " + title); }
  bool startSheetTimer(int ms) override {
    if (refuseTimer || timerRunning) return false;
    timerRunning = true;
    timerMs = ms;
    log.push_back("timer start " + std::to_string(ms));
    return true;
  }
  void stopSheetTimer() override {
    if (timerRunning) log.push_back("timer stop");
    timerRunning = false;
  }
  void menuEnable(int id) override { menuEnabled[id] = true; }
  void menuDisable(int id) override { menuEnabled[id] = false; }
  void menuText(int id, const std::string& text) override { menuTexts[id] = text; }
  void menuChecked(int id, bool on) override { checked[id] = on; }
  bool menuIsChecked(int id) override { return checked[id]; }
  void setCursor(int shape) override { cursor = shape; }
  bool editCursorOption() override { return editCursor; }
  bool ctrlDown() override { return ctrl; }
  bool shiftDown() override { return shift; }
  std::string languageText(int n) override { return language.count(n) ? language[n] : std::string(); }
  bool promptText(const std::string& title, std::string& text, std::size_t maxLength) override {
    log.push_back("prompt " + title);
    if (textAnswers.empty() || textAnswers.front() == "<cancel>") {
      if (!textAnswers.empty()) textAnswers.pop_front();
      return false;
    }
    text = textAnswers.front().substr(0, maxLength);
    textAnswers.pop_front();
    return true;
  }
  bool promptTextWithHeight(const std::string& title, std::string& text, int&, std::size_t maxLength) override {
    return promptText(title, text, maxLength);
  }
  bool promptInt(const std::string& title, int& value) override {
    log.push_back("prompt " + title);
    if (intAnswers.empty()) return false;
    value = intAnswers.front();
    intAnswers.pop_front();
    return true;
  }
  int chooseFromList(const std::string& title, const std::vector<std::string>&) override {
    log.push_back("choose " + title);
    if (choiceAnswers.empty()) return -1;
    int v = choiceAnswers.front();
    choiceAnswers.pop_front();
    return v;
  }
  bool chooseFile(const std::string& filter, std::string& path, bool forSaving) override {
    log.push_back(std::string(forSaving ? "save file " : "file ") + filter);
    if (fileAnswers.empty()) return false;
    path = fileAnswers.front();
    fileAnswers.pop_front();
    return true;
  }
  bool openTextViewer(const std::string& path) override {
    viewerPaths.push_back(path);
    return true;
  }
  std::vector<WorksheetWindowData*> worksheets() override {
    std::vector<WorksheetWindowData*> out;
    for (auto& w : windows)
      if (w) out.push_back(w.get());
    return out;
  }
};

// Runs event scripts against one window of the host.
class ScriptRunner {
public:
  ScriptRunner(HeadlessHost& host, WorksheetWindowData* window) : host_(host), window_(window) {}

  int lastResult = 0;
  std::vector<std::string> failures;

  void setWindow(WorksheetWindowData* w) { window_ = w; }

  // Runs the lines; returns true when every expectation held and the model
  // stayed sound after every step.
  bool run(const std::string& script) {
    std::istringstream in(script);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
      std::istringstream words(line);
      std::string verb;
      if (!(words >> verb)) continue;
      step(verb, words, number);
      check(number);
    }
    return failures.empty();
  }

  int dispatch(std::uint16_t type, std::uint16_t code, int x = 0, int y = 0) {
    EngineEvent e;
    e.type = type;
    e.code = code;
    e.x = std::int16_t(x);
    e.y = std::int16_t(y);
    return editor::ui_Dispatch(window_, &e);
  }

private:
  void fail(int line, const std::string& what) { failures.push_back("line " + std::to_string(line) + ": " + what); }

  void step(const std::string& verb, std::istringstream& words, int line) {
    if (verb == "down" || verb == "up" || verb == "move") {
      int x = lastX_, y = lastY_;
      words >> x >> y;
      if (words.fail()) words.clear();
      std::string mod;
      bool right = false;
      host_.shift = host_.ctrl = false;
      while (words >> mod) {
        if (mod == "shift") host_.shift = true;
        else if (mod == "ctrl") host_.ctrl = true;
        else if (mod == "right") right = true;
      }
      lastX_ = x;
      lastY_ = y;
      std::uint16_t flags = std::uint16_t((host_.shift ? editor::kKeyShift : 0) | (host_.ctrl ? editor::kKeyCtrl : 0));
      if (verb == "move") {
        if (dragging_ && window_ && window_->drag) {
          EngineEvent e;
          e.type = editor::kMsgMouseMove;
          e.x = std::int16_t(x);
          e.y = std::int16_t(y);
          e.code = flags | editor::kKeyLeft;
          window_->drag(window_, &e);
        } else {
          lastResult = dispatch(editor::kMsgMouseMove, flags, x, y);
        }
        return;
      }
      if (verb == "down") {
        std::uint16_t type = right ? editor::kMsgRButtonDown : editor::kMsgLButtonDown;
        lastResult = dispatch(type, std::uint16_t(flags | (right ? editor::kKeyRight : editor::kKeyLeft)), x, y);
        dragging_ = lastResult == 3 || lastResult == 4;
        return;
      }
      if (dragging_ && window_ && window_->drag) {
        EngineEvent e;
        e.type = editor::kMsgLButtonUp;
        e.x = std::int16_t(x);
        e.y = std::int16_t(y);
        e.code = flags;
        window_->drag(window_, &e);
      }
      dragging_ = false;
      lastResult = dispatch(right ? editor::kMsgRButtonUp : editor::kMsgLButtonUp, flags, x, y);
      return;
    }
    if (verb == "cmd") {
      int id = 0;
      words >> id;
      std::string mod;
      host_.shift = host_.ctrl = false;
      while (words >> mod) {
        if (mod == "shift") host_.shift = true;
        else if (mod == "ctrl") host_.ctrl = true;
      }
      lastResult = dispatch(editor::kMsgCommand, std::uint16_t(id));
      return;
    }
    if (verb == "key") {
      std::string k;
      words >> k;
      std::uint16_t code = std::uint16_t(k.empty() ? 0 : std::toupper(static_cast<unsigned char>(k[0])));
      if (k == "esc") code = editor::kVkEscape;
      else if (k == "del") code = editor::kVkDelete;
      else if (k == "enter") code = editor::kVkReturn;
      lastResult = dispatch(editor::kMsgKeyDown, code);
      return;
    }
    if (verb == "msg") {
      int n = 0;
      words >> n;
      lastResult = dispatch(std::uint16_t(n), 0);
      return;
    }
    if (verb == "tick") {
      lastResult = dispatch(editor::kMsgTimer, 0);
      auto posts = std::move(host_.posts);
      host_.posts.clear();
      for (auto& post : posts)
        for (WorksheetWindowData* w : host_.worksheets()) {
          EngineEvent e;
          e.type = std::uint16_t(post.first);
          e.code = std::uint16_t(post.second);
          editor::ui_Dispatch(w, &e);
          ++delivered;
        }
      return;
    }
    if (verb == "expect") {
      std::string what;
      words >> what;
      if (what == "stub") {
        std::string name;
        words >> name;
        auto& calls = editor::ctx().stubCalls;
        if (std::find(calls.begin(), calls.end(), name) == calls.end()) fail(line, "stub " + name + " not run");
        return;
      }
      long want = 0;
      words >> want;
      long have = 0;
      if (what == "state") have = long(editor::editorState());
      else if (what == "result") have = lastResult;
      else if (what == "mode") have = editor::ui_CurrentToolMode();
      else if (what == "simulation") have = editor::ctx().SimulationOn;
      else if (what == "changed") have = editor::ctx().projectChanged;
      else if (what == "level") have = model::CurrentDocument ? long(model::CurrentDocument->MacroLevel) : -1;
      else if (what == "kind") have = window_ ? window_->kind : -1;
      else if (what == "runwindows") have = editor::ctx().runWindowCount;
      else if (what == "trendwindows") have = editor::ctx().trendWindowCount;
      else {
        fail(line, "unknown expectation " + what);
        return;
      }
      if (have != want) fail(line, "expected " + what + " " + std::to_string(want) + ", have " + std::to_string(have));
      return;
    }
    fail(line, "unknown step " + verb);
  }

  void check(int line) {
    for (model::DocumentRecord* d : {model::TemplateDocument, model::CurrentDocument}) {
      if (!d) continue;
      for (const std::string& problem : model::model_CheckDocument(*d)) fail(line, "model: " + problem);
    }
  }

  HeadlessHost& host_;
  WorksheetWindowData* window_;
  bool dragging_ = false;
  int lastX_ = 0, lastY_ = 0;

public:
  int delivered = 0;
};

} // namespace editor_test

#ifdef ZERLO_EDITOR_HOST_QT
// An offscreen worksheet window: a WorksheetCanvas whose persistent image the
// editor paints through the drawing layer, fed with Qt events through the
// event map. Repaints requested by the editor clear the image and paint anew.
#include "display/canvas.h"
#include "display/gdi.h"
#include "editor/eventmap.h"
#include "editor/dragmarker.h"

#include <QMouseEvent>

namespace editor_test {

class CanvasHost : public HeadlessHost {
public:
  disp::WorksheetCanvas canvas;
  WorksheetWindowData* shown = nullptr;
  bool pendingRepaint = false;

  disp::DrawWindow* drawWindow(WorksheetWindowData*) override { return &canvas; }
  void requestRedraw() override {
    HeadlessHost::requestRedraw();
    pendingRepaint = true;
  }
  void invalidate(WorksheetWindowData* w, int l, int t, int r, int b) override {
    HeadlessHost::invalidate(w, l, t, r, b);
    pendingRepaint = true;
  }

  // The window's paint: the whole image drawn anew.
  void paint() {
    canvas.clearImage();
    if (disp::gdi_BeginPaint(&canvas) != 1) return;
    EngineEvent e;
    e.type = editor::kMsgPaint;
    e.right = std::int16_t(canvas.width());
    e.bottom = std::int16_t(canvas.height());
    editor::ui_Dispatch(shown, &e);
    disp::gdi_EndPaint();
    pendingRepaint = false;
  }
  void flush() {
    if (pendingRepaint) paint();
  }
  // A mouse event as the window hands it on: the drawing context is taken
  // around the dispatch, so that the editor's drawing reaches the image.
  // While the window holds a drag callback, a move goes to the drag picture
  // and the release first puts back the area under it and tells the
  // callback; the callback is cleared after a release that starts no new drag.
  int mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent q(type, QPointF(x, y), QPointF(x, y), button,
                  type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton
                                                                                   : Qt::MouseButtons(button),
                  mods);
    auto e = editor::qt_MouseEvent(q);
    if (!e) return 0;
    ctrl = mods & Qt::ControlModifier;
    shift = mods & Qt::ShiftModifier;
    disp::gdi_GetWindowDc(&canvas);
    int answer = 0;
    if (type == QEvent::MouseMove && shown->drag) {
      answer = editor::ws_DragMarkerMove(shown, &*e);
    } else {
      if (type == QEvent::MouseButtonRelease && shown->drag) {
        editor::ws_DragMarkerEnd(shown);
        shown->drag(shown, &*e);
      }
      answer = editor::ui_Dispatch(shown, &*e);
      if (type == QEvent::MouseButtonRelease && answer != 3 && answer != 4) shown->drag = nullptr;
    }
    disp::gdi_ReleaseWindowDc();
    return answer;
  }
};

} // namespace editor_test
#endif
