// Gate commands: placing, inserting, adding, removing, renumbering and
// re-placing gates, and the text store of Text gates.
#include "editor/gatecmd.h"

#include "editor/context.h"
#include "editor/hooks.h"
#include "editor/ws.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/services.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace editor {

using model::CreateParams;
using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

int scrollX() { return model::CurrentDocument ? model::CurrentDocument->ScrollX : 0; }
int scrollY() { return model::CurrentDocument ? model::CurrentDocument->ScrollY : 0; }

// The instance list of the shown level follows the logic's list (its head
// changes when a gate is put first).
void refreshLevelInstances() {
  DocumentRecord* d = model::CurrentDocument;
  if (d && d->MacroLevel == 1 && d->LevelLogics[1]) d->LevelInstances[1] = d->LevelLogics[1]->FirstInstance;
}

model::KindBox boxOf(const CreateParams& p, void* sub) {
  std::uint16_t w0 = 0, w1 = 0;
  std::memcpy(&w0, p.block.data(), 2);
  std::memcpy(&w1, p.block.data() + 2, 2);
  model::KindBox box = model::gg_KindBoxSize(p.kind, p.inputCount, p.outputCount, p.inputType, p.outputType, w0, w1);
  if (p.kind == model::kKindCall && sub) {
    auto* l = static_cast<LogicRecord*>(sub);
    box.w = l->Width;
    box.h = l->Height;
  } else if ((p.kind == model::kKindCompiled || p.kind == model::kKindCompiledNative) && sub) {
    auto* t = static_cast<model::GateTypeRecord*>(sub);
    box.w = t->Width;
    box.h = t->Height;
  }
  return box;
}

GateRecord* gateUnder(LogicRecord* logic, int x, int y, int* ordinal = nullptr) {
  GateRecord* g = nullptr;
  int ord = 0;
  if (!logic || !model::gg_GateAtPoint(logic, x, y, g, ord)) return nullptr;
  if (ordinal) *ordinal = ord;
  return g;
}

// The pin that decides a port gate's colour: an Input's output, an Output's input.
model::PinSignalType* portPinType(GateRecord* g) {
  if (g->Kind == model::kKindInput && g->Outputs && g->OutputCount) return &g->Outputs[0].Type;
  if (g->Kind == model::kKindOutput && g->Inputs && g->InputCount) return &g->Inputs[0].Type;
  return nullptr;
}

// An open port type becomes REAL; a REAL-coloured port is switched to its connected form.
void settlePortType(LogicRecord* logic, GateRecord* g) {
  model::PinSignalType* t = portPinType(g);
  if (!t) return;
  if (*t == model::kTypeOpen) *t = model::kTypeReal;
  bool colour0 = *t == 20 || *t == 28;
  if (colour0 && !(g->Flags & 1)) model::ge_ToggleConnect(logic, g, true);
}

// Text kinds 81..84 take their text from the standard library first; it holds none.
bool stdLookupFindsText(unsigned) { return false; }

int insertOf(std::uint8_t kind, void* type, int x, int y) {
  if (kind >= model::kKindMarker && kind <= model::kKindSetMarker && !stdLookupFindsText(kind)) return 1;
  CreateParams p;
  p.kind = kind;
  if (!model::gt_AskCreateParams(p, type, nullptr)) return 0;
  return de_PlaceGateWrapper(p, type, x, y) ? 1 : 0;
}

bool isAndOrType(const GateRecord* g, bool withBlank) {
  const model::GateTypeRecord* t = g && g->Kind == model::kKindCompiled ? model::subType(g) : nullptr;
  if (!t) return false;
  return std::strncmp(t->Name, "AND", 3) == 0 || std::strncmp(t->Name, withBlank ? "OR " : "OR", withBlank ? 3 : 2) == 0;
}

// A name of a module's gate type or logic, or of a built-in kind with or
// without the "%" mark of the kind table.
bool findByName(const std::string& name, const LogicRecord* logic, std::uint8_t& kind, void*& type) {
  if (name.empty()) return false;
  if (model::gt_FindStdGate2(name.c_str(), logic, kind, type)) return true;
  return name[0] != '%' && model::gt_FindStdGate2(("%" + name).c_str(), logic, kind, type);
}

// What the last placement was made of (for re-making a gate with another input count).
struct LastPlacement {
  CreateParams params;
  void* sub = nullptr;
};
LastPlacement gLast;

} // namespace

bool scr_SetTextGateText(GateRecord* gate, int height, const std::string& text, LogicRecord* logic) {
  if (!gate || gate->Kind != model::kKindText) return false;
  const std::size_t n = std::min(text.size(), kTextGateLimit);
  const std::uint16_t rows = std::uint16_t(n / 8 + 3);   // 16 + 8 x (n div 8 + 1) bytes
  std::vector<char> block(std::size_t(rows) * 8, 0);
  const std::uint16_t h = std::uint16_t(height);
  std::memcpy(block.data(), &h, 2);
  std::memcpy(block.data() + 8, text.data(), n);
  if (!logic) logic = model::ge_LogicOfGate(gate);
  if (!model::ge_GrowExtra(logic, gate, rows)) return false;
  std::memcpy(gate->Extra, block.data(), block.size());
  if (logic)
    model::inst_ForEachList(logic, [&](model::GateInstance*& head) {
      for (model::GateInstance* gi = head; gi; gi = gi->Next)
        if (gi->GateNumber == gate->GateNumber && gi->ExtraValues && gi->ExtraValues != gate->Extra &&
            gi->ExtraSlotCount == rows)
          std::memcpy(gi->ExtraValues, block.data(), block.size());
    });
  return true;
}

