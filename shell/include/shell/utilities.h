#pragma once
// Small services of the shell: cached directories and path helpers, file
// copies with a "~" backup, the wait cursor, the deferred-call table, the
// open-window table, the numbered messages and a few helpers.
#include "shell/windowhost.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace shell {

// ---- directories (each ends in "/" when known) ----
void path_CacheToolDirs();
const char* path_GetBinDir();
const char* path_GetProjectDir();
const char* path_GetTempDir();
// Overwrites the PROJECT cache when the path is shorter than 256 characters.
void path_SetProjectDir(const char* path);
// Forgets the caches (tests, and after ObelTool was unbound).
void path_ResetCaches();
// A path beginning with "../" (or "..\") is resolved against the BIN directory
// one level up; other paths are copied. False when the result would not fit.
bool path_ResolveDotPath(const char* path, char* out, std::size_t size);
// Library path list: mode 0 first, 1 next, 2 ends the walk. The entry (at most
// 254 characters) or null at the end.
const char* path_GetLibraryDir(int mode);
// True when the file exists; out gets its directory and the name as found on disk.
bool path_FileExists(const char* path, char* out, std::size_t size);
// There are no short names here: the path is copied (false when it does not fit).
bool path_GetShortName(const char* path, char* out, std::size_t size);
// Length of project directory + "/" + project file name (0 without a name).
std::size_t path_ProjectFileLength();
// That path into buffer (cut to its size); false without a name.
bool path_BuildProjectFile(char* buffer, std::size_t size);
// The project's "BITMAP" folder, without a trailing "/".
bool path_BuildBitmapDir(char* buffer, std::size_t size);
// The project path with the extension ".SIG".
bool path_BuildSigFile(char* buffer, std::size_t size);

// ---- file copies ----
// Copies src to dest in 512-byte blocks; an existing dest (shorter than 255
// characters) is first renamed to its name with the last character replaced by
// "~". 50011 when src cannot be opened, 50012 when dest cannot be opened or a
// write or the close fails; 1 on success, 0 on failure (the backup stays).
int file_CopyBinary(const char* dest, const char* src);
// The same backup; text copied whole; no message; 0 on failure.
int file_CopyText(const char* dest, const char* src);
// Faults injected by tests: a failing backup rename, a write failing after n
// blocks (-1: none).
struct CopyFaults { bool failRename = false; int failWriteAfter = -1; };
void setCopyFaults(const CopyFaults& f);

// ---- cursor, dialogs, text ----
void app_BeginWaitCursor();
void app_EndWaitCursor();
void app_SendDeselect();
void dlg_CenterWindow(Hwnd window);
// x by the base unit's width / 4, y by its height / 8.
void dlg_DialogUnitsToPixels(Rect& r, int baseWidth = 8, int baseHeight = 16);
// Text extent corrected by the zoom when it differs from 1.02.
int drw_TextWidth(const std::string& text);
int drw_TextHeight(const std::string& text);
void ws_SetScrollPosition(int pos, bool vertical);
int ws_GetScrollPosition(bool vertical);
void ws_RestoreDragArea(int x, int y, const Rect& r);
void ws_SetCursorPos(int x, int y);
void ws_CopyWindowPicture(Hwnd window);
void ws_OpenKindView(int kind, int subKind, bool throughEditor);
void app_SetHelperWindow(Hwnd window);
void app_CloseHelperProgram();
void app_CloseWindowByClass(const std::string& cls);

// ---- deferred calls (ten entries, any thread queues, the UI thread runs) ----
using DeferredFn = void (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::int32_t, std::int32_t);
// The six-argument form; false when all ten entries are used.
bool ui_QueueDeferredCall(DeferredFn fn, std::int32_t a1, std::int32_t a2, std::int32_t a3,
                          std::int32_t a4, std::int32_t a5, std::int32_t a6, std::int32_t a7);
// The record form (procedure, record, five values, status): 1, or 0 when full.
using ModelessProc = void (*)(void* record, double a, double b, double c, double d,
                              std::int16_t e, std::int16_t* status);
