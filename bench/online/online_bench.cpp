// Benchmark of a download over the channel: a 64 KiB download through the
// online server library, beside the channel's round trip measured in the same
// run: to an in-process target, and over the real runtime and software PLC
// when they are built. (The runtime's cycle timer beside cyclictest is
// bench/platform's timer_bench.) Prints figures; never fails.
#include "onl32/online_server.h"
#include "platform/library.h"
#include "platform/paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

// ---- an in-process target for the download -----------------------------------

struct Target {
  std::uint8_t buf[2000] = {};
  std::vector<std::uint8_t> mem = std::vector<std::uint8_t>(0x20000);
  std::uint16_t answer = 0;
  std::uint8_t mode = 4;
  void handle(std::size_t len) {
    answer = 0;
    auto u32 = [&](int o) {
      return static_cast<std::uint32_t>(buf[o]) | (static_cast<std::uint32_t>(buf[o + 1]) << 8) |
             (static_cast<std::uint32_t>(buf[o + 2]) << 16) | (static_cast<std::uint32_t>(buf[o + 3]) << 24);
    };
    switch (buf[0]) {
    case 0: buf[0] = mode; buf[1] = 0; answer = 2; break;
    case 1: mode = buf[1]; break;
    case 3: mode = 1; break;
    case 5: {
      std::uint32_t a = u32(1);
      if (a + (len - 5) <= mem.size()) std::memcpy(mem.data() + a, buf + 5, len - 5);
      break;
    }
    default: break;
    }
  }
};
Target* g_t = nullptr;
std::uint8_t* tOpen(const char*, std::uint32_t* s, int) { *s = sizeof g_t->buf; return g_t->buf; }
int tClose(int) { return 1; }
int tInstall(const char*) { return 0; }
int tWrite(std::uint8_t*, std::uint32_t n, int) { g_t->handle(n + 1); return 0; }
int tRead(std::uint16_t* n, int) { if (!g_t->answer) return 3; *n = g_t->answer; return 0; }
void tReady(int) { g_t->answer = 0; }
double rVersion() { return 2.007; }
std::int16_t rOne() { return 1; }
std::int16_t rOpen(const char*) { return 1; }
std::int16_t rProgInfo(std::uint32_t* a, std::uint32_t* s) { *a = 0; *s = 0; return 1; }
std::int16_t rConvert(std::uint32_t v, unsigned char* o, std::int32_t l) {
  if (l < 4) return 0;
  for (int i = 0; i < 4; ++i) o[i] = static_cast<unsigned char>(v >> (8 * i));
  return 1;
}

class Loader : public onl32::ModuleLoader {
public:
  void* load(const std::string& p) override { return p.empty() ? nullptr : reinterpret_cast<void*>(1); }
  void* symbol(void*, const char* n) override {
    static const std::map<std::string, void*> m = {
        {"OpenServiceChannel", reinterpret_cast<void*>(&tOpen)},
        {"CloseServiceChannel", reinterpret_cast<void*>(&tClose)},
        {"InstallHardware", reinterpret_cast<void*>(&tInstall)},
        {"ReadServiceChannel", reinterpret_cast<void*>(&tRead)},
        {"ReadServiceReady", reinterpret_cast<void*>(&tReady)},
        {"WriteServiceChannel", reinterpret_cast<void*>(&tWrite)},
        {"DDF01_GetDLLVersion", reinterpret_cast<void*>(&rVersion)},
        {"DDF01_Open", reinterpret_cast<void*>(&rOpen)},
        {"DDF01_GetProgInfo", reinterpret_cast<void*>(&rProgInfo)},
        {"DDF01_ConvertDLBlockStartAddressToBin", reinterpret_cast<void*>(&rConvert)},
    };
    auto it = m.find(n);
    // Operations the benchmark does not use answer 1.
    return it != m.end() ? it->second : reinterpret_cast<void*>(&rOne);
  }
  void unload(void*) override {}
};

// Time stamps of the download's progress 1 (its work begins, after the
// operation thread started) and 99 (the program runs).
Clock::time_point g_at1, g_at88, g_at99;
double g_workUs = 0, g_startUs = 0, g_tailUs = 0;
void stampProgress(int pct) {
  if (pct == 1) g_at1 = Clock::now();
  if (pct == 88) g_at88 = Clock::now();
  if (pct == 99) g_at99 = Clock::now();
}

// Starts an operation and polls it to its end. The poll yields instead of
// sleeping, so that the figure is the operation's and not the wake-up of a
// sleeping poller on a busy machine.
template <class Op> int runToEnd(Op op) {
  int r = op(OD01_KIND_START);
  if (r != OD01_RUNNING) return r;
  while ((r = op(OD01_KIND_QUERY)) == OD01_RUNNING) std::this_thread::yield();
  return r;
}

