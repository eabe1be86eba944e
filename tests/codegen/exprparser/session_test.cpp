// The operations of the library on a session: aux record, error list,
// generator buffers and files, and UnlinkFile.
#include "test_support.h"

#include <cstring>
#include <fstream>

namespace exprtest {
namespace {

namespace fs = std::filesystem;

// Temporary files as the settings library makes them: a new empty file per call.
class FakeServices : public Services {
public:
  explicit FakeServices(std::string dir) : dir_(std::move(dir)) {}
  bool tempFilePath(std::string& out) override {
    if (!givePath) return false;
    out = dir_ + "/" + nextName;
    if (createFile) std::ofstream(out).flush();
    return true;
  }
  bool tempDir(std::string& out) override {
    if (!giveDir) return false;
    out = dir_;
    return true;
  }
  std::string dir_;
  std::string nextName = "TMP0001.TMP";
  bool givePath = true, giveDir = true, createFile = true;
};

class SessionTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = freshDir("session");
    svc_ = std::make_unique<FakeServices>(dir_);
    s_.setServices(svc_.get());
  }
  size_t filesInDir() const {
    size_t n = 0;
    for (auto& e : fs::directory_iterator(dir_)) n += e.is_regular_file();
    return n;
  }
  std::string dir_;
  std::unique_ptr<FakeServices> svc_;
  Session s_;
};

TEST_F(SessionTest, EmptyTextIsAcceptedWithTheCheckingLineOnly) {
  int16_t aux[4] = {7, 7, 7, 0};
  EXPECT_EQ(s_.parseFormel("", aux, nullptr), 1);
  EXPECT_EQ(s_.errorText(), "Checking: ");
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 0);
  EXPECT_EQ(aux[2], 0);
}

TEST_F(SessionTest, MissingTextOrAuxParsesNothing) {
  int16_t aux[4] = {7, 7, 7, 0};
  EXPECT_EQ(s_.parseFormel(nullptr, aux, nullptr), 1);
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 0);
  EXPECT_EQ(s_.errorText(), "");
  EXPECT_EQ(s_.parseCondition("NOT V1", nullptr, nullptr), 1);
  EXPECT_EQ(s_.errorText(), "");
}

TEST_F(SessionTest, TwoErrorsGiveThreeLines) {
  int16_t aux[4] = {0, 0, 0, 0};
  EXPECT_EQ(s_.parseFormel("V1 = $ 40000", aux, nullptr), 0);
  EXPECT_EQ(s_.errorText(),
            "Checking: V1 = $ 40000\n"
            "Error:   Unknown character $. (Help: Press F1)\n"
            "Error:   Number 40000 exceeds range. (Help: Press F1)");
  EXPECT_EQ(s_.errors().count(), 2);
  // The next operation starts a new list.
  EXPECT_EQ(s_.parseCondition("E1 OR EX > 3", aux, nullptr), 1);
  EXPECT_EQ(s_.errorText(), "Checking: E1 OR EX > 3");
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(aux[2], 0);
}

TEST_F(SessionTest, ConditionCheckReadsVariantAndCountsPoolConstants) {
  // Variant 0 frame: no pool constant; variant 1: the same.
  int16_t aux[4] = {1, 0, 0, 0};
  EXPECT_EQ(s_.parseCondition("V1 > 2 AND V2 < 2 OR V3 = -4", aux, nullptr), 1);
  EXPECT_EQ(aux[0], 2);
  aux[0] = 0;
  EXPECT_EQ(s_.parseCondition("EY = 1", aux, nullptr), 1);
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(aux[2], 1);
}

TEST_F(SessionTest, MultiLineMessagesKeepTheirLineBreaks) {
  int16_t aux[4] = {0, 0, 0, 0};
  EXPECT_EQ(s_.parseCondition("V1", aux, nullptr), 0);
  EXPECT_EQ(s_.errorText(), "Checking: V1\nError:   Condition result must be either true or false.\n(Help: Press F1)");
}

