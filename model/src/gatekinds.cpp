#include "model/gatekinds.h"

#include "internal.h"
#include "model/services.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace model {
using namespace detail;

namespace {

const char* const kNames[kKindCount + 1] = {
  "",
  "%And", "%Or", "%Exor", "%On-Delay", "%Off-Delay", "%Mono-Flop", "%Oszillator", "%RS-Flip-Flop",
  "%JK-Flip-Flop", "%Delay", "%Counter", "%Comparator", "%Memory", "%Multiplexer", "%Decoder",
  "%Dig./Bin.-Conv.", "%Bin./Dig.-Conv.", "%Dig./Ana.-Conv.", "%Ana./Dig.-Conv.", "%Split-Vector",
  "%Build-Vector", "%Shift-Register", "%Dig.-Summation", "%Dig.-Multiplic.", "%Summation",
  "%Multiplication", "%Division", "%Integration", "%Derivation", "%Sine", "%Cosine", "%Tangent",
  "%Arc-Sine", "%Arc-Cosine", "%Arc-Tangent", "%Natural-Log.", "%Common-Log.", "%Square",
  "%Square-Root", "%Exponent", "%Power", "%Ramp", "%Random", "Input", "Output", "%Bin.-Indicator",
  "%Dig.-Indicator", "%Ana.-Indicator", "%Bin.-Constant", "%Dig.-Constant", "%Ana.-Constant",
  "%Bargraph", "%Dialogue", "%Polynom", "%Vec.-Summation", "%Mat.-Multiplic.", "%Hyst.-Switch",
  "%Limitation", "%Dead-Band", "%Initial-Load", "%Param.-Variatio", "%Step", "%Start", "%Stop",
  "%Branch", "Text", "%Hysteresis", "%Message", "%Wave-Gen.", "%Stop-Simulation", "%Time",
  "%Stop-Iteration", "%Function-Gen.", "%Absolute-Value", "%Signum", "%Spline", "%Sample&Hold",
  "%Integration/Lim", "%Min-Selection", "%Max-Selection", "%Marker", "%Define-Marker",
  "%Reference-Marke", "%Set-Marker", "%Disable-Logic", "%Root", "%Gradient-Limit.",
  "%Read-Record", "%Write-Record",
};

struct NameFields {
  char rows[kKindCount + 1][16];
  NameFields() {
    for (int k = 0; k <= kKindCount; ++k) {
      std::memset(rows[k], ' ', 16);
      std::memcpy(rows[k], kNames[k], std::min<std::size_t>(16, std::strlen(kNames[k])));
    }
  }
};
const NameFields& nameFields() {
  static const NameFields f;
  return f;
}

const std::array<std::uint8_t, kKindCount> kGrouped = {
  1, 2, 3, 4, 5, 6, 7, 8, 9, 22, 23, 24, 13, 12, 10, 11, 14, 15, 17, 16, 18, 19, 21, 20, 46, 47,
  48, 52, 49, 50, 51, 53, 68, 44, 45, 25, 26, 27, 28, 78, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38,
  39, 40, 41, 86, 74, 75, 55, 56, 58, 87, 59, 60, 67, 57, 77, 79, 80, 54, 73, 76, 69, 42, 43, 71,
  61, 85, 72, 70, 81, 82, 83, 84, 88, 89, 62, 65, 63, 64, 66};

std::array<std::uint8_t, kKindCount> makeAlphabetical() {
  std::array<std::uint8_t, kKindCount> order{};
  for (int k = 1; k <= kKindCount; ++k) order[k - 1] = std::uint8_t(k);
  auto key = [](int k) {
    std::string s = kNames[k];
    if (!s.empty() && s[0] == '%') s.erase(0, 1);
    s.resize(16, ' ');
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  std::stable_sort(order.begin(), order.end(), [&](std::uint8_t a, std::uint8_t b) { return key(a) < key(b); });
  return order;
}

const std::array<std::uint8_t, kKindCount>* g_order = nullptr;

} // namespace

bool detail::g_allowElementChange = false;
std::uint16_t DefaultVectorDimension = 1;
std::uint16_t DefaultWordWidth = 2;

const char* gt_KindNameField(unsigned kind) {
  return nameFields().rows[kind <= unsigned(kKindCount) ? kind : 0];
}

std::string gt_KindName(unsigned kind) { return kind <= unsigned(kKindCount) ? kNames[kind] : ""; }

const std::array<std::uint8_t, kKindCount>& gt_PaletteOrderGrouped() { return kGrouped; }
const std::array<std::uint8_t, kKindCount>& gt_PaletteOrderAlphabetical() {
  static const auto order = makeAlphabetical();
  return order;
}
const std::array<std::uint8_t, kKindCount>& gt_PaletteOrder() {
  return g_order ? *g_order : gt_PaletteOrderAlphabetical();
}
void gt_ApplyPaletteOption(std::uint8_t option) {
  g_order = option == 0 ? &kGrouped : &gt_PaletteOrderAlphabetical();
}
std::uint8_t gt_PaletteEntry(int index) {
  return index >= 0 && index < kKindCount ? gt_PaletteOrder()[std::size_t(index)] : 0;
}

unsigned gt_BitsNeeded(unsigned n) {
  unsigned bits = 1;
  while (n >= 2) {
    n /= 2;
    ++bits;
  }
  return bits;
}

bool gt_IsCountedGate(const GateRecord* g) {
  if (!g) return false;
  if (g->Kind == kKindInput || g->Kind == kKindParamVariation || g->Kind == kKindDisableLogic) return false;
  if (const GateTypeRecord* t = subType(g)) return (t->Flags & kTypeNotCounted) == 0;
  return true;
}

bool gt_SharesParams(const LogicRecord* logic, const GateRecord* gate, bool allowed) {
  if (!gate) return false;
  switch (gate->Kind) {
  case kKindInput: case kKindOutput: case kKindText: case kKindMarker: case kKindDefineMarker:
  case kKindReferenceMarker: case kKindSetMarker:
    return true;
  default: break;
  }
  if (!allowed) return false;
  const GateRecord* prev = logic ? predecessor(logic, gate) : gate;
  if (prev && prev->Kind == kKindParamVariation) return false;
  return gate->ExtraCount > 0;
}

// ---- Pin-type rules --------------------------------------------------------

namespace {

struct RuleResult {
  bool ok;
  PinSignalType type;
};

RuleResult range(PinSignalType t, unsigned lo, unsigned hi, PinSignalType fallback) {
  if (t >= lo && t <= hi) return {true, t};
  return {false, fallback};
}
RuleResult only(PinSignalType t, PinSignalType d) { return {t == d, d}; }
RuleResult keep(PinSignalType t, unsigned lo, unsigned hi, PinSignalType cur) {
  return {t >= lo && t <= hi, cur};
}
PinSignalType raise20(PinSignalType cur) { return cur < kTypeReal ? PinSignalType(kTypeReal) : cur; }

// The port rule of call and compiled gates: d names the port's own type.
RuleResult portInput(PinSignalType t, PinSignalType d) {
  if (d >= 1 && d <= 17) return range(t, d, 17, d);
  if (d == kTypeOpen) return range(t, 0, 20, d);
  return only(t, d);
}
RuleResult portOutput(PinSignalType t, PinSignalType d) {
  if (d >= 1 && d <= 17) return range(t, 0, d, d);
  if (d == kTypeOpen) return range(t, 0, 20, d);
  return only(t, d);
}

// The k-th gate of a kind in a logic (1-based), or null.
const GateRecord* nthGateOfKind(const LogicRecord* l, std::uint8_t kind, unsigned k) {
  for (const GateRecord* g = l ? l->FirstGate : nullptr; g; g = g->Next)
    if (g->Kind == kind && --k == 0) return g;
  return nullptr;
}

bool inSet(unsigned kind, std::initializer_list<unsigned> set) {
  return std::find(set.begin(), set.end(), kind) != set.end();
}

RuleResult inputRule(const GateRecord* g, unsigned k, PinSignalType t, bool& coupled) {
  const PinSignalType cur = g->Inputs[k - 1].Type;
  const unsigned kind = g->Kind;
  coupled = false;
  if (kind == 0) {
    PinSignalType d = kTypeOpen;
    if (const GateRecord* port = nthGateOfKind(subLogic(g), kKindInput, k))
      if (port->OutputCount && port->Outputs) d = port->Outputs[0].Type;
    return portInput(t, d);
  }
  if (kind >= 1 && kind <= 9) { coupled = true; return range(t, 0, 17, 17); }
  auto asComparator = [&]() -> RuleResult {
    if (cur >= 21) return only(t, cur);
    coupled = true;
    return range(t, 0, 20, kTypeOpen);
  };
  switch (kind) {
  case 10:
    if (k == 1) return asComparator();
    return only(t, kTypeReal);
  case 11: case 70:
    if (k <= 4) return only(t, kTypeBinary);
    return keep(t, cur, 17, cur);
  case 12: return asComparator();
  case 13: {
    if (k == 1) return asComparator();
    if (k == 2 || k == 4) return only(t, kTypeBinary);
    const unsigned elems = g->InputCount ? elementCount(g->Inputs[0].Type) : 1;
    const unsigned cap = elems ? g->StateCount / elems : 0;
    const PinSignalType d = PinSignalType(gt_BitsNeeded(cap >= 1 ? cap - 1 : 0));
    return {t >= d && t <= 17, d};
  }
  case 14: case 15: {
    if (k == 1) {
      const int n = kind == 14 ? int(g->InputCount) - 2 : int(g->OutputCount) - 1;
      const PinSignalType d = PinSignalType(gt_BitsNeeded(n > 0 ? unsigned(n) : 0));
      return {t >= d && t <= 17, d};
    }
    return asComparator();
  }
  case 16: return range(t, g->OutputCount, 16, g->OutputCount);
  case 17: case 46: return only(t, kTypeBinary);
  case 18: return range(t, 0, 16, 16);
  case 19: case 21: return only(t, kTypeReal);
  case 22:
    if (k == 1) return keep(t, cur, 17, cur);
    return only(t, kTypeBinary);
  case 23: case 24: coupled = true; return range(t, 1, 17, 17);
  case 28: case 72: case 77: case 78:
    if (k == 1) return only(t, raise20(cur));
    return only(t, kTypeBinary);
  case 42: case 69: return only(t, kTypeBinary);
  case 45:
    if (cur < 21) return range(t, 0, 20, kTypeOpen);
    return only(t, cur);
  case 47: return keep(t, cur, 17, cur);
  case 52: case 89: return range(t, 0, 20, kTypeOpen);
  case 53: case 68:
    if (k == 1) return range(t, 0, 1, kTypeOpen);
    return range(t, 0, 20, kTypeOpen);
  case 61: {
    PinSignalType d = kTypeReal;
    if (const GateRecord* n = g->Next) {
      const PinSignalType firstIn = n->InputCount && n->Inputs ? n->Inputs[0].Type : PinSignalType(kTypeReal);
      if (n->Kind == kKindIntegration) d = k == 2 ? firstIn : PinSignalType(kTypeReal);
      else if (n->Kind == kKindPolynom) d = PinSignalType(19 + n->ExtraCount);
      else if (n->Kind == kKindVecSummation || n->Kind == kKindMatMultiplic) d = firstIn;
      else if (n->Kind == kKindIntegrationLim) d = k == 4 ? firstIn : PinSignalType(kTypeReal);
    }
    return only(t, d);
  }
  case 62: case 65:
    if (k == 1) return only(t, kTypeBinary);
    return only(t, kTypeSequence);
  case 63: return only(t, kTypeSequence);
  case 81: return only(t, cur);
  case 84:
    if (k == 1) return only(t, kTypeBinary);
    return only(t, cur);
  case 85:
    if (k <= 4) return {true, 24};
    return keep(t, cur, 17, cur);
  case kKindCompiled: case kKindCompiledNative: {
    const GateTypeRecord* ty = subType(g);
    if (!ty || !ty->InputPins || k > ty->InputCount) return {false, cur};
    return portInput(t, ty->InputPins[k - 1].Type);
  }
  default: break;
  }
  if (inSet(kind, {20, 25, 26, 27, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 48, 54, 55, 56,
                   57, 58, 59, 60, 67, 73, 74, 75, 76, 79, 80, 86, 87}))
    return only(t, raise20(cur));
  return {false, cur};
}

RuleResult outputRule(const GateRecord* g, unsigned k, PinSignalType t, bool& coupled) {
  const PinSignalType cur = g->Outputs[k - 1].Type;
  const unsigned kind = g->Kind;
  coupled = false;
  if (kind == 0) {
    PinSignalType d = kTypeOpen;
    if (const GateRecord* port = nthGateOfKind(subLogic(g), kKindOutput, k))
      if (port->InputCount && port->Inputs) d = port->Inputs[0].Type;
    return portOutput(t, d);
  }
  if (kind >= 1 && kind <= 9) { coupled = true; return range(t, 0, 17, 17); }
  switch (kind) {
  case 10: case 13: case 14: case 15: case 43: case 44: case 53:
    if (cur < 21) { coupled = true; return range(t, 0, 20, kTypeOpen); }
    return only(t, cur);
  case 11: case 22:
    if (k == 1) return keep(t, 0, cur, cur);
    return only(t, kTypeBinary);
  case 12: case 57: case 16: case 49: return only(t, kTypeBinary);
  case 17: return range(t, 0, g->InputCount, g->InputCount);
  case 18: case 20: return only(t, kTypeReal);
  case 19: return range(t, 0, 16, 16);
  case 23: case 24: coupled = true; return range(t, 1, 17, 17);
  case 42:
    if (k == 1) return only(t, raise20(cur));
    return only(t, kTypeBinary);
  case 50: return keep(t, 1, cur, cur);
  case 62: case 63: case 64: case 65:
    if (k == 1) return only(t, kTypeSequence);
    return only(t, kTypeBinary);
  case 83: return only(t, cur);
  case 88: return range(t, 0, 20, kTypeOpen);
  case kKindCompiled: case kKindCompiledNative: {
    const GateTypeRecord* ty = subType(g);
    if (!ty || !ty->OutputPins || k > ty->OutputCount) return {false, cur};
    return portOutput(t, ty->OutputPins[k - 1].Type);
  }
  default: break;
  }
  if (inSet(kind, {21, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 51, 54, 55,
                   56, 58, 59, 60, 67, 69, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 86, 87}))
    return only(t, raise20(cur));
  return {false, cur};
}

// A rule never changes a pin's element count: the instance arrays are sized
// by it. A type that would is refused and the pin keeps its type.
RuleResult keepElements(RuleResult r, PinSignalType cur) {
  if (!detail::g_allowElementChange && elementCount(r.type) != elementCount(cur)) return {false, cur};
  return r;
}

} // namespace

bool gt_InputTypeOk(GateRecord* gate, unsigned pin, PinSignalType type, bool& coupled) {
  coupled = false;
  if (!gate || !gate->Inputs || pin < 1 || pin > gate->InputCount) return false;
  const PinSignalType cur = gate->Inputs[pin - 1].Type;
  RuleResult r = keepElements(inputRule(gate, pin, type, coupled), cur);
  gate->Inputs[pin - 1].Type = r.type;
  return r.ok;
}

bool gt_OutputTypeOk(GateRecord* gate, unsigned pin, PinSignalType type, bool& coupled) {
  coupled = false;
  if (!gate || !gate->Outputs || pin < 1 || pin > gate->OutputCount) return false;
  const PinSignalType cur = gate->Outputs[pin - 1].Type;
  RuleResult r = keepElements(outputRule(gate, pin, type, coupled), cur);
  gate->Outputs[pin - 1].Type = r.type;
  return r.ok;
}

// ---- Names and lookups -------------------------------------------------------

bool gt_FieldEquals(const char* a, const char* b, std::size_t n) {
  bool endA = !a, endB = !b;
  for (std::size_t i = 0; i < n; ++i) {
    char ca = ' ', cb = ' ';
    if (!endA) { if (a[i]) ca = a[i]; else endA = true; }
    if (!endB) { if (b[i]) cb = b[i]; else endB = true; }
    if (endA) ca = ' ';
    if (endB) cb = ' ';
    if (ca != cb) return false;
  }
  return true;
}

namespace {

bool blankName(const char* name) {
  for (std::size_t i = 0; name && i < 16 && name[i]; ++i)
    if (name[i] != ' ') return false;
  return true;
}

// Module names compare by their base name (up to a point, a zero or 8
// characters), without regard to case.
bool moduleNameEquals(const char* moduleField, const char* name) {
  auto base = [](const char* s) {
    std::string r;
    for (std::size_t i = 0; s && i < 8 && s[i] && s[i] != '.'; ++i)
      r += char(std::toupper(static_cast<unsigned char>(s[i])));
    while (!r.empty() && r.back() == ' ') r.pop_back();
    return r;
  };
  return base(moduleField) == base(name);
}

bool findInTable(const char* name, std::uint8_t& kind, void*& type) {
  for (int k = 1; k <= kKindCount; ++k) {
    if (gt_FieldEquals(gt_KindNameField(unsigned(k)), name, 16)) {
      kind = std::uint8_t(k);
      type = nullptr;
      return true;
    }
  }
  return false;
}

// Looks a name up in one module. 1 found, 0 not found, -1 refused (the edited
// logic).
int findInModule(const ProjectModule* m, const char* name, const LogicRecord* editLogic,
                 std::uint8_t& kind, void*& type) {
  if (isCompiled(m)) {
    for (GateTypeRecord* t = firstTypeOf(m); t; t = t->Next) {
      if (gt_FieldEquals(t->Name, name, 16)) {
        kind = t->StepLength == 0 ? kKindCompiledNative : kKindCompiled;
        type = t;
        return 1;
      }
    }
    return 0;
  }
  for (LogicRecord* l = firstLogicOf(m); l; l = l->Next) {
    if (gt_FieldEquals(l->Name, name, 16)) {
      if (l == editLogic) return -1;
      kind = kKindCall;
      type = l;
      return 1;
    }
  }
  return 0;
}

} // namespace

bool gt_FindStdGate2(const char* name, const LogicRecord* editLogic, std::uint8_t& kind, void*& type) {
  if (!name || blankName(name)) return false;
  if (DocumentRecord* d = doc()) {
    for (ProjectModule* m = d->FirstModule; m; m = m->Next) {
      const int r = findInModule(m, name, editLogic, kind, type);
      if (r != 0) return r > 0;
    }
  }
  return findInTable(name, kind, type);
}

bool gt_FindStdModule(const char* moduleName, const char* name, const LogicRecord* editLogic,
                      std::uint8_t& kind, void*& type) {
  if (!name || blankName(name)) return false;
  if (moduleName && std::strncmp(moduleName, "%STD", 4) == 0 && (moduleName[4] == 0 || moduleName[4] == ' '))
    return findInTable(name, kind, type);
  DocumentRecord* d = doc();
  for (ProjectModule* m = d ? d->FirstModule : nullptr; m; m = m->Next) {
    if (!moduleNameEquals(m->Name, moduleName)) continue;
    const int r = findInModule(m, name, editLogic, kind, type);
    if (r < 0) {
      shell().app_SetDropFlag(50050);
      return false;
    }
    if (r > 0) return true;
  }
  return false;
}

bool gt_FindStdGate(GateChooser choose, void* context, const LogicRecord* editLogic,
                    std::uint8_t& kind, void*& type) {
  GatePick pick;
  if (!choose || !choose(pick, context) || blankName(pick.name.c_str())) return false;
  if (pick.module.empty()) return findInTable(pick.name.c_str(), kind, type);
  DocumentRecord* d = doc();
  for (ProjectModule* m = d ? d->FirstModule : nullptr; m; m = m->Next) {
    if (!moduleNameEquals(m->Name, pick.module.c_str())) continue;
    return findInModule(m, pick.name.c_str(), editLogic, kind, type) > 0;
  }
  return false;
}

} // namespace model
