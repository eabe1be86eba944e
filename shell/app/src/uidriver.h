#pragma once
// The driver behind the UI script: runs the steps on the frame and answers
// modal dialogs as a user does (see zerloapp/uiscript.h for the verbs).
#include "zerloapp/uiscript.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace zapp {

class UiDriver : public QObject {
public:
  // Made once the script's sink is installed; watches for modal dialogs.
  static void start(const UiScript& script);
  static UiDriver* instance();
  // Runs the steps on the frame.
  void run(Frame& frame);

protected:
  bool eventFilter(QObject* o, QEvent* e) override;

private:
  explicit UiDriver(const UiScript& script);
  void next(int delayMs);
  void step();
  // Runs one acting or reading step; false with a reason when it failed.
  bool perform(const UiStep& s, std::string& why);
  [[noreturn]] void fail(const UiStep* s, const std::string& why);
  void log(const std::string& line);
  void checkModal();
  bool nextIsDialog() const;
  void awaitDialog(const UiStep& s, long long until);

  const UiScript& script_;
  QPointer<Frame> frame_;
  std::size_t at_ = 0;         // the next step to run
  bool running_ = false;
  bool checkQueued_ = false;
  QPointer<QWidget> dialog_;   // the dialog the answers go to
};

} // namespace zapp
