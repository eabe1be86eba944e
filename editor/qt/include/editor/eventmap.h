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
// The Caps Lock state a key press shows, when it shows one: the X11 lock bit
// of the native modifiers on xcb; elsewhere the case of a letter's text
// against the Shift key (upper case without Shift, or lower case with it,
// means Caps Lock is on); a press of Caps Lock itself toggles the state last
// seen. qt_KeyEvent notes what it finds for the editor's letter translation;
// qt_NoteKeyState does the same for key presses that go elsewhere.
std::optional<bool> qt_CapsLockOfEvent(const QKeyEvent& event, bool previous);
void qt_NoteKeyState(const QKeyEvent& event);
// Installs an application-wide filter that notes the Caps Lock state of every
// key press, so that the state is known whichever widget has the focus.
void qt_TrackCapsLock();
// A menu command.
EngineEvent qt_CommandEvent(int id);
// The keyboard state now (the editor's modifier question).
bool qt_CtrlDown();
bool qt_ShiftDown();

} // namespace editor
