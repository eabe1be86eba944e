// Shell utilities: directories, paths, file copies, deferred calls, window
// table, numbered messages.
#include "shell/utilities.h"
#include "model/services.h"
#include "platform/paths.h"
#include "platform/uisink.h"
#include "shell/binding.h"
#include "shell/fileselect.h"
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <cerrno>
#include <unistd.h>

extern char** environ;

namespace shell {
namespace {

WindowHost g_defaultHost;
WindowHost* g_host = nullptr;

std::string g_bin, g_project, g_temp;
char g_libDir[255];
CopyFaults g_faults;
int g_waitDepth = 0;
Hwnd g_helper = 0;

bool copyTo(const std::string& s, char* out, std::size_t size) {
  if (!out || size == 0) return false;
  if (s.size() >= size) {
    out[0] = 0;
    return false;
  }
  std::memcpy(out, s.c_str(), s.size() + 1);
  return true;
}

std::string endSlash(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

} // namespace

WindowHost& windowHost() { return g_host ? *g_host : g_defaultHost; }
WindowHost* setWindowHost(WindowHost* h) {
  WindowHost* prev = g_host;
  g_host = h;
  return prev;
}

// ---- directories ----
void path_CacheToolDirs() {
  char buf[255];
  if (g_bin.empty() && bind_GetBINPathToBuffer(buf, sizeof buf) && buf[0]) g_bin = endSlash(buf);
  if (g_project.empty() && bind_GetPROJECTPathToBuffer(buf, sizeof buf) && buf[0]) g_project = endSlash(buf);
  if (g_temp.empty() && bind_GetTEMPPathToBuffer(buf, sizeof buf) && buf[0]) g_temp = endSlash(buf);
}
const char* path_GetBinDir() {
  if (g_bin.empty()) path_CacheToolDirs();
  return g_bin.c_str();
}
const char* path_GetProjectDir() {
  if (g_project.empty()) path_CacheToolDirs();
  return g_project.c_str();
}
const char* path_GetTempDir() {
  if (g_temp.empty()) path_CacheToolDirs();
  return g_temp.c_str();
}
void path_SetProjectDir(const char* path) {
  if (path && std::strlen(path) < 256) g_project = path;
}
void path_ResetCaches() {
  g_bin.clear();
  g_project.clear();
  g_temp.clear();
}

bool path_ResolveDotPath(const char* path, char* out, std::size_t size) {
  if (!path) return copyTo("", out, size);
  std::string p = path;
  if (p.size() >= 3 && p[0] == '.' && p[1] == '.' && (p[2] == '\\' || p[2] == '/')) {
    std::string bin = path_GetBinDir();
    // BIN without its last component.
    while (!bin.empty() && bin.back() == '/') bin.pop_back();
    std::size_t cut = bin.find_last_of('/');
    std::string up = cut == std::string::npos ? std::string() : bin.substr(0, cut + 1);
    std::string rest = p.substr(3);
    for (char& c : rest)
      if (c == '\\') c = '/';
    return copyTo(up + rest, out, size);
  }
  return copyTo(p, out, size);
}

const char* path_GetLibraryDir(int mode) {
  if (mode == 2) {
    bind_GetLIBRARYPaths(2, nullptr);
    return nullptr;
  }
  MStrBuf b{nullptr, 0, 0};
  int r = bind_GetLIBRARYPaths(mode, &b);
  const char* result = nullptr;
  if (r && b.text) {
    std::size_t n = std::min<std::size_t>(std::strlen(b.text), sizeof g_libDir - 1);
    std::memcpy(g_libDir, b.text, n);
    g_libDir[n] = 0;
    result = g_libDir;
  }
  bind_DeleteMStrBuf(&b);
  return result;
}

bool path_FileExists(const char* path, char* out, std::size_t size) {
  if (!path || !*path) return false;
  std::string found = plat::path::resolveExisting(path);
  if (found.empty()) return false;
  if (out && size) {
    std::string want = plat::path::normalize(path);
    std::string dir = plat::path::dirName(want);
    std::string full = dir.empty() ? plat::path::baseName(found) : dir + "/" + plat::path::baseName(found);
    if (full.size() < size) std::memcpy(out, full.c_str(), full.size() + 1);
  }
  return true;
}

bool path_GetShortName(const char* path, char* out, std::size_t size) {
  return copyTo(path ? path : "", out, size);
}

static std::string projectFilePath() {
  const FileState& fs = fileState();
  if (fs.projectFile.empty()) return {};
  std::string dir = fs.projectDir;
  while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir.empty() ? fs.projectFile : dir + "/" + fs.projectFile;
}

static bool copyCut(const std::string& s, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return false;
  std::size_t n = std::min(s.size(), size - 1);
  std::memcpy(buffer, s.data(), n);
  buffer[n] = 0;
  return true;
}

std::size_t path_ProjectFileLength() { return projectFilePath().size(); }
bool path_BuildProjectFile(char* buffer, std::size_t size) {
  std::string p = projectFilePath();
  if (p.empty()) return false;
  return copyCut(p, buffer, size);
}
bool path_BuildBitmapDir(char* buffer, std::size_t size) {
  std::string dir = fileState().projectDir;
  while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return copyCut(dir.empty() ? std::string("BITMAP") : dir + "/BITMAP", buffer, size);
}
bool path_BuildSigFile(char* buffer, std::size_t size) {
  std::string p = projectFilePath();
  if (p.empty()) return false;
  return copyCut(plat::path::withExtension(p, "SIG"), buffer, size);
}

// ---- file copies ----
void setCopyFaults(const CopyFaults& f) { g_faults = f; }

// Moves an existing dest aside: the same name with its last character "~".
static void backupExisting(const std::string& dest) {
  if (dest.empty() || dest.size() >= 255) return;
  struct stat st;
  if (::stat(dest.c_str(), &st) != 0) return;
  std::string backup = dest;
  backup.back() = '~';
  if (g_faults.failRename) return;
  std::rename(dest.c_str(), backup.c_str());   // a failed rename leaves both; the copy goes on
}

static bool writeAll(int fd, const char* data, std::size_t n, int& blocks) {
  if (g_faults.failWriteAfter >= 0 && blocks >= g_faults.failWriteAfter) return false;
  ++blocks;
  while (n > 0) {
    ssize_t w = ::write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= std::size_t(w);
  }
  return true;
}

int file_CopyBinary(const char* dest, const char* src) {
  Hwnd owner = windowHost().frameWindow();
  std::string from = plat::path::resolveExisting(src ? src : "");
  int in = from.empty() ? -1 : ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    bind_SW50_CallMBWithID(owner, 50011, 0);
    return 0;
  }
  std::string to = plat::path::resolveForWrite(dest ? dest : "");
  backupExisting(to);
  int out = to.empty() ? -1 : ::open(to.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    bind_SW50_CallMBWithID(owner, 50012, 0);
    return 0;
  }
  char block[512];
  bool ok = true;
  int blocks = 0;
  for (;;) {
    ssize_t r = ::read(in, block, sizeof block);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) { ok = false; break; }
    if (r == 0) break;
    if (!writeAll(out, block, std::size_t(r), blocks)) { ok = false; break; }
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) {
    bind_SW50_CallMBWithID(owner, 50012, 0);
    return 0;
  }
  return 1;
}

