#pragma once
// The common frame of the parameter dialogs: caption, placement at the
// cursor, F1, OK / Cancel / Help buttons, the caller's records and the
// controls several dialogs share.
#include "frame.h"
#include "operand.h"

#include "dialogkit/qtkit.h"
#include "platform/uisink.h"

#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace fbd {

// The parser may write aux while it checks: it works on a copy that reaches
// the caller only when the dialog ends with OK.
constexpr std::size_t kAuxCopy = 5;
using AuxCopy = std::array<std::int16_t, 16>;
inline AuxCopy copyAux(const std::int16_t* aux) {
  AuxCopy a{};
  if (aux) std::memcpy(a.data(), aux, kAuxCopy * sizeof(std::int16_t));
  return a;
}

inline QString q(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }
inline std::string s(const QString& t) { return t.toLocal8Bit().toStdString(); }

// A picture of the library's resources (null when it has none).
inline QImage resourcePicture(unsigned id) {
  std::vector<unsigned char> bytes = resources().bitmap(id);
  QImage img;
  if (!bytes.empty()) img.loadFromData(bytes.data(), int(bytes.size()));
  return img;
}

// A state button's pictogram.
inline void setPictogram(QPushButton* b, unsigned id) {
  QImage img = resourcePicture(id);
  if (img.isNull()) return;
  b->setIcon(QIcon(QPixmap::fromImage(img)));
  b->setIconSize(img.size());
  b->setMinimumHeight(img.height() + 10);
}

// The device or sensor picture (control 1062): a smaller picture centred on
// white, a larger one cut to its top-left part.
class PictureFrame : public QFrame {
public:
  explicit PictureFrame(QWidget* parent) : QFrame(parent) {
    setObjectName("c1062");
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setFixedSize(121, 131);
  }
  void show(unsigned id) {
    image_ = resourcePicture(id);
    update();
  }
  const QImage& image() const { return image_; }
protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    QPainter p(this);
    QRect r = contentsRect();
    p.fillRect(r, Qt::white);
    if (image_.isNull()) return;
    int dx = std::max(0, (r.width() - image_.width()) / 2), dy = std::max(0, (r.height() - image_.height()) / 2);
    p.setClipRect(r);
    p.drawImage(r.x() + dx, r.y() + dy, image_);
  }
private:
  QImage image_;
};

