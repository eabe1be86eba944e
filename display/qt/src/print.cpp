#include "display/print.h"

#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/sheet.h"

#include <QPageLayout>
#include <QPrinter>
#include <algorithm>
#include <memory>

namespace disp {

namespace {

// The printer as a window of the layer: one device for the whole print.
class PrinterWindow : public DrawWindow {
public:
  explicit PrinterWindow(QPrinter& p) : printer_(p) {}
  Device* beginPaint() override {
    if (!dev_) {
      dev_ = std::make_unique<QtDevice>(static_cast<QPaintDevice*>(&printer_));
      if (!dev_->painter().isActive()) {
        dev_.reset();
        return nullptr;
      }
    }
    ++depth_;
    return dev_.get();
  }
  void endPaint() override {
    if (depth_ > 0 && --depth_ > 0) return;
    dev_.reset();
  }
  Device* getDc() override { return beginPaint(); }
  void releaseDc() override { endPaint(); }

private:
  QPrinter& printer_;
  std::unique_ptr<QtDevice> dev_;
  int depth_ = 0;
};

} // namespace

bool printSheet(model::LogicRecord* level, QPrinter& printer, DrawView view) {
  const float zoom = gdi_GetZoom();
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  if (page.width() <= 0 || page.height() <= 0 || view.sheetW <= 0 || view.sheetH <= 0) return false;
  view.printing = true;
  view.scrollX = view.scrollY = 0;
  view.viewX = view.viewY = 0;
  view.viewW = view.clientW = view.sheetW;
  view.viewH = view.clientH = view.sheetH;
  // Sheet units to printer pixels: the tighter of the two page sides.
  int num = page.width(), den = view.sheetW;
  if (static_cast<long long>(page.height()) * view.sheetW < static_cast<long long>(page.width()) * view.sheetH) {
    num = page.height();
    den = view.sheetH;
  }
  Device* prevDc = gdi_CurrentDevice();
  DrawWindow* prevWindow = gdi_CurrentWindow();
  const DrawView prevView = currentView();
  setCurrentView(view);
  PrinterWindow win(printer);
  bool ok = false;
  if (gdi_BeginPaint(&win)) {
    gdi_SetPrintScale(num, den, num, den);
    gdi_ResetAttributes();
    vw_DeriveTextMetrics(currentView());
    ws_Redraw(level);
    gdi_EndPaint();
    ok = true;
  }
  // The screen's scale and fonts come back.
  gdi_DeleteFonts();
  gdi_SetZoom(&zoom);
  setCurrentView(prevView);
  gdi_SetCurrent(prevDc, prevWindow);
  return ok;
}

bool printSheetToPdf(model::LogicRecord* level, const std::string& path, DrawView view) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  printer.setPageOrientation(view.sheetW >= view.sheetH ? QPageLayout::Landscape : QPageLayout::Portrait);
  return printSheet(level, printer, view);
}

} // namespace disp
