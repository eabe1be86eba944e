// The set-up header of ".PAR" and ".VAL" files read from any bytes; a header
// that was read writes again and reads back to the same settings.
#include "common.h"
#include "recorder/recfiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  model::LogicRecord* logic = rec::fuzz::fuzzLogic();
  rec::Recorder r;
  rec::MemStream in(data, size);
  const int result = rec::vf_ReadHeader(in, r, logic);
  if (result < 0) return 0;
  rec::MemStream out;
  if (!rec::vf_WriteHeader(out, r, logic)) std::abort();
  rec::Recorder again;
  out.seek(0);
  if (rec::vf_ReadHeader(out, again, logic) < 0 || again.channels.size() != r.channels.size()) std::abort();
  return 0;
}
