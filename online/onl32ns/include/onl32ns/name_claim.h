#pragma once
// One server per name, also when two start at the same instant: a server
// claims its name by an exclusive lock on a file beside its endpoint's socket
// before it initialises anything, and holds it for its life. A second start
// that finds the name claimed waits (bounded) for the claimer's endpoint and
// hands over to it.
#include <string>

namespace onl32ns {

class NameClaim {
public:
  NameClaim() = default;
  NameClaim(const NameClaim&) = delete;
  NameClaim& operator=(const NameClaim&) = delete;
  ~NameClaim() { release(); }
  bool held() const { return fd_ >= 0; }
  // Tries to take the lock of the endpoint name without waiting.
  bool tryClaim(const std::string& endpoint);
  void release();

private:
  int fd_ = -1;
};

enum class StartRole {
  Serve,     // the name is claimed: initialise and create the endpoint
  HandOver,  // a live server of the name answers: hand over to it
  Failed,    // claimed by another start whose endpoint did not appear in time
};

// Decides how a server of the endpoint name starts; waits at most waitMs for
// another starting server's endpoint.
StartRole claimServerName(const std::string& endpoint, NameClaim& claim, int waitMs);

} // namespace onl32ns
