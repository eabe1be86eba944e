#include "model/instances.h"

#include "internal.h"
#include "model/gatekinds.h"
#include "model/services.h"

#include <unordered_map>
#include <vector>

namespace model {
using namespace detail;

unsigned inputElements(const GateRecord* g) {
  unsigned n = 0;
  for (unsigned i = 0; g && g->Inputs && i < g->InputCount; ++i) n += elementCount(g->Inputs[i].Type);
  return n;
}
unsigned outputElements(const GateRecord* g) {
  unsigned n = 0;
  for (unsigned i = 0; g && g->Outputs && i < g->OutputCount; ++i) n += elementCount(g->Outputs[i].Type);
  return n;
}
unsigned inputElementOffset(const GateRecord* g, unsigned k) {
  unsigned n = 0;
  for (unsigned i = 0; g && g->Inputs && i + 1 < k && i < g->InputCount; ++i)
    n += elementCount(g->Inputs[i].Type);
  return n;
}

namespace {

double initialValue() { return doc() ? doc()->InitialValue : 0.0; }

bool allocValues(double*& slot, unsigned count, double value) {
  slot = nullptr;
  if (count == 0) return true;
  if (!mm_New(slot, count)) return false;
  for (unsigned i = 0; i < count; ++i) slot[i] = value;
  return true;
}

bool buildInstance(LogicRecord* checkLogic, GateRecord* g, GateInstance*& out, int depth) {
  noteStructureChange();
  out = nullptr;
  LogicRecord* sub = subLogic(g);
  if (g->Kind == kKindCall && sub) {
    if (sub == checkLogic || depth >= kMaxCallDepth) {
      shell().app_SetDropFlag(50050);
      return false;
    }
  }
  GateInstance* gi = nullptr;
  if (!mm_New(gi)) return false;
  gi->GateNumber = g->GateNumber;
  const double iv = initialValue();
  bool ok = true;
  const unsigned nIn = inputElements(g), nOut = outputElements(g);
  if (g->InputCount && g->Inputs) {
    ok = mm_New(gi->InputRefs, g->InputCount);
    gi->InputRefCount = ok ? g->InputCount : 0;
  }
  if (ok) {
    ok = allocValues(gi->InputValues, nIn, iv);
    gi->InputSlotCount = ok ? std::uint16_t(nIn) : 0;
  }
  if (ok) {
    ok = allocValues(gi->OutputValues, nOut, iv);
    gi->OutputSlotCount = ok ? std::uint16_t(nOut) : 0;
  }
  if (ok && g->ExtraCount && g->Extra) {
    if (g->Flags & kGateSharedExtra) {
      gi->ExtraValues = g->Extra;
    } else if ((ok = mm_New(gi->ExtraValues, g->ExtraCount))) {
      for (unsigned i = 0; i < g->ExtraCount; ++i) gi->ExtraValues[i] = g->Extra[i];
      gi->ExtraSlotCount = g->ExtraCount;
    }
  }
  const bool borrowsState = g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker;
  if (ok && g->Kind != kKindCall && !borrowsState && g->StateCount) {
    ok = allocValues(gi->StateValues, g->StateCount, iv);
    gi->StateSlotCount = ok ? g->StateCount : 0;
  }
  if (ok && g->Kind == kKindCall && sub) {
    GateInstance* tail = nullptr;
    for (GateRecord* c = sub->FirstGate; c && ok; c = c->Next) {
      GateInstance* ci = nullptr;
      ok = buildInstance(checkLogic, c, ci, depth + 1);
      if (ok) {
        if (tail) tail->Next = ci; else gi->Children = ci;
        tail = ci;
      }
    }
    if (ok) ge_LinkInstanceInputs(sub, gi->Children);
  }
  // Own input references until the list is linked.
  for (unsigned k = 0; ok && gi->InputRefs && k < g->InputCount; ++k) {
    unsigned off = inputElementOffset(g, k + 1);
    gi->InputRefs[k] = off < gi->InputSlotCount ? gi->InputValues + off : nullptr;
  }
  if (!ok) {
    inst_Free(gi);
    return false;
  }
  out = gi;
  return true;
}

// Points input k (0-based) of instance gi at its source's output element or at
// its own element.
void linkInput(const std::unordered_map<const GateRecord*, GateInstance*>& map, GateRecord* g,
               GateInstance* gi, unsigned k) {
  noteStructureChange();
  if (!gi->InputRefs || k >= gi->InputRefCount || !g->Inputs || k >= g->InputCount) return;
  const InputPin& pin = g->Inputs[k];
  double* ref = nullptr;
  if (pin.Source && pin.SourcePin >= 1 && pin.SourcePin <= pin.Source->OutputCount) {
    auto it = map.find(pin.Source);
    if (it != map.end() && it->second) {
      // The input reads as many elements as its type holds; a source whose
      // output values end before that (a connection of unequal types, as a
      // damaged file or an unchecked connect can make) is not read at all.
      const unsigned first = pin.Source->Outputs[pin.SourcePin - 1].FirstElement;
      const unsigned need = elementCount(pin.Type);
      if (first >= 1 && first - 1 + need <= it->second->OutputSlotCount)
        ref = it->second->OutputValues + (first - 1);
    }
  }
  if (!ref) {
    unsigned off = inputElementOffset(g, k + 1);
    ref = off < gi->InputSlotCount ? gi->InputValues + off : nullptr;
  }
  gi->InputRefs[k] = ref;
}

void linkMarker(const std::unordered_map<const GateRecord*, GateInstance*>& map, GateRecord* g,
                GateInstance* gi) {
  noteStructureChange();
  if (g->Kind != kKindReferenceMarker && g->Kind != kKindSetMarker) return;
  gi->StateValues = nullptr;
  GateRecord* m = subMarker(g);
  if (!m) return;
  auto it = map.find(m);
  if (it == map.end() || !it->second || !it->second->StateValues) return;
  unsigned off = m->Kind == kKindDefineMarker ? m->VectorDimension : 0;
  if (off < it->second->StateSlotCount) gi->StateValues = it->second->StateValues + off;
}

std::unordered_map<const GateRecord*, GateInstance*> mapList(LogicRecord* logic, GateInstance* head) {
  std::unordered_map<const GateRecord*, GateInstance*> map;
  GateInstance* gi = head;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g && gi; g = g->Next, gi = gi->Next)
    map[g] = gi;
  return map;
}

void linkList(LogicRecord* logic, GateInstance* head, int depth) {
  auto map = mapList(logic, head);
  GateInstance* gi = head;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g && gi; g = g->Next, gi = gi->Next) {
    for (unsigned k = 0; k < g->InputCount; ++k) linkInput(map, g, gi, k);
    linkMarker(map, g, gi);
    if (g->Kind == kKindCall && subLogic(g) && depth < kMaxCallDepth)
      linkList(subLogic(g), gi->Children, depth + 1);
  }
}

