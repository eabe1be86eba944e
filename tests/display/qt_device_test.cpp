#include "display/gdi.h"
#include "display/qt_device.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace disp {
namespace {

struct ImageWindow : DrawWindow {
  QImage image{100, 60, QImage::Format_RGB32};
  std::unique_ptr<QtDevice> dev;
  ImageWindow() { image.fill(Qt::white); }
  Device* beginPaint() override {
    dev = std::make_unique<QtDevice>(&image);
    return dev.get();
  }
  void endPaint() override { dev.reset(); }
  Device* getDc() override { return beginPaint(); }
  void releaseDc() override { dev.reset(); }
};

int argc = 1;
char arg0[] = "display_qt_test";
char* argv[] = {arg0, nullptr};

TEST(QtDevice, RectanglesExcludeRightAndBottomAndFloodFillReadsBack) {
  QGuiApplication app(argc, argv);
  gdi_ResetAll();
  ImageWindow w;
  ASSERT_EQ(gdi_BeginPaint(&w), 1);
  gdi_SetLineColor(1);
  gdi_SetFillColor(0);
  Pt16 frame[5] = {{10, 10}, {40, 10}, {40, 40}, {10, 40}, {10, 10}};
  gdi_Polyline(5, frame);
  gdi_SetFillColor(2);
  gdi_FloodFill(20, 20, 1);
  gdi_SetFillColor(12);
  gdi_FillRect({50, 10}, {60, 20});
  gdi_EndPaint();

  EXPECT_EQ(w.image.pixelColor(20, 20), QColor(255, 0, 0));    // filled inside the frame
  EXPECT_EQ(w.image.pixelColor(10, 20), QColor(0, 0, 0));      // the frame stays
  EXPECT_EQ(w.image.pixelColor(5, 5), QColor(255, 255, 255));  // outside untouched
  EXPECT_EQ(w.image.pixelColor(50, 10), QColor(0, 0, 255));
  EXPECT_EQ(w.image.pixelColor(59, 19), QColor(0, 0, 255));
  EXPECT_EQ(w.image.pixelColor(60, 10), QColor(255, 255, 255));  // right edge excluded
  EXPECT_EQ(w.image.pixelColor(50, 20), QColor(255, 255, 255));  // bottom edge excluded
}

} // namespace
} // namespace disp
