// Opening gates in a run window: macro levels, parameter forms and lists,
// the cycle time of a task, the instance name and the run-window rows.
#include "fixture.h"

#include "editor/context.h"
#include "editor/hooks.h"
#include "editor/rungate.h"
#include "editor/views.h"

#include <string>
#include <vector>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;
using model::LogicRecord;

struct FormCall {
  GateRecord* gate;
  bool isNew, topLevel;
  int dx, dy, mode, ordinal;
};
std::vector<FormCall> gForms;
std::vector<std::pair<GateRecord*, bool>> gLists;

class RunGate : public EditorFixture {
protected:
  LogicRecord* main = nullptr;
  LogicRecord* subA = nullptr;
  LogicRecord* subB = nullptr;
  LogicRecord* task = nullptr;
  GateRecord* callA = nullptr;
  GateRecord* callB = nullptr;
  GateRecord* callTask = nullptr;
  GateRecord* andGate = nullptr;
  WorksheetWindowData* w = nullptr;

  void SetUp() override {
    EditorFixture::SetUp();
    gForms.clear();
    gLists.clear();
    main = showLogic("MAIN");
    subA = model::ge_NewLogic("SUBA");
    subB = model::ge_NewLogic("SUBB");
    task = model::ge_NewLogic("$TASK");
    callA = call(subA, 100, 100);
    callB = call(subB, 300, 100);
    callTask = call(task, 100, 300);
    andGate = make(main, model::kKindAnd, 300, 300);
    model::TemplateDocument->RunView = 1;
    model::TemplateDocument->EditView = 0;
    w = host.newWindow(kKindRunSheet, model::TemplateDocument);
    w->rangeX = w->rangeY = 2000;
    model::CurrentDocument = model::TemplateDocument;
    engineHooks().pf_OpenForms = [](GateRecord* g, model::GateInstance*, bool isNew, bool top, int dx, int dy,
                                    int mode, int ordinal) {
      gForms.push_back({g, isNew, top, dx, dy, mode, ordinal});
      return true;
    };
    engineHooks().lst_LogicParams = [](GateRecord* g, model::GateInstance*, bool, int, bool toOutput) {
      gLists.emplace_back(g, toOutput);
      return true;
    };
  }
  GateRecord* call(LogicRecord* sub, int x, int y) {
    model::CurrentDocument = model::TemplateDocument;
    GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, x, y, g));
    model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
    return g;
  }
  model::GateInstance* instanceOf(GateRecord* g) {
    for (model::GateInstance* i = main->FirstInstance; i; i = i->Next)
      if (i->GateNumber == g->GateNumber) return i;
    return nullptr;
  }
  model::DocumentRecord& doc() { return *model::TemplateDocument; }
  // A window point on the gate (the window's scroll position taken off).
  OpenGateResult open(GateRecord* g, bool cycle = false, int mode = 0) {
    model::CurrentDocument = model::TemplateDocument;
    return de_OpenGateAt(w, g->X + 5 - w->scrollX, g->Y + 5 - w->scrollY, cycle, mode);
  }
  bool noted(const char* name) {
    for (const std::string& s : hookCalls())
      if (s == name) return true;
    return false;
  }
};

TEST_F(RunGate, EnteringAndLeavingSubprogramsKeepsEachLevelsScroll) {
  w->scrollX = 40;
  w->scrollY = 20;
  ASSERT_EQ(open(callA), OpenGateResult::LevelEntered);
  EXPECT_TRUE(noted("sim_EndGates")) << "the level's gates end before a subprogram opens";
  EXPECT_EQ(doc().MacroLevel, 2);
  EXPECT_EQ(doc().LevelLogics[2], subA);
  EXPECT_EQ(doc().LevelInstances[2], instanceOf(callA)->Children);
  EXPECT_EQ(doc().LevelScroll[1].X, 40);
  EXPECT_EQ(w->scrollX, 0) << "a subprogram first shown starts at the top left";
  EXPECT_EQ(w->scrollY, 0);
  w->scrollX = 30;
  w->scrollY = 60;
  ASSERT_TRUE(de_LeaveMacroLevel(w));
  EXPECT_EQ(doc().MacroLevel, 1);
  EXPECT_EQ(w->scrollX, 40) << "level 1 as it was left";
  EXPECT_EQ(w->scrollY, 20);
  ASSERT_EQ(open(callA), OpenGateResult::LevelEntered);
  EXPECT_EQ(w->scrollX, 30) << "the same subprogram again: where it was left";
  EXPECT_EQ(w->scrollY, 60);
  ASSERT_TRUE(de_LeaveMacroLevel(w));
  ASSERT_EQ(open(callB), OpenGateResult::LevelEntered);
  EXPECT_EQ(doc().LevelLogics[2], subB);
  EXPECT_EQ(w->scrollX, 0) << "another subprogram at the same depth starts at (0, 0)";
  EXPECT_EQ(w->scrollY, 0);
  ASSERT_TRUE(de_LeaveMacroLevel(w));
  EXPECT_FALSE(de_LeaveMacroLevel(w)) << "level 1 is left by nothing";
  EXPECT_EQ(doc().MacroLevel, 1);
}

