// Language strings, the built-in English table and the checked formatters.
#include "shell/resources.h"
#include "obeltool/mstrbuf.h"
#include "platform/library.h"
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>
#include "shell/builtin_strings.h"

namespace shell {

void* languageModule();   // binding.cpp

namespace {

// Length of a conversion starting at format[i] == '%': flags, width,
// precision, length modifiers, then the conversion character.
std::size_t conversionEnd(const std::string& f, std::size_t i) {
  std::size_t j = i + 1;
  while (j < f.size() && std::strchr("-+ #0", f[j])) ++j;
  while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j]))) ++j;
  if (j < f.size() && f[j] == '.') {
    ++j;
    while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j]))) ++j;
  }
  while (j < f.size() && std::strchr("hlLqjzt", f[j])) ++j;
  return j;  // index of the conversion character (== size when cut)
}

template <class Fill>
std::string formatOne(const std::string& f, const char* accepted, Fill fill) {
  std::string out;
  bool used = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') {
      out += f[i];
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t end = conversionEnd(f, i);
    if (!used && end < f.size() && std::strchr(accepted, f[end])) {
      // Width and flags of the placeholder are honoured, bounded.
      std::string spec = f.substr(i, end - i + 1);
      out += fill(spec);
      used = true;
      i = end;
      continue;
    }
    out += f[i];   // any other placeholder is plain text
  }
  return out;
}

int widthOf(const std::string& spec) {
  int w = 0;
  for (char c : spec) {
    if (c == '.') break;
    if (std::isdigit(static_cast<unsigned char>(c)) && (w > 0 || c != '0')) w = std::min(w * 10 + (c - '0'), 256);
  }
  return w;
}

} // namespace

std::string fmt_Int(const std::string& format, long value) {
  return formatOne(format, "diu", [&](const std::string& spec) {
    std::string text = spec.back() == 'u' ? std::to_string(static_cast<unsigned long>(value) & 0xFFFFFFFFul)
                                          : std::to_string(value);
    int w = widthOf(spec);
    bool left = spec.find('-') != std::string::npos;
    if (int(text.size()) < w) text = left ? text + std::string(w - text.size(), ' ') : std::string(w - text.size(), ' ') + text;
    return text;
  });
}

std::string fmt_Str(const std::string& format, const std::string& value) {
  return formatOne(format, "s", [&](const std::string& spec) {
    std::string text = value;
    int w = widthOf(spec);
    bool left = spec.find('-') != std::string::npos;
    if (int(text.size()) < w) text = left ? text + std::string(w - text.size(), ' ') : std::string(w - text.size(), ' ') + text;
    return text;
  });
}

void* res_GetModule() { return languageModule(); }

const char* res_BuiltinString(unsigned id) { return builtinString(id); }

std::optional<std::string> res_String(unsigned id) {
  if (id == 0) return std::nullopt;
  if (void* module = languageModule()) {
    auto fn = plat::lib::symbolAs<LanguageStringFn>(module, kLanguageStringExport);
    if (!fn) return std::nullopt;
    std::vector<char> buf(256);
    for (;;) {
      int n = fn(id, buf.data(), int(buf.size()));
      if (n < 0) return std::nullopt;
      if (std::size_t(n) + 1 < buf.size() || buf.size() >= (1u << 20)) return std::string(buf.data(), std::size_t(n));
      buf.resize(buf.size() * 2);
    }
  }
  if (const char* s = res_BuiltinString(id)) return std::string(s);
  return std::nullopt;
}

int res_LoadString(unsigned id, char* buffer, int size) {
  if (!buffer || size < 1) return 0;
  buffer[0] = 0;
  if (id == 0) return 0;
  auto s = res_String(id);
  if (!s) return 0;
  std::size_t n = std::min<std::size_t>(s->size(), std::size_t(size - 1));
  std::memcpy(buffer, s->data(), n);
  buffer[n] = 0;
  return int(n);
}

int res_FormatString(std::string& out, unsigned id, long value) {
  out.clear();
  if (id == 0) return 0;
  auto s = res_String(id);
  if (s && !s->empty()) out = fmt_Int(*s, value);
  return 0;
}

int msb_Compare(const MStrBuf* a, const MStrBuf* b) {
  const char* x = a ? a->text : nullptr;
  const char* y = b ? b->text : nullptr;
  if (!x && !y) return 0;
  if (!x) return -1;
  if (!y) return 1;
  int c = std::strcmp(x, y);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int msb_LoadString(MStrBuf* b, unsigned id) {
  if (!b) return 0;
  msb::Free(b);
  auto s = res_String(id);
  if (!s) return 0;
  return msb::FromString(b, *s);
}

int sys_EnumRegistryValues(const char*, const char*, void*) { return 0; }

int sys_GetAtomName(MStrBuf* b, const std::string& endpointText) {
  if (!b) return 0;
  msb::Free(b);
  return endpointText.empty() ? 0 : msb::FromString(b, endpointText);
}

} // namespace shell
