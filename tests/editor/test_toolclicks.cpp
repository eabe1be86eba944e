// Tool clicks, the undo copy before mouse edits, titles, gate numbers and the
// keyboard state, driven through the headless host.
#include "script_fixture.h"

#include "editor/gatecmd.h"
#include "editor/hooks.h"
#include "editor/selection.h"
#include "editor/tables.h"
#include "editor/titles.h"
#include "editor/ws.h"
#include "model/gatekinds.h"

#include <algorithm>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;

class ToolClicks : public ScriptFixture {
protected:
  bool script(const std::string& s) {
    ScriptRunner run(host, window);
    bool ok = run.run(s);
    for (auto& f : run.failures) ADD_FAILURE() << f;
    return ok;
  }
  GateRecord* andGate(int x, int y) { return make(main, model::kKindAnd, x, y); }
  bool stubCalled(const char* name) {
    return std::count(ctx().stubCalls.begin(), ctx().stubCalls.end(), std::string(name)) > 0;
  }
};

TEST_F(ToolClicks, TrendToolClickEntersTheTrendView) {
  model::TemplateDocument->ProjectLoaded = 1;
  model::TemplateDocument->PendingGate = reinterpret_cast<GateRecord*>(main);
  script(R"(
    cmd 240
    expect state 3
    down 100 100
  )");
  EXPECT_FALSE(stubCalled("ws_EnterTrend"));
  EXPECT_EQ(model::TemplateDocument->TrendView, 1);
  EXPECT_EQ(model::TemplateDocument->PendingGate, nullptr);
  EXPECT_GT(host.redraws, 0) << "the tool stays active: the sheet is redrawn";
}

