// The program's own dialogs, built in code with the dialog kit.
#include "shell/dialogs.h"

#include "dialogkit/qtkit.h"
#include "display/gdi.h"
#include "display/qt_device.h"
#include "engine/slots.h"
#include "platform/numtext.h"
#include "shell/binding.h"
#include "shell/help.h"
#include "shell/utilities.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace shell {

namespace {

DialogHooks g_hooks;

Hwnd frame() { return windowHost().frameWindow(); }

QString q(const std::string& s) { return QString::fromUtf8(s.c_str()); }
std::string s(const QString& t) { return t.toStdString(); }

template <class W> W* named(W* w, int id) {
  w->setObjectName(QStringLiteral("c%1").arg(id));
  return w;
}

// The dialogs' base: OK 1, Cancel 2 (kit::Dialog), a help context while open.
class ZDialog : public kit::Dialog {
public:
  ZDialog(QWidget* parent, const char* caption) : kit::Dialog(parent) {
    setWindowTitle(QString::fromUtf8(caption));
  }
  // The layout goes while this is still a dialog: its removal reaches the
  // dialog kit's event filter, which takes the object for a QDialog.
  ~ZDialog() override { delete layout(); }
  QPushButton* button(int id, const char* text, bool isDefault = false) {
    auto* b = named(new QPushButton(QString::fromUtf8(text), this), id);
    b->setAutoDefault(isDefault);
    b->setDefault(isDefault);
    return b;
  }
  QLabel* label(const char* text) { return new QLabel(QString::fromUtf8(text), this); }
  // Centred on the screen when it first shows.
  void centreOnScreen() {
    QScreen* sc = QGuiApplication::primaryScreen();
    if (!sc) return;
    adjustSize();
    const QRect r = sc->availableGeometry();
    move(r.center() - rect().center());
  }
};

// Runs a dialog under its help context; 1 for OK, 0 otherwise.
int runDialog(int templateId, int helpContext, const kit::DialogFactory& make) {
  const int prev = helpContext ? help_SetContext(std::uint16_t(helpContext)) : 0;
  const int r = kit::runModal(frame(), make, kit::DialogId{kDialogLibrary, templateId});
  if (helpContext) help_SetContext(std::uint16_t(prev));
  return r == 1 ? 1 : 0;
}

// A name from an enumeration: cut at a blank or form feed, at most 30 characters.
std::string enumName(std::string n) {
  const std::size_t at = n.find_first_of(" \f");
  if (at != std::string::npos) n.resize(at);
  if (n.size() > 30) n.resize(30);
  return n;
}

std::vector<std::string> libraries(const SelectCallbacks& cb) {
  std::vector<std::string> out;
  std::string n;
  if (!cb.firstLibrary || !cb.firstLibrary(n)) return out;
  do out.push_back(enumName(n));
  while (out.size() < 256 && cb.nextLibrary && cb.nextLibrary(n));
  return out;
}

std::vector<std::string> blocks(const SelectCallbacks& cb, const std::string& library) {
  std::vector<std::string> out;
  std::string n;
  if (!cb.firstBlock || !cb.firstBlock(library, n)) return out;
  do out.push_back(enumName(n));
  while (out.size() < 256 && cb.nextBlock && cb.nextBlock(library, n));
  return out;
}

void fill(QListWidget* list, const std::vector<std::string>& names) {
  list->clear();
  for (const auto& n : names) list->addItem(q(n));
}

int rowOf(QListWidget* list, const std::string& name) {
  for (int i = 0; i < list->count(); ++i)
    if (s(list->item(i)->text()) == name) return i;
  return -1;
}

std::string currentText(QListWidget* list) {
  auto* it = list->currentItem();
  return it && it->isSelected() ? s(it->text()) : std::string();
}

// The picture's device as a window of the drawing layer.
class ImageWindow : public disp::DrawWindow {
public:
  explicit ImageWindow(disp::Device* d) : d_(d) {}
  disp::Device* beginPaint() override { return d_; }
  void endPaint() override {}
  disp::Device* getDc() override { return d_; }
  void releaseDc() override {}
private:
  disp::Device* d_;
};

// ---- template 5 ----
class BlockDialog : public ZDialog {
public:
  BlockDialog(QWidget* parent, const SelectCallbacks& cb) : ZDialog(parent, "Baustein auswählen"), cb_(cb) {
    auto* grid = new QGridLayout(this);
    edit_ = named(new QLineEdit(this), 101);
    edit_->setMaxLength(30);
    blocks_ = named(new QListWidget(this), 104);
    libs_ = named(new QListWidget(this), 105);
    preview_ = named(new QLabel(this), 128);
    preview_->setFixedSize(160, 120);
    preview_->setFrameShape(QFrame::Box);
    grid->addWidget(label("Auswahl"), 0, 0);
    grid->addWidget(edit_, 1, 0);
    grid->addWidget(label("Baustein"), 2, 0);
    grid->addWidget(blocks_, 3, 0);
    grid->addWidget(label("Bibliothek"), 0, 1);
    grid->addWidget(libs_, 1, 1, 3, 1);
    grid->addWidget(preview_, 0, 2, 4, 1);
    auto* row = new QHBoxLayout;
    QPushButton* ok = button(106, "&OK", true);
    QPushButton* cancel = button(107, "&Abbruch");
    QPushButton* help = button(122, "&Hilfe");
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    grid->addLayout(row, 4, 0, 1, 3);

    SelectionState& st = selectionState();
    fill(libs_, libraries(cb_));
    const int lib = rowOf(libs_, st.blockLibrary);
    if (lib >= 0) libs_->setCurrentRow(lib);
    else if (libs_->count() > 0) libs_->setCurrentRow(0);   // no library chosen yet: the first
    refillBlocks(false);
    const int blk = rowOf(blocks_, st.blockName);
    if (blk >= 0) blocks_->setCurrentRow(blk);
    edit_->setText(q(st.blockName));
    edit_->selectAll();
    edit_->setFocus();
    updatePreview();

    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& t) {
      for (int i = 0; i < blocks_->count(); ++i)
        if (blocks_->item(i)->text().startsWith(t)) {
          QSignalBlocker b(blocks_);
          blocks_->setCurrentRow(i);
          break;
        }
      updatePreview();
    });
    connect(blocks_, &QListWidget::currentRowChanged, this, [this](int r) {
      if (r < 0) return;
      edit_->setText(blocks_->item(r)->text());
      updatePreview();
    });
    connect(blocks_, &QListWidget::itemDoubleClicked, this, [this] { finish(true); });
    connect(libs_, &QListWidget::currentRowChanged, this, [this](int) { refillBlocks(true); });
    connect(ok, &QPushButton::clicked, this, [this] { finish(false); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
      std::string name = s(edit_->text());
      while (!name.empty() && name.back() == ' ') name.pop_back();
      if (name.size() > 16) name.resize(16);
      if (g_hooks.blockHelp) g_hooks.blockHelp(currentText(libs_), name);
      else help_ShowBlockHelp(frame(), currentText(libs_), name);
    });
    place();
  }
  std::string block, library;

protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      finish(true);
      return;
    }
    ZDialog::keyPressEvent(e);
  }
  void moveEvent(QMoveEvent* e) override {
    ZDialog::moveEvent(e);
    if (!isVisible()) return;
    SelectionState& st = selectionState();
    st.left = x();
    st.top = y();
    st.hasPosition = true;
  }

private:
  void place() {
    SelectionState& st = selectionState();
    if (!st.hasPosition) {
      centreOnScreen();
      return;
    }
    adjustSize();
    QScreen* sc = QGuiApplication::primaryScreen();
    int x = st.left, y = st.top;
    if (sc) {
      const QRect r = sc->availableGeometry();
      x = std::clamp(x, r.left(), std::max(r.left(), r.right() - width()));
      y = std::clamp(y, r.top(), std::max(r.top(), r.bottom() - height()));
    }
    move(x, y);
  }
  void refillBlocks(bool selectFirst) {
    QSignalBlocker b(blocks_);
    fill(blocks_, blocks(cb_, currentText(libs_)));
    if (selectFirst && blocks_->count() > 0) {
      blocks_->setCurrentRow(0);
      edit_->setText(blocks_->item(0)->text());
      updatePreview();
    }
  }
  void updatePreview() {
    const QImage img = dlg_RenderPreview(cb_, currentText(libs_), s(edit_->text()), preview_->width(), preview_->height());
    preview_->setPixmap(QPixmap::fromImage(img));
  }
  void finish(bool fromEnter) {
    std::string name = s(edit_->text()).substr(0, 15);
    if (name.empty()) return;   // the dialog stays open
    block = name;
    library = currentText(libs_).substr(0, 15);
    selectionState().okFromEnter = fromEnter;
    accept();
  }
  const SelectCallbacks& cb_;
  QLineEdit* edit_;
  QListWidget* blocks_;
  QListWidget* libs_;
  QLabel* preview_;
};

