#include "fixture.h"

#include "engine/levels.h"

namespace editor_test {
namespace {

using namespace editor;

class Commands : public EditorFixture {
protected:
  WorksheetWindowData* w = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    model::LogicRecord* logic = showLogic("MAIN");
    make(logic, model::kKindAnd, 100, 100);
    w = sheet();
  }
};

TEST_F(Commands, SimulationSwitchTwice) {
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run(R"(
    cmd 282
    expect simulation 1
    expect state 7
    cmd 282
    expect simulation 0
    expect state 0
  )")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(host.menuTexts[282], "Simulation ein");
  EXPECT_FALSE(host.timerRunning);
  const std::vector<std::string> timer(host.log.begin(), host.log.end());
  EXPECT_NE(std::find(timer.begin(), timer.end(), "timer start 100"), timer.end());
  EXPECT_NE(std::find(timer.begin(), timer.end(), "timer stop"), timer.end());
  EXPECT_EQ(model::TemplateDocument->DefaultStepBlock.interval, 2.0);
  EXPECT_EQ(model::TemplateDocument->DefaultStepBlock.maxIterations, 20);
}

TEST_F(Commands, RefusedTimerLeavesTheDisplayOff) {
  host.refuseTimer = true;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 282\nexpect simulation 0\nexpect state 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(host.menuTexts[282], "Simulation ein");
}

TEST_F(Commands, OnlineDisplayAndSimulationShareTheFlag) {
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run(R"(
    cmd 262
    expect simulation 1
    cmd 282
    expect simulation 0
    cmd 263            # off already: nothing
    expect simulation 0
  )")) << ::testing::PrintToString(run.failures);
  EXPECT_NE(std::find(host.log.begin(), host.log.end(), "timer start 500"), host.log.end());
  host.menuTexts.clear();
  EXPECT_TRUE(run.run("cmd 282\ncmd 263\nexpect simulation 0\nexpect state 0\n"));
  EXPECT_EQ(host.menuTexts[263], "Simulation ein");
  EXPECT_EQ(host.menuTexts[282], "Simulation ein") << "the switch text follows the flag";
}

TEST_F(Commands, TickInSimulationPostsOneDisplayMessagePerWorksheet) {
  host.newWindow(kKindSubByName, model::TemplateDocument);
  ScriptRunner run(host, w);
  double before = model::EditLogic(*model::TemplateDocument)->StepBlock.simTime;
  EXPECT_TRUE(run.run("cmd 282\ntick\nexpect state 7\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(run.delivered, 2) << "one 1043 for each of the two worksheets";
  EXPECT_EQ(model::EditLogic(*model::TemplateDocument)->StepBlock.simTime, before) << "no step on a tick";
  setEditorState(0);
  run.run("tick\n");
  EXPECT_EQ(run.delivered, 2) << "no posts outside the simulation state";
}

TEST_F(Commands, UnknownIdTouchesNothing) {
  model::GateRecord* g = model::EditLogic(*model::TemplateDocument)->FirstGate;
  g->Selected = 1;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 202\nexpect result 0\n"));
  EXPECT_EQ(g->Selected, 1) << "202 does not clear the marks";
  EXPECT_TRUE(run.run("cmd 209\nexpect result 0\n"));
  EXPECT_EQ(g->Selected, 0) << "209 only clears the marks";
}

TEST_F(Commands, RunWindowsShareTheRunDocument) {
  WorksheetWindowData* r1 = host.newWindow(kKindMainSheet, nullptr);
  r1->document = nullptr;
  ScriptRunner run(host, w);
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 213;
  // The frame hands the command to a fresh window without a document.
  EXPECT_EQ(ui_Dispatch(r1, &e), 1);
  EXPECT_EQ(r1->kind, kKindRunSheet);
  ASSERT_NE(r1->document, nullptr);
  EXPECT_EQ(r1->document->RunView, 1);
  EXPECT_EQ(ctx().runWindowCount, 1);
  WorksheetWindowData* r2 = host.newWindow(kKindMainSheet, nullptr);
  EXPECT_EQ(ui_Dispatch(r2, &e), 1);
  EXPECT_EQ(ctx().runWindowCount, 2);
  model::DocumentRecord* run2 = model::RunDocument;
  EXPECT_EQ(run2, r2->document);
  // Closing one of two keeps the run document.
  e.type = kMsgDestroy;
  e.code = 0;
  ui_Dispatch(r1, &e);
  EXPECT_EQ(model::RunDocument, run2);
  EXPECT_EQ(r2->document, run2);
  // Closing the last frees it and points the run document back at the template.
  ui_Dispatch(r2, &e);
  EXPECT_EQ(model::RunDocument, model::TemplateDocument);
  EXPECT_EQ(model::CurrentDocument, model::TemplateDocument);
  EXPECT_NE(model::TemplateDocument, nullptr);
}

TEST_F(Commands, RunDocumentShownElsewhereIsNotFreed) {
  // 512 points the run document at any document; closing the last run window
  // must not free it while a window shows it.
  model::DocumentRecord* other = doc_NewWindowDocument(*model::TemplateDocument);
  model::NewDocument = nullptr;
  WorksheetWindowData* sub = host.newWindow(kKindSubByName, other);
  WorksheetWindowData* r1 = host.newWindow(kKindMainSheet, nullptr);
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 213;
  ASSERT_EQ(ui_Dispatch(r1, &e), 1);
  ScriptRunner subRun(host, sub);
  subRun.dispatch(kMsgCommand, 512);
  EXPECT_EQ(model::RunDocument, other);
  e.type = kMsgDestroy;
  e.code = 0;
  ui_Dispatch(r1, &e);
  EXPECT_EQ(sub->document, other) << "still shown";
  EXPECT_EQ(model::RunDocument, model::TemplateDocument);
  subRun.dispatch(kMsgDestroy, 0);
}

TEST_F(Commands, NextStepStepsOnce) {
  model::LogicRecord* logic = model::EditLogic(*model::TemplateDocument);
  logic->StepBlock.simTime = -1.0;
  model::TemplateDocument->iterationCounter = 1;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 512\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::RunDocument, model::TemplateDocument);
  EXPECT_GE(logic->StepBlock.simTime, 0.0) << "one step from time -1 starts at 0";
}

TEST_F(Commands, ParameterListViewerGetsThePathAsOneArgument) {
  host.fileAnswers.push_back("/tmp/my lists/plant one.LPA");
  ScriptRunner run(host, w);
  run.run("cmd 290\n");
  ASSERT_EQ(host.viewerPaths.size(), 1u);
  EXPECT_EQ(host.viewerPaths[0], "/tmp/my lists/plant one.LPA");
  run.run("cmd 290\n");
  EXPECT_EQ(host.viewerPaths.size(), 1u) << "a cancelled selection starts nothing";
}

TEST_F(Commands, ProjectChangedByte) {
  static bool saveWorks = true;
  saveWorks = true;
  engineHooks().fn_SaveProject = [](bool) { return saveWorks; };
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 211\nexpect changed 1\ncmd 203\nexpect changed 0\ncmd 274\nexpect changed 1\n"))
      << ::testing::PrintToString(run.failures);
  // A save that fails leaves the project marked, so that closing still asks.
  saveWorks = false;
  ASSERT_NE(model::CurrentDocument, nullptr);
  model::CurrentDocument->ProjectLoaded = 1;
  EXPECT_TRUE(run.run("cmd 203\nexpect changed 1\ncmd 207\nexpect changed 1\n"))
      << ::testing::PrintToString(run.failures);
  engineHooks().fn_SaveProject = nullptr;
}

TEST_F(Commands, ListCommandsForbidThreadsAroundTheLists) {
  ScriptRunner run(host, w);
  for (int id : {287, 288}) {
    hookCalls().clear();
    run.run("cmd " + std::to_string(id) + "\n");
    ASSERT_GE(hookCalls().size(), 2u) << id;
    EXPECT_EQ(hookCalls()[hookCalls().size() - 2], "xt_DisableThreads") << id;
    EXPECT_EQ(hookCalls().back(), "xt_EnableThreads") << id;
  }
}

} // namespace
} // namespace editor_test

