// Start and end of the block parameter dialogs library: the settings library
// binding, the language resources, the formula parser binding, and the
// exports without dialog.
#include "frame.h"

#include "dialogs.h"
#include "operand.h"
#include "texts.h"

#include "dialogkit/qtkit.h"
#include "exprparser/exprparser.h"
#include "platform/export.h"
#include "platform/library.h"
#include "platform/ports.h"
#include "platform/uisink.h"
#include "toolbind/toolbind.h"
#include "zrlfbdlg/zrlfbdlg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace fbd {

kit::Resources& resources() {
  static kit::Resources r(englishTable());
  return r;
}
std::string text(unsigned id) { return resources().text(id); }
std::string dialogText(unsigned dialog, unsigned control) {
  return resources().dialogText(dialog, control).value_or("");
}

void simpleBeep() { plat::io::toneOut()->beep(0xFFFFFFFFu); }

namespace {

// The parser binding: written while the library starts and ends only.
struct Parser {
  plat::lib::Handle lib = nullptr;
  ParseFormelFn formel = nullptr;
  ParseConditionFn condition = nullptr;
  GetErrorTextFn getError = nullptr;
  FreeErrorTextFn freeError = nullptr;
  bool bound() const { return lib && formel && condition && getError && freeError; }
};
Parser& parser() {
  static Parser p;
  return p;
}

std::string helpFileCache;

} // namespace

// ---- the parser binding ----
int fbd_ExprParserPath(std::string& out) {
  out.clear();
  std::string dir;
  auto& tb = toolbind::moduleBinding();
  if (!tb.entry("GetBINPath")) return 0;
  tb.getPath("GetBINPath", dir);
  // Only the file name is upper-cased: directories on this system keep their case.
  out = toolbind::joinDir(dir, "EXPRPARSER.DLL");
  return 1;
}

void fbd_UnbindExprParser() {
  Parser& p = parser();
  if (p.lib) plat::lib::unload(p.lib);
  p = Parser{};
}

int fbd_BindExprParser(const std::string& path) {
  Parser& p = parser();
  if (p.lib) return p.bound() ? 1 : 0;
  p = Parser{};
  p.lib = plat::lib::load(path);
  if (!p.lib) return 0;
  p.formel = plat::lib::symbolAs<ParseFormelFn>(p.lib, "ParseFormel");
  if (!p.formel) return 0;
  p.condition = plat::lib::symbolAs<ParseConditionFn>(p.lib, "ParseCondition");
  if (!p.condition) return 0;
  p.getError = plat::lib::symbolAs<GetErrorTextFn>(p.lib, "GetErrorText");
  if (!p.getError) return 0;
  p.freeError = plat::lib::symbolAs<FreeErrorTextFn>(p.lib, "FreeErrorText");
  return p.freeError ? 1 : 0;
}

int parseFormula(const char* t, std::int16_t* aux, const double* vector) {
  return parser().bound() ? parser().formel(t, aux, vector) : 0;
}
int parseCondition(const char* t, std::int16_t* aux, const double* vector) {
  return parser().bound() ? parser().condition(t, aux, vector) : 0;
}
char* errorText() { return parser().bound() ? parser().getError() : nullptr; }
void releaseErrorText(char** t) {
  if (parser().bound()) parser().freeError(t);
}

// ---- help ----
bool fbd_ShowBlockHelp(QWidget* dialog, unsigned typeName) {
  auto& tb = toolbind::moduleBinding();
  std::string keyword = text(kHelpPrefix) + text(typeName);
  (void)dialog;
  return kit::requestHelp(resources(), {0, kHelpKeyword, kCaption}, tb.getShowHelpNumber() != 0, helpFileCache, 0,
                          keyword, 0);
}

// ---- start and end ----
int fbd_BindTool() {
  auto& tb = toolbind::moduleBinding();
  if (tb.bound()) return 1;
  toolbind::BindOptions o;
  o.anchor = toolbind::Anchor::ThisModule;
  o.minVersion = 0.04;
  o.names = {"GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd", "SetBINPath",
             "GetBINPath", "GetShowHelpNumber", "GetObelLanguage", "SetObelLanguage", "GetObelLanguagePath",
             "GetPathToLanguageHelpFile", "DeleteMStrBuf"};
  return tb.bind(o) == toolbind::BindStatus::Bound ? 1 : 0;
}

namespace {
constexpr unsigned kBoxStyle = plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION | plat::ui::MB_TOPMOST;
void box(const std::string& t) { plat::ui::messageBox(t, kLibrary, kBoxStyle); }

void cleanUp() {
  fbd_UnbindExprParser();
  resources().unloadLanguage();
  toolbind::moduleBinding().unbind();
  helpFileCache.clear();
}
} // namespace

} // namespace fbd

using namespace fbd;

