#include "display/gdi.h"
#include "display/qt_device.h"
#include "display/viewport.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace disp {
namespace {

struct ImageWindow : DrawWindow {
  QImage image{200, 140, QImage::Format_RGB32};
  std::unique_ptr<QtDevice> dev;
  ImageWindow() { image.fill(Qt::white); }
  Device* beginPaint() override {
    dev = std::make_unique<QtDevice>(&image);
    return dev.get();
  }
  void endPaint() override { dev.reset(); }
  Device* getDc() override { return beginPaint(); }
  void releaseDc() override { dev.reset(); }
  std::unique_ptr<Device> createBitmapDevice(int w, int h) override { return std::make_unique<QtDevice>(w, h); }
  bool ink(int x, int y) const { return (image.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu; }
  // Inked pixels inside a box (inclusive).
  int inkIn(int l, int t, int r, int b) const {
    int n = 0;
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) n += ink(x, y);
    return n;
  }
};

// The picture a test drew through the layer on a fresh image window.
template <class F> void drawOn(ImageWindow& w, F&& draw) {
  gdi_ResetAll();
  ASSERT_EQ(gdi_BeginPaint(&w), 1);
  draw();
  gdi_EndPaint();
}

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

TEST(QtDevice, ArcsRunCounterclockwiseAndElliptically) {
  QGuiApplication app(argc, argv);
  // 0..90 degrees: the upper right quarter only.
  ImageWindow quarter;
  drawOn(quarter, [] { gdi_Arc(100, 70, 40, 40, 0, 900); });
  EXPECT_GT(quarter.inkIn(101, 25, 145, 69), 30);
  EXPECT_EQ(quarter.inkIn(50, 25, 98, 69), 0);   // upper left
  EXPECT_EQ(quarter.inkIn(50, 72, 145, 120), 0);  // lower half
  // 0..45 degrees on rx 80, ry 20: it ends where the 45-degree ray meets the
  // ellipse, near (119, 51) for the centre (100, 70), not at (155, 55).
  ImageWindow ellipse;
  drawOn(ellipse, [] { gdi_Arc(100, 70, 80, 20, 0, 450); });
  EXPECT_GT(ellipse.inkIn(115, 47, 123, 55), 0);
  EXPECT_EQ(ellipse.inkIn(100, 45, 112, 60), 0);  // not beyond the end point
  EXPECT_GT(ellipse.inkIn(170, 60, 181, 71), 0);  // starts at the right vertex
  EXPECT_EQ(ellipse.inkIn(20, 40, 99, 100), 0);
}

TEST(QtDevice, LinesLeaveOutTheirLastPixelAndTextIsAnchoredTopLeft) {
  QGuiApplication app(argc, argv);
  ImageWindow w;
  drawOn(w, [] {
    const Pt16 h[2] = {{10, 10}, {50, 10}};
    gdi_Polyline(2, h);
    const Pt16 v[3] = {{10, 30}, {10, 60}, {40, 60}};
    gdi_Polyline(3, v);
    // Upward and leftward too: the end point is left out, the start drawn.
    const Pt16 up[2] = {{60, 50}, {60, 40}};
    gdi_Polyline(2, up);
    const Pt16 left[2] = {{90, 20}, {70, 20}};
    gdi_Polyline(2, left);
    gdi_SelectFont(3);
    gdi_Text(100, 62, "H");  // the layer places it 12 higher: top at 50
  });
  EXPECT_TRUE(w.ink(49, 10));
  EXPECT_FALSE(w.ink(50, 10));
  EXPECT_TRUE(w.ink(10, 59));
  EXPECT_TRUE(w.ink(39, 60));
  EXPECT_FALSE(w.ink(40, 60));
  EXPECT_TRUE(w.ink(60, 50));
  EXPECT_TRUE(w.ink(60, 41));
  EXPECT_FALSE(w.ink(60, 40));
  EXPECT_TRUE(w.ink(90, 20));
  EXPECT_TRUE(w.ink(71, 20));
  EXPECT_FALSE(w.ink(70, 20));
  // Nothing of the text above its top-left corner, ink below and right of it.
  EXPECT_EQ(w.inkIn(95, 30, 130, 49), 0);
  EXPECT_EQ(w.inkIn(80, 50, 99, 80), 0);
  EXPECT_GT(w.inkIn(100, 50, 125, 74), 10);
}

TEST(QtDevice, BitmapsStretchAndCombineByRasterOperation) {
  QGuiApplication app(argc, argv);
  ImageWindow w;
  // 2 x 2: red, green / blue, black.
  const std::uint32_t px[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
  drawOn(w, [&] {
    Device* dc = gdi_CurrentDevice();
    dc->drawBitmap(10, 10, 40, 20, 2, 2, px, kSrcCopy, nullptr);
    gdi_SetFillColor(6);  // yellow under the "and"
    gdi_FillRect({60, 10}, {80, 30});
    dc->drawBitmap(60, 10, 20, 20, 2, 2, px, kSrcAnd, nullptr);
    dc->drawBitmap(100, 10, 20, 20, 2, 2, px, kNotSrcCopy, nullptr);
    const Rgb key{0, 0, 0};
    dc->drawBitmap(140, 10, 20, 20, 2, 2, px, kSrcCopy, &key);
  });
  EXPECT_EQ(w.image.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_EQ(w.image.pixelColor(49, 10), QColor(0, 255, 0));  // stretched to 40 wide
  EXPECT_EQ(w.image.pixelColor(49, 29), QColor(0, 0, 0));
  EXPECT_EQ(w.image.pixelColor(10, 29), QColor(0, 0, 255));
  EXPECT_EQ(w.image.pixelColor(50, 10), QColor(255, 255, 255));
  EXPECT_EQ(w.image.pixelColor(61, 11), QColor(255, 0, 0));   // yellow and red
  EXPECT_EQ(w.image.pixelColor(79, 11), QColor(0, 255, 0));   // yellow and green
  EXPECT_EQ(w.image.pixelColor(61, 29), QColor(0, 0, 0));     // yellow and blue
  EXPECT_EQ(w.image.pixelColor(101, 11), QColor(0, 255, 255));  // not red
  EXPECT_EQ(w.image.pixelColor(119, 29), QColor(255, 255, 255));  // not black
  EXPECT_EQ(w.image.pixelColor(159, 29), QColor(255, 255, 255));  // the key colour left out
  EXPECT_EQ(w.image.pixelColor(141, 11), QColor(255, 0, 0));
}

TEST(QtDevice, FloodFillRunsThroughAGapAndKeepsTheClip) {
  QGuiApplication app(argc, argv);
  ImageWindow w;
  drawOn(w, [] {
    // Two boxes joined by a gap in the wall between them.
    const Pt16 outer[5] = {{10, 10}, {110, 10}, {110, 60}, {10, 60}, {10, 10}};
    gdi_Polyline(5, outer);
    const Pt16 wall1[2] = {{60, 10}, {60, 30}};
    const Pt16 wall2[2] = {{60, 34}, {60, 61}};
    gdi_Polyline(2, wall1);
    gdi_Polyline(2, wall2);
    gdi_SetFillColor(3);
    gdi_FloodFill(20, 20, 1);
    // Clipped: a fill of a box reaches only the clip rectangle.
    const Pt16 box[5] = {{130, 70}, {190, 70}, {190, 130}, {130, 130}, {130, 70}};
    gdi_Polyline(5, box);
    gdi_CurrentDevice()->setClip(true, 131, 71, 160, 100);
    gdi_SetFillColor(12);
    gdi_FloodFill(140, 80, 1);
    gdi_CurrentDevice()->setClip(false, 0, 0, 0, 0);
  });
  EXPECT_EQ(w.image.pixelColor(100, 50), QColor(0, 128, 0));  // through the gap
  EXPECT_EQ(w.image.pixelColor(60, 32), QColor(0, 128, 0));
  EXPECT_EQ(w.image.pixelColor(60, 20), QColor(0, 0, 0));
  EXPECT_EQ(w.image.pixelColor(5, 5), QColor(255, 255, 255));
  EXPECT_EQ(w.image.pixelColor(159, 99), QColor(0, 0, 255));
  EXPECT_EQ(w.image.pixelColor(170, 110), QColor(255, 255, 255));  // outside the clip
}

TEST(QtDevice, WindowAreasSaveBlitAndRenderToBitmaps) {
  QGuiApplication app(argc, argv);
  ImageWindow w;
  drawOn(w, [] {
    gdi_SetFillColor(2);
    gdi_FillRect({10, 10}, {20, 20});
  });
  gdi_ResetAll();
  auto saved = drw_SaveWindowArea(&w, 10, 10, 10, 10);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->pixels[0], 0xFF0000u);
  EXPECT_TRUE(drw_BlitBitmap(&w, saved.get(), 50, 50));
  EXPECT_EQ(w.image.pixelColor(55, 55), QColor(255, 0, 0));
  EXPECT_TRUE(drw_BlitBitmapNot(&w, saved.get(), 70, 50));
  EXPECT_EQ(w.image.pixelColor(75, 55), QColor(0, 255, 255));
  EXPECT_FALSE(drw_BlitBitmap(&w, nullptr, 0, 0));
  // An item drawn off-screen through the layer; the window's image is untouched.
  auto drawnOff = drw_RenderToBitmap(&w, 30, 20, [] {
    gdi_SetFillColor(12);
    gdi_FillRect({0, 0}, {10, 10});
  });
  ASSERT_NE(drawnOff, nullptr);
  EXPECT_EQ(drawnOff->pixels[0], 0x0000FFu);
  EXPECT_EQ(drawnOff->pixels[29], 0xFFFFFFu);
  EXPECT_EQ(gdi_CurrentDevice(), nullptr);
  EXPECT_TRUE(drw_BlitBitmapAnd(&w, drawnOff.get(), 10, 10));
  EXPECT_EQ(w.image.pixelColor(12, 12), QColor(0, 0, 0));  // red and blue
  // The frame area comes back with mouse shape 2.
  EXPECT_TRUE(drg_SaveFrameArea(&w, 50, 50, 10, 10));
  EXPECT_TRUE(drg_FrameAreaSaved());
  drawOn(w, [] {
    gdi_SetFillColor(0);
    gdi_FillRect({50, 50}, {60, 60});
  });
  ws_BlitSavedBackground();
  EXPECT_FALSE(drg_FrameAreaSaved());
  EXPECT_EQ(w.image.pixelColor(55, 55), QColor(255, 0, 0));
  EXPECT_EQ(gdi_GetMouseShape(), 2);
  gdi_ResetAll();
}

} // namespace
// Lines, pixels and opaque texts are written into an image's bits directly;
// the same calls on a device that only paints must give the same pixels.
TEST(QtDevice, DirectWritesDrawWhatThePainterDraws) {
  QGuiApplication app(argc, argv);
  auto scene = [](Device& d) {
    FontSpec f;
    f.height = 12;
    d.setFont(f);
    d.setPen(PenSpec{PenStyle::Solid, 1, {0, 0, 0}});
    const P32 frame[10] = {{10, 10}, {60, 10}, {60, 40}, {10, 40}, {10, 10},
                           {11, 11}, {59, 11}, {59, 39}, {11, 39}, {11, 11}};
    d.polyline(frame, 5);
    const P32 back[4] = {{80, 30}, {80, 5}, {70, 5}, {70, 30}};
    d.polyline(back, 4);
    const P32 edge[3] = {{-5, 130}, {205, 130}, {205, 150}};
    d.polyline(edge, 3);
    const P32 mixed[4] = {{100, 10}, {120, 10}, {130, 25}, {130, 40}};
    d.polyline(mixed, 4);
    const P32 dots[3] = {{5, 5}, {199, 139}, {250, 10}};
    d.setPixels(dots, 3, Rgb{0, 0, 0});
    d.setOpaqueText(true);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass from the kept cells
      d.setTextColor(Rgb{0, 0, 0});
      d.textOut(20, 50 + 30 * pass, "10110");
      d.textOut(190, 100, "MUL");  // past the right edge
      d.setTextColor(Rgb{255, 0, 0});
      d.textOut(70, 50 + 30 * pass, "0");
      d.setClip(true, 100, 60, 130, 70);
      d.textOut(95, 55 + 20 * pass, "SUM");  // cut by the clip
      d.setClip(false, 0, 0, 0, 0);
    }
    d.setOpaqueText(false);
    d.textOut(140, 10, "T:");
    const P32 after[2] = {{140, 30}, {180, 30}};  // the line pen again after a text
    d.polyline(after, 2);
    d.setPen(PenSpec{PenStyle::Solid, 1, {0, 0, 255}});
    const P32 blue[2] = {{140, 34}, {140, 60}};
    d.polyline(blue, 2);
  };
  QImage direct(200, 140, QImage::Format_RGB32), painted(200, 140, QImage::Format_RGB32);
  direct.fill(Qt::white);
  painted.fill(Qt::white);
  {
    QtDevice d(&direct);
    scene(d);
  }
  {
    QtDevice d(static_cast<QPaintDevice*>(&painted));
    scene(d);
  }
  int differ = 0;
  for (int y = 0; y < direct.height(); ++y)
    for (int x = 0; x < direct.width(); ++x) differ += direct.pixel(x, y) != painted.pixel(x, y);
  EXPECT_EQ(differ, 0);
  int inked = 0;
  for (int y = 0; y < direct.height(); ++y)
    for (int x = 0; x < direct.width(); ++x) inked += (direct.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
  EXPECT_GT(inked, 300);
}

} // namespace disp
