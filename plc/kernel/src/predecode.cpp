// Translation of block records into the pre-decoded form, its fast handlers
// and the run step over it.
#include "predecode.h"

#include "handlers.h"

#include <algorithm>
#include <cstring>

namespace plc {

namespace {

using W = std::int16_t;
using L = std::int32_t;
using F = float;
using B = std::uint8_t;

// Operand kinds of a fast block, one letter per operand: 'c' constant,
// 'j' constant jump target; cells read: 'b' byte, 'w' word, 'l' long or
// float, 'q' four bytes; the same letters in upper case are cells written.
std::size_t cellSize(char c) {
  switch (c) {
    case 'b': case 'B': return 1;
    case 'w': case 'W': return 2;
    case 'l': case 'L': case 'q': case 'Q': return 4;
    default: return 0;
  }
}
bool written(char c) { return c >= 'A' && c <= 'Z'; }

template <class T> T ld(const DCtx& c, std::uint32_t off) {
  T v;
  std::memcpy(&v, c.mem + off, sizeof(T));
  return v;
}
template <class T> void st(DCtx& c, std::uint32_t off, T v) { std::memcpy(c.mem + off, &v, sizeof(T)); }
inline const std::uint32_t* opsOf(const DCtx&, const DBlock& b) { return b.in; }
// The operands of a block that keeps them in the pool.
inline const std::uint32_t* poolOf(const DCtx& c, const DBlock& b) { return c.ops + b.in[0]; }

std::uint32_t fNOP(DCtx&, const DBlock& b) { return b.next; }
std::uint32_t fEND(DCtx& c, const DBlock& b) { c.k.stopByte = 255; return b.next; }
std::uint32_t fJPZ(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  return ld<B>(c, o[1]) == 0 ? o[0] : b.next;
}

#define PLC_FAST_BIN(name, T, expr)                                \
  std::uint32_t f##name(DCtx& c, const DBlock& b) {               \
    const std::uint32_t* o = opsOf(c, b);                         \
    T x = ld<T>(c, o[0]), y = ld<T>(c, o[1]);                      \
    st<T>(c, o[2], expr);                                          \
    return b.next;                                                 \
  }
PLC_FAST_BIN(ADDW, W, wrapAdd(x, y))
PLC_FAST_BIN(ADDL, L, wrapAdd(x, y))
PLC_FAST_BIN(ADDF, F, x + y)
PLC_FAST_BIN(SUBW, W, wrapSub(x, y))
PLC_FAST_BIN(SUBL, L, wrapSub(x, y))
PLC_FAST_BIN(SUBF, F, x - y)
PLC_FAST_BIN(MULW, W, wrapMul(x, y))
PLC_FAST_BIN(MULL, L, wrapMul(x, y))
PLC_FAST_BIN(MULF, F, x * y)
#undef PLC_FAST_BIN

template <class T> std::uint32_t fCmp(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  T x = ld<T>(c, o[0]), y = ld<T>(c, o[1]);
  compareInto(c.mem + o[2], x, y);
  return b.next;
}
template <class T> std::uint32_t fSel(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  st<T>(c, o[3], ld<B>(c, o[2]) ? ld<T>(c, o[1]) : ld<T>(c, o[0]));
  return b.next;
}
// Copies and conversions: source type S, destination type D.
template <class S, class D> std::uint32_t fMove(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  st<D>(c, o[1], static_cast<D>(ld<S>(c, o[0])));
  return b.next;
}
// Two inputs, the most common form: no loop. in[0] holds the inversions of
// the inputs (bits 0 and 1) and the negation of the result (bit 31).
template <bool isAnd> std::uint32_t fAndOr2(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  const std::uint32_t flags = o[0];
  const bool x = ld<B>(c, o[1]) != 0 || (flags & 1u), y = ld<B>(c, o[2]) != 0 || (flags & 2u);
  bool r = isAnd ? x && y : x || y;
  if (flags & 0x80000000u) r = !r;
  st<B>(c, o[3], r ? 255 : 0);
  return b.next;
}
template <bool isAnd> std::uint32_t fAndOr(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = poolOf(c, b);
  std::uint32_t w = o[0], inv = o[1];
  int n = static_cast<int>(w & 0x7FFF);
  bool all = true, any = false;
  for (int i = 0; i < n; ++i) {
    bool v = ld<B>(c, o[2 + i]) != 0;
    if (!v && i < 32 && (inv >> i) & 1u) v = true;
    all = all && v;
    any = any || v;
  }
  bool r = isAnd ? all : any;
  if (w & 0x8000) r = !r;
  st<B>(c, o[2 + n], r ? 255 : 0);
  return b.next;
}
std::uint32_t fNot(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  st<B>(c, o[1], ld<B>(c, o[0]) == 0 ? 255 : 0);
  return b.next;
}
template <bool rising> std::uint32_t fEdge(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  B in = ld<B>(c, o[0]), prev = ld<B>(c, o[2]);
  bool r = rising ? (in != 0 && in != prev) : (in == 0 && prev != 0);
  st<B>(c, o[1], r ? 255 : 0);
  st<B>(c, o[2], in);
  return b.next;
}
template <bool resetFirst> std::uint32_t fFlipFlop(DCtx& c, const DBlock& b) {
  const std::uint32_t* o = opsOf(c, b);
  bool set = ld<B>(c, o[0]) != 0, reset = ld<B>(c, o[1]) != 0;
  if (resetFirst ? reset : !set && reset) st<B>(c, o[2], 0);
  else if (set) st<B>(c, o[2], 255);
  return b.next;
}

// A block run by its checked handler on the record itself.
std::uint32_t fChecked(DCtx& c, const DBlock& b) {
  const DInfo& in = c.info[&b - c.blocks];
  Exec ex{c.k, c.k.mem};
  ex.rec = in.rec;
  ex.next = in.nextAddr;
  std::uint64_t gen = c.k.mem.generation();
  in.checked(ex);
  if (ex.fault) return kDFault;
  // A write into a translated record: the rest of this step runs checked.
  if (c.k.mem.generation() != gen || ex.next != in.nextAddr) {
    c.missAddr = ex.next;
    return kDMiss;
  }
  return b.next;
}
std::uint32_t fFault(DCtx&, const DBlock&) { return kDFault; }
std::uint32_t fLeave(DCtx& c, const DBlock& b) { c.missAddr = c.info[&b - c.blocks].rec; return kDMiss; }

struct FastRow {
  const char* name;
  DFn fn;
  const char* kinds;   // nullptr: AND/OR (count from operand 0)
};
const FastRow kFast[] = {
    {"JPZ", fJPZ, "jb"},      {"NOP", fNOP, ""},        {"BEG", fNOP, ""},
    {"END", fEND, ""},        {"ADDW", fADDW, "wwW"},   {"ADDL", fADDL, "llL"},
    {"ADDF", fADDF, "llL"},   {"SUBW", fSUBW, "wwW"},   {"SUBL", fSUBL, "llL"},
    {"SUBF", fSUBF, "llL"},   {"MULW", fMULW, "wwW"},   {"MULL", fMULL, "llL"},
    {"MULF", fMULF, "llL"},   {"PG", fMULF, "llL"},     {"CMPW", fCmp<W>, "wwQ"},
    {"CMPL", fCmp<L>, "llQ"}, {"CMPF", fCmp<F>, "llQ"}, {"SCHW", fSel<W>, "wwbW"},
    {"SCHL", fSel<L>, "llbL"}, {"SCHF", fSel<std::uint32_t>, "llbL"},
    {"ABB", fMove<B, B>, "bB"}, {"AWW", fMove<W, W>, "wW"}, {"ALW", fMove<W, W>, "wW"},
    {"ALL", fMove<L, L>, "lL"}, {"AFF", fMove<std::uint32_t, std::uint32_t>, "lL"},
    {"AWL", fMove<W, L>, "wL"}, {"AWF", fMove<W, F>, "wL"}, {"ALF", fMove<L, F>, "lL"},
    {"Not", fNot, "bB"},      {"FD01", fEdge<true>, "bBB"}, {"FD10", fEdge<false>, "bBB"},
    {"FFR", fFlipFlop<true>, "bbB"}, {"FFS", fFlipFlop<false>, "bbB"},
    {"AND", fAndOr<true>, nullptr}, {"OR", fAndOr<false>, nullptr},
};
// AND and OR with more inputs than this run checked.
constexpr std::uint32_t kMaxFastInputs = 64;

struct FastTable {
  std::array<const FastRow*, kOpcodeCount> rows{};
  FastTable() {
    for (const FastRow& f : kFast) {
      int r = opcodeRow(f.name);
      if (r >= 0) rows[static_cast<std::size_t>(r)] = &f;
    }
  }
};
const FastTable& fastTable() {
  static const FastTable t;
  return t;
}

// The handlers the run step calls by code (inlined into its loop): the
// common ones of simple programs. Every other block is called through fn.
#define PLC_INLINE_HANDLERS(X)                                                                     \
  X(1, fNOP) X(2, fJPZ) X(3, fADDW) X(4, fADDL) X(5, fADDF) X(6, fSUBW) X(7, fMULW)               \
  X(8, fCmp<W>) X(9, fCmp<L>) X(10, fCmp<F>) X(11, fSel<W>) X(12, fSel<L>) X(13, fNot)           \
  X(14, fAndOr2<true>) X(15, fAndOr2<false>) X(16, (fMove<W, W>)) X(17, (fMove<L, L>))            \
  X(18, (fMove<B, B>)) X(19, fEdge<true>)

std::uint32_t codeOf(DFn fn) {
#define PLC_CODE_OF(code, f) if (fn == static_cast<DFn>(f)) return code;
  PLC_INLINE_HANDLERS(PLC_CODE_OF)
#undef PLC_CODE_OF
  return 0;
}

} // namespace

