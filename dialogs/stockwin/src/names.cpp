// The subprogram dialogs (180, 181, 182, 200) and the connector (195) and
// text (196) insertion dialogs.
#include "core.h"
#include "frame.h"
#include "texts.h"

#include "platform/export.h"
#include "platform/uisink.h"

#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstring>
#include <memory>

namespace sw {

namespace {

constexpr int kNameMax = 14;

void copyOut(char* buf, const std::string& s, std::size_t max) {
  if (!buf) return;
  std::size_t n = std::min(s.size(), max);
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
}

QLineEdit* nameEdit(QWidget* parent, int id, int maxLength, bool upper) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QStringLiteral("c%1").arg(id));
  e->setMaxLength(maxLength);
  if (upper)
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& t) {
      QString u = t.toUpper();
      if (u != t) {
        int pos = e->cursorPosition();
        e->setText(u);
        e->setCursorPosition(pos);
      }
    });
  return e;
}


// Selects the first entry that begins with prefix (case ignored); false when none.
bool selectPrefix(QListWidget* l, const char* prefix) {
  if (!prefix || !*prefix) return false;
  QString p = QString::fromUtf8(prefix);
  for (int i = 0; i < l->count(); ++i)
    if (l->item(i)->text().startsWith(p, Qt::CaseInsensitive)) {
      l->setCurrentRow(i);
      return true;
    }
  return false;
}
bool selectPrefix(QComboBox* c, const char* prefix) {
  if (!prefix || !*prefix) return false;
  QString p = QString::fromUtf8(prefix);
  for (int i = 0; i < c->count(); ++i)
    if (c->itemText(i).startsWith(p, Qt::CaseInsensitive)) {
      c->setCurrentIndex(i);
      return true;
    }
  return false;
}

QStringList sortedNames(NameNode** list) {
  QStringList out;
  for (const auto& n : listNames(list)) out << QString::fromStdString(n);
  out.sort(Qt::CaseInsensitive);
  return out;
}

