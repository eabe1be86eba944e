// A test language for the standard dialogs library: a few German texts.
#include "platform/export.h"
#include "dialogkit/resources.h"

namespace {
const kit::StringEntry kStrings[] = {{3, "Zerlo-Test"}, {40006, "Programm beenden?"}};
const kit::ResourceTable kTable{kStrings, 2, nullptr, 0, nullptr, 0};
} // namespace

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(kTable, id, buf, size);
}
