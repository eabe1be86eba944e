// The connection auto-router (see router.h).
#include "editor/router.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "model/services.h"
#include "model/wires.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace editor {

using model::GateRecord;
using model::LogicRecord;
using model::WirePoint;

namespace {

constexpr int kCell = 5;
constexpr std::uint32_t kCodeMask = 0x1F, kH = 0x20, kV = 0x40;

std::size_t gCellLimit = kRouteMaxCells;
int gClearance = 2;

struct Search {
  int x0 = 0, y0 = 0, cols = 0, rows = 0;
  std::unique_ptr<std::uint32_t[]> obst, flood;
  int bestLength = 9999, bestCross = 9999, bestCode = 0;
  int foundC = -1, foundR = -1, startC = 0, startR = 0;
  int floodLimit = 7;

  bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < cols && r < rows; }
  std::size_t at(int c, int r) const { return std::size_t(c) * std::size_t(rows) + std::size_t(r); }
  int count(int c, int r) const { return int(flood[at(c, r)] & 0xF); }
  void setCount(int c, int r, int v) { flood[at(c, r)] = (flood[at(c, r)] & ~0xFu) | std::uint32_t(v & 0xF); }
  int dir(int c, int r) const { return int((flood[at(c, r)] >> 4) & 0xF); }
  void setDir(int c, int r, int d) { flood[at(c, r)] = (flood[at(c, r)] & ~0xF0u) | std::uint32_t((d & 0xF) << 4); }
  int code(int c, int r) const { return int(obst[at(c, r)] & kCodeMask); }
  void setCode(int c, int r, int v) { obst[at(c, r)] = (obst[at(c, r)] & ~kCodeMask) | std::uint32_t(v & 0x1F); }
  void mark(int c, int r, std::uint32_t bits) {
    c = std::clamp(c, 0, cols - 1);
    r = std::clamp(r, 0, rows - 1);
    obst[at(c, r)] |= bits;
  }
  int col(int x) const { return (x - x0) / kCell; }
  int row(int y) const { return (y - y0) / kCell; }
  bool startInside() const { return inside(startC, startR); }
};

Search* S = nullptr;

void step(int d, int& c, int& r) {
  switch (d) {
  case 1: --c; break;
  case 2: ++c; break;
  case 3: --r; break;
  case 4: ++r; break;
  default: break;
  }
}

void route_Flood(int d, int c, int r, int count, int limit) {
  if (d < 1 || d > 4) return;
  const int c0 = c, r0 = r;
  bool advanced = false;
  if (count <= limit) {
    while (S->inside(c, r)) {
      std::uint32_t o = S->obst[S->at(c, r)];
      if ((d <= 2 && (o & kH)) || (d >= 3 && (o & kV))) break;
      if (S->count(c, r) <= count) break;
      S->setCount(c, r, count);
      advanced = true;
      if (d <= 2) {
        route_Flood(3, c, r - 1, count + 1, limit);
        route_Flood(4, c, r + 1, count + 1, limit);
      } else {
        route_Flood(1, c - 1, r, count + 1, limit);
        route_Flood(2, c + 1, r, count + 1, limit);
      }
      step(d, c, r);
    }
  }
  // A run that could not leave its first cell leaves it countable with 8
  // runs; a count already lower is kept, so that the pruning stays sound.
  if (!advanced && S->inside(c0, r0) && S->count(c0, r0) > 8) S->setCount(c0, r0, 8);
}

bool route_CellPassable(int d, int c, int r, int bends, int bound, int length, int& crossings) {
  if (!S->inside(c, r) || !S->startInside() || bends > bound || bends >= 9) return false;
  if (int code = S->code(c, r)) {
    if (bends < bound) return true;
    if (code != S->bestCode) return code > S->bestCode;
    if (crossings != S->bestCross) return crossings < S->bestCross;
    return length <= S->bestLength;
  }
  if (bends > S->count(c, r)) return false;
  std::uint32_t o = S->obst[S->at(c, r)];
  if (d <= 2) {
    if (o & kH) return false;
    if (o & kV) ++crossings;
  } else {
    if (o & kV) return false;
    if (o & kH) ++crossings;
  }
  return true;
}

bool route_Turn(int d, int c, int r, int bends, int& bound, int length, int crossings);

