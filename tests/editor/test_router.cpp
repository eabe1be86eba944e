#include "fixture.h"

#include "editor/router.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/wires.h"

#include <sstream>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;
using model::WirePoint;

class Router : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    logic = showLogic("MAIN");
    shellFake.route = {1, 6, 1};
  }
  void TearDown() override {
    route_SetCellLimit(0);
    EditorFixture::TearDown();
  }
  void pin(GateRecord* g, unsigned n, bool input, int& x, int& y) {
    std::int16_t px, py;
    std::uint16_t side;
    if (input) model::gg_InputPinPos(g, n, px, py, side);
    else model::gg_OutputPinPos(g, n, px, py, side);
    x = g->X + px;
    y = g->Y + py;
  }
  WirePoint* points(std::vector<std::pair<int, int>> pts) {
    WirePoint* head = nullptr;
    WirePoint** tail = &head;
    for (auto [x, y] : pts) {
      WirePoint* p = nullptr;
      EXPECT_TRUE(model::mm_New(p));
      p->X = std::int16_t(x);
      p->Y = std::int16_t(y);
      *tail = p;
      tail = &p->Next;
    }
    return head;
  }
  void connect(GateRecord* a, GateRecord* b, unsigned k, GateRecord* branch = nullptr,
               std::vector<std::pair<int, int>> middle = {}) {
    int sx, sy, ex, ey;
    pin(a, 1, false, sx, sy);
    pin(b, k, true, ex, ey);
    std::vector<std::pair<int, int>> pts{{sx, sy}};
    pts.insert(pts.end(), middle.begin(), middle.end());
    pts.push_back({ex, ey});
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(logic, b, k, a, 1, branch, points(pts)));
  }
  static std::string text(const WirePoint* w) {
    std::ostringstream out;
    for (; w; w = w->Next) out << w->X << "," << w->Y << " ";
    return out.str();
  }
  bool route(GateRecord* b, unsigned k, int interactive = 0) {
    model::CurrentDocument = model::TemplateDocument;
    return route_Connection(b->Inputs[k - 1].Wire, 1, interactive);
  }
  static bool orthogonal(const WirePoint* w) {
    for (; w && w->Next; w = w->Next)
      if (w->X != w->Next->X && w->Y != w->Next->Y) return false;
    return true;
  }
  // No segment runs through the inside of a gate other than its ends' gates.
  bool avoids(const WirePoint* w, GateRecord* except1, GateRecord* except2) {
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
      if (g == except1 || g == except2 || g->Kind == model::kKindText) continue;
      std::int16_t x, y, gw, gh;
      model::gg_GateRect(g, x, y, gw, gh, false);
      for (const WirePoint* p = w; p && p->Next; p = p->Next) {
        int lx = std::min(p->X, p->Next->X), hx = std::max(p->X, p->Next->X);
        int ly = std::min(p->Y, p->Next->Y), hy = std::max(p->Y, p->Next->Y);
        if (hx > x && lx < x + gw && hy > y && ly < y + gh) return false;
      }
    }
    return true;
  }
  unsigned bends(const WirePoint* w) { return model::wirePointCount(w) - 2; }
};

TEST_F(Router, FreeLineStaysStraight) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 100);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  b->Y = std::int16_t(b->Y + (sy - ey));
  connect(a, b, 1);
  ASSERT_TRUE(route(b, 1)) << text(b->Inputs[0].Wire);
  const WirePoint* w = b->Inputs[0].Wire;
  EXPECT_TRUE(orthogonal(w)) << text(w);
  EXPECT_EQ(bends(w), 0u) << text(w);
  EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
}

TEST_F(Router, GateBetweenGivesTwoBendsAroundIt) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* c = make(logic, model::kKindCounter, 200, 90);
  GateRecord* b = make(logic, model::kKindOr, 320, 100);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  b->Y = std::int16_t(b->Y + (sy - ey));
  connect(a, b, 1);
  ASSERT_TRUE(route(b, 1)) << text(b->Inputs[0].Wire);
  const WirePoint* w = b->Inputs[0].Wire;
  EXPECT_TRUE(orthogonal(w)) << text(w);
  EXPECT_TRUE(avoids(w, a, b)) << text(w);
  EXPECT_GE(bends(w), 2u) << text(w);
  EXPECT_LE(bends(w), 4u) << text(w);
  (void)c;
  // The same input gives the same output.
  std::string first = text(w);
  model::ge_FreeWirePoints(b->Inputs[0].Wire);
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  b->Inputs[0].Wire = points({{sx, sy}, {ex, ey}});
  ASSERT_TRUE(route(b, 1));
  EXPECT_EQ(text(b->Inputs[0].Wire), first);
}

