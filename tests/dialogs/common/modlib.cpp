// A library with a module start and end for the loader tests. Built twice:
// MODLIB_REFUSE makes its start answer 0.
#include <cstdlib>
#include <string>

namespace {
int gInits = 0, gExits = 0;
}

extern "C" __attribute__((visibility("default"))) int ZerloModuleInit() {
  ++gInits;
  // The count travels through the environment so that the test sees it after the unload.
  std::string v = std::to_string(gInits);
  setenv("ZERLO_MODLIB_INITS", v.c_str(), 1);
#ifdef MODLIB_REFUSE
  return 0;
#else
  return 1;
#endif
}

extern "C" __attribute__((visibility("default"))) void ZerloModuleExit() {
  ++gExits;
  std::string v = std::to_string(gExits);
  setenv("ZERLO_MODLIB_EXITS", v.c_str(), 1);
}

extern "C" __attribute__((visibility("default"))) int ModLibAnswer() { return 42; }
