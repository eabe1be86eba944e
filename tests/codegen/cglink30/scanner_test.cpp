// Tokens of the target program text.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

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

// A file is read in pieces of 64 KiB: names, numbers, comments and source
// switches lying across the end of a piece give the tokens, switches and
// line numbers of the same text scanned whole.
TEST(Scanner, TokensAcrossTheReadPiecesAsInMemory) {
  const size_t piece = size_t(1) << 16;
  const std::string tails[] = {"&FUNCNAME_LONG\n", "#DW12345.3 = 1.5e-3\n", ":  AB12\n", ";#f='other.zcd'\n",
                               "; a comment of some length\n", "%LABEL_X\n", "  Z1   : 4294967295\n"};
  const std::string dir = ::testing::TempDir() + "cglink30_scanpieces_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  for (const std::string& tail : tails) {
    for (size_t before = 1; before < tail.size(); ++before) {
      // Filler lines up to the place where the tail is cut by the piece end.
      std::string text;
      const std::string filler = std::string(60, ' ') + ": PW7\n";
      while (text.size() + filler.size() + 1 < piece - before) text += filler;
      text += std::string(piece - before - text.size() - 1, ' ') + "\n";
      text += tail + ";#f='last'\n&AWW\n";
      ASSERT_EQ(text.compare(piece - before, tail.size(), tail), 0);

      auto tokens = [&](cg::Scanner& s, std::vector<std::string>& switches) {
        s.onSwitch([&](const std::string& a, const std::string& b) { switches.push_back(a + ">" + b); });
        std::vector<std::string> out;
        cg::Token t;
        while (s.next(t) != cg::T_EOF)
          out.push_back(std::to_string(t.code) + "|" + t.text + "|" + std::to_string(t.num) + "|" +
                        std::to_string(t.dbl) + "|" + std::to_string(t.index) + "|" + std::to_string(t.bit) + "|" +
                        std::to_string(t.line));
        return out;
      };
      cg::TextSource texts;
      cg::Messages m1(texts, nullptr), m2(texts, nullptr);
      cg::Scanner inMemory(m1), fromFile(m2);
      const std::string path = dir + "/text.zcd";
      std::FILE* f = std::fopen(path.c_str(), "wb");
      ASSERT_NE(f, nullptr);
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
      ASSERT_EQ(fromFile.open(path), 0);
      inMemory.openMemory(text, path);
      std::vector<std::string> sw1, sw2;
      const auto want = tokens(inMemory, sw1);
      EXPECT_EQ(tokens(fromFile, sw2), want) << tail << " cut after " << before;
      EXPECT_EQ(sw2, sw1) << tail << " cut after " << before;
      EXPECT_EQ(m2.storedLines(), m1.storedLines());
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace cgtest
