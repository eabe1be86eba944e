// MESSAGES with a window: a list of lines and a progress bar. Without a
// display (or with --headless) it runs as the headless program does.
#include "messages/messages.h"
#include <QApplication>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

// The window; every call comes from the endpoint's thread and is carried
// over to the window's thread as a queued call.
class MessageWindow : public QWidget, public messages::View {
public:
  MessageWindow() {
    setWindowTitle("Messages");
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setMaximumBlockCount(20000);
    bar_ = new QProgressBar(this);
    bar_->hide();
    layout->addWidget(text_);
    layout->addWidget(bar_);
    resize(640, 320);
  }
  void appendLine(const std::string& t) override {
    QString s = QString::fromStdString(t);
    later([this, s] { text_->appendPlainText(s); });
  }
  void clear() override { later([this] { text_->clear(); }); }
  void showProgress(bool show) override { later([this, show] { bar_->setVisible(show); }); }
  void initProgress(std::int64_t a, std::int64_t b) override {
    int lo = static_cast<int>(std::min(a, b)), hi = static_cast<int>(std::max(a, b));
    later([this, lo, hi] { bar_->setRange(lo, hi); bar_->setValue(lo); });
  }
  void setProgress(std::int64_t p) override { later([this, p] { bar_->setValue(static_cast<int>(p)); }); }
  void closeRequested() override { later([] { QApplication::quit(); }); }

private:
  template <class F> void later(F f) { QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection); }
  QPlainTextEdit* text_;
  QProgressBar* bar_;
};

} // namespace

int main(int argc, char** argv) {
  messages::Options o = messages::parseArgs(argc, argv);
  if (o.help || !o.error.empty()) {
    if (!o.error.empty()) std::fprintf(stderr, "MESSAGES: %s\n", o.error.c_str());
    std::fputs(messages::usage(), o.help ? stdout : stderr);
    return o.help ? 0 : 2;
  }
  if (o.headless || (!o.window && !messages::displayAvailable())) return messages::runHeadless(o);

  QApplication app(argc, argv);
  messages::EventLog log;
  if (!log.open(o.logFile)) {
    std::fprintf(stderr, "MESSAGES: cannot open the log file %s\n", o.logFile.c_str());
    return 1;
  }
  MessageWindow window;
  messages::Handler handler(&window, &log);
  auto ep = plat::ipc::Endpoint::create(o.endpoint, [&](const plat::ipc::Message& m) { return handler.handle(m); });
  if (!ep) {
    std::fprintf(stderr, "MESSAGES: a message window is already running\n");
    return 1;
  }
  // The window goes with the program that started it, however that ends.
  const messages::OwnerWatch owner(o.owner);
  QTimer watch;
  if (owner.watching()) {
    QObject::connect(&watch, &QTimer::timeout, [&owner] {
      if (!owner.alive()) QApplication::quit();
    });
    watch.start(200);
  }
  window.show();
  int rc = app.exec();
  ep->close();
  return rc;
}
