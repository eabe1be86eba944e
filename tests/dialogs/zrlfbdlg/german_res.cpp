// A test language: the assignment dialog's caption replaced, everything else
// left to the built-in texts.
#include "dialogkit/resources.h"
#include "platform/export.h"

namespace {
const kit::StringEntry kStrings[] = {{1, "Ruecksetzen"}};
const kit::DialogTextEntry kDialogs[] = {{129, 0, "Zuweisung"}};
const kit::ResourceTable kTable{kStrings, 1, kDialogs, 1, nullptr, 0};
} // namespace

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) { return kit::tableLoadString(kTable, id, buf, size); }
ZERLO_EXPORT int LoadResDialogText(unsigned dialog, unsigned control, char* buf, int size) {
  return kit::tableLoadDialogText(kTable, dialog, control, buf, size);
}
