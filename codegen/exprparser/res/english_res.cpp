// The ENGLISH language resource library of the formula parser: the parser's
// own English message texts, so that a program directory set to English has
// its resource library like every other language.
#include "messages.h"

#include "platform/export.h"

#include <cstring>

ZERLO_EXPORT int LoadResString(unsigned id, char* buf, int size) {
  const char* text = id > 0x7fffffffu ? nullptr : exprparser::builtinText(static_cast<int>(id));
  if (!text || !buf || size <= 0) return 0;
  std::size_t n = std::strlen(text);
  if (n >= static_cast<std::size_t>(size)) n = static_cast<std::size_t>(size) - 1;
  std::memcpy(buf, text, n);
  buf[n] = '\0';
  return static_cast<int>(n);
}
