// Speed of routing one connection with the auto-router: across a worksheet of
// 200 gates, and on the largest window the router accepts (its cell limit),
// against the frame time of a 60 Hz display (16.7 ms). Prints ratios; never fails.
#include "editor/context.h"
#include "editor/editor.h"
#include "editor/router.h"
#include "model/connections.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "model/wires.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrame = 1.0 / 60.0;

model::WirePoint* twoPoints(model::GateRecord* a, model::GateRecord* b) {
  std::int16_t x, y;
  std::uint16_t side;
  model::WirePoint* p = nullptr;
  model::WirePoint* q = nullptr;
  model::mm_New(p);
  model::mm_New(q);
  model::gg_OutputPinPos(a, 1, x, y, side);
  p->X = std::int16_t(a->X + x);
  p->Y = std::int16_t(a->Y + y);
  p->Next = q;
  model::gg_InputPinPos(b, 1, x, y, side);
  q->X = std::int16_t(b->X + x);
  q->Y = std::int16_t(b->Y + y);
  return p;
}

model::GateRecord* gate(model::LogicRecord* logic, int x, int y) {
  model::GateRecord* g = nullptr;
  model::ge_CreateGateAsked(logic, model::kKindAnd, nullptr, nullptr, x, y, g);
  return g;
}

// Seconds per routing of a fresh two-point wire from a to b.
double timeRoute(model::LogicRecord* logic, model::GateRecord* a, model::GateRecord* b, int n, bool& routed) {
  double total = 0;
  for (int i = 0; i < n; ++i) {
    model::ge_ConnectPin(logic, b, 1, true);
    model::ge_ConnectGates(logic, b, 1, a, 1, nullptr, twoPoints(a, b));
    auto start = Clock::now();
    routed = editor::route_Connection(b->Inputs[0].Wire, 1, 0);
    total += std::chrono::duration<double>(Clock::now() - start).count();
  }
  return total / n;
}

} // namespace

int main() {
  model::FakeShell shell;
  shell.route = {1, 6, 1};
  model::setShell(&shell);
  editor::ui_MainInit();
  model::CurrentDocument = model::TemplateDocument;
  model::LogicRecord* logic = model::ge_NewLogic("MAIN");
  model::TemplateDocument->MacroLevel = 1;
  model::EditLogic(*model::TemplateDocument) = logic;
  model::KeepInstances = 1;
  model::GateRecord* first = nullptr;
  model::GateRecord* last = nullptr;
  for (int i = 0; i < 200; ++i) {
    model::GateRecord* g = gate(logic, 100 + (i % 20) * 90, 100 + (i / 20) * 90);
    if (!first) first = g;
    last = g;
  }
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  bool routed = false;
  double sheet = timeRoute(logic, first, last, 5, routed);
  std::printf("route one wire, 200 gates:        %.3f ms (%.4f of a 60 Hz frame)%s\n", sheet * 1e3, sheet / kFrame,
              routed ? "" : " (no path)");

  // The largest window: two gates whose window just fits the cell limit.
  while (logic->FirstGate) model::ge_DeleteGate(logic, logic->FirstGate);
  model::GateRecord* a = gate(logic, 0, 0);
  model::GateRecord* b = gate(logic, 9600, 9600);
  model::EditInstances(*model::TemplateDocument) = logic->FirstInstance;
  double largest = timeRoute(logic, a, b, 2, routed);
  std::printf("route one wire, largest window:   %.3f ms (%.4f of a 60 Hz frame)%s\n", largest * 1e3,
              largest / kFrame, routed ? "" : " (no path)");
  editor::ui_MainShutDown();
  model::setShell(nullptr);
  return 0;
}
