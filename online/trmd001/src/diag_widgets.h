#pragma once
// The display elements of the diagnosis window, drawn by themselves.
#include <QCheckBox>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace trmd {

// An input lamp: lit while its state is nonzero.
class Lamp : public QWidget {
public:
  explicit Lamp(QWidget* parent);
  void setState(int s) { state_ = s; update(); }
  int state() const { return state_; }
  QSize sizeHint() const override { return {22, 22}; }
protected:
  void paintEvent(QPaintEvent*) override;
private:
  int state_ = 0;
};

// A three-position rotary switch: -1 ccw, 0 off, 1 cw. A click in the left,
// middle or right third turns it there.
class Rotary : public QWidget {
public:
  explicit Rotary(QWidget* parent);
  void setPosition(int p) { pos_ = p < 0 ? -1 : (p > 0 ? 1 : 0); update(); }
  int position() const { return pos_; }
  QSize sizeHint() const override { return {90, 70}; }
protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
private:
  int pos_ = 0;
};

// A pointer instrument for 0..1000 with its label and value.
class Instrument : public QWidget {
public:
  Instrument(const QString& label, QWidget* parent);
  void setValue(float v) { value_ = v; update(); }
  float value() const { return value_; }
  QSize sizeHint() const override { return {160, 110}; }
protected:
  void paintEvent(QPaintEvent*) override;
private:
  QString label_;
  float value_ = 0;
};

// A line of text on a coloured ground.
class TextDisplay : public QLabel {
public:
  explicit TextDisplay(QWidget* parent);
  void setColours(std::uint32_t ground, std::uint32_t text);
  std::uint32_t textColour() const { return text_; }
private:
  std::uint32_t text_ = 0;
};

class SevenSegment : public QLCDNumber {
public:
  explicit SevenSegment(QWidget* parent) : QLCDNumber(6, parent) {
    setSegmentStyle(QLCDNumber::Flat);
    setMinimumHeight(44);
  }
};

// A motor output: 1 cw, 255 ccw, 0 off.
class OutputDisplay : public QLabel {
public:
  explicit OutputDisplay(QWidget* parent);
  void setState(int s);
  int state() const { return state_; }
private:
  int state_ = -1;
};

// A latching key: on while pressed in.
class Key : public QPushButton {
public:
  Key(const QString& label, QWidget* parent) : QPushButton(label, parent) { setCheckable(true); }
  int state() const { return isChecked() ? 1 : 0; }
  void setState(int s) { setChecked(s != 0); }
};

} // namespace trmd
