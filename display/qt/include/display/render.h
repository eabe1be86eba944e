#pragma once
// Draws a whole worksheet (grid, tiled text, gates, wires, values) of a logic
// into an image through the same drawing code as the worksheet windows: the
// image is the sheet's size times the zoom. The view's text metrics are
// derived from the layer's cells (vw_DeriveTextMetrics); its picture folder
// and compiled-face hook are used as given.
#include "display/view.h"

#include <QImage>

namespace disp {

QImage renderSheet(model::LogicRecord* level, float zoom, DrawView view = {});

} // namespace disp
