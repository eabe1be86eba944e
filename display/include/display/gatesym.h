#pragma once
// Gate bodies by kind: the box with its fill and frame, the input bars, the
// small line symbols of the special kinds, the symbol text, the pin annotation
// letters, and the picture, raised frame or box style of subprogram gates.
// Drawn with the vector drawing calls at the gate's screen origin.
#include "display/view.h"
#include "model/records.h"

#include <string>

namespace disp {

struct BoxSize {
  int w = 40, h = 40;
};

// The body's width and height by kind.
BoxSize gs_BoxSize(const model::GateRecord* gate);
// The kind's symbol text ("" for kinds without one, 0 and 88 and above).
std::string gs_SymbolText(unsigned kind);
// The colour index of a pin or wire of a signal type.
int gs_PinColor(model::PinSignalType type);

void gs_DrawGateKind(const model::GateRecord* gate);
void gs_UnitInit();

} // namespace disp
