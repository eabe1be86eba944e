// The resource request: the memory blocks a target is asked to reserve, read
// from a resource file in the form of an initialisation file.
#include "ddfreader/ddf_reader.h"

#include "platform/profile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ddf {
namespace {

constexpr size_t kNameField = 16;
constexpr size_t kValueMax = 127;

std::string readValue(const std::string& file, const std::string& section, const char* key,
                      const char* def) {
  std::string v = plat::profile::getString(file, section, key, def);
  if (v.size() > kValueMax) v.resize(kValueMax);
  return v;
}

// The C library's atol: leading blanks, a sign, decimal digits.
uint32_t number(const std::string& s) { return uint32_t(std::strtol(s.c_str(), nullptr, 10)); }

// The directory part of a path, with its separator ("" for a bare name).
std::string dirWithSeparator(const std::string& path) {
  size_t at = path.find_last_of("\\/:");
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

}  // namespace

int32_t Reader::buildResourceRequest(unsigned char* buf, int32_t size, const char* resourcePath) const {
  if (!open_ || !conv_.bound() || !buf) return 0;
  // The two fixed entries must fit; numbered entries are added only while the
  // whole request still fits in the buffer.
  const int64_t room = size;
  if (room < DDF_RESREQ_HEADER + 2 * DDF_RESREQ_ENTRY) return 0;
  const mc01::Table& t = conv_.table();
  auto entry = [&](size_t slot, const std::string& name, size_t nameBytes, uint32_t num, uint32_t bytes,
                   uint8_t option) {
    unsigned char* e = buf + DDF_RESREQ_HEADER + slot * DDF_RESREQ_ENTRY;
    std::memset(e, 0, DDF_RESREQ_ENTRY);
    std::memcpy(e, name.data(), std::min(name.size(), nameBytes));
    t.LongToBin(num, e + 16, 4);
    t.LongToBin(bytes, e + 20, 4);
    e[24] = option;
  };

  const std::string given = resourcePath ? resourcePath : "";
  std::string file = given;
  std::string mvl = readValue(file, "GLOBAL", "MVL", "nf");
  if (mvl == "nf") {
    file = dirWithSeparator(given) + "default.res";
    mvl = readValue(file, "GLOBAL", "MVL", "nf");
    showMessage(kMsgDefaultRes, given);
  }
  entry(0, "MVL", 3, 1, number(mvl), 0x10);

  size_t count = 0;  // numbered entries written
  for (int k = 1;; ++k) {
    char section[16];
    std::snprintf(section, sizeof section, "%d", k);
    std::string name = readValue(file, section, "Name", "");
    if (name.empty()) break;
    const int64_t needed = DDF_RESREQ_HEADER + int64_t(count + 3) * DDF_RESREQ_ENTRY;
    if (needed > room) break;
    uint32_t bytes = number(readValue(file, section, "Size", "1"));
    uint32_t num = number(readValue(file, section, "Num", "1"));
    unsigned option = 0;
    std::sscanf(readValue(file, section, "Option", "0").c_str(), "%x", &option);
    entry(1 + count, name, kNameField, num, bytes, uint8_t(option & 0xFF));
    ++count;
  }

  std::string scripts = readValue(file, "GLOBAL", "SCRIPTS", "");
  uint32_t scriptBytes = scripts.empty() ? 512 : number(scripts) * 8;
  entry(1 + count, "SCRIPTTAB", 9, 1, scriptBytes, 0);

  const uint32_t n = uint32_t(count + 2);
  buf[0] = uint8_t(n);
  buf[1] = uint8_t(n >> 8);
  buf[2] = uint8_t(n >> 16);
  buf[3] = uint8_t(n >> 24);
  return int32_t(DDF_RESREQ_HEADER + n * DDF_RESREQ_ENTRY);
}

}  // namespace ddf
