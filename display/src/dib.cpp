#include "display/dib.h"

#include "display/gdi.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <list>
#include <memory>

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
  std::uint32_t stored = 0;  // the colour count the header gives (0: the full table)
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
    stored = used;
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
  // The bits follow the table as stored, even where it holds more entries
  // than the bit count can index.
  const std::size_t tableEntries = stored != 0 ? stored : static_cast<std::size_t>(d.colors);
  if (d.bitCount <= 8 && d.colors > (1 << d.bitCount)) d.colors = 1 << d.bitCount;
  d.bitsOffset = hs + tableEntries * d.entrySize;
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

// Decodes into outW x outH pixels, sampling the picture (nearest pixel) when
// that is smaller than the picture.
std::vector<std::uint32_t> decode(const Dib& d, int outW, int outH, const Rgb* from = nullptr,
                                  const Rgb* to = nullptr) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(outW) * outH);
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
  std::vector<std::uint32_t> table(static_cast<std::size_t>(d.colors));
  for (int i = 0; i < d.colors; ++i)
    table[static_cast<std::size_t>(i)] =
        tableColor(d, i, i == replaceIndex ? from : nullptr, i == replaceIndex ? to : nullptr);
  auto lookup = [&](int idx) { return idx < d.colors ? table[static_cast<std::size_t>(idx)] : 0u; };
  std::vector<int> cols(static_cast<std::size_t>(outW));
  for (int c = 0; c < outW; ++c)
    cols[static_cast<std::size_t>(c)] = static_cast<int>(static_cast<long long>(c) * d.width / outW);
  for (int row = 0; row < outH; ++row) {
    const int pictureRow = static_cast<int>(static_cast<long long>(row) * d.height / outH);
    int srcRow = d.topDown ? pictureRow : d.height - 1 - pictureRow;
    const std::uint8_t* line = d.block.data() + d.bitsOffset + stride * static_cast<std::size_t>(srcRow);
    std::uint32_t* dst = out.data() + static_cast<std::size_t>(row) * outW;
    for (int c = 0; c < outW; ++c) {
      const int col = cols[static_cast<std::size_t>(c)];
      std::uint32_t v = 0;
      switch (d.bitCount) {
        case 1: v = lookup((line[col / 8] >> (7 - col % 8)) & 1); break;
        case 4: v = lookup((line[col / 2] >> (col % 2 ? 0 : 4)) & 0xF); break;
        case 8: v = lookup(line[col]); break;
        case 16: {
          unsigned p = line[2 * col] | line[2 * col + 1] << 8;
          unsigned r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
          v = (r * 255 / 31) << 16 | (g * 255 / 31) << 8 | (b * 255 / 31);
          break;
        }
        case 24: v = std::uint32_t(line[3 * col + 2]) << 16 | line[3 * col + 1] << 8 | line[3 * col]; break;
        case 32: v = std::uint32_t(line[4 * col + 2]) << 16 | line[4 * col + 1] << 8 | line[4 * col]; break;
      }
      dst[c] = v;
    }
  }
  return out;
}

// The decode size for a target of w x h device pixels: never more than the
// picture has, nor than the target shows, nor than the decode cap.
void decodeSize(const Dib& d, int w, int h, int& outW, int& outH) {
  outW = std::clamp(w, 1, d.width);
  outH = std::clamp(h, 1, d.height);
  const long long n = static_cast<long long>(outW) * outH;
  if (n > kDibDecodeCap) {
    const double f = std::sqrt(static_cast<double>(kDibDecodeCap) / static_cast<double>(n));
    outW = std::max(1, static_cast<int>(outW * f));
    outH = std::max(1, static_cast<int>(outH * f));
  }
}

// The picture's pixels for a target, decoded again only when the kept decode
// is smaller than the target needs.
const std::vector<std::uint32_t>& decodedFor(Dib& d, int w, int h) {
  int outW = 0, outH = 0;
  decodeSize(d, w, h, outW, outH);
  if (d.decoded.empty() || d.decodedW < outW || d.decodedH < outH) {
    d.decodedW = std::max(outW, d.decoded.empty() ? 0 : d.decodedW);
    d.decodedH = std::max(outH, d.decoded.empty() ? 0 : d.decodedH);
    decodeSize(d, d.decodedW, d.decodedH, d.decodedW, d.decodedH);
    d.decoded = decode(d, d.decodedW, d.decodedH);
  }
  return d.decoded;
}

int draw(Device* dc, DibHandle p, int x, int y, int w, int h, std::uint32_t rop, const Rgb* transparent,
         const Rgb* from = nullptr, const Rgb* to = nullptr) {
  if (!dc || !p || w <= 0 || h <= 0) return 0;
  if (from && to) {
    int outW = 0, outH = 0;
    decodeSize(*p, w, h, outW, outH);
    auto px = decode(*p, outW, outH, from, to);
    dc->drawBitmap(x, y, w, h, outW, outH, px.data(), rop, transparent);
    return 1;
  }
  const auto& px = decodedFor(*p, w, h);
  dc->drawBitmap(x, y, w, h, p->decodedW, p->decodedH, px.data(), rop, transparent);
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

std::vector<std::uint32_t> dib_Pixels(DibHandle p) {
  return p ? decode(*p, p->width, p->height) : std::vector<std::uint32_t>{};
}

namespace {
struct CacheEntry {
  std::string path;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type time{};
  std::unique_ptr<Dib> picture;
};
constexpr std::size_t kCacheEntries = 16;
std::list<CacheEntry>& cache() {
  static std::list<CacheEntry> c;
  return c;
}
} // namespace

DibHandle dib_Cached(const std::string& path) {
  std::error_code ec;
  const std::string real = plat::path::resolveExisting(path);
  if (real.empty()) return nullptr;
  const auto size = std::filesystem::file_size(real, ec);
  if (ec) return nullptr;
  const auto time = std::filesystem::last_write_time(real, ec);
  if (ec) return nullptr;
  auto& c = cache();
  for (auto it = c.begin(); it != c.end(); ++it) {
    if (it->path != path) continue;
    if (it->size == size && it->time == time) {
      c.splice(c.begin(), c, it);  // most recent first
      return it->picture.get();
    }
    c.erase(it);
    break;
  }
  DibHandle p = dib_LoadFile(real);
  if (!p) return nullptr;
  c.push_front(CacheEntry{path, size, time, std::unique_ptr<Dib>(p)});
  if (c.size() > kCacheEntries) c.pop_back();
  return p;
}

void dib_ClearCache() { cache().clear(); }

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
std::unique_ptr<DibPalette>& paletteSlot() {
  static std::unique_ptr<DibPalette> slot;
  return slot;
}
} // namespace

void dib_SetInstance(const DibPalette& palette) { paletteSlot() = std::make_unique<DibPalette>(palette); }
void dib_ClearInstance() { paletteSlot().reset(); }
const DibPalette* dib_Instance() { return paletteSlot().get(); }

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
  dib_ClearInstance();
  g_dibModule = true;
  return 1;
}
void drw_ExitDibModule() {
  dib_ClearInstance();
  g_dibModule = false;
}
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