#include "editor/levels.h"

namespace editor_test {
namespace {

class Levels : public EditorFixture {};

TEST_F(Levels, RemovingALogicShownInASecondWindowLeavesNoDanglingLevel) {
  model::LogicRecord* main = showLogic("MAIN");
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  ASSERT_TRUE(main && sub);
  model::GateRecord* call = nullptr;
  model::CurrentDocument = model::TemplateDocument;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, model::kKindCall, sub, nullptr, 100, 100, call));
  // A second window shows the subprogram at level 2 below MAIN, a third at level 1.
  model::DocumentRecord* second = doc_NewWindowDocument(*model::TemplateDocument);
  model::DocumentRecord* third = doc_NewWindowDocument(*model::TemplateDocument);
  model::NewDocument = nullptr;
  second->MacroLevel = 2;
  second->LevelLogics[2] = sub;
  second->LevelInstances[2] = nullptr;
  third->MacroLevel = 1;
  third->LevelLogics[1] = sub;
  WorksheetWindowData* w2 = host.newWindow(kKindSubByName, second);
  WorksheetWindowData* w3 = host.newWindow(kKindSubFromList, third);
  ASSERT_TRUE(de_RemoveLogicRecord(sub));
  EXPECT_EQ(second->MacroLevel, 1);
  EXPECT_EQ(second->LevelLogics[2], nullptr);
  EXPECT_EQ(second->LevelLogics[1], main);
  EXPECT_EQ(third->MacroLevel, 0);
  EXPECT_EQ(third->LevelLogics[1], nullptr);
  EXPECT_EQ(main->FirstGate, nullptr) << "the call went with the logic";
  for (WorksheetWindowData* w : {w2, w3}) {
    ScriptRunner run(host, w);
    EXPECT_TRUE(run.run("msg 15\nmove 10 10\nmsg 1044\n")) << ::testing::PrintToString(run.failures);
  }
}

} // namespace
} // namespace editor_test

