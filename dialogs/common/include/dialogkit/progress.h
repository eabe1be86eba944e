#pragma once
// The base of the progress dialogs: modal, not closable by the user (Enter,
// Escape and the close box do nothing), ended from its 100 ms timer once the
// worker it watches is done. The worker reports through WorkerState (atomics:
// it writes status and progress before it clears busy, and the timer reads
// status only after it saw busy at 0).
#include "dialogkit/qtkit.h"
#include <atomic>
#include <functional>

class QTimer;

namespace kit {

struct WorkerState {
  std::atomic<int> busy{0};
  std::atomic<int> progress{0};
  std::atomic<int> status{0};
  void reset() {
    busy = 0;
    progress = 0;
    status = 0;
  }
};

class ProgressDialog : public Dialog {
public:
  explicit ProgressDialog(QWidget* parent = nullptr);
  ~ProgressDialog() override;

  // For tests: every later timer request is refused (as when the system has
  // no timer left).
  static void refuseTimers(bool refuse);

  void accept() override {}
  void reject() override {}

protected:
  // Starts the 100 ms timer; false when it is refused.
  bool startTick();
  // One tick, with the guard set (ticks during a message box opened by a tick
  // do nothing).
  virtual void tick() = 0;
  // Ends the dialog through the base: 1 or 2.
  void endOk() { QDialog::done(1); }
  void endCancel() { QDialog::done(2); }
  // A message of the tick: beep, then the text in a box with the caption and OK
  // (nothing when the text is empty).
  static void progressMessage(const std::string& text, const std::string& caption);

  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  QTimer* timer_ = nullptr;
  bool guard_ = false;
};

} // namespace kit
