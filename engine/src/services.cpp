#include "engine/services.h"

#include "platform/uisink.h"

namespace engine {

const char* engineMessageText(int number) {
  switch (number) {
  case 50031: return "Error!   Invalid version of file EXTERNAL.MCO.";
  case 50034: return "Serious project error! Please close Zerlo.";
  case 50028: return "Error !   Memory for standard variables has been exceeded.";
  case 50030: return "Error!   Invalid parameter vector.";
  case 50049: return "Error!   There are too many parallel sequences in the project.";
  case 50057: return "Error!   Cannot create file.";
  default: return "";
  }
}

void EngineServices::showMessage(int number) { plat::ui::messageBox(engineMessageText(number), "Zerlo"); }
void EngineServices::notice(const std::string& text, const std::string& caption) {
  plat::ui::messageBox(text, caption);
}

namespace {
EngineServices gDefault;
EngineServices* gCurrent = &gDefault;
} // namespace

EngineServices& engineServices() { return *gCurrent; }
EngineServices* setEngineServices(EngineServices* s) {
  EngineServices* old = gCurrent;
  gCurrent = s ? s : &gDefault;
  return old;
}

} // namespace engine
