// Worker threads, the library search and cache, and the library calls.
#include "engine/workers.h"

#include "platform/uisink.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/services.h"
#include "platform/library.h"
#include "platform/paths.h"

namespace engine {
namespace {

struct Worker {
  std::thread thread;
  std::stop_source stop;
  bool done = false;
};

struct State {
  std::mutex lock;                    // over the worker list, the cache and the hooks
  std::condition_variable ended;
  std::list<std::shared_ptr<Worker>> workers;
  std::size_t running = 0;
  std::size_t abandoned = 0;
  WorkerHooks hooks;
  struct Entry { std::string name; LibraryHandle handle; };
  std::vector<Entry> cache;
  std::vector<LibraryFunction> functions;  // addresses handed out by the cached call (id = index + 1)
};
State& st() {
  // Never destroyed: an abandoned worker may still touch it at process exit.
  static State* s = new State;
  return *s;
}

WorkerHooks hooksCopy() {
  std::lock_guard g(st().lock);
  return st().hooks;
}
void beep() {
  if (auto b = hooksCopy().beep) b();
}

// Joins the threads of finished workers and drops their records (lock held).
void reapLocked() {
  for (auto it = st().workers.begin(); it != st().workers.end();) {
    if ((*it)->done) {
      if ((*it)->thread.joinable()) (*it)->thread.join();
      it = st().workers.erase(it);
    } else {
      ++it;
    }
  }
}

std::atomic<bool> gSyncBusy{false};

LibraryFunction lookup(LibraryHandle h, const std::string& function) {
  return plat::lib::symbolAs<LibraryFunction>(h, function.c_str());
}

} // namespace

void th_SetHooks(WorkerHooks hooks) {
  std::lock_guard g(st().lock);
  st().hooks = std::move(hooks);
}

std::vector<std::string> dl_LibraryPaths() {
  const WorkerHooks h = hooksCopy();
  return h.libraryPaths ? h.libraryPaths() : std::vector<std::string>{};
}

void th_PostRedraw() {
  if (auto p = hooksCopy().postRedraw) p();
}

LibraryHandle dl_LoadLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  const WorkerHooks h = hooksCopy();
  if (h.libraryPaths) {
    for (std::string dir : h.libraryPaths()) {
      if (dir.empty()) continue;
      if (dir.back() != '/' && dir.back() != '\\') dir += '/';
      if (LibraryHandle l = plat::lib::load(dir + name, "")) return l;
    }
  }
  std::string prog = h.programDir.empty() ? plat::path::programDir() : h.programDir;
  if (!prog.empty() && prog.back() != '/') prog += '/';
  if (LibraryHandle l = plat::lib::load(prog + name, "")) return l;
  return plat::lib::load(name, "");
}

void dl_UnloadLibrary(LibraryHandle h) {
  if (h) plat::lib::unload(h);
}

LibraryHandle dl_CacheLoad(const std::string& name) {
  if (name.empty()) return nullptr;
  const std::string key = plat::path::toUpper(name);
  {
    std::lock_guard g(st().lock);
    for (const auto& e : st().cache)
      if (e.name == key) return e.handle;
  }
  LibraryHandle h = dl_LoadLibrary(key);
  if (!h) return nullptr;
  std::lock_guard g(st().lock);
  for (const auto& e : st().cache) {
    if (e.name == key) {  // loaded meanwhile by another thread
      plat::lib::unload(h);
      return e.handle;
    }
  }
  st().cache.push_back({key, h});
  return h;
}

std::size_t dl_CacheSize() {
  std::lock_guard g(st().lock);
  return st().cache.size();
}

bool dl_PreloadBlockDialogs() {
  if (dl_CacheLoad("ZRLFBDLG.DLL")) return true;
  engineServices().showMessageWith(50047, "ZRLFBDLG.DLL");
  return false;
}

void dl_FreeCache() {
  std::vector<State::Entry> entries;
  bool keep;
  {
    std::lock_guard g(st().lock);
    reapLocked();
    entries.swap(st().cache);
    st().functions.clear();
    // A library a worker may still run in is never unloaded.
    keep = st().running > 0 || st().abandoned > 0;
  }
  if (!keep)
    for (const auto& e : entries) plat::lib::unload(e.handle);
}

