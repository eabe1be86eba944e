#include "shell/binding.h"
#include "shell/fileselect.h"
#include "shell/help.h"
#include "shell/services.h"
#include "shell/utilities.h"
#include "fixtures.h"
#include "platform/uisink.h"
#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace shell;

namespace {

class Selectors : public testing::Test {
protected:
  void SetUp() override {
    fsel_Reset();
    char buf[4096];
    ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
    cwd_ = buf;
    prevHost_ = setWindowHost(&host_);
  }
  void TearDown() override {
    ASSERT_EQ(::chdir(cwd_.c_str()), 0);
    setOpenDialog(nullptr);
    setWindowHost(prevHost_);
    bind_UnloadAll();
    setProgramDir("");
    path_ResetCaches();
    fsel_Reset();
  }
  void bindGood() {
    setProgramDir(shelltest::fixtureDir("good"));
    shelltest::fixtureClear(shelltest::fixtureDir("good"), "STOCKWIN.DLL");
    ASSERT_EQ(bind_LoadObelTool(), 1);
    ASSERT_EQ(bind_LoadStockWin(), 1);
  }
  std::string cwd_;
  RecordingWindowHost host_;
  WindowHost* prevHost_ = nullptr;
  char path_[kPathBuffer] = {};
  char name_[kNameBuffer] = {};
  std::uint16_t ok_ = 7;
};

TEST_F(Selectors, PendingOpenWithoutDirectoryUsesTheCurrentOne) {
  std::string tmp = std::filesystem::canonical(testing::TempDir()).string();
  ASSERT_EQ(::chdir(tmp.c_str()), 0);
  fsel_SetPendingOpen("PLANT.MDL");
  fsel_AnswerPendingOpen(path_, name_, &ok_);
  EXPECT_EQ(ok_, 1);
  EXPECT_EQ(std::string(path_), tmp + "/");
  EXPECT_STREQ(name_, "$$$$$$$$.MDL");
  EXPECT_EQ(fileState().projectFile, "PLANT.MDL");
  EXPECT_EQ(fileState().pendingOpenFlag, 0);
  char sel[16];
  EXPECT_EQ(fsel_GetSelectedName(sel, sizeof sel), 9u);
  EXPECT_STREQ(sel, "PLANT.MDL");
  EXPECT_EQ(std::string(path_GetProjectDir()), tmp + "/");
}

TEST_F(Selectors, PendingOpenWithDirectory) {
  std::string tmp = std::filesystem::canonical(testing::TempDir()).string();
  fsel_SetPendingOpen(tmp + "/PUMP.MDL");
  fsel_AnswerPendingOpenB(path_, name_, &ok_);
  EXPECT_EQ(ok_, 1);
  EXPECT_EQ(std::string(path_), tmp + "/");
  EXPECT_EQ(fileState().projectDir, tmp);
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd), tmp);
}

TEST_F(Selectors, OpenDialogFilter) {
  OpenDialogRequest seen;
  bool answer = false;
  std::string chosen;
  setOpenDialog([&](const OpenDialogRequest& r, std::string& out) {
    seen = r;
    out = chosen;
    return answer;
  });
  struct Case { const char* path; const char* name; const char* text; const char* field; const char* dir; };
  fileState().projectDir = "/proj";
  for (const Case& c : {Case{"/data/*.TRD", "", "[*.TRD]", "*.TRD", "/data"},
                        Case{"/data/", "", "[*.*]", "*.*", "/data"},
                        Case{"*.VAL", "OLD.VAL", "[*.VAL]", "OLD.VAL", "/proj"}}) {
    std::strcpy(path_, c.path);
    std::strcpy(name_, c.name);
    fsel_OpenWithDirList(path_, name_, &ok_);
    EXPECT_EQ(seen.title, "File");
    EXPECT_EQ(seen.filterText, c.text) << c.path;
    EXPECT_EQ(seen.fileField, c.field) << c.path;
    EXPECT_EQ(seen.initialDir, c.dir) << c.path;
    EXPECT_EQ(ok_, 0);
    EXPECT_STREQ(name_, "");
  }
  answer = true;
  chosen = "/data/run/TREND1.TRD";
  std::strcpy(path_, "/data/*.TRD");
  fsel_OpenWithDirList(path_, name_, &ok_);
  EXPECT_EQ(ok_, 1);
  EXPECT_STREQ(path_, "/data/run/");
  EXPECT_STREQ(name_, "TREND1.TRD");
}

