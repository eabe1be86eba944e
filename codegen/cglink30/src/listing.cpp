#include "listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

namespace cg {
namespace {

struct HeaderSpec {
  int id;
  int ruler;
};
const HeaderSpec kHeaders[] = {{313, 50}, {405, 36}, {406, 53}, {407, 63}, {408, 81}, {409, 75}, {412, 56}};

}  // namespace

bool Listing::open(const std::string& path) {
  close();
  // An earlier listing is written over where it lies and cut to the new
  // length at the end, not emptied first: emptying a large file on the disk
  // frees its blocks at once and makes the file system's next flush (that of
  // the download file) wait for the whole journal.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  f_ = ::fdopen(fd, "w");
  if (!f_) {
    ::close(fd);
    return false;
  }
  owned_ = true;
  written_ = 0;
  // The listing's own buffer is the only one: it goes to the file in large pieces.
  std::setvbuf(f_, nullptr, _IONBF, 0);
  return true;
}

void Listing::flush() {
  if (f_ && used_ > 0) written_ += std::fwrite(buf_.get(), 1, used_, f_);
  used_ = 0;
}

void Listing::grow(size_t n) {
  // Whole pages go to the file, so that writing over an earlier listing
  // never reads a page back from the disk; the rest stays at the front.
  const size_t whole = used_ / kPage * kPage;
  if (f_ && whole > 0) {
    written_ += std::fwrite(buf_.get(), 1, whole, f_);
    std::memmove(buf_.get(), buf_.get() + whole, used_ - whole);
    used_ -= whole;
  } else {
    flush();
  }
  if (used_ + n > cap_ || !buf_) {
    const size_t want = used_ + n > kBuffer ? used_ + n : kBuffer;
    std::unique_ptr<char[]> bigger(new char[want]);  // filled by the lines, not beforehand
    if (used_ > 0) std::memcpy(bigger.get(), buf_.get(), used_);
    buf_ = std::move(bigger);
    cap_ = want;
  }
}

void Listing::close() {
  flush();
  if (f_ && owned_) {
    // The end of an earlier, longer listing goes.
    struct stat st {};
    if (::fstat(::fileno(f_), &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > written_)
      (void)::ftruncate(::fileno(f_), static_cast<off_t>(written_));
  }
  if (f_ && owned_) std::fclose(f_);
  f_ = nullptr;
  owned_ = false;
  taskBegun_ = blockBegun_ = false;
  replaceHeader_ = taskHeader_ = scriptHeader_ = dataHeader_ = false;
  ready_.fill(nullptr);
  for (auto& f : formats_) f.reset();
  for (auto& h : headers_) h.clear();
}

const Listing::Format* Listing::lookUp(int id) {
  if (id < 0 || static_cast<size_t>(id) >= formats_.size()) return nullptr;
  auto& slot = formats_[static_cast<size_t>(id)];
  if (!slot) {
    slot = std::make_unique<Format>();
    slot->have = texts_.get(id, slot->text);
    if (slot->have) slot->format = LineFormat(slot->text);
    if (slot->have) ready_[static_cast<size_t>(id)] = slot.get();
  }
  return slot->have ? slot.get() : nullptr;
}

void Listing::header(int id) {
  if (!f_ || id < 0 || static_cast<size_t>(id) >= formats_.size()) return;
  const Format* f = formatOf(id);
  if (!f) return;
  // The whole header line (text, a blank, the ruler) is made once per run.
  auto& line = headers_[static_cast<size_t>(id)];
  if (line.empty()) {
    int ruler = 0;
    for (const auto& h : kHeaders)
      if (h.id == id) ruler = h.ruler;
    line = f->text + ' ' + std::string(static_cast<size_t>(ruler), '-') + '\n';
  }
  put(line.data(), line.size());
}

void Listing::writeHeader(const std::vector<std::string>& argv, const std::string& prelimPath) {
  std::string s;
  if (texts_.get(331, s)) put(s + "\n");
  std::time_t now = std::time(nullptr);
  std::tm tmv{};
  localtime_r(&now, &tmv);
  char tbuf[64];
  // The C library's standard form: "Www Mmm dd hh:mm:ss yyyy\n".
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::snprintf(tbuf, sizeof tbuf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[tmv.tm_wday % 7],
                kMonths[tmv.tm_mon % 12], tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                1900 + tmv.tm_year);
  put(std::string(tbuf) + "\n\n");
  if (texts_.get(332, s)) put(s);
  for (const auto& a : argv) put(a + "\n");
  put(prelimPath + "\n");
}

void Listing::sourceHeader(const std::string& name) { text(323, name.c_str()); }

void Listing::beforeOperand() {
  if (!taskBegun_) {
    put("\n\n\n");
    header(407);
    taskBegun_ = true;
    blockBegun_ = true;
  } else if (!blockBegun_) {
    put("\n\n");
    header(406);
    blockBegun_ = true;
  }
}

void Listing::afterBlockLine(bool isEnd) {
  blockBegun_ = false;
  if (isEnd) taskBegun_ = false;
}

namespace {

// The two upper-case hexadecimal digits of each byte value.
struct HexPairs {
  char pair[256][2];
  constexpr HexPairs() : pair() {
    const char* hex = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
      pair[b][0] = hex[b >> 4];
      pair[b][1] = hex[b & 0xF];
    }
  }
};
constexpr HexPairs kHexPairs;

// Upper-case hexadecimal with a fixed, even number of digits (2, 4 or 8).
inline char* hexDigits(char* p, uint32_t v, int digits) {
  for (int i = digits / 2 - 1; i >= 0; --i) {
    std::memcpy(p + 2 * i, kHexPairs.pair[v & 0xFFu], 2);
    v >>= 8;
  }
  return p + digits;
}

// The lines "address | word" of a code dump, Digits hexadecimal digits each
// (4: the low 16 bits of two-byte addresses and words).
template <int Digits> [[gnu::always_inline]] inline void fixedHex(char* p, uint32_t v) {
  if constexpr (Digits == 8) {
    std::memcpy(p, kHexPairs.pair[v >> 24], 2);
    std::memcpy(p + 2, kHexPairs.pair[(v >> 16) & 0xFFu], 2);
    p += 4;
  }
  std::memcpy(p, kHexPairs.pair[(v >> 8) & 0xFFu], 2);
  std::memcpy(p + 2, kHexPairs.pair[v & 0xFFu], 2);
}

template <int Digits> char* dumpLines(char* p, const std::vector<uint32_t>& words, uint32_t& address, uint32_t step) {
  for (uint32_t w : words) {
    fixedHex<Digits>(p, address);
    std::memcpy(p + Digits, " | ", 3);
    fixedHex<Digits>(p + Digits + 3, w);
    p[2 * Digits + 3] = '\n';
    p += 2 * Digits + 4;
    address += step;
  }
  return p;
}

}  // namespace

void Listing::codeDump(const std::vector<uint32_t>& words) {
  if (!f_) {
    dumpAddr_ += static_cast<uint32_t>(words.size() * static_cast<size_t>(width_));
    return;
  }
  header(412);
  // "%04X | %04X\n" (two-byte addresses: low 16 bits) or "%08X | %08X\n".
  const int digits = width_ == 2 ? 4 : 8;
  char* p = room(words.size() * static_cast<size_t>(2 * digits + 4) + 2);
  const uint32_t step = static_cast<uint32_t>(width_);
  p = digits == 4 ? dumpLines<4>(p, words, dumpAddr_, step) : dumpLines<8>(p, words, dumpAddr_, step);
  *p++ = '\n';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buf_.get());
}