// Marks the cells of a run from (c, r) back to, not including, its first cell.
void markBack(int d, int c, int r, int c0, int r0) {
  int back = d == 1 ? 2 : d == 2 ? 1 : d == 3 ? 4 : 3;
  while (!(c == c0 && r == r0) && S->inside(c, r)) {
    S->setDir(c, r, d);
    step(back, c, r);
  }
}

bool route_Run(int d, int c, int r, int bends, int& bound, int length, int crossings) {
  if (!S->inside(c, r) || !S->startInside() || d < 1 || d > 4) return false;
  if (!route_CellPassable(d, c, r, bends, bound, length, crossings)) return false;
  const int c0 = c, r0 = r;
  bool found = false;
  for (;;) {
    ++length;
    if (int code = S->code(c, r)) {
      S->foundC = c;
      S->foundR = r;
      bound = bends;
      S->bestCross = crossings;
      S->bestLength = length;
      S->bestCode = code;
      markBack(d, c, r, c0, r0);
      found = true;
    }
    if (route_Turn(d, c, r, bends, bound, length, crossings)) {
      markBack(d, c, r, c0, r0);
      found = true;
    }
    int nc = c, nr = r;
    step(d, nc, nr);
    if (!route_CellPassable(d, nc, nr, bends, bound, length, crossings)) break;
    c = nc;
    r = nr;
  }
  return found;
}

bool route_Turn(int d, int c, int r, int bends, int& bound, int length, int crossings) {
  if (!S->inside(c, r) || !S->startInside()) return false;
  bool found = false;
  const int first = d <= 2 ? 3 : 1, second = d <= 2 ? 4 : 2;
  for (int nd : {first, second}) {
    int nc = c, nr = r;
    step(nd, nc, nr);
    if (route_Run(nd, nc, nr, bends + 1, bound, length + 1, crossings)) {
      S->setDir(nc, nr, nd);
      found = true;
    }
  }
  return found;
}

void route_BlockGateBorder(const GateRecord* g, int& c0, int& c1, int& r0, int& r1) {
  std::int16_t x, y, w, h;
  model::gg_GateRect(g, x, y, w, h, false);
  c0 = std::clamp(S->col(x), 0, S->cols - 1);
  c1 = std::clamp(S->col(x + w), 0, S->cols - 1);
  r0 = std::clamp(S->row(y), 0, S->rows - 1);
  r1 = std::clamp(S->row(y + h), 0, S->rows - 1);
  for (int c = c0; c <= c1; ++c) {
    S->mark(c, r0, kH | kV);
    S->mark(c, r1, kH | kV);
  }
  for (int r = r0; r <= r1; ++r) {
    S->mark(c0, r, kH | kV);
    S->mark(c1, r, kH | kV);
  }
}

void route_BlockRect(int c0, int c1, int r0, int r1, int k) {
  for (int c = c0; c <= c1; ++c) {
    S->mark(c, r0 - k, kV);
    S->mark(c, r1 + k, kV);
  }
  for (int r = r0; r <= r1; ++r) {
    S->mark(c0 - k, r, kH);
    S->mark(c1 + k, r, kH);
  }
}

void route_BlockPinStub(GateRecord* g, unsigned pin) {
  std::int16_t px, py;
  std::uint16_t side;
  if (!model::gg_InputPinPos(g, pin, px, py, side)) return;
  int c = S->col(g->X + px), r = S->row(g->Y + py);
  int cells = side == model::kSideRight || side == model::kSideLeft ? 3 : 2;
  int d = side == model::kSideRight ? 2 : side == model::kSideLeft ? 1 : side == model::kSideBottom ? 4 : 3;
  for (int i = 0; i < cells; ++i) {
    S->mark(c, r, kH | kV);
    step(d, c, r);
  }
}

void route_MarkWireSegment(const WirePoint* a, const WirePoint* b) {
  int ca = S->col(a->X), ra = S->row(a->Y), cb = S->col(b->X), rb = S->row(b->Y);
  if (ra == rb)
    for (int c = std::min(ca, cb); c <= std::max(ca, cb); ++c) S->mark(c, ra, kH);
  else if (ca == cb)
    for (int r = std::min(ra, rb); r <= std::max(ra, rb); ++r) S->mark(ca, r, kV);
}

void codeCell(int c, int r, int code) {
  if (S->inside(c, r)) S->setCode(c, r, code);
}

