#include "scanner.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace cg {
namespace {

bool isLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isHex(int c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
// Digits of a number without its leading zeros.
size_t significantDigits(const std::string& digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? 0 : digits.size() - first;
}
constexpr size_t kChunk = 1 << 16;

}  // namespace

int Scanner::open(const std::string& path) {
  close();
  f_ = std::fopen(path.c_str(), "rb");
  if (!f_) return 9;
  store_.resize(kChunk);
  buf_ = store_.data();
  pos_ = len_ = 0;
  eof_ = false;
  readError_ = false;
  source_ = path_ = path;
  line_ = 1;
  skip_ = false;
  return 0;
}

void Scanner::openMemory(std::string_view text, const std::string& name) {
  close();
  buf_ = text.data();
  pos_ = 0;
  len_ = text.size();
  eof_ = true;
  readError_ = false;
  source_ = path_ = name;
  line_ = 1;
  skip_ = false;
}

void Scanner::close() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
  store_.clear();
  store_.shrink_to_fit();
  buf_ = nullptr;
  pos_ = len_ = 0;
  eof_ = true;
}

int Scanner::refillPeek() {
  if (eof_ || !f_) return EOF;
  size_t n = std::fread(store_.data(), 1, store_.size(), f_);
  if (n == 0) {
    eof_ = true;
    if (std::ferror(f_)) readError_ = true;
    return EOF;
  }
  buf_ = store_.data();
  pos_ = 0;
  len_ = n;
  return static_cast<unsigned char>(buf_[0]);
}

void Scanner::collectName(std::string& s, bool underscore) {
  // The characters of the name within the buffer are taken in one piece;
  // a name running on past the buffer's end continues after the refill.
  for (;;) {
    const size_t start = pos_;
    while (pos_ < len_) {
      const int c = static_cast<unsigned char>(buf_[pos_]);
      if (!(isLetter(c) || isDigit(c) || (underscore && c == '_'))) break;
      ++pos_;
    }
    s.append(buf_ + start, pos_ - start);
    if (pos_ < len_) return;
    const int c = peek();  // refills
    if (!(isLetter(c) || isDigit(c) || (underscore && c == '_'))) return;
  }
}

bool Scanner::varSuffix(Token& t) {
  t.bit = -1;
  if (peek() != '.') return true;
  advance();
  int c = peek();
  if (c >= '0' && c <= '7') {
    t.bit = c - '0';
    advance();
    return true;
  }
  // A "." without a bit digit drops the token; the character after the "."
  // is read as the start of the next token.
  return false;
}

void Scanner::splitIndex(Token& t) {
  size_t end = t.text.size(), start = end;
  while (start > 0 && isDigit(static_cast<unsigned char>(t.text[start - 1]))) --start;
  uint64_t idx = 0;
  for (size_t i = start; i < end; ++i) {
    idx = idx * 10 + static_cast<uint64_t>(t.text[i] - '0');
    if (idx > 0x7FFFFFFFull) idx = 0x7FFFFFFFull + 1;  // far beyond every area
  }
  t.index = static_cast<long>(idx > 0x7FFFFFFFull ? 0x7FFFFFFFull : idx);
  t.text.resize(start);
}

void Scanner::comment() {
  // The rest of the line is a comment; ";#f='name'" switches the source.
  skip_ = true;
  std::string_view body;
  std::string held;
  const void* nl = pos_ < len_ ? std::memchr(buf_ + pos_, '\n', len_ - pos_) : nullptr;
  if (nl) {
    // The whole comment lies in the buffer: looked at where it is.
    const size_t n = static_cast<size_t>(static_cast<const char*>(nl) - (buf_ + pos_));
    body = std::string_view(buf_ + pos_, n);
    pos_ += n;
  } else {
    for (int c = peek(); c != EOF && c != '\n'; c = peek()) {
      held.push_back(static_cast<char>(c));
      advance();
    }
    body = held;
  }
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
  if (body.size() >= 6 && body.compare(0, 4, "#f='") == 0 && body.back() == '\'') {
    std::string name(body.substr(4, body.size() - 5));
    if (!name.empty()) {
      std::string prev = source_;
      if (switch_) switch_(prev, name);
      source_ = name;
      line_ = 0;
    }
  }
}

void Scanner::number(Token& t, int first) {
  std::string digits(1, static_cast<char>(first));
  uint64_t v = static_cast<uint64_t>(first - '0');
  bool overflow = false;
  if (first != '0') {
    for (int c = peek(); isDigit(c); c = peek()) {
      digits.push_back(static_cast<char>(c));
      if (!overflow) {
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > 0xFFFFFFFFull) overflow = true;
      }
      advance();
    }
  }
  int c = peek();
  if (c != '.' && c != 'E' && c != 'e') {
    t.code = T_INT;
    t.text = digits;
    if (overflow) {
      // A number beyond 32 bits is refused, not cut to its leading digits.
      msgs_.report(16, line_);
      v = 0xFFFFFFFFull;
    }
    t.num = static_cast<uint32_t>(v);
    return;
  }
  std::string text = digits;
  if (c == '.') {
    advance();
    text.push_back('.');
    if (!isDigit(peek())) {
      msgs_.report(11, line_);
      goto done;
    }
    for (c = peek(); isDigit(c); c = peek()) {
      text.push_back(static_cast<char>(c));
      advance();
    }
    c = peek();
  }
  if (c == 'E' || c == 'e') {
    advance();
    std::string exp = "e";
    c = peek();
    if (c == '-') {
      exp.push_back('-');
      advance();
    } else if (c == '+') {
      advance();
    }
    if (!isDigit(peek())) {
      msgs_.report(12, line_);
      goto done;
    }
    for (c = peek(); isDigit(c); c = peek()) {
      exp.push_back(static_cast<char>(c));
      advance();
    }
    text += exp;
  }