void visitCalls(GateRecord* gates, GateInstance* insts, LogicRecord* target,
                const std::function<void(GateInstance*&)>& fn, int depth) {
  GateInstance* gi = insts;
  for (GateRecord* g = gates; g && gi; g = g->Next, gi = gi->Next) {
    if (g->Kind != kKindCall) continue;
    LogicRecord* sub = subLogic(g);
    if (!sub) continue;
    if (sub == target) fn(gi->Children);
    else if (depth < kMaxCallDepth) visitCalls(sub->FirstGate, gi->Children, target, fn, depth + 1);
  }
}

GateInstance* findByNumber(GateInstance* head, std::uint16_t number, GateInstance** prevOut) {
  GateInstance* prev = nullptr;
  for (GateInstance* gi = head; gi; prev = gi, gi = gi->Next)
    if (gi->GateNumber == number) {
      if (prevOut) *prevOut = prev;
      return gi;
    }
  return nullptr;
}

void insertAt(GateInstance*& head, int predIndex, GateInstance* gi) {
  noteStructureChange();
  if (predIndex < 0 || !head) {
    gi->Next = head;
    head = gi;
    return;
  }
  GateInstance* p = head;
  for (int i = 0; i < predIndex && p->Next; ++i) p = p->Next;
  gi->Next = p->Next;
  p->Next = gi;
}

} // namespace

void inst_Free(GateInstance*& inst) {
  noteStructureChange();
  GateInstance* gi = inst;
  if (!gi) return;
  inst = nullptr;
  inst_FreeList(gi->Children);
  if (gi->StateSlotCount) mm_Delete(gi->StateValues, gi->StateSlotCount);
  if (gi->ExtraSlotCount) mm_Delete(gi->ExtraValues, gi->ExtraSlotCount);
  if (gi->OutputSlotCount) mm_Delete(gi->OutputValues, gi->OutputSlotCount);
  if (gi->InputSlotCount) mm_Delete(gi->InputValues, gi->InputSlotCount);
  if (gi->InputRefCount) mm_Delete(gi->InputRefs, gi->InputRefCount);
  mm_Delete(gi);
}

