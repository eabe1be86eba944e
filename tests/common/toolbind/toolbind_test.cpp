// The binding module against stand-in settings libraries and the real one.
#include "toolbind/toolbind.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The names the standard dialogs library binds, in its order.
const std::vector<std::string> kStockwinNames = {
    "AppendMsgLine",     "AppendMsgFile",   "EmptyMsgWnd",         "CloseMsgWnd",
    "SetBINPath",        "GetBINPath",      "GetLIBRARYPaths",     "GetPROJECTPath",
    "GetShowHelpNumber", "GetObelLanguage", "SetObelLanguage",     "GetObelLanguagePath",
    "GetLanguageTEMPLATEPath", "GetPathToInterfaceIni", "GetPathToLanguageHelpFile", "DeleteMStrBuf"};

std::string fake(const char* variant) { return std::string(TOOLBIND_FAKES) + "/" + variant; }

int fakeCount(const toolbind::ToolBinding&, const std::string& dir, const char* what) {
  // The stand-in is already loaded; loading it again gives the same instance.
  auto h = plat::lib::load("OBELTOOL.DLL", dir);
  auto f = plat::lib::symbolAs<int (*)(const char*)>(h, "FakeCount");
  int n = f ? f(what) : -2;
  plat::lib::unload(h);
  return n;
}

toolbind::BindOptions options(const std::string& dir, double minVersion) {
  toolbind::BindOptions o;
  o.dir = dir;
  o.minVersion = minVersion;
  o.names = kStockwinNames;
  return o;
}

TEST(ToolBind, VersionMinimum) {
  const struct { const char* variant; double min; toolbind::BindStatus want; } cases[] = {
      {"v003", 0.04, toolbind::BindStatus::TooOld},  {"v004", 0.04, toolbind::BindStatus::Bound},
      {"v005", 0.04, toolbind::BindStatus::Bound},   {"v005", 0.05, toolbind::BindStatus::Bound},
      {"v004", 0.05, toolbind::BindStatus::TooOld},  {"v003", 0.01, toolbind::BindStatus::Bound},
  };
  for (const auto& c : cases) {
    toolbind::ToolBinding tb;
    EXPECT_EQ(tb.bind(options(fake(c.variant), c.min)), c.want) << c.variant << " " << c.min;
    EXPECT_EQ(tb.bound(), c.want == toolbind::BindStatus::Bound);
    tb.unbind();
    EXPECT_FALSE(tb.bound());
  }
}

TEST(ToolBind, AMissingNameFailsEvenWhenNeverCalled) {
  toolbind::ToolBinding tb;
  EXPECT_EQ(tb.bind(options(fake("lacking"), 0.04)), toolbind::BindStatus::MissingName);
  EXPECT_EQ(tb.missingName(), "GetPathToInterfaceIni");
  EXPECT_FALSE(tb.bound());
  // Names found before it are kept until unbind; names after it were not looked up.
  EXPECT_NE(tb.entry("GetLanguageTEMPLATEPath"), nullptr);
  EXPECT_EQ(tb.entry("GetPathToLanguageHelpFile"), nullptr);
  EXPECT_EQ(tb.appendMsgLine("x"), 1);
  tb.unbind();
  EXPECT_EQ(tb.appendMsgLine("x"), 0);
  // A list without that name binds.
  auto o = options(fake("lacking"), 0.04);
  o.names.erase(std::find(o.names.begin(), o.names.end(), "GetPathToInterfaceIni"));
  EXPECT_EQ(tb.bind(o), toolbind::BindStatus::Bound);
}

TEST(ToolBind, NotFound) {
  toolbind::ToolBinding tb;
  EXPECT_EQ(tb.bind(options(testing::TempDir() + "no-such-dir", 0.04)), toolbind::BindStatus::NotFound);
  EXPECT_FALSE(tb.bound());
  EXPECT_EQ(tb.appendMsgLine("x"), 0);
  std::string s = "y";
  EXPECT_EQ(tb.getPath("GetBINPath", s), 0);
  EXPECT_EQ(s, "");
  EXPECT_EQ(tb.getTemplatePath(s), 0);
  EXPECT_EQ(tb.getStartBitmapPath(s), 0);
  EXPECT_EQ(s, "");
}