// ---- templates 20 and 67 ----
class LibraryDialog : public ZDialog {
public:
  LibraryDialog(QWidget* parent, const char* caption, const SelectCallbacks& cb) : ZDialog(parent, caption), cb_(cb) {
    auto* grid = new QGridLayout(this);
    libs_ = named(new QListWidget(this), 105);
    blocks_ = named(new QListWidget(this), 104);
    blocks_->setSelectionMode(QAbstractItemView::NoSelection);
    grid->addWidget(libs_, 0, 0);
    grid->addWidget(blocks_, 0, 1);
    auto* row = new QHBoxLayout;
    QPushButton* ok = button(106, "&OK", true);
    QPushButton* cancel = button(107, "&Abbruch");
    row->addWidget(ok);
    row->addWidget(cancel);
    grid->addLayout(row, 1, 0, 1, 2);
    fill(libs_, libraries(cb_));
    connect(libs_, &QListWidget::currentRowChanged, this, [this](int) { fill(blocks_, blocks(cb_, currentText(libs_))); });
    if (libs_->count() > 0) libs_->setCurrentRow(0);
    libs_->setFocus();
    connect(ok, &QPushButton::clicked, this, [this] {
      library = currentText(libs_);
      if (!library.empty()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    centreOnScreen();
  }
  std::string library;
private:
  const SelectCallbacks& cb_;
  QListWidget* libs_;
  QListWidget* blocks_;
};

int libraryDialog(int templateId, const char* caption, const SelectCallbacks& cb, std::string& library) {
  std::string chosen;
  const int r = runDialog(templateId, templateId, [&](QWidget* parent) -> QDialog* {
    auto* d = new LibraryDialog(parent, caption, cb);
    QObject::connect(d, &QDialog::finished, [d, &chosen](int) { chosen = d->library; });
    return d;
  });
  if (r == 1) library = chosen;
  return r;
}

// ---- numbers ----
std::string realText(double v, int digits) {
  char fmt[8];
  std::snprintf(fmt, sizeof fmt, "%%.%dg", digits);
  return plat::num::formatDouble(fmt, v);
}
std::string intText(double v) {
  if (!std::isfinite(v)) return "0";
  return std::to_string(static_cast<long long>(std::clamp(v, -2147483648.0, 2147483647.0)));
}
// The leading number of a text (what the C conversion takes), 0 without one.
double toReal(const std::string& text, std::size_t maxChars) {
  std::string t = text.substr(0, maxChars);
  std::size_t b = t.find_first_not_of(" \t");
  if (b == std::string::npos) return 0;
  const char* first = t.c_str() + b;
  if (*first == '+') ++first;
  double v = 0;
  auto r = std::from_chars(first, t.c_str() + t.size(), v);
  return r.ec == std::errc() ? v : 0;
}
long toLong(const std::string& text) {
  double v = toReal(text, 64);
  if (!std::isfinite(v)) return 0;
  return static_cast<long>(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
}

// The operand table's entries: designation and remark ("%%" = empty).
std::string shownEntry(const std::string& v) { return v.rfind("%%", 0) == 0 ? std::string() : v; }

const char* classPrefix(int cls) {
  static const char* const names[13] = {"", "M", "E", "A", "DF", "DW", "DL", "DT", "PF", "PW", "B", "PL", "PT"};
  return cls >= 0 && cls < 13 ? names[cls] : "";
}

// ---- templates 26 and 41 ----
struct ParamResult { std::string value; bool ok = false; };

ParamResult paramDialog(int templateId, int cls, long index, const std::string& operand, const std::string& valueText) {
  ParamResult res;
  runDialog(templateId, templateId, [&](QWidget* parent) -> QDialog* {
    auto* d = new ZDialog(parent, templateId == 41 ? "Eingabe Textparameter" : "Parametereingabe");
    auto* grid = new QGridLayout(d);
    engine::IoDescriptor* desc = engine::slotTable().descriptor(cls, int(index));
    auto* op = named(new QLabel(q(operand), d), 111);
    auto* name = named(new QLineEdit(d), 112);
    auto* nameShown = named(new QLabel(d), 113);
    auto* value = named(new QLineEdit(d), 114);
    auto* remark = named(new QLineEdit(d), 115);
    name->setMaxLength(14);
    remark->setMaxLength(30);
    value->setMaxLength(29);
    if (desc) {
      name->setText(q(shownEntry(desc->name)));
      nameShown->setText(name->text());
      remark->setText(q(shownEntry(desc->comment)));
    }
    value->setText(q(valueText));
    value->selectAll();
    value->setFocus();
    grid->addWidget(d->label("Parameter"), 0, 0);
    grid->addWidget(op, 0, 1);
    grid->addWidget(d->label("Bezeichnung"), 1, 0);
    grid->addWidget(name, 1, 1);
    grid->addWidget(nameShown, 1, 2);
    grid->addWidget(d->label(templateId == 41 ? "Text" : "Wert"), 2, 0);
    grid->addWidget(value, 2, 1);
    grid->addWidget(d->label("Bemerkung"), 3, 0);
    grid->addWidget(remark, 3, 1, 1, 2);
    QPushButton* ok = d->button(1, "&OK", true);
    QPushButton* cancel = d->button(2, "&Abbruch");
    auto* row = new QHBoxLayout;
    row->addWidget(ok);
    row->addWidget(cancel);
    grid->addLayout(row, 4, 0, 1, 3);
    QObject::connect(name, &QLineEdit::textChanged, nameShown, &QLabel::setText);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    QObject::connect(ok, &QPushButton::clicked, d, [=, &res] {
      engine::IoDescriptor* entry = engine::slotTable().descriptor(cls, int(index));
      if (!entry) {
        bind_SW50_CallMBWithID(frame(), 50013, 0);
        d->reject();
        return;
      }
      std::string n = s(name->text()).substr(0, 14);
      if (n.find_first_not_of(' ') == std::string::npos) n.clear();
      entry->name = n;
      entry->comment = s(remark->text()).substr(0, 30);
      res.value = s(value->text()).substr(0, 29);
      res.ok = true;
      if (g_hooks.valueSheetChanged) g_hooks.valueSheetChanged();
      d->accept();
    });
    d->centreOnScreen();
    return d;
  });
  return res;
}

// ---- templates 9 and 10 ----
class VectorDialog : public ZDialog {
public:
  // values: the copy the dialog edits (count elements, a matrix two columns of count).
  VectorDialog(QWidget* parent, bool matrix, int cls, long index, int count, long secondOffset,
               std::vector<double>& values)
      : ZDialog(parent, matrix ? "Matrixeingabe" : "Vektoreingabe"), matrix_(matrix), cls_(cls), index_(index),
        count_(count), second_(secondOffset), v_(values) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(label(matrix ? "Dimension:" : "Dimension"), 0, 0);
    auto* dim = named(new QLabel(QString::number(count), this), 101);
    grid->addWidget(dim, 0, 1);
    grid->addWidget(label("Nr."), 1, 0);
    grid->addWidget(label(matrix ? "Name 1" : "Para."), 1, 1);
    grid->addWidget(label(matrix ? "Wert 1" : "Wert"), 1, 2);
    if (matrix) {
      grid->addWidget(label("Name 2"), 1, 3);
      grid->addWidget(label("Wert 2"), 1, 4);
    }
    for (int r = 0; r < 5; ++r) {
      nr_[r] = named(new QLabel(this), 102 + r);
      op_[r] = named(new QLabel(this), 107 + r);
      val_[r] = named(new QLineEdit(this), 112 + r);
      grid->addWidget(nr_[r], 2 + r, 0);
      grid->addWidget(op_[r], 2 + r, 1);
      grid->addWidget(val_[r], 2 + r, 2);
      if (matrix) {
        op2_[r] = named(new QLabel(this), 117 + r);
        val2_[r] = named(new QLineEdit(this), 122 + r);
        grid->addWidget(op2_[r], 2 + r, 3);
        grid->addWidget(val2_[r], 2 + r, 4);
      }
      const bool shown = r < count;
      for (QWidget* w : {static_cast<QWidget*>(nr_[r]), static_cast<QWidget*>(op_[r]), static_cast<QWidget*>(val_[r])})
        w->setVisible(shown);
      if (matrix) {
        op2_[r]->setVisible(shown);
        val2_[r]->setVisible(shown);
      }
      connect(val_[r], &QLineEdit::textEdited, this, [this, r](const QString& t) { store(r, 0, t); });
      if (matrix)
        connect(val2_[r], &QLineEdit::textEdited, this, [this, r](const QString& t) { store(r, 1, t); });
    }
    bar_ = named(new QScrollBar(Qt::Vertical, this), 100);
    bar_->setRange(0, std::max(0, count - 5));
    bar_->setPageStep(5);
    bar_->setSingleStep(1);
    bar_->setVisible(count >= 5);
    grid->addWidget(bar_, 2, matrix ? 5 : 3, 5, 1);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int p) { scrollTo(p); });
    grid->addWidget(label("Name"), 7, 0);
    name_ = named(new QLineEdit(this), 127);
    name_->setMaxLength(14);
    grid->addWidget(name_, 7, 1, 1, matrix ? 4 : 2);
    if (engine::IoDescriptor* d = engine::slotTable().descriptor(cls, int(index))) name_->setText(q(shownEntry(d->name)));
    QPushButton* ok = button(1, "&OK", true);
    QPushButton* cancel = button(2, "&Abbruch");
    auto* row = new QHBoxLayout;
    row->addWidget(ok);
    row->addWidget(cancel);
    grid->addLayout(row, 8, 0, 1, matrix ? 6 : 4);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, [this] {
      for (int r = 0; r < 5 && p_ + r < count_; ++r) {
        store(r, 0, val_[r]->text().left(19));
        if (matrix_) store(r, 1, val2_[r]->text().left(19));
      }
      designation = s(name_->text()).substr(0, 14);
      accept();
    });
    refresh();
    centreOnScreen();
  }
  std::string designation;

private:
  void store(int row, int column, const QString& t) {
    const int i = p_ + row;
    if (i >= count_) return;
    v_[std::size_t(column * count_ + i)] = toReal(s(t), 11);
  }
  void scrollTo(int p) {
    p_ = std::max(0, std::min(p, count_ - 5));
    refresh();
  }
  void refresh() {
    for (int r = 0; r < 5 && p_ + r < count_; ++r) {
      const int i = p_ + r;
      nr_[r]->setText(QString::number(i));
      op_[r]->setText(q(std::string(classPrefix(cls_)) + std::to_string(index_ + i)));
      const double a = v_[std::size_t(i)];
      val_[r]->setText(q(cls_ == 8 ? realText(a, 12) : intText(a)));
      if (matrix_) {
        op2_[r]->setText(q(std::string(classPrefix(cls_)) + std::to_string(index_ + second_ + i)));
        const double b = v_[std::size_t(count_ + i)];
        val2_[r]->setText(q(cls_ == 8 ? realText(b, 13) : intText(b)));
      }
    }
  }
  bool matrix_;
  int cls_;
  long index_;
  int count_;
  long second_;
  std::vector<double>& v_;
  int p_ = 0;
  QLabel* nr_[5]{};
  QLabel* op_[5]{};
  QLabel* op2_[5]{};
  QLineEdit* val_[5]{};
  QLineEdit* val2_[5]{};
  QScrollBar* bar_ = nullptr;
  QLineEdit* name_ = nullptr;
};

