#pragma once
// A worksheet's content: its border and dotted grid, a text tiled diagonally
// over the sheet, the background picture, every gate with its input wires,
// then the values of the display gates. Drawn on the current view.
#include "display/gdi.h"
#include "display/view.h"
#include "model/records.h"

namespace disp {

void ws_DrawGrid(int majorStep, int minorStep);
void ws_DrawSheetBackgroundText();
// Tiles a text rotated by 45 degrees over a device rectangle in light grey.
void drw_TileRotatedText(Device* dc, int l, int t, int r, int b, int height, const std::string& text);
void ws_DrawSheet(model::GateRecord* gates, model::GateInstance* instances);
void ws_DrawSheetB(model::GateRecord* gates, model::GateInstance* instances);
void ws_DrawSheetC(model::GateRecord* gate);
// The whole redraw in its order: grid (when on), tiled text, sheet.
void ws_Redraw(model::LogicRecord* level, model::GateInstance* instances = nullptr);

} // namespace disp
