// Start and end of the target dialogs library, its resources and its exports.
#include "frame.h"

#include "core.h"
#include "dialogs.h"
#include "texts.h"

#include "dialogkit/boxes.h"
#include "dialogkit/qtkit.h"
#include "platform/export.h"
#include "platform/uisink.h"
#include "toolbind/toolbind.h"

#include <QWidget>

namespace tw {

kit::Resources& resources() {
  static kit::Resources r(englishTable());
  return r;
}

std::string dialogText(unsigned dialog, unsigned control) {
  return resources().dialogText(dialog, control).value_or("");
}

int message(unsigned id, const std::vector<kit::FormatArg>& args, unsigned style) {
  return kit::boxById(resources(), id, kCaption, style, true, args);
}

namespace {

// The settings library through the binding of this library.
class BoundTool : public Tool {
public:
  toolbind::ToolBinding& tb = toolbind::moduleBinding();
  bool get(const char* name, std::string& out) { return tb.getPath(name, out) != 0 && !out.empty(); }
  bool get(const char* name, std::string& out, int n) { return tb.getPath(name, out, n) != 0 && !out.empty(); }
  bool transDll(std::string& o) override { return get("GetPathToTransDLL", o); }
  bool projectZcd(std::string& o, int i) override { return get("GetPathToProjectZCDForInst", o, i); }
  bool projectError(std::string& o, int i) override { return get("GetPathToProjectErrorForInst", o, i); }
  bool map(std::string& o, int i) override { return get("GetPathToMAPForInst", o, i); }
  bool dlf(std::string& o, int i) override { return get("GetPathToDLFForInst", o, i); }
  bool ddf(std::string& o) override { return get("GetPathToDDF", o); }
  bool serverPath(std::string& o) override { return get("GetPathToZrlServer", o); }
  bool serverName(std::string& o, int n) override { return get("GetZrlServerName", o, n); }
  bool interfaceIni(std::string& o) override { return get("GetPathToInterfaceIni", o); }
  bool binPath(std::string& o) override { return get("GetBINPath", o); }
  bool languagePath(std::string& o) override { return get("GetObelLanguagePath", o, tb.language()); }
  bool helpFile(std::string& o) override { return tb.getHelpFilePath(o) != 0 && !o.empty(); }
  bool showHelpNumber() override { return tb.getShowHelpNumber() != 0; }
  bool port(int n, InterfacePort& out) override {
    auto f = tb.fn<GetKXIFPortFn>("GetKXIFPort");
    return f && f(n, &out) != 0;
  }
  void freePort(InterfacePort& p) override {
    if (auto f = tb.fn<FreeKXIFPortFn>("FreeKXIFPort")) f(&p);
  }
  bool readSettings(InterfaceSettings& out) override {
    auto f = tb.fn<GetKXIFSettingsFn>("GetKXIFSettings");
    return f && f(&out) != 0;
  }
  bool writeSettings(const InterfaceSettings& s) override {
    auto f = tb.fn<SetKXIFSettingsFn>("SetKXIFSettings");
    return f && f(&s) != 0;
  }
};

BoundTool& boundTool() {
  static BoundTool t;
  return t;
}

const std::vector<std::string>& bindingNames() {
  static const std::vector<std::string> names = {
      "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd", "SetBINPath", "GetBINPath", "GetTEMPPath",
      "GetPathToObelIni", "GetPathToMsgWnd", "GetPathToTransDLL", "GetPathToDdfReaderDLL", "GetPathToZrlServer",
      "GetZrlServerName", "GetPathToProjectZCDForInst", "GetPathToProjectErrorForInst", "GetPathToDDF",
      "GetPathToDDFForInst", "GetPathToDLFForInst", "GetPathToMAPForInst", "GetShowHelpNumber", "GetObelLanguage",
      "SetObelLanguage", "GetObelLanguagePath", "GetPathToInterfaceIni", "GetPathToLanguageHelpFile",
      "GetKXIFPort", "FreeKXIFPort", "GetKXIFSettings", "SetKXIFSettings", "DeleteMStrBuf"};
  return names;
}

} // namespace

void help(QWidget* dialog, unsigned context) {
  Tool* t = tool();
  if (!t) return;
  std::string file;
  t->helpFile(file);
  plat::handles::Id owner = 0;
  (void)dialog;
  kit::requestHelp(resources(), {kHelpContext, 0, kCaption}, t->showHelpNumber(), file, context, {}, owner);
}

} // namespace tw

using namespace tw;

