#pragma once
// The software PLC kernel: program tables, scheduler, block handlers, data
// points and the request dispatcher of one PLC instance. The exported C
// operations drive one process-wide instance; tests create their own.
//
// Locking: one recursive kernel mutex guards the program tables, the arena,
// the scheduler state and the channel. The timer and run steps, the request
// dispatcher and the data points take it. Calls out of the kernel that may
// wait for another thread (the runtime's callbacks, the error and look-out
// callbacks) are made after the mutex is released.
#include "memory.h"
#include "plc/tesk31.h"
#include "protocol/requests.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plc {

inline constexpr int kOpcodeCount = 103;
inline constexpr int kTaskCount = 16;            // rows for tasks 0..15
inline constexpr std::size_t kChannelSize = protocol::kSoftChannelSize;
inline constexpr int kMaxAreas = 100;
inline constexpr int kMaxBlocks = 10;

struct AreaDecl {
  std::string name;          // at most 16 characters
  std::uint32_t number = 0;
  std::uint32_t size = 0;
  std::uint8_t option = 0;
  bool operator==(const AreaDecl&) const = default;
};

struct AreaBlock {
  Addr addr = 0;
  std::uint32_t bytes = 0;
};

struct Area {
  std::string name;
  std::uint16_t blockCount = 0;
  std::uint32_t number = 0;
  std::uint32_t size = 0;
  std::uint8_t option = 0;
  std::array<AreaBlock, kMaxBlocks> blocks{};
};

struct Pool {
  std::uint32_t offset = 0;  // arena offset of its first byte
  std::uint32_t size = 0;
  std::uint32_t fill = 0;
  bool allocated = false;
};

// The data areas the kernel itself looks at, by name.
enum class Named { DW, PW, DF, PF, DL, PL, PT, DT, M, E, A, B, Count };

// Interface settings as the settings library delivers them.
struct IfSettings {
  std::uint32_t port = 0, ifaceNum = 0, cycleTime = 0, flags = 0;
};
struct IfPort {
  std::string portName, driver;
  std::uint32_t maxIf = 0, flags = 0;
};

// Where the kernel takes its interface settings from (the settings library in
// the product, a fake in tests).
class SettingsSource {
public:
  virtual ~SettingsSource() = default;
  virtual bool getKXIFSettings(IfSettings& out) = 0;
  virtual bool getKXIFPort(int n, IfPort& out) = 0;
};

struct KxFunctions {
  KXOpenDevice_t open = nullptr;
  KXCloseDevice_t close = nullptr;
  KXSetData_t setData = nullptr;
  KXGetData_t getData = nullptr;
  KXSetup_t setup = nullptr;
};

// Loads the interface library by path and binds its five operations in order
// (the first missing one ends the binding; the ones found stay bound).
class KxLoader {
public:
  virtual ~KxLoader() = default;
  virtual bool load(const std::string& path, KxFunctions& out) = 0;
  virtual void unload() = 0;
};

// The runtime's operations; an empty function is skipped.
struct RuntimeHooks {
  std::function<int(int)> changeMMTCond;
  std::function<int(int)> settingsServerAction;
  std::function<int()> initControlDialog;
};

class Kernel;
class Decoded;
// One block being executed: operand access through the checked memory.
struct Exec {
  Kernel& k;
  Memory& m;
  Addr rec = 0;
  Addr next = 0;             // where the chain goes on (JPZ changes it)
  bool fault = false;

