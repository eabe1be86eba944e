// Dirty rectangle, mouse-position classes with cursor feedback, space
// operations, select all and the gate marks.
#include "editor/ws.h"
#include "editor/rungate.h"
#include "editor/faceview.h"
#include "editor/views.h"

#include "editor/context.h"
#include "editor/selection.h"
#include "editor/editor.h"
#include "editor/tables.h"
#include "editor/titles.h"
#include "editor/wiring.h"
#include "editor/gestures.h"
#include "model/geometry.h"
#include "display/gatedraw.h"
#include "display/gatesym.h"
#include "display/gdi.h"
#include "display/view.h"
#include "model/wires.h"

#include <algorithm>
#include <climits>

namespace editor {

using model::GateRecord;
using model::LogicRecord;
using model::WirePoint;

LogicRecord* currentLevelLogic() {
  model::DocumentRecord* d = model::CurrentDocument;
  if (!d || d->MacroLevel == 0 || d->MacroLevel > model::kMaxMacroLevel) return nullptr;
  return d->LevelLogics[d->MacroLevel];
}

// ---- dirty rectangle ----

void ws_DirtyReset() { ctx().dirty = DirtyRect{}; }

void ws_DirtyAddPoint(int x, int y) {
  DirtyRect& r = ctx().dirty;
  if (r.empty) {
    r = DirtyRect{false, x, y, x, y};
    return;
  }
  r.left = std::min(r.left, x);
  r.top = std::min(r.top, y);
  r.right = std::max(r.right, x);
  r.bottom = std::max(r.bottom, y);
}

void ws_DirtyFlush() {
  DirtyRect r = ctx().dirty;
  ws_DirtyReset();
  if (r.empty) return;
  int sx = model::CurrentDocument ? model::CurrentDocument->ScrollX : 0;
  int sy = model::CurrentDocument ? model::CurrentDocument->ScrollY : 0;
  WorksheetWindowData* w = nullptr;
  for (WorksheetWindowData* live : ctx().liveWindows)
    if (live->document == model::CurrentDocument) { w = live; break; }
  host().invalidate(w, r.left - 10 - sx, r.top - 10 - sy, r.right + 10 - sx, r.bottom + 10 - sy);
}

// ---- classification ----

namespace {

struct SheetPoint { std::int16_t x, y; };

SheetPoint sheetPoint(WorksheetWindowData* window, const EngineEvent* event) {
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  std::int16_t x = model::clamp16(event->x + sx), y = model::clamp16(event->y + sy);
  model::gg_SnapToGrid(x, y);
  return {x, y};
}

// Box of a gate with its pins, widened by 2 units on each side.
void scanBox(const GateRecord* g, int& l, int& t, int& r, int& b) {
  std::int16_t x, y, w, h;
  model::gg_GateRect(g, x, y, w, h, true);
  l = x - 2;
  t = y - 2;
  r = x + w + 2;
  b = y + h + 2;
}

bool lineMeetsGate(const LogicRecord* logic, bool vertical, int v) {
  for (const GateRecord* g = logic->FirstGate; g; g = g->Next) {
    int l, t, r, b;
    scanBox(g, l, t, r, b);
    if (vertical ? (v >= l && v <= r) : (v >= t && v <= b)) return true;
  }
  return false;
}

} // namespace

// Step 5 (free sheet): a point is a column position when the vertical line
// through it meets no gate box (pins included, widened by 2 units), so that
// space can be opened or closed there; a row position likewise for the
// horizontal line.
int ws_ClassifyMousePos(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  SheetPoint p = sheetPoint(window, event);
  {
    std::int16_t x = p.x, y = p.y;
    GateRecord* gate = nullptr;
    unsigned pin = 0;
    bool isInput = false;
    int d = model::gg_GatePinAtPoint(logic, x, y, gate, pin, isInput);
    if (gate && d >= 0 && d < 10) return 5;
  }
  // A connection under the point: its segment's direction decides (a
  // vertical segment 19, any other 20).
  if (gg_PickAtPoint(window, event->x, event->y)) {
    const WirePoint* w = gestures().pickedSegment;
    if (!w || !w->Next) return 0;
    return w->X == w->Next->X ? 19 : 20;
  }
  GateRecord* gate = nullptr;
  int ordinal = 0;
  bool runWindow = window && window->kind == kKindRunSheet;
  if (model::gg_GateAtPoint(logic, p.x, p.y, gate, ordinal) && gate) {
    if (!runWindow) {
      if (gate->Selected) return 22;
      if (event->code & kKeyShift) return 6;
      return 1;
    }
    if (logic->Flags & 0x100) {
      if (gate->Kind == model::kKindCall) {
        const LogicRecord* sub = model::subLogic(gate);
        return sub && (sub->Flags & 0x80) ? 1 : 0;
      }
      if (gate->Kind == model::kKindCompiled) {
        const model::GateTypeRecord* t = model::subType(gate);
        return t && (t->Flags & 0x80) ? 1 : 0;
      }
      return 0;
    }
    return 1;
  }
  if (!logic->FirstGate) return 0;
  bool column = !lineMeetsGate(logic, true, p.x);
  bool row = !lineMeetsGate(logic, false, p.y);
  if (column && row) return 18;
  if (row) return 17;
  if (column) return 15;
  return 0;
}

namespace {
int cursorShapeOf(int cls, bool hover) {
  switch (cls) {
  case 1: return 16;
  case 6: return 22;
  case 15: return 25;
  case 17: return 29;
  case 18: return 30;
  case 19: return 17;
  case 20: return 18;
  case 22: return hover ? 32 : 2;
  default: return 2;
  }
}
} // namespace

int ws_UpdateMouseCursor(WorksheetWindowData* window, EngineEvent* event) {
  if (!host().editCursorOption()) return 0;
  int cls = ws_ClassifyMousePos(window, event);
  host().setCursor(cursorShapeOf(cls, false));
  return cls;
}

int ui_HoverCursor(WorksheetWindowData* window, EngineEvent* event) {
  if (!host().editCursorOption()) return 0;
  host().setCursor(cursorShapeOf(ws_ClassifyMousePos(window, event), true));
  return 0;
}

int ui_HoverPinCursor(WorksheetWindowData* window, EngineEvent* event) {
  if (!host().editCursorOption()) return 0;
  int cls = ws_ClassifyMousePos(window, event);
  host().setCursor(cls == 19 ? 17 : cls == 20 ? 18 : 2);
  return 0;
}

// ---- space operations ----

namespace {

template <class F> void forEachWirePoint(LogicRecord* logic, F f) {
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; i < g->InputCount; ++i)
      for (WirePoint* w = g->Inputs[i].Wire; w; w = w->Next) f(*w);
}

bool anyWirePointBeyond(GateRecord* g, LogicRecord* logic, bool alongX, int at) {
  for (unsigned i = 0; i < g->InputCount; ++i)
    for (WirePoint* w = g->Inputs[i].Wire; w; w = w->Next)
      if ((alongX ? w->X : w->Y) > at) return true;
  for (GateRecord* o = logic->FirstGate; o; o = o->Next)
    for (unsigned i = 0; i < o->InputCount; ++i)
      if (o->Inputs[i].Source == g)
        for (WirePoint* w = o->Inputs[i].Wire; w; w = w->Next)
          if ((alongX ? w->X : w->Y) > at) return true;
  return false;
}

bool closeSpace(bool alongX, int at) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  int nearest = INT_MAX;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    int v = alongX ? g->X : g->Y;
    if (v > at) nearest = std::min(nearest, v - 1);
  }
  forEachWirePoint(logic, [&](WirePoint& w) {
    int v = alongX ? w.X : w.Y;
    if (v > at) nearest = std::min(nearest, v - 1);
  });
  if (nearest == INT_MAX) return false;
  int gap = nearest - at;
  if (gap <= 25) return false;
  // Gates that straddle the line move with their wires beyond it.
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) g->AuxWord54 = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    int v = alongX ? g->X : g->Y;
    if (v > at || anyWirePointBeyond(g, logic, alongX, at)) g->AuxWord54 = 1;
  }
  forEachWirePoint(logic, [&](WirePoint& w) {
    std::int16_t& v = alongX ? w.X : w.Y;
    if (v > at) v = model::clamp16(v - gap);
  });
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (!g->AuxWord54) continue;
    std::int16_t& v = alongX ? g->X : g->Y;
    v = model::clamp16(v - gap);
    g->AuxWord54 = 0;
  }
  return true;
}

