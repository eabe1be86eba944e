// The gate-face editor's rows and document, and the macro tree of the gate
// parameters window.
#include "editor/faceview.h"

#include "display/gdi.h"
#include "editor/context.h"
#include "editor/documents.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "editor/tables.h"
#include "editor/titles.h"
#include "editor/views.h"
#include "editor/ws.h"
#include "modelfiles/selection.h"
#include "recorder/faceedit.h"

#include <cstring>
#include <string>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

std::string name16(const char* field) {
  std::string s(field, strnlen(field, 16));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The macro gates of a logic, depth first; y advances by 20 a gate.
void drawMacroGates(const LogicRecord* logic, int x, int& y, int sx, int sy, int depth) {
  if (!logic || depth > model::kMaxMacroLevel) return;
  for (const GateRecord* g = logic->FirstGate; g; g = g->Next) {
    const LogicRecord* sub = model::subLogic(g);
    if (!sub) continue;
    disp::gdi_DrawPictogram(x - sx, y - sy, 1);
    disp::gdi_Text(x + 30 - sx, y + 20 - sy, name16(sub->Name));
    y += 20;
    drawMacroGates(sub, x + 20, y, sx, sy, depth + 1);
  }
}

} // namespace

void ws_DrawPictogramList(const LogicRecord* logic, int scrollX, int scrollY) {
  if (!logic || !disp::gdi_CurrentDevice()) return;
  disp::gdi_SetTextHeight(13, nullptr, nullptr, nullptr, nullptr);
  disp::gdi_DrawPictogram(40 - scrollX, 40 - scrollY, 3);
  disp::gdi_Text(70 - scrollX, 60 - scrollY, name16(logic->Name));
  int y = 60;
  drawMacroGates(logic, 60, y, scrollX, scrollY, 1);
}

int ws_GateFaceCommand(WorksheetWindowData* window, EngineEvent*) {
  DocumentRecord* tmpl = model::TemplateDocument;
  if (!tmpl) return 9;
  tmpl->CopyWork = nullptr;
  DocumentRecord* doc = doc_NewWindowDocument(*tmpl);
  if (!doc) return 9;
  model::CurrentDocument = doc;
  doc->RunView = 0;
  doc->EditView = 0;
  doc->ListSwitch4 = 1;
  model::NewDocument = nullptr;
  // The face designed is the subprogram the shell's dialog chose (left as
  // the last chosen name); without one it is the logic the template shows.
  char field[17] = {};
  LogicRecord* chosen = nullptr;
  if (modelfiles::ls_FindLogicByName(field, 16, chosen, 3) == 1 && chosen) {
    doc->MacroLevel = 1;
    doc->LevelLogics[1] = chosen;
    doc->LevelInstances[1] = chosen->FirstInstance;
  }
  if (!window) {
    // Nothing would hold the document.
    model::CurrentDocument = tmpl;
    doc_FreeWindowDocument(doc);
    return 9;
  }
  DocumentRecord* old = window->document;
  window->document = doc;
  window->kind = kKindMainSheet;
  window->answer = 1;
  ui_AttachWindow(window);
  if (old && old != tmpl && old != model::PasteDocument && old != doc && old != model::RunDocument) {
    doc_FreeWindowDocument(old);
    model::CurrentDocument = doc;
  }
  de_RefreshDocument(window);
  de_RefreshAllLevels(window);
  return 1;
}

namespace {

LogicRecord* faceLogic() { return currentLevelLogic(); }

int faceEditCommand(WorksheetWindowData* window, EngineEvent*) {
  if (DocumentRecord* doc = model::CurrentDocument) doc->ListSwitch4 = 1;
  de_RefreshAllLevels(window);
  host().setCursor(14);
  host().requestRedraw();
  return 0;
}

int facePress(WorksheetWindowData*, EngineEvent* event) {
  if (LogicRecord* logic = faceLogic()) rec::fe_FaceEditor(logic, rec::FeEvent::Press, event->x, event->y);
  return 0;
}

int faceRelease(WorksheetWindowData*, EngineEvent* event) {
  // Only a press that began a drag in the face editor has a release to take.
  LogicRecord* logic = faceLogic();
  if (logic && rec::fe_State().state != 0) rec::fe_FaceEditor(logic, rec::FeEvent::Release, event->x, event->y);
  return 0;
}

int faceRedrawAll(WorksheetWindowData*, EngineEvent*) {
  for (WorksheetWindowData* w : host().worksheets()) host().invalidateAll(w);
  return 0;
}

int faceActivate(WorksheetWindowData*, EngineEvent*) {
  host().setCursor(14);
  if (LogicRecord* logic = faceLogic()) hk_OpenFaceEditor(logic);
  host().requestRedraw();
  return 0;
}

} // namespace

int fe_FaceMessage(EngineEvent* event) {
  if (LogicRecord* logic = faceLogic()) rec::fe_FaceEditor(logic, rec::FeEvent::Command, event->type, -999);
  return 0;
}

void faceView_RegisterHandlers() {
  using H = HandlerId;
  ui_RegisterHandler(H::fe_FaceEditCommand, faceEditCommand);
  ui_RegisterHandler(H::fe_FacePress, facePress);
  ui_RegisterHandler(H::fe_FaceRelease, faceRelease);
  ui_RegisterHandler(H::fe_FaceRedrawAll, faceRedrawAll);
  ui_RegisterHandler(H::fe_FaceActivate, faceActivate);
  ui_RegisterHandler(H::ws_GateFaceCommand, ws_GateFaceCommand);
}

} // namespace editor
