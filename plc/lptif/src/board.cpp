// The simulated interface board.
#include "lptif/board.h"

#include "lptif/driver.h"

namespace lptif {

SimulatedBoard::SimulatedBoard(std::uint16_t base, std::shared_ptr<plat::time::FakeClock> fake,
                               plat::time::Nanos stepPerStatusRead)
    : base_(base), fake_(std::move(fake)), step_(stepPerStatusRead) {}

plat::time::Nanos SimulatedBoard::now() const {
  return fake_ ? fake_->now() : plat::time::systemClock()->now();
}

std::uint8_t SimulatedBoard::statusLocked() {
  if (!connected_) return 0xFF;
  if (fake_) fake_->advance(step_);
  bool bit = false;
  switch (mode_) {
    case Mode::Input: bit = inBit_ < 16 && ((inReg_ >> (15 - inBit_)) & 1); break;
    case Mode::Analog:
      bit = charging_ && (now() < chargeEnd_ || (!fake_ && !chargeSeen_));
      if (charging_) chargeSeen_ = true;
      break;
    case Mode::Output: break;
  }
  return bit ? 0x80 : 0x00;
}

std::uint32_t SimulatedBoard::in(std::uint16_t port, unsigned width) {
  std::lock_guard lk(mu_);
  if (port == base_ + 1) return statusLocked();
  if (port == base_) return data_;
  return width >= 4 ? 0xFFFFFFFFu : (width == 2 ? 0xFFFFu : 0xFFu);
}

void SimulatedBoard::out(std::uint16_t port, unsigned, std::uint32_t value) {
  if (port != base_) return;
  std::lock_guard lk(mu_);
  const auto v = static_cast<std::uint8_t>(value);
  const auto rising = static_cast<std::uint8_t>(v & ~data_);
  data_ = v;
  writes_.push_back(v);
  if (v & 0x80) {                       // analogue select: 0xA0 EX, 0x90 EY
    mode_ = Mode::Analog;
    selectEx_ = (v & 0x20) != 0;
    charging_ = false;
    return;
  }
  if (mode_ == Mode::Analog && (rising & 0x08)) {   // the clock starts the charge
    double counts = selectEx_ ? exCounts_ : eyCounts_;
    chargeEnd_ = now() + plat::time::Nanos(static_cast<long long>(counts * 1000.0 / kCountsPerMicro));
    charging_ = true;
    chargeSeen_ = false;
    return;
  }
  if (rising & 0x01) {                  // load the outputs
    outputs_ = shift_;
    mode_ = Mode::Output;
    return;
  }
  if (rising & 0x02) {                  // load the inputs
    mode_ = Mode::Input;
    inReg_ = wire_;
    inBit_ = 0;
    return;
  }
  if (rising & 0x08) {
    if (mode_ == Mode::Input && !(v & 0x02)) ++inBit_;
    else if (mode_ == Mode::Output) shift_ = static_cast<std::uint16_t>((shift_ << 1) | ((v >> 2) & 1));
  }
}

void SimulatedBoard::setInputWord(std::uint16_t wire) {
  std::lock_guard lk(mu_);
  wire_ = wire;
}

void SimulatedBoard::setAnalogCounts(std::uint32_t ex, std::uint32_t ey) {
  std::lock_guard lk(mu_);
  exCounts_ = ex;
  eyCounts_ = ey;
}

void SimulatedBoard::setConnected(bool on) {
  std::lock_guard lk(mu_);
  connected_ = on;
}

bool SimulatedBoard::motor(int m, bool* on, bool* reverse) const {
  if (m < 1 || m > 8) return false;
  std::lock_guard lk(mu_);
  unsigned pair = (outputs_ >> (2 * (m - 1))) & 3u;
  if (on) *on = pair != 0;
  if (reverse) *reverse = pair == 2;
  return true;
}

std::uint16_t SimulatedBoard::outputWord() const {
  std::lock_guard lk(mu_);
  return outputs_;
}

std::vector<std::uint8_t> SimulatedBoard::dataWrites() const {
  std::lock_guard lk(mu_);
  return writes_;
}

void SimulatedBoard::clearLog() {
  std::lock_guard lk(mu_);
  writes_.clear();
}

} // namespace lptif