bool de_PlaceGateAt(CreateParams p, void* sub, GateRecord* attachedTo, int x, int y, bool askTexts) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic) return false;
  model::KindBox box = boxOf(p, sub);
  int sx = std::max(0, x + scrollX()), sy = std::max(0, y + scrollY());
  int px = model::gg_Snap(sx + box.dx) - box.dx;
  int py = model::gg_Snap(sy + box.dy) - box.dy;
  if ((p.kind == model::kKindParamVariation || p.kind == model::kKindDisableLogic) && !attachedTo) {
    attachedTo = gateUnder(logic, sx, sy);
    if (!attachedTo) attachedTo = gateUnder(logic, px, py);
    if (!model::gt_AskCreateParams(p, sub, attachedTo)) return false;
  }
  std::uint16_t seq = 0;
  GateRecord* gate = nullptr;
  model::GateInstance* inst = nullptr;
  if (!model::ge_CreateGate(logic, model::gateSpecFrom(p, sub, attachedTo, px, py), seq, gate, inst) || !gate)
    return false;
  gLast.params = p;
  gLast.sub = sub;
  if (gate->Kind == model::kKindInput || gate->Kind == model::kKindOutput) {
    if (!p.portName.empty()) model::gt_SetPortName(logic, gate, p.portName);
    else model::gt_NameText2(logic, gate);
    settlePortType(logic, gate);
  } else if (askTexts && gate->Kind != model::kKindText) {
    // Dialogue, step and message gates: their text (a Text gate asks at its drop).
    model::gt_GateNameText(logic, gate);
  }
  refreshLevelInstances();
  doc->CurrentGate = gate;
  doc->CurrentInstance = inst ? inst : model::inst_Parallel(logic, doc->LevelInstances[doc->MacroLevel], gate);
  doc->BoxW = std::int16_t(box.w);
  doc->BoxH = std::int16_t(box.h);
  return true;
}

bool de_PlaceGateWrapper(const CreateParams& params, void* sub, int x, int y) {
  return de_PlaceGateAt(params, sub, nullptr, x, y, true);
}

bool gc_ChooseGate(model::GatePick& pick, void*) {
  std::string text;
  if (!host().promptText("Function-Addgate", text, 40)) return false;
  auto slash = text.find('/');
  if (slash == std::string::npos) {
    pick.module.clear();
    pick.name = text;
  } else {
    pick.module = text.substr(0, slash);
    pick.name = text.substr(slash + 1);
  }
  return !pick.name.empty();
}

int fn_InsertGateAt(bool byName, int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  std::uint8_t kind = 0;
  void* type = nullptr;
  if (!byName) {
    GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY());
    if (!g) return 1;
    kind = g->Kind;
    type = g->Sub;
  } else {
    model::GatePick pick;
    if (!gc_ChooseGate(pick, nullptr)) return 0;
    if (!(pick.module.empty() ? findByName(pick.name, logic, kind, type)
                              : model::gt_FindStdModule(pick.module.c_str(), pick.name.c_str(), logic, kind, type)))
      return 0;
  }
  return insertOf(kind, type, 50, 50);
}

int fn_InsertLibraryGate(const std::string& name, bool byName, int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  std::uint8_t kind = 0;
  void* type = nullptr;
  if (!byName) {
    GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY());
    if (!g) return 1;
    kind = g->Kind;
    type = g->Sub;
  } else if (!findByName(name, logic, kind, type)) {
    return 0;
  }
  return insertOf(kind, type, x, y);
}

int fn_InsertGateByName(const std::string& library, const std::string& name, bool byName, int x, int y,
                        int option) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  std::uint8_t kind = 0;
  void* type = nullptr;
  if (!byName) {
    GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY());
    if (!g) return 1;
    kind = g->Kind;
    type = g->Sub;
  } else if (!model::gt_FindStdModule(library.c_str(), name.c_str(), logic, kind, type)) {
    return 0;
  }
  if (kind >= model::kKindMarker && kind <= model::kKindSetMarker && !stdLookupFindsText(kind)) return 1;
  CreateParams p;
  p.kind = kind;
  if (!model::gt_AskCreateParamsMacro(p, type, nullptr, std::uint16_t(option))) return 0;
  return de_PlaceGateAt(p, type, nullptr, x, y, false) ? 1 : 0;
}

