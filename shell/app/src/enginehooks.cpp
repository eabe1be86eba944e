// The engine-side services behind the editor's hooks.
#include "zerloapp/enginehooks.h"

#include "editor/hooks.h"
#include "engine/externs.h"
#include "engine/paramlist.h"
#include "model/records.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/fileselect.h"
#include "zcdwriter/zcdwriter.h"

#include <cstring>
#include <ctime>
#include <optional>

namespace zapp {

namespace {

std::string settingsTextPath() { return shell::bind_PathText(shell::bind_GetPathToProjectZCDForInst); }

std::string settingsTempDir() {
  std::string dir = shell::bind_PathText(shell::bind_GetTEMPPath);
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

// The writer's environment as it was before the hooks were installed.
std::optional<zcd::WriterEnvironment> g_previousWriter;

model::DocumentRecord* currentDocument() { return model::CurrentDocument; }

int shownLevel(const model::DocumentRecord& doc) {
  return doc.MacroLevel >= 1 && doc.MacroLevel <= model::kMaxMacroLevel ? doc.MacroLevel : 0;
}

// The instance of a gate of the current document's shown level: the level's
// instance list walked in step with its logic's gate list.
model::GateInstance* instanceOf(model::GateRecord* gate, bool* topLevel = nullptr) {
  model::DocumentRecord* doc = currentDocument();
  if (topLevel) *topLevel = false;
  if (!doc || !gate) return nullptr;
  const int level = shownLevel(*doc);
  model::LogicRecord* logic = level ? doc->LevelLogics[level] : nullptr;
  if (!logic) return nullptr;
  if (topLevel) *topLevel = level == 1;
  model::GateInstance* inst = doc->LevelInstances[level] ? doc->LevelInstances[level] : logic->FirstInstance;
  for (model::GateRecord* g = logic->FirstGate; g; g = g->Next, inst = inst ? inst->Next : nullptr)
    if (g == gate) return inst;
  return nullptr;
}

// ---- target program text ----

// The editor hands the path slot of its options; the text goes to this
// instance's own file, as the start command's compiler expects it. The
// setup pass runs whether or not the file could be had: it also resets the
// values and runs the blocks' setup procedures.
// The setup pass runs even when the text cannot be written (the simulation
// needs its allocation); the user is told, since a compile would otherwise
// take an earlier text for the diagram's.
bool openOutput(const std::string&) {
  if (!zcd::zcd_HookOpenOutput("")) {
    const std::string path = zcd::writerEnvironment().mainPath ? zcd::writerEnvironment().mainPath() : std::string();
    plat::ui::messageBox("The target program text " + (path.empty() ? std::string("(no path)") : path) +
                             " cannot be created.",
                         "Zerlo", plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
  }
  return true;
}

void closeOutput() {
  const bool wasOpen = zcd::co_IsOpen();
  zcd::zcd_HookCloseOutput();
  if (wasOpen && !zcd::co_LastCloseOk())
    plat::ui::messageBox("The target program text was not written whole.", "Zerlo",
                         plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
}

// ---- end of a run ----

// The editor names only the document: while a gate is being placed it is the
// document's current gate, whose run state ends alone (extern call reason 2);
// otherwise the run of the shown level ends, with its sub-logics at level 1
// (the run view is left) and without them above (the level is left).
void endGate(model::DocumentRecord* doc) {
  if (!doc) return;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = doc;
  if (model::GateRecord* g = doc->CurrentGate) {
    model::GateInstance* inst = instanceOf(g);
    engine::xt_SetCallReason(2);
    zcd::sim_EndGate(g, inst);
    engine::xt_SetCallReason(1);
  } else if (doc->RunView) {
    const int level = shownLevel(*doc);
    if (model::LogicRecord* logic = level ? doc->LevelLogics[level] : nullptr) {
      model::GateInstance* inst = doc->LevelInstances[level] ? doc->LevelInstances[level] : logic->FirstInstance;
      engine::xt_SetCallReason(0);
      if (level == 1) zcd::sim_EndGatesDeep(logic->FirstGate, inst);
      else zcd::sim_EndGates(logic->FirstGate, inst);
      engine::xt_SetCallReason(1);
    }
  }
  model::CurrentDocument = previous;
}

void endGates(model::GateRecord* gates, model::GateInstance* instances, bool deep) {
  engine::xt_SetCallReason(0);
  if (deep) zcd::sim_EndGatesDeep(gates, instances);
  else zcd::sim_EndGates(gates, instances);
  engine::xt_SetCallReason(1);
}

// The interpreter's instruction sizes are fixed in the engine: nothing to
// set. (The editor calls this with every event of a document; its stand-in
// would note every call for the life of the program.)
void initOpSizes() {}

// The writer keeps no count of uncounted gates (nobody reads one): nothing
// to reset.
void clearGateCounter(model::DocumentRecord*) {}

// ---- parameter forms ----

// The editor's form of one gate (a right press on it, a gate just placed):
// the click point is not handed on, so a compiled type shows all its fields.
bool editBlock(model::GateRecord* gate) {
  if (!gate) return false;
  engine::ParamCall call;
  call.gate = gate;
  call.instance = instanceOf(gate, &call.global);
  call.enable = (gate->Flags & model::kGateSharedExtra) == 0;
  call.allFields = true;
  call.mode = engine::ParamMode::Prompt;
  engine::ParamText text;
  return engine::pf_EditBlock(call, text, engineHookEnvironment().dialogs);
}

// The forms of a gate opened in a run window: parameters (of a gate of its
// own) and presets, the clicked field of a compiled type.
bool openForms(model::GateRecord* gate, model::GateInstance* instance, bool isNew, bool topLevel, int dx, int dy,
               int, int ordinal) {
  if (!gate) return false;
  engine::ParamCall call;
  call.gate = gate;
  call.instance = instance;
  call.enable = isNew;
  call.global = topLevel;
  call.allFields = false;
  call.clickX = std::int16_t(dx);
  call.clickY = std::int16_t(dy);
  call.mode = engine::ParamMode::Prompt;
  call.gateNumber = std::uint16_t(ordinal > 0 ? ordinal : 0);
  engine::ParamText text;
  return engine::gp_GateParams(call, text, engineHookEnvironment().dialogs);
}

bool promptInt(const std::string& title, int& value) {
  engine::ParamDialogs* d = engineHookEnvironment().dialogs;
  if (!d) return false;
  std::int16_t v = std::int16_t(value);
  if (!engine::pf_PromptInt(*d, title, v)) return false;
  value = v;
  return true;
}

bool promptValue(const std::string& title, double& value) {
  engine::ParamDialogs* d = engineHookEnvironment().dialogs;
  return d && d->promptReal(title, value);
}

// ---- parameter lists ----

// A list that could not be written is told to the user with the writer's reason.
void tellListFailure(const std::string& why) {
  plat::ui::messageBox(why.empty() ? std::string("The parameter list cannot be written.") : why, "Zerlo",
                       plat::ui::MB_OK | plat::ui::MB_ICONEXCLAMATION);
}

std::string logicName(const model::GateRecord* gate) {
  const model::LogicRecord* l = model::subLogic(gate);
  std::string n = l ? std::string(l->Name, strnlen(l->Name, sizeof l->Name)) : std::string();
  while (!n.empty() && n.back() == ' ') n.pop_back();
  return n;
}

// The list of one gate (a subprogram with its sub-logic) into the file the
// selector answers.
bool logicParams(model::GateRecord* gate, model::GateInstance* instance, bool topLevel, int ordinal, bool) {
  EngineHookEnvironment& env = engineHookEnvironment();
  if (!gate || !env.chooseListFile) return false;
  std::string path = logicName(gate);
  if (!path.empty()) path += ".LPA";
  if (!env.chooseListFile(path) || path.empty()) return false;
  std::string why;
  const bool ok = engine::lst_LogicParamsToOutput(path, gate, instance, topLevel,
                                                  std::uint16_t(ordinal > 0 ? ordinal : 0), env.dialogs, &why);
  if (!ok) tellListFailure(why);
  return ok;
}

// The logic of the document's shown level and the instance list it runs with.
struct ShownLevel {
  model::LogicRecord* logic = nullptr;
  model::GateInstance* instances = nullptr;
};
ShownLevel shownLevelOf(model::DocumentRecord* doc) {
  ShownLevel s;
  const int level = doc ? shownLevel(*doc) : 0;
  s.logic = level ? doc->LevelLogics[level] : nullptr;
  if (s.logic) s.instances = doc->LevelInstances[level] ? doc->LevelInstances[level] : s.logic->FirstInstance;
  return s;
}

// The whole list of the document's shown level, with its page head or plain.
bool writeListOf(model::DocumentRecord* doc, const std::string& path, bool withHead) {
  const ShownLevel shown = shownLevelOf(doc);
  model::LogicRecord* logic = shown.logic;
  if (!logic || path.empty()) return false;
  std::string name;
  if (withHead) name.assign(logic->Name, strnlen(logic->Name, sizeof logic->Name));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  char date[16] = {};
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::strftime(date, sizeof date, "%d.%m.%y", &tm);
  std::string why;
  const bool ok = engine::lst_AllParamsWithHead(path, logic->FirstGate, shown.instances, name, date,
                                                engineHookEnvironment().dialogs, &why);
  if (!ok) tellListFailure(why);
  return ok;
}

bool writeList(model::DocumentRecord* doc, const std::string& path) { return writeListOf(doc, path, true); }

bool readList(model::DocumentRecord* doc, const std::string& path) {
  const ShownLevel shown = shownLevelOf(doc);
  if (!shown.logic || path.empty()) return false;
  // 50042 answered Yes chooses another file.
  return engine::lst_AllParamsFromFile(path, shown.logic->FirstGate, shown.instances, engineHookEnvironment().dialogs,
                                       engineHookEnvironment().chooseListFile);
}

// The list file through the first selector's dialog: a list is written, so
// a new name may be given; the name passed in is offered.
bool chooseListFile(std::string& path) {
  std::string chosen;
  if (!shell::fsel_ChooseFile("*.LPA", path, true, chosen)) return false;
  path = chosen;
  return true;
}

} // namespace

bool app_WriteParamLists(model::DocumentRecord* doc, bool withHead, std::string& lastPath) {
  const auto& choose = engineHookEnvironment().chooseListFile;
  std::string path = lastPath;
  if (!doc || !choose || !choose(path) || path.empty()) return false;
  lastPath = path;
  return writeListOf(doc, path, withHead);
}

EngineHookEnvironment& engineHookEnvironment() {
  static EngineHookEnvironment e{settingsTextPath, settingsTempDir, nullptr, chooseListFile};
  return e;
}

void app_InstallEngineHooks() {
  editor::EngineHooks& h = editor::engineHooks();
  h.vm_InitOpSizes = initOpSizes;
  h.pc_AllocateSheet = zcd::zcd_HookAllocateSheet;
  h.pc_EmitProgramFrame = zcd::zcd_HookEmitProgramFrame;
  h.co_OpenOutput = openOutput;
  h.co_CloseOutput = closeOutput;
  h.sim_EndGate = endGate;
  h.sim_EndGates = endGates;
  h.ge_ClearGateCounter = clearGateCounter;
  h.pf_EditBlock = editBlock;
  h.pf_OpenForms = openForms;
  h.pf_PromptInt = promptInt;
  h.pf_PromptValue = promptValue;
  h.lst_LogicParams = logicParams;
  h.lst_WriteList = writeList;
  h.lst_ReadList = readList;
  zcd::WriterEnvironment& w = zcd::writerEnvironment();
  if (!g_previousWriter) g_previousWriter = w;
  w.mainPath = [] {
    const auto& f = engineHookEnvironment().targetTextPath;
    return f ? f() : std::string();
  };
  w.tempDir = [] {
    const auto& f = engineHookEnvironment().tempDir;
    return f ? f() : std::string();
  };
}

void app_RemoveEngineHooks() {
  editor::EngineHooks& h = editor::engineHooks();
  h.vm_InitOpSizes = nullptr;
  h.pc_AllocateSheet = nullptr;
  h.pc_EmitProgramFrame = nullptr;
  h.co_OpenOutput = nullptr;
  h.co_CloseOutput = nullptr;
  h.sim_EndGate = nullptr;
  h.sim_EndGates = nullptr;
  h.ge_ClearGateCounter = nullptr;
  h.pf_EditBlock = nullptr;
  h.pf_OpenForms = nullptr;
  h.pf_PromptInt = nullptr;
  h.pf_PromptValue = nullptr;
  h.lst_LogicParams = nullptr;
  h.lst_WriteList = nullptr;
  h.lst_ReadList = nullptr;
  if (zcd::co_IsOpen()) zcd::co_CloseOutput();
  if (g_previousWriter) zcd::writerEnvironment() = *g_previousWriter;
  g_previousWriter.reset();
}

} // namespace zapp
