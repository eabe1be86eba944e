#pragma once
// The listing ("trace file"): what the code generator made of each line of
// the target program text, the generated code words, mark replacements, the
// task and script tables and dumps of the initial data.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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
  void attach(std::FILE* f) { close(); f_ = f; owned_ = false; }
  void close();
  bool isOpen() const { return f_ != nullptr; }

  void setWidth(int w) { width_ = w; }
  void setCodeStart(uint32_t a) { dumpAddr_ = a; }
  int width() const { return width_; }

  void writeHeader(const std::vector<std::string>& argv, const std::string& prelimPath);
  void sourceHeader(const std::string& name);

  // A formatted line of the string table (id) followed by a line break; the
  // line is left out when the text cannot be had.
  template <class... A> void line(int id, A... args) {
    std::string f;
    if (!texts_.get(id, f)) return;
    put(vformat(f, args...));
    put("\n");
  }
  // The same without the line break.
  template <class... A> void text(int id, A... args) {
    std::string f;
    if (texts_.get(id, f)) put(vformat(f, args...));
  }
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
  void put(const std::string& s) {
    if (f_) std::fwrite(s.data(), 1, s.size(), f_);
  }

private:
  void header(int id);

  const TextSource& texts_;
  std::FILE* f_ = nullptr;
  bool owned_ = false;
  int width_ = 4;
  uint32_t dumpAddr_ = 0;
  bool taskBegun_ = false, blockBegun_ = false;
  bool replaceHeader_ = false, taskHeader_ = false, scriptHeader_ = false, dataHeader_ = false;
};

}  // namespace cg