bool hasFastHandler(int row) {
  return row >= 0 && row < kOpcodeCount && fastTable().rows[static_cast<std::size_t>(row)];
}

void Decoded::build(Memory& mem, const std::vector<Addr>& roots, std::size_t maxBlocks) {
  blocks.clear();
  info.clear();
  ops.clear();
  index.clear();
  ranges.clear();
  generation = mem.generation();
  memSize = mem.size();
  const auto& table = opcodeTable();
  std::vector<Addr> work(roots.rbegin(), roots.rend());
  // Written cells of the fast blocks, checked against the ranges at the end.
  std::vector<std::pair<std::uint32_t, std::pair<Addr, Addr>>> outputs;
  std::string kinds;
  struct FastOps {
    std::uint32_t block, first, count;
  };
  std::vector<FastOps> firstOp;
  while (!work.empty() && blocks.size() < maxBlocks) {
    Addr a = work.back();
    work.pop_back();
    if (index.count(a)) continue;
    auto idx = static_cast<std::uint32_t>(blocks.size());
    index.emplace(a, idx);
    DBlock b;
    DInfo bi;
    bi.rec = a;
    b.fn = fFault;
    const std::uint8_t* head = mem.ptr(a, 8);
    int row = head ? handlerRow(protocol::getU32(head), kOpcodeCount) : -1;
    if (head) ranges.emplace_back(a, a + 8);
    if (row >= 0) {
      bi.nextAddr = protocol::getU32(head + 4);
      bi.checked = table[static_cast<std::size_t>(row)].handler;
      b.fn = fChecked;
      work.push_back(bi.nextAddr);
      const FastRow* f = fastTable().rows[static_cast<std::size_t>(row)];
      std::size_t count = 0;
      if (f && f->kinds) {
        kinds = f->kinds;
      } else if (f) {
        const std::uint8_t* w = mem.ptr(a + 8, 4);
        std::uint32_t n = w ? protocol::getU32(w) & 0x7FFF : kMaxFastInputs + 1;
        kinds = n <= kMaxFastInputs ? "cc" + std::string(n, 'b') + "B" : std::string();
        if (n > kMaxFastInputs) f = nullptr;
      }
      count = f ? kinds.size() : 0;
      const std::uint8_t* p = f ? mem.ptr(a + 8, 4 * count) : nullptr;
      if (f && !p) f = nullptr;
      if (f && f->fn == fJPZ) work.push_back(protocol::getU32(p));
      std::size_t first = ops.size();
      for (std::size_t i = 0; f && i < count; ++i) {
        std::uint32_t v = protocol::getU32(p + 4 * i);
        std::size_t n = cellSize(kinds[i]);
        if (n) {
          if (!mem.contains(v, n)) { f = nullptr; break; }
          if (written(kinds[i])) outputs.push_back({idx, {v, v + static_cast<Addr>(n)}});
          v -= kArenaBase;
        }
        ops.push_back(v);
      }
      if (f) {
        b.fn = f->fn;
        if (!f->kinds && count - 3 == 2) b.fn = f->fn == fAndOr<true> ? fAndOr2<true> : fAndOr2<false>;
        firstOp.push_back({idx, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count)});
        ranges.back().second = a + 8 + 4 * static_cast<Addr>(count);
      } else {
        ops.resize(first);
        while (!outputs.empty() && outputs.back().first == idx) outputs.pop_back();
      }
    }
    blocks.push_back(b);
    info.push_back(bi);
  }
  // Addresses the translation does not reach leave it (the chain goes on checked).
  auto resolve = [&](Addr a) {
    auto it = index.find(a);
    if (it != index.end()) return it->second;
    auto i = static_cast<std::uint32_t>(blocks.size());
    DBlock leave;
    leave.fn = fLeave;
    DInfo li;
    li.rec = a;
    blocks.push_back(leave);
    info.push_back(li);
    index.emplace(a, i);
    return i;
  };
  for (std::size_t i = 0, n = blocks.size(); i < n; ++i) {
    if (blocks[i].fn == fFault || blocks[i].fn == fLeave) continue;
    std::uint32_t nx = resolve(info[i].nextAddr);
    blocks[i].next = nx;
  }
  // The pool is complete: JPZ's target by index (resolving may add blocks);
  // then the operands into their block, or where they begin in the pool.
  for (const FastOps& f : firstOp)
    if (blocks[f.block].fn == fJPZ) ops[f.first] = resolve(ops[f.first]);
  for (const FastOps& f : firstOp) {
    DBlock& fb = blocks[f.block];
    if (fb.fn == fAndOr<true> || fb.fn == fAndOr<false>) {
      fb.in[0] = f.first;
    } else if (fb.fn == fAndOr2<true> || fb.fn == fAndOr2<false>) {
      const std::uint32_t* o = ops.data() + f.first;
      fb.in[0] = (o[0] & 0x8000u ? 0x80000000u : 0u) | (o[1] & 3u);
      std::copy_n(o + 2, 3, fb.in + 1);
    }
    else if (f.count > kInlineOps)
      fb.fn = fChecked;  // no fixed form has more operands than fit
    else
      std::copy_n(ops.begin() + static_cast<std::ptrdiff_t>(f.first), f.count, fb.in);
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<Addr, Addr>> merged;
  for (const auto& r : ranges) {
    if (!merged.empty() && r.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, r.second);
    else
      merged.push_back(r);
  }
  ranges = std::move(merged);
  // A fast block that writes into a record runs checked, so the write is seen.
  for (const auto& [idx, cell] : outputs) {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), std::make_pair(cell.first, ~Addr{0}));
    bool hit = it != ranges.end() && it->first < cell.second;
    if (it != ranges.begin() && std::prev(it)->second > cell.first) hit = true;
    if (hit) blocks[idx].fn = fChecked;
  }
  for (DBlock& b : blocks) b.code = codeOf(b.fn);
}

