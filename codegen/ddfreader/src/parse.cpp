// Reader of the device description layout: header (plain or versioned form),
// module table, contiguous and segmented memory areas.
#include "parse.h"

#include <cstring>

namespace ddf::detail {
namespace {

constexpr size_t kHeaderNameBytes = 12;
constexpr size_t kEntryNameKept = 16;

class Cursor {
public:
  Cursor(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  size_t pos() const { return pos_; }
  bool atEnd() const { return pos_ >= n_; }
  size_t remaining() const { return n_ - pos_; }
  // Points p at the next k bytes and moves past them; false (nothing moved)
  // when fewer remain.
  bool take(size_t k, const uint8_t*& p) {
    if (k > n_ - pos_) return false;
    p = d_ + pos_;
    pos_ += k;
    return true;
  }
  bool byte(uint8_t& b) {
    const uint8_t* p;
    if (!take(1, p)) return false;
    b = *p;
    return true;
  }
  void skipUpTo(size_t k) { pos_ += k < n_ - pos_ ? k : n_ - pos_; }

private:
  const uint8_t* d_;
  size_t n_;
  size_t pos_ = 0;
};

class Numbers {
public:
  Numbers(Cursor& c, const mc01::Table& t) : c_(c), t_(t) {}
  bool u32(uint32_t& v) {
    const uint8_t* p;
    return c_.take(4, p) && t_.BinToLong(p, 4, &v) != 0;
  }
  bool u16(uint16_t& v) {
    const uint8_t* p;
    return c_.take(2, p) && t_.BinToWord(p, 2, &v) != 0;
  }
  bool u16to32(uint32_t& v) {
    uint16_t w;
    if (!u16(w)) return false;
    v = w;
    return true;
  }
  // An address (or size) of the description's width.
  bool addr(uint32_t& v, int width) { return width == 2 ? u16to32(v) : u32(v); }

private:
  Cursor& c_;
  const mc01::Table& t_;
};

enum class NameRead { Name, End, Fail };

// A zero-terminated entry name: the end of the image or a lone zero ends the
// list; the end of the image inside a name fails it. At most 16 characters
// are kept and converted.
NameRead readName(Cursor& c, const mc01::Table& t, std::string& name) {
  if (c.atEnd()) return NameRead::End;
  uint8_t raw[kEntryNameKept + 1] = {};
  size_t kept = 0;
  for (;;) {
    uint8_t b;
    if (!c.byte(b)) return NameRead::Fail;
    if (b == 0) break;
    if (kept < kEntryNameKept) raw[kept++] = b;
  }
  if (kept == 0) return NameRead::End;
  char text[kEntryNameKept + 1] = {};
  t.BinToString(raw, int(kEntryNameKept + 1), text, int(kEntryNameKept + 1));
  text[kEntryNameKept] = 0;
  name = text;
  return NameRead::Name;
}

bool readHeaderName(Cursor& c, const mc01::Table& t, std::string& out) {
  const uint8_t* p;
  if (!c.take(kHeaderNameBytes, p)) return false;
  uint8_t raw[kHeaderNameBytes + 1] = {};
  std::memcpy(raw, p, kHeaderNameBytes);
  char text[kHeaderNameBytes + 1] = {};
  if (!t.BinToString(raw, int(kHeaderNameBytes + 1), text, int(kHeaderNameBytes + 1))) return false;
  text[kHeaderNameBytes] = 0;
  out = text;
  return true;
}

bool readHeader(Cursor& c, const BindConverter& bind, Parsed& out, const mc01::Table*& conv) {
  Header& h = out.header;
  auto field = [&](Field f, size_t start) { out.headerFields.push_back({f, {start, c.pos()}}); };
  size_t start = c.pos();
  uint8_t first = 0;
  const uint8_t* p;
  {
    Cursor peek = c;  // byte 0 tells the form
    if (!peek.byte(first)) return false;
  }
  if (first == 2 && c.remaining() >= 3) {
    c.take(3, p);
    h.plainForm = false;
    h.version = uint16_t(p[1] * 100 + p[2]);
  } else if (first == 2) {
    return false;
  } else {
    h.plainForm = true;
    h.version = 100;
  }
  field(Field::Version, start);

  // The names are converted once the converter is bound (after the format byte).
  start = c.pos();
  const uint8_t* devRaw;
  if (!c.take(kHeaderNameBytes, devRaw)) return false;
  field(Field::Device, start);
  start = c.pos();
  const uint8_t* procRaw;
  if (!c.take(kHeaderNameBytes, procRaw)) return false;
  field(Field::Processor, start);
  start = c.pos();
  if (!c.byte(h.dataFormat)) return false;
  field(Field::DataFormat, start);
  conv = bind(converterFormat(h.dataFormat));
  if (!conv) return false;
  {
    Cursor names(devRaw, kHeaderNameBytes);
    if (!readHeaderName(names, *conv, h.device)) return false;
    Cursor names2(procRaw, kHeaderNameBytes);
    if (!readHeaderName(names2, *conv, h.processor)) return false;
  }
  Numbers n(c, *conv);
  start = c.pos();
  if (!n.u32(h.progMemAddr) || !n.u32(h.progMemSize)) return false;
  field(Field::ProgMem, start);
  start = c.pos();
  if (!n.u32(h.progTableAddr) || !n.u16(h.progTableCount)) return false;
  field(Field::ProgTable, start);
  start = c.pos();
  if (!c.take(10, p)) return false;
  field(Field::Unused, start);
  start = c.pos();
  if (!n.u32(h.projInfoAddr) || !n.u16(h.projInfoSize)) return false;
  field(Field::ProjInfo, start);
  start = c.pos();
  if (!c.byte(h.addressFormat)) return false;
  field(Field::AddressFormat, start);
  if (!h.plainForm && h.version >= 200) {
    start = c.pos();
    if (!n.u32(h.minCycleTime)) return false;
    field(Field::MinCycle, start);
    start = c.pos();
    if (!n.u32(h.structInfoAddr) || !n.u32(h.structInfoSize)) return false;
    field(Field::StructInfo, start);
  }
  return true;
}

bool readModules(Cursor& c, const mc01::Table& t, const Header& h, Parsed& out) {
  Numbers n(c, t);
  for (;;) {
    size_t start = c.pos();
    ModuleEntry e;
    NameRead r = readName(c, t, e.module.name);
    if (r == NameRead::Fail) return false;
    if (r == NameRead::End) {
      if (c.pos() > start) {
        c.skipUpTo(3);
        out.modulesEnd = Span{start, c.pos()};
      }
      return true;
    }
    if (!n.addr(e.module.address, h.addressWidth())) return false;
    e.span = {start, c.pos()};
    out.modules.push_back(std::move(e));
  }
}

bool readContiguous(Cursor& c, const mc01::Table& t, const Header& h, Parsed& out) {
  Numbers n(c, t);
  const int w = h.addressWidth();
  for (;;) {
    size_t start = c.pos();
    AreaEntry e;
    NameRead r = readName(c, t, e.area.name);
    if (r == NameRead::Fail) return false;
    if (r == NameRead::End) {
      if (c.pos() > start) out.areasEnd = Span{start, c.pos()};
      return true;
    }
    e.area.kind = 0;
    if (!n.addr(e.area.memAddr, w) || !n.addr(e.initAddr, w) || !n.u32(e.area.elemNum) ||
        !n.u16to32(e.area.elemSize) || !n.u16to32(e.area.subElemSize))
      return false;
    e.span = {start, c.pos()};
    out.areas.push_back(std::move(e));
  }
}

bool readSegmented(Cursor& c, const mc01::Table& t, const Header& h, Parsed& out) {
  Numbers n(c, t);
  const int w = h.addressWidth();
  for (;;) {
    size_t start = c.pos();
    AreaEntry e;
    NameRead r = readName(c, t, e.area.name);
    if (r == NameRead::Fail) return false;
    if (r == NameRead::End) {
      if (c.pos() > start) out.segmentedEnd = Span{start, c.pos()};
      return true;
    }
    Area& a = e.area;
    a.kind = 1;
    if (!n.u16(a.segmNum) || !n.addr(a.elemSize, w)) return false;
    // Every segment's element count divides by the element size: a segmented
    // area without an element size is no sound description.
    if (a.elemSize == 0) return false;
    // Each segment takes 2 x width bytes: a count beyond the image is refused
    // before anything is reserved.
    if (size_t(a.segmNum) * size_t(2 * w) > c.remaining()) return false;
    a.segments.reserve(a.segmNum);
    uint64_t total = 0;
    for (uint16_t i = 0; i < a.segmNum; ++i) {
      Segment s;
      if (!n.addr(s.address, w) || !n.addr(s.size, w)) return false;
      total += s.size / a.elemSize;
      a.segments.push_back(s);
    }
    if (total > UINT32_MAX) return false;
    a.elemNum = uint32_t(total);
    e.span = {start, c.pos()};
    out.segmented.push_back(std::move(e));
  }
}

}  // namespace

void parse(const uint8_t* data, size_t size, const BindConverter& bind, Parsed& out) {
  out = Parsed{};
  Cursor c(data, size);
  const mc01::Table* conv = nullptr;
  out.headerOk = readHeader(c, bind, out, conv);
  if (out.headerOk) {
    out.modulesOk = readModules(c, *conv, out.header, out);
    if (out.modulesOk)
      out.areasOk = readContiguous(c, *conv, out.header, out) && readSegmented(c, *conv, out.header, out);
  }
  out.stop = c.pos();
}

}  // namespace ddf::detail
