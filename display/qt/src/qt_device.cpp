#include "display/qt_device.h"

#include <QFontMetrics>
#include <QLine>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace disp {

namespace {

QColor qc(Rgb c) { return QColor(c.r, c.g, c.b); }

Qt::PenStyle qstyle(PenStyle s) {
  switch (s) {
    case PenStyle::Solid: return Qt::SolidLine;
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Null: return Qt::NoPen;
  }
  return Qt::SolidLine;
}

// The angle, in 1/16 degree counterclockwise from the positive x axis (y
// growing downward on the screen), at which the ellipse of half-axes rx, ry
// meets the ray from the centre through a point. Qt measures ellipse angles
// on the ellipse's parameter, so the ray's direction is taken through the
// axes first: tan(t) = tan(ray) * rx / ry.
int angle16(double cx, double cy, double rx, double ry, P32 p) {
  const double dx = p.x - cx, dy = -(p.y - cy);
  double a = (rx > 0 && ry > 0 ? std::atan2(dy * rx, dx * ry) : std::atan2(dy, dx)) * 180.0 / M_PI;
  if (a < 0) a += 360.0;
  return static_cast<int>(std::lround(a * 16.0));
}

void spans(int l, int t, int r, int b, P32 s, P32 e, int& start, int& span) {
  const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  start = angle16(cx, cy, rx, ry, s);
  int end = angle16(cx, cy, rx, ry, e);
  span = end - start;
  if (span <= 0) span += 360 * 16;
}

} // namespace

QtDevice::QtDevice(QImage* image) : image_(image), painter_(std::make_unique<QPainter>(image)) { applyState(); }
QtDevice::QtDevice(QPaintDevice* device) : painter_(std::make_unique<QPainter>(device)) { applyState(); }
QtDevice::QtDevice(int w, int h)
    : owned_(std::make_unique<QImage>(std::max(1, w), std::max(1, h), QImage::Format_RGB32)), image_(owned_.get()) {
  owned_->fill(Qt::white);
  painter_ = std::make_unique<QPainter>(image_);
  applyState();
}
QtDevice::~QtDevice() {
  if (painter_->isActive()) painter_->end();
}

void QtDevice::applyState() {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setPen(pen_);
  textPenOn_ = false;
  painter_->setBrush(brush_);
  painter_->setFont(font_);
  painter_->setBackground(QBrush(Qt::white));
  painter_->setBackgroundMode(opaque_ ? Qt::OpaqueMode : Qt::TransparentMode);
  if (clipOn_) painter_->setClipRect(clip_);
}

void QtDevice::setPen(const PenSpec& p) {
  if (p == penSpec_) return;
  penSpec_ = p;
  for (const auto& [spec, pen] : pens_)
    if (spec == p) {
      pen_ = pen;
      painter_->setPen(pen_);
      textPenOn_ = false;
      return;
    }
  pen_ = QPen(qc(p.color));
  pen_.setStyle(qstyle(p.style));
  pen_.setWidth(p.width <= 1 ? 0 : p.width);  // width 0: one device pixel
  pen_.setCosmetic(true);
  pen_.setCapStyle(Qt::FlatCap);
  pen_.setJoinStyle(Qt::MiterJoin);
  if (pens_.size() < 256) pens_.emplace_back(p, pen_);
  painter_->setPen(pen_);
  textPenOn_ = false;
}

void QtDevice::setBrush(Rgb c) {
  if (haveBrush_ && c == brushRgb_) return;
  haveBrush_ = true;
  brushRgb_ = c;
  brush_ = QBrush(qc(c));
  painter_->setBrush(brush_);
}

// The font's height is its cell (ascent + descent), as the drawing layer's
// heights are meant: the pixel size is the largest whose cell fits it.
QtDevice::FontEntry QtDevice::makeFont(const FontSpec& f) {
  const int cell = std::max(1, f.height);
  QFont font(QString::fromStdString(f.face));
  font.setStyleHint(QFont::SansSerif);
  if (f.weight >= 600) font.setBold(true);
  auto cellOf = [&](int px) {
    font.setPixelSize(px);
    const QFontMetrics m(font);
    return m.ascent() + m.descent();
  };
  int px = std::max(1, cell * 7 / 8);
  while (px > 1 && cellOf(px) > cell) --px;
  while (cellOf(px + 1) <= cell) ++px;
  font.setPixelSize(px);
  const QFontMetrics m(font);
  FontEntry e{f, font, m.ascent(), m.ascent() + m.descent(), {}, {}};
  return e;
}

