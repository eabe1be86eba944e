#pragma once
// Mouse gestures on gates and connections: placing a new or copied gate,
// lifting and dropping a gate, dragging a connection segment, squaring a
// slanted connection end and shifting the whole sheet; the drag callbacks the
// windows follow meanwhile; the one-level undo copy.
#include "editor/host.h"
#include "model/records.h"

#include <cstdint>

namespace editor {

// What the gestures keep between the press and the release.
struct GestureState {
  std::int16_t savedX = 0, savedY = 0;          // a lifted gate's position before the drag
  model::DocumentRecord* placementDocument = nullptr;
  // The picked connection segment.
  model::GateRecord* segmentGate = nullptr;     // the gate whose input owns the wire
  unsigned segmentPin = 0;                      // that input (from 1)
  model::WirePoint* segmentPoint = nullptr;     // first point of the segment
  model::LogicRecord* segmentLogic = nullptr;
  std::int16_t pickX = 0, pickY = 0;            // the sheet point of the pick
  // The sheet shift.
  std::int16_t startX = 0, startY = 0;
  // The segment the plain segment test found last (its first point).
  model::WirePoint* pickedSegment = nullptr;
  // The position of the gate removed last.
  std::int16_t removedX = 0, removedY = 0;
};
GestureState& gestures();

// Drag callbacks the windows call with every mouse move and the release.
int ws_GateFollower(WorksheetWindowData* window, EngineEvent* event);
int ws_RubberLine(WorksheetWindowData* window, EngineEvent* event);

// Sheet point of a window point: the scroll position added and snapped.
void de_SheetPoint(WorksheetWindowData* window, const EngineEvent* event, std::int16_t& x, std::int16_t& y);
// Picks the gate at a window point as the document's current gate (box size
// stored); false when there is none.
bool de_ClickAtPoint(WorksheetWindowData* window, int x, int y);
// Picks the connection segment at a window point; true when one was found.
bool de_PickSegment(WorksheetWindowData* window, int x, int y);
// The plain segment test at a window point: only the segment point is
// recorded (GestureState::pickedSegment); a picked segment of a drag stays.
bool gg_PickAtPoint(WorksheetWindowData* window, int x, int y);
// The same at a sheet point of the current document's current level.
bool gg_PickAtSheetPoint(int x, int y);
// Shifts the content of the sheet by the distance from the recorded start;
// true when anything moved.
bool de_MoveAll(WorksheetWindowData* window, int x, int y);
// Connects the pins of the gate that touch free pins of other gates (partners:
// module and subprogram gates, Input gates for its inputs, Output gates for
// its outputs; modulesOnly: compiled module gates only). The number made.
int ui_AutoConnectGate(model::GateRecord* gate, bool modulesOnly);

// The one-level undo copy of the current level's logic.
bool ws_SaveUndoBuffer();
// The copy taken before a deletion (with its instances): Undo puts the
// logic's gates back whole from it.
bool ws_SaveUndoBufferBeforeDelete();
bool undo_DropBuffer();
bool ws_RestoreUndo();

void gestures_RegisterHandlers();
void gateActions_RegisterHandlers();

} // namespace editor
