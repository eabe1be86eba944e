#include "recorder/faceedit.h"

#include "display/gatedraw.h"
#include "display/gdi.h"
#include "display/view.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "platform/uisink.h"
#include "recorder/recfiles.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace rec {

using disp::Pt16;

namespace {

FaceEditorState gState;

// The character cell of text height 4.
void cell(int& cw, int& ch) {
  int charW = 0, charH = 0;
  disp::gdi_SetTextHeight(4, &charW, &charH, &cw, &ch);
}

model::PortRow* row(bool input, int n) {
  model::LogicRecord* l = gState.logic;
  if (!l || n < 1) return nullptr;
  if (input) return l->InputPorts && n <= l->InputPortCount ? &l->InputPorts[n - 1] : nullptr;
  return l->OutputPorts && n <= l->OutputPortCount ? &l->OutputPorts[n - 1] : nullptr;
}

void redraw(int x, int y, int w, int h) {
  const FeArea a{x, y, w, h};
  gState.redraws.push_back(a);
  if (gState.onRedraw) gState.onRedraw(a);
}

void redrawFace() {
  const model::LogicRecord* l = gState.logic;
  redraw(0, 0, (l ? l->Width : 0) + 350, (l ? l->Height : 0) + 140);
}

void addDirty(int x, int y, int w, int h) { gState.dirty.push_back(FeArea{x, y, w, h}); }

bool atCorner(int x, int y) {
  const model::LogicRecord* l = gState.logic;
  return l && x == kFaceX + l->Width && y == kFaceY + l->Height;
}

// Asks 40020 when a macro gate calls the logic and unlinks the calls on Yes.
bool confirmUnlink(model::LogicRecord* logic) {
  if (!model::ge_FindMacroUser(logic)) return true;
  if (recShowMessage(40020, plat::ui::MB_YESNO | plat::ui::MB_ICONQUESTION) != plat::ui::IDYES) return false;
  model::ge_DeleteLogicCalls(logic);
  return true;
}

// Lays out the unplaced ports of one direction: in list order (by y), the
// port last taken off at the end.
void reflow(bool input, int last) {
  model::LogicRecord* l = gState.logic;
  const int count = input ? l->InputPortCount : l->OutputPortCount;
  std::vector<int> order;
  for (int n = 1; n <= count; ++n)
    if (row(input, n)->X < 0 && n != last) order.push_back(n);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return row(input, a)->Y < row(input, b)->Y; });
  if (last > 0 && row(input, last)->X < 0) order.push_back(last);
  int cw = 0, ch = 0;
  cell(cw, ch);
  int y = kUnplacedStartY;
  for (int n : order) {
    row(input, n)->Y = std::int16_t(y);
    y += ch + 10;
  }
}

bool startFace(model::LogicRecord* logic) {
  if (!confirmUnlink(logic)) return false;
  model::PortRow* in = nullptr;
  model::PortRow* out = nullptr;
  const bool okIn = logic->InputPortCount == 0 || model::mm_New(in, logic->InputPortCount);
  const bool okOut = okIn && (logic->OutputPortCount == 0 || model::mm_New(out, logic->OutputPortCount));
  if (!okIn || !okOut) {
    if (in) model::mm_Delete(in, logic->InputPortCount);
    if (out) model::mm_Delete(out, logic->OutputPortCount);
    redraw(0, 0, 550, 190);
    return false;
  }
  logic->InputPorts = in;
  logic->OutputPorts = out;
  gState.newFace = false;
  int cw = 0, ch = 0;
  cell(cw, ch);
  for (int n = 0; n < logic->InputPortCount; ++n)
    in[n] = model::PortRow{kUnplacedInputX, std::int16_t(kUnplacedStartY + n * (ch + 10)), model::kPortSlotUnplaced};
  for (int n = 0; n < logic->OutputPortCount; ++n)
    out[n] = model::PortRow{kUnplacedOutputX, std::int16_t(kUnplacedStartY + n * (ch + 10)), model::kPortSlotUnplaced};
  return true;
}

void startResize(int x, int y) {
  gState.mouseShape = 1;
  disp::gdi_SetMouseShape(1);
  gState.state = 2;
  gState.startX = x;
  gState.startY = y;
}

