#include "display/gatesym.h"

#include "display/dib.h"
#include "display/vdi.h"
#include "model/geometry.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace disp {

using model::GateRecord;
using model::LogicRecord;

namespace {

struct Pt {
  int x, y;
};

Pt16 p16(int x, int y) {
  return Pt16{model::clamp16(x), model::clamp16(y)};
}

void poly(const std::vector<Pt>& pts, int ox, int oy) {
  if (pts.size() < 2) return;
  std::vector<Pt16> out;
  out.reserve(pts.size());
  for (auto p : pts) out.push_back(p16(ox + p.x, oy + p.y));
  vdi_Polyline(0, static_cast<int>(out.size()), out.data());
}

void line(int x1, int y1, int x2, int y2) { poly({{x1, y1}, {x2, y2}}, 0, 0); }

bool mirrored(const GateRecord* g) { return g->Flags & model::kGateMirrored; }

int valueCount(const GateRecord* g) { return g->VectorDimension ? g->VectorDimension : 1; }

// The special line symbols, as polylines in box coordinates.
using Shape = std::vector<Pt>;
const Shape kTimer{{9, 18}, {9, 23}, {30, 23}, {30, 18}};
const Shape kPulse{{9, 25}, {16, 25}, {16, 13}, {23, 13}, {23, 25}, {30, 25}};
const Shape kSquareWave{{4, 25}, {10, 25}, {10, 13}, {16, 13}, {16, 25}, {22, 25},
                        {22, 13}, {28, 13}, {28, 25}, {34, 25}, {34, 13}};
const Shape kFanA{{2, 2}, {9, 15}, {3, 27}, {2, 27}, {9, 14}, {3, 2}};
const Shape kFanB{{27, 2}, {20, 15}, {26, 27}, {27, 27}, {20, 14}, {26, 2}};
const Shape kRootSign{{3, 15}, {9, 15}, {14, 30}, {20, 12}, {34, 12}};
const Shape kChevron{{2, 2}, {10, 10}, {17, 3}, {17, 2}, {9, 10}, {2, 3}};
const Shape kDoubleDiagonal{{29, 0}, {0, 29}, {1, 29}, {29, 1}};
const Shape kHystSwitch{{3, 30}, {25, 30}, {25, 10}, {36, 10}, {15, 10}, {15, 30}};
const Shape kLimitation{{3, 30}, {10, 30}, {30, 10}, {36, 10}};
const Shape kDeadBand{{3, 30}, {13, 20}, {27, 20}, {36, 11}};
const Shape kInitialLoad{{11, 36}, {20, 27}, {20, 13}, {30, 3}};
const Shape kHysteresis{{5, 30}, {20, 15}, {30, 15}, {35, 10}, {20, 25}, {10, 25}};
const Shape kWave{{10, 24}, {16, 18}, {28, 30}, {34, 24}};
const Shape kDelayStep{{18, 24}, {18, 12}, {36, 12}};
const Shape kRamp{{10, 24}, {20, 14}, {36, 14}};

std::vector<Shape> axesA() { return {{{3, 24}, {36, 24}}, {{10, 10}, {10, 30}}}; }
std::vector<Shape> axesB() { return {{{3, 20}, {36, 20}}, {{20, 3}, {20, 36}}}; }
Shape comb(bool mir) {
  int a = mir ? 2 : 34;
  return {{a, 20}, {a, 37}, {a + 1, 37}, {a + 1, 20}, {a + 2, 20}, {a + 2, 37}, {a + 3, 37}, {a + 3, 20}};
}
Shape clockMark(int v, int w, bool mir) {
  if (mir) return {{w - 1, v - 4}, {w - 9, v}, {w - 1, v + 4}};
  return {{0, v - 4}, {8, v}, {0, v + 4}};
}

std::vector<Shape> symbolShapes(const GateRecord* g, int w) {
  const bool mir = mirrored(g);
  auto with = [](std::vector<Shape> a, const Shape& s) {
    a.push_back(s);
    return a;
  };
  switch (g->Kind) {
    case 4: case 5: return {kTimer};
    case 6: return {kPulse};
    case 7: return {kSquareWave};
    case 8: return {comb(mir), {{0, 20}, {39, 20}}};
    case 9: {
      int b = mir ? 0 : 8;
      return {comb(mir), clockMark(20, w, mir), {{b, 20}, {b + 31, 20}}};
    }
    case 10: return with(axesA(), kDelayStep);
    case 11: case 22: return {clockMark(25, w, mir)};
    case 12: return {mir ? Shape{{34, 0}, {34, 49}} : Shape{{15, 0}, {15, 49}}};
    case 14: return {mir ? kFanB : kFanA};
    case 15: return {mir ? kFanA : kFanB};
    case 16: case 17: case 18: case 19: case 20: case 21: return {kDoubleDiagonal};
    case 39: case 86: return {kRootSign};
    case 42: return with(axesA(), kRamp);
    case 44: case 45: return {kChevron};
    case 53: case 68: return {clockMark(20, w, mir)};
    case 57: return with(axesB(), kHystSwitch);
    case 58: return with(axesB(), kLimitation);
    case 59: return with(axesB(), kDeadBand);
    case 60: return with(axesB(), kInitialLoad);
    case 67: return with(axesB(), kHysteresis);
    case 69: return with(axesA(), kWave);
    case 84: return {clockMark(10, w, mir)};
    default: return {};
  }
}

struct Note {
  const char* text;
  int dx, dy;
  int mirroredDx;  // -1: the same x when mirrored
};

std::vector<Note> pinNotes(unsigned kind) {
  switch (kind) {
    case 4: return {{"R", 16, 36, -1}, {"t", 6, 16, -1}, {"0", 27, 16, -1}};
    case 5: return {{"R", 16, 36, -1}, {"0", 6, 16, -1}, {"t", 27, 16, -1}};
    case 6: case 7: return {{"R", 16, 36, -1}};
    case 8: return {{"S", 4, 13, 28}, {"R", 4, 33, 28}, {"C", 16, 36, -1}};
    case 9: return {{"J", 4, 13, 28}, {"K", 4, 33, 28}, {"C", 16, 36, -1}, {"P", 21, 9, -1}};
    case 11:
      return {{"V", 4, 15, 38}, {"UD", 4, 41, 30}, {"O", 38, 15, 4}, {"0", 38, 28, 4},
              {"OV", 30, 41, 4}, {"C", 21, 46, -1}, {"P", 21, 9, -1}};
    case 12:
      return {{"1", 5, 15, 37}, {"2", 5, 41, 37}, {"1>2", 20, 15, 4}, {"1=2", 20, 28, 4}, {"1<2", 20, 41, 4}};
    case 13: return {{"I", 4, 15, 38}, {"E", 4, 41, 38}, {"A", 21, 46, -1}, {"RW", 18, 9, -1}, {"O", 38, 15, 4}};
    case 14: case 15: return {{"A", 11, 26, -1}};
    case 22:
      return {{"I", 4, 15, 38}, {"SI", 4, 41, 30}, {"L", 21, 46, -1}, {"><", 17, 9, -1},
              {"O", 38, 15, 4}, {"SO", 30, 41, 4}};
    case 38: return {{"2", 24, 10, -1}};
    case 39: return {{"2", 6, 10, -1}, {"X", 24, 30, -1}};
    case 41: return {{"Y", 24, 10, -1}};
    case 86: return {{"Y", 6, 10, -1}, {"X", 24, 30, -1}};
    default: return {};
  }
}

// Converter letters: input side at (6, 12), output side at (17, 24), swapped when mirrored.
bool converterLetters(unsigned kind, const char*& in, const char*& out) {
  switch (kind) {
    case 16: in = "D"; out = "B"; return true;
    case 17: in = "B"; out = "D"; return true;
    case 18: in = "D"; out = "A"; return true;
    case 19: in = "A"; out = "D"; return true;
    case 20: in = "V"; out = "A"; return true;
    case 21: in = "A"; out = "V"; return true;
    default: return false;
  }
}

void setTextHeight(int h) {
  TextHeight th;
  vdi_SetTextHeight(th, h);
}

void drawPinNotes(const GateRecord* g, int x, int y) {
  const bool mir = mirrored(g);
  const DrawView& v = currentView();
  setTextHeight(v.smallTextHeight);
  for (const Note& n : pinNotes(g->Kind)) {
    int dx = mir && n.mirroredDx >= 0 ? n.mirroredDx : n.dx;
    vdi_Text(0, x + dx, y + n.dy, n.text);
  }
  if (g->Kind == 65) {
    if (mir) {
      vdi_Text(0, x + 10, y + 46, "=1");
      vdi_Text(0, x + 63, y + 46, "?");
    } else {
      vdi_Text(0, x + 10, y + 46, "?");
      vdi_Text(0, x + 55, y + 46, "=1");
    }
    vdi_Text(0, x + 32, y + 65, "=0");
  }
  const char* in = nullptr;
  const char* out = nullptr;
  if (converterLetters(g->Kind, in, out)) {
    vdi_Text(0, x + 6, y + 12, mir ? out : in);
    vdi_Text(0, x + 17, y + 24, mir ? in : out);
  }
  // Order numbers of the integrating and polynomial kinds.
  int number = -1000;
  int s = g->StateCount, vc = valueCount(g);
  switch (g->Kind) {
    case 28: case 78: number = (s - 1) / vc - 2; break;
    case 29: number = (s - 1) / vc + 1; break;
    case 72: number = (s - 1) / vc - 1; break;
    case 54: number = vc; break;
    default: break;
  }
  if (number >= 0 && number <= 19) {
    int nx = x + (g->Kind == 78 ? 30 : 25), ny = y + 30;
    std::string text = std::to_string(number);
    if (number >= 10) nx -= 4;
    vdi_Text(0, nx, ny, text);
  }
}

// The filled box and its frame (single or double outline).
void boxAndFrame(const GateRecord* g, int x, int y, int w, int h, bool frameOnly) {
  std::vector<Pt16> box{p16(x, y), p16(x + w - 1, y), p16(x + w - 1, y + h - 1), p16(x, y + h - 1), p16(x, y)};
  if (!frameOnly) {
    gdi_SetFillColor(0);
    vdi_FillArea(0, 5, box.data());
  }
  int color = 1;
  if (g->Kind == model::kKindInput && g->OutputCount > 0) color = gs_PinColor(g->Outputs[0].Type);
  if (g->Kind == model::kKindOutput && g->InputCount > 0) color = gs_PinColor(g->Inputs[0].Type);
  gdi_SetLineColor(color);
  const unsigned k = g->Kind;
  bool single = (k >= 46 && k <= 53) || k == 68 || (k >= 81 && k <= 84);
  if (single) {
    vdi_Polyline(0, 5, box.data());
  } else {
    std::vector<Pt16> dbl = box;
    for (Pt16 p : {p16(x, y + 1), p16(x + w - 2, y + 1), p16(x + w - 2, y + h - 2), p16(x + 1, y + h - 2),
                   p16(x + 1, y)})
      dbl.push_back(p);
    vdi_Polyline(0, 10, dbl.data());
  }
}

// A bar of `lines` vertical lines at the side starting at bx (stepping by
// `step` toward the nearer edge), from y0 for `len` units.
void bar(int bx, int step, int lines, int y0, int len) {
  for (int i = 0; i < lines; ++i) line(bx + i * step, y0, bx + i * step, y0 + len);
}

void inputBars(const GateRecord* g, int x, int y, int w, int h) {
  const unsigned k = g->Kind;
  if (k == 63 || k == 64 || k == 65 || k == 52 || k == 82 || k == 66) return;
  const bool mir = mirrored(g);
  const int inX = mir ? x + w - 3 : x + 2, inStep = mir ? 1 : -1;
  const int outX = mir ? x + 2 : x + w - 3, outStep = mir ? -1 : 1;
  const int n = g->InputCount;
  int counted = k == 14 ? n - 1 : n;
  if ((k == 1 || k == 2 || k == 3 || k == 14 || k == 17 || k == 21) && counted > 3) {
    bar(inX, inStep, 3, y - (counted - 3) * 5, counted * 10);
  } else if ((k == 25 || k == 26 || k == 61 || k == 79 || k == 80) && n > 4) {
    bar(inX, inStep, 3, y - (n - 4) * 5, n * 10);
    if (k == 61) {
      line(x - (n - 4) * 5, y + 38, x - (n - 4) * 5 + n * 10, y + 38);
      line(x - (n - 4) * 5, y + 39, x - (n - 4) * 5 + n * 10, y + 39);
    }
  } else if ((k >= 46 && k <= 51) || k == 53 || k == 68 || k == 81 || k == 83 || k == 84) {
    bar(inX, inStep, 2, y, h - 1);
  } else {
    bar(inX, inStep, 1, y, h - 1);
  }
  const int outs = g->OutputCount;
  if ((k == 15 || k == 16 || k == 20) && outs > 3) bar(outX, outStep, 2, y - (outs - 3) * 5, outs * 10);
}

void subprogramBody(const GateRecord* g, int x, int y, int w, int h) {
  const LogicRecord* sub = model::subLogic(g);
  if (!sub) return;
  const std::uint16_t f = sub->Flags;
  if (f & 0x4000) {
    // The picture named in the subprogram, from the project's picture folder.
    char name[13] = {};
    std::memcpy(name, sub->Text1, 12);
    const DrawView& v = currentView();
    if (name[0] && !v.bitmapDir.empty()) {
      if (DibHandle pic = dib_Cached(plat::path::join(v.bitmapDir, name))) drw_DrawDib(pic, x, y, w, h);
    }
  } else if (f & 0x800) {
    int d = std::min(w, h) / 16;
    gdi_SetFillColor(9);
    Pt16 a = p16(x, y), b = p16(x + w, y + h);
    gdi_FillRect(a, b);
    gdi_SetFillColor(8);
    std::vector<Pt16> bevel{p16(x, y + h), p16(x + w, y + h), p16(x + w, y), p16(x + w - d, y + d),
                            p16(x + w - d, y + h - d), p16(x + d, y + h - d), p16(x, y + h)};
    vdi_FillArea(0, static_cast<int>(bevel.size()), bevel.data());
    gdi_SetLineColor(0);
    poly({{x + d, y + h - d}, {x + d, y + d}, {x + w - d, y + d}}, 0, 0);
    gdi_SetLineColor(1);
    poly({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}}, 0, 0);
    gdi_SetFillColor(0);
  } else if (f & 0x1000) {
    boxAndFrame(g, x, y, w, h, false);
  }
  if (f & 0x2000) {
    for (const Shape& s : symbolShapes(g, w)) poly(s, x, y);
    drawPinNotes(g, x, y);
  }
  if (f & 0x1000) boxAndFrame(g, x, y, w, h, true);
}

} // namespace

