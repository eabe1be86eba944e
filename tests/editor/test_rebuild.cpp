#include "fixture.h"

#include "editor/gateactions.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/gatekinds.h"

#include <cstring>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;
using model::LogicRecord;

class Rebuild : public EditorFixture {
protected:
  LogicRecord* main = nullptr;
  LogicRecord* sub = nullptr;
  LogicRecord* sub2 = nullptr;

  GateRecord* port(LogicRecord* l, std::uint8_t kind, const std::string& name, int x, int y) {
    shellFake.ports.push_back({true, name, 7});
    model::CurrentDocument = model::TemplateDocument;
    GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(l, kind, nullptr, nullptr, x, y, g));
    return g;
  }
  void SetUp() override {
    EditorFixture::SetUp();
    main = showLogic("MAIN");
    model::CurrentDocument = model::TemplateDocument;
    sub = model::ge_NewLogic("SUB");
    port(sub, model::kKindInput, "A", 50, 50);
    port(sub, model::kKindInput, "B", 50, 100);
    port(sub, model::kKindInput, "C", 50, 150);
    port(sub, model::kKindOutput, "Q", 300, 100);
    model::CurrentDocument = model::TemplateDocument;
    sub2 = model::ge_CopyGateSet("SUB2", sub);
    ASSERT_NE(sub2, nullptr);
    GateRecord* third = sub2->FirstGate->Next->Next;
    ASSERT_EQ(third->Kind, model::kKindInput);
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_DeleteGate(sub2, third));
    model::EditLogic(*model::TemplateDocument) = main;
    model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  }
  void pin(GateRecord* g, unsigned n, bool input, int& x, int& y) {
    std::int16_t px, py;
    std::uint16_t side;
    if (input) model::gg_InputPinPos(g, n, px, py, side);
    else model::gg_OutputPinPos(g, n, px, py, side);
    x = g->X + px;
    y = g->Y + py;
  }
  void connect(GateRecord* a, unsigned out, GateRecord* b, unsigned k, GateRecord* branch = nullptr) {
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
    q->Y = std::int16_t(ey);
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(main, b, k, a, out, branch, p));
  }
};

TEST_F(Rebuild, FewerInputsKeepTheMatchingConnectionsAndTheOrdinal) {
  GateRecord* i1 = port(main, model::kKindInput, "I1", 20, 100);
  GateRecord* i2 = port(main, model::kKindInput, "I2", 20, 200);
  GateRecord* i3 = port(main, model::kKindInput, "I3", 20, 300);
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 150, call));
  GateRecord* q1 = port(main, model::kKindOutput, "Q1", 500, 150);
  GateRecord* q2 = port(main, model::kKindOutput, "Q2", 500, 300);
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  ASSERT_EQ(call->InputCount, 3);
  connect(i1, 1, call, 1);
  connect(i2, 1, call, 2);
  connect(i3, 1, call, 3);
  connect(call, 1, q1, 1);
  connect(call, 1, q2, 1, q1);   // a branch of the call's output net
  int ordinal = 0;
  ASSERT_TRUE(model::gg_GateOrdinal(main, call, ordinal));
  std::int16_t x = call->X, y = call->Y;
  std::uint16_t number = call->GateNumber;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_RebuildAfterParamChange("SUB2", x + 5, y + 5));
  GateRecord* n = nullptr;
  for (GateRecord* g = main->FirstGate; g; g = g->Next)
    if (g->Kind == model::kKindCall) {
      EXPECT_EQ(n, nullptr) << "the old gate is gone";
      n = g;
    }
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(model::subLogic(n), sub2);
  EXPECT_EQ(n->X, x);
  EXPECT_EQ(n->Y, y);
  EXPECT_EQ(n->GateNumber, number);
  int newOrdinal = 0;
  ASSERT_TRUE(model::gg_GateOrdinal(main, n, newOrdinal));
  EXPECT_EQ(newOrdinal, ordinal);
  ASSERT_EQ(n->InputCount, 2);
  EXPECT_EQ(n->Inputs[0].Source, i1);
  EXPECT_EQ(n->Inputs[1].Source, i2);
  EXPECT_EQ(q1->Inputs[0].Source, n) << "the output connection follows the new gate";
  EXPECT_EQ(q2->Inputs[0].Source, n) << "so does the branch of its net";
  for (GateRecord* g = main->FirstGate; g; g = g->Next)
    for (unsigned k = 0; k < g->InputCount; ++k) EXPECT_NE(g->Inputs[k].Source, i3);
  EXPECT_EQ(model::model_CheckLogic(*main), std::vector<std::string>{});
}

TEST_F(Rebuild, BuiltInGatesAndEmptyPlacesAreLeftAlone) {
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* a = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindAnd, nullptr, nullptr, 100, 100, a));
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  EXPECT_TRUE(ws_RebuildAfterParamChange("SUB2", a->X + 5, a->Y + 5));
  EXPECT_EQ(main->FirstGate, a);
  EXPECT_EQ(a->Next, nullptr);
  setEditorState(12);
  EXPECT_TRUE(ws_RebuildAfterParamChange("SUB2", 900, 900));
  EXPECT_EQ(editorState(), 0u);
}