void downloadRun() {
  Target target;
  g_t = &target;
  onl32::Timing timing;
  timing.stateInterval = std::chrono::milliseconds(1);
  onl32::OnlineServer server(std::make_shared<Loader>(), timing);
  OnlineInitRecord rec{};
  rec.size = OD01_INIT_RECORD_SIZE;
  rec.driverPath = "loopback";
  rec.configPath = "";
  rec.ddfReaderPath = "reader";
  rec.softResetTimeout = 5;
  if (!server.initOnline(&rec)) {
    std::printf("download: the online server did not start\n");
    return;
  }
  // Round trip: one state request through the operation thread, and the
  // bare exchange (write + read) many times.
  const int n = 2000;
  std::uint8_t mode = 0;
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) runToEnd([&](int k) { return server.getMode(&mode, k); });
  double opUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;

  // A 64 KiB download file: two blocks of 32 KiB.
  std::string dlf(12, '\0');
  auto u16 = [&](std::uint16_t v) { dlf.push_back(static_cast<char>(v)); dlf.push_back(static_cast<char>(v >> 8)); };
  auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) dlf.push_back(static_cast<char>(v >> (8 * i))); };
  u16(2);
  for (std::uint32_t b = 0; b < 2; ++b) {
    u32(0x1000 + b * 0x8000);
    u16(0x8000);
    for (int i = 0; i < 0x8000; ++i) dlf.push_back(static_cast<char>(i * 31 + b));
    u32(0xFFFF);
  }
  auto dir = std::filesystem::temp_directory_path() / ("online_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "bench.dlf").string();
  plat::path::writeFileAtomic(path, dlf);
  OD01_DownloadRecord d{};
  d.path = path.c_str();
  const int rounds = 20;
  t0 = Clock::now();
  int result = 0;
  for (int i = 0; i < rounds; ++i) result |= runToEnd([&](int k) { return server.loadDLF(&d, k); });
  double dlUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / rounds;
  std::filesystem::remove_all(dir);
  server.deInitOnline();
  std::size_t pieces = (0x8000 + 1991) / 1992 * 2 + 3;
  std::printf("download 64 KiB (in-process target): %.1f us per download (%s), %.1f MiB/s\n", dlUs,
              result == 0 ? "done" : "FAILED", 65536.0 / dlUs);
  std::printf("channel round trip (state request as an operation): %.2f us\n", opUs);
  std::printf("download / (%zu exchanges x round trip) = %.2f\n", pieces, dlUs / (static_cast<double>(pieces) * opUs));
}


