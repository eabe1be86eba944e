// The formula, condition and show-values dialogs.
#include "dialogs.h"

#include "frame.h"
#include "operand.h"
#include "params.h"
#include "texts.h"

#include "dialogkit/qtkit.h"
#include "platform/uisink.h"
#include "zrlfbdlg/zrlfbdlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstring>

namespace fbd {

namespace {

// The parser may write aux while it checks: it works on a copy that reaches
// the caller only when the dialog ends with OK.
constexpr std::size_t kAuxCopy = 5;
using AuxCopy = std::array<std::int16_t, 16>;
AuxCopy copyAux(const std::int16_t* aux) {
  AuxCopy a{};
  if (aux) std::memcpy(a.data(), aux, kAuxCopy * sizeof(std::int16_t));
  return a;
}

QString q(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }
std::string s(const QString& t) { return t.toLocal8Bit().toStdString(); }

// The common frame: caption, placement at the cursor, F1, OK / Cancel buttons.
class FbDialog : public kit::Dialog {
public:
  FbDialog(QWidget* parent, unsigned dialog, unsigned typeName) : kit::Dialog(parent), id_(dialog), type_(typeName) {
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
  QPushButton* button(unsigned control, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("c%1").arg(control));
    b->setAutoDefault(false);
    return b;
  }
  void addButtons() {
    auto* row = new QHBoxLayout;
    auto* ok = button(1, ctl(1));
    ok->setDefault(true);
    auto* cancel = button(2, ctl(2));
    auto* help = button(3, ctl(3));
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    connect(cancel, &QPushButton::clicked, this, &FbDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { fbd_ShowBlockHelp(this, type_); });
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    layout_->addLayout(row);
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
  QVBoxLayout* layout_;
  unsigned id_, type_;
  bool placed_ = false;
};

class AssignDialog : public FbDialog {
public:
  AssignDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgAssign, kTypeAssign), text_(text), aux_(aux), vector_(vector) {
    auto* row = new QHBoxLayout;
    var_ = edit(1035, 5);
    expr_ = edit(1036, 34);
    row->addWidget(var_);
    row->addWidget(new QLabel(QStringLiteral("="), this));
    row->addWidget(expr_, 1);
    layout_->addLayout(row);
    operators(expr_, {{1038, "+", "+"}, {1039, "-", "-"}, {1040, "*", "*"}, {1041, "/", "/"}, {1042, "(", "("},
                      {1043, ")", ")"}});
    hints(true);
    addButtons();
    if (text) {
      var_->setText(q(readBounded(text, 10).substr(0, 5)));
      expr_->setText(q(readBounded(text + 10, 60).substr(0, 34)));
    }
    expr_->setMinimumWidth(280);
  }
  void onOk() override {
    std::string v = s(var_->text()), e = s(expr_->text());
    std::string formula = assignFormula(v, e);
    var_->setText(q(v));
    expr_->setText(q(e));
    AuxCopy a = copyAux(aux_);
    if (!parseFormula(formula.c_str(), a.data(), vector_)) {
      showRefusal();
      return;
    }
    if (aux_) std::memcpy(aux_, a.data(), kAuxCopy * sizeof(std::int16_t));
    assignWriteBack(v, e, text_, aux_);
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QLineEdit *var_, *expr_;
};

class ConditionDialog : public FbDialog {
public:
  ConditionDialog(QWidget* p, unsigned dialog, unsigned type, char* text, std::int16_t* aux, double* vector,
                  bool compare)
      : FbDialog(p, dialog, type), text_(text), aux_(aux), vector_(vector), compare_(compare) {
    cond_ = edit(1050, 40);
    cond_->setMinimumWidth(320);
    layout_->addWidget(cond_);
    operators(cond_, {{1042, "(", "("}, {1043, ")", ")"}, {1051, "=", "="}, {1052, "<", "<"}, {1053, ">", ">"},
                      {1054, "<=", "<="}, {1055, ">=", ">="}, {1056, "AND", " AND "}, {1057, "OR", " OR "},
                      {1058, "NOT", " NOT "}});
    hints(true);
    if (compare) {
      auto* row = new QHBoxLayout;
      row->addWidget(label(1007));
      one_ = new QRadioButton(QStringLiteral("1"), this);
      one_->setObjectName("c1059");
      zero_ = new QRadioButton(QStringLiteral("0"), this);
      zero_->setObjectName("c1060");
      row->addWidget(one_);
      row->addWidget(zero_);
      row->addStretch();
      layout_->addLayout(row);
      (aux && aux[3] != 0 ? one_ : zero_)->setChecked(true);
    }
    addButtons();
    if (text) cond_->setText(q(readBounded(text, ZRLFBDLG_CONDITION_TEXT_SIZE).substr(0, 40)));
  }
  void onOk() override {
    std::string c = conditionText(s(cond_->text()), compare_);
    cond_->setText(q(c));
    AuxCopy a = copyAux(aux_);
    if (!parseCondition(c.c_str(), a.data(), vector_)) {
      showRefusal();
      return;
    }
    if (aux_) std::memcpy(aux_, a.data(), kAuxCopy * sizeof(std::int16_t));
    conditionWriteBack(c, compare_, one_ && one_->isChecked(), text_, aux_);
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  bool compare_;
  QLineEdit* cond_;
  QRadioButton *one_ = nullptr, *zero_ = nullptr;
};

class VisualDialog : public FbDialog {
public:
  VisualDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgVisual, kTypeVisual), text_(text), aux_(aux), vector_(vector) {
    field_ = edit(1037, 5);
    layout_->addWidget(field_);
    hints(false);
    addButtons();
    if (text) field_->setText(q(readBounded(text, ZRLFBDLG_OPERAND_TEXT_SIZE).substr(0, 5)));
  }
  void onOk() override {
    field_->setText(q(visualWriteBack(s(field_->text()), text_, aux_, vector_)));
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QLineEdit* field_;
};

class WaitDialog : public FbDialog {
public:
  WaitDialog(QWidget* p, double* vector) : FbDialog(p, kDlgWait, kTypeWait), vector_(vector) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    edit_ = edit(1070, 6);
    row->addWidget(edit_);
    layout_->addLayout(row);
    auto* types = new QHBoxLayout;
    types->addWidget(label(1002));
    defined_ = radio(1074, ctl(1074));
    random_ = radio(1075, ctl(1075));
    types->addWidget(defined_);
    types->addWidget(random_);
    layout_->addLayout(types);
    addButtons();
    bool random = false;
    edit_->setText(q(waitText(vector[1], random)));
    (random ? random_ : defined_)->setChecked(true);
  }
  void onOk() override {
    vector_[1] = waitValue(s(edit_->text()), random_->isChecked());
    done(1);
  }
private:
  double* vector_;
  QLineEdit* edit_;
  QRadioButton *defined_, *random_;
};

class IncDecDialog : public FbDialog {
public:
  IncDecDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgIncDec, kTypeIncDec), text_(text), aux_(aux), vector_(vector) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    field_ = edit(1035, 5);
    row->addWidget(field_);
    row->addWidget(label(1002));
    layout_->addLayout(row);
    auto* dir = new QHBoxLayout;
    dir->addWidget(label(1003));
    plus_ = pushRadio(1083, QStringLiteral("+1"));
    minus_ = pushRadio(1084, QStringLiteral("-1"));
    dir->addWidget(plus_);
    dir->addWidget(minus_);
    layout_->addLayout(dir);
    addButtons();
    if (text) field_->setText(q(readBounded(text, ZRLFBDLG_OPERAND_TEXT_SIZE).substr(0, 5)));
    (aux && aux[1] != 0 ? minus_ : plus_)->setChecked(true);
  }
  void onOk() override {
    field_->setText(q(incDecWriteBack(s(field_->text()), minus_->isChecked(), text_, aux_, vector_)));
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QLineEdit* field_;
  QPushButton *plus_, *minus_;
};

class DisplayDialog : public FbDialog {
public:
  DisplayDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgDisplay, kTypeDisplay), text_(text), aux_(aux), vector_(vector) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    list_ = new QComboBox(this);
    list_->setObjectName("c1090");
    // The list sorts its texts.
    std::vector<std::pair<QString, int>> items = {{q(fbd::text(210)), 1}, {q(fbd::text(211)), 2}};
    std::sort(items.begin(), items.end());
    for (auto& [t, data] : items) list_->addItem(t, data);
    row->addWidget(list_);
    layout_->addLayout(row);
    auto* value = new QHBoxLayout;
    value->addWidget(label(1002));
    field_ = edit(1037, 6);
    value->addWidget(field_);
    layout_->addLayout(value);
    auto* g = new QGridLayout;
    g->addWidget(label(1003), 0, 0);
    g->addWidget(label(1004), 0, 1);
    g->addWidget(label(1005), 1, 0);
    g->addWidget(label(1006), 1, 1);
    g->addWidget(label(1007), 2, 0);
    layout_->addLayout(g);
    addButtons();
    int display = aux ? std::clamp<int>(aux[0], 1, 2) : 1;
    list_->setCurrentIndex(list_->findData(display));
    if (text) field_->setText(q(readBounded(text, 10)));
  }
  void onOk() override {
    int display = list_->currentIndex() >= 0 ? list_->currentData().toInt() : 0;
    displayWriteBack(s(field_->text()), display, text_, aux_, vector_);
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QComboBox* list_;
  QLineEdit* field_;
};

class MessageDialog : public FbDialog {
public:
  MessageDialog(QWidget* p, char* text, std::int16_t* aux)
      : FbDialog(p, kDlgMessage, kTypeMessage), text_(text), aux_(aux) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    field_ = edit(1091, 17);
    row->addWidget(field_);
    layout_->addLayout(row);
    layout_->addWidget(label(1002));
    auto* grid = new QGridLayout;
    group_ = new QButtonGroup(this);
    for (int i = 0; i < kColourCount; ++i) {
      auto* b = pushRadio(unsigned(1092 + i), ctl(unsigned(1092 + i)));
      group_->addButton(b, i);
      grid->addWidget(b, i / 4, i % 4);
    }
    layout_->addLayout(grid);
    addButtons();
    if (text) field_->setText(q(readBounded(text, 18).substr(0, 17)));
    int selected = messageButton(aux ? aux[0] : 100);
    if (selected >= 0) group_->button(selected)->setChecked(true);
  }
  void onOk() override {
    messageWriteBack(s(field_->text()), group_->checkedId(), text_, aux_);
    done(1);
  }
private:
  char* text_;
  std::int16_t* aux_;
  QLineEdit* field_;
  QButtonGroup* group_;
};

