#include "zasm/zasm.h"

#include "model/document.h"
#include "model/memory.h"

#include <algorithm>
#include <cstring>

namespace zasm {

namespace {

void* copyBlock(const std::vector<std::uint8_t>& b) {
  if (b.empty()) return nullptr;
  void* p = nullptr;
  model::mm_Allocate(p, b.size());
  if (p) std::memcpy(p, b.data(), b.size());
  return p;
}

void setName(char* dst, std::size_t size, const std::string& s) {
  std::memset(dst, 0, size);
  std::memcpy(dst, s.data(), std::min(size, s.size()));
}

model::TypePinRow* pinTable(const std::vector<model::TypePinRow>& src) {
  if (src.empty()) return nullptr;
  model::TypePinRow* rows = nullptr;
  if (!model::mm_New(rows, src.size())) return nullptr;
  std::copy(src.begin(), src.end(), rows);
  return rows;
}

void freeTypeCode(model::GateTypeRecord* t) {
  if (t->StepProc) model::mm_Deallocate(t->StepProc, t->StepLength);
  for (int k = 0; k < 7; ++k)
    if (t->Procs[k]) model::mm_Deallocate(t->Procs[k], t->ProcLength[k]);
}

bool fillType(model::GateTypeRecord* t, const TypeSource& s, model::ProjectModule* m) {
  freeTypeCode(t);
  if (t->InputPins) model::mm_Delete(t->InputPins, t->InputCount);
  if (t->OutputPins) model::mm_Delete(t->OutputPins, t->OutputCount);
  setName(t->Name, sizeof t->Name, s.name);
  t->ExtraCount = s.extra;
  t->StateCount = s.state;
  t->InputCount = std::uint16_t(s.inputs.size());
  t->OutputCount = std::uint16_t(s.outputs.size());
  t->Module = m;
  t->InputPins = pinTable(typeRows(s, true));
  t->OutputPins = pinTable(typeRows(s, false));
  if (t->ParamFields) model::mm_Deallocate(t->ParamFields, std::size_t(t->ParamFieldCount) * 48);
  t->ParamFields = copyBlock(s.fields);
  t->ParamFieldCount = std::uint16_t(s.fields.size() / 48);
  t->Width = s.width;
  t->Height = s.height;
  t->Flags = s.flags;
  t->StepLength = std::uint16_t(s.procs[kStep].size());
  t->StepProc = copyBlock(s.procs[kStep]);
  for (int k = 0; k < 7; ++k) {
    t->ProcLength[k] = std::uint16_t(s.procs[k + 1].size());
    t->Procs[k] = copyBlock(s.procs[k + 1]);
  }
  return true;
}

} // namespace

model::ProjectModule* buildModule(model::DocumentRecord& doc, const ModuleSource& src) {
  model::doc_MainModule(doc);
  model::ProjectModule* m = nullptr;
  for (model::ProjectModule* p = doc.FirstModule; p; p = p->Next)
    if (model::isCompiled(p) && strncmp(p->Name, src.name.c_str(), sizeof p->Name) == 0) m = p;
  if (!m) {
    m = model::doc_AddModule(doc, src.name.c_str(), model::kModuleCompiled);
    if (!m) return nullptr;
  }
  if (m->CodeBlock) model::mm_Deallocate(m->CodeBlock, m->CodeBlockSize);
  m->CodeBlock = copyBlock(src.code);
  m->CodeBlockSize = std::uint32_t(src.code.size());
  if (m->ConstantBlock) model::mm_Deallocate(m->ConstantBlock, m->ConstantBlockSize);
  m->ConstantBlock = copyBlock(src.consts);
  m->ConstantBlockSize = std::uint32_t(src.consts.size());
  if (m->VariableBlockSize != src.varsSize || (!m->VariableBlock && src.varsSize)) {
    if (m->VariableBlock) model::mm_Deallocate(m->VariableBlock, m->VariableBlockSize);
    m->VariableBlock = nullptr;
    if (src.varsSize) model::mm_Allocate(m->VariableBlock, src.varsSize);
    m->VariableBlockSize = src.varsSize;
  }
  for (const TypeSource& s : src.types) {
    model::GateTypeRecord* t = model::firstTypeOf(m);
    model::GateTypeRecord* last = nullptr;
    for (; t; last = t, t = t->Next)
      if (strncmp(t->Name, s.name.c_str(), sizeof t->Name) == 0) break;
    if (!t) {
      if (!model::mm_New(t)) return nullptr;
      if (last) last->Next = t; else m->List = t;
    }
    fillType(t, s, m);
  }
  m->Loaded = 1;
  return m;
}

void releaseTypeCode(model::ProjectModule* module) {
  for (model::GateTypeRecord* t = model::firstTypeOf(module); t; t = t->Next) {
    freeTypeCode(t);
    if (t->ParamFields) model::mm_Deallocate(t->ParamFields, std::size_t(t->ParamFieldCount) * 48);
    t->ParamFields = nullptr;
    t->ParamFieldCount = 0;
    t->StepProc = nullptr;
    t->StepLength = 0;
    for (int k = 0; k < 7; ++k) { t->Procs[k] = nullptr; t->ProcLength[k] = 0; }
  }
}

} // namespace zasm
