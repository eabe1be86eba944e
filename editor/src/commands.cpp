// The worksheet menu commands that no row handler takes.
#include "editor/context.h"
#include "editor/documents.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "editor/levels.h"
#include "editor/ws.h"
#include "engine/levels.h"
#include "modelfiles/operands.h"

#include <algorithm>

namespace editor {

using model::DocumentRecord;

namespace {

// Ids that have an entry; every other id does nothing at all.
bool hasEntry(int id) {
  static constexpr int kIds[] = {201, 203, 204, 205, 206, 207, 208, 209, 210, 211, 213, 214, 215, 216, 230, 231,
                                 232, 233, 234, 235, 236, 237, 239, 240, 241, 243, 250, 252, 256, 260, 262, 263,
                                 264, 274, 282, 287, 288, 289, 290, 295, 300, 301, 304, 320, 321, 330, 500, 501,
                                 502, 503, 504, 506, 509, 510, 512, 513};
  return std::find(std::begin(kIds), std::end(kIds), id) != std::end(kIds);
}

void resetDefaultSteps(DocumentRecord& doc) {
  model::StepBlock& s = doc.DefaultStepBlock;
  s.simTime = -1.0;
  s.interval = 2.0;
  s.minInterval = 1.0;
  s.maxInterval = 2.0;
  s.incrInterval = 2.0;
  s.maxIterations = 20;
}

// 282 and 262: one flag for the simulation and the online display.
int toggleDisplay(int firstTickMs) {
  EditorContext& c = ctx();
  if (c.SimulationOn) {
    host().menuText(282, "Simulation ein");
    c.SimulationOn = 0;
    setEditorState(0);
    host().stopSheetTimer();
    return 0;
  }
  host().menuText(282, "Simulation aus");
  c.SimulationOn = 1;
  if (model::CurrentDocument) resetDefaultSteps(*model::CurrentDocument);
  if (host().startSheetTimer(firstTickMs)) {
    setEditorState(7);
  } else {
    // A display that cannot tick is off: flag and menu text say so.
    c.SimulationOn = 0;
    host().menuText(282, "Simulation ein");
    setEditorState(0);
  }
  return 0;
}

int displayOff() {
  EditorContext& c = ctx();
  if (!c.SimulationOn) return 0;
  // The item of this command changes, and the switch 282 follows the flag too.
  host().menuText(263, "Simulation ein");
  host().menuText(282, "Simulation ein");
  c.SimulationOn = 0;
  setEditorState(0);
  host().stopSheetTimer();
  return 0;
}

model::LogicRecord* topLogic(DocumentRecord& doc) { return doc.LevelLogics[1]; }

// 213: a run window on a copy of the template.
int openRunWindow(WorksheetWindowData* window) {
  ws_DropUndoBuffer();
  host().beginWaitCursor();
  if (!model::TemplateDocument) {
    host().endWaitCursor();
    return 9;
  }
  DocumentRecord* doc = doc_NewWindowDocument(*model::TemplateDocument);
  if (!doc) {
    host().endWaitCursor();
    return 9;
  }
  model::CurrentDocument = doc;
  doc->RunView = 0;
  doc->EditView = 0;
  doc->ShowValues = 1;
  // The run view of level 1: the template's edited logic.
  if (doc->MacroLevel >= 1 && topLogic(*doc)) {
    doc->MacroLevel = 1;
    doc->RunView = 1;
  }
  host().endWaitCursor();
  if (!doc->RunView) {
    doc_FreeWindowDocument(doc);
    model::NewDocument = nullptr;
    return 9;
  }
  hk_InitOpSizes();
  topLogic(*doc)->StepBlock.simTime = -1.0;
  doc->iterationCounter = 1;
  modelfiles::va_SetModeSearch();
  hk_AllocateSheet(doc);
  ++ctx().runWindowCount;
  if (window) {
    window->document = doc;
    window->kind = kKindRunSheet;
    ui_AttachWindow(window);
  }
  model::RunDocument = doc;
  model::NewDocument = nullptr;
  return 1;
}

// 503 (and 320 after resetting the address table): the run from time zero.
int startRun(bool resetAddresses) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !topLogic(*doc)) return 0;
  if (resetAddresses) modelfiles::va_ResetAll();
  hk_InitOpSizes();
  host().beginWaitCursor();
  topLogic(*doc)->StepBlock.simTime = -1.0;
  doc->iterationCounter = 1;
  modelfiles::va_SetModeSearch();
  hk_AllocateSheet(doc);
  host().endWaitCursor();
  modelfiles::va_SetModeFixed();
  host().setCursor(14);
  model::RunDocument = doc;
  engine::ss_StepLevel(*doc);
  host().requestRedraw();
  return 0;
}

