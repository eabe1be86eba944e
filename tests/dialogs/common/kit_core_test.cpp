// The dialog kit without widgets: formatter, box styles, boxes by number,
// help, placement, resources.
#include "dialogkit/boxes.h"
#include "dialogkit/format.h"
#include "dialogkit/resources.h"

#include "platform/uisink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace kit;
using namespace plat::ui;
namespace fs = std::filesystem;

TEST(Format, TableOfTemplates) {
  struct Case {
    const char* tmpl;
    std::vector<FormatArg> args;
    const char* want;
  };
  const Case cases[] = {
      {"Help Context: %u", {60u}, "Help Context: 60"},
      {"%s and %s", {"a", "b"}, "a and b"},
      {"%d|%5d|%-5d|%05d|%+d", {-3, 42, 42, -42, 7}, "-3|   42|42   |-0042|+7"},
      {"%02X %x %#x", {255u, 171u, 171u}, "FF ab 0xab"},
      {"%.2f|%8.3f|%f", {1.005, -2.5, 0.1}, "1.00|  -2.500|0.100000"},
      {"%.3s|%5s|%-5s|", {"abcdef", "ab", "ab"}, "abc|   ab|ab   |"},
      {"100%% sure", {}, "100% sure"},
      {"%u", {-1}, "%u"},                   // int for %u: stays literal
      {"%d %s", {"x", 5}, "%d x"},          // a wrong type stays and takes no argument
      {"%s %d", {"x"}, "x %d"},             // nothing left
      {"%n %p %s", {"ok"}, "%n %p ok"},     // unknown conversions stay
      {"%99999d", {1}, "%99999d"},          // too wide
      {"%lu items", {3u}, "3 items"},
      {"end %", {}, "end %"},
      {"%5", {1}, "%5"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatChecked(c.tmpl, c.args), c.want) << c.tmpl;
}

TEST(BoxStyle, DecodesButtonsIconsDefaultsAndTopmost) {
  struct Case {
    unsigned style;
    std::vector<int> buttons;
    int def, esc;
    BoxIcon icon;
    bool topmost;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK, IDOK, BoxIcon::None, false},
      {MB_OKCANCEL | MB_ICONEXCLAMATION | MB_TOPMOST, {IDOK, IDCANCEL}, IDOK, IDCANCEL, BoxIcon::Exclamation, true},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3 | MB_ICONHAND, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, 0, BoxIcon::Stop,
       false},
      {MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL,
       BoxIcon::Question, false},
      {MB_YESNO | MB_DEFBUTTON3 | MB_ICONINFORMATION, {IDYES, IDNO}, IDYES, 0, BoxIcon::Information, false},
      {MB_RETRYCANCEL | MB_SYSTEMMODAL, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL, BoxIcon::None, true},
      {7u | 0x50u, {IDOK}, IDOK, IDOK, BoxIcon::None, false},
  };
  for (const Case& c : cases) {
    BoxStyle b = decodeStyle(c.style);
    EXPECT_EQ(b.buttons, c.buttons) << c.style;
    EXPECT_EQ(b.defaultAnswer, c.def) << c.style;
    EXPECT_EQ(b.escapeAnswer, c.esc) << c.style;
    EXPECT_EQ(b.icon, c.icon) << c.style;
    EXPECT_EQ(b.topmost, c.topmost) << c.style;
  }
  EXPECT_TRUE(decodeStyle(MB_OK | MB_SETFOREGROUND).foreground);
}

TEST(Placement, CentresOnCursorAndKeepsTenPixelsInsideEveryEdge) {
  const Rect screen{0, 0, 800, 600};
  struct Case {
    std::optional<Point> cursor;
    int w, h;
    Point want;
  };
  const Case cases[] = {
      {Point{400, 300}, 200, 100, {300, 250}},
      {std::nullopt, 200, 100, {300, 250}},  // no cursor: the screen's centre
      {Point{5, 300}, 200, 100, {10, 250}},     // left edge
      {Point{400, 0}, 200, 100, {300, 10}},     // top edge
      {Point{795, 300}, 200, 100, {590, 250}},  // right edge
      {Point{400, 599}, 200, 100, {300, 490}},  // bottom edge
      {Point{0, 0}, 900, 700, {-110, -110}},    // larger than the screen: the far edges win
  };
  for (const Case& c : cases) {
    Point p = placeAtCursor(c.w, c.h, c.cursor, screen);
    EXPECT_EQ(p.x, c.want.x);
    EXPECT_EQ(p.y, c.want.y);
  }
  Point off = placeAtCursor(100, 100, Point{1000, 50}, Rect{800, 0, 640, 480});  // a second screen
  EXPECT_EQ(off.x, 950);
  EXPECT_EQ(off.y, 10);
}