int vectorOrMatrix(bool matrix, double* values, double clsD, double indexD, double countD, std::uint16_t* changed) {
  const int cls = int(clsD);
  if (cls != 8 && cls != 9 && cls != 11) {
    bind_SW50_CallMBWithID(frame(), 40010, 0);
    return 0;
  }
  if (!values) {
    bind_SW50_CallMBWithID(frame(), 50015, 0);
    return 0;
  }
  const long index = long(indexD);
  const long given = countD > 0 && std::isfinite(countD) ? long(countD) : 0;
  const int count = int(std::min<long>(given, matrix ? 64 : 130));
  std::vector<double> copy;
  try {
    copy.assign(std::size_t(count) * (matrix ? 2 : 1), 0.0);
  } catch (const std::bad_alloc&) {
    bind_SW50_CallMBWithID(frame(), 50014, 0);
    return 0;
  }
  // The second column lies behind all given rows, also when fewer are shown.
  for (int i = 0; i < count; ++i) {
    copy[std::size_t(i)] = values[i];
    if (matrix) copy[std::size_t(count + i)] = values[given + i];
  }
  std::string designation;
  const int r = runDialog(matrix ? 10 : 9, matrix ? 10 : 9, [&](QWidget* parent) -> QDialog* {
    auto* d = new VectorDialog(parent, matrix, cls, index, count, given, copy);
    QObject::connect(d, &QDialog::finished, [d, &designation](int) { designation = d->designation; });
    return d;
  });
  if (r != 1) return 0;
  for (int i = 0; i < count; ++i) {
    values[i] = copy[std::size_t(i)];
    if (matrix) values[given + i] = copy[std::size_t(count + i)];
  }
  // The name becomes the designation of every element shown.
  auto designate = [&](long operand) {
    if (engine::IoDescriptor* e = engine::slotTable().ensureDescriptor(cls, int(operand))) e->name = designation;
  };
  for (int i = 0; i < count; ++i) {
    designate(index + i);
    if (matrix) designate(index + given + i);
  }
  if (changed) *changed = 1;
  return 1;
}

