// Selection gestures, group moves, deleting, copying and pasting the selection.
#include "editor/selection.h"
#include "editor/dragmarker.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/gatescript.h"
#include "editor/gestures.h"
#include "editor/tables.h"
#include "editor/ws.h"
#include "model/editing.h"
#include "model/gatekinds.h"
#include "model/geometry.h"
#include "model/services.h"
#include "display/gatedraw.h"
#include "display/gdi.h"
#include "display/view.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace editor {

using model::DocumentRecord;
using model::GateRecord;
using model::LogicRecord;

namespace {

SelectionState gSelection;

bool defaultProbe(std::size_t bytes) {
  void* p = std::malloc(bytes ? bytes : 1);
  if (!p) return false;
  std::free(p);
  return true;
}
MemoryProbe gProbe = defaultProbe;
void (*gUndoSaver)() = nullptr;

struct Point { int x, y; };

Point sheetPoint(WorksheetWindowData* window, const EngineEvent* event) {
  std::int16_t x = model::clamp16(event->x + (window ? window->scrollX : 0));
  std::int16_t y = model::clamp16(event->y + (window ? window->scrollY : 0));
  model::gg_SnapToGrid(x, y);
  return {x, y};
}

GateRecord* gateAt(LogicRecord* logic, Point p) {
  GateRecord* g = nullptr;
  int ordinal = 0;
  if (!logic || !model::gg_GateAtPoint(logic, p.x, p.y, g, ordinal)) return nullptr;
  return g;
}

GateRecord* companionOf(LogicRecord* logic, const GateRecord* gate) {
  for (GateRecord* g = logic->FirstGate; g && g->Next; g = g->Next)
    if (g->Next == gate) return g->Kind == model::kKindDisableLogic ? g : nullptr;
  return nullptr;
}

bool lonelyText(const GateRecord* g) { return g->Kind == model::kKindText && g->ExtraCount < 2; }

void markBox(const GateRecord* g, int margin) {
  std::int16_t x, y, w, h;
  model::gg_GateBox(g, x, y, w, h, false);
  ws_DirtyAddPoint(x - margin, y - margin);
  ws_DirtyAddPoint(x + w + margin, y + h + margin);
}

void setWords(LogicRecord* logic, GateRecord* g, std::uint16_t selected, std::uint16_t held) {
  g->Selected = selected;
  g->HeldSelected = held;
  markBox(g, 5);
  if (GateRecord* c = companionOf(logic, g)) {
    c->Selected = selected;
    c->HeldSelected = held;
    markBox(c, 5);
  }
}

void clearAll(LogicRecord* logic) {
  for (GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) g->Selected = g->HeldSelected = 0;
}

int endEmpty(LogicRecord* logic) {
  clearAll(logic);
  setEditorState(0);
  host().requestRedraw();
  return 0;
}

// Puts the current document and the window's document back on every exit.
struct DocumentGuard {
  WorksheetWindowData* window;
  DocumentRecord* current = model::CurrentDocument;
  DocumentRecord* shown;
  explicit DocumentGuard(WorksheetWindowData* w) : window(w), shown(w ? w->document : nullptr) {}
  ~DocumentGuard() {
    model::CurrentDocument = current;
    if (window) window->document = shown;
  }
};

struct Box { int minX = 9999, minY = 9999, maxX = 0, maxY = 0; };
Box boxOf(const LogicRecord* logic, bool selectedOnly) {
  Box b;
  for (const GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next) {
    if (selectedOnly && g->Selected != 1) continue;
    std::int16_t x, y, w, h;
    model::gg_GateBox(g, x, y, w, h, false);
    b.minX = std::min<int>(b.minX, g->X);
    b.minY = std::min<int>(b.minY, g->Y);
    b.maxX = std::max<int>(b.maxX, x + w);
    b.maxY = std::max<int>(b.maxY, y + h);
  }
  return b;
}

int dragWindow(WorksheetWindowData* window, DragCallback callback, const Box& b) {
  if (!window) return 0;
  window->drag = callback;
  window->sheetAreaW = model::clamp16(b.maxX - b.minX + 10);
  window->sheetAreaH = model::clamp16(b.maxY - b.minY + 10);
  return 0;
}

// Deletes the paste document's logic from the project of the current
// document (the paste document only shares a project; it may be stale).
void dropPasteLogic() {
  DocumentRecord* paste = model::PasteDocument;
  DocumentRecord* cur = model::CurrentDocument;
  if (!paste || !paste->PasteLogic) return;
  LogicRecord* logic = paste->PasteLogic;
  paste->PasteLogic = nullptr;
  if (!cur || cur == paste) return;
  model::ProjectModule* oldFirst = cur->FirstModule;
  model::ge_DeleteLogic(logic);
  doc_ShareProjectWords(*cur, oldFirst);
}

// Makes the paste document a copy of the current one showing a new logic
// " %PasteBuffer" (or a copy of the current level's logic); null when that failed.
LogicRecord* preparePasteDocument(LogicRecord* source) {
  DocumentRecord* cur = model::CurrentDocument;
  DocumentRecord* paste = model::PasteDocument;
  dropPasteLogic();
  cur->CopyWork = nullptr;
  doc_CopyWhole(*paste, *cur);
  paste->PasteLogic = nullptr;
  model::CurrentDocument = paste;
  model::ProjectModule* oldFirst = paste->FirstModule;
  LogicRecord* logic = source ? model::ge_CopyGateSet(" %PasteBuffer", source) : model::ge_NewLogic(" %PasteBuffer");
  doc_ShareProjectWords(*paste, oldFirst);
  paste->PasteLogic = logic;
  return logic;
}

bool anyPortSelected(const LogicRecord* logic) {
  for (const GateRecord* g = logic->FirstGate; g; g = g->Next)
    if (g->Selected && (g->Kind == model::kKindInput || g->Kind == model::kKindOutput)) return true;
  return false;
}

// An emptied logic keeps a Text gate at the top left of the visible sheet and
// the "DocFrame" block.
void refillEmptyLogic(WorksheetWindowData* window, LogicRecord* logic) {
  std::int16_t x = model::clamp16(window ? window->scrollX : 0), y = model::clamp16(window ? window->scrollY : 0);
  model::gg_SnapToGrid(x, y);
  model::EditorServices& services = model::editor();
  bool saved = services.suppressTextDialogs;
  services.suppressTextDialogs = true;
  GateRecord* text = nullptr;
  model::ge_CreateGateAsked(logic, model::kKindText, nullptr, nullptr, x, y, text);
  services.suppressTextDialogs = saved;
  std::uint8_t kind = 0;
  void* type = nullptr;
  if (!model::gt_FindStdGate2("DocFrame", logic, kind, type) || !type) return;
  std::string library;
  if (kind == model::kKindCompiled || kind == model::kKindCompiledNative) {
    const model::ProjectModule* m = static_cast<model::GateTypeRecord*>(type)->Module;
    if (m) library.assign(m->Name, strnlen(m->Name, 12));
  }
  scr_InsertLibraryGate(window, library, "DocFrame", 2000, 2000, -1);
}

} // namespace

