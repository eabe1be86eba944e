// The binding tables, loaders and wrappers.
#include "shell/binding.h"
#include "shell/insertbox.h"
#include "obeltool/mstrbuf.h"
#include "platform/library.h"
#include "platform/paths.h"
#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string_view>

namespace shell {
namespace {

#define SHELL_NAME_TEXT(ret, name, params, args, unbound) #name,
const std::vector<std::string> kObelToolNames = {SHELL_OBELTOOL_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kStockWinNames = {SHELL_STOCKWIN_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kStockBarNames = {SHELL_STOCKBAR_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kZrlTgtWinNames = {SHELL_ZRLTGTWIN_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kObelCtrlNames = {SHELL_OBELCTRL_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kPageFrameNames = {SHELL_PAGEFRAME_NAMES(SHELL_NAME_TEXT)};
const std::vector<std::string> kMenuExtraNames = {SHELL_MENUEXTRA_NAMES(SHELL_NAME_TEXT)};
#undef SHELL_NAME_TEXT

// Index of each name within its table.
#define SHELL_NAME_INDEX(ret, name, params, args, unbound) idx_##name,
enum ObelToolIndex { SHELL_OBELTOOL_NAMES(SHELL_NAME_INDEX) };
enum StockWinIndex { SHELL_STOCKWIN_NAMES(SHELL_NAME_INDEX) };
enum StockBarIndex { SHELL_STOCKBAR_NAMES(SHELL_NAME_INDEX) };
enum ZrlTgtWinIndex { SHELL_ZRLTGTWIN_NAMES(SHELL_NAME_INDEX) };
enum ObelCtrlIndex { SHELL_OBELCTRL_NAMES(SHELL_NAME_INDEX) };
enum PageFrameIndex { SHELL_PAGEFRAME_NAMES(SHELL_NAME_INDEX) };
enum MenuExtraIndex { SHELL_MENUEXTRA_NAMES(SHELL_NAME_INDEX) };
#undef SHELL_NAME_INDEX

struct Table {
  const char* library;
  const std::vector<std::string>* names;
  plat::lib::Handle handle = nullptr;
  std::vector<void*> fns;
  bool bound = false;
};

std::array<Table, std::size_t(Lib::Count)> g_tables = {{
    {"ObelTool", &kObelToolNames, nullptr, {}, false},   {"stockwin", &kStockWinNames, nullptr, {}, false},
    {"bars and menus", &kStockBarNames, nullptr, {}, false}, {"zrltgtwin", &kZrlTgtWinNames, nullptr, {}, false},
    {"ObelCtrl", &kObelCtrlNames, nullptr, {}, false},   {"page frame", &kPageFrameNames, nullptr, {}, false},
    {"language resources", nullptr, nullptr, {}, false}, {"menu extras", &kMenuExtraNames, nullptr, {}, false},
}};

std::string g_programDir;
bool g_programDirSet = false;
int g_instance = 1;
int g_language = 0;
ObelScreenSizeFn g_screen = nullptr;
const void* g_serviceTable = nullptr;
std::vector<BindLogEntry> g_log;
// Cached strings owned by the ObelTool table.
std::string g_binPath, g_helpPath;
bool g_haveBin = false, g_haveHelp = false;
std::string g_pfProject;


Table& table(Lib lib) { return g_tables[std::size_t(lib)]; }

void* entryOf(Lib lib, std::size_t index) {
  const Table& t = g_tables[std::size_t(lib)];
  return t.bound && index < t.fns.size() ? t.fns[index] : nullptr;
}

void logResult(Lib lib, const std::string& file, bool bound, const std::string& reason) {
  g_log.push_back({table(lib).library, file, bound, reason});
}

void release(Lib lib) {
  Table& t = table(lib);
  if (t.handle) plat::lib::unload(t.handle);
  t.handle = nullptr;
  t.fns.assign(t.names ? t.names->size() : 0, nullptr);
  t.bound = false;
}

std::string textOf(MStrBuf& b) {
  std::string s = msb::ToString(&b);
  return s;
}

// Fetches a path through a bound ObelTool getter and releases the record.
std::string pathFrom(int (*getter)(MStrBuf*)) {
  MStrBuf b{nullptr, 0, 0};
  if (!getter(&b)) {
    bind_DeleteMStrBuf(&b);
    return {};
  }
  std::string s = textOf(b);
  bind_DeleteMStrBuf(&b);
  return s;
}

std::string withSlash(std::string s) {
  if (!s.empty() && s.back() != '/' && s.back() != '\\') s += '/';
  return s;
}

// The common binding steps: load, version, names, after-binding step.
// `optional` looks up each name on its own and never fails on a missing one.
int bindLibrary(Lib lib, const std::string& file, const char* versionName, double minimum,
                const std::function<std::string()>& after, bool optional = false) {
  Table& t = table(lib);
  if (t.bound) return 1;
  release(lib);
  auto fail = [&](const std::string& reason) {
    release(lib);
    logResult(lib, file, false, reason);
    return 0;
  };
  if (file.empty()) return fail("no path");
  t.handle = plat::lib::load(file);
  if (!t.handle) return fail("cannot be loaded: " + plat::lib::lastError());
  if (versionName) {
    auto version = plat::lib::symbolAs<double (*)()>(t.handle, versionName);
    if (!version) return fail(std::string("no ") + versionName);
    double v = version();
    // Versions are compared to the third decimal the libraries give.
    if (v + 1e-9 < minimum) return fail("version " + std::to_string(v) + " below " + std::to_string(minimum));
  }
  if (t.names) {
    for (std::size_t i = 0; i < t.names->size(); ++i) {
      void* f = plat::lib::symbol(t.handle, (*t.names)[i].c_str());
      if (!f && !optional) return fail("missing " + (*t.names)[i]);
      t.fns[i] = f;
    }
  }
  t.bound = true;
  if (after) {
    std::string reason = after();
    if (!reason.empty()) return fail(reason);
  }
  logResult(lib, file, true, "");
  return 1;
}

} // namespace

void setProgramDir(const std::string& dir) {
  g_programDir = dir;
  g_programDirSet = !dir.empty();
}
std::string programDir() { return g_programDirSet ? g_programDir : plat::path::programDir(); }
void setInstanceNumber(int n) { g_instance = n; }
int instanceNumber() { return g_instance; }
void setScreenSizeProvider(ObelScreenSizeFn fn) { g_screen = fn; }
void setServiceFunctionTable(const void* t) { g_serviceTable = t; }

bool isBound(Lib lib) { return table(lib).bound; }
void* boundEntry(Lib lib, const char* name) {
  const Table& t = table(lib);
  if (!t.bound || !t.names) return nullptr;
  auto it = std::find(t.names->begin(), t.names->end(), name);
  return it == t.names->end() ? nullptr : t.fns[std::size_t(it - t.names->begin())];
}
std::vector<std::string> boundNames(Lib lib) { return table(lib).names ? *table(lib).names : std::vector<std::string>{}; }
int boundLanguage() { return g_language; }
const std::vector<BindLogEntry>& bindLog() { return g_log; }
void clearBindLog() { g_log.clear(); }

// ---- loaders ----

// ObelTool and ObelCtrl lie beside the program file; without a program
// directory the relative name is used.
static std::string besideProgram(const char* file) {
  std::string dir = programDir();
  return dir.empty() ? std::string("./") + file : plat::path::join(dir, file);
}

int bind_LoadObelTool() {
  std::string file = besideProgram("OBELTOOL.DLL");
  return bindLibrary(Lib::ObelTool, file, "GetDLLVersion", 0.05, [&]() -> std::string {
    // The running program's directory is found from a null module; a
    // directory given as text (tests, other program directories) goes by
    // string, since SetBINPath takes only addresses inside loaded modules.
    if (g_programDirSet) {
      auto byString = plat::lib::symbolAs<int (*)(const char*)>(table(Lib::ObelTool).handle,
                                                                  "SetBINPathByString");
      const std::string dir = programDir();
      // A settings library without the by-string entry takes the text itself.
      const int ok = byString ? byString(plat::path::join(dir, "OBEL.INI").c_str())
                              : bind_SetBINPath(static_cast<const void*>(dir.c_str()));
      if (ok != 1) return "SetBINPath failed";
    } else if (bind_SetBINPath(nullptr) != 1) {
      return "SetBINPath failed";
    }
    g_language = bind_GetObelLanguage();
    if (g_language == 0) {
      g_language = 2;
      bind_SetObelLanguage(2);
    }
    auto screen = plat::lib::symbolAs<int (*)(ObelScreenSizeFn)>(table(Lib::ObelTool).handle, "SetScreenSizeProvider");
    if (screen && g_screen) screen(g_screen);
    return {};
  });
}

void bind_UnloadObelTool() {
  if (!isBound(Lib::ObelTool)) return;
  release(Lib::ObelTool);
  g_binPath.clear();
  g_helpPath.clear();
  g_haveBin = g_haveHelp = false;
  g_language = 0;
}

int bind_LoadStockWin() {
  if (isBound(Lib::StockWin)) return 1;
  std::string file = bind_PathText(bind_GetPathToStockWinDLL);
  return bindLibrary(Lib::StockWin, file, "SW00_GetDLLVersion", 1.0, []() -> std::string {
    // The shell's block-picture and drop services unless the program installed its own.
    bind_SW13_SetObelServiceFctns(g_serviceTable ? g_serviceTable : &svc_Table());
    return {};
  });
}
void bind_UnloadStockWin() { release(Lib::StockWin); }

int bind_LoadStockBar() {
  if (isBound(Lib::StockBar)) return 1;
  std::string file = bind_PathText(bind_GetPathToStockBarDLL);
  return bindLibrary(Lib::StockBar, file, "SB00_GetDLLVersion", 1.002, []() -> std::string {
    bind_SB00_SetStartFlags(bind_GetStatusBarStatus(), bind_GetToolBarStatus());
    return {};
  });
}
void bind_UnloadStockBar() {
  if (!isBound(Lib::StockBar)) return;
  std::int32_t status = 0, tool = 0;
  bind_SB00_GetStartFlags(&status, &tool);
  bind_SetStatusBarStatus(status);
  bind_SetToolBarStatus(tool);
  release(Lib::StockBar);
}

int bind_LoadZrlTgtWin(int instance) {
  if (isBound(Lib::ZrlTgtWin)) return 1;
  std::string file = bind_PathText(bind_GetPathToZrlTgtWinDLL);
  return bindLibrary(Lib::ZrlTgtWin, file, "ZRTA00_GetDLLVersion", 1.0, [instance]() -> std::string {
    bind_ZRTA00_SetInstanceNumber(instance);
    return {};
  });
}
void bind_UnloadZrlTgtWin() { release(Lib::ZrlTgtWin); }

int bind_LoadObelCtrl() {
  return bindLibrary(Lib::ObelCtrl, besideProgram("OBELCTRL.DLL"), nullptr, 0, []() -> std::string {
    return bind_InitObelCtrl() ? std::string() : std::string("InitObelCtrl answered 0");
  });
}
void bind_UnloadObelCtrl() { release(Lib::ObelCtrl); }

int bind_LoadPageFrame() {
  if (isBound(Lib::PageFrame)) return 1;
  // Beside OBEL.INI: its path cut after the last separator.
  std::string ini = bind_PathText(bind_GetPathToObelIni);
  std::size_t cut = ini.find_last_of("/\\:");
  std::string dir = cut == std::string::npos ? std::string() : ini.substr(0, cut + 1);
  std::string file = ini.empty() ? std::string() : dir + "OFRAME.DLL";
  int r = bindLibrary(Lib::PageFrame, file, nullptr, 0, nullptr, true);
  if (r) g_pfProject.clear();
  return r;
}
void bind_UnloadPageFrame() { release(Lib::PageFrame); }

int bind_LoadLanguage() {
  Table& t = table(Lib::Language);
  if (t.bound) return 1;
  MStrBuf b{nullptr, 0, 0};
  std::string dir;
  if (bind_GetObelLanguagePath(&b, g_language)) dir = textOf(b);
  bind_DeleteMStrBuf(&b);
  if (dir.empty()) {
    logResult(Lib::Language, "", false, "the language has no folder");
    return 0;
  }
  return bindLibrary(Lib::Language, withSlash(dir) + "ZEZODAR.DLL", nullptr, 0, []() -> std::string {
    // Its strings come through the dialog kit's resource operation.
    return plat::lib::symbol(table(Lib::Language).handle, "LoadResString") ? std::string()
                                                                           : std::string("no LoadResString");
  });
}
void bind_UnloadLanguage() { release(Lib::Language); }

int bind_LoadMenuExtra() {
  if (isBound(Lib::MenuExtra)) return 1;
  return bindLibrary(Lib::MenuExtra, bind_PathText(bind_GetPathToOMeExtraDLL), "OMEX00_GetDLLVersion", 1.0, nullptr);
}
void bind_UnloadMenuExtra() { release(Lib::MenuExtra); }

int bind_LoadTargetWindow(int) { return 1; }
void bind_UnloadTargetWindow() {}

void bind_UnloadAll() {
  bind_UnloadMenuExtra();
  bind_UnloadPageFrame();
  bind_UnloadObelCtrl();
  bind_UnloadLanguage();
  bind_UnloadZrlTgtWin();
  bind_UnloadStockBar();
  bind_UnloadStockWin();
  bind_UnloadObelTool();
}

// ---- generated wrappers ----
#define SHELL_DEFINE_WRAPPER(lib, ret, name, params, args, unbound)          \
  ret bind_##name params {                                                 \
    if constexpr (std::string_view(#name) == "IsKXIFActive") return ret(0); \
    auto bound_fn_ = reinterpret_cast<ret(*) params>(entryOf(lib, idx_##name)); \
    if (!bound_fn_) return ret(unbound);                                   \
    return bound_fn_ args;                                                 \
  }
#define SHELL_W_OBELTOOL(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::ObelTool, ret, name, params, args, unbound)
#define SHELL_W_STOCKWIN(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::StockWin, ret, name, params, args, unbound)
#define SHELL_W_STOCKBAR(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::StockBar, ret, name, params, args, unbound)
#define SHELL_W_ZRLTGTWIN(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::ZrlTgtWin, ret, name, params, args, unbound)
#define SHELL_W_OBELCTRL(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::ObelCtrl, ret, name, params, args, unbound)
#define SHELL_W_MENUEXTRA(ret, name, params, args, unbound) SHELL_DEFINE_WRAPPER(Lib::MenuExtra, ret, name, params, args, unbound)
SHELL_OBELTOOL_NAMES(SHELL_W_OBELTOOL)
SHELL_STOCKWIN_NAMES(SHELL_W_STOCKWIN)
SHELL_STOCKBAR_NAMES(SHELL_W_STOCKBAR)
SHELL_ZRLTGTWIN_NAMES(SHELL_W_ZRLTGTWIN)
SHELL_OBELCTRL_NAMES(SHELL_W_OBELCTRL)
SHELL_MENUEXTRA_NAMES(SHELL_W_MENUEXTRA)

// ---- special wrappers ----
int bind_GetPathToProjectZCDForInst(MStrBuf* b) { return bind_GetPathToProjectZCDForInst(b, g_instance); }
int bind_GetPathToProjectErrorForInst(MStrBuf* b) { return bind_GetPathToProjectErrorForInst(b, g_instance); }
int bind_GetPathToDDFForInst(MStrBuf* b) { return bind_GetPathToDDFForInst(b, g_instance); }
int bind_GetPathToDLFForInst(MStrBuf* b) { return bind_GetPathToDLFForInst(b, g_instance); }
int bind_GetPathToMAPForInst(MStrBuf* b) { return bind_GetPathToMAPForInst(b, g_instance); }

std::string bind_PathText(int (*getter)(MStrBuf*)) { return pathFrom(getter); }

static int copyOut(const std::string& s, char* buffer, int size) {
  if (!buffer || size < 1) return 0;
  std::size_t n = std::min<std::size_t>(s.size(), std::size_t(size - 1));
  std::memcpy(buffer, s.data(), n);
  buffer[n] = 0;
  return 1;
}

int bind_GetBINPathToBuffer(char* buffer, int size) {
  if (!g_haveBin && isBound(Lib::ObelTool)) {
    g_binPath = pathFrom(bind_GetBINPath);
    if (!g_binPath.empty()) g_binPath = withSlash(g_binPath);
    g_haveBin = !g_binPath.empty();
  }
  return copyOut(g_binPath, buffer, size);
}

static int pathToBuffer(int (*getter)(MStrBuf*), char* buffer, int size) {
  if (!buffer || size < 1) return 0;
  buffer[0] = 0;
  std::string s = pathFrom(getter);
  if (s.empty()) return 0;
  if (s.size() > std::size_t(size - 1)) s.resize(std::size_t(size - 1));
  else if (s.size() < std::size_t(size - 1)) s = withSlash(s);
  return copyOut(s, buffer, size);
}
int bind_GetPROJECTPathToBuffer(char* buffer, int size) { return pathToBuffer(bind_GetPROJECTPath, buffer, size); }
int bind_GetTEMPPathToBuffer(char* buffer, int size) { return pathToBuffer(bind_GetTEMPPath, buffer, size); }

const char* bind_GetPathToLanguageHelpFile() {
  if (!g_haveHelp && isBound(Lib::ObelTool)) {
    MStrBuf b{nullptr, 0, 0};
    if (bind_GetPathToLanguageHelpFile(&b, g_language)) g_helpPath = textOf(b);
    bind_DeleteMStrBuf(&b);
    g_haveHelp = !g_helpPath.empty();
  }
  return g_haveHelp ? g_helpPath.c_str() : nullptr;
}

// ---- page frame ----
void pf_SetProjectPath(const std::string& projectPath) {
  std::size_t cut = projectPath.find_last_of("/\\");
  std::string name = cut == std::string::npos ? projectPath : projectPath.substr(cut + 1);
  if (name.size() > 19) name.resize(19);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\n')) name.pop_back();
  g_pfProject = name;
}
std::string pf_ProjectName() { return g_pfProject; }
bool pf_IsBound() { return entryOf(Lib::PageFrame, idx_of00_PaintFrame) != nullptr; }

static int frameCall(std::size_t index, void* record, std::size_t recordSize, std::size_t nameAt) {
  auto f = reinterpret_cast<int (*)(void*)>(entryOf(Lib::PageFrame, index));
  if (!f) return 0;
  // The name field runs to the end of the record or 20 bytes, whichever is less.
  if (record && recordSize > nameAt) {
    std::size_t room = std::min<std::size_t>(20, recordSize - nameAt);
    char* field = static_cast<char*>(record) + nameAt;
    std::memset(field, 0, room);
    std::memcpy(field, g_pfProject.data(), std::min(g_pfProject.size(), room - 1));
  }
  return f(record);
}
int bind_of00_PaintFrame(void* record, std::size_t recordSize) { return frameCall(idx_of00_PaintFrame, record, recordSize, 24); }
int bind_of00_ClickFrame(void* record, std::size_t recordSize) { return frameCall(idx_of00_ClickFrame, record, recordSize, 32); }
int bind_of00_LoadFrameInfo(void* record) { return frameCall(idx_of00_LoadFrameInfo, record, 0, 0); }
int bind_of00_SaveFrameInfo(void* record) { return frameCall(idx_of00_SaveFrameInfo, record, 0, 0); }
int bind_of00_IsInFrame(void* record) { return frameCall(idx_of00_IsInFrame, record, 0, 0); }

// The language library's module (for resources).
void* languageModule() { return table(Lib::Language).bound ? table(Lib::Language).handle : nullptr; }

} // namespace shell
