#include "fixture.h"

#include "editor/gateactions.h"
#include "editor/gatecmd.h"
#include "editor/gestures.h"
#include "editor/editor.h"
#include "editor/ws.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/wires.h"

#include "model/document.h"

#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;

class Gestures : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  WorksheetWindowData* w = nullptr;
  static inline HeadlessHost* current = nullptr;

  void SetUp() override {
    EditorFixture::SetUp();
    current = &host;
    logic = showLogic("MAIN");
    w = sheet();
    engineHooks().pf_PromptInt = [](const std::string& t, int& v) { return current->promptInt(t, v); };
  }
  int count() {
    int n = 0;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) ++n;
    return n;
  }
  GateRecord* nth(int i) {
    GateRecord* g = logic->FirstGate;
    while (g && i-- > 0) g = g->Next;
    return g;
  }
  static std::string at(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
  void pin(GateRecord* g, unsigned n, bool input, int& x, int& y) {
    std::int16_t px, py;
    std::uint16_t side;
    if (input) model::gg_InputPinPos(g, n, px, py, side);
    else model::gg_OutputPinPos(g, n, px, py, side);
    x = g->X + px;
    y = g->Y + py;
  }
  // A wire of the given points from output 1 of a to input k of b.
  void connect(GateRecord* a, GateRecord* b, unsigned k, std::vector<std::pair<int, int>> middle = {}) {
    int sx, sy, ex, ey;
    pin(a, 1, false, sx, sy);
    pin(b, k, true, ex, ey);
    std::vector<std::pair<int, int>> pts{{sx, sy}};
    pts.insert(pts.end(), middle.begin(), middle.end());
    pts.push_back({ex, ey});
    model::WirePoint* head = nullptr;
    model::WirePoint** tail = &head;
    for (auto [x, y] : pts) {
      model::WirePoint* p = nullptr;
      ASSERT_TRUE(model::mm_New(p));
      p->X = std::int16_t(x);
      p->Y = std::int16_t(y);
      *tail = p;
      tail = &p->Next;
    }
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(logic, b, k, a, 1, nullptr, head));
  }
  // Positions and connections of the shown logic, gates named by list ordinal.
  std::string dump() {
    std::map<const GateRecord*, int> ord;
    int i = 0;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) ord[g] = i++;
    std::ostringstream out;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
      out << int(g->Kind) << "@" << g->X << "," << g->Y << ":";
      for (unsigned k = 0; k < g->InputCount; ++k) {
        const model::InputPin& in = g->Inputs[k];
        out << " [" << (in.Source ? ord.count(in.Source) ? ord[in.Source] : -99 : -1) << "." << in.SourcePin << " b"
            << (in.BranchOf ? ord.count(in.BranchOf) ? ord[in.BranchOf] : -99 : -1);
        for (model::WirePoint* p = in.Wire; p; p = p->Next) out << " " << p->X << "," << p->Y;
        out << "]";
      }
      out << "\n";
    }
    return out.str();
  }
  // No live input names a gate outside the shown logic.
  bool pinsInLogic() {
    std::set<const GateRecord*> live;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) live.insert(g);
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned k = 0; k < g->InputCount; ++k) {
        if (g->Inputs[k].Source && !live.count(g->Inputs[k].Source)) return false;
        if (g->Inputs[k].BranchOf && !live.count(g->Inputs[k].BranchOf)) return false;
      }
    return true;
  }
};

