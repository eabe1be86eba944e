#pragma once
// The binding of the settings and paths library ObelTool, compiled into each
// deliverable that uses it (static library `toolbind`).
//
// A deliverable binds ObelTool once when it starts and unbinds it when it
// ends. Binding: locate ObelTool ("OBELTOOL.DLL", found as ObelTool.so by
// plat::lib::load) beside the host program or beside the deliverable itself,
// load it, check GetDLLVersion against the deliverable's minimum, look up the
// deliverable's own list of names in order (the first missing name fails the
// binding; names after it are not looked up), call SetBINPath, and, when the
// list holds GetObelLanguage and SetObelLanguage, read the language (0 is
// stored as 2 and written back). A failed binding keeps what it found until
// unbind(); the caller unbinds.
//
// Typical use inside a deliverable (one binding per deliverable):
//
//   auto& tb = toolbind::moduleBinding();
//   toolbind::BindOptions o;
//   o.anchor = toolbind::Anchor::ThisModule;     // or HostProgram (the default)
//   o.minVersion = 0.02;
//   o.names = {"GetDLLVersion", "AppendMsgLine", "AppendMsgFile", "EmptyMsgWnd", "CloseMsgWnd",
//              "SetBINPath", "GetPathToMsgConvDLL", "DeleteMStrBuf"};
//   if (tb.bind(o) != toolbind::BindStatus::Bound) { tb.unbind(); return false; }
//   tb.appendMsgLine("compiled");
//   std::string temp; tb.getPath("GetTEMPPath", temp);
//   auto f = tb.fn<GetDefaultTargetFormatFn>("GetDefaultTargetFormat");   // null when not bound
//   ...
//   tb.unbind();
//
// Every wrapper answers 0 (or an empty string) while unbound or when its name
// is not in the bound list. Strings from ObelTool are copied into std::string
// and their records handed back to DeleteMStrBuf of the same library (which
// must then be in the list). Tests point the binding at a directory of their
// own with BindOptions::dir and BindOptions::binDir.
//
// Threads: bind() and unbind() run on the thread that loads and unloads the
// deliverable; entry(), fn() and the wrappers may be called from any thread
// while bound (the caches are guarded).
#include "obeltool/obeltool.h"
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace toolbind {

// Where ObelTool is looked for, and which directory SetBINPath receives.
enum class Anchor {
  HostProgram,  // the directory of the running program (SetBINPath(null))
  ThisModule,   // the directory of the deliverable that compiled this module in
};

enum class BindStatus {
  Bound,             // bound (or already bound: nothing changed)
  NotFound,          // no ObelTool file at the place looked in
  LoadFailed,        // the file exists but could not be loaded
  NoVersion,         // GetDLLVersion missing
  TooOld,            // GetDLLVersion below the minimum
  MissingName,       // a name of the list is missing (missingName() tells which)
  SetBINPathFailed,  // SetBINPath answered other than 1
};
const char* statusText(BindStatus s);

struct BindOptions {
  Anchor anchor = Anchor::HostProgram;
  std::string dir;      // when set: look for ObelTool in this directory instead
  std::string binDir;   // when set: SetBINPath receives this directory instead (made absolute)
  double minVersion = 0.04;
  std::vector<std::string> names;  // looked up in this order
  bool callSetBINPath = true;      // done only when "SetBINPath" is in names
  bool languageStep = true;        // done only when GetObelLanguage and SetObelLanguage are in names
};

class ToolBinding {
public:
  ToolBinding() = default;
  ~ToolBinding();
  ToolBinding(const ToolBinding&) = delete;
  ToolBinding& operator=(const ToolBinding&) = delete;

  BindStatus bind(const BindOptions& options);
  // Short form: ObelTool in dirOfObelTool ("" = beside the host program),
  // SetBINPath with the host program. True when bound.
  bool bind(const std::string& dirOfObelTool, double minVersion, std::vector<std::string> names);
  void unbind();
  bool bound() const { return handle_ != nullptr && complete_; }

  // What the last bind() did.
  BindStatus lastStatus() const { return status_; }
  const std::string& missingName() const { return missing_; }
  const std::string& libraryPath() const { return path_; }  // the file tried or loaded
  double version() const { return version_; }
  int language() const { return language_; }

  // The entry point of a bound name (null while unbound or not in the list).
  void* entry(std::string_view name) const;
  template <class F> F fn(std::string_view name) const { return reinterpret_cast<F>(entry(name)); }

  // ---- wrappers over bound names ----
  int appendMsgLine(const char* text) const;
  int appendMsgFile(const char* path) const;
  int emptyMsgWnd() const;
  int closeMsgWnd() const;
  int setBINPath(const void* module) const;
  void deleteMStrBuf(MStrBuf* buf) const;
  // Any getter of the shape int(MStrBuf*) ("GetBINPath", "GetTEMPPath", "GetPathToObelIni",
  // "GetPathToMsgWnd", ...): out = the text; the getter's result (0 when not bound).
  int getPath(std::string_view getterName, std::string& out) const;
  // Getters of the shape int(MStrBuf*, int) ("GetPathToProjectZCDForInst", ..., "GetObelLanguagePath",
  // "GetZrlServerName").
  int getPath(std::string_view getterName, std::string& out, int number) const;
  int getShowHelpNumber() const;

  // ---- the wrappers of the standard dialogs library (case kept on Linux) ----
  int getLanguagePath(std::string& out, int language) const;   // 1 when bound
  int getTemplatePath(std::string& out);                         // cached once
  int getTemplateFileUpper(std::string& out, const char* name);  // dir + NAME (the name upper-cased)
  int getTemplateFile(std::string& out, const char* name);       // dir + name
  int getTemplatesIni(std::string& out);                         // dir + "TEMPLATES.INI"
  int getProjectPath(std::string& out) const;
  int getLibraryPath(int mode, std::string* out) const;          // mode 0 first, 1 next, 2 end
  int getHelpFilePath(std::string& out);                         // cached once
  int getStartBitmapPath(std::string& out) const;                // language dir + "OBELST.BMP"
  int resourceDllName(std::string& out) const;                   // language dir + "STOCKWINRES.DLL"

private:
  int cachedLanguagePath(const char* getter, std::string& cache, bool& have, std::string& out);
  struct Slot { std::string name; void* fn; };
  void* handle_ = nullptr;
  bool complete_ = false;
  BindStatus status_ = BindStatus::NotFound;
  std::string missing_, path_;
  double version_ = 0;
  int language_ = 0;
  std::vector<Slot> slots_;
  mutable std::mutex cacheMu_;
  std::string templateCache_, helpCache_;
  bool haveTemplate_ = false, haveHelp_ = false;
};

// The one binding of the deliverable this module is compiled into.
ToolBinding& moduleBinding();
// The directory of the deliverable this module is compiled into.
std::string thisModuleDir();
// Joins a directory and a file name with one "/" (an empty directory leaves the name).
std::string joinDir(const std::string& dir, const std::string& name);

} // namespace toolbind
