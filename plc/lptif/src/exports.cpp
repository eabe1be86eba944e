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

std::uint16_t portOf(unsigned port) { return static_cast<std::uint16_t>(port); }

} // namespace

ZERLO_EXPORT int WinNT_KXSetMotor(unsigned port, const int* record) {
  return driver().setMotor(portOf(port), record);
}
ZERLO_EXPORT int WinNT_KXGetEI(unsigned port, int* out) { return driver().getEI(portOf(port), out); }
ZERLO_EXPORT int WinNT_KXGetEX(unsigned port, void* record) { return driver().getEX(portOf(port), record); }
ZERLO_EXPORT int WinNT_KXGetEY(unsigned port, void* record) { return driver().getEY(portOf(port), record); }
ZERLO_EXPORT int WinNT_CheckIFConnection(unsigned port) { return driver().checkConnection(portOf(port)); }
ZERLO_EXPORT int WinNT_InitHighSpeedAccess() { return HwaHighspeedEnable(); }
ZERLO_EXPORT int WinNT_DeInitHighSpeedAccess() { return HwaHighspeedDisable(); }
ZERLO_EXPORT double GetDLLVersion() { return 0.05; }