int file_CopyText(const char* dest, const char* src) {
  std::string from = plat::path::resolveExisting(src ? src : "");
  std::string data;
  if (from.empty() || !plat::path::readFile(from, data)) return 0;
  std::string to = plat::path::resolveForWrite(dest ? dest : "");
  if (to.empty()) return 0;
  backupExisting(to);
  int out = ::open(to.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return 0;
  int blocks = 0;
  bool ok = writeAll(out, data.data(), data.size(), blocks);
  if (::close(out) != 0) ok = false;
  return ok ? 1 : 0;
}

// ---- cursor, dialogs, text ----
void app_BeginWaitCursor() {
  if (g_waitDepth++ == 0) windowHost().setWaitCursor(true);
}
void app_EndWaitCursor() {
  if (g_waitDepth == 0) return;
  if (--g_waitDepth == 0) windowHost().setWaitCursor(false);
}
void app_SendDeselect() {
  if (windowHost().frameWindow()) windowHost().sendCommand(371);
}
void dlg_CenterWindow(Hwnd window) { windowHost().centerWindow(window); }
void dlg_DialogUnitsToPixels(Rect& r, int bw, int bh) {
  r.left = r.left * bw / 4;
  r.right = r.right * bw / 4;
  r.top = r.top * bh / 8;
  r.bottom = r.bottom * bh / 8;
}
static int zoomed(int v) {
  float z = windowHost().zoom();
  if (z > 1.0199f && z < 1.0201f) return v;
  return z > 0 ? int(float(v) / z * 1.02f + 0.5f) : v;
}
int drw_TextWidth(const std::string& text) { return zoomed(windowHost().textWidth(text)); }
int drw_TextHeight(const std::string& text) { return zoomed(windowHost().textHeight(text)); }
void ws_SetScrollPosition(int pos, bool vertical) { windowHost().setScrollPosition(pos, vertical); }
int ws_GetScrollPosition(bool vertical) { return windowHost().scrollPosition(vertical); }
void ws_RestoreDragArea(int x, int y, const Rect& r) { windowHost().restoreDragArea(x, y, r); }
void ws_SetCursorPos(int x, int y) { windowHost().setCursorPos(x, y); }
void ws_CopyWindowPicture(Hwnd window) { windowHost().copyWindowPicture(window); }
void ws_OpenKindView(int kind, int subKind, bool throughEditor) { windowHost().openKindView(kind, subKind, throughEditor); }
void app_SetHelperWindow(Hwnd window) { g_helper = window; }
void app_CloseHelperProgram() {
  if (g_helper) windowHost().postClose(g_helper);
}
void app_CloseWindowByClass(const std::string& cls) {
  if (Hwnd w = windowHost().findWindowByClass(cls)) windowHost().postClose(w);
}

// ---- deferred calls ----
namespace {
struct Deferred {
  std::function<void()> fn;
  const void* owner = nullptr;
  bool used = false;
};
std::mutex g_deferMu;
std::array<Deferred, 10> g_deferred;
std::atomic<bool> g_deferBusy{false};
} // namespace

bool ui_QueueCallable(std::function<void()> fn, const void* owner) {
  if (!fn) return false;
  std::lock_guard<std::mutex> lock(g_deferMu);
  for (Deferred& d : g_deferred) {
    if (!d.used) {
      d.fn = std::move(fn);
      d.owner = owner;
      d.used = true;
      return true;
    }
  }
  return false;
}

bool ui_QueueDeferredCall(DeferredFn fn, std::int32_t a1, std::int32_t a2, std::int32_t a3,
                          std::int32_t a4, std::int32_t a5, std::int32_t a6, std::int32_t a7) {
  if (!fn) return false;
  return ui_QueueCallable([=] { fn(a1, a2, a3, a4, a5, a6, a7); });
}

int ui_RegisterModeless(ModelessProc proc, void* record, double a, double b, double c, double d,
                        std::int16_t e, std::int16_t* status, const void* owner) {
  if (!proc) return 0;
  return ui_QueueCallable([=] { proc(record, a, b, c, d, e, status); }, owner) ? 1 : 0;
}

bool ui_RunDeferredCalls() {
  bool expected = false;
  if (!g_deferBusy.compare_exchange_strong(expected, true)) return false;
  bool ran = false;
  for (std::size_t i = 0; i < g_deferred.size(); ++i) {
    std::function<void()> fn;
    {
      std::lock_guard<std::mutex> lock(g_deferMu);
      if (!g_deferred[i].used) continue;
      fn = g_deferred[i].fn;   // the entry stays taken while it runs
    }
    fn();
    ran = true;
    std::lock_guard<std::mutex> lock(g_deferMu);
    g_deferred[i] = Deferred{};
  }
  g_deferBusy = false;
  return ran;
}

void ui_ClearDeferredCalls(const void* owner) {
  if (g_deferBusy) return;
  std::lock_guard<std::mutex> lock(g_deferMu);
  for (Deferred& d : g_deferred)
    if (!owner || d.owner == owner) d = Deferred{};
}

int ui_DeferredCount() {
  std::lock_guard<std::mutex> lock(g_deferMu);
  return int(std::count_if(g_deferred.begin(), g_deferred.end(), [](const Deferred& d) { return d.used; }));
}

// ---- open-window table ----
namespace {
std::array<OpenWindow, kWindowTableSize> g_windows;
bool g_duplicateTitles = false;
bool g_titlesFrozen = false;

void recount() {
  g_duplicateTitles = false;
  for (OpenWindow& w : g_windows) {
    if (!w.window) continue;
    w.sameTitles = 0;
    for (const OpenWindow& o : g_windows)
      if (o.window && &o != &w && plat::path::sameIgnoringCase(o.title, w.title)) ++w.sameTitles;
    if (w.sameTitles) g_duplicateTitles = true;
  }
}
} // namespace

int wnd_AddToWindowTable(Hwnd window, const std::string& title) {
  for (int i = 0; i < kWindowTableSize; ++i) {
    if (!g_windows[i].window) {
      g_windows[i] = OpenWindow{window, title, 0};
      recount();
      return i;
    }
  }
  return -1;
}
void wnd_RemoveFromWindowTable(Hwnd window) {
  for (OpenWindow& w : g_windows)
    if (w.window == window) w = OpenWindow{};
  recount();
  windowHost().rebuildWindowList();
}
void wnd_RenameInWindowTable(Hwnd window, const std::string& title) {
  for (OpenWindow& w : g_windows) {
    if (w.window == window && w.title != title) {
      w.title = title;
      recount();
    }
  }
}
int wnd_CountOpenWorksheets() {
  return int(std::count_if(g_windows.begin(), g_windows.end(), [](const OpenWindow& w) { return w.window != 0; }));
}
void wnd_ClearWindowTable() {
  g_windows.fill(OpenWindow{});
  g_duplicateTitles = false;
}
const OpenWindow* wnd_Entry(int i) {
  return i >= 0 && i < kWindowTableSize && g_windows[std::size_t(i)].window ? &g_windows[std::size_t(i)] : nullptr;
}
bool wnd_DuplicateTitles() { return g_duplicateTitles; }
void ws_FreezeTitles(bool frozen) { g_titlesFrozen = frozen; }
void ws_SetTitleFromPath(Hwnd window, const std::string& path) {
  if (g_titlesFrozen) return;
  std::size_t cut = path.find_last_of("/\\");
  std::string title = cut == std::string::npos ? path : path.substr(cut + 1);
  windowHost().setWindowTitle(window, title);
  wnd_RenameInWindowTable(window, title);
}

// ---- numbered messages ----
const char* shellMessageText(int number) {
  switch (number) {
  case 50011: return "Error!   Source file cannot be opened.";
  case 50012: return "Error!   Destination file cannot be opened.";
  case 50043: return "File %s could not be found.\nCreate new file?";
  case 101: return "Help key word: %s";
  case 102: return "Help context: %u";
  default: return model::messageText(number);
  }
}

static void show(int number) { bind_SW50_CallMBWithID(windowHost().frameWindow(), number, 0); }
void msg_OutOfMemory() { show(50036); }
void msg_FileError() { show(50037); }
void msg_FileNotLoaded() { show(50038); }
void msg_NameConflict() { show(50039); }
void msg_VersionConflict() { show(50040); }
void msg_FatalVersionConflict() { show(50041); }
bool msg_AskNewPath(const std::string& name) {
  return bind_SW50_CallMBWithIDAndString(windowHost().frameWindow(), 50042, name.c_str(), plat::ui::MB_YESNO) != plat::ui::IDYES;
}
bool msg_AskCreateFile(const std::string& name) {
  return bind_SW50_CallMBWithIDAndString(windowHost().frameWindow(), 50043, name.c_str(), plat::ui::MB_YESNO) == plat::ui::IDYES;
}
void msg_InvalidFile() { show(50044); }
void msg_PrintFailed() { show(50016); }
void msg_SubprogramDeleted() { show(40015); }
void msg_IncompatibleDelete() { show(50045); }
int msg_Notice(const std::string& text) {
  plat::ui::messageBox(text, "Hinweis", plat::ui::MB_OK | plat::ui::MB_ICONINFORMATION);
  return 1;
}

// ---- page frame ----
int pf_Mode(bool simulating, bool printing) { return (simulating ? 1 : 3) + (printing ? 1 : 0); }
int ws_PaintPageFrame(PageFramePaint& view, bool simulating, bool printing) {
  view.mode = pf_Mode(simulating, printing);
  return bind_of00_PaintFrame(&view, sizeof view);
}
int ws_ClickPageFrame(PageFrameClick& view, bool simulating) {
  view.mode = pf_Mode(simulating, false);
  return bind_of00_ClickFrame(&view, sizeof view);
}

// ---- fields and programs ----
bool str_FieldEquals(const char* a, std::size_t aWidth, const char* b, std::size_t bWidth, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    char x = a && i < aWidth && a[i] ? a[i] : ' ';
    char y = b && i < bWidth && b[i] ? b[i] : ' ';
    if (x != y) return false;
  }
  return true;
}

void str_CopyPadded(char* field, const char* text, std::size_t width) {
  if (!field) return;
  std::size_t j = 0;
  for (const char* p = text; p && *p && j < width; ++p)
    if (*p != '\r') field[j++] = *p;
  while (j < width) field[j++] = ' ';
}

static std::string findOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string all = path;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string dir = all.substr(start, end - start);
    if (!dir.empty()) {
      std::string full = dir + "/" + program;
      if (::access(full.c_str(), X_OK) == 0) return full;
    }
    start = end + 1;
  }
  return {};
}

bool app_HasBrowser() {
  bool has = !findOnPath("xdg-open").empty();
  if (!has) bind_SB06_DeleteMenuItem(40030);
  return has;
}

bool app_OpenHomePage() {
  std::string opener = findOnPath("xdg-open");
  if (opener.empty()) return false;
  pid_t pid = 0;
  char* argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(kHomePage), nullptr};
  if (posix_spawn(&pid, opener.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open hands the address to the browser and ends; it is reaped without waiting.
  std::thread([pid] { int st; ::waitpid(pid, &st, 0); }).detach();
  return true;
}

} // namespace shell
