// New window documents, the shown level's view, the level-1 logic with the
// edit and run views, commits into the template and the subprogram walk.
#include "editor/views.h"

#include "editor/context.h"
#include "editor/documents.h"
#include "editor/editor.h"
#include "editor/gatecmd.h"
#include "editor/hooks.h"
#include "editor/tables.h"
#include "editor/titles.h"
#include "editor/ws.h"
#include "model/editing.h"
#include "model/geometry.h"
#include "model/services.h"
#include "modelfiles/selection.h"

#include <algorithm>
#include <cstring>

namespace editor {

using model::DocumentRecord;
using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

void ws_ClearSelectionState(DocumentRecord& doc) {
  doc.EditView = 0;
  doc.RunView = 0;
  doc.ShowValues = 0;
  doc.ListSwitch2 = 0;
  doc.ListSwitch3 = 0;
  doc.ListSwitch4 = 0;
}

namespace {

int shownLevel(const DocumentRecord& doc) { return std::min<int>(doc.MacroLevel, model::kMaxMacroLevel); }

std::int16_t clampTo(int v, int range) { return std::int16_t(std::clamp(v, 0, std::max(0, range))); }

void storeScroll(WorksheetWindowData* window, int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  if (window) {
    window->scrollX = clampTo(x, window->rangeX);
    window->scrollY = clampTo(y, window->rangeY);
    x = window->scrollX;
    y = window->scrollY;
    host().setScrollPos(window, x, y);
  }
  if (doc) {
    doc->ScrollX = std::int16_t(x);
    doc->ScrollY = std::int16_t(y);
  }
}

// The window's scroll position saved as the level's.
void saveLevelScroll(WorksheetWindowData* window, DocumentRecord& doc, int level) {
  if (level < 1 || level > model::kMaxMacroLevel) return;
  doc.LevelScroll[level].X = window ? window->scrollX : doc.ScrollX;
  doc.LevelScroll[level].Y = window ? window->scrollY : doc.ScrollY;
}

void setWord(double* slot, std::uint16_t value) {
  if (slot) std::memcpy(slot, &value, sizeof value);
}

} // namespace

void de_RefreshDocument(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  int level = shownLevel(*doc);
  if (level >= 1 && doc->LevelLogics[level] && !doc->ListSwitch4 && !doc->TrendView)
    storeScroll(window, doc->LevelScroll[level].X, doc->LevelScroll[level].Y);
  else
    storeScroll(window, -doc->WorldX, -doc->WorldY);
}

void de_InsertDocFrame(DocumentRecord& doc, LogicRecord* logic) {
  if (!logic || fn_InsertLibraryGate("DocFrame", true, 2000, 2000) != 1) return;
  GateRecord* frame = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, 2010 + doc.ScrollX, 2010 + doc.ScrollY, frame, ordinal) || !frame) return;
  // The frame closes the default sheet: its box ends at the sheet's lower
  // right corner (the sheet's top left when the sheet has no size).
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(frame, bx, by, bw, bh, false);
  std::int16_t x = std::int16_t(std::max(0, int(doc.SheetWidth) - bw));
  std::int16_t y = std::int16_t(std::max(0, int(doc.SheetHeight) - bh));
  model::gg_SnapToGrid(x, y);
  frame->X = x;
  frame->Y = y;
  doc.LevelInstances[1] = logic->FirstInstance;
}

bool de_ChooseLevelOneLogic(bool create) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  for (int level = 1; level <= model::kMaxMacroLevel; ++level) {
    doc->LevelLogics[level] = nullptr;
    doc->LevelInstances[level] = nullptr;
  }
  doc->MacroLevel = 0;
  doc->LevelScroll[1] = {std::int16_t(-doc->WorldX), std::int16_t(-doc->WorldY)};
  char field[17] = {};
  LogicRecord* logic = nullptr;
  int answer = modelfiles::ls_FindLogicByName(field, 16, logic, 1);
  if (answer == 2) {
    std::string text = host().languageText(2000);
    if (!create) return false;
    std::string name(field, strnlen(field, 16));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    logic = model::ge_NewLogic(name.c_str());
    if (!logic) return false;
    // A new logic starts with a Text gate at the top left of the sheet and
    // the document frame.
    model::EditorServices& services = model::editor();
    const bool quiet = services.suppressTextDialogs;
    services.suppressTextDialogs = true;
    GateRecord* text0 = nullptr;
    const bool made = model::ge_CreateGateAsked(logic, model::kKindText, nullptr, nullptr, 0, 0, text0);
    services.suppressTextDialogs = quiet;
    if (!made) return false;
    doc->MacroLevel = 1;
    doc->LevelLogics[1] = logic;
    doc->LevelInstances[1] = logic->FirstInstance;
    de_InsertDocFrame(*doc, logic);
  } else if (answer != 1 || !logic) {
    return false;
  }
  doc->MacroLevel = 1;
  doc->LevelLogics[1] = logic;
  doc->LevelInstances[1] = logic->FirstInstance;
  return true;
}

