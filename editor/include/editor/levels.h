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
// Command 211: chooses a module and removes it; the main module takes the
// whole module list with it. Levels showing its logics close everywhere.
void fn_CancelLibrary();
// Releases the current document's module list (every document sharing it
// follows); levels that show its logics close everywhere first.
void de_ReleaseDocList();
// "Function-Save": saves the loaded project under its path; without a module
// list the project-loaded flag is cleared. True when saved.
// Releases what a compiled module holds outside its records (the
// interpreter's links, its types' code) before the module is deleted.
void de_ReleaseModuleCode(model::ProjectModule* module);
bool fn_Save();
// "Function-Saveas": saves the loaded project under a name the user chooses;
// true when saved.
bool fn_SaveAs();
// "Function-Close": releases the loaded project's module list (the flag stays
// for the caller).
void fn_Close();
// Closes the shown level of the current document.
void de_CloseLevel();

} // namespace editor
