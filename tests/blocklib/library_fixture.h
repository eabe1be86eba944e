#pragma once
// The standard block library as the program installs it (the build's library
// directory), read by the project-file layer with the interpreter's linker
// into a document that already holds the extern library.
#include "engine/services.h"
#include "engine/slots.h"
#include "engine/vm.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace blocklibtest {

inline std::vector<std::uint8_t> installedLibrary() {
  std::ifstream in(std::string(ZERLO_LIB_DIR) + "/ZRLFB02.MCO", std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class LibraryDocument : public testing::Test {
protected:
  engine::RecordingEngineServices services;
  model::FakeShell shell;
  model::FakeEditor editor;
  model::DocumentRecord* doc = nullptr;
  std::vector<std::uint8_t> bytes = installedLibrary();

  void SetUp() override {
    prevServices_ = engine::setEngineServices(&services);
    prevShell_ = model::setShell(&shell);
    prevEditor_ = model::setEditor(&editor);
    prevLinker_ = modelfiles::setModuleLinker(engine::vm_LinkCode);
    model::mm_UnitInit();
    engine::vm().reset();
    engine::slotTable().clear();
    engine::slotTable().reserved = {};
    doc = model::doc_New();
    model::CurrentDocument = doc;
    model::KeepInstances = 1;
    model::AttachPlacement = 1;
    model::doc_MainModule(*doc);
    model::ProjectModule* ext = model::doc_AddModule(*doc, "EXTERNAL", model::kModuleCompiled);
    ext->Loaded = 1;
    engine::vm().attachDocument(doc);
    ASSERT_GT(bytes.size(), 100u) << "ZRLFB02.MCO is not in " << ZERLO_LIB_DIR;
  }
  void TearDown() override {
    engine::vm_ForgetDocument(doc);
    engine::vm().reset();
    model::CurrentDocument = nullptr;
    modelfiles::mdl_FreeDocument(doc);
    modelfiles::setModuleLinker(prevLinker_);
    model::setEditor(prevEditor_);
    model::setShell(prevShell_);
    engine::setEngineServices(prevServices_);
  }

  // Reads bytes into the slot (null: a new module); true when the read left
  // no failure flag.
  bool read(model::ProjectModule*& slot, const std::vector<std::uint8_t>& b) {
    modelfiles::LoadStatus.clear();
    return !modelfiles::mdl_ReadCompiledModule(slot, b.data(), b.size());
  }
  static model::GateTypeRecord* type(model::ProjectModule* m, const char* name) {
    for (model::GateTypeRecord* t = model::firstTypeOf(m); t; t = t->Next)
      if (std::strncmp(t->Name, name, 16) == 0) return t;
    return nullptr;
  }

private:
  engine::EngineServices* prevServices_ = nullptr;
  model::ShellServices* prevShell_ = nullptr;
  model::EditorServices* prevEditor_ = nullptr;
  modelfiles::ModuleLinker prevLinker_ = nullptr;
};

} // namespace blocklibtest
