// Language strings: the language library's, else the built-in English table.
#include "shell/resources.h"
#include "dialogkit/format.h"
#include "obeltool/mstrbuf.h"
#include "platform/library.h"
#include "shell/builtin_strings.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace shell {

void* languageModule();   // binding.cpp

void* res_GetModule() { return languageModule(); }

const char* res_BuiltinString(unsigned id) { return builtinString(id); }

std::optional<std::string> res_String(unsigned id) {
  if (id == 0) return std::nullopt;
  if (void* module = languageModule()) {
    auto fn = plat::lib::symbolAs<kit::LoadResStringFn>(module, kLanguageStringExport);
    if (!fn) return std::nullopt;
    std::vector<char> buf(256);
    int n = fn(id, buf.data(), int(buf.size()));
    if (n >= int(buf.size()) && n < (1 << 20)) {
      buf.assign(std::size_t(n) + 1, 0);
      n = fn(id, buf.data(), int(buf.size()));
    }
    // 0: the language library has no such text.
    if (n <= 0) return std::nullopt;
    buf.back() = 0;
    return std::string(buf.data());
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
  if (s && !s->empty()) out = kit::formatChecked(*s, {int(value)});
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
