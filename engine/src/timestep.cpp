#include "recorder/recordgate.h"
#include "engine/timestep.h"

#include "engine/services.h"
#include "engine/vm.h"
#include "engine/vmdirect.h"

#include "model/instances.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace engine {

namespace {

struct MacroContext {
  double** inputRefs = nullptr;
  model::InputPin* pins = nullptr;
  unsigned port = 1;
  unsigned inputCount = 0;
  double* cursor = nullptr;
  double* cursorEnd = nullptr;
};

// The time step's plan of one pass over a logic and one of its instance
// lists: the gates that have a step, in list order (a gate whose kind's table
// entry does nothing is left out, and its kind noted with that entry, so
// that a pass finding the entry replaced walks the lists instead) and, for
// each compiled gate whose step code is lean (cannot reach the logic record),
// what is the same in every step: its decoded procedure, the views of its
// instance areas, where each input is read from and written to and, where
// the code allows it, its direct form (the interpreter is then not entered).
// Plans are kept while the model's structure counter and the interpreter's
// link generation stay the same, and all are dropped when either moves. A
// gate's kind is set when it is made (a compiled gate without step code
// turns native, still through its table entry), so a plan keeps it.
struct InputMove {
  const double* source = nullptr;
  double* slot = nullptr;
  std::uint16_t count = 0;   // REAL elements; 0: an integer input
  bool negate = false;       // an integer input read complemented
};
struct LeanGate {
  // What every run reads first: its input moves, its direct form (the
  // operations standing for 'instructions' instructions; 0: none, the lean
  // run), set when the plan is complete.
  const InputMove* moves = nullptr;
  const InputMove* movesEnd = nullptr;
  const DirectOp* ops = nullptr;
  const DirectOp* opsEnd = nullptr;
  std::uint32_t instructions = 0;
  bool writeBack = false;   // the inputs are written back after the run
  std::uint32_t firstMove = 0, moveCount = 0, firstOp = 0, opCount = 0;   // in the plan's arrays
  const Procedure* code = nullptr;
  Vm::LeanFrame frame;
};
struct PlanEntry {
  model::GateRecord* gate = nullptr;
  model::GateInstance* instance = nullptr;
  const LeanGate* lean = nullptr;   // null: through GateStepTable
  // The first gate of a run of consecutive gates in direct form: the run's
  // gates in the plan's 'directs' and the most instructions one of them
  // stands for.
  std::uint32_t firstDirect = 0, runLength = 0, runMost = 0;
  std::int32_t leanIndex = -1;      // while the plan is made
};
// A gate in direct form as a run of them reads it: its operations, the
// instructions they stand for, whether its inputs are written back.
struct DirectGate {
  const DirectOp* ops = nullptr;
  const DirectOp* opsEnd = nullptr;
  model::GateInstance* instance = nullptr;
  std::uint32_t instructions = 0;
  bool writeBack = false;
  model::GateRecord* gate = nullptr;
};
struct Plan {
  std::vector<PlanEntry> entries;
  std::vector<LeanGate> leans;
  std::vector<InputMove> moves;
  std::vector<DirectOp> ops;
  std::vector<DirectGate> directs;
  // The kinds whose gates were left out, with the table entry each had.
  std::vector<std::pair<unsigned, StepHandler>> skipped;
  bool firstSkipped = false;   // the first gate of the list was left out
};
struct PlanCache {
  std::uint64_t structure = ~std::uint64_t(0), links = ~std::uint64_t(0);
  std::map<std::pair<const void*, const void*>, std::unique_ptr<Plan>> plans;
};

struct StepState {
  std::vector<double> snapshot;
  // Instances whose step code used up its instruction budget in this time
  // step: they stay stopped until the next time step.
  std::unordered_set<const model::GateInstance*> stalled;
  std::int16_t adaptCounter = 0;
  MacroContext macro;
  PlanCache plans;
  bool narrowRequest = false;
  bool atLimit = false;
  bool beforeLimit = false;
};
StepState gState;

bool isIntegerType(model::PinSignalType t) { return t < model::kTypeReal; }

std::uint16_t getWord(const double* slot) { std::uint16_t w; std::memcpy(&w, slot, 2); return w; }
void putWord(double* slot, std::uint16_t w) { std::memcpy(slot, &w, 2); }

bool variableWidth(const model::LogicRecord* l) { return l->StepBlock.stepFlags & 1; }

void stepNop(model::DocumentRecord&, model::GateRecord*, model::GateInstance*) {}

void stepInput(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  MacroContext& m = gState.macro;
  if (!m.inputRefs) return;   // only inside a macro
  const unsigned port = m.port++;
  if (port < 1 || port > m.inputCount || !in->OutputValues || g->OutputCount == 0) return;
  const double* src = m.inputRefs[port - 1];
  if (!src) return;
  const model::PinSignalType t = g->Outputs[0].Type;
  if (isIntegerType(t)) {
    putWord(in->OutputValues, getWord(src));
    return;
  }
  unsigned count = model::elementCount(t);
  if (m.pins) count = std::min(count, model::elementCount(m.pins[port - 1].Type));
  count = std::min<unsigned>(count, in->OutputSlotCount);
  sim_CopyVectorChecked(doc, src, in->OutputValues, count);
}

void stepOutput(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  if (g->InputCount == 0 || !in->InputRefs || !in->InputRefs[0]) return;
  const double* src = in->InputRefs[0];
  const model::PinSignalType t = g->Inputs[0].Type;
  MacroContext& m = gState.macro;
  const bool inMacro = m.inputRefs != nullptr || m.cursor != nullptr;
  const unsigned elements = isIntegerType(t) ? 1 : model::elementCount(t);
  const double* value = src;
  if (in->StateValues && in->StateSlotCount) {
    const unsigned n = std::min<unsigned>(elements, in->StateSlotCount);
    if (isIntegerType(t)) putWord(in->StateValues, getWord(src));
    else if (inMacro) sim_CopyVectorChecked(doc, src, in->StateValues, n);
    else std::memcpy(in->StateValues, src, n * sizeof(double));
    value = in->StateValues;
  }
  if (!inMacro || !m.cursor) return;
  // One bound for all ports: never past the macro's output slots.
  for (unsigned k = 0; k < elements && m.cursor < m.cursorEnd; ++k, ++m.cursor) {
    if (std::fabs(*m.cursor - value[k]) > 0.1) doc.changed = 1;
    *m.cursor = value[k];
  }
}

void stepDisableLogic(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  if (g->Next) g->Next->Flags = std::uint16_t(g->Next->Flags & ~(1u << 12));
  if (g->InputCount && in->InputRefs && in->InputRefs[0] && in->InputValues)
    sim_CopyVectorChecked(doc, in->InputRefs[0], in->InputValues,
                          std::min<unsigned>(model::elementCount(g->Inputs[0].Type), in->InputSlotCount));
}

// Reads the inputs into the instance's own input slots.
void gatherInputs(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in, bool negateReal) {
  if (!in->InputRefs || !in->InputValues) return;
  unsigned slot = 0;
  for (unsigned p = 0; p < g->InputCount && p < in->InputRefCount; ++p) {
    const model::InputPin& pin = g->Inputs[p];
    const unsigned count = model::elementCount(pin.Type);
    const double* src = in->InputRefs[p];
    if (src && src != in->InputValues + slot) {
      if (isIntegerType(pin.Type)) {
        if (slot < in->InputSlotCount) {
          std::uint16_t w = getWord(src);
          if (pin.Flags & model::kPinAppliedNegation) w ^= 0xFFFF;
          putWord(in->InputValues + slot, w);
        }
      } else {
        for (unsigned e = 0; e < count && slot + e < in->InputSlotCount; ++e) {
          double v = src[e];
          if (negateReal && (pin.Flags & model::kPinAppliedNegation)) v = -v;
          if (std::fabs(in->InputValues[slot + e] - v) > 0.1) doc.changed = 1;
          in->InputValues[slot + e] = v;
        }
      }
    }
    slot += count;
  }
}

// Writes the input slots back to their sources after the gate ran.
void writeBackInputs(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  if (!in->InputRefs || !in->InputValues) return;
  unsigned slot = 0;
  for (unsigned p = 0; p < g->InputCount && p < in->InputRefCount; ++p) {
    const model::InputPin& pin = g->Inputs[p];
    const unsigned count = model::elementCount(pin.Type);
    double* src = in->InputRefs[p];
    if (src && src != in->InputValues + slot) {
      if (isIntegerType(pin.Type)) {
        if (slot < in->InputSlotCount) {
          std::uint16_t w = getWord(in->InputValues + slot);
          if (pin.Flags & model::kPinAppliedNegation) w ^= 0xFFFF;
          putWord(src, w);
        }
      } else {
        for (unsigned e = 0; e < count && slot + e < in->InputSlotCount; ++e) {
          const double diff = std::fabs(in->InputValues[slot + e] - src[e]);
          if (diff > 0.1) doc.changed = 1;
          if (diff > 0.5 && pin.Source != g) src[e] = in->InputValues[slot + e];
        }
      }
    }
    slot += count;
  }
}

// Whether an input of the gate reads one of its own instance's output, extra
// or state slots.
bool readsOwnSlots(const model::GateRecord* g, const model::GateInstance* in) {
  if (!in->InputRefs) return false;
  auto inside = [](const double* p, const double* block, std::size_t n) {
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p), b = reinterpret_cast<std::uintptr_t>(block);
    return block && a >= b && a - b < n * sizeof(double);
  };
  const unsigned pins = std::min<unsigned>(g->InputCount, in->InputRefCount);
  for (unsigned p = 0; p < pins; ++p) {
    const double* src = in->InputRefs[p];
    if (inside(src, in->OutputValues, in->OutputSlotCount) ||
        inside(src, in->ExtraValues, std::max<std::size_t>(in->ExtraSlotCount, g->ExtraCount)) ||
        inside(src, in->StateValues, in->StateSlotCount))
      return true;
  }
  return false;
}

