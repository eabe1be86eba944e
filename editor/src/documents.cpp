// Window documents: whole copies that share the template's project.
#include "editor/documents.h"
#include "model/editing.h"

#include "editor/context.h"
#include "model/memory.h"

#include <cstring>
#include <vector>

namespace editor {

void doc_CopyWhole(model::DocumentRecord& dst, const model::DocumentRecord& src) {
  if (&dst == &src) return;
  std::memcpy(static_cast<void*>(&dst), &src, sizeof(model::DocumentRecord));
  dst.UndoLogic = nullptr;
  dst.CopyWork = nullptr;
}

model::DocumentRecord* doc_NewWindowDocument(const model::DocumentRecord& src) {
  model::DocumentRecord* d = nullptr;
  if (!model::mm_New(d)) return nullptr;
  doc_CopyWhole(*d, src);
  model::NewDocument = d;
  return d;
}

bool doc_ShownByWindow(const model::DocumentRecord* doc) {
  for (const WorksheetWindowData* w : ctx().liveWindows)
    if (w->document == doc) return true;
  return false;
}

void doc_ShareProjectWords(const model::DocumentRecord& from, model::ProjectModule* oldFirst) {
  std::vector<model::DocumentRecord*> docs = {model::TemplateDocument, model::RunDocument, model::CurrentDocument,
                                              model::NewDocument};
  for (WorksheetWindowData* w : ctx().liveWindows) docs.push_back(w->document);
  for (model::DocumentRecord* d : docs) {
    if (!d || d == &from || d->FirstModule != oldFirst) continue;
    d->FirstModule = from.FirstModule;
    d->LastModule = from.LastModule;
    d->FirstLogic = from.FirstLogic;
    d->LastLogic = from.LastLogic;
  }
}

void doc_FreeWindowDocument(model::DocumentRecord*& doc) {
  model::DocumentRecord* d = doc;
  doc = nullptr;
  if (!d || d == model::TemplateDocument || d == model::PasteDocument) return;
  EditorContext& c = ctx();
  if (model::CurrentDocument == d) model::CurrentDocument = model::TemplateDocument;
  if (model::NewDocument == d) model::NewDocument = nullptr;
  if (model::RunDocument == d) model::RunDocument = model::TemplateDocument;
  if (c.ActivatedDocument == d) c.ActivatedDocument = nullptr;
  if (c.DragDocument == d) c.DragDocument = nullptr;
  for (WorksheetWindowData* w : c.liveWindows)
    if (w->document == d) w->document = nullptr;
  // The undo copy belongs to the document alone.
  if (model::LogicRecord* undo = d->UndoLogic) {
    d->UndoLogic = nullptr;
    model::ge_FreeDetachedLogic(undo);
  }
  model::mm_Delete(d);
}

} // namespace editor
