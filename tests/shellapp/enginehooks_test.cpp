// The engine-side services behind the editor's hooks in Zerlo: the target
// program text written by Function-Setup (260) for the project of all
// seventeen standard blocks, its flow simulated past START in the run window;
// the end of a run; the parameter forms of a built-in gate through the
// program's dialogs, answered by script.
#include "editor_frame_fixture.h"

#include "engine/services.h"
#include <QLabel>
#include "editor/rungate.h"
#include "engine/externs.h"
#include "engine/levels.h"
#include "engine/params.h"
#include "model/editing.h"
#include "equiv/equiv.h"
#include "modelfiles/selection.h"
#include "platform/uisink.h"
#include "shell/dialogs.h"
#include "shell/prompts.h"
#include "shell/utilities.h"
#include "zcdwriter/zcdwriter.h"
#include "zerloapp/enginehooks.h"
#include "recorder/recordgate.h"
#include "model/connections.h"

#include <QMdiArea>

#include <cmath>

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

  // The sample project with an On-Delay (kind 4) placed on its main sheet;
  // null when it could not be opened or placed.
  model::GateRecord* sampleWithOnDelay() {
    open(project);
    model::LogicRecord* main = frame->active() ? shownLogic() : nullptr;
    if (!main) return nullptr;
    model::GateRecord* delay = nullptr;
    model::CurrentDocument = frame->active()->data.document;
    return model::ge_CreateGateAsked(main, 4, nullptr, nullptr, 300, 420, delay) ? delay : nullptr;
  }

  // The gate's first extra value as the shown level's instance holds it (the
  // gate's own when no instance has values).
  static double& firstExtra(model::LogicRecord* logic, model::GateRecord* gate) {
    for (model::GateInstance* i = logic->FirstInstance; i; i = i->Next)
      if (i->GateNumber == gate->GateNumber && i->ExtraValues) return i->ExtraValues[0];
    return gate->Extra[0];
  }

private:
  EngineHookEnvironment previousEnv;
};

