// Program tables: area declarations, the two memory pools, area placement and
// the kernel's own device descriptions (short and full).
#include "kernel.h"

#include <algorithm>
#include <cstring>

namespace plc {

namespace {

constexpr const char* kNamedNames[] = {"DW", "PW", "DF", "PF", "DL", "PL", "PT", "DT", "M", "E", "A", "B"};
constexpr std::uint32_t kProgBlockDefault = 4000;

std::uint64_t declBytes(const AreaDecl& d) {
  return static_cast<std::uint64_t>(d.number) * d.size;
}
std::uint64_t evenUp(std::uint64_t v) { return (v + 1) & ~std::uint64_t{1}; }
std::uint64_t align16(std::uint64_t v) { return (v + 15) & ~std::uint64_t{15}; }

// Bytes of the program block when the first declaration is named "MVL".
std::uint64_t progBlockBytes(const std::vector<AreaDecl>& d) {
  if (d.empty() || d[0].name != "MVL") return 0;
  return d[0].size ? 4ull * d[0].size : kProgBlockDefault;
}

} // namespace

std::vector<AreaDecl> Kernel::builtinDeclarations() {
  return {
      {"MVL", 4, 30000, 0x13}, {"DW", 10000, 2, 0x11}, {"PW", 10000, 2, 0x13},
      {"DF", 10, 4, 0x01},     {"PF", 10, 4, 0x13},    {"DL", 1000, 4, 0x01},
      {"PL", 1000, 4, 0x13},   {"A", 100, 8, 0x05},    {"E", 100, 8, 0x15},
      {"B", 1000, 8, 0x17},    {"M", 1000, 8, 0x05},   {"DT", 500, 18, 0x01},
      {"PT", 500, 18, 0x13},
  };
}

bool Kernel::parseResourceRequest(const std::uint8_t* p, std::size_t n, std::vector<AreaDecl>& out) {
  using namespace protocol;
  out.clear();
  if (n < kResourceCountSize) return false;
  std::uint32_t count = getU32(p);
  std::size_t room = (n - kResourceCountSize) / kResourceEntrySize;
  if (count > room) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = p + kResourceCountSize + i * kResourceEntrySize;
    AreaDecl d;
    std::size_t len = 0;
    while (len < kResNameSize && e[len]) ++len;
    d.name.assign(reinterpret_cast<const char*>(e), len);
    d.number = getU32(e + kResOffNumber);
    d.size = getU32(e + kResOffSize);
    d.option = e[kResOffOption];
    out.push_back(std::move(d));
  }
  return true;
}

void Kernel::clearProgramTables() {
  decls_.clear();
  declsLoaded_ = false;
  areas_.clear();
  pool1_ = Pool{};
  pool2_ = Pool{};
  mem.resize(kPoolsOffset);
  progBase_ = kArenaBase + kStaticProgOffset;
  memSizeWords_ = 0;
  setNamedPointers();
  // Header row of the task table: program base and memory size.
  protocol::putU32(mem.raw() + kTaskTableOffset, progBase_);
  protocol::putU32(mem.raw() + kTaskTableOffset + 4, memSizeWords_);
}

void Kernel::setNamedPointers() {
  for (int i = 0; i < static_cast<int>(Named::Count); ++i) {
    named_[i] = -1;
    for (std::size_t a = 0; a < areas_.size(); ++a) {
      if (areas_[a].name == kNamedNames[i]) { named_[i] = static_cast<int>(a); break; }
    }
  }
}

const Area* Kernel::named(Named n) const {
  int i = named_[static_cast<int>(n)];
  return i >= 0 && i < static_cast<int>(areas_.size()) ? &areas_[i] : nullptr;
}

const Area* Kernel::findArea(const std::string& name) const {
  for (const Area& a : areas_)
    if (a.name == name) return &a;
  return nullptr;
}

bool Kernel::allocPools(const std::vector<AreaDecl>& d) {
  std::uint64_t s1 = 0, s2 = 0;
  for (std::size_t i = 0; i < d.size() && i < kMaxAreas; ++i) {
    std::uint64_t b = evenUp(declBytes(d[i]));
    if (i == 0) b *= 4;
    if (d[i].name == "SCRIPTTAB") b *= 2;
    if (d[i].option & protocol::kAreaOptSecondPool) s2 += b; else s1 += b;
    if (s1 > kMaxArena || s2 > kMaxArena) return false;
  }
  // The program block is taken from the second pool too: room for it.
  s2 += evenUp(progBlockBytes(d));
  std::uint64_t total = kPoolsOffset + align16(s1) + align16(s2);
  if (total > kMaxArena) return false;
  mem.resize(static_cast<std::size_t>(total));
  pool1_ = Pool{kPoolsOffset, static_cast<std::uint32_t>(s1), 0, true};
  pool2_ = Pool{static_cast<std::uint32_t>(kPoolsOffset + align16(s1)), static_cast<std::uint32_t>(s2), 0, true};
  return true;
}

