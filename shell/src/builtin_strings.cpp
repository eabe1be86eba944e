// The program's built-in English strings: the table the language library
// ZEZODAR is built from, and the strings the program uses without it.
#include "shell/builtin_strings.h"
#include <iterator>

namespace shell {
namespace {

const kit::StringEntry kStrings[] = {
    {1, "Zerlo"},
    {2, " - [%s]"},
    // The text of command 323 outside and inside the online mode.
    {3, "Interface &Diagnosis"},
    {4, "Online &Diagnosis"},
    {12, ""},
    {13, "Output"},
    {14, "Input"},
    {20, "In%d"},
    {21, "Out%d"},
    // The first line of the target program text's header.
    {100, "Zerlo target program text"},
    // The caption drawn in place of a picture that could not be loaded.
    {101, "Picture"},
    // The comment lines around an included file (%s: its path).
    {102, "; include %s\n"},
    {103, "; end of include %s\n"},
    {104, "; read error in %s\n"},
    {105, "; cannot open %s\n"},
    // Title prefixes of worksheets: second simulation sheet, trend sheet,
    // face editor, edit view, any other sheet (none).
    {1000, "Simulation 2: "},
    {1001, "Trend: "},
    {1002, "Face editor: "},
    {1007, "Edit: "},
    {1009, ""},
    // The document text of a newly named subprogram.
    {2000, "Subprogram"},
    // The text tiled over every sheet: none.
    {2001, ""},
    {10000, "Worksheet"},
    {10001, "Simulation"},
    {10002, "View"},
    {10003, "%s: %s   %s   %s"},
    {10004, "Printing page %d of %d"},
    {60001, "Creates a new project"},
    {60002, "Opens a project"},
    {60003, "Saves the project"},
    {60004, "Saves the project under a new name"},
    {60005, "Closes the project"},
    {60006, "Prints the worksheet"},
    {60007, "Quits the program"},
};

// The print progress dialog 101: caption, page text (1001), Cancel (107).
const kit::DialogTextEntry kDialogTexts[] = {
    {101, 0, "Printing"},
    {101, 1001, ""},
    {101, 107, "Cancel"},
};

const kit::ResourceTable kTable{kStrings, std::size(kStrings), kDialogTexts, std::size(kDialogTexts), nullptr, 0};

} // namespace

const kit::ResourceTable& builtinTable() { return kTable; }

const char* builtinString(unsigned id) { return kTable.string(id); }

} // namespace shell