void callNativeStep(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  // No native step procedures exist in this system: a type without
  // interpreter code has nothing to run.
  (void)doc; (void)g; (void)in;
}

void stepInterpreted(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  model::GateTypeRecord* t = model::subType(g);
  if (!t || !t->StepProc) return;   // placeholder type: its library is not loaded
  if (t->StepLength == 0) {
    g->Kind = model::kKindCompiledNative;
    callNativeStep(doc, g, in);
    return;
  }
  static Vm& machine = vm();
  const Procedure* code = machine.procedureFor(t->StepProc);
  if (!code) return;   // not linked (refused code)
  // A gate in an endless loop ran out of its budget once in this time step
  // (one run error): it stays stopped for the rest of the step.
  if (!gState.stalled.empty() && gState.stalled.count(in)) return;
  gatherInputs(doc, g, in, false);
  machine.attachDocument(&doc);
  machine.runStep(g, in, *code);
  if (machine.lastRunOutOfBudget()) gState.stalled.insert(in);
  // Writing back changes nothing when the code cannot write its input slots
  // and no input reads a slot of the gate's own instance (its outputs, extras
  // or states, which the run may have changed): every slot then still holds
  // what was gathered from a source the run did not touch.
  if (code->writesInputs || readsOwnSlots(g, in)) writeBackInputs(doc, g, in);
}


