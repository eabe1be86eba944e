// The frame over the real worksheet editor, offscreen: the sample project
// opens into a main sheet with the standard block library beside it, a gate
// is placed by scripted mouse events (a Shift press copies the gate under the
// pointer, the release drops the copy), and the document changes; a project
// without the library anywhere shows 50061; closing frees every block.
#include "editor_frame_fixture.h"
#include "../shell/fixtures.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "model/gatekinds.h"
#include "shell/utilities.h"
#include "shell/menustate.h"
#include "model/connections.h"
#include "shell/insertbox.h"

#include <QKeyEvent>
#include <optional>

namespace zapp {
namespace {

TEST_F(EditorFrameTest, SampleOpensAndAScriptedShiftDragPlacesAGate) {
  open(project);
  EXPECT_EQ(dispatcher.projectPath(), project);
  ASSERT_FALSE(frame->recent.paths.empty());
  EXPECT_EQ(frame->recent.paths.front(), project) << "the loaded project heads the recent files";
  EXPECT_TRUE(EditorDispatcher::projectHasModule(kStandardLibrary)) << "the standard block library is loaded";
  EXPECT_TRUE(std::find(messages.begin(), messages.end(), 50061) == messages.end());
  ASSERT_EQ(frame->worksheets().size(), 1u);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->data.kind, 1);
  ASSERT_NE(w->data.document, nullptr) << "the window took the document the editor made for it";
  EXPECT_EQ(w->data.clientW, std::int16_t(w->canvas->width() / app().settings.zoom)) << "the visible size follows the window";
  const int before = gateCount();
  ASSERT_GT(before, 0);
  // The first gate of the sample (an AND at 160, 100): a Shift press copies
  // it, the release 200 units to the right drops the copy.
  model::GateRecord* first = shownLogic()->FirstGate;
  const int gx = first->X + 12, gy = first->Y + 12;
  mouse(QEvent::MouseButtonPress, gx, gy, Qt::ShiftModifier);
  EXPECT_EQ(editor::editorState(), 9u) << "the copy is being placed";
  EXPECT_EQ(gateCount(), before + 1);
  mouse(QEvent::MouseMove, gx + 100, gy, Qt::ShiftModifier);
  EXPECT_TRUE(editor::ws_DragMarkerShown(&w->data)) << "the copy's picture follows the mouse";
  mouse(QEvent::MouseButtonRelease, gx + 200, gy, Qt::ShiftModifier);
  EXPECT_FALSE(editor::ws_DragMarkerShown(&w->data)) << "the release takes the picture away";
  EXPECT_EQ(editor::editorState(), 0u);
  ASSERT_EQ(gateCount(), before + 1);
  // The copy lies 200 units to the right of the original.
  bool found = false;
  for (model::GateRecord* g = shownLogic()->FirstGate; g; g = g->Next)
    found |= g != first && g->Kind == first->Kind && g->X == first->X + 200 && g->Y == first->Y;
  EXPECT_TRUE(found);
  EXPECT_TRUE(dispatcher.projectChanged());
  // The picture shows it: the window paints through the editor.
  w->invalidate();
  QApplication::processEvents();
  // Closing the project asks to save it; No closes without saving.
  answers = {7};
  frame->onCommand(204);
  EXPECT_EQ(messages.back(), 40008);
  EXPECT_TRUE(frame->worksheets().empty());
  EXPECT_EQ(dispatcher.projectPath(), "");
  EXPECT_FALSE(dispatcher.projectChanged());
  EXPECT_EQ(model::mm_BytesInUse(), bytesAtStart) << "the closed project left no block behind";
  EXPECT_EQ(editor::engineHooks().xt_EnableThreads, &engine::xt_EnableThreads) << "the editor starts again with its hooks";
}

TEST_F(EditorFrameTest, SaveWritesThePlacedGateAndReopensIt) {
  open(project);
  const int before = gateCount();
  model::GateRecord* first = shownLogic()->FirstGate;
  const int gx = first->X + 12, gy = first->Y + 12;
  mouse(QEvent::MouseButtonPress, gx, gy, Qt::ShiftModifier);
  mouse(QEvent::MouseButtonRelease, gx + 200, gy + 200, Qt::ShiftModifier);
  ASSERT_EQ(gateCount(), before + 1);
  auto bytesOf = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string original = bytesOf(project);
  frame->onCommand(203);
  EXPECT_FALSE(dispatcher.projectChanged());
  // Written once: the backup holds the version before this save.
  EXPECT_EQ(bytesOf(fs::path(project).replace_extension(".MD~")), original);
  frame->onCommand(204);
  EXPECT_TRUE(frame->worksheets().empty());
  open(project);
  EXPECT_EQ(gateCount(), before + 1) << "the saved project holds the new gate";
}

// A press on a gate lifts it; while it follows the mouse its picture is shown
// and the release takes the picture away and drops the gate where it ends.
TEST_F(EditorFrameTest, ALiftedGateFollowsTheMouseWithItsPicture) {
  open(project);
  model::GateRecord* first = shownLogic()->FirstGate;
  const int x0 = first->X, y0 = first->Y;
  const int gx = first->X + 12, gy = first->Y + 12;
  mouse(QEvent::MouseButtonPress, gx, gy);
  mouse(QEvent::MouseMove, gx + 40, gy + 20);
  const bool shown = editor::ws_DragMarkerShown(&frame->active()->data);
  mouse(QEvent::MouseMove, gx + 80, gy + 40);
  mouse(QEvent::MouseButtonRelease, gx + 80, gy + 40);
  EXPECT_FALSE(editor::ws_DragMarkerShown(&frame->active()->data)) << "the release takes the picture away";
  EXPECT_TRUE(first->X != x0 || first->Y != y0) << "the gate was dropped where the mouse ended";
  EXPECT_TRUE(shown) << "the lifted gate's picture follows the mouse";
}

// The edit-mode commands hand the editor the mode's table: the delete tool
// (247) removes the gate under a press, 246 brings the ordinary mode back.
TEST_F(EditorFrameTest, EditModeCommandsSwitchTheEditorsTool) {
  open(project);
  ASSERT_NE(frame->active(), nullptr);
  EXPECT_EQ(editor::ui_CurrentToolMode(), 3);
  const int before = gateCount();
  model::GateRecord* first = shownLogic()->FirstGate;
  const int gx = first->X + 12, gy = first->Y + 12;
  frame->onCommand(247);
  EXPECT_EQ(editor::ui_CurrentToolMode(), 4);
  EXPECT_EQ(frame->active()->data.editMode, 2);
  mouse(QEvent::MouseButtonPress, gx, gy);
  mouse(QEvent::MouseButtonRelease, gx, gy);
  EXPECT_EQ(gateCount(), before - 1);
  frame->onCommand(246);
  EXPECT_EQ(editor::ui_CurrentToolMode(), 3);
  EXPECT_EQ(editor::editorState(), 0u);
}

// With the wiring tool (edit mode 4), Ctrl shows over a connection which
// segment a press takes: 17 on a vertical segment, 18 on another, 2 off
// connections; letting Ctrl go brings the tool's pointer (31) back.
TEST_F(EditorFrameTest, CtrlOverAConnectionShowsItsSegmentShape) {
  open(project);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  frame->onCommand(244);
  ASSERT_EQ(editor::ui_CurrentToolMode(), 7);
  EXPECT_EQ(w->shape(), 31);
  // A routed wire from the first AND (160,100) to the EXOR (340,160): its
  // vertical segment at x 250, its horizontal ones at y 110 and 170.
  model::GateRecord* from = shownLogic()->FirstGate;
  model::GateRecord* to = from->Next->Next;
  ASSERT_EQ(to->X, 340);
  const int route[][2] = {{200, 110}, {250, 110}, {250, 170}, {340, 170}};
  model::WirePoint* head = nullptr;
  model::WirePoint** tail = &head;
  for (const auto& pt : route) {
    ASSERT_TRUE(model::mm_New(*tail));
    (*tail)->X = std::int16_t(pt[0]);
    (*tail)->Y = std::int16_t(pt[1]);
    tail = &(*tail)->Next;
  }
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = w->data.document;
  ASSERT_TRUE(model::ge_ConnectGates(shownLogic(), to, 1, from, 1, nullptr, head));
  model::CurrentDocument = previous;
  const std::optional<std::pair<int, int>> vertical{{250, 140}}, horizontal{{225, 110}};
  auto key = [&](QEvent::Type type) {
    QKeyEvent e(type, Qt::Key_Control, type == QEvent::KeyPress ? Qt::ControlModifier : Qt::NoModifier);
    QApplication::sendEvent(w->canvas, &e);
  };
  const struct { int x, y, shape; } cases[] = {
      {vertical->first, vertical->second, 17},
      {horizontal->first, horizontal->second, 18},
      {5, 5, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shape);
    mouse(QEvent::MouseMove, c.x, c.y, Qt::NoModifier);
    key(QEvent::KeyPress);
    EXPECT_EQ(w->shape(), c.shape);
    key(QEvent::KeyRelease);
    EXPECT_EQ(w->shape(), 31);
  }
  // In the ordinary edit mode Ctrl changes nothing.
  frame->onCommand(246);
  mouse(QEvent::MouseMove, vertical->first, vertical->second, Qt::NoModifier);
  const int shown = w->shape();
  key(QEvent::KeyPress);
  EXPECT_EQ(w->shape(), shown);
  key(QEvent::KeyRelease);
  EXPECT_EQ(w->shape(), shown);
}

// Ctrl+F1 over a gate opens the help page of its block (by key word); over
// the empty sheet nothing opens.
TEST_F(EditorFrameTest, CtrlF1OpensTheHelpOfTheGateUnderThePointer) {
  open(project);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  const std::string fixtures = shelltest::fixtureDir("good");
  shell::setProgramDir(fixtures);
  shelltest::fixtureClear(fixtures, "OBELTOOL.DLL");
  ASSERT_EQ(shell::bind_LoadObelTool(), 1);
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope(sink);
  auto ctrlF1 = [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::ControlModifier);
    QApplication::sendEvent(w->canvas, &press);
    // A key without Ctrl: the application's modifier state, which key
    // presses set, is clear again for the tests that follow.
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
    QApplication::sendEvent(w->canvas, &plain);
  };
  model::GateRecord* first = shownLogic()->FirstGate;   // the sample's AND
  mouse(QEvent::MouseMove, 5, 5, Qt::NoModifier);
  ctrlF1();
  EXPECT_TRUE(sink->helps().empty());
  mouse(QEvent::MouseMove, first->X + 12, first->Y + 12, Qt::NoModifier);
  ctrlF1();
  ASSERT_EQ(sink->helps().size(), 1u);
  EXPECT_TRUE(sink->helps()[0].byKeyword);
  const std::string keyword = sink->helps()[0].keyword, kind = model::gt_KindName(first->Kind);
  ASSERT_GE(keyword.size(), kind.size());
  EXPECT_EQ(keyword.substr(keyword.size() - kind.size()), kind);
  shell::bind_UnloadAll();
  shell::setProgramDir("");
  shell::path_ResetCaches();
}

