// Acceptance tests: the real Zerlo driven as a user drives it.
#include "zerlo_process.h"

#include <gtest/gtest.h>

namespace {
} // namespace
