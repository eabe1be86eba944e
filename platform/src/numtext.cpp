#include "platform/numtext.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <system_error>

namespace plat::num {

namespace {
locale_t cLocale() {
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}
bool isBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

CLocaleScope::CLocaleScope() {
  if (const locale_t c = cLocale()) {
    old_ = static_cast<void*>(::uselocale(c));
    set_ = true;
  }
}

CLocaleScope::~CLocaleScope() {
  if (set_) ::uselocale(static_cast<locale_t>(old_));
}

std::string formatDouble(const char* fmt, double v) {
  CLocaleScope c;
  char buf[512];
  const int n = std::snprintf(buf, sizeof buf, fmt, v);
  if (n <= 0) return {};
  if (n < int(sizeof buf)) return std::string(buf, std::size_t(n));
  std::string out(std::size_t(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, v);
  out.resize(std::size_t(n));
  return out;
}

bool parseDouble(std::string_view text, double& out) {
  std::size_t b = 0, e = text.size();
  while (b < e && isBlank(text[b])) ++b;
  while (e > b && isBlank(text[e - 1])) --e;
  if (b < e && text[b] == '+') {
    ++b;
    if (b < e && text[b] == '-') return false;  // one sign only
  }
  if (b == e) return false;
  double v = 0;
  const auto r = std::from_chars(text.data() + b, text.data() + e, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != text.data() + e) return false;
  out = v;
  return true;
}

} // namespace plat::num
