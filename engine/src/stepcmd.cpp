#include "engine/stepcmd.h"

#include "engine/levels.h"
#include "engine/services.h"
#include "engine/vm.h"

#include "model/gatekinds.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace engine {

bool linkDocument(model::DocumentRecord& doc, std::string* error) {
  bool ok = true;
  vm().attachDocument(&doc);
  for (model::ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    if (!model::isCompiled(m) || !m->Loaded || vm().isLinked(m)) continue;
    // Module numbers are positions in the library file's own reference
    // table; a module that never reached the linker from its file has none
    // and stays unlinked (its gates run nothing).
    const std::vector<model::ProjectModule*>* table = vm().fileTable(m);
    std::string err;
    if (!table || vm().linkModule(m, nullptr, 0, table->data(), unsigned(table->size()), &err)) continue;
    if (ok && error) *error = std::string(m->Name, strnlen(m->Name, sizeof m->Name)) + ": " + err;
    ok = false;
  }
  return ok;
}

bool drawGateFace(model::GateRecord* gate, model::GateInstance* instance, int which, int scrollX, int scrollY) {
  const model::GateTypeRecord* t = gate ? model::subType(gate) : nullptr;
  const int slot = which == 0 ? 5 : 6;  // the two drawing procedures
  if (!t || !t->Procs[slot] || !t->ProcLength[slot]) return false;
  vm().runDrawing(gate, instance, t->Procs[slot], gate->X - scrollX, gate->Y - scrollY);
  return true;
}

namespace {
std::string num(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.6g", v);
  return b;
}
std::string gateName(const model::GateRecord* g) {
  if (const model::GateTypeRecord* t = model::subType(g)) return std::string(t->Name, strnlen(t->Name, 16));
  if (const model::LogicRecord* l = model::subLogic(g)) return std::string(l->Name, strnlen(l->Name, 16));
  return "kind" + std::to_string(g->Kind);
}
void printGates(std::string& out, const model::GateRecord* g, const model::GateInstance* in, int depth) {
  for (; g && in; g = g->Next, in = in->Next) {
    out += std::string(2 + 2 * depth, ' ') + "G" + std::to_string(g->GateNumber) + " " + gateName(g) + ":";
    unsigned slot = 0;
    for (unsigned p = 0; p < g->OutputCount && g->Outputs; ++p) {
      const model::PinSignalType t = g->Outputs[p].Type;
      const unsigned count = model::elementCount(t);
      for (unsigned e = 0; e < count && slot < in->OutputSlotCount; ++e, ++slot) {
        if (t < model::kTypeReal) {
          std::uint16_t w;
          std::memcpy(&w, &in->OutputValues[slot], 2);
          out += " " + std::to_string(w);
        } else {
          out += " " + num(in->OutputValues[slot]);
        }
      }
    }
    out += "\n";
    if (g->Kind == model::kKindCall && depth < 25)
      if (const model::LogicRecord* sub = model::subLogic(g)) printGates(out, sub->FirstGate, in->Children, depth + 1);
  }
}
} // namespace

std::string runSteps(model::DocumentRecord* doc, int n) {
  std::string out;
  if (!doc) return "no document\n";
  std::string err;
  if (!linkDocument(*doc, &err)) out += "link error: " + err + "\n";
  if (!doc->LevelLogics[1]) {
    model::LogicRecord* first = doc->FirstLogic;
    if (!first) {
      for (model::ProjectModule* m = doc->FirstModule; m && !first; m = m->Next) first = model::firstLogicOf(m);
    }
    if (!first) return out + "no logic\n";
    doc->LevelLogics[1] = first;
    doc->LevelInstances[1] = first->FirstInstance;
    if (doc->MacroLevel == 0) doc->MacroLevel = 1;
  }
  doc->SimLogic = doc->LevelLogics[1];
  doc->SimInstances = doc->LevelInstances[1];
  if (doc->iterationCounter == 0) doc->iterationCounter = 1;
  for (int k = 1; k <= n; ++k) {
    ss_StepLevelTo(*doc);
    out += "step " + std::to_string(k) + " t=" + num(doc->SimLogic->StepBlock.simTime) + "\n";
    printGates(out, doc->SimLogic->FirstGate, doc->SimInstances, 0);
  }
  return out;
}

} // namespace engine