class TerminalDialog : public FbDialog {
public:
  TerminalDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgTerminal, kTypeTerminal), aux_(aux) {
    auto* row = new QHBoxLayout;
    auto* l = new QLabel(q(fbd::text(unsigned(204 + terminalParameter(aux)))), this);
    l->setObjectName("c1094");
    row->addWidget(l);
    field_ = edit(1093, 6);
    field_->setText(q(terminalText(aux)));
    row->addWidget(field_);
    layout_->addLayout(row);
    addButtons();
  }
  void onOk() override {
    if (aux_) aux_[1] = terminalValue(s(field_->text()));
    done(1);
  }
private:
  std::int16_t* aux_;
  QLineEdit* field_;
};

// The input list of the input dialogs: the names with the input numbers as item data.
void fillInputCombo(QComboBox* list) {
  list->clear();
  for (int n : inputList()) list->addItem(q(fbd::text(inputStringId(n))), n);
}
void selectInput(QComboBox* list, int n) {
  int i = list->findData(n);
  list->setCurrentIndex(i >= 0 ? i : list->findText(q(fbd::text(kFirstInput))));
}
int selectedData(QComboBox* list, int none) { return list->currentIndex() >= 0 ? list->currentData().toInt() : none; }

class OutputDialog : public FbDialog {
public:
  OutputDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgOutput, kTypeOutput), aux_(aux) {
    auto* grid = new QGridLayout;
    outputs_ = combo(1060);
    for (int i = 1; i <= 8; ++i) outputs_->addItem(q(fbd::text(unsigned(9 + i))), i);
    devices_ = combo(1061);
    std::vector<std::pair<QString, int>> items;
    for (int t = 0; t < 3; ++t) items.emplace_back(q(fbd::text(unsigned(20 + t))), t);
    std::sort(items.begin(), items.end());
    for (auto& [t, data] : items) devices_->addItem(t, data);
    grid->addWidget(label(1001), 0, 0);
    grid->addWidget(outputs_, 0, 1);
    grid->addWidget(label(1002), 1, 0);
    grid->addWidget(devices_, 1, 1);
    layout_->addLayout(grid);
    auto* states = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
      auto* col = new QVBoxLayout;
      states_[i] = pushRadio(unsigned(1063 + i), QString());
      labels_[i] = new QLabel(this);
      labels_[i]->setObjectName(QStringLiteral("c%1").arg(1068 + i));
      col->addWidget(states_[i]);
      col->addWidget(labels_[i], 0, Qt::AlignHCenter);
      states->addLayout(col);
    }
    layout_->addLayout(states);
    addButtons();
    OutputState st = outputOpen(aux);
    outputs_->setCurrentIndex(outputs_->findData(st.output));
    devices_->setCurrentIndex(devices_->findData(st.type));
    applyType(st.type);
    states_[st.state]->setChecked(true);
    connect(devices_, &QComboBox::currentIndexChanged, this, [this] { applyType(selectedData(devices_, 0)); });
  }
  void onOk() override {
    int state = -1;
    for (int i = 0; i < 3; ++i)
      if (states_[i]->isChecked() && !states_[i]->isHidden()) {
        state = i;
        break;
      }
    outputWriteBack(selectedData(outputs_, 0), selectedData(devices_, -1), state, aux_);
    done(1);
  }