void addLeanGate(Plan& plan, PlanEntry& e) {
  model::GateRecord* g = e.gate;
  model::GateInstance* in = e.instance;
  if (g->Kind != model::kKindCompiled) return;
  const model::GateTypeRecord* t = model::subType(g);
  if (!t || !t->StepProc || t->StepLength == 0) return;
  const Procedure* code = vm().procedureFor(t->StepProc);
  if (!code || code->reachesLogic) return;
  LeanGate L;
  L.code = code;
  L.frame = vm().leanFrame(g, in);
  L.writeBack = code->writesInputs || readsOwnSlots(g, in);
  L.firstMove = std::uint32_t(plan.moves.size());
  // The same reads as gatherInputs, resolved once.
  if (in->InputRefs && in->InputValues) {
    unsigned slot = 0;
    for (unsigned p = 0; p < g->InputCount && p < in->InputRefCount; ++p) {
      const model::InputPin& pin = g->Inputs[p];
      const unsigned count = model::elementCount(pin.Type);
      const double* src = in->InputRefs[p];
      if (src && src != in->InputValues + slot && slot < in->InputSlotCount) {
        InputMove m;
        m.source = src;
        m.slot = in->InputValues + slot;
        const bool integer = isIntegerType(pin.Type);
        m.negate = integer && (pin.Flags & model::kPinAppliedNegation);
        m.count = integer ? 0 : std::uint16_t(std::min<unsigned>(count, in->InputSlotCount - slot));
        if (integer || m.count) plan.moves.push_back(m);
      }
      slot += count;
    }
  }
  L.moveCount = std::uint32_t(plan.moves.size()) - L.firstMove;
  // The direct form reads the inputs itself, first.
  L.firstOp = std::uint32_t(plan.ops.size());
  for (std::uint32_t k = L.firstMove; k < L.firstMove + L.moveCount; ++k) {
    const InputMove& m = plan.moves[k];
    DirectOp d;
    d.kind = m.count == 0 ? kDirectGatherWord : m.count == 1 ? kDirectGatherReal1 : kDirectGatherReals;
    d.op = m.negate;
    d.count = m.count;
    d.a = reinterpret_cast<const std::uint8_t*>(m.source);
    d.to = reinterpret_cast<std::uint8_t*>(m.slot);
    plan.ops.push_back(d);
  }
  if (vm().compileDirect(*code, L.frame, plan.ops, L.instructions)) {
    L.opCount = std::uint32_t(plan.ops.size()) - L.firstOp;
  } else {
    L.instructions = 0;
    plan.ops.resize(L.firstOp);
  }
  e.leanIndex = std::int32_t(plan.leans.size());
  plan.leans.push_back(L);
}

