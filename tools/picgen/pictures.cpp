#include "pictures.h"

#include <algorithm>
#include <string>

namespace picgen {

Canvas startPicture() {
  // 640 wide: the text lines start at x = 330, y = 230 and need room for 35
  // characters of a 14-pixel font; that area (x >= 320, y >= 215) stays plain.
  const Rgb paper = 0xF4F1E8, ink = 0x1F2F4F, accent = 0x2E7D32;
  const int w = 640, h = 320;
  Canvas c(w, h, paper);
  c.frame(0, 0, w, h, ink, 3);
  c.fill(3, 3, w - 6, 70, ink);
  c.textCentred(0, w, 17, "ZERLO", paper, 6);
  c.textCentred(0, w, 90, "FUNCTION BLOCK PROGRAMMING", ink, 2);
  c.textCentred(0, w, 112, "AND SIMULATION", ink, 2);
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

Canvas startSelectionBackground() {
  const Rgb paper = 0xF4F1E8, ink = 0x1F2F4F;
  Canvas c(320, 334, paper);
  c.fill(0, 0, 320, 40, ink);
  c.textCentred(0, 320, 13, "QUICKSTART", paper, 2);
  c.frame(0, 0, 320, 334, ink, 2);
  return c;
}

Canvas startSelectionButton(int button, int state) {
  static const char* const labels[5] = {"START UP", "CONFIGURE", "PROGRAM", "SUBPROGRAM", "HELP"};
  const Rgb ink = 0x1F2F4F, face = state == 1 ? 0xC5CAE9 : 0xFFFFFF, edge = state == 2 ? 0x2E7D32 : ink;
  Canvas c(136, 56, face);
  c.frame(0, 0, 136, 56, edge, state == 2 ? 3 : 2);
  int shift = state == 1 ? 1 : 0;
  c.textCentred(shift, 136, 21 + shift, labels[button], ink, 2);
  return c;
}

// ---- the block parameter dialogs ----

namespace {
const Rgb kInk = 0x1F2F4F, kPaper = 0xFFFFFF, kGrey = 0x9E9E9E, kGreen = 0x2E7D32, kRedC = 0xC62828,
          kYellow = 0xFBC02D;

// A caption under a picture of 117 x 127.
Canvas framed(const std::string& caption) {
  Canvas c(117, 127, kPaper);
  c.frame(0, 0, 117, 127, kGrey);
  c.textCentred(0, 117, 112, caption, kInk);
  return c;
}

void disc(Canvas& c, int cx, int cy, int r, Rgb col) {
  for (int y = -r; y <= r; ++y)
    for (int x = -r; x <= r; ++x)
      if (x * x + y * y <= r * r && cx + x >= 0 && cy + y >= 0 && cx + x < c.width() && cy + y < c.height())
        c.pixel(cx + x, cy + y, col);
}
void ring(Canvas& c, int cx, int cy, int r, Rgb col) {
  for (int y = -r; y <= r; ++y)
    for (int x = -r; x <= r; ++x) {
      int d = x * x + y * y;
      if (d <= r * r && d > (r - 2) * (r - 2)) c.pixel(cx + x, cy + y, col);
    }
}
} // namespace

Canvas devicePicture(int device) {
  static const char* const names[3] = {"MOTOR", "LAMP", "MAGNET"};
  Canvas c = framed(names[device]);
  if (device == 0) {
    c.fill(28, 30, 50, 50, 0x90A4AE);
    c.frame(28, 30, 50, 50, kInk, 2);
    c.fill(78, 50, 24, 10, kGrey);  // the shaft
    c.frame(78, 50, 24, 10, kInk);
    c.textCentred(28, 50, 51, "M", kInk, 2);
  } else if (device == 1) {
    disc(c, 58, 45, 24, kYellow);
    ring(c, 58, 45, 24, kInk);
    c.fill(48, 69, 20, 18, kGrey);
    c.frame(48, 69, 20, 18, kInk);
    c.line(48, 32, 68, 58, kInk);
    c.line(68, 32, 48, 58, kInk);
  } else {
    c.fill(30, 25, 56, 16, 0x90A4AE);
    c.frame(30, 25, 56, 16, kInk, 2);
    for (int i = 0; i < 6; ++i) c.frame(34 + i * 8, 45, 6, 30, kRedC);  // the winding
    c.fill(30, 80, 56, 12, kGrey);
    c.frame(30, 80, 56, 12, kInk, 2);
  }
  return c;
}

Canvas sensorPicture(int type) {
  static const char* const names[8] = {"BUTTON", "PHOTO", "REED", "SENSOR 3", "SENSOR 4", "TERMINAL", "MOTOR CCW",
                                       "MOTOR CW"};
  Canvas c = framed(names[std::clamp(type, 0, 7)]);
  switch (type) {
  case 0:  // push button
    c.fill(38, 60, 40, 24, kGrey);
    c.frame(38, 60, 40, 24, kInk, 2);
    c.fill(48, 40, 20, 20, kRedC);
    c.frame(48, 40, 20, 20, kInk, 2);
    break;
  case 1:  // photo transistor with light
    disc(c, 58, 60, 18, 0xCFD8DC);
    ring(c, 58, 60, 18, kInk);
    for (int i = 0; i < 3; ++i) c.line(20 + i * 8, 20, 36 + i * 8, 40, kYellow);
    break;
  case 2:  // reed contact
    c.frame(20, 50, 76, 24, kInk, 2);
    c.line(22, 62, 56, 58, kInk);
    c.line(94, 62, 60, 60, kInk);
    break;
  case 5:  // terminal input
    c.fill(24, 34, 68, 50, 0xCFD8DC);
    c.frame(24, 34, 68, 50, kInk, 2);
    c.textCentred(24, 68, 55, "IN", kInk, 2);
    break;
  default: {  // the motor's direction inputs
    c.fill(28, 36, 50, 46, 0x90A4AE);
    c.frame(28, 36, 50, 46, kInk, 2);
    c.textCentred(28, 50, 53, type == 6 ? "CCW" : "CW", kInk, 1);
    break;
  }
  }
  return c;
}

Canvas pictogram(unsigned id) {
  Canvas c(32, 32, 0xFFFFFF);
  // The message colours: swatches of their colour.
  static const Rgb swatches[14] = {0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x00FFFF, 0xFFFF00,
                                   0xFF00FF, 0x555555, 0x90EE90, 0xADD8E6, 0xE0FFFF, 0xFFFFE0, 0xFF80FF};
  if (id >= 195 && id <= 208) {
    c.fill(2, 2, 28, 28, swatches[id - 195]);
    c.frame(2, 2, 28, 28, kInk);
    return c;
  }
  switch (id) {
  case 140:  // motor counterclockwise
  case 141:  // motor clockwise
    ring(c, 16, 16, 11, kInk);
    c.fill(id == 140 ? 3 : 20, 3, 9, 9, 0xFFFFFF);
    if (id == 140) {
      c.fill(11, 3, 1, 7, kInk);
      c.fill(5, 9, 7, 1, kInk);
    } else {
      c.fill(20, 3, 1, 7, kInk);
      c.fill(20, 9, 7, 1, kInk);
    }
    break;
  case 142:  // motor off
  case 146:  // lamp off
  case 151:  // magnet off
    ring(c, 16, 16, 11, kInk);
    c.textCentred(0, 32, 13, "0", kInk);
    break;
  case 145:  // lamp on
    disc(c, 16, 16, 9, kYellow);
    ring(c, 16, 16, 9, kInk);
    for (int i = 0; i < 4; ++i) {
      c.fill(15, i < 2 ? 1 : 27, 2, 4, kInk);
      c.fill(i % 2 ? 1 : 27, 15, 4, 2, kInk);
    }
    break;
  case 150:  // magnet on
    c.fill(6, 8, 20, 6, kRedC);
    c.fill(6, 8, 5, 18, kRedC);
    c.fill(21, 8, 5, 18, kRedC);
    c.frame(6, 8, 20, 18, kInk);
    break;
  case 185:  // rising edge 0-1
  case 186:  // falling edge 1-0
    if (id == 185) {
      c.fill(3, 24, 13, 2, kInk);
      c.fill(15, 7, 2, 19, kInk);
      c.fill(15, 7, 14, 2, kInk);
    } else {
      c.fill(3, 7, 13, 2, kInk);
      c.fill(15, 7, 2, 19, kInk);
      c.fill(15, 24, 14, 2, kInk);
    }
    break;
  case 190:
    c.textCentred(0, 32, 9, "+1", kGreen, 2);
    break;
  case 191:
    c.textCentred(0, 32, 9, "-1", kRedC, 2);
    break;
  default:
    c.frame(0, 0, 32, 32, kGrey);
    break;
  }
  return c;
}

std::vector<unsigned> blockDialogPictureIds() {
  std::vector<unsigned> ids{160, 161, 162};
  for (unsigned t = 0; t < 8; ++t) ids.push_back(170 + t);
  for (unsigned id : {140u, 141u, 142u, 145u, 146u, 150u, 151u, 185u, 186u, 187u, 188u, 190u, 191u}) ids.push_back(id);
  for (unsigned id = 195; id <= 208; ++id) ids.push_back(id);
  return ids;
}

Canvas blockDialogPicture(unsigned id) {
  if (id >= 160 && id <= 162) return devicePicture(int(id - 160));
  if (id >= 170 && id <= 177) return sensorPicture(int(id - 170));
  if (id == 187 || id == 188) return countingPictogram(id == 188);
  return pictogram(id);
}

} // namespace picgen
