// The command-line scanner on any text: no crash, a name within the open buffer.
#include "zerloapp/cmdline.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto cl = zapp::app_ParseCommandLine(std::string_view(reinterpret_cast<const char*>(data), size));
  if (cl.openPending && (cl.name.empty() || cl.name.size() >= zapp::kOpenBufferSize)) std::abort();
  if (cl.openPending && cl.tooLong) std::abort();
  return 0;
}
