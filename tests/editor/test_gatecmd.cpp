#include "fixture.h"

#include "editor/gatecmd.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/gatekinds.h"
#include "model/instances.h"

#include <cstring>

namespace editor_test {
namespace {

using namespace editor;

class GateCommands : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  WorksheetWindowData* w = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    current = &host;
    logic = showLogic("MAIN");
    w = sheet();
    model::TemplateDocument->EditView = 1;
    engineHooks().pf_PromptInt = [](const std::string& title, int& value) {
      return answerInt(title, value);
    };
  }
  static inline HeadlessHost* current = nullptr;
  static bool answerInt(const std::string& title, int& value) { return current->promptInt(title, value); }
  std::vector<std::string> check() { return model::model_CheckLogic(*logic); }
  int count() {
    int n = 0;
    for (model::GateRecord* g = logic->FirstGate; g; g = g->Next) ++n;
    return n;
  }
};

TEST_F(GateCommands, TextStoreKeepsHeightAndTextInEveryInstance) {
  model::GateRecord* t = make(logic, model::kKindText, 100, 100);
  ASSERT_NE(t, nullptr);
  std::string text(20, 'x');
  ASSERT_TRUE(scr_SetTextGateText(t, 14, text));
  EXPECT_EQ(t->ExtraCount, 20 / 8 + 3) << "16 + 8 x (n div 8 + 1) bytes";
  int height = 0;
  EXPECT_EQ(model::gt_GateText(t, &height), text);
  EXPECT_EQ(height, 14);
  model::GateInstance* gi = model::inst_Parallel(logic, logic->FirstInstance, t);
  ASSERT_NE(gi, nullptr);
  ASSERT_NE(gi->ExtraValues, nullptr);
  EXPECT_EQ(std::memcmp(gi->ExtraValues, t->Extra, std::size_t(t->ExtraCount) * 8), 0);
  // The limit and a shorter text after a longer one.
  ASSERT_TRUE(scr_SetTextGateText(t, 12, std::string(40000, 'y')));
  EXPECT_EQ(model::gt_GateText(t).size(), kTextGateLimit);
  ASSERT_TRUE(scr_SetTextGateText(t, 12, "ab"));
  EXPECT_EQ(model::gt_GateText(t), "ab");
  EXPECT_FALSE(scr_SetTextGateText(make(logic, model::kKindAnd, 200, 200), 12, "no"));
  EXPECT_EQ(check(), std::vector<std::string>{});
}

TEST_F(GateCommands, ModelTextDialogGoesThroughTheStore) {
  model::GateRecord* t = make(logic, model::kKindText, 100, 100);
  shellFake.texts.push_back({true, "hello world"});
  ASSERT_TRUE(model::gt_GateNameText(logic, t));
  EXPECT_EQ(model::gt_GateText(t), "hello world");
}

TEST_F(GateCommands, LibraryGateByNameIsPlacedAtThePoint) {
  model::CurrentDocument = model::TemplateDocument;
  EXPECT_EQ(fn_InsertLibraryGate("And", true, 102, 61), 1);
  model::GateRecord* g = model::TemplateDocument->CurrentGate;
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Kind, model::kKindAnd);
  EXPECT_EQ(g->X, 100);
  EXPECT_EQ(g->Y, 60);
  EXPECT_EQ(fn_InsertLibraryGate("NoSuchGate", true, 0, 0), 0);
  EXPECT_EQ(fn_InsertLibraryGate("", false, 500, 500), 1) << "no gate under the point";
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(check(), std::vector<std::string>{});
}

TEST_F(GateCommands, RemoveAtAPointDeletesOrIdles) {
  make(logic, model::kKindAnd, 100, 100);
  model::CurrentDocument = model::TemplateDocument;
  setEditorState(2);
  EXPECT_TRUE(fn_RemoveGateAt(400, 400));
  EXPECT_EQ(editorState(), 0u);
  EXPECT_EQ(count(), 1);
  EXPECT_TRUE(fn_RemoveGateAt(110, 110));
  EXPECT_EQ(count(), 0);
}

// Kinds that keep their place in the order whatever is answered.
TEST_F(GateCommands, GateNumberMovesOnlyCountedGates) {
  model::GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  model::GateRecord* b = make(logic, model::kKindOr, 200, 100);
  model::GateRecord* c = make(logic, model::kKindExor, 300, 100);
  model::CurrentDocument = model::TemplateDocument;
  host.intAnswers = {1};
  EXPECT_TRUE(fn_SetGateNumberAt(c->X + 5, c->Y + 5));
  EXPECT_EQ(logic->FirstGate, c);
  host.intAnswers = {0};
  EXPECT_TRUE(fn_SetGateNumberAt(a->X + 5, a->Y + 5));
  EXPECT_EQ(logic->FirstGate, c) << "number 0 changes nothing";
  (void)b;
  for (std::uint8_t kind : {model::kKindInput, model::kKindOutput, model::kKindParamVariation, model::kKindText,
                            model::kKindDefineMarker, model::kKindDisableLogic}) {
    model::GateRecord* k = nullptr;
    model::CurrentDocument = model::TemplateDocument;
    if (!model::ge_CreateGateAsked(logic, kind, nullptr, kind == model::kKindParamVariation ||
                                                            kind == model::kKindDisableLogic ? a : nullptr,
                                   500, 300, k) || !k)
      continue;
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    std::vector<model::GateRecord*> before;
    for (model::GateRecord* g = logic->FirstGate; g; g = g->Next) before.push_back(g);
    host.intAnswers = {1};
    EXPECT_TRUE(fn_SetGateNumber(k, 1)) << int(kind);
    std::vector<model::GateRecord*> after;
    for (model::GateRecord* g = logic->FirstGate; g; g = g->Next) after.push_back(g);
    EXPECT_EQ(before, after) << "kind " << int(kind) << " keeps its place";
    model::ge_DeleteGate(logic, k);
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  }
  EXPECT_EQ(check(), std::vector<std::string>{});
}