TEST_F(EngineHooksTest, TheAdaptersAreInstalledWhileTheEditorRuns) {
  const editor::EngineHooks& h = editor::engineHooks();
  for (bool set : {h.vm_InitOpSizes != nullptr, h.pc_AllocateSheet != nullptr, h.pc_EmitProgramFrame != nullptr, h.co_OpenOutput != nullptr,
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
  // No stand-in notes the calls of a working session.
  editor::hookCalls().clear();
  open(project);
  frame->onCommand(233);
  for (int i = 0; i < 3; ++i) frame->onCommand(512);
  EXPECT_TRUE(editor::hookCalls().empty()) << ::testing::PrintToString(editor::hookCalls());
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

// Without a path for the text the setup pass still runs, nothing is written
// and the user is told.
TEST_F(EngineHooksTest, FunctionSetupWithoutATextPathWritesNothing) {
  openDemo();
  model::DocumentRecord* d = runWindowOnTheFlow();
  ASSERT_NE(d, nullptr);
  engineHookEnvironment().targetTextPath = [] { return std::string(); };
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  {
    plat::ui::ScopedSink scope(sink);
    frame->sendEngineEvent(frame->active(), editor::kMsgCommand, 260);
  }
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].text, "The target program text (no path) cannot be created.");
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

// The end of a run and the gate counter go to the writer's end pass: no
// stand-in is called when the run window opens, a level is entered and left
// and the run window closes.
TEST_F(EngineHooksTest, RunEndGoesToTheEndPass) {
  openDemo();
  editor::hookCalls().clear();
  model::DocumentRecord* d = runWindowOnTheFlow();
  ASSERT_NE(d, nullptr);
  for (int i = 0; i < 5; ++i) frame->onCommand(512);
  // A right press beside every gate goes a level up.
  Worksheet* w = frame->active();
  const QPointF at(600, 500);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->canvas->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w->canvas, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->canvas->mapToGlobal(at), Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w->canvas, &release);
  EXPECT_EQ(d->MacroLevel, 1) << "the level was left";
  frame->onCommand(236);
  QApplication::processEvents();
  for (const std::string& c : editor::hookCalls())
    EXPECT_TRUE(c != "sim_EndGate" && c != "sim_EndGates" && c != "sim_EndGatesDeep" && c != "ge_ClearGateCounter" &&
                c != "pc_AllocateSheet")
        << c << " was a stand-in";
  EXPECT_FALSE(zcd::co_IsOpen());
}

// Answers an entry dialog by script: records what it shows (the window
// title, or the text of a label), types the answer into its edit and presses
// OK, or presses Cancel for an empty answer. The control names differ by
// dialog: the input dialog (template 7) and the parameter dialog (26).
struct EntryDriver : plat::ui::DialogObserver {
  const char* edit;
  const char* ok;
  const char* cancel;
  const char* shownLabel;   // null: the window title is recorded
  std::string answer;       // "" : Cancel
  std::vector<std::string> seen;
  EntryDriver(const char* e, const char* o, const char* c, const char* label)
      : edit(e), ok(o), cancel(c), shownLabel(label) {}
  void shown(const plat::ui::DialogShown& d) override {
    auto* dialog = static_cast<QDialog*>(d.widget);
    auto* field = dialog->findChild<QLineEdit*>(edit);
    auto* okButton = dialog->findChild<QPushButton*>(ok);
    auto* cancelButton = dialog->findChild<QPushButton*>(cancel);
    auto* label = shownLabel ? dialog->findChild<QLabel*>(shownLabel) : nullptr;
    if (!field || !okButton || !cancelButton || (shownLabel && !label)) {
      ADD_FAILURE() << "not the expected dialog: " << d.resourceId;
      dialog->reject();
      return;
    }
    seen.push_back((label ? label->text() : dialog->windowTitle()).toStdString());
    if (answer.empty()) {
      cancelButton->click();
      return;
    }
    field->setText(QString::fromStdString(answer));
    okButton->click();
  }
  void timedOut(const plat::ui::DialogShown& d) override { ADD_FAILURE() << "dialog " << d.resourceId << " still open"; }
  int deadlineMs() const override { return 5000; }
};

// A simulated input in the run window: the flow waits in its INPUT block for
// E1; a press on the block asks for E1's level with the bit dialog ("E1.0"),
// which the next sheet tick opens. Cancel leaves the flow waiting; 1 lets it
// go on within a few steps.
TEST_F(EngineHooksTest, APressOnInputAsksForItsLevelAndTheFlowGoesOn) {
  openDemo();
  model::DocumentRecord* d = runWindowOnTheFlow();
  ASSERT_NE(d, nullptr);
  shell::DialogEngineServices services;
  engine::EngineServices* previousServices = engine::setEngineServices(&services);
  engine::xt_EnableThreads();   // as the program does at its start
  engine::WorkerHooks workers;   // the blocks' helper libraries from the program's folder
  workers.programDir = ZERLO_BIN_DIR;
  engine::th_SetHooks(workers);
  frame->sendEngineEvent(frame->active(), editor::kMsgCommand, 260);
  equiv::SimImage sim;
  std::string why;
  ASSERT_TRUE(sim.open(*d, ZERLO_BLOCKLIB_SOURCE, &why)) << why;
  auto steps = [&](int n) {
    for (int i = 0; i < n; ++i) frame->onCommand(512);
    // The flags and outputs set: which steps are active.
    std::string flags;
    for (int byte = 0; byte < 128; ++byte)
      for (int bit = 0; bit < 8; ++bit)
        if (sim.flag(byte, bit)) flags += "M" + std::to_string(byte) + "." + std::to_string(bit) + " ";
    for (int e = 0; e < 16; ++e)
      for (int bit = 0; bit < 8; ++bit)
        if (sim.output(e, bit)) flags += "A" + std::to_string(e) + "." + std::to_string(bit) + " ";
    return flags;
  };
  const std::string waiting = steps(30);
  ASSERT_EQ(steps(5), waiting) << "the flow waits for its input";
  ASSERT_NE(waiting.find("A1.1"), std::string::npos) << "the motor before the INPUT block runs: " << waiting;
  model::GateRecord* input = nullptr;
  for (model::GateRecord* g = d->LevelLogics[2]->FirstGate; g; g = g->Next)
    if (const model::GateTypeRecord* t = model::subType(g); t && std::strncmp(t->Name, "BINPUTV3", 8) == 0) input = g;
  ASSERT_NE(input, nullptr);
  auto driver = std::make_shared<EntryDriver>("c114", "c1", "c2", "c111");   // the bit dialog
  auto previous = plat::ui::setDialogObserver(driver);
  for (const char* answer : {"", "1"}) {
    SCOPED_TRACE(answer);
    driver->answer = answer;
    mouse(QEvent::MouseButtonPress, input->X + 30, input->Y + 20);
    mouse(QEvent::MouseButtonRelease, input->X + 30, input->Y + 20);
    shell::ui_RunDeferredCalls();   // as the next sheet tick does first
    ASSERT_FALSE(driver->seen.empty()) << "the press asked for the input";
    EXPECT_EQ(driver->seen.back(), "E1.0");
    const std::string now = steps(5);
    if (std::string(answer).empty()) EXPECT_EQ(now, waiting) << "Cancel leaves the flow waiting";
    else EXPECT_NE(now, waiting) << "the flow went on";
  }
  plat::ui::setDialogObserver(previous);
  engine::xt_DisableThreads();
  engine::th_SetHooks({});
  engine::setEngineServices(previousServices);
}

// The parameter form of a built-in gate (an On-Delay placed on the sample's
// main sheet) through the program's dialogs: a right press on it in the edit
// window, a click on it in the run window. OK takes the entered delay,
// Cancel leaves it. In the run window the parameters are asked only while
// the gate's values are its own (flag bit 1 clear); otherwise only its
// presets, of which an On-Delay has none.
TEST_F(EngineHooksTest, ParameterFormOfABuiltInGate) {
  struct Case {
    const char* name;
    bool runWindow;
    bool ownValues;   // flag bit 1 clear
    const char* answer;
    int prompts;
    double expected;   // -1: unchanged
  };
  const Case cases[] = {
      {"edit window, OK", false, false, "2.5", 1, 2.5},
      {"edit window, Cancel", false, false, "", 1, -1},
      {"run window, OK", true, true, "0.75", 1, 0.75},
      {"run window, Cancel", true, true, "", 1, -1},
      {"run window, shared values", true, false, "0.75", 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (Worksheet* w : frame->worksheets()) delete w;
    QApplication::processEvents();
    model::GateRecord* delay = sampleWithOnDelay();
    ASSERT_NE(delay, nullptr);
    model::LogicRecord* main = shownLogic();
    auto value = [&]() -> double& { return firstExtra(main, delay); };
    value() = 1.0;
    if (c.ownValues) delay->Flags = std::uint16_t(delay->Flags & ~model::kGateSharedExtra);
    else delay->Flags = std::uint16_t(delay->Flags | model::kGateSharedExtra);
    const double before = value();
    auto driver = std::make_shared<EntryDriver>("c101", "c106", "c107", nullptr);   // the input dialog
    driver->answer = c.answer;
    auto previous = plat::ui::setDialogObserver(driver);
    if (c.runWindow) {
      frame->onCommand(233);
      ASSERT_EQ(frame->active()->data.kind, 3);
      mouse(QEvent::MouseButtonPress, delay->X + 5, delay->Y + 5);
      mouse(QEvent::MouseButtonRelease, delay->X + 5, delay->Y + 5);
    } else {
      Worksheet* w = frame->active();
      const float z = app().settings.zoom;
      const QPointF at((delay->X + 5 - w->data.scrollX) * z, (delay->Y + 5 - w->data.scrollY) * z);
      QMouseEvent press(QEvent::MouseButtonPress, at, w->canvas->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                        Qt::NoModifier);
      QApplication::sendEvent(w->canvas, &press);
      QMouseEvent release(QEvent::MouseButtonRelease, at, w->canvas->mapToGlobal(at), Qt::RightButton,
                          Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(w->canvas, &release);
    }
    plat::ui::setDialogObserver(previous);
    ASSERT_EQ(driver->seen.size(), std::size_t(c.prompts));
    if (c.prompts) {
      EXPECT_EQ(driver->seen[0], "Delay Time ?");
    }
    EXPECT_DOUBLE_EQ(value(), c.expected < 0 ? before : c.expected);
    frame->onCommand(204);
  }
}

// The parameter list of one gate from the run window (the editor's opening
// of a gate in list mode): written into the ".LPA" file the selector answers; a cancelled
// selector writes nothing.
TEST_F(EngineHooksTest, ParameterListOfAGateFromTheRunWindow) {
  model::GateRecord* delay = sampleWithOnDelay();
  ASSERT_NE(delay, nullptr);
  model::LogicRecord* main = shownLogic();
  for (model::GateInstance* i = main->FirstInstance; i; i = i->Next)
    if (i->GateNumber == delay->GateNumber && i->ExtraValues) i->ExtraValues[0] = 3.25;
  delay->Extra[0] = 3.25;
  frame->onCommand(233);
  ASSERT_EQ(frame->active()->data.kind, 3);
  const fs::path list = dir / "DELAY.LPA";
  for (bool chosen : {false, true}) {
    int asked = 0;
    shell::setOpenDialog([&](const shell::OpenDialogRequest& r, std::string& out) {
      ++asked;
      EXPECT_EQ(r.filterPattern, "*.LPA");
      EXPECT_TRUE(r.saving);   // a new list file may be named
      if (!chosen) return false;
      out = list.string();
      return true;
    });
    Worksheet* w = frame->active();
    model::CurrentDocument = w->data.document;
    EXPECT_EQ(editor::de_OpenGateAt(&w->data, delay->X + 5 - w->data.scrollX, delay->Y + 5 - w->data.scrollY, false, 1),
              editor::OpenGateResult::ListWritten);
    shell::setOpenDialog(nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(fs::exists(list), chosen);
  }
  const std::string text = readText(list);
  EXPECT_NE(text.find("$ Gate No."), std::string::npos) << text;
  EXPECT_NE(text.find("Delay Time"), std::string::npos) << text;
  EXPECT_NE(text.find("3.25"), std::string::npos) << text;
}

// The whole parameter list of the shown level: written with its page head,
// read back into the gates; a missing file loses nothing.
TEST_F(EngineHooksTest, ParameterListOfTheShownLevelWrittenAndReadBack) {
  open(project);
  ASSERT_NE(frame->active(), nullptr);
  model::DocumentRecord* d = frame->active()->data.document;
  model::LogicRecord* main = shownLogic();
  ASSERT_NE(main, nullptr);
  model::GateRecord* delay = nullptr;
  model::CurrentDocument = d;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, 4, nullptr, nullptr, 300, 420, delay));
  auto value = [&]() -> double& { return firstExtra(main, delay); };
  value() = 4.5;
  const fs::path list = dir / "MAIN.LPA";
  const editor::EngineHooks& h = editor::engineHooks();
  ASSERT_TRUE(h.lst_WriteList(d, list.string()));
  const std::string text = readText(list);
  EXPECT_NE(text.find("KESTRUM LOGIC PARAMETER LIST"), std::string::npos) << text;
  EXPECT_NE(text.find("4.5"), std::string::npos) << text;
  value() = 9.0;
  EXPECT_FALSE(h.lst_ReadList(d, (dir / "NONE.LPA").string()));
  EXPECT_EQ(value(), 9.0);
  ASSERT_TRUE(h.lst_ReadList(d, list.string()));
  EXPECT_EQ(value(), 4.5);
}

// The menu's list commands on the shown level both write: 287 the headed
// list into a file the user names (a new name is allowed), 288 the plain
// list; a cancelled selector writes nothing, and neither reads a list back.
TEST_F(EngineHooksTest, TheListCommandsWriteTheShownLevel) {
  model::GateRecord* delay = sampleWithOnDelay();
  ASSERT_NE(delay, nullptr);
  model::LogicRecord* main = shownLogic();
  auto value = [&]() -> double& { return firstExtra(main, delay); };
  value() = 4.5;
  const fs::path list = dir / "LISTS" / "MAIN.LPA";
  const fs::path plain = dir / "LISTS" / "PLAIN.LPA";
  fs::create_directories(list.parent_path());
  std::deque<std::string> answers;   // "" cancels
  std::vector<shell::OpenDialogRequest> asked;
  shell::setOpenDialog([&](const shell::OpenDialogRequest& r, std::string& out) {
    asked.push_back(r);
    if (answers.empty() || answers.front().empty()) {
      if (!answers.empty()) answers.pop_front();
      return false;
    }
    out = answers.front();
    answers.pop_front();
    return true;
  });
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);

  for (int command : {287, 288}) {
    SCOPED_TRACE(command);
    asked.clear();
    answers = {""};
    frame->onCommand(command);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].saving);
    EXPECT_EQ(asked[0].filterPattern, "*.LPA");
  }
  EXPECT_FALSE(fs::exists(list));
  EXPECT_FALSE(fs::exists(plain));

  answers = {list.string()};
  frame->onCommand(287);
  ASSERT_TRUE(fs::exists(list));
  const std::string text = readText(list);
  EXPECT_NE(text.find("KESTRUM LOGIC PARAMETER LIST"), std::string::npos) << text;
  EXPECT_NE(text.find("4.5"), std::string::npos) << text;

  // 288 over the existing list: the list takes the project's value, the
  // project keeps it (nothing is read), without the heading.
  value() = 9.0;
  answers = {plain.string()};
  frame->onCommand(288);
  EXPECT_TRUE(sink->shown().empty());
  EXPECT_EQ(value(), 9.0);
  ASSERT_TRUE(fs::exists(plain));
  const std::string plainText = readText(plain);
  EXPECT_EQ(plainText.find("KESTRUM LOGIC PARAMETER LIST"), std::string::npos) << plainText;
  EXPECT_NE(plainText.find('9'), std::string::npos) << plainText;
  // The selector starts from the last list written.
  asked.clear();
  answers = {""};
  frame->onCommand(287);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].fileField.find("PLAIN.LPA"), std::string::npos) << asked[0].fileField;
  shell::setOpenDialog(nullptr);
}

} // namespace
} // namespace zapp