done:
  t.code = T_FLOAT;
  t.text = text;
  {
    double d = 0;
    std::string clean = text;
    if (!clean.empty() && clean.back() == '.') clean.pop_back();
    auto r = std::from_chars(clean.data(), clean.data() + clean.size(), d);
    if (r.ec != std::errc()) d = (r.ec == std::errc::result_out_of_range) ? HUGE_VAL : 0.0;
    t.dbl = d;
  }
}

int Scanner::next(Token& t) {
  t.text.clear();
  t.num = 0;
  t.dbl = 0;
  t.index = 0;
  t.bit = -1;
  for (;;) {
    // Blanks within the buffer: the indentation of a line eight at a time.
    uint64_t eight;
    while (pos_ + 8 <= len_ && (std::memcpy(&eight, buf_ + pos_, 8), eight == 0x2020202020202020ull)) pos_ += 8;
    while (pos_ < len_ && (buf_[pos_] == ' ' || buf_[pos_] == '\t' || buf_[pos_] == '\r')) ++pos_;
    int c = peek();
    t.line = line_;
    if (c == EOF) {
      if (readError_) {
        readError_ = false;
        msgs_.report(15, line_, path_);
      }
      t.code = T_EOF;
      return T_EOF;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      advance();
      continue;
    }
    if (c == '\n') {
      advance();
      skip_ = false;
      ++line_;
      t.code = T_NL;
      return T_NL;
    }
    if (skip_) {
      advance();
      continue;
    }
    advance();
    switch (c) {
      case ';':
        comment();
        continue;
      case '&':
        collectName(t.text, true);
        if (t.text == "BEG") {
          t.code = T_BEGIN;
        } else if (t.text == "END") {
          t.code = T_END;
        } else {
          t.code = T_FUNC;
        }
        return t.code;
      case '#':
        collectName(t.text, true);
        if (!varSuffix(t)) {
          t.text.clear();
          continue;
        }
        splitIndex(t);
        t.code = T_DEFVAR;
        return t.code;
      case ':':
        skipBlanks();
        if (isLetter(peek())) {
          collectName(t.text, false);
          if (!varSuffix(t)) {
            t.text.clear();
            continue;
          }
          splitIndex(t);
          t.code = T_VAR;
          return t.code;
        }
        t.code = T_COLON;
        return t.code;
      case '%': {
        skipBlanks();
        int d = peek();
        if (d == '0' || d == '1') {
          while (peek() == '0' || peek() == '1') t.text.push_back(static_cast<char>(get()));
          // More than 32 bits is refused, not cut to its low digits.
          if (significantDigits(t.text) > 32) msgs_.report(16, line_);
          t.code = T_BIN;
          return t.code;
        }
        if (isLetter(d)) {
          collectName(t.text, true);
          t.code = T_MARKE;
          return t.code;
        }
        msgs_.report(17, line_);
        skip_ = true;
        continue;
      }
      case '$':
        skipBlanks();
        if (isHex(peek())) {
          while (isHex(peek())) t.text.push_back(static_cast<char>(get()));
          if (significantDigits(t.text) > 8) msgs_.report(16, line_);
          t.code = T_HEX;
          return t.code;
        }
        msgs_.report(17, line_);
        skip_ = true;
        continue;
      case '>': {
        skipBlanks();
        if (peek() == 'S') {
          advance();
          if (isDigit(peek())) {
            uint64_t v = 0;
            bool overflow = false;
            while (isDigit(peek())) {
              v = v * 10 + static_cast<uint64_t>(get() - '0');
              if (v > 0xFFFFFFFFull) {
                overflow = true;
                v = 0xFFFFFFFFull;
              }
            }
            if (overflow) msgs_.report(16, line_);
            t.num = static_cast<uint32_t>(v);
            t.code = T_NEWSCRIPT;
            return t.code;
          }
        }
        msgs_.report(16, line_);
        skip_ = true;
        continue;
      }
      case '@': {
        std::string w;
        while (isLetter(peek())) w.push_back(static_cast<char>(std::toupper(get())));
        if (w == "READBINFILE") {
          t.code = T_READBIN;
          return t.code;
        }
        msgs_.report(58, line_, w);
        skip_ = true;
        continue;
      }
      case '"': {
        for (int d = peek(); d != '"' && d != '\n' && d != EOF; d = peek()) {
          t.text.push_back(static_cast<char>(d));
          advance();
        }
        if (peek() == '"') {
          advance();
        } else {
          if (!t.text.empty() && t.text.back() == '\r') t.text.pop_back();
          msgs_.report(13, line_);
        }
        t.code = T_STRING;
        return t.code;
      }
      case '\'': {
        for (int d = peek(); d != '\'' && d != '\n' && d != EOF; d = peek()) {
          t.text.push_back(static_cast<char>(d));
          advance();
        }
        if (peek() == '\'')
          advance();
        else if (!t.text.empty() && t.text.back() == '\r')
          t.text.pop_back();
        t.code = T_FILEDATA;
        return t.code;
      }
      case '(':
      case ')':
      case '=':
      case ',':
      case '-':
        t.code = c;
        return c;
      default:
        break;
    }
    if (isDigit(c)) {
      number(t, c);
      return t.code;
    }
    if (isLetter(c) || c == '_') {
      // A label: everything up to ":" or the line end; its text is dropped.
      for (int d = peek(); d != ':' && d != '\n' && d != EOF; d = peek()) advance();
      t.code = T_ID;
      return t.code;
    }
    msgs_.reportChar(14, line_, static_cast<char>(c));
  }
}

}  // namespace cg
