// Programs with errors and warnings: the exact lines of the message file, in
// order, and no download file when there is an error.
#include "compile_support.h"

namespace cgtest {
namespace {

const std::string kFrameEnd = "&END\n Li_Nr : 1\n";
std::string frame(const std::string& body) { return "&BEG\n T_ms : 10\n Li_Nr : 1\n" + body + kFrameEnd; }

struct Case {
  const char* name;
  std::string text;
  std::vector<std::string> lines;  // after "Processing <source>"
  bool download;                   // warnings only: the download file is written
};

class MessageFileTest : public TempDirTest, public ::testing::WithParamInterface<Case> {};

TEST_P(MessageFileTest, WritesExactlyTheseLines) {
  const Case& c = GetParam();
  FakeTarget t = FakeTarget::standard(4);
  if (std::string(c.name) == "warnings_still_give_a_download") t.modules["NOP"] = 0x18;
  RunResult r = compile(c.text, t);
  EXPECT_TRUE(r.boxes.empty()) << r.boxes[0];
  std::vector<std::string> want = {"Processing " + path("prog.zcd")};
  want.insert(want.end(), c.lines.begin(), c.lines.end());
  EXPECT_EQ(r.messages, want);
  EXPECT_EQ(r.hasDownload, c.download);
  EXPECT_EQ(r.result, c.download ? 1 : 0);
  EXPECT_FALSE(r.prelimLeft);
}

const Case kCases[] = {
    {"mixed_errors_sorted_by_line",
     "&BEG\n T_ms  : 10\n Li_Nr : 1\n&FOO\n : DW999\n : 1.5e\n&AWW\n : PW1\n : ?\n&END\n Li_Nr : 2\n",
     {"Error in line 1 : Different task number in BEG and END block.",
      "Error in line 4 : Functions FOO is not defined in target.",
      "Error in line 5 : This program is too large. The number of function blocks must be reduced (DW not defined).",
      "Error in line 6 : Error in float number format (exponent)!",
      "Error in line 9 : Unknown character ?!",
      "Error in line 9 : Syntax error !",
      "Error in line 9 : Erroneous function block parameter.",
      "7 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"unknown_block_without_nop", frame("&FOO\n"),
     {"Error in line 4 : Functions FOO is not defined in target.", "1 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"warnings_still_give_a_download",
     frame("&XYZ\n : DW1.3\n>S2\n>S2\n#DW1.3 = 5\n"),
     {"Warning in line 4 : Function XYZ  is not defined in target.",
      "Warning in line 5 : Variable DW format is invalid.",
      "Warning in line 7 : Script is already defined.",
      "Warning in line 8 : Variable DW format is invalid.",
      "0 error(s), 4 warning(s). (Help: Press F1)"},
     true},
    {"undefined_mark_has_no_prefix", frame("&JPZ\n : %NOWHERE\n : B1.0\n"),
     {"Error : Mark NOWHERE is not defined !", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"mark_defined_twice", frame("%M1\n%M1\n"),
     {"Error in line 5 : Mark M1 is already defined.", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"task_defined_twice_and_illegal_number",
     frame("") + "&BEG\n T_ms : 10\n Li_Nr : 1\n&END\n Li_Nr : 1\n&BEG\n T_ms : 10\n Li_Nr : 7\n&END\n Li_Nr : 7\n",
     {"Error in line 6 : Task is already defined.", "Error in line 11 : Illegal task number.",
      "2 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"integer_beyond_32_bits", frame("#DL1 = 4294967296\n#DL2 = 4294967295\n"),
     {"Error in line 4 : Format is invalid.", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"scanner_messages",
     frame("&AWW\n : %2\n : $G\n : \"abc\n>X\n@READ\n") ,
     {"Error in line 5 : Format is invalid.", "Error in line 5 : Syntax error !",
      "Error in line 5 : Erroneous function block parameter.",
      "Error in line 6 : Format is invalid.", "Error in line 6 : Syntax error !",
      "Error in line 6 : Erroneous function block parameter.",
      "Error in line 7 : String exceeds end of line!",
      "Error in line 7 : Syntax error !",
      "Error in line 7 : Erroneous function block parameter.",
      "Error in line 8 : Format is invalid.", "Error in line 9 : Unknown command @READ !",
      "11 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"definition_without_valid_value", frame("#DW1 = ,\n#DW2 =\n"),
     {"Error in line 4 : Syntax error !", "Error in line 4 : Variable format is invalid.",
      "Error in line 5 : Syntax error !", "Error in line 5 : Variable format is invalid.",
      "4 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"end_number_followed_by_junk", "&BEG\n T_ms : 10\n Li_Nr : 1\n&END\n Li_Nr : 1 2\n",
     {"Error in line 5 : Syntax error !", "Error in line 5 : End of file not found.",
      "2 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"bad_begin_gives_task_zero_silently", "&BEG 5\n&AWW\n&END\n Li_Nr : 0\n",
     {"Error in line 1 : Syntax error !", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"zero_followed_by_digit", frame("&AWW\n : 05\n"),
     {"Error in line 5 : Syntax error !", "Error in line 5 : Erroneous function block parameter.",
      "2 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"bit_nine_drops_the_variable", frame("&AWW\n X : DW5.9\n"),
     {"Error in line 5 : Syntax error !", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"file_command_with_junk_is_ignored", frame("&AWW\n@readbinfile x\n"),
     {"Error in line 5 : Syntax error !", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
    {"item_junk_recovers_at_next_item", frame("42\n&AWW\n : 1\n") + "junk\n#DW1 = 1\n",
     {"Error in line 4 : Syntax error !", "Error in line 9 : Syntax error !",
      "2 error(s), 0 warning(s). (Help: Press F1)"},
     false},
    {"end_of_file_inside_a_task", "&BEG\n T_ms : 10\n Li_Nr : 1\n&AWW\n",
     {"Error in line 7 : Syntax error !", "1 error(s), 0 warning(s). (Help: Press F1)"}, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, MessageFileTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MessageClasses, FollowTheNumbers) {
  struct {
    int number, cls;
  } table[] = {{0, 0},  {10, 1}, {25, 1},  {30, 1},  {33, 2},  {34, 1},  {37, 2},  {38, 1},
               {50, 1}, {51, 2}, {56, 1},  {57, 1},  {58, 2},  {59, 1},  {60, 2},  {1, 3},
               {200, 3}, {203, 3}, {204, 4}, {16, 2}, {26, 2}, {62, 2}};
  for (const auto& t : table) EXPECT_EQ(cg::messageClass(t.number), t.cls) << t.number;
}

class StoreTest : public TempDirTest {};

TEST_F(StoreTest, OrdersByLineAndKeepsTheOrderRaisedWithinALine) {
  cg::TextSource texts;
  cg::Messages m(texts, nullptr);
  m.report(37, 7);
  m.report(22, 7);
  m.report(51, 3);
  m.report(26, cg::kNoLine);
  m.report(54, 7);
  EXPECT_EQ(m.storedLines(),
            (std::vector<std::string>{"Error in line 3 : Task is already defined.", "Error in line 7 : Syntax error !",
                                      "Error in line 7 : Erroneous function block parameter.",
                                      "Error in line 7 : Different task number in BEG and END block.",
                                      "The available program memory is not enough for the program."}));
}

TEST_F(StoreTest, ScannerMessagesWithTextsOfTheirOwnShowThem) {
  cg::TextSource texts;
  cg::Messages m(texts, nullptr);
  const std::string file = "prog.inc";
  m.report(13, 4);
  m.report(15, 9, file);
  EXPECT_EQ(m.storedLines(), (std::vector<std::string>{"Error in line 4 : String exceeds end of line!",
                                                        "Error in line 9 : Cannot read file prog.inc."}));
}

TEST_F(StoreTest, StopsStoringAtTheLimitAndSaysTooManyErrors) {
  cg::TextSource texts;
  std::vector<std::string> boxes;
  cg::Messages m(texts, [&](const std::string& t, const std::string&, unsigned) { boxes.push_back(t); });
  for (uint32_t i = 1; i <= 251; ++i) m.report(37, i);
  EXPECT_EQ(m.errors(), 250u);
  EXPECT_EQ(m.stored(), 250u);
  EXPECT_EQ(m.summaryLine(), "Too many errors. (Help: Press F1)");
  m.report(35, cg::kNoLine, "x.bin");  // fatal ones are counted all the same
  EXPECT_EQ(m.errors(), 251u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "LINK : Fatal error !   Cannot open file x.bin");
  m.report(204, cg::kNoLine);
  EXPECT_EQ(boxes.back(),
            "LINK : Warning ! Not enough memory in target for auto start info. Data will not be loaded. ");
  EXPECT_EQ(m.warnings(), 1u);

  m.appendToFile(path("m.err"), "src");
  auto lines = splitLines(readAll(path("m.err")));
  ASSERT_EQ(lines.size(), 252u);
  EXPECT_EQ(lines[0], "Processing src");
  EXPECT_EQ(lines[250], "Error in line 250 : Syntax error !");
  EXPECT_EQ(lines[251], "Too many errors. (Help: Press F1)");
}

TEST_F(StoreTest, AppendsToAnExistingFileAndReportsAFileThatCannotBeCreated) {
  cg::TextSource texts;
  std::vector<std::string> boxes;
  cg::Messages m(texts, [&](const std::string& t, const std::string&, unsigned) { boxes.push_back(t); });
  writeText(path("m.err"), "before\n");
  m.report(52, 2);
  m.appendToFile(path("m.err"), "");
  EXPECT_EQ(splitLines(readAll(path("m.err"))),
            (std::vector<std::string>{"before", "Error in line 2 : Illegal task number.",
                                      "1 error(s), 0 warning(s). (Help: Press F1)"}));
  m.report(52, 2);
  m.appendToFile(path("no/such/dir/m.err"), "");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "LINK : Fatal error !   Cannot create file " + path("no/such/dir/m.err") + " !");
  EXPECT_EQ(m.stored(), 0u);
}

TEST_F(StoreTest, ManyErrorsInAProgram) {
  FakeTarget t = FakeTarget::standard(4);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "#ZZ1\n";
  RunResult r = compile(text, t);
  ASSERT_EQ(r.messages.size(), 252u);
  EXPECT_EQ(r.messages[1],
            "Error in line 1 : This program is too large. The number of function blocks must be reduced (ZZ not defined).");
  EXPECT_EQ(r.messages.back(), "Too many errors. (Help: Press F1)");
  EXPECT_EQ(r.adv.errors, 250u);
}

}  // namespace
}  // namespace cgtest

namespace cgtest {
namespace {

TEST(Texts, ALanguageLibraryReplacesTextsAndTheTableFillsTheRest) {
  cg::TextSource texts;
  texts.setOverride([](int id, std::string& out) {
    if (id != 37) return false;
    out = "Syntaxfehler !";
    return true;
  });
  cg::Messages m(texts, nullptr);
  m.report(37, 2);
  m.report(51, 3);
  EXPECT_EQ(m.storedLines(), (std::vector<std::string>{"Error in line 2 : Syntaxfehler !",
                                                       "Error in line 3 : Task is already defined."}));
  EXPECT_STREQ(cg::builtinText(200), "Function %s  is not defined in target.");
  EXPECT_EQ(cg::builtinText(3), nullptr);
}

}  // namespace
}  // namespace cgtest
