// The toolbox, its flat block buttons, the subprogram picture and the drag
// of blocks onto worksheets.
#include "toolbox.h"

#include "core.h"
#include "dirtree.h"
#include "frame.h"
#include "texts.h"

#include "dialogkit/qtkit.h"
#include "display/qt_device.h"
#include "platform/export.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabBar>

#include <cstring>

namespace sw {

namespace {

constexpr QRgb kTransparent = 0xFFC800C8;  // RGB(200, 0, 200)
constexpr int kFrameW = 130, kFrameH = 70;

// A resource picture of the library, the transparent colour made transparent.
QImage resourceImage(unsigned id, bool transparent) {
  std::vector<unsigned char> bytes = resources().bitmap(id);
  QImage img;
  if (bytes.empty() || !img.loadFromData(bytes.data(), int(bytes.size()))) return {};
  img = img.convertToFormat(QImage::Format_ARGB32);
  if (transparent)
    for (int y = 0; y < img.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < img.width(); ++x)
        if ((row[x] | 0xFF000000u) == kTransparent) row[x] = 0;
    }
  return img;
}

// The insertion cursor of a state: the library's cursor picture, else a cross.
QCursor insertionCursorOf(unsigned id) {
  if (id == 0) return QCursor(Qt::ArrowCursor);
  QImage img = resourceImage(id, true);
  if (img.isNull()) return QCursor(Qt::CrossCursor);
  return QCursor(QPixmap::fromImage(img), img.width() / 2, img.height() / 2);
}

// The Text block's comment font at a height in pixels: the platform's sans-serif.
QFont commentFont(int height) {
  QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(std::max(1, height));
  return f;
}

Box globalBox(const QWidget* w) {
  QPoint g = w->mapToGlobal(QPoint(0, 0));
  return {g.x(), g.y(), w->width(), w->height()};
}

Toolbox* toolboxOf(const QWidget* w) {
  for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
    if (auto* t = dynamic_cast<Toolbox*>(p)) return t;
  return nullptr;
}

// The Input and Output connector picture: a green box with a mark and a stub.
void drawConnector(QPainter& p, int kind, float z) {
  static const int pts[][2] = {{0, 0},   {19, 0},  {19, 19}, {0, 19},  {0, 0},  {0, 1},  {18, 1}, {18, 18},
                               {1, 18},  {1, 0},   {0, 0},   {19, 0},  {17, 0}, {17, 18}, {19, 19}, {0, 19},
                               {0, 0},   {0, 1},   {2, 2},   {10, 10}, {17, 3}, {17, 2},  {9, 10}, {2, 3}};
  QPolygon line;
  for (auto& pt : pts) line << QPoint(int(float(pt[0] + 4) * z), int(float(pt[1] + 4) * z));
  p.setPen(QPen(QColor(0, 128, 0), 1));
  p.drawPolyline(line);
  int x = int(13 * z);
  if (kind == 14) p.drawLine(x, int(24 * z), x, int(24 * z) + int(4 * z));
  else p.drawLine(x, 0, x, int(4 * z));
}

} // namespace

// ---- the drag window ----

DragWindow::DragWindow() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setObjectName("SW12_BLOCKINSERTWND");
}

DragWindow::~DragWindow() {
  const ServiceFunctionTable& t = services().table();
  if (block_ && t.removeBlock) t.removeBlock(picture_, block_);
  if (picture_ && t.freePicture) t.freePicture(picture_);
}

void DragWindow::setNames(const std::string& name, const std::string& library) {
  const ServiceFunctionTable& t = services().table();
  name_ = name;
  library_ = library;
  builtIn_ = 0;
  if (block_ && t.removeBlock) t.removeBlock(picture_, block_);
  block_ = nullptr;
  if (name_.empty() || library_.empty()) return update();
  if (library_ == text(kLibStandard)) {
    if (name_ == text(5077)) builtIn_ = 13;
    else if (name_ == text(5078)) builtIn_ = 14;
    else if (name_ == text(5079)) builtIn_ = 15;
  } else {
    if (!picture_ && t.createPicture) picture_ = t.createPicture(1);
    if (picture_ && t.addBlock) {
      BlockDropRecord r{name_.c_str(), library_.c_str(), 4, 4};
      block_ = t.addBlock(picture_, &r);
    }
  }
  update();
}

void DragWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  float z = services().zoom();
  const ServiceFunctionTable& t = services().table();
  if (picture_ && block_) {
    if (t.drawPicture && width() > 0 && height() > 0) {
      QImage img(size(), QImage::Format_RGB32);
      img.fill(Qt::white);
      {
        disp::QtDevice dev(&img);
        PictureDrawParams params{0, static_cast<disp::Device*>(&dev), z};
        t.drawPicture(picture_, &params);
      }
      p.drawImage(0, 0, img);
    }
    return;
  }
  if (builtIn_ == 13) {
    p.setFont(commentFont(int(18 * z)));
    p.setPen(Qt::black);
    QFontMetrics fm(p.font());
    p.drawText(QPoint(int(4 * z), int(4 * z) + fm.ascent()), q(text(13)));
  } else if (builtIn_ == 14 || builtIn_ == 15) {
    drawConnector(p, builtIn_, z);
  }
}

// ---- the drag protocol ----

DragSource::~DragSource() { delete drag_; }

Toolbox* DragSource::toolbox() const { return toolboxOf(self_); }

bool DragSource::begin(const QPoint& local, const std::string& name, const std::string& library, int w, int h) {
  Toolbox* box = toolbox();
  if (!drag_) {
    if (w <= 0 || h <= 0) return false;
    box_ = dragBox(globalBox(self_), w, h, services().zoom());
    drag_ = new DragWindow;
    drag_->setNames(name, library);
    drag_->setGeometry(box_.x, box_.y, box_.w, box_.h);
    drag_->show();
    drag_->raise();
  }
  if (!cursorSet_ && box) {
    QApplication::setOverrideCursor(insertionCursorOf(box->insertionCursor()));
    cursorSet_ = true;
  }
  press_ = local;
  last_ = QPoint(-1000, -1000);
  return true;
}

void DragSource::dragTo(const QPoint& local) {
  if (!drag_ || local == last_) return;
  drag_->move(box_.x + local.x() - press_.x(), box_.y + local.y() - press_.y());
  last_ = local;
}

void DragSource::endDrag() {
  if (cursorSet_) {
    QApplication::restoreOverrideCursor();
    cursorSet_ = false;
  }
  delete drag_;
  drag_ = nullptr;
}

void DragSource::drop(const QPoint& global, const std::string& name, const std::string& library) {
  if (!drag_) {
    endDrag();
    return;
  }
  QPoint local = self_->mapFromGlobal(global);
  endDrag();
  Toolbox* box = toolbox();
  if (name.empty() || library.empty()) return;
  // Released over the toolbox itself: nothing is inserted.
  if (box && box->frameGeometry().contains(global)) return;
  const ServiceFunctionTable& t = services().table();
  BlockDropRecord r{name.c_str(), library.c_str(), 0, 0};
  if (box && box->dropAtCursor()) {
    r.x = global.x();
    r.y = global.y();
    if (t.dropAtCursor) t.dropAtCursor(&r);
    return;
  }
  int x = 0, y = 0;
  dropPosition(box_, press_.x(), press_.y(), local.x(), local.y(), services().zoom(), x, y);
  r.x = x;
  r.y = y;
  if (t.dropPlaced) t.dropPlaced(&r);
}

// ---- the flat buttons ----

FlatButton::FlatButton(QWidget* parent, int index) : QWidget(parent), DragSource(this) {
  setObjectName(QStringLiteral("c%1").arg(1030 + index));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  tip_ = new QLabel(this, Qt::ToolTip);
  tip_->setObjectName("tooltip");
  tip_->setMargin(1);
  tip_->setStyleSheet(QStringLiteral("QLabel { border: 1px solid black; background: #ffffe1; color: black; }"));
  tip_->hide();
}

FlatButton::~FlatButton() = default;

