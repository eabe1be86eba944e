// The count and number texts of ".VAT" files read from any bytes until the
// bytes are used up.
#include "recorder/recordgate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rec::MemStream s(data, size);
  std::uint16_t count = 0;
  rec::vdb_ReadCountText(s, count);
  double v = 0;
  int guard = 0;
  while (rec::vdb_ReadNumberText(s, v) && ++guard < 100000) {}
  return 0;
}
