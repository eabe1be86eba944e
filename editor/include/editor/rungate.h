#pragma once
// Opening the gate under the mouse in a run window (entering a subprogram as
// a new macro level, the parameter forms, the parameter lists, the cycle time
// of a task) and leaving a macro level; the handlers of the run-window table.
#include "editor/host.h"
#include "model/records.h"

namespace editor {

// What de_OpenGateAt did.
enum class OpenGateResult { Nothing, LevelEntered, FormsOpened, ListWritten, CycleTimeAsked };

// Opens the gate at a window point (the window's scroll position is added).
// cycleTime: only the "Zykluszeit" prompt of a task call. mode 0 enters a
// subprogram (or opens the parameter forms of any other gate), 1 writes the
// parameter list of the gate's logic to its file, 2 to the file or the printer.
OpenGateResult de_OpenGateAt(WorksheetWindowData* window, int x, int y, bool cycleTime, int mode);
// Leaves the current macro level (level 2 and deeper); false at level 1.
bool de_LeaveMacroLevel(WorksheetWindowData* window);
// A call of a logic whose name begins with "$" asks its cycle time
// ("Zykluszeit", milliseconds, at least 1); true when a new time was taken.
bool pf_PromptCycleTime(model::GateRecord* gate);

int rw_EndRunDeep(WorksheetWindowData* window, EngineEvent* event);
int rw_EndRunLevel(WorksheetWindowData* window, EngineEvent* event);
int rw_EditInstanceName(WorksheetWindowData* window, EngineEvent* event);
int rw_MouseHandler(WorksheetWindowData* window, EngineEvent* event);
void runWindow_RegisterHandlers();

} // namespace editor