#include "editor/titles.h"

namespace editor_test {
namespace {

class Titles : public EditorFixture {};

TEST_F(Titles, LevelPathCutsNamesAtBlanksAndKeepsTheLast60) {
  model::DocumentRecord& d = *model::TemplateDocument;
  model::CurrentDocument = &d;
  const char* names[] = {"MAIN", "A", "B x", "C"};
  model::LogicRecord* logics[4];
  for (int i = 0; i < 4; ++i) {
    logics[i] = model::ge_NewLogic(names[i]);
    d.LevelLogics[i + 1] = logics[i];
  }
  d.MacroLevel = 4;
  EXPECT_EQ(de_LevelPath(d), "MAIN\\A\\B\\C");
  // 5 names of 13 characters: 69 with the separators, plus "MAIN\" = 74.
  for (int i = 2; i <= 6; ++i) d.LevelLogics[i] = model::ge_NewLogic(("LONGNAME00" + std::to_string(i) + "XY").c_str());
  d.MacroLevel = 6;
  std::string path = de_LevelPath(d);
  EXPECT_EQ(path.size(), 60u);
  EXPECT_EQ(path.substr(path.size() - 13), "LONGNAME006XY");
  d.MacroLevel = 1;
  for (int i = 2; i <= 6; ++i) d.LevelLogics[i] = nullptr;
}

TEST_F(Titles, RefreshWithoutRedrawOn502) {
  showLogic("MAIN");
  WorksheetWindowData* w = sheet();
  host.language[1007] = "Edit: ";
  ScriptRunner run(host, w);
  int redraws = host.redraws;
  run.run("cmd 502\n");
  EXPECT_EQ(host.redraws, redraws);
  EXPECT_EQ(host.log.back(), "title Edit: MAIN");
  run.run("cmd 501\n");
  EXPECT_GT(host.redraws, redraws);
  EXPECT_EQ(ctx().projectChanged, 0);
  run.run("cmd 500\n");
  EXPECT_EQ(ctx().projectChanged, 1);
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

class RunCommands : public EditorFixture {
protected:
  WorksheetWindowData* w = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    make(showLogic("MAIN"), model::kKindAnd, 100, 100);
    w = sheet();
  }
};

TEST_F(RunCommands, StartFromZeroStepsOnceAndSetsTheRunDocument) {
  ScriptRunner run(host, w);
  model::LogicRecord* top = model::EditLogic(*model::TemplateDocument);
  top->StepBlock.simTime = 5.0;
  EXPECT_TRUE(run.run("cmd 503\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::RunDocument, model::TemplateDocument);
  EXPECT_GE(top->StepBlock.simTime, 0.0);
  EXPECT_LT(top->StepBlock.simTime, 5.0) << "the run started again from time zero";
  EXPECT_TRUE(run.run("cmd 506\n"));
  EXPECT_EQ(top->StepBlock.simTime, -1.0);
  EXPECT_EQ(model::TemplateDocument->iterationCounter, 1);
}

TEST_F(RunCommands, FreshRunWindowAndAWindowWithoutLevel) {
  WorksheetWindowData* r = host.newWindow(kKindMainSheet, nullptr);
  EngineEvent e;
  e.type = kMsgCommand;
  e.code = 233;
  ASSERT_EQ(ui_Dispatch(r, &e), 1);
  EXPECT_EQ(r->kind, kKindRunSheet);
  EXPECT_EQ(ctx().runWindowCount, 1);
  EXPECT_EQ(hookCalls().back(), "ge_ClearGateCounter");
  e.type = kMsgDestroy;
  e.code = 0;
  ui_Dispatch(r, &e);
  EXPECT_EQ(ctx().runWindowCount, 0);
  // Without a shown level the run window is refused and nothing is left behind.
  model::TemplateDocument->MacroLevel = 0;
  WorksheetWindowData* r2 = host.newWindow(kKindMainSheet, nullptr);
  e.type = kMsgCommand;
  e.code = 233;
  EXPECT_EQ(ui_Dispatch(r2, &e), 9);
  EXPECT_EQ(r2->document, nullptr);
  model::TemplateDocument->MacroLevel = 1;
}

} // namespace
} // namespace editor_test
