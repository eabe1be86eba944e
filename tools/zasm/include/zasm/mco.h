#pragma once
// Writes an assembled library as a block library file (".MCO") through the
// project-file layer's encoder.
#include "zasm/zasm.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zasm {

// The bytes of the ".MCO" file of a module: its referenced modules are the
// source's "uses" table (module numbers 0.. of its link table) and its link
// block the source's initialisation block.
std::vector<std::uint8_t> encodeMco(const ModuleSource& src);

} // namespace zasm
