#pragma once
// picgen: our own plain pictures, written at build time as .BMP files (24 bit,
// bottom-up). A canvas with rectangles, lines and text in a built-in 5 x 7
// pixel font (upper-case letters, digits and a few signs; lower case is drawn
// upper-case), scaled by whole factors.
#include <cstdint>
#include <string>
#include <vector>

namespace picgen {

using Rgb = std::uint32_t;  // 0xRRGGBB

class Canvas {
public:
  Canvas(int w, int h, Rgb fill);
  int width() const { return w_; }
  int height() const { return h_; }
  void pixel(int x, int y, Rgb c);
  Rgb at(int x, int y) const;
  void fill(int x, int y, int w, int h, Rgb c);
  void frame(int x, int y, int w, int h, Rgb c, int thickness = 1);
  void line(int x0, int y0, int x1, int y1, Rgb c);
  // Text with its top-left corner at x, y; each font pixel as scale x scale.
  void text(int x, int y, const std::string& s, Rgb c, int scale = 1);
  static int textWidth(const std::string& s, int scale = 1);
  static int textHeight(int scale = 1) { return 7 * scale; }
  // Text centred horizontally in [x, x + w).
  void textCentred(int x, int w, int y, const std::string& s, Rgb c, int scale = 1);
  // The .BMP file's bytes.
  std::vector<std::uint8_t> bmp() const;
  bool save(const std::string& path) const;
private:
  int w_, h_;
  std::vector<Rgb> px_;
};

} // namespace picgen