// Load library (208): the project loader's library selector; a cancelled
// selector leaves the project unchanged, a loaded library is in the project
// and the project counts as changed.
TEST_F(EditorFrameTest, LoadLibraryChangesTheProjectOnlyWhenSomethingLoaded) {
  open(project);
  editor::ctx().projectChanged = 0;   // as after a save
  // Without the standard dialogs library the library selector answers Cancel.
  frame->onCommand(208);
  EXPECT_FALSE(dispatcher.projectChanged());
  // The selector's answer: a library beside the project (it replaces the
  // module of that name).
  shell::fsel_SetPresetLibrary((dir / "EXTERNAL.MCO").string().c_str());
  frame->onCommand(208);
  EXPECT_TRUE(EditorDispatcher::projectHasModule("EXTERNAL"));
  EXPECT_TRUE(dispatcher.projectChanged());
}

// The value sheet (267) opens as a kind-7 window under help context 607;
// asked again, the open one comes to the top and no second one opens.
TEST_F(EditorFrameTest, ValueSheetOpensOnce) {
  open(project);
  frame->onCommand(233);
  ASSERT_EQ(countKind(3), 1);
  frame->onCommand(267);
  ASSERT_EQ(countKind(7), 1);
  EXPECT_EQ(frame->active()->data.kind, 7);
  EXPECT_EQ(frame->helpContext, 607);
  EXPECT_EQ(frame->menuState, 12);
  frame->onCommand(233);
  frame->onCommand(267);
  EXPECT_EQ(countKind(7), 1);
  EXPECT_EQ(frame->active()->data.kind, 7);
}

