// The download: the blocks of a download file are written into target memory
// in pieces, the program information is written, the program is started and
// its state polled until it runs. PROGINFO reads the information back.
#include "onl32/online_server.h"
#include "internal.h"

#include "platform/paths.h"

#include <algorithm>
#include <cstring>

namespace onl32 {

namespace {
constexpr std::size_t kProgInfoSize = 23;
constexpr std::size_t kPieceReserve = 8;
constexpr std::uint8_t kModeRun = 1, kModeLoad = 6;

// Reads the download file front to back; every read must deliver all bytes.
struct Reader {
  const std::string& data;
  std::size_t pos = 0;
  bool get(void* out, std::size_t n) {
    if (n > data.size() - pos) return false;
    std::memcpy(out, data.data() + pos, n);
    pos += n;
    return true;
  }
  bool u16(std::uint16_t& v) {
    std::uint8_t b[2];
    if (!get(b, 2)) return false;
    v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool u32(std::uint32_t& v) {
    std::uint8_t b[4];
    if (!get(b, 4)) return false;
    v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return true;
  }
};

std::string identName(const OD01_DownloadRecord& rec) {
  // The name up to its first blank, at most 19 characters.
  std::string n(rec.info.name, strnlen(rec.info.name, sizeof rec.info.name));
  auto blank = n.find(' ');
  if (blank != std::string::npos) n.resize(blank);
  if (n.size() > 19) n.resize(19);
  return n;
}
} // namespace

bool OnlineServer::workDownload(OD01_DownloadRecord* rec) {
  if (!rec || !rec->path) return false;
  const std::string path = rec->path;
  msg(kMsgLoading, rec->hasIdent ? identName(*rec) : path);
  ONL32_HOLD_CHANNEL();

  std::string data;
  if (plat::path::resolveExisting(path).empty() || !plat::path::readFile(path, data)) {
    msg(kMsgFileNotFound, path);
    return false;
  }
  if (data.empty()) {
    msg(kMsgReadFile, path);
    return false;
  }
  const std::size_t usable = usable_.load();
  // Every piece needs room for its header and at least one data byte.
  if (usable <= kPieceReserve) return false;
  const std::size_t piece = usable - kPieceReserve;

  // The download's addresses were placed with the description the target
  // gave when it was fetched; a target that has placed its memory anew since
  // (the interface opened, other resources) would run it at wrong addresses.
  // Nothing is changed on the target then.
  if (!descriptionIsTargets()) {
    if (!cancelled()) msg(kMsgOtherDescription, rec->hasIdent ? identName(*rec) : path);
    return false;
  }

  progress(1);
  std::uint8_t mode = 0, err = 0;
  buf_[0] = 1;
  buf_[1] = kModeLoad;
  buf_[2] = 0;
  if (!opSend(3)) return false;

  progress(3);
  Reader rd{data};
  std::uint8_t header[12];
  std::uint16_t count = 0;
  if (!rd.get(header, sizeof header) || !rd.u16(count)) {
    msg(kMsgReadFile, path);
    return false;
  }
  const std::size_t total = data.size();
  for (std::uint16_t b = 0; b < count; ++b) {
    if (cancelled()) return false;
    std::uint32_t address = 0;
    std::uint16_t length = 0;
    if (!rd.u32(address) || !rd.u16(length)) {
      msg(kMsgReadFile, path);
      return false;
    }
    std::size_t sent = 0;
    while (sent < length) {
      if (cancelled()) return false;
      std::size_t n = std::min<std::size_t>(piece, length - sent);
      buf_[0] = 5;
      if (!convertAddress(address + static_cast<std::uint32_t>(sent), buf_ + 1)) return false;
      if (!rd.get(buf_ + 5, n)) {
        msg(kMsgReadFile, path);
        return false;
      }
      if (!opSend(5 + n)) return false;
      sent += n;
      progress(static_cast<int>(rd.pos * 81 / total + 3));
    }
    progress(static_cast<int>(rd.pos * 81 / total + 3));
    std::uint32_t endMark = 0;
    if (!rd.u32(endMark)) {
      msg(kMsgReadFile, path);
      return false;
    }
  }

  if (rec->hasIdent) {
    progress(84);
    std::uint32_t infoAddr = 0, infoLen = 0;
    if (ddf_.GetProgInfo(&infoAddr, &infoLen) == 0) return false;
    // The block is written only where the target has room for all of it.
    if (infoAddr != 0 && infoLen >= kProgInfoSize) {
      if (usable < kProgInfoSize + 5) return false;
      std::uint8_t* p = buf_ + 5;
      std::memset(p, 0, kProgInfoSize);
      std::memcpy(p, "OBEL", 4);
      std::size_t nameLen = strnlen(rec->info.name, 8);
      std::memcpy(p + 4, rec->info.name, nameLen);
      p[12] = rec->info.day;
      p[13] = rec->info.month;
      p[14] = rec->info.year;
      p[15] = rec->info.hour;
      p[16] = rec->info.minute;
      p[17] = rec->info.second;
      std::uint32_t s = rec->info.size;
      p[18] = static_cast<std::uint8_t>(s);
      p[19] = static_cast<std::uint8_t>(s >> 8);
      p[20] = static_cast<std::uint8_t>(s >> 16);
      p[21] = static_cast<std::uint8_t>(s >> 24);
      p[22] = rec->info.check;
      buf_[0] = 5;
      if (!convertAddress(infoAddr, buf_ + 1)) return false;
      if (!opSend(5 + kProgInfoSize)) return false;
    }
  }

  progress(88);
  buf_[0] = 3;
  if (!opSend(1)) return false;

  progress(92);
  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  const auto limit = std::chrono::milliseconds(static_cast<std::int64_t>(rec_.softResetTimeout) * 1000);
  bool running = false;
  for (;;) {
    bool got = stateRequest(mode, err);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start);
    if (got && mode == kModeRun) {
      running = true;
      break;
    }
    if (!got || cancelled()) return false;
    if (mode == kModeLoad) progress(static_cast<int>(std::min<std::int64_t>(99, 92 + elapsed.count() / 2000)));
    if (elapsed >= limit) break;
    std::this_thread::sleep_for(timing_.stateInterval);
  }
  // A program that does not run within the time-out is a failed download.
  if (!running) return false;
  progress(99);
  msg(kMsgOk);
  return true;
}

bool OnlineServer::workProgInfo(OD01_ProgInfo* info) {
  ONL32_HOLD_CHANNEL();
  if (!info) return false;
  std::memset(info, 0, sizeof *info);
  std::uint32_t addr = 0, len = 0;
  if (ddf_.GetProgInfo(&addr, &len) == 0 || addr == 0 || len == 0) return false;
  // Only an area that can hold the whole block is read, and only when its
  // answer fits into the channel.
  if (len < kProgInfoSize) return true;
  const std::size_t count = kProgInfoSize;
  if (count + 1 > usable_.load()) return false;
  buf_[0] = 4;
  if (!convertAddress(addr, buf_ + 1)) return false;
  buf_[5] = static_cast<std::uint8_t>(count);
  buf_[6] = static_cast<std::uint8_t>(count >> 8);
  std::uint16_t n = 0;
  if (!opExchange(7, n) || n != count + 1) return false;
  if (std::memcmp(buf_, "OBEL", 4) != 0) return true;
  std::size_t nameLen = strnlen(reinterpret_cast<const char*>(buf_ + 4), 8);
  std::memcpy(info->name, buf_ + 4, nameLen);
  info->name[nameLen] = 0;
  const std::uint8_t* p = buf_ + 12;
  info->day = p[0];
  info->month = p[1];
  info->year = p[2];
  info->hour = p[3];
  info->minute = p[4];
  info->second = p[5];
  info->size = static_cast<std::uint32_t>(p[6]) | (static_cast<std::uint32_t>(p[7]) << 8) |
               (static_cast<std::uint32_t>(p[8]) << 16) | (static_cast<std::uint32_t>(p[9]) << 24);
  info->check = p[10];
  return true;
}

} // namespace onl32