bool Kernel::place(Pool& pool, std::uint64_t bytes, Addr& at) {
  if (!pool.allocated || pool.fill + bytes > pool.size) return false;
  at = kArenaBase + pool.offset + pool.fill;
  pool.fill = static_cast<std::uint32_t>(evenUp(pool.fill + bytes));
  if (pool.fill > pool.size) pool.fill = pool.size;
  return true;
}

bool Kernel::placeAreas() {
  areas_.clear();
  bool ok = true;
  for (std::size_t i = 0; i < decls_.size() && i < kMaxAreas; ++i) {
    const AreaDecl& d = decls_[i];
    Area a;
    a.name = d.name;
    a.number = d.number;
    a.size = d.size;
    a.option = d.option;
    std::uint64_t bytes = declBytes(d);
    Pool& pool = (d.option & protocol::kAreaOptSecondPool) ? pool2_ : pool1_;
    Addr at = 0;
    if (!place(pool, bytes, at)) { ok = false; break; }
    a.blockCount = 1;
    a.blocks[0] = {at, static_cast<std::uint32_t>(bytes)};
    if (a.name == "SCRIPTTAB") {
      Addr second = 0;
      if (place(pool1_, bytes, second)) {
        a.blockCount = 2;
        a.blocks[1] = {second, static_cast<std::uint32_t>(bytes)};
      } else {
        a.name = "--";
      }
    }
    // The resource hook of the I/O module is empty in this system.
    areas_.push_back(a);
  }
  setNamedPointers();
  // Program memory from the second pool.
  std::uint64_t pb = progBlockBytes(decls_);
  Addr at = 0;
  if (pb && place(pool2_, pb, at)) {
    progBase_ = at;
    memSizeWords_ = static_cast<std::uint32_t>(pb / 4);
  } else {
    progBase_ = kArenaBase + kStaticProgOffset;
    memSizeWords_ = 0;
  }
  protocol::putU32(mem.raw() + kTaskTableOffset, progBase_);
  protocol::putU32(mem.raw() + kTaskTableOffset + 4, memSizeWords_);
  return ok;
}

void Kernel::loadDeclarations(const std::vector<AreaDecl>& decls, std::vector<int>& tails) {
  if (declsLoaded_ && decls == decls_) return;   // same list: areas and data kept
  if (declsLoaded_) {
    setModeCore(protocol::kModeReset);
    tails.push_back(protocol::kModeReset);
  }
  // Free both pools and the area table; the area pointers go with them.
  std::vector<AreaDecl> keep = decls;
  clearProgramTables();
  decls_ = std::move(keep);
  if (decls_.empty() || !allocPools(decls_)) {
    clearProgramTables();
    return;
  }
  declsLoaded_ = true;
  placeAreas();
}

void Kernel::clearAreas(bool all) {
  for (const Area& a : areas_) {
    if (!all) {
      if (a.option & (protocol::kAreaOptKeepOnReset | protocol::kAreaOptSecondPool)) continue;
      if (a.name == "SCRIPTTAB") continue;
    }
    for (int b = 0; b < a.blockCount; ++b) {
      std::uint8_t* p = mem.ptr(a.blocks[b].addr, a.blocks[b].bytes);
      if (!p) continue;
      if (!all && a.name == "A" && a.blocks[b].bytes > 80) {
        // Elements A10 to A13 hold the stop requests of the output image.
        std::memset(p, 0, 80);
        if (a.blocks[b].bytes > 112) std::memset(p + 112, 0, a.blocks[b].bytes - 112);
      } else {
        std::memset(p, 0, a.blocks[b].bytes);
      }
    }
  }
}

