// Prompts through the stand-ins of the dialog libraries, messages with help
// contexts, route options and the sheet helpers.
#include "shell/prompts.h"

#include "fixtures.h"
#include "display/gdi.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/help.h"
#include "shell/menustate.h"
#include "shell/utilities.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shelltest;

namespace {

class Prompts : public ::testing::Test {
protected:
  void SetUp() override {
    setProgramDir(fixtureDir("good"));
    for (const char* f : {"OBELTOOL.DLL", "STOCKWIN.DLL", "ZRLTGTWIN.DLL"}) fixtureClear(fixtureDir("good"), f);
    ASSERT_EQ(bind_LoadObelTool(), 1);
    ASSERT_EQ(bind_LoadStockWin(), 1);
    ASSERT_EQ(bind_LoadZrlTgtWin(1), 1);
    dlg_ResetSelectionState();
    programFlags() = ProgramFlags{};
  }
  void TearDown() override {
    bind_UnloadAll();
    clearBindLog();
    setProgramDir("");
    programFlags() = ProgramFlags{};
    help_ResetContext();
  }
  void answer(const char* file, const char* name, long v) {
    fixtureFn<void (*)(const char*, long)>(fixtureDir("good"), file, "FixtureSet")(name, v);
  }
  std::string calls(const char* file) { return fixtureCalls(fixtureDir("good"), file); }
  std::shared_ptr<plat::ui::ScriptedSink> sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scope{sink};
};

} // namespace

TEST_F(Prompts, TextAndConnectorDialogs) {
  std::string text = "old";
  std::uint16_t height = 0;
  answer("STOCKWIN.DLL", "SW31_CallInsertTextDlg", 2);
  EXPECT_EQ(dlg_AskText(text, 100, height), 0);
  EXPECT_EQ(text, "old");
  answer("STOCKWIN.DLL", "SW31_CallInsertTextDlg", 1);
  EXPECT_EQ(dlg_AskText(text, 100, height), 1);
  EXPECT_EQ(height, 16);   // the last chosen height
  EXPECT_EQ(text, "old");
  std::string name = "IN1";
  std::int16_t a = 3, b = 4;
  answer("STOCKWIN.DLL", "SW30_CallInsertConnectorDlg", 1);
  EXPECT_EQ(dlg_AskOutputName("Input", name, a, b, false), 1);
  EXPECT_EQ(name, "");   // without values the name is emptied first
  EXPECT_EQ(a, 3);
  EXPECT_NE(calls("STOCKWIN.DLL").find("SW30_CallInsertConnectorDlg"), std::string::npos);
}

TEST_F(Prompts, CompileDownloadAndSaveQuery) {
  answer("ZRLTGTWIN.DLL", "ZRTA01_CallCompileProgressDlg", 2);
  EXPECT_EQ(dlg_Compile(), 0);
  answer("ZRLTGTWIN.DLL", "ZRTA01_CallCompileProgressDlg", 1);
  CompileResult r;
  r.warnings = 1;   // the stand-in leaves the record as it is
  EXPECT_EQ(dlg_Compile(&r), 1);
  EXPECT_NE(calls("ZRLTGTWIN.DLL").find("ZRTA02_CallCompileResultDlg"), std::string::npos);
  answer("ZRLTGTWIN.DLL", "ZRTA03_CallDownloadProgressDlg", 0);
  EXPECT_EQ(dlg_Download(), 0);
  EXPECT_FALSE(programFlags().downloaded);
  answer("ZRLTGTWIN.DLL", "ZRTA03_CallDownloadProgressDlg", 1);
  EXPECT_EQ(dlg_Download(), 1);
  EXPECT_TRUE(programFlags().downloaded);
  EXPECT_TRUE(programFlags().startOnline);
  const std::string zr = calls("ZRLTGTWIN.DLL");
  EXPECT_LT(zr.find("ZRTA00_SetProjectFilePath"), zr.find("ZRTA03_CallDownloadProgressDlg"));
  // 40008 with Yes/No/Cancel.
  sink->answerBox(plat::ui::IDCANCEL);
  EXPECT_EQ(dlg_AskSaveChanges(), plat::ui::IDCANCEL);
  ASSERT_FALSE(sink->shown().empty());
  EXPECT_EQ(sink->shown().back().style & 0xF, unsigned(plat::ui::MB_YESNOCANCEL));
}

