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

// Worksheet setup options of the current document.
struct SheetOptions {
  int width = 0, height = 0;
  int grid = 5;
};
SheetOptions ui_GetSheetOptions();
void ui_SetSheetOptions(const SheetOptions& options);

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
