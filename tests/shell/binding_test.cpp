#include "shell/binding.h"
#include "shell/resources.h"
#include "shell/utilities.h"
#include "fixtures.h"
#include "platform/uisink.h"
#include "platform/windows.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <atomic>
#include <type_traits>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace shell;
using shelltest::fixtureCalls;
using shelltest::fixtureDir;

namespace {

class Binding : public testing::Test {
protected:
  void TearDown() override {
    bind_UnloadAll();
    clearBindLog();
    setProgramDir("");
  }
  void useProgramDir(const std::string& variant) {
    setProgramDir(fixtureDir(variant));
    for (const char* f : {"OBELTOOL.DLL", "STOCKWIN.DLL", "STOCKBARS.DLL", "ZRLTGTWIN.DLL"})
      shelltest::fixtureClear(fixtureDir(variant), f);
  }
  std::string lastReason() const { return bindLog().empty() ? "" : bindLog().back().reason; }
};

TEST_F(Binding, ObelToolVersionAndNamesAreChecked) {
  struct Case { const char* variant; int result; const char* reason; };
  for (const Case& c : {Case{"old", 0, "version"}, Case{"lacking", 0, "missing SetInsertBoxAttr"},
                        Case{"good", 1, ""}}) {
    SCOPED_TRACE(c.variant);
    useProgramDir(c.variant);
    EXPECT_EQ(bind_LoadObelTool(), c.result);
    EXPECT_EQ(isBound(Lib::ObelTool), c.result == 1);
    ASSERT_FALSE(bindLog().empty());
    EXPECT_EQ(bindLog().back().library, "ObelTool");
    EXPECT_NE(lastReason().find(c.reason), std::string::npos) << lastReason();
    if (!c.result) {
      EXPECT_EQ(boundEntry(Lib::ObelTool, "GetBINPath"), nullptr);
    }
    bind_UnloadObelTool();
  }
}

TEST_F(Binding, NameListsHaveTheirSizes) {
  EXPECT_EQ(boundNames(Lib::ObelTool).size(), 55u);
  EXPECT_EQ(boundNames(Lib::StockWin).size(), 35u);   // 34 and SW13_SetObelServiceFctns
  EXPECT_EQ(boundNames(Lib::StockBar).size(), 44u);
  EXPECT_EQ(boundNames(Lib::ZrlTgtWin).size(), 16u);
  EXPECT_EQ(boundNames(Lib::PageFrame).size(), 5u);
  EXPECT_EQ(boundNames(Lib::StockWin).back(), "SW13_SetObelServiceFctns");
}

TEST_F(Binding, LanguageZeroIsWrittenBackAsTwo) {
  useProgramDir("lang0");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(boundLanguage(), 2);
  std::string calls = fixtureCalls(fixtureDir("lang0"), "OBELTOOL.DLL");
  EXPECT_NE(calls.find("SetObelLanguage 2"), std::string::npos) << calls;
  EXPECT_EQ(bind_GetObelLanguage(), 2);
}

TEST_F(Binding, OtherLanguagesAreKeptAndASecondLoadChangesNothing) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(boundLanguage(), 3);
  std::size_t logged = bindLog().size();
  void* entry = boundEntry(Lib::ObelTool, "GetBINPath");
  EXPECT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(bindLog().size(), logged);
  EXPECT_EQ(boundEntry(Lib::ObelTool, "GetBINPath"), entry);
  std::string calls = fixtureCalls(fixtureDir("good"), "OBELTOOL.DLL");
  EXPECT_EQ(calls.find("SetObelLanguage"), std::string::npos);
  EXPECT_NE(calls.find("SetBINPath"), std::string::npos);
}

TEST_F(Binding, DialogAndBarLibrariesFollowTheirRules) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(bind_LoadStockWin(), 1);
  EXPECT_NE(fixtureCalls(fixtureDir("good"), "STOCKWIN.DLL").find("SW13_SetObelServiceFctns"), std::string::npos);
  EXPECT_EQ(bind_LoadStockBar(), 1);
  EXPECT_NE(fixtureCalls(fixtureDir("good"), "STOCKBARS.DLL").find("SB00_SetStartFlags"), std::string::npos);
  EXPECT_EQ(bind_LoadZrlTgtWin(4), 1);
  EXPECT_NE(fixtureCalls(fixtureDir("good"), "ZRLTGTWIN.DLL").find("ZRTA00_SetInstanceNumber 4"), std::string::npos);
  bind_UnloadStockBar();
  EXPECT_FALSE(isBound(Lib::StockBar));
  std::string tool = fixtureCalls(fixtureDir("good"), "OBELTOOL.DLL");
  EXPECT_NE(tool.find("SetStatusBarStatus"), std::string::npos);
  EXPECT_NE(tool.find("SetToolBarStatus"), std::string::npos);

  // Without SW13, a bar library 1.001 and a target library 0.9: refused.
  bind_UnloadAll();
  useProgramDir("lang0");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(bind_LoadStockWin(), 0);
  EXPECT_NE(lastReason().find("SW13_SetObelServiceFctns"), std::string::npos);
  EXPECT_EQ(bind_LoadStockBar(), 0);
  EXPECT_NE(lastReason().find("version"), std::string::npos);
  EXPECT_EQ(bind_LoadZrlTgtWin(1), 0);
  EXPECT_EQ(bind_SW50_CallMBWithID(0, 50037, 0), 2);
}

