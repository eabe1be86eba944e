// Paths for a system written for "\" separators and a case-insensitive file
// system, on Linux. See the table in platform/paths.h.
#include "platform/paths.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::path {

namespace {

bool isSep(char c) { return c == '/' || c == '\\'; }

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  return true;
}

bool existsOnDisk(const std::string& p) {
  struct stat st;
  return ::lstat(p.empty() ? "." : p.c_str(), &st) == 0;
}

std::vector<std::string> components(const std::string& normalized) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < normalized.size()) {
    std::size_t j = normalized.find('/', i);
    if (j == std::string::npos) j = normalized.size();
    if (j > i) out.emplace_back(normalized.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

// The entry of dir whose name equals name ignoring case; "" when none. Among
// several such entries the smallest name wins, so that the result does not
// depend on the order of the directory.
std::string findIgnoringCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = ::readdir(d)) {
    std::string_view n(e->d_name);
    if (n == "." || n == "..") continue;
    if (equalIgnoringCase(n, name) && (best.empty() || n < best)) best = std::string(n);
  }
  ::closedir(d);
  return best;
}

std::string appendComponent(const std::string& base, const std::string& comp) {
  if (base.empty()) return comp;
  if (base == "/") return "/" + comp;
  return base + "/" + comp;
}

// Walks the components of p. Every existing component is taken as it is on
// disk (exact first, else ignoring case). With keepMissing the first missing
// component and all after it are kept as given; without it a missing
// component gives "".
std::string resolveComponents(const std::string& p, bool keepMissing) {
  std::string cur = isAbsolute(p) ? "/" : "";
  std::vector<std::string> comps = components(p);
  bool missing = false;
  for (const std::string& c : comps) {
    std::string next = appendComponent(cur, c);
    if (missing) { cur = next; continue; }
    if (c == "." || c == ".." || existsOnDisk(next)) { cur = next; continue; }
    std::string found = findIgnoringCase(cur, c);
    if (!found.empty()) { cur = appendComponent(cur, found); continue; }
    if (!keepMissing) return {};
    missing = true;
    cur = next;
  }
  if (cur.empty() && !comps.empty()) return {};
  return cur;
}

} // namespace

std::string normalize(std::string_view p) {
  // A drive prefix carries no meaning here; what follows it is relative.
  bool drive = p.size() >= 2 && p[1] == ':' &&
               ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  if (drive) {
    p.remove_prefix(2);
    while (!p.empty() && isSep(p.front())) p.remove_prefix(1);
  }
  std::string out;
  out.reserve(p.size());
  for (char c : p) {
    if (isSep(c)) {
      if (!out.empty() && out.back() == '/') continue;
      out.push_back('/');
    } else {
      out.push_back(c);
    }
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool isAbsolute(std::string_view p) {
  std::string n = normalize(p);
  return !n.empty() && n.front() == '/';
}

std::string join(std::string_view dir, std::string_view name) {
  std::string n = normalize(name);
  if (!n.empty() && n.front() == '/') return n;
  std::string d = normalize(dir);
  if (d.empty()) return n;
  if (n.empty()) return d;
  if (d.back() == '/') return d + n;
  return d + "/" + n;
}

std::string dirName(std::string_view p) {
  std::string n = normalize(p);
  std::size_t slash = n.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return n.substr(0, slash);
}

std::string baseName(std::string_view p) {
  std::string n = normalize(p);
  std::size_t slash = n.rfind('/');
  if (slash == std::string::npos) return n;
  return n.substr(slash + 1);
}

std::string extension(std::string_view p) {
  std::string b = baseName(p);
  std::size_t dot = b.rfind('.');
  if (dot == std::string::npos) return {};
  return b.substr(dot + 1);
}

std::string withExtension(std::string_view p, std::string_view ext) {
  std::string n = normalize(p);
  std::size_t slash = n.rfind('/');
  std::size_t dot = n.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) n.erase(dot);
  while (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  if (!ext.empty()) {
    n.push_back('.');
    n.append(ext);
  }
  return n;
}

std::string resolveExisting(std::string_view p) {
  std::string n = normalize(p);
  if (n.empty()) return {};
  if (existsOnDisk(n)) return n;
  return resolveComponents(n, false);
}

std::string resolveForWrite(std::string_view p) {
  std::string n = normalize(p);
  if (n.empty()) return {};
  if (existsOnDisk(n)) return n;
  return resolveComponents(n, true);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return equalIgnoringCase(normalize(a), normalize(b));
}

std::string toUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upperAscii(c);
  return out;
}

std::string programDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return dirName(std::string_view(buf, std::size_t(n)));
}

std::string shortAlias(std::string_view fileName) {
  std::string_view name = fileName;
  if (auto sep = name.find_last_of("/\\"); sep != std::string_view::npos) name.remove_prefix(sep + 1);
  const auto dot = name.rfind('.');
  const std::string_view base = dot == std::string_view::npos ? name : name.substr(0, dot);
  const std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.size() <= 8 && ext.size() <= 3 && base.find('.') == std::string_view::npos) return std::string(name);
  auto pick = [](std::string_view from, std::size_t most) {
    std::string out;
    for (char c : from) {
      if (out.size() == most) break;
      if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
        out += char(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
  };
  std::string alias = pick(base, 6);
  if (alias.empty()) alias = "_";
  alias += "~1";
  const std::string e = pick(ext, 3);
  if (!e.empty()) alias += "." + e;
  return alias;
}

std::string moduleDirOf(const void* addressInModule) {
  Dl_info info{};
  if (!addressInModule || ::dladdr(addressInModule, &info) == 0 || !info.dli_fname || !*info.dli_fname)
    return programDir();
  char real[PATH_MAX];
  if (::realpath(info.dli_fname, real)) return dirName(real);
  std::string f = info.dli_fname;
  if (f.find('/') == std::string::npos) return programDir();
  return dirName(f);
}

bool writeFileAtomic(std::string_view path, std::string_view data, std::string* err) {
  auto fail = [&](const std::string& what) {
    if (err) *err = what;
    return false;
  };
  std::string target = normalize(path);
  if (target.empty() || target == "/") return fail("no file name");
  // A symbolic link stays a link: the file it points to is replaced.
  struct stat lst;
  if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    char real[PATH_MAX];
    if (!::realpath(target.c_str(), real)) return fail(target + ": " + std::strerror(errno));
    target = real;
  }
  std::string dir = dirName(target);
  std::string base = baseName(target);
  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = join(dir, "." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(target + ": " + std::strerror(errno));
  }
  if (fd < 0) return fail(target + ": no temporary file name free");
  // Keep the permissions of the file that is replaced.
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      std::string e = std::strerror(errno);
      ::close(fd);
      ::unlink(tmp.c_str());
      return fail(target + ": " + e);
    }
    done += std::size_t(w);
  }
  if (::fsync(fd) != 0) {
    std::string e = std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    return fail(target + ": " + e);
  }
  if (::close(fd) != 0) {
    std::string e = std::strerror(errno);
    ::unlink(tmp.c_str());
    return fail(target + ": " + e);
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    std::string e = std::strerror(errno);
    ::unlink(tmp.c_str());
    return fail(target + ": " + e);
  }
  // Make the rename itself durable.
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool readFile(std::string_view path, std::string& out) {
  std::string p = normalize(path);
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    std::string r = resolveExisting(p);
    if (!r.empty()) fd = ::open(r.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buf, std::size_t(n));
  }
  ::close(fd);
  out.swap(data);
  return true;
}

} // namespace plat::path
