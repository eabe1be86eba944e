#include "display/gatedraw.h"

#include "display/gatesym.h"
#include "display/vdi.h"
#include "model/geometry.h"
#include "model/numbers.h"
#include "model/real.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace disp {

using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

namespace {

Pt16 p16(int x, int y) { return Pt16{model::clamp16(x), model::clamp16(y)}; }

void line(int x1, int y1, int x2, int y2) {
  Pt16 p[2] = {p16(x1, y1), p16(x2, y2)};
  vdi_Polyline(0, 2, p);
}

void setTextHeight(int h) {
  TextHeight th;
  vdi_SetTextHeight(th, h);
}

// Width in sheet units of a text in the text height last set.
int textWidth(const std::string& s) { return gdi_TextWidth(s); }

// A text drawn transparently; the write mode that was current comes back.
void transparentText(int x, int y, const std::string& s) {
  const int mode = gdi_Attributes().writeMode;
  if (mode != 2) gdi_SetWriteMode(2);
  vdi_Text(0, x, y, s);
  if (mode != 2) gdi_SetWriteMode(mode);
}

bool hideState() {
  const DrawView& v = currentView();
  return v.hideConnections && v.level && (v.level->Flags & 0x200);
}

// The bytes of a gate's extra rows as text (up to `limit` characters, at a
// byte offset), never past the rows.
std::string extraText(const GateRecord* g, std::size_t offset, std::size_t limit) {
  if (!g->Extra || g->ExtraCount == 0) return {};
  const std::size_t bytes = static_cast<std::size_t>(g->ExtraCount) * 8;
  if (offset >= bytes) return {};
  const char* p = reinterpret_cast<const char*>(g->Extra) + offset;
  std::size_t n = std::min(limit, bytes - offset);
  return std::string(p, strnlen(p, n));
}

void pinStub(int px, int py, int side) {
  if (hideState()) return;
  switch (side) {
    case 1: line(px + 1, py, px + 5, py); break;
    case 2: line(px - 2, py, px - 6, py); break;
    case 3: line(px, py + 1, px, py + 5); break;
    case 4: line(px, py - 2, px, py - 6); break;
    default: break;
  }
}

double inputValue(const GateRecord* g, const GateInstance* inst, unsigned i) {
  if (!inst || i >= g->InputCount) return 0;
  if (inst->InputRefs && inst->InputRefs[i]) return *inst->InputRefs[i];
  if (inst->InputValues) return inst->InputValues[i];
  return 0;
}

std::uint32_t toBits(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(v));
}

void drawBits(std::uint32_t bits, int count, int x, int y) {
  count = std::clamp(count, 0, 32);
  for (int i = 0; i < count; ++i) vdi_Text(0, x + 10 * i, y, (bits >> i) & 1u ? "1" : "0");
}

void drawReals(const double* values, int count, int x, int y) {
  if (!values) return;
  const DrawView& v = currentView();
  for (int i = 0; i < count; ++i) {
    char buf[32];
    model::nc_FormatRealRange(values[i], buf, sizeof buf, 10);
    vdi_JustifiedText(0, x, y + 12 * i, buf, 10 * v.charWidth, 0);
  }
}

