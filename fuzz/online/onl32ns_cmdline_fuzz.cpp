// The named server's command line as any start may give it: tokens (one a
// line, up to a zero byte) through the parser, the endpoint and its socket
// file named after the server name, and the driver key looked up in the
// section of that name of a configuration file (the bytes after the zero).
// A server name never puts its socket outside the runtime folder.
#include "onl32ns/cmdline.h"
#include "platform/endpoint.h"
#include "platform/profile.h"
#include "srvclient/client.h"
#include "srvclient/protocol.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string ini = "/tmp/zerlo-fuzz-onl32ns-" + std::to_string(::getpid()) + ".ini";
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t zero = input.find('\0');
  const std::string line = input.substr(0, zero);
  std::vector<std::string> args;
  for (std::size_t at = 0; at <= line.size();) {
    const std::size_t end = std::min(line.find('\n', at), line.size());
    args.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  const auto cl = onl32ns::parseCommandLine(args, "/opt/zerlo/bin");
  if (!cl) return 0;
  const std::string endpoint = srv::serverEndpoint(srv::kServerClass, cl->name);
  const std::string dir = plat::ipc::runtimeDir();
  const std::string sock = plat::ipc::socketPath(endpoint);
  if (!dir.empty() && !sock.empty()) {
    if (sock.compare(0, dir.size() + 1, dir + "/") != 0) std::abort();
    const std::string file = sock.substr(dir.size() + 1);
    if (file.find('/') != std::string::npos || file.empty() || file[0] == '.') std::abort();
  }
  if (zero != std::string::npos) {
    if (std::FILE* f = std::fopen(ini.c_str(), "wb")) {
      std::fwrite(data + zero + 1, 1, size - zero - 1, f);
      std::fclose(f);
    }
    (void)plat::profile::getString(ini, cl->name, "driver", "");
  }
  return 0;
}
