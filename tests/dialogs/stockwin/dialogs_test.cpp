// The modal dialogs of stockwin.so driven offscreen through the dialog
// observer: subprogram names, connector and text insertion, about box.
#include "stockwin/stockwin.h"

#include "dialogkit/qtkit.h"
#include "platform/library.h"
#include "platform/uisink.h"
#include "sw_dialogs.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QSlider>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "name_list.h"

#include <cstring>
#include <functional>
#include <map>
#include <set>

using namespace plat::ui;
using namespace swtest;

TEST_F(Dialogs, SelectMacroRefusesInvalidNamesAndAnswersUpperCase) {
  List names({"PUMP", nullptr, "MOTOR"});
  char answer[15] = "OLD";
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Subprogram");
    auto* list = child<QListWidget>(d, 1081);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "MOTOR");  // sorted
    EXPECT_EQ(list->currentItem(), nullptr);    // the emptied buffer preselects nothing
    EXPECT_FALSE(okEnabled(d));
    auto* edit = child<QLineEdit>(d, 1080);
    list->setCurrentRow(1);
    EXPECT_EQ(edit->text(), "PUMP");
    for (const char* bad : {"a b", "&x", "$y"}) {
      type(edit, bad);
      click(d, 1);
      EXPECT_TRUE(d->isVisible()) << bad;
    }
    key(d, Qt::Key_F1);
    type(edit, "new_one_with_a_long_name");
    EXPECT_EQ(edit->text(), "NEW_ONE_WITH_A");
    click(d, 1);
  };
  EXPECT_EQ(fn<SW07_CallSelectMacroDlgFn>(h_, "SW07_CallSelectMacroDlg")(ownerId_, &names.head, answer), 1);
  EXPECT_STREQ(answer, "NEW_ONE_WITH_A");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Error!   Invalid subprogram name.", "Error!   Invalid subprogram name.",
                                               "Error!   Invalid subprogram name.", "Help context: 3"}));
  ASSERT_EQ(sink_->helps().size(), 1u);
  EXPECT_EQ(sink_->helps()[0].context, 3u);
  EXPECT_FALSE(sink_->helps()[0].byKeyword);
}

TEST_F(Dialogs, SelectMacroDoubleClickAndCancel) {
  List names({"PUMP"});
  char answer[15] = "X";
  driver_->onDialog = [&](QDialog* d) {
    auto* list = child<QListWidget>(d, 1081);
    emit list->itemDoubleClicked(list->item(0));
  };
  EXPECT_EQ(fn<SW07_CallSelectMacroDlgFn>(h_, "SW07_CallSelectMacroDlg")(ownerId_, &names.head, answer), 1);
  EXPECT_STREQ(answer, "PUMP");
  driver_->onDialog = [&](QDialog* d) {
    type(child<QLineEdit>(d, 1080), "ABC");
    click(d, 2);
  };
  EXPECT_EQ(fn<SW07_CallSelectMacroDlgFn>(h_, "SW07_CallSelectMacroDlg")(ownerId_, nullptr, answer), 2);
  EXPECT_STREQ(answer, "");  // emptied at the start
  driver_->onDialog = [&](QDialog* d) {
    type(child<QLineEdit>(d, 1080), "ABC");
    click(d, 1);
  };
  EXPECT_EQ(fn<SW07_CallSelectMacroDlgFn>(h_, "SW07_CallSelectMacroDlg")(ownerId_, nullptr, nullptr), 1);
}

