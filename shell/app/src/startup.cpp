// The ordered start checks, the failed-start unload, and the start and exit
// settings over the settings library.
#include "zerloapp/startup.h"

#include "platform/uisink.h"
#include "shell/binding.h"
#include "stockwin/stockwin.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace zapp {

namespace ui = plat::ui;

AppState& app() {
  static AppState s;
  return s;
}

std::uint32_t app_StartCycleTime(std::uint32_t ms) { return ms >= 50 && ms <= 60000 ? ms : 300; }
bool app_RunningCycleTimeOk(std::uint32_t ms) { return ms >= 50 && ms <= 59999; }

namespace {
MessageHook g_messageHook;
}

void app_SetMessageHook(MessageHook hook) { g_messageHook = std::move(hook); }

int app_Message(int number, unsigned style) {
  if (g_messageHook) return g_messageHook(number, {}, style);
  return shell::bind_SW50_CallMBWithID(0, number, style);
}

int app_MessageWithString(int number, const std::string& text, unsigned style) {
  if (g_messageHook) return g_messageHook(number, text, style);
  return shell::bind_SW50_CallMBWithIDAndString(0, number, text.c_str(), style);
}

bool app_EnsureTempDir(std::string& why) { return app_EnsureFolder(shell::bind_PathText(shell::bind_GetTEMPPath), why); }

bool app_EnsureFolder(std::string dir, std::string& why) {
  why.clear();
  namespace fs = std::filesystem;
  // "bin/../TEMP" names TEMP even when there is no "bin".
  if (!dir.empty()) dir = fs::path(dir).lexically_normal().string();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) return true;
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return true;
  if (fs::exists(dir, ec)) {
    why = dir + ": " + std::make_error_code(std::errc::not_a_directory).message();
    return false;
  }
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) {
    why = dir + ": " + (ec ? ec.message() : std::make_error_code(std::errc::no_such_file_or_directory).message());
    return false;
  }
  app_LogStep("made " + dir);
  return true;
}

std::string app_SaveFailureReason(const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty()) return "no file name";
  const fs::path file = fs::path(path).lexically_normal();
  fs::path dir = file.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  if (!fs::exists(dir, ec)) return dir.string() + ": " + std::make_error_code(std::errc::no_such_file_or_directory).message();
  if (!fs::is_directory(dir, ec)) return dir.string() + ": " + std::make_error_code(std::errc::not_a_directory).message();
  if (::access(dir.c_str(), W_OK) != 0) return dir.string() + ": " + std::strerror(errno);
  if (fs::exists(file, ec)) {
    if (::access(file.c_str(), W_OK) != 0) return std::strerror(errno);
    // No write bit at all binds the file's owner and root alike.
    if ((fs::status(file, ec).permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
        fs::perms::none)
      return "the file is read-only";
  }
  return "the file could not be written";
}

std::string app_TempDirMessage(const std::string& why) {
  return "The folder for temporary files cannot be created.\n" + why;
}

namespace {
void* g_startScreen = nullptr;
}

// The start screen's exports are called by the signatures the library
// exports (a frame-handle slot and a parameter record; the screen object
// back), looked up among the bound names.
bool app_ShowStartBitmap(int ms, const std::uint32_t* frameSlot) {
  if (ms < 1) {
    if (!g_startScreen) return false;
    if (auto destroy = reinterpret_cast<SW22_DestroyStartBitmapDlgFn>(
            shell::boundEntry(shell::Lib::StockWin, "SW22_DestroyStartBitmapDlg")))
      destroy(g_startScreen);
    g_startScreen = nullptr;
    return true;
  }
  if (g_startScreen || !frameSlot) return false;
  auto create = reinterpret_cast<SW22_CreateStartBitmapDlgFn>(
      shell::boundEntry(shell::Lib::StockWin, "SW22_CreateStartBitmapDlg"));
  if (!create) return false;
  StartBitmapParams params{};
  params.minimumMs = ms;
  g_startScreen = create(frameSlot, &params);
  return g_startScreen != nullptr;
}

bool app_IsStartBitmapShown() { return g_startScreen != nullptr; }

bool app_InitToolSettings() {
  if (!shell::bind_LoadObelTool()) return false;
  AppState& a = app();
  a.settingsPath = shell::bind_PathText(shell::bind_GetPathToObelIni);
  if (a.settingsPath.size() > 254) a.settingsPath.resize(254);
  StartSettings& s = a.settings;
  float z = 1.0f;
  if (shell::bind_GetStartZoom(&z) && z >= 0.3f && z <= 10.0f) s.zoom = z;
  std::uint16_t w = 0, h = 0;
  if (shell::bind_GetWorkSheetSize(&w, &h) && w && h) {
    s.sheetW = w;
    s.sheetH = h;
  }
  s.editCursor = shell::bind_GetEditCursor();
  s.statusBar = shell::bind_GetStatusBarStatus();
  s.toolBar = shell::bind_GetToolBarStatus();
  s.ioLabel = shell::bind_GetIOLabelStatus();
  shell::bind_GetAutoRootOptions(&s.route0, &s.route1, &s.route2);
  std::uint32_t ms = 0;
  shell::bind_GetObelLOnlineCycleTime(&ms);
  s.cycleTime = app_StartCycleTime(ms);
  s.offProg = shell::bind_GetOffProg();
  s.insertBox = InsertBoxAttribs{};
  s.insertBox.a0 = 1;
  shell::bind_GetInsertBoxAttr(&s.insertBox);
  s.kxifMinVis = shell::bind_IsKXIFMinVis() ? 1 : 0;
  s.kxifActive = shell::bind_IsKXIFActive() ? 1 : 0;
  return !a.settingsPath.empty();
}

