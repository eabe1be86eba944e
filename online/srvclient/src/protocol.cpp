#include "srvclient/protocol.h"

#include <algorithm>
#include <cstring>

namespace srv {

int modeOfKeyword(std::string_view key) {
  // Binary search over the sorted table, plain byte comparison.
  int lo = 0, hi = static_cast<int>(std::size(kModeTable)) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = key.compare(kModeTable[mid].keyword);
    if (c == 0) return kModeTable[mid].mode;
    if (c < 0) hi = mid - 1; else lo = mid + 1;
  }
  return 0;
}

const char* keywordOfMode(int mode) {
  for (const auto& r : kModeTable)
    if (r.mode == mode) return r.keyword;
  return nullptr;
}

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string serverClassFromPath(std::string_view path) {
  auto cut = path.find_last_of("\\/:");
  std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
  auto dot = name.rfind('.');
  if (dot != std::string_view::npos) {
    std::string ext = upperAscii(name.substr(dot + 1));
    if (ext == "EXE" || ext == "DLL") name = name.substr(0, dot);
  }
  return std::string(name);
}

} // namespace srv
