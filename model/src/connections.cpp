#include "model/connections.h"

#include "internal.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/services.h"
#include "model/wires.h"

#include <vector>

namespace model {
using namespace detail;

namespace {

bool inLogic(const LogicRecord* logic, const GateRecord* gate) { return gateIndex(logic, gate) >= 0; }

bool familiesFit(PinSignalType in, PinSignalType out) {
  if (in == kTypeOpen || out == kTypeOpen) return true;
  if (in < 18 && out >= 19) return false;
  if (in > 18 && out < 18) return false;
  if ((in == 0) != (out == 0)) return false;
  return true;
}

// One rule call on one pin: the pin's type afterwards and the rule's answer.
struct Offer {
  bool ok;
  bool coupled;
  PinSignalType type;
};
Offer offerInput(GateRecord* g, unsigned k, PinSignalType t) {
  Offer o{};
  o.ok = gt_InputTypeOk(g, k, t, o.coupled);
  o.type = g->Inputs[k - 1].Type;
  return o;
}
Offer offerOutput(GateRecord* g, unsigned k, PinSignalType t) {
  Offer o{};
  o.ok = gt_OutputTypeOk(g, k, t, o.coupled);
  o.type = g->Outputs[k - 1].Type;
  return o;
}

void refreshAppliedNegation(InputPin& in) {
  noteStructureChange();
  std::uint16_t bit = in.Flags & kPinNegated;
  if (in.Source && in.SourcePin >= 1 && in.SourcePin <= in.Source->OutputCount)
    bit ^= in.Source->Outputs[in.SourcePin - 1].Flags & kPinNegated;
  in.Flags = std::uint16_t((in.Flags & ~kPinAppliedNegation) | (bit ? kPinAppliedNegation : 0));
}

// Checks every call of the logic: pins of call gates whose present type the
// call's rule no longer accepts lose their connections.
void checkCalls(LogicRecord* logic) {
  bool removed = false;
  forEachPlainLogic([&](LogicRecord* l) {
    if (l == logic) return;
    for (GateRecord* g = l->FirstGate; g; g = g->Next) {
      if (g->Kind != kKindCall || subLogic(g) != logic) continue;
      bool coupled = false;
      for (unsigned k = 1; k <= g->InputCount; ++k) {
        if (!gt_InputTypeOk(g, k, g->Inputs[k - 1].Type, coupled) && g->Inputs[k - 1].Source)
          removed |= ge_ConnectPin(l, g, k, true);
      }
      for (unsigned k = 1; k <= g->OutputCount; ++k) {
        if (!gt_OutputTypeOk(g, k, g->Outputs[k - 1].Type, coupled)) removed |= ge_ConnectPin(l, g, k, false);
      }
    }
  });
  if (removed) shell().msg_IncompatibleDelete();
}

// Junction search for a branch: the wire of the same source output (other
// than the branch's own) that its first point lies on.
InputPin* wireUnder(LogicRecord* logic, const InputPin& branch, GateRecord*& owner) {
  owner = nullptr;
  if (!branch.Wire) return nullptr;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
      InputPin& in = g->Inputs[i];
      if (&in == &branch || in.Source != branch.Source || in.SourcePin != branch.SourcePin) continue;
      for (WirePoint* p = in.Wire; p && p->Next; p = p->Next) {
        std::int16_t x = branch.Wire->X, y = branch.Wire->Y;
        if (gg_PointOnSegment(p, p->Next, x, y) == 0) {
          owner = g;
          return &in;
        }
      }
    }
  }
  return nullptr;
}

