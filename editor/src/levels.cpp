// Levels of the shown documents and the removal of logics.
#include "editor/levels.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/hooks.h"
#include "engine/vm.h"
#include "model/editing.h"
#include "modelfiles/project.h"
#include "modelfiles/selection.h"

#include <vector>

namespace editor {

namespace {

void cutLevels(model::DocumentRecord* doc, model::LogicRecord* logic) {
  if (!doc) return;
  int keep = doc->MacroLevel;
  if (keep > model::kMaxMacroLevel) keep = model::kMaxMacroLevel;
  if (doc->LevelLogics[1] == logic) keep = 0;
  for (int level = 2; level <= keep; ++level) {
    model::LogicRecord* shown = doc->LevelLogics[level];
    if (!shown || model::ge_UsesLogic(logic, shown)) {
      keep = level - 1;
      break;
    }
  }
  for (int level = keep + 1; level <= model::kMaxMacroLevel; ++level) {
    doc->LevelLogics[level] = nullptr;
    doc->LevelInstances[level] = nullptr;
  }
  doc->MacroLevel = std::uint16_t(keep);
  if (doc->SimLogic && (keep == 0 || model::ge_UsesLogic(logic, doc->SimLogic))) {
    doc->SimLogic = nullptr;
    doc->SimInstances = nullptr;
  }
  if (doc->ReturnLogic == logic) doc->ReturnLogic = nullptr;
}

} // namespace

void ui_ForgetLogic(model::LogicRecord* logic) {
  if (!logic) return;
  std::vector<model::DocumentRecord*> docs = {model::TemplateDocument, model::RunDocument, model::CurrentDocument,
                                              model::NewDocument};
  for (WorksheetWindowData* w : ctx().liveWindows) docs.push_back(w->document);
  for (model::DocumentRecord* d : docs) cutLevels(d, logic);
}

bool de_RemoveLogicRecord(model::LogicRecord* logic) {
  if (!logic) return false;
  ui_ForgetLogic(logic);
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = model::TemplateDocument;
  bool ok = model::ge_DeleteLogic(logic);
  model::CurrentDocument = previous;
  return ok;
}

int de_RemoveLogic() {
  char field[17] = {};
  model::LogicRecord* logic = nullptr;
  // A removal changes the project: closing then asks before it is lost.
  if (modelfiles::ls_FindLogicByName(field, 16, logic, 3) == 1 && logic && de_RemoveLogicRecord(logic))
    ctx().projectChanged = 1;
  return 0;
}

namespace {

void forgetModule(model::ProjectModule* m) {
  if (!m) return;
  if (model::isCompiled(m)) {
    // A compiled module has no logic a level could show; its code goes.
    de_ReleaseModuleCode(m);
    return;
  }
  for (model::LogicRecord* l = static_cast<model::LogicRecord*>(m->List); l; l = l->Next) ui_ForgetLogic(l);
}

} // namespace

void de_ReleaseModuleCode(model::ProjectModule* module) {
  if (!module || !model::isCompiled(module)) return;
  // The interpreter forgets the module's links before its code is freed, so
  // that no module allocated later at the same place counts as linked.
  engine::vm().forgetModule(module);
  engine::vm().dropFileTable(module);
  for (model::GateTypeRecord* t = model::firstTypeOf(module); t; t = t->Next) modelfiles::mdl_FreeTypeCode(t);
}

void de_ReleaseDocList() {
  // The replacement flag only marks that a library was replaced: the module
  // list is released all the same (emptying the words alone would lose it).
  ctx().libraryReplaced = 0;
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  model::ProjectModule* first = doc->FirstModule;
  std::vector<model::ProjectModule*> modules;
  for (model::ProjectModule* m = first; m; m = m->Next) modules.push_back(m);
  for (model::ProjectModule* m : modules) forgetModule(m);
  // Libraries first, the main module last: no call is left pointing at a freed logic.
  for (auto it = modules.rbegin(); it != modules.rend(); ++it) model::ge_DeleteModule(*it);
  doc->FirstModule = doc->LastModule = nullptr;
  doc->FirstLogic = doc->LastLogic = nullptr;
  doc_ShareProjectWords(*doc, first);
}

void fn_CancelLibrary() {
  model::ProjectModule* module = nullptr;
  if (!modelfiles::ls_SelectLogic(module) || !module) return;
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  if (module == doc->FirstModule) {
    de_ReleaseDocList();
    return;
  }
  model::ProjectModule* first = doc->FirstModule;
  forgetModule(module);
  model::ge_DeleteModule(module);
  doc_ShareProjectWords(*doc, first);
}

bool fn_Save() {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !doc->ProjectLoaded) return false;
  const bool saved = engineHooks().fn_SaveProject ? engineHooks().fn_SaveProject(false)
                                                  : modelfiles::mdl_SaveProjectFile(0) == 1;
  if (!doc->FirstModule) doc->ProjectLoaded = 0;
  return saved;
}

bool fn_SaveAs() {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !doc->ProjectLoaded) return false;
  if (engineHooks().fn_SaveProject) return engineHooks().fn_SaveProject(true);
  return modelfiles::mdl_SaveProjectFile(1) == 1;
}

void fn_Close() {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (doc && doc->ProjectLoaded) de_ReleaseDocList();
}

void de_CloseLevel() {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc || doc->MacroLevel == 0) return;
  model::LogicRecord* shown = doc->LevelLogics[doc->MacroLevel];
  int level = doc->MacroLevel;
  doc->LevelLogics[level] = nullptr;
  doc->LevelInstances[level] = nullptr;
  doc->MacroLevel = 0;
  if (shown && !shown->FirstGate) de_RemoveLogicRecord(shown);
}

} // namespace editor
