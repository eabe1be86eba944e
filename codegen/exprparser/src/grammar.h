#pragma once
// The grammar of the formula and condition language and its LALR(1) parse
// table. The table is built once from the rules and the operator precedences
// below, with the conflict resolution and default reductions of the usual
// LALR parser generators, so that the parser detects errors and recovers at
// the same points as a generated parser would.
#include "tokens.h"

#include <array>
#include <vector>

namespace exprparser {

enum NonTerminal : int { N_ACCEPT = T_COUNT, N_FUNCTION, N_EXP, kSymbolCount };

// Rule numbers (0 is the start rule: $accept -> function $end).
enum RuleId : int {
  R_ACCEPT = 0,
  R_ASSIGN = 1,       // function: VAR "=" exp
  R_RECOVER = 2,      // function: error exp
  R_CONDITION = 3,    // function: exp
  R_VAR = 4,          // exp: VAR
  R_INT = 5,
  R_TRUE = 6,
  R_FALSE = 7,
  R_ADD = 8,
  R_SUB = 9,
  R_MUL = 10,
  R_DIV = 11,
  R_NEG = 12,         // exp: "-" exp %prec NEG
  R_EQUAL = 13,
  R_GREATER = 14,
  R_LOWER = 15,
  R_GREQUAL = 16,
  R_LWEQUAL = 17,
  R_NOT = 18,
  R_AND = 19,
  R_OR = 20,
  R_PAREN = 21,       // exp: "(" exp ")"
  R_PAREN_ERROR = 22, // exp: "(" error ")"
  kRuleCount
};

struct Rule {
  int lhs;
  std::vector<int> rhs;
};
const std::vector<Rule>& rules();

struct Action {
  enum Kind : unsigned char { Error, Shift, Reduce, Accept } kind = Error;
  int target = 0;  // Shift: the state; Reduce: the rule
};

struct ParseState {
  std::array<Action, T_COUNT> action{};
  int gotoFunction = -1;
  int gotoExp = -1;
  int defaultRule = -1;        // reduction taken for every token without an action
  bool needsLookahead = true;  // false: reduce by defaultRule without reading a token
};

// The table (built on first use; safe to call from several threads).
const std::vector<ParseState>& parseTable();

}  // namespace exprparser
