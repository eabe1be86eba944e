#pragma once
// Start-up checks and shut-down steps of the main program that need no
// windows: binding the libraries in order with their numbered messages, the
// failed-start unload, and the start and exit settings.
#include "obeltool/obeltool.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zapp {

// Longest settings path the program accepts.
inline constexpr std::size_t kMaxSettingsPath = 97;

// The start settings, read at start and written back at close.
struct StartSettings {
  float zoom = 1.0f;
  std::uint16_t sheetW = 1600, sheetH = 1130;
  int editCursor = 1;
  int statusBar = 1, toolBar = 1;
  int ioLabel = 0;
  std::uint8_t route0 = 1;
  std::uint16_t route1 = 0;
  std::uint8_t route2 = 0;
  std::uint32_t cycleTime = 300;
  int offProg = 0;
  InsertBoxAttribs insertBox{};
  int kxifMinVis = 0, kxifActive = 0;
};

struct AppState {
  int instance = 0;
  std::string settingsPath;
  StartSettings settings;
  bool online = false;
  bool simulation = false;
};
AppState& app();

// A cycle time read at start: 50..60000 ms, anything else 300.
std::uint32_t app_StartCycleTime(std::uint32_t ms);
// A cycle time set while running: taken only within 50..59999 ms.
bool app_RunningCycleTimeOk(std::uint32_t ms);

// Loads the settings library, copies the settings path and reads the start
// settings; false when the library or the path cannot be had.
bool app_InitToolSettings();
// Writes the start settings back and unloads the settings library.
void app_SaveExitSettings();

// The checks before the windows exist (settings library, message window,
// standard dialogs, settings path, instance number, bar library, target
// dialogs, language resources, the optional libraries, the clipboard
// format). The instance claim is the caller's: claimInstance answers the
// number taken, 0 when none is free. Returns 0 when the start goes on, else
// the exit code (the failed start has unloaded what it bound).
int app_StartChecks(int (*claimInstance)(), void (*registerClipboard)());

// Receives a line for each step of the shut-down and the failed start that
// tests check (each library unloaded while bound, each target file removed),
// for the UI script's log; empty: nothing is written.
void app_SetStepLog(std::function<void(const std::string&)> log);
void app_LogStep(const std::string& line);

// Unloads, in order, the page frame, custom controls, language resources,
// target dialogs, bar library, standard dialogs and settings libraries.
void app_FailedStartUnload();

// The unloads at the end of a run, once the windows are gone: target
// dialogs, standard dialogs, bars, page frame, message window, custom
// controls, language; then the exit settings.
void app_ShutDownUnload();

// The folder of temporary files (TEMP of the settings), where the target
// program text, the device description and the download file go: made when
// it is missing. False with a plain reason ("<folder>: <system error>") when
// it cannot be had; an empty setting is nothing to make.
bool app_EnsureTempDir(std::string& why);
// The same for any folder (made with its parents).
bool app_EnsureFolder(std::string dir, std::string& why);
// The box text when the temporary folder cannot be made.
std::string app_TempDirMessage(const std::string& why);

// Why a project file cannot be written at path, in the system's words
// (its folder missing or not writable, the file read-only), or a plain
// "the file could not be written" when nothing on the disk tells.
std::string app_SaveFailureReason(const std::string& path);

// A numbered message through the standard dialogs library, owner the frame;
// the string variant fills the message's %s.
int app_Message(int number, unsigned style);
int app_MessageWithString(int number, const std::string& text, unsigned style);
// Tests answer the numbered messages themselves (an empty hook restores the
// library).
using MessageHook = std::function<int(int number, const std::string& text, unsigned style)>;
void app_SetMessageHook(MessageHook hook);

// The start screen of the standard dialogs library: ms >= 1 shows it once
// for at least ms milliseconds, reading the frame's handle from frameSlot
// (which must outlive it) once the frame exists; ms < 1 destroys it. False
// when it cannot show (no library, no picture): then nobody will send the
// frame WM_USER+41.
bool app_ShowStartBitmap(int ms, const std::uint32_t* frameSlot = nullptr);
bool app_IsStartBitmapShown();

// The maker's web address that command 40030 opens.
inline constexpr const char* kWebAddress = "https://zerlo.example/";

// The desktop's browser command ("" when none): $BROWSER, else xdg-open or
// sensible-browser found on $PATH; "%1" stands for the address.
std::string app_BrowserCommand();
// The command line for an address: "%1" becomes the address, every other
// "%n" (n > 0) goes; without "%1" a blank (unless the command ends in one)
// and the address are appended.
std::string app_WebCommand(const std::string& command, const std::string& address);

} // namespace zapp
