// Feeds arbitrary bytes to the scanner and the grammar of the target program
// text with an in-memory target behind the reader interface, then runs the
// output pass into memory. The first byte chooses the target's address width;
// the text names no files (its file commands are made unreadable).
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (char& c : text)
    if (c == '@' || c == '\'') c = '?';
  cgfuzz::compileText(text, data[0] & 1);
  return 0;
}
