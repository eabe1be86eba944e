// Operand names, handles and the number readers of the block parameters.
#include "operand.h"

#include <cmath>
#include <cstring>

namespace fbd {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char up(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
} // namespace

int fbd_ParseBoundedNumber(const char* text, int minimum, int maximum) {
  if (!text) return 0;
  long value = 0;
  while (isDigit(*text)) {
    value = value * 10 + (*text - '0');
    ++text;
    if (value > maximum) break;
  }
  return (value < minimum || value > maximum) ? 0 : int(value);
}

int fbd_ParseOperand(const char* text, int& kind, int& number) {
  kind = 0;
  number = 0;
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  char c = up(*text);
  if (c == 'E') {
    char n = up(text[1]);
    if (n >= 'A' && n <= 'D') {
      kind = kTerminal;
      number = n - 'A';
      return 1;
    }
    if (n == 'X' || n == 'Y') {
      kind = kAnalogue;
      number = n - 'X';
      return 1;
    }
    int v = fbd_ParseBoundedNumber(text + 1, 1, 48);
    if (v > 0) {
      kind = kDigital;
      number = v;
      return 1;
    }
    return 0;
  }
  if (c == 'V') {
    const char* digits = nullptr;
    if (up(text[1]) == 'A') {
      if (up(text[2]) != 'R') return 0;
      digits = text + 3;
    } else if (isDigit(text[1])) {
      digits = text + 1;
    } else {
      return 0;
    }
    int v = fbd_ParseBoundedNumber(digits, 1, 99);
    if (v <= 0) return 0;
    kind = kVariable;
    number = v;
    return 1;
  }
  if (c == 'Z') {
    int v = fbd_ParseBoundedNumber(text + 1, 1, 16);
    if (v <= 0) return 0;
    kind = kCounter;
    number = v;
    return 1;
  }
  return 0;
}

void fbd_FormatOperand(int kind, int number, std::string& out) {
  out.clear();
  auto numbered = [&](const char* prefix) {
    out = prefix;
    out += number == 0 ? std::string("?") : std::to_string(number);
  };
  switch (kind) {
    case kVariable: numbered("VAR"); break;
    case kCounter: numbered("Z"); break;
    case kTerminal: out = std::string("E") + char('A' + number); break;
    case kAnalogue: out = std::string("E") + char('X' + number); break;
    case kDigital: numbered("E"); break;
    default: break;
  }
}

void fbd_WriteOperandHandle(int kind, int number, double* element1, std::int16_t* mark) {
  if (!element1 || kind < 0 || kind > 4) return;
  double cls = 5, index = number;
  std::int16_t m = 0;
  switch (kind) {
    case kCounter: cls = 9; break;
    case kTerminal: index = 101 + number; break;
    case kAnalogue: index = 105 + number; break;
    case kDigital: cls = 2; index = number + 1; m = 1; break;
    default: break;
  }
  element1[0] = cls;
  element1[1] = index;
  element1[2] = 0;
  if (mark) *mark = m;
}

int fbd_ParseShort(const char* text, int& out) {
  out = 0;
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  if (!isDigit(*text)) return 0;
  long value = 0;
  for (; isDigit(*text); ++text)
    if (value < 32768) value = value * 10 + (*text - '0');
  if (negative) value = -value;
  // Kept as a 16-bit value: numbers beyond its range wrap around.
  out = int(std::int16_t(std::uint16_t(static_cast<unsigned long>(value) & 0xFFFFu)));
  return 1;
}

const std::vector<int>& inputList() {
  static const std::vector<int> list = [] {
    std::vector<int> v;
    for (int n = 1; n <= 26; ++n) v.push_back(n);
    for (int n = 31; n <= 38; ++n) v.push_back(n);
    for (int n = 41; n <= 48; ++n) v.push_back(n);
    return v;
  }();
  return list;
}

unsigned inputStringId(int n) {
  if (n >= 1 && n <= 26) return unsigned(99 + n);
  if (n >= 31 && n <= 38) return unsigned(95 + n);
  if (n >= 41 && n <= 48) return unsigned(93 + n);
  return 0;
}

std::string readBounded(const char* text, std::size_t size) {
  if (!text) return {};
  std::size_t n = 0;
  while (n < size && text[n]) ++n;
  return std::string(text, n);
}

void writeBounded(char* dst, const std::string& s, std::size_t max) {
  if (!dst) return;
  std::size_t n = s.size() < max ? s.size() : max;
  std::memcpy(dst, s.data(), n);
  dst[n] = '\0';
}

std::uint32_t ownerOf(const double* vector) {
  if (!vector) return 0;
  double v = vector[0];
  if (!std::isfinite(v) || v < 0 || v > 4294967295.0 || std::floor(v) != v) return 0;
  return std::uint32_t(v);
}

bool insertAtSelection(std::string& field, int start, int end, std::string_view insert, std::size_t limit,
                       int& caret) {
  int len = int(field.size());
  if (start < 0) start = 0;
  if (start > len) start = len;
  if (end < start) end = start;
  if (end > len) end = len;
  std::string left = field.substr(0, std::size_t(start));
  std::string right = field.substr(std::size_t(end));
  if (left.size() + insert.size() + right.size() > limit) return false;
  field = left + std::string(insert) + right;
  caret = int(left.size() + insert.size());
  return true;
}

std::string assignFormula(std::string& variable, std::string& expression) {
  if (expression.empty()) expression = "0";
  if (variable.empty()) variable = "VAR?";
  return variable + "=" + expression;
}

void assignWriteBack(const std::string& variable, const std::string& expression, char* text, std::int16_t* aux) {
  if (text) {
    writeBounded(text, variable, 9);
    writeBounded(text + 10, expression, 59);
  }
  if (aux) aux[3] = 0;
}

std::string conditionText(const std::string& field, bool compare) {
  if (!field.empty()) return field;
  return compare ? "VAR?=0" : "E?";
}

void conditionWriteBack(const std::string& condition, bool compare, bool branchOne, char* text, std::int16_t* aux) {
  if (text) writeBounded(text, condition, 40);
  if (aux) {
    aux[3] = 0;
    if (compare) {
      if (branchOne) aux[3] = 1;
      aux[4] = 0;
    }
  }
}

std::string visualWriteBack(const std::string& field, char* text, std::int16_t* aux, double* vector) {
  int kind = 0, number = 0;
  int read = fbd_ParseOperand(field.c_str(), kind, number);
  std::string normal;
  fbd_FormatOperand(kind, number, normal);
  if (aux) {
    aux[0] = read ? 0 : 1;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, aux + 1);
  }
  if (text) writeBounded(text, normal, 5);
  return normal;
}

} // namespace fbd
