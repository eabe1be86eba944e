#pragma once
// The event by which a window message reaches an in-process window (shared
// with the main program): every message posted or sent to a registered Qt
// window arrives as one WindowMessageEvent of type kWindowMessageEvent. A
// handler of a sent message may set result.
#include <QEvent>
#include <cstdint>

namespace kit {

inline const QEvent::Type kWindowMessageEvent = QEvent::Type(QEvent::User + 0x2A0);

class WindowMessageEvent : public QEvent {
public:
  WindowMessageEvent(std::uint32_t msg, std::int64_t w, std::int64_t l)
      : QEvent(kWindowMessageEvent), msg(msg), wParam(w), lParam(l) {}
  std::uint32_t msg;
  std::int64_t wParam, lParam;
  std::int64_t result = 0;
};

} // namespace kit