SelectionState& selection() { return gSelection; }

void ui_DropPasteLogic() { dropPasteLogic(); }

MemoryProbe sel_SetMemoryProbe(MemoryProbe probe) {
  MemoryProbe old = gProbe;
  gProbe = probe ? probe : defaultProbe;
  return old;
}

void sel_SetUndoSaver(void (*saver)()) { gUndoSaver = saver; }

int ui_CtrlSelectToggle(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  GateRecord* g = gateAt(logic, sheetPoint(window, event));
  if (!g) return endEmpty(logic);
  if (g->Kind == model::kKindDisableLogic) return 0;
  ws_DirtyReset();
  if (g->HeldSelected) {
    setWords(logic, g, 0, 0);
    setEditorState(21);
  } else if (!lonelyText(g)) {
    setWords(logic, g, 1, 1);
    setEditorState(21);
  }
  ws_DirtyFlush();
  return 11;
}

int ui_ShiftSelectEvent(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  GateRecord* g = gateAt(logic, sheetPoint(window, event));
  if (!g) {
    for (GateRecord* o = logic->FirstGate; o; o = o->Next) o->Selected = 0;
    setEditorState(0);
    host().requestRedraw();
    return 0;
  }
  if (g->Kind == model::kKindDisableLogic) return 0;
  ws_DirtyReset();
  int others = 0;
  GateRecord* last = nullptr;
  for (GateRecord* o = logic->FirstGate; o; o = o->Next)
    if (o != g && o->Selected == 1 && o->Kind != model::kKindDisableLogic) {
      ++others;
      last = o;
    }
  if (others == 0) {
    if (g->Kind != model::kKindText) {
      setWords(logic, g, 1, 1);
      setEditorState(21);
    }
  } else if (others == 1) {
    std::int16_t ax, ay, aw, ah, bx, by, bw, bh;
    model::gg_GateBox(last, ax, ay, aw, ah, false);
    model::gg_GateBox(g, bx, by, bw, bh, false);
    int l = std::min<int>(ax, bx), t = std::min<int>(ay, by);
    int r = std::max<int>(ax + aw, bx + bw), b = std::max<int>(ay + ah, by + bh);
    for (GateRecord* o = logic->FirstGate; o; o = o->Next) {
      if (o->Kind == model::kKindDisableLogic || lonelyText(o)) continue;
      std::int16_t ox, oy, ow, oh;
      model::gg_GateBox(o, ox, oy, ow, oh, false);
      bool inside = o->X > l && o->X < r && o->Y > t && o->Y < b;
      bool overlaps = ox < r && ox + ow > l && oy < b && oy + oh > t;
      if (inside || overlaps) setWords(logic, o, 1, 1);
    }
    setEditorState(21);
  } else {
    for (GateRecord* o = logic->FirstGate; o; o = o->Next)
      if (o->Selected || o->HeldSelected) setWords(logic, o, 0, 0);
    setWords(logic, g, 1, 1);
    setEditorState(21);
  }
  ws_DirtyFlush();
  return 11;
}

