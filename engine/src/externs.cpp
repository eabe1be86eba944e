#include "engine/externs.h"

#include "engine/services.h"
#include "engine/vm.h"

#include "display/gdi.h"
#include "platform/numtext.h"
#include "modelfiles/project.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace engine {

namespace {

bool gInvalidShown = false;
std::uint16_t gCallReason = 1;
TargetTextSink gNoSink;
TargetTextSink* gSink = &gNoSink;

// The arguments of one call.
struct Args {
  Vm& vm;
  std::uint32_t block;
  std::uint32_t slot(unsigned k) {
    std::uint32_t a = 0;
    vm.rd(block + 4 * k, &a, 4);
    return a;
  }
  double real(unsigned k, unsigned element = 0) { return vm.rdReal(slot(k) + 8 * element); }
  std::int16_t integer(unsigned k) { return vm.rdInt(slot(k)); }
  std::uint16_t word(unsigned k) { return vm.rdWord(slot(k)); }
  std::int32_t longValue(unsigned k) { std::int32_t v = 0; vm.rd(slot(k), &v, 4); return v; }
  void setReal(unsigned k, double v, unsigned element = 0) { vm.wr(slot(k) + 8 * element, &v, 8); }
  void setInt(unsigned k, std::int16_t v) { vm.wr(slot(k), &v, 2); }
  void setWord(unsigned k, std::uint16_t v) { vm.wr(slot(k), &v, 2); }
  std::string text(unsigned k, std::size_t max = 4096) {
    std::string s;
    const std::uint32_t a = slot(k);
    if (!vm.space().translate(a, 1, false)) {
      vm.fail("extern text argument outside the mapped memory");
      return s;
    }
    for (std::size_t i = 0; i < max; ++i) {
      char c = 0;
      if (!vm.space().read(a + std::uint32_t(i), &c, 1) || c == 0) break;
      s.push_back(c);
    }
    return s;
  }
  // Writes a text into a buffer of 'size' bytes: at most size - 1 characters
  // and always the zero byte; a size below 1 writes nothing.
  void setText(unsigned k, const std::string& s, std::int32_t size) {
    if (size < 1) return;
    std::string t = s.substr(0, std::size_t(size - 1));
    t.push_back('\0');
    vm.wr(slot(k), t.data(), std::uint32_t(t.size()));
  }
  bool ok() const { return !vm.stopped(); }
};

// An operand address vector: class, index, value, bit.
struct Addr {
  int cls = 0;
  long index = 0;
  double value = 0;
  int bit = 0;
  bool valid = true;
};
Addr readAddr(Args& a, unsigned k, double classRound = 0.5) {
  Addr r;
  const double c = a.real(k, 0), i = a.real(k, 1);
  r.value = a.real(k, 2);
  const double b = a.real(k, 3);
  if (!std::isfinite(c) || !std::isfinite(i) || std::fabs(c) > 1e6 || std::fabs(i) > 1e9) r.valid = false;
  else {
    r.cls = int(c + classRound);
    r.index = long(i);
    r.bit = std::isfinite(b) && std::fabs(b) < 1e6 ? int(b) : -1;
    if (r.index < 0) r.valid = false;   // negative indexes are refused
  }
  return r;
}

const char* kClassNames[13] = {"", "M", "E", "A", "DF", "DW", "DL", "DT", "PF", "PW", "B", "PL", "PT"};

void line(const std::string& s) {
  if (gSink->mainOpen()) gSink->writeMain(s);
}
std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
// Target text is formatted locale-free: a REAL is always written with a point.
std::string fmt(const char* f, ...) {
  plat::num::CLocaleScope cLocale;
  char buf[1024];
  va_list ap;
  va_start(ap, f);
  std::vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}
// E and A are written with index - 1.
long shown(const Addr& a) { return (a.cls == 2 || a.cls == 3) ? a.index - 1 : a.index; }

void symbolLine(Args& a) {   // 3 = 26
  const std::string name = a.text(1);
  const Addr ad = readAddr(a, 2);
  if (!a.ok() || !ad.valid) return;
  if (ad.cls >= 1 && ad.cls <= 12)
    line(fmt("  %-6s : %s%li\n", name.c_str(), kClassNames[ad.cls], shown(ad)));
  else
    line(fmt("  %-6s : M0\n", name.c_str()));
}

void initialValue(Args& a, bool asInt) {   // 5 = 6, 27
  const Addr ad = readAddr(a, 2);
  const double v = a.real(3);
  if (!a.ok() || !ad.valid) return;
  std::string value;
  if (asInt) {
    const double t = std::isfinite(v) ? std::trunc(v) : 0.0;
    const long iv = std::fabs(t) < 2e9 ? long(t) : 0;
    value = fmt("%d", int(std::uint16_t(iv & 0xFFFF)));
  } else {
    value = fmt("%f", v);
  }
  if (ad.cls >= 1 && ad.cls <= 12)
    line(fmt("#%s%li = %s\n", kClassNames[ad.cls], shown(ad), value.c_str()));
  else
    line("#M0 = " + value + "\n");
}

void bitInitialValue(Args& a) {   // 28
  const Addr ad = readAddr(a, 2);
  const double v = a.real(3);
  if (!a.ok() || !ad.valid) return;
  if (ad.bit < 0 || ad.bit > 7) {
    if (ad.cls == 1 || ad.cls == 10) return;   // bits outside 0..7 are refused
  }
  if (ad.cls == 1) line(fmt(v != 0 ? "#M%li.%i =%%1    \n" : "#M%li.%i =%%0    \n", ad.index, ad.bit));
  else if (ad.cls == 10) line(fmt(v != 0 ? "#B%li.%i =%%1\n" : "#B%li.%i =%%0\n", ad.index, ad.bit));
  else if (ad.cls >= 2 && ad.cls <= 11 && ad.cls != 7 && ad.cls != 10)
    line(fmt("#%s%li = %f\n", kClassNames[ad.cls], shown(ad), v));
  else
    line(fmt("#M0 = %f\n", v));
}

void bitSymbolLine(Args& a) {   // 25
  const std::string name = a.text(1);
  Addr ad = readAddr(a, 2);
  if (!a.ok() || !ad.valid) return;
  if (ad.bit < 0 || ad.bit > 7) {
    ad.bit = 0;
    a.setReal(2, 0.0, 3);
  }
  switch (ad.cls) {
  case 1: line(fmt("  %-6s  : M%li.%i\n", name.c_str(), ad.index, ad.bit)); break;
  case 2: line(fmt("  %-6s  : E%li.%i\n", name.c_str(), ad.index - 1, ad.bit)); break;
  case 3: line(fmt("  %-6s  : A%li.%i\n", name.c_str(), ad.index - 1, ad.bit)); break;
  case 10: line(fmt("  %-6s : B%li.%i\n", name.c_str(), ad.index, ad.bit)); break;
  default: line(fmt("  %-6s : M0.0\n", name.c_str()));
  }
}

void masks(Args& a) {   // 16
  model::GateRecord* g = a.vm.currentGate();
  if (!g) return;
  const bool neg = g->OutputCount && g->Outputs && (g->Outputs[0].Flags & 1);
  line(fmt(neg ? "Maske1: $800%1d" : "Maske1: $000%1d", int(g->InputCount)) + "\n");
  std::string m2 = "Maske2: %00000000";
  // Only the eight digits after '%' take input bits.
  for (unsigned i = 0; i < g->InputCount && i < 8; ++i)
    if (g->Inputs && (g->Inputs[i].Flags & 1)) m2[m2.size() - 1 - i] = '1';
  line(m2 + "\n");
}

void extraText(Args& a) {   // 97
  const std::int16_t offset = a.integer(0);
  const std::string s = a.text(1);
  const std::int16_t n = a.integer(2);
  model::GateInstance* inst = a.vm.currentInstance();
  model::GateRecord* g = a.vm.currentGate();
  if (!a.ok() || !inst || !inst->ExtraValues || n < 1 || offset < 0) return;
  const std::size_t slots = inst->ExtraSlotCount ? inst->ExtraSlotCount : (g ? g->ExtraCount : 0);
  const std::size_t bytes = slots * 8;
  if (std::size_t(offset) + std::size_t(n) > bytes) return;   // outside the extra values: refused
  char* dst = reinterpret_cast<char*>(inst->ExtraValues) + offset;
  const std::size_t len = std::min(s.size(), std::size_t(n));
  std::memcpy(dst, s.data(), len);
  if (len < std::size_t(n)) std::memset(dst + len, 0, std::size_t(n) - len);
}

struct ExtraFile {
  std::string name;
  std::FILE* stream = nullptr;
};
std::vector<ExtraFile> gExtraFiles;

void includeFile(Args& a) {   // 33
  const std::string name = a.text(0);
  if (!a.ok() || !gSink->mainOpen()) return;
  const std::string path = gSink->completePath(name);
  auto withPath = [&](int id) {
    std::string s = gSink->languageString(id);
    const std::size_t at = s.find("%s");
    if (at != std::string::npos) s.replace(at, 2, path);
    return s;
  };
  gSink->writeMain(withPath(102));
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) {
    gSink->writeMain(withPath(105));
  } else {
    char buf[100];
    for (;;) {
      const std::size_t n = std::fread(buf, 1, sizeof buf, f);
      if (n) gSink->writeMain(std::string(buf, n));
      if (n < sizeof buf) break;
    }
    if (std::ferror(f)) gSink->writeMain(withPath(104));
    std::fclose(f);
  }
  gSink->writeMain(withPath(103));
}

