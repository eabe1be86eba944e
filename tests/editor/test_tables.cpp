#include "fixture.h"

namespace editor_test {
namespace {

using namespace editor;

int translate(std::uint16_t type, std::uint16_t code) {
  EngineEvent e;
  e.type = type;
  e.code = code;
  return ui_TranslateEvent(&e);
}

TEST(EventCodes, EveryMessageAndEveryCommandId) {
  struct Case { std::uint16_t type, code; int want; };
  const Case cases[] = {
      {kMsgLButtonDown, 1, 0}, {kMsgRButtonDown, 2, 1}, {kMsgLButtonUp, 0, 4}, {kMsgRButtonUp, 0, 5},
      {kMsgMouseMove, 0, 8}, {kMsgLButtonDblClk, 1, 185}, {kMsgPaint, 0, 181}, {kMsgDestroy, 0, 182},
      {kMsgActivate, 0, 183}, {kMsgDeactivate, 0, 184}, {kMsgChar, 'a', 185}, {kMsgSysKeyDown, 'A', 185},
      {kMsgTimer, 0, 185}, {kMsgKeyDown, kVkInsert, 9}, {kMsgKeyDown, kVkDelete, 10},
      {kMsgKeyDown, kVkHome, 11}, {kMsgKeyDown, kVkEnd, 12}, {kMsgKeyDown, kVkBack, 13},
      {kMsgKeyDown, kVkTab, 14}, {kMsgKeyDown, kVkEscape, 15}, {kMsgKeyDown, kVkReturn, 16},
      {kMsgKeyDown, kVkLeft, 17}, {kMsgKeyDown, kVkRight, 18}, {kMsgKeyDown, kVkUp, 19},
      {kMsgKeyDown, kVkDown, 20}, {kMsgKeyDown, kVkPrior, 21}, {kMsgKeyDown, kVkNext, 22},
      {kMsgKeyDown, kVkF1, 23}, {kMsgKeyDown, kVkF12, 34}, {kMsgKeyDown, '5', 35},
  };
  for (const Case& c : cases) EXPECT_EQ(translate(c.type, c.code), c.want) << c.type << "/" << c.code;

  // Command ids 195..520 against the ranges of the command table.
  struct Range { int first, last, code; };
  const Range ranges[] = {{201, 203, 36}, {204, 204, 40}, {205, 206, 53}, {207, 207, 39}, {208, 215, 55},
                          {216, 216, 41}, {217, 221, 63}, {230, 240, 68}, {241, 241, 81}, {242, 243, 79},
                          {250, 256, 88}, {260, 272, 95}, {280, 290, 108}, {295, 297, 119}, {300, 305, 122},
                          {306, 321, 129}, {330, 335, 42}, {360, 364, 48}, {370, 375, 82}, {380, 381, 189},
                          {383, 383, 159}, {500, 514, 146}};
  for (int id = 195; id <= 520; ++id) {
    int want = 185;
    for (const Range& r : ranges)
      if (id >= r.first && id <= r.last) want = r.code + id - r.first;
    EXPECT_EQ(translate(kMsgCommand, std::uint16_t(id)), want) << "id " << id;
  }
  EXPECT_EQ(translate(kMsgCommand, 200), 185);
  EXPECT_EQ(translate(kMsgCommand, 515), 185);
  EXPECT_EQ(translate(kMsgCommand, 513), 159);
  EXPECT_EQ(translate(kMsgCommand, 383), 159);
}

TEST(EventCodes, LettersReachTheHandlersInLowerCase) {
  EngineEvent e;
  e.type = kMsgKeyDown;
  e.code = 'Q';
  EXPECT_EQ(ui_TranslateEvent(&e), 35);
  EXPECT_EQ(e.code, 'q');
  // With Caps Lock on the letter stays upper case.
  ui_NoteCapsLock(true);
  e.code = 'Q';
  EXPECT_EQ(ui_TranslateEvent(&e), 35);
  EXPECT_EQ(e.code, 'Q');
  ui_NoteCapsLock(false);
}

class Modifiers : public EditorFixture {};

TEST_F(Modifiers, CtrlAndShiftGiveFour) {
  struct Case { bool ctrl, shift; int want; };
  for (Case c : {Case{false, false, 1}, Case{false, true, 2}, Case{true, false, 3}, Case{true, true, 4}}) {
    host.ctrl = c.ctrl;
    host.shift = c.shift;
    EXPECT_EQ(ui_ModifierState(nullptr), c.want);
  }
}

TEST(RowTables, RowCounts) {
  EXPECT_EQ(ui_TableOfMode(3).count, 63);
  EXPECT_EQ(ui_TableOfMode(6).count, 95);
  EXPECT_EQ(ui_TableOfMode(7).count, 20);
  EXPECT_EQ(ui_TableOfMode(4).count, 9);
  EXPECT_EQ(ui_TableOfMode(5).count, 8);
  EXPECT_EQ(ui_TableOfMode(8).count, 13);
  EXPECT_EQ(ui_TableOfMode(1).count, 18);
  EXPECT_EQ(ui_TableOfMode(9).count, 17);
  EXPECT_EQ(ui_FaceEditorTable().count, 7);
  EXPECT_EQ(ui_FallbackTable().count, 5);
  EXPECT_EQ(ui_TableOfMode(11).rows, ui_TableOfMode(3).rows) << "any other mode is mode 3";
  EXPECT_EQ(ui_TableOfMode(9).rows[2].handler, HandlerId::ws_HighlightPinWires) << "row 2 left out";
}

// Handlers that record their order and answer what the test asks.
std::vector<std::string> gOrder;
int gAnswerA = 0;
int hA(WorksheetWindowData*, EngineEvent*) { gOrder.push_back("A"); return gAnswerA; }
int hB(WorksheetWindowData*, EngineEvent*) { gOrder.push_back("B"); return 5; }

class RowEngine : public EditorFixture {
protected:
  void SetUp() override {
    EditorFixture::SetUp();
    gOrder.clear();
  }
};

TEST_F(RowEngine, ChainRowsRunByTheirMarkers) {
  const UiRow rows[] = {
      {0, 1, 0, 10, 1, 0, HandlerId::ui_PressGate},        // A
      {0, 0, kChainIfUnhandled, 10, 1, 0, HandlerId::ui_DropLiftedGate},  // B only when A gave 11
      {0, 0, kChainAfter, 10, 1, 0, HandlerId::ui_ShiftPressGate},       // B, result 0; not reached
                                                                          // when the 186 row ended the chain
      {0, 1, 4, 10, 1, 0, HandlerId::ui_PressGate},
  };
  ui_RegisterHandler(HandlerId::ui_PressGate, hA);
  ui_RegisterHandler(HandlerId::ui_DropLiftedGate, hB);
  ui_RegisterHandler(HandlerId::ui_ShiftPressGate, hB);
  RowTable t{rows, 4};
  struct Case { int answer; std::vector<std::string> order; int result; };
  for (const Case& c : {Case{11, {"A", "B", "B"}, 0}, Case{7, {"A"}, 7}}) {
    gOrder.clear();
    gAnswerA = c.answer;
    EXPECT_EQ(ui_RunRowTable(t, ui_EditMenuTable(), 0, 1, 0, 3, nullptr, nullptr), c.result);
    EXPECT_EQ(gOrder, c.order);
  }
  // No row: 11 and no menu states.
  host.menuEnabled.clear();
  EXPECT_EQ(ui_RunRowTable(t, ui_EditMenuTable(), 0, 1, 99, 3, nullptr, nullptr), 11);
  EXPECT_TRUE(host.menuEnabled.empty());
  // A row without a handler gives 0; the wildcards match.
  const UiRow wild[] = {{kAnyState, kAnyModifier, 77, kAnyArea, 1, 0, HandlerId::None}};
  EXPECT_EQ(ui_RunRowTable(RowTable{wild, 1}, ui_EditMenuTable(), 12, 4, 77, 9, nullptr, nullptr), 0);
}

TEST_F(RowEngine, UnregisteredIdsRecordAndAnswerZero) {
  const UiRow rows[] = {{0, 1, 0, 10, 1, 0, HandlerId::ws_HighlightPinWires}};
  Handler registered = ui_RegisteredHandler(HandlerId::ws_HighlightPinWires);
  ui_RegisterHandler(HandlerId::ws_HighlightPinWires, nullptr);
  EXPECT_EQ(ui_RunRowTable(RowTable{rows, 1}, ui_EditMenuTable(), 0, 1, 0, 0, nullptr, nullptr), 0);
  ui_RegisterHandler(HandlerId::ws_HighlightPinWires, registered);
  ASSERT_EQ(ctx().stubCalls.size(), 1u);
  EXPECT_EQ(ctx().stubCalls[0], "ws_HighlightPinWires");
}

TEST_F(RowEngine, MenuStatesOnlyForTheActivatedDocumentAndFilterB) {
  // Filter B of the run-window table: only with the paste word 2 in a kind-0 window.
  WorksheetWindowData w;
  w.kind = 0;
  model::PasteDocument->MenuWord = 2;
  ui_ApplyMenuStates(ui_RunMenuTable(), 0, 0, 2, &w, nullptr);
  EXPECT_TRUE(host.menuEnabled[65535]);
  host.menuEnabled.clear();
  w.kind = 1;
  ui_ApplyMenuStates(ui_RunMenuTable(), 0, 0, 2, &w, nullptr);
  EXPECT_TRUE(host.menuEnabled.empty());
  ui_ApplyMenuStates(ui_RunMenuTable(), 0, 0, 3, &w, nullptr);
  EXPECT_TRUE(host.menuEnabled.empty()) << "filter B must equal the paste word";
}

} // namespace
} // namespace editor_test
