#pragma once
// The built-in English resources of the block parameter dialogs library (also
// the content of its ENGLISH resource library ZRLFBRES).
#include "dialogkit/resources.h"

namespace fbd {

enum : unsigned {
  kReset = 1, kStop = 2, kHertz = 50, kSeconds = 51, kFrequencyTab = 55, kNoteTab = 56, kFirstNote = 60, kFirstInput = 100, kFirstLabel = 200, kHelpPrefix = 250, kFirstTypeName = 300,
  kCaption = 500, kHelpKeyword = 1000, kNoLanguage = 1001, kNoTool = 1002, kNoParser = 1003,
};
enum : unsigned {
  kTypeOutput = 300, kTypeInput = 301, kTypeEdge = 302, kTypePosition = 303, kTypeReset = 306, kTypeStop = 307,
  kTypeTerminal = 308, kTypeDisplay = 309, kTypeMessage = 310, kTypeVisual = 311, kTypeIncDec = 312,
  kTypeAssign = 313, kTypeCompare = 314, kTypeBeep = 315, kTypeWait = 316,
};
enum : unsigned {
  kDlgAssign = 129, kDlgCompare = 130, kDlgResetStop = 131, kDlgVisual = 132, kDlgWait = 164, kDlgOutput = 133, kDlgInput = 166, kDlgEdge = 184, kDlgPosition = 189, kDlgIncDec = 165,
  kDlgDisplay = 192, kDlgMessage = 193, kDlgTerminal = 209, kDlgBeep = 163,
};

const kit::ResourceTable& englishTable();

} // namespace fbd
