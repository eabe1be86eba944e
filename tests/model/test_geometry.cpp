#include "fixture.h"

namespace model::test {
namespace {

TEST(GeometryBasics, Snapping) {
  const std::pair<int, int> cases[] = {{12, 10}, {13, 15}, {15, 15}, {-4, 0}, {-7, -5}, {0, 0}, {32767, 32765}};
  for (auto [v, r] : cases) {
    std::int16_t x = std::int16_t(v), y = std::int16_t(v);
    gg_SnapToGrid(x, y);
    EXPECT_EQ(x, r) << v;
    EXPECT_EQ(y, r) << v;
  }
}

TEST(GeometryBasics, BoxesAndDistance) {
  EXPECT_TRUE(gg_PointInBox(0, 0, 10, 10, 0, 0));
  EXPECT_FALSE(gg_PointInBox(0, 0, 10, 10, 10, 5));
  EXPECT_EQ(gg_Distance(1, 4, 2, -2), 7);
  struct Case { unsigned kind, in, out; int dx, dy, w, h; };
  const Case cases[] = {
    {1, 5, 1, 0, 10, 30, 50}, {1, 2, 1, 0, 0, 30, 30}, {14, 4, 1, 0, 0, 30, 30}, {14, 5, 1, 0, 5, 30, 40},
    {25, 6, 1, 0, 10, 40, 60}, {61, 6, 0, 10, 0, 60, 40}, {0, 7, 2, 0, 0, 100, 80}, {0, 2, 2, 0, 0, 100, 50},
    {62, 2, 2, 0, 0, 80, 80}, {88, 0, 3, 0, 0, 30, 40}, {11, 5, 3, 0, 0, 50, 50}, {30, 1, 1, 0, 0, 40, 40},
  };
  for (const auto& c : cases) {
    KindBox b = gg_KindBoxSize(c.kind, c.in, c.out, 18, 18, 0, 0);
    EXPECT_EQ(b.dx, c.dx) << c.kind;
    EXPECT_EQ(b.dy, c.dy) << c.kind;
    EXPECT_EQ(b.w, c.w) << c.kind;
    EXPECT_EQ(b.h, c.h) << c.kind;
  }
  EXPECT_EQ(gg_KindBoxSize(47, 1, 0, 4, 4, 0, 0).w, 45);
  EXPECT_EQ(gg_KindBoxSize(48, 1, 0, 22, 22, 0, 0).h, 46);
  EXPECT_EQ(gg_KindBoxSize(52, 1, 0, 18, 18, 60, 0).h, 60);
}

class Geometry : public ModelFixture {};

TEST_F(Geometry, AndGateWithFiveInputs) {
  LogicRecord* l = ge_NewLogic("G");
  shellFake.integers = {5};
  GateRecord* g = make(l, kKindAnd, 100, 100);
  std::int16_t x, y, w, h;
  gg_GateRect(g, x, y, w, h, false);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 50);
  EXPECT_EQ(y, 90) << "starts 10 above its position";
  gg_GateRect(g, x, y, w, h, true);
  EXPECT_EQ(x, 91);
  EXPECT_EQ(w, 48);
  const int expect[] = {-5, 5, 15, 25, 35};
  for (unsigned n = 1; n <= 5; ++n) {
    std::int16_t px, py;
    std::uint16_t side;
    ASSERT_TRUE(gg_InputPinPos(g, n, px, py, side));
    EXPECT_EQ(px, 0);
    EXPECT_EQ(py, expect[n - 1]);
    EXPECT_EQ(side, kSideLeft);
  }
  std::int16_t px, py;
  std::uint16_t side;
  EXPECT_FALSE(gg_InputPinPos(g, 6, px, py, side)) << "no sixth pin";
  ASSERT_TRUE(gg_OutputPinPos(g, 1, px, py, side));
  EXPECT_EQ(px, 30);
  EXPECT_EQ(py, 15);
  // Mirrored: the sides change places.
  g->Flags |= kGateMirrored;
  gg_InputPinPos(g, 1, px, py, side);
  EXPECT_EQ(px, 30);
  EXPECT_EQ(side, kSideRight);
  gg_OutputPinPos(g, 1, px, py, side);
  EXPECT_EQ(px, 0);
  EXPECT_EQ(side, kSideLeft);
}

TEST_F(Geometry, CallGatesUsePortTablesWithinTheirRows) {
  LogicRecord* sub = ge_NewLogic("SUB");
  shellFake.ports = {{true, "A", 0}, {true, "B", 0}};
  make(sub, kKindOutput);   // answered 0: Inputs
  make(sub, kKindOutput);
  ASSERT_EQ(sub->InputPortCount, 2);
  EXPECT_EQ(sub->InputPorts[0].Y, -30);
  EXPECT_EQ(sub->InputPorts[1].Y, -10);
  EXPECT_EQ(sub->InputPorts[1].X, -170);
  sub->InputPorts[0] = PortRow{0, 20, kSideLeft};
  sub->InputPorts[1] = PortRow{50, 0, kSideTop};
  LogicRecord* main = ge_NewLogic("MAIN");
  GateRecord* call = make(main, kKindCall, 200, 200, sub);
  ASSERT_EQ(call->InputCount, 2);
  call->Flags |= kGateMirrored;
  std::int16_t x, y;
  std::uint16_t side;
  gg_InputPinPos(call, 2, x, y, side);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(side, kSideTop);
  EXPECT_FALSE(call->Flags & kGateMirrored) << "a top pin clears the mirror flag";
  // A call gate with more pins than the table has rows (ports removed since).
  call->InputCount = 3;
  EXPECT_FALSE(gg_InputPinPos(call, 4, x, y, side));
  EXPECT_TRUE(gg_InputPinPos(call, 3, x, y, side));
  EXPECT_EQ(y, 40) << "beyond the table the height rule holds";
  call->InputCount = 2;
}

TEST_F(Geometry, HitTests) {
  LogicRecord* l = ge_NewLogic("H");
  shellFake.integers = {2};
  GateRecord* a = make(l, kKindAnd, 100, 100);
  GateRecord* found = nullptr;
  int ord = 0;
  EXPECT_TRUE(gg_GateAtPoint(l, 110, 110, found, ord));
  EXPECT_EQ(found, a);
  EXPECT_EQ(ord, 1);
  EXPECT_TRUE(gg_GateAtPoint(l, 95, 95, found, ord)) << "second pass with margins";
  EXPECT_FALSE(gg_GateAtPoint(l, 80, 80, found, ord));
  EXPECT_FALSE(gg_GateAtPointSimple(l, 95, 95, found, ord));
  EXPECT_FALSE(gg_GateAtPoint(nullptr, 0, 0, found, ord));
  // A point exactly on input 1.
  std::int16_t x = 100, y = 110;
  unsigned pin = 0;
  bool isInput = false;
  EXPECT_EQ(gg_GatePinAtPoint(l, x, y, found, pin, isInput), 0);
  EXPECT_EQ(pin, 1u);
  EXPECT_TRUE(isInput);
  x = 102, y = 112;
  EXPECT_EQ(gg_GatePinAtPoint(l, x, y, found, pin, isInput), 4);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 110);
  // Nearest free pin on an empty logic.
  LogicRecord* empty = ge_NewLogic("E");
  x = 0, y = 0;
  GateRecord* g = nullptr;
  EXPECT_EQ(gg_NearestInputPin(empty, nullptr, x, y, g, pin, isInput), 1000);
  EXPECT_EQ(g, nullptr);
}

