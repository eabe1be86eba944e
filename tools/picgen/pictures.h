#pragma once
// The pictures of the standard dialogs library, drawn by picgen.
#include "picgen.h"

namespace picgen {

// The start screen picture "OBELST.BMP": room for three text lines from
// x = 330, y = 230 downward.
Canvas startPicture();

} // namespace picgen
