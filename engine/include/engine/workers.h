#pragma once
// Worker threads and library calls of block code. Block library functions
// take six host pointers with the C calling convention; a call runs either at
// once on the calling thread or on a worker of its own (at most 20 at a time,
// the list under one lock). Every worker end posts the display redraw to the
// main loop through the hooks. Workers cannot be killed: th_KillAll first
// cancels the dialogs they have open, asks them to stop, joins them within a
// bound and abandons the ones that do not stop (their libraries are then
// never unloaded). The shell's start-up and shut-down seam:
// dl_PreloadBlockDialogs, th_NoWorkers, th_KillAll, dl_FreeCache. The editor
// takes th_NoWorkers for its thread hooks.
#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace engine {

constexpr std::size_t kMaxWorkers = 20;
using LibraryHandle = void*;
using LibraryArgs = std::array<void*, 6>;
using LibraryFunction = void (*)(void*, void*, void*, void*, void*, void*);

// What the workers need of the shell; every member may be empty.
struct WorkerHooks {
  std::function<std::vector<std::string>()> libraryPaths;  // the settings' library paths in order
  std::string programDir;                                   // "" : the platform's program directory
  std::function<void()> postRedraw;      // queues 1043 to the main loop; called on the worker
  std::function<void()> cancelDialogs;   // ends the dialogs workers have open, as Cancel
                                         // (none: plat::ui::cancelModalRuns)
  std::function<void()> beep;
};
void th_SetHooks(WorkerHooks hooks);
// The settings' library paths in order (empty without the hook).
std::vector<std::string> dl_LibraryPaths();
// Queues the display redraw (1043) to the main loop through the hook.
void th_PostRedraw();

// Library search: each library path, then the program directory, then the bare name.
LibraryHandle dl_LoadLibrary(const std::string& name);
void dl_UnloadLibrary(LibraryHandle h);
// Cached by the upper-case name; a library that does not load is not cached.
LibraryHandle dl_CacheLoad(const std::string& name);
std::size_t dl_CacheSize();
// Loads "ZRLFBDLG.DLL" into the cache (its module start runs); a refusal shows 50047.
bool dl_PreloadBlockDialogs();
// Unloads the cached libraries; while abandoned workers exist they stay loaded.
void dl_FreeCache();

// A worker body; it should return soon after stop is requested.
using WorkerBody = std::function<void(std::stop_token)>;
// Starts a worker; false and a beep when 20 run or the thread cannot start.
bool th_Start(WorkerBody body);
bool th_NoWorkers();
std::size_t th_Count();
// Returns the number of workers abandoned.
std::size_t th_KillAll(std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

// The library-call operations of block code (the externs' host side).
// Worker call: loads the library (not cached), calls the function, unloads
// it; 50047 / 50046 with the name. False (with a beep) when no worker started.
bool xt_WorkerLibraryCall(const std::string& library, const std::string& function, LibraryArgs args);
// Synchronous call, not cached; a nested call beeps and calls nothing.
bool xt_SyncLibraryCall(const std::string& library, const std::string& function, LibraryArgs args);
// Cached call: returns the function's address handle (0 when not found:
// 50046; library not loaded: 50047), calls it at once or on a worker.
double xt_CachedLibraryCall(bool worker, const std::string& library, const std::string& function,
                            LibraryArgs args);
// The extern actions flag of the library-call externs (101..104, 114, 115):
// while it is clear they do nothing. The editor's xt_EnableThreads /
// xt_DisableThreads hooks.
void xt_EnableThreads();
void xt_DisableThreads();
bool xt_ThreadsEnabled();

// Call by an address that xt_CachedLibraryCall produced; any other is refused.
bool xt_CallByAddress(bool worker, double address, LibraryArgs args);

} // namespace engine
