#pragma once
// Fixed-width number fields and the parsers that read numbers back. A field
// is left-aligned and filled with "*" when the number does not fit. Every
// formatter keeps within the buffer's size: the width is cut to what fits
// (with its terminating zero byte where the field gets one). Always the "C"
// notation, independent of any locale.
#include <cstddef>
#include <cstdint>

namespace model {

// Unsigned 16-bit value in decimal; n <= 4 holds up to 10^n - 1, wider fields
// up to 64000. Zero-terminated.
void nc_FormatDecimal(std::uint16_t value, char* buffer, std::size_t size, int n);
// INT with a leading minus sign; not zero-terminated.
void nc_FormatIntField(std::int16_t value, char* buffer, std::size_t size, int n);
// Unsigned 16-bit value in hexadecimal with the suffix "H" (a leading letter
// digit gets a "0" before it); not zero-terminated.
void nc_FormatHex2(std::uint16_t value, char* buffer, std::size_t size, int n);
// INT by "%d" into at most n characters, zero-terminated within size.
void nc_FormatInt(std::int16_t value, char* buffer, std::size_t size, int n);
// REAL in a field of width n: plain or with a "D" exponent.
// nc_FormatRealRange is zero-terminated; nc_FormatRealRange2 writes the same
// characters (its zero byte too, the REAL field always has one).
void nc_FormatRealRange(double value, char* buffer, std::size_t size, int n);
void nc_FormatRealRange2(double value, char* buffer, std::size_t size, int n);

std::int16_t nc_ParseDecimal(const char* text);
std::int16_t nc_ParseHex(const char* text);
double nc_ParseReal(const char* text);

void nc_UnitInit();

} // namespace model
