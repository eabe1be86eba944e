#pragma once
// The view onto the current document's worksheet: world rectangle, scroll
// offsets and their limits, scrolling by per mille, the saved view around
// printing and zoom changes, the status line text, the output sink, and the
// drag marker (two inverted guide lines that follow the cursor).
#include "display/gdi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace disp {

// The view fields of a document.
struct ViewFields {
  std::int16_t handle = 0;
  std::int16_t worldX = 0, worldY = 0, worldW = 1024, worldH = 1024;
  std::int16_t scrollX = 0, scrollY = 0;
  std::int16_t maxX = 0, maxY = 0;
  std::int16_t world2X = 0, world2Y = 0, world2W = 1024, world2H = 1024;
  std::int16_t printScrollX = 0, printScrollY = 0;
};

// The document whose view the operations change (the shell sets it).
void vp_SetDocumentView(ViewFields* fields);
ViewFields* vp_DocumentView();

void vp_UnitInit();
void vp_StartView();
void vp_ResetView();
void vp_RestoreView();
void vp_SaveView();
void vp_ScrollToPermille(bool horizontal, int permille);
int vp_PermilleOf(int v, int largest, int origin);
void vp_ClampScroll();
int vp_Nesting();

inline constexpr std::size_t kStatusMax = 73;
void ui_SetStatusText(const std::string& prefix, const std::string& field);
const std::string& ui_StatusText();
// The text output of the program goes to the sink (normally the status text).
std::string* vp_SetOutputSink(std::string* buffer);
std::string* vp_OutputSink();

// Drag marker of a window: the worksheet size times the zoom gives the line
// lengths; with a page frame (width not 0) the lines stay inside the frame.
struct DragFrame {
  int left = 0, top = 0, width = 0, height = 0;
};
// Moves the marker to the cursor (window coordinates); mode 2 only removes it.
void drg_UpdateDragMarker(DrawWindow* window, int mode, int cursorX, int cursorY, int sheetW, int sheetH,
                          const DragFrame& frame = {});
bool drg_MarkerShown();

// A bitmap saved from or drawn for a window: w x h pixels, 0xRRGGBB, rows
// top-down.
struct WindowBitmap {
  int w = 0, h = 0;
  std::vector<std::uint32_t> pixels;
};
// Copies a bitmap into the window at x, y: plainly, combined by "and", or
// inverted. False without a context or a bitmap.
bool drw_BlitBitmap(DrawWindow* window, const WindowBitmap* bitmap, int x, int y);
bool drw_BlitBitmapAnd(DrawWindow* window, const WindowBitmap* bitmap, int x, int y);
bool drw_BlitBitmapNot(DrawWindow* window, const WindowBitmap* bitmap, int x, int y);
// A window area in a new bitmap; null when no context is to be had or the
// device cannot be read back.
std::unique_ptr<WindowBitmap> drw_SaveWindowArea(DrawWindow* window, int x, int y, int w, int h);
std::unique_ptr<WindowBitmap> drw_SaveWindowAreaB(DrawWindow* window, int x, int y, int w, int h);
// Draws an item into an off-screen bitmap of w x h: its device becomes the
// current drawing context (white, attributes reset) while the item draws;
// the previous context comes back. Null when the window makes no bitmaps.
std::unique_ptr<WindowBitmap> drw_RenderToBitmap(DrawWindow* window, int w, int h, const std::function<void()>& item);
// The frame-area marker: the area under a frame is saved once (the flag is
// set) and put back by ws_BlitSavedBackground, which also frees it, clears
// the flag and sets mouse shape 2.
bool drg_SaveFrameArea(DrawWindow* window, int x, int y, int w, int h);
bool drg_FrameAreaSaved();
void ws_BlitSavedBackground();

} // namespace disp