TEST_F(SessionTest, TranslatedTextsReplaceTheBuiltInOnes) {
  s_.setTexts([](int id, std::string& out) {
    if (id != 1000) return false;
    out = "Fehler: Zeichen %s unbekannt (100%%).";
    return true;
  });
  int16_t aux[4] = {0, 0, 0, 0};
  s_.parseFormel("V1 = 1 # 2", aux, nullptr);
  ASSERT_EQ(s_.errors().lines().size(), 3u);
  EXPECT_EQ(s_.errors().lines()[1], "Fehler: Zeichen # unbekannt (100%).");
  EXPECT_EQ(s_.errors().lines()[2], "Error:   Invalid syntax. (Help: Press F1)");
}

TEST_F(SessionTest, FormulaGeneratorRewritesTheBufferAndLeavesTheFileName) {
  char buf[EXPRPARSER_FORMULA_BUFFER_SIZE];
  std::memset(buf, 'x', sizeof buf);
  std::strcpy(buf, "VAR12");
  std::strcpy(buf + 10, "Z2 * 2");
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.formelZcdGen(buf, aux, nullptr, &out), 1);
  EXPECT_EQ(out, 1);
  EXPECT_STREQ(buf, "TMP0001.TMP");
  std::ifstream in(dir_ + "/TMP0001.TMP");
  std::string first, second, third;
  std::getline(in, first);
  std::getline(in, second);
  std::getline(in, third);
  EXPECT_EQ(third, ";Function Code Generator : VAR12=Z2 * 2");
  EXPECT_EQ(s_.errorText(), "Checking: VAR12=Z2 * 2");
  EXPECT_NE(s_.lastText().find(";Function Code Generator : VAR12=Z2 * 2\n;END\n;\n"), std::string::npos);
}

TEST_F(SessionTest, FormulaTargetIsCutToNineCharactersAndFormulaToItsBuffer) {
  char buf[EXPRPARSER_FORMULA_BUFFER_SIZE];
  std::memset(buf, '1', sizeof buf);  // no terminator anywhere
  std::memcpy(buf, "V1", 2);
  std::memset(buf + 2, ' ', 8);
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  s_.formelZcdGen(buf, aux, nullptr, &out);
  ASSERT_FALSE(s_.errors().lines().empty());
  // Nine characters of target, "=", 59 characters of formula.
  EXPECT_EQ(s_.errors().lines()[0], "Checking: V1       =" + std::string(59, '1'));
}

