#include "lineformat.h"

#include <cstdio>
#include <cstring>

#include "platform/numtext.h"

namespace cg {
namespace {

bool isFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }

long long signedOf(const FmtArg& a, char length) {
  long long v = a.kind == FmtArg::Int ? a.i : a.kind == FmtArg::Uint ? static_cast<long long>(a.u) : 0;
  switch (length) {
    case 0: return static_cast<int>(v);
    case 'h': return static_cast<short>(v);
    case 'H': return static_cast<signed char>(v);
    default: return v;
  }
}

unsigned long long unsignedOf(const FmtArg& a, char length) {
  unsigned long long v =
      a.kind == FmtArg::Uint ? a.u : a.kind == FmtArg::Int ? static_cast<unsigned long long>(a.i) : 0;
  switch (length) {
    case 0: return static_cast<unsigned>(v);
    case 'h': return static_cast<unsigned short>(v);
    case 'H': return static_cast<unsigned char>(v);
    default: return v;
  }
}

// Short pieces (most are a few bytes) are copied and padded in whole blocks
// of kSlack bytes: the room of a line has kSlack bytes more than its text,
// and the format text is followed by as many zero bytes.
constexpr size_t kSlack = 16;

// Decimal digits of v into the end of buf, two at a time; returns the first digit.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
constexpr char kBlanks[] = "                ";  // kSlack blanks

inline char* decimal(char* end, unsigned long long v) {
  char* p = end;
  while (v > 0xFFFFFFFFull) {
    const unsigned r = static_cast<unsigned>(v % 100);
    v /= 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * r, 2);
  }
  uint32_t w = static_cast<uint32_t>(v);  // 32-bit steps are cheaper
  while (w >= 100) {
    const uint32_t r = w % 100;
    w /= 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * r, 2);
  }
  if (w >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * w, 2);
  } else {
    *--p = static_cast<char>('0' + w);
  }
  return p;
}

// The two hexadecimal digits of each byte value, upper and lower case.
struct HexPairs {
  char pair[2][256][2];
  constexpr HexPairs() : pair() {
    const char* sets[2] = {"0123456789abcdef", "0123456789ABCDEF"};
    for (int u = 0; u < 2; ++u)
      for (int b = 0; b < 256; ++b) {
        pair[u][b][0] = sets[u][b >> 4];
        pair[u][b][1] = sets[u][b & 0xF];
      }
  }
};
constexpr HexPairs kHexPairs;

// Hexadecimal digits of v into the end of buf, a byte at a time; returns the
// first digit.
inline char* hexadecimal(char* end, unsigned long long v, bool upper) {
  const auto& pairs = kHexPairs.pair[upper ? 1 : 0];
  char* p = end;
  while (v > 0xFF) {
    p -= 2;
    std::memcpy(p, pairs[v & 0xFFu], 2);
    v >>= 8;
  }
  if (v > 0xF) {
    p -= 2;
    std::memcpy(p, pairs[v], 2);
  } else {
    *--p = pairs[v][1];
  }
  return p;
}

// A piece of the format text (readable kSlack bytes beyond its end).
[[gnu::always_inline]] inline char* copyPiece(char* p, const char* s, size_t n) {
  if (n <= kSlack) {
    std::memcpy(p, s, kSlack);
  } else {
    std::memcpy(p, s, n);
  }
  return p + n;
}

// A text of the caller's: nothing beyond its end is read. Up to 16 bytes go
// as two overlapping blocks of a fixed size.
[[gnu::always_inline]] inline char* copyText(char* p, const char* s, size_t n) {
  if (n >= 8) {
    if (n > 16) {
      std::memcpy(p, s, n);
    } else {
      std::memcpy(p, s, 8);
      std::memcpy(p + n - 8, s + n - 8, 8);
    }
  } else if (n >= 4) {
    std::memcpy(p, s, 4);
    std::memcpy(p + n - 4, s + n - 4, 4);
  } else if (n >= 2) {
    std::memcpy(p, s, 2);
    std::memcpy(p + n - 2, s + n - 2, 2);
  } else if (n == 1) {
    *p = *s;
  }
  return p + n;
}

[[gnu::always_inline]] inline char* fill(char* p, int n, char c) {
  if (n <= 0) return p;
  if (static_cast<size_t>(n) <= kSlack)
    std::memset(p, c, kSlack);
  else
    std::memset(p, c, static_cast<size_t>(n));
  return p + n;
}