TEST_F(Dialogs, CopyMacroPreselectsAndRefusesExistingNames) {
  List names({"PUMP", "MOTOR"});
  char source[15] = "mo", dest[21] = "ABCDEFGHIJKLMNOPQRST";
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Copy Subprogram");
    EXPECT_EQ(child<QComboBox>(d, 1084)->currentText(), "MOTOR");
    auto* edit = child<QLineEdit>(d, 1083);
    EXPECT_EQ(edit->text(), "ABCDEFGHIJKLMN");
    type(edit, "pump");
    click(d, 1);
    EXPECT_TRUE(d->isVisible());
    type(edit, "a b");
    click(d, 1);
    EXPECT_TRUE(d->isVisible());
    type(edit, "");
    EXPECT_FALSE(okEnabled(d));
    type(edit, "pump2");
    click(d, 1);
  };
  EXPECT_EQ(fn<SW08_CallCopyMacroDlgFn>(h_, "SW08_CallCopyMacroDlg")(ownerId_, &names.head, source, dest), 1);
  EXPECT_STREQ(source, "MOTOR");
  EXPECT_STREQ(dest, "PUMP2");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Error!   A subprogram with the specified name is already available.",
                                               "Error!   Invalid subprogram name."}));
}

TEST_F(Dialogs, RenameAndEmptyLists) {
  List names({"PUMP", "MOTOR"});
  char oldName[15] = "", newName[15] = "";
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Rename Subprogram");
    EXPECT_EQ(child<QComboBox>(d, 1084)->currentText(), "MOTOR");  // the first entry
    type(child<QLineEdit>(d, 1083), "drive");
    key(d, Qt::Key_F1);
    click(d, 1);
  };
  EXPECT_EQ(fn<SW10_CallRenameMacroDlgFn>(h_, "SW10_CallRenameMacroDlg")(ownerId_, &names.head, oldName, newName), 1);
  EXPECT_STREQ(oldName, "MOTOR");
  EXPECT_STREQ(newName, "DRIVE");
  EXPECT_EQ(texts(), std::vector<std::string>{"Help context: 77"});
  NameNode* none = nullptr;
  driver_->onDialog = [&](QDialog* d) {
    type(child<QLineEdit>(d, 1083), "X");
    EXPECT_FALSE(okEnabled(d));
    click(d, 2);
  };
  EXPECT_EQ(fn<SW10_CallRenameMacroDlgFn>(h_, "SW10_CallRenameMacroDlg")(ownerId_, &none, oldName, newName), 2);
  EXPECT_STREQ(oldName, "MOTOR");
}

// A name refused with 509 or 510 and then Cancel: both buffers keep what the
// caller put in (they are written only when the dialog ends with OK).
TEST_F(Dialogs, CopyAndRenameWriteNothingBeforeOk) {
  using Call = int (*)(SwWindow, NameNode**, char*, char*);
  struct Case {
    const char* exportName;
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"SW08_CallCopyMacroDlg", "pump", "Error!   A subprogram with the specified name is already available."},
      {"SW08_CallCopyMacroDlg", "a b", "Error!   Invalid subprogram name."},
      {"SW10_CallRenameMacroDlg", "pump", "Error!   A subprogram with the specified name is already available."},
      {"SW10_CallRenameMacroDlg", "&x", "Error!   Invalid subprogram name."},
  };
  for (const Case& c : cases) {
    List names({"PUMP", "MOTOR"});
    char first[15] = "pu", second[15] = "proposal";
    sink_->clear();
    driver_->onDialog = [&](QDialog* d) {
      child<QComboBox>(d, 1084)->setCurrentIndex(0);  // MOTOR, not the preselected PUMP
      type(child<QLineEdit>(d, 1083), c.typed);
      click(d, 1);
      EXPECT_TRUE(d->isVisible()) << c.exportName << " " << c.typed;
      click(d, 2);
    };
    EXPECT_EQ(fn<Call>(h_, c.exportName)(ownerId_, &names.head, first, second), 2);
    EXPECT_STREQ(first, "pu") << c.exportName << " " << c.typed;
    EXPECT_STREQ(second, "proposal") << c.exportName << " " << c.typed;
    EXPECT_EQ(texts(), std::vector<std::string>{c.message}) << c.exportName;
  }
}

