#pragma once
// Shared set-up of the model file fuzz targets: a quiet UI sink that answers
// No (so no referenced file is searched through a dialog), no file dialogs,
// a fresh document per input.
#include "model/document.h"
#include "model/memory.h"
#include "modelfiles/project.h"
#include "platform/uisink.h"

#include <memory>

namespace modelfiles::fuzz {

class QuietSink : public plat::ui::Sink {
public:
  int messageBox(const std::string&, const std::string&, unsigned) override { return plat::ui::IDNO; }
  bool prompt(const std::string&, const std::string&, std::string&) override { return false; }
};

inline void initOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  plat::ui::setSink(std::make_shared<QuietSink>());
  model::mm_UnitInit();
  model::doc_StartUp();
  // Referenced modules are searched beside a project path that holds none.
  ProjectPath = "/nonexistent-zerlo-fuzz/P.MDL";
}

struct FreshDocument {
  model::DocumentRecord* doc = model::doc_New();
  FreshDocument() { model::CurrentDocument = doc; }
  ~FreshDocument() {
    model::CurrentDocument = nullptr;
    mdl_FreeDocument(doc);
  }
};

} // namespace modelfiles::fuzz
