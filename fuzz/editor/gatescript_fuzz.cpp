// The GateScript interpreter on arbitrary bytes, read as a private-format
// script or as plain clipboard text, into a fixture logic; the model must stay
// sound after every run.
#include "editor/clipboard.h"
#include "editor/gatescript.h"
#include "model/check.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/memory.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

model::FakeShell gShell;
editor::MemoryClipboard gClipboard;
unsigned char gFields[2 * 48];

// MAIN: an Input, a module gate, a call of SUB, an Output and a Text gate,
// wired; SUB: one Input and one Output.
model::DocumentRecord* fixture() {
  model::DocumentRecord* d = model::doc_New();
  if (!d) return nullptr;
  model::CurrentDocument = d;
  model::LogicRecord* sub = model::ge_NewLogic("SUB");
  model::LogicRecord* main = model::ge_NewLogic("MAIN");
  if (!sub || !main) return d;
  model::ProjectModule* lib = model::doc_AddModule(*d, "LIB", model::kModuleCompiled);
  model::GateTypeRecord* t = nullptr;
  if (model::mm_New(t) && model::mm_New(t->InputPins, 2) && model::mm_New(t->OutputPins, 1)) {
    std::memcpy(t->Name, "ADD2", 4);
    t->Module = lib;
    t->InputCount = 2;
    t->OutputCount = 1;
    t->ExtraCount = 3;
    t->StepLength = 4;
    t->Width = t->Height = 40;
    t->InputPins[0] = model::TypePinRow{0, 10, model::kSideLeft, model::kTypeReal, {'A'}};
    t->InputPins[1] = model::TypePinRow{0, 30, model::kSideLeft, model::kTypeReal, {'B'}};
    t->OutputPins[0] = model::TypePinRow{40, 20, model::kSideRight, model::kTypeReal, {'Q'}};
    gFields[0] = 1;
    gFields[1] = 1;
    std::memcpy(gFields + 3, "Gain", 4);
    gFields[48] = 3;
    gFields[49] = 12;
    std::memcpy(gFields + 51, "Label", 5);
    gFields[48 + 44] = 8;
    t->ParamFields = gFields;
    t->ParamFieldCount = 2;
    lib->List = t;
  }
  d->MacroLevel = 1;
  d->LevelLogics[1] = main;
  auto add = [](model::LogicRecord* l, const char* libName, const char* type, int x, int y, int c) {
    return editor::scr_PlainLibraryInsert(l, libName, type, x, y, c);
  };
  model::GateRecord* si = add(sub, "%STD", "Input", 0, 0, 1);
  model::GateRecord* so = add(sub, "%STD", "Output", 100, 0, 1);
  if (si && so) model::ge_ConnectGates(sub, so, 1, si, 1, nullptr, nullptr);
  model::GateRecord* in = add(main, "%STD", "Input", 100, 100, 1);
  model::GateRecord* m = add(main, "LIB", "ADD2", 200, 100, -1);
  model::GateRecord* call = add(main, "", "SUB", 300, 100, -1);
  model::GateRecord* out = add(main, "%STD", "Output", 400, 100, 1);
  add(main, "%STD", "Text", 100, 300, -1);
  if (in && m) model::ge_ConnectGates(main, m, 1, in, 1, nullptr, nullptr);
  if (m && call) model::ge_ConnectGates(main, call, 1, m, 1, nullptr, nullptr);
  if (call && out) model::ge_ConnectGates(main, out, 1, call, 1, nullptr, nullptr);
  d->LevelInstances[1] = main->FirstInstance;
  return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  static bool ready = [] {
    model::mm_UnitInit();
    model::setShell(&gShell);
    editor::clip_SetPort(&gClipboard);
    editor::clip_RegisterFormat();
    return true;
  }();
  (void)ready;
  if (size < 1) return 0;
  gShell.calls.clear();
  model::DocumentRecord* d = fixture();
  if (!d) return 0;
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  gClipboard.scriptData.reset();
  gClipboard.textData.reset();
  if (data[0] & 1) gClipboard.scriptData = bytes;
  else gClipboard.textData = bytes;
  editor::WorksheetWindowData window;
  window.kind = (data[0] >> 1) % 3;
  window.document = d;
  editor::scr_Execute(&window, nullptr, (data[0] >> 3) * 10, 20, editor::kScriptClipboard);
  if (!model::model_CheckDocument(*d).empty()) std::abort();
  model::CurrentDocument = nullptr;
  model::doc_Free(d);
  return 0;
}
