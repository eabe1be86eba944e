// The Qt side of the dialog kit.
#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"

#include "platform/windows.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <future>
#include <map>
#include <memory>
#include <vector>

namespace kit {

using namespace plat::ui;

bool onGuiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

namespace {

// Runs fn on the GUI thread and waits for it (a worker may wait for the GUI
// thread); false when there is no application to run it.
bool onGui(const std::function<void()>& fn) {
  if (!QCoreApplication::instance()) return false;
  if (onGuiThread()) {
    fn();
    return true;
  }
  return QMetaObject::invokeMethod(QCoreApplication::instance(), fn, Qt::BlockingQueuedConnection);
}

// ---- dialogs of this module that are open ----
std::vector<QPointer<QDialog>>& openDialogs() {
  static std::vector<QPointer<QDialog>> v;  // GUI thread only
  return v;
}
void track(QDialog* d) {
  auto& v = openDialogs();
  std::erase_if(v, [](const QPointer<QDialog>& p) { return p.isNull(); });
  v.emplace_back(d);
}

// Calls the observer once the dialog shows, and ends a dialog still open at
// the observer's deadline.
class ObserverHook : public QObject {
public:
  ObserverHook(QDialog* d, DialogId id) : QObject(d), watched_(d), dialog_(d), id_(id) { d->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    // Compared as plain objects: events also arrive while the dialog is being
    // destroyed, when it is no longer a QDialog and must not be treated as one.
    if (o == watched_ && e->type() == QEvent::Show && !fired_) {
      fired_ = true;
      auto obs = dialogObserver();
      if (!obs) return false;
      DialogShown info{dialog_.data(), id_.library ? id_.library : "", id_.resourceId};
      QPointer<QDialog> d = dialog_;
      QTimer::singleShot(0, dialog_, [obs, info] { obs->shown(info); });
      // The deadline timer is the dialog's child, so it dies with the dialog:
      // a pending single shot would outlive it, and the library that made it
      // may be unloaded before the timer is freed.
      auto* deadline = new QTimer(dialog_);
      deadline->setSingleShot(true);
      QObject::connect(deadline, &QTimer::timeout, dialog_, [obs, info, d] {
        if (d && d->isVisible()) {
          obs->timedOut(info);
          d->QDialog::done(2);
        }
      });
      deadline->start(obs->deadlineMs());
    }
    return false;
  }
private:
  const QObject* watched_;
  QPointer<QDialog> dialog_;
  DialogId id_;
  bool fired_ = false;
};

// ---- owner windows ----
class QtTarget : public plat::win::WindowTarget {
public:
  explicit QtTarget(QWidget* w) : w_(w) {}
  void* widget() const override { return w_.data(); }
  bool post(std::uint32_t msg, std::int64_t w, std::int64_t l) override {
    QWidget* t = w_.data();
    if (!t) return false;
    QCoreApplication::postEvent(t, new WindowMessageEvent(msg, w, l));
    return true;
  }
  std::int64_t send(std::uint32_t msg, std::int64_t w, std::int64_t l) override {
    QPointer<QWidget> t = w_;
    if (!t) return 0;
    std::int64_t result = 0;
    auto deliver = [&] {
      if (!t) return;
      WindowMessageEvent ev(msg, w, l);
      QCoreApplication::sendEvent(t, &ev);
      result = ev.result;
    };
    if (QThread::currentThread() == t->thread()) deliver();
    else QMetaObject::invokeMethod(t, deliver, Qt::BlockingQueuedConnection);
    return result;
  }
private:
  QPointer<QWidget> w_;
};

QString label(int answer) {
  switch (answer) {
    case IDOK: return QStringLiteral("OK");
    case IDCANCEL: return QStringLiteral("Cancel");
    case IDABORT: return QStringLiteral("&Abort");
    case IDRETRY: return QStringLiteral("&Retry");
    case IDIGNORE: return QStringLiteral("&Ignore");
    case IDYES: return QStringLiteral("&Yes");
    case IDNO: return QStringLiteral("&No");
    default: return QString::number(answer);
  }
}

int showBox(const std::string& text, const std::string& caption, unsigned style) {
  BoxStyle bs = decodeStyle(style);
  QMessageBox box(QApplication::activeModalWidget());
  box.setText(QString::fromStdString(text));
  box.setWindowTitle(caption.empty() ? QStringLiteral("Error") : QString::fromStdString(caption));
  std::map<QAbstractButton*, int> answers;
  for (int a : bs.buttons) {
    QPushButton* b = box.addButton(label(a), a == IDCANCEL || a == IDNO ? QMessageBox::RejectRole
                                                                        : QMessageBox::AcceptRole);
    b->setObjectName(QStringLiteral("c%1").arg(a));
    answers[b] = a;
    if (a == bs.defaultAnswer) box.setDefaultButton(b);
    if (a == bs.escapeAnswer) box.setEscapeButton(b);
  }
  switch (bs.icon) {
    case BoxIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case BoxIcon::Question: box.setIcon(QMessageBox::Question); break;
    case BoxIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case BoxIcon::Information: box.setIcon(QMessageBox::Information); break;
    case BoxIcon::None: break;
  }
  if (bs.topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  observeDialog(&box, {"box", 0});
  box.exec();
  auto it = answers.find(box.clickedButton());
  if (it != answers.end()) return it->second;
  return bs.escapeAnswer ? bs.escapeAnswer : bs.defaultAnswer;
}

} // namespace

// ---- sink ----
QtSink::QtSink()
    : opener_([](const std::string& page) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
      }) {}

int QtSink::messageBox(const std::string& text, const std::string& caption, unsigned style) {
  int answer = defaultAnswer(style);
  onGui([&] { answer = showBox(text, caption, style); });
  return answer;
}

bool QtSink::prompt(const std::string& question, const std::string& caption, std::string& inOut) {
  bool ok = false;
  onGui([&] {
    QInputDialog d(QApplication::activeModalWidget());
    d.setWindowTitle(QString::fromStdString(caption));
    d.setLabelText(QString::fromStdString(question));
    d.setTextValue(QString::fromStdString(inOut));
    observeDialog(&d, {"prompt", 0});
    if (d.exec() == QDialog::Accepted) {
      inOut = d.textValue().toStdString();
      ok = true;
    }
  });
  return ok;
}

bool QtSink::help(const HelpRequest& request) {
  auto page = resolveHelpPage(request);
  if (!page || !opener_) return false;
  bool ok = false;
  if (!onGui([&] { ok = opener_(*page); })) ok = opener_(*page);
  return ok;
}

// ---- owners and messages ----
plat::handles::Id registerOwner(QWidget* w) {
  if (!w) return 0;
  plat::handles::Id id = plat::win::registerWindow(std::make_shared<QtTarget>(w));
  if (id) QObject::connect(w, &QObject::destroyed, [id] { plat::win::unregisterWindow(id); });
  return id;
}

bool attachOwner(plat::handles::Id endpointId, QWidget* w) {
  if (!w || !plat::win::attachToEndpoint(endpointId, std::make_shared<QtTarget>(w))) return false;
  QObject::connect(w, &QObject::destroyed, [endpointId] { plat::win::detachFromEndpoint(endpointId); });
  return true;
}

QWidget* widgetOf(plat::handles::Id id) {
  auto t = plat::win::target(id);
  return t ? static_cast<QWidget*>(t->widget()) : nullptr;
}

bool postWindowMessage(plat::handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l) {
  return plat::win::postMessage(id, msg, w, l);
}

std::int64_t sendWindowMessage(plat::handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l,
                               int timeoutMs) {
  return plat::win::sendMessage(id, msg, w, l, timeoutMs).value_or(0);
}

// ---- modal runs ----
void observeDialog(QDialog* d, DialogId id) {
  if (d) new ObserverHook(d, id);
}

int runModal(plat::handles::Id owner, const DialogFactory& make, DialogId id) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
  if (onGuiThread()) {
    QWidget* parent = widgetOf(owner);
    QDialog* d = make(parent);
    if (!d) return -1;
    if (parent) d->setWindowModality(Qt::WindowModal);
    track(d);
    observeDialog(d, id);
    QPointer<QDialog> p(d);
    int r = d->exec();
    delete p.data();
    return r;
  }
  struct Shared {
    std::promise<int> promise;
    bool answered = false;  // GUI thread only
    void answer(int r) {
      if (answered) return;
      answered = true;
      promise.set_value(r);
    }
  };
  auto sh = std::make_shared<Shared>();
  std::future<int> result = sh->promise.get_future();
  bool queued = QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [sh, owner, make, id] {
        QWidget* parent = widgetOf(owner);
        QDialog* d = make(parent);
        if (!d) {
          sh->answer(-1);
          return;
        }
        d->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
        track(d);
        observeDialog(d, id);
        QPointer<QDialog> p(d);
        std::uint64_t run = addModalRun([p] {
          if (p) p->QDialog::done(2);
        });
        QObject::connect(d, &QDialog::finished, d, [sh, run, d](int r) {
          removeModalRun(run);
          sh->answer(r);
          d->deleteLater();
        });
        QObject::connect(d, &QObject::destroyed, [sh, run] {
          removeModalRun(run);
          sh->answer(2);
        });
        d->open();
      },
      Qt::QueuedConnection);
  if (!queued) return -1;
  try {
    return result.get();
  } catch (const std::future_error&) {
    return -1;  // the application ended before the dialog ran
  }
}

void endOpenDialogs() {
  onGui([] {
    auto list = openDialogs();
    for (auto& p : list)
      if (p && p->isVisible()) p->QDialog::done(2);
  });
}

// ---- placement and cursor ----
void placeAtCursor(QWidget* w) {
  if (!w) return;
  w->adjustSize();
  QSize size = w->frameGeometry().size().expandedTo(w->size());
  QPoint cur = QCursor::pos();
  QScreen* s = QGuiApplication::screenAt(cur);
  std::optional<Point> cursor;
  if (s) cursor = Point{cur.x(), cur.y()};
  else s = QGuiApplication::primaryScreen();
  if (!s) return;
  QRect g = s->geometry();
  Point p = kit::placeAtCursor(size.width(), size.height(), cursor, {g.x(), g.y(), g.width(), g.height()});
  w->move(p.x, p.y);
  w->raise();
  w->show();
}

WaitCursor::WaitCursor() {
  if (onGuiThread() && qobject_cast<QApplication*>(QCoreApplication::instance())) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    set_ = true;
  }
}

WaitCursor::~WaitCursor() {
  if (set_) QApplication::restoreOverrideCursor();
}

} // namespace kit
