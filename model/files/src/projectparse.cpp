// Parsing a project stream into records that are not yet part of the
// document. Every count, kind, size and name is checked against the bytes
// that are really there before anything is allocated.
#include "internal.h"
#include "modelfiles/project.h"

#include "model/instances.h"
#include "model/memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace modelfiles::detail {

using namespace model;

namespace {

bool validKind(std::uint8_t k) { return k <= kKindLastBuiltIn || k == kKindCompiled || k == kKindCompiledNative; }
bool validType(PinSignalType t) { return t <= kTypeMaxVector; }

bool bad() {
  LoadStatus.fileError = true;
  return false;
}
bool noMemory() {
  LoadStatus.outOfMemory = true;
  return false;
}

template <class T> bool allocRows(T*& out, unsigned count) {
  out = nullptr;
  if (!count) return true;
  return mm_New(out, count) ? true : noMemory();
}

// Reads the wire of one input: points until one says no other follows.
bool readWire(ByteReader& r, WirePoint*& head) {
  WirePoint* last = nullptr;
  for (;;) {
    if (!r.has(kWirePointSize)) return bad();
    WirePoint* p = nullptr;
    if (!mm_New(p)) return noMemory();
    std::uint32_t next = 0;
    readWirePoint(r, *p, next);
    if (last) last->Next = p; else head = p;
    last = p;
    if (!next) return true;
  }
}

void dropWire(WirePoint*& w) {
  while (w) {
    WirePoint* next = w->Next;
    mm_Delete(w);
    w = next;
  }
}

bool readGateGroup(ByteReader& r, bool old, StagedLogic& sl) {
  if (!r.has(old ? kOldGateRecordSize : kGateRecordSize)) return bad();
  GateRecord* g = nullptr;
  if (!mm_New(g)) return noMemory();
  sl.gates.emplace_back();
  StagedGate& sg = sl.gates.back();
  sg.gate = g;
  readGateRecord(r, *g, sg.links, old);
  g->Next = nullptr;
  g->LinkId = 0;
  // Appended first, so that a failure below releases the gate with the logic.
  if (sl.gates.size() == 1) sl.logic->FirstGate = g; else sl.gates[sl.gates.size() - 2].gate->Next = g;
  if (!validKind(g->Kind)) return bad();
  // Counts without their table, or tables larger than the file, are refused.
  const std::uint16_t inCount = g->InputCount, outCount = g->OutputCount, exCount = g->ExtraCount;
  g->InputCount = g->OutputCount = g->ExtraCount = 0;
  if ((inCount && !sg.links.inputs) || (outCount && !sg.links.outputs) || (exCount && !sg.links.extra)) return bad();
  if (!r.has(std::size_t(inCount) * kInputPinSize + std::size_t(outCount) * kOutputPinSize +
             std::size_t(exCount) * kExtraRowSize))
    return bad();
  const std::size_t firstPin = sl.pins.size();
  sg.firstPin = firstPin;
  if (!allocRows(g->Inputs, inCount)) return false;
  g->InputCount = inCount;
  for (unsigned i = 0; i < inCount; ++i) {
    readInputPin(r, g->Inputs[i], sl.pins.emplace_back());
    if (!validType(g->Inputs[i].Type)) return bad();
  }
  if (!allocRows(g->Outputs, outCount)) return false;
  g->OutputCount = outCount;
  unsigned element = 1;
  for (unsigned i = 0; i < outCount; ++i) {
    readOutputPin(r, g->Outputs[i]);
    if (!validType(g->Outputs[i].Type) || g->Outputs[i].FirstElement != element) return bad();
    element += elementCount(g->Outputs[i].Type);
  }
  // A constant's dimension counts its output values: never more than its pins hold.
  if (g->Kind == 51 && g->VectorDimension > element - 1) g->VectorDimension = std::uint16_t(element - 1);
  if (!allocRows(g->Extra, exCount)) return false;
  g->ExtraCount = exCount;
  for (unsigned i = 0; i < exCount; ++i) g->Extra[i] = r.f64();
  for (unsigned i = 0; i < inCount; ++i)
    if (sl.pins[firstPin + i].wire && !readWire(r, g->Inputs[i].Wire)) return false;
  return !r.failed() || bad();
}

// Replaces the stored link ids inside one logic by its gates. A source that
// matches no gate, or names an output the gate does not have, is lost with
// its source pin, branch and wire.
bool mapGateIds(StagedLogic& sl) {
  // Link ids sorted for lookup; gate numbers (16 bits) marked in a bit set.
  using IdRow = std::pair<std::uint32_t, GateRecord*>;
  std::vector<IdRow> byId;
  byId.reserve(sl.gates.size());
  std::vector<std::uint64_t> numbers(65536 / 64, 0);
  unsigned ports[2] = {0, 0};
  unsigned highest = 0;
  for (StagedGate& sg : sl.gates) {
    if (sg.links.linkId) byId.emplace_back(sg.links.linkId, sg.gate);
    const unsigned n = sg.gate->GateNumber;
    if (n == 0 || ((numbers[n / 64] >> (n % 64)) & 1u) != 0) return bad();
    numbers[n / 64] |= std::uint64_t(1) << (n % 64);
    highest = std::max(highest, n);
    if (sg.gate->Kind == kKindInput) ++ports[0];
    if (sg.gate->Kind == kKindOutput) ++ports[1];
  }
  const auto byIdLess = [](const IdRow& a, const IdRow& b) { return a.first < b.first; };
  // Written files number their gates in list order: sorting is then a check.
  if (!std::is_sorted(byId.begin(), byId.end(), byIdLess)) std::sort(byId.begin(), byId.end(), byIdLess);
  for (std::size_t i = 1; i < byId.size(); ++i)
    if (byId[i - 1].first == byId[i].first) return bad();
  if (ports[0] != sl.logic->InputPortCount || ports[1] != sl.logic->OutputPortCount) return bad();
  if (sl.logic->GateCounter < highest) sl.logic->GateCounter = std::uint16_t(highest);
  auto find = [&](std::uint32_t id) -> GateRecord* {
    if (!id) return nullptr;
    const auto it = std::lower_bound(byId.begin(), byId.end(), IdRow{id, nullptr}, byIdLess);
    return it == byId.end() || it->first != id ? nullptr : it->second;
  };
  for (StagedGate& sg : sl.gates) {
    GateRecord* g = sg.gate;
    const PinLinks* pins = sl.pins.data() + sg.firstPin;
    for (unsigned i = 0; i < g->InputCount; ++i) {
      InputPin& p = g->Inputs[i];
      const PinLinks& k = pins[i];
      p.Source = nullptr;
      p.BranchOf = nullptr;
      // The applied-negation bit is derived, never taken from the file: an
      // unconnected input applies its own negation, a connected one its own
      // negation against its source's.
      const auto applied = [&p](bool on) {
        p.Flags = std::uint16_t((p.Flags & ~kPinAppliedNegation) | (on ? kPinAppliedNegation : 0));
      };
      if (!k.source) {
        p.SourcePin = 0;
        applied((p.Flags & kPinNegated) != 0);
        continue;
      }
      GateRecord* src = find(k.source);
      if (!src || p.SourcePin < 1 || p.SourcePin > src->OutputCount) {
        p.SourcePin = 0;
        dropWire(p.Wire);
        applied((p.Flags & kPinNegated) != 0);
        continue;
      }
      p.Source = src;
      p.BranchOf = find(k.branchOf);
      applied(((p.Flags ^ src->Outputs[p.SourcePin - 1].Flags) & 1) != 0);
    }
    g->Sub = nullptr;
    if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) {
      GateRecord* m = find(sg.links.sub);
      if (m && (m->Kind == kKindMarker || m->Kind == kKindDefineMarker)) g->Sub = m;
    }
  }
  return true;
}

