// The target program text of formulas and conditions: the worked example byte
// for byte, the constant pool, registers, flags, frames and marks.
#include "test_support.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace exprtest {
namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Temporary files in a directory of the test's own.
class DirServices : public Services {
public:
  explicit DirServices(std::string dir) : dir_(std::move(dir)) {}
  bool tempFilePath(std::string& out) override {
    out = dir_ + "/TMP" + std::to_string(++n_) + ".TMP";
    std::ofstream(out).flush();
    return true;
  }
  bool tempDir(std::string& out) override {
    out = dir_;
    return true;
  }
  std::string dir_;
  int n_ = 0;
};

// Block parameters: F1 = M10.0, F2 = M10.1, [5],[6] = M10.2, pool base [7] + 50 = 150,
// F4 = M11.0, F5 = M11.1, [12],[13] = M11.2.
const double kVector[14] = {0, 10, 0, 10, 1, 10, 2, 100, 11, 0, 11, 1, 11, 2};

std::vector<Node> program(const std::string& text, bool condition, int variant = 0, bool swap = false,
                          const double* v = kVector) {
  return parse(text, condition, true, settingsFor(condition, variant, swap, v)).program;
}

class Emission : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = freshDir("emit");
    svc_ = std::make_unique<DirServices>(dir_);
    session_.setServices(svc_.get());
  }
  std::string formula(const char* target, const char* expr, const double* v = kVector) {
    char buf[70] = {};
    std::snprintf(buf, 10, "%s", target);
    std::snprintf(buf + 10, 60, "%s", expr);
    int16_t aux[4] = {0, 0, 0, 0}, out = -1;
    EXPECT_EQ(session_.formelZcdGen(buf, aux, v, &out), 1) << session_.errorText();
    EXPECT_EQ(out, 1);
    return readAll(dir_ + "/" + buf);
  }
  std::string dir_;
  std::unique_ptr<DirServices> svc_;
  Session session_;
};

TEST_F(Emission, WorkedExampleByteForByte) {
  std::string text = formula("V1", "V2+3");
  std::string golden = std::string(ZERLO_TEST_DATA) + "/codegen/exprparser/worked_example.zcd";
  if (std::getenv("EXPRPARSER_REGENERATE")) std::ofstream(golden, std::ios::binary) << text;
  EXPECT_EQ(text, readAll(golden));
}

