// Placing and moving gates, dragging connection segments, squaring a slanted
// connection end and shifting the sheet content.
#include "editor/gestures.h"
#include "editor/library.h"

#include "editor/context.h"
#include "editor/dragmarker.h"
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "display/view.h"
#include "editor/gatecmd.h"
#include "editor/gatescript.h"
#include "editor/hooks.h"
#include "editor/router.h"
#include "editor/selection.h"
#include "editor/tables.h"
#include "editor/ws.h"
#include "engine/timestep.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/memory.h"
#include "model/wires.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;
using model::WirePoint;

namespace {

GestureState gState;

int scrollX(WorksheetWindowData* w) { return w ? w->scrollX : model::CurrentDocument ? model::CurrentDocument->ScrollX : 0; }
int scrollY(WorksheetWindowData* w) { return w ? w->scrollY : model::CurrentDocument ? model::CurrentDocument->ScrollY : 0; }

bool isCallOrModule(const GateRecord* g) {
  return g->Kind == model::kKindCall || g->Kind == model::kKindCompiled || g->Kind == model::kKindCompiledNative;
}

GateRecord* predecessorOf(LogicRecord* logic, const GateRecord* gate) {
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    if (g->Next == gate) return g;
  return nullptr;
}

// The gate follows the mouse: the template names it, the window's outline is its box.
void beginFollow(WorksheetWindowData* window, DocumentRecord* doc, GateRecord* gate) {
  // Parked out of the way until the drop: the wires stay where they are.
  gate->X = 3;
  gate->Y = 3;
  if (window) {
    // The outline: the gate with its pins and a margin of 3, placed from the
    // mouse point as the follower draws the gate.
    std::int16_t rx, ry, rw, rh;
    model::gg_GateRect(gate, rx, ry, rw, rh, true);
    window->drag = ws_GateFollower;
    window->sheetAreaW = std::int16_t(std::max<int>(doc->BoxW, rw) + 6);
    window->sheetAreaH = std::int16_t(std::max<int>(doc->BoxH, rh) + 6);
    window->sheetAreaX = std::int16_t(doc->GrabX + rx - 3);
    window->sheetAreaY = std::int16_t(doc->GrabY + ry - 3);
  }
  gState.placementDocument = doc;
  if (model::TemplateDocument) {
    model::TemplateDocument->PendingGate = gate;
    model::TemplateDocument->CurrentGate = gate;
    model::TemplateDocument->CurrentInstance = doc->CurrentInstance;
  }
}

void endFollow(DocumentRecord* doc) {
  if (doc) doc->CurrentGate = nullptr;
  if (model::TemplateDocument) {
    model::TemplateDocument->PendingGate = nullptr;
    model::TemplateDocument->CurrentGate = nullptr;
  }
  gState.placementDocument = nullptr;
  setEditorState(0);
  if (doc) doc->EditorState = 0;
  host().setCursor(2);
}

// The drop point of a gate that follows the mouse.
void dropPoint(WorksheetWindowData* window, const EngineEvent* event, const GateRecord* gate, int& x, int& y) {
  DocumentRecord* doc = model::CurrentDocument;
  x = event->x + scrollX(window) + doc->GrabX + 3;
  y = event->y + scrollY(window) + doc->GrabY + 3;
  x = std::max(x, 15);
  if (gate->Kind != model::kKindText) y = std::max(y, 15);
  x = model::gg_Snap(x);
  y = model::gg_Snap(y);
}

void markArea(int l, int t, int r, int b) {
  ws_DirtyAddPoint(l, t);
  ws_DirtyAddPoint(r, b);
}

void markBox(const GateRecord* g, int widen) {
  std::int16_t x, y, w, h;
  model::gg_GateRect(g, x, y, w, h, true);
  markArea(x - widen, y - widen, x + w + widen, y + h + widen);
}

int colourClass(model::PinSignalType t) { return t == 20 || t == 28 ? 0 : int(t); }

bool outputTaken(const LogicRecord* logic, const GateRecord* gate, unsigned pin) {
  for (const GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].Source == gate && g->Inputs[i].SourcePin == pin) return true;
  return false;
}

bool pinPoint(GateRecord* g, unsigned pin, bool input, int& x, int& y) {
  std::int16_t px, py;
  std::uint16_t side;
  bool ok = input ? model::gg_InputPinPos(g, pin, px, py, side) : model::gg_OutputPinPos(g, pin, px, py, side);
  x = g->X + px;
  y = g->Y + py;
  return ok;
}

