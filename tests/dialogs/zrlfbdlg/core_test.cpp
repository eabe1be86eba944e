// Operand names, handles, number readers and the formula dialogs' write-back.
#include "operand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace fbd;

TEST(Operand, ReadAndNormalForm) {
  struct Case { const char* in; int read, kind, number; const char* normal; };
  const Case cases[] = {
      {"Var5", 1, 0, 5, "VAR5"}, {"V5", 1, 0, 5, "VAR5"}, {" VAR5", 1, 0, 5, "VAR5"}, {"\tVAR12 x", 1, 0, 12, "VAR12"},
      {"VAR", 0, 0, 0, "VAR?"}, {"VAX5", 0, 0, 0, "VAR?"}, {"VAR100", 0, 0, 0, "VAR?"}, {"VAR0", 0, 0, 0, "VAR?"},
      {"Q1", 0, 0, 0, "VAR?"}, {"", 0, 0, 0, "VAR?"}, {"ea", 1, 2, 0, "EA"}, {"ED", 1, 2, 3, "ED"},
      {"EY", 1, 3, 1, "EY"}, {"ex", 1, 3, 0, "EX"}, {"E48", 1, 4, 48, "E48"}, {"E05", 1, 4, 5, "E5"},
      {"E49", 0, 0, 0, "VAR?"}, {"E0", 0, 0, 0, "VAR?"}, {"Z3X", 1, 1, 3, "Z3"}, {"z16", 1, 1, 16, "Z16"},
      {"Z17", 0, 0, 0, "VAR?"}, {"E", 0, 0, 0, "VAR?"}, {"V", 0, 0, 0, "VAR?"},
  };
  for (const Case& c : cases) {
    int kind = 7, number = 7;
    EXPECT_EQ(fbd_ParseOperand(c.in, kind, number), c.read) << c.in;
    EXPECT_EQ(kind, c.kind) << c.in;
    EXPECT_EQ(number, c.number) << c.in;
    std::string normal;
    fbd_FormatOperand(kind, number, normal);
    EXPECT_EQ(normal, c.normal) << c.in;
  }
  int k = 1, n = 1;
  EXPECT_EQ(fbd_ParseOperand(nullptr, k, n), 0);
  EXPECT_EQ(k + n, 0);
  std::string out = "x";
  fbd_FormatOperand(5, 1, out);
  EXPECT_EQ(out, "");
  fbd_FormatOperand(1, 0, out);
  EXPECT_EQ(out, "Z?");
  fbd_FormatOperand(4, 0, out);
  EXPECT_EQ(out, "E?");
}

TEST(Operand, Handles) {
  struct Case { int kind, number; double cls, index; std::int16_t mark; };
  const Case cases[] = {{0, 7, 5, 7, 0}, {1, 3, 9, 3, 0}, {2, 0, 5, 101, 0}, {2, 3, 5, 104, 0},
                        {3, 0, 5, 105, 0}, {3, 1, 5, 106, 0}, {4, 48, 2, 49, 1}, {0, 0, 5, 0, 0}};
  for (const Case& c : cases) {
    double v[4] = {1, -1, -1, -1};
    std::int16_t mark = 9;
    fbd_WriteOperandHandle(c.kind, c.number, v + 1, &mark);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], c.cls);
    EXPECT_EQ(v[2], c.index);
    EXPECT_EQ(v[3], 0);
    EXPECT_EQ(mark, c.mark);
  }
  double v[4] = {1, -1, -1, -1};
  fbd_WriteOperandHandle(5, 1, v + 1, nullptr);
  fbd_WriteOperandHandle(4, 1, nullptr, nullptr);
  EXPECT_EQ(v[1], -1);
  fbd_WriteOperandHandle(4, 2, v + 1, nullptr);
  EXPECT_EQ(v[1], 2);
}

TEST(Numbers, BoundedAndShort) {
  EXPECT_EQ(fbd_ParseBoundedNumber("05", 1, 48), 5);
  EXPECT_EQ(fbd_ParseBoundedNumber("99999999999999999999", 1, 99), 0);
  EXPECT_EQ(fbd_ParseBoundedNumber("0", 1, 99), 0);
  EXPECT_EQ(fbd_ParseBoundedNumber(nullptr, 0, 99), 0);
  struct Case { const char* in; int read, value; };
  const Case cases[] = {{"  -12x", 1, -12}, {"40000", 1, -25536}, {"+", 0, 0}, {"x1", 0, 0}, {"32767", 1, 32767},
                        {"-32768", 1, -32768}, {"99999999999", 1, 0}, {"+7", 1, 7}};
  for (const Case& c : cases) {
    int v = 99;
    EXPECT_EQ(fbd_ParseShort(c.in, v), c.read) << c.in;
    if (std::strcmp(c.in, "99999999999") == 0) {
      // Digits stop adding once the value reaches 32768: 99999 kept as 16 bits.
      EXPECT_EQ(v, int(std::int16_t(99999 & 0xFFFF)));
    } else {
      EXPECT_EQ(v, c.value) << c.in;
    }
  }
  int v = 5;
  EXPECT_EQ(fbd_ParseShort(nullptr, v), 0);
  EXPECT_EQ(v, 0);
}

TEST(Inputs, ListAndStrings) {
  const auto& l = inputList();
  ASSERT_EQ(l.size(), 42u);
  EXPECT_EQ(l.front(), 1);
  EXPECT_EQ(l[26], 31);
  EXPECT_EQ(l[34], 41);
  EXPECT_EQ(l.back(), 48);
  EXPECT_EQ(inputStringId(1), 100u);
  EXPECT_EQ(inputStringId(31), 126u);
  EXPECT_EQ(inputStringId(48), 141u);
  EXPECT_EQ(inputStringId(27), 0u);
  EXPECT_EQ(inputStringId(40), 0u);
}