bool Kernel::announced(Addr a, std::size_t n) const {
  struct R { std::uint64_t lo, hi; };
  std::vector<R> rs;
  rs.push_back({kArenaBase, kArenaBase + kProgInfoOffset + kProgInfoRoom});
  rs.push_back({kArenaBase + kStaticProgOffset, kArenaBase + kStaticProgOffset + kStaticProgSize});
  if (memSizeWords_) rs.push_back({progBase_, progBase_ + 4ull * memSizeWords_});
  for (const Area& ar : areas_)
    for (int b = 0; b < ar.blockCount; ++b)
      rs.push_back({ar.blocks[b].addr, static_cast<std::uint64_t>(ar.blocks[b].addr) + ar.blocks[b].bytes});
  std::sort(rs.begin(), rs.end(), [](const R& x, const R& y) { return x.lo < y.lo; });
  std::uint64_t lo = a, hi = lo + n;
  std::uint64_t curLo = 0, curHi = 0;
  bool have = false;
  for (const R& r : rs) {
    if (have && r.lo <= curHi) { curHi = std::max(curHi, r.hi); continue; }
    if (have && lo >= curLo && hi <= curHi) return mem.contains(a, n);
    curLo = r.lo; curHi = r.hi; have = true;
  }
  return have && lo >= curLo && hi <= curHi && mem.contains(a, n);
}

// ---------------------------------------------------------------------------
// Descriptions.

namespace {

struct Writer {
  std::uint8_t* p;
  std::size_t cap;
  std::size_t at = 0;
  std::size_t left() const { return cap - at; }
  void u8(std::uint8_t v) { if (at < cap) p[at++] = v; }
  void u16(std::uint16_t v) { u8(static_cast<std::uint8_t>(v)); u8(static_cast<std::uint8_t>(v >> 8)); }
  void u32(std::uint32_t v) { u16(static_cast<std::uint16_t>(v)); u16(static_cast<std::uint16_t>(v >> 16)); }
  void zeros(std::size_t n) { while (n--) u8(0); }
  void fixed(std::string_view s, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) u8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
  }
  void cstr(std::string_view s) { for (char c : s) u8(static_cast<std::uint8_t>(c)); u8(0); }
  // The room check before each module row and each area.
  bool roomOrMarker() {
    if (left() > 40) return true;
    static const std::uint8_t marker[8] = {0, 0, 0, 0, 0, 1, 2, 3};
    for (std::uint8_t b : marker) u8(b);
    return false;
  }
};

} // namespace

std::size_t Kernel::writeShortInfo(std::uint8_t* out, std::size_t cap) const {
  using namespace protocol;
  if (cap <= 30) return 0;
  Writer w{out, cap};
  w.u8(2); w.u8(kPlcMajor); w.u8(kPlcMinor);
  w.fixed(kPlcDeviceName, kShortDeviceSize);
  w.u8(2);
  w.u8(4);
  w.u32(static_cast<std::uint32_t>(kChannelSize));
  return w.at;
}

std::size_t Kernel::writeFullInfo(std::uint8_t* out, std::size_t cap) const {
  using namespace protocol;
  if (cap <= 80) return 0;
  Writer w{out, cap};
  w.u8(2); w.u8(kPlcMajor); w.u8(kPlcMinor);
  w.fixed(kPlcDeviceName, 12);
  w.fixed(kPlcProcessorName, 12);
  w.u8(2);
  w.u32(progBase_);
  w.u32(memSizeWords_);
  w.u32(taskRowAddr(0));
  w.u16(15);
  w.zeros(10);
  w.u32(progInfoAddr());
  w.u16(38);
  w.u8(4);
  w.u32(tick_);
  w.zeros(8);
  for (const OpcodeRow& r : opcodeTable()) {
    if (!w.roomOrMarker()) return w.at;
    w.cstr(r.name);
    w.u32(handlerToken(static_cast<int>(&r - opcodeTable().data())));
  }
  w.u32(0);
  bool contiguous = true;
  for (const Area& a : areas_) {
    if (!w.roomOrMarker()) return w.at;
    if (contiguous && !(a.option & kAreaOptOneBlockForm)) {
      w.u8(0);
      contiguous = false;
    }
    w.cstr(a.name);
    if (contiguous) {
      w.u32(a.blocks[0].addr);
      w.u32(a.blocks[0].addr);
      w.u32(a.number);
      w.u16(static_cast<std::uint16_t>(a.size));
      w.u16((a.option & kAreaOptBitArea) ? 1 : 0);
    } else {
      w.u16(a.blockCount);
      w.u32(a.size);
      for (int b = 0; b < a.blockCount; ++b) {
        w.u32(a.blocks[b].addr);
        w.u32(a.blocks[b].bytes);
      }
    }
  }
  w.zeros(8);
  return w.at;
}

} // namespace plc
