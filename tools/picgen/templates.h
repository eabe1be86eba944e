#pragma once
// The symbols of the new-project templates, drawn by picgen and written as
// Windows symbol files (.ICO, 32 x 32, 32 bits per pixel with its mask).
#include "picgen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace picgen {

// The template symbols by file name: EMPTY.ICO (a blank sheet), FLOW.ICO
// (START -> END), GATES.ICO (an AND gate with a lamp).
struct TemplateSymbol {
  std::string file;
  Canvas canvas;
};
std::vector<TemplateSymbol> templateSymbols();

// The bytes of a symbol file holding the canvas (at most 256 x 256); every
// pixel is opaque.
std::vector<std::uint8_t> icoBytes(const Canvas& c);
// Writes every template symbol into dir; false when one cannot be written.
bool writeTemplateSymbols(const std::string& dir);

} // namespace picgen