TEST(ToolBind, LanguageStepAndWrappers) {
  toolbind::ToolBinding tb;
  ASSERT_EQ(tb.bind(options(fake("lang0"), 0.04)), toolbind::BindStatus::Bound);
  EXPECT_EQ(tb.language(), 2);  // 0 is stored as 2 ...
  EXPECT_EQ(fakeCount(tb, fake("lang0"), "languageWrites"), 1);  // ... and written back
  EXPECT_EQ(fakeCount(tb, fake("lang0"), "setBin"), 1);
  // A second bind while bound changes nothing.
  EXPECT_EQ(tb.bind(options(fake("lang0"), 0.04)), toolbind::BindStatus::Bound);
  EXPECT_EQ(fakeCount(tb, fake("lang0"), "setBin"), 1);

  std::string s;
  EXPECT_EQ(tb.getTemplatePath(s), 1);
  EXPECT_EQ(s, "/fake/Template/");
  EXPECT_EQ(tb.getTemplateFile(s, "new.mdl"), 1);
  EXPECT_EQ(s, "/fake/Template/new.mdl");  // no second "/"
  EXPECT_EQ(tb.getTemplateFileUpper(s, "new.mdl"), 1);
  EXPECT_EQ(s, "/fake/Template/NEW.MDL");   // the directory keeps its case
  EXPECT_EQ(tb.getTemplatesIni(s), 1);
  EXPECT_EQ(s, "/fake/Template/TEMPLATES.INI");
  EXPECT_EQ(tb.getTemplateFile(s, nullptr), 0);
  EXPECT_EQ(fakeCount(tb, fake("lang0"), "templateCalls"), 1);  // fetched once
  EXPECT_EQ(tb.getHelpFilePath(s), 1);
  EXPECT_EQ(s, "/fake/ZERLO.HLP");
  EXPECT_EQ(tb.getStartBitmapPath(s), 1);
  EXPECT_EQ(s, "/fake/lang2/OBELST.BMP");
  EXPECT_EQ(tb.resourceDllName(s), 1);
  EXPECT_EQ(s, "/fake/lang2/STOCKWINRES.DLL");
  EXPECT_EQ(tb.getProjectPath(s), 1);
  EXPECT_EQ(s, "/fake/project");
  EXPECT_EQ(tb.getShowHelpNumber(), 1);
  EXPECT_EQ(tb.getLibraryPath(0, &s), 1);
  EXPECT_EQ(s, "/fake/lib1");
  EXPECT_EQ(tb.getLibraryPath(1, &s), 1);
  EXPECT_EQ(s, "/fake/lib2");
  EXPECT_EQ(tb.getLibraryPath(1, &s), 0);
  EXPECT_EQ(s, "");
  EXPECT_EQ(tb.getLibraryPath(2, nullptr), 1);
  EXPECT_EQ(tb.getPath("GetBINPath", s), 1);
  EXPECT_EQ(s, "/fake/bin");
  EXPECT_EQ(tb.getPath("GetTEMPPath", s), 0);  // not in the list
  EXPECT_EQ(tb.fn<MsgVoidFn>("EmptyMsgWnd")(), 1);
  EXPECT_EQ(tb.entry("GetTEMPPath"), nullptr);
}

TEST(ToolBind, OtherLanguagesAreKeptAndNotWritten) {
  toolbind::ToolBinding tb;
  ASSERT_EQ(tb.bind(options(fake("v005"), 0.04)), toolbind::BindStatus::Bound);
  EXPECT_EQ(tb.language(), 3);
  EXPECT_EQ(fakeCount(tb, fake("v005"), "languageWrites"), 0);
}

TEST(ToolBind, ThisModuleDirectory) {
  EXPECT_EQ(toolbind::thisModuleDir(), plat::path::programDir());  // compiled into this test program
  EXPECT_EQ(toolbind::joinDir("", "A"), "A");
  EXPECT_EQ(toolbind::joinDir("/d/", "A"), "/d/A");
  EXPECT_EQ(toolbind::joinDir("/d", "A"), "/d/A");
  EXPECT_EQ(&toolbind::moduleBinding(), &toolbind::moduleBinding());
}

// The real ObelTool with a program directory of this test's own.
TEST(ToolBindReal, BindsObelToolAndReadsPaths) {
#ifdef TOOLBIND_WITHOUT_OBELTOOL
  GTEST_SKIP() << "the settings library is not part of this build";
#endif
  static std::atomic<int> n{0};
  std::string root = testing::TempDir() + "toolbind_" + std::to_string(::getpid()) + "_" + std::to_string(n++);
  std::string bin = root + "/bin";
  std::filesystem::create_directories(bin);
  ASSERT_TRUE(plat::profile::writeString(bin + "/OBEL.INI", "SYSTEM", "LANGUAGE", "0"));
  ASSERT_TRUE(plat::profile::writeString(bin + "/OBEL.INI", "PROGRAMS", "MSGWND", "NOPROGRAM.EXE"));
  ::setenv("ZERLO_MSGWND_ENDPOINT", ("ztest-toolbind-" + std::to_string(::getpid())).c_str(), 1);
  toolbind::ToolBinding tb;
  toolbind::BindOptions o;
  o.dir = ZERLO_BIN_DIR;
  o.binDir = bin;
  o.minVersion = 0.05;
  o.names = kStockwinNames;
  o.names.insert(o.names.begin(), "GetDLLVersion");
  o.names.push_back("GetPathToProjectZCDForInst");
  o.names.push_back("GetTEMPPath");
  ASSERT_EQ(tb.bind(o), toolbind::BindStatus::Bound) << tb.libraryPath();
  EXPECT_DOUBLE_EQ(tb.version(), 0.05);
  EXPECT_EQ(tb.language(), 2);
  EXPECT_EQ(plat::profile::getString(bin + "/OBEL.INI", "SYSTEM", "LANGUAGE", ""), "2");
  std::string s;
  EXPECT_EQ(tb.getPath("GetBINPath", s), 1);
  EXPECT_EQ(s, bin);
  EXPECT_EQ(tb.getPath("GetPathToProjectZCDForInst", s, 2), 1);
  EXPECT_EQ(s, root + "/TEMP/TMP002.Q");
  EXPECT_EQ(tb.getPath("GetTEMPPath", s), 1);
  EXPECT_EQ(s, root + "/TEMP");
  EXPECT_EQ(tb.getProjectPath(s), 1);
  EXPECT_EQ(s, root + "/PROJECT");
  // No message window program: the line is refused, at once and without a hang.
  EXPECT_EQ(tb.appendMsgLine("x"), 0);
  EXPECT_EQ(tb.closeMsgWnd(), 1);
  tb.unbind();
  ::unsetenv("ZERLO_MSGWND_ENDPOINT");
  std::filesystem::remove_all(root);
}

} // namespace
