// The editor's single entry: every worksheet event, its row tables and the
// handling in code of what no row takes; start-up of the editor.
#include "editor/editor.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/faceview.h"
#include "editor/hooks.h"
#include "editor/library.h"
#include "editor/tables.h"
#include "editor/setup.h"
#include "editor/ws.h"
#include "editor/wiring.h"
#include "display/gdi.h"
#include "editor/gatecmd.h"
#include "editor/gateactions.h"
#include "editor/gestures.h"
#include "editor/dragmarker.h"
#include "model/geometry.h"
#include "display/gatedraw.h"
#include "display/sheet.h"
#include "display/view.h"
#include "engine/levels.h"
#include "recorder/faceedit.h"
#include "model/document.h"
#include "model/editing.h"
#include "model/memory.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace editor {

using model::DocumentRecord;

namespace {

// The services the model calls back into the editor.
class ModelServices : public model::EditorServices {
public:
  void ws_DirtyAddPoint(int x, int y) override { editor::ws_DirtyAddPoint(x, y); }
  void ws_DirtyFlush() override { editor::ws_DirtyFlush(); }
  void ws_DirtyReset() override { editor::ws_DirtyReset(); }
  void route_Connection(model::WirePoint*& wire, int mode, int flags) override {
    if (ctx().routeHook) ctx().routeHook(wire, mode, flags);
  }
  bool scr_CreateGate(model::GateRecord* gate, int height, const std::string& text) override {
    return scr_SetTextGateText(gate, height, text);
  }
  bool ws_RebuildAfterParamChange(const char* logicName, int x, int y) override {
    return editor::ws_RebuildAfterParamChange(logicName, x, y);
  }
};
ModelServices gModelServices;

void prepareDocument(WorksheetWindowData* window, DocumentRecord* doc, const EngineEvent* event) {
  hk_InitOpSizes();
  if (model::TemplateDocument && doc != model::TemplateDocument) {
    doc->FirstLogic = model::TemplateDocument->FirstLogic;
    doc->LastLogic = model::TemplateDocument->LastLogic;
  }
  doc->WindowKind = std::uint16_t(window->kind);
  doc->CharWidth = 8;
  doc->LineHeight = 10;
  doc->ScrollX = window->scrollX;
  doc->ScrollY = window->scrollY;
  doc->ViewLeft = 0;
  doc->ViewTop = 0;
  doc->ViewRight = window->clientW;
  doc->ViewBottom = window->clientH;
  if (window->kind == kKindTrend) {
    int width = window->clientW, height = window->clientH;
    int margin = width >= 401 ? 180 : 50;
    doc->PlotWidth = std::int16_t(width >= 401 ? width - 40 : width);
    doc->PlotHeight = std::int16_t(height);
    doc->ViewLeft = doc->TrendLeft = std::int16_t(margin);
    doc->ViewTop = doc->TrendTop = 0;
    doc->ViewRight = doc->TrendRight = std::int16_t(width - margin);
    doc->ViewBottom = doc->TrendBottom = std::int16_t(height);
  }
  bool run = window->kind == kKindRunSheet;
  doc->RunView = run ? 1 : 0;
  doc->EditView = run ? 0 : 1;
  doc->LastEventParam = event->code;
}

int cursorOfToolMode() {
  switch (ui_CurrentToolMode()) {
  case 4: return 11;
  case 5: return 20;
  case 7: return 31;
  case 8: return 33;
  default: return 2;
  }
}

int ws_CloseDocumentCommand(WorksheetWindowData*, EngineEvent*) {
  if (model::CurrentDocument) {
    setEditorState(0);
    model::CurrentDocument->EditorState = 0;
  }
  return 9;
}

int dispatchInner(WorksheetWindowData* window, EngineEvent* event, DocumentRecord* previous, bool& restore) {
  EditorContext& c = ctx();
  if (window) {
    window->dragOffsetX = window->dragOffsetY = 0;
    if (window->document) {
      model::CurrentDocument = window->document;
      prepareDocument(window, window->document, event);
    } else {
      model::CurrentDocument = nullptr;
    }
  } else {
    model::CurrentDocument = model::TemplateDocument;
  }
  if (model::TemplateDocument) model::TemplateDocument->LastEventParam = event->code;
  if (model::CurrentDocument && model::CurrentDocument->UndoLogic) host().menuEnable(256);
  else host().menuDisable(256);

  int result = 12;
  if (model::CurrentDocument && window) {
    if (window->kind >= 0 && window->kind <= 2) {
      int code = ui_TranslateEvent(event);
      int modifier = ui_ModifierState(event);
      int area = ui_MouseArea(window, event);
      int state = int(editorState() & 0xFFFF);
      do {
        result = ui_RunRowTable(c.mainSlot, ui_EditMenuTable(), state, modifier, code, area, window, event);
      } while (result == 12);
    } else if (window->kind == kKindRunSheet) {
      int code = ui_TranslateEvent(event);
      int modifier = ui_ModifierState(event);
      int area = ui_MouseArea(window, event);
      result = ui_RunRowTable(c.secondSlot, ui_RunMenuTable(), int(editorState() & 0xFFFF), modifier, code,
                              area, window, event);
    } else if (window->kind == kKindFaceEditor) {
      int code = ui_TranslateEvent(event);
      int modifier = ui_ModifierState(event);
      int area = ui_MouseArea(window, event);
      result = ui_RunRowTable(ui_FaceEditorTable(), ui_EditMenuTable(), int(editorState() & 0xFFFF), modifier,
                              code, area, window, event);
    }
    // Kinds 4 and 5 run no table: their events go on to the handling in code
    // (a press in state 0 answers 9 in kind 4 and 0 in kind 5).
    bool ranTable = window->kind <= 3 || window->kind == kKindFaceEditor;
    if (ranTable && result != 11) {
      restore = false;
      return result;
    }
  }
  if (!model::CurrentDocument || result == 11) {
    int code = ui_TranslateEvent(event);
    int modifier = ui_ModifierState(event);
    int r = ui_RunRowTable(ui_FallbackTable(), ui_EditMenuTable(), 0, modifier, code, 9, window, event);
    if (r != 11) {
      restore = false;
      return r;
    }
  }
  std::uint32_t state = editorState();
  if (event->type == kMsgKeyDown && event->code == kVkEscape) {
    if (state == 2 || state == 3 || state == 12) {
      setEditorState(0);
      ws_UpdateMouseCursor(window, event);
    }
    return 0;
  }
  if (event->type == kMsgCommand) {
    switch (state) {
    case 0: case 2: case 3: case 7: case 10: case 12: {
      setEditorState(0);
      bool sheet = window && window->kind >= 0 && window->kind <= 2 && model::CurrentDocument;
      host().setCursor(sheet ? cursorOfToolMode() : 2);
      return ws_ExecuteCommand(window, event);
    }
    case 21: case 22: case 23: case 24:
      // The frame's "deselect everything" before a file or view command
      // comes with no window: the selection of every sheet ends.
      if (event->code == 371 && !window) {
        for (WorksheetWindowData* w : c.liveWindows)
          if (w && w->document && w->kind >= 0 && w->kind <= 2) {
            model::CurrentDocument = w->document;
            ui_ClearGateMarks(w, event);
          }
        model::CurrentDocument = model::TemplateDocument;
        ui_ClearGateMarks(nullptr, event);
        if (c.mainSlot.rows == ui_TableOfMode(6).rows) c.mainSlot = ui_TableOfMode(3);
        return 0;
      }
      return 9;
    default:
      return 9;
    }
  }
  switch (event->type) {
  case kMsgPaint: case 1036: case 1041: case 1042: case kMsgSimTick: case 1047: case 1048: case 1049:
  case 1057: case 1058:
    return ws_HandleUserMessage(window, event);
  case kMsgDestroy:
    restore = false;
    return ws_HandleUserMessage(window, event);
  case kMsgTimer: case 1046:
    return ws_OnTimerOrEvent(window, event);
  case kMsgMouseMove:
    restore = false;
    return 0;
  default:
    break;
  }
  int kind = window ? window->kind : 0;
  bool sheet = window && kind >= 0 && kind <= 2;
  if (state == 0 || state == 21) {
    // Ctrl+Shift with a left press on a gate of an editing sheet, which no row
    // takes: the gate gets a new number in the execution order.
    if (sheet && state == 0 && event->type == kMsgLButtonDown && ui_ModifierState(event) == 4 &&
        ui_PickAtPoint(event->x + window->scrollX, event->y + window->scrollY) == 1) {
      fn_SetGateNumberAt(event->x, event->y);
      return 0;
    }
    if (sheet || !window) {
      c.DragDocument = model::CurrentDocument;
      return 0;
    }
    if (kind == kKindRunSheet) return result;
    if (kind == kKindRunSheet2) return 9;
    if (kind == kKindTrend || kind == kKindFaceEditor) return 0;
    return 9;
  }
  if (state >= 22) return 9;
  bool listed = state == 1 || state == 9 || state == 2 || state == 3 || state == 4 || state == 5 || state == 12;
  if (!sheet && window) {
    if (kind == kKindRunSheet) {
      int r = ws_OnTimerOrEvent(window, event);
      if (!listed && model::CurrentDocument && model::CurrentDocument->GrabX > 100) model::CurrentDocument->GrabX = 0;
      return r;
    }
    return result;
  }
  switch (state) {
  case 1: return 0;
  case 9: ws_DropUndoBuffer(); return 0;
  case 2: ws_DropUndoBuffer(); return ui_CallHandler(HandlerId::ws_DeleteGateAt, window, event);
  case 3: return ui_CallHandler(HandlerId::ws_EnterTrend, window, event);
  case 4: return ui_CallHandler(HandlerId::ws_MouseDrag, window, event);
  case 5:
    // Wiring ends on a press; the release of the press that began it or set
    // a corner leaves the wire open. A release away from that press (the
    // mouse was dragged) acts as a press there: on a pin it ends the wire,
    // elsewhere it sets a corner.
    if (event->type == kMsgLButtonUp) {
      const int x = event->x + (window ? window->scrollX : 0), y = event->y + (window ? window->scrollY : 0);
      const WiringState& w = wiring();
      if (std::abs(x - w.stepX) <= 5 && std::abs(y - w.stepY) <= 5) return 0;
      const int area = ui_MouseArea(window, event);
      if (area != 4 && area != 1) return ui_CallHandler(HandlerId::ui_WiringPress, window, event);
    } else if (event->type != kMsgLButtonDown && event->type != kMsgRButtonDown) {
      return 0;
    }
    ws_DropUndoBuffer();
    return ui_CallHandler(HandlerId::ws_OnButtonDown, window, event);
  case 12: ws_DropUndoBuffer(); return ui_CallHandler(HandlerId::ws_ChangeInputCount, window, event);
  default: return result;
  }
}

} // namespace

