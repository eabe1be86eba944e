// The worksheet menu commands that no row handler takes.
#include "editor/context.h"
#include "editor/documents.h"
#include "editor/editor.h"
#include "editor/hooks.h"
#include "editor/levels.h"
#include "editor/library.h"
#include "editor/selection.h"
#include "editor/titles.h"
#include "editor/views.h"
#include "editor/ws.h"
#include "engine/levels.h"
#include "model/editing.h"
#include "modelfiles/operands.h"
#include "modelfiles/project.h"
#include "modelfiles/selection.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace editor {

using model::DocumentRecord;

namespace {

// Commands that change the document as a whole or the view drop the undo copy first.
bool dropsUndo(int id) {
  static constexpr int kIds[] = {201, 203, 204, 205, 206, 207, 210, 211, 213, 214, 216, 233, 236, 237,
                                 239, 240, 241, 243, 252, 256, 274, 509, 510, 512, 513};
  return std::find(std::begin(kIds), std::end(kIds), id) != std::end(kIds);
}

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

// Runs fn_OpenProjectIfNone: the project loader with the file selector when
// the document has none; true when the document has a module list.
bool openProjectIfNone() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  if (!doc->ProjectLoaded) {
    int loaded = modelfiles::mdl_LoadProjectFile(1);
    doc = model::CurrentDocument;
    if (loaded > 0) {
      doc->ProjectLoaded = 1;
    } else if (doc->FirstModule) {
      // What a failed load left (a named empty main module) is released,
      // not only forgotten.
      de_ReleaseDocList();
    }
  }
  if (doc->FirstModule) return true;
  doc->ProjectLoaded = 0;
  return false;
}

// 201: open a project; a project whose first module has no logic gets the
// default sheet and a new document made once.
int openProject(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* tmpl = model::TemplateDocument;
  if (!tmpl) return 9;
  DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = tmpl;
  ws_ClearSelectionState(*tmpl);
  if (!openProjectIfNone()) {
    if (model::PasteDocument) model::PasteDocument->PasteLogic = nullptr;
    return 9;
  }
  if (tmpl->FirstModule && !tmpl->FirstModule->List) {
    std::string dir = ctx().binDirectory.empty() ? ctx().optionDirectory : ctx().binDirectory;
    modelfiles::mdl_LoadProjectPath(dir + "/DEFAULT.MDN", 1);
    model::CurrentDocument = tmpl;
    WorksheetWindowData scratch;
    WorksheetWindowData* target = window ? window : &scratch;
    DocumentRecord* keep = target->document;
    target->document = nullptr;
    ui_NewDocument(target, event);
    ui_RefreshLevelsB(target, event);
    DocumentRecord* made = target->document;
    target->document = keep;
    if (target == &scratch) std::erase(ctx().liveWindows, &scratch);
    doc_FreeWindowDocument(made);
    model::CurrentDocument = previous && previous != made ? previous : tmpl;
  }
  modelfiles::va_ResetAll();
  if (model::CurrentDocument && model::CurrentDocument != tmpl) doc_CopyWhole(*tmpl, *model::CurrentDocument);
  if (model::PasteDocument) model::PasteDocument->PasteLogic = nullptr;
  return tmpl->ProjectLoaded ? 0 : 9;
}

// A window of its own for a document made from the template; kind and view
// flags by the caller. Null without memory.
DocumentRecord* newOwnDocument() {
  if (!model::TemplateDocument) return nullptr;
  model::TemplateDocument->CopyWork = nullptr;
  DocumentRecord* doc = doc_NewWindowDocument(*model::TemplateDocument);
  if (doc) model::CurrentDocument = doc;
  return doc;
}

void giveToWindow(WorksheetWindowData* window, DocumentRecord*& doc, int kind) {
  model::NewDocument = nullptr;
  if (window) {
    window->document = doc;
    window->kind = kind;
    ui_AttachWindow(window);
  } else {
    // Without a window nothing would free it.
    doc_FreeWindowDocument(doc);
    model::CurrentDocument = model::TemplateDocument;
  }
}

