#include "parser.h"

namespace cg {
namespace {

bool bodyStart(int c) { return c == T_FUNC || c == T_NEWSCRIPT || c == T_MARKE || c == T_DEFVAR; }

}  // namespace

void Parser::skipLine() {
  while (tok_.code != T_NL && tok_.code != T_EOF) advance();
  if (tok_.code == T_NL) advance();
}

void Parser::parse() {
  advance();
  skipBlanks();
  if (tok_.code == T_EOF) {
    syntaxError();
    return;
  }
  while (tok_.code != T_EOF) {
    bool ok;
    if (tok_.code == T_BEGIN) {
      if (!task()) return;
      continue;
    }
    if (tok_.code == T_DEFVAR) {
      ok = definition();
    } else {
      syntaxError();
      ok = false;
    }
    if (!ok) {
      // Discard input up to the next item.
      while (tok_.code != T_BEGIN && tok_.code != T_DEFVAR && tok_.code != T_EOF) advance();
    }
  }
}

bool Parser::taskHeader(uint32_t& cycle, uint32_t& number) {
  uint32_t nums[2] = {0, 0};
  if (tok_.code != T_NL) return false;
  advance();
  for (uint32_t& n : nums) {
    if (tok_.code == T_ID) advance();
    if (tok_.code != T_COLON) return false;
    advance();
    if (tok_.code != T_INT) return false;
    n = tok_.num;
    advance();
    if (tok_.code != T_NL) return false;
    advance();
  }
  cycle = nums[0];
  number = nums[1];
  return true;
}

bool Parser::task() {
  const uint32_t line = tok_.line;
  advance();
  uint32_t cycle = 0, number = 0;
  if (!taskHeader(cycle, number)) {
    // "&BEG" with anything wrong up to the line end: a task of numbers 0.
    syntaxError();
    skipLine();
    cycle = number = 0;
  }
  skipBlanks();
  em_.taskBegin(line, cycle, number);

  while (tok_.code != T_END) {
    if (tok_.code == T_EOF) {
      syntaxError();
      return false;
    }
    bool ok;
    switch (tok_.code) {
      case T_FUNC: ok = call(); break;
      case T_NEWSCRIPT: ok = script(); break;
      case T_MARKE: ok = mark(); break;
      case T_DEFVAR: ok = definition(); break;
      default:
        syntaxError();
        ok = false;
        break;
    }
    if (!ok) {
      while (!bodyStart(tok_.code) && tok_.code != T_END && tok_.code != T_EOF) advance();
      if (tok_.code == T_EOF) return false;
    }
  }

  const uint32_t endLine = tok_.line;
  advance();
  uint32_t endNumber = 0;
  bool ok = false;
  if (tok_.code == T_NL) {
    advance();
    if (tok_.code == T_ID) advance();
    if (tok_.code == T_COLON) {
      advance();
      if (tok_.code == T_INT) {
        endNumber = tok_.num;
        advance();
        if (tok_.code == T_NL) {
          advance();
          ok = true;
        } else {
          syntaxError();
          msgs_.report(28, tok_.line);
          ok = true;  // a task end with that number
          while (tok_.code != T_NL && tok_.code != T_BEGIN && tok_.code != T_DEFVAR && tok_.code != T_EOF)
            advance();
        }
      }
    }
  }
  if (!ok) {
    syntaxError();
    endNumber = 0;
    while (tok_.code != T_NL && tok_.code != T_BEGIN && tok_.code != T_DEFVAR && tok_.code != T_EOF) advance();
  }
  em_.taskEnd(endLine, endNumber);
  skipBlanks();
  em_.enterTask();
  return true;
}

bool Parser::call() {
  const uint32_t line = tok_.line;
  const std::string name = tok_.text;
  advance();
  if (tok_.code != T_NL) {
    syntaxError();
    return false;
  }
  advance();
  if (tok_.code == T_NL) {
    skipBlanks();
    em_.call(line, name);
    return true;
  }
  while (tok_.code == T_ID || tok_.code == T_COLON || tok_.code == T_VAR) {
    if (!operandLine()) {
      em_.dropPending();
      return false;
    }
  }
  if (tok_.code == T_READBIN) readFile();
  em_.call(line, name);
  return true;
}

bool Parser::operandLine() {
  if (tok_.code == T_ID) advance();
  const uint32_t line = tok_.line;
  if (tok_.code == T_VAR) {
    Token v = tok_;
    advance();
    if (tok_.code == T_NL) {
      em_.opVariable(line, v.text, v.index, v.bit);
      advance();
      skipBlanks();
      return true;
    }
  } else if (tok_.code == T_COLON) {
    advance();
    bool negative = false;
    if (tok_.code == T_MINUS) {
      negative = true;
      advance();
    }
    Token v = tok_;
    bool valid = v.code == T_INT || v.code == T_FLOAT ||
                 (!negative && (v.code == T_BIN || v.code == T_HEX || v.code == T_MARKE));
    if (valid) {
      advance();
      if (tok_.code == T_NL) {
        switch (v.code) {
          case T_INT: em_.opInteger(line, v.num, negative); break;
          case T_FLOAT: em_.opFloat(line, v.dbl, negative); break;
          case T_BIN: em_.opBinary(line, v.text); break;
          case T_HEX: em_.opHex(line, v.text); break;
          default: em_.opMark(line, v.text); break;
        }
        advance();
        skipBlanks();
        return true;
      }
    }
  } else {
    syntaxError();
    return false;
  }
  // A colon followed by no valid operand.
  syntaxError();
  msgs_.report(22, tok_.line);
  skipLine();
  skipBlanks();
  return true;
}

void Parser::readFile() {
  const uint32_t line = tok_.line;
  advance();
  if (tok_.code == T_LPAREN) {
    advance();
    if (tok_.code == T_STRING) {
      std::string path = tok_.text;
      advance();
      if (tok_.code == T_RPAREN) {
        advance();
        if (tok_.code == T_NL) {
          advance();
          skipBlanks();
          em_.opFile(line, path);
          return;
        }
      }
    }
  }
  // The file command with anything but "(" string ")" is ignored.
  syntaxError();
  skipLine();
  skipBlanks();
}

bool Parser::script() {
  const uint32_t line = tok_.line;
  const uint32_t number = tok_.num;
  advance();
  if (tok_.code != T_NL) {
    syntaxError();
    return false;
  }
  advance();
  skipBlanks();
  em_.script(line, number);
  return true;
}

bool Parser::mark() {
  const uint32_t line = tok_.line;
  const std::string name = tok_.text;
  advance();
  if (tok_.code != T_NL) {
    syntaxError();
    return false;
  }
  advance();
  skipBlanks();
  em_.mark(line, name);
  return true;
}

bool Parser::value(Value& v) {
  bool negative = false;
  if (tok_.code == T_MINUS) {
    negative = true;
    advance();
  }
  switch (tok_.code) {
    case T_INT:
      v.kind = Value::Int;
      v.num = tok_.num;
      v.negative = negative;
      advance();
      return true;
    case T_FLOAT:
      v.kind = Value::Float;
      v.dbl = tok_.dbl;
      v.negative = negative;
      advance();
      return true;
    default:
      break;
  }
  if (negative) return false;
  switch (tok_.code) {
    case T_BIN: v.kind = Value::Bin; break;
    case T_HEX: v.kind = Value::Hex; break;
    case T_STRING: v.kind = Value::String; break;
    case T_FILEDATA: v.kind = Value::File; break;
    default: return false;
  }
  v.text = tok_.text;
  advance();
  if (v.kind != Value::File || tok_.code != T_COMMA) return true;
  advance();
  if (tok_.code != T_INT) return false;
  v.a = tok_.num;
  advance();
  if (tok_.code != T_COMMA) return false;
  advance();
  if (tok_.code != T_INT) return false;
  v.b = tok_.num;
  v.kind = Value::FileSplit;
  advance();
  return true;
}

bool Parser::definition() {
  const uint32_t line = tok_.line;
  const Token d = tok_;
  advance();
  Value v;
  if (tok_.code == T_NL) {
    advance();
    skipBlanks();
    em_.definition(line, d.text, d.index, d.bit, v);
    return true;
  }
  if (tok_.code != T_EQ) {
    syntaxError();
    return false;
  }
  advance();
  if (value(v) && tok_.code == T_NL) {
    advance();
    skipBlanks();
    em_.definition(line, d.text, d.index, d.bit, v);
    return true;
  }
  // "=" followed by no valid value: the variable is only looked up.
  syntaxError();
  msgs_.report(21, tok_.line);
  skipLine();
  skipBlanks();
  em_.definition(line, d.text, d.index, d.bit, Value{});
  return true;
}

}  // namespace cg