void setShape(int s) {
  gState.mouseShape = s;
  disp::gdi_SetMouseShape(s);
}

} // namespace

FaceEditorState& fe_State() { return gState; }

void fe_UnitInit() { gState.state = 0; }

int fe_Snap10(int v) {
  int r = v % 10;
  if (r < 0) r += 10;
  return r <= 5 ? v - r : v - r + 10;
}

void fe_SnapToGrid10(int& x, int& y) {
  x = fe_Snap10(x);
  y = fe_Snap10(y);
}

void fe_FrameInit(model::LogicRecord* logic) {
  gState.logic = logic;
  if (!logic) return;
  gState.inputs.assign(logic->InputPortCount, model::InputPin{});
  for (auto& p : gState.inputs) p.Flags = 1;
  gState.outputs.assign(logic->OutputPortCount, model::OutputPin{});
  for (std::size_t i = 0; i < gState.outputs.size(); ++i) {
    gState.outputs[i].Flags = 1;
    gState.outputs[i].FirstElement = std::uint16_t(i + 1);
  }
  model::GateRecord& g = gState.frameGate;
  std::memset(&g, 0, sizeof g);
  g.Kind = model::kKindCall;
  g.X = kFaceX;
  g.Y = kFaceY;
  g.Sub = logic;
  g.InputCount = logic->InputPortCount;
  g.OutputCount = logic->OutputPortCount;
  g.Inputs = gState.inputs.empty() ? nullptr : gState.inputs.data();
  g.Outputs = gState.outputs.empty() ? nullptr : gState.outputs.data();
  g.VectorDimension = 1;
  gState.newFace = !logic->InputPorts && !logic->OutputPorts;
}

void fe_FrameDone() {
  gState.inputs.clear();
  gState.outputs.clear();
  std::memset(&gState.frameGate, 0, sizeof gState.frameGate);
}

bool fe_EdgeAtPoint(int x, int y, int& px, int& py, std::uint16_t& side) {
  const model::LogicRecord* l = gState.logic;
  if (!l) return false;
  x -= kFaceX;
  y -= kFaceY + 3;
  fe_SnapToGrid10(x, y);
  const int w = l->Width, h = l->Height;
  if (x > 0 && x < w) {
    if (y >= -49 && y <= 0) {
      px = x, py = 0, side = model::kSideTop;
      return true;
    }
    if (y >= h && y <= h + 49) {
      px = x, py = h, side = model::kSideBottom;
      return true;
    }
  } else if (y > 0 && y < h) {
    if (x >= -49 && x <= 0) {
      px = 0, py = y, side = model::kSideLeft;
      return true;
    }
    if (x >= w && x <= w + 49) {
      px = w, py = y, side = model::kSideRight;
      return true;
    }
  }
  return false;
}

void fe_PortBox(int x, int y, std::uint16_t side, int& bx, int& by, int& bw, int& bh) {
  int cw = 0, ch = 0;
  cell(cw, ch);
  switch (side) {
  case model::kSideLeft: bx = x - 7 * cw, by = y - 2, bw = cw * 8, bh = ch; break;
  case model::kSideBottom: bx = x - 4, by = y - 2, bw = ch, bh = cw * 8; break;
  case model::kSideTop: bx = x - 4, by = y - 7 * cw, bw = ch, bh = cw * 8; break;
  default: bx = x - 3, by = y - 2, bw = cw * 8, bh = ch; break;
  }
}

bool fe_PortAtPoint(int& bx, int& by, int& bw, int& bh) {
  const model::LogicRecord* l = gState.logic;
  if (!l) return false;
  for (int pass = 0; pass < 2; ++pass) {
    const bool input = pass == 0;
    const int count = input ? l->InputPortCount : l->OutputPortCount;
    for (int n = 1; n <= count; ++n) {
      const model::PortRow* r = row(input, n);
      if (!r) continue;
      fe_PortBox(r->X + kFaceX, r->Y + kFaceY, r->Slot, bx, by, bw, bh);
      if (gState.mouseX >= bx && gState.mouseX < bx + bw && gState.mouseY >= by && gState.mouseY < by + bh) {
        gState.selected = n;
        gState.selectedInput = input;
        return true;
      }
    }
  }
  return false;
}

