// ZRLFBSIM: evaluates a block's formula on the simulated data words, with
// the software PLC's word arithmetic (every step wraps to 16 bits; division
// by 0 gives the largest value with the dividend's sign, -32768 / -1 gives
// 32767), so that the simulation assigns what the target's ADDW, SUBW, MULW
// and DIVW compute.
//
// ConditionSimEval(text, e, vector, dw, pw, out): the condition (at most 40
// characters) of comparisons of such formulas (< > = <= >= <>), inputs En
// (e: the simulated input cells, two bytes per bit, En at (n x 8) x 2),
// AND, OR, NOT and parentheses; *out = 2 when it holds, 1 when not, 0 when
// the text is not such a condition.
//
// FormelSimEval(text, aux, vector, dw, pw, out): text holds the target in
// bytes 0-9 and the formula from byte 10 (as the block stores them); dw the
// simulated data words DW0-DW1023, pw the parameter words PW0-PW63 (counters
// Z1-16). Operands: VARn (DWn), Zn (PWn), EA-ED (DW101-104), EX, EY (DW105,
// 106), integers, + - * / and parentheses. *out = 1 when the value was
// assigned, 0 (nothing written) when the text is not such a formula.
//
// WordSimStep(text, aux, vector, dw, pw, out): the ICDCVAR block's visit:
// the word its handle names (vector[1] class 5: DW1-106, class 9: PW1-16)
// raised by 1, or lowered when aux[1] = 1, wrapping as the target's IVAR;
// *out = 1 when a word changed, 0 for an invalid operand (aux[0] set or a
// handle outside these ranges).
//
// PositionSetup(text, aux, vector, -, -, out): the POSITION block's operands
// for its target text. The counter is the handle in vector[1..2] (as for
// WordSimStep); the result text[10..19] is a number (aux[1] 1 or 11) or an
// operand VARn, Zn, EA-ED (aux[1] 2 or 12). out[0] = 1 when both are valid
// (marks aux[3] and aux[4] clear), out[1] the number, out[2..3] the result
// word's handle (class 5 or 9, index).
//
// CountSimStep(text, aux, vector, dw, pw, io): the POSITION block's cycle
// while its step is active, as the target's VRZF: io[0] the input's level,
// io[1] the stored level P (in and out), io[2] the result D (out); the
// counter changes by one (down for aux[1] 11, 12) when the input differs
// from P; D = count >= limit counting up, count <= limit counting down.
// io[3] = 1 when it ran, 0 for invalid operands (nothing written).
//
// DisplaySetup(text, aux, vector, -, -, out): the DISPLAY block's operands:
// aux[0] the display (1: DW109, 2: DW110), aux[1] the kind (1 the constant
// aux[2], 2 the operand of the handle vector[1..2], 4 EX, 5 EY). out[0] = 1
// when valid, out[1] the display word, out[2..3] the value cell's handle
// (the operand, DW105/106 for EX/EY, PW50 for a constant).
//
// DisplaySimStep(text, aux, vector, dw, pw, out): the display word takes the
// value (EX and EY are read at once from DW105/106, where the target asks the
// interface first); out[0] = 1 when it ran (the block is done).
//
// MessageText(text, -, -, -, -, out): the MESSAGE block's text made fit for
// a text constant of the target program: cut to 17 characters, every '"'
// (the scanner knows no escapes) and control character replaced by '\''
// and ' '; out[0] = 1.
//
// MessageSimStep(text, aux, -, dw, pw, out): the colour aux[0] into PW17, as
// the target's SVAR; out[0] = 1.
//
// TerminalSimStep(text, aux, -, dw, pw, out): the value aux[1] into the
// terminal parameter aux[0] (0-3: EA-ED, DW101-104); out[0] = 1, 0 for a
// parameter outside 0-3.
#include "platform/export.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::int16_t wrap(std::int32_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF)); }

std::int16_t divw(std::int16_t a, std::int16_t b) {
  std::int32_t r;
  if (b == 0) r = a >= 0 ? 32767 : -32767;
  else r = std::int32_t(a) / b;
  if (r > 32767) r = 32767;
  return std::int16_t(r);
}

