#pragma once
// The operations the main program binds from the libraries it loads by name,
// as lists of rows X(result, name, (parameters), (arguments), unbound answer);
// a void result answers nothing.
// Window handles, servers and printers cross as 32-bit handle ids
// (plat::handles); records are passed by address with their field order kept.
// The lists are in binding order; the version operation of each library is
// bound before its list and is not part of it.
#include "obeltool/obeltool.h"
#include <cstdint>

namespace shell {

using Hwnd = std::uint32_t;   // a window as a handle id
// The insert box as the standard dialogs library hands it out (a pointer of
// that library, kept opaque).
using BoxHandle = void*;

// The record given to the standard dialogs library's file dialogs.
struct FileDlgParams {
  Hwnd owner;
  char* path;        // in: suggestion; out: the chosen full path
  std::int32_t size; // capacity of path, terminator included
};

// The record given to the print setup dialog.
struct PrintSetupParams {
  Hwnd owner;
  std::int32_t pages;  // taken as 16 bits
};

// A bar's rectangle as the bar library fills it.
struct BarRect { std::int32_t left, top, right, bottom; };

} // namespace shell

// clang-format off
#define SHELL_OBELTOOL_NAMES(X) \
  X(int, AppendMsgLine, (const char* t), (t), 0) \
  X(int, AppendMsgFile, (const char* t), (t), 0) \
  X(int, EmptyMsgWnd, (), (), 0) \
  X(int, CloseMsgWnd, (), (), 0) \
  X(int, SetBINPath, (const void* m), (m), 0) \
  X(int, GetBINPath, (MStrBuf* b), (b), 0) \
  X(int, GetPROJECTPath, (MStrBuf* b), (b), 0) \
  X(int, GetTEMPPath, (MStrBuf* b), (b), 0) \
  X(int, GetLIBRARYPaths, (int mode, MStrBuf* b), (mode, b), 0) \
  X(int, GetPathToObelIni, (MStrBuf* b), (b), 0) \
  X(int, GetPathToTrans, (MStrBuf* b), (b), 0) \
  X(int, GetPathToStockBarDLL, (MStrBuf* b), (b), 0) \
  X(int, GetPathToStockWinDLL, (MStrBuf* b), (b), 0) \
  X(int, GetPathToZrlTgtWinDLL, (MStrBuf* b), (b), 0) \
  X(int, GetPathToOAccessDLL, (MStrBuf* b), (b), 0) \
  X(int, GetPathToOMeExtraDLL, (MStrBuf* b), (b), 0) \
  X(int, GetPathToProjectZCDForInst, (MStrBuf* b, int i), (b, i), 0) \
  X(int, GetPathToProjectErrorForInst, (MStrBuf* b, int i), (b, i), 0) \
  X(int, GetPathToDDF, (MStrBuf* b), (b), 0) \
  X(int, GetPathToDDFForInst, (MStrBuf* b, int i), (b, i), 0) \
  X(int, GetPathToDLFForInst, (MStrBuf* b, int i), (b, i), 0) \
  X(int, GetPathToMAPForInst, (MStrBuf* b, int i), (b, i), 0) \
  X(int, GetPathToRES, (MStrBuf* b, const char* n), (b, n), 0) \
  X(int, DeleteMStrBuf, (MStrBuf* b), (b), 0) \
  X(int, GetQuickStartStatus, (), (), 1) \
  X(int, SetQuickStartStatus, (int on), (on), 0) \
  X(int, GetStatusBarStatus, (), (), 1) \
  X(int, SetStatusBarStatus, (int on), (on), 0) \
  X(int, GetToolBarStatus, (), (), 1) \
  X(int, SetToolBarStatus, (int on), (on), 0) \
  X(int, GetObelStartPosition, (ObelRect* r, int32_t* s), (r, s), 0) \
  X(int, SetObelStartPosition, (const ObelWindowPlacement* p), (p), 0) \
  X(int, GetStartZoom, (float* z), (z), 0) \
  X(int, SetStartZoom, (float z), (z), 0) \
  X(int, GetWorkSheetSize, (uint16_t* w, uint16_t* h), (w, h), 0) \
  X(int, SetWorkSheetSize, (uint16_t w, uint16_t h), (w, h), 0) \
  X(int, GetEditCursor, (), (), 1) \
  X(int, SetEditCursor, (int on), (on), 0) \
  X(int, GetIOLabelStatus, (), (), 0) \
  X(int, SetIOLabelStatus, (int on), (on), 0) \
  X(int, GetAutoRootOptions, (uint8_t* a, uint16_t* b, uint8_t* c), (a, b, c), 0) \
  X(int, SetAutoRootOptions, (unsigned a, uint16_t b, unsigned c), (a, b, c), 0) \
  X(int, GetObelLOnlineCycleTime, (uint32_t* ms), (ms), 0) \
  X(int, SetObelLOnlineCycleTime, (uint32_t ms), (ms), 0) \
  X(int, GetOffProg, (), (), 0) \
  X(int, GetRemoveSysLib, (), (), 0) \
  X(int, GetShowHelpNumber, (), (), 0) \
  X(int, IsKXIFMinVis, (), (), 0) \
  X(int, IsKXIFActive, (), (), 0) \
  X(int, GetObelLanguage, (), (), 0) \
  X(int, SetObelLanguage, (int l), (l), 0) \
  X(int, GetObelLanguagePath, (MStrBuf* b, int l), (b, l), 0) \
  X(int, GetPathToLanguageHelpFile, (MStrBuf* b, int l), (b, l), 0) \
  X(int, GetInsertBoxAttr, (InsertBoxAttribs* a), (a), 0) \
  X(int, SetInsertBoxAttr, (const InsertBoxAttribs* a), (a), 0)

