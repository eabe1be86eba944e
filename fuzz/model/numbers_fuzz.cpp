// Number parsing and formatting on arbitrary text: never out of bounds.
#include "model/numbers.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::int16_t d = model::nc_ParseDecimal(text.c_str());
  const std::int16_t h = model::nc_ParseHex(text.c_str());
  const double r = model::nc_ParseReal(text.c_str());
  const int width = size ? data[0] % 40 : 0;
  char buffer[24];
  model::nc_FormatRealRange(r, buffer, sizeof buffer, width);
  model::nc_FormatRealRange2(r, buffer, sizeof buffer, width);
  model::nc_FormatIntField(d, buffer, sizeof buffer, width);
  model::nc_FormatHex2(std::uint16_t(h), buffer, sizeof buffer, width);
  model::nc_FormatDecimal(std::uint16_t(d), buffer, sizeof buffer, width);
  model::nc_FormatInt(d, buffer, sizeof buffer, width);
  return 0;
}