bool disconnectInput(LogicRecord* logic, GateRecord* gate, unsigned pin) {
  noteStructureChange();
  InputPin& me = gate->Inputs[pin - 1];
  if (!me.Source) return false;
  // Branches that hang on this wire are attached anew.
  bool handOverFailed = false;
  for (GateRecord* g = logic->FirstGate; g && !handOverFailed; g = g->Next) {
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
      InputPin& b = g->Inputs[i];
      if (&b == &me || b.BranchOf != gate || b.Source != me.Source || b.SourcePin != me.SourcePin) continue;
      GateRecord* owner = nullptr;
      InputPin* under = wireUnder(logic, b, owner);
      if (under == &me) {
        if (!ge_WireHandOver(gate, pin, g, i + 1)) {
          handOverFailed = true;
          break;
        }
      } else {
        b.BranchOf = under ? owner : nullptr;
      }
    }
  }
  if (handOverFailed) {
    GateRecord* src = me.Source;
    const unsigned sp = me.SourcePin;
    // Without the hand-over the branches have no route: every input fed by
    // the source output is disconnected.
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
        InputPin& in = g->Inputs[i];
        if (in.Source == src && in.SourcePin == sp) {
          ge_FreeWirePoints(in.Wire);
          in.Source = nullptr;
          in.SourcePin = 0;
          in.BranchOf = nullptr;
          refreshAppliedNegation(in);
          inst_RelinkInput(logic, g, i + 1);
        }
      }
    return true;
  }
  ge_FreeWirePoints(me.Wire);
  me.Source = nullptr;
  me.SourcePin = 0;
  me.BranchOf = nullptr;
  refreshAppliedNegation(me);
  inst_RelinkInput(logic, gate, pin);
  return true;
}

} // namespace

PinSignalType ge_ConnectCheck(LogicRecord* logic, GateRecord* gate, unsigned pin, PinSignalType t,
                              bool isInput, bool propagate) {
  if (!gate) return t;
  if (isInput) {
    if (!gate->Inputs || pin < 1 || pin > gate->InputCount) return t;
    if (gate->Inputs[pin - 1].Type == t) return t;
  } else if (!gate->Outputs || pin < 1 || pin > gate->OutputCount) {
    return t;
  }
  const Offer first = isInput ? offerInput(gate, pin, t) : offerOutput(gate, pin, t);
  PinSignalType c = first.ok ? t : first.type;
  const bool coupled = first.coupled;

  for (int pass = 0; pass < kMaxConnectPasses; ++pass) {
    bool restart = false;
    // Inputs of this gate, and the outputs feeding them.
    const unsigned inFrom = coupled ? 1 : (isInput ? pin : 1);
    const unsigned inTo = coupled ? gate->InputCount : (isInput ? pin : 0);
    for (unsigned k = inFrom; k <= inTo && !restart; ++k) {
      const Offer o = offerInput(gate, k, c);
      if (!o.ok || o.coupled != coupled) continue;
      InputPin& in = gate->Inputs[k - 1];
      if (!in.Source || in.SourcePin < 1 || in.SourcePin > in.Source->OutputCount) continue;
      const Offer up = offerOutput(in.Source, in.SourcePin, c);
      if (up.type != c) {
        c = up.type;
        restart = true;
      }
    }
    // Outputs of this gate, and the inputs they feed.
    const unsigned outFrom = coupled ? 1 : (isInput ? 1 : pin);
    const unsigned outTo = coupled ? gate->OutputCount : (isInput ? 0 : pin);
    for (unsigned k = outFrom; k <= outTo && !restart; ++k) {
      const Offer o = offerOutput(gate, k, c);
      if (!o.ok || o.coupled != coupled) continue;
      for (GateRecord* g = logic ? logic->FirstGate : nullptr; g && !restart; g = g->Next) {
        for (unsigned i = 0; g->Inputs && i < g->InputCount && !restart; ++i) {
          if (g->Inputs[i].Source != gate || g->Inputs[i].SourcePin != k) continue;
          if (g->Inputs[i].Type == c) continue;
          const Offer down = offerInput(g, i + 1, c);
          if (down.type != c) {
            c = down.type;
            restart = true;
          }
        }
      }
    }
    if (!restart) break;
  }
  if (propagate && logic) checkCalls(logic);
  return c;
}

