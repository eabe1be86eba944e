#pragma once
// An in-process named server for the client tests: answers the busy test with
// 0, "MODE" queries with its mode, and records every command, answering each
// keyword with a result the test chooses (default 1).
#include "platform/endpoint.h"
#include "srvclient/protocol.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct FakeServer {
  std::mutex mu;
  std::string mode = "STOP";
  std::map<std::string, long long> results;   // keyword -> result
  std::vector<std::string> commands;          // "KEY=value" as received
  std::vector<std::string> queries;
  std::function<void(const std::string&)> onCommand;  // runs before the answer
  std::unique_ptr<plat::ipc::Endpoint> ep;

  FakeServer(const std::string& title) {
    ep = plat::ipc::Endpoint::create(plat::ipc::endpointName(srv::kServerClass, title),
                                     [this](const plat::ipc::Message& m) { return handle(m); });
  }
  ~FakeServer() {
    if (ep) ep->close();
  }
  std::uint32_t id() const { return ep ? ep->id() : 0; }
  std::vector<std::string> cmds() {
    std::lock_guard<std::mutex> lk(mu);
    return commands;
  }
  void result(const std::string& kw, long long r) {
    std::lock_guard<std::mutex> lk(mu);
    results[kw] = r;
  }
  plat::ipc::Answer handle(const plat::ipc::Message& m) {
    plat::ipc::Answer a;
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard<std::mutex> lk(mu);
      if (m.msg == srv::WM_SRV_BUSY) return a;
      if (m.msg == srv::WM_SRV_QUERY) {
        queries.push_back(m.text);
        if (m.text == "MODE" && !mode.empty()) {
          a.result = 1;
          a.text = mode;
        }
        return a;
      }
      if (m.msg != srv::WM_SRV_SET) return a;
      commands.push_back(m.text);
      std::string kw = m.text.substr(0, m.text.find('='));
      auto it = results.find(kw);
      a.result = it == results.end() ? 1 : it->second;
      if (kw == "MODE" && a.result) mode = m.text.substr(5);
      hook = onCommand;
    }
    if (hook) hook(m.text);
    return a;
  }
};