// ---- template 7 ----
std::string& inputDialog(const std::string& caption, std::string& text, int maxLength, std::uint16_t* ok) {
  if (ok) *ok = 0;
  std::string offered = text.size() < 48 ? text : std::string();
  while (!offered.empty() && offered.back() == ' ') offered.pop_back();
  std::string answer;
  const int r = runDialog(7, 0, [&](QWidget* parent) -> QDialog* {
    auto* d = new ZDialog(parent, "Eingabe");
    if (!caption.empty()) d->setWindowTitle(q(caption));
    auto* layout = new QVBoxLayout(d);
    auto* edit = named(new QLineEdit(q(offered), d), 101);
    if (maxLength > 1) edit->setMaxLength(maxLength - 1);
    edit->selectAll();
    edit->setFocus();
    layout->addWidget(edit);
    auto* row = new QHBoxLayout;
    QPushButton* okB = d->button(106, "&OK", true);
    QPushButton* cancel = d->button(107, "&Abbruch");
    row->addWidget(okB);
    row->addWidget(cancel);
    layout->addLayout(row);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    QObject::connect(okB, &QPushButton::clicked, d, [d, edit, &answer] {
      answer = s(edit->text());
      if (answer.empty()) d->reject();   // an empty text counts as Cancel
      else d->accept();
    });
    d->centreOnScreen();
    return d;
  });
  if (r == 1) {
    if (maxLength > 0 && answer.size() > std::size_t(maxLength - 1)) answer.resize(std::size_t(maxLength - 1));
    text = answer;
    if (ok) *ok = 1;
  }
  return text;
}

