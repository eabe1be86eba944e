#include "srvclient/client.h"

#include "platform/endpoint.h"

#include <chrono>
#include <thread>

namespace srv {

std::string serverEndpoint(const std::string& windowClass, const std::string& serverName) {
  return plat::ipc::endpointName(windowClass, serverName);
}

std::optional<bool> Client::isBusy() const {
  if (endpoint_.empty()) return std::nullopt;
  plat::ipc::Message m;
  m.msg = WM_SRV_BUSY;
  m.lParam = clientId_;
  auto a = plat::ipc::send(endpoint_, m, timeouts_.busyProbeMs);
  if (!a) return std::nullopt;
  return a->result != 0;
}

Status Client::waitWhileBusy() const {
  if (endpoint_.empty()) return Status::NoServer;
  using clock = std::chrono::steady_clock;
  const auto end = clock::now() + std::chrono::milliseconds(timeouts_.busyTotalMs);
  for (;;) {
    auto busy = isBusy();
    if (busy && !*busy) return Status::Ok;
    // No answer to the busy test: a server that is gone is reported at once; a
    // live one that is inside a long operation keeps us waiting (bounded).
    if (!busy && !plat::ipc::exists(endpoint_)) return Status::NoServer;
    if (clock::now() >= end) return Status::Busy;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::optional<std::string> Client::query(const std::string& keyword, Status* status) const {
  Status st = waitWhileBusy();
  std::optional<std::string> result;
  if (st == Status::Ok) {
    if (keyword.size() > kMaxAtomText) {
      st = Status::TooLong;
    } else {
      plat::ipc::Message m;
      m.msg = WM_SRV_QUERY;
      m.lParam = clientId_;
      m.text = keyword;
      auto a = plat::ipc::send(endpoint_, m, timeouts_.requestMs);
      if (!a) {
        st = plat::ipc::exists(endpoint_) ? Status::NoAnswer : Status::NoServer;
      } else if (a->result == 0 || a->text.empty() || a->text[0] == '?') {
        // No answer atom, or the server has no value: no answer.
        st = Status::NoAnswer;
      } else {
        result = a->text;
      }
    }
  }
  if (status) *status = st;
  return result;
}

std::int64_t Client::command(const std::string& keyword, const std::string& value,
                             std::string* answerText, Status* status) const {
  if (answerText) answerText->clear();
  Status st = waitWhileBusy();
  std::int64_t result = 0;
  if (st == Status::Ok) {
    std::string text = keyword + "=" + value;
    if (text.size() > kMaxAtomText) {
      st = Status::TooLong;
    } else {
      plat::ipc::Message m;
      m.msg = WM_SRV_SET;
      m.lParam = clientId_;
      m.text = std::move(text);
      auto a = plat::ipc::send(endpoint_, m, timeouts_.requestMs);
      if (!a) {
        st = plat::ipc::exists(endpoint_) ? Status::NoAnswer : Status::NoServer;
      } else {
        result = a->result;
        if (answerText) *answerText = a->text;
      }
    }
  }
  if (status) *status = st;
  return result;
}

} // namespace srv
