#include "display/view.h"

namespace disp {

DrawView& currentView() {
  static DrawView v;
  return v;
}

void setCurrentView(const DrawView& v) { currentView() = v; }

} // namespace disp
