// The check of every gate against the current version of its subprogram or
// gate type after a load.
#include "internal.h"
#include "modelfiles/messages.h"
#include "modelfiles/project.h"

#include "model/connections.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/instances.h"

#include <set>
#include <vector>

namespace modelfiles {

using namespace model;

namespace {

// Whether the kind's rules still accept a pin's type, tested on a copy so
// that the gate itself is not touched.
bool pinAccepted(const GateRecord* g, unsigned pin, bool isInput) {
  GateRecord copy = *g;
  std::vector<InputPin> inputs(g->Inputs, g->Inputs + g->InputCount);
  std::vector<OutputPin> outputs(g->Outputs, g->Outputs + g->OutputCount);
  copy.Inputs = inputs.empty() ? nullptr : inputs.data();
  copy.Outputs = outputs.empty() ? nullptr : outputs.data();
  bool coupled = false;
  const PinSignalType type = isInput ? g->Inputs[pin - 1].Type : g->Outputs[pin - 1].Type;
  return isInput ? gt_InputTypeOk(&copy, pin, type, coupled) : gt_OutputTypeOk(&copy, pin, type, coupled);
}

bool connected(const LogicRecord* l, const GateRecord* g, unsigned pin, bool isInput) {
  if (isInput) return g->Inputs[pin - 1].Source != nullptr;
  for (const GateRecord* o = l->FirstGate; o; o = o->Next)
    for (unsigned i = 0; i < o->InputCount; ++i)
      if (o->Inputs[i].Source == g && o->Inputs[i].SourcePin == pin) return true;
  return false;
}

// Logics of the libraries kept as placeholders: their port tables are not
// known, so calls of them are not checked.
std::set<const LogicRecord*> placeholderLogics(const DocumentRecord& d) {
  std::set<const LogicRecord*> out;
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next)
    if (!isCompiled(m) && mdl_LibraryMissing(m))
      for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) out.insert(l);
  return out;
}

} // namespace

bool mdl_CheckGates() {
  DocumentRecord* d = CurrentDocument;
  if (!d) return true;
  bool callsDeleted = false, linesDeleted = false;
  const std::set<const LogicRecord*> placeholders = placeholderLogics(*d);
  for (ProjectModule* m = d->FirstModule; m; m = m->Next) {
    if (isCompiled(m)) continue;
    const bool main = m == d->FirstModule;
    for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      for (bool again = true; again;) {
        again = false;
        for (GateRecord* g = l->FirstGate; g; g = g->Next) {
          const bool call = g->Kind == kKindCall;
          const bool compiled = g->Kind >= kKindCompiled;
          if (!call && !compiled) continue;
          // A lost reference, or a logic with no name: its calls go.
          LogicRecord* sub = subLogic(g);
          if (!g->Sub || (call && sub && static_cast<unsigned char>(sub->Name[0]) <= ' ')) {
            bool removed = sub && ge_DeleteLogicCalls(sub);
            if (!removed) removed = ge_DeleteGate(l, g);
            if (!removed) continue;   // never loop on a gate that stays
            callsDeleted = again = true;
            break;
          }
          // A gate of a library that failed to load keeps its counts, pins
          // and connections: what the library says of them is not known.
          const GateTypeRecord* type = subType(g);
          if (compiled ? type && mdl_LibraryMissing(type->Module) : placeholders.count(sub) != 0) continue;
          if (compiled) {
            const GateTypeRecord* t = subType(g);
            if (g->StateCount != t->StateCount || g->ExtraCount != t->ExtraCount) {
              if (!main) {
                LoadStatus.versionConflict = true;
                return false;
              }
              if (!ge_SetStateCount(l, g, t->StateCount) || !ge_GrowExtra(l, g, t->ExtraCount)) {
                LoadStatus.outOfMemory = true;
                return false;
              }
              LoadStatus.changed = true;
            }
          }
          for (int side = 0; side < 2; ++side) {
            const bool isInput = side == 0;
            const unsigned n = isInput ? g->InputCount : g->OutputCount;
            for (unsigned p = 1; p <= n; ++p) {
              if (pinAccepted(g, p, isInput)) continue;
              if (!main) {
                LoadStatus.versionConflict = true;
                return false;
              }
              if (connected(l, g, p, isInput)) {
                ge_ConnectPin(l, g, p, isInput);
                linesDeleted = true;
              }
            }
          }
        }
      }
    }
  }
  if (callsDeleted) showMessage(40015);
  if (linesDeleted) showMessage(50045);
  return true;
}

} // namespace modelfiles
