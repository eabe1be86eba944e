// GateScript text: the tokeniser and the writers.
#include "editor/gatescript.h"

#include "display/gatedraw.h"
#include "engine/params.h"
#include "model/gatekinds.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace editor {

using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

namespace {

// A fixed-width name field up to its NUL, trailing blanks dropped.
std::string fieldText(const char* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n]) ++n;
  while (n > 0 && field[n - 1] == ' ') --n;
  return std::string(field, n);
}

} // namespace

std::string scr_NoBlanks(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s)
    if (c != ' ') r.push_back(c);
  return r;
}

model::ProjectModule* scr_ModuleOfLogic(const LogicRecord* logic) {
  model::DocumentRecord* d = model::CurrentDocument;
  for (model::ProjectModule* m = d ? d->FirstModule : nullptr; m; m = m->Next)
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      if (l == logic) return m;
  return nullptr;
}

// ---- tokenising ----

bool scr_SplitHead(std::string_view line, ScriptHead& head) {
  head = ScriptHead{};
  std::size_t paren = line.find('(');
  if (paren == std::string_view::npos || paren >= kScriptHeadLimit) return false;
  std::string_view h = line.substr(0, paren);
  std::size_t eq = h.find('=');
  if (eq != std::string_view::npos) {
    head.name = scr_NoBlanks(h.substr(0, eq));
    head.word = scr_NoBlanks(h.substr(eq + 1));
  } else {
    head.word = scr_NoBlanks(h);
  }
  head.args = paren + 1;
  return true;
}

std::string scr_Token(std::string_view line, std::size_t& pos, char delimiter) {
  if (pos > line.size()) pos = line.size();
  std::size_t at = line.find(delimiter, pos);
  if (at == std::string_view::npos) return std::string(line.substr(pos));
  std::string token = scr_NoBlanks(line.substr(pos, at - pos));
  pos = at + 1;
  return token;
}

std::string scr_RestToken(std::string_view line, std::size_t pos, std::size_t cut) {
  if (pos >= line.size()) return {};
  std::string_view rest = line.substr(pos);
  if (rest.size() <= cut) return {};
  return std::string(rest.substr(0, rest.size() - cut));
}

int scr_Number(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r' || t[i] == '\v' ||
                          t[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  long long v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    v = v * 10 + (t[i] - '0');
    if (v > 0x80000000LL) v = 0x80000000LL;
  }
  if (negative) v = -v;
  if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
  return int(v);
}

double scr_Real(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  if (i < t.size() && t[i] == '+') ++i;
  double v = 0;
  auto r = std::from_chars(t.data() + i, t.data() + t.size(), v, std::chars_format::general);
  return r.ec == std::errc() ? v : 0.0;
}

std::string scr_FormatReal(double value) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (r.ec != std::errc()) return "0.000000";
  return std::string(buf, r.ptr);
}

std::string scr_LogicBaseName(const LogicRecord* logic) {
  if (!logic) return {};
  std::size_t n = 0;
  while (n < 16 && logic->Name[n] && logic->Name[n] != ' ') ++n;
  return std::string(logic->Name, n);
}

std::string scr_PinName(const GateRecord* g, unsigned pin, bool input) {
  if (!g || pin == 0) return {};
  switch (g->Kind) {
  case model::kKindOutput: return input ? "T0" : std::string();
  case model::kKindDisableLogic: return input ? "I" : std::string();
  case model::kKindInput: return input ? std::string() : "SI";
  case model::kKindCall: case model::kKindCompiled: case model::kKindCompiledNative:
    return disp::gd_PinLabel(g, pin, input).substr(0, 8);
  default: return {};
  }
}

// ---- writers ----