// The subprogram's name inside or beside its box.
void subprogramName(const GateRecord* g, int x, int y) {
  const LogicRecord* sub = model::subLogic(g);
  if (!sub || !(sub->Flags & 0x2000)) return;
  const DrawView& v = currentView();
  std::string text(sub->Name, strnlen(sub->Name, 16));
  while (text.size() > 1 && text.back() == ' ') text.pop_back();
  if (text.empty()) return;
  int code = sub->Flags & 0x0F;
  if (sub->Flags & 0x400) code += 20;
  const int w = sub->Width, h = sub->Height;
  int cw = std::max(1, v.charWidth);
  int perLine = (w - 6) / cw;
  int lines = v.lineHeight > 0 ? (h - 6) / v.lineHeight : 1;
  const int len = static_cast<int>(text.size());
  if (lines * perLine < len) {
    setTextHeight(v.smallTextHeight);
    cw = std::max(1, cw * 5 / 6);
    perLine = (w - 6) / cw;
  }
  perLine = std::min(perLine, len);
  lines = perLine > 0 ? (len + perLine - 1) / perLine : 1;
  int ty = y + v.baseline + (h - v.lineHeight * lines) / 2 - 5;
  const int left = x, top = y, right = x + w;
  if (lines <= 1) {
    int tw = len * cw;
    int tx = left + w / 2 - tw / 2;
    switch (code) {
      case 1: tx = left + 5; ty = top + v.baseline; break;
      case 2: tx = right - tw - 5; ty = top + v.baseline; break;
      case 3: tx = left + 5; ty = top + h - 10; break;
      case 4: tx = right - tw - 5; ty = top + h - 10; break;
      case 21: tx = left; ty = top - 5; break;
      case 22: tx = right - tw; ty = top - 5; break;
      case 23: tx = left; ty = top + h + v.baseline - 7; break;
      case 24: tx = right - tw; ty = top + h + v.baseline - 7; break;
      default: break;
    }
    transparentText(tx, ty, perLine > 0 ? text : std::string());
    return;
  }
  int tx = left + w / 2 - (perLine * cw) / 2;
  for (int i = 0; i < lines; ++i) {
    transparentText(tx, ty, text.substr(static_cast<std::size_t>(i) * perLine, perLine));
    ty += v.lineHeight;
  }
}

// The label texts of the port, dialogue, step, text and marker gates.
void gateTexts(const GateRecord* g, int x, int y) {
  const DrawView& v = currentView();
  const int by = y + v.baseline;
  std::string text;
  int height = v.defaultTextHeight, tx = x, ty = by;
  std::size_t limit = 0;
  switch (g->Kind) {
    case 44: case 45: {
      text = extraText(g, 0, 8);
      height = 12;
      setTextHeight(height);
      bool left = (g->Kind == 44) != ((g->Flags & 1) != 0);
      tx = left ? x - textWidth(text) - 5 : x + 22;
      ty = by + 3;
      break;
    }
    case 53: case 68: text = extraText(g, 0, SIZE_MAX); tx = x + 8; ty = by + 4; break;
    case 62: text = extraText(g, 0, SIZE_MAX); tx = x + 4; ty = by + 4; break;
    case 66:
      if (g->ExtraCount < 2) return;
      text = extraText(g, 8, SIZE_MAX);
      height = model::gg_ExtraWord(g, 0);
      ty = by - 3;
      break;
    case 81: case 82: case 83: case 84:
      limit = model::gg_ExtraWord(g, 2);
      text = extraText(g, 8, limit);
      height = 14;
      tx = x + 6;
      ty = by + 8;
      break;
    default: return;
  }
  if (text.empty()) return;
  setTextHeight(height);
  // Pieces at carriage returns; each further line one line height lower.
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t cr = text.find_first_of("\r\n", start);
    std::string piece = text.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
    if (!piece.empty()) transparentText(tx, ty, piece);
    if (cr == std::string::npos) break;
    start = cr + 1;
    if (text[cr] == '\r' && start < text.size() && text[start] == '\n') ++start;
    ty += v.lineHeight;
  }
}

