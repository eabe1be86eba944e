// The engine-side services the editor calls, with recording stand-ins until
// their owners install them.
#include "editor/hooks.h"

#include "recorder/faceedit.h"
#include "recorder/recorder.h"

namespace editor {

namespace {
// The recorder's settings of a new trend window: its defaults.
void startTrendDefaults(model::DocumentRecord*) {
  if (rec::Recorder* r = rec::tr_ActiveRecorder()) rec::tr_SetupDefaults(*r);
}

// The operations that have landed are installed from the start.
EngineHooks installedHooks() {
  EngineHooks h;
  h.fe_OpenFaceEditor = rec::fe_FrameInit;
  h.tr_StartTrend = startTrendDefaults;
  return h;
}

EngineHooks gHooks = installedHooks();
std::vector<std::string> gCalls;

void note(const char* name) { gCalls.emplace_back(name); }
} // namespace

EngineHooks& engineHooks() { return gHooks; }
std::vector<std::string>& hookCalls() { return gCalls; }
void hooks_Reset() {
  gHooks = installedHooks();
  gCalls.clear();
}

void hk_InitOpSizes() { gHooks.vm_InitOpSizes ? gHooks.vm_InitOpSizes() : note("vm_InitOpSizes"); }
bool hk_AllocateSheet(model::DocumentRecord* doc) {
  if (gHooks.pc_AllocateSheet) return gHooks.pc_AllocateSheet(doc);
  note("pc_AllocateSheet");
  return true;
}
void hk_EmitProgramFrame(model::LogicRecord* logic, std::uint16_t argument) {
  gHooks.pc_EmitProgramFrame ? gHooks.pc_EmitProgramFrame(logic, argument) : note("pc_EmitProgramFrame");
}
bool hk_OpenOutput(const std::string& path) {
  if (gHooks.co_OpenOutput) return gHooks.co_OpenOutput(path);
  note("co_OpenOutput");
  return true;
}
void hk_CloseOutput() { gHooks.co_CloseOutput ? gHooks.co_CloseOutput() : note("co_CloseOutput"); }
void hk_EndGate(model::DocumentRecord* doc) { gHooks.sim_EndGate ? gHooks.sim_EndGate(doc) : note("sim_EndGate"); }
void hk_ClearGateCounter(model::DocumentRecord* doc) {
  gHooks.ge_ClearGateCounter ? gHooks.ge_ClearGateCounter(doc) : note("ge_ClearGateCounter");
}
void hk_EnableThreads() { gHooks.xt_EnableThreads ? gHooks.xt_EnableThreads() : note("xt_EnableThreads"); }
void hk_DisableThreads() { gHooks.xt_DisableThreads ? gHooks.xt_DisableThreads() : note("xt_DisableThreads"); }
bool hk_EditBlock(model::GateRecord* gate) {
  if (gHooks.pf_EditBlock) return gHooks.pf_EditBlock(gate);
  note("pf_EditBlock");
  return false;
}
bool hk_PromptInt(const std::string& title, int& value) {
  if (gHooks.pf_PromptInt) return gHooks.pf_PromptInt(title, value);
  note("pf_PromptInt");
  return false;
}
bool hk_PromptIoValue(model::GateRecord* gate) {
  if (gHooks.pf_PromptIoValue) return gHooks.pf_PromptIoValue(gate);
  note("pf_PromptIoValue");
  return false;
}
bool hk_PromptValue(const std::string& title, double& value) {
  if (gHooks.pf_PromptValue) return gHooks.pf_PromptValue(title, value);
  note("pf_PromptValue");
  return false;
}

void hk_OpenFaceEditor(model::LogicRecord* logic) {
  gHooks.fe_OpenFaceEditor ? gHooks.fe_OpenFaceEditor(logic) : note("fe_OpenFaceEditor");
}
void hk_StartTrend(model::DocumentRecord* doc) {
  gHooks.tr_StartTrend ? gHooks.tr_StartTrend(doc) : note("tr_StartTrend");
}
bool hk_OpenForms(model::GateRecord* gate, model::GateInstance* instance, bool isNew, bool topLevel, int dx, int dy,
                  int mode, int ordinal) {
  if (gHooks.pf_OpenForms) return gHooks.pf_OpenForms(gate, instance, isNew, topLevel, dx, dy, mode, ordinal);
  return hk_EditBlock(gate);
}
bool hk_LogicParams(model::GateRecord* gate, model::GateInstance* instance, bool topLevel, int ordinal,
                    bool toOutput) {
  if (gHooks.lst_LogicParams) return gHooks.lst_LogicParams(gate, instance, topLevel, ordinal, toOutput);
  note(toOutput ? "lst_LogicParamsToOutput" : "lst_LogicParamsToFile");
  return false;
}
bool hk_WriteList(model::DocumentRecord* doc, const std::string& path) {
  if (gHooks.lst_WriteList) return gHooks.lst_WriteList(doc, path);
  note("lst_AllParamsWithHead");
  return false;
}
bool hk_ReadList(model::DocumentRecord* doc, const std::string& path) {
  if (gHooks.lst_ReadList) return gHooks.lst_ReadList(doc, path);
  note("lst_AllParamsFromFile");
  return false;
}
void hk_EndGates(model::GateRecord* gates, model::GateInstance* instances, bool deep) {
  if (gHooks.sim_EndGates) gHooks.sim_EndGates(gates, instances, deep);
  else note(deep ? "sim_EndGatesDeep" : "sim_EndGates");
}

} // namespace editor