TEST_F(Selectors, LibrarySelection) {
  bindGood();
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  sink->answerPrompt("/lib/BLOCKS.MCO");
  std::strcpy(name_, "NOEXT");
  help_ResetContext();
  help_SetContext(9);
  fsel_AskOpenPreset(path_, name_, &ok_);
  EXPECT_EQ(ok_, 1);
  EXPECT_STREQ(path_, "/lib/");
  EXPECT_STREQ(name_, "$$$$$$$$.MCO");
  char sel[32];
  fsel_GetSelectedName(sel, sizeof sel);
  EXPECT_STREQ(sel, "BLOCKS.MCO");
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(help_GetContext(), 9) << "the library dialog's context 44 is restored";

  // A suggestion without an extension opens the dialog with an empty name.
  std::string offered = "unset";
  struct Capture : plat::ui::Sink {
    std::string* offered;
    int messageBox(const std::string&, const std::string&, unsigned) override { return 2; }
    bool prompt(const std::string&, const std::string&, std::string& io) override { *offered = io; return false; }
  };
  auto cap = std::make_shared<Capture>();
  cap->offered = &offered;
  {
    plat::ui::ScopedSink s2(cap);
    std::strcpy(name_, "NOEXT");
    fsel_AskOpenPreset(path_, name_, &ok_);
    EXPECT_EQ(ok_, 0);
    EXPECT_EQ(offered, "");
    std::strcpy(name_, "OLD.MCO");
    fsel_AskOpenPreset(path_, name_, &ok_);
    EXPECT_EQ(offered, "OLD.MCO");
  }

  // A preset is used once without a dialog.
  fsel_SetPresetLibrary("/other/ZRLFB02.MCO");
  fsel_AskOpenPreset(path_, name_, &ok_);
  EXPECT_EQ(ok_, 1);
  EXPECT_STREQ(path_, "/other/");
  EXPECT_FALSE(fileState().havePreset);
  // A name that does not fit is not copied; its length comes back.
  char small[4] = "abc";
  EXPECT_EQ(fsel_GetSelectedName(small, sizeof small), 11u);
  EXPECT_STREQ(small, "abc");
  EXPECT_FALSE(path_MakeTempName(small, sizeof small));
  EXPECT_STREQ(small, "abc");
  char room[16] = "$$$$$$$$.MCO";
  EXPECT_TRUE(path_MakeTempName(room, 12));
  EXPECT_STREQ(room, "ZRLFB02.MCO");
}

TEST_F(Selectors, NoneAnswers) {
  for (auto f : {fsel_AnswerNoneA, fsel_AnswerNoneB, fsel_AnswerNoneC, fsel_AnswerNoneD}) {
    ok_ = 1;
    std::strcpy(name_, "KEEP");
    f(path_, name_, &ok_);
    EXPECT_EQ(ok_, 0);
    EXPECT_STREQ(name_, "KEEP");
  }
}

TEST_F(Selectors, FrameTitle) {
  app_SetFrameTitle();
  EXPECT_EQ(app_FrameTitle(), "Zerlo");
  fileState().projectFile = "PLANT.MDL";
  app_SetFrameTitle();
  EXPECT_EQ(app_FrameTitle(), "Zerlo - [PLANT]");
  fileState().projectFile = "NODOT";
  app_SetFrameTitle();
  EXPECT_EQ(app_FrameTitle(), "Zerlo - [NODOT]");
  EXPECT_EQ(host_.calls.back(), "frame title Zerlo - [NODOT]");
}

TEST_F(Selectors, InstalledAsTheModelsFileServices) {
  installServices();
  fsel_SetPendingOpen("/p/PLANT.MDL");
  std::string chosen;
  EXPECT_TRUE(modelfiles::fileServices().fileDialog(modelfiles::FileDialog::AnswerPendingOpen, "/p/*.MDL", chosen));
  EXPECT_EQ(chosen, "/p/$$$$$$$$.MDL");
  EXPECT_EQ(modelfiles::fileServices().rememberedName(), "PLANT.MDL");
  EXPECT_FALSE(modelfiles::fileServices().fileDialog(modelfiles::FileDialog::AnswerNoneB, "/p/*.MDL", chosen));
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  EXPECT_EQ(model::shell().msg_Notice("x"), 1);
  EXPECT_EQ(sink->shown().back().caption, "Hinweis");
  // stockwin is not bound: the model's messages read as Cancel.
  EXPECT_EQ(model::shell().bind_SW50_CallMBWithID(50037, 0), 2);
  uninstallServices();
}

TEST_F(Selectors, ProjectDialogsFillThePendingBuffer) {
  bindGood();
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  sink->answerPrompt("/p/NEW.MDL");
  EXPECT_NE(fsel_OpenProjectDialog(), 0);
  EXPECT_EQ(fileState().pendingOpen, "/p/NEW.MDL");
  sink->answerPrompt(std::string(200, 'x'));
  EXPECT_EQ(fsel_SaveAsProjectDialog(), 0) << "a path longer than the buffer is refused";
  EXPECT_EQ(fileState().pendingOpen, "/p/NEW.MDL");
}

} // namespace
