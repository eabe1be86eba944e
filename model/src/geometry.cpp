#include "model/geometry.h"

#include "internal.h"
#include "model/gatekinds.h"
#include "model/services.h"

#include <cstdlib>
#include <cstring>

namespace model {
using namespace detail;

namespace {
std::uint16_t g_tolerance = 10;
bool g_init = false;

bool inList(unsigned k, std::initializer_list<unsigned> l) {
  for (unsigned v : l) if (v == k) return true;
  return false;
}
bool inRange(unsigned k, unsigned lo, unsigned hi) { return k >= lo && k <= hi; }
} // namespace

std::int16_t clamp16(int v) { return std::int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

void gg_UnitInit() {
  if (g_init) return;
  g_init = true;
  g_tolerance = 10;
}
void gg_SetPickTolerance(std::uint16_t value) { g_tolerance = value; }
std::uint16_t gg_PickTolerance() { return g_tolerance; }

int gg_Snap(int v) {
  const int q = v / 5, r = v % 5;
  return r < 3 ? q * 5 : q * 5 + 5;
}
void gg_SnapToGrid(std::int16_t& x, std::int16_t& y) {
  x = clamp16(gg_Snap(x));
  y = clamp16(gg_Snap(y));
}
bool gg_PointInBox(int bx, int by, int bw, int bh, int px, int py) {
  return bx <= px && px < bx + bw && by <= py && py < by + bh;
}
int gg_Distance(int x1, int x2, int y1, int y2) { return std::abs(x1 - x2) + std::abs(y1 - y2); }

std::uint16_t gg_ExtraWord(const GateRecord* g, int index) {
  if (!g || !g->Extra || g->ExtraCount < 1 || index < 0 || index > 3) return 0;
  std::uint8_t b[8];
  std::memcpy(b, &g->Extra[0], 8);
  return std::uint16_t(b[index * 2] | (b[index * 2 + 1] << 8));
}

KindBox gg_KindBoxSize(unsigned kind, unsigned inputs, unsigned outputs, PinSignalType inT,
                       PinSignalType outT, std::uint16_t extra1, std::uint16_t) {
  KindBox b;
  int m = int(inputs > outputs ? inputs : outputs);
  if (kind == 0 || kind == kKindCompiled || kind == kKindCompiledNative) {
    b.w = 100;
    b.h = m >= 5 ? m * 10 + 10 : 50;
  } else if (inList(kind, {1, 2, 3, 23, 24}) || inRange(kind, 14, 21)) {
    if (kind == 14) --m;
    b.w = 30;
    b.h = 30;
    if (m >= 4) {
      b.h = m * 10;
      b.dy = (m - 3) * 5;
    }
  } else if (inList(kind, {11, 12, 13, 22})) {
    b.w = b.h = 50;
  } else if (inList(kind, {25, 26, 79, 80})) {
    if (m >= 5) {
      b.h = m * 10;
      b.dy = (m - 4) * 5;
    }
  } else if (inList(kind, {44, 45, 46, 49, 70, 71, 85})) {
    b.w = b.h = 20;
  } else if (kind == 47) {
    b.w = int(inT) * 10 + 5;
    b.h = 20;
  } else if (kind == 48) {
    b.w = 90;
    b.h = (int(inT) - 19) * 12 + 10;
  } else if (kind == 50) {
    b.w = int(outT) * 10 + 5;
    b.h = 20;
  } else if (kind == 51) {
    b.w = 90;
    b.h = (int(outT) - 19) * 12 + 10;
  } else if (kind == 52) {
    b.w = 10;
    b.h = extra1;
  } else if (kind == 53 || kind == 68) {
    b.w = 100;
  } else if (kind == 61) {
    if (m >= 5) {
      b.w = m * 10;
      b.dx = (m - 4) * 5;
    }
  } else if (kind == 62 || kind == 65) {
    b.w = b.h = 80;
  } else if (kind == 63 || kind == 64) {
    b.w = 80;
    b.h = 30;
  } else if (kind == 66) {
    b.w = b.h = 20;
  } else if (inRange(kind, 81, 84)) {
    b.w = extra1;
    b.h = 20;
  } else if (kind == 88 || kind == 89) {
    b.w = 30;
    b.h = (m + 1) * 10;
  }
  return b;
}

void gg_MainSignalTypes(const GateRecord* g, PinSignalType& in, PinSignalType& out) {
  in = out = 0;
  if (!g) return;
  const PinSignalType in1 = g->InputCount && g->Inputs ? g->Inputs[0].Type : 0;
  const PinSignalType out1 = g->OutputCount && g->Outputs ? g->Outputs[0].Type : 0;
  const unsigned k = g->Kind;
  if (inList(k, {11, 14, 15, 17, 19, 21, 22, 42, 43, 44, 49, 50, 51, 53, 69, 71})) {
    in = out = out1;
  } else if (k == 68 || k == 84) {
    in = out = g->InputCount >= 2 && g->Inputs ? g->Inputs[1].Type : 0;
  } else if (k == 81 || k == 82) {
    in = out = gg_ExtraWord(g, 1);
  } else {
    in = g->InputCount ? in1 : out1;
    out = g->OutputCount ? out1 : in1;
  }
}

namespace {

// Text extent of a Text gate: widest line by the height's cell.
void textExtent(const GateRecord* g, int& w, int& h) {
  w = h = 20;
  if (!g->Extra || g->ExtraCount < 2) return;
  const int height = gg_ExtraWord(g, 0);
  const int cell = fontMetrics().setTextHeight(height);
  std::string text = gt_GateText(g);
  int lines = 1, widest = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t cr = text.find('\r', start);
    const std::string line = text.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
    const int lw = fontMetrics().textWidth(line);
    if (lw > widest) widest = lw;
    if (cr == std::string::npos) break;
    ++lines;
    start = cr + 1;
  }
  w = widest < 20 ? 20 : widest;
  h = lines * cell < 20 ? 20 : lines * cell;
}

bool startsWith(const char* name, const char* prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

KindBox fullBox(const GateRecord* g) {
  PinSignalType in, out;
  gg_MainSignalTypes(g, in, out);
  KindBox b = gg_KindBoxSize(g->Kind, g->InputCount, g->OutputCount, in, out, gg_ExtraWord(g, 0),
                             gg_ExtraWord(g, 1));
  if (g->Kind == kKindText && g->Extra) {
    textExtent(g, b.w, b.h);
  } else if (const LogicRecord* l = subLogic(g)) {
    b.w = l->Width;
    b.h = l->Height;
    if (startsWith(l->Name, "AND") || startsWith(l->Name, "OR")) b.h = int(g->InputCount) * 15 - 5;
  } else if (const GateTypeRecord* t = subType(g)) {
    b.w = t->Width;
    b.h = t->Height;
    char name[17] = {};
    std::memcpy(name, t->Name, 16);
    if (startsWith(name, "AND") || startsWith(name, "OR")) b.h = int(g->InputCount) * 15 - 5;
  }
  return b;
}

} // namespace

void gg_GateBox(const GateRecord* g, std::int16_t& x, std::int16_t& y, std::int16_t& w, std::int16_t& h,
                bool enlarge) {
  if (!g) { x = y = w = h = 0; return; }
  KindBox b = fullBox(g);
  if (enlarge && (g->Kind == kKindParamVariation || g->Kind == kKindDisableLogic)) {
    b.w += 10;
    b.h += 10;
  }
  x = g->X;
  y = g->Y;
  w = clamp16(b.w);
  h = clamp16(b.h);
}

void gg_GateRect(const GateRecord* g, std::int16_t& x, std::int16_t& y, std::int16_t& w, std::int16_t& h,
                 bool withMargins) {
  if (!g) { x = y = w = h = 0; return; }
  KindBox b = fullBox(g);
  int rx = g->X - b.dx, ry = g->Y - b.dy, rw = b.w, rh = b.h;
  if (withMargins && g->Kind != kKindText) {
    if (g->Kind == kKindParamVariation || g->Kind == kKindDisableLogic) {
      rw += 10;
      rh += 10;
    } else {
      rx -= 9;
      ry -= 9;
      rw += 18;
      rh += 18;
    }
  }
  x = clamp16(rx);
  y = clamp16(ry);
  w = clamp16(rw);
  h = clamp16(rh);
}

std::int16_t gg_GateWidth(const GateRecord* g) {
  if (!g) return 40;
  const unsigned k = g->Kind;
  if (k == 0) return subLogic(g) ? subLogic(g)->Width : std::int16_t(100);
  if (k == kKindCompiled || k == kKindCompiledNative) return subType(g) ? subType(g)->Width : std::int16_t(100);
  if (inList(k, {1, 2, 3, 23, 24, 88, 89}) || inRange(k, 14, 21)) return 30;
  if (inList(k, {11, 12, 13, 22})) return 50;
  if (inList(k, {44, 45, 46, 49, 70, 71})) return 20;
  if (k == 47 || k == 50) {
    PinSignalType in, out;
    gg_MainSignalTypes(g, in, out);
    return clamp16(int(out) * 10 + 5);
  }
  if (k == 48 || k == 51) return 90;
  if (k == 52) return 10;
  if (k == 53 || k == 68) return 100;
  if (inRange(k, 62, 65)) return 80;
  if (inRange(k, 81, 84)) return clamp16(gg_ExtraWord(g, 0));
  return 40;
}

namespace {

int rule30(int n, int cnt) { return 15 + 10 * n - 5 * (cnt + 1); }
int rule40(int n, int cnt) {
  if (cnt == 1) return 20;
  if (cnt == 2) return n == 1 ? 10 : 30;
  return 20 + 10 * n - 5 * (cnt + 1);
}

// Position of port n of a call gate from the called logic's port table or its
// height.
void callPort(GateRecord* g, const PortRow* rows, unsigned rowCount, int n, int cnt, int& x, int& y,
              int& side) {
  const LogicRecord* l = subLogic(g);
  if (rows && n >= 1 && unsigned(n) <= rowCount) {
    const PortRow& r = rows[n - 1];
    x = r.X;
    y = r.Y;
    side = r.Slot;
    if (side == kSideBottom || side == kSideTop) g->Flags &= std::uint16_t(~kGateMirrored);
    return;
  }
  const int H = l ? l->Height : 50;
  if (cnt == 1) y = H / 2;
  else if (cnt == 2) y = n == 1 ? 10 : H - 10;
  else if (cnt == 3) y = n == 1 ? 10 : (n == 2 ? H / 2 : H - 10);
  else y = 10 * n;
}

void typePort(const GateRecord* g, const TypePinRow* rows, unsigned rowCount, int n, int& x, int& y,
              int& side) {
  const GateTypeRecord* t = subType(g);
  if (!t || !rows || n < 1 || unsigned(n) > rowCount) return;
  const TypePinRow& r = rows[n - 1];
  x = r.X;
  y = r.Y;
  side = r.Side;
  if ((g->Flags & kGateMirrored) && (side == kSideBottom || side == kSideTop)) x = t->Width - x;
  x = gg_Snap(x);
  y = gg_Snap(y);
}

void mirror(const GateRecord* g, int& x, int& side) {
  if (!(g->Flags & kGateMirrored)) return;
  if (side == kSideRight) {
    side = kSideLeft;
    x = 0;
  } else if (side == kSideLeft) {
    side = kSideRight;
    x = gg_GateWidth(g);
  }
}

} // namespace

bool gg_InputPinPos(GateRecord* g, unsigned pin, std::int16_t& ox, std::int16_t& oy, std::uint16_t& oside) {
  int x = 0, y = 0, side = kSideLeft;
  ox = 0; oy = 0; oside = kSideLeft;
  if (!g || pin < 1 || pin > g->InputCount) return false;
  const unsigned k = g->Kind;
  const int n = int(pin), cnt = int(g->InputCount);
  if (k == 0) {
    const LogicRecord* l = subLogic(g);
    callPort(g, l ? l->InputPorts : nullptr, l ? l->InputPortCount : 0, n, cnt, x, y, side);
  } else if (inList(k, {1, 2, 3, 23, 24}) || inRange(k, 16, 21)) {
    y = rule30(n, cnt);
  } else if (k == 14 || k == 15) {
    if (n - 1 == 0) { x = 15; y = 30; side = kSideBottom; }
    else y = rule30(n - 1, cnt - 1);
  } else if (inList(k, {4, 5, 6, 7, 10, 28, 72, 77, 78})) {
    if (n == 1) y = 20;
    else { x = 20; y = 40; side = kSideBottom; }
  } else if (k == 8) {
    if (n == 1) y = 10;
    else if (n == 2) y = 30;
    else if (n == 3) { x = 20; y = 40; side = kSideBottom; }
  } else if (k == 9) {
    switch (n) {
    case 1: y = 10; break;
    case 2: y = 30; break;
    case 3: y = 20; break;
    case 4: x = 25; y = 0; side = kSideTop; break;
    case 5: x = 20; y = 40; side = kSideBottom; break;
    default: break;
    }
  } else if (k == 11) {
    switch (n) {
    case 1: x = 25; y = 50; side = kSideBottom; break;
    case 2: y = 25; break;
    case 3: x = 25; y = 0; side = kSideTop; break;
    case 4: y = 40; break;
    case 5: y = 10; break;
    default: break;
    }
  } else if (k == 12 || k == 13) {
    switch (n) {
    case 1: y = 10; break;
    case 2: y = 40; break;
    case 3: x = 25; y = 50; side = kSideBottom; break;
    case 4: x = 25; y = 0; side = kSideTop; break;
    default: break;
    }
  } else if (k == 22) {
    switch (n) {
    case 1: y = 10; break;
    case 2: y = 40; break;
    case 3: y = 25; break;
    case 4: x = 25; y = 0; side = kSideTop; break;
    case 5: x = 25; y = 50; side = kSideBottom; break;
    default: break;
    }
  } else if (inList(k, {25, 26, 27, 67, 69, 79, 80, 86, 87}) || inRange(k, 29, 42) || inRange(k, 53, 60) ||
             inRange(k, 73, 76)) {
    y = rule40(n, cnt);
  } else if (inList(k, {45, 46, 47, 70, 81, 85})) {
    x = 10; y = 20; side = kSideBottom;
  } else if (k == 48) {
    y = (int(g->Inputs[0].Type) - 19) * 5 + 5;
  } else if (k == 52) {
    x = 5; y = gg_ExtraWord(g, 0); side = kSideBottom;
  } else if (k == 61) {
    y = 40; side = kSideBottom; x = rule40(n, cnt);
  } else if (k == 62 || k == 65) {
    if (n == 1) y = 40;
    else if (n == 2) { x = 40; y = 80; side = kSideBottom; }
    else if (n == 3) { x = 80; y = 40; side = kSideRight; }
  } else if (k == 63) {
    x = 40; y = 30; side = kSideBottom;
  } else if (k == 68) {
    if (n == 1) y = 20;
    else { x = 50; y = 0; side = kSideTop; }
  } else if (k == 84) {
    y = 10;
    if (n == 2) { x = gg_ExtraWord(g, 0); side = kSideRight; }
  } else if (k == 89) {
    y = 10 * n;
  } else if (k == kKindCompiled || k == kKindCompiledNative) {
    const GateTypeRecord* t = subType(g);
    typePort(g, t ? t->InputPins : nullptr, t ? t->InputCount : 0, n, x, y, side);
  }
  mirror(g, x, side);
  ox = clamp16(x);
  oy = clamp16(y);
  oside = std::uint16_t(side);
  return true;
}

bool gg_OutputPinPos(GateRecord* g, unsigned pin, std::int16_t& ox, std::int16_t& oy, std::uint16_t& oside) {
  int x = gg_GateWidth(g), y = 0, side = kSideRight;
  ox = clamp16(x); oy = 0; oside = kSideRight;
  if (!g || pin < 1 || pin > g->OutputCount) return false;
  const unsigned k = g->Kind;
  const int n = int(pin), cnt = int(g->OutputCount);
  if (k == 0) {
    const LogicRecord* l = subLogic(g);
    callPort(g, l ? l->OutputPorts : nullptr, l ? l->OutputPortCount : 0, n, cnt, x, y, side);
  } else if (inList(k, {1, 2, 3, 23, 24}) || inRange(k, 14, 21)) {
    y = rule30(n, cnt);
  } else if (inList(k, {4, 5, 6, 7, 10, 67, 69, 86, 87}) || inRange(k, 25, 43) || inRange(k, 54, 60) ||
             inRange(k, 72, 80)) {
    y = rule40(n, cnt);
  } else if (k == 8 || k == 9) {
    if (n == 1) y = 10;
    else if (n == 2) y = 30;
  } else if (inList(k, {11, 12, 22})) {
    if (n == 1) y = 10;
    else if (n == 2) y = 40;
    else if (n == 3) y = 25;
  } else if (k == 13 || k == 50) {
    y = 10;
  } else if (inList(k, {44, 49, 71, 83})) {
    x = 10; y = 0; side = kSideTop;
  } else if (k == 51) {
    y = (int(g->Outputs[0].Type) - 19) * 5 + 5;
  } else if (k == 53) {
    y = 20;
  } else if (inRange(k, 62, 65)) {
    if (n == 1) { x = 40; y = 0; side = kSideTop; }
    else y = 40;
  } else if (k == 88) {
    y = 10 * n;
  } else if (k == kKindCompiled || k == kKindCompiledNative) {
    const GateTypeRecord* t = subType(g);
    typePort(g, t ? t->OutputPins : nullptr, t ? t->OutputCount : 0, n, x, y, side);
  }
  mirror(g, x, side);
  ox = clamp16(x);
  oy = clamp16(y);
  oside = std::uint16_t(side);
  return true;
}

namespace {

bool findGate(const LogicRecord* logic, const GateRecord* except, int x, int y, bool secondPass,
              GateRecord*& gate, int& ordinal) {
  gate = nullptr;
  ordinal = 0;
  if (!logic) return false;
  for (int pass = 0; pass < (secondPass ? 2 : 1); ++pass) {
    int ord = 0;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
      if (gt_IsCountedGate(g)) ++ord;
      if (g == except) continue;
      std::int16_t bx, by, bw, bh;
      if (pass == 0) gg_GateBox(g, bx, by, bw, bh, true);
      else gg_GateRect(g, bx, by, bw, bh, true);
      if (gg_PointInBox(bx, by, bw, bh, x, y)) {
        gate = g;
        ordinal = ord;
        return true;
      }
    }
  }
  return false;
}

} // namespace

bool gg_GateAtPoint(const LogicRecord* logic, int x, int y, GateRecord*& gate, int& ordinal) {
  return findGate(logic, nullptr, x, y, true, gate, ordinal);
}
bool gg_GateAtPointExcept(const LogicRecord* logic, const GateRecord* except, int x, int y,
                          GateRecord*& gate, int& ordinal) {
  return findGate(logic, except, x, y, true, gate, ordinal);
}
bool gg_GateAtPointSimple(const LogicRecord* logic, int x, int y, GateRecord*& gate, int& ordinal) {
  gate = nullptr;
  ordinal = 0;
  if (!logic) return false;
  int ord = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (g->Kind != kKindInput && g->Kind != kKindParamVariation && g->Kind != kKindDisableLogic) ++ord;
    std::int16_t bx, by, bw, bh;
    gg_GateBox(g, bx, by, bw, bh, true);
    if (gg_PointInBox(bx, by, bw, bh, x, y)) {
      gate = g;
      ordinal = ord;
      return true;
    }
  }
  return false;
}
bool gg_GateOrdinal(const LogicRecord* logic, const GateRecord* gate, int& ordinal) {
  ordinal = 0;
  int ord = 0;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    if (gt_IsCountedGate(g)) ++ord;
    if (g == gate) {
      ordinal = ord;
      return true;
    }
  }
  return false;
}

