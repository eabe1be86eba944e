// Copy and paste of a 1,000-gate selection through GateScript (the script
// written to the clipboard, then run into an empty logic) beside the model's
// own logic copy (ge_CopyGateSet) of the same logic, in the same run. Prints
// the medians and the ratio script / model copy; never fails.
#include "editor/clipboard.h"
#include "editor/gatescript.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace

int main() {
  model::FakeShell shell;
  model::setShell(&shell);
  model::mm_UnitInit();
  model::doc_StartUp();
  model::KeepInstances = 1;
  editor::MemoryClipboard clipboard;
  editor::clip_SetPort(&clipboard);
  editor::clip_RegisterFormat();
  model::DocumentRecord* d = model::TemplateDocument;
  model::LogicRecord* source = model::ge_NewLogic("SOURCE");
  d->MacroLevel = 1;
  for (int i = 0; i < 500; ++i) {
    int x = (i % 25) * 120, y = (i / 25) * 60;
    model::GateRecord* in = editor::scr_PlainLibraryInsert(source, "%STD", "Input", x, y, 1);
    model::GateRecord* out = editor::scr_PlainLibraryInsert(source, "%STD", "Output", x + 60, y, 1);
    if (in && out) model::ge_ConnectGates(source, out, 1, in, 1, nullptr, nullptr);
  }
  editor::WorksheetWindowData window;
  window.document = d;
  std::vector<double> script, copy;
  for (int run = 0; run < 7; ++run) {
    auto t0 = Clock::now();
    model::LogicRecord* c = model::ge_CopyGateSet("COPY", source);
    auto t1 = Clock::now();
    model::ge_DeleteLogic(c);
    model::LogicRecord* target = model::ge_NewLogic("TARGET");
    d->LevelLogics[1] = target;
    auto t2 = Clock::now();
    editor::scr_WriteSelection(&window, source->FirstGate, source->FirstInstance);
    editor::scr_Execute(&window, nullptr, 100, 100, editor::kScriptClipboard);
    auto t3 = Clock::now();
    d->LevelLogics[1] = nullptr;
    model::ge_DeleteLogic(target);
    if (run == 0) continue;   // warm-up
    copy.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    script.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  double s = median(script), c = median(copy);
  std::printf("copy and paste of 1000 gates through GateScript: %.2f ms\n", s);
  std::printf("ge_CopyGateSet of the same logic:               %.2f ms\n", c);
  std::printf("ratio script / model copy: %.1f\n", c > 0 ? s / c : 0.0);
  editor::clip_Reset();
  editor::clip_SetPort(nullptr);
  model::doc_ShutDown();
  return 0;
}
