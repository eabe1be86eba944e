#include "model/numbers.h"

#include "model/real.h"

#include <cmath>
#include <cstring>

namespace model {
namespace {

// Left-aligns a field of n characters: leading blanks move to its end. A field
// of blanks only is left as it is.
void leftAlign(char* b, int n) {
  int lead = 0;
  while (lead < n && b[lead] == ' ') ++lead;
  if (lead == 0 || lead == n) return;
  std::memmove(b, b + lead, std::size_t(n - lead));
  std::memset(b + n - lead, ' ', std::size_t(lead));
}

void stars(char* b, int n) { std::memset(b, '*', std::size_t(n)); }

// Width that fits: with a zero byte the field needs n + 1 bytes.
int fitWidth(std::size_t size, int n, bool zeroByte) {
  if (n < 1) return 0;
  const std::size_t room = zeroByte ? (size ? size - 1 : 0) : size;
  return std::size_t(n) > room ? int(room) : n;
}

// Writes value right-aligned in places [from, to) with leading zeros as
// blanks; returns the index of the first written digit.
int writeDigits(char* b, int from, int to, unsigned value, unsigned base) {
  static const char kDigits[] = "0123456789ABCDEF";
  int pos = to - 1;
  do {
    b[pos--] = kDigits[value % base];
    value /= base;
  } while (value && pos >= from);
  return pos + 1;
}

unsigned pow10u(int d) {
  unsigned v = 1;
  while (d-- > 0) v *= 10;
  return v;
}

void formatReal(double value, char* b, std::size_t size, int width, bool secondUnit) {
  if (!b || size == 0 || width < 1) return;
  const int n = width > int(size - 1) ? int(size - 1) : width;
  std::memset(b, ' ', std::size_t(n));
  b[n] = 0;
  if (n < 1) return;
  if (std::isnan(value)) {   // not a number: no sound digits to show
    stars(b, n);
    return;
  }
  double x = value;
  if (x > 1e40) x = 1e40;
  if (x < -1e40) x = -1e40;
  if (std::fabs(x) < 1e-40) x = 0.0;
  const bool negative = x < 0;
  int s = 1;
  if (negative) {
    x = -x;
    s = 2;
  }
  int e = 0;
  if (x >= 1.0) e = int(std::trunc(std::log10(x)));
  else if (x > 0.0) e = -int(std::trunc(std::log10(1.0 / x)));
  if (e >= -3 && e <= -1) e = 0;
  x = x * rl_IntPower(10.0, std::int16_t(-e));
  if (e != 0 && x < 1.0) {
    x *= 10.0;
    --e;
  }
  int k = 1;
  if (e > 0 && e < n - s) {
    k = e + 1;
    e = 0;
  }
  int w = 0;
  if (e >= 1 && e <= 9) w = 2;
  else if (e >= 10 && e <= 99) w = 3;
  else if (e >= 100) w = 4;
  else if (e <= -1 && e >= -9) w = 3;
  else if (e <= -10 && e >= -99) w = 4;
  else if (e < -99) w = 5;
  if (n - (s + w) < k) {
    stars(b, n);
    return;
  }
  int pos = 0;
  if (negative) b[pos++] = '-';
  const int firstDigit = pos;
  int written = 0;
  int pointAt = -1;
  while (pos < n - w) {
    double d = std::trunc(x);
    if (d > 9) d = 9;
    if (d < 0) d = 0;
    x -= d;
    b[pos++] = char('0' + int(d));
    ++written;
    if (written == k && pos < n - w) {
      pointAt = pos;
      b[pos++] = '.';
    }
    x *= 10.0;
  }
  const int end = pos;   // one past the last character written
  if (x >= 5.0) {
    int i = end - 1;
    bool carry = true;
    while (carry && i >= firstDigit) {
      if (b[i] == '.') { --i; continue; }
      if (b[i] == '9') { b[i] = '0'; --i; }
      else { ++b[i]; carry = false; }
    }
    if (carry) {
      // One more integer digit: everything after the sign moves one place to
      // the right (the last character drops out) and a "1" leads.
      std::memmove(b + firstDigit + 1, b + firstDigit, std::size_t(end - firstDigit - 1));
      b[firstDigit] = '1';
      if (pointAt >= 0) {
        // The point moved with the digits; it must stay directly after the
        // integer digits, so the digit now after it keeps the fraction.
        pointAt += 1;
        if (pointAt >= end) pointAt = -1;
      }
    }
  }
  if (pointAt >= 0) {
    int i = end - 1;
    while (i > pointAt + 1 && b[i] == '0') b[i--] = ' ';
  }
  if (e != 0) {
    int last = end - 1;
    while (last >= 0 && b[last] == ' ') --last;
    int at = last + 1;
    b[at++] = 'D';
    char exp[8];
    if (secondUnit) {
      nc_FormatIntField(std::int16_t(e), exp, sizeof exp, w - 1);
    } else {
      int v = e < 0 ? -e : e, p = 0;
      char rev[8];
      do { rev[p++] = char('0' + v % 10); v /= 10; } while (v);
      int q = 0;
      if (e < 0) exp[q++] = '-';
      while (p) exp[q++] = rev[--p];
      while (q < w - 1) exp[q++] = ' ';
    }
    for (int i = 0; i < w - 1 && at < n; ++i) b[at++] = exp[i];
  }
  leftAlign(b, n);
}

} // namespace

void nc_FormatDecimal(std::uint16_t value, char* b, std::size_t size, int width) {
  if (!b) return;
  const int n = fitWidth(size, width, true);
  if (n < 1) {
    if (size) b[0] = 0;
    return;
  }
  const int d = n <= 4 ? n : 5;
  const unsigned max = n <= 4 ? pow10u(n) - 1 : 64000u;
  if (value > max) stars(b, n);
  else {
    std::memset(b, ' ', std::size_t(n));
    writeDigits(b, n - d, n, value, 10);
  }
  b[n] = 0;
  leftAlign(b, n);
}

void nc_FormatIntField(std::int16_t value, char* b, std::size_t size, int width) {
  if (!b) return;
  const int n = fitWidth(size, width, false);
  if (n < 1) return;
  const bool negative = value < 0;
  const unsigned a = negative ? unsigned(-int(value)) : unsigned(value);
  int d = negative ? n - 1 : n;
  unsigned max = 0;
  if (d >= 1 && d <= 4) max = pow10u(d) - 1;
  else if (d >= 5) { max = 32767; d = 5; }
  if (d < 1 || a > max) {
    stars(b, n);
    return;
  }
  std::memset(b, ' ', std::size_t(n));
  const int first = writeDigits(b, n - d, n, a, 10);
  if (negative) b[first - 1] = '-';
  leftAlign(b, n);
}

void nc_FormatHex2(std::uint16_t value, char* b, std::size_t size, int width) {
  if (!b) return;
  const int n = fitWidth(size, width, false);
  if (n < 1) return;
  const int d = n - 1;
  unsigned max = 65535;
  if (d >= 1 && d <= 4) {
    max = 10;
    for (int i = 1; i < d; ++i) max *= 16;
    max -= 1;
  }
  if (n < 3 || value > max) {
    stars(b, n);
    return;
  }
  std::memset(b, ' ', std::size_t(n));
  const int first = writeDigits(b, 0, n - 1, value, 16);
  if (b[first] >= 'A' && first > 0) b[first - 1] = '0';
  b[n - 1] = 'H';
  leftAlign(b, n);
}

void nc_FormatInt(std::int16_t value, char* b, std::size_t size, int width) {
  if (!b || size == 0) return;
  const int n = fitWidth(size, width, true);
  char text[8];
  int v = value, p = 0;
  char rev[8];
  const bool negative = v < 0;
  unsigned a = negative ? unsigned(-v) : unsigned(v);
  do { rev[p++] = char('0' + a % 10); a /= 10; } while (a);
  int q = 0;
  if (negative) text[q++] = '-';
  while (p) text[q++] = rev[--p];
  const int len = q < n ? q : n;
  std::memcpy(b, text, std::size_t(len));
  b[len] = 0;
}

void nc_FormatRealRange(double value, char* b, std::size_t size, int n) { formatReal(value, b, size, n, false); }
void nc_FormatRealRange2(double value, char* b, std::size_t size, int n) { formatReal(value, b, size, n, true); }

std::int16_t nc_ParseDecimal(const char* t) {
  if (!t) return 0;
  int sign = 1;
  while (*t == ' ' || *t == '+' || *t == '-') {
    if (*t == '-') sign = -1;
    ++t;
  }
  if (*t < '0' || *t > '9') return 0;
  std::uint32_t v = 0;
  while (*t >= '0' && *t <= '9') v = (v * 10u + unsigned(*t++ - '0')) & 0xFFFFu;
  return std::int16_t(std::uint16_t(sign < 0 ? (0u - v) & 0xFFFFu : v));
}

std::int16_t nc_ParseHex(const char* t) {
  if (!t) return 0;
  while (*t == ' ') ++t;
  if (*t < '0' || *t > '9') return 0;
  std::uint32_t v = 0;
  for (;; ++t) {
    const char c = *t;
    if (c >= '0' && c <= '9') v = (v * 16u + unsigned(c - '0')) & 0xFFFFu;
    else if (c >= 'A' && c <= 'F') v = (v * 16u + unsigned(c - 'A' + 10)) & 0xFFFFu;
    else if (c == 'H') return std::int16_t(std::uint16_t(v));
    else return 0;
  }
}

double nc_ParseReal(const char* t) {
  if (!t) return 0.0;
  double sign = 1.0;
  while (*t == ' ' || *t == '+' || *t == '-') {
    if (*t == '-') sign = -1.0;
    ++t;
  }
  if (!((*t >= '0' && *t <= '9') || *t == '.' || *t == ',')) return 0.0;
  double x = 0.0;
  while (*t >= '0' && *t <= '9') x = x * 10.0 + (*t++ - '0');
  if (*t == '.' || *t == ',') {
    ++t;
    double weight = 0.1;
    while (*t >= '0' && *t <= '9') {
      x += (*t++ - '0') * weight;
      weight /= 10.0;
    }
  }
  if (*t == 'E' || *t == 'e' || *t == 'D' || *t == 'd') {
    // The exponent is read with the signs and spaces the decimal parser
    // takes, but saturated: beyond +-400 the value is 0 or infinite anyway,
    // and a long exponent must not wrap into the other direction.
    const char* p = t + 1;
    int esign = 1;
    while (*p == ' ' || *p == '+' || *p == '-') {
      if (*p == '-') esign = -1;
      ++p;
    }
    int e = 0;
    while (*p >= '0' && *p <= '9') {
      e = e * 10 + (*p++ - '0');
      if (e > 400) e = 400;
    }
    e *= esign;
    for (; e < 0; ++e) x /= 10.0;
    for (; e > 0; --e) x *= 10.0;
  }
  return x * sign;
}

void nc_UnitInit() { rl_UnitInit(); }

} // namespace model
