#pragma once
// Actions on gates and pins (window points; the scroll position is added
// here), values at a connection, and the rebuild of a module gate with its
// wiring.
#include "model/records.h"

#include <cstdint>

namespace editor {

// A subprogram or module gate whose module is neither "BAUSTEIN" nor "FUBLOCKS".
bool de_IsUserSubprogramGate(const model::GateRecord* gate);
// And, Or and Exor gates may negate any pin, subprogram and module gates their binary pins.
bool de_PinMayBeNegated(const model::GateRecord* gate, unsigned pin, bool isInput);
bool de_TogglePinNegation(int x, int y);
// Removes the wire through the point (its input loses the connection).
bool de_RemoveWireAt(int x, int y);
// Removes the connection of the pin near the point.
bool de_PickConnection(int x, int y);
// The value at the pin of the connection near the point, offered with the
// prompt of its signal type; single values of types below 20 only. The N
// variant shows and stores a negated pin's value negated through the mask.
bool de_EditValueAt(int x, int y);
bool de_EditValueAtN(int x, int y);
// The negation mask word of the value editing.
std::uint16_t& de_NegationMask();

// Rebuilding a subprogram or module gate (kinds 0, 133, 134) as a fresh gate
// of its type, carrying over every connection whose port rows and signal
// types still match. Sheet points; true unless the new gate cannot be made.
bool ws_RebuildAfterInputCount(int x, int y);
bool ws_RebuildAfterParamChange(const char* typeName, int x, int y);
bool ws_RebuildAfterLibraryChange(const char* library, const char* block, int x, int y, model::GateRecord* old);
// Every input of the logic that branches off the old gate's wire branches off the new one.
void ws_RepointBranchGate(model::LogicRecord* logic, model::GateRecord* oldGate, model::GateRecord* newGate);

} // namespace editor
