#pragma once
// Binding of the libraries the main program loads by name. Each library has
// one table (module handle and one entry per bound name, all null while
// unbound); a loader binds all names or none, and the bind_<Name> wrappers
// call through the table or answer a fixed value while the name is unbound:
// 1 for the flags that default to on, 2 (Cancel) for dialogs and message
// boxes, 0 for everything else.
#include "shell/libapi.h"
#include <functional>
#include <string>
#include <vector>

namespace shell {

enum class Lib { ObelTool, StockWin, StockBar, ZrlTgtWin, ObelCtrl, PageFrame, Language, MenuExtra, Count };

// One line of the bind log: which library, which file, bound or not and why.
struct BindLogEntry {
  std::string library;
  std::string file;
  bool bound = false;
  std::string reason;
};

// The directory the program file lies in (where ObelTool and ObelCtrl are
// looked for). Defaults to the running program's directory; tests set their own.
void setProgramDir(const std::string& dir);
std::string programDir();
// The instance number (1..10) passed to the ForInst wrappers and zrltgtwin.
void setInstanceNumber(int n);
int instanceNumber();
// Screen size for ObelTool's SetScreenSizeProvider (looked up optionally).
void setScreenSizeProvider(ObelScreenSizeFn fn);
// The 40-byte table handed to SW13_SetObelServiceFctns after stockwin is bound.
void setServiceFunctionTable(const void* table);

// Loaders: 1 when bound (also when already bound: nothing changes), else 0.
int bind_LoadObelTool();
int bind_LoadStockWin();
int bind_LoadStockBar();
int bind_LoadZrlTgtWin(int instance);
int bind_LoadObelCtrl();
int bind_LoadPageFrame();
int bind_LoadLanguage();
int bind_LoadMenuExtra();
// The slot of a further target-window library: loads nothing, answers 1.
int bind_LoadTargetWindow(int instance);
void bind_UnloadObelTool();
void bind_UnloadStockWin();
void bind_UnloadStockBar();
void bind_UnloadZrlTgtWin();
void bind_UnloadObelCtrl();
void bind_UnloadPageFrame();
void bind_UnloadLanguage();
void bind_UnloadMenuExtra();
void bind_UnloadTargetWindow();
void bind_UnloadAll();

bool isBound(Lib lib);
// The entry of a name of a library's list (null while unbound or unknown).
void* boundEntry(Lib lib, const char* name);
// The names a library binds after its version operation, in order.
std::vector<std::string> boundNames(Lib lib);
// The language number read at binding (after the 0 -> 2 rule).
int boundLanguage();
const std::vector<BindLogEntry>& bindLog();
void clearBindLog();

// ---- wrappers, one per bound name ----
#define SHELL_DECLARE_WRAPPER(ret, name, params, args, unbound) ret bind_##name params;
SHELL_OBELTOOL_NAMES(SHELL_DECLARE_WRAPPER)
SHELL_STOCKWIN_NAMES(SHELL_DECLARE_WRAPPER)
SHELL_STOCKBAR_NAMES(SHELL_DECLARE_WRAPPER)
SHELL_ZRLTGTWIN_NAMES(SHELL_DECLARE_WRAPPER)
SHELL_OBELCTRL_NAMES(SHELL_DECLARE_WRAPPER)
SHELL_MENUEXTRA_NAMES(SHELL_DECLARE_WRAPPER)
#undef SHELL_DECLARE_WRAPPER

// ---- wrappers that do more than forward ----
// The ForInst getters with the program's instance number.
int bind_GetPathToProjectZCDForInst(MStrBuf* b);
int bind_GetPathToProjectErrorForInst(MStrBuf* b);
int bind_GetPathToDDFForInst(MStrBuf* b);
int bind_GetPathToDLFForInst(MStrBuf* b);
int bind_GetPathToMAPForInst(MStrBuf* b);
// The BIN path with a trailing "/" (fetched once); at most size-1 characters; 1 when copied.
int bind_GetBINPathToBuffer(char* buffer, int size);
int bind_GetPROJECTPathToBuffer(char* buffer, int size);
int bind_GetTEMPPathToBuffer(char* buffer, int size);
// The help file of the bound language (fetched once); null when unknown.
const char* bind_GetPathToLanguageHelpFile();
// A path getter's text as a string ("" when unbound or empty).
std::string bind_PathText(int (*getter)(MStrBuf*));

// Page frame: the project name (file part, at most 19 characters, trailing
// blanks cut) is written into the record at byte 24 (paint) or 32 (click).
void pf_SetProjectPath(const std::string& projectPath);
std::string pf_ProjectName();
int bind_of00_PaintFrame(void* record, std::size_t recordSize);
int bind_of00_ClickFrame(void* record, std::size_t recordSize);
int bind_of00_LoadFrameInfo(void* record);
int bind_of00_SaveFrameInfo(void* record);
int bind_of00_IsInFrame(void* record);
bool pf_IsBound();

} // namespace shell