void pinLabels(GateRecord* g, int ox, int oy) {
  const DrawView& v = currentView();
  if (!v.showPinLabels || hideState()) return;
  for (int pass = 0; pass < 2; ++pass) {
    const bool input = pass == 0;
    const unsigned count = input ? g->InputCount : g->OutputCount;
    for (unsigned n = 1; n <= count; ++n) {
      std::string label = gd_PinLabel(g, n, input);
      if (label.empty()) continue;
      std::int16_t px = 0, py = 0;
      std::uint16_t side = 0;
      bool ok = input ? model::gg_InputPinPos(g, n, px, py, side) : model::gg_OutputPinPos(g, n, px, py, side);
      if (!ok) continue;
      if (px < 0 && !v.showLeftPinLabels) continue;
      const int ax = ox + px, ay = oy + py;
      int tx = ax, ty = ay;
      if (side == 1 || side == 2) {
        setTextHeight(12);
        gdi_SetTextRotation(0);
        int tw = textWidth(label);
        tx = side == 1 ? ax + 10 : ax - tw - 10;
        ty = ay + 1;
      } else {
        setTextHeight(9);
        gdi_SetTextRotation(900);
        int tw = textWidth(label);
        tx = ax - v.baseline + 2;
        ty = side == 3 ? ay + tw + 25 : ay - 5;
      }
      if (v.addDirty) v.addDirty(tx - 50 + v.scrollX, ty - 50 + v.scrollY, 100 + textWidth(label), 100);
      transparentText(tx, ty, label);
    }
  }
  gdi_SetTextRotation(0);
}

void selectionMarks(const GateRecord* g) {
  const DrawView& v = currentView();
  if ((v.editorState != 21 && v.editorState != 23) || !g->Selected) return;
  std::int16_t rx, ry, rw, rh;
  model::gg_GateRect(g, rx, ry, rw, rh, false);
  const int x = rx - v.scrollX, y = ry - v.scrollY;
  gdi_SetLineWidth(1);
  gdi_SetFillColor(1);
  gdi_SetLineColor(1);
  gdi_SetLineType(1);
  Pt16 frame[5] = {p16(x - 4, y - 4), p16(x + rw + 4, y - 4), p16(x + rw + 4, y + rh + 4), p16(x - 4, y + rh + 4),
                   p16(x - 4, y - 4)};
  vdi_Polyline(0, 5, frame);
  gdi_SetLineType(0);
  for (int i = 0; i < 4; ++i) {
    int cx = frame[i].x, cy = frame[i].y;
    Pt16 sq[5] = {p16(cx - 3, cy - 3), p16(cx + 3, cy - 3), p16(cx + 3, cy + 3), p16(cx - 3, cy + 3),
                  p16(cx - 3, cy - 3)};
    vdi_FillArea(0, 5, sq);
  }
  gdi_SetFillColor(1);
  gdi_SetLineColor(1);
}

} // namespace

std::string gd_PinLabel(const GateRecord* g, unsigned pin, bool input) {
  if (pin == 0) return {};
  if (g->Kind == model::kKindCompiled || g->Kind == model::kKindCompiledNative) {
    const model::GateTypeRecord* t = model::subType(g);
    if (!t) return {};
    const model::TypePinRow* rows = input ? t->InputPins : t->OutputPins;
    unsigned count = input ? t->InputCount : t->OutputCount;
    if (!rows || pin > count) return {};
    const char* name = reinterpret_cast<const char*>(rows[pin - 1].Carried);
    return std::string(name, strnlen(name, 8));
  }
  const LogicRecord* sub = model::subLogic(g);
  if (!sub) return {};
  unsigned seen = 0;
  const unsigned kind = input ? model::kKindInput : model::kKindOutput;
  for (const GateRecord* p = sub->FirstGate; p; p = p->Next)
    if (p->Kind == kind && ++seen == pin) return extraText(p, 0, 8);
  return {};
}

void gs_NegationCircle(int x, int y, int side) {
  switch (side) {
    case 1: x += 1; break;
    case 2: x -= 1; break;
    case 3: y += 2; break;
    case 4: y -= 3; break;
    default: break;
  }
  gdi_SetFillColor(0);
  vdi_Circle(0, x, y, 3);
}

void gs_JunctionDot(int x, int y, int side) {
  switch (side) {
    case 1: x += 1; break;
    case 2: x -= 1; break;
    case 3: y += 2; break;
    case 4: y -= 3; break;
    default: break;
  }
  vdi_Circle(0, x, y, 2);
  gdi_SetFillColor(0);
}

