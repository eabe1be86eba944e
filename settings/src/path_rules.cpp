// The Linux form of the library's path rules (table in obeltool.h).
#include "obeltool/core.h"
#include "platform/paths.h"
#include <cctype>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace obel::rules {

std::string buildInDir(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '/' && out.back() != '\\') out.push_back('/');
  out.append(name);
  return out;
}

bool isAbsoluteValue(std::string_view v) { return plat::path::isAbsolute(v); }

std::string resolveAgainst(std::string_view base, std::string_view value) {
  std::string b = plat::path::normalize(base);
  std::string v = plat::path::normalize(value);
  const std::string original = v;
  bool rooted = !b.empty() && b.front() == '/';
  // The base as its directories; ".." steps drop them from the end.
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < b.size();) {
    std::size_t j = b.find('/', i);
    if (j == std::string::npos) j = b.size();
    if (j > i) parts.emplace_back(b.substr(i, j - i));
    i = j + 1;
  }
  while (v.rfind("../", 0) == 0) {
    if (parts.empty()) break;  // more steps than directories: stop
    parts.pop_back();
    v.erase(0, 3);
  }
  if (!v.empty() && v.front() == '.') return original;  // "./X" and unresolvable "../" stay as written
  std::string out = rooted ? "/" : "";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back('/');
    out += parts[i];
  }
  if (out.empty()) return v;
  if (v.empty()) return out;
  return buildInDir(out, v);
}

std::string onDisk(const std::string& p) {
  if (p.empty()) return p;
  std::string r = plat::path::resolveExisting(p);
  return r.empty() ? p : r;
}

std::string resolveValue(std::string_view base, std::string_view value) {
  if (isAbsoluteValue(value)) return onDisk(plat::path::normalize(value));
  return onDisk(resolveAgainst(base, value));
}

// The position of the last component's dot, or npos. A dot that begins the
// whole path does not count.
static std::size_t extensionDot(const std::string& p) {
  std::size_t sep = p.find_last_of('/');
  std::size_t dot = p.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return std::string::npos;
  if (sep != std::string::npos && dot < sep) return std::string::npos;
  return dot;
}

std::string changeExtension(std::string_view path, std::string_view ext) {
  std::string p = plat::path::normalize(path);
  std::size_t dot = extensionDot(p);
  if (dot != std::string::npos) p.erase(dot);
  p.push_back('.');
  p.append(ext);
  return p;
}

std::string insertInstanceDigits(std::string_view path, int instance) {
  std::string p = plat::path::normalize(path);
  if (instance <= 0) return p;
  int n = instance % 1000;
  char digits[4] = {static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
                    static_cast<char>('0' + n % 10), 0};
  std::size_t dot = extensionDot(p);
  // A name without an extension gets the digits at its end.
  if (dot == std::string::npos) dot = p.size();
  p.insert(dot, digits);
  return p;
}

static bool isExecutableFile(const std::string& p) {
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

std::string programFileFor(std::string_view path) {
  std::string p = plat::path::normalize(path);
  if (p.empty()) return {};
  if (plat::path::toUpper(plat::path::extension(p)) == "EXE") {
    std::string r = plat::path::resolveExisting(plat::path::withExtension(p, ""));
    if (isExecutableFile(r)) return r;
  }
  std::string r = plat::path::resolveExisting(p);
  if (isExecutableFile(r)) return r;
  return {};
}

std::int32_t toInt(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > 1LL << 32) v = 1LL << 32;
  }
  if (neg) v = -v;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

} // namespace obel::rules