namespace zapp {
namespace {

// Record gates and the trend window in a simulation run in Zerlo: a
// Read-Record gate feeds a Write-Record gate on the sample's main sheet, their
// files chosen in their forms (the program's file dialog, answered by script);
// the run window steps, the trend window shows the recorded curve, and the
// end of the project closes the files, the written one under its own name.
TEST_F(EngineHooksTest, RecordGatesAndTheTrendWindowInARun) {
  open(project);
  model::LogicRecord* main = shownLogic();
  ASSERT_NE(main, nullptr);
  model::CurrentDocument = frame->active()->data.document;
  model::GateRecord* reader = nullptr;
  model::GateRecord* writer = nullptr;
  ASSERT_TRUE(model::ge_CreateGateAsked(main, 88, nullptr, nullptr, 300, 420, reader));
  ASSERT_TRUE(model::ge_CreateGateAsked(main, 89, nullptr, nullptr, 450, 420, writer));
  ASSERT_TRUE(reader && writer && reader->OutputCount >= 1 && writer->InputCount >= 1);
  // REAL values, as chosen when the gates are made.
  reader->Outputs[0].Type = model::kTypeReal;
  writer->Inputs[0].Type = model::kTypeReal;
  ASSERT_TRUE(model::ge_ConnectGates(main, writer, 1, reader, 1, nullptr, nullptr));
  // The values read: 2 + 2 sin(0.3 k) at the times 0.1 k.
  const fs::path in = dir / "IN.VDB", out = dir / "OUT.VDB";
  {
    std::ofstream f(in, std::ios::binary);
    const std::uint16_t count = 1;
    f.write(reinterpret_cast<const char*>(&count), 2);
    for (int k = 0; k <= 400; ++k) {
      const double rec[2] = {0.1 * k, 2.0 + 2.0 * std::sin(0.3 * k)};
      f.write(reinterpret_cast<const char*>(rec), sizeof rec);
    }
  }
  std::deque<fs::path> files = {in, out};
  std::vector<bool> saving;
  shell::setOpenDialog([&](const shell::OpenDialogRequest& r, std::string& chosen) {
    saving.push_back(r.saving);
    if (files.empty()) return false;
    chosen = files.front().string();
    files.pop_front();
    return true;
  });
  auto driver = std::make_shared<EntryDriver>("c101", "c106", "c107", nullptr);   // "1st channel?"
  driver->answer = "1";
  auto previous = plat::ui::setDialogObserver(driver);
  ASSERT_TRUE(editor::engineHooks().pf_EditBlock(reader));
  ASSERT_TRUE(editor::engineHooks().pf_EditBlock(writer));
  plat::ui::setDialogObserver(previous);
  shell::setOpenDialog(nullptr);
  EXPECT_EQ(saving, (std::vector<bool>{false, true})) << "Write-Record asks where to write";
  EXPECT_TRUE(fs::exists(fs::path(out.string() + "~"))) << "written under its work name";

  // The run: started from time zero, then steps; the trend window beside it.
  frame->onCommand(233);
  ASSERT_EQ(frame->active()->data.kind, 3);
  frame->onCommand(503);
  frame->onCommand(235);
  Worksheet* trend = frame->active();
  ASSERT_NE(trend, nullptr);
  ASSERT_EQ(trend->data.kind, 5);
  trend->showNormal();
  trend->setGeometry(0, 0, 800, 480);
  QApplication::processEvents();
  for (Worksheet* w : frame->worksheets())
    if (w->data.kind == 3) frame->mdi->setActiveSubWindow(w);
  for (int i = 0; i < 120; ++i) {
    frame->onCommand(512);
    if (i % 20 == 19) frame->sendEngineEvent(trend, editor::kMsgSimTick, 0);   // a display step
  }
  trend->invalidate();   // and a whole repaint, which replays the recorded samples
  QApplication::processEvents();
  const QImage shot = trend->canvas->image().convertToFormat(QImage::Format_RGB32);
  if (const char* path = std::getenv("ZERLO_TREND_SHOT")) shot.save(path);
  // The reader's curve: its channel (the first gate output of the main sheet
  // that the trend binds) drawn in its pen colour inside the plot.
  int coloured = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = shot.width() / 3; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y) & 0xFFFFFF;
      coloured += p != 0xFFFFFF && p != 0x000000 && qRed(p) != qGreen(p);
    }
  EXPECT_GT(coloured, 300) << "curves in the trend window";

  // The values the writer got are those read, one record per step.
  frame->onCommand(204);
  QApplication::processEvents();
  EXPECT_FALSE(fs::exists(fs::path(out.string() + "~")));
  ASSERT_TRUE(fs::exists(out));
  const std::string bytes = readText(out);
  ASSERT_GE(bytes.size(), 2u + 16u * 50u) << "a record per step";
  std::uint16_t head = 0;
  std::memcpy(&head, bytes.data(), 2);
  EXPECT_EQ(head, 1);
  for (std::size_t at = 2; at + 16 <= bytes.size(); at += 16) {
    double rec[2];
    std::memcpy(rec, bytes.data() + at, 16);
    const int k = int(std::floor(rec[0] / 0.1 + 1e-6));
    EXPECT_NEAR(rec[1], 2.0 + 2.0 * std::sin(0.3 * k), 1e-9) << "t=" << rec[0];
  }
  EXPECT_EQ(rec::vdb_OpenRecordFileCount(), 0u);
}

} // namespace
} // namespace zapp
