#include "dlf.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/paths.h"

namespace cg {
namespace {

constexpr size_t kMaxBlock = 0xFFFF;

void putU16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void putU32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void putWord(std::vector<uint8_t>& v, uint32_t slot, int w) {
  unsigned char b[4];
  std::memcpy(b, &slot, 4);
  v.insert(v.end(), b, b + w);
}

// Collects bytes at addresses into blocks: a new block at every gap and
// whenever a block would pass 0xFFFF bytes. The bytes of the open block are
// gathered in a buffer of the largest block's size and go into the block's
// data in one piece when it is closed (at the latest when the sink goes).
class BlockSink {
public:
  // buf: room for kMaxBlock bytes, the sink's while it lives.
  BlockSink(std::vector<DlfBlock>& out, uint8_t* buf) : out_(out), buf_(buf) {}
  ~BlockSink() { finish(); }
  BlockSink(const BlockSink&) = delete;
  BlockSink& operator=(const BlockSink&) = delete;
  // Appends a unit that is kept in one block when it fits in an empty one;
  // a unit larger than a block is cut into pieces.
  void put(uint64_t address, const uint8_t* data, size_t n) {
    while (n > kMaxBlock) {
      putUnit(address, data, kMaxBlock);
      address += kMaxBlock;
      data += kMaxBlock;
      n -= kMaxBlock;
    }
    putUnit(address, data, n);
  }
  // Appends n bytes that are units of unit bytes each, as that many calls of
  // put() would: a new block starts where the next unit does not fit.
  void putUnits(uint64_t address, const uint8_t* data, size_t n, size_t unit) {
    while (n > 0) {
      if (!open_ || address != end_ || used_ + unit > kMaxBlock) {
        close();
        out_.push_back(DlfBlock{static_cast<uint32_t>(address), {}});
        open_ = true;
        used_ = 0;
      }
      size_t take = (kMaxBlock - used_) / unit * unit;
      if (take > n) take = n;
      std::memcpy(buf_ + used_, data, take);
      used_ += take;
      address += take;
      end_ = address;
      data += take;
      n -= take;
    }
  }
  void finish() {
    close();
    open_ = false;
  }

private:
  void close() {
    if (open_) out_.back().data.assign(buf_, buf_ + used_);
  }
  void putUnit(uint64_t address, const uint8_t* data, size_t n) {
    if (!open_ || address != end_ || used_ + n > kMaxBlock) {
      close();
      out_.push_back(DlfBlock{static_cast<uint32_t>(address), {}});
      open_ = true;
      used_ = 0;
    }
    // Code words (two or four bytes) and entry heads without a call.
    if (n == 8)
      std::memcpy(buf_ + used_, data, 8);
    else if (n == 4)
      std::memcpy(buf_ + used_, data, 4);
    else if (n == 2)
      std::memcpy(buf_ + used_, data, 2);
    else if (n > 0)  // an empty unit (an empty data file) may come without data
      std::memcpy(buf_ + used_, data, n);
    used_ += n;
    end_ = address + n;
  }

