// The UI script's driver: steps run one after the other on the event loop,
// modal dialogs are watched for and answered in the script's order. Widgets
// are found as a user finds them: by the label beside them, their text or
// their tip (uifind.cpp).
#include "uidriver.h"

#include "uifind.h"
#include "zerloapp/frame.h"
#include "zerloapp/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <cstdlib>

namespace zapp {

namespace {

UiDriver* g_driver = nullptr;

long long nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

int toInt(const std::string& s) { return std::atoi(s.c_str()); }

// The sheet point of the active worksheet in global coordinates.
bool sheetPoint(Frame* frame, int x, int y, QPoint& local, QPoint& global, Worksheet*& w) {
  w = currentSheet(frame);
  if (!w) return false;
  const float z = app().settings.zoom;
  local = QPoint(int((x - w->data.scrollX) * z), int((y - w->data.scrollY) * z));
  global = w->canvas->mapToGlobal(local);
  return true;
}

// A mouse event at a sheet point: "down", "move" or "up", with "shift",
// "ctrl" and "right" among the words after the point.
bool sheetMouse(Frame* frame, const std::string& verb, const UiStep& s, std::string& why) {
  if (s.args.size() < 2) {
    why = verb + " needs a sheet point X Y";
    return false;
  }
  QPoint local, global;
  Worksheet* w = nullptr;
  if (!sheetPoint(frame, toInt(s.args[0]), toInt(s.args[1]), local, global, w)) {
    why = "no worksheet is open";
    return false;
  }
  Qt::KeyboardModifiers mods;
  Qt::MouseButton button = Qt::LeftButton;
  for (std::size_t i = 2; i < s.args.size(); ++i) {
    if (s.args[i] == "shift") mods |= Qt::ShiftModifier;
    else if (s.args[i] == "ctrl") mods |= Qt::ControlModifier;
    else if (s.args[i] == "right") button = Qt::RightButton;
  }
  if (verb == "down") activateFrame(frame);
  QCursor::setPos(global);
  const QEvent::Type type = verb == "down"     ? QEvent::MouseButtonPress
                            : verb == "up"     ? QEvent::MouseButtonRelease
                            : verb == "double" ? QEvent::MouseButtonDblClick
                                               : QEvent::MouseMove;
  const Qt::MouseButton which = type == QEvent::MouseMove ? Qt::NoButton : button;
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ? Qt::MouseButtons(button) : Qt::NoButton;
  QMouseEvent e(type, QPointF(local), QPointF(global), which, held, mods);
  QApplication::sendEvent(w->canvas, &e);
  return true;
}

// A window's picture as the screen shows it: the windows over it (the insert
// box, a dialog) drawn in where they lie.
QPixmap screenPicture(QWidget* what) {
  QPixmap pix = what->grab();
  if (!qobject_cast<QMainWindow*>(what)) return pix;   // a dialog lies over the rest
  const QPoint origin = what->mapToGlobal(QPoint(0, 0));
  QPainter p(&pix);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == what || !w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup) continue;
    const QPoint at = w->mapToGlobal(QPoint(0, 0)) - origin;
    if (!QRect(at, w->size()).intersects(pix.rect())) continue;
    p.drawPixmap(at, w->grab());
  }
  return pix;
}

} // namespace

UiDriver::UiDriver(const UiScript& script) : script_(script) {}

void UiDriver::start(const UiScript& script) {
  if (g_driver || !qApp) return;
  g_driver = new UiDriver(script);
  g_driver->setParent(qApp);
  qApp->installEventFilter(g_driver);
}

UiDriver* UiDriver::instance() { return g_driver; }

void UiDriver::run(Frame& frame) {
  frame_ = &frame;
  running_ = true;
  next(0);
  // A dialog that showed before the steps began is judged now.
  checkModal();
}

void UiDriver::log(const std::string& line) { ui_Log(script_, line); }

