// File selectors, the shared file state and the frame title.
#include "shell/fileselect.h"
#include "dialogkit/format.h"
#include "shell/binding.h"
#include "shell/help.h"
#include "shell/resources.h"
#include "shell/utilities.h"
#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace shell {
namespace {
FileState g_state;
OpenDialogFn g_openDialog;
std::string g_frameTitle;

// Copies s into a buffer of size bytes, cut to fit, always terminated.
void put(char* buf, std::size_t size, const std::string& s) {
  if (!buf || size == 0) return;
  std::size_t n = std::min(s.size(), size - 1);
  std::memcpy(buf, s.data(), n);
  buf[n] = 0;
}

std::string bounded(const char* s, std::size_t size) {
  if (!s) return {};
  std::size_t n = 0;
  while (n < size && s[n]) ++n;
  return std::string(s, n);
}

std::size_t lastSep(const std::string& s) { return s.find_last_of("/\\"); }

std::string currentDir(std::size_t max) {
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) return {};
  std::string s = buf;
  if (s.size() > max) s.resize(max);
  return s;
}

std::string withSlash(std::string s) {
  if (s.empty() || (s.back() != '/' && s.back() != '\\')) s += '/';
  return s;
}
} // namespace

FileState& fileState() { return g_state; }
void fsel_Reset() { g_state = FileState{}; }
void setOpenDialog(OpenDialogFn fn) { g_openDialog = std::move(fn); }
void fsel_SetPendingOpen(const std::string& path) {
  g_state.pendingOpen = path.substr(0, 127);
  g_state.pendingOpenFlag = 1;
}

namespace {
// The open dialog of the first selector: path and name buffers in and out.
void openWithDirList(char* path, char* name, std::uint16_t* ok, bool saving) {
  std::string in = bounded(path, kPathBuffer);
  OpenDialogRequest req;
  req.title = "File";
  req.saving = saving;
  std::size_t cut = lastSep(in);
  std::string dir = cut == std::string::npos ? std::string() : in.substr(0, cut);
  std::string mask = cut == std::string::npos ? in : in.substr(cut + 1);
  if (!mask.empty()) {
    req.filterText = "[" + mask + "]";
    req.filterPattern = mask;
    req.fileField = mask;
  } else {
    req.filterText = "[*.*]";
    req.filterPattern = "*";
    req.fileField = "*.*";
    dir = cut == std::string::npos ? std::string() : dir;
  }
  std::string given = bounded(name, kNameBuffer);
  if (!given.empty()) req.fileField = given;
  if (!dir.empty()) req.initialDir = dir;
  else if (!g_state.projectDir.empty()) req.initialDir = g_state.projectDir;
  else req.initialDir = path_GetBinDir();

  std::string chosen;
  bool chose = g_openDialog && g_openDialog(req, chosen) && !chosen.empty();
  if (!chose) {
    if (ok) *ok = 0;
    put(name, kNameBuffer, "");
    return;
  }
  std::size_t c = lastSep(chosen);
  std::string chosenDir = c == std::string::npos ? currentDir(240) : chosen.substr(0, c);
  std::string chosenName = c == std::string::npos ? chosen : chosen.substr(c + 1);
  put(path, kPathBuffer, withSlash(chosenDir));
  put(name, kNameBuffer, chosenName.substr(0, 128));
  if (ok) *ok = 1;
}
} // namespace

void fsel_OpenWithDirList(char* path, char* name, std::uint16_t* ok) { openWithDirList(path, name, ok, false); }

bool fsel_ChooseFile(const std::string& pattern, const std::string& offered, bool saving, std::string& chosen) {
  char path[kPathBuffer] = {};
  char name[kNameBuffer] = {};
  put(path, sizeof path, pattern);
  put(name, sizeof name, offered);
  std::uint16_t ok = 0;
  openWithDirList(path, name, &ok, saving);
  if (!ok) return false;
  chosen = std::string(path) + name;
  return true;
}

void fsel_AnswerPendingOpen(char* path, char* name, std::uint16_t* ok) {
  g_state.pendingOpenFlag = 0;
  const std::string& buf = g_state.pendingOpen;
  std::size_t cut = lastSep(buf);
  g_state.projectFile = (cut == std::string::npos ? buf : buf.substr(cut + 1)).substr(0, 255);
  std::string dir = cut == std::string::npos ? currentDir(240) : buf.substr(0, cut);
  if (dir.empty() && cut == 0) dir = "/";
  g_state.projectDir = dir;
  g_state.selectedName = g_state.projectFile.substr(0, 127);
  put(name, kNameBuffer, "$$$$$$$$.MDL");
  if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
    // The directory stays the path; the file layer reports a file it cannot open.
  }
  std::string full = withSlash(dir);
  put(path, kPathBuffer, full);
  if (full.size() <= 255) path_SetProjectDir(full.c_str());
  if (ok) *ok = 1;
}

void fsel_AnswerPendingOpenB(char* path, char* name, std::uint16_t* ok) { fsel_AnswerPendingOpen(path, name, ok); }

