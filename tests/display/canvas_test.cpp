// The worksheet canvas: drawing goes into its persistent image, the widget
// shows that image, and a resize keeps what was drawn.
#include "display/canvas.h"
#include "display/gdi.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace disp {
namespace {

int argc = 1;
char arg0[] = "display_canvas_test";
char* argv[] = {arg0, nullptr};

TEST(WorksheetCanvas, DrawsIntoItsImageAndShowsIt) {
  QApplication app(argc, argv);
  gdi_ResetAll();
  WorksheetCanvas canvas;
  canvas.resize(120, 80);
  ASSERT_EQ(gdi_BeginPaint(&canvas), 1);
  gdi_SetFillColor(12);
  gdi_FillRect({10, 10}, {30, 20});
  gdi_EndPaint();
  EXPECT_EQ(gdi_CurrentWindow(), nullptr);
  EXPECT_EQ(canvas.image().pixelColor(15, 15), QColor(0, 0, 255));
  // What the widget shows is the image.
  QImage shown = canvas.grab().toImage();
  EXPECT_EQ(shown.pixelColor(15, 15), QColor(0, 0, 255));
  EXPECT_EQ(shown.pixelColor(50, 50), QColor(255, 255, 255));
  // Growing keeps the drawing.
  canvas.resize(300, 200);
  QImage after = canvas.grab().toImage();
  EXPECT_EQ(after.pixelColor(15, 15), QColor(0, 0, 255));
  EXPECT_EQ(after.pixelColor(250, 150), QColor(255, 255, 255));
  gdi_ResetAll();
}

} // namespace
} // namespace disp
