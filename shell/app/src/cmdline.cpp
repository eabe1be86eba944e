// The command-line scanner: four states (between words, switch, plain name,
// quoted name) over the characters of the text.
#include "zerloapp/cmdline.h"

#include <cctype>
#include <dirent.h>
#include <strings.h>
#include <vector>

namespace zapp {
namespace {

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Is text[i] the "/" of a word "/L" or "/P" standing alone?
bool switchAt(std::string_view text, std::size_t i) {
  if (text[i] != '/' || i + 1 >= text.size()) return false;
  if (i > 0 && !blank(text[i - 1])) return false;
  const char s = upper(text[i + 1]);
  if (s != 'L' && s != 'P') return false;
  return i + 2 >= text.size() || blank(text[i + 2]);
}

void cutTrailingBlanks(std::string& s) {
  while (!s.empty() && blank(s.back())) s.pop_back();
}

} // namespace

CommandLine app_ParseCommandLine(std::string_view text) {
  CommandLine out;
  std::string name;
  bool taken = false;
  int state = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (state) {
    case 0:
      if (blank(c)) break;
      if (c == '"') {
        if (taken) break;
        name.clear();
        state = 3;
      } else if (switchAt(text, i)) {
        state = 1;
      } else if (!taken) {
        name.push_back(upper(c));
        state = 2;
      }
      break;
    case 1: {
      const char s = upper(c);
      if (s == 'L') {
        state = 0;
      } else if (s == 'P') {
        name.clear();
        taken = false;
        state = 2;
      }
      break;
    }
    case 2:
      if (blank(c)) {
        if (!name.empty()) name.push_back(' ');
      } else if (c == '"' && name.empty()) {
        state = 3;
      } else if (switchAt(text, i)) {
        cutTrailingBlanks(name);
        taken = !name.empty();
        state = 1;
      } else {
        name.push_back(upper(c));
      }
      break;
    case 3:
      if (c == '"') {
        taken = true;
        state = 0;
      } else {
        name.push_back(upper(c));
      }
      break;
    }
  }
  cutTrailingBlanks(name);
  if (name.empty()) return out;
  if (name.size() >= kOpenBufferSize) {
    out.tooLong = true;
    out.name = name;
    return out;
  }
  path_ResolveLongName(name);
  out.name = name;
  out.openPending = true;
  return out;
}

bool path_ResolveLongName(std::string& path, std::size_t size) {
  if (path.empty() || path[0] != '/') return true;
  std::vector<std::string> parts;
  std::size_t at = 1;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  std::string built = "/";
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const std::string& part = parts[p];
    std::string found;
    if (part == "." || part == "..") {
      found = part;
    } else if (DIR* d = opendir(built.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string entry = e->d_name;
        if (entry == part) {
          found = entry;
          break;
        }
        if (found.empty() && strcasecmp(entry.c_str(), part.c_str()) == 0) found = entry;
      }
      closedir(d);
    }
    if (found.empty()) return false;
    built += found;
    if (p + 1 < parts.size()) built += '/';
  }
  if (built.size() + 1 > size) return false;
  path = built;
  return true;
}

} // namespace zapp
