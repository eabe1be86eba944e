#pragma once
// Operand names of the block parameters (VAR1-99, Z1-16, EA-ED, EX-EY,
// E1-E48), their handles in the parameter vector, the digital input list and
// the plain number readers; the pure logic of the dialogs' write-back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fbd {

enum OperandKind : int { kVariable = 0, kCounter = 1, kTerminal = 2, kAnalogue = 3, kDigital = 4 };

// Reads an operand name at the start of text (blanks and tabs skipped, any
// letter case, characters behind the name ignored). 1 read / 0 not read; kind
// and number are 0 whenever it answers 0. Reads no further than the text's
// terminator.
int fbd_ParseOperand(const char* text, int& kind, int& number);
// Decimal digits from text; 0 when the value lies outside [minimum, maximum].
int fbd_ParseBoundedNumber(const char* text, int minimum, int maximum);
// The normal form ("VAR5", "Z?", "EA", "EX", "E7"); empty for a kind outside 0-4.
void fbd_FormatOperand(int kind, int number, std::string& out);
// Writes the operand handle into vector elements 1..3 (element1 points at
// element 1) and the input mark; nothing for a null element1 or a kind outside
// 0-4, the mark only when given.
void fbd_WriteOperandHandle(int kind, int number, double* element1, std::int16_t* mark);
// A signed decimal number (16-bit wrap). 1 read / 0 (out = 0).
int fbd_ParseShort(const char* text, int& out);

// The digital inputs offered by the input dialogs: E1-E26, E31-E38, E41-E48.
const std::vector<int>& inputList();
// The string id of input n's text (0 when n is not offered).
unsigned inputStringId(int n);

// The caller's text: at most size characters from text + offset, up to the
// terminator (which may be missing).
std::string readBounded(const char* text, std::size_t size);
// Copies at most max characters of s and a terminator into dst.
void writeBounded(char* dst, const std::string& s, std::size_t max);

// The owner window of vector[0]: its integral value when finite, integral and
// in the range of a handle id, else 0.
std::uint32_t ownerOf(const double* vector);

// ---- write-back of the formula dialogs ----
// One operator button: the field with the text inserted over the selection
// [start, end) when the result stays within limit (caret behind it); false
// (nothing changed) when it would not.
bool insertAtSelection(std::string& field, int start, int end, std::string_view insert, std::size_t limit,
                       int& caret);
// The formula the assignment dialog checks; fills empty fields ("VAR?", "0").
std::string assignFormula(std::string& variable, std::string& expression);
// After the parser accepted: text[0..9] the variable, text[10..69] the expression, aux[3] = 0.
void assignWriteBack(const std::string& variable, const std::string& expression, char* text, std::int16_t* aux);
// Compare (branchOne: "1" selected) or reset/stop (compare = false): an empty
// condition becomes "VAR?=0" (compare) or "E?" (reset/stop).
std::string conditionText(const std::string& field, bool compare);
void conditionWriteBack(const std::string& condition, bool compare, bool branchOne, char* text, std::int16_t* aux);
// Show values: the field's normal form, aux[0] invalid mark, aux[1] input
// mark, vector[1..3] the handle; returns the normal form.
std::string visualWriteBack(const std::string& field, char* text, std::int16_t* aux, double* vector);

} // namespace fbd
