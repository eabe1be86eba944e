#include "display/gdi.h"
#include "display/recording_device.h"

#include <gtest/gtest.h>

namespace disp {
namespace {

struct TestWindow : DrawWindow {
  RecordingDevice* dev;
  int kind = 0;
  bool data = true;
  explicit TestWindow(RecordingDevice* d) : dev(d) {}
  Device* beginPaint() override { return dev; }
  void endPaint() override { dev->calls.push_back("endpaint"); }
  Device* getDc() override { return dev; }
  void releaseDc() override { dev->calls.push_back("release"); }
  int windowKind() const override { return kind; }
  bool hasWindowData() const override { return data; }
};

struct Hooks : ShellHooks {
  std::vector<int> cursors;
  int help = 0;
  bool isBusy = false;
  void setCursor(int c) override { cursors.push_back(c); }
  int helpContext() const override { return help; }
  void setHelpContext(int c) override { help = c; }
  bool busy() const override { return isBusy; }
};

struct Gdi : ::testing::Test {
  RecordingDevice dev;
  TestWindow win{&dev};
  std::vector<int> messages;
  void SetUp() override {
    gdi_ResetAll();
    gdi_SetMessageHandler([this](int id) { messages.push_back(id); });
    ASSERT_EQ(gdi_BeginPaint(&win), 1);
    dev.clear();
  }
  void TearDown() override {
    gdi_SetCurrent(nullptr, nullptr);
    gdi_SetMessageHandler(nullptr);
    gdi_SetShellHooks(nullptr);
    gdi_ResetAll();
  }
  void zoom(float z) { gdi_SetZoom(&z); }
};

TEST_F(Gdi, ZoomClampAndScalingWindow) {
  zoom(0.1f);
  EXPECT_FLOAT_EQ(gdi_GetZoom(), 0.3f);
  zoom(25.f);
  EXPECT_FLOAT_EQ(gdi_GetZoom(), 10.f);
  zoom(1.01f);
  EXPECT_FALSE(gdi_Attributes().scaling);
  EXPECT_EQ(gdi_ScaleX(100), 100);
  zoom(1.03f);
  EXPECT_TRUE(gdi_Attributes().scaling);
  EXPECT_EQ(gdi_ScaleX(100), 103);
  // Rounded, half away from zero.
  zoom(1.5f);
  EXPECT_EQ(gdi_ScaleX(3), 5);
  EXPECT_EQ(gdi_ScaleY(-3), -5);
  EXPECT_EQ(mulDiv(5, 1, 2), 3);
  EXPECT_EQ(mulDiv(-5, 1, 2), -3);
  EXPECT_EQ(mulDiv(1, 1, 0), -1);
}

TEST_F(Gdi, SameZoomKeepsFontsOtherZoomRecreates) {
  zoom(2.0f);
  gdi_SelectFont(1);
  int fonts = gdi_Counts().fonts;
  EXPECT_EQ(dev.withPrefix("font").back(), "font 24 rot 0 Arial");
  zoom(2.0f);
  gdi_SelectFont(1);
  EXPECT_EQ(gdi_Counts().fonts, fonts);
  zoom(0.5f);
  gdi_SelectFont(1);
  EXPECT_EQ(gdi_Counts().fonts, fonts + 1);
  EXPECT_EQ(dev.withPrefix("font").back(), "font 6 rot 0 Arial");
}

TEST_F(Gdi, PensStylesAndRefusals) {
  EXPECT_EQ(gdi_SelectPen(2, 2, 1), 0);  // width 3, type 2: solid
  EXPECT_EQ(dev.calls.back(), "pen solid 3 0,0,0");
  EXPECT_EQ(gdi_SelectPen(6, 0, 1), 0);  // width 1, type 6: invisible
  EXPECT_EQ(dev.calls.back(), "pen null 1 0,0,0");
  EXPECT_EQ(gdi_SelectPen(2, 9, 2), 0);  // width index above 5 is 5
  EXPECT_EQ(dev.calls.back(), "pen solid 6 255,0,0");
  auto before = gdi_Attributes();
  EXPECT_EQ(gdi_SetLineColor(24), 1);
  EXPECT_EQ(gdi_SetLineColor(-1), 1);
  EXPECT_EQ(gdi_SelectPen(7, 0, 1), 1);
  EXPECT_EQ(gdi_SelectPen(0, -1, 1), 1);
  EXPECT_EQ(gdi_Attributes().lineColor, before.lineColor);
  EXPECT_EQ(gdi_SetFillColor(24), 1);
  EXPECT_EQ(gdi_SetFillColor(-3), 1);
  // Pens are created once per key.
  int pens = gdi_Counts().pens;
  gdi_SelectPen(2, 2, 1);
  EXPECT_EQ(gdi_Counts().pens, pens);
}

TEST_F(Gdi, ColorTable) {
  EXPECT_EQ(gdi_ColorIndexToRgb(0), (Rgb{255, 255, 255}));
  EXPECT_EQ(gdi_ColorIndexToRgb(1), (Rgb{0, 0, 0}));
  EXPECT_EQ(gdi_ColorIndexToRgb(14), (Rgb{220, 220, 0}));
  EXPECT_EQ(gdi_ColorIndexToRgb(23), (Rgb{0, 255, 0}));
  EXPECT_EQ(gdi_ColorIndexToRgb(24), (Rgb{0, 0, 0}));
  EXPECT_EQ(gdi_ColorIndexToRgb(-1), (Rgb{0, 0, 0}));
}

TEST_F(Gdi, TextHeightClasses) {
  struct Case { int h, cls, cw, ch; };
  const Case cases[] = {{9, 0, 5, 10}, {10, 1, 6, 12}, {11, 1, 6, 12}, {12, 1, 6, 12},
                        {13, 2, 9, 19}, {20, 2, 9, 19}, {21, 3, 12, 24}, {99, 3, 12, 24}};
  for (const auto& c : cases) {
    int w, h, cw, ch;
    gdi_SetTextHeight(c.h, &w, &h, &cw, &ch);
    EXPECT_EQ(gdi_Attributes().textClass, c.cls) << c.h;
    EXPECT_EQ(cw, c.cw) << c.h;
    EXPECT_EQ(ch, c.ch) << c.h;
  }
}

TEST_F(Gdi, TextCutToWidthLimit) {
  gdi_SelectFont(1);  // recorded font 12 high: 6 units per character
  gdi_Text(10, 30, "Hello");
  EXPECT_EQ(dev.calls.back(), "text 10,18 \"Hello\"");
  gdi_SetTextWidthLimit(40);
  gdi_Text(10, 30, "A long label text");
  EXPECT_EQ(dev.calls.back(), "text 10,18 \"A l...\"");
  gdi_Text(10, 30, "Short");
  EXPECT_EQ(dev.calls.back(), "text 10,18 \"Short\"");
  gdi_SetTextWidthLimit(0);
  gdi_Text(10, 30, "A long label text");
  EXPECT_EQ(dev.calls.back(), "text 10,18 \"A long label text\"");
}

TEST_F(Gdi, PolylineArrowHeadsAndLimit) {
  gdi_SetLineColor(2);
  gdi_SetLineEnds(1, 1);
  Pt16 pts[3] = {{10, 10}, {50, 10}, {50, 40}};
  dev.clear();
  gdi_Polyline(3, pts);
  auto polys = dev.withPrefix("polygon");
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0], "polygon 4: 16,8 10,10 16,12 16,8");    // runs on towards larger x
  EXPECT_EQ(polys[1], "polygon 4: 48,34 50,40 52,34 48,34");  // last point, line comes from above
  EXPECT_EQ(dev.withPrefix("brush")[0], "brush 255,0,0");     // heads in the line colour
  EXPECT_EQ(dev.calls.back(), "polyline 3: 10,10 50,10 50,40");
  // A diagonal segment gets no head.
  Pt16 diag[2] = {{0, 0}, {10, 10}};
  dev.clear();
  gdi_Polyline(2, diag);
  EXPECT_TRUE(dev.withPrefix("polygon").empty());

