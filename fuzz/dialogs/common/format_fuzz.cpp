// The checked formatter with templates of any content (they come from
// language libraries outside the system) and a fixed set of arguments.
#include "dialogkit/format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view tmpl(reinterpret_cast<const char*>(data), size);
  std::string out = kit::formatChecked(tmpl, {"text", 42u, -7, 3.25, std::string(300, 'x')});
  // Only the five arguments, each at most once and at most 1024 wide, add to the template.
  if (out.size() > size + 5 * 1500) __builtin_trap();
  return 0;
}
