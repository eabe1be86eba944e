// The symbol and background bitmap dialogs (130, 131) and the import of a
// bitmap file into the project's bitmap directory.
#include "core.h"
#include "files.h"
#include "frame.h"
#include "projects.h"
#include "texts.h"

#include "display/dib.h"
#include "display/qt_device.h"
#include "platform/export.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cctype>
#include <cstring>
#include <filesystem>

namespace sw {

namespace fs = std::filesystem;

namespace {

std::string field(const char* f) { return std::string(f, strnlen(f, 16)); }

// The preview frame: the picture centred at its own size or stretched to the frame.
class Preview : public QFrame {
public:
  explicit Preview(QWidget* parent) : QFrame(parent) {
    setObjectName("c1003");
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setMinimumSize(220, 150);
  }
  ~Preview() override { disp::dib_Free(&dib_); }
  void load(const std::string& path) {
    disp::dib_Free(&dib_);
    if (!path.empty()) dib_ = disp::dib_LoadFile(path);
    update();
  }
  bool loaded() const { return dib_ != nullptr; }
protected:
  void paintEvent(QPaintEvent* e) override {
    QFrame::paintEvent(e);
    int w = 0, h = 0;
    if (!dib_ || !disp::dib_GetSize(dib_, &w, &h)) return;
    QRect in = contentsRect();
    Rect r = previewRect({in.x(), in.y(), in.width(), in.height()}, w, h);
    if (r.w <= 0 || r.h <= 0) return;
    QImage img(r.w, r.h, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
      disp::QtDevice dev(&img);
      disp::dib_Draw(&dev, dib_, 0, 0, r.w, r.h);
    }
    QPainter(this).drawImage(r.x, r.y, img);
  }
private:
  disp::DibHandle dib_ = nullptr;
};

class BitmapDialog : public SwDialog {
public:
  BitmapDialog(QWidget* parent, MacroBmpParams* p, bool symbol)
      : SwDialog(parent, symbol ? kDlgSymbolBmp : kDlgBackgroundBmp), p_(p), symbol_(symbol) {
    setHelp(symbol ? 73 : 74);
    if (p && p->directory) dir_ = p->directory;
    auto* lay = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(q(dialogText(id_, 1010)), this), 0, 0);
    auto* dir = new QLabel(q(dir_), this);
    dir->setObjectName("c1000");
    dir->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    top->addWidget(dir, 0, 1, 1, 2);
    top->addWidget(new QLabel(q(dialogText(id_, 1011)), this), 1, 0);
    top->addWidget(new QLabel(q(dialogText(id_, 1013)), this), 1, 1);
    list_ = new QListWidget(this);
    list_->setObjectName("c1001");
    list_->setMinimumWidth(170);
    top->addWidget(list_, 2, 0);
    preview_ = new Preview(this);
    top->addWidget(preview_, 2, 1, 1, 2);
    lay->addLayout(top);
    if (symbol) {
      resize_ = new QCheckBox(q(dialogText(id_, 1002)), this);
      resize_->setObjectName("c1002");
      resize_->setChecked(p && p->resize != 0);
      resize_->setEnabled(!p || p->fixedSize == 0);
      lay->addWidget(resize_);
    }
    auto* row = new QHBoxLayout;
    auto* import = new QPushButton(q(dialogText(id_, 1096)), this);
    import->setObjectName("c1096");
    import->setAutoDefault(false);
    row->addWidget(import);
    row->addStretch();
    lay->addLayout(row);
    auto* ok = okCancel(this, lay, row);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(import, &QPushButton::clicked, this, [this] { onImport(); });

    std::string selection = text(kNoBitmap);
    if (p) {
      std::string found = findBitmapFile(dir_, field(symbol ? p->symbol : p->background));
      if (!found.empty()) selection = found;
    }
    fill();
    select(selection);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { reload(); });
  }
private:
  void fill() {
    QSignalBlocker block(list_);
    list_->clear();
    list_->addItem(q(text(kNoBitmap)));
    for (const std::string& f : bitmapFiles(dir_)) list_->addItem(q(f));
  }
  void select(const std::string& name) {
    QString n = q(name);
    int row = -1;
    for (int i = 0; i < list_->count() && row < 0; ++i)
      if (list_->item(i)->text().startsWith(n, Qt::CaseInsensitive)) row = i;
    {
      QSignalBlocker block(list_);
      list_->setCurrentRow(row < 0 ? 0 : row);
    }
    reload();
  }
  std::string selected() const { return list_->currentItem() ? str(list_->currentItem()->text()) : text(kNoBitmap); }
  void reload() {
    std::string s = selected();
    preview_->load(s == text(kNoBitmap) ? "" : (fs::path(dir_) / s).string());
  }
  void onImport() {
    std::string name;
    if (sw_ImportBitmap(0, dir_, name) == 1) fill();
    if (!name.empty()) select(name);
    else if (!list_->currentItem()) select(text(kNoBitmap));
  }
  void onOk() {
    std::string s = selected();
    std::string stored = s == text(kNoBitmap) ? "" : s;
    // A longer name goes into the 12-character field as its 8.3 alias; the
    // dialog finds the file by that alias when it opens again.
    if (stored.size() > kBitmapNameChars) stored = plat::path::shortAlias(stored).substr(0, kBitmapNameChars);
    if (p_) {
      char* f = symbol_ ? p_->symbol : p_->background;
      std::memset(f, 0, 16);
      std::memcpy(f, stored.data(), stored.size());
      if (symbol_) p_->resize = resize_->isChecked() ? 1 : 0;
    }
    done(1);
  }
  MacroBmpParams* p_;
  bool symbol_;
  std::string dir_;
  QListWidget* list_;
  Preview* preview_;
  QCheckBox* resize_ = nullptr;
};

} // namespace

int sw_ImportBitmap(SwWindow owner, const std::string& dir, std::string& out) {
  out.clear();
  if (!sw_DirExists(dir)) sw_CreatePath(dir);
  std::string src = choose(owner, Mode::Open, kFilterBitmap, kExtBitmap, kTitleImportBitmap, dir, {});
  if (src.empty()) return 0;
  std::string name = upper(fs::path(src).filename().string());
  fs::path dst = fs::path(dir) / name;
  std::error_code ec;
  if (src == dst.string() || fs::equivalent(src, dst, ec) || upper(src) == upper(dst.string())) {
    message(kBitmapExists);
    out = name;
    return 0;
  }
  Say say = [](unsigned id, unsigned flags, const std::vector<kit::FormatArg>& args) { return message(id, flags, args); };
  if (!sw_CopyFile(src.c_str(), dst.c_str(), 0, say)) return 0;
  out = name;
  return 1;
}

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW01_CallMacroBmpDlg(SwWindow owner, MacroBmpParams* p) {
  return run(owner, kDlgSymbolBmp, [=](QWidget* parent) { return new BitmapDialog(parent, p, true); });
}

ZERLO_EXPORT int SW03_CallMacroBGBmpDlg(SwWindow owner, MacroBmpParams* p) {
  return run(owner, kDlgBackgroundBmp, [=](QWidget* parent) { return new BitmapDialog(parent, p, false); });
}
