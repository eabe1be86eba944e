// Process-wide state of the library: the BIN directory and the screen-size
// provider. Guarded, since several threads of a deliverable may ask for paths.
#include "obeltool/core.h"
#include "platform/paths.h"
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>

namespace obel {

namespace {
std::mutex g_mu;
std::string g_bin;
ObelScreenSizeFn g_screen = nullptr;

std::string stripTrailingSlash(std::string d) {
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return d;
}
} // namespace

std::string binPath() {
  std::lock_guard<std::mutex> l(g_mu);
  return g_bin;
}

void setBinPathString(std::string dir) {
  std::lock_guard<std::mutex> l(g_mu);
  g_bin = stripTrailingSlash(std::move(dir));
}

std::string obelIniPath() { return rules::onDisk(rules::buildInDir(binPath(), "OBEL.INI")); }
std::string interfaceIniPath() { return rules::onDisk(rules::buildInDir(binPath(), "INTERFACE.INI")); }

int SetScreenSizeProvider(ObelScreenSizeFn fn) {
  std::lock_guard<std::mutex> l(g_mu);
  g_screen = fn;
  return 1;
}

void screenSize(std::int32_t& w, std::int32_t& h) {
  ObelScreenSizeFn fn;
  {
    std::lock_guard<std::mutex> l(g_mu);
    fn = g_screen;
  }
  w = 1024;
  h = 768;
  std::int32_t a = 0, b = 0;
  if (fn && fn(&a, &b) == 1 && a > 0 && b > 0) {
    w = a;
    h = b;
  }
}

namespace {
bool isDir(const std::string& p) {
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
std::string dirPart(const std::string& p) {
  std::size_t pos = p.rfind('/');
  return pos == 0 ? std::string("/") : p.substr(0, pos);
}
} // namespace

// The argument stands for a module handle: null for the running program,
// else an address inside a loaded program or library (a function or data of
// it), whose directory is taken. Text is never guessed from the bytes at the
// address (a literal and a heap copy of one text would answer differently):
// a directory as text goes through SetBINPathByString. An address in no
// loaded module answers 0 and leaves BIN as it is.
int SetBINPath(const void* module) {
  std::string dir;
  if (!module) {
    dir = plat::path::programDir();
  } else {
    Dl_info info{};
    if (::dladdr(module, &info) == 0) return 0;
    dir = plat::path::moduleDirOf(module);
  }
  if (dir.empty()) return 0;
  setBinPathString(dir);
  return 1;
}

int SetBINPathByString(const char* pathOfFile) {
  if (!pathOfFile) return 1;
  std::string p = plat::path::normalize(pathOfFile);
  std::size_t pos = p.rfind('/');
  if (pos == std::string::npos) return 1;  // no directory: BIN unchanged
  setBinPathString(pos == 0 ? "/" : p.substr(0, pos));
  return 1;
}

} // namespace obel
