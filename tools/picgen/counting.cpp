// The counting block's direction pictograms (187 "+1", 188 "-1").
#include "pictures.h"

namespace picgen {

Canvas countingPictogram(bool minus) {
  const Rgb ink = 0x1F2F4F, up = 0x2E7D32, down = 0xC62828;
  const Rgb mark = minus ? down : up;
  Canvas c(32, 32, 0xFFFFFF);
  // A counter's digit box on the left: the value it counts.
  c.frame(2, 8, 13, 17, ink);
  c.text(6, 13, minus ? "8" : "7", ink);
  // An arrow up (raise) or down (lower) on the right, with its step.
  const int cx = 23;
  if (!minus) {
    for (int i = 0; i < 6; ++i) c.fill(cx - i, 3 + i, 2 * i + 1, 1, mark);
    c.fill(cx - 1, 9, 3, 9, mark);
    c.text(18, 22, "+1", mark);
  } else {
    c.text(18, 3, "-1", mark);
    c.fill(cx - 1, 12, 3, 9, mark);
    for (int i = 0; i < 6; ++i) c.fill(cx - i, 26 - i, 2 * i + 1, 1, mark);
  }
  return c;
}

} // namespace picgen
