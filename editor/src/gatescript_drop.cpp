// Port scripts (rebuilding every call of a subprogram whose ports change)
// and the drop services of the insert box.
#include "editor/gatescript.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/memory.h"
#include "model/wires.h"

#include <cstring>
#include <set>

namespace editor {

using model::GateRecord;
using model::LogicRecord;

namespace {

int gLastTextHeight = 12;

std::string plainName(const LogicRecord* l) {
  return l ? scr_NoBlanks(std::string_view(l->Name, strnlen(l->Name, 16))) : std::string();
}

bool usesAsSub(const GateRecord* g, const LogicRecord* L) {
  return g->Sub == L && (g->Kind == model::kKindCall || g->Kind >= model::kKindCompiled);
}

bool logicUses(const LogicRecord* l, const LogicRecord* L) {
  for (const GateRecord* g = l->FirstGate; g; g = g->Next)
    if (usesAsSub(g, L)) return true;
  return false;
}

void useWindowDocument(WorksheetWindowData* window) {
  if (window && window->document) model::CurrentDocument = window->document;
}

} // namespace

std::string scr_DefaultConnectorName(const LogicRecord* logic, const GateRecord* gate) {
  if (!gate) return {};
  const bool input = gate->Kind == model::kKindInput;
  std::set<std::string> taken;
  for (const GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next)
    if (g->Kind == gate->Kind && g != gate) taken.insert(model::gt_PortName(g));
  std::string format = host().languageText(input ? 21 : 20);
  if (format.empty() || format.find("%d") == std::string::npos) format = input ? "Out%d" : "In%d";
  std::size_t at = format.find("%d");
  for (int n = 1; n < 100000; ++n) {
    std::string name = (format.substr(0, at) + std::to_string(n) + format.substr(at + 2)).substr(0, 7);
    if (!taken.count(name)) return name;
  }
  return {};
}

bool scr_RecordSubprogramUsers(WorksheetWindowData* window, ScriptBuffer* buffer) {
  useWindowDocument(window);
  LogicRecord* L = currentLevelLogic();
  model::DocumentRecord* d = model::CurrentDocument;
  if (!L || !d) return false;
  model::ProjectModule* own = scr_ModuleOfLogic(L);
  std::string library = own ? std::string(own->Name, strnlen(own->Name, 12)) : std::string("UNDEF");
  std::string type(L->Name, strnlen(L->Name, 16));
  while (!type.empty() && type.back() == ' ') type.pop_back();
  while (!library.empty() && library.back() == ' ') library.pop_back();
  const int kind = window ? window->kind : 0;
  for (LogicRecord* l = model::firstLogicOf(d->FirstModule); l; l = l->Next) {
    if (l == L) continue;
    std::string n = plainName(l);
    if (n == "999FBPICW" || n == "%PasteBuffer" || !logicUses(l, L)) continue;
    scr_WriteSelectLogic(buffer, window, l->Name);
    scr_WriteRefSelection(buffer, kind, l, L, library, type, 0);
  }
  bool picture = false;
  for (model::ProjectModule* m = d->FirstModule; m; m = m->Next)
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      if (l != L && plainName(l) == "999FBPICW" && logicUses(l, L)) picture = true;
  model::ge_DeleteLogicCalls(L);
  return picture;
}

bool scr_WritePortScript(WorksheetWindowData* window, bool& written) {
  written = false;
  useWindowDocument(window);
  LogicRecord* L = currentLevelLogic();
  if (!L) return false;
  ScriptBuffer* b = scr_OpenWriter();
  if (!b) return false;
  bool refresh = scr_RecordSubprogramUsers(window, b);
  scr_WriteSelectLogic(b, window, L->Name);
  written = scr_CloseWriter(b) == 1;
  return refresh;
}

void scr_RunPortScript(WorksheetWindowData* window, EngineEvent* event, bool refreshInsertBox) {
  useWindowDocument(window);
  LogicRecord* L = currentLevelLogic();
  scr_Execute(window, event, 0, 0, kScriptInternal);
  // The marks the run set on the calls it rebuilt elsewhere are not a selection.
  if (model::DocumentRecord* d = model::CurrentDocument)
    for (model::ProjectModule* m = d->FirstModule; m; m = m->Next)
      for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
        if (l != L)
          for (GateRecord* g = l->FirstGate; g; g = g->Next) g->Selected = g->HeldSelected = 0;
  if (refreshInsertBox) host().refreshInsertBox();
}

GateRecord* scr_InsertLibraryGate(WorksheetWindowData* window, const std::string& library, const std::string& type,
                                  int x, int y, int creation) {
  useWindowDocument(window);
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return nullptr;
  LibraryGateInserter insert = scr_SetLibraryGateInserter(nullptr);
  scr_SetLibraryGateInserter(insert);
  return insert(logic, library, type, x, y, creation == 0 ? -1 : creation);
}

namespace {

bool joinsKind(const GateRecord* g, bool asSource) {
  const unsigned k = g->Kind;
  if (k == model::kKindCall || k == model::kKindCompiled || k == model::kKindCompiledNative) return true;
  return asSource ? k == model::kKindInput : k == model::kKindOutput;
}

bool feedsAnything(const LogicRecord* logic, const GateRecord* src, unsigned pin) {
  for (const GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 0; i < g->InputCount; ++i)
      if (g->Inputs[i].Source == src && g->Inputs[i].SourcePin == pin) return true;
  return false;
}

// Joins the free pins of a dropped gate to touching pins of its neighbours
// (closer than 50 units); true when anything was connected.
bool connectNeighbours(LogicRecord* logic, GateRecord* g) {
  if (!joinsKind(g, true) && !joinsKind(g, false)) return false;
  bool any = false;
  for (unsigned i = 1; i <= g->InputCount; ++i) {
    if (g->Inputs[i - 1].Source) continue;
    int x, y;
    scr_PinPoint(g, i, true, x, y);
    x = model::gg_Snap(x);
    y = model::gg_Snap(y);
    GateRecord* best = nullptr;
    unsigned bestPin = 0;
    int bestD = 50;
    for (GateRecord* o = logic->FirstGate; o; o = o->Next) {
      if (o == g || !joinsKind(o, true)) continue;
      for (unsigned k = 1; k <= o->OutputCount; ++k) {
        int ox, oy;
        scr_PinPoint(o, k, false, ox, oy);
        int dist = model::gg_Distance(x, ox, y, oy);
        if (dist < bestD) bestD = dist, best = o, bestPin = k;
      }
    }
    if (best && !feedsAnything(logic, best, bestPin)) any |= scr_LayWire(logic, g, i, best, bestPin);
  }
  for (unsigned k = 1; k <= g->OutputCount; ++k) {
    int x, y;
    scr_PinPoint(g, k, false, x, y);
    GateRecord* best = nullptr;
    unsigned bestPin = 0;
    int bestD = 50;
    for (GateRecord* o = logic->FirstGate; o; o = o->Next) {
      if (o == g || !joinsKind(o, false)) continue;
      for (unsigned i = 1; i <= o->InputCount; ++i) {
        if (o->Inputs[i - 1].Source) continue;
        int ix, iy;
        scr_PinPoint(o, i, true, ix, iy);
        int dist = model::gg_Distance(x, ix, y, iy);
        if (dist < bestD) bestD = dist, best = o, bestPin = i;
      }
    }
    if (best) any |= scr_LayWire(logic, best, bestPin, g, k);
  }
  return any;
}

// The text prompt of a new Text gate; false when cancelled.
bool askText(LogicRecord* logic, GateRecord* g) {
  std::string text;
  int height = gLastTextHeight;
  if (!host().promptTextWithHeight("xName", text, height, 255)) return false;
  gLastTextHeight = height;
  scr_SetTextBlock(logic, g, height, text.substr(0, 255));
  return true;
}

// What a gate that has just come in needs by its kind; false when a Text gate
// was cancelled (it is deleted then).
bool settleNewGate(LogicRecord* logic, GateRecord* g, bool toFront) {
  if (g->Kind == model::kKindText) {
    if (!askText(logic, g)) {
      model::ge_DeleteGate(logic, g);
      return false;
    }
  } else if (toFront && (g->Kind == model::kKindCompiled || g->Kind == model::kKindCompiledNative)) {
    std::uint16_t n = 1;
    model::ge_InsertInOrder(logic, g, n);
  } else if (g->Kind == model::kKindInput || g->Kind == model::kKindOutput) {
    model::gt_SetPortName(logic, g, scr_DefaultConnectorName(logic, g));
  }
  return true;
}

} // namespace

GateRecord* scr_DropService(WorksheetWindowData* window, const std::string& library, const std::string& type, int x,
                            int y, int creation) {
  useWindowDocument(window);
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return nullptr;
  if (creation == 0) creation = -1;
  bool port = library == "%STD" && (type == "Input" || type == "Output");
  bool written = false, refresh = false;
  if (port) refresh = scr_WritePortScript(window, written);
  GateRecord* g = scr_InsertLibraryGate(window, library, type, x, y, creation);
  if (g) {
    if (!connectNeighbours(logic, g)) setEditorState(0);
    if (!settleNewGate(logic, g, true)) g = nullptr;
  }
  // The calls were removed before the insertion: they are rebuilt whatever it gave.
  if (written) scr_RunPortScript(window, nullptr, refresh);
  return g;
}

GateRecord* scr_DropItemAt(WorksheetWindowData* window, const std::string& library, const std::string& type, int x,
                           int y) {
  useWindowDocument(window);
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return nullptr;
  int sx = x + (window ? window->scrollX : 0), sy = y + (window ? window->scrollY : 0);
  GateRecord* found = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, sx, sy, found, ordinal) || !found) return nullptr;
  ScriptBuffer* b = scr_OpenWriter();
  if (!b) return nullptr;
  bool refresh = scr_RecordSubprogramUsers(window, b);
  scr_WriteSelectLogic(b, window, logic->Name);
  scr_WriteRefSelectionB(b, window ? window->kind : 0, logic, found, library, type, 0);
  bool written = scr_CloseWriter(b) == 1;
  model::ge_DeleteGate(logic, found);
  GateRecord* g = nullptr;
  if (written && scr_Execute(window, nullptr, 0, 0, kScriptInternal) == 0) g = scr_LastCreatedGate();
  if (g && model::ge_LogicOfGate(g) != logic) g = nullptr;
  for (model::ProjectModule* m = model::CurrentDocument->FirstModule; m; m = m->Next)
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      for (GateRecord* o = l->FirstGate; o; o = o->Next) o->Selected = o->HeldSelected = 0;
  if (g && !settleNewGate(logic, g, false)) g = nullptr;
  if (refresh) host().refreshInsertBox();
  setEditorState(0);
  return g;
}

} // namespace editor
