#pragma once
// Interactive wiring from a pin to a pin: the start at a pin, corner presses,
// the end at a pin of the other direction and the shaping of the new wire.
#include "editor/host.h"
#include "model/records.h"

#include <cstdint>

namespace editor {

struct WiringState {
  std::uint16_t phase = 0;
  std::uint16_t endMode = 1;                 // 1 corners, 2 the press ends the wire
  model::GateRecord* startGate = nullptr;
  unsigned startPin = 0;
  bool startIsInput = false;
  model::GateRecord* targetGate = nullptr;   // the input at the other end
  unsigned targetPin = 0;
  model::GateRecord* branchOf = nullptr;     // gate whose input wire the new one branches from
  model::WirePoint* points = nullptr;        // from the start pin on; owned until connected
  std::int16_t lastX = 0, lastY = 0;         // last fixed corner
  std::int16_t stepX = -32768, stepY = -32768;  // point of the previous step (messages once)
  bool connected = false;
  int color = 1;
};

WiringState& wiring();
// Frees an unconnected wire and empties the state.
void wiring_Reset();

// The axis-parallel rule between the last point and a new one; with adjust a
// point less than 15 units off a line is pulled onto it. True when accepted.
bool ws_MakeAxisParallel(int lastX, int lastY, int& x, int& y, bool adjust);

// Corner shape between two pins (sides 1 right, 2 left, 3 bottom, 4 top).
enum class CornerShape : std::uint8_t { HVH, VHV, HV, VH };
CornerShape ws_CornerShape(int startSide, int endSide);

bool ws_BeginWireAtPin(int x, int y);
void ws_MouseHitAndDrag(int x, int y);
void ws_WiringLoop(int x, int y);
int ws_OnButtonDown(WorksheetWindowData* window, EngineEvent* event);
int ui_StartWiring(WorksheetWindowData* window, EngineEvent* event);
int ui_WiringPress(WorksheetWindowData* window, EngineEvent* event);

void wiring_RegisterHandlers();

} // namespace editor
