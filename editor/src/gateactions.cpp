// Gate and pin actions: the tools, Undo, right presses on gates, pin
// negation, removing wires and connections, and values at a connection.
#include "editor/gateactions.h"

#include "editor/context.h"
#include "editor/gestures.h"
#include "editor/hooks.h"
#include "editor/tables.h"
#include "editor/views.h"
#include "editor/ws.h"
#include "model/connections.h"
#include "model/geometry.h"
#include "model/gatekinds.h"
#include "model/instances.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

std::uint16_t gNegationMask = 0xFFFF;

int scrollX() { return model::CurrentDocument ? model::CurrentDocument->ScrollX : 0; }
int scrollY() { return model::CurrentDocument ? model::CurrentDocument->ScrollY : 0; }

model::ProjectModule* moduleOf(const GateRecord* g) {
  if (const model::GateTypeRecord* t = model::subType(g)) return t->Module;
  const LogicRecord* sub = model::subLogic(g);
  DocumentRecord* d = model::CurrentDocument;
  if (!sub || !d) return nullptr;
  for (model::ProjectModule* m = d->FirstModule; m; m = m->Next)
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      if (l == sub) return m;
  return nullptr;
}

void markGateBox(const GateRecord* g, int dx, int dy) {
  std::int16_t x, y, w, h;
  model::gg_GateRect(g, x, y, w, h, true);
  ws_DirtyAddPoint(x - dx, y - dy);
  ws_DirtyAddPoint(x + w + dx, y + h + dy);
}

int tool(int cursor, std::uint32_t state) {
  ws_DropUndoBuffer();
  host().setCursor(cursor);
  setEditorState(state);
  return 0;
}
int ui_ToolDelete(WorksheetWindowData*, EngineEvent*) { return tool(11, 2); }
int ui_ToolTrend(WorksheetWindowData*, EngineEvent*) { return tool(12, 3); }
int ui_ToolInputCount(WorksheetWindowData*, EngineEvent*) { return tool(20, 12); }

int ui_Undo(WorksheetWindowData*, EngineEvent*) {
  ws_RestoreUndo();
  return 0;
}

int ui_RightPressGate(WorksheetWindowData*, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  int x = event->x + scrollX(), y = event->y + scrollY();
  GateRecord* g = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPointSimple(logic, x, y, g, ordinal) || !g) return 0;
  ws_DirtyReset();
  markGateBox(g, 30, 12);
  DocumentRecord* d = model::CurrentDocument;
  if (g->Kind == model::kKindText || g->Kind == model::kKindInput || g->Kind == model::kKindOutput) {
    model::gt_GateNameText(logic, g);
  } else if ((g->Kind == model::kKindCompiled || g->Kind == model::kKindCompiledNative) && d &&
             d->MacroLevel >= 1 && d->MacroLevel <= model::kMaxMacroLevel) {
    // A block of a block library keeps its settings in its own dialog (the
    // type's parameter procedure): the whole parameter forms open, as a
    // press on it in the simulation sheet opens them.
    model::GateInstance* inst = model::inst_Parallel(logic, d->LevelInstances[d->MacroLevel], g);
    hk_OpenForms(g, inst, (g->Flags & model::kGateSharedExtra) == 0, d->MacroLevel == 1, x - g->X, y - g->Y, 0,
                 ordinal);
  } else if (!de_IsUserSubprogramGate(g)) {
    hk_EditBlock(g);
  }
  markGateBox(g, 12, 12);
  ws_DirtyFlush();
  return 0;
}

int ui_RightPressGateB(WorksheetWindowData*, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  GateRecord* g = nullptr;
  int ordinal = 0;
  if (model::gg_GateAtPoint(logic, event->x + scrollX(), event->y + scrollY(), g, ordinal) && g &&
      de_IsUserSubprogramGate(g))
    hk_EditBlock(g);
  return 0;
}

int ui_CtrlRightPressGate(WorksheetWindowData*, EngineEvent* event) {
  ws_DirtyReset();
  de_TogglePinNegation(event->x, event->y);
  ws_DirtyFlush();
  return 0;
}

int ui_RemoveWireAtPoint(WorksheetWindowData*, EngineEvent* event) {
  ws_DropUndoBuffer();
  ws_DirtyReset();
  de_RemoveWireAt(event->x, event->y);
  ws_DirtyFlush();
  ws_DirtyReset();
  return 0;
}

