#include "templates.h"

#include <filesystem>
#include <fstream>

namespace picgen {

namespace {

const Rgb kPaper = 0xFFFFFF, kInk = 0x1F2F4F, kGreen = 0x2E7D32, kBack = 0xD4D0C8;

// A worksheet with a folded corner, the picture of every template.
Canvas sheet() {
  Canvas c(32, 32, kBack);
  c.fill(3, 1, 26, 30, kPaper);
  c.frame(3, 1, 26, 30, kInk);
  return c;
}

Canvas emptySymbol() { return sheet(); }

Canvas flowSymbol() {
  Canvas c = sheet();
  // Two steps joined by a line: the start and the end of a flow.
  c.fill(8, 4, 16, 7, kGreen);
  c.text(11, 4, "S", kPaper);
  c.fill(15, 11, 2, 9, kInk);
  c.frame(8, 20, 16, 8, kInk);
  c.text(13, 21, "E", kInk);
  return c;
}

Canvas gatesSymbol() {
  Canvas c = sheet();
  // An AND gate with two inputs and its output to a lamp.
  c.frame(8, 7, 10, 14, kInk);
  c.text(11, 11, "&", kInk);
  c.fill(4, 10, 4, 1, kInk);
  c.fill(4, 17, 4, 1, kInk);
  c.fill(18, 14, 4, 1, kInk);
  c.fill(22, 11, 5, 7, kGreen);
  c.frame(22, 11, 5, 7, kInk);
  return c;
}

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

} // namespace

std::vector<TemplateSymbol> templateSymbols() {
  return {{"EMPTY.ICO", emptySymbol()}, {"FLOW.ICO", flowSymbol()}, {"GATES.ICO", gatesSymbol()}};
}

std::vector<std::uint8_t> icoBytes(const Canvas& c) {
  const int w = c.width(), h = c.height();
  const std::uint32_t maskRow = std::uint32_t((w + 31) / 32 * 4);
  const std::uint32_t image = 40 + std::uint32_t(w * h * 4) + maskRow * std::uint32_t(h);
  std::vector<std::uint8_t> b;
  // The directory with one entry; the image follows it at offset 22.
  put16(b, 0);
  put16(b, 1);
  put16(b, 1);
  b.push_back(std::uint8_t(w & 0xFF));
  b.push_back(std::uint8_t(h & 0xFF));
  b.push_back(0);
  b.push_back(0);
  put16(b, 1);
  put16(b, 32);
  put32(b, image);
  put32(b, 22);
  // The bitmap header: twice the height (colour rows, then the mask rows).
  put32(b, 40);
  put32(b, std::uint32_t(w));
  put32(b, std::uint32_t(2 * h));
  put16(b, 1);
  put16(b, 32);
  for (int i = 0; i < 6; ++i) put32(b, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const Rgb p = c.at(x, y);
      b.push_back(std::uint8_t(p));
      b.push_back(std::uint8_t(p >> 8));
      b.push_back(std::uint8_t(p >> 16));
      b.push_back(0xFF);
    }
  b.insert(b.end(), std::size_t(maskRow) * std::size_t(h), 0);  // all opaque
  return b;
}

bool writeTemplateSymbols(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (const TemplateSymbol& s : templateSymbols()) {
    const std::filesystem::path path = std::filesystem::path(dir) / s.file;
    const std::filesystem::path tmp = path.string() + ".tmp";
    const std::vector<std::uint8_t> bytes = icoBytes(s.canvas);
    {
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
      if (!out) return false;
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) return false;
  }
  return true;
}

} // namespace picgen
