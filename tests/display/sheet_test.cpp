#include "display/gdi.h"
#include "display/recording_device.h"
#include "display/sheet.h"
#include "display/viewport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace disp {
namespace {

struct Win : DrawWindow {
  Device* d;
  int released = 0;
  explicit Win(Device* dev) : d(dev) {}
  Device* beginPaint() override { return d; }
  void endPaint() override {}
  Device* getDc() override { return d; }
  void releaseDc() override { ++released; }
};

struct Sheet : ::testing::Test {
  RecordingDevice dev;
  Win win{&dev};
  void SetUp() override {
    gdi_ResetAll();
    gdi_SetCurrent(&dev, &win);
    DrawView v;
    v.clientW = 400;
    v.clientH = 300;
    setCurrentView(v);
  }
  void TearDown() override {
    gdi_SetCurrent(nullptr, nullptr);
    gdi_ResetAll();
  }
  void zoom(float z) { gdi_SetZoom(&z); }
};

TEST_F(Sheet, GridDotsFollowTheZoom) {
  ws_DrawGrid(50, 5);
  auto dots = dev.withPrefix("pixel");
  EXPECT_FALSE(dots.empty());
  EXPECT_EQ(dots[0], "pixel 50,5 0,0,0");
  EXPECT_EQ(dev.withPrefix("polyline").size(), 2u);  // the two sheet edges

  // 0.7: the major step scales to 35: only the major positions.
  zoom(0.7f);
  dev.clear();
  ws_DrawGrid(50, 5);
  dots = dev.withPrefix("pixel");
  ASSERT_FALSE(dots.empty());
  EXPECT_EQ(dots[0], "pixel 35,35 0,0,0");
  EXPECT_EQ(dots[1], "pixel 35,70 0,0,0");

  // 0.3: 15, no dots at all, but the edges.
  zoom(0.3f);
  dev.clear();
  ws_DrawGrid(50, 5);
  EXPECT_TRUE(dev.withPrefix("pixel").empty());
  EXPECT_EQ(dev.withPrefix("polyline").size(), 2u);

  DrawView v = currentView();
  v.printing = true;
  setCurrentView(v);
  dev.clear();
  ws_DrawGrid(50, 5);
  EXPECT_TRUE(dev.calls.empty());
}

TEST_F(Sheet, TiledTextOnlyWithAText) {
  ws_DrawSheetBackgroundText();
  EXPECT_TRUE(dev.withPrefix("text").empty());
  DrawView v = currentView();
  v.tiledText = "DEMO";
  setCurrentView(v);
  ws_DrawSheetBackgroundText();
  auto t = dev.withPrefix("text");
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(dev.withPrefix("textcolor")[0], "textcolor 208,208,208");
  EXPECT_EQ(dev.withPrefix("font")[0], "font 72 rot 450 Arial");
  EXPECT_EQ(dev.withPrefix("clip")[0], "clip 0,0,1600,1130");
}

TEST_F(Sheet, EditedGateIsLeftOutWhileMoving) {
  model::GateRecord a{}, b{};
  a.Kind = 70;
  b.Kind = 71;
  b.X = 100;
  a.Next = &b;
  DrawView v = currentView();
  v.editorState = 6;
  v.editedGate = &b;
  setCurrentView(v);
  ws_DrawSheet(&a, nullptr);
  auto texts = dev.withPrefix("text");
  bool sawS = false, sawT = false;
  for (auto& t : texts) {
    sawS |= t.find("\"S\"") != std::string::npos;
    sawT |= t.find("\"T\"") != std::string::npos;
  }
  EXPECT_TRUE(sawS);
  EXPECT_FALSE(sawT);
}

TEST(Viewport, PermilleScrollClampAndStatus) {
  ViewFields f;
  vp_SetDocumentView(&f);
  vp_UnitInit();
  vp_StartView();
  EXPECT_EQ(vp_PermilleOf(0, 1024, 0), 0);
  EXPECT_EQ(vp_PermilleOf(512, 1024, 0), 500);
  EXPECT_EQ(vp_PermilleOf(5, 0, 0), 1);
  f.maxX = 600;
  vp_ScrollToPermille(true, 1000);
  EXPECT_EQ(f.scrollX, 600);
  f.scrollX = -5;
  vp_ClampScroll();
  EXPECT_EQ(f.scrollX, 0);
  ui_SetStatusText(std::string(70, 'p'), std::string(10, 'f'));
  EXPECT_EQ(ui_StatusText().size(), 73u);
  // Nested resets need as many restores.
  int base = vp_Nesting();
  vp_ResetView();
  vp_ResetView();
  vp_RestoreView();
  EXPECT_EQ(vp_Nesting(), base + 1);
  vp_RestoreView();
  EXPECT_EQ(vp_Nesting(), base);
  vp_SetDocumentView(nullptr);
}

TEST(Viewport, DragMarkerInvertsAndRestores) {
  gdi_ResetAll();
  RecordingDevice dev;
  Win win{&dev};
  drg_UpdateDragMarker(&win, 0, 30, 40, 100, 80);
  EXPECT_TRUE(drg_MarkerShown());
  auto bitmaps = dev.withPrefix("bitmap");
  ASSERT_EQ(bitmaps.size(), 2u);
  EXPECT_EQ(bitmaps[0].rfind("bitmap 1,40,101,41 src 100x1 rop 330008", 0), 0u);
  EXPECT_EQ(bitmaps[1].rfind("bitmap 30,1,31,81 src 1x80 rop 330008", 0), 0u);
  dev.clear();
  drg_UpdateDragMarker(&win, 2, 0, 0, 100, 80);
  EXPECT_FALSE(drg_MarkerShown());
  bitmaps = dev.withPrefix("bitmap");
  ASSERT_EQ(bitmaps.size(), 2u);
  EXPECT_NE(bitmaps[0].find("rop cc0020"), std::string::npos);
}

} // namespace
} // namespace disp