int ui_PickAtPointB(WorksheetWindowData*, EngineEvent* event) {
  ws_DropUndoBuffer();
  ws_DirtyReset();
  de_PickConnection(event->x, event->y);
  ws_DirtyFlush();
  ws_DirtyReset();
  return 0;
}

// The slot of a pin's value: an input reads through its reference, the
// outputs lie one after the other in the output values.
double* valueSlot(LogicRecord* logic, GateRecord* g, unsigned pin, bool isInput, model::PinSignalType& type,
                  bool& negated) {
  DocumentRecord* d = model::CurrentDocument;
  if (!d || d->MacroLevel < 1 || d->MacroLevel > model::kMaxMacroLevel) return nullptr;
  model::GateInstance* gi = model::inst_Parallel(logic, d->LevelInstances[d->MacroLevel], g);
  if (!gi) return nullptr;
  if (isInput) {
    if (pin < 1 || pin > g->InputCount || !gi->InputRefs || pin > gi->InputRefCount) return nullptr;
    type = g->Inputs[pin - 1].Type;
    negated = g->Inputs[pin - 1].Flags & model::kPinNegated;
    return gi->InputRefs[pin - 1];
  }
  if (pin < 1 || pin > g->OutputCount || !gi->OutputValues) return nullptr;
  unsigned slot = 0;
  for (unsigned n = 1; n < pin; ++n) slot += model::elementCount(g->Outputs[n - 1].Type);
  if (slot >= gi->OutputSlotCount) return nullptr;
  type = g->Outputs[pin - 1].Type;
  negated = g->Outputs[pin - 1].Flags & 1;
  return gi->OutputValues + slot;
}

std::uint16_t readWord(const double* slot) {
  std::uint16_t v = 0;
  std::memcpy(&v, slot, 2);
  return v;
}
void writeWord(double* slot, std::uint16_t v) { std::memcpy(slot, &v, 2); }

const char* promptOf(model::PinSignalType t) {
  if (t == model::kTypeBinary) return "Binary Value ?";
  if (t >= 2 && t <= model::kTypeOpenWord) return "Digital Value ?";
  return "Analog Value ?";
}

bool editValue(int x, int y, bool negatedView) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  std::int16_t px = model::clamp16(x + scrollX()), py = model::clamp16(y + scrollY());
  GateRecord* g = nullptr;
  GateRecord* wireGate = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  if (!model::gg_HitTestPin(logic, px, py, g, pin, isInput, wireGate) || !g || pin == 0) return false;
  model::PinSignalType type = 0;
  bool negated = false;
  double* slot = valueSlot(logic, g, pin, isInput, type, negated);
  // REAL values (20), the first vector type (21) and vectors are not edited here.
  if (!slot || type >= model::kTypeReal) return false;
  bool invert = negatedView && negated && type != model::kTypeSequence;
  std::uint16_t word = readWord(slot);
  if (invert) word = std::uint16_t(~word & gNegationMask);
  double value = word;
  if (!hk_PromptValue(promptOf(type), value)) return false;
  word = std::uint16_t(std::clamp(value, 0.0, 65535.0));
  if (invert) word = std::uint16_t(~word & gNegationMask);
  writeWord(slot, word);
  return true;
}

int ws_ChangeInputCount(WorksheetWindowData* window, EngineEvent* event) {
  if (event->type != kMsgLButtonDown) return 0;
  std::int16_t x = model::clamp16(event->x), y = model::clamp16(event->y);
  model::gg_SnapToGrid(x, y);
  ws_RebuildAfterInputCount(x, y);
  (void)window;
  if (model::CurrentDocument) model::CurrentDocument->PendingGate = nullptr;
  return 0;
}

// The trend tool's click: the trend view of the clicked sheet.
int ws_EnterTrend(WorksheetWindowData* window, EngineEvent* event) {
  if (event->type != kMsgLButtonDown) return 0;
  if (window && window->document) model::CurrentDocument = window->document;
  fn_EnterTrend(window);
  if (editorState() != 0) host().requestRedraw();
  if (model::CurrentDocument) model::CurrentDocument->PendingGate = nullptr;
  return 0;
}

} // namespace

