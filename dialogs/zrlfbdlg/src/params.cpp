// Write-back of the wait, counting, display, message and terminal dialogs.
#include "params.h"

#include "operand.h"

#include "platform/ports.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace fbd {

namespace {
std::string fixed2(double d) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, 2);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0.00");
}
// A decimal number at the start of s (blanks skipped), locale-free; 0 without one.
double readNumber(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  double v = 0;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) v = HUGE_VAL;
  else if (r.ec != std::errc()) v = 0;
  return negative ? -v : v;
}
} // namespace

std::string waitText(double d, bool& random) {
  random = false;
  if (std::isnan(d)) d = 0;
  if (!(d >= 0)) {
    d = -d;
    random = true;
  }
  if (d > 999.99) d = 999.99;
  return fixed2(d);
}

double waitValue(const std::string& text, bool random) {
  double v = readNumber(text);
  if (std::isfinite(v)) v = readNumber(fixed2(v));
  if (!(v >= 0)) v = 0;
  if (v > 999.99) v = 999.99;
  return random ? -v : v;
}

std::string incDecWriteBack(const std::string& field, bool minus, char* text, std::int16_t* aux, double* vector) {
  int kind = 0, number = 0;
  int read = fbd_ParseOperand(field.c_str(), kind, number);
  if (read && kind != kVariable && kind != kCounter) {
    read = 0;
    kind = number = 0;
  }
  std::string normal;
  fbd_FormatOperand(kind, number, normal);
  if (aux) {
    aux[0] = read ? 0 : 1;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, aux + 1);
    aux[1] = minus ? 1 : 0;
  }
  if (text) writeBounded(text, normal, 5);
  return normal;
}

void displayWriteBack(const std::string& field, int display, char* text, std::int16_t* aux, double* vector) {
  if (!aux || !text) return;
  aux[0] = 1;
  if (display == 1 || display == 2) aux[0] = std::int16_t(display);
  int kind = -1, number = 0, constant = 0;  // kind -1: a constant
  std::string value = field;
  int k = 0, n = 0, c = 0;
  if (fbd_ParseOperand(field.c_str(), k, n)) {
    if (k == kDigital) {
      value.assign(1, '0');
    } else {
      kind = k;
      number = n;
      fbd_FormatOperand(k, n, value);
    }
  } else if (fbd_ParseShort(field.c_str(), c)) {
    constant = c;
    value = std::to_string(c);
  }
  writeBounded(text, value, 9);
  if (kind == kAnalogue) {
    aux[1] = std::int16_t(4 + number);
    aux[2] = 0;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, nullptr);
  } else if (kind < 0) {
    aux[1] = 1;
    aux[2] = std::int16_t(constant);
    if (vector) vector[1] = vector[2] = vector[3] = 0;
  } else {
    aux[1] = 2;
    aux[2] = 0;
    if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, nullptr);
  }
}

int messageButton(int code) {
  int c = code < 110 ? code : code - 2;
  int i = c - 100;
  return (i >= 0 && i < kColourCount) ? i : -1;
}

int messageCode(int button) {
  if (button < 0 || button >= kColourCount) return 100;
  return 100 + button + (button > 8 ? 2 : 0);
}

void messageWriteBack(const std::string& field, int button, char* text, std::int16_t* aux) {
  if (!text || !aux) return;
  writeBounded(text, field, 17);
  aux[0] = std::int16_t(messageCode(button));
}

std::int16_t terminalValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint16_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::uint16_t(v * 10u + unsigned(text[i] - '0'));
  if (negative) v = std::uint16_t(0u - v);
  return std::int16_t(v);
}

int terminalParameter(const std::int16_t* aux) {
  if (!aux || aux[0] < 0 || aux[0] > 3) return 0;
  return aux[0];
}

std::string terminalText(const std::int16_t* aux) {
  if (!aux) return "0";
  return std::to_string(aux[1]).substr(0, 6);
}

} // namespace fbd

