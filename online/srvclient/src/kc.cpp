#include "srvclient/kc.h"

#include "platform/endpoint.h"
#include "platform/numtext.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace srv::kc {

Client& client() {
  static Client c;
  return c;
}

bool BindServer(std::uint32_t serverWindow) {
  Client& c = client();
  c.setServer(serverWindow ? plat::ipc::nameOfId(serverWindow) : std::string());
  ClientTimeouts t;
  t.busyProbeMs = 2000;
  t.busyTotalMs = 10000;
  t.requestMs = 10000;
  c.setTimeouts(t);
  return c.hasServer();
}

bool IsBusy() {
  auto b = client().isBusy();
  return b && *b;
}

bool Query(const char* keyword, char* buf, std::size_t size) {
  if (buf && size > 0) buf[0] = 0;
  if (!keyword || !client().hasServer()) return false;
  Status st;
  auto answer = client().query(keyword, &st);
  if (!answer) return false;  // no server, no answer, or an answer beginning with "?"
  if (buf && size > 0) {
    std::size_t n = std::min(answer->size(), size - 1);
    std::memcpy(buf, answer->data(), n);
    buf[n] = 0;
  }
  return true;
}

std::int64_t Set(const char* keyword, const char* value) {
  if (!keyword || !value || !client().hasServer()) return 0;
  if (std::strlen(keyword) + std::strlen(value) >= 199) return 0;
  return client().command(keyword, value);
}

namespace {
// Parses a whole decimal number in the "C" locale; false on junk or overflow.
bool parseLong(const char* s, long long& out) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(s, &end, 10);
  if (end == s || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  out = v;
  return true;
}
bool parseUnsigned(const char* s, unsigned long long& out) {
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == '-') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s, &end, 10);
  if (end == s || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  out = v;
  return true;
}
template <class T> bool getInteger(const char* name, T& v, long long lo, long long hi) {
  v = 0;
  char buf[100];
  if (!Query(name, buf, sizeof buf)) return false;
  long long x;
  if (!parseLong(buf, x) || x < lo || x > hi) return false;
  v = static_cast<T>(x);
  return true;
}
std::int64_t setFormatted(const char* name, const char* fmt, auto value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, value);
  return Set(name, buf);
}
} // namespace

bool GetReal(const char* name, float& v) {
  v = 0;
  char buf[100];
  if (!Query(name, buf, sizeof buf)) return false;
  // Numbers on the wire have a decimal point whatever the process locale.
  double d = 0;
  if (!plat::num::parseDouble(buf, d)) return false;
  v = static_cast<float>(d);
  return true;
}
bool GetByte(const char* name, std::uint8_t& v) { return getInteger(name, v, 0, 255); }
bool GetCard(const char* name, std::uint16_t& v) { return getInteger(name, v, 0, 65535); }
bool GetLong(const char* name, std::int32_t& v) {
  return getInteger(name, v, INT32_MIN, INT32_MAX);
}
bool GetName(const char* name, char* text) {
  char buf[100];
  bool ok = Query(name, buf, sizeof buf);
  if (text) {
    std::strncpy(text, ok ? buf : "", 17);
    text[17] = 0;
  }
  return ok;
}
bool GetBit(const char* name, bool& flag, int index) {
  flag = false;
  if (!name) return false;
  char key[64];
  std::snprintf(key, sizeof key, "%s.%i", name, index);
  char buf[20];
  if (!Query(key, buf, sizeof buf)) return false;
  flag = buf[0] == '1';
  return true;
}

std::int64_t SetReal(const char* name, float v) {
  return Set(name, plat::num::formatDouble("%f", static_cast<double>(v)).c_str());
}
std::int64_t SetBool(const char* name, bool v) { return Set(name, v ? "1" : "0"); }
std::int64_t SetInt(const char* name, std::int8_t v) { return setFormatted(name, "%i", static_cast<int>(v)); }
std::int64_t SetCard(const char* name, std::uint16_t v) { return setFormatted(name, "%u", static_cast<unsigned>(v)); }
std::int64_t SetLongCard(const char* name, std::uint32_t v) {
  return setFormatted(name, "%lu", static_cast<unsigned long>(v));
}
std::int64_t SetText(const char* name, const char* text) { return Set(name, text); }

std::int64_t SetMode(int mode) {
  static const char* const kModes[] = {"ONLINE", "OFFLINE", "STEP", "STOP", "RESET", "LOAD", "TEST", "AKXI"};
  if (mode < 1 || mode > 8) return 0;
  return Set("MODE", kModes[mode - 1]);
}
std::int64_t CommOn() { return Set("COMM", "ON"); }
std::int64_t CommOff() { return Set("COMM", "OFF"); }
std::int64_t Close() {
  auto r = Set("CLOSE", "");
  client().setClientId(0);
  return r;
}
bool GetTime(std::uint32_t& v) {
  v = 0;
  char buf[30];
  if (!Query("TIME", buf, sizeof buf)) return false;
  unsigned long long x;
  if (!parseUnsigned(buf, x) || x > UINT32_MAX) return false;
  v = static_cast<std::uint32_t>(x);
  return true;
}
bool GetDev(char* buf, std::size_t size) {
  bool ok = Query("DEV", buf, size);
  if (!ok && buf && size > 0) buf[0] = 0;
  return ok;
}
std::int64_t Install(const char* text) { return Set("INSTALL", text ? text : ""); }

} // namespace srv::kc