#define SHELL_STOCKWIN_NAMES(X) \
  X(int, SW01_CallMacroBmpDlg, (shell::Hwnd o, void* r), (o, r), 2) \
  X(int, SW03_CallMacroBGBmpDlg, (shell::Hwnd o, void* r), (o, r), 2) \
  X(int, SW04_CallStartAuswahlDlg, (shell::Hwnd o), (o), 0) \
  X(int, SW05_CallNewProjectDlg, (shell::Hwnd o, char* path, int32_t size), (o, path, size), 2) \
  X(int, SW07_CallSelectMacroDlg, (shell::Hwnd o, void* list, char* name), (o, list, name), 2) \
  X(int, SW08_CallCopyMacroDlg, (shell::Hwnd o, void* list, char* from, char* to), (o, list, from, to), 2) \
  X(int, SW09_CallDesignOrDeleteMacroDlg, (shell::Hwnd o, int32_t mode, void* list, char* name), (o, mode, list, name), 2) \
  X(int, SW10_CallRenameMacroDlg, (shell::Hwnd o, void* list, char* from, char* to), (o, list, from, to), 2) \
  X(int, SW20_CallWorkSheetSetupDlg, (shell::Hwnd o, void* setup), (o, setup), 2) \
  X(int, SW21_CallAboutDlg, (shell::Hwnd o), (o), 2) \
  X(uint32_t, SW22_CreateStartBitmapDlg, (shell::Hwnd* frameSlot, uint32_t ms), (frameSlot, ms), 0) \
  X(int, SW22_DestroyStartBitmapDlg, (uint32_t* slot), (slot), 0) \
  X(int, SW30_CallInsertConnectorDlg, (shell::Hwnd o, void* params), (o, params), 2) \
  X(int, SW31_CallInsertTextDlg, (shell::Hwnd o, void* params), (o, params), 2) \
  X(shell::BoxHandle, SW10_CreateInsertBoxDlg, (shell::Hwnd o, const void* a, void* names, int32_t state), (o, a, names, state), 0) \
  X(void, SW10_DestroyInsertBoxDlg, (shell::BoxHandle box), (box), 0) \
  X(int, SW10_GetInsertBoxDlgAttribs, (shell::BoxHandle box, void* a), (box, a), 0) \
  X(int, SW10_SetInsertBoxDlgAttribs, (shell::BoxHandle box, const void* a), (box, a), 0) \
  X(void, SW10_FreeInsertBoxDlgAttribs, (void* a), (a), 0) \
  X(void, SW10_AddInsertBoxUPName, (shell::BoxHandle box, const char* n), (box, n), 0) \
  X(void, SW10_RenameInsertBoxUPName, (shell::BoxHandle box, const char* o, const char* n), (box, o, n), 0) \
  X(int, SW10_SelectInsertBoxUPName, (shell::BoxHandle box, const char* n), (box, n), 0) \
  X(void, SW10_UpdateInsertBoxUPSelection, (shell::BoxHandle box), (box), 0) \
  X(void, SW10_SetInsertBoxState, (shell::BoxHandle box, int32_t state), (box, state), 0) \
  X(int, SW10_GetInsertBoxState, (shell::BoxHandle box), (box), 0) \
  X(int, SW51_IsFileNameSuggestionOfNew, (const char* p), (p), 0) \
  X(int, SW51_OpenMDLProject, (shell::FileDlgParams* p), (p), 0) \
  X(int, SW51_SaveAsMDLProject, (shell::FileDlgParams* p), (p), 0) \
  X(int, SW51_OpenLibrary, (shell::FileDlgParams* p), (p), 0) \
  X(uint32_t, SW52_PrintSetup, (shell::PrintSetupParams* p), (p), 0) \
  X(int, SW50_CallMBWithID, (shell::Hwnd o, int32_t n, uint32_t style), (o, n, style), 2) \
  X(int, SW50_CallMBWithIDAndString, (shell::Hwnd o, int32_t n, const char* s, uint32_t style), (o, n, s, style), 2) \
  X(int, SW50_CallMBWithIDAnd3Strings, (shell::Hwnd o, int32_t n, const char* a, const char* b, const char* c, uint32_t style), (o, n, a, b, c, style), 2) \
  X(int, SW50_CallMBWithIDAndUINT, (shell::Hwnd o, int32_t n, uint32_t v, uint32_t style), (o, n, v, style), 2) \
  X(int, SW13_SetObelServiceFctns, (const void* table), (table), 0)

