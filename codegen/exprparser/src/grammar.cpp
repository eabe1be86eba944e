#include "grammar.h"

#include <algorithm>
#include <bitset>
#include <map>
#include <utility>

namespace exprparser {
namespace {

using Lookahead = std::bitset<T_COUNT>;

enum Assoc { kNone, kLeft };
struct Prec {
  int level = 0;  // 0: none
  Assoc assoc = kNone;
};

// Operator binding, loosest first; every operator is left-associative.
Prec tokenPrec(int tok) {
  switch (tok) {
    case T_OR: return {1, kLeft};
    case T_AND: return {2, kLeft};
    case T_NOT: return {3, kLeft};
    case T_EQUAL: case T_GREATER: case T_LOWER: case T_GREQUAL: case T_LWEQUAL: return {4, kLeft};
    case T_PLUS: case T_MINUS: return {5, kLeft};
    case T_TIMES: case T_DIVIDE: return {6, kLeft};
    default: return {};
  }
}
constexpr Prec kNegPrec{7, kLeft};

// A rule takes the precedence of its last terminal, unary minus that of NEG.
Prec rulePrec(int r) {
  if (r == R_NEG) return kNegPrec;
  const auto& rhs = rules()[size_t(r)].rhs;
  for (auto it = rhs.rbegin(); it != rhs.rend(); ++it)
    if (*it < T_COUNT) return tokenPrec(*it);
  return {};
}

bool isTerminal(int sym) { return sym < T_COUNT; }

struct Core {
  int rule, dot;
  bool operator<(const Core& o) const { return rule != o.rule ? rule < o.rule : dot < o.dot; }
  bool operator==(const Core& o) const { return rule == o.rule && dot == o.dot; }
};
using ItemSet = std::map<Core, Lookahead>;

std::array<Lookahead, kSymbolCount> firstSets() {
  std::array<Lookahead, kSymbolCount> first{};
  for (int t = 0; t < T_COUNT; ++t) first[size_t(t)].set(size_t(t));
  bool changed = true;
  while (changed) {
    changed = false;
    for (const auto& r : rules()) {
      // No rule derives the empty text, so a rule starts with its first symbol.
      Lookahead add = first[size_t(r.rhs.front())];
      Lookahead& f = first[size_t(r.lhs)];
      if ((f | add) != f) {
        f |= add;
        changed = true;
      }
    }
  }
  return first;
}

ItemSet closure(const ItemSet& kernel, const std::array<Lookahead, kSymbolCount>& first) {
  ItemSet items = kernel;
  bool changed = true;
  while (changed) {
    changed = false;
    for (const auto& [core, la] : ItemSet(items)) {
      const auto& rhs = rules()[size_t(core.rule)].rhs;
      if (size_t(core.dot) >= rhs.size() || isTerminal(rhs[size_t(core.dot)])) continue;
      Lookahead next = size_t(core.dot) + 1 < rhs.size() ? first[size_t(rhs[size_t(core.dot) + 1])] : la;
      for (int p = 0; p < kRuleCount; ++p) {
        if (rules()[size_t(p)].lhs != rhs[size_t(core.dot)]) continue;
        Lookahead& target = items[Core{p, 0}];
        if ((target | next) != target) {
          target |= next;
          changed = true;
        }
      }
    }
  }
  return items;
}

std::vector<Core> coreOf(const ItemSet& kernel) {
  std::vector<Core> c;
  for (const auto& kv : kernel) c.push_back(kv.first);
  return c;
}

std::vector<ParseState> build() {
  const auto first = firstSets();
  std::vector<ItemSet> kernels;
  std::map<std::vector<Core>, int> byCore;
  std::vector<std::map<int, int>> transitions;

  ItemSet start;
  start[Core{R_ACCEPT, 0}] = Lookahead{};
  kernels.push_back(start);
  transitions.emplace_back();
  byCore[coreOf(start)] = 0;

  // LALR(1) by merging lookaheads into states of the same core until nothing changes.
  std::vector<int> work{0};
  while (!work.empty()) {
    int s = work.back();
    work.pop_back();
    ItemSet items = closure(kernels[size_t(s)], first);
    std::map<int, ItemSet> gotoKernels;
    for (const auto& [core, la] : items) {
      const auto& rhs = rules()[size_t(core.rule)].rhs;
      if (size_t(core.dot) >= rhs.size()) continue;
      int sym = rhs[size_t(core.dot)];
      if (core.rule == R_ACCEPT && sym == T_END) continue;  // accept, no state
      gotoKernels[sym][Core{core.rule, core.dot + 1}] |= la;
    }
    for (auto& [sym, kernel] : gotoKernels) {
      auto key = coreOf(kernel);
      auto found = byCore.find(key);
      int t;
      if (found == byCore.end()) {
        t = int(kernels.size());
        kernels.push_back(kernel);
        transitions.emplace_back();
        byCore[key] = t;
        work.push_back(t);
      } else {
        t = found->second;
        bool changed = false;
        for (auto& [core, la] : kernel) {
          Lookahead& mine = kernels[size_t(t)][core];
          if ((mine | la) != mine) {
            mine |= la;
            changed = true;
          }
        }
        if (changed) work.push_back(t);
      }
      transitions[size_t(s)][sym] = t;
    }
  }

  std::vector<ParseState> table(kernels.size());
  for (size_t s = 0; s < kernels.size(); ++s) {
    ParseState& st = table[s];
    ItemSet items = closure(kernels[s], first);
    for (const auto& [sym, t] : transitions[s]) {
      if (isTerminal(sym)) st.action[size_t(sym)] = Action{Action::Shift, t};
      else if (sym == N_FUNCTION) st.gotoFunction = t;
      else if (sym == N_EXP) st.gotoExp = t;
    }
    for (const auto& [core, la] : items) {
      const auto& rhs = rules()[size_t(core.rule)].rhs;
      if (core.rule == R_ACCEPT && core.dot == 1) st.action[T_END] = Action{Action::Accept, 0};
      if (core.rule == R_ACCEPT || size_t(core.dot) < rhs.size()) continue;
      for (int tok = 0; tok < T_COUNT; ++tok) {
        if (!la.test(size_t(tok))) continue;
        Action& a = st.action[size_t(tok)];
        if (a.kind == Action::Error) {
          a = Action{Action::Reduce, core.rule};
        } else if (a.kind == Action::Reduce) {
          if (core.rule < a.target) a.target = core.rule;  // the earlier rule wins
        } else if (a.kind == Action::Shift) {
          // Shift against reduce: precedence decides; without it, shift.
          Prec tp = tokenPrec(tok), rp = rulePrec(core.rule);
          if (tp.level && rp.level && (rp.level > tp.level || (rp.level == tp.level && tp.assoc == kLeft)))
            a = Action{Action::Reduce, core.rule};
        }
      }
    }
    // Default reduction: the reduction of the most tokens, none in a state that shifts error.
    if (st.action[T_ERROR].kind != Action::Shift) {
      std::array<int, kRuleCount> count{};
      for (const auto& a : st.action)
        if (a.kind == Action::Reduce) ++count[size_t(a.target)];
      int best = -1;
      for (int r = 0; r < kRuleCount; ++r)
        if (count[size_t(r)] > 0 && (best < 0 || count[size_t(r)] > count[size_t(best)])) best = r;
      st.defaultRule = best;
    }
    st.needsLookahead = st.defaultRule < 0;
    for (const auto& a : st.action) {
      if (a.kind == Action::Shift || a.kind == Action::Accept ||
          (a.kind == Action::Reduce && a.target != st.defaultRule))
        st.needsLookahead = true;
    }
  }
  return table;
}

}  // namespace

const std::vector<Rule>& rules() {
  static const std::vector<Rule> r = {
      {N_ACCEPT, {N_FUNCTION, T_END}},
      {N_FUNCTION, {T_VAR, T_ASSIGN, N_EXP}},
      {N_FUNCTION, {T_ERROR, N_EXP}},
      {N_FUNCTION, {N_EXP}},
      {N_EXP, {T_VAR}},
      {N_EXP, {T_INT}},
      {N_EXP, {T_TRUE}},
      {N_EXP, {T_FALSE}},
      {N_EXP, {N_EXP, T_PLUS, N_EXP}},
      {N_EXP, {N_EXP, T_MINUS, N_EXP}},
      {N_EXP, {N_EXP, T_TIMES, N_EXP}},
      {N_EXP, {N_EXP, T_DIVIDE, N_EXP}},
      {N_EXP, {T_MINUS, N_EXP}},
      {N_EXP, {N_EXP, T_EQUAL, N_EXP}},
      {N_EXP, {N_EXP, T_GREATER, N_EXP}},
      {N_EXP, {N_EXP, T_LOWER, N_EXP}},
      {N_EXP, {N_EXP, T_GREQUAL, N_EXP}},
      {N_EXP, {N_EXP, T_LWEQUAL, N_EXP}},
      {N_EXP, {T_NOT, N_EXP}},
      {N_EXP, {N_EXP, T_AND, N_EXP}},
      {N_EXP, {N_EXP, T_OR, N_EXP}},
      {N_EXP, {T_LPAREN, N_EXP, T_RPAREN}},
      {N_EXP, {T_LPAREN, T_ERROR, T_RPAREN}},
  };
  return r;
}

const std::vector<ParseState>& parseTable() {
  static const std::vector<ParseState> table = build();
  return table;
}

}  // namespace exprparser