bool readLogic(ByteReader& r, bool old, bool full, StagedModule& sm) {
  if (!r.has(old ? kOldLogicRecordSize : kLogicRecordSize)) return bad();
  LogicRecord* l = nullptr;
  if (!mm_New(l)) return noMemory();
  sm.logics.emplace_back();
  StagedLogic& sl = sm.logics.back();
  sl.logic = l;
  sl.full = full;
  readLogicRecord(r, *l, sl.links, old);
  if (l->Name[16] != 0) return bad();   // the name must end inside its field
  std::memset(l->Name + std::strlen(l->Name), 0, 17 - std::strlen(l->Name));
  upperName(l->Name, 16);
  if (!full) return true;
  const std::uint16_t inPorts = l->InputPortCount, outPorts = l->OutputPortCount;
  l->InputPortCount = l->OutputPortCount = 0;
  if ((inPorts && !sl.links.inputPorts) || (outPorts && !sl.links.outputPorts)) return bad();
  if (!r.has((std::size_t(inPorts) + outPorts) * kPortRowSize)) return bad();
  if (!allocRows(l->InputPorts, inPorts)) return false;
  l->InputPortCount = inPorts;
  for (unsigned i = 0; i < inPorts; ++i) readPortRow(r, l->InputPorts[i]);
  if (!allocRows(l->OutputPorts, outPorts)) return false;
  l->OutputPortCount = outPorts;
  for (unsigned i = 0; i < outPorts; ++i) readPortRow(r, l->OutputPorts[i]);
  // Gate groups follow only when the logic has gates: an empty logic is
  // followed directly by the next record.
  if (sl.links.firstGate) {
    // The gate counter is the highest gate number: room for that many gates,
    // never more than the bytes left can hold.
    const std::size_t gates =
        std::min<std::size_t>(l->GateCounter, r.left() / (old ? kOldGateRecordSize : kGateRecordSize));
    sl.gates.reserve(gates);
    sl.pins.reserve(std::min(2 * gates, r.left() / kInputPinSize));
    for (;;) {
      if (!readGateGroup(r, old, sl)) return false;
      if (!sl.gates.back().links.next) break;
    }
  }
  return mapGateIds(sl);
}