bool pinsAllBeyond(GateRecord* g, LogicRecord* logic, bool alongX, int at) {
  bool connected = false;
  for (unsigned i = 0; i < g->InputCount; ++i) {
    if (!g->Inputs[i].Source) continue;
    connected = true;
    std::int16_t x, y;
    std::uint16_t side;
    if (!model::gg_InputPinPos(g, i + 1, x, y, side)) continue;
    if ((alongX ? g->X + x : g->Y + y) <= at) return false;
  }
  for (GateRecord* o = logic->FirstGate; o; o = o->Next)
    for (unsigned i = 0; i < o->InputCount; ++i) {
      if (o->Inputs[i].Source != g) continue;
      connected = true;
      std::int16_t x, y;
      std::uint16_t side;
      if (!model::gg_OutputPinPos(g, o->Inputs[i].SourcePin, x, y, side)) continue;
      if ((alongX ? g->X + x : g->Y + y) <= at) return false;
    }
  return connected;
}

bool insertSpace(bool alongX, int at) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  bool moved = false;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    std::int16_t bx, by, bw, bh;
    model::gg_GateBox(g, bx, by, bw, bh, false);
    int lo = alongX ? bx : by;
    g->AuxWord54 = lo > at || pinsAllBeyond(g, logic, alongX, at) ? 1 : 0;
  }
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (!g->AuxWord54) continue;
    std::int16_t& v = alongX ? g->X : g->Y;
    v = model::clamp16(v + 50);
    g->AuxWord54 = 0;
    moved = true;
  }
  forEachWirePoint(logic, [&](WirePoint& w) {
    std::int16_t& v = alongX ? w.X : w.Y;
    if (v > at) {
      v = model::clamp16(v + 50);
      moved = true;
    }
  });
  return moved;
}

