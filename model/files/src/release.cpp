// Releasing records that this library allocated, including the code and
// tables of compiled types, which the model's own release does not know.
#include "internal.h"
#include "modelfiles/project.h"

#include "model/document.h"
#include "model/instances.h"
#include "model/memory.h"

#include <cctype>
#include <mutex>
#include <unordered_map>

namespace modelfiles {

using namespace model;

namespace {
std::mutex g_mu;
std::unordered_map<const GateTypeRecord*, std::size_t>& varTableSizes() {
  static std::unordered_map<const GateTypeRecord*, std::size_t> m;
  return m;
}
} // namespace

std::size_t mdl_VariableTableSize(const GateTypeRecord* type) {
  std::lock_guard<std::mutex> lock(g_mu);
  auto it = varTableSizes().find(type);
  return it == varTableSizes().end() ? 0 : it->second;
}

void mdl_FreeTypeCode(GateTypeRecord* t) {
  if (!t) return;
  // Each block is released once: the pointers are cleared, so that a type
  // whose code went first can still be freed with its module.
  if (t->StepProc) mm_Deallocate(t->StepProc, t->StepLength);
  t->StepProc = nullptr;
  for (int i = 0; i < 7; ++i) {
    if (t->Procs[i]) mm_Deallocate(t->Procs[i], t->ProcLength[i]);
    t->Procs[i] = nullptr;
  }
  if (t->ParamFields) mm_Deallocate(t->ParamFields, std::size_t(t->ParamFieldCount) * kParamFieldSize);
  t->ParamFields = nullptr;
  if (t->VariableTable) mm_Deallocate(t->VariableTable, mdl_VariableTableSize(t));
  t->VariableTable = nullptr;
  std::lock_guard<std::mutex> lock(g_mu);
  varTableSizes().erase(t);
}

void mdl_FreeDocumentCode(DocumentRecord* doc) {
  if (!doc) return;
  for (ProjectModule* m = doc->FirstModule; m; m = m->Next)
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) mdl_FreeTypeCode(t);
}

void mdl_FreeDocument(DocumentRecord*& doc) {
  mdl_FreeDocumentCode(doc);
  doc_Free(doc);
}

namespace detail {

void setVariableTableSize(const GateTypeRecord* t, std::size_t n) {
  std::lock_guard<std::mutex> lock(g_mu);
  if (n) varTableSizes()[t] = n; else varTableSizes().erase(t);
}

void freeGate(GateRecord*& g) {
  if (!g) return;
  for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
    WirePoint* w = g->Inputs[i].Wire;
    while (w) {
      WirePoint* next = w->Next;
      mm_Delete(w);
      w = next;
    }
  }
  if (g->Extra) mm_Delete(g->Extra, g->ExtraCount);
  if (g->Outputs) mm_Delete(g->Outputs, g->OutputCount);
  if (g->Inputs) mm_Delete(g->Inputs, g->InputCount);
  mm_Delete(g);
}

void freeLogic(LogicRecord*& l) {
  if (!l) return;
  inst_FreeList(l->FirstInstance);
  while (GateRecord* g = l->FirstGate) {
    l->FirstGate = g->Next;
    freeGate(g);
  }
  if (l->InputPorts) mm_Delete(l->InputPorts, l->InputPortCount);
  if (l->OutputPorts) mm_Delete(l->OutputPorts, l->OutputPortCount);
  mm_Delete(l);
}

void freeType(GateTypeRecord*& t) {
  if (!t) return;
  mdl_FreeTypeCode(t);
  if (t->InputPins) mm_Delete(t->InputPins, t->InputCount);
  if (t->OutputPins) mm_Delete(t->OutputPins, t->OutputCount);
  mm_Delete(t);
}

void freeModule(ProjectModule*& m) {
  if (!m) return;
  if (isCompiled(m)) {
    for (GateTypeRecord* t = firstTypeOf(m); t;) {
      GateTypeRecord* next = t->Next;
      freeType(t);
      t = next;
    }
    if (m->CodeBlock) mm_Deallocate(m->CodeBlock, m->CodeBlockSize);
    if (m->VariableBlock) mm_Deallocate(m->VariableBlock, m->VariableBlockSize);
    if (m->ConstantBlock) mm_Deallocate(m->ConstantBlock, m->ConstantBlockSize);
  } else {
    for (LogicRecord* l = firstLogicOf(m); l;) {
      LogicRecord* next = l->Next;
      freeLogic(l);
      l = next;
    }
  }
  m->List = nullptr;
  mm_Delete(m);
}

void upperName(char* s, std::size_t n) {
  for (std::size_t i = 0; i < n && s[i]; ++i) s[i] = char(std::toupper(static_cast<unsigned char>(s[i])));
}

std::string fieldText(const char* s, std::size_t n) {
  std::size_t k = 0;
  while (k < n && s[k]) ++k;
  return std::string(s, k);
}

StagedFile::~StagedFile() {
  for (StagedModule& m : modules) {
    for (StagedLogic& l : m.logics) freeLogic(l.logic);
    for (GateTypeRecord*& t : m.types) freeType(t);
  }
}

} // namespace detail
} // namespace modelfiles
