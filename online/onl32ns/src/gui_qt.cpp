// ONL32NS with windows in the build: the QApplication on the main thread.
#include "gui.h"

#include "dialogkit/qtkit.h"
#include "platform/uisink.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <memory>

namespace onl32ns {

namespace {
std::unique_ptr<QApplication> gApp;
}

bool startGui(int& argc, char** argv) {
  if (gApp) return true;
  if (!haveDisplay()) return false;
  gApp = std::make_unique<QApplication>(argc, argv);
  // The server has no main window: closing the diagnosis window ends nothing.
  QApplication::setQuitOnLastWindowClosed(false);
  plat::ui::setSink(std::make_shared<kit::QtSink>());
  return true;
}

void serveUntilClosed(const std::function<bool()>& closed, const std::function<void()>& wait) {
  if (!gApp) {
    wait();
    return;
  }
  QTimer watch;
  watch.setInterval(20);
  // exit(), not quit(): quit() first asks every window to close and is dropped
  // when one refuses (the diagnosis window refuses in its terminal layout
  // until the runtime asks it to close, which happens only after this loop).
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (closed()) QCoreApplication::exit(0);
  });
  watch.start();
  if (!closed()) QApplication::exec();
}

void stopGui() {
  if (!gApp) return;
  // Windows still open (a diagnosis window of a runtime that did not close
  // it) go with the application.
  QApplication::closeAllWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  plat::ui::setSink(nullptr);
  gApp.reset();
}

} // namespace onl32ns