// The pin of the wanted direction nearest to a point, on any gate but except
// (distance in x plus y; the first of equals in list order).
int nearestPin(LogicRecord* logic, GateRecord* except, int x, int y, bool wantInput, GateRecord*& gate,
               unsigned& pin) {
  int best = 1 << 30;
  gate = nullptr;
  pin = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (g == except) continue;
    unsigned count = wantInput ? g->InputCount : g->OutputCount;
    for (unsigned n = 1; n <= count; ++n) {
      int px, py;
      if (!pinPoint(g, n, wantInput, px, py)) continue;
      int d = model::gg_Distance(px, x, py, y);
      if (d < best) {
        best = d;
        gate = g;
        pin = n;
      }
    }
  }
  return best;
}

// A wire of two points from the output to the input (the ends of a negated
// pin stand off the pin), connected with the model's type check.
bool connectTwoPoints(LogicRecord* logic, GateRecord* dest, unsigned destPin, GateRecord* source, unsigned sourcePin) {
  if (!scr_LayWire(logic, dest, destPin, source, sourcePin)) return false;
  for (WirePoint* p = dest->Inputs[destPin - 1].Wire; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
  return true;
}

} // namespace

GestureState& gestures() { return gState; }

int ws_GateFollower(WorksheetWindowData* window, EngineEvent* event) {
  if (window && window->document) {
    model::CurrentDocument = window->document;
    ctx().DragDocument = window->document;
  }
  // The pending gate (parked at 3, 3) is drawn where the drop would put it
  // before snapping: the mouse point plus the grab offset plus 3.
  DocumentRecord* doc = model::CurrentDocument;
  GateRecord* g = model::TemplateDocument ? model::TemplateDocument->PendingGate : nullptr;
  if (event && event->type == kMsgMouseMove && doc && g && disp::gdi_CurrentDevice()) {
    int ox, oy;
    ws_DragPictureOrigin(ox, oy);
    disp::DrawView& v = disp::currentView();
    disp::DrawView saved = v;
    v.scrollX = g->X - (event->x - ox + doc->GrabX + 3);
    v.scrollY = g->Y - (event->y - oy + doc->GrabY + 3);
    v.editorState = 0;
    v.editedGate = nullptr;
    disp::gd_DrawGate(g, model::TemplateDocument->CurrentInstance, 1);
    v = saved;
  }
  return 1;
}

int ws_RubberLine(WorksheetWindowData* window, EngineEvent*) {
  if (window && window->document) model::CurrentDocument = window->document;
  return 1;
}

void de_SheetPoint(WorksheetWindowData* window, const EngineEvent* event, std::int16_t& x, std::int16_t& y) {
  x = model::clamp16(event->x + scrollX(window));
  y = model::clamp16(event->y + scrollY(window));
  model::gg_SnapToGrid(x, y);
}

int ui_AutoConnectGate(GateRecord* gate, bool modulesOnly) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic || !gate) return 0;
  int made = 0;
  auto partnerKindOk = [&](const GateRecord* p, std::uint8_t portKind) {
    if (modulesOnly) return p->Kind == model::kKindCompiled;
    return isCallOrModule(p) || p->Kind == portKind;
  };
  for (unsigned i = 1; gate->Inputs && i <= gate->InputCount; ++i) {
    if (gate->Inputs[i - 1].Source) continue;
    int x, y;
    if (!pinPoint(gate, i, true, x, y)) continue;
    GateRecord* partner = nullptr;
    unsigned pin = 0;
    int d = nearestPin(logic, gate, x, y, false, partner, pin);
    if (!partner || d >= 10 || !partnerKindOk(partner, model::kKindInput)) continue;
    if (pin > partner->OutputCount) continue;
    if (colourClass(partner->Outputs[pin - 1].Type) != colourClass(gate->Inputs[i - 1].Type)) continue;
    if (outputTaken(logic, partner, pin)) continue;
    if (connectTwoPoints(logic, gate, i, partner, pin)) ++made;
  }
  for (unsigned n = 1; gate->Outputs && n <= gate->OutputCount; ++n) {
    if (outputTaken(logic, gate, n)) continue;
    int x, y;
    if (!pinPoint(gate, n, false, x, y)) continue;
    GateRecord* partner = nullptr;
    unsigned pin = 0;
    int d = nearestPin(logic, gate, x, y, true, partner, pin);
    if (!partner || d >= 10 || !partnerKindOk(partner, model::kKindOutput)) continue;
    if (pin > partner->InputCount || partner->Inputs[pin - 1].Source) continue;
    if (colourClass(partner->Inputs[pin - 1].Type) != colourClass(gate->Outputs[n - 1].Type)) continue;
    if (connectTwoPoints(logic, partner, pin, gate, n)) ++made;
  }
  return made;
}

