#pragma once
// Instance records: one GateInstance per gate in its logic's instance list and
// one more in every call of that logic, at every depth. These operations build,
// link, insert, remove, renumber and resize them. They work on the
// CurrentDocument.
#include "model/records.h"

#include <functional>

namespace model {

// The structure counter: raised by every operation that changes a logic's
// gates, connections (and their negation), instance lists or instance value
// arrays, and by every release of a model block. Whoever keeps pointers into
// these (the time step's per-gate plan) compares it to know they still hold.
std::uint64_t structureChanges();
void noteStructureChange();

// Builds the instance record of a gate (with the child list of a call). Fails
// on memory shortage, and on a call of checkLogic at any depth (message 50050
// is then left pending for the block-drop service).
bool ge_RebuildInstance(LogicRecord* checkLogic, GateRecord* gate, GateInstance*& out);
// Links the input references of a logic's instance list (and, recursively, the
// child lists of its calls) and the state pointers of marker references.
void ge_LinkInstanceInputs(LogicRecord* logic, GateInstance* instances);
// Releases one instance record with its arrays and, for a call, its child list.
void inst_Free(GateInstance*& inst);
// Releases a whole list.
void inst_FreeList(GateInstance*& head);

// Calls fn for the logic's own instance list head and for the child list head
// of every call of the logic, at every depth, in every plain module.
void inst_ForEachList(LogicRecord* logic, const std::function<void(GateInstance*& head)>& fn);

// Builds the gate's instance and inserts it into the logic's own list and into
// every call, directly after the instance of the gate's predecessor.
bool inst_InsertEverywhere(LogicRecord* logic, GateRecord* gate);
// Removes the instance of the gate (found by GateNumber) from every call and
// from the logic's own list.
void inst_RemoveEverywhere(LogicRecord* logic, GateRecord* gate);
// Inserts the instance of the document's CurrentGate into the child list of
// every call of logic found under the given gate list, recursively.
bool ge_GrowInstances(GateRecord* gates, GateInstance* instances, LogicRecord* logic);

// Renumbers the gates 1..n (GateCounter = n) and copies the numbers into the
// own list and every call's child list.
void ge_CompactInstanceNumbers(LogicRecord* logic);
// Recomputes the sharing of the gate's extra values and switches every
// instance when it changes.
bool ge_UpdateGateFlag(LogicRecord* logic, GateRecord* gate, bool allowed);
// Gives the gate n extra rows with the kind's parameter defaults, in every
// instance too.
bool ge_GrowExtra(LogicRecord* logic, GateRecord* gate, std::uint16_t n);
// Changes the state count; every instance gets n fresh state values.
bool ge_SetStateCount(LogicRecord* logic, GateRecord* gate, std::uint16_t n);

// Re-points the references of every instance of the gate after a connection
// of input pin (1-based) was made or removed.
void inst_RelinkInput(LogicRecord* logic, GateRecord* gate, unsigned pin);

// The instance of a gate in a list that runs parallel to the logic's gates.
GateInstance* inst_Parallel(LogicRecord* logic, GateInstance* head, const GateRecord* gate);

// Element counts of a gate's inputs and outputs added up.
unsigned inputElements(const GateRecord* g);
unsigned outputElements(const GateRecord* g);
// Element offset of input (or output) pin k (1-based).
unsigned inputElementOffset(const GateRecord* g, unsigned k);

} // namespace model
