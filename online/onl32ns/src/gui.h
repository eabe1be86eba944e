#pragma once
// The GUI thread of ONL32NS. With a display (and windows in the build) the
// server creates a QApplication on its main thread before anything can open
// the diagnosis window, installs the dialog kit's message box sink, and runs
// the application's event loop while it serves; headless it waits as before.
#include <functional>

namespace onl32ns {

// True when there is a display for windows: DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM set and not empty.
bool haveDisplay();
// Creates the application when there is a display; true when one exists.
bool startGui(int& argc, char** argv);
// Serves until closed() is true: the event loop when the application exists
// (closed() is looked at every 20 ms), else wait() (the caller's blocking wait).
void serveUntilClosed(const std::function<bool()>& closed, const std::function<void()>& wait);
// Ends the application (after the loop returned).
void stopGui();

} // namespace onl32ns
