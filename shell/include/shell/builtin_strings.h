#pragma once
// The program's built-in English strings (static library `shell_strings`),
// as a resource table of the dialog kit.
#include "dialogkit/resources.h"

namespace shell {

const kit::ResourceTable& builtinTable();
// The text of string id, or null.
const char* builtinString(unsigned id);

} // namespace shell