namespace {

void put(ScriptBuffer* b, const std::string& s) { clip_AppendLine(b, s.c_str()); }

std::string num(long v) { return std::to_string(v); }
std::string gname(const GateRecord* g) { return "GATE" + num(g->GateNumber); }

bool isFirstModule(const model::ProjectModule* m) {
  return m && model::CurrentDocument && model::CurrentDocument->FirstModule == m;
}

// Library and type words of a gate; false for kinds that are not written.
// mainForm: the library is the project's own module ("MAIN::" form).
bool libraryOf(const GateRecord* g, std::string& library, std::string& type, bool& mainForm) {
  mainForm = false;
  switch (g->Kind) {
  case model::kKindCall: {
    const LogicRecord* sub = model::subLogic(g);
    if (!sub) return false;
    model::ProjectModule* m = scr_ModuleOfLogic(sub);
    type = fieldText(sub->Name, 16);
    if (!m) {
      library = "UNDEF";
    } else {
      library = fieldText(m->Name, 12);
      mainForm = isFirstModule(m);
    }
    return true;
  }
  case model::kKindInput: library = "%STD"; type = "Input"; return true;
  case model::kKindOutput: library = "%STD"; type = "Output"; return true;
  case model::kKindText: library = "%STD"; type = "Text"; return true;
  case model::kKindDisableLogic: library = "%STD"; type = "Enable-SB"; return true;
  case model::kKindCompiled: {
    const model::GateTypeRecord* t = model::subType(g);
    if (!t) return false;
    library = t->Module ? fieldText(t->Module->Name, 12) : std::string("UNDEF");
    type = fieldText(t->Name, 16);
    return true;
  }
  default: return false;
  }
}

std::string addLine(const char* verb, const GateRecord* g, const std::string& library, const std::string& type,
                    bool mainForm, int x, int y) {
  return gname(g) + " = " + verb + "(" + (mainForm ? "MAIN::" : "") + library + "," + type + "," + num(x) + "," +
         num(y);
}

bool isAndOr(const GateRecord* g) {
  const model::GateTypeRecord* t = model::subType(g);
  if (!t) return false;
  std::string n = fieldText(t->Name, 16);
  return n == "AND" || n == "OR";
}

void writeText(ScriptBuffer* b, const GateRecord* g) {
  if (g->ExtraCount <= 1) return;
  int height = 0;
  std::string text = model::gt_GateText(g, &height);
  put(b, "setText(" + gname(g) + "," + num(height) + "," + text + ");\n");
}

void writeLabel(ScriptBuffer* b, const GateRecord* g) {
  if (g->ExtraCount <= 1) return;
  put(b, "setIOLabel(" + gname(g) + "," + model::gt_PortName(g) + ");\n");
}

// setPara lines of a module gate from its parameter block.
void writeParams(ScriptBuffer* b, const GateRecord* g, const GateInstance* inst) {
  const model::GateTypeRecord* t = model::subType(g);
  if (!t || !t->ParamFields) return;
  const double* values = inst && inst->ExtraValues ? inst->ExtraValues : g->Extra;
  std::size_t bytes = inst && inst->ExtraValues && inst->ExtraSlotCount ? std::size_t(inst->ExtraSlotCount) * 8
                                                                          : std::size_t(g->ExtraCount) * 8;
  if (!values) return;
  const auto* raw = static_cast<const std::uint8_t*>(t->ParamFields);
  const auto* block = reinterpret_cast<const std::uint8_t*>(values);
  for (std::size_t i = 0; i < t->ParamFieldCount; ++i) {
    engine::ParamFieldDescriptor d = engine::pf_DecodeField(raw + i * engine::kParamFieldSize);
    std::string word, value;
    if (d.type == 1 && d.offset + 8u <= bytes) {
      double v;
      std::memcpy(&v, block + d.offset, 8);
      word = "REAL";
      value = scr_FormatReal(v);
    } else if (d.type == 2 && d.offset + 2u <= bytes) {
      std::int16_t v;
      std::memcpy(&v, block + d.offset, 2);
      word = "INTEGER";
      value = num(v);
    } else if (d.type == 3) {
      std::size_t size = std::min<std::size_t>(d.count, 40);
      if (d.offset + size > bytes) continue;
      const char* p = reinterpret_cast<const char*>(block + d.offset);
      value.assign(p, strnlen(p, size));
      word = "TEXT";
    } else {
      continue;
    }
    put(b, "setPara(" + gname(g) + "," + num(long(i) + 1) + ",\"" + d.prompt + "\"," + word + ",\"" + value +
               "\");\n");
  }
}

void writeInversions(ScriptBuffer* b, const GateRecord* g) {
  for (unsigned i = 0; i < g->InputCount; ++i)
    if (g->Inputs[i].Flags & model::kPinNegated)
      put(b, "invertInput(" + gname(g) + "," + scr_PinName(g, i + 1, true) + ");\n");
  for (unsigned i = 0; i < g->OutputCount; ++i)
    if (g->Outputs[i].Flags & model::kPinNegated)
      put(b, "invertOutput(" + gname(g) + "," + scr_PinName(g, i + 1, false) + ");\n");
}

void writeConnection(ScriptBuffer* b, const GateRecord* g, unsigned i) {
  const model::InputPin& p = g->Inputs[i];
  put(b, "connectInput(" + gname(g) + "," + scr_PinName(g, i + 1, true) + "," + gname(p.Source) + "," +
             scr_PinName(p.Source, p.SourcePin, false) + ");\n");
}

} // namespace