  std::uint32_t op(int i) {
    std::uint32_t v = 0;
    const std::uint8_t* p = m.ptr(rec + 8 + static_cast<Addr>(i) * 4, 4);
    if (!p) { fault = true; return 0; }
    std::memcpy(&v, p, 4);
    return v;
  }
  template <class T> T rd(Addr a) {
    T v{};
    const std::uint8_t* p = m.ptr(a, sizeof(T));
    if (!p) { fault = true; return v; }
    std::memcpy(&v, p, sizeof(T));
    return v;
  }
  template <class T> void wr(Addr a, T v) {
    std::uint8_t* p = m.ptr(a, sizeof(T));
    if (!p) { fault = true; return; }
    std::memcpy(p, &v, sizeof(T));
    m.noteWrite(a, sizeof(T));
  }
  // Value of the cell that operand i points to / writes the cell.
  template <class T> T in(int i) { return rd<T>(op(i)); }
  template <class T> void out(int i, T v) { wr<T>(op(i), v); }
  // A constant held in the record itself.
  std::int32_t cst(int i) { return static_cast<std::int32_t>(op(i)); }
  float cstF(int i) { std::uint32_t u = op(i); float f; std::memcpy(&f, &u, 4); return f; }
  bool bit(int i) { return in<std::uint8_t>(i) != 0; }
  void setBit(int i, bool on) { out<std::uint8_t>(i, on ? 255 : 0); }
  // Bytes a handler may write: a write into a translated record is noted.
  std::uint8_t* bytes(Addr a, std::size_t n) {
    std::uint8_t* p = m.ptr(a, n);
    if (!p) fault = true;
    else m.noteWrite(a, n);
    return p;
  }
};

using Handler = void (*)(Exec&);
struct OpcodeRow {
  const char* name;
  Handler handler;
};
const std::array<OpcodeRow, kOpcodeCount>& opcodeTable();
int opcodeRow(const char* name);   // -1 when unknown

class Kernel {
public:
  Kernel();
  ~Kernel();
  Kernel(const Kernel&) = delete;
  Kernel& operator=(const Kernel&) = delete;

  std::recursive_mutex mu;

  // --- seams --------------------------------------------------------------
  std::shared_ptr<SettingsSource> settings;  // null: no interface configured
  std::shared_ptr<KxLoader> kxLoader;        // null: the default loader by name
  RuntimeHooks hooks;                        // empty: looked up in the runtime
  bool hooksFromRuntime = true;              // look up missing hooks by name

  // --- exported behaviour ---------------------------------------------------
  int dspsInit(int n, const DspsInitRecord* rec);
  int dspsDeinit();
  void dspsTimer();
  void dspsRun();
  int d10Init(const D10InitRecord* rec);
  int setMode(int mode);
  std::uint8_t getMode();
  std::uint16_t activeTaskState();
  int getDP(const char* area, std::uint16_t index, void* dst, std::uint16_t count);
  int setDP(const char* area, std::uint16_t index, const void* value);
  void initSoftComm(std::uint8_t** buffer, std::uint32_t* size, std::uint32_t** answerWord,
                    std::int32_t** requestWord);
  void deinitSoftComm();
  std::uint16_t commMultiPlex();
  int readServiceChannel(std::uint16_t* len);
  void readServiceReady();
  int writeServiceChannel(const std::uint8_t* src, int n);

  // --- program tables (caller holds mu) -------------------------------------
  void clearProgramTables();
  // Loads declarations (count entries of 26 bytes at p); places the areas when
  // a re-placement is due. Returns the modes whose tails are due (reset).
  void loadDeclarations(const std::vector<AreaDecl>& decls, std::vector<int>& tails);
  static std::vector<AreaDecl> builtinDeclarations();
  static bool parseResourceRequest(const std::uint8_t* p, std::size_t n, std::vector<AreaDecl>& out);
  void clearAreas(bool all);   // all: load/open; else reset (kept areas stay)
  const Area* findArea(const std::string& name) const;
  const Area* named(Named n) const;
  Addr namedAddr(Named n) const { const Area* a = named(n); return a ? a->blocks[0].addr : 0; }
  std::size_t writeShortInfo(std::uint8_t* buf, std::size_t cap) const;
  std::size_t writeFullInfo(std::uint8_t* buf, std::size_t cap) const;
  Addr taskTableAddr() const { return kArenaBase + kTaskTableOffset; }
  Addr taskRowAddr(int task) const { return taskTableAddr() + 8 + 8 * static_cast<Addr>(task); }
  Addr progInfoAddr() const { return kArenaBase + kProgInfoOffset; }
  Addr progBase() const { return progBase_; }
  std::uint32_t memSizeWords() const { return memSizeWords_; }
  const std::vector<Area>& areas() const { return areas_; }
  // Is [a, a + n) inside the memory the kernel announced?
  bool announced(Addr a, std::size_t n) const;

