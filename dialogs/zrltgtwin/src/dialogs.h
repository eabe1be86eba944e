#pragma once
// The dialogs of the target dialogs library (Qt): each runs modally through
// the dialog kit and answers its end code.
#include "zrltgtwin/zrltgtwin.h"

namespace tw {

int runCompileDialog(ZrlWindow owner, ZrlCompileResult* result);  // 129
int runResultDialog(ZrlWindow owner);                             // 130
int runDownloadDialog(ZrlWindow owner);                           // 131
int runModeDialog(ZrlWindow owner);                               // 133
int runSettingsDialog(ZrlWindow owner, int applyMode);            // 134

} // namespace tw