void UiDriver::fail(const UiStep* s, const std::string& why) {
  const std::string line = "fail " + std::to_string(s ? s->line : 0) + ": " + why;
  log(line);
  std::fprintf(stderr, "Zerlo: the UI script failed: %s\n", line.c_str());
  std::fflush(stderr);
  std::_Exit(4);
}

void UiDriver::next(int delayMs) {
  // A timer, not a queued call: events that the last step posted (a menu's
  // command) are handled first.
  QTimer::singleShot(std::max(1, delayMs), this, [this] { step(); });
}

bool UiDriver::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::Show && o == dialog_.data()) dialog_ = nullptr;   // shown anew: a new question
  if (e->type() == QEvent::Show && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() && !checkQueued_) {
    checkQueued_ = true;
    QTimer::singleShot(0, this, [this] {
      checkQueued_ = false;
      checkModal();
    });
  }
  return false;
}

bool UiDriver::nextIsDialog() const {
  for (std::size_t i = at_; i < script_.steps.size(); ++i) {
    const std::string& v = script_.steps[i].verb;
    if (v == "box" || v == "prompt" || v == "wait") continue;
    return v == "dialog";
  }
  return false;
}

void UiDriver::checkModal() {
  QWidget* m = QApplication::activeModalWidget();
  if (!m || m == dialog_ || !m->isVisible()) return;
  if (nextIsDialog()) return;   // the next step takes it
  // A progress dialog asks nothing and ends by itself; what shows after it is
  // judged when it shows.
  if (m->property("zerloEndsByItself").toBool()) return;
  const UiStep* s = at_ > 0 && at_ - 1 < script_.steps.size() ? &script_.steps[at_ - 1] : nullptr;
  fail(s, "a dialog the script does not answer: " + describeDialog(m));
}

void UiDriver::step() {
  while (at_ < script_.steps.size()) {
    const UiStep& s = script_.steps[at_++];
    if (s.verb == "box" || s.verb == "prompt") continue;
    if (s.verb == "wait") {
      next(toInt(s.args.empty() ? "0" : s.args[0]));
      return;
    }
    if (s.verb == "dialog") {
      awaitDialog(s, nowMs() + script_.dialogWaitMs);
      return;
    }
    if (s.verb == "close") {
      if (frame_) frame_->close();
      // A close that was refused leaves the program running with nothing
      // left to do: that fails the script rather than waiting for its deadline.
      if (frame_ && frame_->isVisible()) fail(&s, "the frame stayed open after close");
      return;
    }
    // The next step is due first: an action that opens a modal dialog runs
    // that dialog's loop, in which the script goes on.
    next(0);
    std::string why;
    if (!perform(s, why)) fail(&s, why);
    return;
  }
}

void UiDriver::awaitDialog(const UiStep& s, long long until) {
  const std::string title = s.args.empty() ? "*" : s.args[0];
  QWidget* m = QApplication::activeModalWidget();
  if (m && m != dialog_ && m->isVisible()) {
    if (title != "*" && !sameLabel(m->windowTitle(), title)) fail(&s, "dialog \"" + title + "\" expected, found " + describeDialog(m));
    dialog_ = m;
    log("dialog " + describeDialog(m));
    next(0);
    return;
  }
  if (nowMs() > until) {
    fail(&s, "dialog \"" + title + "\" did not show" + (m ? "; open: " + describeDialog(m) : std::string()));
  }
  const std::size_t here = at_;
  QTimer::singleShot(20, this, [this, here, until] {
    if (at_ == here) awaitDialog(script_.steps[here - 1], until);
  });
}

