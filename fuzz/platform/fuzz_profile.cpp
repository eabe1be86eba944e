// Arbitrary bytes as an INI file: every read and a key-by-key write must work
// without a crash and leave a file that reads back the written key.
#include "platform/profile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    std::string p = "/tmp/zerlo-fuzz-profile-" + std::to_string(getpid()) + ".ini";
    return p;
  }();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  for (const auto& s : plat::profile::sectionNames(path)) {
    for (const auto& k : plat::profile::keyNames(path, s)) {
      (void)plat::profile::getString(path, s, k, "");
      (void)plat::profile::getInt(path, s, k, 0);
    }
  }
  if (plat::profile::writeString(path, "FUZZ", "Key", "value")) {
    if (plat::profile::getString(path, "fuzz", "KEY", "") != "value") std::abort();
  }
  return 0;
}
