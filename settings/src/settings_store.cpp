// The settings of OBEL.INI: one getter and one setter per key, read afresh
// with a default on every call, written key by key at once.
#include "obeltool/core.h"
#include "platform/numtext.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include <charconv>
#include <cmath>
#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace obel {

namespace {

std::string readKey(const char* section, const char* key, const char* def) {
  return plat::profile::getString(obelIniPath(), section, key, def);
}

// Writes one key; the platform's profile write reaches the file at once
// (locked, through a temporary file and a rename), then the file is flushed.
bool writeKey(const char* section, const char* key, const std::string& value) {
  std::string file = obelIniPath();
  bool ok = plat::profile::writeString(file, section, key, value.c_str());
  plat::profile::flush(file);
  return ok;
}

// Flags that are on unless "OFF" or "0" (an empty value is on).
int flagDefaultOn(const char* key, const char* def = "on") {
  std::string v = plat::path::toUpper(readKey("system", key, def));
  return (v == "OFF" || v == "0") ? 0 : 1;
}
// Flags that are off unless "ON" or "1".
int flagDefaultOff(const char* key) {
  std::string v = plat::path::toUpper(readKey("system", key, "off"));
  return (v == "ON" || v == "1") ? 1 : 0;
}
int writeFlag(const char* section, const char* key, int on) {
  writeKey(section, key, on ? "on" : "off");
  return 0;
}

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
  char buf[160];
  va_list ap;
  va_start(ap, f);
  std::vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}

// The comma-separated number lists ("position", "fbinsbox"): each number
// after the first needs a comma at the cursor, else it and all later ones
// are 0. A number is an optional sign and digits; no blanks are skipped.
void parseNumberList(const std::string& v, std::int64_t* out, int count) {
  std::size_t i = 0;
  bool broken = false;
  for (int k = 0; k < count; ++k) {
    out[k] = 0;
    if (broken) continue;
    if (k > 0) {
      if (i < v.size() && v[i] == ',') ++i;
      else { broken = true; continue; }
    }
    bool neg = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
    std::int64_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
      n = n * 10 + (v[i] - '0');
      if (n > (1LL << 33)) n = 1LL << 33;  // saturate; the caller clamps
    }
    out[k] = neg ? -n : n;
  }
}

std::int32_t clamp32(std::int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

const std::uint16_t kSheet[3][2] = {{2500, 1770}, {1600, 1130}, {1250, 885}};

} // namespace

double GetDLLVersion() { return 0.05; }

int GetDefaultTargetFormat(std::uint8_t* format) {
  if (!format) return 0;
  *format = 0;
  std::string v = readKey("msgconv", "default", "2");
  if (v.empty()) return 0;
  *format = static_cast<std::uint8_t>(rules::toInt(v));
  return 1;
}

int SetDefaultTargetFormat(unsigned format) {
  return writeKey("msgconv", "default", fmt("%d", static_cast<int>(format & 0xFFu))) ? 1 : 0;
}

int GetSoftResetTimeOut(const char* targetName) {
  if (!targetName || !*targetName) return 15;
  std::string v = readKey(targetName, "SRTOUT", "15");
  if (v.empty()) return 15;
  return rules::toInt(v);
}

int GetQuickStartStatus() { return flagDefaultOn("quickstart"); }
int SetQuickStartStatus(int on) { return writeFlag("system", "quickstart", on); }
int GetStatusBarStatus() { return flagDefaultOn("statusline"); }
int SetStatusBarStatus(int on) { return writeFlag("system", "statusline", on); }
int GetToolBarStatus() { return flagDefaultOn("toolbar"); }
int SetToolBarStatus(int on) { return writeFlag("system", "toolbar", on); }
int GetEditCursor() { return flagDefaultOn("editcursor"); }
int SetEditCursor(int on) { return writeFlag("system", "editcursor", on); }
// Read with the default "off"; a present but empty value counts as on.
int GetIOLabelStatus() { return flagDefaultOn("iolabel", "off"); }
int SetIOLabelStatus(int on) { return writeFlag("system", "iolabel", on); }
int GetOffProg() { return flagDefaultOff("program offline"); }
int GetRemoveSysLib() { return flagDefaultOff("remove syslib"); }
int GetShowHelpNumber() { return rules::toInt(readKey("system", "helpnumber", "0")); }

int GetObelStartPosition(ObelRect* pos, std::int32_t* showState) {
  std::int32_t sw, sh;
  screenSize(sw, sh);
  std::int32_t show = 3;
  std::int64_t left = 30, top = 30, right = static_cast<std::int64_t>(sw) - 30,
               bottom = static_cast<std::int64_t>(sh) - 30;
  std::string v = readKey("system", "position", "");
  int read = 0;
  if (!v.empty()) {
    std::int64_t n[5];
    parseNumberList(v, n, 5);
    // Each number is a 32-bit field of the stored form.
    show = clamp32(n[0]);
    left = clamp32(n[1]);
    top = clamp32(n[2]);
    right = clamp32(n[3]);
    bottom = clamp32(n[4]);
    read = 1;
  }
  if (show != 1 && show != 3) show = 3;
  // Width and height in 64 bits: extreme stored values must not overflow.
  std::int64_t width = right - left, height = bottom - top;
  if (width <= 0 || height <= 0 || top > sh || left > sw || width > INT32_MAX || height > INT32_MAX) {
    left = 30;
    top = 30;
    width = static_cast<std::int64_t>(sw) - 30;
    height = static_cast<std::int64_t>(sh) - 30;
  }
  if (pos) *pos = ObelRect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                           static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  if (showState) *showState = show;
  return read;
}

