#pragma once
// The online server library's core: binds the online driver (service channel)
// and the device description reader, runs one operation at a time on its
// operation thread, and polls watched values on its polling thread.
//
// Locks, taken in this order when more than one is needed: the reader mutex,
// the channel mutex, the watch-list mutex.
#include "onl32/od01.h"
#include "onl32/watch_list.h"
#include "runtime/service_channel.h"
#include "ddfreader/ddf01.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace onl32 {

// Loads libraries and finds their operations (plat::lib in the library; a
// table of fakes in tests).
class ModuleLoader {
public:
  virtual ~ModuleLoader();
  virtual void* load(const std::string& path) = 0;     // null when not loaded
  virtual void* symbol(void* module, const char* name) = 0;
  virtual void unload(void* module) = 0;
  virtual std::string lastError() { return {}; }
};
std::shared_ptr<ModuleLoader> platformLoader();

struct ChannelApi {
  OpenServiceChannel_Fn open = nullptr;
  CloseServiceChannel_Fn close = nullptr;
  InstallHardware_Fn installHardware = nullptr;
  ReadServiceChannel_Fn read = nullptr;
  ReadServiceReady_Fn readReady = nullptr;
  WriteServiceChannel_Fn write = nullptr;
  SettingsServerInfo_Fn serverInfo = nullptr;   // optional
};

struct DdfApi {
  DDF01_GetDLLVersion_t GetDLLVersion = nullptr;
  DDF01_Open_t Open = nullptr;
  DDF01_Close_t Close = nullptr;
  DDF01_GetFileVersion_t GetFileVersion = nullptr;
  DDF01_GetTargetFormat_t GetTargetFormat = nullptr;
  DDF01_GetDevice_t GetDevice = nullptr;
  DDF01_GetProzessorTyp_t GetProzessorTyp = nullptr;
  DDF01_GetProgInfo_t GetProgInfo = nullptr;
  DDF01_GetMinCycleTime_t GetMinCycleTime = nullptr;
  DDF01_GetMemoryElementNumber_t GetMemoryElementNumber = nullptr;
  DDF01_GetVarSizeAndAddress_t GetVarSizeAndAddress = nullptr;
  DDF01_ConvertDLBlockStartAddressToBin_t ConvertDLBlockStartAddressToBin = nullptr;
  DDF01_BuildResourceRequest_t BuildResourceRequest = nullptr;
};

// Waits and retries; the defaults are the system's, tests shorten them.
struct Timing {
  int exchangeTries = 1000;                              // per send and per receive
  std::chrono::milliseconds retryInterval{100};
  std::chrono::milliseconds operationStep{200};          // mutex waits of operations
  std::chrono::milliseconds pollPeriod{50};
  std::chrono::milliseconds stateInterval{200};          // state polls after a download
  std::chrono::milliseconds readerWait{300};
  std::chrono::milliseconds listWait{1000};
};

// Message numbers of the library's string table.
enum MessageId : int {
  kMsgLoading = 101, kMsgOk = 102, kMsgSearching = 103, kMsgResources = 105,
  kMsgDriverNotFound = 300, kMsgDriverFunction = 301, kMsgDriverInit = 302, kMsgTimeOut = 303,
  kMsgCommError = 304, kMsgCreateFile = 306, kMsgWriteFile = 307, kMsgReadFile = 308,
  kMsgFileNotFound = 309, kMsgDllNotFound = 310, kMsgDllFunction = 311, kMsgLoadDdf = 312,
  kMsgDllVersion = 313, kMsgDllInit = 314, kMsgOtherDescription = 315,
};
std::string messageText(int id, const std::string& arg = {});

class OnlineServer {
public:
  explicit OnlineServer(std::shared_ptr<ModuleLoader> loader = platformLoader(), Timing timing = {});
  ~OnlineServer();
  OnlineServer(const OnlineServer&) = delete;
  OnlineServer& operator=(const OnlineServer&) = delete;

  // Messages the library composes (discarded unless a hook is set).
  void setMessageHook(std::function<void(int id, const std::string& text)> hook);

  int initOnline(const OnlineInitRecord* rec);
  void deInitOnline();
  int setDrvOptions();

  // Threaded operations.
  int loadDDF(const char* path, int kind);
  int setResourceAndLoadDDF(const char* res, const char* ddf, int kind);
  int getMode(std::uint8_t* mode, int kind);
  int setMode(std::uint8_t mode, int kind);
  int getError(std::uint8_t* err, int kind);
  int setError(std::uint8_t err, int kind);
  int getRealTimeErrorWord(std::uint8_t* word2, int kind);
  int getKernelVersion(char* text, std::int32_t size, int kind);
  int getParaMode(std::uint8_t* flag, int kind);
  int savePara(int kind);
  int getProgInfo(OD01_ProgInfo* info, int kind);
  int loadDLF(OD01_DownloadRecord* rec, int kind);
  int getMemory(OD01_MemoryRecord* rec, int kind);
  int setMemory(OD01_MemoryRecord* rec, int kind);
  int getCommandResponse(OD01_TextRecord* rec, int kind);
  int ftpWriteFile(OD01_TextRecord* rec, int kind);
  int ftpReadFile(OD01_TextRecord* rec, int kind);

