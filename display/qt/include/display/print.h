#pragma once
// Printing a worksheet: the drawing layer is pointed at a printer device and
// scaled so that the sheet fills the page's printable width (or height,
// whichever is tighter); the grid is left out. The layer's zoom and fonts
// are back as they were afterwards.
#include "display/view.h"

#include <string>

class QPrinter;

namespace disp {

// Draws the level's worksheet on the printer; false when it cannot paint.
bool printSheet(model::LogicRecord* level, QPrinter& printer, DrawView view = {});
// The same into a PDF file (written by the printer, in its place at once).
bool printSheetToPdf(model::LogicRecord* level, const std::string& path, DrawView view = {});

} // namespace disp
