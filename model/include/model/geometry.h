#pragma once
// Gate geometry on a worksheet: gate boxes, pin positions, grid snapping and
// every hit test. Coordinates are signed 16-bit sheet units; sums are computed
// in int and clamped to the 16-bit range. Text extents come from the
// FontMetrics service (model/services.h).
#include "model/records.h"

#include <cstdint>
#include <string>

namespace model {

enum PinSide : std::uint16_t { kSideRight = 1, kSideLeft = 2, kSideBottom = 3, kSideTop = 4 };

std::int16_t clamp16(int v);

void gg_UnitInit();
void gg_SetPickTolerance(std::uint16_t value);
std::uint16_t gg_PickTolerance();

void gg_SnapToGrid(std::int16_t& x, std::int16_t& y);
int gg_Snap(int v);
bool gg_PointInBox(int bx, int by, int bw, int bh, int px, int py);
int gg_Distance(int x1, int x2, int y1, int y2);

struct KindBox { int dx = 0, dy = 0, w = 40, h = 40; };
KindBox gg_KindBoxSize(unsigned kind, unsigned inputs, unsigned outputs, PinSignalType inputType,
                       PinSignalType outputType, std::uint16_t extra1, std::uint16_t extra2);

// The first two 16-bit words of a gate's extra rows (0 without rows).
std::uint16_t gg_ExtraWord(const GateRecord* g, int index);

void gg_GateBox(const GateRecord* g, std::int16_t& x, std::int16_t& y, std::int16_t& w, std::int16_t& h,
                bool enlarge);
void gg_GateRect(const GateRecord* g, std::int16_t& x, std::int16_t& y, std::int16_t& w, std::int16_t& h,
                 bool withMargins);
std::int16_t gg_GateWidth(const GateRecord* g);
void gg_MainSignalTypes(const GateRecord* g, PinSignalType& inputType, PinSignalType& outputType);

// Pin n (from 1) relative to the gate position, with its side code. False for
// a pin number outside the gate's pins (the outputs then hold the defaults).
// Asking a call gate's pin that its port table puts on the top or bottom edge
// clears the gate's mirror flag.
bool gg_InputPinPos(GateRecord* g, unsigned n, std::int16_t& x, std::int16_t& y, std::uint16_t& side);
bool gg_OutputPinPos(GateRecord* g, unsigned n, std::int16_t& x, std::int16_t& y, std::uint16_t& side);

bool gg_GateAtPoint(const LogicRecord* logic, int x, int y, GateRecord*& gate, int& ordinal);
bool gg_GateAtPointExcept(const LogicRecord* logic, const GateRecord* except, int x, int y,
                          GateRecord*& gate, int& ordinal);
bool gg_GateAtPointSimple(const LogicRecord* logic, int x, int y, GateRecord*& gate, int& ordinal);
bool gg_GateOrdinal(const LogicRecord* logic, const GateRecord* gate, int& ordinal);

int gg_PinAtPoint(const LogicRecord* logic, const GateRecord* except, std::int16_t& x, std::int16_t& y,
                  GateRecord*& gate, unsigned& pin, bool& isInput);
int gg_GatePinAtPoint(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                      unsigned& pin, bool& isInput);
int gg_NearestInputPin(const LogicRecord* logic, const GateRecord* except, std::int16_t& x, std::int16_t& y,
                       GateRecord*& gate, unsigned& pin, bool& isInput);
int gg_NearestInputPin2(const LogicRecord* logic, const GateRecord* except, std::int16_t& x,
                        std::int16_t& y, GateRecord*& gate, unsigned& pin, bool& isInput);
bool gg_WireAtPoint(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                    unsigned& pin);
int gg_PointOnSegment(const WirePoint* a, const WirePoint* b, std::int16_t& x, std::int16_t& y);

// The connection nearest to a point. pinNumber receives the 1-based input pin
// of gate whose wire was found.
struct ConnectionHit {
  GateRecord* sourceGate = nullptr;
  unsigned sourcePin = 0;
  unsigned pinNumber = 0;
  WirePoint* segmentStart = nullptr;
  WirePoint* wireHead = nullptr;
  GateRecord* gate = nullptr;
};
int gg_NearestConnection(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, ConnectionHit& hit);

// A pin or a wire at a point. On a wire the result names its source gate and
// output (isInput false) and wireGate the gate whose input owns the wire.
bool gg_HitTestPin(const LogicRecord* logic, std::int16_t& x, std::int16_t& y, GateRecord*& gate,
                   unsigned& pin, bool& isInput, GateRecord*& wireGate);
bool gg_AreaIsFree(const LogicRecord* logic, int x, int y, int w, int h, const GateRecord* moving);
// The name of the gate under a point of the document's current level and its
// library ("Standard" for built-in kinds, else the module's name).
bool gg_GateTextAtPoint(const DocumentRecord* doc, int x, int y, std::string& name, std::string& library,
                        bool& found);

} // namespace model