void extraFileLine(Args& a) {   // 76
  const std::string name = a.text(0, 300);
  const std::string text = a.text(1);
  if (!a.ok() || name.empty() || name.size() >= 255) return;
  for (ExtraFile& e : gExtraFiles)
    if (e.name == name) {
      if (e.stream) std::fputs(text.c_str(), e.stream);
      return;
    }
  ExtraFile e{name, std::fopen(name.c_str(), "w+")};
  if (e.stream) std::fputs(text.c_str(), e.stream);
  gExtraFiles.push_back(e);
}

void sequenceItem(Args& a, bool bit) {   // 69, 70
  std::uint16_t seq = 0, count = 0;
  if (!gSink->nextSequenceItem(bit, seq, count)) return;   // no sequence gate current: nothing
  a.setWord(0, seq);
  a.setWord(1, count);
}

void sequenceBit(Args& a) {   // 71 = 72
  const std::int16_t seq = a.integer(0), n = a.integer(1);
  int bitBase = 0;
  double trBase = 0;
  if (!a.ok() || seq < 0 || seq > 200 || n < 1 || !gSink->sequenceBases(seq, bitBase, trBase)) return;
  const long b = long(bitBase) + n - 1;
  a.setReal(2, double(b / 8));
  a.setReal(3, double(b % 8));
  a.setReal(4, trBase);
}

