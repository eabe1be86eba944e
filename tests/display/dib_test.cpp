#include "display/dib.h"
#include "display/gdi.h"
#include "display/recording_device.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace disp {
namespace {

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A BMP file of width x height with the given bit count (1, 8 or 24) and a
// colour table of two entries (red, green) for the paletted forms.
std::vector<std::uint8_t> makeBmp(int width, int height, int bits) {
  std::vector<std::uint8_t> b{'B', 'M'};
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(width));
  put32(b, static_cast<std::uint32_t>(height));
  put16(b, 1);
  put16(b, static_cast<std::uint16_t>(bits));
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  put32(b, bits <= 8 ? 2 : 0);
  put32(b, 0);
  if (bits <= 8) {
    put32(b, 0x00FF0000);  // red (blue, green, red, reserved)
    put32(b, 0x0000FF00);  // green
  }
  std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  for (int row = 0; row < height; ++row)
    for (std::size_t i = 0; i < stride; ++i) b.push_back(bits == 8 && i == 0 ? 1 : bits == 24 ? 0x80 : 0);
  return b;
}

TEST(Dib, LoadsAndChecksAgainstTheFile) {
  std::string why;
  DibHandle p = dib_FromBytes(makeBmp(3, 2, 8), &why);
  ASSERT_NE(p, nullptr) << why;
  int w = 0, h = 0;
  EXPECT_TRUE(dib_GetSize(p, &w, &h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  auto px = dib_Pixels(p);
  EXPECT_EQ(px[0], 0x00FF00u);  // index 1: green
  EXPECT_EQ(px[1], 0xFF0000u);  // index 0: red
  dib_Free(&p);
  EXPECT_EQ(p, nullptr);
  dib_Free(&p);  // a 0 handle: nothing happens

  auto bad = makeBmp(3, 2, 8);
  bad[0] = 'X';
  EXPECT_EQ(dib_FromBytes(bad, &why), nullptr);
  // Truncated at every length: never a picture, never a crash.
  auto good = makeBmp(5, 4, 24);
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_EQ(dib_FromBytes(cut), nullptr) << n;
  }
  // A size that claims more than the file holds.
  auto huge = makeBmp(2, 2, 24);
  huge[18] = 0xFF;
  huge[19] = 0xFF;
  EXPECT_EQ(dib_FromBytes(huge, &why), nullptr);
  EXPECT_EQ(dib_LoadFile("/nonexistent/x.bmp"), nullptr);
}

TEST(Dib, DrawScalesWithTheZoomAndRecolours) {
  gdi_ResetAll();
  RecordingDevice dev;
  struct W : DrawWindow {
    Device* d;
    Device* beginPaint() override { return d; }
    void endPaint() override {}
    Device* getDc() override { return d; }
    void releaseDc() override {}
  } win;
  win.d = &dev;
  gdi_SetCurrent(&dev, &win);
  DibHandle p = dib_FromBytes(makeBmp(4, 4, 8));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(drw_DrawDib(p, 10, 10, 4, 4), 1);
  EXPECT_EQ(dev.calls.back(), "bitmap 10,10,14,14 src 4x4 rop cc0020 first ff00");
  float z = 2.0f;
  gdi_SetZoom(&z);
  drw_DrawDib(p, 10, 10, 4, 4);
  EXPECT_EQ(dev.calls.back(), "bitmap 20,20,28,28 src 4x4 rop cc0020 first ff00");
  drw_DrawDibRecolored(p, 0, 0, 4, 4, Rgb{0, 255, 0}, Rgb{0, 0, 255});
  EXPECT_EQ(dev.calls.back(), "bitmap 0,0,8,8 src 4x4 rop cc0020 first ff");
  Rgb key{255, 0, 0};
  drw_DrawDibC(p, 0, 0, 4, 4, key);
  EXPECT_NE(dev.calls.back().find("transparent 255,0,0"), std::string::npos);
  // A 24-bit picture is drawn too.
  DibHandle rgb = dib_FromBytes(makeBmp(2, 2, 24));
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(drw_DrawDib(rgb, 0, 0, 2, 2), 1);
  EXPECT_EQ(drw_DrawDib(nullptr, 0, 0, 2, 2), 0);
  gdi_SetCurrent(nullptr, nullptr);
  EXPECT_EQ(drw_DrawDib(p, 0, 0, 2, 2), 0);
  dib_Free(&p);
  dib_Free(&rgb);
  gdi_ResetAll();
}

// A BMP file from its parts: the core (12-byte) or information header, a
// colour table of `table` entries, and rows given bottom-up as stored.
struct BmpSpec {
  bool core = false;
  int width = 1, height = 1;  // a negative height: rows stored top-down
  int bits = 1;
  std::uint32_t used = 0;     // the stored colour count
  std::vector<std::uint32_t> table;  // 0xRRGGBB
  std::vector<std::vector<std::uint8_t>> rows;  // padded to 4 bytes here
};
std::vector<std::uint8_t> buildBmp(const BmpSpec& s) {
  std::vector<std::uint8_t> b{'B', 'M'};
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  if (s.core) {
    put32(b, 12);
    put16(b, static_cast<std::uint16_t>(s.width));
    put16(b, static_cast<std::uint16_t>(s.height));
    put16(b, 1);
    put16(b, static_cast<std::uint16_t>(s.bits));
  } else {
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(s.width));
    put32(b, static_cast<std::uint32_t>(s.height));
    put16(b, 1);
    put16(b, static_cast<std::uint16_t>(s.bits));
    for (int i = 0; i < 4; ++i) put32(b, 0);
    put32(b, s.used);
    put32(b, 0);
  }
  for (std::uint32_t c : s.table) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
    b.push_back(static_cast<std::uint8_t>(c >> 16));
    if (!s.core) b.push_back(0);
  }
  for (auto row : s.rows) {
    row.resize((row.size() + 3) / 4 * 4, 0);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// Each case: the file and the pixels expected, rows top-down.
TEST(Dib, DecodesEveryStoredForm) {
  const std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
  struct Case {
    const char* name;
    BmpSpec spec;
    std::vector<std::uint32_t> want;
  };
  const std::vector<Case> cases = {
      {"core header, 1 bit", {true, 3, 2, 1, 0, {R, G}, {{0b01000000}, {0b10100000}}}, {G, R, G, R, G, R}},
      {"4 bit", {false, 3, 1, 4, 0, std::vector<std::uint32_t>(16, W), {{0x00, 0xF0}}}, {W, W, W}},
      {"4 bit, two colours used", {false, 3, 1, 4, 2, {R, B}, {{0x10, 0x00}}}, {B, R, R}},
      {"top-down rows", {false, 2, -2, 1, 2, {R, G}, {{0b10000000}, {0b01000000}}}, {G, R, R, G}},
      // More table entries than one bit indexes: the bits follow all of them.
      {"1 bit, four colours stored", {false, 2, 1, 1, 4, {R, G, B, W}, {{0b01000000}}}, {R, G}},
  };
  for (const Case& c : cases) {
    std::string why;
    DibHandle p = dib_FromBytes(buildBmp(c.spec), &why);
    ASSERT_NE(p, nullptr) << c.name << ": " << why;
    EXPECT_EQ(dib_Pixels(p), c.want) << c.name;
    dib_Free(&p);
  }
}

// A picture much larger than its target is decoded only as large as the
// target needs (and never above the cap); the decode is kept between draws.
TEST(Dib, DecodesNoMoreThanTheTargetShows) {
  BmpSpec s{false, 4000, 4000, 1, 2, {0xFF0000, 0x00FF00}, {}};
  s.rows.assign(4000, std::vector<std::uint8_t>(500, 0xAA));
  DibHandle p = dib_FromBytes(buildBmp(s));
  ASSERT_NE(p, nullptr);
  RecordingDevice dev;
  EXPECT_EQ(dib_Draw(&dev, p, 0, 0, 100, 50), 1);
  EXPECT_EQ(dev.calls.back().substr(0, 30), "bitmap 0,0,100,50 src 100x50 r");
  // At a huge target the decode stops at the cap.
  dib_Draw(&dev, p, 0, 0, 40000, 40000);
  EXPECT_LE(static_cast<long long>(p->decodedW) * p->decodedH, kDibDecodeCap);
  EXPECT_EQ(p->decodedW, p->decodedH);
  const auto* kept = p->decoded.data();
  dib_Draw(&dev, p, 0, 0, 200, 200);
  EXPECT_EQ(p->decoded.data(), kept);
  dib_Free(&p);
}

TEST(Dib, CachedPicturesReloadWhenTheFileChanges) {
  const auto dir = std::filesystem::temp_directory_path() / ("dibcache" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "P.BMP").string();
  auto write = [&](const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  };
  write(makeBmp(3, 2, 8));
  DibHandle a = dib_Cached(path);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(dib_Cached(path), a);
  write(makeBmp(5, 2, 24));
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
  DibHandle b = dib_Cached(path);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->width, 5);
  EXPECT_EQ(dib_Cached((dir / "NONE.BMP").string()), nullptr);
  dib_ClearCache();
  std::filesystem::remove_all(dir);
}

