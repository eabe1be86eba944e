#pragma once
// Selection, group moves, copy and paste at a position. The selection lives
// in the two mark words of every gate (Selected: the set that moves, copies
// and deletes act on; HeldSelected: what the user selected explicitly). A
// Disable-Logic gate directly before a gate is its companion and follows it.
#include "editor/host.h"
#include "model/records.h"

#include <cstddef>
#include <cstdint>

namespace editor {

// Where the group gesture began and the selection box origin at its start.
struct SelectionState {
  std::int16_t startX = 0, startY = 0;
  std::int16_t originX = 0, originY = 0;
  model::GateRecord* picked = nullptr;
};
SelectionState& selection();

// The probe allocation before a copy: true when n bytes could be had. Tests
// install a failing one; null restores the default.
using MemoryProbe = bool (*)(std::size_t bytes);
MemoryProbe sel_SetMemoryProbe(MemoryProbe probe);
// The undo copy before a group drag (installed by the undo code); null: none.
void sel_SetUndoSaver(void (*saver)());

int ui_CtrlSelectToggle(WorksheetWindowData* window, EngineEvent* event);
int ui_ShiftSelectEvent(WorksheetWindowData* window, EngineEvent* event);
int ui_SelectionAnchor(WorksheetWindowData* window, EngineEvent* event);
int ui_SelectionPressFallback(WorksheetWindowData* window, EngineEvent* event);
int ui_SelectionDragBegin(WorksheetWindowData* window, EngineEvent* event);
int ui_SelectionMoveEvent(WorksheetWindowData* window, EngineEvent* event);
int ui_DropUndoOnMessage(WorksheetWindowData* window, EngineEvent* event);
int ws_DeleteSelection(WorksheetWindowData* window, EngineEvent* event);
// Copies the selection into the paste document and onto the clipboard:
// 0 done, 9 when the memory probe failed (nothing copied).
int ws_CopySelection(WorksheetWindowData* window, EngineEvent* event);
int ws_Cut(WorksheetWindowData* window, EngineEvent* event);
// Runs the clipboard script into the paste document; 4 (the paste follows
// the mouse, state 24), or 0 when there is nothing to place.
int ws_Paste(WorksheetWindowData* window, EngineEvent* event);
int ws_PasteAt(WorksheetWindowData* window, EngineEvent* event);
// Deletes the paste buffer's logic (" %PasteBuffer") from the project the
// current document shares, so that a saved file never holds it.
void ui_DropPasteLogic();
// Inserts the paste buffer into the current logic at a sheet point.
void ws_InsertPasteBuffer(WorksheetWindowData* window, EngineEvent* event, int x, int y);

// The document's list of marked gates (independent of the selection), for the
// commands that work on marked gates. Toggling a gate covers its box with a
// dot pattern, or asks for its plain redraw when it was marked.
bool de_ToggleGateMark(WorksheetWindowData* window, model::GateRecord* gate);
bool de_IsGateMarked(const model::DocumentRecord* doc, const model::GateRecord* gate);
void de_ClearSheetMark();

// The drag callbacks of the group drag and of a pending paste; the paste
// follower draws the paste buffer at the mouse when a drawing context is current.
int ws_SheetFollower(WorksheetWindowData* window, EngineEvent* event);
int ws_PasteFollower(WorksheetWindowData* window, EngineEvent* event);

void selection_RegisterHandlers();

} // namespace editor
