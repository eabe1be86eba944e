#pragma once
// A worksheet window's drawing surface: the worksheet draws into a persistent
// image (flood fill, the inverted drag marker, saved areas and raster
// operations read pixels back from it), and the widget copies the image to
// the screen when it is painted. It is a DrawWindow for the drawing layer.
#include "display/gdi.h"
#include "display/qt_device.h"

#include <QImage>
#include <QWidget>
#include <memory>

namespace disp {

class WorksheetCanvas : public QWidget, public DrawWindow {
public:
  explicit WorksheetCanvas(QWidget* parent = nullptr);
  ~WorksheetCanvas() override;

  QImage& image() { return image_; }
  // Erases the image to white (the next full redraw starts from it).
  void clearImage();

  Device* beginPaint() override;
  void endPaint() override;   // the drawn image reaches the screen
  Device* getDc() override;
  void releaseDc() override;
  int windowKind() const override { return kind_; }
  std::unique_ptr<Device> createBitmapDevice(int w, int h) override;
  void setWindowKind(int k) { kind_ = k; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  QImage image_;
  std::unique_ptr<QtDevice> dev_;
  int depth_ = 0;  // open contexts on dev_
  int kind_ = 0;
};

} // namespace disp
