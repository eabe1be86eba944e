#pragma once
// The client side of the server command protocol: finds the server's endpoint,
// waits while the server is busy (bounded: a server that stays busy or dies is
// reported, never waited for forever), sends queries and commands, and offers
// the typed getters and setters the main program and the target dialogs use.
#include "srvclient/protocol.h"
#include <cstdint>
#include <optional>
#include <string>

namespace srv {

struct ClientTimeouts {
  int busyProbeMs = 2000;      // one busy test
  int busyTotalMs = 60000;     // the whole busy wait before giving up
  int requestMs = 300000;      // one query or command (a download may take long)
};

enum class Status { Ok, NoServer, NoAnswer, TooLong, Busy };

class Client {
public:
  Client() = default;
  // The endpoint name of the server ("" = no server: everything fails).
  explicit Client(std::string endpoint, std::uint32_t clientId = 0)
      : endpoint_(std::move(endpoint)), clientId_(clientId) {}

  void setServer(std::string endpoint) { endpoint_ = std::move(endpoint); }
  const std::string& server() const { return endpoint_; }
  bool hasServer() const { return !endpoint_.empty(); }
  void setClientId(std::uint32_t id) { clientId_ = id; }
  std::uint32_t clientId() const { return clientId_; }
  void setTimeouts(const ClientTimeouts& t) { timeouts_ = t; }

  // The busy test; nullopt when the server does not answer.
  std::optional<bool> isBusy() const;
  // Waits while the server is busy: Ok, NoServer (dead or missing) or Busy
  // (still busy after busyTotalMs).
  Status waitWhileBusy() const;

  // A query: the answer text, or nullopt when there is no answer (no server,
  // no answer, a dead server, or an answer beginning with "?"). status tells why.
  std::optional<std::string> query(const std::string& keyword, Status* status = nullptr) const;
  // A command "keyword=value": the server's result, 0 when nothing could be
  // sent or no answer came. answerText receives a text answer (FTP>).
  std::int64_t command(const std::string& keyword, const std::string& value,
                       std::string* answerText = nullptr, Status* status = nullptr) const;

private:
  std::string endpoint_;
  std::uint32_t clientId_ = 0;
  ClientTimeouts timeouts_;
};

// The endpoint name of a server window (class and title).
std::string serverEndpoint(const std::string& windowClass, const std::string& serverName);

} // namespace srv
