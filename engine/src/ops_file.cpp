// File records and text conversions. A file record is char[128] path,
// char[6] mask, i16 handle (below 1: closed). Handles index a small table of
// open files of the interpreter.
#include "engine/vm.h"
#include "engine/typefiles.h"

#include "modelfiles/filelayer.h"
#include "platform/paths.h"

#include "model/numbers.h"

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <string>

namespace engine {

namespace {
constexpr unsigned kRecordSize = 136, kHandleAt = 134, kMaxFiles = 32;
std::FILE* gFiles[kMaxFiles + 1] = {};
// The record each open file was opened for: a handle number met in another
// record (read from a file, copied) does not close it.
const std::uint8_t* gOwners[kMaxFiles + 1] = {};

std::FILE* fileOf(std::int16_t h) { return h >= 1 && h <= std::int16_t(kMaxFiles) ? gFiles[h] : nullptr; }
std::int16_t addFile(std::FILE* f, const std::uint8_t* owner = nullptr) {
  if (!f) return -1;
  for (unsigned k = 1; k <= kMaxFiles; ++k)
    if (!gFiles[k]) { gFiles[k] = f; gOwners[k] = owner; return std::int16_t(k); }
  std::fclose(f);
  return -1;
}
bool closeFile(std::int16_t h) {
  std::FILE* f = fileOf(h);
  if (!f) return false;
  gFiles[h] = nullptr;
  gOwners[h] = nullptr;
  return std::fclose(f) == 0;
}
} // namespace

bool gt_CloseRecordFiles(const void* entries, unsigned count, std::uint8_t* base, std::size_t baseBytes, bool close) {
  if (!entries || !base) return false;
  bool any = false;
  const auto* e = static_cast<const std::uint8_t*>(entries);
  for (unsigned i = 0; i < count; ++i, e += kTypeFieldSize) {
    if (e[0] != kTypeFieldFile) continue;
    const std::size_t at = std::size_t(e[44] | (e[45] << 8));
    if (at + kRecordSize > baseBytes) continue;   // outside the parameter block
    std::uint8_t* rec = base + at;
    std::int16_t h;
    std::memcpy(&h, rec + kHandleAt, 2);
    if (close && fileOf(h) && gOwners[h] == rec) {
      closeFile(h);
      any = true;
    }
    h = -1;
    std::memcpy(rec + kHandleAt, &h, 2);
  }
  return any;
}

bool gt_SelectRecordFile(std::uint8_t* record) {
  if (!record) return false;
  std::int16_t h;
  std::memcpy(&h, record + kHandleAt, 2);
  if (fileOf(h) && gOwners[h] == record) closeFile(h);
  h = -1;
  std::memcpy(record + kHandleAt, &h, 2);
  char* mask = reinterpret_cast<char*>(record + 128);
  if (!mask[0]) std::memcpy(mask, ".*", 3);
  std::string path(reinterpret_cast<char*>(record), strnlen(reinterpret_cast<char*>(record), 128));
  std::string name;
  const std::size_t cut = path.find_last_of("\\/:");
  if (!path.empty()) name = path.substr(cut == std::string::npos ? 0 : cut + 1, 12);
  if (path.empty()) path = modelfiles::gem_CurrentDir(std::filesystem::current_path().string());
  else path = modelfiles::gem_JoinPath(path, name);
  const std::string kind(mask, strnlen(mask, 6));
  if (!modelfiles::gem_FileSelect(path, kind) || path.size() >= 128) return false;
  std::memset(record, 0, 128);
  std::memcpy(record, path.data(), path.size());
  return true;
}

bool vm_FileOpenFor(const std::uint8_t* record) {
  if (!record) return false;
  std::int16_t h;
  std::memcpy(&h, record + kHandleAt, 2);
  return fileOf(h) && gOwners[h] == record;
}

void Vm::opFile(const Instr& I) {
  const unsigned op = I.op;
  auto recordPath = [&](std::uint8_t* rec) {
    return std::string(reinterpret_cast<char*>(rec), strnlen(reinterpret_cast<char*>(rec), 128));
  };
  auto getHandle = [&](std::uint8_t* rec) { std::int16_t h; std::memcpy(&h, rec + kHandleAt, 2); return h; };
  auto setHandle = [&](std::uint8_t* rec, std::int16_t h) { std::memcpy(rec + kHandleAt, &h, 2); };
  auto pushBool = [&](bool b) { pushWord(b ? 1 : 0); };
  // The byte count of 121, 122, 129, 131, 133: n, or the count operand when n is 0.
  auto countOf = [&]() -> std::int32_t { return I.n ? std::int32_t(I.n) : std::int32_t(rdInt(addr(I, 2))); };
  auto readText = [&](unsigned k) {
    std::string s;
    const std::uint32_t a = addr(I, k);
    for (unsigned i = 0; i < 256; ++i) {
      char c = 0;
      if (!space_.read(a + i, &c, 1) || c == 0) break;
      s.push_back(c);
    }
    if (s.empty() && !space_.translate(a, 1, false)) fail("text operand outside the mapped memory");
    return s;
  };
  switch (op) {
  case 121: case 122: {
    std::uint8_t* rec = ptr(addr(I, 0), kRecordSize, true);
    if (!rec) return;
    const std::int32_t bytes = countOf();
    if (stopped()) return;
    std::FILE* f = fileOf(getHandle(rec));
    if (bytes < 1 || !f) { pushBool(false); return; }
    std::uint8_t* buf = ptr(addr(I, 1), std::uint32_t(bytes), op == 121);
    if (!buf) return;
    if (op == 121) {
      const std::size_t got = std::fread(buf, 1, std::size_t(bytes), f);
      if (got < std::size_t(bytes)) buf[got] = 0;
      pushBool(got > 0);
    } else {
      pushBool(std::fwrite(buf, 1, std::size_t(bytes), f) == std::size_t(bytes));
    }
    return;
  }
  case 123: {
    std::uint8_t* rec = ptr(addr(I, 0), kRecordSize, true);
    std::int32_t pos = 0;
    if (!rec || !rd(addr(I, 1), &pos, 4)) return;
    const std::int16_t mode = rdInt(addr(I, 2));
    if (stopped()) return;
    if (std::FILE* f = fileOf(getHandle(rec)))
      std::fseek(f, pos, mode < 0 ? SEEK_SET : mode == 0 ? SEEK_CUR : SEEK_END);
    return;
  }
  case 124: case 125: case 126: case 128: {
    std::uint8_t* rec = ptr(addr(I, 0), kRecordSize, true);
    if (!rec) return;
    if (op == 128) { pushBool(fileOf(getHandle(rec)) != nullptr); return; }
    if (op == 126) { pushBool(std::remove(recordPath(rec).c_str()) == 0); return; }
    const bool closed = closeFile(getHandle(rec));
    setHandle(rec, -1);
    if (op == 125) { pushBool(closed); return; }
    const std::string path = recordPath(rec);
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "w+b");
    if (!f && !path.empty()) f = std::fopen(path.c_str(), "r+b");
    const std::int16_t h = addFile(f, rec);
    setHandle(rec, h);
    pushBool(h >= 1);
    return;
  }
  case 127: {
    std::uint8_t* rec = ptr(addr(I, 0), kRecordSize, true);
    if (!rec) return;
    const std::string second = readText(1);
    if (stopped()) return;
    const std::string path = recordPath(rec);
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    if (!f || std::fclose(f) != 0) { pushBool(false); return; }
    if (second.size() >= 128 || std::rename(path.c_str(), second.c_str()) != 0) { pushBool(false); return; }
    std::memset(rec, 0, 128);
    std::memcpy(rec, second.data(), second.size());
    pushBool(true);
    return;
  }
  case 129: case 131: case 133: {
    std::int32_t digits = countOf();
    if (stopped()) return;
    if (digits < 0) digits = 0;
    if (digits > 255) digits = 255;   // the buffer holds 256 bytes with its zero byte
    char buf[256] = {};
    if (op == 129) {
      const double v = rdReal(addr(I, 0));
      if (stopped()) return;
      model::nc_FormatRealRange(v, buf, sizeof buf, digits);
    } else if (op == 131) {
      const std::int16_t v = rdInt(addr(I, 0));
      if (stopped()) return;
      model::nc_FormatInt(v, buf, sizeof buf, digits);
    } else {
      for (std::int32_t k = 0; k < digits; ++k) {
        const std::uint16_t w = rdWord(addr(I, 0) + 2 * std::uint32_t(k / 16));
        if (stopped()) return;
        buf[k] = (w >> (k % 16)) & 1 ? '1' : '0';
      }
    }
    const std::size_t len = strnlen(buf, 255);
    wr(addr(I, 1), buf, std::uint32_t(len + 1));
    return;
  }
  case 130: case 132: {
    const std::string s = readText(0);
    if (stopped()) return;
    if (op == 130) pushReal(model::nc_ParseReal(s.c_str()));
    else pushWord(std::uint16_t(model::nc_ParseDecimal(s.c_str())));
    return;
  }
  case 134: {
    const std::string s = readText(0);
    if (stopped()) return;
    const std::size_t words = (s.size() + 15) / 16;
    for (std::size_t w = 0; w < words; ++w) {
      std::uint16_t v = 0;
      for (std::size_t b = 0; b < 16 && w * 16 + b < s.size(); ++b)
        if (s[w * 16 + b] == '1') v = std::uint16_t(v | (1u << b));
      if (!pushWord(v)) return;
    }
    return;
  }
  default: fail("instruction " + std::to_string(op) + " has no primitive");
  }
}

} // namespace engine