class Formula {
public:
  Formula(std::string text, unsigned char* dw, unsigned char* pw) : s_(std::move(text)), dw_(dw), pw_(pw) {}

  // The cell an operand names, null when it names none (cells are 16-bit
  // words at any alignment).
  unsigned char* operand(const std::string& name) {
    std::string n;
    for (char c : name) n.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    if (n.size() == 2 && n[0] == 'E' && n[1] >= 'A' && n[1] <= 'D') return dw_ + 2 * (101 + (n[1] - 'A'));
    if (n == "EX") return dw_ + 2 * 105;
    if (n == "EY") return dw_ + 2 * 106;
    auto indexed = [&](const char* prefix, int max) -> int {
      const std::size_t p = std::strlen(prefix);
      if (n.size() <= p || n.compare(0, p, prefix) != 0) return -1;
      int v = 0;
      for (std::size_t i = p; i < n.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(n[i])) || v > max) return -1;
        v = v * 10 + (n[i] - '0');
      }
      return v >= 1 && v <= max ? v : -1;
    };
    if (int i = indexed("VAR", 1023); i > 0) return dw_ + 2 * i;
    if (int i = indexed("Z", 63); i > 0) return pw_ + 2 * i;
    return nullptr;
  }

  bool expression(std::int16_t& v) {
    if (!term(v)) return false;
    for (;;) {
      const char c = peek();
      if (c != '+' && c != '-') return true;
      ++p_;
      std::int16_t r;
      if (!term(r)) return false;
      v = c == '+' ? wrap(std::int32_t(v) + r) : wrap(std::int32_t(v) - r);
    }
  }
  bool atEnd() { return peek() == '\0'; }

  void setInputs(const unsigned char* e) { e_ = e; }
  bool condition(bool& v) {
    if (!conjunction(v)) return false;
    while (keyword("OR")) {
      bool r;
      if (!conjunction(r)) return false;
      v = v || r;
    }
    return true;
  }

