// lptif1NT.so: the parallel-port interface driver over HwaDll's fast port
// operations (plain C exports).
#include "hwa/hwa.h"
#include "lptif/driver.h"
#include "lptif/exports.h"
#include "platform/export.h"

namespace {

// The port backend of the driver: HwaDll's fast operations.
class HwaPorts : public plat::io::PortIo {
public:
  std::uint32_t in(std::uint16_t port, unsigned) override {
    std::uint8_t v = 0xFF;
    HwaFastReadPortUchar(port, &v);
    return v;
  }
  void out(std::uint16_t port, unsigned, std::uint32_t value) override {
    HwaFastWritePortUchar(port, static_cast<std::uint8_t>(value));
  }
};

lptif::Driver& driver() {
  static HwaPorts ports;
  static lptif::Driver d(ports, plat::time::systemClock());
  return d;
}

// x86 port addresses have 16 bits. A larger number names no port: it is
// refused like port 0 (2; 7 from the connection test) and nothing is touched,
// rather than cut to 16 bits and driving another port.
constexpr int kPortRefused = 2;
constexpr int kNoConnection = 7;
bool validPort(unsigned port) { return port <= 0xFFFFu; }

} // namespace

ZERLO_EXPORT int WinNT_KXSetMotor(unsigned port, const int* record) {
  if (!validPort(port)) return kPortRefused;
  return driver().setMotor(static_cast<std::uint16_t>(port), record);
}
ZERLO_EXPORT int WinNT_KXGetEI(unsigned port, int* out) {
  if (!validPort(port)) return kPortRefused;
  return driver().getEI(static_cast<std::uint16_t>(port), out);
}
ZERLO_EXPORT int WinNT_KXGetEX(unsigned port, void* record) {
  if (!validPort(port)) return kPortRefused;
  return driver().getEX(static_cast<std::uint16_t>(port), record);
}
ZERLO_EXPORT int WinNT_KXGetEY(unsigned port, void* record) {
  if (!validPort(port)) return kPortRefused;
  return driver().getEY(static_cast<std::uint16_t>(port), record);
}
ZERLO_EXPORT int WinNT_CheckIFConnection(unsigned port) {
  if (!validPort(port)) return kNoConnection;
  return driver().checkConnection(static_cast<std::uint16_t>(port));
}
ZERLO_EXPORT int WinNT_InitHighSpeedAccess() { return HwaHighspeedEnable(); }
ZERLO_EXPORT int WinNT_DeInitHighSpeedAccess() { return HwaHighspeedDisable(); }
ZERLO_EXPORT double GetDLLVersion() { return 0.05; }
