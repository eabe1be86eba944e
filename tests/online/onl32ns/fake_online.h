#pragma once
// A scripted online server library for the named server's tests: records the
// calls and runs each threaded operation for a given number of polls.
#include "onl32ns/online_api.h"

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace onl32ns::test {

class FakeOnline : public OnlineApi {
public:
  std::vector<std::string> calls;
  int pollsPerOp = 1;          // how many polls answer 2 before the result
  int opResult = kDone;        // the result of every threaded operation
  std::uint8_t mode = 4;       // the target mode
  std::vector<std::uint8_t> modeSequence;  // modes getMode reports after setMode (then `mode`)
  std::uint8_t error = 0;
  int comm = 0;
  std::uint8_t format = 2;
  std::string device = "SOFTPLC";
  std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> vars;  // area -> (address base, size)
  std::map<std::uint32_t, std::vector<std::uint8_t>> watched;             // address -> value
  std::vector<MemoryRecord> writes;
  ProgInfo progInfo;
  std::array<std::uint8_t, 4> sysTime{1, 0, 0, 0};
  DownloadRecord lastLoad;
  std::string ftpStatus;
  int ftpPolls = 0;

  double version() const override { return 3.1; }

  int threaded(const std::string& name, int kind, const std::function<int()>& work) {
    if (kind == kStart) {
      calls.push_back(name);
      if (running_) return kFailed;
      running_ = true;
      left_ = pollsPerOp;
      if (left_ > 0) return kRunning;
    } else if (kind == kQuery) {
      if (running_ && left_-- > 0) return kRunning;
    } else if (kind == kCancel) {
      if (running_) { cancelled_ = true; return kRunning; }
      return last_;
    }
    if (!running_) return last_;
    running_ = false;
    last_ = cancelled_ ? kCancelled : work();
    cancelled_ = false;
    return last_;
  }

  int loadDDF(const std::string& path, int kind) override {
    return threaded("IDENT " + path, kind, [&] { return opResult; });
  }
  int setResourceAndLoadDDF(const std::string& r, const std::string& d, int kind) override {
    return threaded("RESOURCES " + r + " " + d, kind, [&] { return opResult; });
  }
  int getMode(std::uint8_t& m, int kind) override {
    return threaded("GETMODE", kind, [&] {
      if (!modeSequence.empty()) {
        m = modeSequence.front();
        modeSequence.erase(modeSequence.begin());
      } else {
        m = mode;
      }
      return opResult;
    });
  }
  int setMode(std::uint8_t m, int kind) override {
    return threaded("SETMODE " + std::to_string(m), kind, [&, m] {
      if (opResult == kDone) mode = m;
      return opResult;
    });
  }
  int getError(std::uint8_t& e, int kind) override {
    return threaded("GETERROR", kind, [&] { e = error; return opResult; });
  }
  int setError(std::uint8_t e, int kind) override {
    return threaded("SETERROR " + std::to_string(e), kind, [&, e] { error = e; return opResult; });
  }
  int getRealTimeErrorWord(std::array<std::uint8_t, 2>& w, int kind) override {
    return threaded("REALTIME", kind, [&] { w = {0x34, 0x12}; return opResult; });
  }
  int getKernelVersion(std::string& t, std::size_t, int kind) override {
    return threaded("KERNEL", kind, [&] { t = "TESK 3.01"; return opResult; });
  }
  int getParaMode(std::uint8_t& f, int kind) override {
    return threaded("PARAMODE", kind, [&] { f = 1; return opResult; });
  }
  int savePara(int kind) override { return threaded("SAVEPARA", kind, [&] { return opResult; }); }
  int getProgInfo(ProgInfo& pi, int kind) override {
    return threaded("PROGINFO", kind, [&] { pi = progInfo; return opResult; });
  }
  int loadDLF(DownloadRecord& rec, int kind) override {
    return threaded("LOAD " + rec.path, kind, [&] { lastLoad = rec; return opResult; });
  }
  int getMemory(MemoryRecord& rec, int kind) override {
    return threaded("GETMEM " + std::to_string(rec.address) + " " + std::to_string(rec.count) + " " + rec.filePath,
                    kind, [&] { return opResult; });
  }
  int setMemory(MemoryRecord& rec, int kind) override {
    return threaded("SETMEM " + std::to_string(rec.address), kind, [&] {
      writes.push_back(rec);
      return opResult;
    });
  }
  int getCommandResponse(TextRecord& rec, int kind) override {
    return threaded("COMMAND " + rec.text, kind, [&] { rec.setAnswer("ANSWER " + rec.text); return opResult; });
  }
  int ftpWriteFile(TextRecord& rec, int kind) override {
    if (kind == kStart) {
      calls.push_back("FTP " + rec.text);
      if (running_) return kFailed;
      running_ = true;
      ftpPolls = pollsPerOp;
      return kRunning;
    }
    if (kind == kCancel) {
      if (!running_) return last_;
      running_ = false;
      rec.setAnswer("ESC");
      return last_ = kCancelled;
    }
    if (running_ && ftpPolls-- > 0) {
      rec.setAnswer("1024");
      return kRunning;
    }
    if (running_) {
      running_ = false;
      rec.setAnswer(opResult == kDone ? "OK" : "Error> No response");
      last_ = opResult;
    }
    return last_;
  }
  int ftpReadFile(TextRecord&, int kind) override { return threaded("FTP<", kind, [] { return kFailed; }); }

  int setDrvOptions() override { calls.push_back("INSTALL"); return 0; }
  int getDevice(std::string& t) override { t = device; return !device.empty(); }
  int getProcessor(std::string& t) override { t = "PC"; return 1; }
  int getMemoryElementNumber(const std::string& area, std::uint32_t& n) override {
    auto it = vars.find(area);
    if (it == vars.end()) return 0;
    n = 1000;
    return 1;
  }
  int getSizeAndAddressOfVarValue(VariableRef& ref) override {
    auto it = vars.find(ref.area);
    if (it == vars.end()) return 0;
    ref.size = it->second.second;
    ref.address = it->second.first + static_cast<std::uint32_t>(ref.index) * ref.size;
    return 1;
  }
  int getMinCycleTime(std::uint32_t& ms) override { ms = 5; return 1; }
  int getTargetFormat(std::uint8_t& f) override { f = format; return 1; }
  int getComm() override { return comm; }
  int setComm(int on) override {
    if (on != 0 && on != 1) return 0;
    if (!on) watched.clear();
    comm = on;
    return 1;
  }
  int readValue(VariableRef& ref) override {
    if (!comm) return 0;
    auto it = watched.find(ref.address);
    if (it == watched.end()) {
      watched[ref.address] = std::vector<std::uint8_t>(ref.size, 0);
      return 0;
    }
    ref.value = it->second;
    return 1;
  }
  int getSysTime(std::array<std::uint8_t, 4>& t) override {
    if (!comm) return 0;
    t = sysTime;
    return 1;
  }

private:
  bool running_ = false;
  bool cancelled_ = false;
  int left_ = 0;
  int last_ = kDone;
};

// A little-endian converter of 16- and 32-bit integers.
class FakeConverter : public Converter {
public:
  bool binToString(const VariableRef& ref, std::string& t) override {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < ref.value.size() && i < 4; ++i) v |= std::uint32_t(ref.value[i]) << (8 * i);
    t = std::to_string(v);
    return true;
  }
  bool stringToBin(VariableRef& ref, const std::string& t) override {
    char* end = nullptr;
    unsigned long v = std::strtoul(t.c_str(), &end, 10);
    if (t.empty() || *end) return false;
    for (std::size_t i = 0; i < ref.value.size() && i < 4; ++i) ref.value[i] = (v >> (8 * i)) & 0xFF;
    return true;
  }
  bool binToLong(const std::uint8_t* b, int n, std::uint32_t& v) override {
    if (n != 4) return false;
    v = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
    return true;
  }
  bool binToWord(const std::uint8_t* b, int n, std::uint16_t& v) override {
    if (n != 2) return false;
    v = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  std::string binToText(const std::uint8_t* b, std::size_t n, std::size_t size) override {
    std::string s(reinterpret_cast<const char*>(b), n);
    s = s.substr(0, s.find('\0'));
    return s.substr(0, size - 1);
  }
};

} // namespace onl32ns::test