// The simulation sheet (233) and the simulation switch (282): the editor runs
// the display on timer 998 of that sheet until switched off.
TEST_F(EditorFrameTest, SimulationRunsOnTheSheetTimer) {
  open(project);
  frame->onCommand(233);
  ASSERT_NE(frame->active(), nullptr);
  ASSERT_EQ(frame->active()->data.kind, 3);
  ASSERT_NE(frame->active()->data.document, nullptr);
  frame->onCommand(282);
  EXPECT_TRUE(app().simulation);
  EXPECT_EQ(frame->menuState, 11);
  EXPECT_EQ(editor::editorState(), 7u);
  EXPECT_EQ(frame->timerWindow, frame->active());
  EXPECT_TRUE(frame->sheetTimer.isActive());
  frame->onSheetTimer();
  QApplication::processEvents();   // the display steps posted to every sheet
  EXPECT_EQ(frame->timerTicks, 1);
  frame->onCommand(282);
  EXPECT_FALSE(app().simulation);
  EXPECT_EQ(editor::editorState(), 0u);
  EXPECT_EQ(frame->timerWindow, nullptr);
  EXPECT_FALSE(frame->sheetTimer.isActive());
}

// The simulation commands of the Simulation menu, through the frame: with the
// simulation on, each next step (512) advances the simulated time and the
// values of the project's gates follow (the flow's timer counts); from time
// zero (320) starts again.
TEST_F(EditorFrameTest, NextStepAdvancesTheSimulation) {
  openDemo();
  frame->onCommand(233);
  ASSERT_NE(frame->active(), nullptr);
  ASSERT_EQ(frame->active()->data.kind, 3);
  model::DocumentRecord* doc = frame->active()->data.document;
  ASSERT_NE(doc, nullptr);
  model::LogicRecord* top = doc->LevelLogics[1];
  ASSERT_NE(top, nullptr);
  // The values of every output of the sheet's gates, in order.
  // The outputs and states of the project's gates (those of called
  // subprograms too), in order.
  auto outputs = [&] {
    std::vector<double> v;
    std::function<void(model::GateInstance*)> walk = [&](model::GateInstance* in) {
      for (; in; in = in->Next) {
        for (int i = 0; i < in->OutputSlotCount; ++i) v.push_back(in->OutputValues[i]);
        for (int i = 0; i < in->StateSlotCount; ++i) v.push_back(in->StateValues[i]);
        walk(in->Children);
      }
    };
    walk(doc->LevelInstances[1]);
    return v;
  };
  frame->onCommand(282);
  ASSERT_TRUE(app().simulation);
  EXPECT_EQ(shell::menu_State(), 11);
  frame->onCommand(320);
  const double zero = top->StepBlock.simTime;
  std::vector<std::vector<double>> seen{outputs()};
  double last = zero;
  for (int step = 0; step < 20; ++step) {
    frame->onCommand(512);
    EXPECT_GT(top->StepBlock.simTime, last) << "step " << step;
    last = top->StepBlock.simTime;
    seen.push_back(outputs());
  }
  bool changed = false;
  for (const auto& v : seen) changed |= v != seen.front();
  EXPECT_TRUE(changed) << "no gate value moved in twenty steps";
  // From time zero again: the time goes back to where the first start put it.
  frame->onCommand(320);
  EXPECT_DOUBLE_EQ(top->StepBlock.simTime, zero);
  // Next subprogram enters the flow the main sheet calls; back to the upper
  // level leaves it.
  ASSERT_EQ(doc->MacroLevel, 1);
  frame->onCommand(513);
  EXPECT_EQ(doc->MacroLevel, 2);
  frame->onCommand(383);
  EXPECT_EQ(doc->MacroLevel, 1);
  frame->onCommand(282);
  EXPECT_FALSE(app().simulation);
}