TEST_F(Emission, ZeroIsPW50AndTakesNoPoolEntry) {
  std::string text = formula("V1", "0");
  EXPECT_NE(text.find("     V1      : DW1\n             : PW50\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("#PW"), std::string::npos);
}

TEST_F(Emission, FoldedConstantGoesToThePoolWithoutBlock) {
  std::string text = formula("Z3", "3 + 4");
  EXPECT_EQ(text.find("&ADDW"), std::string::npos);
  EXPECT_NE(text.find("     Z3      : PW3\n             : PW150\n"), std::string::npos) << text;
  EXPECT_NE(text.find("#PW150 = 7\n;Function"), std::string::npos);
}

TEST_F(Emission, EqualConstantsShareOnePoolWord) {
  std::string text = formula("V1", "V2 * 5 + 5 - 9");
  EXPECT_NE(text.find("#PW150 = 5\n#PW151 = 9\n;Function"), std::string::npos) << text;
  int16_t aux[4] = {0, 0, 0, 0};
  EXPECT_EQ(session_.parseFormel("V1 = V2 * 5 + 5 - 9", aux, kVector), 1);
  EXPECT_EQ(aux[0], 2);
}

TEST_F(Emission, ConstantsAreNumberedInEvaluationOrder) {
  EXPECT_EQ(compact(program("V1 = 5 - V2 * 3", false)),
            "JPZ(%M80000,M10.0) MULW(V2,PW150)->R18 SUBW(PW151,R18)->R19 "
            "SVAR(2,0,DW107,M10.0,V1,R19,M10.2,M10.1) marks(80000)");
}

TEST(EmissionFrames, FormulaUsingEXReadsItFirstAndClearsItsFlagAfterwards) {
  EXPECT_EQ(compact(program("V1 = EX + 1", false)),
            "JPZ(%M80000,M10.0) ABB(B1.0,M10.2) Not(M11.0)->F10 "
            "SVAR(4,0,DW107,F10,R19,EX,M11.0,M10.1) JPZ(%M80001,M11.0) "
            "ADDW(EX,PW150)->R18 SVAR(2,0,DW107,M10.0,V1,R18,M10.2,M10.1) ABB(B1.0,M11.0) "
            "marks(80001,80000)");
}

TEST(EmissionFrames, FormulaUsingEXAndEYHasBothPartsAndMarksMostRecentFirst) {
  EXPECT_EQ(compact(program("V1 = ey - ex", false)),
            "JPZ(%M80000,M10.0) ABB(B1.0,M10.2) Not(M11.0)->F10 "
            "SVAR(4,0,DW107,F10,R19,EX,M11.0,M10.1) JPZ(%M80001,M11.0) Not(M11.1)->F10 "
            "SVAR(5,0,DW107,F10,R19,EY,M11.1,M10.1) JPZ(%M80002,M11.1) "
            "SUBW(ey,ex)->R18 SVAR(2,0,DW107,M10.0,V1,R18,M10.2,M10.1) ABB(B1.0,M11.0) ABB(B1.0,M11.1) "
            "marks(80002,80001,80000)");
}

TEST(EmissionFrames, ConditionVariantZeroNegatesIntoTheThirdAndSixthFlag) {
  // Without the swap flag F3 is [12],[13] (M11.2) and F6 is [5],[6] (M10.2).
  EXPECT_EQ(compact(program("V1 >= V2", true)),
            "JPZ(%M80000,M10.0) CMPW(V1,V2)->BY2 OR(F16,F18)->F10 Not(F10)->M11.2 Not(M11.2)->M10.2 "
            "marks(80000)");
  EXPECT_EQ(compact(program("E1", true, 0, true)),
            "JPZ(%M80000,M10.0) Not(E1)->M10.2 Not(M10.2)->M11.2 marks(80000)");
  EXPECT_EQ(compact(program("EY > 5", true, 0, true)),
            "JPZ(%M80000,M10.0) ABB(B1.0,M10.2) ABB(B1.0,M11.2) Not(M11.1)->F10 "
            "SVAR(5,0,DW107,F10,R18,EY,M11.1,M10.1) JPZ(%M80001,M11.1) CMPW(EY,PW150)->BY2 "
            "Not(F18)->M10.2 Not(M10.2)->M11.2 ABB(B1.0,M11.1) marks(80001,80000)");
}

TEST(EmissionFrames, ConditionVariantsWriteTheResultToTheirOutput) {
  // Variant not 0: F2 = [1],[2] (M10.0, marks from 80000), F3 = [8],[9] (M11.0),
  // F4 = [4],[5], F5 = [6],[7], pool base [3] + 50.
  const double v[10] = {0, 10, 0, 20, 12, 1, 12, 2, 11, 0};
  EXPECT_EQ(compact(program("E1 AND E2", true, 2, false, v)), "AND(E1,E2)->M11.0 ABB(M11.0,A12.0)");
  EXPECT_EQ(compact(program("V1 = 3", true, 1, false, v)), "CMPW(V1,PW70)->BY2 ABB(F16,M11.0) ABB(M11.0,A13.0)");
  EXPECT_EQ(compact(program("E7", true, 5, false, v)), "ABB(E7,M11.0) ABB(M11.0,A13.0)");
  EXPECT_EQ(compact(program("TRUE", true, 2, false, v)), "ABB(B1.1,M11.0) ABB(M11.0,A12.0)");
  EXPECT_EQ(compact(program("NOT EX = 0", true, 2, false, v)),
            "Not(M12.1)->F11 SVAR(4,0,DW107,F11,R18,EX,M12.1,M10.0) JPZ(%M80000,M12.1) "
            "ABB(B1.0,M12.1) marks(80000) CMPW(EX,PW50)->BY2 Not(F16)->M11.0 ABB(M11.0,A12.0)");
}

TEST(EmissionText, OperandLinesOfEveryKind) {
  GenSettings s = settingsFor(true, 2, false, kVector);
  Parsed p = parse("(V1 = 2 OR E3) AND NOT Z4 <= EA", true, true, s);
  ASSERT_TRUE(p.errors.empty());
  std::string text;
  for (const auto& n : p.program) text += renderNode(n);
  EXPECT_EQ(text,
            "          &CMPW\n"
            "     V1      : DW1\n"
            "             : PW60\n"
            "  REGBYTE2   : B2\n"
            "          &OR\n"
            "        Maske1 : $0002\n"
            "        Maske2 : %00000000\n"
            "  REGFLAG7   : B2.0\n"
            "     E3      : E3.0\n"
            "  REGFLAG1   : B1.2\n"
            "          &CMPW\n"
            "     Z4      : PW4\n"
            "     EA      : DW101\n"
            "  REGBYTE2   : B2\n"
            "          &OR\n"
            "        Maske1 : $0002\n"
            "        Maske2 : %00000000\n"
            "  REGFLAG7   : B2.0\n"
            "  REGFLAG10   : B2.3\n"
            "  REGFLAG2   : B1.3\n"
            "          &Not\n"
            "  REGFLAG2   : B1.3\n"
            "  REGFLAG3   : B1.4\n"
            "          &AND\n"
            "        Maske1 : $0002\n"
            "        Maske2 : %00000000\n"
            "  REGFLAG1   : B1.2\n"
            "  REGFLAG3   : B1.4\n"
            "             : M11.0\n"
            "          &ABB\n"
            "             : M11.0\n"
            "             : A12.0\n");
}

TEST(EmissionText, HeaderAndFooterKeepTheCommentOnOneLine) {
  ConstantPool pool;
  std::string text = renderText("V1=V2", {}, pool);
  EXPECT_EQ(text, "\n;\n;Function Code Generator : V1=V2\n;BEGIN\n;Function Code Generator : V1=V2\n;END\n;\n");
}

TEST(EmissionRegisters, LowestFreeNumbersAndBytesOnEightBitBoundaries) {
  Registers r;
  EXPECT_EQ(r.newWord(), 18u);
  EXPECT_EQ(r.newWord(), 19u);
  r.freeWord(18);
  EXPECT_EQ(r.newWord(), 18u);
  EXPECT_EQ(r.newFlag(), 10u);
  EXPECT_EQ(r.newByte(), 2u);  // bits 16..23
  EXPECT_EQ(r.newFlag(), 11u);
  for (int i = 0; i < 4; ++i) r.newFlag();  // 12..15
  EXPECT_EQ(r.newFlag(), 24u);              // byte 2 is taken
  EXPECT_EQ(r.newByte(), 4u);               // byte 3 holds bit 24
  r.freeBitsOfByteExcept(2, 18);
  EXPECT_TRUE(r.bitUsed(18));
  EXPECT_FALSE(r.bitUsed(16));
  EXPECT_EQ(r.newFlag(), 16u);
}

TEST(EmissionSettings, TakenFromTheVectorByOperation) {
  GenSettings f = settingsFor(false, 0, false, kVector);
  EXPECT_EQ(f.f1, 80u);
  EXPECT_EQ(f.f2, 81u);
  EXPECT_EQ(f.f3, 82u);
  EXPECT_EQ(f.f4, 88u);
  EXPECT_EQ(f.f5, 89u);
  EXPECT_EQ(f.f6, 0u);
  EXPECT_EQ(f.poolBase, 150u);
  EXPECT_EQ(f.markBase, 80000u);
  GenSettings c = settingsFor(true, 0, false, kVector);
  EXPECT_EQ(c.f3, 90u);
  EXPECT_EQ(c.f6, 82u);
  GenSettings cs = settingsFor(true, 0, true, kVector);
  EXPECT_EQ(cs.f3, 82u);
  EXPECT_EQ(cs.f6, 90u);
  GenSettings v = settingsFor(true, 1, false, kVector);
  EXPECT_EQ(v.f1, 0u);
  EXPECT_EQ(v.f2, 80u);
  EXPECT_EQ(v.f3, 88u);
  EXPECT_EQ(v.f4, 10u);   // [4],[5] = 1, 10 -> 1*8 + 10%8
  EXPECT_EQ(v.f5, 20u);   // [6],[7] = 2, 100
  EXPECT_EQ(v.poolBase, 60u);
  EXPECT_EQ(v.markBase, 80000u);
  GenSettings none = settingsFor(false, 0, false, nullptr);
  EXPECT_EQ(none.poolBase, 51u);
  EXPECT_EQ(none.f1, 0u);
  const double odd[14] = {0, 1e300, -3, -1e300, std::nan(""), 5.9, 9.99, -1, 0, 0, 0, 0, 0, 0};
  GenSettings o = settingsFor(false, 0, false, odd);  // no undefined conversion, no crash
  EXPECT_EQ(o.f3, 5u * 8u + 1u);
  EXPECT_EQ(o.poolBase, 49u);
}

}  // namespace
}  // namespace exprtest
