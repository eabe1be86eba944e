#include "onl32ns/bindings.h"

#include "platform/library.h"

#include <cstring>

namespace onl32ns {

struct Od01Library::Fns {
  OD01_DeInitOnline_t DeInitOnline = nullptr;
  OD01_SetDrvOptions_t SetDrvOptions = nullptr;
  OD01_LoadDDF_t LoadDDF = nullptr;
  OD01_SetResourceAndLoadDDF_t SetResourceAndLoadDDF = nullptr;
  OD01_GetMode_t GetMode = nullptr;
  OD01_SetMode_t SetMode = nullptr;
  OD01_GetError_t GetError = nullptr;
  OD01_SetError_t SetError = nullptr;
  OD01_GetRealTimeErrorWord_t GetRealTimeErrorWord = nullptr;
  OD01_GetKernelVersion_t GetKernelVersion = nullptr;
  OD01_GetParaMode_t GetParaMode = nullptr;
  OD01_SavePara_t SavePara = nullptr;
  OD01_GetProgInfo_t GetProgInfo = nullptr;
  OD01_LoadDLF_t LoadDLF = nullptr;
  OD01_GetMemory_t GetMemory = nullptr;
  OD01_SetMemory_t SetMemory = nullptr;
  OD01_GetCommandResponse_t GetCommandResponse = nullptr;
  OD01_FTPWriteFile_t FTPWriteFile = nullptr;
  OD01_FTPReadFile_t FTPReadFile = nullptr;
  OD01_GetDevice_t GetDevice = nullptr;
  OD01_GetProcessor_t GetProcessor = nullptr;
  OD01_GetMemoryElementNumber_t GetMemoryElementNumber = nullptr;
  OD01_GetSizeAndAddressOfVarValue_t GetSizeAndAddressOfVarValue = nullptr;
  OD01_GetMinCycleTime_t GetMinCycleTime = nullptr;
  OD01_GetTargetFormat_t GetTargetFormat = nullptr;
  OD01_GetComm_t GetComm = nullptr;
  OD01_SetComm_t SetComm = nullptr;
  OD01_ReadValue_t ReadValue = nullptr;
  OD01_GetSysTime_t GetSysTime = nullptr;
};

namespace {

template <class F> bool find(void* lib, const char* name, F& out, std::string& failed) {
  out = plat::lib::symbolAs<F>(lib, name);
  if (!out) failed = name;
  return out != nullptr;
}

// The C form of a record kept beside ours while a threaded operation runs.
struct NativeText {
  OD01_TextRecord rec{};
  std::string text;
};
struct NativeMemory {
  OD01_MemoryRecord rec{};
  std::string path;
  std::vector<std::uint8_t> data;
};
struct NativeDownload {
  OD01_DownloadRecord rec{};
  std::string path;
};

OD01_TextRecord* nativeText(TextRecord& r, int kind) {
  if (kind == kStart || !r.native) {
    auto n = std::make_shared<NativeText>();
    n->text = r.text;
    n->rec.text = n->text.c_str();
    n->rec.answer = r.answer;
    n->rec.answerSize = static_cast<std::uint32_t>(std::min(r.answerSize, sizeof r.answer));
    r.native = n;
  }
  return &static_cast<NativeText*>(r.native.get())->rec;
}

OD01_MemoryRecord* nativeMemory(MemoryRecord& r, int kind) {
  if (kind == kStart || !r.native) {
    auto n = std::make_shared<NativeMemory>();
    n->path = r.filePath;
    n->data = r.data;
    n->rec.address = r.address;
    n->rec.count = r.count;
    n->rec.filePath = n->path.c_str();
    n->rec.data = n->data.empty() ? nullptr : n->data.data();
    r.native = n;
  }
  return &static_cast<NativeMemory*>(r.native.get())->rec;
}

// Our program information record and the library's have the same fields.
template <class From, class To> void copyInfo(const From& in, To& out) {
  std::memcpy(out.name, in.name, sizeof out.name);
  out.name[sizeof out.name - 1] = 0;
  out.day = in.day;
  out.month = in.month;
  out.year = in.year;
  out.hour = in.hour;
  out.minute = in.minute;
  out.second = in.second;
  out.size = in.size;
  out.check = in.check;
}

OD01_VariableRef nativeVar(VariableRef& r) {
  OD01_VariableRef v{};
  v.area = r.area.c_str();
  v.index = r.index;
  v.element = r.element;
  v.address = r.address;
  v.size = r.size;
  v.value = r.value.empty() ? nullptr : r.value.data();
  return v;
}

} // namespace

Od01Library::Od01Library() = default;
Od01Library::~Od01Library() { unbind(); }

bool Od01Library::bind(const std::string& path, std::string& failed) {
  unbind();
  lib_ = plat::lib::load(path);
  if (!lib_) {
    failed = path;
    return false;
  }
  auto ver = plat::lib::symbolAs<OD01_GetDLLVersion_t>(lib_, "OD01_GetDLLVersion");
  if (!ver || (version_ = ver()) < 3.0) {
    failed = path;
    unbind();
    return false;
  }
  f_ = std::make_unique<Fns>();
  Fns& f = *f_;
  bool ok = find(lib_, "OD01_DeInitOnline", f.DeInitOnline, failed) &&
            find(lib_, "OD01_SetDrvOptions", f.SetDrvOptions, failed) &&
            find(lib_, "OD01_LoadDDF", f.LoadDDF, failed) &&
            find(lib_, "OD01_SetResourceAndLoadDDF", f.SetResourceAndLoadDDF, failed) &&
            find(lib_, "OD01_GetMode", f.GetMode, failed) && find(lib_, "OD01_SetMode", f.SetMode, failed) &&
            find(lib_, "OD01_GetError", f.GetError, failed) && find(lib_, "OD01_SetError", f.SetError, failed) &&
            find(lib_, "OD01_GetRealTimeErrorWord", f.GetRealTimeErrorWord, failed) &&
            find(lib_, "OD01_GetKernelVersion", f.GetKernelVersion, failed) &&
            find(lib_, "OD01_GetParaMode", f.GetParaMode, failed) &&
            find(lib_, "OD01_SavePara", f.SavePara, failed) &&
            find(lib_, "OD01_GetProgInfo", f.GetProgInfo, failed) &&
            find(lib_, "OD01_LoadDLF", f.LoadDLF, failed) && find(lib_, "OD01_GetMemory", f.GetMemory, failed) &&
            find(lib_, "OD01_SetMemory", f.SetMemory, failed) &&
            find(lib_, "OD01_GetCommandResponse", f.GetCommandResponse, failed) &&
            find(lib_, "OD01_FTPWriteFile", f.FTPWriteFile, failed) &&
            find(lib_, "OD01_FTPReadFile", f.FTPReadFile, failed) &&
            find(lib_, "OD01_GetDevice", f.GetDevice, failed) &&
            find(lib_, "OD01_GetProcessor", f.GetProcessor, failed) &&
            find(lib_, "OD01_GetMemoryElementNumber", f.GetMemoryElementNumber, failed) &&
            find(lib_, "OD01_GetSizeAndAddressOfVarValue", f.GetSizeAndAddressOfVarValue, failed) &&
            find(lib_, "OD01_GetMinCycleTime", f.GetMinCycleTime, failed) &&
            find(lib_, "OD01_GetTargetFormat", f.GetTargetFormat, failed) &&
            find(lib_, "OD01_GetComm", f.GetComm, failed) && find(lib_, "OD01_SetComm", f.SetComm, failed) &&
            find(lib_, "OD01_ReadValue", f.ReadValue, failed) &&
            find(lib_, "OD01_GetSysTime", f.GetSysTime, failed);
  if (!ok) unbind();
  return ok;
}

bool Od01Library::init(const OnlineInitRecord& rec, bool& missing) {
  missing = false;
  auto initFn = lib_ ? plat::lib::symbolAs<OD01_InitOnline_t>(lib_, "OD01_InitOnline") : nullptr;
  if (!initFn) {
    missing = true;
    return false;
  }
  inited_ = initFn(&rec) != 0;
  return inited_;
}

void Od01Library::deinit() {
  if (inited_ && f_) f_->DeInitOnline();
  inited_ = false;
}

void Od01Library::unbind() {
  deinit();
  f_.reset();
  if (lib_) plat::lib::unload(lib_);
  lib_ = nullptr;
}

int Od01Library::loadDDF(const std::string& path, int kind) {
  // The path string lives in the caller's frame for the whole operation.
  return f_->LoadDDF(path.c_str(), kind);
}
int Od01Library::setResourceAndLoadDDF(const std::string& res, const std::string& ddf, int kind) {
  return f_->SetResourceAndLoadDDF(res.c_str(), ddf.c_str(), kind);
}
int Od01Library::getMode(std::uint8_t& mode, int kind) { return f_->GetMode(&mode, kind); }
int Od01Library::setMode(std::uint8_t mode, int kind) { return f_->SetMode(mode, kind); }
int Od01Library::getError(std::uint8_t& err, int kind) { return f_->GetError(&err, kind); }
int Od01Library::setError(std::uint8_t err, int kind) { return f_->SetError(err, kind); }
int Od01Library::getRealTimeErrorWord(std::array<std::uint8_t, 2>& w, int kind) {
  return f_->GetRealTimeErrorWord(w.data(), kind);
}
int Od01Library::getKernelVersion(std::string& text, std::size_t size, int kind) {
  size = std::min(size, sizeof kernelText_);
  if (kind == kStart) std::memset(kernelText_, 0, sizeof kernelText_);
  int r = f_->GetKernelVersion(kernelText_, static_cast<std::int32_t>(size), kind);
  kernelText_[sizeof kernelText_ - 1] = 0;
  text.assign(kernelText_, strnlen(kernelText_, size));
  return r;
}
int Od01Library::getParaMode(std::uint8_t& flag, int kind) { return f_->GetParaMode(&flag, kind); }
int Od01Library::savePara(int kind) { return f_->SavePara(kind); }
int Od01Library::getProgInfo(ProgInfo& info, int kind) {
  if (kind == kStart) progInfo_ = OD01_ProgInfo{};
  int r = f_->GetProgInfo(&progInfo_, kind);
  if ((r & 0xFFFF) != kRunning) copyInfo(progInfo_, info);
  return r;
}
int Od01Library::loadDLF(DownloadRecord& rec, int kind) {
  if (kind == kStart || !rec.native) {
    auto n = std::make_shared<NativeDownload>();
    n->path = rec.path;
    n->rec.path = n->path.c_str();
    n->rec.hasIdent = rec.hasIdent ? 1 : 0;
    copyInfo(rec.info, n->rec.info);
    rec.native = n;
  }
  return f_->LoadDLF(&static_cast<NativeDownload*>(rec.native.get())->rec, kind);
}
int Od01Library::getMemory(MemoryRecord& rec, int kind) { return f_->GetMemory(nativeMemory(rec, kind), kind); }
int Od01Library::setMemory(MemoryRecord& rec, int kind) { return f_->SetMemory(nativeMemory(rec, kind), kind); }
int Od01Library::getCommandResponse(TextRecord& rec, int kind) {
  int r = f_->GetCommandResponse(nativeText(rec, kind), kind);
  rec.answer[sizeof rec.answer - 1] = 0;
  return r;
}
int Od01Library::ftpWriteFile(TextRecord& rec, int kind) {
  int r = f_->FTPWriteFile(nativeText(rec, kind), kind);
  rec.answer[sizeof rec.answer - 1] = 0;
  return r;
}
int Od01Library::ftpReadFile(TextRecord& rec, int kind) {
  int r = f_->FTPReadFile(nativeText(rec, kind), kind);
  rec.answer[sizeof rec.answer - 1] = 0;
  return r;
}
int Od01Library::setDrvOptions() { return f_->SetDrvOptions(); }
int Od01Library::getDevice(std::string& text) {
  char buf[13] = {};
  int r = f_->GetDevice(buf, sizeof buf);
  buf[12] = 0;
  text = buf;
  return r;
}
int Od01Library::getProcessor(std::string& text) {
  char buf[13] = {};
  int r = f_->GetProcessor(buf, sizeof buf);
  buf[12] = 0;
  text = buf;
  return r;
}
int Od01Library::getMemoryElementNumber(const std::string& area, std::uint32_t& count) {
  return f_->GetMemoryElementNumber(area.c_str(), &count);
}
int Od01Library::getSizeAndAddressOfVarValue(VariableRef& ref) {
  OD01_VariableRef v = nativeVar(ref);
  int r = f_->GetSizeAndAddressOfVarValue(&v);
  ref.address = v.address;
  ref.size = v.size;
  return r;
}
int Od01Library::getMinCycleTime(std::uint32_t& ms) { return f_->GetMinCycleTime(&ms); }
int Od01Library::getTargetFormat(std::uint8_t& format) { return f_->GetTargetFormat(&format); }
int Od01Library::getComm() { return f_->GetComm(); }
int Od01Library::setComm(int on) { return f_->SetComm(on); }
int Od01Library::readValue(VariableRef& ref) {
  OD01_VariableRef v = nativeVar(ref);
  return f_->ReadValue(&v);
}
int Od01Library::getSysTime(std::array<std::uint8_t, 4>& t) { return f_->GetSysTime(t.data()); }

// ---- message converter ----

Mc01Converter::~Mc01Converter() { unbind(); }

bool Mc01Converter::bind(const std::string& path) {
  unbind();
  lib_ = plat::lib::load(path);
  if (!lib_) return false;
  auto ver = plat::lib::symbolAs<MC01_GetDLLVersion_t>(lib_, "MC01_GetDLLVersion");
  binToString_ = plat::lib::symbolAs<MC01_ConvertBinToString_t>(lib_, "MC01_ConvertBinToString");
  stringToBin_ = plat::lib::symbolAs<MC01_ConvertStringToBin_t>(lib_, "MC01_ConvertStringToBin");
  deleteBuf_ = plat::lib::symbolAs<MC01_DeleteMStrBuf_t>(lib_, "MC01_DeleteMStrBuf");
  binToLong_ = plat::lib::symbolAs<MC01_BinToLong_t>(lib_, "MC01_BinToLong");
  binToWord_ = plat::lib::symbolAs<MC01_BinToWord_t>(lib_, "MC01_BinToWord");
  binToText_ = plat::lib::symbolAs<MC01_BinToString_t>(lib_, "MC01_BinToString");
  if (!ver || ver() < 1.0 || !binToString_ || !stringToBin_ || !deleteBuf_ || !binToLong_ || !binToWord_ ||
      !binToText_) {
    unbind();
    return false;
  }
  return true;
}

void Mc01Converter::unbind() {
  if (lib_) plat::lib::unload(lib_);
  lib_ = nullptr;
  binToString_ = nullptr;
  stringToBin_ = nullptr;
  deleteBuf_ = nullptr;
  binToLong_ = nullptr;
  binToWord_ = nullptr;
  binToText_ = nullptr;
}

bool Mc01Converter::binToString(const VariableRef& ref, std::string& text) {
  if (!lib_) return false;
  MC01_VariableRef v{};
  v.area = ref.area.c_str();
  v.index = ref.index;
  v.element = ref.element;
  v.address = ref.address;
  v.size = static_cast<std::uint32_t>(ref.value.size());
  v.buffer = const_cast<unsigned char*>(ref.value.data());
  MC01_MStrBuf out{};
  int r = binToString_(&v, &out);
  text = (r && out.text) ? std::string(out.text) : std::string();
  deleteBuf_(&out);
  return r && !text.empty();
}

bool Mc01Converter::stringToBin(VariableRef& ref, const std::string& text) {
  if (!lib_) return false;
  MC01_VariableRef v{};
  v.area = ref.area.c_str();
  v.index = ref.index;
  v.element = ref.element;
  v.address = ref.address;
  v.size = static_cast<std::uint32_t>(ref.value.size());
  v.buffer = ref.value.data();
  return stringToBin_(&v, text.c_str()) != 0;
}

bool Mc01Converter::binToLong(const std::uint8_t* b, int n, std::uint32_t& v) {
  return lib_ && binToLong_(b, n, &v) != 0;
}
bool Mc01Converter::binToWord(const std::uint8_t* b, int n, std::uint16_t& v) {
  return lib_ && binToWord_(b, n, &v) != 0;
}
std::string Mc01Converter::binToText(const std::uint8_t* b, std::size_t n, std::size_t size) {
  if (!lib_ || size == 0) return {};
  std::vector<char> text(size, 0);
  if (!binToText_(b, static_cast<int>(n), text.data(), static_cast<int>(size))) return {};
  text.back() = 0;
  return text.data();
}

} // namespace onl32ns
