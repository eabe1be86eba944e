// ONL32NS without windows in the build: never a GUI thread.
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
bool startGui(int&, char**) { return false; }
void serveUntilClosed(const std::function<bool()>&, const std::function<void()>& wait) { wait(); }
void stopGui() {}

} // namespace onl32ns