// The common frame: caption, placement at the cursor, F1, OK / Cancel buttons,
// and the caller's text, aux and vector (each may be null but vector).
class FbDialog : public kit::Dialog {
public:
  FbDialog(QWidget* parent, unsigned dialog, unsigned typeName, char* text = nullptr, std::int16_t* aux = nullptr,
           double* vector = nullptr)
      : kit::Dialog(parent), text_(text), aux_(aux), vector_(vector), id_(dialog), type_(typeName) {
    setWindowTitle(q(dialogText(dialog, 0)));
    layout_ = new QVBoxLayout(this);
  }
protected:
  QString ctl(unsigned control) const { return q(dialogText(id_, control)); }
  QLabel* label(unsigned control) {
    auto* l = new QLabel(ctl(control), this);
    l->setObjectName(QStringLiteral("c%1").arg(control));
    return l;
  }
  QLineEdit* edit(unsigned control, int limit) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("c%1").arg(control));
    e->setMaxLength(limit);
    return e;
  }
  QRadioButton* radio(unsigned control, const QString& caption) {
    auto* r = new QRadioButton(caption, this);
    r->setObjectName(QStringLiteral("c%1").arg(control));
    return r;
  }
  // A push-like radio button (one of an exclusive group).
  QPushButton* pushRadio(unsigned control, const QString& caption) {
    auto* b = button(control, caption);
    b->setCheckable(true);
    b->setAutoExclusive(true);
    return b;
  }
  QComboBox* combo(unsigned control) {
    auto* c = new QComboBox(this);
    c->setObjectName(QStringLiteral("c%1").arg(control));
    return c;
  }
  // The input list (control 1077): the input names with their numbers as item data.
  QComboBox* inputCombo() {
    auto* list = combo(1077);
    for (int n : inputList()) list->addItem(q(fbd::text(inputStringId(n))), n);
    return list;
  }
  // The counting direction: label, then the push-like +1 (1083) and -1 (1084)
  // showing their pictograms (plusPictogram and the one after it); a button
  // whose pictogram is missing keeps its text.
  void directionRow(unsigned labelControl, bool minus, unsigned plusPictogram) {
    auto* dir = new QHBoxLayout;
    dir->addWidget(label(labelControl));
    plus_ = pushRadio(1083, QStringLiteral("+1"));
    minus_ = pushRadio(1084, QStringLiteral("-1"));
    setPictogram(plus_, plusPictogram);
    setPictogram(minus_, plusPictogram + 1);
    if (!plus_->icon().isNull()) plus_->setText(QString());
    if (!minus_->icon().isNull()) minus_->setText(QString());
    dir->addWidget(plus_);
    dir->addWidget(minus_);
    layout_->addLayout(dir);
    (minus ? minus_ : plus_)->setChecked(true);
  }
  // The grid of lists with the picture frame to its right.
  PictureFrame* besidePicture(QLayout* grid) {
    auto* picture = new PictureFrame(this);
    auto* top = new QHBoxLayout;
    top->addLayout(grid);
    top->addWidget(picture);
    layout_->addLayout(top);
    return picture;
  }
  QPushButton* button(unsigned control, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("c%1").arg(control));
    b->setAutoDefault(false);
    return b;
  }
  // OK 1, Cancel 2 and button 3: Help, or (help false) a button of the dialog's own.
  QPushButton* addButtons(bool help = true) {
    auto* row = new QHBoxLayout;
    auto* ok = button(1, ctl(1));
    ok->setDefault(true);
    auto* cancel = button(2, ctl(2));
    auto* third = button(3, ctl(3));
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cancel, &QPushButton::clicked, this, &FbDialog::reject);
    if (help) connect(third, &QPushButton::clicked, this, [this] { fbd_ShowBlockHelp(this, type_); });
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(third);
    layout_->addLayout(row);
    return third;
  }
  void accept() override { onOk(); }
  virtual void onOk() = 0;
  void showEvent(QShowEvent* e) override {
    kit::Dialog::showEvent(e);
    if (!placed_) {
      placed_ = true;
      kit::placeAtCursor(this);
    }
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_F1) {
      fbd_ShowBlockHelp(this, type_);
      return;
    }
    kit::Dialog::keyPressEvent(e);
  }
  // The parser's refusal: its text in a box with the dialog's caption; the dialog stays open.
  void showRefusal() {
    char* t = errorText();
    if (!t) return;
    std::string msg = t;
    releaseErrorText(&t);
    plat::ui::messageBox(msg, s(windowTitle()), plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
  }
  // The parser on a copy of aux, which reaches the caller only when the parser
  // accepts; a refusal shows the parser's text and answers false.
  bool parseAccepted(int (*parse)(const char*, std::int16_t*, const double*), const std::string& text) {
    AuxCopy a = copyAux(aux_);
    if (!parse(text.c_str(), a.data(), vector_)) {
      showRefusal();
      return false;
    }
    if (aux_) std::memcpy(aux_, a.data(), kAuxCopy * sizeof(std::int16_t));
    return true;
  }
  // The hint rows of the formula templates.
  void hints(bool example) {
    auto* g = new QGridLayout;
    g->addWidget(label(1001), 0, 0);
    g->addWidget(label(1002), 0, 1);
    g->addWidget(label(1003), 1, 0);
    g->addWidget(label(1004), 1, 1);
    if (example) {
      g->addWidget(label(1005), 2, 0);
      g->addWidget(label(1006), 3, 0, 1, 2);
    }
    layout_->addLayout(g);
  }
  // Operator buttons inserting into field (limit: the field's).
  void operators(QLineEdit* field, const std::vector<std::tuple<unsigned, const char*, const char*>>& ops) {
    auto* row = new QHBoxLayout;
    for (auto& [id, caption, insert] : ops) {
      auto* b = button(id, QString::fromLatin1(caption));
      std::string ins = insert;
      connect(b, &QPushButton::clicked, this, [this, field, ins] { insertOperator(field, ins); });
      row->addWidget(b);
    }
    layout_->addLayout(row);
  }
  void insertOperator(QLineEdit* field, const std::string& ins) {
    std::string text = s(field->text());
    int start = field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
    int end = field->hasSelectedText() ? field->selectionEnd() : start;
    int caret = 0;
    if (insertAtSelection(text, start, end, ins, std::size_t(field->maxLength()), caret)) {
      field->setText(q(text));
      field->setFocus();
      field->setCursorPosition(caret);
    } else {
      simpleBeep();
      field->setFocus();
      field->setSelection(start, end - start);
    }
  }
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QVBoxLayout* layout_;
  QPushButton *plus_ = nullptr, *minus_ = nullptr;
  unsigned id_, type_;
  bool placed_ = false;
};


// The dialog's modal run for the owner in vector[0].
int runDialog(double* vector, unsigned id, const kit::DialogFactory& make);

} // namespace fbd
