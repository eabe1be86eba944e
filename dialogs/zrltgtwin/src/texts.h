#pragma once
// The built-in English resources of the target dialogs library (also the
// content of its ENGLISH resource library).
#include "dialogkit/resources.h"

namespace tw {

enum : unsigned {
  kCaption = 1, kNoPort = 2,
  kNoLanguage = 1000, kCompileStart = 1001, kCompileFailed = 1002, kCompilerLoad = 1003,
  kFileOpen = 1004, kFileRead = 1005, kDownloadStart = 1006, kNoDownloadFile = 1007, kNoConnection = 1008,
  kDownloadFailed = 1009, kModeStart = 1010, kLoaderStart = 1011, kSelectPort = 1012, kOneInterface = 1013,
  kTooManyInterfaces = 1014, kCycleRange = 1015, kCycleLow = 1016, kCycleHigh = 1017, kWhileDownloading = 1018,
  kWhileRunning = 1019, kDriverLoad = 1020, kDriverNoDialog = 1021, kPlcNotStarted = 1022, kPlcNotRunning = 1023,
  kHelpContext = 2000,
};

enum : unsigned { kDlgCompile = 129, kDlgResult = 130, kDlgDownload = 131, kDlgMode = 133, kDlgSettings = 134 };

const kit::ResourceTable& englishTable();

} // namespace tw
