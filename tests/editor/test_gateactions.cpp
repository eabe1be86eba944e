#include "fixture.h"

#include "editor/gateactions.h"
#include "editor/gatecmd.h"
#include "editor/gestures.h"
#include "editor/wiring.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/wires.h"

#include <algorithm>
#include <cstring>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;

class GateActions : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  WorksheetWindowData* w = nullptr;
  static inline std::deque<double> values;
  static inline std::vector<std::string> valueTitles;

  void SetUp() override {
    EditorFixture::SetUp();
    logic = showLogic("MAIN");
    w = sheet();
    values.clear();
    valueTitles.clear();
    engineHooks().pf_PromptValue = [](const std::string& title, double& v) {
      valueTitles.push_back(title);
      if (values.empty()) return false;
      v = values.front();
      values.pop_front();
      return true;
    };
  }
  void pin(GateRecord* g, unsigned n, bool input, int& x, int& y) {
    std::int16_t px, py;
    std::uint16_t side;
    if (input) model::gg_InputPinPos(g, n, px, py, side);
    else model::gg_OutputPinPos(g, n, px, py, side);
    x = g->X + px;
    y = g->Y + py;
  }
  void connect(GateRecord* a, unsigned out, GateRecord* b, unsigned k) {
    int sx, sy, ex, ey;
    pin(a, out, false, sx, sy);
    pin(b, k, true, ex, ey);
    model::WirePoint* p = nullptr;
    model::WirePoint* q = nullptr;
    ASSERT_TRUE(model::mm_New(p) && model::mm_New(q));
    p->X = std::int16_t(sx);
    p->Y = std::int16_t(sy);
    p->Next = q;
    q->X = std::int16_t(ex);
    q->Y = std::int16_t(sy);
    model::WirePoint* r = nullptr;
    ASSERT_TRUE(model::mm_New(r));
    q->Next = r;
    q->X = std::int16_t((sx + ex) / 2);
    r->X = std::int16_t(ex);
    r->Y = std::int16_t(ey);
    model::WirePoint* mid = nullptr;
    ASSERT_TRUE(model::mm_New(mid));
    mid->X = q->X;
    mid->Y = std::int16_t(ey);
    q->Next = mid;
    mid->Next = r;
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(logic, b, k, a, out, nullptr, p));
  }
  bool called(const std::string& hook) {
    return std::count(hookCalls().begin(), hookCalls().end(), hook) > 0;
  }
  std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
};

struct RightPressCase {
  std::uint8_t kind;
  const char* expectCall;   // shell call or hook that must be seen
};

TEST_F(GateActions, RightPressAsksNameOrParameters) {
  const RightPressCase cases[] = {
      {model::kKindText, "text xName"}, {model::kKindInput, "port Output"},
      {model::kKindOutput, "port Input"}, {model::kKindAnd, "pf_EditBlock"}};
  int x = 100;
  for (const RightPressCase& c : cases) {
    shellFake.ports.push_back({true, "P" + std::to_string(x), 7});
    GateRecord* g = make(logic, c.kind, x, 100);
    ASSERT_NE(g, nullptr);
    shellFake.calls.clear();
    hookCalls().clear();
    ScriptRunner run(host, w);
    ASSERT_TRUE(run.run("down " + at(g->X + 2, g->Y + 2) + " right\n")) << ::testing::PrintToString(run.failures);
    bool seen = called(c.expectCall);
    for (const std::string& s : shellFake.calls) seen |= s.rfind(c.expectCall, 0) == 0;
    EXPECT_TRUE(seen) << int(c.kind) << " " << c.expectCall;
    x += 150;
  }
}

TEST_F(GateActions, UserSubprogramGateOpensOnlyThroughTheSecondHandler) {
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  ASSERT_NE(sub, nullptr);
  GateRecord* call = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(logic, model::kKindCall, sub, nullptr, 200, 200, call));
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  EXPECT_TRUE(de_IsUserSubprogramGate(call));
  model::ProjectModule* m = model::TemplateDocument->FirstModule;
  char saved[12];
  std::memcpy(saved, m->Name, 12);
  std::memcpy(m->Name, "BAUSTEIN    ", 12);
  EXPECT_FALSE(de_IsUserSubprogramGate(call)) << "the BAUSTEIN module is left alone";
  std::memcpy(m->Name, "fublocks    ", 12);
  EXPECT_FALSE(de_IsUserSubprogramGate(call));
  std::memcpy(m->Name, saved, 12);
}

TEST_F(GateActions, CtrlRightPressTogglesThePinNegation) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  int x, y;
  pin(a, 1, true, x, y);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(x, y) + " ctrl right\n")) << ::testing::PrintToString(run.failures);
  EXPECT_TRUE(a->Inputs[0].Flags & model::kPinNegated);
  ASSERT_TRUE(run.run("down " + at(x, y) + " ctrl right\n")) << ::testing::PrintToString(run.failures);
  EXPECT_FALSE(a->Inputs[0].Flags & model::kPinNegated);
  GateRecord* s = make(logic, std::uint8_t(25), 300, 100);
  pin(s, 1, true, x, y);
  EXPECT_FALSE(de_TogglePinNegation(x, y)) << "a summation's input is not negated";
}