int ui_SelectionAnchor(WorksheetWindowData* window, EngineEvent* event) {
  Point p = sheetPoint(window, event);
  gSelection.startX = std::int16_t(p.x);
  gSelection.startY = std::int16_t(p.y);
  setEditorState(23);
  return 11;
}

int ui_SelectionPressFallback(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  DocumentRecord* d = model::CurrentDocument;
  if (!logic || !d) return 0;
  GateRecord* g = gateAt(logic, sheetPoint(window, event));
  if (!g) return endEmpty(logic);
  ws_DirtyReset();
  if (g->Selected == 0) setWords(logic, g, 1, 0);
  d->CurrentGate = g;
  gSelection.picked = g;
  if (g->Kind == model::kKindParamVariation || g->Kind == model::kKindDisableLogic) return 0;
  Box b = boxOf(logic, true);
  dragWindow(window, ws_SheetFollower, b);
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  d->GrabX = model::clamp16(b.minX - event->x - sx);
  d->GrabY = model::clamp16(b.minY - event->y - sy);
  gSelection.originX = std::int16_t(b.minX);
  gSelection.originY = std::int16_t(b.minY);
  if (gUndoSaver) {
    std::uint8_t keep = model::KeepInstances;
    model::KeepInstances = 0;
    gUndoSaver();
    model::KeepInstances = keep ? keep : 1;
  }
  if (model::TemplateDocument && model::TemplateDocument != d) {
    model::TemplateDocument->CurrentGate = d->CurrentGate;
    model::TemplateDocument->CurrentInstance = d->CurrentInstance;
  }
  return 4;
}

int ui_SelectionDragBegin(WorksheetWindowData*, EngineEvent*) {
  ws_DirtyReset();
  setEditorState(22);
  return 11;
}

int ui_SelectionMoveEvent(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  DocumentRecord* d = model::CurrentDocument;
  if (!logic || !d) return 0;
  Point p = sheetPoint(window, event);
  if (p.x == gSelection.startX && p.y == gSelection.startY) {
    setEditorState(21);
    return 11;
  }
  GateRecord* current = nullptr;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) {
    if (g->HeldSelected == 1) setWords(logic, g, 1, 1);
    if (g->Selected == 1) current = g;
  }
  if (!current) {
    setEditorState(21);
    return 0;
  }
  d->CurrentGate = current;
  int sx = window ? window->scrollX : 0, sy = window ? window->scrollY : 0;
  std::int16_t x = model::clamp16(std::max(event->x + sx + d->GrabX + 3, 15));
  int rawY = event->y + sy + d->GrabY + 3;
  std::int16_t y = model::clamp16(current->Kind == model::kKindText ? rawY : std::max(rawY, 15));
  model::gg_SnapToGrid(x, y);
  ws_DirtyReset();
  markBox(current, 10);
  model::ge_MoveSelected(current, x - 5 + (current->X - gSelection.originX),
                         y - 5 + (current->Y - gSelection.originY));
  for (GateRecord* g = logic->FirstGate; g; g = g->Next)
    if (g->HeldSelected == 1) setWords(logic, g, 1, 1);
  ws_DirtyFlush();
  setEditorState(21);
  if (window) window->drag = nullptr;
  host().setCursor(2);
  return 0;
}