namespace {
int pinSearch(const LogicRecord* logic, const GateRecord* except, bool useExcept, std::int16_t& x,
              std::int16_t& y, GateRecord*& gate, unsigned& pin, bool& isInput) {
  const int tol = g_tolerance;
  int ord = 0;
  GateRecord* g = nullptr;
  const bool found = useExcept ? gg_GateAtPointExcept(logic, except, x, y, g, ord)
                               : gg_GateAtPoint(logic, x, y, g, ord);
  gate = g;
  if (!found) return tol;
  const int rx = x - g->X, ry = y - g->Y;
  int best = tol;
  unsigned bestPin = 0;
  bool bestInput = false;
  int bx = 0, by = 0;
  for (int cls = 0; cls < 2; ++cls) {
    const unsigned count = cls == 0 ? g->InputCount : g->OutputCount;
    for (unsigned n = 1; n <= count; ++n) {
      std::int16_t px, py;
      std::uint16_t side;
      if (cls == 0) gg_InputPinPos(g, n, px, py, side);
      else gg_OutputPinPos(g, n, px, py, side);
      if (px < 0) continue;
      const int d = gg_Distance(rx, px, ry, py);
      if (d == 0 || d < best) {
        best = d;
        bestPin = n;
        bestInput = cls == 0;
        bx = px;
        by = py;
        if (d == 0) break;
      }
    }
    if (best == 0) break;
  }
  if (best >= tol) return best;
  pin = bestPin;
  isInput = bestInput;
  x = clamp16(g->X + bx);
  y = clamp16(g->Y + by);
  return best;
}
} // namespace

