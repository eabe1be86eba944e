// A library for the tests of loading by name.
#include "platform/export.h"

ZERLO_EXPORT int TestLibAnswer() { return 42; }
