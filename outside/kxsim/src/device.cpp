#include "kxsim/kxsim.h"

#include <cstring>

namespace kxsim {

Device& device() {
  static Device d;
  return d;
}

int Device::open(const char* configPath) {
  std::lock_guard<std::mutex> lk(mu_);
  ++counters_.opens;
  if (!configPath) return 4;
  if (openResult_ != 0) return openResult_;
  open_ = true;
  return 0;
}

void Device::close() {
  std::lock_guard<std::mutex> lk(mu_);
  ++counters_.closes;
  open_ = false;
  std::memset(outputs_, 0, sizeof outputs_);
}

int Device::setData(const std::uint32_t* image, int ifaceNum, std::int16_t dw107) {
  std::lock_guard<std::mutex> lk(mu_);
  ++counters_.sets;
  if (!open_) return 7;                          // no connection
  if (!image) return 2;
  std::memcpy(outputs_, image, sizeof outputs_);
  lastIface_ = ifaceNum;
  lastHandshake_ = dw107;
  return 0;
}

int Device::getData(std::uint32_t* image, std::int16_t* dw107) {
  std::lock_guard<std::mutex> lk(mu_);
  ++counters_.gets;
  if (!open_) return 7;
  if (!image) return 2;
  std::memset(image, 0, kImageWords * sizeof(std::uint32_t));
  image[0] = inputs_;
  // The analogue words lie at bytes 100 and 102 of the image.
  auto* bytes = reinterpret_cast<unsigned char*>(image);
  std::uint16_t ex = static_cast<std::uint16_t>(ex_), ey = static_cast<std::uint16_t>(ey_);
  std::memcpy(bytes + 100, &ex, 2);
  std::memcpy(bytes + 102, &ey, 2);
  (void)dw107;                                   // the handshake word is the kernel's
  return getDataResult_;
}

int Device::setup(int op, int value, void* ptr) {
  std::lock_guard<std::mutex> lk(mu_);
  ++counters_.setups;
  if (op == 1) {
    // (1, 1, pointer to a pointer to an int): the kernel's setup request.
    if (value != 1 || !ptr) return 2;
    int** pp = static_cast<int**>(ptr);
    if (!*pp) return 2;
    return setupResult_;
  }
  if (op == 2) return 0;                         // the interface's download mode
  return 2;
}

void Device::setDigitalInputs(std::uint16_t bits) {
  std::lock_guard<std::mutex> lk(mu_);
  inputs_ = bits;
}

void Device::setAnalogInputs(std::int16_t ex, std::int16_t ey) {
  std::lock_guard<std::mutex> lk(mu_);
  ex_ = ex;
  ey_ = ey;
}

bool Device::motor(int m, int* on, int* reverse) const {
  if (m < 0 || m >= kMotors) return false;
  std::lock_guard<std::mutex> lk(mu_);
  // Header word, then {on, direction} per motor.
  if (on) *on = static_cast<int>(outputs_[1 + 2 * m]);
  if (reverse) *reverse = static_cast<int>(outputs_[2 + 2 * m]);
  return true;
}

int Device::lastInterfaceNumber() const { std::lock_guard<std::mutex> lk(mu_); return lastIface_; }
int Device::lastHandshake() const { std::lock_guard<std::mutex> lk(mu_); return lastHandshake_; }
void Device::setOpenResult(int r) { std::lock_guard<std::mutex> lk(mu_); openResult_ = r; }
void Device::setSetupResult(int r) { std::lock_guard<std::mutex> lk(mu_); setupResult_ = r; }
void Device::setGetDataResult(int r) { std::lock_guard<std::mutex> lk(mu_); getDataResult_ = r; }
Counters Device::counters() const { std::lock_guard<std::mutex> lk(mu_); return counters_; }
bool Device::isOpen() const { std::lock_guard<std::mutex> lk(mu_); return open_; }

void Device::reset() {
  std::lock_guard<std::mutex> lk(mu_);
  open_ = false;
  std::memset(outputs_, 0, sizeof outputs_);
  inputs_ = 0;
  ex_ = ey_ = 0;
  lastIface_ = lastHandshake_ = -1;
  openResult_ = setupResult_ = getDataResult_ = 0;
  counters_ = Counters{};
}

} // namespace kxsim
