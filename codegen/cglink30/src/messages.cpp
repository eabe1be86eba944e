#include "messages.h"

#include <algorithm>
#include <cstdio>

namespace cg {

int messageClass(int number) {
  switch (number) {
    case 0:
      return 0;
    case 10: case 25: case 30: case 31: case 32: case 34: case 35: case 36:
    case 56: case 57: case 59:
      return 1;
    case 1: case 200: case 201: case 202: case 203:
      return 3;
    case 204:
      return 4;
    default:
      if (number >= 38 && number <= 50) return 1;
      return 2;
  }
}

void Messages::reset() {
  store_.clear();
  errors_ = warnings_ = 0;
}

void Messages::report(int number, uint32_t line, const std::string* arg) {
  int cls = messageClass(number);
  if (cls == 0) return;
  if (cls == 1 || cls == 4) {
    std::string text = texts_.get(500);
    text += texts_.get(cls == 1 ? 503 : 506);
    std::string body = texts_.get(number);
    bool takesArg = !(number == 10 || number == 30 || number == 46 || number == 47 || number == 50);
    if (cls == 1 && takesArg && !body.empty())
      text += vformat(body, arg ? arg->c_str() : "");
    else
      text += body;
    if (cls == 1)
      ++errors_;
    else
      ++warnings_;
    if (box_) box_(text, texts_.get(500), 0x10);
    return;
  }
  if (errors_ + warnings_ >= kMessageLimit) return;
  if (cls == 2)
    ++errors_;
  else
    ++warnings_;
  Stored m{cls, line, number, arg ? *arg : std::string(), arg != nullptr};
  // After every message of the same line; messages without line last.
  auto it = std::upper_bound(store_.begin(), store_.end(), line,
                             [](uint32_t l, const Stored& s) { return l < s.line; });
  store_.insert(it, std::move(m));
}

std::string Messages::lineText(const Stored& m) const {
  std::string prefix;
  if (m.cls == 1)
    prefix = texts_.get(503);
  else if (m.cls == 2)
    prefix = vformat(texts_.get(504), static_cast<unsigned long>(m.line));
  else if (m.cls == 3)
    prefix = vformat(texts_.get(505), static_cast<unsigned long>(m.line));
  const char* a = m.arg.c_str();
  switch (m.number) {
    // 13 and 15 have texts of their own; they are shown with them and their
    // line rather than as an unknown error.
    case 11: case 12: case 13: case 16: case 17: case 18: case 19: case 20: case 21: case 22: case 23:
    case 28: case 37: case 51: case 52: case 53: case 54: case 62: case 202: case 203:
      return prefix + texts_.get(m.number);
    case 14: {
      const int c = m.arg.empty() ? 0 : static_cast<int>(static_cast<unsigned char>(m.arg[0]));
      if (c >= 0x20 && c != 0x7F) return prefix + vformat(texts_.get(14), c);
      // A control character or zero byte is shown as "\xNN", never written raw.
      std::string text = texts_.get(14);
      const auto at = text.find("%c");
      char shown[8];
      std::snprintf(shown, sizeof shown, "\\x%02X", static_cast<unsigned>(c));
      if (at != std::string::npos) text.replace(at, 2, shown);
      return prefix + text;
    }
    case 15: case 27: case 58: case 60: case 61: case 200: case 201:
      return prefix + vformat(texts_.get(m.number), a);
    case 24: case 26:
      return texts_.get(m.number);
    case 63:
      return vformat(texts_.get(63), a);
    case 55:
      return vformat(texts_.get(55), a);
    default:
      return vformat(texts_.get(4), static_cast<unsigned long>(m.number));
  }
}

std::vector<std::string> Messages::storedLines() const {
  std::vector<std::string> v;
  v.reserve(store_.size());
  for (const auto& m : store_) v.push_back(lineText(m));
  return v;
}

std::string Messages::summaryLine() const {
  uint32_t t = errors_ + warnings_;
  if (t == 0) return texts_.get(5);
  if (t < kMessageLimit)
    return vformat(texts_.get(6), static_cast<unsigned long>(errors_), static_cast<unsigned long>(warnings_));
  return texts_.get(7);
}

void Messages::appendToFile(const std::string& path, const std::string& sourceName) {
  if (store_.empty()) return;
  // Without a message file the caller asked for the counts only.
  if (path.empty()) {
    store_.clear();
    return;
  }
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (!f) {
    store_.clear();
    report(57, kNoLine, path);
    return;
  }
  std::string out;
  if (!sourceName.empty()) out += texts_.get(502) + sourceName + "\n";
  for (const auto& m : store_) out += lineText(m) + "\n";
  out += summaryLine() + "\n";
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
  store_.clear();
}

}  // namespace cg
