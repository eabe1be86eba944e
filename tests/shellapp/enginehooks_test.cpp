// The engine-side services behind the editor's hooks in Zerlo: the target
// program text written by Function-Setup (260) for the project of all
// seventeen standard blocks, its flow simulated past START in the run window;
// the end of a run; the parameter forms of a built-in gate through the
// program's dialogs, answered by script.
#include "editor_frame_fixture.h"

#include "engine/externs.h"
#include "engine/levels.h"
#include "engine/params.h"
#include "equiv/equiv.h"
#include "modelfiles/selection.h"
#include "platform/uisink.h"
#include "shell/dialogs.h"
#include "shell/prompts.h"
#include "zcdwriter/zcdwriter.h"
#include "zerloapp/enginehooks.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <sstream>

namespace zapp {
namespace {

std::string readText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class EngineHooksTest : public EditorFrameTest {
protected:
  fs::path textPath;
  void SetUp() override {
    EditorFrameTest::SetUp();
    if (HasFatalFailure()) return;
    textPath = dir / "ZERLO1.Q";
    EngineHookEnvironment& env = engineHookEnvironment();
    previousEnv = env;
    env.targetTextPath = [this] { return textPath.string(); };
    env.tempDir = [this] { return dir.string() + "/"; };
  }
  void TearDown() override {
    EngineHookEnvironment& env = engineHookEnvironment();
    env.targetTextPath = previousEnv.targetTextPath;
    env.tempDir = previousEnv.tempDir;
    env.chooseListFile = previousEnv.chooseListFile;
    EditorFrameTest::TearDown();
  }
  void openDemo() {
    shell::dlg_ResetSelectionState();
    modelfiles::SelectFlags = modelfiles::SelectionFlags{};
    const fs::path demo = dir / "DEMOALL.MDL";
    fs::copy_file(fs::path(ZERLO_TEST_DATA) / "blocklib" / "demoall.mdl", demo);
    app().settings.zoom = 1.0f;
    frame->resize(1000, 800);
    open(demo.string());
  }
  // The run window on the flow's level (the subprogram ALL under the main
  // sheet's one call gate), started at time zero.
  model::DocumentRecord* runWindowOnTheFlow() {
    frame->onCommand(233);
    Worksheet* w = frame->active();
    if (!w || w->data.kind != 3) return nullptr;
    w->showNormal();
    w->setGeometry(0, 0, 700, 560);
    QApplication::processEvents();
    mouse(QEvent::MouseButtonPress, 210, 110);
    mouse(QEvent::MouseButtonRelease, 210, 110);
    model::DocumentRecord* d = w->data.document;
    if (!d || d->MacroLevel != 2) return nullptr;
    frame->onCommand(503);
    return d;
  }

private:
  EngineHookEnvironment previousEnv;
};

TEST_F(EngineHooksTest, TheAdaptersAreInstalledWhileTheEditorRuns) {
  const editor::EngineHooks& h = editor::engineHooks();
  for (bool set : {h.pc_AllocateSheet != nullptr, h.pc_EmitProgramFrame != nullptr, h.co_OpenOutput != nullptr,
                   h.co_CloseOutput != nullptr, h.sim_EndGate != nullptr, h.sim_EndGates != nullptr,
                   h.ge_ClearGateCounter != nullptr, h.pf_EditBlock != nullptr, h.pf_OpenForms != nullptr,
                   h.pf_PromptInt != nullptr, h.pf_PromptValue != nullptr, h.lst_LogicParams != nullptr,
                   h.lst_WriteList != nullptr, h.lst_ReadList != nullptr})
    EXPECT_TRUE(set);
  dispatcher.shutDown();
  EXPECT_EQ(editor::engineHooks().pc_AllocateSheet, nullptr) << "taken out when the editor stops";
  EXPECT_EQ(editor::engineHooks().pf_EditBlock, nullptr);
  dispatcher.mainInit();
  EXPECT_NE(editor::engineHooks().pc_AllocateSheet, nullptr) << "and put in again when it starts";
}

// Function-Setup writes this instance's target text: the frame, the flow's
// sequence with its blocks' lines. Until it ran, the flow's blocks have no
// link values and the flow stays in START (its step M1.1 set, A1.1 clear);
// after it the flow leaves START and its first OUTPUT block drives A1.1 in
// the simulated image.
TEST_F(EngineHooksTest, FunctionSetupWritesTheTextAndTheFlowLeavesStart) {
  openDemo();
  model::DocumentRecord* d = runWindowOnTheFlow();
  ASSERT_NE(d, nullptr);
  equiv::SimImage sim;
  std::string why;
  ASSERT_TRUE(sim.open(*d, ZERLO_BLOCKLIB_SOURCE, &why)) << why;
  auto steps = [&](int n) {
    std::ostringstream seen;
    bool output = false;
    for (int i = 0; i < n; ++i) {
      frame->onCommand(512);
      output = output || sim.output(1, 1);
      seen << i << ": M1.1=" << sim.flag(1, 1) << " A1.1=" << sim.output(1, 1) << "\n";
    }
    return std::make_pair(output, seen.str());
  };
  const auto before = steps(10);
  EXPECT_FALSE(before.first) << before.second;
  EXPECT_TRUE(sim.flag(1, 1)) << "the flow waits in START\n" << before.second;

  editor::hookCalls().clear();
  frame->sendEngineEvent(frame->active(), editor::kMsgCommand, 260);
  const std::string text = readText(textPath);
  for (const char* line : {"&BEG", "&Init", "&SMOT", "&END"}) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_FALSE(fs::exists(textPath.string() + ".tmp"));
  for (const std::string& c : editor::hookCalls())
    EXPECT_TRUE(c != "co_OpenOutput" && c != "pc_EmitProgramFrame" && c != "co_CloseOutput") << c << " was a stand-in";

  const auto after = steps(20);
  EXPECT_TRUE(after.first) << "START was left for the OUTPUT block\n" << after.second;
}

// Without a path for the text the setup pass still runs and nothing is written.
TEST_F(EngineHooksTest, FunctionSetupWithoutATextPathWritesNothing) {
  openDemo();
  model::DocumentRecord* d = runWindowOnTheFlow();
  ASSERT_NE(d, nullptr);
  engineHookEnvironment().targetTextPath = [] { return std::string(); };
  frame->sendEngineEvent(frame->active(), editor::kMsgCommand, 260);
  EXPECT_FALSE(fs::exists(textPath));
  EXPECT_FALSE(zcd::co_IsOpen());
  equiv::SimImage sim;
  std::string why;
  ASSERT_TRUE(sim.open(*d, ZERLO_BLOCKLIB_SOURCE, &why)) << why;
  bool output = false;
  for (int i = 0; i < 20; ++i) {
    frame->onCommand(512);
    output = output || sim.output(1, 1);
  }
  EXPECT_TRUE(output) << "the blocks' setup ran all the same";
}

} // namespace
} // namespace zapp
