#include "shell/binding.h"
#include "shell/fileselect.h"
#include "shell/utilities.h"
#include "fixtures.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace shell;
namespace fs = std::filesystem;

namespace {

class Utilities : public testing::Test {
protected:
  void SetUp() override {
    setProgramDir(shelltest::fixtureDir("good"));
    shelltest::fixtureClear(shelltest::fixtureDir("good"), "OBELTOOL.DLL");
    ASSERT_EQ(bind_LoadObelTool(), 1);
    ASSERT_EQ(bind_LoadStockWin(), 1);
    path_ResetCaches();
    prev_ = setWindowHost(&host_);
    dir_ = fs::path(testing::TempDir()) / ("shell_util_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    setWindowHost(prev_);
    setCopyFaults({});
    bind_UnloadAll();
    setProgramDir("");
    path_ResetCaches();
    fs::remove_all(dir_);
  }
  static void write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
  static std::string read(const fs::path& p) {
    std::string s;
    plat::path::readFile(p.string(), s);
    return s;
  }
  RecordingWindowHost host_;
  WindowHost* prev_ = nullptr;
  fs::path dir_;
};

TEST_F(Utilities, ResolveDotPath) {
  std::string bin = path_GetBinDir();
  ASSERT_EQ(bin, shelltest::fixtureDir("good") + "/");
  std::string up = fs::path(shelltest::fixtureDir("good")).parent_path().string() + "/";
  struct Case { const char* in; std::string out; std::size_t size; bool ok; };
  for (const Case& c : {Case{"..\\LIB\\X.MCO", up + "LIB/X.MCO", 512, true},
                        Case{"../LIB/X.MCO", up + "LIB/X.MCO", 512, true},
                        Case{"LIB\\X.MCO", "LIB\\X.MCO", 512, true},
                        Case{"..X", "..X", 512, true},
                        Case{"..\\LIB\\X.MCO", "", 8, false}}) {
    char out[512];
    SCOPED_TRACE(c.in);
    EXPECT_EQ(path_ResolveDotPath(c.in, out, c.size), c.ok);
    if (c.ok) {
      EXPECT_EQ(std::string(out), c.out);
    }
  }
}

TEST_F(Utilities, LibraryEntriesAreCutTo254) {
  auto set = shelltest::fixtureFn<void (*)(const char*, const char*)>(shelltest::fixtureDir("good"), "OBELTOOL.DLL", "FixtureSetText");
  ASSERT_NE(set, nullptr);
  std::string longEntry(300, 'L');
  set("GetLIBRARYPaths", ("/lib/a;" + longEntry).c_str());
  const char* first = path_GetLibraryDir(0);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "/lib/a");
  const char* second = path_GetLibraryDir(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::strlen(second), 254u);
  EXPECT_EQ(path_GetLibraryDir(1), nullptr);
  EXPECT_EQ(path_GetLibraryDir(2), nullptr);
}

TEST_F(Utilities, CopyBinaryKeepsABackup) {
  auto src = dir_ / "SRC.q", dest = dir_ / "PLANT.q", backup = dir_ / "PLANT.~";
  std::string data(1500, 'x');
  data[700] = 0;
  write(src, data);
  write(dest, "old");
  write(backup, "older");
  EXPECT_EQ(file_CopyBinary(dest.c_str(), src.c_str()), 1);
  EXPECT_EQ(read(dest), data);
  EXPECT_EQ(read(backup), "old");
}

TEST_F(Utilities, CopyFailures) {
  auto src = dir_ / "SRC.q", dest = dir_ / "PLANT.q", backup = dir_ / "PLANT.~";
  write(src, std::string(2000, 'y'));
  struct Case { const char* what; CopyFaults faults; int result; std::string backup; };
  for (const Case& c : {Case{"rename fails: the copy goes on", {true, -1}, 1, "older"},
                        Case{"write fails: 50012, backup stays", {false, 2}, 0, "old"}}) {
    SCOPED_TRACE(c.what);
    write(dest, "old");
    write(backup, "older");
    auto sink = std::make_shared<plat::ui::ScriptedSink>();
    plat::ui::ScopedSink scoped(sink);
    setCopyFaults(c.faults);
    EXPECT_EQ(file_CopyBinary(dest.c_str(), src.c_str()), c.result);
    setCopyFaults({});
    EXPECT_EQ(read(backup), c.backup);
    if (c.result == 0) {
      ASSERT_EQ(sink->shown().size(), 1u);
      EXPECT_EQ(sink->shown()[0].text, "Error!   Destination file cannot be opened.");
    } else {
      EXPECT_TRUE(sink->shown().empty());
    }
  }
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  EXPECT_EQ(file_CopyBinary(dest.c_str(), (dir_ / "missing").c_str()), 0);
  ASSERT_EQ(sink->shown().size(), 1u);
  EXPECT_EQ(sink->shown()[0].text, "Error!   Source file cannot be opened.");
}

TEST_F(Utilities, CopyText) {
  auto src = dir_ / "a.txt", dest = dir_ / "b.txt";
  write(src, "line 1\nline 2\n");
  write(dest, "old");
  EXPECT_EQ(file_CopyText(dest.c_str(), src.c_str()), 1);
  EXPECT_EQ(read(dest), "line 1\nline 2\n");
  EXPECT_EQ(read(dir_ / "b.tx~"), "old");
  EXPECT_EQ(file_CopyText(dest.c_str(), (dir_ / "none").c_str()), 0);
}

std::atomic<int> g_ran{0};
void countCall(std::int32_t a1, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t a7) {
  g_ran += a1 + a7;
}

TEST_F(Utilities, DeferredCalls) {
  ui_ClearDeferredCalls();
  g_ran = 0;
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(ui_QueueDeferredCall(countCall, 1, 0, 0, 0, 0, 0, 0));
  EXPECT_FALSE(ui_QueueDeferredCall(countCall, 1, 0, 0, 0, 0, 0, 0));   // the eleventh
  EXPECT_TRUE(ui_RunDeferredCalls());
  EXPECT_EQ(g_ran, 10);
  EXPECT_FALSE(ui_RunDeferredCalls());

  // A nested run answers false and runs nothing.
  bool nested = true;
  ui_QueueCallable([&] { nested = ui_RunDeferredCalls(); });
  ui_QueueDeferredCall(countCall, 5, 0, 0, 0, 0, 0, 0);
  EXPECT_TRUE(ui_RunDeferredCalls());
  EXPECT_FALSE(nested);
  EXPECT_EQ(g_ran, 15);

  // Entries of one project are cleared with it.
  int owner1 = 0, owner2 = 0;
  ui_QueueCallable([] {}, &owner1);
  ui_QueueCallable([] {}, &owner2);
  ui_ClearDeferredCalls(&owner1);
  EXPECT_EQ(ui_DeferredCount(), 1);
  ui_ClearDeferredCalls();
  EXPECT_EQ(ui_DeferredCount(), 0);
}

TEST_F(Utilities, WorkersQueueWhileTheUiThreadRuns) {
  ui_ClearDeferredCalls();
  std::atomic<int> queued{0}, ran{0}, finished{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < 200 && !stop; ++i)
        if (ui_QueueCallable([&] { ++ran; })) ++queued;
        else std::this_thread::yield();
      ++finished;
    });
  // The UI thread runs the queue until every worker is through (on a busy
  // machine the workers may start only after many rounds), within a deadline.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (finished < 4 && std::chrono::steady_clock::now() < deadline) {
    ui_RunDeferredCalls();
    std::this_thread::yield();
  }
  stop = true;
  for (auto& t : workers) t.join();
  ui_RunDeferredCalls();
  EXPECT_EQ(ran.load(), queued.load());
  EXPECT_GT(ran.load(), 0);
}

