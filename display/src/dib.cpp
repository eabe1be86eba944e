#include "display/dib.h"

#include "display/gdi.h"
#include "platform/paths.h"

#include <cstring>

namespace disp {

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

bool parse(Dib& d, std::string* why) {
  const auto& b = d.block;
  if (b.size() < 12) return fail(why, "header truncated");
  std::uint32_t hs = u32(b, 0);
  if (hs == 40 || hs == 108 || hs == 124) {
    if (b.size() < hs) return fail(why, "header truncated");
    d.infoHeader = true;
    auto w = static_cast<std::int32_t>(u32(b, 4));
    auto h = static_cast<std::int32_t>(u32(b, 8));
    d.bitCount = u16(b, 14);
    if (u32(b, 16) != 0) return fail(why, "compressed pictures are not supported");
    std::uint32_t used = u32(b, 32);
    d.width = w;
    d.topDown = h < 0;
    if (h == INT32_MIN) return fail(why, "bad height");
    d.height = h < 0 ? -h : h;
    d.entrySize = 4;
    if (used != 0) {
      if (used > 256) return fail(why, "too many colours");
      d.colors = static_cast<int>(used);
    }
  } else if (hs == 12) {
    d.infoHeader = false;
    d.width = u16(b, 4);
    d.height = u16(b, 6);
    d.bitCount = u16(b, 10);
    d.entrySize = 3;
  } else {
    return fail(why, "unknown header");
  }
  if (d.width <= 0 || d.height <= 0) return fail(why, "bad size");
  if (static_cast<long long>(d.width) * d.height > kMaxPixels) return fail(why, "picture too large");
  switch (d.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return fail(why, "unsupported bit count");
  }
  if (d.colors == 0 && d.bitCount <= 8) d.colors = 1 << d.bitCount;
  if (d.bitCount <= 8 && d.colors > (1 << d.bitCount)) d.colors = 1 << d.bitCount;
  d.bitsOffset = hs + static_cast<std::size_t>(d.colors) * d.entrySize;
  std::size_t stride = ((static_cast<std::size_t>(d.width) * d.bitCount + 31) / 32) * 4;
  if (d.bitsOffset > b.size() || stride * static_cast<std::size_t>(d.height) > b.size() - d.bitsOffset)
    return fail(why, "pixel data truncated");
  return true;
}

std::uint32_t tableColor(const Dib& d, int index, const Rgb* from, const Rgb* to) {
  if (index < 0 || index >= d.colors) return 0;
  std::size_t at = u32(d.block, 0) + static_cast<std::size_t>(index) * d.entrySize;
  Rgb c{d.block[at + 2], d.block[at + 1], d.block[at]};
  if (from && to && c == *from) c = *to;
  return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

std::vector<std::uint32_t> decode(const Dib& d, const Rgb* from = nullptr, const Rgb* to = nullptr) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(d.width) * d.height);
  std::size_t stride = ((static_cast<std::size_t>(d.width) * d.bitCount + 31) / 32) * 4;
  // Only the first table entry equal to `from` is replaced.
  int replaceIndex = -1;
  if (from && to && d.infoHeader) {
    for (int i = 0; i < d.colors; ++i) {
      std::size_t at = u32(d.block, 0) + static_cast<std::size_t>(i) * d.entrySize;
      if (Rgb{d.block[at + 2], d.block[at + 1], d.block[at]} == *from) {
        replaceIndex = i;
        break;
      }
    }
  }
  for (int row = 0; row < d.height; ++row) {
    int srcRow = d.topDown ? row : d.height - 1 - row;
    const std::uint8_t* line = d.block.data() + d.bitsOffset + stride * static_cast<std::size_t>(srcRow);
    for (int col = 0; col < d.width; ++col) {
      std::uint32_t v = 0;
      int idx = -1;
      switch (d.bitCount) {
        case 1: idx = (line[col / 8] >> (7 - col % 8)) & 1; break;
        case 4: idx = (line[col / 2] >> (col % 2 ? 0 : 4)) & 0xF; break;
        case 8: idx = line[col]; break;
        case 16: {
          unsigned p = line[2 * col] | line[2 * col + 1] << 8;
          unsigned r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
          v = (r * 255 / 31) << 16 | (g * 255 / 31) << 8 | (b * 255 / 31);
          break;
        }
        case 24: v = std::uint32_t(line[3 * col + 2]) << 16 | line[3 * col + 1] << 8 | line[3 * col]; break;
        case 32: v = std::uint32_t(line[4 * col + 2]) << 16 | line[4 * col + 1] << 8 | line[4 * col]; break;
      }
      if (idx >= 0) v = tableColor(d, idx, idx == replaceIndex ? from : nullptr, idx == replaceIndex ? to : nullptr);
      out[static_cast<std::size_t>(row) * d.width + col] = v;
    }
  }
  return out;
}

