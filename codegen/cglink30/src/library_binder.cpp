#include "library_binder.h"

#include "ddfreader/ddf01.h"
#include "platform/library.h"
#include "toolbind/toolbind.h"

namespace cg {
namespace {

// The names the code generator binds of ObelTool, in this order.
const std::vector<std::string> kSettingsNames = {
    "GetDLLVersion",       "AppendMsgLine",   "AppendMsgFile",   "EmptyMsgWnd",
    "CloseMsgWnd",         "GetPathToMsgConvDLL", "SetBINPath",  "GetObelLanguage",
    "SetObelLanguage",     "GetObelLanguagePath", "GetPathToDdfReaderDLL", "DeleteMStrBuf"};

// The export of a language resource library, one convention for every
// library that uses one (code generator, formula parser):
//   int LoadResString(unsigned id, char* buf, int size)
// copies the text of id with its terminating zero into buf (size bytes) and
// returns its length; 0 when the library has no text for id.
using ResourceStringFn = int (*)(unsigned id, char* buf, int size);

class ReaderApi : public DdfApi {
public:
  DDF01_GetDLLVersion_t GetDLLVersion = nullptr;
  DDF01_Open_t Open = nullptr;
  DDF01_Close_t Close = nullptr;
  DDF01_GetTargetFormat_t GetTargetFormat = nullptr;
  DDF01_GetTargetAddressFormat_t GetTargetAddressFormat = nullptr;
  DDF01_GetMVLAddressAndSize_t GetMVLAddressAndSize = nullptr;
  DDF01_GetMVLTableAddressAndSize_t GetMVLTableAddressAndSize = nullptr;
  DDF01_GetMVLStructInfoAddressAndSize_t GetMVLStructInfoAddressAndSize = nullptr;
  DDF01_GetModulAddress_t GetModulAddress = nullptr;
  DDF01_GetVarSizeAndAddress_t GetVarSizeAndAddress = nullptr;
  DDF01_ConvertStringToBin_t ConvertStringToBin = nullptr;
  DDF01_ConvertLongToBin_t ConvertLongToBin = nullptr;
  DDF01_ConvertWordToBin_t ConvertWordToBin = nullptr;
  DDF01_ConvertFloatToBin_t ConvertFloatToBin = nullptr;
  DDF01_ConvertAddressToBin_t ConvertAddressToBin = nullptr;
  DDF01_ConvertDLBlockStartAddressToBin_t ConvertDLBlockStartAddressToBin = nullptr;

  int getTargetAddressFormat(uint8_t* f) override { return GetTargetAddressFormat(f); }
  int getMVLAddressAndSize(uint32_t* a, uint32_t* s) override { return GetMVLAddressAndSize(a, s); }
  int getMVLTableAddressAndSize(uint32_t* a, uint16_t* c) override { return GetMVLTableAddressAndSize(a, c); }
  int getMVLStructInfoAddressAndSize(uint32_t* a, uint32_t* s) override {
    return GetMVLStructInfoAddressAndSize(a, s);
  }
  int getModulAddress(const char* name, uint32_t* a) override { return GetModulAddress(name, a); }
  int getVarSizeAndAddress(cg::DdfVarQuery* q) override {
    ::DdfVarQuery r{q->area, q->index, q->element, 0, 0};
    int res = GetVarSizeAndAddress(&r);
    q->address = r.address;
    q->size = r.size;
    return res;
  }
  int convertStringToBin(MC01_VariableRef* ref, const char* value) override {
    DdfVarValue v{ref->area, ref->index, ref->element, ref->address, ref->size, ref->buffer};
    return ConvertStringToBin(&v, value);
  }
  int convertLongToBin(uint32_t v, unsigned char* o, int n) override { return ConvertLongToBin(v, o, n); }
  int convertWordToBin(uint16_t v, unsigned char* o, int n) override { return ConvertWordToBin(v, o, n); }
  int convertFloatToBin(float v, unsigned char* o, int n) override { return ConvertFloatToBin(v, o, n); }
  int convertAddressToBin(uint32_t v, unsigned char* o, int n) override { return ConvertAddressToBin(v, o, n); }
};

template <class F> bool look(plat::lib::Handle h, const char* name, F& out) {
  out = plat::lib::symbolAs<F>(h, name);
  return out != nullptr;
}

class LibraryBinder : public Binder {
public:
  explicit LibraryBinder(LibraryBinderOptions o) : opt_(std::move(o)) {}
  ~LibraryBinder() override {
    releaseReader();
    releaseSettings();
  }

