// The library's string table and its message boxes.
#include "ddfreader/ddf_reader.h"

#include "platform/uisink.h"

#include <cstdio>
#include <vector>

namespace ddf {

const char* messageText(int id) {
  switch (id) {
    case kMsgPrefix: return "DdfReader : ";
    case kMsgNoMsgWindow: return "Fatal Error !   Can't write to message window.";
    case kMsgNoConverter:
      return "Fatal Error !   There is no message konverter specified for target format %s.";
    case kMsgDllMissing: return "Fatal Error !   Dynamic Link Library %s can not be found or is to old.";
    case kMsgCaption: return "DdfReader.dll";
    case kMsgNoSubElements: return "Warning !   Memory %s contents no subelements.";
    case kMsgDefaultRes: return "Resource request %s cannot be found. File default.res will be used.";
    case kMsgInvalidFormat: return "Error !   Invalid device description format in file %s.";
    case kMsgCannotOpen: return "Error !   Can't open file %s.";
    default: return "";
  }
}

int showMessage(int id, const std::string& arg) {
  const std::string text = messageText(id);
  if (text.empty()) return plat::ui::IDCANCEL;
  // The texts hold at most one "%s"; the buffer takes the text, the argument
  // and room to spare.
  std::vector<char> buf(text.size() + arg.size() + 10);
  std::snprintf(buf.data(), buf.size(), text.c_str(), arg.c_str());
  return plat::ui::messageBox(buf.data(), messageText(kMsgCaption),
                              plat::ui::MB_OK | plat::ui::MB_ICONHAND);
}

}  // namespace ddf
