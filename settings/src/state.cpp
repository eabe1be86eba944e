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

// The argument is text naming a directory (or a file) when it begins with
// "/" and either lies in no loaded module (text of the caller) or names an
// existing directory or a file in one; otherwise it is an address inside a
// module (the code of a function there does not begin like a path).
int SetBINPath(const void* module) {
  std::string dir;
  if (!module) {
    dir = plat::path::programDir();
  } else {
    bool text = false;
    std::string p;
    if (*static_cast<const char*>(module) == '/') {
      const char* s = static_cast<const char*>(module);
      p = plat::path::normalize(std::string_view(s, ::strnlen(s, 4096)));
      Dl_info info{};
      bool inModule = ::dladdr(module, &info) != 0 && info.dli_fname;
      text = !inModule || isDir(p) || isDir(dirPart(p));
    }
    if (text) dir = isDir(p) ? p : dirPart(p);
    else dir = plat::path::moduleDirOf(module);
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
