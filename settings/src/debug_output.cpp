// DebugOutput: the message window operations in the plain-function shape of
// block libraries. Mode 4 builds a line from a format and two value arrays;
// caller text is never used as a format string: each conversion is parsed,
// checked (numeric conversions only) and formatted on its own, bounded.
#include "obeltool/core.h"
#include <cstdio>
#include <cstring>

namespace obel {

namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr int kMaxWidth = 64;

bool isLengthModifier(char c) { return std::strchr("hlLqjzt", c) != nullptr && c != 0; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string formatOne(const std::string& conv, bool asReal, long long i, double d) {
  int n = asReal ? std::snprintf(nullptr, 0, conv.c_str(), d) : std::snprintf(nullptr, 0, conv.c_str(), i);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  if (asReal) std::snprintf(out.data(), out.size(), conv.c_str(), d);
  else std::snprintf(out.data(), out.size(), conv.c_str(), i);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

} // namespace

std::string formatDebugLine(const char* text, const std::int16_t* ints, const double* reals) {
  std::string line;
  if (!text) return line;
  int n = ints ? ints[0] : 0, m = ints ? ints[1] : 0;
  if (n < 0) n = 0;
  if (m < 0 || !reals) m = 0;
  int ni = 0, nr = 0;
  const std::size_t len = std::strlen(text);
  std::size_t i = 0;
  while (i < len && line.size() < kMaxLine) {
    if (text[i] != '%') { line.push_back(text[i++]); continue; }
    if (i + 1 < len && text[i + 1] == '%') { line.push_back('%'); i += 2; continue; }
    // One conversion: flags, width, precision, length modifiers, letter.
    std::size_t j = i + 1;
    std::string flags;
    while (j < len && std::strchr("-+ #0", text[j])) flags.push_back(text[j++]);
    int width = -1, prec = -1;
    if (j < len && text[j] >= '0' && text[j] <= '9') {
      width = 0;
      while (j < len && text[j] >= '0' && text[j] <= '9') { if (width < 1000) width = width * 10 + (text[j] - '0'); ++j; }
    }
    if (j < len && text[j] == '.') {
      ++j;
      prec = 0;
      while (j < len && text[j] >= '0' && text[j] <= '9') { if (prec < 1000) prec = prec * 10 + (text[j] - '0'); ++j; }
    }
    while (j < len && isLengthModifier(text[j])) ++j;
    if (j >= len || !isLetter(text[j])) {
      // No conversion letter: the text stands as it is.
      line.append(text + i, j - i);
      i = j;
      continue;
    }
    char letter = text[j++];
    // "e" and "f" take the next real, every other letter the next integer.
    bool takesReal = letter == 'e' || letter == 'f' || letter == 'E' || letter == 'F';
    long long iv = 0;
    double dv = 0;
    if (takesReal) dv = nr < m ? reals[nr++] : 0.0;
    else iv = ni < n ? ints[2 + ni++] : 0;
    const bool intConv = std::strchr("diouxX", letter) != nullptr;
    const bool realConv = std::strchr("eEfFgGaA", letter) != nullptr;
    if (!intConv && !realConv) {
      // Not a number conversion (%s, %n, %p, ...): shown as written.
      line.append(text + i, j - i);
      i = j;
      continue;
    }
    std::string conv = "%" + flags;
    if (width >= 0) conv += std::to_string(width > kMaxWidth ? kMaxWidth : width);
    if (prec >= 0) conv += "." + std::to_string(prec > kMaxWidth ? kMaxWidth : prec);
    if (intConv) {
      conv += "ll";
      conv.push_back(letter);
      long long v = iv;
      if (letter != 'd' && letter != 'i') v = static_cast<long long>(static_cast<unsigned short>(iv));
      line += formatOne(conv, false, v, 0);
    } else {
      conv.push_back(letter);
      line += formatOne(conv, true, 0, takesReal ? dv : static_cast<double>(iv));
    }
    i = j;
  }
  if (line.size() > kMaxLine) line.resize(kMaxLine);
  return line;
}

std::int16_t DebugOutput(const char* text, const std::int16_t* ints, const double* reals, void*,
                         const std::int16_t* mode, std::int16_t* result) {
  if (!mode) return 0;
  int r;
  switch (*mode) {
  case 0: r = AppendMsgLine(text); break;
  case 1: r = AppendMsgFile(text); break;
  case 2: r = EmptyMsgWnd(); break;
  case 3: r = CloseMsgWnd(); break;
  case 4: {
    if (!text) return 0;
    int rr = AppendMsgLine(formatDebugLine(text, ints, reals).c_str());
    if (result) *result = static_cast<std::int16_t>(rr);
    return 0;
  }
  default: return *mode;
  }
  if (result) *result = static_cast<std::int16_t>(r);
  return static_cast<std::int16_t>(r);
}

} // namespace obel
