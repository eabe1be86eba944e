#include "fixture.h"

#include <vector>

namespace model::test {
namespace {

std::vector<std::pair<int, int>> points(const WirePoint* w) {
  std::vector<std::pair<int, int>> v;
  for (; w; w = w->Next) v.emplace_back(w->X, w->Y);
  return v;
}

WirePoint* build(std::initializer_list<std::pair<int, int>> pts) {
  WirePoint* head = nullptr;
  WirePoint* tail = nullptr;
  for (auto [x, y] : pts) {
    WirePoint* p = nullptr;
    EXPECT_TRUE(mm_New(p));
    p->X = std::int16_t(x);
    p->Y = std::int16_t(y);
    if (tail) tail->Next = p; else head = p;
    tail = p;
  }
  return head;
}

using Pts = std::vector<std::pair<int, int>>;

class Wires : public ModelFixture {};

TEST_F(Wires, MovingEnds) {
  WirePoint* w = build({{0, 0}, {0, 50}});
  ASSERT_TRUE(ge_MoveWireEnd(0, 80, w, false));
  EXPECT_EQ(points(w), (Pts{{0, 0}, {0, 80}})) << "straight down moves the end";
  ASSERT_TRUE(ge_MoveWireEnd(20, 80, w, false));
  EXPECT_EQ(points(w), (Pts{{0, 0}, {0, 80}, {20, 80}})) << "sideways adds a corner";
  ge_FreeWirePoints(w);

  WirePoint* d = build({{0, 0}, {10, 10}, {40, 10}});
  ASSERT_TRUE(ge_MoveWireEnd(5, 5, d, true));
  EXPECT_EQ(points(d), (Pts{{5, 5}, {10, 10}, {40, 10}})) << "along the diagonal the count stays";
  ge_FreeWirePoints(d);
  EXPECT_EQ(d, nullptr);

  WirePoint* e = nullptr;
  ASSERT_TRUE(ge_MoveWireEnd(7, 8, e, false));
  EXPECT_EQ(points(e), (Pts{{7, 8}}));
  ge_FreeWire(e, false);
  EXPECT_EQ(e, nullptr) << "removing the end of a one-point wire empties it";
}

TEST_F(Wires, CleanUp) {
  WirePoint* w = build({{0, 0}, {10, 0}, {20, 0}, {20, 30}, {20, 30}});
  ge_CleanUpWire(w);
  EXPECT_EQ(points(w), (Pts{{0, 0}, {20, 0}, {20, 30}}));
  ge_FreeWirePoints(w);
  WirePoint* r = build({{5, 5}, {5, 5}});
  ge_CleanUpWire(r);
  EXPECT_EQ(points(r), (Pts{{5, 5}}));
  ge_FreeWirePoints(r);
}

TEST_F(Wires, HandOverAndSegmentDrag) {
  LogicRecord* l = ge_NewLogic("W");
  shellFake.integers = {2, 2, 2};
  GateRecord* src = make(l, kKindAnd, 0, 0);      // output 1 at (30, 15)
  GateRecord* a = make(l, kKindAnd, 200, 5);      // input 1 at (200, 15)
  GateRecord* b = make(l, kKindAnd, 100, 90);     // input 1 at (100, 100)
  ASSERT_TRUE(ge_ConnectGates(l, a, 1, src, 1, nullptr, build({{30, 15}, {200, 15}})));
  ASSERT_TRUE(ge_ConnectGates(l, b, 1, src, 1, a, build({{80, 15}, {80, 100}, {100, 100}})));
  // Dragging the first segment of the branch keeps its junction on the parent.
  WirePoint*& bw = b->Inputs[0].Wire;
  ASSERT_TRUE(ge_RerouteWires(90, 0, src, a, b, bw, bw, l));
  EXPECT_EQ(points(bw), (Pts{{80, 15}, {90, 15}, {90, 100}, {100, 100}}));
  expectSound();
  // a loses its connection: b takes the route up to its junction.
  ASSERT_TRUE(ge_ConnectPin(l, a, 1, true));
  EXPECT_EQ(b->Inputs[0].Source, src);
  EXPECT_EQ(b->Inputs[0].BranchOf, nullptr);
  EXPECT_EQ(points(bw).front(), (std::pair<int, int>{30, 15}));
  EXPECT_EQ(a->Inputs[0].Wire, nullptr);
  expectSound();
}

TEST_F(Wires, PlaceEndAtNegatedPin) {
  LogicRecord* l = ge_NewLogic("N");
  shellFake.integers = {2, 2};
  GateRecord* s = make(l, kKindAnd, 0, 0);
  GateRecord* d = make(l, kKindAnd, 100, 0);
  ASSERT_TRUE(ge_ConnectGates(l, d, 2, s, 1, nullptr, build({{30, 15}, {60, 15}, {60, 20}, {100, 20}})));
  ASSERT_TRUE(ge_NegatePin(l, d, 2, true));
  EXPECT_EQ(points(d->Inputs[1].Wire).back(), (std::pair<int, int>{95, 20}));
  EXPECT_EQ(d->Inputs[1].Flags, 3);
  ASSERT_TRUE(ge_NegatePin(l, d, 2, true));
  EXPECT_EQ(d->Inputs[1].Flags, 0) << "negating twice restores both bits";
  EXPECT_EQ(points(d->Inputs[1].Wire).back(), (std::pair<int, int>{100, 20}));
  expectSound();
}

} // namespace
} // namespace model::test
