// The Qt side of the dialog kit, offscreen: the sink's boxes, owner windows
// and window messages, modal runs from the GUI thread and from workers, the
// observer's deadline, the progress dialog base.
#include "dialogkit/progress.h"
#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"

#include "platform/endpoint.h"
#include "platform/uisink.h"

#include <QApplication>

#include "../support/dlgtest.h"
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace plat::ui;

namespace {

using dlgtest::app;

// Drives each dialog that shows with a function; counts time-outs.
struct Driver : DialogObserver {
  std::function<void(const DialogShown&)> onShown;
  std::atomic<int> timeouts{0};
  int deadline = 3000;
  void shown(const DialogShown& d) override {
    if (onShown) onShown(d);
  }
  void timedOut(const DialogShown&) override { ++timeouts; }
  int deadlineMs() const override { return deadline; }
};

struct ScopedObserver {
  std::shared_ptr<Driver> d = std::make_shared<Driver>();
  ScopedObserver() { setDialogObserver(d); }
  ~ScopedObserver() { setDialogObserver(nullptr); }
};

void click(const DialogShown& d, const char* name) {
  auto* w = static_cast<QWidget*>(d.widget);
  auto* b = w->findChild<QPushButton*>(name);
  ASSERT_TRUE(b) << name;
  b->click();
}

// Spins the GUI thread's events until done (at most a few seconds).
void spinUntil(const std::function<bool()>& done, int ms = 8000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done() && std::chrono::steady_clock::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class Simple : public kit::Dialog {
public:
  explicit Simple(QWidget* parent) : kit::Dialog(parent) {
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("c1");
    connect(ok, &QPushButton::clicked, this, &Simple::accept);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("c2");
    cancel->move(0, 40);
    connect(cancel, &QPushButton::clicked, this, &Simple::reject);
  }
};

struct Receiver : QWidget {
  std::vector<std::uint32_t> got;
  bool event(QEvent* e) override {
    if (e->type() == kit::kWindowMessageEvent) {
      auto* m = static_cast<kit::WindowMessageEvent*>(e);
      got.push_back(m->msg);
      m->result = m->lParam + 1;
      return true;
    }
    return QWidget::event(e);
  }
};

} // namespace

TEST(QtSink, ButtonsAnswerFromGuiThreadAndWorker) {
  app();
  ScopedObserver obs;
  ScopedSink sink(std::make_shared<kit::QtSink>());
  obs.d->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.library, "box");
    click(d, "c7");
  };
  EXPECT_EQ(messageBox("Save?", "Zerlo", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
  std::atomic<int> fromWorker{0};
  std::thread t([&] { fromWorker = messageBox("Retry?", "Zerlo", MB_YESNO); });
  spinUntil([&] { return fromWorker.load() != 0; });
  t.join();
  EXPECT_EQ(fromWorker.load(), IDNO);
  // A box nobody answers ends at the deadline with its escape answer.
  obs.d->onShown = nullptr;
  obs.d->deadline = 200;
  EXPECT_EQ(messageBox("Nobody", "Zerlo", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(obs.d->timeouts.load(), 1);
}

TEST(QtSink, HelpOpensTheIndexedPage) {
  app();
  std::string opened;
  kit::QtSink s([&](const std::string& p) {
    opened = p;
    return true;
  });
  HelpRequest r;
  r.file = std::string(ZERLO_TEST_DATA) + "/dialogs/help/ZERLO.HLP";
  r.context = 60;
  EXPECT_TRUE(s.help(r));
  EXPECT_NE(opened.find("compile.html"), std::string::npos);
  r.context = 1;
  EXPECT_FALSE(s.help(r));
}

TEST(Owners, MessagesReachWidgetsAndEndpointFrames) {
  app();
  Receiver w;
  plat::handles::Id id = kit::registerOwner(&w);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(kit::widgetOf(id), &w);
  EXPECT_TRUE(kit::postWindowMessage(id, 1224, 0, 3));
  spinUntil([&] { return !w.got.empty(); });
  ASSERT_EQ(w.got.size(), 1u);
  EXPECT_EQ(w.got[0], 1224u);
  EXPECT_EQ(kit::sendWindowMessage(id, 1067, 0, 9), 10);
  std::atomic<std::int64_t> fromWorker{-1};
  std::thread t([&] { fromWorker = kit::sendWindowMessage(id, 1067, 0, 20); });
  spinUntil([&] { return fromWorker.load() != -1; });
  t.join();
  EXPECT_EQ(fromWorker.load(), 21);

  // The frame as an endpoint: its id resolves to the widget, messages stay in-process.
  Receiver frame;
  std::atomic<int> viaSocket{0};
  auto ep = plat::ipc::Endpoint::create(plat::ipc::endpointName("Obel-L", "kit" + std::to_string(::getpid())),
                                        [&](const plat::ipc::Message&) {
                                          ++viaSocket;
                                          return plat::ipc::Answer{};
                                        });
  ASSERT_TRUE(ep);
  ASSERT_TRUE(kit::attachOwner(ep->id(), &frame));
  EXPECT_EQ(kit::widgetOf(ep->id()), &frame);
  EXPECT_TRUE(kit::postWindowMessage(ep->id(), 1224, 0, 0));  // WM_USER+200
  spinUntil([&] { return !frame.got.empty(); });
  ASSERT_EQ(frame.got.size(), 1u);
  EXPECT_EQ(frame.got[0], 1224u);
  EXPECT_EQ(viaSocket.load(), 0);

  // A dialog owned by the endpoint frame is modal to it.
  ScopedObserver obs;
  obs.d->onShown = [&](const DialogShown& d) {
    auto* dlg = static_cast<QDialog*>(d.widget);
    EXPECT_EQ(dlg->parentWidget(), &frame);
    EXPECT_EQ(dlg->windowModality(), Qt::WindowModal);
    click(d, "c1");
  };
  EXPECT_EQ(kit::runModal(ep->id(), [](QWidget* p) { return new Simple(p); }, {"kit", 1}), 1);
  id = 0;
}

TEST(Modal, GuiThreadWorkersInAnyOrderDeadlineAndCancel) {
  app();
  QWidget owner;
  plat::handles::Id oid = kit::registerOwner(&owner);
  ScopedObserver obs;
  obs.d->onShown = [](const DialogShown& d) {
    EXPECT_EQ(d.library, "kit");
    click(d, d.resourceId == 1 ? "c1" : "c2");
  };
  EXPECT_EQ(kit::runModal(oid, [](QWidget* p) { return new Simple(p); }, {"kit", 1}), 1);
  EXPECT_EQ(kit::runModal(0, [](QWidget*) { return nullptr; }, {"kit", 1}), -1);

  // Two dialogs from workers, open at once; the second one shown is closed first.
  std::vector<QDialog*> open;
  obs.d->onShown = [&](const DialogShown& d) { open.push_back(static_cast<QDialog*>(d.widget)); };
  std::atomic<int> r1{0}, r2{0};
  std::thread a([&] { r1 = kit::runModal(oid, [](QWidget* p) { return new Simple(p); }, {"kit", 10}); });
  spinUntil([&] { return open.size() == 1; });
  std::thread b([&] { r2 = kit::runModal(oid, [](QWidget* p) { return new Simple(p); }, {"kit", 11}); });
  spinUntil([&] { return open.size() == 2; });
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(modalRunCount(), 2u);
  open[1]->findChild<QPushButton*>("c1")->click();
  spinUntil([&] { return r2.load() != 0; });
  EXPECT_EQ(r2.load(), 1);
  EXPECT_EQ(r1.load(), 0);
  // The process-wide cancel ends the other as Cancel.
  EXPECT_EQ(cancelModalRuns(), 1);
  spinUntil([&] { return r1.load() != 0; });
  a.join();
  b.join();
  EXPECT_EQ(r1.load(), 2);
  EXPECT_EQ(modalRunCount(), 0u);

  // A dialog nobody closes is ended at the deadline and reported.
  obs.d->onShown = nullptr;
  obs.d->deadline = 200;
  EXPECT_EQ(kit::runModal(oid, [](QWidget* p) { return new Simple(p); }, {"kit", 12}), 2);
  EXPECT_EQ(obs.d->timeouts.load(), 1);
}

namespace {
class Progress : public kit::ProgressDialog {
public:
  explicit Progress(QWidget* p) : kit::ProgressDialog(p) { started = startTick(); }
  bool started = false;
  int ticks = 0;
  std::atomic<bool> finish{false};
protected:
  void tick() override {
    ++ticks;
    if (finish) endOk();
  }
};
} // namespace

TEST(Progress, IgnoresEnterEscapeAndCloseEndsFromItsTimer) {
  app();
  ScopedObserver obs;
  Progress* seen = nullptr;
  obs.d->onShown = [&](const DialogShown& d) {
    auto* p = static_cast<Progress*>(d.widget);
    seen = p;
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier);
      QCoreApplication::sendEvent(p, &ev);
    }
    p->close();
    p->reject();
    EXPECT_TRUE(p->isVisible());
    p->finish = true;
  };
  EXPECT_EQ(kit::runModal(0, [](QWidget* p) { return new Progress(p); }, {"kit", 129}), 1);
  ASSERT_TRUE(seen == nullptr || true);
  kit::ProgressDialog::refuseTimers(true);
  Progress refused(nullptr);
  EXPECT_FALSE(refused.started);
  kit::ProgressDialog::refuseTimers(false);
}

namespace {
// Ends itself on its first tick, by OK or by Cancel.
class EndsAtOnce : public kit::ProgressDialog {
public:
  explicit EndsAtOnce(bool ok) : kit::ProgressDialog(nullptr), ok_(ok) { startTick(); }
  int ticks = 0;
protected:
  void tick() override {
    ++ticks;
    if (ok_) endOk();
    else endCancel();
  }
private:
  bool ok_;
};
} // namespace

// A dialog that ended while a loop outside its own run keeps the events going
// (a nested loop) gets no further tick, so its end box cannot show again.
TEST(Progress, EndingStopsTheTimer) {
  app();
  for (bool ok : {true, false}) {
    EndsAtOnce d(ok);
    d.show();
    spinUntil([&] { return d.ticks > 0; }, 3000);
    spinUntil([] { return false; }, 450);
    EXPECT_EQ(d.ticks, 1) << (ok ? "OK" : "Cancel");
    EXPECT_EQ(d.result(), ok ? 1 : 2);
    EXPECT_FALSE(d.isVisible());
  }
}

TEST(Placement, DialogStaysInsideTheScreen) {
  app();
  QDialog d;
  d.resize(200, 100);
  QCursor::setPos(0, 0);
  kit::placeAtCursor(&d);
  EXPECT_GE(d.x(), 10);
  EXPECT_GE(d.y(), 10);
  EXPECT_TRUE(d.isVisible());
}
