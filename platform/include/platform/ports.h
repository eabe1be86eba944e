#pragma once
// Port input and output (x86 I/O ports: the parallel port's registers, the
// interval timer and the speaker port) and tones, behind interfaces. The
// simulated backends record what was written and serve scripted reads, for
// tests and for machines without the hardware; the parallel-port backend goes
// through the Linux ppdev driver. Each process has one current port backend
// and one tone output (simulated / silent until a program installs another).
#include "platform/export.h"
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::io {

// width is 1, 2 or 4 bytes.
class PLATFORM_API PortIo {
public:
  virtual ~PortIo();
  virtual std::uint32_t in(std::uint16_t port, unsigned width) = 0;
  virtual void out(std::uint16_t port, unsigned width, std::uint32_t value) = 0;

  std::uint8_t inb(std::uint16_t port) { return std::uint8_t(in(port, 1)); }
  std::uint16_t inw(std::uint16_t port) { return std::uint16_t(in(port, 2)); }
  std::uint32_t inl(std::uint16_t port) { return in(port, 4); }
  void outb(std::uint16_t port, std::uint8_t v) { out(port, 1, v); }
  void outw(std::uint16_t port, std::uint16_t v) { out(port, 2, v); }
  void outl(std::uint16_t port, std::uint32_t v) { out(port, 4, v); }
};

struct PortAccess {
  bool write = false;
  std::uint16_t port = 0;
  unsigned width = 1;
  std::uint32_t value = 0;
  bool operator==(const PortAccess&) const = default;
};

// Records the accesses. A read takes the next scripted value of its port;
// without one it gives the last value written to the port, else the port's
// idle value (0xFF.. by default, what a floating bus reads). The record is a
// ring of the last kLogLimit accesses, so a backend that a program drives for
// hours (a motor written every cycle) keeps a bounded memory.
class PLATFORM_API SimulatedPorts : public PortIo {
public:
  static constexpr std::size_t kLogLimit = 65536;
  std::uint32_t in(std::uint16_t port, unsigned width) override;
  void out(std::uint16_t port, unsigned width, std::uint32_t value) override;
  void scriptRead(std::uint16_t port, std::uint32_t value);
  void setIdle(std::uint16_t port, std::uint32_t value);
  // The recorded accesses, oldest first (at most kLogLimit).
  std::vector<PortAccess> accesses() const;
  std::vector<std::uint32_t> writesTo(std::uint16_t port) const;
  void clear();
private:
  mutable std::mutex mu_;
  std::map<std::uint16_t, std::deque<std::uint32_t>> scripted_;
  std::map<std::uint16_t, std::uint32_t> last_;
  std::map<std::uint16_t, std::uint32_t> idle_;
  std::deque<PortAccess> log_;
  void record(const PortAccess& a);
};

// The parallel port at a base address (0x378, 0x278, ...) through ppdev
// ("/dev/parport0"): base+0 data, base+1 status (read), base+2 control. Other
// ports read as 0xFF and ignore writes. Null with err set when the device
// cannot be opened or claimed.
PLATFORM_API std::unique_ptr<PortIo> openParallelPort(const std::string& device, std::uint16_t base,
                                                      std::string* err = nullptr);

// The process's port backend; null restores a fresh SimulatedPorts. Returns the previous one.
PLATFORM_API std::shared_ptr<PortIo> setPortIo(std::shared_ptr<PortIo> io);
PLATFORM_API std::shared_ptr<PortIo> portIo();

// Tones and beeps.
class PLATFORM_API ToneOut {
public:
  virtual ~ToneOut();
  // A tone of hz for ms milliseconds; returns when it has sounded.
  virtual void tone(unsigned hz, unsigned ms) = 0;
  // A system beep of a kind (the message-beep values; 0xFFFFFFFF is the simple beep).
  virtual void beep(unsigned kind) = 0;
};

struct ToneEvent {
  bool isBeep = false;
  unsigned hz = 0;     // tone
  unsigned ms = 0;     // tone
  unsigned kind = 0;   // beep
  bool operator==(const ToneEvent&) const = default;
};

// Records tones and beeps at once, without sound or delay.
class PLATFORM_API RecordingTone : public ToneOut {
public:
  void tone(unsigned hz, unsigned ms) override;
  void beep(unsigned kind) override;
  std::vector<ToneEvent> events() const;
  void clear();
private:
  mutable std::mutex mu_;
  std::vector<ToneEvent> events_;
};

// The process's tone output (silent by default); null restores the silent one.
PLATFORM_API std::shared_ptr<ToneOut> setToneOut(std::shared_ptr<ToneOut> t);
PLATFORM_API std::shared_ptr<ToneOut> toneOut();

// The machine's speaker: tones through the speaker's input event device (one
// that offers tones and can be written: the one named, else the first found
// under /dev/input), else a plain beep on the terminal and a sleep of the
// duration. A program installs it with setToneOut.
PLATFORM_API std::shared_ptr<ToneOut> makeSpeakerTone(const std::string& device = {});

} // namespace plat::io
