#pragma once
// The trend window: a worksheet window (kind 5) whose persistent image the
// recorder's drawing goes into. A full redraw paints the window and replays
// the output; a sample after an accepted step draws one more piece; the
// mouse and the arrow keys give the read-out in the status line.
#include "display/canvas.h"
#include "recorder/recorder.h"

#include <QImage>
#include <functional>
#include <string>

namespace rec {

class TrendWindow : public disp::WorksheetCanvas {
public:
  explicit TrendWindow(Recorder& r, QWidget* parent = nullptr);
  ~TrendWindow() override;
  // Makes this window's recorder the one the simulation's steps feed.
  void activate();

  Recorder& recorder() { return r_; }
  // Paints everything anew (the full-redraw event of the window).
  void fullRedraw();
  // One sample at the logic's time, drawn into the window.
  void sample(double time);
  // Draws a sample set given as rows of time and channel values.
  void drawSamples(const double* times, const double* const* values, int count);
  // The status line (the read-out).
  std::function<void(const std::string&)> onStatus;

protected:
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  template <class F> void drawing(F&& f);
  Recorder& r_;
};

// Paints a recorder into an image of the given size through the same drawing
// code (golden images, the host program), then runs more drawing on it.
QImage renderTrend(Recorder& r, int width, int height, const std::function<void()>& more = {});

} // namespace rec
