// Opening gates and moving between macro levels in run windows; the handlers
// of the run-window table.
#include "editor/rungate.h"

#include "editor/context.h"
#include "editor/gateactions.h"
#include "editor/hooks.h"
#include "editor/tables.h"
#include "editor/titles.h"
#include "editor/views.h"
#include "editor/ws.h"
#include "model/geometry.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace editor {

using model::DocumentRecord;
using model::GateInstance;
using model::GateRecord;
using model::LogicRecord;

namespace {

// The name block of an instance name: "_I" and the name after it.
constexpr std::size_t kInstanceNameLength = 16;

int shownLevel(const DocumentRecord& doc) { return std::min<int>(doc.MacroLevel, model::kMaxMacroLevel); }

std::int16_t viewX(WorksheetWindowData* window, const DocumentRecord& doc) {
  return window ? window->scrollX : doc.ScrollX;
}
std::int16_t viewY(WorksheetWindowData* window, const DocumentRecord& doc) {
  return window ? window->scrollY : doc.ScrollY;
}

// The gate's instance: the level's instance list walked in step with its gates.
GateInstance* instanceOf(const DocumentRecord& doc, int level, const GateRecord* gate) {
  const LogicRecord* logic = doc.LevelLogics[level];
  GateInstance* in = doc.LevelInstances[level];
  for (const GateRecord* g = logic ? logic->FirstGate : nullptr; g; g = g->Next, in = in ? in->Next : nullptr)
    if (g == gate) return in && in->GateNumber == gate->GateNumber ? in : nullptr;
  return nullptr;
}

bool isSubprogramOrModule(const GateRecord* g) {
  return g->Kind == model::kKindCall || g->Kind == model::kKindCompiled || g->Kind == model::kKindCompiledNative;
}

// The name block of a subprogram instance: its own extra values (at least the
// two mark characters and a character of the name), where the level path
// reads the name too. Parameters of other gates and values shared by every
// instance never take a name.
char* nameBlock(const GateRecord* gate, GateInstance* in, std::size_t& size) {
  size = 0;
  if (!gate || gate->Kind != model::kKindCall) return nullptr;
  if (!in || !in->ExtraValues || !in->ExtraSlotCount) return nullptr;
  size = std::size_t(in->ExtraSlotCount) * sizeof(double);
  if (size < 3) return nullptr;
  return reinterpret_cast<char*>(in->ExtraValues);
}

// The dirty rectangle of a gate from 20 units above-left to its face plus 13.
void markGateFace(const GateRecord* g) {
  std::int16_t bx, by, bw, bh;
  model::gg_GateBox(g, bx, by, bw, bh, false);
  ws_DirtyAddPoint(g->X - 20, g->Y - 20);
  ws_DirtyAddPoint(g->X + bw + 13, g->Y + bh + 13);
}

} // namespace

bool pf_PromptCycleTime(GateRecord* gate) {
  LogicRecord* sub = model::subLogic(gate);
  if (!sub || sub->Name[0] != '$') return false;
  int value = int(std::min<std::uint32_t>(gate->AuxLong, 0x7fffffff));
  if (!host().promptInt("Zykluszeit", value)) return false;
  // A task needs a cycle of at least one millisecond; any other answer keeps the time.
  if (value < 1) return false;
  gate->AuxLong = std::uint32_t(value);
  ws_DirtyAddPoint(gate->X, gate->Y);
  ws_DirtyAddPoint(gate->X + 50, gate->Y - 30);
  return true;
}

OpenGateResult de_OpenGateAt(WorksheetWindowData* window, int x, int y, bool cycleTime, int mode) {
  DocumentRecord* docp = model::CurrentDocument;
  if (!docp) return OpenGateResult::Nothing;
  DocumentRecord& doc = *docp;
  const int level = shownLevel(doc);
  LogicRecord* logic = level >= 1 ? doc.LevelLogics[level] : nullptr;
  if (!logic) return OpenGateResult::Nothing;
  const int sx = x + viewX(window, doc), sy = y + viewY(window, doc);
  GateRecord* gate = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, sx, sy, gate, ordinal) || !gate) return OpenGateResult::Nothing;
  if (gate->Kind == model::kKindCall) hk_EndGates(logic->FirstGate, doc.LevelInstances[level], false);
  if (isSubprogramOrModule(gate)) {
    std::int16_t bx, by, bw, bh;
    model::gg_GateBox(gate, bx, by, bw, bh, false);
    ws_DirtyAddPoint(gate->X - 20, gate->Y - 20);
    ws_DirtyAddPoint(gate->X + 40 + bw, gate->Y + 50 + bh);
  }
  if (cycleTime) {
    pf_PromptCycleTime(gate);
    return OpenGateResult::CycleTimeAsked;
  }
  GateInstance* instance = instanceOf(doc, level, gate);
  if (mode == 1 || mode == 2) {
    hk_LogicParams(gate, instance, level == 1, ordinal, mode == 2);
    de_RefreshAllLevels(window);
    return OpenGateResult::ListWritten;
  }
  if (gate->Kind == model::kKindCall) {
    if (level >= model::kMaxMacroLevel) return OpenGateResult::Nothing;
    LogicRecord* sub = model::subLogic(gate);
    if (!sub) return OpenGateResult::Nothing;
    doc.LevelScroll[level] = {viewX(window, doc), viewY(window, doc)};
    const int next = level + 1;
    doc.MacroLevel = std::uint16_t(next);
    doc.LevelInstances[next] = instance ? instance->Children : nullptr;
    // The same subprogram again: back where it was left; another one starts at the top left.
    if (doc.LevelLogics[next] != sub) {
      doc.LevelLogics[next] = sub;
      doc.LevelScroll[next] = {0, 0};
    }
    de_RefreshDocument(window);
    de_RefreshAllLevels(window);
    host().requestRedraw();
    return OpenGateResult::LevelEntered;
  }
  hk_OpenForms(gate, instance, (gate->Flags & model::kGateSharedExtra) == 0, level == 1, sx - gate->X, sy - gate->Y,
               mode, ordinal);
  return OpenGateResult::FormsOpened;
}

