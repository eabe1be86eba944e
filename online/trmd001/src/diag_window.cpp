// The diagnosis window: layouts, the 75 ms watch of the process image with
// its change caches, the status line and the parameter fields.
#include "trmd001/diag_window.h"

#include "diag_widgets.h"
#include "dialogkit/boxes.h"
#include "platform/uisink.h"
#include "texts.h"
#include "dialogkit/qtkit.h"
#include "platform/endpoint.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/profile.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <thread>

namespace trmd {

namespace {

// Runtime modes the window reacts to.
constexpr int kModeOnline = 1, kModeReset = 5, kModeTest = 7, kModeAkxi = 8, kModeParaChange = 10;

// A colour given as 0x00BBGGRR, as 0xRRGGBB.
std::uint32_t fromRef(std::uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

QSpinBox* spin(QWidget* w) { return static_cast<QSpinBox*>(w); }
QCheckBox* check(QWidget* w) { return static_cast<QCheckBox*>(w); }

int elementState(QWidget* w, bool isSwitch) {
  return isSwitch ? (check(w)->isChecked() ? 1 : 0) : static_cast<Key*>(w)->state();
}
void setElementState(QWidget* w, bool isSwitch, bool on) {
  if (isSwitch) check(w)->setChecked(on);
  else static_cast<Key*>(w)->setState(on ? 1 : 0);
}

// The binding of the target dialogs library for "Setup Interface". A binding
// that fails after the library was loaded keeps it, so that later bindings
// fail too until it is unloaded.
struct TargetDialogs {
  plat::lib::Handle h = nullptr;
  int (*settings)(std::uint32_t owner, int applyMode) = nullptr;
};
TargetDialogs& targetDialogs() {
  static TargetDialogs t;
  return t;
}
bool bindTargetDialogs(const std::string& binDir) {
  TargetDialogs& t = targetDialogs();
  if (t.h) return false;
  t.h = plat::lib::load(plat::path::join(binDir, "zrltgtwin.dll"));
  if (!t.h) return false;
  auto version = plat::lib::symbolAs<double (*)()>(t.h, "ZRTA00_GetDLLVersion");
  if (!version || version() < 1.0) return false;
  t.settings = plat::lib::symbolAs<int (*)(std::uint32_t, int)>(t.h, "ZRTA05_CallInterfaceSettigsDlg");
  return t.settings != nullptr;
}
void unbindTargetDialogs() {
  TargetDialogs& t = targetDialogs();
  if (t.h) plat::lib::unload(t.h);
  t = TargetDialogs{};
}

constexpr std::uint32_t kWmInstanceQuery = 0x400 + 43, kWmInterfaceChanged = 0x400 + 47;

} // namespace

int DiagWindow::tellMainWindows() {
  int told = 0;
  for (const auto& [id, name] : plat::ipc::liveEndpoints()) {
    if (name != "Obel-L" && name.rfind("Obel-L|", 0) != 0) continue;
    plat::ipc::Message q;
    q.msg = kWmInstanceQuery;
    auto a = plat::ipc::send(name, q, 1000);
    if (!a || a->result < 1 || a->result > 10) continue;
    plat::ipc::Message m;
    m.msg = kWmInterfaceChanged;
    if (plat::ipc::post(name, m)) ++told;
  }
  return told;
}

std::uint32_t messageColour(int code) {
  static const std::uint32_t ref[] = {0xFFFFFF, 0x000000, 0x0000FF, 0x008000, 0x800000, 0x808000, 0x00FFFF, 0x800080,
                                      0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0x00DCDC, 0xFF00FF};
  if (code < 100 || code > 115) return 0;
  return fromRef(ref[code - 100]);
}

bool portHasDriver(const std::string& interfaceIni) {
  namespace pf = plat::profile;
  const long port = pf::getInt(interfaceIni, "SETTINGS", "PORT", 0);
  const std::string section = pf::getString(interfaceIni, "PORTS", std::to_string(port), "");
  return !section.empty() && !pf::getString(interfaceIni, section, "DRIVER", "").empty();
}

int interfaceCount(const std::string& interfaceIni) {
  long n = plat::profile::getInt(interfaceIni, "SETTINGS", "IFACENUM", 1);
  return n == 2 ? 2 : 1;
}

DiagWindow::DiagWindow(DiagState& state, std::string interfaceIni, std::string profileIni, std::string binDir,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), st_(state), ini_(std::move(interfaceIni)), profile_(std::move(profileIni)),
      binDir_(std::move(binDir)) {
  setWindowTitle(QString::fromStdString(resources().text(kStrCaption)));
  auto* outer = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  QMenu* menu = bar->addMenu("&Settings");
  topAction_ = menu->addAction("Always on &top", this, [this] { toggleTopmost(); });
  topAction_->setCheckable(true);
  setupAction_ = menu->addAction("Setup &Interface", this, [this] { setupInterface(); });
  menu->addSeparator();
  menu->addAction("&Exit", this, [this] { close(); });
  outer->setMenuBar(bar);
  if (!profile_.empty()) {
    topmost_ = plat::path::toUpper(plat::profile::getString(profile_, "OPTIONS", "TOPMOST", "OFF")) != "OFF";
    move(static_cast<int>(plat::profile::getInt(profile_, "OPTIONS", "XPOS", 10)),
         static_cast<int>(plat::profile::getInt(profile_, "OPTIONS", "YPOS", 20)));
  }
  topAction_->setChecked(topmost_);
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost_);
  tabs_ = new QTabBar(this);
  tabs_->addTab(QString::fromStdString(resources().text(kStrFirstTab)));
  if (interfaceCount(ini_) == 2) tabs_->addTab(QString::fromStdString(resources().text(kStrSecondTab)));
  outer->addWidget(tabs_);