// Table entries that do nothing: their gates need no place in a plan.
bool doesNothing(StepHandler h) { return !h || h == stepNop || h == callNativeStep; }

unsigned tableIndex(const model::GateRecord* g) { return g->Kind < 135 ? g->Kind : 90; }

Plan& planFor(model::LogicRecord* logic, model::GateInstance* instances) {
  PlanCache& c = gState.plans;
  const std::uint64_t structure = model::structureChanges(), links = vm().linkGeneration();
  if (c.structure != structure || c.links != links) {
    c.plans.clear();
    c.structure = structure;
    c.links = links;
  }
  std::unique_ptr<Plan>& slot = c.plans[{logic, instances}];
  if (!slot) {
    slot = std::make_unique<Plan>();
    Plan& plan = *slot;
    model::GateRecord* g = logic->FirstGate;
    model::GateInstance* in = instances;
    for (; g && in; g = g->Next, in = in->Next) {
      const unsigned kind = tableIndex(g);
      if (doesNothing(GateStepTable[kind])) {
        if (g == logic->FirstGate) plan.firstSkipped = true;
        const auto noted = [&](const std::pair<unsigned, StepHandler>& k) { return k.first == kind; };
        if (std::none_of(plan.skipped.begin(), plan.skipped.end(), noted))
          plan.skipped.emplace_back(kind, GateStepTable[kind]);
        continue;
      }
      plan.entries.push_back(PlanEntry{g, in});
      addLeanGate(plan, plan.entries.back());
    }
    for (LeanGate& L : plan.leans) {
      L.moves = plan.moves.data() + L.firstMove;
      L.movesEnd = L.moves + L.moveCount;
      L.ops = plan.ops.data() + L.firstOp;
      L.opsEnd = L.ops + L.opCount;
    }
    for (PlanEntry& e : plan.entries)
      if (e.leanIndex >= 0) e.lean = &plan.leans[std::size_t(e.leanIndex)];
    const auto direct = [&](std::size_t k) { return plan.entries[k].lean && plan.entries[k].lean->instructions; };
    for (std::size_t k = 0; k < plan.entries.size();) {
      PlanEntry& first = plan.entries[k];
      first.firstDirect = std::uint32_t(plan.directs.size());
      std::size_t n = 0;
      for (; k + n < plan.entries.size() && direct(k + n); ++n) {
        const PlanEntry& e = plan.entries[k + n];
        const LeanGate& L = *e.lean;
        plan.directs.push_back(DirectGate{L.ops, L.opsEnd, e.instance, L.instructions, L.writeBack, e.gate});
        first.runMost = std::max(first.runMost, L.instructions);
      }
      first.runLength = std::uint32_t(n);
      k += n ? n : 1;
    }
  }
  return *slot;
}

// Reads a lean gate's inputs into its slots: the same as gatherInputs.
inline void gatherLean(model::DocumentRecord& doc, const InputMove* m, const InputMove* const end) {
  for (; m != end; ++m) {
    if (m->count == 0) {
      std::uint16_t w = getWord(m->source);
      if (m->negate) w ^= 0xFFFF;
      putWord(m->slot, w);
      continue;
    }
    for (unsigned e = 0; e < m->count; ++e)
      gatherReal(reinterpret_cast<const std::uint8_t*>(m->source + e), reinterpret_cast<std::uint8_t*>(m->slot + e),
                 &doc.changed);
  }
}