// The same figures over the real chain when it is built: the runtime as the
// online driver, the software PLC clocked by it, the description reader.
void realChainRun() {
#ifdef ZERLO_BIN_DIR
  const std::string bin = ZERLO_BIN_DIR;
  for (const char* f : {"ZerloRuntime.so", "TESK31.so", "DdfReader.so", "MSGCONVLE.so"})
    if (!std::filesystem::exists(bin + "/" + f)) {
      std::printf("real chain: %s not built, skipped\n", f);
      return;
    }
  auto dir = std::filesystem::temp_directory_path() / ("online_bench_real_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  plat::path::writeFileAtomic((dir / "OBEL.INI").string(),
                              "[msgconv]\ndefault=2\n2=" + bin + "/MSGCONVLE.DLL\n");
  plat::path::writeFileAtomic((dir / "INTERFACE.INI").string(), "[SETTINGS]\nCYCLETIME=10\n");
  ::setenv("ZERLO_DDFREADER_BINDIR", dir.c_str(), 1);
  std::string driver = bin + "/ZERLORUNTIME.DLL", reader = bin + "/DDFREADER.DLL";
  std::string config = (dir / "INTERFACE.INI").string(), ddf = (dir / "t.ddf").string();
  std::string res = bin + "/default.res";
  {
    onl32::OnlineServer server;
    OnlineInitRecord rec{};
    rec.size = OD01_INIT_RECORD_SIZE;
    rec.driverPath = driver.c_str();
    rec.configPath = config.c_str();
    rec.ddfReaderPath = reader.c_str();
    rec.softResetTimeout = 5;
    rec.progress = stampProgress;
    if (!server.initOnline(&rec)) {
      std::printf("real chain: the online server did not start\n");
      std::filesystem::remove_all(dir);
      return;
    }
    bool described = runToEnd([&](int k) { return server.loadDDF(ddf.c_str(), k); }) == 0 &&
                     runToEnd([&](int k) { return server.setResourceAndLoadDDF(res.c_str(), ddf.c_str(), k); }) == 0;
    // The program memory of the description takes the 64 KiB.
    std::uint32_t progAddr = 0, progSize = 0;
    plat::lib::Handle h = plat::lib::load(reader);
    auto mvl = h ? plat::lib::symbolAs<DDF01_GetMVLAddressAndSize_t>(h, "DDF01_GetMVLAddressAndSize") : nullptr;
    if (!described || !mvl || !mvl(&progAddr, &progSize) || progSize < 65536) {
      std::printf("real chain: no description with 64 KiB of program memory, skipped\n");
    } else {
      const int n = 500;
      std::uint8_t mode = 0;
      auto t0 = Clock::now();
      for (int i = 0; i < n; ++i) runToEnd([&](int k) { return server.getMode(&mode, k); });
      double opUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n;
      std::string dlf(12, '\0');
      auto u16 = [&](std::uint16_t v) { dlf.push_back(static_cast<char>(v)); dlf.push_back(static_cast<char>(v >> 8)); };
      auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) dlf.push_back(static_cast<char>(v >> (8 * i))); };
      u16(2);
      for (std::uint32_t b = 0; b < 2; ++b) {
        u32(progAddr + b * 0x8000);
        u16(0x8000);
        for (int i = 0; i < 0x8000; ++i) dlf.push_back(static_cast<char>(i * 7 + b));
        u32(0xFFFF);
      }
      std::string path = (dir / "bench.dlf").string();
      plat::path::writeFileAtomic(path, dlf);
      OD01_DownloadRecord d{};
      d.path = path.c_str();
      const int rounds = 20;
      int result = runToEnd([&](int k) { return server.loadDLF(&d, k); });   // warm-up, not timed
      t0 = Clock::now();
      for (int i = 0; i < rounds; ++i) {
        auto s0 = Clock::now();
        result |= runToEnd([&](int k) { return server.loadDLF(&d, k); });
        g_startUs += std::chrono::duration<double, std::micro>(g_at1 - s0).count() / rounds;
        g_workUs += std::chrono::duration<double, std::micro>(g_at88 - g_at1).count() / rounds;
        g_tailUs += std::chrono::duration<double, std::micro>(g_at99 - g_at88).count() / rounds;
      }
      double dlUs = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / rounds;
      std::printf("download phases: start %.1f us, blocks %.1f us, start program and state %.1f us\n", g_startUs,
                  g_workUs, g_tailUs);
      // The pieces of both blocks, the load mode, the start, one state
      // request, and the target's description (requests 2 and 33) compared
      // before anything is changed.
      std::size_t pieces = (0x8000 + server.usableSize() - 9) / (server.usableSize() - 8) * 2 + 4 + 2;
      // The bare exchange: a state request written and its answer read through
      // the runtime's channel operations (polling is off, no operation runs).
      double rawUs = 0;
      if (plat::lib::Handle rh = plat::lib::load(driver)) {
        auto open = plat::lib::symbolAs<OpenServiceChannel_Fn>(rh, "OpenServiceChannel");
        auto wr = plat::lib::symbolAs<WriteServiceChannel_Fn>(rh, "WriteServiceChannel");
        auto rd = plat::lib::symbolAs<ReadServiceChannel_Fn>(rh, "ReadServiceChannel");
        auto ready = plat::lib::symbolAs<ReadServiceReady_Fn>(rh, "ReadServiceReady");
        std::uint32_t size = 0;
        std::uint8_t* buf = open ? open(config.c_str(), &size, 2) : nullptr;   // the channel already open
        if (buf && wr && rd && ready) {
          const int m = 5000;
          auto r0 = Clock::now();
          for (int i = 0; i < m; ++i) {
            buf[0] = 0;
            while (wr(buf, 0, 2) == 2) {}
            std::uint16_t got = 0;
            while (rd(&got, 2) != 0) {}
            ready(2);
          }
          rawUs = std::chrono::duration<double, std::micro>(Clock::now() - r0).count() / m;
        }
        plat::lib::unload(rh);
      }
      std::printf("channel round trip (bare write + read of a state request): %.2f us\n", rawUs);
      std::printf("download 64 KiB (runtime + software PLC): %.1f us per download (%s), %.1f MiB/s\n", dlUs,
                  result == 0 ? "done" : "FAILED", 65536.0 / dlUs);
      std::printf("channel round trip (state request as an operation): %.2f us\n", opUs);
      std::printf("download / (%zu exchanges x operation round trip) = %.2f\n", pieces,
                  dlUs / (static_cast<double>(pieces) * opUs));
      if (rawUs > 0)
        std::printf("download / (%zu exchanges x bare round trip) = %.2f\n", pieces,
                    dlUs / (static_cast<double>(pieces) * rawUs));
    }
    if (h) plat::lib::unload(h);
    server.deInitOnline();
  }
  std::filesystem::remove_all(dir);
#else
  std::printf("real chain: skipped\n");
#endif
}

} // namespace

int main() {
  // The download runs in the named server, which raises its process priority
  // (ONL32NS: the high priority class); the benchmark runs as it does.
  (void)setpriority(PRIO_PROCESS, 0, -5);
  downloadRun();
  realChainRun();
  return 0;
}
