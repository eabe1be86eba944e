#pragma once
// Language resources: strings come from the language library (ZEZODAR) when
// it is bound, else from the program's built-in English table. Strings used
// as formats come from outside, so they are only filled through the dialog
// kit's checked formatter.
#include "obeltool/obeltool.h"
#include <optional>
#include <string>

namespace shell {

// The language library hands out its strings through the dialog kit's
// resource operation (0: no such string).
inline constexpr const char* kLanguageStringExport = "LoadResString";

// The module strings are read from: the language library, or null for the
// program itself.
void* res_GetModule();
// Loads string id into buffer; 0 for a null buffer, size < 1 or id 0, else the
// length (the buffer holds "" when the string is missing).
int res_LoadString(unsigned id, char* buffer, int size);
// The string, or nothing when missing.
std::optional<std::string> res_String(unsigned id);
// The program's own English text of id, or null.
const char* res_BuiltinString(unsigned id);
// out = the language string id used as a format with one integer; "" when the
// id is 0 or the string is missing or empty. Returns 0.
int res_FormatString(std::string& out, unsigned id, long value);


// The counted-string helpers of the program (beside the module's own copy).
// 0 when both texts are null, -1 when only a's, 1 when only b's, else strcmp.
int msb_Compare(const MStrBuf* a, const MStrBuf* b);
// Loads string id into the record (growing in steps of 5); 1 when found.
int msb_LoadString(MStrBuf* b, unsigned id);
// There is no registry here: nothing is found.
int sys_EnumRegistryValues(const char* root, const char* subKey, void* list);
// A global atom's name: here the text an endpoint is registered under.
int sys_GetAtomName(MStrBuf* b, const std::string& endpointText);

} // namespace shell
