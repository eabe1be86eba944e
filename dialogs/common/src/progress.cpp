#include "dialogkit/progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

#include <cstdlib>

namespace kit {

namespace {
std::atomic<bool> gRefuseTimers{false};
}

// A progress dialog asks nothing and ends by itself: the property lets a UI
// script wait for it instead of answering it.
ProgressDialog::ProgressDialog(QWidget* parent) : Dialog(parent) { setProperty("zerloEndsByItself", true); }

ProgressDialog::~ProgressDialog() {
  if (timer_) timer_->stop();
}

void ProgressDialog::refuseTimers(bool refuse) { gRefuseTimers = refuse; }

bool ProgressDialog::startTick() {
  // The seam reaches every library's copy of the kit through the environment.
  if (gRefuseTimers || std::getenv("ZERLO_TEST_REFUSE_TIMERS")) return false;
  if (!timer_) {
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, [this] {
      if (guard_) return;
      guard_ = true;
      tick();
      guard_ = false;
    });
  }
  timer_->start();
  return true;
}

void ProgressDialog::end(int result) {
  if (timer_) timer_->stop();
  QDialog::done(result);
}

void ProgressDialog::progressMessage(const std::string& text, const std::string& caption) {
  QApplication::beep();
  if (text.empty()) return;
  plat::ui::messageBox(text, caption, plat::ui::MB_OK);
}

void ProgressDialog::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      e->accept();  // neither ends the dialog
      return;
    default:
      Dialog::keyPressEvent(e);
  }
}

void ProgressDialog::closeEvent(QCloseEvent* e) { e->ignore(); }

} // namespace kit
