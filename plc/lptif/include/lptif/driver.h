#pragma once
// The protocol of the parallel-port control interface. The data register is
// the port's base, the status register base + 1; status bit 7 carries the
// shifted data and the analogue comparator.
//
// Data register bits: 0x30 always set, 0x04 data, 0x08 clock, 0x01 load the
// outputs, 0x02 load the inputs, 0xA0 selects EX and 0x90 EY for a charge.
//
// Results: 0 done, 2 port 0, 7 no connection.
#include "platform/ports.h"
#include "platform/timer.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace lptif {

inline constexpr int kDone = 0;
inline constexpr int kPortZero = 2;
inline constexpr int kNoConnection = 7;

// Timer counts per microsecond (the interval timer's 1.193182 MHz); a charge
// longer than kOverflowCounts measures as kOverflowValue.
inline constexpr double kCountsPerMicro = 1.193182;
inline constexpr std::uint32_t kOverflowCounts = 10000;
inline constexpr std::uint16_t kOverflowValue = 999;
inline constexpr std::uint32_t kCacheMs = 200;
inline constexpr int kDeadBand = 10;
inline constexpr std::size_t kExOffset = 100, kEyOffset = 102;

class Driver {
public:
  // Port accesses go to `ports`; ages and charges are timed on `clock`.
  Driver(plat::io::PortIo& ports, std::shared_ptr<plat::time::Clock> clock);

  // record: 17 ints, [2m-1] on and [2m] direction of motor m = 1..8.
  int setMotor(std::uint16_t port, const int* record);
  // The inputs read by the previous call, bytes swapped; then reads anew.
  int getEI(std::uint16_t port, int* out);
  // record: the input image; EX is the u16 at byte 100, EY at byte 102.
  int getEX(std::uint16_t port, void* record);
  int getEY(std::uint16_t port, void* record);
  int checkConnection(std::uint16_t port);

  // The pause between connection polls (a real 1 ms sleep by default).
  void (*pollSleep)(void* ctx) = nullptr;
  void* pollCtx = nullptr;

private:
  struct Analog {
    std::uint16_t value = 0;
    std::uint32_t when = 0;   // tick of the last measurement, 0 = never
  };
  std::uint32_t tick() const;
  std::uint8_t status(std::uint16_t port);
  void write(std::uint16_t port, std::uint8_t v);
  int connectionTestLocked();
  int measure(std::uint16_t port, std::uint8_t select, Analog& a, std::size_t offset, bool storeNew,
              void* record);

  plat::io::PortIo& ports_;
  std::shared_ptr<plat::time::Clock> clock_;
  std::mutex mu_;
  std::uint16_t inputs_ = 0;
  Analog ex_, ey_;
  std::uint32_t lastGood_ = 0;   // tick of the last good access, 0 = never
};

} // namespace lptif
