#include "model/check.h"

#include "internal.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/instances.h"
#include "model/wires.h"

#include <set>
#include <sstream>
#include <unordered_map>

namespace model {
using namespace detail;

namespace {

struct Checker {
  std::vector<std::string> errors;
  const CheckOptions& opt;
  explicit Checker(const CheckOptions& o) : opt(o) {}

  template <class... A> void fail(A&&... parts) {
    std::ostringstream s;
    (s << ... << parts);
    errors.push_back(s.str());
  }

  static int category(unsigned kind) {
    switch (kind) {
    case kKindInput: return 0;
    case kKindOutput: return 2;
    case kKindDefineMarker: return 3;
    case kKindText: return 4;
    default: return 1;
    }
  }

  void checkInstances(const LogicRecord& l, const GateInstance* head, const std::string& where, int depth) {
    if (depth > kMaxCallDepth) {
      fail(where, ": call depth beyond ", kMaxCallDepth);
      return;
    }
    std::unordered_map<const GateRecord*, const GateInstance*> map;
    const GateInstance* gi = head;
    const GateRecord* g = l.FirstGate;
    for (; g && gi; g = g->Next, gi = gi->Next) map[g] = gi;
    if (g || gi) {
      fail(where, ": instance list of ", l.Name, " not parallel to its gates");
      return;
    }
    gi = head;
    for (g = l.FirstGate; g; g = g->Next, gi = gi->Next) {
      const std::string at = where + "/" + l.Name + "#" + std::to_string(g->GateNumber);
      if (gi->GateNumber != g->GateNumber) fail(at, ": instance number ", gi->GateNumber);
      if (gi->InputRefCount != (g->Inputs ? g->InputCount : 0)) fail(at, ": input ref count");
      if (gi->InputSlotCount != inputElements(g)) fail(at, ": input slots ", gi->InputSlotCount, " vs ", inputElements(g));
      if (gi->OutputSlotCount != outputElements(g)) fail(at, ": output slots");
      if (g->Flags & kGateSharedExtra) {
        if (gi->ExtraValues != g->Extra || gi->ExtraSlotCount) fail(at, ": shared extra values not the gate's");
      } else if (gi->ExtraSlotCount != (g->Extra ? g->ExtraCount : 0)) {
        fail(at, ": extra slots ", gi->ExtraSlotCount, " vs ", g->ExtraCount);
      }
      if (g->Kind == kKindCall) {
        if (gi->StateValues) fail(at, ": call with state values");
        if (const LogicRecord* sub = subLogic(g)) checkInstances(*sub, gi->Children, at, depth + 1);
        else if (gi->Children) fail(at, ": children without a called logic");
      } else if (gi->Children) {
        fail(at, ": children under a gate that is no call");
      }
      if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) {
        const GateRecord* m = subMarker(g);
        auto it = m ? map.find(m) : map.end();
        if (it != map.end() && it->second->StateValues) {
          const unsigned off = m->Kind == kKindDefineMarker ? m->VectorDimension : 0;
          const double* want = off < it->second->StateSlotCount ? it->second->StateValues + off : nullptr;
          if (gi->StateValues != want) fail(at, ": marker state pointer");
        }
      } else if (g->Kind != kKindCall && gi->StateSlotCount != g->StateCount) {
        fail(at, ": state slots ", gi->StateSlotCount, " vs ", g->StateCount);
      }
      for (unsigned k = 0; gi->InputRefs && k < g->InputCount; ++k) {
        const InputPin& in = g->Inputs[k];
        const double* want = nullptr;
        if (in.Source) {
          auto it = map.find(in.Source);
          if (it != map.end() && in.SourcePin >= 1 && in.SourcePin <= in.Source->OutputCount) {
            const unsigned first = in.Source->Outputs[in.SourcePin - 1].FirstElement;
            if (first >= 1 && first - 1 < it->second->OutputSlotCount) want = it->second->OutputValues + first - 1;
          }
        }
        if (!want) {
          const unsigned off = inputElementOffset(g, k + 1);
          want = off < gi->InputSlotCount ? gi->InputValues + off : nullptr;
        }
        if (gi->InputRefs[k] != want) fail(at, ": input ", k + 1, " reference");
      }
    }
  }