std::uint16_t& de_NegationMask() { return gNegationMask; }

bool de_IsUserSubprogramGate(const GateRecord* g) {
  if (!g || (g->Kind != model::kKindCall && g->Kind != model::kKindCompiled && g->Kind != model::kKindCompiledNative))
    return false;
  const model::ProjectModule* m = moduleOf(g);
  if (!m) return g->Kind == model::kKindCall;
  std::string name;
  for (std::size_t i = 0; i < sizeof m->Name && m->Name[i] && m->Name[i] != ' '; ++i)
    name += char(std::toupper(static_cast<unsigned char>(m->Name[i])));
  return name != "BAUSTEIN" && name != "FUBLOCKS";
}

bool de_PinMayBeNegated(const GateRecord* g, unsigned pin, bool isInput) {
  if (!g) return false;
  if (isInput ? pin < 1 || pin > g->InputCount : pin < 1 || pin > g->OutputCount) return false;
  // And, Or and Exor gates negate any pin; subprogram and module gates their binary pins.
  if (g->Kind == model::kKindAnd || g->Kind == model::kKindOr || g->Kind == model::kKindExor) return true;
  if (g->Kind != model::kKindCall && g->Kind != model::kKindCompiled && g->Kind != model::kKindCompiledNative)
    return false;
  return (isInput ? g->Inputs[pin - 1].Type : g->Outputs[pin - 1].Type) == model::kTypeBinary;
}

bool de_TogglePinNegation(int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  std::int16_t px = model::clamp16(x + scrollX()), py = model::clamp16(y + scrollY());
  model::gg_SnapToGrid(px, py);
  GateRecord* g = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  int d = model::gg_GatePinAtPoint(logic, px, py, g, pin, isInput);
  if (!g || pin == 0 || d >= model::gg_PickTolerance() || !de_PinMayBeNegated(g, pin, isInput)) return false;
  ws_DirtyAddPoint(px - 10, py - 10);
  ws_DirtyAddPoint(px + 10, py + 10);
  return model::ge_NegatePin(logic, g, pin, isInput);
}

bool de_RemoveWireAt(int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  std::int16_t px = model::clamp16(x + scrollX()), py = model::clamp16(y + scrollY());
  GateRecord* g = nullptr;
  unsigned pin = 0;
  if (!model::gg_WireAtPoint(logic, px, py, g, pin) || !g || pin == 0 || pin > g->InputCount) return false;
  return model::ge_ConnectPin(logic, g, pin, true);
}

bool de_PickConnection(int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  int sx = x + scrollX(), sy = y + scrollY();
  std::int16_t px = model::clamp16(sx), py = model::clamp16(sy);
  GateRecord* g = nullptr;
  GateRecord* wireGate = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  if (!model::gg_HitTestPin(logic, px, py, g, pin, isInput, wireGate) || !g || pin == 0) return false;
  if (std::abs(px - sx) >= 10 || std::abs(py - sy) >= 10) return false;
  return model::ge_ConnectPin(logic, g, pin, isInput);
}

bool de_EditValueAt(int x, int y) { return editValue(x, y, false); }
bool de_EditValueAtN(int x, int y) { return editValue(x, y, true); }

void gateActions_RegisterHandlers() {
  using H = HandlerId;
  ui_RegisterHandler(H::ui_ToolDelete, ui_ToolDelete);
  ui_RegisterHandler(H::ui_ToolTrend, ui_ToolTrend);
  ui_RegisterHandler(H::ui_ToolInputCount, ui_ToolInputCount);
  ui_RegisterHandler(H::ui_Undo, ui_Undo);
  ui_RegisterHandler(H::ui_RightPressGate, ui_RightPressGate);
  ui_RegisterHandler(H::ui_RightPressGateB, ui_RightPressGateB);
  ui_RegisterHandler(H::ui_CtrlRightPressGate, ui_CtrlRightPressGate);
  ui_RegisterHandler(H::ui_RemoveWireAtPoint, ui_RemoveWireAtPoint);
  ui_RegisterHandler(H::ui_PickAtPointB, ui_PickAtPointB);
  ui_RegisterHandler(H::ws_ChangeInputCount, ws_ChangeInputCount);
  ui_RegisterHandler(H::ws_EnterTrend, ws_EnterTrend);
}

} // namespace editor
