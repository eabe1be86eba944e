#pragma once
// The library's frame: its resources and the help request of its dialogs.
#include "dialogkit/format.h"
#include "dialogkit/resources.h"
#include <vector>
#include <cstdint>
#include <string>

class QWidget;

namespace tw {

kit::Resources& resources();
// A text of a dialog's control (0: the caption) from the resources.
std::string dialogText(unsigned dialog, unsigned control);
// Message box of the library: text of id formatted with the numbers/text, caption string 1, OK.
int message(unsigned id, const std::vector<kit::FormatArg>& args = {}, unsigned style = 0);
// F1 in a dialog: the number box when asked for, then the help page of the context.
void help(QWidget* dialog, unsigned context);

} // namespace tw