// A lean compiled gate of a plan: the same as stepInterpreted, through its
// direct form when it has one and the budget of a run (directBudget) holds it.
inline void stepLean(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in, const LeanGate& L,
                     Vm& machine, std::uint64_t directBudget) {
  if (!gState.stalled.empty() && gState.stalled.count(in)) return;
  if (std::uint64_t(L.instructions) - 1 < directBudget) {
    runDirect(L.ops, L.opsEnd, &doc.changed);
    machine.attachDocument(&doc);
    machine.countDirectRun(L.instructions);
  } else {
    gatherLean(doc, L.moves, L.movesEnd);
    machine.attachDocument(&doc);
    machine.runLean(g, in, *L.code, L.frame);
    if (machine.lastRunOutOfBudget()) gState.stalled.insert(in);
  }
  if (L.writeBack) writeBackInputs(doc, g, in);
}

// A run of consecutive gates in direct form, when every one of them fits the
// budget of a run and the stop check cannot stop the pass: the same as
// stepLean for each, with what no run in between could observe (the
// interpreter's document and counters) done once.
void stepDirectGates(model::DocumentRecord& doc, const DirectGate* e, const DirectGate* const end, Vm& machine) {
  const bool anyStalled = !gState.stalled.empty();   // direct gates never stall
  std::uint64_t ran = 0;   // every form stands for one instruction at least
  for (; e != end; ++e) {
    if (anyStalled && gState.stalled.count(e->instance)) continue;
    runDirect(e->ops, e->opsEnd, &doc.changed);
    ran += e->instructions;
    if (e->writeBack) writeBackInputs(doc, e->gate, e->instance);
  }
  if (ran) {
    machine.attachDocument(&doc);
    machine.countDirectRun(ran);
  }
}

int gSubDepth = 0;   // nesting of sub-logic passes (a logic never calls itself; this keeps it so)

void stepSubLogic(model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* in) {
  model::LogicRecord* sub = model::subLogic(g);
  if (!sub || !in || gSubDepth >= 64) return;
  struct DepthGuard {
    DepthGuard() { ++gSubDepth; }
    ~DepthGuard() { --gSubDepth; }
  } guard;
  const std::uint16_t mode = g->AuxWord54;
  const unsigned n = g->AuxWord66 ? g->AuxWord66 : 1;
  model::LogicRecord* top = doc.SimLogic;
  const unsigned limit = top ? top->StepBlock.maxIterations : 0;
  const unsigned counter = doc.iterationCounter;
  const std::uint16_t savedChanged = doc.changed, savedConverged = doc.converged;
  const std::uint8_t savedCheck = doc.convergenceCheck;
  const bool savedAt = gState.atLimit, savedBefore = gState.beforeLimit;
  const std::uint16_t savedAccept = doc.acceptStep;
  const std::uint16_t savedLimit = top ? top->StepBlock.maxIterations : 0;
  bool restoreCC = false, restoreLimit = false;
  if (!(mode & 0x8000)) {
    if ((mode & 0x2000) && int(counter) > int(limit) - 2) {
      restoreCC = true;
      doc.convergenceCheck = 0;
    }
  } else {
    if (counter == n) {
      restoreLimit = true;
      if (top) top->StepBlock.maxIterations = std::uint16_t(n);
      doc.acceptStep = 1;
      if (mode & 0x2000) doc.convergenceCheck = 0;
      gState.atLimit = doc.convergenceCheck != 0;
      gState.beforeLimit = false;
    } else {
      gState.atLimit = false;
      gState.beforeLimit = counter + 1 == n && doc.convergenceCheck;
    }
  }
  const MacroContext saved = gState.macro;
  gState.macro = MacroContext{};
  gState.macro.inputRefs = in->InputRefs;
  gState.macro.pins = g->Inputs;
  gState.macro.port = 1;
  gState.macro.inputCount = std::min<unsigned>(g->InputCount, in->InputRefCount);
  gState.macro.cursor = in->OutputValues;
  gState.macro.cursorEnd = in->OutputValues ? in->OutputValues + in->OutputSlotCount : nullptr;
  sim_StepLogic(doc, sub, in->Children);
  if (restoreCC) {
    doc.changed = savedChanged;
    doc.converged = savedConverged;
    doc.convergenceCheck = savedCheck;
  }
  if (mode & 0x8000) {
    gState.atLimit = savedAt;
    gState.beforeLimit = savedBefore;
    doc.convergenceCheck = savedCheck;
    if (restoreLimit) {
      if (top) top->StepBlock.maxIterations = savedLimit;
      doc.acceptStep = savedAccept;
    }
  }
  gState.macro = saved;
}

