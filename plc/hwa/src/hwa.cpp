// HwaDll.so: port access for user-mode drivers over the platform's port layer.
//
// Port reads and writes, fast or not, go to the process's port backend
// (plat::io::portIo()). Switching high speed on opens the parallel ports that
// are usable through the Linux ppdev driver and routes their registers there;
// every other port keeps going to the backend that was current before. Which
// base address maps to which device comes from ZERLO_PARPORTS
// ("0x378=/dev/parport0,0x278=/dev/parport1"; empty for none), by default the
// three standard bases on /dev/parport0..2. Nothing is installed on load, and
// a missing device is no error: the ports stay with the simulated backend.
//
// What needs a kernel-mode driver of its own answers kHwaNotSupported. Real
// time and fail-safe sections are only recorded (user mode has neither), so
// that their "already on" guards and the real-time check behave as callers
// expect.
#include "hwa/hwa.h"

#include "platform/export.h"
#include "platform/ports.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
ZERLO_EXPORT_DATA double dDllVersion = 1.0;
ZERLO_EXPORT_DATA double dDrvVersion = 1.0;
}

namespace {

using plat::io::PortIo;

// The registers base..base+2 of each opened parallel port go to its device,
// every other port to the backend current before high speed.
class PortRouter : public PortIo {
public:
  PortRouter(std::shared_ptr<PortIo> rest) : rest_(std::move(rest)) {}
  void add(std::uint16_t base, std::unique_ptr<PortIo> dev) { devs_.emplace(base, std::move(dev)); }
  bool empty() const { return devs_.empty(); }
  std::shared_ptr<PortIo> rest() const { return rest_; }
  std::uint32_t in(std::uint16_t port, unsigned width) override { return route(port).in(port, width); }
  void out(std::uint16_t port, unsigned width, std::uint32_t value) override { route(port).out(port, width, value); }

private:
  PortIo& route(std::uint16_t port) {
    for (auto& [base, dev] : devs_)
      if (port >= base && port <= base + 2) return *dev;
    return *rest_;
  }
  std::shared_ptr<PortIo> rest_;
  std::map<std::uint16_t, std::unique_ptr<PortIo>> devs_;
};

struct State {
  std::mutex mu;
  bool highSpeed = false;
  std::shared_ptr<PortRouter> router;   // installed while high speed is on
  std::uint32_t realtime = 0, failsafe = 0;
};

State& state() {
  static State s;
  return s;
}

std::vector<std::pair<std::uint16_t, std::string>> deviceMap() {
  std::vector<std::pair<std::uint16_t, std::string>> out;
  const char* env = std::getenv("ZERLO_PARPORTS");
  if (!env) return {{0x378, "/dev/parport0"}, {0x278, "/dev/parport1"}, {0x3BC, "/dev/parport2"}};
  std::string_view s(env);
  while (!s.empty()) {
    std::size_t comma = s.find(',');
    std::string item(s.substr(0, comma));
    s = comma == std::string_view::npos ? std::string_view{} : s.substr(comma + 1);
    std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq + 1 >= item.size()) continue;
    char* end = nullptr;
    unsigned long base = std::strtoul(item.c_str(), &end, 0);
    if (end != item.c_str() + eq || base == 0 || base > 0xFFFD) continue;
    out.emplace_back(static_cast<std::uint16_t>(base), item.substr(eq + 1));
  }
  return out;
}

std::shared_ptr<PortIo> ports() { return plat::io::portIo(); }

} // namespace

