#pragma once
// What the shell's services do to windows goes through this interface. The
// main program implements it over its frame and worksheet windows (the same
// object serves the editor as its host); headless programs keep the default,
// which does nothing; tests install the recording fake.
#include "shell/libapi.h"
#include <string>
#include <vector>

namespace shell {

struct Rect { int left = 0, top = 0, right = 0, bottom = 0; };

class WindowHost {
public:
  virtual ~WindowHost() = default;
  virtual Hwnd frameWindow() { return 0; }
  virtual void setWaitCursor(bool on) {}
  virtual void setScrollPosition(int pos, bool vertical) {}
  virtual int scrollPosition(bool vertical) { return 0; }
  // Copies the rectangle of the current drawing window to the point.
  virtual void restoreDragArea(int x, int y, const Rect& r) {}
  virtual void setCursorPos(int x, int y) {}
  // Draws the window's client area into a picture and puts it on the clipboard.
  virtual void copyWindowPicture(Hwnd window) {}
  virtual void openKindView(int kind, int subKind, bool throughEditor) {}
  virtual void setFrameTitle(const std::string& title) {}
  virtual void setWindowTitle(Hwnd window, const std::string& title) {}
  // Rebuilds the Window menu list from the open-window table.
  virtual void rebuildWindowList() {}
  virtual void postClose(Hwnd window) {}
  // The first window of a class, or 0.
  virtual Hwnd findWindowByClass(const std::string& cls) { return 0; }
  // Sends a frame command (WM_COMMAND id) when the frame exists.
  virtual void sendCommand(int id) {}
  // Text extent on the current drawing context, unzoomed.
  virtual int textWidth(const std::string& text) { return int(text.size()) * 8; }
  virtual int textHeight(const std::string& text) { return 16; }
  virtual float zoom() { return 1.0f; }
  // Kind (0..7) of the active worksheet window, -1 without one.
  virtual int activeWindowKind() { return -1; }
  // Centres a window over the frame, kept inside the screen.
  virtual void centerWindow(Hwnd window) {}
};

WindowHost& windowHost();
// Installs a host (null restores the default); returns the previous one.
WindowHost* setWindowHost(WindowHost* h);

// Records every call as a line of text, for tests.
class RecordingWindowHost : public WindowHost {
public:
  std::vector<std::string> calls;
  Hwnd frame = 7;
  int kind = -1;
  float zoomValue = 1.0f;
  Hwnd classWindow = 0;
  Hwnd frameWindow() override { return frame; }
  void setWaitCursor(bool on) override { calls.push_back(on ? "wait on" : "wait off"); }
  void setScrollPosition(int pos, bool vertical) override {
    calls.push_back("scroll " + std::to_string(pos) + (vertical ? " v" : " h"));
    (vertical ? scrollV : scrollH) = pos;
  }
  int scrollPosition(bool vertical) override { return vertical ? scrollV : scrollH; }
  void restoreDragArea(int x, int y, const Rect& r) override { calls.push_back("drag " + std::to_string(x) + "," + std::to_string(y)); }
  void setCursorPos(int x, int y) override { calls.push_back("cursor " + std::to_string(x) + "," + std::to_string(y)); }
  void copyWindowPicture(Hwnd w) override { calls.push_back("picture " + std::to_string(w)); }
  void openKindView(int k, int s, bool e) override {
    calls.push_back("view " + std::to_string(k) + " " + std::to_string(s) + (e ? " editor" : ""));
  }
  void setFrameTitle(const std::string& t) override { calls.push_back("frame title " + t); }
  void setWindowTitle(Hwnd w, const std::string& t) override { calls.push_back("title " + std::to_string(w) + " " + t); }
  void rebuildWindowList() override { calls.push_back("window list"); }
  void postClose(Hwnd w) override { calls.push_back("close " + std::to_string(w)); }
  Hwnd findWindowByClass(const std::string& c) override { calls.push_back("find " + c); return classWindow; }
  void sendCommand(int id) override { calls.push_back("command " + std::to_string(id)); }
  float zoom() override { return zoomValue; }
  int activeWindowKind() override { return kind; }
  int scrollH = 0, scrollV = 0;
};

} // namespace shell
