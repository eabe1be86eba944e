// Write-back of the wait, counting, display, message and terminal dialogs.
#include "params.h"

#include "operand.h"

#include <charconv>
#include <cmath>

namespace fbd {

namespace {
std::string fixed2(double d) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 2);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0.00");
}
// A decimal number at the start of s (blanks skipped), locale-free; 0 without one.
double readNumber(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  double v = 0;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) v = HUGE_VAL;
  else if (r.ec != std::errc()) v = 0;
  return negative ? -v : v;
}
} // namespace

std::string waitText(double d, bool& random) {
  random = false;
  if (std::isnan(d)) d = 0;
  if (!(d >= 0)) {
    d = -d;
    random = true;
  }
  if (d > 999.99) d = 999.99;
  return fixed2(d);
}

double waitValue(const std::string& text, bool random) {
  double v = readNumber(text);
  if (std::isfinite(v)) v = readNumber(fixed2(v));
  if (!(v >= 0)) v = 0;
  if (v > 999.99) v = 999.99;
  return random ? -v : v;
}

std::string incDecWriteBack(const std::string& field, bool minus, char* text, std::int16_t* aux, double* vector) {
  int kind = 0, number = 0;
  int read = fbd_ParseOperand(field.c_str(), kind, number);
  if (read && kind != kVariable && kind != kCounter) {
    read = 0;
    kind = number = 0;
  }
  std::string normal;
  fbd_FormatOperand(kind, number, normal);
  if (aux) {
    aux[0] = read ? 0 : 1;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, aux + 1);
    aux[1] = minus ? 1 : 0;
  }
  if (text) writeBounded(text, normal, 5);
  return normal;
}

void displayWriteBack(const std::string& field, int display, char* text, std::int16_t* aux, double* vector) {
  if (!aux || !text) return;
  aux[0] = 1;
  if (display == 1 || display == 2) aux[0] = std::int16_t(display);
  int kind = -1, number = 0, constant = 0;  // kind -1: a constant
  std::string value = field;
  int k = 0, n = 0, c = 0;
  if (fbd_ParseOperand(field.c_str(), k, n)) {
    if (k == kDigital) {
      value.assign(1, '0');
    } else {
      kind = k;
      number = n;
      fbd_FormatOperand(k, n, value);
    }
  } else if (fbd_ParseShort(field.c_str(), c)) {
    constant = c;
    value = std::to_string(c);
  }
  writeBounded(text, value, 9);
  if (kind == kAnalogue) {
    aux[1] = std::int16_t(4 + number);
    aux[2] = 0;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, nullptr);
  } else if (kind < 0) {
    aux[1] = 1;
    aux[2] = std::int16_t(constant);
    if (vector) vector[1] = vector[2] = vector[3] = 0;
  } else {
    aux[1] = 2;
    aux[2] = 0;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, nullptr);
  }
}

int messageButton(int code) {
  int c = code < 110 ? code : code - 2;
  int i = c - 100;
  return (i >= 0 && i < kColourCount) ? i : -1;
}

int messageCode(int button) {
  if (button < 0 || button >= kColourCount) return 100;
  return 100 + button + (button > 8 ? 2 : 0);
}

void messageWriteBack(const std::string& field, int button, char* text, std::int16_t* aux) {
  if (!text || !aux) return;
  writeBounded(text, field, 17);
  aux[0] = std::int16_t(messageCode(button));
}

std::int16_t terminalValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint16_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::uint16_t(v * 10u + unsigned(text[i] - '0'));
  if (negative) v = std::uint16_t(0u - v);
  return std::int16_t(v);
}

int terminalParameter(const std::int16_t* aux) {
  if (!aux || aux[0] < 0 || aux[0] > 3) return 0;
  return aux[0];
}

std::string terminalText(const std::int16_t* aux) {
  if (!aux) return "0";
  return std::to_string(aux[1]).substr(0, 6);
}

} // namespace fbd