void QtDevice::setFont(const FontSpec& f) {
  if (current_ && current_->spec == f) return;
  current_ = nullptr;
  for (auto& e : fonts_)
    if (e->spec == f) current_ = e.get();
  if (!current_) {
    fonts_.push_back(std::make_unique<FontEntry>(makeFont(f)));
    current_ = fonts_.back().get();
  }
  haveFont_ = true;
  fontSpec_ = f;
  font_ = current_->font;
  rotation_ = f.escapement;
  painter_->setFont(font_);
  ascent_ = current_->ascent;
}

void QtDevice::setTextColor(Rgb c) {
  if (qc(c) == textColor_) return;
  textColor_ = qc(c);
  textPen_ = QPen(textColor_);
  if (textPenOn_) painter_->setPen(textPen_);
}

void QtDevice::setOpaqueText(bool o) {
  opaque_ = o;
  painter_->setBackgroundMode(o ? Qt::OpaqueMode : Qt::TransparentMode);
}

// Qt's thin lines with flat caps leave out the pixel at the bottom or right
// end of a segment, whichever way it runs. The device convention leaves out
// the end point: a segment running up or left is drawn shifted one pixel
// toward its start, so that its start is drawn and its end left out.
void QtDevice::polyline(const P32* pts, int n) {
  if (n <= 0) return;
  linePen();
  if (n == 1) {
    painter_->drawPoint(pts[0].x, pts[0].y);
    return;
  }
  if (pen_.width() > 1) {
    QPolygon poly(n);
    for (int i = 0; i < n; ++i) poly[i] = QPoint(pts[i].x, pts[i].y);
    painter_->drawPolyline(poly);
    return;
  }
  auto segment = [](P32 a, P32 b) {
    if (a.x == b.x && b.y < a.y) return QLine(b.x, b.y + 1, a.x, a.y + 1);
    if (a.y == b.y && b.x < a.x) return QLine(b.x + 1, b.y, a.x + 1, a.y);
    return QLine(a.x, a.y, b.x, b.y);
  };
  // Thin solid axis-parallel segments are written straight into the image:
  // the pixels Qt would set (its start up to, not including, its end), without
  // the cost of its line stroker.
  const bool direct = pen_.style() == Qt::SolidLine && writesBits();
  QRect area;
  QRgb v = 0;
  if (direct) {
    area = clipOn_ ? image_->rect().intersected(clip_) : image_->rect();
    v = 0xFF000000u | pen_.color().rgb();
  }
  auto span = [&](const QLine& s) {
    if (!direct || (s.y1() != s.y2() && s.x1() != s.x2())) return false;
    uchar* bits = image_->bits();
    const qsizetype stride = image_->bytesPerLine();
    if (s.y1() == s.y2()) {
      const int y = s.y1(), a = std::max(s.x1(), area.left()), e = std::min(s.x2() - 1, area.right());
      if (y < area.top() || y > area.bottom() || a > e) return true;
      std::fill_n(reinterpret_cast<QRgb*>(bits + y * stride) + a, e - a + 1, v);
    } else {
      const int x = s.x1(), a = std::max(s.y1(), area.top()), e = std::min(s.y2() - 1, area.bottom());
      if (x < area.left() || x > area.right()) return true;
      for (int y = a; y <= e; ++y) reinterpret_cast<QRgb*>(bits + y * stride)[x] = v;
    }
    return true;
  };
  if (n == 2) {
    if (pts[0] != pts[1]) {
      const QLine s = segment(pts[0], pts[1]);
      if (!span(s)) painter_->drawLine(s);
    }
    return;
  }
  // Qt's stroker carries pixels over from one line of a call to the next, so
  // a line with a slanted segment is left to it whole.
  bool straight = direct;
  for (int i = 0; straight && i + 1 < n; ++i) straight = pts[i].x == pts[i + 1].x || pts[i].y == pts[i + 1].y;
  if (straight) {
    for (int i = 0; i + 1 < n; ++i)
      if (pts[i] != pts[i + 1]) span(segment(pts[i], pts[i + 1]));
    return;
  }
  std::vector<QLine> lines;
  lines.reserve(static_cast<std::size_t>(n) - 1);
  for (int i = 0; i + 1 < n; ++i)
    if (pts[i] != pts[i + 1]) lines.push_back(segment(pts[i], pts[i + 1]));
  painter_->drawLines(lines.data(), static_cast<int>(lines.size()));
}

