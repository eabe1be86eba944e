#pragma once
// What the dialog library tests share: the application, files, a dialog
// driver on the observer, a program directory beside which a library is
// loaded by name, and window pictures.
#include "dialogkit/qtkit.h"
#include "dialogkit/window_message.h"
#include "platform/library.h"
#include "platform/uisink.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace dlgtest {

namespace fs = std::filesystem;

inline QApplication& app() {
  static int argc = 1;
  static char arg0[] = "dialog_tests";
  static char* argv[] = {arg0, nullptr};
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

inline void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
inline std::string readFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs the event loop for ms milliseconds.
inline void pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

template <class F> F fn(plat::lib::Handle h, const char* name) {
  F f = plat::lib::symbolAs<F>(h, name);
  EXPECT_NE(f, nullptr) << name;
  return f;
}

// Saves a window's picture as DIR/NAME.png.
inline void saveShot(const fs::path& dir, QWidget* w, const std::string& name) {
  fs::create_directories(dir);
  w->grab().save(QString::fromStdString((dir / (name + ".png")).string()));
}

// Answers each dialog that shows with onShown (the record) or onDialog (the
// dialog); a dialog still open at the deadline fails the test. With a shot
// directory, the first showing of each dialog of the library is kept as
// LIBRARY-ID.png.
struct Driver : plat::ui::DialogObserver {
  std::function<void(const plat::ui::DialogShown&)> onShown;
  std::function<void(QDialog*)> onDialog;
  std::vector<int> seen;
  std::atomic<int> timeouts{0};
  int deadline = 5000;
  fs::path shots;
  std::string shotLibrary;
  void shown(const plat::ui::DialogShown& d) override {
    seen.push_back(d.resourceId);
    if (!shots.empty() && d.library == shotLibrary && shot_.insert(d.resourceId).second)
      saveShot(shots, static_cast<QWidget*>(d.widget), shotLibrary + "-" + std::to_string(d.resourceId));
    if (onShown) onShown(d);
    if (onDialog) onDialog(static_cast<QDialog*>(d.widget));
  }
  void timedOut(const plat::ui::DialogShown& d) override {
    ++timeouts;
    ADD_FAILURE() << "dialog " << d.resourceId << " still open at the deadline";
  }
  int deadlineMs() const override { return deadline; }
private:
  std::set<int> shot_;
};

// A program directory of the test's own: a temporary folder with language
// and other folders, copies of libraries (the settings library takes its
// program directory from the real path of its file) and OBEL.INI.
struct ProgramDir {
  fs::path dir;
  ProgramDir(const std::string& tag, std::initializer_list<const char*> folders) {
    dir = fs::temp_directory_path() / (tag + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    for (const char* f : folders) fs::create_directories(dir / f);
  }
  ~ProgramDir() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  ProgramDir(const ProgramDir&) = delete;
  ProgramDir& operator=(const ProgramDir&) = delete;
  // A copy of a file of the build's program directory.
  void copyFromBin(const std::string& name) {
    fs::copy_file(fs::path(ZERLO_BIN_DIR) / name, dir / name, fs::copy_options::overwrite_existing);
  }
  // The language library NAME of the build (ENGLISH) and of the test (GERMAN, from testLibs).
  void linkLanguages(const std::string& name, const fs::path& testLibs) {
    fs::create_symlink(fs::path(ZERLO_BIN_DIR) / "ENGLISH" / name, dir / "ENGLISH" / name);
    fs::create_symlink(testLibs / "GERMAN" / name, dir / "GERMAN" / name);
  }
  // OBEL.INI: the language number, the help-number switch, the [DIR] lines,
  // the language list and any further sections.
  void writeSettings(int language, bool helpNumbers, const std::string& dirs, const std::string& languages,
                     const std::string& more = "") {
    writeFile(dir / "OBEL.INI", "[SYSTEM]\nLANGUAGE=" + std::to_string(language) +
                                    (helpNumbers ? "\nhelpnumber=1" : "") + "\n\n[DIR]\n" + dirs +
                                    "\n[LANGUAGES]\n" + languages + more);
  }
  plat::lib::Handle load(const std::string& dllName) const { return plat::lib::load((dir / dllName).string()); }
};

// A window that keeps the window messages it receives: message, wParam, lParam.
struct Receiver : QWidget {
  struct Got {
    std::uint32_t msg;
    std::int64_t wParam, lParam;
  };
  std::vector<Got> got;
  bool event(QEvent* e) override {
    if (e->type() == kit::kWindowMessageEvent) {
      auto* m = static_cast<kit::WindowMessageEvent*>(e);
      got.push_back({m->msg, m->wParam, m->lParam});
      return true;
    }
    return QWidget::event(e);
  }
};

// A test with an owner window (registered, its handle id in ownerId_) and the
// driver on the dialog observer.
class OwnedDialogs : public ::testing::Test {
protected:
  void SetUp() override {
    owner_ = std::make_unique<QWidget>();
    ownerId_ = kit::registerOwner(owner_.get());
    plat::ui::setDialogObserver(driver_);
  }
  void TearDown() override {
    plat::ui::setDialogObserver(nullptr);
    owner_.reset();
  }
  std::shared_ptr<Driver> driver_ = std::make_shared<Driver>();
  std::unique_ptr<QWidget> owner_;
  std::uint32_t ownerId_ = 0;
};

// A suite over one library that Load::load() loads once for the suite.
template <class Load> class LibraryDialogs : public OwnedDialogs {
protected:
  static void SetUpTestSuite() {
    app();
    h_ = Load::load();
    ASSERT_TRUE(h_) << plat::lib::lastError();
  }
  static void TearDownTestSuite() {
    if (h_) plat::lib::unload(h_);
    h_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(h_);
    OwnedDialogs::SetUp();
  }
  static inline plat::lib::Handle h_ = nullptr;
};

// Loads the library with the English language (OBEL.INI language 2): no box
// shows, every export is there and the version is 1.0 (its export named).
template <class Program>
plat::lib::Handle loadedQuietly(Program& program, const plat::ui::ScriptedSink& sink,
                                const std::vector<const char*>& exports, const char* version) {
  app();
  program.writeObel(2);
  plat::lib::Handle h = program.load();
  EXPECT_TRUE(h) << plat::lib::lastError();
  if (!h) return nullptr;
  EXPECT_TRUE(sink.shown().empty());
  EXPECT_EQ(fn<double (*)()>(h, version)(), 1.0);
  for (const char* n : exports) EXPECT_NE(plat::lib::symbol(h, n), nullptr) << n;
  return h;
}

// A language library that cannot be loaded: its box (text, style and, when
// given, caption) shows once; Cancel refuses the load, OK loads the library
// (returned).
template <class Program>
plat::lib::Handle refusedThenLoaded(Program& program, plat::ui::ScriptedSink& sink, const std::string& text,
                                    unsigned style, const std::string& caption = {}) {
  sink.answerBox(plat::ui::IDCANCEL);
  EXPECT_EQ(program.load(), nullptr);
  EXPECT_EQ(sink.shown().size(), 1u);
  if (sink.shown().empty()) return nullptr;
  EXPECT_EQ(sink.shown()[0].text, text);
  EXPECT_EQ(sink.shown()[0].style, style);
  if (!caption.empty()) {
    EXPECT_EQ(sink.shown()[0].caption, caption);
  }
  sink.answerBox(plat::ui::IDOK);
  plat::lib::Handle h = program.load();
  EXPECT_TRUE(h) << plat::lib::lastError();
  return h;
}

} // namespace dlgtest
