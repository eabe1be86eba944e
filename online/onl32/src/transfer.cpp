// Raw memory access, text commands and the file transfer to the target.
#include "onl32/online_server.h"
#include "internal.h"

#include "platform/paths.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace onl32 {

namespace {
constexpr std::size_t kPieceReserve = 8;

void putU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Copies a text of at most n bytes (ending at its zero byte) into an answer
// buffer of size bytes, cut and terminated.
void copyText(char* out, std::uint32_t size, const std::uint8_t* text, std::size_t n) {
  if (!out || size == 0) return;
  std::size_t len = 0;
  while (len < n && text[len] != 0) ++len;
  std::size_t k = std::min<std::size_t>(len, size - 1);
  std::memcpy(out, text, k);
  out[k] = 0;
}

void setText(OD01_TextRecord* rec, const std::string& s) {
  copyText(rec->answer, rec->answerSize, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}
} // namespace

bool OnlineServer::workGetMemory(OD01_MemoryRecord* rec) {
  ONL32_HOLD_CHANNEL();
  if (!rec || !rec->filePath) return false;
  // A piece needs at least one byte: the usable size must exceed the reserve.
  const std::size_t usable = usable_.load();
  if (usable <= kPieceReserve) return false;
  const std::string path = rec->filePath;
  std::string out;
  out.reserve(rec->count);
  std::uint32_t address = rec->address;
  std::size_t rest = rec->count;
  bool ok = true;
  while (rest > 0) {
    if (cancelled()) { ok = false; break; }
    std::size_t n = std::min(rest, usable - kPieceReserve);
    buf_[0] = 4;
    putU32(buf_ + 1, address);
    buf_[5] = static_cast<std::uint8_t>(n);
    buf_[6] = static_cast<std::uint8_t>(n >> 8);
    std::uint16_t got = 0;
    if (!opExchange(7, got) || got != n + 1) { ok = false; break; }
    out.append(reinterpret_cast<const char*>(buf_), n);
    address += static_cast<std::uint32_t>(n);
    rest -= n;
  }
  // The file holds exactly the bytes read; a failed read leaves what was read.
  std::string err;
  if (!plat::path::writeFileAtomic(path, out, &err)) {
    msg(kMsgCreateFile, path);
    return false;
  }
  return ok;
}

bool OnlineServer::workSetMemory(OD01_MemoryRecord* rec) {
  if (!rec || !rec->data || rec->count == 0) return false;   // no exchange
  ONL32_HOLD_CHANNEL();
  const std::size_t usable = usable_.load();
  if (usable <= kPieceReserve) return false;
  std::uint32_t address = rec->address;
  const std::uint8_t* data = rec->data;
  std::size_t rest = rec->count;
  while (rest > 0) {
    if (cancelled()) return false;
    std::size_t n = std::min(rest, usable - kPieceReserve);
    buf_[0] = 5;
    putU32(buf_ + 1, address);
    std::memcpy(buf_ + 5, data, n);
    if (!opSend(5 + n)) return false;
    address += static_cast<std::uint32_t>(n);
    data += n;
    rest -= n;
  }
  return true;
}

bool OnlineServer::workCommand(OD01_TextRecord* rec) {
  if (!rec || !rec->text) return false;
  ONL32_HOLD_CHANNEL();
  if (cancelled()) return false;
  std::size_t len = std::strlen(rec->text);
  if (len + 2 >= usable_.load()) return false;                // no exchange
  buf_[0] = 34;
  std::memcpy(buf_ + 1, rec->text, len);
  buf_[1 + len] = 0;
  std::uint16_t n = 0;
  if (!opExchange(len + 2, n)) return false;
  copyText(rec->answer, rec->answerSize, buf_, n);
  return true;
}

bool OnlineServer::workFtpWrite(OD01_TextRecord* rec) {
  if (!rec || !rec->text) return false;
  ONL32_HOLD_CHANNEL();
  const std::size_t usable = usable_.load();
  if (usable <= 256) return false;
  // "kind target source", separated by blanks.
  std::istringstream in(rec->text);
  in.imbue(std::locale::classic());
  long kind = 0;
  std::string name, source;
  in >> kind >> name;
  std::getline(in >> std::ws, source);
  while (!source.empty() && (source.back() == ' ' || source.back() == '\t' || source.back() == '\r')) source.pop_back();
  const std::size_t L = name.size();
  // A piece needs room for the header and at least one data byte.
  if (name.empty() || L > 0xFFFF || usable <= L + 14) return false;
  const std::size_t piece = usable - L - 14;

  std::string resolved = plat::path::resolveExisting(source);
  std::ifstream file;
  if (!resolved.empty()) file.open(resolved, std::ios::binary);
  if (source.empty() || resolved.empty() || !file) {
    setText(rec, "Error> Can't found source file");
    return false;
  }
  file.seekg(0, std::ios::end);
  std::size_t remaining = static_cast<std::size_t>(file.tellg());
  file.seekg(0, std::ios::beg);

  buf_[0] = 35;
  char mode = 'w';
  unsigned long total = 0;
  bool failed = false;
  std::vector<char> pieceBuf(piece);
  while (remaining > 0 && !cancelled()) {
    std::size_t n = std::min(remaining, piece);
    file.read(pieceBuf.data(), static_cast<std::streamsize>(n));
    if (static_cast<std::size_t>(file.gcount()) != n) { failed = true; break; }
    buf_[0] = 35;
    buf_[1] = static_cast<std::uint8_t>(L);
    buf_[2] = static_cast<std::uint8_t>(L >> 8);
    std::memcpy(buf_ + 3, name.data(), L);
    buf_[3 + L] = 0;
    buf_[4 + L] = static_cast<std::uint8_t>(mode);
    std::memcpy(buf_ + 5 + L, pieceBuf.data(), n);
    std::uint16_t got = 0;
    if (!opExchange(5 + L + n, got)) {
      setText(rec, "Error> No response");
      failed = true;
      break;
    }
    copyText(rec->answer, rec->answerSize, buf_, got);
    std::size_t alen = 0;
    while (alen < got && buf_[alen] != 0) ++alen;
    if (std::string(reinterpret_cast<const char*>(buf_), alen) != "OK") { failed = true; break; }
    total += n;
    remaining -= n;
    char num[32];
    std::snprintf(num, sizeof num, "%ld", static_cast<long>(total));
    setText(rec, num);
    mode = 'a';
  }
  if (cancelled()) {
    setText(rec, "ESC");
    return false;
  }
  if (failed) return false;
  setText(rec, "OK");
  return true;
}

} // namespace onl32
