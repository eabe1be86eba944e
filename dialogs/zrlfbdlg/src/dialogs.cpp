// The parameter dialogs but the beep dialog.
#include "dialogs.h"

#include "fbdialog.h"
#include "params.h"
#include "texts.h"

#include "zrlfbdlg/zrlfbdlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>

#include <algorithm>

namespace fbd {

namespace {

class AssignDialog : public FbDialog {
public:
  AssignDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgAssign, kTypeAssign, text, aux, vector) {
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
    if (!parseAccepted(parseFormula, formula)) return;
    assignWriteBack(v, e, text_, aux_);
    done(1);
  }
private:
  QLineEdit *var_, *expr_;
};

class ConditionDialog : public FbDialog {
public:
  ConditionDialog(QWidget* p, unsigned dialog, unsigned type, char* text, std::int16_t* aux, double* vector,
                  bool compare)
      : FbDialog(p, dialog, type, text, aux, vector), compare_(compare) {
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
    if (!parseAccepted(parseCondition, c)) return;
    conditionWriteBack(c, compare_, one_ && one_->isChecked(), text_, aux_);
    done(1);
  }
private:
  bool compare_;
  QLineEdit* cond_;
  QRadioButton *one_ = nullptr, *zero_ = nullptr;
};

class VisualDialog : public FbDialog {
public:
  VisualDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgVisual, kTypeVisual, text, aux, vector) {
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
  QLineEdit* field_;
};

class WaitDialog : public FbDialog {
public:
  WaitDialog(QWidget* p, double* vector) : FbDialog(p, kDlgWait, kTypeWait, nullptr, nullptr, vector) {
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
  QLineEdit* edit_;
  QRadioButton *defined_, *random_;
};

class IncDecDialog : public FbDialog {
public:
  IncDecDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgIncDec, kTypeIncDec, text, aux, vector) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    field_ = edit(1035, 5);
    row->addWidget(field_);
    row->addWidget(label(1002));
    layout_->addLayout(row);
    directionRow(1003, aux && aux[1] != 0, 187);
    addButtons();
    if (text) field_->setText(q(readBounded(text, ZRLFBDLG_OPERAND_TEXT_SIZE).substr(0, 5)));
  }
  void onOk() override {
    field_->setText(q(incDecWriteBack(s(field_->text()), minus_->isChecked(), text_, aux_, vector_)));
    done(1);
  }
private:
  QLineEdit* field_;
};

class DisplayDialog : public FbDialog {
public:
  DisplayDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgDisplay, kTypeDisplay, text, aux, vector) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(1001));
    list_ = combo(1090);
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
  QComboBox* list_;
  QLineEdit* field_;
};

class MessageDialog : public FbDialog {
public:
  MessageDialog(QWidget* p, char* text, std::int16_t* aux)
      : FbDialog(p, kDlgMessage, kTypeMessage, text, aux) {
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
      setPictogram(b, unsigned(195 + i));
      b->setIconSize(QSize(16, 16));
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
  QLineEdit* field_;
  QButtonGroup* group_;
};

class TerminalDialog : public FbDialog {
public:
  TerminalDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgTerminal, kTypeTerminal, nullptr, aux) {
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
  QLineEdit* field_;
};

void selectInput(QComboBox* list, int n) {
  int i = list->findData(n);
  list->setCurrentIndex(i >= 0 ? i : list->findText(q(fbd::text(kFirstInput))));
}
int selectedData(QComboBox* list, int none) { return list->currentIndex() >= 0 ? list->currentData().toInt() : none; }

class OutputDialog : public FbDialog {
public:
  OutputDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgOutput, kTypeOutput, nullptr, aux) {
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
    picture_ = besidePicture(grid);
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
  void applyType(int t) {
    t = std::clamp(t, 0, 2);
    static const unsigned first[3] = {30, 35, 40};
    static const unsigned pictograms[3] = {140, 145, 150};
    picture_->show(160u + unsigned(t));
    int count = t == 0 ? 3 : 2;
    for (int i = 0; i < 3; ++i) {
      bool shown = i < count;
      states_[i]->setVisible(shown);
      labels_[i]->setVisible(shown);
      if (shown) {
        labels_[i]->setText(q(fbd::text(first[t] + unsigned(i))));
        setPictogram(states_[i], pictograms[t] + unsigned(i));
      }
    }
    if (t != 0 && states_[2]->isChecked()) states_[1]->setChecked(true);
  }
  QComboBox *outputs_, *devices_;
  PictureFrame* picture_;
  std::array<QPushButton*, 3> states_{};
  std::array<QLabel*, 3> labels_{};
};

class InputDialog : public FbDialog {
public:
  InputDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgInput, kTypeInput, nullptr, aux) {
    auto* grid = new QGridLayout;
    inputs_ = inputCombo();
    types_ = combo(1061);
    grid->addWidget(label(1001), 0, 0);
    grid->addWidget(inputs_, 0, 1);
    grid->addWidget(label(1002), 1, 0);
    grid->addWidget(types_, 1, 1);
    picture_ = besidePicture(grid);
    auto* row = new QHBoxLayout;
    row->addWidget(label(1003));
    one_ = radio(1078, QStringLiteral("1"));
    zero_ = radio(1079, QStringLiteral("0"));
    row->addWidget(one_);
    row->addWidget(zero_);
    row->addStretch();
    layout_->addLayout(row);
    addButtons();
    selectInput(inputs_, inputOpen(aux));
    fillTypes(selectedData(inputs_, 1), aux ? aux[1] : 0, true);
    (aux && aux[2] != 0 ? one_ : zero_)->setChecked(true);
    connect(inputs_, &QComboBox::currentIndexChanged, this,
            [this] { fillTypes(selectedData(inputs_, 1), selectedData(types_, 0), false); });
    connect(types_, &QComboBox::currentIndexChanged, this, [this] { showPicture(); });
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
    showPicture();
  }
  void showPicture() {
    int t = selectedData(types_, -1);
    if (t >= 0) picture_->show(170u + unsigned(t));
  }
  QComboBox *inputs_, *types_;
  PictureFrame* picture_;
  QRadioButton *one_, *zero_;
};

