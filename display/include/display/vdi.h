#pragma once
// The older call shapes of vector drawing: each call takes a drawing handle
// (there is one drawing state, so the handle is not used) and hands its
// arguments to the drawing layer, which applies the zoom. Also the 16-bit bit
// operations and bit masks that the model and the interpreter use.
#include "display/gdi.h"

#include <cstdint>
#include <string>

namespace disp {

using VdiHandle = int;

struct VdiRect {
  std::int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

void vdi_Polyline(VdiHandle h, int count, const Pt16* points);
void vdi_Marker(VdiHandle h, int count, const Pt16* points);
void vdi_Text(VdiHandle h, int x, int y, const std::string& text);
void vdi_FillArea(VdiHandle h, int count, const Pt16* points);
void vdi_ContourFill(VdiHandle h, int x, int y, int color);
void vdi_Bar(VdiHandle h, const VdiRect& r);
void vdi_RecFill(VdiHandle h, const VdiRect& r);
void vdi_Arc(VdiHandle h, int x, int y, int radius, int start, int end);
void vdi_PieSlice(VdiHandle h, int x, int y, int radius, int start, int end);
void vdi_Circle(VdiHandle h, int x, int y, int radius);
void vdi_EllArc(VdiHandle h, int x, int y, int rx, int ry, int start, int end);
void vdi_EllPie(VdiHandle h, int x, int y, int rx, int ry, int start, int end);
void vdi_Ellipse(VdiHandle h, int x, int y, int rx, int ry);
void vdi_RoundBox(VdiHandle h, const VdiRect& r);
void vdi_RfBox(VdiHandle h, const VdiRect& r);
void vdi_JustifiedText(VdiHandle h, int x, int y, const std::string& text, int hJust = 0, int vJust = 0);

// Text heights of the current document: three standard heights with their
// character and cell sizes, the three current heights and three further ones.
struct TextHeight {
  int height = 0, charWidth = 0, charHeight = 0, cellWidth = 0, cellHeight = 0;
};
struct TextHeights {
  TextHeight standard[3];
  TextHeight current[3];
  int further[3] = {16, 10, 6};
  std::uint8_t flag = 0;
};
void vdi_UnitInit(TextHeights& th);
void vdi_SetTextHeight(TextHeight& out, int height);
void vdi_SetTextHeights(TextHeights& th);

// The units' own zoom factor stays 1.0.
void vdi_UnitInitZoom();
void vdi_ScaleCoord(std::int16_t& c);
void vdi_ScaleRect(VdiRect& r);

// ---- bit operations on 16-bit words (bit numbers 0..15; others: no effect / false) ----
bool bit_Test(const std::uint16_t& w, int n);
void bit_Set(std::uint16_t& w, int n);
void bit_Clear(std::uint16_t& w, int n);
std::uint16_t bit_And(const std::uint16_t& a, const std::uint16_t& b);
std::uint16_t bit_Or(const std::uint16_t& a, const std::uint16_t& b);
std::uint16_t bit_AndNot(const std::uint16_t& a, const std::uint16_t& b);
std::uint16_t bit_Xor(const std::uint16_t& a, const std::uint16_t& b);

// Bit masks: single bits 0..15, zero, and the low-bit masks of bits 0..k (k = 1..15).
namespace mask {
inline constexpr std::uint16_t kZero = 0;
constexpr std::uint16_t bit(int n) { return static_cast<std::uint16_t>(1u << n); }
constexpr std::uint16_t low(int k) { return static_cast<std::uint16_t>((1u << (k + 1)) - 1); }
} // namespace mask

} // namespace disp
