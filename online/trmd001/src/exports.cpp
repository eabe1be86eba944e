// Exports of trmd001dll.so. With windows in the build, CallTrmd001Dlg (0)
// shows the diagnosis window when the process has a QApplication; headless it
// ends at once, so the runtime's paths that open the diagnosis run without a
// display.
//
// The library's start binds the settings library beside it, loads its
// language resources TRMD001_RES from the language directory (missing: the
// window warns when it opens and shows its English texts) and finds the help
// file of the window beside the language help file. A settings library that
// cannot be bound leaves the built-in texts and no help; the library still
// starts, so the runtime keeps its diagnosis exports.
#include "platform/export.h"
#include "platform/paths.h"
#include "texts.h"
#include "toolbind/toolbind.h"
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

ZERLO_EXPORT int ZerloModuleInit() {
  trmd::Environment& env = trmd::environment();
  env = trmd::Environment{};
  auto& tb = toolbind::moduleBinding();
  toolbind::BindOptions o;
  o.anchor = toolbind::Anchor::ThisModule;
  o.minVersion = 0.04;
  o.names = {"GetDLLVersion",       "SetBINPath",          "GetObelLanguage",           "SetObelLanguage",
             "GetObelLanguagePath", "GetShowHelpNumber",   "GetPathToLanguageHelpFile", "DeleteMStrBuf"};
  std::string languageDir, helpFile;
  if (tb.bind(o) == toolbind::BindStatus::Bound) {
    tb.getPath("GetObelLanguagePath", languageDir, tb.language());
    tb.getPath("GetPathToLanguageHelpFile", helpFile, tb.language());
    env.showHelpNumber = tb.getShowHelpNumber() != 0;
  } else {
    tb.unbind();
  }
  env.resourcesMissing =
      languageDir.empty() || !trmd::resources().loadLanguage(kit::languageLibraryPath(languageDir, "TRMD001_RES.DLL"));
  if (!helpFile.empty()) env.helpFile = plat::path::join(plat::path::dirName(helpFile), "TRMD001DLG.HLP");
  return 1;
}

ZERLO_EXPORT void ZerloModuleExit() {
  trmd::resources().unloadLanguage();
  toolbind::moduleBinding().unbind();
}

ZERLO_EXPORT int InitZRLRTFunc(const RuntimeFunctionTable* table) { return trmd::state().initFunctionTable(table); }
ZERLO_EXPORT int CallTrmd001Dlg(int request) { return withRunner().callDialog(request); }
ZERLO_EXPORT int InfoLookOut(int code) { return trmd::state().infoLookOut(code); }
ZERLO_EXPORT int InterfaceError(int code) { return trmd::state().interfaceError(code); }