int draw(Device* dc, DibHandle p, int x, int y, int w, int h, std::uint32_t rop, const Rgb* transparent,
         const Rgb* from = nullptr, const Rgb* to = nullptr) {
  if (!dc || !p || w <= 0 || h <= 0) return 0;
  auto px = decode(*p, from, to);
  dc->drawBitmap(x, y, w, h, p->width, p->height, px.data(), rop, transparent);
  return 1;
}

} // namespace

DibHandle dib_FromBytes(const std::vector<std::uint8_t>& file, std::string* why) {
  if (file.size() < kFileHeader || file[0] != 'B' || file[1] != 'M') {
    fail(why, "not a BMP file");
    return nullptr;
  }
  auto d = new Dib;
  d->block.assign(file.begin() + kFileHeader, file.end());
  if (!parse(*d, why)) {
    delete d;
    return nullptr;
  }
  return d;
}

DibHandle dib_LoadFile(const std::string& path, std::string* why) {
  std::string data;
  std::string real = plat::path::resolveExisting(path);
  if (real.empty() || !plat::path::readFile(real, data)) {
    fail(why, "file not found");
    return nullptr;
  }
  return dib_FromBytes(std::vector<std::uint8_t>(data.begin(), data.end()), why);
}

void dib_Free(DibHandle* picture) {
  if (!picture || !*picture) return;
  delete *picture;
  *picture = nullptr;
}

bool dib_GetSize(DibHandle p, int* width, int* height) {
  if (!p) return false;
  if (width) *width = p->width;
  if (height) *height = p->height;
  return true;
}

std::vector<std::uint32_t> dib_Pixels(DibHandle p) { return p ? decode(*p) : std::vector<std::uint32_t>{}; }

int dib_Draw(Device* dc, DibHandle p, int x, int y, int w, int h) { return draw(dc, p, x, y, w, h, kSrcCopy, nullptr); }
int dib_DrawStretched(Device* dc, DibHandle p, int x, int y, int w, int h, std::uint32_t rop) {
  return draw(dc, p, x, y, w, h, rop, nullptr);
}
int dib_DrawTransparent(Device* dc, DibHandle p, int x, int y, int w, int h, Rgb transparent) {
  return draw(dc, p, x, y, w, h, kSrcCopy, &transparent);
}
int dib_DrawWithPalette(Device* dc, DibHandle p, int x, int y, int w, int h, Rgb from, Rgb to) {
  return draw(dc, p, x, y, w, h, kSrcCopy, nullptr, &from, &to);
}

namespace {
bool g_dibModule = false;
void scaleBox(int& x, int& y, int& w, int& h) {
  x = gdi_ScaleX(x);
  w = gdi_ScaleX(w);
  y = gdi_ScaleY(y);
  h = gdi_ScaleY(h);
}
} // namespace

int drw_InitDibModule() {
  g_dibModule = true;
  return 1;
}
void drw_ExitDibModule() { g_dibModule = false; }
DibHandle drw_LoadDib(const std::string& path) { return dib_LoadFile(path); }
void drw_FreeDib(DibHandle p) { dib_Free(&p); }
int drw_DrawDib(DibHandle p, int x, int y, int w, int h) {
  scaleBox(x, y, w, h);
  return dib_Draw(gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr, p, x, y, w, h);
}
int drw_DrawDibB(DibHandle p, int x, int y, int w, int h, std::uint32_t rop) {
  scaleBox(x, y, w, h);
  return dib_DrawStretched(gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr, p, x, y, w, h, rop);
}
int drw_DrawDibC(DibHandle p, int x, int y, int w, int h, Rgb transparent) {
  scaleBox(x, y, w, h);
  return dib_DrawTransparent(gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr, p, x, y, w, h, transparent);
}
int drw_DrawDibRecolored(DibHandle p, int x, int y, int w, int h, Rgb from, Rgb to) {
  scaleBox(x, y, w, h);
  return dib_DrawWithPalette(gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr, p, x, y, w, h, from, to);
}
bool drw_GetDibSize(DibHandle p, int* width, int* height) { return dib_GetSize(p, width, height); }

} // namespace disp