TEST_F(Geometry, WiresUnderAPoint) {
  LogicRecord* l = ge_NewLogic("W");
  shellFake.integers = {2, 2};
  GateRecord* a = make(l, kKindAnd, 100, 100);
  GateRecord* b = make(l, kKindAnd, 200, 100);
  WirePoint* w = nullptr;
  ge_MoveWireEnd(130, 115, w, false);
  ge_MoveWireEnd(160, 115, w, false);
  ge_MoveWireEnd(160, 110, w, false);
  ge_MoveWireEnd(200, 110, w, false);
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, a, 1, nullptr, w));
  std::int16_t x = 161, y = 113;
  GateRecord* g = nullptr;
  unsigned pin = 0;
  ASSERT_TRUE(gg_WireAtPoint(l, x, y, g, pin));
  EXPECT_EQ(x, 160);
  EXPECT_EQ(g, b);
  EXPECT_EQ(pin, 1u);
  // A corner is found on the first of its two segments.
  x = 160, y = 115;
  ConnectionHit hit;
  EXPECT_EQ(gg_NearestConnection(l, x, y, hit), 0);
  EXPECT_EQ(hit.segmentStart, w);
  EXPECT_EQ(hit.sourceGate, a);
  EXPECT_EQ(hit.sourcePin, 1u);
  WirePoint p{nullptr, 0, 0}, q{nullptr, 10, 0}, r{nullptr, 10, 10};
  x = 5, y = 3;
  EXPECT_EQ(gg_PointOnSegment(&p, &q, x, y), 3);
  EXPECT_EQ(y, 0);
  x = 20, y = 0;
  EXPECT_EQ(gg_PointOnSegment(&p, &q, x, y), 9999);
  EXPECT_EQ(gg_PointOnSegment(&p, &r, x, y), 10) << "neither horizontal nor vertical";
  expectSound();
}