TEST_F(GateCommands, ReplacingRefusesStartAndMarkers) {
  model::GateRecord* a = make(logic, model::kKindAnd, 100, 100);
  model::CurrentDocument = model::TemplateDocument;
  EXPECT_EQ(fn_EditGateAt(a->X + 5, a->Y + 5), 1);
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(fn_EditGateAt(600, 600), 1);
  EXPECT_EQ(count(), 2);
  model::GateRecord* s = make(logic, model::kKindStart, 300, 300);
  ASSERT_NE(s, nullptr);
  model::CurrentDocument = model::TemplateDocument;
  EXPECT_EQ(fn_EditGateAt(s->X + 5, s->Y + 5), 0);
  EXPECT_EQ(count(), 3);
  int x = 100;
  for (std::uint8_t kind : {model::kKindMarker, model::kKindDefineMarker}) {
    model::GateRecord* m = nullptr;
    model::CurrentDocument = model::TemplateDocument;
    shellFake.texts.push_back({true, "M" + std::to_string(kind)});
    if (!model::ge_CreateGateAsked(logic, kind, nullptr, nullptr, x, 400, m) || !m) continue;
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    int before = count();
    model::CurrentDocument = model::TemplateDocument;
    EXPECT_EQ(fn_EditGateAt(m->X + 2, m->Y + 2), 0) << int(kind);
    EXPECT_EQ(count(), before);
    x += 200;
  }
}

TEST_F(GateCommands, AddGateTakesTheChoosersName) {
  model::CurrentDocument = model::TemplateDocument;
  host.textAnswers = {"And"};
  EXPECT_EQ(fn_AddGate(), 1);
  EXPECT_EQ(editorState(), 9u);
  ASSERT_NE(model::TemplateDocument->CurrentGate, nullptr);
  EXPECT_EQ(model::TemplateDocument->CurrentGate->Kind, model::kKindAnd);
  setEditorState(0);
  host.textAnswers = {"<cancel>"};
  EXPECT_EQ(fn_AddGate(), 0);
  EXPECT_EQ(count(), 1);
}

TEST_F(GateCommands, PortWithOpenTypeEndsReal) {
  model::CurrentDocument = model::TemplateDocument;
  for (std::uint8_t kind : {model::kKindInput, model::kKindOutput}) {
    model::CreateParams p;
    p.kind = kind;
    p.inputCount = kind == model::kKindInput ? 0 : 1;
    p.outputCount = kind == model::kKindInput ? 1 : 0;
    p.extraCount = 1;
    p.inputType = p.outputType = model::kTypeOpen;
    p.portName = kind == model::kKindInput ? "IN1" : "OUT1";
    ASSERT_TRUE(de_PlaceGateAt(p, nullptr, nullptr, 100, kind == model::kKindInput ? 100 : 300, false));
    model::GateRecord* g = model::TemplateDocument->CurrentGate;
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->Kind, kind);
    EXPECT_EQ(kind == model::kKindInput ? g->Outputs[0].Type : g->Inputs[0].Type, model::kTypeReal);
    EXPECT_TRUE(g->Flags & 1) << "the REAL port is switched to its connected form";
  }
  EXPECT_EQ(check(), std::vector<std::string>{});
}

TEST_F(GateCommands, AddGateAsksThePortDialog) {
  model::CurrentDocument = model::TemplateDocument;
  host.textAnswers = {"Input"};
  shellFake.ports.push_back({true, "IN1", 7});
  ASSERT_EQ(fn_AddGate(), 1);
  model::GateRecord* g = model::TemplateDocument->CurrentGate;
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Kind, model::kKindInput);
  EXPECT_EQ(model::gt_PortName(g), "IN1");
  EXPECT_EQ(editorState(), 9u);
}

TEST(ToggleConnect, OnlyPortGates) {
  model::GateRecord g{};
  g.Kind = model::kKindAnd;
  EXPECT_FALSE(model::ge_ToggleConnect(nullptr, &g, true));
  g.Kind = model::kKindInput;
  EXPECT_TRUE(model::ge_ToggleConnect(nullptr, &g, true));
  EXPECT_EQ(g.Flags & 1, 1);
  EXPECT_TRUE(model::ge_ToggleConnect(nullptr, &g, false));
  EXPECT_EQ(g.Flags & 1, 0);
}

} // namespace
} // namespace editor_test
