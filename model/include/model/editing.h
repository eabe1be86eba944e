#pragma once
// Gate editing: creating and copying logics; creating, deleting, reordering
// and moving gates; deleting logics and modules. Every change of a logic is
// applied at once to its instance list and to the child list of every call of
// it, at every depth. The operations work on the CurrentDocument; results are
// true/false and nothing throws.
#include "model/gatekinds.h"
#include "model/records.h"

#include <array>
#include <cstdint>

namespace model {

// While 1, gate creation also builds and links instance records (1 at start).
extern std::uint8_t KeepInstances;
// 1: Param.-Variation and Disable-Logic gates are placed like ordinary gates;
// 2: directly before the gate they are attached to (1 at start).
extern std::uint32_t AttachPlacement;

// What a new gate is made of.
struct GateSpec {
  std::uint8_t kind = 0;
  void* sub = nullptr;              // called logic, type record or marker gate
  GateRecord* attachedTo = nullptr; // Param.-Variation / Disable-Logic
  std::uint16_t inputCount = 0;
  std::uint16_t outputCount = 0;
  std::uint16_t extraCount = 0;
  std::uint16_t stateCount = 0;
  std::array<std::uint8_t, 24> block{};  // parameter block (first extra rows)
  PinSignalType inputType = kTypeOpen;
  PinSignalType outputType = kTypeOpen;
  std::int16_t x = 0;
  std::int16_t y = 0;
  bool allowShare = true;
};
GateSpec gateSpecFrom(const CreateParams& p, void* sub, GateRecord* attachedTo, int x, int y,
                      bool allowShare = true);

// Creates a logic in the first module (created when the document has none).
LogicRecord* ge_NewLogic(const char* name);
// Creates a gate. sequence receives its place among the counted gates. A
// second Start gate creates nothing and succeeds with a null gate.
bool ge_CreateGate(LogicRecord* logic, const GateSpec& spec, std::uint16_t& sequence, GateRecord*& gate,
                   GateInstance*& instance);
// Asks the creation values of the kind (gt_AskCreateParams) and creates the
// gate; a port gets the answered name.
bool ge_CreateGateAsked(LogicRecord* logic, std::uint8_t kind, void* sub, GateRecord* attachedTo, int x,
                        int y, GateRecord*& gate);
// Deletes a gate with everything attached to it. Deleting a port of a logic
// that is called elsewhere asks 40020 first (No keeps everything).
bool ge_DeleteGate(LogicRecord* logic, GateRecord* gate);
// Moves a gate to place n among the counted gates; n receives the place reached.
bool ge_InsertInOrder(LogicRecord* logic, GateRecord* gate, std::uint16_t& n);
bool ge_MoveGateRedraw(LogicRecord* logic, GateRecord* gate, int x, int y);
bool ge_MoveSelected(GateRecord* gate, int x, int y);
// True when logic a is b, or is called directly or through other logics from b.
bool ge_UsesLogic(const LogicRecord* a, const LogicRecord* b);
bool ge_DeleteLogic(LogicRecord* logic);
// Frees a logic that no module holds (an unlinked working copy such as the
// editor's undo copy) with its gates, wires and instances; false, and nothing
// freed, while a module's logic list still holds it.
bool ge_FreeDetachedLogic(LogicRecord* logic);
bool ge_DeleteModule(ProjectModule* module);
bool ge_DeleteLogicCalls(LogicRecord* logic);
bool ge_FindMacroUser(const LogicRecord* logic);
LogicRecord* ge_CopyGateSet(const char* name, LogicRecord* source);
void ge_OffsetGates(LogicRecord* logic, int dx, int dy);
bool ge_ForEachGateNotify(LogicRecord* logic);

// The logic (of any plain module) that holds a gate; null when none.
LogicRecord* ge_LogicOfGate(const GateRecord* gate);

} // namespace model
