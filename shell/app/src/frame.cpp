// The frame and worksheet windows: their window procedures, the frame
// commands and the close handler.
#include "zerloapp/frame.h"

#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"
#include "display/gdi.h"
#include "editor/clipboard.h"
#include "editor/context.h"
#include "editor/dragmarker.h"
#include "editor/editor.h"
#include "editor/eventmap.h"
#include "editor/ws.h"
#include "platform/uisink.h"
#include "shell/dialogs.h"
#include "shell/editorhost.h"
#include "shell/help.h"
#include "shell/insertbox.h"
#include "shell/menustate.h"
#include "shell/names.h"
#include "shell/resources.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "modelfiles/project.h"
#include "modelfiles/selection.h"
#include "shell/printing.h"
#include "shell/prompts.h"
#include "srvclient/kc.h"
#include "engine/externs.h"
#include "engine/paramxfer.h"
#include "engine/vm.h"
#include "engine/workers.h"
#include "shell/utilities.h"
#include "shell/binding.h"
#include "shell/windowhost.h"
#include "stockwin/stockwin.h"
#include "zerloapp/cmdline.h"
#include "zerloapp/enginehooks.h"
#include "zerloapp/instances.h"
#include "zerloapp/startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QShortcut>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zapp {

namespace ui = plat::ui;

namespace {

bool editingKind(int k) { return k <= 2 || k == 6; }

// The help context of a worksheet kind.
int helpOfKind(int kind) {
  static constexpr int kHelp[] = {603, 603, 603, 605, 608, 606, 604, 607};
  return kHelp[kind & 7];
}

constexpr int kMfPopup = 0x10;
constexpr int kMfSysMenu = 0x2000;
bool hasScrollBars(int k) { return k < 5; }

// The frame's window host for the shell utilities.
class FrameHost : public shell::WindowHost {
public:
  explicit FrameHost(Frame& f) : f_(f) {}
  shell::Hwnd frameWindow() override { return f_.id; }
  void setWaitCursor(bool on) override {
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
  }
  void setFrameTitle(const std::string& t) override { f_.setWindowTitle(QString::fromStdString(t)); }
  void sendCommand(int id) override { f_.onCommand(id); }
  float zoom() override { return app().settings.zoom; }
  int activeWindowKind() override { return f_.active() ? f_.active()->data.kind : -1; }
  // Opens a window of the kind: the other group closes, then the editor is
  // asked (WM_USER+39) or the window made at once (WM_USER+0), all posted.
  void openKindView(int kind, int /*subKind*/, bool throughEditor) override {
    if (kind < 0 || kind > 7) return;
    static constexpr int kPending[] = {500, 501, 502, 503, 504, 506, 505, 507};
    f_.templateKind = kind;
    f_.templateRecord = WorksheetWindowData{};
    f_.templateRecord.kind = kind;
    if (kind <= 2) post(kWmUser0 + 7);
    else if (kind == 3 || kind == 4) post(kWmUser0 + 6);
    else if (kind == 6) {
      post(kWmUser0 + 7);
      post(kWmUser0 + 40);
    }
    f_.pendingKind = kPending[kind];
    if (kind <= 2) f_.setMenuState(3);
    else if (kind == 3) f_.setMenuState(5);
    post(throughEditor ? kWmUser0 + 39 : kWmUser0 + 0);
  }
  // A point of the active worksheet's canvas (window units) under the mouse.
  void setCursorPos(int x, int y) override {
    if (Worksheet* w = f_.active()) QCursor::setPos(w->canvas->mapToGlobal(QPoint(x, y)));
  }
  // The rectangle of the active worksheet's picture copied to the point.
  void restoreDragArea(int x, int y, const shell::Rect& r) override {
    Worksheet* w = f_.active();
    const QRect from(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (!w || from.isEmpty() || w->canvas->image().isNull()) return;
    QImage& picture = w->canvas->image();
    const QImage part = picture.copy(from);
    QPainter painter(&picture);
    painter.drawImage(QPoint(x, y), part);
    painter.end();
    w->canvas->update();
  }
private:
  void post(std::uint32_t msg) {
    QPointer<Frame> frame(&f_);
    QMetaObject::invokeMethod(&f_, [frame, msg] {
      if (frame) frame->wndProc(msg, 0, 0);
    }, Qt::QueuedConnection);
  }
  Frame& f_;
};

std::unique_ptr<FrameHost> g_host;

// The mouse shapes of the editor as Qt cursors.
Qt::CursorShape cursorOfShape(int shape) {
  switch (shape) {
  case 5: case 14: return Qt::WaitCursor;
  case 11: case 33: return Qt::PointingHandCursor;
  case 15: case 20: case 31: return Qt::CrossCursor;
  case 16: case 21: case 22: return Qt::SizeAllCursor;
  case 17: return Qt::DragCopyCursor;
  case 18: return Qt::ForbiddenCursor;
  default: return Qt::ArrowCursor;
  }
}

// The editor's host over the frame's worksheet windows; menus, prompts and
// texts come from the shell's host.
class FrameEditorHost : public shell::ShellEditorHost {
public:
  explicit FrameEditorHost(Frame& f) : f_(f) {}
  void invalidate(WorksheetWindowData* w, int, int, int, int) override { invalidateAll(w); }
  void invalidateAll(WorksheetWindowData* w) override {
    if (Worksheet* ws = f_.worksheetOf(w)) ws->invalidate();
    else requestRedraw();
  }
  void requestRedraw() override {
    if (Worksheet* a = f_.active()) a->invalidate();
    else
      for (Worksheet* ws : f_.worksheets()) ws->invalidate();
  }
  void postToAll(std::uint16_t message, std::uint16_t code) override {
    QPointer<Frame> frame(&f_);
    QMetaObject::invokeMethod(&f_, [frame, message, code] {
      if (!frame) return;
      for (Worksheet* ws : frame->worksheets()) frame->sendEngineEvent(ws, message, code);
    }, Qt::QueuedConnection);
  }
  void setTitle(WorksheetWindowData* w, const std::string& title) override {
    Worksheet* ws = f_.worksheetOf(w);
    if (!ws) return;
    ws->title = title;
    ws->setWindowTitle(QString::fromStdString(title));
    for (OpenWindow& e : f_.openWindows)
      if (e.window == ws) e.title = title;
    shell::wnd_RenameInWindowTable(shell::Hwnd(ws->data.id), title);
  }
  void setScrollPos(WorksheetWindowData* w, int x, int y) override {
    Worksheet* ws = f_.worksheetOf(w);
    if (!ws) return;
    ws->scroll(false, 4, x);
    ws->scroll(true, 4, y);
  }
  bool startSheetTimer(int ms) override { return f_.startSheetTimer(ms); }
  void stopSheetTimer() override { f_.stopSheetTimer(); }
  void setCursor(int shape) override {
    if (Worksheet* a = f_.active()) a->setShape(shape);
  }
  bool editCursorOption() override { return app().settings.editCursor != 0; }
  // The keyboard as the event being handled saw it, or as it is now.
  bool ctrlDown() override { return (f_.eventModifiers & Qt::ControlModifier) || editor::qt_CtrlDown(); }
  bool shiftDown() override { return (f_.eventModifiers & Qt::ShiftModifier) || editor::qt_ShiftDown(); }
  WorksheetWindowData* openWorksheet(int kind, model::DocumentRecord* doc, const std::string& title) override {
    f_.templateKind = kind;
    f_.templateRecord.kind = kind;
    f_.templateRecord.document = doc;
    Worksheet* ws = f_.createWorksheet();
    if (!ws) {
      f_.templateRecord.document = nullptr;
      return nullptr;
    }
    if (!title.empty()) setTitle(&ws->data, title);
    return &ws->data;
  }
  void closeWorksheet(WorksheetWindowData* w) override {
    // Not while the window's own event runs: the window goes on the event loop.
    if (Worksheet* ws = f_.worksheetOf(w)) ws->deleteLater();
  }
  std::vector<WorksheetWindowData*> worksheets() override {
    std::vector<WorksheetWindowData*> out;
    for (Worksheet* ws : f_.worksheets()) out.push_back(&ws->data);
    return out;
  }
  disp::DrawWindow* drawWindow(WorksheetWindowData* w) override {
    Worksheet* ws = f_.worksheetOf(w);
    return ws ? ws->canvas : nullptr;
  }
private:
  Frame& f_;
};

std::unique_ptr<FrameEditorHost> g_editorHost;
// The prompts of the block parameter forms that the editor opens.
shell::ShellParamDialogs g_paramDialogs;

} // namespace

// ---- worksheet canvas ----

void SheetCanvas::paintEvent(QPaintEvent* event) {
  if (dirty && redraw) {
    dirty = false;
    redraw();
  }
  disp::WorksheetCanvas::paintEvent(event);
}

void SheetCanvas::resizeEvent(QResizeEvent* event) {
  disp::WorksheetCanvas::resizeEvent(event);
  dirty = true;
  // The visible size in sheet units follows the window (WM_SIZE).
  auto* ws = dynamic_cast<Worksheet*>(parentWidget() ? parentWidget()->parentWidget() : nullptr);
  if (ws && ws->canvas == this) ws->updateVisibleSize();
}

void SheetCanvas::keyPressEvent(QKeyEvent* event) {
  auto* ws = dynamic_cast<Worksheet*>(parentWidget() ? parentWidget()->parentWidget() : nullptr);
  if (!ws) return disp::WorksheetCanvas::keyPressEvent(event);
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  switch (event->key()) {
  case Qt::Key_Plus: if (keypad) return ws->zoomKey(1); break;
  case Qt::Key_Minus: if (keypad) return ws->zoomKey(-1); break;
  case Qt::Key_Slash: return ws->zoomKey(0);
  case Qt::Key_PageUp: return ws->scroll(true, 2);
  case Qt::Key_PageDown: return ws->scroll(true, 3);
  case Qt::Key_End: return ws->scroll(true, 7);
  case Qt::Key_Home: ws->scroll(true, 6); return ws->scroll(false, 6);
  case Qt::Key_Left: return ws->scroll(false, 0);
  case Qt::Key_Right: return ws->scroll(false, 1);
  case Qt::Key_Up: return ws->scroll(true, 0);
  case Qt::Key_Down: return ws->scroll(true, 1);
  case Qt::Key_Control: return ws->controlKey(true);
  case Qt::Key_F1:
    if (event->modifiers() & Qt::ControlModifier) return ws->frame().showGateHelp(ws, ws->lastX(), ws->lastY());
    break;
  case Qt::Key_Escape: {
    ws->dragging = false;
    ws->frame().sendEngineEvent(ws, editor::kMsgKeyDown, editor::kVkEscape);
    return;
  }
  default: break;
  }
  disp::WorksheetCanvas::keyPressEvent(event);
}

void SheetCanvas::keyReleaseEvent(QKeyEvent* event) {
  auto* ws = dynamic_cast<Worksheet*>(parentWidget() ? parentWidget()->parentWidget() : nullptr);
  if (ws && event->key() == Qt::Key_Control && !event->isAutoRepeat()) return ws->controlKey(false);
  disp::WorksheetCanvas::keyReleaseEvent(event);
}

namespace {
Worksheet* worksheetOfCanvas(QWidget* canvas) {
  return dynamic_cast<Worksheet*>(canvas->parentWidget() ? canvas->parentWidget()->parentWidget() : nullptr);
}
} // namespace

void SheetCanvas::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (Worksheet* ws = worksheetOfCanvas(this)) ws->mouse(event);
}
void SheetCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (Worksheet* ws = worksheetOfCanvas(this)) ws->mouse(event);
}
void SheetCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (Worksheet* ws = worksheetOfCanvas(this)) ws->mouse(event);
}
void SheetCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (Worksheet* ws = worksheetOfCanvas(this)) ws->mouse(event);
}
void SheetCanvas::focusInEvent(QFocusEvent* event) {
  disp::WorksheetCanvas::focusInEvent(event);
  // The menus show the program state again (another window may have changed them).
  if (Worksheet* ws = worksheetOfCanvas(this)) ws->frame().setMenuState(ws->frame().menuState);
}