void FlatButton::setup(const ButtonSetup& s) {
  bitmap_ = s.bitmap;
  name_ = text(s.blockName);
  library_ = text(s.library);
  tooltip_ = s.tooltip;
  // The tip is the button's name for accessibility (and scripted drags).
  setAccessibleName(q(text(tooltip_)).trimmed());
  tip_->hide();
  update();
}

void FlatButton::setState(bool hot, bool pressed, bool keepTip) {
  if (!isEnabled()) hot = pressed = keepTip = false;
  if (hot && !hot_) {
    hot_ = true;
    setFocus();
    update();
  } else if (!hot && hot_) {
    hot_ = pressed_ = false;
    update();
  }
  if (pressed != pressed_) {
    pressed_ = pressed;
    update();
  }
  if (!keepTip) tip_->hide();
}

void FlatButton::enterEvent(QEnterEvent*) {
  Toolbox* box = toolbox();
  QWidget* active = QApplication::activeWindow();
  if (!active || active == box || (box && active == box->parentWidget())) setFocus();
}
void FlatButton::leaveEvent(QEvent*) {
  if (!pressed_) setState(false, false, false);
}
void FlatButton::focusInEvent(QFocusEvent*) { setState(true, false, true); }
void FlatButton::focusOutEvent(QFocusEvent*) {
  if (!dragging()) setState(false, false, false);
}
void FlatButton::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) {
    if (!isEnabled()) setState(false, false, false);
    update();
  }
  QWidget::changeEvent(e);
}

bool FlatButton::blockSize(int& w, int& h) {
  w = h = 0;
  if (library_ == text(kLibStandard)) {
    if (name_ == text(5077)) {
      QFontMetrics fm(commentFont(18));
      w = fm.horizontalAdvance(q(text(13)));
      h = fm.height();
      return w > 0 && h > 0;
    }
    w = h = 20;
    return true;
  }
  return measureBlock(services().table(), name_.c_str(), library_.c_str(), w, h);
}

void FlatButton::mousePressEvent(QMouseEvent* e) {
  if (!isEnabled() || e->button() != Qt::LeftButton) return;
  setState(true, true, false);
  Toolbox* box = toolbox();
  if (!box || !box->dragEnabled()) return;
  int w = 0, h = 0;
  bool sized = dragging() || blockSize(w, h);
  if (!sized || !begin(e->position().toPoint(), name_, library_, w, h)) {
    setState(true, false, false);
    messageTwoStrings(kBlockNotFound, name_.c_str(), library_.c_str(), 0);
  }
}

void FlatButton::mouseMoveEvent(QMouseEvent* e) {
  if ((e->buttons() & Qt::LeftButton) && dragging()) {
    dragTo(e->position().toPoint());
    return;
  }
  if (hot_ && tooltip_ && !tip_->isVisible()) {
    std::string t = text(tooltip_);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
    if (t.empty()) return;
    tip_->setText(q(t));
    tip_->adjustSize();
    QPoint at = mapToGlobal(QPoint(width() / 2 - tip_->width() / 2, height())) + QPoint(1, 1);
    tip_->move(at);
    tip_->show();
  }
}

void FlatButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  setState(true, false, false);
  drop(e->globalPosition().toPoint(), name_, library_);
}

void FlatButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QRect r = rect();
  p.fillRect(r, palette().color(QPalette::Button));
  if (isEnabled()) {
    QImage img = resourceImage(bitmap_, true);
    if (!img.isNull()) {
      p.drawImage(r, img);
    } else {
      p.setPen(palette().color(QPalette::ButtonText));
      p.drawText(r.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, q(text(tooltip_)));
    }
  }
  if (!isEnabled() || (!hot_ && !pressed_)) return;
  QColor shadow = palette().color(QPalette::Dark), light = palette().color(QPalette::Light);
  QColor first = pressed_ ? shadow : light, second = pressed_ ? light : shadow;
  int l = 0, t = 0, rr = width() - 1, b = height() - 1;
  p.setPen(first);
  p.drawLine(l, b, l, t);
  p.drawLine(l, t, rr, t);
  p.setPen(second);
  p.drawLine(rr, t, rr, b);
  p.drawLine(rr, b, l, b);
}

// ---- the picture window ----

