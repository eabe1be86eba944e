#include "editor/eventmap.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

namespace editor {

std::uint16_t qt_MouseFlags(const QMouseEvent& event) {
  std::uint16_t flags = 0;
  Qt::MouseButtons buttons = event.buttons();
  if (event.type() == QEvent::MouseButtonPress || event.type() == QEvent::MouseButtonDblClick) buttons |= event.button();
  if (buttons & Qt::LeftButton) flags |= kKeyLeft;
  if (buttons & Qt::RightButton) flags |= kKeyRight;
  if (event.modifiers() & Qt::ShiftModifier) flags |= kKeyShift;
  if (event.modifiers() & Qt::ControlModifier) flags |= kKeyCtrl;
  return flags;
}

std::optional<EngineEvent> qt_MouseEvent(const QMouseEvent& event, double zoom) {
  EngineEvent e;
  bool right = event.button() == Qt::RightButton;
  switch (event.type()) {
  case QEvent::MouseButtonPress: e.type = right ? kMsgRButtonDown : kMsgLButtonDown; break;
  case QEvent::MouseButtonRelease: e.type = right ? kMsgRButtonUp : kMsgLButtonUp; break;
  case QEvent::MouseButtonDblClick:
    if (right) return std::nullopt;
    e.type = kMsgLButtonDblClk;
    break;
  case QEvent::MouseMove: e.type = kMsgMouseMove; break;
  default: return std::nullopt;
  }
  if (!(zoom > 0.0) || !std::isfinite(zoom)) zoom = 1.0;
  QPointF p = event.position();
  e.x = std::int16_t(std::lround(std::clamp(p.x() / zoom, -32768.0, 32767.0)));
  e.y = std::int16_t(std::lround(std::clamp(p.y() / zoom, -32768.0, 32767.0)));
  e.code = qt_MouseFlags(event);
  return e;
}

std::optional<bool> qt_CapsLockOfEvent(const QKeyEvent& event, bool previous) {
  if (event.type() != QEvent::KeyPress) return std::nullopt;
  const bool capsKey = event.key() == Qt::Key_CapsLock;
  if (QGuiApplication::platformName() == QLatin1String("xcb") && event.nativeModifiers() != 0) {
    // X11 reports the state before the key: the Caps Lock key flips it.
    const bool locked = event.nativeModifiers() & 0x2;   // LockMask
    return capsKey ? !locked : locked;
  }
  if (capsKey) return !previous;
  const QString text = event.text();
  if (text.size() != 1 || !text[0].isLetter() || text[0].isUpper() == text[0].isLower()) return std::nullopt;
  const bool shift = event.modifiers() & Qt::ShiftModifier;
  return text[0].isUpper() != shift;
}

void qt_NoteKeyState(const QKeyEvent& event) {
  if (std::optional<bool> caps = qt_CapsLockOfEvent(event, ui_NotedCapsLock())) ui_NoteCapsLock(*caps);
}

namespace {
class CapsLockTracker : public QObject {
public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A key press goes to the focus object first and then up its parents:
    // it is noted at its first receiver only.
    if (event->type() == QEvent::KeyPress && watched == QGuiApplication::focusObject())
      qt_NoteKeyState(*static_cast<QKeyEvent*>(event));
    return QObject::eventFilter(watched, event);
  }
};
} // namespace

void qt_TrackCapsLock() {
  static CapsLockTracker* tracker = nullptr;
  if (tracker || !QCoreApplication::instance()) return;
  tracker = new CapsLockTracker(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(tracker);
}

std::optional<EngineEvent> qt_KeyEvent(const QKeyEvent& event) {
  qt_NoteKeyState(event);
  EngineEvent e;
  e.type = kMsgKeyDown;
  int k = event.key();
  switch (k) {
  case Qt::Key_Backspace: e.code = kVkBack; return e;
  case Qt::Key_Tab: e.code = kVkTab; return e;
  case Qt::Key_Return: case Qt::Key_Enter: e.code = kVkReturn; return e;
  case Qt::Key_Escape: e.code = kVkEscape; return e;
  case Qt::Key_PageUp: e.code = kVkPrior; return e;
  case Qt::Key_PageDown: e.code = kVkNext; return e;
  case Qt::Key_End: e.code = kVkEnd; return e;
  case Qt::Key_Home: e.code = kVkHome; return e;
  case Qt::Key_Left: e.code = kVkLeft; return e;
  case Qt::Key_Up: e.code = kVkUp; return e;
  case Qt::Key_Right: e.code = kVkRight; return e;
  case Qt::Key_Down: e.code = kVkDown; return e;
  case Qt::Key_Insert: e.code = kVkInsert; return e;
  case Qt::Key_Delete: e.code = kVkDelete; return e;
  default: break;
  }
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) {
    e.code = std::uint16_t(kVkF1 + (k - Qt::Key_F1));
    return e;
  }
  if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9) || k == Qt::Key_Space) {
    e.code = std::uint16_t(k);   // the virtual codes of letters and digits are their upper-case characters
    return e;
  }
  return std::nullopt;
}

EngineEvent qt_CommandEvent(int id) {
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = std::uint16_t(id);
  return e;
}

bool qt_CtrlDown() { return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier; }
bool qt_ShiftDown() { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; }

} // namespace editor