void sequenceLine(Args& a) {   // 73
  const std::uint16_t seq = a.word(0);
  const std::string s = a.text(1);
  if (!a.ok() || seq > 200) return;   // sequence numbers above 200 are ignored
  gSink->writeSequence(seq, s + "\n");
}

void sequenceBitSymbol(Args& a) {   // 74
  const std::uint16_t seq = a.word(0);
  const std::string name = a.text(2);
  const Addr ad = readAddr(a, 3);
  if (!a.ok() || seq > 200 || !ad.valid) return;
  if (ad.bit < 0 || ad.bit > 7) return;   // refused
  const char* n = name.c_str();
  std::string line;
  switch (ad.cls) {
  case 1: case 4: case 5: case 6: case 8: case 9:
    line = fmt("  %-6s  : %s%li.%i\n", n, kClassNames[ad.cls], ad.index, ad.bit);
    break;
  case 2: case 3: line = fmt("  %-6s  : %s%li.%i\n", n, kClassNames[ad.cls], ad.index - 1, ad.bit); break;
  case 10: case 11: line = fmt("  %-6s : %s%li.%i\n", n, kClassNames[ad.cls], ad.index, ad.bit); break;
  default: line = fmt("  %-6s : M0.0\n", n);
  }
  gSink->writeSequence(seq, line);
}

// Extern 108: the state values of the running gate's instance in the base
// document's own logics become those of the running instance.
void restoreStates(Vm& vm) {
  model::GateRecord* g = vm.currentGate();
  model::GateInstance* inst = vm.currentInstance();
  model::GateTypeRecord* t = model::subType(g);
  if (!g || g->Kind != model::kKindCompiled || !t || !inst || !inst->StateValues || !model::TemplateDocument) return;
  const std::size_t length = xt_VariableTableEnd(t);
  if (length == 0) return;
  for (model::ProjectModule* m = model::TemplateDocument->FirstModule; m; m = m->Next)
    for (model::LogicRecord* l = model::firstLogicOf(m); l; l = l->Next) {
      model::GateInstance* src = l->FirstInstance;
      for (model::GateRecord* x = l->FirstGate; x; x = x->Next, src = src ? src->Next : nullptr) {
        if (x != g || !src || src == inst || !src->StateValues) continue;
        // Never past either instance's own state slots.
        const std::size_t n = std::min({length, std::size_t(src->StateSlotCount) * 8,
                                        std::size_t(inst->StateSlotCount) * 8});
        std::memmove(inst->StateValues, src->StateValues, n);
        return;
      }
    }
}

} // namespace

