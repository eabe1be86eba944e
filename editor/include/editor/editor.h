#pragma once
// The editor's entry points for the shell: the event dispatcher, start-up,
// the private clipboard (clipboard.h, gatescript.h), and the services the shell's windows and dialogs
// call. The operations whose logic belongs to the gesture and selection code
// answer fixed values until that code registers itself.
#include "editor/clipboard.h"
#include "editor/gatescript.h"
#include "editor/host.h"
#include "model/services.h"

#include <string>

namespace editor {

// The single entry of every worksheet event; window may be null (the
// template context). Answers 0 handled, 9 refused, 11 not handled, 12 table
// switched, or a handler's own answer (3, 4: the window follows the mouse).
int ui_Dispatch(WorksheetWindowData* window, EngineEvent* event);
// Once at start-up, before the first window.
void ui_MainInit();
// A worksheet window came into being (its record lives until 1044 is dispatched).
void ui_AttachWindow(WorksheetWindowData* window);
// Releases what ui_MainInit set up (shut-down, tests).
void ui_MainShutDown();


// The gate or connection at a sheet point of the current document: 0 nothing,
// 1 gate, 2 connection.
int ui_PickAtPoint(int x, int y);
// The pointer shape over a connection at a sheet point of the current
// document: 17 on a vertical segment, 18 on any other, 2 off connections.
int ui_PickShapeAtPoint(int x, int y);
// Renames a module (command 259); false when refused.
bool ui_RenameModule(const std::string& oldName, const std::string& newName);

// The sheet options of a logic, as the macro bar shows and changes them: how
// a subprogram gate calling the logic is drawn and what its own sheet shows.
// They live in the logic's flags word and texts and are saved with it.
struct SheetOptions {
  bool shown = false;            // a logic is shown: the fields below are its own
  bool logicChanged = false;     // the last ui_SetSheetOptions changed the logic
  bool raisedFrame = false;      // 10000: raised frame (flag 0x0800)
  bool nameText = false;         // 10001: the name text in the box (flag 0x2000)
  bool boxStyle = false;         // 10002: box and frame of the built-in gates (flag 0x1000)
  int textPosition = 0;          // 10003..10011: 0 centred, 1..4 the corners (low 4 bits)
  bool secondRow = false;        // 10008..10011: the name outside the box (flag 0x0400)
  bool picture = false;          // 10014: the gate shows the picture (flag 0x4000)
  bool background = false;       // 10015: the sheet shows the background picture (flag 0x8000)
  bool hideConnections = false;  // 10017: the pin stubs hidden in the run view (flag 0x0200)
  std::string pictureName;       // 12 characters: the gate picture in the "BITMAP" folder
  std::string backgroundName;    // 12 characters: the sheet's background picture
  std::uint8_t fixedSize = 0;    // the picture dialog's two choices
  std::uint8_t resize = 0;
};
// The options of the logic the window shows on its current level (null: the
// template's); shown is false when there is none.
SheetOptions ui_GetSheetOptions(WorksheetWindowData* window = nullptr);
// Writes the options into that logic; the project counts as changed when a
// flag or text changed. False when no logic is shown.
bool ui_SetSheetOptions(const SheetOptions& options, WorksheetWindowData* window = nullptr);
// A macro-bar command 10000..10011, 10014..10017 on the window's logic (the
// picture dialogs 10012 and 10013 belong to the frame, which writes their
// answers with ui_SetSheetOptions). Answers 1 when the sheets must be
// repainted, 0 when not, -1 when the command did nothing (no logic shown,
// a style while the name text is off, an unknown id).
int ui_MacroBarCommand(int id, WorksheetWindowData* window = nullptr);

// Table selection and documents the shell asks for.
int ui_SelectMode3Table(WorksheetWindowData* window, EngineEvent* event);
int ui_NewDocument3(WorksheetWindowData* window, EngineEvent* event);
// Selects a table mode for the window (edit-mode command and activation).
void ui_SelectDocument(WorksheetWindowData* window, int mode);
int ui_CurrentToolMode();

// Auto-routing options.
model::RouteOptions ui_GetRouteOptions();
void ui_SetRouteOptions(const model::RouteOptions& options);

// The project-changed byte: set by changes of the project, cleared by saves;
// the shell asks its save question only while it is 1.
std::uint8_t ui_ProjectChanged();
void ui_SetProjectChanged(std::uint8_t value);

} // namespace editor
