// stockwin.so loaded by name from a program directory of the test's own
// (settings library, OBEL.INI, language directories), its dialogs driven
// offscreen through the dialog observer.
#include "stockwin/stockwin.h"

#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"
#include "platform/library.h"
#include "platform/uisink.h"
#include "sw_program.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

using namespace plat::ui;
using namespace swtest;

namespace {

struct Msg {
  unsigned number;
  const char* text;
};
const Msg kMessages[] = {
    {40000, "For a complete language change Zerlo must be restarted.\nShould the application be closed?"},
    {40001, "Threads that have been started by function blocks are still active.\nShould they be closed by the system? (Data loss possible!)"},
    {40006, "Quit program?"},
    {40007, "No connection to software PLC."},
    {40008, "Should project changes be saved %s?"},
    {40009, "No more windows are available!\nPlease close at least one window."},
    {40010, "A vector input dialog is only available for PF, PL and PW."},
    {40011, "Insufficient memory! Close the application!"},
    {40012, "Should the parameters be read from the interface?"},
    {40013, "Should the parameters be loaded to the interface?"},
    {40014, "No connection to interface!\n(Help: Press F1)"},
    {40015, "Subprogram call-up is being deleted!"},
    {40016, "Warning!   Function block library has already been loaded."},
    {40017, "Undefined signal type !"},
    {40018, "Function block %s is not a member of library %s.\nAll calls of %s will be deleted."},
    {40019, "Please save and reload program to use replaced libraries."},
    {40020, "All subprogram call-ups are being deleted!"},
    {40021, "The subprogram is being used! Change anyway?"},
    {40022, "Warning!\nThe project is already used in another Zerlo program instance.\nEditing a project in different instances can lead to inconsistencies."},
    {40023, "Project could not be saved."},
    {50000, "Error!   The web browser could not be started."},
    {50001, "Program allready run."},
    {50002, "Zerlo cannot be started again! Further program instances are not supported."},
    {50003, "Error!   Library STOCKBARS.DLL cannot be loaded."},
    {50004, "Error!   Library OTGTWIN.DLL cannot be loaded."},
    {50005, "Error!   Library OMENUEXTRAS.DLL cannot be loaded."},
    {50006, "Error!   Clipboard cannot be initialized."},
    {50007, "Error!   Invalid driver version! A version at least as recent as version 1.41 must be available."},
    {50008, "Error!   No executable program found."},
    {50009, "Error!   Software PLC %s cannot be started."},
    {50010, "Error!   No timer available."},
    {50011, "Error!   Source file cannot be opened."},
    {50012, "Error!   Destination file cannot be opened."},
    {50013, "Error!   Values could not be saved."},
    {50014, "Error!   Insufficient memory in programming system for program execution."},
    {50015, "Error!   Insufficient memory in software PLC or on the interface for program execution."},
    {50016, "Error!   Printing cannot be executed."},
    {50017, "Error!   Resource DLL for the selected language cannot be loaded.\nInternal English resources will be used."},
    {50018, "Error!   Parameters cannot be read by the software PLC or the interface."},
    {50019, "Communication error!"},
    {50020, "Error!   Parameter %s cannot be read by the software PLC or the interface."},
    {50021, "Error!   Parameters cannot be written into the software PLC or the interface."},
    {50022, "Error!   Parameter cannot be found."},
    {50023, "Error!   Insufficient memory for starting translation program."},
    {50024, "Error!   Translation program cannot be started."},
    {50025, "Error!   Translation program %s not found."},
    {50026, "Error!   File %s cannot be opened."},
    {50027, "Error!   Library OBELCTRL.DLL cannot be loaded."},
    {50028, "Error !   Memory for standard variables has been exceeded."},
    {50029, "Error!   Insufficient to execute program."},
    {50030, "Error!   Invalid parameter vector."},
    {50031, "Error!   Invalid version of file EXTERNAL.MCO."},
    {50032, "Error!   Invalid memory handle. Please close Zerlo."},
    {50033, "Error!   Invalid memory type. Please close Zerlo."},
    {50034, "Serious project error! Please close Zerlo."},
    {50035, "Error!   Array exceeds predefined memory."},
    {50036, "Insufficient memory! Save and start again."},
    {50037, "File error!"},
    {50038, "Error!   File cannot be loaded."},
    {50039, "Name conflict !   Name in loaded library is already used."},
    {50040, "Error!   Version conflict in loaded data or library."},
    {50041, "Error!   Fatal version conflict in library structure."},
    {50042, "File %s could not be found.\nEnter new path?"},
    {50043, "File %s could not be found.\nCreate new file?"},
    {50044, "Error!   Invalid file."},
    {50045, "Incompatibility !   Deletion of lines or connecting."},
    {50046, "Error!   Library function %s cannot be found."},
    {50047, "Error!   Function block DLL %s cannot be loaded."},
    {50048, "Parameter error!   Invalid parameter values."},
    {50049, "Error!   There are too many parallel sequences in the project."},
    {50050, "Error!   Subprograms cannot be called up recursively."},
    {50051, "Error!   Invalid connection."},
    {50052, "Error!   Invalid connection."},
    {50053, "Error!   Invalid connection."},
    {50054, "Error!   You use a library element. Edit is not allowed."},
    {50055, "Error!   Object code file cannot be found."},
    {50056, "Error!   Program download failed."},
    {50057, "Error!   Cannot create file."},
    {50058, "Error!   Program translation failed."},
    {50059, "Error!   Application %s cannot be started."},
    {50060, "Error!   Library ZRLTGTWIN.DLL cannot be loaded."},
    {50061, "Error!   Function block library ZRLFB02.MCO cannot be loaded.\nNo new function blocks can be inserted."},
    {50062, "Error!   Installation path is too long. Please install Zerlo again and use a shorter path."},
    {100, "File %s already exists.\nShould the file be overwritten?"},
    {101, "Help key word: %s"},
    {102, "Help context: %u"},
    {300, "Warning!  The selected text is too long.\nIt will be truncated."},
    {500, "Project name is invalid."},
    {501, "No template has been selected."},
    {502, "Project directory could not be created."},
    {503, "Project files could not be copied."},
    {504, "File %s could not be opened."},
    {505, "File %s could not be created."},
    {506, "Error while writing file %s."},
    {507, "Error while reading file %s."},
    {508, "Directory %s cannot be created."},
    {509, "Error!   A subprogram with the specified name is already available."},
    {510, "Error!   Invalid subprogram name."},
    {511, "Error!   The specified name is already being used by another\nSubIn. Please enter another name."},
    {512, "Error!   The specified name is already being used by another\nSubOut. Please enter another name."},
    {517, "The selected bitmap is already available!"},
    {518, "Error!   Resource DLL for the selected language cannot be loaded.\nInternal English resources will be used."},
    {519, "Error!   Function block %s cannot be found in the library %s. "},
    {520, "Error!   File path is too long."},
    {521, "Error!   Invalid file name."},
    {522, "Error!   Invalid name."},
};

} // namespace