// A field of body (with a minus sign before it when negative) padded to width.
[[gnu::always_inline]] inline char* field(char* p, bool negative, const char* body, size_t len, int width,
                                          bool left, bool zero) {
  const size_t signLen = negative ? 1 : 0;
  const int pad = width - static_cast<int>(len + signLen);
  if (pad > 0 && !left && !zero) p = fill(p, pad, ' ');
  if (negative) *p++ = '-';
  if (pad > 0 && !left && zero) p = fill(p, pad, '0');
  p = copyText(p, body, len);
  if (pad > 0 && left) p = fill(p, pad, ' ');
  return p;
}

// Room of a number conversion: its width or 20 digits and a sign.
size_t numberRoom(int width) { return static_cast<size_t>(width > 21 ? width : 21); }
// Room of a conversion done by snprintf: the longest double in %f is 309
// digits, a sign and a point before the precision.
size_t delegateRoom(int width, int precision) {
  return static_cast<size_t>(width > 0 ? width : 0) + static_cast<size_t>(precision > 0 ? precision : 6) + 330;
}

}  // namespace

LineFormat::LineFormat(const std::string& text) : text_(text) {
  const size_t n = text_.size();
  size_t lit = 0, i = 0;
  auto literal = [&](size_t end) {
    if (end > lit) {
      Piece p{};
      p.type = Piece::Literal;
      p.begin = static_cast<uint32_t>(lit);
      p.size = static_cast<uint32_t>(end - lit);
      pieces_.push_back(p);
    }
  };
  while (i < n) {
    if (text_[i] != '%') {
      ++i;
      continue;
    }
    literal(i);
    const size_t start = i++;
    if (i < n && text_[i] == '%') {  // "%%": the "%" is kept as the start of the next literal
      lit = i++;
      continue;
    }
    Piece p{};
    bool plain = true;  // no flag but '-' and '0', no precision on numbers
    while (i < n && isFlag(text_[i])) {
      if (text_[i] == '-')
        p.left = true;
      else if (text_[i] == '0')
        p.zero = true;
      else
        plain = false;
      ++i;
    }
    if (i < n && (text_[i] == '*' || text_[i] == '$')) supported_ = false;
    while (i < n && text_[i] >= '0' && text_[i] <= '9') {
      p.width = (p.width < 0 ? 0 : p.width) * 10 + (text_[i] - '0');
      if (p.width > 4096) supported_ = false;
      ++i;
    }
    if (i < n && text_[i] == '.') {
      ++i;
      p.precision = 0;
      if (i < n && text_[i] == '*') supported_ = false;
      while (i < n && text_[i] >= '0' && text_[i] <= '9') {
        p.precision = p.precision * 10 + (text_[i] - '0');
        if (p.precision > 4096) supported_ = false;
        ++i;
      }
    }
    if (i < n && text_[i] == '$') supported_ = false;
    if (i < n && (text_[i] == 'h' || text_[i] == 'l')) {
      char c = text_[i++];
      p.length = c;
      if (i < n && text_[i] == c) {
        p.length = c == 'h' ? 'H' : 'L';
        ++i;
      }
    } else if (i < n && (text_[i] == 'L' || text_[i] == 'q' || text_[i] == 'j' || text_[i] == 'z' || text_[i] == 't')) {
      p.length = text_[i] == 'q' ? 'L' : text_[i];
      ++i;
    }
    if (i >= n) {  // a conversion cut off by the end: kept as text
      lit = start;
      break;
    }
    p.conv = text_[i++];
    p.begin = static_cast<uint32_t>(start);
    p.size = static_cast<uint32_t>(i - start);
    if (p.size > 48) supported_ = false;  // longer than any sound conversion
    switch (p.conv) {
      case 'd':
      case 'i':
        p.type = plain && p.precision < 0 ? Piece::Dec : Piece::Delegate;
        break;
      case 'u':
        p.type = plain && p.precision < 0 ? Piece::Unsigned : Piece::Delegate;
        break;
      case 'x':
      case 'X':
        p.type = plain && p.precision < 0 ? Piece::Hex : Piece::Delegate;
        p.upper = p.conv == 'X';
        break;
      case 'c':
        p.type = Piece::Char;
        break;
      case 's':
        p.type = Piece::Text;
        break;
      case 'o': case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A': case 'p':
        p.type = Piece::Delegate;
        break;
      case 'n':  // would write through an argument: prints nothing and takes its argument
        p.type = Piece::Literal;
        p.size = 0;
        p.conv = 'n';
        break;
      default:  // unknown: the text as it stands, no argument
        p.type = Piece::Literal;
        p.conv = 0;
        break;
    }
    pieces_.push_back(p);
    lit = i;
  }
  literal(n);
  text_.append(kSlack, '\0');
  // The steps: each literal joined to the conversion behind it.
  Step step;
  bool pending = false;  // step holds a literal not yet stored
  for (size_t k = 0; k < pieces_.size(); ++k) {
    const Piece& p = pieces_[k];
    if (p.type == Piece::Literal && p.conv != 'n') {
      if (pending) steps_.push_back(step);
      step = Step{};
      step.begin = p.begin;
      step.size = p.size;
      pending = true;
      continue;
    }
    if (!pending) step = Step{};
    if (p.type == Piece::Literal) {
      step.kind = Step::Skip;  // "%n": takes its argument, prints nothing
    } else if (p.type == Piece::Hex && p.zero && !p.left && p.width == 8 && p.length == 0) {
      step.kind = Step::Hex8;
      step.upper = p.upper;
    } else if (p.type == Piece::Dec && p.zero && !p.left && p.width >= 1 && p.width <= 9) {
      step.kind = Step::DecZero;
      step.width = p.width;
      step.limit = 1;
      for (int d = 0; d < p.width; ++d) step.limit *= 10;
    } else if (p.type == Piece::Dec && !p.zero && !p.left && p.width <= static_cast<int>(kSlack)) {
      step.kind = Step::DecRight;
      step.width = p.width < 0 ? 0 : p.width;
    } else if (p.type == Piece::Text && !p.left && p.precision < 0 && p.width <= static_cast<int>(kSlack)) {
      step.kind = Step::TextRight;
      step.width = p.width < 0 ? 0 : p.width;
    } else {
      step.kind = Step::Convert;
    }
    step.piece = static_cast<uint32_t>(k);
    steps_.push_back(step);
    ++conversions_;
    pending = false;
  }
  if (pending) steps_.push_back(step);
  fixed_ = kSlack;
  for (const Piece& p : pieces_) {
    switch (p.type) {
      case Piece::Literal: fixed_ += p.size; break;
      case Piece::Dec: case Piece::Unsigned: case Piece::Hex: fixed_ += numberRoom(p.width); break;
      case Piece::Char: fixed_ += static_cast<size_t>(p.width > 1 ? p.width : 1); break;
      // The padding, and room for "(null)" when the argument is no text
      // (a text argument's length is added by bound()).
      case Piece::Text: fixed_ += static_cast<size_t>(p.width > 0 ? p.width : 0) + 6; break;
      case Piece::Delegate: fixed_ += delegateRoom(p.width, p.precision); break;
    }
  }
}

