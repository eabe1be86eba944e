// Files named in a target program text: the binary files that data
// definitions ('NAME' and 'NAME', first, count) and the file command
// (@readBinFile("NAME")) take in. Input: a 16-bit length L (little-endian), L
// bytes of the file, a byte choosing the address width, then the text. The
// text names files of the working folder only (no separators), where the file
// lies as "DATA.BIN"; the seeds name it.
#include "harness.h"

#include <algorithm>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t fileLength = std::min<size_t>(size_t(data[0]) | size_t(data[1]) << 8, size - 3);
  std::ofstream("DATA.BIN", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 2), std::streamsize(fileLength));
  const size_t at = 2 + fileLength;
  std::string text(reinterpret_cast<const char*>(data + at + 1), size - at - 1);
  std::replace(text.begin(), text.end(), '/', '_');
  std::replace(text.begin(), text.end(), '\\', '_');
  cgfuzz::compileText(text, data[at] & 1);
  return 0;
}
