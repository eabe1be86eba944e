// The counted string record and its operations.
#include "obeltool/mstrbuf.h"
#include "platform/profile.h"
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace msb {

std::int32_t growth(std::int64_t n) {
  if (n < 0) n = 0;
  std::int64_t c = ((n + 1 + 4) / 5) * 5;
  if (c > INT32_MAX) return 0;
  return static_cast<std::int32_t>(c);
}

MStrBuf* Init(MStrBuf* b) {
  if (b) *b = MStrBuf{nullptr, 0, 0};
  return b;
}

int Free(MStrBuf* b) {
  if (!b) return 0;
  std::free(b->text);
  *b = MStrBuf{nullptr, 0, 0};
  return 0;
}

static bool setCopy(MStrBuf* b, const char* s, std::size_t len, std::int32_t cap) {
  if (cap <= 0 || static_cast<std::size_t>(cap) < len + 1) return false;
  char* t = static_cast<char*>(std::malloc(static_cast<std::size_t>(cap)));
  if (!t) return false;
  std::memcpy(t, s, len);
  t[len] = 0;
  b->text = t;
  b->length = static_cast<std::int32_t>(len);
  b->capacity = cap;
  return true;
}

MStrBuf* FromCStr(MStrBuf* b, const char* s) {
  if (!b) return b;
  *b = MStrBuf{nullptr, 0, 0};
  if (!s) return b;
  std::size_t len = std::strlen(s);
  if (!setCopy(b, s, len, growth(static_cast<std::int64_t>(len)))) *b = MStrBuf{nullptr, 0, 0};
  return b;
}

int Assign(MStrBuf* b, const char* text, std::int32_t length, std::int32_t capacity) {
  if (!b) return 0;
  Free(b);
  if (length <= 0) return length;
  if (!text) return 0;
  std::size_t len = std::strlen(text);
  // The capacity passed must hold the text; a smaller one would overrun the
  // buffer, so it is raised by the growth rule instead.
  std::int32_t cap = capacity;
  if (cap <= 0 || static_cast<std::size_t>(cap) < len + 1) cap = growth(static_cast<std::int64_t>(len));
  if (!setCopy(b, text, len, cap)) return 0;
  b->length = static_cast<std::int32_t>(len);
  return static_cast<int>(len + 1);
}

void Truncate(MStrBuf* b, std::int32_t n) {
  if (!b || !b->text || n < 0 || n >= b->length) return;
  b->text[n] = 0;
  b->length = n;
  std::int32_t cap = growth(n);
  if (cap > 0 && cap < b->capacity) {
    char* t = static_cast<char*>(std::malloc(static_cast<std::size_t>(cap)));
    if (!t) { Free(b); return; }
    std::memcpy(t, b->text, static_cast<std::size_t>(n) + 1);
    std::free(b->text);
    b->text = t;
    b->capacity = cap;
  }
}

void Resize(MStrBuf* b, std::int32_t n) {
  if (!b || !b->text || n < 0 || n >= b->length) return;
  std::int32_t cap = growth(n);
  char* t = static_cast<char*>(std::malloc(static_cast<std::size_t>(cap)));
  if (!t) { Free(b); return; }
  std::memcpy(t, b->text + (b->length - n), static_cast<std::size_t>(n) + 1);
  std::free(b->text);
  b->text = t;
  b->length = n;
  b->capacity = cap;
}

int Append(MStrBuf* b, MStrBuf src) {
  if (!b || !src.text || src.length <= 0) return 0;
  std::size_t own = b->text ? std::strlen(b->text) : 0;
  std::size_t add = std::strlen(src.text);
  std::int32_t cap = growth(static_cast<std::int64_t>(own + add));
  char* t = cap > 0 ? static_cast<char*>(std::malloc(static_cast<std::size_t>(cap))) : nullptr;
  if (!t) { Free(b); return 0; }
  if (own) std::memcpy(t, b->text, own);
  std::memcpy(t + own, src.text, add);
  t[own + add] = 0;
  std::free(b->text);
  b->text = t;
  b->length = static_cast<std::int32_t>(own + add);
  b->capacity = cap;
  return 0;
}

void AppendChar(MStrBuf* b, char c) {
  if (!b) return;
  if (!b->text) {
    b->length = 0;
    b->capacity = 0;
  }
  if (!b->text || b->capacity < b->length + 2) {
    std::int32_t cap = ((b->length + 2 + 4) / 5) * 5;
    char* t = static_cast<char*>(std::malloc(static_cast<std::size_t>(cap)));
    if (!t) { Free(b); return; }
    if (b->text) std::memcpy(t, b->text, static_cast<std::size_t>(b->length) + 1);
    else t[0] = 0;
    std::free(b->text);
    b->text = t;
    b->capacity = cap;
  }
  b->text[b->length] = c;
  b->length += 1;
  b->text[b->length] = 0;
}

int GetProfileString(MStrBuf* b, const char* file, const char* section, const char* key, const char* def) {
  if (!b) return 0;
  Free(b);
  if (!file || !section || !key) return 0;
  std::string v = plat::profile::getString(file, section, key, def ? def : "");
  // The value is read whole; the record gets the capacity of the growth rule.
  if (!FromString(b, v)) return 0;
  return v.empty() ? 0 : 1;
}

int GetRegistryString(MStrBuf* b, const char*, const char*, const char*) {
  Free(b);
  return 0;
}

void ToUpper(char* s) {
  if (!s) return;
  for (; *s; ++s) *s = static_cast<char>(std::toupper(static_cast<unsigned char>(*s)));
}

int FromString(MStrBuf* b, const std::string& s) {
  if (!b) return 0;
  *b = MStrBuf{nullptr, 0, 0};
  if (!setCopy(b, s.data(), s.size(), growth(static_cast<std::int64_t>(s.size())))) {
    *b = MStrBuf{nullptr, 0, 0};
    return 0;
  }
  return 1;
}

std::string ToString(const MStrBuf* b) {
  if (!b || !b->text) return {};
  return std::string(b->text);
}

} // namespace msb
