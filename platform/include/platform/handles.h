#pragma once
// 32-bit handle ids for windows and endpoints, so that a handle can travel as a
// number, a double or text between libraries and processes. Ids are never 0
// and are not reused while the process lives.
//
// allocate() gives ids below kClaimedBase, counted up within the process.
// Ids from kClaimedBase to kClaimedLast are registered with claim() by code
// that makes them unique among processes itself (endpoints: see
// platform/endpoint.h). Every id stays below 2^31, so it keeps its value when
// it passes through a signed 32-bit number.
#include "platform/export.h"
#include <cstdint>
#include <string>
#include <string_view>

namespace plat::handles {

using Id = std::uint32_t;

inline constexpr Id kClaimedBase = 0x40000000u;
inline constexpr Id kClaimedLast = 0x7FFFFFFFu;

PLATFORM_API Id allocate(void* object, int kind);
// The object of an id when it is registered with this kind; null otherwise.
PLATFORM_API void* lookup(Id id, int kind);
PLATFORM_API void release(Id id);
// Registers a chosen id (kClaimedBase..kClaimedLast) for an object; false
// when the id is out of that range or was ever used in this process.
PLATFORM_API bool claim(Id id, void* object, int kind);
// The kind of a registered id, or -1.
PLATFORM_API int kindOf(Id id);

// A handle as text and as a number. toText gives the unsigned decimal form;
// fromText also takes the signed 32-bit form (an id printed through an int),
// surrounding blanks allowed; both give 0 for anything that is no id.
PLATFORM_API std::string toText(Id id);
PLATFORM_API Id fromText(std::string_view s);
inline double toDouble(Id id) { return double(id); }
// 0 unless d is a whole number that is an id (negative: the signed 32-bit form).
PLATFORM_API Id fromDouble(double d);

} // namespace plat::handles