TEST_F(Dialogs, DesignOrDeleteCaptionsHelpAndChoice) {
  List names({"PUMP", "MOTOR"});
  char buf[15] = "pu";
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Delete Subprogram");
    EXPECT_EQ(child<QListWidget>(d, 1081)->currentItem()->text(), "PUMP");
    key(d, Qt::Key_F1);
    click(d, 1);
  };
  auto f = fn<SW09_CallDesignOrDeleteMacroDlgFn>(h_, "SW09_CallDesignOrDeleteMacroDlg");
  EXPECT_EQ(f(ownerId_, 1, &names.head, buf), 1);
  EXPECT_STREQ(buf, "PUMP");
  EXPECT_EQ(texts(), std::vector<std::string>{"Help context: 4"});
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Subprogram Design");
    EXPECT_EQ(child<QListWidget>(d, 1081)->currentItem()->text(), "MOTOR");
    click(d, 1);
  };
  std::strcpy(buf, "");
  EXPECT_EQ(f(ownerId_, 0, &names.head, buf), 1);
  EXPECT_STREQ(buf, "MOTOR");
  NameNode* none = nullptr;
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_FALSE(okEnabled(d));
    click(d, 2);
  };
  EXPECT_EQ(f(ownerId_, 0, &none, buf), 2);
}

TEST_F(Dialogs, ConnectorNames) {
  List names({"A", "B", "&C"});
  char name[8] = "A";
  ConnectorParams p{"Input", name, 5, 6, 0, &names.head};
  struct Step { const char* typed; bool stays; };
  std::vector<Step> steps;
  auto script = [&](std::vector<const char*> typed) {
    driver_->onDialog = [typed](QDialog* d) {
      auto* e = child<QLineEdit>(d, 1080);
      for (const char* t : typed) {
        e->setText(t);
        click(d, 1);
        if (!d->isVisible()) return;
      }
      click(d, 2);
    };
  };
  auto call = fn<SW30_CallInsertConnectorDlgFn>(h_, "SW30_CallInsertConnectorDlg");
  // Its own current name is free; another connector's is not; blanks are refused.
  script({"B", "X Y", "A"});
  EXPECT_EQ(call(ownerId_, &p), 1);
  EXPECT_STREQ(name, "A");
  EXPECT_EQ(p.value1, 0);
  EXPECT_EQ(p.value2, 0);
  EXPECT_EQ(texts(), (std::vector<std::string>{
                         "Error!   The specified name is already being used by another\nSubIn. Please enter another name.",
                         "Error!   Invalid name."}));
  sink_->clear();
  // Output: 512; nine characters are cut to seven; flag bit 0 keeps the values.
  p.kind = "Output";
  p.value1 = 3;
  p.flags = 1;
  script({"&C", "LONGNAME9"});
  EXPECT_EQ(call(ownerId_, &p), 1);
  EXPECT_STREQ(name, "LONGNAM");
  EXPECT_EQ(p.value1, 3);
  EXPECT_EQ(texts(), std::vector<std::string>{
                         "Error!   The specified name is already being used by another\nSubOut. Please enter another name."});
  // A null current name is no current name: "A" is taken.
  sink_->clear();
  p.name = nullptr;
  script({"A"});
  EXPECT_EQ(call(ownerId_, &p), 2);
  EXPECT_EQ(sink_->shown().size(), 1u);
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "SubIn");
    key(d, Qt::Key_F1);
    click(d, 2);
  };
  sink_->clear();
  EXPECT_EQ(call(ownerId_, nullptr), 2);
  EXPECT_EQ(texts(), std::vector<std::string>{"Help key word: Function block: SubIn"});
}

TEST_F(Dialogs, TextRoundTripAndFontSize) {
  char text[32] = "A\rB";
  TextParams p{text, 32, 12, 1.0f};
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(child<QPlainTextEdit>(d, 1023)->toPlainText(), "A\nB");
    EXPECT_TRUE(child<QRadioButton>(d, 1025)->isChecked());
    QSize min = d->size();
    d->resize(min.width() - 50, min.height() - 50);
    EXPECT_GE(d->width(), min.width());
    EXPECT_GE(d->height(), min.height());
    click(d, 1);
  };
  auto call = fn<SW31_CallInsertTextDlgFn>(h_, "SW31_CallInsertTextDlg");
  EXPECT_EQ(call(ownerId_, &p), 1);
  EXPECT_STREQ(text, "A\rB");
  EXPECT_EQ(p.fontSize, 16);
  driver_->onDialog = [](QDialog* d) {
    child<QPlainTextEdit>(d, 1023)->setPlainText("X\nY\nZ");
    child<QRadioButton>(d, 1026)->click();
    click(d, 1);
  };
  EXPECT_EQ(call(ownerId_, &p), 1);
  EXPECT_STREQ(text, "X\rY\rZ");
  EXPECT_EQ(p.fontSize, 24);
  EXPECT_TRUE(sink_->shown().empty());
}