// ---- worksheet window ----

Worksheet::Worksheet(Frame& frame, int kind) : frame_(frame) {
  setAttribute(Qt::WA_DeleteOnClose);
  data.kind = kind;
  auto* body = new QWidget;
  auto* grid = new QGridLayout(body);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  canvas = new SheetCanvas;
  canvas->setFocusPolicy(Qt::StrongFocus);
  canvas->setMouseTracking(true);
  canvas->setWindowKind(kind);
  canvas->redraw = [this] { paintSheet(); };
  hbar = new QScrollBar(Qt::Horizontal);
  vbar = new QScrollBar(Qt::Vertical);
  grid->addWidget(canvas, 0, 0);
  grid->addWidget(vbar, 0, 1);
  grid->addWidget(hbar, 1, 0);
  setWidget(body);
  const StartSettings& s = app().settings;
  if (hasScrollBars(kind)) {
    data.rangeX = std::int16_t(std::max(0, s.sheetW - 100));
    data.rangeY = std::int16_t(std::max(0, s.sheetH - 100));
  } else {
    hbar->hide();
    vbar->hide();
  }
  hbar->setRange(0, data.rangeX);
  vbar->setRange(0, data.rangeY);
  hbar->setSingleStep(kScrollStep);
  vbar->setSingleStep(kScrollStep);
  QObject::connect(hbar, &QScrollBar::actionTriggered, [this](int) { scroll(false, 4, hbar->sliderPosition()); });
  QObject::connect(vbar, &QScrollBar::actionTriggered, [this](int) { scroll(true, 4, vbar->sliderPosition()); });
}

Worksheet::~Worksheet() {
  // The record is always freed and the Window-menu entry removed, also while
  // online or simulating: a destroyed window must not stay in the table.
  if (frame_.timerWindow == this) frame_.stopSheetTimer();
  if (frame_.lastActive == this) frame_.lastActive = nullptr;
  model::DocumentRecord* document = data.document;
  frame_.sendEngineEvent(this, editor::kMsgDestroy, 0);
  // The window's document went with it: the interpreter, which a time step
  // of this window bound to it, must not read it at the next module link.
  if (document && engine::vm().document() == document) engine::vm().attachDocument(nullptr);
  frame_.removeFromTable(this);
  if (frame_.worksheets().size() <= 1) frame_.setMenuState(2);
}

void Worksheet::paintSheet() {
  // While a handler's prompt is open the editor paints nothing: the picture
  // stays as it is and is drawn anew afterwards.
  if (frame_.dispatcher.busy()) {
    canvas->dirty = true;
    QTimer::singleShot(50, canvas, [c = canvas] { c->update(); });
    return;
  }
  const float z = app().settings.zoom;
  disp::gdi_SetZoom(&z);
  canvas->clearImage();
  if (disp::gdi_BeginPaint(canvas) != 1) return;
  editor::EngineEvent e;
  e.type = editor::kMsgPaint;
  e.x = data.scrollX;
  e.y = data.scrollY;
  e.right = std::int16_t(data.scrollX + data.clientW);
  e.bottom = std::int16_t(data.scrollY + data.clientH);
  frame_.dispatcher.dispatch(&data, &e);
  disp::gdi_EndPaint();
}

void Worksheet::updateVisibleSize() {
  const float z = app().settings.zoom;
  data.clientW = std::int16_t(canvas->width() / z);
  data.clientH = std::int16_t(canvas->height() / z);
  hbar->setPageStep(std::max<int>(1, data.clientW));
  vbar->setPageStep(std::max<int>(1, data.clientH));
}

void Worksheet::invalidate() {
  canvas->dirty = true;
  canvas->update();
}

void Worksheet::scroll(bool vertical, int code, int pos) {
  if (!hasScrollBars(data.kind)) return;
  std::int16_t& at = vertical ? data.scrollY : data.scrollX;
  const int range = vertical ? data.rangeY : data.rangeX;
  const int page = vertical ? data.clientH : data.clientW;
  int v = at;
  switch (code) {
  case 0: v -= kScrollStep; break;
  case 1: v += kScrollStep; break;
  case 2: v -= page; break;
  case 3: v += page; break;
  case 4: v = pos; break;
  case 6: v = 0; break;
  case 7: v = range; break;
  default: return;
  }
  v = std::clamp(v, 0, range);
  at = std::int16_t(v);
  (vertical ? vbar : hbar)->setValue(v);
  invalidate();
}

void Worksheet::setShape(int s) {
  shape_ = s;
  canvas->setCursor(cursorOfShape(s));
}

void Worksheet::controlKey(bool down) {
  // With the wiring tool of edit mode 4 (tool 7), Ctrl shows over a
  // connection whether a press would take its vertical or another segment;
  // letting Ctrl go brings the tool's own pointer back.
  if (data.kind < 0 || data.kind > 2 || editor::ui_CurrentToolMode() != 7 || frame_.helpContext == 613) return;
  if (!down) return setShape(31);
  if (shape_ == 2 || shape_ == 17 || shape_ == 18) return;
  setShape(frame_.dispatcher.pickShapeAtPoint(&data, lastX_, lastY_));
}

void Worksheet::zoomKey(int step) {
  if (data.kind == 4 || data.kind == 5) return;
  float& z = app().settings.zoom;
  if (step > 0) z = std::min(10.0f, z + 0.2f);
  else if (step < 0) z = std::max(0.3f, z - 0.2f);
  else z = 1.0f;
  disp::gdi_SetZoom(&z);
  frame_.redrawAll();
}

int Worksheet::mouse(QMouseEvent* event) {
  const std::optional<EngineEvent> e = editor::qt_MouseEvent(*event, app().settings.zoom);
  if (!e) return 0;
  EngineEvent ev = *e;
  struct Modifiers {
    Frame& f;
    Modifiers(Frame& frame, Qt::KeyboardModifiers m) : f(frame) { f.eventModifiers = m; }
    ~Modifiers() { f.eventModifiers = {}; }
  } modifiers(frame_, event->modifiers());
  if (ev.type == editor::kMsgMouseMove) {
    if (ev.x == lastX_ && ev.y == lastY_) return 0;
    lastX_ = ev.x;
    lastY_ = ev.y;
  }
  if (dragging && data.drag && (ev.type == editor::kMsgMouseMove || ev.type == editor::kMsgLButtonUp)) {
    // The editor's gesture follows the mouse through its stored callback.
    // A move redraws the picture that follows the mouse (the area under the
    // last one put back first); the release puts the last area back before
    // the callback ends the gesture.
    if (disp::gdi_GetWindowDc(canvas) == 1) {
      if (ev.type == editor::kMsgMouseMove) {
        editor::ws_DragMarkerMove(&data, &ev);
      } else {
        editor::ws_DragMarkerEnd(&data);
        data.drag(&data, &ev);
      }
      disp::gdi_ReleaseWindowDc();
    }
    canvas->update();
    if (ev.type == editor::kMsgMouseMove) return 0;
    dragging = false;
  }
  const int answer = frame_.sendEngineEvent(this, ev.type, ev.code, ev.x, ev.y);
  switch (ev.type) {
  case editor::kMsgLButtonDown:
    // Lifting a gate (3), placing a new one (4) and a Shift-copy (10) hand
    // the mouse to the editor's drag callback, which draws the follower.
    dragging = answer == 3 || answer == 4 || answer == 10;
    marker_ = (answer >= 3 && answer <= 8) || answer == 10;
    // A gesture that moves something shows its pointer until the release.
    switch (answer) {
    case 3: setShape(21); break;
    case 4: case 7: case 8: setShape(16); break;
    case 5: setShape(17); break;
    case 6: setShape(18); break;
    case 10: setShape(22); break;
    default: break;
    }
    if (!dragging && frame_.menuState >= 5 && frame_.menuState != 10 && frame_.menuState != 12 &&
        shell::ui_RunDeferredCalls()) {
      // Deferred calls of the engine ran: every worksheet shows their outcome.
      for (Worksheet* w : frame_.worksheets()) w->wndProc(kWmUser0 + 19, 0, 0);
    }
    break;
  case editor::kMsgLButtonUp:
    if (answer == 4) {
      dragging = marker_ = true;
      setShape(16);
    } else {
      if (marker_) setShape(editor::ui_CurrentToolMode() == 7 ? 31 : 2);
      marker_ = false;
      invalidate();
    }
    break;
  default:
    break;
  }
  return answer;
}

