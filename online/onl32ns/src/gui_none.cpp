// ONL32NS without windows in the build: never a GUI thread.
#include "gui.h"

namespace onl32ns {

bool startGui(int&, char**) { return false; }
void serveUntilClosed(const std::function<bool()>&, const std::function<void()>& wait) { wait(); }
void stopGui() {}

} // namespace onl32ns