int snapped(int v) { return model::gg_Snap(v); }

} // namespace

bool ws_MouseEditA(WorksheetWindowData*, int x, int) { return closeSpace(true, snapped(x)); }
bool ws_MouseEditB(WorksheetWindowData*, int, int y) { return closeSpace(false, snapped(y)); }
// Opening space moves gates and wire points: Undo puts them back.
bool ws_MouseEditWithUndoA(WorksheetWindowData*, int x, int) {
  ws_SaveUndoBuffer();
  return insertSpace(true, snapped(x));
}
bool ws_MouseEditWithUndoB(WorksheetWindowData*, int, int y) {
  ws_SaveUndoBuffer();
  return insertSpace(false, snapped(y));
}

namespace {
int spaceHandler(WorksheetWindowData* window, EngineEvent* event, bool (*op)(WorksheetWindowData*, int, int)) {
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  op(window, event->x + sx, event->y + sy);
  host().requestRedraw();
  return 0;
}
int hInsertX(WorksheetWindowData* w, EngineEvent* e) { return spaceHandler(w, e, ws_MouseEditWithUndoA); }
int hCloseX(WorksheetWindowData* w, EngineEvent* e) { return spaceHandler(w, e, ws_MouseEditA); }
int hInsertY(WorksheetWindowData* w, EngineEvent* e) { return spaceHandler(w, e, ws_MouseEditWithUndoB); }
int hCloseY(WorksheetWindowData* w, EngineEvent* e) { return spaceHandler(w, e, ws_MouseEditB); }
} // namespace

// ---- marks ----

void ws_DropUndoBuffer() {
  if (ctx().dropUndoHook) ctx().dropUndoHook();
}

int ws_SelectAll(WorksheetWindowData*, EngineEvent*) {
  ws_DropUndoBuffer();
  if (LogicRecord* logic = currentLevelLogic())
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
      bool keep = g->Kind == model::kKindText && g->ExtraCount < 2;
      g->Selected = g->HeldSelected = keep ? 0 : 1;
    }
  setEditorState(21);
  host().requestRedraw();
  return 0;
}

int ui_ClearGateMarks(WorksheetWindowData*, EngineEvent*) {
  ws_DropUndoBuffer();
  if (LogicRecord* logic = currentLevelLogic())
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) g->Selected = g->HeldSelected = 0;
  setEditorState(0);
  host().requestRedraw();
  return 0;
}

int ui_ClearAllGateMarks(WorksheetWindowData*, EngineEvent*) {
  model::DocumentRecord* d = model::CurrentDocument;
  if (!d) return 0;
  for (int level = 1; level <= d->MacroLevel && level <= model::kMaxMacroLevel; ++level)
    if (LogicRecord* logic = d->LevelLogics[level])
      for (GateRecord* g = logic->FirstGate; g; g = g->Next) g->Selected = g->HeldSelected = 0;
  return 0;
}

