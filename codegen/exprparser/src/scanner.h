#pragma once
// The scanner of the formula and condition language: one token per call.
#include "messages.h"
#include "tokens.h"

#include <string_view>

namespace exprparser {

struct Mode {
  bool condition = false;   // comparisons, AND OR NOT TRUE FALSE and E1..E48 exist
  bool generation = false;  // indices may be 0 and "?" stands for 0
};

class Scanner {
public:
  Scanner(std::string_view text, Mode mode, ErrorList& errors)
      : text_(text), mode_(mode), errors_(errors) {}
  Token next();
  bool usesEX() const { return usesEX_; }
  bool usesEY() const { return usesEY_; }

private:
  char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
  bool readIndex(uint32_t upper, uint32_t& value);
  void skipWord();
  Token var(size_t start, int cls, uint32_t index, uint32_t lowest, uint32_t highest);
  Token badWord(size_t start);

  std::string_view text_;
  size_t pos_ = 0;
  Mode mode_;
  ErrorList& errors_;
  bool ended_ = false;
  bool usesEX_ = false, usesEY_ = false;
};

}  // namespace exprparser
