#include "display/view.h"

#include "display/gdi.h"

namespace disp {

DrawView& currentView() {
  static DrawView v;
  return v;
}

void setCurrentView(const DrawView& v) { currentView() = v; }

void vw_DeriveTextMetrics(DrawView& v) {
  const int keep = gdi_Attributes().textClass;
  int cw = 0, ch = 0, cellW = 0, cellH = 0;
  gdi_SetTextHeight(v.defaultTextHeight, &cw, &ch, &cellW, &cellH);
  v.charWidth = cellW;
  v.lineHeight = cellH;
  v.baseline = 13;
  gdi_SelectFont(keep);
}

} // namespace disp