class EdgeDialog : public FbDialog {
public:
  EdgeDialog(QWidget* p, std::int16_t* aux) : FbDialog(p, kDlgEdge, kTypeEdge, nullptr, aux) {
    auto* row = new QHBoxLayout;
    inputs_ = inputCombo();
    row->addWidget(label(1001));
    row->addWidget(inputs_);
    layout_->addLayout(row);
    auto* edges = new QHBoxLayout;
    rising_ = pushRadio(1081, ctl(1081));
    falling_ = pushRadio(1082, ctl(1082));
    setPictogram(rising_, 185);
    setPictogram(falling_, 186);
    edges->addWidget(rising_);
    edges->addWidget(falling_);
    layout_->addLayout(edges);
    addButtons();
    selectInput(inputs_, aux ? aux[0] : 1);
    (aux && aux[1] != 0 ? falling_ : rising_)->setChecked(true);
  }
  void onOk() override {
    edgeWriteBack(selectedData(inputs_, 0), falling_->isChecked(), aux_);
    done(1);
  }
private:
  QComboBox* inputs_;
  QPushButton *rising_, *falling_;
};

class PositionDialog : public FbDialog {
public:
  PositionDialog(QWidget* p, char* text, std::int16_t* aux, double* vector)
      : FbDialog(p, kDlgPosition, kTypePosition, text, aux, vector) {
    auto* grid = new QGridLayout;
    inputs_ = inputCombo();
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
    directionRow(1004, aux && aux[1] > 9, 190);
    addButtons();
    selectInput(inputs_, aux ? aux[0] : 1);
    standard_->setChecked(aux && aux[2] != 0);
    if (text) counter_->setText(q(readBounded(text, 10).substr(0, 5)));
    update();
    if (text) result_->setText(q(readBounded(text + 10, 10).substr(0, 6)));
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
  QComboBox* inputs_;
  QLineEdit *counter_, *result_;
  QCheckBox* standard_;
};

} // namespace

int runDialog(double* vector, unsigned id, const kit::DialogFactory& make) {
  return kit::runModal(ownerOf(vector), make, {kLibrary, int(id)});
}

int runAssign(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgAssign, [=](QWidget* p) { return new AssignDialog(p, t, aux, v); });
}
int runCompare(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgCompare, [=](QWidget* p) {
    return new ConditionDialog(p, kDlgCompare, kTypeCompare, t, aux, v, true);
  });
}
int runResetStop(char* t, std::int16_t* aux, double* v, int mode) {
  return runDialog(v, kDlgResetStop, [=](QWidget* p) {
    auto* d = new ConditionDialog(p, kDlgResetStop, mode == 1 ? kTypeStop : kTypeReset, t, aux, v, false);
    d->setWindowTitle(q(text(unsigned(mode) + 1)));
    return d;
  });
}
int runVisual(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgVisual, [=](QWidget* p) { return new VisualDialog(p, t, aux, v); });
}
int runWait(double* v) {
  return runDialog(v, kDlgWait, [=](QWidget* p) { return new WaitDialog(p, v); });
}
int runIncDec(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgIncDec, [=](QWidget* p) { return new IncDecDialog(p, t, aux, v); });
}
int runDisplay(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgDisplay, [=](QWidget* p) { return new DisplayDialog(p, t, aux, v); });
}
int runMessage(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgMessage, [=](QWidget* p) { return new MessageDialog(p, t, aux); });
}
int runTerminal(std::int16_t* aux, double* v) {
  return runDialog(v, kDlgTerminal, [=](QWidget* p) { return new TerminalDialog(p, aux); });
}
int runOutput(std::int16_t* aux, double* v) {
  return runDialog(v, kDlgOutput, [=](QWidget* p) { return new OutputDialog(p, aux); });
}
int runInput(std::int16_t* aux, double* v) {
  return runDialog(v, kDlgInput, [=](QWidget* p) { return new InputDialog(p, aux); });
}
int runEdge(std::int16_t* aux, double* v) {
  return runDialog(v, kDlgEdge, [=](QWidget* p) { return new EdgeDialog(p, aux); });
}
int runPosition(char* t, std::int16_t* aux, double* v) {
  return runDialog(v, kDlgPosition, [=](QWidget* p) { return new PositionDialog(p, t, aux, v); });
}

} // namespace fbd
