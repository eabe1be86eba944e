#include "modelfiles/messages.h"

#include "platform/uisink.h"

#include <cstring>

namespace modelfiles {

const char* messageText(int number) {
  switch (number) {
  case 40015: return "Subprogram call-up is being deleted!";
  case 40016: return "Warning!   Function block library has already been loaded.";
  case 50028: return "Error !   Memory for standard variables has been exceeded.";
  case 50029: return "Error!   Insufficient to execute program.";
  case 50037: return "File error!";
  case 50038: return "Error!   File cannot be loaded.";
  case 50039: return "Name conflict !   Name in loaded library is already used.";
  case 50040: return "Error!   Version conflict in loaded data or library.";
  case 50041: return "Error!   Fatal version conflict in library structure.";
  case 50042: return "File %s could not be found.\nEnter new path?";
  case 50044: return "Error!   Invalid file.";
  case 50045: return "Incompatibility !   Deletion of lines or connecting.";
  case 50061:
    return "Error!   Function block library ZRLFB02.MCO cannot be loaded.\nNo new function blocks can be inserted.";
  default: return "";
  }
}

int showMessage(int number, const std::string& arg, unsigned style) {
  std::string text = messageText(number);
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, arg);
  return plat::ui::messageBox(text, "Zerlo", style);
}

int showFileMessage(int number, const std::string& path, const std::string& reason, unsigned style) {
  std::string text = messageText(number);
  if (!path.empty()) text += "\n" + path + (reason.empty() ? std::string() : ": " + reason);
  return plat::ui::messageBox(text, "Zerlo", style);
}

std::string reasonText(int error, const char* fallback) { return error ? std::strerror(error) : fallback; }

bool askYesNo(int number, const std::string& arg) {
  return showMessage(number, arg, plat::ui::MB_YESNO | plat::ui::MB_ICONQUESTION) == plat::ui::IDYES;
}

} // namespace modelfiles
