#pragma once
// The editor's state machine: event codes, modifiers and mouse areas, the row
// tables that map them to handlers, the handler registry, the row engine and
// the menu-state tables.
#include "editor/host.h"

#include <cstdint>
#include <string_view>

namespace editor {

using Handler = int (*)(WorksheetWindowData* window, EngineEvent* event);

// Every handler a row table can name. The gesture and selection code register
// theirs; an id without a registered handler runs a recording stand-in that
// answers 0.
#define EDITOR_HANDLERS(X)                                                                      \
  X(ui_RefreshLevelsA) X(ui_RefreshLevelsB) X(ui_RefreshLevelsC) X(ui_HoverCursor) X(ui_Undo)    \
  X(ui_BeginMoveAll) X(ui_EndMoveAll) X(ui_InsertSpaceX) X(ui_CloseSpaceX) X(ui_InsertSpaceY)    \
  X(ui_CloseSpaceY) X(ui_PressConnection) X(ws_MouseDrag) X(ui_PressPin)                         \
  X(ws_HighlightPinWires) X(ws_RestorePinWires) X(ui_ToolTrend) X(ui_ToolAddGate) X(ui_PressGate) \
  X(ui_DropLiftedGate) X(ui_ShiftPressGate) X(ui_PlaceGateRelease) X(ui_SelectMode6Table)        \
  X(ui_RightPressGate) X(ui_RightPressGateB) X(ui_CtrlRightPressGate) X(ui_ClearGateMarks)        \
  X(ui_DropUndoOnMessage) X(ui_ClearAllGateMarks) X(ui_Paint) X(ws_ExecuteCommand)               \
  X(ui_SelectMode3Table) X(ws_PasteAt) X(ui_SelectionAnchor) X(ui_SelectionPressFallback)       \
  X(ui_CtrlSelectToggle) X(ui_ShiftSelectEvent) X(ui_SelectionDragBegin)                         \
  X(ui_SelectionMoveEvent) X(ws_DeleteSelection) X(ws_CopySelection) X(ws_Paste) X(ws_SelectAll) \
  X(ws_Cut) X(ui_StartWiring) X(ws_OnButtonDown) X(ui_WiringPress) X(ui_HoverPinCursor)         \
  X(ui_ToolDelete) X(ws_DeleteGateAt) X(ui_ToolInputCount) X(ui_RemoveWireAtPoint)               \
  X(ui_PickAtPointB) X(rw_EndRunDeep) X(rw_EndRunLevel) X(rw_EditInstanceName) X(rw_MouseHandler) \
  X(fe_FaceEditCommand) X(fe_FacePress) X(fe_FaceRelease) X(fe_FaceRedrawAll) X(fe_FaceActivate) \
  X(ui_NewDocument2) X(ui_NewDocument) X(ui_NewDocument3) X(ws_GateFaceCommand)                  \
  X(ws_CloseDocumentCommand) X(ws_EnterTrend) X(ws_ChangeInputCount)

enum class HandlerId : std::uint16_t {
  None = 0,
#define EDITOR_HANDLER_ID(name) name,
  EDITOR_HANDLERS(EDITOR_HANDLER_ID)
#undef EDITOR_HANDLER_ID
  Count
};

std::string_view handlerName(HandlerId id);
// Registers (or with null removes) the handler of an id.
void ui_RegisterHandler(HandlerId id, Handler handler);
Handler ui_RegisteredHandler(HandlerId id);
// Runs the handler of an id (the stand-in when none is registered).
int ui_CallHandler(HandlerId id, WorksheetWindowData* window, EngineEvent* event);

// Row wildcards and chain markers.
inline constexpr int kAnyState = 25;
inline constexpr int kAnyModifier = 0;
inline constexpr int kAnyArea = 10;
inline constexpr int kChainIfUnhandled = 186;
inline constexpr int kChainAfter = 188;

struct UiRow {
  std::int32_t state;
  std::int32_t modifier;
  std::int32_t code;
  std::int32_t area;
  std::int32_t flagA;
  std::int32_t flagB;
  HandlerId handler;
};

struct MenuStateRow {
  std::uint16_t state;
  std::uint16_t command;
  std::uint32_t filterA;
  std::uint32_t filterB;
  std::uint32_t action;   // 0 enable, 1 disable
};

struct RowTable {
  const UiRow* rows = nullptr;
  std::uint16_t count = 0;
};
struct MenuTable {
  const MenuStateRow* rows = nullptr;
  std::uint16_t count = 0;
};

// The tables by mode number (3 mode-3, 4 delete tool, 5 input count, 6 mode-6,
// 7 wiring, 8 pick, 1 run window, 9 run window without instance names).
RowTable ui_TableOfMode(int mode);
RowTable ui_FaceEditorTable();
RowTable ui_FallbackTable();
MenuTable ui_EditMenuTable();
MenuTable ui_RunMenuTable();

// Event reduction.
int ui_TranslateEvent(EngineEvent* event);
int ui_ModifierState(const EngineEvent* event);
int ui_MouseArea(WorksheetWindowData* window, EngineEvent* event);

// Runs one table: the first matching row, then its chain; the menu states
// follow when the current document is the activated one. 11 when no row matches.
int ui_RunRowTable(RowTable table, MenuTable menu, int state, int modifier, int code, int area,
                   WorksheetWindowData* window, EngineEvent* event);
void ui_ApplyMenuStates(MenuTable menu, int state, std::uint32_t filterA, std::int32_t filterB,
                        WorksheetWindowData* window, EngineEvent* event);

int ui_SelectMode6Table(WorksheetWindowData* window, EngineEvent* event);

} // namespace editor
