// Exports whose dialogs are not built yet: each answers as the user's Cancel
// would (2, 0 or null) and writes nothing.
#include "core.h"
#include "frame.h"
#include "texts.h"

#include "platform/export.h"

using namespace sw;


ZERLO_EXPORT SwWindow SW52_PrintSetup(PrintSetupParams*) { return 0; }

ZERLO_EXPORT int SW51_IsFileNameSuggestionOfNew(const char* path) {
  return isDefaultProjectName(path, text(kUntitled)) ? 1 : 0;
}
