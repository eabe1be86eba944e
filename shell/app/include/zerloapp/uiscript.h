#pragma once
// The UI script (named by ZERLO_UI_SCRIPT): drives the program as a user does,
// by the labels a user reads, and answers every box and dialog in order. It
// can do what a user can and nothing more: a missing or disabled menu item,
// button or control fails the script. A failed script ends the program at
// once with exit code 4 and a line "fail <line>: <reason>" in the log; a
// script still running at its deadline ends it with exit code 3.
//
// One step a line. Words are separated by blanks; a word in double quotes
// keeps its blanks (\" and \\ inside); '#' at the start of a word begins a
// comment. Texts are UTF-8. A LABEL is compared with the text a user reads:
// '&' mnemonics and the accelerator text after a tab are ignored, and so is a
// trailing ':' of a field label; "#N" instead names a control by the control
// id the dialog kit gives it (object name "cN").
//
// Settings, read before the program starts:
//   log PATH          every box, prompt, dialog and read-back is appended to PATH
//   deadline MS       the program ends with exit code 3 when still running then
//   dialogwait MS     how long 'dialog' waits for its dialog (default 10000)
//   box N             the next box of the platform UI sink is answered N
//                     (1 OK, 2 Cancel, 6 Yes, 7 No); boxes are answered in order
//   prompt TEXT       the next prompt of the sink is answered TEXT (the rest of
//                     the line, or one quoted word)
// Steps, run once the frame is enabled, one after the other on the event loop
// (a modal dialog's own loop included):
//   menu A>B[>C]      chooses the menu item by its path of labels ("File>Save Project")
//   button LABEL      presses the frame's tool-bar button with that label or tip
//   key K [K...]      presses keys by name ("F5", "Ctrl+V", "1", "Del", "Esc",
//                     "Enter", "Shift+Ins") in the focused window: the open
//                     dialog, else the active worksheet, else the frame
//   dialog TITLE      waits for the modal dialog of that title (any library's
//                     or Qt's own) and makes it the one the next steps answer;
//                     "*" takes whichever modal dialog is open
//   fill FIELD TEXT   types TEXT into the field named by its label or "#N"
//                     ("*": the dialog's only text field)
//   choose LIST ENTRY selects the entry of a list, tree, combo box or tab bar
//                     (named by label or "#N"; "*" the dialog's only list) as a click does
//   open2 LIST ENTRY  the same with a double click
//   check LABEL [on|off]  sets a check box or radio button (by its text or "#N")
//   press LABEL       presses the dialog's push button with that text or "#N"
//   drag LABEL X Y    drags the insert box's block button with that label (its
//                     tip, e.g. "Start", or a subprogram name of the list) and
//                     lets it go with the cursor at sheet point X Y of the
//                     active worksheet
//   down X Y [shift] [ctrl] [right]   a mouse press at a sheet point of the
//                     active worksheet;  move X Y [...] a move;  up X Y [...] the release
//   click X Y [...]   down and up at a sheet point;  dclick X Y [...]  a double click
//   menustate [A>B]   logs every menu item and tool-bar button (under A>B):
//                     "state <path> e|d [c]" (enabled or disabled, checked)
//   fields            logs what the open dialog's fields hold: "check <text> on|off",
//                     "field <label> = <text>", "list <label> = <entry>"
//   title             logs the frame's title: "title <text>"
//   windows           logs each shown window: "window [title] x y w h [disabled] [active]"
//   shot PATH [dialog]  the frame's (or the open dialog's) picture as a PNG, with
//                     the windows over it (insert box, dialogs) where they lie
//   note TEXT         writes TEXT to the log
//   wait MS           the next step runs MS later
//   open PATH         opens the project as a file dropped on the frame
//   zoom Z            the zoom factor, then every worksheet redrawn
//   close             closes the frame (as the user does)
// For tests of the frame's own plumbing (no user does these):
//   cmd N             frame command N;  msg N [W [L]]  window message N to the frame
// A modal dialog that shows while the script's next step (after waits) is not
// 'dialog' fails the script at once, with its title and text in the log;
// a progress dialog (it asks nothing and ends by itself) is waited for.
#include "platform/uisink.h"

#include <memory>
#include <string>
#include <vector>

namespace zapp {

class Frame;

struct UiStep {
  std::string verb;
  std::vector<std::string> args;
  int line = 0;
};

struct UiScript {
  std::string logPath;
  int deadlineMs = 60000;
  int dialogWaitMs = 10000;
  std::vector<UiStep> steps;
  std::shared_ptr<plat::ui::ScriptedSink> sink;
};

// Splits a script line into words (quotes and comments as above); false with
// a reason for an unterminated quote.
bool ui_SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);
// Reads the script; false (with a reason) when it cannot be read.
bool ui_ReadScript(const std::string& path, UiScript& out, std::string& error);
// The sink that answers from the script and logs every box; installs it.
void ui_InstallScriptSink(UiScript& script);
// Appends a line to the script's log (nothing without one).
void ui_Log(const UiScript& script, std::string line);
// Runs the steps on the frame, one after the other on the event loop, and
// watches for modal dialogs from now on.
void ui_RunSteps(Frame& frame, const UiScript& script);

} // namespace zapp