// ---- 180 ----
class SelectMacroDialog : public SwDialog {
public:
  SelectMacroDialog(QWidget* parent, NameNode** names, char* answer) : SwDialog(parent, kDlgSelectMacro), answer_(answer) {
    setHelp(3);
    auto* lay = new QVBoxLayout(this);
    edit_ = nameEdit(this, 1080, kNameMax, true);
    list_ = new QListWidget(this);
    list_->setObjectName("c1081");
    list_->addItems(sortedNames(names));
    lay->addWidget(edit_);
    lay->addWidget(list_);
    ok_ = okCancel(this, lay);
    if (list_->currentItem()) edit_->setText(list_->currentItem()->text().left(kNameMax));
    connect(ok_, &QPushButton::clicked, this, [this] { onOk(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] {
      edit_->setText(list_->currentItem() ? list_->currentItem()->text().left(kNameMax) : QString());
      update();
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
      edit_->setText(it->text().left(kNameMax));
      onOk();
    });
    connect(edit_, &QLineEdit::textChanged, this, [this] { update(); });
    update();
  }
private:
  void update() { ok_->setEnabled(!edit_->text().isEmpty()); }
  void onOk() {
    if (!answer_) return done(1);
    std::string name = upperCut(edit_->text().toStdString(), kNameMax);
    if (name.empty()) return;
    if (!isValidName(name.c_str())) {
      message(kBadMacroName);
      edit_->setFocus();
      return;
    }
    copyOut(answer_, name, kNameMax);
    done(1);
  }
  char* answer_;
  QLineEdit* edit_;
  QListWidget* list_;
  QPushButton* ok_;
};

// ---- 181 and 200 ----
class CopyOrRenameDialog : public SwDialog {
public:
  CopyOrRenameDialog(QWidget* parent, unsigned id, NameNode** names, char* first, char* second)
      : SwDialog(parent, id), names_(names), first_(first), second_(second) {
    setHelp(id == kDlgCopyMacro ? 30 : 77);
    auto* lay = new QVBoxLayout(this);
    combo_ = new QComboBox(this);
    combo_->setObjectName("c1084");
    combo_->addItems(sortedNames(names));
    edit_ = nameEdit(this, 1083, kNameMax, true);
    lay->addWidget(combo_);
    lay->addWidget(edit_);
    ok_ = okCancel(this, lay);
    if (!selectPrefix(combo_, first) && combo_->count() > 0) combo_->setCurrentIndex(0);
    if (second) edit_->setText(QString::fromUtf8(second).left(kNameMax));
    connect(ok_, &QPushButton::clicked, this, [this] { onOk(); });
    connect(combo_, &QComboBox::currentIndexChanged, this, [this] { update(); });
    connect(edit_, &QLineEdit::textChanged, this, [this] { update(); });
    update();
  }
private:
  void update() { ok_->setEnabled(combo_->currentIndex() >= 0 && !edit_->text().isEmpty()); }
  // Both answers are checked first and written only when the dialog ends with
  // OK: a refused name followed by Cancel leaves the caller's buffers as they were.
  void onOk() {
    if (first_ && combo_->currentIndex() < 0) return;
    std::string name;
    if (second_) {
      name = upperCut(edit_->text().toStdString(), kNameMax);
      if (name.empty()) return;
      if (names_ && findName(names_, name.c_str())) {
        message(kMacroExists);
        edit_->setFocus();
        return;
      }
      if (names_ && !isValidName(name.c_str())) {
        message(kBadMacroName);
        edit_->setFocus();
        return;
      }
    }
    if (first_) copyOut(first_, upperCut(combo_->currentText().toStdString(), kNameMax), kNameMax);
    if (second_) copyOut(second_, name, kNameMax);
    done(1);
  }
  NameNode** names_;
  char* first_;
  char* second_;
  QComboBox* combo_;
  QLineEdit* edit_;
  QPushButton* ok_;
};

// ---- 182 ----
class DesignOrDeleteDialog : public SwDialog {
public:
  DesignOrDeleteDialog(QWidget* parent, int mode, NameNode** names, char* buf)
      : SwDialog(parent, kDlgDesignOrDelete), buf_(buf) {
    setHelp(mode == 1 ? 4 : 21);
    std::string caption = text(kDesignCaption + unsigned(mode == 1 ? 1 : 0));
    if (mode != 0 && mode != 1) caption.clear();
    if (!caption.empty()) setWindowTitle(QString::fromStdString(caption));
    auto* lay = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("c1081");
    list_->addItems(sortedNames(names));
    lay->addWidget(list_);
    ok_ = okCancel(this, lay);
    if (!selectPrefix(list_, buf) && list_->count() > 0) list_->setCurrentRow(0);
    connect(ok_, &QPushButton::clicked, this, [this] { onOk(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { update(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
      update();
      onOk();
    });
    update();
  }
private:
  void update() { ok_->setEnabled(list_->currentItem() != nullptr); }
  void onOk() {
    if (!buf_) return done(1);
    if (!list_->currentItem()) return;
    copyOut(buf_, upperCut(list_->currentItem()->text().toStdString(), kNameMax), kNameMax);
    done(1);
  }
  char* buf_;
  QListWidget* list_;
  QPushButton* ok_;
};

// ---- 195 ----
class ConnectorDialog : public SwDialog {
public:
  ConnectorDialog(QWidget* parent, ConnectorParams* p) : SwDialog(parent, kDlgConnector), p_(p) {
    output_ = p && p->kind && std::strcmp(p->kind, "Output") == 0;
    setWindowTitle(QString::fromStdString(text(output_ ? kSubOut : kSubIn)));
    setHelpKeyword(text(output_ ? kKeySubOut : kKeySubIn));
    auto* lay = new QVBoxLayout(this);
    edit_ = nameEdit(this, 1080, 7, false);
    lay->addWidget(edit_);
    ok_ = okCancel(this, lay);
    if (p && p->name) edit_->setText(QString::fromUtf8(p->name).left(7));
    connect(ok_, &QPushButton::clicked, this, [this] { onOk(); });
    connect(edit_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(!edit_->text().isEmpty()); });
    ok_->setEnabled(!edit_->text().isEmpty());
    placeAtCursorOnShow();
  }
private:
  void onOk() {
    std::string name = edit_->text().toStdString();
    if (name.empty()) return;
    name = name.substr(0, 7);
    if (!p_) return done(1);
    int count = countName(p_->names, name.c_str());
    // A null current name is no current name.
    bool own = p_->name && name == p_->name;
    if (count == 0 || (count == 1 && own)) {
      if (!isBlankFree(name.c_str())) {
        message(kBadName);
        return;
      }
      copyOut(p_->name, name, 7);
      if (!(p_->flags & 1)) p_->value1 = p_->value2 = 0;
      return done(1);
    }
    message(output_ ? kSubOutUsed : kSubInUsed);
  }
  ConnectorParams* p_;
  bool output_ = false;
  QLineEdit* edit_;
  QPushButton* ok_;
};

} // namespace

// ---- 196: the text dialog (its text logic is in core for the CR/LF round trip) ----
namespace {

class Preview : public QWidget {
public:
  explicit Preview(QWidget* parent) : QWidget(parent) { setMinimumSize(120, 48); }
  int height = 18;
  float scale = 1.0f;
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont f = font();
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(float(height) * scale)));
    p.setFont(f);
    p.setPen(Qt::black);
    p.setClipRect(rect());
    p.drawText(rect(), Qt::AlignCenter, QString::fromStdString(text(kPreviewText)));
  }
};

