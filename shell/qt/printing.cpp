// Printing the project and the worksheet through the drawing layer.
#include "shell/printing.h"

#include "dialogkit/format.h"
#include "dialogkit/qtkit.h"
#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/view.h"
#include "editor/editor.h"
#include "editor/setup.h"
#include "model/records.h"
#include "platform/handles.h"
#include "shell/binding.h"
#include "shell/builtin_strings.h"
#include "shell/dialogs.h"
#include "shell/help.h"
#include "shell/prompts.h"
#include "shell/resources.h"
#include "shell/utilities.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace shell {

namespace {

constexpr std::uint16_t kWmPaint = 15;
constexpr std::uint16_t kWmCommand = 0x111;
constexpr std::uint16_t kWmUser19 = 0x400 + 19;
constexpr int kPageRequest = 513;

PrintHooks g_hooks;
PrintState g_state;
editor::WorksheetWindowData g_template;

int dispatch(editor::WorksheetWindowData* w, std::uint16_t type, std::uint16_t code, int right = 0, int bottom = 0) {
  editor::EngineEvent e;
  e.type = type;
  e.code = code;
  e.right = std::int16_t(right);
  e.bottom = std::int16_t(bottom);
  if (g_hooks.dispatch) return g_hooks.dispatch(w, e);
  return editor::ui_Dispatch(w, &e);
}

void setPending(int kind) {
  if (g_hooks.setPendingKind) g_hooks.setPendingKind(kind);
  else dlg_SetPendingKind(kind);
}

// The qualified name of the subprogram a worksheet shows (its document's
// levels and instance names), unless the frame names it itself.
std::string qualifiedNameOf(const editor::WorksheetWindowData& record) {
  if (g_hooks.qualifiedName) return g_hooks.qualifiedName();
  model::DocumentRecord* previous = model::CurrentDocument;
  if (record.document) model::CurrentDocument = record.document;
  char name[256] = {};
  editor::mod_QualifiedName(name, sizeof name);
  model::CurrentDocument = previous;
  return name;
}

// After a job the window it printed gets the focus back: through the frame's
// hook, else the window the id names, else the widget that had the focus
// when the job began.
void giveFocus(Hwnd window, QWidget* before) {
  if (g_hooks.focus) return g_hooks.focus(window);
  QWidget* w = window ? kit::widgetOf(plat::handles::Id(window)) : nullptr;
  if (!w) w = before;
  if (!w) return;
  w->activateWindow();
  w->setFocus();
}

void prepareTemplate() {
  g_template = editor::WorksheetWindowData{};
  g_template.kind = 3;
  g_template.clientW = std::int16_t(ws_SheetWidth());
  g_template.clientH = std::int16_t(ws_SheetHeight());
}

// The printer as a window of the drawing layer: one device for the job.
class PrinterWindow : public disp::DrawWindow {
public:
  explicit PrinterWindow(disp::Device* d) : d_(d) {}
  disp::Device* beginPaint() override { return d_; }
  void endPaint() override {}
  disp::Device* getDc() override { return d_; }
  void releaseDc() override {}
private:
  disp::Device* d_;
};

// The layer's settings a job changes, restored when it ends.
struct LayerState {
  disp::Device* device = disp::gdi_CurrentDevice();
  disp::DrawWindow* window = disp::gdi_CurrentWindow();
  float zoom = disp::gdi_GetZoom();
  disp::DrawView view = disp::currentView();
  void restore() const {
    disp::gdi_SetCurrent(device, window);
    disp::gdi_SetZoom(&zoom);
    disp::setCurrentView(view);
    disp::gdi_DeleteFonts();
    disp::gdi_ResetAttributes();
  }
};

std::string projectFileName() {
  if (g_hooks.projectFileName) return g_hooks.projectFileName();
  char path[512] = {0};
  if (!path_BuildProjectFile(path, sizeof path)) return "";
  std::string p = path;
  const std::size_t slash = p.find_last_of("/\\");
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::unique_ptr<QPrinter> takePrinter(std::uint32_t id) {
  if (!id) return nullptr;
  auto* p = static_cast<QPrinter*>(plat::handles::lookup(id, kPrinterHandleKind));
  plat::handles::release(id);
  return std::unique_ptr<QPrinter>(p);
}

// The printer's page in device pixels.
QRect pageRect(QPrinter& p) { return p.pageLayout().paintRectPixels(p.resolution()); }

// One page: the printer current, fonts and attributes fresh, decoration, the editor's paint.
void preparePage(disp::Device* dev, PrinterWindow& win) {
  disp::currentView().printing = true;
  disp::gdi_SetCurrent(dev, &win);
  disp::gdi_DeleteFonts();
  disp::gdi_ResetAttributes();
}

// The modeless progress dialog 101. Its layout goes while it is still a
// dialog (the dialog kit's event filter sees the removal).
class ProgressDialog : public kit::Dialog {
public:
  using kit::Dialog::Dialog;
  ~ProgressDialog() override { delete layout(); }
};

QDialog* makeProgress(Hwnd owner) {
  auto text = [](unsigned control, const char* def) {
    const char* t = builtinTable().dialogText(101, control);
    return QString::fromUtf8(t && *t ? t : def);
  };
  auto* d = new ProgressDialog(kit::widgetOf(owner));
  d->setWindowTitle(text(0, "Printing"));
  auto* layout = new QVBoxLayout(d);
  auto* label = new QLabel(d);
  label->setObjectName("c1001");
  label->setMinimumWidth(220);
  auto* cancel = new QPushButton(text(107, "Cancel"), d);
  cancel->setObjectName("c107");
  layout->addWidget(label);
  layout->addWidget(cancel);
  // The dialog's procedure: opening clears the abort flag, the button sets it.
  g_state.abort = false;
  QObject::connect(cancel, &QPushButton::clicked, d, [] { g_state.abort = true; });
  QObject::connect(d, &QDialog::rejected, d, [] { g_state.abort = true; });
  return d;
}

// Keeps the event loop alive between pages; false once the job is to stop.
bool abortProc() {
  if (!g_state.abort && QCoreApplication::instance()) QCoreApplication::processEvents();
  return !g_state.abort;
}

} // namespace

PrintHooks& printHooks() { return g_hooks; }
PrintState& printState() { return g_state; }
editor::WorksheetWindowData& prn_TemplateContext() { return g_template; }

QPrinter* prn_PrintSetup(Hwnd owner, int pages) {
  const std::uint16_t prev = help_SetContext(48);
  std::uint32_t id = 0;
  if (g_hooks.printSetup) id = g_hooks.printSetup(owner, pages);
  else {
    PrintSetupParams p{owner, pages};
    id = bind_SW52_PrintSetup(&p);
  }
  help_SetContext(prev);
  return takePrinter(id).release();
}

int prn_CountPages(Hwnd owner) {
  (void)owner;
  prepareTemplate();
  setPending(512);
  disp::gdi_SetCurrent(disp::gdi_CurrentDevice(), nullptr);
  if (dispatch(&g_template, kWmCommand, 213) != 1) return 0;
  int pages = 1;
  // The editor answers 9 after its last page; a bound keeps a faulty layout from looping.
  for (int n = 0; n < 10000 && dispatch(&g_template, kWmCommand, kPageRequest) != 9; ++n) ++pages;
  return pages;
}

float prn_FitZoom(int pageW, int pageH, int sheetW, int sheetH) {
  if (sheetW <= 0 || sheetH <= 0) return 1.0f;
  return std::min(float(pageW) / float(sheetW), float(pageH) / float(sheetH));
}

void prn_ShowProgress(int page, int count) {
  if (!g_state.progress) return;
  auto* label = g_state.progress->findChild<QLabel*>("c1001");
  if (!label) return;
  const std::string format = res_String(10004).value_or("");
  label->setText(QString::fromUtf8(kit::formatChecked(format, {page, count}).c_str()));
}

int prn_PrintProject(Hwnd frame) {
  const int pages = prn_CountPages(frame);
  prepareTemplate();
  if (dispatch(&g_template, kWmCommand, 213) != 1) return 0;
  const LayerState saved;
  const QPointer<QWidget> focused = QApplication::focusWidget();
  std::unique_ptr<QPrinter> printer(prn_PrintSetup(frame, pages));
  if (!printer) return 0;
  g_state.printing = g_state.inProgress = true;
  g_state.abort = false;
  g_state.headerExtra.clear();
  if (QCoreApplication::instance() && kit::onGuiThread()) {
    g_state.progress = makeProgress(frame);
    kit::observeDialog(g_state.progress, kit::DialogId{kDialogLibrary, 101});
    prn_ShowProgress(1, pages);
    g_state.progress->show();
    QCoreApplication::processEvents();   // the dialog paints before the first page
  }
  if (g_hooks.enableFrame) g_hooks.enableFrame(false);

  const int sheetW = ws_SheetWidth(), sheetH = ws_SheetHeight();
  const QRect page = pageRect(*printer);
  const float zoom = prn_FitZoom(page.width(), page.height(), sheetW, sheetH);
  disp::gdi_SetZoom(&zoom);
  printer->setDocName(QString::fromStdString(projectFileName()));
  {
    disp::QtDevice dev(static_cast<QPaintDevice*>(printer.get()));
    PrinterWindow win(&dev);
    auto drawPage = [&] {
      preparePage(&dev, win);
      prn_DrawPageBorder(sheetW, sheetH);
      prn_DrawPageHeader(g_template.kind, sheetH);
      dispatch(&g_template, kWmPaint, 0, sheetW, sheetH);
    };
    if (dev.painter().isActive()) {
      drawPage();
      if (abortProc()) {
        int number = 1;
        while (true) {
          if (dispatch(&g_template, kWmCommand, kPageRequest) == 9 || !abortProc()) break;
          printer->newPage();
          ++number;
          prn_ShowProgress(number, pages);
          drawPage();
        }
        if (g_state.abort) printer->abort();
      } else {
        setPending(0);
        printer->abort();
      }
    }
  }
  if (g_hooks.enableFrame) g_hooks.enableFrame(true);
  delete g_state.progress.data();
  g_state.progress = nullptr;
  printer.reset();
  saved.restore();
  g_state.printing = g_state.inProgress = false;
  giveFocus(frame, focused);
  return 1;
}

int prn_PrintWorksheet(editor::WorksheetWindowData* record, Hwnd window) {
  if (!record) return 0;
  const LayerState saved;
  const QPointer<QWidget> focused = QApplication::focusWidget();
  std::unique_ptr<QPrinter> printer(prn_PrintSetup(window, 1));
  if (!printer) return 1;
  app_BeginWaitCursor();
  if (g_hooks.enableWindow) g_hooks.enableWindow(window, false);
  g_state.printing = g_state.inProgress = true;
  g_state.abort = false;
  const int sheetW = ws_SheetWidth(), sheetH = ws_SheetHeight();
  const bool trend = record->kind == editor::kKindTrend;
  const int pageW = trend ? record->clientW : sheetW, pageH = trend ? record->clientH : sheetH;
  const QRect page = pageRect(*printer);
  const float zoom = prn_FitZoom(page.width(), page.height(), pageW, pageH);
  disp::gdi_SetZoom(&zoom);
  printer->setDocName(QString::fromStdString(projectFileName()));
  const auto scrollX = record->scrollX, scrollY = record->scrollY;
  const auto clientW = record->clientW, clientH = record->clientH;
  {
    disp::QtDevice dev(static_cast<QPaintDevice*>(printer.get()));
    PrinterWindow win(&dev);
    if (dev.painter().isActive()) {
      preparePage(&dev, win);
      if (trend) {
        prn_DrawPageBorder(pageW, pageH);
      } else {
        prn_DrawPageBorder(sheetW, sheetH);
        g_state.headerExtra = qualifiedNameOf(*record).substr(0, 200);
        prn_DrawPageHeader(record->kind, sheetH);
      }
      disp::gdi_DeleteFonts();
      disp::gdi_ResetAttributes();
      record->scrollX = record->scrollY = 0;
      dispatch(record, kWmPaint, 0, sheetW, sheetH);
      if (g_hooks.simulationRuns && g_hooks.simulationRuns()) dispatch(record, kWmUser19, 0);
    }
  }
  printer.reset();
  g_state.printing = false;
  app_EndWaitCursor();
  saved.restore();
  g_state.inProgress = false;
  g_state.headerExtra.clear();
  record->scrollX = scrollX;
  record->scrollY = scrollY;
  record->clientW = clientW;
  record->clientH = clientH;
  if (g_hooks.enableWindow) g_hooks.enableWindow(window, true);
  giveFocus(window, focused);
  return 1;
}

void prn_DrawPageBorder(int w, int h) {
  if (pf_IsBound()) return;   // the page-frame library draws its own frame
  const disp::Pt16 pts[5] = {{0, 0},
                             {0, std::int16_t(h - 15)},
                             {std::int16_t(w - 15), std::int16_t(h - 15)},
                             {std::int16_t(w - 15), 0},
                             {0, 0}};
  disp::gdi_SetLineWidth(2);
  disp::gdi_Polyline(5, pts);
  disp::gdi_SetLineWidth(1);
}

std::string prn_Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02i.%02i.%04i", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
  return buf;
}

std::string prn_HeaderText(int kind, const std::string& date) {
  std::string project = projectFileName();
  const std::size_t dot = project.rfind('.');
  if (dot != std::string::npos) project.resize(dot);
  const unsigned kindId = kind >= 0 && kind <= 2 ? 10000 : kind == 3 ? 10001 : 10002;
  const auto kindText = res_String(kindId);
  const auto format = res_String(10003);
  if (!kindText || kindText->empty() || !format || format->empty() || project.empty()) return "";
  return kit::formatChecked(*format, {*kindText, project, g_state.headerExtra, date});
}

void prn_DrawPageHeader(int kind, int sheetHeight) {
  const std::string text = prn_HeaderText(kind, prn_Today());
  if (text.empty()) return;
  int cw = 0, ch = 0, cellW = 0, cellH = 0;
  disp::gdi_SetTextHeight(24, &cw, &ch, &cellW, &cellH);
  disp::gdi_Text(40, sheetHeight - 45, text);
}

} // namespace shell