#define SHELL_STOCKBAR_NAMES(X) \
  X(int, SB00_GetStartFlags, (int32_t* status, int32_t* tool), (status, tool), 0) \
  X(int, SB00_SetStartFlags, (int32_t status, int32_t tool), (status, tool), 0) \
  X(int, SB01_CreateStatusBar, (shell::Hwnd f), (f), 0) \
  X(int, SB01_DestroyStatusBar, (), (), 0) \
  X(int, SB01_SizeStatusBar, (int32_t w, int32_t h, shell::BarRect* r), (w, h, r), 0) \
  X(int, SB01_GetStatusBarHeight, (), (), 0) \
  X(int, SB01_EnableStatusBar, (int32_t on), (on), 0) \
  X(int, SB01_IsStatusBarEnabled, (), (), 0) \
  X(int, SB01_SetSimpleStatusBar, (int32_t on), (on), 0) \
  X(int, SB01_MenuHelpStatusBar, (uint32_t wp, int32_t lp), (wp, lp), 0) \
  X(int, SB01_SetStatusBarText, (int32_t part, const char* t), (part, t), 0) \
  X(int, SB01_SetStatusBarString, (int32_t part, const char* t), (part, t), 0) \
  X(int, SB02_CreateToolBar, (shell::Hwnd f), (f), 0) \
  X(int, SB02_DestroyToolBar, (), (), 0) \
  X(int, SB02_SizeToolBar, (int32_t w, int32_t h, shell::BarRect* r), (w, h, r), 0) \
  X(int, SB02_GetToolBarHeight, (), (), 0) \
  X(int, SB02_EnableToolBar, (int32_t on), (on), 0) \
  X(int, SB02_IsToolBarEnabled, (), (), 0) \
  X(int, SB02_ShowToolBarTips, (uint32_t wp, int32_t lp), (wp, lp), 0) \
  X(int, SB02_EnableToolBarButton, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB00_EnableBarItem, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB00_ChangeBarsForMode, (int32_t state), (state), 0) \
  X(int, SB00_GetEditMode, (), (), 0) \
  X(int, SB00_ChangeBarsForEditMode, (int32_t mode), (mode), 0) \
  X(int, SB05_CreateMacroBar, (shell::Hwnd f), (f), 0) \
  X(int, SB05_DestroyMacroBar, (), (), 0) \
  X(int, SB05_SizeMacroBar, (int32_t w, int32_t h, shell::BarRect* r), (w, h, r), 0) \
  X(int, SB05_GetMacroBarWidth, (), (), 0) \
  X(int, SB05_EnableMacroBar, (int32_t on), (on), 0) \
  X(int, SB05_IsMacroBarEnabled, (), (), 0) \
  X(int, SB05_ShowMacroBarTips, (uint32_t wp, int32_t lp), (wp, lp), 0) \
  X(int, SB05_EnableMacroBarButton, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB05_CheckMacroBarButton, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB05_SetMacroBarMode, (void* record), (record), 0) \
  X(uint32_t, SB06_CreateMenu, (), (), 0) \
  X(int, SB06_DestroyMenu, (), (), 0) \
  X(uint32_t, SB06_GetMenuForWindows, (), (), 0) \
  X(uint32_t, SB06_GetMenuForFiles, (), (), 0) \
  X(int, SB06_EnableMenuItem, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB06_CheckMenuItem, (int32_t id, int32_t on), (id, on), 0) \
  X(int, SB06_IsMenuItemChecked, (int32_t id), (id), 0) \
  X(int, SB06_SetMenuItemText, (int32_t id, const char* t), (id, t), 0) \
  X(int, SB06_InsertMenuItem, (int32_t before, int32_t id, const char* t), (before, id, t), 0) \
  X(int, SB06_DeleteMenuItem, (int32_t id), (id), 0)

