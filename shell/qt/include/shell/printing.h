#pragma once
// Printing: the project page by page as the editor lays the pages out
// (command 213, with the modeless progress dialog 101) and the active
// worksheet on one page (command 212). The printer comes from the standard
// dialogs library's print dialog as a printer handle id; the drawing layer is
// pointed at it through display's QtDevice with a zoom that fits the sheet to
// the page, and the editor draws each page through the event path that paints
// a worksheet. Every setting of the layer is restored when a job ends.
#include "editor/host.h"
#include "shell/libapi.h"
#include "stockwin/stockwin.h"

#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

class QDialog;
class QPrinter;

namespace shell {

// The handle kind of a printer handed out by the print dialog: the object is
// a QPrinter made with new, which the receiver deletes with the handle.
inline constexpr int kPrinterHandleKind = SW_PRINTER_HANDLE_KIND;

struct PrintHooks {
  // The editor's event entry (default: the editor's dispatcher).
  std::function<int(editor::WorksheetWindowData* window, editor::EngineEvent& event)> dispatch;
  // The print dialog: a printer handle id or 0 (default: SW52_PrintSetup).
  std::function<std::uint32_t(Hwnd owner, int pages)> printSetup;
  std::function<void(bool on)> enableFrame;
  std::function<void(Hwnd window, bool on)> enableWindow;
  // Gives a window the focus after a job (default: the window the id names,
  // else the widget that had the focus when the job began).
  std::function<void(Hwnd window)> focus;
  // The qualified name of the current subprogram (worksheet print header;
  // default: the levels of the printed worksheet's document).
  std::function<std::string()> qualifiedName;
  // The project's file name (default: from the project path).
  std::function<std::string()> projectFileName;
  // True while the simulation runs (the worksheet print then shows values).
  std::function<bool()> simulationRuns;
  // The window kind the frame is making (512 while pages are counted).
  std::function<void(int kind)> setPendingKind;
};
PrintHooks& printHooks();

// The print state other parts read.
struct PrintState {
  bool printing = false;
  bool inProgress = false;
  bool abort = false;
  QPointer<QDialog> progress;
  std::string headerExtra;   // at most 200 characters
};
PrintState& printState();

// The engine's template context as the project print prepares it.
editor::WorksheetWindowData& prn_TemplateContext();

// The print dialog under help context 48: a printer (owned by the caller) or null.
QPrinter* prn_PrintSetup(Hwnd owner, int pages);
int prn_CountPages(Hwnd owner);
int prn_PrintProject(Hwnd frame);
// window: the worksheet's record and its window; 0 without a record.
int prn_PrintWorksheet(editor::WorksheetWindowData* record, Hwnd window);
// The zoom that fits a sheet to a page: the smaller of the two ratios.
float prn_FitZoom(int pageW, int pageH, int sheetW, int sheetH);
void prn_DrawPageBorder(int sheetWidth, int sheetHeight);
// kind: the window kind the header names; sheetHeight places it.
void prn_DrawPageHeader(int kind, int sheetHeight);
// The header text ("" when a string is missing), for a date "dd.mm.yyyy".
std::string prn_HeaderText(int kind, const std::string& date);
std::string prn_Today();
// WM_USER+21 to the progress dialog: page of count into control 1001.
void prn_ShowProgress(int page, int count);

} // namespace shell
