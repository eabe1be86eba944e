// Rebuilding a subprogram or module gate as a fresh gate of its type with
// every connection that still fits carried over.
#include "editor/gateactions.h"

#include "editor/context.h"
#include "editor/gatecmd.h"
#include "editor/ws.h"
#include "model/connections.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/instances.h"
#include "model/services.h"
#include "model/wires.h"

#include <cstring>
#include <string>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

enum class Variant { InputCount, ParamChange, LibraryChange };

bool isBuiltIn(const GateRecord* g) { return g->Kind >= 1 && g->Kind <= 132; }

// A port row of a gate's type: the three values compared.
struct PortKey {
  int a = 0, b = 0, c = 0;
  bool operator==(const PortKey&) const = default;
};

bool portRow(const GateRecord* g, bool input, unsigned k, PortKey& key) {
  if (const LogicRecord* sub = model::subLogic(g)) {
    const model::PortRow* rows = input ? sub->InputPorts : sub->OutputPorts;
    unsigned count = input ? sub->InputPortCount : sub->OutputPortCount;
    if (!rows || k < 1 || k > count) return false;
    key = {rows[k - 1].X, rows[k - 1].Y, rows[k - 1].Slot};
    return true;
  }
  if (const model::GateTypeRecord* t = model::subType(g)) {
    const model::TypePinRow* rows = input ? t->InputPins : t->OutputPins;
    unsigned count = input ? t->InputCount : t->OutputCount;
    if (!rows || k < 1 || k > count) {
      // Compiled AND/OR gates have more pins than rows: the last row stands for the rest.
      if (!rows || count == 0) return false;
      k = count;
    }
    key = {rows[k - 1].X, rows[k - 1].Y, rows[k - 1].Type};
    return true;
  }
  return false;
}

bool rowsEqual(const GateRecord* o, const GateRecord* n, bool input, unsigned k) {
  PortKey a, b;
  return portRow(o, input, k, a) && portRow(n, input, k, b) && a == b;
}

bool sameFamily(const GateRecord* o, const GateRecord* n) {
  return (o->Kind == model::kKindCall) == (n->Kind == model::kKindCall);
}

void markGate(const GateRecord* g) {
  std::int16_t x, y, w, h;
  model::gg_GateBox(g, x, y, w, h, false);
  ws_DirtyAddPoint(g->X, g->Y);
  ws_DirtyAddPoint(g->X + w, g->Y + h);
}

// Moves a connection onto another input (or source): the input is emptied by
// hand, so that no wire is freed, and connected again with the same wire.
bool reconnect(LogicRecord* logic, GateRecord* dest, unsigned pin, GateRecord* source, unsigned sourcePin,
               GateRecord* branch, model::WirePoint* wire, std::uint16_t flags) {
  if (model::ge_ConnectGates(logic, dest, pin, source, sourcePin, branch, wire)) {
    dest->Inputs[pin - 1].Flags = std::uint16_t((dest->Inputs[pin - 1].Flags & ~model::kPinNegated) |
                                                (flags & model::kPinNegated));
    return true;
  }
  model::ge_FreeWirePoints(wire);
  return false;
}

void takeOverConnections(LogicRecord* logic, GateRecord* o, GateRecord* n) {
  if (!sameFamily(o, n)) return;
  const bool typesDiffer = o->Sub != n->Sub;
  if (o->InputCount && n->InputCount && rowsEqual(o, n, true, 1)) {
    for (unsigned k = 1; k <= o->InputCount && k <= n->InputCount; ++k) {
      if (!rowsEqual(o, n, true, k)) continue;
      model::InputPin& from = o->Inputs[k - 1];
      if ((from.Flags & model::kPinNegated) && typesDiffer) model::ge_NegatePin(logic, o, k, true);
      if (from.Type != n->Inputs[k - 1].Type || !from.Source) continue;
      GateRecord* source = from.Source;
      unsigned sourcePin = from.SourcePin;
      GateRecord* branch = from.BranchOf;
      model::WirePoint* wire = from.Wire;
      std::uint16_t flags = from.Flags;
      from.Source = nullptr;
      from.SourcePin = 0;
      from.Wire = nullptr;
      from.BranchOf = nullptr;
      model::inst_RelinkInput(logic, o, k);
      reconnect(logic, n, k, source, sourcePin, branch, wire, flags);
    }
  }
  if (!(o->OutputCount && n->OutputCount && rowsEqual(o, n, false, 1))) return;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    for (unsigned i = 1; g->Inputs && i <= g->InputCount; ++i) {
      model::InputPin& p = g->Inputs[i - 1];
      unsigned out = p.SourcePin;
      if (p.Source != o || out < 1 || out > n->OutputCount || out > o->OutputCount) continue;
      // The output's number is what the pin refresh takes.
      if ((o->Outputs[out - 1].Flags & 1) && typesDiffer) model::ge_NegatePin(logic, o, out, false);
      if (!rowsEqual(o, n, false, out) || o->Outputs[out - 1].Type != n->Outputs[out - 1].Type) continue;
      n->Outputs[out - 1].Flags = o->Outputs[out - 1].Flags;
      GateRecord* branch = p.BranchOf == o ? n : p.BranchOf;
      model::WirePoint* wire = p.Wire;
      std::uint16_t flags = p.Flags;
      p.Source = nullptr;
      p.SourcePin = 0;
      p.Wire = nullptr;
      p.BranchOf = nullptr;
      reconnect(logic, g, i, n, out, branch, wire, flags);
    }
}

