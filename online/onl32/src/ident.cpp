// IDENT and RESOURCES: the target's device description is fetched over the
// channel into a file, which then becomes the open description.
#include "onl32/online_server.h"
#include "internal.h"

#include "platform/paths.h"

#include <cstring>

namespace onl32 {

namespace {
constexpr std::uint32_t kOldKernelUsable = 900;
constexpr int kVersionWithUsableSize = 300;

// Holds the reader mutex and then the channel mutex, releasing both at the end.
struct TwoLocks {
  std::timed_mutex* reader = nullptr;
  std::timed_mutex* channel = nullptr;
  ~TwoLocks() {
    if (channel) channel->unlock();
    if (reader) reader->unlock();
  }
};
} // namespace

// Writes the answer of n bytes in buf_ as the description file and opens it.
bool OnlineServer::replaceDescription(const std::string& path, std::uint16_t n) {
  std::string err;
  std::string data(reinterpret_cast<const char*>(buf_), n);
  if (!plat::path::writeFileAtomic(path, data, &err)) {
    msg(kMsgCreateFile, path);
    return false;
  }
  if (cancelled()) return false;
  if (ddfOpen_) ddf_.Close();
  ddfOpen_ = false;
  openDescription_.clear();
  if (ddf_.Open(path.c_str()) != 1) {
    msg(kMsgLoadDdf, path);
    return false;
  }
  ddfOpen_ = true;
  openDescription_ = std::move(data);
  return true;
}

bool OnlineServer::descriptionIsTargets() {
  if (!ddfOpen_ || openDescription_.empty()) return true;
  buf_[0] = 2;
  std::uint16_t n = 0;
  if (!opExchange(1, n) || n < 3 || buf_[0] != 2) return false;
  if (buf_[1] * 100 + buf_[2] >= kVersionWithUsableSize) {
    buf_[0] = 33;
    if (!opExchange(1, n)) return false;
  }
  return openDescription_.size() == n && std::memcmp(openDescription_.data(), buf_, n) == 0;
}

bool OnlineServer::workIdent(const std::string& path) {
  msg(kMsgSearching);
  TwoLocks locks;
  if (!lockStepwise(readerMu_)) return false;
  locks.reader = &readerMu_;
  if (!lockStepwise(channelMu_)) return false;
  locks.channel = &channelMu_;
  if (!channelOpen_) return false;
  bool wasPolling = pollingOn_.load();
  if (wasPolling) switchPolling(false);

  bool ok = false;
  do {
    usable_ = fullSize_;
    buf_[0] = 2;
    std::uint16_t n = 0;
    if (!opExchange(1, n)) break;
    if (n < 3 || buf_[0] != 2) break;            // not a description: nothing written
    int version = buf_[1] * 100 + buf_[2];
    if (version < kVersionWithUsableSize) {
      usable_ = std::min(usable_.load(), kOldKernelUsable);
      ok = replaceDescription(path, n);
      break;
    }
    // The target announces the usable size itself: never more than the
    // buffer holds.
    if (n < 21) break;
    std::uint32_t announced = static_cast<std::uint32_t>(buf_[17]) | (static_cast<std::uint32_t>(buf_[18]) << 8) |
                              (static_cast<std::uint32_t>(buf_[19]) << 16) |
                              (static_cast<std::uint32_t>(buf_[20]) << 24);
    usable_ = std::min(usable_.load(), announced);
    if (cancelled()) break;
    buf_[0] = 33;
    if (!opExchange(1, n)) break;
    ok = replaceDescription(path, n);
  } while (false);

  if (ok && wasPolling) switchPolling(true);
  return ok && !cancelled();
}

bool OnlineServer::workResources(const std::string& res, const std::string& ddf) {
  {
    std::unique_lock<std::timed_mutex> lk(readerMu_, std::defer_lock);
    if (!lockStepwise(readerMu_)) return false;
    lk = std::unique_lock<std::timed_mutex>(readerMu_, std::adopt_lock);
    std::uint16_t version = 0;
    if (!ddfOpen_ || ddf_.GetFileVersion(&version) == 0) version = 0;
    if (version < 300) return false;             // no exchange
  }
  msg(kMsgResources);
  TwoLocks locks;
  if (!lockStepwise(readerMu_)) return false;
  locks.reader = &readerMu_;
  if (!lockStepwise(channelMu_)) return false;
  locks.channel = &channelMu_;
  if (!channelOpen_) return false;
  bool wasPolling = pollingOn_.load();
  if (wasPolling) switchPolling(false);

  bool ok = false;
  do {
    std::uint32_t usable = usable_.load();
    if (usable < 2) break;
    buf_[0] = 32;
    std::int32_t len = ddf_.BuildResourceRequest(buf_ + 1, static_cast<std::int32_t>(usable - 1), res.c_str());
    if (len <= 0 || static_cast<std::uint32_t>(len) > usable - 1) break;
    std::uint16_t n = 0;
    if (!opExchange(1 + static_cast<std::size_t>(len), n)) break;
    ok = replaceDescription(ddf, n);
  } while (false);

  if (ok && wasPolling) switchPolling(true);
  return ok && !cancelled();
}

} // namespace onl32