int ui_DropUndoOnMessage(WorksheetWindowData*, EngineEvent*) {
  ws_DropUndoBuffer();
  return 0;
}

int ws_DeleteSelection(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  if (!logic) return 0;
  bool written = false, refresh = false;
  // Undo brings the deleted gates back: the copy is taken with its instances.
  bool any = false;
  for (GateRecord* g = logic->FirstGate; g && !any; g = g->Next) any = g->Selected != 0;
  if (any) ws_SaveUndoBufferBeforeDelete();
  if (anyPortSelected(logic)) refresh = scr_WritePortScript(window, written);
  // Deleting a gate takes what is attached to it along: search afresh each time.
  for (bool again = true; again;) {
    again = false;
    for (GateRecord* g = logic->FirstGate; g; g = g->Next)
      if (g->Selected) {
        g->Selected = g->HeldSelected = 0;
        model::ge_DeleteGate(logic, g);
        again = true;
        break;
      }
  }
  if (!logic->FirstGate) refillEmptyLogic(window, logic);
  if (written) scr_RunPortScript(window, event, refresh);
  clearAll(logic);
  if (model::DocumentRecord* d = model::CurrentDocument) d->LevelInstances[d->MacroLevel] = logic->FirstInstance;
  setEditorState(0);
  // Nothing is selected any more: the sheet's plain table takes the next
  // events again, Undo among them.
  if (ctx().mainSlot.rows == ui_TableOfMode(6).rows) ctx().mainSlot = ui_TableOfMode(3);
  host().requestRedraw();
  return 0;
}

int ws_CopySelection(WorksheetWindowData* window, EngineEvent*) {
  LogicRecord* logic = currentLevelLogic();
  DocumentRecord* cur = model::CurrentDocument;
  if (!logic || !cur || !model::PasteDocument || cur == model::PasteDocument) return 9;
  if (window) window->drag = ws_SheetFollower;
  std::size_t gates = 0;
  for (GateRecord* g = logic->FirstGate; g; g = g->Next) ++gates;
  if (!gProbe(3 * (gates + 1) * (sizeof(GateRecord) + sizeof(model::GateInstance)))) return 9;
  DocumentGuard guard(window);
  LogicRecord* copy = preparePasteDocument(logic);
  if (!copy) return 9;
  // Only the selection stays in the copy.
  std::vector<GateRecord*> drop;
  for (GateRecord *s = logic->FirstGate, *c = copy->FirstGate; s && c; s = s->Next, c = c->Next)
    if (s->Selected == 0) drop.push_back(c);
  for (auto it = drop.rbegin(); it != drop.rend(); ++it) {
    bool present = false;
    for (GateRecord* c = copy->FirstGate; c && !present; c = c->Next) present = c == *it;
    if (present) model::ge_DeleteGate(copy, *it);
  }
  if (window) window->document = model::PasteDocument;
  scr_WriteSelection(window, copy->FirstGate, copy->FirstInstance);
  int kind = window ? window->kind : 0;
  model::PasteDocument->MenuWord = std::int16_t(kind == 0 ? 2 : kind == 1 ? 3 : kind == 2 ? 4 : 0);
  ws_DirtyReset();
  Box b = boxOf(copy, false);
  if (copy->FirstGate) model::ge_OffsetGates(copy, -b.minX, -b.minY);
  if (window) {
    dragWindow(window, ws_PasteFollower, b);
    window->dragOffsetX = window->dragOffsetY = 0;
  }
  if (model::TemplateDocument) {
    model::TemplateDocument->CurrentGate = copy->FirstGate;
    model::TemplateDocument->CurrentInstance = copy->FirstInstance;
  }
  return 0;
}

