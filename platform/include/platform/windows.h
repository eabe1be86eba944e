#pragma once
// Windows of this process as handle ids, and window messages to them.
//
// A host registers each of its windows that other code may own dialogs by or
// send messages to: it gets a handle id of the kind kWindowHandleKind. A host
// may also attach a window to an endpoint id it owns (the main program's frame
// is an endpoint), so that the endpoint id resolves to the window here and
// messages to it are delivered in-process, not through the socket.
// postMessage/sendMessage deliver to such a window; any other id is taken as
// an endpoint id and goes through plat::ipc.
#include "platform/export.h"
#include "platform/handles.h"
#include <cstdint>
#include <memory>
#include <optional>

namespace plat::win {

inline constexpr int kWindowHandleKind = 0x57494E30;  // "WIN0"

// What a window offers: its widget (a QWidget* in the Qt programs) and the
// delivery of a message. post() returns at once; send() waits for the answer.
class PLATFORM_API WindowTarget {
public:
  virtual ~WindowTarget();
  virtual void* widget() const = 0;
  virtual bool post(std::uint32_t msg, std::int64_t w, std::int64_t l) = 0;
  virtual std::int64_t send(std::uint32_t msg, std::int64_t w, std::int64_t l) = 0;
};

// Registers a window; its id (0 when no id is left).
PLATFORM_API handles::Id registerWindow(std::shared_ptr<WindowTarget> target);
PLATFORM_API void unregisterWindow(handles::Id id);
// Attaches a window to an endpoint id of this process (false for 0 or a null target).
PLATFORM_API bool attachToEndpoint(handles::Id endpointId, std::shared_ptr<WindowTarget> target);
PLATFORM_API void detachFromEndpoint(handles::Id endpointId);
// The window of a registered id or of an attached endpoint id; null otherwise.
PLATFORM_API std::shared_ptr<WindowTarget> target(handles::Id id);

// A message to an in-process window, else to the endpoint of that id.
PLATFORM_API bool postMessage(handles::Id id, std::uint32_t msg, std::int64_t w, std::int64_t l);
// The answer; nullopt when nobody answered (no such window or endpoint, time-out).
PLATFORM_API std::optional<std::int64_t> sendMessage(handles::Id id, std::uint32_t msg, std::int64_t w,
                                                     std::int64_t l, int timeoutMs = 5000);

} // namespace plat::win
