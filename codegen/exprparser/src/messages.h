#pragma once
// The parser's messages: the built-in English texts by number, and the error
// list that every operation fills and GetErrorText joins.
#include <functional>
#include <string>
#include <vector>

namespace exprparser {

enum MessageId : int {
  kUnknownCharacter = 1000,
  kUnknownIdentifier = 1001,
  kInvalidVariable = 1002,
  kNumberRange = 1003,
  kSyntax = 1004,
  kParserFailure = 1005,
  kAssignTarget = 1006,
  kDivisionByZero = 1007,
  kNotBoolean = 1008,
  kIntegerOperands = 1009,
  kBooleanOperands = 1010,
  kCannotWrite = 1500,
  kCannotCreate = 1501,
  kPathTooLong = 1502,
  kChecking = 2000,
  kToolMissing = 500,
  kLanguageMissing = 501,
  kCaption = 2,
};

// The built-in English text of a message; nullptr when there is none.
const char* builtinText(int id);

// Replaces the first "%s" of a text by arg ("%%" stays as it is; no other
// conversion is interpreted, so a translated text cannot do harm).
std::string formatText(const std::string& text, const std::string& arg);

// Texts of the language resource library, when one is loaded: false when it
// has no text of that number.
using TextOverride = std::function<bool(int id, std::string& out)>;

class ErrorList {
public:
  explicit ErrorList(TextOverride texts = nullptr) : texts_(std::move(texts)) {}
  void setTexts(TextOverride texts) { texts_ = std::move(texts); }
  void clear();
  // Adds a counted error with its argument.
  void error(int id, const std::string& arg = std::string());
  // Adds a line that does not count as an error ("Checking: ...").
  void note(int id, const std::string& arg);
  int count() const { return count_; }
  const std::vector<std::string>& lines() const { return lines_; }
  const std::vector<int>& ids() const { return ids_; }
  std::string joined() const;
  std::string text(int id) const;

private:
  TextOverride texts_;
  std::vector<std::string> lines_;
  std::vector<int> ids_;  // the message number of each counted error, in order
  int count_ = 0;
};

}  // namespace exprparser