void QtDevice::polygon(const P32* pts, int n) {
  if (n <= 0) return;
  linePen();
  // An axis-parallel rectangle (closed or not) takes the fast rectangle path.
  if (n == 4 || (n == 5 && pts[4] == pts[0])) {
    const bool rect = pts[0].y == pts[1].y && pts[1].x == pts[2].x && pts[2].y == pts[3].y && pts[3].x == pts[0].x;
    if (rect) {
      int l = std::min(pts[0].x, pts[2].x), r = std::max(pts[0].x, pts[2].x);
      int t = std::min(pts[0].y, pts[2].y), b = std::max(pts[0].y, pts[2].y);
      painter_->drawRect(QRect(l, t, r - l, b - t));
      return;
    }
  }
  QPolygon poly;
  for (int i = 0; i < n; ++i) poly << QPoint(pts[i].x, pts[i].y);
  painter_->drawPolygon(poly);
}

void QtDevice::rectangle(int l, int t, int r, int b) {
  if (r - l < 1 || b - t < 1) return;
  linePen();
  painter_->drawRect(QRect(l, t, r - l - 1, b - t - 1));
}

void QtDevice::fillRect(int l, int t, int r, int b) {
  if (r <= l || b <= t) return;
  painter_->fillRect(QRect(l, t, r - l, b - t), brush_);
}

void QtDevice::ellipse(int l, int t, int r, int b) {
  linePen();
  painter_->drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

void QtDevice::arc(int l, int t, int r, int b, P32 s, P32 e) {
  int start, span;
  spans(l, t, r, b, s, e, start, span);
  linePen();
  painter_->drawArc(QRect(l, t, r - l - 1, b - t - 1), start, span);
}

void QtDevice::pie(int l, int t, int r, int b, P32 s, P32 e) {
  int start, span;
  spans(l, t, r, b, s, e, start, span);
  linePen();
  painter_->drawPie(QRect(l, t, r - l - 1, b - t - 1), start, span);
}

void QtDevice::roundRect(int l, int t, int r, int b, int ew, int eh) {
  linePen();
  painter_->drawRoundedRect(QRect(l, t, r - l - 1, b - t - 1), ew / 2.0, eh / 2.0);
}

void QtDevice::textOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  if (current_ && rotation_ == 0) {
    // Laid out once per font and text; the opaque background is the text's cell.
    Prepared& p = prepared(text);
    if (opaque_ && blitCell(x, y, p)) return;
    if (opaque_) painter_->fillRect(QRect(x, y, p.width, current_->height), painter_->background());
    if (!textPenOn_) {
      painter_->setPen(textPen_);
      textPenOn_ = true;
    }
    painter_->drawStaticText(x, y, p.text);
    return;
  }
  QPen keep = painter_->pen();
  painter_->setPen(textColor_);
  QString s = QString::fromStdString(text);
  if (!haveFont_) ascent_ = QFontMetrics(font_).ascent();
  if (rotation_ != 0) {
    painter_->save();
    painter_->translate(x, y);
    painter_->rotate(-rotation_ / 10.0);
    painter_->drawText(0, ascent_, s);
    painter_->restore();
  } else {
    painter_->drawText(x, y + ascent_, s);
  }
  painter_->setPen(keep);
}

QtDevice::Prepared& QtDevice::prepared(const std::string& text) {
  auto it = current_->texts.find(text);
  if (it != current_->texts.end()) return it->second;
  if (current_->texts.size() >= 4096) current_->texts.clear();
  Prepared p;
  p.text = QStaticText(QString::fromStdString(text));
  p.text.setTextFormat(Qt::PlainText);
  p.text.prepare(QTransform(), current_->font);
  p.width = textWidth(text);
  return current_->texts.emplace(text, std::move(p)).first->second;
}

// Whether pixels may be written straight into the image's bits: only while
// the image shares them with no copy (writing would detach it from the
// painter) and nothing but plain drawing is set.
bool QtDevice::writesBits() const {
  return image_ && image_->isDetached() && image_->format() == QImage::Format_RGB32 &&
         painter_->compositionMode() == QPainter::CompositionMode_SourceOver;
}

