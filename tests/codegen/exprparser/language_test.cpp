// The formula and condition language: scanner, grammar with its binding,
// typing, folding and every error number of the texts.
#include "test_support.h"

#include "scanner.h"

namespace exprtest {
namespace {

struct ErrorCase {
  const char* text;
  bool condition;
  std::vector<int> errors;
};

class ErrorTable : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTable, RecordsTheseErrorsInOrder) {
  const ErrorCase& c = GetParam();
  EXPECT_EQ(parse(c.text, c.condition).errors, c.errors) << c.text;
}

const bool F = false, C = true;

INSTANTIATE_TEST_SUITE_P(
    Texts, ErrorTable,
    ::testing::Values(
        // Accepted texts.
        ErrorCase{"V1 = V2 + 3 * 4", F, {}},
        ErrorCase{"var99 = z16 - ea * eb / ec + ed - ex + ey", F, {}},
        ErrorCase{"Z1 = -(V1)", F, {}},
        ErrorCase{"E5 AND V1 > 3", C, {}},
        ErrorCase{"NOT E1 OR TRUE AND FALSE", C, {}},
        ErrorCase{"e48 or v1 <= 2 and not (z3 >= ex)", C, {}},
        ErrorCase{"V1 = 0", F, {}},
        // 1000: unknown character, skipped.
        ErrorCase{"V1 = $V2", F, {1000}},
        ErrorCase{"$E1", C, {1000}},
        ErrorCase{"V1 = V2 > 3", F, {1000, 1004}},  // no comparisons in formulas
        // 1001: unknown identifier.
        ErrorCase{"V1 = E1", F, {1001}},
        ErrorCase{"V1 = VX", F, {1001}},
        ErrorCase{"V1 = VA2", F, {1001}},
        ErrorCase{"V1 = ZZ", F, {1001}},
        ErrorCase{"EQ > 1", C, {1001}},
        ErrorCase{"V1 = 2 AND 3", F, {1001}},      // the word ends the text
        ErrorCase{"V1 = 2 + FOO", F, {1001, 1004}},  // ... also in the middle of an expression
        ErrorCase{"E1 AND XYZ", C, {1001, 1004}},
        ErrorCase{"V1 = VAR?", F, {1001}},          // "?" only in generation mode
        // 1002: invalid variable.
        ErrorCase{"Z17 = 1", F, {1002}},
        ErrorCase{"V100 = 1", F, {1002}},
        ErrorCase{"VAR0 = 1", F, {1002}},
        ErrorCase{"E49", C, {1002}},
        ErrorCase{"E0", C, {1002}},
        ErrorCase{"V1 = Z0", F, {1002}},
        // 1003: number out of range; the number becomes 0.
        ErrorCase{"V1 = 40000", F, {1003}},
        ErrorCase{"V1 = 32768", F, {1003}},
        ErrorCase{"V1 = 5 / 99999999999999999999", F, {1003, 1007}},
        // 1004: syntax.
        ErrorCase{"V1 = V2 = V3", F, {1004}},
        ErrorCase{"V1 <> 3", C, {1004}},
        ErrorCase{"V1 = 05", F, {1004}},
        ErrorCase{"V1 =", F, {1004}},
        ErrorCase{"(", C, {1004}},
        ErrorCase{")", C, {1004}},
        ErrorCase{"V1 = (3 + ) + (4 * )", F, {1004, 1004}},
        ErrorCase{"(1 + + (2) + 3)", C, {1004, 1008, 1004}},
        ErrorCase{"V1 = V2 V3 V4 V5", F, {1004}},  // recovering: no second message
        // 1006: left side.
        ErrorCase{"EA = 1", F, {1006}},
        ErrorCase{"EX = V1", F, {1006}},
        // 1007: division by the constant 0.
        ErrorCase{"V1 = 7 / 0", F, {1007}},
        ErrorCase{"V1 = V2 / (3 - 3)", F, {1007}},
        // 1008: an expression alone must be Boolean.
        ErrorCase{"V1", C, {1008}},
        ErrorCase{"V1 + 2", F, {1008}},
        ErrorCase{"3", C, {1008}},
        // 1009: integer operators on Booleans.
        ErrorCase{"V1 + E5 > 0", C, {1009}},
        ErrorCase{"-E1", C, {1009, 1008}},
        ErrorCase{"E1 = E2", C, {1009}},
        ErrorCase{"TRUE * 2 > 1", C, {1009}},
        // 1010: Boolean operators on integers.
        ErrorCase{"NOT V1", C, {1010}},
        ErrorCase{"E1 AND 3", C, {1010}},
        ErrorCase{"V1 OR E2", C, {1010}}));

TEST(Scanner, OperandsAndTheirIndices) {
  ErrorList errors;
  Scanner s("V7 var12 Z16 ec ex EY e48 ?", Mode{true, true}, errors);
  struct Want { int code, cls; uint32_t index; const char* text; };
  std::vector<Want> want = {{T_VAR, kVariable, 7, "V7"},       {T_VAR, kVariable, 12, "var12"},
                            {T_VAR, kCounter, 16, "Z16"},       {T_VAR, kAnalogue, 3, "ec"},
                            {T_VAR, kAnalogueXY, 1, "ex"},      {T_VAR, kAnalogueXY, 2, "EY"},
                            {T_VAR, kDigitalInput, 48, "e48"}};
  for (const auto& w : want) {
    Token t = s.next();
    EXPECT_EQ(t.code, w.code) << w.text;
    EXPECT_EQ(t.cls, w.cls) << w.text;
    EXPECT_EQ(t.index, w.index) << w.text;
    EXPECT_EQ(t.text, w.text);
  }
  EXPECT_EQ(s.next().code, T_END);  // "?" alone is an unknown character
  EXPECT_EQ(errors.ids(), std::vector<int>{1000});
  EXPECT_TRUE(s.usesEX());
  EXPECT_TRUE(s.usesEY());
}

TEST(Scanner, GenerationModeAcceptsIndexZeroAndQuestionMark) {
  for (const char* text : {"VAR? = 0", "V0 = Z?", "V? = 1"}) EXPECT_TRUE(parse(text, false, true).errors.empty()) << text;
  EXPECT_TRUE(parse("E? OR E0", true, true).errors.empty());
}

TEST(Scanner, ComparisonTokensAndKeywordsOnlyInConditions) {
  ErrorList errors;
  Scanner s("<= < >= > = and Or NOT true FALSE", Mode{true, false}, errors);
  for (int code : {T_LWEQUAL, T_LOWER, T_GREQUAL, T_GREATER, T_EQUAL, T_AND, T_OR, T_NOT, T_TRUE, T_FALSE, T_END})
    EXPECT_EQ(s.next().code, code);
  EXPECT_TRUE(errors.ids().empty());
  ErrorList ferr;
  Scanner f("= < TRUE", Mode{false, false}, ferr);
  EXPECT_EQ(f.next().code, T_ASSIGN);
  EXPECT_EQ(f.next().code, T_END);  // "<" skipped, TRUE unknown: the text ends
  EXPECT_EQ(ferr.ids(), (std::vector<int>{1000, 1001}));
  EXPECT_EQ(ferr.lines()[0], "Error:   Unknown character <. (Help: Press F1)");
  EXPECT_EQ(ferr.lines()[1], "Error:   Unknown identifier TRUE. (Help: Press F1)");
}

TEST(Scanner, MessagesCarryTheTextAsRead) {
  ErrorList errors;
  Scanner s("V1 = 123456 + Var100 + Vq9 + z", Mode{false, false}, errors);
  while (s.next().code != T_END) {
  }
  ASSERT_EQ(errors.lines().size(), 4u);
  EXPECT_EQ(errors.lines()[0], "Error:   Number 123456 exceeds range. (Help: Press F1)");
  EXPECT_EQ(errors.lines()[1], "Error:   Invalid variable Var100. (Help: Press F1)");
  EXPECT_EQ(errors.lines()[2], "Error:   Unknown identifier Vq9. (Help: Press F1)");
  EXPECT_EQ(errors.lines()[3], "Error:   Unknown identifier z. (Help: Press F1)");
}

// Binding and associativity, shown through the blocks built for non-constant operands.
struct ShapeCase {
  const char* text;
  bool condition;
  const char* blocks;  // the blocks of the value, without the frame
};

class Shapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Shapes, BuildsBlocksInThisOrder) {
  const ShapeCase& c = GetParam();
  GenSettings s;
  s.variant = 1;  // a condition frame whose value blocks follow the (empty) marks node
  Parsed p = parse(c.text, c.condition, false, s);
  ASSERT_TRUE(p.errors.empty()) << c.text;
  std::string all = compact(p.program);
  if (!c.condition) {
    // Formula: JPZ first, the final SVAR and marks last; keep what lies between.
    auto first = all.find(' ');
    auto last = all.rfind(" SVAR(");
    all = all.substr(first + 1, last - first - 1);
  } else {
    all = all.substr(0, all.rfind(" ABB("));  // drop the output copy
  }
  EXPECT_EQ(all, c.blocks) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Binding, Shapes,
    ::testing::Values(
        ShapeCase{"V1 = V2 + V3 * V4", F, "MULW(V3,V4)->R18 ADDW(V2,R18)->R19"},
        ShapeCase{"V1 = V2 * V3 + V4", F, "MULW(V2,V3)->R18 ADDW(R18,V4)->R19"},
        ShapeCase{"V1 = V2 - V3 - V4", F, "SUBW(V2,V3)->R18 SUBW(R18,V4)->R19"},
        ShapeCase{"V1 = V2 / V3 / V4", F, "DIVW(V2,V3)->R18 DIVW(R18,V4)->R19"},
        ShapeCase{"V1 = V2 - (V3 - V4)", F, "SUBW(V3,V4)->R18 SUBW(V2,R18)->R19"},
        ShapeCase{"V1 = -V2 * V3", F, "SUBW(PW50,V2)->R18 MULW(R18,V3)->R19"},
        ShapeCase{"V1 = (V2 + V3) * (V4 + V5)", F,
                  "ADDW(V2,V3)->R18 ADDW(V4,V5)->R19 MULW(R18,R19)->R20"},
        ShapeCase{"E5 AND V1 > 3", C, "CMPW(V1,PW51)->BY2 AND(E5,F18)->M0.0"},
        ShapeCase{"NOT V1 = V2", C, "CMPW(V1,V2)->BY2 Not(F16)->M0.0"},
        ShapeCase{"NOT E1 AND E2", C, "Not(E1)->F10 AND(F10,E2)->M0.0"},
        ShapeCase{"E1 OR E2 AND E3", C, "AND(E2,E3)->F10 OR(E1,F10)->M0.0"},
        ShapeCase{"E1 AND E2 OR E3", C, "AND(E1,E2)->F10 OR(F10,E3)->M0.0"},
        ShapeCase{"V1 < V2 + 1", C, "ADDW(V2,PW51)->R18 CMPW(V1,R18)->BY2 ABB(F19,M0.0)"},
        ShapeCase{"V1 >= V2", C, "CMPW(V1,V2)->BY2 OR(F16,F18)->M0.0"},
        ShapeCase{"V1 <= V2", C, "CMPW(V1,V2)->BY2 OR(F16,F19)->M0.0"}));

