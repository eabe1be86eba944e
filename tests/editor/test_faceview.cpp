// The gate-face document and rows, the macro tree of a gate parameters
// window and the instance name of a run window.
#include "fixture.h"

#include "display/gdi.h"
#include "display/device.h"
#include "display/recording_device.h"
#include "editor/context.h"
#include "editor/faceview.h"
#include "editor/rungate.h"
#include "modelfiles/selection.h"
#include "recorder/faceedit.h"

#include <cstring>
#include <string>
#include <vector>

namespace editor_test {
namespace {

using namespace editor;
using model::GateRecord;
using model::LogicRecord;

struct TestWindow : disp::DrawWindow {
  disp::Device* d;
  explicit TestWindow(disp::Device* dev) : d(dev) {}
  disp::Device* beginPaint() override { return d; }
  void endPaint() override {}
  disp::Device* getDc() override { return d; }
  void releaseDc() override {}
};

class FaceView : public EditorFixture {
protected:
  LogicRecord* main = nullptr;
  disp::RecordingDevice dev;
  TestWindow drawWindow{&dev};

  void SetUp() override {
    EditorFixture::SetUp();
    main = showLogic("MAIN");
    model::TemplateDocument->ProjectLoaded = 1;
  }
  void TearDown() override {
    disp::gdi_SetCurrent(nullptr, nullptr);
    disp::gdi_ResetAll();
    rec::fe_FrameDone();
    EditorFixture::TearDown();
  }
  GateRecord* call(LogicRecord* into, LogicRecord* sub, int x, int y) {
    model::CurrentDocument = model::TemplateDocument;
    GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(into, model::kKindCall, sub, nullptr, x, y, g));
    model::EditInstances(*model::TemplateDocument) = main->FirstInstance;
    return g;
  }
};

TEST_F(FaceView, ParametersWindowShowsTheMacroTreeDepthFirst) {
  LogicRecord* a = model::ge_NewLogic("SUBA");
  LogicRecord* b = model::ge_NewLogic("SUBB");
  LogicRecord* c = model::ge_NewLogic("SUBC");
  call(a, c, 100, 100);
  call(main, a, 100, 100);
  call(main, b, 300, 100);
  make(main, model::kKindAnd, 300, 300);
  WorksheetWindowData* w = host.newWindow(kKindRunSheet2, model::TemplateDocument);
  w->scrollX = 10;
  w->scrollY = 5;
  disp::gdi_ResetAll();
  disp::gdi_SetCurrent(&dev, &drawWindow);
  ScriptRunner run(host, w);
  run.dispatch(kMsgPaint, 0);
  std::vector<std::string> drawn;
  for (const std::string& line : dev.calls)
    if (line.rfind("pictogram", 0) == 0 || line.rfind("text", 0) == 0) drawn.push_back(line);
  const std::vector<std::string> want = {
      "pictogram 3 at 30,35",      "text 60,43 \"MAIN\"",
      "pictogram 1 at 50,55",      "text 80,63 \"SUBA\"",
      "pictogram 1 at 70,75",      "text 100,83 \"SUBC\"",
      "pictogram 1 at 50,95",      "text 80,103 \"SUBB\"",
  };
  EXPECT_EQ(drawn, want);
}

TEST_F(FaceView, GateFaceCommandGivesTheWindowAFaceDocument) {
  WorksheetWindowData* w = sheet();
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 251\nexpect result 1\nexpect kind 0\n")) << ::testing::PrintToString(run.failures);
  model::DocumentRecord* doc = w->document;
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(doc, model::TemplateDocument);
  EXPECT_EQ(doc->ListSwitch4, 1);
  EXPECT_EQ(doc->RunView, 0);
  EXPECT_EQ(doc->UndoLogic, nullptr);
  EXPECT_EQ(w->answer, 1);
}

// The face sheet of 251 shows the subprogram the dialog chose, not the
// logic the template happens to show.
TEST_F(FaceView, GateFaceCommandShowsTheChosenSubprogram) {
  LogicRecord* sub = model::ge_NewLogic("SUBD");
  modelfiles::ls_SetLastChosen("SUBD");
  WorksheetWindowData* w = sheet();
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("cmd 251\nexpect result 1\n")) << ::testing::PrintToString(run.failures);
  modelfiles::ls_SetLastChosen("");
  model::DocumentRecord* doc = w->document;
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->MacroLevel, 1);
  EXPECT_EQ(doc->LevelLogics[1], sub);
  EXPECT_EQ(model::TemplateDocument->LevelLogics[model::TemplateDocument->MacroLevel], main) << "the template keeps its view";
}

TEST_F(FaceView, FaceEditorRowsReachTheFaceEditor) {
  LogicRecord* sub = model::ge_NewLogic("SUBF");
  model::DocumentRecord* doc = doc_NewWindowDocument(*model::TemplateDocument);
  ASSERT_NE(doc, nullptr);
  doc->MacroLevel = 1;
  doc->LevelLogics[1] = sub;
  doc->LevelInstances[1] = sub->FirstInstance;
  WorksheetWindowData* w = host.newWindow(kKindFaceEditor, doc);
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("msg 1027\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(host.cursor, 14);
  EXPECT_EQ(rec::fe_State().logic, sub) << "the activation sets up the frame of the logic";
  EXPECT_TRUE(run.run("down 250 120\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(rec::fe_State().mouseX, 250);
  EXPECT_EQ(rec::fe_State().mouseY, 120);
  const int invalidations = host.invalidations;
  EXPECT_TRUE(run.run("msg 1028\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(host.invalidations, invalidations + int(host.worksheets().size()));
  EXPECT_TRUE(run.run("cmd 505\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(doc->ListSwitch4, 1);
  run.dispatch(1041, 0);
  EXPECT_EQ(rec::fe_State().mouseX, 1041) << "the message number goes to the face editor";
  EXPECT_EQ(rec::fe_State().mouseY, -999);
}

TEST_F(FaceView, InstanceNamesNeverOverwriteParameters) {
  // A gate whose instances share its parameters, and a call without a name
  // block: neither is asked for a name, nothing changes.
  GateRecord* g = make(main, model::kKindIntegration, 100, 100);
  LogicRecord* sub = model::ge_NewLogic("SUBN");
  call(main, sub, 300, 100);
  ASSERT_GE(g->ExtraCount, 1u);
  std::vector<double> before(g->Extra, g->Extra + g->ExtraCount);
  model::TemplateDocument->RunView = 1;
  WorksheetWindowData* w = host.newWindow(kKindRunSheet, model::TemplateDocument);
  ui_SelectDocument(w, 1);
  host.textAnswers = {"PUMP1", "PUMP2"};
  ScriptRunner run(host, w);
  EXPECT_TRUE(run.run("down 105 105 right\ndown 305 105 right\n")) << ::testing::PrintToString(run.failures);
  EXPECT_EQ(std::vector<double>(g->Extra, g->Extra + g->ExtraCount), before);
  EXPECT_EQ(host.textAnswers.size(), 2u) << "no name prompt";
}

} // namespace
} // namespace editor_test
