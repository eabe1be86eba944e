#pragma once
// Helpers of the formula parser tests: parse a text with the core and show the
// blocks it built in a compact form ("ADDW(V2,PW150)->R18").
#include "builder.h"
#include "emit.h"
#include "grammar.h"
#include "messages.h"
#include "parser.h"
#include "session.h"

#include "exprparser/exprparser.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace exprtest {

using namespace exprparser;

inline std::string shortOperand(const Operand& o) {
  char buf[64];
  switch (o.kind) {
    case OperandKind::Literal: std::snprintf(buf, sizeof buf, "%d", int(o.literal)); break;
    case OperandKind::Mark: std::snprintf(buf, sizeof buf, "%%M%u", o.n); break;
    case OperandKind::PoolWord: std::snprintf(buf, sizeof buf, "PW%u", o.n); break;
    case OperandKind::BoolConst: std::snprintf(buf, sizeof buf, "B%u.%u", o.n / 8, o.n % 8); break;
    case OperandKind::Flag: std::snprintf(buf, sizeof buf, "M%u.%u", o.n / 8, o.n % 8); break;
    case OperandKind::Output: std::snprintf(buf, sizeof buf, "A%u.%u", o.n / 8, o.n % 8); break;
    case OperandKind::Word107: std::snprintf(buf, sizeof buf, "DW107"); break;
    case OperandKind::Text: std::snprintf(buf, sizeof buf, "%s", o.label.c_str()); break;
    case OperandKind::WordReg: std::snprintf(buf, sizeof buf, "R%u", o.n); break;
    case OperandKind::FlagReg: std::snprintf(buf, sizeof buf, "F%u", o.n); break;
    case OperandKind::ByteReg: std::snprintf(buf, sizeof buf, "BY%u", o.n); break;
  }
  return buf;
}

inline const char* kindName(int k) {
  static const char* names[] = {"", "SVAR", "JPZ", "ADDW", "SUBW", "MULW", "DIVW", "Not", "AND", "OR", "CMPW", "ABB"};
  return k >= 0 && k <= 11 ? names[k] : "?";
}

// The blocks of a program as "KIND(a,b)->r" separated by blanks; operations
// without a result (SVAR, JPZ, ABB) list all operands inside the brackets.
inline std::string compact(const std::vector<Node>& nodes) {
  std::string out;
  for (const auto& n : nodes) {
    if (n.kind == kMarksOnly) {
      if (n.marks.empty()) continue;
      if (!out.empty()) out += ' ';
      out += "marks(";
      for (size_t i = 0; i < n.marks.size(); ++i) out += (i ? "," : "") + std::to_string(n.marks[i]);
      out += ")";
      continue;
    }
    if (!out.empty()) out += ' ';
    out += kindName(n.kind);
    out += '(';
    bool hasResult = n.kind >= kADDW && n.kind <= kCMPW;
    size_t shown = hasResult ? n.operands.size() - 1 : n.operands.size();
    for (size_t i = 0; i < shown; ++i) out += (i ? "," : "") + shortOperand(n.operands[i]);
    out += ')';
    if (hasResult) out += "->" + shortOperand(n.operands.back());
  }
  return out;
}

struct Parsed {
  std::vector<int> errors;
  std::vector<Node> program;
  std::vector<int16_t> pool;
  ParseOutcome outcome;
};

inline Parsed parse(const std::string& text, bool condition, bool generation = false,
                    GenSettings settings = GenSettings{}) {
  Parsed p;
  ErrorList errors;
  Builder b(settings, errors);
  p.outcome = parseText(text, Mode{condition, generation}, b, errors);
  p.errors = errors.ids();
  p.program = b.program();
  p.pool = b.pool().values();
  return p;
}

// A unique empty directory for one test.
inline std::string freshDir(const std::string& name) {
  auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string dir = ::testing::TempDir() + "exprparser_" + name + "_" + info->name() + "_" +
                    std::to_string(::getpid());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace exprtest