bool de_LeaveMacroLevel(WorksheetWindowData* window) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return false;
  const int level = shownLevel(*doc);
  if (level < 2) return false;
  doc->LevelScroll[level] = {viewX(window, *doc), viewY(window, *doc)};
  doc->MacroLevel = std::uint16_t(level - 1);
  de_RefreshDocument(window);
  de_RefreshAllLevels(window);
  host().requestRedraw();
  return true;
}

namespace {

int endRun(bool deep) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  const int level = shownLevel(*doc);
  LogicRecord* logic = level >= 1 ? doc->LevelLogics[level] : nullptr;
  if (logic) hk_EndGates(logic->FirstGate, doc->LevelInstances[level], deep);
  return 0;
}

bool levelChanged(const DocumentRecord* doc, int before) { return doc && doc->MacroLevel != before; }

} // namespace

int rw_EndRunDeep(WorksheetWindowData*, EngineEvent*) { return endRun(true); }
int rw_EndRunLevel(WorksheetWindowData*, EngineEvent*) { return endRun(false); }

int rw_EditInstanceName(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  const int level = shownLevel(*doc);
  LogicRecord* logic = level >= 1 ? doc->LevelLogics[level] : nullptr;
  if (!logic) return 0;
  GateRecord* gate = nullptr;
  int ordinal = 0;
  if (!model::gg_GateAtPoint(logic, event->x + viewX(window, *doc), event->y + viewY(window, *doc), gate, ordinal) ||
      !gate)
    return 0;
  std::size_t size = 0;
  char* block = nameBlock(gate, instanceOf(*doc, level, gate), size);
  if (!block) return 0;
  ws_DirtyReset();
  markGateFace(gate);
  const std::size_t room = std::min(size - 2, kInstanceNameLength);
  std::string text;
  if (block[0] == '_' && block[1] == 'I') text.assign(block + 2, strnlen(block + 2, room));
  if (host().promptText("Instanzname", text, room)) {
    text = text.substr(0, room);
    std::memset(block, 0, 2 + room);
    if (!text.empty()) {
      block[0] = '_';
      block[1] = 'I';
      std::memcpy(block + 2, text.data(), text.size());
    }
  }
  ws_DirtyFlush();
  ws_DirtyReset();
  return 0;
}

int rw_MouseHandler(WorksheetWindowData* window, EngineEvent* event) {
  DocumentRecord* doc = model::CurrentDocument;
  if (!doc) return 0;
  const int before = doc->MacroLevel;
  const int x = event->x, y = event->y;
  const int modifier = ui_ModifierState(event);
  if (event->type == kMsgLButtonDown) {
    switch (modifier) {
    case 4:
      de_OpenGateAt(window, x, y, false, 1);
      if (levelChanged(doc, before)) host().requestRedraw();
      return 0;
    case 2:
      if (!de_EditValueAtN(x, y)) {
        de_OpenGateAt(window, x, y, false, 0);
        if (window) window->answer = 1;
      }
      return 0;
    case 3:
      if (ctx().SimulationOn) return 0;
      ws_DirtyReset();
      de_OpenGateAt(window, x, y, true, 0);
      ws_DirtyFlush();
      ws_DirtyReset();
      return 0;
    default:
      if (!de_EditValueAt(x, y)) de_OpenGateAt(window, x, y, false, 0);
      return 0;
    }
  }
  if (event->type == kMsgRButtonDown) {
    LogicRecord* logic = doc->MacroLevel >= 1 ? doc->LevelLogics[shownLevel(*doc)] : nullptr;
    GateRecord* gate = nullptr;
    int ordinal = 0;
    if (logic && model::gg_GateAtPoint(logic, x + viewX(window, *doc), y + viewY(window, *doc), gate, ordinal) &&
        gate) {
      de_OpenGateAt(window, x, y, false, 0);
      if (window) window->answer = 1;
    } else {
      fn_LeaveLevel(window);
    }
    host().requestRedraw();
  }
  return 0;
}

void runWindow_RegisterHandlers() {
  using H = HandlerId;
  ui_RegisterHandler(H::rw_EndRunDeep, rw_EndRunDeep);
  ui_RegisterHandler(H::rw_EndRunLevel, rw_EndRunLevel);
  ui_RegisterHandler(H::rw_EditInstanceName, rw_EditInstanceName);
  ui_RegisterHandler(H::rw_MouseHandler, rw_MouseHandler);
}

} // namespace editor
