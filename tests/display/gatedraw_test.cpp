#include "display/gatedraw.h"
#include "display/gatesym.h"
#include "display/gdi.h"
#include "display/recording_device.h"
#include "display/view.h"
#include "sample_sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace disp {
namespace {

using model::GateRecord;
using test::Sheet;

struct Win : DrawWindow {
  Device* d;
  explicit Win(Device* dev) : d(dev) {}
  Device* beginPaint() override { return d; }
  void endPaint() override {}
  Device* getDc() override { return d; }
  void releaseDc() override {}
};

struct GateDraw : ::testing::Test {
  RecordingDevice dev;
  Win win{&dev};
  Sheet sheet;
  void SetUp() override {
    gdi_ResetAll();
    gdi_SetCurrent(&dev, &win);
    setCurrentView(DrawView{});
    dev.clear();
  }
  void TearDown() override {
    gdi_SetCurrent(nullptr, nullptr);
    gdi_ResetAll();
  }
  bool has(const std::string& line) const {
    for (const auto& c : dev.calls)
      if (c == line) return true;
    return false;
  }
  std::vector<std::string> texts() const { return dev.withPrefix("text"); }
};

TEST_F(GateDraw, BoxSizesByKind) {
  EXPECT_EQ(gs_BoxSize(sheet.gate(47, 0, 0, 1, 0, 8)).w, 85);
  EXPECT_EQ(gs_BoxSize(sheet.gate(47, 0, 0, 1, 0, 1)).w, 15);
  EXPECT_EQ(gs_BoxSize(sheet.gate(1, 0, 0, 2, 1)).w, 30);
  EXPECT_EQ(gs_BoxSize(sheet.gate(11, 0, 0, 2, 1)).h, 50);
  auto* g88 = sheet.gate(88, 0, 0, 0, 4);
  EXPECT_EQ(gs_BoxSize(g88).h, 50);
  EXPECT_EQ(gs_SymbolText(2), ">=1");
  EXPECT_EQ(gs_SymbolText(88), "");
  EXPECT_EQ(gs_PinColor(20), 3);
  EXPECT_EQ(gs_PinColor(24), 1);
}

TEST_F(GateDraw, AndGateWithSixInputsHasALongInputBar) {
  gs_DrawGateKind(sheet.gate(1, 100, 100, 6, 1));
  // Three lines, 60 long, starting 15 above the box.
  EXPECT_TRUE(has("polyline 2: 102,85 102,145"));
  EXPECT_TRUE(has("polyline 2: 101,85 101,145"));
  EXPECT_TRUE(has("polyline 2: 100,85 100,145"));
  // Centred on the 19-unit cell of the default class: 100 + 10 - 5 + 5, drawn 12 higher.
  EXPECT_TRUE(has("text 105,98 \"&\""));
}

TEST_F(GateDraw, MirroredFlipFlopLettersAndBar) {
  auto* g = sheet.gate(8, 0, 0, 3, 2);
  g->Flags = model::kGateMirrored;
  gs_DrawGateKind(g);
  EXPECT_TRUE(has("polyline 2: 37,0 37,39"));  // input bar at x + w - 3
  auto t = texts();
  EXPECT_NE(std::find(t.begin(), t.end(), "text 28,1 \"S\""), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "text 28,21 \"R\""), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "text 16,24 \"C\""), t.end());
}

TEST_F(GateDraw, TextGateHasNoBox) {
  auto* g = sheet.gate(66, 10, 10, 0, 0);
  sheet.text(g, 3, 8, "Hello", 12);
  gs_DrawGateKind(g);
  EXPECT_TRUE(dev.withPrefix("polygon").empty());
  EXPECT_TRUE(dev.withPrefix("polyline").empty());
}

TEST_F(GateDraw, SelectionMarksOnlyInTheSelectingStates) {
  auto* g = sheet.gate(1, 50, 50, 2, 1);
  g->Selected = 1;
  gd_DrawGate(g, nullptr, 0);
  EXPECT_TRUE(dev.withPrefix("pen dash").empty());
  DrawView v;
  v.editorState = 21;
  setCurrentView(v);
  dev.clear();
  gd_DrawGate(g, nullptr, 0);
  EXPECT_FALSE(dev.withPrefix("pen dash").empty());
  // Four corner squares after the dashed frame.
  auto polys = dev.withPrefix("polygon 5");
  ASSERT_GE(polys.size(), 4u);
}

TEST_F(GateDraw, InputGateLabelSide) {
  auto* in = sheet.gate(44, 100, 100, 0, 1);
  sheet.text(in, 2, 0, "START");
  gd_DrawGate(in, nullptr, 0);
  auto t = texts();
  // Bit 0 clear: left of the gate (5 characters of 6 units, 5 more).
  EXPECT_NE(std::find(t.begin(), t.end(), "text 65,101 \"START\""), t.end());
  in->Flags = 1;
  dev.clear();
  gd_DrawGate(in, nullptr, 0);
  t = texts();
  EXPECT_NE(std::find(t.begin(), t.end(), "text 122,101 \"START\""), t.end());
}