std::size_t xt_VariableTableEnd(const model::GateTypeRecord* type) {
  if (!type || !type->VariableTable || type->VariableCount == 0) return 0;
  // Only entries that lie inside the table as it was read are used.
  const std::size_t bytes = modelfiles::mdl_VariableTableSize(type);
  const std::size_t last = std::size_t(type->VariableCount) - 1;
  if ((last + 1) * kVariableEntrySize > bytes) return 0;
  const auto* e = static_cast<const std::uint8_t*>(type->VariableTable) + last * kVariableEntrySize;
  const std::uint16_t kind = std::uint16_t(e[0] | e[1] << 8);
  const std::uint16_t count = std::uint16_t(e[2] | e[3] << 8);
  const std::uint32_t offset = std::uint32_t(e[4]) | std::uint32_t(e[5]) << 8 | std::uint32_t(e[6]) << 16 |
                               std::uint32_t(e[7]) << 24;
  std::size_t size = 0;
  switch (kind) {
  case 0: case 2: case 5: size = 8; break;
  case 1: size = 8 * std::size_t(count); break;
  case 3: size = std::min<std::size_t>(count, 40); break;
  case 4: size = 134; break;
  default: return 0;   // an unknown kind: nothing is restored
  }
  return std::size_t(offset) + size;
}

std::string TargetTextSink::languageString(int id) {
  switch (id) {
  case 102: return "; include %s\n";
  case 103: return "; end of include %s\n";
  case 104: return "; read error in %s\n";
  case 105: return "; cannot open %s\n";
  default: return "";
  }
}

void xt_CloseExtraFiles() {
  for (ExtraFile& e : gExtraFiles)
    if (e.stream) std::fclose(e.stream);
  gExtraFiles.clear();
}

bool xt_IsValid(std::int32_t number) {
  const bool valid = number >= 0 && number <= 122 && number != 11 && number != 77 && number != 107 &&
                     number != 113 && number != 119;
  if (!valid && !gInvalidShown) {
    gInvalidShown = true;
    engineServices().showMessage(50031);
  }
  return valid;
}

void xt_ResetInvalidFlag() { gInvalidShown = false; }
void xt_SetCallReason(std::uint16_t value) { gCallReason = value; }

TargetTextSink* setTargetTextSink(TargetTextSink* sink) {
  TargetTextSink* old = gSink == &gNoSink ? nullptr : gSink;
  gSink = sink ? sink : &gNoSink;
  return old;
}

ExternProgramState& externState() {
  static ExternProgramState s;
  return s;
}

bool xt_CallSlotExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock);
bool xt_CallLibraryExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock);
bool xt_CallOutsideExtern(std::int32_t number, Vm& vm, std::uint32_t argBlock);

