#pragma once
// Connections and signal types. A connection runs from an output pin of one
// gate to an input pin of another gate of the same logic; it is stored in the
// input pin and made real in every instance record by pointing the input's
// reference at the source instance's output element.
#include "model/records.h"

namespace model {

// Connects output sourcePin of sourceGate to input destPin of destGate (pins
// from 1). The input takes over wire (the caller keeps it when the connection
// is refused). An input that was connected loses its old connection first.
// True when connected.
bool ge_ConnectGates(LogicRecord* logic, GateRecord* destGate, unsigned destPin, GateRecord* sourceGate,
                     unsigned sourcePin, GateRecord* branchOf, WirePoint* wire);
// Offers type to one pin, adapts the coupled pins of its gate and the pins
// across its connections, and with propagate checks every call of the logic.
// Result: the type that pin ends up with.
PinSignalType ge_ConnectCheck(LogicRecord* logic, GateRecord* gate, unsigned pin, PinSignalType type,
                              bool isInput, bool propagate);
// isInput: removes the connection of that input; else every connection fed by
// that output. True when something was removed.
bool ge_ConnectPin(LogicRecord* logic, GateRecord* gate, unsigned pin, bool isInput);
// Removes every connection to and from a gate.
void ge_RemoveAllConnections(LogicRecord* logic, GateRecord* gate);
// Removes all connections of the gate and sets or clears its mirror flag; true
// when the gate has any pin.
bool ge_MirrorGate(LogicRecord* logic, GateRecord* gate, bool flag);
// Toggles the negation of one pin.
bool ge_NegatePin(LogicRecord* logic, GateRecord* gate, unsigned pin, bool isInput);

// Sets (on) or clears the connection flag (bit 0 of the flags) of an Input or
// Output gate and puts the ends of its wires back onto its pins. False for
// any other kind.
bool ge_ToggleConnect(LogicRecord* logic, GateRecord* gate, bool on);

// The passes of one type offer are limited to this many (a cycle of coupled
// gates that never settles ends there).
constexpr int kMaxConnectPasses = 64;

} // namespace model