  // Test layout.
  testPage_ = new QWidget(this);
  auto* tg = new QGridLayout(testPage_);
  for (int i = 0; i < 8; ++i) {
    lampNames_[i] = new QLabel(testPage_);
    lamps_[i] = new Lamp(testPage_);
    tg->addWidget(lampNames_[i], i, 0);
    tg->addWidget(lamps_[i], i, 1);
  }
  for (int i = 0; i < 4; ++i) {
    motorNames_[i] = new QLabel(testPage_);
    rotaries_[i] = new Rotary(testPage_);
    tg->addWidget(motorNames_[i], 2 * i, 2, 2, 1);
    tg->addWidget(rotaries_[i], 2 * i, 3, 2, 1);
  }
  ex_ = new Instrument("EX: ", testPage_);
  ey_ = new Instrument("EY: ", testPage_);
  tg->addWidget(ex_, 0, 4, 4, 1);
  tg->addWidget(ey_, 4, 4, 4, 1);
  outer->addWidget(testPage_);

  // Terminal layout.
  termPage_ = new QWidget(this);
  auto* tl = new QGridLayout(termPage_);
  auto* group = new QGroupBox(termPage_);
  auto* gl = new QGridLayout(group);
  for (int i = 0; i < 2; ++i) {
    seg_[i] = new SevenSegment(group);
    gl->addWidget(new QLabel(QString("Display %1").arg(i + 1), group), 0, 2 * i);
    gl->addWidget(seg_[i], 1, 2 * i, 1, 2);
  }
  // Motor displays: two rows of four, each name above its display.
  for (int i = 0; i < 8; ++i) {
    outs_[i] = new OutputDisplay(group);
    gl->addWidget(new QLabel(QString("M%1").arg(i + 1), group), 2 + 2 * (i / 4), i % 4);
    gl->addWidget(outs_[i], 3 + 2 * (i / 4), i % 4);
  }
  tl->addWidget(group, 0, 0, 1, 5);
  for (int i = 0; i < 4; ++i) {
    auto* sb = new QSpinBox(termPage_);
    sb->setRange(-32768, 32767);
    params_[i] = sb;
    tl->addWidget(new QLabel(QString("Parameter E%1").arg(QChar('A' + i)), termPage_), 1 + i, 0);
    tl->addWidget(sb, 1 + i, 1);
    QObject::connect(sb, &QSpinBox::valueChanged, this, [this, i](int v) {
      if (inParamUpdate_) return;
      std::int16_t w = static_cast<std::int16_t>(v);
      st_.writeValue("DW", 101 + i, &w);
    });
  }
  message_ = new TextDisplay(termPage_);
  tl->addWidget(message_, 5, 0, 1, 5);
  for (int i = 0; i < 5; ++i) {
    keys_[i] = new Key(QString("E%1").arg(17 + i), termPage_);
    tl->addWidget(keys_[i], 6, i);
    switches_[i] = new QCheckBox(QString("E%1").arg(22 + i), termPage_);
    tl->addWidget(switches_[i], 7, i);
  }
  stop_ = new Key("STOP", termPage_);
  reset_ = new Key("RESET", termPage_);
  offline_ = new Key("OFFLINE", termPage_);
  stop_->setStyleSheet("color: white; background: #c00000;");
  reset_->setStyleSheet("color: white; background: #0000c0;");
  tl->addWidget(stop_, 1, 3);
  tl->addWidget(reset_, 2, 3);
  tl->addWidget(offline_, 3, 3);
  outer->addWidget(termPage_);