TEST(Load, VersionExportsAndEnglishResources) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  plat::lib::Handle h = dlgtest::loadedQuietly(program(), *sink, {std::begin(kAllExports), std::end(kAllExports)},
                                               "SW00_GetDLLVersion");
  ASSERT_TRUE(h);
  plat::lib::unload(h);
}

TEST(Load, MissingLanguageAsks518AndCancelRefuses) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  program().writeObel(2, "NOWHERE");
  plat::lib::Handle h = dlgtest::refusedThenLoaded(
      program(), *sink,
      "Error!   Resource DLL for the selected language cannot be loaded.\nInternal English resources will be used.",
      0x40031u);
  ASSERT_TRUE(h);
  EXPECT_EQ(fn<SW50_CallMBWithIDFn>(h, "SW50_CallMBWithID")(0, 40006, 0), IDOK);
  EXPECT_EQ(sink->shown().back().text, "Quit program?");
  plat::lib::unload(h);
}

TEST(Load, TestLanguageReplacesTextAndCaption) {
  app();
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  program().writeObel(1);
  plat::lib::Handle h = program().load();
  ASSERT_TRUE(h) << plat::lib::lastError();
  EXPECT_EQ(fn<SW50_CallMBWithIDFn>(h, "SW50_CallMBWithID")(0, 40006, MB_YESNO), IDYES);
  // A number the language library lacks comes from the built-in table, with the language's caption.
  EXPECT_EQ(fn<SW50_CallMBWithIDFn>(h, "SW50_CallMBWithID")(0, 40007, 0), IDOK);
  ASSERT_EQ(sink->shown().size(), 2u);
  EXPECT_EQ(sink->shown()[0].text, "Programm beenden?");
  EXPECT_EQ(sink->shown()[0].caption, "Zerlo-Test");
  EXPECT_EQ(sink->shown()[1].text, "No connection to software PLC.");
  plat::lib::unload(h);
}

