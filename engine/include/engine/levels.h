#pragma once
// Macro levels and the step commands of the editor: one time step of the
// level-1 logic (with or without the display follow-up) and entering the
// subprogram of a macro gate, up to 25 levels deep.
#include "model/records.h"

namespace engine {

// One time step. A new step (iterationCounter 1) first advances the level-1
// logic's time: a time below 0.0 starts at 0.0, otherwise the step width is
// added. The document's SimLogic/SimInstances are the level-1 entries when unset.
void ss_StepLevel(model::DocumentRecord& doc);
// The same without the display follow-up (Function-Setup).
void ss_StepLevelTo(model::DocumentRecord& doc);
// Marks the active Step, Start, Stop or Branch gate of the current level;
// returns it (null when none).
model::GateRecord* ss_FindSequenceGate(model::DocumentRecord& doc);
// Opens the kind-0 gate of the current level that calls logic and asks the
// view to rebuild and redraw (EngineServices::rebuildView); false when there
// is none or the level is already 25.
bool ss_EnterMacroLevel(model::DocumentRecord& doc, model::LogicRecord* logic);

} // namespace engine
