#pragma once
// Scanner of the target program text: one token per call, with the current
// source name and line number (a ";#f='name'" comment line switches both).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"

namespace cg {

enum Tok : int {
  T_EOF = 0,
  T_NL = 10,
  T_LPAREN = '(',
  T_RPAREN = ')',
  T_COMMA = ',',
  T_MINUS = '-',
  T_COLON = ':',
  T_EQ = '=',
  T_BEGIN = 258,
  T_END = 259,
  T_ID = 260,
  T_INT = 261,
  T_FUNC = 262,
  T_MARKE = 263,
  T_VAR = 264,
  T_HEX = 265,
  T_BIN = 266,
  T_FLOAT = 267,
  T_DEFVAR = 268,
  T_READBIN = 269,
  T_STRING = 270,
  T_NEWSCRIPT = 271,
  T_FILEDATA = 272,
};

struct Token {
  int code = T_EOF;
  uint32_t line = 0;
  std::string text;    // names, digit texts, strings
  uint32_t num = 0;    // INT, NEWSCRIPT
  double dbl = 0;      // FLOAT
  long index = 0;      // VAR, DEFVAR
  int bit = -1;        // VAR, DEFVAR
};

class Scanner {
public:
  // Called at a source switch with the previous and the new source name.
  using SwitchFn = std::function<void(const std::string& previous, const std::string& next)>;

  explicit Scanner(Messages& msgs) : msgs_(msgs) {}
  ~Scanner() { close(); }
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // 0 opened, 9 the file cannot be opened.
  int open(const std::string& path);
  // Scans text held in memory (the caller keeps it alive).
  void openMemory(std::string_view text, const std::string& name);
  void close();
  void onSwitch(SwitchFn f) { switch_ = std::move(f); }

  // The next token into t; returns its code (0 at the end).
  int next(Token& t);

  const std::string& sourceName() const { return source_; }
  uint32_t line() const { return line_; }

private:
  int peek() {
    if (pos_ < len_) return static_cast<unsigned char>(buf_[pos_]);
    return refillPeek();
  }
  void advance() {
    if (pos_ < len_) ++pos_;
  }
  int get() {
    int c = peek();
    advance();
    return c;
  }
  int refillPeek();
  void skipBlanks() {
    for (int c = peek(); c == ' ' || c == '\t' || c == '\r'; c = peek()) advance();
  }
  void collectName(std::string& s, bool underscore);
  bool varSuffix(Token& t);  // "." and a bit digit; false: token dropped
  void splitIndex(Token& t);
  void comment();
  void number(Token& t, int first);

  Messages& msgs_;
  SwitchFn switch_;
  std::FILE* f_ = nullptr;
  std::vector<char> store_;
  const char* buf_ = nullptr;
  size_t pos_ = 0, len_ = 0;
  bool eof_ = true, readError_ = false;
  bool skip_ = false;
  std::string source_, path_;
  uint32_t line_ = 1;
};

}  // namespace cg