// Constant folding in 16-bit signed arithmetic: the value assigned.
struct FoldCase {
  const char* expr;
  int value;
};

class Folding : public ::testing::TestWithParam<FoldCase> {};

TEST_P(Folding, AssignsTheFoldedConstant) {
  const FoldCase& c = GetParam();
  Parsed p = parse(std::string("V1 = ") + c.expr, false);
  ASSERT_TRUE(p.errors.empty()) << c.expr;
  std::string blocks = compact(p.program);
  EXPECT_EQ(blocks.find("ADDW"), std::string::npos) << blocks;
  EXPECT_EQ(blocks.find("SUBW"), std::string::npos) << blocks;
  if (c.value == 0) {
    EXPECT_TRUE(p.pool.empty());
    EXPECT_NE(blocks.find("V1,PW50,"), std::string::npos) << blocks;
  } else {
    ASSERT_EQ(p.pool.size(), 1u) << blocks;
    EXPECT_EQ(p.pool[0], c.value) << c.expr;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Constants, Folding,
    ::testing::Values(FoldCase{"3 * 4", 12}, FoldCase{"3 + 4", 7}, FoldCase{"2 - 5", -3},
                      FoldCase{"32767 + 1", -32768}, FoldCase{"-32767 - 2", 32767},
                      FoldCase{"300 * 300", 24464}, FoldCase{"-7 / 2", -3}, FoldCase{"7 / -2", -3},
                      FoldCase{"(-32767 - 1) / -1", -32768}, FoldCase{"-(-32767 - 1)", -32768},
                      FoldCase{"10 - 4 - 3", 3}, FoldCase{"100 / 10 / 5", 2}, FoldCase{"2 + 3 * 4", 14},
                      FoldCase{"(2 + 3) * 4", 20}, FoldCase{"--5", 5}, FoldCase{"5 - 5", 0}));

TEST(Folding, ConditionsOfConstantsBecomeBooleanConstants) {
  GenSettings s;
  s.variant = 1;
  EXPECT_EQ(compact(parse("3 > 2 AND NOT (1 = 2)", true, false, s).program), "ABB(B1.1,M0.0) ABB(M0.0,A13.0)");
  EXPECT_EQ(compact(parse("3 <= 2 OR FALSE", true, false, s).program), "ABB(B1.0,M0.0) ABB(M0.0,A13.0)");
  EXPECT_EQ(compact(parse("-1 < 0", true, false, s).program), "ABB(B1.1,M0.0) ABB(M0.0,A13.0)");
}

TEST(Errors, WrongOperandsGiveTheirFixedResults) {
  // 1009 in arithmetic gives the integer 1, 1007 as well; 1009 in a comparison gives FALSE.
  Parsed p = parse("V1 = 7 / 0", false);
  ASSERT_EQ(p.pool, std::vector<int16_t>{1});
  p = parse("V1 = 40000", false);
  EXPECT_TRUE(p.pool.empty());
  GenSettings s;
  s.variant = 1;
  p = parse("(E1 > 0) OR E2", true, false, s);
  EXPECT_EQ(p.errors, std::vector<int>{1009});
  EXPECT_EQ(compact(p.program), "OR(B1.0,E2)->M0.0 ABB(M0.0,A13.0)");
}

TEST(Parser, DeepNestingExhaustsTheStackWithOneMessage) {
  std::string deep(20000, '(');
  Parsed p = parse("V1 = " + deep + "1", false);
  EXPECT_EQ(p.errors, std::vector<int>{1005});
  std::string ok(2000, '(');
  ok += "V2" + std::string(2000, ')');
  EXPECT_TRUE(parse("V1 = " + ok, false).errors.empty());
}

TEST(Parser, LongAndDeeplyNestedTextsBuildEveryBlock) {
  // Right-nested sums: each level joins a large right operand.
  std::string text = "V1 = V2";
  for (int i = 0; i < 3000; ++i) text += "+(V3";
  text += std::string(3000, ')');
  Parsed p = parse(text, false);
  ASSERT_TRUE(p.errors.empty());
  EXPECT_EQ(p.program.size(), 3000u + 3u);  // JPZ, the ADDWs, SVAR, marks
}

TEST(Parser, TableResolvesEveryConflictByPrecedence) {
  // Every state that reduces an operator rule lets a tighter operator shift.
  const auto& table = parseTable();
  EXPECT_GT(table.size(), 30u);
  int acceptStates = 0;
  for (const auto& st : table)
    for (const auto& a : st.action) acceptStates += a.kind == Action::Accept;
  EXPECT_EQ(acceptStates, 1);
}

}  // namespace
}  // namespace exprtest
