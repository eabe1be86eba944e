// Writes the seeds of the device description fuzz target: the writer's
// descriptions of a 4-byte and a 2-byte target in each data format, each as
// the target's raw-image input (a leading 0).
//   ddfreader_fuzz_seeds OUTDIR
#include "ddfreader/ddf_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ddfreader_fuzz_seeds OUTDIR\n");
    return 2;
  }
  const std::filesystem::path dir = std::filesystem::path(argv[1]) / "ddfreader_fuzz";
  std::filesystem::create_directories(dir);
  bool ok = true;
  for (std::uint8_t format : {1, 2}) {
    const std::pair<const char*, ddfw::Description> cases[] = {{"four", ddfw::fixture4Byte(format)},
                                                               {"two", ddfw::fixture2Byte(format)}};
    for (const auto& [name, d] : cases) {
      const std::vector<std::uint8_t> image = ddfw::build(d);
      std::ofstream f(dir / (std::string(name) + std::to_string(format) + ".ddf"), std::ios::binary | std::ios::trunc);
      f.put(0);
      f.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
      ok &= f.good() && !image.empty();
    }
  }
  if (!ok) std::fprintf(stderr, "ddfreader_fuzz_seeds: a seed could not be written\n");
  return ok ? 0 : 1;
}