bool readCompiledSection(ByteReader& r, StagedModule& sm) {
  if (!r.has(kModuleRecordSize - kModuleHeaderSize)) return bad();
  readModuleTail(r, sm.header, sm.links);
  if (!r.has(sm.header.VariableBlockSize)) return bad();
  sm.variables = r.take(sm.header.VariableBlockSize);
  if (!sm.links.list) return true;
  for (;;) {
    if (!r.has(kTypeRecordSize)) return bad();
    GateTypeRecord* t = nullptr;
    if (!mm_New(t)) return noMemory();
    sm.types.push_back(t);
    std::uint32_t next = 0;
    readTypeRecord(r, *t, next);
    t->Flags = 0;   // a placeholder until its block library is read
    if (!next) return true;
  }
}

} // namespace

bool parseProject(ByteReader& r, StagedFile& out) {
  out.version = 0;
  if (r.size() >= 8 && getU32(r.data()) == kMagic1 && getU32(r.data() + 4) == kMagic2) {
    r.skip(8);
    out.version = r.u32();
    if (r.failed()) return bad();
  }
  std::size_t fullLogics = 0;
  for (bool first = true;; first = false) {
    if (!r.has(kModuleHeaderSize)) return bad();
    out.modules.emplace_back();
    StagedModule& sm = out.modules.back();
    readModuleHeader(r, sm.header, sm.links);
    sm.compiled = (sm.header.Flags & kModuleCompiled) != 0;
    if (sm.compiled) {
      if (first || !readCompiledSection(r, sm)) return first ? bad() : false;
    } else if (sm.links.list) {
      const bool old = (sm.header.Flags & kModuleCurrentSizes) == 0;
      for (;;) {
        if (!readLogic(r, old, first, sm)) return false;
        if (!sm.logics.back().links.next) break;
      }
    }
    if (first) fullLogics = sm.logics.size();
    if (!sm.links.next) break;
  }
  out.trees.resize(fullLogics);
  for (std::size_t i = 0; i < fullLogics; ++i) {
    // One record per gate, each of at least 18 bytes.
    ValueTree& t = out.trees[i];
    t.records.reserve(std::min(out.modules[0].logics[i].gates.size(), r.left() / 18));
    if (!parseValueTree(r, out.version != 0, t)) return bad();
  }
  return true;
}

} // namespace modelfiles::detail
