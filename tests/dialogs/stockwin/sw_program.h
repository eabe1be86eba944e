#pragma once
// The program directory of the library tests: copies of stockwin.so and the
// settings library, OBEL.INI, the ENGLISH and a test GERMAN language.
#include "stockwin/stockwin.h"

#include "platform/library.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace swtest {

namespace fs = std::filesystem;

inline QApplication& app() {
  static int argc = 1;
  static char arg0[] = "stockwin_tests";
  static char* argv[] = {arg0, nullptr};
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

inline void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// Runs the event loop for ms milliseconds.
inline void pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct Program {
  fs::path dir;
  Program() {
    dir = fs::temp_directory_path() / ("swlib-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "ENGLISH" / "TEMPLATE");
    fs::create_directories(dir / "GERMAN");
    fs::create_directories(dir / "PROJECTS");
    fs::path bin = ZERLO_BIN_DIR, libs = SW_TESTLIBS;
    // Copies: the settings library takes its program directory from the real path of the file.
    fs::copy_file(bin / "stockwin.so", dir / "stockwin.so");
    fs::copy_file(bin / "ObelTool.so", dir / "ObelTool.so");
    fs::create_symlink(bin / "ENGLISH" / "STOCKWINRES.so", dir / "ENGLISH" / "STOCKWINRES.so");
    fs::create_symlink(libs / "GERMAN" / "STOCKWINRES.so", dir / "GERMAN" / "STOCKWINRES.so");
    writeFile(dir / "ENGLISH" / "ZERLO.HLP", "help\n");
  }
  ~Program() { fs::remove_all(dir); }
  void writeObel(int language, const char* english = "ENGLISH", bool helpNumbers = false) {
    writeFile(dir / "OBEL.INI", std::string("[SYSTEM]\nLANGUAGE=") + std::to_string(language) +
                                    (helpNumbers ? "\nhelpnumber=1" : "") +
                                    "\n\n[DIR]\nTEMP=TEMP\nPROJECT=PROJECTS\n\n[LANGUAGES]\n1=GERMAN\n2=" + english +
                                    "\n");
  }
  void writeStartPicture() {
    fs::copy_file(fs::path(ZERLO_BIN_DIR) / "ENGLISH" / "OBELST.BMP", dir / "ENGLISH" / "OBELST.BMP",
                  fs::copy_options::overwrite_existing);
  }
  plat::lib::Handle load() { return plat::lib::load((dir / "STOCKWIN.DLL").string()); }
};

inline Program& program() {
  static Program p;
  return p;
}

template <class F> F fn(plat::lib::Handle h, const char* name) {
  F f = plat::lib::symbolAs<F>(h, name);
  EXPECT_NE(f, nullptr) << name;
  return f;
}

// Saves a window's picture into the test's shot directory.
inline void saveShot(QWidget* w, const std::string& name) {
  fs::path dir = fs::path(SW_SHOTS);
  fs::create_directories(dir);
  w->grab().save(QString::fromStdString((dir / (name + ".png")).string()));
}

inline const char* const kAllExports[] = {
    "SW00_GetDLLVersion", "SW01_CallMacroBmpDlg", "SW03_CallMacroBGBmpDlg", "SW04_CallStartAuswahlDlg",
    "SW05_CallNewProjectDlg", "SW07_CallSelectMacroDlg", "SW08_CallCopyMacroDlg",
    "SW09_CallDesignOrDeleteMacroDlg", "SW10_CallRenameMacroDlg", "SW10_CreateInsertBoxDlg",
    "SW10_DestroyInsertBoxDlg", "SW10_SetInsertBoxDlgAttribs", "SW10_GetInsertBoxDlgAttribs",
    "SW10_FreeInsertBoxDlgAttribs", "SW10_AddInsertBoxUPName", "SW10_RenameInsertBoxUPName",
    "SW10_SelectInsertBoxUPName", "SW10_UpdateInsertBoxUPSelection", "SW10_SetInsertBoxState",
    "SW10_GetInsertBoxState", "SW13_SetObelServiceFctns", "SW20_CallWorkSheetSetupDlg", "SW21_CallAboutDlg",
    "SW22_CreateStartBitmapDlg", "SW22_DestroyStartBitmapDlg", "SW30_CallInsertConnectorDlg",
    "SW31_CallInsertTextDlg", "SW50_CallMBWithID", "SW50_CallMBWithIDAndString", "SW50_CallMBWithIDAnd3Strings",
    "SW50_CallMBWithIDAndUINT", "SW51_OpenMDLProject", "SW51_SaveAsMDLProject", "SW51_OpenLibrary",
    "SW51_IsFileNameSuggestionOfNew", "SW52_PrintSetup"};

} // namespace swtest