namespace {
const StringEntry kStrings[] = {{1, "Zerlo"}, {1000, "Missing: %s"}, {2000, "Help Context: %u"},
                                {101, "Help key word: %s"}, {7, "50% off %s"}};
const DialogTextEntry kDialogs[] = {{129, 0, "Zerlo"}, {129, 1000, "Checking program ..."}};
const unsigned char kPic[] = {'B', 'M', 9};
const BitmapEntry kPics[] = {{300, kPic, sizeof kPic}, {301, kPic, 2}};
const ResourceTable kTable{kStrings, 5, kDialogs, 2, kPics, 2};

struct TempDir {
  fs::path dir;
  TempDir() {
    dir = fs::temp_directory_path() / ("kit-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
    fs::create_directories(dir);
  }
  ~TempDir() { fs::remove_all(dir); }
  void write(const std::string& name, const std::string& text) const { std::ofstream(dir / name) << text; }
};
} // namespace

TEST(Resources, BuiltInThenLanguageLibraryOverridesAndFallsBack) {
  Resources r(kTable);
  EXPECT_FALSE(r.languageLoaded());
  EXPECT_EQ(r.text(1), "Zerlo");
  EXPECT_FALSE(r.string(999));
  EXPECT_EQ(r.dialogText(129, 1000).value_or(""), "Checking program ...");
  EXPECT_EQ(r.bitmap(300).size(), 3u);

  EXPECT_FALSE(r.loadLanguage(std::string(KIT_TESTLIBS) + "/NOWHERE/KITTESTRES.DLL"));
  EXPECT_FALSE(r.lastError().empty());
  ASSERT_TRUE(r.loadLanguage(languageLibraryPath(std::string(KIT_TESTLIBS) + "/GERMAN", "kittestres.dll")))
      << r.lastError();
  EXPECT_EQ(r.text(1), "Zerlo-Test");
  EXPECT_EQ(r.text(2000), "Help Context: %u");  // not translated: built in
  EXPECT_EQ(r.dialogText(129, 0).value_or(""), "Pruefen");
  EXPECT_EQ(r.dialogText(129, 1000).value_or(""), "Checking program ...");
  std::string longText = r.text(5000);
  EXPECT_GT(longText.size(), 256u);
  EXPECT_EQ(longText.substr(longText.size() - 4), "Ende");
  EXPECT_EQ(r.bitmap(300), (std::vector<unsigned char>{'B', 'M', 1, 2, 3}));
  EXPECT_EQ(r.bitmap(301).size(), 2u);
  r.unloadLanguage();
  EXPECT_EQ(r.text(1), "Zerlo");
}

TEST(Resources, TableExportsCutAndTerminate) {
  char buf[4];
  EXPECT_EQ(tableLoadString(kTable, 1, buf, sizeof buf), 3);
  EXPECT_STREQ(buf, "Zer");
  EXPECT_EQ(tableLoadString(kTable, 1, nullptr, 10), 0);
  EXPECT_EQ(tableLoadString(kTable, 42, buf, sizeof buf), 0);
  EXPECT_EQ(tableLoadBitmap(kTable, 300, nullptr, 0), 3);
  EXPECT_EQ(languageLibraryPath("/a/ENGLISH/", "zrltgtwinres.dll"), "/a/ENGLISH/ZRLTGTWINRES.DLL");
  EXPECT_EQ(languageLibraryPath("", "X.DLL"), "");
}

TEST(Boxes, ByNumberFormatsCaptionsAndMissingTextIsCancel) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  Resources r(kTable);
  sink->answerBox(IDNO);
  EXPECT_EQ(boxById(r, 1000, 1, MB_YESNO, true, {"ObelTool"}), IDNO);
  EXPECT_EQ(boxById(r, 7, 1, MB_OK), IDOK);               // unformatted: shown as it is
  EXPECT_EQ(boxById(r, 7, 99, MB_OK, true, {"x"}), IDOK); // no caption text
  EXPECT_EQ(boxById(r, 39999, 1, MB_YESNO), IDCANCEL);    // no text: no box
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Missing: ObelTool");
  EXPECT_EQ(shown[0].caption, "Zerlo");
  EXPECT_EQ(shown[0].style, unsigned(MB_YESNO));
  EXPECT_EQ(shown[1].text, "50% off %s");
  EXPECT_EQ(shown[2].text, "50% off x");
  EXPECT_EQ(shown[2].caption, "");
}

