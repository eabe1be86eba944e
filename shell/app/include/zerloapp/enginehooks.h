#pragma once
// The engine-side services behind the editor's hooks (editor/hooks.h), in
// the shapes the editor calls them: the target program text writer (its
// allocation, text and end passes, the output file of this instance), the
// block parameter forms and prompts with the program's dialogs, and the
// parameter lists. Installed when the editor starts, taken out when it stops.
#include "engine/params.h"

#include <functional>
#include <string>

namespace zapp {

struct EngineHookEnvironment {
  // The target program text of this program instance ("" when it cannot be
  // had: the passes still run, no text is written). Default: the settings
  // library's path for the instance.
  std::function<std::string()> targetTextPath;
  // The temporary directory of the sequences' module files, with its
  // trailing separator. Default: the settings library's TEMP directory.
  std::function<std::string()> tempDir;
  // The prompts of the parameter forms; null: every form answers Cancel.
  engine::ParamDialogs* dialogs = nullptr;
  // The ".LPA" file of a parameter list: the selector's answer into path
  // (false: cancelled). Null: no list is written.
  std::function<bool(std::string& path)> chooseListFile;
};
EngineHookEnvironment& engineHookEnvironment();

// The parameter lists of the document's shown level into the ".LPA" file the
// selector answers (starting from lastPath, which takes the chosen path):
// with the page head or as the plain list. False when nothing was written.
bool app_WriteParamLists(model::DocumentRecord* doc, bool withHead, std::string& lastPath);

// Puts the adapters into the editor's hooks and points the writer's
// environment at the paths above; the previous writer environment is kept.
void app_InstallEngineHooks();
// Takes the adapters out of the editor's hooks (the ones the editor set
// itself stay) and gives the writer its previous environment back.
void app_RemoveEngineHooks();

} // namespace zapp