struct TableInit {
  TableInit() {
    for (auto& h : GateStepTable) h = nullptr;
    GateStepTable[0] = stepSubLogic;
    for (unsigned k = 1; k <= 89; ++k) GateStepTable[k] = stepNop;
    GateStepTable[model::kKindInput] = stepInput;
    GateStepTable[model::kKindOutput] = stepOutput;
    GateStepTable[model::kKindDisableLogic] = stepDisableLogic;
    // Record gates read and write their files once per time step.
    GateStepTable[rec::kKindReadRecord] = GateStepTable[rec::kKindWriteRecord] =
        [](model::DocumentRecord& doc, model::GateRecord* g, model::GateInstance* i) {
          rec::vdb_StepRecordGate(g, i, doc.SimLogic ? doc.SimLogic->StepBlock.simTime : 0.0);
        };
    GateStepTable[model::kKindCompiled] = stepInterpreted;
    GateStepTable[model::kKindCompiledNative] = callNativeStep;
  }
};

template <bool Save>
void walkOutputs(model::GateRecord* gates, model::GateInstance* instances, std::size_t& pos, int depth = 0) {
  if (depth > 64) return;
  std::vector<double>& buf = gState.snapshot;
  auto move = [&](double& slot) {
    if (pos >= 1 && pos <= buf.size()) {
      if (Save) buf[pos - 1] = slot; else slot = buf[pos - 1];
    }
    ++pos;
  };
  model::GateRecord* g = gates;
  model::GateInstance* in = instances;
  for (; g && in; g = g->Next, in = in->Next) {
    for (unsigned k = 0; k < in->OutputSlotCount && in->OutputValues; ++k) move(in->OutputValues[k]);
    if (in->StateValues && in->StateSlotCount)
      for (unsigned k = in->StateSlotCount; k-- > 0;) move(in->StateValues[k]);
    if (g->Kind == model::kKindCall && model::subLogic(g))
      walkOutputs<Save>(model::subLogic(g)->FirstGate, in->Children, pos, depth + 1);
  }
}

std::size_t countSlots(const model::GateRecord* g, int depth) {
  std::size_t n = 0;
  for (; g; g = g->Next) {
    n += model::outputElements(g) + g->StateCount;
    if (g->Kind == model::kKindCall && model::subLogic(g) && depth < 64)
      n += countSlots(model::subLogic(g)->FirstGate, depth + 1);
  }
  return n;
}

} // namespace

StepHandler GateStepTable[135];
static TableInit gTableInit;

StepOptions& stepOptions() {
  static StepOptions o;
  return o;
}

void sim_ResetState() { gState = StepState{}; }

void sim_CopyVectorChecked(model::DocumentRecord& doc, const double* source, double* target, unsigned count) {
  for (unsigned k = 0; k < count; ++k) {
    if (std::fabs(target[k] - source[k]) > 0.1) doc.changed = 1;
    target[k] = source[k];
    if (std::fabs(target[k]) < 1e-38) target[k] = 0.0;
    if (target[k] > 1e38) { doc.changed = 1; target[k] = 1e38; }
    if (target[k] < -1e38) { doc.changed = 1; target[k] = -1e38; }
  }
}

std::size_t sim_CountBufferSlots(const model::LogicRecord* logic) {
  return logic ? countSlots(logic->FirstGate, 0) * 8 : 0;
}

bool sim_AllocBuffer(model::DocumentRecord& doc) {
  sim_FreeBuffer();
  if (!doc.SimLogic) return false;
  gState.snapshot.assign(sim_CountBufferSlots(doc.SimLogic) / 8, 0.0);
  return true;
}

void sim_FreeBuffer() { gState.snapshot.clear(); gState.snapshot.shrink_to_fit(); }

void sim_SaveOutputs(model::GateRecord* gates, model::GateInstance* instances, std::size_t& position) {
  walkOutputs<true>(gates, instances, position);
}
void sim_RestoreOutputs(model::GateRecord* gates, model::GateInstance* instances, std::size_t& position) {
  walkOutputs<false>(gates, instances, position);
}

