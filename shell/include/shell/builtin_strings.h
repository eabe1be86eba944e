#pragma once
// The program's built-in English strings (static library `shell_strings`).
#include <vector>

namespace shell {

// The text of string id, or null.
const char* builtinString(unsigned id);
std::vector<unsigned> builtinStringIds();

} // namespace shell
