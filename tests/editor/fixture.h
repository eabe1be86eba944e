#pragma once
#include "../support/editor_host.h"
#include "editor/documents.h"
#include "editor/hooks.h"
#include "editor/ws.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
#include "model/memory.h"

#include <gtest/gtest.h>

namespace editor_test {

// The fake shell, with the numbered message boxes recorded too.
class RecordingShell : public model::FakeShell {
public:
  int bind_SW50_CallMBWithID(int number, unsigned) override {
    calls.push_back("msg " + std::to_string(number));
    return 1;
  }
};

// The editor started on a headless host; the template shows one logic "MAIN"
// at level 1.
class EditorFixture : public ::testing::Test {
protected:
  HeadlessHost host;
  RecordingShell shellFake;
  model::ShellServices* prevShell = nullptr;
  std::size_t bytesBefore = 0;

  void SetUp() override {
    prevShell = model::setShell(&shellFake);
    model::mm_UnitInit();
    bytesBefore = model::mm_BytesInUse();
    model::KeepInstances = 1;
    editor::setHost(&host);
    editor::ctx().optionDirectory = "/nonexistent-option-dir";
    editor::ui_MainInit();
    editor::ctx().optionDirectory = "/nonexistent-option-dir";
    ASSERT_NE(model::TemplateDocument, nullptr);
  }
  void TearDown() override {
    editor::ui_MainShutDown();
    host.windows.clear();
    editor::editor_ResetContext();
    editor::setHost(nullptr);
    model::setShell(prevShell);
    EXPECT_EQ(model::mm_BytesInUse(), bytesBefore) << "blocks left behind";
  }

  // A logic on the template's level 1.
  model::LogicRecord* showLogic(const char* name) {
    model::CurrentDocument = model::TemplateDocument;
    model::LogicRecord* logic = model::ge_NewLogic(name);
    model::TemplateDocument->MacroLevel = 1;
    model::EditLogic(*model::TemplateDocument) = logic;
    model::EditInstances(*model::TemplateDocument) = logic ? logic->FirstInstance : nullptr;
    return logic;
  }

  model::GateRecord* make(model::LogicRecord* l, std::uint8_t kind, int x, int y) {
    model::CurrentDocument = model::TemplateDocument;
    model::GateRecord* g = nullptr;
    EXPECT_TRUE(model::ge_CreateGateAsked(l, kind, nullptr, nullptr, x, y, g));
    model::EditInstances(*model::TemplateDocument) = l->FirstInstance;
    return g;
  }

  // An editing window on the template document.
  WorksheetWindowData* sheet() { return host.newWindow(editor::kKindMainSheet, model::TemplateDocument); }
};

} // namespace editor_test