bool sim_AdaptStep(model::DocumentRecord& doc, double& newWidth) {
  model::LogicRecord* l = doc.SimLogic;
  if (!l) return false;
  const model::StepBlock& sb = l->StepBlock;
  const unsigned limit = sb.maxIterations, counter = doc.iterationCounter;
  // A step block without a usable increment or limit changes no width.
  if (!(sb.incrInterval > 0) || !std::isfinite(sb.incrInterval) || limit == 0) return false;
  if (gState.adaptCounter < 32767) ++gState.adaptCounter;
  if (counter < limit / 2) {
    if (gState.adaptCounter <= 4 || sb.interval == sb.maxInterval || sb.interval > l->currentStep) return false;
    newWidth = std::min(sb.interval * sb.incrInterval, sb.maxInterval);
    gState.adaptCounter = 0;
    return newWidth != sb.interval;
  }
  if (counter > (2 * limit) / 3) {
    if (sb.interval == sb.minInterval) return false;
    newWidth = std::max(l->currentStep / sb.incrInterval, sb.minInterval);
    return true;
  }
  return false;
}

void sim_StepLogic(model::DocumentRecord& doc, model::LogicRecord* logic, model::GateInstance* instances) {
  doc.runFlag = 1;
  model::LogicRecord* top = doc.SimLogic;
  model::GateRecord* g = logic ? logic->FirstGate : nullptr;
  model::GateInstance* in = instances;
  // After each gate: whether the iteration stops (a value still moving at
  // the limit).
  auto stopsHere = [&] {
    if (!((gState.atLimit && doc.changed) || (gState.beforeLimit && !doc.converged))) return false;
    if (top && variableWidth(top) && top->currentStep > top->StepBlock.minInterval) {
      gState.narrowRequest = true;
    } else if (!doc.stepAborted) {
      engineServices().showMessage(50034);
      doc.runError = 1;
      doc.stepAborted = 1;
    }
    doc.runFlag = 0;
    return true;
  };
  if (g && in) {
    const Plan& plan = planFor(logic, instances);
    const std::uint64_t structure = gState.plans.structure, links = gState.plans.links;
    static Vm& machine = vm();
    // The gates left out still do nothing (else the lists are walked).
    for (const auto& k : plan.skipped)
      if (GateStepTable[k.first] != k.second) goto lists;
    // A left-out gate first in the list would have been followed by the stop check.
    if (plan.firstSkipped && stopsHere()) return;
    // Lean gates run as their table entry would (a replaced entry is used instead).
    const bool lean = GateStepTable[model::kKindCompiled] == stepInterpreted;
    // Whether the stop check can stop the pass: only the iteration limit's
    // marks make it, and only a gate run through its table entry (a
    // sub-logic pass) changes them.
    bool watch = gState.atLimit || gState.beforeLimit;
    std::uint64_t directBudget = machine.directBudget();
    const DirectGate* const directs = plan.directs.data();
    for (const PlanEntry* e = plan.entries.data(), *end = e + plan.entries.size(); e != end; ++e) {
      if (e->runLength && lean && !watch && e->runMost <= directBudget) {
        const DirectGate* const first = directs + e->firstDirect;
        stepDirectGates(doc, first, first + e->runLength, machine);
        e += e->runLength - 1;
        continue;
      }
      g = e->gate;
      in = e->instance;
      if (lean && e->lean) {
        // Lean code changes no structure (it makes no call and no extern
        // call), nor the run flag.
        stepLean(doc, g, in, *e->lean, machine, directBudget);
        if (watch && stopsHere()) return;
        continue;
      }
      const StepHandler h = GateStepTable[tableIndex(g)];
      if (h) h(doc, g, in);
      if (stopsHere()) return;
      watch = gState.atLimit || gState.beforeLimit;
      directBudget = machine.directBudget();
      // A gate that changed the structure (block code editing the model, a
      // sub-logic pass) may have released this plan: the pass goes on along
      // the lists, as it would without one.
      if (!doesNothing(h) && (model::structureChanges() != structure || machine.linkGeneration() != links)) {
        g = g->Next;
        in = in->Next;
        goto lists;
      }
      if (!doc.runFlag) return;
    }
    return;
  }
lists:
  for (; g && in && doc.runFlag; g = g->Next, in = in->Next) {
    if (StepHandler h = GateStepTable[g->Kind < 135 ? g->Kind : 90]) h(doc, g, in);
    if (stopsHere()) break;
  }
  // runFlag stays 0 after a stopped pass, so that the passes of the enclosing
  // logics stop too; every pass starts with 1.
}

namespace {
// A step in progress: a dialog that block code opened on the UI thread runs a
// nested event loop inside the step, and the timer ticks and engine events
// arriving there must not start another step.
bool gStepping = false;
unsigned gSkippedSteps = 0;
std::uint8_t stepOnce(model::DocumentRecord& doc);
} // namespace