int ui_RegisterModeless(ModelessProc proc, void* record, double a, double b, double c, double d,
                        std::int16_t e, std::int16_t* status, const void* owner = nullptr);
// Any callable, tagged with its owner (a project) for clearing.
bool ui_QueueCallable(std::function<void()> fn, const void* owner = nullptr);
// Runs every queued call in entry order (UI thread only); false when nested
// or nothing ran.
bool ui_RunDeferredCalls();
// Frees every entry (unless running); with an owner, that owner's entries only.
void ui_ClearDeferredCalls(const void* owner = nullptr);
int ui_DeferredCount();

// ---- open-window table (20 worksheets, Window menu ids 400..419) ----
inline constexpr int kWindowTableSize = 20;
inline constexpr int kFirstWindowMenuId = 400;
struct OpenWindow { Hwnd window = 0; std::string title; int sameTitles = 0; };
int wnd_AddToWindowTable(Hwnd window, const std::string& title);   // index or -1
void wnd_RemoveFromWindowTable(Hwnd window);
void wnd_RenameInWindowTable(Hwnd window, const std::string& title);
int wnd_CountOpenWorksheets();
void wnd_ClearWindowTable();
const OpenWindow* wnd_Entry(int index);
bool wnd_DuplicateTitles();
// Sets the title from the path's file part on the window and in the table,
// unless titles are frozen.
void ws_SetTitleFromPath(Hwnd window, const std::string& path);
void ws_FreezeTitles(bool frozen);

// ---- numbered messages (frame as owner, plain OK style) ----
const char* shellMessageText(int number);
void msg_OutOfMemory();
void msg_FileError();
void msg_FileNotLoaded();
void msg_NameConflict();
void msg_VersionConflict();
void msg_FatalVersionConflict();
// 50042: true when the user does not choose Yes.
bool msg_AskNewPath(const std::string& name);
// 50043: true on Yes.
bool msg_AskCreateFile(const std::string& name);
void msg_InvalidFile();
void msg_PrintFailed();
void msg_SubprogramDeleted();
void msg_IncompatibleDelete();
// A box with the caption "Hinweis" and the information symbol; returns 1.
int msg_Notice(const std::string& text);

// ---- page frame ----
// What the page-frame library is handed: the active worksheet's drawing
// device, sheet size, scroll position, zoom (thousandths) and mode; the shell
// writes the project name into the name field.
struct PageFramePaint {
  std::uint32_t device;
  std::int32_t sheetWidth, sheetHeight, scrollX, scrollY, zoomPerMille;
  char projectName[20];   // byte 24
  std::int32_t mode;
};
struct PageFrameClick {
  std::uint32_t device;
  std::int32_t sheetWidth, sheetHeight, scrollX, scrollY, zoomPerMille;
  std::int32_t x, y;
  char projectName[20];   // byte 32
  std::int32_t mode;
};
static_assert(offsetof(PageFramePaint, projectName) == 24 && offsetof(PageFrameClick, projectName) == 32);
// Mode 1 or 2 while the document simulates, 3 or 4 otherwise (the second of
// each pair while printing).
int pf_Mode(bool simulating, bool printing);
int ws_PaintPageFrame(PageFramePaint& view, bool simulating, bool printing);
int ws_ClickPageFrame(PageFrameClick& view, bool simulating);

// ---- fields and programs ----
// Blank-padded fixed-width fields compared over n characters.
bool str_FieldEquals(const char* a, std::size_t aWidth, const char* b, std::size_t bWidth, std::size_t n);
// Copies text without CR characters into a field of width, padded with blanks.
void str_CopyPadded(char* field, const char* text, std::size_t width);
// A browser exists when xdg-open is on PATH; without one 40030 leaves the menus.
bool app_HasBrowser();
inline constexpr const char* kHomePage = "https://zerlo.example.org/";
// Opens the home page with the browser (command 40030); false without one.
bool app_OpenHomePage();

} // namespace shell