void fe_SetPort(bool place, int x, int y, std::uint16_t side) {
  model::PortRow* r = row(gState.selectedInput, gState.selected);
  if (!r) return;
  if (place) {
    r->X = std::int16_t(x);
    r->Y = std::int16_t(y);
    r->Slot = side;
    reflow(gState.selectedInput, 0);
  } else {
    r->Slot = model::kPortSlotUnplaced;
    r->X = std::int16_t(gState.selectedInput ? kUnplacedInputX : kUnplacedOutputX);
    reflow(gState.selectedInput, gState.selected);
  }
}

void fe_PlacePort(model::LogicRecord* logic, int x, int y) {
  if (!logic || gState.newFace) return;
  model::PortRow* r = row(gState.selectedInput, gState.selected);
  if (!r) return;
  int cw = 0, ch = 0;
  cell(cw, ch);
  x += gState.scrollX + cw / 2;
  y += gState.scrollY + ch / 2;
  const int oldX = r->X + kFaceX, oldY = r->Y + kFaceY;
  if (x < 147) {
    fe_SetPort(false, 0, 0, 0);
  } else {
    int px = 0, py = 0;
    std::uint16_t side = 0;
    if (!fe_EdgeAtPoint(x, y, px, py, side)) return;
    for (int pass = 0; pass < 2; ++pass) {
      const bool input = pass == 0;
      const int count = input ? logic->InputPortCount : logic->OutputPortCount;
      for (int n = 1; n <= count; ++n) {
        const model::PortRow* o = row(input, n);
        if (o && o->X == px && o->Y == py && o->Slot != model::kPortSlotUnplaced) return;   // occupied
      }
    }
    fe_SetPort(true, px, py, side);
  }
  addDirty(oldX - 40, oldY - 40, 80, 80);
  addDirty(r->X + kFaceX - 40, r->Y + kFaceY - 40, 80, 80);
}

void fe_ResizeFace(model::LogicRecord* logic, int x, int y) {
  if (!logic) return;
  x += gState.scrollX;
  y += gState.scrollY;
  int w = std::max(20, logic->Width - gState.startX + x);
  int h = std::max(20, logic->Height - gState.startY + y);
  logic->Width = std::int16_t(std::min(fe_Snap10(w), 30000));
  logic->Height = std::int16_t(std::min(fe_Snap10(h), 30000));
  redrawFace();
}

void fe_FaceEditor(model::LogicRecord* logic, FeEvent event, int x, int y) {
  if (!logic) return;
  if (gState.logic != logic) fe_FrameInit(logic);
  gState.mouseX = x;
  gState.mouseY = y;
  const bool release = event == FeEvent::Release;
  const bool press = event == FeEvent::Press;
  const bool command = event == FeEvent::Command;
  if (gState.state == 1) {
    if (release && y > 0) {
      fe_PlacePort(logic, x, y);
      setShape(14);
      gState.state = 0;
      redrawFace();
    }
    return;
  }
  if (gState.state == 2) {
    if (release && y > 0) {
      redrawFace();
      fe_ResizeFace(logic, x, y);
      setShape(14);
      gState.state = 0;
    }
    return;
  }
  gState.newFace = !logic->InputPorts && !logic->OutputPorts;
  if (gState.newFace) {
    if (!(press || (command && (x == 1041 || x == 1042)))) return;
    if (!startFace(logic)) return;
    if (command && x == 1042) {
      redraw(0, 0, 550, 190);
      return;
    }
    int sx = command ? x : x, sy = y;
    fe_SnapToGrid10(sx, sy);
    if (atCorner(sx, sy)) startResize(sx, sy);
    else redraw(0, 0, 550, 190);
    return;
  }
  if (command && x == 1041) return;
  if (!(press || (command && x == 1042))) return;
  int bx = 0, by = 0, bw = 0, bh = 0;
  if (!fe_PortAtPoint(bx, by, bw, bh)) {
    int sx = x, sy = y;
    fe_SnapToGrid10(sx, sy);
    if (!atCorner(sx, sy)) return;
    if (!confirmUnlink(logic)) return;
    startResize(sx, sy);
    return;
  }
  if (bx >= 156 && model::ge_FindMacroUser(logic) &&
      recShowMessage(40021, plat::ui::MB_YESNO | plat::ui::MB_ICONQUESTION) != plat::ui::IDYES)
    return;
  setShape(15);
  gState.state = 1;
}