int gg_PinAtPoint(const LogicRecord* logic, const GateRecord* except, std::int16_t& x, std::int16_t& y,
                  GateRecord*& gate, unsigned& pin, bool& isInput) {
  return pinSearch(logic, except, true, x, y, gate, pin, isInput);
}
int gg_GatePinAtPoint(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                      unsigned& pin, bool& isInput) {
  return pinSearch(logic, nullptr, false, x, y, gate, pin, isInput);
}

namespace {
bool outputFeedsAny(const LogicRecord* logic, const GateRecord* g, unsigned n) {
  for (GateRecord* o = logic->FirstGate; o; o = o->Next)
    for (unsigned i = 0; o->Inputs && i < o->InputCount; ++i)
      if (o->Inputs[i].Source == g && o->Inputs[i].SourcePin == n) return true;
  return false;
}
} // namespace

int gg_NearestInputPin(const LogicRecord* logic, const GateRecord* except, std::int16_t& x, std::int16_t& y,
                       GateRecord*& gate, unsigned& pin, bool& isInput) {
  int best = 1000;
  gate = nullptr;
  if (!logic) return best;
  const int px = x, py = y;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (g == except || g->Kind == kKindParamVariation || g->Kind == kKindDisableLogic) continue;
    std::int16_t bx, by, bw, bh;
    gg_GateBox(g, bx, by, bw, bh, true);
    if (!(0 < px - bx && px - bx < bw && std::abs(py - by) < best)) continue;
    for (int cls = 0; cls < 2; ++cls) {
      const unsigned count = cls == 0 ? g->InputCount : g->OutputCount;
      for (unsigned n = 1; n <= count; ++n) {
        if (cls == 0 && g->Inputs[n - 1].Source) continue;
        if (cls == 1 && outputFeedsAny(logic, g, n)) continue;
        std::int16_t rx, ry;
        std::uint16_t side;
        if (cls == 0) gg_InputPinPos(g, n, rx, ry, side);
        else gg_OutputPinPos(g, n, rx, ry, side);
        const int ax = rx + bx, ay = ry + by;
        if (px - ax < -5 || px - ax > 5) continue;
        const int d = std::abs(py - ay);
        if (d < best) {
          best = d;
          if (best < 50) {
            pin = n;
            isInput = cls == 0;
            x = clamp16(ax);
            y = clamp16(ay);
            gate = g;
          }
        }
      }
    }
  }
  return best;
}
int gg_NearestInputPin2(const LogicRecord* logic, const GateRecord* except, std::int16_t& x,
                        std::int16_t& y, GateRecord*& gate, unsigned& pin, bool& isInput) {
  return gg_NearestInputPin(logic, except, x, y, gate, pin, isInput);
}

