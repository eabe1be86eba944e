#pragma once
// The online server library over a scripted target for the fuzz targets of
// this folder: a service channel whose answers (a 16-bit length, the bytes and
// a busy mark each) come from the input, and a description reader that knows
// every address.
#include "onl32/online_server.h"
#include "platform/paths.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace onl32fuzz {

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
// The answer of the target once the script is used up ("" none).
std::string g_defaultAnswer;

int cWrite(std::uint8_t*, std::uint32_t, int) {
  // The target answers with a length and bytes taken from the input.
  if (g_s.pos >= g_s.size && !g_defaultAnswer.empty()) {
    std::memcpy(g_buf, g_defaultAnswer.data(), g_defaultAnswer.size());
    g_answer = std::uint16_t(g_defaultAnswer.size());
    return 0;
  }
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
// A reader function of the pointer type it stands for that succeeds (its
// outputs stay as the caller set them).
template <class R, class... A> R one(A...) { return R(1); }
template <class F> void* typed() {
  F f = &one;
  return reinterpret_cast<void*>(f);
}
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
        {"DDF01_Close", typed<DDF01_Close_t>()},
        {"DDF01_GetFileVersion", typed<DDF01_GetFileVersion_t>()},
        {"DDF01_GetTargetFormat", typed<DDF01_GetTargetFormat_t>()},
        {"DDF01_GetDevice", typed<DDF01_GetDevice_t>()},
        {"DDF01_GetProzessorTyp", typed<DDF01_GetProzessorTyp_t>()},
        {"DDF01_GetMinCycleTime", typed<DDF01_GetMinCycleTime_t>()},
        {"DDF01_GetMemoryElementNumber", typed<DDF01_GetMemoryElementNumber_t>()},
        {"DDF01_GetVarSizeAndAddress", typed<DDF01_GetVarSizeAndAddress_t>()},
        {"DDF01_BuildResourceRequest", typed<DDF01_BuildResourceRequest_t>()},
    };
    // Optional functions (the server information) are missing.
    auto it = m.find(n);
    return it != m.end() ? it->second : nullptr;
  }
  void unload(void*) override {}
};

template <class Op> int run(Op op) {
  int r = op(OD01_KIND_START);
  if (r != OD01_RUNNING) return r;
  while ((r = op(OD01_KIND_QUERY)) == OD01_RUNNING) std::this_thread::yield();
  return r;
}


// A folder of this process for the files the operations read and write.
inline const std::string& workDir() {
  static const std::string dir = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    auto d = base / ("onl32_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}

// A server with quick timing, initialised against the scripted target; the
// script is the bytes given, then the default answer.
inline std::unique_ptr<onl32::OnlineServer> startServer(const std::uint8_t* script, std::size_t n,
                                                        std::string defaultAnswer) {
  g_s = Script{script, n, 0};
  g_answer = 0;
  g_defaultAnswer = std::move(defaultAnswer);
  onl32::Timing t;
  t.exchangeTries = 2;
  t.retryInterval = std::chrono::milliseconds(0);
  t.operationStep = std::chrono::milliseconds(1);
  t.stateInterval = std::chrono::milliseconds(0);
  t.pollPeriod = std::chrono::milliseconds(1);
  t.readerWait = std::chrono::milliseconds(1);
  t.listWait = std::chrono::milliseconds(1);
  auto s = std::make_unique<onl32::OnlineServer>(std::make_shared<Loader>(), t);
  OnlineInitRecord rec{};
  rec.size = OD01_INIT_RECORD_SIZE;
  rec.driverPath = "d";
  rec.configPath = "";
  rec.ddfReaderPath = "r";
  rec.softResetTimeout = 0;
  if (!s->initOnline(&rec)) return nullptr;
  std::string ddf = workDir() + "/f.ddf";
  run([&](int k) { return s->loadDDF(ddf.c_str(), k); });
  return s;
}

} // namespace onl32fuzz
