#pragma once
// printf-style formatting of listing lines without a std::string per line:
// a format text is taken apart once into literal pieces and conversions, and
// each line is appended to the caller's buffer. The bytes are those of
// snprintf in the "C" locale; integer, character and string conversions are
// done here, the rest (floating point, rare flags) by snprintf, one
// conversion at a time. Arguments a format does not match print as 0 or
// "(null)" and missing ones as nothing, where printf would be undefined.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace cg {

struct FmtArg {
  enum Kind : uint8_t { Int, Uint, Dbl, Str } kind;
  union {
    long long i;
    unsigned long long u;
    double d;
    const char* s;
  };
  size_t len = 0;  // Str: the length of the text ("(null)" for a null pointer)
  FmtArg(int v) : kind(Int), i(v) {}
  FmtArg(long v) : kind(Int), i(v) {}
  FmtArg(long long v) : kind(Int), i(v) {}
  FmtArg(unsigned v) : kind(Uint), u(v) {}
  FmtArg(unsigned long v) : kind(Uint), u(v) {}
  FmtArg(unsigned long long v) : kind(Uint), u(v) {}
  FmtArg(double v) : kind(Dbl), d(v) {}
  FmtArg(const char* v) : kind(Str), s(v), len(v ? std::strlen(v) : 6) {}
  // A name of the program text (no zero byte in it), without measuring it.
  FmtArg(const std::string& v) : kind(Str), s(v.c_str()), len(v.size()) {}
};

class LineFormat {
public:
  LineFormat() = default;
  explicit LineFormat(const std::string& text);
  // False for what this formatter does not take apart ("*" widths,
  // positional arguments): the caller formats such a text with snprintf.
  bool supported() const { return supported_; }
  // The room write() needs for these arguments: the most bytes it can
  // produce and a few more it may overwrite behind them.
  size_t bound(const FmtArg* args, size_t count) const {
    // Every text argument counted whole: at least what its conversion takes
    // (the other arguments have no length).
    size_t n = fixed_;
    for (size_t i = 0; i < count; ++i) n += args[i].len;
    return n;
  }
  // Writes the text formatted with args at p (room for bound() bytes);
  // returns the end of what was written. The bytes behind the end, up to the
  // room, may have been overwritten.
  char* write(char* p, const FmtArg* args, size_t count) const;
  // Appends the text formatted with args to out.
  void append(std::string& out, const FmtArg* args, size_t count) const;

private:
  struct Piece {
    enum Type : uint8_t { Literal, Dec, Unsigned, Hex, Char, Text, Delegate } type;
    bool left = false, zero = false, upper = false;
    char length = 0;      // 'h' (hh as 'H'), 'l' (ll as 'L'), 'j', 'z', 't' or 0
    char conv = 0;
    int width = -1, precision = -1;
    uint32_t begin = 0, size = 0;  // Literal: range in text_; Delegate: the conversion's text
  };
  // A step of the compiled form: a literal (a range of text_, possibly
  // empty) and then at most one conversion. A format is run as its steps
  // when every conversion has an argument.
  struct Step {
    enum Kind : uint8_t { None, Hex8, DecZero, DecRight, TextRight, Skip, Convert } kind = None;
    bool upper = false;
    uint32_t begin = 0, size = 0;  // the literal
    uint32_t piece = 0;            // the conversion's piece
    int width = 0;
    uint32_t limit = 0;  // DecZero: 10 to the width
  };
  char* convert(char* out, const Piece& p, const FmtArg& a) const;
  char* writePieces(char* out, const FmtArg* args, size_t count) const;
  char* delegate(char* out, size_t room, const Piece& p, const FmtArg* a) const;

  std::string text_;  // followed by kSlack zero bytes, so that short pieces are copied whole
  std::vector<Piece> pieces_;
  std::vector<Step> steps_;
  size_t conversions_ = 0;  // the arguments the steps take
  bool supported_ = true;
  size_t fixed_ = 0;  // literal bytes and the numbers' room
};

}  // namespace cg
