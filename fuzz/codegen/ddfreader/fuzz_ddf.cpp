// libFuzzer target for the device description reader: any bytes are read as a
// description and dumped; an image that opens is queried area by area.
#include "ddfreader/ddf_reader.h"
#include "ddfreader/ddf_writer.h"
#include "ddfreader/inproc.h"
#include "quiet_sink.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ddffuzz::quiet();
  static ddf::InProcessConverters conv;
  ddf::Reader reader(conv, conv);
  // The first byte chooses the image: the bytes themselves, or a fixture
  // description with the bytes laid over it (reaching deep into the lists
  // faster), or a fixture cut short.
  static const std::vector<uint8_t> four = ddfw::build(ddfw::fixture4Byte());
  static const std::vector<uint8_t> two = ddfw::build(ddfw::fixture2Byte(1));
  std::vector<uint8_t> image;
  const uint8_t mode = size ? data[0] % 4 : 0;
  if (mode == 0 || size < 3) {
    image.assign(data, data + size);
  } else if (mode == 3) {
    image = four;
    image.resize(((size_t(data[1]) << 8) | data[2]) % (four.size() + 1));
  } else {
    image = mode == 1 ? four : two;
    for (size_t i = 1; i + 1 < size; i += 2) image[((size_t(data[i]) << 3) ^ i) % image.size()] ^= data[i + 1];
  }
  std::string text;
  reader.dumpImage(image, text);
  if (reader.openImage(image, "fuzz.ddf")) {
    for (const auto& bucket : reader.areas().buckets()) {
      for (const ddf::Area& a : bucket) {
        for (int32_t index : {0, 1, int32_t(a.elemNum) - 1, int32_t(a.elemNum), -1}) {
          DdfVarQuery q{a.name.c_str(), index, index & 1 ? 3 : -1, 0, 0};
          reader.getVarSizeAndAddress(&q);
        }
        uint32_t n;
        reader.getMemoryElementNumber(a.name.c_str(), &n);
      }
    }
    uint32_t addr;
    reader.getModulAddress("NOP", &addr);
    char buf[13];
    reader.getDevice(buf, sizeof buf);
    reader.getProzessorTyp(buf, sizeof buf);
  }
  return 0;
}