ZERLO_EXPORT int ZerloModuleInit() {
  auto& tb = toolbind::moduleBinding();
  if (!fbd_BindTool()) {
    box(englishTable().string(kNoTool));
    cleanUp();
    return 0;
  }
  std::string dir;
  tb.getPath("GetObelLanguagePath", dir, tb.language());
  if (!resources().loadLanguage(kit::languageLibraryPath(dir, "ZRLFBRES.DLL"))) box(englishTable().string(kNoLanguage));
  tb.getHelpFilePath(helpFileCache);
  std::string path;
  if (!fbd_ExprParserPath(path) || path.empty() || !fbd_BindExprParser(path)) {
    box(text(kNoParser));
    cleanUp();
    return 0;
  }
  return 1;
}

ZERLO_EXPORT void ZerloModuleExit() {
  kit::endOpenDialogs();
  cleanUp();
}

// ---- the exports without dialog ----
ZERLO_EXPORT void FB05_CallBuildHandle(char* t, int16_t* aux, double* vector, void*, int16_t*, int16_t* changed) {
  if (!changed) return;
  *changed = 0;
  if (!t) return;
  int kind = 0, number = 0;
  int read = fbd_ParseOperand(readBounded(t, ZRLFBDLG_OPERAND_TEXT_SIZE).c_str(), kind, number);
  if (aux) {
    aux[0] = read ? 0 : 1;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, aux + 1);
  }
  *changed = 1;
}

ZERLO_EXPORT void FB05_CallLoadTermText(char* t, int16_t* aux, double*, void*, int16_t*, int16_t*) {
  if (!t || !aux || aux[0] < 0 || aux[0] > 7) return;
  writeBounded(t, text(kFirstLabel + unsigned(aux[0])), 19);
}

ZERLO_EXPORT void FB05_CallOnMessage(char*, int16_t* aux, double* vector, void*, int16_t*, int16_t*) {
  if (!aux || !vector) return;
  std::uint32_t w = ownerOf(vector);
  if (w) kit::postWindowMessage(w, ZRLFBDLG_BLOCK_POSTED_MESSAGE, 0, std::int64_t(aux[0]));
}

namespace {
// Runs f on the GUI thread (in place there; a worker waits). False without a QApplication.
template <class F> bool onGui(F&& f) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!qobject_cast<QGuiApplication*>(app)) return false;
  if (kit::onGuiThread()) {
    f();
    return true;
  }
  return QMetaObject::invokeMethod(app, std::forward<F>(f), Qt::BlockingQueuedConnection);
}
} // namespace

ZERLO_EXPORT int FB05_CallRefreshView(char*, int16_t*, double* vector, void*, int16_t*, int16_t* changed) {
  if (!vector || !changed) return 0;
  std::uint32_t w = ownerOf(vector);
  if (!w) return 0;
  int result = 0;
  onGui([&] {
    if (QWidget* widget = kit::widgetOf(w)) {
      // Repaint the whole client area; the widget paints its own background.
      widget->update();
      result = 1;
    }
  });
  *changed = 1;
  return result;
}

ZERLO_EXPORT void FB05_GetMouseKeyState(char*, int16_t* aux, double*, void*, int16_t*, int16_t*) {
  if (!aux) return;
  Qt::MouseButton which = aux[0] == 0 ? Qt::LeftButton : Qt::RightButton;
  bool down = false;
  onGui([&] { down = (QGuiApplication::mouseButtons() & which) != 0; });
  aux[1] = down ? 1 : 0;
}

// ---- the dialogs ----
// The common body of a dialog export: nothing without vector or changed;
// OK (1) sets changed.
#define FB_DIALOG_BODY(run)              \
  (void)mode;                            \
  if (!vector || !changed) return;       \
  if ((run) == 1) *changed = 1;

ZERLO_EXPORT void FB01_CallParaAssignDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runAssign(t, aux, vector))
}
ZERLO_EXPORT void FB02_CallParaCompareDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runCompare(t, aux, vector))
}
ZERLO_EXPORT void FB03_CallParaRSNADlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY((mode ? runResetStop(t, aux, vector, *mode) : 2))
}
ZERLO_EXPORT void FB04_CallParaVisualDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runVisual(t, aux, vector))
}
ZERLO_EXPORT void FB06_CallParaMOutputDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runOutput(aux, vector))
}
ZERLO_EXPORT void FB07_CallParaSigBeepDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runBeep(aux, vector))
}
ZERLO_EXPORT void FB08_CallParaWaitDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runWait(vector))
}
ZERLO_EXPORT void FB09_CallParaDIVarDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runIncDec(t, aux, vector))
}
ZERLO_EXPORT void FB10_CallParaBInputDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runInput(aux, vector))
}
ZERLO_EXPORT void FB11_CallParaBEdgeDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runEdge(aux, vector))
}
ZERLO_EXPORT void FB12_CallParaPositionDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runPosition(t, aux, vector))
}
ZERLO_EXPORT void FB13_CallParaDisplayDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runDisplay(t, aux, vector))
}
ZERLO_EXPORT void FB14_CallParaMessageDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runMessage(t, aux, vector))
}
ZERLO_EXPORT void FB15_CallTermParaDlg(char* t, int16_t* aux, double* vector, void*, int16_t* mode, int16_t* changed) {
  FB_DIALOG_BODY(runTerminal(aux, vector))
}