int gs_PinColor(model::PinSignalType t) {
  switch (t) {
    case 20: return 3;
    case 21: return 11;
    case 22: return 4;
    case 23: return 7;
    case 25: return 5;
    case 26: return 13;
    default: return 1;
  }
}

std::string gs_SymbolText(unsigned kind) {
  switch (kind) {
    case 1: return "&";
    case 2: return ">=1";
    case 3: return "=1";
    case 13: return "MEM";
    case 23: return "+";
    case 24: return "*";
    case 25: return "SUM";
    case 26: return "MUL";
    case 27: return "DIV";
    case 28: return "I";
    case 29: return "D";
    case 30: return "SIN";
    case 31: return "COS";
    case 32: return "TAN";
    case 33: return "ASN";
    case 34: return "ACS";
    case 35: return "ATN";
    case 36: return "LN";
    case 37: return "LOG";
    case 38: return "X";
    case 40: return "EXP";
    case 41: return "X";
    case 43: return "RAN";
    case 54: return "P";
    case 55: return "VSU";
    case 56: return "VMU";
    case 61: return "PAV";
    case 63: return "START";
    case 64: return "STOP";
    case 70: return "S";
    case 71: return "T";
    case 72: return "S";
    case 73: return "FG";
    case 74: return "ABS";
    case 75: return "SIG";
    case 76: return "SPL";
    case 77: return "S&H";
    case 78: return "IL";
    case 79: return "MIN";
    case 80: return "MAX";
    case 85: return "E";
    case 87: return "GL";
    default: return "";
  }
}

