#pragma once
#include "model/check.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/memory.h"
#include "model/wires.h"

#include <gtest/gtest.h>

#include <string>

namespace model::test {

// A document with its own main module, fake shell and editor installed.
class ModelFixture : public ::testing::Test {
protected:
  FakeShell shellFake;
  FakeEditor editorFake;
  ShellServices* prevShell = nullptr;
  EditorServices* prevEditor = nullptr;
  DocumentRecord* doc = nullptr;
  std::size_t bytesBefore = 0;

  void SetUp() override {
    prevShell = setShell(&shellFake);
    prevEditor = setEditor(&editorFake);
    mm_UnitInit();
    bytesBefore = mm_BytesInUse();
    KeepInstances = 1;
    AttachPlacement = 1;
    DefaultVectorDimension = 1;
    DefaultWordWidth = 2;
    ASSERT_TRUE(doc_StartUp());
    doc = doc_New();
    ASSERT_NE(doc, nullptr);
    CurrentDocument = doc;
  }
  void TearDown() override {
    CurrentDocument = nullptr;
    doc_Free(doc);
    doc_ShutDown();
    EXPECT_EQ(mm_BytesInUse(), bytesBefore) << "blocks left behind";
    setShell(prevShell);
    setEditor(prevEditor);
  }

  void expectSound() {
    auto errs = model_CheckDocument(*doc);
    for (auto& e : errs) ADD_FAILURE() << e;
  }

  // Creates a gate with the creation questions answered by their defaults
  // (or the scripted answers already queued).
  GateRecord* make(LogicRecord* l, std::uint8_t kind, int x = 100, int y = 100, void* sub = nullptr,
                   GateRecord* attachedTo = nullptr) {
    GateRecord* g = nullptr;
    EXPECT_TRUE(ge_CreateGateAsked(l, kind, sub, attachedTo, x, y, g)) << "kind " << int(kind);
    return g;
  }
};

inline GateInstance* instanceOf(LogicRecord* l, GateRecord* g) { return inst_Parallel(l, l->FirstInstance, g); }

} // namespace model::test
