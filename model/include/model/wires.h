#pragma once
// Wires: the point list of one connection, hung on the input pin it feeds. Its
// first point is where the connection starts (the source output, or a junction
// on another wire of the same source), its last point is at the input pin.
// Every point that is added, moved or removed is marked dirty in the editor.
#include "model/records.h"

namespace model {

// Moves the start (atStart) or the end of a wire to (x, y); an empty wire gets
// one point. A straight end moves in place, otherwise a corner is added. False
// only when a point could not be allocated (the wire is then unchanged).
bool ge_MoveWireEnd(int x, int y, WirePoint*& wire, bool atStart);
// Removes the start or the end point.
void ge_FreeWire(WirePoint*& wire, bool atStart);
// Frees all points and sets the wire to null.
void ge_FreeWirePoints(WirePoint*& wire);
// Puts the end point of the input's wire on the pin (5 units further out for
// a negated input).
bool ge_PlaceWireEndAtPin(GateRecord* gate, unsigned pin);
// Drags the segment that starts at point segment of the wire held by an input
// of ownerGate (wire is that input's Wire field) to x (vertical segment) or y
// (horizontal segment). Branches of the same source that start on it stay
// attached. False when a point could not be allocated (nothing changed).
bool ge_RerouteWires(int x, int y, GateRecord* sourceGate, GateRecord* parentGate, GateRecord* ownerGate,
                     WirePoint* segment, WirePoint*& wire, LogicRecord* logic);
// Input A loses its connection and input B is a branch of A's wire: B takes
// A's route up to its junction. False only when the junction point could not
// be allocated.
bool ge_WireHandOver(GateRecord* gateA, unsigned pinA, GateRecord* gateB, unsigned pinB);
// Removes superfluous points (repeated points, middle points of straight runs).
void ge_CleanUpWire(WirePoint*& wire);
// Number of points of a wire.
unsigned wirePointCount(const WirePoint* w);
// True when consecutive points differ in one coordinate or lie on a 45-degree
// diagonal.
bool wireIsStraight(const WirePoint* w);

} // namespace model