void route_MarkNetSegment(const WirePoint* a, const WirePoint* b) {
  int ca = S->col(a->X), ra = S->row(a->Y), cb = S->col(b->X), rb = S->row(b->Y);
  if (ra != rb && ca != cb) return;
  bool alongX = ra == rb;
  int lo = alongX ? std::min(ca, cb) : std::min(ra, rb), hi = alongX ? std::max(ca, cb) : std::max(ra, rb);
  auto cell = [&](int v, int code) { alongX ? codeCell(v, ra, code) : codeCell(ca, v, code); };
  for (int v = lo; v <= hi; ++v) cell(v, 2);
  cell(lo + 1, 1);
  cell(hi - 1, 1);
  if (hi - lo + 1 > 2) {
    cell(lo + 2, 1);
    cell(hi - 2, 1);
  }
  cell(lo, 3);
  cell(hi, 3);
}

void route_ClearTarget(const WirePoint* p) {
  int c = S->col(p->X), r = S->row(p->Y);
  if (S->inside(c, r)) S->setCode(c, r, 0);
}

int sideDirection(int side) {
  switch (side) {
  case 1: return 2;
  case 2: return 1;
  case 3: return 4;
  case 4: return 3;
  default: return 0;
  }
}

void freeList(WirePoint* p) {
  while (p) {
    WirePoint* n = p->Next;
    model::mm_Delete(p);
    p = n;
  }
}

bool segmentCovers(const WirePoint* w, int x, int y) {
  for (; w && w->Next; w = w->Next) {
    const WirePoint* a = w;
    const WirePoint* b = w->Next;
    if (a->X == b->X && a->X == x && y >= std::min(a->Y, b->Y) && y <= std::max(a->Y, b->Y)) return true;
    if (a->Y == b->Y && a->Y == y && x >= std::min(a->X, b->X) && x <= std::max(a->X, b->X)) return true;
  }
  return false;
}

} // namespace

void route_SetCellLimit(std::size_t cells) { gCellLimit = cells ? cells : kRouteMaxCells; }
void route_SetClearance(int cells) { gClearance = cells; }
bool route_IsEnabled() {
  model::RouteOptions copy = model::shell().blk_GetRouteOptions();
  (void)copy;
  return false;
}

