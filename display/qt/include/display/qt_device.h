#pragma once
// The drawing device over QPainter: on a QImage (the persistent image of a
// worksheet; flood fill reads its pixels back) or on any other paint device
// (a printer), where flood fill does nothing. No painter transform is used:
// the drawing layer scales coordinates itself and pens stay device pixels.
#include "display/device.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace disp {

class QtDevice : public Device {
public:
  explicit QtDevice(QImage* image);
  explicit QtDevice(QPaintDevice* device);
  // On an image of its own, w x h, white (off-screen bitmaps).
  QtDevice(int w, int h);
  const QImage* image() const { return image_; }
  ~QtDevice() override;

  QPainter& painter() { return *painter_; }

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
  void setPixels(const P32* pts, int n, Rgb color) override;
  void floodFill(int x, int y, Rgb border) override;
  void drawPictogram(int x, int y, int id) override;
  void drawBitmap(int x, int y, int w, int h, int srcW, int srcH, const std::uint32_t* pixels, std::uint32_t rop,
                  const Rgb* transparent) override;
  void setClip(bool on, int l, int t, int r, int b) override;
  bool readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) override;

private:
  // A text laid out once in a font, with its width; for opaque text also its
  // cell as drawn (background and glyphs) in one text colour, copied into the
  // image on later draws. No cell is kept for a text whose glyphs reach out of
  // its cell, since those pixels depend on what lies beneath.
  struct Prepared {
    QStaticText text;
    int width = 0;
    QImage cell;
    QRgb cellColor = 0;
    bool cellTried = false, cellFits = false;
  };
  // A font made once per spec, with its ascent and the widths measured in it.
  struct FontEntry {
    FontSpec spec;
    QFont font;
    int ascent = 0, height = 0;
    std::unordered_map<std::string, int> widths;
    std::unordered_map<std::string, Prepared> texts;
  };
  Prepared& prepared(const std::string& text);
  bool blitCell(int x, int y, Prepared& p);
  bool writesBits() const;
  // The painter's pen is the text colour after a text until a line needs the line pen.
  void linePen() {
    if (textPenOn_) {
      painter_->setPen(pen_);
      textPenOn_ = false;
    }
  }
  bool textPenOn_ = false;
  // Pens made once per spec.
  std::vector<std::pair<PenSpec, QPen>> pens_;
  QPen textPen_{QColor(0, 0, 0)};
  static FontEntry makeFont(const FontSpec& f);
  std::vector<std::unique_ptr<FontEntry>> fonts_;
  FontEntry* current_ = nullptr;
  void applyState();
  std::unique_ptr<QImage> owned_;
  QImage* image_ = nullptr;
  bool clipOn_ = false;
  QRect clip_;
  std::unique_ptr<QPainter> painter_;
  QPen pen_;
  QBrush brush_;
  QFont font_;
  // What is selected now, so that selecting the same again costs nothing.
  PenSpec penSpec_{PenStyle::Null, -1, {}};
  Rgb brushRgb_{};
  bool haveBrush_ = false;
  FontSpec fontSpec_{};
  bool haveFont_ = false;
  int ascent_ = 0;
  int rotation_ = 0;
  QColor textColor_{0, 0, 0};
  bool opaque_ = true;
};

} // namespace disp
