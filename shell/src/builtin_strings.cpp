// The program's built-in English strings: the table the language library
// ZEZODAR is built from, and the strings the program uses without it.
#include "shell/builtin_strings.h"
#include <iterator>

namespace shell {
namespace {

const kit::StringEntry kStrings[] = {
    {1, "Zerlo"},
    {2, " - [%s]"},
    {3, "Untitled"},
    {4, "Worksheet"},
    {12, ""},
    {13, "Output"},
    {14, "Input"},
    {20, "In%d"},
    {21, "Out%d"},
    {100, "Simulation"},
    {101, "Help key word: %s"},
    {102, "Help context: %u"},
    {103, "Stop"},
    {104, "Step"},
    {105, "Run"},
    {1000, "Translation"},
    {1001, "Compiling ..."},
    {1002, "Face editor: "},
    {1003, "Errors: %d"},
    {1004, "Warnings: %d"},
    {1005, "Memory: %d %%"},
    {1006, "Writing target code ..."},
    {1007, "Target code written."},
    {1008, "Translation cancelled."},
    {1009, "Translation failed."},
    {2000, "Gate"},
    {2001, "Connection"},
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
