// The GateScript interpreter, its window-kind check and paste pre-check, and
// the plain library gate insertion that stands in until the gesture code
// installs its own.
#include "editor/gatescript.h"
#include "editor/gatecmd.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "engine/params.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/memory.h"
#include "model/wires.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

namespace editor {

using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

namespace {

LibraryGateInserter gInserter = scr_PlainLibraryInsert;
GateRecord* gLastCreated = nullptr;

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool inLogic(const LogicRecord* logic, const GateRecord* gate) {
  for (const GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next)
    if (g == gate) return true;
  return false;
}

std::string logicNameNoBlanks(const LogicRecord* l) {
  return l ? scr_NoBlanks(std::string_view(l->Name, strnlen(l->Name, 16))) : std::string();
}

// Reads every line of an open buffer; fn gets each (without its line feed).
template <class F> void forEachLine(ScriptBuffer* b, F fn) {
  std::vector<char> room(kScriptLineRoom);
  for (;;) {
    int n = clip_ReadLine(b, room.size(), room.data());
    if (n <= 0) break;
    if (!fn(std::string_view(room.data(), std::size_t(n - 1)))) break;
  }
}

} // namespace

LibraryGateInserter scr_SetLibraryGateInserter(LibraryGateInserter inserter) {
  LibraryGateInserter old = gInserter;
  gInserter = inserter ? inserter : scr_PlainLibraryInsert;
  return old;
}

GateRecord* scr_PlainLibraryInsert(LogicRecord* logic, const std::string& library, const std::string& type, int x,
                                   int y, int creation) {
  if (!logic) return nullptr;
  std::uint8_t kind = 0;
  void* ref = nullptr;
  if (library == "%STD" && type == "Enable-SB") {
    kind = model::kKindDisableLogic;
  } else if (!model::gt_FindStdModule(library.c_str(), type.c_str(), logic, kind, ref)) {
    return nullptr;
  }
  model::CreateParams p;
  p.kind = kind;
  int dim = creation < 1 ? 1 : creation;
  if (!model::gt_AskCreateParamsDim(p, ref, nullptr, std::uint16_t(std::min(dim, 64)))) return nullptr;
  std::uint16_t seq = 0;
  GateRecord* gate = nullptr;
  GateInstance* inst = nullptr;
  if (!model::ge_CreateGate(logic, model::gateSpecFrom(p, ref, nullptr, x, y), seq, gate, inst)) return nullptr;
  if (model::CurrentDocument && gate) {
    model::CurrentDocument->CurrentGate = gate;
    model::CurrentDocument->CurrentInstance = inst;
  }
  return gate;
}

GateRecord* scr_LastCreatedGate() { return gLastCreated; }

void scr_PinPoint(GateRecord* g, unsigned pin, bool input, int& x, int& y) {
  std::int16_t px = 0, py = 0;
  std::uint16_t side = 0;
  if (input) model::gg_InputPinPos(g, pin, px, py, side);
  else model::gg_OutputPinPos(g, pin, px, py, side);
  x = g->X + px;
  y = g->Y + py;
  bool negated = input ? (g->Inputs[pin - 1].Flags & model::kPinNegated) : (g->Outputs[pin - 1].Flags & model::kPinNegated);
  if (!negated) return;
  int d = input ? 3 : 2;
  switch (side) {
  case model::kSideRight: x += d; break;
  case model::kSideLeft: x -= d; break;
  case model::kSideBottom: y += d; break;
  case model::kSideTop: y -= d; break;
  default: break;
  }
}

bool scr_LayWire(LogicRecord* logic, GateRecord* dest, unsigned in, GateRecord* src, unsigned out) {
  int ix, iy, ox, oy;
  scr_PinPoint(dest, in, true, ix, iy);
  scr_PinPoint(src, out, false, ox, oy);
  model::WirePoint* wire = nullptr;
  model::WirePoint* end = nullptr;
  if (!model::mm_New(wire)) return false;
  if (!model::mm_New(end)) {
    model::mm_Delete(wire);
    return false;
  }
  wire->X = model::clamp16(ox);
  wire->Y = model::clamp16(oy);
  wire->Next = end;
  end->X = model::clamp16(ix);
  end->Y = model::clamp16(iy);
  if (model::ge_ConnectGates(logic, dest, in, src, out, nullptr, wire)) return true;
  model::ge_FreeWirePoints(wire);
  return false;
}

// The text store of the gate commands, with the script's line limit.
bool scr_SetTextBlock(LogicRecord* logic, GateRecord* g, int height, const std::string& text) {
  return scr_SetTextGateText(g, height, text.substr(0, kScriptLineRoom), logic);
}

// ---- window kind and pre-check ----

namespace {

bool kindSuits(int scriptKind, int windowKind) {
  if (scriptKind == 0) return windowKind == 0;
  if (scriptKind == 1 || scriptKind == 2) return windowKind != 0;
  return true;
}

} // namespace

int scr_CheckWindowType(WorksheetWindowData* window, int source) {
  ScriptBuffer* b = clip_OpenBuffer(1, source == kScriptInternal ? kCarrierInternal : kCarrierClipboard);
  if (!b) return 0;
  int answer = 0;
  forEachLine(b, [&](std::string_view line) {
    ScriptHead head;
    if (!scr_SplitHead(line, head) || head.word != "WindowType") return true;
    std::size_t pos = head.args;
    int kind = scr_Number(scr_Token(line, pos, ')'));
    answer = kindSuits(kind, window ? window->kind : 0) ? 0 : 9;
    return false;
  });
  clip_CloseBuffer(b);
  return answer;
}

int scr_PastePrecheck(WorksheetWindowData* window, EngineEvent*, int, int, int source) {
  if (scr_CheckWindowType(window, source) == 9) return 0;
  model::DocumentRecord* saved = model::CurrentDocument;
  if (window && window->document) model::CurrentDocument = window->document;
  bool isMain = logicNameNoBlanks(currentLevelLogic()) == "$MAIN";
  model::CurrentDocument = saved;
  ScriptBuffer* b = clip_OpenBuffer(1, source == kScriptInternal ? kCarrierInternal : kCarrierClipboard);
  if (!b) return 0;
  int answer = 0;
  forEachLine(b, [&](std::string_view line) {
    ScriptHead head;
    if (!scr_SplitHead(line, head) || head.word != "addGate") return true;
    std::size_t pos = head.args;
    std::string library = scr_Token(line, pos, ',');
    std::string type = scr_Token(line, pos, ',');
    if (library == "%STD" && (type == "Input" || type == "Output") && !isMain) {
      answer = 1;
      return false;
    }
    return true;
  });
  clip_CloseBuffer(b);
  return answer;
}

// ---- the interpreter ----

namespace {

struct Run {
  model::DocumentRecord* doc = nullptr;
  LogicRecord* logic = nullptr;
  int dx = 0, dy = 0;
  int source = 0;
  std::string ownModule;
  std::vector<std::pair<std::string, GateRecord*>> names;   // searched from the back

