#pragma once
// The time step of the PC simulation: iterations of the simulated logic
// (every gate once, in list order, through GateStepTable) until no value
// moves by more than 0.1 or the iteration limit is reached, with variable
// step width (snapshot of outputs and states, restore and repeat), ports,
// sub-logics and compiled gates. Works on the given document's SimLogic and
// SimInstances.
//
// The computation mode of a macro gate (kind 0) is kept in the gate's
// AuxWord54 (bit 15 steps per cycle, bit 14 compute only at time, bit 13 no
// convergence test inside the macro) and its steps value in AuxWord66.
#include "model/records.h"

#include <cstddef>
#include <cstdint>

namespace engine {

using StepHandler = void (*)(model::DocumentRecord& doc, model::GateRecord* gate, model::GateInstance* inst);
// 135 entries by gate kind; kinds 90..132 have none.
extern StepHandler GateStepTable[135];

// One time step (one iteration while singleIteration is set) of doc.SimLogic;
// returns the low byte of 'changed' (0: the step converged).
// A call while a step is in progress (from a nested event loop of a dialog
// that block code opened) is skipped: it returns 0 and changes nothing.
std::uint8_t sim_Step(model::DocumentRecord& doc);
bool sim_StepInProgress();
unsigned sim_SkippedSteps();   // how many calls were skipped so far
void sim_StepLogic(model::DocumentRecord& doc, model::LogicRecord* logic, model::GateInstance* instances);
// Proposes a new step width; true with the width when it changes.
bool sim_AdaptStep(model::DocumentRecord& doc, double& newWidth);
void sim_CopyVectorChecked(model::DocumentRecord& doc, const double* source, double* target, unsigned count);

// The output snapshot (8-byte slots): outputs and states of every gate,
// recursing into sub-logics.
std::size_t sim_CountBufferSlots(const model::LogicRecord* logic);
bool sim_AllocBuffer(model::DocumentRecord& doc);
void sim_FreeBuffer();
void sim_SaveOutputs(model::GateRecord* gates, model::GateInstance* instances, std::size_t& position);
void sim_RestoreOutputs(model::GateRecord* gates, model::GateInstance* instances, std::size_t& position);

// Resamples rows 1..m of an integrator history (m x n values, row-major) from
// the old to the new step width (orders 2..4; nothing otherwise).
void sim_ResampleHistory(unsigned m, unsigned n, double* rows, double oldWidth, double newWidth);

// Options and module state.
struct StepOptions {
  double accuracy = 4.0;     // program accuracy setting
  double stepError = 0.0;    // the document's step-error value
};
StepOptions& stepOptions();
// Forgets the width control's counter, the snapshot and the sub-logic context (tests).
void sim_ResetState();

} // namespace engine
