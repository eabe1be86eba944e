#pragma once
// The named server's bindings of the online server library (onl32) and of the
// message converter of a target format, each loaded by path.
#include "onl32/od01.h"
#include "onl32ns/online_api.h"
#include "msgconv/mc01.h"

#include <memory>
#include <string>

namespace onl32ns {

class Od01Library : public OnlineApi {
public:
  Od01Library();
  ~Od01Library() override;
  // Loads the library, checks its version (at least 3.0) and finds its
  // operations; on failure `failedName` tells what was missing (the path when
  // the library itself could not be loaded or is too old).
  bool bind(const std::string& path, std::string& failedName);
  // OD01_InitOnline with the record; false when missing or refused.
  bool init(const OnlineInitRecord& rec, bool& missing);
  void deinit();
  void unbind();

  double version() const override { return version_; }
  int loadDDF(const std::string& path, int kind) override;
  int setResourceAndLoadDDF(const std::string& res, const std::string& ddf, int kind) override;
  int getMode(std::uint8_t& mode, int kind) override;
  int setMode(std::uint8_t mode, int kind) override;
  int getError(std::uint8_t& err, int kind) override;
  int setError(std::uint8_t err, int kind) override;
  int getRealTimeErrorWord(std::array<std::uint8_t, 2>& word, int kind) override;
  int getKernelVersion(std::string& text, std::size_t size, int kind) override;
  int getParaMode(std::uint8_t& flag, int kind) override;
  int savePara(int kind) override;
  int getProgInfo(ProgInfo& info, int kind) override;
  int loadDLF(DownloadRecord& rec, int kind) override;
  int getMemory(MemoryRecord& rec, int kind) override;
  int setMemory(MemoryRecord& rec, int kind) override;
  int getCommandResponse(TextRecord& rec, int kind) override;
  int ftpWriteFile(TextRecord& rec, int kind) override;
  int ftpReadFile(TextRecord& rec, int kind) override;
  int setDrvOptions() override;
  int getDevice(std::string& text) override;
  int getProcessor(std::string& text) override;
  int getMemoryElementNumber(const std::string& area, std::uint32_t& count) override;
  int getSizeAndAddressOfVarValue(VariableRef& ref) override;
  int getMinCycleTime(std::uint32_t& ms) override;
  int getTargetFormat(std::uint8_t& format) override;
  int getComm() override;
  int setComm(int on) override;
  int readValue(VariableRef& ref) override;
  int getSysTime(std::array<std::uint8_t, 4>& time) override;

private:
  struct Fns;
  void* lib_ = nullptr;
  std::unique_ptr<Fns> f_;
  double version_ = 0;
  bool inited_ = false;
  // Buffers that threaded operations write into until they end.
  char kernelText_[256] = {};
  OD01_ProgInfo progInfo_{};
};

class Mc01Converter : public Converter {
public:
  ~Mc01Converter() override;
  // Loads the converter (version at least 1.0, every operation present).
  bool bind(const std::string& path);
  void unbind();
  bool bound() const { return lib_ != nullptr; }

  bool binToString(const VariableRef& ref, std::string& text) override;
  bool stringToBin(VariableRef& ref, const std::string& text) override;
  bool binToLong(const std::uint8_t* bytes, int count, std::uint32_t& v) override;
  bool binToWord(const std::uint8_t* bytes, int count, std::uint16_t& v) override;
  std::string binToText(const std::uint8_t* bytes, std::size_t count, std::size_t textSize) override;

private:
  void* lib_ = nullptr;
  MC01_ConvertBinToString_t binToString_ = nullptr;
  MC01_ConvertStringToBin_t stringToBin_ = nullptr;
  MC01_DeleteMStrBuf_t deleteBuf_ = nullptr;
  MC01_BinToLong_t binToLong_ = nullptr;
  MC01_BinToWord_t binToWord_ = nullptr;
  MC01_BinToString_t binToText_ = nullptr;
};

} // namespace onl32ns
