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

namespace {
const char* const kButtonLabels[20] = {"OUT",  "IN",   "EDGE", "POS",  "START", "END",  "RESET", "STOP", "TERM", "DISP",
                                       "MSG",  "SHOW", "+/-1", ":=",   "CMP",   "BEEP", "WAIT",  "TEXT", "",     ""};
} // namespace

Canvas toolboxButton(int index) {
  const Rgb ink = 0x1F2F4F, face = 0xFFFFFF, pin = 0x2E7D32;
  Canvas c(50, 49, kTransparent);
  if (index == 18 || index == 19) {
    // The subprogram connectors: a green box with a mark, the stub below (in) or above (out).
    c.frame(13, 12, 24, 24, pin, 2);
    c.line(15, 14, 25, 25, pin);
    c.line(34, 14, 25, 25, pin);
    if (index == 18) c.fill(24, 36, 2, 8, pin);
    else c.fill(24, 4, 2, 8, pin);
    return c;
  }
  if (index == 17) {
    c.fill(5, 12, 40, 25, face);
    c.frame(5, 12, 40, 25, 0x808080);
    c.textCentred(5, 40, 21, "ABC", ink);
    return c;
  }
  // A block: body, input pin on the left, output pin on the right, its label.
  c.fill(5, 8, 40, 33, face);
  c.frame(5, 8, 40, 33, ink, 2);
  c.fill(0, 24, 5, 2, pin);
  c.fill(45, 24, 5, 2, pin);
  c.textCentred(5, 40, 21, kButtonLabels[index], ink);
  return c;
}

Canvas insertionCursor(bool atCursor) {
  const Rgb ink = 0x000000, white = 0xFFFFFF;
  Canvas c(32, 32, kTransparent);
  // An arrow with its tip at the centre (the hot spot).
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x <= y / 2 + 1; ++x) c.pixel(16 + x, 16 + y, x == 0 || x == y / 2 + 1 || y == 11 ? ink : white);
  // A small block below right: filled for the drop at the cursor, outlined for the placed drop.
  if (atCursor) c.fill(22, 22, 9, 7, ink);
  else c.frame(22, 22, 9, 7, ink);
  return c;
}

} // namespace picgen
