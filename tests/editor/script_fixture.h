#pragma once
// Scripts, clipboard and selection tests: the editor fixture with an
// in-memory clipboard and helpers that build gates without dialogs.
#include "fixture.h"

#include "editor/clipboard.h"
#include "editor/gatescript.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/gatekinds.h"

#include <cstring>
#include <string>
#include <vector>

namespace editor_test {

class ScriptFixture : public EditorFixture {
protected:
  editor::MemoryClipboard clipboard;
  model::LogicRecord* main = nullptr;
  WorksheetWindowData* window = nullptr;
  std::vector<std::vector<std::uint8_t>> fieldTables;

  void SetUp() override {
    EditorFixture::SetUp();
    editor::clip_SetPort(&clipboard);
    editor::clip_RegisterFormat();
    main = showLogic("MAIN");
    window = sheet();
    model::CurrentDocument = model::TemplateDocument;
  }
  void TearDown() override {
    editor::clip_Reset();
    editor::clip_SetPort(nullptr);
    editor::scr_SetLibraryGateInserter(nullptr);
    EditorFixture::TearDown();
  }

  model::GateRecord* add(model::LogicRecord* l, const char* library, const char* type, int x, int y,
                         int creation = 1) {
    model::CurrentDocument = model::TemplateDocument;
    model::GateRecord* g = editor::scr_PlainLibraryInsert(l, library, type, x, y, creation);
    EXPECT_NE(g, nullptr) << library << " " << type;
    return g;
  }
  // A subprogram "SUB" with the Input gates X (at 0, 0) and Y (at 0, 50),
  // called in MAIN at (200, 100) with its first input fed by an Input gate;
  // the sheet then shows SUB. The call's feeding gate comes back.
  model::GateRecord* editCalledSubprogram(model::LogicRecord*& sub) {
    sub = model::ge_NewLogic("SUB");
    model::GateRecord* x = add(sub, "%STD", "Input", 0, 0, 1);
    model::gt_SetPortName(sub, x, "X");
    model::GateRecord* y = add(sub, "%STD", "Input", 0, 50, 1);
    model::gt_SetPortName(sub, y, "Y");
    model::GateRecord* src = add(main, "%STD", "Input", 100, 100, 1);
    model::GateRecord* call = add(main, "", "SUB", 200, 100, -1);
    wire(main, call, 1, src, 1);
    model::EditLogic(*model::TemplateDocument) = sub;
    model::EditInstances(*model::TemplateDocument) = sub->FirstInstance;
    return src;
  }
  // The one call in MAIN (after a rebuild it is a new gate).
  model::GateRecord* callInMain() {
    model::GateRecord* call = nullptr;
    for (model::GateRecord* g = main->FirstGate; g; g = g->Next)
      if (g->Kind == model::kKindCall) call = g;
    return call;
  }
  void wire(model::LogicRecord* l, model::GateRecord* dest, unsigned in, model::GateRecord* src, unsigned out) {
    model::CurrentDocument = model::TemplateDocument;
    ASSERT_TRUE(model::ge_ConnectGates(l, dest, in, src, out, nullptr, nullptr));
  }
  // A compiled module "LIB" with one type (two inputs, one output) whose
  // parameters are a REAL at 0, an INTEGER at 8 and a 12-character TEXT at 16.
  model::GateTypeRecord* compiledType(const char* name = "ADD2") {
    model::ProjectModule* m = model::doc_AddModule(*model::TemplateDocument, "LIB", model::kModuleCompiled);
    model::GateTypeRecord* t = nullptr;
    model::mm_New(t);
    std::memcpy(t->Name, name, std::min<std::size_t>(std::strlen(name), 16));
    t->Module = m;
    t->InputCount = 2;
    t->OutputCount = 1;
    t->ExtraCount = 5;
    t->StepLength = 4;
    t->Width = 40;
    t->Height = 40;
    model::mm_New(t->InputPins, 2);
    model::mm_New(t->OutputPins, 1);
    const char* ins[] = {"A", "B"};
    for (int i = 0; i < 2; ++i) {
      t->InputPins[i] = model::TypePinRow{0, std::int16_t(10 + 20 * i), model::kSideLeft, model::kTypeReal, {}};
      std::memcpy(t->InputPins[i].Carried, ins[i], 1);
    }
    t->OutputPins[0] = model::TypePinRow{40, 20, model::kSideRight, model::kTypeReal, {}};
    std::memcpy(t->OutputPins[0].Carried, "Q", 1);
    std::vector<std::uint8_t> raw;
    auto field = [&](std::uint8_t type, std::uint16_t count, const char* prompt, std::uint16_t offset) {
      std::vector<std::uint8_t> r(48, 0);
      r[0] = type;
      r[1] = std::uint8_t(count);
      r[2] = std::uint8_t(count >> 8);
      std::memcpy(&r[3], prompt, std::strlen(prompt));
      r[44] = std::uint8_t(offset);
      raw.insert(raw.end(), r.begin(), r.end());
    };
    field(1, 1, "Gain", 0);
    field(2, 1, "Count", 8);
    field(3, 12, "Label", 16);
    fieldTables.push_back(raw);
    t->ParamFields = fieldTables.back().data();
    t->ParamFieldCount = 3;
    m->List = t;
    return t;
  }
  void expectSound() {
    for (const std::string& e : model::model_CheckDocument(*model::TemplateDocument)) ADD_FAILURE() << e;
  }
  static int count(const model::LogicRecord* l) {
    int n = 0;
    for (const model::GateRecord* g = l->FirstGate; g; g = g->Next) ++n;
    return n;
  }
  static model::GateRecord* nth(const model::LogicRecord* l, int i) {
    model::GateRecord* g = l->FirstGate;
    while (g && i-- > 0) g = g->Next;
    return g;
  }
};

} // namespace editor_test
