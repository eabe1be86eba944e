// The runtime core: software PLC binding, cycle timer, back-calls and the
// diagnosis thread. The channel operations are in runtime_channel.cpp.
#include "runtime/runtime.h"

#include "platform/profile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zrt {

namespace {
std::atomic<Runtime*> g_current{nullptr};
thread_local bool t_inTick = false;

constexpr unsigned kFallbackPeriodMs = 2;   // when CYCLETIME / 5 is 0
constexpr unsigned kOtherPeriodMs = 5;      // ChangeMMTCond with a kind other than 1
} // namespace

Runtime::Runtime(RuntimeEnv env) : env_(std::move(env)) {
  if (!env_.clock) env_.clock = plat::time::systemClock();
}

Runtime::~Runtime() {
  closeServiceChannel();
  Runtime* self = this;
  g_current.compare_exchange_strong(self, nullptr);
}

Runtime* Runtime::current() { return g_current.load(); }
void Runtime::setCurrent(Runtime* r) { g_current.store(r); }

// ---- settings ---------------------------------------------------------------

std::string Runtime::readCycleTimeText() const {
  std::string file = env_.dir.empty() ? std::string("INTERFACE.INI") : env_.dir + "/INTERFACE.INI";
  std::string v = plat::profile::getString(file, "SETTINGS", "CYCLETIME", "10");
  if (v.size() > 50) v.resize(50);
  return v;
}

unsigned Runtime::periodMsOf(const std::string& text) {
  // Decimal digits at the start (after blanks), as the system reads numbers.
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  unsigned long v = 0;
  bool any = false;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    any = true;
    v = v * 10 + static_cast<unsigned long>(text[i] - '0');
    if (v > 10000000UL) { v = 10000000UL; }
  }
  unsigned p = any ? static_cast<unsigned>(v / 5) : 0;
  return p == 0 ? kFallbackPeriodMs : p;
}

// ---- cycle timer -------------------------------------------------------------

bool Runtime::startTimer(unsigned periodMs) {
  std::lock_guard<std::mutex> lk(timerMu_);
  if (timer_ && timer_->running()) return false;     // refused when it runs already
  if (!kernelBound_) return false;
  timer_ = std::make_unique<plat::time::PeriodicTimer>();
  periodMs_ = periodMs;
  bool ok = timer_->start(std::chrono::milliseconds(periodMs), [this] { tick(); }, env_.clock, env_.realtime);
  if (!ok) timer_.reset();
  return ok;
}

void Runtime::stopTimer() {
  std::lock_guard<std::mutex> lk(timerMu_);
  if (!timer_) return;
  if (t_inTick) return;            // never join the timer thread from itself
  timer_->stop();
  lastStats_ = timer_->stats();
  timer_.reset();
}

bool Runtime::timerRunning() const {
  auto* self = const_cast<Runtime*>(this);
  std::lock_guard<std::mutex> lk(self->timerMu_);
  return timer_ && timer_->running();
}

plat::time::TimerStats Runtime::timerStats() const {
  auto* self = const_cast<Runtime*>(this);
  std::lock_guard<std::mutex> lk(self->timerMu_);
  return timer_ ? timer_->stats() : lastStats_;
}

void Runtime::tick() {
  // A tick that arrives while the previous one still runs is dropped.
  if (inTick_.exchange(true)) { ++ticksDropped_; return; }
  t_inTick = true;
  // The kernel mutex is held by a channel operation only briefly; wait for at
  // most half a period so that stopping the timer from that operation (a mode
  // change that restarts the timer) never waits on this tick.
  auto wait = std::chrono::microseconds(std::max(100u, periodMs_.load() * 500u));
  std::unique_lock<std::timed_mutex> lk(kernelMu_, std::defer_lock);
  if (lk.try_lock_for(wait)) {
    kernel_.DSPS_Timer();
    kernel_.DSPS_Run();
    ++ticksRun_;
  } else {
    ++ticksDropped_;
  }
  t_inTick = false;
  inTick_ = false;
}

// ---- back-calls --------------------------------------------------------------

int Runtime::changeMMTCond(int kind) {
  if (t_inTick) return 1;          // cannot restart the timer from its own tick
  unsigned p = kind == 1 ? periodMsOf(readCycleTimeText()) : kOtherPeriodMs;
  {
    // A running timer takes the new period in place: the mode change (inside
    // a request of the service channel, twice for every program start) never
    // waits for the timer's sleeping thread to wake up and end, nor for a new
    // thread.
    std::lock_guard<std::mutex> lk(timerMu_);
    if (timer_ && timer_->running()) {
      timer_->setPeriod(std::chrono::milliseconds(p));
      periodMs_ = p;
      return 1;
    }
  }
  stopTimer();
  startTimer(p);
  return 1;
}

