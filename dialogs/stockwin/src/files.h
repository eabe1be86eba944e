#pragma once
// The library's file dialog (Qt's own, so tests drive it like any dialog).
#include "stockwin/stockwin.h"

#include <string>

namespace sw {

enum class Mode { Open, Save };

// Shows the open or save dialog with the filter, default extension and title
// strings, in dir with file preselected; the chosen path, "" when cancelled.
std::string choose(SwWindow owner, Mode mode, unsigned filter, unsigned ext, unsigned title, const std::string& dir,
                   const std::string& file);

// Lets the user pick a bitmap file and copies it into dir under its name
// upper-cased. 1 when copied; out = that name (also when the file is already
// there, answering 0 after message 517).
int sw_ImportBitmap(SwWindow owner, const std::string& dir, std::string& out);

} // namespace sw