// The palette slot: filled and emptied; the module's start and end empty it;
// a draw on a true-colour device gives the same pixels with or without it.
TEST(Dib, PaletteSlotFillsAndEmpties) {
  gdi_ResetAll();
  EXPECT_EQ(drw_InitDibModule(), 1);
  EXPECT_EQ(dib_Instance(), nullptr);
  RecordingDevice dev;
  DibHandle p = dib_FromBytes(makeBmp(4, 4, 8));
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(dib_Draw(&dev, p, 0, 0, 4, 4), 1);
  const std::string without = dev.calls.back();
  dib_SetInstance(DibPalette{{Rgb{1, 2, 3}, Rgb{4, 5, 6}}});
  ASSERT_NE(dib_Instance(), nullptr);
  EXPECT_EQ(dib_Instance()->colors.size(), 2u);
  ASSERT_EQ(dib_Draw(&dev, p, 0, 0, 4, 4), 1);
  EXPECT_EQ(dev.calls.back(), without);
  dib_ClearInstance();
  EXPECT_EQ(dib_Instance(), nullptr);
  dib_SetInstance(DibPalette{});
  drw_ExitDibModule();
  EXPECT_EQ(dib_Instance(), nullptr);
  dib_Free(&p);
}

} // namespace
} // namespace disp
