#pragma once
// The pictures of the standard dialogs library, drawn by picgen.
#include "picgen.h"

namespace picgen {

// The start screen picture "OBELST.BMP" (640 x 320): room for three text
// lines of 35 characters from x = 330, y = 230 downward.
Canvas startPicture();
// The program's symbol (32 x 32, resource 197).
Canvas programSymbol();
// The sheet format symbols 0..5 (32 x 32, resources 184..189).
Canvas formatSymbol(int index);

// The toolbox's block buttons 0..19 (50 x 49, resources 150..169): a block
// with its short name on the transparent colour RGB(200, 0, 200).
inline constexpr Rgb kTransparent = 0xC800C8;
Canvas toolboxButton(int index);
// The insertion cursors (32 x 32, resources 198 placed and 199 at the cursor):
// an arrow with a small block, on the transparent colour.
Canvas insertionCursor(bool atCursor);

// The start selection: its background (320 x 334, resource 132) and the
// pictures of its five buttons (INB, KONFIG, PROG, MAKRO, HELP) up, down and
// focused (136 x 56, resources 2000 + 3 x button + state).
Canvas startSelectionBackground();
Canvas startSelectionButton(int button, int state);

// ---- the block parameter dialogs ----
// Device pictures 160 motor, 161 lamp, 162 electromagnet and sensor pictures
// 170 + type (117 x 127).
Canvas devicePicture(int device);
Canvas sensorPicture(int type);
// The 32 x 32 pictograms: output states 140-142, 145-146, 150-151; edges
// 185-186; counting directions 190-191; message colours 195-208 (swatches).
Canvas pictogram(unsigned id);
// The counting block's directions (32 x 32, pictograms 187 "+1" and 188
// "-1"): a counter with an arrow up or down and its step.
Canvas countingPictogram(bool minus);
// The ids of the block dialogs' pictures, in the order written.
std::vector<unsigned> blockDialogPictureIds();
Canvas blockDialogPicture(unsigned id);

} // namespace picgen