  int bindSettings() override {
    auto& tb = toolbind::moduleBinding();
    if (tb.bound()) return 0;
    toolbind::BindOptions o;
    o.minVersion = 0.02;
    o.names = kSettingsNames;
    o.dir = opt_.obelToolDir;
    o.binDir = opt_.binDir;
    o.anchor = toolbind::Anchor::HostProgram;
    toolbind::BindStatus s = tb.bind(o);
    if (s == toolbind::BindStatus::NotFound && opt_.obelToolDir.empty()) {
      // All deliverables share one program directory: beside this library
      // is where the host program would have it.
      tb.unbind();
      o.anchor = toolbind::Anchor::ThisModule;
      s = tb.bind(o);
    }
    switch (s) {
      case toolbind::BindStatus::Bound:
        break;
      case toolbind::BindStatus::NotFound:
      case toolbind::BindStatus::LoadFailed:
        tb.unbind();
        return 2;
      case toolbind::BindStatus::SetBINPathFailed:
        tb.unbind();
        return 3;
      default:
        tb.unbind();
        return 1;
    }
    settingsBound_ = true;
    // The language resource library is optional.
    std::string dir;
    int lang = tb.language() ? tb.language() : 2;
    if (tb.getPath("GetObelLanguagePath", dir, lang) && !dir.empty()) {
      res_ = plat::lib::load(toolbind::joinDir(dir, "CGLINK30RES.DLL"));
      if (res_) resString_ = plat::lib::symbolAs<ResourceStringFn>(res_, "LoadResString");
    }
    return 0;
  }

  int bindReader(const std::string& ddfPath) override {
    releaseReader();
    auto& tb = toolbind::moduleBinding();
    std::string path;
    if (!tb.bound() || !tb.getPath("GetPathToDdfReaderDLL", path) || path.empty()) return 2;
    lib_ = plat::lib::load(path);
    if (!lib_) return 2;
    ReaderApi& a = api_;
    if (!look(lib_, "DDF01_GetDLLVersion", a.GetDLLVersion) || a.GetDLLVersion() < 2.0) {
      releaseReader();
      return 1;
    }
    bool all = look(lib_, "DDF01_Open", a.Open) && look(lib_, "DDF01_Close", a.Close) &&
               look(lib_, "DDF01_GetTargetFormat", a.GetTargetFormat) &&
               look(lib_, "DDF01_GetTargetAddressFormat", a.GetTargetAddressFormat) &&
               look(lib_, "DDF01_GetMVLAddressAndSize", a.GetMVLAddressAndSize) &&
               look(lib_, "DDF01_GetMVLTableAddressAndSize", a.GetMVLTableAddressAndSize) &&
               look(lib_, "DDF01_GetMVLStructInfoAddressAndSize", a.GetMVLStructInfoAddressAndSize) &&
               look(lib_, "DDF01_GetModulAddress", a.GetModulAddress) &&
               look(lib_, "DDF01_GetVarSizeAndAddress", a.GetVarSizeAndAddress) &&
               look(lib_, "DDF01_ConvertStringToBin", a.ConvertStringToBin) &&
               look(lib_, "DDF01_ConvertLongToBin", a.ConvertLongToBin) &&
               look(lib_, "DDF01_ConvertWordToBin", a.ConvertWordToBin) &&
               look(lib_, "DDF01_ConvertFloatToBin", a.ConvertFloatToBin) &&
               look(lib_, "DDF01_ConvertAddressToBin", a.ConvertAddressToBin) &&
               look(lib_, "DDF01_ConvertDLBlockStartAddressToBin", a.ConvertDLBlockStartAddressToBin);
    if (!all) {
      releaseReader();
      return 4;
    }
    if (a.Open(ddfPath.c_str()) == 0) {
      releaseReader();
      return 3;
    }
    open_ = true;
    return 0;
  }

  DdfApi* reader() override { return open_ ? &api_ : nullptr; }

  void releaseReader() override {
    if (open_ && api_.Close) api_.Close();
    open_ = false;
    if (lib_) plat::lib::unload(lib_);
    lib_ = nullptr;
    api_ = ReaderApi();
  }

  void releaseSettings() override {
    if (res_) plat::lib::unload(res_);
    res_ = nullptr;
    resString_ = nullptr;
    if (settingsBound_) toolbind::moduleBinding().unbind();
    settingsBound_ = false;
  }

  bool resourceText(int id, std::string& out) override {
    if (!resString_) return false;
    char buf[1024];
    int n = resString_(static_cast<unsigned>(id), buf, sizeof buf);
    if (n <= 0 || n >= static_cast<int>(sizeof buf)) return false;
    out.assign(buf, static_cast<size_t>(n));
    return true;
  }

private:
  LibraryBinderOptions opt_;
  bool settingsBound_ = false;
  plat::lib::Handle lib_ = nullptr, res_ = nullptr;
  ResourceStringFn resString_ = nullptr;
  ReaderApi api_;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<Binder> makeLibraryBinder(const LibraryBinderOptions& options) {
  return std::make_unique<LibraryBinder>(options);
}

}  // namespace cg