// The insert box's placement reaches fn_InsertLibraryGate: a gate of the
// standard table lands at the window point of the worksheet.
TEST_F(EditorFrameTest, InsertBoxPlacementGoesThroughTheEditor) {
  open(project);
  Worksheet* w = frame->active();
  ASSERT_NE(w, nullptr);
  FrameBlockEditor seam(*frame);
  const int before = gateCount();
  auto* gate = static_cast<model::GateRecord*>(seam.insertGate(w->data, "%STD", "And", 0, 300, 400));
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(gate->Kind, model::kKindAnd);
  EXPECT_EQ(gate->X, 300);
  EXPECT_EQ(gate->Y, 400);
  EXPECT_EQ(gateCount(), before + 1);
  int width = 0, height = 0;
  EXPECT_TRUE(seam.gateSize(w->data, gate, width, height));
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
  EXPECT_EQ(seam.insertGate(w->data, "%STD", "NoSuchGate", 0, 300, 400), nullptr);
  seam.deleteGate(w->data, gate);
  EXPECT_EQ(gateCount(), before);
}

// 232 opens a subprogram sheet from the list: the editor chooses the logic
// through the selection the model asks of the shell (here the main one).
TEST_F(EditorFrameTest, SelectSubprogramOpensASheetOfKind2) {
  open(project);
  frame->onCommand(232);
  ASSERT_NE(frame->active(), nullptr);
  EXPECT_EQ(frame->active()->data.kind, 2);
  EXPECT_EQ(countKind(2), 1);
}