void scr_AppendCopy(ScriptBuffer* b, int windowKind, GateRecord* first, GateInstance* instances) {
  int minX = 99999, minY = 99999;
  for (GateRecord* g = first; g; g = g->Next) {
    minX = std::min<int>(minX, g->X);
    minY = std::min<int>(minY, g->Y);
  }
  put(b, "WindowType(" + num(windowKind) + ");\n");
  GateInstance* inst = instances;
  for (GateRecord* g = first; g; g = g->Next, inst = inst ? inst->Next : nullptr) {
    std::string library, type;
    bool mainForm = false;
    if (libraryOf(g, library, type, mainForm)) {
      std::string line = addLine("addGate", g, library, type, mainForm, g->X - minX, g->Y - minY);
      switch (g->Kind) {
      case model::kKindInput: case model::kKindOutput:
        put(b, line + "," + num(g->VectorDimension) + ");\n");
        writeLabel(b, g);
        break;
      case model::kKindText:
        put(b, line + ",-1);\n");
        writeText(b, g);
        break;
      default:
        put(b, line + ");\n");
        if (g->Kind == model::kKindCompiled) {
          if (isAndOr(g)) put(b, "setINo(" + gname(g) + "," + num(g->InputCount) + ");\n");
          writeParams(b, g, inst);
        }
        break;
      }
    }
    writeInversions(b, g);
  }
  for (GateRecord* g = first; g; g = g->Next)
    for (unsigned i = 0; i < g->InputCount; ++i)
      if (g->Inputs[i].Source) writeConnection(b, g, i);
}

int scr_WriteSelection(WorksheetWindowData* window, GateRecord* first, GateInstance* instances) {
  ScriptBuffer* b = clip_OpenBuffer(0, kCarrierClipboard);
  if (!b) return 0;
  scr_AppendCopy(b, window ? window->kind : 0, first, instances);
  return clip_CloseBuffer(b);
}

ScriptBuffer* scr_OpenWriter() { return clip_OpenBuffer(0, kCarrierInternal); }

int scr_CloseWriter(ScriptBuffer* b) { return clip_CloseBuffer(b); }

void scr_WriteSelectLogic(ScriptBuffer* b, WorksheetWindowData*, const char* logicName) {
  std::string name = logicName ? std::string(logicName, strnlen(logicName, 16)) : std::string();
  put(b, "selectLogic(" + scr_NoBlanks(name) + ");\n");
}

namespace {

void writeReference(ScriptBuffer* b, int windowKind, LogicRecord* logic, const void* S, const GateRecord* G,
                    const std::string& library, const std::string& type, int creation) {
  put(b, "WindowType(" + num(windowKind) + ");\n");
  auto recreated = [&](const GateRecord* g) {
    if (G) return g == G;
    return S && g->Sub == S && (g->Kind == model::kKindCall || g->Kind >= model::kKindCompiled);
  };
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    std::string ownLib, ownType;
    bool mainForm = false;
    bool known = libraryOf(g, ownLib, ownType, mainForm);
    if (recreated(g)) {
      bool std = library == "%STD";
      std::string line = gname(g) + " = addGate(" + library + "," + type + "," + num(g->X) + "," + num(g->Y);
      if (g->Kind == model::kKindCall && mainForm && !std)
        line = gname(g) + " = addGate(MAIN::" + library + "," + type + "," + num(g->X) + "," + num(g->Y);
      switch (g->Kind) {
      case model::kKindText:
        put(b, line + ",-1);\n");
        writeText(b, g);
        break;
      case model::kKindInput: case model::kKindOutput: case model::kKindCompiled:
        put(b, std ? line + "," + num(creation) + ");\n" : line + ");\n");
        if (g->Kind == model::kKindCompiled && isAndOr(g))
          put(b, "setINo(" + gname(g) + "," + num(g->InputCount) + ");\n");
        break;
      default:
        put(b, (std && g->Kind != model::kKindCall && g->Kind != model::kKindDisableLogic
                    ? line + "," + num(creation) + ");\n"
                    : line + ");\n"));
        break;
      }
      writeInversions(b, g);
      continue;
    }
    if (!known || g->Kind == model::kKindText) continue;
    std::string line = addLine("refGate", g, ownLib, ownType, mainForm, g->X, g->Y);
    if (g->Kind == model::kKindInput || g->Kind == model::kKindOutput)
      put(b, line + "," + num(g->VectorDimension) + ");\n");
    else
      put(b, line + ");\n");
  }
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; i < g->InputCount; ++i)
      if (g->Inputs[i].Source && (recreated(g) || recreated(g->Inputs[i].Source))) writeConnection(b, g, i);
}

} // namespace

void scr_WriteRefSelection(ScriptBuffer* b, int windowKind, LogicRecord* logic, const void* S,
                           const std::string& library, const std::string& type, int creation) {
  if (logic) writeReference(b, windowKind, logic, S, nullptr, library, type, creation);
}

void scr_WriteRefSelectionB(ScriptBuffer* b, int windowKind, LogicRecord* logic, const GateRecord* G,
                            const std::string& library, const std::string& type, int creation) {
  if (logic && G) writeReference(b, windowKind, logic, nullptr, G, library, type, creation);
}

} // namespace editor