int ws_Cut(WorksheetWindowData* window, EngineEvent* event) {
  int r = ws_CopySelection(window, event);
  if (r != 0) return r;
  ws_DeleteSelection(window, event);
  host().requestRedraw();
  return 0;
}

int ws_Paste(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* cur = model::CurrentDocument;
  LogicRecord* logic = currentLevelLogic();
  auto nothing = [&] {
    ctx().mainSlot = ui_TableOfMode(3);
    setEditorState(0);
    return 0;
  };
  if (!model::PasteDocument || !cur || !logic || cur == model::PasteDocument) return nothing();
  Point p = sheetPoint(window, event);
  gSelection.startX = std::int16_t(p.x);
  gSelection.startY = std::int16_t(p.y);
  LogicRecord* pasted = nullptr;
  int result = 9;
  {
    DocumentGuard guard(window);
    pasted = preparePasteDocument(nullptr);
    if (pasted) {
      DocumentRecord* paste = model::PasteDocument;
      if (paste->MacroLevel >= 1 && paste->MacroLevel <= model::kMaxMacroLevel) {
        paste->LevelLogics[paste->MacroLevel] = pasted;
        paste->LevelInstances[paste->MacroLevel] = nullptr;
      }
      if (window) window->document = paste;
      result = scr_Execute(window, event, 100, 100, kScriptClipboard);
    }
  }
  if (!pasted || result == 9) return nothing();
  for (GateRecord* g = pasted->FirstGate; g; g = g->Next)
    if (model::LogicRecord* sub = model::subLogic(g); sub && model::ge_UsesLogic(logic, sub)) {
      model::shell().bind_SW50_CallMBWithID(50050, 0);
      setEditorState(21);
      return 0;
    }
  Box b = boxOf(pasted, false);
  model::ge_OffsetGates(pasted, -b.minX, -b.minY);
  setEditorState(24);
  if (window) {
    dragWindow(window, ws_PasteFollower, b);
    window->dragOffsetX = window->dragOffsetY = 0;
  }
  if (model::TemplateDocument) {
    model::TemplateDocument->CurrentGate = pasted->FirstGate;
    model::TemplateDocument->CurrentInstance = pasted->FirstInstance;
  }
  return 4;
}

void ws_InsertPasteBuffer(WorksheetWindowData* window, EngineEvent* event, int x, int y) {
  DocumentRecord* paste = model::PasteDocument;
  LogicRecord* logic = currentLevelLogic();
  if (!paste || !paste->PasteLogic || paste->PasteLogic == logic) return;
  Box b = boxOf(paste->PasteLogic, false);
  if (!paste->PasteLogic->FirstGate) b.minX = b.minY = 0;
  scr_Execute(window, event, x - b.minX, y - b.minY, kScriptClipboard);
  de_ClearSheetMark();
}

int ws_PasteAt(WorksheetWindowData* window, EngineEvent* event) {
  LogicRecord* logic = currentLevelLogic();
  DocumentRecord* d = model::CurrentDocument;
  if (!logic || !d) return 0;
  bool written = false, refresh = false;
  if (scr_PastePrecheck(window, event, 100, 100, kScriptClipboard) == 1) refresh = scr_WritePortScript(window, written);
  clearAll(logic);
  std::int16_t x = model::clamp16(event->x + (window ? window->scrollX + window->dragOffsetX : 0));
  std::int16_t y = model::clamp16(event->y + (window ? window->scrollY + window->dragOffsetY : 0));
  model::gg_SnapToGrid(x, y);
  ws_InsertPasteBuffer(window, event, x, y);
  if (window) window->drag = nullptr;
  setEditorState(21);
  if (written) scr_RunPortScript(window, event, refresh);
  host().requestRedraw();
  return 0;
}

int ws_SheetFollower(WorksheetWindowData* window, EngineEvent* event) {
  if (window && window->document) {
    model::CurrentDocument = window->document;
    ctx().DragDocument = window->document;
  }
  // The first move of a group gesture makes it a drag.
  if (event && event->type == kMsgMouseMove && editorState() == 23) ui_SelectionDragBegin(window, event);
  return 1;
}

