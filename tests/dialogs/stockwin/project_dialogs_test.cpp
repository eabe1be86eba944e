// The new project dialog and its directory selection, driven offscreen.
#include "sw_dialogs.h"

#include <QListWidget>
#include <QTreeWidget>
#include <QComboBox>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace swtest;

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

// The template directory of the test program: MOTOR with a project file, a
// parameter file and a text.
fs::path templates() { return program().dir / "ENGLISH" / "TEMPLATE"; }
void writeTemplates() {
  fs::create_directories(templates() / "MOTOR");
  fs::create_directories(templates() / "LAMP");
  std::string magic;
  for (std::uint32_t w : {7777777u, 3333333u})
    for (int i = 0; i < 4; ++i) magic += char((w >> (8 * i)) & 0xFF);
  writeFile(templates() / "MOTOR" / "MOTOR.MDL", magic + std::string(40, '\x11'));
  writeFile(templates() / "MOTOR" / "MOTOR.LPA", "lpa");
  writeFile(templates() / "MOTOR" / "README.TXT", "readme");
  writeFile(templates() / "TEMPLATES.INI",
            "[GENERAL]\nDEFAULT=1\n\n[1]\nDIR=MOTOR\nNAME=Motor control\nICON=none.ico\n\n[2]\nDIR=LAMP\n");
}

class NewProject : public Dialogs {
protected:
  void SetUp() override {
    Dialogs::SetUp();
    writeTemplates();
    out = program().dir / "PROJECTS" / ("P-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(out);
  }
  void TearDown() override {
    fs::remove_all(out);
    Dialogs::TearDown();
  }
  int call(char* path, int size) { return fn<SW05_CallNewProjectDlgFn>(h_, "SW05_CallNewProjectDlg")(ownerId_, path, size); }
  fs::path out;
};

} // namespace

TEST_F(NewProject, SuggestsAFreeNameAndCopiesTheTemplateUnderTheProjectName) {
  writeFile(program().dir / "PROJECTS" / "UNTITLED 00.MDL", "");
  writeFile(program().dir / "PROJECTS" / "UNTITLED 01.MDL", "");
  char path[512] = "old";
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "New Project");
    auto* list = child<QListWidget>(d, 1011);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Motor control");
    EXPECT_EQ(list->item(1)->text(), "LAMP");
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_TRUE(list->item(0)->icon().isNull());  // the picture file is missing
    EXPECT_EQ(child<QLineEdit>(d, 1012)->text(), "UNTITLED 02");
    EXPECT_TRUE(child<QLineEdit>(d, 1014)->text().endsWith("PROJECTS/"));
    EXPECT_TRUE(okEnabled(d));
    type(child<QLineEdit>(d, 1012), "");
    EXPECT_FALSE(okEnabled(d));
    type(child<QLineEdit>(d, 1012), "pump");
    EXPECT_EQ(child<QLineEdit>(d, 1012)->text(), "PUMP");
    child<QLineEdit>(d, 1014)->setText(QString::fromStdString(out.string()));
    click(d, 1);
  };
  ASSERT_EQ(call(path, sizeof path), 1);
  EXPECT_EQ(std::string(path), (out / "PUMP.MDL").string());
  EXPECT_EQ(dlgtest::readFile(out / "PUMP.LPA"), "lpa");
  EXPECT_EQ(dlgtest::readFile(out / "README.TXT"), "readme");
  EXPECT_EQ(dlgtest::readFile(out / "PUMP.MDL").substr(16, 12), std::string("PUMP.MDL\0\0\0\0", 12));
  EXPECT_TRUE(sink_->shown().empty());
}

TEST_F(NewProject, RefusalsKeepTheDialogOpen) {
  char path[8] = "old";
  int step = 0;
  sink_->answerBox(IDOK);
  driver_->onDialog = [&](QDialog* d) {
    auto* name = child<QLineEdit>(d, 1012);
    auto* dir = child<QLineEdit>(d, 1014);
    type(name, "A?");  // shown at once
    EXPECT_EQ(texts(), std::vector<std::string>{"Project name is invalid."});
    click(d, 1);
    EXPECT_TRUE(d->isVisible());
    type(name, "..");
    click(d, 1);
    // The template's own directory: refused, the template stays whole.
    type(name, "MOTOR");
    dir->setText(QString::fromStdString((templates() / "MOTOR").string()));
    click(d, 1);
    EXPECT_EQ(dlgtest::readFile(templates() / "MOTOR" / "MOTOR.MDL").substr(16, 4), std::string(4, '\x11'));
    // A directory below a file cannot be made.
    writeFile(program().dir / "PROJECTS" / "AFILE", "");
    dir->setText(QString::fromStdString((program().dir / "PROJECTS" / "AFILE" / "X").string()));
    click(d, 1);
    // The path does not fit the caller's 8 characters: 520, the files are already there.
    type(name, "PUMP");
    dir->setText(QString::fromStdString(out.string()));
    click(d, 1);
    EXPECT_TRUE(fs::exists(out / "PUMP.MDL"));
    // No template selected: OK is off.
    child<QListWidget>(d, 1011)->clearSelection();
    EXPECT_FALSE(okEnabled(d));
    step = 1;
    click(d, 2);
  };
  EXPECT_EQ(call(path, sizeof path), 2);
  EXPECT_EQ(step, 1);
  EXPECT_STREQ(path, "old");
  EXPECT_EQ(texts(), (std::vector<std::string>{"Project name is invalid.", "Project name is invalid.",
                                               "Project name is invalid.", "Project files could not be copied.",
                                               "Project directory could not be created.",
                                               "Error!   File path is too long."}));
}