bool ge_ConnectGates(LogicRecord* logic, GateRecord* dest, unsigned destPin, GateRecord* source,
                     unsigned sourcePin, GateRecord* branchOf, WirePoint* wire) {
  noteStructureChange();
  if (!logic || !dest || !source || !inLogic(logic, dest) || !inLogic(logic, source)) return false;
  if (!dest->Inputs || destPin < 1 || destPin > dest->InputCount) return false;
  if (!source->Outputs || sourcePin < 1 || sourcePin > source->OutputCount) return false;
  if (branchOf && !inLogic(logic, branchOf)) branchOf = nullptr;
  const PinSignalType in = dest->Inputs[destPin - 1].Type;
  const PinSignalType out = source->Outputs[sourcePin - 1].Type;
  if (!familiesFit(in, out)) return false;
  if (in != out) {
    const PinSignalType t1 = ge_ConnectCheck(logic, dest, destPin, out, true, true);
    if (t1 != out) {
      const PinSignalType t2 = ge_ConnectCheck(logic, source, sourcePin, t1, false, true);
      if (t2 != t1) {
        const PinSignalType t3 = ge_ConnectCheck(logic, dest, destPin, t2, true, true);
        if (t3 != t2) return false;
      }
    }
  }
  InputPin& pin = dest->Inputs[destPin - 1];
  if (pin.Source) disconnectInput(logic, dest, destPin);
  else ge_FreeWirePoints(pin.Wire);
  pin.Source = source;
  pin.SourcePin = std::uint16_t(sourcePin);
  pin.Wire = wire;
  pin.BranchOf = branchOf;
  refreshAppliedNegation(pin);
  inst_RelinkInput(logic, dest, destPin);
  return true;
}

bool ge_ConnectPin(LogicRecord* logic, GateRecord* gate, unsigned pin, bool isInput) {
  if (!logic || !gate) return false;
  if (isInput) {
    if (!gate->Inputs || pin < 1 || pin > gate->InputCount) return false;
    return disconnectInput(logic, gate, pin);
  }
  if (!gate->Outputs || pin < 1 || pin > gate->OutputCount) return false;
  bool any = false;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].Source == gate && g->Inputs[i].SourcePin == pin) any |= disconnectInput(logic, g, i + 1);
  return any;
}

void ge_RemoveAllConnections(LogicRecord* logic, GateRecord* gate) {
  noteStructureChange();
  if (!logic || !gate) return;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].Source == gate) disconnectInput(logic, g, i + 1);
  for (unsigned i = 0; gate->Inputs && i < gate->InputCount; ++i) {
    if (gate->Inputs[i].Source) disconnectInput(logic, gate, i + 1);
    else ge_FreeWirePoints(gate->Inputs[i].Wire);
  }
}

bool ge_MirrorGate(LogicRecord* logic, GateRecord* gate, bool flag) {
  if (!gate) return false;
  ge_RemoveAllConnections(logic, gate);
  if (flag) gate->Flags |= kGateMirrored;
  else gate->Flags &= std::uint16_t(~kGateMirrored);
  return gate->InputCount + gate->OutputCount > 0;
}

bool ge_NegatePin(LogicRecord* logic, GateRecord* gate, unsigned pin, bool isInput) {
  noteStructureChange();
  if (!gate) return false;
  if (isInput) {
    if (!gate->Inputs || pin < 1 || pin > gate->InputCount) return false;
    gate->Inputs[pin - 1].Flags ^= 3;
    ge_PlaceWireEndAtPin(gate, pin);
    return true;
  }
  if (!gate->Outputs || pin < 1 || pin > gate->OutputCount) return false;
  gate->Outputs[pin - 1].Flags ^= 1;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].Source == gate && g->Inputs[i].SourcePin == pin) refreshAppliedNegation(g->Inputs[i]);
  return true;
}

bool ge_ToggleConnect(LogicRecord* logic, GateRecord* gate, bool on) {
  if (!gate || (gate->Kind != kKindInput && gate->Kind != kKindOutput)) return false;
  if (on) gate->Flags |= kGateMirrored;
  else gate->Flags &= std::uint16_t(~kGateMirrored);
  for (unsigned i = 1; gate->Inputs && i <= gate->InputCount; ++i) ge_PlaceWireEndAtPin(gate, i);
  // Wires fed by the gate start at its output pin again.
  for (unsigned n = 1; gate->Outputs && n <= gate->OutputCount; ++n) {
    std::int16_t px, py;
    std::uint16_t side;
    if (!gg_OutputPinPos(gate, n, px, py, side)) continue;
    for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next)
      for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
        InputPin& in = g->Inputs[i];
        if (in.Source == gate && in.SourcePin == n && !in.BranchOf && in.Wire) {
          in.Wire->X = clamp16(gate->X + px);
          in.Wire->Y = clamp16(gate->Y + py);
        }
      }
  }
  return true;
}

} // namespace model
