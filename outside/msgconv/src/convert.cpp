// Conversions between the PC's values and a target's byte order, for the two
// byte orders; the exported libraries forward to these.
#include "msgconv/mc01_table.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <cctype>
#include <string>

namespace mc01 {
namespace {

// Reads an unsigned value of n bytes (1..8) in the given order.
template <bool Big> uint64_t load(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) {
    int idx = Big ? i : n - 1 - i;
    v = (v << 8) | p[idx];
  }
  return v;
}

template <bool Big> void store(uint64_t v, unsigned char* p, int n) {
  for (int i = 0; i < n; ++i) {
    int idx = Big ? n - 1 - i : i;
    p[idx] = static_cast<unsigned char>(v & 0xFF);
    v >>= 8;
  }
}

double version() { return kVersion; }

template <bool Big> int binToLong(const unsigned char* bin, int count, uint32_t* value) {
  if (!bin || !value || count < 4) return 0;
  *value = static_cast<uint32_t>(load<Big>(bin, 4));
  return 1;
}

template <bool Big> int binToWord(const unsigned char* bin, int count, uint16_t* value) {
  if (!bin || !value || count < 2) return 0;
  *value = static_cast<uint16_t>(load<Big>(bin, 2));
  return 1;
}

template <bool Big> int binToFloat(const unsigned char* bin, int count, float* value) {
  if (!bin || !value || count < 4) return 0;
  uint32_t raw = static_cast<uint32_t>(load<Big>(bin, 4));
  std::memcpy(value, &raw, 4);
  return 1;
}

int binToString(const unsigned char* bin, int count, char* text, int capacity) {
  if (!bin || !text || count < 0 || capacity < 1) return 0;
  int n = 0;
  while (n < count && n < capacity - 1 && bin[n] != 0) {
    text[n] = static_cast<char>(bin[n]);
    ++n;
  }
  text[n] = 0;
  return 1;
}

template <bool Big> int longToBin(uint32_t value, unsigned char* bin, int count) {
  if (!bin || count < 4) return 0;
  store<Big>(value, bin, 4);
  return 1;
}

template <bool Big> int wordToBin(uint16_t value, unsigned char* bin, int count) {
  if (!bin || count < 2) return 0;
  store<Big>(value, bin, 2);
  return 1;
}

template <bool Big> int floatToBin(float value, unsigned char* bin, int count) {
  if (!bin || count < 4) return 0;
  uint32_t raw;
  std::memcpy(&raw, &value, 4);
  store<Big>(raw, bin, 4);
  return 1;
}

int stringToBin(const char* text, int textSize, unsigned char* bin, int binSize) {
  if (!text || !bin || textSize < 0 || binSize < 1) return 0;
  int n = 0;
  while (n < textSize && text[n] != 0) ++n;
  if (n + 1 > binSize) return 0;
  std::memcpy(bin, text, static_cast<size_t>(n));
  std::memset(bin + n, 0, static_cast<size_t>(binSize - n));
  return 1;
}

bool isFloatArea(const char* area) {
  if (!area) return false;
  size_t n = std::strlen(area);
  return n > 0 && std::toupper(static_cast<unsigned char>(area[n - 1])) == 'F';
}

// Parses a whole text as a number in the "C" locale (strtod honours the
// locale's decimal point, so the point is checked by hand: only "." is taken).
bool parseDouble(const char* s, double& out) {
  std::string t(s);
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
  size_t i = 0;
  while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
  t = t.substr(i);
  if (t.empty()) return false;
  // Build the number from its parts so that no locale is involved.
  const char* p = t.c_str();
  bool neg = false;
  if (*p == '+' || *p == '-') { neg = *p == '-'; ++p; }
  double v = 0;
  int digits = 0;
  while (std::isdigit(static_cast<unsigned char>(*p))) { v = v * 10 + (*p - '0'); ++p; ++digits; }
  if (*p == '.') {
    ++p;
    double scale = 0.1;
    while (std::isdigit(static_cast<unsigned char>(*p))) { v += (*p - '0') * scale; scale /= 10; ++p; ++digits; }
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    bool eneg = false;
    if (*p == '+' || *p == '-') { eneg = *p == '-'; ++p; }
    int e = 0, ed = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) { if (e < 10000) e = e * 10 + (*p - '0'); ++p; ++ed; }
    if (ed == 0) return false;
    v *= std::pow(10.0, eneg ? -e : e);
  }
  if (*p != 0) return false;
  out = neg ? -v : v;
  return true;
}