bool UiDriver::perform(const UiStep& s, std::string& why) {
  auto arg = [&](std::size_t i) { return i < s.args.size() ? s.args[i] : std::string(); };
  Frame* frame = frame_.data();
  if (!frame) {
    why = "the frame is gone";
    return false;
  }
  const std::string& v = s.verb;
  if (v == "menu") return chooseMenu(frame, arg(0), why);
  if (v == "button") return pressToolButton(frame, arg(0), why);
  if (v == "key") {
    if (s.args.empty()) {
      why = "key needs a key name";
      return false;
    }
    for (const std::string& k : s.args)
      if (!pressKey(frame, dialog_.data(), k, why)) return false;
    return true;
  }
  if (v == "fill" || v == "choose" || v == "open2" || v == "check" || v == "press") {
    QWidget* d = dialog_ && dialog_->isVisible() ? dialog_.data() : QApplication::activeModalWidget();
    if (!d) {
      why = "no dialog is open to " + v + " in";
      return false;
    }
    if (v == "fill") return fillField(d, arg(0), arg(1), why);
    if (v == "choose") return chooseEntry(d, arg(0), arg(1), false, why);
    if (v == "open2") return chooseEntry(d, arg(0), arg(1), true, why);
    if (v == "check") return setCheck(d, arg(0), arg(1) != "off", why);
    return pressButton(d, arg(0), why);
  }
  if (v == "drag") {
    if (s.args.size() < 3) {
      why = "drag needs a block label and a sheet point X Y";
      return false;
    }
    QPoint local, global;
    Worksheet* w = nullptr;
    if (!sheetPoint(frame, toInt(s.args[1]), toInt(s.args[2]), local, global, w)) {
      why = "no worksheet is open to drop on";
      return false;
    }
    return dragBlock(frame, arg(0), w, global, why);
  }
  if (v == "down" || v == "up" || v == "move") return sheetMouse(frame, v, s, why);
  if (v == "click") return sheetMouse(frame, "down", s, why) && sheetMouse(frame, "up", s, why);
  if (v == "dclick")
    return sheetMouse(frame, "down", s, why) && sheetMouse(frame, "up", s, why) &&
           sheetMouse(frame, "double", s, why) && sheetMouse(frame, "up", s, why);
  if (v == "menustate") {
    for (const std::string& line : menuState(frame, arg(0))) log("state " + line);
    return true;
  }
  if (v == "windows") {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) {
        const QRect g = w->frameGeometry();
        log("window [" + w->windowTitle().toStdString() + "] " + std::to_string(g.x()) + " " + std::to_string(g.y()) +
            " " + std::to_string(g.width()) + " " + std::to_string(g.height()) + (w->isEnabled() ? "" : " disabled") +
            (w == QApplication::activeWindow() ? " active" : ""));
      }
    return true;
  }
  if (v == "fields") {
    QWidget* d = dialog_ && dialog_->isVisible() ? dialog_.data() : QApplication::activeModalWidget();
    if (!d) {
      why = "no dialog is open to read";
      return false;
    }
    for (const std::string& line : dialogFields(d)) log(line);
    return true;
  }
  if (v == "title") {
    log("title " + frame->windowTitle().toStdString());
    return true;
  }
  if (v == "note") {
    log("note " + arg(0));
    return true;
  }
  if (v == "shot") {
    QApplication::processEvents();
    QWidget* what = frame;
    if (arg(1) == "dialog") {
      what = dialog_ && dialog_->isVisible() ? dialog_.data() : QApplication::activeModalWidget();
      if (!what) {
        why = "no dialog is open to take a picture of";
        return false;
      }
    }
    if (!screenPicture(what).save(QString::fromStdString(arg(0)), "PNG")) {
      why = "the picture cannot be written to " + arg(0);
      return false;
    }
    return true;
  }
  if (v == "open") {
    frame->dropFile(arg(0));
    return true;
  }
  if (v == "zoom") {
    app().settings.zoom = std::clamp(std::strtof(arg(0).c_str(), nullptr), 0.3f, 10.0f);
    frame->redrawAll();
    return true;
  }
  if (v == "cmd") {
    frame->onCommand(toInt(arg(0)));
    return true;
  }
  if (v == "msg") {
    frame->wndProc(std::uint32_t(toInt(arg(0))), std::atoll(arg(1).c_str()), std::atoll(arg(2).c_str()));
    return true;
  }
  why = "unknown step \"" + v + "\"";
  return false;
}

} // namespace zapp
