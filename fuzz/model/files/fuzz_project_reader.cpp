// Fuzzes the project file reader: as a project into an empty document, and as
// a library into a document with a main module, with the gate check after a
// successful read.
#include "fuzz_common.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace modelfiles;
  fuzz::initOnce();
  {
    fuzz::FreshDocument d;
    LoadStatus.clear();
    if (!mdl_ReadProject(data, size, true)) mdl_CheckGates();
  }
  {
    fuzz::FreshDocument d;
    model::ProjectModule* m = model::doc_MainModule(*d.doc);
    if (m) std::memcpy(m->Name, "HOST.MDL", 8);
    LoadStatus.clear();
    if (!mdl_ReadProject(data, size, false)) mdl_CheckGates();
  }
  return 0;
}
