#pragma once
// A small reader of the device description format for checking the kernel's
// own description byte by byte (Intel order, address format 4).
#include <cstdint>
#include <string>
#include <vector>

namespace plctest {

struct DdfModule { std::string name; std::uint32_t addr; };
struct DdfArea {
  std::string name;
  bool segmented = false;
  std::uint32_t addr = 0, init = 0, number = 0, size = 0, sub = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> segments;
};
struct Ddf {
  int version = 0;
  std::string device, processor;
  int format = 0, addrFormat = 0;
  std::uint32_t progAddr = 0, progSize = 0, tableAddr = 0, infoAddr = 0, tick = 0;
  int tableCount = 0, infoSize = 0;
  std::vector<DdfModule> modules;
  std::vector<DdfArea> areas;
  bool ok = false;
};

inline Ddf parseDdf(const std::uint8_t* p, std::size_t n) {
  Ddf d;
  std::size_t at = 0;
  bool bad = false;
  auto u8 = [&]() -> std::uint32_t { if (at >= n) { bad = true; return 0; } return p[at++]; };
  auto u16 = [&]() { std::uint32_t a = u8(); return a | (u8() << 8); };
  auto u32 = [&]() { std::uint32_t a = u16(); return a | (u16() << 16); };
  auto fixed = [&](std::size_t len) {
    std::string s;
    for (std::size_t i = 0; i < len; ++i) { char c = static_cast<char>(u8()); if (c) s.push_back(c); else { at += len - i - 1; break; } }
    return s;
  };
  auto cstr = [&](bool& end) {
    std::string s;
    end = false;
    if (at >= n) { end = true; return s; }
    for (;;) { char c = static_cast<char>(u8()); if (bad || !c) break; s.push_back(c); }
    if (s.empty()) end = true;
    return s;
  };
  if (n < 71 || p[0] != 2) return d;
  u8();
  int major = static_cast<int>(u8()), minor = static_cast<int>(u8());
  d.version = major * 100 + minor;
  d.device = fixed(12);
  d.processor = fixed(12);
  d.format = static_cast<int>(u8());
  d.progAddr = u32();
  d.progSize = u32();
  d.tableAddr = u32();
  d.tableCount = static_cast<int>(u16());
  at += 10;
  d.infoAddr = u32();
  d.infoSize = static_cast<int>(u16());
  d.addrFormat = static_cast<int>(u8());
  d.tick = u32();
  at += 8;
  bool end = false;
  for (;;) {
    std::string name = cstr(end);
    if (end) { at += 3; break; }
    d.modules.push_back({name, u32()});
  }
  for (;;) {
    std::string name = cstr(end);
    if (end) break;
    DdfArea a;
    a.name = name;
    a.addr = u32(); a.init = u32(); a.number = u32(); a.size = u16(); a.sub = u16();
    d.areas.push_back(a);
  }
  for (;;) {
    std::string name = cstr(end);
    if (end) break;
    DdfArea a;
    a.name = name;
    a.segmented = true;
    std::uint32_t segs = u16();
    a.size = u32();
    for (std::uint32_t i = 0; i < segs && !bad; ++i) { std::uint32_t x = u32(); a.segments.push_back({x, u32()}); }
    d.areas.push_back(a);
  }
  d.ok = !bad;
  return d;
}

} // namespace plctest