bool route_Search(WirePoint*& wire, int joinNet, int interactive) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic || !wire || !wire->Next) return false;
  model::RouteOptions opts = model::shell().blk_GetRouteOptions();
  const int node = std::clamp<int>(opts.node, 4, 9);
  unsigned count = model::wirePointCount(wire);
  if (!interactive && count == 2)
    for (WirePoint* p = wire; p; p = p->Next) model::gg_SnapToGrid(p->X, p->Y);

  // The connection this wire belongs to.
  GateRecord* dest = nullptr;
  unsigned destPin = 0;
  for (GateRecord* g = logic->FirstGate; g && !dest; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].Wire == wire) {
        dest = g;
        destPin = i + 1;
        break;
      }
  if (!dest || !dest->Inputs[destPin - 1].Source) return false;
  model::InputPin& in = dest->Inputs[destPin - 1];
  GateRecord* source = in.Source;
  unsigned sourcePin = in.SourcePin;
  GateRecord* branch = in.BranchOf;
  std::int16_t px, py;
  std::uint16_t goalSide = 0, startSide = 0;
  model::gg_InputPinPos(dest, destPin, px, py, goalSide);
  model::gg_OutputPinPos(source, sourcePin, px, py, startSide);
  auto sameNet = [&](const model::InputPin& p) {
    return &p != &in && p.Source == source && p.SourcePin == sourcePin && p.Wire;
  };

  // The window over both gates and this wire, 300 units more on every side.
  std::int16_t dx, dy, dw, dh, sx, sy, sw, sh;
  model::gg_GateRect(dest, dx, dy, dw, dh, false);
  model::gg_GateRect(source, sx, sy, sw, sh, false);
  int x0 = std::min(dest->X, source->X), y0 = std::min(dest->Y, source->Y);
  int x1 = std::max(dest->X + dw, source->X + sw), y1 = std::max(dest->Y + dh, source->Y + sh);
  for (WirePoint* p = wire; p; p = p->Next) {
    x0 = std::min<int>(x0, p->X);
    y0 = std::min<int>(y0, p->Y);
    x1 = std::max<int>(x1, p->X);
    y1 = std::max<int>(y1, p->Y);
  }
  x0 = std::max(0, x0 - 300);
  y0 = std::max(0, y0 - 300);
  if (branch) startSide = 6;
  if (joinNet == 1 && branch && count == 2) {
    int bx0 = std::min(dest->X, source->X), by0 = std::min(dest->Y, source->Y), bx1 = 0, by1 = 0;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
        if (sameNet(g->Inputs[i]))
          for (WirePoint* p = g->Inputs[i].Wire; p; p = p->Next) {
            bx0 = std::min<int>(bx0, p->X);
            by0 = std::min<int>(by0, p->Y);
            bx1 = std::max<int>(bx1, p->X);
            by1 = std::max<int>(by1, p->Y);
          }
    x0 = std::min(x0, std::max(0, bx0 - 300));
    y0 = std::min(y0, std::max(0, by0 - 300));
    x1 = std::max(x1, bx1 + 300);
    y1 = std::max(y1, by1 + 300);
  }
  x1 += 300;
  y1 += 300;

  Search search;
  search.x0 = x0;
  search.y0 = y0;
  search.cols = (x1 - x0) / kCell;
  search.rows = (y1 - y0) / kCell;
  const std::size_t cells = std::size_t(search.cols) * std::size_t(search.rows);
  const std::size_t room = std::size_t(search.cols + 2) * std::size_t(search.rows + 2);
  if (search.cols <= 0 || search.rows <= 0 || room > gCellLimit) return false;
  search.obst.reset(new (std::nothrow) std::uint32_t[room]);
  search.flood.reset(new (std::nothrow) std::uint32_t[room]);
  if (!search.obst || !search.flood) return false;
  search.floodLimit = cells < 22501 ? node + 1 : node - 1;
  S = &search;
  struct Reset { ~Reset() { S = nullptr; } } reset;

  // Which segment is routed.
  WirePoint* start = wire;
  WirePoint* goal = wire->Next;
  bool lastSegment = false, routing = true;
  if (count > 2) {
    WirePoint* second = wire->Next;
    bool firstStraight = wire->X == second->X || wire->Y == second->Y;
    if (firstStraight) {
      WirePoint* beforeLast = wire;
      while (beforeLast->Next->Next) beforeLast = beforeLast->Next;
      start = beforeLast;
      goal = beforeLast->Next;
      lastSegment = true;
      startSide = goal->X > start->X ? 1 : goal->X < start->X ? 2 : goal->Y > start->Y ? 3 : goal->Y < start->Y ? 4 : 2;
      if (start->X == goal->X || start->Y == goal->Y) routing = false;
    } else {
      WirePoint* third = second->Next;
      goalSide = third->X < second->X ? 1 : third->X > second->X ? 2 : third->Y < second->Y ? 3 : third->Y > second->Y ? 4 : 2;
    }
  }

  std::fill_n(search.obst.get(), room, 0u);
  std::fill_n(search.flood.get(), room, 0x09090909u);

  // Obstacles.
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (opts.crosstext == 1 && g->Kind == model::kKindText) continue;
    int c0, c1, r0, r1;
    route_BlockGateBorder(g, c0, c1, r0, r1);
    if (g != dest && g != source) route_BlockRect(c0, c1, r0, r1, gClearance);
    for (unsigned i = 1; g->Inputs && i <= g->InputCount; ++i) {
      if (!(g == dest && i == destPin)) route_BlockPinStub(g, i);
      for (WirePoint* p = g->Inputs[i - 1].Wire; p && p->Next; p = p->Next)
        if (p != wire) route_MarkWireSegment(p, p->Next);
    }
  }

  search.startC = std::max(0, search.col(start->X));
  search.startR = std::max(0, search.row(start->Y));
  int goalC = std::max(0, search.col(goal->X)), goalR = std::max(0, search.row(goal->Y));
  bool branchJoin = joinNet == 1 && branch && count == 2;
  bool ok = true;
  if (routing) {
    if (search.inside(goalC, goalR)) search.mark(goalC, goalR, kH | kV);
    switch (goalSide) {
    case 1:
      if (goalC < search.cols - 1) {
        search.mark(goalC + 1, goalR, kV);
        if (goalC + 1 < search.cols - 1) {
          goalC += 2;
          search.mark(goalC, goalR, kV);
          route_Flood(2, goalC, goalR, 1, search.floodLimit);
        }
      }
      break;
    case 2:
      if (goalC > 0) {
        search.mark(goalC - 1, goalR, kV);
        if (goalC - 1 > 0) {
          goalC -= 2;
          search.mark(goalC, goalR, kV);
          route_Flood(1, goalC, goalR, 1, 5);
          if (!search.startInside() || search.count(search.startC, search.startR) > 2)
            route_Flood(1, goalC, goalR, 1, search.floodLimit);
        }
      }
      break;
    case 3:
      if (goalR < search.rows - 1) {
        search.mark(goalC, goalR + 1, kH);
        if (goalR + 1 < search.rows - 1) {
          goalR += 2;
          search.mark(goalC, goalR, kH);
          route_Flood(4, goalC, goalR, 1, search.floodLimit);
        }
      }
      break;
    case 4:
      if (goalR > 0) {
        search.mark(goalC, goalR - 1, kH);
        if (goalR - 1 > 0) {
          goalR -= 2;
          search.mark(goalC, goalR, kH);
          route_Flood(3, goalC, goalR, 1, search.floodLimit);
        }
      }
      break;
    default: break;
    }
    // The start's count spreads along its side.
    if (search.startInside()) {
      const int sc = search.count(search.startC, search.startR);
      auto spread = [&](int d) {
        int c = search.startC, r = search.startR;
        for (;;) {
          step(d, c, r);
          if (!search.inside(c, r) || search.count(c, r) > sc) break;
          search.setCount(c, r, sc);
        }
      };
      if (startSide >= 1 && startSide <= 4) spread(sideDirection(startSide));
      else if (startSide == 5 && !branchJoin) spread(3), spread(4);
      else if (startSide == 6 && !branchJoin) spread(1), spread(2);
    }
    for (int c = 0; c < search.cols; ++c) {
      search.setCount(c, 0, 0);
      search.setCount(c, search.rows - 1, 0);
    }
    for (int r = 0; r < search.rows; ++r) {
      search.setCount(0, r, 0);
      search.setCount(search.cols - 1, r, 0);
    }
    // Targets.
    if (!branchJoin) {
      joinNet = 0;
      if (startSide >= 1 && startSide <= 4 && search.startInside()) {
        const bool alongX = startSide <= 2;
        const std::uint32_t blockRun = alongX ? kH : kV, noCode = alongX ? kV : kH;
        search.setCode(search.startC, search.startR, 0);
        int L = int(source->OutputCount) - int(sourcePin) + 4;
        if (L > 29) L = 30;
        if (!(search.obst[search.at(search.startC, search.startR)] & noCode)) search.setCode(search.startC, search.startR, 1);
        int c = search.startC, r = search.startR;
        for (int j = 1; j < L; ++j) {
          step(sideDirection(startSide), c, r);
          if (!search.inside(c, r) || (search.obst[search.at(c, r)] & blockRun)) break;
          if (!(search.obst[search.at(c, r)] & noCode)) search.setCode(c, r, startSide == 1 ? j + 1 : j);
        }
      } else if ((startSide == 5 || startSide == 6) && search.startInside()) {
        search.setCode(search.startC, search.startR, 3);
      }
    } else {
      for (GateRecord* g = logic->FirstGate; g; g = g->Next)
        for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
          const model::InputPin& p = g->Inputs[i];
          if (!sameNet(p)) continue;
          for (WirePoint* w = p.Wire; w && w->Next; w = w->Next) route_MarkNetSegment(w, w->Next);
          const WirePoint* last = p.Wire;
          while (last->Next) last = last->Next;
          route_ClearTarget(last);
          if (!p.BranchOf) route_ClearTarget(p.Wire);
        }
    }
    // Search from the goal.
    int bound = search.floodLimit;
    int d = sideDirection(goalSide);
    bool found = d && route_Run(d, goalC, goalR, 1, bound, 0, 0);
    if (found && search.inside(goalC, goalR) && search.dir(goalC, goalR) == 0) search.setDir(goalC, goalR, d);
    if (!found || search.foundC < 0) {
      if (branch) {
        std::int16_t ox, oy;
        std::uint16_t side;
        if (model::gg_OutputPinPos(source, sourcePin, ox, oy, side)) {
          wire->X = model::clamp16(source->X + ox);
          wire->Y = model::clamp16(source->Y + oy);
        }
      }
      return false;
    }
    // The path, from the found cell back to the goal.
    WirePoint* made = nullptr;
    WirePoint** tail = &made;
    int madeCount = 0;
    auto addPoint = [&](int c, int r) {
      if (madeCount >= 20) return false;
      WirePoint* p = nullptr;
      if (!model::mm_New(p)) return false;
      p->X = model::clamp16(search.x0 + kCell * c);
      p->Y = model::clamp16(search.y0 + kCell * r);
      p->Next = nullptr;
      *tail = p;
      tail = &p->Next;
      ++madeCount;
      return true;
    };
    int c = search.foundC, r = search.foundR;
    ok = addPoint(c, r);
    const int maxSteps = search.cols + search.rows + 4;
    for (int guard = 0; ok && !(c == goalC && r == goalR); ++guard) {
      int pd = search.dir(c, r);
      if (pd < 1 || pd > 4 || guard > 40) {
        c = goalC;
        r = goalR;
        break;
      }
      int back = pd == 1 ? 2 : pd == 2 ? 1 : pd == 3 ? 4 : 3;
      int steps = 0;
      do {
        step(back, c, r);
      } while (search.inside(c, r) && search.dir(c, r) == pd && !(c == goalC && r == goalR) && ++steps < maxSteps);
      if (!search.inside(c, r)) {
        ok = false;
        break;
      }
      if (!(c == goalC && r == goalR)) ok = addPoint(c, r);
    }
    if (!ok) {
      freeList(made);
      return false;
    }
    // Linked in: after the first point (or the last point but one).
    WirePoint* lastMade = made;
    while (lastMade->Next) lastMade = lastMade->Next;
    for (WirePoint* p = made; p; p = p->Next) ws_DirtyAddPoint(p->X, p->Y);
    lastMade->Next = start->Next;
    start->Next = made;
    if (joinNet == 1 && !(search.foundC == search.startC && search.foundR == search.startR) && !lastSegment) {
      WirePoint* old = wire;
      wire = old->Next;
      model::mm_Delete(old);
    }
    // Middle points of straight runs go.
    for (WirePoint* p = wire; p && p->Next && p->Next->Next;) {
      WirePoint* m = p->Next;
      WirePoint* n = m->Next;
      if ((p->X == m->X && m->X == n->X) || (p->Y == m->Y && m->Y == n->Y) || (m->X == n->X && m->Y == n->Y)) {
        p->Next = n;
        model::mm_Delete(m);
      } else {
        p = m;
      }
    }
    in.Wire = wire;
    if (branch) {
      GateRecord* newBranch = nullptr;
      for (GateRecord* g = logic->FirstGate; g; g = g->Next)
        for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
          if (sameNet(g->Inputs[i]) && segmentCovers(g->Inputs[i].Wire, wire->X, wire->Y)) newBranch = g;
      if (newBranch) in.BranchOf = newBranch;
    }
  }
  // Finish: a coloured wire from an output starts 5 units out of the pin.
  int colour = in.Type == 20 || in.Type == 28 ? 0 : in.Type;
  if (colour != 0 && colour != 24 && interactive == 1 && !in.BranchOf && wire->Next) {
    std::int16_t ox, oy;
    std::uint16_t side = 0;
    model::gg_OutputPinPos(source, sourcePin, ox, oy, side);
    WirePoint* first = wire;
    WirePoint* second = wire->Next;
    bool alongX = side == 1 || side == 2;
    bool shares = alongX ? second->X == first->X : second->Y == first->Y;
    int mx = side == 1 ? 5 : side == 2 ? -5 : 0, my = side == 3 ? 5 : side == 4 ? -5 : 0;
    first->X = model::clamp16(first->X + mx);
    first->Y = model::clamp16(first->Y + my);
    if (shares && second->Next) {
      second->X = model::clamp16(second->X + mx);
      second->Y = model::clamp16(second->Y + my);
    }
  }
  if (disp::gdi_CurrentDevice()) disp::gd_DrawInputWires(dest, 1);
  return ok;
}

bool route_Connection(WirePoint*& wire, int joinNet, int interactive) {
  gClearance = 2;
  bool ok = route_Search(wire, joinNet, interactive);
  if (!ok) {
    gClearance = 2;
    ok = route_Search(wire, joinNet, interactive);
  }
  if (!ok) {
    gClearance = 1;
    ok = route_Search(wire, joinNet, interactive);
  }
  gClearance = 2;
  return ok;
}

} // namespace editor
