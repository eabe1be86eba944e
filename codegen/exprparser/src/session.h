#pragma once
// The operations of the formula parser library, independent of how the
// settings library is reached: each operation clears the error list, builds
// its settings from the block's parameters, parses the text and (generators)
// writes the target program text into a new temporary file.
#include "builder.h"
#include "messages.h"
#include "scanner.h"

#include <cstdint>
#include <string>

namespace exprparser {

// What the operations need of the settings library.
class Services {
public:
  virtual ~Services() = default;
  // A new empty temporary file (GetPathToTempFile); false when none can be had.
  virtual bool tempFilePath(std::string& out) = 0;
  // The temporary directory (GetTEMPPath); false when it cannot be had.
  virtual bool tempDir(std::string& out) = 0;
};

// Settings of one operation from the block's parameter vector (null: none).
GenSettings settingsFor(bool condition, int variant, bool swapFlags, const double* vector);

// Writes a text file through a temporary file in the same directory and a
// rename. 0 done, kCannotCreate when the file cannot be created, kCannotWrite
// when writing or replacing fails.
int writeTextFile(const std::string& path, const std::string& data);

class Session {
public:
  explicit Session(Services* services = nullptr) : services_(services) {}
  void setServices(Services* s) { services_ = s; }
  void setTexts(TextOverride t) { errors_.setTexts(std::move(t)); }

  int parseFormel(const char* text, int16_t* aux, const double* vector);
  int parseCondition(const char* text, int16_t* aux, const double* vector);
  int formelZcdGen(char* buffer, const int16_t* aux, const double* vector, int16_t* out);
  int conditionZcdGen(char* buffer, const int16_t* aux, const double* vector, int16_t* out);
  void unlinkFile(const char* name, int16_t* out);

  // When the library cannot work (its settings library is missing), every
  // operation fails with this message in the error list.
  void setUnusable(int messageId) { unusable_ = messageId; }

  void clear() {
    errors_.clear();
    lastText_.clear();
  }
  const ErrorList& errors() const { return errors_; }
  std::string errorText() const { return errors_.joined(); }
  // The target program text the last generator wrote (for tests).
  const std::string& lastText() const { return lastText_; }

private:
  int check(bool condition, const char* text, int16_t* aux, const double* vector);
  int generate(bool condition, char* buffer, const int16_t* aux, const double* vector, int16_t* out);
  bool refuseWhenUnusable();

  Services* services_;
  ErrorList errors_;
  std::string lastText_;
  int unusable_ = 0;
};

}  // namespace exprparser