class Messages : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    app();
    program().writeObel(2);
    h_ = program().load();
    ASSERT_TRUE(h_) << plat::lib::lastError();
  }
  static void TearDownTestSuite() {
    if (h_) plat::lib::unload(h_);
    h_ = nullptr;
  }
  static inline plat::lib::Handle h_ = nullptr;
  std::shared_ptr<ScriptedSink> sink_ = std::make_shared<ScriptedSink>();
  ScopedSink scope_{sink_};
};

TEST_F(Messages, EveryNumberShowsItsTextUnformattedWithCaption3AndForeground) {
  auto box = fn<SW50_CallMBWithIDFn>(h_, "SW50_CallMBWithID");
  for (const Msg& m : kMessages) {
    sink_->clear();
    sink_->answerBox(IDOK);
    EXPECT_EQ(box(0, m.number, MB_OKCANCEL | MB_ICONEXCLAMATION), IDOK) << m.number;
    ASSERT_EQ(sink_->shown().size(), 1u) << m.number;
    EXPECT_EQ(sink_->shown()[0].text, m.text) << m.number;
    EXPECT_EQ(sink_->shown()[0].caption, "Zerlo");
    EXPECT_EQ(sink_->shown()[0].style, unsigned(MB_OKCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND));
  }
  EXPECT_EQ(sizeof kMessages / sizeof kMessages[0], 106u);
}

TEST_F(Messages, AnswersAndMissingNumbers) {
  auto box = fn<SW50_CallMBWithIDFn>(h_, "SW50_CallMBWithID");
  sink_->answerBox(IDYES);
  EXPECT_EQ(box(0, 40006, MB_YESNO), IDYES);
  sink_->answerBox(IDNO);
  EXPECT_EQ(box(0, 40006, MB_YESNO), IDNO);
  EXPECT_EQ(sink_->shown().size(), 2u);
  sink_->answerBox(IDOK);
  EXPECT_EQ(box(0, 39999, MB_OK), IDCANCEL);
  EXPECT_EQ(box(0, 39999, MB_YESNO), IDCANCEL);
  EXPECT_EQ(fn<SW50_CallMBWithIDAndStringFn>(h_, "SW50_CallMBWithIDAndString")(0, 39999, "x", 0), IDCANCEL);
  EXPECT_EQ(sink_->shown().size(), 2u);
}

TEST_F(Messages, FormattedVariants) {
  auto str = fn<SW50_CallMBWithIDAndStringFn>(h_, "SW50_CallMBWithIDAndString");
  auto three = fn<SW50_CallMBWithIDAnd3StringsFn>(h_, "SW50_CallMBWithIDAnd3Strings");
  auto num = fn<SW50_CallMBWithIDAndUINTFn>(h_, "SW50_CallMBWithIDAndUINT");
  auto plain = fn<SW50_CallMBWithIDFn>(h_, "SW50_CallMBWithID");
  str(0, 40008, "to MOTOR.MDL", 0);
  str(0, 40008, "", 0);
  str(0, 40008, nullptr, 0);
  three(0, 40018, "PUMP", "ZRLFB02", "PUMP", 0);
  num(0, 102, 3, 0);
  plain(0, 102, 0);  // unformatted: the placeholder shows as written
  str(0, 102, "x", 0);  // a placeholder of another type stays
  auto s = sink_->shown();
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(s[0].text, "Should project changes be saved to MOTOR.MDL?");
  EXPECT_EQ(s[1].text, "Should project changes be saved ?");
  EXPECT_EQ(s[2].text, "Should project changes be saved ?");
  EXPECT_EQ(s[3].text, "Function block PUMP is not a member of library ZRLFB02.\nAll calls of PUMP will be deleted.");
  EXPECT_EQ(s[4].text, "Help context: 3");
  EXPECT_EQ(s[5].text, "Help context: %u");
  EXPECT_EQ(s[6].text, "Help context: %u");
}

TEST_F(Messages, IsFileNameSuggestionOfNew) {
  auto f = fn<SW51_IsFileNameSuggestionOfNewFn>(h_, "SW51_IsFileNameSuggestionOfNew");
  EXPECT_EQ(f("/home/u/UNTITLED 02.MDL"), 1);
  EXPECT_EQ(f("/home/u/UNTITLED 2.MDL"), 0);
  EXPECT_EQ(f("/home/u/MOTOR.MDL"), 0);
  EXPECT_EQ(f(nullptr), 0);
}

// ---- start screen ----
class StartScreen : public Messages {};

