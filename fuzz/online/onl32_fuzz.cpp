// Fuzzes what the online server library reads from outside: the answers of a
// target (lengths and bytes) and a download file, through IDENT, the kernel
// version, a text command, PROGINFO, GETMEM and a download.
// Input: a 16-bit length L (little-endian), L bytes of target answers, then
// the download file. With the answers used up the target takes every request
// and answers nothing, so that a whole download file is read and sent (the
// seeds are download files of the demo projects with L = 0).
#include "onl32_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace onl32fuzz;
  if (size < 2) return 0;
  const std::size_t scriptLength = std::min<std::size_t>(std::size_t(data[0]) | std::size_t(data[1]) << 8, size - 2);
  const std::uint8_t* download = data + 2 + scriptLength;
  const std::size_t downloadSize = size - 2 - scriptLength;
  auto s = startServer(data + 2, scriptLength, "");
  if (!s) return 0;
  const std::string mem = workDir() + "/m.bin", dlf = workDir() + "/f.dlf";
  char text[16];
  run([&](int k) { return s->getKernelVersion(text, sizeof text, k); });
  char answer[32];
  OD01_TextRecord tr{"x", answer, sizeof answer};
  run([&](int k) { return s->getCommandResponse(&tr, k); });
  OD01_ProgInfo info{};
  run([&](int k) { return s->getProgInfo(&info, k); });
  OD01_MemoryRecord m{0, static_cast<std::uint16_t>(g_s.take() * 16), mem.c_str(), nullptr};
  run([&](int k) { return s->getMemory(&m, k); });
  std::string file(reinterpret_cast<const char*>(download), downloadSize);
  plat::path::writeFileAtomic(dlf, file);
  OD01_DownloadRecord d{};
  d.path = dlf.c_str();
  d.hasIdent = 1;
  run([&](int k) { return s->loadDLF(&d, k); });
  s->deInitOnline();
  return 0;
}