TEST_F(Utilities, NumberedMessages) {
  auto sink = std::make_shared<plat::ui::ScriptedSink>();
  plat::ui::ScopedSink scoped(sink);
  msg_OutOfMemory();
  msg_FileError();
  msg_FileNotLoaded();
  msg_NameConflict();
  msg_VersionConflict();
  msg_FatalVersionConflict();
  sink->answerBox(plat::ui::IDNO);
  EXPECT_TRUE(msg_AskNewPath("PLANT.MDL"));
  sink->answerBox(plat::ui::IDYES);
  EXPECT_TRUE(msg_AskCreateFile("PLANT.MDL"));
  msg_InvalidFile();
  msg_PrintFailed();
  msg_SubprogramDeleted();
  msg_IncompatibleDelete();
  std::vector<std::string> expected = {
      "Insufficient memory! Save and start again.",
      "File error!",
      "Error!   File cannot be loaded.",
      "Name conflict !   Name in loaded library is already used.",
      "Error!   Version conflict in loaded data or library.",
      "Error!   Fatal version conflict in library structure.",
      "File PLANT.MDL could not be found.\nEnter new path?",
      "File PLANT.MDL could not be found.\nCreate new file?",
      "Error!   Invalid file.",
      "Error!   Printing cannot be executed.",
      "Subprogram call-up is being deleted!",
      "Incompatibility !   Deletion of lines or connecting.",
  };
  auto shown = sink->shown();
  ASSERT_EQ(shown.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(shown[i].text, expected[i]);
    EXPECT_EQ(shown[i].caption, "Zerlo");
  }
  EXPECT_EQ(msg_Notice("Look"), 1);
  EXPECT_EQ(sink->shown().back().caption, "Hinweis");
  EXPECT_EQ(sink->shown().back().style, plat::ui::MB_ICONINFORMATION);
}

