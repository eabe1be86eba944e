#include "display/sheet.h"

#include "display/dib.h"
#include "display/gatedraw.h"
#include "display/vdi.h"
#include "model/geometry.h"
#include "platform/paths.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace disp {

using model::GateInstance;
using model::GateRecord;

namespace {

bool counted(const GateRecord* g) {
  const unsigned k = g->Kind;
  if (k == 44 || k == 45 || k == 61 || k == 85 || k == 66) return false;
  if (const model::GateTypeRecord* t = model::subType(g)) return !(t->Flags & 2);
  return true;
}

bool skippedWhileEdited(const GateRecord* g) {
  const DrawView& v = currentView();
  const int s = v.editorState;
  return g == v.editedGate && (s == 1 || s == 6 || s == 9 || s == 12);
}

void gateWithWires(GateRecord* g, GateInstance* inst, int counter) {
  gd_DrawGate(g, inst, counter);
  gd_DrawInputWires(g, 2);
}

} // namespace

void ws_DrawGrid(int major, int minor) {
  const DrawView& v = currentView();
  Device* dc = gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr;
  if (!dc || v.printing || v.pageFrameBound || major <= 0 || minor <= 0) return;
  int ox = major - (v.scrollX % major), oy = major - (v.scrollY % major);
  const int right = v.sheetW - v.scrollX, bottom = v.sheetH - v.scrollY;
  gdi_SetLineColor(1);
  gdi_SetLineWidth(2);
  Pt16 edge1[2] = {{model::clamp16(right), 0}, {model::clamp16(right), model::clamp16(bottom)}};
  Pt16 edge2[2] = {{0, model::clamp16(bottom)}, {model::clamp16(right), model::clamp16(bottom)}};
  vdi_Polyline(0, 2, edge1);
  vdi_Polyline(0, 2, edge2);
  gdi_SetLineWidth(1);
  int cw = v.clientW, ch = v.clientH;
  const int devRight = gdi_ScaleX(right), devBottom = gdi_ScaleY(bottom);
  if (gdi_Attributes().scaling) {
    major = gdi_ScaleX(major);
    minor = gdi_ScaleX(minor);
    ox = gdi_ScaleX(ox);
    oy = gdi_ScaleX(oy);
    cw = gdi_ScaleX(cw);
    ch = gdi_ScaleX(ch);
    if (major < 40) minor = major;
    if (major < 20) return;
  }
  if (major <= 0 || minor <= 0) return;
  const Rgb black{0, 0, 0};
  // Kept between redraws: a sheet's dots are tens of thousands of points, and
  // a fresh list would cost its allocation and first touch every time.
  static thread_local std::vector<P32> dots;
  dots.clear();
  for (int x = ox; x < cw && x < devRight; x += major)
    for (int y = minor; y < ch && y < devBottom; y += minor) dots.push_back({x, y});
  if (minor != major)
    for (int y = oy; y < ch && y < devBottom; y += major)
      for (int x = minor; x < cw && x < devRight; x += minor) dots.push_back({x, y});
  dc->setPixels(dots.data(), static_cast<int>(dots.size()), black);
}

void drw_TileRotatedText(Device* dc, int l, int t, int r, int b, int height, const std::string& text) {
  if (!dc || text.empty() || height <= 0) return;
  FontSpec f;
  f.height = height;
  f.escapement = f.orientation = 450;
  f.weight = 400;
  f.quality = 0;
  f.pitchAndFamily = 0;
  dc->setFont(f);
  dc->setOpaqueText(false);
  dc->setTextColor(Rgb{208, 208, 208});
  dc->setClip(true, l, t, r, b);
  const int w = dc->textWidth(text);
  const int d = static_cast<int>(std::sqrt(static_cast<double>(w) * w / 2.0));
  const int step = d + 100;
  for (int y = t; y < b; y += step)
    for (int x = l + 10; x < r; x += step) dc->textOut(x, y + d, text);
  dc->setClip(false, 0, 0, 0, 0);
  // The layer's own text state comes back.
  const GdiAttributes a = gdi_Attributes();
  gdi_DeleteFonts();
  gdi_SelectFont(a.textClass);
  dc->setOpaqueText(a.writeMode == 1);
  gdi_ApplyTextColor(1);
}

void ws_DrawSheetBackgroundText() {
  const DrawView& v = currentView();
  Device* dc = gdi_CurrentWindow() ? gdi_CurrentDevice() : nullptr;
  if (!dc || v.tiledText.empty()) return;
  const std::string text = v.tiledText.substr(0, 100);
  drw_TileRotatedText(dc, gdi_ScaleX(-v.scrollX), gdi_ScaleY(-v.scrollY), gdi_ScaleX(v.sheetW - v.scrollX),
                      gdi_ScaleY(v.sheetH - v.scrollY), gdi_ScaleY(72), text);
}

void ws_DrawSheet(GateRecord* gates, GateInstance* insts) {
  const DrawView& v = currentView();  // the write mode in it follows the layer's
  if (v.level && (v.level->Flags & 0x8000) && !v.bitmapDir.empty()) {
    char name[13] = {};
    std::memcpy(name, v.level->Text2, 12);
    if (name[0]) {
      DibHandle pic = dib_Cached(plat::path::join(v.bitmapDir, name));
      int w = 0, h = 0;
      if (pic && dib_GetSize(pic, &w, &h)) drw_DrawDib(pic, -v.scrollX, -v.scrollY, w, h);
    }
  }
  gdi_SetWriteMode(2);
  currentView().writeMode = 2;
  int counter = 0;
  GateInstance* inst = insts;
  for (GateRecord* g = gates; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (skippedWhileEdited(g)) continue;
    if (counted(g)) ++counter;
    gateWithWires(g, inst, counter);
  }
  gd_DrawGateList(gates, insts, true);
  gdi_SetWriteMode(1);
  currentView().writeMode = 1;
}

void ws_DrawSheetB(GateRecord* gates, GateInstance* insts) {
  DrawView& v = currentView();
  int counter = 0;
  GateInstance* inst = insts;
  for (GateRecord* g = gates; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (counted(g)) ++counter;
    if (g->Selected != 1) continue;
    const int state = v.editorState;
    v.editorState = 0;  // no selection frame
    gateWithWires(g, inst, counter);
    v.editorState = state;
  }
}

void ws_DrawSheetC(GateRecord* gate) {
  const DrawView& v = currentView();
  if (!v.level || !gate) return;
  int counter = 0;
  GateInstance* inst = v.levelInstances ? v.levelInstances : v.level->FirstInstance;
  for (GateRecord* g = v.level->FirstGate; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    if (counted(g)) ++counter;
    if (g == gate) {
      gateWithWires(g, inst, counter);
      return;
    }
  }
}

void ws_Redraw(model::LogicRecord* level, model::GateInstance* instances) {
  DrawView& v = currentView();
  v.level = level;
  v.levelInstances = instances;
  if (v.gridOn) ws_DrawGrid(50, 5);
  ws_DrawSheetBackgroundText();
  if (level) ws_DrawSheet(level->FirstGate, instances ? instances : level->FirstInstance);
}

} // namespace disp