// ---- placing ----

namespace {

int ui_ToolAddGate(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  ui_ClearGateMarks(window, event);
  // Memory for the run snapshot of the project must be there before a gate is added.
  std::size_t largest = 0, logics = 0;
  if (doc->FirstModule)
    for (LogicRecord* l = model::firstLogicOf(doc->FirstModule); l; l = l->Next) {
      largest = std::max(largest, engine::sim_CountBufferSlots(l));
      ++logics;
    }
  if (largest * logics > 1000000) logics = 5;
  if (std::size_t bytes = largest * logics) {
    // A quiet probe: a shortage refuses the tool without a message.
    std::unique_ptr<char[]> probe(new (std::nothrow) char[bytes]);
    if (!probe) return 9;
  }
  host().setCursor(2);
  setEditorState(9);
  ws_DropUndoBuffer();
  int made = fn_AddGate();
  GateRecord* gate = doc->CurrentGate;
  if (made != 1 || !gate) {
    setEditorState(0);
    doc->CurrentGate = nullptr;
    return 0;
  }
  setEditorState(9);
  doc->GrabX = -3;
  doc->GrabY = -3;
  gState.savedX = gState.savedY = 3;
  beginFollow(window, doc, gate);
  return 4;
}

int ui_ShiftPressGate(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  ws_DirtyReset();
  if (!doc || !logic) return 11;
  std::int16_t x, y;
  de_SheetPoint(window, event, x, y);
  GateRecord* g = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, x, y, g, ordinal) || !g) return 11;
  if (g->Kind == model::kKindInput || g->Kind == model::kKindOutput || g->Kind == model::kKindText) {
    if (model::TemplateDocument) model::TemplateDocument->CurrentGate = doc->CurrentGate;
    setEditorState(doc->EditorState == 21 ? 21 : 0);
    return 0;
  }
  setEditorState(9);
  ws_DropUndoBuffer();
  doc->CurrentGate = nullptr;
  if (fn_EditGateAt(event->x, event->y) != 1 || !doc->CurrentGate || doc->CurrentGate == g) {
    doc->CurrentGate = nullptr;
    setEditorState(0);
    return 9;
  }
  GateRecord* copy = doc->CurrentGate;
  doc->GrabX = std::int16_t(g->X - event->x - 3 - scrollX(window));
  doc->GrabY = std::int16_t(g->Y - event->y - 3 - scrollY(window));
  gState.savedX = gState.savedY = 3;
  beginFollow(window, doc, copy);
  return 10;
}

// The Disable-Logic gate dropped on a subprogram gate becomes "Enable-SB" at its lower right.
int dropDisableLogic(WorksheetWindowData* window, LogicRecord* logic, GateRecord* g, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  GateRecord* target = nullptr;
  int ordinal = 0;
  model::gg_GateAtPointExcept(logic, g, x, y, target, ordinal);
  model::ge_DeleteGate(logic, g);
  if (doc->MacroLevel == 1) doc->LevelInstances[1] = logic->FirstInstance;
  if (!target || target->Kind != model::kKindCall) {
    endFollow(doc);
    ws_DirtyFlush();
    host().requestRedraw();
    return target ? 0 : 11;
  }
  const LogicRecord* sub = model::subLogic(target);
  int cx = target->X + (sub ? sub->Width : 0), cy = target->Y + (sub ? sub->Height : 0);
  model::AttachPlacement = 2;
  fn_InsertLibraryGate("Enable-SB", true, cx - scrollX(window), cy - scrollY(window));
  model::AttachPlacement = 1;
  endFollow(doc);
  host().requestRedraw();
  return 0;
}