TEST_F(NewProject, DirectoryChosenInTheTree) {
  fs::path target = program().dir / "PROJECTS" / "Deep" / "Er";
  fs::create_directories(target);
  // The home directory is a top-level place of the tree: the way down starts there.
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", program().dir.c_str(), 1);
  QString chosen;
  driver_->onShown = [&](const DialogShown& s) {
    auto* d = static_cast<QDialog*>(s.widget);
    if (s.resourceId == 127) {
      child<QLineEdit>(d, 1014)->setText(QString::fromStdString(target.string() + "/"));
      click(d, 1013);
      chosen = child<QLineEdit>(d, 1014)->text();
      click(d, 2);
      return;
    }
    ASSERT_EQ(s.resourceId, 128);
    EXPECT_EQ(d->windowTitle(), "Select Directory");
    auto* tree = d->findChild<QTreeWidget*>("c1015");
    ASSERT_TRUE(tree->currentItem());
    EXPECT_EQ(tree->currentItem()->text(0), "Er");
    EXPECT_EQ(tree->currentItem()->data(0, kPathRole).toString().toStdString(), target.string());
    // Up one level and OK.
    tree->setCurrentItem(tree->currentItem()->parent());
    click(d, 1);
  };
  EXPECT_EQ(call(nullptr, 0), 2);
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(chosen.toStdString(), (program().dir / "PROJECTS" / "Deep").string() + "/");
}

// ---- bitmap dialogs ----
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>

namespace {

void writeBmp(const fs::path& p, int w, int h, QColor c) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(c);
  img.save(QString::fromStdString(p.string()), "BMP");
}

class Bitmaps : public Dialogs {
protected:
  void SetUp() override {
    Dialogs::SetUp();
    dir = program().dir / "PROJECTS" / "BMP";
    fs::remove_all(dir);
    fs::create_directories(dir);
    writeBmp(dir / "PIC.BMP", 40, 30, Qt::red);
    writeBmp(dir / "a_very_long_name.bmp", 300, 20, Qt::blue);
    writeBmp(dir / "small.bmp", 10, 10, Qt::green);
    dirText = dir.string();
    std::memset(&p, 0, sizeof p);
    p.directory = dirText.c_str();
  }
  void TearDown() override {
    fs::remove_all(dir);
    Dialogs::TearDown();
  }
  int symbol(MacroBmpParams* r) { return fn<SW01_CallMacroBmpDlgFn>(h_, "SW01_CallMacroBmpDlg")(ownerId_, r); }
  int background(MacroBmpParams* r) { return fn<SW03_CallMacroBGBmpDlgFn>(h_, "SW03_CallMacroBGBmpDlg")(ownerId_, r); }
  fs::path dir;
  std::string dirText;
  MacroBmpParams p{};
};

void selectText(QListWidget* l, const char* t) {
  auto items = l->findItems(QString::fromLatin1(t), Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << t;
  l->setCurrentItem(items[0]);
}

} // namespace

TEST_F(Bitmaps, SymbolOpensOnTheStoredFileAndStoresTheChosenName) {
  std::strcpy(p.symbol, "pic.bmp");
  p.fixedSize = 1;
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Symbol Bitmap");
    auto* list = child<QListWidget>(d, 1001);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "*** No bitmap ***");
    EXPECT_EQ(list->item(1)->text(), "a_very_long_name.bmp");
    EXPECT_EQ(list->currentItem()->text(), "PIC.BMP");
    EXPECT_FALSE(child<QCheckBox>(d, 1002)->isEnabled());
    saveShot(d, "STOCKWIN-130-preview");
    selectText(list, "a_very_long_name.bmp");
    saveShot(d, "STOCKWIN-130-stretched");
    selectText(list, "small.bmp");
    click(d, 1);
  };
  ASSERT_EQ(symbol(&p), 1);
  EXPECT_STREQ(p.symbol, "small.bmp");
  EXPECT_EQ(p.resize, 0);
  EXPECT_TRUE(texts().empty());
}