// An integer text: optional sign, decimal digits or 0x and hex digits.
bool parseInteger(const char* s, int64_t& out) {
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  bool neg = false;
  if (*s == '+' || *s == '-') { neg = *s == '-'; ++s; }
  int base = 10;
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) { base = 16; s += 2; }
  if (!std::isxdigit(static_cast<unsigned char>(*s))) return false;
  uint64_t v = 0;
  int n = 0;
  for (; *s; ++s, ++n) {
    int c = static_cast<unsigned char>(*s);
    int d;
    if (std::isdigit(c)) d = c - '0';
    else if (base == 16 && std::isxdigit(c)) d = std::toupper(c) - 'A' + 10;
    else break;
    if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  if (*s != 0) return false;
  out = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

bool fitsIn(int64_t v, uint32_t size) {
  if (size >= 8) return true;
  int64_t lo = -(int64_t(1) << (size * 8 - 1));
  int64_t hi = (int64_t(1) << (size * 8)) - 1;  // unsigned values are taken too
  return v >= lo && v <= hi;
}

template <bool Big> int convertStringToBin(MC01_VariableRef* ref, const char* value) {
  if (!ref || !value || !ref->buffer || ref->size == 0) return 0;
  const uint32_t size = ref->size;
  if (isFloatArea(ref->area) && (size == 4 || size == 8)) {
    double d;
    if (!parseDouble(value, d)) return 0;
    // A value beyond the float range would become infinity: refused.
    if (size == 4 && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) return 0;
    if (size == 4) return floatToBin<Big>(static_cast<float>(d), ref->buffer, 4);
    uint64_t raw;
    std::memcpy(&raw, &d, 8);
    store<Big>(raw, ref->buffer, 8);
    return 1;
  }
  if (size == 1 || size == 2 || size == 4 || size == 8) {
    int64_t v;
    if (!parseInteger(value, v) || !fitsIn(v, size)) return 0;
    store<Big>(static_cast<uint64_t>(v), ref->buffer, static_cast<int>(size));
    return 1;
  }
  return stringToBin(value, static_cast<int>(std::strlen(value)), ref->buffer, static_cast<int>(size));
}

bool setText(MC01_MStrBuf* out, const std::string& s) {
  int32_t cap = static_cast<int32_t>((s.size() + 1 + 4) / 5 * 5);
  char* p = static_cast<char*>(std::malloc(static_cast<size_t>(cap)));
  if (!p) return false;
  std::memcpy(p, s.c_str(), s.size() + 1);
  out->text = p;
  out->length = static_cast<int32_t>(s.size());
  out->capacity = cap;
  return true;
}

std::string formatDouble(double d) {
  // "%g" with a point regardless of the process locale.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.7g", d);
  for (char* p = buf; *p; ++p)
    if (*p == ',') *p = '.';
  return buf;
}

template <bool Big> int convertBinToString(const MC01_VariableRef* ref, MC01_MStrBuf* out) {
  if (!ref || !out) return 0;
  out->text = nullptr;
  out->length = 0;
  out->capacity = 0;
  if (!ref->buffer || ref->size == 0) return 0;
  const uint32_t size = ref->size;
  std::string s;
  if (isFloatArea(ref->area) && (size == 4 || size == 8)) {
    if (size == 4) {
      float f;
      binToFloat<Big>(ref->buffer, 4, &f);
      s = formatDouble(f);
    } else {
      uint64_t raw = load<Big>(ref->buffer, 8);
      double d;
      std::memcpy(&d, &raw, 8);
      s = formatDouble(d);
    }
  } else if (size == 1 || size == 2 || size == 4 || size == 8) {
    uint64_t raw = load<Big>(ref->buffer, static_cast<int>(size));
    int64_t v;
    if (size == 8) v = static_cast<int64_t>(raw);
    else {
      uint64_t sign = uint64_t(1) << (size * 8 - 1);
      v = (raw & sign) ? static_cast<int64_t>(raw) - (int64_t(1) << (size * 8)) : static_cast<int64_t>(raw);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
    s = text;
  } else {
    size_t n = 0;
    while (n < size && ref->buffer[n] != 0) ++n;
    s.assign(reinterpret_cast<const char*>(ref->buffer), n);
  }
  if (s.empty()) return 0;
  return setText(out, s) ? 1 : 0;
}

int deleteMStrBuf(MC01_MStrBuf* buf) {
  if (!buf) return 0;
  std::free(buf->text);
  buf->text = nullptr;
  buf->length = 0;
  buf->capacity = 0;
  return 0;
}

template <bool Big> Table makeTable() {
  Table t;
  t.GetDLLVersion = &version;
  t.ConvertStringToBin = &convertStringToBin<Big>;
  t.ConvertBinToString = &convertBinToString<Big>;
  t.DeleteMStrBuf = &deleteMStrBuf;
  t.BinToLong = &binToLong<Big>;
  t.BinToWord = &binToWord<Big>;
  t.BinToFloat = &binToFloat<Big>;
  t.BinToString = &binToString;
  t.WordToBin = &wordToBin<Big>;
  t.LongToBin = &longToBin<Big>;
  t.FloatToBin = &floatToBin<Big>;
  t.StringToBin = &stringToBin;
  return t;
}

}  // namespace

const Table& littleEndian() {
  static const Table t = makeTable<false>();
  return t;
}

const Table& bigEndian() {
  static const Table t = makeTable<true>();
  return t;
}

}  // namespace mc01