TEST_F(GateActions, WireAndConnectionRemoval) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  GateRecord* c = make(logic, model::kKindOr, 300, 300);
  connect(a, 1, b, 1);
  model::WirePoint* mid = b->Inputs[0].Wire->Next;
  ctx().mainSlot = ui_TableOfMode(8);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(mid->X, mid->Y + 20) + "\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(b->Inputs[0].Source, nullptr) << "the wire through the point is removed";
  connect(a, 1, c, 2);
  int x, y;
  pin(c, 2, true, x, y);
  ASSERT_TRUE(run.run("down " + at(x, y) + " right\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(c->Inputs[1].Source, nullptr) << "the connection of the pin is removed";
  EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
}

TEST_F(GateActions, ValuesAtAConnection) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  connect(a, 1, b, 1);
  model::CurrentDocument = model::TemplateDocument;
  int x, y;
  pin(b, 1, true, x, y);
  model::GateInstance* ai = model::inst_Parallel(logic, logic->FirstInstance, a);
  ASSERT_TRUE(ai && ai->OutputValues);
  values = {1};
  ASSERT_TRUE(de_EditValueAt(x, y));
  std::uint16_t word = 0;
  std::memcpy(&word, ai->OutputValues, 2);
  EXPECT_EQ(word, 1);
  ASSERT_EQ(valueTitles.size(), 1u);
  // A negated pin shows and stores through the mask.
  b->Inputs[0].Flags |= model::kPinNegated;
  de_NegationMask() = 1;
  values = {1};
  ASSERT_TRUE(de_EditValueAtN(x, y));
  std::memcpy(&word, ai->OutputValues, 2);
  EXPECT_EQ(word, 0) << "1 entered on a negated pin stores 0";
  de_NegationMask() = 0xFFFF;
  // A cancelled prompt changes nothing.
  values.clear();
  EXPECT_FALSE(de_EditValueAt(x, y));
  std::memcpy(&word, ai->OutputValues, 2);
  EXPECT_EQ(word, 0);
}

TEST_F(GateActions, RealAndVectorValuesAreNotEdited) {
  GateRecord* a = make(logic, std::uint8_t(25), 100, 100);
  GateRecord* b = make(logic, std::uint8_t(25), 300, 200);
  connect(a, 1, b, 1);
  if (b->Inputs[0].Type < model::kTypeReal) GTEST_SKIP() << "summation pins are not REAL here";
  int x, y;
  pin(b, 1, true, x, y);
  values = {5};
  model::CurrentDocument = model::TemplateDocument;
  EXPECT_FALSE(de_EditValueAt(x, y));
  EXPECT_TRUE(valueTitles.empty()) << "no prompt for a REAL or vector value";
}

TEST_F(GateActions, ToolsDropTheUndoCopy) {
  make(logic, model::kKindAnd, 100, 100);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_SaveUndoBuffer());
  ctx().mainSlot = ui_TableOfMode(4);   // the delete tool's table, as the edit mode sets it
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("cmd 239\nexpect state 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->UndoLogic, nullptr);
  EXPECT_EQ(host.cursor, 11);
}

TEST_F(GateActions, DeleteToolRemovesTheGateUnderThePress) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  make(logic, model::kKindOr, 300, 100);
  ctx().mainSlot = ui_TableOfMode(4);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("cmd 239\ndown " + at(a->X + 15, a->Y + 15) + "\n")) << ::testing::PrintToString(run.failures);
  int n = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) ++n;
  EXPECT_EQ(n, 1);
}

class WiringRouted : public GateActions {};

TEST_F(WiringRouted, OutputToInputGivesAnAxisParallelConnection) {
  shellFake.route = {1, 6, 1};
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  ctx().mainSlot = ui_TableOfMode(7);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(sx, sy) + "\nexpect state 5\ndown " + at(ex, ey) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  ASSERT_EQ(b->Inputs[0].Source, a);
  model::CheckOptions straight;
  straight.wiresStraight = true;
  EXPECT_EQ(model::model_CheckLogic(*logic, straight), std::vector<std::string>{});
  for (const model::WirePoint* p = b->Inputs[0].Wire; p && p->Next; p = p->Next)
    EXPECT_TRUE(p->X == p->Next->X || p->Y == p->Next->Y);
}

TEST_F(WiringRouted, RightPressOffAnyPinEndsTheWire) {
  shellFake.route = {1, 6, 1};
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  make(logic, model::kKindOr, 300, 200);
  ctx().mainSlot = ui_TableOfMode(7);
  int sx, sy;
  pin(a, 1, false, sx, sy);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(sx, sy) + "\nexpect state 5\ndown 600 500 right\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_EQ(wiring().points, nullptr);
}

} // namespace
} // namespace editor_test
