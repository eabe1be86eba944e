// The allocation pass, the text pass with its per-gate value resets, and the
// end pass of the target program text writer.
#include "internal.h"

#include "engine/services.h"
#include "engine/slots.h"
#include "engine/typefiles.h"
#include "engine/vm.h"
#include "model/document.h"
#include "model/instances.h"
#include "modelfiles/operands.h"
#include "recorder/recordgate.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zcd {
namespace {

using namespace detail;
using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

constexpr unsigned kMaxDepth = 64;          // macro nesting the passes follow
constexpr std::uint16_t kMacroFlagBit12 = 0x1000;
std::uint8_t gSetup = 0;
unsigned gDepth = 0;

struct DepthGuard {
  bool ok;
  DepthGuard() : ok(gDepth < kMaxDepth) { ++gDepth; }
  ~DepthGuard() { --gDepth; }
};

bool isDollar(const LogicRecord* l) { return l && l->Name[0] == '$'; }

// Gates that count for the " Li_Nr" lines.
bool isCounted(const GateRecord* g) {
  if (!g) return false;
  if (g->Kind == model::kKindInput || g->Kind == model::kKindOutput || g->Kind == model::kKindParamVariation ||
      g->Kind == model::kKindText)
    return false;
  return engine::gt_IsCountedGate(g);
}

std::string liNr(unsigned count, const LogicRecord* l) {
  return format(" Li_Nr : %d ;%s", 16 - int(std::min(count, 16u)), model::logicName(l).c_str());
}

void taskBegin(const GateRecord* macro, unsigned count) {
  beginTask();
  co_WriteLine(";");
  co_WriteLine("&BEG");
  co_WriteLine(format(" T_ms  : %d", int(macro->AuxLong)));
  co_WriteLine(liNr(count, model::subLogic(macro)));
}
void taskEnd(const GateRecord* macro, unsigned count) {
  co_WriteLine(";");
  co_WriteLine("&END");
  co_WriteLine(liNr(count, model::subLogic(macro)));
  endTask();
}

// Opens a parallel sequence on a gate; false when no number is left (message
// 50049 once until its flag is cleared) or the gate already is the open one.
bool openSequence(GateRecord* g, bool allocation) {
  WriterState& s = state();
  if (!g || g == s.sequenceGate) return false;
  if (s.counter >= kMaxSequences) {
    if (!s.tooManyShown) {
      s.tooManyShown = true;
      engine::engineServices().showMessage(50049);
    }
    return false;
  }
  ++s.counter;
  s.sequence = s.counter;
  g->SequenceLink = s.sequenceGate;
  s.sequenceGate = g;
  g->SequenceNumber = s.counter;
  if (allocation) {
    g->BitCount = 0;
    g->WordCount = 0;
  } else {
    mf_OpenModule(s.counter);
  }
  return true;
}

void popSequence(GateRecord* g) {
  WriterState& s = state();
  s.sequenceGate = g->SequenceLink;
  s.sequence = s.sequenceGate ? s.sequenceGate->SequenceNumber : 0;
  g->SequenceLink = nullptr;
}

void closeSequenceText(GateRecord* g) {
  mf_CloseModule(g->SequenceNumber);
  popSequence(g);
}

std::int16_t allocate(unsigned cls, unsigned count) {
  std::uint16_t index = 0;
  modelfiles::va_AllocRange(cls, cls, index, count);
  return std::int16_t(index);
}

void closeSequenceAllocation(GateRecord* g) {
  if (TargetModuleRecord* r = moduleRecord(g->SequenceNumber)) {
    r->bitBase = allocate(modelfiles::kClassM, g->BitCount);
    r->trBase = allocate(modelfiles::kClassDW, g->WordCount);
    r->errWord = allocate(modelfiles::kClassDW, 1);
    r->cpsBase = allocate(modelfiles::kClassDW, g->BitCount);
    r->cmsBase = allocate(modelfiles::kClassDW, g->BitCount);
    r->bitCount = g->BitCount;
    r->wordCount = g->WordCount;
  }
  popSequence(g);
}

// The data files of a compiled gate's type (file records among its described
// parameters): closed (when open for that record) and marked closed.
void closeTypeFiles(GateRecord* g, GateInstance* inst) {
  const model::GateTypeRecord* t = model::subType(g);
  if (!t || !t->ParamFields || !t->ParamFieldCount) return;
  std::uint8_t* base = nullptr;
  std::size_t bytes = 0;
  if (inst && inst->ExtraValues && inst->ExtraSlotCount) {
    base = reinterpret_cast<std::uint8_t*>(inst->ExtraValues);
    bytes = std::size_t(inst->ExtraSlotCount) * 8;
  } else if (g->Extra) {
    base = reinterpret_cast<std::uint8_t*>(g->Extra);
    bytes = std::size_t(g->ExtraCount) * 8;
  }
  engine::gt_CloseRecordFiles(t->ParamFields, t->ParamFieldCount, base, bytes, true);
}

bool isRecordGate(const GateRecord* g) {
  return g && (g->Kind == rec::kKindReadRecord || g->Kind == rec::kKindWriteRecord);
}

// Runs a compiled type's procedure through the interpreter; false when the
// type has none in that slot (or it is not runnable here).
bool runProc(GateRecord* g, GateInstance* inst, unsigned slot) {
  model::GateTypeRecord* t = model::subType(g);
  if (!t || slot >= 7 || !t->Procs[slot] || !inst) return false;
  if (!engine::vm().procedureFor(t->Procs[slot])) return false;
  engine::vm().run(g, inst, t->Procs[slot]);
  return true;
}

// Element k (from 0) of a gate's inputs, counted across its pins.
double inputElement(const GateRecord* g, const GateInstance* inst, unsigned k) {
  if (!g || !inst) return 0.0;
  unsigned offset = 0;
  for (unsigned p = 0; p < g->InputCount && g->Inputs; ++p) {
    const unsigned n = model::elementCount(g->Inputs[p].Type);
    if (k < offset + n) {
      if (inst->InputRefs && p < inst->InputRefCount && inst->InputRefs[p]) return inst->InputRefs[p][k - offset];
      if (inst->InputValues && k < inst->InputSlotCount) return inst->InputValues[k];
      return 0.0;
    }
    offset += n;
  }
  return 0.0;
}

std::uint16_t wordOf(const double& slot) {
  std::uint16_t w;
  std::memcpy(&w, &slot, 2);
  return w;
}
void setWord(double& slot, std::uint16_t w) { std::memcpy(&slot, &w, 2); }

// Value resets of one gate (steps that follow the per-kind handling).
void resetGate(GateRecord* g, GateInstance* inst) {
  if (!inst) return;
  const model::DocumentRecord* doc = model::CurrentDocument;
  const double docReset = doc ? doc->InitialValue : 0.0;
  double resetValue = docReset;
  const unsigned states = inst->StateSlotCount ? std::min<unsigned>(g->StateCount, inst->StateSlotCount) : 0;
  double* st = states ? inst->StateValues : nullptr;
  unsigned resetStart = 0;
  const bool setup = gSetup != 0;
  const unsigned n = g->VectorDimension ? g->VectorDimension : 1;
  bool ran = false;

  switch (g->Kind) {
  case model::kKindCompiled: case model::kKindCompiledNative:
    ran = setup ? runProc(g, inst, 0) : runProc(g, inst, 1);
    break;
  case 4: case 5: case 6:
    if (inst->ExtraValues && g->ExtraCount) resetValue = inst->ExtraValues[0];
    break;
  case 7: resetValue = -1.0; break;
  case 8: case 9: resetStart = 1; break;
  case model::kKindIntegration: case 72: case model::kKindIntegrationLim:
    resetStart = g->OutputCount && g->Outputs && g->Outputs[0].Type >= 20 ? g->Outputs[0].Type - 19u : 1u;
    break;
  case 42: resetStart = states; break;
  case 43: resetValue = st && states > 1 ? (setup ? st[1] : st[0]) : docReset; break;
  case model::kKindDefineMarker:
    resetStart = n;
    // Copy down only when the state vector holds both halves.
    if (setup && st && states > 2 * n)
      for (unsigned k = 1; k <= n; ++k) st[k] = st[n + k];
    break;
  default: break;
  }
  if (!ran && st)
    for (unsigned k = resetStart; k < states; ++k) st[k] = resetValue;

  // Outputs: saved first, then every element set to the document's reset value.
  const unsigned outs = inst->OutputValues ? std::min<unsigned>(model::outputElements(g), inst->OutputSlotCount) : 0;
  std::vector<double> saved(inst->OutputValues, inst->OutputValues + outs);
  for (unsigned k = 0; k < outs; ++k) inst->OutputValues[k] = docReset;
  double* out = inst->OutputValues;

  switch (g->Kind) {
  case 8: case 9:
    if (st && outs >= 1) {
      if (setup && !saved.empty()) st[0] = saved[0];
      const std::uint16_t w = wordOf(st[0]);
      setWord(out[0], w);
      if (outs >= 2) setWord(out[1], std::uint16_t(0xFFFF & ~w));
    }
    break;
  case 42: case 72:
    for (unsigned k = 1; k <= n && st && k < states && k <= outs; ++k) {
      if (setup) st[k] = saved[k - 1];
      out[k - 1] = st[k];
    }
    break;
  case model::kKindIntegration: case model::kKindIntegrationLim: {
    if (!st || states < n + 1) break;   // a short state vector: nothing to restore
    const unsigned m = states - n - 1;
    for (unsigned k = 1; k <= n && k <= outs && m + k < states; ++k) {
      if (setup) st[k] = saved[k - 1];
      out[k - 1] = st[k];
      st[m + k] = st[k];
    }
    break;
  }
  case model::kKindStep:
    if (st && inst->ExtraValues && g->ExtraCount) st[0] = inst->ExtraValues[g->ExtraCount - 1];
    break;
  case model::kKindStart:
    if (st) setWord(st[0], 3);
    break;
  case model::kKindDefineMarker:
    if (st && states > 2 * n)
      for (unsigned k = 1; k <= n; ++k) st[n + k] = st[k];
    break;
  case rec::kKindReadRecord: case rec::kKindWriteRecord:
    // Back to the first record (a Read-Record gate reads its first time).
    rec::vdb_RewindRecordFile(g, inst);
    break;
  default: break;
  }
}

// The sub-logic of a macro: sequence test and open, its gates, close and pop.
void emitMacroBody(GateRecord* g, GateInstance* inst) {
  LogicRecord* sub = model::subLogic(g);
  if (!sub) return;
  if (pc_IsSequenceList(sub->FirstGate)) openSequence(g, false);
  DepthGuard depth;
  if (depth.ok) pc_EmitSheetCode(sub->FirstGate, inst ? inst->Children : nullptr, -1);
  if (state().sequenceGate == g) closeSequenceText(g);
}

void allocateList(GateRecord* first, GateInstance* instances, bool top) {
  WriterState& s = state();
  const bool topSequence = top && first && pc_IsSequenceList(first) && openSequence(first, true);
  GateInstance* inst = instances;
  for (GateRecord* g = first; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (g->Kind == rec::kKindReadRecord) {
      rec::vdb_ReopenRecordFile(g, inst);
    } else if (g->Kind >= model::kKindCompiled) {
      closeTypeFiles(g, inst);
      runProc(g, inst, 2);
    } else if (LogicRecord* sub = model::subLogic(g)) {
      if (pc_IsSequenceList(sub->FirstGate)) openSequence(g, true);
      DepthGuard depth;
      if (depth.ok) allocateList(sub->FirstGate, inst ? inst->Children : nullptr, false);
      if (s.sequenceGate == g) closeSequenceAllocation(g);
    }
  }
  if (topSequence && s.sequenceGate == first) closeSequenceAllocation(first);
}

void counterResetBlock(const char* label, const char* condition) {
  co_WriteLine("          &JPZ");
  co_WriteLine(format("             : %s", label));
  co_WriteLine(format("             : %s", condition));
  for (int n = 1; n <= 16; ++n) {
    co_WriteLine("          &AWW");
    co_WriteLine("             : PW50");
    co_WriteLine(format("        Z%d   : PW%d", n, n));
  }
  co_WriteLine("          &AWW");
  co_WriteLine("             : PW50");
  co_WriteLine(" MSGColor    : PW17");
  co_WriteLine("          &AWW");
  co_WriteLine("             : PW50");
  co_WriteLine(" MSGText     : DT1");
  co_WriteLine(label);
}

} // namespace

