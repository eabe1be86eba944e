#include "display/qt_device.h"

#include <QFontMetrics>
#include <QPolygon>
#include <algorithm>
#include <cmath>
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
QtDevice::~QtDevice() {
  if (painter_->isActive()) painter_->end();
}

void QtDevice::applyState() {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setPen(pen_);
  painter_->setBrush(brush_);
  painter_->setFont(font_);
  painter_->setBackground(QBrush(Qt::white));
  painter_->setBackgroundMode(opaque_ ? Qt::OpaqueMode : Qt::TransparentMode);
}

void QtDevice::setPen(const PenSpec& p) {
  if (p == penSpec_) return;
  penSpec_ = p;
  pen_ = QPen(qc(p.color));
  pen_.setStyle(qstyle(p.style));
  pen_.setWidth(p.width <= 1 ? 0 : p.width);  // width 0: one device pixel
  pen_.setCosmetic(true);
  pen_.setCapStyle(Qt::FlatCap);
  pen_.setJoinStyle(Qt::MiterJoin);
  painter_->setPen(pen_);
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
  FontEntry e{f, font, QFontMetrics(font).ascent(), {}};
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

void QtDevice::setTextColor(Rgb c) { textColor_ = qc(c); }

void QtDevice::setOpaqueText(bool o) {
  opaque_ = o;
  painter_->setBackgroundMode(o ? Qt::OpaqueMode : Qt::TransparentMode);
}

void QtDevice::polyline(const P32* pts, int n) {
  if (n <= 0) return;
  if (n == 1) {
    painter_->drawPoint(pts[0].x, pts[0].y);
    return;
  }
  if (n == 2 && pen_.width() <= 1) {
    // A single segment without its last pixel.
    QPoint a(pts[0].x, pts[0].y), b(pts[1].x, pts[1].y);
    if (a.y() == b.y() && a.x() != b.x()) b.rx() += b.x() > a.x() ? -1 : 1;
    else if (a.x() == b.x() && a.y() != b.y()) b.ry() += b.y() > a.y() ? -1 : 1;
    painter_->drawLine(a, b);
    return;
  }
  QPolygon poly;
  for (int i = 0; i < n; ++i) poly << QPoint(pts[i].x, pts[i].y);
  // The last pixel of a line is not drawn: pull the end of a thin, axis-parallel
  // last segment back by one pixel.
  if (pen_.width() <= 1) {
    QPoint& last = poly[n - 1];
    const QPoint& prev = poly[n - 2];
    if (last.y() == prev.y() && last.x() != prev.x()) last.rx() += last.x() > prev.x() ? -1 : 1;
    else if (last.x() == prev.x() && last.y() != prev.y()) last.ry() += last.y() > prev.y() ? -1 : 1;
  }
  painter_->drawPolyline(poly);
}

void QtDevice::polygon(const P32* pts, int n) {
  if (n <= 0) return;
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
  painter_->drawRect(QRect(l, t, r - l - 1, b - t - 1));
}

void QtDevice::fillRect(int l, int t, int r, int b) {
  if (r <= l || b <= t) return;
  painter_->fillRect(QRect(l, t, r - l, b - t), brush_);
}

void QtDevice::ellipse(int l, int t, int r, int b) {
  painter_->drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

void QtDevice::arc(int l, int t, int r, int b, P32 s, P32 e) {
  int start, span;
  spans(l, t, r, b, s, e, start, span);
  painter_->drawArc(QRect(l, t, r - l - 1, b - t - 1), start, span);
}

void QtDevice::pie(int l, int t, int r, int b, P32 s, P32 e) {
  int start, span;
  spans(l, t, r, b, s, e, start, span);
  painter_->drawPie(QRect(l, t, r - l - 1, b - t - 1), start, span);
}

void QtDevice::roundRect(int l, int t, int r, int b, int ew, int eh) {
  painter_->drawRoundedRect(QRect(l, t, r - l - 1, b - t - 1), ew / 2.0, eh / 2.0);
}

void QtDevice::textOut(int x, int y, const std::string& text) {
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

int QtDevice::textWidth(const std::string& text) {
  if (!current_) return QFontMetrics(font_).horizontalAdvance(QString::fromStdString(text));
  auto it = current_->widths.find(text);
  if (it != current_->widths.end()) return it->second;
  const int w = QFontMetrics(current_->font).horizontalAdvance(QString::fromStdString(text));
  if (current_->widths.size() < 4096) current_->widths.emplace(text, w);
  return w;
}

void QtDevice::setPixel(int x, int y, Rgb c) {
  QPen keep = painter_->pen();
  painter_->setPen(qc(c));
  painter_->drawPoint(x, y);
  painter_->setPen(keep);
}

void QtDevice::floodFill(int x, int y, Rgb border) {
  if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) return;
  painter_->end();
  const QRgb stop = qRgb(border.r, border.g, border.b);
  const QRgb fill = brush_.color().rgb();
  const int w = image_->width(), h = image_->height();
  if ((image_->pixel(x, y) & 0xFFFFFF) != (stop & 0xFFFFFF)) {
    std::vector<bool> seen(static_cast<std::size_t>(w) * h, false);
    std::vector<QPoint> todo{QPoint(x, y)};
    while (!todo.empty()) {
      QPoint p = todo.back();
      todo.pop_back();
      if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) continue;
      auto idx = static_cast<std::size_t>(p.y()) * w + p.x();
      if (seen[idx]) continue;
      seen[idx] = true;
      if ((image_->pixel(p) & 0xFFFFFF) == (stop & 0xFFFFFF)) continue;
      image_->setPixel(p, fill);
      todo.emplace_back(p.x() + 1, p.y());
      todo.emplace_back(p.x() - 1, p.y());
      todo.emplace_back(p.x(), p.y() + 1);
      todo.emplace_back(p.x(), p.y() - 1);
    }
  }
  painter_->begin(image_);
  applyState();
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
  if (on)
    painter_->setClipRect(QRect(l, t, r - l, b - t));
  else
    painter_->setClipping(false);
}

bool QtDevice::readPixels(int x, int y, int w, int h, std::vector<std::uint32_t>& out) {
  if (!image_ || w < 0 || h < 0) return false;
  out.assign(static_cast<std::size_t>(w) * h, 0xFFFFFFu);
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      int px = x + col, py = y + row;
      if (px >= 0 && py >= 0 && px < image_->width() && py < image_->height())
        out[static_cast<std::size_t>(row) * w + col] = image_->pixel(px, py) & 0xFFFFFFu;
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
