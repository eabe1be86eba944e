#pragma once
// The base of the progress dialogs: modal, not closable by the user (Enter,
// Escape and the close box do nothing), ended from its 100 ms timer once the
// worker it watches is done. The worker reports through WorkerState.
#include "dialogkit/progress_state.h"
#include "dialogkit/qtkit.h"
#include <atomic>
#include <functional>

class QTimer;

namespace kit {

class ProgressDialog : public Dialog {
public:
  explicit ProgressDialog(QWidget* parent = nullptr);
  ~ProgressDialog() override;

  // For tests: every later timer request is refused (as when the system has
  // no timer left); also while the environment has ZERLO_TEST_REFUSE_TIMERS.
  static void refuseTimers(bool refuse);

  void accept() override {}
  void reject() override {}

protected:
  // Starts the 100 ms timer; false when it is refused.
  bool startTick();
  // One tick, with the guard set (ticks during a message box opened by a tick
  // do nothing).
  virtual void tick() = 0;
  // Ends the dialog through the base: 1 or 2. The timer stops first, so no
  // tick runs (and no end box shows again) while a nested event loop keeps
  // the ended dialog's run from returning.
  void endOk() { end(1); }
  void endCancel() { end(2); }
  // A message of the tick: beep, then the text in a box with the caption and OK
  // (nothing when the text is empty).
  static void progressMessage(const std::string& text, const std::string& caption);

  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  void end(int result);
  QTimer* timer_ = nullptr;
  bool guard_ = false;
};

} // namespace kit