PictureWindow::PictureWindow(QWidget* parent) : QWidget(parent), DragSource(this) {
  setObjectName("c1023");
  const ServiceFunctionTable& t = services().table();
  if (t.createPicture) picture_ = t.createPicture(0);
}

PictureWindow::~PictureWindow() {
  endDrag();
  const ServiceFunctionTable& t = services().table();
  if (block_ && t.removeBlock) t.removeBlock(picture_, block_);
  if (picture_ && t.freePicture) t.freePicture(picture_);
}

void PictureWindow::setNames(const std::string& name, const std::string& library) {
  const ServiceFunctionTable& t = services().table();
  name_ = name.substr(0, kNameChars);
  library_ = library;
  if (picture_) {
    if (block_ && t.removeBlock) t.removeBlock(picture_, block_);
  } else if (t.createPicture) {
    picture_ = t.createPicture(0);
  }
  block_ = nullptr;
  if (picture_ && !name_.empty() && !library_.empty() && t.addBlock) {
    BlockDropRecord r{name_.c_str(), library_.c_str(), 4, 4};
    block_ = t.addBlock(picture_, &r);
  }
  update();
}

void PictureWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const ServiceFunctionTable& t = services().table();
  int w = 0, h = 0;
  if (!picture_ || !block_ || !t.blockExtents || !t.blockExtents(picture_, block_, &w, &h)) return;
  PictureFit fit = pictureFit(width(), height(), w, h);
  int iw = int((w + 10) * fit.scale), ih = int((h + 10) * fit.scale);
  if (iw <= 0 || ih <= 0) return;
  QImage img(iw, ih, QImage::Format_RGB32);
  img.fill(Qt::white);
  if (t.drawPicture) {
    disp::QtDevice dev(&img);
    PictureDrawParams params{0, static_cast<disp::Device*>(&dev), float(fit.scale)};
    t.drawPicture(picture_, &params);
  }
  p.drawImage(fit.x, fit.y, img);
}

void PictureWindow::mousePressEvent(QMouseEvent* e) {
  Toolbox* box = toolbox();
  if (e->button() != Qt::LeftButton || !box || !box->dragEnabled()) return;
  const ServiceFunctionTable& t = services().table();
  int w = 0, h = 0;
  bool sized = picture_ && block_ && t.blockExtents && t.blockExtents(picture_, block_, &w, &h);
  if (!dragging() && (!sized || !begin(e->position().toPoint(), name_, library_, w, h))) {
    messageTwoStrings(kBlockNotFound, name_.c_str(), library_.c_str(), 0);
    return;
  }
  if (dragging()) begin(e->position().toPoint(), name_, library_, w, h);
}

void PictureWindow::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) dragTo(e->position().toPoint());
}

void PictureWindow::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) drop(e->globalPosition().toPoint(), name_, library_);
}

// ---- the toolbox ----

Toolbox::Toolbox(QWidget* parent, std::uint32_t parentId, const SwInsertBoxAttribs* a, NameNode* const* names,
                 int state)
    : QDialog(parent, Qt::Tool), parentId_(parentId) {
  setObjectName("SW_TOOLBOX");
  if (auto caption = resources().dialogText(kDlgToolbox, 0)) setWindowTitle(q(*caption));
  setModal(false);
  setMinimumSize(kToolboxMinWidth, kToolboxMinHeight);
  tabs_ = new QTabBar(this);
  tabs_->setObjectName("c1020");
  tabs_->setUsesScrollButtons(false);
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);   // each tab as wide as its text: the last one keeps its right edge
  tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));
  tabs_->addTab(q(text(kTabBlocks)));
  tabs_->setTabData(0, 0);
  tabs_->addTab(q(text(kTabMacros)));
  tabs_->setTabData(1, 1);
  for (int k = 0; k < kToolboxButtons; ++k) {
    auto* b = new FlatButton(this, k);
    b->setup(buttonSetup(k));
    buttons_.push_back(b);
  }
  frame_ = new QFrame(this);
  frame_->setObjectName("c1021");
  frame_->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame_->resize(kFrameW, kFrameH);
  picture_ = new PictureWindow(this);
  list_ = new QListWidget(this);
  list_->setObjectName("c1022");
  names_ = listNames(names);
  sw_SortStrings(names_);
  fillList();
  resize(kToolboxMinWidth, kToolboxMinHeight);
  if (a && validPosition(*a, screen()->availableGeometry().width(), screen()->availableGeometry().height())) {
    applyPosition(*a);
  } else if (parent) {
    QRect pr = parent->frameGeometry();
    move(pr.right() + 1 - 236, pr.bottom() + 1 - 327);
  }
  if (a && a->name) selectName(a->name);
  refreshPicture();
  if (a && (a->page == 0 || a->page == 1)) tabs_->setCurrentIndex(a->page);
  connect(tabs_, &QTabBar::currentChanged, this, [this] { showPage(); });
  connect(list_, &QListWidget::currentRowChanged, this, [this] { refreshPicture(); });
  showPage();
  setState(state);
}