TEST_F(Dialogs, TextTooLongWarnsTwiceAndWritesNine) {
  char text[16] = "ABCDEFGHIJKL";  // 12 characters, size 10: no terminator within the size
  TextParams p{text, 10, 8, 1.0f};
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(child<QPlainTextEdit>(d, 1023)->toPlainText(), "ABCDEFGHIJ");
    EXPECT_TRUE(child<QRadioButton>(d, 1024)->isChecked());
    child<QPlainTextEdit>(d, 1023)->setPlainText("ABCDEFGHIJKL");
    click(d, 1);
  };
  sink_->answerBox(IDOK);
  sink_->answerBox(IDOK);
  EXPECT_EQ(fn<SW31_CallInsertTextDlgFn>(h_, "SW31_CallInsertTextDlg")(ownerId_, &p), 1);
  EXPECT_STREQ(text, "ABCDEFGHI");
  EXPECT_EQ(sink_->shown().size(), 2u);
  EXPECT_EQ(sink_->shown()[0].text, "Warning!  The selected text is too long.\nIt will be truncated.");
  EXPECT_EQ(sink_->shown()[0].style, unsigned(MB_OKCANCEL));
  // Cancel on the first warning ends the dialog with 2 before it shows.
  std::memcpy(text, "ABCDEFGHIJKL", 12);
  sink_->clear();
  sink_->answerBox(IDCANCEL);
  driver_->onDialog = [](QDialog*) { ADD_FAILURE() << "shown"; };
  EXPECT_EQ(fn<SW31_CallInsertTextDlgFn>(h_, "SW31_CallInsertTextDlg")(ownerId_, &p), 2);
}

// The edit takes at most size - 1 characters: typed keys and a paste beyond
// that are dropped, so OK writes the text without the too-long warning.
TEST_F(Dialogs, TextEditKeepsTheRecordsLimit) {
  struct Case {
    const char* start;
    const char* added;
    bool paste;
    const char* expected;
  };
  const Case cases[] = {
      {"AB", "CDEFGHIJKLMN", false, "ABCDEFGHI"},
      {"AB", "CDEFGHIJKLMN", true, "ABCDEFGHI"},
      {"A\rB", "1\n2345678", true, "A\rB1\r2345"},
  };
  for (const Case& c : cases) {
    char text[16] = {};
    std::strcpy(text, c.start);
    TextParams p{text, 10, 8, 1.0f};
    sink_->clear();
    driver_->onDialog = [&](QDialog* d) {
      auto* edit = child<QPlainTextEdit>(d, 1023);
      edit->moveCursor(QTextCursor::End);
      if (c.paste) {
        edit->insertPlainText(QString::fromUtf8(c.added));
      } else {
        for (const char* k = c.added; *k; ++k) {
          QKeyEvent ev(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(*k)));
          QCoreApplication::sendEvent(edit, &ev);
        }
      }
      EXPECT_EQ(edit->toPlainText().size(), 9) << c.added;
      click(d, 1);
    };
    EXPECT_EQ(fn<SW31_CallInsertTextDlgFn>(h_, "SW31_CallInsertTextDlg")(ownerId_, &p), 1);
    EXPECT_STREQ(text, c.expected);
    EXPECT_TRUE(sink_->shown().empty()) << c.added;
  }
}

TEST_F(Dialogs, AboutBox) {
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "About");
    key(d, Qt::Key_F1);
    click(d, 1);
  };
  EXPECT_EQ(fn<SW21_CallAboutDlgFn>(h_, "SW21_CallAboutDlg")(ownerId_), 1);
  EXPECT_EQ(texts(), std::vector<std::string>{"Help context: 25"});
}

