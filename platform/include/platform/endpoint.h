#pragma once
// Messages between processes (in place of window messages and global atoms):
// named endpoints over Unix domain sockets in a per-user runtime directory
// (mode 0700). An endpoint's name is its window class plus its title. A message
// is a number, two parameters and an optional text. send() waits for the
// answer with a time-out; post() does not wait. A dead peer is no answer and
// its stale socket is removed.
//
// Names are compared ignoring case (as windows are found by class and title).
// The socket of a name is "<name made file-safe>.sock" in runtimeDir(), or
// "h<hash>.sock" when that would not fit a socket address. Each message is one
// connection: the sender writes a request frame, a send waits for the answer
// frame (layouts in the platform sources, little-endian at fixed offsets).
//
// Endpoint ids are handle ids in the claimed range of plat::handles, chosen at
// random and made unique among the user's processes by a file "<id>.id" in
// runtimeDir() (created exclusively; it holds the owner's pid and the
// endpoint name), so that nameOfId() finds endpoints of other processes. The
// file of an endpoint whose process died is taken as stale and removed.
//
// runtimeDir() is $ZERLO_RUNTIME_DIR when set, else $XDG_RUNTIME_DIR/zerlo,
// else /tmp/zerlo-<uid>. It is created with mode 0700 and refused ("" and
// every operation fails) unless it is a directory of this user that group
// and others cannot reach.
#include "platform/export.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// The handle kind endpoints are registered with (plat::handles).
inline constexpr int kEndpointHandleKind = 0x45505430;  // "EPT0"

// The directory of the sockets (created 0700 when missing); "" when unsafe.
PLATFORM_API std::string runtimeDir();
// The socket file of an endpoint name ("" when there is no runtime directory).
PLATFORM_API std::string socketPath(const std::string& name);
// The endpoint name of a window class and title: "<class>|<title>".
PLATFORM_API std::string endpointName(const std::string& windowClass, const std::string& title);

class PLATFORM_API Endpoint {
public:
  using Handler = std::function<Answer(const Message&)>;
  // Creates and listens; the handler runs on the endpoint's own thread, one
  // message at a time. Null when the name is taken by a live endpoint.
  // While a handler waits in send(), its endpoint goes on handling incoming
  // messages (nested, as with sent window messages), so a handler may send to
  // its own endpoint or to a peer that sends back.
  static std::unique_ptr<Endpoint> create(const std::string& name, Handler handler);
  virtual ~Endpoint();
  virtual std::uint32_t id() const = 0;           // handle id, travels as a number
  virtual const std::string& name() const = 0;
  // Stops the thread (after the message being handled, if any), removes the
  // socket and the id; the destructor closes too.
  virtual void close() = 0;
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
// The ids and names of the endpoints of the user's live processes (this one
// included), for finding an endpoint by part of its name.
PLATFORM_API std::vector<std::pair<std::uint32_t, std::string>> liveEndpoints();

} // namespace plat::ipc