private:
  QComboBox* combo(unsigned id) {
    auto* c = new QComboBox(this);
    c->setObjectName(QStringLiteral("c%1").arg(id));
    return c;
  }
  void applyType(int t) {
    t = std::clamp(t, 0, 2);
    static const unsigned first[3] = {30, 35, 40};
    int count = t == 0 ? 3 : 2;
    for (int i = 0; i < 3; ++i) {
      bool shown = i < count;
      states_[i]->setVisible(shown);
      labels_[i]->setVisible(shown);
      if (shown) labels_[i]->setText(q(fbd::text(first[t] + unsigned(i))));
    }
    if (t != 0 && states_[2]->isChecked()) states_[1]->setChecked(true);
  }
  std::int16_t* aux_;
  QComboBox *outputs_, *devices_;
  std::array<QPushButton*, 3> states_{};
  std::array<QLabel*, 3> labels_{};
};

class InputDialog : public FbDialog {
public:
  InputDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgInput, kTypeInput), aux_(aux) {
    auto* grid = new QGridLayout;
    inputs_ = new QComboBox(this);
    inputs_->setObjectName("c1077");
    types_ = new QComboBox(this);
    types_->setObjectName("c1061");
    grid->addWidget(label(1001), 0, 0);
    grid->addWidget(inputs_, 0, 1);
    grid->addWidget(label(1002), 1, 0);
    grid->addWidget(types_, 1, 1);
    layout_->addLayout(grid);
    auto* row = new QHBoxLayout;
    row->addWidget(label(1003));
    one_ = radio(1078, QStringLiteral("1"));
    zero_ = radio(1079, QStringLiteral("0"));
    row->addWidget(one_);
    row->addWidget(zero_);
    row->addStretch();
    layout_->addLayout(row);
    addButtons();
    fillInputCombo(inputs_);
    selectInput(inputs_, inputOpen(aux));
    fillTypes(selectedData(inputs_, 1), aux ? aux[1] : 0, true);
    (aux && aux[2] != 0 ? one_ : zero_)->setChecked(true);
    connect(inputs_, &QComboBox::currentIndexChanged, this,
            [this] { fillTypes(selectedData(inputs_, 1), selectedData(types_, 0), false); });
  }
  void onOk() override {
    inputWriteBack(selectedData(inputs_, 0), selectedData(types_, -1), one_->isChecked(), aux_);
    done(1);
  }
