#pragma once
// Stepping a loaded project from a tool: links the compiled modules of the
// document, simulates its first logic and prints the simulated time and every
// gate's output values as stable text (the "mdltool step FILE N" command).
#include "model/records.h"

#include <string>

namespace engine {

// Links every loaded compiled module of the document that is not linked yet
// with the reference table of its own block library file (as vm_LinkCode
// recorded it, never the document's order); a module without one stays
// unlinked. False with the first refusal in error (other modules are still
// linked).
bool linkDocument(model::DocumentRecord& doc, std::string* error = nullptr);

// Runs a compiled gate's face (which 0) or live display (which 1) drawing
// procedure with the gate's origin in window units (its position less the
// scroll position). False when its type has no such procedure; the drawing
// layer then draws the plain gate.
bool drawGateFace(model::GateRecord* gate, model::GateInstance* instance, int which, int scrollX, int scrollY);

// Runs n time steps of the document's first logic (or its level-1 logic) and
// returns one line per step: "step K t=TIME", then one line per gate:
// "  G<number> <name>: v1 v2 ..." with sub-logic gates indented below their
// call. Numbers are printed with %.6g in the "C" notation.
std::string runSteps(model::DocumentRecord* doc, int n);

} // namespace engine
