#pragma once
// Marks the plain C operations a loadable library exports; everything else in
// such a library is hidden (the build sets hidden visibility).
#define ZERLO_EXPORT extern "C" __attribute__((visibility("default")))
// The platform library itself exports its C++ interface.
#define PLATFORM_API __attribute__((visibility("default")))
