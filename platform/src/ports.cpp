// Port and tone backends.
#include "platform/ports.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace plat::io {

namespace {

std::uint32_t mask(unsigned width) {
  return width >= 4 ? 0xFFFFFFFFu : (width == 2 ? 0xFFFFu : 0xFFu);
}

class ParallelPort : public PortIo {
public:
  ParallelPort(int fd, std::uint16_t base) : fd_(fd), base_(base) {}
  ~ParallelPort() override {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
  }
  std::uint32_t in(std::uint16_t port, unsigned width) override {
    std::lock_guard<std::mutex> lk(mu_);
    unsigned char v = 0xFF;
    if (port == base_) ::ioctl(fd_, PPRDATA, &v);
    else if (port == base_ + 1) ::ioctl(fd_, PPRSTATUS, &v);
    else if (port == base_ + 2) ::ioctl(fd_, PPRCONTROL, &v);
    else return mask(width);
    return v;
  }
  void out(std::uint16_t port, unsigned, std::uint32_t value) override {
    std::lock_guard<std::mutex> lk(mu_);
    unsigned char v = static_cast<unsigned char>(value & 0xFF);
    if (port == base_) ::ioctl(fd_, PPWDATA, &v);
    else if (port == base_ + 2) ::ioctl(fd_, PPWCONTROL, &v);
  }
private:
  std::mutex mu_;
  int fd_;
  std::uint16_t base_;
};

class SilentTone : public ToneOut {
public:
  void tone(unsigned, unsigned) override {}
  void beep(unsigned) override {}
};

std::mutex gMu;
std::shared_ptr<PortIo>& currentPorts() {
  static std::shared_ptr<PortIo> p = std::make_shared<SimulatedPorts>();
  return p;
}
std::shared_ptr<ToneOut>& currentTone() {
  static std::shared_ptr<ToneOut> t = std::make_shared<SilentTone>();
  return t;
}

} // namespace

PortIo::~PortIo() = default;
ToneOut::~ToneOut() = default;

std::uint32_t SimulatedPorts::in(std::uint16_t port, unsigned width) {
  std::lock_guard<std::mutex> lk(mu_);
  std::uint32_t v;
  auto s = scripted_.find(port);
  if (s != scripted_.end() && !s->second.empty()) {
    v = s->second.front();
    s->second.pop_front();
  } else if (auto l = last_.find(port); l != last_.end()) {
    v = l->second;
  } else if (auto i = idle_.find(port); i != idle_.end()) {
    v = i->second;
  } else {
    v = 0xFFFFFFFFu;
  }
  v &= mask(width);
  record({false, port, width, v});
  return v;
}

void SimulatedPorts::record(const PortAccess& a) {
  if (log_.size() >= kLogLimit) log_.pop_front();
  log_.push_back(a);
}

void SimulatedPorts::out(std::uint16_t port, unsigned width, std::uint32_t value) {
  std::lock_guard<std::mutex> lk(mu_);
  value &= mask(width);
  last_[port] = value;
  record({true, port, width, value});
}

void SimulatedPorts::scriptRead(std::uint16_t port, std::uint32_t value) {
  std::lock_guard<std::mutex> lk(mu_);
  scripted_[port].push_back(value);
}

void SimulatedPorts::setIdle(std::uint16_t port, std::uint32_t value) {
  std::lock_guard<std::mutex> lk(mu_);
  idle_[port] = value;
}

std::vector<PortAccess> SimulatedPorts::accesses() const {
  std::lock_guard<std::mutex> lk(mu_);
  return {log_.begin(), log_.end()};
}

std::vector<std::uint32_t> SimulatedPorts::writesTo(std::uint16_t port) const {
  std::lock_guard<std::mutex> lk(mu_);
  std::vector<std::uint32_t> out;
  for (const PortAccess& a : log_)
    if (a.write && a.port == port) out.push_back(a.value);
  return out;
}

void SimulatedPorts::clear() {
  std::lock_guard<std::mutex> lk(mu_);
  scripted_.clear();
  last_.clear();
  log_.clear();
}

std::unique_ptr<PortIo> openParallelPort(const std::string& device, std::uint16_t base, std::string* err) {
  int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (err) *err = device + ": " + std::strerror(errno);
    return nullptr;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    if (err) *err = device + ": cannot claim the port: " + std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<ParallelPort>(fd, base);
}

std::shared_ptr<PortIo> setPortIo(std::shared_ptr<PortIo> io) {
  if (!io) io = std::make_shared<SimulatedPorts>();
  std::lock_guard<std::mutex> lk(gMu);
  std::shared_ptr<PortIo> prev = currentPorts();
  currentPorts() = std::move(io);
  return prev;
}

std::shared_ptr<PortIo> portIo() {
  std::lock_guard<std::mutex> lk(gMu);
  return currentPorts();
}

void RecordingTone::tone(unsigned hz, unsigned ms) {
  std::lock_guard<std::mutex> lk(mu_);
  events_.push_back({false, hz, ms, 0});
}

void RecordingTone::beep(unsigned kind) {
  std::lock_guard<std::mutex> lk(mu_);
  events_.push_back({true, 0, 0, kind});
}

std::vector<ToneEvent> RecordingTone::events() const {
  std::lock_guard<std::mutex> lk(mu_);
  return events_;
}

void RecordingTone::clear() {
  std::lock_guard<std::mutex> lk(mu_);
  events_.clear();
}

std::shared_ptr<ToneOut> setToneOut(std::shared_ptr<ToneOut> t) {
  if (!t) t = std::make_shared<SilentTone>();
  std::lock_guard<std::mutex> lk(gMu);
  std::shared_ptr<ToneOut> prev = currentTone();
  currentTone() = std::move(t);
  return prev;
}

std::shared_ptr<ToneOut> toneOut() {
  std::lock_guard<std::mutex> lk(gMu);
  return currentTone();
}

} // namespace plat::io