// Opaque text as a copy of its cell drawn once: the same pixels the painter
// would draw (a white cell, the glyphs over it), at a fraction of the cost.
// False when the text cannot be drawn so; the caller draws it.
bool QtDevice::blitCell(int x, int y, Prepared& p) {
  if (!writesBits() || painter_->background().color() != QColor(Qt::white)) return false;
  const QRgb color = textColor_.rgb();
  if (!p.cellTried || p.cellColor != color) {
    p.cellTried = true;
    p.cellColor = color;
    p.cellFits = false;
    p.cell = QImage();
    const int w = p.width, h = current_->height;
    if (w <= 0 || h <= 0 || w > 1024 || h > 256) return false;
    auto draw = [&](QImage& on, int at) {
      QPainter q(&on);
      q.setRenderHint(QPainter::Antialiasing, false);
      q.setFont(current_->font);
      q.setPen(textPen_);
      q.drawStaticText(at, at, p.text);
    };
    // Where the glyphs reach, drawn on a transparent image with a margin.
    const int m = h;
    QImage reach(w + 2 * m, h + 2 * m, QImage::Format_ARGB32_Premultiplied);
    reach.fill(Qt::transparent);
    draw(reach, m);
    for (int py = 0; py < reach.height(); ++py) {
      const auto* line = reinterpret_cast<const QRgb*>(reach.constScanLine(py));
      const bool inside = py >= m && py < m + h;
      for (int px = 0; px < reach.width(); ++px)
        if (qAlpha(line[px]) != 0 && !(inside && px >= m && px < m + w)) return false;
    }
    QImage cell(w, h, QImage::Format_RGB32);
    cell.fill(Qt::white);
    draw(cell, 0);
    p.cell = std::move(cell);
    p.cellFits = true;
  }
  if (!p.cellFits) return false;
  QRect area = image_->rect();
  if (clipOn_) area = area.intersected(clip_);
  const QRect dst = QRect(x, y, p.cell.width(), p.cell.height()).intersected(area);
  if (dst.isEmpty()) return true;
  uchar* bits = image_->bits();
  const qsizetype stride = image_->bytesPerLine();
  const std::size_t bytes = static_cast<std::size_t>(dst.width()) * sizeof(QRgb);
  for (int py = dst.top(); py <= dst.bottom(); ++py)
    std::memcpy(reinterpret_cast<QRgb*>(bits + py * stride) + dst.left(),
                reinterpret_cast<const QRgb*>(p.cell.constScanLine(py - y)) + (dst.left() - x), bytes);
  return true;
}

int QtDevice::textWidth(const std::string& text) {
  if (!current_) return QFontMetrics(font_).horizontalAdvance(QString::fromStdString(text));
  auto it = current_->widths.find(text);
  if (it != current_->widths.end()) return it->second;
  const int w = QFontMetrics(current_->font).horizontalAdvance(QString::fromStdString(text));
  if (current_->widths.size() < 4096) current_->widths.emplace(text, w);
  return w;
}

void QtDevice::setPixels(const P32* pts, int n, Rgb c) {
  if (n <= 0) return;
  if (writesBits()) {
    // Written straight into the image's bits, inside the clip.
    const QRect area = clipOn_ ? image_->rect().intersected(clip_) : image_->rect();
    const QRgb v = qRgb(c.r, c.g, c.b);
    const int l = area.left(), r = area.right(), t = area.top(), b = area.bottom();
    uchar* bits = image_->bits();
    const qsizetype stride = image_->bytesPerLine();
    for (int i = 0; i < n; ++i) {
      const int x = pts[i].x, y = pts[i].y;
      if (x >= l && x <= r && y >= t && y <= b) reinterpret_cast<QRgb*>(bits + y * stride)[x] = v;
    }
    return;
  }
  QPolygon poly(n);
  for (int i = 0; i < n; ++i) poly[i] = QPoint(pts[i].x, pts[i].y);
  painter_->setPen(QPen(qc(c), 0));
  painter_->drawPoints(poly);
  painter_->setPen(pen_);
  textPenOn_ = false;
}

void QtDevice::setPixel(int x, int y, Rgb c) {
  QPen keep = painter_->pen();
  painter_->setPen(qc(c));
  painter_->drawPoint(x, y);
  painter_->setPen(keep);
}

