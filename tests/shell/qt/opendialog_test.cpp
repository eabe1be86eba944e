#include "shell/opendialog.h"
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

int argc = 1;
char arg0[] = "shell_qt_test";
char* argv[] = {arg0, nullptr};

QApplication& app() {
  static QApplication* a = new QApplication(argc, argv);   // lives until the process ends
  return *a;
}

TEST(OpenDialog, TitleFilterAndField) {
  app();
  shell::OpenDialogRequest r{"File", "[*.TRD]", "*.TRD", "*.TRD", testing::TempDir()};
  auto d = shell::makeOpenDialog(r, nullptr);
  EXPECT_EQ(d->windowTitle(), "File");
  EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
  ASSERT_EQ(d->nameFilters().size(), 1);
  EXPECT_EQ(d->nameFilters().first(), "[*.TRD] (*.TRD)");
}

TEST(OpenDialog, TheSelectorAnswersWhatTheDialogChose) {
  app();
  namespace fs = std::filesystem;
  fs::path dir = fs::path(testing::TempDir()) / "shell_qt_open";
  fs::create_directories(dir);
  std::ofstream(dir / "RUN1.TRD") << "x";
  shell::installQtOpenDialog();
  // The modal dialog is answered from the event loop: the file is chosen and accepted.
  bool answered = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
        d->selectFile(QString::fromStdString((dir / "RUN1.TRD").string()));
        QMetaObject::invokeMethod(d, "accept");
        answered = true;
      }
    }
  });
  QTimer::singleShot(5000, [] {   // never hang: give up after five seconds
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QFileDialog*>(w)) d->reject();
  });
  char path[shell::kPathBuffer];
  char name[shell::kNameBuffer] = "";
  std::strcpy(path, (dir.string() + "/*.TRD").c_str());
  std::uint16_t ok = 0;
  shell::fsel_OpenWithDirList(path, name, &ok);
  EXPECT_TRUE(answered);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(std::string(path), fs::canonical(dir).string() + "/");
  EXPECT_STREQ(name, "RUN1.TRD");
  shell::setOpenDialog(nullptr);
  fs::remove_all(dir);
}

} // namespace
