#pragma once
// Parameter lists: the parameters of a gate list as one text of gate blocks
// (engine/params.h), gates numbered (Input, Output, Param.-Variatio, Text and
// Disable-Logic gates are not counted; numbering restarts in each macro's
// sub-logic), macros expanded between separator lines with indent + 2.
// Files are written through a temporary file renamed into place.
// The editor installs these as its lst_* engine hooks; the file selector is
// the caller's (it passes the chosen path).
#include <functional>
#include <string>

#include "engine/params.h"

namespace engine {

constexpr const char* kListVersionBanner = "KESTRUM Rev. 4.10";
constexpr const char* kTempListName = "TEMP.LPA";

// True when the kind counts into the list number.
bool lst_Counts(unsigned kind);
// The page head: title, empty line, banner / label + name at 30 / "Date : " at 60.
std::string lst_PageHead(const std::string& title, const std::string& label,
                         const std::string& name, const std::string& date8);
// One gate and, for a macro, its sub-logic (save: between separator lines).
void lst_WalkLogic(model::GateRecord* gate, model::GateInstance* inst, bool global,
                   std::uint16_t number, std::uint16_t indent, ParamText& text, ParamMode mode,
                   ParamDialogs* dialogs);
// The list text of a gate list (mode Write), or reads it back (mode Read).
void lst_WalkList(model::GateRecord* first, model::GateInstance* firstInst, ParamText& text,
                  ParamMode mode, ParamDialogs* dialogs);

// Saves the list of a gate list; with a non-empty logicName the page head
// ("KESTRUM LOGIC PARAMETER LIST") comes first. "PRINTER" shows 50016 and
// writes nothing. Returns false (and writes nothing) on failure.
bool lst_AllParamsWithHead(const std::string& path, model::GateRecord* first,
                           model::GateInstance* firstInst, const std::string& logicName,
                           const std::string& date8, ParamDialogs* dialogs, std::string* err = nullptr);
// The file selector of a load, asked again after 50042 was answered Yes:
// true with the new path.
using ListFileChooser = std::function<bool(std::string& path)>;
// Loads the parameters of a gate list. A missing or empty file asks 50042
// ("File %s could not be found. Enter new path?"): Yes chooses again (when a
// chooser is given), No gives up and returns false.
bool lst_AllParamsFromFile(const std::string& path, model::GateRecord* first,
                           model::GateInstance* firstInst, ParamDialogs* dialogs,
                           const ListFileChooser& chooseAgain = {});
// One gate (a macro with its sub-logic) into / from a file.
bool lst_LogicParamsToOutput(const std::string& path, model::GateRecord* gate,
                             model::GateInstance* inst, bool global, std::uint16_t number,
                             ParamDialogs* dialogs, std::string* err = nullptr);
bool lst_LogicParamsFromFile(const std::string& path, model::GateRecord* gate,
                             model::GateInstance* inst, bool global, std::uint16_t number,
                             ParamDialogs* dialogs, const ListFileChooser& chooseAgain = {});
// The same through the scratch file "TEMP.LPA" in a directory (no selector).
bool lst_LogicParamsToTempOutput(const std::string& dir, model::GateRecord* gate, model::GateInstance* inst,
                                 bool global, std::uint16_t number, ParamDialogs* dialogs,
                                 std::string* err = nullptr);
bool lst_LogicParamsFromTempFile(const std::string& dir, model::GateRecord* gate, model::GateInstance* inst,
                                 bool global, std::uint16_t number, ParamDialogs* dialogs);

} // namespace engine