TEST_F(StartScreen, NoPictureGivesNull) {
  std::filesystem::remove(program().dir / "ENGLISH" / "OBELST.BMP");
  SwWindow frame = 0;
  EXPECT_EQ(fn<SW22_CreateStartBitmapDlgFn>(h_, "SW22_CreateStartBitmapDlg")(&frame, nullptr), nullptr);
  fn<SW22_DestroyStartBitmapDlgFn>(h_, "SW22_DestroyStartBitmapDlg")(nullptr);
}

TEST_F(StartScreen, NotifiesTheFrameOnceItIsKnownAndKeepsEnterAndEscape) {
  program().writeStartPicture();
  struct Frame : QWidget {
    int done = 0;
    bool event(QEvent* e) override {
      if (e->type() == kit::kWindowMessageEvent &&
          static_cast<kit::WindowMessageEvent*>(e)->msg == SW_WM_START_BITMAP_DONE)
        ++done;
      return QWidget::event(e);
    }
  } owner;
  SwWindow frame = 0;
  StartBitmapParams p{{"Line one", nullptr, "Line three"}, 0};
  void* s = fn<SW22_CreateStartBitmapDlgFn>(h_, "SW22_CreateStartBitmapDlg")(&frame, &p);
  ASSERT_NE(s, nullptr);
  auto* w = QApplication::topLevelWidgets().isEmpty() ? nullptr : QApplication::activeWindow();
  (void)w;
  pump(300);
  EXPECT_EQ(owner.done, 0);  // no frame yet
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->objectName() == "StartScreen") {
      EXPECT_TRUE(t->isVisible());
      for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
        QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(t, &ev);
      }
      EXPECT_TRUE(t->isVisible());
      saveShot(t, "STOCKWIN-194");
    }
  frame = kit::registerOwner(&owner);
  pump(350);
  EXPECT_EQ(owner.done, 1);
  pump(300);
  EXPECT_EQ(owner.done, 1);
  fn<SW22_DestroyStartBitmapDlgFn>(h_, "SW22_DestroyStartBitmapDlg")(s);
}

// The frame destroys the start screen while it handles the notice (as the
// main program does): the screen must not touch itself after the send. Under
// valgrind or ASan a write into the freed screen shows here.
TEST_F(StartScreen, FrameMayDestroyItWhileHandlingTheNotice) {
  program().writeStartPicture();
  struct Frame : QWidget {
    void* screen = nullptr;
    SW22_DestroyStartBitmapDlgFn destroy = nullptr;
    int done = 0;
    bool event(QEvent* e) override {
      if (e->type() == kit::kWindowMessageEvent &&
          static_cast<kit::WindowMessageEvent*>(e)->msg == SW_WM_START_BITMAP_DONE) {
        ++done;
        destroy(screen);
        screen = nullptr;
      }
      return QWidget::event(e);
    }
  } owner;
  owner.destroy = fn<SW22_DestroyStartBitmapDlgFn>(h_, "SW22_DestroyStartBitmapDlg");
  SwWindow frame = 0;
  StartBitmapParams p{{nullptr, nullptr, nullptr}, 0};
  owner.screen = fn<SW22_CreateStartBitmapDlgFn>(h_, "SW22_CreateStartBitmapDlg")(&frame, &p);
  ASSERT_NE(owner.screen, nullptr);
  frame = kit::registerOwner(&owner);
  pump(400);
  EXPECT_EQ(owner.done, 1);
  EXPECT_EQ(owner.screen, nullptr);
  for (QWidget* t : QApplication::topLevelWidgets()) EXPECT_NE(t->objectName(), "StartScreen");
}

TEST_F(StartScreen, WaitsForItsMinimumTime) {
  program().writeStartPicture();
  QWidget owner;
  int done = 0;
  struct Counter : QObject {
    int* n;
    explicit Counter(int* c) : n(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == kit::kWindowMessageEvent) ++*n;
      return false;
    }
  } counter(&done);
  owner.installEventFilter(&counter);
  SwWindow frame = kit::registerOwner(&owner);
  StartBitmapParams p{{nullptr, nullptr, nullptr}, 800};
  void* s = fn<SW22_CreateStartBitmapDlgFn>(h_, "SW22_CreateStartBitmapDlg")(&frame, &p);
  ASSERT_NE(s, nullptr);
  pump(400);
  EXPECT_EQ(done, 0);
  pump(800);
  EXPECT_EQ(done, 1);
  fn<SW22_DestroyStartBitmapDlgFn>(h_, "SW22_DestroyStartBitmapDlg")(s);
}
