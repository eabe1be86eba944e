// Drops from the insert box through the editor's drop services: a plain drop
// connects touching neighbours, rebuilds the calls of a logic whose ports
// change and asks the text of a Text gate; a replacing drop replaces the gate
// under the point.
#include "../support/editor_host.h"
#include "display/gdi.h"
#include "editor/documents.h"
#include "editor/gatescript.h"
#include "editor/ws.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/memory.h"
#include "shell/insertbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using editor::WorksheetWindowData;
using model::GateRecord;
using model::LogicRecord;

// The real drop services of the seam, on a headless sheet under the "cursor".
struct SheetUnderCursor : shell::BlockEditorSeam {
  WorksheetWindowData* sheet = nullptr;
  WorksheetWindowData* worksheetUnderCursor() override { return sheet; }
};

class InsertBoxDrops : public ::testing::Test {
protected:
  editor_test::HeadlessHost host;
  model::FakeShell shellFake;
  model::ShellServices* prevShell = nullptr;
  SheetUnderCursor seam;
  LogicRecord* main = nullptr;

  void SetUp() override {
    prevShell = model::setShell(&shellFake);
    model::mm_UnitInit();
    model::KeepInstances = 1;
    editor::setHost(&host);
    editor::ctx().optionDirectory = "/nonexistent-option-dir";
    editor::ui_MainInit();
    ASSERT_NE(model::TemplateDocument, nullptr);
    main = show("MAIN");
    shell::setBlockEditor(&seam);
    const float one = 1.0f;
    disp::gdi_SetZoom(&one);
  }
  void TearDown() override {
    shell::setBlockEditor(nullptr);
    editor::ui_MainShutDown();
    host.windows.clear();
    editor::editor_ResetContext();
    editor::setHost(nullptr);
    model::setShell(prevShell);
  }
  LogicRecord* show(const char* name) {
    model::CurrentDocument = model::TemplateDocument;
    LogicRecord* logic = model::ge_NewLogic(name);
    model::TemplateDocument->MacroLevel = 1;
    model::EditLogic(*model::TemplateDocument) = logic;
    model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
    return logic;
  }
  GateRecord* add(LogicRecord* l, const char* library, const char* type, int x, int y, int creation) {
    model::CurrentDocument = model::TemplateDocument;
    GateRecord* g = editor::scr_PlainLibraryInsert(l, library, type, x, y, creation);
    EXPECT_NE(g, nullptr) << type;
    return g;
  }
  int drop(const char* library, const char* name, int x, int y, bool replace) {
    BlockDropRecord r{};
    r.name = const_cast<char*>(name);
    r.library = const_cast<char*>(library);
    r.x = x;
    r.y = y;
    return replace ? shell::svc_DropAtCursorB(&r) : shell::svc_DropAtCursor(&r);
  }
  static int count(const LogicRecord* l, int kind = -1) {
    int n = 0;
    for (const GateRecord* g = l->FirstGate; g; g = g->Next) n += kind < 0 || g->Kind == kind;
    return n;
  }
};

TEST_F(InsertBoxDrops, ATextDropAsksItsText) {
  seam.sheet = host.newWindow(editor::kKindMainSheet, model::TemplateDocument);
  host.textAnswers = {"Pump station"};
  editor::ui_SetProjectChanged(0);
  ASSERT_EQ(drop("Standard", "Text", 102, 203, false), 1);
  GateRecord* text = main->FirstGate;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Kind, model::kKindText);
  EXPECT_NE(std::find(host.log.begin(), host.log.end(), "prompt xName"), host.log.end());
  EXPECT_EQ(editor::ui_ProjectChanged(), 1);
  // Cancelling the text places nothing.
  host.textAnswers = {"<cancel>"};
  EXPECT_EQ(drop("Standard", "Text", 300, 300, false), 0);
  EXPECT_EQ(count(main), 1);
}

TEST_F(InsertBoxDrops, APortDroppedOnASubprogramSheetRebuildsItsCalls) {
  LogicRecord* sub = model::ge_NewLogic("SUB");
  GateRecord* x = add(sub, "%STD", "Input", 0, 0, 1);
  model::gt_SetPortName(sub, x, "X");
  add(main, "", "SUB", 200, 100, -1);
  ASSERT_EQ(main->FirstGate->InputCount, 1);
  model::EditLogic(*model::TemplateDocument) = sub;
  model::EditInstances(*model::TemplateDocument) = sub->FirstInstance;
  seam.sheet = host.newWindow(editor::kKindSubFromList, model::TemplateDocument);
  // "Output" of the box is the sheet's Input gate (the subprogram's input).
  ASSERT_EQ(drop("Standard", "Output", 0, 100, false), 1);
  EXPECT_EQ(count(sub, model::kKindInput), 2);
  GateRecord* call = nullptr;
  for (GateRecord* g = main->FirstGate; g; g = g->Next)
    if (g->Kind == model::kKindCall) call = g;
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->InputCount, 2) << "the call follows the new port";
  model::EditLogic(*model::TemplateDocument) = main;
}

TEST_F(InsertBoxDrops, AReplacingDropReplacesTheGateUnderThePoint) {
  seam.sheet = host.newWindow(editor::kKindMainSheet, model::TemplateDocument);
  GateRecord* in = add(main, "%STD", "Input", 100, 100, 1);
  ASSERT_NE(in, nullptr);
  const int x = in->X + 5, y = in->Y + 5;
  const int before = count(main);
  host.textAnswers = {"Replaced"};
  EXPECT_EQ(drop("Standard", "Text", 500, 500, true), 0) << "no gate there: nothing";
  EXPECT_EQ(count(main), before);
  ASSERT_EQ(drop("Standard", "Text", x, y, true), 1);
  EXPECT_EQ(count(main), before);
  EXPECT_EQ(count(main, model::kKindInput), 0) << "the Input gate went";
  EXPECT_EQ(count(main, model::kKindText), 1) << "a Text gate stands in its place";
  EXPECT_NE(std::find(host.log.begin(), host.log.end(), "prompt xName"), host.log.end());
}

} // namespace
