// The file transfer to the target (FTP>) from its sources: the command text
// ("kind target source") and the source file it names, sent piece by piece,
// with the target's answers. Input: a 16-bit length L (little-endian), L bytes
// of target answers (once used up the target answers "OK"), a line with the
// kind and the target's file name, then the source file's contents (the
// source named is always that file).
#include "onl32_harness.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace onl32fuzz;
  if (size < 2) return 0;
  const std::size_t scriptLength = std::min<std::size_t>(std::size_t(data[0]) | std::size_t(data[1]) << 8, size - 2);
  const std::string rest(reinterpret_cast<const char*>(data + 2 + scriptLength), size - 2 - scriptLength);
  const std::size_t eol = std::min(rest.find('\n'), rest.size());
  std::string head = rest.substr(0, eol);
  head = head.substr(0, head.find('\0'));
  const std::string source = workDir() + "/SOURCE.BIN";
  std::ofstream(source, std::ios::binary | std::ios::trunc) << rest.substr(std::min(eol + 1, rest.size()));
  auto s = startServer(data + 2, scriptLength, std::string("OK", 3));
  if (!s) return 0;
  const std::string command = head + " " + source;
  char answer[64];
  OD01_TextRecord tr{command.c_str(), answer, sizeof answer};
  run([&](int k) { return s->ftpWriteFile(&tr, k); });
  s->deInitOnline();
  return 0;
}