#define SHELL_ZRLTGTWIN_NAMES(X) \
  X(int, ZRTA00_SetInstanceNumber, (int32_t n), (n), 0) \
  X(uint32_t, ZRTA00_GetCurrentServer, (), (), 0) \
  X(uint32_t, ZRTA00_SetCurrentServer, (uint32_t s), (s), 0) \
  X(void, ZRTA00_SetProjectFilePath, (const char* p), (p), 0) \
  X(int, ZRTA01_CallCompileProgressDlg, (shell::Hwnd o, void* result), (o, result), 2) \
  X(int, ZRTA02_CallCompileResultDlg, (shell::Hwnd o), (o), 2) \
  X(int, ZRTA03_CallDownloadProgressDlg, (shell::Hwnd o), (o), 2) \
  X(int, ZRTA04_CallChangeInterfaceModeDlg, (shell::Hwnd o), (o), 2) \
  X(int, ZRTA05_CallInterfaceSettigsDlg, (shell::Hwnd o, int32_t m), (o, m), 2) \
  X(int, ZRTA04_ResetInterfaceMode, (), (), 0) \
  X(int, TA01_LoginByServer, (int32_t kind, shell::Hwnd f), (kind, f), 0) \
  X(int, TA01_LogoutByServer, (int32_t kind, shell::Hwnd f), (kind, f), 0) \
  X(int, TA01_TestIFConnection, (uint32_t s), (s), 0) \
  X(int, TA01_GetDFF, (uint32_t s), (s), 0) \
  X(int, TA01_CallInterfaceDiagnose, (shell::Hwnd f), (f), 0) \
  X(int, TA01_CallInterfaceTerminal, (shell::Hwnd f), (f), 0)

// The page frame's record: the shell writes the project name at byte 24
// (paint) or byte 32 (click); the rest is the page frame library's.
#define SHELL_PAGEFRAME_NAMES(X) \
  X(int, of00_PaintFrame, (void* record), (record), 0) \
  X(int, of00_ClickFrame, (void* record), (record), 0) \
  X(int, of00_LoadFrameInfo, (void* record), (record), 0) \
  X(int, of00_SaveFrameInfo, (void* record), (record), 0) \
  X(int, of00_IsInFrame, (void* record), (record), 0)

#define SHELL_OBELCTRL_NAMES(X) \
  X(int, InitObelCtrl, (), (), 0)

#define SHELL_MENUEXTRA_NAMES(X) \
  X(int, OMEX00_CreateMenuExtra, (shell::Hwnd f), (f), 0) \
  X(int, OMEX00_CallExtra, (int32_t id), (id), 0)
// clang-format on
