// Runs the diagnosis window for CallTrmd001Dlg (0) when the process has a
// QApplication: on the GUI thread in a local event loop, from another thread
// by queueing the window to the GUI thread and waiting for its result (the
// GUI thread never waits). Without a QApplication the dialog ends at once.
#include "trmd001/diag_window.h"
#include "window_runner.h"

#include "platform/paths.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <future>
#include <mutex>

#include <dlfcn.h>

namespace trmd {

namespace {
// The window lives on the GUI thread and is deleted there after it reported
// its result (a deferred delete, with queued slot objects of this library
// around it), while the runtime unloads this library as soon as the dialog
// call has returned. Once a window was shown the library therefore stays
// mapped until the process ends: a later unload only ends the module, and the
// GUI thread never runs code that is gone.
void keepLibraryMapped() {
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&keepLibraryMapped), &info) && info.dli_fname)
      (void)dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  });
}
} // namespace

int runWindow(DiagState& st) {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) return 300;
  const std::string bin = plat::path::programDir();
  const std::string ini = plat::path::join(bin, "INTERFACE.INI");
  const std::string profile = plat::path::join(bin, "TRMD001DLL.INI");
  keepLibraryMapped();
  if (QThread::currentThread() == app->thread()) {
    QEventLoop loop;
    int result = 300;
    auto* w = new DiagWindow(st, ini, profile, bin);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->onFinished = [&](int r) {
      result = r;
      loop.quit();
    };
    w->show();
    loop.exec();
    return result;
  }
  auto done = std::make_shared<std::promise<int>>();
  std::future<int> result = done->get_future();
  QMetaObject::invokeMethod(
      app,
      [&st, ini, profile, bin, done] {
        auto* w = new DiagWindow(st, ini, profile, bin);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->onFinished = [done](int r) { done->set_value(r); };
        w->show();
      },
      Qt::QueuedConnection);
  // The close request ends the window within a tick; should the GUI thread
  // not run its events, the request still ends the wait after 2 s.
  auto closeAsked = std::chrono::steady_clock::time_point::max();
  while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    if (st.closeRequest() && closeAsked == std::chrono::steady_clock::time_point::max())
      closeAsked = std::chrono::steady_clock::now();
    if (std::chrono::steady_clock::now() - closeAsked > std::chrono::seconds(2)) return 300;
  }
  return result.get();
}

} // namespace trmd
