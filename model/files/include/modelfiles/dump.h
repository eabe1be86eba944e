#pragma once
// A stable text picture of a document: modules, logics, gates (kind,
// position, pins, sources, wires, extras) and value trees. Used by the
// command-line tool and by tests that compare documents field by field.
#include "model/records.h"

#include <string>

namespace modelfiles {

struct DumpOptions {
  bool values = true;     // the instance records' values
  bool runFields = false; // the 65-byte run-time block of every instance (hex)
};
std::string mdl_DumpDocument(const model::DocumentRecord& doc, const DumpOptions& options = {});

} // namespace modelfiles
