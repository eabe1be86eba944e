#pragma once
// Name lists handed to the dialog libraries, queries over the modules of the
// current project, default connector names, accelerators and cursors, and the
// conversion of mouse points on worksheets.
#include "model/records.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace shell {

struct NameNode {
  char* name;
  NameNode* next;
};
struct NameList {
  NameNode* first;
  NameNode* last;
};

NameList nl_Empty();
// Appends a node with a copy of name; nothing is appended when the node or
// the copy cannot be had (a node never lacks its name).
void nl_Append(NameList* list, const char* name);
void nl_FreeNode(NameNode** node);
void nl_FreeAll(NameList* list);
// The first node whose name equals name (exact, case-sensitive), or null.
NameNode* nl_Find(const NameList* list, const char* name);
std::vector<std::string> nl_Names(const NameList* list);

// 1 when ".MDL" occurs within the first n characters (letters compared upper-cased).
int mod_HasMdlExtension(const char* name, std::size_t n);
// Not empty, not beginning with "&", none of the three scratch names.
int mod_IsOrdinaryName(const char* name);
// The project module: the first module with ".MDL" within its 12 characters.
model::ProjectModule* mod_ProjectModule();
// Logic names of the project module (14 characters or up to the first blank,
// upper-cased, ordinary names only; without "$MAIN" when withoutMain).
NameList mod_ListSubprograms(bool withoutMain);
// Names of the Input (which = 1) or Output (which = 0) gates of a logic;
// with a null logic the active worksheet's logic when it is a subprogram sheet.
NameList mod_ListConnectorNames(int which, model::LogicRecord* logic);
// Kind 1: the project module's name (12 characters); kind 2: "%STD"; a
// 13-character buffer the caller frees with delete[]. 0 and no buffer otherwise.
int mod_FindModule(int kind, char** out);
int mod_ModuleExists(const char* name);
// The logic of the active worksheet when it shows a subprogram (window kind 2);
// installed by the main program.
void setActiveSubprogramLogic(std::function<model::LogicRecord*()> fn);

// Default connector names, at most 7 characters. A proposal's first 7
// characters are used when not taken; else string 20 ("In%d") resp. 21
// ("Out%d") with n = 1, 2, ..., the cut name tested.
void blk_DefaultInputName(char* out, model::LogicRecord* logic, const char* proposal);
void blk_DefaultOutputName(char* out, model::LogicRecord* logic, const char* proposal);

// Removes everything from the last dot on.
void path_CutExtension(std::string& name);

// Accelerators: table 102 of the language resources, else the program's table 1.
struct Accelerator { std::uint8_t flags; std::uint16_t key; std::uint16_t command; };
enum : std::uint8_t { kAccelVirtKey = 1, kAccelShift = 4, kAccelControl = 8, kAccelAlt = 16 };
const std::vector<Accelerator>& app_LoadAccelerators();
// Cursors 103..121: the program's own pictures with their hot spots.
struct CursorPicture {
  int id = 0;
  const char* name = nullptr;
  int hotX = 0, hotY = 0;
  std::vector<std::string> rows;   // 32 rows of 32: '#' black, '.' white, ' ' clear
};
const CursorPicture* app_LoadCursor(int id);

// ((v + 2) / 5) * 5 with the division truncating toward zero.
struct Point { int x = 0, y = 0; };
void ws_SnapPoint(Point& p);

// What a mouse point needs of the drawing layer and the window.
struct MousePointContext {
  bool frameOffset = false;       // the drawing layer's frame-offset flag
  int captionHeight = 0, menuHeight = 0;
  bool hasWorksheet = true;       // the window has a worksheet record
  int windowKind = 0;
  float zoomSetting = 1.0f;
  int xNum = 1, xDen = 1, yNum = 1, yDen = 1;
  // Results.
  Point lastMouse;
  bool printerScaling = false;
  float zoom = 1.0f;
  float lastZoom = 1.0f;
  std::function<void()> deleteFonts;
  std::function<void(float)> setZoom;
};
void ws_PrepareMousePoint(Point& p, MousePointContext& c);

// Fixed-result hooks the editor and the router call.
inline void ws_EmptyHookA(std::intptr_t) {}
inline void ws_EmptyHookB(std::intptr_t) {}
inline int ws_ZeroHook(std::intptr_t, std::intptr_t, std::intptr_t) { return 0; }
inline bool dlg_AlwaysFalse(const char*) { return false; }

// While the online display runs: COMM=OFF and COMM=ON to the server.
void ws_RestartOnlineDisplay(bool onlineDisplayRuns);

} // namespace shell
