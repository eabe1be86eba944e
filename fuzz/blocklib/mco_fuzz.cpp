// Reads mutated bytes of the standard block library (ZRLFB02.MCO, assembled
// from its source once) with the interpreter's linker installed: the input is
// a truncation length (two bytes) and then patches of three bytes (offset low,
// offset high, a value XORed in). Every input is refused cleanly or loaded;
// a loaded library's link block runs.
#include "engine/services.h"
#include "engine/vm.h"
#include "model/document.h"
#include "model/fake_services.h"
#include "model/memory.h"
#include "modelfiles/compiled.h"
#include "modelfiles/project.h"
#include "platform/uisink.h"
#include "zasm/mco.h"

#include <memory>

namespace {

class QuietSink : public plat::ui::Sink {
public:
  int messageBox(const std::string&, const std::string&, unsigned) override { return plat::ui::IDNO; }
  bool prompt(const std::string&, const std::string&, std::string&) override { return false; }
};

std::vector<std::uint8_t>& library() {
  static std::vector<std::uint8_t> bytes;
  return bytes;
}

void initOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  plat::ui::setSink(std::make_shared<QuietSink>());
  static model::FakeShell shell;
  static model::FakeEditor editor;
  static engine::RecordingEngineServices services;
  model::setShell(&shell);
  model::setEditor(&editor);
  engine::setEngineServices(&services);
  model::mm_UnitInit();
  model::doc_StartUp();
  modelfiles::ProjectPath = "/nonexistent-zerlo-fuzz/P.MDL";
  modelfiles::setModuleLinker(engine::vm_LinkCode);
  zasm::ModuleSource src;
  std::string err;
  if (zasm::assembleLibraryFile(ZERLO_BLOCKLIB_SOURCE, src, err)) library() = zasm::encodeMco(src);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  initOnce();
  std::vector<std::uint8_t> bytes = library();
  if (bytes.empty()) return 0;
  if (size >= 2) {
    const std::size_t cut = std::size_t(data[0]) | std::size_t(data[1]) << 8;
    if (cut && cut < bytes.size()) bytes.resize(bytes.size() - cut);
  }
  for (std::size_t i = 2; i + 2 < size; i += 3) {
    const std::size_t at = std::size_t(data[i]) | std::size_t(data[i + 1]) << 8;
    if (at < bytes.size()) bytes[at] ^= data[i + 2];
  }
  model::DocumentRecord* doc = model::doc_New();
  model::CurrentDocument = doc;
  engine::vm().reset();
  engine::vm().attachDocument(doc);
  model::doc_MainModule(*doc);
  model::ProjectModule* ext = model::doc_AddModule(*doc, "EXTERNAL", model::kModuleCompiled);
  if (ext) ext->Loaded = 1;
  model::ProjectModule* slot = nullptr;
  modelfiles::LoadStatus.clear();
  modelfiles::mdl_ReadCompiledModule(slot, bytes.data(), bytes.size());
  if (slot) {
    // A second read of the same bytes refills the module by type name.
    modelfiles::LoadStatus.clear();
    modelfiles::mdl_ReadCompiledModule(slot, bytes.data(), bytes.size());
  }
  engine::vm_ForgetDocument(doc);
  engine::vm().reset();
  model::CurrentDocument = nullptr;
  modelfiles::mdl_FreeDocument(doc);
  return 0;
}