class TextDialog : public SwDialog {
public:
  TextDialog(QWidget* parent, TextParams* p) : SwDialog(parent, kDlgText), p_(p) {
    setHelpKeyword(text(kKeyText));
    setSizeGripEnabled(true);
    auto* lay = new QHBoxLayout(this);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName("c1023");
    lay->addWidget(edit_, 1);
    auto* side = new QVBoxLayout;
    auto* label = new QLabel(QString::fromStdString(dialogText(kDlgText, 1095)), this);
    label->setObjectName("c1095");
    side->addWidget(label);
    for (int i = 0; i < 3; ++i) {
      radio_[i] = new QRadioButton(QString::fromStdString(dialogText(kDlgText, 1024u + unsigned(i))), this);
      radio_[i]->setObjectName(QStringLiteral("c%1").arg(1024 + i));
      side->addWidget(radio_[i]);
      connect(radio_[i], &QRadioButton::clicked, this, [this] {
        changed();
        preview_->update();
      });
    }
    preview_ = new Preview(this);
    preview_->setObjectName("c1003");
    side->addWidget(preview_);
    side->addStretch();
    auto* ok = new QPushButton(q(buttonText(kDlgText, 1)), this);
    ok->setObjectName("c1");
    ok->setDefault(false);
    auto* cancel = new QPushButton(q(buttonText(kDlgText, 2)), this);
    cancel->setObjectName("c2");
    side->addWidget(ok);
    side->addWidget(cancel);
    lay->addLayout(side);
    ok_ = ok;
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(edit_->document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
      addedEnd_ = from + added;
    });
    connect(edit_, &QPlainTextEdit::textChanged, this, [this] {
      keepLimit();
      changed();
    });
  }
  // Fills the dialog from the record; false when the user cancelled the too-long warning.
  bool start() {
    int font = 16;
    if (p_) {
      std::string shown;
      bool terminated = false;
      if (p_->text)
        for (int i = 0; i < p_->size; ++i) {
          char c = p_->text[i];
          if (c == '\0') {
            terminated = true;
            break;
          }
          shown += c;
          if (c == '\r') shown += '\n';
        }
      if (p_->text && !terminated && message(kTextTooLong, plat::ui::MB_OKCANCEL) == plat::ui::IDCANCEL) return false;
      limit_ = std::max(0, p_->size - 1);
      // The edit shows line feeds only. The record's own text is shown whole,
      // even beyond the limit (OK cuts it and warns); only typing is limited.
      std::string edit;
      for (char c : shown)
        if (c != '\r') edit += c;
      filling_ = true;
      edit_->setPlainText(QString::fromStdString(edit));
      filling_ = false;
      length_ = int(edit_->document()->characterCount()) - 1;
      font = p_->fontSize;
      preview_->scale = p_->scale;
    }
    radio_[font > 16 ? 2 : font > 8 ? 1 : 0]->setChecked(true);
    changed();
    adjustSize();
    setMinimumSize(size());
    placeAtCursorOnShow();
    return true;
  }