Toolbox::~Toolbox() = default;

void Toolbox::fillList() {
  QSignalBlocker block(list_);
  list_->clear();
  for (const std::string& n : names_) list_->addItem(q(n));
}

bool Toolbox::dragEnabled() const { return isEnabled() && (!parentWidget() || parentWidget()->isEnabled()); }

void Toolbox::applyPosition(const SwInsertBoxAttribs& a) {
  Box m = sw::minimumSize(a.width, a.height);
  move(a.x, a.y);
  resize(m.w, m.h);
}

void Toolbox::showPage() {
  page_ = tabs_->currentIndex() >= 0 ? tabs_->tabData(tabs_->currentIndex()).toInt() : 0;
  for (FlatButton* b : buttons_) b->setVisible(page_ == 0);
  frame_->setVisible(page_ == 1);
  picture_->setVisible(page_ == 1);
  list_->setVisible(page_ == 1);
  layoutControls();
}

void Toolbox::layoutControls() {
  int W = width(), H = height();
  tabs_->setGeometry(0, 0, W, 24);
  for (int i = 0; i < kToolboxButtons; ++i) {
    Box b = buttonBox(i, W, H);
    buttons_[std::size_t(i)]->setGeometry(b.x, b.y, b.w, b.h);
  }
  frame_->setGeometry((W - kFrameW) / 2, 28, kFrameW, kFrameH);
  picture_->setGeometry(frame_->x() + 2, 30, kFrameW - 4, kFrameH - 4);
  Box l = listBox(W, H, kFrameH);
  list_->setGeometry(l.x, l.y, l.w, l.h);
}

void Toolbox::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  layoutControls();
}

void Toolbox::refreshPicture() {
  QListWidgetItem* sel = list_->currentItem();
  if (sel && sel->isSelected()) picture_->setNames(str(sel->text()), text(kLibProject));
  else picture_->setNames({}, {});
}

int Toolbox::setAttribs(const SwInsertBoxAttribs* a) {
  if (!a) return 0;
  if (validPosition(*a, screen()->availableGeometry().width(), screen()->availableGeometry().height()))
    applyPosition(*a);
  if (a->name) selectName(a->name);
  refreshPicture();
  if (a->page == 0 || a->page == 1) tabs_->setCurrentIndex(a->page);
  showPage();
  return 1;
}

int Toolbox::getAttribs(SwInsertBoxAttribs* a) const {
  if (!a) return 0;
  *a = SwInsertBoxAttribs{};
  QRect r = frameGeometry();
  a->x = r.x();
  a->y = r.y();
  a->width = r.width();
  a->height = r.height();
  a->page = page_;
  QListWidgetItem* sel = list_->currentItem();
  if (sel && sel->isSelected() && !sel->text().isEmpty()) {
    std::string n = str(sel->text());
    a->name = new char[n.size() + 1];
    std::memcpy(a->name, n.c_str(), n.size() + 1);
  }
  return 1;
}

bool Toolbox::addName(const std::string& name) {
  std::string n = name.substr(0, kNameChars);
  if (n.empty()) return false;
  std::size_t pos = sortedPosition(names_, n);
  names_.insert(names_.begin() + std::ptrdiff_t(pos), n);
  QSignalBlocker block(list_);
  list_->insertItem(int(pos), q(n));
  return true;
}

