// The English language library: the program's strings and dialog texts
// through the dialog kit's resource operations.
#include "platform/export.h"
#include "shell/builtin_strings.h"

ZERLO_EXPORT int LoadResString(unsigned id, char* buffer, int size) {
  return kit::tableLoadString(shell::builtinTable(), id, buffer, size);
}
ZERLO_EXPORT int LoadResDialogText(unsigned dialog, unsigned control, char* buffer, int size) {
  return kit::tableLoadDialogText(shell::builtinTable(), dialog, control, buffer, size);
}