bool sim_StepInProgress() { return gStepping; }
unsigned sim_SkippedSteps() { return gSkippedSteps; }

std::uint8_t sim_Step(model::DocumentRecord& doc) {
  if (gStepping) {
    ++gSkippedSteps;
    return 0;
  }
  gStepping = true;
  struct Done {
    ~Done() { gStepping = false; }
  } done;
  return stepOnce(doc);
}

namespace {
std::uint8_t stepOnce(model::DocumentRecord& doc) {
  model::LogicRecord* l = doc.SimLogic;
  if (!l) return 0;
  model::StepBlock& sb = l->StepBlock;
  const bool variable = variableWidth(l);
  doc.stepAborted = 0;
  doc.changed = 1;
  gState.macro = MacroContext{};
  doc.atTimeZero = sb.simTime == 0.0;
  if (doc.iterationCounter == 1) {
    gState.stalled.clear();
    vm().refreshLogicImage();
    doc.requestedStep = 1e38;
    doc.acceptStep = 0;
    if (variable) {
      if (gState.snapshot.size() * 8 != sim_CountBufferSlots(l)) sim_AllocBuffer(doc);
      std::size_t pos = 1;
      sim_SaveOutputs(l->FirstGate, doc.SimInstances, pos);
    }
  }
  const unsigned limit = sb.maxIterations;
  for (;;) {
    if (doc.changed == 0 || doc.iterationCounter > limit || doc.stepAborted) break;
    doc.changed = 0;
    doc.converged = 1;
    doc.firstIteration = doc.iterationCounter == 1;
    gState.narrowRequest = false;
    gState.atLimit = doc.iterationCounter == limit && doc.convergenceCheck;
    gState.beforeLimit = unsigned(doc.iterationCounter) + 1 == limit && doc.convergenceCheck;
    doc.stepWidthChanged = doc.firstIteration && l->previousStep != l->currentStep;
    sim_StepLogic(doc, l, doc.SimInstances);

    double width = 0;
    if (doc.frameRequest) {
      engineServices().writeFrame(l, doc.frameArgument);
      doc.frameRequest = 0;
      doc.frameArgument = 0;
      if (variable) {
        sb.interval = l->currentStep = l->previousStep = sb.minInterval;
        std::size_t pos = 1;
        sim_SaveOutputs(l->FirstGate, doc.SimInstances, pos);
      }
      doc.changed = 1;
      doc.firstIteration = 1;
      doc.atTimeZero = 1;
      doc.stepWidened = 0;
      sb.simTime = 0.0;
      doc.iterationCounter = 1;
      doc.requestedStep = 1e38;
    } else if (!((gState.narrowRequest && sim_AdaptStep(doc, width)) || (doc.rejectStep && variable))) {
      ++doc.iterationCounter;
    } else {
      std::size_t pos = 1;
      sim_RestoreOutputs(l->FirstGate, doc.SimInstances, pos);
      doc.iterationCounter = 1;
      doc.changed = 1;
      doc.firstIteration = 1;
      if (!doc.rejectStep) {
        if (!doc.atTimeZero) sb.simTime = sb.simTime - l->currentStep + width;
        sb.interval = l->currentStep = width;
      } else {
        doc.requestedStep = std::min(doc.requestedStep, sb.interval);
        if (!doc.atTimeZero) sb.simTime = sb.simTime - l->currentStep + doc.requestedStep;
        doc.converged = 0;
        l->currentStep = sb.interval = doc.requestedStep;
        doc.rejectStep = 0;
      }
      doc.stepWidened = 0;
      doc.requestedStep = 1e38;
    }
    doc.acceptStep = doc.converged || doc.iterationCounter == limit;
    if (doc.singleIteration && doc.changed && doc.iterationCounter <= limit + 1) return std::uint8_t(doc.changed);
  }
  double width = 0;
  const StepOptions& o = stepOptions();
  const bool noWiden = (sb.incrInterval != 0 && o.accuracy / sb.incrInterval <= o.stepError) || !variable ||
                       doc.atTimeZero || !sim_AdaptStep(doc, width);
  if (noWiden) {
    doc.stepWidened = 0;
  } else {
    doc.stepWidened = sb.interval < width;
    sb.interval = width;
  }
  doc.requestedStep = std::min(doc.requestedStep, sb.interval);
  if (doc.changed == 0) l->previousStep = l->currentStep;
  l->currentStep = doc.requestedStep;
  return std::uint8_t(doc.changed);
}
} // namespace

} // namespace engine