  status_ = new TextDisplay(this);
  outer->addWidget(status_);

  QObject::connect(tabs_, &QTabBar::currentChanged, this, [this](int t) {
    if (t < 0 || t == tab_) return;
    tab_ = t;
    resetCaches();
    buildTest();
  });

  poll_ = new QTimer(this);
  poll_->setInterval(100);
  QObject::connect(poll_, &QTimer::timeout, this, [this] {
    const int m = st_.getMode() & 0xFF;
    if (m == 4 || m == 2 || ++pollCount_ >= 11) {
      poll_->stop();
      finishSetup();
    }
  });

  timer_ = new QTimer(this);
  timer_->setInterval(75);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { tick(); });

  // The set port without a driver library: simulation, and the interface
  // counts as connected.
  if (!portHasDriver(ini_)) {
    st_.infoLookOut(0);
    st_.interfaceError(0);
  }
  resetCaches();
  buildTest();
  showLayout();
  // Language resources missing at the library's start: a warning without
  // owner, kept on top; its answer is not used.
  if (environment().resourcesMissing)
    plat::ui::messageBox(resources().text(kStrResourcesMissing), resources().text(kStrCheckInterface),
                         plat::ui::MB_OKCANCEL | plat::ui::MB_ICONEXCLAMATION | plat::ui::MB_TOPMOST);
  showStatus();
  timer_->start();
}

bool DiagWindow::requestHelp() {
  const Environment& env = environment();
  const unsigned context = layout_ == 1 ? kHelpTerminal : kHelpTest;
  // The number box here: its template takes the number as "%d".
  if (env.showHelpNumber)
    kit::boxById(resources(), kStrHelpContext, kStrCheckInterface, plat::ui::MB_ICONINFORMATION, true,
                 {static_cast<int>(context)});
  return kit::requestHelp(resources(), kit::HelpTexts{kStrHelpContext, 0, kStrCheckInterface}, false, env.helpFile,
                          context);
}

DiagWindow::~DiagWindow() = default;

int DiagWindow::tabCount() const { return tabs_->count(); }
QString DiagWindow::statusText() const { return status_->text(); }
std::uint32_t DiagWindow::messageTextColour() const { return message_->textColour(); }
Rotary* DiagWindow::rotary(int i) const { return i >= 0 && i < 4 ? rotaries_[i] : nullptr; }
Lamp* DiagWindow::lamp(int i) const { return i >= 0 && i < 8 ? lamps_[i] : nullptr; }
Key* DiagWindow::terminalKey(int i) const { return i >= 0 && i < 5 ? keys_[i] : nullptr; }
QWidget* DiagWindow::terminalSwitch(int i) const { return i >= 0 && i < 5 ? switches_[i] : nullptr; }

void DiagWindow::resetCaches() {
  for (auto& m : motorCache_) m = {0xFF, 0xFF};
  lampCache_.fill(0x0F);
  keyCache_.fill(0x0F);
  switchCache_.fill(0x0F);
  stopCache_ = resetCache_ = 0x0F;
  outCache_.fill(-1);
  std::fill(std::begin(dwCache_), std::end(dwCache_), -1);
  textCache_.assign(18, ' ');
  colourCache_ = -1;
}

void DiagWindow::toggleTopmost() {
  topmost_ = !topmost_;
  topAction_->setChecked(topmost_);
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost_);
  if (visible) show();
  if (!profile_.empty()) plat::profile::writeString(profile_, "OPTIONS", "TOPMOST", topmost_ ? "ON" : "OFF");
}

void DiagWindow::setupInterface() {
  if (layout_ != 0 || settingsRunning_) return;
  if (!bindTargetDialogs(binDir_)) return;
  settingsRunning_ = true;
  // The settings dialog's owner is this window as a handle id; apply mode 0
  // sends no query to the server.
  targetDialogs().settings(kit::registerOwner(this), 0);
  unbindTargetDialogs();
  st_.setMode(kModeParaChange);
  pollCount_ = 0;
  poll_->start();
}

void DiagWindow::adjustTabs() {
  const int n = interfaceCount(ini_);
  if (n == tabs_->count()) return;
  resetCaches();
  if (n == 2) {
    tabs_->addTab("Interface 2");
  } else {
    tabs_->setCurrentIndex(0);
    tabs_->removeTab(1);
  }
  if (layout_ == 0) buildTest();
}

void DiagWindow::finishSetup() {
  settingsRunning_ = false;
  adjustTabs();
  // The main program's windows are asked on a thread of their own: the GUI
  // thread does not wait for another process.
  std::thread([] { tellMainWindows(); }).detach();
}

