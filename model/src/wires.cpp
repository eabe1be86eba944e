#include "model/wires.h"

#include "internal.h"
#include "model/geometry.h"
#include "model/services.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace model {
using namespace detail;

namespace {

void dirty(int x, int y, int margin) {
  editor().ws_DirtyAddPoint(x - margin, y - margin);
  editor().ws_DirtyAddPoint(x + margin, y + margin);
}

WirePoint* newPoint(int x, int y) {
  WirePoint* p = nullptr;
  if (!mm_New(p)) return nullptr;
  p->X = clamp16(x);
  p->Y = clamp16(y);
  return p;
}

WirePoint* lastPoint(WirePoint* w, WirePoint** beforeLast = nullptr) {
  WirePoint* prev = nullptr;
  while (w && w->Next) {
    prev = w;
    w = w->Next;
  }
  if (beforeLast) *beforeLast = prev;
  return w;
}

bool sameStraightness(int x, int y, const WirePoint* end, const WirePoint* nb) {
  if (x == nb->X && end->X == nb->X) return true;
  if (y == nb->Y && end->Y == nb->Y) return true;
  return x - nb->X == y - nb->Y && end->X - nb->X == end->Y - nb->Y;
}

// The wire of the input of gate fed by source's output sourcePin, or null.
InputPin* inputFedBy(GateRecord* gate, const GateRecord* source, unsigned sourcePin) {
  for (unsigned i = 0; gate && gate->Inputs && i < gate->InputCount; ++i)
    if (gate->Inputs[i].Source == source && gate->Inputs[i].SourcePin == sourcePin) return &gate->Inputs[i];
  return nullptr;
}

bool strictlyBetween(const WirePoint* a, const WirePoint* b, int x, int y) {
  if (a->X == b->X && x == a->X) {
    const int lo = std::min(a->Y, b->Y), hi = std::max(a->Y, b->Y);
    return y > lo && y < hi;
  }
  if (a->Y == b->Y && y == a->Y) {
    const int lo = std::min(a->X, b->X), hi = std::max(a->X, b->X);
    return x > lo && x < hi;
  }
  return false;
}

} // namespace

unsigned wirePointCount(const WirePoint* w) {
  unsigned n = 0;
  for (; w; w = w->Next) ++n;
  return n;
}

bool wireIsStraight(const WirePoint* w) {
  for (; w && w->Next; w = w->Next) {
    const int dx = w->Next->X - w->X, dy = w->Next->Y - w->Y;
    if (dx != 0 && dy != 0 && std::abs(dx) != std::abs(dy)) return false;
  }
  return true;
}

bool ge_MoveWireEnd(int x, int y, WirePoint*& wire, bool atStart) {
  dirty(x, y, 5);
  if (!wire) {
    wire = newPoint(x, y);
    return wire != nullptr;
  }
  WirePoint* end;
  WirePoint* nb;
  if (atStart) {
    end = wire;
    nb = wire->Next;
  } else {
    end = lastPoint(wire, &nb);
  }
  if (nb && sameStraightness(x, y, end, nb)) {
    dirty(end->X, end->Y, 5);
    end->X = clamp16(x);
    end->Y = clamp16(y);
    return true;
  }
  WirePoint* p = newPoint(x, y);
  if (!p) return false;
  if (atStart) {
    p->Next = wire;
    wire = p;
  } else {
    end->Next = p;
  }
  return true;
}

void ge_FreeWire(WirePoint*& wire, bool atStart) {
  if (!wire) return;
  if (atStart || !wire->Next) {
    WirePoint* p = wire;
    wire = wire->Next;
    dirty(p->X, p->Y, 5);
    mm_Delete(p);
    return;
  }
  WirePoint* before = nullptr;
  WirePoint* last = lastPoint(wire, &before);
  before->Next = nullptr;
  dirty(last->X, last->Y, 5);
  mm_Delete(last);
}

void ge_FreeWirePoints(WirePoint*& wire) {
  WirePoint* p = wire;
  wire = nullptr;
  while (p) {
    WirePoint* next = p->Next;
    dirty(p->X, p->Y, 0);
    mm_Delete(p);
    p = next;
  }
}

bool ge_PlaceWireEndAtPin(GateRecord* gate, unsigned pin) {
  if (!gate || !gate->Inputs || pin < 1 || pin > gate->InputCount) return false;
  InputPin& in = gate->Inputs[pin - 1];
  if (!in.Wire) return true;
  std::int16_t px, py;
  std::uint16_t side;
  gg_InputPinPos(gate, pin, px, py, side);
  int x = px, y = py;
  if (in.Flags & kPinNegated) {
    switch (side) {
    case kSideRight: x += 5; break;
    case kSideLeft: x -= 5; break;
    case kSideBottom: y += 5; break;
    case kSideTop: y -= 5; break;
    default: break;
    }
  }
  WirePoint* last = lastPoint(in.Wire);
  dirty(last->X, last->Y, 5);
  last->X = clamp16(gate->X + x);
  last->Y = clamp16(gate->Y + y);
  dirty(last->X, last->Y, 5);
  return true;
}

void ge_CleanUpWire(WirePoint*& wire) {
  if (!wire) return;
  for (WirePoint* p = wire->Next; p; p = p->Next) dirty(p->X, p->Y, 5);
  WirePoint* p = wire;
  while (p && p->Next && p->Next->Next) {
    WirePoint* q = p->Next;
    WirePoint* r = q->Next;
    const bool repeated = q->X == p->X && q->Y == p->Y;
    const bool straight = (p->X == q->X && q->X == r->X) || (p->Y == q->Y && q->Y == r->Y);
    if (repeated || straight) {
      p->Next = r;
      mm_Delete(q);
      if (repeated && !r->Next) break;
      continue;
    }
    p = q;
  }
  if (wire->Next && wire->X == wire->Next->X && wire->Y == wire->Next->Y) {
    WirePoint* second = wire->Next;
    wire->Next = second->Next;
    mm_Delete(second);
  }
}