  std::vector<Pt16> many(513, Pt16{1, 1});
  dev.clear();
  gdi_Polyline(513, many.data());
  EXPECT_TRUE(dev.withPrefix("polyline").empty());
  EXPECT_EQ(messages, std::vector<int>{50035});
  gdi_Markers(513, many.data());
  EXPECT_TRUE(dev.withPrefix("pixel").empty());
  EXPECT_EQ(messages.size(), 2u);
  gdi_FillArea(513, many.data());
  EXPECT_EQ(messages.size(), 3u);
}

TEST_F(Gdi, ArcQuarterPoints) {
  // 0 to 900 tenths: from the right to the top, the upper right quarter.
  gdi_Arc(100, 100, 20, 20, 0, 900);
  EXPECT_EQ(dev.calls.back(), "arc 80,80,120,120 from 120,100 to 100,80");
  EXPECT_EQ(gdi_ArcPoint(0, 0, 10, 450), (P32{9, -10}));
  EXPECT_EQ(gdi_ArcPoint(0, 0, 10, 1800), (P32{-10, 0}));
  EXPECT_EQ(gdi_ArcPoint(0, 0, 10, 2700), (P32{0, 10}));
  EXPECT_EQ(gdi_ArcPoint(0, 0, 10, 3600 + 900), gdi_ArcPoint(0, 0, 10, 900));
}

TEST_F(Gdi, FillsSwitchTheLineColourAndRestoreIt) {
  gdi_SetLineColor(2);
  gdi_SetFillColor(12);
  dev.clear();
  gdi_Bar({0, 0}, {10, 10});
  EXPECT_EQ(dev.calls[0], "pen solid 1 0,0,255");
  EXPECT_EQ(dev.calls[1], "rectangle 0,0,10,10");
  EXPECT_EQ(dev.calls[2], "pen solid 1 255,0,0");
  EXPECT_EQ(gdi_Attributes().lineColor, 2);
}

