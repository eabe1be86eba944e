#pragma once
// Documents: creation with their defaults, the main module, and release of a
// whole document with everything it owns.
#include "model/records.h"

#include <string>

namespace model {

// Allocates a document with the defaults (no module, no logic, InitialValue 0,
// default step settings). Null when memory fails.
DocumentRecord* doc_New();
// Releases the document with its modules, logics, gates, wires and instances.
void doc_Free(DocumentRecord*& doc);
// Start-up: allocates the TemplateDocument and the PasteDocument and makes the
// template current. doc_ShutDown frees every document the pointers hold.
bool doc_StartUp();
void doc_ShutDown();

// The document's first (own) module; created (name empty, flags 4) when missing.
ProjectModule* doc_MainModule(DocumentRecord& doc, bool create = true);
// Appends a new module of the given name and flags.
ProjectModule* doc_AddModule(DocumentRecord& doc, const char* name, std::uint16_t flags);

// The name of a logic: all of its up to 16 characters (never cut at 15).
std::string logicName(const LogicRecord* logic);

// Releases what a compiled gate type owns beyond its record and pin tables
// (its code procedures, variable table, parameter fields). The project-file
// layer that reads block libraries installs it; module deletion and document
// release call it for every type before the type record goes. Null: nothing.
using TypeCodeReleaser = void (*)(GateTypeRecord* type);
TypeCodeReleaser doc_SetTypeCodeReleaser(TypeCodeReleaser releaser);

// The default step settings copied into every new logic.
StepBlock defaultStepBlock();

} // namespace model
