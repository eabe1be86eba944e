#include "display/gdi.h"

#include "platform/uisink.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace disp {

namespace {

// Indices 0 and 2..23; index 1 (and every index the table does not name) is
// the default colour, black.
constexpr Rgb kDefaultColor{0, 0, 0};
constexpr std::array<Rgb, 23> kColorTable{{
    {255, 255, 255}, {255, 0, 0}, {0, 128, 0},   {0, 0, 128},   {0, 128, 128}, {255, 255, 0},
    {128, 0, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
    {0, 255, 255},   {220, 220, 0}, {255, 0, 255}, {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
    {255, 0, 0},     {0, 255, 0},   {0, 0, 255},   {255, 0, 0},   {0, 255, 0},
}};

constexpr PenStyle kLineStyles[7] = {PenStyle::Solid, PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot,
                                     PenStyle::Dash,  PenStyle::DashDotDot, PenStyle::Null};
constexpr int kFontHeights[4] = {10, 12, 18, 24};
constexpr int kCellHeights[4] = {10, 12, 19, 24};

struct State {
  Device* dc = nullptr;
  DrawWindow* window = nullptr;
  int lineType = 0, widthIndex = 0, lineColor = 1, fillColor = 0;
  int startEnd = 0, endEnd = 0;
  int textClass = 1, rotation = 0, mouseShape = -1, textWidthLimit = -1, writeMode = 1;
  std::array<std::optional<PenSpec>, 7 * 6 * kColors> pens;
  std::array<std::optional<Rgb>, kColors> brushes;
  std::array<std::optional<FontSpec>, 4> fonts;
  std::array<FontSpec, 4> templates;
  float zoom = 1.0f;
  int xNum = 1000, xDen = 1000, yNum = 1000, yDen = 1000;
  bool scaling = false;
  std::array<P32, kScratchPoints> scratch;
  GdiCounts counts;
  ShellHooks* hooks = nullptr;
  int previousHelp = 0;
  bool haveCursor = false;
  std::function<void(int)> message;

  State() { resetTemplates(); }
  void resetTemplates() {
    for (int i = 0; i < 4; ++i) {
      FontSpec f;
      f.height = kFontHeights[i];
      f.escapement = f.orientation = rotation;
      f.pitchAndFamily = i < 3 ? 0x41 : 0x42;
      templates[i] = f;
    }
  }
};

State& st() {
  static State s;
  return s;
}

void showMessage(int id) {
  auto& s = st();
  if (s.message) {
    s.message(id);
    return;
  }
  plat::ui::messageBox(gdi_MessageText(id), "Zerlo", plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
}

bool canDraw() { return st().dc != nullptr && st().window != nullptr; }

// Copies and scales a point list into the scratch list; false (message 50035)
// when it does not fit.
bool toScratch(int count, const Pt16* pts) {
  if (count > kScratchPoints) {
    showMessage(50035);
    return false;
  }
  auto& s = st();
  for (int i = 0; i < count; ++i) s.scratch[i] = P32{gdi_ScaleX(pts[i].x), gdi_ScaleY(pts[i].y)};
  return true;
}

void arrowHead(int x, int y, int dir) {
  Pt16 p[4];
  auto mk = [](int px, int py) { return Pt16{static_cast<std::int16_t>(px), static_cast<std::int16_t>(py)}; };
  switch (dir) {
    case 0: p[0] = mk(x + 6, y - 2); p[1] = mk(x, y); p[2] = mk(x + 6, y + 2); break;
    case 1: p[0] = mk(x - 6, y - 2); p[1] = mk(x, y); p[2] = mk(x - 6, y + 2); break;
    case 2: p[0] = mk(x - 2, y + 6); p[1] = mk(x, y); p[2] = mk(x + 2, y + 6); break;
    default: p[0] = mk(x - 2, y - 6); p[1] = mk(x, y); p[2] = mk(x + 2, y - 6); break;
  }
  p[3] = p[0];
  auto& s = st();
  int fill = s.fillColor;
  gdi_SetFillColor(s.lineColor);
  gdi_FillArea(4, p);
  gdi_SetFillColor(fill);
}

// Direction of the segment that runs on from a towards b; -1 when not axis-parallel.
int direction(Pt16 a, Pt16 b) {
  if (a.y == b.y && b.x > a.x) return 0;
  if (a.y == b.y && b.x < a.x) return 1;
  if (a.x == b.x && b.y > a.y) return 2;
  if (a.x == b.x && b.y < a.y) return 3;
  return -1;
}

void selectFontIfContext() {
  auto& s = st();
  if (s.dc && s.fonts[s.textClass]) s.dc->setFont(*s.fonts[s.textClass]);
}

} // namespace

void gdi_SetShellHooks(ShellHooks* hooks) { st().hooks = hooks; }
void gdi_SetMessageHandler(std::function<void(int)> handler) { st().message = std::move(handler); }

void gdi_SetCurrent(Device* device, DrawWindow* window) {
  st().dc = device;
  st().window = window;
}
Device* gdi_CurrentDevice() { return st().dc; }
DrawWindow* gdi_CurrentWindow() { return st().window; }

void gdi_ResetAll() {
  auto hooks = st().hooks;
  auto message = st().message;
  st() = State();
  st().hooks = hooks;
  st().message = message;
}

GdiCounts gdi_Counts() { return st().counts; }

const char* gdi_MessageText(int id) {
  switch (id) {
    case 50035: return "Error!   Array exceeds predefined memory.";
    default: return "";
  }
}

int mulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long half = std::llabs(static_cast<long long>(c)) / 2;
  long long q = ((p < 0) != (c < 0)) ? (p - (c < 0 ? -half : half)) / c : (p + (c < 0 ? -half : half)) / c;
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int>(q);
}

int gdi_ScaleX(int v) { return st().scaling ? mulDiv(v, st().xNum, st().xDen) : v; }
int gdi_ScaleY(int v) { return st().scaling ? mulDiv(v, st().yNum, st().yDen) : v; }

Rgb gdi_ColorIndexToRgb(int color) {
  if (color == 0) return kColorTable[0];
  if (color >= 2 && color <= 23) return kColorTable[color - 1];
  return kDefaultColor;
}

int gdi_SelectPen(int type, int widthIndex, int color) {
  auto& s = st();
  if (widthIndex > 5) widthIndex = 5;
  if (color < 0 || color > 23 || type < 0 || type > 6 || widthIndex < 0) return 1;
  auto& slot = s.pens[(type * 6 + widthIndex) * kColors + color];
  if (!slot) {
    PenSpec p;
    p.color = gdi_ColorIndexToRgb(color);
    p.width = widthIndex + 1;
    p.style = widthIndex <= 1 ? kLineStyles[type] : PenStyle::Solid;
    slot = p;
    ++s.counts.pens;
  }
  s.lineType = type;
  s.widthIndex = widthIndex;
  s.lineColor = color;
  if (s.dc) s.dc->setPen(*slot);
  return 0;
}

int gdi_SetLineType(int type) { return gdi_SelectPen(type, st().widthIndex, st().lineColor); }
int gdi_SetLineWidth(int width) { return gdi_SelectPen(st().lineType, width - 1, st().lineColor); }
int gdi_SetLineColor(int color) { return gdi_SelectPen(st().lineType, st().widthIndex, color); }

void gdi_SetLineEnds(int startStyle, int endStyle) {
  st().startEnd = startStyle;
  st().endEnd = endStyle;
}

int gdi_SetFillColor(int color) {
  auto& s = st();
  if (color < 0 || color > 23) return 1;
  auto& slot = s.brushes[color];
  if (!slot) {
    slot = gdi_ColorIndexToRgb(color);
    ++s.counts.brushes;
  }
  s.fillColor = color;
  if (s.dc) s.dc->setBrush(*slot);
  return 0;
}

int gdi_SetWriteMode(int mode) {
  auto& s = st();
  if ((mode != 1 && mode != 2) || !s.dc) return 1;
  s.writeMode = mode;
  s.dc->setOpaqueText(mode == 1);
  return 0;
}

int gdi_SelectFont(int cls) {
  auto& s = st();
  if (cls < 0 || cls > 3) cls = 1;
  if (!s.dc) {
    s.textClass = cls;
    return 0;
  }
  if (!s.fonts[cls]) {
    FontSpec f = s.templates[cls];
    f.height = kFontHeights[cls];
    if (s.scaling) f.height = mulDiv(f.height, s.yNum, s.yDen);
    if (f.height <= 0) return 0;
    s.fonts[cls] = f;
    ++s.counts.fonts;
  }
  s.textClass = cls;
  s.dc->setFont(*s.fonts[cls]);
  return 1;
}

void gdi_SetTextHeight(int height, int* charWidth, int* charHeight, int* cellWidth, int* cellHeight) {
  int cls = height < 10 ? 0 : height <= 12 ? 1 : height <= 20 ? 2 : 3;
  if (charHeight) *charHeight = kFontHeights[cls];
  if (charWidth) *charWidth = kFontHeights[cls] / 2;
  if (cellHeight) *cellHeight = kCellHeights[cls];
  if (cellWidth) *cellWidth = kCellHeights[cls] / 2;
  st().textClass = cls;
  gdi_SelectFont(cls);
}

void gdi_SetTextRotation(int tenths) {
  auto& s = st();
  if (tenths == s.rotation) return;
  s.rotation = tenths;
  gdi_DeleteFonts();
  for (auto& t : s.templates) t.escapement = t.orientation = tenths;
  gdi_SelectFont(s.textClass);
}

void gdi_ApplyTextColor(int color) {
  if (st().dc) st().dc->setTextColor(gdi_ColorIndexToRgb(color));
}

void gdi_SetZoom(const float* zoomPtr) {
  if (!zoomPtr) return;
  auto& s = st();
  float z = *zoomPtr;
  if (!(z >= 0.3f)) z = 0.3f;  // also NaN
  if (z > 10.0f) z = 10.0f;
  if (z != s.zoom) gdi_DeleteFonts();
  s.zoom = z;
  s.xNum = s.yNum = static_cast<int>(z * 1000.0f);
  s.xDen = s.yDen = 1000;
  s.scaling = z < 0.98f || z > 1.02f;
}

float gdi_GetZoom() { return st().zoom; }

void gdi_SetPrintScale(int xNum, int xDen, int yNum, int yDen) {
  auto& s = st();
  if (xDen == 0 || yDen == 0) return;
  gdi_DeleteFonts();
  s.xNum = xNum;
  s.xDen = xDen;
  s.yNum = yNum;
  s.yDen = yDen;
  s.scaling = true;
}

int gdi_SetMouseShape(int shape) {
  auto& s = st();
  if (shape == s.mouseShape) return s.mouseShape;
  int previous = s.mouseShape;
  s.mouseShape = shape;
  if (shape < 0 || shape > 33 || !s.hooks) return previous;
  ShellHooks& h = *s.hooks;
  auto help = [&](int ctx) {
    s.previousHelp = h.helpContext();
    h.setHelpContext(ctx);
  };
  int cursor = 0;
  bool change = true;
  switch (shape) {
    case 0: cursor = 104; break;
    case 1:
    case 23:
      if (!s.window || !s.window->hasWindowData()) return previous;
      cursor = 0;
      help(s.window->windowKind() == 6 ? 621 : 613);
      break;
    case 2:
      if (h.busy()) {
        cursor = 112;
      } else {
        cursor = kCursorArrow;
        if (s.window && s.previousHelp) help(603);
      }
      break;
    case 3: cursor = kCursorUpArrow; break;
    case 4: cursor = kCursorIBeam; break;
    case 5: cursor = kCursorWait; break;
    case 6: cursor = kCursor32641; break;
    case 7: cursor = kCursorSizeNESW; break;
    case 8: cursor = kCursorSizeWE; break;
    case 9: cursor = kCursorSizeNWSE; break;
    case 10: cursor = kCursorSizeNS; break;
    case 11: cursor = 105; help(614); break;
    case 12: cursor = 106; help(615); break;
    case 13: cursor = kCursorSizeAll; break;
    case 14: cursor = 107; break;
    case 15: cursor = 108; break;
    case 16: cursor = 109; help(611); break;
    case 17: cursor = 111; help(612); break;
    case 18: cursor = 110; help(612); break;
    case 19: cursor = 112; break;
    case 20:
      cursor = kCursorArrow;
      if (h.helpContext() != 616) help(616);
      break;
    case 21: cursor = 114; help(610); break;
    case 22: cursor = 115; help(617); break;
    case 24:
    case 27: change = false; break;
    case 25: cursor = 117; help(623); break;
    case 26: cursor = 116; help(623); break;
    case 28: cursor = 118; help(622); break;
    case 29: cursor = 119; help(622); break;
    case 30: cursor = 120; help(624); break;
    case 31: cursor = 121; help(625); break;
    case 32: cursor = 107; help(626); break;
    case 33: cursor = 103; help(627); break;
    default: change = false; break;
  }
  if (change) {
    h.setCursor(cursor);
    s.haveCursor = cursor != 0;
  }
  return previous;
}

int gdi_GetMouseShape() { return st().mouseShape; }

void gdi_SetTextWidthLimit(int width) { st().textWidthLimit = width <= 0 ? -1 : width; }

void gdi_ResetAttributes() {
  auto& s = st();
  gdi_SelectPen(s.lineType, s.widthIndex, s.lineColor);
  gdi_SelectFont(1);
  gdi_SetFillColor(0);
  gdi_SetWriteMode(1);
}

void gdi_DeleteFonts() {
  for (auto& f : st().fonts) f.reset();
}

void gdi_DeletePenCache() {
  auto& s = st();
  for (auto& p : s.pens) p.reset();
  for (auto& b : s.brushes) b.reset();
  gdi_DeleteFonts();
  if (s.hooks && s.haveCursor) s.hooks->setCursor(kCursorArrow);
  s.haveCursor = false;
}

GdiAttributes gdi_Attributes() {
  auto& s = st();
  return {s.lineType, s.widthIndex, s.lineColor, s.fillColor, s.startEnd, s.endEnd, s.textClass,
          s.rotation, s.mouseShape, s.textWidthLimit, s.writeMode, s.scaling};
}

P32 gdi_ArcPoint(int x, int y, int r, int tenths) {
  tenths %= 3600;
  if (tenths < 0) tenths += 3600;
  const double a = tenths / 1800.0 * 3.14159;
  auto t = [r](double v) { return static_cast<int>(std::tan(v) * r); };
  if (tenths < 450) return {x + r, y - t(a)};
  if (tenths < 900) return {x + t(1.570795 - a), y - r};
  if (tenths < 1350) return {x - t(a - 1.570795), y - r};
  if (tenths < 1800) return {x - r, y - t(3.14159 - a)};
  if (tenths < 2250) return {x - r, y + t(a - 3.14159)};
  if (tenths < 2700) return {x - t(4.712385 - a), y + r};
  if (tenths < 3150) return {x + t(a - 4.712385), y + r};
  return {x + r, y + t(6.28318 - a)};
}

void gdi_Polyline(int count, const Pt16* pts) {
  if (!canDraw() || count <= 0 || !pts) return;
  if (count > kScratchPoints) {
    showMessage(50035);
    return;
  }
  auto& s = st();
  if (count >= 2) {
    if (s.startEnd == 1) {
      int d = direction(pts[0], pts[1]);
      if (d >= 0) arrowHead(pts[0].x, pts[0].y, d);
    }
    if (s.endEnd == 1) {
      int d = direction(pts[count - 1], pts[count - 2]);
      if (d >= 0) arrowHead(pts[count - 1].x, pts[count - 1].y, d);
    }
  }
  if (!toScratch(count, pts)) return;
  s.dc->polyline(s.scratch.data(), count);
}

void gdi_Markers(int count, const Pt16* pts) {
  if (!canDraw() || count <= 0 || !pts) return;
  auto& s = st();
  int type = s.lineType, width = s.widthIndex + 1;
  gdi_SetLineType(2);
  gdi_SetLineWidth(1);
  if (toScratch(count, pts))
    for (int i = 0; i < count; ++i) s.dc->setPixel(s.scratch[i].x, s.scratch[i].y, kDefaultColor);
  gdi_SetLineType(type);
  gdi_SetLineWidth(width);
}

void gdi_FillArea(int count, const Pt16* pts) {
  if (!canDraw() || count <= 0 || !pts) return;
  if (count > kScratchPoints) {
    showMessage(50035);
    return;
  }
  auto& s = st();
  int line = s.lineColor;
  gdi_SetLineColor(s.fillColor);
  if (toScratch(count, pts)) s.dc->polygon(s.scratch.data(), count);
  gdi_SetLineColor(line);
}

void gdi_Bar(Pt16 a, Pt16 b) {
  if (!canDraw()) return;
  auto& s = st();
  int line = s.lineColor;
  gdi_SetLineColor(s.fillColor);
  s.dc->rectangle(gdi_ScaleX(a.x), gdi_ScaleY(a.y), gdi_ScaleX(b.x), gdi_ScaleY(b.y));
  gdi_SetLineColor(line);
}

void gdi_FillRect(Pt16 a, Pt16 b) {
  if (!canDraw()) return;
  st().dc->fillRect(gdi_ScaleX(a.x), gdi_ScaleY(a.y), gdi_ScaleX(b.x), gdi_ScaleY(b.y));
}

void gdi_Circle(int x, int y, int radius) {
  if (!canDraw()) return;
  int cx = gdi_ScaleX(x), cy = gdi_ScaleY(y), r = gdi_ScaleX(radius);
  st().dc->ellipse(cx - r, cy - r, cx + r, cy + r);
}

void gdi_Ellipse(int x, int y, int rx, int ry) {
  if (!canDraw()) return;
  int cx = gdi_ScaleX(x), cy = gdi_ScaleY(y), a = gdi_ScaleX(rx), b = gdi_ScaleY(ry);
  st().dc->ellipse(cx - a, cy - b, cx + a, cy + b);
}

namespace {
void arcOrPie(bool pie, int x, int y, int rx, int ry, int start, int end) {
  if (!canDraw()) return;
  int cx = gdi_ScaleX(x), cy = gdi_ScaleY(y), a = gdi_ScaleX(rx), b = gdi_ScaleY(ry);
  int r = std::max(a, b);
  P32 s = gdi_ArcPoint(cx, cy, r, start), e = gdi_ArcPoint(cx, cy, r, end);
  if (pie)
    st().dc->pie(cx - a, cy - b, cx + a, cy + b, s, e);
  else
    st().dc->arc(cx - a, cy - b, cx + a, cy + b, s, e);
}
} // namespace

void gdi_Arc(int x, int y, int rx, int ry, int start, int end) { arcOrPie(false, x, y, rx, ry, start, end); }
void gdi_PieSlice(int x, int y, int rx, int ry, int start, int end) { arcOrPie(true, x, y, rx, ry, start, end); }
void gdi_ArcIfEnabled(int x, int y, int radius, int start, int end) { gdi_Arc(x, y, radius, radius, start, end); }
void gdi_PieIfEnabled(int x, int y, int radius, int start, int end) {
  gdi_PieSlice(x, y, radius, radius, start, end);
}

void gdi_RoundedBox(Pt16 a, Pt16 b) {
  if (!canDraw()) return;
  int x1 = gdi_ScaleX(a.x), y1 = gdi_ScaleY(a.y), x2 = gdi_ScaleX(b.x), y2 = gdi_ScaleY(b.y);
  st().dc->roundRect(x1, y1, x2, y2, (x2 - x1) / 4, (y2 - y1) / 4);
}

void gdi_RoundedFrame(Pt16 a, Pt16 b) {
  if (!canDraw()) return;
  Device& dc = *st().dc;
  int x1 = gdi_ScaleX(a.x), y1 = gdi_ScaleY(a.y), x2 = gdi_ScaleX(b.x), y2 = gdi_ScaleY(b.y);
  int d = std::min((x2 - x1) / 4, (y2 - y1) / 4);
  int h = d / 2;
  auto line = [&](int ax, int ay, int bx, int by) {
    P32 p[2] = {{ax, ay}, {bx, by}};
    dc.polyline(p, 2);
  };
  line(x1 + h, y1, x2 - h, y1);
  line(x2, y1 + h, x2, y2 - h);
  line(x2 - h, y2, x1 + h, y2);
  line(x1, y2 - h, x1, y1 + h);
  // Quarter arcs, counterclockwise from the end of one edge to the start of the next.
  dc.arc(x2 - d, y1, x2, y1 + d, {x2, y1 + h}, {x2 - h, y1});          // top right
  dc.arc(x1, y1, x1 + d, y1 + d, {x1 + h, y1}, {x1, y1 + h});          // top left
  dc.arc(x1, y2 - d, x1 + d, y2, {x1, y2 - h}, {x1 + h, y2});          // bottom left
  dc.arc(x2 - d, y2 - d, x2, y2, {x2 - h, y2}, {x2, y2 - h});          // bottom right
}

void gdi_Text(int x, int y, const std::string& text) {
  if (!canDraw()) return;
  auto& s = st();
  int px = gdi_ScaleX(x), py = gdi_ScaleY(y - 12);
  if (s.textWidthLimit <= 0 || text.empty()) {
    s.dc->textOut(px, py, text);
    return;
  }
  int limit = gdi_ScaleX(s.textWidthLimit);
  int wW = std::max(1, s.dc->textWidth("W"));
  int wDots = s.dc->textWidth("...");
  int len = static_cast<int>(text.size());
  int n = std::clamp((limit - wDots) / wW - 1, 0, std::max(0, len - 1));
  int remembered = n;
  bool stopped = false;
  for (int k = n; k <= len - 2; ++k) {
    int w = s.dc->textWidth(text.substr(0, k));
    if (w > limit) {
      stopped = true;
      break;
    }
    if (w + wDots < limit) remembered = k;
  }
  if (stopped)
    s.dc->textOut(px, py, text.substr(0, remembered) + "...");
  else
    s.dc->textOut(px, py, text);
}

void gdi_JustifiedText(int x, int y, const std::string& text, int, int) { gdi_Text(x, y, text); }

int gdi_TextWidth(const std::string& text) {
  auto& s = st();
  if (!s.dc || !s.fonts[s.textClass])
    return static_cast<int>(text.size()) * (kCellHeights[s.textClass] / 2);
  const int w = s.dc->textWidth(text);
  return s.scaling && s.xNum > 0 ? mulDiv(w, s.xDen, s.xNum) : w;
}

void gdi_FloodFill(int x, int y, int borderColor) {
  if (!canDraw()) return;
  st().dc->floodFill(gdi_ScaleX(x), gdi_ScaleY(y), gdi_ColorIndexToRgb(borderColor));
}

void gdi_DrawPictogram(int x, int y, int id) {
  if (!canDraw() || id < 0 || id > 6) return;
  st().dc->drawPictogram(gdi_ScaleX(x), gdi_ScaleY(y), id);
}

int gdi_BeginPaint(DrawWindow* window) {
  if (!window) return 0;
  Device* d = window->beginPaint();
  if (!d) return 0;
  gdi_SetCurrent(d, window);
  gdi_ResetAttributes();
  return 1;
}

void gdi_EndPaint() {
  auto& s = st();
  if (!s.window) return;
  gdi_ResetAttributes();
  s.window->endPaint();
  gdi_SetCurrent(nullptr, nullptr);
}

int gdi_GetWindowDc(DrawWindow* window) {
  if (!window) return 0;
  Device* d = window->getDc();
  if (!d) return 0;
  gdi_SetCurrent(d, window);
  gdi_ResetAttributes();
  return 1;
}

void gdi_ReleaseWindowDc() {
  auto& s = st();
  if (!s.window) return;
  s.window->releaseDc();
  gdi_SetCurrent(nullptr, nullptr);
}

} // namespace disp
