#include "picgen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace picgen {

namespace {
// 5 x 7 glyphs: seven rows, the five low bits of each row, bit 4 the left column.
struct Glyph {
  char c;
  std::uint8_t rows[7];
};
const Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'.', {0, 0, 0, 0, 0, 12, 12}},      {'-', {0, 0, 0, 31, 0, 0, 0}},       {'+', {0, 4, 4, 31, 4, 4, 0}},
    {'/', {1, 1, 2, 4, 8, 16, 16}},      {'=', {0, 0, 31, 0, 31, 0, 0}},      {'<', {2, 4, 8, 16, 8, 4, 2}},
    {'>', {8, 4, 2, 1, 2, 4, 8}},        {'?', {14, 17, 1, 2, 4, 0, 4}},      {'!', {4, 4, 4, 4, 4, 0, 4}},
    {':', {0, 12, 12, 0, 12, 12, 0}},    {'(', {2, 4, 8, 8, 8, 4, 2}},        {')', {8, 4, 2, 2, 2, 4, 8}},
    {'*', {0, 4, 21, 14, 21, 4, 0}},     {'&', {12, 18, 20, 8, 21, 18, 13}},  {'#', {10, 10, 31, 10, 31, 10, 10}},
};
const Glyph* glyph(char c) {
  c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& g : kFont)
    if (g.c == c) return &g;
  return nullptr;
}
void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}
} // namespace

Canvas::Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(std::size_t(w) * std::size_t(h), fill) {}

void Canvas::pixel(int x, int y, Rgb c) {
  if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] = c;
}
Rgb Canvas::at(int x, int y) const { return px_[std::size_t(y) * std::size_t(w_) + std::size_t(x)]; }

void Canvas::fill(int x, int y, int w, int h, Rgb c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) pixel(i, j, c);
}

void Canvas::frame(int x, int y, int w, int h, Rgb c, int t) {
  fill(x, y, w, t, c);
  fill(x, y + h - t, w, t, c);
  fill(x, y, t, h, c);
  fill(x + w - t, y, t, h, c);
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb c) {
  int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1, dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    pixel(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

int Canvas::textWidth(const std::string& s, int scale) { return s.empty() ? 0 : int(s.size()) * 6 * scale - scale; }

void Canvas::text(int x, int y, const std::string& s, Rgb c, int scale) {
  for (char ch : s) {
    if (const Glyph* g = glyph(ch))
      for (int r = 0; r < 7; ++r)
        for (int col = 0; col < 5; ++col)
          if (g->rows[r] & (16 >> col)) fill(x + col * scale, y + r * scale, scale, scale, c);
    x += 6 * scale;
  }
}

void Canvas::textCentred(int x, int w, int y, const std::string& s, Rgb c, int scale) {
  text(x + (w - textWidth(s, scale)) / 2, y, s, c, scale);
}

std::vector<std::uint8_t> Canvas::bmp() const {
  std::uint32_t row = (std::uint32_t(w_) * 3 + 3) & ~3u;
  std::uint32_t bits = row * std::uint32_t(h_);
  std::vector<std::uint8_t> v;
  v.reserve(54 + bits);
  v.push_back('B');
  v.push_back('M');
  put32(v, 54 + bits);
  put32(v, 0);
  put32(v, 54);
  put32(v, 40);
  put32(v, std::uint32_t(w_));
  put32(v, std::uint32_t(h_));
  put16(v, 1);
  put16(v, 24);
  put32(v, 0);
  put32(v, bits);
  put32(v, 2835);
  put32(v, 2835);
  put32(v, 0);
  put32(v, 0);
  for (int y = h_ - 1; y >= 0; --y) {
    std::size_t start = v.size();
    for (int x = 0; x < w_; ++x) {
      Rgb c = at(x, y);
      v.push_back(std::uint8_t(c));
      v.push_back(std::uint8_t(c >> 8));
      v.push_back(std::uint8_t(c >> 16));
    }
    while (v.size() - start < row) v.push_back(0);
  }
  return v;
}

bool Canvas::save(const std::string& path) const {
  auto b = bmp();
  std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

} // namespace picgen
