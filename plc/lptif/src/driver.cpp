// The interface protocol: motors shifted out, inputs shifted in one call late,
// analogue inputs timed by their charge on the monotonic clock.
#include "lptif/driver.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace lptif {

namespace {
void realSleep(void*) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
} // namespace

Driver::Driver(plat::io::PortIo& ports, std::shared_ptr<plat::time::Clock> clock)
    : ports_(ports), clock_(std::move(clock)) {
  pollSleep = &realSleep;
}

std::uint32_t Driver::tick() const {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock_->now()).count();
  std::uint32_t t = static_cast<std::uint32_t>(ms);
  return t == 0 ? 1 : t;   // 0 means "never"
}

std::uint8_t Driver::status(std::uint16_t port) { return ports_.inb(static_cast<std::uint16_t>(port + 1)); }
void Driver::write(std::uint16_t port, std::uint8_t v) { ports_.outb(port, v); }

int Driver::connectionTestLocked() {
  if (lastGood_ == 0) return kDone;
  return static_cast<std::uint32_t>(tick() - lastGood_) <= kCacheMs ? kDone : kNoConnection;
}

int Driver::setMotor(std::uint16_t port, const int* record) {
  if (port == 0) return kPortZero;
  std::lock_guard lk(mu_);
  write(port, 0x39);
  write(port, 0x30);
  for (int m = 8; m >= 1; --m) {
    bool on = record && record[2 * m - 1] != 0;
    bool reverse = record && record[2 * m] != 0;
    int bits[2] = {on && reverse ? 1 : 0, on && !reverse ? 1 : 0};
    for (int b : bits) {
      write(port, b ? 0x34 : 0x30);
      write(port, b ? 0x3C : 0x38);
    }
  }
  write(port, 0x39);
  return kDone;
}

int Driver::getEI(std::uint16_t port, int* out) {
  if (port == 0) return kPortZero;
  std::lock_guard lk(mu_);
  if (out) *out = inputs_;
  if (status(port) & 0x80) return connectionTestLocked();
  write(port, 0x30);
  write(port, 0x32);
  write(port, 0x3A);
  std::uint16_t v = 0;
  for (int i = 0; i < 16; ++i) {
    v = static_cast<std::uint16_t>(v << 1);
    status(port);
    status(port);
    if (status(port) & 0x80) v |= 1;
    write(port, 0x30);
    write(port, 0x38);
  }
  inputs_ = static_cast<std::uint16_t>((v << 8) | (v >> 8));
  return kDone;
}

int Driver::measure(std::uint16_t port, std::uint8_t select, Analog& a, std::size_t offset, bool storeNew,
                    void* record) {
  auto* bytes = static_cast<unsigned char*>(record);
  if (bytes) std::memcpy(bytes + offset, &a.value, 2);
  if (a.when != 0 && static_cast<std::uint32_t>(tick() - a.when) <= kCacheMs) return kDone;
  if (status(port) & 0x80) return connectionTestLocked();
  write(port, select);
  write(port, 0x38);
  // The charge is timed on the monotonic clock, in timer counts.
  const plat::time::Nanos start = clock_->now();
  auto elapsed = [&] {
    auto ns = (clock_->now() - start).count();
    return static_cast<std::uint32_t>(static_cast<double>(ns) * kCountsPerMicro / 1000.0);
  };
  if (!(status(port) & 0x80)) return kNoConnection;
  bool overflow = false;
  for (;;) {
    std::uint8_t first = status(port);
    status(port);
    if (!(first & 0x80)) break;
    if (elapsed() > kOverflowCounts) {
      overflow = true;
      break;
    }
  }
  const std::uint32_t counts = elapsed();
  if (overflow) {
    a.value = kOverflowValue;
  } else {
    int c = static_cast<int>(counts / 10), v = a.value;
    if (c > v + kDeadBand) v = c - kDeadBand;
    if (c < v - kDeadBand) v = c + kDeadBand;
    a.value = static_cast<std::uint16_t>(v);
  }
  a.when = tick();
  if (storeNew) {
    lastGood_ = a.when;
    if (bytes) std::memcpy(bytes + offset, &a.value, 2);
  }
  return kDone;
}

int Driver::getEX(std::uint16_t port, void* record) {
  if (port == 0) return kPortZero;
  std::lock_guard lk(mu_);
  return measure(port, 0xA0, ex_, kExOffset, true, record);
}

int Driver::getEY(std::uint16_t port, void* record) {
  if (port == 0) return kPortZero;
  std::lock_guard lk(mu_);
  return measure(port, 0x90, ey_, kEyOffset, false, record);
}

int Driver::checkConnection(std::uint16_t port) {
  if (port == 0) return kNoConnection;
  std::lock_guard lk(mu_);
  write(port, 0xA0);
  write(port, 0x38);
  int r = kNoConnection;
  if (status(port) & 0x80) {
    for (int i = 0; i < 200; ++i) {
      pollSleep(pollCtx);
      if (!(status(port) & 0x80)) {
        r = kDone;
        break;
      }
    }
  }
  // Recorded in every case, as callers of the connection check expect.
  lastGood_ = tick();
  return r;
}

} // namespace lptif