TEST_F(Dialogs, WorksheetSetupEveryPositionUnchangedByOkAndReopening) {
  auto call = fn<SW20_CallWorkSheetSetupDlgFn>(h_, "SW20_CallWorkSheetSetupDlg");
  driver_->onDialog = [](QDialog* d) { click(d, 1); };
  for (int pos = 3; pos <= 100; ++pos) {
    WorkSheetSetup r{3, float(pos) * 0.1f, 1, 250};
    WorkSheetSetup before = r;
    ASSERT_EQ(call(ownerId_, &r), 1);
    ASSERT_EQ(call(ownerId_, &r), 1);
    EXPECT_EQ(r.zoom, before.zoom) << pos;
    EXPECT_EQ(r.format, 3);
    EXPECT_EQ(r.crossText, 1);
    EXPECT_EQ(r.refreshMs, 250);
  }
}

TEST_F(Dialogs, WorksheetSetupShowsAndWrites) {
  auto call = fn<SW20_CallWorkSheetSetupDlgFn>(h_, "SW20_CallWorkSheetSetupDlg");
  WorkSheetSetup r{9, 2.55f, 5, 6000};
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Work Sheet Setup");
    EXPECT_TRUE(child<QPushButton>(d, 1086)->isChecked());
    EXPECT_EQ(d->findChild<QSlider*>("c1093")->value(), 25);
    EXPECT_EQ(child<QLabel>(d, 1092)->text(), "2.5");
    EXPECT_EQ(child<QLabel>(d, 1101)->text(), "0.30 s");
    d->findChild<QSlider*>("c1100")->setValue(100);
    EXPECT_EQ(child<QLabel>(d, 1101)->text(), "5.00 s");
    child<QPushButton>(d, 1091)->click();
    d->findChild<QCheckBox*>("c1094")->setChecked(false);
    key(d, Qt::Key_F1);
    click(d, 1);
  };
  EXPECT_EQ(call(ownerId_, &r), 1);
  EXPECT_EQ(r.format, 5);
  EXPECT_EQ(r.zoom, 2.5f);
  EXPECT_EQ(r.refreshMs, 5000);
  EXPECT_EQ(r.crossText, 0);
  EXPECT_EQ(texts(), std::vector<std::string>{"Help context: 34"});
  WorkSheetSetup c{1, 1.5f, 0, 100};
  driver_->onDialog = [](QDialog* d) {
    d->findChild<QSlider*>("c1093")->setValue(50);
    click(d, 2);
  };
  EXPECT_EQ(call(ownerId_, &c), 2);
  EXPECT_EQ(c.zoom, 1.5f);
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(d->findChild<QSlider*>("c1093")->value(), 10);
    EXPECT_EQ(d->findChild<QSlider*>("c1100")->value(), 6);
    click(d, 1);
  };
  EXPECT_EQ(call(ownerId_, nullptr), 1);
}

// ---- file dialogs ----
namespace {
// Chooses path in the file dialog (or cancels with an empty path).
std::function<void(QDialog*)> choosePath(std::vector<std::string> paths, std::vector<std::string>* dirs = nullptr) {
  auto left = std::make_shared<std::vector<std::string>>(std::move(paths));
  return [left, dirs](QDialog* d) {
    auto* f = static_cast<QFileDialog*>(d);
    if (dirs) dirs->push_back(f->directory().absolutePath().toStdString());
    if (left->empty() || left->front().empty()) {
      if (!left->empty()) left->erase(left->begin());
      d->reject();
      return;
    }
    f->selectFile(QString::fromStdString(left->front()));
    left->erase(left->begin());
    static_cast<QDialog*>(f)->accept();
  };
}
} // namespace

