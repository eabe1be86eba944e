#pragma once
// Converters without libraries on disk: a Settings and ConverterLoader pair
// that serves the in-process conversion tables of the message-conversion
// libraries (format 1 big-endian, every other format little-endian). For
// tests and tools that read descriptions with ddf::Reader; link ddfreader_core
// and msgconv_core.
//
//   ddf::InProcessConverters conv;
//   ddf::Reader reader(conv, conv);
//   reader.openImage(image, "name");
#include "ddfreader/ddf_reader.h"
#include "msgconv/mc01_table.h"

namespace ddf {

class InProcessConverters : public Settings, public ConverterLoader {
public:
  bool msgConvPath(int format, std::string& path) override {
    path = format == 1 ? "MSGCONVBE" : "MSGCONVLE";
    return true;
  }
  bool load(const std::string& path, mc01::Table& table, void*& handle) override {
    const mc01::Table& src = path == "MSGCONVBE" ? mc01::bigEndian() : mc01::littleEndian();
    table = src;
    handle = const_cast<mc01::Table*>(&src);
    return true;
  }
  void unload(void*) override {}
};

}  // namespace ddf
