#pragma once
// Help: one current help context (F1 opens it) and the saved one that
// help_SetContext hands back; block help by keyword. Requests go to the help
// sink (the dialog kit's help operation once the main program installs it).
#include "shell/libapi.h"
#include <cstdint>
#include <string>
#include <vector>

namespace shell {

// Commands of the help engine.
enum : unsigned { HELP_CONTEXT = 1, HELP_QUIT = 2, HELP_INDEX = 3, HELP_HELPONHELP = 4,
                  HELP_FINDER = 11, HELP_KEY = 0x101 };

// Where help requests go: file, command, and the context number or keyword.
class HelpSink {
public:
  virtual ~HelpSink() = default;
  virtual int help(Hwnd owner, const std::string& file, unsigned command, unsigned context,
                   const std::string& keyword) = 0;
};
// Installs a sink (null: requests are answered 0); returns the previous one.
HelpSink* setHelpSink(HelpSink* s);

// Records every request, for tests.
class RecordingHelpSink : public HelpSink {
public:
  struct Request { std::string file; unsigned command; unsigned context; std::string keyword; };
  std::vector<Request> requests;
  int help(Hwnd, const std::string& file, unsigned command, unsigned context, const std::string& keyword) override {
    requests.push_back({file, command, context, keyword});
    return 1;
  }
};

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
