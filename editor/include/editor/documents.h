#pragma once
// Documents of the editor's windows: every window document shares the
// template's project (modules, logics), so it is copied whole from another
// document and freed as a record only.
#include "model/records.h"

namespace editor {

// Copies src over dst whole; the copy's undo slot and copy-work pointer are emptied.
void doc_CopyWhole(model::DocumentRecord& dst, const model::DocumentRecord& src);
// A new record copied whole from src into NewDocument; null without memory.
model::DocumentRecord* doc_NewWindowDocument(const model::DocumentRecord& src);
// Frees a window document's record (never the project it shares) and clears
// every editor pointer to it; the template and the paste document are never freed.
void doc_FreeWindowDocument(model::DocumentRecord*& doc);
// After the project of from changed its module words (a module or logic added
// or removed), every document the editor holds that shared the project (its
// first module was oldFirst) takes the new words.
void doc_ShareProjectWords(const model::DocumentRecord& from, model::ProjectModule* oldFirst);
// True while a live window shows the document.
bool doc_ShownByWindow(const model::DocumentRecord* doc);

// The option file reader (see options.cpp).
bool de_ReadOptions();
// Reads the option values from a byte image (the reader's core, also for fuzzing).
bool de_ParseOptions(const unsigned char* data, std::size_t size);

} // namespace editor