  // --- scheduler state (caller holds mu) ------------------------------------
  void resetTasks();
  std::uint32_t taskCycle(int task) const;
  Addr taskFirst(int task) const;
  void setModeCore(int mode);                 // the kernel part of a mode change
  void modeTail(int mode);                    // the tail (no lock held)
  std::uint16_t tick() const { return tick_; }

  Memory mem;
  std::uint16_t activeWord = 0, runningWord = 0, overrunWord = 0;
  std::array<std::uint32_t, kTaskCount> countdown{};
  std::array<Addr, kTaskCount> resumePoint{};
  std::uint8_t stopByte = 0;
  std::uint32_t timeCounter = 0;
  float taskTimeBase = 0.0f;
  std::atomic<std::uint8_t> mode{4};
  std::uint8_t errorByte = 64;
  std::uint8_t clearedFlag = 0;               // Inif's kernel flag
  std::uint32_t randomState = 1;              // EVF's pseudo-random numbers
  // The last tone a TON block asked for (this system sounds no speaker).
  std::int32_t toneHz = 0, toneMs = 0;
  std::uint32_t toneCount = 0;
  std::array<std::uint32_t, kKxImageWords> outImage{}, inImage{};
  bool outputStepRan = false, toggle = false;
  // Blocks one run step executes before the task is preempted (resumed at the
  // next run): keeps a chain without END from holding the timer thread.
  std::size_t blockBudget = 200000;
  // The run step goes through the pre-decoded program (made again whenever a
  // write touches a translated record); false: every block is read and
  // checked on the record itself.
  bool predecode = true;
  static constexpr std::size_t kMaxDecodedBlocks = 1u << 20;
  // Runs the block at rec alone on the path predecode selects; next gets
  // where the chain goes on. False on a bad access.
  bool runOneBlock(Addr rec, Addr& next);
  // Does the block at rec run through a fast handler on the pre-decoded path?
  bool lastBlockFast(Addr rec);

  // --- channel ---------------------------------------------------------------
  std::array<std::uint8_t, kChannelSize> buf{};
  std::int32_t requestWord = 0;
  std::uint32_t answerWord = 0;
  bool channelOpen = false;
  bool answerPending = false;
  std::size_t answerStart = 0, answerLen = 0;
  std::uint8_t paramChanged = 0;
  // Directory that request 35 writes into ("" = the directory of the
  // configuration path, else the current directory).
  std::string fileDir;
  void dispatch(std::size_t len, std::vector<int>& tails);

  // --- interface ---------------------------------------------------------------
  std::atomic<int> ifState{0};
  bool ifActive = false;
  bool wasRunning = false;
  // Set on the thread that runs the mode tails of a request taken from the
  // service channel (and of the re-open it starts).
  static thread_local bool tChannelTail;
  KxFunctions kx;
  IfSettings ifSettings;
  IfPort ifPort;
  std::string configPath;
  D10InitRecord callbacks{nullptr, nullptr, nullptr};
  void reopenInterface();
  void closeInterfaceLocked();
  int hookChangeMMTCond(int k);
  int hookSettingsServerAction(int k);
  int hookInitControlDialog();

private:
  void runHighestTask();
  const Decoded& translation();
  // Runs from pos on the translation; true on a bad access. Returns false
  // with stopByte 0 when the chain leaves it (pos: where to go on checked).
  bool runTranslated(Addr& pos, std::size_t& budget);
  std::unique_ptr<Decoded> decoded_;
  bool decodedStale_ = false;
  void inputImage(std::vector<int>& errs);
  void outputImage();
  void endTaskCycle(int task);
  bool placeAreas();
  bool allocPools(const std::vector<AreaDecl>& d);
  bool place(Pool& pool, std::uint64_t bytes, Addr& at);
  void setNamedPointers();

  std::vector<AreaDecl> decls_;
  bool declsLoaded_ = false;
  std::vector<Area> areas_;
  Pool pool1_, pool2_;
  Addr progBase_ = kArenaBase + kStaticProgOffset;
  std::uint32_t memSizeWords_ = 0;
  std::array<int, static_cast<int>(Named::Count)> named_{};
  std::uint16_t tick_ = 2;
  std::unique_ptr<KxLoader> defaultLoader_;
};

// The process-wide kernel behind the exported operations.
Kernel& globalKernel();

} // namespace plc
