// Fuzzes the block library (".MCO") reader: into a new module, then the same
// bytes again into the module read (the refill by type name).
#include "fuzz_common.h"

#include "modelfiles/compiled.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace modelfiles;
  fuzz::initOnce();
  fuzz::FreshDocument d;
  model::doc_MainModule(*d.doc);
  model::ProjectModule* slot = nullptr;
  LoadStatus.clear();
  mdl_ReadCompiledModule(slot, data, size);
  if (slot) {
    LoadStatus.clear();
    mdl_ReadCompiledModule(slot, data, size);
  }
  return 0;
}