// ---- templates 31 and 32 ----
void flagDialog(bool bits, const std::string& text, std::uint8_t* value, std::uint16_t* ok) {
  if (ok) *ok = 0;
  if (!value) return;
  std::uint8_t answer = *value;
  const int r = runDialog(bits ? 32 : 31, 0, [&](QWidget* parent) -> QDialog* {
    auto* d = new ZDialog(parent, "Zerlo");
    auto* layout = new QVBoxLayout(d);
    layout->addWidget(named(new QLabel(q(text), d), 109));
    std::vector<QAbstractButton*> boxes;
    auto* row = new QHBoxLayout;
    if (bits) {
      for (int n = 0; n < 8; ++n) {
        auto* b = named(new QCheckBox(QString::number(n), d), 132 + n);
        b->setChecked((answer >> n) & 1);
        row->addWidget(b);
        boxes.push_back(b);
      }
    } else {
      auto* on = named(new QRadioButton("ON", d), 133);
      auto* off = named(new QRadioButton("OFF", d), 132);
      (answer ? on : off)->setChecked(true);
      row->addWidget(on);
      row->addWidget(off);
      boxes = {off, on};
    }
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    QPushButton* okB = d->button(1, "&OK", true);
    QPushButton* cancel = d->button(2, "&Abbruch");
    buttons->addWidget(okB);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    QObject::connect(okB, &QPushButton::clicked, d, [d, boxes, bits, &answer] {
      if (bits) {
        answer = 0;
        for (int n = 0; n < 8; ++n)
          if (boxes[std::size_t(n)]->isChecked()) answer = std::uint8_t(answer | (1u << n));
      } else {
        answer = boxes[1]->isChecked() ? 1 : 0;
      }
      d->accept();
    });
    d->centreOnScreen();
    return d;
  });
  if (r == 1) {
    *value = answer;
    if (ok) *ok = 1;
  }
}

} // namespace

DialogHooks& dialogHooks() { return g_hooks; }

PreviewFit dlg_PreviewFit(int areaW, int areaH, int blockW, int blockH) {
  PreviewFit f;
  if (blockW <= 0 || blockH <= 0 || areaW <= 0 || areaH <= 0) return f;
  float zx = 1.0f, zy = 1.0f;
  if (blockW >= areaW) zx = float(areaW) / float(blockW);
  if (blockH >= areaH) zy = float(areaH) / float(blockH);
  f.zoom = std::min(zx, zy);
  if (blockW < areaW) f.offsetX = int((float(areaW) / f.zoom - float(blockW)) / 2);
  if (blockH < areaH) f.offsetY = int((float(areaH) / f.zoom - float(blockH)) / 2);
  return f;
}

