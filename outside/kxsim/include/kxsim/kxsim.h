#pragma once
// A simulated control interface for the software PLC: eight motor outputs of
// two bits (on, reverse), sixteen digital inputs and the analogue inputs EX and
// EY. The kernel drives it through the five interface operations; tests set
// the inputs and read the outputs through the KXSIM_ operations of the loaded
// library (the same library instance the kernel loaded).
#include <cstdint>
#include <mutex>

namespace kxsim {

inline constexpr int kImageWords = 26;
inline constexpr int kMotors = 8;

struct Counters {
  int opens = 0, closes = 0, sets = 0, gets = 0, setups = 0;
};

class Device {
public:
  // Interface operations.
  int open(const char* configPath);
  void close();
  int setData(const std::uint32_t* image, int ifaceNum, std::int16_t dw107);
  int getData(std::uint32_t* image, std::int16_t* dw107);
  int setup(int op, int value, void* ptr);

  // Test side.
  void setDigitalInputs(std::uint16_t bits);
  void setAnalogInputs(std::int16_t ex, std::int16_t ey);
  // Motor m (0..7): false when m is out of range.
  bool motor(int m, int* on, int* reverse) const;
  int lastInterfaceNumber() const;
  int lastHandshake() const;
  void setOpenResult(int r);
  void setSetupResult(int r);
  void setGetDataResult(int r);
  Counters counters() const;
  bool isOpen() const;
  void reset();

private:
  mutable std::mutex mu_;
  bool open_ = false;
  std::uint32_t outputs_[kImageWords] = {};
  std::uint16_t inputs_ = 0;
  std::int16_t ex_ = 0, ey_ = 0;
  int lastIface_ = -1, lastHandshake_ = -1;
  int openResult_ = 0, setupResult_ = 0, getDataResult_ = 0;
  Counters counters_;
};

// The device of the loaded library.
Device& device();

} // namespace kxsim