private:
  bool keyword(const char* k) {
    peek();
    const std::size_t n = std::strlen(k);
    if (s_.size() - p_ < n) return false;
    for (std::size_t i = 0; i < n; ++i)
      if (std::toupper(static_cast<unsigned char>(s_[p_ + i])) != k[i]) return false;
    if (p_ + n < s_.size() && std::isalnum(static_cast<unsigned char>(s_[p_ + n]))) return false;
    p_ += n;
    return true;
  }
  bool conjunction(bool& v) {
    if (!negation(v)) return false;
    while (keyword("AND")) {
      bool r;
      if (!negation(r)) return false;
      v = v && r;
    }
    return true;
  }
  bool negation(bool& v) {
    if (keyword("NOT")) {
      if (!negation(v)) return false;
      v = !v;
      return true;
    }
    const std::size_t at = p_;
    if (peek() == '(') {
      ++p_;
      if (condition(v) && peek() == ')') {
        ++p_;
        return true;
      }
      p_ = at;   // a parenthesised formula on the left of a comparison
    }
    if (input(v)) return true;
    p_ = at;
    return comparison(v);
  }
  // En, not followed by a comparison.
  bool input(bool& v) {
    const std::size_t at = p_;
    if (!e_ || (peek() != 'E' && peek() != 'e')) return false;
    ++p_;
    int n = 0, digits = 0;
    while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_])) && digits < 3) {
      n = n * 10 + (s_[p_++] - '0');
      ++digits;
    }
    if (!digits || n < 1 || n > 63 || (p_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[p_])))) {
      p_ = at;
      return false;
    }
    v = e_[2 * (n * 8)] != 0;
    return true;
  }
  bool comparison(bool& v) {
    std::int16_t a, b;
    if (!expression(a)) return false;
    const char c = peek();
    int op;   // 1 <, 2 >, 3 =, 4 <=, 5 >=, 6 <>
    if (c == '=') op = 3, ++p_;
    else if (c == '<' || c == '>') {
      ++p_;
      if (p_ < s_.size() && s_[p_] == '=') op = c == '<' ? 4 : 5, ++p_;
      else if (c == '<' && p_ < s_.size() && s_[p_] == '>') op = 6, ++p_;
      else op = c == '<' ? 1 : 2;
    } else return false;
    if (!expression(b)) return false;
    switch (op) {
      case 1: v = a < b; break;
      case 2: v = a > b; break;
      case 3: v = a == b; break;
      case 4: v = a <= b; break;
      case 5: v = a >= b; break;
      default: v = a != b; break;
    }
    return true;
  }

  char peek() {
    while (p_ < s_.size() && s_[p_] == ' ') ++p_;
    return p_ < s_.size() ? s_[p_] : '\0';
  }
  bool term(std::int16_t& v) {
    if (!factor(v)) return false;
    for (;;) {
      const char c = peek();
      if (c != '*' && c != '/') return true;
      ++p_;
      std::int16_t r;
      if (!factor(r)) return false;
      v = c == '*' ? wrap(std::int32_t(v) * r) : divw(v, r);
    }
  }
  bool factor(std::int16_t& v) {
    const char c = peek();
    if (c == '-') {
      ++p_;
      if (!factor(v)) return false;
      v = wrap(-std::int32_t(v));
      return true;
    }
    if (c == '(') {
      ++p_;
      if (!expression(v) || peek() != ')') return false;
      ++p_;
      return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      std::int32_t n = 0;
      while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) {
        n = n * 10 + (s_[p_++] - '0');
        if (n > 32767) return false;
      }
      v = std::int16_t(n);
      return true;
    }
    if (std::isalpha(static_cast<unsigned char>(c))) {
      std::string name;
      while (p_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[p_]))) name.push_back(s_[p_++]);
      const unsigned char* cell = operand(name);
      if (!cell) return false;
      std::memcpy(&v, cell, 2);
      return true;
    }
    return false;
  }

  std::string s_;
  std::size_t p_ = 0;
  unsigned char* dw_;
  unsigned char* pw_;
  const unsigned char* e_ = nullptr;
};


// A handle of a variable or counter: class 5 DW1-106 or class 9 PW1-16.
bool validHandle(double cls, double index) {
  return (cls == 5 && index >= 1 && index <= 106) || (cls == 9 && index >= 1 && index <= 16);
}
// The word a handle names, null for an invalid one.
unsigned char* handleCell(double cls, double index, void* dw, std::int16_t* pw) {
  if (!validHandle(cls, index)) return nullptr;
  if (cls == 5) return static_cast<unsigned char*>(dw) + 2 * int(index);
  return reinterpret_cast<unsigned char*>(pw) + 2 * int(index);
}

// A signed decimal number (blanks around it allowed) that fits 16 bits.
bool number(const std::string& t, std::int16_t& v) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
  if (i >= t.size() || !std::isdigit(static_cast<unsigned char>(t[i]))) return false;
  std::int32_t n = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
    n = n * 10 + (t[i++] - '0');
    if (n > 32768) return false;
  }
  while (i < t.size() && t[i] == ' ') ++i;
  if (i != t.size()) return false;
  n = neg ? -n : n;
  if (n > 32767) return false;
  v = std::int16_t(n);
  return true;
}

std::string bounded(const char* s, std::size_t max) {
  std::size_t n = 0;
  while (n < max && s[n]) ++n;
  return std::string(s, n);
}

