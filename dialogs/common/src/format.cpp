#include "dialogkit/format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kit {

namespace {

constexpr int kMaxField = 1024;

struct Spec {
  bool left = false, plus = false, space = false, zero = false, alt = false;
  int width = -1, precision = -1;
  char conv = 0;
};

// Pads a converted value to the width (zeros after the sign for numbers).
std::string pad(std::string body, const Spec& sp, bool numeric) {
  if (sp.width < 0 || int(body.size()) >= sp.width) return body;
  std::size_t fill = std::size_t(sp.width) - body.size();
  if (sp.left) return body + std::string(fill, ' ');
  if (numeric && sp.zero) {
    std::size_t at = 0;
    if (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) at = 1;
    if (body.size() > at + 1 && body[at] == '0' && (body[at + 1] == 'x' || body[at + 1] == 'X')) at += 2;
    return body.insert(at, fill, '0');
  }
  return std::string(fill, ' ') + body;
}

std::string signed_(long long v, const Spec& sp) {
  std::string digits = std::to_string(v < 0 ? -(unsigned long long)v : (unsigned long long)v);
  if (sp.precision >= 0 && int(digits.size()) < sp.precision) digits.insert(0, sp.precision - digits.size(), '0');
  if (sp.precision == 0 && v == 0) digits.clear();
  std::string sign = v < 0 ? "-" : sp.plus ? "+" : sp.space ? " " : "";
  Spec s2 = sp;
  if (sp.precision >= 0) s2.zero = false;
  return pad(sign + digits, s2, true);
}

std::string unsigned_(unsigned v, const Spec& sp) {
  char buf[32];
  int base = sp.conv == 'u' ? 10 : 16;
  auto r = std::to_chars(buf, buf + sizeof buf, v, base);
  std::string digits(buf, r.ptr);
  if (sp.conv == 'X')
    for (char& c : digits) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (sp.precision >= 0 && int(digits.size()) < sp.precision) digits.insert(0, sp.precision - digits.size(), '0');
  if (sp.precision == 0 && v == 0) digits.clear();
  std::string prefix = (sp.alt && base == 16 && v != 0) ? (sp.conv == 'X' ? "0X" : "0x") : "";
  Spec s2 = sp;
  if (sp.precision >= 0) s2.zero = false;
  return pad(prefix + digits, s2, true);
}

std::string double_(double v, const Spec& sp) {
  char buf[kMaxField + 400];
  int prec = sp.precision < 0 ? 6 : sp.precision;
  std::string body;
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, prec);
  if (r.ec != std::errc()) body = v < 0 ? "-inf" : "inf";
  else body.assign(buf, r.ptr);
  if (sp.alt && prec == 0) body += '.';
  if (!body.empty() && body[0] != '-') body.insert(0, sp.plus ? "+" : sp.space ? " " : "");
  return pad(body, sp, std::isfinite(v));
}

} // namespace

std::string formatChecked(std::string_view t, const std::vector<FormatArg>& args) {
  std::string out;
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    char c = t[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < t.size() && t[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // Parse the placeholder.
    std::size_t start = i++;
    Spec sp;
    for (; i < t.size(); ++i) {
      char f = t[i];
      if (f == '-') sp.left = true;
      else if (f == '+') sp.plus = true;
      else if (f == ' ') sp.space = true;
      else if (f == '0') sp.zero = true;
      else if (f == '#') sp.alt = true;
      else break;
    }
    bool bad = false;
    auto number = [&](int& into) {
      into = 0;
      bool any = false;
      while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        any = true;
        if (into <= kMaxField) into = into * 10 + (t[i] - '0');
        ++i;
      }
      if (into > kMaxField) bad = true;
      return any;
    };
    if (!number(sp.width)) sp.width = -1;
    if (i < t.size() && t[i] == '.') {
      ++i;
      number(sp.precision);
    }
    while (i < t.size() && (t[i] == 'l' || t[i] == 'h')) ++i;
    if (i >= t.size()) {
      out.append(t.substr(start));
      break;
    }
    sp.conv = t[i++];
    std::string_view literal = t.substr(start, i - start);
    const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
    std::string piece;
    bool used = false;
    if (!bad && arg) {
      const auto& v = arg->value();
      switch (sp.conv) {
        case 's':
          if (auto* s = std::get_if<std::string>(&v)) {
            std::string text = *s;
            if (sp.precision >= 0 && int(text.size()) > sp.precision) text.resize(std::size_t(sp.precision));
            piece = pad(text, sp, false);
            used = true;
          }
          break;
        case 'u': case 'x': case 'X':
          if (auto* u = std::get_if<unsigned>(&v)) { piece = unsigned_(*u, sp); used = true; }
          break;
        case 'd': case 'i':
          if (auto* d = std::get_if<int>(&v)) { piece = signed_(*d, sp); used = true; }
          break;
        case 'f':
          if (auto* d = std::get_if<double>(&v)) { piece = double_(*d, sp); used = true; }
          break;
        default:
          break;
      }
    }
    if (used) {
      out += piece;
      ++next;
    } else {
      out.append(literal);
    }
  }
  return out;
}

} // namespace kit