// A project with blocks of the standard library: its library is linked for
// the interpreter as it is read, the worksheet view runs a block's face
// procedure, and closing the project leaves neither links nor code behind.
TEST_F(EditorFrameTest, StandardBlocksAreLinkedAndDrawTheirFaces) {
  const fs::path demo = dir / "DEMOA.MDL";
  fs::copy_file(fs::path(ZERLO_TEST_DATA) / "blocklib" / "demoa.mdl", demo);
  open(demo.string());
  model::DocumentRecord* t = model::TemplateDocument;
  ASSERT_NE(t, nullptr);
  model::ProjectModule* library = nullptr;
  for (model::ProjectModule* m = t->FirstModule; m; m = m->Next)
    if (model::isCompiled(m) && std::string(m->Name, strnlen(m->Name, sizeof m->Name)).rfind("ZRLFB02", 0) == 0)
      library = m;
  ASSERT_NE(library, nullptr);
  EXPECT_TRUE(engine::vm().isLinked(library));
  // The START block of the flow, drawn into a recording device.
  model::GateRecord* start = nullptr;
  for (model::LogicRecord* l = model::firstLogicOf(t->FirstModule); l && !start; l = l->Next)
    for (model::GateRecord* g = l->FirstGate; g && !start; g = g->Next)
      if (const model::GateTypeRecord* ty = model::subType(g); ty && std::strncmp(ty->Name, "STARTV3", 8) == 0)
        start = g;
  ASSERT_NE(start, nullptr);
  ASSERT_TRUE(disp::currentView().runModuleCode);
  using Win = disp::DeviceWindow;
  disp::RecordingDevice dev;
  Win win{&dev};
  disp::gdi_SetCurrent(&dev, &win);
  std::vector<double> extra(28, 0.0), state(31, 0.0);
  model::GateInstance inst{};
  inst.ExtraValues = extra.data();
  inst.ExtraSlotCount = 28;
  inst.StateValues = state.data();
  inst.StateSlotCount = 31;
  EXPECT_TRUE(disp::currentView().runModuleCode(start, &inst, 0));
  disp::gdi_SetCurrent(nullptr, nullptr);
  bool named = false;
  for (const std::string& c : dev.withPrefix("")) named |= c.find("\"START\"") != std::string::npos;
  EXPECT_TRUE(named) << "the face procedure wrote the block's name";
  answers = {7};
  frame->onCommand(204);
  EXPECT_FALSE(engine::vm().isLinked(library)) << "the interpreter forgot the closed project's library";
  EXPECT_EQ(model::mm_BytesInUse(), bytesAtStart) << "the closed project left no block behind";
}