int ui_Dispatch(WorksheetWindowData* window, EngineEvent* event) {
  if (!event || model::mm_AlertShowing()) return 0;
  // A modal prompt inside a handler pumps events: paint waits, the rest is dropped.
  if (ctx().handlerDepth > 0) return 0;
  DocumentRecord* previous = model::CurrentDocument;
  bool restore = true;
  int result = dispatchInner(window, event, previous, restore);
  if (restore && model::CurrentDocument != model::TemplateDocument) model::CurrentDocument = previous;
  return result;
}

void ui_SelectDocument(WorksheetWindowData* window, int mode) {
  if (!window) {
    model::CurrentDocument = model::TemplateDocument;
    return;
  }
  model::CurrentDocument = window->document;
  if (!window->document) return;
  ui_ClearGateMarks(window, nullptr);
  EditorContext& c = ctx();
  switch (mode) {
  case 1: c.secondSlot = ui_TableOfMode(1); break;
  case 9: c.secondSlot = ui_TableOfMode(9); break;
  case 10: break;
  case 4: case 5: case 6: case 7: case 8: c.mainSlot = ui_TableOfMode(mode); break;
  default: c.mainSlot = ui_TableOfMode(3); break;
  }
}

int ws_OnTimerOrEvent(WorksheetWindowData* window, EngineEvent* event) {
  if (event->type == kMsgTimer) {
    if (editorState() == 7) host().postToAll(kMsgSimTick, 0);
    return 0;
  }
  return ui_CallHandler(HandlerId::rw_MouseHandler, window, event);
}

