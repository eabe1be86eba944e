#include "srvclient/launch.h"

#include "platform/endpoint.h"
#include "platform/paths.h"
#include "srvclient/client.h"
#include "srvclient/protocol.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

extern char** environ;

namespace srv {

namespace {

// The Linux program for a Windows program name: the exact file, else the same
// name without ".EXE", each looked up ignoring case.
std::string resolveProgram(const std::string& path) {
  std::string p = plat::path::resolveExisting(path);
  if (!p.empty()) return p;
  std::string ext = upperAscii(plat::path::extension(path));
  if (ext == "EXE") return plat::path::resolveExisting(plat::path::withExtension(path, ""));
  return {};
}

} // namespace

std::string find(const std::string& windowClass, const std::string& serverName) {
  std::string ep = serverEndpoint(windowClass, serverName);
  return plat::ipc::exists(ep) ? ep : std::string();
}

std::string findOrStart(const std::string& programPath, const std::string& serverName,
                        const std::string& configPath, const StartOptions& opt) {
  std::string cls = serverClassFromPath(programPath);
  if (cls.empty() || serverName.empty()) return {};
  std::string ep = serverEndpoint(cls, serverName);
  if (plat::ipc::exists(ep)) return ep;
  if (configPath.empty()) return {};
  std::string program = resolveProgram(programPath);
  if (program.empty()) return {};

  std::string a0 = program, a1 = "/n" + serverName, a2 = "/c" + configPath;
  std::vector<char*> argv{a0.data(), a1.data(), a2.data(), nullptr};
  // The server outlives its starter: it is not waited for here. A child that
  // ends is reaped by the system once the starter exits; SIGCHLD is left as is.
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return {};
  for (int i = 0; i < opt.polls; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(opt.pollMs));
    if (plat::ipc::exists(ep)) return ep;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return {};  // it ended without an endpoint
  }
  return {};
}

void shutdown(const std::string& endpoint) {
  if (endpoint.empty() || !plat::ipc::exists(endpoint)) return;
  Client c(endpoint);
  c.command("CLOSE", "");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (plat::ipc::exists(endpoint)) {
    plat::ipc::Message m;
    m.msg = WM_CLOSE;
    plat::ipc::post(endpoint, m);
  }
}

} // namespace srv