std::int64_t Worksheet::wndProc(std::uint32_t msg, std::int64_t w, std::int64_t l) {
  (void)l;
  switch (msg) {
  case kWmCommand: {
    const int id = int(w);
    switch (id) {
    case 212: return shell::prn_PrintWorksheet(&data, shell::Hwnd(data.id));
    case 242: copyPicture(); return 0;   // the window's picture
    case 383:
      // Back to the upper level: a right press on the sheet's free corner.
      return frame_.sendEngineEvent(this, editor::kMsgRButtonDown, 2, 20, 20);
    default: break;
    }
    if (id == 374) QApplication::setOverrideCursor(Qt::WaitCursor);
    const int answer = frame_.sendEngineEvent(this, editor::kMsgCommand, id);
    if (id == 374) QApplication::restoreOverrideCursor();
    // A gesture the command began (a gate to place, a paste) follows the mouse.
    if (answer == 3 || answer == 4 || (id == 374 && (answer == 7 || answer == 8))) dragging = true;
    if (id == 372 || id == 373) {
      // Cut and copy: the sheet's picture goes beside the copied gates, and
      // the menus follow the clipboard (Paste becomes possible).
      copyPicture();
      frame_.setMenuState(frame_.menuState);
    }
    return answer;
  }
  case kWmUser0 + 19:
    if (data.kind == 4 || data.kind == 7) return 0;
    return frame_.sendEngineEvent(this, kWmUser0 + 19, 0);
  case kWmUser0 + 26:
    frame_.redrawAll();
    return 0;
  default:
    return 0;
  }
}

void Worksheet::copyPicture() {
  const QImage picture = canvas->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  editor::ClipImage image;
  image.width = picture.width();
  image.height = picture.height();
  image.pixels.reserve(std::size_t(image.width) * std::size_t(image.height));
  for (int y = 0; y < image.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
    image.pixels.insert(image.pixels.end(), row, row + image.width);
  }
  editor::clip_PutBitmap(&image);
}

void Worksheet::closeEvent(QCloseEvent* event) {
  // Closing is refused while online or simulating.
  if (app().online || app().simulation) {
    event->ignore();
    return;
  }
  QMdiSubWindow::closeEvent(event);
}

