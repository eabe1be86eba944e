#include "fixture.h"

#include "editor/context.h"
#include "editor/levels.h"
#include "editor/views.h"
#include "modelfiles/selection.h"
#include "model/check.h"
#include "model/geometry.h"
#include "zasm/zasm.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <set>

namespace editor_test {
namespace {

using namespace editor;

class Views : public EditorFixture {
protected:
  WorksheetWindowData* w = nullptr;
  model::LogicRecord* main = nullptr;
  void SetUp() override {
    EditorFixture::SetUp();
    main = showLogic("MAIN");
    model::TemplateDocument->ProjectLoaded = 1;
    w = sheet();
  }
  void TearDown() override {
    modelfiles::SelectFlags = {};
    EditorFixture::TearDown();
  }
  // The logic selector answers this name.
  void answerLogic(const std::string& name, const std::string& second = {}) {
    modelfiles::SelectFlags.flag4 = 1;
    modelfiles::ls_SetLastChosen(name, second);
  }
  model::GateRecord* call(model::LogicRecord* into, model::LogicRecord* sub, int x, int y) {
    model::CurrentDocument = model::TemplateDocument;
    model::GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(into, model::kKindCall, sub, nullptr, x, y, g));
    model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
    return g;
  }
  int gates(const model::LogicRecord* l) {
    int n = 0;
    for (const model::GateRecord* g = l ? l->FirstGate : nullptr; g; g = g->Next) ++n;
    return n;
  }
};

TEST_F(Views, NewDocumentOnANewLogicHoldsATextGate) {
  answerLogic("SHEET2");
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 231\nexpect result 1\nexpect kind 1\nexpect level 1\nexpect changed 1\n"))
      << ::testing::PrintToString(run.failures);
  model::DocumentRecord* doc = w->document;
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(doc, model::TemplateDocument);
  model::LogicRecord* shown = doc->LevelLogics[1];
  ASSERT_NE(shown, nullptr);
  EXPECT_STREQ(shown->Name, "SHEET2");
  ASSERT_EQ(gates(shown), 1);
  EXPECT_EQ(shown->FirstGate->Kind, model::kKindText);
  EXPECT_EQ(doc->EditView, 1);
  EXPECT_EQ(doc->ListSwitch2, 1);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[1], shown) << "the template keeps the last new document";
}

TEST_F(Views, NewDocumentOnAnExistingLogicAndWithoutProject) {
  answerLogic("MAIN");
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 231\nexpect result 1\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(w->document->LevelLogics[1], main);
  EXPECT_EQ(gates(main), 0) << "an existing logic gets nothing added";
  model::TemplateDocument->ProjectLoaded = 0;
  model::CurrentDocument = model::TemplateDocument;
  WorksheetWindowData* other = sheet();
  run.setWindow(other);
  EXPECT_TRUE(run.run("cmd 231\nexpect result 9\n")) << ::testing::PrintToString(run.failures);
}

TEST_F(Views, ListDocumentHasOnlyListSwitch3) {
  model::TemplateDocument->ProjectLoaded = 0;
  model::TemplateDocument->EditView = 1;
  model::TemplateDocument->RunView = 1;
  model::TemplateDocument->ShowValues = 1;
  model::TemplateDocument->ListSwitch4 = 1;
  model::TemplateDocument->TrendView = 1;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 232\nexpect kind 2\n")) << ::testing::PrintToString(run.failures);
  model::DocumentRecord* d = w->document;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->ListSwitch3, 1);
  for (std::uint8_t flag : {d->EditView, d->RunView, d->ShowValues, d->ListSwitch2, d->ListSwitch4, d->TrendView})
    EXPECT_EQ(flag, 0);
}