bool gg_WireAtPoint(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                    unsigned& pin) {
  gg_SnapToGrid(x, y);
  gate = nullptr;
  pin = 0;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
      for (WirePoint* p = g->Inputs[i].Wire; p && p->Next; p = p->Next) {
        const WirePoint* q = p->Next;
        bool hit = false;
        if (p->X == q->X) {
          const int lo = p->Y < q->Y ? p->Y : q->Y, hi = p->Y < q->Y ? q->Y : p->Y;
          hit = x == p->X && y >= lo && y <= hi;
        } else if (p->Y == q->Y) {
          const int lo = p->X < q->X ? p->X : q->X, hi = p->X < q->X ? q->X : p->X;
          hit = y == p->Y && x >= lo && x <= hi;
        }
        if (hit) {
          gate = g;
          pin = i + 1;
          return true;
        }
      }
    }
  }
  return false;
}

int gg_PointOnSegment(const WirePoint* a, const WirePoint* b, std::int16_t& x, std::int16_t& y) {
  if (!a || !b) return g_tolerance;
  if (a->X != b->X && a->Y != b->Y) return g_tolerance;
  if (a->Y == b->Y) {
    const int lo = a->X < b->X ? a->X : b->X, hi = a->X < b->X ? b->X : a->X;
    if (x < lo || x > hi) return 9999;
    const int d = std::abs(y - a->Y);
    y = a->Y;
    return d;
  }
  const int lo = a->Y < b->Y ? a->Y : b->Y, hi = a->Y < b->Y ? b->Y : a->Y;
  if (y < lo || y > hi) return 9999;
  const int d = std::abs(x - a->X);
  x = a->X;
  return d;
}

