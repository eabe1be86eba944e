#include "onl32ns/name_claim.h"

#include "platform/endpoint.h"

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace onl32ns {

bool NameClaim::tryClaim(const std::string& endpoint) {
  release();
  const std::string sock = plat::ipc::socketPath(endpoint);
  if (sock.empty()) return false;
  const std::string path = sock + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void NameClaim::release() {
  // The lock file stays: removing it could let a third start lock a file
  // that a waiting one is about to open anew.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

StartRole claimServerName(const std::string& endpoint, NameClaim& claim, int waitMs) {
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (plat::ipc::exists(endpoint)) {
      claim.release();
      return StartRole::HandOver;
    }
    if (claim.tryClaim(endpoint)) {
      // A server that created its endpoint between the test and the lock.
      if (plat::ipc::exists(endpoint)) {
        claim.release();
        return StartRole::HandOver;
      }
      return StartRole::Serve;
    }
    if (clock::now() >= deadline) return StartRole::Failed;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

} // namespace onl32ns
