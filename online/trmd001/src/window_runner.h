#pragma once
#include "trmd001/diag_state.h"

namespace trmd {
// The dialog runner of CallTrmd001Dlg (0) with windows; the dialog result.
int runWindow(DiagState& st);
} // namespace trmd
