// A value file opened for replay from any bytes, every sample read until the
// end marker or the end, then the seek and scroll actions.
#include "common.h"
#include "recorder/recfiles.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  model::LogicRecord* logic = rec::fuzz::fuzzLogic();
  static const std::string path = "/tmp/zerlo_fuzz_" + std::to_string(::getpid()) + ".VAL";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  rec::Recorder r;
  struct Cleanup {
    ~Cleanup() { std::remove(path.c_str()); }
  } cleanup;
  if (!rec::vf_OpenValForReplay(r, logic, path)) return 0;
  int n = 0;
  while (rec::tr_ReadSample(r) && ++n < 100000) {}
  r.recRoll = 1;
  r.recFirstTime = 0.0;
  r.recTimePerColumn = r.recTimePerDivision / 40.0;
  r.recWindowLength = 18 * r.recTimePerDivision;
  for (int code : {500, -8, -9, 0, 1000}) rec::tr_ScrollTo(r, code);
  rec::vf_CloseOutput(r, false);
  return 0;
}