ZERLO_EXPORT int HwaScanPciBus(std::uint16_t, std::uint16_t, std::uint8_t*) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaScanEisaBus(std::uint32_t, std::uint8_t*) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaRegisterPort(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaUnregisterPort(std::uint32_t) { return kHwaNotSupported; }

ZERLO_EXPORT int HwaReadPort(std::uint16_t port, std::uint8_t* value) {
  if (!value) return kHwaBadArgument;
  *value = ports()->inb(port);
  return 0;
}

ZERLO_EXPORT int HwaWritePort(std::uint16_t port, std::uint8_t value) {
  ports()->outb(port, value);
  return 0;
}

ZERLO_EXPORT int HwaMapMem(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*, std::uint32_t*) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaUnmapMem(std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaAllocMem(std::uint32_t, std::uint8_t, std::uint32_t, std::uint32_t*, std::uint32_t*,
                             std::uint32_t*, std::uint32_t*) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaFreeMem(std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaAllocChannel(std::uint8_t, std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaWritePciConfiguration(std::uint16_t, std::uint16_t, std::uint32_t, std::uint32_t,
                                          std::uint32_t) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaConnectInterrupt(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint8_t,
                                     void*, std::uint32_t*) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaDisconnectInterrupt(std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaConnectTimer(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, void*,
                                 std::uint32_t*) {
  return kHwaNotSupported;
}
ZERLO_EXPORT int HwaStartTimer(std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaStopTimer(std::uint32_t) { return kHwaNotSupported; }
ZERLO_EXPORT int HwaDisconnectTimer(std::uint32_t) { return kHwaNotSupported; }

ZERLO_EXPORT int HwaRealtimeEnable(std::uint32_t, std::uint32_t) {
  State& s = state();
  std::lock_guard lk(s.mu);
  if (s.realtime) return kHwaAlreadyOn;
  s.realtime = 1;
  return 0;
}

ZERLO_EXPORT int HwaRealtimeDisable() {
  State& s = state();
  std::lock_guard lk(s.mu);
  s.realtime = 0;
  return 0;
}

ZERLO_EXPORT int HwaCheckRealtime(std::uint32_t* out) {
  if (!out) return kHwaBadArgument;
  State& s = state();
  std::lock_guard lk(s.mu);
  *out = s.realtime ? 1 : 0;
  return 0;
}

ZERLO_EXPORT int HwaFailsafeEnable(std::uint32_t) {
  State& s = state();
  std::lock_guard lk(s.mu);
  if (s.failsafe) return kHwaAlreadyOn;
  s.failsafe = 1;
  return 0;
}

ZERLO_EXPORT int HwaFailsafeDisable() {
  State& s = state();
  std::lock_guard lk(s.mu);
  s.failsafe = 0;
  return 0;
}

ZERLO_EXPORT int HwaHighspeedEnable() {
  State& s = state();
  std::lock_guard lk(s.mu);
  if (s.highSpeed) return kHwaAlreadyOn;
  auto router = std::make_shared<PortRouter>(plat::io::portIo());
  for (const auto& [base, device] : deviceMap())
    if (auto dev = plat::io::openParallelPort(device, base)) router->add(base, std::move(dev));
  if (!router->empty()) {
    plat::io::setPortIo(router);
    s.router = std::move(router);
  }
  s.highSpeed = true;
  return 0;
}

ZERLO_EXPORT int HwaHighspeedDisable() {
  State& s = state();
  std::lock_guard lk(s.mu);
  if (s.router) {
    // Give the ports back unless someone installed another backend meanwhile.
    if (plat::io::portIo() == s.router) plat::io::setPortIo(s.router->rest());
    s.router.reset();
  }
  s.highSpeed = false;
  return 0;
}

// Interrupts cannot be masked from user mode; the section has no effect here.
ZERLO_EXPORT void HwaEnterSystemSection() {}
ZERLO_EXPORT void HwaLeaveSystemSection() {}

ZERLO_EXPORT void HwaFastReadPortUchar(std::uint16_t port, std::uint8_t* value) {
  std::uint8_t v = ports()->inb(port);
  if (value) *value = v;
}
ZERLO_EXPORT void HwaFastReadPortUshort(std::uint16_t port, std::uint16_t* value) {
  std::uint16_t v = ports()->inw(port);
  if (value) *value = v;
}
ZERLO_EXPORT void HwaFastReadPortUlong(std::uint16_t port, std::uint32_t* value) {
  std::uint32_t v = ports()->inl(port);
  if (value) *value = v;
}
ZERLO_EXPORT void HwaFastWritePortUchar(std::uint16_t port, std::uint8_t value) { ports()->outb(port, value); }
ZERLO_EXPORT void HwaFastWritePortUshort(std::uint16_t port, std::uint16_t value) { ports()->outw(port, value); }
ZERLO_EXPORT void HwaFastWritePortUlong(std::uint16_t port, std::uint32_t value) { ports()->outl(port, value); }