  // Immediate operations.
  int getDevice(char* buf, std::int32_t size);
  int getProcessor(char* buf, std::int32_t size);
  int getMemoryElementNumber(const char* area, std::uint32_t* count);
  int getSizeAndAddressOfVarValue(OD01_VariableRef* ref);
  int getMinCycleTime(std::uint32_t* ms);
  int getTargetFormat(std::uint8_t* format);
  int getComm() const { return pollingOn_.load() ? 1 : 0; }
  int setComm(int on);
  int readValue(OD01_VariableRef* ref);
  int getSysTime(std::uint8_t* time4);

  // State for tests.
  bool initialised() const { return initialised_; }
  std::uint32_t usableSize() const { return usable_.load(); }
  std::uint32_t fullSize() const { return fullSize_; }
  bool busy() const { return busy_.load(); }
  bool pollingThreadAlive() const { return pollAlive_.load(); }
  std::uint64_t pollCount() const { return polls_.load(); }
  std::size_t watchCount();

private:
  friend class Exchange;
  enum class Locks { Channel, ReaderAndChannel };
  using Work = std::function<bool()>;

  int callOperation(int kind, Work work);
  void runOperation(Work work);
  void msg(int id, const std::string& arg = {});
  void progress(int percent);

  // Mutex waits of operations: in steps, ending when cancel is seen.
  bool lockStepwise(std::timed_mutex& m);
  bool cancelled() const { return cancel_.load(); }

  // Exchanges (the channel mutex held): request of len bytes built in buf_.
  bool send(std::size_t len, const std::function<bool()>& abort);
  bool receive(std::uint16_t& n, const std::function<bool()>& abort);
  bool exchange(std::size_t len, std::uint16_t& n, const std::function<bool()>& abort);
  bool opSend(std::size_t len);
  bool opExchange(std::size_t len, std::uint16_t& n);
  bool stateRequest(std::uint8_t& mode, std::uint8_t& err);
  bool convertAddress(std::uint32_t address, std::uint8_t* out);

  // Work routines.
  bool workIdent(const std::string& path);
  bool workResources(const std::string& res, const std::string& ddf);
  bool replaceDescription(const std::string& path, std::uint16_t n);
  bool workDownload(OD01_DownloadRecord* rec);
  // Fetches the target's description as IDENT does and compares it with the
  // one the download's addresses are converted with (the open description
  // that this library fetched); true when they are the same or when there is
  // nothing to compare with.
  bool descriptionIsTargets();
  bool workProgInfo(OD01_ProgInfo* info);
  bool workGetMemory(OD01_MemoryRecord* rec);
  bool workSetMemory(OD01_MemoryRecord* rec);
  bool workCommand(OD01_TextRecord* rec);
  bool workFtpWrite(OD01_TextRecord* rec);

  // Polling.
  void pollThreadMain();
  void pollOnce();
  void switchPolling(bool on);

  std::shared_ptr<ModuleLoader> loader_;
  Timing timing_;
  std::function<void(int, const std::string&)> msgHook_;

  bool initialised_ = false;
  // Copy of the start record with owned texts.
  OnlineInitRecord rec_{};
  std::string driverPath_, configPath_, readerPath_;

  // Operation state.
  // The operation thread: it waits, asleep, for the next operation, so that
  // starting one wakes it instead of creating a thread (a new thread waits
  // longest for the processor on a busy machine).
  std::mutex opMu_;
  std::condition_variable opCv_;
  std::thread opThread_;
  Work nextWork_;
  bool opThreadStop_ = false;
  void operationThread();
  std::atomic<bool> busy_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<int> lastResult_{0};

  // Channel.
  void* driver_ = nullptr;
  ChannelApi chan_{};
  bool channelOpen_ = false;
  std::uint8_t* buf_ = nullptr;
  std::uint32_t fullSize_ = 0;
  std::atomic<std::uint32_t> usable_{0};
  std::timed_mutex channelMu_;

  // Description reader.
  void* reader_ = nullptr;
  DdfApi ddf_{};
  std::atomic<bool> ddfOpen_{false};
  // The bytes of the description file last fetched and opened (IDENT,
  // RESOURCES); guarded by the reader and channel mutexes.
  std::string openDescription_;
  std::timed_mutex readerMu_;

  // Watch list and polling.
  std::timed_mutex listMu_;
  WatchList list_;
  std::uint8_t sysTime_[4] = {};
  std::thread pollThread_;
  std::mutex pollMu_;
  std::condition_variable pollCv_;
  std::atomic<bool> pollAlive_{false};
  std::atomic<bool> pollingOn_{false};
  std::atomic<bool> stopPolling_{false};
  std::atomic<std::uint64_t> polls_{0};
};

} // namespace onl32