bool de_ClickStepGate(int x, int y) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  int level = shownLevel(*doc);
  LogicRecord* logic = level >= 1 ? doc->LevelLogics[level] : nullptr;
  if (!logic) return false;
  auto isStep = [](const GateRecord* g) { return g->Kind >= model::kKindStep && g->Kind <= model::kKindBranch; };
  GateRecord* clicked = nullptr;
  if (x >= 0) {
    for (GateRecord* g = logic->FirstGate; g && !clicked; g = g->Next) {
      std::int16_t gx, gy, gw, gh;
      model::gg_GateBox(g, gx, gy, gw, gh, false);
      if (x >= gx && x < gx + gw && y >= gy && y < gy + gh) clicked = g;
    }
    if (!clicked || !isStep(clicked)) return false;
  }
  GateRecord* lastStart = nullptr;
  GateInstance* lastStartInstance = nullptr;
  GateInstance* clickedInstance = nullptr;
  GateInstance* in = doc->LevelInstances[level];
  for (GateRecord* g = logic->FirstGate; g; g = g->Next, in = in ? in->Next : nullptr) {
    if (g == clicked) clickedInstance = in;
    if (!isStep(g) || !in) continue;
    if (g->Kind == model::kKindStart) {
      setWord(in->StateValues, 0);
      lastStart = g;
      lastStartInstance = in;
    } else {
      setWord(in->OutputValues, 0);
    }
  }
  GateRecord* active = clicked ? clicked : lastStart;
  GateInstance* activeInstance = clicked ? clickedInstance : lastStartInstance;
  if (!active || !activeInstance) return false;
  setWord(active->Kind == model::kKindStart ? activeInstance->StateValues : activeInstance->OutputValues, 1);
  doc->MarkedGate = active;
  return true;
}

void de_EnterEditView() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  if (doc->RunView) {
    hk_EndGate(doc);
    doc->RunView = 0;
    doc->EditView = 1;
    if (doc->TrendView) doc->TrendView = 0;
  }
  if (de_ChooseLevelOneLogic(true)) doc->EditView = 1;
}

bool de_EnterRunView() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  doc->RunView = doc->EditView;
  if (de_ChooseLevelOneLogic(false)) doc->RunView = 1;
  if (!doc->RunView || doc->MacroLevel < 1 || !doc->LevelLogics[1]) {
    doc->RunView = 0;
    return false;
  }
  hk_AllocateSheet(doc);
  doc->EditView = 0;
  de_ClickStepGate(-1, -1);
  return true;
}

void fn_CommitToTemplate() {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc || !model::TemplateDocument) return;
  doc->MarkedGate = nullptr;
  if (!doc->ProjectLoaded) {
    doc->CopyWork = nullptr;
    return;
  }
  int level = shownLevel(*doc);
  if (doc->RunView && level > 1) {
    LogicRecord* shown = doc->LevelLogics[level];
    bool ownLogic = false;
    for (LogicRecord* l = doc->FirstLogic; l && !ownLogic; l = l->Next) ownLogic = l == shown;
    if (!ownLogic) {
      model::shell().bind_SW50_CallMBWithID(50054, 0);
      doc->CopyWork = nullptr;
      return;
    }
    doc->ReturnLevel = std::uint16_t(level);
    doc->ReturnLogic = doc->LevelLogics[1];
    doc->LevelLogics[1] = shown;
    doc->LevelInstances[1] = doc->LevelInstances[level];
    doc->MacroLevel = 1;
    doc->LevelReturn = 1;
  }
  de_EnterEditView();
  doc->CopyWork = nullptr;
  if (doc != model::TemplateDocument) doc_CopyWhole(*model::TemplateDocument, *doc);
}