TEST_F(Gdi, RoundedFrameAndBox) {
  gdi_RoundedFrame({0, 0}, {40, 20});
  // d = min(40/4, 20/4) = 5, half 2
  EXPECT_EQ(dev.calls[0], "polyline 2: 2,0 38,0");
  EXPECT_EQ(dev.calls[4], "arc 35,0,40,5 from 40,2 to 38,0");
  gdi_RoundedBox({0, 0}, {40, 20});
  EXPECT_EQ(dev.calls.back(), "roundrect 0,0,40,20 10x5");
}

TEST_F(Gdi, NothingDrawnWithoutAWindow) {
  gdi_EndPaint();
  dev.clear();
  Pt16 pts[2] = {{0, 0}, {5, 0}};
  gdi_Polyline(2, pts);
  gdi_Text(0, 0, "x");
  gdi_Circle(0, 0, 5);
  EXPECT_TRUE(dev.calls.empty());
  // Attributes still change.
  EXPECT_EQ(gdi_SetLineColor(3), 0);
  EXPECT_EQ(gdi_Attributes().lineColor, 3);
  EXPECT_EQ(gdi_SetWriteMode(2), 1);  // needs a context
}

TEST_F(Gdi, MouseShapes) {
  Hooks h;
  gdi_SetShellHooks(&h);
  EXPECT_EQ(gdi_SetMouseShape(16), -1);
  EXPECT_EQ(h.cursors.back(), 109);
  EXPECT_EQ(h.help, 611);
  EXPECT_EQ(gdi_SetMouseShape(16), 16);  // already current: nothing happens
  EXPECT_EQ(h.cursors.size(), 1u);
  win.kind = 6;
  gdi_SetMouseShape(1);
  EXPECT_EQ(h.cursors.back(), 0);
  EXPECT_EQ(h.help, 621);
  gdi_SetMouseShape(24);
  EXPECT_EQ(h.cursors.size(), 2u);
  h.isBusy = true;
  gdi_SetMouseShape(2);
  EXPECT_EQ(h.cursors.back(), 112);
  gdi_SetMouseShape(40);
  EXPECT_EQ(gdi_GetMouseShape(), 40);
  EXPECT_EQ(h.cursors.size(), 3u);
}

TEST_F(Gdi, RotationRecreatesFonts) {
  gdi_SelectFont(1);
  int fonts = gdi_Counts().fonts;
  gdi_SetTextRotation(900);
  EXPECT_EQ(gdi_Counts().fonts, fonts + 1);
  EXPECT_EQ(dev.withPrefix("font").back(), "font 12 rot 900 Arial");
  gdi_SetTextRotation(900);
  EXPECT_EQ(gdi_Counts().fonts, fonts + 1);
}

} // namespace
} // namespace disp

#include "display/vdi.h"

namespace disp {
namespace {

TEST(Bits, OperationsAndMasks) {
  std::uint16_t w = 32768;
  EXPECT_TRUE(bit_Test(w, 15));
  EXPECT_FALSE(bit_Test(w, 16));
  EXPECT_FALSE(bit_Test(w, -1));
  EXPECT_EQ(bit_AndNot(0xFFFF, 0x00FF), 0xFF00);
  bit_Set(w, 0);
  EXPECT_EQ(w, 32769);
  bit_Clear(w, 15);
  bit_Set(w, 16);  // out of range: no effect
  EXPECT_EQ(w, 1);
  EXPECT_EQ(bit_Xor(0x0F0F, 0x00FF), 0x0FF0);
  EXPECT_EQ(mask::bit(15), 32768);
  EXPECT_EQ(mask::low(1), 3);
  EXPECT_EQ(mask::low(15), 65535);
}

TEST_F(Gdi, VectorCallsReachTheLayer) {
  std::int16_t c = 123;
  vdi_UnitInitZoom();
  vdi_ScaleCoord(c);
  EXPECT_EQ(c, 123);
  vdi_Text(0, 5, 20, "abc");
  std::string plain = dev.calls.back();
  vdi_JustifiedText(0, 5, 20, "abc", 2, 1);
  EXPECT_EQ(dev.calls.back(), plain);
  vdi_RoundBox(0, VdiRect{0, 0, 40, 20});
  EXPECT_EQ(dev.calls.back().rfind("arc", 0), 0u);
  TextHeights th;
  vdi_UnitInit(th);
  vdi_SetTextHeights(th);
  EXPECT_EQ(th.current[0].cellHeight, 19);
  EXPECT_EQ(th.current[1].cellHeight, 12);
  EXPECT_EQ(th.current[2].cellHeight, 10);
}

} // namespace
} // namespace disp
