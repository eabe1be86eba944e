// The start selection dialog (129): four choices, help and the
// "Show Quickstart next time" box.
#include "frame.h"
#include "texts.h"

#include "platform/export.h"
#include "stockwin/stockwin.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>

namespace sw {

namespace {

QImage picture(unsigned id) {
  std::vector<unsigned char> bytes = resources().bitmap(id);
  QImage img;
  if (!bytes.empty()) img.loadFromData(bytes.data(), int(bytes.size()));
  return img;
}

// A button drawn by its up, down and focused pictures (its text without them).
class PictureButton : public QPushButton {
public:
  PictureButton(const QString& text, int index, QWidget* parent) : QPushButton(text, parent) {
    for (int s = 0; s < 3; ++s) pictures_[s] = picture(kStartButtonPictures + unsigned(3 * index + s));
    if (!pictures_[0].isNull()) setFixedSize(pictures_[0].size());
  }
protected:
  void paintEvent(QPaintEvent* e) override {
    const QImage& img = pictures_[isDown() ? 1 : hasFocus() ? 2 : 0];
    if (img.isNull()) return QPushButton::paintEvent(e);
    QPainter(this).drawImage(rect(), img);
  }
private:
  QImage pictures_[3];
};

class StartSelectDialog : public SwDialog {
public:
  StartSelectDialog(QWidget* parent, int* flag) : SwDialog(parent, kDlgStartSelect), flag_(flag) {
    setHelp(1);
    auto* grid = new QGridLayout(this);
    struct B { int id; const char* text; int answer; };
    const B kButtons[] = {{1004, "INB", 1}, {1006, "KONFIG", 2}, {1007, "PROG", 3}, {1008, "MAKRO", 4}, {1009, "HELP", 0}};
    int i = 0;
    for (const B& b : kButtons) {
      auto* w = new PictureButton(QString::fromUtf8(b.text), i, this);
      w->setObjectName(QStringLiteral("c%1").arg(b.id));
      w->setAutoDefault(false);
      if (w->minimumWidth() == 0) w->setMinimumSize(140, 64);
      w->installEventFilter(this);
      int answer = b.answer;
      connect(w, &QPushButton::clicked, this, [this, answer] {
        if (answer) done(answer);
        else applicationHelp(1);
      });
      grid->addWidget(w, i / 2, i % 2);
      buttons_[i++] = w;
    }
    box_ = new QCheckBox(q(dialogText(kDlgStartSelect, 1005)), this);
    box_->setObjectName("c1005");
    box_->setChecked(!flag || *flag != 0);
    grid->addWidget(box_, 3, 0, 1, 2);
    grid->setContentsMargins(16, 52, 16, 12);
    background_ = picture(kStartBackground);
    connect(box_, &QCheckBox::toggled, this, [this](bool on) {
      if (flag_) *flag_ = on ? 1 : 0;
    });
  }
  void reject() override { done(0); }
  void accept() override {}

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    // The button under the cursor takes the focus.
    if (e->type() == QEvent::Enter) static_cast<QWidget*>(o)->setFocus();
    return false;
  }
  // The background picture under the buttons.
  void paintEvent(QPaintEvent*) override {
    if (!background_.isNull()) QPainter(this).drawImage(0, 0, background_);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      for (QPushButton* b : buttons_)
        if (focusWidget() == b) b->click();
      return;
    }
    SwDialog::keyPressEvent(e);
  }

private:
  int* flag_;
  QPushButton* buttons_[5] = {};
  QCheckBox* box_;
  QImage background_;
};

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW04_CallStartAuswahlDlg(SwWindow owner, int* showNextTime) {
  return run(owner, kDlgStartSelect, [=](QWidget* parent) { return new StartSelectDialog(parent, showNextTime); });
}
