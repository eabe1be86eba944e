#pragma once
// The insert box (the standard dialogs library's modeless palette of blocks)
// as the main program drives it: whether it exists, its mode and state, its
// attributes across sessions, the subprogram names it shows; and the nine
// callbacks of the ServiceFunctionTable with which the library builds block
// pictures in scratch records and drops items onto worksheets.
#include "editor/host.h"
#include "obeltool/obeltool.h"
#include "shell/libapi.h"
#include "stockwin/stockwin.h"

#include <string>
#include <vector>

namespace shell {

using editor::WorksheetWindowData;

// The insert box operations of the standard dialogs library. The default
// goes through the binding wrappers (nothing happens while it is unbound);
// tests install a recording one.
class InsertBoxLibrary {
public:
  virtual ~InsertBoxLibrary() = default;
  virtual BoxHandle create(Hwnd owner, const SwInsertBoxAttribs* a, ::NameNode** names, int state);
  virtual void destroy(BoxHandle box);
  virtual int getAttribs(BoxHandle box, SwInsertBoxAttribs* a);
  virtual int setAttribs(BoxHandle box, const SwInsertBoxAttribs* a);
  virtual void freeAttribs(SwInsertBoxAttribs* a);
  virtual void addName(BoxHandle box, const char* name);
  virtual void renameName(BoxHandle box, const char* from, const char* to);
  virtual int selectName(BoxHandle box, const char* name);
  virtual void updateSelection(BoxHandle box);
  virtual void setState(BoxHandle box, int state);
  virtual int message(Hwnd owner, int number, unsigned style);
};
InsertBoxLibrary& insertBoxLibrary();
InsertBoxLibrary* setInsertBoxLibrary(InsertBoxLibrary* lib);   // null: the default

// ---- the insert box ----
// Start-up: the stored settings, or null when there are none.
void ins_ReadSettings(const InsertBoxAttribs* settings);
// What shut-down stores through SetInsertBoxAttr.
void ins_WriteSettings(InsertBoxAttribs* settings);
void ins_FreeAttribs();
int ins_IsInsertBoxShown();
void ins_ShowInsertBox(bool on);
void ins_CreateOrDestroy(bool on);
void ins_SetSheetClass(int sheetClass);
int ins_GetSheetClass();
void ins_SetMode(int mode);
int ins_GetMode();
// 0 in mode 0, else (mode - 1) * 3 + sheet class.
int ins_BoxState();
void ins_PushState();
void ins_AddSubprogramName(const char* name);
void ins_RenameSubprogramName(const char* from, const char* to);
// A subprogram was deleted: the box takes the project's names again (it is
// made anew with its attributes and state, as the box offers no removal).
void ins_RemoveSubprogramName(const char* name);
void ins_SelectSubprogramName(const char* name);
void ins_UpdateInsertBoxSelection();
int ins_DiscardScratchRecords();
BoxHandle ins_Handle();
const SwInsertBoxAttribs& ins_Attribs();
// The evaluation after every menu-state change: in state 3 with an edit mode
// other than 2, 4 or 5 the box may exist (mode 2 in edit mode 3, else 1);
// otherwise command 324 is disabled, the box destroyed and the mode 0.
void ins_OnMenuState(int state, int editMode);
// Command 324: toggles the shown flag and its check mark.
void ins_ToggleCommand();
// WM_USER+45 from the box (wParam 2): the user closed it.
void ins_OnBoxClosed(long wParam);
// A worksheet of kind 0..2 became active: class = kind + 1, state pushed.
void ins_OnWorksheetActivated(int kind);
// Clears everything (tests, shut-down).
void ins_Reset();

// ---- the editor's side of the scratch records and drops ----
// Until the editor's operations are reached through here, the default places
// nothing and draws nothing; tests install a recording one.
class BlockEditorSeam {
public:
  virtual ~BlockEditorSeam() = default;
  // The frame's command (371 before a scratch record is made).
  virtual void frameCommand(int id) {}
  // Gives the scratch record a subprogram document of its own (kind 2) and makes it current.
  virtual void newScratchDocument(WorksheetWindowData& record) {}
  // Releases the scratch document (its level-1 subprogram instances first).
  virtual void freeScratchDocument(WorksheetWindowData& record) {}
  // Draws the current logic of the record's document with the layer's current device.
  virtual void drawRecord(WorksheetWindowData& record) {}
  // The placements: a new gate from a module (scr_InsertLibraryGate), a drop
  // with connection to neighbours (scr_DropService), a replacement of the gate
  // at the point (scr_DropItemAt). Null / 0 when nothing was placed; a refusal
  // may set the pending drop message (app_SetDropFlag). The two drops are the
  // editor's drop services on the window's document: they connect touching
  // neighbours, rebuild the calls of a logic whose ports change and ask the
  // text of a Text gate; a placed item marks the project changed.
  virtual void* insertGate(WorksheetWindowData& window, const std::string& module, const std::string& name,
                           int parameter, std::int16_t x, std::int16_t y) { return nullptr; }
  virtual int dropNew(WorksheetWindowData& window, const std::string& module, const std::string& name,
                      int parameter, std::int16_t x, std::int16_t y);
  virtual int dropReplace(WorksheetWindowData& window, const std::string& module, const std::string& name,
                          int parameter, std::int16_t x, std::int16_t y);
  virtual bool gateSize(WorksheetWindowData& record, void* gate, int& width, int& height) { return false; }
  virtual void deleteGate(WorksheetWindowData& record, void* gate) {}
  // The worksheet under the mouse (locked until unlock), or null; converts a
  // screen point to its client coordinates.
  virtual WorksheetWindowData* worksheetUnderCursor() { return nullptr; }
  virtual void screenToClient(WorksheetWindowData& window, int& x, int& y) {}
  virtual void unlock(WorksheetWindowData& window) {}
  // After a placement: focus, top and a repaint without erasing.
  virtual void activate(WorksheetWindowData& window) {}
};
BlockEditorSeam& blockEditor();
BlockEditorSeam* setBlockEditor(BlockEditorSeam* seam);   // null: the default

// The pending drop message (app_SetDropFlag sets it).
void app_SetDropFlag(int number);
int app_DropFlag();

// The reserved logic names of the scratch records, by kind 0..2.
const char* svc_ScratchName(int kind);
// Snaps a drop coordinate: ((v + 2) / 5) * 5, truncating toward zero.
int svc_Snap(int v);

// The nine callbacks.
float svc_GetZoom();
void* svc_CreateBlockRecord(int kind);
int svc_DrawBlockRecord(void* record, const PictureDrawParams* target);
int svc_FreeBlockRecord(void* record);
void* svc_FillBlockRecord(void* record, const BlockDropRecord* drop);
int svc_GetBlockRecordSize(void* record, void* gate, int* width, int* height);
int svc_DeleteBlockGate(void* record, void* gate);
int svc_DropAtCursor(const BlockDropRecord* drop);
int svc_DropAtCursorB(const BlockDropRecord* drop);
// The table handed to SW13_SetObelServiceFctns (size 40 on the original
// 32-bit layout; here the size of the record).
const ServiceFunctionTable& svc_Table();

// Placing an item of a library into a window (shared by slot 5 and the drops).
enum class Placement { Insert, DropNew, DropReplace };
// 0 / null when nothing was placed; the gate (Insert) or 1 otherwise.
std::intptr_t svc_PlaceItem(WorksheetWindowData& window, const BlockDropRecord& drop, Placement how);

} // namespace shell