bool ge_WireHandOver(GateRecord* gateA, unsigned pinA, GateRecord* gateB, unsigned pinB) {
  if (!gateA || !gateB || pinA < 1 || pinA > gateA->InputCount || pinB < 1 || pinB > gateB->InputCount)
    return true;
  InputPin& a = gateA->Inputs[pinA - 1];
  InputPin& b = gateB->Inputs[pinB - 1];
  if (!b.Wire || !a.Wire) return true;
  const int jx = b.Wire->X, jy = b.Wire->Y;
  WirePoint* seg = nullptr;
  for (WirePoint* p = a.Wire; p && p->Next; p = p->Next) {
    std::int16_t x = std::int16_t(jx), y = std::int16_t(jy);
    if (gg_PointOnSegment(p, p->Next, x, y) == 0) {
      seg = p;
      break;
    }
  }
  if (!seg) return true;
  WirePoint* j = newPoint(jx, jy);
  if (!j) return false;
  j->Next = seg->Next;
  seg->Next = b.Wire;
  b.Wire = a.Wire;
  a.Wire = j;
  b.BranchOf = a.BranchOf;
  a.BranchOf = gateB;
  ge_CleanUpWire(b.Wire);
  return true;
}

bool ge_RerouteWires(int x, int y, GateRecord* sourceGate, GateRecord* parentGate, GateRecord* ownerGate,
                     WirePoint* segment, WirePoint*& wire, LogicRecord* logic) {
  if (!segment || !segment->Next || !wire) return true;
  WirePoint* a = segment;
  WirePoint* b = segment->Next;
  const bool vertical = a->X == b->X, horizontal = !vertical && a->Y == b->Y;
  if (!vertical && !horizontal) return true;   // a diagonal does not move
  if ((vertical && a->X == x) || (horizontal && a->Y == y)) return true;
  // Keep both ends: a copy of the start behind it, a copy of the pin end.
  WirePoint* startCopy = nullptr;
  WirePoint* endCopy = nullptr;
  if (a == wire && !(startCopy = newPoint(a->X, a->Y))) return false;
  if (!b->Next && !(endCopy = newPoint(b->X, b->Y))) {
    if (startCopy) mm_Delete(startCopy);
    return false;
  }
  // Branches of the same source that start on the dragged segment (or at one of
  // its ends) keep their junction on it: their old junction stays as a corner.
  std::vector<InputPin*> branches;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
      InputPin& in = g->Inputs[i];
      if (in.Source != sourceGate || in.BranchOf != ownerGate || !in.Wire || &in.Wire == &wire) continue;
      const int jx = in.Wire->X, jy = in.Wire->Y;
      const bool atEnd = (jx == a->X && jy == a->Y) || (jx == b->X && jy == b->Y);
      if (atEnd || strictlyBetween(a, b, jx, jy)) branches.push_back(&in);
    }
  }
  std::vector<WirePoint*> corners;
  for (std::size_t i = 0; i < branches.size(); ++i) {
    WirePoint* c = newPoint(branches[i]->Wire->X, branches[i]->Wire->Y);
    if (!c) {
      for (WirePoint* q : corners) mm_Delete(q);
      if (startCopy) mm_Delete(startCopy);
      if (endCopy) mm_Delete(endCopy);
      return false;
    }
    corners.push_back(c);
  }
  if (startCopy) {
    startCopy->Next = a->Next;
    a->Next = startCopy;
    a = startCopy;
  }
  if (endCopy) b->Next = endCopy;
  for (std::size_t i = 0; i < branches.size(); ++i) {
    WirePoint* j = branches[i]->Wire;
    corners[i]->Next = j->Next;
    j->Next = corners[i];
    dirty(j->X, j->Y, 5);
    if (vertical) j->X = clamp16(x);
    else j->Y = clamp16(y);
    ge_CleanUpWire(branches[i]->Wire);
  }
  dirty(a->X, a->Y, 5);
  dirty(b->X, b->Y, 5);
  if (vertical) a->X = b->X = clamp16(x);
  else a->Y = b->Y = clamp16(y);
  dirty(a->X, a->Y, 5);
  dirty(b->X, b->Y, 5);
  // A dragged first segment that now lies on the parent wire merges with it:
  // the junction moves along the parent and the inserted corner goes.
  if (startCopy && parentGate) {
    InputPin* parent = inputFedBy(parentGate, sourceGate, 0);
    for (unsigned i = 0; !parent && parentGate->Inputs && i < parentGate->InputCount; ++i)
      if (parentGate->Inputs[i].Source == sourceGate) parent = &parentGate->Inputs[i];
    if (parent) {
      WirePoint* j = wire;
      for (WirePoint* p = parent->Wire; p && p->Next && startCopy->Next; p = p->Next) {
        std::int16_t cx = startCopy->X, cy = startCopy->Y;
        std::int16_t bx = startCopy->Next->X, by = startCopy->Next->Y;
        if (gg_PointOnSegment(p, p->Next, cx, cy) == 0 && gg_PointOnSegment(p, p->Next, bx, by) == 0) {
          j->X = startCopy->X;
          j->Y = startCopy->Y;
          j->Next = startCopy->Next;
          mm_Delete(startCopy);
          break;
        }
      }
    }
  }
  ge_CleanUpWire(wire);
  return true;
}

} // namespace model
