// The service channel and the request dispatcher: target requests arrive in
// the channel buffer and are answered in the same buffer.
#include "kernel.h"

#include "platform/paths.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace plc {

using namespace protocol;

void Kernel::initSoftComm(std::uint8_t** buffer, std::uint32_t* size, std::uint32_t** answer,
                          std::int32_t** request) {
  std::lock_guard lk(mu);
  if (buffer) *buffer = buf.data();
  if (size) *size = static_cast<std::uint32_t>(kChannelSize);
  if (answer) *answer = &answerWord;
  if (request) *request = &requestWord;
  channelOpen = true;
}

void Kernel::deinitSoftComm() {
  std::lock_guard lk(mu);
  channelOpen = false;
  answerPending = false;
}

int Kernel::readServiceChannel(std::uint16_t* len) {
  std::lock_guard lk(mu);
  if (!channelOpen || requestWord == 0) return 0;
  if (len) *len = static_cast<std::uint16_t>(requestWord);
  return 1;
}

void Kernel::readServiceReady() {
  std::lock_guard lk(mu);
  requestWord = 0;
}

int Kernel::writeServiceChannel(const std::uint8_t* src, int n) {
  std::lock_guard lk(mu);
  if (!channelOpen) return 3;
  if (n < 0 || !src) return 3;
  std::size_t count = static_cast<std::size_t>(n) + 1;
  if (count > kChannelSize) count = kChannelSize;
  std::memmove(buf.data(), src, count);
  answerWord = static_cast<std::uint32_t>(count);
  return 1;
}

std::uint16_t Kernel::commMultiPlex() {
  std::vector<int> tails;
  int result;
  {
    std::lock_guard lk(mu);
    if (answerPending) {
      result = writeServiceChannel(buf.data() + answerStart, static_cast<int>(answerLen) - 1);
      if (result == 1 || result == 3) answerPending = false;
      return static_cast<std::uint16_t>(result);
    }
    std::uint16_t len = 0;
    result = readServiceChannel(&len);
    if (result != 1) return static_cast<std::uint16_t>(result);
    std::size_t n = requestWord < 0 ? 0 : static_cast<std::size_t>(requestWord);
    if (n > kChannelSize) n = kChannelSize;
    dispatch(n, tails);
    readServiceReady();
  }
  const bool outer = tChannelTail;
  tChannelTail = true;
  for (int m : tails) modeTail(m);
  tChannelTail = outer;
  return 0;
}

