// Exports whose dialogs are not built yet: each answers as the user's Cancel
// would (2, 0 or null) and writes nothing.
#include "core.h"
#include "frame.h"
#include "texts.h"

#include "platform/export.h"

using namespace sw;

ZERLO_EXPORT int SW01_CallMacroBmpDlg(SwWindow, MacroBmpParams*) { return 2; }
ZERLO_EXPORT int SW03_CallMacroBGBmpDlg(SwWindow, MacroBmpParams*) { return 2; }
ZERLO_EXPORT int SW05_CallNewProjectDlg(SwWindow, char*, int) { return 2; }

ZERLO_EXPORT void* SW10_CreateInsertBoxDlg(SwWindow, const SwInsertBoxAttribs*, NameNode**, int) { return nullptr; }
ZERLO_EXPORT int SW10_SetInsertBoxDlgAttribs(void*, const SwInsertBoxAttribs*) { return 0; }
ZERLO_EXPORT int SW10_GetInsertBoxDlgAttribs(void*, SwInsertBoxAttribs* a) {
  if (!a) return 0;
  *a = SwInsertBoxAttribs{};
  return 0;
}
ZERLO_EXPORT void SW10_FreeInsertBoxDlgAttribs(SwInsertBoxAttribs* a) {
  if (!a) return;
  delete[] a->name;
  *a = SwInsertBoxAttribs{};
}
ZERLO_EXPORT void SW10_AddInsertBoxUPName(void*, const char*) {}
ZERLO_EXPORT void SW10_RenameInsertBoxUPName(void*, const char*, const char*) {}
ZERLO_EXPORT int SW10_SelectInsertBoxUPName(void*, const char*) { return 0; }
ZERLO_EXPORT void SW10_UpdateInsertBoxUPSelection(void*) {}
ZERLO_EXPORT void SW10_SetInsertBoxState(void*, int) {}
ZERLO_EXPORT int SW10_GetInsertBoxState(void*) { return 0; }

ZERLO_EXPORT SwWindow SW52_PrintSetup(PrintSetupParams*) { return 0; }

ZERLO_EXPORT int SW51_IsFileNameSuggestionOfNew(const char* path) {
  return isDefaultProjectName(path, text(kUntitled)) ? 1 : 0;
}
