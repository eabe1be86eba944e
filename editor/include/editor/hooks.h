#pragma once
// Services of the engine side that the editor calls but that are built
// elsewhere (the target text writer, the block parameter forms, the lists,
// the recorder). Each hook starts as a stand-in that only records its call;
// the owning code installs the real operation.
#include <cstdint>
#include <string>
#include <vector>

namespace model { struct DocumentRecord; struct LogicRecord; struct GateRecord; struct GateInstance; }

namespace editor {

struct EngineHooks {
  // Virtual machine instruction sizes (every dispatch of a document).
  void (*vm_InitOpSizes)() = nullptr;
  // Target text writer: sheet of the program frame, the frame, output file.
  bool (*pc_AllocateSheet)(model::DocumentRecord* doc) = nullptr;
  void (*pc_EmitProgramFrame)(model::LogicRecord* logic, std::uint16_t argument) = nullptr;
  bool (*co_OpenOutput)(const std::string& path) = nullptr;
  void (*co_CloseOutput)() = nullptr;
  // End of a run: every gate's end procedure; gate counters.
  void (*sim_EndGate)(model::DocumentRecord* doc) = nullptr;
  void (*ge_ClearGateCounter)(model::DocumentRecord* doc) = nullptr;
  // Extern threads of the engine.
  void (*xt_EnableThreads)() = nullptr;
  void (*xt_DisableThreads)() = nullptr;
  // Block parameter forms and prompts.
  bool (*pf_EditBlock)(model::GateRecord* gate) = nullptr;
  bool (*pf_PromptInt)(const std::string& title, int& value) = nullptr;
  bool (*pf_PromptIoValue)(model::GateRecord* gate) = nullptr;
  // A value at a connection: the prompt of its signal type ("Binary Value ?"...).
  bool (*pf_PromptValue)(const std::string& title, double& value) = nullptr;
  // Parameter lists (".LPA" files).
  bool (*lst_WriteList)(model::DocumentRecord* doc, const std::string& path) = nullptr;
  bool (*lst_ReadList)(model::DocumentRecord* doc, const std::string& path) = nullptr;
  // Face editor and trend display.
  void (*fe_OpenFaceEditor)(model::LogicRecord* logic) = nullptr;
  void (*tr_StartTrend)(model::DocumentRecord* doc) = nullptr;
  // The parameter forms of a gate opened in a run window: its instance,
  // whether it is new (flag bit 1 clear), whether the level is the top one,
  // the click point relative to the gate, the mode and the gate's ordinal.
  // Without it pf_EditBlock is called with the gate alone.
  bool (*pf_OpenForms)(model::GateRecord* gate, model::GateInstance* instance, bool isNew, bool topLevel, int dx,
                       int dy, int mode, int ordinal) = nullptr;
  // The parameter list of a gate's logic to its ".LPA" file (toOutput: to the
  // file or the printer).
  bool (*lst_LogicParams)(model::GateRecord* gate, model::GateInstance* instance, bool topLevel, int ordinal,
                          bool toOutput) = nullptr;
  // The end of the run of a gate list, with (deep) or without its sub-logics.
  void (*sim_EndGates)(model::GateRecord* gates, model::GateInstance* instances, bool deep) = nullptr;
  // Saving the project for 203 (saveAs false) and 207 (true): the program's
  // own save, which knows the name the user chose; true when it was written.
  // Unset: the model's writer, asking the file layer for a name on 207.
  bool (*fn_SaveProject)(bool saveAs) = nullptr;
};

EngineHooks& engineHooks();
// The names of the stand-ins called so far (tests).
std::vector<std::string>& hookCalls();
void hooks_Reset();

// Calls through a hook or records the stand-in's call.
void hk_InitOpSizes();
bool hk_AllocateSheet(model::DocumentRecord* doc);
void hk_EmitProgramFrame(model::LogicRecord* logic, std::uint16_t argument);
bool hk_OpenOutput(const std::string& path);
void hk_CloseOutput();
void hk_EndGate(model::DocumentRecord* doc);
void hk_ClearGateCounter(model::DocumentRecord* doc);
void hk_EnableThreads();
void hk_DisableThreads();
bool hk_EditBlock(model::GateRecord* gate);
bool hk_PromptInt(const std::string& title, int& value);
bool hk_PromptIoValue(model::GateRecord* gate);
bool hk_PromptValue(const std::string& title, double& value);
void hk_OpenFaceEditor(model::LogicRecord* logic);
bool hk_OpenForms(model::GateRecord* gate, model::GateInstance* instance, bool isNew, bool topLevel, int dx, int dy,
                  int mode, int ordinal);
bool hk_LogicParams(model::GateRecord* gate, model::GateInstance* instance, bool topLevel, int ordinal,
                    bool toOutput);
void hk_EndGates(model::GateRecord* gates, model::GateInstance* instances, bool deep);
bool hk_WriteList(model::DocumentRecord* doc, const std::string& path);
bool hk_ReadList(model::DocumentRecord* doc, const std::string& path);
void hk_StartTrend(model::DocumentRecord* doc);

} // namespace editor