// The result word of a POSITION block: VARn (n <= 106), Zn (n <= 16), EA-ED.
bool resultHandle(const std::string& text, int& cls, int& index) {
  std::string n;
  for (char c : text)
    if (c != ' ') n.push_back(char(std::toupper(static_cast<unsigned char>(c))));
  if (n.size() == 2 && n[0] == 'E' && n[1] >= 'A' && n[1] <= 'D') {
    cls = 5;
    index = 101 + (n[1] - 'A');
    return true;
  }
  auto indexed = [&](const char* prefix, int max) -> int {
    const std::size_t p = std::strlen(prefix);
    if (n.size() <= p || n.size() > p + 3 || n.compare(0, p, prefix) != 0) return -1;
    int v = 0;
    for (std::size_t i = p; i < n.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(n[i]))) return -1;
      v = v * 10 + (n[i] - '0');
    }
    return v >= 1 && v <= max ? v : -1;
  };
  if (int i = indexed("VAR", 106); i > 0) {
    cls = 5;
    index = i;
    return true;
  }
  if (int i = indexed("Z", 16); i > 0) {
    cls = 9;
    index = i;
    return true;
  }
  return false;
}

// The operands of a POSITION block: false when one of them is invalid.
struct Position {
  bool valid = false;
  bool down = false, byNumber = false;
  std::int16_t limit = 0;
  int cls = 0, index = 0;
};
Position position(const char* text, const std::int16_t* aux, const double* vector) {
  Position p;
  if (!text || !aux || !vector || aux[3] != 0 || aux[4] != 0) return p;
  const int mode = aux[1];
  if (mode != 1 && mode != 2 && mode != 11 && mode != 12) return p;
  if (!validHandle(vector[1], vector[2])) return p;
  p.down = mode > 10;
  p.byNumber = mode == 1 || mode == 11;
  const std::string result = bounded(text + 10, 9);
  if (p.byNumber ? !number(result, p.limit) : !resultHandle(result, p.cls, p.index)) return p;
  p.valid = true;
  return p;
}

struct Display {
  bool valid = false;
  int word = 0, cls = 0, index = 0;
};
Display display(const std::int16_t* aux, const double* vector) {
  Display d;
  if (!aux || !vector || (aux[0] != 1 && aux[0] != 2)) return d;
  d.word = 108 + aux[0];
  switch (aux[1]) {
    case 1: d.cls = 9; d.index = 50; break;
    case 2:
      if (!validHandle(vector[1], vector[2])) return d;
      d.cls = int(vector[1]);
      d.index = int(vector[2]);
      break;
    case 4: case 5: d.cls = 5; d.index = 101 + aux[1]; break;
    default: return d;
  }
  d.valid = true;
  return d;
}

}  // namespace

ZERLO_EXPORT void FormelSimEval(char* text, std::int16_t*, double*, void* dw, std::int16_t* pw, std::int16_t* out) {
  if (!out) return;
  *out = 0;
  if (!text || !dw || !pw) return;
  auto* words = static_cast<unsigned char*>(dw);
  auto* params = reinterpret_cast<unsigned char*>(pw);
  std::string name;
  for (char c : bounded(text, 9))
    if (c != ' ') name.push_back(c);
  Formula f(bounded(text + 10, 59), words, params);
  unsigned char* cell = f.operand(name);
  std::int16_t v = 0;
  if (!cell || !f.expression(v) || !f.atEnd()) return;
  std::memcpy(cell, &v, 2);
  *out = 1;
}

ZERLO_EXPORT void ConditionSimEval(char* text, std::int16_t* e, double*, void* dw, std::int16_t* pw, std::int16_t* out) {
  if (!out) return;
  *out = 0;
  if (!text || !e || !dw || !pw) return;
  Formula f(bounded(text, 40), static_cast<unsigned char*>(dw), reinterpret_cast<unsigned char*>(pw));
  f.setInputs(reinterpret_cast<const unsigned char*>(e));
  bool v = false;
  if (!f.condition(v) || !f.atEnd()) return;
  *out = v ? 2 : 1;
}

ZERLO_EXPORT void WordSimStep(char*, std::int16_t* aux, double* vector, void* dw, std::int16_t* pw, std::int16_t* out) {
  if (!out) return;
  *out = 0;
  if (!aux || !vector || !dw || !pw || aux[0] != 0) return;
  unsigned char* cell = handleCell(vector[1], vector[2], dw, pw);
  if (!cell) return;
  std::int16_t v = 0;
  std::memcpy(&v, cell, 2);
  v = wrap(std::int32_t(v) + (aux[1] == 1 ? -1 : 1));
  std::memcpy(cell, &v, 2);
  *out = 1;
}