// The project's subprogram names (the main sheet's included).
std::vector<std::string> subprograms() {
  shell::NameList l = shell::mod_ListSubprograms(false);
  std::vector<std::string> out = shell::nl_Names(&l);
  shell::nl_FreeAll(&l);
  return out;
}
bool hasName(const std::string& name) {
  const std::vector<std::string> all = subprograms();
  return std::find(all.begin(), all.end(), name) != all.end();
}

// The subprogram dialogs answered by script: the answer (1 OK, 2 Cancel) and
// the names the user chose.
struct PairAnswer {
  int answer;
  std::string from, to;
};

// 250: OK copies the chosen subprogram under the new name; Cancel changes nothing.
TEST_F(EditorFrameTest, CopySubprogramMakesTheCopyOnOkOnly) {
  open(project);
  const std::vector<std::string> before = subprograms();
  ASSERT_TRUE(hasName("$MAIN"));
  frame->onCommand(203);   // saved: only the copy can mark the project
  ASSERT_FALSE(dispatcher.projectChanged());
  for (const PairAnswer& a : {PairAnswer{2, "$MAIN", "COPY1"}, PairAnswer{1, "$MAIN", "COPY1"}}) {
    SCOPED_TRACE(a.answer);
    frame->copyMacroDialog = [&](std::string& from, std::string& to) {
      from = a.from;
      to = a.to;
      return a.answer;
    };
    frame->onCommand(250);
    EXPECT_EQ(hasName("COPY1"), a.answer == 1);
    EXPECT_EQ(dispatcher.projectChanged(), a.answer == 1);
  }
  EXPECT_EQ(subprograms().size(), before.size() + 1);
  EXPECT_TRUE(hasName("$MAIN")) << "the source stays";
  // The copy is part of the saved project.
  frame->onCommand(203);
  frame->onCommand(204);
  ASSERT_FALSE(hasName("COPY1"));
  open(project);
  EXPECT_TRUE(hasName("COPY1"));
}

// 252: OK deletes the chosen subprogram; Cancel keeps it.
TEST_F(EditorFrameTest, DeleteSubprogramRemovesItOnOkOnly) {
  open(project);
  frame->copyMacroDialog = [](std::string& from, std::string& to) {
    from = "$MAIN";
    to = "GONE";
    return 1;
  };
  frame->onCommand(250);
  ASSERT_TRUE(hasName("GONE"));
  // Saved, so that only the deletion can mark the project.
  frame->onCommand(203);
  ASSERT_FALSE(dispatcher.projectChanged());
  const std::size_t count = subprograms().size();
  for (int answer : {2, 1}) {
    SCOPED_TRACE(answer);
    int modeAsked = -1;
    frame->designOrDeleteDialog = [&](int mode, std::string& name) {
      modeAsked = mode;
      name = "GONE";
      return answer;
    };
    frame->onCommand(252);
    EXPECT_EQ(modeAsked, 1);
    EXPECT_EQ(hasName("GONE"), answer != 1);
    EXPECT_EQ(dispatcher.projectChanged(), answer == 1);
  }
  EXPECT_EQ(subprograms().size(), count - 1);
  EXPECT_TRUE(hasName("$MAIN"));
}