void DiagWindow::buildTest() {
  for (int i = 0; i < 8; ++i) {
    lampNames_[i]->setText(QString("E%1 :").arg(tab_ * 8 + i + 1));
    lamps_[i]->setState(0);
  }
  for (int i = 0; i < 4; ++i) {
    motorNames_[i]->setText(QString("M %1").arg(tab_ * 4 + i + 1));
    rotaries_[i]->setPosition(0);
  }
  setupAction_->setEnabled(true);
  ex_->setVisible(tab_ == 0);
  ey_->setVisible(tab_ == 0);
  ex_->setValue(0);
  ey_->setValue(0);
}

void DiagWindow::buildTerminal() {
  setupAction_->setEnabled(false);
  inParamUpdate_ = true;
  for (auto* p : params_) spin(p)->setValue(0);
  inParamUpdate_ = false;
  offline_->setState(0);
}

void DiagWindow::showLayout() {
  testPage_->setVisible(layout_ == 0);
  tabs_->setVisible(layout_ == 0);
  termPage_->setVisible(layout_ == 1);
  adjustSize();
}

void DiagWindow::showStatus() {
  const int s = st_.interfaceState();
  if (s == st_.statusShown()) return;
  st_.setStatusShown(s);
  if (s != 0) {
    resetCaches();
    if (layout_ == 0) buildTest();
    else buildTerminal();
    if (st_.simulation()) {
      status_->setColours(fromRef(0xC000), 0);
      status_->setText("Simulation mode");
      return;
    }
    status_->setColours(fromRef(0xC0), fromRef(0xFFFF));
    int best = 0, bestCount = 0;
    for (int n = 1; n <= 20; ++n)
      if (st_.errorCounter(n) > bestCount) {
        bestCount = st_.errorCounter(n);
        best = n;
      }
    if (bestCount == 0) status_->setText("No connection to interface");
    else if (best == 1) status_->setText("Port not available");
    else status_->setText("No connection to interface");
    return;
  }
  status_->setColours(fromRef(0x8000), 0);
  if (st_.simulation()) {
    status_->setText("Simulation mode");
    if (layout_ == 0) {
      ex_->setValue(0);
      ey_->setValue(0);
    }
  } else {
    status_->setText("Connection to interface o.k.");
  }
}

void DiagWindow::tick() {
  if (finished_) return;
  if (st_.closeRequest()) {
    close();
    return;
  }
  const int mode = st_.getMode() & 0xFF;
  if (mode != lastMode_ && (mode == kModeTest || mode == kModeReset) && layout_ == 0 && !shown_) {
    showNormal();
    shown_ = true;
  }
  if (st_.reshowRequest() && !(windowFlags() & Qt::WindowStaysOnTopHint)) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    st_.clearReshowRequest();
    shown_ = true;
  }
  showStatus();
  if (mode == kModeParaChange) adjustTabs();
  if (mode == kModeAkxi) {
    st_.setInterfaceStateMinimised();
    if (shown_) showMinimized();
    shown_ = false;
  } else {
    int want = mode == kModeOnline ? 1 : 0;
    if (want != layout_) {
      layout_ = want;
      resetCaches();
      if (layout_ == 0) buildTest();
      else buildTerminal();
      showLayout();
      st_.setStatusShown(-999);
      showStatus();
    }
  }
  lastMode_ = mode;
  if (shown_ && st_.interfaceState() == 0) {
    if (layout_ == 0) updateTest();
    else updateTerminal();
  }
}

void DiagWindow::updateTest() {
  for (int i = 0; i < 4; ++i) {
    const int n = tab_ * 4 + i + 1;
    std::uint8_t pair[8] = {};
    if ((st_.readValue("A", n, pair, 8) & 0xFFFF) == 0) continue;
    auto& cache = motorCache_[n - 1];
    if (pair[0] == cache[0] && pair[1] == cache[1]) {
      const int p = rotaries_[i]->position();
      std::uint8_t w[2] = {static_cast<std::uint8_t>(p < 0 ? 1 : 0), static_cast<std::uint8_t>(p > 0 ? 1 : 0)};
      st_.writeValue("A", n, w);
      cache = {w[0], w[1]};
    } else {
      rotaries_[i]->setPosition(pair[0] == 0 && pair[1] == 0 ? 0 : (pair[0] == 0 ? 1 : -1));
      cache = {pair[0], pair[1]};
    }
  }
  for (int i = 0; i < 8; ++i) {
    const int n = tab_ * 8 + i + 1;
    std::uint8_t v[8] = {};
    if ((st_.readValue("E", n, v, 8) & 0xFFFF) == 0) continue;
    if (v[0] != lampCache_[n - 1]) {
      lamps_[i]->setState(v[0]);
      lampCache_[n - 1] = v[0];
    }
  }
  Instrument* inst[2] = {ex_, ey_};
  for (int k = 0; k < 2; ++k) {
    std::int16_t v = 0;
    if ((st_.readValue("DW", 105 + k, &v, 2) & 0xFFFF) == 0) continue;
    if (v != dwCache_[k]) {
      inst[k]->setValue(static_cast<float>(v));
      dwCache_[k] = v;
    }
  }
}

