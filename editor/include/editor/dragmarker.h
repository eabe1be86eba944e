#pragma once
// The picture that follows the mouse while a worksheet holds a drag: the
// window hands each mouse move to ws_DragMarkerMove, which puts back the area
// under the previous picture, saves the area under the new one and lets the
// drag callback draw into it; ws_DragMarkerEnd puts the last area back. The
// window's persistent image is therefore unchanged once the drag ends.
//
// The picture's area is the window record's outline: sheetAreaX/Y from the
// mouse point, sheetAreaW x sheetAreaH, in sheet units. The callback draws
// into an off-screen bitmap of that area (so nothing lands outside it) and
// takes its drawing position relative to ws_DragPictureOrigin; the bitmap is
// combined into the window so that only the drawn lines cover the sheet.
#include "editor/host.h"

namespace editor {

// Runs the window's drag callback for a mouse move and draws its picture;
// answers the callback's answer (0 without a callback).
int ws_DragMarkerMove(WorksheetWindowData* window, EngineEvent* event);
// Puts back the area under the picture of the window (nothing when none is shown).
void ws_DragMarkerEnd(WorksheetWindowData* window);
// The window point at the picture's top-left while a callback draws its
// picture; (0, 0) when it draws straight into the window.
void ws_DragPictureOrigin(int& x, int& y);
// Forgets the picture of the window without drawing (the window goes away;
// null forgets any).
void ws_DragMarkerForget(const WorksheetWindowData* window);
// True while a picture is shown in the window.
bool ws_DragMarkerShown(const WorksheetWindowData* window);

} // namespace editor
