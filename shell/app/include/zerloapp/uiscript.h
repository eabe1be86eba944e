#pragma once
// The UI script of process tests (named by ZERLO_UI_SCRIPT): answers to boxes
// and prompts in order, commands and screenshots, and a log of every box.
// One step a line ('#' starts a comment):
//   log PATH          every box and prompt is appended to PATH as it shows
//   box N             the next box is answered N (1 OK, 2 Cancel, 6 Yes, 7 No)
//   prompt TEXT       the next prompt is answered TEXT
//   deadline MS       the program ends with exit code 3 when still running then
// Steps run once the frame is enabled, in order:
//   open PATH         opens the project (as a dropped file)
//   cmd N             frame command N
//   msg N [W [L]]     window message N to the frame
//   zoom Z            the zoom factor, then every worksheet redrawn
//   down X Y [shift] [ctrl] [right]   a press at a sheet point of the active worksheet
//   move X Y [...]    a mouse move there;  up X Y [...]  the release
//   key esc|del|enter a key on the active worksheet
//   wait MS           the next step runs MS later
//   shot PATH         the frame's picture as a PNG
//   close             closes the frame (as the user does)
#include "platform/uisink.h"

#include <memory>
#include <string>
#include <vector>

namespace zapp {

class Frame;

struct UiStep {
  std::string verb;
  std::vector<std::string> args;
};

struct UiScript {
  std::string logPath;
  int deadlineMs = 60000;
  std::vector<UiStep> steps;
  std::shared_ptr<plat::ui::ScriptedSink> sink;
};

// Reads the script; false (with a reason) when it cannot be read.
bool ui_ReadScript(const std::string& path, UiScript& out, std::string& error);
// The sink that answers from the script and logs every box; installs it.
void ui_InstallScriptSink(UiScript& script);
// Appends a line to the script's log (nothing without one).
void ui_Log(const UiScript& script, std::string line);
// Runs the steps on the frame, one after the other on the event loop.
void ui_RunSteps(Frame& frame, const UiScript& script);

} // namespace zapp