QImage dlg_RenderPreview(const SelectCallbacks& cb, const std::string& library, const std::string& block, int width,
                         int height) {
  QImage img(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  img.fill(Qt::white);
  int bw = 0, bh = 0;
  if (block.empty() || !cb.blockSize || !cb.blockSize(block, bw, bh) || !cb.drawBlock) return img;
  const PreviewFit fit = dlg_PreviewFit(width, height, bw, bh);
  disp::Device* prevDevice = disp::gdi_CurrentDevice();
  disp::DrawWindow* prevWindow = disp::gdi_CurrentWindow();
  const float prevZoom = disp::gdi_GetZoom();
  {
    disp::QtDevice dev(&img);
    ImageWindow win(&dev);
    disp::gdi_SetCurrent(&dev, &win);
    disp::gdi_SetZoom(&fit.zoom);
    disp::gdi_DeleteFonts();
    disp::gdi_ResetAttributes();
    cb.drawBlock(library, block, fit.offsetX, fit.offsetY);
    disp::gdi_DeleteFonts();
    disp::gdi_SetCurrent(prevDevice, prevWindow);
  }
  disp::gdi_SetZoom(&prevZoom);
  disp::gdi_ResetAttributes();
  return img;
}

int dlg_SelectBlock(const SelectCallbacks& cb, std::string& block, std::string& library) {
  std::string b, l;
  const int r = runDialog(5, 5, [&](QWidget* parent) -> QDialog* {
    auto* d = new BlockDialog(parent, cb);
    QObject::connect(d, &QDialog::finished, [d, &b, &l](int) {
      b = d->block;
      l = d->library;
    });
    return d;
  });
  if (r == 1) {
    block = b;
    library = l;
    selectionState().blockName = b;
    selectionState().blockLibrary = l;
  } else {
    block.clear();
    library.clear();
  }
  return r;
}

int dlg_RemoveLibrary(const SelectCallbacks& cb, std::string& library) {
  return libraryDialog(20, "Bibliothek entfernen", cb, library);
}
int dlg_ReplaceLibrary(const SelectCallbacks& cb, std::string& library) {
  return libraryDialog(67, "Bibliothek ersetzen", cb, library);
}

std::string dlg_OperandText(int cls, long index, bool bit) {
  if (bit) return std::string(classPrefix(cls)) + std::to_string(index / 8) + "." + std::to_string(index % 8);
  return std::string(classPrefix(cls)) + std::to_string(index);
}

int dlg_ParamReal(double* value, double cls, double index, std::uint16_t* changed) {
  if (!value) return 0;
  const std::string shown = int(cls) == 11 ? intText(*value) : realText(*value, 13);
  ParamResult r = paramDialog(26, int(cls), long(index), dlg_OperandText(int(cls), long(index)), shown);
  if (!r.ok) return 0;
  *value = toReal(r.value, 29);
  if (changed) *changed = 1;
  return 1;
}
int dlg_ParamInt(std::int32_t* value, double cls, double index, std::uint16_t* changed) {
  if (!value) return 0;
  ParamResult r = paramDialog(26, int(cls), long(index), dlg_OperandText(int(cls), long(index)), std::to_string(*value));
  if (!r.ok) return 0;
  *value = std::int32_t(toLong(r.value));
  if (changed) *changed = 1;
  return 1;
}
int dlg_ParamBit(std::int32_t* value, double cls, double index, std::uint16_t* changed) {
  if (!value) return 0;
  ParamResult r = paramDialog(26, int(cls), long(index), dlg_OperandText(int(cls), long(index), true), *value ? "1" : "0");
  if (!r.ok) return 0;
  *value = toLong(r.value) != 0 ? 1 : 0;
  if (changed) *changed = 1;
  return 1;
}
int dlg_ParamText(char* text, double cls, double index, std::uint16_t* changed) {
  if (!text) return 0;
  ParamResult r = paramDialog(41, int(cls), long(index), dlg_OperandText(int(cls), long(index)), text);
  if (!r.ok) return 0;
  const std::string t = r.value.substr(0, 17);
  std::memcpy(text, t.c_str(), t.size() + 1);
  if (changed) *changed = 1;
  return 1;
}

int dlg_VectorInput(double* values, double cls, double index, double count, std::uint16_t* changed) {
  return vectorOrMatrix(false, values, cls, index, count, changed);
}
int dlg_MatrixInput(double* values, double cls, double index, double rows, std::uint16_t* changed) {
  return vectorOrMatrix(true, values, cls, index, rows, changed);
}

std::string& dlg_Input(const std::string& caption, std::string& text, int maxLength, std::uint16_t* ok) {
  if (g_hooks.onlineDisplayRuns && g_hooks.onlineDisplayRuns()) {
    if (ok) *ok = 0;
    return text;
  }
  return inputDialog(caption, text, maxLength, ok);
}
std::string& dlg_InputB(const std::string& caption, std::string& text, int maxLength, std::uint16_t* ok) {
  return inputDialog(caption, text, maxLength, ok);
}
void dlg_AskOnOff(const std::string& text, std::uint8_t* value, std::uint16_t* ok) { flagDialog(false, text, value, ok); }
void dlg_AskBits(const std::string& text, std::uint8_t* value, std::uint16_t* ok) { flagDialog(true, text, value, ok); }

// ---- the parameter dialogs of block code ----

namespace {
// An operand of an input/output class gets its name record when block code
// opens a dialog on it, so that the value entered is kept (the dialog refuses
// OK on an operand without one, as for any other class).
void ensureNameRecord(const engine::DialogOperand& op) {
  engine::slotTable().ensureDescriptor(op.cls, int(op.index));
}
} // namespace

bool DialogEngineServices::dialogReal(const engine::DialogOperand& op, double& value) {
  ensureNameRecord(op);
  const std::string shown = op.cls == 11 ? intText(value) : realText(value, 13);
  ParamResult r = paramDialog(26, op.cls, op.index, op.title, shown);
  if (!r.ok) return false;
  value = toReal(r.value, 29);
  return true;
}
bool DialogEngineServices::dialogInt(const engine::DialogOperand& op, std::int16_t& value) {
  ensureNameRecord(op);
  ParamResult r = paramDialog(26, op.cls, op.index, op.title, std::to_string(value));
  if (!r.ok) return false;
  value = std::int16_t(std::clamp<long>(toLong(r.value), INT16_MIN, INT16_MAX));
  return true;
}
bool DialogEngineServices::dialogBit(const engine::DialogOperand& op, bool& value, int bit) {
  ensureNameRecord(op);
  ParamResult r = paramDialog(26, op.cls, op.index, op.title + "." + std::to_string(bit), value ? "1" : "0");
  if (!r.ok) return false;
  value = toLong(r.value) != 0;
  return true;
}
bool DialogEngineServices::dialogText(const engine::DialogOperand& op, std::string& value) {
  ensureNameRecord(op);
  ParamResult r = paramDialog(41, op.cls, op.index, op.title, value);
  if (!r.ok) return false;
  value = r.value.substr(0, 17);
  return true;
}
bool DialogEngineServices::dialogVector(const engine::DialogOperand& op, std::vector<double>& values, bool matrix) {
  // A matrix holds two columns of rows elements each.
  const std::size_t n = matrix ? values.size() / 2 : values.size();
  if (n == 0) return false;
  std::uint16_t changed = 0;
  const int r = matrix ? dlg_MatrixInput(values.data(), op.cls, double(op.index), double(n), &changed)
                       : dlg_VectorInput(values.data(), op.cls, double(op.index), double(n), &changed);
  return r == 1;
}
bool DialogEngineServices::dialogInput(const std::string& prompt, std::string& text, std::int16_t value) {
  // The value is shown beside the prompt; the text is edited in place.
  std::uint16_t ok = 0;
  dlg_Input(prompt + " " + std::to_string(value), text, 48, &ok);
  return ok == 1;
}

namespace {
DialogEngineServices g_dialogServices;
} // namespace

void installDialogServices() {
  installServices();
  engine::setEngineServices(&g_dialogServices);
}

// ---- the block parameter forms' prompts ----
bool ShellParamDialogs::promptReal(const std::string& prompt, double& value) {
  std::string t = realText(value, 13);
  std::uint16_t ok = 0;
  dlg_InputB(prompt, t, 30, &ok);
  if (ok) value = toReal(t, 29);
  return ok != 0;
}
bool ShellParamDialogs::promptInt(const std::string& prompt, std::int16_t& value) {
  std::string t = std::to_string(value);
  std::uint16_t ok = 0;
  dlg_InputB(prompt, t, 30, &ok);
  if (ok) value = std::int16_t(std::clamp<long>(toLong(t), -32768, 32767));
  return ok != 0;
}
bool ShellParamDialogs::promptBool(const std::string& prompt, bool& value) {
  std::uint8_t v = value ? 1 : 0;
  std::uint16_t ok = 0;
  dlg_AskOnOff(prompt, &v, &ok);
  if (ok) value = v != 0;
  return ok != 0;
}
bool ShellParamDialogs::promptWord(const std::string& prompt, std::uint16_t& value, int bits) {
  if (bits > 8) {
    std::string t = std::to_string(value);
    std::uint16_t ok = 0;
    dlg_InputB(prompt, t, 30, &ok);
    if (ok) value = std::uint16_t(toLong(t));
    return ok != 0;
  }
  std::uint8_t v = std::uint8_t(value);
  std::uint16_t ok = 0;
  dlg_AskBits(prompt, &v, &ok);
  if (ok) value = v;
  return ok != 0;
}
bool ShellParamDialogs::promptText(const std::string& prompt, std::string& value, std::size_t maxLength) {
  std::uint16_t ok = 0;
  dlg_InputB(prompt, value, int(std::min<std::size_t>(maxLength + 1, 32000)), &ok);
  return ok != 0;
}
void ShellParamDialogs::message(int id) { bind_SW50_CallMBWithID(frame(), id, 0); }
bool ShellParamDialogs::askYesNo(int id, const std::string& insert) {
  if (id == 50042) return !msg_AskNewPath(insert);   // Yes: another path
  message(id);
  return false;
}

} // namespace shell
