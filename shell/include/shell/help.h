#pragma once
// Help: one current help context (F1 opens it) and the saved one that
// help_SetContext hands back; block help by keyword. Requests go through the
// platform UI sink's help operation (the dialog kit's help pages): contexts by
// number, keywords by word; help on help is the keyword "index" and the
// contents the keyword "contents" of the help file's index.
#include "shell/libapi.h"
#include <cstdint>
#include <string>

namespace shell {

// Commands of the help engine.
enum : unsigned { HELP_CONTEXT = 1, HELP_QUIT = 2, HELP_INDEX = 3, HELP_HELPONHELP = 4,
                  HELP_FINDER = 11, HELP_KEY = 0x101 };

// Returns the saved context, then sets the current and the saved one to id
// and shows the status text of id.
std::uint16_t help_SetContext(std::uint16_t id);
std::uint16_t help_GetContext();
void help_SetCurrentOnly(std::uint16_t id);
void help_ResetContext();   // both back to 601 (tests)
// Opens the help at the current context (message 102 first when
// GetShowHelpNumber says so). 0 without a help file.
int help_ShowContext();
// Opens the help file with a command (4 help on help, 11 contents).
int help_Call(Hwnd owner, unsigned command, unsigned data);
// Keyword help for a block; nothing for "Projekt" nor libraries holding ".MDL".
int help_ShowBlockHelp(Hwnd owner, const std::string& library, const std::string& kindName);
// The keyword block help would use.
std::string help_BlockKeyword(const std::string& kindName);
// Closes nothing: help windows go with the program.
void help_Quit(Hwnd owner);

} // namespace shell
