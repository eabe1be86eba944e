// Exports of trmd001dll.so. With windows in the build, CallTrmd001Dlg (0)
// shows the diagnosis window when the process has a QApplication; headless it
// ends at once, so the runtime's paths that open the diagnosis run without a
// display.
#include "platform/export.h"
#include "trmd001/diag_state.h"
#ifdef ZERLO_TRMD_WINDOW
#include "window_runner.h"
#endif

namespace {
trmd::DiagState& withRunner() {
#ifdef ZERLO_TRMD_WINDOW
  static const bool installed = [] {
    trmd::state().setDialogRunner([](trmd::DiagState& s) { return trmd::runWindow(s); });
    return true;
  }();
  (void)installed;
#endif
  return trmd::state();
}
} // namespace

ZERLO_EXPORT int InitZRLRTFunc(const RuntimeFunctionTable* table) { return trmd::state().initFunctionTable(table); }
ZERLO_EXPORT int CallTrmd001Dlg(int request) { return withRunner().callDialog(request); }
ZERLO_EXPORT int InfoLookOut(int code) { return trmd::state().infoLookOut(code); }
ZERLO_EXPORT int InterfaceError(int code) { return trmd::state().interfaceError(code); }
