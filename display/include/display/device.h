#pragma once
// The device the drawing layer draws on: device coordinates (32-bit), pens,
// brushes and fonts as plain values, and the drawing conventions of
// the system's original graphics interface, which every backend keeps:
//  - rectangle, fillRect, ellipse and roundRect exclude the right and bottom
//    edge of their box;
//  - polyline draws each segment without its last pixel;
//  - text is anchored at its top-left corner;
//  - arc and pie run counterclockwise from the start point to the end point,
//    both given as points on rays from the centre.
// Backends: a QPainter one (display_qt) and a recording one for exact tests.
#include <cstdint>
#include <string>
#include <vector>

namespace disp {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct P32 {
  std::int32_t x = 0, y = 0;
  bool operator==(const P32&) const = default;
};

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Null };

struct PenSpec {
  PenStyle style = PenStyle::Solid;
  int width = 1;  // device pixels
  Rgb color;
  bool operator==(const PenSpec&) const = default;
};

struct FontSpec {
  int height = 12;       // character height in device pixels
  int escapement = 0;    // tenths of a degree
  int orientation = 0;
  int weight = 0;
  int quality = 2;
  int pitchAndFamily = 0x41;
  std::string face = "Arial";
  bool operator==(const FontSpec&) const = default;
};

class Device {
public:
  virtual ~Device() = default;
  virtual void setPen(const PenSpec& pen) = 0;
  virtual void setBrush(Rgb color) = 0;
  virtual void setFont(const FontSpec& font) = 0;
  virtual void setTextColor(Rgb color) = 0;
  virtual void setOpaqueText(bool opaque) = 0;  // opaque: text background filled white

  virtual void polyline(const P32* pts, int n) = 0;
  virtual void polygon(const P32* pts, int n) = 0;           // outlined with the pen, filled with the brush
  virtual void rectangle(int l, int t, int r, int b) = 0;    // pen outline, brush inside
  virtual void fillRect(int l, int t, int r, int b) = 0;     // brush only
  virtual void ellipse(int l, int t, int r, int b) = 0;
  virtual void arc(int l, int t, int r, int b, P32 start, P32 end) = 0;
  virtual void pie(int l, int t, int r, int b, P32 start, P32 end) = 0;
  virtual void roundRect(int l, int t, int r, int b, int ellipseW, int ellipseH) = 0;
  virtual void textOut(int x, int y, const std::string& text) = 0;
  virtual int textWidth(const std::string& text) = 0;       // in the current font
  virtual void setPixel(int x, int y, Rgb color) = 0;
  // Many pixels of one colour (grid dots); backends may write them directly.
  virtual void setPixels(const P32* pts, int n, Rgb color) {
    for (int i = 0; i < n; ++i) setPixel(pts[i].x, pts[i].y, color);
  }
  virtual void floodFill(int x, int y, Rgb border) = 0;      // with the brush, up to the border colour
  virtual void drawPictogram(int x, int y, int id) = 0;
  // A picture of srcW x srcH pixels (0xRRGGBB, rows top-down) into the box
  // x, y, w, h, stretched when the sizes differ, combined with the raster
  // operation (kSrcCopy, kSrcAnd, kSrcPaint, kSrcInvert, kNotSrcCopy); pixels of
  // the transparent colour, when given, leave the destination unchanged.
  virtual void drawBitmap(int x, int y, int w, int h, int srcW, int srcH, const std::uint32_t* pixels,
                          std::uint32_t rop, const Rgb* transparent) = 0;
  // Clipping of everything drawn to a device rectangle (off: no clipping).
  virtual void setClip(bool on, int l, int t, int r, int b) = 0;
  // Reads device pixels back (0xRRGGBB, rows top-down); false where the device
  // cannot (a printer). Pixels outside the device read as white.
  virtual bool readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) = 0;
};

inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kSrcAnd = 0x008800C6;
inline constexpr std::uint32_t kSrcPaint = 0x00EE0086;
inline constexpr std::uint32_t kSrcInvert = 0x00660046;
inline constexpr std::uint32_t kNotSrcCopy = 0x00330008;

} // namespace disp
