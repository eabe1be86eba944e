#pragma once
// 32-bit handle ids for windows and endpoints, so that a handle can travel as a
// number, a double or text between libraries and processes. Ids are never 0
// and are not reused while the process lives.
#include "platform/export.h"
#include <cstdint>

namespace plat::handles {

using Id = std::uint32_t;

PLATFORM_API Id allocate(void* object, int kind);
PLATFORM_API void* lookup(Id id, int kind);
PLATFORM_API void release(Id id);

} // namespace plat::handles