TEST_F(SessionTest, GeneratorWithAnErrorWritesNothingAndEmptiesTheBuffer) {
  char buf[EXPRPARSER_FORMULA_BUFFER_SIZE] = {};
  std::strcpy(buf, "V1");
  std::strcpy(buf + 10, "V2 +");
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.formelZcdGen(buf, aux, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(filesInDir(), 0u);
}

TEST_F(SessionTest, ConditionGeneratorUsesVariantAndNeedsAux) {
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1 OR E2";
  int16_t aux[4] = {2, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.conditionZcdGen(buf, aux, nullptr, &out), 1);
  EXPECT_STREQ(buf, "TMP0001.TMP");
  EXPECT_NE(s_.lastText().find("             : A12.0\n"), std::string::npos) << s_.lastText();
  // No aux record: nothing is generated, and that is no success.
  char buf2[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  svc_->nextName = "TMP0002.TMP";
  EXPECT_EQ(s_.conditionZcdGen(buf2, nullptr, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(buf2[0], '\0');
  EXPECT_FALSE(fs::exists(dir_ + "/TMP0002.TMP"));
}

// The file name must fit the caller's buffer: 40 characters for a condition,
// 69 for a formula, and never more than 99.
TEST_F(SessionTest, FileNameLongerThanTheBufferIsRefusedWith1502) {
  struct Case {
    bool condition;
    size_t nameLength;
    bool fits;
  };
  for (Case c : {Case{true, 40, true}, Case{true, 41, false}, Case{false, 69, true}, Case{false, 70, false}}) {
    svc_->nextName = std::string(c.nameLength - 4, 'T') + ".TMP";
    std::vector<char> buf(c.condition ? 41 : 70, '\0');
    if (c.condition) std::strcpy(buf.data(), "E1");
    else {
      std::strcpy(buf.data(), "V1");
      std::strcpy(buf.data() + 10, "1");
    }
    int16_t aux[4] = {0, 0, 0, 0}, out = -1;
    int r = c.condition ? s_.conditionZcdGen(buf.data(), aux, nullptr, &out)
                        : s_.formelZcdGen(buf.data(), aux, nullptr, &out);
    EXPECT_EQ(r, c.fits ? 1 : 0) << c.nameLength;
    EXPECT_EQ(out, c.fits ? 1 : 0);
    if (c.fits) {
      EXPECT_EQ(std::string(buf.data()), svc_->nextName);
    } else {
      EXPECT_EQ(buf[0], '\0');
      EXPECT_EQ(s_.errorText().substr(s_.errorText().find('\n') + 1), "Error!   Installation path is too long.");
      EXPECT_FALSE(fs::exists(dir_ + "/" + svc_->nextName));  // the unused file is removed
    }
  }
}

TEST_F(SessionTest, NoTemporaryFileIs1502) {
  svc_->givePath = false;
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.conditionZcdGen(buf, aux, nullptr, &out), 0);
  EXPECT_EQ(s_.errors().ids(), std::vector<int>{1502});
}

TEST_F(SessionTest, MissingDirectoryIs1501WithThePath) {
  svc_->dir_ = dir_ + "/missing";
  svc_->createFile = false;
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.conditionZcdGen(buf, aux, nullptr, &out), 0);
  EXPECT_EQ(s_.errors().lines().back(), "Error!   Cannot create file " + dir_ + "/missing/TMP0001.TMP.");
  EXPECT_STREQ(buf, "TMP0001.TMP");
}

TEST_F(SessionTest, FailedReplaceIs1500AndLeavesNoStrayFile) {
  // The path names a directory: the text cannot be put in its place.
  fs::create_directories(dir_ + "/TMP0001.TMP");
  svc_->createFile = false;
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.conditionZcdGen(buf, aux, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(s_.errors().lines().back(), "Error!   Cannot write to file " + dir_ + "/TMP0001.TMP.");
  EXPECT_STREQ(buf, "TMP0001.TMP");
  EXPECT_EQ(filesInDir(), 0u);
}

TEST_F(SessionTest, UnlinkFileDeletesOnlyPlainNamesInTheTemporaryDirectory) {
  std::ofstream(dir_ + "/TMP0009.TMP").flush();
  int16_t out = -1;
  s_.unlinkFile("TMP0009.TMP", &out);
  EXPECT_EQ(out, 1);
  EXPECT_FALSE(fs::exists(dir_ + "/TMP0009.TMP"));
  out = -1;
  s_.unlinkFile("TMP0009.TMP", &out);
  EXPECT_EQ(out, 0);
  // Names that would leave the directory are refused.
  fs::create_directories(dir_ + "/sub");
  std::ofstream(dir_ + "/outside.txt").flush();
  for (const char* bad : {"../outside.txt", "sub/../../outside.txt", "..", ".", "", "sub\\x"}) {
    out = -1;
    s_.unlinkFile(bad, &out);
    EXPECT_EQ(out, 0) << bad;
  }
  EXPECT_TRUE(fs::exists(dir_ + "/outside.txt"));
  // No name, or no directory: out is left alone.
  out = -1;
  s_.unlinkFile(nullptr, &out);
  EXPECT_EQ(out, -1);
  svc_->giveDir = false;
  s_.unlinkFile("x", &out);
  EXPECT_EQ(out, -1);
}

TEST_F(SessionTest, UnusableLibraryFailsEveryOperation) {
  s_.setUnusable(kToolMissing);
  int16_t aux[4] = {0, 0, 0, 0}, out = -1;
  EXPECT_EQ(s_.parseFormel("V1 = 1", aux, nullptr), 0);
  EXPECT_EQ(s_.errorText(), "Error!   Library OBELTOOL.DLL cannot be loaded.");
  char buf[EXPRPARSER_CONDITION_BUFFER_SIZE] = "E1";
  EXPECT_EQ(s_.conditionZcdGen(buf, aux, nullptr, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(filesInDir(), 0u);
}

}  // namespace
}  // namespace exprtest
