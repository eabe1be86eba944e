#pragma once
// The write-back of the wait, counting, display, message and terminal dialogs
// as functions of their control state.
#include <cstdint>
#include <string>

namespace fbd {

// ---- wait ----
// The edit text ("%3.2lf" of |d|) and the type for vector[1] = d; a value
// that is not finite opens as 0.00 (NaN) or 999.99.
std::string waitText(double d, bool& random);
// The stored duration: the text's number to two decimals, clamped to
// 0..999.99, negated when random (0 random is -0.0).
double waitValue(const std::string& text, bool random);

// ---- counting ----
// Only variables and counters are read; aux[0] the invalid mark, the handle
// into vector[1..3], aux[1] the direction (1 for -1). Returns the normal form.
std::string incDecWriteBack(const std::string& field, bool minus, char* text, std::int16_t* aux, double* vector);

// ---- display ----
// display: the selected display (1 or 2), 0 when none is selected.
void displayWriteBack(const std::string& field, int display, char* text, std::int16_t* aux, double* vector);

// ---- message ----
constexpr int kColourCount = 14;
// The button (0-13) selected for a colour code, -1 for none.
int messageButton(int code);
int messageCode(int button);
void messageWriteBack(const std::string& field, int button, char* text, std::int16_t* aux);

// ---- terminal ----
// 16-bit reading of the value text (wraps at 65536).
std::int16_t terminalValue(const std::string& text);
int terminalParameter(const std::int16_t* aux);
std::string terminalText(const std::int16_t* aux);

} // namespace fbd