private:
  void fillTypes(int n, int t, bool forced) {
    std::vector<int> types = inputTypes(n);
    if (!forced && std::find(types.begin(), types.end(), t) != types.end()) return;
    int keep = inputTypeFor(n, t);
    QSignalBlocker block(types_);
    types_->clear();
    std::vector<std::pair<QString, int>> items;
    for (int type : types) items.emplace_back(q(fbd::text(unsigned(150 + type))), type);
    std::sort(items.begin(), items.end());
    for (auto& [text, data] : items) types_->addItem(text, data);
    types_->setCurrentIndex(types_->findData(keep));
  }
  std::int16_t* aux_;
  QComboBox *inputs_, *types_;
  QRadioButton *one_, *zero_;
};

class EdgeDialog : public FbDialog {
public:
  EdgeDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgEdge, kTypeEdge), aux_(aux) {
    auto* row = new QHBoxLayout;
    inputs_ = new QComboBox(this);
    inputs_->setObjectName("c1077");
    row->addWidget(label(1001));
    row->addWidget(inputs_);
    layout_->addLayout(row);
    auto* edges = new QHBoxLayout;
    rising_ = pushRadio(1081, ctl(1081));
    falling_ = pushRadio(1082, ctl(1082));
    edges->addWidget(rising_);
    edges->addWidget(falling_);
    layout_->addLayout(edges);
    addButtons();
    fillInputCombo(inputs_);
    selectInput(inputs_, aux ? aux[0] : 1);
    (aux && aux[1] != 0 ? falling_ : rising_)->setChecked(true);
  }
  void onOk() override {
    edgeWriteBack(selectedData(inputs_, 0), falling_->isChecked(), aux_);
    done(1);
  }
