// Libraries by their Windows name. "OBELTOOL.DLL" becomes "OBELTOOL.so", and
// the file is then found ignoring case: at the directory the name gives, else
// beside the caller, else in the program directory.
#include "platform/library.h"
#include "platform/paths.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace plat::lib {

namespace {
thread_local std::string tLastError;

// How often each loaded library is held through load(): ZerloModuleInit runs
// after its first load, ZerloModuleExit before its last unload. The lock is
// recursive because a module's start may load other libraries.
struct Counts {
  std::recursive_mutex mu;
  std::map<void*, int> held;
};
Counts& counts() {
  static Counts* c = new Counts;  // outlives static destructors of the libraries
  return *c;
}
using ModuleInitFn = int (*)();
using ModuleExitFn = void (*)();

std::string tryDir(const std::string& dir, const std::string& name) {
  if (dir.empty()) return {};
  return path::resolveExisting(path::join(dir, name));
}
} // namespace

std::string linuxName(const std::string& name) {
  std::string n = path::normalize(name);
  std::string base = path::baseName(n);
  if (base.empty()) return n;
  // A name without an extension means a ".dll"; a trailing dot means "no extension".
  if (base.back() == '.') {
    n.pop_back();
    return n;
  }
  std::string ext = path::extension(n);
  if (base.find('.') == std::string::npos || path::toUpper(ext) == "DLL") return path::withExtension(n, "so");
  return n;
}

Handle load(const std::string& name, const std::string& callerDir) {
  std::string ln = linuxName(name);
  if (path::baseName(ln).empty()) {
    tLastError = "no library name given";
    return nullptr;
  }
  std::string found;
  std::string tried;
  if (!path::dirName(ln).empty()) {
    found = path::resolveExisting(ln);
    tried = ln;
  } else {
    found = tryDir(callerDir, ln);
    tried = callerDir.empty() ? "" : path::join(callerDir, ln);
    if (found.empty()) {
      std::string pd = path::programDir();
      found = tryDir(pd, ln);
      tried += (tried.empty() ? "" : ", ") + path::join(pd, ln);
    }
  }
  if (found.empty()) {
    tLastError = name + ": not found (looked for " + tried + ")";
    return nullptr;
  }
  if (found.find('/') == std::string::npos) found = "./" + found; // never the search path
  void* h = ::dlopen(found.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = ::dlerror();
    tLastError = found + ": " + (e ? e : "cannot be loaded");
    return nullptr;
  }
  Counts& c = counts();
  std::lock_guard<std::recursive_mutex> lk(c.mu);
  int& n = c.held[h];
  if (n == 0) {
    auto init = reinterpret_cast<ModuleInitFn>(::dlsym(h, "ZerloModuleInit"));
    n = 1;  // held while its start runs, so that a nested load does not start it again
    if (init && init() == 0) {
      c.held.erase(h);
      ::dlclose(h);
      tLastError = found + ": the library refused to start (ZerloModuleInit answered 0)";
      return nullptr;
    }
  } else {
    ++n;
  }
  tLastError = found;
  return h;
}

void* symbol(Handle h, const char* name) {
  if (!h || !name) return nullptr;
  ::dlerror();
  void* s = ::dlsym(h, name);
  if (!s) {
    const char* e = ::dlerror();
    tLastError = std::string(name) + ": " + (e ? e : "no such symbol");
  }
  return s;
}

void unload(Handle h) {
  if (!h) return;
  Counts& c = counts();
  std::lock_guard<std::recursive_mutex> lk(c.mu);
  auto it = c.held.find(h);
  if (it != c.held.end() && --it->second <= 0) {
    c.held.erase(it);
    if (auto exitFn = reinterpret_cast<ModuleExitFn>(::dlsym(h, "ZerloModuleExit"))) exitFn();
  }
  ::dlclose(h);
}

std::string lastError() { return tLastError; }

} // namespace plat::lib