bool pc_IsSequenceList(const GateRecord* first) {
  bool found = false;
  for (const GateRecord* g = first; g; g = g->Next) {
    if (g->Kind == model::kKindInput || g->Kind == model::kKindOutput) {
      const model::PinSignalType t = g->Kind == model::kKindInput
                                         ? (g->OutputCount && g->Outputs ? g->Outputs[0].Type : 0)
                                         : (g->InputCount && g->Inputs ? g->Inputs[0].Type : 0);
      if (t == 20 || t == 21) return false;
    } else if (const model::GateTypeRecord* t = model::subType(g)) {
      if (t->Flags & model::kTypeParallelSequence) found = true;
    }
  }
  return found;
}

void pc_AllocateSheet(GateRecord* first, GateInstance* instances) {
  const model::DocumentRecord* doc = model::CurrentDocument;
  bool top = false;
  if (doc) {
    const unsigned level = std::max<unsigned>(1, std::min<unsigned>(doc->MacroLevel, model::kMaxMacroLevel));
    const LogicRecord* l = doc->LevelLogics[level];
    top = l && l->FirstGate == first;
  }
  installSink();
  allocateList(first, instances, top);
}

void pc_EmitSheetCode(GateRecord* first, GateInstance* instances, int pendingLabel) {
  unsigned count = 0;
  GateInstance* inst = instances;
  for (GateRecord* g = first; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (isCounted(g)) ++count;
    if (g->Kind == model::kKindCall) {
      g->Flags &= std::uint16_t(~kMacroFlagBit12);
      const bool dollar = isDollar(model::subLogic(g));
      if (dollar) taskBegin(g, count);
      emitMacroBody(g, inst);
      if (dollar) taskEnd(g, count);
      if (pendingLabel >= 0) {
        co_WriteLine(format("%%LAB%d", pendingLabel));
        pendingLabel = -1;
      }
      continue;   // no value reset for a macro
    }
    resetGate(g, inst);
    if (g->Kind != model::kKindDisableLogic) continue;
    // Disable-Logic applies to the macro that follows it; without one there
    // is nothing to clear or emit.
    GateRecord* macro = g->Next;
    GateInstance* macroInst = inst ? inst->Next : nullptr;
    if (!macro || macro->Kind != model::kKindCall) continue;
    const bool dollar = isDollar(model::subLogic(macro));
    if (dollar) {
      macro->Flags &= std::uint16_t(~kMacroFlagBit12);
      taskBegin(macro, count);
    }
    const int label = ++pc_LabelCounter();
    pendingLabel = label;
    co_WriteLine("&JPZ");
    co_WriteLine(format(" Adr.    : %%LAB%d", label));
    co_SymbolLine(inputElement(g, inst, 0), inputElement(g, inst, 1), inputElement(g, inst, 3));
    if (!dollar) continue;   // the label follows the next macro of the list
    g = macro;
    inst = macroInst;
    emitMacroBody(macro, macroInst);
    co_WriteLine(format("%%LAB%d", pendingLabel));
    pendingLabel = -1;
    taskEnd(macro, count);
  }
}

