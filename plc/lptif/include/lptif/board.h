#pragma once
// A simulated interface board on a parallel port, as a port backend: it
// decodes the shifted bits into motor states and answers the input shift and
// the analogue charges as the real board does. Its clock is the system clock,
// or a fake clock that every status read moves on by a step (so that a charge
// measured on the fake clock ends after a known number of counts).
#include "platform/ports.h"
#include "platform/timer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace lptif {

class SimulatedBoard : public plat::io::PortIo {
public:
  explicit SimulatedBoard(std::uint16_t base, std::shared_ptr<plat::time::FakeClock> fake = nullptr,
                          plat::time::Nanos stepPerStatusRead = plat::time::Nanos(250));

  std::uint32_t in(std::uint16_t port, unsigned width) override;
  void out(std::uint16_t port, unsigned width, std::uint32_t value) override;

  // The sixteen inputs in the order the board shifts them out (bit 15 first).
  void setInputWord(std::uint16_t wire);
  // The length of each analogue charge in timer counts.
  void setAnalogCounts(std::uint32_t ex, std::uint32_t ey);
  // A board that is not there: the status register floats (reads 0xFF).
  void setConnected(bool on);

  // Motor m = 1..8 as last loaded; false for another m.
  bool motor(int m, bool* on, bool* reverse) const;
  // The loaded output word (motor 1 in bits 1..0, the first shifted bit of the pair higher).
  std::uint16_t outputWord() const;
  // Every value written to the data register, in order.
  std::vector<std::uint8_t> dataWrites() const;
  void clearLog();

private:
  enum class Mode { Output, Input, Analog };
  plat::time::Nanos now() const;
  std::uint8_t statusLocked();

  const std::uint16_t base_;
  std::shared_ptr<plat::time::FakeClock> fake_;
  const plat::time::Nanos step_;
  mutable std::mutex mu_;
  bool connected_ = true;
  std::uint8_t data_ = 0;
  Mode mode_ = Mode::Output;
  std::uint16_t shift_ = 0, outputs_ = 0, wire_ = 0, inReg_ = 0;
  int inBit_ = 0;
  bool selectEx_ = true, charging_ = false;
  // On the real clock the first status read after a charge starts sees it
  // running, however long the reader was kept from reading (a real charge
  // lasts far longer than the read takes; a busy machine may not).
  bool chargeSeen_ = true;
  plat::time::Nanos chargeEnd_{0};
  std::uint32_t exCounts_ = 0, eyCounts_ = 0;
  std::vector<std::uint8_t> writes_;
};

} // namespace lptif
