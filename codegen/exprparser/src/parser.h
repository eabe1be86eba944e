#pragma once
// The parser: runs the LALR(1) table over the scanner's tokens and calls the
// builder on each reduction. Syntax errors record 1004 (with the usual error
// recovery: three tokens must be shifted after an error before the next one is
// reported); a stack of more than 10000 states records 1005.
#include "builder.h"
#include "scanner.h"

#include <string_view>

namespace exprparser {

struct ParseOutcome {
  bool usesEX = false;
  bool usesEY = false;
};

constexpr size_t kMaxParserStack = 10000;

ParseOutcome parseText(std::string_view text, Mode mode, Builder& builder, ErrorList& errors);

}  // namespace exprparser
