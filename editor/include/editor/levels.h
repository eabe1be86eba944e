#pragma once
// Levels and logics of the documents the editor shows.
#include "model/records.h"

namespace editor {

// Before a logic goes: every document the editor holds (live windows, the
// template, run, current and new documents) closes the levels that show it
// or a logic that calls it, so that no level keeps freed memory.
void ui_ForgetLogic(model::LogicRecord* logic);
// Removes a logic with the levels that show it; false when it could not be deleted.
bool de_RemoveLogicRecord(model::LogicRecord* logic);
// Command 252: chooses a logic with the selector and removes it; 0.
int de_RemoveLogic();
// Closes the shown level of the current document.
void de_CloseLevel();

} // namespace editor
