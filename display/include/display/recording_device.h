#pragma once
// A device that records every call as one line of text, for exact tests of
// the drawing code. Text widths come from fixed metrics: each character is
// half the font height wide (at least 1).
#include "display/device.h"

#include <string>
#include <vector>

namespace disp {

class RecordingDevice : public Device {
public:
  std::vector<std::string> calls;

  void clear() { calls.clear(); }
  // The recorded lines that start with the prefix.
  std::vector<std::string> withPrefix(const std::string& prefix) const;

  void setPen(const PenSpec& pen) override;
  void setBrush(Rgb color) override;
  void setFont(const FontSpec& font) override;
  void setTextColor(Rgb color) override;
  void setOpaqueText(bool opaque) override;
  void polyline(const P32* pts, int n) override;
  void polygon(const P32* pts, int n) override;
  void rectangle(int l, int t, int r, int b) override;
  void fillRect(int l, int t, int r, int b) override;
  void ellipse(int l, int t, int r, int b) override;
  void arc(int l, int t, int r, int b, P32 start, P32 end) override;
  void pie(int l, int t, int r, int b, P32 start, P32 end) override;
  void roundRect(int l, int t, int r, int b, int ew, int eh) override;
  void textOut(int x, int y, const std::string& text) override;
  int textWidth(const std::string& text) override;
  void setPixel(int x, int y, Rgb color) override;
  void floodFill(int x, int y, Rgb border) override;
  void drawPictogram(int x, int y, int id) override;
  void drawBitmap(int x, int y, int w, int h, int srcW, int srcH, const std::uint32_t* pixels, std::uint32_t rop,
                  const Rgb* transparent) override;
  void setClip(bool on, int l, int t, int r, int b) override;
  bool readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) override;

private:
  int fontHeight_ = 12;
};

std::string toText(Rgb c);
std::string toText(PenStyle s);

} // namespace disp
