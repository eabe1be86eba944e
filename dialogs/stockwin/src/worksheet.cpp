// The worksheet setup dialog (183).
#include "core.h"
#include "frame.h"
#include "texts.h"

#include "platform/export.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace sw {

namespace {

class WorksheetDialog : public SwDialog {
public:
  WorksheetDialog(QWidget* parent, WorkSheetSetup* p) : SwDialog(parent, kDlgWorksheet), p_(p) {
    setHelp(34);
    WorkSheetSetup in = p ? *p : WorkSheetSetup{0, 1.0f, 0, 300};
    auto* lay = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* format = new QGroupBox(q(dialogText(kDlgWorksheet, kGroupFormat)), this);
    format->setObjectName(QStringLiteral("c%1").arg(kGroupFormat));
    auto* fl = new QGridLayout(format);
    for (int i = 0; i < 6; ++i) {
      auto* b = new QPushButton(QStringLiteral("%1").arg(i + 1), format);
      b->setObjectName(QStringLiteral("c%1").arg(1086 + i));
      b->setCheckable(true);
      b->setAutoExclusive(true);
      b->setMinimumSize(40, 40);
      auto bmp = resources().bitmap(184u + unsigned(i));
      QImage img;
      if (!bmp.empty() && img.loadFromData(bmp.data(), int(bmp.size()))) {
        b->setIcon(QIcon(QPixmap::fromImage(img)));
        b->setIconSize(img.size());
        b->setText(QString());
      }
      fl->addWidget(b, i / 3, i % 3);
      formats_[i] = b;
    }
    formats_[formatIndex(in.format)]->setChecked(true);
    row->addWidget(format);
    zoom_ = slider(row, kGroupZoom, 1093, 1092, 3, 100, 10, zoomText_);
    zoom_->setValue(zoomPosition(in.zoom));
    period_ = slider(row, kGroupRefresh, 1100, 1101, 1, 100, 20, periodText_);
    period_->setValue(periodPosition(in.refreshMs));
    lay->addLayout(row);
    auto* route = new QGroupBox(q(dialogText(kDlgWorksheet, kGroupRouting)), this);
    route->setObjectName(QStringLiteral("c%1").arg(kGroupRouting));
    auto* rl = new QVBoxLayout(route);
    cross_ = new QCheckBox(q(dialogText(kDlgWorksheet, 1094)), route);
    cross_->setObjectName("c1094");
    cross_->setChecked(in.crossText != 0);
    rl->addWidget(cross_);
    lay->addWidget(route);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(q(buttonText(kDlgWorksheet, 1)), this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(q(buttonText(kDlgWorksheet, 2)), this);
    cancel->setObjectName("c2");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    showTexts();
  }

private:
  QSlider* slider(QHBoxLayout* row, unsigned title, int id, int textId, int lo, int hi, int tick, QLabel*& text) {
    auto* box = new QGroupBox(q(dialogText(kDlgWorksheet, title)), this);
    box->setObjectName(QStringLiteral("c%1").arg(title));
    auto* l = new QVBoxLayout(box);
    auto* s = new QSlider(Qt::Vertical, box);
    s->setObjectName(QStringLiteral("c%1").arg(id));
    s->setRange(lo, hi);
    s->setTickInterval(tick);
    s->setTickPosition(QSlider::TicksRight);
    s->setInvertedAppearance(true);
    s->setMinimumHeight(120);
    text = new QLabel(box);
    text->setObjectName(QStringLiteral("c%1").arg(textId));
    text->setAlignment(Qt::AlignCenter);
    l->addWidget(s, 1, Qt::AlignHCenter);
    l->addWidget(text);
    row->addWidget(box);
    connect(s, &QSlider::valueChanged, this, [this] { showTexts(); });
    return s;
  }
  void showTexts() {
    if (!zoom_ || !period_) return;
    zoomText_->setText(QString::asprintf("%2.1f", double(zoom_->value()) * 0.1));
    periodText_->setText(QString::asprintf("%1.2f s", double(period_->value()) * 50 / 1000));
  }
  void onOk() {
    if (p_) {
      int f = 0;
      for (int i = 0; i < 6; ++i)
        if (formats_[i]->isChecked()) {
          f = i;
          break;
        }
      p_->format = f;
      p_->zoom = zoomFromPosition(zoom_->value());
      p_->refreshMs = period_->value() * 50;
      p_->crossText = cross_->isChecked() ? 1 : 0;
    }
    done(1);
  }
  WorkSheetSetup* p_;
  QPushButton* formats_[6];
  QSlider* zoom_ = nullptr;
  QSlider* period_ = nullptr;
  QLabel* zoomText_ = nullptr;
  QLabel* periodText_ = nullptr;
  QCheckBox* cross_;
};

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW20_CallWorkSheetSetupDlg(SwWindow owner, WorkSheetSetup* p) {
  return run(owner, kDlgWorksheet, [=](QWidget* parent) { return new WorksheetDialog(parent, p); });
}
