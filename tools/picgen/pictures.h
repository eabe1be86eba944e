#pragma once
// The pictures of the standard dialogs library, drawn by picgen.
#include "picgen.h"

namespace picgen {

// The start screen picture "OBELST.BMP": room for three text lines from
// x = 330, y = 230 downward.
Canvas startPicture();
// The program's symbol (32 x 32, resource 197).
Canvas programSymbol();
// The sheet format symbols 0..5 (32 x 32, resources 184..189).
Canvas formatSymbol(int index);

} // namespace picgen
