#pragma once
// Drawing of the trend window through the drawing layer: layout, value rows,
// plot columns, grid, time axis, axis scales, side panel, roll and the cursor
// read-out. Everything draws on the drawing layer's current device (set by
// the window's paint or by gdi_SetCurrent); without one only the state moves.
#include "recorder/recorder.h"

#include <cstdint>
#include <string>

namespace rec {

// Computes the plot geometry from the window rectangle. Below 150 pixels of
// height there is no layout (layoutValid false, nothing is drawn).
void tr_SetLayout(Recorder& r, int left, int top, int width, int height);
// The left strip a trend window keeps for its side panel and two axis scales.
int tr_LeftStrip(int clientWidth);
// Lays out a trend window of a client size (the plot window right of the strip).
void tr_SetClientSize(Recorder& r, int clientWidth, int clientHeight);

std::int16_t tr_ValueToRow(const Recorder& r, double value, const ChannelRecord& c);
// Grid dot step of a division width: /10, /5, /2 or itself, the first >= 2.5.
double tr_GridStep(int pxPerDivision);

void tr_PaintTrend(Recorder& r);
void tr_DrawFrame(Recorder& r);
void tr_DrawTimeAxis(Recorder& r);
void tr_DrawFullGrid(const Recorder& r);
void tr_DrawGridColumn(const Recorder& r, int column);
void tr_DrawColumn(Recorder& r, bool draw, double t, const double* values);
void tr_DrawXYColumn(Recorder& r, bool draw, int column, double fraction, const double* values);
void tr_RollDivision(Recorder& r, bool draw);
// Probe marks of the channels bound to a logic and instance list, drawn on a
// worksheet with the view offset.
void tr_DrawProbeMarks(const Recorder& r, const model::LogicRecord* logic, int scrollX, int scrollY);

// Read-out at a window point; false when nothing is read out. The keyboard
// variants move the read-out column (dx) or switch to the channel above (+1)
// or below (-1).
bool tr_CursorReadout(Recorder& r, int x, int y);
bool tr_ReadoutStep(Recorder& r, int dx);
bool tr_ReadoutSwitch(Recorder& r, int direction);

// Accessors of the recording state.
struct TrendSummary {
  double firstTime, lastTime, sampleTime, columnTime, timePerDivision;
  int divisions, column, left, top, width, height;
};
TrendSummary tr_Summary(const Recorder& r);
bool tr_SetMarker(Recorder& r, int index, const TimeMarker& m);
bool tr_GetMarker(const Recorder& r, int index, TimeMarker& m);

// The title of the status line.
const std::string& rs_Title();
void rs_UnitInitTitle();

} // namespace rec
