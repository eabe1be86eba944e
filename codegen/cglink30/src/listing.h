#pragma once
// The listing ("trace file"): what the code generator made of each line of
// the target program text, the generated code words, mark replacements, the
// task and script tables and dumps of the initial data. Lines are formatted
// into one buffer (each format text of the table taken apart once per run)
// that goes to the file in large pieces.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "lineformat.h"
#include "texts.h"

namespace cg {

class Listing {
public:
  explicit Listing(const TextSource& texts) : texts_(texts) {}
  ~Listing() { close(); }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool open(const std::string& path);
  // Writes into a caller's stream (not closed by close()); null writes nothing.
  void attach(std::FILE* f) {
    close();
    f_ = f;
    owned_ = false;
  }
  void close();
  bool isOpen() const { return f_ != nullptr; }

  void setWidth(int w) { width_ = w; }
  void setCodeStart(uint32_t a) { dumpAddr_ = a; }
  int width() const { return width_; }

  void writeHeader(const std::vector<std::string>& argv, const std::string& prelimPath);
  void sourceHeader(const std::string& name);

  // A formatted line of the string table (id) followed by a line break; the
  // line is left out when the text cannot be had.
  template <class... A> void line(int id, const A&... args) { emit<true>(id, args...); }
  // The same without the line break.
  template <class... A> void text(int id, const A&... args) { emit<false>(id, args...); }
  const TextSource& texts() const { return texts_; }
  // Before an operand line: the "begin task" / "new functionblock" headers.
  void beforeOperand();
  // After a block, "&BEG" or "&END" line.
  void afterBlockLine(bool isEnd);
  // One code entry's words (each the slot bytes read as a host number).
  void codeDump(const std::vector<uint32_t>& words);
  // Output pass sections.
  void replaceLine(uint32_t oldValue, uint32_t address, const std::string& name);
  void taskTableEntry(unsigned number, uint32_t start, uint32_t cycle, uint32_t startTarget, uint32_t cycleTarget);
  void scriptTableEntry(unsigned position, uint32_t start, uint32_t number, uint32_t startTarget,
                        uint32_t numberTarget);
  void dataBlock(const std::string& text, uint32_t address, const std::vector<uint8_t>& bytes);
  void put(const std::string& s) { put(s.data(), s.size()); }
  void put(const char* p, size_t n) {
    if (!f_) return;
    std::memcpy(room(n), p, n);
    used_ += n;
  }
  void put(char c) {
    if (!f_) return;
    *room(1) = c;
    ++used_;
  }
  // Writes the buffer to the file.
  void flush();

private:
  static constexpr size_t kBuffer = 1 << 18;
  static constexpr size_t kPage = 4096;
  struct Format {
    bool looked = false, have = false;
    LineFormat format;
    std::string text;  // for a format the formatter does not take apart
  };
  // The format of id, looked up once per run; null when it cannot be had.
  const Format* formatOf(int id) {
    if (static_cast<unsigned>(id) < ready_.size() && ready_[static_cast<size_t>(id)])
      return ready_[static_cast<size_t>(id)];
    return lookUp(id);
  }
  const Format* lookUp(int id);
  template <class T> static const T& printable(const T& v) { return v; }
  static const char* printable(const std::string& v) { return v.c_str(); }
  template <bool NewLine, class... A> void emit(int id, const A&... args) {
    const Format* f = formatOf(id);
    if (!f || !f_) return;
    if (!f->format.supported()) {
      put(vformat(f->text, printable(args)...));
      if (NewLine) put('\n');
    } else {
      const FmtArg a[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
      // The room has a few bytes more than the line: the line break fits.
      char* p = room(f->format.bound(a, sizeof...(A)));
      p = f->format.write(p, a, sizeof...(A));
      if (NewLine) *p++ = '\n';
      used_ = static_cast<size_t>(p - buf_.get());
    }
  }
  // Room for n more bytes at the end of the buffer (the buffer goes to the
  // file first when it is full).
  char* room(size_t n) {
    if (used_ + n > cap_) grow(n);
    return buf_.get() + used_;
  }
  void grow(size_t n);
  void header(int id);

  const TextSource& texts_;
  std::FILE* f_ = nullptr;
  bool owned_ = false;
  int width_ = 4;
  uint32_t dumpAddr_ = 0;
  bool taskBegun_ = false, blockBegun_ = false;
  bool replaceHeader_ = false, taskHeader_ = false, scriptHeader_ = false, dataHeader_ = false;
  std::unique_ptr<char[]> buf_;
  size_t used_ = 0, cap_ = 0;
  uint64_t written_ = 0;  // bytes written to an owned file
  // Ids 300 to 412 (listing formats) and the message texts below 300 (line
  // 308 and the messages written into the listing).
  std::array<std::unique_ptr<Format>, 413> formats_;
  std::array<const Format*, 413> ready_{};  // the formats found, for the lookup per line
  std::array<std::string, 413> headers_;  // header lines made so far, by id
};

}  // namespace cg