void DiagWindow::bind(const char* area, int index, bool isSwitch, std::uint8_t& cache, QWidget* element) {
  std::uint8_t v[8] = {};
  if ((st_.readValue(area, index, v, 8) & 0xFFFF) == 0) return;
  const std::uint8_t value = v[0] ? 1 : 0;
  if (value == cache) {
    const int s = elementState(element, isSwitch);
    std::uint8_t w[8] = {};
    bool write = false;
    if (s && cache == 0) w[0] = 1, write = true;
    else if (!s && cache == 1) w[0] = 0, write = true;
    if (write) {
      st_.writeValue(area, index, w);
      if (isSwitch) cache = w[0];
    }
  } else {
    setElementState(element, isSwitch, value != 0);
    cache = value;
  }
}

void DiagWindow::updateTerminal() {
  if (offline_->state()) st_.settingsAction(2);
  bind("A", 10, false, stopCache_, stop_);
  bind("A", 11, false, resetCache_, reset_);
  for (int i = 0; i < 5; ++i) bind("E", 22 + i, true, switchCache_[i], switches_[i]);
  for (int i = 0; i < 5; ++i) bind("E", 17 + i, false, keyCache_[i], keys_[i]);
  for (int i = 0; i < 8; ++i) {
    std::uint8_t p[8] = {};
    if ((st_.readValue("A", i + 1, p, 8) & 0xFFFF) == 0) continue;
    int s = (p[0] == 0 && p[1] == 0xFF) ? 1 : (p[0] == 0xFF && p[1] == 0 ? 255 : 0);
    if (s != outCache_[i]) {
      outs_[i]->setState(s);
      outCache_[i] = s;
    }
  }
  for (int k = 0; k < 2; ++k) {
    std::int16_t v = 0;
    if ((st_.readValue("DW", 109 + k, &v, 2) & 0xFFFF) == 0) continue;
    if (v != dwCache_[2 + k]) {
      seg_[k]->display(static_cast<double>(v));
      dwCache_[2 + k] = v;
    }
  }
  for (int i = 0; i < 4; ++i) {
    std::int16_t v = 0;
    if ((st_.readValue("DW", 101 + i, &v, 2) & 0xFFFF) == 0) continue;
    if (v != spin(params_[i])->value()) {
      inParamUpdate_ = true;
      spin(params_[i])->setValue(v);
      inParamUpdate_ = false;
    }
  }
  char text[19] = {};
  std::int16_t code = 0;
  if ((st_.readValue("DT", 1, text, 18) & 0xFFFF) != 0 && (st_.readValue("PW", 17, &code, 2) & 0xFFFF) != 0) {
    std::string t(text, strnlen(text, 18));
    if (t != textCache_ || code != colourCache_) {
      message_->setColours(0xFFFFFF, messageColour(code));
      message_->setText(QString::fromLatin1(t.c_str()));
      textCache_ = t;
      colourCache_ = code;
    }
  }
}

void DiagWindow::closeEvent(QCloseEvent* e) {
  if (layout_ == 1 && !st_.closeRequest()) {
    e->ignore();
    showMinimized();
    shown_ = false;
    return;
  }
  e->accept();
  timer_->stop();
  poll_->stop();
  if (shown_ && !profile_.empty()) {
    plat::profile::writeString(profile_, "OPTIONS", "XPOS", std::to_string(x()).c_str());
    plat::profile::writeString(profile_, "OPTIONS", "YPOS", std::to_string(y()).c_str());
  }
  if (!finished_) {
    finished_ = true;
    int result = (!st_.closeRequest() && layout_ == 0) ? 100 : 300;
    if (onFinished) onFinished(result);
  }
}

void DiagWindow::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  if (isMinimized()) shown_ = false;
}

void DiagWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (e->key() == Qt::Key_F1) {
    requestHelp();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    st_.settingsAction(2);
    return;
  }
  QWidget::keyPressEvent(e);
}

} // namespace trmd