TEST_F(Router, StraightEndsAreNotRerouted) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  connect(a, b, 1, nullptr, {{200, sy}, {200, ey}});
  std::string before = text(b->Inputs[0].Wire);
  EXPECT_TRUE(route(b, 1));
  EXPECT_EQ(text(b->Inputs[0].Wire), before);
}

TEST_F(Router, RefusedGridLeavesTheWire) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  connect(a, b, 1);
  std::string before = text(b->Inputs[0].Wire);
  route_SetCellLimit(16);
  EXPECT_FALSE(route(b, 1));
  EXPECT_EQ(text(b->Inputs[0].Wire), before);
}

TEST_F(Router, NodeOutsideTheRangeActsAsItsBound) {
  auto routed = [&](std::int16_t node) {
    GateRecord* a = make(logic, model::kKindAnd, 100, 100);
    make(logic, model::kKindCounter, 200, 90);
    GateRecord* b = make(logic, model::kKindOr, 320, 160);
    connect(a, b, 1);
    shellFake.route.node = node;
    route(b, 1);
    std::string t = text(b->Inputs[0].Wire);
    while (logic->FirstGate) model::ge_DeleteGate(logic, logic->FirstGate);
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    return t;
  };
  EXPECT_EQ(routed(2), routed(4));
  EXPECT_EQ(routed(12), routed(9));
}

TEST_F(Router, TextGatesAreObstaclesOnlyWithoutCrosstext) {
  auto routed = [&](std::uint8_t crosstext) {
    GateRecord* a = make(logic, model::kKindAnd, 100, 100);
    shellFake.texts.push_back({true, "a note that stands in the way"});
    GateRecord* t = make(logic, model::kKindText, 170, 100);
    GateRecord* b = make(logic, model::kKindOr, 420, 100);
    int sx, sy, ex, ey;
    pin(a, 1, false, sx, sy);
    pin(b, 1, true, ex, ey);
    b->Y = std::int16_t(b->Y + (sy - ey));
    t->Y = std::int16_t(sy - 5);
    connect(a, b, 1);
    shellFake.route.crosstext = crosstext;
    route(b, 1);
    unsigned n = bends(b->Inputs[0].Wire);
    while (logic->FirstGate) model::ge_DeleteGate(logic, logic->FirstGate);
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    return n;
  };
  EXPECT_EQ(routed(1), 0u) << "straight across the text";
  EXPECT_GE(routed(0), 2u) << "around the text";
}

TEST_F(Router, BranchEndsOnItsNet) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 400, 100);
  GateRecord* c = make(logic, model::kKindOr, 400, 300);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  b->Y = std::int16_t(b->Y + (sy - ey));
  connect(a, b, 1);
  // The branch starts in the middle of a's wire to b.
  pin(c, 1, true, ex, ey);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_ConnectGates(logic, c, 1, a, 1, b, points({{250, sy}, {ex, ey}})));
  ASSERT_TRUE(route(c, 1)) << text(c->Inputs[0].Wire);
  const WirePoint* w = c->Inputs[0].Wire;
  EXPECT_TRUE(orthogonal(w)) << text(w);
  EXPECT_EQ(w->Y, sy) << "the branch starts on the net " << text(w);
  EXPECT_EQ(c->Inputs[0].BranchOf, b);
  EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
}

TEST_F(Router, ClearanceOneFindsANarrowPassage) {
  // Two blocks leave a passage of one free cell between their fences.
  GateRecord* a = make(logic, model::kKindAnd, 100, 200);
  GateRecord* b = make(logic, model::kKindOr, 500, 200);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  b->Y = std::int16_t(b->Y + (sy - ey));
  connect(a, b, 1);
  EXPECT_TRUE(route(b, 1)) << text(b->Inputs[0].Wire);
  EXPECT_TRUE(orthogonal(b->Inputs[0].Wire));
}

TEST_F(Router, IsEnabledIsAlwaysFalse) {
  shellFake.route.onoff = 1;
  EXPECT_FALSE(route_IsEnabled());
}

} // namespace
} // namespace editor_test
