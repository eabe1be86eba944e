#pragma once
// The program directory of the library tests: copies of stockwin.so and the
// settings library, OBEL.INI, the ENGLISH and a test GERMAN language.
#include "stockwin/stockwin.h"

#include "platform/library.h"

#include "../support/dlgtest.h"

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

using dlgtest::app;
using dlgtest::fn;
using dlgtest::pump;
using dlgtest::writeFile;

struct Program : dlgtest::ProgramDir {
  Program() : ProgramDir("swlib", {"ENGLISH/TEMPLATE", "GERMAN", "PROJECTS"}) {
    copyFromBin("stockwin.so");
    copyFromBin("ObelTool.so");
    linkLanguages("STOCKWINRES.so", SW_TESTLIBS);
    writeFile(dir / "ENGLISH" / "ZERLO.HLP", "help\n");
  }
  void writeObel(int language, const char* english = "ENGLISH", bool helpNumbers = false) {
    writeSettings(language, helpNumbers, "TEMP=TEMP\nPROJECT=PROJECTS\n", std::string("1=GERMAN\n2=") + english + "\n");
  }
  void writeStartPicture() {
    fs::copy_file(fs::path(ZERLO_BIN_DIR) / "ENGLISH" / "OBELST.BMP", dir / "ENGLISH" / "OBELST.BMP",
                  fs::copy_options::overwrite_existing);
  }
  plat::lib::Handle load() const { return ProgramDir::load("STOCKWIN.DLL"); }
};

inline Program& program() {
  static Program p;
  return p;
}

// Saves a window's picture into the test's shot directory.
inline void saveShot(QWidget* w, const std::string& name) { dlgtest::saveShot(SW_SHOTS, w, name); }

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
