#include "display/vdi.h"

namespace disp {

namespace {
float g_vdiZoom = 1.0f;
Pt16 p16(int x, int y) { return Pt16{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)}; }
} // namespace

void vdi_Polyline(VdiHandle, int count, const Pt16* points) { gdi_Polyline(count, points); }
void vdi_Marker(VdiHandle, int count, const Pt16* points) { gdi_Markers(count, points); }
void vdi_Text(VdiHandle, int x, int y, const std::string& text) { gdi_Text(x, y, text); }
void vdi_FillArea(VdiHandle, int count, const Pt16* points) { gdi_FillArea(count, points); }
void vdi_ContourFill(VdiHandle, int x, int y, int color) { gdi_FloodFill(x, y, color); }
void vdi_Bar(VdiHandle, const VdiRect& r) { gdi_Bar(p16(r.x1, r.y1), p16(r.x2, r.y2)); }
void vdi_RecFill(VdiHandle, const VdiRect& r) { gdi_FillRect(p16(r.x1, r.y1), p16(r.x2, r.y2)); }
void vdi_Arc(VdiHandle, int x, int y, int radius, int start, int end) { gdi_ArcIfEnabled(x, y, radius, start, end); }
void vdi_PieSlice(VdiHandle, int x, int y, int radius, int start, int end) {
  gdi_PieIfEnabled(x, y, radius, start, end);
}
void vdi_Circle(VdiHandle, int x, int y, int radius) { gdi_Circle(x, y, radius); }
void vdi_EllArc(VdiHandle, int x, int y, int rx, int ry, int start, int end) { gdi_Arc(x, y, rx, ry, start, end); }
void vdi_EllPie(VdiHandle, int x, int y, int rx, int ry, int start, int end) {
  gdi_PieSlice(x, y, rx, ry, start, end);
}
void vdi_Ellipse(VdiHandle, int x, int y, int rx, int ry) { gdi_Ellipse(x, y, rx, ry); }
void vdi_RoundBox(VdiHandle, const VdiRect& r) { gdi_RoundedFrame(p16(r.x1, r.y1), p16(r.x2, r.y2)); }
void vdi_RfBox(VdiHandle, const VdiRect& r) { gdi_RoundedBox(p16(r.x1, r.y1), p16(r.x2, r.y2)); }
void vdi_JustifiedText(VdiHandle, int x, int y, const std::string& text, int, int) { gdi_Text(x, y, text); }

void vdi_SetTextHeight(TextHeight& out, int height) {
  out.height = height;
  gdi_SetTextHeight(height, &out.charWidth, &out.charHeight, &out.cellWidth, &out.cellHeight);
}

void vdi_SetTextHeights(TextHeights& th) {
  for (auto& h : th.standard) vdi_SetTextHeight(h, h.height);
  for (int i = 0; i < 3; ++i) th.current[i] = th.standard[i];
}

void vdi_UnitInit(TextHeights& th) {
  th = TextHeights{};
  th.standard[0].height = 13;
  th.standard[1].height = 10;
  th.standard[2].height = 4;
  for (int i = 0; i < 3; ++i) th.current[i] = th.standard[i];
  th.flag = 0;
}

void vdi_UnitInitZoom() { g_vdiZoom = 1.0f; }

void vdi_ScaleCoord(std::int16_t& c) {
  if (g_vdiZoom >= 0.09f && g_vdiZoom < 0.1f) return;
  c = static_cast<std::int16_t>(static_cast<int>(c * g_vdiZoom));
}

void vdi_ScaleRect(VdiRect& r) {
  vdi_ScaleCoord(r.x1);
  vdi_ScaleCoord(r.y1);
  vdi_ScaleCoord(r.x2);
  vdi_ScaleCoord(r.y2);
}

bool bit_Test(const std::uint16_t& w, int n) { return n >= 0 && n <= 15 && (w >> n) & 1u; }
void bit_Set(std::uint16_t& w, int n) {
  if (n >= 0 && n <= 15) w = static_cast<std::uint16_t>(w | (1u << n));
}
void bit_Clear(std::uint16_t& w, int n) {
  if (n >= 0 && n <= 15) w = static_cast<std::uint16_t>(w & ~(1u << n));
}
std::uint16_t bit_And(const std::uint16_t& a, const std::uint16_t& b) { return a & b; }
std::uint16_t bit_Or(const std::uint16_t& a, const std::uint16_t& b) { return a | b; }
std::uint16_t bit_AndNot(const std::uint16_t& a, const std::uint16_t& b) {
  return static_cast<std::uint16_t>(a & ~b);
}
std::uint16_t bit_Xor(const std::uint16_t& a, const std::uint16_t& b) { return a ^ b; }

} // namespace disp