  GateRecord* find(const std::string& name) const {
    for (auto it = names.rbegin(); it != names.rend(); ++it)
      if (it->first == name) return it->second;
    return nullptr;
  }
  // After gates were deleted anywhere: the names of gates that are gone are dropped.
  void purge() {
    std::unordered_set<const GateRecord*> live;
    for (model::ProjectModule* m = doc ? doc->FirstModule : nullptr; m; m = m->Next)
      for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
        for (GateRecord* g = l->FirstGate; g; g = g->Next) live.insert(g);
    std::erase_if(names, [&](const auto& e) { return !live.count(e.second); });
    if (gLastCreated && !live.count(gLastCreated)) gLastCreated = nullptr;
  }
  void enter(const std::string& name, GateRecord* g) {
    g->Selected = 1;
    g->HeldSelected = 1;
    names.emplace_back(name, g);
  }
};

bool hasModule(const model::DocumentRecord* d, const std::string& name) {
  std::string want = upper(name.substr(0, 12));
  for (model::ProjectModule* m = d ? d->FirstModule : nullptr; m; m = m->Next)
    if (upper(std::string(m->Name, strnlen(m->Name, 12))) == want) return true;
  return false;
}

// "MAIN::NAME" becomes "NAME"; true when it was cut.
bool cutMain(std::string& library) {
  if (library.find("MAIN::") == std::string::npos) return false;
  std::size_t colon = library.find(':');
  library = colon + 2 <= library.size() ? library.substr(colon + 2) : std::string();
  return true;
}

unsigned pinByName(const GateRecord* g, const std::string& name, bool input) {
  if (!g) return 0;
  const unsigned k = g->Kind;
  if (input && (k == model::kKindInput || k == model::kKindOutput || k == model::kKindDisableLogic))
    return g->InputCount >= 1 ? 1 : 0;
  if (!input && (k == model::kKindInput || k == model::kKindOutput)) return g->OutputCount >= 1 ? 1 : 0;
  unsigned count = input ? g->InputCount : g->OutputCount;
  for (unsigned i = 1; i <= count; ++i)
    if (scr_PinName(g, i, input) == name) return i;
  return 0;
}

void doConnect(Run& r, std::string_view line, std::size_t pos) {
  std::string dn = scr_Token(line, pos, ',');
  std::string dp = scr_Token(line, pos, ',');
  std::string sn = scr_Token(line, pos, ',');
  std::string sp = scr_Token(line, pos, ')');
  GateRecord* dest = r.find(dn);
  GateRecord* src = r.find(sn);
  if (!dest || !src || !inLogic(r.logic, dest) || !inLogic(r.logic, src)) return;
  unsigned in = pinByName(dest, dp, true), out = pinByName(src, sp, false);
  if (!in || !out) return;
  if (!scr_LayWire(r.logic, dest, in, src, out)) return;
  model::InputPin& pin = dest->Inputs[in - 1];
  if (ctx().routeHook && model::shell().blk_GetRouteOptions().onoff) ctx().routeHook(pin.Wire, 1, 1);
}

// setPara: the index-th field of the type's parameter descriptors.
void doParam(Run& r, std::string_view line, std::size_t pos) {
  std::string gn = scr_Token(line, pos, ',');
  int index = scr_Number(scr_Token(line, pos, ','));
  scr_Token(line, pos, '"');
  scr_Token(line, pos, '"');
  scr_Token(line, pos, ',');
  std::string word = scr_Token(line, pos, ',');
  scr_Token(line, pos, '"');
  std::string value = scr_RestToken(line, pos, 3);
  GateRecord* g = r.find(gn);
  if (!g || g->Kind != model::kKindCompiled) return;
  const model::GateTypeRecord* t = model::subType(g);
  if (!t || !t->ParamFields || index < 1 || index > t->ParamFieldCount) return;
  engine::ParamFieldDescriptor d = engine::pf_DecodeField(static_cast<const std::uint8_t*>(t->ParamFields) +
                                                          std::size_t(index - 1) * engine::kParamFieldSize);
  LogicRecord* owner = inLogic(r.logic, g) ? r.logic : model::ge_LogicOfGate(g);
  auto write = [&](double* values, std::size_t rows) {
    if (!values) return;
    auto* at = reinterpret_cast<std::uint8_t*>(values);
    std::size_t bytes = rows * 8;
    if (word == "TEXT") {
      std::size_t size = std::min<std::size_t>(d.count, 40);
      if (d.offset + size > bytes) return;
      std::memset(at + d.offset, 0, size);
      std::memcpy(at + d.offset, value.data(), std::min(size, value.size()));
    } else if (word == "INTEGER") {
      if (d.offset + 2u > bytes) return;
      std::uint16_t v = std::uint16_t(std::uint32_t(scr_Number(value)) & 0xFFFF);
      std::memcpy(at + d.offset, &v, 2);
    } else if (word == "REAL") {
      if (d.offset + 8u > bytes) return;
      double v = scr_Real(value);
      std::memcpy(at + d.offset, &v, 8);
    }
  };
  write(g->Extra, g->ExtraCount);
  if (owner)
    model::inst_ForEachList(owner, [&](GateInstance*& head) {
      if (GateInstance* gi = model::inst_Parallel(owner, head, g))
        if (gi->ExtraValues != g->Extra) write(gi->ExtraValues, gi->ExtraSlotCount);
    });
}

void doAddGate(Run& r, const ScriptHead& head, std::string_view line, bool reference) {
  std::size_t pos = head.args;
  std::string library = scr_Token(line, pos, ',');
  std::string type = scr_Token(line, pos, ',');
  int x = scr_Number(scr_Token(line, pos, ','));
  int y = 0, fifth = -1;
  bool cut = cutMain(library);
  if (library == "%STD") {
    y = scr_Number(scr_Token(line, pos, ','));
    fifth = scr_Number(scr_Token(line, pos, ')'));
  } else {
    y = scr_Number(scr_Token(line, pos, ')'));
  }
  if (reference) {
    GateRecord* g = nullptr;
    int ordinal = 0;
    if (model::gg_GateAtPoint(r.logic, x, y, g, ordinal) && g) r.enter(head.name, g);
    return;
  }
  if (cut && r.source == kScriptClipboard && !hasModule(r.doc, library) && !r.ownModule.empty())
    library = r.ownModule;
  bool port = library == "%STD" && (type == "Input" || type == "Output");
  bool textInstead = false;
  std::string logicName = logicNameNoBlanks(r.logic);
  if (port) {
    if (logicName == "$MAIN") return;
    if (logicName == "%PasteBuffer" && r.doc && logicNameNoBlanks(r.doc->SimLogic) == "$MAIN") {
      textInstead = true;
      type = "Text";
      fifth = -1;
    }
  }
  int creation = library == "%STD" ? fifth : -1;
  auto at = [](int v, int offset) { return int(model::clamp16(int(std::clamp<long long>(0LL + v + offset, -32768, 32767)))); };
  GateRecord* g = gInserter(r.logic, library, type, at(x, r.dx), at(y, r.dy), creation);
  if (!g || !inLogic(r.logic, g)) return;
  gLastCreated = g;
  if (textInstead) scr_SetTextBlock(r.logic, g, 16, "   ");
  r.enter(head.name, g);
  if (logicName.size() && logicName[0] == '$' && g->Kind == model::kKindCompiled) {
    std::uint16_t n = 1;
    model::ge_InsertInOrder(r.logic, g, n);
  }
}

LogicRecord* findFirstModuleLogic(const model::DocumentRecord* d, const std::string& name) {
  model::ProjectModule* m = d ? d->FirstModule : nullptr;
  for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
    if (scr_LogicBaseName(l) == name) return l;
  return nullptr;
}

void runStatement(Run& r, std::string_view line) {
  ScriptHead head;
  if (line.empty() || !scr_SplitHead(line, head)) return;
  std::size_t pos = head.args;
  const std::string& w = head.word;
  if (w == "addGate" || w == "refGate") {
    doAddGate(r, head, line, w == "refGate");
  } else if (w == "selectLogic") {
    if (LogicRecord* l = findFirstModuleLogic(r.doc, scr_Token(line, pos, ')'))) r.logic = l;
  } else if (w == "connectInput") {
    doConnect(r, line, pos);
  } else if (w == "setText") {
    GateRecord* g = r.find(scr_Token(line, pos, ','));
    int height = scr_Number(scr_Token(line, pos, ','));
    std::string text = scr_RestToken(line, pos, 2);
    if (g && g->Kind == model::kKindText) scr_SetTextBlock(model::ge_LogicOfGate(g), g, height, text);
  } else if (w == "setIOLabel") {
    std::string gn = scr_Token(line, pos, ',');
    std::string label = scr_RestToken(line, pos, 2);
    model::ge_DeleteLogicCalls(r.logic);
    r.purge();
    GateRecord* g = r.find(gn);
    if (g && (g->Kind == model::kKindInput || g->Kind == model::kKindOutput))
      model::gt_SetPortName(model::ge_LogicOfGate(g), g, label);
  } else if (w == "invertInput" || w == "invertOutput") {
    bool input = w == "invertInput";
    GateRecord* g = r.find(scr_Token(line, pos, ','));
    unsigned pin = pinByName(g, scr_Token(line, pos, ')'), input);
    if (g && pin) model::ge_NegatePin(model::ge_LogicOfGate(g), g, pin, input);
  } else if (w == "setINo") {
    // The input count of a module gate follows its type's pin rows, which
    // creation gave it; a different count is skipped.
    scr_Token(line, pos, ',');
    scr_Token(line, pos, ')');
  } else if (w == "setPara") {
    doParam(r, line, pos);
  }
  // setGPara: gate types here carry one parameter descriptor list, so a
  // second-list index is always outside it and the statement is skipped.
}

} // namespace

int scr_Execute(WorksheetWindowData* window, EngineEvent*, int x, int y, int source) {
  if (scr_CheckWindowType(window, source) == 9) return 9;
  if (window && window->document) model::CurrentDocument = window->document;
  Run r;
  r.doc = model::CurrentDocument;
  r.logic = currentLevelLogic();
  r.dx = x;
  r.dy = y;
  r.source = source;
  gLastCreated = nullptr;
  if (!r.doc || !r.logic) return 9;
  for (model::ProjectModule* m = r.doc->FirstModule; m; m = m->Next) {
    std::string n(m->Name, strnlen(m->Name, 12));
    if (upper(n).find(".MDL") != std::string::npos) {
      r.ownModule = n;
      break;
    }
  }
  ScriptBuffer* b = clip_OpenBuffer(1, source == kScriptInternal ? kCarrierInternal : kCarrierClipboard);
  if (!b) return 9;
  forEachLine(b, [&](std::string_view line) {
    runStatement(r, line);
    if (r.doc->MacroLevel >= 1 && r.doc->MacroLevel <= model::kMaxMacroLevel &&
        r.doc->LevelLogics[r.doc->MacroLevel])
      r.doc->LevelInstances[r.doc->MacroLevel] = r.doc->LevelLogics[r.doc->MacroLevel]->FirstInstance;
    return true;
  });
  clip_CloseBuffer(b);
  host().requestRedraw();
  return r.names.empty() ? 9 : 0;
}

} // namespace editor