int SetObelStartPosition(const ObelWindowPlacement* p) {
  std::string v;
  if (!p) {
    v = "1,-2147483648,-2147483648,-2147483648,-2147483648";
  } else {
    v = fmt("%u,%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32, p->showCmd == 3 ? 3u : 1u,
            p->rcNormalPosition.left, p->rcNormalPosition.top, p->rcNormalPosition.right,
            p->rcNormalPosition.bottom);
  }
  writeKey("system", "position", v);
  return 0;
}

int GetStartZoom(float* zoom) {
  if (!zoom) return 0;
  *zoom = 1.0f;
  std::string v = readKey("system", "zoom", "1.0");
  // The C library's floating-point conversion, independent of the locale.
  std::size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
  if (i < v.size() && v[i] == '+') ++i;
  double d = 0;
  auto r = std::from_chars(v.data() + i, v.data() + v.size(), d);
  // A zoom must be a positive finite number (callers divide by it): anything
  // else keeps 1.0.
  if (r.ec == std::errc() && std::isfinite(d) && d > 0 && d < 1e6) *zoom = static_cast<float>(d);
  return 1;
}

int SetStartZoom(float zoom) {
  writeKey("system", "zoom", plat::num::formatDouble("%f", static_cast<double>(zoom)));
  return 0;
}

int GetWorkSheetSize(std::uint16_t* width, std::uint16_t* height) {
  std::uint16_t w = 1600, h = 1130;
  std::string v = readKey("system", "size", "1,horizontal");
  std::size_t i = 0;
  auto blanks = [&] { while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i; };
  blanks();
  char code = i < v.size() ? v[i++] : 0;
  blanks();
  if (i < v.size() && v[i] == ',') ++i;
  blanks();
  char orient = i < v.size() ? v[i] : 0;
  if (code >= '0' && code <= '2') {
    const std::uint16_t* s = kSheet[code - '0'];
    if (orient == 'H' || orient == 'h') { w = s[0]; h = s[1]; }
    else if (orient == 'U' || orient == 'u') { w = s[1]; h = s[0]; }
  }
  if (width) *width = w;
  if (height) *height = h;
  return 0;
}

int SetWorkSheetSize(std::uint16_t width, std::uint16_t height) {
  const char* code = "1,";
  if (width == 885 || width == 1250) code = "2,";
  else if (width == 1770 || width == 2500) code = "0,";
  std::string v = std::string(code) + (height < width ? "horizontal" : "uprigth");
  writeKey("system", "size", v);
  return 0;
}

int GetAutoRootOptions(std::uint8_t* on, std::uint16_t* nodes, std::uint8_t* crossText) {
  if (on) *on = 1;
  if (nodes) *nodes = 6;
  if (crossText) *crossText = 1;
  auto flag = [](const char* key) {
    std::string v = plat::path::toUpper(readKey("autoroot", key, "on"));
    return static_cast<std::uint8_t>((v == "OFF" || v == "0") ? 0 : 1);
  };
  if (on) *on = flag("onoff");
  if (nodes) *nodes = static_cast<std::uint16_t>(rules::toInt(readKey("autoroot", "node", "6")));
  if (crossText) *crossText = flag("crosstext");
  return 0;
}

int SetAutoRootOptions(unsigned on, std::uint16_t nodes, unsigned crossText) {
  writeKey("autoroot", "onoff", (on & 0xFFu) ? "on" : "off");
  writeKey("autoroot", "node", fmt("%d", static_cast<int>(nodes)));
  writeKey("autoroot", "crosstext", (crossText & 0xFFu) ? "on" : "off");
  return 0;
}

static std::uint32_t clampCycle(std::uint32_t v) { return v < 50 ? 50 : (v > 60000 ? 60000 : v); }

int GetObelLOnlineCycleTime(std::uint32_t* ms) {
  if (!ms) return 0;
  *ms = 300;
  std::string v = readKey("system", "cycletime", "300");
  // Compared as unsigned: a negative value reads as the upper limit.
  *ms = clampCycle(static_cast<std::uint32_t>(rules::toInt(v)));
  return 0;
}

int SetObelLOnlineCycleTime(std::uint32_t ms) {
  writeKey("system", "cycletime", fmt("%u", clampCycle(ms)));
  return 0;
}

int GetInsertBoxAttr(InsertBoxAttribs* a) {
  if (!a) return 0;
  *a = InsertBoxAttribs{1, 0, 0, 0, 0, 0};
  std::string v = readKey("system", "fbinsbox", "");
  if (v.empty()) return 0;
  std::int64_t n[6];
  parseNumberList(v, n, 6);
  a->a0 = static_cast<std::uint32_t>(static_cast<std::uint64_t>(n[0]));
  a->a1 = clamp32(n[1]);
  a->a2 = clamp32(n[2]);
  a->a3 = clamp32(n[3]);
  a->a4 = clamp32(n[4]);
  a->a5 = static_cast<std::uint32_t>(static_cast<std::uint64_t>(n[5]));
  return 1;
}

int SetInsertBoxAttr(const InsertBoxAttribs* a) {
  if (!a) return 0;
  return writeKey("system", "fbinsbox",
                  fmt("%u,%" PRId32 ",%" PRId32 ",%" PRId32 ",%" PRId32 ",%u", a->a0, a->a1, a->a2, a->a3,
                      a->a4, a->a5)) ? 1 : 0;
}

int GetObelLanguage() { return rules::toInt(readKey("SYSTEM", "LANGUAGE", "2")); }

int SetObelLanguage(int language) {
  writeKey("SYSTEM", "LANGUAGE", fmt("%u", static_cast<unsigned>(language)));
  return 0;
}

} // namespace obel
