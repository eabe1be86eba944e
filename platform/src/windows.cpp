// The registry of this process's windows and the routing of window messages.
#include "platform/windows.h"
#include "platform/endpoint.h"

#include <map>
#include <mutex>

namespace plat::win {

WindowTarget::~WindowTarget() = default;

namespace {
struct Registry {
  std::mutex mu;
  std::map<handles::Id, std::shared_ptr<WindowTarget>> windows, attached;
};
Registry& reg() {
  static Registry* r = new Registry;  // outlives static destructors of the libraries
  return *r;
}
} // namespace

handles::Id registerWindow(std::shared_ptr<WindowTarget> t) {
  if (!t) return 0;
  handles::Id id = handles::allocate(t.get(), kWindowHandleKind);
  if (id == 0) return 0;
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  r.windows[id] = std::move(t);
  return id;
}

void unregisterWindow(handles::Id id) {
  std::shared_ptr<WindowTarget> gone;  // destroyed outside the lock
  {
    Registry& r = reg();
    std::lock_guard<std::mutex> lk(r.mu);
    auto it = r.windows.find(id);
    if (it == r.windows.end()) return;
    gone = std::move(it->second);
    r.windows.erase(it);
  }
  handles::release(id);
}

bool attachToEndpoint(handles::Id endpointId, std::shared_ptr<WindowTarget> t) {
  if (endpointId == 0 || !t) return false;
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  r.attached[endpointId] = std::move(t);
  return true;
}

void detachFromEndpoint(handles::Id endpointId) {
  std::shared_ptr<WindowTarget> gone;
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  auto it = r.attached.find(endpointId);
  if (it == r.attached.end()) return;
  gone = std::move(it->second);
  r.attached.erase(it);
}

std::shared_ptr<WindowTarget> target(handles::Id id) {
  Registry& r = reg();
  std::lock_guard<std::mutex> lk(r.mu);
  auto it = r.windows.find(id);
  if (it != r.windows.end()) return it->second;
  it = r.attached.find(id);
  if (it != r.attached.end()) return it->second;
  return nullptr;
}

bool postMessage(handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l) {
  if (id == 0) return false;
  if (auto t = target(id)) return t->post(msg, w, l);
  std::string name = ipc::nameOfId(id);
  if (name.empty()) return false;
  ipc::Message m;
  m.msg = msg;
  m.wParam = w;
  m.lParam = l;
  return ipc::post(name, m);
}

std::optional<std::int64_t> sendMessage(handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l,
                                        int timeoutMs) {
  if (id == 0) return std::nullopt;
  if (auto t = target(id)) return t->send(msg, w, l);
  std::string name = ipc::nameOfId(id);
  if (name.empty()) return std::nullopt;
  ipc::Message m;
  m.msg = msg;
  m.wParam = w;
  m.lParam = l;
  auto a = ipc::send(name, m, timeoutMs);
  if (!a) return std::nullopt;
  return a->result;
}

} // namespace plat::win