void gd_EmptyInit() {}

void gd_UnitInit() {
  currentView().showLeftPinLabels = false;
}

void gd_DrawGate(GateRecord* g, GateInstance* inst, int) {
  if (!g) return;
  const DrawView& v = currentView();
  if (v.windowKind == 3 && v.level && (v.level->Flags & 0x100)) {
    bool shown = false;
    if (g->Kind == model::kKindCall && model::subLogic(g)) shown = model::subLogic(g)->Flags & 0x80;
    if (g->Kind == model::kKindCompiled && model::subType(g)) shown = model::subType(g)->Flags & 0x80;
    if (!shown) return;
  }
  std::int16_t rx, ry, rw, rh;
  model::gg_GateRect(g, rx, ry, rw, rh, true);
  const int ox = g->X - v.scrollX, oy = g->Y - v.scrollY;

  if (g->Kind < model::kKindCompiled) {
    gs_DrawGateKind(g);
    setTextHeight(v.defaultTextHeight);
    if (g->Kind == model::kKindCall) subprogramName(g, ox, oy);
  } else if (v.runModuleCode) {
    v.runModuleCode(g, inst, 0);
  }

  for (int pass = 0; pass < 2; ++pass) {
    const bool input = pass == 0;
    const unsigned count = input ? g->InputCount : g->OutputCount;
    for (unsigned n = 1; n <= count; ++n) {
      std::int16_t px = 0, py = 0;
      std::uint16_t side = 0;
      bool ok = input ? model::gg_InputPinPos(g, n, px, py, side) : model::gg_OutputPinPos(g, n, px, py, side);
      if (!ok) continue;
      const bool negated = input ? (g->Inputs[n - 1].Flags & model::kPinNegated)
                                 : (g->Outputs[n - 1].Flags & 1);
      const model::PinSignalType type = input ? g->Inputs[n - 1].Type : g->Outputs[n - 1].Type;
      if (negated) {
        gs_NegationCircle(ox + px, oy + py, side);
      } else if (!(px < 0 && py < 0)) {
        gdi_SetLineColor(gs_PinColor(type));
        pinStub(ox + px, oy + py, side);
        gdi_SetLineColor(1);
      }
    }
  }

  setTextHeight(v.smallTextHeight);
  const int textY = oy + v.baseline - 3;
  const unsigned k = g->Kind;
  if (k != 61 && k != 66 && k != 85 && g->AuxByte) vdi_Text(0, ox + rw - 18 - v.charWidth, textY, "*");

  if (k == 0 || k == model::kKindCompiled || k == model::kKindCompiledNative) pinLabels(g, ox, oy);
  if (k == 44 || k == 45 || k == 53 || k == 62 || k == 66 || k == 68 || (k >= 81 && k <= 84)) gateTexts(g, ox, oy);
  selectionMarks(g);
}