int ui_Paint(WorksheetWindowData* window, EngineEvent*) {
  DocumentRecord* doc = window ? window->document : model::CurrentDocument;
  if (!doc || !disp::gdi_CurrentDevice()) return 0;
  disp::DrawView& v = disp::currentView();
  v.scrollX = doc->ScrollX;
  v.scrollY = doc->ScrollY;
  v.windowKind = window ? window->kind : 0;
  v.editorState = int(editorState());
  // A gate that follows the mouse is parked at (3, 3): it is not drawn there.
  v.editedGate = model::TemplateDocument && (v.editorState == 1 || v.editorState == 9)
                     ? model::TemplateDocument->PendingGate
                     : nullptr;
  v.clientW = window ? window->clientW : v.clientW;
  v.clientH = window ? window->clientH : v.clientH;
  v.gridOn = doc->EditView != 0;   // the grid belongs to the edit view
  disp::gdi_SetLineColor(1);
  disp::gdi_SetWriteMode(1);
  model::LogicRecord* level =
      doc->MacroLevel >= 1 && doc->MacroLevel <= model::kMaxMacroLevel ? doc->LevelLogics[doc->MacroLevel] : nullptr;
  if (window && window->kind == kKindRunSheet2) {
    // The gate parameters window shows the macro tree of its logic.
    ws_DrawPictogramList(level, doc->ScrollX, doc->ScrollY);
    return 0;
  }
  if (doc->ListSwitch4 && level) {
    rec::fe_DrawEditor(level);
    return 0;
  }
  // The level's own values: below the top they are those of the call entered
  // (a subprogram's own instance list holds no simulated values).
  disp::ws_Redraw(level, level ? doc->LevelInstances[doc->MacroLevel] : nullptr);
  return 0;
}

