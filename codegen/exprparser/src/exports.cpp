// The exported operations of ExprParser.so (plain C, see exprparser.h).
#include "exprparser/exprparser.h"

#include "binding.h"
#include "platform/export.h"

#include <cstdlib>
#include <cstring>

using exprparser::libraryState;

namespace {

// Loading the library binds the settings library and the language resources;
// they are let go when the library is unloaded (see libraryLoad).
__attribute__((constructor)) void onLibraryLoad() { exprparser::libraryLoad(); }

}  // namespace

ZERLO_EXPORT int ParseFormel(const char* text, int16_t* aux, const double* vector) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  return st.session.parseFormel(text, aux, vector);
}

ZERLO_EXPORT int ParseCondition(const char* text, int16_t* aux, const double* vector) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  return st.session.parseCondition(text, aux, vector);
}

ZERLO_EXPORT int FormelZCDGen(char* text, int16_t* aux, const double* vector, void*, int16_t*, int16_t* out) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  return st.session.formelZcdGen(text, aux, vector, out);
}

ZERLO_EXPORT int ConditionZCDGen(char* text, int16_t* aux, const double* vector, void*, int16_t*,
                                 int16_t* out) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  return st.session.conditionZcdGen(text, aux, vector, out);
}

ZERLO_EXPORT int UnlinkFile(const char* name, int16_t*, const double*, void*, int16_t*, int16_t* out) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  st.session.unlinkFile(name, out);
  return out && *out == 1 ? 1 : 0;
}

ZERLO_EXPORT char* GetErrorText(void) {
  auto& st = libraryState();
  std::lock_guard<std::mutex> lock(st.mu);
  std::string text = st.session.errorText();
  char* p = static_cast<char*>(std::malloc(text.size() + 1));
  if (p) std::memcpy(p, text.c_str(), text.size() + 1);
  return p;
}

ZERLO_EXPORT void FreeErrorText(char** text) {
  if (!text) return;
  std::free(*text);
  *text = nullptr;
}
