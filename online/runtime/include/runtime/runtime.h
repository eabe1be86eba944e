#pragma once
// The runtime: loads the software PLC, clocks it with a periodic timer, carries
// its service channel, runs the diagnosis library on a thread of its own and
// offers the PLC its three back-calls. One runtime per process (the exports of
// ZerloRuntime.so and the function table reach the current one).
#include "runtime/plc_kernel_api.h"
#include "runtime/runtime_function_table.h"
#include "runtime/service_channel.h"
#include "platform/timer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zrt {

// The diagnosis library's entries; module is what D10_Init receives.
struct DiagApi {
  void* module = nullptr;
  InterfaceError_Fn InterfaceError = nullptr;
  InfoLookOut_Fn InfoLookOut = nullptr;
  InitZRLRTFunc_Fn InitZRLRTFunc = nullptr;
  CallTrmd001Dlg_Fn CallTrmd001Dlg = nullptr;
};

// What the runtime needs of its surroundings; the export layer fills it with
// the real loaders, tests with fakes.
struct RuntimeEnv {
  // Directory of the runtime's own file: INTERFACE.INI and TESK31 lie there.
  std::string dir;
  // Loads and binds the kernel; false leaves it unbound.
  std::function<bool(PlcKernelApi&)> loadKernel;
  std::function<void()> unloadKernel;
  // Loads the diagnosis library (entries that are missing stay null).
  std::function<bool(DiagApi&)> loadDiag;
  std::function<void()> unloadDiag;
  // Server actions: post WM_CLOSE to a window id (true when delivered) and
  // send the client notification to one client window id.
  std::function<bool(std::uint32_t)> postClose;
  std::function<void(std::uint32_t)> notifyClient;
  std::shared_ptr<plat::time::Clock> clock;   // null: the system clock
  bool realtime = true;                       // ask for SCHED_FIFO
  // Longest wait of a channel operation for the kernel (then busy / nothing).
  std::chrono::milliseconds channelWait{2000};
  // Longest wait for the diagnosis library's entries to be bound.
  std::chrono::milliseconds diagBindWait{60000};
};

class Runtime {
public:
  explicit Runtime(RuntimeEnv env);
  ~Runtime();
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  // The runtime the exports and the function table reach (null when none).
  static Runtime* current();
  static void setCurrent(Runtime* r);

  // Service channel.
  std::uint8_t* openServiceChannel(const char* configPath, std::uint32_t* size);
  int closeServiceChannel();
  int writeServiceChannel(std::uint8_t* request, std::uint32_t nMinus1);
  int readServiceChannel(std::uint16_t* answerLength);
  void readServiceReady();
  void settingsServerInfo(std::uint32_t* serverWindow, ZrlClientNode** clientList);

  // Back-calls of the PLC.
  int changeMMTCond(int kind);
  int initControlDialog();
  int settingsServerAction(int kind);

  // The table handed to the diagnosis library.
  static const RuntimeFunctionTable& functionTable();

  // Cycle time setting (CYCLETIME of [SETTINGS] in INTERFACE.INI beside the
  // runtime, default "10") and the timer period derived from it.
  std::string readCycleTimeText() const;
  static unsigned periodMsOf(const std::string& cycleTimeText);

  // State for tests and the benchmark.
  bool timerRunning() const;
  unsigned periodMs() const { return periodMs_.load(); }
  plat::time::TimerStats timerStats() const;
  std::uint64_t ticksRun() const { return ticksRun_.load(); }
  std::uint64_t ticksDropped() const { return ticksDropped_.load(); }
  bool diagThreadCreated() const;
  bool diagDialogRunning() const { return diagRunning_.load(); }
  const PlcKernelApi& kernel() const { return kernel_; }

private:
  bool startTimer(unsigned periodMs);
  void stopTimer();
  void tick();
  void diagThreadMain();
  void stopDiagnosis();

  // Function table trampolines.
  static int ftRead(const char* area, int index, void* buffer, int size);
  static int ftWrite(const char* area, int index, const void* value);
  static void ftSetMode(int mode);
  static int ftGetMode();
  static int ftAction(int kind);

  RuntimeEnv env_;
  PlcKernelApi kernel_{};
  bool kernelBound_ = false;
  std::string configPath_;

  // Channel of the kernel.
  std::uint8_t* buffer_ = nullptr;
  std::uint32_t bufferSize_ = 0;
  std::uint32_t* answerWord_ = nullptr;
  std::int32_t* requestWord_ = nullptr;

  // The kernel mutex: held by a tick around the kernel's timer and run steps
  // and by the channel operations, so that a request is handled between two
  // runs, at a block boundary, and never waits without limit.
  std::timed_mutex kernelMu_;

  // Cycle timer.
  std::mutex timerMu_;
  std::unique_ptr<plat::time::PeriodicTimer> timer_;
  std::atomic<unsigned> periodMs_{0};
  std::atomic<bool> inTick_{false};
  std::atomic<std::uint64_t> ticksRun_{0};
  std::atomic<std::uint64_t> ticksDropped_{0};
  plat::time::TimerStats lastStats_{};

  // Diagnosis.
  mutable std::mutex diagMu_;
  std::condition_variable diagCv_;
  DiagApi diag_{};
  bool diagBound_ = false;       // the thread has bound the library (or gave up)
  std::thread diagThread_;
  bool diagCreated_ = false;
  std::atomic<bool> diagRunning_{false};

  // Server information.
  std::uint32_t* serverWindow_ = nullptr;
  ZrlClientNode** clientList_ = nullptr;
};

} // namespace zrt