char* LineFormat::write(char* out, const FmtArg* args, size_t count) const {
  if (count < conversions_) return writePieces(out, args, count);
  const char* text = text_.data();
  for (const Step& s : steps_) {
    out = copyPiece(out, text + s.begin, s.size);
    switch (s.kind) {
      case Step::None:
        break;
      case Step::Hex8: {
        // "%08X" of an int: always eight digits, four byte pairs.
        const auto& pairs = kHexPairs.pair[s.upper ? 1 : 0];
        const uint32_t v = static_cast<uint32_t>(unsignedOf(*args++, 0));
        std::memcpy(out, pairs[v >> 24], 2);
        std::memcpy(out + 2, pairs[(v >> 16) & 0xFFu], 2);
        std::memcpy(out + 4, pairs[(v >> 8) & 0xFFu], 2);
        std::memcpy(out + 6, pairs[v & 0xFFu], 2);
        out += 8;
        break;
      }
      case Step::DecZero: {
        // "%04ld" and the like of a number that fills its width: the
        // digits alone, two at a time from the end.
        const long long v = signedOf(*args, pieces_[s.piece].length);
        if (v < 0) {
          out = convert(out, pieces_[s.piece], *args++);
          break;
        }
        if (static_cast<unsigned long long>(v) >= s.limit) {  // wider than the field: no padding
          ++args;
          char buf[24];
          char* const end = buf + sizeof buf;
          const char* d = decimal(end, static_cast<unsigned long long>(v));
          out = copyText(out, d, static_cast<size_t>(end - d));
          break;
        }
        ++args;
        uint32_t w = static_cast<uint32_t>(v);
        char* p = out + s.width;
        for (int left = s.width; left > 1; left -= 2) {
          p -= 2;
          std::memcpy(p, kPairs + 2 * (w % 100), 2);
          w /= 100;
        }
        if (p > out) *out = static_cast<char>('0' + w);
        out += s.width;
        break;
      }
      case Step::DecRight: {
        // "%ld", "%16d" and the like: the number (with its sign) at the end
        // of the blanks of its field.
        const long long v = signedOf(*args++, pieces_[s.piece].length);
        char buf[24];
        char* const end = buf + sizeof buf;
        char* d = decimal(end, v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v));
        if (v < 0) *--d = '-';
        const size_t len = static_cast<size_t>(end - d);
        if (len < static_cast<size_t>(s.width)) {
          std::memcpy(out, kBlanks, kSlack);
          out += static_cast<size_t>(s.width) - len;
        }
        out = copyText(out, d, len);
        break;
      }
      case Step::TextRight: {
        // "%s" as it is; "%16s" and the like of a text no longer than the
        // width: blanks, then the text at the end of the field.
        const FmtArg& a = *args;
        if (a.kind == FmtArg::Str && a.s && s.width == 0) {  // "%s"
          ++args;
          out = copyText(out, a.s, a.len);
          break;
        }
        if (a.kind != FmtArg::Str || !a.s || a.len > static_cast<size_t>(s.width)) {
          out = convert(out, pieces_[s.piece], *args++);
          break;
        }
        ++args;
        std::memcpy(out, kBlanks, kSlack);
        copyText(out + s.width - a.len, a.s, a.len);
        out += s.width;
        break;
      }
      case Step::Skip:
        ++args;
        break;
      case Step::Convert:
        out = convert(out, pieces_[s.piece], *args++);
        break;
    }
  }
  return out;
}