  void checkLogic(const LogicRecord& l, const DocumentRecord* d) {
    const std::string name = l.Name;
    int lastCat = 0;
    unsigned inputs = 0, outputs = 0, starts = 0;
    std::set<unsigned> numbers;
    std::set<const GateRecord*> gates;
    for (const GateRecord* g = l.FirstGate; g; g = g->Next) {
      if (!gates.insert(g).second) {
        fail(name, ": gate list has a cycle");
        return;
      }
    }
    for (const GateRecord* g = l.FirstGate; g; g = g->Next) {
      const std::string at = name + "#" + std::to_string(g->GateNumber);
      if (g->Kind != kKindParamVariation && g->Kind != kKindDisableLogic) {
        const int c = category(g->Kind);
        if (c < lastCat) fail(at, ": gate of kind ", int(g->Kind), " out of order");
        lastCat = c;
      }
      if (g->Kind == kKindInput) ++inputs;
      if (g->Kind == kKindOutput) ++outputs;
      if (g->Kind == kKindStart) ++starts;
      if (g->GateNumber == 0 || g->GateNumber > l.GateCounter) fail(at, ": number beyond the counter ", l.GateCounter);
      if (!numbers.insert(g->GateNumber).second) fail(at, ": number not unique");
      if ((g->InputCount != 0) != (g->Inputs != nullptr)) fail(at, ": input rows");
      if ((g->OutputCount != 0) != (g->Outputs != nullptr)) fail(at, ": output rows");
      if ((g->ExtraCount != 0) != (g->Extra != nullptr)) fail(at, ": extra rows");
      unsigned element = 1;
      for (unsigned k = 0; g->Outputs && k < g->OutputCount; ++k) {
        if (g->Outputs[k].FirstElement != element) fail(at, ": output ", k + 1, " first element");
        element += elementCount(g->Outputs[k].Type);
      }
      for (unsigned k = 0; g->Inputs && k < g->InputCount; ++k) {
        const InputPin& in = g->Inputs[k];
        if (in.Source) {
          if (!gates.count(in.Source)) fail(at, ": input ", k + 1, " fed from outside the logic");
          else if (in.SourcePin < 1 || in.SourcePin > in.Source->OutputCount) fail(at, ": input ", k + 1, " source pin");
          else {
            const bool applied = ((in.Flags ^ in.Source->Outputs[in.SourcePin - 1].Flags) & 1) != 0;
            if (applied != ((in.Flags & kPinAppliedNegation) != 0)) fail(at, ": input ", k + 1, " applied negation");
          }
          if (in.BranchOf && !gates.count(in.BranchOf)) fail(at, ": input ", k + 1, " branch outside the logic");
        } else {
          if (in.SourcePin || in.BranchOf) fail(at, ": unconnected input ", k + 1, " keeps link fields");
          if (((in.Flags >> 1) & 1) != (in.Flags & 1)) fail(at, ": unconnected input ", k + 1, " negation bits");
        }
        if (opt.wiresStraight && !wireIsStraight(in.Wire)) fail(at, ": input ", k + 1, " wire not straight");
      }
      if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) {
        const GateRecord* m = subMarker(g);
        if (!m || !gates.count(m) || (m->Kind != kKindMarker && m->Kind != kKindDefineMarker))
          fail(at, ": marker reference");
      }
      if (g->Kind == kKindCall) {
        const LogicRecord* sub = subLogic(g);
        bool known = false;
        if (d)
          for (const ProjectModule* m = d->FirstModule; m && !known; m = m->Next)
            for (const LogicRecord* x = firstLogicOf(m); x && !known; x = x->Next) known = x == sub;
        if (!known) fail(at, ": called logic not in the document");
        else if (ge_UsesLogic(&l, sub)) fail(at, ": recursive call");
      }
    }
    if (starts > 1) fail(name, ": more than one Start gate");
    if (l.InputPortCount != inputs) fail(name, ": input port count ", l.InputPortCount, " vs ", inputs);
    if (l.OutputPortCount != outputs) fail(name, ": output port count ", l.OutputPortCount, " vs ", outputs);
    if ((l.InputPortCount != 0) != (l.InputPorts != nullptr)) fail(name, ": input port table");
    if ((l.OutputPortCount != 0) != (l.OutputPorts != nullptr)) fail(name, ": output port table");
    checkInstances(l, l.FirstInstance, "", 0);
  }
};

} // namespace

std::vector<std::string> model_CheckLogic(const LogicRecord& logic, const CheckOptions& options) {
  Checker c(options);
  c.checkLogic(logic, CurrentDocument);
  return c.errors;
}

std::vector<std::string> model_CheckDocument(const DocumentRecord& d, const CheckOptions& options) {
  Checker c(options);
  const ProjectModule* last = nullptr;
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next) last = m;
  if (last != d.LastModule) c.fail("LastModule is not the last module");
  if (d.FirstLogic != firstLogicOf(d.FirstModule)) c.fail("FirstLogic is not the first module's list");
  const LogicRecord* lastLogic = d.FirstLogic;
  while (lastLogic && lastLogic->Next) lastLogic = lastLogic->Next;
  if (lastLogic != d.LastLogic) c.fail("LastLogic is not the last logic");
  for (const ProjectModule* m = d.FirstModule; m; m = m->Next)
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) c.checkLogic(*l, &d);
  return c.errors;
}

} // namespace model
