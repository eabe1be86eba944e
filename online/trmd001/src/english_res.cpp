// The ENGLISH language resource library of the diagnosis library.
#include "texts.h"

#include "platform/export.h"

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  return kit::tableLoadString(trmd::englishTable(), id, buf, size);
}