private:
  std::int16_t* aux_;
  QComboBox* inputs_;
  QPushButton *rising_, *falling_;
};

class PositionDialog : public FbDialog {
public:
  PositionDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgPosition, kTypePosition), text_(text), aux_(aux), vector_(vector) {
    auto* grid = new QGridLayout;
    inputs_ = new QComboBox(this);
    inputs_->setObjectName("c1077");
    counter_ = edit(1086, 5);
    standard_ = new QCheckBox(ctl(1087), this);
    standard_->setObjectName("c1087");
    result_ = edit(1088, 6);
    grid->addWidget(label(1001), 0, 0);
    grid->addWidget(inputs_, 0, 1);
    grid->addWidget(label(1002), 1, 0);
    grid->addWidget(counter_, 1, 1);
    grid->addWidget(standard_, 2, 1);
    grid->addWidget(label(1003), 3, 0);
    grid->addWidget(result_, 3, 1);
    layout_->addLayout(grid);
    auto* dir = new QHBoxLayout;
    dir->addWidget(label(1004));
    plus_ = pushRadio(1083, QStringLiteral("+1"));
    minus_ = pushRadio(1084, QStringLiteral("-1"));
    dir->addWidget(plus_);
    dir->addWidget(minus_);
    layout_->addLayout(dir);
    addButtons();
    fillInputCombo(inputs_);
    selectInput(inputs_, aux ? aux[0] : 1);
    standard_->setChecked(aux && aux[2] != 0);
    if (text) counter_->setText(q(readBounded(text, 10).substr(0, 5)));
    update();
    if (text) result_->setText(q(readBounded(text + 10, 10).substr(0, 6)));
    (aux && aux[1] > 9 ? minus_ : plus_)->setChecked(true);
    connect(standard_, &QCheckBox::clicked, this, [this] { update(); });
    connect(inputs_, &QComboBox::currentIndexChanged, this, [this] { update(); });
  }
  void onOk() override {
    positionWriteBack(selectedData(inputs_, 1), standard_->isChecked(), minus_->isChecked(), s(counter_->text()),
                      s(result_->text()), text_, aux_, vector_);
    done(1);
  }
