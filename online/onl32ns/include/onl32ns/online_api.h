#pragma once
// What the named server needs of the online server library, as a C++
// interface: the binding to the library's exported operations implements it,
// tests implement it with fakes. Threaded operations take the call kind
// (6 start, 7 cancel, 8 query) and answer 2 while running, then 0 done,
// 1 failed or 7 cancelled.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace onl32ns {

enum CallKind : int { kStart = 6, kCancel = 7, kQuery = 8 };
enum OpResult : int { kDone = 0, kFailed = 1, kRunning = 2, kCancelled = 7 };

// The program information record (21 bytes on the wire).
struct ProgInfo {
  char name[10] = {};   // up to 8 characters and a zero byte
  std::uint8_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  std::uint32_t size = 0;
  std::uint8_t check = 0;
};

// Records handed to threaded operations must stay where they are until the
// operation has ended (the library keeps their addresses); `native` lets the
// binding keep its own form of the record beside ours for that long.
struct DownloadRecord {
  std::shared_ptr<void> native;
  std::string path;
  bool hasIdent = false;
  ProgInfo info;
};

struct MemoryRecord {
  std::shared_ptr<void> native;
  std::uint32_t address = 0;
  std::uint16_t count = 0;
  std::string filePath;                // reads: the file to write
  std::vector<std::uint8_t> data;      // writes: the bytes to send
};

struct TextRecord {
  std::shared_ptr<void> native;
  std::string text;                    // the text to send / the transfer's command line
  char answer[256] = {};               // the answer buffer, always terminated
  std::size_t answerSize = 128;        // the part of it the operation may use
  void setAnswer(const std::string& s) {
    std::size_t n = s.size() < answerSize - 1 ? s.size() : answerSize - 1;
    s.copy(answer, n);
    answer[n] = 0;
  }
};

// A process variable named by a keyword ("DW101", "A10.3").
struct VariableRef {
  std::string area;
  std::int32_t index = 0;
  std::int32_t element = -1;           // -1 when there is none
  std::uint32_t address = 0;
  std::uint32_t size = 0;
  std::vector<std::uint8_t> value;
};

class OnlineApi {
public:
  virtual ~OnlineApi() = default;
  virtual double version() const = 0;
  // Threaded operations.
  virtual int loadDDF(const std::string& path, int kind) = 0;
  virtual int setResourceAndLoadDDF(const std::string& res, const std::string& ddf, int kind) = 0;
  virtual int getMode(std::uint8_t& mode, int kind) = 0;
  virtual int setMode(std::uint8_t mode, int kind) = 0;
  virtual int getError(std::uint8_t& err, int kind) = 0;
  virtual int setError(std::uint8_t err, int kind) = 0;
  virtual int getRealTimeErrorWord(std::array<std::uint8_t, 2>& word, int kind) = 0;
  virtual int getKernelVersion(std::string& text, std::size_t size, int kind) = 0;
  virtual int getParaMode(std::uint8_t& flag, int kind) = 0;
  virtual int savePara(int kind) = 0;
  virtual int getProgInfo(ProgInfo& info, int kind) = 0;
  virtual int loadDLF(DownloadRecord& rec, int kind) = 0;
  virtual int getMemory(MemoryRecord& rec, int kind) = 0;
  virtual int setMemory(MemoryRecord& rec, int kind) = 0;
  virtual int getCommandResponse(TextRecord& rec, int kind) = 0;
  virtual int ftpWriteFile(TextRecord& rec, int kind) = 0;
  virtual int ftpReadFile(TextRecord& rec, int kind) = 0;
  // Immediate operations (nonzero = success unless said otherwise).
  virtual int setDrvOptions() = 0;     // 0 when the driver installed its hardware, else 1
  virtual int getDevice(std::string& text) = 0;
  virtual int getProcessor(std::string& text) = 0;
  virtual int getMemoryElementNumber(const std::string& area, std::uint32_t& count) = 0;
  virtual int getSizeAndAddressOfVarValue(VariableRef& ref) = 0;
  virtual int getMinCycleTime(std::uint32_t& ms) = 0;
  virtual int getTargetFormat(std::uint8_t& format) = 0;
  virtual int getComm() = 0;
  virtual int setComm(int on) = 0;
  virtual int readValue(VariableRef& ref) = 0;       // 1 when the value was copied
  virtual int getSysTime(std::array<std::uint8_t, 4>& time) = 0;
};

// The message converter of a target format (an outside library).
class Converter {
public:
  virtual ~Converter() = default;
  // A value buffer to text; false when it yields nothing.
  virtual bool binToString(const VariableRef& ref, std::string& text) = 0;
  // A text into the value buffer (sized already); false on failure.
  virtual bool stringToBin(VariableRef& ref, const std::string& text) = 0;
  virtual bool binToLong(const std::uint8_t* bytes, int count, std::uint32_t& v) = 0;
  virtual bool binToWord(const std::uint8_t* bytes, int count, std::uint16_t& v) = 0;
  virtual std::string binToText(const std::uint8_t* bytes, std::size_t count, std::size_t textSize) = 0;
};

} // namespace onl32ns