BoxSize gs_BoxSize(const GateRecord* g) {
  const unsigned k = g->Kind;
  auto inType = [&] { return g->InputCount ? int(g->Inputs[0].Type) : 1; };
  auto outType = [&] { return g->OutputCount ? int(g->Outputs[0].Type) : 1; };
  switch (k) {
    case 0: {
      const LogicRecord* sub = model::subLogic(g);
      return sub ? BoxSize{sub->Width, sub->Height} : BoxSize{40, 40};
    }
    case 1: case 2: case 3: case 14: case 15: case 16: case 17: case 18: case 19: case 20: case 21:
    case 23: case 24:
      return {30, 30};
    case 11: case 12: case 13: case 22: return {50, 50};
    case 44: case 45: case 46: case 49: case 70: case 71: case 85: return {20, 20};
    case 47: return {inType() * 10 + 5, 20};
    case 48: case 51: return {90, (valueCount(g) + 1) * 12 - 5};
    case 50: return {outType() * 10 + 5, 20};
    case 52: return {10, model::gg_ExtraWord(g, 0)};
    case 53: case 68: return {100, 40};
    case 62: case 65: return {80, 80};
    case 63: case 64: return {80, 30};
    case 81: case 82: case 83: case 84: return {model::gg_ExtraWord(g, 0), 20};
    case 88: return {30, (g->OutputCount + 1) * 10};
    case 89: return {30, (g->InputCount + 1) * 10};
    default: return {40, 40};
  }
}

