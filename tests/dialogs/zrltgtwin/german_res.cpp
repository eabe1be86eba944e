// A test language for the target dialogs library: a few German texts.
#include "platform/export.h"
#include "dialogkit/resources.h"

namespace {
const kit::StringEntry kStrings[] = {{1, "Zerlo-Test"}, {1023, "Fehler!   Die Software-SPS laeuft nicht."}};
const kit::DialogTextEntry kDialogs[] = {{129, 100, "Programm wird geprueft ..."}};
const kit::ResourceTable kTable{kStrings, 2, kDialogs, 1, nullptr, 0};
} // namespace

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(kTable, id, buf, size);
}
ZERLO_EXPORT int LoadResDialogText(unsigned d, unsigned c, char* buf, int size) {
  return kit::tableLoadDialogText(kTable, d, c, buf, size);
}
