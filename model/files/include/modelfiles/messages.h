#pragma once
// The numbered messages of the project, library and state files. They are
// shown through the platform's UI sink (message boxes of the shell; scripted
// in tests).
#include <string>

namespace modelfiles {

// The text of a numbered message ("" for a number this unit does not raise).
const char* messageText(int number);
// Shows the message (arg replaces "%s"); returns the button pressed.
int showMessage(int number, const std::string& arg = std::string(), unsigned style = 0);
// A message about a file: the message's text, then the file and the reason
// on a line of their own ("<path>: <reason>").
int showFileMessage(int number, const std::string& path, const std::string& reason, unsigned style = 0);
// The system's words for an error number, or fallback when there is none.
std::string reasonText(int error, const char* fallback);
// Yes/No question; true on Yes.
bool askYesNo(int number, const std::string& arg = std::string());

} // namespace modelfiles