TEST_F(Prompts, MessagesKeepTheHelpContext) {
  help_SetContext(601);
  msg_ShowWithHelp(33, 50016);
  EXPECT_EQ(help_GetContext(), 601);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].style, unsigned(plat::ui::MB_ICONINFORMATION));
  sink->answerBox(plat::ui::IDYES);
  EXPECT_EQ(dlg_AskYesNo(40006), 1);
  sink->answerBox(plat::ui::IDNO);
  EXPECT_EQ(dlg_AskYesNo(40006), 0);
  sink->answerBox(plat::ui::IDYES);
  EXPECT_EQ(dlg_AskYesNoWithText(20, 50059, "calc"), 1);
  EXPECT_NE(calls("STOCKWIN.DLL").find("50059 calc"), std::string::npos);
  EXPECT_FALSE(msg_PlainBoxOpen());
  msg_PlainBox("text", "caption");
  EXPECT_EQ(sink->shown().back().caption, "caption");
}

namespace {
struct Sheets : SheetWindows {
  struct W { View v; int x, y, rx = 0, ry = 0, ew = 0, eh = 0, invalid = 0; };
  std::vector<W> w;
  int count() override { return int(w.size()); }
  View view(int n) override { return w[std::size_t(n)].v; }
  void setExtent(int n, int ew, int eh) override { w[std::size_t(n)].ew = ew; w[std::size_t(n)].eh = eh; }
  void scrollPosition(int n, int& x, int& y) override { x = w[std::size_t(n)].x; y = w[std::size_t(n)].y; }
  void setScroll(int n, int x, int y, int rx, int ry) override {
    auto& s = w[std::size_t(n)];
    s.x = x; s.y = y; s.rx = rx; s.ry = ry;
  }
  void invalidate(int n) override { ++w[std::size_t(n)].invalid; }
};
} // namespace

TEST(SheetHelpers, SizeZoomAndRouteOptions) {
  Sheets s;
  s.w.push_back({{800, 600}, 1500, 20});
  setSheetWindows(&s);
  const float one = 1.0f;
  disp::gdi_SetZoom(&one);
  const int before = ws_GetSheetSize();
  EXPECT_EQ(ws_SetSheetSize(0u << 16 | 500), 0);
  EXPECT_EQ(ws_SetSheetSize(700u << 16 | 0), 0);
  EXPECT_EQ(ws_GetSheetSize(), before);
  EXPECT_EQ(s.w[0].invalid, 0);
  ASSERT_EQ(ws_SetSheetSize(1200u << 16 | 900), 1);
  EXPECT_EQ(ws_GetSheetSize(), int(1200u << 16 | 900));
  EXPECT_EQ(s.w[0].rx, 400);
  EXPECT_EQ(s.w[0].ry, 300);
  EXPECT_EQ(s.w[0].x, 400);   // clamped into the new range
  EXPECT_EQ(s.w[0].y, 20);
  ws_SetZoomAll(2.0f);
  EXPECT_EQ(s.w[0].ew, 400);
  EXPECT_EQ(s.w[0].eh, 300);
  EXPECT_FLOAT_EQ(disp::gdi_GetZoom(), 2.0f);
  disp::gdi_SetZoom(&one);
  setSheetWindows(nullptr);
  ws_SetSheetSize(1600u << 16 | 1130);

  dlg_ResetSelectionState();
  EXPECT_EQ(blk_GetRouteFlag(), 1);
  EXPECT_EQ(blk_GetRouteOptions().node, 6);
  blk_SetRouteFlag(0);
  EXPECT_EQ(blk_GetRouteOptions().onoff, 0);
  blk_SetRouteOptions({1, 9, 0});
  EXPECT_EQ(blk_GetRouteOptions().node, 9);
}