// 234: the gate parameters window.
int openParameterWindow(WorksheetWindowData* window) {
  DocumentRecord* doc = newOwnDocument();
  if (!doc) return 9;
  ws_ClearSelectionState(*doc);
  doc->TrendView = 0;
  doc->ShowValues = 1;
  fn_CommitToTemplate();
  doc_CopyWhole(*model::TemplateDocument, *doc);
  int result = doc->EditView ? 1 : 9;
  giveToWindow(window, doc, kKindRunSheet2);
  return result;
}

// 235: the trend window on the simulated project.
int openTrendWindow(WorksheetWindowData* window) {
  EditorContext& c = ctx();
  c.projectChanged = 1;
  DocumentRecord* run = model::RunDocument;
  DocumentRecord* doc = newOwnDocument();
  if (!doc) return 9;
  if (run && run != doc) doc_CopyWhole(*doc, *run);
  ws_ClearSelectionState(*doc);
  doc->RunView = 1;
  doc->ListSwitch3 = 1;
  doc->TrendView = 1;
  doc->WorldX = 0;
  doc->WorldY = 0;
  fn_EnterTrend(window);
  ++c.trendWindowCount;
  ++c.runWindowCount;
  doc->ViewScale = 1.0;
  doc->LineHeight = 12;
  int result = doc->TrendView ? 1 : 9;
  if (window) {
    window->document = doc;
    window->kind = kKindTrend;
  }
  de_RefreshDocument(window);
  hk_StartTrend(doc);
  giveToWindow(window, doc, kKindTrend);
  return result;
}

// 250: a copy of a logic under a new name.
int copyLogic() {
  model::CurrentDocument = model::TemplateDocument;
  char field[17] = {};
  model::LogicRecord* source = nullptr;
  if (modelfiles::ls_FindLogicByName(field, 16, source, 4) != 2 || !source) return 0;
  std::string name(field, strnlen(field, 16));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return 0;
  // A copy changes the project: closing then asks before it is lost.
  if (model::ge_CopyGateSet(name.c_str(), source)) ctx().projectChanged = 1;
  DocumentRecord* doc = model::CurrentDocument;
  if (doc && doc->LevelLogics[1]) doc->LevelInstances[1] = doc->LevelLogics[1]->FirstInstance;
  return 0;
}

// 260: the target program frame of the simulated logic.
int setupRun() {
  DocumentRecord* doc = model::RunDocument;
  if (!doc) return 0;
  model::CurrentDocument = doc;
  model::LogicRecord* top = topLogic(*doc);
  if (!top) return 0;
  host().beginWaitCursor();
  if (hk_OpenOutput(ctx().options.paths[0])) {
    top->StepBlock.simTime = -1.0;
    doc->iterationCounter = 1;
    engine::ss_StepLevelTo(*doc);
    hk_EmitProgramFrame(top, 0);
    engine::ss_StepLevelTo(*doc);
    model::StepBlock& s = top->StepBlock;
    if ((s.stepFlags & 1) && s.interval > s.minInterval) {
      s.interval = s.minInterval;
      top->currentStep = s.minInterval;
      top->previousStep = s.minInterval;
    }
    hk_CloseOutput();
  }
  host().endWaitCursor();
  return 0;
}

int showParamList() {
  std::string path = ctx().options.paths[9];
  if (!host().chooseFile("*.LPA", path, false)) return 0;
  host().openTextViewer(path);
  return 0;
}

// 287: the parameter list of the shown level, with its page head, into a
// ".LPA" file the user names. Worker threads of block code stay off while the
// list is written, so that no extern action changes parameters under it.
int saveParamList(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  std::string path = ctx().options.paths[9];
  hk_DisableThreads();
  if (doc && host().chooseFile("*.LPA", path, true) && !path.empty()) {
    hk_WriteList(doc, path);
    de_RefreshAllLevels(window);
  }
  hk_EnableThreads();
  return 0;
}

// 288: the parameters of the shown level read back from a chosen list. A
// missing or empty file asks for another path (50042); No gives up.
int loadParamList(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  std::string path = ctx().options.paths[9];
  hk_DisableThreads();
  while (doc && host().chooseFile("*.LPA", path, false) && !path.empty()) {
    std::error_code ec;
    const bool usable = std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
    if (!usable) {
      const std::size_t cut = path.find_last_of("/\\");
      if (model::shell().msg_AskNewPath(cut == std::string::npos ? path : path.substr(cut + 1)) == 0) continue;
      break;
    }
    if (hk_ReadList(doc, path)) {
      // Every window showing these gates (the parameter window too) is drawn anew.
      de_RefreshAllLevels(window);
      for (WorksheetWindowData* w : host().worksheets()) host().invalidateAll(w);
    }
    break;
  }
  hk_EnableThreads();
  return 0;
}

