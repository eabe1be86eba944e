// Serialiser of device description files for test fixtures.
#include "ddfreader/ddf_writer.h"

#include "platform/paths.h"

#include <algorithm>

namespace ddfw {
namespace {

class Out {
public:
  explicit Out(bool bigEndian) : big_(bigEndian) {}
  void u8(uint8_t v) { bytes_.push_back(v); }
  void u16(uint32_t v) {
    if (big_) { u8(uint8_t(v >> 8)); u8(uint8_t(v)); }
    else { u8(uint8_t(v)); u8(uint8_t(v >> 8)); }
  }
  void u32(uint32_t v) {
    if (big_) { u16(v >> 16); u16(v & 0xFFFF); }
    else { u16(v & 0xFFFF); u16(v >> 16); }
  }
  // An address of the description's width.
  void addr(uint32_t v, uint8_t addressFormat) {
    if (addressFormat == 2) u16(v); else u32(v);
  }
  void fixedText(const std::string& s, size_t n) {
    for (size_t i = 0; i < n; ++i) u8(i < s.size() ? uint8_t(s[i]) : 0);
  }
  void zText(const std::string& s) {
    for (char c : s) u8(uint8_t(c));
    u8(0);
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t> take() { return std::move(bytes_); }
private:
  bool big_;
  std::vector<uint8_t> bytes_;
};

bool segmentedWritten(const Description& d) {
  return d.writeSegmentedList && (d.version() >= 300 || !d.segmented.empty());
}

std::vector<uint8_t> serialise(const Description& d, Layout* layout) {
  Out o(d.dataFormat == 1);
  if (!d.plainForm) { o.u8(2); o.u8(d.major); o.u8(d.minor); }
  o.fixedText(d.device, 12);
  o.fixedText(d.processor, 12);
  o.u8(d.dataFormat);
  o.u32(d.progMemAddr);
  o.u32(d.progMemSize);
  o.u32(d.progTableAddr);
  o.u16(d.progTableCount);
  for (uint8_t b : d.reserved) o.u8(b);
  o.u32(d.projInfoAddr);
  o.u16(d.projInfoSize);
  o.u8(d.addressFormat);
  if (!d.plainForm && d.version() >= 200) {
    o.u32(d.minCycleTime);
    o.u32(d.structInfoAddr);
    o.u32(d.structInfoSize);
  }
  Layout l;
  l.headerSize = o.size();
  l.modulesStart = o.size();
  const uint8_t af = d.addressFormat;
  for (const Module& m : d.modules) {
    l.entryStarts.push_back(o.size());
    o.zText(m.name);
    o.addr(m.address, af);
  }
  l.entryStarts.push_back(o.size());
  o.u8(0);
  for (uint8_t b : d.moduleEndPad) o.u8(b);
  l.areasStart = o.size();
  for (const ContiguousArea& a : d.areas) {
    l.entryStarts.push_back(o.size());
    o.zText(a.name);
    o.addr(a.memAddr, af);
    o.addr(a.initAddr, af);
    o.u32(a.elemNum);
    o.u16(a.elemSize);
    o.u16(a.subElemSize);
  }
  l.entryStarts.push_back(o.size());
  o.u8(0);
  l.segmentedStart = o.size();
  if (segmentedWritten(d)) {
    for (const SegmentedArea& s : d.segmented) {
      l.entryStarts.push_back(o.size());
      o.zText(s.name);
      o.u16(uint32_t(s.segments.size()));
      o.addr(s.elemSize, af);
      for (const Segment& g : s.segments) {
        o.addr(g.address, af);
        o.addr(g.size, af);
      }
    }
    l.entryStarts.push_back(o.size());
    o.u8(0);
  }
  for (uint8_t b : d.trailer) o.u8(b);
  l.end = o.size();
  if (layout) *layout = l;
  return o.take();
}

// The 103 block handler names of the software PLC, in its table order.
const char* const kHandlerNames[] = {
    "JPZ",  "NOP",  "BEG",  "END",  "Init", "Abs",  "ADDF", "ADDL", "ADDW", "ADDT", "AND",
    "AV",   "BGF",  "BGL",  "BGW",  "CMPW", "CMPF", "CMPL", "CMPT", "Cos",  "DIVF", "DIVL",
    "DIVW", "EV",   "Exp",  "FD01", "FD10", "FFR",  "FFS",  "GMF",  "IG",   "Ln",   "Log",
    "MULF", "MULL", "MULW", "MUXF", "MUXL", "MUXW", "MUXT", "PLG",  "Not",  "OR",   "PG",
    "PID",  "PT1",  "Pow",  "SCHF", "SCHL", "SCHW", "SCHB", "SCHT", "Sgn",  "Sin",  "Sqrt",
    "SUBF", "SUBL", "SUBW", "SZG",  "TG",   "VRZ",  "Tan",  "ABB",  "ABW",  "ABY",  "AFF",
    "AFL",  "AFW",  "AFY",  "ALF",  "ALL",  "ALW",  "AWB",  "AWF",  "AWL",  "AWW",  "AWY",
    "AYB",  "AYF",  "AYW",  "AYY",  "AW8V", "AW16", "AL8V", "AF8V", "AT8V", "AT16", "AB8V",
    "AB16", "AW2L", "ALW2", "ABS",  "APR8", "VRZF", "SMOT", "SVAR", "IVAR", "CMW",  "CMWV",
    "EVF",  "T2D",  "Inif", "TON"};

struct AreaSpec {
  const char* name;
  uint32_t num;
  uint16_t size;
  uint16_t sub;
};

// Lays the areas one after the other from base, each at an even address.
std::vector<ContiguousArea> layAreas(const std::vector<AreaSpec>& specs, uint32_t& base) {
  std::vector<ContiguousArea> out;
  for (const AreaSpec& s : specs) {
    ContiguousArea a;
    a.name = s.name;
    a.memAddr = base;
    a.initAddr = base;
    a.elemNum = s.num;
    a.elemSize = s.size;
    a.subElemSize = s.sub;
    out.push_back(a);
    base += s.num * s.size;
    base = (base + 1) & ~1u;
  }
  return out;
}

}  // namespace

int Description::version() const { return plainForm ? 100 : major * 100 + minor; }

std::vector<uint8_t> build(const Description& d) { return serialise(d, nullptr); }

Layout layoutOf(const Description& d) {
  Layout l;
  serialise(d, &l);
  return l;
}

bool writeFile(const std::string& path, const Description& d, std::string* err) {
  std::vector<uint8_t> img = build(d);
  return plat::path::writeFileAtomic(
      path, std::string_view(reinterpret_cast<const char*>(img.data()), img.size()), err);
}

Description fixture4Byte(uint8_t dataFormat) {
  Description d;
  d.major = 3;
  d.minor = 1;
  d.device = "FIXT4.DDF";
  d.processor = "R512x86NWPT";
  d.dataFormat = dataFormat;
  d.progMemAddr = 0x00010000;
  d.progMemSize = 0x00000800;
  d.progTableAddr = 0x00020000;
  d.progTableCount = 15;
  d.projInfoAddr = 0x00020100;
  d.projInfoSize = 38;
  d.addressFormat = 4;
  d.minCycleTime = 5;
  d.structInfoAddr = 0x00030000;
  d.structInfoSize = 0x40;
  uint32_t handler = 0x00400000;
  for (const char* n : kHandlerNames) {
    d.modules.push_back({n, handler});
    handler += 0x10;
  }
  uint32_t base = 0x00100000;
  d.areas = layAreas({{"DW", 100, 2, 0},
                      {"PW", 100, 2, 0},
                      {"DF", 10, 4, 0},
                      {"PF", 10, 4, 0},
                      {"DL", 100, 4, 0},
                      {"PL", 100, 4, 0},
                      {"A", 16, 8, 1},
                      {"E", 16, 8, 1},
                      {"B", 100, 8, 1},
                      {"M", 64, 8, 1},
                      {"DT", 10, 18, 0},
                      {"PT", 10, 18, 0}},
                     base);
  d.segmented.push_back({"SCRIPTTAB", 512, {{0x00180000, 512}}});
  d.segmented.push_back({"SEG", 2, {{0x00190000, 10}, {0x001A0000, 6}}});
  return d;
}

Description fixture2Byte(uint8_t dataFormat) {
  Description d;
  d.major = 2;
  d.minor = 0;
  d.device = "FIXT2.DDF";
  d.processor = "C166";
  d.dataFormat = dataFormat;
  d.progMemAddr = 0x8000;
  d.progMemSize = 0x1000;
  d.progTableAddr = 0x4000;
  d.progTableCount = 8;
  d.projInfoAddr = 0x4100;
  d.projInfoSize = 38;
  d.addressFormat = 2;
  d.minCycleTime = 10;
  d.structInfoAddr = 0x4200;
  d.structInfoSize = 0x20;
  uint32_t handler = 0x1000;
  for (const char* n : kHandlerNames) {
    d.modules.push_back({n, handler});
    handler += 0x20;
  }
  uint32_t base = 0x6000;
  d.areas = layAreas({{"DW", 50, 2, 0},
                      {"PW", 50, 2, 0},
                      {"DF", 10, 4, 0},
                      {"PF", 10, 4, 0},
                      {"DL", 20, 4, 0},
                      {"PL", 20, 4, 0},
                      {"A", 8, 8, 1},
                      {"E", 8, 8, 1},
                      {"B", 32, 8, 1},
                      {"M", 64, 8, 1},
                      {"DT", 4, 18, 0},
                      {"PT", 4, 18, 0},
                      {"SCRIPTTAB", 1, 512, 0}},
                     base);
  return d;
}

}  // namespace ddfw