int ws_PasteFollower(WorksheetWindowData* window, EngineEvent* event) {
  if (window && window->document) {
    model::CurrentDocument = window->document;
    ctx().DragDocument = window->document;
  }
  DocumentRecord* paste = model::PasteDocument;
  if (event && event->type == kMsgMouseMove && paste && paste->PasteLogic && disp::gdi_CurrentDevice()) {
    disp::DrawView& v = disp::currentView();
    int sx = v.scrollX, sy = v.scrollY, state = v.editorState;
    int ox, oy;
    ws_DragPictureOrigin(ox, oy);
    v.scrollX = -(event->x - ox + (window ? window->dragOffsetX : 0));
    v.scrollY = -(event->y - oy + (window ? window->dragOffsetY : 0));
    v.editorState = 0;
    model::GateInstance* inst = paste->PasteLogic->FirstInstance;
    int counter = 0;
    for (GateRecord* g = paste->PasteLogic->FirstGate; g; g = g->Next, inst = inst ? inst->Next : nullptr)
      disp::gd_DrawGate(g, inst, ++counter);
    v.scrollX = sx;
    v.scrollY = sy;
    v.editorState = state;
  }
  return 1;
}

namespace {
std::vector<std::pair<const DocumentRecord*, const GateRecord*>> gMarked;
} // namespace

bool de_IsGateMarked(const DocumentRecord* doc, const GateRecord* gate) {
  return std::find(gMarked.begin(), gMarked.end(), std::make_pair(doc, gate)) != gMarked.end();
}

void de_ClearSheetMark() {
  const DocumentRecord* d = model::CurrentDocument;
  std::erase_if(gMarked, [&](const auto& e) { return e.first == d; });
}

bool de_ToggleGateMark(WorksheetWindowData* window, GateRecord* gate) {
  DocumentRecord* d = model::CurrentDocument;
  if (!d || !gate) return false;
  auto it = std::find(gMarked.begin(), gMarked.end(), std::pair<const DocumentRecord*, const GateRecord*>(d, gate));
  if (it != gMarked.end()) {
    gMarked.erase(it);
    ws_DirtyReset();
    markBox(gate, 0);
    ws_DirtyFlush();
    return false;
  }
  gMarked.emplace(gMarked.begin(), d, gate);
  if (!disp::gdi_CurrentDevice()) return true;
  std::int16_t x, y, w, h;
  model::gg_GateBox(gate, x, y, w, h, false);
  int sx = window ? window->scrollX : d->ScrollX, sy = window ? window->scrollY : d->ScrollY;
  disp::Pt16 batch[32];
  int n = 0;
  for (int row = 0, yy = y - sy; yy <= y + h - sy; yy += 2, ++row)
    for (int xx = x - sx + (row & 1); xx <= x + w - sx; xx += 2) {
      batch[n++] = disp::Pt16{std::int16_t(xx), std::int16_t(yy)};
      if (n == 32) {
        disp::gdi_Markers(n, batch);
        n = 0;
      }
    }
  if (n) disp::gdi_Markers(n, batch);
  return true;
}

void selection_RegisterHandlers() {
  using H = HandlerId;
  ui_RegisterHandler(H::ui_CtrlSelectToggle, ui_CtrlSelectToggle);
  ui_RegisterHandler(H::ui_ShiftSelectEvent, ui_ShiftSelectEvent);
  ui_RegisterHandler(H::ui_SelectionAnchor, ui_SelectionAnchor);
  ui_RegisterHandler(H::ui_SelectionPressFallback, ui_SelectionPressFallback);
  ui_RegisterHandler(H::ui_SelectionDragBegin, ui_SelectionDragBegin);
  ui_RegisterHandler(H::ui_SelectionMoveEvent, ui_SelectionMoveEvent);
  ui_RegisterHandler(H::ui_DropUndoOnMessage, ui_DropUndoOnMessage);
  ui_RegisterHandler(H::ws_DeleteSelection, ws_DeleteSelection);
  ui_RegisterHandler(H::ws_CopySelection, ws_CopySelection);
  ui_RegisterHandler(H::ws_Cut, ws_Cut);
  ui_RegisterHandler(H::ws_Paste, ws_Paste);
  ui_RegisterHandler(H::ws_PasteAt, ws_PasteAt);
}

} // namespace editor