TEST_F(Geometry, FreeAreas) {
  LogicRecord* l = ge_NewLogic("F");
  shellFake.integers = {1, 1};
  GateRecord* s = make(l, 30, 100, 100);   // Sine, 40 x 40
  // Rect with margins 91..149, shrunk by 12: 103..137.
  EXPECT_FALSE(gg_AreaIsFree(l, 110, 110, 5, 5, nullptr));
  EXPECT_TRUE(gg_AreaIsFree(l, 200, 200, 20, 20, nullptr));
  EXPECT_TRUE(gg_AreaIsFree(l, 110, 110, 5, 5, s)) << "the moving gate itself";
  // A plus sign: crosses the shrunk box without holding a corner of it.
  EXPECT_TRUE(gg_AreaIsFree(l, 90, 115, 60, 5, nullptr));
  EXPECT_FALSE(gg_AreaIsFree(l, 100, 100, 60, 60, nullptr));
}

TEST_F(Geometry, TextExtentFromMetrics) {
  FixedFontMetrics metrics(7);
  FontMetrics* prev = setFontMetrics(&metrics);
  LogicRecord* l = ge_NewLogic("TX");
  GateRecord* t = make(l, kKindText);
  shellFake.texts = {{true, "Tank level\rsecond"}};
  ASSERT_TRUE(gt_NameText2(l, t));
  std::int16_t x, y, w, h;
  gg_GateBox(t, x, y, w, h, false);
  EXPECT_EQ(w, 70);
  EXPECT_EQ(h, 24);
  setFontMetrics(prev);
}

TEST_F(Geometry, GateTextAtPoint) {
  LogicRecord* l = ge_NewLogic("MAIN");
  doc->MacroLevel = 1;
  EditLogic(*doc) = l;
  shellFake.integers = {2};
  make(l, kKindAnd, 100, 100);
  std::string name, lib;
  bool found = false;
  ASSERT_TRUE(gg_GateTextAtPoint(doc, 105, 105, name, lib, found));
  EXPECT_TRUE(found);
  EXPECT_EQ(name, "%And");
  EXPECT_EQ(lib, "Standard");
  EXPECT_FALSE(gg_GateTextAtPoint(doc, 0, 0, name, lib, found));
}

} // namespace
} // namespace model::test