void gd_DrawGateList(GateRecord* gates, GateInstance* insts, bool withConstants) {
  const DrawView& v = currentView();
  GateInstance* inst = insts;
  for (GateRecord* g = gates; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    const int x = g->X - v.scrollX, y = g->Y - v.scrollY;
    const int by = y + v.baseline;
    const unsigned k = g->Kind;
    if (k == model::kKindCall) {
      const LogicRecord* sub = model::subLogic(g);
      setTextHeight(10);
      if (sub && sub->Name[0] == '$') {
        vdi_Text(0, x + 5, y + 5, "T:");
        vdi_Text(0, x + 5, y + 20, std::to_string(static_cast<std::int32_t>(g->AuxLong)));
      }
      continue;
    }
    if (k == 48) gs_DrawGateKind(g);
    const bool shows = k == 46 || k == 47 || k == 48 || k == 49 || k == 50 || k == 51 || k == 52 || (k >= 62 && k <= 65) ||
                       k == 88 || k == 89 || k == model::kKindCompiled || k == model::kKindCompiledNative;
    if (!shows) continue;
    setTextHeight(14);
    switch (k) {
      case 46: case 47: {
        int count = g->InputCount ? std::min<int>(g->Inputs[0].Type, 32) : 0;
        drawBits(toBits(inputValue(g, inst, 0)), count, x + 4 + (k == 46 ? 2 : 0), by);
        break;
      }
      case 48:
        // Bounded by what the instance holds as well as by the record.
        if (inst)
          drawReals(inst->StateValues,
                    std::min({int(g->VectorDimension), int(g->StateCount), int(inst->StateSlotCount)}), x + 5, by);
        break;
      case 52: {
        const int full = model::gg_ExtraWord(g, 0) - 2;
        double value = 0;
        const model::PinSignalType t = g->InputCount ? g->Inputs[0].Type : 0;
        if (t == 1) value = toBits(inputValue(g, inst, 0)) & 1 ? 1.0 : 0.0;
        else if (t >= 2 && t <= 16) value = static_cast<std::int16_t>(toBits(inputValue(g, inst, 0)) & 0xFFFF);
        else if (t == 20) value = inputValue(g, inst, 0);
        // The instance's own copy holds its slot count; a shared one is the gate's rows.
        const unsigned extras = !inst ? 0u : inst->ExtraValues == g->Extra ? g->ExtraCount : inst->ExtraSlotCount;
        double offset = inst && inst->ExtraValues && extras > 1 ? inst->ExtraValues[1] : 0;
        double scale = inst && inst->ExtraValues && extras > 2 ? inst->ExtraValues[2] : 1;
        double hgt = full * (value - offset) * scale;
        // A scale from equal limits is not finite: no bar.
        if (!std::isfinite(hgt) || hgt < 0) hgt = 0;
        if (hgt > full) hgt = full;
        int hh = std::max(0, static_cast<int>(model::rl_Round(hgt)));
        if (full > 0) {
          gdi_SetFillColor(0);
          gdi_FillRect(p16(x + 1, y + 1), p16(x + 9, y + 1 + full - hh));
          gdi_SetFillColor(1);
          gdi_FillRect(p16(x + 1, y + 1 + full - hh), p16(x + 9, y + 1 + full));
          gdi_SetFillColor(0);
        }
        break;
      }
      case 62: case 63: case 64: case 65: {
        bool active = false;
        if (inst) {
          const double* src = k == 63 ? inst->StateValues : inst->OutputValues;
          const unsigned slots = k == 63 ? inst->StateSlotCount : inst->OutputSlotCount;
          if (src && slots > 0) active = toBits(src[0]) & 1u;
        }
        vdi_Text(0, x + 20, y - 3, active ? "<>" : "  ");
        if (k == 62 && inst && inst->StateValues && g->StateCount > 0 && inst->StateSlotCount > 0) {
          char buf[32];
          model::nc_FormatRealRange(inst->StateValues[0], buf, sizeof buf, 8);
          vdi_JustifiedText(0, x + 47, y - 3, buf, 8 * v.charWidth, 0);
        }
        break;
      }
      case model::kKindCompiled: case model::kKindCompiledNative:
        if (v.runModuleCode && v.runModuleCode(g, inst, 1)) setTextHeight(v.smallTextHeight);
        break;
      case 49: case 50:
        if (withConstants && inst && inst->OutputValues) {
          int count = g->OutputCount ? std::min<int>(g->Outputs[0].Type, 32) : 0;
          drawBits(toBits(inst->OutputValues[0]), count, x + 4 + (k == 49 ? 2 : 0), by);
        }
        break;
      case 51:
        // Never more values than the instance holds, whatever the record says.
        if (withConstants && inst)
          drawReals(inst->OutputValues, std::min<int>(g->VectorDimension, inst->OutputSlotCount), x + 5, by);
        break;
      case 88: case 89:
        if (withConstants) {
          int channels = k == 88 ? g->OutputCount : g->InputCount;
          int offset = 0;
          int values = v.recordValueCount ? v.recordValueCount(g, &offset) : -1;
          for (int c = 0; c < channels; ++c) {
            std::string text = "--";
            if (values >= 0 && c < values) {
              char buf[16];
              model::nc_FormatInt(static_cast<std::int16_t>(c + 1 + (k == 88 ? offset : 0)), buf, sizeof buf, 2);
              text = buf;
            }
            vdi_JustifiedText(0, x + 8, by + 7 + 10 * c, text, 2 * v.charWidth, 0);
          }
        }
        break;
      default: break;
    }
  }
}

