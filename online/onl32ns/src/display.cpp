#include "gui.h"

#include <cstdlib>

namespace onl32ns {

bool haveDisplay() {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* s = std::getenv(v);
    if (s && *s) return true;
  }
  return false;
}

} // namespace onl32ns
