// The beep dialog: the pitch as a frequency or a note, the duration, and a
// Test button that sounds the tone.
#include "dialogs.h"

#include "fbdialog.h"
#include "params.h"
#include "texts.h"

#include "dialogkit/format.h"

#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTabBar>

namespace fbd {

namespace {

// A horizontal slider with tick marks at given values (they need not be uniform).
class TickSlider : public QSlider {
public:
  TickSlider(QWidget* parent, int min, int max, std::vector<int> ticks)
      : QSlider(Qt::Horizontal, parent), ticks_(std::move(ticks)) {
    setRange(min, max);
    setTickPosition(QSlider::NoTicks);
    setMinimumWidth(240);
    setMinimumHeight(sizeHint().height() + 6);
  }
protected:
  void paintEvent(QPaintEvent* e) override {
    QSlider::paintEvent(e);
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    int span = groove.width() - handle.width();
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    int y = height() - 1;
    for (int v : ticks_) {
      int x = groove.x() + handle.width() / 2 +
              QStyle::sliderPositionFromValue(minimum(), maximum(), v, span, opt.upsideDown);
      p.drawLine(x, y - 3, x, y);
    }
  }
private:
  std::vector<int> ticks_;
};

class BeepDialog : public FbDialog {
public:
  BeepDialog(QWidget* p, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgBeep, kTypeBeep, nullptr, aux, vector) {
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("c1095");
    tabs_->addTab(q(fbd::text(kFrequencyTab)));
    tabs_->addTab(q(fbd::text(kNoteTab)));
    tabs_->setCurrentIndex(0);
    layout_->addWidget(tabs_);

    auto* grid = new QGridLayout;
    frequencyLabel_ = label(1096);
    frequency_ = new TickSlider(this, kMinFrequency, kMaxFrequency, frequencyTicks());
    frequency_->setObjectName("c1069");
    frequency_->setPageStep(100);
    frequencyValue_ = label(1071);
    grid->addWidget(frequencyLabel_, 0, 0);
    grid->addWidget(frequency_, 0, 1);
    grid->addWidget(frequencyValue_, 0, 2);
    octaveLabel_ = label(1101);
    octave_ = combo(1099);
    for (int o = kFirstOctave; o <= kLastOctave; ++o) octave_->addItem(QString::number(o), o);
    noteLabel_ = label(1102);
    note_ = combo(1100);
    for (int k = 0; k < kNotesPerOctave; ++k) note_->addItem(q(fbd::text(kFirstNote + unsigned(k))), k);
    auto* notes = new QHBoxLayout;
    notes->addWidget(octave_);
    notes->addWidget(noteLabel_);
    notes->addWidget(note_);
    notes->addStretch();
    grid->addWidget(octaveLabel_, 1, 0);
    grid->addLayout(notes, 1, 1, 1, 2);
    grid->addWidget(label(1097), 2, 0);
    duration_ = new TickSlider(this, kMinDuration, kMaxDuration, durationTicks());
    duration_->setObjectName("c1070");
    duration_->setPageStep(10);
    durationValue_ = label(1072);
    grid->addWidget(duration_, 2, 1);
    grid->addWidget(durationValue_, 2, 2);
    int valueWidth = frequencyValue_->fontMetrics().horizontalAdvance(QStringLiteral("00000 Hz")) + 4;
    frequencyValue_->setMinimumWidth(valueWidth);
    durationValue_->setMinimumWidth(valueWidth);
    layout_->addLayout(grid);
    auto* test = addButtons(false);
    connect(test, &QPushButton::clicked, this, [this] { onTest(); });

    octave_->setCurrentIndex(0);
    note_->setCurrentIndex(0);
    duration_->setValue(durationPosition(vector[1]));
    if (aux) fbd_ShowFrequency(true, true, aux[1]);
    showPage();
    tabs_->setFocus();
    // Connected after opening: without aux the value labels keep their first texts until a slider moves.
    connect(frequency_, &QSlider::valueChanged, this, [this] { fbd_RefreshBeepLabels(); });
    connect(duration_, &QSlider::valueChanged, this, [this] { fbd_RefreshBeepLabels(); });
    connect(tabs_, &QTabBar::currentChanged, this, [this] {
      showPage();
      fbd_ShowFrequency(true, true, tabChangeFrequency());
    });
  }
  void onOk() override {
    if (aux_) {
      aux_[0] = 0;
      aux_[1] = std::int16_t(fbd_CurrentFrequency());
    }
    vector_[1] = duration_->value() * 0.01;
    done(1);
  }
private:
  bool frequencyPage() const { return tabs_->currentIndex() == 0; }
  int noteFrequencySelected() const {
    int row = octave_->currentIndex() >= 0 ? octave_->currentData().toInt() : 1;
    int k = note_->currentIndex() >= 0 ? note_->currentData().toInt() : 0;
    return noteFrequency(row, k);
  }
  // For OK and Test: what the current page shows.
  int fbd_CurrentFrequency() const { return frequencyPage() ? frequency_->value() : noteFrequencySelected(); }
  // For a change of tab (the new page already current): what the page left showed.
  int tabChangeFrequency() const { return frequencyPage() ? noteFrequencySelected() : frequency_->value(); }
  void fbd_ShowFrequency(bool slider, bool notes, int f) {
    if (slider) {
      frequency_->setValue(frequencySliderPosition(f));
      fbd_RefreshBeepLabels();
    }
    if (notes) {
      Note n = noteFor(f);
      octave_->setCurrentIndex(octave_->findData(n.octave));
      note_->setCurrentIndex(note_->findData(n.note));
    }
  }
  void fbd_RefreshBeepLabels() {
    frequencyValue_->setText(q(kit::formatChecked(fbd::text(kHertz), {frequency_->value()})));
    durationValue_->setText(q(kit::formatChecked(fbd::text(kSeconds), {duration_->value() * 0.01})));
  }
  void showPage() {
    bool f = frequencyPage();
    for (QWidget* w : {static_cast<QWidget*>(frequencyLabel_), static_cast<QWidget*>(frequency_),
                       static_cast<QWidget*>(frequencyValue_)})
      w->setVisible(f);
    for (QWidget* w : {static_cast<QWidget*>(octaveLabel_), static_cast<QWidget*>(octave_),
                       static_cast<QWidget*>(noteLabel_), static_cast<QWidget*>(note_)})
      w->setVisible(!f);
  }
  void onTest() {
    int f = fbd_CurrentFrequency(), ms = duration_->value() * 10;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    fbd_PlayTone(f, ms);
    QApplication::restoreOverrideCursor();
  }
  QTabBar* tabs_;
  QLabel *frequencyLabel_, *frequencyValue_, *octaveLabel_, *noteLabel_, *durationValue_;
  TickSlider *frequency_, *duration_;
  QComboBox *octave_, *note_;
};

} // namespace

int runBeep(std::int16_t* aux, double* v) {
  return runDialog(v, kDlgBeep, [=](QWidget* p) { return new BeepDialog(p, aux, v); });
}

} // namespace fbd