void gd_DrawWire(int writeMode, const model::WirePoint* first, bool arrowAtStart, bool arrowAtEnd, bool dotAtStart) {
  if (!first) return;
  const DrawView& v = currentView();
  // The wire's write mode for the call; the current one comes back after it.
  const int modeBefore = gdi_Attributes().writeMode;
  if (writeMode != modeBefore) gdi_SetWriteMode(writeMode);
  const int cl = v.viewX - v.scrollX - 2, ct = v.viewY - v.scrollY - 2;
  const int cr = v.viewX - v.scrollX + v.viewW + 2, cb = v.viewY - v.scrollY + v.viewH + 2;
  const int color = gdi_Attributes().lineColor;
  gdi_SetFillColor(color);
  auto outcode = [&](int x, int y) {
    if (v.noClipping) return 0;
    int c = 0;
    if (x > cr) c |= 1;
    if (y > cb) c |= 2;
    if (x < cl) c |= 4;
    if (y < ct) c |= 8;
    return c;
  };
  std::vector<Pt16> pts;
  for (const model::WirePoint* p = first; p; p = p->Next) pts.push_back(p16(p->X - v.scrollX, p->Y - v.scrollY));
  if (dotAtStart && !arrowAtStart && outcode(pts[0].x, pts[0].y) == 0) gs_JunctionDot(pts[0].x, pts[0].y, 0);
  gdi_SetFillColor(color);

  const std::size_t n = pts.size();
  bool startArrow = arrowAtStart, endArrow = arrowAtEnd;
  bool firstBatch = true;
  std::size_t i = 0;  // first point of the current batch
  while (i + 1 < n) {
    std::vector<Pt16> batch{pts[i]};
    std::size_t j = i + 1;
    bool stopped = false;  // ended before an invisible segment
    while (j < n && batch.size() * 2 < 39) {
      const Pt16 a = batch.back(), b = pts[j];
      if (outcode(a.x, a.y) & outcode(b.x, b.y)) {
        if (batch.size() == 1) {
          batch.assign(1, b);  // restart at the new point; the start arrow is given up
          startArrow = false;
          ++j;
          continue;
        }
        if (j == n - 1) endArrow = false;
        stopped = true;
        break;
      }
      batch.push_back(b);
      ++j;
    }
    const bool lastBatch = j == n && !stopped;
    if (batch.size() >= 2) {
      gdi_SetLineEnds(firstBatch && startArrow ? 1 : 0, lastBatch && endArrow ? 1 : 0);
      vdi_Polyline(0, static_cast<int>(batch.size()), batch.data());
      gdi_SetLineEnds(0, 0);
    }
    firstBatch = false;
    if (lastBatch) break;
    i = j - 1;  // the next batch starts where this one stopped
  }
  gdi_SetLineColor(1);
  if (writeMode != modeBefore) gdi_SetWriteMode(modeBefore);
}

void gd_DrawInputWires(const GateRecord* g, int writeMode) {
  if (hideState()) return;
  for (unsigned i = 0; i < g->InputCount; ++i) {
    const model::InputPin& pin = g->Inputs[i];
    if (!pin.Wire) continue;
    gdi_SetLineColor(gs_PinColor(pin.Type));
    const bool atStart = pin.Type == 20 || pin.Type == 28;
    gd_DrawWire(writeMode, pin.Wire, atStart, !atStart, pin.BranchOf != nullptr);
  }
}

} // namespace disp
