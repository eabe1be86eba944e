// kxlpt.so: the five interface operations of the software PLC over the
// parallel-port interface driver lptif1NT.
//
// The port comes from the interface configuration the kernel opens it with:
// [SETTINGS] PORT names an entry of [PORTS], whose section may hold
// ADDRESS (the port base, "0x378" or "378" taken as hexadecimal) and DEVICE
// (the parallel-port device of that base). Without ADDRESS the section name
// decides: LPT1 0x378, LPT2 0x278, LPT3 0x3BC.
#include "lptif/exports.h"
#include "platform/export.h"
#include "platform/profile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr int kImageWords = 26;
constexpr int kNoConnection = 7;
constexpr int kBadArgument = 2;
constexpr int kNoPort = 4;

std::mutex gMu;
unsigned gBase = 0;       // 0 while closed
bool gOwnHighSpeed = false;

std::string upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

unsigned baseFor(const std::string& ini, const std::string& section) {
  std::string addr = plat::profile::getString(ini, section, "ADDRESS", "");
  if (!addr.empty()) {
    const char* s = addr.c_str();
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s += 2;
    char* end = nullptr;
    unsigned long v = std::strtoul(s, &end, 16);
    if (end && *end == '\0' && v > 0 && v <= 0xFFFD) return static_cast<unsigned>(v);
    return 0;
  }
  const std::string name = upper(section);
  if (name == "LPT1") return 0x378;
  if (name == "LPT2") return 0x278;
  if (name == "LPT3") return 0x3BC;
  return 0;
}

} // namespace

ZERLO_EXPORT int KXOpenDevice(const char* configPath) {
  if (!configPath) return kNoPort;
  std::lock_guard lk(gMu);
  const std::string ini = configPath;
  const std::string port = std::to_string(plat::profile::getInt(ini, "SETTINGS", "PORT", 0));
  const std::string section = plat::profile::getString(ini, "PORTS", port, "");
  const unsigned base = section.empty() ? 0 : baseFor(ini, section);
  if (base == 0) return kNoPort;
  const std::string device = plat::profile::getString(ini, section, "DEVICE", "");
  if (!device.empty()) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X=", base);
    ::setenv("ZERLO_PARPORTS", (buf + device).c_str(), 1);
  }
  int hs = WinNT_InitHighSpeedAccess();
  if (hs != 0 && hs != 1247) return hs;
  gOwnHighSpeed = hs == 0;
  if (WinNT_CheckIFConnection(base) != 0) {
    if (gOwnHighSpeed) WinNT_DeInitHighSpeedAccess();
    gOwnHighSpeed = false;
    return kNoConnection;
  }
  gBase = base;
  return 0;
}

ZERLO_EXPORT void KXCloseDevice() {
  std::lock_guard lk(gMu);
  if (gBase) {
    int off[17] = {};
    WinNT_KXSetMotor(gBase, off);   // motors off on the way out
  }
  if (gOwnHighSpeed) WinNT_DeInitHighSpeedAccess();
  gOwnHighSpeed = false;
  gBase = 0;
}

// The output image: a header word, then {on, direction} for motors 1 to 8.
ZERLO_EXPORT int KXSetData(std::uint32_t* image, int, std::int16_t) {
  std::lock_guard lk(gMu);
  if (!gBase) return kNoConnection;
  if (!image) return kBadArgument;
  int record[17];
  std::memcpy(record, image, sizeof record);
  return WinNT_KXSetMotor(gBase, record);
}

// The input image: the sixteen inputs in word 0, EX and EY at bytes 100 and 102.
ZERLO_EXPORT int KXGetData(std::uint32_t* image, std::int16_t*) {
  std::lock_guard lk(gMu);
  if (!gBase) return kNoConnection;
  if (!image) return kBadArgument;
  std::memset(image, 0, kImageWords * sizeof(std::uint32_t));
  int inputs = 0;
  int r = WinNT_KXGetEI(gBase, &inputs);
  image[0] = static_cast<std::uint32_t>(inputs) & 0xFFFFu;
  int rx = WinNT_KXGetEX(gBase, image);
  int ry = WinNT_KXGetEY(gBase, image);
  return r != 0 ? r : (rx != 0 ? rx : ry);
}

// (1, 1, pointer to a pointer to an int): the kernel's setup request; 2: download mode.
ZERLO_EXPORT int KXSetup(int op, int value, void* ptr) {
  if (op == 1) {
    if (value != 1 || !ptr || !*static_cast<int**>(ptr)) return kBadArgument;
    return 0;
  }
  if (op == 2) return 0;
  return kBadArgument;
}