bool Toolbox::renameName(const std::string& oldName, const std::string& newName) {
  int selected = list_->currentItem() && list_->currentItem()->isSelected() ? list_->currentRow() : -1;
  int before = selected;
  if (!renameEntry(names_, selected, oldName, newName)) return false;
  fillList();
  if (selected >= 0) {
    QSignalBlocker block(list_);
    list_->setCurrentRow(selected);
  }
  if (before >= 0 && selected >= 0 && names_[std::size_t(selected)] == newName.substr(0, kNameChars))
    refreshPicture();
  return true;
}

void Toolbox::selectName(const std::string& name) {
  std::string n = name.substr(0, kNameChars);
  int i = n.empty() ? -1 : findPrefix(names_, n);
  {
    QSignalBlocker block(list_);
    if (i < 0) {
      list_->clearSelection();
      list_->setCurrentRow(-1);
    } else {
      list_->setCurrentRow(i);
    }
  }
  refreshPicture();
}

void Toolbox::updateSelection() {
  picture_->setBlock(nullptr);
  refreshPicture();
}

void Toolbox::setState(int state) {
  StateRule r = stateRule(state);
  if (!r.known || state == state_) return;
  state_ = state;
  setEnabled(r.window);
  for (int k = 0; k < kToolboxButtons; ++k) {
    FlatButton* b = buttons_[std::size_t(k)];
    b->setEnabled(r.buttonEnabled(k));
    b->update();
  }
}

void Toolbox::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    helpByContext(5);
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(e);
}

// Esc or the close box: the main program is told and hides the window.
void Toolbox::reject() { kit::postWindowMessage(parentId_, SW_WM_INSERTBOX_CLOSED, 2, 0); }

void Toolbox::closeEvent(QCloseEvent* e) {
  e->ignore();
  reject();
}

} // namespace sw

using namespace sw;

namespace {
Toolbox* box(void* handle) { return static_cast<Toolbox*>(static_cast<QDialog*>(handle)); }
} // namespace

ZERLO_EXPORT void* SW10_CreateInsertBoxDlg(SwWindow parent, const SwInsertBoxAttribs* a, NameNode** names,
                                           int state) {
  if (!kit::onGuiThread()) return nullptr;
  auto* t = new Toolbox(kit::widgetOf(parent), parent, a, names, state);
  t->show();
  return static_cast<QDialog*>(t);
}

ZERLO_EXPORT void SW10_DestroyInsertBoxDlg(void* handle) { destroyWindowObject(handle); }

ZERLO_EXPORT int SW10_SetInsertBoxDlgAttribs(void* handle, const SwInsertBoxAttribs* a) {
  return handle ? box(handle)->setAttribs(a) : 0;
}
ZERLO_EXPORT int SW10_GetInsertBoxDlgAttribs(void* handle, SwInsertBoxAttribs* a) {
  return handle ? box(handle)->getAttribs(a) : 0;
}
ZERLO_EXPORT void SW10_FreeInsertBoxDlgAttribs(SwInsertBoxAttribs* a) {
  if (!a) return;
  delete[] a->name;
  *a = SwInsertBoxAttribs{};
}
ZERLO_EXPORT void SW10_AddInsertBoxUPName(void* handle, const char* name) {
  if (handle && name) box(handle)->addName(name);
}
ZERLO_EXPORT void SW10_RenameInsertBoxUPName(void* handle, const char* oldName, const char* newName) {
  if (handle && oldName && newName) box(handle)->renameName(oldName, newName);
}
ZERLO_EXPORT int SW10_SelectInsertBoxUPName(void* handle, const char* name) {
  if (!handle) return 0;
  box(handle)->selectName(name ? name : "");
  return 1;
}
ZERLO_EXPORT void SW10_UpdateInsertBoxUPSelection(void* handle) {
  if (handle) box(handle)->updateSelection();
}
ZERLO_EXPORT void SW10_SetInsertBoxState(void* handle, int state) {
  if (handle) box(handle)->setState(state);
}
ZERLO_EXPORT int SW10_GetInsertBoxState(void* handle) { return handle ? box(handle)->state() : 0; }
