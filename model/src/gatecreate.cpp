// The creation values of a new gate: signal types, the questions asked of the
// user, and the fixed counts of each kind.
#include "model/gatekinds.h"

#include "internal.h"
#include "model/services.h"

#include <cstring>

namespace model {
using namespace detail;

namespace {

// A question that is asked again until the answer lies in its range gives up
// after this many answers (a script or a user that never answers in range).
constexpr int kMaxAsks = 50;

int clampi(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool ask(const char* question, int& value) { return shell().askInteger(question, value); }

bool askUntil(const char* question, int def, int lo, int hi, int& out) {
  for (int i = 0; i < kMaxAsks; ++i) {
    int v = def;
    if (!ask(question, v)) return false;
    if (v >= lo && v <= hi) {
      out = v;
      return true;
    }
  }
  return false;
}

void putU16(std::array<std::uint8_t, 24>& b, int word, unsigned v) {
  b[std::size_t(word) * 2] = std::uint8_t(v & 0xFF);
  b[std::size_t(word) * 2 + 1] = std::uint8_t((v >> 8) & 0xFF);
}

PinSignalType markerType(const GateRecord* ref) {
  if (!ref || !ref->Extra || ref->ExtraCount < 1) return kTypeOpen;
  std::uint8_t bytes[8];
  std::memcpy(bytes, &ref->Extra[0], 8);
  return PinSignalType(bytes[2] | (bytes[3] << 8));
}

unsigned dimensionOf(PinSignalType t) { return t >= 21 ? unsigned(t) - 19u : 1u; }

// Port dimension from the port dialog's type choice.
unsigned portDimension(unsigned choice) {
  switch (choice) {
  case 1: case 2: return 5;
  case 3: return 4;
  case 4: return 6;
  case 5: return 3;
  case 6: return 2;
  default: return 1;
  }
}

enum class PortMode { Dialog, Given };

bool createParams(CreateParams& p, void* reference, GateRecord* attachedTo, PortMode portMode,
                  unsigned givenDim) {
  p.inputCount = 1;
  p.outputCount = 1;
  p.extraCount = 0;
  p.stateCount = 0;
  p.inputType = kTypeOpen;
  p.outputType = kTypeOpen;
  p.block.fill(0);
  unsigned dim = DefaultVectorDimension;
  const unsigned kind = p.kind;

  // Step 1: signal types.
  static const unsigned kVectorKinds[] = {10, 12, 13, 14, 15, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
                                          35, 36, 37, 38, 39, 40, 41, 42, 43, 48, 51, 53, 54, 55, 57,
                                          58, 59, 60, 67, 69, 72, 73, 74, 75, 76, 77, 78, 79, 80, 86, 87};
  bool isVector = false;
  for (unsigned k : kVectorKinds) isVector |= k == kind;
  if (isVector) {
    int v = DefaultVectorDimension;
    if (!ask("Vector Dimension ?", v)) return false;
    dim = unsigned(clampi(v, 1, 64));
    DefaultVectorDimension = std::uint16_t(dim);
    p.extraCount = 1;
    p.inputType = p.outputType = PinSignalType(19 + dim);
  } else if (kind == kKindInput || kind == kKindOutput) {
    if (portMode == PortMode::Dialog) {
      std::string name;
      std::uint16_t choice = 0, second = 0;
      if (!shell().dlg_AskOutputName(kind == kKindInput ? "Input" : "Output", name, choice, second, false))
        return false;
      p.portName = name.substr(0, 16);
      dim = portDimension(choice);
      if (choice == 0) p.kind = kind == kKindInput ? kKindOutput : kKindInput;
    } else {
      dim = givenDim;
    }
    dim = unsigned(clampi(int(dim), 1, 64));
    p.extraCount = 1;
    p.inputType = p.outputType = PinSignalType(19 + dim);
  } else if (kind == 20 || kind == 21) {
    int v = DefaultVectorDimension;
    if (!ask("Vector Dimension ?", v)) return false;
    dim = unsigned(clampi(v, 2, 64));
    DefaultVectorDimension = std::uint16_t(dim);
    p.inputType = p.outputType = PinSignalType(19 + dim);
  } else if (kind == kKindMatMultiplic) {
    int a = DefaultVectorDimension, b = DefaultVectorDimension;
    if (!ask("Input-Vector Dimension ?", a)) return false;
    p.inputType = PinSignalType(19 + clampi(a, 1, 64));
    if (!ask("Output-Vector Dimension ?", b)) return false;
    p.outputType = PinSignalType(19 + clampi(b, 1, 64));
  } else if (kind == kKindMarker || kind == kKindDefineMarker) {
    if (reference) return false;
    p.inputType = PinSignalType(19 + clampi(DefaultVectorDimension, 1, 64));
    dim = dimensionOf(p.inputType);
    p.outputType = p.inputType;
  } else if (kind == kKindReferenceMarker || kind == kKindSetMarker) {
    const GateRecord* ref = static_cast<const GateRecord*>(reference);
    if (!ref || (ref->Kind != kKindMarker && ref->Kind != kKindDefineMarker)) return false;
    if (kind == kKindSetMarker && ref->Kind != kKindDefineMarker) return false;
    p.inputType = p.outputType = markerType(ref);
    dim = dimensionOf(p.inputType);
  } else if (kind == kKindDisableLogic) {
    dim = 5;
    p.inputType = p.outputType = 24;
  }

  // Step 2: questions.
  int order = 2;
  int answer = 0;
  int nx = 0, ny = 0, n73 = 0;
  unsigned width = DefaultWordWidth;
  switch (kind) {
  case 1: case 2: case 3: case 25: case 26: case 79: case 80:
    if (!askUntil("Number Of Inputs (1..24)?", 2, 1, 24, answer)) return false;
    p.inputCount = std::uint16_t(answer);
    break;
  case 10: {
    int v = 10;
    if (!ask("Max. No. of Steps ?", v) || v < 1) return false;
    if (v > 999) v = 999;
    p.stateCount = std::uint16_t((unsigned(v) + 3) * dim + 3);
    break;
  }
  case 11: case 16: case 17: case 22: case 47: case 50: {
    int v = DefaultWordWidth;
    if (!ask("Width Of Digital Word ?", v) || v < 2) return false;
    if (v > 16) v = 16;
    DefaultWordWidth = std::uint16_t(v);
    width = unsigned(v);
    break;
  }
  case 13: {
    int v = 2;
    if (!ask("Memory Capacity ?", v) || v < 2) return false;
    const int cap = int(1000 / (dim ? dim : 1));
    if (v > cap) v = cap;
    p.stateCount = std::uint16_t(dim * unsigned(v));
    break;
  }
  case 14:
    if (!askUntil("Number Of Inputs (1..48)?", 2, 1, 48, answer)) return false;
    p.inputCount = std::uint16_t(answer);
    break;
  case 15:
    if (!askUntil("Number Of Inputs (1..48)?", 2, 1, 48, answer)) return false;
    p.outputCount = std::uint16_t(answer);
    break;
  case 28: case 72: case 78: {
    int v = 2;
    if (!ask("Order of method (1..4) ?", v)) return false;
    order = clampi(v, 1, 4);
    break;
  }
  case 29: {
    int v = 2;
    if (!ask("Order of method (2..4) ?", v)) return false;
    order = clampi(v, 2, 4);
    break;
  }
  case kKindBargraph: {
    int v = 60;
    if (!ask("Bargraph Height ?", v)) return false;
    v = clampi(v, 10, 300);
    const int r = v % 5;
    v = r > 2 ? v - r + 5 : v - r;
    putU16(p.block, 0, unsigned(v));
    break;
  }
  case kKindPolynom: {
    int v = 1;
    if (!ask("Deg. of poly. (1..15) ?", v)) return false;
    p.extraCount = std::uint16_t(v < 1 ? 2 : (v <= 15 ? v + 1 : 16));
    break;
  }
  case kKindText:
    putU16(p.block, 0, 12);
    break;
  case 73: {
    int v = 2;
    if (!ask("Max. Number Intervals ?", v)) return false;
    n73 = clampi(v > 1000 ? 1000 : v + 1, 3, 100);
    break;
  }
  case kKindSpline: {
    int v = 1;
    if (!ask("Number Of Inputs ?", v) || v < 1) return false;
    if (v > 2) v = 2;
    p.inputCount = std::uint16_t(v);
    if (v == 2) {
      int x = 2, y = 2;
      if (!ask("MaxNumber X-Intervals ?", x)) return false;
      if (!ask("MaxNumber Y-Intervals ?", y)) return false;
      nx = clampi(x > 1000 ? 1000 : x + 1, 3, 64);
      ny = clampi(y > 1000 ? 1000 : y + 1, 3, 64);
    } else {
      int x = 3;
      if (!ask("MaxNumber Intervals ?", x)) return false;
      nx = clampi(x > 1000 ? 1000 : x + 1, 3, 64);
    }
    break;
  }
  case 88: case 89: {
    int v = 1;
    if (!ask("Number Of Channels ?", v) || v < 1) return false;
    if (v > 24) v = 24;
    if (kind == 88) p.outputCount = std::uint16_t(v);
    else p.inputCount = std::uint16_t(v);
    break;
  }
  default: break;
  }

  // Step 3: fixed counts.
  unsigned in = p.inputCount, out = p.outputCount, extra = p.extraCount, state = p.stateCount;
  switch (p.kind) {
  case 0: {
    const LogicRecord* l = static_cast<const LogicRecord*>(reference);
    if (!l) return false;
    in = l->InputPortCount;
    out = l->OutputPortCount;
    break;
  }
  case 4: case 5: case 6: in = 2; state = 16; extra = 1; break;
  case 7: in = 2; state = 16; extra = 2; break;
  case 8: in = 3; out = 2; state = 1; break;
  case 9: in = 5; out = 2; state = 2; break;
  case 10: in = 2; extra = 2; break;
  case 11: in = 5; out = 3; state = 1; p.inputType = p.outputType = PinSignalType(width); break;
  case 12: in = 2; out = 3; break;
  case 13: in = 4; break;
  case 14: in = in + 1; break;
  case 15: case 27: case 41: case 86: in = 2; break;
  case 16: out = width; break;
  case 17: in = width; break;
  case 20: out = dim; break;
  case 21: in = dim; break;
  case 22: in = 5; out = 2; state = 1; p.inputType = p.outputType = PinSignalType(width); break;
  case 23: case 24: in = 2; out = 2; break;
  case 28: in = 2; extra = 3; state = dim * unsigned(order + 2) + 1; break;
  case 29: extra = 3; state = dim * unsigned(order - 1) + 1; break;
  case 42: out = 2; extra = 3; state = dim; break;
  case 43: in = 0; state = 2; break;
  case 44: case 64: case 71: in = 0; break;
  case 45: case 48: out = 0; state = dim; break;
  case 46: case 63: case 70: out = 0; state = 1; break;
  case 47: out = 0; state = 1; p.inputType = PinSignalType(width); break;
  case 49: in = 0; extra = 1; break;
  case 50: in = 0; extra = 1; p.outputType = PinSignalType(width); break;
  case 51: in = 0; extra = dim; break;
  case 52: out = 0; state = 1; extra = 3; break;
  case 53: state = 1; extra = 4; break;
  case 55: extra = dim; break;
  case 56: extra = unsigned(p.inputType - 19) * unsigned(p.outputType - 19); break;
  case 57: case 58: case 59: case 60: extra = 2; break;
  case 61: {
    out = 0;
    p.inputType = kTypeReal;
    const GateRecord* a = attachedTo;
    if (!a) { in = 0; break; }
    switch (a->Kind) {
    case 4: case 5: case 6: case 10: case 29: case 67: in = 1; break;
    case 7: case 28: case 57: case 58: case 59: case 60: case 87: in = 2; break;
    case 42: case 69: in = 3; break;
    case 54: case 55: in = 1; p.inputType = PinSignalType(19 + a->ExtraCount); break;
    case 56:
      in = a->OutputCount && a->Outputs ? unsigned(a->Outputs[0].Type) - 19 : 1;
      p.inputType = a->InputCount && a->Inputs ? a->Inputs[0].Type : PinSignalType(kTypeReal);
      break;
    case 78: in = 4; break;
    default: in = 1; break;
    }
    if (p.inputType > kTypeMaxVector) p.inputType = kTypeMaxVector;
    break;
  }
  case 62: in = 2; out = 2; extra = 1; state = 1; break;
  case 65: in = 3; break;
  case 66: in = 0; out = 0; extra = 1; break;
  case 67: extra = 1; break;
  case 68: in = 2; out = 0; state = 1; extra = 4; break;
  case 69: state = dim; extra = 4; break;
  case 72: in = 2; extra = 2; state = dim * unsigned(order + 1) + 1; break;
  case 73: extra = 2u * unsigned(n73) + 1; break;
  case 76: {
    const double iv = doc() ? doc()->InitialValue : 0.0;
    std::memcpy(p.block.data(), &iv, 8);
    putU16(p.block, 0, unsigned(nx));
    if (in == 2) {
      putU16(p.block, 1, unsigned(ny));
      extra = 16u * unsigned(nx) * unsigned(ny) + unsigned(nx) + unsigned(ny) + 2;
    } else {
      extra = 6u * unsigned(nx) + 1;
    }
    break;
  }
  case 77: in = 2; break;
  case 78: in = 2; extra = 5; state = dim * unsigned(order + 2) + 1; break;
  case 81: out = 0; extra = 3; state = dim; break;
  case 82: in = 0; out = 0; extra = 3; state = 2 * dim; break;
  case 83: in = 0; extra = 3; break;
  case 84: in = 2; out = 0; extra = 3; break;
  case 85: out = 0; break;
  case 87: extra = 2; state = dim; break;
  case 88: in = 0; extra = 5; state = 1; break;
  case 89: out = 0; extra = 5; state = in + 1; break;
  case kKindCompiled: case kKindCompiledNative: {
    const GateTypeRecord* t = static_cast<const GateTypeRecord*>(reference);
    if (!t) return false;
    in = t->InputCount;
    out = t->OutputCount;
    state = t->StateCount;
    extra = t->ExtraCount;
    break;
  }
  default: break;
  }
  // Counts are 16-bit: a combination of answers that does not fit (a spline
  // of 64 x 64 intervals) is refused rather than cut.
  if (in > 0xFFFF || out > 0xFFFF || extra > 0xFFFF || state > 0xFFFF) return false;
  p.inputCount = std::uint16_t(in);
  p.outputCount = std::uint16_t(out);
  p.extraCount = std::uint16_t(extra);
  p.stateCount = std::uint16_t(state);
  return true;
}

} // namespace

bool gt_AskCreateParams(CreateParams& p, void* reference, GateRecord* attachedTo) {
  return createParams(p, reference, attachedTo, PortMode::Dialog, 1);
}

bool gt_AskCreateParamsMacro(CreateParams& p, void* reference, GateRecord* attachedTo,
                             std::uint16_t portDimension) {
  return createParams(p, reference, attachedTo, PortMode::Given, portDimension);
}

bool gt_AskCreateParamsDim(CreateParams& p, void* reference, GateRecord* attachedTo,
                           std::uint16_t portDimension) {
  if (p.kind == kKindInput || p.kind == kKindOutput) {
    const unsigned dim = unsigned(clampi(portDimension, 1, 64));
    const bool input = p.kind == kKindInput;
    p.inputCount = input ? 0 : 1;
    p.outputCount = input ? 1 : 0;
    p.extraCount = 1;
    p.stateCount = input ? 0 : std::uint16_t(dim);
    p.inputType = p.outputType = PinSignalType(19 + dim);
    p.block.fill(0);
    return true;
  }
  return gt_AskCreateParams(p, reference, attachedTo);
}

} // namespace model
