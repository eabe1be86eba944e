#include "display/render.h"

#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/sheet.h"

#include <cmath>
#include <memory>

namespace disp {

namespace {

// A window over an image: each paint gets a painter on it.
class ImageWindow : public DrawWindow {
public:
  explicit ImageWindow(QImage* img) : image_(img) {}
  // Contexts nest and share one device, freed when the last is given back.
  Device* beginPaint() override {
    if (!dev_) dev_ = std::make_unique<QtDevice>(image_);
    ++depth_;
    return dev_.get();
  }
  void endPaint() override {
    if (depth_ > 0 && --depth_ > 0) return;
    dev_.reset();
  }
  Device* getDc() override { return beginPaint(); }
  void releaseDc() override { endPaint(); }
  std::unique_ptr<Device> createBitmapDevice(int w, int h) override { return std::make_unique<QtDevice>(w, h); }

private:
  QImage* image_;
  std::unique_ptr<QtDevice> dev_;
  int depth_ = 0;
};

} // namespace

QImage renderSheet(model::LogicRecord* level, float zoom, DrawView view) {
  gdi_SetZoom(&zoom);
  const float z = gdi_GetZoom();
  const int w = static_cast<int>(std::lround(view.sheetW * z)) + 2;
  const int h = static_cast<int>(std::lround(view.sheetH * z)) + 2;
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  view.clientW = view.sheetW;
  view.clientH = view.sheetH;
  view.viewX = view.viewY = 0;
  view.viewW = view.sheetW;
  view.viewH = view.sheetH;
  setCurrentView(view);
  ImageWindow win(&img);
  if (gdi_BeginPaint(&win)) {
    vw_DeriveTextMetrics(currentView());
    ws_Redraw(level);
    gdi_EndPaint();
  }
  return img;
}

} // namespace disp
