// The one-level undo: a copy of the current level's logic taken before a
// mouse edit moves or rewires gates, and the exchange that puts positions and
// input connections back from it.
#include "editor/gestures.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/ws.h"
#include "engine/timestep.h"
#include "model/editing.h"
#include "model/instances.h"
#include "model/memory.h"

#include <unordered_map>
#include <vector>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

// Takes the copy out of the module it was appended to, so that it is never
// listed, saved or simulated.
void unlinkFromModules(DocumentRecord& doc, LogicRecord* copy) {
  for (model::ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    if (model::isCompiled(m)) continue;
    if (m->List == copy) {
      m->List = copy->Next;
      break;
    }
    bool found = false;
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      if (l->Next == copy) {
        l->Next = copy->Next;
        found = true;
        break;
      }
    if (found) break;
  }
  copy->Next = nullptr;
  model::ProjectModule* first = doc.FirstModule;
  doc.FirstLogic = model::firstLogicOf(first);
  doc.LastLogic = doc.FirstLogic;
  while (doc.LastLogic && doc.LastLogic->Next) doc.LastLogic = doc.LastLogic->Next;
  doc_ShareProjectWords(doc, first);
}

std::vector<GateRecord*> gatesOf(LogicRecord* logic) {
  std::vector<GateRecord*> out;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) out.push_back(g);
  return out;
}

// The copy taken before a deletion, while it is the undo copy.
const LogicRecord* gDeletionCopy = nullptr;

// Whether a gate of the document calls the logic: its callers' instances then
// hold instances of its gates, and its gate set cannot simply be exchanged.
bool calledAnywhere(const DocumentRecord& doc, const LogicRecord* logic) {
  for (model::ProjectModule* m = doc.FirstModule; m; m = m->Next) {
    if (model::isCompiled(m)) continue;
    for (LogicRecord* l = model::firstLogicOf(m); l; l = l->Next)
      for (GateRecord* g = l->FirstGate; g; g = g->Next)
        if (model::subLogic(g) == logic) return true;
  }
  return false;
}

// Undo of a deletion: the live logic takes the copy's gates, instances and
// port rows whole, and the copy takes what the deletion left (dropped next).
void exchangeGateSets(DocumentRecord& doc, LogicRecord* logic, LogicRecord* copy) {
  std::swap(logic->FirstGate, copy->FirstGate);
  std::swap(logic->FirstInstance, copy->FirstInstance);
  std::swap(logic->InputPortCount, copy->InputPortCount);
  std::swap(logic->OutputPortCount, copy->OutputPortCount);
  std::swap(logic->InputPorts, copy->InputPorts);
  std::swap(logic->OutputPorts, copy->OutputPorts);
  std::swap(logic->GateCounter, copy->GateCounter);
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) g->Selected = g->HeldSelected = 0;
  doc.CurrentGate = nullptr;
  doc.CurrentInstance = nullptr;
  if (doc.MacroLevel >= 1 && doc.MacroLevel <= model::kMaxMacroLevel) doc.LevelInstances[doc.MacroLevel] = logic->FirstInstance;
}

} // namespace

bool ws_SaveUndoBuffer() {
  gDeletionCopy = nullptr;
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!doc || !logic) return false;
  DirtyRect kept = ctx().dirty;
  std::size_t bytes = 3 * engine::sim_CountBufferSlots(logic);
  if (bytes) {
    void* probe = nullptr;
    model::mm_Allocate(probe, bytes);
    if (!probe) {
      ctx().dirty = kept;
      return false;
    }
    model::mm_Deallocate(probe, bytes);
  }
  if (doc->UndoLogic) undo_DropBuffer();
  LogicRecord* copy = model::ge_CopyGateSet("UndoBuffer", logic);
  if (!copy) {
    ctx().dirty = kept;
    return false;
  }
  unlinkFromModules(*doc, copy);
  doc->UndoLogic = copy;
  host().menuEnable(256);
  ctx().dirty = kept;
  return true;
}

bool ws_SaveUndoBufferBeforeDelete() {
  const std::uint8_t keep = model::KeepInstances;
  model::KeepInstances = 1;
  const bool taken = ws_SaveUndoBuffer();
  model::KeepInstances = keep;
  DocumentRecord* doc = model::CurrentDocument;
  gDeletionCopy = taken && doc ? doc->UndoLogic : nullptr;
  return taken;
}

bool undo_DropBuffer() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  if (LogicRecord* copy = doc->UndoLogic) {
    if (copy == gDeletionCopy) gDeletionCopy = nullptr;
    doc->UndoLogic = nullptr;
    model::ge_FreeDetachedLogic(copy);
  }
  host().menuDisable(256);
  return true;
}

// The exchange goes gate by gate in list order. A source or branch gate named
// by an exchanged input is translated through its list ordinal, so that no
// live pin names a gate of the copy (and no pin of the copy a live gate).
bool ws_RestoreUndo() {
  DocumentRecord* doc = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  if (doc && logic && doc->UndoLogic) {
    std::vector<GateRecord*> live = gatesOf(logic), copy = gatesOf(doc->UndoLogic);
    if (doc->UndoLogic == gDeletionCopy && doc->UndoLogic->FirstInstance && !calledAnywhere(*doc, logic)) {
      // Gates were deleted since the copy was taken: the copy comes back whole.
      exchangeGateSets(*doc, logic, doc->UndoLogic);
      model::noteStructureChange();
    } else if (live.size() == copy.size()) {
      std::unordered_map<const GateRecord*, GateRecord*> toLive, toCopy;
      for (std::size_t i = 0; i < live.size(); ++i) {
        toLive[copy[i]] = live[i];
        toCopy[live[i]] = copy[i];
      }
      auto translate = [](const std::unordered_map<const GateRecord*, GateRecord*>& map, GateRecord* g) {
        if (!g) return static_cast<GateRecord*>(nullptr);
        auto it = map.find(g);
        return it == map.end() ? nullptr : it->second;
      };
      std::vector<std::pair<GateRecord*, unsigned>> changed;
      for (std::size_t i = 0; i < live.size(); ++i) {
        GateRecord* g = live[i];
        GateRecord* c = copy[i];
        if (g->Kind != c->Kind || g->InputCount != c->InputCount) continue;
        g->X = c->X;
        g->Y = c->Y;
        for (unsigned k = 0; k < g->InputCount; ++k) {
          model::InputPin& a = g->Inputs[k];
          model::InputPin& b = c->Inputs[k];
          GateRecord* newSource = translate(toLive, b.Source);
          GateRecord* newBranch = translate(toLive, b.BranchOf);
          // A source that lost the output the copy names is not reconnected.
          if (b.Source && (!newSource || b.SourcePin == 0 || b.SourcePin > newSource->OutputCount)) continue;
          GateRecord* oldSource = translate(toCopy, a.Source);
          GateRecord* oldBranch = translate(toCopy, a.BranchOf);
          std::swap(a.Wire, b.Wire);
          std::swap(a.SourcePin, b.SourcePin);
          a.Source = newSource;
          a.BranchOf = newSource ? newBranch : nullptr;
          b.Source = oldSource;
          b.BranchOf = oldSource ? oldBranch : nullptr;
          if (!b.Source) b.SourcePin = 0;
          changed.emplace_back(g, k + 1);
        }
      }
      for (auto& [g, pin] : changed) model::inst_RelinkInput(logic, g, pin);
    }
  }
  undo_DropBuffer();
  host().menuDisable(256);
  host().requestRedraw();
  return true;
}

} // namespace editor
