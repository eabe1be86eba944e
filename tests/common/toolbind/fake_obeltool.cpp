// A stand-in settings library for the binding tests, built in several
// variants: its version (FAKE_VERSION), a name left out (FAKE_WITHOUT_INTERFACE_INI)
// and the stored language (FAKE_LANGUAGE).
#include "obeltool/obeltool.h"
#include "platform/export.h"
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef FAKE_VERSION
#define FAKE_VERSION 0.05
#endif
#ifndef FAKE_LANGUAGE
#define FAKE_LANGUAGE 3
#endif

namespace {
int g_language = FAKE_LANGUAGE;
int g_languageWrites = 0;
int g_templateCalls = 0;
int g_setBin = 0;

int fill(MStrBuf* b, const std::string& s) {
  b->text = static_cast<char*>(std::malloc(s.size() + 1));
  std::memcpy(b->text, s.c_str(), s.size() + 1);
  b->length = static_cast<int32_t>(s.size());
  b->capacity = static_cast<int32_t>(s.size() + 1);
  return 1;
}
} // namespace

ZERLO_EXPORT double GetDLLVersion(void) { return FAKE_VERSION; }
ZERLO_EXPORT int AppendMsgLine(const char* t) { return t && *t ? 1 : 0; }
ZERLO_EXPORT int AppendMsgFile(const char* t) { return t && *t ? 1 : 0; }
ZERLO_EXPORT int EmptyMsgWnd(void) { return 1; }
ZERLO_EXPORT int CloseMsgWnd(void) { return 1; }
ZERLO_EXPORT int SetBINPath(const void*) { ++g_setBin; return 1; }
ZERLO_EXPORT int GetBINPath(MStrBuf* b) { return fill(b, "/fake/bin"); }
ZERLO_EXPORT int GetLIBRARYPaths(int mode, MStrBuf* b) {
  static int next = 0;
  if (mode == 0) next = 0;
  if (mode == 2) return 1;
  if (next >= 2) return 0;
  return fill(b, "/fake/lib" + std::to_string(++next));
}
ZERLO_EXPORT int GetPROJECTPath(MStrBuf* b) { return fill(b, "/fake/project"); }
ZERLO_EXPORT int GetShowHelpNumber(void) { return 1; }
ZERLO_EXPORT int GetObelLanguage(void) { return g_language; }
ZERLO_EXPORT int SetObelLanguage(int l) { g_language = l; ++g_languageWrites; return 0; }
ZERLO_EXPORT int GetObelLanguagePath(MStrBuf* b, int language) {
  return fill(b, "/fake/lang" + std::to_string(language));
}
ZERLO_EXPORT int GetLanguageTEMPLATEPath(MStrBuf* b, int) {
  ++g_templateCalls;
  return fill(b, "/fake/Template/");
}
#ifndef FAKE_WITHOUT_INTERFACE_INI
ZERLO_EXPORT int GetPathToInterfaceIni(MStrBuf* b) { return fill(b, "/fake/bin/INTERFACE.INI"); }
#endif
ZERLO_EXPORT int GetPathToLanguageHelpFile(MStrBuf* b, int) { return fill(b, "/fake/ZERLO.HLP"); }
ZERLO_EXPORT int DeleteMStrBuf(MStrBuf* b) {
  if (b) {
    std::free(b->text);
    *b = MStrBuf{nullptr, 0, 0};
  }
  return 0;
}
// For the tests: how often something was done.
ZERLO_EXPORT int FakeCount(const char* what) {
  std::string w = what;
  if (w == "languageWrites") return g_languageWrites;
  if (w == "templateCalls") return g_templateCalls;
  if (w == "setBin") return g_setBin;
  return -1;
}
