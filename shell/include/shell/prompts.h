#pragma once
// The shell's prompts without windows of its own: the pre-answered
// selections, the prompts through the standard dialogs and target dialogs
// libraries, the numbered messages with help contexts, the auto-route
// options and the sheet-size helpers. The program's own dialogs are in
// shell_qt (shell/dialogs.h).
#include <cstddef>
#include "model/services.h"
#include "shell/libapi.h"

#include <cstdint>
#include <functional>
#include <string>

namespace shell {

// ---- selection state ----
// The enumeration callbacks the block dialogs and the pre-answered
// selections are given: library names, block names of a library, a block's
// size by name and the drawing of the current block.
struct SelectCallbacks {
  std::function<bool(std::string& name)> firstLibrary, nextLibrary;
  std::function<bool(const std::string& library, std::string& name)> firstBlock, nextBlock;
  std::function<bool(const std::string& name, int& width, int& height)> blockSize;
  // Draws the block with its top-left corner at (x, y) in sheet units, with
  // the drawing layer's current device and zoom.
  std::function<void(const std::string& library, const std::string& name, int x, int y)> drawBlock;
  // The first-name callback of the pre-answered selections (logic names).
  std::function<bool(std::string& name)> firstName;
};

struct SelectionState {
  std::string lastName, lastLibrary, lastBlock;   // at most 15 characters each
  std::string blockName = "Text", blockLibrary;   // template 5
  int left = 0, top = 0;                          // where template 5 was last placed; 0,0: centre
  bool hasPosition = false;
  bool okFromEnter = false;                       // OK came from Enter or a double click
  std::uint16_t textHeight = 16;
  model::RouteOptions route{};   // 1, 6, 1
};
SelectionState& selectionState();
void dlg_ResetSelectionState();

// The window kind being made (500..507), 0 when none; 503 makes
// dlg_SelectFirstOrMain answer 0 for "MAIN".
void dlg_SetPendingKind(int kind);
int dlg_PendingKind();

// Pre-answered selections: name gets the answer; 1 when answered.
int dlg_SelectFirstOrMain(const SelectCallbacks& cb, std::string& name);
int dlg_SelectFirstOrMainB(const SelectCallbacks& cb, std::string& name);
int dlg_SelectLastA(std::string& name);
int dlg_SelectLastB(std::string& name);
int dlg_SelectLastC(std::string& name);
int dlg_SelectLastPair(std::string& library, std::string& block);
void dlg_SetLastChosen(const std::string& name);
void dlg_SetLastPair(const std::string& library, const std::string& block);

// ---- prompts through the dialog libraries ----
// The text dialog: text up to maxLength (limited to 255); height 0 takes the
// last chosen. 1 on OK, the chosen height then in height and remembered.
int dlg_AskText(std::string& text, std::uint16_t maxLength, std::uint16_t& height, double zoom = 1.0);
// The connector dialog: kind text "Input" or "Output", the name (7 characters
// kept), the two values; without values the name is emptied first. The
// existing names are those of the active subprogram sheet. 1 on OK.
int dlg_AskOutputName(const std::string& kind, std::string& name, std::int16_t& v1, std::int16_t& v2, bool withValues);
// 40008 with the project path (Yes/No/Cancel): the box's answer.
int dlg_AskSaveChanges();
// The compile dialog; 1 unless it returned 2. Errors or warnings show the result dialog.
// The target dialogs' compile result record, as the library writes it:
// errors, warnings (32 bits each), then the memory use in per cent as a double.
struct CompileResult { std::int32_t errors = 0, warnings = 0; double memory = 0; };
static_assert(sizeof(CompileResult) == 16 && offsetof(CompileResult, memory) == 8,
              "the compile result record is 16 bytes, its memory use at offset 8");
int dlg_Compile(CompileResult* result = nullptr);
// The download dialog; 1 when it returned 1 (sets the downloaded and start-online flags).
int dlg_Download();

// ---- messages ----
void msg_ShowWithHelp(int helpContext, int number);
void msg_ShowWithText(int helpContext, int number, const std::string& text);
int dlg_AskYesNo(int number);
int dlg_AskYesNoWithText(int helpContext, int number, const std::string& text);
// A box with the information symbol on the frame; a flag marks that it is open.
int msg_PlainBox(const std::string& text, const std::string& caption);
bool msg_PlainBoxOpen();

// ---- auto-route options (kept here, read from and written to the settings) ----
model::RouteOptions blk_GetRouteOptions();
void blk_SetRouteOptions(const model::RouteOptions& o);
int blk_GetRouteFlag();
void blk_SetRouteFlag(int on);
// Start-up and shut-down: GetAutoRootOptions / SetAutoRootOptions.
void blk_LoadRouteOptions();
void blk_SaveRouteOptions();

// ---- sheet and zoom ----
// The worksheets as the helpers change them (the main program's windows).
class SheetWindows {
public:
  virtual ~SheetWindows() = default;
  struct View { int clientW = 0, clientH = 0; };   // window client size in pixels
  virtual int count() { return 0; }
  virtual View view(int n) { return {}; }
  // Sets the view extent (sheet units), the scroll position and ranges.
  virtual void setExtent(int n, int viewW, int viewH) {}
  virtual void scrollPosition(int n, int& x, int& y) {}
  virtual void setScroll(int n, int x, int y, int rangeX, int rangeY) {}
  virtual void invalidate(int n) {}
};
SheetWindows* setSheetWindows(SheetWindows* w);   // null: none
int ws_GetSheetSize();
int ws_SetSheetSize(std::uint32_t packed);
void ws_ApplySheetSize();
void ws_SetZoomAll(float zoom);
int ws_SheetWidth();
int ws_SheetHeight();

} // namespace shell
