#pragma once
// The gate-face editor: the face of a subprogram (the box a calling gate
// shows, with the place and side of every port) edited in its own worksheet
// window. Ports are dragged onto the box's edges or back into the list of
// unplaced ports left of it; the box's lower-right corner is dragged to
// resize it. The editor's state machine hands it presses, releases and the
// commands 1041 and 1042; its redraw calls fe_DrawEditor.
#include "model/records.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace rec {

inline constexpr int kFaceX = 200;        // the face box's top-left corner in the view
inline constexpr int kFaceY = 80;
inline constexpr int kUnplacedInputX = -170;
inline constexpr int kUnplacedOutputX = -110;
inline constexpr int kUnplacedStartY = -30;

enum class FeEvent { Press, Release, Command };

struct FeArea {
  int x, y, w, h;
};

// The editing frame and the editor's state.
struct FaceEditorState {
  model::LogicRecord* logic = nullptr;
  model::GateRecord frameGate{};
  std::vector<model::InputPin> inputs;
  std::vector<model::OutputPin> outputs;
  bool newFace = false;
  int state = 0;            // 0 idle, 1 moving a port, 2 resizing
  int selected = 0;         // selected port number from 1
  bool selectedInput = false;
  int mouseX = 0, mouseY = 0;       // the point of the last event
  int startX = 0, startY = 0;       // where resizing started
  int scrollX = 0, scrollY = 0;     // the view's scroll offsets
  int mouseShape = 0;
  bool savedDrawFlag = false;
  // What the editor asked of its window.
  std::vector<FeArea> redraws;
  std::vector<FeArea> dirty;
  std::function<void(const FeArea&)> onRedraw;
};

FaceEditorState& fe_State();
void fe_UnitInit();
void fe_FrameInit(model::LogicRecord* logic);
void fe_FrameDone();

// The event entry: a press or release at x, y, or a command (x carries 1041 or 1042).
void fe_FaceEditor(model::LogicRecord* logic, FeEvent event, int x, int y);
void fe_DrawEditor(model::LogicRecord* logic);
void fe_PlacePort(model::LogicRecord* logic, int x, int y);
void fe_SetPort(bool place, int x, int y, std::uint16_t side);
bool fe_EdgeAtPoint(int x, int y, int& px, int& py, std::uint16_t& side);
void fe_ResizeFace(model::LogicRecord* logic, int x, int y);
bool fe_PortAtPoint(int& bx, int& by, int& bw, int& bh);
void fe_PortBox(int x, int y, std::uint16_t side, int& bx, int& by, int& bw, int& bh);
void fe_DrawGrid();
void fe_DrawEdgeTick(std::uint16_t side);
void fe_SnapToGrid10(int& x, int& y);
int fe_Snap10(int v);

} // namespace rec
