// The custom controls of the dialogs are Qt widgets registered by the dialog
// kit itself; this library only answers that its controls are ready.
#include "platform/export.h"

ZERLO_EXPORT int InitObelCtrl(void) { return 1; }
