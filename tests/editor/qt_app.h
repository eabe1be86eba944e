#pragma once
// One QApplication for every test of the Qt editor test binary.
#include <QApplication>

namespace editor_test {

inline void qtApp() {
  static int argc = 1;
  static char name[] = "editor_qt_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

} // namespace editor_test