ZERLO_EXPORT void PositionSetup(char* text, std::int16_t* aux, double* vector, void*, std::int16_t*, std::int16_t* out) {
  if (!out) return;
  const Position p = position(text, aux, vector);
  out[0] = p.valid ? 1 : 0;
  out[1] = p.valid ? p.limit : 0;
  out[2] = std::int16_t(p.valid && !p.byNumber ? p.cls : 0);
  out[3] = std::int16_t(p.valid && !p.byNumber ? p.index : 0);
}

ZERLO_EXPORT void CountSimStep(char* text, std::int16_t* aux, double* vector, void* dw, std::int16_t* pw,
                               std::int16_t* io) {
  if (!io) return;
  io[3] = 0;
  const Position p = position(text, aux, vector);
  if (!p.valid || !dw || !pw) return;
  unsigned char* counter = handleCell(vector[1], vector[2], dw, pw);
  std::int16_t count = 0;
  std::memcpy(&count, counter, 2);
  if ((io[0] != 0) != (io[1] != 0)) count = wrap(std::int32_t(count) + (p.down ? -1 : 1));
  std::memcpy(counter, &count, 2);
  std::int16_t limit = p.limit;
  if (!p.byNumber) std::memcpy(&limit, handleCell(p.cls, p.index, dw, pw), 2);
  io[2] = (p.down ? count <= limit : count >= limit) ? 1 : 0;
  io[1] = io[0] != 0 ? 1 : 0;
  io[3] = 1;
}

ZERLO_EXPORT void DisplaySetup(char*, std::int16_t* aux, double* vector, void*, std::int16_t*, std::int16_t* out) {
  if (!out) return;
  const Display d = display(aux, vector);
  out[0] = d.valid ? 1 : 0;
  out[1] = std::int16_t(d.word);
  out[2] = std::int16_t(d.cls);
  out[3] = std::int16_t(d.index);
}

ZERLO_EXPORT void DisplaySimStep(char*, std::int16_t* aux, double* vector, void* dw, std::int16_t* pw, std::int16_t* out) {
  if (!out) return;
  out[0] = 0;
  const Display d = display(aux, vector);
  if (!d.valid || !dw || !pw) return;
  std::int16_t v = aux[2];
  if (aux[1] != 1) std::memcpy(&v, handleCell(d.cls, d.index, dw, pw), 2);
  std::memcpy(static_cast<unsigned char*>(dw) + 2 * d.word, &v, 2);
  out[0] = 1;
}

ZERLO_EXPORT void MessageText(char* text, std::int16_t*, double*, void*, std::int16_t*, std::int16_t* out) {
  if (!text) return;
  std::size_t n = 0;
  for (; n < 17 && text[n]; ++n) {
    if (text[n] == '"') text[n] = '\'';
    else if (static_cast<unsigned char>(text[n]) < 32) text[n] = ' ';
  }
  text[n] = '\0';
  if (out) out[0] = 1;
}

ZERLO_EXPORT void MessageSimStep(char*, std::int16_t* aux, double*, void*, std::int16_t* pw, std::int16_t* out) {
  if (!out) return;
  out[0] = 0;
  if (!aux || !pw) return;
  const std::int16_t colour = aux[0];
  std::memcpy(reinterpret_cast<unsigned char*>(pw) + 2 * 17, &colour, 2);
  out[0] = 1;
}

ZERLO_EXPORT void TerminalSimStep(char*, std::int16_t* aux, double*, void* dw, std::int16_t*, std::int16_t* out) {
  if (!out) return;
  out[0] = 0;
  if (!aux || !dw || aux[0] < 0 || aux[0] > 3) return;
  const std::int16_t value = aux[1];
  std::memcpy(static_cast<unsigned char*>(dw) + 2 * (101 + aux[0]), &value, 2);
  out[0] = 1;
}