TEST_F(Utilities, WindowTableAndHost) {
  wnd_ClearWindowTable();
  EXPECT_EQ(wnd_AddToWindowTable(11, "PLANT"), 0);
  EXPECT_EQ(wnd_AddToWindowTable(12, "plant"), 1);
  EXPECT_TRUE(wnd_DuplicateTitles());
  wnd_RenameInWindowTable(12, "OTHER");
  EXPECT_FALSE(wnd_DuplicateTitles());
  for (int i = 2; i < kWindowTableSize; ++i) EXPECT_EQ(wnd_AddToWindowTable(Hwnd(20 + i), "W"), i);
  EXPECT_EQ(wnd_AddToWindowTable(99, "X"), -1);
  EXPECT_EQ(wnd_CountOpenWorksheets(), kWindowTableSize);
  wnd_RemoveFromWindowTable(11);
  EXPECT_EQ(wnd_CountOpenWorksheets(), kWindowTableSize - 1);
  ws_SetTitleFromPath(12, "/p/PUMP.MDL");
  EXPECT_EQ(wnd_Entry(1)->title, "PUMP.MDL");
  wnd_ClearWindowTable();

  app_BeginWaitCursor();
  app_BeginWaitCursor();
  app_EndWaitCursor();
  app_EndWaitCursor();
  app_SetHelperWindow(33);
  app_CloseHelperProgram();
  host_.classWindow = 44;
  app_CloseWindowByClass("Messages");
  app_SendDeselect();
  ws_OpenKindView(3, 0, true);
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"window list", "title 12 PUMP.MDL", "wait on", "wait off",
                                                   "close 33", "find Messages", "close 44", "command 371",
                                                   "view 3 0 editor"}));
}

TEST_F(Utilities, FieldsAndText) {
  char field[8];
  str_CopyPadded(field, "A\rB", 8);
  EXPECT_EQ(std::string(field, 8), "AB      ");
  EXPECT_TRUE(str_FieldEquals("AB", 2, "AB    ", 6, 6));
  EXPECT_FALSE(str_FieldEquals("AB", 2, "ABC", 3, 6));
  host_.zoomValue = 1.02f;
  EXPECT_EQ(drw_TextWidth("abcd"), 32);
  host_.zoomValue = 2.04f;
  EXPECT_EQ(drw_TextWidth("abcd"), 16);
  Rect r{4, 8, 8, 16};
  dlg_DialogUnitsToPixels(r);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 16);
}

TEST_F(Utilities, ProjectPaths) {
  fsel_Reset();
  char buf[256];
  EXPECT_EQ(path_ProjectFileLength(), 0u);
  EXPECT_FALSE(path_BuildProjectFile(buf, sizeof buf));
  fileState().projectDir = "/p/proj";
  fileState().projectFile = "PLANT.MDL";
  EXPECT_EQ(path_ProjectFileLength(), std::strlen("/p/proj/PLANT.MDL"));
  ASSERT_TRUE(path_BuildProjectFile(buf, 10));
  EXPECT_STREQ(buf, "/p/proj/P");
  ASSERT_TRUE(path_BuildSigFile(buf, sizeof buf));
  EXPECT_STREQ(buf, "/p/proj/PLANT.SIG");
  ASSERT_TRUE(path_BuildBitmapDir(buf, sizeof buf));
  EXPECT_STREQ(buf, "/p/proj/BITMAP");
  fsel_Reset();
}

} // namespace
