// Instance numbers and the messages between instances, over the platform's
// named endpoints.
#include "zerloapp/instances.h"

#include <algorithm>
#include <optional>
#include <strings.h>

namespace zapp {

std::string instanceEndpointName(int n) {
  return plat::ipc::endpointName(kFrameClass, std::to_string(n));
}

std::unique_ptr<plat::ipc::Endpoint> app_AssignInstanceNumber(int& number, plat::ipc::Endpoint::Handler handler) {
  number = 0;
  for (int n = 1; n <= kMaxInstances; ++n) {
    if (auto ep = plat::ipc::Endpoint::create(instanceEndpointName(n), handler)) {
      number = n;
      return ep;
    }
  }
  return nullptr;
}

std::vector<int> otherInstances(int self) {
  std::vector<int> out;
  const std::string prefix = std::string(kFrameClass) + "|";
  for (const auto& [id, name] : plat::ipc::liveEndpoints()) {
    (void)id;
    if (name.size() <= prefix.size() || strncasecmp(name.c_str(), prefix.c_str(), prefix.size()) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    if (rest.empty() || rest.size() > 2 || !std::all_of(rest.begin(), rest.end(), ::isdigit)) continue;
    const int n = std::stoi(rest);
    if (n >= 1 && n <= kMaxInstances && n != self) out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

namespace {
std::optional<plat::ipc::Answer> query(int n, std::int64_t w, int timeoutMs = 2000) {
  plat::ipc::Message m;
  m.msg = kInstanceQuery;
  m.wParam = w;
  return plat::ipc::send(instanceEndpointName(n), m, timeoutMs);
}
} // namespace

void inst_BroadcastToInstances(int self, std::uint32_t msg, std::int64_t w, std::int64_t l) {
  for (int n : otherInstances(self)) {
    auto a = query(n, 0);
    if (!a || a->result < 1 || a->result > kMaxInstances) continue;
    plat::ipc::Message m;
    m.msg = msg;
    m.wParam = w;
    m.lParam = l;
    plat::ipc::post(instanceEndpointName(n), m);
  }
}

bool inst_FindFileInOtherInstance(int self, const std::string& path) {
  for (int n : otherInstances(self)) {
    auto a = query(n, 1);
    if (!a || a->result == 0 || a->text.empty()) continue;
    if (strcasecmp(a->text.c_str(), path.c_str()) == 0) return true;
  }
  return false;
}

} // namespace zapp

#include <mutex>

namespace zapp {
namespace {
std::mutex g_pathMutex;
std::string g_path;
} // namespace
void inst_SetProjectPath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_pathMutex);
  g_path = path;
}
std::string inst_ProjectPath() {
  std::lock_guard<std::mutex> lock(g_pathMutex);
  return g_path;
}
} // namespace zapp