void pc_EmitProgramFrame(GateRecord* first, GateInstance* instances, std::uint8_t setupFlag) {
  gSetup = setupFlag;
  WriterState& s = state();
  co_WriteLine(";");
  co_WriteLine("&BEG");
  co_WriteLine(format(" T_ms  : %d", kTopCycleTime));
  co_WriteLine(" Li_Nr : 1;");
  const bool topSequence = first && pc_IsSequenceList(first) && openSequence(first, false);
  pc_EmitSheetCode(first, instances, -1);
  if (topSequence && s.sequenceGate == first) closeSequenceText(first);
  counterResetBlock("%MCRST", "A13.0");
  counterResetBlock("%PCRST", "A11.0");
  co_WriteLine(";Counter Initialisation");
  for (int n = 1; n <= 16; ++n) co_WriteLine(format("#PW%d = 0", n));
  co_WriteLine(";Default Message Color is Black");
  co_WriteLine("#PW17 = 0");
  co_WriteLine(";Constant Parameter");
  co_WriteLine("#PW50 = 0");
  co_WriteLine("#B1.0 = 0");
  co_WriteLine("#B1.1 = 1");
  co_WriteLine(";");
  co_WriteLine("&END");
  co_WriteLine(" Li_Nr : 1;");
  flushTopTasks();
}