TEST(Caller, BoundedTextsAndOwner) {
  const char unterminated[4] = {'V', 'A', 'R', '1'};
  EXPECT_EQ(readBounded(unterminated, 4), "VAR1");
  EXPECT_EQ(readBounded("ab", 10), "ab");
  EXPECT_EQ(readBounded(nullptr, 10), "");
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  writeBounded(buf, "abcdefgh", 5);
  EXPECT_EQ(std::string(buf), "abcde");
  EXPECT_EQ(buf[6], 'x');

  const double inf = std::numeric_limits<double>::infinity();
  struct Case { double v; std::uint32_t id; };
  const Case cases[] = {{0, 0}, {17, 17}, {17.5, 0}, {-3, 0}, {inf, 0}, {-inf, 0},
                        {std::nan(""), 0}, {4294967295.0, 4294967295u}, {1e20, 0}};
  for (const Case& c : cases) {
    double vec[1] = {c.v};
    EXPECT_EQ(ownerOf(vec), c.id) << c.v;
  }
  EXPECT_EQ(ownerOf(nullptr), 0u);
}

TEST(Formula, InsertAtSelection) {
  // 33 characters: "/" makes 34; a further one passes the limit.
  std::string f(33, 'a');
  int caret = -1;
  EXPECT_TRUE(insertAtSelection(f, 33, 33, "/", 34, caret));
  EXPECT_EQ(f.size(), 34u);
  EXPECT_EQ(caret, 34);
  std::string before = f;
  EXPECT_FALSE(insertAtSelection(f, 34, 34, "/", 34, caret));
  EXPECT_EQ(f, before);
  // 38 characters, caret in the middle: " AND " would pass 40.
  std::string c(38, 'b');
  EXPECT_FALSE(insertAtSelection(c, 19, 19, " AND ", 40, caret));
  EXPECT_EQ(c, std::string(38, 'b'));
  std::string c35(35, 'b');
  EXPECT_TRUE(insertAtSelection(c35, 10, 10, " AND ", 40, caret));
  EXPECT_EQ(c35, std::string(10, 'b') + " AND " + std::string(25, 'b'));
  EXPECT_EQ(caret, 15);
  // A selection is replaced.
  std::string s = "VAR1+VAR2";
  EXPECT_TRUE(insertAtSelection(s, 4, 5, "*", 34, caret));
  EXPECT_EQ(s, "VAR1*VAR2");
  EXPECT_EQ(caret, 5);
}

TEST(Formula, AssignAndConditionWriteBack) {
  std::string v, e;
  EXPECT_EQ(assignFormula(v, e), "VAR?=0");
  EXPECT_EQ(v, "VAR?");
  EXPECT_EQ(e, "0");
  char text[70];
  std::memset(text, 'x', sizeof text);
  std::int16_t aux[5] = {1, 2, 3, 4, 5};
  assignWriteBack("VAR1", std::string(70, '1'), text, aux);
  EXPECT_STREQ(text, "VAR1");
  EXPECT_EQ(std::strlen(text + 10), 59u);
  EXPECT_EQ(aux[3], 0);
  EXPECT_EQ(aux[2], 3);

  EXPECT_EQ(conditionText("", true), "VAR?=0");
  EXPECT_EQ(conditionText("", false), "E?");
  EXPECT_EQ(conditionText("E1", false), "E1");
  char cond[41];
  std::int16_t a[5] = {1, 1, 1, 7, 7};
  conditionWriteBack("E3 OR E2", true, true, cond, a);
  EXPECT_STREQ(cond, "E3 OR E2");
  EXPECT_EQ(a[3], 1);
  EXPECT_EQ(a[4], 0);
  conditionWriteBack("E3", true, false, nullptr, a);
  EXPECT_EQ(a[3], 0);
  std::int16_t r[5] = {1, 1, 1, 7, 7};
  conditionWriteBack("E3", false, true, nullptr, r);
  EXPECT_EQ(r[3], 0);
  EXPECT_EQ(r[4], 7);
}

TEST(Formula, VisualWriteBack) {
  char text[6] = "";
  std::int16_t aux[2] = {9, 9};
  double v[4] = {0, 0, 0, 9};
  EXPECT_EQ(visualWriteBack("ex", text, aux, v), "EX");
  EXPECT_STREQ(text, "EX");
  EXPECT_EQ(aux[0], 0);
  EXPECT_EQ(aux[1], 0);
  EXPECT_EQ(v[1], 5);
  EXPECT_EQ(v[2], 105);
  EXPECT_EQ(v[3], 0);
  visualWriteBack("E7", text, aux, v);
  EXPECT_STREQ(text, "E7");
  EXPECT_EQ(aux[1], 1);
  EXPECT_EQ(v[1], 2);
  EXPECT_EQ(v[2], 8);
  visualWriteBack("junk", text, aux, v);
  EXPECT_STREQ(text, "VAR?");
  EXPECT_EQ(aux[0], 1);
  EXPECT_EQ(v[1], 5);
  EXPECT_EQ(v[2], 0);
  // Without aux neither aux nor the vector are written.
  double w[4] = {0, -1, -1, -1};
  visualWriteBack("Z2", text, nullptr, w);
  EXPECT_EQ(w[1], -1);
  EXPECT_STREQ(text, "Z2");
}
