#include "scanner.h"

namespace exprparser {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Characters that end a misspelt operand word.
bool isDelimiter(char c) {
  switch (c) {
    case '\0': case ' ': case '\t': case '\n': case '\r':
    case '(': case ')': case '*': case '+': case '-': case '/': case '=':
      return true;
    default:
      return false;
  }
}

}  // namespace

// The number of an operand: "0" alone, or a digit 1..9 and every digit after
// it (the value stops growing past the upper bound), or "?" in generation mode.
bool Scanner::readIndex(uint32_t upperBound, uint32_t& value) {
  char c = peek();
  if (c == '0') {
    ++pos_;
    value = 0;
    return true;
  }
  if (c == '?' && mode_.generation) {
    ++pos_;
    value = 0;
    return true;
  }
  if (c < '1' || c > '9') return false;
  value = 0;
  while (isDigit(peek())) {
    if (value <= upperBound) value = value * 10 + uint32_t(peek() - '0');
    ++pos_;
  }
  return true;
}

void Scanner::skipWord() {
  while (!isDelimiter(peek())) ++pos_;
}

Token Scanner::var(size_t start, int cls, uint32_t index, uint32_t lowest, uint32_t highest) {
  Token t;
  t.code = T_VAR;
  t.text = std::string(text_.substr(start, pos_ - start));
  if (mode_.generation) lowest = 0;
  // An index out of range is reported; the operand keeps its class so that
  // no further message follows for it.
  if (index < lowest || index > highest) errors_.error(kInvalidVariable, t.text);
  t.cls = cls;
  t.index = index;
  return t;
}

Token Scanner::badWord(size_t start) {
  skipWord();
  Token t;
  t.code = T_VAR;
  t.text = std::string(text_.substr(start, pos_ - start));
  errors_.error(kUnknownIdentifier, t.text);
  return t;
}

Token Scanner::next() {
  for (;;) {
    if (ended_) return Token{};
    char c = peek();
    if (c == '\0') {
      ended_ = true;
      return Token{};
    }
    size_t start = pos_;
    Token t;
    switch (c) {
      case ' ': case '\t': case '\n': case '\r':
        ++pos_;
        continue;
      case '(': ++pos_; t.code = T_LPAREN; return t;
      case ')': ++pos_; t.code = T_RPAREN; return t;
      case '*': ++pos_; t.code = T_TIMES; return t;
      case '+': ++pos_; t.code = T_PLUS; return t;
      case '-': ++pos_; t.code = T_MINUS; return t;
      case '/': ++pos_; t.code = T_DIVIDE; return t;
      case '=':
        ++pos_;
        t.code = mode_.condition ? T_EQUAL : T_ASSIGN;
        return t;
      case '<': case '>':
        if (!mode_.condition) break;
        ++pos_;
        if (peek() == '=') {
          ++pos_;
          t.code = c == '<' ? T_LWEQUAL : T_GREQUAL;
        } else {
          t.code = c == '<' ? T_LOWER : T_GREATER;
        }
        return t;
      default:
        break;
    }
    if (c == '0') {
      ++pos_;
      t.code = T_INT;
      return t;
    }
    if (c >= '1' && c <= '9') {
      int32_t value = 0;
      bool over = false;
      while (isDigit(peek())) {
        if (!over) {
          value = value * 10 + (peek() - '0');
          if (value > 32767) over = true;
        }
        ++pos_;
      }
      t.code = T_INT;
      if (over) {
        errors_.error(kNumberRange, std::string(text_.substr(start, pos_ - start)));
        value = 0;
      }
      t.value = value;
      return t;
    }
    char u = upper(c);
    if (u == 'E') {
      ++pos_;
      uint32_t n = 0;
      if (mode_.condition && readIndex(48, n)) return var(start, kDigitalInput, n, 1, 48);
      char d = upper(peek());
      if (d >= 'A' && d <= 'D') {
        ++pos_;
        return var(start, kAnalogue, uint32_t(d - 'A' + 1), 1, 4);
      }
      if (d == 'X' || d == 'Y') {
        ++pos_;
        (d == 'X' ? usesEX_ : usesEY_) = true;
        return var(start, kAnalogueXY, d == 'X' ? 1u : 2u, 1, 2);
      }
      return badWord(start);
    }
    if (u == 'V') {
      ++pos_;
      uint32_t n = 0;
      if (readIndex(99, n)) return var(start, kVariable, n, 1, 99);
      if (upper(peek()) == 'A' && upper(peek(1)) == 'R') {
        pos_ += 2;
        if (readIndex(99, n)) return var(start, kVariable, n, 1, 99);
      }
      return badWord(start);
    }
    if (u == 'Z') {
      ++pos_;
      uint32_t n = 0;
      if (readIndex(16, n)) return var(start, kCounter, n, 1, 16);
      return badWord(start);
    }
    if (isLetter(c)) {
      std::string word;
      while (isLetter(peek())) word += upper(text_[pos_++]);
      if (mode_.condition) {
        if (word == "AND") { t.code = T_AND; return t; }
        if (word == "OR") { t.code = T_OR; return t; }
        if (word == "NOT") { t.code = T_NOT; return t; }
        if (word == "TRUE") { t.code = T_TRUE; return t; }
        if (word == "FALSE") { t.code = T_FALSE; return t; }
      }
      // An unknown word ends the text here.
      errors_.error(kUnknownIdentifier, word);
      ended_ = true;
      return Token{};
    }
    errors_.error(kUnknownCharacter, std::string(1, c));
    ++pos_;
  }
}

}  // namespace exprparser
