#pragma once
// Marks the plain C operations a loadable library exports; everything else in
// such a library is hidden (the build sets hidden visibility).
#define ZERLO_EXPORT extern "C" __attribute__((visibility("default")))
// The platform library itself exports its C++ interface.
#define PLATFORM_API __attribute__((visibility("default")))
// Marks data a loadable library exports (inside an extern "C" block, so that
// an initialised definition carries no "extern"): its version numbers.
#define ZERLO_EXPORT_DATA __attribute__((visibility("default")))
