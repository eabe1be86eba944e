// Level paths and titles.
#include "editor/titles.h"
#include "editor/setup.h"

#include "editor/context.h"
#include "editor/tables.h"
#include "editor/ws.h"
#include "model/document.h"

#include <algorithm>
#include <cstdio>

namespace editor {

std::string de_LevelPath(const model::DocumentRecord& doc) {
  std::string path;
  int levels = std::min<int>(doc.MacroLevel, model::kMaxMacroLevel);
  for (int level = 1; level <= levels; ++level) {
    std::string name = model::logicName(doc.LevelLogics[level]);
    if (auto blank = name.find(' '); blank != std::string::npos) name.erase(blank);
    if (level > 1) path += '\\';
    path += name;
  }
  if (path.size() > 60) path.erase(0, path.size() - 60);
  return path;
}

void de_RefreshAllLevels(WorksheetWindowData* window) {
  model::DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  std::string path = de_LevelPath(*doc);
  // The prefix names the kind of view: face editor, trend, gate face, run
  // view (its module-qualified name instead of the path), subprogram lists
  // (no prefix), editing, or anything else.
  std::string title;
  if (doc->WindowKind == 4) title = host().languageText(1000) + path;
  else if (doc->TrendView) title = host().languageText(1001) + path;
  else if (doc->ListSwitch4) title = host().languageText(1002) + path;
  else if (doc->RunView) {
    char qualified[128];
    mod_QualifiedName(qualified, sizeof qualified);
    title = qualified;
  }
  else if (doc->ShowValues || doc->ListSwitch2 || doc->ListSwitch3) title = path;
  else title = host().languageText(doc->EditView ? 1007 : 1009) + path;
  if (title.size() > 61) title.resize(61);
  std::snprintf(doc->Title, sizeof doc->Title, "%s", title.c_str());
  host().setTitle(window, title);
}

namespace {
int refresh(WorksheetWindowData* window, bool redraw) {
  de_RefreshAllLevels(window);
  host().setCursor(14);
  ws_DropUndoBuffer();
  if (model::LogicRecord* logic = currentLevelLogic())
    for (model::GateRecord* g = logic->FirstGate; g; g = g->Next) g->Selected = g->HeldSelected = 0;
  if (redraw) host().requestRedraw();
  return 0;
}
} // namespace

int ui_RefreshLevelsA(WorksheetWindowData* window, EngineEvent*) {
  ctx().projectChanged = 1;
  return refresh(window, true);
}
int ui_RefreshLevelsB(WorksheetWindowData* window, EngineEvent*) { return refresh(window, true); }
int ui_RefreshLevelsC(WorksheetWindowData* window, EngineEvent*) { return refresh(window, false); }

void titles_RegisterHandlers() {
  ui_RegisterHandler(HandlerId::ui_RefreshLevelsA, ui_RefreshLevelsA);
  ui_RegisterHandler(HandlerId::ui_RefreshLevelsB, ui_RefreshLevelsB);
  ui_RegisterHandler(HandlerId::ui_RefreshLevelsC, ui_RefreshLevelsC);
}

} // namespace editor
