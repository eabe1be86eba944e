#pragma once
// Operations over the counted string record MStrBuf. Every deliverable that
// uses the record links this module (static library `mstrbuf`); text a module
// allocated is released by the same module (ObelTool exports DeleteMStrBuf).
//
// Growth rule: a buffer for n characters has the smallest multiple of 5 that
// is at least n + 1 bytes (0 -> 5, 4 -> 5, 5 -> 10).
#include "obeltool/obeltool.h"
#include <cstdint>
#include <string>

namespace msb {

std::int32_t growth(std::int64_t n);

MStrBuf* Init(MStrBuf* b);
MStrBuf* FromCStr(MStrBuf* b, const char* s);
int Free(MStrBuf* b);
// Releases the record, then copies text (length > 0) into a buffer of the
// capacity given; the capacity is raised when it would not hold the text.
int Assign(MStrBuf* b, const char* text, std::int32_t length, std::int32_t capacity);
void Truncate(MStrBuf* b, std::int32_t n);
void Resize(MStrBuf* b, std::int32_t n);       // keeps the last n characters
int Append(MStrBuf* b, MStrBuf src);
void AppendChar(MStrBuf* b, char c);
// Reads an initialisation-file value; 1 when the text is non-empty.
int GetProfileString(MStrBuf* b, const char* file, const char* section, const char* key, const char* def);
// There is no registry on this system: always "not found" (record empty, 0).
int GetRegistryString(MStrBuf* b, const char* root, const char* subKey, const char* valueName);
void ToUpper(char* s);

// Helpers for C++ callers.
int FromString(MStrBuf* b, const std::string& s);   // 1 when the copy was made
std::string ToString(const MStrBuf* b);             // "" for null or empty

} // namespace msb

// The operations under their C names.
inline MStrBuf* msb_Init(MStrBuf* b) { return msb::Init(b); }
inline MStrBuf* msb_FromCStr(MStrBuf* b, const char* s) { return msb::FromCStr(b, s); }
inline int msb_Free(MStrBuf* b) { return msb::Free(b); }
inline int msb_Assign(MStrBuf* b, const char* t, std::int32_t len, std::int32_t cap) { return msb::Assign(b, t, len, cap); }
inline void msb_Truncate(MStrBuf* b, std::int32_t n) { msb::Truncate(b, n); }
inline void msb_Resize(MStrBuf* b, std::int32_t n) { msb::Resize(b, n); }
inline int msb_Append(MStrBuf* b, MStrBuf src) { return msb::Append(b, src); }
inline void msb_AppendChar(MStrBuf* b, char c) { msb::AppendChar(b, c); }
inline int msb_GetProfileString(MStrBuf* b, const char* file, const char* section, const char* key, const char* def) {
  return msb::GetProfileString(b, file, section, key, def);
}
inline int msb_GetRegistryString(MStrBuf* b, const char* root, const char* subKey, const char* valueName) {
  return msb::GetRegistryString(b, root, subKey, valueName);
}
inline void str_ToUpper(char* s) { msb::ToUpper(s); }
