// Drawing instructions: shapes, texts and attributes through the drawing
// layer, every coordinate relative to the drawing origin of the run.
#include "engine/vm.h"

#include "display/gdi.h"
#include "display/vdi.h"
#include "model/numbers.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace engine {

namespace {
constexpr int kMaxPoints = 100;
std::int16_t clip16(std::int32_t v) { return std::int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }
} // namespace

void Vm::opDraw(const Instr& I) {
  const unsigned op = I.op;
  const int h = doc_ ? doc_->ViewHandle : 0;
  auto i16 = [&](unsigned k, unsigned at = 0) { return std::int32_t(rdInt(addr(I, k) + 2 * at)); };
  auto px = [&](std::int32_t x) { return clip16(x + originX_); };
  auto py = [&](std::int32_t y) { return clip16(y + originY_); };
  auto text = [&](unsigned k, std::size_t max) {
    std::string s;
    const std::uint32_t a = addr(I, k);
    for (std::size_t i = 0; i < max; ++i) {
      char c = 0;
      if (!rd(a + std::uint32_t(i), &c, 1) || c == 0) break;
      s.push_back(c);
    }
    return s;
  };
  auto rect = [&](unsigned k) {
    disp::VdiRect r;
    r.x1 = px(i16(k, 0));
    r.y1 = py(i16(k, 1));
    r.x2 = px(i16(k, 2));
    r.y2 = py(i16(k, 3));
    return r;
  };
  auto points = [&](std::vector<disp::Pt16>& pts) {
    const std::int32_t count = i16(0);
    if (stopped()) return false;
    if (count < 0 || count > kMaxPoints) {
      fail("point list of " + std::to_string(count) + " points");
      return false;
    }
    for (std::int32_t k = 0; k < count && !stopped(); ++k)
      pts.push_back({px(i16(1, 2 * k)), py(i16(1, 2 * k + 1))});
    return !stopped();
  };
  const int charWidth = doc_ && doc_->CharWidth ? doc_->CharWidth : 8;
  const int lineHeight = doc_ && doc_->LineHeight ? doc_->LineHeight : 12;
  switch (op) {
  case 76: case 78: {
    std::vector<disp::Pt16> pts;
    if (!points(pts)) return;
    if (op == 76) disp::vdi_Polyline(h, int(pts.size()), pts.data());
    else disp::vdi_FillArea(h, int(pts.size()), pts.data());
    return;
  }
  case 77: case 90: {
    const int x = i16(0), y = i16(1);
    std::string s = text(2, 199);
    if (stopped()) return;
    disp::vdi_JustifiedText(h, px(x), py(y), s);
    return;
  }
  case 79: { int x = i16(0), y = i16(1), c = i16(2); if (!stopped()) disp::vdi_ContourFill(h, px(x), py(y), c); return; }
  case 80: case 81: case 88: case 89: {
    const disp::VdiRect r = rect(0);
    if (stopped()) return;
    if (op == 80) disp::vdi_Bar(h, r);
    else if (op == 81) disp::vdi_RecFill(h, r);
    else if (op == 88) disp::vdi_RoundBox(h, r);
    else disp::vdi_RfBox(h, r);
    return;
  }
  case 82: case 83: {
    int x = i16(0), y = i16(1), r = i16(2), s = i16(3), e = i16(4);
    if (stopped()) return;
    if (op == 82) disp::vdi_Arc(h, px(x), py(y), r, s, e);
    else disp::vdi_PieSlice(h, px(x), py(y), r, s, e);
    return;
  }
  case 84: { int x = i16(0), y = i16(1), r = i16(2); if (!stopped()) disp::vdi_Circle(h, px(x), py(y), r); return; }
  case 85: case 86: {
    int x = i16(0), y = i16(1), rx = i16(2), ry = i16(3), s = i16(4), e = i16(5);
    if (stopped()) return;
    if (op == 85) disp::vdi_EllArc(h, px(x), py(y), rx, ry, s, e);
    else disp::vdi_EllPie(h, px(x), py(y), rx, ry, s, e);
    return;
  }
  case 87: { int x = i16(0), y = i16(1), rx = i16(2), ry = i16(3); if (!stopped()) disp::vdi_Ellipse(h, px(x), py(y), rx, ry); return; }
  case 91: {
    const model::GateTypeRecord* t = model::subType(gate_);
    if (!t) return;
    const std::int16_t x0 = px(0), y0 = py(0), x1 = px(t->Width), y1 = py(t->Height);
    disp::Pt16 box[5] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    disp::vdi_Polyline(h, 5, box);
    const bool mirrored = gate_ && (gate_->Flags & model::kGateMirrored);
    const std::int16_t lx = mirrored ? clip16(x1 - 2) : clip16(x0 + 2);
    disp::Pt16 line[2] = {{lx, y0}, {lx, y1}};
    disp::vdi_Polyline(h, 2, line);
    return;
  }
  case 92: case 93: {
    double v, lo, hi;
    if (op == 92) { v = rdReal(addr(I, 0)); lo = rdReal(addr(I, 2)); hi = rdReal(addr(I, 3)); }
    else { v = i16(0); lo = i16(2); hi = i16(3); }
    const disp::VdiRect r = rect(1);
    const int c1 = i16(4), c2 = i16(5);
    if (stopped()) return;
    const int top = std::min(r.y1, r.y2), bottom = std::max(r.y1, r.y2);
    const int height = bottom - top;
    int filled = 0;
    if (hi != lo && std::isfinite(v) && std::isfinite(lo) && std::isfinite(hi)) {
      double f = double(height) * (v - lo) / (hi - lo);
      if (!(f > 0)) f = 0;
      if (f > height) f = height;
      filled = int(std::lround(f));
    }
    disp::VdiRect low = r, up = r;
    low.y1 = clip16(bottom - filled); low.y2 = std::int16_t(bottom);
    up.y1 = std::int16_t(top); up.y2 = clip16(bottom - filled);
    disp::gdi_SetFillColor(c1);
    disp::vdi_Bar(h, low);
    disp::gdi_SetFillColor(c2);
    disp::vdi_Bar(h, up);
    return;
  }
  case 94: case 95: {
    const int x = i16(1), y = i16(2);
    int width = i16(3);
    if (stopped()) return;
    if (width < 1) width = 1;
    if (width > 19) width = 19;
    for (unsigned k = 0; k < I.n && !stopped(); ++k) {
      char buf[32] = {};
      if (op == 94) {
        const double v = rdReal(addr(I, 0) + 8 * k);
        if (stopped()) return;
        model::nc_FormatRealRange(v, buf, sizeof buf, width);
      } else {
        const std::int16_t v = rdInt(addr(I, 0) + 2 * k);
        if (stopped()) return;
        model::nc_FormatInt(v, buf, sizeof buf, width);
      }
      disp::gdi_SetTextWidthLimit(charWidth * width);
      disp::vdi_JustifiedText(h, px(x), py(y + std::int32_t(k) * lineHeight), buf);
    }
    return;
  }
  case 96: {
    const int x = i16(1), y = i16(2), stepX = i16(3);
    for (unsigned k = 0; k < I.n && !stopped(); ++k) {
      const std::uint16_t w = rdWord(addr(I, 0) + 2 * (k / 16));
      if (stopped()) return;
      disp::vdi_Text(h, px(x + std::int32_t(k) * stepX), py(y), (w >> (k % 16)) & 1 ? "1" : "0");
    }
    return;
  }
  case 97: {
    const int sel = i16(0), x = i16(1), y = i16(2);
    std::string s = text(sel == 0 ? 3 : 4, 199);
    if (!stopped()) disp::vdi_JustifiedText(h, px(x), py(y), s);
    return;
  }
  default: break;
  }
  const int v = i16(0);
  if (stopped()) return;
  switch (op) {
  case 98: disp::gdi_SetWriteMode(v); return;
  case 99: disp::gdi_SetLineType(v); return;
  case 100: disp::gdi_SetLineWidth(v); return;
  case 101: disp::gdi_SetLineColor(v); return;
  case 102: { const int e = i16(1); if (!stopped()) disp::gdi_SetLineEnds(v, e); return; }
  case 103: { disp::TextHeight th; disp::vdi_SetTextHeight(th, v); return; }
  case 104: disp::gdi_SetTextRotation(v); return;
  case 105: disp::gdi_ApplyTextColor(v); return;
  case 106: disp::gdi_SelectFont(v); return;
  case 107: disp::gdi_SetTextWidthLimit(v); return;
  case 108: if (v) disp::gdi_ResetAttributes(); return;
  case 109: disp::gdi_SetFillColor(v); return;
  default: fail("instruction " + std::to_string(op) + " has no primitive");
  }
}

void Vm::runDrawing(model::GateRecord* gate, model::GateInstance* instance, const void* code, int originX,
                    int originY, int textHeight) {
  const Procedure* p = procedureFor(code);
  if (!p) return;
  disp::gdi_SetWriteMode(1);
  disp::gdi_SetLineColor(1);
  disp::gdi_SetFillColor(0);
  disp::gdi_SetLineWidth(1);
  disp::TextHeight th;
  disp::vdi_SetTextHeight(th, textHeight);
  const std::int16_t sx = originX_, sy = originY_;
  originX_ = clip16(originX);
  originY_ = clip16(originY);
  runProcedure(gate, instance, *p);
  disp::gdi_SetLineType(0);
  disp::gdi_SetWriteMode(1);
  disp::gdi_SetLineWidth(1);
  disp::gdi_SetLineColor(1);
  disp::gdi_SetFillColor(0);
  originX_ = sx;
  originY_ = sy;
}

} // namespace engine
