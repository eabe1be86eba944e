// The listing's line formatter gives the bytes of snprintf in the "C" locale
// for every listing format of the table and for the conversions a language
// library might use, and stays defined where printf is not.
#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <string>
#include <vector>

#include "lineformat.h"
#include "texts.h"

namespace {

template <class... A> void expectSame(const char* fmt, A... args) {
  cg::LineFormat f(fmt);
  ASSERT_TRUE(f.supported()) << fmt;
  const cg::FmtArg a[sizeof...(A) + 1] = {cg::FmtArg(args)..., cg::FmtArg(0)};
  std::string got;
  f.append(got, a, sizeof...(A));
  EXPECT_EQ(got, cg::formatText(fmt, args...)) << fmt;
  EXPECT_LE(got.size(), f.bound(a, sizeof...(A))) << fmt;
}

TEST(LineFormat, EveryListingFormatOfTheTableAsSnprintf) {
  const std::string longName(40, 'N');
  for (long line : {0L, 7L, 1234L, 98765L}) {
    for (const char* name : {"", "AWW", "NOP", "ABCDEFGHIJKLMNOP", longName.c_str()}) {
      for (uint32_t v : {0u, 0x1Fu, 0xFFFFu, 0xDEADBEEFu}) {
        expectSame(cg::builtinText(300), line, name, v);
        expectSame(cg::builtinText(301), line, name);
        expectSame(cg::builtinText(302), line, name, -3L, v);
        expectSame(cg::builtinText(302), line, name, 123456L, v);
        expectSame(cg::builtinText(303), line, static_cast<int>(v), v);
        expectSame(cg::builtinText(303), line, -5, v);
        expectSame(cg::builtinText(304), line, name, v);
        expectSame(cg::builtinText(307), line, name, 5L, 7, v);
        expectSame(cg::builtinText(309), line, name, v);
        expectSame(cg::builtinText(316), line, name, v);
        expectSame(cg::builtinText(319), line, name, 2L, INT_MIN);
        expectSame(cg::builtinText(321), line, name, 2L, 3, INT_MAX);
        expectSame(cg::builtinText(314), line, name, 2L, name);
        expectSame(cg::builtinText(329), line, name, 2L, 3, name, v, 17u);
        expectSame(cg::builtinText(326), line, name, 2L, 3);
        expectSame(cg::builtinText(327), v, v ^ 0xFFu, name);
        expectSame(cg::builtinText(328), v & 0xFFFFu, 0x12u, name);
      }
      for (double d : {0.0, -1.5, 3.4028234663852886e38, 1e-40, 12345.678}) {
        expectSame(cg::builtinText(305), line, d, 0x3FC00000u);
        expectSame(cg::builtinText(320), line, name, 1L, d);
        expectSame(cg::builtinText(322), line, name, 1L, 2, d);
      }
    }
  }
  expectSame(cg::builtinText(323), "prog.zcd");
  expectSame(cg::builtinText(331));
}

TEST(LineFormat, FlagsWidthsAndLengthsAsSnprintf) {
  expectSame("[%-8d|%08d|%8d|%-08d]", -42, -42, -42, 42);
  expectSame("[%+d|% d|%#x|%#o|%.3d|%.0d|%5.3u]", 7, 7, 255u, 8u, 5, 0, 9u);
  expectSame("[%5.2s|%-6s|%.0s|%.10s]", "abcdef", "ab", "xyz", "short");
  expectSame("[%c|%-3c|%3c]", 'A', 'b', 'c');
  expectSame("100%% and %d%%", 5);
  expectSame("%lu %ld %lld %llu %hd %hhu %hu", 4000000000ul, -4000000000L, LLONG_MIN, ULLONG_MAX, 70000, 300u,
             70000u);
  expectSame("%x %X %o %08x %-8X|", 0xabcdefu, 0xabcdefu, 511u, 0xbeefu, 0xbeefu);
  expectSame("%llx %llX %x %X %02x %x %X", 0x123456789abcdef0ull, 0xFEDCBA9876543210ull, 0u, 0xAu, 0x1u, 0x100u,
             0xFFFu);
  expectSame("%e %E %g %G %.2f %10.3e %-12g| %a", 1.5, -2.5e-10, 1e20, 0.0001, 3.14159, 6.02e23, 42.0, 1.0);
  expectSame("%f", 1e300);
  expectSame("no conversions at all");
  expectSame("");
}

TEST(LineFormat, ZeroPaddedNumbersAndRightAlignedTextsAtTheEdgesOfTheirWidth) {
  for (long v : {0L, 9L, 10L, 99L, 999L, 1000L, 9999L, 10000L, 123456789L, 999999999L, 1000000000L, -1L, -9999L,
                 LONG_MIN, LONG_MAX}) {
    expectSame("%04ld|%01ld|%03ld|%09ld|%02hd|%04hhd", v, v, v, v, static_cast<int>(v), static_cast<int>(v));
    expectSame("[%04d]", static_cast<int>(v));
    expectSame("%ld|%16ld|%5ld|%1ld|%16d|%2hd|%hhd|%lld", v, v, v, v, static_cast<int>(v), static_cast<int>(v),
               static_cast<int>(v), static_cast<long long>(v) / 7);
  }
  const std::string s15(15, 'a'), s16(16, 'b'), s17(17, 'c');
  for (const char* t : {"", "x", "ABCDEFGH", s15.c_str(), s16.c_str(), s17.c_str()}) {
    expectSame("[%16s|%1s|%8s|%3s]", t, t, t, t);
    expectSame("%16s", t);
    expectSame("(%s)%s|%0s", t, t, t);
  }
  // No text (where printf is undefined): "(null)" in the field.
  cg::LineFormat f("[%16s|%4s]");
  const cg::FmtArg none[] = {cg::FmtArg(static_cast<const char*>(nullptr)), cg::FmtArg(42), cg::FmtArg(0)};
  std::string got;
  f.append(got, none, 2);
  EXPECT_EQ(got, "[          (null)|(null)]");
  for (uint32_t v : {0u, 1u, 0x9u, 0xAu, 0xFu, 0x10u, 0x12345678u, 0x9ABCDEF0u, 0xA0B0C0D9u, 0xFFFFFFFFu})
    expectSame("%08X|%08x|%08lX|x%08X", v, v, static_cast<unsigned long>(v) << 4, v);
}

TEST(LineFormat, DecimalPointWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string keep = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale";
  cg::LineFormat f("%e|%g");
  const cg::FmtArg a[] = {cg::FmtArg(1.5), cg::FmtArg(2.25)};
  std::string got;
  f.append(got, a, 2);
  std::setlocale(LC_NUMERIC, keep.c_str());
  EXPECT_EQ(got, "1.500000e+00|2.25");
}

TEST(LineFormat, DefinedWherePrintfIsNot) {
  struct Case {
    const char* fmt;
    std::vector<cg::FmtArg> args;
    std::string want;
  };
  const Case cases[] = {
      {"%s|%d", {cg::FmtArg(5), cg::FmtArg("x")}, "(null)|0"},   // mismatched kinds
      {"%s and %d", {cg::FmtArg("one")}, "one and "},            // missing argument
      {"a%nb%d", {cg::FmtArg(1), cg::FmtArg(2)}, "ab2"},         // %n writes nothing anywhere
      {"%y%d", {cg::FmtArg(3)}, "%y3"},                          // unknown conversion kept as text
      {"end %", {}, "end %"},                                    // cut off at the end
      {"%s", {cg::FmtArg(static_cast<const char*>(nullptr))}, "(null)"},
  };
  for (const auto& c : cases) {
    cg::LineFormat f(c.fmt);
    std::string got;
    f.append(got, c.args.data(), c.args.size());
    EXPECT_EQ(got, c.want) << c.fmt;
    EXPECT_LE(got.size(), f.bound(c.args.data(), c.args.size())) << c.fmt;
  }
  // What the formatter does not take apart is left to snprintf by the caller.
  EXPECT_FALSE(cg::LineFormat("%*d").supported());
  EXPECT_FALSE(cg::LineFormat("%1$d").supported());
  EXPECT_FALSE(cg::LineFormat("%.99999f").supported());
  EXPECT_TRUE(cg::LineFormat("%04ld").supported());
}

}  // namespace
