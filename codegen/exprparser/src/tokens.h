#pragma once
// Token codes of the formula and condition language (terminals of the
// grammar) and the token the scanner hands to the parser.
#include <cstdint>
#include <string>

namespace exprparser {

enum Tok : int {
  T_END = 0,   // end of the text
  T_ERROR,     // the parser's error token
  T_VAR,       // an operand: V1, VAR1, Z1, EA..ED, EX, EY, E1 (class and index)
  T_INT,       // 0 .. 32767
  T_TRUE,
  T_FALSE,
  T_OR,
  T_AND,
  T_NOT,
  T_EQUAL,     // "=" in conditions
  T_GREATER,
  T_LOWER,
  T_GREQUAL,
  T_LWEQUAL,
  T_ASSIGN,    // "=" in formulas
  T_PLUS,
  T_MINUS,
  T_TIMES,
  T_DIVIDE,
  T_LPAREN,
  T_RPAREN,
  T_COUNT
};

// Operand classes of T_VAR.
enum VarClass : int {
  kNoClass = 0,       // an operand the scanner could not read (an error was recorded)
  kVariable = 1,      // V1..V99, VAR1..VAR99
  kCounter = 2,       // Z1..Z16
  kAnalogue = 3,      // EA..ED
  kAnalogueXY = 4,    // EX, EY
  kDigitalInput = 5,  // E1..E48 (conditions)
};

struct Token {
  int code = T_END;
  int cls = kNoClass;      // T_VAR
  uint32_t index = 0;      // T_VAR
  int value = 0;           // T_INT
  std::string text;        // T_VAR: as typed
};

}  // namespace exprparser
