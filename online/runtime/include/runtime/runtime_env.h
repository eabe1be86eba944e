#pragma once
#include "runtime/runtime.h"
#include <string>

namespace zrt {
// Surroundings of the shipped runtime: TESK31 and trmd001dll loaded by name
// from dir (the runtime's own directory), server actions through endpoints.
RuntimeEnv makeLibraryEnv(const std::string& dir);
} // namespace zrt
