#pragma once
// The suite over stockwin.so's modal dialogs and the helpers that drive them.
#include "sw_program.h"

#include "platform/uisink.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace swtest {

using namespace plat::ui;

template <class T> T* child(QDialog* d, int id) { return d->findChild<T*>(QStringLiteral("c%1").arg(id)); }
inline void click(QDialog* d, int id) { child<QPushButton>(d, id)->click(); }
inline bool okEnabled(QDialog* d) { return child<QPushButton>(d, 1)->isEnabled(); }
inline void key(QWidget* w, int k) {
  QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &ev);
}
// Types text into an edit as the user would (edited, so upper-casing applies).
inline void type(QLineEdit* e, const char* text) {
  e->clear();
  for (const char* c = text; *c; ++c) {
    QKeyEvent ev(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(*c)));
    QCoreApplication::sendEvent(e, &ev);
  }
}

struct LoadStockwin {
  static plat::lib::Handle load() {
    program().writeObel(2, "ENGLISH", true);
    return program().load();
  }
};

class Dialogs : public dlgtest::LibraryDialogs<LoadStockwin> {
protected:
  void SetUp() override {
    driver_->shots = SW_SHOTS;
    driver_->shotLibrary = "STOCKWIN";
    LibraryDialogs::SetUp();
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (auto& s : sink_->shown()) out.push_back(s.text);
    return out;
  }
  std::shared_ptr<ScriptedSink> sink_ = std::make_shared<ScriptedSink>();
  ScopedSink scope_{sink_};
};


} // namespace swtest