char* LineFormat::writePieces(char* out, const FmtArg* args, size_t count) const {
  size_t next = 0;
  for (const Piece& p : pieces_) {
    if (p.type == Piece::Literal) {
      out = copyPiece(out, text_.data() + p.begin, p.size);
      if (p.conv == 'n' && next < count) ++next;
      continue;
    }
    if (next >= count) continue;  // more conversions than arguments
    out = convert(out, p, args[next++]);
  }
  return out;
}

char* LineFormat::convert(char* out, const Piece& p, const FmtArg& a) const {
  char buf[32];
  char* end = buf + sizeof buf;
  switch (p.type) {
    case Piece::Dec: {
      long long v = signedOf(a, p.length);
      unsigned long long m = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
      char* d = decimal(end, m);
      return field(out, v < 0, d, static_cast<size_t>(end - d), p.width, p.left, p.zero);
    }
    case Piece::Unsigned:
    case Piece::Hex: {
      const unsigned long long v = unsignedOf(a, p.length);
      char* d = p.type == Piece::Hex ? hexadecimal(end, v, p.upper) : decimal(end, v);
      return field(out, false, d, static_cast<size_t>(end - d), p.width, p.left, p.zero);
    }
    case Piece::Char: {
      char c = static_cast<char>(static_cast<unsigned char>(signedOf(a, 0)));
      return field(out, false, &c, 1, p.width, p.left, false);
    }
    case Piece::Text: {
      const char* s = a.kind == FmtArg::Str && a.s ? a.s : "(null)";
      size_t len = a.kind == FmtArg::Str ? a.len : 6;
      if (p.precision >= 0 && len > static_cast<size_t>(p.precision)) len = static_cast<size_t>(p.precision);
      return field(out, false, s, len, p.width, p.left, false);
    }
    case Piece::Delegate:
      return delegate(out, delegateRoom(p.width, p.precision), p, &a);
    case Piece::Literal:
      break;
  }
  return out;
}

void LineFormat::append(std::string& out, const FmtArg* args, size_t count) const {
  std::vector<char> room(bound(args, count));
  char* end = write(room.data(), args, count);
  out.append(room.data(), static_cast<size_t>(end - room.data()));
}

char* LineFormat::delegate(char* out, size_t room, const Piece& p, const FmtArg* a) const {
  // The conversion's own text with its length modifier replaced by the one
  // of the value passed.
  char spec[64];
  size_t len = p.size - 1 < sizeof spec - 4 ? p.size - 1 : sizeof spec - 4;
  std::memcpy(spec, text_.data() + p.begin, len);
  while (len > 1 && std::strchr("hlLqjzt", spec[len - 1])) --len;
  int n = 0;
  switch (p.conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      spec[len++] = 'l';
      spec[len++] = 'l';
      spec[len++] = p.conv;
      spec[len] = 0;
      n = p.conv == 'd' || p.conv == 'i' ? std::snprintf(out, room, spec, signedOf(*a, p.length))
                                         : std::snprintf(out, room, spec, unsignedOf(*a, p.length));
      break;
    case 'p':
      spec[len++] = 'p';
      spec[len] = 0;
      n = std::snprintf(out, room, spec, reinterpret_cast<void*>(static_cast<uintptr_t>(unsignedOf(*a, 'L'))));
      break;
    default: {  // floating point, in the "C" locale
      spec[len++] = p.conv;
      spec[len] = 0;
      plat::num::CLocaleScope cLocale;
      n = std::snprintf(out, room, spec, a->kind == FmtArg::Dbl ? a->d : 0.0);
      break;
    }
  }
  if (n <= 0) return out;
  return out + (static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room - 1);
}

}  // namespace cg