int ws_HandleUserMessage(WorksheetWindowData* window, EngineEvent* event) {
  EditorContext& c = ctx();
  int kind = window ? window->kind : 0;
  switch (event->type) {
  case 1041: case 1042:
    return fe_FaceMessage(event);
  case kMsgSimTick: {
    if (kind == kKindRunSheet2 || kind == kKindTrend) return 0;
    DocumentRecord* doc = model::CurrentDocument;
    if (!doc) return 0;
    if (doc->followSequence) {
      engine::ss_FindSequenceGate(*doc);
      return 0;
    }
    model::LogicRecord* level = currentLevelLogic();
    if (level && disp::gdi_CurrentDevice()) disp::gd_DrawGateList(level->FirstGate, doc->LevelInstances[doc->MacroLevel], false);
    return 0;
  }
  case kMsgDestroy: {
    if (!window) return 0;
    DocumentRecord* doc = window->document;
    std::erase(c.liveWindows, window);
    ws_DragMarkerForget(window);
    if (kind == kKindRunSheet) {
      if (c.runWindowCount > 0) --c.runWindowCount;
      if (doc && doc != model::RunDocument) doc_FreeWindowDocument(window->document);
      window->document = nullptr;
      model::CurrentDocument = model::TemplateDocument;
      // The run document never owns a project; it is freed only when nothing
      // else refers to it, and points back at the template.
      if (c.runWindowCount == 0 && model::RunDocument && model::RunDocument != model::TemplateDocument &&
          !doc_ShownByWindow(model::RunDocument)) {
        DocumentRecord* run = model::RunDocument;
        doc_FreeWindowDocument(run);
      }
      if (c.runWindowCount == 0) model::RunDocument = model::TemplateDocument;
    } else if (kind <= 2 || kind == kKindTrend || kind == kKindRunSheet2 || kind == kKindFaceEditor) {
      // A document that running windows still step stays until the last of them closes.
      bool stepped = doc == model::RunDocument && c.runWindowCount > 0;
      if (doc && doc != model::TemplateDocument && !stepped) doc_FreeWindowDocument(window->document);
      window->document = nullptr;
      model::CurrentDocument = model::TemplateDocument;
    }
    return 0;
  }
  case 1047: {
    DocumentRecord* doc = model::CurrentDocument;
    model::LogicRecord* level = currentLevelLogic();
    if (!doc || !level) return 0;
    level->StepBlock.simTime = -doc->DefaultStepBlock.interval;
    doc->iterationCounter = 1;
    hk_EmitProgramFrame(level, 0);
    host().requestRedraw();
    return 0;
  }
  case kMsgPaint:
    if (window && window->document) model::CurrentDocument = window->document;
    return ui_Paint(window, event);
  default:
    return 0;
  }
}

void ui_MainInit() {
  model::mm_UnitInit();
  editor_ResetContext();
  model::doc_StartUp();
  model::setEditor(&gModelServices);
  ctx().mainSlot = ui_TableOfMode(3);
  // The option file lies in the directory that is current at start-up.
  std::error_code ec;
  ctx().optionDirectory = std::filesystem::current_path(ec).string();
  bool read = de_ReadOptions();
  if (read) {
    ctx().options.ioLabels = 1;
    ctx().options.placeByte = 1;
    ctx().options.userDouble = 0.784;
  }
  model::RunDocument = model::TemplateDocument;
  model::CurrentDocument = model::TemplateDocument;
  model::NewDocument = nullptr;
  if (model::PasteDocument && model::TemplateDocument) doc_CopyWhole(*model::PasteDocument, *model::TemplateDocument);
  ui_SelectDocument(nullptr, 3);
  setEditorState(0);
  ui_RegisterHandler(HandlerId::ws_CloseDocumentCommand, ws_CloseDocumentCommand);
}