namespace {

// The wires fed by the output pin of the connection nearest the point, drawn
// in colour 2 (highlight) or back in the colour of their pins' signal type.
// Not drawn in a run view of a logic that hides its connections (bit 9).
int drawPinWires(WorksheetWindowData* window, EngineEvent* event, bool highlight) {
  LogicRecord* logic = currentLevelLogic();
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!logic || !doc || !disp::gdi_CurrentDevice()) return 0;
  int sx = window ? window->scrollX : doc->ScrollX, sy = window ? window->scrollY : doc->ScrollY;
  std::int16_t x = model::clamp16(event->x + sx), y = model::clamp16(event->y + sy);
  model::ConnectionHit hit;
  model::gg_NearestConnection(logic, x, y, hit);
  if (hit.gate && hit.sourceGate && !((logic->Flags & 0x200) && doc->RunView)) {
    disp::DrawView& v = disp::currentView();
    v.scrollX = sx;
    v.scrollY = sy;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned i = 0; i < g->InputCount; ++i) {
        const model::InputPin& in = g->Inputs[i];
        if (in.Source != hit.sourceGate || in.SourcePin != hit.sourcePin || !in.Wire) continue;
        disp::gdi_SetLineColor(highlight ? 2 : disp::gs_PinColor(in.Type));
        bool atStart = in.Type == 20 || in.Type == 28;
        disp::gd_DrawWire(1, in.Wire, atStart, !atStart, in.BranchOf != nullptr);
      }
  }
  disp::gdi_SetLineColor(1);
  return 0;
}
int ws_HighlightPinWires(WorksheetWindowData* window, EngineEvent* event) { return drawPinWires(window, event, true); }
int ws_RestorePinWires(WorksheetWindowData* window, EngineEvent* event) { return drawPinWires(window, event, false); }

int toolState(std::uint32_t state) {
  setEditorState(state);
  return 0;
}
int hToolDelete(WorksheetWindowData*, EngineEvent*) { return toolState(2); }
int hToolTrend(WorksheetWindowData*, EngineEvent*) { return toolState(3); }
int hToolInputCount(WorksheetWindowData*, EngineEvent*) { return toolState(12); }
} // namespace

void ws_RegisterCoreHandlers() {
  using H = HandlerId;
  ui_RegisterHandler(H::ui_HoverCursor, ui_HoverCursor);
  ui_RegisterHandler(H::ws_HighlightPinWires, ws_HighlightPinWires);
  ui_RegisterHandler(H::ws_RestorePinWires, ws_RestorePinWires);
  ui_RegisterHandler(H::ui_HoverPinCursor, ui_HoverPinCursor);
  ui_RegisterHandler(H::ui_InsertSpaceX, hInsertX);
  ui_RegisterHandler(H::ui_CloseSpaceX, hCloseX);
  ui_RegisterHandler(H::ui_InsertSpaceY, hInsertY);
  ui_RegisterHandler(H::ui_CloseSpaceY, hCloseY);
  ui_RegisterHandler(H::ws_SelectAll, ws_SelectAll);
  ui_RegisterHandler(H::ui_ClearGateMarks, ui_ClearGateMarks);
  ui_RegisterHandler(H::ui_ClearAllGateMarks, ui_ClearAllGateMarks);
  ui_RegisterHandler(H::ui_SelectMode3Table, ui_SelectMode3Table);
  ui_RegisterHandler(H::ui_SelectMode6Table, ui_SelectMode6Table);
  ui_RegisterHandler(H::ui_ToolDelete, hToolDelete);
  ui_RegisterHandler(H::ui_ToolTrend, hToolTrend);
  ui_RegisterHandler(H::ui_ToolInputCount, hToolInputCount);
  ui_RegisterHandler(H::ui_Paint, ui_Paint);
  ui_RegisterHandler(H::ws_ExecuteCommand, ws_ExecuteCommand);
  wiring_RegisterHandlers();
  gestures_RegisterHandlers();
  titles_RegisterHandlers();
  views_RegisterHandlers();
  selection_RegisterHandlers();
  runWindow_RegisterHandlers();
  faceView_RegisterHandlers();
}

} // namespace editor
