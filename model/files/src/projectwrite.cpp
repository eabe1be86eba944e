// Writing a document as a project file.
#include "internal.h"
#include "modelfiles/messages.h"
#include "modelfiles/project.h"

#include <cstring>
#include <unordered_map>

namespace modelfiles {

using namespace model;

namespace {

// Deterministic link ids: every logic, type and main-module gate gets a
// distinct non-zero number in document order.
class LinkIds {
public:
  void reserve(std::size_t n) { ids_.reserve(n); }
  void add(const void* p) {
    if (p && !ids_.count(p)) ids_[p] = 0x00010000u + std::uint32_t(ids_.size() + 1) * 0x20u;
  }
  std::uint32_t of(const void* p) const {
    if (!p) return 0;
    auto it = ids_.find(p);
    return it == ids_.end() ? 0 : it->second;
  }
private:
  std::unordered_map<const void*, std::uint32_t> ids_;
};

std::uint32_t flag(const void* p, unsigned count = 1) { return p && count ? 1u : 0u; }

void writeGateGroup(ByteWriter& w, const GateRecord* g, const LinkIds& ids) {
  GateLinks k;
  k.next = g->Next ? ids.of(g->Next) : 0;
  k.inputs = flag(g->Inputs, g->InputCount);
  k.outputs = flag(g->Outputs, g->OutputCount);
  k.extra = flag(g->Extra, g->ExtraCount);
  if (g->Kind == kKindCall) k.sub = ids.of(subLogic(g));
  else if (g->Kind == kKindCompiled || g->Kind == kKindCompiledNative) k.sub = ids.of(subType(g));
  else if (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker) k.sub = ids.of(subMarker(g));
  k.linkId = ids.of(g);
  writeGateRecord(w, *g, k);
  if (k.inputs)
    for (unsigned i = 0; i < g->InputCount; ++i) {
      const InputPin& p = g->Inputs[i];
      PinLinks pl;
      pl.source = ids.of(p.Source);
      pl.wire = flag(p.Wire);
      pl.branchOf = ids.of(p.BranchOf);
      writeInputPin(w, p, pl);
    }
  if (k.outputs)
    for (unsigned i = 0; i < g->OutputCount; ++i) writeOutputPin(w, g->Outputs[i]);
  if (k.extra)
    for (unsigned i = 0; i < g->ExtraCount; ++i) w.f64(g->Extra[i]);
  if (k.inputs)
    for (unsigned i = 0; i < g->InputCount; ++i)
      for (const WirePoint* p = g->Inputs[i].Wire; p; p = p->Next) writeWirePoint(w, *p, p->Next ? 1u : 0u);
}

// About what the file will take and how many records get link ids, so that
// the bytes and the id table are sized once. A low guess only costs growth.
struct SizeGuess {
  std::size_t bytes = 12;
  std::size_t records = 0;
};

SizeGuess guessSize(const DocumentRecord& doc) {
  SizeGuess s;
  for (const ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    s.bytes += kModuleRecordSize + m->VariableBlockSize;
    for (const GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) {
      s.bytes += kTypeRecordSize;
      ++s.records;
    }
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      s.bytes += kLogicRecordSize;
      ++s.records;
      if (m != doc.FirstModule) continue;
      s.bytes += (std::size_t(l->InputPortCount) + l->OutputPortCount) * kPortRowSize + 2;
      for (const GateRecord* g = l->FirstGate; g; g = g->Next) {
        ++s.records;
        const std::size_t values = std::size_t(g->InputCount) + g->OutputCount + 2u * g->ExtraCount + g->StateCount;
        s.bytes += kGateRecordSize + g->InputCount * kInputPinSize + g->OutputCount * kOutputPinSize +
                   18 + kInstanceBlockSize + 8 * values;
        for (unsigned i = 0; i < g->InputCount && g->Inputs; ++i)
          for (const WirePoint* p = g->Inputs[i].Wire; p; p = p->Next) s.bytes += kWirePointSize;
      }
    }
  }
  return s;
}

} // namespace

std::vector<std::uint8_t> mdl_EncodeProject(const DocumentRecord& doc) {
  const SizeGuess guess = guessSize(doc);
  LinkIds ids;
  ids.reserve(guess.records);
  for (const ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) ids.add(l);
    for (const GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) ids.add(t);
  }
  const ProjectModule* main = doc.FirstModule;
  for (const LogicRecord* l = firstLogicOf(main); l; l = l->Next)
    for (const GateRecord* g = l->FirstGate; g; g = g->Next) ids.add(g);

  ByteWriter w;
  w.reserve(guess.bytes);
  w.u32(kMagic1);
  w.u32(kMagic2);
  w.u32(1);
  for (const ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    ModuleLinks mk;
    mk.next = m->Next ? 1u : 0u;
    if (isCompiled(m)) {
      mk.list = ids.of(firstTypeOf(m));
      mk.code = flag(m->CodeBlock);
      mk.variables = flag(m->VariableBlock);
      mk.constants = flag(m->ConstantBlock);
      writeModuleHeader(w, *m, mk);
      writeModuleTail(w, *m, mk);
      if (m->VariableBlock) w.raw(m->VariableBlock, m->VariableBlockSize);
      else w.zeros(m->VariableBlockSize);
      for (const GateTypeRecord* t = firstTypeOf(m); t; t = t->Next)
        writeTypeRecord(w, *t, t->Next ? ids.of(t->Next) : 0, ids.of(t));
      continue;
    }
    ProjectModule header = *m;
    header.Flags = std::uint16_t(m->Flags | kModuleCurrentSizes);
    mk.list = ids.of(firstLogicOf(m));
    writeModuleHeader(w, header, mk);
    const bool isMain = m == main;
    for (const LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
      LogicLinks lk;
      lk.next = l->Next ? ids.of(l->Next) : 0;
      lk.firstGate = isMain ? ids.of(l->FirstGate) : flag(l->FirstGate);
      lk.linkId = ids.of(l);
      lk.inputPorts = flag(l->InputPorts, l->InputPortCount);
      lk.outputPorts = flag(l->OutputPorts, l->OutputPortCount);
      writeLogicRecord(w, *l, lk);
      if (!isMain) continue;
      if (lk.inputPorts)
        for (unsigned i = 0; i < l->InputPortCount; ++i) writePortRow(w, l->InputPorts[i]);
      if (lk.outputPorts)
        for (unsigned i = 0; i < l->OutputPortCount; ++i) writePortRow(w, l->OutputPorts[i]);
      for (const GateRecord* g = l->FirstGate; g; g = g->Next) writeGateGroup(w, g, ids);
    }
  }
  for (const LogicRecord* l = firstLogicOf(main); l; l = l->Next)
    detail::writeValueTree(w, l->FirstGate, l->FirstInstance);
  return std::move(w.bytes);
}

bool mdl_WriteProject(FileHandle file) {
  if (!CurrentDocument) return false;
  const std::vector<std::uint8_t> bytes = mdl_EncodeProject(*CurrentDocument);
  long n = long(bytes.size());
  gem_Fwrite(file, n, bytes.data());
  return n == long(bytes.size());
}

} // namespace modelfiles
