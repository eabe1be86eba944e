#pragma once
// Logic state files: a logic's step block followed by the value tree of its
// gate instances. The same value tree ends the project file and heads the
// recorder's value files (which hand over an open file). The editor keeps
// working copies under fixed names in the temporary folder; the user saves and
// restores states through a file dialog with numbered names.
#include "model/records.h"
#include "modelfiles/filelayer.h"

#include <string>
#include <vector>

namespace modelfiles {

// Working copies of the editor (bare names: they lie in the temporary folder).
inline constexpr const char* kStateWorkCopy = "TEMP.000";
inline constexpr const char* kStateWorkCopy2 = "TEMP.001";
inline constexpr const char* kStateWorkMain = "TEMPMAIN.000";

// The directory of the state file last chosen ("" = the current directory)
// and that file.
extern std::string StateDirectory;
extern std::string StateFilePath;

// The bytes of a state file for the logic and its own instance list.
std::vector<std::uint8_t> mdl_EncodeLogicState(const model::LogicRecord& logic);
// Writes a value tree at the file's position; true on a failed write.
bool mdl_WriteValueTree(FileHandle file, const model::GateRecord* gates, const model::GateInstance* instances);
// Reads a value tree (with instance blocks) from the file's position into
// existing instances and leaves the position behind it; true on failure.
bool mdl_ReadValueTree(FileHandle file, model::GateRecord* gates, model::GateInstance* instances);

// Read or write a logic's state. With a file (>= 1) at its position; without
// one the state file is chosen through the dialog (a cancelled dialog gives 1
// and does nothing). 1 done, 0 failed (50037 for a bad or short file, 50040
// for a tree that does not fit the logic; a file that cannot be opened: 0
// without message).
int mdl_ReadLogicState(model::LogicRecord* logic, FileHandle file = 0);
int mdl_WriteLogicState(model::LogicRecord* logic, FileHandle file = 0);
// The same for a named file, without dialog. Writing replaces the file
// atomically.
int mdl_ReadLogicStateFile(model::LogicRecord* logic, const std::string& name);
int mdl_WriteLogicStateFile(model::LogicRecord* logic, const std::string& name);

// The proposed file name: up to 8 characters of the logic's name (to its first
// blank, "-.,:;&" turned to "_", upper case), a point and a number: the
// lowest free one for writing, the one below it for reading ("000" when free).
std::string mdl_DefaultStateName(const model::LogicRecord* logic, bool forWriting);
// Runs the dialog; 1 with StateFilePath set, 0 when cancelled.
int mdl_SelectStateFile(const model::LogicRecord* logic, bool forWriting);

} // namespace modelfiles