// A name over 12 characters goes into the field as its 8.3 alias (no 521),
// and the dialog opens again on the file that alias stands for; in both
// dialogs, and only in the field of the dialog.
TEST_F(Bitmaps, LongNamesAreStoredByTheirAlias) {
  writeBmp(dir / "Motor front view.BMP", 20, 20, Qt::yellow);
  struct Case {
    bool symbolDialog;
    const char* chosen;
    const char* stored;
  };
  const Case cases[] = {
      {true, "a_very_long_name.bmp", "AVERYL~1.BMP"},
      {false, "a_very_long_name.bmp", "AVERYL~1.BMP"},
      {true, "Motor front view.BMP", "MOTORF~1.BMP"},
      {false, "small.bmp", "small.bmp"},
  };
  for (const Case& c : cases) {
    std::memset(p.symbol, 0, sizeof p.symbol);
    std::memset(p.background, 0, sizeof p.background);
    sink_->clear();
    driver_->onDialog = [&](QDialog* d) {
      selectText(child<QListWidget>(d, 1001), c.chosen);
      click(d, 1);
    };
    ASSERT_EQ(c.symbolDialog ? symbol(&p) : background(&p), 1) << c.chosen;
    EXPECT_STREQ(c.symbolDialog ? p.symbol : p.background, c.stored) << c.chosen;
    EXPECT_STREQ(c.symbolDialog ? p.background : p.symbol, "") << c.chosen;
    EXPECT_TRUE(texts().empty()) << c.chosen;
    QString reopened;
    driver_->onDialog = [&](QDialog* d) {
      reopened = child<QListWidget>(d, 1001)->currentItem()->text();
      click(d, 2);
    };
    EXPECT_EQ(c.symbolDialog ? symbol(&p) : background(&p), 2);
    EXPECT_EQ(reopened.toStdString(), c.chosen);
  }
}

TEST_F(Bitmaps, MissingFileOpensWithNoBitmapAndCancelKeepsTheRecord) {
  std::strcpy(p.symbol, "GONE.BMP");
  std::strcpy(p.background, "PIC.BMP");
  p.resize = 1;
  MacroBmpParams before = p;
  driver_->onDialog = [&](QDialog* d) {
    EXPECT_EQ(child<QListWidget>(d, 1001)->currentRow(), 0);
    EXPECT_TRUE(child<QCheckBox>(d, 1002)->isEnabled());
    child<QCheckBox>(d, 1002)->setChecked(false);
    click(d, 2);
  };
  EXPECT_EQ(symbol(&p), 2);
  EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
  driver_->onDialog = [&](QDialog* d) { click(d, 1); };
  EXPECT_EQ(symbol(&p), 1);
  EXPECT_STREQ(p.symbol, "");
  EXPECT_STREQ(p.background, "PIC.BMP");  // the symbol dialog leaves the background alone
  EXPECT_EQ(symbol(nullptr), 1);
}

TEST_F(Bitmaps, BackgroundImportCopiesUpperCasedAndKnowsItsOwnFiles) {
  fs::path outside = program().dir / "PROJECTS" / "new pic.bmp";
  writeBmp(outside, 50, 40, Qt::yellow);
  int files = 0;
  driver_->onShown = [&](const DialogShown& s) {
    auto* d = static_cast<QDialog*>(s.widget);
    if (s.resourceId == 131) {
      EXPECT_EQ(d->windowTitle(), "Background Bitmap");
      EXPECT_EQ(d->findChild<QCheckBox*>(), nullptr);
      click(d, 1096);
      EXPECT_EQ(child<QListWidget>(d, 1001)->currentItem()->text(), "NEW PIC.BMP");
      click(d, 1096);  // the same file from the directory itself
      files = child<QListWidget>(d, 1001)->count();
      click(d, 1);
      return;
    }
    auto* f = static_cast<QFileDialog*>(d);
    f->selectFile(QString::fromStdString(files++ == 0 ? outside.string() : (dir / "NEW PIC.BMP").string()));
    d->accept();
  };
  ASSERT_EQ(background(&p), 1);
  EXPECT_STREQ(p.background, "NEW PIC.BMP");
  EXPECT_TRUE(fs::exists(dir / "NEW PIC.BMP"));
  EXPECT_EQ(files, 5);
  EXPECT_EQ(texts(), std::vector<std::string>{"The selected bitmap is already available!"});
}

// ---- printer set-up ----
#include <QPrintDialog>
#include <QPrinter>

#include "platform/handles.h"

TEST_F(Dialogs, PrintSetupHandsOverAPrinterOrNothing) {
  auto setup = fn<SW52_PrintSetupFn>(h_, "SW52_PrintSetup");
  EXPECT_EQ(setup(nullptr), 0u);
  PrintSetupParams p{ownerId_, 0x70003};  // the low 16 bits: last page 3
  driver_->onDialog = [](QDialog* d) {
    auto* pd = dynamic_cast<QPrintDialog*>(d);
    ASSERT_TRUE(pd);
    EXPECT_EQ(pd->maxPage(), 3);
    d->reject();
  };
  EXPECT_EQ(setup(&p), 0u);
  driver_->onDialog = [](QDialog* d) { d->accept(); };
  std::uint32_t id = setup(&p);
  ASSERT_NE(id, 0u);
  auto* printer = static_cast<QPrinter*>(plat::handles::lookup(id, SW_PRINTER_HANDLE_KIND));
  ASSERT_TRUE(printer);
  EXPECT_TRUE(printer->isValid());
  delete printer;
  plat::handles::release(id);
}
