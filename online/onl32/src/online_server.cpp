// Start and end of the online server library, the operation thread, the
// immediate operations and the exchanges over the service channel.
#include "onl32/online_server.h"
#include "internal.h"

#include "platform/library.h"

#include <cstdio>
#include <cstring>

namespace onl32 {

ModuleLoader::~ModuleLoader() = default;

namespace {
class PlatLoader : public ModuleLoader {
public:
  void* load(const std::string& path) override { return plat::lib::load(path); }
  void* symbol(void* m, const char* name) override { return plat::lib::symbol(m, name); }
  void unload(void* m) override { plat::lib::unload(m); }
  std::string lastError() override { return plat::lib::lastError(); }
};
} // namespace

std::shared_ptr<ModuleLoader> platformLoader() { return std::make_shared<PlatLoader>(); }

std::string messageText(int id, const std::string& arg) {
  const char* t = "";
  switch (id) {
  case kMsgLoading: t = "Loading %s ..."; break;
  case kMsgOk: t = "OK"; break;
  case kMsgSearching: t = "Searching Target System ..."; break;
  case kMsgResources: t = "Request resource and loading device description ..."; break;
  case kMsgDriverNotFound: t = "Fatal Error !   Communication Driver %s not found."; break;
  case kMsgDriverFunction: t = "Fatal Error !   Communication Driver Function %s not found."; break;
  case kMsgDriverInit: t = "Fatal Error !   Can't initialize Communication Driver."; break;
  case kMsgTimeOut: t = "Communication Time Out !"; break;
  case kMsgCommError: t = "Communication Error !"; break;
  case kMsgCreateFile: t = "Error !   File %s can't be created."; break;
  case kMsgWriteFile: t = "Error !   Can't write file %s."; break;
  case kMsgReadFile: t = "Error !   Can't read file %s."; break;
  case kMsgFileNotFound: t = "Error !   File %s can't be found."; break;
  case kMsgDllNotFound: t = "Fatal Error !   Dynamic Link Library %s not found."; break;
  case kMsgDllFunction: t = "Fatal Error !   DLL Function %s not found."; break;
  case kMsgLoadDdf: t = "Error !   Can't load Device Description File %s."; break;
  case kMsgDllVersion: t = "Fatal Error !   Dynamic Link Library %s has incorrekt version."; break;
  case kMsgOtherDescription:
    t = "Error !   %s was translated for another device description than the target's. "
        "Fetch the target's description and translate again.";
    break;
  case kMsgDllInit: t = "Fatal Error !   Can't initialize Dynamic Link Library %s."; break;
  default: break;
  }
  std::string s(t);
  auto at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

OnlineServer::OnlineServer(std::shared_ptr<ModuleLoader> loader, Timing timing)
    : loader_(std::move(loader)), timing_(timing) {}

OnlineServer::~OnlineServer() { deInitOnline(); }

void OnlineServer::setMessageHook(std::function<void(int, const std::string&)> hook) { msgHook_ = std::move(hook); }

void OnlineServer::msg(int id, const std::string& arg) {
  // The library's message output discards the texts; a hook may see them.
  if (msgHook_) msgHook_(id, messageText(id, arg));
}

void OnlineServer::progress(int percent) {
  if (rec_.progress) rec_.progress(percent);
}

// ---- start and end -----------------------------------------------------------

int OnlineServer::initOnline(const OnlineInitRecord* rec) {
  if (initialised_) deInitOnline();
  busy_ = false;
  cancel_ = false;
  lastResult_ = 0;
  pollingOn_ = false;
  stopPolling_ = false;
  if (!rec || rec->size != OD01_INIT_RECORD_SIZE) return 0;
  rec_ = *rec;
  driverPath_ = rec->driverPath ? rec->driverPath : "";
  configPath_ = rec->configPath ? rec->configPath : "";
  readerPath_ = rec->ddfReaderPath ? rec->ddfReaderPath : "";
  rec_.driverPath = driverPath_.c_str();
  rec_.configPath = configPath_.c_str();
  rec_.ddfReaderPath = readerPath_.c_str();
  initialised_ = true;

  auto fail = [this] {
    deInitOnline();
    return 0;
  };

  // The channel.
  driver_ = driverPath_.empty() ? nullptr : loader_->load(driverPath_);
  if (!driver_) {
    msg(kMsgDriverNotFound, driverPath_);
    return fail();
  }
  auto find = [this](void* m, const char* name, auto& slot) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(loader_->symbol(m, name));
    return slot != nullptr;
  };
  if (!find(driver_, "OpenServiceChannel", chan_.open)) {
    msg(kMsgDriverFunction, "OpenServiceChannel");
    return fail();
  }
  std::uint32_t size = 0;
  buf_ = chan_.open(configPath_.c_str(), &size, 2);
  if (!buf_ || size == 0) {
    buf_ = nullptr;
    msg(kMsgDriverInit);
    return fail();
  }
  channelOpen_ = true;
  fullSize_ = size;
  usable_ = size;
  const char* names[] = {"CloseServiceChannel", "InstallHardware", "ReadServiceChannel", "ReadServiceReady",
                         "WriteServiceChannel"};
  bool ok = find(driver_, names[0], chan_.close);
  ok = ok && (find(driver_, names[1], chan_.installHardware) || (msg(kMsgDriverFunction, names[1]), false));
  ok = ok && (find(driver_, names[2], chan_.read) || (msg(kMsgDriverFunction, names[2]), false));
  ok = ok && (find(driver_, names[3], chan_.readReady) || (msg(kMsgDriverFunction, names[3]), false));
  ok = ok && (find(driver_, names[4], chan_.write) || (msg(kMsgDriverFunction, names[4]), false));
  if (!chan_.close) msg(kMsgDriverFunction, names[0]);
  if (!ok) return fail();
  if (find(driver_, "SettingsServerInfo", chan_.serverInfo))
    chan_.serverInfo(rec_.serverWindow, rec_.clientList);

  // The description reader.
  reader_ = readerPath_.empty() ? nullptr : loader_->load(readerPath_);
  if (!reader_) {
    msg(kMsgDllNotFound, readerPath_);
    return fail();
  }
  if (!find(reader_, "DDF01_GetDLLVersion", ddf_.GetDLLVersion) || ddf_.GetDLLVersion() < 2.0) {
    msg(kMsgDllVersion, readerPath_);
    return fail();
  }
  struct Slot { const char* name; void** slot; };
  Slot slots[] = {
      {"DDF01_Open", reinterpret_cast<void**>(&ddf_.Open)},
      {"DDF01_Close", reinterpret_cast<void**>(&ddf_.Close)},
      {"DDF01_GetFileVersion", reinterpret_cast<void**>(&ddf_.GetFileVersion)},
      {"DDF01_GetTargetFormat", reinterpret_cast<void**>(&ddf_.GetTargetFormat)},
      {"DDF01_GetDevice", reinterpret_cast<void**>(&ddf_.GetDevice)},
      {"DDF01_GetProzessorTyp", reinterpret_cast<void**>(&ddf_.GetProzessorTyp)},
      {"DDF01_GetProgInfo", reinterpret_cast<void**>(&ddf_.GetProgInfo)},
      {"DDF01_GetMinCycleTime", reinterpret_cast<void**>(&ddf_.GetMinCycleTime)},
      {"DDF01_GetMemoryElementNumber", reinterpret_cast<void**>(&ddf_.GetMemoryElementNumber)},
      {"DDF01_GetVarSizeAndAddress", reinterpret_cast<void**>(&ddf_.GetVarSizeAndAddress)},
      {"DDF01_ConvertDLBlockStartAddressToBin", reinterpret_cast<void**>(&ddf_.ConvertDLBlockStartAddressToBin)},
      {"DDF01_BuildResourceRequest", reinterpret_cast<void**>(&ddf_.BuildResourceRequest)},
  };
  for (auto& s : slots) {
    *s.slot = loader_->symbol(reader_, s.name);
    if (!*s.slot) {
      msg(kMsgDllFunction, s.name);
      return fail();
    }
  }

  // The polling thread.
  try {
    pollAlive_ = true;
    pollThread_ = std::thread([this] { pollThreadMain(); });
  } catch (...) {
    pollAlive_ = false;
    return fail();
  }
  return 1;
}

void OnlineServer::deInitOnline() {
  // An operation still running is asked to stop and ended first.
  cancel_ = true;
  {
    std::thread t;
    {
      std::lock_guard<std::mutex> lk(opMu_);
      opThreadStop_ = true;
      t = std::move(opThread_);
    }
    opCv_.notify_all();
    if (t.joinable()) t.join();
    std::lock_guard<std::mutex> lk(opMu_);
    opThreadStop_ = false;
    nextWork_ = nullptr;
  }
  busy_ = false;
  cancel_ = false;
  // The polling thread is stopped cooperatively and joined.
  {
    std::lock_guard<std::mutex> lk(pollMu_);
    stopPolling_ = true;
  }
  pollCv_.notify_all();
  if (pollThread_.joinable()) pollThread_.join();
  pollAlive_ = false;
  pollingOn_ = false;
  stopPolling_ = false;
  {
    std::lock_guard<std::timed_mutex> lk(listMu_);
    list_.clear();
    std::memset(sysTime_, 0, sizeof sysTime_);
  }
  if (channelOpen_ && chan_.close) chan_.close(2);
  channelOpen_ = false;
  buf_ = nullptr;
  fullSize_ = 0;
  usable_ = 0;
  if (driver_) loader_->unload(driver_);
  driver_ = nullptr;
  chan_ = ChannelApi{};
  if (ddfOpen_ && ddf_.Close) ddf_.Close();
  ddfOpen_ = false;
  openDescription_.clear();
  if (reader_) loader_->unload(reader_);
  reader_ = nullptr;
  ddf_ = DdfApi{};
  rec_ = OnlineInitRecord{};
  rec_.size = OD01_INIT_RECORD_SIZE;
  driverPath_.clear();
  configPath_.clear();
  readerPath_.clear();
  initialised_ = false;
}

int OnlineServer::setDrvOptions() {
  int waits = 0;
  while (busy_ && waits < 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ++waits;
  }
  if (!channelOpen_ || !chan_.installHardware) return 1;
  std::unique_lock<std::timed_mutex> lk(channelMu_, std::defer_lock);
  if (!lk.try_lock_for(std::chrono::milliseconds(500 - 50 * waits))) return 1;
  return chan_.installHardware(configPath_.c_str()) != 0 ? 0 : 1;
}

// ---- operation thread --------------------------------------------------------

int OnlineServer::callOperation(int kind, Work work) {
  std::lock_guard<std::mutex> lk(opMu_);
  switch (kind) {
  case OD01_KIND_START: {
    if (busy_) return OD01_FAILED;
    if (!initialised_) return OD01_FAILED;
    if (!opThread_.joinable()) {
      try {
        opThread_ = std::thread([this] { operationThread(); });
      } catch (...) {
        lastResult_ = OD01_FAILED;
        return OD01_FAILED;
      }
    }
    cancel_ = false;
    lastResult_ = OD01_RUNNING;
    busy_ = true;
    nextWork_ = std::move(work);
    opCv_.notify_one();
    return OD01_RUNNING;
  }
  case OD01_KIND_CANCEL:
    if (busy_) {
      cancel_ = true;
      return OD01_RUNNING;
    }
    return lastResult_;
  case OD01_KIND_QUERY:
    if (busy_) return OD01_RUNNING;
    cancel_ = false;
    return lastResult_;
  default:
    return OD01_FAILED;
  }
}

void OnlineServer::operationThread() {
  std::unique_lock<std::mutex> lk(opMu_);
  for (;;) {
    opCv_.wait(lk, [this] { return opThreadStop_ || nextWork_ != nullptr; });
    if (!nextWork_) return;   // asked to stop, nothing left to run
    Work w = std::move(nextWork_);
    nextWork_ = nullptr;
    lk.unlock();
    runOperation(w);
    lk.lock();
  }
}

void OnlineServer::runOperation(Work work) {
  bool ok = false;
  try {
    ok = work();
  } catch (...) {
    ok = false;
  }
  lastResult_ = cancel_ ? OD01_CANCELLED : (ok ? OD01_DONE : OD01_FAILED);
  cancel_ = false;
  busy_ = false;
}

bool OnlineServer::lockStepwise(std::timed_mutex& m) {
  while (!m.try_lock_for(timing_.operationStep))
    if (cancelled()) return false;
  return true;
}

// ---- exchanges ---------------------------------------------------------------

bool OnlineServer::send(std::size_t len, const std::function<bool()>& abort) {
  if (!channelOpen_ || !buf_ || !chan_.write) return false;
  // A request longer than the usable size is not sent.
  if (len == 0 || len > usable_.load()) return false;
  for (int i = 0; i < timing_.exchangeTries; ++i) {
    int r = chan_.write(buf_, static_cast<std::uint32_t>(len - 1), 2);
    if (r == zrt::kDone) return true;
    if (r != zrt::kBusy) {
      msg(kMsgCommError);
      return false;
    }
    if (abort && abort()) return false;
    std::this_thread::sleep_for(timing_.retryInterval);
  }
  msg(kMsgTimeOut);
  return false;
}

bool OnlineServer::receive(std::uint16_t& n, const std::function<bool()>& abort) {
  if (!channelOpen_ || !buf_ || !chan_.read || !chan_.readReady) return false;
  for (int i = 0; i < timing_.exchangeTries; ++i) {
    std::uint16_t got = 0;
    int r = chan_.read(&got, 2);
    if (r == zrt::kDone) {
      chan_.readReady(2);
      // An answer cannot be longer than the buffer it lies in.
      if (got > fullSize_) {
        msg(kMsgCommError);
        return false;
      }
      n = got;
      return true;
    }
    if (r != zrt::kBusy && r != zrt::kNothing) {
      msg(kMsgCommError);
      return false;
    }
    if (abort && abort()) return false;
    std::this_thread::sleep_for(timing_.retryInterval);
  }
  msg(kMsgTimeOut);
  return false;
}

bool OnlineServer::exchange(std::size_t len, std::uint16_t& n, const std::function<bool()>& abort) {
  return send(len, abort) && receive(n, abort);
}

bool OnlineServer::opSend(std::size_t len) {
  return send(len, [this] { return cancelled(); });
}

bool OnlineServer::opExchange(std::size_t len, std::uint16_t& n) {
  return exchange(len, n, [this] { return cancelled(); });
}

bool OnlineServer::stateRequest(std::uint8_t& mode, std::uint8_t& err) {
  buf_[0] = 0;
  std::uint16_t n = 0;
  if (!opExchange(1, n) || n < 2) return false;
  mode = buf_[0];
  err = buf_[1];
  return true;
}

bool OnlineServer::convertAddress(std::uint32_t address, std::uint8_t* out) {
  if (!ddf_.ConvertDLBlockStartAddressToBin) return false;
  return ddf_.ConvertDLBlockStartAddressToBin(address, out, 4) != 0;
}

// ---- simple threaded operations ------------------------------------------------


int OnlineServer::getMode(std::uint8_t* mode, int kind) {
  return callOperation(kind, [this, mode] {
    ONL32_HOLD_CHANNEL();
    std::uint8_t m, e;
    if (!stateRequest(m, e)) return false;
    if (mode) *mode = m;
    return true;
  });
}

int OnlineServer::getError(std::uint8_t* err, int kind) {
  return callOperation(kind, [this, err] {
    ONL32_HOLD_CHANNEL();
    std::uint8_t m, e;
    if (!stateRequest(m, e)) return false;
    if (err) *err = e;
    return true;
  });
}

int OnlineServer::setMode(std::uint8_t mode, int kind) {
  return callOperation(kind, [this, mode] {
    ONL32_HOLD_CHANNEL();
    std::uint8_t m, e;
    if (!stateRequest(m, e)) return false;
    buf_[0] = 1;
    buf_[1] = mode;
    buf_[2] = e;
    return opSend(3);
  });
}

int OnlineServer::setError(std::uint8_t err, int kind) {
  return callOperation(kind, [this, err] {
    ONL32_HOLD_CHANNEL();
    std::uint8_t m, e;
    if (!stateRequest(m, e)) return false;
    buf_[0] = 1;
    buf_[1] = m;
    buf_[2] = err;
    return opSend(3);
  });
}

int OnlineServer::getRealTimeErrorWord(std::uint8_t* word2, int kind) {
  return callOperation(kind, [this, word2] {
    ONL32_HOLD_CHANNEL();
    buf_[0] = 7;
    std::uint16_t n = 0;
    if (!opExchange(1, n) || n < 2) return false;
    if (word2) std::memcpy(word2, buf_, 2);
    return true;
  });
}

int OnlineServer::getKernelVersion(char* text, std::int32_t size, int kind) {
  return callOperation(kind, [this, text, size] {
    ONL32_HOLD_CHANNEL();
    buf_[0] = 6;
    std::uint16_t n = 0;
    if (!opExchange(1, n)) return false;
    if (text && size > 0) {
      // The text ends at its zero byte or at the end of the answer, whichever
      // comes first, and is cut to the caller's buffer.
      std::size_t len = 0;
      while (len < n && buf_[len] != 0) ++len;
      std::size_t k = std::min<std::size_t>(len, static_cast<std::size_t>(size) - 1);
      std::memcpy(text, buf_, k);
      text[k] = 0;
    }
    return true;
  });
}

int OnlineServer::getParaMode(std::uint8_t* flag, int kind) {
  return callOperation(kind, [this, flag] {
    ONL32_HOLD_CHANNEL();
    buf_[0] = 16;
    std::uint16_t n = 0;
    if (!opExchange(1, n) || n < 1) return false;
    if (flag) *flag = buf_[0];
    return true;
  });
}

int OnlineServer::savePara(int kind) {
  return callOperation(kind, [this] {
    ONL32_HOLD_CHANNEL();
    buf_[0] = 17;
    return opSend(1);
  });
}

int OnlineServer::getProgInfo(OD01_ProgInfo* info, int kind) {
  return callOperation(kind, [this, info] { return workProgInfo(info); });
}
int OnlineServer::loadDLF(OD01_DownloadRecord* rec, int kind) {
  return callOperation(kind, [this, rec] { return workDownload(rec); });
}
int OnlineServer::getMemory(OD01_MemoryRecord* rec, int kind) {
  return callOperation(kind, [this, rec] { return workGetMemory(rec); });
}
int OnlineServer::setMemory(OD01_MemoryRecord* rec, int kind) {
  return callOperation(kind, [this, rec] { return workSetMemory(rec); });
}
int OnlineServer::getCommandResponse(OD01_TextRecord* rec, int kind) {
  return callOperation(kind, [this, rec] { return workCommand(rec); });
}
int OnlineServer::ftpWriteFile(OD01_TextRecord* rec, int kind) {
  return callOperation(kind, [this, rec] { return workFtpWrite(rec); });
}
int OnlineServer::ftpReadFile(OD01_TextRecord* /*rec*/, int kind) {
  // The read direction is not carried out: it fails without an exchange and
  // leaves the answer buffer as it is.
  return callOperation(kind, [] { return false; });
}
int OnlineServer::loadDDF(const char* path, int kind) {
  std::string p = path ? path : "";
  return callOperation(kind, [this, p] { return workIdent(p); });
}
int OnlineServer::setResourceAndLoadDDF(const char* res, const char* ddf, int kind) {
  std::string r = res ? res : "", d = ddf ? ddf : "";
  return callOperation(kind, [this, r, d] { return workResources(r, d); });
}

// ---- immediate operations ------------------------------------------------------

#define ONL32_READER_CALL(expr)                                        \
  std::unique_lock<std::timed_mutex> lk(readerMu_, std::defer_lock);   \
  if (!lk.try_lock_for(timing_.readerWait)) return 0;                  \
  if (!ddfOpen_) return 0;                                             \
  return (expr)

int OnlineServer::getDevice(char* buf, std::int32_t size) { ONL32_READER_CALL(ddf_.GetDevice(buf, size)); }
int OnlineServer::getProcessor(char* buf, std::int32_t size) {
  ONL32_READER_CALL(ddf_.GetProzessorTyp(buf, size));
}
int OnlineServer::getMemoryElementNumber(const char* area, std::uint32_t* count) {
  ONL32_READER_CALL(ddf_.GetMemoryElementNumber(area, count));
}
int OnlineServer::getMinCycleTime(std::uint32_t* ms) { ONL32_READER_CALL(ddf_.GetMinCycleTime(ms)); }
int OnlineServer::getTargetFormat(std::uint8_t* format) { ONL32_READER_CALL(ddf_.GetTargetFormat(format)); }

int OnlineServer::getSizeAndAddressOfVarValue(OD01_VariableRef* ref) {
  if (!ref) return 0;
  std::unique_lock<std::timed_mutex> lk(readerMu_, std::defer_lock);
  if (!lk.try_lock_for(timing_.readerWait)) return 0;
  if (!ddfOpen_) return 0;
  DdfVarQuery q{ref->area, ref->index, ref->element, 0, 0};
  int r = ddf_.GetVarSizeAndAddress(&q);
  ref->address = q.address;
  ref->size = q.size;
  return r;
}

} // namespace onl32