namespace {

// New document steps shared by 230, 231 and 232.
int newDocument(WorksheetWindowData* window, bool listKind) {
  setEditorState(0);
  host().setCursor(2);
  ctx().projectChanged = 1;
  DocumentRecord* tmpl = model::TemplateDocument;
  if (!tmpl) return 9;
  tmpl->CopyWork = nullptr;
  DocumentRecord* doc = doc_NewWindowDocument(*tmpl);
  if (!doc) return 9;
  model::CurrentDocument = doc;
  ws_ClearSelectionState(*doc);
  if (listKind) {
    doc->TrendView = 0;
    doc->ListSwitch3 = 1;
  } else {
    doc->ListSwitch2 = 1;
  }
  if (window) {
    // The window's previous own document goes with the new one.
    DocumentRecord* old = window->document;
    window->document = doc;
    window->kind = listKind ? kKindSubFromList : kKindSubByName;
    ui_AttachWindow(window);
    if (old && old != tmpl && old != model::PasteDocument && old != doc) {
      doc_FreeWindowDocument(old);
      model::CurrentDocument = doc;
    }
  }
  doc->CopyWork = nullptr;
  fn_CommitToTemplate();
  doc->CopyWork = nullptr;
  doc_CopyWhole(*tmpl, *doc);
  int result = doc->EditView ? 1 : 9;
  model::NewDocument = nullptr;
  if (!window) {
    // Nothing holds the document: the template keeps its settings.
    model::CurrentDocument = tmpl;
    doc_FreeWindowDocument(doc);
  } else {
    de_RefreshDocument(window);
    de_RefreshAllLevels(window);
  }
  return result;
}

} // namespace

int ui_NewDocument(WorksheetWindowData* window, EngineEvent*) { return newDocument(window, false); }
int ui_NewDocument2(WorksheetWindowData* window, EngineEvent*) { return newDocument(window, false); }
int ui_NewDocument3(WorksheetWindowData* window, EngineEvent*) { return newDocument(window, true); }

bool fn_NextSubprogram(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc || doc->MacroLevel < 1) return false;
  const int startLevel = shownLevel(*doc);
  const std::int16_t startX = window ? window->scrollX : doc->ScrollX;
  const std::int16_t startY = window ? window->scrollY : doc->ScrollY;
  int level = startLevel;
  GateRecord* g = doc->LevelLogics[level] ? doc->LevelLogics[level]->FirstGate : nullptr;
  GateInstance* in = doc->LevelInstances[level];
  while (level >= 1) {
    for (; g; g = g->Next, in = in ? in->Next : nullptr) {
      LogicRecord* sub = model::subLogic(g);
      if (!sub || level >= model::kMaxMacroLevel) continue;
      saveLevelScroll(window, *doc, level);
      ++level;
      doc->MacroLevel = std::uint16_t(level);
      doc->LevelInstances[level] = in ? in->Children : nullptr;
      if (doc->LevelLogics[level] != sub) {
        doc->LevelLogics[level] = sub;
        doc->LevelScroll[level] = {std::int16_t(-doc->WorldX), std::int16_t(-doc->WorldY)};
      }
      de_RefreshDocument(window);
      de_RefreshAllLevels(window);
      return true;
    }
    // Nothing left here: climb and go on after the entered instance.
    LogicRecord* left = doc->LevelLogics[level];
    GateInstance* leftInstances = doc->LevelInstances[level];
    --level;
    if (level < 1) break;
    g = doc->LevelLogics[level] ? doc->LevelLogics[level]->FirstGate : nullptr;
    in = doc->LevelInstances[level];
    for (; g; g = g->Next, in = in ? in->Next : nullptr) {
      bool entered = in ? in->Children == leftInstances && model::subLogic(g) == left : model::subLogic(g) == left;
      if (entered) {
        g = g->Next;
        in = in ? in->Next : nullptr;
        break;
      }
    }
  }
  // An empty walk leaves the view where it was.
  doc->MacroLevel = std::uint16_t(startLevel);
  storeScroll(window, startX, startY);
  return false;
}

bool fn_LeaveLevel(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  doc->MarkedGate = nullptr;
  int level = shownLevel(*doc);
  if (!doc->RunView || level < 2) return false;
  hk_EndGate(doc);
  saveLevelScroll(window, *doc, level);
  --level;
  doc->MacroLevel = std::uint16_t(level);
  storeScroll(window, doc->LevelScroll[level].X, doc->LevelScroll[level].Y);
  de_RefreshAllLevels(window);
  return true;
}

void fn_EnterTrend(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return;
  doc->MarkedGate = nullptr;
  if (doc->TrendView || !doc->ProjectLoaded) return;
  doc->TrendView = 1;
  saveLevelScroll(window, *doc, shownLevel(*doc));
}

void views_RegisterHandlers() {
  ui_RegisterHandler(HandlerId::ui_NewDocument, ui_NewDocument);
  ui_RegisterHandler(HandlerId::ui_NewDocument2, ui_NewDocument2);
  ui_RegisterHandler(HandlerId::ui_NewDocument3, ui_NewDocument3);
}

} // namespace editor
