#pragma once
// The gate-face editor's rows (command 505, presses and releases, the
// activation and redraw messages), the gate-face document of command 251 and
// the macro tree that a gate parameters window (kind 4) shows instead of its
// sheet.
#include "editor/host.h"
#include "model/records.h"

namespace editor {

// Command 251: a document of its own for the gate-face editor (a copy of the
// template without its undo copy, face view on, edit and run views off) in
// the window, which gets kind 0 and the answer 1; result 1, 9 without memory
// or without a window.
int ws_GateFaceCommand(WorksheetWindowData* window, EngineEvent* event);
// Messages 1041 and 1042: handed to the face editor of the current logic.
int fe_FaceMessage(EngineEvent* event);
// Draws the macro hierarchy of the logic (text height 13, positions minus the
// scroll position): picture 3 and the logic's name, then every macro gate
// depth first with picture 1 and its sub-logic's name, 20 units a line and 20
// units deeper a level.
void ws_DrawPictogramList(const model::LogicRecord* logic, int scrollX, int scrollY);
void faceView_RegisterHandlers();

} // namespace editor