TEST_F(RunGate, NoLevelBelow25) {
  doc().MacroLevel = 25;
  doc().LevelLogics[25] = main;
  doc().LevelInstances[25] = main->FirstInstance;
  EXPECT_EQ(open(callA), OpenGateResult::Nothing);
  EXPECT_EQ(doc().MacroLevel, 25);
  doc().LevelLogics[25] = nullptr;
  doc().LevelInstances[25] = nullptr;
  doc().MacroLevel = 1;
}

TEST_F(RunGate, OtherGatesOpenTheirFormsAndTheListModesWriteLists) {
  w->scrollX = 100;
  ASSERT_EQ(open(andGate), OpenGateResult::FormsOpened);
  ASSERT_EQ(gForms.size(), 1u);
  EXPECT_EQ(gForms[0].gate, andGate);
  EXPECT_EQ(gForms[0].dx, 5);
  EXPECT_EQ(gForms[0].dy, 5);
  EXPECT_TRUE(gForms[0].topLevel);
  EXPECT_TRUE(gForms[0].isNew);
  EXPECT_EQ(gForms[0].ordinal, 4);
  EXPECT_EQ(doc().MacroLevel, 1);
  EXPECT_EQ(open(callA, false, 1), OpenGateResult::ListWritten);
  EXPECT_EQ(open(andGate, false, 2), OpenGateResult::ListWritten);
  ASSERT_EQ(gLists.size(), 2u);
  EXPECT_EQ(gLists[0], std::make_pair(callA, false));
  EXPECT_EQ(gLists[1], std::make_pair(andGate, true));
  EXPECT_EQ(doc().MacroLevel, 1) << "a list enters no level";
  EXPECT_EQ(de_OpenGateAt(w, 5, 5, false, 0), OpenGateResult::Nothing) << "no gate under the point";
}

TEST_F(RunGate, CycleTimeOfATask) {
  ASSERT_EQ(callTask->AuxLong, 100u);
  host.intAnswers = {250};
  EXPECT_EQ(open(callTask, true), OpenGateResult::CycleTimeAsked);
  EXPECT_EQ(callTask->AuxLong, 250u);
  EXPECT_EQ(host.log.back(), "prompt Zykluszeit");
  host.intAnswers = {0};
  open(callTask, true);
  EXPECT_EQ(callTask->AuxLong, 250u) << "a cycle below 1 ms keeps the time";
  open(callTask, true);
  EXPECT_EQ(callTask->AuxLong, 250u) << "cancelled";
  host.log.clear();
  EXPECT_EQ(open(callA, true), OpenGateResult::CycleTimeAsked);
  EXPECT_TRUE(host.log.empty()) << "no prompt for a plain subprogram";
  EXPECT_EQ(doc().MacroLevel, 1);
}

TEST_F(RunGate, RunWindowRows) {
  ui_SelectDocument(w, 9);
  ScriptRunner run(host, w);
  // A plain press on a subprogram enters it, a right press beside the gates leaves it.
  EXPECT_TRUE(run.run("down 105 105\nexpect level 2\ndown 700 500 right\nexpect level 1\n"))
      << ::testing::PrintToString(run.failures);
  // Ctrl asks the cycle time of a task.
  host.intAnswers = {40};
  EXPECT_TRUE(run.run("down 105 305 ctrl\nexpect level 1\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(callTask->AuxLong, 40u);
  // A right press on a gate opens it.
  EXPECT_TRUE(run.run("down 305 105 right\nexpect level 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(doc().LevelLogics[2], subB);
  EXPECT_EQ(w->answer, 1);
}

TEST_F(RunGate, EndOfRunCommands) {
  ScriptRunner run(host, w);
  ui_SelectDocument(w, 9);
  EXPECT_TRUE(run.run("cmd 380\ncmd 381\n")) << ::testing::PrintToString(run.failures);
  EXPECT_TRUE(noted("sim_EndGatesDeep"));
  EXPECT_TRUE(noted("sim_EndGates"));
}

} // namespace
} // namespace editor_test