TEST_F(Binding, OptionalLibraries) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(bind_LoadObelCtrl(), 1);
  EXPECT_EQ(bind_LoadPageFrame(), 1);
  EXPECT_TRUE(pf_IsBound());
  pf_SetProjectPath("projects/A VERY LONG PROJECT NAME.MDL  ");
  EXPECT_EQ(pf_ProjectName(), "A VERY LONG PROJECT");
  char record[64] = {};
  bind_of00_PaintFrame(record, sizeof record);
  EXPECT_STREQ(record + 24, "A VERY LONG PROJECT");
  bind_of00_ClickFrame(record, sizeof record);
  EXPECT_STREQ(record + 32, "A VERY LONG PROJECT");
  PageFramePaint paint{};
  ws_PaintPageFrame(paint, true, true);
  EXPECT_EQ(paint.mode, 2);
  EXPECT_STREQ(paint.projectName, "A VERY LONG PROJECT");
  PageFrameClick click{};
  ws_ClickPageFrame(click, false);
  EXPECT_EQ(click.mode, 3);
  EXPECT_STREQ(click.projectName, "A VERY LONG PROJECT");
  EXPECT_EQ(pf_Mode(false, true), 4);
  EXPECT_EQ(bind_LoadTargetWindow(1), 1);
  // The menu extras are not configured: no path, not bound.
  EXPECT_EQ(bind_LoadMenuExtra(), 0);
  // Without a language folder library nothing is loaded.
  EXPECT_EQ(bind_LoadLanguage(), 0);
  EXPECT_EQ(res_GetModule(), nullptr);
}

TEST_F(Binding, PathWrappers) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  char buf[512];
  ASSERT_EQ(bind_GetBINPathToBuffer(buf, sizeof buf), 1);
  EXPECT_EQ(std::string(buf), fixtureDir("good") + "/");
  ASSERT_EQ(bind_GetBINPathToBuffer(buf, 5), 1);
  EXPECT_EQ(std::string(buf), fixtureDir("good").substr(0, 4));
  ASSERT_EQ(bind_GetTEMPPathToBuffer(buf, sizeof buf), 1);
  EXPECT_EQ(std::string(buf), fixtureDir("good") + "/TEMP/");
  const char* help = bind_GetPathToLanguageHelpFile();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(std::string(help), fixtureDir("good") + "/ENGLISH/ZERLO.HLP");
  setInstanceNumber(3);
  MStrBuf b{nullptr, 0, 0};
  bind_GetPathToMAPForInst(&b);
  bind_DeleteMStrBuf(&b);
  EXPECT_NE(fixtureCalls(fixtureDir("good"), "OBELTOOL.DLL").find("GetPathToMAPForInst 3"), std::string::npos);
  setInstanceNumber(1);
}

// Calls a wrapper with zero arguments of its parameter types.
template <class R, class... A> R callWithZeros(R (*f)(A...)) { return f(A{}...); }

