#include "parser.h"

#include "grammar.h"

#include <utility>
#include <vector>

namespace exprparser {
namespace {

struct StackEntry {
  int state = 0;
  Token token;  // shifted terminals
  Value value;  // reduced nonterminals
};

class Driver {
public:
  Driver(std::string_view text, Mode mode, Builder& b, ErrorList& e)
      : scanner_(text, mode, e), builder_(b), errors_(e), table_(parseTable()) {}

  ParseOutcome run() {
    push(0, Token{}, Value{});
    runLoop();
    // Values left on the stack (after an abort) give their registers back.
    for (auto& entry : stack_) builder_.discard(entry.value);
    return ParseOutcome{scanner_.usesEX(), scanner_.usesEY()};
  }

private:
  bool push(int state, Token tok, Value val) {
    stack_.push_back(StackEntry{state, std::move(tok), std::move(val)});
    if (stack_.size() >= kMaxParserStack) {
      errors_.error(kParserFailure);
      return false;
    }
    return true;
  }

  void runLoop() {
    int errStatus = 0;
    bool haveToken = false;
    Token look;
    for (;;) {
      const ParseState& st = table_[size_t(stack_.back().state)];
      Action act;
      if (!st.needsLookahead) {
        act = Action{Action::Reduce, st.defaultRule};
      } else {
        if (!haveToken) {
          look = scanner_.next();
          haveToken = true;
        }
        act = st.action[size_t(look.code)];
        if (act.kind == Action::Error && st.defaultRule >= 0) act = Action{Action::Reduce, st.defaultRule};
      }
      switch (act.kind) {
        case Action::Accept:
          return;
        case Action::Shift:
          if (errStatus) --errStatus;
          haveToken = false;
          if (!push(act.target, std::move(look), Value{})) return;
          continue;
        case Action::Reduce:
          if (!reduce(act.target)) return;
          continue;
        case Action::Error:
          break;
      }
      // A syntax error.
      if (errStatus == 0) errors_.error(kSyntax);
      if (errStatus == 3) {
        if (look.code == T_END) return;  // nothing left to recover with
        haveToken = false;               // drop the token that does not fit
      }
      errStatus = 3;
      // Pop states until one that shifts the error token.
      for (;;) {
        const ParseState& s = table_[size_t(stack_.back().state)];
        if (s.action[T_ERROR].kind == Action::Shift) {
          if (!push(s.action[T_ERROR].target, Token{}, Value{})) return;
          break;
        }
        if (stack_.size() == 1) return;
        builder_.discard(stack_.back().value);
        stack_.pop_back();
      }
    }
  }

  bool reduce(int rule) {
    const Rule& r = rules()[size_t(rule)];
    const size_t n = r.rhs.size();
    StackEntry* e = &stack_[stack_.size() - n];
    Value result;
    switch (rule) {
      case R_ASSIGN:
        builder_.assignment(e[0].token, std::move(e[2].value), scanner_.usesEX(), scanner_.usesEY());
        break;
      case R_RECOVER:
        builder_.discard(e[1].value);
        break;
      case R_CONDITION:
        builder_.condition(std::move(e[0].value), scanner_.usesEX(), scanner_.usesEY());
        break;
      case R_VAR: result = builder_.var(e[0].token); break;
      case R_INT: result = Builder::intConst(int16_t(e[0].token.value)); break;
      case R_TRUE: result = Builder::boolConstant(true); break;
      case R_FALSE: result = Builder::boolConstant(false); break;
      case R_ADD: case R_SUB: case R_MUL: case R_DIV:
        result = builder_.arith(rule, std::move(e[0].value), std::move(e[2].value));
        break;
      case R_NEG: result = builder_.negate(std::move(e[1].value)); break;
      case R_EQUAL: case R_GREATER: case R_LOWER: case R_GREQUAL: case R_LWEQUAL:
        result = builder_.compare(rule, std::move(e[0].value), std::move(e[2].value));
        break;
      case R_NOT: result = builder_.logicalNot(std::move(e[1].value)); break;
      case R_AND: case R_OR:
        result = builder_.logic(rule, std::move(e[0].value), std::move(e[2].value));
        break;
      case R_PAREN: result = std::move(e[1].value); break;
      case R_PAREN_ERROR: result = Builder::intConst(1); break;
      default: break;
    }
    stack_.resize(stack_.size() - n);
    const ParseState& below = table_[size_t(stack_.back().state)];
    int target = r.lhs == N_FUNCTION ? below.gotoFunction : below.gotoExp;
    return push(target, Token{}, std::move(result));
  }

  Scanner scanner_;
  Builder& builder_;
  ErrorList& errors_;
  const std::vector<ParseState>& table_;
  std::vector<StackEntry> stack_;
};

}  // namespace

ParseOutcome parseText(std::string_view text, Mode mode, Builder& builder, ErrorList& errors) {
  return Driver(text, mode, builder, errors).run();
}

}  // namespace exprparser