TEST_F(Gestures, AddGateParksThenDropsSnapped) {
  ScriptRunner run(host, w);
  host.textAnswers = {"And"};
  ASSERT_TRUE(run.run("cmd 237\nexpect result 4\nexpect state 9\n")) << ::testing::PrintToString(run.failures);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(nth(0)->X, 3);
  EXPECT_EQ(nth(0)->Y, 3);
  EXPECT_EQ(w->drag, &ws_GateFollower);
  ASSERT_TRUE(run.run("move 20 30\nup 7 42\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  ASSERT_EQ(count(), 1);
  EXPECT_EQ(nth(0)->X, 15);
  EXPECT_EQ(nth(0)->Y, 40);
  EXPECT_EQ(model::TemplateDocument->CurrentGate, nullptr);
}

TEST_F(Gestures, DropOnAnOccupiedPlaceDeletesTheNewGate) {
  make(logic, model::kKindAnd, 100, 100);
  ScriptRunner run(host, w);
  host.textAnswers = {"Or"};
  ASSERT_TRUE(run.run("cmd 237\nup 100 100\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(nth(0)->Kind, model::kKindAnd);
}

TEST_F(Gestures, AddGateCancelledStaysIdle) {
  ScriptRunner run(host, w);
  host.textAnswers = {"<cancel>"};
  ASSERT_TRUE(run.run("cmd 237\nexpect result 0\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(count(), 0);
}

TEST_F(Gestures, ShiftPressCopiesOrdinaryGatesOnly) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(a->X + 12, a->Y + 12) + " shift\nexpect result 10\nexpect state 9\n"))
      << ::testing::PrintToString(run.failures);
  ASSERT_EQ(count(), 2);
  ASSERT_TRUE(run.run("up " + at(a->X + 212, a->Y + 12) + " shift\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  ASSERT_EQ(count(), 2);
  GateRecord* copy = a->Next ? a->Next : logic->FirstGate;
  if (copy == a) copy = nth(0);
  EXPECT_EQ(copy->Kind, model::kKindAnd);
  EXPECT_EQ(copy->X, a->X + 200) << "the copy sits under the pointer as the original did";
  EXPECT_EQ(copy->Y, a->Y);
  shellFake.ports.push_back({true, "IN1", 7});
  GateRecord* in = make(logic, model::kKindInput, 300, 300);
  shellFake.texts.push_back({true, "note"});
  GateRecord* text = make(logic, model::kKindText, 400, 400);
  ASSERT_TRUE(in && text);
  for (GateRecord* g : {in, text}) {
    int before = count();
    ASSERT_TRUE(run.run("down " + at(g->X + 2, g->Y + 2) + " shift\nexpect result 0\nexpect state 0\n"))
        << ::testing::PrintToString(run.failures);
    EXPECT_EQ(count(), before);
  }
}

TEST_F(Gestures, LiftedGateMovesByTheSnappedDistanceAndUndoRestores) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  connect(a, b, 1, {{250, 115}, {250, 210}});
  std::string before = dump();
  ScriptRunner run(host, w);
  const int px = b->X + 15, py = b->Y + 15;
  ASSERT_TRUE(run.run("down " + at(px, py) + "\nexpect result 4\nexpect state 1\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_NE(model::TemplateDocument->UndoLogic, nullptr);
  EXPECT_TRUE(host.menuEnabled[256]);
  ASSERT_TRUE(run.run("move 380 240\nup " + at(px + 52, py + 29) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_EQ(b->X, 350);
  EXPECT_EQ(b->Y, 230);
  int ex, ey;
  pin(b, 1, true, ex, ey);
  const model::WirePoint* last = b->Inputs[0].Wire;
  while (last->Next) last = last->Next;
  EXPECT_EQ(last->X, ex);
  EXPECT_EQ(last->Y, ey) << "the wire follows the gate";
  ASSERT_TRUE(run.run("cmd 256\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(dump(), before);
  EXPECT_TRUE(pinsInLogic()) << "no live pin names a gate of the dropped copy";
  EXPECT_EQ(model::TemplateDocument->UndoLogic, nullptr);
  EXPECT_FALSE(host.menuEnabled[256]);
  int redraws = host.redraws;
  ASSERT_TRUE(run.run("cmd 256\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(dump(), before) << "a second Undo changes nothing";
  EXPECT_FALSE(host.menuEnabled[256]);
  EXPECT_GT(host.redraws, redraws);
}

TEST_F(Gestures, UndoAfterRewiringRestoresTheConnectionsAndRelinksInstances) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* c = make(logic, model::kKindOr, 100, 300);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  connect(a, b, 1);
  std::string before = dump();
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_SaveUndoBuffer());
  // Rewire b's input from c instead of a.
  ASSERT_TRUE(model::ge_ConnectPin(logic, b, 1, true));
  connect(c, b, 1);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_RestoreUndo());
  EXPECT_EQ(dump(), before);
  EXPECT_TRUE(pinsInLogic());
  EXPECT_EQ(b->Inputs[0].Source, a);
  model::GateInstance* ai = model::inst_Parallel(logic, logic->FirstInstance, a);
  model::GateInstance* bi = model::inst_Parallel(logic, logic->FirstInstance, b);
  ASSERT_TRUE(ai && bi && bi->InputRefs);
  EXPECT_EQ(bi->InputRefs[0], ai->OutputValues) << "the instance input reads the restored source";
  EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
}

TEST_F(Gestures, GateDeletedBetweenCopyAndUndoLeavesEverything) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  make(logic, model::kKindExor, 500, 200);
  connect(a, b, 1);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_SaveUndoBuffer());
  ASSERT_TRUE(ws_SaveUndoBuffer()) << "a second copy replaces the first";
  model::ge_MoveGateRedraw(logic, b, 400, 300);
  model::ge_DeleteGate(logic, nth(2));
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  std::string after = dump();
  model::CurrentDocument = model::TemplateDocument;
  ws_RestoreUndo();
  EXPECT_EQ(dump(), after);
  EXPECT_EQ(model::TemplateDocument->UndoLogic, nullptr);
}

TEST_F(Gestures, UndoCopyIsNotListed) {
  make(logic, model::kKindAnd, 100, 100);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_SaveUndoBuffer());
  for (model::LogicRecord* l = model::firstLogicOf(model::TemplateDocument->FirstModule); l; l = l->Next)
    EXPECT_NE(l, model::TemplateDocument->UndoLogic);
  EXPECT_NE(model::TemplateDocument->LastLogic, model::TemplateDocument->UndoLogic);
  EXPECT_FALSE(model::ge_DeleteLogic(model::TemplateDocument->UndoLogic)) << "no module holds it";
}

struct ShiftCase {
  int dx, dy, wantX, wantY;
};

TEST_F(Gestures, SheetShiftsBySnappedDistances) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  const ShiftCase cases[] = {{4, 4, 0, 0}, {5, 0, 5, 0}, {-8, 0, -5, 0}, {4, 7, 5, 5}};
  ScriptRunner run(host, w);
  for (const ShiftCase& c : cases) {
    int x0 = a->X, y0 = a->Y;
    ASSERT_TRUE(run.run("down 600 500\nexpect result 3\nexpect state 11\nup " + at(600 + c.dx, 500 + c.dy) +
                        "\nexpect state 0\n"))
        << ::testing::PrintToString(run.failures);
    EXPECT_EQ(a->X - x0, c.wantX) << c.dx << "," << c.dy;
    EXPECT_EQ(a->Y - y0, c.wantY) << c.dx << "," << c.dy;
  }
  // A shift to the left stops at 0.
  ASSERT_TRUE(run.run("down 600 500\nup 400 500\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(a->X, 0);
}

TEST_F(Gestures, PressOnAPinSquaresASlantedWire) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  connect(a, b, 1);
  int ex, ey, sx, sy;
  pin(b, 1, true, ex, ey);
  pin(a, 1, false, sx, sy);
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(ex, ey) + "\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  const model::WirePoint* p = b->Inputs[0].Wire;
  ASSERT_EQ(model::wirePointCount(p), 3u);
  EXPECT_EQ(p->X, sx);
  EXPECT_EQ(p->Next->X, sx);
  EXPECT_EQ(p->Next->Y, ey);
  EXPECT_EQ(p->Next->Next->X, ex);
  EXPECT_EQ(p->Next->Next->Y, ey);
}

TEST_F(Gestures, SegmentDragMovesTheVerticalSegment) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 200);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  connect(a, b, 1, {{200, sy}, {200, ey}});
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(200, (sy + ey) / 2) + "\nexpect result 5\nexpect state 4\nup " +
                      at(240, (sy + ey) / 2) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  bool moved = false;
  for (model::WirePoint* p = b->Inputs[0].Wire; p && p->Next; p = p->Next)
    if (p->X == 240 && p->Next->X == 240) moved = true;
  EXPECT_TRUE(moved) << dump();
}

TEST_F(Gestures, PressOnAParamVariationOrDisableLogicGateLiftsNothing) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* dl = nullptr;
  if (!model::ge_CreateGateAsked(logic, model::kKindDisableLogic, nullptr, a, 300, 300, dl) || !dl)
    GTEST_SKIP() << "no Disable-Logic gate";
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  ScriptRunner run(host, w);
  ASSERT_TRUE(run.run("down " + at(dl->X + 3, dl->Y + 3) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
}

// The picks the shell and the position classes use: a connection before a
// gate, the direction of the segment under the point, and the plain pick
// leaves the segment picked for a drag alone.
TEST_F(Gestures, PickAtPointNamesConnectionsAndGates) {
  GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  GateRecord* b = make(logic, model::kKindOr, 300, 220);
  int sx, sy, ex, ey;
  pin(a, 1, false, sx, sy);
  pin(b, 1, true, ex, ey);
  connect(a, b, 1, {{200, sy}, {200, ey}});
  w->scrollX = 40;
  w->scrollY = 20;
  struct Case {
    int x, y;
    int pick, shape, cls;
  } cases[] = {
      {200, (sy + ey) / 2, 2, 17, 19},     // the vertical segment
      {(sx + 200) / 2, sy, 2, 18, 20},     // the first horizontal segment
      {(200 + ex) / 2, ey + 3, 2, 18, 20}, // near the last one
      {a->X + 12, a->Y + 12, 1, 2, 1},     // on a gate
      {600, 500, 0, 2, 18},                // free sheet
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(at(c.x, c.y));
    model::CurrentDocument = model::TemplateDocument;
    EXPECT_EQ(ui_PickAtPoint(c.x, c.y), c.pick);
    EXPECT_EQ(ui_PickShapeAtPoint(c.x, c.y), c.shape);
    EngineEvent e;
    e.type = kMsgMouseMove;
    e.x = std::int16_t(c.x - w->scrollX);
    e.y = std::int16_t(c.y - w->scrollY);
    EXPECT_EQ(ws_ClassifyMousePos(w, &e), c.cls);
    EXPECT_EQ(gg_PickAtPoint(w, e.x, e.y), c.pick == 2);
  }
  // A segment picked for a drag stays picked through the plain test.
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(de_PickSegment(w, 200 - w->scrollX, (sy + ey) / 2 - w->scrollY));
  model::WirePoint* dragged = gestures().segmentPoint;
  ASSERT_NE(dragged, nullptr);
  ASSERT_TRUE(gg_PickAtPoint(w, (sx + 200) / 2 - w->scrollX, sy - w->scrollY));
  EXPECT_NE(gestures().pickedSegment, dragged);
  EXPECT_EQ(gestures().segmentPoint, dragged);
}

// A Param.-Variation gate dropped on a gate stands directly before it with
// inputs fitting that gate; dropped on free sheet it goes away.
TEST_F(Gestures, ParamVariationDroppedOnAGateAttachesToIt) {
  struct Case {
    std::uint8_t targetKind;
    bool onTarget;
    unsigned inputs;
  } cases[] = {{model::kKindAnd, true, 1}, {std::uint8_t(4), true, 1}, {model::kKindIntegration, true, 2}, {std::uint8_t(42), true, 3},
               {model::kKindAnd, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.targetKind) * 10 + c.onTarget);
    while (logic->FirstGate) model::ge_DeleteGate(logic, logic->FirstGate);
    make(logic, model::kKindOr, 300, 300);
    GateRecord* t = make(logic, c.targetKind, 100, 100);
    ASSERT_NE(t, nullptr);
    ScriptRunner run(host, w);
    host.textAnswers = {"Param.-Variatio"};
    ASSERT_TRUE(run.run("cmd 237\nexpect result 4\nexpect state 9\nmove 50 50\n"))
        << ::testing::PrintToString(run.failures);
    ASSERT_EQ(count(), 3);
    int x = c.onTarget ? t->X + 10 : 500, y = c.onTarget ? t->Y + 10 : 100;
    ASSERT_TRUE(run.run("up " + at(x, y) + "\nexpect state 0\n"))
        << ::testing::PrintToString(run.failures);
    EXPECT_EQ(model::TemplateDocument->CurrentGate, nullptr);
    std::vector<GateRecord*> pv;
    GateRecord* before = nullptr;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      if (g->Kind == model::kKindParamVariation) {
        pv.push_back(g);
        before = g->Next;
      }
    EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
    if (!c.onTarget) {
      EXPECT_TRUE(pv.empty());
      EXPECT_EQ(count(), 2);
      continue;
    }
    ASSERT_EQ(pv.size(), 1u) << dump();
    EXPECT_EQ(before, t) << "directly before its target";
    EXPECT_EQ(pv[0]->X, model::gg_Snap(x));
    EXPECT_EQ(pv[0]->Y, model::gg_Snap(y));
    EXPECT_EQ(pv[0]->InputCount, c.inputs);
    EXPECT_EQ(pv[0]->OutputCount, 0u);
    for (unsigned k = 0; k < pv[0]->InputCount; ++k) EXPECT_EQ(pv[0]->Inputs[k].Type, model::kTypeReal);
    EXPECT_EQ(count(), 3);
    // A press on it lifts nothing.
    ASSERT_TRUE(run.run("down " + at(pv[0]->X + 2, pv[0]->Y + 2) + "\nexpect state 0\nup\n"))
        << ::testing::PrintToString(run.failures);
  }
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

class GestureModules : public Gestures {};

TEST_F(GestureModules, DisableLogicOnASubprogramGateLeavesEnableSB) {
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  model::LogicRecord* enable = model::ge_NewLogic("Enable-SB");
  ASSERT_TRUE(sub && enable);
  GateRecord* call = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(logic, model::kKindCall, sub, nullptr, 40, 40, call));
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(call, bx, by, bw, bh, false);
  ScriptRunner run(host, w);
  host.textAnswers = {"Disable-Logic"};
  ASSERT_TRUE(run.run("cmd 237\n")) << ::testing::PrintToString(run.failures);
  if (run.lastResult != 4) GTEST_SKIP() << "no Disable-Logic gate is made here";
  ASSERT_TRUE(run.run("up " + at(call->X + 20, call->Y + 20) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
  GateRecord* made = nullptr;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    EXPECT_NE(g->Kind, model::kKindDisableLogic) << "no Disable-Logic gate stays";
    if (g->Kind == model::kKindCall && model::subLogic(g) == enable) made = g;
  }
  ASSERT_NE(made, nullptr) << "Enable-SB is inserted";
  EXPECT_EQ(made->X, model::gg_Snap(call->X + sub->Width));
  EXPECT_EQ(made->Y, model::gg_Snap(call->Y + sub->Height));
}

TEST_F(GestureModules, AndModuleAsksItsInputCount) {
  model::CurrentDocument = model::TemplateDocument;
  model::ProjectModule* lib = model::doc_AddModule(*model::TemplateDocument, "LIB", model::kModuleCompiled);
  ASSERT_NE(lib, nullptr);
  model::GateTypeRecord* t = nullptr;
  ASSERT_TRUE(model::mm_New(t));
  std::memcpy(t->Name, "AND             ", 16);
  t->StepLength = 12;
  t->Module = lib;
  t->InputCount = 2;
  t->OutputCount = 1;
  t->Width = 40;
  t->Height = 40;
  ASSERT_TRUE(model::mm_New(t->InputPins, 2));
  ASSERT_TRUE(model::mm_New(t->OutputPins, 1));
  for (int i = 0; i < 2; ++i) t->InputPins[i] = {0, std::int16_t(10 + 10 * i), 2, model::kTypeBinary, {}};
  t->OutputPins[0] = {40, 20, 1, model::kTypeBinary, {}};
  lib->List = t;
  struct Case { int answer, inputs; };
  for (Case c : {Case{12, 8}, Case{1, 2}, Case{5, 5}}) {
    model::CurrentDocument = model::TemplateDocument;
    model::TemplateDocument->EditView = 1;
    host.textAnswers = {"AND"};
    host.intAnswers = {c.answer};
    ASSERT_EQ(fn_AddGate(), 1) << c.answer;
    GateRecord* g = model::TemplateDocument->CurrentGate;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Kind, model::kKindCompiled);
    EXPECT_EQ(g->InputCount, c.inputs) << c.answer;
    EXPECT_EQ(model::model_CheckLogic(*logic), std::vector<std::string>{});
    model::ge_DeleteGate(logic, g);
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    setEditorState(0);
  }
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

TEST_F(GestureModules, ModuleGateDroppedNearAFreeOutputIsConnectedAndLiftedAgain) {
  model::CurrentDocument = model::TemplateDocument;
  model::ProjectModule* lib = model::doc_AddModule(*model::TemplateDocument, "LIB", model::kModuleCompiled);
  model::GateTypeRecord* t = nullptr;
  ASSERT_TRUE(lib && model::mm_New(t));
  std::memcpy(t->Name, "AND             ", 16);
  t->StepLength = 12;
  t->Module = lib;
  t->InputCount = 2;
  t->OutputCount = 1;
  t->Width = 40;
  t->Height = 40;
  ASSERT_TRUE(model::mm_New(t->InputPins, 2) && model::mm_New(t->OutputPins, 1));
  for (int i = 0; i < 2; ++i) t->InputPins[i] = {0, std::int16_t(10 + 10 * i), 2, model::kTypeBinary, {}};
  t->OutputPins[0] = {40, 20, 1, model::kTypeBinary, {}};
  lib->List = t;
  model::CreateParams p;
  p.kind = model::kKindCompiled;
  ASSERT_TRUE(model::gt_AskCreateParams(p, t, nullptr));
  std::uint16_t seq = 0;
  GateRecord* a = nullptr;
  model::GateInstance* inst = nullptr;
  ASSERT_TRUE(model::ge_CreateGate(logic, model::gateSpecFrom(p, t, nullptr, 96, 100), seq, a, inst));
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  int ox, oy;
  pin(a, 1, false, ox, oy);
  ScriptRunner run(host, w);
  host.textAnswers = {"AND"};
  host.intAnswers = {2};
  ASSERT_TRUE(run.run("cmd 237\nexpect state 9\n")) << ::testing::PrintToString(run.failures);
  GateRecord* b = model::TemplateDocument->CurrentGate;
  ASSERT_NE(b, nullptr);
  std::int16_t ix, iy;
  std::uint16_t side;
  model::gg_InputPinPos(b, 1, ix, iy, side);
  // The drop puts b's first input 9 units right of a's output.
  int dropX = model::gg_Snap(ox + 9 - ix), dropY = model::gg_Snap(oy - iy);
  ASSERT_EQ(std::abs(dropX + ix - ox) + std::abs(dropY + iy - oy), 9);
  ASSERT_TRUE(run.run("up " + at(dropX, dropY) + "\nexpect result 4\nexpect state 1\n"))
      << ::testing::PrintToString(run.failures);
  EXPECT_EQ(b->Inputs[0].Source, a);
  EXPECT_EQ(model::wirePointCount(b->Inputs[0].Wire), 2u) << "a two-point wire";
  ASSERT_TRUE(run.run("up " + at(dropX + 100, dropY + 100) + "\nexpect state 0\n"))
      << ::testing::PrintToString(run.failures);
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

TEST_F(Gestures, PlacingAPortRebuildsTheCallsOfTheLogic) {
  // logic is shown; MAIN calls it.
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* caller = model::ge_NewLogic("CALLER");
  GateRecord* call = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(caller, model::kKindCall, logic, nullptr, 200, 200, call));
  ASSERT_EQ(call->InputCount, 0);
  ScriptRunner run(host, w);
  host.textAnswers = {"Input"};
  shellFake.ports.push_back({true, "IN", 7});
  ASSERT_TRUE(run.run("cmd 237\nexpect state 9\nup 100 100\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  ASSERT_NE(caller->FirstGate, nullptr);
  EXPECT_EQ(caller->FirstGate->Kind, model::kKindCall);
  EXPECT_EQ(caller->FirstGate->InputCount, 1) << "the call was made anew with the new port";
  EXPECT_EQ(model::EditLogic(*model::TemplateDocument), logic);
  EXPECT_EQ(model::model_CheckLogic(*caller), std::vector<std::string>{});
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

TEST_F(Gestures, PlacingAPortKeepsTheValuesOfTheProgram) {
  // &MAIN calls the shown logic; the call's values of the logic's AND gate
  // and a value of &MAIN itself survive the rebuild of the call.
  GateRecord* andGate = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(logic, model::kKindAnd, nullptr, nullptr, 300, 300, andGate));
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  model::LogicRecord* main = model::ge_NewLogic("&MAIN");
  GateRecord* call = nullptr;
  GateRecord* other = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, logic, nullptr, 200, 200, call));
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindAnd, nullptr, nullptr, 400, 200, other));
  auto instanceIn = [](model::GateInstance* list, const GateRecord* g) {
    while (list && list->GateNumber != g->GateNumber) list = list->Next;
    return list;
  };
  model::GateInstance* callInstance = instanceIn(main->FirstInstance, call);
  ASSERT_NE(callInstance, nullptr);
  model::GateInstance* child = instanceIn(callInstance->Children, andGate);
  ASSERT_NE(child, nullptr);
  child->OutputValues[0] = 1;
  instanceIn(main->FirstInstance, other)->OutputValues[0] = 1;
  main->StepBlock.interval = 0.125;
  ScriptRunner run(host, w);
  host.textAnswers = {"Input"};
  shellFake.ports.push_back({true, "IN", 7});
  ASSERT_TRUE(run.run("cmd 237\nexpect state 9\nup 100 100\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  GateRecord* rebuilt = nullptr;
  for (GateRecord* g = main->FirstGate; g; g = g->Next)
    if (g->Kind == model::kKindCall) rebuilt = g;
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_EQ(rebuilt->InputCount, 1) << "the call was made anew with the new port";
  model::GateInstance* after = instanceIn(main->FirstInstance, rebuilt);
  ASSERT_NE(after, nullptr);
  model::GateInstance* afterChild = instanceIn(after->Children, andGate);
  ASSERT_NE(afterChild, nullptr);
  EXPECT_EQ(afterChild->OutputValues[0], 1.0) << "the call's values read back";
  EXPECT_EQ(instanceIn(main->FirstInstance, other)->OutputValues[0], 1.0);
  EXPECT_EQ(main->StepBlock.interval, 0.125);
  EXPECT_EQ(model::EditLogic(*model::TemplateDocument), logic);
  EXPECT_EQ(model::EditInstances(*model::TemplateDocument), logic->FirstInstance);
  EXPECT_EQ(model::model_CheckLogic(*main), std::vector<std::string>{});
}

} // namespace
} // namespace editor_test