namespace {

std::string fileWrite(Kernel& k, const std::uint8_t* b, std::size_t len);

bool isDirectory(const std::string& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void Kernel::dispatch(std::size_t len, std::vector<int>& tails) {
  answerPending = false;
  if (len == 0) return;
  std::uint8_t* b = buf.data();
  auto answer = [&](std::size_t start, std::size_t count) {
    if (count == 0) return;
    if (start + count > kChannelSize) count = kChannelSize - start;
    answerStart = start;
    answerLen = count;
    answerPending = true;
  };
  auto answerText = [&](const std::string& s) {
    std::size_t n = std::min(s.size(), kChannelSize - 1);
    std::memcpy(b, s.data(), n);
    b[n] = 0;
    answer(0, n + 1);
  };
  switch (b[0]) {
    case kReqGetState:
      b[0] = mode.load();
      b[1] = errorByte;
      answer(0, kAnsGetState);
      break;
    case kReqSetState: {
      if (len < kLenSetState) return;
      int md = b[kOffSetStateMode];
      std::uint8_t err = b[kOffSetStateError];
      setModeCore(md);
      tails.push_back(md);
      errorByte = err;
      if (!(err & kErrRealtime)) overrunWord = 0;
      break;
    }
    case kReqShortInfo:
      answer(0, writeShortInfo(b, kChannelSize));
      break;
    case kReqStart:
      setModeCore(kModeReset);
      tails.push_back(kModeReset);
      setModeCore(kModeOnline);
      tails.push_back(kModeOnline);
      errorByte = 0;
      break;
    case kReqReadMemory: {
      if (len < kLenReadMemory) return;
      Addr a = getU32(b + kOffMemAddress);
      std::size_t count = getU16(b + kOffReadCount);
      std::size_t n = readMemoryAnswerSize(count);
      if (n <= kChannelSize && announced(a, n)) {
        mem.read(a, b, n);
        answer(0, n);
      } else {
        // Refused: an answer of the wrong length, which the sender rejects.
        b[0] = 0;
        b[1] = 0;
        answer(0, n == 1 ? 2 : 1);
      }
      break;
    }
    case kReqWriteMemory: {
      if (len < kMinLenWriteMemory) return;
      Addr a = getU32(b + kOffMemAddress);
      std::size_t n = len - kOffWriteData;
      if (n && announced(a, n)) mem.write(a, b + kOffWriteData, n);
      break;
    }
    case kReqVersionText:
      answerText(std::string(kPlcVersionText));
      break;
    case kReqErrorWord: {
      int t = 16;
      for (int i = 1; i < kTaskCount; ++i)
        if (taskCycle(i) == 0) { t = i; break; }
      t -= 1;
      std::uint16_t w = 0;
      for (int k = 1; k <= t - 1; ++k)
        if (overrunWord & (1u << k)) w |= static_cast<std::uint16_t>(1u << (t + 1 - k));
      putU16(b, w);
      answer(0, kAnsErrorWord);
      break;
    }
    case kReqReadValues: {
      std::size_t start = len;
      if (start + kReadValuesTimeSize + 1 > kChannelSize) return;
      std::size_t pos = start;
      putU32(b + pos, timeCounter);
      pos += kReadValuesTimeSize;
      for (std::size_t item = 1; item + kReadValueItemSize <= len; item += kReadValueItemSize) {
        Addr a = getU32(b + item);
        std::size_t c = b[item + 4];
        // Every value must fit with the one further byte of the answer.
        if (pos + c + 1 > kChannelSize) break;
        if (c && !announced(a, c)) break;
        if (c) mem.read(a, b + pos, c);
        pos += c;
      }
      b[pos] = 0;
      answer(start, pos - start + 1);
      break;
    }
    case kReqSetTimeCounter:
      if (len < kLenSetTimeCounter) return;
      timeCounter = getU32(b + kOffTimeCounter);
      break;
    case kReqParamChanged:
      b[0] = paramChanged;
      answer(0, kAnsParamChanged);
      break;
    case kReqSaveParams:
      paramChanged = 0;
      break;
    case kReqResources: {
      if (len < kMinLenResources) return;
      std::vector<AreaDecl> decls;
      if (!parseResourceRequest(b + kOffResourceRequest, len - kOffResourceRequest, decls)) return;
      loadDeclarations(decls, tails);
      answer(0, writeFullInfo(b, kChannelSize));
      break;
    }
    case kReqFullInfo:
      answer(0, writeFullInfo(b, kChannelSize));
      break;
    case kReqTextCommand: {
      std::string text(reinterpret_cast<const char*>(b + 1), len - 1);
      text = text.c_str();   // up to the first zero
      char word[64] = {0}, area[3] = {0};
      int index = 0;
      std::string reply = "TESK30 hat Befehl nicht erkannt";
      if (std::sscanf(text.c_str(), "%63s %2s %d", word, area, &index) == 3 &&
          std::strcmp(word, "getvalue") == 0 && std::strcmp(area, "DW") == 0) {
        const Area* dw = named(Named::DW);
        char out[64];
        std::int16_t v = 0;
        if (dw && index >= 0 && static_cast<std::uint32_t>(index) < dw->number && dw->size >= 2 &&
            mem.read(dw->blocks[0].addr + static_cast<Addr>(index) * dw->size, &v, 2)) {
          std::snprintf(out, sizeof out, "DW%d=%d", index, static_cast<int>(v));
        } else {
          std::snprintf(out, sizeof out, "Memory DW%d not exist", index);
        }
        reply = out;
      }
      answerText(reply);
      break;
    }
    case kReqFileWrite:
      if (len < kMinLenFileWrite) return;
      {
        std::size_t nameLen = getU16(b + kOffFileNameLength);
        if (fileWriteDataOffset(nameLen) > len) return;
        answerText(fileWrite(*this, b, len));
      }
      break;
    default:
      break;   // no meaning: no answer
  }
}

namespace {

// Request 35: stores a piece of a file inside the PLC's own file directory.
std::string fileWrite(Kernel& k, const std::uint8_t* b, std::size_t len) {
  std::size_t nameLen = getU16(b + kOffFileNameLength);
  std::string name;
  for (std::size_t i = 0; i < nameLen && i < 128; ++i) {
    char c = static_cast<char>(b[kOffFileName + i]);
    if (c == 0) break;
    name.push_back(c);
  }
  char modeChar = static_cast<char>(b[fileWriteModeOffset(nameLen)]);
  const std::uint8_t* data = b + fileWriteDataOffset(nameLen);
  std::size_t dataLen = len - fileWriteDataOffset(nameLen);
  if (modeChar != kFileModeCreate && modeChar != kFileModeAppend) return "Error";
  // Only names relative to the PLC's file directory, without "..".
  std::string rel = plat::path::normalize(name);
  bool drive = name.size() >= 2 && name[1] == ':';
  if (rel.empty() || drive || plat::path::isAbsolute(rel) || (!name.empty() && (name[0] == '\\' || name[0] == '/')))
    return "Error";
  std::size_t s = 0;
  while (s <= rel.size()) {
    std::size_t e = rel.find('/', s);
    if (e == std::string::npos) e = rel.size();
    if (rel.compare(s, e - s, "..") == 0 && e - s == 2) return "Error";
    s = e + 1;
  }
  std::string base = k.fileDir;
  if (base.empty()) base = plat::path::dirName(plat::path::normalize(k.configPath));
  if (base.empty()) base = ".";
  std::string path = plat::path::join(base, rel);
  std::string dir = plat::path::dirName(path);
  if (!dir.empty() && !isDirectory(dir)) return "Can't found destination directorie";
  const char* fm = modeChar == kFileModeCreate ? "wb" : "ab";
  std::FILE* f = std::fopen(path.c_str(), fm);
  if (!f) return "Can't open destination file";
  std::size_t w = dataLen ? std::fwrite(data, 1, dataLen, f) : 0;
  bool closed = std::fclose(f) == 0;
  return (w == dataLen && closed) ? "OK" : "Can't write destination file";
}

} // namespace

} // namespace plc
