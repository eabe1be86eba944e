#pragma once
// The drawing state of a document that gate, wire and sheet drawing read:
// scroll origin, visible view, text metrics, switches, the current level and
// the hooks into the editor and the interpreter. The shell fills it from the
// document before it draws.
#include "model/records.h"

#include <cstdint>
#include <functional>
#include <string>

namespace disp {

struct DrawView {
  int scrollX = 0, scrollY = 0;                 // the view's top-left corner in sheet units
  int viewX = 0, viewY = 0, viewW = 2000, viewH = 2000;  // the visible rectangle
  int baseline = 10;                            // text metrics of the view
  int charWidth = 6;
  int lineHeight = 12;
  int defaultTextHeight = 13;
  int smallTextHeight = 10;
  int writeMode = 1;
  bool noClipping = false;
  bool hideConnections = false;                 // the document's connection-hiding switch
  int windowKind = 0;
  int editorState = 0;                          // 21 and 23 show selection marks
  model::LogicRecord* level = nullptr;          // the logic of the current level
  model::GateInstance* levelInstances = nullptr;  // its instance list as last drawn (null: the logic's own)
  bool showPinLabels = false;                   // the IO-label option
  bool showLeftPinLabels = false;
  std::string bitmapDir;                        // the project's "BITMAP" folder
  int sheetW = 1600, sheetH = 1130;              // the sheet size of all worksheets
  int clientW = 800, clientH = 600;             // the window's client area
  bool gridOn = true;
  bool printing = false;
  bool pageFrameBound = false;
  std::string tiledText;                        // language resource text 2001 ("" without resources)
  const model::GateRecord* editedGate = nullptr;  // left out while the editor moves or edits it
  // The editor's dirty rectangle (x, y, w, h) in sheet units.
  std::function<void(int, int, int, int)> addDirty;
  // Runs a compiled gate's face (which = 0) or display (which = 1) code;
  // false when the module has no such code.
  std::function<bool(model::GateRecord*, model::GateInstance*, int which)> runModuleCode;
  // A value record gate's file state (88, 89): channel offset and value
  // count, or -1 when its file is closed.
  std::function<int(const model::GateRecord*, int* channelOffset)> recordValueCount;
};

// Sets the view's text metrics from the cell the layer selects for its
// default text height: character width and line height are that cell; the
// baseline offset is one more than the layer's text offset, so that a text
// drawn at y + baseline clears a frame line at y.
void vw_DeriveTextMetrics(DrawView& v);

// The view used by the drawing calls (one drawing state, like the layer's).
DrawView& currentView();
void setCurrentView(const DrawView& v);

} // namespace disp
