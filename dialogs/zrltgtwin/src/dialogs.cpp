// Dialogs 129, 130, 131 and 133: the compile, result, download and
// interface-mode dialogs.
#include "dialogs.h"

#include "core.h"
#include "frame.h"
#include "texts.h"

#include "dialogkit/progress.h"
#include "dialogkit/qtkit.h"
#include "platform/endpoint.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace tw {

namespace {

const char* kLibrary = "ZRLTGTWIN";

// The state of each worker kind, one for the whole library.
kit::WorkerState& compileState() {
  static kit::WorkerState s;
  return s;
}
kit::WorkerState& downloadState() {
  static kit::WorkerState s;
  return s;
}
kit::WorkerState& modeState() {
  static kit::WorkerState s;
  return s;
}

// A progress dialog with a caption, a text and a bar; starts its worker when it
// first shows, ends from its timer once the worker cleared busy.
class WorkerDialog : public kit::ProgressDialog {
public:
  WorkerDialog(QWidget* parent, unsigned id, int barId, unsigned startFailure, unsigned helpContext,
               kit::WorkerState& st, bool followProgress)
      : kit::ProgressDialog(parent), id_(id), startFailure_(startFailure), help_(helpContext), st_(st),
        follow_(followProgress) {
    setWindowTitle(QString::fromStdString(dialogText(id, 0)));
    auto* lay = new QVBoxLayout(this);
    auto* text = new QLabel(QString::fromStdString(dialogText(id, 100)), this);
    text->setObjectName("c100");
    lay->addWidget(text);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("c%1").arg(barId));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setMinimumWidth(260);
    lay->addWidget(bar_);
  }
  ~WorkerDialog() override {
    if (worker_.joinable()) worker_.join();
  }

protected:
  virtual bool prepare() { return true; }
  virtual void work() = 0;

  void showEvent(QShowEvent* e) override {
    kit::ProgressDialog::showEvent(e);
    if (started_) return;
    started_ = true;
    bool ok = prepare() && startTick();
    if (ok) {
      st_.busy = 1;
      st_.progress = 0;
      st_.status = 0;
      try {
        worker_ = std::thread([this] { work(); });
      } catch (const std::system_error&) {
        st_.busy = 0;
        ok = false;
      }
    }
    if (!ok)
      QTimer::singleShot(0, this, [this] {
        progressMessage(resources().text(startFailure_), resources().text(kCaption));
        endCancel();
      });
  }

  void tick() override {
    if (st_.busy == 1) {
      if (follow_) bar_->setValue(st_.progress);
      return;
    }
    if (worker_.joinable()) worker_.join();
    int status = st_.status;
    if (status > 0) {
      progressMessage(resources().text(unsigned(status)), resources().text(kCaption));
      endCancel();
    } else {
      endOk();
    }
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_F1) {
      help(this, help_);
      return;
    }
    kit::ProgressDialog::keyPressEvent(e);
  }

  QProgressBar* bar_ = nullptr;
  unsigned id_, startFailure_, help_;
  kit::WorkerState& st_;
  bool follow_;
  bool started_ = false;
  std::thread worker_;
};

class CompileDialog : public WorkerDialog {
public:
  CompileDialog(QWidget* p, ZrlCompileResult* r)
      : WorkerDialog(p, kDlgCompile, 1000, kCompileStart, 60, compileState(), true), result_(r) {}
protected:
  void work() override { compileWorker(st_, result_); }
private:
  ZrlCompileResult* result_;
};

class DownloadDialog : public WorkerDialog {
public:
  explicit DownloadDialog(QWidget* p) : WorkerDialog(p, kDlgDownload, 1002, kDownloadStart, 14, downloadState(), false) {}
  ~DownloadDialog() override {
    if (worker_.joinable()) worker_.join();
    if (endpoint_) endpoint_->close();
  }
  int notices() const { return notices_; }
protected:
  // The endpoint the server reports the progress to (message 1025, wParam the per cent).
  bool prepare() override {
    static std::atomic<int> counter{0};
    QPointer<QProgressBar> bar = bar_;
    std::string name = plat::ipc::endpointName(
        "ZRLTGTWIN", "progress-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    endpoint_ = plat::ipc::Endpoint::create(name, [bar, this](const plat::ipc::Message& m) {
      plat::ipc::Answer a;
      if (m.msg == 1025) {
        int pct = int(m.wParam);
        ++notices_;
        QMetaObject::invokeMethod(bar, [bar, pct] {
          if (bar) bar->setValue(pct);
        }, Qt::QueuedConnection);
        a.result = 1;
      }
      return a;
    });
    return endpoint_ != nullptr;
  }
  void work() override { downloadWorker(st_, endpoint_->id()); }
private:
  std::unique_ptr<plat::ipc::Endpoint> endpoint_;
  std::atomic<int> notices_{0};
};

class ModeDialog : public WorkerDialog {
public:
  explicit ModeDialog(QWidget* p) : WorkerDialog(p, kDlgMode, 1003, kModeStart, 76, modeState(), true) {}
protected:
  void work() override { modeChangeWorker(st_); }
};

class ResultDialog : public kit::Dialog {
public:
  explicit ResultDialog(QWidget* p) : kit::Dialog(p) {
    setWindowTitle(QString::fromStdString(dialogText(kDlgResult, 0)));
    auto* lay = new QVBoxLayout(this);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName("c1001");
    edit_->setReadOnly(true);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit_->setMinimumSize(420, 220);
    lay->addWidget(edit_);
    auto* close = new QPushButton(QString::fromStdString(dialogText(kDlgResult, 2)), this);
    close->setObjectName("c2");
    connect(close, &QPushButton::clicked, this, &ResultDialog::reject);
    lay->addWidget(close, 0, Qt::AlignHCenter);
    load();
  }
  void accept() override { done(2); }  // Enter ends it as Close does
protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_F1) {
      help(this, 55);
      return;
    }
    kit::Dialog::keyPressEvent(e);
  }
private:
  void load() {
    unsigned status = kFileOpen;
    std::string path;
    Tool* t = tool();
    if (t && t->projectError(path, state().instance)) {
      long long size = fileSize(path);
      std::ifstream f(linuxPath(path), std::ios::binary);
      if (size > 0 && f) {
        std::string text(std::size_t(size), '\0');
        f.read(text.data(), size);
        std::streamsize got = f.gcount();
        if (got > 0) {
          text.resize(std::size_t(got));
          edit_->setPlainText(QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
          status = 0;
        } else {
          status = kFileRead;
        }
      }
    }
    if (status) {
      QTimer::singleShot(0, this, [this, status, path] {
        if (path.empty()) kit::boxById(resources(), status, kCaption, 0);
        else message(status, {path});
        done(2);
      });
    }
  }
  QPlainTextEdit* edit_;
};

} // namespace

int runCompileDialog(ZrlWindow owner, ZrlCompileResult* result) {
  return kit::runModal(owner, [result](QWidget* p) { return new CompileDialog(p, result); }, {kLibrary, 129});
}

int runResultDialog(ZrlWindow owner) {
  return kit::runModal(owner, [](QWidget* p) { return new ResultDialog(p); }, {kLibrary, 130});
}

int runDownloadDialog(ZrlWindow owner) {
  return kit::runModal(owner, [](QWidget* p) { return new DownloadDialog(p); }, {kLibrary, 131});
}

int runModeDialog(ZrlWindow owner) {
  return kit::runModal(owner, [](QWidget* p) { return new ModeDialog(p); }, {kLibrary, 133});
}

} // namespace tw