private:
  void update() {
    int n = selectedData(inputs_, 1);
    if (n <= 0) n = 1;
    if (standard_->isChecked()) {
      if (n <= 16) {
        counter_->setEnabled(false);
        standard_->setVisible(true);
      } else {
        counter_->setEnabled(true);
        standard_->setVisible(false);
        standard_->setChecked(false);
      }
      counter_->setText(q(positionStandardCounter(n)));
    } else {
      standard_->setVisible(n <= 16);
      counter_->setEnabled(true);
    }
  }
  char* text_;
  std::int16_t* aux_;
  double* vector_;
  QComboBox* inputs_;
  QLineEdit *counter_, *result_;
  QCheckBox* standard_;
  QPushButton *plus_, *minus_;
};

int run(double* vector, unsigned id, const kit::DialogFactory& make) {
  return kit::runModal(ownerOf(vector), make, {kLibrary, int(id)});
}

} // namespace

int runAssign(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgAssign, [=](QWidget* p) { return new AssignDialog(p, t, aux, v); });
}
int runCompare(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgCompare, [=](QWidget* p) {
    return new ConditionDialog(p, kDlgCompare, kTypeCompare, t, aux, v, true);
  });
}
int runResetStop(char* t, std::int16_t* aux, double* v, int mode) {
  return run(v, kDlgResetStop, [=](QWidget* p) {
    auto* d = new ConditionDialog(p, kDlgResetStop, mode == 1 ? kTypeStop : kTypeReset, t, aux, v, false);
    d->setWindowTitle(q(text(unsigned(mode) + 1)));
    return d;
  });
}
int runVisual(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgVisual, [=](QWidget* p) { return new VisualDialog(p, t, aux, v); });
}
int runWait(double* v) {
  return run(v, kDlgWait, [=](QWidget* p) { return new WaitDialog(p, v); });
}
int runIncDec(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgIncDec, [=](QWidget* p) { return new IncDecDialog(p, t, aux, v); });
}
int runDisplay(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgDisplay, [=](QWidget* p) { return new DisplayDialog(p, t, aux, v); });
}
int runMessage(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgMessage, [=](QWidget* p) { return new MessageDialog(p, t, aux); });
}
int runTerminal(std::int16_t* aux, double* v) {
  return run(v, kDlgTerminal, [=](QWidget* p) { return new TerminalDialog(p, aux); });
}
int runOutput(std::int16_t* aux, double* v) {
  return run(v, kDlgOutput, [=](QWidget* p) { return new OutputDialog(p, aux); });
}
int runInput(std::int16_t* aux, double* v) {
  return run(v, kDlgInput, [=](QWidget* p) { return new InputDialog(p, aux); });
}
int runEdge(std::int16_t* aux, double* v) {
  return run(v, kDlgEdge, [=](QWidget* p) { return new EdgeDialog(p, aux); });
}
int runPosition(char* t, std::int16_t* aux, double* v) {
  return run(v, kDlgPosition, [=](QWidget* p) { return new PositionDialog(p, t, aux, v); });
}
int notBuilt(char*, std::int16_t*) { return 2; }

} // namespace fbd