TEST_F(Binding, EveryWrapperAnswersItsUnboundValue) {
  bind_UnloadAll();
#define SHELL_CHECK_UNBOUND(ret, name, params, args, unbound)                 \
  [](auto f) {                                                              \
    if constexpr (std::is_void_v<ret>) callWithZeros(f);                    \
    else EXPECT_EQ(callWithZeros(f), ret(unbound)) << #name;                \
  }(static_cast<ret(*) params>(&bind_##name));
  SHELL_OBELTOOL_NAMES(SHELL_CHECK_UNBOUND)
  SHELL_STOCKWIN_NAMES(SHELL_CHECK_UNBOUND)
  SHELL_STOCKBAR_NAMES(SHELL_CHECK_UNBOUND)
  SHELL_ZRLTGTWIN_NAMES(SHELL_CHECK_UNBOUND)
  SHELL_OBELCTRL_NAMES(SHELL_CHECK_UNBOUND)
  SHELL_MENUEXTRA_NAMES(SHELL_CHECK_UNBOUND)
#undef SHELL_CHECK_UNBOUND
  // Spot checks of the rule.
  EXPECT_EQ(bind_GetQuickStartStatus(), 1);
  EXPECT_EQ(bind_GetEditCursor(), 1);
  EXPECT_EQ(bind_SW50_CallMBWithID(0, 50037, 0), 2);
  EXPECT_EQ(bind_ZRTA05_CallInterfaceSettigsDlg(0, 1), 2);
  EXPECT_EQ(bind_TA01_LoginByServer(0, 0), 0);
  EXPECT_EQ(bind_IsKXIFActive(), 0);
  char buf[8] = "x";
  EXPECT_EQ(bind_GetBINPathToBuffer(buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(bind_GetPathToLanguageHelpFile(), nullptr);
}

TEST_F(Binding, IsKXIFActiveNeverCallsTheLibrary) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  EXPECT_EQ(bind_IsKXIFActive(), 0);
  EXPECT_EQ(fixtureCalls(fixtureDir("good"), "OBELTOOL.DLL").find("IsKXIFActive"), std::string::npos);
}

TEST_F(Binding, LoadStringOfIdZero) {
  char buf[16] = "junk";
  EXPECT_EQ(res_LoadString(0, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(res_LoadString(1, nullptr, 5), 0);
  EXPECT_EQ(res_LoadString(1, buf, 0), 0);
  EXPECT_EQ(res_LoadString(1, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "Zerlo");
  EXPECT_EQ(res_LoadString(59999, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
}

#ifdef SHELL_WITH_OBELTOOL
TEST_F(Binding, TheRealLibrariesBindFromTheProgramDirectory) {
  // The dialog libraries have windows: a build without Qt has none to bind.
  if (!std::filesystem::exists(std::string(ZERLO_BIN_DIR) + "/stockwin.so"))
    GTEST_SKIP() << "no dialog libraries in this build";
  setProgramDir(ZERLO_BIN_DIR);
  ASSERT_EQ(bind_LoadObelTool(), 1) << lastReason();
  EXPECT_EQ(boundLanguage(), 2);
  EXPECT_EQ(bind_LoadStockWin(), 1) << lastReason();
  EXPECT_EQ(bind_LoadZrlTgtWin(1), 1) << lastReason();
  EXPECT_EQ(bind_LoadObelCtrl(), 1) << lastReason();
  // The English language library in bin/ENGLISH.
  ASSERT_EQ(bind_LoadLanguage(), 1) << lastReason();
  EXPECT_NE(res_GetModule(), nullptr);
  char buf[32];
  EXPECT_EQ(res_LoadString(21, buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "Out%d");
  EXPECT_EQ(res_LoadString(1, buf, 3), 2);
  EXPECT_STREQ(buf, "Ze");
  EXPECT_EQ(res_LoadString(59999, buf, sizeof buf), 0);
  for (const BindLogEntry& e : bindLog()) EXPECT_TRUE(e.bound) << e.library << " " << e.file << " " << e.reason;
}
#endif

} // namespace

namespace {

// A window of this process that records what is posted to it.
struct RecordingWindow : plat::win::WindowTarget {
  std::mutex mu;
  std::vector<std::uint32_t> posted;
  void* widget() const override { return nullptr; }
  bool post(std::uint32_t msg, std::int64_t, std::int64_t) override {
    std::lock_guard<std::mutex> lock(mu);
    posted.push_back(msg);
    return true;
  }
  std::int64_t send(std::uint32_t, std::int64_t, std::int64_t) override { return 0; }
  std::size_t count() {
    std::lock_guard<std::mutex> lock(mu);
    return posted.size();
  }
};

TEST_F(Binding, StartScreenTellsTheFrameOnceItsSlotIsFilled) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  ASSERT_EQ(bind_LoadStockWin(), 1);
  auto frame = std::make_shared<RecordingWindow>();
  plat::handles::Id id = plat::win::registerWindow(frame);
  static std::uint32_t slot = 0;
  std::atomic_ref<std::uint32_t>(slot).store(0);
  EXPECT_NE(bind_SW22_CreateStartBitmapDlg(&slot, 20), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(frame->count(), 0u) << "nothing while the slot is empty";
  std::atomic_ref<std::uint32_t>(slot).store(id);
  for (int i = 0; i < 100 && frame->count() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(frame->count(), 1u);
  EXPECT_EQ(frame->posted[0], 0x400u + 41);
  // Destroyed before its time: no message.
  EXPECT_NE(bind_SW22_CreateStartBitmapDlg(&slot, 500), 0u);
  bind_SW22_DestroyStartBitmapDlg(&slot);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(frame->count(), 1u);
  plat::win::unregisterWindow(id);
}

} // namespace

namespace {

TEST_F(Binding, NameDialogsOfTheStandIn) {
  useProgramDir("good");
  ASSERT_EQ(bind_LoadObelTool(), 1);
  ASSERT_EQ(bind_LoadStockWin(), 1);
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  char name[17] = "";
  sink->answerPrompt("AVERYLONGSUBPROGRAMNAME");
  EXPECT_EQ(bind_SW07_CallSelectMacroDlg(0, nullptr, name), 1);
  EXPECT_STREQ(name, "AVERYLONGSUBPROG");
  char to[17] = "";
  EXPECT_EQ(bind_SW10_CallRenameMacroDlg(0, nullptr, name, to), 2) << "cancelled";
  char path[128] = "";
  sink->answerPrompt("/p/NEW.MDL");
  EXPECT_EQ(bind_SW05_CallNewProjectDlg(0, path, sizeof path), 1);
  EXPECT_STREQ(path, "/p/NEW.MDL");
  // The target dialogs answer as unavailable.
  ASSERT_EQ(bind_LoadZrlTgtWin(1), 1);
  EXPECT_EQ(bind_TA01_LoginByServer(0, 0), 0);
  EXPECT_EQ(bind_ZRTA01_CallCompileProgressDlg(0, nullptr), 2);
}

} // namespace
