#pragma once
// Window grabs compared with golden images block by block: every pixel must
// match where both images hold a colour of the drawing layer's palette
// (antialiased glyph edges, whose grey levels depend on the font rasteriser,
// are left out); apart from that no more than a few pixels may differ
// clearly (a text or picture that comes or goes is seen, a glyph edge's grey
// level is not);
// and probes at each block's frame corners and along its frame edges must be
// drawn wherever the golden has them. ZERLO_REGEN_GOLDEN=1
// writes the golden anew instead; look at it before keeping it.
#include "display/gdi.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace golden {

// A block's frame in image pixels (left, top, right, bottom inclusive).
struct Frame {
  std::string name;
  int l, t, r, b;
};

inline bool exactColour(QRgb c) {
  c &= 0xFFFFFFu;
  for (int i = 0; i < disp::kColors; ++i) {
    const disp::Rgb r = disp::gdi_ColorIndexToRgb(i);
    if (c == (std::uint32_t(r.r) << 16 | std::uint32_t(r.g) << 8 | r.b)) return true;
  }
  return false;
}

inline bool drawn(const QImage& img, int x, int y) {
  return x >= 0 && y >= 0 && x < img.width() && y < img.height() && (img.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
}

// Two colours apart by more than a glyph edge's grey level may vary.
inline bool clearlyDiffer(QRgb a, QRgb b) {
  const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
  return d > 96;
}

// The differences that matter between an image and its golden; empty when none.
inline std::vector<std::string> compare(const QImage& image, const QImage& goldenImage, const std::vector<Frame>& frames) {
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  const QImage gold = goldenImage.convertToFormat(QImage::Format_RGB32);
  std::vector<std::string> faults;
  if (img.size() != gold.size()) return {"size differs"};
  long long hard = 0, clear = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb a = img.pixel(x, y) & 0xFFFFFFu, b = gold.pixel(x, y) & 0xFFFFFFu;
      if (a != b && exactColour(a) && exactColour(b)) ++hard;
      if (clearlyDiffer(a, b)) ++clear;
    }
  if (hard > 0) faults.push_back(std::to_string(hard) + " pixels differ");
  constexpr long long kClearTolerance = 8;
  if (clear > kClearTolerance) faults.push_back(std::to_string(clear) + " pixels clearly differ");
  for (const Frame& f : frames) {
    int probes = 0, missing = 0;
    auto probe = [&](int x, int y) {
      if (!drawn(gold, x, y)) return;
      ++probes;
      if (!drawn(img, x, y)) ++missing;
    };
    for (int i = 0; i <= 8; ++i) {
      probe(f.l + (f.r - f.l) * i / 8, f.t);
      probe(f.l + (f.r - f.l) * i / 8, f.b);
      probe(f.l, f.t + (f.b - f.t) * i / 8);
      probe(f.r, f.t + (f.b - f.t) * i / 8);
    }
    if (missing > 0)
      faults.push_back(f.name + ": " + std::to_string(missing) + " of " + std::to_string(probes) +
                       " frame probes missing");
  }
  return faults;
}

// The image against tests/data/<file> (written there with ZERLO_REGEN_GOLDEN).
// Also proves the comparison sharp on this picture: the first frame's top
// edge erased from a copy, or its block blanked out, must fail it.
inline void expectMatches(const QImage& image, const std::string& file, const std::vector<Frame>& frames) {
  const std::string path = std::string(ZERLO_TEST_DATA) + "/" + file;
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  if (std::getenv("ZERLO_REGEN_GOLDEN")) {
    ASSERT_TRUE(img.save(QString::fromStdString(path))) << path;
    return;
  }
  const QImage gold(QString::fromStdString(path));
  ASSERT_FALSE(gold.isNull()) << path;
  for (const std::string& f : compare(img, gold, frames)) ADD_FAILURE() << path << ": " << f;
  ASSERT_FALSE(frames.empty());
  const Frame& first = frames.front();
  QImage erased = img.copy();
  for (int x = first.l; x <= first.r; ++x) erased.setPixel(x, first.t, 0xFFFFFFFFu);
  EXPECT_FALSE(compare(erased, gold, frames).empty()) << path << ": an erased frame edge of " << first.name << " passed";
  QImage blank = img.copy();
  for (int y = first.t; y <= first.b; ++y)
    for (int x = first.l; x <= first.r; ++x) blank.setPixel(x, y, 0xFFFFFFFFu);
  EXPECT_FALSE(compare(blank, gold, frames).empty()) << path << ": a missing " << first.name << " passed";
}

} // namespace golden
