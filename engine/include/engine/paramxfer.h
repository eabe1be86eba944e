#pragma once
// Parameter transfer with the running target: the values of every parameter
// slot (PF 8 REAL, PW 9 word, B 10 bit, PL 11 long, PT 12 text) in use whose
// descriptor carries a value, read from or written to the target by their
// address texts ("PF%i", "PW%i", "B%i.%i" = byte.bit, "PL%i", "PT%i").
// Reads go in batches of 40, each after the connection is switched on and the
// target's TIME is seen advancing.
#include <cstdint>
#include <functional>
#include <string>

namespace engine {

class Vm;

// The target side; kcTransferPort() is the one over the server client.
class ParamTransferPort {
public:
  virtual ~ParamTransferPort() = default;
  virtual bool commOn() = 0;
  virtual bool commOff() = 0;
  virtual bool getTime(std::uint32_t& v) = 0;
  virtual bool query(const std::string& name) = 0;
  virtual bool getReal(const std::string& name, float& v) = 0;
  virtual bool getCard(const std::string& name, std::uint16_t& v) = 0;
  virtual bool getBit(const std::string& byteName, bool& v, int bit) = 0;
  virtual bool getLong(const std::string& name, std::int32_t& v) = 0;
  virtual bool getName(const std::string& name, std::string& v) = 0;
  virtual bool setReal(const std::string& name, float v) = 0;
  virtual bool setCard(const std::string& name, std::uint16_t v) = 0;
  virtual bool setBool(const std::string& name, bool v) = 0;
  virtual bool setLongCard(const std::string& name, std::uint32_t v) = 0;
  virtual bool setText(const std::string& name, const std::string& v) = 0;
  virtual void sleepMs(int ms) = 0;
  // Also used by the target-value externs.
  virtual bool setInt(const std::string& name, std::int8_t v) { return false; }
  virtual bool getByte(const std::string& name, std::uint8_t& v) { return false; }
  // The raw answer to a query (false when none or refused).
  virtual bool queryText(const std::string& name, std::string& answer) { return false; }
};
ParamTransferPort& kcTransferPort();

// The address text of a parameter slot.
std::string prm_SlotName(int cls, int index);

struct ParamTransferHooks {
  std::function<bool(int)> confirm;        // 40012 / 40013: Yes
  std::function<void()> redrawAll;         // after a read
  std::function<void()> notifyActiveWindow;  // 1040 to the run window
  bool onlineDisplayOn = false;            // the connection's state to restore after a write
};
constexpr std::size_t kParamBatch = 40;
// Command 268. Returns the number of values read; stops at the first failure (50018).
int prm_ReadAllFromTarget(Vm& vm, ParamTransferPort& port, const ParamTransferHooks& hooks);
// Command 269. Returns the number of refused writes (each shows 50021).
int prm_WriteAllToTarget(Vm& vm, ParamTransferPort& port, const ParamTransferHooks& hooks);

} // namespace engine