TEST_F(ToolClicks, DeleteToolOnAPortRebuildsTheCallsOfTheLogic) {
  model::LogicRecord* sub = nullptr;
  model::GateRecord* src = editCalledSubprogram(sub);
  ctx().mainSlot = ui_TableOfMode(4);
  script(R"(
    cmd 239
    expect state 2
    down 5 55
  )");
  EXPECT_EQ(count(sub), 1);
  model::GateRecord* rebuilt = callInMain();
  ASSERT_NE(rebuilt, nullptr) << "the call was rebuilt";
  EXPECT_EQ(rebuilt->InputCount, 1) << "the call follows the port that went";
  EXPECT_EQ(rebuilt->Inputs[0].Source, src);
  model::EditLogic(*model::TemplateDocument) = main;
  expectSound();
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

TEST_F(ToolClicks, OpeningSpaceIsUndoable) {
  GateRecord* left = andGate(100, 100);
  GateRecord* right = andGate(300, 100);
  // Shift with a left press on free sheet between the two gates (area 6 or 8).
  script("down 200 300 shift\n");
  ASSERT_EQ(right->X, 350) << "the gate right of the press moved 50 right";
  EXPECT_EQ(left->X, 100);
  ASSERT_NE(model::TemplateDocument->UndoLogic, nullptr) << "the undo copy was taken first";
  EXPECT_TRUE(host.menuEnabled[256]);
  script("cmd 256\n");
  EXPECT_EQ(right->X, 300) << "Undo puts the gate back";
  EXPECT_EQ(model::TemplateDocument->UndoLogic, nullptr);
}

TEST_F(ToolClicks, GroupDragIsUndoable) {
  GateRecord* a = andGate(100, 100);
  GateRecord* b = andGate(200, 100);
  script(R"(
    cmd 370 ctrl
    down 110 110
    expect result 4
    move 160 130
    up 160 130
    expect state 21
  )");
  ASSERT_EQ(a->X, 150);
  ASSERT_NE(model::TemplateDocument->UndoLogic, nullptr) << "the copy was taken before the move";
  script("cmd 371\ncmd 256\n");
  EXPECT_EQ(model::TemplateDocument->UndoLogic, nullptr);
  // Ending the selection drops the copy; the undo of a drag runs before it.
  (void)b;
}

TEST_F(ToolClicks, UndoAfterGroupDragPutsTheGatesBack) {
  GateRecord* a = andGate(100, 100);
  GateRecord* b = andGate(200, 100);
  script(R"(
    cmd 370 ctrl
    down 110 110
    move 160 130
    up 160 130
  )");
  ASSERT_EQ(b->X, 250);
  ctx().mainSlot = ui_TableOfMode(3);
  setEditorState(0);
  script("cmd 256\n");
  EXPECT_EQ(a->X, 100);
  EXPECT_EQ(a->Y, 100);
  EXPECT_EQ(b->X, 200);
}

struct TitleCase {
  const char* what;
  void (*set)(model::DocumentRecord&);
  const char* title;
};

class SheetTitles : public ToolClicks, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(SheetTitles, PrefixFollowsTheView) {
  host.language = {{1000, "Face: "}, {1001, "Trend: "}, {1002, "Gate face: "}, {1007, "Edit: "}, {1009, "View: "}};
  model::DocumentRecord& d = *model::TemplateDocument;
  d.EditView = d.RunView = d.TrendView = d.ShowValues = d.ListSwitch2 = d.ListSwitch3 = d.ListSwitch4 = 0;
  GetParam().set(d);
  de_RefreshAllLevels(window);
  ASSERT_FALSE(host.log.empty());
  EXPECT_EQ(host.log.back(), std::string("title ") + GetParam().title) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Views, SheetTitles,
    ::testing::Values(
        TitleCase{"editing", [](model::DocumentRecord& d) { d.EditView = 1; }, "Edit: MAIN"},
        TitleCase{"neither", [](model::DocumentRecord&) {}, "View: MAIN"},
        TitleCase{"trend before all", [](model::DocumentRecord& d) { d.TrendView = d.RunView = d.ListSwitch4 = 1; },
                  "Trend: MAIN"},
        TitleCase{"gate face", [](model::DocumentRecord& d) { d.ListSwitch4 = d.EditView = 1; }, "Gate face: MAIN"},
        TitleCase{"list switch 2", [](model::DocumentRecord& d) { d.ListSwitch2 = d.EditView = 1; }, "MAIN"},
        TitleCase{"list switch 3", [](model::DocumentRecord& d) { d.ListSwitch3 = 1; }, "MAIN"},
        TitleCase{"list switch 1", [](model::DocumentRecord& d) { d.ShowValues = d.EditView = 1; }, "MAIN"}));

TEST_F(ToolClicks, CtrlShiftPressOnAGateAsksItsNumber) {
  GateRecord* a = andGate(100, 100);
  andGate(200, 100);
  GateRecord* c = andGate(300, 100);
  static HeadlessHost* answering = nullptr;
  answering = &host;
  engineHooks().pf_PromptInt = [](const std::string& title, int& value) { return answering->promptInt(title, value); };
  host.intAnswers = {1};
  script("down 310 110 ctrl shift\n");
  engineHooks().pf_PromptInt = nullptr;
  EXPECT_EQ(main->FirstGate, c) << "the gate became number 1";
  EXPECT_NE(std::find(host.log.begin(), host.log.end(), "prompt Baustein Nr. "), host.log.end());
  (void)a;
}

} // namespace
} // namespace editor_test

#include "editor/editor.h"
#include "modelfiles/recordio.h"