TEST_F(Rebuild, FailedInsertLeavesTheOldGate) {
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 150, call));
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  EXPECT_FALSE(ws_RebuildAfterParamChange("NOSUCH", call->X + 5, call->Y + 5));
  EXPECT_EQ(main->FirstGate, call);
}

TEST_F(Rebuild, ModelRefreshOfCallsGoesThroughTheRebuild) {
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* call = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 150, call));
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  // A new port in SUB: its call in MAIN is made anew with four inputs.
  port(sub, model::kKindInput, "D", 50, 200);
  model::CurrentDocument = model::TemplateDocument;
  EXPECT_TRUE(model::ge_ForEachGateNotify(sub));
  ASSERT_NE(main->FirstGate, nullptr);
  EXPECT_EQ(main->FirstGate->Kind, model::kKindCall);
  EXPECT_EQ(main->FirstGate->InputCount, 4);
  EXPECT_EQ(model::model_CheckLogic(*main), std::vector<std::string>{});
}

// A compiled module "name" with one type "AND" of two pin rows.
model::GateTypeRecord* andType(const char* module) {
  model::ProjectModule* lib = model::doc_AddModule(*model::TemplateDocument, module, model::kModuleCompiled);
  model::GateTypeRecord* t = nullptr;
  if (!lib || !model::mm_New(t)) return nullptr;
  std::memcpy(t->Name, "AND             ", 16);
  t->StepLength = 12;
  t->Module = lib;
  t->InputCount = 2;
  t->OutputCount = 1;
  t->Width = 40;
  t->Height = 40;
  if (!model::mm_New(t->InputPins, 2) || !model::mm_New(t->OutputPins, 1)) return nullptr;
  for (int i = 0; i < 2; ++i) t->InputPins[i] = {0, std::int16_t(10 + 10 * i), 2, model::kTypeBinary, {}};
  t->OutputPins[0] = {40, 20, 1, model::kTypeBinary, {}};
  lib->List = t;
  return t;
}

TEST_F(Rebuild, LibraryChangeKeepsTheAndInputCountWithPinRows) {
  model::CurrentDocument = model::TemplateDocument;
  model::GateTypeRecord* oldType = andType("LIB");
  model::GateTypeRecord* newType = andType("LIB2");
  ASSERT_TRUE(oldType && newType);
  model::CreateParams p;
  p.kind = model::kKindCompiled;
  ASSERT_TRUE(model::gt_AskCreateParams(p, oldType, nullptr));
  p.inputCount = 5;
  std::uint16_t seq = 0;
  GateRecord* o = nullptr;
  model::GateInstance* inst = nullptr;
  ASSERT_TRUE(model::ge_CreateGate(main, model::gateSpecFrom(p, oldType, nullptr, 200, 200), seq, o, inst));
  model::GateRecord* src = nullptr;
  p.inputCount = 2;
  ASSERT_TRUE(model::ge_CreateGate(main, model::gateSpecFrom(p, oldType, nullptr, 40, 200), seq, src, inst));
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  connect(src, 1, o, 1);
  ASSERT_EQ(o->Inputs[0].Type, model::kTypeBinary);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_RebuildAfterLibraryChange("LIB2", "AND", 0, 0, o));
  GateRecord* n = model::TemplateDocument->CurrentGate;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(model::subType(n), newType);
  EXPECT_EQ(n->InputCount, 5) << "the old count, with a pin row for every input";
  EXPECT_EQ(n->Inputs[0].Source, src);
  for (GateRecord* g = main->FirstGate; g; g = g->Next) EXPECT_NE(g, o);
  EXPECT_EQ(model::model_CheckLogic(*main), std::vector<std::string>{});
}

TEST_F(Rebuild, SubprogramToCompiledCarriesNothing) {
  model::CurrentDocument = model::TemplateDocument;
  model::GateTypeRecord* t = andType("LIB");
  ASSERT_NE(t, nullptr);
  std::memcpy(t->Name, "SUB             ", 16);
  GateRecord* i1 = port(main, model::kKindInput, "I1", 20, 100);
  GateRecord* call = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 200, 150, call));
  model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
  connect(i1, 1, call, 1);
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(ws_RebuildAfterLibraryChange("LIB", "SUB", 0, 0, call));
  GateRecord* n = model::TemplateDocument->CurrentGate;
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Kind, model::kKindCompiled);
  for (unsigned k = 0; k < n->InputCount; ++k) EXPECT_EQ(n->Inputs[k].Source, nullptr);
  EXPECT_EQ(model::model_CheckLogic(*main), std::vector<std::string>{});
}

TEST_F(Rebuild, RepointBranchGate) {
  model::CurrentDocument = model::TemplateDocument;
  GateRecord* a = nullptr;
  GateRecord* b = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindAnd, nullptr, nullptr, 100, 100, a));
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindAnd, nullptr, nullptr, 300, 100, b));
  a->Inputs[0].BranchOf = a;
  ws_RepointBranchGate(main, a, b);
  EXPECT_EQ(a->Inputs[0].BranchOf, b);
  a->Inputs[0].BranchOf = nullptr;
}

} // namespace
} // namespace editor_test