TEST(Help, NumberBoxThenRequestThroughTheSink) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  Resources r(kTable);
  HelpTexts t{2000, 101, 1};
  sink->answerHelp(false);
  EXPECT_FALSE(requestHelp(r, t, true, "/x/ZERLO.HLP", 60, {}, 77));
  EXPECT_TRUE(requestHelp(r, t, true, "/x/ZERLO.HLP", 0, "Connector"));
  EXPECT_FALSE(requestHelp(r, t, true, "", 55));  // no help file: the number only
  EXPECT_TRUE(requestHelp(r, t, false, "/x/ZERLO.HLP", 14));
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Help Context: 60");
  EXPECT_EQ(shown[0].style, unsigned(MB_ICONINFORMATION));
  EXPECT_EQ(shown[1].text, "Help key word: Connector");
  EXPECT_EQ(shown[2].text, "Help Context: 55");
  auto helps = sink->helps();
  ASSERT_EQ(helps.size(), 3u);
  EXPECT_EQ(helps[0].context, 60u);
  EXPECT_EQ(helps[0].owner, 77u);
  EXPECT_TRUE(helps[1].byKeyword);
  EXPECT_EQ(helps[1].keyword, "Connector");
  EXPECT_EQ(helps[2].context, 14u);
}

TEST(Help, IndexBesideTheHelpFileNamesThePage) {
  TempDir t;
  t.write("ZERLO.HLP", "");
  t.write("ZERLO.HLP.idx", "# pages\n\ncontext 60 compile.html\nkeyword connector conn.html\ncontext 61 gone.html\n");
  t.write("compile.html", "<p>compile</p>");
  t.write("conn.html", "<p>connector</p>");
  HelpRequest q;
  q.file = (t.dir / "ZERLO.HLP").string();
  q.context = 60;
  EXPECT_EQ(resolveHelpPage(q).value_or(""), (t.dir / "compile.html").string());
  q.context = 61;  // page missing
  EXPECT_FALSE(resolveHelpPage(q));
  q.context = 62;  // no entry
  EXPECT_FALSE(resolveHelpPage(q));
  q.byKeyword = true;
  q.keyword = "CONNECTOR";
  EXPECT_EQ(resolveHelpPage(q).value_or(""), (t.dir / "conn.html").string());
  q.file = (t.dir / "NONE.HLP").string();  // no help file
  EXPECT_FALSE(resolveHelpPage(q));
}

// A key word may hold blanks: the page is the line's last word.
TEST(Help, KeyWordWithBlanksFindsItsPage) {
  TempDir t;
  t.write("ZERLO.HLP", "");
  t.write("ZERLO.HLP.idx", "keyword Function block: WAITV3 wait.html\nkeyword Function block: waitv3x other.html\n");
  t.write("wait.html", "<p>wait</p>");
  t.write("other.html", "<p>other</p>");
  HelpRequest q;
  q.file = (t.dir / "ZERLO.HLP").string();
  q.byKeyword = true;
  for (const char* k : {"Function block: WAITV3", "FUNCTION BLOCK:  waitv3", "Function block: WAITV3 "}) {
    q.keyword = k;
    EXPECT_EQ(resolveHelpPage(q).value_or(""), (t.dir / "wait.html").string()) << k;
  }
  q.keyword = "Function block:";
  EXPECT_FALSE(resolveHelpPage(q));
}
