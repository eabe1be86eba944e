#pragma once
// Qt input events as the editor's EngineEvent records, for every worksheet
// window. Positions are window pixels divided by the zoom (sheet units
// before scrolling).
#include "editor/host.h"

#include <optional>

class QEvent;
class QKeyEvent;
class QMouseEvent;

namespace editor {

// Mouse-key flags: 1 left, 2 right, 4 Shift, 8 Ctrl.
std::uint16_t qt_MouseFlags(const QMouseEvent& event);
// The event for a mouse press, release, double click or move; none for others.
std::optional<EngineEvent> qt_MouseEvent(const QMouseEvent& event, double zoom = 1.0);
// The key-down event (Escape 256/27, F1..F12, arrows, letters as upper-case
// virtual codes); none for keys without a code.
std::optional<EngineEvent> qt_KeyEvent(const QKeyEvent& event);
// A menu command.
EngineEvent qt_CommandEvent(int id);
// The keyboard state now (the editor's modifier question).
bool qt_CtrlDown();
bool qt_ShiftDown();

} // namespace editor