// --- the kernel's run step over the translation ------------------------------------------------

const Decoded& Kernel::translation() {
  if (!decoded_) decoded_ = std::make_unique<Decoded>();
  Decoded& d = *decoded_;
  if (decodedStale_ || d.generation != mem.generation() || d.memSize != mem.size() || d.blocks.empty()) {
    std::vector<Addr> roots;
    for (int t = 0; t < kTaskCount; ++t) {
      roots.push_back(taskFirst(t));
      roots.push_back(resumePoint[static_cast<std::size_t>(t)]);
    }
    d.build(mem, roots, kMaxDecodedBlocks);
    mem.watch(d.ranges);
    decodedStale_ = false;
  }
  return d;
}

bool Kernel::runTranslated(Addr& pos, std::size_t& budget) {
  const Decoded& d = translation();
  std::uint32_t i = d.find(pos);
  if (i == kDMiss) { decodedStale_ = true; return false; }
  const DBlock* blocks = d.blocks.data();
  DCtx c{mem.raw(), *this, d.ops.data(), blocks, d.info.data()};
  // The budget in a register while the chain runs; given back at every exit.
  std::size_t left = budget;
  // Only the blocks called through fn can stop the step (the handlers run
  // inline change nothing but the memory): the stop byte is looked at after them.
  bool stopped = stopByte != 0;
  while (!stopped) {
    if (left == 0) { stopByte = 254; break; }
    --left;
    const DBlock& b = blocks[i];
    std::uint32_t n;
    switch (b.code) {
#define PLC_DISPATCH(code, f) \
  case code: n = (f)(c, b); break;
      PLC_INLINE_HANDLERS(PLC_DISPATCH)
#undef PLC_DISPATCH
      default:
        n = b.fn(c, b);
        stopped = stopByte != 0;
        break;
    }
    // Blocks mostly follow each other in the translation: going on with the
    // next index as predicted does not wait for the block's next field.
    if (n == i + 1) [[likely]] {
      ++i;
      continue;
    }
    if (n >= kDMiss) [[unlikely]] {
      budget = left;
      if (n == kDFault) return true;
      if (b.fn == fLeave) ++budget;   // nothing ran
      pos = c.missAddr;
      return false;
    }
    i = n;
  }
  budget = left;
  pos = d.info[i].rec;
  return false;
}

bool Kernel::runOneBlock(Addr rec, Addr& next) {
  Exec ex{*this, mem};
  ex.rec = rec;
  if (!predecode) {
    const std::uint8_t* head = mem.ptr(rec, 8);
    int row = head ? handlerRow(protocol::getU32(head), kOpcodeCount) : -1;
    if (row < 0) return false;
    ex.next = protocol::getU32(head + 4);
    opcodeTable()[static_cast<std::size_t>(row)].handler(ex);
    next = ex.next;
    return !ex.fault;
  }
  Decoded d;
  d.build(mem, {rec}, 1);
  DCtx c{mem.raw(), *this, d.ops.data(), d.blocks.data(), d.info.data()};
  std::uint32_t n = d.blocks[0].fn(c, d.blocks[0]);
  if (n == kDFault) return false;
  next = n == kDMiss ? c.missAddr : d.info[n].rec;
  return true;
}

bool Kernel::lastBlockFast(Addr rec) {
  Decoded d;
  d.build(mem, {rec}, 1);
  return d.blocks[0].fn != fChecked && d.blocks[0].fn != fFault;
}

} // namespace plc