void sim_EndGate(GateRecord* gate, GateInstance* instance) {
  if (!gate) return;
  if (isRecordGate(gate)) {
    // The printer stays with a Write-Record gate; files are closed (a written
    // one takes its own name).
    rec::vdb_CloseRecordFile(gate, instance, false);
  } else if (gate->Kind >= model::kKindCompiled) {
    closeTypeFiles(gate, instance);
    runProc(gate, instance, 3);
  }
}

void sim_EndGates(GateRecord* first, GateInstance* instances) {
  GateInstance* inst = instances;
  for (GateRecord* g = first; g; g = g->Next, inst = inst ? inst->Next : nullptr) sim_EndGate(g, inst);
}

void sim_EndGatesDeep(GateRecord* first, GateInstance* instances) {
  GateInstance* inst = instances;
  for (GateRecord* g = first; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (LogicRecord* sub = model::subLogic(g)) {
      DepthGuard depth;
      if (depth.ok) sim_EndGatesDeep(sub->FirstGate, inst ? inst->Children : nullptr);
    } else {
      sim_EndGate(g, inst);
    }
  }
}

bool zcd_WriteProgram(model::DocumentRecord& doc, std::string* error) {
  LogicRecord* logic = model::EditLogic(doc);
  GateInstance* instances = model::EditInstances(doc);
  if (!logic) {
    logic = doc.FirstLogic;
    instances = logic ? logic->FirstInstance : nullptr;
  }
  if (!logic) {
    if (error) *error = "the project has no logic";
    return false;
  }
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = &doc;
  if (engine::vm().document() != &doc) engine::vm().attachDocument(&doc);
  installSink();
  // A fresh allocation: the operand table's sequence state and the module
  // records are reset, then the sequences are numbered and their ranges taken.
  // The operands the block libraries reserved (extern 93: the fixed operands
  // of the top frame, the formula code and the I/O map) are kept off the
  // writer's own allocations (sequence words and bits) as well.
  const engine::AddressSlotTable& slots = engine::slotTable();
  for (unsigned c = 0; c < modelfiles::kAddressRows && c < unsigned(engine::AddressSlotTable::kClasses); ++c)
    if (slots.reserved[c] > modelfiles::va_Reserved(c)) modelfiles::va_Reserved(c) = std::int16_t(slots.reserved[c]);
  modelfiles::va_ResetAll();
  modelfiles::va_SetModeSearch();
  allocateList(logic->FirstGate, instances, true);
  co_OpenOutput();
  const bool open = co_IsOpen();
  logic->StepBlock.simTime = -1.0;
  pc_EmitProgramFrame(logic->FirstGate, instances, 0);
  co_CloseOutput();
  model::CurrentDocument = previous;
  if (!open || !co_LastCloseOk()) {
    if (error) *error = "the target program text cannot be created";
    return false;
  }
  return true;
}

} // namespace zcd
