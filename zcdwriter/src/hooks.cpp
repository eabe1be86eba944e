// The writer's services in the shape of the editor's engine hooks.
#include "zcdwriter/zcdwriter.h"

#include "model/records.h"

namespace zcd {

bool zcd_HookAllocateSheet(model::DocumentRecord* doc) {
  model::LogicRecord* logic = doc ? model::EditLogic(*doc) : nullptr;
  if (!logic) return false;
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = doc;
  pc_AllocateSheet(logic->FirstGate, model::EditInstances(*doc) ? model::EditInstances(*doc) : logic->FirstInstance);
  model::CurrentDocument = previous;
  return true;
}

void zcd_HookEmitProgramFrame(model::LogicRecord* logic, std::uint16_t argument) {
  if (!logic) return;
  model::GateInstance* instances = logic->FirstInstance;
  if (const model::DocumentRecord* doc = model::CurrentDocument)
    for (int level = 1; level <= model::kMaxMacroLevel; ++level)
      if (doc->LevelLogics[level] == logic && doc->LevelInstances[level]) {
        instances = doc->LevelInstances[level];
        break;
      }
  pc_EmitProgramFrame(logic->FirstGate, instances, std::uint8_t(argument));
}

bool zcd_HookOpenOutput(const std::string& path) {
  WriterEnvironment& env = writerEnvironment();
  if (path.empty()) {
    co_OpenOutput();
    return co_IsOpen();
  }
  const auto saved = env.mainPath;
  env.mainPath = [path] { return path; };
  co_OpenOutput();
  env.mainPath = saved;
  return co_IsOpen();
}

void zcd_HookCloseOutput() { co_CloseOutput(); }

} // namespace zcd
