#pragma once
// Level paths and window titles of the shown documents, and the refresh
// handlers that rewrite them.
#include "editor/host.h"
#include "model/records.h"

#include <string>

namespace editor {

// Names of levels 1 to the current one, each cut at its first blank,
// separated by backslashes; a path longer than 60 characters keeps its last 60.
std::string de_LevelPath(const model::DocumentRecord& doc);
// Sets the window title from the prefix text and the level path.
void de_RefreshAllLevels(WorksheetWindowData* window);

int ui_RefreshLevelsA(WorksheetWindowData* window, EngineEvent* event);
int ui_RefreshLevelsB(WorksheetWindowData* window, EngineEvent* event);
int ui_RefreshLevelsC(WorksheetWindowData* window, EngineEvent* event);
void titles_RegisterHandlers();

} // namespace editor
