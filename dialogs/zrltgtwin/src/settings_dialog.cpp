// Dialog 134 "Setup Interface": the port, the number of interfaces, the cycle
// rate and the minimum screen visualisation of INTERFACE.INI.
#include "core.h"
#include "dialogs.h"
#include "frame.h"
#include "texts.h"

#include "dialogkit/qtkit.h"
#include "platform/library.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tw {

namespace {

class SettingsDialog : public kit::Dialog {
public:
  SettingsDialog(QWidget* parent, int applyMode) : kit::Dialog(parent), apply_(applyMode) {
    if (!tool() || !tool()->readSettings(s_)) s_ = InterfaceSettings{};
    setWindowTitle(QString::fromStdString(dialogText(kDlgSettings, 0)));
    auto* lay = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    ports_ = new QComboBox(this);
    ports_->setObjectName("c1002");
    count_ = new QComboBox(this);
    count_->setObjectName("c1003");
    cycle_ = new QLineEdit(this);
    cycle_->setObjectName("c1004");
    minVis_ = new QCheckBox(this);
    minVis_->setObjectName("c1008");
    form->addRow(QString::fromStdString(dialogText(kDlgSettings, 1102)), ports_);
    form->addRow(QString::fromStdString(dialogText(kDlgSettings, 1103)), count_);
    form->addRow(QString::fromStdString(dialogText(kDlgSettings, 1104)), cycle_);
    form->addRow(QString::fromStdString(dialogText(kDlgSettings, 1108)), minVis_);
    lay->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QString::fromStdString(dialogText(kDlgSettings, 1)), QDialogButtonBox::AcceptRole);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* cancel = buttons->addButton(QString::fromStdString(dialogText(kDlgSettings, 2)), QDialogButtonBox::RejectRole);
    cancel->setObjectName("c2");
    settings_ = buttons->addButton(QString::fromStdString(dialogText(kDlgSettings, 1006)), QDialogButtonBox::ActionRole);
    settings_->setObjectName("c1006");
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
    connect(settings_, &QPushButton::clicked, this, &SettingsDialog::driverSettings);
    lay->addWidget(buttons);
    init();
    connect(ports_, &QComboBox::currentIndexChanged, this, [this] { portChanged(); });
  }

  void accept() override {
    InterfaceSettings out;
    const PortEntry* e = selected();
    Verdict v = validate(e, count_->isEnabled() ? count_->currentIndex() + 1 : 0, cycle_->text().toStdString(),
                         minVis_->isChecked(), out);
    if (v.message) {
      std::vector<kit::FormatArg> args(v.args.begin(), v.args.end());
      message(v.message, args);
      QWidget* f = v.focus == 1002 ? static_cast<QWidget*>(ports_)
                     : v.focus == 1003 ? static_cast<QWidget*>(count_) : static_cast<QWidget*>(cycle_);
      f->setFocus();
      return;
    }
    unsigned failed;
    {
      kit::WaitCursor wait;
      failed = applySettings(out, apply_);
    }
    if (failed) {
      message(failed);
      return;
    }
    done(1);
  }
  void reject() override { done(changed_ ? 1 : 2); }

protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_F1) {
      help(this, 62);
      return;
    }
    kit::Dialog::keyPressEvent(e);
  }

private:
  const PortEntry* selected() const {
    int i = ports_->currentIndex();
    if (i < 0) return nullptr;
    int at = ports_->itemData(i).toInt();
    return at >= 0 && at < int(list_.size()) ? &list_[std::size_t(at)] : nullptr;
  }

  void init() {
    list_ = portList(resources().text(kNoPort));
    // Sorted by name, as the port list shows them.
    std::vector<int> order;
    for (int i = 0; i < int(list_.size()); ++i)
      if (!list_[std::size_t(i)].name.empty()) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return list_[std::size_t(a)].name < list_[std::size_t(b)].name; });
    for (int i : order) ports_->addItem(QString::fromStdString(list_[std::size_t(i)].name), i);
    int sel = -1;
    for (int k = 0; k < ports_->count(); ++k)
      if (list_[std::size_t(ports_->itemData(k).toInt())].number == int(s_.port)) sel = k;
    if (sel < 0 && ports_->count() > 0) sel = 0;
    ports_->setCurrentIndex(sel);
    const PortEntry* e = portChanged();
    changed_ = clampOnOpen(s_, e);
    if (s_.ifacenum) count_->setCurrentIndex(int(s_.ifacenum) - 1);
    cycle_->setText(QString::number(s_.cycletime));
    minVis_->setChecked(s_.flags & KXIF_MINVIS);
  }

  // The interface numbers 1..maximum in numeric order (the stored number is the number chosen).
  const PortEntry* portChanged() {
    const PortEntry* e = selected();
    int remembered = count_->isEnabled() ? std::max(count_->currentIndex(), 0) : 0;
    count_->clear();
    if (e && e->maxIf > 0) {
      count_->setEnabled(true);
      for (int n = 1; n <= e->maxIf; ++n) count_->addItem(QString::number(n));
      count_->setCurrentIndex(remembered < count_->count() ? remembered : 0);
    } else {
      count_->setCurrentIndex(-1);
      count_->setEnabled(false);
    }
    settings_->setVisible(e && (e->flags & KXIF_PORT_HAS_SETTINGS));
    return e;
  }

  void driverSettings() {
    const PortEntry* e = selected();
    Tool* t = tool();
    std::string bin;
    plat::lib::Handle drv = nullptr;
    if (e && t && t->binPath(bin) && !e->driver.empty()) drv = plat::lib::load(kit::languageLibraryPath(bin, "") + e->driver);
    if (!drv) {
      message(kDriverLoad);
      return;
    }
    std::string lang, ini;
    t->languagePath(lang);
    t->interfaceIni(ini);
    plat::lib::Handle res = nullptr;
    std::string rp = driverResourcePath(lang, e->driver);
    if (!rp.empty()) res = plat::lib::load(rp);
    if (auto fn = plat::lib::symbolAs<KXCallSettingsDlgFn>(drv, "KXCallSettingsDlg")) {
      if (!dialogId_) dialogId_ = kit::registerOwner(this);
      fn(dialogId_, e->number, ini.c_str(), res);
    } else {
      message(kDriverNoDialog);
    }
    if (res) plat::lib::unload(res);
    plat::lib::unload(drv);
  }

  int apply_;
  InterfaceSettings s_{};
  std::vector<PortEntry> list_;
  bool changed_ = false;
  plat::handles::Id dialogId_ = 0;
  QComboBox* ports_;
  QComboBox* count_;
  QLineEdit* cycle_;
  QCheckBox* minVis_;
  QPushButton* settings_;
};

} // namespace

int runSettingsDialog(ZrlWindow owner, int applyMode) {
  return kit::runModal(owner, [applyMode](QWidget* p) { return new SettingsDialog(p, applyMode); },
                       {"ZRLTGTWIN", 134});
}

} // namespace tw
