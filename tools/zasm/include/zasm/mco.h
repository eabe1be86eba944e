#pragma once
// Writes an assembled library as a block library file (".MCO") through the
// project-file layer's encoder.
#include "zasm/zasm.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zasm {

// The bytes of the ".MCO" file of a module; references names the compiled
// modules it uses (module numbers 0.. of its link table), linkBlock is the
// code the linker runs once after linking (may be empty).
std::vector<std::uint8_t> encodeMco(const ModuleSource& src, const std::vector<std::string>& references = {},
                                    const std::vector<std::uint8_t>& linkBlock = {});

} // namespace zasm