// A Param.-Variation gate varies the parameters of the gate that follows it
// in the list: dropped on a gate T, the pending gate is made anew with the
// creation answers asked against T and linked directly before T; the pending
// gate itself goes away. Dropped on free sheet it goes away too.
int dropParamVariation(WorksheetWindowData* window, LogicRecord* logic, GateRecord* g, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  GateRecord* target = nullptr;
  int ordinal = 0;
  model::gg_GateAtPointExcept(logic, g, x, y, target, ordinal);
  if (target) {
    model::CreateParams p;
    p.kind = model::kKindParamVariation;
    // The kind asks nothing of the user: its input count and type follow
    // the target, so the answers are always there.
    if (model::gt_AskCreateParams(p, nullptr, target)) {
      model::AttachPlacement = 2;
      de_PlaceGateAt(p, nullptr, target, x - scrollX(window), y - scrollY(window), true);
      model::AttachPlacement = 1;
    }
  }
  model::ge_DeleteGate(logic, g);
  if (doc->MacroLevel == 1) doc->LevelInstances[1] = logic->FirstInstance;
  markArea(x - 20, y - 20, x + 60, y + 60);
  ws_DirtyFlush();
  endFollow(doc);
  host().requestRedraw();
  return 11;
}

int ui_PlaceGateRelease(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  GateRecord* g = doc ? doc->CurrentGate : nullptr;
  if (!doc || !logic || !g) {
    endFollow(doc);
    return 0;
  }
  int x, y;
  dropPoint(window, event, g, x, y);
  if (isCallOrModule(g)) markArea(x - 20, y - 20, x + 13 + doc->BoxW, y + 13 + doc->BoxH);
  if (g->Kind == model::kKindDisableLogic) return dropDisableLogic(window, logic, g, x, y);
  if (g->Kind == model::kKindParamVariation) return dropParamVariation(window, logic, g, x, y);
  bool isText = g->Kind == model::kKindText;
  if (!isText && !model::gg_AreaIsFree(logic, x, y, 20, 20, g)) {
    markArea(x - 20, y - 20, x + doc->BoxW + 20, y + doc->BoxH + 20);
    model::ge_DeleteGate(logic, g);
    if (doc->MacroLevel == 1) doc->LevelInstances[1] = logic->FirstInstance;
    endFollow(doc);
    ws_DirtyFlush();
    host().requestRedraw();
    return 11;
  }
  model::ge_MoveGateRedraw(logic, g, x, y);
  if (GateRecord* pred = predecessorOf(logic, g)) {
    std::int16_t bx, by, bw, bh;
    model::gg_GateBox(g, bx, by, bw, bh, false);
    if (pred->Kind == model::kKindDisableLogic) model::ge_MoveGateRedraw(logic, pred, g->X + bw, g->Y + bh);
    else if (pred->Kind == model::kKindParamVariation) model::ge_MoveGateRedraw(logic, pred, g->X + 40, g->Y + 40);
  }
  std::int16_t ex = model::clamp16(event->x + scrollX(window)), ey = model::clamp16(event->y + scrollY(window));
  GateRecord* under = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPointSimple(logic, ex, ey, under, ordinal) || !under) {
    endFollow(doc);
    host().requestRedraw();
    return 0;
  }
  hk_EditBlock(under);
  if ((g->Kind == model::kKindInput || g->Kind == model::kKindOutput) && model::ge_FindMacroUser(logic)) {
    // The calls of this logic get the new port: each is rebuilt with its
    // wiring, and the program's values stay.
    ws_RebuildCallsKeepingState(logic);
    hk_EnableThreads();
    if (doc->FirstModule)
      for (LogicRecord* l = model::firstLogicOf(doc->FirstModule); l; l = l->Next) model::ge_CompactInstanceNumbers(l);
    if (doc->MacroLevel == 1) doc->LevelInstances[1] = logic->FirstInstance;
    markBox(g, 12);
  }
  if (g->Kind == model::kKindText) {
    std::string text;
    int height = 12;
    if (g->ExtraCount >= 2) text = model::gt_GateText(g, &height);
    if (host().promptTextWithHeight("xName", text, height, kTextGateLimit)) scr_SetTextGateText(g, height, text);
  }
  host().requestRedraw();
  setEditorState(0);
  doc->EditorState = 0;
  if (g->Kind != model::kKindCompiled) {
    hk_EndGate(doc);
    endFollow(doc);
    return 0;
  }
  int made = ui_AutoConnectGate(g, true);
  hk_EndGate(doc);
  ws_DirtyFlush();
  if (made > 0) {
    // Lifted again: the gate follows the mouse until the next click.
    EngineEvent press = *event;
    press.x = std::int16_t(g->X + 5 - scrollX(window));
    press.y = std::int16_t(g->Y + 5 - scrollY(window));
    return ui_CallHandler(HandlerId::ui_PressGate, window, &press);
  }
  endFollow(doc);
  return 0;
}

