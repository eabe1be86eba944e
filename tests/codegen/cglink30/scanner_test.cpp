// Tokens of the target program text.
#include <gtest/gtest.h>

#include "scanner.h"

namespace cgtest {
namespace {

struct Tok {
  int code;
  std::string text;
  long index;
  int bit;
};

std::vector<Tok> scan(const std::string& text, std::vector<std::string>* msgs = nullptr) {
  cg::TextSource texts;
  cg::Messages m(texts, nullptr);
  cg::Scanner s(m);
  s.openMemory(text, "mem");
  std::vector<Tok> out;
  cg::Token t;
  while (s.next(t) != cg::T_EOF) {
    std::string v = t.text;
    if (t.code == cg::T_INT || t.code == cg::T_NEWSCRIPT) v = std::to_string(t.num);
    if (t.code == cg::T_FLOAT) v = std::to_string(t.dbl);
    out.push_back({t.code, v, t.index, t.bit});
  }
  if (msgs) *msgs = m.storedLines();
  return out;
}

TEST(Scanner, TokensOfEachForm) {
  struct {
    std::string text;
    int code;
    std::string value;
    long index;
    int bit;
  } table[] = {
      {"&BEG", cg::T_BEGIN, "BEG", 0, -1},
      {"&END", cg::T_END, "END", 0, -1},
      {"&beg", cg::T_FUNC, "beg", 0, -1},
      {"&AWW_2", cg::T_FUNC, "AWW_2", 0, -1},
      {": DW17", cg::T_VAR, "DW", 17, -1},
      {":A13.0", cg::T_VAR, "A", 13, 0},
      {":  PW", cg::T_VAR, "PW", 0, -1},
      {"#B1.7", cg::T_DEFVAR, "B", 1, 7},
      {"#Name_3x12", cg::T_DEFVAR, "Name_3x", 12, -1},
      {"% MCRST", cg::T_MARKE, "MCRST", 0, -1},
      {"%0101", cg::T_BIN, "0101", 0, -1},
      {"$ 1fA", cg::T_HEX, "1fA", 0, -1},
      {"> S12", cg::T_NEWSCRIPT, "12", 0, -1},
      {"@readBinFile", cg::T_READBIN, "", 0, -1},
      {"\"a 'b'\"", cg::T_STRING, "a 'b'", 0, -1},
      {"'c:\\x.bin'", cg::T_FILEDATA, "c:\\x.bin", 0, -1},
      {"4294967295", cg::T_INT, "4294967295", 0, -1},
      {"12.5e-1", cg::T_FLOAT, std::to_string(1.25), 0, -1},
      {"3E+2", cg::T_FLOAT, std::to_string(300.0), 0, -1},
      {"0.5", cg::T_FLOAT, std::to_string(0.5), 0, -1},
  };
  for (const auto& c : table) {
    auto toks = scan(c.text);
    ASSERT_EQ(toks.size(), 1u) << c.text;
    EXPECT_EQ(toks[0].code, c.code) << c.text;
    EXPECT_EQ(toks[0].text, c.value) << c.text;
    EXPECT_EQ(toks[0].index, c.index) << c.text;
    EXPECT_EQ(toks[0].bit, c.bit) << c.text;
  }
}

TEST(Scanner, LabelsColonsCommentsAndLineEnds) {
  auto toks = scan(" T_ms  : 100 ;comment : 5\r\n:100\n05\n: ,\n");
  std::vector<int> codes;
  for (auto& t : toks) codes.push_back(t.code);
  EXPECT_EQ(codes, (std::vector<int>{cg::T_ID, cg::T_COLON, cg::T_INT, cg::T_NL, cg::T_COLON, cg::T_INT, cg::T_NL,
                                     cg::T_INT, cg::T_INT, cg::T_NL, cg::T_COLON, cg::T_COMMA, cg::T_NL}));
}

TEST(Scanner, DroppedTokensAndMessages) {
  std::vector<std::string> msgs;
  auto toks = scan(":DW5.9\n@FOO x\n~\n99999999999\n\"open\n1.\n", &msgs);
  std::vector<int> codes;
  for (auto& t : toks) codes.push_back(t.code);
  // DW5.9: the variable is dropped and 9 is read on.
  EXPECT_EQ(codes, (std::vector<int>{cg::T_INT, cg::T_NL, cg::T_NL, cg::T_NL, cg::T_INT, cg::T_NL, cg::T_STRING,
                                     cg::T_NL, cg::T_FLOAT, cg::T_NL}));
  EXPECT_EQ(msgs, (std::vector<std::string>{"Error in line 2 : Unknown command @FOO !",
                                            "Error in line 3 : Unknown character ~!",
                                            "Error in line 4 : Format is invalid.",
                                            "Error in line 5 : String exceeds end of line!",
                                            "Error in line 6 : Error in float number format!"}));
}

TEST(Scanner, ControlCharactersAreShownVisiblyInMessages) {
  std::vector<std::string> msgs;
  scan(std::string("\x01\n\x1b\n") + std::string(1, '\0') + "\n\x7f\n", &msgs);
  EXPECT_EQ(msgs, (std::vector<std::string>{"Error in line 1 : Unknown character \\x01!",
                                            "Error in line 2 : Unknown character \\x1B!",
                                            "Error in line 3 : Unknown character \\x00!",
                                            "Error in line 4 : Unknown character \\x7F!"}));
  for (const auto& m : msgs)
    for (char c : m) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << "raw control byte in: " << m;
}

TEST(Scanner, HexAndBinaryConstantsBeyond32BitsAreRefused) {
  std::vector<std::string> msgs;
  auto toks = scan("$FFFFFFFF\n$000000001\n$100000000\n%" + std::string(32, '1') + "\n%1" + std::string(32, '0') + "\n",
                   &msgs);
  EXPECT_EQ(msgs, (std::vector<std::string>{"Error in line 3 : Format is invalid.",
                                            "Error in line 5 : Format is invalid."}));
}

TEST(Scanner, SourceSwitchRestartsTheLineCount) {
  cg::TextSource texts;
  cg::Messages m(texts, nullptr);
  cg::Scanner s(m);
  std::string text = ";#f='first'\nx\n;#f='second.zcd'\n\n~\n;#f=''\n";
  s.openMemory(text, "prelim");
  std::vector<std::pair<std::string, std::string>> switches;
  s.onSwitch([&](const std::string& a, const std::string& b) { switches.push_back({a, b}); });
  cg::Token t;
  while (s.next(t) != cg::T_EOF) {
  }
  EXPECT_EQ(switches, (std::vector<std::pair<std::string, std::string>>{{"prelim", "first"}, {"first", "second.zcd"}}));
  EXPECT_EQ(s.sourceName(), "second.zcd");
  EXPECT_EQ(m.storedLines(), (std::vector<std::string>{"Error in line 2 : Unknown character ~!"}));
}

}  // namespace
}  // namespace cgtest
