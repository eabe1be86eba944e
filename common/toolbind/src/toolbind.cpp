// The binding of ObelTool.
#include "toolbind/toolbind.h"
#include "platform/library.h"
#include "platform/paths.h"
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>

namespace toolbind {

const char* statusText(BindStatus s) {
  switch (s) {
  case BindStatus::Bound: return "bound";
  case BindStatus::NotFound: return "OBELTOOL.DLL not found";
  case BindStatus::LoadFailed: return "OBELTOOL.DLL could not be loaded";
  case BindStatus::NoVersion: return "OBELTOOL.DLL has no version";
  case BindStatus::TooOld: return "OBELTOOL.DLL is too old";
  case BindStatus::MissingName: return "OBELTOOL.DLL lacks an operation";
  case BindStatus::SetBINPathFailed: return "OBELTOOL.DLL did not take the program directory";
  }
  return "?";
}

std::string thisModuleDir() {
  return plat::path::moduleDirOf(reinterpret_cast<const void*>(&thisModuleDir));
}

std::string joinDir(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/' || dir.back() == '\\') return dir + name;
  return dir + "/" + name;
}

ToolBinding& moduleBinding() {
  static ToolBinding binding;
  return binding;
}

ToolBinding::~ToolBinding() { unbind(); }

bool ToolBinding::bind(const std::string& dirOfObelTool, double minVersion, std::vector<std::string> names) {
  BindOptions o;
  o.dir = dirOfObelTool;
  o.minVersion = minVersion;
  o.names = std::move(names);
  return bind(o) == BindStatus::Bound;
}

static bool fileExistsIgnoringCase(const std::string& dir, std::string& found) {
  // The Linux name of "OBELTOOL.DLL" in that directory, case ignored.
  std::string want = plat::lib::linuxName(joinDir(dir, "OBELTOOL.DLL"));
  found = plat::path::resolveExisting(want);
  struct stat st;
  return !found.empty() && ::stat(found.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

BindStatus ToolBinding::bind(const BindOptions& o) {
  if (handle_ && complete_) return status_ = BindStatus::Bound;
  unbind();
  std::string dir = !o.dir.empty() ? o.dir
                    : o.anchor == Anchor::ThisModule ? thisModuleDir() : plat::path::programDir();
  path_ = joinDir(dir, "OBELTOOL.DLL");
  std::string found;
  if (!fileExistsIgnoringCase(dir, found)) return status_ = BindStatus::NotFound;
  path_ = found;
  handle_ = plat::lib::load("OBELTOOL.DLL", dir);
  if (!handle_) return status_ = BindStatus::LoadFailed;
  auto ver = plat::lib::symbolAs<GetDLLVersionFn>(handle_, "GetDLLVersion");
  if (!ver) return status_ = BindStatus::NoVersion;
  version_ = ver();
  if (version_ < o.minVersion) return status_ = BindStatus::TooOld;
  for (const auto& n : o.names) {
    void* f = plat::lib::symbol(handle_, n.c_str());
    if (!f) {
      missing_ = n;
      return status_ = BindStatus::MissingName;
    }
    slots_.push_back(Slot{n, f});
  }
  if (o.callSetBINPath) {
    if (auto set = fn<SetBINPathFn>("SetBINPath")) {
      int r = 0;
      if (!o.binDir.empty()) {
        // A directory as text goes by string: the directory part of a file
        // named in it.
        auto byString = fn<SetBINPathByStringFn>("SetBINPathByString");
        if (!byString) byString = plat::lib::symbolAs<SetBINPathByStringFn>(handle_, "SetBINPathByString");
        std::error_code ec;
        const std::string file = std::filesystem::absolute(o.binDir, ec).string() + "/OBEL.INI";
        r = byString ? byString(file.c_str()) : 0;
      } else {
        r = set(o.anchor == Anchor::ThisModule ? reinterpret_cast<const void*>(&thisModuleDir) : nullptr);
      }
      if (r != 1) return status_ = BindStatus::SetBINPathFailed;
    }
  }
  if (o.languageStep) {
    auto get = fn<IntGetterFn>("GetObelLanguage");
    auto put = fn<IntSetterFn>("SetObelLanguage");
    if (get && put) {
      language_ = get();
      if (language_ == 0) {
        language_ = 2;
        put(2);
      }
    }
  }
  complete_ = true;
  return status_ = BindStatus::Bound;
}

void ToolBinding::unbind() {
  {
    std::lock_guard<std::mutex> l(cacheMu_);
    templateCache_.clear();
    helpCache_.clear();
    haveTemplate_ = haveHelp_ = false;
  }
  slots_.clear();
  if (handle_) plat::lib::unload(handle_);
  handle_ = nullptr;
  complete_ = false;
  missing_.clear();
  version_ = 0;
  language_ = 0;
}

void* ToolBinding::entry(std::string_view name) const {
  if (!handle_) return nullptr;
  for (const auto& s : slots_)
    if (s.name == name) return s.fn;
  return nullptr;
}

int ToolBinding::appendMsgLine(const char* text) const {
  auto f = fn<MsgTextFn>("AppendMsgLine");
  return f ? f(text) : 0;
}
int ToolBinding::appendMsgFile(const char* path) const {
  auto f = fn<MsgTextFn>("AppendMsgFile");
  return f ? f(path) : 0;
}
int ToolBinding::emptyMsgWnd() const {
  auto f = fn<MsgVoidFn>("EmptyMsgWnd");
  return f ? f() : 0;
}
int ToolBinding::closeMsgWnd() const {
  auto f = fn<MsgVoidFn>("CloseMsgWnd");
  return f ? f() : 0;
}
int ToolBinding::setBINPath(const void* module) const {
  auto f = fn<SetBINPathFn>("SetBINPath");
  return f ? f(module) : 0;
}
void ToolBinding::deleteMStrBuf(MStrBuf* buf) const {
  if (auto f = fn<DeleteMStrBufFn>("DeleteMStrBuf")) f(buf);
}
int ToolBinding::getShowHelpNumber() const {
  auto f = fn<IntGetterFn>("GetShowHelpNumber");
  return f ? f() : 0;
}

// Takes the text over and hands the record back to ObelTool.
static std::string takeText(const ToolBinding& tb, MStrBuf& b) {
  std::string s = b.text ? std::string(b.text) : std::string();
  tb.deleteMStrBuf(&b);
  return s;
}

int ToolBinding::getPath(std::string_view getterName, std::string& out) const {
  out.clear();
  auto f = fn<PathGetterFn>(getterName);
  if (!f || !entry("DeleteMStrBuf")) return 0;
  MStrBuf b{nullptr, 0, 0};
  int r = f(&b);
  out = takeText(*this, b);
  return r;
}

int ToolBinding::getPath(std::string_view getterName, std::string& out, int number) const {
  out.clear();
  auto f = fn<PathGetterForInstFn>(getterName);
  if (!f || !entry("DeleteMStrBuf")) return 0;
  MStrBuf b{nullptr, 0, 0};
  int r = f(&b, number);
  out = takeText(*this, b);
  return r;
}

int ToolBinding::getLanguagePath(std::string& out, int language) const {
  out.clear();
  auto f = fn<PathGetterForInstFn>("GetObelLanguagePath");
  if (!f || !entry("DeleteMStrBuf")) return 0;
  MStrBuf b{nullptr, 0, 0};
  f(&b, language);
  out = takeText(*this, b);
  return 1;
}

// A language path fetched once with the bound language and kept for the
// library's life (a language change reaches it only after a restart).
int ToolBinding::cachedLanguagePath(const char* getter, std::string& cache, bool& have, std::string& out) {
  out.clear();
  std::lock_guard<std::mutex> l(cacheMu_);
  if (!have) {
    auto f = fn<PathGetterForInstFn>(getter);
    if (!f || !entry("DeleteMStrBuf")) return 0;
    MStrBuf b{nullptr, 0, 0};
    int r = f(&b, language_);
    std::string s = takeText(*this, b);
    if (r != 1) return r;
    if (s.empty()) return 0;
    cache = s;
    have = true;
  }
  out = cache;
  return 1;
}

int ToolBinding::getTemplatePath(std::string& out) {
  return cachedLanguagePath("GetLanguageTEMPLATEPath", templateCache_, haveTemplate_, out);
}

int ToolBinding::getHelpFilePath(std::string& out) {
  return cachedLanguagePath("GetPathToLanguageHelpFile", helpCache_, haveHelp_, out);
}

static std::string upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

int ToolBinding::getTemplateFile(std::string& out, const char* name) {
  out.clear();
  if (!name) return 0;
  std::string dir;
  int r = getTemplatePath(dir);
  if (r == 1) out = joinDir(dir, name);
  return r;
}

// On Linux only the file name is upper-cased: the directory keeps its case on disk.
int ToolBinding::getTemplateFileUpper(std::string& out, const char* name) {
  out.clear();
  if (!name) return 0;
  std::string dir;
  int r = getTemplatePath(dir);
  if (r == 1) out = joinDir(dir, upper(name));
  return r;
}

int ToolBinding::getTemplatesIni(std::string& out) { return getTemplateFile(out, "TEMPLATES.INI"); }

int ToolBinding::getProjectPath(std::string& out) const {
  out.clear();
  std::string s;
  int r = getPath("GetPROJECTPath", s);
  if (r != 1) return r;
  if (s.empty()) return 0;
  out = s;
  return 1;
}

int ToolBinding::getLibraryPath(int mode, std::string* out) const {
  if (out) out->clear();
  auto f = fn<GetLIBRARYPathsFn>("GetLIBRARYPaths");
  if (!f || !entry("DeleteMStrBuf")) return 0;
  MStrBuf b{nullptr, 0, 0};
  int r = f(mode, &b);
  std::string s = takeText(*this, b);
  if (r == 1 && out) *out = s;
  return r;
}

int ToolBinding::getStartBitmapPath(std::string& out) const {
  std::string dir;
  int r = getLanguagePath(dir, language_);
  out = r ? joinDir(dir, "OBELST.BMP") : std::string();
  return r;
}

int ToolBinding::resourceDllName(std::string& out) const {
  std::string dir;
  int r = getLanguagePath(dir, language_);
  out = r ? joinDir(dir, "STOCKWINRES.DLL") : std::string();
  return r;
}

} // namespace toolbind
