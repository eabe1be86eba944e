#pragma once
// Replacing a library module while every sheet keeps its values, and the
// logic states the editor keeps aside meanwhile.
//
// The states lie in a folder of this editor instance only (created on first
// use below the temporary folder, removed with the editor), so that running
// instances never read each other's states. Every write and read is checked:
// a state that could not be written is never read back, and a read that fails
// puts back the live state saved just before it.
#include "editor/host.h"
#include "model/records.h"

#include <string>

namespace editor {

// The kept states: "TEMP.000" (a logic before its calls are rebuilt),
// "TEMP.001" (the same logic after), "TEMPMAIN.000" (the main logic) and
// "TEMPMAIN.001" (the main logic's live state while "TEMPMAIN.000" is read).
enum class StateSlot { Work, WorkAfter, Main, MainLive };

// The folder of this instance's states ("" when it cannot be made).
std::string st_Directory();
// The file of a slot in that folder ("" without folder).
std::string st_Path(StateSlot slot);
// Writes the logic's state (step block and value tree) into the slot; false
// when it could not be written.
bool st_Save(model::LogicRecord* logic, StateSlot slot);
// Reads the slot back into the logic; false when it could not be read.
bool st_Restore(model::LogicRecord* logic, StateSlot slot);
// Reads `from` back; before, the live state goes to `live`, and it is read
// back when `from` fails. Without a written `live` nothing is read. True when
// `from` was read.
bool st_RestoreKeepingLive(model::LogicRecord* logic, StateSlot from, StateSlot live);
// Removes the folder with its states (the editor's shut-down and reset).
void st_Release();

// The main logic: the logic of the main module whose name begins with the
// six characters "&MAIN " (a name that ends after "&MAIN" counts too).
model::LogicRecord* fn_FindMainLogic(model::DocumentRecord& doc);

// Every call of the logic in the other logics rebuilt with its wiring (a
// port of the logic came or went); the main logic's values, with those of
// every call below it, are kept aside before and read back after. True when
// any call was rebuilt.
bool ws_RebuildCallsKeepingState(model::LogicRecord* logic);

// Command 274: the user chooses the library module to replace and the library
// to load in its place; every call of the old module's logics and blocks in
// the main module is rebuilt from the new library with its wiring, the values
// of every logic are kept, the old module goes, and the document enters the
// frame view. False when nothing was chosen or loaded.
bool fn_ReplaceLibrary(WorksheetWindowData* window);

} // namespace editor