TEST_F(Dialogs, OpenAndSaveProjects) {
  fs::path projects = program().dir / "PROJECTS";
  writeFile(projects / "Motor.mdl", "x");
  char buf[256] = "junk";
  FileDlgParams p{ownerId_, buf, sizeof buf};
  std::vector<std::string> dirs;
  driver_->onDialog = choosePath({(projects / "Motor.mdl").string()}, &dirs);
  EXPECT_EQ(fn<SW51_OpenMDLProjectFn>(h_, "SW51_OpenMDLProject")(&p), 1);
  EXPECT_EQ(std::string(buf), (projects / "Motor.mdl").string());  // the user's case kept
  ASSERT_EQ(dirs.size(), 1u);
  EXPECT_EQ(fs::path(dirs[0]), fs::canonical(projects));
  driver_->onDialog = choosePath({""});
  EXPECT_EQ(fn<SW51_OpenMDLProjectFn>(h_, "SW51_OpenMDLProject")(&p), 0);
  EXPECT_STREQ(buf, "");
  // Save: a default name shows 521 and asks again; a path too long for the buffer 520.
  char small[12] = "";
  FileDlgParams s{ownerId_, small, sizeof small};
  std::string good = (projects / "Pump.mdl").string(), dflt = (projects / "UNTITLED 02.MDL").string();
  driver_->onDialog = choosePath({good, ""});
  EXPECT_EQ(fn<SW51_SaveAsMDLProjectFn>(h_, "SW51_SaveAsMDLProject")(&s), 0);
  EXPECT_STREQ(small, "");
  std::strcpy(buf, projects.string().c_str());
  driver_->onDialog = choosePath({dflt, good});
  EXPECT_EQ(fn<SW51_SaveAsMDLProjectFn>(h_, "SW51_SaveAsMDLProject")(&p), 1);
  EXPECT_EQ(std::string(buf), good);
  EXPECT_EQ(texts(), (std::vector<std::string>{"Error!   File path is too long.", "Error!   Invalid file name."}));
  EXPECT_EQ(fn<SW51_OpenMDLProjectFn>(h_, "SW51_OpenMDLProject")(nullptr), 0);
}

TEST_F(Dialogs, OpenLibraryTakesTheSuggestionAndKeepsTheBuffer) {
  fs::path lib = program().dir / "Blocks.mco";
  writeFile(lib, "x");
  char buf[256] = "Blocks.mco";
  FileDlgParams p{ownerId_, buf, sizeof buf};
  driver_->onDialog = [](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Open Zerlo Library");
    d->reject();
  };
  EXPECT_EQ(fn<SW51_OpenLibraryFn>(h_, "SW51_OpenLibrary")(&p), 0);
  EXPECT_STREQ(buf, "Blocks.mco");
  driver_->onDialog = choosePath({lib.string()});
  EXPECT_EQ(fn<SW51_OpenLibraryFn>(h_, "SW51_OpenLibrary")(&p), 1);
  EXPECT_EQ(std::string(buf), lib.string());
}