void ui_MainShutDown() {
  EditorContext& c = ctx();
  // Every window goes with the editor: their own documents are freed (records
  // only), the records themselves belong to the windows.
  std::vector<WorksheetWindowData*> windows = c.liveWindows;
  for (WorksheetWindowData* w : windows) {
    model::DocumentRecord* d = w->document;
    if (d && d != model::TemplateDocument && d != model::PasteDocument) doc_FreeWindowDocument(d);
    w->document = nullptr;
  }
  c.liveWindows.clear();
  ws_DragMarkerForget(nullptr);
  // Window documents share the template's project: only their records go.
  for (model::DocumentRecord** p : {&model::RunDocument, &model::CurrentDocument, &model::NewDocument}) {
    model::DocumentRecord* d = *p;
    if (d && d != model::TemplateDocument && d != model::PasteDocument) doc_FreeWindowDocument(d);
    *p = nullptr;
  }
  for (model::DocumentRecord* d : {model::TemplateDocument, model::PasteDocument})
    if (d && d->UndoLogic) {
      model::LogicRecord* undo = d->UndoLogic;
      d->UndoLogic = nullptr;
      model::ge_FreeDetachedLogic(undo);
    }
  // The paste document never owns a project: it shares the one of the
  // document it was copied from.
  if (model::DocumentRecord* paste = model::PasteDocument; paste && paste != model::TemplateDocument) {
    paste->FirstModule = paste->LastModule = nullptr;
    paste->FirstLogic = paste->LastLogic = nullptr;
  }
  model::setEditor(nullptr);
  model::doc_ShutDown();
  st_Release();
}

void ui_AttachWindow(WorksheetWindowData* window) {
  if (window) {
    for (WorksheetWindowData* w : ctx().liveWindows)
      if (w == window) return;
    ctx().liveWindows.push_back(window);
  }
}

// ---- picks for the shell, and entry points answered by the selection code later ----

int ui_PickAtPoint(int x, int y) {
  model::LogicRecord* logic = currentLevelLogic();
  if (!model::CurrentDocument || !logic) return 0;
  if (gg_PickAtSheetPoint(x, y)) return 2;
  model::GateRecord* gate = nullptr;
  int ordinal = 0;
  return model::gg_GateAtPoint(logic, x, y, gate, ordinal) && gate ? 1 : 0;
}

int ui_PickShapeAtPoint(int x, int y) {
  if (!model::CurrentDocument || !gg_PickAtSheetPoint(x, y)) return 2;
  const model::WirePoint* w = gestures().pickedSegment;
  if (!w || !w->Next) return 2;
  return w->X == w->Next->X ? 17 : 18;
}
bool ui_RenameModule(const std::string& from, const std::string& to) {
  model::DocumentRecord* t = model::TemplateDocument;
  if (!t || from.empty() || to.empty() || to.size() > 16 || to.find(' ') != std::string::npos) return false;
  // A second logic of the same name would make the saved project unreadable
  // (the reader refuses a name twice): such a rename is refused.
  for (model::LogicRecord* l = model::firstLogicOf(t->FirstModule); l; l = l->Next) {
    std::size_t n = 0;
    while (n < 16 && l->Name[n] && l->Name[n] != ' ') ++n;
    if (std::string(l->Name, n) == to) return false;
  }
  model::DocumentRecord* previous = model::CurrentDocument;
  model::CurrentDocument = t;
  const int answer = mod_RenameLogic(nullptr, from.c_str(), to.c_str());
  model::CurrentDocument = previous ? previous : t;
  if (answer != 0) return false;
  ctx().projectChanged = 1;
  return true;
}
model::RouteOptions ui_GetRouteOptions() { return ctx().routeOptions; }
void ui_SetRouteOptions(const model::RouteOptions& options) { ctx().routeOptions = options; }
std::uint8_t ui_ProjectChanged() { return ctx().projectChanged; }
void ui_SetProjectChanged(std::uint8_t value) { ctx().projectChanged = value; }

} // namespace editor