// A deleted subprogram leaves the insert box's list; the others stay.
TEST_F(EditorFrameTest, DeleteSubprogramTakesItOutOfTheInsertBox) {
  struct Box : shell::InsertBoxLibrary {
    std::vector<std::string> names;
    shell::BoxHandle create(shell::Hwnd, const SwInsertBoxAttribs*, ::NameNode** list, int) override {
      names.clear();
      for (::NameNode* n = list ? *list : nullptr; n; n = n->next) names.push_back(n->name);
      return reinterpret_cast<shell::BoxHandle>(std::intptr_t(0x1000));
    }
    void destroy(shell::BoxHandle) override {}
    int getAttribs(shell::BoxHandle, SwInsertBoxAttribs*) override { return 1; }
    void freeAttribs(SwInsertBoxAttribs*) override {}
    void setState(shell::BoxHandle, int) override {}
    void addName(shell::BoxHandle, const char* n) override { names.push_back(n); }
  } box;
  shell::InsertBoxLibrary* previous = shell::setInsertBoxLibrary(&box);
  open(project);
  for (const char* name : {"KEEP", "GONE"}) {
    frame->copyMacroDialog = [name](std::string& from, std::string& to) {
      from = "$MAIN";
      to = name;
      return 1;
    };
    frame->onCommand(250);
  }
  shell::ins_ShowInsertBox(true);
  shell::ins_OnMenuState(3, 1);
  ASSERT_NE(shell::ins_Handle(), nullptr);
  auto listed = [&](const char* n) { return std::find(box.names.begin(), box.names.end(), n) != box.names.end(); };
  ASSERT_TRUE(listed("GONE"));
  frame->designOrDeleteDialog = [](int, std::string& name) {
    name = "GONE";
    return 1;
  };
  frame->onCommand(252);
  EXPECT_FALSE(listed("GONE"));
  EXPECT_TRUE(listed("KEEP"));
  shell::ins_Reset();
  shell::setInsertBoxLibrary(previous);
}

// 251: OK opens the gate-face sheet (kind 6) titled with the face prefix and
// the name; Cancel opens nothing.
TEST_F(EditorFrameTest, DesignSubprogramOpensAFaceSheetOnOkOnly) {
  open(project);
  frame->copyMacroDialog = [](std::string& from, std::string& to) {
    from = "$MAIN";
    to = "FACE1";
    return 1;
  };
  frame->onCommand(250);
  const std::size_t sheets = frame->worksheets().size();
  for (int answer : {2, 1}) {
    SCOPED_TRACE(answer);
    int modeAsked = -1;
    frame->designOrDeleteDialog = [&](int mode, std::string& name) {
      modeAsked = mode;
      name = "FACE1";
      return answer;
    };
    frame->onCommand(251);
    EXPECT_EQ(modeAsked, 0);
    EXPECT_EQ(countKind(6), answer == 1 ? 1 : 0);
  }
  EXPECT_EQ(frame->worksheets().size(), sheets + 1);
  Worksheet* face = frame->active();
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->data.kind, 6);
  EXPECT_EQ(frame->helpContext, 604);
  model::DocumentRecord* shown = face->data.document;
  ASSERT_NE(shown, nullptr);
  ASSERT_NE(shown->LevelLogics[shown->MacroLevel], nullptr);
  EXPECT_EQ(std::string(shown->LevelLogics[shown->MacroLevel]->Name, 5), "FACE1") << "the face of the chosen subprogram";
  EXPECT_TRUE(hasName("FACE1")) << "designing changes no name";
}

