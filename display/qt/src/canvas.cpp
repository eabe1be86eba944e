#include "display/canvas.h"

#include <QPainter>
#include <QResizeEvent>

namespace disp {

WorksheetCanvas::WorksheetCanvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image_.fill(Qt::white);
}

WorksheetCanvas::~WorksheetCanvas() {
  if (gdi_CurrentWindow() == this) gdi_SetCurrent(nullptr, nullptr);
}

void WorksheetCanvas::clearImage() { image_.fill(Qt::white); }

// Contexts nest (a window context taken while another is open, such as the
// drag marker drawn during a redraw): all share one device, freed when the
// last one is given back.
Device* WorksheetCanvas::beginPaint() {
  if (!dev_) dev_ = std::make_unique<QtDevice>(&image_);
  ++depth_;
  return dev_.get();
}

void WorksheetCanvas::endPaint() {
  if (depth_ > 0 && --depth_ > 0) return;
  dev_.reset();
  update();
}

Device* WorksheetCanvas::getDc() { return beginPaint(); }

std::unique_ptr<Device> WorksheetCanvas::createBitmapDevice(int w, int h) { return std::make_unique<QtDevice>(w, h); }

void WorksheetCanvas::releaseDc() { endPaint(); }

void WorksheetCanvas::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.drawImage(event->rect().topLeft(), image_, event->rect());
}

void WorksheetCanvas::resizeEvent(QResizeEvent* event) {
  // The image keeps what it holds; new parts are white until redrawn.
  // While something draws into the image it stays as it is.
  const QSize s = event->size().expandedTo(QSize(1, 1));
  if (!dev_ && (s.width() > image_.width() || s.height() > image_.height())) {
    QImage bigger(s.expandedTo(image_.size()), QImage::Format_RGB32);
    bigger.fill(Qt::white);
    QPainter p(&bigger);
    p.drawImage(0, 0, image_);
    p.end();
    image_ = std::move(bigger);
  }
  QWidget::resizeEvent(event);
}

} // namespace disp
