#pragma once
// Worksheet services the handlers share: the dirty rectangle, the class of
// the mouse position with its cursor feedback, the space operations, select
// all and the gate marks, and the messages the dispatcher hands on.
#include "editor/host.h"
#include "model/records.h"

namespace editor {

// The logic and instances of the current document's current level (null when none).
model::LogicRecord* currentLevelLogic();

// Dirty rectangle.
void ws_DirtyReset();
void ws_DirtyAddPoint(int x, int y);
// Invalidates the collected rectangle (10 units around it) of the current
// window and empties it; an empty rectangle invalidates nothing.
void ws_DirtyFlush();

// Position classes of the mouse point (0 nothing, 1 gate, 5 pin, 6 gate with
// Shift, 15 column, 17 row, 18 column and row, 19/20 connection, 22 marked gate).
int ws_ClassifyMousePos(WorksheetWindowData* window, EngineEvent* event);
int ws_UpdateMouseCursor(WorksheetWindowData* window, EngineEvent* event);
int ui_HoverCursor(WorksheetWindowData* window, EngineEvent* event);
int ui_HoverPinCursor(WorksheetWindowData* window, EngineEvent* event);

// Space operations at the snapped press point; true when anything moved.
bool ws_MouseEditA(WorksheetWindowData* window, int x, int y);          // close horizontal space
bool ws_MouseEditB(WorksheetWindowData* window, int x, int y);          // close vertical space
bool ws_MouseEditWithUndoA(WorksheetWindowData* window, int x, int y);  // insert horizontal space
bool ws_MouseEditWithUndoB(WorksheetWindowData* window, int x, int y);  // insert vertical space

int ws_SelectAll(WorksheetWindowData* window, EngineEvent* event);
int ui_ClearGateMarks(WorksheetWindowData* window, EngineEvent* event);
int ui_ClearAllGateMarks(WorksheetWindowData* window, EngineEvent* event);
void ws_DropUndoBuffer();

// Messages and the timer handed on by the dispatcher.
int ws_HandleUserMessage(WorksheetWindowData* window, EngineEvent* event);
int ws_OnTimerOrEvent(WorksheetWindowData* window, EngineEvent* event);
int ws_ExecuteCommand(WorksheetWindowData* window, EngineEvent* event);
int ui_Paint(WorksheetWindowData* window, EngineEvent* event);

// Registers the handlers this library builds.
void ws_RegisterCoreHandlers();

} // namespace editor