namespace fbd {

OutputState outputOpen(const std::int16_t* aux) {
  OutputState s;
  if (!aux) return s;
  s.output = std::clamp<int>(aux[0], 1, 8);
  s.type = std::clamp<int>(aux[1], 0, 2);
  int first = s.type == 0 ? 1 : 2;
  s.state = std::clamp<int>(aux[2] - first, 0, s.type == 0 ? 2 : 1);
  return s;
}

int outputStateForType(int type, int state) { return (type != 0 && state == 2) ? 1 : state; }

void outputWriteBack(int output, int type, int state, std::int16_t* aux) {
  if (!aux) return;
  aux[0] = std::int16_t(output >= 1 && output <= 8 ? output : 1);
  aux[1] = std::int16_t(type >= 0 && type <= 2 ? type : 0);
  aux[2] = 0;
  if (state >= 0 && state <= 2) aux[2] = std::int16_t(state + 1 + (aux[1] != 0 ? 1 : 0));
}

std::vector<int> inputTypes(int n) {
  if (n >= 1 && n <= 16) return {0, 1, 2};
  if (n >= 17 && n <= 26) return {5};
  if (n >= 31 && n <= 38) return {6};
  if (n >= 41 && n <= 48) return {7};
  return {};
}

int inputTypeFor(int n, int t) {
  std::vector<int> types = inputTypes(n);
  if (types.empty()) return t;
  return std::find(types.begin(), types.end(), t) != types.end() ? t : types.front();
}

int inputOpen(const std::int16_t* aux) {
  int n = aux ? aux[0] : 1;
  return inputStringId(n) ? n : 1;
}

void inputWriteBack(int input, int type, bool branchOne, std::int16_t* aux) {
  if (!aux) return;
  if (input > 0) aux[0] = std::int16_t(input);
  if (type >= 0) aux[1] = std::int16_t(type);
  aux[2] = branchOne ? 1 : 0;
}

void edgeWriteBack(int input, bool falling, std::int16_t* aux) {
  if (!aux) return;
  aux[0] = std::int16_t(input > 0 ? input : 1);
  aux[1] = falling ? 1 : 0;
}

std::string positionStandardCounter(int n) {
  if (n <= 0) n = 1;
  return n <= 16 ? "Z" + std::to_string(n) : std::string("VAR?");
}

void positionWriteBack(int n, bool standard, bool minus, const std::string& counter, const std::string& result,
                       char* text, std::int16_t* aux, double* vector) {
  if (n <= 0) n = 1;
  if (aux) {
    aux[0] = std::int16_t(n);
    aux[1] = minus ? 11 : 1;
  }
  int kind = 0, number = 0;
  if (standard) {
    if (n <= 16) {
      kind = kCounter;
      number = n;
    }
  } else if (fbd_ParseOperand(counter.c_str(), kind, number) && kind != kVariable && kind != kCounter) {
    kind = number = 0;
  }
  std::string ctext;
  fbd_FormatOperand(kind, number, ctext);
  if (text) writeBounded(text, ctext, 9);
  if (aux) {
    aux[2] = standard ? 1 : 0;
    aux[3] = (kind == 0 && number == 0) ? 1 : 0;
  }
  if (vector) fbd_WriteOperandHandle(kind, number, vector + 1, nullptr);

  int rk = 0, rn = 0, value = 0;
  bool isNumber = false;
  std::string rtext;
  if (fbd_ParseOperand(result.c_str(), rk, rn)) {
    if (rk != kVariable && rk != kCounter && rk != kTerminal) rk = rn = 0;
    fbd_FormatOperand(rk, rn, rtext);
  } else if (fbd_ParseShort(result.c_str(), value)) {
    isNumber = true;
    rtext = std::to_string(value);
  } else {
    fbd_FormatOperand(0, 0, rtext);
  }
  if (text) writeBounded(text + 10, rtext, 9);
  if (aux) {
    if (!isNumber) aux[1] = std::int16_t(aux[1] + 1);
    aux[4] = (!isNumber && rk == 0 && rn == 0) ? 1 : 0;
  }
}

} // namespace fbd

namespace fbd {

namespace {
// Whole-hertz note frequencies, seven rows of c .. b; row 0 only serves the search.
constexpr int kNotes[7][12] = {
    {32, 34, 36, 38, 41, 43, 46, 48, 51, 54, 58, 61},
    {65, 69, 73, 77, 82, 87, 92, 97, 103, 109, 116, 123},
    {130, 138, 146, 155, 164, 174, 184, 195, 210, 219, 232, 246},
    {260, 276, 292, 310, 328, 348, 368, 390, 414, 438, 465, 492},
    {521, 552, 585, 620, 657, 696, 738, 781, 828, 877, 921, 985},
    {1043, 1105, 1172, 1240, 1325, 1393, 1476, 1563, 1657, 1755, 1859, 1970},
    {2087, 2211, 2342, 2484, 2632, 2786, 2952, 3131, 3305, 3510, 3718, 3940},
};
constexpr int kRows = 7;
} // namespace

int noteFrequency(int row, int note) {
  if (row < 0 || row >= kRows || note < 0 || note >= kNotesPerOctave) return 0;
  return kNotes[row][note];
}

Note noteFor(int f) {
  int i = 0;
  while (i < kRows * kNotesPerOctave && kNotes[i / kNotesPerOctave][i % kNotesPerOctave] < f) ++i;
  int row = i / kNotesPerOctave, note = i % kNotesPerOctave;
  if (row < kFirstOctave) return {kFirstOctave, 0};
  if (row > kLastOctave) return {kLastOctave, kNotesPerOctave - 1};
  return {row, note};
}

int frequencySliderPosition(int f) { return std::clamp(f, kMinFrequency, kMaxFrequency); }

int durationPosition(double seconds) {
  if (std::isnan(seconds)) return kMinDuration;
  double p = std::round(std::clamp(seconds * 100.0, double(kMinDuration), double(kMaxDuration)));
  return int(p);
}

std::vector<int> frequencyTicks() {
  std::vector<int> t{kMinFrequency};
  for (int f = 1000; f <= kMaxFrequency; f += 1000) t.push_back(f);
  return t;
}

std::vector<int> durationTicks() {
  std::vector<int> t{kMinDuration};
  for (int d = 50; d <= kMaxDuration; d += 50) t.push_back(d);
  return t;
}

int fbd_PlayTone(int hz, int ms) {
  if (hz <= 0 || ms <= 0) return 0;
  plat::io::toneOut()->tone(unsigned(hz), unsigned(ms));
  return 0;
}

} // namespace fbd
