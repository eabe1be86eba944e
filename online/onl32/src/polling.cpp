// The watch list and the polling thread: watched values are fetched with
// requests 13 every poll period while polling is on.
#include "onl32/online_server.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace onl32 {

std::size_t OnlineServer::watchCount() {
  std::lock_guard<std::timed_mutex> lk(listMu_);
  return list_.size();
}

int OnlineServer::setComm(int on) {
  if (on != 0 && on != 1) return 0;
  switchPolling(on == 1);
  return 1;
}

void OnlineServer::switchPolling(bool on) {
  if (on) {
    pollingOn_ = true;
    return;
  }
  bool was = pollingOn_.exchange(false);
  if (was) {
    // A poll that runs sees polling off and ends its exchange soon.
    std::lock_guard<std::timed_mutex> lk(listMu_);
    list_.clear();
  }
}

int OnlineServer::readValue(OD01_VariableRef* ref) {
  if (!pollingOn_ || !ref) return 0;
  if (ref->size > 255) return 0;                 // entries hold at most 255 bytes
  std::unique_lock<std::timed_mutex> lk(listMu_, std::defer_lock);
  if (!lk.try_lock_for(timing_.listWait)) return 0;
  bool found = list_.findOrInsert(ref->address, static_cast<std::uint8_t>(ref->size), ref->value);
  return found ? 1 : 0;
}

int OnlineServer::getSysTime(std::uint8_t* time4) {
  if (!pollingOn_ || !time4) return 0;
  std::unique_lock<std::timed_mutex> lk(listMu_, std::defer_lock);
  if (!lk.try_lock_for(timing_.listWait)) return 0;
  std::memcpy(time4, sysTime_, 4);
  return 1;
}

void OnlineServer::pollThreadMain() {
  using clock = std::chrono::steady_clock;
  const auto period = timing_.pollPeriod;
  // Below normal priority: polling must not hold up the server (a refusal
  // leaves the thread at normal priority).
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 5);
  while (!stopPolling_) {
    auto t0 = clock::now();
    if (pollingOn_ && channelOpen_) {
      std::unique_lock<std::timed_mutex> lk(channelMu_, std::defer_lock);
      if (lk.try_lock_for(period)) pollOnce();
    }
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - t0);
    auto rest = period - spent % period;
    std::unique_lock<std::mutex> lk(pollMu_);
    pollCv_.wait_for(lk, rest, [this] { return stopPolling_.load(); });
  }
  pollAlive_ = false;
}

void OnlineServer::pollOnce() {
  std::unique_lock<std::timed_mutex> lk(listMu_, std::defer_lock);
  if (!lk.try_lock_for(timing_.pollPeriod)) return;
  const std::size_t usable = usable_.load();
  if (usable <= 270) return;
  auto abort = [this] { return stopPolling_.load() || !pollingOn_.load(); };

  std::vector<WatchEntry*> batch;
  std::size_t reqLen = 1, sum = 0;
  auto flush = [&]() -> bool {
    buf_[0] = 13;
    std::uint16_t n = 0;
    if (!exchange(reqLen, n, abort)) return false;
    if (n >= 4 + sum) {
      std::memcpy(sysTime_, buf_, 4);
      std::size_t at = 4;
      for (WatchEntry* e : batch) {
        std::memcpy(e->value.data(), buf_ + at, e->size);
        e->fetched = true;
        at += e->size;
      }
    }
    return true;
  };
  auto put = [&](WatchEntry* e) {
    std::uint8_t* p = buf_ + reqLen;
    p[0] = static_cast<std::uint8_t>(e->address);
    p[1] = static_cast<std::uint8_t>(e->address >> 8);
    p[2] = static_cast<std::uint8_t>(e->address >> 16);
    p[3] = static_cast<std::uint8_t>(e->address >> 24);
    p[4] = e->size;
    reqLen += 5;
    sum += e->size;
    batch.push_back(e);
  };

  bool ok = true;
  for (auto& page : list_.pages()) {
    for (auto& e : page) {
      if (!ok || abort()) return;
      if (e.size == 0) continue;
      // The target places its answer one byte behind the request, so the
      // request, that byte and the answer (time counter, values, one more
      // byte) must all lie within the usable size.
      std::size_t need = (reqLen + 5) + 1 + (4 + sum + e.size + 1);
      if (need >= usable && !batch.empty()) {
        ok = flush();
        batch.clear();
        reqLen = 1;
        sum = 0;
        if (!ok) return;
      }
      put(&e);
    }
  }
  if (abort()) return;
  // The last request; an empty list still fetches the time counter.
  flush();
  ++polls_;
}

} // namespace onl32
