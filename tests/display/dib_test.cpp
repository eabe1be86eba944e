#include "display/dib.h"
#include "display/gdi.h"
#include "display/recording_device.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace disp
