// The set-up header of ".PAR" and ".VAL" files read from any bytes; a header
// that was read writes again and reads back to the same settings. Inputs
// with an even first byte change a sound header at the places they name, so
// that the channel records, axes and gate paths are reached as well.
#include "common.h"
#include "recorder/recfiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  model::LogicRecord* logic = rec::fuzz::fuzzLogic();
  std::vector<std::uint8_t> input(data, data + size);
  if (size >= 1 && data[0] % 2 == 0) {
    input = rec::fuzz::soundHeader();
    // Pairs of (place, value); a place past the end cuts the header there.
    for (std::size_t i = 1; i + 2 < size; i += 3) {
      const std::size_t at = (std::size_t(data[i]) << 8 | data[i + 1]) % (input.size() + 8);
      if (at >= input.size()) input.resize(at - (at - input.size()) % 8);
      else input[at] = data[i + 2];
    }
  }
  rec::Recorder r;
  rec::MemStream in(input);
  const int result = rec::vf_ReadHeader(in, r, logic);
  if (result < 0) return 0;
  rec::MemStream out;
  if (!rec::vf_WriteHeader(out, r, logic)) std::abort();
  rec::Recorder again;
  out.seek(0);
  if (rec::vf_ReadHeader(out, again, logic) < 0 || again.channels.size() != r.channels.size()) std::abort();
  return 0;
}
