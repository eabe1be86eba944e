// The drag picture of a worksheet window (see dragmarker.h).
#include "editor/dragmarker.h"

#include "display/gdi.h"
#include "display/viewport.h"

#include <cmath>
#include <memory>

namespace editor {

namespace {

struct Shown {
  const WorksheetWindowData* window = nullptr;
  disp::DrawWindow* draw = nullptr;
  int x = 0, y = 0;  // pixels
  std::unique_ptr<disp::WindowBitmap> under;
};
Shown gShown;
int gOriginX = 0, gOriginY = 0;

int px(int units) { return int(std::lround(double(units) * double(disp::gdi_GetZoom()))); }

} // namespace

void ws_DragMarkerEnd(WorksheetWindowData* window) {
  if (!gShown.window || (window && gShown.window != window)) return;
  if (gShown.under) disp::drw_BlitBitmap(gShown.draw, gShown.under.get(), gShown.x, gShown.y);
  gShown = Shown{};
}

void ws_DragPictureOrigin(int& x, int& y) {
  x = gOriginX;
  y = gOriginY;
}

void ws_DragMarkerForget(const WorksheetWindowData* window) {
  if (!window || gShown.window == window) gShown = Shown{};
}

bool ws_DragMarkerShown(const WorksheetWindowData* window) { return gShown.window && gShown.window == window; }

int ws_DragMarkerMove(WorksheetWindowData* window, EngineEvent* event) {
  if (!window || !event || !window->drag) return 0;
  // Only the window's own picture is put back; another window's is forgotten.
  if (gShown.window == window) ws_DragMarkerEnd(window);
  else ws_DragMarkerForget(nullptr);
  disp::DrawWindow* draw = host().drawWindow(window);
  int w = window->sheetAreaW, h = window->sheetAreaH;
  if (!draw || w <= 0 || h <= 0) return window->drag(window, event);
  int ax = event->x + window->sheetAreaX, ay = event->y + window->sheetAreaY;
  int pw = std::max(1, px(w)), ph = std::max(1, px(h));
  auto under = disp::drw_SaveWindowArea(draw, px(ax), px(ay), pw, ph);
  int answer = 0;
  bool called = false;
  auto picture = disp::drw_RenderToBitmap(draw, pw, ph, [&] {
    gOriginX = ax;
    gOriginY = ay;
    answer = window->drag(window, event);
    gOriginX = gOriginY = 0;
    called = true;
  });
  if (!called) return window->drag(window, event);
  if (picture && under) {
    disp::drw_BlitBitmapAnd(draw, picture.get(), px(ax), px(ay));
    gShown.window = window;
    gShown.draw = draw;
    gShown.x = px(ax);
    gShown.y = px(ay);
    gShown.under = std::move(under);
  }
  return answer;
}

} // namespace editor