void gs_UnitInit() {}

void gs_DrawGateKind(const GateRecord* g) {
  if (!g) return;
  const DrawView& v = currentView();
  const int x = g->X - v.scrollX, y = g->Y - v.scrollY;
  const BoxSize box = gs_BoxSize(g);
  const int w = box.w, h = box.h;
  gdi_SetLineWidth(1);
  setTextHeight(v.defaultTextHeight);
  const unsigned k = g->Kind;
  if (k == 44 || k == 45 || k == 46 || k == 49 || k == 70 || k == 71 || k == 85) setTextHeight(v.smallTextHeight);

  if (k == 0) {
    subprogramBody(g, x, y, w, h);
    gdi_SetLineColor(1);
    return;
  }
  // Box, frame and bars.
  if (k == 63 || k == 64) {
    vdi_RfBox(0, VdiRect{model::clamp16(x), model::clamp16(y), model::clamp16(x + 79), model::clamp16(y + 29)});
    vdi_RoundBox(0, VdiRect{model::clamp16(x + 1), model::clamp16(y + 1), model::clamp16(x + 78),
                            model::clamp16(y + 28)});
  } else if (k == 65) {
    gdi_SetFillColor(0);
    std::vector<Pt16> d1{p16(x + 40, y), p16(x + 79, y + 39), p16(x + 39, y + 79), p16(x, y + 40), p16(x + 40, y)};
    vdi_FillArea(0, 5, d1.data());
    std::vector<Pt16> dd = d1;
    for (Pt16 p : {p16(x + 39, y), p16(x + 79, y + 40), p16(x + 40, y + 79), p16(x, y + 39), p16(x + 39, y)})
      dd.push_back(p);
    gdi_SetLineColor(1);
    vdi_Polyline(0, 10, dd.data());
  } else if (k != model::kKindText) {
    boxAndFrame(g, x, y, w, h, false);
    inputBars(g, x, y, w, h);
  }
  // Special line symbol.
  for (const Shape& s : symbolShapes(g, w)) poly(s, x, y);
  // Symbol text.
  std::string sym = gs_SymbolText(k);
  if (!sym.empty()) {
    // The default height, or a smaller class where the text would run into
    // the right-hand frame; centred on the cell of the class it gets.
    // Kinds with letters at their pins keep the text between the letter
    // columns, centred.
    static constexpr int kClassHeight[4] = {9, 12, 20, 24};
    const bool letters = !pinNotes(k).empty();
    const int room = letters ? w - 26 : w - 8;
    TextHeight th;
    vdi_SetTextHeight(th, kClassHeight[gdi_Attributes().textClass]);  // the height chosen above
    for (int cls = gdi_Attributes().textClass; cls > 0 && gdi_TextWidth(sym) > room; --cls)
      vdi_SetTextHeight(th, kClassHeight[cls - 1]);
    const int tx = letters ? x + (w - gdi_TextWidth(sym)) / 2 : x + 5;
    vdi_Text(0, tx, y + v.baseline - 5 + (h - th.cellHeight) / 2, sym);
  }
  // Pin annotation texts.
  drawPinNotes(g, x, y);
  // The frame once more on top.
  if (k != model::kKindText && k != 63 && k != 64 && k != 65) boxAndFrame(g, x, y, w, h, true);
  gdi_SetLineColor(1);
}

} // namespace disp