TEST_F(Dialogs, StartSelection) {
  auto call = fn<SW04_CallStartAuswahlDlgFn>(h_, "SW04_CallStartAuswahlDlg");
  int flag = 1;
  // Enter on the check box does nothing; the mouse over KONFIG and Enter gives 2.
  driver_->onDialog = [](QDialog* d) {
    auto* box = d->findChild<QCheckBox*>("c1005");
    EXPECT_TRUE(box->isChecked());
    box->setFocus();
    key(d, Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(box->isChecked());
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(child<QPushButton>(d, 1006), &enter);
    key(d, Qt::Key_Return);
  };
  EXPECT_EQ(call(ownerId_, &flag), 2);
  EXPECT_EQ(flag, 1);
  // Unticking writes the flag at once; Esc gives 0.
  driver_->onDialog = [](QDialog* d) {
    d->findChild<QCheckBox*>("c1005")->click();
    child<QPushButton>(d, 1009)->click();
    EXPECT_TRUE(d->isVisible());
    key(d, Qt::Key_Escape);
  };
  EXPECT_EQ(call(ownerId_, &flag), 0);
  EXPECT_EQ(flag, 0);
  // HELP asks the library's own help for context 1: the file beside the
  // library named as it with ".HLP", without the number box of F1.
  EXPECT_TRUE(texts().empty());
  ASSERT_EQ(sink_->helps().size(), 1u);
  EXPECT_EQ(sink_->helps()[0].file, (program().dir / "stockwin.HLP").string());
  EXPECT_EQ(sink_->helps()[0].context, 1u);
  EXPECT_FALSE(sink_->helps()[0].byKeyword);
  for (int id : {1004, 1007, 1008}) {
    driver_->onDialog = [id](QDialog* d) { child<QPushButton>(d, id)->click(); };
    EXPECT_EQ(call(ownerId_, nullptr), id == 1004 ? 1 : id == 1007 ? 3 : 4);
  }
}

// The texts of the worksheet setup, the start selection and the shared OK and
// Cancel come from the language's resources, English built in.
class LanguageTexts : public dlgtest::OwnedDialogs {
protected:
  void SetUp() override {
    app();
    OwnedDialogs::SetUp();
  }
};

TEST_F(LanguageTexts, DialogTextsFollowTheLanguage) {
  auto sink = std::make_shared<ScriptedSink>();
  ScopedSink scope(sink);
  struct Text {
    unsigned dialog;
    int control;
    const char* english;
    const char* german;
  };
  const Text kTexts[] = {
      {183, 1110, "Format", "Blattformat"},
      {183, 1111, "Zoom", "Vergroesserung"},
      {183, 1112, "Refresh Ratio", "Bildwiederholung"},
      {183, 1113, "Autorouting", "Leitungsfuehrung"},
      {183, 1094, "Cross text blocks", "Textbloecke kreuzen"},
      {183, 1, "OK", "Uebernehmen"},
      {183, 2, "Cancel", "Abbruch"},
      {129, 1005, "Show Quickstart next time", "Schnellstart wieder zeigen"},
      {180, 1, "OK", "Uebernehmen"},
      {180, 2, "Cancel", "Abbruch"},
      {196, 1, "OK", "Uebernehmen"},
      {196, 2, "Cancel", "Abbruch"},
  };
  for (int language : {2, 1}) {
    program().writeObel(language);
    plat::lib::Handle h = program().load();
    ASSERT_TRUE(h) << plat::lib::lastError();
    std::map<std::pair<unsigned, int>, std::string> seen;
    driver_->onShown = [&](const DialogShown& shown) {
      auto* d = static_cast<QDialog*>(shown.widget);
      for (const Text& t : kTexts) {
        if (t.dialog != unsigned(shown.resourceId)) continue;
        QWidget* w = d->findChild<QWidget*>(QStringLiteral("c%1").arg(t.control));
        const auto key = std::make_pair(t.dialog, t.control);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) seen[key] = b->text().toStdString();
        if (auto* g = qobject_cast<QGroupBox*>(w)) seen[key] = g->title().toStdString();
      }
      d->reject();
    };
    WorkSheetSetup setup{0, 1.0f, 0, 300};
    fn<SW20_CallWorkSheetSetupDlgFn>(h, "SW20_CallWorkSheetSetupDlg")(ownerId_, &setup);
    int flag = 1;
    fn<SW04_CallStartAuswahlDlgFn>(h, "SW04_CallStartAuswahlDlg")(ownerId_, &flag);
    char answer[15] = "";
    fn<SW07_CallSelectMacroDlgFn>(h, "SW07_CallSelectMacroDlg")(ownerId_, nullptr, answer);
    char text[8] = "A";
    TextParams tp{text, 8, 8, 1.0f};
    fn<SW31_CallInsertTextDlgFn>(h, "SW31_CallInsertTextDlg")(ownerId_, &tp);
    for (const Text& t : kTexts)
      EXPECT_EQ(seen[std::make_pair(t.dialog, t.control)], language == 2 ? t.english : t.german)
          << "dialog " << t.dialog << " control " << t.control << " language " << language;
    driver_->onShown = nullptr;
    plat::lib::unload(h);
  }
  EXPECT_TRUE(sink->shown().empty());
}
