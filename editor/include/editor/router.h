#pragma once
// The connection auto-router: turns a drawn or moved connection into
// horizontal and vertical segments that avoid gates, pin stubs and other
// wires. It works on a temporary grid of 5-unit cells over a window around
// the connection's two gates: a flood from the input end counts the straight
// runs that reach every cell, then a depth-first search from the input end,
// pruned by those counts, finds the best place to meet the output (or, for a
// branch, the wire of the same signal). Deterministic: the same sheet gives
// the same path.
#include "model/records.h"

#include <cstddef>

namespace editor {

// Routes the wire whose first point is held by wire (an input pin's Wire
// field): joinNet 1 lets a branch end on its net, interactive 1 comes from the
// wiring loop. Three attempts (clearance 2, 2, 1); true when routed or when
// nothing needed routing. A failed attempt leaves the wire's points.
bool route_Connection(model::WirePoint*& wire, int joinNet, int interactive);
// One attempt with the clearance set by route_Connection (2 by default).
bool route_Search(model::WirePoint*& wire, int joinNet, int interactive);
// Asked by the command dispatcher for command 321; always false.
bool route_IsEnabled();

// The grids take at most this many cells (two 32-bit words each); a larger
// window is refused and the wire left as it was.
inline constexpr std::size_t kRouteMaxCells = std::size_t(1) << 22;
// Lowers the cell limit (tests of the refusal); 0 restores kRouteMaxCells.
void route_SetCellLimit(std::size_t cells);
void route_SetClearance(int cells);

} // namespace editor
