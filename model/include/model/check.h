#pragma once
// The invariants of the model as a checker: tests run it after every
// operation; debugging code may call it at any time.
#include "model/records.h"

#include <string>
#include <vector>

namespace model {

struct CheckOptions {
  bool wiresStraight = false;   // every wire orthogonal or diagonal
};

// Returns the broken invariants (empty when the document is sound).
std::vector<std::string> model_CheckDocument(const DocumentRecord& doc, const CheckOptions& options = {});
// The same for one logic of the current document.
std::vector<std::string> model_CheckLogic(const LogicRecord& logic, const CheckOptions& options = {});

} // namespace model
