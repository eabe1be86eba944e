// Drawing and input of the diagnosis window's display elements.
#include "diag_widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

namespace trmd {

namespace {
QColor rgb(std::uint32_t c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }
} // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent) { setFixedSize(22, 22); }

void Lamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(state_ ? QColor(255, 40, 40) : QColor(90, 20, 20));
  p.drawEllipse(QRectF(2.5, 2.5, width() - 5, height() - 5));
}

Rotary::Rotary(QWidget* parent) : QWidget(parent) { setFixedSize(90, 70); }

void Rotary::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(width() / 2.0, 44);
  const double r = 20;
  p.setPen(Qt::black);
  QFont f = p.font();
  f.setPointSize(7);
  p.setFont(f);
  p.drawText(QRectF(0, 0, 30, 14), Qt::AlignLeft, "ccw");
  p.drawText(QRectF(30, 0, 30, 14), Qt::AlignHCenter, "off");
  p.drawText(QRectF(60, 0, 30, 14), Qt::AlignRight, "cw");
  p.setBrush(QColor(200, 200, 200));
  p.drawEllipse(c, r, r);
  const double angle = qDegreesToRadians(90.0 - 45.0 * pos_);
  QPointF tip(c.x() + r * std::cos(angle), c.y() - r * std::sin(angle));
  p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, tip);
}

void Rotary::mousePressEvent(QMouseEvent* e) {
  const double x = e->position().x();
  setPosition(x < width() / 3.0 ? -1 : (x < 2 * width() / 3.0 ? 0 : 1));
}

Instrument::Instrument(const QString& label, QWidget* parent) : QWidget(parent), label_(label) {
  setFixedSize(160, 110);
}

void Instrument::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
  const QPointF c(width() / 2.0, 86);
  const double r = 64;
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
  for (int i = 0; i <= 10; ++i) {
    double a = qDegreesToRadians(150.0 - 12.0 * i);
    p.drawLine(QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a)),
               QPointF(c.x() + (r - 6) * std::cos(a), c.y() - (r - 6) * std::sin(a)));
  }
  double v = std::clamp<double>(value_, 0, 1000);
  double a = qDegreesToRadians(150.0 - 120.0 * v / 1000.0);
  p.setPen(QPen(Qt::red, 2));
  p.drawLine(c, QPointF(c.x() + (r - 4) * std::cos(a), c.y() - (r - 4) * std::sin(a)));
  p.setPen(Qt::black);
  p.drawText(QRectF(4, 88, width() - 8, 18), Qt::AlignHCenter, label_ + QString::number(double(value_), 'f', 0));
}

TextDisplay::TextDisplay(QWidget* parent) : QLabel(parent) {
  setAutoFillBackground(true);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setMinimumHeight(24);
}

void TextDisplay::setColours(std::uint32_t ground, std::uint32_t text) {
  text_ = text;
  QPalette pal = palette();
  pal.setColor(QPalette::Window, rgb(ground));
  pal.setColor(QPalette::WindowText, rgb(text));
  setPalette(pal);
}

OutputDisplay::OutputDisplay(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setMinimumSize(40, 24);
  setState(0);
}

void OutputDisplay::setState(int s) {
  if (s == state_) return;
  state_ = s;
  setText(s == 1 ? "cw" : (s == 255 ? "ccw" : "off"));
}

} // namespace trmd