int gg_NearestConnection(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, ConnectionHit& hit) {
  int best = g_tolerance;
  ConnectionHit rec;
  std::int16_t bx = x, by = y;
  bool any = false;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i) {
      const InputPin& in = g->Inputs[i];
      WirePoint* p = in.Wire;
      if (p && p->X == x && p->Y == y) p = p->Next;
      for (; p && p->Next; p = p->Next) {
        std::int16_t cx = x, cy = y;
        const int d = gg_PointOnSegment(p, p->Next, cx, cy);
        if (d < best) {
          best = d;
          any = true;
          bx = cx;
          by = cy;
          rec.gate = g;
          rec.sourceGate = in.Source;
          rec.sourcePin = in.SourcePin;
          rec.pinNumber = i + 1;
          rec.wireHead = in.Wire;
          rec.segmentStart = p;
          if (d == 0) {
            hit = rec;
            x = bx;
            y = by;
            return 0;
          }
        }
      }
    }
  }
  hit = rec;
  if (any) {
    x = bx;
    y = by;
  }
  return best;
}

bool gg_HitTestPin(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                   unsigned& pin, bool& isInput, GateRecord*& wireGate) {
  gg_SnapToGrid(x, y);
  wireGate = nullptr;
  std::int16_t px = x, py = y;
  GateRecord* pg = nullptr;
  unsigned pp = 0;
  bool pi = false;
  const int d1 = gg_GatePinAtPoint(logic, px, py, pg, pp, pi);
  std::int16_t wx = x, wy = y;
  ConnectionHit hit;
  const int d2 = gg_NearestConnection(logic, wx, wy, hit);
  const int tol = g_tolerance;
  if (d1 >= tol && d2 >= tol) return false;
  if (d1 <= d2) {
    gate = pg;
    pin = pp;
    isInput = pi;
    x = px;
    y = py;
    return true;
  }
  gate = hit.sourceGate;
  pin = hit.sourcePin;
  isInput = false;
  wireGate = hit.gate;
  x = wx;
  y = wy;
  return true;
}

