// The option file reader on arbitrary bytes: it takes what is there, never
// reads past the end and keeps the zoom finite and in range.
#include "editor/context.h"
#include "editor/documents.h"
#include "model/document.h"
#include "model/memory.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  static bool ready = [] {
    model::mm_UnitInit();
    model::doc_StartUp();
    return true;
  }();
  (void)ready;
  editor::de_ParseOptions(data, size);
  double z = editor::ctx().options.zoom;
  if (!std::isfinite(z) || z < 0.3 || z > 10.0) std::abort();
  for (const std::string& p : editor::ctx().options.paths)
    if (p.size() > 250) std::abort();
  return 0;
}
