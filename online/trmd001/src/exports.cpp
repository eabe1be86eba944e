// Exports of trmd001dll.so without a window: the runtime's diagnosis thread
// runs CallTrmd001Dlg (0), which ends at once (headless), so the runtime's
// paths that open the diagnosis run without a display.
#include "platform/export.h"
#include "trmd001/diag_state.h"

ZERLO_EXPORT int InitZRLRTFunc(const RuntimeFunctionTable* table) { return trmd::state().initFunctionTable(table); }
ZERLO_EXPORT int CallTrmd001Dlg(int request) { return trmd::state().callDialog(request); }
ZERLO_EXPORT int InfoLookOut(int code) { return trmd::state().infoLookOut(code); }
ZERLO_EXPORT int InterfaceError(int code) { return trmd::state().interfaceError(code); }