TEST_F(GateDraw, DigitalIndicatorShowsEightDigits) {
  auto* g = sheet.gate(47, 0, 0, 1, 0, 8);
  model::GateInstance inst{};
  double value = 5;
  double* ref = &value;
  inst.InputRefs = &ref;
  gd_DrawGateList(g, &inst, false);
  auto t = texts();
  ASSERT_EQ(t.size(), 8u);
  EXPECT_EQ(t[0], "text 4,-2 \"1\"");
  EXPECT_EQ(t[1], "text 14,-2 \"0\"");
  EXPECT_EQ(t[2], "text 24,-2 \"1\"");
  EXPECT_EQ(t[7], "text 74,-2 \"0\"");
}

TEST_F(GateDraw, BargraphWithEqualLimitsDrawsNoBar) {
  auto* g = sheet.gate(52, 0, 0, 1, 0, 20);
  sheet.text(g, 3, 8, "", 42);
  model::GateInstance inst{};
  double value = 3;
  double* ref = &value;
  inst.InputRefs = &ref;
  double extra[3] = {0, 0, std::numeric_limits<double>::infinity()};
  inst.ExtraValues = extra;
  inst.ExtraSlotCount = 3;
  gd_DrawGateList(g, &inst, false);
  auto fills = dev.withPrefix("fillrect");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[1], "fillrect 1,41,9,41");  // black part of height 0
}

TEST_F(GateDraw, WiresInBatchesWithClipping) {
  std::vector<std::pair<int, int>> pts;
  for (int i = 0; i < 45; ++i) pts.emplace_back(10 + i * 10, i % 2 ? 20 : 30);
  gd_DrawWire(1, sheet.wire(pts), false, false, false);
  auto lines = dev.withPrefix("polyline");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("polyline 20:", 0), 0u);
  EXPECT_EQ(lines[1].rfind("polyline 20: 200,20", 0), 0u);  // joins at the shared point
  EXPECT_EQ(lines[2].rfind("polyline 7: 390,30", 0), 0u);

  // Leaving the view to the right and coming back: two batches.
  DrawView v;
  v.viewW = 100;
  v.viewH = 100;
  setCurrentView(v);
  dev.clear();
  auto* w = sheet.wire({{10, 10}, {50, 10}, {500, 10}, {500, 50}, {50, 50}, {10, 50}});
  gd_DrawWire(1, w, false, false, false);
  lines = dev.withPrefix("polyline");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "polyline 3: 10,10 50,10 500,10");
  EXPECT_EQ(lines[1], "polyline 3: 500,50 50,50 10,50");
  v.noClipping = true;
  setCurrentView(v);
  dev.clear();
  gd_DrawWire(1, w, false, false, false);
  EXPECT_EQ(dev.withPrefix("polyline").size(), 1u);
}

TEST_F(GateDraw, RealWiresCarryTheArrowAtTheirFirstPoint) {
  auto* g = sheet.gate(25, 200, 100, 2, 1, 20);
  g->Inputs[0].Wire = sheet.wire({{100, 100}, {150, 100}, {190, 100}});
  gd_DrawInputWires(g, 1);
  auto heads = dev.withPrefix("polygon 4");
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0], "polygon 4: 106,98 100,100 106,102 106,98");
  auto* b = sheet.gate(1, 200, 100, 1, 1, 1);
  b->Inputs[0].Wire = sheet.wire({{100, 100}, {190, 100}});
  dev.clear();
  gd_DrawInputWires(b, 1);
  heads = dev.withPrefix("polygon 4");
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0], "polygon 4: 184,98 190,100 184,102 184,98");
}

// A constant whose record claims more values than its instance holds shows
// only the values that exist.
TEST_F(GateDraw, AnalogConstantShowsNoMoreValuesThanItsSlots) {
  auto* g = sheet.gate(51, 0, 0, 0, 1, 1, 21);  // one output of two elements
  g->VectorDimension = 1000;
  model::GateInstance inst{};
  double values[2] = {1.5, 2.5};
  inst.OutputValues = values;
  inst.OutputSlotCount = 2;
  gd_DrawGateList(g, &inst, true);
  EXPECT_EQ(texts().size(), 2u);
}

// A transparent text (a label) leaves the write mode as it found it, and a
// wire drawn in its own mode gives the caller's mode back: texts drawn
// later keep the opacity of the sheet, whatever the gate order.
TEST_F(GateDraw, WriteModeComesBackAfterLabelsAndWires) {
  gdi_SetWriteMode(2);
  auto* text = sheet.gate(66, 0, 0, 0, 0);
  sheet.text(text, 4, 8, "Note", 12);
  gd_DrawGate(text, nullptr, 0);
  EXPECT_EQ(gdi_Attributes().writeMode, 2);
  gd_DrawWire(1, sheet.wire({{0, 0}, {50, 0}}), false, false, false);
  EXPECT_EQ(gdi_Attributes().writeMode, 2);
  gdi_SetWriteMode(1);
  gd_DrawGate(text, nullptr, 0);
  EXPECT_EQ(gdi_Attributes().writeMode, 1);
  const auto modes = dev.withPrefix("bk ");
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(modes.back(), "bk opaque");
}

} // namespace
} // namespace disp