TEST_F(Views, NextSubprogramWalksTwoSubprogramsAndStops) {
  model::LogicRecord* a = model::ge_NewLogic("SUBA");
  model::LogicRecord* b = model::ge_NewLogic("SUBB");
  call(main, a, 100, 100);
  call(main, b, 300, 100);
  w->rangeX = w->rangeY = 1000;
  w->scrollX = 40;
  w->scrollY = 30;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 513\nexpect result 0\nexpect level 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[2], a);
  EXPECT_EQ(model::TemplateDocument->LevelScroll[1].X, 40) << "level 1 keeps its scroll position";
  EXPECT_EQ(model::TemplateDocument->LevelInstances[2], main->FirstInstance->Children);
  w->scrollX = 7;
  EXPECT_TRUE(run.run("cmd 513\nexpect result 0\nexpect level 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[2], b);
  w->scrollX = 11;
  w->scrollY = 12;
  EXPECT_TRUE(run.run("cmd 513\nexpect result 9\nexpect level 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[2], b) << "an empty walk keeps the level";
  EXPECT_EQ(w->scrollX, 11);
  EXPECT_EQ(w->scrollY, 12);
}

TEST_F(Views, NextSubprogramRestoresTheScrollOfARevisitedLevel) {
  model::LogicRecord* a = model::ge_NewLogic("SUBA");
  call(main, a, 100, 100);
  w->rangeX = w->rangeY = 1000;
  model::DocumentRecord* d = model::TemplateDocument;
  d->MacroLevel = 1;
  d->LevelLogics[2] = a;
  d->LevelScroll[2] = {70, 80};
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 513\nexpect level 2\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(w->scrollX, 70);
  EXPECT_EQ(w->scrollY, 80);
}

TEST_F(Views, NoSubprogramBelowLevel25) {
  model::LogicRecord* a = model::ge_NewLogic("SUBA");
  call(main, a, 100, 100);
  model::DocumentRecord* d = model::TemplateDocument;
  for (int level = 2; level <= model::kMaxMacroLevel; ++level) {
    d->LevelLogics[level] = main;
    d->LevelInstances[level] = main->FirstInstance;
  }
  d->MacroLevel = model::kMaxMacroLevel;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 513\nexpect result 9\nexpect level 25\n")) << ::testing::PrintToString(run.failures);
  for (int level = 2; level <= model::kMaxMacroLevel; ++level) d->LevelLogics[level] = nullptr;
  d->MacroLevel = 1;
}

TEST_F(Views, ParameterAndTrendWindows) {
  answerLogic("MAIN");
  WorksheetWindowData* params = sheet();
  ScriptRunner run(host, params);
  EXPECT_TRUE(run.run("cmd 234\nexpect result 1\nexpect kind 4\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(params->document->ShowValues, 1);
  EXPECT_EQ(params->document->EditView, 1);
  model::CurrentDocument = model::TemplateDocument;
  WorksheetWindowData* trend = sheet();
  run.setWindow(trend);
  ctx().projectChanged = 0;
  EXPECT_TRUE(run.run("cmd 235\nexpect result 1\nexpect kind 5\nexpect trendwindows 1\nexpect runwindows 1\n"
                      "expect changed 1\n"))
      << ::testing::PrintToString(run.failures);
  model::DocumentRecord* d = trend->document;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TrendView, 1);
  EXPECT_EQ(d->RunView, 1);
  EXPECT_EQ(d->ListSwitch3, 1);
  EXPECT_EQ(d->EditView, 0);
  EXPECT_EQ(d->ViewScale, 1.0);
  EXPECT_EQ(d->LineHeight, 12);
  // A save that succeeds clears the mark.
  engineHooks().fn_SaveProject = [](bool) { return true; };
  EXPECT_TRUE(run.run("cmd 203\nexpect changed 0\n")) << ::testing::PrintToString(run.failures);
  engineHooks().fn_SaveProject = nullptr;
}

TEST_F(Views, CopyLogicUnderANewName) {
  make(main, model::kKindAnd, 100, 100);
  answerLogic("COPY", "MAIN");
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 250\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  model::LogicRecord* copy = nullptr;
  for (model::LogicRecord* l = model::TemplateDocument->FirstLogic; l; l = l->Next)
    if (std::strcmp(l->Name, "COPY") == 0) copy = l;
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(gates(copy), 1);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[1], main) << "the top-level logic stays";
}

TEST_F(Views, SetupWritesTheFrameBetweenTwoSteps) {
  model::RunDocument = model::TemplateDocument;
  main->StepBlock.stepFlags = 1;
  main->StepBlock.interval = 4.0;
  main->StepBlock.minInterval = 0.5;
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 260\nexpect result 0\n")) << ::testing::PrintToString(run.failures);
  const auto& calls = hookCalls();
  auto at = [&](const char* n) { return std::find(calls.begin(), calls.end(), n) - calls.begin(); };
  EXPECT_LT(at("co_OpenOutput"), at("pc_EmitProgramFrame"));
  EXPECT_LT(at("pc_EmitProgramFrame"), at("co_CloseOutput"));
  EXPECT_LT(at("co_CloseOutput"), long(calls.size()));
  EXPECT_EQ(main->StepBlock.interval, 0.5);
  EXPECT_EQ(main->currentStep, 0.5);
}

TEST_F(Views, StepGateClickMakesTheActiveStep) {
  model::GateRecord* start = make(main, model::kKindStart, 100, 100);
  model::GateRecord* step = make(main, model::kKindStep, 100, 200);
  ASSERT_TRUE(start && step);
  model::CurrentDocument = model::TemplateDocument;
  auto word = [](const double* slot) {
    std::uint16_t v = 0;
    if (slot) std::memcpy(&v, slot, 2);
    return v;
  };
  model::GateInstance* startIn = main->FirstInstance;
  model::GateInstance* stepIn = startIn->Next;
  EXPECT_TRUE(de_ClickStepGate(-1, -1));
  EXPECT_EQ(word(startIn->StateValues), 1);
  EXPECT_EQ(model::TemplateDocument->MarkedGate, start);
  std::int16_t x, y, gw, gh;
  model::gg_GateBox(step, x, y, gw, gh, false);
  EXPECT_TRUE(de_ClickStepGate(x + 1, y + 1));
  EXPECT_EQ(word(startIn->StateValues), 0);
  EXPECT_EQ(word(stepIn->OutputValues), 1);
  EXPECT_EQ(model::TemplateDocument->MarkedGate, step);
  EXPECT_FALSE(de_ClickStepGate(5000, 5000)) << "no gate there: nothing changes";
  EXPECT_EQ(model::TemplateDocument->MarkedGate, step);
}

// Which commands drop the undo copy, as one table.
TEST_F(Views, UndoDropList) {
  static int drops = 0;
  ctx().dropUndoHook = [] { ++drops; };
  const std::set<int> dropping = {201, 203, 204, 205, 206, 207, 210, 211, 213, 214, 216, 233, 236, 237,
                                  239, 240, 241, 243, 252, 256, 274, 509, 510, 512, 513};
  for (int id : {203, 205, 206, 208, 210, 214, 216, 236, 262, 263, 264, 304, 504, 509, 510, 512, 513}) {
    drops = 0;
    setEditorState(0);
    EngineEvent e;
    e.type = kMsgCommand;
    e.code = std::uint16_t(id);
    ws_ExecuteCommand(nullptr, &e);
    EXPECT_EQ(drops > 0, dropping.count(id) > 0) << "command " << id;
    if (ctx().SimulationOn) {
      e.code = 282;
      ws_ExecuteCommand(nullptr, &e);
    }
  }
  ctx().dropUndoHook = nullptr;
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

using namespace editor;

class Release : public EditorFixture {};

TEST_F(Release, ReleasingTheModuleListLeavesNoLevelInAnyWindow) {
  model::LogicRecord* main = showLogic("MAIN");
  model::LogicRecord* sub = model::ge_NewLogic("SUBA");
  make(main, model::kKindAnd, 100, 100);
  WorksheetWindowData* first = sheet();
  model::DocumentRecord* copy = doc_NewWindowDocument(*model::TemplateDocument);
  ASSERT_NE(copy, nullptr);
  model::NewDocument = nullptr;
  copy->MacroLevel = 2;
  copy->LevelLogics[2] = sub;
  WorksheetWindowData* second = host.newWindow(kKindSubByName, copy);
  model::CurrentDocument = model::TemplateDocument;
  de_ReleaseDocList();
  for (model::DocumentRecord* d : {first->document, second->document}) {
    EXPECT_EQ(d->MacroLevel, 0);
    for (int level = 0; level <= model::kMaxMacroLevel; ++level) EXPECT_EQ(d->LevelLogics[level], nullptr);
    EXPECT_EQ(d->FirstModule, nullptr);
    EXPECT_EQ(d->FirstLogic, nullptr);
  }
}

} // namespace
} // namespace editor_test

namespace editor_test {
namespace {

// The block library with "DocFrame", assembled from its text.
class NewLogicFrame : public Views {
protected:
  model::ProjectModule* lib = nullptr;
  void SetUp() override {
    Views::SetUp();
    std::ifstream in(std::string(ZERLO_TEST_DATA) + "/editor/docframe.zas");
    std::stringstream text;
    text << in.rdbuf();
    zasm::ModuleSource src;
    std::string error;
    ASSERT_TRUE(zasm::assembleLibrary(text.str(), src, error)) << error;
    lib = zasm::buildModule(*model::TemplateDocument, src);
    ASSERT_NE(lib, nullptr);
  }
  void TearDown() override {
    zasm::releaseTypeCode(lib);
    Views::TearDown();
  }
};

TEST_F(NewLogicFrame, NewDocumentOnANewLogicHoldsATextGateAndTheFrame) {
  model::TemplateDocument->SheetWidth = 1200;
  model::TemplateDocument->SheetHeight = 800;
  answerLogic("SHEET3");
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 231\nexpect result 1\nexpect kind 1\nexpect level 1\n"))
      << ::testing::PrintToString(run.failures);
  model::LogicRecord* shown = w->document->LevelLogics[1];
  ASSERT_NE(shown, nullptr);
  EXPECT_STREQ(shown->Name, "SHEET3");
  ASSERT_EQ(gates(shown), 2) << "exactly a Text gate and the frame";
  model::GateRecord* text = shown->FirstGate->Kind == model::kKindText ? shown->FirstGate : shown->FirstGate->Next;
  model::GateRecord* frame = text == shown->FirstGate ? shown->FirstGate->Next : shown->FirstGate;
  EXPECT_EQ(text->Kind, model::kKindText);
  EXPECT_EQ(text->X, 0);
  EXPECT_EQ(text->Y, 0);
  ASSERT_EQ(frame->Kind, model::kKindCompiled);
  EXPECT_STREQ(model::subType(frame)->Name, "DocFrame");
  EXPECT_EQ(model::subType(frame)->Module, lib);
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(frame, bx, by, bw, bh, false);
  EXPECT_EQ(frame->X + bw, 1200) << "the frame ends at the sheet's lower right corner";
  EXPECT_EQ(frame->Y + bh, 800);
  for (const std::string& e : model::model_CheckDocument(*w->document)) ADD_FAILURE() << e;
}

} // namespace
} // namespace editor_test
