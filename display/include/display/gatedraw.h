#pragma once
// One gate in full (body, pins, negation circles, labels, texts, selection
// marks), the wires of a gate's inputs, and the current values of the display
// gates, on the current view (display/view.h) through the vector drawing calls.
#include "display/view.h"
#include "model/records.h"

namespace disp {

void gd_DrawGate(model::GateRecord* gate, model::GateInstance* instance, int counter);
void gd_DrawGateList(model::GateRecord* gates, model::GateInstance* instances, bool withConstants);
// The wire from `first` in the colour set beforehand, with the write mode
// made current; batches of at most 20 points, invisible segments skipped.
void gd_DrawWire(int writeMode, const model::WirePoint* first, bool arrowAtStart, bool arrowAtEnd,
                 bool dotAtStart);
// The wires of every input of a gate, each in its pin colour, the arrow at the
// first point for REAL (20) and type 28 wires, else at the last.
void gd_DrawInputWires(const model::GateRecord* gate, int writeMode);
void gs_NegationCircle(int x, int y, int side);
void gs_JunctionDot(int x, int y, int side);
void gd_EmptyInit();
void gd_UnitInit();

// The label of an input or output pin of a subprogram or compiled gate ("" when none).
std::string gd_PinLabel(const model::GateRecord* gate, unsigned pin, bool input);

} // namespace disp