bool th_Start(WorkerBody body) {
  auto w = std::make_shared<Worker>();
  {
    std::lock_guard g(st().lock);
    reapLocked();
    if (st().running >= kMaxWorkers) {
      w->done = true;
    } else {
    ++st().running;
    st().workers.push_back(w);
    try {
      w->thread = std::thread([w, body = std::move(body)] {
        body(w->stop.get_token());
        std::function<void()> post;
        {
          std::lock_guard g2(st().lock);
          if (!w->done) {  // not abandoned
            w->done = true;
            --st().running;
            post = st().hooks.postRedraw;
          }
        }
        if (post) post();
        st().ended.notify_all();
      });
    } catch (...) {
      st().workers.pop_back();
      --st().running;
      w->done = true;
    }
    }
  }
  if (!w->thread.joinable()) {
    beep();
    return false;
  }
  return true;
}

bool th_NoWorkers() {
  std::lock_guard g(st().lock);
  reapLocked();
  return st().running == 0;
}

std::size_t th_Count() {
  std::lock_guard g(st().lock);
  return st().running;
}

std::size_t th_KillAll(std::chrono::milliseconds bound) {
  // The dialogs workers have open end first, as Cancel: through the hook,
  // else through the dialog kit's process-wide list of queued modal runs.
  if (auto cancel = hooksCopy().cancelDialogs) cancel();
  else plat::ui::cancelModalRuns();
  std::unique_lock g(st().lock);
  for (auto& w : st().workers) w->stop.request_stop();
  st().ended.wait_for(g, bound, [] { return st().running == 0; });
  std::size_t left = 0;
  for (auto& w : st().workers) {
    if (w->done) continue;
    // Still running: abandoned. Its thread goes on alone; it posts nothing
    // and its library stays loaded.
    w->done = true;
    ++left;
    if (w->thread.joinable()) w->thread.detach();
  }
  st().running = 0;
  st().abandoned += left;
  reapLocked();
  return left;
}

bool xt_WorkerLibraryCall(const std::string& library, const std::string& function, LibraryArgs args) {
  // The names are copied: the module's texts may change or go while the worker runs.
  return th_Start([library, function, args](std::stop_token) {
    LibraryHandle h = dl_LoadLibrary(library);
    if (!h) {
      engineServices().showMessageWith(50047, library);
      return;
    }
    if (LibraryFunction f = lookup(h, function)) f(args[0], args[1], args[2], args[3], args[4], args[5]);
    else engineServices().showMessageWith(50046, function);
    dl_UnloadLibrary(h);
  });
}

bool xt_SyncLibraryCall(const std::string& library, const std::string& function, LibraryArgs args) {
  if (gSyncBusy.exchange(true)) {
    beep();
    return false;
  }
  bool ok = false;
  if (LibraryHandle h = dl_LoadLibrary(library)) {
    if (LibraryFunction f = lookup(h, function)) {
      f(args[0], args[1], args[2], args[3], args[4], args[5]);
      ok = true;
    } else {
      engineServices().showMessageWith(50046, function);
    }
    dl_UnloadLibrary(h);
  } else {
    engineServices().showMessageWith(50047, library);
  }
  gSyncBusy = false;
  return ok;
}

namespace {
bool callFunction(bool worker, LibraryFunction f, const LibraryArgs& args) {
  if (worker) return th_Start([f, args](std::stop_token) { f(args[0], args[1], args[2], args[3], args[4], args[5]); });
  if (gSyncBusy.exchange(true)) {
    beep();
    return false;
  }
  f(args[0], args[1], args[2], args[3], args[4], args[5]);
  gSyncBusy = false;
  return true;
}
} // namespace

double xt_CachedLibraryCall(bool worker, const std::string& library, const std::string& function,
                            LibraryArgs args) {
  LibraryHandle h = dl_CacheLoad(library);
  if (!h) {
    engineServices().showMessageWith(50047, library);
    if (worker) beep();
    return 0;
  }
  LibraryFunction f = lookup(h, function);
  if (!f) {
    engineServices().showMessageWith(50046, function);
    if (worker) beep();
    return 0;
  }
  double id;
  {
    std::lock_guard g(st().lock);
    auto& fs = st().functions;
    std::size_t i = 0;
    while (i < fs.size() && fs[i] != f) ++i;
    if (i == fs.size()) fs.push_back(f);
    id = double(i + 1);
  }
  callFunction(worker, f, args);
  return id;
}

bool xt_CallByAddress(bool worker, double address, LibraryArgs args) {
  LibraryFunction f = nullptr;
  {
    std::lock_guard g(st().lock);
    const auto& fs = st().functions;
    if (address >= 1 && address <= double(fs.size())) f = fs[std::size_t(address) - 1];
  }
  if (!f) {  // only addresses the cached call handed out
    if (worker) beep();
    return false;
  }
  return callFunction(worker, f, args);
}

} // namespace engine
