// Replacing a library module with the states of the sheets kept aside.
#include "editor/library.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/gateactions.h"
#include "editor/hooks.h"
#include "editor/levels.h"
#include "editor/views.h"
#include "model/editing.h"
#include "model/services.h"
#include "modelfiles/filelayer.h"
#include "modelfiles/operands.h"
#include "modelfiles/selection.h"
#include "modelfiles/state.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;
using model::ProjectModule;

namespace {

// The folder made for this editor; empty until first used.
std::string gStateDir;

const char* slotName(StateSlot slot) {
  switch (slot) {
  case StateSlot::Work: return modelfiles::kStateWorkCopy;
  case StateSlot::WorkAfter: return modelfiles::kStateWorkCopy2;
  case StateSlot::Main: return modelfiles::kStateWorkMain;
  case StateSlot::MainLive: return "TEMPMAIN.001";
  }
  return "TEMP.000";
}

std::string fieldName(const char* field, std::size_t size) {
  std::string s(field, strnlen(field, size));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

} // namespace

std::string st_Directory() {
  if (!gStateDir.empty()) {
    std::error_code ec;
    if (std::filesystem::is_directory(gStateDir, ec)) return gStateDir;
    gStateDir.clear();
  }
  std::string base = modelfiles::fileServices().tempDir();
  std::error_code ec;
  if (base.empty() || !std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path(ec).string();
  if (base.empty()) base = "/tmp";
  std::string pattern = (std::filesystem::path(base) / "zerlo-states-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) return {};
  gStateDir = buffer.data();
  return gStateDir;
}

std::string st_Path(StateSlot slot) {
  std::string dir = st_Directory();
  if (dir.empty()) return {};
  return (std::filesystem::path(dir) / slotName(slot)).string();
}

bool st_Save(LogicRecord* logic, StateSlot slot) {
  if (!logic) return false;
  std::string path = st_Path(slot);
  if (path.empty()) return false;
  return modelfiles::mdl_WriteLogicStateFile(logic, path) == 1;
}

bool st_Restore(LogicRecord* logic, StateSlot slot) {
  if (!logic) return false;
  std::string path = st_Path(slot);
  if (path.empty()) return false;
  return modelfiles::mdl_ReadLogicStateFile(logic, path) == 1;
}

bool st_RestoreKeepingLive(LogicRecord* logic, StateSlot from, StateSlot live) {
  // A read that fails half-way has changed part of the values: only with the
  // live state safely written may it be tried at all.
  if (!st_Save(logic, live)) return false;
  if (st_Restore(logic, from)) return true;
  st_Restore(logic, live);
  return false;
}

void st_Release() {
  if (gStateDir.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(gStateDir, ec);
  gStateDir.clear();
}

LogicRecord* fn_FindMainLogic(DocumentRecord& doc) {
  for (LogicRecord* l = model::firstLogicOf(doc.FirstModule); l; l = l->Next)
    // Names end in blanks or a zero byte: both stand for the sixth character's blank.
    if (std::strncmp(l->Name, "&MAIN", 5) == 0 && (l->Name[5] == ' ' || l->Name[5] == '\0')) return l;
  return nullptr;
}

namespace {

// The logic on level 1 as the calls and the interpreter see it.
void showOnLevelOne(DocumentRecord& doc, LogicRecord* logic) {
  doc.MacroLevel = 1;
  doc.LevelLogics[1] = logic;
  doc.LevelInstances[1] = logic ? logic->FirstInstance : nullptr;
  hk_InitOpSizes();
}

bool inModule(const ProjectModule* module, const GateRecord* g) {
  if (!module || !g) return false;
  if (model::isCompiled(module)) {
    if (g->Kind != model::kKindCompiled && g->Kind != model::kKindCompiledNative) return false;
    const model::GateTypeRecord* t = model::subType(g);
    return t && t->Module == module;
  }
  if (g->Kind != model::kKindCall) return false;
  const LogicRecord* sub = model::subLogic(g);
  for (const LogicRecord* l = model::firstLogicOf(module); l; l = l->Next)
    if (l == sub) return true;
  return false;
}

std::string calledName(const GateRecord* g) {
  if (g->Kind == model::kKindCall) {
    const LogicRecord* l = model::subLogic(g);
    return l ? fieldName(l->Name, 16) : std::string();
  }
  const model::GateTypeRecord* t = model::subType(g);
  return t ? fieldName(t->Name, 16) : std::string();
}

bool isListed(const DocumentRecord& doc, const ProjectModule* module) {
  for (const ProjectModule* m = doc.FirstModule; m; m = m->Next)
    if (m == module) return true;
  return false;
}

// Every call of the old module in the logic, made again from the new library
// with its wiring; the logic's values are kept.
void rebuildCalls(DocumentRecord& doc, LogicRecord* logic, ProjectModule* old, const std::string& library) {
  showOnLevelOne(doc, logic);
  std::vector<GateRecord*> calls;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    if (inModule(old, g)) calls.push_back(g);
  if (calls.empty()) return;
  const bool saved = st_Save(logic, StateSlot::Work);
  for (GateRecord* g : calls) {
    const std::string name = calledName(g);
    ws_RebuildAfterLibraryChange(library.c_str(), name.c_str(), g->X - doc.ScrollX + 5, g->Y - doc.ScrollY + 5, g);
    doc.LevelInstances[1] = logic->FirstInstance;
    ctx().libraryReplaced = 1;
  }
  // The values from before the rebuild; when they do not fit the rebuilt
  // logic, the rebuilt state (written just before) stays.
  if (saved) st_RestoreKeepingLive(logic, StateSlot::Work, StateSlot::WorkAfter);
  doc.LevelInstances[1] = logic->FirstInstance;
}

} // namespace

bool ws_RebuildCallsKeepingState(LogicRecord* logic) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !logic) return false;
  LogicRecord* main = fn_FindMainLogic(*doc);
  LogicRecord* shown = doc->LevelLogics[1];
  model::GateInstance* shownInstances = doc->LevelInstances[1];
  const std::uint16_t level = doc->MacroLevel;
  auto putBack = [&] {
    doc->MacroLevel = level;
    doc->LevelLogics[1] = shown;
    // A rebuilt logic has new instance records: level 1 takes them afresh.
    doc->LevelInstances[1] = shown ? shown->FirstInstance : shownInstances;
  };
  bool saved = false;
  if (main && main != logic) {
    showOnLevelOne(*doc, main);
    saved = st_Save(main, StateSlot::Work);
    putBack();
  }
  const bool any = model::ge_ForEachGateNotify(logic);
  if (saved) {
    showOnLevelOne(*doc, main);
    st_RestoreKeepingLive(main, StateSlot::Work, StateSlot::WorkAfter);
    putBack();
  }
  return any;
}

bool fn_ReplaceLibrary(WorksheetWindowData* window) {
  ProjectModule* fresh = nullptr;
  if (!modelfiles::ls_SelectAndLoad(fresh)) return false;
  // The selector stands on the module chosen for replacement.
  ProjectModule* old = modelfiles::ls_CurrentSource();
  DocumentRecord* docp = model::CurrentDocument;
  if (!docp) return false;
  DocumentRecord& doc = *docp;
  EditorContext& c = ctx();
  if (c.replaceNoticePending) {
    model::shell().bind_SW50_CallMBWithID(40019, 0);
    c.replaceNoticePending = 0;
  }
  if (!fresh || !old || old == fresh || old == doc.FirstModule || !isListed(doc, old) || !isListed(doc, fresh))
    return false;
  const std::string library = fieldName(fresh->Name, 12);

  LogicRecord* main = fn_FindMainLogic(doc);
  LogicRecord* previousLogic = doc.LevelLogics[1];
  model::GateInstance* previousInstances = doc.LevelInstances[1];
  const std::uint16_t previousLevel = doc.MacroLevel;
  bool mainSaved = false;
  if (main) {
    showOnLevelOne(doc, main);
    mainSaved = st_Save(main, StateSlot::Main);
    doc.LevelLogics[1] = previousLogic;
    doc.LevelInstances[1] = previousInstances;
    doc.MacroLevel = previousLevel;
  }

  std::vector<LogicRecord*> logics;
  for (LogicRecord* l = model::firstLogicOf(doc.FirstModule); l; l = l->Next) logics.push_back(l);
  for (LogicRecord* l : logics) rebuildCalls(doc, l, old, library);

  // The old module goes; every level that shows one of its logics closes.
  if (!model::isCompiled(old))
    for (LogicRecord* l = model::firstLogicOf(old); l; l = l->Next) ui_ForgetLogic(l);
  ProjectModule* first = doc.FirstModule;
  de_ReleaseModuleCode(old);
  model::ge_DeleteModule(old);
  doc_ShareProjectWords(doc, first);

  main = fn_FindMainLogic(doc);
  if (main) {
    showOnLevelOne(doc, main);
    if (mainSaved) st_RestoreKeepingLive(main, StateSlot::Main, StateSlot::MainLive);
  }
  modelfiles::va_ResetAll();
  hk_ClearGateCounter(&doc);
  doc.EditView = 0;
  doc.RunView = 1;
  doc.ShowValues = 1;
  doc.ListSwitch2 = 0;
  doc.ListSwitch3 = 0;
  doc.ListSwitch4 = 0;
  doc.TrendView = 0;
  doc.MarkedGate = nullptr;
  if (doc.ProjectLoaded) de_EnterRunView();
  host().beginWaitCursor();
  if (main) {
    main->StepBlock.simTime = -1.0;
    doc.iterationCounter = 1;
    modelfiles::va_SetModeSearch();
    hk_AllocateSheet(&doc);
  }
  host().endWaitCursor();
  modelfiles::va_SetModeFixed();
  for (int id : {230, 231, 232, 251, 250, 252, 233}) host().menuDisable(id);
  (void)window;
  return true;
}

} // namespace editor
