// The start screen (194) and the about box (193).
#include "core.h"
#include "frame.h"
#include "texts.h"

#include "display/dib.h"
#include "platform/export.h"
#include "platform/paths.h"
#include "toolbind/toolbind.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

namespace sw {

namespace {

std::int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

QImage toImage(disp::DibHandle dib) {
  int w = 0, h = 0;
  if (!disp::dib_GetSize(dib, &w, &h) || w <= 0 || h <= 0) return {};
  auto px = disp::dib_Pixels(dib);
  if (px.size() != std::size_t(w) * std::size_t(h)) return {};
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, 0xFF000000u | px[std::size_t(y) * std::size_t(w) + std::size_t(x)]);
  return img;
}

// The start screen: borderless, the picture with up to three lines; Enter and
// Escape do nothing; it never closes itself.
class StartScreen : public QDialog {
public:
  StartScreen(const SwWindow* frame, const StartBitmapParams* p, QImage picture)
      : QDialog(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
        frame_(frame), lines_(startLines(p)), picture_(std::move(picture)),
        notice_(steadyMs, p ? p->minimumMs : 5000) {
    setObjectName("StartScreen");
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (!picture_.isNull()) {
      setFixedSize(picture_.size());
      if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect area = s->availableGeometry();
        move(area.x() + (area.width() - picture_.width()) / 2, area.y() + (area.height() - picture_.height()) / 2);
      }
    }
    timer_.setInterval(100);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
    timer_.start();
  }
  bool hasTimer() const { return timer_.isActive(); }
  bool hasPicture() const { return !picture_.isNull(); }
  void accept() override {}
  void reject() override {}

protected:
  void keyPressEvent(QKeyEvent* e) override { e->accept(); }
  void paintEvent(QPaintEvent*) override {
    if (picture_.isNull()) {
      hide();
      return;
    }
    QPainter p(this);
    p.drawImage(0, 0, picture_);
    QFont f = font();
    f.setStyleHint(QFont::Serif);
    f.setFamily(QString());
    f.setPixelSize(14);
    f.setWeight(QFont::Medium);
    p.setFont(f);
    p.setPen(Qt::black);
    QFontMetrics fm(f);
    int y = 230;
    for (const auto& line : lines_) {
      if (line.empty()) continue;
      y += fm.height();
      p.drawText(330, y - fm.descent(), QString::fromStdString(line));
    }
  }

private:
  void tick() {
    if (busy_) return;
    busy_ = true;
    SwWindow to = notice_.tick(frame_);
    if (!to) {
      busy_ = false;
      return;
    }
    // The notice goes once: the re-entry flag stays set and the timer stops
    // before it is sent. The frame destroys this screen while it handles the
    // notice, so nothing of this object is touched after the send.
    timer_.stop();
    kit::sendWindowMessage(to, SW_WM_START_BITMAP_DONE, 0, 0);
  }

  const SwWindow* frame_;
  std::vector<std::string> lines_;
  QImage picture_;
  StartNotice notice_;
  QTimer timer_;
  bool busy_ = false;
};

class AboutDialog : public SwDialog {
public:
  explicit AboutDialog(QWidget* parent) : SwDialog(parent, kDlgAbout) {
    setHelp(25);
    auto* lay = new QVBoxLayout(this);
    auto frame = [&](int first, int last, bool symbol) {
      auto* box = new QFrame(this);
      box->setFrameStyle(QFrame::Box | QFrame::Sunken);
      auto* v = new QVBoxLayout(box);
      if (symbol) {
        auto* icon = new QLabel(box);
        auto bmp = resources().bitmap(197);
        QImage img;
        if (!bmp.empty() && img.loadFromData(bmp.data(), int(bmp.size()))) icon->setPixmap(QPixmap::fromImage(img));
        icon->setAlignment(Qt::AlignCenter);
        v->addWidget(icon);
      }
      for (int c = first; c <= last; ++c) {
        auto* l = new QLabel(QString::fromStdString(dialogText(kDlgAbout, unsigned(c))), box);
        l->setObjectName(QStringLiteral("c%1").arg(c));
        l->setAlignment(Qt::AlignCenter);
        v->addWidget(l);
      }
      lay->addWidget(box);
    };
    frame(1000, 1002, true);
    frame(1003, 1007, false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    lay->addWidget(ok, 0, Qt::AlignCenter);
  }
};

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW21_CallAboutDlg(SwWindow owner) {
  return run(owner, kDlgAbout, [](QWidget* parent) { return new AboutDialog(parent); });
}

ZERLO_EXPORT void* SW22_CreateStartBitmapDlg(const SwWindow* frame, const StartBitmapParams* params) {
  std::string path;
  if (!toolbind::moduleBinding().getStartBitmapPath(path) || path.empty()) return nullptr;
  path = plat::path::resolveExisting(path);
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) std::fclose(f);
  else return nullptr;
  if (!kit::onGuiThread()) return nullptr;
  disp::DibHandle dib = disp::dib_LoadFile(path);
  QImage picture = dib ? toImage(dib) : QImage();
  disp::dib_Free(&dib);
  auto* s = new StartScreen(frame, params, std::move(picture));
  // Without a timer the frame would never hear of the end and stay disabled.
  if (!s->hasTimer()) {
    delete s;
    return nullptr;
  }
  kit::observeDialog(s, {kLibrary, int(kDlgStart)});
  if (s->hasPicture()) {
    s->show();
    s->repaint();
  }
  return static_cast<QDialog*>(s);
}

// One entry for both: the toolbox and the start screen share the destroy of a
// common base (QDialog).
ZERLO_EXPORT void SW22_DestroyStartBitmapDlg(void* object) { destroyWindowObject(object); }
