// The worksheet canvas: drawing goes into its persistent image, the widget
// shows that image, and a resize keeps what was drawn.
#include "display/canvas.h"
#include "display/gdi.h"
#include "display/viewport.h"

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

// A window context taken while another is open (the drag marker during a
// redraw) shares the device; giving it back keeps the outer one usable.
TEST(WorksheetCanvas, NestedContextsShareOneDevice) {
  QApplication app(argc, argv);
  gdi_ResetAll();
  WorksheetCanvas canvas;
  canvas.resize(120, 80);
  ASSERT_EQ(gdi_GetWindowDc(&canvas), 1);
  Device* outer = gdi_CurrentDevice();
  drg_UpdateDragMarker(&canvas, 0, 30, 40, 100, 70);
  drg_UpdateDragMarker(&canvas, 2, 0, 0, 100, 70);
  EXPECT_EQ(canvas.getDc(), outer);
  canvas.releaseDc();
  gdi_SetLineColor(12);
  const Pt16 pts[2] = {{5, 60}, {50, 60}};
  gdi_Polyline(2, pts);
  gdi_ReleaseWindowDc();
  EXPECT_EQ(canvas.image().pixelColor(20, 60), QColor(0, 0, 255));
  // All given back: the next context is a fresh device that draws too.
  ASSERT_EQ(gdi_GetWindowDc(&canvas), 1);
  gdi_SetFillColor(2);
  gdi_FillRect({70, 10}, {80, 20});
  gdi_ReleaseWindowDc();
  EXPECT_EQ(canvas.image().pixelColor(75, 15), QColor(255, 0, 0));
  gdi_ResetAll();
}

} // namespace
} // namespace disp
