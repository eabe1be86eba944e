// A stand-in of the target dialogs library for the diagnosis window's tests:
// its version comes from FAKE_ZRLTGTWIN_VERSION (1.0 by default); each call
// of the settings dialog is counted in FAKE_ZRLTGTWIN_CALLS with its apply mode
// in FAKE_ZRLTGTWIN_MODE.
#include "platform/export.h"

#include <cstdlib>
#include <string>

ZERLO_EXPORT double ZRTA00_GetDLLVersion() {
  const char* v = std::getenv("FAKE_ZRLTGTWIN_VERSION");
  return v ? std::strtod(v, nullptr) : 1.0;
}

ZERLO_EXPORT int ZRTA05_CallInterfaceSettigsDlg(unsigned owner, int applyMode) {
  const char* c = std::getenv("FAKE_ZRLTGTWIN_CALLS");
  int n = c ? std::atoi(c) : 0;
  ::setenv("FAKE_ZRLTGTWIN_CALLS", std::to_string(n + 1).c_str(), 1);
  ::setenv("FAKE_ZRLTGTWIN_MODE", std::to_string(applyMode).c_str(), 1);
  return owner != 0 ? 1 : 2;
}
