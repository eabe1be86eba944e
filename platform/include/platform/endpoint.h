#pragma once
// Messages between processes (in place of window messages and global atoms):
// named endpoints over Unix domain sockets in a per-user runtime directory
// (mode 0700). An endpoint's name is its window class plus its title. A message
// is a number, two parameters and an optional text. send() waits for the
// answer with a time-out; post() does not wait. A dead peer is no answer and
// its stale socket is removed.
#include "platform/export.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace plat::ipc {

// Longest text a message carries (what a global atom holds).
inline constexpr std::size_t kMaxText = 255;

struct Message {
  std::uint32_t msg = 0;
  std::int64_t wParam = 0;
  std::int64_t lParam = 0;
  std::string text;       // at most kMaxText characters; longer is refused
  std::uint32_t sender = 0; // handle id of the sending endpoint, 0 when none
};

struct Answer {
  std::int64_t result = 0;
  std::string text;        // optional answer text
};

// The directory of the sockets (created 0700 when missing).
PLATFORM_API std::string runtimeDir();
// The endpoint name of a window class and title.
PLATFORM_API std::string endpointName(const std::string& windowClass, const std::string& title);

class PLATFORM_API Endpoint {
public:
  using Handler = std::function<Answer(const Message&)>;
  // Creates and listens; the handler runs on the endpoint's own thread, one
  // message at a time. Null when the name is taken by a live endpoint.
  static std::unique_ptr<Endpoint> create(const std::string& name, Handler handler);
  virtual ~Endpoint();
  virtual std::uint32_t id() const = 0;           // handle id, travels as a number
  virtual const std::string& name() const = 0;
  virtual void close() = 0;                       // stops the thread, removes the socket
};

// Is there a live endpoint of that name? A stale socket is removed.
PLATFORM_API bool exists(const std::string& name);
// Sends and waits for the answer; nullopt when no endpoint answers within the
// time-out (dead, missing, hung) or when the text is too long.
PLATFORM_API std::optional<Answer> send(const std::string& name, const Message& m, int timeoutMs = 5000);
// Delivers without waiting for the handler's answer; false when not delivered.
PLATFORM_API bool post(const std::string& name, const Message& m);
// The name of the endpoint that has this handle id ("" when unknown); ids of
// endpoints of other processes are found through the runtime directory.
PLATFORM_API std::string nameOfId(std::uint32_t id);

} // namespace plat::ipc
