// Fuzzes what the online server library reads from outside: the answers of a
// target (lengths and bytes) and a download file, through IDENT, the kernel
// version, a text command, PROGINFO, GETMEM and a download.
// Input: a 16-bit length L (little-endian), L bytes of target answers, then
// the download file. With the answers used up the target takes every request
// and answers nothing, so that a whole download file is read and sent (the
// seeds are download files of the demo projects with L = 0).
#include "onl32/online_server.h"
#include "platform/paths.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace {

struct Script {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0, pos = 0;
  std::uint8_t take() { return pos < size ? data[pos++] : 0; }
};

Script g_s;
std::uint8_t g_buf[2000];
std::uint16_t g_answer = 0;

std::uint8_t* cOpen(const char*, std::uint32_t* s, int) { *s = sizeof g_buf; return g_buf; }
int cClose(int) { return 1; }
int cInstall(const char*) { return 0; }
int cWrite(std::uint8_t*, std::uint32_t, int) {
  // The target answers with a length and bytes taken from the input.
  std::uint16_t n = static_cast<std::uint16_t>(g_s.take() | (g_s.take() << 8));
  g_answer = n;
  for (std::size_t i = 0; i < sizeof g_buf && i < n; ++i) g_buf[i] = g_s.take();
  return g_s.take() % 8 == 7 ? 2 : 0;
}
int cRead(std::uint16_t* n, int) {
  if (!g_answer) return 3;
  *n = g_answer;
  return 0;
}
void cReady(int) { g_answer = 0; }
double rVersion() { return 2.007; }
std::int16_t rOne() { return 1; }
std::int16_t rOpen(const char*) { return 1; }
std::int16_t rProgInfo(std::uint32_t* a, std::uint32_t* s) {
  *a = 0x100;
  *s = g_s.take();
  return 1;
}
std::int16_t rConvert(std::uint32_t v, unsigned char* o, std::int32_t l) {
  if (l < 4) return 0;
  std::memcpy(o, &v, 4);
  return 1;
}

class Loader : public onl32::ModuleLoader {
public:
  void* load(const std::string&) override { return reinterpret_cast<void*>(1); }
  void* symbol(void*, const char* n) override {
    static const std::map<std::string, void*> m = {
        {"OpenServiceChannel", reinterpret_cast<void*>(&cOpen)},
        {"CloseServiceChannel", reinterpret_cast<void*>(&cClose)},
        {"InstallHardware", reinterpret_cast<void*>(&cInstall)},
        {"ReadServiceChannel", reinterpret_cast<void*>(&cRead)},
        {"ReadServiceReady", reinterpret_cast<void*>(&cReady)},
        {"WriteServiceChannel", reinterpret_cast<void*>(&cWrite)},
        {"DDF01_GetDLLVersion", reinterpret_cast<void*>(&rVersion)},
        {"DDF01_Open", reinterpret_cast<void*>(&rOpen)},
        {"DDF01_GetProgInfo", reinterpret_cast<void*>(&rProgInfo)},
        {"DDF01_ConvertDLBlockStartAddressToBin", reinterpret_cast<void*>(&rConvert)},
    };
    auto it = m.find(n);
    return it != m.end() ? it->second : reinterpret_cast<void*>(&rOne);
  }
  void unload(void*) override {}
};

template <class Op> int run(Op op) {
  int r = op(OD01_KIND_START);
  if (r != OD01_RUNNING) return r;
  while ((r = op(OD01_KIND_QUERY)) == OD01_RUNNING) std::this_thread::yield();
  return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string dir = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    auto d = base / ("onl32_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  if (size < 2) return 0;
  const std::size_t scriptLength = std::min<std::size_t>(std::size_t(data[0]) | std::size_t(data[1]) << 8, size - 2);
  g_s = Script{data + 2, scriptLength, 0};
  const std::uint8_t* download = data + 2 + scriptLength;
  const std::size_t downloadSize = size - 2 - scriptLength;
  g_answer = 0;
  onl32::Timing t;
  t.exchangeTries = 2;
  t.retryInterval = std::chrono::milliseconds(0);
  t.operationStep = std::chrono::milliseconds(1);
  t.stateInterval = std::chrono::milliseconds(0);
  t.pollPeriod = std::chrono::milliseconds(1);
  t.readerWait = std::chrono::milliseconds(1);
  t.listWait = std::chrono::milliseconds(1);
  onl32::OnlineServer s(std::make_shared<Loader>(), t);
  OnlineInitRecord rec{};
  rec.size = OD01_INIT_RECORD_SIZE;
  rec.driverPath = "d";
  rec.configPath = "";
  rec.ddfReaderPath = "r";
  rec.softResetTimeout = 0;
  if (!s.initOnline(&rec)) return 0;
  std::string ddf = dir + "/f.ddf", mem = dir + "/m.bin", dlf = dir + "/f.dlf";
  run([&](int k) { return s.loadDDF(ddf.c_str(), k); });
  char text[16];
  run([&](int k) { return s.getKernelVersion(text, sizeof text, k); });
  char answer[32];
  OD01_TextRecord tr{"x", answer, sizeof answer};
  run([&](int k) { return s.getCommandResponse(&tr, k); });
  OD01_ProgInfo info{};
  run([&](int k) { return s.getProgInfo(&info, k); });
  OD01_MemoryRecord m{0, static_cast<std::uint16_t>(g_s.take() * 16), mem.c_str(), nullptr};
  run([&](int k) { return s.getMemory(&m, k); });
  std::string file(reinterpret_cast<const char*>(download), downloadSize);
  plat::path::writeFileAtomic(dlf, file);
  OD01_DownloadRecord d{};
  d.path = dlf.c_str();
  d.hasIdent = 1;
  run([&](int k) { return s.loadDLF(&d, k); });
  s.deInitOnline();
  return 0;
}