void app_SaveExitSettings() {
  const StartSettings& s = app().settings;
  shell::bind_SetStartZoom(s.zoom);
  shell::bind_SetWorkSheetSize(s.sheetW, s.sheetH);
  shell::bind_SetEditCursor(s.editCursor);
  shell::bind_SetIOLabelStatus(s.ioLabel);
  shell::bind_SetAutoRootOptions(s.route0, s.route1, s.route2);
  shell::bind_SetObelLOnlineCycleTime(s.cycleTime);
  shell::bind_SetInsertBoxAttr(&s.insertBox);
  shell::bind_UnloadObelTool();
}

namespace {

std::function<void(const std::string&)> g_stepLog;

void unload(shell::Lib lib, const char* name, void (*unloader)()) {
  if (shell::isBound(lib)) app_LogStep(std::string("unload ") + name);
  unloader();
}

} // namespace

void app_SetStepLog(std::function<void(const std::string&)> log) { g_stepLog = std::move(log); }
void app_LogStep(const std::string& line) {
  if (g_stepLog) g_stepLog(line);
}

void app_FailedStartUnload() {
  using shell::Lib;
  unload(Lib::PageFrame, "OFRAME", shell::bind_UnloadPageFrame);
  unload(Lib::ObelCtrl, "OBELCTRL", shell::bind_UnloadObelCtrl);
  unload(Lib::Language, "ZEZODAR", shell::bind_UnloadLanguage);
  unload(Lib::ZrlTgtWin, "ZRLTGTWIN", shell::bind_UnloadZrlTgtWin);
  unload(Lib::StockBar, "STOCKBARS", shell::bind_UnloadStockBar);
  unload(Lib::StockWin, "STOCKWIN", shell::bind_UnloadStockWin);
  unload(Lib::ObelTool, "OBELTOOL", shell::bind_UnloadObelTool);
}

void app_ShutDownUnload() {
  using shell::Lib;
  unload(Lib::ZrlTgtWin, "ZRLTGTWIN", shell::bind_UnloadZrlTgtWin);
  unload(Lib::StockWin, "STOCKWIN", shell::bind_UnloadStockWin);
  unload(Lib::StockBar, "STOCKBARS", shell::bind_UnloadStockBar);
  unload(Lib::PageFrame, "OFRAME", shell::bind_UnloadPageFrame);
  shell::bind_CloseMsgWnd();
  unload(Lib::ObelCtrl, "OBELCTRL", shell::bind_UnloadObelCtrl);
  unload(Lib::Language, "ZEZODAR", shell::bind_UnloadLanguage);
  if (shell::isBound(Lib::ObelTool)) app_LogStep("unload OBELTOOL");
  app_SaveExitSettings();
}

int app_StartChecks(int (*claimInstance)(), void (*registerClipboard)()) {
  const bool tool = app_InitToolSettings();
  shell::bind_EmptyMsgWnd();
  auto fail = [] {
    app_FailedStartUnload();
    return 1;
  };
  if (!tool) {
    ui::messageBox("The library OBELTOOL.DLL could not be loaded !", "Zerlo", ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  if (!shell::bind_LoadStockWin()) {
    ui::messageBox("The library STOCKWIN.DLL could not be loaded !", "Zerlo", ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  if (app().settingsPath.size() > kMaxSettingsPath) {
    app_Message(50062, ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  app().instance = claimInstance();
  if (app().instance == 0) {
    app_Message(50002, ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  shell::setInstanceNumber(app().instance);
  if (!shell::bind_LoadStockBar()) {
    app_Message(50003, ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  if (!shell::bind_LoadZrlTgtWin(app().instance)) {
    app_Message(50060, ui::MB_OK | ui::MB_ICONHAND);
    return fail();
  }
  if (!shell::bind_LoadLanguage()) {
    if (app_Message(50017, ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION) != ui::IDOK) return fail();
  }
  shell::bind_LoadObelCtrl();
  shell::bind_LoadPageFrame();
  // The clipboard format cannot fail to register here.
  if (registerClipboard) registerClipboard();
  return 0;
}

std::string app_BrowserCommand() {
  if (const char* b = std::getenv("BROWSER"); b && *b) return b;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (const char* name : {"xdg-open", "sensible-browser"}) {
    std::size_t at = 0;
    while (at <= dirs.size()) {
      const std::size_t end = std::min(dirs.find(':', at), dirs.size());
      const std::string dir = dirs.substr(at, end - at);
      const std::string file = (dir.empty() ? std::string(".") : dir) + "/" + name;
      if (!dir.empty() && access(file.c_str(), X_OK) == 0) return file + " %1";
      at = end + 1;
    }
  }
  return {};
}

std::string app_WebCommand(const std::string& command, const std::string& address) {
  std::string out;
  bool placed = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '%' && i + 1 < command.size() && command[i + 1] >= '1' && command[i + 1] <= '9') {
      if (command[i + 1] == '1') {
        out += address;
        placed = true;
      }
      ++i;
      continue;
    }
    out += command[i];
  }
  if (!placed) {
    if (!out.empty() && out.back() != ' ') out += ' ';
    out += address;
  }
  return out;
}

} // namespace zapp
