#pragma once
// The grammar of the target program text, with its error recovery: each
// reduction calls a semantic action of the Emitter.
#include "emitter.h"
#include "scanner.h"

namespace cg {

class Parser {
public:
  Parser(Scanner& scanner, Emitter& emitter, Messages& msgs) : sc_(scanner), em_(emitter), msgs_(msgs) {}
  // Parses the whole text.
  void parse();

private:
  void advance() { sc_.next(tok_); }
  void syntaxError() { msgs_.report(37, tok_.line); }
  void skipBlanks() {
    while (tok_.code == T_NL) advance();
  }
  void skipLine();  // up to and including the next line end
  bool task();      // false: the parse ends (end of file inside a task)
  bool taskHeader(uint32_t& cycle, uint32_t& number);
  bool call();
  bool operandLine();
  void readFile();
  bool script();
  bool mark();
  bool definition();
  bool value(Value& v);

  Scanner& sc_;
  Emitter& em_;
  Messages& msgs_;
  Token tok_;
};

}  // namespace cg