void fsel_AskOpenPreset(char* path, char* name, std::uint16_t* ok) {
  if (ok) *ok = 0;
  std::string chosen;
  if (g_state.havePreset) {
    chosen = g_state.presetLibrary.substr(0, 255);
    g_state.presetLibrary.clear();
    g_state.havePreset = false;
  } else {
    std::string suggestion = bounded(name, kNameBuffer);
    if (suggestion.find('.', 1) == std::string::npos || suggestion.size() < 2) suggestion.clear();
    char buffer[256] = {};
    put(buffer, sizeof buffer, suggestion);
    FileDlgParams p{windowHost().frameWindow(), buffer, 255};
    std::uint16_t previous = help_SetContext(44);
    int r = bind_SW51_OpenLibrary(&p);
    help_SetContext(previous);
    if (!r) return;
    buffer[sizeof buffer - 1] = 0;
    chosen = buffer;
  }
  std::size_t cut = lastSep(chosen);
  g_state.selectedName = (cut == std::string::npos ? chosen : chosen.substr(cut + 1)).substr(0, 127);
  std::string dir = cut == std::string::npos ? currentDir(240) : chosen.substr(0, cut);
  std::size_t dot = g_state.selectedName.find_last_of('.');
  if (dot != std::string::npos) put(name, kNameBuffer, "$$$$$$$$" + g_state.selectedName.substr(dot, 5));
  put(path, kPathBuffer, withSlash(dir));
  if (ok) *ok = 1;
}

bool path_MakeTempName(char* place, std::size_t room) {
  const std::string& s = g_state.selectedName;
  if (!place || s.size() >= room) return false;
  std::memcpy(place, s.c_str(), s.size() + 1);
  return true;
}

void fsel_AnswerNoneA(char*, char*, std::uint16_t* ok) { if (ok) *ok = 0; }
void fsel_AnswerNoneB(char*, char*, std::uint16_t* ok) { if (ok) *ok = 0; }
void fsel_AnswerNoneC(char*, char*, std::uint16_t* ok) { if (ok) *ok = 0; }
void fsel_AnswerNoneD(char*, char*, std::uint16_t* ok) { if (ok) *ok = 0; }

void fsel_SetPresetLibrary(const char* fullPath) {
  g_state.havePreset = fullPath != nullptr;
  g_state.presetLibrary = fullPath ? fullPath : "";
}

std::size_t fsel_GetSelectedName(char* buffer, std::size_t capacity) {
  const std::string& s = g_state.selectedName;
  if (buffer && s.size() < capacity) std::memcpy(buffer, s.c_str(), s.size() + 1);
  return s.size();
}

void app_SetFrameTitle() {
  std::string title = res_String(1).value_or("");
  auto format = res_String(2);
  if (format && !format->empty() && !g_state.projectFile.empty()) {
    std::string name = g_state.projectFile;
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    title += kit::formatChecked(*format, {name});
  }
  g_frameTitle = title;
  windowHost().setFrameTitle(title);
}
std::string app_FrameTitle() { return g_frameTitle; }

static int projectDialog(int (*dialog)(FileDlgParams*), std::string initial) {
  char buffer[128] = {};
  put(buffer, sizeof buffer, initial);
  FileDlgParams p{windowHost().frameWindow(), buffer, 128};
  int r = dialog(&p);
  buffer[sizeof buffer - 1] = 0;
  if (r) fsel_SetPendingOpen(buffer);
  return r;
}
int fsel_OpenProjectDialog() { return projectDialog(bind_SW51_OpenMDLProject, ""); }
int fsel_SaveAsProjectDialog() { return projectDialog(bind_SW51_SaveAsMDLProject, g_state.projectDir); }

// ---- the model's file services ----
bool ShellFileServices::fileDialog(modelfiles::FileDialog service, const std::string& pattern, std::string& chosen) {
  char path[kPathBuffer] = {};
  char name[kNameBuffer] = {};
  put(path, sizeof path, pattern);
  std::uint16_t ok = 0;
  using D = modelfiles::FileDialog;
  switch (service) {
  case D::AnswerPendingOpenB: fsel_AnswerPendingOpenB(path, name, &ok); break;
  case D::AnswerPendingOpen: fsel_AnswerPendingOpen(path, name, &ok); break;
  case D::AskOpenPreset: fsel_AskOpenPreset(path, name, &ok); break;
  case D::OpenWithDirList: fsel_OpenWithDirList(path, name, &ok); break;
  case D::AnswerNoneA: fsel_AnswerNoneA(path, name, &ok); break;
  case D::AnswerNoneB: fsel_AnswerNoneB(path, name, &ok); break;
  case D::AnswerNoneC: fsel_AnswerNoneC(path, name, &ok); break;
  case D::AnswerNoneD: fsel_AnswerNoneD(path, name, &ok); break;
  }
  if (!ok) return false;
  chosen = std::string(path) + name;
  return true;
}

std::string ShellFileServices::tempDir() {
  std::string t = path_GetTempDir();
  return t.empty() ? modelfiles::FileServices::tempDir() : t;
}
std::string ShellFileServices::libraryDir(int mode) {
  const char* d = path_GetLibraryDir(mode);
  return d ? d : "";
}
std::string ShellFileServices::rememberedName() { return g_state.selectedName; }
void ShellFileServices::waitCursor(bool on) { on ? app_BeginWaitCursor() : app_EndWaitCursor(); }
bool ShellFileServices::getRemoveSysLib() { return bind_GetRemoveSysLib() != 0; }

} // namespace shell