void renumber(LogicRecord* logic, GateRecord* gate, std::uint16_t number) {
  std::uint16_t old = gate->GateNumber;
  if (old == number) return;
  model::inst_ForEachList(logic, [&](model::GateInstance*& head) {
    for (model::GateInstance* gi = head; gi; gi = gi->Next)
      if (gi->GateNumber == old) {
        gi->GateNumber = number;
        break;
      }
  });
  gate->GateNumber = number;
}

bool rebuild(Variant variant, GateRecord* old, const char* a, const char* b, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  // The model's per-call refresh shows each calling logic on level 1.
  LogicRecord* logic = variant == Variant::ParamChange && doc ? model::EditLogic(*doc) : currentLevelLogic();
  if (!doc || !logic) return true;
  auto exit = [&](bool result) {
    if (doc->MacroLevel == 1) doc->LevelInstances[1] = logic->FirstInstance;
    return result;
  };
  int ordinal = 0;
  GateRecord* o = nullptr;
  if (variant == Variant::LibraryChange) {
    if (old && model::gg_GateOrdinal(logic, old, ordinal)) o = old;
  } else {
    model::gg_GateAtPoint(logic, x, y, o, ordinal);
  }
  if (!o) {
    setEditorState(0);
    host().setCursor(2);
    return exit(true);
  }
  if (isBuiltIn(o)) return exit(true);
  GateRecord* savedCurrent = doc->CurrentGate;
  model::GateInstance* savedInstance = doc->CurrentInstance;
  doc->CurrentGate = nullptr;
  int made = 0;
  switch (variant) {
  case Variant::InputCount: {
    std::int16_t sx = doc->ScrollX, sy = doc->ScrollY;
    made = fn_AddGate();
    if (made == 1) doc->ScrollX = sx, doc->ScrollY = sy;
    break;
  }
  case Variant::ParamChange:
    made = fn_InsertLibraryGate(a, true, 0, 0);
    break;
  case Variant::LibraryChange:
    made = fn_InsertGateByName(a, b, true, 0, 0, -1);
    if (made != 1 || !doc->CurrentGate) {
      auto cut = [](const char* s) {
        std::string t(s ? s : "");
        t = t.substr(0, 17);
        if (auto pos = t.find("  "); pos != std::string::npos) t.erase(pos);
        return t;
      };
      std::string text = model::messageText(40018);
      std::string block = cut(b), library = cut(a);
      for (const std::string& part : {block, library, block})
        if (auto pos = text.find("%s"); pos != std::string::npos) text.replace(pos, 2, part);
      model::shell().msg_Notice(text);
    }
    break;
  }
  GateRecord* n = doc->CurrentGate;
  if (made != 1 || !n) {
    if (variant == Variant::ParamChange) doc->CurrentGate = savedCurrent, doc->CurrentInstance = savedInstance;
    return exit(false);
  }
  host().setCursor(20);
  setEditorState(12);
  n->X = o->X;
  n->Y = o->Y;
  if (variant == Variant::LibraryChange && n->Kind == model::kKindCompiled && n->InputCount != o->InputCount) {
    const model::GateTypeRecord* t = model::subType(n);
    if (t && (std::strncmp(t->Name, "AND", 3) == 0 || std::strncmp(t->Name, "OR ", 3) == 0)) {
      // Made again with the old count: pin rows and instances for every input.
      std::int16_t px = o->X, py = o->Y;
      n = gc_RemakeWithInputs(n, o->InputCount);
      if (!n) return exit(false);
      n->X = px;
      n->Y = py;
    }
  }
  if (variant == Variant::InputCount) {
    ws_DirtyReset();
    markGate(o);
    markGate(n);
  }
  takeOverConnections(logic, o, n);
  if (variant != Variant::LibraryChange && ordinal >= 1) {
    std::uint16_t place = std::uint16_t(ordinal);
    model::ge_InsertInOrder(logic, n, place);
  }
  std::uint16_t oldNumber = o->GateNumber;
  ws_RepointBranchGate(logic, o, n);
  model::ge_DeleteGate(logic, o);
  if (variant != Variant::InputCount) renumber(logic, n, oldNumber);
  if (variant == Variant::InputCount) {
    ws_DirtyFlush();
    ws_DirtyReset();
  }
  if (variant == Variant::ParamChange) {
    doc->CurrentGate = savedCurrent == o ? nullptr : savedCurrent;
    doc->CurrentInstance = savedCurrent == o ? nullptr : savedInstance;
  } else if (variant == Variant::LibraryChange) {
    doc->CurrentGate = n;
  }
  host().requestRedraw();
  return exit(true);
}

} // namespace

void ws_RepointBranchGate(LogicRecord* logic, GateRecord* oldGate, GateRecord* newGate) {
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next)
    for (unsigned i = 0; g->Inputs && i < g->InputCount; ++i)
      if (g->Inputs[i].BranchOf == oldGate) g->Inputs[i].BranchOf = newGate;
}

bool ws_RebuildAfterInputCount(int x, int y) {
  int sx = model::CurrentDocument ? model::CurrentDocument->ScrollX : 0;
  int sy = model::CurrentDocument ? model::CurrentDocument->ScrollY : 0;
  return rebuild(Variant::InputCount, nullptr, nullptr, nullptr, x + sx, y + sy);
}

bool ws_RebuildAfterParamChange(const char* typeName, int x, int y) {
  return rebuild(Variant::ParamChange, nullptr, typeName, nullptr, x, y);
}

bool ws_RebuildAfterLibraryChange(const char* library, const char* block, int x, int y, GateRecord* old) {
  return rebuild(Variant::LibraryChange, old, library, block, x, y);
}

} // namespace editor
