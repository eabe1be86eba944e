// Speed of the editor's answer to one mouse move (classification and cursor
// feedback) and to one simulation display tick (1043: the display gates of the
// level drawn onto a recording device) on a worksheet of 5,000 gates, against
// the frame time of a 60 Hz display (16.7 ms). Prints ratios; never fails.
#include "display/gdi.h"
#include "display/recording_device.h"
#include "editor/context.h"
#include "editor/editor.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrame = 1.0 / 60.0;

double perCall(int n, auto&& f) {
  auto start = Clock::now();
  for (int i = 0; i < n; ++i) f(i);
  return std::chrono::duration<double>(Clock::now() - start).count() / n;
}

} // namespace

int main() {
  model::FakeShell shell;
  model::setShell(&shell);
  editor::ui_MainInit();
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* logic = model::ge_NewLogic("MAIN");
  model::TemplateDocument->MacroLevel = 1;
  model::EditLogic(*model::TemplateDocument) = logic;
  model::KeepInstances = 1;
  for (int i = 0; i < 5000; ++i) {
    model::GateRecord* g = nullptr;
    shell.integers = {2};
    model::ge_CreateGateAsked(logic, model::kKindAnd, nullptr, nullptr, 100 + (i % 100) * 80, 100 + (i / 100) * 80, g);
  }
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  editor::WorksheetWindowData window;
  window.document = model::TemplateDocument;
  window.clientW = 800;
  window.clientH = 600;
  editor::ui_AttachWindow(&window);
  disp::RecordingDevice device;
  disp::gdi_SetCurrent(&device, nullptr);

  double move = perCall(200, [&](int i) {
    editor::EngineEvent e;
    e.type = editor::kMsgMouseMove;
    e.x = std::int16_t(50 + (i * 37) % 7000);
    e.y = std::int16_t(50 + (i * 53) % 3900);
    editor::ui_Dispatch(&window, &e);
  });
  editor::setEditorState(7);
  double tick = perCall(20, [&](int) {
    editor::EngineEvent e;
    e.type = editor::kMsgSimTick;
    editor::ui_Dispatch(&window, &e);
  });
  std::printf("editor mouse move, 5000 gates: %.3f ms (%.4f of a 60 Hz frame)\n", move * 1e3, move / kFrame);
  std::printf("editor 1043 tick, 5000 gates:  %.3f ms (%.4f of a 60 Hz frame)\n", tick * 1e3, tick / kFrame);
  disp::gdi_SetCurrent(nullptr, nullptr);
  window.document = nullptr;
  editor::ui_MainShutDown();
  model::setShell(nullptr);
  return 0;
}