void inst_FreeList(GateInstance*& head) {
  while (head) {
    GateInstance* next = head->Next;
    inst_Free(head);
    head = next;
  }
}

bool ge_RebuildInstance(LogicRecord* checkLogic, GateRecord* gate, GateInstance*& out) {
  if (!gate) return false;
  return buildInstance(checkLogic, gate, out, 0);
}

void ge_LinkInstanceInputs(LogicRecord* logic, GateInstance* instances) { linkList(logic, instances, 0); }

void inst_ForEachList(LogicRecord* logic, const std::function<void(GateInstance*&)>& fn) {
  if (!logic) return;
  fn(logic->FirstInstance);
  forEachPlainLogic([&](LogicRecord* l) {
    if (l != logic) visitCalls(l->FirstGate, l->FirstInstance, logic, fn, 0);
  });
}

GateInstance* inst_Parallel(LogicRecord* logic, GateInstance* head, const GateRecord* gate) {
  GateInstance* gi = head;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g && gi; g = g->Next, gi = gi->Next)
    if (g == gate) return gi;
  return nullptr;
}

bool inst_InsertEverywhere(LogicRecord* logic, GateRecord* gate) {
  const int predIndex = gateIndex(logic, gate) - 1;
  bool ok = true;
  inst_ForEachList(logic, [&](GateInstance*& head) {
    if (!ok) return;
    GateInstance* gi = nullptr;
    if (!buildInstance(logic, gate, gi, 0)) {
      ok = false;
      return;
    }
    insertAt(head, predIndex, gi);
    auto map = mapList(logic, head);
    for (unsigned k = 0; k < gate->InputCount; ++k) linkInput(map, gate, gi, k);
    linkMarker(map, gate, gi);
  });
  if (!ok) inst_RemoveEverywhere(logic, gate);
  return ok;
}

void inst_RemoveEverywhere(LogicRecord* logic, GateRecord* gate) {
  noteStructureChange();
  inst_ForEachList(logic, [&](GateInstance*& head) {
    GateInstance* prev = nullptr;
    GateInstance* gi = findByNumber(head, gate->GateNumber, &prev);
    if (!gi) return;
    if (prev) prev->Next = gi->Next; else head = gi->Next;
    gi->Next = nullptr;
    inst_Free(gi);
  });
}

bool ge_GrowInstances(GateRecord* gates, GateInstance* instances, LogicRecord* logic) {
  DocumentRecord* d = doc();
  if (!d || !d->CurrentGate || !logic) return false;
  GateRecord* gate = d->CurrentGate;
  const int predIndex = gateIndex(logic, gate) - 1;
  bool ok = true;
  visitCalls(gates, instances, logic, [&](GateInstance*& head) {
    if (!ok) return;
    GateInstance* gi = nullptr;
    if (!buildInstance(logic, gate, gi, 0)) {
      ok = false;
      return;
    }
    insertAt(head, predIndex, gi);
    auto map = mapList(logic, head);
    for (unsigned k = 0; k < gate->InputCount; ++k) linkInput(map, gate, gi, k);
    linkMarker(map, gate, gi);
  }, 0);
  return ok;
}

void ge_CompactInstanceNumbers(LogicRecord* logic) {
  noteStructureChange();
  if (!logic) return;
  logic->GateCounter = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) g->GateNumber = ++logic->GateCounter;
  inst_ForEachList(logic, [&](GateInstance*& head) {
    GateInstance* gi = head;
    for (GateRecord* g = logic->FirstGate; g && gi; g = g->Next, gi = gi->Next) gi->GateNumber = g->GateNumber;
  });
}

bool ge_UpdateGateFlag(LogicRecord* logic, GateRecord* gate, bool allowed) {
  noteStructureChange();
  if (!logic || !gate) return false;
  const bool share = gt_SharesParams(logic, gate, allowed);
  const bool now = (gate->Flags & kGateSharedExtra) != 0;
  if (share == now) return true;
  std::vector<GateInstance*> insts;
  inst_ForEachList(logic, [&](GateInstance*& head) {
    if (GateInstance* gi = findByNumber(head, gate->GateNumber, nullptr)) insts.push_back(gi);
  });
  if (share) {
    for (GateInstance* gi : insts) {
      if (gi->ExtraSlotCount) mm_Delete(gi->ExtraValues, gi->ExtraSlotCount);
      gi->ExtraSlotCount = 0;
      gi->ExtraValues = gate->Extra;
    }
    gate->Flags |= kGateSharedExtra;
    return true;
  }
  std::vector<double*> copies(insts.size(), nullptr);
  for (std::size_t i = 0; i < insts.size(); ++i) {
    if (gate->ExtraCount && !mm_New(copies[i], gate->ExtraCount)) {
      for (std::size_t j = 0; j < i; ++j) mm_Delete(copies[j], gate->ExtraCount);
      return false;
    }
    for (unsigned r = 0; r < gate->ExtraCount; ++r) copies[i][r] = gate->Extra[r];
  }
  for (std::size_t i = 0; i < insts.size(); ++i) {
    insts[i]->ExtraValues = copies[i];
    insts[i]->ExtraSlotCount = copies[i] ? gate->ExtraCount : 0;
  }
  gate->Flags &= std::uint16_t(~kGateSharedExtra);
  return true;
}

