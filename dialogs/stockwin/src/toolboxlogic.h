#pragma once
// The toolbox's rules without widgets: what each state allows, the button
// set-up, the layout, the picture scale, the drag window's size and the drop
// position, the list's rename, and the measuring of a block through the main
// program's services.
#include "stockwin/stockwin.h"

#include <string>
#include <vector>

namespace sw {

constexpr int kToolboxButtons = 20;
constexpr int kToolboxMinWidth = 216, kToolboxMinHeight = 307;
constexpr int kNameChars = 14;  // characters of a subprogram name the toolbox reads

struct StateRule {
  bool known = false;           // 0..6
  bool window = false;          // the toolbox window enabled
  bool blocks = false;          // buttons 0..16
  bool text = false;            // button 17
  bool connectors = false;      // buttons 18, 19
  unsigned cursor = 0;          // insertion cursor: 0 the arrow, 198 or 199
  bool dropAtCursor = false;    // service 9 instead of 8
  bool buttonEnabled(int k) const { return k < 17 ? blocks : k == 17 ? text : connectors; }
};
StateRule stateRule(int state);

struct ButtonSetup {
  unsigned bitmap, blockName, library, tooltip;  // resource and string ids
};
ButtonSetup buttonSetup(int k);

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Box&) const = default;
};
// A stored position is used only inside the screen and with a size.
bool validPosition(const SwInsertBoxAttribs& a, int screenW, int screenH);
// The size a restored window is given (at least the minimum).
Box minimumSize(int w, int h);
// Button i of a client area W x H.
Box buttonBox(int i, int W, int H);
// The list below a frame of height fh.
Box listBox(int W, int H, int fh);

// The picture window: the scale and origin at which a block of w x h units
// (a margin of 5 units added on each side) fits a client area of cw x ch.
struct PictureFit {
  double scale = 0;
  int x = 0, y = 0;
};
PictureFit pictureFit(int cw, int ch, int w, int h);
// The drag window's size for a block of w x h units at a zoom, and its box
// centred on a source box.
Box dragBox(const Box& source, int w, int h, float zoom);
// Where a placed drop lands: the drag window's first corner moved by the mouse, plus 4 units.
void dropPosition(const Box& drag, int pressX, int pressY, int releaseX, int releaseY, float zoom, int& x, int& y);

// A sorted list of names: the entry exactly equal to oldName from the first
// entry that begins with it (case-insensitive) on, replaced by newName (kept
// sorted). selected follows the replaced entry. False when nothing was replaced.
bool renameEntry(std::vector<std::string>& names, int& selected, const std::string& oldName,
                 const std::string& newName);
// The first entry beginning with prefix (case-insensitive); -1 for none.
int findPrefix(const std::vector<std::string>& names, const std::string& prefix, int from = 0);
// Where a name goes into a sorted list (after equal ones, case-insensitive order).
std::size_t sortedPosition(const std::vector<std::string>& names, const std::string& name);

// A block's extents through a measurement picture (services 2, 5, 6, 7, 4).
bool measureBlock(const ServiceFunctionTable& t, const char* name, const char* library, int& w, int& h);

} // namespace sw
