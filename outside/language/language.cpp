// The English language library: string resources by number.
#include "platform/export.h"
#include "shell/builtin_strings.h"
#include <cstring>

// The length of string id copied into buffer (at most size-1 characters,
// terminated), or -1 when there is no such string.
ZERLO_EXPORT int ZRES_LoadString(unsigned id, char* buffer, int size) {
  const char* s = shell::builtinString(id);
  if (!s) return -1;
  int n = int(std::strlen(s));
  if (buffer && size > 0) {
    int k = n < size - 1 ? n : size - 1;
    std::memcpy(buffer, s, std::size_t(k));
    buffer[k] = 0;
  }
  return n;
}
