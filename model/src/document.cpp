#include "model/document.h"

#include "internal.h"
#include "model/instances.h"

namespace model {

DocumentRecord* CurrentDocument = nullptr;
DocumentRecord* TemplateDocument = nullptr;
DocumentRecord* PasteDocument = nullptr;
DocumentRecord* NewDocument = nullptr;
DocumentRecord* RunDocument = nullptr;

namespace {
TypeCodeReleaser g_typeCodeReleaser = nullptr;
} // namespace

TypeCodeReleaser doc_SetTypeCodeReleaser(TypeCodeReleaser releaser) {
  TypeCodeReleaser prev = g_typeCodeReleaser;
  g_typeCodeReleaser = releaser;
  return prev;
}

namespace detail {

void freeWireSilently(WirePoint*& w) {
  while (w) {
    WirePoint* next = w->Next;
    mm_Delete(w);
    w = next;
  }
}

void freeGateRecord(GateRecord*& g) {
  if (!g) return;
  for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) freeWireSilently(g->Inputs[i].Wire);
  if (g->Extra) mm_Delete(g->Extra, g->ExtraCount);
  if (g->Outputs) mm_Delete(g->Outputs, g->OutputCount);
  if (g->Inputs) mm_Delete(g->Inputs, g->InputCount);
  mm_Delete(g);
}

void freeLogicRecord(LogicRecord*& l) {
  if (!l) return;
  inst_FreeList(l->FirstInstance);
  while (GateRecord* g = l->FirstGate) {
    l->FirstGate = g->Next;
    freeGateRecord(g);
  }
  if (l->InputPorts) mm_Delete(l->InputPorts, l->InputPortCount);
  if (l->OutputPorts) mm_Delete(l->OutputPorts, l->OutputPortCount);
  mm_Delete(l);
}

void freeModuleRecord(ProjectModule*& m) {
  if (!m) return;
  if (isCompiled(m)) {
    GateTypeRecord* t = firstTypeOf(m);
    while (t) {
      GateTypeRecord* next = t->Next;
      if (g_typeCodeReleaser) g_typeCodeReleaser(t);
      if (t->InputPins) mm_Delete(t->InputPins, t->InputCount);
      if (t->OutputPins) mm_Delete(t->OutputPins, t->OutputCount);
      mm_Delete(t);
      t = next;
    }
    if (m->CodeBlock) mm_Deallocate(m->CodeBlock, m->CodeBlockSize);
    if (m->VariableBlock) mm_Deallocate(m->VariableBlock, m->VariableBlockSize);
    if (m->ConstantBlock) mm_Deallocate(m->ConstantBlock, m->ConstantBlockSize);
  } else {
    LogicRecord* l = firstLogicOf(m);
    while (l) {
      LogicRecord* next = l->Next;
      freeLogicRecord(l);
      l = next;
    }
  }
  m->List = nullptr;
  mm_Delete(m);
}

} // namespace detail

StepBlock defaultStepBlock() {
  StepBlock s{};
  s.simTime = 0.0;
  s.interval = 0.1;
  s.minInterval = 0.001;
  s.maxInterval = 1.0;
  s.incrInterval = 2.0;
  s.maxIterations = 100;
  s.stepFlags = 0;
  return s;
}

DocumentRecord* doc_New() {
  DocumentRecord* d = nullptr;
  if (!mm_New(d)) return nullptr;
  d->DefaultStepBlock = defaultStepBlock();
  d->InitialValue = 0.0;
  d->WorldW = 1024;
  d->WorldH = 1024;
  d->CharWidth = 8;
  d->LineHeight = 10;
  d->ViewScale = 1.0;
  d->requestedStep = 1e38;
  return d;
}

void doc_Free(DocumentRecord*& doc) {
  if (!doc) return;
  DocumentRecord* saved = CurrentDocument;
  CurrentDocument = doc;
  ProjectModule* m = doc->FirstModule;
  doc->FirstModule = doc->LastModule = nullptr;
  doc->FirstLogic = doc->LastLogic = nullptr;
  while (m) {
    ProjectModule* next = m->Next;
    detail::freeModuleRecord(m);
    m = next;
  }
  CurrentDocument = saved == doc ? nullptr : saved;
  for (DocumentRecord** p : {&TemplateDocument, &PasteDocument, &NewDocument, &RunDocument})
    if (*p == doc) *p = nullptr;
  mm_Delete(doc);
}

bool doc_StartUp() {
  if (!TemplateDocument) TemplateDocument = doc_New();
  if (!PasteDocument) PasteDocument = doc_New();
  CurrentDocument = TemplateDocument;
  return TemplateDocument && PasteDocument;
}

void doc_ShutDown() {
  DocumentRecord* docs[] = {CurrentDocument, NewDocument, RunDocument, PasteDocument, TemplateDocument};
  for (DocumentRecord*& d : docs) {
    if (!d) continue;
    for (DocumentRecord*& other : docs)
      if (&other != &d && other == d) other = nullptr;
    doc_Free(d);
  }
  CurrentDocument = TemplateDocument = PasteDocument = NewDocument = RunDocument = nullptr;
}

std::string logicName(const LogicRecord* logic) {
  if (!logic) return {};
  std::size_t n = 0;
  while (n < 16 && logic->Name[n]) ++n;
  return std::string(logic->Name, n);
}

ProjectModule* doc_AddModule(DocumentRecord& doc, const char* name, std::uint16_t flags) {
  ProjectModule* m = nullptr;
  if (!mm_New(m)) return nullptr;
  detail::copyName(m->Name, sizeof m->Name, name);
  m->Flags = flags;
  if (doc.LastModule) doc.LastModule->Next = m; else doc.FirstModule = m;
  doc.LastModule = m;
  return m;
}

ProjectModule* doc_MainModule(DocumentRecord& doc, bool create) {
  if (doc.FirstModule || !create) return doc.FirstModule;
  return doc_AddModule(doc, "", kModuleCurrentSizes);
}

} // namespace model