// 204: the project closes; every window loses the levels of its logics.
int closeProject(WorksheetWindowData* window) {
  ctx().projectChanged = 0;
  DocumentRecord* tmpl = model::TemplateDocument;
  model::CurrentDocument = tmpl;
  if (!tmpl) return 0;
  // The paste buffer's logic lies in the project's module chain and goes
  // with it: the slot is only emptied.
  if (model::PasteDocument) model::PasteDocument->PasteLogic = nullptr;
  fn_Close();
  if (window) {
    // The window's own document (a record that shares the project) goes with
    // the slot; one that running windows still step stays with them.
    DocumentRecord* own = window->document;
    window->document = nullptr;
    if (own && own != tmpl && own != model::PasteDocument && own != model::RunDocument) doc_FreeWindowDocument(own);
    model::CurrentDocument = tmpl;
  }
  ws_ClearSelectionState(*tmpl);
  tmpl->ProjectLoaded = 0;
  if (model::PasteDocument) model::PasteDocument->MenuWord = 1;
  host().menuDisable(374);
  return 0;
}

} // namespace

int ws_ExecuteCommand(WorksheetWindowData* window, EngineEvent* event) {
  int id = event->code;
  if (!hasEntry(id)) return 0;
  EditorContext& c = ctx();
  if (id != 330 && model::CurrentDocument && window) ui_ClearGateMarks(window, event);
  if (dropsUndo(id)) ws_DropUndoBuffer();
  DocumentRecord* doc = model::CurrentDocument;
  switch (id) {
  case 203:
    // The paste buffer's logic goes before the save: the file never holds it.
    // A save that fails keeps the project marked as changed, so that closing
    // still asks before the work is lost.
    ui_DropPasteLogic();
    {
      const bool loaded = model::CurrentDocument && model::CurrentDocument->ProjectLoaded;
      c.projectChanged = fn_Save() || !loaded ? 0 : 1;
    }
    return 0;
  case 204:
    return closeProject(window);
  case 205: case 206: case 210: case 214: case 216: case 509: case 510:
    return 0;
  case 207:
    ui_DropPasteLogic();
    model::CurrentDocument = model::TemplateDocument;
    if (fn_SaveAs()) c.projectChanged = 0;
    return 0;
  case 208:
    c.projectChanged = 1;
    return 0;
  case 274:
    // As 211, with the library replaced and item 374 left as it is.
    c.projectChanged = 1;
    model::CurrentDocument = model::TemplateDocument;
    if (model::TemplateDocument) {
      model::TemplateDocument->ShowValues = 0;
      model::TemplateDocument->ListSwitch3 = 1;
    }
    fn_ReplaceLibrary(window);
    return 0;
  case 211:
    c.projectChanged = 1;
    model::CurrentDocument = model::TemplateDocument;
    if (model::TemplateDocument) {
      model::TemplateDocument->ShowValues = 0;
      model::TemplateDocument->ListSwitch3 = 1;
    }
    fn_CancelLibrary();
    host().menuDisable(374);
    return 0;
  case 201:
    return openProject(window, event);
  case 213:
    return openRunWindow(window);
  case 230: case 231:
    return ui_NewDocument(window, event);
  case 232:
    return ui_NewDocument3(window, event);
  case 234:
    return openParameterWindow(window);
  case 235:
    return openTrendWindow(window);
  case 250:
    return copyLogic();
  case 260:
    return setupRun();
  case 513:
    return fn_NextSubprogram(window) ? 0 : 9;
  case 252:
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
    setEditorState(0);
    host().setCursor(2);
    return 0;
  case 237: case 239: case 240: case 241: case 243: case 256:
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
  case 287: return saveParamList(window);
  case 288: return loadParamList(window);
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
    host().setCursor(14);
    if (!doc) return 0;
    model::RunDocument = doc;
    engine::ss_StepLevel(*doc);
    return 0;
  default:
    return 0;
  }
}

} // namespace editor
