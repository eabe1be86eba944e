#pragma once
// The worksheet setup records (the transfer between a logic's flag word and
// the three records of the worksheet setup dialog) and small editor helpers
// the shell's insert box and dialogs call: rounding, module iteration, logic
// renaming and the level path of a window.
//
// Where a logic keeps the setup values: the background picture name in its
// second text field (the sheet redraw reads it there), the second name in
// its third text field, and the 16-bit value in the first two bytes of its
// further fields.
#include "editor/host.h"
#include "model/records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace editor {

using SetupRecordA = std::array<std::uint8_t, 25>;
using SetupRecordB = std::array<std::uint8_t, 23>;
using SetupRecordC = std::array<std::uint8_t, 20>;

// Fills the records from the window's current logic; a logic whose flag word
// is 0 has its names cleared and gets the defaults.
void txt_InitFieldTable(WorksheetWindowData* window, SetupRecordA& a, SetupRecordB& b, SetupRecordC& c);
// Writes the records back into the logic and redraws.
void txt_FillFieldTable(WorksheetWindowData* window, const SetupRecordA& a, const SetupRecordB& b,
                        const SetupRecordC& c);
// The size of a background picture by its file name (installed by the shell,
// which knows the picture directory); false when it cannot be loaded.
using PictureSizer = bool (*)(const std::string& name, int& width, int& height);
void txt_SetPictureSizer(PictureSizer sizer);

// Each value rounded to a multiple of 10: a remainder below 6 rounds down,
// else up (negative values round toward zero).
void ws_RoundTo10(std::int16_t& x, std::int16_t& y);
// Whether the window's current logic is used as a subprogram anywhere.
bool scr_IsLogicModified(WorksheetWindowData* window);

// The 16-bit setup value of a logic.
std::uint16_t mod_LogicValue(const model::LogicRecord* logic);
void mod_ClearLogicValues(WorksheetWindowData* window);
// Renames the logic of the first module whose name (cut at its first blank)
// is oldName: 0 done, 9 not found.
int mod_RenameLogic(WorksheetWindowData* window, const char* oldName, const char* newName);
// Deletes a gate from the current logic and re-points the instance list.
void mod_DeleteGate(WorksheetWindowData* window, model::GateRecord* gate);
int mod_GetExtent1(WorksheetWindowData* window, const model::GateRecord* gate);
int mod_GetExtent2(WorksheetWindowData* window, const model::GateRecord* gate);
// The block picture scratch document of the insert box: made current with
// its levels refreshed; its sheet drawn (when a drawing context is current);
// taken as the run document with the calls of its level-1 logic deleted and
// its level set to 0.
void mod_MakeCurrent(WorksheetWindowData* window);
void mod_DrawLevelSheet(WorksheetWindowData* window);
void mod_DropLevelInstances(WorksheetWindowData* window);
// The level path of the current document: level names cut at their first
// blank, separated by backslashes, each level above 1 with "::" and the
// instance name of its call when that call's name block begins with "_I".
// Never writes past size; the text ends with a NUL (size 0 writes nothing).
void mod_QualifiedName(char* buffer, std::size_t size);

// The modules of the current document: the first answers the project's own
// module (kind 3), each later one its name with kind 1 (compiled) or 2 (source); -1 at the end.
struct ModuleIterator {
  model::ProjectModule* next = nullptr;
  std::string name;
};
int it_FirstModule(ModuleIterator& it);
int it_NextModule(ModuleIterator& it);

} // namespace editor
