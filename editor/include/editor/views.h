#pragma once
// New window documents, the view of the shown level, the level-1 logic and
// the edit and run views, commits into the template and the walk over the
// subprogram levels.
#include "editor/host.h"
#include "model/records.h"

namespace editor {

// Clears the edit-view and run-view flags and the four list switches.
void ws_ClearSelectionState(model::DocumentRecord& doc);
// Restores the shown level's scroll position into the window (clamped to its
// ranges); without a shown level, or in a face or trend view, the origin.
void de_RefreshDocument(WorksheetWindowData* window);
// Chooses the logic of level 1 with the logic selector; with create a new name
// makes a new logic holding a Text gate and the "DocFrame" block. True when
// level 1 shows a logic.
bool de_ChooseLevelOneLogic(bool create);
// Inserts the library block "DocFrame" into the logic shown on level 1 and
// places it so that its box ends at the default sheet's lower right corner.
// Nothing when no module (nor the standard table) has the block.
void de_InsertDocFrame(model::DocumentRecord& doc, model::LogicRecord* logic);
// Leaves the run view and enters the edit view of level 1.
void de_EnterEditView();
// Enters the run view of level 1; true when the run-view flag is set afterwards.
bool de_EnterRunView();
// Makes the sequence gate (Step, Start, Stop, Branch) at a sheet point of the
// shown level the active step; (-1, -1) starts the sequence. True when a step became active.
bool de_ClickStepGate(int x, int y);
// Commits the current document into the template.
void fn_CommitToTemplate();
// Enters the next subprogram instance in a depth-first walk; false when none
// is left (the level and scroll position are then as before the walk).
bool fn_NextSubprogram(WorksheetWindowData* window);
// Leaves a subprogram level of a run view (level 2 and deeper).
bool fn_LeaveLevel(WorksheetWindowData* window);
// The trend view of the current document (command 235).
void fn_EnterTrend(WorksheetWindowData* window);

int ui_NewDocument(WorksheetWindowData* window, EngineEvent* event);
int ui_NewDocument2(WorksheetWindowData* window, EngineEvent* event);
void views_RegisterHandlers();

} // namespace editor
