// The interface ports and the selection of INTERFACE.INI.
#include "obeltool/core.h"
#include "obeltool/mstrbuf.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include <cstdlib>
#include <cstring>

namespace obel {

namespace {

std::string readIf(const std::string& section, const std::string& key, const char* def = "") {
  return plat::profile::getString(interfaceIniPath(), section, key, def);
}

char* dupString(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

} // namespace

int FreeKXIFPort(InterfacePort* port) {
  if (!port) return 0;
  std::free(port->name);
  std::free(port->driver);
  *port = InterfacePort{nullptr, nullptr, 0, 0};
  return 0;
}

int GetKXIFPort(int port, InterfacePort* out) {
  if (!out) return 0;
  *out = InterfacePort{nullptr, nullptr, 0, 0};
  if (port == 0) return 0;
  auto fail = [&] { obel::FreeKXIFPort(out); return 0; };
  std::string name = plat::path::toUpper(readIf("PORTS", std::to_string(static_cast<unsigned>(port))));
  if (name.empty()) return fail();
  out->name = dupString(name);
  std::string driver = readIf(name, "DRIVER");
  if (driver.empty() || !out->name) return fail();
  // The driver's file name keeps its case; libraries are found ignoring case.
  out->driver = dupString(driver);
  if (!out->driver) return fail();
  std::string maxif = readIf(name, "MAXIFNUM");
  if (maxif.empty()) return fail();
  out->maxifnum = rules::toInt(maxif);
  std::string type = plat::path::toUpper(readIf(name, "TYPE"));
  if (type == "ACTIVE") out->flags |= KXIF_PORT_ACTIVE;
  else if (type != "PASSIVE") return fail();
  std::string settings = plat::path::toUpper(readIf(name, "SETTINGS"));
  if (settings == "YES") out->flags |= KXIF_PORT_HAS_SETTINGS;
  else if (settings != "NO") return fail();
  return 1;
}

int GetKXIFSettings(InterfaceSettings* out) {
  if (!out) return 0;
  *out = InterfaceSettings{0, 0, 0, 0};
  InterfaceSettings s{0, 0, 0, 0};
  std::string v = readIf("SETTINGS", "PORT");
  if (v.empty()) return 0;
  s.port = static_cast<std::uint32_t>(rules::toInt(v));
  v = readIf("SETTINGS", "IFACENUM");
  if (v.empty()) return 0;
  s.ifacenum = static_cast<std::uint32_t>(rules::toInt(v));
  v = readIf("SETTINGS", "CYCLETIME");
  if (v.empty()) return 0;
  s.cycletime = static_cast<std::uint32_t>(rules::toInt(v));
  v = plat::path::toUpper(readIf("SETTINGS", "MINVIS"));
  if (v == "ON") s.flags |= KXIF_MINVIS;
  else if (v != "OFF") return 0;
  *out = s;
  return 1;
}

int SetKXIFSettings(const InterfaceSettings* in) {
  if (!in) return 0;
  std::string file = interfaceIniPath();
  bool ok = plat::profile::writeString(file, "SETTINGS", "PORT", std::to_string(in->port).c_str());
  ok = plat::profile::writeString(file, "SETTINGS", "IFACENUM", std::to_string(in->ifacenum).c_str()) && ok;
  ok = plat::profile::writeString(file, "SETTINGS", "CYCLETIME", std::to_string(in->cycletime).c_str()) && ok;
  ok = plat::profile::writeString(file, "SETTINGS", "MINVIS", (in->flags & KXIF_MINVIS) ? "ON" : "OFF") && ok;
  plat::profile::flush(file);
  return ok ? 1 : 0;
}

int IsKXIFMinVis() { return plat::path::toUpper(readIf("SETTINGS", "MINVIS")) == "ON" ? 1 : 0; }

int IsKXIFActive() {
  std::string port = readIf("SETTINGS", "PORT");
  if (port.empty()) return 0;
  std::string name = readIf("PORTS", port);
  if (name.empty()) return 0;
  return plat::path::toUpper(readIf(name, "TYPE")) == "ACTIVE" ? 1 : 0;
}

int GetZrlServerName(MStrBuf* out, int templateNumber) {
  if (!out) return 0;
  msb::Init(out);
  std::string v = readIf("COMM TEMPLATES", std::to_string(templateNumber));
  if (v.empty()) return 0;
  return msb::FromString(out, v);
}

} // namespace obel
