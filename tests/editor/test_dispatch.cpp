#include "fixture.h"

namespace editor_test {
namespace {

using namespace editor;

class Dispatch : public EditorFixture {};

TEST_F(Dispatch, SelectAllByAcceleratorSwitchesToTheSelectionTableAndBack) {
  model::LogicRecord* logic = showLogic("MAIN");
  ASSERT_NE(logic, nullptr);
  model::GateRecord* g = make(logic, model::kKindAnd, 100, 100);
  WorksheetWindowData* w = sheet();
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run(R"(
    msg 1027            # activation: the menu states follow this document
    expect mode 3
    cmd 370 ctrl
    expect mode 6
    expect state 21
    expect result 0
  )")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(g->Selected, 1);
  for (int id : {371, 372, 373, 375}) EXPECT_TRUE(host.menuEnabled[id]) << id;
  EXPECT_TRUE(run.run(R"(
    cmd 371
    expect mode 3
    expect state 0
  )")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(g->Selected, 0);
  for (int id : {371, 372, 373, 375}) EXPECT_FALSE(host.menuEnabled[id]) << id;
}

TEST_F(Dispatch, CommandsInAGestureAreDroppedAndEscapeEndsTools) {
  showLogic("MAIN");
  WorksheetWindowData* w = sheet();
  ScriptRunner run(host, w);
  setEditorState(1);
  EXPECT_EQ(run.dispatch(kMsgCommand, 201), 9);
  EXPECT_EQ(editorState(), 1u);
  for (std::uint32_t tool : {2u, 3u, 12u}) {
    setEditorState(tool);
    EXPECT_EQ(run.dispatch(kMsgKeyDown, kVkEscape), 0);
    EXPECT_EQ(editorState(), 0u) << tool;
  }
  setEditorState(5);
  EXPECT_EQ(run.dispatch(kMsgKeyDown, kVkEscape), 0);
  EXPECT_EQ(editorState(), 5u) << "Escape leaves wiring alone";
  setEditorState(2);
  run.dispatch(kMsgCommand, 209);
  EXPECT_EQ(editorState(), 0u) << "a command leaves the delete tool";
}

TEST_F(Dispatch, TrendMarginByWidth) {
  showLogic("MAIN");
  for (auto [width, margin] : {std::pair{400, 50}, std::pair{401, 180}}) {
    WorksheetWindowData* w = host.newWindow(kKindTrend, model::TemplateDocument, width, 300);
    ScriptRunner run(host, w);
    EXPECT_EQ(run.dispatch(kMsgLButtonDown, kKeyLeft, 10, 10), 0) << "kind 5 presses answer 0";
    EXPECT_EQ(model::TemplateDocument->ViewLeft, margin);
    EXPECT_EQ(model::TemplateDocument->ViewRight, width - margin);
    EXPECT_EQ(model::TemplateDocument->PlotWidth, width >= 401 ? width - 40 : width);
  }
  WorksheetWindowData* tree = host.newWindow(kKindRunSheet2, model::TemplateDocument);
  ScriptRunner run(host, tree);
  EXPECT_EQ(run.dispatch(kMsgLButtonDown, kKeyLeft, 10, 10), 9);
}

TEST_F(Dispatch, MouseMoveKeepsTheWindowDocumentCurrent) {
  showLogic("MAIN");
  model::DocumentRecord* other = doc_NewWindowDocument(*model::TemplateDocument);
  model::NewDocument = nullptr;
  WorksheetWindowData* w = host.newWindow(kKindSubByName, other);
  model::CurrentDocument = model::TemplateDocument;
  ScriptRunner run(host, w);
  EXPECT_EQ(run.dispatch(kMsgMouseMove, 0, 500, 500), 0);
  EXPECT_EQ(model::CurrentDocument, other);
  run.dispatch(kMsgDestroy, 0);
  EXPECT_EQ(w->document, nullptr);
  EXPECT_EQ(model::CurrentDocument, model::TemplateDocument);
}

// The one-gate fixture: areas and space closing.
class OneGate : public EditorFixture {
protected:
  model::LogicRecord* logic = nullptr;
  model::GateRecord* gate = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    logic = showLogic("MAIN");
    gate = make(logic, model::kKindAnd, 100, 100);
    ASSERT_NE(gate, nullptr);
  }
  int area(int x, int y, bool shift = false) {
    WorksheetWindowData w;
    w.document = model::TemplateDocument;
    EngineEvent e;
    e.type = kMsgLButtonDown;
    e.x = std::int16_t(x);
    e.y = std::int16_t(y);
    e.code = std::uint16_t(kKeyLeft | (shift ? kKeyShift : 0));
    return ui_MouseArea(&w, &e);
  }
};

TEST_F(OneGate, AreasOfPinGateAndFreeSheet) {
  std::int16_t px, py, bx, by, bw, bh;
  std::uint16_t side;
  ASSERT_TRUE(model::gg_InputPinPos(gate, 1, px, py, side));
  model::gg_GateBox(gate, bx, by, bw, bh, false);
  EXPECT_EQ(area(gate->X + px, gate->Y + py), 4) << "on the pin";
  EXPECT_EQ(area(bx + bw / 2, by + bh / 2, true), 0) << "Shift on the gate";
  EXPECT_EQ(area(bx + bw + 200, by + bh / 2), 6) << "free column";
  EXPECT_EQ(area(bx + bw + 200, by + bh + 300), 8) << "free column and row";
  EXPECT_EQ(area(bx + bw / 2, by + bh + 300), 7) << "free row";
  setEditorState(3);
  EXPECT_EQ(area(gate->X + px, gate->Y + py), 9) << "the trend tool sees nothing";
}

TEST_F(OneGate, ClosingAColumnNeedsAGapAbove25) {
  model::GateRecord* right = make(logic, model::kKindAnd, 300, 100);
  ASSERT_NE(right, nullptr);
  WorksheetWindowData* w = sheet();
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(gate, bx, by, bw, bh, false);
  int x = model::gg_Snap(bx + bw + 30);
  for (auto [offset, moves] : {std::pair{26, false}, std::pair{27, true}}) {
    right->X = std::int16_t(x + offset);
    ScriptRunner run(host, w);
    host.ctrl = true;
    run.dispatch(kMsgLButtonDown, kKeyLeft | kKeyCtrl, x, by + bh / 2);
    host.ctrl = false;
    if (moves) EXPECT_EQ(right->X, x + 1) << "gap 26 closes";
    else EXPECT_EQ(right->X, x + offset) << "gap 25 stays";
  }
}

TEST_F(OneGate, ShiftPressOnAColumnInsertsSpace) {
  WorksheetWindowData* w = sheet();
  model::GateRecord* right = make(logic, model::kKindAnd, 300, 100);
  ScriptRunner run(host, w);
  host.shift = true;
  run.dispatch(kMsgLButtonDown, kKeyLeft | kKeyShift, 250, 110);
  run.dispatch(kMsgLButtonDown, kKeyLeft | kKeyShift, 250, 110);
  host.shift = false;
  EXPECT_EQ(right->X, 400) << "twice at one x moves 100 units";
  EXPECT_EQ(gate->X, 100);
}

TEST_F(OneGate, SelectAllLeavesAOneRowTextGateUnmarked) {
  model::GateRecord* text = nullptr;
  (void)text;
  gate->Selected = 0;
  ws_SelectAll(nullptr, nullptr);
  EXPECT_EQ(gate->Selected, 1);
  EXPECT_EQ(editorState(), 21u);
}

} // namespace
} // namespace editor_test