bool gg_AreaIsFree(const LogicRecord* logic, int x, int y, int w, int h, const GateRecord* moving) {
  if (moving && moving->Kind == kKindText) return true;
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    if (g->Kind == kKindText) return true;
    if ((g->Kind == kKindParamVariation || g->Kind == kKindDisableLogic) && moving &&
        (g == moving || g->Next == moving)) {
      g = g->Next;   // passed over together with the gate after it
      if (!g) break;
      continue;
    }
    if (g == moving) continue;
    std::int16_t rx, ry, rw, rh;
    gg_GateRect(g, rx, ry, rw, rh, true);
    const int sx = rx + 12, sy = ry + 12, sw = rw - 24, sh = rh - 24;
    const int ax[4] = {x, x + w - 1, x, x + w - 1}, ay[4] = {y, y, y + h - 1, y + h - 1};
    const int bx[4] = {sx, sx + sw - 1, sx, sx + sw - 1}, by[4] = {sy, sy, sy + sh - 1, sy + sh - 1};
    for (int i = 0; i < 4; ++i) {
      if (gg_PointInBox(sx, sy, sw, sh, ax[i], ay[i])) return false;
      if (gg_PointInBox(x, y, w, h, bx[i], by[i])) return false;
    }
  }
  return true;
}

bool gg_GateTextAtPoint(const DocumentRecord* doc, int x, int y, std::string& name, std::string& library,
                        bool& found) {
  found = false;
  if (!doc || doc->MacroLevel > kMaxMacroLevel) return false;
  const LogicRecord* logic = doc->LevelLogics[doc->MacroLevel];
  GateRecord* g = nullptr;
  int ord = 0;
  if (!gg_GateAtPoint(logic, x, y, g, ord)) return false;
  found = true;
  auto field = [](const char* f, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n && f[i]; ++i) s += f[i] == ' ' ? '\0' : f[i];
    const std::size_t z = s.find('\0');
    return z == std::string::npos ? s : s.substr(0, z);
  };
  name.clear();
  library.clear();
  if (g->Kind >= 1 && g->Kind <= kKindLastBuiltIn) {
    name = field(gt_KindNameField(g->Kind), 16);
    library = "Standard";
  } else if (g->Sub && (g->Kind == 0 || g->Kind == kKindCompiled || g->Kind == kKindCompiledNative)) {
    name = g->Kind == 0 ? field(subLogic(g)->Name, 16) : field(subType(g)->Name, 16);
    for (const ProjectModule* m = doc->FirstModule; m; m = m->Next) {
      bool holds = false;
      if (g->Kind == 0) {
        for (const LogicRecord* l = firstLogicOf(m); l && !holds; l = l->Next) holds = l == g->Sub;
      } else {
        for (const GateTypeRecord* t = firstTypeOf(m); t && !holds; t = t->Next) holds = t == g->Sub;
      }
      if (holds) {
        library = field(m->Name, 12);
        break;
      }
    }
  }
  return true;
}

} // namespace model