int fn_AddGate() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  doc->MarkedGate = nullptr;
  if (!doc->EditView) return 0;
  doc->CurrentGate = nullptr;
  int result = fn_InsertGateAt(true, 0, 0);
  GateRecord* g = doc->CurrentGate;
  if (result != 1 || !g) return result;
  LogicRecord* logic = currentLevelLogic();
  settlePortType(logic, g);
  setEditorState(9);
  if (g->Kind == model::kKindText) {
    std::int16_t x, y, w, h;
    model::gg_GateRect(g, x, y, w, h, true);
    doc->BoxW = w;
    doc->BoxH = h;
  }
  if (editorState() == 9 && isAndOrType(g, false)) {
    int n = 2;
    hk_PromptInt("Anzahl der Eingaenge (2 - 8)", n);
    n = std::clamp(n, 2, 8);
    // The gate is made again with the answered count (pin rows and instances to match).
    if (unsigned(n) != g->InputCount && !gc_RemakeWithInputs(g, unsigned(n))) return 0;
  }
  return result;
}

GateRecord* gc_RemakeWithInputs(GateRecord* g, unsigned inputs) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic || !g) return nullptr;
  if (g->InputCount == inputs) return g;
  CreateParams p = gLast.params;
  void* sub = g->Sub;
  p.kind = g->Kind;
  p.inputCount = std::uint16_t(inputs);
  p.outputCount = g->OutputCount;
  int x = g->X - scrollX(), y = g->Y - scrollY();
  model::ge_DeleteGate(logic, g);
  refreshLevelInstances();
  doc->CurrentGate = nullptr;
  if (!de_PlaceGateAt(p, sub, nullptr, x, y, false)) return nullptr;
  return doc->CurrentGate;
}

bool fn_RemoveGateAt(int x, int y) {
  LogicRecord* logic = currentLevelLogic();
  GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY());
  if (!g) {
    setEditorState(0);
    return true;
  }
  // "Remove Gate ?" is accepted without a question.
  model::ge_DeleteGate(logic, g);
  refreshLevelInstances();
  host().requestRedraw();
  return true;
}

namespace {

// Steps 3 and 4 of the renumbering: true when the gate may move.
int numberCheck(LogicRecord* logic, GateRecord* g) {
  GateRecord* first = logic->FirstGate;
  while (first && first->Kind == model::kKindInput) first = first->Next;
  if (!first || !first->Next) return 0;
  if (first->Next->Kind == model::kKindOutput || first->Next->Kind == model::kKindText) return 0;
  switch (g->Kind) {
  case model::kKindInput: case model::kKindOutput: case model::kKindParamVariation: case model::kKindText:
  case model::kKindDefineMarker: case model::kKindDisableLogic:
    return 1;
  default: break;
  }
  if (!model::gt_IsCountedGate(g)) return 1;
  return 2;
}

} // namespace

bool fn_SetGateNumberAt(int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc) return true;
  doc->MarkedGate = nullptr;
  if (doc->TrendView || !logic) return true;
  int ordinal = 0;
  GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY(), &ordinal);
  if (!g) {
    setEditorState(0);
    host().setCursor(2);
    return true;
  }
  int check = numberCheck(logic, g);
  if (check == 0) return false;
  if (check == 1) return true;
  int n = ordinal;
  if (hk_PromptInt("Baustein Nr. ", n) && n >= 1) {
    std::uint16_t place = std::uint16_t(std::min(n, 65535));
    model::ge_InsertInOrder(logic, g, place);
    refreshLevelInstances();
    host().requestRedraw();
  }
  return true;
}

bool fn_SetGateNumber(GateRecord* gate, int number) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic || !gate) return false;
  int check = numberCheck(logic, gate);
  if (check == 0) return false;
  if (check == 1 || number < 1) return true;
  std::uint16_t place = std::uint16_t(std::min(number, 65535));
  model::ge_InsertInOrder(logic, gate, place);
  refreshLevelInstances();
  return true;
}

int fn_EditGateAt(int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic) return 0;
  GateRecord* g = gateUnder(logic, x + scrollX(), y + scrollY());
  if (!g) return 1;
  doc->CurrentGate = g;
  doc->CurrentInstance = model::inst_Parallel(logic, doc->LevelInstances[doc->MacroLevel], g);
  if (g->Kind == model::kKindStart || g->Kind == model::kKindMarker || g->Kind == model::kKindDefineMarker) return 0;
  CreateParams p;
  p.kind = g->Kind;
  p.inputCount = g->InputCount;
  p.outputCount = g->OutputCount;
  p.extraCount = g->ExtraCount;
  p.stateCount = g->StateCount;
  model::gg_MainSignalTypes(g, p.inputType, p.outputType);
  if (g->Extra) std::memcpy(p.block.data(), g->Extra, std::min<std::size_t>(24, std::size_t(g->ExtraCount) * 8));
  std::int16_t rx, ry, rw, rh;
  model::gg_GateRect(g, rx, ry, rw, rh, false);
  return de_PlaceGateAt(p, g->Sub, nullptr, rx - scrollX(), ry - scrollY(), false) ? 1 : 0;
}

} // namespace editor
