#pragma once
// A scripted target behind fake service channel operations, a fake device
// description reader and a loader that hands out both, for the online server
// library's tests.
#include "onl32/online_server.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace fake {

struct Target {
  std::mutex mu;
  std::uint8_t buf[2000] = {};
  std::uint32_t size = 2000;
  // Target memory at memBase.
  std::uint32_t memBase = 0x10000;
  std::vector<std::uint8_t> mem = std::vector<std::uint8_t>(0x20000, 0);
  std::uint8_t mode = 4, err = 64;
  int version = 301;
  std::uint32_t announced = 2000;
  std::uint32_t timeCounter = 0;
  std::uint16_t answerLen = 0;
  // Script.
  int busyWrites = 0;           // so many writes answer busy
  bool busyForever = false;
  bool neverAnswer = false;     // reads answer "nothing there"
  int writeResult = 0;          // 1: writes answer "error"
  int statePollsUntilRun = 2;   // state requests after a start before the mode changes
  std::uint8_t modeAfterStart = 1;
  int pollsSinceStart = -1;
  std::string ftpAnswer = "OK";
  std::uint8_t descriptionMark = 0;   // a byte of the full description (placement changed)
  // Log.
  std::vector<std::vector<std::uint8_t>> requests;
  std::vector<std::size_t> req13Footprint;   // request + 1 + answer of each request 13
  std::map<std::string, std::string> files;
  int opens = 0, closes = 0, installs = 0;
  std::uint32_t* serverWindow = nullptr;

  void handle(std::size_t len);
  std::vector<std::vector<std::uint8_t>> requestsWithCode(std::uint8_t code);
};

struct Reader {
  int version = 301;
  std::uint32_t progInfoAddr = 0x10000 + 0x100, progInfoLen = 38;
  bool opened = false;
  std::string openedPath;
  int openCount = 0;
};

// The current fakes (the C functions reach them through these).
extern Target* g_target;
extern Reader* g_reader;

class Loader : public onl32::ModuleLoader {
public:
  void* load(const std::string& path) override;
  void* symbol(void* module, const char* name) override;
  void unload(void* module) override;
  std::set<std::string> missing;   // names that are not found
  int loads = 0, unloads = 0;
};

// A start record with the fake paths ("driver", "reader").
OnlineInitRecord initRecord(void (*progress)(int) = nullptr, std::uint32_t softReset = 2);

// Short waits for tests.
onl32::Timing fastTiming();

// Runs a threaded operation to its end: start, then query until it ends.
template <class Op> int runToEnd(Op op) {
  int r = op(OD01_KIND_START);
  if (r != OD01_RUNNING) return 100 + r;
  for (int i = 0; i < 20000; ++i) {
    r = op(OD01_KIND_QUERY);
    if (r != OD01_RUNNING) return r;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1;
}

} // namespace fake