namespace {

// The subprogram dialogs' name buffers: 14 characters and the terminator, with room.
constexpr int kNameBuffer = 16;

std::string trimmedName(const char* buffer) {
  std::string n(buffer, strnlen(buffer, kNameBuffer - 1));
  while (!n.empty() && n.back() == ' ') n.pop_back();
  return n;
}

// Runs a dialog over the project's subprogram names, passed as the dialogs'
// list (a pointer to the head of a chain of names). The main sheet is left
// out where the dialog must not offer it (delete, rename, face design).
template <class Run> int withSubprogramList(bool withoutMain, Run run) {
  shell::NameList names = shell::mod_ListSubprograms(withoutMain);
  std::vector<::NameNode> nodes;
  for (shell::NameNode* n = names.first; n; n = n->next) nodes.push_back(::NameNode{n->name, nullptr});
  for (std::size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
  ::NameNode* head = nodes.empty() ? nullptr : &nodes[0];
  const int answer = run(static_cast<void*>(&head));
  shell::nl_FreeAll(&names);
  return answer;
}

// A dialog that answers an existing name and a new one.
template <class Call> int pairDialog(std::string& from, std::string& to, Call call) {
  char a[kNameBuffer] = {}, b[kNameBuffer] = {};
  const int answer = call(a, b);
  if (answer == 1) {
    from = trimmedName(a);
    to = trimmedName(b);
  }
  return answer;
}

bool hasSubprogram(const std::string& name) {
  shell::NameList names = shell::mod_ListSubprograms(false);
  const bool found = shell::nl_Find(&names, name.c_str()) != nullptr;
  shell::nl_FreeAll(&names);
  return found;
}

// A worksheet title is the name shown, then " - " and the project file.
std::string titleName(const std::string& title) {
  const std::size_t dash = title.find(" - ");
  return dash == std::string::npos ? title : title.substr(0, dash);
}

std::string facePrefix() {
  char buffer[64] = {};
  shell::res_LoadString(1002, buffer, int(sizeof buffer));
  return buffer;
}

} // namespace

// ---- frame ----

Frame::Frame(Dispatcher& d) : dispatcher(d) {
  shell::help_ResetContext();
  browserCommand = app_BrowserCommand;
  worksheetSetupDialog = [this](WorkSheetSetup& r) { return shell::bind_SW20_CallWorkSheetSetupDlg(id, &r); };
  saveAsDialog = [this](std::string& path) {
    char buffer[kOpenBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
    shell::FileDlgParams p{id, buffer, std::int32_t(sizeof buffer)};
    if (shell::bind_SW51_SaveAsMDLProject(&p) != 1) return false;
    path = buffer;
    return true;
  };
  copyMacroDialog = [this](std::string& from, std::string& to) {
    return withSubprogramList(false, [&](void* list) {
      return pairDialog(from, to, [&](char* a, char* b) { return shell::bind_SW08_CallCopyMacroDlg(id, list, a, b); });
    });
  };
  renameMacroDialog = [this](std::string& from, std::string& to) {
    return withSubprogramList(true, [&](void* list) {
      return pairDialog(from, to, [&](char* a, char* b) { return shell::bind_SW10_CallRenameMacroDlg(id, list, a, b); });
    });
  };
  designOrDeleteDialog = [this](int mode, std::string& name) {
    return withSubprogramList(true, [&](void* list) {
      char buffer[kNameBuffer] = {};
      const int answer = shell::bind_SW09_CallDesignOrDeleteMacroDlg(id, mode, list, buffer);
      if (answer == 1) name = trimmedName(buffer);
      return answer;
    });
  };
  newProjectDialog = [this](std::string& path) {
    char buffer[kOpenBufferSize] = {};
    const int answer = shell::bind_SW05_CallNewProjectDlg(id, buffer, std::int32_t(sizeof buffer));
    if (answer == 1) path = buffer;
    return answer;
  };
  isNewFileSuggestion = [](const std::string& path) {
    return shell::bind_SW51_IsFileNameSuggestionOfNew(path.c_str()) != 0;
  };
  mdi = new QMdiArea;
  mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi);
  setAcceptDrops(true);
  g_host = std::make_unique<FrameHost>(*this);
  shell::setWindowHost(g_host.get());
  g_editorHost = std::make_unique<FrameEditorHost>(*this);
  editor::setHost(g_editorHost.get());
  engineHookEnvironment().dialogs = &g_paramDialogs;
  shell::PrintHooks& ph = shell::printHooks();
  ph.dispatch = [this](WorksheetWindowData* w, editor::EngineEvent& e) { return dispatcher.dispatch(w, &e); };
  ph.enableFrame = [this](bool on) { setEnabled(on); };
  ph.enableWindow = [this](shell::Hwnd window, bool on) {
    for (Worksheet* w : worksheets())
      if (shell::Hwnd(w->data.id) == window) w->setEnabled(on);
  };
  ph.setPendingKind = [this](int kind) { pendingKind = kind; };
  ph.simulationRuns = [] { return app().simulation; };
  sheetTimer.setSingleShot(true);
  QObject::connect(&sheetTimer, &QTimer::timeout, this, [this] { onSheetTimer(); });
  QObject::connect(mdi, &QMdiArea::subWindowActivated, [this](QMdiSubWindow* sw) {
    auto* ws = dynamic_cast<Worksheet*>(sw);
    if (lastActive && lastActive != ws) {
      // The previous one hears of its deactivation and ends its gesture.
      Worksheet* old = lastActive;
      old->dragging = false;
      sendEngineEvent(old, editor::kMsgDeactivate, 0);
    }
    lastActive = ws;
    if (!ws) return;
    sendEngineEvent(ws, editor::kMsgActivate, 0);
    static constexpr int kStates[] = {3, 3, 3, 5, 5, 10, 4, 12};
    if (ws->data.kind <= 2) shell::ins_OnWorksheetActivated(ws->data.kind);
    setMenuState(kStates[ws->data.kind & 7]);
    helpContext = ws->data.kind == 3 && app().online ? 609 : helpOfKind(ws->data.kind);
  });
  installAccelerators();
}

Frame::~Frame() {
  sheetTimer.stop();
  // Worksheets still alive go first, while the frame they report to is
  // whole: one closed but not yet deleted (its deletion still posted) would
  // otherwise be destroyed with the frame's children, after the frame's
  // window table is gone.
  for (Worksheet* w : findChildren<Worksheet*>()) delete w;
  shell::printHooks() = shell::PrintHooks{};
  editor::setHost(nullptr);
  g_editorHost.reset();
  engineHookEnvironment().dialogs = nullptr;
  shell::setWindowHost(nullptr);
  g_host.reset();
}

void Frame::setMenuState(int state) {
  menuState = state;
  shell::ProgramFlags& f = shell::programFlags();
  f.online = app().online;
  f.simulation = app().simulation;
  f.clipboard = !dispatcher.clipNothingToPaste();
  f.trendSheet = false;
  for (Worksheet* w : worksheets()) f.trendSheet |= w->data.kind == 5;
  // Menus, bars, the Window list and the insert box follow the state.
  shell::menu_UpdateState(state);
}

Worksheet* Frame::worksheetOf(const WorksheetWindowData* d) const {
  if (!d) return nullptr;
  for (Worksheet* w : worksheets())
    if (&w->data == d) return w;
  return nullptr;
}

bool Frame::startSheetTimer(int ms) {
  Worksheet* a = active();
  if (!a || a->data.kind == 7 || timerWindow) return false;
  timerWindow = a;
  sheetTimer.start(std::max(1, ms));
  return true;
}

void Frame::stopSheetTimer() {
  sheetTimer.stop();
  timerWindow = nullptr;
}

void Frame::onSheetTimer() {
  Worksheet* w = timerWindow;
  if (!w) return;
  if (!quitQuestionOpen && !transferringParameters) {
    ++timerTicks;
    // The engine's deferred calls run first, then the display steps.
    shell::ui_RunDeferredCalls();
    sendEngineEvent(w, editor::kMsgTimer, 0);
    if (app().online) helpContext = 609;
  }
  // Re-armed with the cycle time until the display is switched off.
  if (timerWindow == w) sheetTimer.start(int(std::clamp<std::uint32_t>(app().settings.cycleTime, 50, 60000)));
}

void Frame::installAccelerators() {
  struct Accel { const char* keys; int id; };
  static const Accel table[] = {
      {"1", 246}, {"2", 247}, {"3", 248}, {"4", 244}, {"5", 245}, {"Ctrl+A", 370}, {"Ctrl+C", 373},
      {"Ctrl+Ins", 373}, {"Ctrl+U", 371}, {"Ctrl+V", 374}, {"Shift+Ins", 374}, {"Ctrl+X", 372},
      {"Ctrl+Del", 372}, {"Del", 239}, {"Ins", 237}, {"F2", 237}, {"F1", 330}, {"F3", 243},
      {"Shift+F4", 360}, {"F5", 261}, {"Shift+F5", 361}, {"F6", 231}, {"F7", 232}, {"F8", 233},
      {"F9", 262}, {"F10", 203}};
  for (const Accel& a : table) {
    auto* s = new QShortcut(QKeySequence(QString::fromLatin1(a.keys)), this);
    s->setContext(Qt::WindowShortcut);
    const int id = a.id;
    QObject::connect(s, &QShortcut::activated, [this, id] { onCommand(id); });
  }
}

Worksheet* Frame::active() const { return dynamic_cast<Worksheet*>(mdi->activeSubWindow()); }

std::vector<Worksheet*> Frame::worksheets() const {
  std::vector<Worksheet*> out;
  for (QMdiSubWindow* sw : mdi->subWindowList())
    if (auto* ws = dynamic_cast<Worksheet*>(sw)) out.push_back(ws);
  return out;
}

int Frame::sendEngineEvent(Worksheet* w, int type, int code, int x, int y) {
  editor::EngineEvent e;
  e.type = std::uint16_t(type);
  e.code = std::uint16_t(code);
  e.x = std::int16_t(x);
  e.y = std::int16_t(y);
  if (!w) return dispatcher.dispatch(nullptr, &e);
  if (w->data.kind == 7 && type != editor::kMsgDestroy) return 0;
  if (disp::gdi_GetWindowDc(w->canvas) != 1) return 0;
  const int answer = dispatcher.dispatch(&w->data, &e);
  disp::gdi_ReleaseWindowDc();
  // What the editor drew into the window's picture shows.
  w->canvas->update();
  return answer;
}

void Frame::redrawAll() {
  for (Worksheet* w : worksheets()) {
    w->updateVisibleSize();
    w->invalidate();
  }
}

bool Frame::addToTable(Worksheet* w) {
  for (OpenWindow& e : openWindows) {
    if (e.window) continue;
    e.window = w;
    shell::wnd_AddToWindowTable(shell::Hwnd(w->data.id), w->title);
    e.title = w->title;
    int same = 0;
    for (const OpenWindow& o : openWindows)
      if (o.window && o.title == w->title) ++same;
    for (OpenWindow& o : openWindows)
      if (o.window && o.title == w->title) o.sameTitle = same;
    return true;
  }
  return false;
}

void Frame::removeFromTable(Worksheet* w) {
  for (OpenWindow& e : openWindows) {
    if (e.window != w) continue;
    shell::wnd_RemoveFromWindowTable(shell::Hwnd(w->data.id));
    const std::string t = e.title;
    e = OpenWindow{};
    for (OpenWindow& o : openWindows)
      if (o.window && o.title == t && o.sameTitle > 0) --o.sameTitle;
  }
}

bool Frame::checkFreeSlot(bool running) {
  for (const OpenWindow& e : openWindows)
    if (!e.window) return true;
  const Worksheet* first = openWindows[0].window;
  const bool firstRunning = first && !editingKind(first->data.kind);
  if (first && firstRunning != running) return true;
  app_Message(40009, ui::MB_OK | ui::MB_ICONEXCLAMATION);
  return false;
}

Worksheet* Frame::createWorksheet() {
  const int kind = templateKind;
  auto* w = new Worksheet(*this, kind);
  static const char* kTitles[] = {"$MAIN", "$MAIN", "$MAIN", "Simulation", "Simulation", "Trend", "Face", "Values"};
  w->title = kTitles[kind & 7];
  if (dispatcher.projectPath().size()) {
    std::string p = dispatcher.projectPath();
    w->title += " - " + p.substr(p.find_last_of('/') + 1);
  }
  w->setWindowTitle(QString::fromStdString(w->title));
  w->data.id = int(reinterpret_cast<std::uintptr_t>(w) & 0x7fffffff);
  if (!addToTable(w)) {
    delete w;
    return nullptr;
  }
  // The record is a copy of the template context: the document the editor
  // made for the new window moves over.
  w->data.document = templateRecord.document;
  templateRecord.document = nullptr;
  dispatcher.detachWindow(&templateRecord);
  dispatcher.attachWindow(&w->data);
  mdi->addSubWindow(w);
  w->updateVisibleSize();
  const int pending = pendingKind;
  if (pending != 507 && pending != 0 && sendEngineEvent(w, editor::kMsgCommand, pending) == 0) selectDefaultTool(w);
  pendingKind = 0;
  const bool max = !maximise && mdi->subWindowList().size() == 1 ? true : maximise;
  if (max) {
    maximise = true;
    w->showMaximized();
  } else {
    w->resize(640, 420);
    w->show();
  }
  w->updateVisibleSize();
  w->invalidate();
  mdi->setActiveSubWindow(w);
  return w;
}

int Frame::templateCommand(int id) {
  templateKind = 3;
  return sendEngineEvent(nullptr, editor::kMsgCommand, id);
}

void Frame::copySubprogram() {
  std::string from, to;
  const std::uint16_t previous = shell::help_SetContext(30);
  const int answer = copyMacroDialog ? copyMacroDialog(from, to) : 2;
  shell::help_SetContext(previous);
  if (answer != 1 || from.empty() || to.empty()) return;
  sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  // The editor takes the new name and the source as the last chosen pair.
  const bool existed = hasSubprogram(to);
  modelfiles::ls_SetLastChosen(to, from);
  templateCommand(250);
  if (!existed && hasSubprogram(to)) shell::ins_AddSubprogramName(to.c_str());
}

void Frame::designSubprogram() {
  std::string name;
  const std::uint16_t previous = shell::help_SetContext(21);
  const int answer = designOrDeleteDialog ? designOrDeleteDialog(0, name) : 2;
  shell::help_SetContext(previous);
  if (answer != 1 || name.empty()) return;
  modelfiles::ls_SetLastChosen(name);
  openSheet(251, 6, 505, false);
}

void Frame::deleteSubprogram() {
  std::string name;
  const std::uint16_t previous = shell::help_SetContext(4);
  const int answer = designOrDeleteDialog ? designOrDeleteDialog(1, name) : 2;
  shell::help_SetContext(previous);
  if (answer != 1 || name.empty()) return;
  // The main sheet is the project's root: it is never deleted.
  if (name == "$MAIN") return;
  sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  modelfiles::ls_SetLastChosen(name);
  templateCommand(252);
  if (!hasSubprogram(name)) shell::ins_RemoveSubprogramName(name.c_str());
}

void Frame::renameSubprogram() {
  std::string from, to;
  const std::uint16_t previous = shell::help_SetContext(77);
  const int answer = renameMacroDialog ? renameMacroDialog(from, to) : 2;
  shell::help_SetContext(previous);
  if (answer != 1 || from.empty() || to.empty() || from == to || from == "$MAIN") return;
  sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  templateKind = 3;
  if (!dispatcher.renameModule(from, to)) return;
  // Open sheets of the subprogram (editing kinds by its name, gate-face
  // sheets by the face prefix and its name) take the new name.
  const std::string prefix = facePrefix();
  for (Worksheet* w : worksheets()) {
    const std::string shown = titleName(w->title);
    std::string renamed;
    if (w->data.kind >= 0 && w->data.kind <= 2 && shown == from) renamed = to;
    else if (w->data.kind == 6 && shown == prefix + from) renamed = prefix + to;
    else continue;
    w->title = renamed + w->title.substr(shown.size());
    w->setWindowTitle(QString::fromStdString(w->title));
    shell::wnd_RenameInWindowTable(shell::Hwnd(w->data.id), w->title);
    for (OpenWindow& e : openWindows)
      if (e.window == w) e.title = w->title;
  }
  for (OpenWindow& e : openWindows) {
    if (!e.window) continue;
    e.sameTitle = 0;
    for (const OpenWindow& o : openWindows) e.sameTitle += o.window && o.title == e.title;
  }
  redrawAll();
  shell::ins_RenameSubprogramName(from.c_str(), to.c_str());
}

void Frame::destroyKinds(std::initializer_list<int> kinds) {
  for (Worksheet* w : worksheets())
    if (std::find(kinds.begin(), kinds.end(), w->data.kind) != kinds.end()) delete w;
}

void Frame::openSheet(int id, int kind, int pending, bool running) {
  if (!checkFreeSlot(running)) return;
  templateKind = kind;
  pendingKind = pending;
  if (kind == 3) shell::ui_ClearDeferredCalls();
  templateRecord = WorksheetWindowData{};
  templateRecord.kind = kind;
  templateRecord.clientW = std::int16_t(std::min(32767, mdi->width()));
  templateRecord.clientH = std::int16_t(std::min(32767, mdi->height()));
  editor::EngineEvent e;
  e.type = editor::kMsgCommand;
  e.code = std::uint16_t(id);
  const int answer = dispatcher.dispatchTemplate(&templateRecord, &e);
  if (answer != 1) {
    pendingKind = 0;
    if (id == 233 && answer != 0) app_Message(50008, ui::MB_OK | ui::MB_ICONHAND);
    return;
  }
  if (kind <= 2) {
    destroyKinds({3, 4, 5, 7});
  } else if (kind == 6) {
    destroyKinds({3, 4, 5, 7});
    destroyKinds({6});
  } else if (kind == 3 || kind == 4) {
    destroyKinds({0, 1, 2, 6});
  }
  templateKind = kind;
  pendingKind = pending;
  createWorksheet();
  if (kind <= 2) {
    setMenuState(3);
    helpContext = 603;
  } else if (kind == 3) {
    setMenuState(5);
    helpContext = 605;
  } else if (kind == 6) {
    helpContext = 604;
  }
}

void Frame::setTitleFromProject() {
  const std::string p = dispatcher.projectPath();
  inst_SetProjectPath(p);
  setWindowTitle(QString::fromStdString(p.empty() ? std::string("Zerlo") : "Zerlo - " + p));
}

bool Frame::askThreads() {
  if (engine::th_NoWorkers()) return true;
  if (app_Message(40001, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) return false;
  // Workers are asked to stop and joined within a bound; one that does not
  // stop is abandoned (its library stays loaded).
  engine::th_KillAll();
  return true;
}

bool Frame::askSaveChanges() {
  if (!dispatcher.projectChanged()) return true;
  const std::string p = dispatcher.projectPath();
  const int a = app_MessageWithString(40008, p, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
  if (a == ui::IDCANCEL) return false;
  const bool suggested = !p.empty() && isNewFileSuggestion && isNewFileSuggestion(p);
  if (a == ui::IDYES) {
    // Save as while the name is still the new-file suggestion. A save that
    // fails or is cancelled counts as Cancel: nothing closes, nothing is
    // deleted.
    return saveProject(suggested);
  }
  // No: a never-saved project's automatically named file goes.
  if (suggested) {
    app_LogStep("remove " + p);
    std::remove(p.c_str());
  }
  return true;
}

bool Frame::closeProject() {
  closeRefused = false;
  if (!askThreads() || !askSaveChanges()) {
    closeRefused = true;
    return false;
  }
  for (Worksheet* w : worksheets()) delete w;
  sendEngineEvent(nullptr, editor::kMsgCommand, 204);
  setMenuState(1);
  helpContext = 601;
  maximise = false;
  setTitleFromProject();
  return true;
}

void Frame::loadProject() {
  if (!openPending) sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  if (!closeProject()) {
    openPending = openedByName = false;
    return;
  }
  templateKind = 3;
  if (!openedByName) {
    char buffer[kOpenBufferSize] = {};
    std::snprintf(buffer, sizeof buffer, "%s", openBuffer.c_str());
    shell::FileDlgParams p{id, buffer, std::int32_t(sizeof buffer)};
    if (shell::bind_SW51_OpenMDLProject(&p) != 1) {
      openPending = openedByName = false;
      return;
    }
    openBuffer = buffer;
    openPending = true;
  }
  if (inst_FindFileInOtherInstance(app().instance, openBuffer) &&
      app_Message(40022, ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION) != ui::IDOK) {
    openPending = openedByName = false;
    return;
  }
  helpContext = 619;
  dispatcher.openName = openBuffer;
  if (sendEngineEvent(nullptr, editor::kMsgCommand, 201) == 0) {
    setMenuState(2);
    setTitleFromProject();
    helpContext = 602;
    const std::string loaded = dispatcher.projectPath();
    if (!loaded.empty() && !(isNewFileSuggestion && isNewFileSuggestion(loaded))) shell::mru_Add(recent, loaded);
    if (!dispatcher.ensureStandardLibrary()) {
      // No new function blocks can be inserted: the insert box goes.
      app_Message(50061, ui::MB_OK | ui::MB_ICONHAND);
      if (shell::menu_IsChecked(324)) shell::ins_ToggleCommand();
      shell::barMenus().check(324, false);
    }
    onCommand(231);
  } else {
    helpContext = 601;
    if (messageLine) messageLine("The project " + openBuffer + " could not be loaded.");
  }
  openPending = openedByName = false;
}

void Frame::newProject() {
  if (!closeProject()) return;
  std::string path;
  const std::uint16_t previous = shell::help_SetContext(43);
  const int answer = newProjectDialog ? newProjectDialog(path) : 2;
  shell::help_SetContext(previous);
  if (answer != 1 || path.empty()) return;
  if (path.size() >= kOpenBufferSize) {
    if (messageLine) messageLine("The name of the new project is too long: " + path);
    return;
  }
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    // The template held no project file of that name: a new one is made
    // from the program's empty project when the user wants it.
    // (The question of msg_AskCreateFile, 50043, through the frame's boxes.)
    if (app_MessageWithString(50043, path, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) return;
    const std::string empty =
        emptyProjectFile.empty() ? std::string(shell::path_GetBinDir()) + "DEFAULT.MDN" : emptyProjectFile;
    if (!std::filesystem::copy_file(empty, path, ec) || ec) {
      if (messageLine) messageLine("The project " + path + " could not be created from " + empty + ": " + ec.message());
      return;
    }
  }
  openBuffer = path;
  openPending = openedByName = true;
  onCommand(201);
}

void Frame::applyStartMenus() {
  if (startMenusApplied) return;
  startMenusApplied = true;
  shell::bind_SB06_DeleteMenuItem(273);
  setMenuState(1);
}

void Frame::arrangeIcons() {
  int x = 0;
  for (Worksheet* w : worksheets()) {
    if (!w->isMinimized()) continue;
    const QSize size = w->size();
    w->move(x, std::max(0, mdi->viewport()->height() - size.height()));
    x += size.width();
  }
}

bool Frame::saveProject(bool saveAs) {
  sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  const std::string path = dispatcher.projectPath();
  if (!saveAs && !path.empty() && isNewFileSuggestion && isNewFileSuggestion(path)) saveAs = true;
  if (saveAs) {
    // The file selector on the open buffer, starting with the project's name.
    std::string chosen = path;
    if (!saveAsDialog || !saveAsDialog(chosen) || chosen.empty()) return false;
    dispatcher.openName = chosen;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int saved = sendEngineEvent(nullptr, editor::kMsgCommand, saveAs ? 207 : 203);
  QApplication::restoreOverrideCursor();
  if (saved != 0) {
    const std::string target = saveAs ? dispatcher.openName : path;
    const std::string why = app_SaveFailureReason(target);
    if (messageLine) messageLine("The project " + target + " could not be saved: " + why);
    // A plain save that fails (a read-only folder, a folder gone) offers the
    // file selector, so that the work can go elsewhere instead of being
    // lost or keeping the program from closing.
    if (!saveAs && !target.empty() &&
        ui::messageBox("The project could not be saved.\n" + target + "\n" + why +
                           "\nSave it under another name or in another folder?",
                       "Zerlo", ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION) == ui::IDOK)
      return saveProject(true);
    return false;
  }
  if (saveAs && !path.empty() && path != dispatcher.projectPath() && isNewFileSuggestion &&
      isNewFileSuggestion(path)) {
    // The untitled file gave way to the named one.
    app_LogStep("remove " + path);
    std::remove(path.c_str());
  }
  shell::mru_Add(recent, dispatcher.projectPath());
  setTitleFromProject();
  return true;
}

void Frame::setEditMode(Worksheet* w, int mode) {
  if (!w) return;
  if (mode < 1 || mode > 5) mode = 1;
  static constexpr int kTables[] = {3, 4, 5, 7, 8};
  static constexpr int kShapes[] = {2, 11, 20, 31, 33};
  // The gesture in hand ends; the editor goes back to idle with the mode's table.
  w->dragging = false;
  editor::setEditorState(0);
  if (!w->data.document) return;
  editor::ui_SelectDocument(&w->data, kTables[mode - 1]);
  shell::barMenus().changeBarsForEditMode(mode);
  w->setShape(kShapes[mode - 1]);
  w->data.editMode = mode;
  editMode = mode;
  setMenuState(3);
}

void Frame::selectDefaultTool(Worksheet* w) {
  if (!w || !w->data.document) return;
  const int kind = w->data.kind;
  if (kind <= 2) setEditMode(w, menuState == 3 || menuState == 4 ? editMode : 1);
  else if (kind == 3) editor::ui_SelectDocument(&w->data, 9);
  else if (kind == 6) editor::ui_SelectDocument(&w->data, 10);
}

void Frame::startTarget() {
  auto runSheet = [this]() -> Worksheet* {
    for (Worksheet* w : worksheets())
      if (w->data.kind == 3) return w;
    return nullptr;
  };
  Worksheet* sheet = runSheet();
  if (!sheet) {
    onCommand(233);
    sheet = runSheet();
  }
  if (!sheet) return;
  // Other instances leave the online mode: one program talks to the target.
  inst_BroadcastToInstances(app().instance, kStopRequest, 0, 0);
  // The target program text, the device description and the download file
  // are written to the temporary folder: without it nothing can go to the
  // target, and the user is told why (not that the PLC is missing).
  if (std::string why; !app_EnsureTempDir(why)) {
    ui::messageBox(app_TempDirMessage(why), "Zerlo", ui::MB_OK | ui::MB_ICONHAND);
    return;
  }
  // The values, modes and parameters go to the server this login reaches:
  // none until it has answered, then the current server of the target dialogs.
  srv::kc::BindServer(0);
  app_LogStep("login");
  shell::bind_TA01_LoginByServer(0, id);
  const std::uint32_t server = shell::bind_ZRTA00_GetCurrentServer();
  if (srv::kc::BindServer(server)) app_LogStep("server " + srv::kc::client().server());
  app_LogStep("interface test");
  if (!shell::bind_TA01_TestIFConnection(server)) {
    helpContext = 72;
    app_Message(40014, ui::MB_OK | ui::MB_ICONHAND);
    return;
  }
  app_LogStep("device description");
  if (!shell::bind_TA01_GetDFF(server)) {
    helpContext = 653;
    app_Message(40007, ui::MB_OK | ui::MB_ICONHAND);
    return;
  }
  sendEngineEvent(sheet, editor::kMsgCommand, 260);
  helpContext = 60;
  app_LogStep("compile");
  if (shell::dlg_Compile() != 1) return;
  shell::programFlags().downloaded = false;
  app_LogStep("download");
  if (shell::dlg_Download() != 1) return;
  setMenuState(5);
  if (shell::programFlags().downloaded && !app().online) onCommand(262);
}

void Frame::toggleOnline() {
  if (!app().online) {
    helpContext = 609;
    app_LogStep("online on: COMM ON answered " + std::to_string(srv::kc::CommOn()));
    app().online = true;
    setMenuState(9);
    sendEngineEvent(nullptr, editor::kMsgCommand, 262);
    return;
  }
  helpContext = 605;
  srv::kc::CommOff();
  app().online = false;
  srv::kc::SetMode(5);
  redrawAll();
  setMenuState(5);
  // The display that the timer ran stops.
  if (active() && timerWindow) sendEngineEvent(timerWindow, editor::kMsgCommand, 263);
}

void Frame::openRecent(int n) {
  if (!closeProject()) return;
  char entry[shell::kRecentPathMax + 1] = {};
  if (!shell::mru_GetEntry(recent, entry, sizeof entry, n)) return;
  const std::string name = entry;
  if (name.size() >= kOpenBufferSize) {
    // It does not fit the open buffer: nothing else is opened in its place.
    if (messageLine) messageLine("The name of the recent file is too long: " + name);
    return;
  }
  openBuffer = name;
  openPending = openedByName = true;
  onCommand(201);
}

void Frame::dropFile(const std::string& name) {
  if (app().online) return;
  if (name.empty()) return;
  if (name.size() >= kOpenBufferSize) {
    if (messageLine) messageLine("The name of the dropped file is too long: " + name);
    return;
  }
  if (!closeProject()) return;
  openBuffer = name;
  openPending = openedByName = true;
  onCommand(201);
}

HelpContextField& HelpContextField::operator=(int id) {
  shell::help_SetContext(std::uint16_t(id));
  return *this;
}
HelpContextField::operator int() const { return shell::help_GetContext(); }

void Frame::showContextHelp() {
  // Ctrl+F1 is the gate help of the worksheet under the pointer.
  if (QApplication::keyboardModifiers() & Qt::ControlModifier) return;
  contextHelp = true;
  shell::help_ShowContext();
  contextHelp = false;
}

void Frame::showGateHelp(Worksheet* w, int x, int y) {
  if (!w || w->data.kind < 0 || w->data.kind > 3 || !w->data.document) return;
  const model::DocumentRecord* doc = w->data.document;
  const int level = doc->MacroLevel >= 1 && doc->MacroLevel <= model::kMaxMacroLevel ? doc->MacroLevel : 0;
  const model::LogicRecord* logic = level ? doc->LevelLogics[level] : nullptr;
  model::GateRecord* gate = nullptr;
  int ordinal = 0;
  if (!logic || !model::gg_GateAtPoint(logic, x + w->data.scrollX, y + w->data.scrollY, gate, ordinal) || !gate) return;
  auto text = [](const char* field, std::size_t size) {
    std::string t(field, strnlen(field, size));
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
  };
  std::string library, name;
  if (const model::GateTypeRecord* type = model::subType(gate)) {
    // A block of a library: its help page is found under the block's name.
    name = text(type->Name, sizeof type->Name);
    if (type->Module) library = text(type->Module->Name, sizeof type->Module->Name);
  } else if (gate->Kind == model::kKindCall) {
    // A subprogram of the project has no help page.
    return;
  } else {
    name = model::gt_KindName(gate->Kind);
  }
  shell::help_ShowBlockHelp(id, library, name);
}

void Frame::transferParameters(bool read) {
  engine::ParamTransferHooks hooks;
  hooks.confirm = [](int question) {
    return app_Message(question, ui::MB_YESNO | ui::MB_ICONQUESTION) == ui::IDYES;
  };
  hooks.redrawAll = [this] { redrawAll(); };
  // An open value sheet shows the values read.
  hooks.notifyActiveWindow = [this] {
    for (Worksheet* w : worksheets())
      if (w->data.kind == 7) {
        w->wndProc(kWmUser0 + 16, 0, 0);
        return;
      }
  };
  hooks.onlineDisplayOn = app().online;
  engine::ParamTransferPort& port = paramPort ? *paramPort : engine::kcTransferPort();
  transferringParameters = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (read) engine::prm_ReadAllFromTarget(engine::vm(), port, hooks);
  else engine::prm_WriteAllToTarget(engine::vm(), port, hooks);
  QApplication::restoreOverrideCursor();
  transferringParameters = false;
}

void Frame::writeParamLists(bool withHead) {
  Worksheet* w = active();
  if (!w || !w->data.document) return;
  // No worker of a block changes parameters while the lists are written.
  if (!withHead) shell::bind_SB01_SetStatusBarText(0, "");
  engine::xt_DisableThreads();
  if (withHead) shell::bind_SB01_SetStatusBarText(0, "");
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = w->data.document;
  zapp::app_WriteParamLists(w->data.document, withHead, editor::ctx().options.paths[9]);
  model::CurrentDocument = previous;
  redrawAll();
  engine::xt_EnableThreads();
  if (!withHead)
    for (Worksheet* v : worksheets())
      if (v->data.kind == 7) v->wndProc(kWmUser0 + 16, 0, 0);
}

void Frame::loadLibrary() {
  sendEngineEvent(nullptr, editor::kMsgCommand, 371);
  if (!model::TemplateDocument) return;
  model::CurrentDocument = model::TemplateDocument;
  if (modelfiles::mdl_LoadProjectFile(0) != 0) editor::ctx().projectChanged = 1;
  redrawAll();
}

void Frame::writeTargetTextCopy() {
  Worksheet* sheet = nullptr;
  for (Worksheet* w : worksheets())
    if (w->data.kind == 3) {
      sheet = w;
      break;
    }
  if (!sheet) return;
  sendEngineEvent(sheet, editor::kMsgCommand, 260);
  // The copy sits beside the project: its name with the extension replaced by "q".
  const std::string text = shell::bind_PathText(shell::bind_GetPathToProjectZCDForInst);
  std::string copy = dispatcher.projectPath();
  if (text.empty() || copy.size() < 3) return;
  copy.replace(copy.size() - 3, 3, "q");
  shell::file_CopyBinary(copy.c_str(), text.c_str());
}

void Frame::onCommand(int cmd) {
  if (contextHelp) {
    // While the context help shows, a command shows its own help.
    contextHelp = false;
    const std::uint16_t previous = shell::help_SetContext(std::uint16_t(cmd));
    shell::help_ShowContext();
    shell::help_SetContext(previous);
    return;
  }
  switch (cmd) {
  case 201: loadProject(); return;
  case 203: case 207: saveProject(cmd == 207); return;
  case 204:
    if (!closeProject()) return;
    break;
  case 216: close(); return;
  case 222: newProject(); return;
  case 258:
    // The marks of the active worksheet's gates go.
    if (Worksheet* w = active(); w && w->data.document) {
      model::DocumentRecord* previous = model::CurrentDocument;
      model::CurrentDocument = w->data.document;
      editor::EngineEvent e;
      editor::ui_ClearAllGateMarks(&w->data, &e);
      model::CurrentDocument = previous;
      w->invalidate();
    }
    return;
  case 230: openSheet(230, 0, 500, false); return;
  case 231: {
    for (Worksheet* w : worksheets())
      if (w->data.kind <= 2 && w->title.rfind("$MAIN", 0) == 0) {
        mdi->setActiveSubWindow(w);
        return;
      }
    openSheet(231, 1, 501, false);
    return;
  }
  case 232: openSheet(232, 2, 502, false); return;
  case 250: copySubprogram(); return;
  case 251: designSubprogram(); return;
  case 252: deleteSubprogram(); return;
  case 259: renameSubprogram(); return;
  case 233: openSheet(233, 3, 503, true); return;
  case 234: openSheet(234, 4, 504, true); return;
  case 235: {
    for (Worksheet* w : worksheets())
      if (w->data.kind == 5) {
        mdi->setActiveSubWindow(w);
        return;
      }
    openSheet(235, 5, 506, true);
    setMenuState(10);
    return;
  }
  case 208: loadLibrary(); return;
  case 212: case 223: case 240: case 243:
    // Deselect, then routed.
    sendEngineEvent(nullptr, editor::kMsgCommand, 371);
    break;
  case 213:
    sendEngineEvent(nullptr, editor::kMsgCommand, 371);
    shell::prn_PrintProject(id);
    return;
  case 224: case 225: case 226: case 227: case 228: openRecent(cmd - 224); return;
  case 244: case 245: case 246: case 247: case 248: {
    static constexpr int kModes[] = {4, 5, 1, 2, 3};
    if (Worksheet* w = active()) setEditMode(w, kModes[cmd - 244]);
    return;
  }
  case 282:
    // The shell's simulation flag, then the editor switches the display.
    app().simulation = !app().simulation;
    setMenuState(app().simulation ? 11 : 5);
    break;
  case 268: case 269: transferParameters(cmd == 268); return;
  case 287: case 288: writeParamLists(cmd == 287); return;
  case 261: startTarget(); return;
  case 262: toggleOnline(); return;
  case 324: shell::ins_ToggleCommand(); return;
  case 330: showContextHelp(); return;
  case 266: case 274: case 275: case 301: return;
  case 302: case 304: {
    // The check mark toggles, then the command goes on.
    shell::BarMenus& b = shell::barMenus();
    b.check(cmd, !b.isChecked(cmd));
    if (cmd == 304) app().settings.ioLabel = b.isChecked(304) ? 1 : 0;
    break;
  }
  case 305: {
    app().settings.editCursor = !app().settings.editCursor;
    shell::bind_SetEditCursor(app().settings.editCursor);
    shell::barMenus().check(305, app().settings.editCursor != 0);
    break;
  }
  case 321:
    app().settings.route0 = app().settings.route0 ? 0 : 1;
    shell::barMenus().check(321, app().settings.route0 != 0);
    applyRouteOptions();
    return;
  case 382: {
    const int on = shell::bind_GetQuickStartStatus() ? 0 : 1;
    shell::bind_SetQuickStartStatus(on);
    shell::barMenus().check(382, on != 0);
    return;
  }
  case 331: {
    const std::uint16_t previous = shell::help_SetContext(25);
    shell::bind_SW21_CallAboutDlg(id);
    shell::help_SetContext(previous);
    return;
  }
  case 332: shell::help_Call(id, shell::HELP_HELPONHELP, 0); return;
  case 333: shell::help_Call(id, shell::HELP_FINDER, 0); return;
  case 334: case 335: {
    const std::uint16_t previous = shell::help_SetContext(std::uint16_t(cmd));
    shell::help_ShowContext();
    shell::help_SetContext(previous);
    return;
  }
  case 322: {
    const std::uint16_t previous = shell::help_SetContext(62);
    const int answer = shell::bind_ZRTA05_CallInterfaceSettigsDlg(id, 1);
    shell::help_SetContext(previous);
    if (answer != 1) return;
    app().settings.kxifMinVis = shell::bind_IsKXIFMinVis() ? 1 : 0;
    app().settings.kxifActive = shell::bind_IsKXIFActive() ? 1 : 0;
    if (menuState >= 2 && menuState <= 8) {
      if (app().settings.kxifActive) shell::menu_EnableCommand(275);
      else shell::menu_DisableCommand(275);
    }
    inst_BroadcastToInstances(app().instance, kInterfaceChanged, 0, 0);
    return;
  }
  case 323:
    if (!app().online) {
      inst_BroadcastToInstances(app().instance, kStopRequest, 0, 0);
      shell::bind_TA01_CallInterfaceDiagnose(id);
    } else {
      shell::bind_TA01_CallInterfaceTerminal(id);
    }
    return;
  case 236:
    if (Worksheet* w = active()) w->close();
    helpContext = 0;
    return;
  case 267: {
    for (Worksheet* w : worksheets())
      if (w->data.kind == 7) {
        mdi->setActiveSubWindow(w);
        return;
      }
    // The value sheet is the shell's own window: the editor makes nothing for it.
    if (!checkFreeSlot(true)) return;
    templateRecord = WorksheetWindowData{};
    templateRecord.kind = 7;
    templateKind = 7;
    pendingKind = 507;
    createWorksheet();
    helpContext = 607;
    return;
  }
  case 300: worksheetSetup(); return;
  case 40030: {
    const std::string command = browserCommand ? browserCommand() : std::string();
    if (command.empty()) return;
    const QStringList words = QProcess::splitCommand(QString::fromStdString(app_WebCommand(command, kWebAddress)));
    if (words.isEmpty() || !QProcess::startDetached(words.first(), words.mid(1)))
      app_Message(50000, ui::MB_OK | ui::MB_ICONHAND);
    return;
  }
  case 318: case 319: {
    int& flag = cmd == 318 ? app().settings.statusBar : app().settings.toolBar;
    flag = !flag;
    if (cmd == 318) shell::bind_SB01_EnableStatusBar(flag);
    else shell::bind_SB02_EnableToolBar(flag);
    return;
  }
  case 360: maximise = false; mdi->cascadeSubWindows(); return;
  case 361: maximise = false; mdi->tileSubWindows(); return;
  case 362: arrangeIcons(); return;
  case 363:
    for (Worksheet* w : worksheets()) delete w;
    helpContext = 602;
    return;
  case 40021: case 40022: case 40023: case 40024: case 40025: case 40026: case 40027: {
    int current = shell::bind_GetObelLanguage();
    if (current == 0) current = 2;
    const int n = cmd - 40020;
    if (current == n) return;
    const int a = app_Message(40000, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
    if (a == ui::IDCANCEL) return;
    shell::bind_SetObelLanguage(n);
    shell::barMenus().check(40020 + current, false);
    shell::barMenus().check(cmd, true);
    if (a == ui::IDYES) QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
    return;
  }
  default: break;
  }
  // Routing: the Window-menu entries activate their sheet; the rest goes to
  // the active worksheet or, without one, to the editor on the template.
  if (cmd >= 400 && cmd <= 419) {
    int n = cmd - 400;
    for (const OpenWindow& e : openWindows) {
      if (!e.window) continue;
      if (n-- == 0) {
        mdi->setActiveSubWindow(e.window);
        return;
      }
    }
    return;
  }
  if (Worksheet* w = active()) {
    w->wndProc(kWmCommand, cmd, 0);
    return;
  }
  templateKind = 3;
  sendEngineEvent(nullptr, editor::kMsgCommand, cmd);
}

std::int64_t Frame::wndProc(std::uint32_t msg, std::int64_t w, std::int64_t l) {
  switch (msg) {
  case kWmCommand: onCommand(int(w & 0xFFFF)); return 0;
  case kWmClose: close(); return 0;
  case kWmUser0 + 0: createWorksheet(); return 0;
  case kWmUser0 + 6: destroyKinds({0, 1, 2, 6}); return 0;
  case kWmUser0 + 7: destroyKinds({3, 4, 5, 7}); return 0;
  case kWmUser0 + 39:
    if (sendEngineEvent(nullptr, editor::kMsgCommand, 514) != kAnswerRefused) createWorksheet();
    return 0;
  case kWmUser0 + 40: destroyKinds({6}); return 0;
  case kWmUser0 + 45: shell::ins_OnBoxClosed(long(w)); return 0;
  case kWmHelp: showContextHelp(); return 0;
  case kMacroBarMessage:
    // The sheet options the bar shows are the active logic's (the editor's).
    if (l == 0) shell::bind_SB05_EnableMacroBar(0);
    else if (active()) shell::bind_SB05_EnableMacroBar(1);
    return 0;
  case kBlockDialogReport:
    if (w != 0) return 0;
    engine::xt_SetCallReason(std::uint16_t(l));
    if (Worksheet* a = active()) {
      a->wndProc(kWmCommand, 380, 0);
    } else {
      templateKind = 3;
      sendEngineEvent(nullptr, editor::kMsgCommand, 380);
    }
    return 0;
  case kWriteTargetCopy: writeTargetTextCopy(); return 0;
  case kWmUser0 + 41:
    app_ShowStartBitmap(0);
    setEnabled(true);
    activateWindow();
    if (Worksheet* a = active()) a->canvas->setFocus();
    if (!enabledOnce) {
      enabledOnce = true;
      if (onStarted) onStarted();
    }
    return 0;
  case kInstanceQuery:
    switch (w) {
    case 0: return app().instance;
    case 1000: return std::int64_t(app().settings.sheetW) << 16 | app().settings.sheetH;
    case 1001: {
      const int width = int((l >> 16) & 0xFFFF), height = int(l & 0xFFFF);
      if (!width || !height) return 0;
      app().settings.sheetW = std::uint16_t(width);
      app().settings.sheetH = std::uint16_t(height);
      applySheetSize();
      return 1;
    }
    default: return 0;
    }
  case kWmMenuSelect:
    menuSelect(int(w & 0xFFFF), int((w >> 16) & 0xFFFF), l);
    shell::bind_SB01_MenuHelpStatusBar(std::uint32_t(w), std::int32_t(l));
    return 0;
  case kStopRequest:
    if (app().online) onCommand(262);
    return 0;
  case kInterfaceChanged:
    if (!app().online) {
      app().settings.kxifMinVis = shell::bind_IsKXIFMinVis() ? 1 : 0;
      app().settings.kxifActive = shell::bind_IsKXIFActive() ? 1 : 0;
    }
    return 0;
  default: return 0;
  }
}

namespace {
// The sheet sizes of the worksheet setup by index (width, height).
constexpr std::array<std::array<std::uint16_t, 2>, 6> kSheetSizes{{
    {885, 1250}, {1130, 1600}, {1770, 2500}, {1250, 885}, {1600, 1130}, {2500, 1770}}};
} // namespace

int sheetSizeIndex(int width, int height) {
  for (std::size_t i = 0; i < kSheetSizes.size(); ++i)
    if (kSheetSizes[i][0] == width && kSheetSizes[i][1] == height) return int(i);
  return 0;
}

void Frame::worksheetSetup() {
  StartSettings& s = app().settings;
  WorkSheetSetup r{};
  r.format = sheetSizeIndex(s.sheetW, s.sheetH);
  r.zoom = s.zoom;
  r.crossText = s.route0 ? 1 : 0;
  r.refreshMs = std::int32_t(s.cycleTime);
  helpContext = 34;
  const int answer = worksheetSetupDialog ? worksheetSetupDialog(r) : 2;
  if (answer != 1) return;
  const auto& size = kSheetSizes[std::size_t(std::clamp(r.format, 0, 5))];
  s.sheetW = size[0];
  s.sheetH = size[1];
  s.route0 = r.crossText ? 1 : 0;
  if (r.zoom >= 0.3f && r.zoom <= 10.0f) s.zoom = r.zoom;
  disp::gdi_SetZoom(&s.zoom);
  if (r.refreshMs > 0 && app_RunningCycleTimeOk(std::uint32_t(r.refreshMs))) s.cycleTime = std::uint32_t(r.refreshMs);
  applyRouteOptions();
  applySheetSize();
}

void Frame::applyRouteOptions() {
  const StartSettings& s = app().settings;
  shell::blk_SetRouteOptions(model::RouteOptions{s.route0, std::int16_t(s.route1), s.route2});
}

void Frame::applySheetSize() {
  // The scroll ranges follow the sheet size; positions stay within them.
  const StartSettings& s = app().settings;
  for (Worksheet* w : worksheets()) {
    if (!hasScrollBars(w->data.kind)) continue;
    w->data.rangeX = std::int16_t(std::max(0, s.sheetW - 100));
    w->data.rangeY = std::int16_t(std::max(0, s.sheetH - 100));
    w->hbar->setRange(0, w->data.rangeX);
    w->vbar->setRange(0, w->data.rangeY);
    w->data.scrollX = std::min(w->data.scrollX, w->data.rangeX);
    w->data.scrollY = std::min(w->data.scrollY, w->data.rangeY);
  }
  redrawAll();
}

void Frame::menuSelect(int item, int flags, std::int64_t menu) {
  if (flags == 0xFFFF && menu == 0) {
    // The menu closed: the context from before it opened.
    if (menuHelp) helpContext = savedHelpContext;
    menuHelp = false;
    return;
  }
  if (!(flags & (kMfPopup | kMfSysMenu))) {
    if ((item >= 200 && item <= 399) || (item >= 40021 && item <= 40030)) helpContext = item;
    else if (Worksheet* a = active()) helpContext = helpOfKind(a->data.kind);
    else helpContext = menuState == 2 ? 602 : 601;
    return;
  }
  if (!menuHelp) {
    savedHelpContext = helpContext;
    menuHelp = true;
  }
  helpContext = 600;
}

void Frame::connectMenuHelp() {
  QMenuBar* bar = menuBar();
  auto select = [this](int item, int flags, std::int64_t menu) {
    wndProc(kWmMenuSelect, std::int64_t(std::uint32_t(item & 0xFFFF) | std::uint32_t(flags & 0xFFFF) << 16), menu);
  };
  for (QMenu* m : bar->findChildren<QMenu*>()) {
    QObject::connect(m, &QMenu::aboutToShow, this, [select] { select(0, kMfPopup, 1); });
    QObject::connect(m, &QMenu::hovered, this, [select](QAction* a) {
      if (a->menu()) select(0, kMfPopup, 1);
      else select(a->data().toInt(), 0, 1);
    });
    QObject::connect(m, &QMenu::aboutToHide, this, [this, select] {
      // Closed once no menu of the bar stays open.
      QMetaObject::invokeMethod(this, [this, select] {
        for (QMenu* other : menuBar()->findChildren<QMenu*>())
          if (other->isVisible()) return;
        select(0, 0xFFFF, 0);
      }, Qt::QueuedConnection);
    });
  }
}

bool Frame::event(QEvent* e) {
  if (e->type() == QEvent::Show) applyStartMenus();
  if (e->type() == kit::kWindowMessageEvent) {
    auto* m = static_cast<kit::WindowMessageEvent*>(e);
    m->result = wndProc(m->msg, m->wParam, m->lParam);
    return true;
  }
  return QMainWindow::event(e);
}

void Frame::paintEvent(QPaintEvent* e) {
  QMainWindow::paintEvent(e);
  if (firstPaint) {
    firstPaint = false;
    if (openPending) QMetaObject::invokeMethod(this, [this] { onCommand(201); }, Qt::QueuedConnection);
  }
}

void Frame::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void Frame::dropEvent(QDropEvent* e) {
  const auto urls = e->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) dropFile(urls.first().toLocalFile().toStdString());
  e->acceptProposedAction();
}

int Frame::onClose() {
  if (app().online) {
    if (app_Message(40006, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) return 0;
    onCommand(262);
  }
  if (!askThreads()) return 0;
  return askSaveChanges() ? 1 : 0;
}

void Frame::closeEvent(QCloseEvent* e) {
  if (shutDownDone) {
    e->accept();
    return;
  }
  if (!onClose()) {
    e->ignore();
    return;
  }
  shutDown();
  e->accept();
}

void Frame::shutDown() {
  if (shutDownDone) return;
  shutDownDone = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (Worksheet* w : worksheets()) delete w;
  srv::kc::CommOff();
  app().online = false;
  // The frame placement.
  ObelWindowPlacement pl{};
  pl.length = sizeof pl;
  pl.showCmd = isMaximized() ? 3 : 1;
  const QRect g = geometry();
  pl.rcNormalPosition = ObelWindowRect{g.left(), g.top(), g.right() + 1, g.bottom() + 1};
  shell::bind_SetObelStartPosition(&pl);
  disp::gdi_ResetAll();
  shell::help_Quit(id);
  // This instance's target files.
  using Getter = int (*)(MStrBuf*);
  const Getter getters[] = {shell::bind_GetPathToProjectZCDForInst, shell::bind_GetPathToProjectErrorForInst,
                            shell::bind_GetPathToDLFForInst, shell::bind_GetPathToMAPForInst};
  for (Getter getter : getters) {
    const std::string p = shell::bind_PathText(getter);
    if (p.empty()) continue;
    app_LogStep("remove " + p);
    std::remove(p.c_str());
  }
  const std::string ddf = shell::bind_PathText(shell::bind_GetPathToDDF);
  if (!ddf.empty()) {
    app_LogStep("remove " + ddf);
    std::remove(ddf.c_str());
  }
  // The insert box's attributes are kept for the next start; the box goes.
  shell::ins_WriteSettings(&app().settings.insertBox);
  shell::ins_CreateOrDestroy(false);
  shell::bind_SB01_DestroyStatusBar();
  shell::bind_SB02_DestroyToolBar();
  shell::bind_SB05_DestroyMacroBar();
  shell::bind_TA01_LogoutByServer(0, id);
  if (recent.anchor >= 0) shell::mru_SaveToIni(recent, app().settingsPath);
  shell::mru_Free(recent);
  shell::bind_SB06_DestroyMenu();
  srv::kc::Close();
  shell::app_CloseHelperProgram();
  QApplication::restoreOverrideCursor();
  // The program's event loop ends. Without one running (a frame of a test)
  // nothing is ended: an exit then would stay pending and end the next
  // modal dialog's loop at once.
  QMetaObject::invokeMethod(qApp, [] {
    if (QThread::currentThread()->loopLevel() > 0) QApplication::exit(0);
  }, Qt::QueuedConnection);
}

} // namespace zapp
