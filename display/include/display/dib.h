#pragma once
// ".BMP" pictures: loaded from a file as a packed device-independent bitmap
// (information header, colour table and pixel bits, as they follow the
// 14-byte file header) and drawn through a device: one to one, stretched, with
// a raster operation, transparently, or with one colour-table entry replaced.
// The file is checked against itself before anything is trusted: header size,
// dimensions, bit count, colour count and the pixel rows must lie inside the
// file; anything else loads as no picture.
#include "display/device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace disp {

struct Dib {
  std::vector<std::uint8_t> block;   // the file after its 14-byte header
  bool infoHeader = false;           // the 40-byte information header (else the core header)
  std::int32_t width = 0, height = 0;
  bool topDown = false;              // a negative height in the information header
  int bitCount = 0;
  int colors = 0;                    // entries of the colour table
  std::size_t entrySize = 4;
  std::size_t bitsOffset = 0;        // of the pixel bits in `block`
  // The last decode (0xRRGGBB, rows top-down), possibly sampled down to what
  // the targets needed; reused while it is large enough.
  int decodedW = 0, decodedH = 0;
  std::vector<std::uint32_t> decoded;
};
using DibHandle = Dib*;

// Parses a whole file's bytes; null when it is no picture we can use.
DibHandle dib_FromBytes(const std::vector<std::uint8_t>& file, std::string* why = nullptr);
DibHandle dib_LoadFile(const std::string& path, std::string* why = nullptr);
void dib_Free(DibHandle* picture);
// A picture file kept decoded between draws, keyed by path and reloaded when
// the file changes; owned by the cache (never freed by the caller). Null when
// the file is no picture.
DibHandle dib_Cached(const std::string& path);
void dib_ClearCache();
// Most pixels a picture is decoded to: larger pictures are sampled down.
inline constexpr long long kDibDecodeCap = 4LL * 1024 * 1024;
bool dib_GetSize(DibHandle picture, int* width, int* height);
// The picture as 0xRRGGBB pixels, rows top-down; empty when it cannot be decoded.
std::vector<std::uint32_t> dib_Pixels(DibHandle picture);

int dib_Draw(Device* dc, DibHandle picture, int x, int y, int w, int h);
int dib_DrawStretched(Device* dc, DibHandle picture, int x, int y, int w, int h, std::uint32_t rop);
int dib_DrawTransparent(Device* dc, DibHandle picture, int x, int y, int w, int h, Rgb transparent);
int dib_DrawWithPalette(Device* dc, DibHandle picture, int x, int y, int w, int h, Rgb from, Rgb to);

// The module's palette slot: a palette set here is the one every draw
// selects; without one each draw uses the picture's own colour table. Drawing
// goes to true-colour devices, where a palette changes no pixel, so the slot
// only keeps what was set (the program never sets one). drw_InitDibModule
// empties it, drw_ExitDibModule too.
struct DibPalette {
  std::vector<Rgb> colors;
};
void dib_SetInstance(const DibPalette& palette);
void dib_ClearInstance();
// The palette in the slot; null when it is empty.
const DibPalette* dib_Instance();

// Wrappers on the drawing layer's current device; x, w scale by the x factor
// and y, h by the y factor while scaling is on.
int drw_InitDibModule();
void drw_ExitDibModule();
DibHandle drw_LoadDib(const std::string& path);
void drw_FreeDib(DibHandle picture);
int drw_DrawDib(DibHandle picture, int x, int y, int w, int h);
int drw_DrawDibB(DibHandle picture, int x, int y, int w, int h, std::uint32_t rop);
int drw_DrawDibC(DibHandle picture, int x, int y, int w, int h, Rgb transparent);
int drw_DrawDibRecolored(DibHandle picture, int x, int y, int w, int h, Rgb from, Rgb to);
bool drw_GetDibSize(DibHandle picture, int* width, int* height);

} // namespace disp