// ---- start and end ----
ZERLO_EXPORT int ZerloModuleInit() {
  auto& tb = toolbind::moduleBinding();
  toolbind::BindOptions o;
  o.anchor = toolbind::Anchor::ThisModule;
  o.minVersion = 0.04;
  o.names = bindingNames();
  o.names.insert(o.names.begin(), "GetDLLVersion");
  if (tb.bind(o) != toolbind::BindStatus::Bound) {
    tb.unbind();
    return 0;
  }
  std::string dir;
  tb.getPath("GetObelLanguagePath", dir, tb.language());
  if (!resources().loadLanguage(kit::languageLibraryPath(dir, "ZRLTGTWINRES.DLL"))) {
    // Captioned with the application's name: the library's file name without extension.
    std::string name = kit::moduleName(reinterpret_cast<const void*>(&ZerloModuleInit));
    int a = plat::ui::messageBox(englishTable().string(kNoLanguage), name.empty() ? "zrltgtwin" : name,
                                 plat::ui::MB_OKCANCEL | plat::ui::MB_ICONEXCLAMATION | plat::ui::MB_TOPMOST);
    if (a != plat::ui::IDOK) {
      tb.unbind();
      return 0;
    }
  }
  state().instance = 0;
  state().currentServer = 0;
  state().lastOwner = 0;
  state().modeFlags = 0;
  state().setProjectPath(nullptr);
  setTool(&boundTool());
  return 1;
}

ZERLO_EXPORT void ZerloModuleExit() {
  kit::endOpenDialogs();
  setTool(nullptr);
  resources().unloadLanguage();
  state().setProjectPath(nullptr);
  toolbind::moduleBinding().unbind();
}

// ---- ZRTA00 ----
ZERLO_EXPORT double ZRTA00_GetDLLVersion() { return 1.0; }
ZERLO_EXPORT int ZRTA00_SetInstanceNumber(int n) {
  state().instance = n;
  return n;
}
ZERLO_EXPORT ZrlWindow ZRTA00_GetCurrentServer() { return state().currentServer; }
ZERLO_EXPORT ZrlWindow ZRTA00_SetCurrentServer(ZrlWindow w) {
  state().currentServer = w;
  return w;
}
ZERLO_EXPORT void ZRTA00_SetProjectFilePath(const char* path) { state().setProjectPath(path); }

// ---- dialogs ----
ZERLO_EXPORT int ZRTA01_CallCompileProgressDlg(ZrlWindow owner, ZrlCompileResult* result) {
  state().lastOwner = owner;
  if (result) *result = ZrlCompileResult{};
  // Only a compile that ended with OK counts: every other end code is a failure.
  return runCompileDialog(owner, result) == 1 ? 1 : 2;
}

ZERLO_EXPORT int ZRTA02_CallCompileResultDlg(ZrlWindow owner) {
  std::string err;
  Tool* t = tool();
  if (!t || !t->projectError(err, state().instance) || fileSize(err) <= 0) return 2;
  state().lastOwner = owner;
  return runResultDialog(owner);
}

ZERLO_EXPORT int ZRTA03_CallDownloadProgressDlg(ZrlWindow owner) {
  state().lastOwner = owner;
  return runDownloadDialog(owner);
}

ZERLO_EXPORT int ZRTA04_CallChangeInterfaceModeDlg(ZrlWindow owner) {
  state().lastOwner = owner;
  return runModeDialog(owner);
}

ZERLO_EXPORT int ZRTA04_ResetInterfaceMode() {
  kit::WaitCursor wait;
  resetInterfaceMode();
  return 1;
}

ZERLO_EXPORT int ZRTA05_CallInterfaceSettigsDlg(ZrlWindow owner, int applyMode) {
  return runSettingsDialog(owner, applyMode);
}

// ---- TA01 ----
ZERLO_EXPORT int TA01_LoginByServer(int kind, ZrlWindow owner) { return loginByServer(kind, owner); }
ZERLO_EXPORT int TA01_LogoutByServer(int kind, ZrlWindow owner) { return logoutByServer(kind, owner); }
ZERLO_EXPORT int TA01_TestIFConnection(ZrlWindow server) { return testIFConnection(server); }
ZERLO_EXPORT int TA01_GetDFF(ZrlWindow server) { return getDFF(server); }

ZERLO_EXPORT int TA01_CallInterfaceDiagnose(ZrlWindow owner) {
  bool ok;
  {
    kit::WaitCursor wait;
    ok = interfaceDiagnose(owner);
  }
  if (!ok) message(kPlcNotStarted, {}, plat::ui::MB_OK);
  return ok ? 1 : 0;
}

ZERLO_EXPORT int TA01_CallInterfaceTerminal(ZrlWindow owner) {
  bool ok;
  {
    kit::WaitCursor wait;
    ok = interfaceTerminal();
  }
  if (!ok) message(kPlcNotRunning, {}, plat::ui::MB_OK);
  return ok ? 1 : 0;
}
