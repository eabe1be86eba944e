// The resource request read from a resource file ("default.res" and the one a
// target names) of any text, into a request buffer of the size the first two
// bytes give: the request never runs past the buffer and counts the entries
// it wrote.
#include "ddfreader/ddf_reader.h"
#include "ddfreader/ddf_writer.h"
#include "ddfreader/inproc.h"
#include "quiet_sink.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ddffuzz::quiet();
  static const std::string dir = [] {
    const auto d = std::filesystem::temp_directory_path() / ("zerlo-fuzz-res-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  if (size < 2) return 0;
  static ddf::InProcessConverters conv;
  static const std::vector<uint8_t> image = ddfw::build(ddfw::fixture4Byte());
  ddf::Reader reader(conv, conv);
  if (!reader.openImage(image, "fuzz.ddf")) std::abort();
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  // The target's own file, and the default beside it (read when the first
  // has no memory variable list).
  std::ofstream(dir + "/TARGET.RES", std::ios::binary | std::ios::trunc) << text;
  std::ofstream(dir + "/default.res", std::ios::binary | std::ios::trunc) << text;
  const int32_t room = int32_t(data[0] | data[1] << 8);
  std::vector<unsigned char> buf(size_t(room) + 64, 0xA5);
  const int32_t n = reader.buildResourceRequest(buf.data(), room, (dir + "/TARGET.RES").c_str());
  if (n < 0 || n > room) std::abort();
  for (size_t i = size_t(room); i < buf.size(); ++i)
    if (buf[i] != 0xA5) std::abort();
  if (n > 0) {
    const uint32_t entries = buf[0] | buf[1] << 8 | uint32_t(buf[2]) << 16 | uint32_t(buf[3]) << 24;
    if (int64_t(DDF_RESREQ_HEADER) + int64_t(entries) * DDF_RESREQ_ENTRY != n) std::abort();
  }
  return 0;
}