// 506: the simulation time back to the start.
int resetRunTime() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  model::RunDocument = doc;
  doc->ViewScale = 1.0;
  doc->LineHeight = 12;
  host().setCursor(14);
  if (model::LogicRecord* top = topLogic(*doc)) {
    top->StepBlock.simTime = -1.0;
    doc->iterationCounter = 1;
    if ((top->StepBlock.stepFlags & 1) && top->StepBlock.interval > top->StepBlock.minInterval)
      top->currentStep = top->StepBlock.minInterval;
  }
  host().requestRedraw();
  host().requestRedraw();
  return 0;
}

// 233: a run window on a fresh address table.
int openRunWindowFresh(WorksheetWindowData* window) {
  ws_DropUndoBuffer();
  if (!model::TemplateDocument) return 9;
  host().beginWaitCursor();
  DocumentRecord* doc = doc_NewWindowDocument(*model::TemplateDocument);
  if (!doc) {
    host().endWaitCursor();
    return 9;
  }
  model::CurrentDocument = doc;
  modelfiles::va_ResetAll();
  doc->EditView = 0;
  doc->RunView = 0;
  doc->ShowValues = 1;
  hk_ClearGateCounter(doc);
  if (doc->MacroLevel >= 1 && topLogic(*doc)) {
    doc->MacroLevel = 1;
    doc->RunView = 1;
  }
  host().endWaitCursor();
  model::NewDocument = nullptr;
  if (!doc->RunView) {
    doc_FreeWindowDocument(doc);
    return 9;
  }
  ++ctx().runWindowCount;
  if (window) {
    window->document = doc;
    window->kind = kKindRunSheet;
    ui_AttachWindow(window);
  }
  return 1;
}

int showParamList() {
  std::string path = ctx().options.paths[9];
  if (!host().chooseFile("*.LPA", path)) return 0;
  host().openTextViewer(path);
  return 0;
}

} // namespace

int ws_ExecuteCommand(WorksheetWindowData* window, EngineEvent* event) {
  int id = event->code;
  if (!hasEntry(id)) return 0;
  EditorContext& c = ctx();
  if (id != 330 && model::CurrentDocument && window) ui_ClearGateMarks(window, event);
  DocumentRecord* doc = model::CurrentDocument;
  switch (id) {
  case 203:
    ws_DropUndoBuffer();
    c.projectChanged = 0;
    return 0;
  case 204:
    ws_DropUndoBuffer();
    c.projectChanged = 0;
    model::CurrentDocument = model::TemplateDocument;
    if (window) window->document = nullptr;
    if (model::PasteDocument) model::PasteDocument->MenuWord = 1;
    host().menuDisable(374);
    return 0;
  case 205: case 206: case 210: case 214: case 216: case 509: case 510:
    ws_DropUndoBuffer();
    return 0;
  case 207:
    ws_DropUndoBuffer();
    model::CurrentDocument = model::TemplateDocument;
    return 0;
  case 208: case 211: case 274:
    c.projectChanged = 1;
    return 0;
  case 213:
    return openRunWindow(window);
  case 252:
    ws_DropUndoBuffer();
    model::CurrentDocument = model::TemplateDocument;
    return de_RemoveLogic();
  case 233:
    return openRunWindowFresh(window);
  case 320:
    return startRun(true);
  case 503:
    return startRun(false);
  case 506:
    return resetRunTime();
  case 236:
    ws_DropUndoBuffer();
    setEditorState(0);
    host().setCursor(2);
    return 0;
  case 237: case 239: case 240: case 241: case 243: case 256:
    ws_DropUndoBuffer();
    if (doc && doc->LevelLogics[1])
      for (model::GateRecord* g = doc->LevelLogics[1]->FirstGate; g; g = g->Next) g->Selected = 0;
    setEditorState(21);
    return 0;
  case 262: return toggleDisplay(500);
  case 263: return displayOff();
  case 264:
    host().setCursor(15);
    setEditorState(10);
    return 0;
  case 282: return toggleDisplay(100);
  case 287: case 288:
    hk_DisableThreads();
    hk_EnableThreads();
    return 0;
  case 290: return showParamList();
  case 304:
    c.options.ioLabels = host().menuIsChecked(304) ? 1 : 0;
    host().requestRedraw();
    return 0;
  case 504:
    host().setCursor(14);
    host().requestRedraw();
    return 0;
  case 512:
    ws_DropUndoBuffer();
    host().setCursor(14);
    if (!doc) return 0;
    model::RunDocument = doc;
    engine::ss_StepLevel(*doc);
    return 0;
  default:
    return 0;
  }
}

int ui_NewDocument3(WorksheetWindowData*, EngineEvent*) { return 9; }

} // namespace editor