int Runtime::settingsServerAction(int kind) {
  if (kind == 1) {
    if (!serverWindow_ || *serverWindow_ == 0 || !env_.postClose) return 0;
    return env_.postClose(*serverWindow_) ? 1 : 0;
  }
  if (kind == 2) {
    if (clientList_ && env_.notifyClient) {
      // Once each, in list order; a list that loops back is walked once.
      int guard = 0;
      for (ZrlClientNode* n = *clientList_; n && guard < 100000; n = n->next, ++guard)
        env_.notifyClient(n->id);
    }
    return 0;
  }
  return 0;
}

void Runtime::settingsServerInfo(std::uint32_t* serverWindow, ZrlClientNode** clientList) {
  serverWindow_ = serverWindow;
  clientList_ = clientList;
}

// ---- diagnosis ---------------------------------------------------------------

bool Runtime::diagThreadCreated() const {
  std::lock_guard<std::mutex> lk(diagMu_);
  return diagCreated_;
}

int Runtime::initControlDialog() {
  std::unique_lock<std::mutex> lk(diagMu_);
  if (diagCreated_) return 1;
  try {
    diagRunning_ = true;
    diagThread_ = std::thread([this] { diagThreadMain(); });
  } catch (...) {
    diagRunning_ = false;
    return 0;
  }
  diagCreated_ = true;
  // Wait until the thread has bound the library's entries.
  diagCv_.wait_for(lk, env_.diagBindWait, [this] { return diagBound_; });
  DiagApi d = diag_;
  lk.unlock();
  if (d.InterfaceError && kernelBound_) {
    D10InitRecord rec{d.module, d.InterfaceError, d.InfoLookOut};
    kernel_.D10_Init(&rec);
  }
  return 1;
}

void Runtime::diagThreadMain() {
  DiagApi d{};
  bool loaded = env_.loadDiag && env_.loadDiag(d);
  // The library gets the function table before anyone is told it is bound.
  if (loaded && d.InitZRLRTFunc) d.InitZRLRTFunc(&functionTable());
  {
    std::lock_guard<std::mutex> lk(diagMu_);
    if (loaded) diag_ = d;
    diagBound_ = true;
  }
  diagCv_.notify_all();
  int result = 0;
  if (loaded) {
    if (d.CallTrmd001Dlg)
      result = d.CallTrmd001Dlg(0);
    else
      result = (d.InterfaceError && d.InfoLookOut) ? 1 : 0;
  }
  diagRunning_ = false;
  diagCv_.notify_all();
  if (result == 100) settingsServerAction(1);
}

void Runtime::stopDiagnosis() {
  std::unique_lock<std::mutex> lk(diagMu_);
  if (!diagCreated_) return;
  if (diagRunning_ && diag_.CallTrmd001Dlg) {
    auto ask = diag_.CallTrmd001Dlg;
    lk.unlock();
    ask(1);
    lk.lock();
    // Up to 11 x 100 ms for the window to end.
    diagCv_.wait_for(lk, std::chrono::milliseconds(1100), [this] { return !diagRunning_.load(); });
  }
  std::thread t = std::move(diagThread_);
  lk.unlock();
  // The library's code runs on that thread: it must end before the library is
  // unloaded, so the thread is joined (never abandoned).
  if (t.joinable()) t.join();
  lk.lock();
  diagCreated_ = false;
  diagBound_ = false;
  diag_ = DiagApi{};
}

// ---- function table ----------------------------------------------------------

const RuntimeFunctionTable& Runtime::functionTable() {
  static const RuntimeFunctionTable table{kRuntimeFunctionTableSize, &Runtime::ftRead, &Runtime::ftWrite,
                                          &Runtime::ftSetMode, &Runtime::ftGetMode, &Runtime::ftAction};
  return table;
}

int Runtime::ftRead(const char* area, int index, void* buffer, int size) {
  Runtime* r = current();
  if (!r || !r->kernelBound_ || !area || !buffer || index < 0 || index > 0xFFFF || size < 0 || size > 0xFFFF) return 0;
  return r->kernel_.KX1_GetDPValue(area, static_cast<std::uint16_t>(index), buffer, static_cast<std::uint16_t>(size));
}

int Runtime::ftWrite(const char* area, int index, const void* value) {
  Runtime* r = current();
  if (!r || !r->kernelBound_ || !area || !value || index < 0 || index > 0xFFFF) return 0;
  return r->kernel_.KX1_SetDPValue(area, static_cast<std::uint16_t>(index), value);
}

void Runtime::ftSetMode(int mode) {
  Runtime* r = current();
  if (!r || !r->kernelBound_) return;
  // A mode change is a kernel step like a request: between two runs.
  std::unique_lock<std::timed_mutex> lk(r->kernelMu_, std::defer_lock);
  if (!lk.try_lock_for(r->env_.channelWait)) return;
  r->kernel_.D10_SetDSPMode(mode);
}

int Runtime::ftGetMode() {
  Runtime* r = current();
  if (!r || !r->kernelBound_) return 0;
  return r->kernel_.D10_GetDSPMode();
}

int Runtime::ftAction(int kind) {
  Runtime* r = current();
  return r ? r->settingsServerAction(kind) : 0;
}

} // namespace zrt
