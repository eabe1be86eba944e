// ObelTool.so as its callers see it: loaded by the name "OBELTOOL.DLL",
// every operation found by name, and the message window reached through it.
#include "obeltool/obeltool.h"
#include "private_runtime_dir.h"
#include "platform/library.h"
#include "settings_test_util.h"
#include <cstdlib>
#include <fstream>

namespace {

const char* const kExports[] = {
    "DeleteMStrBuf", "GetDLLVersion", "GetDefaultTargetFormat", "SetDefaultTargetFormat", "GetSoftResetTimeOut",
    "GetQuickStartStatus", "SetQuickStartStatus", "GetStatusBarStatus", "SetStatusBarStatus", "GetToolBarStatus",
    "SetToolBarStatus", "GetObelStartPosition", "SetObelStartPosition", "GetStartZoom", "SetStartZoom",
    "GetWorkSheetSize", "SetWorkSheetSize", "GetEditCursor", "SetEditCursor", "GetIOLabelStatus", "SetIOLabelStatus",
    "GetAutoRootOptions", "SetAutoRootOptions", "GetObelLOnlineCycleTime", "SetObelLOnlineCycleTime", "GetOffProg",
    "GetRemoveSysLib", "GetShowHelpNumber", "GetInsertBoxAttr", "SetInsertBoxAttr", "GetObelLanguage",
    "SetObelLanguage", "SetBINPath", "SetBINPathByString", "GetBINPath", "GetPROJECTPath", "GetTEMPPath",
    "GetDEVICEPath", "GetTEMPLATEPath", "GetLIBRARYPaths", "GetObelLanguagePath", "GetPathToObelIni",
    "GetPathToInterfaceIni", "GetPathToZrlTgtWinDLL", "GetPathToDdfReaderDLL", "GetPathToStockBarDLL",
    "GetPathToStockWinDLL", "GetPathToOTgtWinDLL", "GetLanguageTEMPLATEPath", "GetPathToLanguageHelpFile",
    "GetPathToZrlServer", "GetPathToMsgWnd", "GetPathToTrans", "GetPathToTransDLL", "GetPathToOAccessDLL",
    "GetPathToOMeExtraDLL", "GetPathToOnlineDLL", "GetPathToOnlDrv", "GetPathToMsgConvDLL", "GetPathToServer",
    "GetPathToProjectZCD", "GetPathToDDF", "GetPathToMAP", "GetPathToProjectError", "GetPathToDLF",
    "GetPathToProjectZCDForInst", "GetPathToProjectErrorForInst", "GetPathToDDFForInst", "GetPathToDLFForInst",
    "GetPathToMAPForInst", "GetPathToRES", "GetPathToTempFile", "GetServerData", "FreeServerData", "GetKXIFPort",
    "FreeKXIFPort", "GetKXIFSettings", "SetKXIFSettings", "IsKXIFMinVis", "IsKXIFActive", "GetZrlServerName",
    "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "ShowMsgProgBar", "InitMsgProgBar", "SetMsgProgBar",
    "CloseMsgWnd", "DebugOutput", "SetScreenSizeProvider"};

class Exports : public testing::Test {
protected:
  void SetUp() override {
    h = plat::lib::load("OBELTOOL.DLL", ZERLO_BIN_DIR);
    ASSERT_NE(h, nullptr) << plat::lib::lastError();
    dir = testutil::uniqueDir("exports");
    bin = dir + "/bin";
    std::filesystem::create_directories(bin);
  }
  void TearDown() override {
    if (h) {
      // No message window of a test is left behind, even after a failure.
      if (ownWindow) sym<MsgVoidFn>("CloseMsgWnd")();
      plat::lib::unload(h);
    }
    ::unsetenv("ZERLO_MSGWND_ENDPOINT");
    ::unsetenv("ZERLO_MESSAGES_LOG");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  template <class F> F sym(const char* n) { return plat::lib::symbolAs<F>(h, n); }
  plat::lib::Handle h = nullptr;
  std::string dir, bin;
  bool ownWindow = false;
};

TEST_F(Exports, EveryOperationIsFoundByName) {
  for (const char* n : kExports) EXPECT_NE(plat::lib::symbol(h, n), nullptr) << n;
  EXPECT_DOUBLE_EQ(sym<GetDLLVersionFn>("GetDLLVersion")(), 0.05);
  // The logic is not visible outside the library.
  EXPECT_EQ(plat::lib::symbol(h, "_ZN4obel13GetDLLVersionEv"), nullptr);
}

TEST_F(Exports, PathsThroughTheLibrary) {
  ASSERT_EQ(sym<SetBINPathByStringFn>("SetBINPathByString")((bin + "/OBEL.INI").c_str()), 1);
  MStrBuf b{nullptr, 0, 0};
  ASSERT_EQ(sym<PathGetterForInstFn>("GetPathToProjectZCDForInst")(&b, 2), 1);
  EXPECT_EQ(std::string(b.text), dir + "/TEMP/TMP002.Q");
  EXPECT_EQ(sym<DeleteMStrBufFn>("DeleteMStrBuf")(&b), 0);
  EXPECT_EQ(b.text, nullptr);
  EXPECT_EQ(sym<DeleteMStrBufFn>("DeleteMStrBuf")(&b), 0);
  ASSERT_EQ(sym<PathGetterFn>("GetPathToObelIni")(&b), 1);
  EXPECT_EQ(std::string(b.text), bin + "/OBEL.INI");
  sym<DeleteMStrBufFn>("DeleteMStrBuf")(&b);
  sym<SetObelLOnlineCycleTimeFn>("SetObelLOnlineCycleTime")(10);
  std::uint32_t ms = 0;
  sym<GetObelLOnlineCycleTimeFn>("GetObelLOnlineCycleTime")(&ms);
  EXPECT_EQ(ms, 50u);
}

// The client starts the message window program named by the settings
// ("MESSAGES.EXE" is the program MESSAGES), sends, and closes it.
TEST_F(Exports, MessageWindowThroughTheLibrary) {
  std::string endpoint = "ztest-exports-" + std::to_string(::getpid());
  std::string log = dir + "/events.log";
  ::setenv("ZERLO_MSGWND_ENDPOINT", endpoint.c_str(), 1);
  ::setenv("ZERLO_MESSAGES_LOG", log.c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the program runs without a window
  ownWindow = true;
  testutil::writeText(bin + "/OBEL.INI",
                      "[PROGRAMS]\nMSGWND=" + std::string(ZERLO_BIN_DIR) + "/messages.exe\n");
  ASSERT_EQ(sym<SetBINPathByStringFn>("SetBINPathByString")((bin + "/OBEL.INI").c_str()), 1);
  EXPECT_EQ(sym<MsgTextFn>("AppendMsgLine")("hello"), 1);
  std::int16_t ints[] = {1, 1, 42};
  double reals[] = {2.5};
  std::int16_t mode = 4, result = 0;
  EXPECT_EQ(sym<DebugOutputFn>("DebugOutput")("n=%d x=%f %s", ints, reals, nullptr, &mode, &result), 0);
  EXPECT_EQ(result, 1);
  mode = 2;
  EXPECT_EQ(sym<DebugOutputFn>("DebugOutput")(nullptr, nullptr, nullptr, nullptr, &mode, &result), 1);
  EXPECT_EQ(sym<IntSetterFn>("SetMsgProgBar")(3), 1);
  EXPECT_EQ(sym<MsgVoidFn>("CloseMsgWnd")(), 1);
  std::string text = testutil::readText(log);
  EXPECT_EQ(text, "LINE hello\nLINE n=42 x=2.500000 %s\nEMPTY\nPROGBAR POS 3\nCLOSE\n");
}

} // namespace