void Listing::replaceLine(uint32_t oldValue, uint32_t address, const std::string& name) {
  if (!replaceHeader_) {
    put("\n\n");
    header(408);
    replaceHeader_ = true;
  }
  if (width_ == 2)
    line(328, oldValue & 0xFFFFu, address & 0xFFFFu, name.c_str());
  else
    line(327, oldValue, address, name.c_str());
}

void Listing::taskTableEntry(unsigned number, uint32_t start, uint32_t cycle, uint32_t startTarget,
                             uint32_t cycleTarget) {
  if (!taskHeader_) {
    put("\n\n");
    header(313);
    taskHeader_ = true;
  }
  if (width_ == 2)
    put(format("%2d:  %04X %5d  ->  %04X %08X\n", number, start & 0xFFFFu, cycle, startTarget & 0xFFFFu,
               cycleTarget));
  else
    put(format("%2d:  %08X %5d  ->  %08X %08X\n", number, start, cycle, startTarget, cycleTarget));
}

void Listing::scriptTableEntry(unsigned position, uint32_t start, uint32_t number, uint32_t startTarget,
                               uint32_t numberTarget) {
  if (!scriptHeader_) {
    put("\n\n");
    header(409);
    scriptHeader_ = true;
  }
  if (width_ == 2)
    put(format("%2d:  %04X %5d ->  %04X %04X\n", position, start & 0xFFFFu, number, startTarget & 0xFFFFu,
               numberTarget & 0xFFFFu));
  else
    put(format("%2d:  %08X %5d ->  %08X %08X\n", position, start, number, startTarget, numberTarget));
}

void Listing::dataBlock(const std::string& text, uint32_t address, const std::vector<uint8_t>& bytes) {
  if (!f_) return;
  put("\n\n", 2);
  if (!dataHeader_) {
    header(405);
    put("\n\n", 2);
    dataHeader_ = true;
  }
  put(text);
  put('\n');
  const int digits = width_ == 2 ? 4 : 8;
  const uint32_t mask = width_ == 2 ? 0xFFFFu : 0xFFFFFFFFu;
  for (size_t off = 0; off < bytes.size(); off += 16) {
    // "%04X | " or "%08X | ", 16 entries "%02X " (blanks for missing bytes)
    // with two more blanks after the ninth, "| ", the characters.
    char l[128];
    char* p = hexDigits(l, static_cast<uint32_t>(address + off) & mask, digits);
    *p++ = ' ';
    *p++ = '|';
    *p++ = ' ';
    char chars[16];
    for (size_t i = 0; i < 16; ++i) {
      if (off + i < bytes.size()) {
        uint8_t b = bytes[off + i];
        p = hexDigits(p, b, 2);
        *p++ = ' ';
        chars[i] = (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
      } else {
        *p++ = ' ';
        *p++ = ' ';
        *p++ = ' ';
        chars[i] = ' ';
      }
      if (i == 8) {
        *p++ = ' ';
        *p++ = ' ';
      }
    }
    *p++ = '|';
    *p++ = ' ';
    std::memcpy(p, chars, 16);
    p += 16;
    *p++ = '\n';
    put(l, static_cast<size_t>(p - l));
  }
}

}  // namespace cg
