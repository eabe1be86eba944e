#include "recorder/trendwindow.h"

#include "display/gdi.h"
#include "display/qt_device.h"
#include "recorder/trend.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <memory>

namespace rec {

TrendWindow::TrendWindow(Recorder& r, QWidget* parent) : WorksheetCanvas(parent), r_(r) {
  setWindowKind(5);
  setFocusPolicy(Qt::StrongFocus);
}

TrendWindow::~TrendWindow() {
  if (tr_ActiveRecorder() == &r_) tr_SetActiveRecorder(nullptr);
}

void TrendWindow::activate() {
  tr_SetActiveRecorder(&r_, [this](double t) { sample(t); });
}

template <class F> void TrendWindow::drawing(F&& f) {
  disp::Device* prevDev = disp::gdi_CurrentDevice();
  disp::DrawWindow* prevWin = disp::gdi_CurrentWindow();
  if (disp::gdi_BeginPaint(this)) {
    f();
    disp::gdi_EndPaint();
  }
  disp::gdi_SetCurrent(prevDev, prevWin);
}

void TrendWindow::fullRedraw() {
  tr_SetClientSize(r_, width(), height());
  drawing([&] {
    tr_PaintTrend(r_);
    r_.recSampleTime = -1.0;
    tr_RecorderAccess(r_, false, 4, 0.0);
    tr_RecorderAccess(r_, true, 1, r_.recLastTime);
  });
  r_.redrawRequest = false;
}

void TrendWindow::sample(double time) {
  drawing([&] { tr_AfterAcceptedStep(r_, time); });
}

void TrendWindow::drawSamples(const double* times, const double* const* values, int count) {
  drawing([&] {
    for (int i = 0; i < count; ++i) {
      r_.writeTime = times[i];
      tr_DrawSample(r_, true, times[i], values[i]);
      for (std::size_t c = 0; c < r_.channels.size(); ++c) r_.channels[c]->lastValue = values[i][c];
      r_.recLastDrawnTime = times[i];
    }
  });
}

void TrendWindow::resizeEvent(QResizeEvent* event) {
  WorksheetCanvas::resizeEvent(event);
  fullRedraw();
}

void TrendWindow::mousePressEvent(QMouseEvent* event) {
  if (tr_CursorReadout(r_, int(event->position().x()), int(event->position().y())) && onStatus)
    onStatus(r_.statusText);
}

void TrendWindow::keyPressEvent(QKeyEvent* event) {
  bool shown = false;
  switch (event->key()) {
  case Qt::Key_Left: shown = tr_ReadoutStep(r_, -1); break;
  case Qt::Key_Right: shown = tr_ReadoutStep(r_, 1); break;
  case Qt::Key_Up: shown = tr_ReadoutSwitch(r_, 1); break;
  case Qt::Key_Down: shown = tr_ReadoutSwitch(r_, -1); break;
  default: WorksheetCanvas::keyPressEvent(event); return;
  }
  if (shown && onStatus) onStatus(r_.statusText);
}

namespace {

class ImageWindow : public disp::DrawWindow {
public:
  explicit ImageWindow(QImage* img) : image_(img) {}
  disp::Device* beginPaint() override {
    dev_ = std::make_unique<disp::QtDevice>(image_);
    return dev_.get();
  }
  void endPaint() override { dev_.reset(); }
  disp::Device* getDc() override { return beginPaint(); }
  void releaseDc() override { dev_.reset(); }
  int windowKind() const override { return 5; }

private:
  QImage* image_;
  std::unique_ptr<disp::QtDevice> dev_;
};

} // namespace

QImage renderTrend(Recorder& r, int width, int height, const std::function<void()>& more) {
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(Qt::white);
  ImageWindow win(&img);
  tr_SetClientSize(r, width, height);
  if (disp::gdi_BeginPaint(&win)) {
    tr_PaintTrend(r);
    if (more) more();
    disp::gdi_EndPaint();
  }
  return img;
}

} // namespace rec