private:
  int fontSize() const {
    for (int i = 0; i < 3; ++i)
      if (radio_[i]->isChecked()) return 8 * (i + 1);
    return 0;
  }
  // The edit holds at most limit_ characters (a line break counts as one, as
  // it goes back as a carriage return alone): what typing or a paste adds
  // beyond it is taken off the end of what was added. A text that already was
  // longer (the record's) may shrink but not grow.
  void keepLimit() {
    if (filling_ || !p_) return;
    int now = int(edit_->document()->characterCount()) - 1;
    int allowed = std::max(limit_, length_);
    if (now > allowed) {
      int end = std::min(addedEnd_, now);
      QTextCursor c(edit_->document());
      c.setPosition(end);
      c.setPosition(std::max(0, end - (now - allowed)), QTextCursor::KeepAnchor);
      filling_ = true;
      c.removeSelectedText();
      filling_ = false;
      edit_->setTextCursor(c);
      now = int(edit_->document()->characterCount()) - 1;
    }
    length_ = now;
  }
  void changed() {
    int f = fontSize();
    preview_->height = f == 24 ? 24 : f == 16 ? 18 : 12;
    ok_->setEnabled(!edit_->toPlainText().isEmpty());
  }
  void onOk() {
    if (!ok_->isEnabled()) return;
    if (!p_) return done(1);
    std::string t = edit_->toPlainText().toStdString();
    if (!p_->text || t.empty()) return;
    // A line break of the edit goes back as a carriage return alone.
    std::string out;
    for (char c : t) out += c == '\n' ? '\r' : c;
    std::size_t room = std::size_t(std::max(0, p_->size - 1));
    bool cut = out.size() > room;
    copyOut(p_->text, out, room);
    if (cut && message(kTextTooLong, plat::ui::MB_OKCANCEL) == plat::ui::IDCANCEL) return;
    int f = fontSize();
    if (!f) return;
    p_->fontSize = std::int16_t(f);
    done(1);
  }
  TextParams* p_;
  int limit_ = 0;
  int length_ = 0;
  int addedEnd_ = 0;
  bool filling_ = false;
  QPlainTextEdit* edit_;
  QRadioButton* radio_[3];
  Preview* preview_;
  QPushButton* ok_;
};

} // namespace

} // namespace sw

using namespace sw;

ZERLO_EXPORT int SW07_CallSelectMacroDlg(SwWindow owner, NameNode** names, char* answer) {
  if (answer) answer[0] = '\0';
  return run(owner, kDlgSelectMacro, [=](QWidget* parent) { return new SelectMacroDialog(parent, names, answer); });
}

ZERLO_EXPORT int SW08_CallCopyMacroDlg(SwWindow owner, NameNode** names, char* source, char* destination) {
  return run(owner, kDlgCopyMacro,
             [=](QWidget* parent) { return new CopyOrRenameDialog(parent, kDlgCopyMacro, names, source, destination); });
}

ZERLO_EXPORT int SW09_CallDesignOrDeleteMacroDlg(SwWindow owner, int mode, NameNode** names, char* name) {
  return run(owner, kDlgDesignOrDelete,
             [=](QWidget* parent) { return new DesignOrDeleteDialog(parent, mode, names, name); });
}

ZERLO_EXPORT int SW10_CallRenameMacroDlg(SwWindow owner, NameNode** names, char* oldName, char* newName) {
  return run(owner, kDlgRenameMacro,
             [=](QWidget* parent) { return new CopyOrRenameDialog(parent, kDlgRenameMacro, names, oldName, newName); });
}

ZERLO_EXPORT int SW30_CallInsertConnectorDlg(SwWindow owner, ConnectorParams* p) {
  return run(owner, kDlgConnector, [=](QWidget* parent) { return new ConnectorDialog(parent, p); });
}

ZERLO_EXPORT int SW31_CallInsertTextDlg(SwWindow owner, TextParams* p) {
  // The caller waits for the run, so the flag outlives the factory.
  bool refused = false;
  int r = run(owner, kDlgText, [p, &refused](QWidget* parent) -> QDialog* {
    auto* d = new TextDialog(parent, p);
    if (!d->start()) {
      refused = true;
      delete d;
      return nullptr;
    }
    return d;
  });
  // Cancel on the too-long warning at the start ends the dialog as Cancel.
  return refused ? 2 : r;
}