// ---- lifting and dropping ----

int ui_PressGate(WorksheetWindowData* window, EngineEvent* event) {
  ws_DirtyReset();
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !de_ClickAtPoint(window, event->x, event->y)) return 0;
  GateRecord* g = doc->CurrentGate;
  if (!g || g->Kind == model::kKindParamVariation || g->Kind == model::kKindDisableLogic) return 0;
  setEditorState(1);
  gState.savedX = g->X;
  gState.savedY = g->Y;
  doc->GrabX = std::int16_t(g->X - event->x - 3 - scrollX(window));
  doc->GrabY = std::int16_t(g->Y - event->y - 3 - scrollY(window));
  model::KeepInstances = 0;
  ws_SaveUndoBuffer();
  model::KeepInstances = 1;
  beginFollow(window, doc, g);
  return 4;
}

int ui_DropLiftedGate(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  GateRecord* g = doc ? doc->CurrentGate : nullptr;
  if (!doc || !logic || !g) {
    endFollow(doc);
    return 0;
  }
  g->X = gState.savedX;
  g->Y = gState.savedY;
  int x, y;
  dropPoint(window, event, g, x, y);
  int sx = gState.savedX, sy = gState.savedY;
  if (isCallOrModule(g)) {
    markArea(x - 20, y - 20, x + 13 + doc->BoxW, y + 13 + doc->BoxH);
    markArea(sx - 40, sy - 40, sx + 120 + doc->BoxW, sy + 100 + doc->BoxH);
  } else if (g->Kind == model::kKindInput) {
    markArea(sx - 70, sy - 12, sx + 40, sy + 11);
  } else if (g->Kind == model::kKindOutput) {
    markArea(sx - 20, sy - 20, sx + 70, sy + 11);
  } else if (g->Kind == model::kKindText) {
    markBox(g, 12);
  }
  if (model::gg_AreaIsFree(logic, x, y, 20, 20, g)) {
    if (GateRecord* pred = predecessorOf(logic, g)) {
      if (pred->Kind == model::kKindDisableLogic)
        model::ge_MoveGateRedraw(logic, pred, pred->X + (x - g->X), pred->Y + (y - g->Y));
      else if (pred->Kind == model::kKindParamVariation)
        model::ge_MoveGateRedraw(logic, pred, g->X + 40, g->Y + 40);
    }
  }
  model::ge_MoveGateRedraw(logic, g, x, y);
  if (isCallOrModule(g) || g->Kind == model::kKindInput || g->Kind == model::kKindOutput) ui_AutoConnectGate(g, false);
  ws_DirtyFlush();
  endFollow(doc);
  host().requestRedraw();
  return 0;
}

// ---- connection segments and the sheet shift ----

int beginMoveAll(WorksheetWindowData* window, EngineEvent* event) {
  setEditorState(11);
  if (window) {
    window->drag = ws_RubberLine;
    window->sheetAreaX = window->sheetAreaY = -1;
    window->sheetAreaW = window->sheetAreaH = 3;
  }
  gState.startX = model::clamp16(event->x + scrollX(window));
  gState.startY = model::clamp16(event->y + scrollY(window));
  return 3;
}

int ui_PressConnection(WorksheetWindowData* window, EngineEvent* event) {
  if (!de_PickSegment(window, event->x, event->y)) return beginMoveAll(window, event);
  WirePoint* a = gState.segmentPoint;
  WirePoint* b = a ? a->Next : nullptr;
  if (!a || !b) return 11;
  DocumentRecord* doc = model::CurrentDocument;
  gState.savedX = gState.pickX;
  gState.savedY = gState.pickY;
  bool horizontal = a->X != b->X;
  if (window) {
    window->drag = ws_RubberLine;
    if (horizontal) {
      window->sheetAreaW = std::int16_t(std::abs(a->X - b->X));
      window->sheetAreaH = 3;
      window->sheetAreaX = std::int16_t(std::min(a->X, b->X) - gState.pickX);
      window->sheetAreaY = -1;
    } else {
      window->sheetAreaW = 3;
      window->sheetAreaH = std::int16_t(std::abs(a->Y - b->Y));
      window->sheetAreaX = -1;
      window->sheetAreaY = std::int16_t(std::min(a->Y, b->Y) - gState.pickY);
    }
  }
  (void)doc;
  setEditorState(4);
  model::KeepInstances = 0;
  ws_SaveUndoBuffer();
  model::KeepInstances = 1;
  return horizontal ? 6 : 5;
}