void xt_Call(std::int32_t number, Vm& vm, std::uint32_t argBlock) {
  if (xt_CallSlotExtern(number, vm, argBlock)) return;
  if (xt_CallLibraryExtern(number, vm, argBlock)) return;
  if (xt_CallOutsideExtern(number, vm, argBlock)) return;
  Args a{vm, argBlock};
  ExternProgramState& st = externState();
  switch (number) {
  case 3: case 26: symbolLine(a); return;
  case 4: { const std::string s = a.text(0); if (a.ok()) line(s + "\n"); return; }
  case 5: case 6: initialValue(a, false); return;
  case 16: masks(a); return;
  case 23: case 24: {
    model::GateRecord* g = vm.currentGate();
    if (!g) return;
    a.setInt(0, std::int16_t(g->InputCount));
    if (model::GateTypeRecord* t = model::subType(g)) t->Height = std::int16_t(15 * g->InputCount - 10);
    return;
  }
  case 25: bitSymbolLine(a); return;
  case 27: initialValue(a, true); return;
  case 28: bitInitialValue(a); return;
  case 43: {
    const Addr ad = readAddr(a, 2);
    const std::string s = a.text(3);
    if (!a.ok() || !ad.valid) return;
    if (ad.cls == 12) line(fmt("#PT%li=\"%s\"\n", ad.index, s.c_str()));
    else if (ad.cls == 7) line(fmt("#DT%li=\"%s\"\n", ad.index, s.c_str()));
    return;
  }
  case 56: {
    const double c = a.real(0), i = a.real(1);
    if (!a.ok() || !std::isfinite(c) || !std::isfinite(i) || std::fabs(c) > 1e6 || i < 0 || i > 1e9) return;
    const int cls = int(c + 0.3);
    if (cls >= 1 && cls <= 12) line(fmt("#%s%li\n", kClassNames[cls], long(i)));
    return;
  }
  case 33: includeFile(a); return;
  case 69: sequenceItem(a, false); return;
  case 70: sequenceItem(a, true); return;
  case 71: case 72: sequenceBit(a); return;
  case 73: sequenceLine(a); return;
  case 74: sequenceBitSymbol(a); return;
  case 76: extraFileLine(a); return;
  case 92:
    a.setWord(0, st.repaintPending);
    a.setWord(1, st.printing);
    a.setWord(2, st.offscreenRedraw);
    return;
  case 109: a.setReal(0, st.targetWindow); return;
  case 110: a.setReal(0, st.frameWindow); return;
  case 111: a.setReal(0, st.clientWindow); return;
  case 112: a.setReal(0, st.activeWorksheet); return;
  case 118: st.clipFlag = a.word(0); return;
  case 62: a.setWord(0, st.interfaceDisplay); return;
  case 64: case 67: {
    std::string s;
    if (number == 64) s = fmt("%i", int(a.integer(0)));
    else {
      const double v = a.real(0);
      s = std::isfinite(v) && std::fabs(v) < 2e9 ? fmt("%i", int(v)) : "0";
    }
    const std::int16_t size = a.integer(2);
    if (a.ok()) a.setText(1, s, std::min<std::int32_t>(size, 100));
    return;
  }
  case 68: {
    const std::uint16_t n = a.word(0);
    const std::uint32_t bit = 1u << (n % 32);
    if (!a.ok() || bit > 0xFFFF) return;
    for (model::GateTypeRecord* t = model::firstTypeOf(vm.lastLinked()); t; t = t->Next)
      t->Flags = std::uint16_t(t->Flags | bit);
    return;
  }
  case 75: a.setWord(0, !st.kind3Window ? 1 : st.onlineMode ? 3 : 2); return;
  case 78: {
    const std::int16_t size = a.integer(1);
    const std::string s = st.projectDir + "\\" + st.projectName;
    if (!a.ok() || size < 1) return;
    a.setText(0, std::int32_t(s.size()) <= size - 1 ? s : std::string(), size);
    return;
  }
  case 81: { a.setWord(0, 0); const std::int16_t size = a.integer(2); if (a.ok()) a.setText(1, "", size); return; }
  case 83: case 84: {
    const std::int32_t v = a.longValue(0);
    const std::int16_t size = a.integer(2);
    if (a.ok()) a.setText(1, fmt("%lX", static_cast<unsigned long>(std::uint32_t(v))), size);
    return;
  }
  case 89: case 90: {
    model::GateRecord* g = vm.currentGate();
    if (!g) return;
    a.setInt(0, g->X);
    a.setInt(1, g->Y);
    return;
  }
  case 91: {
    const std::int16_t x = a.integer(0), y = a.integer(1);
    if (!a.ok()) return;
    a.setInt(2, std::int16_t(st.originX - x));
    a.setInt(3, std::int16_t(st.originY - y));
    return;
  }
  case 94: a.setWord(0, st.multipleUseWindow ? 1 : 0); return;
  case 95: case 96: {
    const std::string s = a.text(1);
    const std::int16_t n = a.integer(2);
    if (!a.ok() || n < 1) return;
    a.setText(0, s, n + 1);
    return;
  }
  case 97: extraText(a); return;
  case 98: case 99: {
    model::GateInstance* inst = vm.currentInstance();
    model::GateRecord* g = vm.currentGate();
    const std::size_t slots = inst ? (inst->ExtraSlotCount ? inst->ExtraSlotCount : (g ? g->ExtraCount : 0)) : 0;
    if (!inst || !inst->ExtraValues || slots == 0) return;   // no extra values: refused
    if (number == 98) {
      const double v = a.real(0);
      if (a.ok()) inst->ExtraValues[0] = v;
    } else {
      const std::int16_t v = a.integer(0);
      if (a.ok()) std::memcpy(inst->ExtraValues, &v, 2);
    }
    return;
  }
  case 105: a.setWord(0, 1); return;
  case 106: a.setWord(0, gCallReason); return;
  case 108: restoreStates(vm); return;
  case 117: a.setReal(0, double(disp::gdi_GetZoom())); return;
  case 120: a.setWord(0, st.openWorksheets); return;
  default: return;   // no-op entries and the families not carried here
  }
}

} // namespace engine
