// The ENGLISH language resource library of the block parameter dialogs library.
#include "texts.h"

#include "platform/export.h"

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(fbd::englishTable(), id, buf, size);
}
ZERLO_EXPORT int LoadResDialogText(unsigned dialog, unsigned control, char* buf, int size) {
  return kit::tableLoadDialogText(fbd::englishTable(), dialog, control, buf, size);
}
ZERLO_EXPORT int LoadResBitmap(unsigned id, unsigned char* buf, int size) {
  return kit::tableLoadBitmap(fbd::englishTable(), id, buf, size);
}