bool ge_GrowExtra(LogicRecord* logic, GateRecord* gate, std::uint16_t n) {
  noteStructureChange();
  if (!gate) return false;
  std::vector<GateInstance*> insts;
  if (logic)
    inst_ForEachList(logic, [&](GateInstance*& head) {
      if (GateInstance* gi = findByNumber(head, gate->GateNumber, nullptr)) insts.push_back(gi);
    });
  const bool shared = (gate->Flags & kGateSharedExtra) != 0;
  double* fresh = nullptr;
  if (n && !allocValues(fresh, n, initialValue())) return false;
  std::vector<double*> copies(shared ? 0 : insts.size(), nullptr);
  for (std::size_t i = 0; i < copies.size(); ++i) {
    if (n && !mm_New(copies[i], n)) {
      for (std::size_t j = 0; j < i; ++j) mm_Delete(copies[j], n);
      if (fresh) mm_Delete(fresh, n);
      return false;
    }
  }
  if (gate->Extra) mm_Delete(gate->Extra, gate->ExtraCount);
  gate->Extra = fresh;
  gate->ExtraCount = n;
  paramDefaults().pf_SetParamDefaults(gate);
  for (std::size_t i = 0; i < insts.size(); ++i) {
    GateInstance* gi = insts[i];
    if (gi->ExtraSlotCount) mm_Delete(gi->ExtraValues, gi->ExtraSlotCount);
    gi->ExtraSlotCount = 0;
    if (shared) {
      gi->ExtraValues = gate->Extra;
    } else {
      gi->ExtraValues = copies[i];
      for (unsigned r = 0; r < n && copies[i]; ++r) copies[i][r] = gate->Extra[r];
      gi->ExtraSlotCount = copies[i] ? n : 0;
    }
  }
  return true;
}

bool ge_SetStateCount(LogicRecord* logic, GateRecord* gate, std::uint16_t n) {
  noteStructureChange();
  if (!logic || !gate) return false;
  if (gate->Kind == kKindCall || gate->Kind == kKindReferenceMarker || gate->Kind == kKindSetMarker) {
    gate->StateCount = n;   // no own state values in these instances
    return true;
  }
  std::vector<GateInstance*> insts;
  inst_ForEachList(logic, [&](GateInstance*& head) {
    if (GateInstance* gi = findByNumber(head, gate->GateNumber, nullptr)) insts.push_back(gi);
  });
  std::vector<double*> fresh(insts.size(), nullptr);
  for (std::size_t i = 0; i < insts.size(); ++i) {
    if (!allocValues(fresh[i], n, initialValue())) {
      for (std::size_t j = 0; j < i; ++j) if (fresh[j]) mm_Delete(fresh[j], n);
      return false;
    }
  }
  for (std::size_t i = 0; i < insts.size(); ++i) {
    if (insts[i]->StateSlotCount) mm_Delete(insts[i]->StateValues, insts[i]->StateSlotCount);
    insts[i]->StateValues = fresh[i];
    insts[i]->StateSlotCount = n;
  }
  gate->StateCount = n;
  if (gate->Kind == kKindMarker || gate->Kind == kKindDefineMarker)
    inst_ForEachList(logic, [&](GateInstance*& head) { linkList(logic, head, kMaxCallDepth); });
  return true;
}

void inst_RelinkInput(LogicRecord* logic, GateRecord* gate, unsigned pin) {
  noteStructureChange();
  if (!logic || !gate || pin < 1 || pin > gate->InputCount) return;
  inst_ForEachList(logic, [&](GateInstance*& head) {
    auto map = mapList(logic, head);
    auto it = map.find(gate);
    if (it != map.end()) linkInput(map, gate, it->second, pin - 1);
  });
}

} // namespace model
