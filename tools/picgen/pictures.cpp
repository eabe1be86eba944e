#include "pictures.h"

namespace picgen {

Canvas startPicture() {
  const Rgb paper = 0xF4F1E8, ink = 0x1F2F4F, accent = 0x2E7D32;
  Canvas c(560, 320, paper);
  c.frame(0, 0, 560, 320, ink, 3);
  c.fill(3, 3, 554, 70, ink);
  c.textCentred(0, 560, 17, "ZERLO", paper, 6);
  c.textCentred(0, 560, 90, "FUNCTION BLOCK PROGRAMMING", ink, 2);
  c.textCentred(0, 560, 112, "AND SIMULATION", ink, 2);
  // A small diagram: two blocks joined by a line.
  c.frame(40, 160, 80, 50, ink, 2);
  c.text(56, 180, "AND", ink, 2);
  c.frame(200, 160, 80, 50, ink, 2);
  c.text(216, 180, "OUT", ink, 2);
  c.fill(120, 184, 80, 2, accent);
  c.fill(20, 184, 20, 2, accent);
  c.fill(280, 184, 20, 2, accent);
  return c;
}

} // namespace picgen
