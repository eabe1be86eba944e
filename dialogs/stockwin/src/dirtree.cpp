// The directory tree's logic over std::filesystem.
#include "core.h"
#include "dirtree.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sw {

namespace fs = std::filesystem;

namespace {

// Without a trailing "/" (the root stays "/").
std::string trimmed(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}
bool hidden(const fs::path& p) { return p.filename().string().rfind('.', 0) == 0; }

// Mount points in /proc/mounts escape blanks and tabs as octal.
std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
      out += char(std::stoi(s.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

} // namespace

std::vector<std::string> mountedVolumes(const std::string& mountsText) {
  std::vector<std::string> out;
  std::istringstream in(mountsText);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string dev, dir;
    if (!(f >> dev >> dir)) continue;
    if (dev.rfind("/dev/", 0) != 0) continue;
    dir = trimmed(unescape(dir));
    if (dir == "/" || dir.rfind("/boot", 0) == 0) continue;
    if (std::find(out.begin(), out.end(), dir) == out.end()) out.push_back(dir);
  }
  return out;
}

std::vector<std::string> treeRoots() {
  std::vector<std::string> roots{"/"};
  if (const char* home = std::getenv("HOME"); home && *home) {
    std::error_code ec;
    if (fs::is_directory(home, ec) && trimmed(home) != "/") roots.push_back(trimmed(home));
  }
  std::ifstream m("/proc/mounts");
  std::stringstream s;
  s << m.rdbuf();
  for (const std::string& v : mountedVolumes(s.str()))
    if (std::find(roots.begin(), roots.end(), v) == roots.end()) roots.push_back(v);
  return roots;
}

void sw_SortStrings(std::vector<std::string>& v) {
  std::stable_sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
}

DirChildren listChildren(const std::string& path, bool showFiles) {
  DirChildren c;
  std::error_code ec;
  for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code e2;
    if (it->is_directory(e2)) c.dirs.push_back(it->path().string());
    else if (showFiles) c.files.push_back(it->path().string());
  }
  sw_SortStrings(c.dirs);
  sw_SortStrings(c.files);
  return c;
}

bool hasChildren(const std::string& path, bool showFiles) {
  std::error_code ec;
  for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code e2;
    if (it->is_directory(e2)) return true;
    if (showFiles && !hidden(it->path())) return true;
  }
  return false;
}

TreeWay wayTo(const std::vector<std::string>& roots, const std::string& path) {
  TreeWay w;
  std::error_code ec;
  if (path.empty() || !fs::exists(path, ec)) return w;
  std::string p = trimmed(path), up = upper(p);
  std::size_t best = 0;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    std::string r = upper(trimmed(roots[i]));
    bool under = up == r || (up.rfind(r, 0) == 0 && (r == "/" || up[r.size()] == '/'));
    if (under && (w.root < 0 || r.size() > best)) {
      w.root = int(i);
      best = r.size();
    }
  }
  if (w.root < 0) return w;
  std::string rest = p.substr(std::min(p.size(), best));
  for (const fs::path& part : fs::path(rest))
    if (!part.empty() && part != "/") w.parts.push_back(part.string());
  return w;
}

std::string nodeText(const std::string& path, bool topLevel) {
  std::string p = trimmed(path);
  if (topLevel) return p;
  auto slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

} // namespace sw