// A scanline fill on the image's bits: each span of the seed's row is
// filled to the border colour, then the rows above and below are searched for
// new seeds. It stays inside the clip rectangle.
void QtDevice::floodFill(int x, int y, Rgb border) {
  if (!image_) return;
  QRect area = image_->rect();
  if (clipOn_) area = area.intersected(clip_);
  if (!area.contains(x, y)) return;
  painter_->end();
  const QRgb stop = qRgb(border.r, border.g, border.b) & 0xFFFFFFu;
  const QRgb fill = 0xFF000000u | (brush_.color().rgb() & 0xFFFFFFu);
  const int l = area.left(), r = area.right(), t = area.top(), b = area.bottom();
  auto row = [&](int py) { return reinterpret_cast<QRgb*>(image_->scanLine(py)); };
  const int aw = r - l + 1;
  std::vector<std::uint8_t> done(static_cast<std::size_t>(aw) * (b - t + 1), 0);
  int rowY = y;
  auto open = [&](const QRgb* line, int px) {
    return (line[px] & 0xFFFFFFu) != stop && !done[static_cast<std::size_t>(rowY - t) * aw + (px - l)];
  };
  {
    std::vector<QPoint> seeds{QPoint(x, y)};
    while (!seeds.empty()) {
      const QPoint s = seeds.back();
      seeds.pop_back();
      QRgb* line = row(s.y());
      rowY = s.y();
      if (!open(line, s.x())) continue;
      int a = s.x(), e = s.x();
      while (a > l && open(line, a - 1)) --a;
      while (e < r && open(line, e + 1)) ++e;
      for (int px = a; px <= e; ++px) {
        line[px] = fill;
        done[static_cast<std::size_t>(rowY - t) * aw + (px - l)] = 1;
      }
      for (int ny : {s.y() - 1, s.y() + 1}) {
        if (ny < t || ny > b) continue;
        const QRgb* next = row(ny);
        rowY = ny;
        bool inSpan = false;
        for (int px = a; px <= e; ++px) {
          const bool o = open(next, px);
          if (o && !inSpan) seeds.emplace_back(px, ny);
          inSpan = o;
        }
      }
    }
  }
  painter_->begin(image_);
  applyState();
  painter_->setFont(font_);
}

void QtDevice::drawPictogram(int x, int y, int id) {
  // Small pictures of our own: a 16 x 16 frame with the pictogram number's
  // count of bars.
  painter_->save();
  painter_->setPen(QPen(Qt::black, 0));
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(x, y, 15, 15);
  for (int i = 0; i <= id; ++i) painter_->drawLine(x + 3 + 2 * i, y + 4, x + 3 + 2 * i, y + 11);
  painter_->restore();
}

void QtDevice::setClip(bool on, int l, int t, int r, int b) {
  clipOn_ = on;
  clip_ = QRect(l, t, r - l, b - t);
  if (on)
    painter_->setClipRect(clip_);
  else
    painter_->setClipping(false);
}

bool QtDevice::readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) {
  if (!image_ || w < 0 || h < 0) return false;
  out.assign(static_cast<std::size_t>(w) * h, 0xFFFFFFu);
  const QRect inside = QRect(x, y, w, h).intersected(image_->rect());
  for (int py = inside.top(); py <= inside.bottom(); ++py) {
    const auto* line = reinterpret_cast<const QRgb*>(image_->constScanLine(py));
    std::uint32_t* dst = out.data() + static_cast<std::size_t>(py - y) * w;
    for (int px = inside.left(); px <= inside.right(); ++px) dst[px - x] = line[px] & 0xFFFFFFu;
  }
  return true;
}

void QtDevice::drawBitmap(int x, int y, int w, int h, int srcW, int srcH, const std::uint32_t* pixels,
                          std::uint32_t rop, const Rgb* transparent) {
  if (!pixels || srcW <= 0 || srcH <= 0 || w <= 0 || h <= 0) return;
  QImage src(srcW, srcH, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const std::uint32_t key = transparent ? (std::uint32_t(transparent->r) << 16 | transparent->g << 8 | transparent->b) : 0;
  for (int row = 0; row < srcH; ++row) {
    auto* line = reinterpret_cast<QRgb*>(src.scanLine(row));
    const std::uint32_t* in = pixels + static_cast<std::size_t>(row) * srcW;
    for (int col = 0; col < srcW; ++col) {
      const std::uint32_t v = in[col] & 0xFFFFFFu;
      line[col] = transparent && v == key ? 0u : 0xFF000000u | v;  // the key colour fully transparent
    }
  }
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  switch (rop) {
    case kSrcAnd: mode = QPainter::RasterOp_SourceAndDestination; break;
    case kSrcPaint: mode = QPainter::RasterOp_SourceOrDestination; break;
    case kSrcInvert: mode = QPainter::RasterOp_SourceXorDestination; break;
    case kNotSrcCopy: mode = QPainter::RasterOp_NotSource; break;
    default: break;
  }
  const QPainter::CompositionMode keep = painter_->compositionMode();
  painter_->setCompositionMode(mode);
  // Stretched while drawing: only the part inside the device is rasterised,
  // never a scaled copy of the whole picture.
  if (w == srcW && h == srcH)
    painter_->drawImage(x, y, src);
  else
    painter_->drawImage(QRect(x, y, w, h), src);
  painter_->setCompositionMode(keep);
}

} // namespace disp
