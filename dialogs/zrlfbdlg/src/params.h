#pragma once
// The write-back of the wait, counting, display, message and terminal dialogs
// as functions of their control state.
#include <cstdint>
#include <string>
#include <vector>

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

namespace fbd {

// ---- output ----
struct OutputState {
  int output = 1;  // 1-8
  int type = 0;    // 0 motor, 1 lamp, 2 electromagnet
  int state = 1;   // state button 0-2 (0-1 for lamp and electromagnet)
};
OutputState outputOpen(const std::int16_t* aux);
// After the device type changed: the state kept, the third button moved to the second.
int outputStateForType(int type, int state);
// output 0 / type -1 / state -1 when nothing is selected.
void outputWriteBack(int output, int type, int state, std::int16_t* aux);

// ---- input ----
// The sensor types offered for input n (E1-E16: 0, 1, 2; E17-E26: 5; E31-E38: 6; E41-E48: 7).
std::vector<int> inputTypes(int n);
// The type the list shows for input n when type t was selected (t when offered, else the first).
int inputTypeFor(int n, int t);
// The input selected at opening (1 without aux or when the number has no name).
int inputOpen(const std::int16_t* aux);
// input 0 / type -1 when nothing is selected (aux[0] / aux[1] then kept).
void inputWriteBack(int input, int type, bool branchOne, std::int16_t* aux);

// ---- edge ----
void edgeWriteBack(int input, bool falling, std::int16_t* aux);

// ---- position ----
// The counter edit when the standard counter is used for input n: "Z<n>" (n <= 16) or "VAR?".
std::string positionStandardCounter(int n);
// The write-back; n the selected input (0: none), standard the check box.
void positionWriteBack(int n, bool standard, bool minus, const std::string& counter, const std::string& result,
                       char* text, std::int16_t* aux, double* vector);

} // namespace fbd

namespace fbd {

// ---- beep ----
constexpr int kMinFrequency = 50, kMaxFrequency = 10000;
constexpr int kMinDuration = 1, kMaxDuration = 500;  // hundredths of a second
constexpr int kFirstOctave = 1, kLastOctave = 6, kNotesPerOctave = 12;
// The note table's frequency of octave row (0-6) and note (0-11); 0 outside.
int noteFrequency(int row, int note);
struct Note {
  int octave = 1;  // 1-6
  int note = 0;    // 0-11 ("c" .. "b")
  bool operator==(const Note&) const = default;
};
// The note at or just above f (the first table entry >= f), kept inside octaves 1-6.
Note noteFor(int f);
// The frequency slider's position for f.
int frequencySliderPosition(int f);
// The duration slider's position for vector[1] (seconds): to the nearest
// hundredth, clamped to the slider; not a number opens at the minimum.
int durationPosition(double seconds);
// The tick marks of the sliders (they are not uniform).
std::vector<int> frequencyTicks();
std::vector<int> durationTicks();
// A tone of hz for ms milliseconds on the platform's tone output; returns when
// it is over (at once, silent, when either is 0). Answers 0.
int fbd_PlayTone(int hz, int ms);

} // namespace fbd
