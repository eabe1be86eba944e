#pragma once
// Numbered messages of the code generator: fatal ones are shown at once in a
// message box, the others are collected with their source line and appended
// to the message file; the error and warning counters are the run's result.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "texts.h"

namespace cg {

constexpr uint32_t kNoLine = 0xFFFFFFFFu;
constexpr uint32_t kMessageLimit = 250;

// 0 nothing, 1 fatal (box, error), 2 error with line, 3 warning with line,
// 4 warning shown at once.
int messageClass(int number);

class Messages {
public:
  // Shows a fatal message or an immediate warning (text, caption "LINK : ",
  // style 0x10).
  using BoxFn = std::function<void(const std::string& text, const std::string& caption, unsigned style)>;

  Messages(const TextSource& texts, BoxFn box) : texts_(texts), box_(std::move(box)) {}

  void report(int number, uint32_t line) { report(number, line, nullptr); }
  void report(int number, uint32_t line, const std::string& arg) { report(number, line, &arg); }
  void reportChar(int number, uint32_t line, char c) {
    std::string s(1, c);
    report(number, line, &s);
  }

  // Appends the stored messages (if any) to the file, preceded by
  // "Processing <source>" when a source name is given, followed by the
  // summary line; then empties the store. The counters stay.
  void appendToFile(const std::string& path, const std::string& sourceName);

  // The lines appendToFile would write for the stored messages (no summary).
  std::vector<std::string> storedLines() const;
  std::string summaryLine() const;

  uint32_t errors() const { return errors_; }
  uint32_t warnings() const { return warnings_; }
  size_t stored() const { return store_.size(); }
  // Clears the store and both counters.
  void reset();

private:
  struct Stored {
    int cls;
    uint32_t line;
    int number;
    std::string arg;
    bool hasArg;
  };
  void report(int number, uint32_t line, const std::string* arg);
  std::string lineText(const Stored& m) const;

  const TextSource& texts_;
  BoxFn box_;
  std::vector<Stored> store_;  // kept in ascending line order, stable
  uint32_t errors_ = 0, warnings_ = 0;
};

}  // namespace cg
