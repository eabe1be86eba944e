// An endpoint's whole serving path from its socket: any bytes a local process
// may write (one input, one connection) are read, decoded and handed to a
// handler that answers as the main program's instance endpoint does (query 0:
// the instance number, query 1: the project path, anything else: a frame
// message). After each input the endpoint still answers a query in time.
#include "platform/endpoint.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::uint32_t kInstanceQuery = 0x400 + 43;

plat::ipc::Answer onMessage(const plat::ipc::Message& m) {
  plat::ipc::Answer a;
  if (m.msg == kInstanceQuery && m.wParam == 0) a.result = 3;
  else if (m.msg == kInstanceQuery && m.wParam == 1) {
    a.text = "/home/user/PROJECT/SAMPLE.MDL";
    a.result = 1;
  } else {
    a.result = std::int64_t(m.msg) ^ m.wParam ^ m.lParam ^ std::int64_t(m.text.size());
  }
  return a;
}

const std::string& endpointName() {
  static const std::string name = plat::ipc::endpointName("Obel-L", "fuzz" + std::to_string(::getpid()));
  return name;
}

plat::ipc::Endpoint& endpoint() {
  static std::unique_ptr<plat::ipc::Endpoint> ep = plat::ipc::Endpoint::create(endpointName(), onMessage);
  if (!ep) std::abort();
  return *ep;
}

// Writes the bytes on a new connection, ends the writing side and reads what
// comes back (bounded in time).
void deliver(const std::string& sock, const std::uint8_t* data, std::size_t size) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, sock.c_str(), sizeof addr.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
      if (n <= 0) break;
      done += std::size_t(n);
    }
    ::shutdown(fd, SHUT_WR);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    char buf[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, int(left.count())) <= 0) break;
      if (::recv(fd, buf, sizeof buf, 0) <= 0) break;
    }
  }
  ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  endpoint();
  static const std::string sock = plat::ipc::socketPath(endpointName());
  deliver(sock, data, size);
  plat::ipc::Message q;
  q.msg = kInstanceQuery;
  const auto a = plat::ipc::send(endpointName(), q, 5000);
  if (!a || a->result != 3) std::abort();
  return 0;
}