int ws_MouseDrag(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = gState.segmentLogic;
  GateRecord* owner = gState.segmentGate;
  setEditorState(0);
  bool ownerLives = false;
  for (GateRecord* g = logic && logic == currentLevelLogic() ? logic->FirstGate : nullptr; g && !ownerLives; g = g->Next)
    ownerLives = g == owner;
  if (!ownerLives || gState.segmentPin == 0 || gState.segmentPin > owner->InputCount) {
    gState.segmentGate = nullptr;
    return 0;
  }
  model::InputPin& in = owner->Inputs[gState.segmentPin - 1];
  // The segment must still be a segment of that wire.
  bool present = false;
  for (WirePoint* p = in.Wire; p && !present; p = p->Next) present = p == gState.segmentPoint && p->Next;
  if (present) {
    std::int16_t x, y;
    de_SheetPoint(window, event, x, y);
    for (WirePoint* p = in.Wire; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
    model::ge_RerouteWires(x, y, in.Source, in.BranchOf, owner, gState.segmentPoint, in.Wire, logic);
    for (WirePoint* p = in.Wire; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
    ws_DirtyFlush();
    host().requestRedraw();
  }
  gState.segmentGate = nullptr;
  gState.segmentPoint = nullptr;
  return 0;
}

int ui_PressPin(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  std::int16_t x, y;
  de_SheetPoint(window, event, x, y);
  GateRecord* gate = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  int d = model::gg_GatePinAtPoint(logic, x, y, gate, pin, isInput);
  if (!gate || d >= 10 || !isInput || pin == 0 || pin > gate->InputCount) return 0;
  WirePoint* p = gate->Inputs[pin - 1].Wire;
  WirePoint* q = p ? p->Next : nullptr;
  if (!q || p->X == q->X || p->Y == q->Y) return 0;
  WirePoint* n = nullptr;
  if (!model::mm_New(n)) return 0;
  n->X = q->X;
  n->Y = q->Y;
  n->Next = q->Next;
  q->Next = n;
  q->X = p->X;
  for (WirePoint* w = gate->Inputs[pin - 1].Wire; w; w = w->Next) {
    ws_DirtyAddPoint(w->X - 20, w->Y - 20);
    ws_DirtyAddPoint(w->X + 20, w->Y + 20);
  }
  ws_DirtyFlush();
  host().requestRedraw();
  return 0;
}

int ui_BeginMoveAll(WorksheetWindowData* window, EngineEvent* event) { return beginMoveAll(window, event); }

int ui_EndMoveAll(WorksheetWindowData* window, EngineEvent* event) {
  de_MoveAll(window, event->x, event->y);
  setEditorState(0);
  return 0;
}

int ws_DeleteGateAt(WorksheetWindowData* window, EngineEvent* event) {
  if (event->type != kMsgLButtonDown) return 0;
  ws_DirtyReset();
  if (window && window->document) model::CurrentDocument = window->document;
  // Deleting a port of a logic that subprogram gates use changes their pins:
  // the uses are written as script first and rebuilt after the deletion.
  bool written = false, refresh = false;
  if (LogicRecord* logic = currentLevelLogic()) {
    GateRecord* g = nullptr;
    int ordinal = 0;
    // The point the removal looks at (the document's scroll position).
    const DocumentRecord* d = model::CurrentDocument;
    int x = event->x + (d ? d->ScrollX : 0), y = event->y + (d ? d->ScrollY : 0);
    if (model::gg_GateAtPoint(logic, x, y, g, ordinal) && g) {
      std::int16_t bx, by, bw, bh;
      model::gg_GateBox(g, bx, by, bw, bh, false);
      ws_DirtyAddPoint(bx - 12, by - 12);
      ws_DirtyAddPoint(bx + bw + 12, by + bh + 12);
      if ((g->Kind == model::kKindInput || g->Kind == model::kKindOutput) && model::ge_FindMacroUser(logic))
        refresh = scr_WritePortScript(window, written);
    }
  }
  fn_RemoveGateAt(event->x, event->y);
  if (written) scr_RunPortScript(window, event, refresh);
  ws_DirtyFlush();
  ws_DirtyReset();
  host().requestRedraw();
  if (model::CurrentDocument) model::CurrentDocument->PendingGate = nullptr;
  return 0;
}

} // namespace

bool de_ClickAtPoint(WorksheetWindowData* window, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic) return false;
  int sx = x + scrollX(window), sy = y + scrollY(window);
  model::gg_SetPickTolerance(10);
  GateRecord* g = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, sx, sy, g, ordinal) || !g) return false;
  doc->CurrentGate = g;
  doc->CurrentInstance = model::inst_Parallel(logic, doc->LevelInstances[doc->MacroLevel], g);
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(g, bx, by, bw, bh, false);
  doc->BoxW = bw;
  doc->BoxH = bh;
  return true;
}

