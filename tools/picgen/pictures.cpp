#include "pictures.h"

#include <algorithm>
#include <string>

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

Canvas programSymbol() {
  const Rgb paper = 0xF4F1E8, ink = 0x1F2F4F;
  Canvas c(32, 32, paper);
  c.fill(0, 0, 32, 32, ink);
  c.frame(0, 0, 32, 32, 0x2E7D32, 2);
  c.text(6, 9, "Z", paper, 3);
  return c;
}

Canvas formatSymbol(int index) {
  const Rgb face = 0xFFFFFF, ink = 0x1F2F4F;
  Canvas c(32, 32, 0xD4D0C8);
  // Upright sheets for the even formats, lying ones for the odd; larger with the index.
  int big = 14 + (index / 2) * 5;
  int w = index % 2 ? 30 : big * 3 / 4, h = index % 2 ? big * 3 / 4 : 30;
  if (index % 2) w = std::min(30, big + 6);
  int x = (32 - w) / 2, y = (32 - h) / 2;
  c.fill(x, y, w, h, face);
  c.frame(x, y, w, h, ink);
  c.textCentred(0, 32, 13, std::to_string(index + 1), ink);
  return c;
}

} // namespace picgen