namespace editor_test {
namespace {

struct MacroCase {
  int id;
  std::uint16_t flag;   // the flag the command toggles
  int repaint;
};

class MacroBar : public ToolClicks, public ::testing::WithParamInterface<MacroCase> {};

TEST_P(MacroBar, EachOptionTogglesItsFlagOfTheShownLogic) {
  const MacroCase c = GetParam();
  main->Flags = model::kLogicCreationFlags;
  const bool before = main->Flags & c.flag;
  ctx().projectChanged = 0;
  EXPECT_EQ(ui_MacroBarCommand(c.id, window), c.repaint);
  EXPECT_EQ(bool(main->Flags & c.flag), !before) << c.id;
  EXPECT_EQ(main->Flags & ~c.flag, model::kLogicCreationFlags & ~c.flag) << "no other flag moved";
  EXPECT_EQ(ctx().projectChanged, 1);
  ui_MacroBarCommand(c.id, window);
  EXPECT_EQ(main->Flags, model::kLogicCreationFlags);
}

INSTANTIATE_TEST_SUITE_P(Options, MacroBar,
                         ::testing::Values(MacroCase{10000, 0x0800, 1}, MacroCase{10001, 0x2000, 1},
                                           MacroCase{10002, 0x1000, 1}, MacroCase{10014, 0x4000, 0},
                                           MacroCase{10015, 0x8000, 0}, MacroCase{10017, 0x0200, 0}));

TEST_F(ToolClicks, MacroBarStylesPlaceTheNameOnlyWhileItIsShown) {
  main->Flags = 0;
  EXPECT_EQ(ui_MacroBarCommand(10004, window), -1) << "the name is off: no style";
  EXPECT_EQ(main->Flags, 0);
  ASSERT_EQ(ui_MacroBarCommand(10001, window), 1);
  struct Case { int id; int position; bool second; };
  for (Case s : {Case{10003, 0, false}, Case{10004, 1, false}, Case{10007, 4, false}, Case{10008, 1, true},
                 Case{10011, 4, true}}) {
    EXPECT_EQ(ui_MacroBarCommand(s.id, window), 1);
    SheetOptions o = ui_GetSheetOptions(window);
    EXPECT_EQ(o.textPosition, s.position) << s.id;
    EXPECT_EQ(o.secondRow, s.second) << s.id;
    EXPECT_EQ(main->Flags & 0x0F, s.position);
    EXPECT_EQ(bool(main->Flags & 0x400), s.second);
  }
  EXPECT_EQ(ui_MacroBarCommand(10099, window), -1);
}

TEST_F(ToolClicks, SheetOptionsTravelWithTheLogicRecord) {
  SheetOptions o = ui_GetSheetOptions(window);
  ASSERT_TRUE(o.shown);
  o.picture = o.background = true;
  o.pictureName = "PUMP.BMP";
  o.backgroundName = "PLANT-LONG-NAME.BMP";   // cut to its 12 characters
  o.fixedSize = 1;
  o.resize = 1;
  ctx().projectChanged = 0;
  ASSERT_TRUE(ui_SetSheetOptions(o, window));
  EXPECT_EQ(ctx().projectChanged, 1);
  modelfiles::ByteWriter w;
  modelfiles::writeLogicRecord(w, *main, {});
  model::LogicRecord back{};
  modelfiles::ByteReader r(w.bytes);
  modelfiles::LogicLinks links;
  ASSERT_TRUE(modelfiles::readLogicRecord(r, back, links, false));
  model::DocumentRecord& d = *model::TemplateDocument;
  model::LogicRecord* shown = d.LevelLogics[1];
  d.LevelLogics[1] = &back;
  SheetOptions read = ui_GetSheetOptions(nullptr);
  d.LevelLogics[1] = shown;
  EXPECT_TRUE(read.picture);
  EXPECT_TRUE(read.background);
  EXPECT_EQ(read.pictureName, "PUMP.BMP");
  EXPECT_EQ(read.backgroundName, "PLANT-LONG-N");
  EXPECT_EQ(read.fixedSize, 1);
  EXPECT_EQ(read.resize, 1);
  // Writing the same options again changes nothing.
  ctx().projectChanged = 0;
  ui_SetSheetOptions(ui_GetSheetOptions(window), window);
  EXPECT_EQ(ctx().projectChanged, 0);
}

} // namespace
} // namespace editor_test