// 259: Cancel changes nothing; OK has the editor rename the module. Where
// the editor renames it, the open sheets of the subprogram take the new name.
TEST_F(EditorFrameTest, RenameSubprogramRenamesProjectAndTitlesOnOkOnly) {
  open(project);
  frame->copyMacroDialog = [](std::string& from, std::string& to) {
    from = "$MAIN";
    to = "OLD1";
    return 1;
  };
  frame->onCommand(250);
  frame->designOrDeleteDialog = [](int, std::string& name) {
    name = "OLD1";
    return 1;
  };
  frame->onCommand(251);
  Worksheet* face = frame->active();
  ASSERT_NE(face, nullptr);
  ASSERT_EQ(face->data.kind, 6);
  // Sheets titled by the subprogram: the face sheet by the face prefix and
  // the name, an editing sheet by the name (the project file after " - ").
  const std::string prefix = shell::res_String(1002).value_or("");
  ASSERT_FALSE(prefix.empty());
  editor::host().setTitle(&face->data, prefix + "OLD1");
  Worksheet* main = nullptr;
  for (Worksheet* w : frame->worksheets())
    if (w->data.kind <= 2) main = w;
  ASSERT_NE(main, nullptr);
  editor::host().setTitle(&main->data, "OLD1 - SAMPLE.MDL");
  // The editor's own service renames within the project as far as it can.
  std::vector<std::pair<std::string, std::string>> asked;
  dispatcher.rename = [&](const std::string& from, const std::string& to) {
    asked.emplace_back(from, to);
    for (model::LogicRecord* l = model::firstLogicOf(shell::mod_ProjectModule()); l; l = l->Next)
      if (std::string(l->Name) == from) {
        std::snprintf(l->Name, sizeof l->Name, "%s", to.c_str());
        return true;
      }
    return false;
  };
  for (int answer : {2, 1}) {
    SCOPED_TRACE(answer);
    frame->renameMacroDialog = [&](std::string& from, std::string& to) {
      from = "OLD1";
      to = "NEW1";
      return answer;
    };
    frame->onCommand(259);
    EXPECT_EQ(hasName("OLD1"), answer != 1);
    EXPECT_EQ(hasName("NEW1"), answer == 1);
    EXPECT_EQ(asked.size(), answer == 1 ? 1u : 0u);
  }
  EXPECT_EQ(face->title, prefix + "NEW1");
  EXPECT_EQ(main->title, "NEW1 - SAMPLE.MDL");
  EXPECT_EQ(main->windowTitle().toStdString(), main->title);
  // The editor's own rename: the project and the titles follow.
  dispatcher.rename = nullptr;
  frame->renameMacroDialog = [](std::string& from, std::string& to) {
    from = "NEW1";
    to = "NEW2";
    return 1;
  };
  frame->onCommand(259);
  EXPECT_TRUE(hasName("NEW2"));
  EXPECT_FALSE(hasName("NEW1"));
  EXPECT_EQ(face->title, prefix + "NEW2");
  // A rename the editor refuses (no such subprogram) changes no title.
  frame->renameMacroDialog = [](std::string& from, std::string& to) {
    from = "NOSUCH";
    to = "NEW3";
    return 1;
  };
  const std::string kept = face->title;
  frame->onCommand(259);
  EXPECT_FALSE(hasName("NEW3"));
  EXPECT_EQ(face->title, kept);
}

TEST_F(EditorFrameTest, MissingStandardLibraryShows50061) {
  fs::remove(dir / "ZRLFB02.MCO");
  open(project);
  EXPECT_FALSE(EditorDispatcher::projectHasModule(kStandardLibrary));
  EXPECT_EQ(std::count(messages.begin(), messages.end(), 50061), 1);
  EXPECT_EQ(frame->worksheets().size(), 1u) << "the project opens all the same";
}

} // namespace
} // namespace zapp