  std::vector<DlfBlock>& out_;
  uint8_t* buf_;
  size_t used_ = 0;
  bool open_ = false;
  uint64_t end_ = 0;
};

bool readFileBytes(const std::string& path, uint32_t count, std::vector<uint8_t>& out, int& failure) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    failure = 35;
    return false;
  }
  out.assign(count, 0);
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
  if (static_cast<uint32_t>(in.gcount()) != count) {
    failure = 36;
    return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> dlfImage(const std::vector<DlfBlock>& blocks) {
  size_t total = 14;
  for (const auto& b : blocks) total += 10 + b.data.size();
  std::vector<uint8_t> v(12, 0);
  v.reserve(total);
  putU16(v, static_cast<uint16_t>(blocks.size()));
  for (const auto& b : blocks) {
    putU32(v, b.address);
    putU16(v, static_cast<uint16_t>(b.data.size()));
    v.insert(v.end(), b.data.begin(), b.data.end());
    putU32(v, 0x0000FFFFu);
  }
  return v;
}

bool parseDlfImage(const std::vector<uint8_t>& image, std::vector<DlfBlock>& blocks) {
  blocks.clear();
  if (image.size() < 14) return false;
  size_t count = image[12] | (image[13] << 8);
  size_t p = 14;
  for (size_t i = 0; i < count; ++i) {
    if (image.size() - p < 6) return false;
    DlfBlock b;
    b.address = static_cast<uint32_t>(image[p]) | (static_cast<uint32_t>(image[p + 1]) << 8) |
                (static_cast<uint32_t>(image[p + 2]) << 16) | (static_cast<uint32_t>(image[p + 3]) << 24);
    size_t len = image[p + 4] | (image[p + 5] << 8);
    p += 6;
    if (image.size() - p < len + 4) return false;
    b.data.assign(image.begin() + static_cast<long>(p), image.begin() + static_cast<long>(p + len));
    p += len + 4;
    blocks.push_back(std::move(b));
  }
  return p == image.size();
}

bool resolveMarks(Emitter& em) {
  bool ok = true;
  auto& ops = em.operands();
  for (const auto& ref : em.markRefs()) {
    auto it = em.marks().find(ref.name);
    if (it == em.marks().end()) {
      em.messages().report(55, ref.line, ref.name);
      std::string t;
      if (em.listing().texts().get(55, t)) {
        em.listing().text(308, static_cast<long>(ref.line));
        em.listing().put(vformat(t, ref.name.c_str()) + "\n");
      }
      ok = false;
      continue;
    }
    uint32_t old = ops[ref.operand].slot;
    ops[ref.operand].slot = it->second.target;
    em.listing().replaceLine(old, static_cast<uint32_t>(it->second.address), ref.name);
  }
  return ok;
}

bool buildBlocks(Emitter& em, std::vector<DlfBlock>& blocks, const std::string& path) {
  blocks.clear();
  // Room for the code blocks (an entry takes at least four bytes of a
  // block), the tables, the data blocks and the descriptor.
  blocks.reserve(em.entries().size() / 1024 + em.definitions().size() + 8);
  Messages& msgs = em.messages();
  DdfApi& ddf = em.ddf();
  const int w = em.width();
  const auto& entries = em.entries();
  const auto& ops = em.operands();
  const auto& tasks = em.tasks();
  const std::unique_ptr<uint8_t[]> gather(new uint8_t[kMaxBlock]);

  // 1. Code: every entry of the entered tasks at its own address.
  {
    BlockSink sink(blocks, gather.get());
    std::vector<uint8_t> words;
    const uint64_t memEnd = static_cast<uint64_t>(em.codeStart()) + em.codeSize();
    for (size_t ti : em.entered()) {
      const Task& t = tasks[ti];
      for (uint32_t ei = t.firstEntry; ei < t.entryEnd; ++ei) {
        const CodeEntry& e = entries[ei];
        const uint64_t end = e.address + static_cast<uint64_t>(e.opCount + 2) * static_cast<uint64_t>(w);
        // Two-byte addresses reach no further than 0xFFFF, four-byte ones no
        // further than 4 GiB (a program memory that ends beyond would wrap).
        const uint64_t addressable = w == 2 ? 0x10000u : uint64_t(1) << 32;
        if (end > memEnd || end > addressable) {
          msgs.report(26, kNoLine);
          return false;
        }
        // The head (module and next entry) is one unit, each operand word
        // another; the words are gathered first and handed over together.
        uint8_t head[8];
        words.resize(static_cast<size_t>(e.opCount) * static_cast<size_t>(w));
        if (w == 4) {
          std::memcpy(head, &e.module, 4);
          std::memcpy(head + 4, &e.next, 4);
          for (uint32_t k = 0; k < e.opCount; ++k) std::memcpy(words.data() + 4 * k, &ops[e.opBegin + k].slot, 4);
        } else {
          std::memcpy(head, &e.module, 2);
          std::memcpy(head + 2, &e.next, 2);
          for (uint32_t k = 0; k < e.opCount; ++k) std::memcpy(words.data() + 2 * k, &ops[e.opBegin + k].slot, 2);
        }
        sink.put(e.address, head, 2 * static_cast<size_t>(w));
        sink.putUnits(e.address + 2 * static_cast<uint64_t>(w), words.data(), words.size(), static_cast<size_t>(w));
      }
    }
    sink.finish();
  }

  // 2. Task table.
  if (em.taskTableAddress() != 0 && em.taskCount() > 0) {
    DlfBlock b{em.taskTableAddress(), {}};
    for (unsigned n = 0; n <= em.taskCount(); ++n) {
      const Task* t = nullptr;
      for (size_t ti : em.byNumber())
        if (tasks[ti].number == n) t = &tasks[ti];
      uint32_t cycle = t ? t->cycle : 0;
      uint64_t start = t ? t->start : 0;
      uint32_t cycleSlot = 0, startSlot = 0;
      if (t) {
        unsigned char cb[4] = {0, 0, 0, 0};
        if (w == 2)
          ddf.convertWordToBin(static_cast<uint16_t>(cycle), cb, 2);
        else
          ddf.convertLongToBin(cycle, cb, 4);
        std::memcpy(&cycleSlot, cb, 4);
        em.convAddress(start, startSlot);
      }
      putWord(b.data, cycleSlot, 4);
      putWord(b.data, startSlot, w);
      em.listing().taskTableEntry(n, static_cast<uint32_t>(start), cycle, startSlot, cycleSlot);
    }
    // Large tables are split like code: no block passes 0xFFFF bytes.
    BlockSink sink(blocks, gather.get());
    sink.put(b.address, b.data.data(), b.data.size());
  }

  // 3. Script table.
  if (!em.scripts().empty()) {
    DdfVarQuery q{"SCRIPTTAB", 0, -1, 0, 0};
    if (ddf.getVarSizeAndAddress(&q) == 0) {
      msgs.report(30, kNoLine);
      return false;
    }
    // The table holds as many entries as its memory block has room for.
    const uint64_t room = q.size / (2 * static_cast<uint64_t>(w));
    if (em.scripts().size() > room) {
      const std::string held = std::to_string(room);
      msgs.report(63, kNoLine, held);
      return false;
    }
    {
      DlfBlock b{q.address, {}};
      unsigned pos = 0;
      for (const auto& s : em.scripts()) {
        uint32_t startSlot = 0, numSlot = 0;
        em.convAddress(s.start, startSlot);
        em.convInteger(s.number, numSlot);
        putWord(b.data, startSlot, w);
        putWord(b.data, numSlot, w);
        em.listing().scriptTableEntry(++pos, static_cast<uint32_t>(s.start), s.number, startSlot, numSlot);
      }
      BlockSink sink(blocks, gather.get());
      sink.put(b.address, b.data.data(), b.data.size());
    }
  }

  // 4. Initial data.
  std::vector<uint8_t> bytes;
  for (const auto& d : em.definitions()) {
    bytes.clear();
    if (!d.file.empty()) {
      int failure = 0;
      if (!readFileBytes(d.file, d.count, bytes, failure)) {
        msgs.report(failure, kNoLine, d.file);
        return false;
      }
    } else {
      bytes.assign(d.data.begin(), d.data.begin() + d.count);
    }
    em.listing().dataBlock(d.text, d.address, bytes);
    BlockSink sink(blocks, gather.get());
    sink.put(d.address, bytes.data(), bytes.size());
  }

  // 5. Descriptor of the code words.
  if (em.structInfoSize() > 0) {
    if (em.entered().empty()) {
      msgs.report(56, kNoLine, path);
      return false;
    }
    // One character a code word and the closing "5", counted first.
    size_t count = 1;
    for (size_t ti : em.entered())
      for (uint32_t ei = tasks[ti].firstEntry; ei < tasks[ti].entryEnd; ++ei) count += 2 + entries[ei].opCount;
    std::vector<uint8_t> chars(count);
    uint8_t* c = chars.data();
    for (size_t ti : em.entered()) {
      const Task& t = tasks[ti];
      for (uint32_t ei = t.firstEntry; ei < t.entryEnd; ++ei) {
        const CodeEntry& e = entries[ei];
        *c++ = '1';
        *c++ = '2';
        for (uint32_t k = 0; k < e.opCount; ++k) {
          switch (ops[e.opBegin + k].kind) {
            case K_MARK: *c++ = '2'; break;
            case K_VAR: *c++ = '4'; break;
            default: *c++ = '3'; break;
          }
        }
      }
    }
    *c = '5';
    if (chars.size() > em.structInfoSize()) {
      msgs.report(204, kNoLine);
    } else {
      BlockSink sink(blocks, gather.get());
      sink.put(em.structInfoAddress(), chars.data(), chars.size());
    }
  }
  return true;
}

bool writeDownload(Emitter& em, const std::string& path) {
  std::vector<DlfBlock> blocks;
  bool ok = resolveMarks(em) && buildBlocks(em, blocks, path);
  if (ok && blocks.size() > 0xFFFF) {
    em.messages().report(56, kNoLine, path);
    ok = false;
  }
  if (ok) {
    std::vector<uint8_t> image = dlfImage(blocks);
    std::string err;
    if (!plat::path::writeFileAtomic(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()),
                                     &err)) {
      em.messages().report(25, kNoLine, path);
      ok = false;
    }
  }
  // A failed pass leaves no download file that a later download could send.
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace cg
