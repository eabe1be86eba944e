// Exports of ZerloRuntime.so: the service channel and the PLC's back-calls.
#include "platform/export.h"
#include "platform/paths.h"
#include "runtime/runtime_env.h"

#include <memory>
#include <mutex>

namespace {
std::mutex g_mu;
std::unique_ptr<zrt::Runtime> g_runtime;

zrt::Runtime* runtime() {
  std::lock_guard<std::mutex> lk(g_mu);
  if (!g_runtime) {
    std::string dir = plat::path::moduleDirOf(reinterpret_cast<const void*>(&runtime));
    g_runtime = std::make_unique<zrt::Runtime>(zrt::makeLibraryEnv(dir));
    zrt::Runtime::setCurrent(g_runtime.get());
  }
  return g_runtime.get();
}

// Closes the channel when the library is unloaded while still open.
struct Unloader {
  ~Unloader() {
    std::lock_guard<std::mutex> lk(g_mu);
    if (g_runtime) {
      g_runtime->closeServiceChannel();
      zrt::Runtime::setCurrent(nullptr);
      g_runtime.reset();
    }
  }
} g_unloader;
} // namespace

ZERLO_EXPORT std::uint8_t* OpenServiceChannel(const char* configPath, std::uint32_t* size, int /*mode*/) {
  return runtime()->openServiceChannel(configPath, size);
}
ZERLO_EXPORT int CloseServiceChannel(int /*mode*/) { return runtime()->closeServiceChannel(); }
ZERLO_EXPORT int WriteServiceChannel(std::uint8_t* request, std::uint32_t nMinus1, int /*mode*/) {
  return runtime()->writeServiceChannel(request, nMinus1);
}
ZERLO_EXPORT int ReadServiceChannel(std::uint16_t* answerLength, int /*mode*/) {
  return runtime()->readServiceChannel(answerLength);
}
ZERLO_EXPORT void ReadServiceReady(int /*mode*/) { runtime()->readServiceReady(); }
// This runtime installs no hardware.
ZERLO_EXPORT int InstallHardware(const char* /*configPath*/) { return 0; }
ZERLO_EXPORT void SettingsServerInfo(std::uint32_t* serverWindow, ZrlClientNode** clientList) {
  runtime()->settingsServerInfo(serverWindow, clientList);
}
ZERLO_EXPORT int ChangeMMTCond(int kind) { return runtime()->changeMMTCond(kind); }
ZERLO_EXPORT int InitControlDialog() { return runtime()->initControlDialog(); }
ZERLO_EXPORT int SettingsServerAction(int kind) { return runtime()->settingsServerAction(kind); }