bool de_PickSegment(WorksheetWindowData* window, int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  gState.segmentGate = nullptr;
  gState.segmentPoint = nullptr;
  if (!logic) return false;
  std::int16_t px = model::clamp16(x + scrollX(window)), py = model::clamp16(y + scrollY(window));
  std::int16_t cx = px, cy = py;
  model::ConnectionHit hit;
  int d = model::gg_NearestConnection(logic, cx, cy, hit);
  if (!hit.gate || d >= model::gg_PickTolerance() || d > 20) return false;
  gState.segmentGate = hit.gate;
  gState.segmentPin = hit.pinNumber;
  gState.segmentPoint = hit.segmentStart;
  gState.segmentLogic = logic;
  gState.pickX = px;
  gState.pickY = py;
  return true;
}

bool gg_PickAtSheetPoint(int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  gState.pickedSegment = nullptr;
  if (!logic) return false;
  std::int16_t cx = model::clamp16(x), cy = model::clamp16(y);
  model::ConnectionHit hit;
  int d = model::gg_NearestConnection(logic, cx, cy, hit);
  if (!hit.gate || d >= model::gg_PickTolerance() || d > 20) return false;
  gState.pickedSegment = hit.segmentStart;
  return true;
}

bool gg_PickAtPoint(WorksheetWindowData* window, int x, int y) {
  return gg_PickAtSheetPoint(x + scrollX(window), y + scrollY(window));
}

bool de_MoveAll(WorksheetWindowData* window, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic) return false;
  int dx = x + scrollX(window) - gState.startX, dy = y + scrollY(window) - gState.startY;
  if (std::abs(dx) < 5 && std::abs(dy) < 5) return false;
  doc->Busy = 1;
  model::ge_OffsetGates(logic, model::gg_Snap(dx), model::gg_Snap(dy));
  doc->Busy = 0;
  host().requestRedraw();
  return true;
}

void gestures_RegisterHandlers() {
  gState = GestureState{};
  using H = HandlerId;
  ui_RegisterHandler(H::ui_ToolAddGate, ui_ToolAddGate);
  ui_RegisterHandler(H::ui_ShiftPressGate, ui_ShiftPressGate);
  ui_RegisterHandler(H::ui_PlaceGateRelease, ui_PlaceGateRelease);
  ui_RegisterHandler(H::ui_PressGate, ui_PressGate);
  ui_RegisterHandler(H::ui_DropLiftedGate, ui_DropLiftedGate);
  ui_RegisterHandler(H::ui_PressConnection, ui_PressConnection);
  ui_RegisterHandler(H::ws_MouseDrag, ws_MouseDrag);
  ui_RegisterHandler(H::ui_PressPin, ui_PressPin);
  ui_RegisterHandler(H::ui_BeginMoveAll, ui_BeginMoveAll);
  ui_RegisterHandler(H::ui_EndMoveAll, ui_EndMoveAll);
  ui_RegisterHandler(H::ws_DeleteGateAt, ws_DeleteGateAt);
  ctx().dropUndoHook = [] { undo_DropBuffer(); };
  // A group drag takes the undo copy before the selection moves.
  sel_SetUndoSaver([] { ws_SaveUndoBuffer(); });
  ctx().routeHook = [](WirePoint*& wire, int joinNet, int interactive) { route_Connection(wire, joinNet, interactive); };
  gateActions_RegisterHandlers();
}

} // namespace editor