// ---- drawing ----

void fe_DrawEdgeTick(std::uint16_t side) {
  const model::LogicRecord* l = gState.logic;
  if (!l) return;
  const int w = l->Width, h = l->Height;
  auto tick = [](int x1, int y1, int x2, int y2) {
    const Pt16 p[2] = {Pt16{std::int16_t(x1), std::int16_t(y1)}, Pt16{std::int16_t(x2), std::int16_t(y2)}};
    disp::gdi_Polyline(2, p);
  };
  if (side == model::kSideTop || side == model::kSideBottom) {
    const int y = side == model::kSideTop ? kFaceY : kFaceY + h;
    const int d = side == model::kSideTop ? -3 : 3;
    for (int x = kFaceX + 10; x < kFaceX + w; x += 10) tick(x, y, x, y + d);
  } else {
    const int x = side == model::kSideLeft ? kFaceX : kFaceX + w;
    const int d = side == model::kSideLeft ? -3 : 3;
    for (int y = kFaceY + 10; y < kFaceY + h; y += 10) tick(x, y, x + d, y);
  }
}

void fe_DrawGrid() {
  const disp::DrawView& v = disp::currentView();
  std::vector<Pt16> pts;
  const int top = v.viewY + 30, bottom = v.viewY + v.viewH;
  const int left = v.viewX, right = v.viewX + v.viewW;
  for (int y = top; y < bottom; y += 5) {
    const int step = (y - top) % 50 == 0 ? 5 : 50;
    int x = (left + 49) / 50 * 50;
    for (; x < right; x += step) {
      pts.push_back(Pt16{std::int16_t(x - v.scrollX), std::int16_t(y - v.scrollY)});
      if (pts.size() == 100) {
        disp::gdi_Markers(100, pts.data());
        pts.clear();
      }
    }
  }
  if (!pts.empty()) disp::gdi_Markers(int(pts.size()), pts.data());
}

void fe_DrawEditor(model::LogicRecord* logic) {
  if (!logic) return;
  fe_FrameInit(logic);
  const disp::DrawView& v = disp::currentView();
  disp::gdi_SetWriteMode(1);
  disp::gdi_SetLineColor(1);
  auto line = [](int x1, int y1, int x2, int y2) {
    const Pt16 p[2] = {Pt16{std::int16_t(x1), std::int16_t(y1)}, Pt16{std::int16_t(x2), std::int16_t(y2)}};
    disp::gdi_Polyline(2, p);
  };
  const int sx = gState.scrollX, sy = gState.scrollY;
  line(0 - sx, 30 - sy, v.viewW + 1000 - sx, 30 - sy);
  line(0 - sx, 31 - sy, v.viewW + 1000 - sx, 31 - sy);
  line(146 - sx, 10 - sy, 146 - sx, v.viewH + 1000 - sy);
  line(147 - sx, 10 - sy, 147 - sx, v.viewH + 1000 - sy);
  line(70 - sx, 10 - sy, 70 - sx, v.viewH + 1000 - sy);
  disp::gd_DrawGate(&gState.frameGate, nullptr, 0);
  if (!gState.newFace)
    for (std::uint16_t side = 1; side <= 4; ++side) fe_DrawEdgeTick(side);
  int cw = 0, ch = 0, charW = 0, charH = 0;
  disp::gdi_SetTextHeight(13, &charW, &charH, &cw, &ch);
  disp::gdi_Text(14 - sx, 20 - sy, "Inputs");
  disp::gdi_Text(78 - sx, 20 - sy, "Outputs");
  disp::gdi_SetWriteMode(1);
  fe_DrawGrid();
}

} // namespace rec
