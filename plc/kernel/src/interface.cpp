// The interface library (outside component named by the DRIVER setting), the
// mode-change tail with its calls back into the runtime, and the default
// ways of finding both.
#include "kernel.h"

#include "platform/library.h"
#include "platform/paths.h"

#include <chrono>
#include <dlfcn.h>
#include <thread>

namespace plc {

thread_local bool Kernel::tChannelTail = false;

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Loads the interface library by path through the platform's library loader.
class NamedKxLoader : public KxLoader {
public:
  bool load(const std::string& path, KxFunctions& f) override {
    unload();
    f = KxFunctions{};
    // A driver name without a directory is found beside this library.
    h_ = plat::lib::load(path, plat::path::moduleDirOf(reinterpret_cast<const void*>(&sleepMs)));
    if (!h_) return false;
    f.open = plat::lib::symbolAs<KXOpenDevice_t>(h_, "KXOpenDevice");
    if (!f.open) return false;
    f.close = plat::lib::symbolAs<KXCloseDevice_t>(h_, "KXCloseDevice");
    if (!f.close) return false;
    f.setData = plat::lib::symbolAs<KXSetData_t>(h_, "KXSetData");
    if (!f.setData) return false;
    f.getData = plat::lib::symbolAs<KXGetData_t>(h_, "KXGetData");
    if (!f.getData) return false;
    f.setup = plat::lib::symbolAs<KXSetup_t>(h_, "KXSetup");
    return f.setup != nullptr;
  }
  void unload() override {
    if (h_) plat::lib::unload(h_);
    h_ = nullptr;
  }
  ~NamedKxLoader() override { unload(); }

private:
  plat::lib::Handle h_ = nullptr;
};

// The runtime is already loaded in the process: find it beside this library
// without loading it again.
void* runtimeSymbol(const char* name) {
  static const std::string dir = plat::path::moduleDirOf(reinterpret_cast<const void*>(&runtimeSymbol));
  for (const char* file : {"ZerloRuntime.so", "libZerloRuntime.so"}) {
    std::string path = plat::path::join(dir, file);
    void* h = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!h) continue;
    void* s = dlsym(h, name);
    dlclose(h);   // drops only the reference NOLOAD took
    if (s) return s;
  }
  return nullptr;
}

} // namespace

int Kernel::hookChangeMMTCond(int k) {
  if (hooks.changeMMTCond) return hooks.changeMMTCond(k);
  if (hooksFromRuntime)
    if (auto f = reinterpret_cast<ChangeMMTCond_t>(runtimeSymbol("ChangeMMTCond"))) return f(k);
  return 0;
}
int Kernel::hookSettingsServerAction(int k) {
  if (hooks.settingsServerAction) return hooks.settingsServerAction(k);
  if (hooksFromRuntime)
    if (auto f = reinterpret_cast<SettingsServerAction_t>(runtimeSymbol("SettingsServerAction"))) return f(k);
  return 0;
}
int Kernel::hookInitControlDialog() {
  if (hooks.initControlDialog) return hooks.initControlDialog();
  if (hooksFromRuntime)
    if (auto f = reinterpret_cast<InitControlDialog_t>(runtimeSymbol("InitControlDialog"))) return f();
  return 0;
}

void Kernel::closeInterfaceLocked() {
  ifActive = false;
  if (kx.close) kx.close();
  if (kxLoader) kxLoader->unload();
  else if (defaultLoader_) defaultLoader_->unload();
  kx = KxFunctions{};
  ifState.store(0);
}

void Kernel::modeTail(int md) {
  switch (md) {
    case protocol::kModeOnline:
      hookChangeMMTCond(1);
      wasRunning = true;
      break;
    case protocol::kModeReset: {
      hookChangeMMTCond(4);
      // A reset after a run without an error callback (no diagnosis bound)
      // asks the server to close - but never one that a client of the server
      // asked for through the service channel: the start of a program
      // (request 3 resets first), a reset (request 1) or the re-open a mode
      // request starts. Those clients are logged in, and the server ends with
      // its last client; closing it here ended it after every second download
      // and every switch of the online mode off.
      if (!callbacks.errorCallback && wasRunning && !tChannelTail) hookSettingsServerAction(1);
      wasRunning = false;
      break;
    }
    case protocol::kModeTest:
      if (callbacks.lookOutCallback) callbacks.lookOutCallback(100);
      hookInitControlDialog();
      reopenInterface();
      break;
    case protocol::kModeAkxi: {
      std::lock_guard lk(mu);   // lets a running exchange finish first
      ifActive = false;
      if (kx.setup) kx.setup(2, 0, nullptr);
      if (ifState.load() == 3) closeInterfaceLocked();
      break;
    }
    case protocol::kModeCheck:
      reopenInterface();
      break;
    case protocol::kModeParaChange:
      hookInitControlDialog();
      hookChangeMMTCond(10);
      reopenInterface();
      break;
    default: break;
  }
}

void Kernel::reopenInterface() {
  for (int i = 0; i < 200 && ifState.load() == 2; ++i) sleepMs(50);
  {
    std::lock_guard lk(mu);
    if (ifState.load() == 3) closeInterfaceLocked();
  }
  IfSettings s;
  IfPort port;
  if (settings) {
    settings->getKXIFSettings(s);
    settings->getKXIFPort(static_cast<int>(s.port), port);
  }
  std::vector<int> tails;
  {
    std::lock_guard lk(mu);
    ifSettings = s;
    ifPort = port;
    loadDeclarations(builtinDeclarations(), tails);
    clearAreas(true);
    outImage.fill(0);
    inImage.fill(0);
  }
  for (int m : tails) modeTail(m);
  if (port.driver.empty()) {
    {
      std::lock_guard lk(mu);
      ifActive = false;
    }
    if (callbacks.errorCallback) callbacks.errorCallback(0);
    if (callbacks.lookOutCallback) callbacks.lookOutCallback(0);
    setMode(protocol::kModeStop);
    return;
  }
  if (callbacks.lookOutCallback) callbacks.lookOutCallback(1);
  int expected = 0;
  if (!ifState.compare_exchange_strong(expected, 2)) return;
  std::string dir = plat::path::dirName(plat::path::normalize(configPath));
  std::string path = plat::path::join(dir, plat::path::normalize(port.driver));
  KxFunctions f;
  KxLoader* loader = kxLoader.get();
  if (!loader) {
    if (!defaultLoader_) defaultLoader_ = std::make_unique<NamedKxLoader>();
    loader = defaultLoader_.get();
  }
  loader->load(path, f);
  // A driver named without a directory that is not beside the configuration
  // is looked for beside the kernel, in the program directory.
  const std::string driverName = plat::path::normalize(port.driver);
  if (!f.open && plat::path::dirName(driverName).empty()) loader->load(driverName, f);
  {
    std::lock_guard lk(mu);
    kx = f;
  }
  int r = (kx.open && !configPath.empty()) ? kx.open(configPath.c_str()) : 4;
  if (r != 0) {
    if (callbacks.errorCallback) callbacks.errorCallback(r + 600);
    ifState.store(3);
    return;
  }
  int ten = 10;
  int* pten = &ten;
  int h = kx.setup ? kx.setup(1, 1, &pten) : 2;
  if (h != 0) {
    if (callbacks.errorCallback) callbacks.errorCallback(h + 600);
    setMode(protocol::kModeOffline);
  } else {
    setMode(protocol::kModeStop);
  }
  std::lock_guard lk(mu);
  ifActive = true;
  ifState.store(3);
}

} // namespace plc
