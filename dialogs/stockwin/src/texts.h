#pragma once
// The built-in English resources of the standard dialogs library (also the
// content of its ENGLISH resource library).
#include "dialogkit/resources.h"

namespace sw {

enum : unsigned {
  kNoBitmap = 1, kCaption = 3, kDesignCaption = 4, kSubIn = 7, kSubOut = 8, kPreviewText = 9,
  kKeyText = 10, kKeySubIn = 11, kKeySubOut = 12, kOkText = 14, kCancelText = 15,
  kTitleImportBitmap = 50, kTitleOpenProject = 51, kTitleSaveProject = 52, kTitleOpenLibrary = 53,
  kFilterBitmap = 60, kExtBitmap = 61, kFilterProject = 62, kExtProject = 63, kFilterLibrary = 64,
  kExtLibrary = 65, kUntitled = 70, kProjectExt = 71,
  kOverwrite = 100, kHelpKeyword = 101, kHelpContext = 102, kTextTooLong = 300,
  kBadProjectName = 500, kNoTemplate = 501, kDirNotCreated = 502, kNotCopied = 503, kCannotOpen = 504,
  kCannotCreate = 505, kWriteError = 506, kReadError = 507, kDirCannotCreate = 508, kMacroExists = 509,
  kBadMacroName = 510, kSubInUsed = 511, kSubOutUsed = 512, kBitmapExists = 517, kNoLanguage = 518,
  kBlockNotFound = 519, kPathTooLong = 520, kBadFileName = 521, kBadName = 522,
  kPrintFailed = 50016,
  kTabBlocks = 5020, kTabMacros = 5021, kTooltipBase = 5030, kBlockNameBase = 5060,
  kLibStandard = 5090, kLibProject = 5091, kLibBlocks = 5092,
};

// The start selection's pictures: the background, and for its buttons
// (INB, KONFIG, PROG, MAKRO, HELP) the up, down and focused picture at
// kStartButtonPictures + 3 x button + state.
enum : unsigned { kStartBackground = 132, kStartButtonPictures = 2000 };

// Texts of the worksheet setup's groups (dialog texts of 183, beside its
// controls' own).
enum : unsigned { kGroupFormat = 1110, kGroupZoom = 1111, kGroupRefresh = 1112, kGroupRouting = 1113 };

// Dialog resource numbers.
enum : unsigned {
  kDlgStartSelect = 129, kDlgSymbolBmp = 130, kDlgBackgroundBmp = 131, kDlgToolbox = 134,
  kDlgSelectMacro = 180, kDlgCopyMacro = 181, kDlgDesignOrDelete = 182, kDlgWorksheet = 183,
  kDlgAbout = 193, kDlgStart = 194, kDlgConnector = 195, kDlgText = 196, kDlgRenameMacro = 200,
  kDlgNewProject = 127, kDlgDirectory = 128,
};

const kit::ResourceTable& englishTable();

} // namespace sw
