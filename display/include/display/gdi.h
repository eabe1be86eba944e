#pragma once
// The drawing layer: an attribute-style drawing model over a Device. One
// drawing state exists in the program: the current device and window, line
// type, width and colour, fill colour, text size class and rotation, write
// mode, line ends, mouse shape and text width limit. Colours are indices into
// one fixed table; coordinates are 16-bit worksheet units that the layer
// scales by one zoom factor (integer MulDiv, skipped between 0.98 and 1.02):
// pens stay device pixels. Pens, brushes and fonts are created once per key
// and cached until the zoom or rotation changes (fonts) or shut-down.
// Only the user-interface thread draws.
#include "display/device.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace disp {

// A window the layer can paint: hands out a device between begin and end.
class DrawWindow {
public:
  virtual ~DrawWindow() = default;
  virtual Device* beginPaint() = 0;   // null when no context could be had
  virtual void endPaint() = 0;
  virtual Device* getDc() = 0;
  virtual void releaseDc() = 0;
  virtual int windowKind() const { return 0; }
  virtual bool hasWindowData() const { return true; }
  // An off-screen device of w x h pixels like the window's (white at first),
  // for drawing into a bitmap; null where the window has none.
  virtual std::unique_ptr<Device> createBitmapDevice(int w, int h) {
    (void)w;
    (void)h;
    return nullptr;
  }
};

// A window that paints into one given device (tools and tests drawing into a
// recording device or an image of their own).
class DeviceWindow : public DrawWindow {
public:
  explicit DeviceWindow(Device* device) : device_(device) {}
  Device* beginPaint() override { return device_; }
  void endPaint() override {}
  Device* getDc() override { return device_; }
  void releaseDc() override {}

private:
  Device* device_;
};

// What the mouse shapes need of the shell: cursors, help contexts and its
// busy flag. Cursor numbers: 103..121 are the program's named cursors; the
// system cursors are given as negative numbers (SystemCursor).
enum SystemCursor : int {
  kCursorArrow = -1, kCursorUpArrow = -2, kCursorIBeam = -3, kCursorWait = -4, kCursor32641 = -5,
  kCursorSizeNESW = -6, kCursorSizeWE = -7, kCursorSizeNWSE = -8, kCursorSizeNS = -9, kCursorSizeAll = -10,
};
class ShellHooks {
public:
  virtual ~ShellHooks() = default;
  virtual void setCursor(int cursor) = 0;   // 0 hides the cursor
  virtual int helpContext() const = 0;
  virtual void setHelpContext(int context) = 0;
  virtual bool busy() const = 0;
};

inline constexpr int kScratchPoints = 512;
inline constexpr int kColors = 24;

struct Pt16 {
  std::int16_t x = 0, y = 0;
};

// ---- state for the shell and tests ----
void gdi_SetShellHooks(ShellHooks* hooks);
// Message 50035 and others the layer shows; default: the UI sink.
void gdi_SetMessageHandler(std::function<void(int messageId)> handler);
// Points the layer at a device and window directly (printing, images, tests);
// null clears.
void gdi_SetCurrent(Device* device, DrawWindow* window);
Device* gdi_CurrentDevice();
DrawWindow* gdi_CurrentWindow();
// Restores the initial state and empties every cache (tests, shut-down).
void gdi_ResetAll();
// How many pens, brushes and fonts were created so far (cache checks).
struct GdiCounts { int pens = 0, brushes = 0, fonts = 0; };
GdiCounts gdi_Counts();

// ---- attributes ----
int gdi_SelectPen(int type, int widthIndex, int color);
int gdi_SetLineType(int type);
int gdi_SetLineWidth(int width);
int gdi_SetLineColor(int color);
void gdi_SetLineEnds(int startStyle, int endStyle);
int gdi_SetFillColor(int color);
int gdi_SetWriteMode(int mode);
int gdi_SelectFont(int sizeClass);
void gdi_SetTextHeight(int height, int* charWidth, int* charHeight, int* cellWidth, int* cellHeight);
void gdi_SetTextRotation(int tenths);
void gdi_ApplyTextColor(int color);
Rgb gdi_ColorIndexToRgb(int color);
void gdi_SetZoom(const float* zoom);
float gdi_GetZoom();
int gdi_SetMouseShape(int shape);
int gdi_GetMouseShape();
void gdi_SetTextWidthLimit(int width);
void gdi_ResetAttributes();
void gdi_DeleteFonts();
void gdi_DeletePenCache();
// Printing: the shell sets its own scale (numerators / denominators).
void gdi_SetPrintScale(int xNum, int xDen, int yNum, int yDen);

struct GdiAttributes {
  int lineType, widthIndex, lineColor, fillColor, startEnd, endEnd, textClass, rotation, mouseShape,
      textWidthLimit, writeMode;
  bool scaling;
};
GdiAttributes gdi_Attributes();

// ---- coordinates ----
int gdi_ScaleX(int v);
int gdi_ScaleY(int v);
// Windows MulDiv: 64-bit product, quotient rounded half away from zero.
int mulDiv(int a, int b, int c);
// The point where a ray from (x, y) at angle tenths meets the square of
// half-side r around the centre (arc end points).
P32 gdi_ArcPoint(int x, int y, int r, int tenths);

// ---- primitives ----
void gdi_Polyline(int count, const Pt16* points);
void gdi_Markers(int count, const Pt16* points);
void gdi_FillArea(int count, const Pt16* points);
void gdi_Bar(Pt16 a, Pt16 b);
void gdi_FillRect(Pt16 a, Pt16 b);
void gdi_Circle(int x, int y, int radius);
void gdi_Ellipse(int x, int y, int rx, int ry);
void gdi_Arc(int x, int y, int rx, int ry, int start, int end);
void gdi_PieSlice(int x, int y, int rx, int ry, int start, int end);
void gdi_ArcIfEnabled(int x, int y, int radius, int start, int end);
void gdi_PieIfEnabled(int x, int y, int radius, int start, int end);
void gdi_RoundedBox(Pt16 a, Pt16 b);
void gdi_RoundedFrame(Pt16 a, Pt16 b);
void gdi_Text(int x, int y, const std::string& text);
// The width of a text in the current font, in worksheet units (the device's
// width scaled back by the x factor); the class's cell width per character
// without a device.
int gdi_TextWidth(const std::string& text);
void gdi_JustifiedText(int x, int y, const std::string& text, int hJust = 0, int vJust = 0);
void gdi_FloodFill(int x, int y, int borderColor);
void gdi_DrawPictogram(int x, int y, int id);

// ---- paint helpers ----
int gdi_BeginPaint(DrawWindow* window);
void gdi_EndPaint();
int gdi_GetWindowDc(DrawWindow* window);
void gdi_ReleaseWindowDc();

// The text of a message the layer shows.
const char* gdi_MessageText(int id);

} // namespace disp
