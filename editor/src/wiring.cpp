// Interactive wiring. The wire being drawn shows through the drawing layer in
// exclusive-or mode on the window's persistent image; once it is ended the
// write mode goes back to 1 and the sheet is redrawn, so that no XOR residue
// stays behind.
#include "editor/wiring.h"

#include "editor/context.h"
#include "editor/tables.h"
#include "editor/ws.h"
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "model/connections.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "model/services.h"
#include "model/wires.h"

#include <cstdlib>

namespace editor {

using model::GateRecord;
using model::WirePoint;

namespace {

WiringState gWiring;

bool outputFeedsAny(const model::LogicRecord* logic, const GateRecord* g, unsigned n) {
  for (GateRecord* o = logic->FirstGate; o; o = o->Next)
    for (unsigned i = 0; i < o->InputCount; ++i)
      if (o->Inputs[i].Source == g && o->Inputs[i].SourcePin == n) return true;
  return false;
}

bool appendPoint(WirePoint*& list, int x, int y) {
  WirePoint* p = nullptr;
  if (!model::mm_New(p)) return false;
  p->X = model::clamp16(x);
  p->Y = model::clamp16(y);
  WirePoint** at = &list;
  while (*at) at = &(*at)->Next;
  *at = p;
  ws_DirtyAddPoint(x, y);
  return true;
}

void drawXor() {
  if (!disp::gdi_CurrentDevice() || !gWiring.points) return;
  disp::gdi_SetLineColor(gWiring.color);
  disp::gd_DrawWire(3, gWiring.points, false, false, false);
}

// A message of the wiring, shown only when the point moved since the last step.
void refuse(int number, int x, int y, bool always) {
  bool moved = x != gWiring.stepX || y != gWiring.stepY;
  if (moved || always) model::shell().bind_SW50_CallMBWithID(number, 0);
}

bool pinPos(GateRecord* g, unsigned pin, bool input, int& x, int& y, int& side) {
  std::int16_t px, py;
  std::uint16_t s;
  bool ok = input ? model::gg_InputPinPos(g, pin, px, py, s) : model::gg_OutputPinPos(g, pin, px, py, s);
  x = g->X + px;
  y = g->Y + py;
  side = s;
  return ok;
}

void sideStep(int side, int distance, int& dx, int& dy) {
  dx = dy = 0;
  switch (side) {
  case model::kSideRight: dx = distance; break;
  case model::kSideLeft: dx = -distance; break;
  case model::kSideBottom: dy = distance; break;
  default: dy = -distance; break;
  }
}

// The corner list from the source output to the input, axis-parallel, leaving
// and entering each pin along its side.
WirePoint* shapeWire(int sx, int sy, int sSide, int ex, int ey, int eSide) {
  int dx, dy;
  sideStep(sSide, 10, dx, dy);
  int ax = sx + dx, ay = sy + dy;
  sideStep(eSide, 10, dx, dy);
  int bx = ex + dx, by = ey + dy;
  WirePoint* list = nullptr;
  appendPoint(list, sx, sy);
  appendPoint(list, ax, ay);
  switch (ws_CornerShape(sSide, eSide)) {
  case CornerShape::HVH: {
    int mid = model::gg_Snap((ax + bx) / 2);
    appendPoint(list, mid, ay);
    appendPoint(list, mid, by);
    break;
  }
  case CornerShape::VHV: {
    int mid = model::gg_Snap((ay + by) / 2);
    appendPoint(list, ax, mid);
    appendPoint(list, bx, mid);
    break;
  }
  case CornerShape::HV: appendPoint(list, bx, ay); break;
  case CornerShape::VH: appendPoint(list, ax, by); break;
  }
  appendPoint(list, bx, by);
  appendPoint(list, ex, ey);
  model::ge_CleanUpWire(list);
  return list;
}

} // namespace

WiringState& wiring() { return gWiring; }

void wiring_Reset() {
  if (!gWiring.connected) model::ge_FreeWirePoints(gWiring.points);
  gWiring = WiringState{};
}

bool ws_MakeAxisParallel(int lastX, int lastY, int& x, int& y, bool adjust) {
  int dx = std::abs(x - lastX), dy = std::abs(y - lastY);
  if (dx == 0 || dy == 0 || dx == dy) return true;
  if (!adjust) return false;
  if (dx < dy && dx < 15) {
    x = lastX;
    return true;
  }
  if (dy < dx && dy < 15) {
    y = lastY;
    return true;
  }
  return false;
}

CornerShape ws_CornerShape(int startSide, int endSide) {
  // Rows: start side 1..4; columns: end side 1..4.
  static constexpr CornerShape kShapes[4][4] = {
      {CornerShape::HVH, CornerShape::HVH, CornerShape::HV, CornerShape::HV},
      {CornerShape::HVH, CornerShape::HVH, CornerShape::HV, CornerShape::HV},
      {CornerShape::VH, CornerShape::VH, CornerShape::VHV, CornerShape::VHV},
      {CornerShape::VH, CornerShape::VH, CornerShape::VHV, CornerShape::VHV},
  };
  if (startSide < 1 || startSide > 4 || endSide < 1 || endSide > 4) return CornerShape::HVH;
  return kShapes[startSide - 1][endSide - 1];
}

bool ws_BeginWireAtPin(int x, int y) {
  model::LogicRecord* logic = currentLevelLogic();
  if (!logic) return false;
  wiring_Reset();
  std::int16_t px = model::clamp16(x), py = model::clamp16(y);
  GateRecord* gate = nullptr;
  GateRecord* wireGate = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  if (!model::gg_HitTestPin(logic, px, py, gate, pin, isInput, wireGate) || !gate || pin == 0) return false;
  if (isInput) {
    if (pin > gate->InputCount || gate->Inputs[pin - 1].Source) return false;
    gWiring.targetGate = gate;
    gWiring.targetPin = pin;
  } else {
    if (pin > gate->OutputCount) return false;
    gWiring.branchOf = wireGate;
    if (!wireGate && outputFeedsAny(logic, gate, pin)) return false;
  }
  gWiring.startGate = gate;
  gWiring.startPin = pin;
  gWiring.startIsInput = isInput;
  gWiring.color = 1;
  gWiring.lastX = px;
  gWiring.lastY = py;
  gWiring.connected = false;
  appendPoint(gWiring.points, px, py);
  if (disp::gdi_CurrentDevice()) disp::gdi_SetWriteMode(3);
  return true;
}

void ws_MouseHitAndDrag(int x, int y) {
  model::LogicRecord* logic = currentLevelLogic();
  if (!logic || !gWiring.startGate) return;
  if (gWiring.endMode == 1) {
    // The rule sees the point as pressed; the accepted point is then snapped.
    int nx = x, ny = y;
    if (ws_MakeAxisParallel(gWiring.lastX, gWiring.lastY, nx, ny, true)) {
      std::int16_t sx = model::clamp16(nx), sy = model::clamp16(ny);
      model::gg_SnapToGrid(sx, sy);
      if (nx == gWiring.lastX) sx = gWiring.lastX;
      if (ny == gWiring.lastY) sy = gWiring.lastY;
      GateRecord* under = nullptr;
      int ordinal = 0;
      std::int16_t cx = sx, cy = sy;
      model::ConnectionHit hit;
      bool onGate = model::gg_GateAtPoint(logic, sx, sy, under, ordinal) && under;
      if (!onGate && model::gg_NearestConnection(logic, cx, cy, hit) > 0) {
        drawXor();
        appendPoint(gWiring.points, sx, sy);
        gWiring.lastX = sx;
        gWiring.lastY = sy;
        drawXor();
      }
    }
    gWiring.stepX = model::clamp16(x);
    gWiring.stepY = model::clamp16(y);
    return;
  }
  // The end at a pin of the other direction.
  std::int16_t px = model::clamp16(x), py = model::clamp16(y);
  GateRecord* gate = nullptr;
  GateRecord* wireGate = nullptr;
  unsigned pin = 0;
  bool isInput = false;
  bool hit = model::gg_HitTestPin(logic, px, py, gate, pin, isInput, wireGate) && gate && pin;
  auto done = [&] {
    gWiring.stepX = model::clamp16(x);
    gWiring.stepY = model::clamp16(y);
  };
  if (!hit || isInput == gWiring.startIsInput) {
    refuse(50051, x, y, false);
    return done();
  }
  if (isInput && (pin > gate->InputCount || gate->Inputs[pin - 1].Source)) {
    refuse(50053, x, y, false);
    return done();
  }
  GateRecord* source = isInput ? gWiring.startGate : gate;
  unsigned sourcePin = isInput ? gWiring.startPin : pin;
  GateRecord* dest = isInput ? gate : gWiring.startGate;
  unsigned destPin = isInput ? pin : gWiring.startPin;
  GateRecord* branch = isInput ? gWiring.branchOf : wireGate;
  if (!branch && outputFeedsAny(logic, source, sourcePin)) {
    refuse(50051, x, y, true);
    return done();
  }
  // The new wire from the source output to the input, shaped in the loop.
  int sx, sy, sSide, ex, ey, eSide;
  pinPos(source, sourcePin, false, sx, sy, sSide);
  pinPos(dest, destPin, true, ex, ey, eSide);
  model::ge_FreeWirePoints(gWiring.points);
  appendPoint(gWiring.points, sx, sy);
  appendPoint(gWiring.points, ex, ey);
  WirePoint* wire = gWiring.points;
  if (model::ge_ConnectGates(logic, dest, destPin, source, sourcePin, branch, wire)) {
    gWiring.connected = true;
    gWiring.targetGate = dest;
    gWiring.targetPin = destPin;
    gWiring.startGate = source;
    gWiring.startPin = sourcePin;
    gWiring.branchOf = branch;
    gWiring.points = dest->Inputs[destPin - 1].Wire;
  } else {
    refuse(50052, x, y, false);
  }
  done();
}

void ws_WiringLoop(int x, int y) {
  (void)x;
  (void)y;
  if (!gWiring.connected) {
    // Nothing to draw: the list goes, normal drawing comes back, the sheet is redrawn.
    model::ge_FreeWirePoints(gWiring.points);
    if (disp::gdi_CurrentDevice()) disp::gdi_SetWriteMode(1);
    host().requestRedraw();
    return;
  }
  GateRecord* dest = gWiring.targetGate;
  model::InputPin& in = dest->Inputs[gWiring.targetPin - 1];
  model::RouteOptions route = model::shell().blk_GetRouteOptions();
  bool routed = false;
  if (route.onoff && ctx().routeHook) {
    for (WirePoint* p = in.Wire; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
    host().setCursor(5);
    ctx().routeHook(in.Wire, 1, 1);
    host().setCursor(2);
    for (WirePoint* p = in.Wire; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
    routed = true;
  } else if (!in.BranchOf) {
    int sx, sy, sSide, ex, ey, eSide;
    pinPos(gWiring.startGate, gWiring.startPin, false, sx, sy, sSide);
    pinPos(dest, gWiring.targetPin, true, ex, ey, eSide);
    WirePoint* shaped = shapeWire(sx, sy, sSide, ex, ey, eSide);
    if (shaped) {
      model::ge_FreeWirePoints(in.Wire);
      in.Wire = shaped;
    }
  }
  if (!routed && !in.BranchOf && in.Wire) {
    int sSide = 1, sx, sy;
    pinPos(gWiring.startGate, gWiring.startPin, false, sx, sy, sSide);
    WirePoint* first = in.Wire;
    WirePoint* second = first->Next;
    int dx, dy;
    sideStep(sSide, 5, dx, dy);
    bool alongX = sSide == model::kSideRight || sSide == model::kSideLeft;
    if (second && second->Next && (alongX ? second->X == first->X : second->Y == first->Y)) {
      second->X = model::clamp16(second->X + dx);
      second->Y = model::clamp16(second->Y + dy);
    }
    first->X = model::clamp16(first->X + dx);
    first->Y = model::clamp16(first->Y + dy);
  }
  if (disp::gdi_CurrentDevice()) {
    disp::gdi_SetWriteMode(1);
    disp::gd_DrawInputWires(dest, 1);
  }
  gWiring.points = nullptr;
  host().requestRedraw();
}

int ui_StartWiring(WorksheetWindowData* window, EngineEvent* event) {
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  std::int16_t x = model::clamp16(event->x + sx), y = model::clamp16(event->y + sy);
  model::gg_SnapToGrid(x, y);
  gWiring.phase = 2;
  gWiring.endMode = 1;
  if (!ws_BeginWireAtPin(x, y)) {
    wiring_Reset();
    return 9;
  }
  gWiring.stepX = model::clamp16(event->x + sx);
  gWiring.stepY = model::clamp16(event->y + sy);
  setEditorState(5);
  host().setCursor(1);
  return 0;
}

int ui_WiringPress(WorksheetWindowData* window, EngineEvent* event) {
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  gWiring.phase = 2;
  gWiring.endMode = 1;
  ws_MouseHitAndDrag(event->x + sx, event->y + sy);
  return 0;
}

int ws_OnButtonDown(WorksheetWindowData* window, EngineEvent* event) {
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  int x = event->x + sx, y = event->y + sy;
  gWiring.phase = 2;
  gWiring.endMode = 2;
  ws_MouseHitAndDrag(x, y);
  ws_WiringLoop(x, y);
  // The point of this step stays known, so that a repeated click is silent.
  std::int16_t stepX = gWiring.stepX, stepY = gWiring.stepY;
  wiring_Reset();
  gWiring.stepX = stepX;
  gWiring.stepY = stepY;
  setEditorState(0);
  host().setCursor(31);
  if (model::CurrentDocument) model::CurrentDocument->PendingGate = nullptr;
  return 0;
}

void wiring_RegisterHandlers() {
  ui_RegisterHandler(HandlerId::ui_StartWiring, ui_StartWiring);
  ui_RegisterHandler(HandlerId::ui_WiringPress, ui_WiringPress);
  ui_RegisterHandler(HandlerId::ws_OnButtonDown, ws_OnButtonDown);
}

} // namespace editor
