// The constant row tables, the handler registry and the row engine.
#include "editor/tables.h"

#include "editor/context.h"
#include "editor/ws.h"
#include "model/records.h"

#include <array>

namespace editor {

namespace {

using H = HandlerId;
constexpr int A = kAnyState, M = kAnyModifier, R = kAnyArea, C = kChainIfUnhandled, F = kChainAfter;

constexpr UiRow row(int state, int modifier, int code, int area, H handler) {
  return UiRow{state, modifier, code, area, 1, 0, handler};
}

// Edit mode 1, the default of a worksheet.
constexpr UiRow kMode3[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(0, 1, 8, R, H::ui_HoverCursor),
    row(0, 1, 94, R, H::ui_Undo), row(0, 1, 0, 6, H::ui_BeginMoveAll),
    row(0, 1, 0, 8, H::ui_BeginMoveAll), row(0, 1, 0, 7, H::ui_BeginMoveAll),
    row(0, 1, 0, 9, H::ui_BeginMoveAll), row(11, 1, 4, R, H::ui_EndMoveAll),
    row(0, 2, 0, 6, H::ui_InsertSpaceX), row(0, 3, 0, 6, H::ui_CloseSpaceX),
    row(0, 2, 0, 8, H::ui_InsertSpaceX), row(0, 3, 0, 8, H::ui_CloseSpaceX),
    row(0, 2, 1, 7, H::ui_InsertSpaceY), row(0, 3, 1, 7, H::ui_CloseSpaceY),
    row(0, 2, 1, 8, H::ui_InsertSpaceY), row(0, 3, 1, 8, H::ui_CloseSpaceY),
    row(0, 1, 0, 1, H::ui_PressConnection), row(4, 1, 4, R, H::ws_MouseDrag),
    row(0, 1, 0, 4, H::ui_PressPin), row(0, 2, 0, 1, H::ws_HighlightPinWires),
    row(0, 2, 4, 1, H::ws_RestorePinWires), row(0, 1, 78, R, H::ui_ToolTrend),
    row(2, 1, 78, R, H::ui_ToolTrend), row(12, 1, 78, R, H::ui_ToolTrend),
    row(0, 1, 75, R, H::ui_ToolAddGate), row(21, 1, 75, R, H::ui_ToolAddGate),
    row(2, 1, 75, R, H::ui_ToolAddGate), row(3, 1, 75, R, H::ui_ToolAddGate),
    row(12, 1, 75, R, H::ui_ToolAddGate), row(0, 1, 0, 0, H::ui_PressGate),
    row(1, 1, 4, R, H::ui_DropLiftedGate), row(1, 2, 4, R, H::ui_DropLiftedGate),
    row(0, 2, 0, 0, H::ui_ShiftPressGate), row(0, 2, 0, 2, H::ui_ShiftPressGate),
    row(0, 2, 0, 3, H::ui_ShiftPressGate), row(0, 2, 0, 4, H::ui_ShiftPressGate),
    row(9, 2, 4, R, H::ui_PlaceGateRelease), row(0, M, C, R, H::ui_SelectMode6Table),
    row(0, 3, 4, 0, H::ui_SelectMode6Table), row(9, 1, 4, R, H::ui_PlaceGateRelease),
    row(0, M, 82, R, H::ui_SelectMode6Table), row(0, M, 86, R, H::ui_SelectMode6Table),
    row(0, M, C, R, H::ui_SelectMode6Table), row(0, 1, 1, 0, H::ui_RightPressGate),
    row(A, M, F, 0, H::ui_RightPressGateB), row(0, 1, 1, 4, H::ui_RightPressGate),
    row(A, M, F, 0, H::ui_RightPressGateB), row(0, 1, 1, 2, H::ui_RightPressGate),
    row(A, M, F, 0, H::ui_RightPressGateB), row(0, 1, 1, 3, H::ui_RightPressGate),
    row(A, M, F, 0, H::ui_RightPressGateB), row(0, 3, 1, 4, H::ui_CtrlRightPressGate),
    row(0, 3, 1, 2, H::ui_CtrlRightPressGate), row(0, 3, 1, 3, H::ui_CtrlRightPressGate),
    row(A, M, 184, R, H::ui_ClearGateMarks), row(0, M, F, R, H::ui_DropUndoOnMessage),
    row(A, M, 183, R, H::ui_ClearGateMarks), row(0, M, F, R, H::ui_ClearAllGateMarks),
    row(0, 1, 181, R, H::ui_Paint), row(A, M, 126, R, H::ws_ExecuteCommand),
    row(A, 1, 77, R, H::None),
};

// The selection states within edit mode 1.
constexpr UiRow kMode6[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(A, M, 184, R, H::ui_ClearGateMarks),
    row(A, M, F, R, H::ui_SelectMode3Table), row(24, 1, 4, R, H::ws_PasteAt),
    row(24, 1, 0, R, H::ws_PasteAt), row(A, 1, 0, R, H::ui_SelectionAnchor),
    row(0, M, C, R, H::ui_SelectionPressFallback), row(A, 1, 0, R, H::ui_ClearGateMarks),
    row(0, M, F, R, H::ui_CtrlSelectToggle), row(0, M, F, R, H::ui_SelectionAnchor),
    row(0, M, C, R, H::ui_SelectionPressFallback), row(23, 1, 4, R, H::ui_ClearGateMarks),
    row(0, M, F, R, H::ui_CtrlSelectToggle), row(0, M, C, R, H::None),
    row(0, 1, 0, 0, H::ui_CtrlSelectToggle), row(0, 1, 4, R, H::ui_ClearGateMarks),
    row(A, M, F, R, H::ui_SelectMode3Table), row(9, 2, 4, R, H::ui_ShiftSelectEvent),
    row(0, 2, 0, R, H::ui_ShiftSelectEvent), row(21, 2, 0, R, H::ui_SelectionAnchor),
    row(0, M, C, R, H::ui_SelectionPressFallback), row(23, 2, 4, R, H::ui_ShiftSelectEvent),
    row(0, M, C, R, H::None), row(0, 3, 4, 0, H::ui_CtrlSelectToggle),
    row(9, 3, 4, R, H::ui_CtrlSelectToggle), row(0, 3, 0, R, H::ui_CtrlSelectToggle),
    row(21, 3, 0, R, H::ui_SelectionAnchor), row(0, M, C, R, H::ui_SelectionPressFallback),
    row(23, 3, 4, R, H::ui_CtrlSelectToggle), row(0, M, C, R, H::None),
    row(A, 1, 1, 0, H::ui_RightPressGate), row(A, M, F, 0, H::ui_RightPressGateB),
    row(A, 1, 1, 4, H::ui_RightPressGate), row(A, M, F, 0, H::ui_RightPressGateB),
    row(A, 1, 1, 2, H::ui_RightPressGate), row(A, M, F, 0, H::ui_RightPressGateB),
    row(A, 1, 1, 3, H::ui_RightPressGate), row(A, M, F, 0, H::ui_RightPressGateB),
    row(24, 1, 4, R, H::ws_PasteAt), row(24, 1, 0, R, H::ws_PasteAt),
    row(23, 1, 8, R, H::ui_SelectionDragBegin), row(23, 3, 8, R, H::ui_SelectionDragBegin),
    row(23, 2, 8, R, H::ui_SelectionDragBegin), row(22, 2, 4, R, H::ui_SelectionMoveEvent),
    row(22, 2, 0, R, H::ui_SelectionMoveEvent), row(22, 3, 4, R, H::ui_SelectionMoveEvent),
    row(22, 3, 0, R, H::ui_SelectionMoveEvent), row(22, 1, 4, R, H::ui_SelectionMoveEvent),
    row(22, 1, 0, R, H::ui_SelectionMoveEvent), row(21, 1, 10, R, H::ws_DeleteSelection),
    row(21, 1, 77, R, H::ws_DeleteSelection), row(21, 1, 87, R, H::ws_DeleteSelection),
    row(21, 1, 94, R, H::ui_Undo), row(21, 1, 85, R, H::ws_CopySelection),
    row(22, 1, 85, R, H::ws_CopySelection), row(23, 1, 85, R, H::ws_CopySelection),
    row(21, 1, 86, R, H::ws_Paste), row(22, 1, 86, R, H::ws_Paste),
    row(23, 1, 86, R, H::ws_Paste), row(0, 1, 86, R, H::ws_Paste),
    row(A, 1, 181, R, H::ui_Paint), row(21, 1, 82, R, H::ws_SelectAll),
    row(22, 1, 82, R, H::ws_SelectAll), row(23, 1, 82, R, H::ws_SelectAll),
    row(0, 1, 82, R, H::ws_SelectAll), row(21, 1, 84, R, H::ws_Cut),
    row(22, 1, 84, R, H::ws_Cut), row(23, 1, 84, R, H::ws_Cut),
    row(21, 3, 82, R, H::ws_SelectAll), row(22, 3, 82, R, H::ws_SelectAll),
    row(23, 3, 82, R, H::ws_SelectAll), row(0, 3, 82, R, H::ws_SelectAll),
    row(21, 3, 84, R, H::ws_Cut), row(22, 3, 84, R, H::ws_Cut),
    row(23, 3, 84, R, H::ws_Cut), row(21, 3, 85, R, H::ws_CopySelection),
    row(22, 3, 85, R, H::ws_CopySelection), row(23, 3, 85, R, H::ws_CopySelection),
    row(21, 3, 86, R, H::ws_Paste), row(22, 3, 86, R, H::ws_Paste),
    row(23, 3, 86, R, H::ws_Paste), row(0, 3, 86, R, H::ws_Paste),
    row(21, 2, 86, R, H::ws_Paste), row(22, 2, 86, R, H::ws_Paste),
    row(23, 2, 86, R, H::ws_Paste), row(0, 2, 86, R, H::ws_Paste),
    row(24, 1, 4, R, H::ws_PasteAt), row(21, 1, 8, R, H::ui_HoverCursor),
    row(A, M, 83, R, H::ui_ClearGateMarks), row(A, M, F, R, H::ui_SelectMode3Table),
    row(A, M, 0, R, H::ui_ClearGateMarks), row(A, M, F, R, H::ui_SelectMode3Table),
    row(A, M, 126, R, H::ws_ExecuteCommand),
};

// Edit mode 4.
constexpr UiRow kWiring[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(0, 1, 0, 4, H::ui_StartWiring),
    row(0, 1, 0, 2, H::ui_StartWiring), row(0, 1, 0, 3, H::ui_StartWiring),
    row(0, 1, 0, 1, H::ui_StartWiring), row(5, 1, 0, 4, H::ws_OnButtonDown),
    row(5, 3, 0, 4, H::ws_OnButtonDown), row(5, 1, 0, 1, H::ws_OnButtonDown),
    row(5, 3, 0, 1, H::ws_OnButtonDown), row(5, 1, 0, R, H::ui_WiringPress),
    row(5, 3, 0, R, H::ui_WiringPress), row(0, 1, 181, R, H::ui_Paint),
    row(0, 3, 0, 1, H::ui_PressConnection), row(4, 1, 4, R, H::ws_MouseDrag),
    row(0, 3, 0, 4, H::ui_PressPin), row(0, 3, 8, R, H::ui_HoverPinCursor),
    row(0, 1, 94, R, H::ui_Undo), row(A, 1, 77, R, H::None),
};

// Edit mode 2.
constexpr UiRow kDeleteTool[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(0, 1, 77, R, H::ui_ToolDelete),
    row(3, 1, 77, R, H::ui_ToolDelete), row(12, 1, 77, R, H::ui_ToolDelete),
    row(2, 1, 0, R, H::ws_DeleteGateAt), row(0, 1, 0, R, H::ws_DeleteGateAt),
    row(A, M, 181, R, H::ui_Paint),
};

// Edit mode 3.
constexpr UiRow kInputCount[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(0, 1, 80, R, H::ui_ToolInputCount),
    row(2, 1, 80, R, H::ui_ToolInputCount), row(3, 1, 80, R, H::ui_ToolInputCount),
    row(0, 1, 80, R, H::ui_ToolInputCount), row(0, 1, 181, R, H::ui_Paint),
};

// Edit mode 5.
constexpr UiRow kPick[] = {
    row(0, 1, 146, R, H::ui_RefreshLevelsA), row(0, 1, 147, R, H::ui_RefreshLevelsB),
    row(0, 1, 148, R, H::ui_RefreshLevelsC), row(0, M, 0, 4, H::ui_RemoveWireAtPoint),
    row(0, M, 0, 2, H::ui_RemoveWireAtPoint), row(0, M, 0, 3, H::ui_RemoveWireAtPoint),
    row(0, M, 0, 1, H::ui_RemoveWireAtPoint), row(0, M, 1, 4, H::ui_PickAtPointB),
    row(0, M, 1, 2, H::ui_PickAtPointB), row(0, M, 1, 3, H::ui_PickAtPointB),
    row(0, M, 1, 1, H::ui_PickAtPointB), row(0, 1, 181, R, H::ui_Paint),
    row(A, 1, 77, R, H::None),
};

// The run window; without row 2 when instance names are not edited.
constexpr UiRow kRun[] = {
    row(0, 1, 189, R, H::rw_EndRunDeep), row(0, 1, 190, R, H::rw_EndRunLevel),
    row(0, 1, 1, 0, H::rw_EditInstanceName), row(0, 2, 0, 1, H::ws_HighlightPinWires),
    row(0, 2, 4, 1, H::ws_RestorePinWires), row(0, 1, 0, 1, H::rw_MouseHandler),
    row(0, 2, 0, 1, H::rw_MouseHandler), row(0, 3, 0, 1, H::rw_MouseHandler),
    row(0, 1, 1, 1, H::rw_MouseHandler), row(0, 2, 1, 1, H::rw_MouseHandler),
    row(0, 3, 1, 1, H::rw_MouseHandler), row(0, 1, 0, 0, H::rw_MouseHandler),
    row(0, 2, 0, 0, H::rw_MouseHandler), row(0, 3, 0, 0, H::rw_MouseHandler),
    row(0, 1, 1, 0, H::rw_MouseHandler), row(0, 2, 1, 0, H::rw_MouseHandler),
    row(0, 3, 1, 0, H::rw_MouseHandler), row(0, 1, 1, R, H::rw_MouseHandler),
};

constexpr std::array<UiRow, std::size(kRun) - 1> makeRunNoNames() {
  std::array<UiRow, std::size(kRun) - 1> out{};
  std::size_t n = 0;
  for (std::size_t i = 0; i < std::size(kRun); ++i)
    if (i != 2) out[n++] = kRun[i];
  return out;
}
constexpr auto kRunNoNames = makeRunNoNames();

constexpr UiRow kFaceEditor[] = {
    row(0, 1, 151, R, H::fe_FaceEditCommand), row(0, 1, 0, R, H::fe_FacePress),
    row(0, 1, 4, R, H::fe_FaceRelease), row(0, 1, 184, R, H::fe_FaceRedrawAll),
    row(0, 2, 184, R, H::fe_FaceRedrawAll), row(0, 3, 184, R, H::fe_FaceRedrawAll),
    row(0, 1, 183, R, H::fe_FaceActivate),
};

constexpr UiRow kFallback[] = {
    row(0, 1, 68, R, H::ui_NewDocument2), row(0, 1, 69, R, H::ui_NewDocument),
    row(0, 1, 70, R, H::ui_NewDocument3), row(0, 1, 89, R, H::ws_GateFaceCommand),
    row(0, 1, 160, R, H::ws_CloseDocumentCommand),
};

constexpr MenuStateRow kEditMenu[] = {
    {21, 371, 0, 0, 0}, {0, 371, 0, 0, 1}, {21, 373, 0, 0, 0}, {0, 373, 0, 0, 1},
    {21, 372, 0, 0, 0}, {0, 372, 0, 0, 1}, {21, 375, 0, 0, 0}, {0, 375, 0, 0, 1},
};
constexpr MenuStateRow kRunMenu[] = {{0, 65535, 0, 2, 0}};

template <std::size_t N> constexpr RowTable tableOf(const UiRow (&rows)[N]) {
  return RowTable{rows, std::uint16_t(N)};
}

constexpr std::string_view kNames[] = {
    "none",
#define EDITOR_HANDLER_NAME(name) #name,
    EDITOR_HANDLERS(EDITOR_HANDLER_NAME)
#undef EDITOR_HANDLER_NAME
};
static_assert(std::size(kNames) == std::size_t(HandlerId::Count));

Handler gRegistry[std::size_t(HandlerId::Count)] = {};

} // namespace

std::string_view handlerName(HandlerId id) {
  auto i = std::size_t(id);
  return i < std::size(kNames) ? kNames[i] : std::string_view("?");
}

void ui_RegisterHandler(HandlerId id, Handler handler) {
  if (std::size_t(id) < std::size(gRegistry)) gRegistry[std::size_t(id)] = handler;
}

Handler ui_RegisteredHandler(HandlerId id) {
  return std::size_t(id) < std::size(gRegistry) ? gRegistry[std::size_t(id)] : nullptr;
}

int ui_CallHandler(HandlerId id, WorksheetWindowData* window, EngineEvent* event) {
  if (id == HandlerId::None) return 0;
  Handler h = ui_RegisteredHandler(id);
  if (!h) {
    ctx().stubCalls.emplace_back(handlerName(id));
    return 0;
  }
  ++ctx().handlerDepth;
  int result = h(window, event);
  --ctx().handlerDepth;
  return result;
}

RowTable ui_TableOfMode(int mode) {
  switch (mode) {
  case 1: return tableOf(kRun);
  case 4: return tableOf(kDeleteTool);
  case 5: return tableOf(kInputCount);
  case 6: return tableOf(kMode6);
  case 7: return tableOf(kWiring);
  case 8: return tableOf(kPick);
  case 9: return RowTable{kRunNoNames.data(), std::uint16_t(kRunNoNames.size())};
  default: return tableOf(kMode3);
  }
}
RowTable ui_FaceEditorTable() { return tableOf(kFaceEditor); }
RowTable ui_FallbackTable() { return tableOf(kFallback); }
MenuTable ui_EditMenuTable() { return MenuTable{kEditMenu, std::uint16_t(std::size(kEditMenu))}; }
MenuTable ui_RunMenuTable() { return MenuTable{kRunMenu, std::uint16_t(std::size(kRunMenu))}; }

int ui_CurrentToolMode() {
  const UiRow* rows = ctx().mainSlot.rows;
  if (rows == kMode3) return 3;
  if (rows == kDeleteTool) return 4;
  if (rows == kInputCount) return 5;
  if (rows == kMode6) return 6;
  if (rows == kWiring) return 7;
  if (rows == kPick) return 8;
  return 0;
}

int ui_SelectMode3Table(WorksheetWindowData*, EngineEvent*) {
  ctx().mainSlot = tableOf(kMode3);
  return 0;
}

int ui_SelectMode6Table(WorksheetWindowData*, EngineEvent*) {
  ctx().mainSlot = tableOf(kMode6);
  return 12;
}

// ---- event reduction ----

namespace {

int commandCode(int id) {
  struct Range { int first, last, code; };
  static constexpr Range kRanges[] = {
      {201, 203, 36}, {204, 204, 40}, {205, 206, 53}, {207, 207, 39}, {208, 215, 55},
      {216, 216, 41}, {217, 221, 63}, {230, 240, 68}, {241, 241, 81}, {242, 243, 79},
      {250, 256, 88}, {260, 272, 95}, {280, 290, 108}, {295, 297, 119}, {300, 305, 122},
      {306, 321, 129}, {330, 335, 42}, {360, 364, 48}, {370, 375, 82}, {380, 381, 189},
      {383, 383, 159}, {500, 514, 146},
  };
  for (const Range& r : kRanges)
    if (id >= r.first && id <= r.last) return r.code + (id - r.first);
  return 185;
}

int keyCode(EngineEvent* event) {
  switch (event->code) {
  case kVkBack: return 13;
  case kVkTab: return 14;
  case kVkReturn: return 16;
  case kVkEscape: return 15;
  case kVkPrior: return 21;
  case kVkNext: return 22;
  case kVkEnd: return 12;
  case kVkHome: return 11;
  case kVkLeft: return 17;
  case kVkUp: return 19;
  case kVkRight: return 18;
  case kVkDown: return 20;
  case kVkInsert: return 9;
  case kVkDelete: return 10;
  default: break;
  }
  if (event->code >= kVkF1 && event->code <= kVkF12) return 23 + (event->code - kVkF1);
  // Letters reach the handlers in lower case unless Caps Lock is on.
  if (event->code >= 'A' && event->code <= 'Z' && !host().capsLockOn())
    event->code = std::uint16_t(event->code + 32);
  return 35;
}

} // namespace

int ui_TranslateEvent(EngineEvent* event) {
  switch (event->type) {
  case kMsgCommand: return commandCode(event->code);
  case kMsgKeyDown: return keyCode(event);
  case kMsgPaint: return 181;
  case kMsgActivate: return 183;
  case kMsgDeactivate: return 184;
  case kMsgDestroy: return 182;
  case kMsgMouseMove: return 8;
  case kMsgLButtonDown: return 0;
  case kMsgLButtonUp: return 4;
  case kMsgRButtonDown: return 1;
  case kMsgRButtonUp: return 5;
  default: return 185;
  }
}

int ui_ModifierState(const EngineEvent*) {
  bool ctrl = host().ctrlDown(), shift = host().shiftDown();
  if (ctrl) return shift ? 4 : 3;
  return shift ? 2 : 1;
}

int ui_MouseArea(WorksheetWindowData* window, EngineEvent* event) {
  std::uint32_t state = editorState();
  if (state != 0 && state != 2 && state != 5 && state != 21) return 9;
  switch (ws_ClassifyMousePos(window, event)) {
  case 0: case 7: case 10: case 13: return 9;
  case 1: case 2: case 3: case 6: case 9: case 12: case 21: case 22: return 0;
  case 4: case 19: case 20: return 1;
  case 5: return 4;
  case 11: return 5;
  case 14: case 15: return 6;
  case 16: case 17: return 7;
  case 18: return 8;
  default:
    host().setCursor(2);
    return 9;
  }
}

// ---- the row engine ----

int ui_RunRowTable(RowTable table, MenuTable menu, int state, int modifier, int code, int area,
                   WorksheetWindowData* window, EngineEvent* event) {
  EditorContext& c = ctx();
  if (code == 183) c.ActivatedDocument = model::CurrentDocument;
  int found = -1;
  for (int i = 0; i < table.count; ++i) {
    const UiRow& r = table.rows[i];
    if ((r.state == state || r.state == kAnyState) && r.code == code &&
        (r.modifier == kAnyModifier || r.modifier == modifier) && (r.area == kAnyArea || r.area == area)) {
      found = i;
      break;
    }
  }
  if (found < 0) return 11;
  int result = ui_CallHandler(table.rows[found].handler, window, event);
  for (int i = found + 1; i < table.count; ++i) {
    const UiRow& r = table.rows[i];
    if (r.code == kChainAfter) {
      if (r.handler == HandlerId::None) { result = 0; break; }
      ui_CallHandler(r.handler, window, event);
      result = 0;
    } else if (r.code == kChainIfUnhandled && result == 11) {
      if (r.handler == HandlerId::None) { result = 0; break; }
      result = ui_CallHandler(r.handler, window, event);
    } else {
      break;
    }
  }
  if (model::CurrentDocument == c.ActivatedDocument) {
    std::int32_t filterB = model::PasteDocument ? model::PasteDocument->MenuWord : 0;
    ui_ApplyMenuStates(menu, int(editorState() & 0xFFFF), 0, filterB, window, event);
  }
  return result;
}

void ui_ApplyMenuStates(MenuTable menu, int state, std::uint32_t filterA, std::int32_t filterB,
                        WorksheetWindowData* window, EngineEvent*) {
  int kind = window ? window->kind : 0;
  for (int i = 0; i < menu.count; ++i) {
    const MenuStateRow& r = menu.rows[i];
    if (r.state != state || r.filterA != filterA) continue;
    if (r.filterB != 0 && std::int32_t(r.filterB) != filterB) continue;
    bool act = r.filterB == 0 || (kind == 0 && filterB == 2) || ((kind == 1 || kind == 2) && (filterB == 3 || filterB == 4));
    if (!act) continue;
    if (r.action == 0) host().menuEnable(r.command);
    else if (r.action == 1) host().menuDisable(r.command);
  }
}

} // namespace editor
